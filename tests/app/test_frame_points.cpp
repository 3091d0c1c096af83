// The cluster test on point data as a user reaches it: the frame's point
// entry, the sample point file, every test for one bandwidth and a range,
// an identified point, the saved report, and a polygon study area opened
// afterwards.
#include <QListWidget>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>

#include "platform/TextFile.h"
#include "retrospective/frmClusterDetectionTextfile.h"
#include "retrospective/frmSelectDataFormat.h"
#include "tests/app/FrameFixture.h"
#include "tests/support/TestPaths.h"

namespace {

using namespace frametest;

class FramePoints : public FrameTest {};

TEST_F(FramePoints, TheSamplePointsFromTheMenuToTheReport) {
    const std::string sample = sourcePath("data/sample/points.txt");
    ASSERT_TRUE(std::filesystem::exists(sample));
    frame->mnuOpenTextRetro_Click();
    frame = ctx->find<MDIFrmMain>();
    ASSERT_NE(frame, nullptr);
    auto* w = ctx->find<frmClusterDetectionTextfile>();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(ctx->state.shared.pointDataMode);
    EXPECT_FALSE(w->cmdRun->isEnabled());

    w->cmdLoadData_Click();
    auto* d = ctx->find<frmSelectDataFormat>();
    ASSERT_NE(d, nullptr);
    dlg->queueFile(sample);
    d->cmdContinue_Click();
    ASSERT_TRUE(takeMessages().empty());
    ASSERT_TRUE(w->cmdRun->isEnabled());
    EXPECT_EQ(ctx->state.points.pointCount, 300.0);

    for (ClusterTest test : {ClusterTest::Unadjusted, ClusterTest::AdjustedPoisson, ClusterTest::FreemanTukey,
                             ClusterTest::Rossi}) {
        w->selectTest(test);
        w->selectSingleSigma();
        w->cmdRun_Click();
        EXPECT_TRUE(takeMessages().empty());
        EXPECT_EQ(w->localLines().size(), 300u + 4u);
        w->selectSigmaRange();
        w->cmdRun_Click();
        EXPECT_TRUE(takeMessages().empty());
        EXPECT_EQ(w->globalLines().size(), 10u + 3u);
    }

    w->selectTest(ClusterTest::AdjustedPoisson);
    w->selectSingleSigma();
    w->cmdRun_Click();
    w->selectTool("optIdentify");
    const DevicePoint p = ctx->state.points.devicePoints[17];
    w->picPoint_MouseDown(1, 0, p.X, p.Y);
    EXPECT_EQ(w->lstLocalPatternSummary->currentRow(), 17 + 2);

    const std::string report = scratchDir("frame-points") + "/report.txt";
    dlg->queueFile(report);
    w->cmdSave_Click();
    EXPECT_EQ(readTextFileLines(report).size(), 14u + 300u + 1u);

    // A polygon study area opened next closes the point window and leaves
    // no class map of the points behind.
    openRetro(writeStudyArea(scratchDir("frame-points-shp"), "after"));
    EXPECT_EQ(ctx->find<frmClusterDetectionTextfile>(), nullptr);
    EXPECT_FALSE(ctx->state.shared.retroMapMode);
}

}  // namespace
