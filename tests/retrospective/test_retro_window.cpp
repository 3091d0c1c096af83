// The cluster test window end to end on a small grid of regions: the four
// tests for one bandwidth and for a range, the lists, the map, the chart,
// the report, the validation messages and the runs on degenerate data.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QGroupBox>
#include <QTimer>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "map/frmPolygonSHP.h"
#include "platform/Format.h"
#include "platform/TextFile.h"
#include "retrospective/ClusterLines.h"
#include "retrospective/ClusterMapLink.h"
#include "retrospective/frmClusterDetection.h"
#include "retrospective/frmParameter.h"
#include "retrospective/frmSigmaChart.h"
#include "stats/modClusterDetection.h"
#include "stats/modPValue.h"
#include "tests/retrospective/RetroFixture.h"
#include "tests/support/ImageColours.h"
#include "tests/support/TestPaths.h"
#include "ui/LineChart.h"
#include "ui/Pictures.h"

using namespace retro_test;
namespace cd = modClusterDetection;

namespace {

std::string R(const std::string& t, std::size_t w) { return alignRight(t, w); }
std::string F(double v, const char* m) { return formatMask(v, m); }

// The lines a single run must show, computed here from the engine in the
// test's order and formatted from the layouts.
ResultLines expectedSingle(AppState e, ClusterTest test, double sigma) {
    e.shared.sigma = sigma;
    ResultLines r;
    const std::string rule(82, '-');
    if (test == ClusterTest::Unadjusted || test == ClusterTest::AdjustedPoisson) {
        const bool unadj = test == ClusterTest::Unadjusted;
        cd::CalcScoreWeights(e.area, e.points, e.shared, e.retro);
        if (unadj) {
            cd::CalcLocalScoreUnadjusted(e.area, e.retro);
            cd::CalcScoreMomentsUnadjusted(e.area, e.retro);
            cd::StandardizeScoreUnadjusted(e.retro);
        } else {
            cd::CalcLocalScoreAdjusted(e.area, e.retro);
            cd::CalcScoreMomentsAdjusted(e.area, e.retro);
            cd::StandardizeScoreAdjusted(e.retro);
            cd::CalcMWeights(e.area, e.points, e.shared, e.retro);
            cd::CalcLocalMPoisson(e.area, e.retro);
        }
        r.global = expectedScoreGlobalLines(e, unadj);
        const DoubleArray& u = unadj ? e.retro.localScoreUnadjusted : e.retro.localScoreAdjusted;
        const DoubleArray& z = unadj ? e.retro.localScoreZUnadjusted : e.retro.localScoreZAdjusted;
        const std::size_t we = unadj ? 12 : 11;
        r.local = {rule, R("ID", 13) + R("U(i) ", 11) + R("Z[U(i)]", 9) + R("Observed", 10) + R("Expected", we), rule};
        for (int i = 1; i <= e.area.regionCount; ++i) {
            const auto k = static_cast<std::size_t>(i);
            r.local.push_back(R(e.retro.primaryIds[k], 13) + R(F(u[k], "###0.000"), 10) + R(F(z[k], "0.000"), 10) +
                              R(F(e.retro.observed[k], "0.000"), 10) + R(F(e.retro.expected[k], "0.000"), we));
        }
    } else {
        cd::CalcMWeights(e.area, e.points, e.shared, e.retro);
        if (test == ClusterTest::FreemanTukey) cd::CalcLocalMFreemanTukey(e.area, e.retro);
        else cd::CalcLocalMRossi(e.area, e.retro);
        const double m = cd::GetMaxLocalM(e.area, e.retro);
        r.global = {"", "Maximum M-statistic = " + F(m, "0.000"), "", "M Critical (M*) = " + F(cd::GetMCritical(e.area, e.shared, e.retro).value, "0.000"), ""};
        r.local = {rule, R("ID", 13) + R("M(i) ", 11) + R("Observed", 9) + R("Expected", 10), rule};
        for (int i = 1; i <= e.area.regionCount; ++i) {
            const auto k = static_cast<std::size_t>(i);
            r.local.push_back(R(e.retro.primaryIds[k], 13) + R(F(e.retro.localM[k], "###0.000"), 10) +
                              R(F(e.retro.observed[k], "0.000"), 10) + R(F(e.retro.expected[k], "0.000"), 10));
        }
    }
    r.local.push_back(rule);
    return r;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string joinCrLf(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) out += l + "\r\n";
    return out;
}

class RetroWindow : public ::testing::Test {
protected:
    void SetUp() override {
        dir = scratchDir("retro-window");
        h = std::make_unique<Harness>();
        h->openStudyArea(writeGrid(dir, "grid", 4, 3, clusteredCounts(12)));
        h->inputPopCase("POP", "CASES", "NAME");
        w = h->ctx.find<frmClusterDetection>();
        ASSERT_NE(w, nullptr);
        map = h->ctx.find<frmPolygonSHP>();
        ASSERT_NE(map, nullptr);
        h->clearMessages();
    }
    void TearDown() override { h.reset(); }

    void runSingle(ClusterTest test, const char* sigma) { runClusterSingle(w, test, sigma); }
    void runRange(ClusterTest test, const char* from, const char* to, const char* step) {
        runClusterRange(w, test, from, to, step);
    }
    AppState& state() { return h->ctx.state; }

    // How many colours the map's picture holds: two (background and
    // outlines) for the plain map, more when it is shaded.
    std::size_t mapColours() const { return colourCount(map->picSHP->surface().image()); }
    // Whether the map window's own surface, where the class legend stands, is empty.
    bool legendCleared() const {
        const QImage& legend = map->surface().image();
        const QRgb back = legend.pixel(0, 0);
        for (int y = 0; y < legend.height(); y += 3)
            for (int x = 0; x < legend.width(); x += 3)
                if (legend.pixel(x, y) != back) return false;
        return true;
    }

    std::string dir;
    std::unique_ptr<Harness> h;
    frmClusterDetection* w = nullptr;
    frmPolygonSHP* map = nullptr;
};

TEST_F(RetroWindow, StartState) {
    EXPECT_EQ(w->windowTitle().toStdString(), "Cluster Detection --- Score and M Statistic");
    EXPECT_TRUE(w->optUnadjusted->isChecked());
    EXPECT_TRUE(w->optSpatialSingleSigma->isChecked());
    EXPECT_FALSE(w->cmdSave->isEnabled());
    EXPECT_FALSE(w->picEquation->pixmap().isNull());
    EXPECT_EQ(w->cboAlpha->count(), 2);
    EXPECT_EQ(w->cboAlpha->itemText(0).toStdString(), "0.05");
    EXPECT_EQ(w->cboAlpha->itemText(1).toStdString(), "0.01");
    EXPECT_EQ(w->cboAlpha->currentText().toStdString(), "0.05");
    EXPECT_EQ(state().retro.alpha, 0.05);
    EXPECT_EQ(w->txtSingleSigma->text().toStdString(), "1");
    EXPECT_EQ(w->txtFromSigma->text().toStdString(), "0.2");
    EXPECT_EQ(w->txtToSigma->text().toStdString(), "2.0");
    EXPECT_EQ(w->txtStep->text().toStdString(), "0.2");
    EXPECT_EQ(w->lstGlobalPatternSummary->count(), 0);
    EXPECT_EQ(w->lstLocalPatternSummary->count(), 0);
}

class RetroSingleRun : public RetroWindow, public ::testing::WithParamInterface<ClusterTest> {};

TEST_P(RetroSingleRun, ListsEqualTheEngineFormatted) {
    const ClusterTest test = GetParam();
    const ResultLines expected = expectedSingle(state(), test, 1.0);
    runSingle(test, "1");
    EXPECT_TRUE(h->dlg->messages.empty());
    EXPECT_EQ(w->globalLines(), expected.global);
    EXPECT_EQ(w->localLines(), expected.local);
    EXPECT_EQ(state().shared.sigma, 1.0);
    EXPECT_TRUE(state().shared.retroMapMode);
    EXPECT_TRUE(w->cmdSave->isEnabled());
    EXPECT_TRUE(map->isButtonEnabled("Find"));
    EXPECT_TRUE(map->isButtonPressed("Find"));
    EXPECT_FALSE(map->isButtonEnabled("MapAnimation"));
    const bool m = test == ClusterTest::FreemanTukey || test == ClusterTest::Rossi;
    EXPECT_EQ(map->imgM_Legend->isVisibleTo(map), m);
    if (m) {
        EXPECT_FALSE(map->imgM_Legend->pixmap().isNull());
    }
    // The map shades the statistic the lists show, in region order, and
    // keeps it on every redraw.
    const DoubleArray& shown = test == ClusterTest::Unadjusted        ? state().retro.localScoreUnadjusted
                               : test == ClusterTest::AdjustedPoisson ? state().retro.localScoreAdjusted
                                                                      : state().retro.localM;
    map->RedrawByMode();
    ASSERT_EQ(state().retro.mapClassValues.size(), 13u);
    for (std::size_t i = 1; i <= 12; ++i) EXPECT_DOUBLE_EQ(state().retro.mapClassValues[i], shown[i]) << i;
    // A click on the global list after a single run leaves the map as it is.
    const DoubleArray before = state().retro.mapClassValues;
    w->selectGlobalRow(1);
    EXPECT_EQ(state().retro.mapClassValues, before);

    // Save writes the report of this run.
    const std::string path = dir + "/single.txt";
    h->dlg->queueFile(path);
    w->cmdSave_Click();
    EXPECT_TRUE(h->dlg->messages.empty());
    const auto lines = ClusterLines::singleReport(state(), test).lines;
    EXPECT_EQ(lines.size(), (m ? 11u : 15u) + 12u);
    EXPECT_EQ(readFile(path), joinCrLf(lines));
    ASSERT_EQ(h->dlg->fileCalls.size(), 1u);
    EXPECT_TRUE(h->dlg->fileCalls[0].save);
    EXPECT_EQ(h->dlg->fileCalls[0].request.filter, "Text File (*.txt)|*.txt");
}

INSTANTIATE_TEST_SUITE_P(AllTests, RetroSingleRun,
                         ::testing::Values(ClusterTest::Unadjusted, ClusterTest::AdjustedPoisson,
                                           ClusterTest::FreemanTukey, ClusterTest::Rossi),
                         [](const auto& info) {
                             switch (info.param) {
                             case ClusterTest::Unadjusted: return std::string("Unadjusted");
                             case ClusterTest::AdjustedPoisson: return std::string("AdjustedPoisson");
                             case ClusterTest::FreemanTukey: return std::string("FreemanTukey");
                             case ClusterTest::Rossi: return std::string("Rossi");
                             }
                             return std::string();
                         });

TEST_F(RetroWindow, ZeroBandwidthGivesTheResiduals) {
    runSingle(ClusterTest::FreemanTukey, "0");
    EXPECT_EQ(state().shared.sigma, 1e-8);
    for (std::size_t i = 1; i <= 12; ++i) {
        const double o = state().retro.observed[i], e = state().retro.expected[i];
        EXPECT_NEAR(state().retro.localM[i], std::sqrt(o) + std::sqrt(o + 1) - std::sqrt(4 * e + 1), 1e-12) << i;
    }
    runSingle(ClusterTest::AdjustedPoisson, "0");
    // Identity weights: the adjusted chi-square is Pearson's statistic with N - 1 degrees of freedom.
    double pearson = 0.0;
    for (std::size_t i = 1; i <= 12; ++i) {
        const double d = state().retro.observed[i] - state().retro.expected[i];
        pearson += d * d / state().retro.expected[i];
    }
    EXPECT_NEAR(state().retro.scoreDf, 11.0, 1e-9);
    EXPECT_NEAR(state().retro.scoreChiSquare, pearson, 1e-9);
}

// A refused bandwidth changes nothing shown: the single run before keeps
// its lists, its shaded map with legend, its Find tool and its report.
TEST_F(RetroWindow, SingleValidation) {
    struct Case { const char* text; const char* message; };
    runSingle(ClusterTest::Rossi, "1");
    const std::vector<std::string> global = w->globalLines(), local = w->localLines();
    const std::vector<std::string> report = ClusterLines::singleReport(state(), ClusterTest::Rossi).lines;
    for (const Case& c : {Case{"abc", "Bandwidth should be numerical."}, Case{"inf", "Bandwidth should be numerical."},
                          Case{"nan", "Bandwidth should be numerical."}, Case{"1e400", "Bandwidth should be numerical."},
                          Case{"", "Bandwidth should be numerical."}, Case{"-0.5", "Bandwidth should not be negative."}}) {
        SCOPED_TRACE(c.text);
        h->clearMessages();
        w->txtSingleSigma->setText(c.text);
        w->cmdRun_Click();
        ASSERT_EQ(h->dlg->messages.size(), 1u);
        EXPECT_EQ(h->dlg->messages[0].text, c.message);
        EXPECT_EQ(h->dlg->messages[0].title, "Warning!");
        EXPECT_EQ(h->dlg->messages[0].icon, MsgIcon::Critical);
        EXPECT_EQ(w->globalLines(), global);
        EXPECT_EQ(w->localLines(), local);
        EXPECT_EQ(state().shared.sigma, 1.0);
        EXPECT_TRUE(w->cmdSave->isEnabled());
        EXPECT_TRUE(map->isButtonPressed("Find"));
        EXPECT_TRUE(map->imgM_Legend->isVisibleTo(map));
        EXPECT_FALSE(legendCleared());
        map->RedrawByMode();
        EXPECT_GT(mapColours(), 2u);
        EXPECT_FALSE(legendCleared());
        EXPECT_EQ(ClusterLines::singleReport(state(), ClusterTest::Rossi).lines, report);
    }
}

// A refused range changes nothing shown either, nor the bandwidth of the
// run before: its rows, plot, shading, Save and report stay.
TEST_F(RetroWindow, RangeValidation) {
    struct Case { const char *from, *to, *step, *message; };
    const char* numeric = "A range of bandwidth parameters should be numeric.";
    const char* invalid = "Ivalid range of bandwidth was input. Check the parameters!";
    runRange(ClusterTest::Rossi, "0.5", "1.5", "0.5");
    w->selectGlobalRow(3);
    const std::vector<std::string> global = w->globalLines();
    const double sigma = state().shared.sigma, end = state().retro.sigmaRangeEnd;
    const std::vector<std::string> report = ClusterLines::rangeReport(state(), ClusterTest::Rossi);
    for (const Case& c : {Case{"x", "2", "0.2", numeric}, Case{"0.2", "", "0.2", numeric}, Case{"0.2", "2", "inf", numeric},
                          Case{"1", "1", "0.1", invalid}, Case{"-1", "0", "0", invalid}, Case{"2", "1", "0.1", invalid},
                          Case{"0", "1", "-0.1", invalid}}) {
        SCOPED_TRACE(std::string(c.from) + " " + c.to + " " + c.step);
        h->clearMessages();
        w->txtFromSigma->setText(c.from);
        w->txtToSigma->setText(c.to);
        w->txtStep->setText(c.step);
        w->cmdRun_Click();
        ASSERT_EQ(h->dlg->messages.size(), 1u);
        EXPECT_EQ(h->dlg->messages[0].text, c.message);
        EXPECT_EQ(h->dlg->messages[0].title, "Warning!");
        EXPECT_EQ(h->dlg->messages[0].icon, MsgIcon::Critical);
        EXPECT_EQ(w->globalLines(), global);
        EXPECT_EQ(w->lstGlobalPatternSummary->currentRow(), 3);
        EXPECT_NE(h->ctx.find<frmSigmaChart>(), nullptr);
        EXPECT_TRUE(w->cmdSave->isEnabled());
        EXPECT_EQ(state().shared.sigma, sigma);
        EXPECT_EQ(state().retro.sigmaRangeEnd, end);
        map->Form_Activate();
        EXPECT_GT(mapColours(), 2u);
        EXPECT_FALSE(legendCleared());
        EXPECT_EQ(ClusterLines::rangeReport(state(), ClusterTest::Rossi), report);
    }
}

// A Run refused while the map animates the bandwidths of the run before
// leaves the animation going to its end.
TEST_F(RetroWindow, ARefusedRunLeavesTheMapsAnimationGoing) {
    runRange(ClusterTest::Unadjusted, "0.5", "1.5", "0.5");
    const int count = state().retro.bandwidthCount;
    h->pump->onWait = [&](std::int64_t n) {
        if (n != 1) return;
        w->txtStep->setText("x");
        w->cmdRun_Click();
    };
    map->Toolbar1_ButtonClick("MapAnimation");
    h->pump->onWait = nullptr;
    EXPECT_EQ(h->dlg->messages.size(), 1u);
    EXPECT_EQ(h->pump->waits, count);
    EXPECT_EQ(w->lstGlobalPatternSummary->currentRow(), ClusterLines::rangeRowOfBandwidth(count - 1));
    EXPECT_TRUE(map->sliderStatsRange->isVisibleTo(map));
    EXPECT_GT(mapColours(), 2u);
}

TEST_F(RetroWindow, RangeRunFillsTablesListAndChart) {
    runRange(ClusterTest::Unadjusted, "0.2", "2.0", "0.2");
    EXPECT_TRUE(h->dlg->messages.empty());
    const AppState& s = state();
    ASSERT_EQ(s.retro.bandwidthCount, 10);
    ASSERT_EQ(s.retro.rangeSigmas.size(), 11u);
    EXPECT_EQ(s.retro.rangeSigmas[10], 0.0);
    EXPECT_EQ(s.shared.sigma, s.retro.rangeSigmas[9]);  // the last bandwidth computed
    EXPECT_NEAR(s.shared.sigma, 2.0, 1e-12);
    EXPECT_EQ(s.retro.sigmaRangeEnd, 2.0);

    const auto g = w->globalLines();
    ASSERT_EQ(g.size(), 13u);
    EXPECT_EQ(g[0], ClusterLines::rangeHeader(ClusterTest::Unadjusted));
    EXPECT_EQ(g[1], std::string(50, '-'));
    EXPECT_EQ(g[12], std::string(50, '-'));
    EXPECT_EQ(w->lstLocalPatternSummary->count(), 0);
    for (int k = 0; k < 10; ++k) {
        const auto kk = static_cast<std::size_t>(k);
        ClusterLines::RangeRow row{s.retro.rangeSigmas[kk], s.retro.rangeStatistic[kk], s.retro.rangeChiSquare[kk], s.retro.rangeDf[kk],
                                   s.retro.rangePValue[kk], 0, 0};
        EXPECT_EQ(g[kk + 2], ClusterLines::rangeRow(ClusterTest::Unadjusted, row)) << k;
        EXPECT_EQ(g[kk + 2].substr(0, 6), R(F(0.2 * (k + 1), "0.000"), 6));
    }
    // One bandwidth of the tables against a run of its own.
    AppState e = s;
    e.shared.sigma = s.retro.rangeSigmas[4];
    cd::CalcScoreWeights(e.area, e.points, e.shared, e.retro);
    cd::CalcLocalScoreUnadjusted(e.area, e.retro);
    cd::CalcScoreMomentsUnadjusted(e.area, e.retro);
    cd::StandardizeScoreUnadjusted(e.retro);
    EXPECT_EQ(s.retro.rangeStatistic[4], e.retro.globalScoreUnadjusted);
    EXPECT_EQ(s.retro.rangeChiSquare[4], e.retro.scoreChiSquare);
    EXPECT_EQ(s.retro.rangeChiCritical[4], cd::GetChiSquareCritical(0.05, e.retro.scoreDf));
    for (int i = 1; i <= 12; ++i) EXPECT_EQ(s.retro.rangeLocalStats(4, i), e.retro.localScoreUnadjusted[static_cast<std::size_t>(i)]);

    auto* chart = h->ctx.find<frmSigmaChart>();
    ASSERT_NE(chart, nullptr);
    EXPECT_EQ(chart->windowTitle().toStdString(), "Global spatial statistics");
    EXPECT_EQ(chart->lblStats->text().toStdString(), "Chi");
    EXPECT_EQ(chart->lblCriticalStats->text().toStdString(), "Chi*");
    EXPECT_FALSE(chart->txtTitle->isEnabled());
    EXPECT_EQ(chart->txtTitle->text().toStdString(), "Bandwidth(Sigma)");
    const LineChart* c = chart->chartPlotStatistics;
    ASSERT_EQ(c->rowCount(), 10);
    ASSERT_EQ(c->columnCount(), 2);
    for (int k = 0; k < 10; ++k) {
        const auto kk = static_cast<std::size_t>(k);
        EXPECT_EQ(c->chartData()(k, 0), s.retro.rangeChiSquare[kk]);
        EXPECT_EQ(c->chartData()(k, 1), s.retro.rangeChiCritical[kk]);
        EXPECT_EQ(c->rowLabel(k + 1).toStdString(), F(s.retro.rangeSigmas[kk], "0.000"));
    }
    EXPECT_EQ(s.retro.chartData, c->chartData());
    EXPECT_FALSE(map->isButtonEnabled("Find"));
    EXPECT_FALSE(map->isButtonPressed("Find"));
    EXPECT_TRUE(map->isButtonEnabled("MapAnimation"));
    // The map shades nothing until a bandwidth is chosen.
    EXPECT_FALSE(s.shared.retroMapMode);
    EXPECT_TRUE(w->cmdSave->isEnabled());

    // A bandwidth row shades the map from the tables; the other rows draw the plain map.
    w->selectGlobalRow(2);
    EXPECT_TRUE(state().shared.retroMapMode);
    EXPECT_EQ(state().shared.sigma, s.retro.rangeSigmas[0]);
    for (int i = 1; i <= 12; ++i) EXPECT_EQ(state().retro.mapClassValues[static_cast<std::size_t>(i)], s.retro.rangeLocalStats(0, i));
    w->selectGlobalRow(11);
    EXPECT_EQ(state().shared.sigma, s.retro.rangeSigmas[9]);
    for (int i = 1; i <= 12; ++i) EXPECT_EQ(state().retro.mapClassValues[static_cast<std::size_t>(i)], s.retro.rangeLocalStats(9, i));
    w->selectGlobalRow(12);
    EXPECT_EQ(state().shared.sigma, s.retro.rangeSigmas[9]);

    // Let the chart lay out its axes before the picture is taken.
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    QWidget* chartTop = AppContext::topOf(chart);
    chartTop->grab().save(QString::fromStdString(testOutputPath("retro_statistics_plot.png")));

    // The range report.
    const std::string path = dir + "/range.txt";
    h->dlg->queueFile(path);
    w->cmdSave_Click();
    const auto lines = ClusterLines::rangeReport(state(), ClusterTest::Unadjusted);
    EXPECT_EQ(lines.size(), 15u);
    EXPECT_EQ(readFile(path), joinCrLf(lines));

    // Choosing "Single value" closes the chart.
    w->selectSingleSigma();
    EXPECT_EQ(h->ctx.find<frmSigmaChart>(), nullptr);
    EXPECT_FALSE(w->cmdSave->isEnabled());
}

// However many bandwidths a range has, its run lays the statistics plot out
// once, with every bandwidth's label handed over in the same call.
TEST_F(RetroWindow, EachRangeRunLaysThePlotOutOnce) {
    struct Case {
        const char *from, *to, *step;
    };
    for (const Case& c : {Case{"0.2", "2.0", "0.2"}, Case{"0.05", "3.0", "0.05"}, Case{"0.5", "1.0", "0.2"}}) {
        SCOPED_TRACE(std::string(c.from) + " " + c.to + " " + c.step);
        const frmSigmaChart* open = h->ctx.find<frmSigmaChart>();
        const int before = open ? open->chartPlotStatistics->layoutCount() : 0;
        runRange(ClusterTest::Unadjusted, c.from, c.to, c.step);
        const frmSigmaChart* chart = h->ctx.find<frmSigmaChart>();
        ASSERT_NE(chart, nullptr);
        const LineChart* plot = chart->chartPlotStatistics;
        EXPECT_EQ(plot->layoutCount() - before, 1);
        const AppState& s = state();
        ASSERT_EQ(plot->rowCount(), s.retro.bandwidthCount);
        QStringList labels;
        for (int k = 0; k < s.retro.bandwidthCount; ++k)
            labels << QString::fromStdString(F(s.retro.rangeSigmas[static_cast<std::size_t>(k)], "0.000"));
        EXPECT_EQ(plot->rowLabels(), labels);
    }
}

TEST_F(RetroWindow, RangeLastBandwidthIsClampedBeforeItIsComputed) {
    runRange(ClusterTest::FreemanTukey, "0.5", "1.0", "0.2");
    const AppState& s = state();
    ASSERT_EQ(s.retro.bandwidthCount, 4);  // 3.5 rounds to 4
    EXPECT_EQ(s.retro.rangeSigmas[3], 1.0);
    EXPECT_EQ(s.shared.sigma, 1.0);
    AppState e = s;
    e.shared.sigma = 1.0;
    cd::CalcMWeights(e.area, e.points, e.shared, e.retro);
    cd::CalcLocalMFreemanTukey(e.area, e.retro);
    EXPECT_EQ(s.retro.rangeStatistic[3], cd::GetMaxLocalM(e.area, e.retro));
    EXPECT_EQ(s.retro.rangeMCritical[3], cd::GetMCritical(e.area, e.shared, e.retro).value);
    EXPECT_EQ(w->globalLines()[5].substr(0, 6), " 1.000");
    auto* chart = h->ctx.find<frmSigmaChart>();
    ASSERT_NE(chart, nullptr);
    EXPECT_EQ(chart->lblStats->text().toStdString(), "M");
    EXPECT_EQ(chart->lblCriticalStats->text().toStdString(), "M*");
    EXPECT_EQ(chart->chartPlotStatistics->rowLabel(4).toStdString(), "1.000");
    EXPECT_EQ(chart->chartPlotStatistics->chartData()(3, 0), s.retro.rangeStatistic[3]);
    for (auto* t : {&s.retro.rangeChiSquare, &s.retro.rangeDf, &s.retro.rangeChiCritical, &s.retro.rangePValue, &s.retro.rangeMaxM})
        for (double v : *t) EXPECT_EQ(v, 0.0);
    // The M tests show the M-class legend picture on a bandwidth row.
    w->selectGlobalRow(3);
    EXPECT_TRUE(map->imgM_Legend->isVisibleTo(map));
}

TEST_F(RetroWindow, RangeFromZero) {
    runRange(ClusterTest::Unadjusted, "0", "3", "2");
    const AppState& s = state();
    ASSERT_EQ(s.retro.bandwidthCount, 2);  // 2.5 rounds to 2
    EXPECT_EQ(s.retro.rangeSigmas[0], 1e-8);
    EXPECT_EQ(s.retro.rangeSigmas[1], 2.00000001);
    EXPECT_EQ(w->globalLines()[2].substr(0, 6), " 0.000");
    EXPECT_EQ(w->globalLines()[3].substr(0, 6), " 2.000");
}

TEST_F(RetroWindow, AdjustedRangeRow) {
    runRange(ClusterTest::AdjustedPoisson, "0.5", "1.5", "0.5");
    const AppState& s = state();
    ASSERT_EQ(s.retro.bandwidthCount, 3);
    const auto g = w->globalLines();
    for (int k = 0; k < 3; ++k) {
        const auto kk = static_cast<std::size_t>(k);
        EXPECT_NE(s.retro.rangeMaxM[kk], 0.0);
        EXPECT_NE(s.retro.rangeMCritical[kk], 0.0);
        ClusterLines::RangeRow row{s.retro.rangeSigmas[kk], s.retro.rangeStatistic[kk], s.retro.rangeChiSquare[kk], s.retro.rangeDf[kk],
                                   s.retro.rangePValue[kk], s.retro.rangeMaxM[kk], s.retro.rangeMCritical[kk]};
        EXPECT_EQ(g[kk + 2], ClusterLines::rangeRow(ClusterTest::AdjustedPoisson, row));
        EXPECT_EQ(s.retro.chartData(k, 0), s.retro.rangeChiSquare[kk]);
    }
}

TEST_F(RetroWindow, AlphaChoiceKeepsSaveAndLists) {
    runSingle(ClusterTest::Rossi, "1");
    const auto before = w->globalLines();
    w->selectAlpha(1);
    EXPECT_EQ(state().retro.alpha, 0.01);
    EXPECT_TRUE(w->cmdSave->isEnabled());
    EXPECT_EQ(w->globalLines(), before);
    for (QRadioButton* o : {w->optUnadjusted, w->optSpatialSigmaRange}) {
        runSingle(ClusterTest::Rossi, "1");
        o->click();
        EXPECT_FALSE(w->cmdSave->isEnabled());
    }
}

TEST_F(RetroWindow, AnOptionChosenFromCodeActsAsAClickOnIt) {
    // Either way the map's legend, which listens to the options, follows
    // the chosen test.
    expectOptionsActAsClicks(
        *w, w->cmdSave, [&] { runSingle(ClusterTest::Rossi, "1"); },
        [&](const OptionChoice& c) {
            const LegendStatistic legend = isScoreTest(c.test) ? LegendStatistic::Score : LegendStatistic::M;
            EXPECT_EQ(state().legend.legendStatistic, legend);
        });
}

TEST_F(RetroWindow, LocalListHighlightsTheRegion) {
    runSingle(ClusterTest::Unadjusted, "1");
    auto yellowPixels = [&] {
        const QImage& img = map->picSHP->surface().image();
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if ((img.pixel(x, y) & 0xFFFFFF) == 0xFFFF00) ++n;
        return n;
    };
    w->selectLocalRow(3);
    EXPECT_GT(yellowPixels(), 0);
    w->selectLocalRow(1);
    EXPECT_EQ(yellowPixels(), 0);
    QWidget* top = AppContext::topOf(map);
    w->selectLocalRow(-1);
    top->grab().save(QString::fromStdString(testOutputPath("retro_class_map.png")));
}

TEST_F(RetroWindow, DegenerateDataLeaveEverythingAsItWas) {
    struct Case { const char* name; std::function<void(AppState&)> spoil; };
    const std::vector<Case> cases = {
        {"zero expected", [](AppState& s) { s.retro.expected[5] = 0.0; }},
        {"no cases", [](AppState& s) { std::fill(s.retro.observed.begin(), s.retro.observed.end(), 0.0); s.retro.totalCases = 0.0; }},
        {"one region", [](AppState& s) { s.area.regionCount = 1; }},
    };
    for (const Case& c : cases) {
        for (ClusterTest t : {ClusterTest::Unadjusted, ClusterTest::AdjustedPoisson, ClusterTest::FreemanTukey,
                              ClusterTest::Rossi}) {
            SCOPED_TRACE(c.name);
            runSingle(t, "1");
            const auto global = w->globalLines();
            const auto local = w->localLines();
            const DoubleArray classes = state().retro.mapClassValues;
            const AppState kept = state();
            c.spoil(state());
            h->clearMessages();
            w->txtSingleSigma->setText("0.5");
            w->cmdRun_Click();
            ASSERT_EQ(h->dlg->messages.size(), 1u);
            EXPECT_EQ(h->dlg->messages[0].title, "Warning!");
            EXPECT_EQ(h->dlg->messages[0].icon, MsgIcon::Critical);
            EXPECT_EQ(w->globalLines(), global);
            EXPECT_EQ(w->localLines(), local);
            EXPECT_EQ(state().retro.mapClassValues, classes);
            EXPECT_EQ(state().shared.sigma, 1.0);
            EXPECT_TRUE(w->cmdSave->isEnabled());
            EXPECT_TRUE(map->isButtonPressed("Find"));
            state() = kept;
        }
    }
    // A range run on such data changes nothing either.
    runSingle(ClusterTest::Unadjusted, "1");
    const auto global = w->globalLines();
    state().retro.expected[2] = 0.0;
    w->selectSigmaRange();
    h->clearMessages();
    w->cmdRun_Click();
    ASSERT_EQ(h->dlg->messages.size(), 1u);
    EXPECT_EQ(w->globalLines(), global);
    EXPECT_EQ(h->ctx.find<frmSigmaChart>(), nullptr);
}

TEST_F(RetroWindow, CriticalValueWithoutValueShowsItsNoticeAndTheRunGoesOn) {
    // alpha 0.05 on 12 regions: M* has no value from a bandwidth of about 8.53 on.
    runSingle(ClusterTest::FreemanTukey, "9");
    // Once for the list and once for the legend's breaks.
    ASSERT_EQ(h->dlg->messages.size(), 2u);
    for (const auto& m : h->dlg->messages) {
        EXPECT_EQ(m.text, "Error!");
        EXPECT_EQ(m.title, "Warning!");
    }
    EXPECT_EQ(w->globalLines()[3], "M Critical (M*) = 0.000");
    EXPECT_TRUE(w->cmdSave->isEnabled());
    // The report asks for M* once more, and a range for each of its
    // bandwidths (all beyond 8.53 here), and the window says so each time.
    const std::vector<std::string> notice = {"Error!"};
    h->clearMessages();
    h->dlg->queueFile(dir + "/notice.txt");
    w->cmdSave_Click();
    EXPECT_EQ(h->messageTexts(), notice);
    h->clearMessages();
    runRange(ClusterTest::Rossi, "8.6", "9.6", "0.5");
    EXPECT_EQ(h->messageTexts(), std::vector<std::string>(3, "Error!"));
    const std::string row = w->globalLines()[2];
    EXPECT_EQ(row.substr(row.size() - 6), "  0.00");
}

TEST_F(RetroWindow, AReportThatCannotBeSavedSaysWhyAndChangesNoFile) {
    const std::string unwritable = dir + "/no-such-folder/report.txt";
    const std::string earlier = dir + "/earlier.txt";
    const struct {
        const char* name;
        std::string file;
        bool notANumber;  // a result is no number by the time of the save
        std::string warning;
    } cases[] = {
        {"a folder that is not there", unwritable, false, "The report could not be saved to \"" + unwritable + "\": "},
        {"a value that cannot be written", earlier, true,
         "The report was not saved: its values cannot be written (A result of the test is not a finite number.)."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        runSingle(ClusterTest::Unadjusted, "1");
        if (c.notANumber) state().retro.globalScoreUnadjusted = std::nan("");
        std::ofstream(earlier, std::ios::binary | std::ios::trunc) << "earlier\r\n";
        h->clearMessages();
        h->dlg->queueFile(c.file);
        w->cmdSave_Click();
        ASSERT_EQ(h->dlg->messages.size(), 1u);
        EXPECT_EQ(h->dlg->messages[0].title, "Warning!");
        EXPECT_EQ(h->dlg->messages[0].icon, MsgIcon::Critical);
        EXPECT_EQ(h->dlg->messages[0].text.rfind(c.warning, 0), 0u) << h->dlg->messages[0].text;
        EXPECT_FALSE(std::filesystem::exists(unwritable));
        EXPECT_EQ(readFile(earlier), "earlier\r\n");
    }
    // Cancel writes nothing and says nothing.
    h->clearMessages();
    h->dlg->queueFile("");
    w->cmdSave_Click();
    EXPECT_TRUE(h->dlg->messages.empty());
}

TEST_F(RetroWindow, MissingPictureShowsAnEmptyPicture) {
    Pictures::setBitmapFolder(dir + "/nothing-here");
    w->optStandard->click();
    EXPECT_TRUE(w->picEquation->pixmap().isNull());
    Pictures::setBitmapFolder(sourcePath("app/BitMaps"));
    w->optRossi->click();
    EXPECT_FALSE(w->picEquation->pixmap().isNull());
}

TEST_F(RetroWindow, ControlsCarryTheirNamesCaptionsAndPlaces) {
    struct Case { const char* name; const char* caption; int left, top, width, height; };
    const std::vector<Case> cases = {
        {"Frame1", "Local Pattern Summary", 30, 30, 7185, 4575},
        {"lstLocalPatternSummary", "", 90, 240, 7005, 4245},
        {"Frame4", "Variables", 30, 4620, 2015, 1425},
        {"optUnadjusted", "Unadjusted", 270, 300, 1215, 225},
        {"optAdjusted_Generic", "Adjusted - Poisson", 270, 570, 1605, 225},
        {"optStandard", "Freeman-Tukey", 270, 840, 1485, 225},
        {"optRossi", "Rossi", 270, 1110, 735, 225},
        {"Frame5", "Expression of Variables", 2050, 4620, 5165, 855},
        {"picEquation", "", 80, 240, 5000, 525},
        {"Frame6", "", 2050, 5400, 5155, 645},
        {"cmdRun", "&Run", 90, 170, 1185, 375},
        {"cmdSave", "&Save", 1350, 170, 1185, 375},
        {"cmdDataReset", "&Reset Data", 2610, 165, 1185, 375},
        {"cmdExit", "&Exit", 3870, 170, 1185, 375},
        {"fraSpatialEffect", "Bandwidth", 30, 6060, 2015, 2745},
        {"optSpatialSingleSigma", "Single value", 240, 360, 1200, 255},
        {"Frame3", "", 510, 570, 1425, 540},
        {"txtSingleSigma", "1", 75, 150, 1290, 315},
        {"optSpatialSigmaRange", "A range of values", 240, 1290, 1605, 255},
        {"fra", "", 510, 1500, 1425, 1155},
        {"Label1", "from", 120, 150, 345, 225},
        {"txtFromSigma", "0.2", 510, 150, 840, 285},
        {"Label2", "to", 270, 480, 165, 225},
        {"txtToSigma", "2.0", 510, 480, 840, 285},
        {"Label3", "by", 240, 810, 195, 225},
        {"txtStep", "0.2", 510, 810, 840, 285},
        {"Frame2", "Global Pattern Summary", 2060, 6060, 5155, 3405},
        {"lstGlobalPatternSummary", "", 90, 240, 4970, 3075},
        {"fraAlpha", "Alpha", 30, 8820, 2015, 645},
        {"cboAlpha", "0.05", 510, 240, 1425, 315},
    };
    auto px = [](int twips) { return (twips + 7) / 15; };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* widget = w->findChild<QWidget*>(c.name);
        ASSERT_NE(widget, nullptr);
        QString caption;
        if (auto* b = qobject_cast<QAbstractButton*>(widget)) caption = b->text();
        else if (auto* g = qobject_cast<QGroupBox*>(widget)) caption = g->title();
        else if (auto* l = qobject_cast<QLineEdit*>(widget)) caption = l->text();
        else if (auto* l = qobject_cast<QLabel*>(widget)) caption = l->text();
        else if (auto* cb = qobject_cast<QComboBox*>(widget)) caption = cb->currentText();
        if (std::string(c.name) != "picEquation") {
            EXPECT_EQ(caption.toStdString(), c.caption);
        }
        EXPECT_NEAR(widget->x(), px(c.left), 1);
        EXPECT_NEAR(widget->y(), px(c.top), 1);
        EXPECT_NEAR(widget->width(), px(c.width), 1);
        EXPECT_NEAR(widget->height(), px(c.height), 1);
    }
    // The containers, as the layout nests them.
    EXPECT_EQ(w->optRossi->parentWidget(), w->Frame4);
    EXPECT_EQ(w->txtSingleSigma->parentWidget(), w->Frame3);
    EXPECT_EQ(w->Frame3->parentWidget(), w->fraSpatialEffect);
    EXPECT_EQ(w->txtStep->parentWidget(), w->fra);
    EXPECT_EQ(w->cmdExit->parentWidget(), w->Frame6);
    EXPECT_EQ(w->cboAlpha->parentWidget(), w->fraAlpha);
    EXPECT_TRUE(w->cboAlpha->isEditable());
}

TEST_F(RetroWindow, StatisticsPlotControls) {
    auto* chart = h->ctx.load<frmSigmaChart>();
    ASSERT_NE(chart, nullptr);
    EXPECT_EQ(chart->windowTitle().toStdString(), "Statistics Plot");
    EXPECT_EQ(AppContext::topOf(chart)->pos(), QPoint(0, 5055 / 15));
    for (const char* name : {"chartPlotStatistics", "picScoreLegend", "Line1", "lblStats", "Line2", "lblCriticalStats",
                             "txtTitle"})
        EXPECT_NE(chart->findChild<QWidget*>(name), nullptr) << name;
    // Until a run sets them, the legend reads "M" and "M*", green and red.
    EXPECT_EQ(chart->lblStats->text().toStdString(), "M");
    EXPECT_EQ(chart->lblCriticalStats->text().toStdString(), "M*");
    EXPECT_EQ(chart->Line1->palette().color(QPalette::Window), QColor(0, 255, 0));
    EXPECT_EQ(chart->Line2->palette().color(QPalette::Window), QColor(255, 0, 0));
    EXPECT_EQ(chart->Line1->parentWidget(), chart->picScoreLegend);
    EXPECT_EQ(chart->lblCriticalStats->parentWidget(), chart->picScoreLegend);
    // The samples stand left of their labels.
    EXPECT_LT(chart->Line1->geometry().right(), chart->lblStats->x());
    EXPECT_LT(chart->Line2->geometry().right(), chart->lblCriticalStats->x());
    EXPECT_EQ(chart->txtTitle->text().toStdString(), "Bandwidth(Sigma)");
    EXPECT_FALSE(chart->txtTitle->isEnabled());
    // The score tests name the chi-square; the M tests bring "M" back.
    runRange(ClusterTest::AdjustedPoisson, "0.5", "1", "0.5");
    EXPECT_EQ(chart->lblStats->text().toStdString(), "Chi");
    EXPECT_EQ(chart->lblCriticalStats->text().toStdString(), "Chi*");
    EXPECT_EQ(h->ctx.find<frmSigmaChart>(), chart);
    runRange(ClusterTest::Rossi, "0.5", "1", "0.5");
    EXPECT_EQ(chart->lblStats->text().toStdString(), "M");
    EXPECT_EQ(chart->lblCriticalStats->text().toStdString(), "M*");
}

TEST_F(RetroWindow, ClosingTheWindowResetsTheMapWindow) {
    runSingle(ClusterTest::Rossi, "1");
    runRange(ClusterTest::Rossi, "0.5", "1", "0.5");
    map->Toolbar1_ButtonClick("MapAnimation");
    ASSERT_TRUE(map->sliderStatsRange->isVisibleTo(map));
    ASSERT_TRUE(map->lblAni->isVisibleTo(map));
    ASSERT_NE(h->ctx.find<frmSigmaChart>(), nullptr);
    map->setButtonEnabled("Find", true);
    map->setButtonPressed("Find", true);
    map->Toolbar1_ButtonClick("MapAnimation");
    // The close box, not Exit: the map window stays open.
    AppContext::topOf(w)->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(h->ctx.find<frmClusterDetection>(), nullptr);
    ASSERT_EQ(h->ctx.find<frmPolygonSHP>(), map);
    EXPECT_FALSE(state().shared.retroMapMode);
    EXPECT_EQ(h->ctx.find<frmSigmaChart>(), nullptr);
    EXPECT_FALSE(map->isButtonEnabled("Find"));
    EXPECT_FALSE(map->isButtonPressed("Find"));
    EXPECT_FALSE(map->isButtonEnabled("MapAnimation"));
    EXPECT_FALSE(map->sliderStatsRange->isVisibleTo(map));
    EXPECT_FALSE(map->lblAni->isVisibleTo(map));
    // The legend is gone from the window's own surface, and the map shows the plain outlines.
    EXPECT_TRUE(legendCleared());
    map->RedrawByMode();
    EXPECT_LE(mapColours(), 2u);
}

TEST_F(RetroWindow, GlobalRowsOutsideTheRangeDrawThePlainMap) {
    runRange(ClusterTest::Unadjusted, "0.5", "1.5", "0.5");
    ASSERT_EQ(state().retro.bandwidthCount, 3);
    struct Case { int row; bool shaded; };
    for (const Case& c : {Case{2, true}, Case{0, false}, Case{4, true}, Case{1, false}, Case{3, true}, Case{5, false},
                          Case{6, false}}) {
        SCOPED_TRACE(c.row);
        w->selectGlobalRow(c.row);
        if (c.shaded) {
            EXPECT_GT(mapColours(), 2u);
            EXPECT_EQ(state().shared.sigma, state().retro.rangeSigmas[static_cast<std::size_t>(c.row - 2)]);
        } else {
            EXPECT_LE(mapColours(), 2u);
        }
    }
    // Row 6 lies beyond the list: nothing is selected, and the map stays plain.
    EXPECT_EQ(state().shared.sigma, 1.0);
}

TEST_F(RetroWindow, ARangeRunShowsThePlainMapUntilABandwidthIsChosen) {
    runSingle(ClusterTest::FreemanTukey, "1");
    ASSERT_GT(mapColours(), 2u);
    ASSERT_FALSE(legendCleared());
    runRange(ClusterTest::Unadjusted, "0.5", "1.5", "0.5");
    ASSERT_TRUE(h->dlg->messages.empty());
    // Neither the classes of the single run nor its legend stay.
    EXPECT_LE(mapColours(), 2u);
    EXPECT_TRUE(legendCleared());
    AppContext::topOf(map)->grab().save(QString::fromStdString(testOutputPath("retro_range_run_plain_map.png")));

    // Every redraw of the map shows what the list names: the plain map
    // until a bandwidth is chosen, that bandwidth's classes and legend
    // once one is, and the plain map again on a row that names none.
    const struct {
        const char* name;
        std::function<void()> redraw;
    } redraws[] = {
        {"activation", [&] { map->Form_Activate(); }},
        {"redraw by mode", [&] { map->RedrawByMode(); }},
        {"resize", [&] { map->Form_Resize(); }},
        {"zoom in", [&] {
             map->setButtonEnabled("ZoomIn", true);
             map->setButtonPressed("ZoomIn", true);
             map->picSHP_MouseDown(1, 0, 40, 40);
         }},
    };
    const auto expectOnEveryRedraw = [&](bool shaded) {
        for (const auto& r : redraws) {
            SCOPED_TRACE(r.name);
            r.redraw();
            EXPECT_EQ(mapColours() > 2u, shaded);
            EXPECT_EQ(legendCleared(), !shaded);
        }
    };
    {
        SCOPED_TRACE("no bandwidth chosen");
        expectOnEveryRedraw(false);
    }
    w->selectGlobalRow(2);
    EXPECT_GT(mapColours(), 2u);
    EXPECT_FALSE(legendCleared());
    {
        SCOPED_TRACE("the first bandwidth chosen");
        expectOnEveryRedraw(true);
    }
    w->selectGlobalRow(0);
    EXPECT_LE(mapColours(), 2u);
    EXPECT_TRUE(legendCleared());
    {
        SCOPED_TRACE("the header row chosen");
        expectOnEveryRedraw(false);
    }
    // The map's animation and then its slider choose bandwidths as their rows do.
    map->Toolbar1_ButtonClick("MapAnimation");
    EXPECT_EQ(w->lstGlobalPatternSummary->currentRow(), 4);
    {
        SCOPED_TRACE("the animation ended on the last bandwidth");
        expectOnEveryRedraw(true);
    }
    w->selectGlobalRow(0);
    map->sliderStatsRange->setValue(1);
    EXPECT_EQ(w->lstGlobalPatternSummary->currentRow(), 3);
    {
        SCOPED_TRACE("the second bandwidth chosen on the slider");
        expectOnEveryRedraw(true);
    }
}

// Data input OK with other count fields replaces the counts the results
// came from: the window shows none of them any more, whichever run made them.
TEST_F(RetroWindow, ResetDataWithOtherCountsClearsTheResultsShown) {
    const struct {
        const char* name;
        bool range;
    } cases[] = {{"single run", false}, {"range run", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.range) {
            runRange(ClusterTest::Unadjusted, "0.5", "1.5", "0.5");
            w->selectGlobalRow(3);
            map->Toolbar1_ButtonClick("MapAnimation");
            ASSERT_TRUE(map->sliderStatsRange->isVisibleTo(map));
            ASSERT_NE(h->ctx.find<frmSigmaChart>(), nullptr);
        } else {
            runSingle(ClusterTest::Rossi, "1");
            ASSERT_TRUE(map->isButtonPressed("Find"));
        }
        ASSERT_GT(mapColours(), 2u);
        ASSERT_GT(w->lstGlobalPatternSummary->count(), 0);

        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        w->cmdDataReset_Click();
        auto* p = h->ctx.find<frmParameter>();
        ASSERT_NE(p, nullptr);
        p->selectObsExp();
        ASSERT_TRUE(p->pickField(p->cboObs, "OBS"));
        ASSERT_TRUE(p->pickField(p->cboExp, "EXP"));
        ASSERT_TRUE(p->pickField(p->cboPrimaryID, "NAME"));
        p->cmdOK_Click();
        ASSERT_TRUE(h->dlg->messages.empty()) << h->dlg->messages[0].text;
        ASSERT_EQ(h->ctx.find<frmClusterDetection>(), w);

        EXPECT_EQ(w->lstGlobalPatternSummary->count(), 0);
        EXPECT_EQ(w->lstLocalPatternSummary->count(), 0);
        EXPECT_EQ(h->ctx.find<frmSigmaChart>(), nullptr);
        EXPECT_FALSE(w->cmdSave->isEnabled());
        EXPECT_LE(mapColours(), 2u);
        EXPECT_TRUE(legendCleared());
        EXPECT_FALSE(map->isButtonPressed("Find"));
        EXPECT_FALSE(map->isButtonEnabled("MapAnimation"));
        EXPECT_FALSE(map->sliderStatsRange->isVisibleTo(map));
        // The map's redraws keep it plain.
        map->RedrawByMode();
        EXPECT_LE(mapColours(), 2u);
        h->frame->grab().save(QString::fromStdString(testOutputPath(std::string("retro_reset_data_after_") +
                                                                     (c.range ? "range" : "single") + ".png")));
        // The next run computes from the new counts.
        runSingle(ClusterTest::Unadjusted, "1");
        EXPECT_TRUE(h->dlg->messages.empty());
        EXPECT_NEAR(state().retro.expected[1], clusteredCounts(12).exp[0], 1e-4);
        EXPECT_GT(w->lstLocalPatternSummary->count(), 0);
    }
}

TEST_F(RetroWindow, SaveOffersTheFileOfThePreviousSave) {
    runSingle(ClusterTest::Unadjusted, "1");
    const std::string first = dir + "/first.txt";
    h->dlg->queueFile(first);
    w->cmdSave_Click();
    h->dlg->queueFile(dir + "/no-such-folder/second.txt");
    w->cmdSave_Click();
    h->dlg->queueFile("");
    w->cmdSave_Click();
    ASSERT_EQ(h->dlg->fileCalls.size(), 3u);
    EXPECT_EQ(h->dlg->fileCalls[0].request.initialDir, "");
    EXPECT_EQ(h->dlg->fileCalls[1].request.initialDir, first);
    // A save that failed does not count as the previous one.
    EXPECT_EQ(h->dlg->fileCalls[2].request.initialDir, first);
    for (const auto& call : h->dlg->fileCalls) {
        EXPECT_TRUE(call.save);
        EXPECT_EQ(call.request.filter, "Text File (*.txt)|*.txt");
        EXPECT_EQ(call.request.defaultExt, "");
    }

    // The program's own save dialog opens in that file's folder with its name filled in.
    auto qt = std::make_shared<QtDialogs>();
    QString shownName, shownFolder;
    bool seen = false;
    QTimer::singleShot(0, [&] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* fd = qobject_cast<QFileDialog*>(top);
            if (!fd || !fd->isVisible()) continue;
            seen = true;
            if (auto* edit = fd->findChild<QLineEdit*>("fileNameEdit")) shownName = edit->text();
            shownFolder = fd->directory().absolutePath();
            fd->reject();
        }
    });
    FileDialogRequest request;
    request.filter = "Text File (*.txt)|*.txt";
    request.initialDir = first;
    const FileDialogResult r = qt->saveFile(request);
    EXPECT_TRUE(seen);
    EXPECT_TRUE(r.cancelled());
    EXPECT_EQ(shownName.toStdString(), "first.txt");
    // The folder as the dialog spells it, which may resolve symbolic links
    // that the scratch folder's path goes through.
    EXPECT_TRUE(sameFileOrFolder(shownFolder.toStdString(), dir));
}

TEST_F(RetroWindow, ExitClosesTheTestAndTheMap) {
    runRange(ClusterTest::Unadjusted, "0.5", "1", "0.5");
    ASSERT_NE(h->ctx.find<frmSigmaChart>(), nullptr);
    w->cmdExit_Click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(state().shared.retroMapMode);
    EXPECT_EQ(h->ctx.find<frmClusterDetection>(), nullptr);
    EXPECT_EQ(h->ctx.find<frmSigmaChart>(), nullptr);
    EXPECT_EQ(h->ctx.find<frmPolygonSHP>(), nullptr);
}

// The alpha box is read as the level of the results beside it. A Run or a
// Save while it shows a text that is none of its levels is refused with a
// warning that names them, and changes nothing shown; a level typed as one
// of the list's is taken as a pick of it would be.
TEST_F(RetroWindow, ResultsStandOnlyBesideTheLevelTheyWereComputedAt) {
    const auto criticalValueLine = [this](double level) {
        return "Critical Value = " + F(cd::GetChiSquareCritical(level, state().retro.scoreDf), "0.000");
    };
    w->selectAlpha(1);
    w->optUnadjusted->click();
    w->txtSingleSigma->setText("1");
    w->cmdRun->click();
    ASSERT_TRUE(h->messageTexts().empty());
    const std::vector<std::string> global = w->globalLines(), local = w->localLines();
    ASSERT_EQ(global.size(), 10u);
    EXPECT_EQ(global[5], criticalValueLine(0.01));
    ASSERT_NE(criticalValueLine(0.01), criticalValueLine(0.05));
    const QImage picture = map->picSHP->surface().image().copy();

    for (const char* text : {"0.1", "abc", "", " ", "0.05x", "inf", "1e400", "0.5", "5"}) {
        SCOPED_TRACE(std::string("alpha box: \"") + text + "\"");
        h->clearMessages();
        h->dlg->fileCalls.clear();
        w->cboAlpha->setEditText(text);
        w->cmdRun->click();
        w->cmdSave->click();
        EXPECT_EQ(h->messageTexts(), std::vector<std::string>(2, "Alpha should be one of the levels offered: 0.05 or 0.01."));
        for (const auto& m : h->dlg->messages) {
            EXPECT_EQ(m.title, "Warning!");
            EXPECT_EQ(m.icon, MsgIcon::Critical);
        }
        EXPECT_TRUE(h->dlg->fileCalls.empty()) << "the refused save offered its dialog";
        EXPECT_EQ(state().retro.alpha, 0.01);
        EXPECT_EQ(w->globalLines(), global);
        EXPECT_EQ(w->localLines(), local);
        EXPECT_TRUE(w->cmdSave->isEnabled());
        EXPECT_TRUE(map->picSHP->surface().image() == picture);
        EXPECT_EQ(w->cboAlpha->currentText().toStdString(), text);
    }

    struct Typed {
        const char* text;
        double level;
    };
    for (const Typed& t : {Typed{"0.05", 0.05}, Typed{" 0.010 ", 0.01}, Typed{"5e-2", 0.05}}) {
        SCOPED_TRACE(t.text);
        h->clearMessages();
        w->cboAlpha->setEditText(t.text);
        w->cmdRun->click();
        EXPECT_TRUE(h->messageTexts().empty());
        EXPECT_EQ(state().retro.alpha, t.level);
        ASSERT_EQ(w->globalLines().size(), 10u);
        EXPECT_EQ(w->globalLines()[5], criticalValueLine(t.level));
    }

    // The report's M* is that of the level the box shows.
    w->optRossi->click();
    w->cboAlpha->setEditText("0.05");
    w->cmdRun->click();
    w->cboAlpha->setEditText("0.01");
    const std::string path = dir + "/alpha-report.txt";
    h->dlg->queueFile(path);
    w->cmdSave->click();
    EXPECT_TRUE(h->messageTexts().empty());
    EXPECT_EQ(state().retro.alpha, 0.01);
    const std::vector<std::string> report = readTextFileLines(path);
    ASSERT_GE(report.size(), 4u);
    EXPECT_EQ(report[3], "M Critical (M*) = " + F(cd::GetMCritical(state().area, state().shared, state().retro).value, "0.000"));
    EXPECT_NE(w->globalLines()[3].substr(18), report[3].substr(18)) << "the run's M* was at 0.05, the report's at 0.01";
}

// Counts of millions per region fill the columns of the local list and of
// the report, or run past them: every value of a region's row can still be
// read back from the row, split at its blanks, as the value the run
// computed.
TEST(RetroWindowLargeCounts, EveryValueOfARegionsRowCanBeReadBack) {
    const std::string dir = scratchDir("retro-large-counts");
    GridData d = clusteredCounts(12);
    for (double& c : d.cases) c *= 1e6;
    Harness h;
    h.openStudyArea(writeGrid(dir, "large", 4, 3, d));
    h.inputPopCase("POP", "CASES", "NAME");
    auto* w = h.ctx.find<frmClusterDetection>();
    ASSERT_NE(w, nullptr);
    const AppState& s = h.ctx.state;
    for (ClusterTest test : {ClusterTest::Unadjusted, ClusterTest::AdjustedPoisson, ClusterTest::FreemanTukey, ClusterTest::Rossi}) {
        SCOPED_TRACE(static_cast<int>(test));
        runClusterSingle(w, test, "1");
        ASSERT_TRUE(h.messageTexts().empty());
        const std::string path = dir + "/report" + std::to_string(static_cast<int>(test)) + ".txt";
        h.dlg->queueFile(path);
        w->cmdSave->click();
        const std::vector<std::string> report = readTextFileLines(path);
        const std::vector<std::string> local = w->localLines();
        const bool score = isScoreTest(test);
        const bool unadj = test == ClusterTest::Unadjusted;
        const std::size_t firstReportRow = score ? 14 : 10;
        ASSERT_EQ(local.size(), 16u);
        ASSERT_EQ(report.size(), firstReportRow + 13);
        for (std::int32_t i = 1; i <= s.area.regionCount; ++i) {
            SCOPED_TRACE(i);
            const auto k = static_cast<std::size_t>(i);
            std::vector<std::string> listed{s.retro.primaryIds[k]}, reported{s.retro.primaryIds[k]};
            if (score) {
                const double u = unadj ? s.retro.localScoreUnadjusted[k] : s.retro.localScoreAdjusted[k];
                const double z = unadj ? s.retro.localScoreZUnadjusted[k] : s.retro.localScoreZAdjusted[k];
                listed.insert(listed.end(), {F(u, "###0.000"), F(z, "0.000")});
                reported.insert(reported.end(), {F(u, "###0.00"), F(z, "0.00")});
            } else {
                listed.push_back(F(s.retro.localM[k], "###0.000"));
                reported.push_back(F(s.retro.localM[k], "###0.00"));
            }
            listed.insert(listed.end(), {F(s.retro.observed[k], "0.000"), F(s.retro.expected[k], "0.000")});
            reported.insert(reported.end(), {F(s.retro.observed[k], "0.00"), F(s.retro.expected[k], "0.00")});
            EXPECT_EQ(wordsOf(local[ClusterLines::localRowOfRegion(i - 1)]), listed);
            EXPECT_EQ(wordsOf(report[firstReportRow + k - 1]), reported);
        }
    }
    // The counts do fill their columns: ten characters of the list's and the
    // report's observed column, or more.
    EXPECT_GE(F(s.retro.observed[1], "0.00").size(), 10u);
}

}  // namespace
