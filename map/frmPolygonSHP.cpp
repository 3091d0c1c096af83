#include "map/frmPolygonSHP.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QIcon>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPointer>
#include <QScopeGuard>
#include <QSlider>
#include <QToolBar>
#include <cmath>
#include <cstdio>
#include <new>
#include <utility>

#include "map/MapTransform.h"
#include "map/frmInfo.h"
#include "map/modArea.h"
#include "map/modDrawPolygon.h"
#include "map/modFunctions.h"
#include "platform/Format.h"
#include "ui/Dialogs.h"
#include "ui/EventPump.h"
#include "ui/Twips.h"
#include "ui/WindowParts.h"

using WindowParts::onSignal;

namespace {

constexpr double kZoomStep = 0.4;

// The map's waits: the hand-overs the loops count, and their length in the
// program. A region blinks three times, about a sixth of a second each; the
// bandwidth animation shows each bandwidth for about 0.4 s.
constexpr Wait kRegionBlink{0.15};
constexpr Wait kChartBlink{0.15};
constexpr Wait kBandwidthFrame{0.4};
// The window's size as it loads, frame included.
constexpr double kLoadWidthTwips = 8025;
constexpr double kLoadHeightTwips = 5055;
constexpr BgrColor kRed = 0xFF;
// Where the map picture lies as designed, and the room kept between the
// legend's labels and the picture.
constexpr double kPictureLeftTwips = 1980;
constexpr double kPictureTopTwips = 450;
constexpr int kLabelGapPx = 4;

// The toolbar: key, tooltip, whether it is one of the pressed-one-at-a-time
// tools, and a separator before it.
struct ButtonSpec {
    const char* key;
    const char* tip;
    bool tool;
    bool separatorBefore;
};
constexpr ButtonSpec kButtons[] = {
    {"ID", "Identify", true, false},
    {"ZoomIn", "Zoom in", true, false},
    {"ZoomOut", "Zoom out", true, false},
    {"Pan", "Pan", true, false},
    {"Find", "Pinpoint a subregion", true, false},
    {"Graph", "Show cusum in each subregion", true, false},
    {"FullExt", "Whole extent", false, true},
    {"MapAnimation", "Animation", false, false},
    {"Centroid", "Get centroids", false, true},
};

// The nine icons, drawn here rather than loaded from files.
QIcon drawIcon(const std::string& key) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QColor ink(30, 30, 30);
    p.setPen(QPen(ink, 1.4));
    auto magnifier = [&](int sign) {
        p.setBrush(QColor(220, 235, 255));
        p.drawEllipse(QRectF(1.5, 1.5, 9, 9));
        p.setPen(QPen(ink, 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(9.5, 9.5), QPointF(14.5, 14.5));
        p.setPen(QPen(ink, 1.4));
        p.drawLine(QPointF(3.8, 6), QPointF(8.2, 6));
        if (sign > 0) p.drawLine(QPointF(6, 3.8), QPointF(6, 8.2));
    };
    if (key == "ID") {
        p.setBrush(QColor(255, 255, 210));
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        p.setPen(QPen(QColor(0, 70, 160), 2));
        p.drawPoint(QPointF(8, 4.5));
        p.drawLine(QPointF(8, 7), QPointF(8, 12));
    } else if (key == "ZoomIn") {
        magnifier(+1);
    } else if (key == "ZoomOut") {
        magnifier(-1);
    } else if (key == "FullExt") {
        p.setBrush(QColor(170, 215, 170));
        p.drawEllipse(QRectF(2, 2, 12, 12));
        p.drawLine(QPointF(2, 8), QPointF(14, 8));
        p.drawEllipse(QRectF(5, 2, 6, 12));
    } else if (key == "Pan") {
        p.setBrush(ink);
        const QPointF c(8, 8);
        for (int i = 0; i < 4; ++i) {
            p.save();
            p.translate(c);
            p.rotate(90.0 * i);
            QPolygonF head;
            head << QPointF(0, -7) << QPointF(-3, -3.5) << QPointF(3, -3.5);
            p.drawPolygon(head);
            p.drawLine(QPointF(0, -3.5), QPointF(0, 0));
            p.restore();
        }
    } else if (key == "Find") {
        p.setBrush(QColor(230, 60, 60));
        QPainterPath pin;
        pin.moveTo(8, 15);
        pin.cubicTo(2, 8, 3, 1.5, 8, 1.5);
        pin.cubicTo(13, 1.5, 14, 8, 8, 15);
        p.drawPath(pin);
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(6, 4, 4, 4));
    } else if (key == "Graph") {
        p.drawLine(QPointF(2, 1.5), QPointF(2, 14));
        p.drawLine(QPointF(2, 14), QPointF(14.5, 14));
        p.setPen(QPen(QColor(0, 140, 60), 1.6));
        QPolygonF line;
        line << QPointF(3, 12) << QPointF(6, 9) << QPointF(9, 10) << QPointF(14, 3);
        p.drawPolyline(line);
        p.setPen(QPen(QColor(220, 40, 40), 1.0, Qt::DashLine));
        p.drawLine(QPointF(3, 5), QPointF(14.5, 5));
    } else if (key == "MapAnimation") {
        p.setBrush(QColor(90, 90, 200));
        p.drawRect(QRectF(1.5, 3.5, 13, 9));
        p.setBrush(Qt::white);
        QPolygonF play;
        play << QPointF(6, 5.5) << QPointF(11, 8) << QPointF(6, 10.5);
        p.drawPolygon(play);
    } else if (key == "Centroid") {
        p.setBrush(QColor(235, 235, 235));
        QPolygonF region;
        region << QPointF(2, 4) << QPointF(9, 1.5) << QPointF(14.5, 6) << QPointF(12, 14.5) << QPointF(3, 12);
        p.drawPolygon(region);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 0, 0));
        p.drawEllipse(QPointF(8, 8), 2.2, 2.2);
    }
    return QIcon(pm);
}

// The default text form of a single-precision number: up to seven
// significant digits, an exponent for very small or large values, the
// display decimal sign.
std::string singleText(double value) {
    const float f = static_cast<float>(value);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.7G", static_cast<double>(f));
    std::string s = buf;
    if (s == "-0") s = "0";
    const char sign = displayDecimalSign();
    for (char& c : s)
        if (c == '.') c = sign;
    return s;
}

}  // namespace

frmPolygonSHP::frmPolygonSHP(AppContext& ctx) : ctx_(ctx), state_(ctx.state) {
    buildControls();
    Form_Load();
}

frmPolygonSHP::~frmPolygonSHP() = default;

void frmPolygonSHP::placeInTwips(QWidget* w, double left, double top, double width, double height) {
    w->setGeometry(twipsRect(left, top, width, height));
}

void frmPolygonSHP::buildControls() {
    setObjectName("frmPolygonSHP");

    // The window's own surface lies behind every other control.
    formSurface = new PictureBox(ScaleUnit::Twips, this);
    formSurface->setObjectName("frmPolygonSHP_surface");
    formSurface->surface().BackColor = qColorToBgr(palette().color(QPalette::Window));
    formSurface->surface().Cls();
    formSurface->lower();

    Toolbar1 = new QToolBar(this);
    Toolbar1->setObjectName("Toolbar1");
    Toolbar1->setIconSize(QSize(16, 16));
    Toolbar1->setMovable(false);
    toolGroup = new QActionGroup(this);
    toolGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (const ButtonSpec& b : kButtons) {
        if (b.separatorBefore) Toolbar1->addSeparator();
        QAction* a = Toolbar1->addAction(drawIcon(b.key), QString::fromUtf8(b.tip));
        a->setObjectName(b.key);
        a->setToolTip(QString::fromUtf8(b.tip));
        const std::string key = b.key;
        if (b.tool) {
            a->setCheckable(true);
            toolGroup->addAction(a);
            // A pressed tool stays pressed when it is clicked again.
            onSignal(a, &QAction::triggered, this, [this, a, key](bool checked) {
                if (!checked) a->setChecked(true);
                Toolbar1_ButtonClick(key);
            });
        } else {
            onSignal(a, &QAction::triggered, this, [this, key] { Toolbar1_ButtonClick(key); });
        }
    }

    picSHP = new PictureBox(ScaleUnit::Pixels, this);
    picSHP->setObjectName("picSHP");
    placeInTwips(picSHP, kPictureLeftTwips, kPictureTopTwips, 5925, 4305);
    onSignal(picSHP, &PictureBox::mouseDown, this,
            [this](int b, double x, double y) { picSHP_MouseDown(b, 0, static_cast<float>(x), static_cast<float>(y)); });
    onSignal(picSHP, &PictureBox::mouseMove, this,
            [this](int b, double x, double y) { picSHP_MouseMove(b, 0, static_cast<float>(x), static_cast<float>(y)); });
    onSignal(picSHP, &PictureBox::mouseUp, this, [this](int b, double x, double y) { onMouseUpSignal(b, x, y); });
    onSignal(picSHP, &PictureBox::clicked, this, [this] { picSHP_Click(); });

    picLegend = new QWidget(this);
    picLegend->setObjectName("picLegend");
    picLegend->setAutoFillBackground(true);
    placeInTwips(picLegend, 240, 870, 1455, 2625);
    Label1 = new QLabel(QStringLiteral("Cusum / h"), picLegend);
    Label1->setObjectName("Label1");
    Label1->setGeometry(twipsToPixels(120), twipsToPixels(120), twipsToPixels(1215), twipsToPixels(300));
    for (std::size_t i = 0; i < lblLeg.size(); ++i) {
        QLabel* l = new QLabel(picLegend);
        l->setObjectName(QStringLiteral("lblLeg_%1").arg(i));
        l->setAlignment(Qt::AlignCenter);
        l->setGeometry(twipsToPixels(120), twipsToPixels(540 + 390.0 * static_cast<double>(i)), twipsToPixels(1215),
                       twipsToPixels(345));
        lblLeg[i] = l;
    }
    modFunctions::SetCusumLegendLabels(lblLeg);

    imgM_Legend = new QLabel(this);
    imgM_Legend->setObjectName("imgM_Legend");
    imgM_Legend->setScaledContents(true);
    placeInTwips(imgM_Legend, 60, 2700, 1875, 990);
    imgM_Legend->hide();

    lblAni = new QLabel(QStringLiteral("Animating Maps"), this);
    lblAni->setObjectName("lblAni");
    placeInTwips(lblAni, 60, 3750, 1875, 255);

    sliderStatsRange = new QSlider(Qt::Horizontal, this);
    sliderStatsRange->setObjectName("sliderStatsRange");
    sliderStatsRange->setTracking(false);
    sliderStatsRange->setRange(0, 0);
    placeInTwips(sliderStatsRange, 60, 4020, 1875, 375);
    onSignal(sliderStatsRange, &QSlider::sliderMoved, this, [this](int) { sliderStatsRange_Scroll(); });
    onSignal(sliderStatsRange, &QSlider::valueChanged, this, [this](int) { sliderStatsRange_Change(); });
}

// ---- Toolbar buttons ----

QAction* frmPolygonSHP::button(const std::string& key) const {
    for (QAction* a : Toolbar1->actions())
        if (a->objectName().toStdString() == key) return a;
    return nullptr;
}

void frmPolygonSHP::setButtonEnabled(const std::string& key, bool enabled) {
    if (QAction* a = button(key)) a->setEnabled(enabled);
}

void frmPolygonSHP::setButtonPressed(const std::string& key, bool pressed) {
    if (QAction* a = button(key); a && a->isCheckable()) a->setChecked(pressed);
}

bool frmPolygonSHP::isButtonPressed(const std::string& key) const {
    QAction* a = button(key);
    return a && a->isCheckable() && a->isChecked();
}

bool frmPolygonSHP::isButtonEnabled(const std::string& key) const {
    QAction* a = button(key);
    return a && a->isEnabled();
}

// ---- The window's surface and size ----

void frmPolygonSHP::Cls() { formSurface->surface().Cls(); formSurface->Refresh(); }

void frmPolygonSHP::keepLegendUncovered(double labelsEndTwips) {
    const int needed = static_cast<int>(std::ceil(labelsEndTwips / kTwipsPerPixel)) + kLabelGapPx;
    QRect g = picSHP->geometry();
    if (needed <= g.left()) return;
    g.setLeft(std::min(needed, g.right()));
    picSHP->setGeometry(g);
}

PictureSurface& frmPolygonSHP::surface() { return formSurface->surface(); }

double frmPolygonSHP::Width() const { return pixelsToTwips(AppContext::topOf(const_cast<frmPolygonSHP*>(this))->width()); }
double frmPolygonSHP::Height() const { return pixelsToTwips(AppContext::topOf(const_cast<frmPolygonSHP*>(this))->height()); }

// ---- Window events ----

void frmPolygonSHP::Form_Load() {
    resize(twipsToPixels(kLoadWidthTwips), twipsToPixels(kLoadHeightTwips));
    setButtonEnabled("Find", false);
    setButtonEnabled("Graph", false);
    setButtonEnabled("MapAnimation", false);
    move(0, 0);
    sliderStatsRange->hide();
    picLegend->hide();
    lblAni->hide();
    setWindowTitle(QString::fromStdString(state_.area.mapWindowTitle));
}

void frmPolygonSHP::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (sized_) return;
    sized_ = true;
    // Height and width are those of the whole window, frame included.
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        sub->resize(twipsToPixels(kLoadWidthTwips), twipsToPixels(kLoadHeightTwips));
        sub->move(0, 0);
        if (QMdiArea* area = sub->mdiArea()) {
            onSignal(area, &QMdiArea::subWindowActivated, this, [this, sub](QMdiSubWindow* w) {
                if (w == sub && !unloaded_) Form_Activate();
            });
            // A window shown by a drawing (a Run that reopens the map) is
            // made the active one as it appears, before this hook is there:
            // that activation counts as much as a click on the window.
            if (area->activeSubWindow() == sub && !unloaded_) Form_Activate();
        }
    }
}

void frmPolygonSHP::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    formSurface->setGeometry(rect());
    Toolbar1->setGeometry(0, 0, width(), twipsToPixels(450) - 2);
    Form_Resize();
}

void frmPolygonSHP::Form_Resize() {
    if (unloaded_) return;
    const double h = Height();
    const double w = Width();
    QRect g = picSHP->geometry();
    if (h > 700) g.setHeight(twipsToPixels(h - 700));
    // The right edge stays where it was designed, wherever a wide legend
    // moved the left one.
    const int movedBy = g.left() - twipsToPixels(kPictureLeftTwips);
    if (w > 2150) g.setWidth(std::max(1, twipsToPixels(w - 2100) - movedBy));
    picSHP->setGeometry(g);
    modDrawPolygon::RedrawShapefile(ctx_);
    RedrawByMode();
}

bool frmPolygonSHP::event(QEvent* e) {
    // A window outside a main frame (as in some tests) activates itself.
    if (e->type() == QEvent::WindowActivate && !qobject_cast<QMdiSubWindow*>(parentWidget()) && !unloaded_)
        Form_Activate();
    return QWidget::event(e);
}

void frmPolygonSHP::Form_Activate() {
    setMapMenusEnabled(true);
    if (state_.shared.retroMapMode) modDrawPolygon::ShowClassMap(ctx_, state_.retro.mapClassValues);
}

void frmPolygonSHP::closeEvent(QCloseEvent* event) {
    if (!unloaded_) {
        unloaded_ = true;
        // A blink or animation of this map ends with it.
        WaitingAction::stop(this);
        Form_Unload();
    }
    event->accept();
}

void frmPolygonSHP::Form_Unload() { setMapMenusEnabled(false); }

// ---- Redrawing ----

bool frmPolygonSHP::RedrawByMode() {
    if (state_.shared.retroMapMode) return modDrawPolygon::ShowClassMap(ctx_, state_.retro.mapClassValues);
    if (state_.shared.cusumMapMode) return modDrawPolygon::DrawCusumMap(ctx_, state_.shared.currentPeriod);
    return modDrawPolygon::RedrawShapefile(ctx_);
}

bool frmPolygonSHP::redrawCleared() {
    if (!RedrawByMode()) return false;
    // A class map has just drawn its own legend in the strip.
    if (!state_.shared.retroMapMode) Cls();
    return true;
}

std::function<bool()> frmPolygonSHP::whileOpen() {
    QPointer<frmPolygonSHP> self(this);
    AppContext& ctx = ctx_;
    return [self, &ctx] { return self && !self->unloaded_ && ctx.find<frmPolygonSHP>() == self.data(); };
}

bool frmPolygonSHP::blinkRegion(const Wait& w, bool outlinesBetween) {
    QPointer<frmPolygonSHP> self(this);
    // A tool clicked meanwhile picks another region; this blink stays on its own.
    const std::int32_t region = state_.shared.selectedRegion;
    WaitingAction blink(this, whileOpen());
    blinking_ = true;
    highlightedInBlink_.reset();
    const auto blinkOver = qScopeGuard([self] {
        if (self) self->blinking_ = false;
    });
    for (int i = 0; i < 3; ++i) {
        modDrawPolygon::HighlightRegion(ctx_, region);
        if (!blink.wait(w) || !self) return false;
        if (outlinesBetween) modDrawPolygon::RedrawShapefile(ctx_);
    }
    return true;
}

void frmPolygonSHP::highlightAgainAfterBlink() {
    if (!highlightedInBlink_) return;
    const std::int32_t region = *highlightedInBlink_;
    highlightedInBlink_.reset();
    modDrawPolygon::HighlightRegion(ctx_, region);
}

bool frmPolygonSHP::highlightRegion(std::int32_t record) {
    if (blinking_) highlightedInBlink_ = record;
    return modDrawPolygon::HighlightRegion(ctx_, record);
}

void frmPolygonSHP::stopWaiting() { WaitingAction::stop(this); }

// ---- The map's mouse ----

void frmPolygonSHP::picSHP_MouseDown(int, int, float X, float Y) { useTool(X, Y); }

void frmPolygonSHP::useTool(float X, float Y) {
    // While a blink or an animation runs, the tools that pick a region
    // still show what they find (the region's information, its chart, its
    // row), but they leave the map to the wait that draws on it and start
    // no blink of their own, which would run inside that wait.
    //
    // A map that cannot be drawn for want of memory, when the tool starts
    // by drawing it, ends the click there: the drawing has said so, and
    // what the tool would show next needs that memory too.
    const bool waiting = WaitingAction::busy();
    if (isButtonPressed("ID")) {
        if (!waiting) {
            if (!modDrawPolygon::RedrawShapefile(ctx_)) return;
            // The legend strip goes with the class map it explains.
            Cls();
        }
        // During a wait an identify only looks a region up: the region the
        // wait is about (the one it blinks, the flashed region its chart
        // follows) stays the one selected, so that when the wait ends its
        // list row, its chart and the map's selection still agree.
        // (Put back however the look-up ends, a step stopped in it too.)
        const std::int32_t selectedBefore = state_.shared.selectedRegion;
        const auto keepSelection = qScopeGuard([this, waiting, selectedBefore] {
            if (waiting) state_.shared.selectedRegion = selectedBefore;
        });
        if (!identify(X, Y)) {
            // A click outside every region identifies nothing.
            if (!waiting) RedrawByMode();
            return;
        }
        ctx_.show<frmInfo>();
        modFunctions::ShowRegionInfo(ctx_);
        if (waiting) return;
        if (!blinkRegion(kRegionBlink, false)) return;
        // A region found meanwhile stays highlighted, as a Find leaves it.
        if (redrawCleared()) highlightAgainAfterBlink();
        if (ctx_.isOpen<frmInfo>()) ctx_.show<frmInfo>();
    } else if (isButtonPressed("Find")) {
        if (!identify(X, Y)) return;
        emit ctx_.mapHub().regionFound(state_.shared.selectedRegion);
        if (unloaded_) return;
        highlightRegion(state_.shared.selectedRegion);
    } else if (isButtonPressed("Graph")) {
        if (!waiting && !modDrawPolygon::RedrawShapefile(ctx_)) return;
        if (!identify(X, Y)) {
            if (!waiting) modDrawPolygon::DrawCusumMap(ctx_, state_.shared.currentPeriod);
            return;
        }
        emit ctx_.mapHub().regionCharted(state_.shared.selectedRegion);
        if (unloaded_ || waiting) return;
        if (!blinkRegion(kChartBlink, true)) return;
        modDrawPolygon::DrawCusumMap(ctx_, state_.shared.currentPeriod);
    } else if (isButtonPressed("ZoomIn")) {
        zoomClick(+kZoomStep);
    } else if (isButtonPressed("ZoomOut")) {
        zoomClick(-kZoomStep);
    } else if (isButtonPressed("Pan")) {
        state_.view.panDragging = true;
        state_.view.panStartX = X;
        state_.view.panStartY = Y;
        RedrawByMode();
        // The drag draws outlines that follow the pointer; a release that
        // cannot draw the map drops the pan and puts this picture back.
        pictureBeforeDrag_ = picSHP->surface();
    }
}

bool frmPolygonSHP::identify(float X, float Y) {
    float x = X, y = Y;
    try {
        return modFunctions::IdentifyRegion(state_, x, y);
    } catch (const std::bad_alloc&) {
        state_.shared.selectedRegion = 0;
        dialogs().warning("There is not enough memory left to find the region at this point of the map of " +
                          state_.area.shpPath + ".");
        return false;
    }
}

void frmPolygonSHP::zoomClick(double step) {
    // Memory running out on either drawing leaves the picture, the legend
    // and the zoom as they were.
    const MapViewState view = state_.view;
    const PictureSurface shown = picSHP->surface();
    zoomStep(step);
    // Zooming out first draws the outlines at the full extent.
    bool drawn = step >= 0 || modDrawPolygon::DrawShapefile(ctx_);
    if (drawn && state_.shared.retroMapMode) {
        drawn = modDrawPolygon::ShowClassMap(ctx_, state_.retro.mapClassValues);
    } else if (drawn) {
        // The outline and cusum maps move by a second step.
        zoomStep(step);
        drawn = redrawCleared();
    }
    if (drawn) return;
    state_.view = view;
    picSHP->surface() = shown;
    picSHP->Refresh();
}

void frmPolygonSHP::zoomStep(double step) {
    // The zoom stays above 0: a step that would reach 0 or below would
    // mirror or collapse the map, and is left out.
    if (state_.view.mapZoom + step > 0.0) state_.view.mapZoom += step;
}

void frmPolygonSHP::picSHP_MouseMove(int, int, float X, float Y) {
    if (isButtonPressed("Pan") && state_.view.panDragging) {
        state_.view.panDragX = static_cast<double>(X) - static_cast<double>(state_.view.panStartX);
        state_.view.panDragY = static_cast<double>(Y) - static_cast<double>(state_.view.panStartY);
        modDrawPolygon::RedrawShapefile(ctx_);
    }
    if (!state_.view.mapTransformValid) return;  // no map drawn: no coordinates to show
    const MapPoint m = deviceToMap(state_.view.transform, 0.0, 0.0, X, Y);
    setStatusText("(X: " + singleText(m.X) + ", Y: " + singleText(m.Y) + ")");
}

void frmPolygonSHP::picSHP_MouseUp(int, int, float X, float Y) {
    // The drag joins the shift before the redraw, so that the transform the
    // redraw stores is the one the picture shows: Find, ID and the
    // coordinates read that transform.
    const MapViewState view = state_.view;
    const std::optional<PictureSurface> beforeDrag = std::exchange(pictureBeforeDrag_, std::nullopt);
    state_.view.panDragging = false;
    state_.view.panShiftX += state_.view.panDragX;
    state_.view.panShiftY += state_.view.panDragY;
    state_.view.panDragX = 0;
    state_.view.panDragY = 0;
    if (isButtonPressed("Pan")) {
        state_.view.panStartX = X;
        state_.view.panStartY = Y;
        if (RedrawByMode()) return;
        // Not drawn for want of memory: the pan is dropped, and the picture
        // of before the drag is shown again, so that what the pointer is
        // over is what Find, ID and the coordinates read.
        state_.view = view;
        state_.view.panDragging = false;
        state_.view.panDragX = 0;
        state_.view.panDragY = 0;
        if (beforeDrag) {
            picSHP->surface() = *beforeDrag;
            picSHP->Refresh();
        }
    }
}

void frmPolygonSHP::picSHP_Click() {
    state_.view.panDragX = 0;
    state_.view.panDragY = 0;
}

void frmPolygonSHP::onMouseUpSignal(int button, double x, double y) {
    picSHP_MouseUp(button, 0, static_cast<float>(x), static_cast<float>(y));
    // A release outside the map is no click, but the drag it ends is
    // already folded into the shift: it must not count a second time.
    if (!picSHP->rect().contains(QPoint(static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y))))) {
        state_.view.panDragX = 0;
        state_.view.panDragY = 0;
    }
}

// ---- Toolbar ----

void frmPolygonSHP::Toolbar1_ButtonClick(const std::string& key) {
    if (key == "FullExt") {
        const MapViewState view = state_.view;
        state_.view.mapZoom = 1.0;
        state_.view.panShiftX = 0;
        state_.view.panShiftY = 0;
        if (!redrawCleared()) state_.view = view;
    } else if (key == "Centroid") {
        // No dots over a picture that could not be drawn.
        if (!modDrawPolygon::RedrawShapefile(ctx_)) return;
        try {
            modFunctions::CalcPolygonArea(state_);
            modFunctions::CalcPolygonCentroid(state_);
        } catch (const AppError& e) {
            dialogs().warning("The centroids cannot be computed: " + e.description());
            return;
        }
        if (!state_.view.mapTransformValid) return;
        PictureSurface& pic = picSHP->surface();
        pic.DrawWidth = 3;
        const MapTransform t = state_.view.transform;
        const auto n = static_cast<std::size_t>(std::max(0, state_.area.regionCount));
        for (std::size_t i = 1; i <= n && i < state_.area.centroidTable.size(); ++i) {
            const MapPoint d = mapToDeviceExact(t, state_.view.panDragX, state_.view.panDragY, state_.area.centroidTable[i].X,
                                                state_.area.centroidTable[i].Y);
            pic.PSet(d.X, d.Y, kRed);
        }
        picSHP->Refresh();
    } else if (key == "MapAnimation") {
        if (!animating_) {
            animateBandwidths();
        } else if (WaitingAction::stop(this)) {
            // A second click stops the animation on the bandwidth it shows
            // (the first when none was shown yet): the map, the slider and
            // the global list agree on it.
            showBandwidth(std::max(0, animatedRow_));
            showRangeControls();
        }
    }
}

// ---- Bandwidth animation ----

void frmPolygonSHP::animateBandwidths() {
    // The range tables of a study area opened before have nothing to show here.
    if (!retroResultsCurrent(state_)) return;
    QPointer<frmPolygonSHP> self(this);
    const std::function<bool()> open = whileOpen();
    WaitingAction animation(this, open);
    if (!animation.started()) return;  // a blink runs
    // Set as long as the animation is on the stack, however it ends.
    animating_ = true;
    const auto done = qScopeGuard([self] {
        if (self) self->animating_ = false;
    });
    const int k = state_.retro.bandwidthCount;
    {
        // The slider follows the frames; its range must not count as a change.
        const QSignalBlocker block(sliderStatsRange);
        sliderStatsRange->setMaximum(std::max(0, k - 1));
    }
    animatedRow_ = -1;
    for (int j = 0; j < k; ++j) {
        // Stopped: whoever stopped it has shown what comes next. Until the
        // frame is over, the map, the slider and the list show the
        // bandwidth before, and a redraw meanwhile draws that one.
        if (!animation.wait(kBandwidthFrame) || !open()) return;
        animatedRow_ = j;
        const bool drawn = showBandwidth(j);
        if (!open()) return;
        // A frame that cannot be drawn ends the animation there.
        if (!drawn) break;
    }
    showRangeControls();
}

bool frmPolygonSHP::showBandwidth(int row) {
    // The values of the bandwidth shown, for when this one cannot be drawn.
    DoubleArray shown = state_.retro.mapClassValues;
    fillRangeRow(row);
    try {
        if (!modDrawPolygon::ShowClassMap(ctx_, state_.retro.mapClassValues)) {
            state_.retro.mapClassValues = std::move(shown);
            return false;
        }
    } catch (const AppError& e) {
        state_.retro.mapClassValues = std::move(shown);
        dialogs().warning("The map could not be drawn: " + e.description());
        return false;
    }
    setSliderRow(row);
    emit ctx_.mapHub().rangeRowChosen(row);
    return true;
}

void frmPolygonSHP::setSliderRow(int row) {
    const QSignalBlocker block(sliderStatsRange);
    sliderStatsRange->setValue(row);
}

void frmPolygonSHP::showRangeControls() {
    sliderStatsRange->show();
    lblAni->show();
}

// ---- Bandwidth slider ----

void frmPolygonSHP::fillRangeRow(int row) {
    const auto n = static_cast<std::size_t>(std::max(0, state_.area.regionCount));
    if (state_.retro.mapClassValues.size() < n + 1) state_.retro.mapClassValues.resize(n + 1, 0.0);
    const Matrix& stats = state_.retro.rangeLocalStats;
    for (std::size_t i = 1; i <= n; ++i) {
        const bool inside = row >= 0 && row < stats.rows() && static_cast<Eigen::Index>(i) < stats.cols();
        const double v = inside ? stats(row, static_cast<Eigen::Index>(i)) : 0.0;
        state_.retro.mapClassValues[i] = v;
    }
}

void frmPolygonSHP::sliderStatsRange_Scroll() {
    // While the slider is dragged its value lags behind the knob.
    const int v = sliderStatsRange->isSliderDown() ? sliderStatsRange->sliderPosition() : sliderStatsRange->value();
    const double sigma = v >= 0 && static_cast<std::size_t>(v) < state_.retro.rangeSigmas.size()
                             ? state_.retro.rangeSigmas[static_cast<std::size_t>(v)]
                             : 0.0;
    sliderStatsRange->setToolTip(QString::fromStdString("Bandwidth=" + formatMaskDisplay(sigma, "0.000")));
}

void frmPolygonSHP::sliderStatsRange_Change() {
    if (!retroResultsCurrent(state_)) return;
    showBandwidth(sliderStatsRange->value());
}

// ---- Other windows ----

void frmPolygonSHP::setStatusText(const std::string& text) {
    coordinateText_ = text;
    emit ctx_.mapHub().coordinatesChanged(text);
}

void frmPolygonSHP::setMapMenusEnabled(bool enabled) {
    mapMenusEnabled_ = enabled;
    if (enabled)
        emit ctx_.mapHub().mapActivated();
    else
        emit ctx_.mapHub().mapClosed();
}
