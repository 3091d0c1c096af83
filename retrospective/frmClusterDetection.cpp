#include "retrospective/frmClusterDetection.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "platform/Error.h"
#include "platform/Format.h"
#include "retrospective/ClusterMapLink.h"
#include "retrospective/ClusterReport.h"
#include "retrospective/ClusterRun.h"
#include "retrospective/frmParameter.h"
#include "retrospective/frmSigmaChart.h"
#include "stats/AppState.h"
#include "ui/Dialogs.h"
#include "ui/LineChart.h"
#include "ui/Pictures.h"
#include "ui/Twips.h"
#include "ui/WindowParts.h"

using namespace WindowParts;

frmClusterDetection::frmClusterDetection(AppContext& ctx) : ctx_(ctx) {
    setObjectName("frmClusterDetection");
    setWindowTitle("Cluster Detection --- Score and M Statistic");
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    setFixedSize(twipsToPixels(7230), twipsToPixels(9495));

    Frame1 = frameBox(this, "Frame1", "Local Pattern Summary", twips(30, 30, 7185, 4575));
    lstLocalPatternSummary = control<QListWidget>(Frame1, "lstLocalPatternSummary", twips(90, 240, 7005, 4245));
    Frame4 = frameBox(this, "Frame4", "Variables", twips(30, 4620, 2015, 1425));
    optUnadjusted = option(Frame4, "optUnadjusted", "Unadjusted", twips(270, 300, 1215, 225));
    optAdjusted_Generic = option(Frame4, "optAdjusted_Generic", "Adjusted - Poisson", twips(270, 570, 1605, 225));
    optStandard = option(Frame4, "optStandard", "Freeman-Tukey", twips(270, 840, 1485, 225));
    optRossi = option(Frame4, "optRossi", "Rossi", twips(270, 1110, 735, 225));
    Frame5 = frameBox(this, "Frame5", "Expression of Variables", twips(2050, 4620, 5165, 855));
    picEquation = control<QLabel>(Frame5, "picEquation", twips(80, 240, 5000, 525));
    Frame6 = frameBox(this, "Frame6", "", twips(2050, 5400, 5155, 645));
    cmdRun = button(Frame6, "cmdRun", "&Run", twips(90, 170, 1185, 375));
    cmdSave = button(Frame6, "cmdSave", "&Save", twips(1350, 170, 1185, 375));
    cmdDataReset = button(Frame6, "cmdDataReset", "&Reset Data", twips(2610, 165, 1185, 375));
    cmdExit = button(Frame6, "cmdExit", "&Exit", twips(3870, 170, 1185, 375));
    fraSpatialEffect = frameBox(this, "fraSpatialEffect", "Bandwidth", twips(30, 6060, 2015, 2745));
    optSpatialSingleSigma = option(fraSpatialEffect, "optSpatialSingleSigma", "Single value", twips(240, 360, 1200, 255));
    Frame3 = frameBox(fraSpatialEffect, "Frame3", "", twips(510, 570, 1425, 540));
    txtSingleSigma = textBox(Frame3, "txtSingleSigma", "1", twips(75, 150, 1290, 315));
    optSpatialSigmaRange = option(fraSpatialEffect, "optSpatialSigmaRange", "A range of values", twips(240, 1290, 1605, 255));
    fra = frameBox(fraSpatialEffect, "fra", "", twips(510, 1500, 1425, 1155));
    Label1 = label(fra, "Label1", "from", twips(120, 150, 345, 225));
    txtFromSigma = textBox(fra, "txtFromSigma", "0.2", twips(510, 150, 840, 285));
    Label2 = label(fra, "Label2", "to", twips(270, 480, 165, 225));
    txtToSigma = textBox(fra, "txtToSigma", "2.0", twips(510, 480, 840, 285));
    Label3 = label(fra, "Label3", "by", twips(240, 810, 195, 225));
    txtStep = textBox(fra, "txtStep", "0.2", twips(510, 810, 840, 285));
    Frame2 = frameBox(this, "Frame2", "Global Pattern Summary", twips(2060, 6060, 5155, 3405));
    lstGlobalPatternSummary = control<QListWidget>(Frame2, "lstGlobalPatternSummary", twips(90, 240, 4970, 3075));
    fraAlpha = frameBox(this, "fraAlpha", "Alpha", twips(30, 8820, 2015, 645));
    cboAlpha = alphaBox(fraAlpha, twips(510, 240, 1425, 315));
    picEquation->setScaledContents(true);

    onSignal(cmdRun, &QPushButton::clicked, this, [this] { cmdRun_Click(); });
    onSignal(cmdSave, &QPushButton::clicked, this, [this] { cmdSave_Click(); });
    onSignal(cmdDataReset, &QPushButton::clicked, this, [this] { cmdDataReset_Click(); });
    onSignal(cmdExit, &QPushButton::clicked, this, [this] { cmdExit_Click(); });
    connectOptions(this);
    connectList(this, lstLocalPatternSummary, &frmClusterDetection::lstLocalPatternSummary_Click);
    connectList(this, lstGlobalPatternSummary, &frmClusterDetection::lstGlobalPatternSummary_Click);
    connectMap();

    Form_Load();
}

void frmClusterDetection::connectMap() {
    // What the map's tools pick, this window shows in its lists; a window
    // that is closing but not yet gone no longer answers.
    MapHub& hub = ctx_.mapHub();
    onSignal(&hub, &MapHub::regionFound, this, [this](int region) {
        if (ctx_.find<frmClusterDetection>() == this) selectLocalRow(ClusterLines::localRowOfRegion(region));
    });
    onSignal(&hub, &MapHub::rangeRowChosen, this, [this](int index) {
        if (ctx_.find<frmClusterDetection>() == this) selectGlobalRow(ClusterLines::rangeRowOfBandwidth(index));
    });
    // The results shown belong to the study area before.
    onSignal(&hub, &MapHub::studyAreaOpened, this, [this] {
        if (ctx_.find<frmClusterDetection>() == this) countsReplaced();
    });
    // The map's legend follows the chosen test.
    for (QRadioButton* o : {optUnadjusted, optAdjusted_Generic, optStandard, optRossi})
        onSignal(o, &QRadioButton::toggled, this, [this] { ctx_.state.legend.legendStatistic = legendStatistic(); });
}

LegendStatistic frmClusterDetection::legendStatistic() const {
    if (optStandard->isChecked() || optRossi->isChecked()) return LegendStatistic::M;
    if (optUnadjusted->isChecked() || optAdjusted_Generic->isChecked()) return LegendStatistic::Score;
    return LegendStatistic::None;
}

void frmClusterDetection::Form_Load() {
    move(twipsToPixels(8000), twipsToPixels(1));
    selectTest(ClusterTest::Unadjusted);
    selectSingleSigma();
    ctx_.state.retro.alpha = 0.05;
    cmdSave->setEnabled(false);
}

// ---- Options ----

void frmClusterDetection::showEquation(const char* fileName) { Pictures::loadPicture(picEquation, fileName); }

void frmClusterDetection::optUnadjusted_Click() {
    showEquation("unadjusted.jpg");
    cmdSave->setEnabled(false);
}

void frmClusterDetection::optAdjusted_Generic_Click() {
    showEquation("adjusted.jpg");
    cmdSave->setEnabled(false);
}

void frmClusterDetection::optStandard_Click() {
    showEquation("standard.jpg");
    cmdSave->setEnabled(false);
}

void frmClusterDetection::optRossi_Click() {
    showEquation("rossi.jpg");
    cmdSave->setEnabled(false);
}

void frmClusterDetection::optSpatialSigmaRange_Click() { cmdSave->setEnabled(false); }

void frmClusterDetection::optSpatialSingleSigma_Click() {
    cmdSave->setEnabled(false);
    ctx_.unload<frmSigmaChart>();
}

void frmClusterDetection::cboAlpha_Click() { readAlpha(ctx_.state.retro.alpha); }

// ---- Buttons ----

void frmClusterDetection::cmdDataReset_Click() { ctx_.show<frmParameter>(); }

void frmClusterDetection::cmdExit_Click() {
    AppContext& ctx = ctx_;
    ctx.unload<frmClusterDetection>();
    ClusterMapLink::closeMapWindow(ctx);
}

void frmClusterDetection::closeEvent(QCloseEvent* event) {
    if (!unloaded_) {
        unloaded_ = true;
        Form_Unload();
        ctx_.state.legend.legendStatistic = LegendStatistic::None;
    }
    event->accept();
}

void frmClusterDetection::Form_Unload() { withdrawResults(); }

void frmClusterDetection::countsReplaced() {
    clearResultLists();
    cmdSave->setEnabled(false);
    withdrawResults();
}

void frmClusterDetection::withdrawResults() {
    // The map's animation of these results ends before they go.
    ClusterMapLink::stopWaiting(ctx_);
    ctx_.state.shared.retroMapMode = false;
    ctx_.unload<frmSigmaChart>();
    if (!ClusterMapLink::mapWindowOpen(ctx_)) return;
    try {
        ClusterMapLink::setFindTool(ctx_, false, false);
        ClusterMapLink::setMapAnimationEnabled(ctx_, false, false);
        ClusterMapLink::hideRangeControls(ctx_, false);
        ClusterMapLink::clearLegend(ctx_, false);
        ClusterMapLink::redrawShapefile(ctx_);
    } catch (const AppError& e) {
        dialogs().warning("The map could not be redrawn: " + e.description());
    }
}

// ---- Lists ----

void frmClusterDetection::lstLocalPatternSummary_Click() {
    const int r = lstLocalPatternSummary->currentRow();
    if (r < 0 || !retroResultsCurrent(ctx_.state) || !ClusterMapLink::mapWindowOpen(ctx_)) return;
    try {
        ClusterMapLink::highlightRegion(ctx_, ClusterLines::regionOfLocalRow(r));
    } catch (const AppError& e) {
        dialogs().warning("The region could not be highlighted: " + e.description());
    }
}

void frmClusterDetection::lstGlobalPatternSummary_Click() {
    // Only the rows of a range run shade the map; after a single run the
    // map keeps the result it shows.
    if (!optSpatialSigmaRange->isChecked() || !retroResultsCurrent(ctx_.state) || !ClusterMapLink::mapWindowOpen(ctx_))
        return;
    AppState& s = ctx_.state;
    const int r = lstGlobalPatternSummary->currentRow();
    const int k = ClusterLines::bandwidthOfRangeRow(r);
    const std::int32_t n = s.area.regionCount;
    const bool tablesFit = s.retro.bandwidthCount > 0 && s.retro.rangeLocalStats.rows() > s.retro.bandwidthCount &&
                           s.retro.rangeLocalStats.cols() == n + 1 &&
                           s.retro.rangeSigmas.size() > static_cast<std::size_t>(s.retro.bandwidthCount);
    const bool shaded = tablesFit && k >= 0 && k < s.retro.bandwidthCount;
    try {
        if (shaded) {
            s.retro.mapClassValues.assign(static_cast<std::size_t>(n) + 1, 0.0);
            for (std::int32_t i = 1; i <= n; ++i)
                s.retro.mapClassValues[static_cast<std::size_t>(i)] = s.retro.rangeLocalStats(k, i);
            s.shared.sigma = s.retro.rangeSigmas[static_cast<std::size_t>(k)];
            DoubleArray legend = s.retro.mapClassValues;
            ClusterMapLink::showClassMap(ctx_, legend, s.retro.mapClassValues);
            ClusterMapLink::setRangeSlider(ctx_, k);
            s.shared.retroMapMode = true;
        } else {
            // No bandwidth is named: the map's redraws stay plain too.
            s.shared.retroMapMode = false;
            ClusterMapLink::clearLegend(ctx_, false);
            ClusterMapLink::redrawShapefile(ctx_);
        }
        ClusterMapLink::showMLegend(ctx_, shaded && isMTest(selectedTest()), false);
    } catch (const AppError& e) {
        dialogs().warning("The map could not be drawn: " + e.description());
    }
}

void frmClusterDetection::appendLines(const ResultLines& lines) {
    lstGlobalPatternSummary->addItems(toQt(lines.global));
    lstLocalPatternSummary->addItems(toQt(lines.local));
}

void frmClusterDetection::ListUnadjustedScore() { appendLines(ClusterLines::unadjustedScore(ctx_.state)); }

void frmClusterDetection::ListAdjustedScore() {
    const ResultLines lines = ClusterLines::adjustedScore(ctx_.state);
    showMCriticalNotices(lines.mCriticalNotices);
    appendLines(lines);
}

void frmClusterDetection::ListMStatistic() {
    const ResultLines lines = ClusterLines::mStatistic(ctx_.state);
    showMCriticalNotices(lines.mCriticalNotices);
    appendLines(lines);
}

// ---- The run ----

void frmClusterDetection::runStart() {
    // The map's animation of the results shown so far ends before they change.
    // The legend goes with the map it explains, when the run's map replaces it.
    ClusterMapLink::stopWaiting(ctx_);
    ClusterMapLink::hideRangeControls(ctx_, true);
    clearResultLists();
}

void frmClusterDetection::cmdRun_Click() {
    // A refused bandwidth or level changes nothing: the last run's lists,
    // map, legend, plot, report and bandwidth stay until a run starts.
    runRequested(ctx_.frame(), TooManyBandwidths::SayWhy, ctx_.state.retro.alpha);
}

void frmClusterDetection::runSingle(const RunRequest& run) {
    const ClusterTest test = run.test;
    ClusterRun::SingleResult result;
    std::optional<AppState> work = computeRun(ctx_.state, [&](AppState& w) {
        w.shared.sigma = run.sigma;
        ClusterRun::checkData(w);
        result = ClusterRun::computeSingle(w, test);
    });
    if (!work) return;
    showMCriticalNotices(result.lines.mCriticalNotices);

    runStart();
    AppState& s = ctx_.state;
    ClusterRun::commit(s, std::move(*work));
    // The lines were built from these very results in the run's order.
    appendLines(result.lines);
    try {
        if (isScoreTest(test))
            ClusterMapLink::showClassMap(ctx_, s.retro.scoreLegendValues, s.retro.scoreMapValues);
        else
            ClusterMapLink::showClassMap(ctx_, s.retro.mLegendValues, s.retro.mMapValues);
    } catch (const AppError& e) {
        dialogs().warning("The map could not be drawn: " + e.description());
    }

    ClusterMapLink::setFindTool(ctx_, true, true);
    ClusterMapLink::setMapAnimationEnabled(ctx_, false, true);
    s.shared.retroMapMode = true;
    ClusterMapLink::showMLegend(ctx_, isMTest(test), true);
    cmdSave->setEnabled(true);
}

void frmClusterDetection::runRange(const RunRequest& run) {
    const ClusterTest test = run.test;
    ClusterRun::RangeResult result;
    std::optional<AppState> work = computeRun(ctx_.state, [&](AppState& w) {
        ClusterRun::checkData(w);
        result = ClusterRun::computeRange(w, test, run.bandwidths.from, run.bandwidths.to, run.bandwidths.step,
                                          run.count);
    });
    if (!work) return;
    showMCriticalNotices(result.mCriticalNotices);

    runStart();
    AppState& s = ctx_.state;
    ClusterRun::commit(s, std::move(*work));
    lstGlobalPatternSummary->addItems(toQt(result.globalLines));
    // Nothing is shaded until a bandwidth is chosen, on any redraw of the
    // map either: the classes of an earlier run go with its legend.
    s.shared.retroMapMode = false;
    try {
        if (ClusterMapLink::redrawShapefile(ctx_)) ClusterMapLink::clearLegend(ctx_, true);
    } catch (const AppError& e) {
        dialogs().warning("The map could not be drawn: " + e.description());
    }

    frmSigmaChart* chart = ctx_.load<frmSigmaChart>();
    chart->lblStats->setText(isScoreTest(test) ? "Chi" : "M");
    chart->lblCriticalStats->setText(isScoreTest(test) ? "Chi*" : "M*");

    // Each row is labelled with the bandwidth its values were computed at.
    LineChart* c = chart->chartPlotStatistics;
    c->setChartType(LineChart::kLineChart2D);
    c->setChartData(s.retro.chartData, toQt(ClusterLines::rangeChartLabels(s)));

    ClusterMapLink::setFindTool(ctx_, false, true);
    ClusterMapLink::setMapAnimationEnabled(ctx_, true, true);
    chart->setWindowTitle("Global spatial statistics");
    if (QWidget* top = AppContext::topOf(chart)) top->setWindowTitle("Global spatial statistics");
    c->setVisible(true);
    ClusterMapLink::showMLegend(ctx_, false, true);
    cmdSave->setEnabled(true);
}

// ---- The report ----

void frmClusterDetection::cmdSave_Click() {
    if (!retroResultsCurrent(ctx_.state)) {
        cmdSave->setEnabled(false);
        return;
    }
    bool single = false;
    if (optSpatialSingleSigma->isChecked()) single = true;
    else if (!optSpatialSigmaRange->isChecked()) return;
    // The report's M* is computed at the level the box shows, as a run's is.
    const auto level = alphaShown();
    if (!level) return;
    ctx_.state.retro.alpha = *level;
    const ClusterTest test = selectedTest();
    ClusterReport::save(lastSaveName_, [&] {
        if (!single) return ClusterLines::rangeReport(ctx_.state, test);
        ReportLines report = ClusterLines::singleReport(ctx_.state, test);
        showMCriticalNotices(report.mCriticalNotices);
        return std::move(report.lines);
    });
}
