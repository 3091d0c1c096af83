// One wait-driven action at a time, through the real main frame on the
// sample data: a click of each kind during each kind of wait either is
// ignored (an Animation click during a blink, a Run refused for its k),
// acts at once while the wait goes on without a wait of its own (a list
// row, a zoom, the map's and the point map's region tools, which show the
// region's information, its chart, the row found, the point's chart and
// label, the selection, but blink or flash nothing; an identify only looks a region up and
// selects nothing), stops the wait (a second Animation click, a
// Run of the cluster window, a Run whose period file is not chosen, another
// study area, closing) or stops it and runs its own animation in its place
// once the stopped wait has returned (a Run of either cusum window). No
// click waits inside the wait it came in, no more than one action is ever
// on the stack, and the counting pump's waits show that exactly one action
// ran; afterwards the map, the slider, the label and the chosen list row
// show the same bandwidth or period, or, where the wait's window closed or
// its results were replaced, nothing of them is left; and the signalled
// region's chosen row, the region chart and the map's selection name one
// region. Every message shown meanwhile is the one the case expects.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include <algorithm>
#include <functional>

#include "map/MapTransform.h"
#include "map/PointMap.h"
#include "map/PointTransform.h"
#include "map/frmInfo.h"
#include "map/frmPolygonSHP.h"
#include "map/modDrawPolygon.h"
#include "map/modFunctions.h"
#include "platform/DbfTable.h"
#include "prospective/CusumLines.h"
#include "prospective/frmGraph.h"
#include "prospective/frmSelectName.h"
#include "prospective/frmUnivariate.h"
#include "prospective/frmUnivariateCusumTextfile.h"
#include "retrospective/ClusterLines.h"
#include "retrospective/frmClusterDetection.h"
#include "tests/app/FrameFixture.h"
#include "tests/support/CaseNames.h"
#include "tests/support/TestPaths.h"
#include "ui/LineChart.h"

namespace frametest {
namespace {

// What the windows show beforehand: a range run of the cluster test animated
// once (the slider showing), a single-bandwidth run (the tool Find on), a
// cusum run of the sample's twelve period fields or of its period matrix
// file, the point cusum window with its two files read.
enum class Scene { ClusterRange, ClusterSingle, Cusum, CusumText, PointCusum };

enum class WaitKind { BandwidthAnimation, RegionBlink, GraphBlink, RegionFlash, CusumAnimation, PointAnimation };

enum class Click {
    Animation,
    Run,
    RunWithoutFile,  // a Run whose period file dialog is cancelled
    RunBadK,         // a Run with a k that is no number
    ListRow,
    LocalRow,   // a row of the cluster window's local list, a region's
    RegionRow,  // a row of the cusum window's signalled regions
    Graph,
    Find,
    Identify,
    IdentifyOutside,  // an identify outside every region
    Zoom,
    StudyArea,
    CloseWaiting,
    CloseClusterWindow
};

enum class Effect {
    Ignored,   // the wait runs whole; the click changed nothing
    Acts,      // the wait runs whole; the click showed what it picked at once, blinking nothing
    Live,      // the wait runs whole; the click showed its row at once
    Highlights,  // the wait runs whole; the click chose a region's row and highlighted it at once
    Redraws,   // the wait runs whole; the click redrew what the views show
    Stops,     // the wait ends at the click
    Replaces,  // the wait ends at the click and the click's run animates whole
};

// The bandwidth or period that every view shows afterwards.
constexpr int kNothingChosen = -1;  // the slider hidden, no list row chosen
constexpr int kGone = -2;           // the wait's window closed or its results were replaced
constexpr int kLast = -3;           // the last bandwidth or period
constexpr int kBeforeLast = -4;     // the one before the last

struct WaitCase {
    const char* name;
    Scene scene;
    WaitKind wait;
    Click click;
    Effect effect;
    int shownAfter;
    std::vector<std::string> messages = {};  // shown during and after the wait
};

const std::vector<WaitCase>& waitCases() {
    using enum Scene;
    using enum WaitKind;
    using enum Click;
    using enum Effect;
    static const std::vector<WaitCase> cases = {
        // The bandwidth animation; Graph and Find are off after a range run.
        {"BandwidthAnimation_Animation", ClusterRange, BandwidthAnimation, Animation, Stops, kBeforeLast},
        {"BandwidthAnimation_Run", ClusterRange, BandwidthAnimation, Run, Stops, kNothingChosen},
        {"BandwidthAnimation_GlobalListRow", ClusterRange, BandwidthAnimation, ListRow, Live, kLast},
        {"BandwidthAnimation_Identify", ClusterRange, BandwidthAnimation, Identify, Acts, kLast},
        {"BandwidthAnimation_Zoom", ClusterRange, BandwidthAnimation, Zoom, Redraws, kLast},
        {"BandwidthAnimation_StudyArea", ClusterRange, BandwidthAnimation, StudyArea, Stops, kGone},
        // The cluster window keeps the row of the last bandwidth shown.
        {"BandwidthAnimation_CloseMap", ClusterRange, BandwidthAnimation, CloseWaiting, Stops, kBeforeLast},
        {"BandwidthAnimation_CloseClusterWindow", ClusterRange, BandwidthAnimation, CloseClusterWindow, Stops,
         kGone},
        // A region's blink on the map of a range run.
        {"RegionBlink_Animation", ClusterRange, RegionBlink, Animation, Ignored, kLast},
        {"RegionBlink_Run", ClusterRange, RegionBlink, Run, Stops, kNothingChosen},
        {"RegionBlink_GlobalListRow", ClusterRange, RegionBlink, ListRow, Live, 0},
        {"RegionBlink_Identify", ClusterRange, RegionBlink, Identify, Acts, kLast},
        {"RegionBlink_StudyArea", ClusterRange, RegionBlink, StudyArea, Stops, kGone},
        {"RegionBlink_CloseMap", ClusterRange, RegionBlink, CloseWaiting, Stops, kLast},
        // Find is on only after a single-bandwidth run, whose map has no
        // bandwidths to agree on.
        {"RegionBlink_Find", ClusterSingle, RegionBlink, Find, Acts, kNothingChosen},
        {"RegionBlink_LocalListRow", ClusterSingle, RegionBlink, LocalRow, Highlights, kNothingChosen},
        // The cusum animation of a second run; the Animation button is the
        // cluster test's and Find is off, while Run restarts the animation.
        {"CusumAnimation_Run", Cusum, CusumAnimation, Run, Replaces, kLast},
        // A Run from the period matrix file asks for the file once the
        // animation has stopped: given, the run replaces the animation; not
        // given, the animation ends on the period it showed (periods 1 to 3).
        {"CusumTextAnimation_Run", CusumText, CusumAnimation, Run, Replaces, kLast},
        {"CusumTextAnimation_RunWithoutFile", CusumText, CusumAnimation, RunWithoutFile, Stops, 3},
        {"CusumAnimation_PeriodListRow", Cusum, CusumAnimation, ListRow, Live, kLast},
        {"CusumAnimation_Graph", Cusum, CusumAnimation, Graph, Acts, kLast},
        {"CusumAnimation_Identify", Cusum, CusumAnimation, Identify, Acts, kLast},
        {"CusumAnimation_StudyArea", Cusum, CusumAnimation, StudyArea, Stops, kGone},
        {"CusumAnimation_CloseCusumWindow", Cusum, CusumAnimation, CloseWaiting, Stops, kGone},
        // The Graph tool's blink after a cusum run.
        {"GraphBlink_Run", Cusum, GraphBlink, Run, Replaces, kLast},
        {"GraphBlink_PeriodListRow", Cusum, GraphBlink, ListRow, Live, 1},
        // A signalled region chosen during a wait is charted, not flashed.
        {"GraphBlink_RegionRow", Cusum, GraphBlink, RegionRow, Acts, kLast},
        {"GraphBlink_Graph", Cusum, GraphBlink, Graph, Acts, kLast},
        {"GraphBlink_Identify", Cusum, GraphBlink, Identify, Acts, kLast},
        {"GraphBlink_IdentifyOutside", Cusum, GraphBlink, IdentifyOutside, Ignored, kLast},
        {"GraphBlink_StudyArea", Cusum, GraphBlink, StudyArea, Stops, kGone},
        {"GraphBlink_CloseMap", Cusum, GraphBlink, CloseWaiting, Stops, kLast},
        // A Run whose period file is not chosen stops the blink and leaves
        // the period on the map as it was before the blink.
        {"GraphBlinkText_RunWithoutFile", CusumText, GraphBlink, RunWithoutFile, Stops, kLast},
        // The flash of a region chosen in the signalled-region list.
        {"RegionFlash_Run", Cusum, RegionFlash, Run, Replaces, kLast},
        // Refused before it stops anything.
        {"RegionFlash_RunBadK", Cusum, RegionFlash, RunBadK, Ignored, kLast, {"Parameters are not properly input."}},
        {"RegionFlashText_RunWithoutFile", CusumText, RegionFlash, RunWithoutFile, Stops, kLast},
        {"RegionFlash_PeriodListRow", Cusum, RegionFlash, ListRow, Live, 1},
        {"RegionFlash_RegionRow", Cusum, RegionFlash, RegionRow, Acts, kLast},
        {"RegionFlash_Graph", Cusum, RegionFlash, Graph, Acts, kLast},
        {"RegionFlash_Identify", Cusum, RegionFlash, Identify, Acts, kLast},
        {"RegionFlash_IdentifyOutside", Cusum, RegionFlash, IdentifyOutside, Ignored, kLast},
        {"RegionFlash_StudyArea", Cusum, RegionFlash, StudyArea, Stops, kGone},
        {"RegionFlash_CloseCusumWindow", Cusum, RegionFlash, CloseWaiting, Stops, kGone},
        // The point cusum animation: it has no other animation control than
        // Run; its map's Identify stands for Graph (it charts a point),
        // Select for Find.
        {"PointAnimation_Run", PointCusum, PointAnimation, Run, Replaces, kLast},
        {"PointAnimation_PeriodListRow", PointCusum, PointAnimation, ListRow, Live, kLast},
        {"PointAnimation_Zoom", PointCusum, PointAnimation, Zoom, Redraws, kLast},
        {"PointAnimation_Identify", PointCusum, PointAnimation, Graph, Acts, kLast},
        {"PointAnimation_Select", PointCusum, PointAnimation, Find, Acts, kLast},
        {"PointAnimation_StudyArea", PointCusum, PointAnimation, StudyArea, Stops, kGone},
        {"PointAnimation_ClosePointWindow", PointCusum, PointAnimation, CloseWaiting, Stops, kGone},
    };
    return cases;
}

constexpr int kPeriods = 12;  // the sample's z-score fields and point z-score columns
// 1-based; 73 is a region of the outbreak, signalled in the last period
// and none before period 9. A region row click picks row 1, the outbreak's
// region 64: another region than the blinked one, whose row the Graph tool
// chooses.
constexpr int kBlinkRegion = 73, kOtherRegion = 50;

// The waits of each wait-driven action, and the wait in which the click
// comes: a later step, so that earlier steps are shown. The bandwidth
// animation is clicked in its last frame's wait, so that a frame drawing
// the bandwidth a list row chose instead of its own is seen.
std::int64_t fullWaits(WaitKind wait, int bandwidths) {
    switch (wait) {
    case WaitKind::BandwidthAnimation: return bandwidths;
    case WaitKind::RegionBlink:
    case WaitKind::GraphBlink:
    case WaitKind::RegionFlash: return 3;
    case WaitKind::CusumAnimation:
    case WaitKind::PointAnimation: return kPeriods;
    }
    return 0;
}

std::int64_t clickWait(WaitKind wait, int bandwidths) {
    switch (wait) {
    case WaitKind::BandwidthAnimation: return bandwidths;
    case WaitKind::RegionBlink:
    case WaitKind::GraphBlink:
    case WaitKind::RegionFlash: return 2;
    // Periods 1 to 3 on show.
    case WaitKind::CusumAnimation:
    case WaitKind::PointAnimation: return 4;
    }
    return 0;
}

class FrameWaits : public FrameTest, public ::testing::WithParamInterface<WaitCase> {
protected:
    AppState& s() { return ctx->state; }
    frmPolygonSHP* map() { return ctx->find<frmPolygonSHP>(); }
    frmClusterDetection* cluster() { return ctx->find<frmClusterDetection>(); }
    frmUnivariate* cusum() { return ctx->find<frmUnivariate>(); }
    frmUnivariateCusumTextfile* points() { return ctx->find<frmUnivariateCusumTextfile>(); }

    void setUpScene(Scene scene) {
        switch (scene) {
        case Scene::ClusterRange:
        case Scene::ClusterSingle: {
            openRetroWithFields(sourcePath("data/sample/sample.shp"));
            frmClusterDetection* w = cluster();
            ASSERT_NE(w, nullptr);
            if (scene == Scene::ClusterSingle) {
                w->cmdRun->click();
                ASSERT_TRUE(map()->isButtonPressed("Find"));
                break;
            }
            w->selectSigmaRange();
            w->txtFromSigma->setText("0.5");
            w->txtToSigma->setText("2");
            w->txtStep->setText("0.5");
            w->cmdRun->click();
            ASSERT_GE(s().retro.bandwidthCount, 4);
            map()->button("MapAnimation")->trigger();
            ASSERT_TRUE(map()->sliderStatsRange->isVisibleTo(map()));
            break;
        }
        case Scene::Cusum:
        case Scene::CusumText: {
            openPro(sourcePath("data/sample/sample.shp"));
            frmSelectName* d = ctx->find<frmSelectName>();
            ASSERT_NE(d, nullptr);
            d->pickField(d->cmbName1, "NAME");
            d->cmdOK_Click();
            frmUnivariate* u = cusum();
            ASSERT_NE(u, nullptr);
            if (scene == Scene::CusumText) {
                u->selectExistingTextfile();
                dlg->queueFile(periodFile());
            } else {
                const auto& t = *s().area.dbfRecordset;
                u->selectStartField(t.FieldIndex("Z01"));
                u->selectEndField(t.FieldIndex("Z12"));
            }
            u->cmdCalc->click();
            ASSERT_TRUE(map()->isButtonPressed("Graph"));
            break;
        }
        case Scene::PointCusum: {
            frame->mnuOpenTextPro_Click();
            frame = ctx->find<MDIFrmMain>();
            frmUnivariateCusumTextfile* w = points();
            ASSERT_NE(w, nullptr);
            dlg->queueFile(sourcePath("data/sample/cusum_points.txt"));
            w->cmdFileOpenIDXY->click();
            dlg->queueFile(sourcePath("data/sample/cusum_points_z.txt"));
            w->cmdNewZScore->click();
            ASSERT_TRUE(w->cmdRun->isEnabled());
            break;
        }
        }
        ASSERT_TRUE(takeMessages().empty());
    }

    // A press of the map's tool `key` and a click on region k's centroid.
    void useMapTool(const std::string& key, int k) {
        map()->button(key)->trigger();
        const CentroidRecord& c = s().area.centroidTable[static_cast<std::size_t>(k)];
        const MapPoint p = mapToDeviceExact(s().view.transform, s().view.panDragX,
                                            s().view.panDragY, c.X, c.Y);
        map()->picSHP_MouseDown(1, 0, static_cast<float>(p.X), static_cast<float>(p.Y));
    }
    // A press of the point map's tool and a click on point q.
    void usePointTool(QRadioButton* tool, int q) {
        frmUnivariateCusumTextfile* w = points();
        tool->click();
        const CentroidRecord& c = w->vars().mapPoints[static_cast<std::size_t>(q)];
        const MapPoint p = pointPixelExact(*w->picPoint->transform(), 0, 0, c.X, c.Y);
        w->picPoint_MouseDown(1, 0, p.X, p.Y);
        w->picPoint_MouseUp(1, 0, p.X, p.Y);
    }

    static std::string periodFile() { return sourcePath("data/sample/sample_z.txt"); }
    static bool onCusum(Scene scene) { return scene == Scene::Cusum || scene == Scene::CusumText; }

    void startWait(const WaitCase& c) {
        switch (c.wait) {
        case WaitKind::BandwidthAnimation: map()->button("MapAnimation")->trigger(); break;
        case WaitKind::RegionBlink: useMapTool("ID", kBlinkRegion); break;
        case WaitKind::GraphBlink: useMapTool("Graph", kBlinkRegion); break;
        case WaitKind::RegionFlash: cusum()->selectRegionRow(0); break;
        case WaitKind::CusumAnimation:
            if (c.scene == Scene::CusumText) dlg->queueFile(periodFile());
            cusum()->cmdCalc->click();
            break;
        case WaitKind::PointAnimation: points()->cmdRun->click(); break;
        }
    }

    void click(const WaitCase& c) {
        const bool onPoints = c.scene == Scene::PointCusum;
        switch (c.click) {
        case Click::Animation: map()->button("MapAnimation")->trigger(); break;
        case Click::Run:
            if (c.scene == Scene::CusumText) dlg->queueFile(periodFile());
            if (onCusum(c.scene)) cusum()->cmdCalc->click();
            else if (onPoints) points()->cmdRun->click();
            else cluster()->cmdRun->click();
            break;
        case Click::RunWithoutFile:
            dlg->queueFile("");
            cusum()->cmdCalc->click();
            break;
        case Click::RunBadK:
            cusum()->txtKvalue->setText("k");
            cusum()->cmdCalc->click();
            break;
        case Click::ListRow:
            if (onCusum(c.scene)) {
                cusum()->selectPeriodRow(2);
            } else if (onPoints) {
                points()->lstPeriod->setCurrentRow(2);
                points()->lstPeriod_Click();
            } else {
                cluster()->selectGlobalRow(ClusterLines::rangeRowOfBandwidth(0));
            }
            break;
        case Click::LocalRow: cluster()->selectLocalRow(ClusterLines::localRowOfRegion(kOtherRegion - 1)); break;
        case Click::RegionRow: cusum()->selectRegionRow(1); break;
        case Click::Graph:
            if (onPoints) usePointTool(points()->optIdentify, 1);
            else useMapTool("Graph", kOtherRegion);
            break;
        case Click::Find:
            if (onPoints) usePointTool(points()->optMeasureDistance, 1);
            else useMapTool("Find", kOtherRegion);
            break;
        case Click::Identify: useMapTool("ID", kOtherRegion); break;
        case Click::IdentifyOutside:
            // The picture's corner lies in its margin, outside every region.
            map()->button("ID")->trigger();
            map()->picSHP_MouseDown(1, 0, 1, 1);
            break;
        case Click::Zoom:
            if (onPoints) usePointTool(points()->optZoomIn, 1);
            else useMapTool("ZoomIn", kOtherRegion);
            break;
        case Click::StudyArea:
            if (onPoints) frame->mnuOpenTextPro_Click();
            else if (onCusum(c.scene)) openPro(other_);
            else openRetro(other_);
            break;
        case Click::CloseWaiting:
            if (onPoints) AppContext::topOf(points())->close();
            else if (c.wait == WaitKind::CusumAnimation || c.wait == WaitKind::RegionFlash)
                AppContext::topOf(cusum())->close();
            else AppContext::topOf(map())->close();
            break;
        case Click::CloseClusterWindow: AppContext::topOf(cluster())->close(); break;
        }
    }

    // What a click that is ignored must leave as it was: the region or
    // point picked, the charts asked for, the signalled region chosen, the
    // point map's display and picture.
    std::string pickedState() {
        std::string out = std::to_string(s().shared.selectedRegion) + " charted " + std::to_string(charted_);
        if (frmUnivariate* u = cusum()) out += " region row " + std::to_string(u->lstRegion->currentRow());
        for (const std::string& line : infoLines()) out += " info " + line;
        if (frmUnivariateCusumTextfile* w = points()) {
            const QImage& picture = w->picPoint->surface().image();
            const QByteArray bits(reinterpret_cast<const char*>(picture.constBits()), picture.sizeInBytes());
            out += " " + w->lblDisplay->text().toStdString() + " chart " + (w->MSChart2->isHidden() ? "off" : "on") +
                   " selected " + std::to_string(w->vars().selectionFlags.size()) + " picture " +
                   std::to_string(qHash(bits));
        }
        return out;
    }

    // What the region information window lists.
    std::vector<std::string> infoLines() {
        std::vector<std::string> lines;
        if (const frmInfo* i = ctx->find<frmInfo>())
            for (int r = 0; r < i->lstInfo->count(); ++r) lines.push_back(i->lstInfo->item(r)->text().toStdString());
        return lines;
    }

    // What a click that acts during a wait shows at once: the region or
    // point it picked, with its information, its chart, its row or the
    // selection.
    void expectActed(const WaitCase& c, const std::string& before, int chartedBefore, std::int32_t selectedBefore) {
        EXPECT_NE(pickedState(), before) << "the click did not act";
        const bool onPoints = c.scene == Scene::PointCusum;
        if (onPoints) {
            frmUnivariateCusumTextfile* w = points();
            ASSERT_NE(w, nullptr);
            if (c.click == Click::Graph) {
                EXPECT_EQ(w->lblDisplay->text().toStdString(), "Selected Region: " + w->vars().result->labels[1]);
                EXPECT_FALSE(w->MSChart2->isHidden());
            }
            return;
        }
        const int region = c.click == Click::RegionRow ? cusum()->lstRegion->currentRow() : kOtherRegion - 1;
        if (c.click == Click::RegionRow) {
            EXPECT_EQ(cusum()->lstRegion->currentRow(), 1);
            ASSERT_GT(s().cusum.signaledRegions.size(), 1u);
            EXPECT_EQ(s().shared.selectedRegion, s().cusum.signaledRegions[1] - 1);
        } else if (c.click == Click::Identify) {
            // Looked up, not selected: the wait's region stays the one selected.
            EXPECT_EQ(s().shared.selectedRegion, selectedBefore);
        } else {
            EXPECT_EQ(s().shared.selectedRegion, region);
        }
        switch (c.click) {
        case Click::Identify:
            EXPECT_TRUE(ctx->isOpen<frmInfo>());
            EXPECT_EQ(infoLines(), modFunctions::RegionInfoLines(*s().area.dbfRecordset, region));
            break;
        case Click::Find:
            EXPECT_EQ(cluster()->lstLocalPatternSummary->currentRow(), ClusterLines::localRowOfRegion(region));
            break;
        case Click::Graph:
        case Click::RegionRow: {
            if (c.click == Click::Graph) {
                EXPECT_EQ(charted_, chartedBefore + 1);
            }
            const frmGraph* g = ctx->find<frmGraph>();
            ASSERT_NE(g, nullptr);
            const auto r = static_cast<Eigen::Index>(s().shared.selectedRegion) + 1;
            ASSERT_EQ(g->MSChart1->rowCount(), kPeriods);
            for (int p = 1; p <= kPeriods; ++p)
                EXPECT_DOUBLE_EQ(g->MSChart1->chartData()(p - 1, 0), s().cusum.cusumValues(r, p)) << "period " << p;
            break;
        }
        default: break;
        }
    }

    // The map shows what its state redraws: no frame or highlight of a
    // stopped wait is left on it.
    void expectMapShowsItsState(frmPolygonSHP* m) {
        const QImage drawn = m->picSHP->surface().image().copy();
        m->RedrawByMode();
        EXPECT_TRUE(drawn == m->picSHP->surface().image()) << "the map shows other than its state";
    }

    // A region found during a blink, by Find or by its row of the local
    // list, is left as a Find or a row leaves it without a wait: its row
    // chosen and the region highlighted on the map the run drew.
    void expectFoundHighlighted(frmPolygonSHP* m) {
        const std::int32_t found = kOtherRegion - 1;
        EXPECT_EQ(cluster()->lstLocalPatternSummary->currentRow(), ClusterLines::localRowOfRegion(found));
        const QImage drawn = m->picSHP->surface().image().copy();
        m->RedrawByMode();
        EXPECT_FALSE(drawn == m->picSHP->surface().image()) << "no region is highlighted";
        modDrawPolygon::HighlightRegion(*ctx, found);
        EXPECT_TRUE(drawn == m->picSHP->surface().image()) << "the region found is not the one highlighted";
    }

    // After a wait whose window closed or whose results were replaced:
    // nothing of those results is shown, nor chosen.
    void expectWithdrawn() {
        if (frmPolygonSHP* m = map()) {
            EXPECT_FALSE(s().shared.retroMapMode);
            EXPECT_FALSE(s().shared.cusumMapMode);
            EXPECT_FALSE(m->sliderStatsRange->isVisibleTo(m));
            expectMapShowsItsState(m);
        }
        if (frmClusterDetection* w = cluster()) {
            EXPECT_EQ(w->lstGlobalPatternSummary->currentRow(), -1);
        }
        if (frmUnivariate* u = cusum()) {
            EXPECT_EQ(u->lstPeriod->currentRow(), -1);
        }
        if (frmUnivariateCusumTextfile* w = points()) {
            EXPECT_EQ(w->lstPeriod->currentRow(), -1);
        }
    }

    // Once the wait is over, the signalled region's chosen row, the region
    // chart and the map's selection name one region: a chosen row is
    // charted, and the chart charts the region selected. A flash that ran
    // whole or was cut short by a Run refused after all charts its region.
    void expectOneRegionNamed(const WaitCase& c) {
        frmUnivariate* u = cusum();
        const std::int32_t selected = s().shared.selectedRegion;
        const int row = u->lstRegion->currentRow();
        const frmGraph* g = ctx->find<frmGraph>();
        if (row >= 0) {
            ASSERT_LT(static_cast<std::size_t>(row), s().cusum.signaledRegions.size());
            EXPECT_EQ(s().cusum.signaledRegions[static_cast<std::size_t>(row)] - 1, selected) << "the chosen row";
            EXPECT_NE(g, nullptr) << "the region of the chosen row is not charted";
        }
        const bool flashEnded = c.wait == WaitKind::RegionFlash && c.effect != Effect::Replaces;
        if (flashEnded) {
            EXPECT_NE(g, nullptr) << "the flashed region is not charted";
        }
        if (!g) return;
        const auto r = static_cast<Eigen::Index>(selected) + 1;
        ASSERT_EQ(g->MSChart1->rowCount(), kPeriods);
        for (int p = 1; p <= kPeriods; ++p)
            EXPECT_DOUBLE_EQ(g->MSChart1->chartData()(p - 1, 0), s().cusum.cusumValues(r, p)) << "period " << p;
        const CusumState& cs = s().cusum;
        const std::string name =
            CusumLines::regionName(*s().area.dbfRecordset, static_cast<std::int32_t>(r), cs.primaryIdField, cs.secondaryIdField);
        EXPECT_EQ(g->Text1->text().toStdString().rfind(name + " in ", 0), 0u) << "the chart names another region";
    }

    // Checks that every view shows bandwidth or period `shown`; the map may
    // be closed (the list then keeps its row). During an animation the
    // point window's period list has no row chosen.
    void expectAgreement(const WaitCase& c, int shown) {
        if (shown == kGone) return expectWithdrawn();
        if (c.scene == Scene::PointCusum) {
            frmUnivariateCusumTextfile* w = points();
            ASSERT_NE(w, nullptr);
            EXPECT_EQ(w->vars().shownPeriod, shown);
            if (!w->animating()) {
                EXPECT_EQ(w->lstPeriod->currentRow(), shown + 1);
            }
            EXPECT_EQ(w->lblY->text().toStdString(), "Period: " + std::to_string(shown));
            const QImage drawn = w->picPoint->surface().image().copy();
            w->picPoint->DrawCusumPointMap(w->vars().result->cusum, shown, w->vars().result->h);
            EXPECT_TRUE(drawn == w->picPoint->surface().image()) << "the point map shows another period";
            return;
        }
        frmPolygonSHP* m = map();
        if (c.click != Click::CloseWaiting) {
            ASSERT_NE(m, nullptr);
        }
        if (onCusum(c.scene)) {
            frmUnivariate* u = cusum();
            ASSERT_NE(u, nullptr);
            EXPECT_EQ(s().shared.currentPeriod, shown);
            EXPECT_EQ(u->lstPeriod->currentRow(), shown + 1);
            EXPECT_EQ(u->lblY->text().toStdString(), std::to_string(shown));
            EXPECT_TRUE(s().shared.cusumMapMode);
            if (waitOver_) expectOneRegionNamed(c);
        } else if (shown == kNothingChosen) {
            // The map shows what the run drew: no bandwidth to agree on.
            if (m) {
                EXPECT_FALSE(m->sliderStatsRange->isVisibleTo(m));
            }
            EXPECT_EQ(cluster()->lstGlobalPatternSummary->currentRow(), -1);
            if (m && waitOver_ && (c.click == Click::Find || c.click == Click::LocalRow)) expectFoundHighlighted(m);
            return;
        } else {
            if (m) {
                EXPECT_TRUE(m->sliderStatsRange->isVisibleTo(m));
                EXPECT_EQ(m->sliderStatsRange->value(), shown);
            }
            EXPECT_EQ(ClusterLines::bandwidthOfRangeRow(cluster()->lstGlobalPatternSummary->currentRow()), shown);
            EXPECT_DOUBLE_EQ(s().shared.sigma, s().retro.rangeSigmas[static_cast<std::size_t>(shown)]);
            for (std::int32_t i = 1; i <= s().area.regionCount; ++i)
                ASSERT_EQ(s().retro.mapClassValues[static_cast<std::size_t>(i)], s().retro.rangeLocalStats(shown, i))
                    << "region " << i;
        }
        if (m) expectMapShowsItsState(m);
    }

    int charted_ = 0;
    std::string other_;
    bool waitOver_ = false;  // the wait and the clicks it deferred have run
};

TEST_P(FrameWaits, ExactlyOneActionRunsAndTheViewsAgreeAfterwards) {
    const WaitCase& c = GetParam();
    other_ = writeStudyArea(scratchDir("frame-waits-other"), "other");
    setUpScene(c.scene);
    if (HasFatalFailure()) return;
    QObject::connect(&ctx->mapHub(), &MapHub::regionCharted, [this](int) { ++charted_; });
    const int bandwidths = s().retro.bandwidthCount;
    const int last = c.scene == Scene::ClusterRange ? bandwidths - 1 : kPeriods;
    const int shownAfter = c.shownAfter == kLast ? last : c.shownAfter == kBeforeLast ? last - 1 : c.shownAfter;

    pump->waits = 0;
    const std::int64_t at = clickWait(c.wait, bandwidths);
    bool clicked = false;
    int deepest = 0;
    pump->onWait = [&](std::int64_t n) {
        deepest = std::max(deepest, WaitingAction::depth());
        if (clicked || n != at) return;
        clicked = true;
        const std::string before = pickedState();
        const int chartedBefore = charted_;
        const std::int32_t selectedBefore = s().shared.selectedRegion;
        click(c);
        // No click waits inside the wait it came in: a Run's animation
        // starts once the stopped wait has returned.
        EXPECT_EQ(pump->waits, n) << "the click waited inside the wait";
        if (c.effect == Effect::Ignored) {
            EXPECT_EQ(pickedState(), before) << "the click was not ignored";
        }
        if (c.effect == Effect::Acts) expectActed(c, before, chartedBefore, selectedBefore);
        if (c.effect == Effect::Highlights) {
            EXPECT_EQ(cluster()->lstLocalPatternSummary->currentRow(), ClusterLines::localRowOfRegion(kOtherRegion - 1));
        }
        // A row chosen shows at once; a redraw shows what the views show; a
        // stopped animation shows where it stopped.
        if (c.effect == Effect::Live) expectAgreement(c, c.scene == Scene::ClusterRange ? 0 : 1);
        if (c.effect == Effect::Redraws) expectAgreement(c, c.scene == Scene::ClusterRange ? last - 1 : 3);
        if (c.click == Click::Animation && c.effect == Effect::Stops) expectAgreement(c, shownAfter);
    };
    startWait(c);
    // A Run deferred during the wait starts once the event loop has it.
    finishDeferredClicks();
    pump->onWait = nullptr;
    waitOver_ = true;
    ASSERT_TRUE(clicked);
    if (c.click == Click::StudyArea && c.scene == Scene::PointCusum) frame = ctx->find<MDIFrmMain>();

    std::int64_t expected = fullWaits(c.wait, bandwidths);
    if (c.effect == Effect::Stops) expected = at;
    if (c.effect == Effect::Replaces)
        expected = at + fullWaits(c.scene == Scene::PointCusum ? WaitKind::PointAnimation : WaitKind::CusumAnimation,
                                   bandwidths);
    EXPECT_EQ(pump->waits, expected);
    EXPECT_EQ(deepest, 1);
    EXPECT_FALSE(WaitingAction::busy());
    EXPECT_NE(frame->mousePointer(), 11) << "the pointer stays busy";
    EXPECT_NE(frame->mousePointer(), 13) << "the pointer stays busy";
    expectAgreement(c, shownAfter);
    EXPECT_EQ(takeMessages(), c.messages);
}

INSTANTIATE_TEST_SUITE_P(Waits, FrameWaits, ::testing::ValuesIn(waitCases()), CaseNameOf());

}  // namespace
}  // namespace frametest
