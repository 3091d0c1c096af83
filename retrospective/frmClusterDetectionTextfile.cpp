#include "retrospective/frmClusterDetectionTextfile.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPixmap>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "map/PointMap.h"
#include "map/modLegend.h"
#include "platform/Convert.h"
#include "platform/Error.h"
#include "platform/Format.h"
#include "retrospective/ClusterReport.h"
#include "retrospective/ClusterRun.h"
#include "retrospective/frmSelectDataFormat.h"
#include "retrospective/frmSigmaChart.h"
#include "ui/Dialogs.h"
#include "ui/LineChart.h"
#include "ui/Pictures.h"
#include "ui/Twips.h"
#include "ui/WindowParts.h"

namespace {

using namespace WindowParts;

constexpr std::int16_t kLegendClasses = 5;
constexpr ListLayout kLayout = ListLayout::Points;

LegendStatistic legendStatisticOf(ClusterTest test) {
    return isScoreTest(test) ? LegendStatistic::Score : LegendStatistic::M;
}

}  // namespace

frmClusterDetectionTextfile::frmClusterDetectionTextfile(AppContext& ctx) : ctx_(ctx) {
    setObjectName("frmClusterDetectionTextfile");
    setWindowTitle("Cluster Detection --- Score and M test");
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    setFixedWidth(twipsToPixels(15450));

    Frame4 = frameBox(this, "Frame4", "Variables", twips(30, 30, 2655, 1425));
    optUnadjusted = option(Frame4, "optUnadjusted", "Unadjusted", twips(270, 300, 2200, 225));
    optAdjusted_Generic = option(Frame4, "optAdjusted_Generic", "Adjusted - Poisson", twips(270, 570, 2200, 225));
    optStandard = option(Frame4, "optStandard", "Freeman-Tukey", twips(270, 840, 2200, 225));
    optRossi = option(Frame4, "optRossi", "Rossi", twips(270, 1110, 2200, 225));
    Frame5 = frameBox(this, "Frame5", "Expression of Variables", twips(2730, 30, 3240, 1425));
    picEquation = control<QLabel>(Frame5, "picEquation", twips(80, 240, 3075, 1100));
    picEquation->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    fraSpatialEffect = frameBox(this, "fraSpatialEffect", "Bandwidth", twips(30, 1500, 2655, 2295));
    optSpatialSingleSigma = option(fraSpatialEffect, "optSpatialSingleSigma", "Single value", twips(240, 300, 2200, 255));
    txtSingleSigma = textBox(fraSpatialEffect, "txtSingleSigma", "1", twips(510, 600, 1290, 315));
    optSpatialSigmaRange = option(fraSpatialEffect, "optSpatialSigmaRange", "A range of values", twips(240, 1000, 2200, 255));
    Label1 = label(fraSpatialEffect, "Label1", "from", twips(240, 1320, 400, 225));
    txtFromSigma = textBox(fraSpatialEffect, "txtFromSigma", "0.2", twips(700, 1290, 840, 285));
    Label2 = label(fraSpatialEffect, "Label2", "to", twips(240, 1640, 400, 225));
    txtToSigma = textBox(fraSpatialEffect, "txtToSigma", "2.0", twips(700, 1610, 840, 285));
    Label3 = label(fraSpatialEffect, "Label3", "by", twips(240, 1960, 400, 225));
    txtStep = textBox(fraSpatialEffect, "txtStep", "0.2", twips(700, 1930, 840, 285));

    fraAlpha = frameBox(this, "fraAlpha", "Alpha", twips(2730, 2700, 3240, 1095));
    cboAlpha = alphaBox(fraAlpha, twips(510, 420, 1425, 315));

    Frame6 = frameBox(this, "Frame6", "", twips(2730, 1500, 3240, 1155));
    cmdLoadData = button(Frame6, "cmdLoadData", "&Load Data", twips(120, 180, 1440, 375));
    cmdRun = button(Frame6, "cmdRun", "&Run", twips(1680, 180, 1440, 375));
    cmdSave = button(Frame6, "cmdSave", "&Save", twips(120, 660, 1440, 375));
    cmdExit = button(Frame6, "cmdExit", "&Exit", twips(1680, 660, 1440, 375));

    // The lists are as wide as their longest lines in the fixed-pitch font
    // (the range rows' rule of 50 and the local rule of 82 characters), with
    // room for a scroll bar. The local list and the chart of a range run take
    // turns in one place below the map: a range run leaves the local list
    // empty, a single run shows no chart.
    Frame2 = frameBox(this, "Frame2", "Global Pattern Summary", twips(30, 3840, 5940, 6045));
    lstGlobalPatternSummary = control<QListWidget>(Frame2, "lstGlobalPatternSummary", twips(60, 240, 5820, 5745));
    Frame1 = frameBox(this, "Frame1", "Local Pattern Summary", twips(6030, 5175, 9390, 4710));
    lstLocalPatternSummary = control<QListWidget>(Frame1, "lstLocalPatternSummary", twips(60, 240, 9270, 4410));

    Frame7 = frameBox(this, "Frame7", "Map Display", twips(6030, 30, 9390, 5100));
    picMapDisplayTools = control<QWidget>(Frame7, "picMapDisplayTools", twips(120, 240, 7260, 330));
    optZoomIn = option(picMapDisplayTools, "optZoomIn", "Zoom In", twips(0, 30, 1350, 270));
    optZoomOut = option(picMapDisplayTools, "optZoomOut", "Zoom Out", twips(1400, 30, 1400, 270));
    optPan = option(picMapDisplayTools, "optPan", "Pan", twips(2850, 30, 1000, 270));
    optFullExtent = option(picMapDisplayTools, "optFullExtent", "Full Extent", twips(3900, 30, 1600, 270));
    optIdentify = option(picMapDisplayTools, "optIdentify", "Identify", twips(5550, 30, 1400, 270));
    picPoint = new PointMap(ctx_.state, ctx_.state.points.clusterMap, Frame7);
    picPoint->setObjectName("picPoint");
    picPoint->setGeometry(twips(120, 660, 5595, 4275));
    picLegend = new PictureBox(ScaleUnit::Twips, Frame7);
    picLegend->setObjectName("picLegend");
    picLegend->setGeometry(twips(5835, 660, 3435, 2250));
    imgM_Legend = control<QLabel>(Frame7, "imgM_Legend", twips(6225, 3000, 2655, 1935));
    imgM_Legend->setScaledContents(true);

    Frame10 = frameBox(this, "Frame10", "Score/M statistics for a range of bandwidth", twips(6030, 5175, 9390, 4710));
    MSChart1 = new LineChart(Frame10);
    MSChart1->setObjectName("MSChart1");
    MSChart1->setGeometry(twips(120, 240, 7380, 3900));
    MSChart1->setSeriesColors({frmSigmaChart::kStatisticColor, frmSigmaChart::kCriticalColor});
    picMLegend = control<QWidget>(Frame10, "picMLegend", twips(7620, 300, 1650, 900));
    Line1 = WindowParts::legendLine(picMLegend, "Line1", frmSigmaChart::kStatisticColor, 4, 14);
    lblStats = label(picMLegend, "lblStats", "M", QRect(32, 6, 60, 18));
    Line2 = WindowParts::legendLine(picMLegend, "Line2", frmSigmaChart::kCriticalColor, 4, 38);
    lblCriticalStats = label(picMLegend, "lblCriticalStats", "M*", QRect(32, 30, 60, 18));
    txtXTitle = textBox(Frame10, "txtXTitle", "Bandwidth(Sigma)", twips(2610, 4200, 2400, 285));
    txtXTitle->setAlignment(Qt::AlignCenter);
    txtXTitle->setFrame(false);
    picEachRegionInfo = control<QWidget>(Frame10, "picEachRegionInfo", twips(7620, 1300, 1650, 900));
    lblEachRegionInfo = label(picEachRegionInfo, "lblEachRegionInfo", "", QRect(0, 0, 100, 60));

    onSignal(cmdLoadData, &QPushButton::clicked, this, [this] { cmdLoadData_Click(); });
    onSignal(cmdRun, &QPushButton::clicked, this, [this] { cmdRun_Click(); });
    onSignal(cmdSave, &QPushButton::clicked, this, [this] { cmdSave_Click(); });
    onSignal(cmdExit, &QPushButton::clicked, this, [this] { cmdExit_Click(); });
    connectOptions(this);
    connectList(this, lstLocalPatternSummary, &frmClusterDetectionTextfile::lstLocalPatternSummary_Click);
    connectList(this, lstGlobalPatternSummary, &frmClusterDetectionTextfile::lstGlobalPatternSummary_Click);
    onSignal(picPoint, &PictureBox::mouseDown, this,
            [this](int b, double x, double y) { picPoint_MouseDown(b, 0, x, y); });
    onSignal(picPoint, &PictureBox::mouseMove, this,
            [this](int b, double x, double y) { picPoint_MouseMove(b, 0, x, y); });
    onSignal(picPoint, &PictureBox::mouseUp, this, [this](int b, double x, double y) { picPoint_MouseUp(b, 0, x, y); });
    onSignal(picPoint, &PictureBox::clicked, this, [this] { picPoint_Click(); });

    Form_Load();
}

void frmClusterDetectionTextfile::Form_Load() {
    move(twipsToPixels(1), twipsToPixels(1));
    setFixedHeight(twipsToPixels(9965));
    selectTest(ClusterTest::Unadjusted);
    selectSingleSigma();
    setAlphaLevels();
    ctx_.state.retro.alpha = 0.05;
    cmdRun->setEnabled(false);
    cmdSave->setEnabled(false);
    showChartGroup(false);
    imgM_Legend->setVisible(false);
    PointMapView& view = ctx_.state.points.clusterMap;
    view = PointMapView{};
    view.pointZoom = PointMap::kStartZoom;
    txtXTitle->setEnabled(false);
    lastRun_ = LastRun{};
}

void frmClusterDetectionTextfile::showChartGroup(bool show) {
    for (QWidget* w : {static_cast<QWidget*>(MSChart1), picEachRegionInfo, picMLegend, static_cast<QWidget*>(txtXTitle)})
        w->setVisible(show);
    // The chart's frame and the local list share their place.
    Frame10->setVisible(show);
    Frame1->setVisible(!show);
}

// ---- Selection from code ----

void frmClusterDetectionTextfile::selectTool(const char* name) {
    for (QRadioButton* o : {optZoomIn, optZoomOut, optPan, optFullExtent, optIdentify})
        if (o->objectName() == name) o->setChecked(true);
}

// ---- Options and buttons ----

void frmClusterDetectionTextfile::showEquation(const char* fileName) {
    Pictures::loadPicture(picEquation, fileName);
    // The formula pictures are drawn for a wide strip; in this taller box
    // they keep their proportions instead of being squeezed to its shape.
    const QPixmap picture = picEquation->pixmap();
    if (!picture.isNull())
        picEquation->setPixmap(picture.scaled(picEquation->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void frmClusterDetectionTextfile::settingsChanged() {
    cmdSave->setEnabled(false);
    lastRun_.valid = false;
}

void frmClusterDetectionTextfile::optUnadjusted_Click() {
    showEquation("unadjusted.jpg");
    settingsChanged();
}
void frmClusterDetectionTextfile::optAdjusted_Generic_Click() {
    showEquation("adjusted.jpg");
    settingsChanged();
}
void frmClusterDetectionTextfile::optStandard_Click() {
    showEquation("standard.jpg");
    settingsChanged();
}
void frmClusterDetectionTextfile::optRossi_Click() {
    showEquation("rossi.jpg");
    settingsChanged();
}
void frmClusterDetectionTextfile::optSpatialSingleSigma_Click() {
    settingsChanged();
    showChartGroup(false);
}
void frmClusterDetectionTextfile::optSpatialSigmaRange_Click() { settingsChanged(); }

void frmClusterDetectionTextfile::cboAlpha_Click() { readAlpha(ctx_.state.retro.alpha); }

void frmClusterDetectionTextfile::cmdLoadData_Click() { ctx_.show<frmSelectDataFormat>(); }

void frmClusterDetectionTextfile::pointDataLoaded() {
    cmdRun->setEnabled(true);
    settingsChanged();
    // What the window shows belongs to the points before: the new points
    // stand plain, without lists, plot or legend, until they are run.
    runStart();
}

void frmClusterDetectionTextfile::cmdExit_Click() { ctx_.unload<frmClusterDetectionTextfile>(); }

void frmClusterDetectionTextfile::closeEvent(QCloseEvent* event) {
    if (!unloaded_) {
        unloaded_ = true;
        // The class map of these points must not be drawn over a polygon
        // study area opened later.
        ctx_.state.shared.retroMapMode = false;
        // Its data-type dialog loads points for this window only; left open
        // it would replace the centroids of a polygon study area opened next.
        ctx_.unload<frmSelectDataFormat>();
    }
    event->accept();
}

// ---- Drawing ----

template <class F>
void frmClusterDetectionTextfile::drawing(F&& f) {
    try {
        f();
    } catch (const AppError& e) {
        dialogs().warning("The point map could not be drawn: " + e.description());
    }
}

void frmClusterDetectionTextfile::DrawPointMap() { picPoint->DrawPointMap(); }

void frmClusterDetectionTextfile::DrawPointResultMap() {
    const AppState& s = ctx_.state;
    if (!lastRun_.valid) return;
    picPoint->DrawPointClassMap(isScoreTest(lastRun_.test) ? s.retro.scoreMapValues : s.retro.mMapValues);
}

void frmClusterDetectionTextfile::DrawPointClassMap(const DoubleArray& values) { picPoint->DrawPointClassMap(values); }

void frmClusterDetectionTextfile::DrawLegend(DoubleArray& values, std::int16_t m) {
    AppState& s = ctx_.state;
    const LegendStatistic statistic = legendStatisticOf(lastRun_.test);
    modLegend::DrawPointLegend(s, picLegend->surface(), values, m, statistic,
                               [&s] { return modLegend::LegendMCritical(s); });
    picLegend->Refresh();
}

void frmClusterDetectionTextfile::HighlightPoint(std::int32_t i) { picPoint->HighlightPoint(i); }

void frmClusterDetectionTextfile::redrawResult() {
    if (!lastRun_.range) {
        DrawPointResultMap();
        return;
    }
    // A range run shades nothing until one of its bandwidths is chosen.
    if (chosenBandwidth() < 0) {
        DrawPointMap();
        return;
    }
    AppState& s = ctx_.state;
    DoubleArray legend = s.retro.mapClassValues;
    DrawLegend(legend, kLegendClasses);
    DrawPointClassMap(s.retro.mapClassValues);
}

int frmClusterDetectionTextfile::chosenBandwidth() const {
    const int k = ClusterLines::bandwidthOfRangeRow(lstGlobalPatternSummary->currentRow());
    return k >= 0 && k < lastRun_.bandwidths ? k : -1;
}

void frmClusterDetectionTextfile::clearLegend() {
    picLegend->surface().Cls();
    picLegend->Refresh();
}

void frmClusterDetectionTextfile::showMLegendFor(ClusterTest test) {
    if (isMTest(test)) {
        imgM_Legend->setVisible(true);
        Pictures::loadPicture(imgM_Legend, "M_Legend.jpg");
    } else {
        imgM_Legend->setVisible(false);
    }
}

// ---- Lists ----

void frmClusterDetectionTextfile::lstGlobalPatternSummary_Click() {
    if (!lastRun_.valid) return;
    AppState& s = ctx_.state;
    const std::int32_t n = lastRun_.n;
    s.retro.mapClassValues.assign(static_cast<std::size_t>(n) + 1, 0.0);
    if (!lastRun_.range) return;
    const int k = chosenBandwidth();
    drawing([&] {
        if (k >= 0) {
            for (std::int32_t i = 1; i <= n; ++i) {
                const double v = s.retro.rangeLocalStats(k, i);
                s.retro.mapClassValues[static_cast<std::size_t>(i)] = v;
            }
            s.shared.sigma = s.retro.rangeSigmas[static_cast<std::size_t>(k)];
            DoubleArray legend = s.retro.mapClassValues;
            DrawLegend(legend, kLegendClasses);
            DrawPointClassMap(s.retro.mapClassValues);
        } else {
            clearLegend();
            DrawPointMap();
        }
    });
    // The M classes' picture goes with a shaded M map.
    if (k >= 0) showMLegendFor(lastRun_.test);
    else imgM_Legend->setVisible(false);
}

void frmClusterDetectionTextfile::lstLocalPatternSummary_Click() {
    if (!lastRun_.valid || lastRun_.range) return;
    const int i = ClusterLines::pointOfLocalRow(lstLocalPatternSummary->currentRow());
    drawing([&] {
        DrawPointResultMap();
        if (i >= 1 && i <= lastRun_.n) HighlightPoint(i);
    });
}

// ---- The run ----

void frmClusterDetectionTextfile::runStart() {
    picPoint->copyPoints();
    picPoint->setToolTip({});
    clearResultLists();
    // No legend, M-class picture or chart of the results before stands
    // beside the plain points.
    showChartGroup(false);
    clearLegend();
    imgM_Legend->setVisible(false);
    drawing([&] { DrawPointMap(); });
}

void frmClusterDetectionTextfile::cmdRun_Click() {
    // A refused bandwidth or level changes nothing: the last run's lists,
    // map, legend, chart, tools and report stay until a run starts.
    runRequested(ctx_.frame(), TooManyBandwidths::SayInvalidRange, ctx_.state.retro.alpha);
}

std::optional<AppState> frmClusterDetectionTextfile::computePointRun(const RunRequest& run,
                                                                     const std::function<void(AppState&)>& compute) {
    // The study area of the points is measured from their pixels on the
    // plain map; they are measured as it would draw them, so that a run
    // that is refused leaves the map, and all else shown, as it was.
    const PointMapInput picture = picPoint->transformInput();
    return computeRun(ctx_.state, [&](AppState& w) {
        w.shared.sigma = run.sigma;
        ClusterRun::checkPointData(w, ClusterRun::measurePoints(w, picture));
        compute(w);
    });
}

void frmClusterDetectionTextfile::runSingle(const RunRequest& run) {
    const ClusterTest test = run.test;
    ClusterRun::SingleResult result;
    std::optional<AppState> work =
        computePointRun(run, [&](AppState& w) { result = ClusterRun::computeSingle(w, test, kLayout); });
    if (!work) return;

    // The run's tools, lists and plain map replace the last run's.
    optIdentify->setEnabled(true);
    runStart();
    showMCriticalNotices(result.lines.mCriticalNotices);
    AppState& s = ctx_.state;
    ClusterRun::commit(s, std::move(*work));
    lstGlobalPatternSummary->addItems(toQt(result.lines.global));
    lstLocalPatternSummary->addItems(toQt(result.lines.local));
    lastRun_ = LastRun{true, test, false, s.area.regionCount, 0};
    drawing([&] {
        DrawLegend(isScoreTest(test) ? s.retro.scoreLegendValues : s.retro.mLegendValues, kLegendClasses);
        DrawPointResultMap();
    });
    s.shared.retroMapMode = true;
    showMLegendFor(test);
    showChartGroup(false);
    cmdSave->setEnabled(true);
}

void frmClusterDetectionTextfile::runRange(const RunRequest& run) {
    const ClusterTest test = run.test;
    const BandwidthRange& b = run.bandwidths;
    ClusterRun::RangeResult result;
    std::optional<AppState> work = computePointRun(run, [&](AppState& w) {
        result = ClusterRun::computeRange(w, test, b.from, b.to, b.step, run.count, kLayout);
    });
    if (!work) return;

    optIdentify->setEnabled(false);
    runStart();
    showMCriticalNotices(result.mCriticalNotices);
    AppState& s = ctx_.state;
    ClusterRun::commit(s, std::move(*work));
    lstGlobalPatternSummary->addItems(toQt(result.globalLines));
    lastRun_ = LastRun{true, test, true, s.area.regionCount, run.count};

    s.shared.retroMapMode = true;
    showChartGroup(true);
    // Laid out once it is shown, with its labels in place: each row's
    // label is the bandwidth its values were computed at.
    MSChart1->setChartType(LineChart::kLineChart2D);
    MSChart1->setChartData(s.retro.chartData, toQt(ClusterLines::rangeChartLabels(s, kLayout)));
    if (isMTest(test)) Pictures::loadPicture(imgM_Legend, "M_Legend.jpg");
    lblStats->setVisible(true);
    lblCriticalStats->setVisible(true);
    lblStats->setText(isScoreTest(test) ? "Chi" : "M");
    lblCriticalStats->setText(isScoreTest(test) ? "Chi*" : "M*");
    cmdSave->setEnabled(true);
}

// ---- Map tools ----

void frmClusterDetectionTextfile::picPoint_MouseDown(int, int, double X, double Y) {
    if (!lastRun_.valid || lstGlobalPatternSummary->count() == 0) return;
    drawing([&] {
        if (optZoomIn->isChecked()) {
            picPoint->zoomBy(PointMap::kZoomStep);
            picPoint->clearMap();
            redrawResult();
        } else if (optZoomOut->isChecked()) {
            picPoint->zoomBy(-PointMap::kZoomStep);
            picPoint->clearMap();
            redrawResult();
        } else if (optPan->isChecked()) {
            picPoint->startPan(X, Y);
        } else if (optFullExtent->isChecked()) {
            picPoint->fullExtent();
            picPoint->clearMap();
            redrawResult();
        } else if (optIdentify->isChecked() && optIdentify->isEnabled() && !lastRun_.range) {
            const std::int32_t nearest = picPoint->nearest(X, Y);
            if (nearest < 1) return;
            redrawResult();
            selectLocalRow(ClusterLines::localRowOfPoint(nearest));
            const auto& c = ctx_.state.area.centroidTable;
            if (static_cast<std::size_t>(nearest) < c.size())
                picPoint->setToolTip(QString::fromStdString(c[static_cast<std::size_t>(nearest)].ID));
        }
    });
}

void frmClusterDetectionTextfile::picPoint_MouseMove(int Button, int, double X, double Y) {
    if (!lastRun_.valid || lstGlobalPatternSummary->count() == 0) return;
    if (!optPan->isChecked() || Button != 1 || !ctx_.state.points.clusterMap.dragStarted) return;
    drawing([&] {
        picPoint->dragTo(X, Y);
        redrawResult();
    });
}

void frmClusterDetectionTextfile::picPoint_MouseUp(int, int, double, double) {
    if (!lastRun_.valid || lstGlobalPatternSummary->count() == 0) return;
    picPoint->endPan();
}

void frmClusterDetectionTextfile::picPoint_Click() {
    PointMapView& view = ctx_.state.points.clusterMap;
    view.dragX = 0.0;
    view.dragY = 0.0;
}

// ---- The report ----

void frmClusterDetectionTextfile::cmdSave_Click() {
    if (!lastRun_.valid) return;
    // The report's M* is computed at the level the box shows, as a run's is.
    const auto level = alphaShown();
    if (!level) return;
    ctx_.state.retro.alpha = *level;
    ClusterReport::save(lastSaveName_, [&] {
        if (lastRun_.range) return ClusterLines::rangeReport(ctx_.state, lastRun_.test, kLayout);
        ReportLines report = ClusterLines::singleReport(ctx_.state, lastRun_.test, kLayout);
        showMCriticalNotices(report.mCriticalNotices);
        return std::move(report.lines);
    });
}
