// What the map window and the cluster test window promise each other: a
// region picked on the map selects that region's row of the local list, a
// row of the local list lights that region on the map, and every way of
// choosing a bandwidth of a range run (slider, animation, list) selects the
// row of that bandwidth. Each case is checked against what the row shows
// (the region's ID, the bandwidth), so the row offsets of the map's side
// and the lists' side cannot drift apart unnoticed.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QSlider>
#include <functional>
#include <sstream>

#include "map/MapTransform.h"
#include "map/frmPolygonSHP.h"
#include "map/modDrawPolygon.h"
#include "platform/Format.h"
#include "retrospective/frmClusterDetection.h"
#include "tests/retrospective/RetroFixture.h"
#include "tests/support/TestPaths.h"

using namespace retro_test;

namespace {

constexpr int kCols = 4, kRows = 3, kRegions = kCols * kRows;

class MapListContract : public ::testing::Test {
protected:
    void SetUp() override {
        h = std::make_unique<Harness>();
        h->openStudyArea(writeGrid(scratchDir("map-list-contract"), "grid", kCols, kRows, clusteredCounts(kRegions)));
        h->inputPopCase("POP", "CASES", "NAME");
        w = h->ctx.find<frmClusterDetection>();
        map = h->ctx.find<frmPolygonSHP>();
        ASSERT_NE(w, nullptr);
        ASSERT_NE(map, nullptr);
    }

    void runSingle() {
        w->selectTest(ClusterTest::Unadjusted);
        w->selectSingleSigma();
        w->txtSingleSigma->setText("1");
        w->cmdRun_Click();
        ASSERT_TRUE(map->isButtonPressed("Find"));
    }
    void runRange() {
        w->selectTest(ClusterTest::FreemanTukey);
        w->selectSigmaRange();
        w->txtFromSigma->setText("0.2");
        w->txtToSigma->setText("1.4");
        w->txtStep->setText("0.3");
        w->cmdRun_Click();
        ASSERT_EQ(h->ctx.state.retro.bandwidthCount, 5);
    }

    // The pixel of region k's centroid (1-based) on the map as drawn now.
    QPoint pixelOf(int k) {
        const AppState& s = h->ctx.state;
        const CentroidRecord& c = s.area.centroidTable[static_cast<std::size_t>(k)];
        const MapPoint p = mapToDeviceExact(s.view.transform, s.view.panDragX, s.view.panDragY, c.X, c.Y);
        return {static_cast<int>(p.X), static_cast<int>(p.Y)};
    }
    bool yellowAt(QPoint p) { return (map->picSHP->surface().image().pixel(p) & 0xFFFFFF) == 0xFFFF00; }

    // The first field of a list's selected row: a region's ID in the local
    // list, a bandwidth in the global list of a range run.
    static std::string firstField(const QListWidget* list) {
        const QListWidgetItem* item = list->currentItem();
        if (!item) return "(no row)";
        std::istringstream in(item->text().toStdString());
        std::string field;
        in >> field;
        return field;
    }
    std::string bandwidthText(int index) {
        return formatMaskDisplay(h->ctx.state.retro.rangeSigmas[static_cast<std::size_t>(index)], "0.000");
    }

    std::unique_ptr<Harness> h;
    frmClusterDetection* w = nullptr;
    frmPolygonSHP* map = nullptr;
};

TEST_F(MapListContract, FindOnTheMapSelectsTheRowOfThatRegion) {
    runSingle();
    for (int k : {1, 2, 5, 7, kRegions}) {
        SCOPED_TRACE(k);
        const QPoint p = pixelOf(k);
        map->picSHP_MouseDown(1, 0, static_cast<float>(p.x()), static_cast<float>(p.y()));
        EXPECT_EQ(h->ctx.state.shared.selectedRegion, k - 1);
        EXPECT_EQ(firstField(w->lstLocalPatternSummary), "R" + std::to_string(k));
        EXPECT_TRUE(yellowAt(p));
    }
}

TEST_F(MapListContract, ARowOfTheLocalListLightsThatRegionOnTheMap) {
    runSingle();
    for (int row = 0; row < w->lstLocalPatternSummary->count(); ++row) {
        const std::string id = w->lstLocalPatternSummary->item(row)->text().toStdString();
        if (id.find(" R") == std::string::npos) continue;  // header and rule lines
        w->selectLocalRow(row);
        const int k = std::stoi(firstField(w->lstLocalPatternSummary).substr(1));
        SCOPED_TRACE("row " + std::to_string(row) + " shows R" + std::to_string(k));
        for (int other = 1; other <= kRegions; ++other) EXPECT_EQ(yellowAt(pixelOf(other)), other == k) << other;
    }
}

TEST_F(MapListContract, EveryWayOfChoosingABandwidthSelectsItsRow) {
    runRange();
    const int count = h->ctx.state.retro.bandwidthCount;
    struct Way {
        const char* name;
        std::function<void(int)> choose;  // chooses bandwidth index j
    };
    const Way ways[] = {
        {"slider",
         [&](int j) {
             map->sliderStatsRange->setValue(j);
             map->sliderStatsRange_Change();
         }},
        {"global list", [&](int j) { w->selectGlobalRow(ClusterLines::rangeRowOfBandwidth(j)); }},
    };
    // The animation shows the slider first.
    map->Toolbar1_ButtonClick("MapAnimation");
    for (const Way& way : ways) {
        for (int j = 0; j < count; ++j) {
            SCOPED_TRACE(std::string(way.name) + " bandwidth " + std::to_string(j));
            way.choose(j);
            EXPECT_EQ(firstField(w->lstGlobalPatternSummary), bandwidthText(j));
            EXPECT_EQ(formatMaskDisplay(h->ctx.state.shared.sigma, "0.000"), bandwidthText(j));
            // The map shades the local M of that bandwidth.
            for (int i = 1; i <= kRegions; ++i)
                EXPECT_EQ(h->ctx.state.retro.mapClassValues[static_cast<std::size_t>(i)],
                          h->ctx.state.retro.rangeLocalStats(j, i));
        }
    }
}

TEST_F(MapListContract, TheAnimationSelectsEachBandwidthsRowInTurn) {
    runRange();
    const int count = h->ctx.state.retro.bandwidthCount;
    // Each frame waits before it shades and selects; in the wait of frame j
    // the row of frame j - 1 is selected.
    std::vector<std::string> seen;
    h->pump->onWait = [&](std::int64_t) {
        seen.push_back(firstField(w->lstGlobalPatternSummary));
    };
    map->Toolbar1_ButtonClick("MapAnimation");
    h->pump->onWait = nullptr;
    seen.push_back(firstField(w->lstGlobalPatternSummary));
    ASSERT_EQ(seen.size(), static_cast<std::size_t>(count) + 1);
    for (int j = 0; j < count; ++j) EXPECT_EQ(seen[static_cast<std::size_t>(j) + 1], bandwidthText(j)) << j;
}

}  // namespace
