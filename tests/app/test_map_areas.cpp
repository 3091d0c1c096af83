// Region areas and centroids, checked against values computed here in
// another way: each ring is cut into a fan of triangles from its first
// vertex, and each triangle's area and centroid are summed.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "map/modArea.h"
#include "tests/app/ShapeBuilders.h"
#include "tests/support/CaseNames.h"

namespace {

using apptest::polygonOf;
using apptest::Region;
using apptest::Ring;

AppState stateOf(const std::vector<Region>& regions) {
    AppState s;
    for (const Region& r : regions) s.area.polygons.Add(polygonOf(r));
    s.area.regionCount = static_cast<std::int32_t>(regions.size());
    return s;
}

// The fan of triangles (v1, vk, vk+1): signed area and area moments.
struct Fan {
    double area = 0, mx = 0, my = 0;
};
Fan fan(const Ring& r) {
    Fan f;
    for (std::size_t k = 1; k + 1 < r.size(); ++k) {
        const MapPoint a = r[0], b = r[k], c = r[k + 1];
        const double t = ((b.X - a.X) * (c.Y - a.Y) - (c.X - a.X) * (b.Y - a.Y)) / 2;
        f.area += t;
        f.mx += t * (a.X + b.X + c.X) / 3;
        f.my += t * (a.Y + b.Y + c.Y) / 3;
    }
    return f;
}

// The area of a region (holes subtracting by their orientation) and its
// area centroid.
struct Expected {
    std::vector<double> partAreas;
    double area, cx, cy;
};
Expected expectedOf(const Region& region) {
    Expected e{};
    double signedArea = 0, mx = 0, my = 0;
    for (const Ring& r : region) {
        const Fan f = fan(r);
        e.partAreas.push_back(std::fabs(f.area));
        signedArea += f.area;
        mx += f.mx;
        my += f.my;
    }
    e.area = std::fabs(signedArea);
    e.cx = mx / signedArea;
    e.cy = my / signedArea;
    return e;
}

const Ring unitSquareCW{{0, 0}, {0, 1}, {1, 1}, {1, 0}, {0, 0}};
const Ring unitSquareCCW{{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}};
const Ring square2CW{{0, 0}, {0, 2}, {2, 2}, {2, 0}, {0, 0}};
const Ring square2CCW{{0, 0}, {2, 0}, {2, 2}, {0, 2}, {0, 0}};
const Ring holeCCW{{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}};
const Ring holeCW{{0, 0}, {0, 1}, {1, 1}, {1, 0}, {0, 0}};
const Ring islandCW{{3, 0}, {3, 1}, {4, 1}, {4, 0}, {3, 0}};
const Ring triangleCW{{1, 1}, {4, 7}, {9, 2}, {1, 1}};
const Ring triangleCCW{{1, 1}, {9, 2}, {4, 7}, {1, 1}};
// An irregular region with a hole off its centre, in map units of a real map.
const Ring bigCW{{512000, 4100000}, {512500, 4108000}, {520300, 4107400}, {519800, 4099200}, {512000, 4100000}};
const Ring bigHoleCCW{{514000, 4102000}, {516000, 4102100}, {515800, 4104500}, {514200, 4104000}, {514000, 4102000}};

struct AreaCase {
    const char* name;
    Region region;
    // Hand values where the case has them (NaN: take the fan's).
    double area, cx, cy;
};

class RegionAreaCases : public ::testing::TestWithParam<AreaCase> {};

TEST_P(RegionAreaCases, AreasAndCentroidMatchTheFan) {
    const AreaCase& c = GetParam();
    AppState s = stateOf({c.region});
    modFunctions::CalcPolygonArea(s);
    modFunctions::CalcPolygonCentroid(s);

    const Expected e = expectedOf(c.region);
    ASSERT_EQ(s.area.partAreas.size(), 2u);
    ASSERT_EQ(s.area.partAreas[1].size(), c.region.size() + 1);
    for (std::size_t j = 1; j <= c.region.size(); ++j) {
        SCOPED_TRACE(j);
        EXPECT_NEAR(s.area.partAreas[1][j].PartArea, e.partAreas[j - 1], 1e-9 * (1 + e.partAreas[j - 1]));
        EXPECT_EQ(s.area.partAreas[1][j].Index, 1);
        if (j > 1) {
            EXPECT_EQ(s.area.partAreas[1][j].PolygonArea, 0.0);
        }
    }
    EXPECT_NEAR(s.area.partAreas[1][1].PolygonArea, e.area, 1e-9 * (1 + e.area));
    EXPECT_NEAR(s.area.studyArea, e.area, 1e-9 * (1 + e.area));
    ASSERT_EQ(s.area.centroidTable.size(), 2u);
    EXPECT_NEAR(s.area.centroidTable[1].X, e.cx, 1e-9 * (1 + std::fabs(e.cx)));
    EXPECT_NEAR(s.area.centroidTable[1].Y, e.cy, 1e-9 * (1 + std::fabs(e.cy)));
    EXPECT_EQ(s.area.centroidTable[1].ID, "1");
    if (!std::isnan(c.area)) {
        EXPECT_DOUBLE_EQ(s.area.partAreas[1][1].PolygonArea, c.area);
        EXPECT_DOUBLE_EQ(s.area.centroidTable[1].X, c.cx);
        EXPECT_DOUBLE_EQ(s.area.centroidTable[1].Y, c.cy);
    }
}

const double kFan = std::nan("");

INSTANTIATE_TEST_SUITE_P(
    Regions, RegionAreaCases,
    ::testing::Values(AreaCase{"unitSquareClockwise", {unitSquareCW}, 1, 0.5, 0.5},
                      // A counter-clockwise ring gets its true centroid too.
                      AreaCase{"unitSquareCounterClockwise", {unitSquareCCW}, 1, 0.5, 0.5},
                      AreaCase{"squareWithHole", {square2CW, holeCCW}, 3, 7.0 / 6, 7.0 / 6},
                      // The whole region stored the other way round.
                      AreaCase{"squareWithHoleReversed", {square2CCW, holeCW}, 3, 7.0 / 6, 7.0 / 6},
                      AreaCase{"twoIslands", {unitSquareCW, islandCW}, 2, 2, 0.5},
                      AreaCase{"triangleClockwise", {triangleCW}, kFan, kFan, kFan},
                      AreaCase{"triangleCounterClockwise", {triangleCCW}, kFan, kFan, kFan},
                      AreaCase{"irregularWithHole", {bigCW, bigHoleCCW}, kFan, kFan, kFan}),
    CaseNameOf());

TEST(RegionAreas, StudyAreaSumsTheRegionsAndSizesEveryTable) {
    AppState s = stateOf({{unitSquareCW}, {square2CW, holeCCW}, {triangleCCW}});
    modFunctions::CalcPolygonArea(s);
    modFunctions::CalcPolygonCentroid(s);
    const double triangle = std::fabs(fan(triangleCCW).area);  // 22.5
    EXPECT_DOUBLE_EQ(triangle, 22.5);
    EXPECT_DOUBLE_EQ(s.area.studyArea, 1 + 3 + triangle);
    // partAreas: regions 0..3 by rings 0..2 (the largest ring count).
    ASSERT_EQ(s.area.partAreas.size(), 4u);
    for (const auto& row : s.area.partAreas) EXPECT_EQ(row.size(), 3u);
    EXPECT_EQ(s.area.partAreas[0][0].PartArea, 0.0);
    EXPECT_EQ(s.area.partAreas[1][2].PartArea, 0.0);  // past region 1's last ring
    EXPECT_EQ(s.area.partAreas[1][2].Index, 0);
    ASSERT_EQ(s.area.centroidTable.size(), 4u);
    EXPECT_EQ(s.area.centroidTable[0].ID, "");
    EXPECT_EQ(s.area.centroidTable[2].ID, "2");
    EXPECT_EQ(s.area.centroidTable[3].ID, "3");
    EXPECT_NEAR(s.area.centroidTable[3].X, 14.0 / 3, 1e-12);
    EXPECT_NEAR(s.area.centroidTable[3].Y, 10.0 / 3, 1e-12);
}

TEST(RegionAreas, NoRegionsGiveEmptyTables) {
    AppState s;
    s.area.studyArea = 99;
    modFunctions::CalcPolygonArea(s);
    modFunctions::CalcPolygonCentroid(s);
    EXPECT_EQ(s.area.studyArea, 0.0);
    ASSERT_EQ(s.area.partAreas.size(), 1u);
    EXPECT_EQ(s.area.partAreas[0].size(), 1u);
    EXPECT_EQ(s.area.centroidTable.size(), 1u);
}

TEST(RegionAreas, AnUnclosedRingLeavesItsClosingEdgeOut) {
    // (1,1), (1,2), (2,2), (2,1) without the closing vertex: the three
    // stored edges give 0.5 * (1 - 2 - 2) = -1.5; the missing edge back to
    // (1,1) would have added 0.5 and made it the unit square.
    AppState s = stateOf({{Ring{{1, 1}, {1, 2}, {2, 2}, {2, 1}}}});
    modFunctions::CalcPolygonArea(s);
    EXPECT_DOUBLE_EQ(s.area.partAreas[1][1].PartArea, 1.5);
}

TEST(RegionAreas, DegenerateRegionsGetTheMiddleOfTheirBounds) {
    const struct { const char* name; Region region; double cx, cy; } cases[] = {
        {"collinear ring", {Ring{{0, 0}, {2, 2}, {4, 4}, {0, 0}}}, 2, 2},
        {"there and back", {Ring{{1, 3}, {5, 3}, {1, 3}}}, 3, 3},
        // Two rings whose signed areas cancel: an outer ring and a hole
        // covering all of it.
        {"cancelling rings", {unitSquareCW, unitSquareCCW}, 0.5, 0.5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AppState s = stateOf({c.region});
        modFunctions::CalcPolygonArea(s);
        modFunctions::CalcPolygonCentroid(s);
        EXPECT_EQ(s.area.partAreas[1][1].PolygonArea, 0.0);
        EXPECT_DOUBLE_EQ(s.area.centroidTable[1].X, c.cx);
        EXPECT_DOUBLE_EQ(s.area.centroidTable[1].Y, c.cy);
        EXPECT_TRUE(std::isfinite(s.area.centroidTable[1].X));
    }
}

TEST(RegionAreas, OverflowingCoordinatesRaiseAndKeepTheEarlierResults) {
    AppState s = stateOf({{unitSquareCW}});
    modFunctions::CalcPolygonArea(s);
    modFunctions::CalcPolygonCentroid(s);
    AppState bad = stateOf({{Ring{{0, 0}, {0, 1e200}, {1e200, 1e200}, {1e200, 0}, {0, 0}}}});
    bad.area.studyArea = s.area.studyArea;
    bad.area.centroidTable = s.area.centroidTable;
    try {
        modFunctions::CalcPolygonArea(bad);
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), 6);
    }
    EXPECT_EQ(bad.area.studyArea, 1.0);
    EXPECT_EQ(bad.area.centroidTable.size(), 2u);
}

TEST(RegionAreas, LeavesTheLastRingUnderExamination) {
    AppState s = stateOf({{unitSquareCW}, {square2CW, holeCCW}});
    modFunctions::CalcPolygonArea(s);
    ASSERT_TRUE(s.area.currentPolygon);
    EXPECT_EQ(s.area.currentPolygon, s.area.polygons.Item(2));
    EXPECT_EQ(s.area.currentPart, s.area.polygons.Item(2)->Item(2));
    ASSERT_EQ(s.area.ringVertices.size(), 6u);  // 0..5, used from 1
    EXPECT_DOUBLE_EQ(s.area.ringVertices[2].X, 1.0);
}

}  // namespace
