#pragma once
// A picture box with a persistent image: what is drawn stays until the
// picture is cleared, and a refresh shows it at once. The image is a QImage
// (RGB32) owned here together with the drawing state the windows expect
// surfaces (fore and fill colour, fill style, draw width, polygon fill mode,
// current text position and font). Every drawing call opens a short-lived
// QPainter on the image; paintEvent only blits it.
//
// Colours are 24-bit BGR integers, as the program keeps them (red 255,
// yellow 65535, blue 16711680), converted at the painter.
//
// Coordinates are in the surface's scale unit: pixels, or twips for the
// surfaces that measure in twips (15 twips to the pixel).

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

#include "geometry/Records.h"
#include "ui/Fonts.h"
#include "ui/Twips.h"

using BgrColor = std::int32_t;

QColor bgrToQColor(BgrColor c);
BgrColor qColorToBgr(const QColor& c);

enum class FillStyle { Solid = 0, Transparent = 1 };
enum class PolyFillMode { Alternate = 1, Winding = 2 };  // OddEvenFill / WindingFill
enum class ScaleUnit { Pixels, Twips };

class PictureSurface {
public:
    explicit PictureSurface(ScaleUnit unit = ScaleUnit::Pixels) : unit_(unit) {}

    // Size in pixels; resizing keeps what fits and fills the rest with BackColor.
    void resize(int widthPx, int heightPx);
    int widthPx() const noexcept { return width_; }
    int heightPx() const noexcept { return height_; }
    // Size in the scale unit (ScaleWidth / ScaleHeight).
    double ScaleWidth() const noexcept;
    double ScaleHeight() const noexcept;

    // Drawing state.
    BgrColor BackColor = 0xFFFFFF;
    BgrColor ForeColor = 0x000000;
    BgrColor FillColor = 0x000000;
    FillStyle FillStyleValue = FillStyle::Transparent;
    int DrawWidth = 1;  // pixels
    PolyFillMode PolyFill = PolyFillMode::Alternate;
    double CurrentX = 0.0, CurrentY = 0.0;
    std::string FontName = kSansFamily;
    double FontSize = 8.0;
    bool FontBold = false;

    // Clears the whole image to BackColor and resets CurrentX/Y to 0.
    void Cls();
    // A line from (x1,y1) to (x2,y2) in colour c.
    void Line(double x1, double y1, double x2, double y2, BgrColor c);
    // A box with corners (x1,y1) and (x2,y2): outlined ("B") or filled ("BF").
    void Box(double x1, double y1, double x2, double y2, BgrColor c, bool filled);
    // A circle of the given radius in colour c, filled by the fill state.
    void Circle(double x, double y, double radius, BgrColor c);
    // One pixel.
    void PSet(double x, double y, BgrColor c);
    // Text at (CurrentX, CurrentY) in ForeColor; afterwards CurrentY moves
    // one text line down and CurrentX back to 0, as Print does.
    void Print(const std::string& text);
    double TextWidth(const std::string& text) const;
    double TextHeight(const std::string& text) const;
    // GDI Polygon: points in pixels, outline with ForeColor and DrawWidth,
    // filled with FillColor unless FillStyle is transparent, by PolyFill.
    void Polygon(const DevicePoint* points, int count);
    // Several rings filled as one shape by PolyFill (with the odd-even rule
    // a ring inside another is a hole), then each outlined: ring r has
    // counts[r] points from points[starts[r]] on.
    void PolyPolygon(const DevicePoint* points, const std::vector<int>& starts, const std::vector<int>& counts);
    // The colour of one pixel (for tests and the region identify); -1
    // outside the picture.
    BgrColor Point(int xPx, int yPx) const;
    // The font of the drawing state.
    QFont font() const;

    const QImage& image() const noexcept { return image_; }
    QImage& image() noexcept { return image_; }

    double toPx(double v) const noexcept { return unit_ == ScaleUnit::Twips ? v / kTwipsPerPixel : v; }
    double fromPx(double px) const noexcept { return unit_ == ScaleUnit::Twips ? px * kTwipsPerPixel : px; }

    ScaleUnit scaleUnit() const noexcept { return unit_; }

private:
    // A point in the scale unit as the pixel it falls on.
    QPoint devicePoint(double x, double y) const;
    // The brush of the fill state.
    QBrush fillBrush() const;

    ScaleUnit unit_;
    // The image is never smaller than 1 x 1 so that a painter can always
    // open on it; the surface's own size may be 0.
    QImage image_{1, 1, QImage::Format_RGB32};
    int width_ = 0;
    int height_ = 0;
};

// The widget that shows a PictureSurface and passes its mouse events on.
// Its objectName is the control's name (picSHP, picLegend, ...).
class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(ScaleUnit unit = ScaleUnit::Pixels, QWidget* parent = nullptr);
    // The surface, sized to the box as it stands now. (Qt holds back the
    // resize event of a box that is hidden for a moment, as a sub-window
    // is while it is maximised or restored; a drawing in between must
    // still see the new size.)
    PictureSurface& surface() {
        surface_.resize(width(), height());
        return surface_;
    }
    // Shows the image as drawn now.
    void Refresh() { update(); }

signals:
    // Button: 1 left, 2 right, 4 middle; positions in the scale unit.
    void mouseDown(int button, double x, double y);
    void mouseMove(int button, double x, double y);
    void mouseUp(int button, double x, double y);
    // A press and release over the box (after mouseUp).
    void clicked();
    void resized();

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;

private:
    PictureSurface surface_;
};
