// The cusum window end to end on small study areas: the name dialog, the
// run and its animation through the event pump, the period and signalled
// lists, the charts, the cusum file and the report, the messages, and the
// animation cancelled by a second run and by closing the window.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "map/frmPolygonSHP.h"
#include "map/modArea.h"
#include "map/modDrawPolygon.h"
#include "platform/DbfTable.h"
#include "platform/Format.h"
#include "platform/TextFile.h"
#include "prospective/frmGraph.h"
#include "prospective/frmSelectName.h"
#include "prospective/frmTxtFileOpen.h"
#include "prospective/frmUnivariate.h"
#include "prospective/modFileSaveOpen.h"
#include "tests/prospective/CusumFixture.h"
#include "tests/retrospective/RetroFixture.h"
#include "tests/support/AllocationLimit.h"
#include "tests/support/DialogsOutOfMemory.h"
#include "tests/support/RealClick.h"
#include "tests/support/StoppedSteps.h"
#include "tests/support/TestPaths.h"
#include "ui/LineChart.h"

using namespace retro_test;
using namespace cusum_test;

namespace {

// The worked run's area: two unit squares side by side (centroids one
// unit apart, area 2), three periods of z-values.
std::string writeWorkedArea(const std::string& dir) {
    return writeRow(dir, 2, 1.0,
                    {texts("NAME", {"A1", "A2"}), texts("STATE", {"S1", std::nullopt}), numbers("Z1", {3.0, 1.0}),
                     numbers("Z2", {1.0, 2.0}), numbers("Z3", {-3.0, 3.0})});
}

class CusumWindowTest : public ::testing::Test {
protected:
    Harness h;

    AppState& s() { return h.ctx.state; }

    // What the prospective open road does: the study area, its areas and
    // centroids, the plain map, then the name dialog and its OK.
    frmUnivariate* open(const std::string& shp, const std::string& primary = "NAME", const std::string& secondary = {}) {
        h.openStudyArea(shp);
        modFunctions::CalcPolygonArea(s());
        modFunctions::CalcPolygonCentroid(s());
        modDrawPolygon::DrawShapefile(h.ctx);
        frmSelectName* d = h.ctx.show<frmSelectName>();
        EXPECT_TRUE(d->pickField(d->cmbName1, primary));
        if (!secondary.empty()) {
            d->setSecondaryChecked(true);
            EXPECT_TRUE(d->pickField(d->cmbName2, secondary));
        }
        d->cmdOK_Click();
        return h.ctx.find<frmUnivariate>();
    }

    int fieldIndex(const std::string& name) { return s().area.dbfRecordset->FieldIndex(name); }

    void chooseRange(frmUnivariate* u, const std::string& from, const std::string& to) {
        u->selectStartField(fieldIndex(from));
        u->selectEndField(fieldIndex(to));
    }

    void setParameters(frmUnivariate* u, const char* k, const char* hv, const char* sigma) {
        u->txtKvalue->setText(k);
        u->txtHvalue->setText(hv);
        u->txtSigma->setText(sigma);
    }

    frmPolygonSHP* map() { return h.ctx.find<frmPolygonSHP>(); }
};

// The cusums of the worked run, from the formulas: row weights (self,
// other) = (1, exp(-1/2)) / sqrt(1 + exp(-1)).
struct Worked {
    double c[3][4] = {};
    Worked() {
        const double e = std::exp(-0.5), self = 1.0 / std::sqrt(1.0 + e * e), other = e / std::sqrt(1.0 + e * e);
        const double z[3][4] = {{}, {0, 3.0, 1.0, -3.0}, {0, 1.0, 2.0, 3.0}};
        for (int i = 1; i <= 2; ++i)
            for (int p = 1; p <= 3; ++p) {
                const double zs = self * z[i][p] + other * z[3 - i][p];
                c[i][p] = std::max(0.0, zs + c[i][p - 1] - 0.5);
            }
    }
};

std::string F(double v, const char* mask) { return formatMask(v, mask); }
std::string R(const std::string& t, std::size_t w) { return alignRight(t, w); }

}  // namespace

TEST_F(CusumWindowTest, NameDialogDefaultsAndRefusal) {
    h.openStudyArea(writeWorkedArea(scratchDir("cusum_names")));
    frmSelectName* d = h.ctx.show<frmSelectName>();
    EXPECT_EQ(d->windowTitle().toStdString(), "Select Name Fields");
    EXPECT_EQ(d->cmbName1->count(), 5);
    EXPECT_EQ(d->cmbName1->currentText().toStdString(), "NAME");
    EXPECT_TRUE(d->chkPrimaryID->isChecked());
    EXPECT_FALSE(d->chkSecondary->isChecked());
    EXPECT_FALSE(d->cmbName2->isEnabled());
    d->setPrimaryChecked(false);
    EXPECT_FALSE(d->cmbName1->isEnabled());
    d->setSecondaryChecked(true);
    d->cmdOK_Click();
    ASSERT_EQ(h.messageTexts(), std::vector<std::string>{"At least Primary ID should be specified!"});
    EXPECT_EQ(h.dlg->messages[0].title, "Warning!");
    EXPECT_FALSE(h.ctx.isOpen<frmUnivariate>());
    d->setPrimaryChecked(true);
    d->pickField(d->cmbName2, "STATE");
    d->cmdOK_Click();
    EXPECT_EQ(s().cusum.primaryIdField, "NAME");
    EXPECT_EQ(s().cusum.secondaryIdField, "STATE");
    EXPECT_EQ(s().cusum.cusumRegionIds, (TextArray{"", "A1", "A2"}));
    EXPECT_FALSE(h.ctx.isOpen<frmSelectName>());
    EXPECT_TRUE(h.ctx.isOpen<frmUnivariate>());
}

TEST_F(CusumWindowTest, WorkedRunEndToEnd) {
    const std::string dir = scratchDir("cusum_worked");
    frmUnivariate* u = open(writeWorkedArea(dir));
    ASSERT_NE(u, nullptr);
    EXPECT_EQ(u->windowTitle().toStdString(), "Univariate Cusum");
    setParameters(u, "0.5", "2", "1");
    chooseRange(u, "Z1", "Z3");
    u->cmdCalc_Click();
    EXPECT_TRUE(h.messageTexts().empty());
    // Fast: a wait of no time before each of the three periods.
    EXPECT_EQ(h.pump->waits, 3);
    EXPECT_EQ(h.pump->seconds, 0.0);

    const Worked w;
    for (int i = 1; i <= 2; ++i)
        for (int p = 1; p <= 3; ++p) EXPECT_NEAR(s().cusum.cusumValues(i, p), w.c[i][p], 1e-12) << i << "," << p;
    EXPECT_TRUE(s().cusum.mapCusum == s().cusum.cusumValues);
    EXPECT_TRUE(s().cusum.csmCusum == s().cusum.cusumValues);
    EXPECT_EQ(s().cusum.periodCount, 3.0);
    EXPECT_EQ(s().shared.sigma, 1.0);

    // Period maxima: A1, A1, A2.
    const std::vector<std::string> periods = u->periodLines();
    ASSERT_EQ(periods.size(), 6u);
    EXPECT_EQ(periods[0], "  Year   Cusum     Region of max cusum value");
    EXPECT_EQ(periods[1], std::string(82, '-'));
    EXPECT_EQ(periods[2], "    1  " + R(F(w.c[1][1], "###0.00"), 7) + "     " + R("A1", 16));
    EXPECT_EQ(periods[3], "    2  " + R(F(w.c[1][2], "###0.00"), 7) + "     " + R("A1", 16));
    EXPECT_EQ(periods[4], "    3  " + R(F(w.c[2][3], "###0.00"), 7) + "     " + R("A2", 16));
    EXPECT_EQ(periods[2].size(), 35u);
    EXPECT_EQ(periods[5], std::string(82, '-'));

    // The last period is chosen: both regions signal in it.
    EXPECT_EQ(u->lstPeriod->currentRow(), 4);
    EXPECT_EQ(s().shared.currentPeriod, 3);
    EXPECT_EQ(u->lblY->text().toStdString(), "3");
    EXPECT_EQ(u->regionLines(), (std::vector<std::string>{R(F(w.c[1][3], "###0.00"), 8) + " <---" + R("A1", 18),
                                                          R(F(w.c[2][3], "###0.00"), 8) + " <---" + R("A2", 18)}));
    EXPECT_TRUE(s().shared.cusumMapMode);
    ASSERT_NE(map(), nullptr);
    EXPECT_TRUE(map()->isButtonEnabled("Graph"));
    EXPECT_TRUE(map()->isButtonPressed("Graph"));
    EXPECT_TRUE(map()->picLegend->isVisibleTo(map()));
    EXPECT_TRUE(u->cmdSaveCusum->isEnabled());
    EXPECT_TRUE(u->cmdSaveResult->isEnabled());

    // The maximum chart: the maxima against h.
    EXPECT_TRUE(u->MSChart1->isVisibleTo(u));
    ASSERT_EQ(u->MSChart1->rowCount(), 3);
    for (int p = 1; p <= 3; ++p) {
        EXPECT_DOUBLE_EQ(u->MSChart1->chartData()(p - 1, 0), s().cusum.maxCusum[static_cast<std::size_t>(p)]);
        EXPECT_EQ(u->MSChart1->chartData()(p - 1, 1), 2.0);
        EXPECT_EQ(u->MSChart1->rowLabel(p).toStdString(), std::to_string(p));
    }
    // The chart lays its axes out in the event loop.
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    map()->grab().save(QString::fromStdString(testOutputPath("cusum_map_period3.png")));
    u->MSChart1->grab().save(QString::fromStdString(testOutputPath("cusum_max_chart.png")));
    u->grab().save(QString::fromStdString(testOutputPath("cusum_window.png")));

    // Period 1: only A1 is above h.
    u->selectPeriodRow(2);
    EXPECT_EQ(s().shared.currentPeriod, 1);
    EXPECT_EQ(u->regionLines(), (std::vector<std::string>{R(F(w.c[1][1], "###0.00"), 8) + " <---" + R("A1", 18)}));
    EXPECT_EQ(s().cusum.signaledRegions, (std::vector<std::int32_t>{1}));

    // A signalled region flashes three times and is charted.
    const std::int64_t before = h.pump->waits;
    u->selectRegionRow(0);
    EXPECT_EQ(h.pump->waits - before, 3);
    EXPECT_DOUBLE_EQ(h.pump->seconds, 3 * 0.15);
    frmGraph* g = h.ctx.find<frmGraph>();
    ASSERT_NE(g, nullptr);
    ASSERT_EQ(g->MSChart1->rowCount(), 3);
    for (int p = 1; p <= 3; ++p) {
        EXPECT_DOUBLE_EQ(g->MSChart1->chartData()(p - 1, 0), w.c[1][p]);
        EXPECT_EQ(g->MSChart1->chartData()(p - 1, 1), 2.0);
    }
    EXPECT_EQ(g->Text1->text().toStdString(), "A1 in 1: ---> " + F(w.c[1][1], "0.00"));
    // Its own rows: the maximum chart is untouched.
    EXPECT_DOUBLE_EQ(u->MSChart1->chartData()(2, 0), s().cusum.maxCusum[3]);

    // The map's Graph tool charts the region it picked.
    s().shared.selectedRegion = 1;
    emit h.ctx.mapHub().regionCharted(1);
    EXPECT_DOUBLE_EQ(g->MSChart1->chartData()(2, 0), w.c[2][3]);
    EXPECT_EQ(g->Text1->text().toStdString().substr(0, 8), "A2 in 1:");

    // Choosing a rule shows the plain map and releases the tool.
    u->selectPeriodRow(1);
    EXPECT_TRUE(u->regionLines().empty());
    EXPECT_TRUE(u->lblY->text().isEmpty());
    EXPECT_FALSE(s().shared.cusumMapMode);
    EXPECT_FALSE(map()->isButtonEnabled("Graph"));

    // The report.
    h.dlg->queueFile(dir + "/report.txt");
    u->cmdSaveResult_Click();
    EXPECT_FALSE(u->cmdSaveResult->isEnabled());
    EXPECT_TRUE(u->cmdSaveCusum->isEnabled());
    const std::string rule(344, '-');
    std::string l3, l4, l5, l11 = R("RegionID", 36) + ", ", r1 = R("A1", 36) + ", ", r2 = R("A2", 36) + ", ";
    for (int p = 1; p <= 3; ++p) {
        l3 += R("period" + std::to_string(p), 18) + ", ";
        l4 += R(p == 3 ? "A2" : "A1", 18) + ", ";
        l5 += R(F(s().cusum.maxCusum[static_cast<std::size_t>(p)], "0.0000"), 18) + ", ";
        l11 += R("period" + std::to_string(p), 7) + ", ";
        r1 += R(F(w.c[1][p], "0.0000"), 7) + ", ";
        r2 += R(F(w.c[2][p], "0.0000"), 7) + ", ";
    }
    const std::vector<std::string> report = {
        std::string(18, ' ') + "Table of maximum cusum and corresponding region for each year" + std::string(13, ' '),
        rule, l3, l4, l5, rule, "", "",
        std::string(18, ' ') + "Table of cusum for a given period in each region" + std::string(15, ' '),
        "", l11, rule, r1, r2, rule};
    std::string bytes;
    for (const std::string& l : report) bytes += l + "\r\n";
    EXPECT_EQ(readBytes(dir + "/report.txt"), bytes);
    EXPECT_EQ(report[0].size(), 92u);
    EXPECT_EQ(report[8].size(), 81u);

    // The cusum file, at the full path with its suffix added.
    h.dlg->queueFile(dir + "/saved");
    u->cmdSaveCusum_Click();
    std::string csm = "period1,period2,period3,\r\n";
    for (int i = 1; i <= 2; ++i) {
        for (int p = 1; p <= 3; ++p) csm += formatGeneral(s().cusum.csmCusum(i, p)) + ",";
        csm += "\r\n";
    }
    EXPECT_EQ(readBytes(dir + "/saved.csm"), csm);
    EXPECT_EQ(s().cusum.csmPath, dir + "/saved.csm");
    EXPECT_EQ(h.dlg->fileCalls.back().request.filter, "cusum files (*.csm)|*.csm");
    EXPECT_FALSE(u->cmdSaveCusum->isEnabled());
    EXPECT_FALSE(u->cmdSaveResult->isEnabled());
    EXPECT_TRUE(h.messageTexts().empty());
}

TEST_F(CusumWindowTest, SignalledAtJustUnderAndJustOverH) {
    // Regions far apart and sigma 0: no smoothing, the cusum is z - k.
    frmUnivariate* u = open(writeRow(scratchDir("cusum_edges"), 4, 50.0,
                                     {texts("NAME", {"AT", "UNDER", "OVER", "ZERO"}),
                                      numbers("Z1", {2.5, 2.499999, 2.500001, -1.0})}));
    setParameters(u, "0.5", "2", "0");
    chooseRange(u, "Z1", "Z1");
    u->cmdCalc_Click();
    EXPECT_EQ(s().cusum.cusumValues(1, 1), 2.0);
    EXPECT_EQ(s().cusum.cusumValues(4, 1), 0.0);
    EXPECT_EQ(s().shared.sigma, 1e-9);
    EXPECT_EQ(s().cusum.signaledRegions, (std::vector<std::int32_t>{3}));
    ASSERT_EQ(u->regionLines().size(), 1u);
    EXPECT_EQ(u->regionLines()[0], "    2.00 <---" + R("OVER", 18));
    // One period: header, rule, one line, rule; row 2 chosen.
    EXPECT_EQ(u->periodLines().size(), 4u);
    EXPECT_EQ(u->lstPeriod->currentRow(), 2);
}

TEST_F(CusumWindowTest, ParameterAndFieldMessages) {
    frmUnivariate* u = open(writeRow(scratchDir("cusum_checks"), 2, 1.0,
                                     {texts("NAME", {"A", "B"}), numbers("Z1", {1.0, 2.0}),
                                      numbers("ZN", {1.0, std::nullopt}), texts("ZT", {"1", "abc"}),
                                      numbers("Z4", {0.5, 0.5})}));
    struct Case {
        const char* k;
        const char* hv;
        const char* sigma;
        const char* message;
    };
    for (const Case& c : {Case{"abc", "2", "0", "Parameters are not properly input."},
                          Case{"0.5", "inf", "0", "Parameters are not properly input."},
                          Case{"0.5", "2", "-1", "Parameters should be positive values."},
                          Case{"-0.1", "2", "0", "Parameters should be positive values."},
                          Case{"0.5", "2", "0", "Both start and end period should be determined."}}) {
        h.clearMessages();
        setParameters(u, c.k, c.hv, c.sigma);
        u->cmdCalc_Click();
        EXPECT_EQ(h.messageTexts(), std::vector<std::string>{c.message}) << c.k << " " << c.hv << " " << c.sigma;
    }
    // A refused run adds no lines: the list keeps what the last run left
    // (nothing here).
    EXPECT_TRUE(u->periodLines().empty());

    h.clearMessages();
    u->selectStartField(fieldIndex("ZN"));
    u->selectStartField(fieldIndex("ZT"));
    EXPECT_EQ(h.messageTexts(), (std::vector<std::string>{"Data include null values. Check data and try again!",
                                                          "Data should be numerical values!"}));
    EXPECT_EQ(u->cboStartZ->currentIndex(), -1);
    EXPECT_FALSE(u->cboEndZ->isEnabled());

    h.clearMessages();
    u->selectStartField(fieldIndex("Z4"));
    EXPECT_TRUE(u->cboEndZ->isEnabled());
    u->selectEndField(fieldIndex("Z1"));
    EXPECT_EQ(h.messageTexts(), std::vector<std::string>{"Start and end priods were not set improperly!"});
    EXPECT_EQ(u->cboEndZ->currentIndex(), -1);

    // Every field between the ends is checked at Run, before anything changes.
    setParameters(u, "0.5", "2", "0");
    h.clearMessages();
    chooseRange(u, "Z1", "Z4");
    EXPECT_TRUE(h.messageTexts().empty());
    s().cusum.cusumValues = Matrix::Constant(3, 2, 7.0);
    u->cmdCalc_Click();
    EXPECT_EQ(h.messageTexts(), std::vector<std::string>{"Data include null values. Check data and try again!"});
    EXPECT_TRUE(s().cusum.cusumValues == Matrix::Constant(3, 2, 7.0));

    // A start moved after the end is refused at Run.
    chooseRange(u, "Z1", "Z1");
    u->selectStartField(fieldIndex("Z4"));
    h.clearMessages();
    u->cmdCalc_Click();
    EXPECT_EQ(h.messageTexts(), std::vector<std::string>{"Start and end priods were not set improperly!"});
}

TEST_F(CusumWindowTest, AnimationDrawsEachPeriodAfterItsWait) {
    frmUnivariate* u = open(writeWorkedArea(scratchDir("cusum_steps")));
    setParameters(u, "0.5", "2", "1");
    chooseRange(u, "Z1", "Z3");
    std::vector<int> linesAtWait;
    std::vector<bool> runEnabled, optionsEnabled;
    h.pump->onWait = [&](std::int64_t) {
        linesAtWait.push_back(u->lstPeriod->count());
        runEnabled.push_back(u->cmdCalc->isEnabled());
        optionsEnabled.push_back(u->optFieldSelection->isEnabled() || u->txtKvalue->isEnabled() ||
                                 u->cmdSaveCusum->isEnabled());
    };
    u->cmdCalc_Click();
    EXPECT_EQ(linesAtWait, (std::vector<int>{2, 3, 4}));
    for (std::size_t i = 0; i < runEnabled.size(); ++i) {
        EXPECT_TRUE(runEnabled[i]);
        EXPECT_FALSE(optionsEnabled[i]);
    }
    EXPECT_TRUE(u->optFieldSelection->isEnabled());
    EXPECT_TRUE(u->txtKvalue->isEnabled());
    EXPECT_EQ(frmUnivariate::periodWait(1).seconds, 0.0);
    EXPECT_NEAR(frmUnivariate::periodWait(120000).seconds, 0.25, 1e-12);
    EXPECT_NEAR(frmUnivariate::periodWait(300000).seconds, 0.6, 1e-12);
}

// A redraw of the map during the animation (a resize, a zoom, a pan) shows
// the period the frames have reached, in a first run and in a run after a
// period of the one before was chosen.
TEST_F(CusumWindowTest, ARedrawDuringTheAnimationShowsThePeriodShown) {
    frmUnivariate* u = open(writeWorkedArea(scratchDir("cusum_redraw")));
    setParameters(u, "0.5", "2", "1");
    chooseRange(u, "Z1", "Z3");
    for (const char* run : {"first run", "after a period was chosen"}) {
        SCOPED_TRACE(run);
        QImage shown, redrawn;
        h.pump->onWait = [&](std::int64_t n) {
            if (n != 2) return;  // the first wait after period 1 was drawn
            shown = map()->picSHP->surface().image().copy();
            map()->RedrawByMode();
            redrawn = map()->picSHP->surface().image().copy();
        };
        h.pump->waits = 0;
        u->cmdCalc_Click();
        h.pump->onWait = nullptr;
        ASSERT_FALSE(shown.isNull());
        EXPECT_TRUE(shown == redrawn);
        u->lstPeriod->setCurrentRow(4);  // period 3
        ASSERT_EQ(s().shared.currentPeriod, 3);
    }
}

// An animation moves one point of the maximum chart per period: the chart is
// laid out as the run starts and at no frame after, whatever the number of
// periods; the Graph tool lays the region chart out once per click.
TEST_F(CusumWindowTest, ChartsAreLaidOutOncePerRunAndPerClickAtEveryLength) {
    constexpr int kMost = 60;
    std::vector<Field> fields = {texts("NAME", {"A1", "A2", "A3"})};
    for (int p = 1; p <= kMost; ++p)
        fields.push_back(numbers("Z" + std::to_string(p), {std::sin(p) + 0.1 * p, std::cos(p), 0.02 * p}));
    frmUnivariate* u = open(writeRow(scratchDir("cusum_lengths"), 3, 1.0, fields));
    ASSERT_NE(u, nullptr);
    setParameters(u, "0.5", "2", "1");
    LineChart* chart = u->MSChart1;
    for (int periods : {3, 13, kMost}) {
        SCOPED_TRACE(periods);
        chooseRange(u, "Z1", "Z" + std::to_string(periods));
        const int before = chart->layoutCount();
        std::vector<int> atFrames;
        h.pump->onWait = [&](std::int64_t) { atFrames.push_back(chart->layoutCount()); };
        u->cmdCalc_Click();
        h.pump->onWait = nullptr;
        ASSERT_TRUE(h.messageTexts().empty());
        ASSERT_EQ(atFrames.size(), static_cast<std::size_t>(periods));
        EXPECT_EQ(atFrames.front() - before, 1);
        EXPECT_EQ(atFrames.back(), atFrames.front());
        EXPECT_EQ(chart->layoutCount(), atFrames.front());
        ASSERT_EQ(chart->rowCount(), periods);
        EXPECT_EQ(chart->rowLabels(), LineChart::numberedRows(periods));
        ASSERT_EQ(chart->series(0)->count(), periods);
        for (int p = 1; p <= periods; ++p)
            EXPECT_DOUBLE_EQ(chart->series(0)->at(p - 1).y(), s().cusum.maxCusum[static_cast<std::size_t>(p)]) << p;

        s().shared.selectedRegion = 2;
        emit h.ctx.mapHub().regionCharted(2);
        const frmGraph* g = h.ctx.find<frmGraph>();
        ASSERT_NE(g, nullptr);
        EXPECT_EQ(g->MSChart1->layoutCount(), 1);
        EXPECT_EQ(g->MSChart1->rowLabels(), LineChart::numberedRows(periods));
        for (int p = 1; p <= periods; ++p) EXPECT_EQ(g->MSChart1->chartData()(p - 1, 0), s().cusum.cusumValues(3, p));
        emit h.ctx.mapHub().regionCharted(2);
        EXPECT_EQ(g->MSChart1->layoutCount(), 2);
    }
}

TEST_F(CusumWindowTest, SecondRunCancelsTheFirstAnimation) {
    frmUnivariate* u = open(writeWorkedArea(scratchDir("cusum_rerun")));
    setParameters(u, "0.5", "2", "1");
    chooseRange(u, "Z1", "Z3");
    bool again = true;
    h.pump->onWait = [&](std::int64_t n) {
        if (n == 2 && again) {
            again = false;
            // A region chart during the animation keeps to its own rows.
            s().shared.selectedRegion = 1;
            ShowRegionChart(h.ctx);
            u->cmdCalc_Click();
        }
    };
    u->cmdCalc_Click();
    finishDeferredClicks();
    // The first run stopped in its second wait; the second ran whole.
    EXPECT_EQ(h.pump->waits, 2 + 3);
    ASSERT_EQ(u->periodLines().size(), 6u);
    EXPECT_EQ(u->periodLines()[2].substr(0, 5), "    1");
    EXPECT_EQ(u->periodLines()[4].substr(0, 5), "    3");
    for (int p = 1; p <= 3; ++p)
        EXPECT_DOUBLE_EQ(u->MSChart1->chartData()(p - 1, 0), s().cusum.maxCusum[static_cast<std::size_t>(p)]);
    EXPECT_TRUE(u->cmdSaveCusum->isEnabled());
}

TEST_F(CusumWindowTest, ClosingTheWindowCancelsTheAnimation) {
    frmUnivariate* u = open(writeWorkedArea(scratchDir("cusum_close")));
    setParameters(u, "0.5", "2", "1");
    chooseRange(u, "Z1", "Z3");
    h.pump->onWait = [&](std::int64_t n) {
        if (n == 2) AppContext::topOf(u)->close();
    };
    u->cmdCalc_Click();
    EXPECT_EQ(h.pump->waits, 2);
    EXPECT_FALSE(h.ctx.isOpen<frmUnivariate>());
    EXPECT_FALSE(s().shared.cusumMapMode);
    ASSERT_NE(map(), nullptr);
    EXPECT_FALSE(map()->isButtonEnabled("Graph"));
    EXPECT_FALSE(map()->picLegend->isVisibleTo(map()));
}

TEST_F(CusumWindowTest, PeriodMatrixFileRun) {
    const std::string dir = scratchDir("cusum_text");
    frmUnivariate* u = open(writeWorkedArea(dir));
    setParameters(u, "0.5", "2", "1");
    u->selectExistingTextfile();
    EXPECT_FALSE(u->cboStartZ->isEnabled());
    {
        std::ofstream f(dir + "/z.txt", std::ios::binary);
        f << "3,1,-3\r\n1,2,3\r\n";
    }
    h.dlg->queueFile(dir + "/z.txt");
    u->cmdCalc_Click();
    EXPECT_TRUE(h.messageTexts().empty());
    const Worked w;
    EXPECT_NEAR(s().cusum.cusumValues(2, 3), w.c[2][3], 1e-12);
    EXPECT_EQ(s().cusum.textPeriodCount, 3.0);
    EXPECT_EQ(u->periodLines().size(), 6u);
    EXPECT_EQ(s().cusum.regionLabels, (TextArray{"", "A1", "A2"}));

    // A short file is refused and the earlier results stay.
    {
        std::ofstream f(dir + "/bad.txt", std::ios::binary);
        f << "3,1,-3\r\n";
    }
    const Matrix before = s().cusum.cusumValues;
    h.dlg->queueFile(dir + "/bad.txt");
    u->cmdCalc_Click();
    ASSERT_EQ(h.messageTexts().size(), 1u);
    EXPECT_NE(h.messageTexts()[0].find("holds 1 lines but the study area has 2 regions"), std::string::npos);
    EXPECT_TRUE(s().cusum.cusumValues == before);

    // A cancelled dialog: no message, and the last run's lines stay.
    h.clearMessages();
    u->cmdCalc_Click();
    EXPECT_TRUE(h.messageTexts().empty());
    EXPECT_EQ(u->periodLines().size(), 6u);
}

// A blank line among the lines of a period file is named by its number,
// whether it holds nothing or only blanks; counted as a region, it would
// have the study area's region count blamed. The last run stays shown.
TEST_F(CusumWindowTest, ABlankLineInThePeriodFileIsNamed) {
    const std::string dir = scratchDir("cusum_text_blank");
    frmUnivariate* u = open(writeWorkedArea(dir));
    setParameters(u, "0.5", "2", "1");
    u->selectExistingTextfile();
    writeBytes(dir + "/z.txt", "3,1,-3\r\n1,2,3\r\n");
    h.dlg->queueFile(dir + "/z.txt");
    realClick(u->cmdCalc);
    ASSERT_TRUE(h.messageTexts().empty());
    const Matrix before = s().cusum.cusumValues;
    const std::vector<std::string> periods = u->periodLines();

    const struct {
        const char* name;
        const char* bytes;
        int line;
    } cases[] = {
        {"an empty line", "3,1,-3\r\n\r\n1,2,3\r\n", 2},
        {"a line of blanks", "3,1,-3\r\n  \r\n1,2,3\r\n", 2},
        {"an empty first line", "\r\n3,1,-3\r\n1,2,3\r\n", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        h.clearMessages();
        const std::string path = dir + "/blank.txt";
        writeBytes(path, c.bytes);
        h.dlg->queueFile(path);
        realClick(u->cmdCalc);
        EXPECT_EQ(h.messageTexts(), std::vector<std::string>{"The period file was not read: The file \"" + path +
                                                             "\" has an empty line " + std::to_string(c.line) +
                                                             ": every line must hold the values of one region."});
        EXPECT_TRUE(s().cusum.cusumValues == before);
        EXPECT_EQ(u->periodLines(), periods);
    }
}

// A refused Run, and a Run with "Previous" while its continuation is being
// set up, leave the last run's lists, charts and map tools answering.
TEST_F(CusumWindowTest, ARefusedRunLeavesTheLastRunWorking) {
    frmUnivariate* u = open(writeWorkedArea(scratchDir("cusum_refused")));
    setParameters(u, "0.5", "2", "1");
    chooseRange(u, "Z1", "Z3");
    u->cmdCalc_Click();
    ASSERT_TRUE(h.messageTexts().empty());
    const std::vector<std::string> periods = u->periodLines(), regions = u->regionLines();
    const Worked worked;

    // Each case sets parameters of its own, so that it is refused for its
    // own reason and no other.
    const struct {
        const char* name;
        std::function<void()> refuse;
        std::vector<std::string> messages;
        bool asksForAFile;
    } cases[] = {
        {"a k made of letters", [&] { setParameters(u, "abc", "2", "1"); }, {"Parameters are not properly input."},
         false},
        {"a cancelled period file", [&] {
             setParameters(u, "0.5", "5", "1");
             u->selectExistingTextfile();
         },
         {}, true},
        {"Previous, its dialog still open", [&] {
             setParameters(u, "0.5", "5", "1");
             u->selectPrevious();
         },
         {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        h.clearMessages();
        c.refuse();
        u->selectRegionRow(0);
        ASSERT_TRUE(h.ctx.isOpen<frmGraph>());
        const std::size_t fileCalls = h.dlg->fileCalls.size();
        u->cmdCalc_Click();
        EXPECT_EQ(h.messageTexts(), c.messages);
        ASSERT_EQ(h.dlg->fileCalls.size(), fileCalls + (c.asksForAFile ? 1u : 0u));
        if (c.asksForAFile) {
            EXPECT_FALSE(h.dlg->fileCalls.back().save);
            EXPECT_EQ(h.dlg->fileCalls.back().request.filter, "Text File (*.txt)|*.txt");
        }
        EXPECT_FALSE(u->animating());
        EXPECT_EQ(u->periodLines(), periods);
        EXPECT_EQ(u->regionLines(), regions);
        EXPECT_EQ(u->lblY->text().toStdString(), "3");
        EXPECT_TRUE(h.ctx.isOpen<frmGraph>());
        EXPECT_EQ(s().cusum.hValue, 2.0);
        ASSERT_TRUE(map()->isButtonPressed("Graph"));

        // The Graph tool charts the region clicked on the map.
        const MapPoint a2 = mapToDeviceExact(s().view.transform, 0, 0,
                                             s().area.centroidTable[2].X, s().area.centroidTable[2].Y);
        map()->picSHP_MouseDown(1, 0, static_cast<float>(a2.X), static_cast<float>(a2.Y));
        frmGraph* g = h.ctx.find<frmGraph>();
        ASSERT_NE(g, nullptr);
        EXPECT_EQ(g->Text1->text().toStdString().substr(0, 8), "A2 in 3:");
        EXPECT_DOUBLE_EQ(g->MSChart1->chartData()(2, 0), worked.c[2][3]);

        // The header row empties lblY, releases Graph and shows the plain map.
        u->selectPeriodRow(0);
        EXPECT_TRUE(u->lblY->text().isEmpty());
        EXPECT_FALSE(map()->isButtonPressed("Graph"));
        EXPECT_FALSE(s().shared.cusumMapMode);
        u->selectPeriodRow(4);
        EXPECT_TRUE(s().shared.cusumMapMode);
    }
    ASSERT_TRUE(h.ctx.isOpen<frmTxtFileOpen>());
}

// A name typed with another extension is saved with ".csm" added, and the
// dialog is told so, so that any question about replacing a file is about
// the file written (see the dialogs' own test); the file of the name as
// typed is not touched.
TEST_F(CusumWindowTest, ACusumFileIsSavedUnderTheNameItWillHave) {
    const std::string dir = scratchDir("cusum_save_extension");
    std::ofstream(dir + "/out.txt") << "earlier";
    frmUnivariate* u = open(writeWorkedArea(dir));
    setParameters(u, "0.5", "2", "1");
    chooseRange(u, "Z1", "Z3");
    u->cmdCalc_Click();
    h.dlg->queueFile(dir + "/out.txt");
    u->cmdSaveCusum_Click();
    ASSERT_FALSE(h.dlg->fileCalls.empty());
    EXPECT_TRUE(h.dlg->fileCalls.back().save);
    EXPECT_TRUE(h.dlg->fileCalls.back().request.extensionRequired);
    EXPECT_EQ(h.dlg->fileCalls.back().request.defaultExt, "csm");
    EXPECT_EQ(readBytes(dir + "/out.txt.csm").rfind("period1,period2,period3,\r\n", 0), 0u);
    EXPECT_EQ(readBytes(dir + "/out.txt"), "earlier");
    EXPECT_EQ(s().cusum.csmPath, dir + "/out.txt.csm");
}

TEST_F(CusumWindowTest, SaveCusumFailureKeepsTheButton) {
    const std::string dir = scratchDir("cusum_save_fail");
    frmUnivariate* u = open(writeWorkedArea(dir));
    setParameters(u, "0.5", "2", "1");
    chooseRange(u, "Z1", "Z3");
    u->cmdCalc_Click();
    h.dlg->queueFile(dir + "/no/such/folder/run.csm");
    u->cmdSaveCusum_Click();
    ASSERT_EQ(h.messageTexts().size(), 1u);
    EXPECT_EQ(h.dlg->messages[0].title, "Warning!");
    EXPECT_TRUE(u->cmdSaveCusum->isEnabled());
    // A cancel disables both.
    u->cmdSaveCusum_Click();
    EXPECT_FALSE(u->cmdSaveCusum->isEnabled());
    EXPECT_FALSE(u->cmdSaveResult->isEnabled());
}

TEST_F(CusumWindowTest, SecondaryNamesAndNullNames) {
    frmUnivariate* u = open(writeWorkedArea(scratchDir("cusum_second")), "NAME", "STATE");
    setParameters(u, "0.5", "2", "1");
    chooseRange(u, "Z1", "Z3");
    u->cmdCalc_Click();
    EXPECT_EQ(s().cusum.regionLabels, (TextArray{"", "A1 (S1) ", "A2 () "}));
}

TEST_F(CusumWindowTest, AnotherStudyAreaRefillsTheFieldLists) {
    frmUnivariate* u = open(writeWorkedArea(scratchDir("cusum_first")));
    setParameters(u, "0.7", "3", "1");
    chooseRange(u, "Z1", "Z3");
    u->cmdCalc_Click();
    h.openStudyArea(writeRow(scratchDir("cusum_second_area"), 3, 1.0,
                             {texts("ID", {"a", "b", "c"}), numbers("P1", {1.0, 2.0, 3.0})}));
    u->studyAreaOpened();
    EXPECT_EQ(u->cboStartZ->count(), 2);
    EXPECT_EQ(u->cboStartZ->itemText(1).toStdString(), "P1");
    EXPECT_TRUE(u->periodLines().empty());
    EXPECT_FALSE(u->cmdSaveCusum->isEnabled());
    EXPECT_EQ(u->txtKvalue->text().toStdString(), "0.7");
    EXPECT_EQ(u->txtHvalue->text().toStdString(), "3");
}

TEST_F(CusumWindowTest, ChartsFollowTheLastRunNotTheOptionShown) {
    frmUnivariate* u = open(writeWorkedArea(scratchDir("cusum_snapshot")));
    setParameters(u, "0.5", "2", "1");
    chooseRange(u, "Z1", "Z3");
    u->cmdCalc_Click();
    // The option changes; the map's Graph tool still charts the run's periods.
    u->selectExistingTextfile();
    EXPECT_FALSE(h.ctx.isOpen<frmGraph>());
    s().shared.selectedRegion = 0;
    emit h.ctx.mapHub().regionCharted(0);
    frmGraph* g = h.ctx.find<frmGraph>();
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->MSChart1->rowCount(), 3);
    EXPECT_EQ(u->periodLines().size(), 6u);
    u->selectPeriodRow(3);
    EXPECT_EQ(s().shared.currentPeriod, 2);
}

TEST_F(CusumWindowTest, StudyAreaWithoutAreaIsRefusedBeforeAnyDivision) {
    frmUnivariate* u = open(writeWorkedArea(scratchDir("cusum_no_area")));
    setParameters(u, "0.5", "2", "1");
    chooseRange(u, "Z1", "Z3");
    s().area.studyArea = 0.0;
    u->cmdCalc_Click();
    ASSERT_EQ(h.messageTexts().size(), 1u);
    EXPECT_NE(h.messageTexts()[0].find("The cusum cannot be computed on these data"), std::string::npos);
    EXPECT_EQ(s().cusum.cusumValues.size(), 0);
    EXPECT_FALSE(u->cmdSaveCusum->isEnabled());
    EXPECT_EQ(s().shared.sigma, 0.0);
}

TEST_F(CusumWindowTest, OpenCusumFileLoadsAndARefusalKeepsTheEarlierLoad) {
    const std::string dir = scratchDir("cusum_open");
    frmUnivariate* u = open(writeWorkedArea(dir));
    setParameters(u, "0.5", "2", "1");
    chooseRange(u, "Z1", "Z3");
    u->cmdCalc_Click();
    h.dlg->queueFile(dir + "/run.csm");
    u->cmdSaveCusum_Click();

    h.dlg->queueFile(dir + "/run.csm");
    EXPECT_EQ(modFileSaveOpen::OpenCusumFile(h.ctx), modFileSaveOpen::Outcome::Done);
    const CusumState& c = s().cusum;
    EXPECT_EQ(c.previousPeriodCount, 3.0);
    EXPECT_EQ(c.csmHeader, "period1,period2,period3,");
    EXPECT_EQ(c.csmPath, dir + "/run.csm");
    for (int i = 1; i <= 2; ++i)
        for (int p = 1; p <= 3; ++p)
            EXPECT_NEAR(c.previousCusum(i, p), c.csmCusum(i, p), std::abs(c.csmCusum(i, p)) * 1e-14);

    {
        std::ofstream f(dir + "/short.csm", std::ios::binary);
        f << "period1,\r\n1,\r\n";
    }
    const Matrix before = c.previousCusum;
    h.dlg->queueFile(dir + "/short.csm");
    EXPECT_EQ(modFileSaveOpen::OpenCusumFile(h.ctx), modFileSaveOpen::Outcome::Failed);
    ASSERT_EQ(h.messageTexts().size(), 1u);
    EXPECT_EQ(h.dlg->messages[0].title, "Warning!");
    EXPECT_TRUE(c.previousCusum == before);
    EXPECT_EQ(c.previousPeriodCount, 3.0);
    EXPECT_EQ(c.csmPath, dir + "/run.csm");
    // A cancel changes nothing either.
    EXPECT_EQ(modFileSaveOpen::OpenCusumFile(h.ctx), modFileSaveOpen::Outcome::Cancelled);
    EXPECT_EQ(h.dlg->fileCalls.back().request.filter, "cusum files (*.csm)|*.csm");
}

TEST_F(CusumWindowTest, MorePeriodsThanTheMapCanNumberAreRefused) {
    const std::string dir = scratchDir("cusum_many_periods");
    frmUnivariate* u = open(writeWorkedArea(dir));
    u->selectExistingTextfile();
    {
        std::ofstream f(dir + "/wide.txt", std::ios::binary);
        for (int line = 0; line < 2; ++line) {
            for (int p = 0; p < 32768; ++p) f << (p ? ",1" : "1");
            f << "\r\n";
        }
    }
    h.dlg->queueFile(dir + "/wide.txt");
    u->cmdCalc_Click();
    EXPECT_EQ(h.messageTexts(),
              std::vector<std::string>{"The period file was not read: The file \"" + dir +
                                       "/wide.txt\" has 32768 values on its first line; a run can have at most "
                                       "32767 periods."});
    EXPECT_EQ(s().cusum.cusumValues.size(), 0);
}

// An allocation that fails once the run shows the busy pointer, in the
// reading of the period file (the reader says so as the program's own
// error) or in the file dialog (which reaches the application's last
// resort), ends in one "Warning!", with the pointer back to normal and the
// last run's lists as they were.
TEST_F(CusumWindowTest, AnAllocationFailureInTheRunKeepsTheLastRun) {
    const std::string dir = scratchDir("cusum_memory");
    frmUnivariate* u = open(writeWorkedArea(dir));
    setParameters(u, "0.5", "2", "1");
    chooseRange(u, "Z1", "Z3");
    u->cmdCalc_Click();
    ASSERT_TRUE(h.messageTexts().empty());
    const std::vector<std::string> periods = u->periodLines(), regions = u->regionLines();
    u->selectExistingTextfile();
    // Two lines of 300,000 values: their text alone takes more than 1 MB.
    const std::string wide = dir + "/wide.txt";
    {
        std::ofstream f(wide, std::ios::binary);
        for (int line = 0; line < 2; ++line) {
            for (int p = 0; p < 300000; ++p) f << (p ? ",1" : "1");
            f << "\r\n";
        }
    }
    auto failing = std::make_shared<DialogsOutOfMemory>();
    installDialogs(failing);
    std::vector<int> pointer;
    h.ctx.frame().install([&](int p) { pointer.push_back(p); }, {}, {});

    const struct {
        const char* name;
        std::function<void()> run;
        std::string says;
    } cases[] = {
        {"the period file's reader",
         [&] {
             failing->queueFile(wide);
             const AllocationLimit limit(512 * 1024);
             realClick(u->cmdCalc);
         },
         "The period file was not read: There is not enough memory left to read the file \"" + wide + "\"."},
        {"the file dialog",
         [&] {
             failing->failNext = true;
             const ExpectStoppedStep stops;
             realClick(u->cmdCalc);
         },
         "There is not enough memory to finish this step. The step was stopped; the data and results from before it "
         "are kept."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        failing->messages.clear();
        pointer.clear();
        c.run();
        ASSERT_EQ(failing->messages.size(), 1u);
        EXPECT_EQ(failing->messages[0].text, c.says);
        EXPECT_EQ(failing->messages[0].title, "Warning!");
        EXPECT_EQ(pointer, (std::vector<int>{13, 0}));
        EXPECT_EQ(u->periodLines(), periods);
        EXPECT_EQ(u->regionLines(), regions);
        EXPECT_FALSE(u->animating());
        EXPECT_TRUE(u->cmdCalc->isEnabled());
    }
    h.ctx.frame().uninstall();
    installDialogs(h.dlg);
}

// A failure within a frame of the animation stops it: the window answers
// again (Run and the parameters enabled) and the pointer is normal.
TEST_F(CusumWindowTest, AFailureWithinTheAnimationLeavesTheWindowAnswering) {
    frmUnivariate* u = open(writeWorkedArea(scratchDir("cusum_animation_failure")));
    setParameters(u, "0.5", "2", "1");
    chooseRange(u, "Z1", "Z3");
    std::vector<int> pointer;
    h.ctx.frame().install([&](int p) { pointer.push_back(p); }, {}, {});
    h.pump->onWait = [&](std::int64_t n) {
        if (n == 1) throw std::bad_alloc();
    };
    {
        const ExpectStoppedStep stops;
        realClick(u->cmdCalc);
    }
    ASSERT_EQ(h.messageTexts().size(), 1u);
    EXPECT_EQ(h.dlg->messages[0].title, "Warning!");
    EXPECT_FALSE(u->animating());
    for (QWidget* on : std::initializer_list<QWidget*>{u->cmdCalc, u->txtKvalue, u->txtHvalue, u->txtSigma})
        EXPECT_TRUE(on->isEnabled()) << on->objectName().toStdString();
    EXPECT_EQ(pointer, (std::vector<int>{13, 0}));
    h.ctx.frame().uninstall();

    // The next Run runs whole.
    h.pump->onWait = nullptr;
    h.clearMessages();
    u->cmdCalc_Click();
    EXPECT_TRUE(h.messageTexts().empty());
    EXPECT_EQ(u->periodLines().size(), 6u);
}

// Whatever allocation of a Run fails, at any limit, the run is refused with
// its own out-of-memory message (never the application's last resort), the
// pointer is normal again and the window shows what it showed, its saves
// included; a run that needs nothing beyond the limit runs whole.
TEST_F(CusumWindowTest, ARunOutOfMemoryAtAnyLimitKeepsWhatTheWindowShows) {
    const std::string dir = scratchDir("cusum_memory_limits");
    constexpr int kRegions = 200;
    std::vector<std::optional<std::string>> names;
    std::vector<std::optional<double>> z1, z2, z3;
    std::vector<std::string> rows;
    for (int i = 1; i <= kRegions; ++i) {
        names.push_back("R" + std::to_string(i));
        z1.push_back(i % 7 * 0.5);
        z2.push_back(i % 5 * 0.75);
        z3.push_back(i % 3 * 1.5);
        rows.push_back(formatGeneral(*z1.back()) + "," + formatGeneral(*z2.back()) + "," + formatGeneral(*z3.back()));
    }
    frmUnivariate* u = open(writeRow(dir, kRegions, 1.0,
                                     {texts("NAME", names), numbers("Z1", z1), numbers("Z2", z2), numbers("Z3", z3)}));
    const std::string periodFile = dir + "/periods.txt";
    writeTextFileLines(periodFile, rows);
    setParameters(u, "0.5", "1", "0.5");
    std::vector<int> pointer;
    h.ctx.frame().install([&](int p) { pointer.push_back(p); }, {}, {});
    const std::string computing =
        "The cusum cannot be computed on these data: There is not enough memory left to compute the cusum of this "
        "study area.";
    const std::string reading =
        "The period file was not read: There is not enough memory left to read the file \"" + periodFile + "\".";

    const struct {
        bool fromFile;
        std::size_t limit;
    } cases[] = {{false, 4 * 1024}, {false, 64 * 1024}, {false, 1024 * 1024},
                 {true, 4 * 1024},  {true, 64 * 1024},  {true, 1024 * 1024}};
    int refused[2] = {0, 0};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.fromFile ? "period file" : "fields") + ", limit " + std::to_string(c.limit));
        const auto run = [&] {
            if (c.fromFile) h.dlg->queueFile(periodFile);
            realClick(u->cmdCalc);
        };
        // The last run, with a period chosen whose regions signal.
        if (c.fromFile) u->selectExistingTextfile();
        else {
            u->selectFieldSelection();
            chooseRange(u, "Z1", "Z3");
        }
        run();
        ASSERT_TRUE(h.messageTexts().empty()) << h.messageTexts()[0];
        u->selectPeriodRow(3);
        const std::vector<std::string> periods = u->periodLines(), regions = u->regionLines();
        ASSERT_FALSE(regions.empty());
        const Matrix cusum = s().cusum.cusumValues;
        pointer.clear();
        {
            const AllocationLimit limit(c.limit);
            run();
        }
        EXPECT_EQ(pointer, (std::vector<int>{13, 0}));
        EXPECT_FALSE(u->animating());
        const std::vector<std::string> said = h.messageTexts();
        h.clearMessages();
        if (said.empty()) {
            EXPECT_EQ(u->periodLines().size(), periods.size());
            continue;
        }
        ++refused[c.fromFile];
        ASSERT_EQ(said.size(), 1u);
        if (c.fromFile) EXPECT_TRUE(said[0] == computing || said[0] == reading) << said[0];
        else EXPECT_EQ(said[0], computing);
        EXPECT_EQ(u->periodLines(), periods);
        EXPECT_EQ(u->regionLines(), regions);
        EXPECT_EQ(u->lblY->text().toStdString(), "2");
        EXPECT_TRUE(s().cusum.cusumValues == cusum);
        EXPECT_TRUE(u->cmdSaveCusum->isEnabled());
        EXPECT_TRUE(u->cmdCalc->isEnabled());
    }
    // The smallest limit refuses something of each road.
    EXPECT_GE(refused[0], 1);
    EXPECT_GE(refused[1], 1);
    h.ctx.frame().uninstall();
}
