// The cluster test on point data end to end, offscreen with the scripted
// dialogs: the data-type dialog, single runs of every test against the
// engine's values and the closed form of a four-point case at bandwidth 0,
// a range run with its chart, the report of each kind, the refusals of
// degenerate point sets, and the map tools.
#include <gtest/gtest.h>

#include <QPixmap>

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <tuple>

#include "map/PointMap.h"
#include "map/modLegend.h"
#include "platform/Format.h"
#include "platform/TextFile.h"
#include "retrospective/ClusterLines.h"
#include "retrospective/PointCaseFile.h"
#include "retrospective/frmClusterDetectionTextfile.h"
#include "retrospective/frmSelectDataFormat.h"
#include "stats/modClusterDetection.h"
#include "stats/modPValue.h"
#include "stats/modFunctions.h"
#include "tests/retrospective/RetroFixture.h"
#include "tests/support/CaseNames.h"
#include "tests/support/ImageColours.h"
#include "tests/support/PointHull.h"
#include "tests/support/TestPaths.h"
#include "ui/LineChart.h"

using namespace retro_test;
namespace cd = modClusterDetection;

namespace {

std::string R(const std::string& t, std::size_t w) { return alignRight(t, w); }
std::string F(double v, const char* m) { return formatMask(v, m); }

std::string writeLines(const std::string& dir, const std::string& name, const std::vector<std::string>& lines) {
    const std::string path = dir + "/" + name;
    std::ofstream out(path, std::ios::binary);
    for (const auto& l : lines) out << l << "\r\n";
    return path;
}

// Four points at the corners of a rectangle: at bandwidth 0 each point's
// kernel holds only itself, so every local statistic is that of its own
// counts.
const std::vector<std::string> kFourPoints = {"NW,0,10,100,6", "NE,20,10,200,2", "SW,0,0,300,5", "SE,20,0,400,7"};

// A small field of points with more cases near the origin.
std::vector<std::string> clusteredPoints(int n) {
    std::vector<std::string> out;
    for (int k = 1; k <= n; ++k) {
        const double x = (k * 37) % 101, y = (k * 59) % 89;
        const double pop = 500 + 40 * (k % 7);
        const int cases = static_cast<int>(pop / 100) + ((x < 30 && y < 30) ? 6 : 0) + (k % 2);
        out.push_back("P" + std::to_string(k) + "," + formatGeneral(x) + "," + formatGeneral(y) + "," +
                      formatGeneral(pop) + "," + std::to_string(cases));
    }
    return out;
}

// Points i = 1..n at (1.3 i, 0.7 i + 3), on one line up to the rounding of
// their coordinates.
std::vector<std::string> slantedLine(int n) {
    std::vector<std::string> out;
    for (int i = 1; i <= n; ++i)
        out.push_back("P" + std::to_string(i) + "," + formatGeneral(1.3 * i) + "," + formatGeneral(0.7 * i + 3) +
                      ",100," + std::to_string(1 + i % 3));
    return out;
}

class PointWindow : public ::testing::Test {
protected:
    void SetUp() override {
        dir = scratchDir("point-window");
        w = h.ctx.show<frmClusterDetectionTextfile>();
        h.ctx.state.shared.pointDataMode = true;
        h.ctx.state.shared.polygonDataMode = false;
    }

    // Load Data, pick the format, choose the file and press Continue.
    void load(const std::vector<std::string>& lines, bool obsExp = false) {
        const std::string path = writeLines(dir, "points" + std::to_string(files++) + ".txt", lines);
        loadPath(path, obsExp);
    }
    void loadPath(const std::string& path, bool obsExp = false) {
        w->cmdLoadData_Click();
        auto* d = h.ctx.find<frmSelectDataFormat>();
        ASSERT_NE(d, nullptr);
        if (obsExp) d->optObsExp->setChecked(true);
        h.dlg->queueFile(path);
        d->cmdContinue_Click();
    }
    void runSingle(ClusterTest test, const std::string& sigma) {
        runClusterSingle(w, test, QString::fromStdString(sigma));
    }
    void runRange(ClusterTest test, const char* from, const char* to, const char* by) {
        runClusterRange(w, test, from, to, by);
    }
    std::vector<std::string> saveReport() {
        const std::string path = dir + "/report" + std::to_string(files++) + ".txt";
        h.dlg->queueFile(path);
        w->cmdSave_Click();
        return readTextFileLines(path);
    }

    // A run on twelve clustered points that a refused run then must leave as
    // it is: a single bandwidth of 1, or 0.2 to 1 by 0.4 with the third
    // global row picked.
    void runEarlier(ClusterTest test, bool range) {
        load(clusteredPoints(12));
        if (range) {
            runRange(test, "0.2", "1", "0.4");
            w->selectGlobalRow(3);
        } else {
            runSingle(test, "1");
        }
    }
    // What a run shows, taken before a refused run.
    struct Shown {
        std::vector<std::string> global, local;
        double sigma = 0.0, zoom = 0.0;
        bool identify = false;
        QImage map, legend;
        std::vector<std::string> report;
    };
    Shown shown() {
        Shown s{w->globalLines(), w->localLines(), h.ctx.state.shared.sigma,
                h.ctx.state.points.clusterMap.pointZoom, w->optIdentify->isEnabled(),
                w->picPoint->surface().image(), w->picLegend->surface().image(), {}};
        s.report = saveReport();
        return s;
    }
    // After the refused run: the lists, map, legend, chart, tools and report
    // are those of `before`, and a zoom in (to `zoomedIn`) still redraws the
    // run's classes.
    void expectStillShown(const Shown& before, bool range, double zoomedIn) {
        EXPECT_EQ(w->globalLines(), before.global);
        EXPECT_EQ(w->localLines(), before.local);
        EXPECT_EQ(h.ctx.state.shared.sigma, before.sigma);
        EXPECT_EQ(h.ctx.state.points.clusterMap.pointZoom, before.zoom);
        EXPECT_TRUE(w->cmdSave->isEnabled());
        EXPECT_EQ(w->optIdentify->isEnabled(), before.identify);
        EXPECT_EQ(w->MSChart1->isVisibleTo(w), range);
        EXPECT_TRUE(w->imgM_Legend->isVisibleTo(w));
        EXPECT_TRUE(w->picPoint->surface().image() == before.map);
        EXPECT_TRUE(w->picLegend->surface().image() == before.legend);
        // The tools still redraw the run's classes.
        w->selectTool("optZoomIn");
        w->picPoint_MouseDown(1, 0, 5, 5);
        EXPECT_DOUBLE_EQ(h.ctx.state.points.clusterMap.pointZoom, zoomedIn);
        EXPECT_GT(colourCount(w->picPoint->surface().image()), 2u);
        w->selectTool("optFullExtent");
        w->picPoint_MouseDown(1, 0, 5, 5);
        // The report is that of the run before.
        EXPECT_EQ(saveReport(), before.report);
    }

    Harness h;
    std::string dir;
    frmClusterDetectionTextfile* w = nullptr;
    int files = 0;
};

TEST_F(PointWindow, StartsWithRunAndSaveOff) {
    EXPECT_EQ(w->windowTitle().toStdString(), "Cluster Detection --- Score and M test");
    EXPECT_FALSE(w->cmdRun->isEnabled());
    EXPECT_FALSE(w->cmdSave->isEnabled());
    EXPECT_TRUE(w->optUnadjusted->isChecked());
    EXPECT_TRUE(w->optSpatialSingleSigma->isChecked());
    EXPECT_EQ(h.ctx.state.retro.alpha, 0.05);
    ASSERT_EQ(w->cboAlpha->count(), 2);
    EXPECT_EQ(w->cboAlpha->itemText(0).toStdString(), "0.05");
    EXPECT_EQ(w->cboAlpha->itemText(1).toStdString(), "0.01");
    EXPECT_FALSE(w->MSChart1->isVisibleTo(w));
    EXPECT_FALSE(w->txtXTitle->isEnabled());
    EXPECT_EQ(h.ctx.state.points.clusterMap.pointZoom, 1.2);
    EXPECT_EQ(w->height(), twipsToPixels(9965));
    w->selectAlpha(1);
    EXPECT_EQ(h.ctx.state.retro.alpha, 0.01);
}

TEST_F(PointWindow, AnOptionChosenFromCodeActsAsAClickOnIt) {
    // Either way the handler leaves the last run no longer answering the
    // lists and tools.
    load(kFourPoints);
    expectOptionsActAsClicks(
        *w, w->cmdSave,
        [&] {
            runSingle(ClusterTest::Rossi, "1");
            ASSERT_TRUE(w->lastRun().valid);
        },
        [&](const OptionChoice&) { EXPECT_FALSE(w->lastRun().valid); });
}

TEST_F(PointWindow, FormulaPicturesKeepTheirProportions) {
    for (ClusterTest t : {ClusterTest::Unadjusted, ClusterTest::AdjustedPoisson, ClusterTest::FreemanTukey,
                          ClusterTest::Rossi}) {
        w->selectTest(t);
        const QPixmap shown = w->picEquation->pixmap();
        ASSERT_FALSE(shown.isNull());
        EXPECT_LE(shown.width(), w->picEquation->width());
        EXPECT_LE(shown.height(), w->picEquation->height());
        // The formulas are wide strips; squeezed to the box they would be
        // as tall for their width as the box is.
        EXPECT_GT(shown.width(), 3 * shown.height());
    }
}

TEST_F(PointWindow, ContinueLoadsThePointsAndEnablesRun) {
    load(kFourPoints);
    EXPECT_EQ(h.ctx.find<frmSelectDataFormat>(), nullptr);
    EXPECT_TRUE(w->cmdRun->isEnabled());
    EXPECT_FALSE(w->cmdSave->isEnabled());
    const AppState& s = h.ctx.state;
    EXPECT_EQ(s.points.pointCount, 4.0);
    EXPECT_EQ(s.area.centroidTable[2].ID, "NE");
    EXPECT_EQ(s.retro.totalCases, 20.0);
    EXPECT_DOUBLE_EQ(s.retro.expected[1], 20.0 / 1000.0 * 100.0);
    EXPECT_TRUE(h.messageTexts().empty());
}

TEST_F(PointWindow, RefusedFilesKeepTheEarlierPointsAndTheDialogOpen) {
    load(kFourPoints);
    const auto before = h.ctx.state.area.centroidTable;
    const struct {
        std::vector<std::string> lines;
        std::string message;
    } cases[] = {
        {{"a,1,2,3"}, PointCaseFile::kFormatMessage},
        {{"a,0,0,10,1", "b,x,1,10,1"}, "Line 2: the X \"x\" is not a number."},
        {{"a,0,0,10,1", "", "b,1,1,10,1"}, "Line 2 is empty: every line must hold one point (ID, X, Y and two counts)."},
    };
    for (const auto& c : cases) {
        h.clearMessages();
        load(c.lines);
        ASSERT_EQ(h.dlg->messages.size(), 1u);
        EXPECT_EQ(h.dlg->messages[0].text, c.message);
        EXPECT_EQ(h.dlg->messages[0].title, "Warning!");
        EXPECT_EQ(h.dlg->messages[0].icon, MsgIcon::Critical);
        ASSERT_NE(h.ctx.find<frmSelectDataFormat>(), nullptr);
        EXPECT_EQ(h.ctx.state.points.pointCount, 4.0);
        EXPECT_EQ(h.ctx.state.area.centroidTable[4].ID, before[4].ID);
        h.ctx.find<frmSelectDataFormat>()->cmdCancel_Click();
    }
    // No file chosen.
    h.clearMessages();
    w->cmdLoadData_Click();
    auto* d = h.ctx.find<frmSelectDataFormat>();
    EXPECT_TRUE(d->optPopCase->isChecked());
    EXPECT_EQ(d->windowTitle().toStdString(), "Data Type");
    d->cmdContinue_Click();
    ASSERT_EQ(h.messageTexts(), std::vector<std::string>{"You didn't specify textfile."});
    ASSERT_FALSE(h.dlg->fileCalls.empty());
    EXPECT_EQ(h.dlg->fileCalls.back().request.filter, "Text Files (*.txt)|*.txt|All Files (*.*)|*.*|");
    EXPECT_TRUE(w->cmdRun->isEnabled());
}

// The local statistic of one point when its kernel holds only itself.
double closedForm(ClusterTest test, double o, double e) {
    switch (test) {
    case ClusterTest::Unadjusted: return o - e;
    case ClusterTest::AdjustedPoisson: return (o - e) / std::sqrt(e);
    case ClusterTest::FreemanTukey: return std::sqrt(o) + std::sqrt(o + 1) - std::sqrt(4 * e + 1);
    case ClusterTest::Rossi: break;
    }
    return (o - 3 * e + 2 * std::sqrt(o * e)) / (2 * std::sqrt(e));
}

struct TestCase {
    const char* name;
    ClusterTest test;
};

class PointWindowTests : public PointWindow, public ::testing::WithParamInterface<TestCase> {};

TEST_P(PointWindowTests, BandwidthZeroGivesTheClosedFormOfEachPoint) {
    const ClusterTest test = GetParam().test;
    load(kFourPoints);
    runSingle(test, "0");
    ASSERT_TRUE(h.messageTexts().empty()) << h.messageTexts()[0];
    const AppState& s = h.ctx.state;
    EXPECT_EQ(s.shared.sigma, 1e-8);
    EXPECT_EQ(s.area.regionCount, 4);
    const auto local = w->localLines();
    ASSERT_EQ(local.size(), 4u + 4u);
    EXPECT_EQ(local[0], std::string(82, '-'));
    const double obs[] = {6, 2, 5, 7}, pop[] = {100, 200, 300, 400};
    const char* ids[] = {"NW", "NE", "SW", "SE"};
    double maxM = -1e300;
    for (int i = 0; i < 4; ++i) {
        const double e = 20.0 / 1000.0 * pop[i];
        const double v = closedForm(test, obs[i], e);
        maxM = std::max(maxM, v);
        std::string row = R(ids[i], 13) + R(F(v, "###0.000"), 10);
        if (isScoreTest(test)) {
            // Standardised by its own variance; its text is checked against the engine below.
            row += local[static_cast<std::size_t>(i) + 3].substr(23, 10);
            row += R(F(obs[i], "0.000"), 11) + R(F(e, "0.000"), 11);
        } else {
            row += R(F(obs[i], "0.000"), 11) + R(F(e, "0.000"), 11);
        }
        EXPECT_EQ(local[static_cast<std::size_t>(i) + 3], row) << "point " << i + 1;
    }
    if (isMTest(test)) {
        EXPECT_EQ(local[1], R("ID", 13) + R("M(i) ", 11) + R("Observed", 10) + R("Expected", 11));
        EXPECT_EQ(w->globalLines()[1], "Maximum M-statistic = " + F(maxM, "0.000"));
    } else {
        EXPECT_EQ(local[1], R("ID", 13) + R("U(i) ", 11) + R("Z[U(i)]", 9) + R("Observed", 11) + R("Expected", 11));
        if (test == ClusterTest::Unadjusted) {
            double sum = 0;
            for (int i = 0; i < 4; ++i) sum += std::pow(obs[i] - 20.0 / 1000.0 * pop[i], 2);
            EXPECT_EQ(w->globalLines()[1], "U-statistic (unadjusted) = " + F(sum, "0.000"));
        }
    }
    EXPECT_TRUE(w->cmdSave->isEnabled());
    EXPECT_TRUE(s.shared.retroMapMode);
    EXPECT_EQ(w->imgM_Legend->isVisibleTo(w), isMTest(test));
}

TEST_P(PointWindowTests, ListsEqualTheEnginesValuesThroughTheMasks) {
    const ClusterTest test = GetParam().test;
    load(clusteredPoints(40));
    runSingle(test, "0.6");
    ASSERT_TRUE(h.messageTexts().empty()) << h.messageTexts()[0];
    // The engine again, on the points as this run drew them.
    AppState e = h.ctx.state;
    const bool score = isScoreTest(test);
    if (score) {
        cd::CalcScoreWeights(e.area, e.points, e.shared, e.retro);
        if (test == ClusterTest::Unadjusted) {
            cd::CalcLocalScoreUnadjusted(e.area, e.retro);
            cd::CalcScoreMomentsUnadjusted(e.area, e.retro);
            cd::StandardizeScoreUnadjusted(e.retro);
        } else {
            cd::CalcLocalScoreAdjusted(e.area, e.retro);
            cd::CalcScoreMomentsAdjusted(e.area, e.retro);
            cd::StandardizeScoreAdjusted(e.retro);
        }
    }
    if (test != ClusterTest::Unadjusted) {
        cd::CalcMWeights(e.area, e.points, e.shared, e.retro);
        if (test == ClusterTest::Rossi) cd::CalcLocalMRossi(e.area, e.retro);
        else if (test == ClusterTest::FreemanTukey) cd::CalcLocalMFreemanTukey(e.area, e.retro);
        else cd::CalcLocalMPoisson(e.area, e.retro);
    }
    std::vector<std::string> global;
    if (score) {
        const bool unadj = test == ClusterTest::Unadjusted;
        global = expectedScoreGlobalLines(e, unadj);
    } else {
        global = {"", "Maximum M-statistic = " + F(cd::GetMaxLocalM(e.area, e.retro), "0.000"), "",
                  "M Critical (M*) = " + F(cd::GetMCritical(e.area, e.shared, e.retro).value, "0.000"), ""};
    }
    EXPECT_EQ(w->globalLines(), global);
    const auto local = w->localLines();
    ASSERT_EQ(local.size(), 40u + 4u);
    for (std::int32_t i = 1; i <= 40; ++i) {
        const auto k = static_cast<std::size_t>(i);
        std::string row = R(e.area.centroidTable[k].ID, 13);
        if (score) {
            const bool unadj = test == ClusterTest::Unadjusted;
            row += R(F(unadj ? e.retro.localScoreUnadjusted[k] : e.retro.localScoreAdjusted[k], "###0.000"), 10) +
                   R(F(unadj ? e.retro.localScoreZUnadjusted[k] : e.retro.localScoreZAdjusted[k], "0.000"), 10);
        } else {
            row += R(F(e.retro.localM[k], "###0.000"), 10);
        }
        row += R(F(e.retro.observed[k], "0.000"), 11) + R(F(e.retro.expected[k], "0.000"), 11);
        EXPECT_EQ(local[k + 2], row);
    }
    // The study area is the hull of the drawn points in map units.
    EXPECT_GT(h.ctx.state.area.studyArea, 0.0);
    EXPECT_EQ(h.ctx.state.points.devicePoints.size(), 41u);

    // The report of this run, line by line.
    const auto report = saveReport();
    const std::size_t head = score ? 14 : 10;
    ASSERT_EQ(report.size(), head + 40 + 1);
    EXPECT_EQ(report[1], std::string(58, '-'));
    EXPECT_EQ(report.back(), std::string(58, '-'));
    for (std::int32_t i = 1; i <= 40; ++i) {
        const auto k = static_cast<std::size_t>(i);
        std::string line = R(e.area.centroidTable[k].ID, 15);
        if (score) {
            const bool unadj = test == ClusterTest::Unadjusted;
            line += R(F(unadj ? e.retro.localScoreUnadjusted[k] : e.retro.localScoreAdjusted[k], "###0.00"), 10) +
                    R(F(unadj ? e.retro.localScoreZUnadjusted[k] : e.retro.localScoreZAdjusted[k], "0.00"), 10);
        } else {
            line += R(F(e.retro.localM[k], "###0.00"), 10);
        }
        line += R(F(e.retro.observed[k], "0.00"), 10) + R(F(e.retro.expected[k], "0.00"), 10);
        EXPECT_EQ(report[head + k - 1], line);
    }
    switch (test) {
    case ClusterTest::Unadjusted:
        EXPECT_EQ(report[0], "Summary of Global Score Statistic" + std::string(25, ' '));
        EXPECT_EQ(report[5], "   ---> p-value: " +
                                 F(modPValue::GetChiSquarePValue(e.retro.scoreChiSquare, e.retro.scoreDf), "0.0000"));
        EXPECT_EQ(report[12], R("ID", 15) + R("U(i)", 10) + R("Z[U(i)]", 10) + R("Observed", 10) + R("Expected", 10));
        break;
    case ClusterTest::AdjustedPoisson:
        EXPECT_EQ(report[0], "Summary of Global Score and Maximum M Statistic" + std::string(25, ' '));
        EXPECT_EQ(report[2], "U-statistic (adjusted) = " + F(e.retro.globalScoreAdjusted, "0.000"));
        break;
    case ClusterTest::FreemanTukey:
        EXPECT_EQ(report[0], "Summary of Maximum M Statistic (Standard)" + std::string(17, ' '));
        EXPECT_EQ(report[8], R("ID", 15) + R("M(i)", 10) + R("Observed", 10) + R("Expected", 10));
        break;
    case ClusterTest::Rossi:
        EXPECT_EQ(report[0], "Summary of Maximum M Statistic (Rossi)" + std::string(20, ' '));
        EXPECT_EQ(report[3], "M Critical (M*) = " + F(cd::GetMCritical(e.area, e.shared, e.retro).value, "0.000"));
        break;
    }
}

TEST_P(PointWindowTests, RangeRunFillsRowsChartAndReport) {
    const ClusterTest test = GetParam().test;
    load(clusteredPoints(30));
    runRange(test, "1", "2", "0.4");
    ASSERT_TRUE(h.messageTexts().empty()) << h.messageTexts()[0];
    const AppState& s = h.ctx.state;
    EXPECT_EQ(s.retro.bandwidthCount, 4);
    const auto g = w->globalLines();
    ASSERT_EQ(g.size(), 4u + 3u);
    EXPECT_EQ(g[1], std::string(50, '-'));
    EXPECT_EQ(g[6], std::string(50, '-'));
    EXPECT_TRUE(w->localLines().empty());
    EXPECT_FALSE(w->optIdentify->isEnabled());
    // The last bandwidth is clamped to "to" before it is computed.
    EXPECT_DOUBLE_EQ(s.retro.rangeSigmas[3], 2.0);
    EXPECT_DOUBLE_EQ(s.shared.sigma, 2.0);
    for (int k = 0; k < 4; ++k) {
        const auto kk = static_cast<std::size_t>(k);
        std::string row;
        const double p = s.retro.rangePValue[kk];
        switch (test) {
        case ClusterTest::Unadjusted:
            row = R(F(s.retro.rangeSigmas[kk], "0.00"), 6) + R(F(s.retro.rangeStatistic[kk], "0.0"), 9) +
                  R(F(s.retro.rangeChiSquare[kk], "0.0"), 8) + R(F(s.retro.rangeDf[kk], "0.00"), 8) +
                  (p < 0.001 ? R(" <0.001", 10) : R(F(p, "0.0000"), 9));
            break;
        case ClusterTest::AdjustedPoisson:
            row = R(F(s.retro.rangeSigmas[kk], "0.00"), 5) + R(F(s.retro.rangeStatistic[kk], "0.0"), 7) +
                  R(F(s.retro.rangeChiSquare[kk], "0.0"), 7) + R(F(s.retro.rangeDf[kk], "0.0"), 6) +
                  R(F(s.retro.rangeMaxM[kk], "0.0"), 5) + "(" + R(F(s.retro.rangeMCritical[kk], "0.0"), 3) + ")" +
                  (p < 0.001 ? R(" <0.001", 8) : R(F(p, "0.0000"), 8));
            break;
        default:
            row = R(F(s.retro.rangeSigmas[kk], "0.00"), 6) + R(F(s.retro.rangeStatistic[kk], "0.00"), 6) +
                  R(F(s.retro.rangeMCritical[kk], "0.00"), 6);
        }
        EXPECT_EQ(g[kk + 2], row) << "bandwidth row " << k;
        EXPECT_EQ(w->MSChart1->chartData()(k, 0), isScoreTest(test) ? s.retro.rangeChiSquare[kk] : s.retro.rangeStatistic[kk]);
        EXPECT_EQ(w->MSChart1->chartData()(k, 1), isScoreTest(test) ? s.retro.rangeChiCritical[kk] : s.retro.rangeMCritical[kk]);
    }
    switch (test) {
    case ClusterTest::Unadjusted:
        EXPECT_EQ(g[0], R("Sigma", 6) + R("U", 9) + R("Chi", 8) + R("DF   ", 11) + R("P-Val", 7));
        break;
    case ClusterTest::AdjustedPoisson:
        EXPECT_EQ(g[0], R("Sigma", 5) + R("U", 7) + R("Chi ", 8) + R("DF  ", 7) + R("M(M*)", 8) + R("P-Val", 8));
        break;
    default: EXPECT_EQ(g[0], R("Sigma", 6) + R("M  ", 8) + R("M* ", 5));
    }
    // Each row is labelled with the bandwidth it was computed at, the
    // clamped last one too.
    EXPECT_EQ(w->MSChart1->rowLabels(), (QStringList{"1.00", "1.40", "1.80", "2.00"}));
    EXPECT_TRUE(w->MSChart1->isVisibleTo(w));
    EXPECT_EQ(w->lblStats->text().toStdString(), isScoreTest(test) ? "Chi" : "M");
    EXPECT_EQ(w->lblCriticalStats->text().toStdString(), isScoreTest(test) ? "Chi*" : "M*");
    EXPECT_TRUE(w->cmdSave->isEnabled());

    // A bandwidth row shows its classes on the map and sets the bandwidth.
    w->selectGlobalRow(3);
    EXPECT_DOUBLE_EQ(h.ctx.state.shared.sigma, s.retro.rangeSigmas[1]);
    EXPECT_EQ(h.ctx.state.retro.mapClassValues[5], s.retro.rangeLocalStats(1, 5));
    EXPECT_EQ(w->imgM_Legend->isVisibleTo(w), isMTest(test));

    const auto report = saveReport();
    ASSERT_EQ(report.size(), 4u + 5u);
    EXPECT_EQ(report[1], "");
    for (std::size_t k = 0; k < 4; ++k) {
        const auto FR = [&](const DoubleArray& a, const char* m, std::size_t w) { return R(F(a[k], m), w); };
        std::string line = FR(s.retro.rangeSigmas, "0.000", 6);
        switch (test) {
        case ClusterTest::Unadjusted:
            line += FR(s.retro.rangeStatistic, "0.00", 12) + FR(s.retro.rangeChiSquare, "0.00", 12) +
                    FR(s.retro.rangeDf, "0.00", 8) + FR(s.retro.rangePValue, "0.000000000000", 16);
            break;
        case ClusterTest::AdjustedPoisson:
            line += FR(s.retro.rangeStatistic, "0.00", 12) + FR(s.retro.rangeChiSquare, "0.00", 12) +
                    FR(s.retro.rangeDf, "0.00", 8) + FR(s.retro.rangeMaxM, "0.00", 6) +
                    FR(s.retro.rangeMCritical, "0.00", 6) + FR(s.retro.rangePValue, "0.000000000000", 16);
            break;
        default: line += FR(s.retro.rangeStatistic, "0.00", 6) + FR(s.retro.rangeMCritical, "0.00", 6);
        }
        EXPECT_EQ(report[4 + k], line) << "bandwidth " << k;
    }
    EXPECT_EQ(report[8], report[3]);
    switch (test) {
    case ClusterTest::Unadjusted:
        EXPECT_EQ(report[0], "A summary for a range of bandwidths (Score statistic - unadjusted)");
        EXPECT_EQ(report[2], R("Sigma", 6) + R("U-Stats", 12) + R("Chi", 12) + R("DF", 8) + R("p-value    ", 16));
        EXPECT_EQ(report[7].substr(report[7].size() - 16), R(F(s.retro.rangePValue[3], "0.000000000000"), 16));
        break;
    case ClusterTest::AdjustedPoisson:
        EXPECT_EQ(report[0], "A summary for a range of bandwidths (Score statistic - adjusted)");
        EXPECT_EQ(report[3], std::string(78, '-'));
        break;
    case ClusterTest::FreemanTukey:
        EXPECT_EQ(report[0], "A summary for a range of bandwidths (M statistic - standard)");
        EXPECT_EQ(report[2], R("Sigma", 6) + R("M  ", 6) + R("M* ", 6));
        break;
    case ClusterTest::Rossi:
        EXPECT_EQ(report[0], "A summary for a range of bandwidths (M statistic - Rossi)");
        break;
    }
}

const TestCase kTestCases[] = {{"Unadjusted", ClusterTest::Unadjusted},
                               {"AdjustedPoisson", ClusterTest::AdjustedPoisson},
                               {"FreemanTukey", ClusterTest::FreemanTukey},
                               {"Rossi", ClusterTest::Rossi}};

INSTANTIATE_TEST_SUITE_P(Tests, PointWindowTests, ::testing::ValuesIn(kTestCases), CaseNameOf{});

// However many bandwidths a range has, its run lays the window's statistics
// plot out once, with every bandwidth's label handed over in the same call.
TEST_F(PointWindow, EachRangeRunLaysThePlotOutOnce) {
    load(clusteredPoints(30));
    struct Case {
        const char *from, *to, *step;
        QStringList firstLabels;
    };
    const std::vector<Case> cases = {
        {"1", "2", "0.4", {"1.00", "1.40", "1.80", "2.00"}},  // the last one clamped
        {"0.5", "3.5", "0.1", {"0.50", "0.60", "0.70", "0.80"}},  // labelled every few rows
        {"1", "1.5", "0.25", {"1.00", "1.25", "1.50"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.from) + " " + c.to + " " + c.step);
        const int before = w->MSChart1->layoutCount();
        runRange(ClusterTest::Unadjusted, c.from, c.to, c.step);
        ASSERT_TRUE(h.messageTexts().empty()) << h.messageTexts()[0];
        EXPECT_EQ(w->MSChart1->layoutCount() - before, 1);
        ASSERT_EQ(w->MSChart1->rowCount(), h.ctx.state.retro.bandwidthCount);
        ASSERT_EQ(w->MSChart1->rowLabels().size(), w->MSChart1->rowCount());
        EXPECT_EQ(w->MSChart1->rowLabels().mid(0, c.firstLabels.size()), c.firstLabels);
    }
}

TEST_F(PointWindow, BandwidthAndRangeMessages) {
    load(kFourPoints);
    const struct {
        bool range;
        const char *a, *b, *c;
        std::string message;
    } cases[] = {
        {false, "-0.5", "", "", "Bandwidth should not be negative."},
        {false, "", "", "", "Bandwidth should be numerical."},
        {false, "abc", "", "", "Bandwidth should be numerical."},
        {true, "0.2", "x", "0.2", "A range of bandwidth parameters should be numeric."},
        {true, "2", "1", "0.2", "Ivalid range of bandwidth was input. Check the parameters!"},
        {true, "0", "1", "0", "Ivalid range of bandwidth was input. Check the parameters!"},
        {true, "0", "40000", "1", "Ivalid range of bandwidth was input. Check the parameters!"},
    };
    for (const auto& c : cases) {
        h.clearMessages();
        if (c.range) runRange(ClusterTest::Unadjusted, c.a, c.b, c.c);
        else runSingle(ClusterTest::Unadjusted, c.a);
        EXPECT_EQ(h.messageTexts(), std::vector<std::string>{c.message});
        EXPECT_TRUE(w->globalLines().empty());
        EXPECT_FALSE(w->cmdSave->isEnabled());
        // A refused run leaves the tools as they were.
        EXPECT_TRUE(w->optIdentify->isEnabled());
    }
}

// A refused bandwidth changes nothing shown: the run before keeps its
// lists, map, legend, chart, tools and report.
TEST_F(PointWindow, ARefusedBandwidthLeavesTheEarlierRunWorking) {
    const struct {
        const char* name;
        bool range;
        const char* refused;  // the bandwidth, or the step of the range
        std::string message;
    } cases[] = {
        {"a single run, then a negative bandwidth", false, "-1", "Bandwidth should not be negative."},
        {"a range run, then a step of letters", true, "x", "A range of bandwidth parameters should be numeric."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        h.clearMessages();
        runEarlier(ClusterTest::FreemanTukey, c.range);
        ASSERT_TRUE(h.messageTexts().empty());
        const Shown before = shown();

        h.clearMessages();
        (c.range ? w->txtStep : w->txtSingleSigma)->setText(c.refused);
        w->cmdRun_Click();
        EXPECT_EQ(h.messageTexts(), std::vector<std::string>{c.message});
        expectStillShown(before, c.range, 1.4);
    }
}

TEST_F(PointWindow, DegeneratePointSetsStopTheRunWithAWarning) {
    load(kFourPoints);
    runSingle(ClusterTest::Unadjusted, "1");
    ASSERT_TRUE(w->cmdSave->isEnabled());
    const auto before = h.ctx.state.retro.localScoreUnadjusted;
    const struct {
        const char* name;
        std::vector<std::string> lines;
        std::string message;
    } cases[] = {
        {"two points", {"a,0,0,10,1", "b,1,1,10,2"},
         "The cluster test on points needs at least three points; the point file holds 2."},
        {"one vertical line", {"a,1,0,10,1", "b,1,1,10,2", "c,1,5,10,2"},
         "All points share one X or one Y coordinate, so they cannot be drawn and their study area has no size."},
        {"one slanted line", {"a,0,0,10,1", "b,1,1,10,2", "c,2,2,10,2", "d,3,3,10,1"},
         "The points lie on one line as drawn on the map, so their study area (the convex hull) has no area."},
        // Drawn on steps of rounded pixels, whose hull has an area.
        {"fifty points on a slanted line", slantedLine(50),
         "The points lie on one line, so their study area (the convex hull) has no area."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        load(c.lines);
        h.clearMessages();
        runSingle(ClusterTest::Unadjusted, "1");
        EXPECT_EQ(h.messageTexts(), std::vector<std::string>{c.message});
        EXPECT_TRUE(w->localLines().empty());
        EXPECT_EQ(h.ctx.state.retro.localScoreUnadjusted, before);
        h.clearMessages();
        runRange(ClusterTest::Rossi, "0.2", "1", "0.2");
        EXPECT_EQ(h.messageTexts(), std::vector<std::string>{c.message});
    }
}

// Coordinates so large that the area of their hull is beyond the doubles
// are named as the cause, and the earlier run stays.
TEST_F(PointWindow, CoordinatesTooLargeForTheirAreaAreNamed) {
    load(kFourPoints);
    runSingle(ClusterTest::Unadjusted, "1");
    const auto before = h.ctx.state.retro.localScoreUnadjusted;
    for (const std::string scale : {"1e160", "1e300"}) {
        SCOPED_TRACE(scale);
        load({"a,0,0,10,1", "b," + scale + ",0,10,2", "c,0," + scale + ",20,3", "d," + scale + "," + scale + ",10,1"});
        h.clearMessages();
        runSingle(ClusterTest::Unadjusted, "1");
        EXPECT_EQ(h.messageTexts(), std::vector<std::string>{
                                        "The test cannot be computed on these data: The coordinates of the points are "
                                        "too large: the area of their convex hull is beyond the numbers this program "
                                        "can hold."});
        EXPECT_EQ(h.ctx.state.retro.localScoreUnadjusted, before);
    }
}

// A bandwidth the kernel cannot scale by is refused in words about points.
TEST_F(PointWindow, ABandwidthOutOfScaleIsRefusedInWordsAboutPoints) {
    load(kFourPoints);
    h.clearMessages();
    runSingle(ClusterTest::Unadjusted, "1e-300");
    EXPECT_EQ(h.messageTexts(), std::vector<std::string>{"The test cannot be computed on these data: The bandwidth is "
                                                         "too large or too small for the kernel weights of these "
                                                         "points."});
}

// A run that is refused by what it finds in its data (here a bandwidth
// the kernel cannot scale by, found after the points were measured on the
// map) changes nothing the window shows: the lists, legend, M-class
// picture, chart, map as zoomed, tools and report of the run before stay
// and work.
TEST_F(PointWindow, ARefusedRunLeavesTheEarlierRunShownAndWorking) {
    const std::string outOfScale = "The test cannot be computed on these data: The bandwidth is too large or too "
                                   "small for the kernel weights of these points.";
    const struct {
        const char* name;
        bool range;
        bool zoomed;  // the map zoomed in by the tools before the refused run
    } cases[] = {
        {"a single run", false, false},
        {"a range run", true, false},
        {"a single run on a zoomed map", false, true},
        {"a range run on a zoomed map", true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        h.clearMessages();
        runEarlier(ClusterTest::Rossi, c.range);
        ASSERT_TRUE(h.messageTexts().empty());
        if (c.zoomed) {
            w->selectTool("optZoomIn");
            for (int i = 0; i < 2; ++i) w->picPoint_MouseDown(1, 0, 5, 5);
            ASSERT_DOUBLE_EQ(h.ctx.state.points.clusterMap.pointZoom, 1.6);
        }
        const Shown before = shown();

        h.clearMessages();
        if (c.range) {
            w->txtFromSigma->setText("1e-300");
            w->txtToSigma->setText("3e-300");
            w->txtStep->setText("1e-300");
            w->cmdRun_Click();
        } else {
            w->txtSingleSigma->setText("1e-300");
            w->cmdRun_Click();
        }
        EXPECT_EQ(h.messageTexts(), std::vector<std::string>{outOfScale});
        expectStillShown(before, c.range, before.zoom + 0.2);
    }
}

// An M* without a value (alpha 0.05 on four points, from a bandwidth of
// about 4.85 on) reads 0, and the window gives its notice each time it is
// asked for: the list, then the legend's breaks; the report once more.
TEST_F(PointWindow, ACriticalValueWithoutValueShowsItsNoticeAndTheRunGoesOn) {
    load(kFourPoints);
    h.clearMessages();
    runSingle(ClusterTest::FreemanTukey, "5");
    EXPECT_EQ(h.messageTexts(), std::vector<std::string>(2, "Error!"));
    for (const auto& m : h.dlg->messages) {
        EXPECT_EQ(m.title, "Warning!");
        EXPECT_EQ(m.icon, MsgIcon::Critical);
        EXPECT_EQ(m.buttons, MsgButtons::OK);
    }
    EXPECT_EQ(w->globalLines()[3], "M Critical (M*) = 0.000");
    EXPECT_TRUE(w->cmdSave->isEnabled());
    h.clearMessages();
    const std::vector<std::string> report = saveReport();
    EXPECT_EQ(h.messageTexts(), std::vector<std::string>{"Error!"});
    EXPECT_EQ(report[3], "M Critical (M*) = 0.000");
}

// The statistics that data cannot give name the point they stop at.
TEST_F(PointWindow, DataTheStatisticsCannotTakeAreRefusedInWordsAboutPoints) {
    const struct {
        const char* name;
        std::vector<std::string> lines;
        bool obsExp;
        ClusterTest test;
        const char* message;
    } cases[] = {
        {"one case in all", {"NW,0,10,100,1", "NE,20,10,200,0", "SW,0,0,300,0", "SE,20,0,400,0"}, false,
         ClusterTest::Unadjusted,
         "The test cannot be computed on these data: The local score of point 1 has no variance with these data (too "
         "few cases in total), so its z-value cannot be computed."},
        {"a residual beyond the doubles", {"NW,0,10,1e308,1e-10", "NE,20,10,1,1", "SW,0,0,1,1", "SE,20,0,1,1"}, true,
         ClusterTest::Rossi,
         "The test cannot be computed on these data: The residual of a point has no finite value for these data."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        load(c.lines, c.obsExp);
        h.clearMessages();
        runSingle(c.test, "1");
        EXPECT_EQ(h.messageTexts(), std::vector<std::string>{c.message});
    }
}

// The rounded pixels still measure every set that spans an area, however
// thin: one point off the slanted line makes a study area.
TEST_F(PointWindow, OnePointOffTheLineMakesAStudyArea) {
    std::vector<std::string> lines = slantedLine(50);
    lines.push_back("off,30,40,100,9");
    load(lines);
    h.clearMessages();
    runSingle(ClusterTest::Unadjusted, "1");
    EXPECT_TRUE(h.messageTexts().empty()) << h.messageTexts()[0];
    EXPECT_FALSE(w->localLines().empty());
}

TEST_F(PointWindow, ListClicksHighlightAndAreInertAfterNewData) {
    load(kFourPoints);
    runSingle(ClusterTest::Unadjusted, "1");
    // Row 3 is point 1: the result map with a green ring around it.
    w->selectLocalRow(3);
    const auto& dev = h.ctx.state.points.devicePoints;
    ASSERT_EQ(dev.size(), 5u);
    const QImage img = w->picPoint->surface().image();
    const auto ring = img.pixel(dev[1].X + 10, dev[1].Y);
    EXPECT_EQ(qColorToBgr(QColor(ring)), 0x00FF00);
    // After new data the old rows no longer answer.
    load(kFourPoints);
    w->picPoint->clearMap();
    w->selectLocalRow(3);
    EXPECT_EQ(qColorToBgr(QColor(w->picPoint->surface().image().pixel(dev[1].X + 10, dev[1].Y))), 0xFFFFFF);
}

// Another point file replaces the points the results came from: the lists,
// the plot, the legend and the classes of the run before all go.
TEST_F(PointWindow, NewPointDataClearsTheResultsShown) {
    const struct {
        const char* name;
        bool range;
    } cases[] = {{"single run", false}, {"range run", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        load(clusteredPoints(12));
        if (c.range) {
            runRange(ClusterTest::Rossi, "0.2", "1", "0.4");
            w->selectGlobalRow(2);
            ASSERT_TRUE(w->MSChart1->isVisibleTo(w));
            ASSERT_TRUE(w->imgM_Legend->isVisibleTo(w));
        } else {
            runSingle(ClusterTest::AdjustedPoisson, "1");
            ASSERT_GT(w->lstLocalPatternSummary->count(), 0);
            const DevicePoint p1 = h.ctx.state.points.devicePoints[1];
            w->selectTool("optIdentify");
            w->picPoint_MouseDown(1, 0, p1.X, p1.Y);
            ASSERT_EQ(w->picPoint->toolTip().toStdString(), "P1");
        }
        ASSERT_TRUE(h.messageTexts().empty());
        ASSERT_GT(w->lstGlobalPatternSummary->count(), 0);
        ASSERT_GT(colourCount(w->picPoint->surface().image()), 2u);
        ASSERT_GT(colourCount(w->picLegend->surface().image()), 1u);

        load(kFourPoints);
        EXPECT_TRUE(w->cmdRun->isEnabled());
        EXPECT_FALSE(w->cmdSave->isEnabled());
        EXPECT_EQ(w->lstGlobalPatternSummary->count(), 0);
        EXPECT_EQ(w->lstLocalPatternSummary->count(), 0);
        EXPECT_FALSE(w->MSChart1->isVisibleTo(w));
        EXPECT_FALSE(w->picMLegend->isVisibleTo(w));
        EXPECT_FALSE(w->imgM_Legend->isVisibleTo(w));
        EXPECT_EQ(colourCount(w->picLegend->surface().image()), 1u);
        EXPECT_EQ(w->picPoint->toolTip().toStdString(), "");
        // The new points, plain.
        EXPECT_EQ(colourCount(w->picPoint->surface().image()), 2u);
        EXPECT_EQ(h.ctx.state.points.devicePoints.size(), 5u);
        w->grab().save(QString::fromStdString(testOutputPath(std::string("point_cluster_new_points_after_") +
                                                             (c.range ? "range" : "single") + ".png")));
    }
}

// A range run shades none of its bandwidths until one is chosen, on the
// redraws of the map tools too; a row that names no bandwidth draws the
// plain map and empties the legend again.
TEST_F(PointWindow, ARangeRunShowsThePlainMapUntilABandwidthIsChosen) {
    load(clusteredPoints(12));
    runRange(ClusterTest::Rossi, "0.2", "1", "0.4");
    w->selectGlobalRow(2);
    ASSERT_GT(colourCount(w->picPoint->surface().image()), 2u);
    runRange(ClusterTest::Unadjusted, "0.5", "1.5", "0.5");
    ASSERT_TRUE(h.messageTexts().empty());

    const struct {
        const char* name;
        std::function<void()> use;
    } tools[] = {
        {"zoom in", [&] {
             w->selectTool("optZoomIn");
             w->picPoint_MouseDown(1, 0, 50, 50);
         }},
        {"pan", [&] {
             w->selectTool("optPan");
             w->picPoint_MouseDown(1, 0, 50, 50);
             w->picPoint_MouseMove(1, 0, 60, 55);
             w->picPoint_MouseUp(1, 0, 60, 55);
         }},
        {"zoom out", [&] {
             w->selectTool("optZoomOut");
             w->picPoint_MouseDown(1, 0, 50, 50);
         }},
        {"full extent", [&] {
             w->selectTool("optFullExtent");
             w->picPoint_MouseDown(1, 0, 50, 50);
         }},
    };
    const auto expectAfterEveryTool = [&](bool shaded) {
        for (const auto& t : tools) {
            SCOPED_TRACE(t.name);
            t.use();
            EXPECT_EQ(colourCount(w->picPoint->surface().image()) > 2u, shaded);
            EXPECT_EQ(colourCount(w->picLegend->surface().image()) > 1u, shaded);
        }
    };
    {
        SCOPED_TRACE("no bandwidth chosen");
        expectAfterEveryTool(false);
    }
    w->selectGlobalRow(3);
    {
        SCOPED_TRACE("the second bandwidth chosen");
        expectAfterEveryTool(true);
    }
    w->selectGlobalRow(1);
    {
        SCOPED_TRACE("the rule under the header chosen");
        expectAfterEveryTool(false);
    }
}

TEST_F(PointWindow, TwoRunsInARowGiveTheSameLists) {
    load(clusteredPoints(25));
    runSingle(ClusterTest::AdjustedPoisson, "0.8");
    const auto global = w->globalLines(), local = w->localLines();
    runSingle(ClusterTest::AdjustedPoisson, "0.8");
    EXPECT_EQ(w->globalLines(), global);
    EXPECT_EQ(w->localLines(), local);
    // The header rows and the closing rule redraw the result without a ring.
    for (int row : {0, 1, 2, 25 + 3}) {
        w->selectLocalRow(row);
        const auto& d = h.ctx.state.points.devicePoints;
        for (std::size_t i = 1; i < d.size(); ++i)
            EXPECT_NE(qColorToBgr(QColor(w->picPoint->surface().image().pixel(d[i].X + 10, d[i].Y))), 0x00FF00)
                << "row " << row << " point " << i;
    }
}

TEST_F(PointWindow, MapToolsZoomPanAndIdentify) {
    load(kFourPoints);
    PointMapView& view = h.ctx.state.points.clusterMap;
    // Before a run the tools do nothing.
    w->selectTool("optZoomIn");
    w->picPoint_MouseDown(1, 0, 10, 10);
    EXPECT_EQ(view.pointZoom, 1.2);

    runSingle(ClusterTest::Unadjusted, "1");
    w->picPoint_MouseDown(1, 0, 10, 10);
    EXPECT_DOUBLE_EQ(view.pointZoom, 1.4);
    w->selectTool("optZoomOut");
    for (int i = 0; i < 8; ++i) w->picPoint_MouseDown(1, 0, 10, 10);
    EXPECT_GT(view.pointZoom, 0.0);  // a step to 0 or below is ignored
    w->selectTool("optFullExtent");
    w->picPoint_MouseDown(1, 0, 10, 10);
    EXPECT_EQ(view.pointZoom, 1.2);

    const auto start = h.ctx.state.points.devicePoints;
    w->selectTool("optPan");
    w->picPoint_MouseDown(1, 0, 100, 100);
    w->picPoint_MouseMove(2, 0, 150, 150);  // right button: no drag
    EXPECT_EQ(view.dragX, 0.0);
    w->picPoint_MouseMove(1, 0, 130, 110);
    const auto& moved = h.ctx.state.points.devicePoints;
    EXPECT_EQ(moved[2].X, start[2].X + 30);
    EXPECT_EQ(moved[2].Y, start[2].Y + 10);
    // Released outside the map: no click follows, and the pan is applied once.
    w->picPoint_MouseUp(1, 0, 900, 900);
    w->picPoint_MouseUp(1, 0, 900, 900);
    EXPECT_EQ(view.panX, 30.0);
    EXPECT_EQ(view.panY, 10.0);
    EXPECT_EQ(view.dragX, 0.0);

    // Identify: a press near point 4 selects its row and shows its ID.
    w->selectTool("optIdentify");
    const auto& d = h.ctx.state.points.devicePoints;
    w->picPoint_MouseDown(1, 0, d[4].X + 2, d[4].Y - 1);
    EXPECT_EQ(w->lstLocalPatternSummary->currentRow(), 4 + 2);
    EXPECT_EQ(w->picPoint->toolTip().toStdString(), "SE");
    // A press halfway between NW (1) and NE (2) takes the one the sort leaves first.
    const MapPoint a = pointPixelExact(*w->picPoint->transform(), 0, 0, 0, 10);
    const MapPoint b = pointPixelExact(*w->picPoint->transform(), 0, 0, 20, 10);
    w->picPoint_MouseDown(1, 0, (a.X + b.X) / 2, (a.Y + b.Y) / 2);
    EXPECT_EQ(w->picPoint->toolTip().toStdString(), "NW");

    // Identify is disabled by a range run and then does nothing; the run
    // took the tip of the point identified before away.
    runRange(ClusterTest::Unadjusted, "0.5", "1", "0.5");
    EXPECT_EQ(w->picPoint->toolTip().toStdString(), "");
    w->selectTool("optIdentify");
    w->picPoint_MouseDown(1, 0, d[4].X, d[4].Y);
    EXPECT_EQ(w->picPoint->toolTip().toStdString(), "");
}

TEST_F(PointWindow, ClosingClearsTheRetrospectiveMapModeAndClosesTheDataTypeDialog) {
    load(kFourPoints);
    runSingle(ClusterTest::Unadjusted, "1");
    ASSERT_TRUE(h.ctx.state.shared.retroMapMode);
    w->cmdLoadData_Click();
    ASSERT_NE(h.ctx.find<frmSelectDataFormat>(), nullptr);
    w->cmdExit_Click();
    EXPECT_FALSE(h.ctx.state.shared.retroMapMode);
    EXPECT_EQ(h.ctx.find<frmSelectDataFormat>(), nullptr);
    EXPECT_EQ(h.ctx.find<frmClusterDetectionTextfile>(), nullptr);
}

TEST_F(PointWindow, AReportThatCannotBeWrittenSaysSoAndKeepsTheOldFile) {
    load(kFourPoints);
    runSingle(ClusterTest::Rossi, "1");
    const std::string path = dir + "/kept.txt";
    writeLines(dir, "kept.txt", {"old"});
    std::filesystem::permissions(path, std::filesystem::perms::owner_read);
    h.clearMessages();
    h.dlg->queueFile(path);
    w->cmdSave_Click();
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    ASSERT_EQ(h.dlg->messages.size(), 1u);
    EXPECT_EQ(h.dlg->messages[0].title, "Warning!");
    EXPECT_EQ(readTextFileLines(path), std::vector<std::string>{"old"});
    // A cancel writes nothing and says nothing.
    h.clearMessages();
    w->cmdSave_Click();
    EXPECT_TRUE(h.dlg->messages.empty());
}

// Every line of both lists is whole at the window's default size, for each
// test, one bandwidth or a range (one that needs a scroll bar too), on the
// sample points with their large statistics.
TEST_F(PointWindow, EveryListLineIsWholeAtTheDefaultSize) {
    const std::string sample = sourcePath("data/sample/points.txt");
    if (!std::filesystem::exists(sample)) GTEST_SKIP() << "no sample points";
    loadPath(sample);
    const QSize defaultSize = w->size();
    const struct {
        const char* name;
        bool range;
        const char* to;
        const char* by;
    } modes[] = {{"single", false, "", ""}, {"range", true, "2.0", "0.2"}, {"long range", true, "4.0", "0.1"}};
    for (const TestCase& t : kTestCases) {
        const ClusterTest test = t.test;
        for (const auto& mode : modes) {
            const std::string name = std::string(t.name) + " " + mode.name;
            SCOPED_TRACE(name);
            if (mode.range)
                runRange(test, "0.2", mode.to, mode.by);
            else
                runSingle(test, "0.5");
            ASSERT_TRUE(h.messageTexts().empty()) << h.messageTexts()[0];
            QCoreApplication::processEvents();  // the lists settle their scroll bars
            ASSERT_EQ(w->size(), defaultSize);
            for (QListWidget* list : {w->lstGlobalPatternSummary, w->lstLocalPatternSummary}) {
                if (list->count() == 0) continue;
                EXPECT_TRUE(list->isVisibleTo(w)) << list->objectName().toStdString();
                const QFontMetrics metrics(list->font());
                // The style leaves this much room either side of an item's text.
                const int margin = list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
                for (int row = 0; row < list->count(); ++row) {
                    const QString line = list->item(row)->text();
                    EXPECT_LE(metrics.horizontalAdvance(line) + 2 * margin, list->viewport()->width())
                        << list->objectName().toStdString() << " row " << row << ": " << line.toStdString();
                }
                EXPECT_EQ(list->horizontalScrollBar()->maximum(), 0) << list->objectName().toStdString();
            }
            if (test == ClusterTest::AdjustedPoisson && std::string(mode.name) != "long range") {
                QCoreApplication::processEvents();  // the chart lays itself out at its shown size
                std::string file = "point_cluster_layout_" + name + ".png";
                std::replace(file.begin(), file.end(), ' ', '_');
                w->grab().save(QString::fromStdString(testOutputPath(file)));
            }
        }
    }
}

TEST_F(PointWindow, ClassMapAndLegendOfTheSamplePoints) {
    const std::string sample = sourcePath("data/sample/points.txt");
    if (!std::filesystem::exists(sample)) GTEST_SKIP() << "no sample points";
    loadPath(sample);
    runSingle(ClusterTest::AdjustedPoisson, "0.5");
    ASSERT_TRUE(h.messageTexts().empty()) << h.messageTexts()[0];
    const AppState& s = h.ctx.state;
    EXPECT_GE(s.points.pointCount, 250.0);
    // Every class break stands in the legend arrays, and the legend's first
    // label reads from the smallest local score.
    ASSERT_EQ(s.legend.classBreaks.size(), 7u);
    EXPECT_LE(s.legend.classBreaks[1], s.legend.classBreaks[2]);
    EXPECT_EQ(s.legend.legendMin, s.retro.scoreLegendValues[1]);
    // The planted cluster puts points in the top class.
    int top = 0;
    for (std::size_t i = 1; i < s.retro.scoreMapValues.size(); ++i)
        top += modLegend::PointClassOf(s.legend.classBreaks, s.retro.scoreMapValues[i]) == 6;
    EXPECT_GT(top, 0);
    w->grab().save(QString::fromStdString(testOutputPath("point_cluster_window.png")));
    w->picPoint->surface().image().save(QString::fromStdString(testOutputPath("point_class_map.png")));
    runRange(ClusterTest::Rossi, "0.2", "2.0", "0.2");
    EXPECT_EQ(w->globalLines().size(), 13u);
    QCoreApplication::processEvents();  // the chart lays itself out at its shown size
    w->grab().save(QString::fromStdString(testOutputPath("point_cluster_range.png")));
}

// The alpha box is read as the level of the results beside it: a Run or a
// Save while it shows none of its levels is refused, naming them, and
// changes nothing shown; a level typed as one of the list's is taken.
TEST_F(PointWindow, ResultsStandOnlyBesideTheLevelTheyWereComputedAt) {
    load(clusteredPoints(12));
    w->selectAlpha(1);
    runSingle(ClusterTest::Unadjusted, "1");
    ASSERT_TRUE(h.messageTexts().empty());
    const auto criticalValueLine = [this](double level) {
        return "Critical Value = " + F(cd::GetChiSquareCritical(level, h.ctx.state.retro.scoreDf), "0.000");
    };
    const Shown before = shown();
    ASSERT_EQ(before.global.size(), 10u);
    EXPECT_EQ(before.global[5], criticalValueLine(0.01));
    for (const char* text : {"0.1", "abc", ""}) {
        SCOPED_TRACE(std::string("alpha box: \"") + text + "\"");
        h.clearMessages();
        h.dlg->fileCalls.clear();
        w->cboAlpha->setEditText(text);
        w->cmdRun->click();
        w->cmdSave->click();
        EXPECT_EQ(h.messageTexts(), std::vector<std::string>(2, "Alpha should be one of the levels offered: 0.05 or 0.01."));
        EXPECT_TRUE(h.dlg->fileCalls.empty()) << "the refused save offered its dialog";
        EXPECT_EQ(h.ctx.state.retro.alpha, 0.01);
        EXPECT_TRUE(w->cmdSave->isEnabled());
        EXPECT_EQ(w->globalLines(), before.global);
        EXPECT_EQ(w->localLines(), before.local);
        EXPECT_TRUE(w->picPoint->surface().image() == before.map);
    }
    h.clearMessages();
    w->cboAlpha->setEditText("0.05");
    w->cmdRun->click();
    EXPECT_TRUE(h.messageTexts().empty());
    EXPECT_EQ(h.ctx.state.retro.alpha, 0.05);
    ASSERT_EQ(w->globalLines().size(), 10u);
    EXPECT_EQ(w->globalLines()[5], criticalValueLine(0.05));
}

// Counts of millions per point fill the columns of the local list and of
// the report, or run past them: every value of a point's row can still be
// read back from the row, split at its blanks, as the value the run
// computed.
TEST_F(PointWindow, EveryValueOfAPointsRowCanBeReadBack) {
    std::vector<std::string> lines;
    for (const std::string& line : clusteredPoints(12)) {
        const std::size_t comma = line.rfind(',');
        lines.push_back(line.substr(0, comma + 1) + formatGeneral(std::stod(line.substr(comma + 1)) * 1e6));
    }
    load(lines);
    const AppState& s = h.ctx.state;
    for (ClusterTest test : {ClusterTest::AdjustedPoisson, ClusterTest::Rossi}) {
        SCOPED_TRACE(static_cast<int>(test));
        runSingle(test, "1");
        ASSERT_TRUE(h.messageTexts().empty());
        const std::vector<std::string> report = saveReport(), local = w->localLines();
        const bool score = isScoreTest(test);
        const std::size_t firstReportRow = score ? 14 : 10;
        ASSERT_EQ(local.size(), 16u);
        ASSERT_EQ(report.size(), firstReportRow + 13);
        for (std::int32_t i = 1; i <= 12; ++i) {
            SCOPED_TRACE(i);
            const auto k = static_cast<std::size_t>(i);
            const std::string& id = s.area.centroidTable[k].ID;
            std::vector<std::string> listed{id}, reported{id};
            if (score) {
                listed.insert(listed.end(), {F(s.retro.localScoreAdjusted[k], "###0.000"), F(s.retro.localScoreZAdjusted[k], "0.000")});
                reported.insert(reported.end(), {F(s.retro.localScoreAdjusted[k], "###0.00"), F(s.retro.localScoreZAdjusted[k], "0.00")});
            } else {
                listed.push_back(F(s.retro.localM[k], "###0.000"));
                reported.push_back(F(s.retro.localM[k], "###0.00"));
            }
            listed.insert(listed.end(), {F(s.retro.observed[k], "0.000"), F(s.retro.expected[k], "0.000")});
            reported.insert(reported.end(), {F(s.retro.observed[k], "0.00"), F(s.retro.expected[k], "0.00")});
            EXPECT_EQ(wordsOf(local[static_cast<std::size_t>(ClusterLines::localRowOfPoint(i))]), listed);
            EXPECT_EQ(wordsOf(report[firstReportRow + k - 1]), reported);
        }
    }
    // The counts do fill their columns.
    EXPECT_GE(F(s.retro.observed[1], "0.000").size(), 11u);
}

}  // namespace

// The study area of the points is the hull of their pixels as the plain map
// draws them with the zoom and pan in force when Run is pressed: at zoom
// 1.8 the sample points' hull is not the one at the start's 1.2.
TEST_F(PointWindow, TheStudyAreaIsMeasuredAtTheZoomAndPanOfTheRun) {
    loadPath(sourcePath("data/sample/points.txt"));
    const PointMapView& view = h.ctx.state.points.clusterMap;
    const auto hullArea = [&](double zoom, double panX, double panY) {
        return pointHullArea(w->picPoint->transformInput(), zoom, panX, panY, h.ctx.state.area.centroidTable,
                             static_cast<std::int32_t>(h.ctx.state.points.pointCount));
    };
    runSingle(ClusterTest::Unadjusted, "1");
    ASSERT_TRUE(h.messageTexts().empty()) << h.messageTexts()[0];
    EXPECT_EQ(h.ctx.state.area.studyArea, hullArea(1.2, 0, 0));
    const struct {
        const char* name;
        const char* tool;
        int presses;
        double zoom;
        bool range;
    } cases[] = {
        {"zoomed in, one bandwidth", "optZoomIn", 3, 1.8, false},
        {"panned, a range", "optPan", 1, 1.8, true},
        {"zoomed out, one bandwidth", "optZoomOut", 2, 1.4, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        w->selectTool(c.tool);
        for (int i = 0; i < c.presses; ++i) {
            // Part of a pixel too, which moves some points across a rounding.
            w->picPoint_MouseDown(1, 0, 100, 100);
            w->picPoint_MouseMove(1, 0, 137.3, 81.6);
            w->picPoint_MouseUp(1, 0, 137.3, 81.6);
            w->picPoint_Click();
        }
        ASSERT_NEAR(view.pointZoom, c.zoom, 1e-12);
        if (c.range)
            runRange(ClusterTest::Unadjusted, "0.5", "1", "0.5");
        else
            runSingle(ClusterTest::Unadjusted, "1");
        ASSERT_TRUE(h.messageTexts().empty()) << h.messageTexts()[0];
        const double area = hullArea(view.pointZoom, view.panX, view.panY);
        EXPECT_EQ(h.ctx.state.area.studyArea, area);
        // Measured at the start's zoom or without the pan, it would differ.
        std::vector<std::tuple<double, double, double>> others = {{1.2, view.panX, view.panY}};
        if (view.panX != 0.0) others.emplace_back(view.pointZoom, 0.0, 0.0);
        for (const auto& [zoom, panX, panY] : others)
            EXPECT_NE(hullArea(zoom, panX, panY), area) << "zoom " << zoom << ", pan " << panX;
    }
}
