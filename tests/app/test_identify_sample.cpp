// The identify on the sample study area: a click on a region's pixel finds
// that region, the lake of the holed region counts as that region, its
// island belongs to the neighbour, and a click beside the map finds none.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "app/modLoad.h"
#include "map/MapTransform.h"
#include "map/modDrawPolygon.h"
#include "map/modPointInPolygon.h"
#include "stats/AppState.h"
#include "tests/support/TestPaths.h"

namespace {

constexpr double kOriginX = 500000.0, kOriginY = 4000000.0, kCell = 1000.0;

class SampleIdentify : public ::testing::Test {
protected:
    void SetUp() override {
        modLoad::StagedStudyArea staged;
        staged.shpPath = sourcePath("data/sample/sample.shp");
        ASSERT_NO_THROW(modLoad::ReadShapefileExtent(staged));
        ASSERT_NO_THROW(modLoad::LoadShapes(staged));
        state.area.regionCount = staged.regionCount;
        state.area.polygons = staged.polygons;
        state.view.mapExtent = staged.mapExtent;
        ASSERT_EQ(state.area.regionCount, 100);

        // A picture of 600 by 450 pixels at zoom 1, as the map window draws it.
        MapViewInput in;
        in.extent = state.view.mapExtent;
        in.zoom = 1.0;
        in.pictureWidth = 600 * 15.0;
        in.pictureHeight = 450 * 15.0;
        in.scaleWidth = 600;
        in.scaleHeight = 450;
        const auto t = computeMapTransform(in, /*withPan=*/true);
        ASSERT_TRUE(t.has_value());
        transform = *t;
        state.view.transform = transform;
        state.view.mapTransformValid = true;
    }

    // Clicks the pixel of a map point; the region found, or -1 for none.
    std::int32_t clickAt(double X, double Y) {
        const auto px = mapToDevice(transform, 0, 0, X, Y);
        EXPECT_TRUE(px.has_value());
        float x = static_cast<float>(px->X), y = static_cast<float>(px->Y);
        state.shared.selectedRegion = 77;
        const bool hit = modFunctions::IdentifyRegion(state, x, y);
        // The position comes back in map units, within a pixel of the point.
        EXPECT_NEAR(x, X, 2.0 / transform.mapScaleX);
        EXPECT_NEAR(y, Y, 2.0 / transform.mapScaleY);
        if (!hit) {
            EXPECT_EQ(state.shared.selectedRegion, 0);
            return -1;
        }
        return state.shared.selectedRegion;
    }

    AppState state;
    MapTransform transform;
};

}  // namespace

TEST_F(SampleIdentify, TheCellUnderThePixel) {
    // The centre of every cell lies well inside it (corners move by at most
    // 0.18 of a cell, edge points by 0.12); cells run row by row from the
    // bottom left. The centre of the holed cell (row 4, column 4) lies on
    // the island and is clicked in the next test.
    for (int r = 0; r < 10; ++r)
        for (int c = 0; c < 10; ++c) {
            if (r == 4 && c == 4) continue;
            SCOPED_TRACE("row " + std::to_string(r) + ", column " + std::to_string(c));
            EXPECT_EQ(clickAt(kOriginX + (c + 0.5) * kCell, kOriginY + (r + 0.5) * kCell), r * 10 + c);
        }
}

TEST_F(SampleIdentify, TheLakeCountsAsItsRegionAndTheIslandAsItsNeighbour) {
    // The lake and the island share the holed cell's centre; the island is
    // the neighbour's second ring and, tested later, wins.
    const CPolygon& holed = *state.area.polygons.Item(45);
    ASSERT_EQ(holed.Count(), 2);
    const CPolygon& neighbour = *state.area.polygons.Item(46);
    ASSERT_EQ(neighbour.Count(), 2);
    const CPart& island = *neighbour.Item(2);
    double cx = 0, cy = 0;
    for (std::int32_t k = 1; k < island.Count(); ++k) {
        cx += island.Item(k)->X() / (island.Count() - 1);
        cy += island.Item(k)->Y() / (island.Count() - 1);
    }
    EXPECT_EQ(clickAt(cx, cy), 45);

    // In the water between the island and the lake's shore.
    const CPart& lake = *holed.Item(2);
    double islandReach = 0, lakeReach = 1e300;
    for (std::int32_t k = 1; k <= island.Count(); ++k)
        islandReach = std::max(islandReach, std::hypot(island.Item(k)->X() - cx, island.Item(k)->Y() - cy));
    for (std::int32_t k = 1; k <= lake.Count(); ++k)
        lakeReach = std::min(lakeReach, std::hypot(lake.Item(k)->X() - cx, lake.Item(k)->Y() - cy));
    ASSERT_LT(islandReach, lakeReach);
    EXPECT_EQ(clickAt(cx + (islandReach + lakeReach) / 2, cy), 44);

    // On the land of the holed cell, between the lake and the cell's outline.
    double lx = 0, ly = 0, lakeOuter = 0;
    for (std::int32_t k = 1; k < lake.Count(); ++k) {
        lx += lake.Item(k)->X() / (lake.Count() - 1);
        ly += lake.Item(k)->Y() / (lake.Count() - 1);
    }
    for (std::int32_t k = 1; k <= lake.Count(); ++k)
        lakeOuter = std::max(lakeOuter, std::hypot(lake.Item(k)->X() - lx, lake.Item(k)->Y() - ly));
    CPolygon outline;
    outline.Add(holed.Item(1));
    const double room = CPoint(lx, ly).DistanceToPolygon(outline);
    ASSERT_LT(lakeOuter, room);
    EXPECT_EQ(clickAt(lx, ly - (lakeOuter + room) / 2), 44);
}

TEST_F(SampleIdentify, AClickBesideTheStudyAreaFindsNoRegion) {
    EXPECT_EQ(clickAt(kOriginX - 0.3 * kCell, kOriginY + 5 * kCell), -1);
    EXPECT_EQ(clickAt(kOriginX + 10.3 * kCell, kOriginY + 2 * kCell), -1);
}
