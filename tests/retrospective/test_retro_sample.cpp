// The whole retrospective road on the sample study area, through the main
// frame's menu entry: open, data input, every test for one bandwidth and a
// range, bandwidth rows, the Find tool and the report.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QListWidget>
#include <QSlider>
#include <filesystem>

#include "app/MDIFrmMain.h"
#include "map/frmPolygonSHP.h"
#include "retrospective/ClusterMapLink.h"
#include "retrospective/frmClusterDetection.h"
#include "retrospective/frmParameter.h"
#include "retrospective/frmSigmaChart.h"
#include "tests/retrospective/RetroFixture.h"
#include "tests/support/TestPaths.h"
#include "ui/Dialogs.h"
#include "tests/support/CountingPump.h"
#include "ui/EventPump.h"
#include "ui/Pictures.h"

namespace {

class RetroSample : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(sourcePath("data/sample/sample.shp"))) GTEST_SKIP() << "no sample data";
        dlg = std::make_shared<ScriptedDialogs>();
        installDialogs(dlg);
        pump = std::make_shared<CountingEventPump>();
        installEventPump(pump);
        Pictures::setBitmapFolder(sourcePath("app/BitMaps"));
        ctx = std::make_unique<AppContext>();
        ctx->endProgram = [] {};
        frame = installMainFrame(*ctx);
        frame->resize(1500, 1000);
        ctx->modalHook = [](QWidget* w) {
            auto* p = static_cast<frmParameter*>(w);
            p->pickField(p->cboBasePopulation, "POP");
            p->pickField(p->cboCase, "CASES");
            p->pickField(p->cboPrimaryID, "NAME");
            p->setSecondaryIdChecked(true);
            p->pickField(p->cboSecondaryID, "ID");
            p->cmdOK_Click();
        };
        dlg->queueFile(sourcePath("data/sample/sample.shp"));
        frame->mnuOpenShapeRetro_Click();
        w = ctx->find<frmClusterDetection>();
        map = ctx->find<frmPolygonSHP>();
    }
    void TearDown() override {
        if (!ctx) return;
        for (QMdiSubWindow* s : frame->mdiArea->subWindowList()) s->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Pictures::setBitmapFolder({});
    }

    std::shared_ptr<ScriptedDialogs> dlg;
    std::shared_ptr<CountingEventPump> pump;
    std::unique_ptr<AppContext> ctx;
    MDIFrmMain* frame = nullptr;
    frmClusterDetection* w = nullptr;
    frmPolygonSHP* map = nullptr;
};

TEST_F(RetroSample, EveryTestOnTheSample) {
    ASSERT_NE(w, nullptr);
    ASSERT_NE(map, nullptr);
    EXPECT_TRUE(dlg->messages.empty()) << dlg->messages.front().text;
    const AppState& s = ctx->state;
    ASSERT_EQ(s.area.regionCount, 100);
    EXPECT_TRUE(s.retro.secondaryIdOn);
    EXPECT_FALSE(s.shared.retroMapMode);

    for (ClusterTest t : {ClusterTest::Unadjusted, ClusterTest::AdjustedPoisson, ClusterTest::FreemanTukey,
                          ClusterTest::Rossi}) {
        w->selectTest(t);
        w->selectSingleSigma();
        w->txtSingleSigma->setText("1");
        w->cmdRun_Click();
        EXPECT_TRUE(dlg->messages.empty()) << dlg->messages.front().text;
        EXPECT_EQ(w->lstLocalPatternSummary->count(), 104);
        EXPECT_EQ(frame->mousePointer(), 1);
        EXPECT_TRUE(s.shared.retroMapMode);
        EXPECT_TRUE(w->cmdSave->isEnabled());
    }
    // The planted cluster (regions 17-19, 27-29, 37-39) holds the largest M.
    std::size_t best = 1;
    for (std::size_t i = 1; i <= 100; ++i)
        if (s.retro.localM[i] > s.retro.localM[best]) best = i;
    const std::vector<std::size_t> cluster = {17, 18, 19, 27, 28, 29, 37, 38, 39};
    EXPECT_NE(std::find(cluster.begin(), cluster.end(), best), cluster.end()) << best;

    // The Find tool selects the row of the region it hits.
    ASSERT_TRUE(map->isButtonPressed("Find"));
    w->selectLocalRow(best + 2);
    EXPECT_EQ(w->lstLocalPatternSummary->currentRow(), static_cast<int>(best + 2));
    AppContext::topOf(map)->grab().save(QString::fromStdString(testOutputPath("retro_sample_rossi_map.png")));
    frame->grab().save(QString::fromStdString(testOutputPath("retro_sample_frame.png")));

    const std::string dir = scratchDir("retro-sample");
    dlg->queueFile(dir + "/rossi.txt");
    w->cmdSave_Click();
    EXPECT_TRUE(std::filesystem::exists(dir + "/rossi.txt"));

    w->selectTest(ClusterTest::AdjustedPoisson);
    w->selectSigmaRange();
    w->cmdRun_Click();
    EXPECT_TRUE(dlg->messages.empty()) << dlg->messages.front().text;
    EXPECT_EQ(s.retro.bandwidthCount, 10);
    EXPECT_EQ(w->lstGlobalPatternSummary->count(), 13);
    EXPECT_EQ(frame->mousePointer(), 0);
    ASSERT_NE(ctx->find<frmSigmaChart>(), nullptr);
    // The map window's animation steps through the bandwidth rows.
    map->Toolbar1_ButtonClick("MapAnimation");
    EXPECT_EQ(w->lstGlobalPatternSummary->currentRow(), 11);
    EXPECT_EQ(s.shared.sigma, s.retro.rangeSigmas[9]);
    EXPECT_TRUE(map->sliderStatsRange->isVisibleTo(map));
    map->sliderStatsRange->setValue(3);
    map->sliderStatsRange_Change();
    EXPECT_EQ(w->lstGlobalPatternSummary->currentRow(), 5);
    for (int i = 1; i <= 100; ++i) EXPECT_EQ(s.retro.mapClassValues[static_cast<std::size_t>(i)], s.retro.rangeLocalStats(3, i));
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    AppContext::topOf(map)->grab().save(QString::fromStdString(testOutputPath("retro_sample_range_map.png")));
    AppContext::topOf(ctx->find<frmSigmaChart>())
        ->grab()
        .save(QString::fromStdString(testOutputPath("retro_sample_statistics_plot.png")));

    dlg->queueFile(dir + "/range.txt");
    w->cmdSave_Click();
    EXPECT_TRUE(std::filesystem::exists(dir + "/range.txt"));
    EXPECT_TRUE(dlg->messages.empty());
}

}  // namespace

namespace {

// The results and counts of the sample are of no use on another study area
// whose data input was closed without OK: nothing saves, shades or
// computes with them until the input is confirmed for the new area.
TEST_F(RetroSample, ResultsOfTheStudyAreaBeforeAreNotUsedOnTheNextOne) {
    ASSERT_NE(w, nullptr);
    w->selectTest(ClusterTest::FreemanTukey);
    w->selectSigmaRange();
    w->txtFromSigma->setText("0.2");
    w->txtToSigma->setText("1.0");
    w->txtStep->setText("0.4");
    w->cmdRun_Click();
    ASSERT_TRUE(dlg->messages.empty());
    ASSERT_TRUE(w->cmdSave->isEnabled());

    const std::string dir = scratchDir("retro-sample-next");
    const std::string other = retro_test::writeGrid(dir, "nine", 3, 3, retro_test::clusteredCounts(9));
    ctx->modalHook = [](QWidget* p) { p->close(); };  // the data input closed without OK
    dlg->queueFile(other);
    frame->mnuOpenShapeRetro_Click();
    ASSERT_EQ(ctx->state.area.regionCount, 9);
    ASSERT_EQ(ctx->find<frmClusterDetection>(), w);
    map = ctx->find<frmPolygonSHP>();
    ASSERT_NE(map, nullptr);
    dlg->messages.clear();

    // Save is off, and a save asked for anyway writes nothing.
    EXPECT_FALSE(w->cmdSave->isEnabled());
    dlg->queueFile(dir + "/stale.txt");
    w->cmdSave_Click();
    EXPECT_FALSE(std::filesystem::exists(dir + "/stale.txt"));

    // A bandwidth row, the animation and the slider leave the new map plain.
    const DoubleArray shadedBefore = ctx->state.retro.mapClassValues;
    w->selectGlobalRow(3);
    map->Toolbar1_ButtonClick("MapAnimation");
    map->sliderStatsRange_Change();
    EXPECT_EQ(pump->waits, 0);
    EXPECT_EQ(ctx->state.retro.mapClassValues, shadedBefore);

    // Run refuses the earlier counts.
    w->selectSingleSigma();
    w->txtSingleSigma->setText("1");
    w->cmdRun_Click();
    ASSERT_EQ(dlg->messages.size(), 1u);
    EXPECT_EQ(dlg->messages[0].title, "Warning!");
    EXPECT_NE(dlg->messages[0].text.find("counts were read for another study area"), std::string::npos);
    EXPECT_FALSE(w->cmdSave->isEnabled());
}

// Another study area opened beside the cluster window: the lists and the
// statistics plot of the results before go, whether or not the data input
// of the new area was confirmed.
TEST_F(RetroSample, AnotherStudyAreaClearsTheResultsShown) {
    ASSERT_NE(w, nullptr);
    const std::string dir = scratchDir("retro-sample-other");
    const struct {
        const char* name;
        bool range;
        bool confirmed;
    } cases[] = {{"single run, input confirmed", false, true}, {"range run, input closed without OK", true, false}};
    int areas = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.range) {
            w->selectSigmaRange();
            w->txtFromSigma->setText("0.5");
            w->txtToSigma->setText("1.5");
            w->txtStep->setText("0.5");
        } else {
            w->selectSingleSigma();
            w->txtSingleSigma->setText("1");
        }
        w->cmdRun_Click();
        ASSERT_TRUE(dlg->messages.empty()) << dlg->messages.front().text;
        ASSERT_GT(w->lstGlobalPatternSummary->count(), 0);
        ASSERT_EQ(ctx->find<frmSigmaChart>() != nullptr, c.range);

        ctx->modalHook = [&c](QWidget* widget) {
            auto* p = static_cast<frmParameter*>(widget);
            if (!c.confirmed) {
                p->close();
                return;
            }
            p->pickField(p->cboBasePopulation, "POP");
            p->pickField(p->cboCase, "CASES");
            p->pickField(p->cboPrimaryID, "NAME");
            p->cmdOK_Click();
        };
        dlg->queueFile(retro_test::writeGrid(dir, "grid" + std::to_string(++areas), 3, 3, retro_test::clusteredCounts(9)));
        frame->mnuOpenShapeRetro_Click();
        ASSERT_EQ(ctx->state.area.regionCount, 9);
        ASSERT_EQ(ctx->find<frmClusterDetection>(), w);
        EXPECT_TRUE(dlg->messages.empty());

        EXPECT_EQ(w->lstGlobalPatternSummary->count(), 0);
        EXPECT_EQ(w->lstLocalPatternSummary->count(), 0);
        EXPECT_EQ(ctx->find<frmSigmaChart>(), nullptr);
        EXPECT_FALSE(w->cmdSave->isEnabled());
        EXPECT_FALSE(ctx->state.shared.retroMapMode);
    }
}

}  // namespace
