#pragma once
// The polygon map window: the regions of the opened shapefile on the
// picture picSHP, with the map tools on Toolbar1 (identify, zoom in and
// out, pan, find, region chart, whole extent, bandwidth animation,
// centroids) and the bandwidth slider of a range run. It draws nothing but
// the centroid dots itself: it keeps the zoom and pan state and decides
// what modDrawPolygon redraws and when.
//
// The window's own surface (formSurface, in twips, behind every control)
// carries the class legend in the strip left of picSHP.

#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "context/AppContext.h"
#include "ui/EventPump.h"
#include "ui/PictureSurface.h"

class QAction;
class QActionGroup;
class QLabel;
class QSlider;
class QToolBar;

class frmPolygonSHP : public QWidget {
    Q_OBJECT
public:
    static constexpr WindowKind kind = WindowKind::MdiChild;

    explicit frmPolygonSHP(AppContext& ctx);
    ~frmPolygonSHP() override;

    // ---- Controls (objectNames are the control names) ----
    QToolBar* Toolbar1 = nullptr;
    QActionGroup* toolGroup = nullptr;  // the six tools, one pressed at a time
    PictureBox* picSHP = nullptr;       // the map, in pixels
    PictureBox* formSurface = nullptr;  // the window's own surface, in twips
    QWidget* picLegend = nullptr;       // the cusum legend box
    QLabel* Label1 = nullptr;
    std::array<QLabel*, 5> lblLeg{};
    QLabel* imgM_Legend = nullptr;
    QLabel* lblAni = nullptr;
    QSlider* sliderStatsRange = nullptr;

    // The toolbar button with this key ("ID", "ZoomIn", "ZoomOut", "Pan",
    // "Find", "Graph", "FullExt", "MapAnimation", "Centroid"), or nullptr.
    QAction* button(const std::string& key) const;
    void setButtonEnabled(const std::string& key, bool enabled);
    // Presses (Value 1) or releases (Value 0) a tool button.
    void setButtonPressed(const std::string& key, bool pressed);
    bool isButtonPressed(const std::string& key) const;
    bool isButtonEnabled(const std::string& key) const;

    // Clears the window's own surface (the class legend).
    void Cls();
    // The legend's labels end `labelsEndTwips` from the window's left edge:
    // the map picture moves right of that end when it covered it, giving
    // up that width on its left (its right edge stays). It never moves
    // back left while the window is open, so the map does not jump between
    // legends of other widths.
    void keepLegendUncovered(double labelsEndTwips);
    PictureSurface& surface();

    // Outer size of the window in twips (its frame included).
    double Width() const;
    double Height() const;

    // ---- Handlers ----
    void Form_Load();
    void Form_Resize();
    void Form_Activate();
    void Form_Unload();
    // Button: 1 left, 2 right, 4 middle; positions in pixels of picSHP.
    void picSHP_MouseDown(int Button, int Shift, float X, float Y);
    void picSHP_MouseMove(int Button, int Shift, float X, float Y);
    void picSHP_MouseUp(int Button, int Shift, float X, float Y);
    void picSHP_Click();
    void Toolbar1_ButtonClick(const std::string& key);
    void sliderStatsRange_Scroll();
    void sliderStatsRange_Change();

    // The class map, the cusum period or the plain outlines, by the mode
    // flags; false when memory ran out and the picture shown was kept.
    bool RedrawByMode();

    // Region `record` (0-based) filled yellow over the present picture;
    // false when memory ran out and the picture shown was kept. Asked for
    // during this window's own blink (by Find, or a row of the local
    // list), it is the region left highlighted once the blink has ended, as
    // it would be without the blink.
    bool highlightRegion(std::int32_t record);

    // Moves the bandwidth slider to `row` of the range run; not a change of
    // its value (the map is not shaded again).
    void setSliderRow(int row);
    // Stops the region blink or the bandwidth animation this window runs,
    // and nothing else: the caller, which is replacing or withdrawing what
    // they show, decides what the map shows next.
    void stopWaiting();

    // The status panel text last set by a mouse move over the map.
    const std::string& coordinateText() const noexcept { return coordinateText_; }
    // Whether the window last enabled (activate) or disabled (close) the
    // main frame's attribute-table and centroid entries.
    bool mapMenusEnabled() const noexcept { return mapMenusEnabled_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void placeInTwips(QWidget* w, double left, double top, double width, double height);
    void onMouseUpSignal(int button, double x, double y);
    // Whether this window is still the open map window (a wait's question).
    std::function<bool()> whileOpen();
    // What a click of the pressed tool does (picSHP_MouseDown).
    void useTool(float X, float Y);
    // Whether a region lies under (X, Y), which it then selects; none,
    // after a warning, when memory runs out finding it.
    bool identify(float X, float Y);
    // Blinks the selected region three times, each blink `w` long, and
    // between the blinks draws the outlines when `outlinesBetween`. False
    // when the blink was stopped (whoever stopped it draws what comes next)
    // or this window closed meanwhile.
    bool blinkRegion(const Wait& w, bool outlinesBetween);
    // Once a blink has ended and the map is drawn again: the region that
    // was highlighted during the blink, highlighted again.
    void highlightAgainAfterBlink();
    void animateBandwidths();
    // Bandwidth `row` of the range run on the map, on the slider and in
    // the global list; false, after a "Warning!", when the map could not
    // be drawn (the slider and the list then stay where they were).
    bool showBandwidth(int row);
    void showRangeControls();
    void setStatusText(const std::string& text);
    void setMapMenusEnabled(bool enabled);
    void fillRangeRow(int row);
    // The map redrawn by its mode with the legend strip cleared, unless a
    // class map drew its own legend there; false, with nothing changed,
    // when memory ran out.
    bool redrawCleared();
    // A click of the zoom tools: the steps and the redraw of the map.
    void zoomClick(double step);
    void zoomStep(double step);

    AppContext& ctx_;
    AppState& state_;
    std::string coordinateText_;
    bool sized_ = false;
    bool unloaded_ = false;
    bool mapMenusEnabled_ = false;
    // While the bandwidth animation is on the stack (running or stopped
    // and not yet returned): the bandwidth it shows (-1 before its first).
    bool animating_ = false;
    int animatedRow_ = -1;
    // While this window's blink is on the stack: the region last
    // highlighted by something else than the blink, if any.
    bool blinking_ = false;
    std::optional<std::int32_t> highlightedInBlink_;
    // During a pan drag: the picture the map showed when it began.
    std::optional<PictureSurface> pictureBeforeDrag_;
};
