#include "ui/PictureSurface.h"

#include <QPainterPath>

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <cmath>

#include "ui/Fonts.h"

QColor bgrToQColor(BgrColor c) { return QColor(c & 255, (c >> 8) & 255, (c >> 16) & 255); }

BgrColor qColorToBgr(const QColor& c) {
    return static_cast<BgrColor>(c.red() | (c.green() << 8) | (c.blue() << 16));
}

namespace {
// 96 dots per inch, so that point sizes of fonts give the same pixels on
// every machine (a pixel is 15 twips here).
constexpr int kDotsPerMeter = 3780;

QImage blankImage(int w, int h, BgrColor back) {
    QImage img(std::max(1, w), std::max(1, h), QImage::Format_RGB32);
    img.setDotsPerMeterX(kDotsPerMeter);
    img.setDotsPerMeterY(kDotsPerMeter);
    img.fill(bgrToQColor(back));
    return img;
}

int px(double v) { return static_cast<int>(std::lround(v)); }
}  // namespace

// A painter on the image, set up as the surfaces draw: no antialiasing,
// fonts from the drawing state.
class SurfacePainter : public QPainter {
public:
    explicit SurfacePainter(QImage& img) : QPainter(&img) {
        setRenderHint(QPainter::Antialiasing, false);
        setRenderHint(QPainter::TextAntialiasing, true);
    }
};

void PictureSurface::resize(int widthPx, int heightPx) {
    widthPx = std::max(0, widthPx);
    heightPx = std::max(0, heightPx);
    if (widthPx == width_ && heightPx == height_) return;
    QImage next = blankImage(widthPx, heightPx, BackColor);
    {
        QPainter p(&next);
        p.drawImage(0, 0, image_);
    }
    image_ = std::move(next);
    width_ = widthPx;
    height_ = heightPx;
}

QPoint PictureSurface::devicePoint(double x, double y) const { return QPoint(px(toPx(x)), px(toPx(y))); }

QBrush PictureSurface::fillBrush() const {
    return FillStyleValue == FillStyle::Solid ? QBrush(bgrToQColor(FillColor)) : QBrush(Qt::NoBrush);
}

double PictureSurface::ScaleWidth() const noexcept { return fromPx(width_); }
double PictureSurface::ScaleHeight() const noexcept { return fromPx(height_); }

QFont PictureSurface::font() const {
    const double size = FontSize > 0 ? FontSize : 8.0;
    if (FontName == kSansFamily) return sansFont(size, FontBold);
    QFont f(QString::fromStdString(FontName));
    f.setPointSizeF(size);
    f.setBold(FontBold);
    return f;
}

void PictureSurface::Cls() {
    image_.fill(bgrToQColor(BackColor));
    CurrentX = 0.0;
    CurrentY = 0.0;
}

namespace {
QPen surfacePen(BgrColor c, int width) {
    QPen pen(bgrToQColor(c));
    pen.setWidth(std::max(1, width));
    pen.setCapStyle(width > 1 ? Qt::RoundCap : Qt::SquareCap);
    pen.setJoinStyle(Qt::MiterJoin);
    return pen;
}
}  // namespace

void PictureSurface::Line(double x1, double y1, double x2, double y2, BgrColor c) {
    {
        SurfacePainter p(image_);
        p.setPen(surfacePen(c, DrawWidth));
        p.drawLine(devicePoint(x1, y1), devicePoint(x2, y2));
    }
    CurrentX = x2;
    CurrentY = y2;
}

void PictureSurface::Box(double x1, double y1, double x2, double y2, BgrColor c, bool filled) {
    const QRect r = QRect(devicePoint(x1, y1), devicePoint(x2, y2)).normalized();
    {
        SurfacePainter p(image_);
        if (filled) {
            p.fillRect(r, bgrToQColor(c));
        } else {
            p.setPen(surfacePen(c, DrawWidth));
            p.setBrush(Qt::NoBrush);
            p.drawRect(r.adjusted(0, 0, -1, -1));
        }
    }
    CurrentX = x2;
    CurrentY = y2;
}

void PictureSurface::Circle(double x, double y, double radius, BgrColor c) {
    {
        SurfacePainter p(image_);
        p.setPen(surfacePen(c, DrawWidth));
        p.setBrush(fillBrush());
        const double r = toPx(radius);
        p.drawEllipse(QPointF(toPx(x), toPx(y)), r, r);
    }
    CurrentX = x;
    CurrentY = y;
}

void PictureSurface::PSet(double x, double y, BgrColor c) {
    const QPoint at = devicePoint(x, y);
    const int cx = at.x(), cy = at.y();
    if (DrawWidth <= 1) {
        if (cx >= 0 && cy >= 0 && cx < width_ && cy < height_) image_.setPixel(cx, cy, bgrToQColor(c).rgb());
    } else {
        // A wide pen sets a round dot of its width.
        SurfacePainter p(image_);
        p.setPen(Qt::NoPen);
        p.setBrush(bgrToQColor(c));
        const double r = DrawWidth / 2.0;
        p.drawEllipse(QPointF(cx + 0.5, cy + 0.5), r, r);
    }
    CurrentX = x;
    CurrentY = y;
}

void PictureSurface::Print(const std::string& text) {
    const QFont f = font();
    const QFontMetricsF fm(f, &image_);
    {
        SurfacePainter p(image_);
        p.setFont(f);
        p.setPen(bgrToQColor(ForeColor));
        p.drawText(QPointF(toPx(CurrentX), toPx(CurrentY) + fm.ascent()), QString::fromStdString(text));
    }
    CurrentX = 0.0;
    CurrentY += fromPx(fm.height());
}

double PictureSurface::TextWidth(const std::string& text) const {
    const QFontMetricsF fm(font(), &image_);
    return fromPx(fm.horizontalAdvance(QString::fromStdString(text)));
}

double PictureSurface::TextHeight(const std::string&) const {
    const QFontMetricsF fm(font(), &image_);
    return fromPx(fm.height());
}

void PictureSurface::Polygon(const DevicePoint* points, int count) {
    if (!points || count <= 0) return;
    QPolygon poly;
    poly.reserve(count);
    for (int i = 0; i < count; ++i) poly << QPoint(points[i].X, points[i].Y);
    SurfacePainter p(image_);
    p.setPen(surfacePen(ForeColor, DrawWidth));
    p.setBrush(fillBrush());
    p.drawPolygon(poly, PolyFill == PolyFillMode::Winding ? Qt::WindingFill : Qt::OddEvenFill);
}

void PictureSurface::PolyPolygon(const DevicePoint* points, const std::vector<int>& starts,
                                 const std::vector<int>& counts) {
    if (!points || starts.empty() || starts.size() != counts.size()) return;
    std::vector<QPolygon> rings;
    rings.reserve(starts.size());
    QPainterPath shape;
    shape.setFillRule(PolyFill == PolyFillMode::Winding ? Qt::WindingFill : Qt::OddEvenFill);
    for (std::size_t r = 0; r < starts.size(); ++r) {
        if (counts[r] <= 0) continue;
        QPolygon poly;
        poly.reserve(counts[r]);
        const DevicePoint* p = points + starts[r];
        for (int i = 0; i < counts[r]; ++i) poly << QPoint(p[i].X, p[i].Y);
        shape.addPolygon(QPolygonF(poly));
        shape.closeSubpath();
        rings.push_back(std::move(poly));
    }
    SurfacePainter p(image_);
    if (FillStyleValue != FillStyle::Transparent) {
        p.setPen(Qt::NoPen);
        p.setBrush(fillBrush());
        p.drawPath(shape);
    }
    p.setPen(surfacePen(ForeColor, DrawWidth));
    p.setBrush(Qt::NoBrush);
    for (const QPolygon& ring : rings) p.drawPolygon(ring);
}

BgrColor PictureSurface::Point(int xPx, int yPx) const {
    if (xPx < 0 || yPx < 0 || xPx >= width_ || yPx >= height_) return -1;
    return qColorToBgr(QColor(image_.pixel(xPx, yPx)));
}

// ---------------------------------------------------------------------------

PictureBox::PictureBox(ScaleUnit unit, QWidget* parent) : QWidget(parent), surface_(unit) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    surface_.resize(width(), height());
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), bgrToQColor(surface_.BackColor));
    p.drawImage(0, 0, surface_.image());
}

void PictureBox::resizeEvent(QResizeEvent*) {
    surface_.resize(width(), height());
    emit resized();
}

namespace {
int buttonCode(Qt::MouseButtons b) {
    int code = 0;
    if (b & Qt::LeftButton) code |= 1;
    if (b & Qt::RightButton) code |= 2;
    if (b & Qt::MiddleButton) code |= 4;
    return code;
}
}  // namespace

void PictureBox::mousePressEvent(QMouseEvent* e) {
    emit mouseDown(buttonCode(e->button()), surface_.fromPx(e->position().x()), surface_.fromPx(e->position().y()));
}

void PictureBox::mouseMoveEvent(QMouseEvent* e) {
    emit mouseMove(buttonCode(e->buttons()), surface_.fromPx(e->position().x()), surface_.fromPx(e->position().y()));
}

void PictureBox::mouseReleaseEvent(QMouseEvent* e) {
    emit mouseUp(buttonCode(e->button()), surface_.fromPx(e->position().x()), surface_.fromPx(e->position().y()));
    // A release over the box after a press on it is a click.
    if (rect().contains(e->position().toPoint())) emit clicked();
}
