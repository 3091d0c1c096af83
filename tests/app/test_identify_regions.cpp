// The angle-sum point-in-polygon test and the region identify of the map.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "geometry/CPolygon.h"
#include "map/modPointInPolygon.h"
#include "platform/Format.h"
#include "stats/AppState.h"

using namespace modFunctions;

namespace {

using Ring = std::vector<std::pair<double, double>>;

// A closed ring as a shapefile stores it: the first vertex repeated last.
std::shared_ptr<CPart> makeRing(const Ring& r) {
    auto part = std::make_shared<CPart>();
    for (const auto& [x, y] : r) part->Add(std::make_shared<CPoint>(x, y));
    part->Add(std::make_shared<CPoint>(r.front().first, r.front().second));
    return part;
}

std::shared_ptr<CPolygon> makePolygon(const std::vector<Ring>& rings) {
    auto p = std::make_shared<CPolygon>();
    for (const Ring& r : rings) p->Add(makeRing(r));
    return p;
}

// Squares, clockwise with y upward (the shapefile's outer rings) and
// counter-clockwise (its holes).
Ring squareCW(double x0, double y0, double size) {
    return {{x0, y0}, {x0, y0 + size}, {x0 + size, y0 + size}, {x0 + size, y0}};
}
Ring squareCCW(double x0, double y0, double size) {
    return {{x0, y0}, {x0 + size, y0}, {x0 + size, y0 + size}, {x0, y0 + size}};
}

// The ring's distinct vertices 1..n, scaled by 100 as the identify does.
std::vector<MapPoint> scaled(const Ring& r) {
    std::vector<MapPoint> pts(1);
    for (const auto& [x, y] : r) pts.push_back({x * 100, y * 100});
    return pts;
}

// A view in which pixel (x, y) is map point ((x - 10) / 2, (210 - y) / 2):
// scale 2, no offsets, margins 10, a drawn map 200 pixels high.
void setSimpleTransform(AppState& state) {
    state.view.transform.mapScaleX = state.view.transform.mapScaleY = 2;
    state.view.transform.mapOffsetX = state.view.transform.mapOffsetY = 0;
    state.view.transform.marginX = state.view.transform.marginY = 10;
    state.view.transform.drawnHeight = 200;
    state.view.panDragX = state.view.panDragY = 0;
}
// The pixel of a map point in that view.
std::pair<float, float> pixelOf(double X, double Y) {
    return {static_cast<float>(2 * X + 10), static_cast<float>(200 - 2 * Y + 10)};
}

void addRegion(AppState& state, const std::vector<Ring>& rings) {
    state.area.polygons.Add(makePolygon(rings));
    state.area.regionCount = state.area.polygons.Count();
}

}  // namespace

// ---- The geometric helpers ----

TEST(PointInPolygonHelpers, ATan2WorkedValues) {
    struct Case {
        double opposite, adjacent, expected;
    };
    const std::vector<Case> cases = {
        {1, 0.00005, 1.570796325},          // a small adjacent side counts as a right angle
        {0, -1, 3.14159265},
        {-1, -1, -(3.14159265 - std::atan(1.0))},
        {1, 1, std::atan(1.0)},
        {-1, 0.00005, -1.570796325},
        {1, -0.00005, 3.14159265 - 1.570796325},
        {0, 0, 1.570796325},                // a point on a vertex
        {0, 1, 0},
        {-0.0, -1, 3.14159265},             // -0 is not below 0
        {2, -1, 3.14159265 - std::atan(2.0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("ATan2(" + formatGeneral(c.opposite) + ", " + formatGeneral(c.adjacent) + ")");
        EXPECT_DOUBLE_EQ(ATan2(c.opposite, c.adjacent), c.expected);
    }
}

TEST(PointInPolygonHelpers, DotAndCrossProductsAtB) {
    // A = (3, 1), B = (1, 1), C = (1, 4): A - B = (2, 0), C - B = (0, 3).
    EXPECT_EQ(DotProduct(3, 1, 1, 1, 1, 4), 0.0);
    EXPECT_EQ(CrossProductLength(3, 1, 1, 1, 1, 4), 6.0);
    EXPECT_EQ(DotProduct(3, 1, 1, 1, 5, 4), 2.0 * 4 + 0 * 3);
    EXPECT_EQ(CrossProductLength(3, 1, 1, 1, 5, 4), 2.0 * 3 - 0 * 4);
    // A left turn is positive, a right turn negative.
    EXPECT_NEAR(GetAngle(3, 1, 1, 1, 1, 4), 3.14159265 / 2, 1e-12);
    EXPECT_NEAR(GetAngle(1, 4, 1, 1, 3, 1), -3.14159265 / 2, 1e-12);
}

struct PipCase {
    const char* name;
    Ring ring;
    double x, y;
    bool inside;
};

TEST(PointInPolygonTest, RingsOfBothOrientations) {
    const std::vector<PipCase> cases = {
        {"inside a clockwise square", squareCW(0, 0, 10), 5, 5, true},
        {"inside a counter-clockwise square", squareCCW(0, 0, 10), 5, 5, true},
        {"outside a clockwise square", squareCW(0, 0, 10), 15, 5, false},
        {"outside a counter-clockwise square", squareCCW(0, 0, 10), -1, -1, false},
        {"near the inner side of an edge", squareCW(0, 0, 10), 0.01, 5, true},
        {"near the outer side of an edge", squareCW(0, 0, 10), -0.01, 5, false},
        {"inside a concave ring beside its notch", {{0, 0}, {0, 10}, {10, 10}, {10, 0}, {5, 5}}, 2, 4, true},
        {"in a concave ring's notch", {{0, 0}, {0, 10}, {10, 10}, {10, 0}, {5, 5}}, 5, 2, false},
        // A point exactly on an edge: that edge subtends +pi whatever the
        // ring's direction, so the sum is 2 pi for a counter-clockwise ring
        // and 0 for a clockwise one.
        {"on an edge of a counter-clockwise square", squareCCW(0, 0, 10), 5, 0, true},
        {"on an edge of a clockwise square", squareCW(0, 0, 10), 0, 5, false},
        // On a vertex the two edges that meet there count a right angle each.
        {"on a vertex of a clockwise square", squareCW(0, 0, 10), 0, 0, true},
        {"on a vertex of a counter-clockwise square", squareCCW(0, 0, 10), 10, 10, true},
    };
    for (const PipCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto pts = scaled(c.ring);
        const auto n = static_cast<std::int32_t>(c.ring.size());
        EXPECT_EQ(PointInPolygon(static_cast<float>(c.x * 100), static_cast<float>(c.y * 100), n, pts), c.inside);
    }
}

TEST(PointInPolygonTest, DegenerateRingsHoldNothing) {
    const auto pts = scaled(squareCW(0, 0, 10));
    EXPECT_FALSE(PointInPolygon(500, 500, 0, pts));
    EXPECT_FALSE(PointInPolygon(500, 500, 9, pts));  // more vertices than given
    EXPECT_FALSE(PointInPolygon(500, 500, 1, std::vector<MapPoint>{}));
}

// ---- The identify ----

TEST(IdentifyRegionTest, InverseTransformWritesMapUnitsBack) {
    AppState state;
    setSimpleTransform(state);
    float x = 30, y = 190;
    IdentifyRegion(state, x, y);
    EXPECT_FLOAT_EQ(x, 10.0f);
    EXPECT_FLOAT_EQ(y, 10.0f);

    // The drag in progress is taken out as well.
    state.view.panDragX = 4;
    state.view.panDragY = -6;
    x = 34;
    y = 184;
    IdentifyRegion(state, x, y);
    EXPECT_FLOAT_EQ(x, 10.0f);
    EXPECT_FLOAT_EQ(y, 10.0f);

    // Offsets and a scale of 0.5.
    state = AppState();
    state.view.transform.mapScaleX = state.view.transform.mapScaleY = 0.5;
    state.view.transform.mapOffsetX = -100;
    state.view.transform.mapOffsetY = -200;
    state.view.transform.marginX = 3;
    state.view.transform.marginY = 7;
    state.view.transform.drawnHeight = 50;
    // Map (120, 230): x = 0.5*120 - 50 + 3 = 13; y = 50 - (115 - 100) + 7 = 42.
    x = 13;
    y = 42;
    IdentifyRegion(state, x, y);
    EXPECT_FLOAT_EQ(x, 120.0f);
    EXPECT_FLOAT_EQ(y, 230.0f);
}

// A small study area: three regions of one ring in a row, a region of two
// islands, and a region with a hole whose hole holds nothing else.
class StudyArea : public ::testing::Test {
protected:
    void SetUp() override {
        setSimpleTransform(state);
        addRegion(state, {squareCW(0, 0, 10)});                           // index 0
        addRegion(state, {squareCW(10, 0, 10)});                          // index 1
        addRegion(state, {squareCCW(20, 0, 10)});                         // index 2, stored the other way
        addRegion(state, {squareCW(0, 20, 5), squareCW(20, 20, 5)});      // index 3, two islands
        addRegion(state, {squareCW(40, 0, 30), squareCCW(50, 10, 10)});   // index 4, with a hole
    }

    bool identify(double X, double Y) {
        auto [px, py] = pixelOf(X, Y);
        return IdentifyRegion(state, px, py);
    }

    AppState state;
};

TEST_F(StudyArea, TheRegionUnderThePixel) {
    struct Case {
        const char* name;
        double X, Y;
        std::int32_t region;
    };
    const std::vector<Case> cases = {
        {"first region", 5, 5, 0},
        {"second region", 15, 5, 1},
        {"counter-clockwise region", 25, 5, 2},
        {"first island", 2, 22, 3},
        {"second island", 22, 23, 3},
        {"solid part of the region with a hole", 45, 5, 4},
        {"the hole counts as its region", 55, 15, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        state.shared.selectedRegion = 99;
        EXPECT_TRUE(identify(c.X, c.Y));
        EXPECT_EQ(state.shared.selectedRegion, c.region);
    }
}

TEST_F(StudyArea, AClickOutsideEveryRegionSelectsNone) {
    state.shared.selectedRegion = 3;
    EXPECT_FALSE(identify(35, 25));
    EXPECT_EQ(state.shared.selectedRegion, 0);
    EXPECT_FALSE(identify(-50, -50));
    EXPECT_EQ(state.shared.selectedRegion, 0);
}

TEST_F(StudyArea, NoTransformYetLooksNothingUp) {
    state.view.transform.mapScaleX = 0;
    float x = 20, y = 200;
    state.shared.selectedRegion = 2;
    EXPECT_FALSE(IdentifyRegion(state, x, y));
    EXPECT_EQ(state.shared.selectedRegion, 0);
    EXPECT_EQ(x, 20.0f);
    EXPECT_EQ(y, 200.0f);
}

TEST_F(StudyArea, ARegionCountBeyondThePolygonsTestsThoseThere) {
    state.area.regionCount = 50;
    EXPECT_TRUE(identify(15, 5));
    EXPECT_EQ(state.shared.selectedRegion, 1);
}

TEST(IdentifyRegionOrder, OverlappingRegions) {
    struct Case {
        const char* name;
        std::vector<std::vector<Ring>> regions;
        std::int32_t winner;
    };
    const Ring a = squareCW(0, 0, 10), b = squareCW(5, 5, 10), far = squareCW(80, 80, 1);
    const std::vector<Case> cases = {
        {"two one-ring regions: the earlier wins", {{a}, {b}}, 0},
        {"two regions of several rings: the later wins", {{a, far}, {b, far}}, 1},
        {"several rings then one ring: the one-ring region wins", {{a, far}, {b}}, 1},
        {"one ring then several rings: the one-ring region wins", {{a}, {b, far}}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppState state;
        setSimpleTransform(state);
        for (const auto& r : c.regions) addRegion(state, r);
        auto [px, py] = pixelOf(7, 7);
        EXPECT_TRUE(IdentifyRegion(state, px, py));
        EXPECT_EQ(state.shared.selectedRegion, c.winner);
    }
}

TEST(IdentifyRegionOrder, NullAndEmptyPolygonsAreSkipped) {
    AppState state;
    setSimpleTransform(state);
    state.area.polygons.Add(std::make_shared<CPolygon>());  // a null record: no rings
    addRegion(state, {squareCW(0, 0, 10)});
    auto [px, py] = pixelOf(5, 5);
    EXPECT_TRUE(IdentifyRegion(state, px, py));
    EXPECT_EQ(state.shared.selectedRegion, 1);
}

TEST_F(StudyArea, TheTestedRingIsLeftInTheSharedVariables) {
    // A one-ring hit ends the search on that region's ring, scaled by 100.
    EXPECT_TRUE(identify(15, 5));
    ASSERT_EQ(state.shared.selectedRegion, 1);
    EXPECT_EQ(state.area.currentPolygon, state.area.polygons.Item(2));
    EXPECT_EQ(state.area.currentPart, state.area.polygons.Item(2)->Item(1));
    const CPart& ring = *state.area.polygons.Item(2)->Item(1);
    ASSERT_EQ(state.area.ringVertices.size(), static_cast<std::size_t>(ring.Count()) + 1);
    for (std::int32_t k = 1; k <= ring.Count(); ++k) {
        SCOPED_TRACE("vertex " + std::to_string(k));
        EXPECT_EQ(state.area.ringVertices[static_cast<std::size_t>(k)].X, ring.Item(k)->X() * 100);
        EXPECT_EQ(state.area.ringVertices[static_cast<std::size_t>(k)].Y, ring.Item(k)->Y() * 100);
    }

    // A click outside every region has tested every ring: the last ring
    // of the last region stays.
    EXPECT_FALSE(identify(35, 25));
    EXPECT_EQ(state.area.currentPolygon, state.area.polygons.Item(5));
    EXPECT_EQ(state.area.currentPart, state.area.polygons.Item(5)->Item(2));
    EXPECT_EQ(state.area.ringVertices[1].X, 50 * 100.0);
    EXPECT_EQ(state.area.ringVertices[1].Y, 10 * 100.0);
}

TEST_F(StudyArea, APointExactlyOnASharedEdge) {
    // An edge through the point subtends +pi whatever its direction, so a
    // clockwise ring does not hold a point on its outline and a
    // counter-clockwise one does.
    struct Case {
        const char* name;
        double X, Y;
        bool hit;
        std::int32_t region;
    };
    const std::vector<Case> cases = {
        {"between two clockwise regions", 10, 5, false, 0},
        {"between a clockwise and a counter-clockwise region", 20, 5, true, 2},
        {"on the outer edge of the counter-clockwise region", 30, 5, true, 2},
        {"on the outer edge of the first region", 0, 5, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        state.shared.selectedRegion = 99;
        auto [px, py] = pixelOf(c.X, c.Y);
        EXPECT_EQ(IdentifyRegion(state, px, py), c.hit);
        // The inverse transform lands exactly on the edge.
        EXPECT_EQ(px, static_cast<float>(c.X));
        EXPECT_EQ(py, static_cast<float>(c.Y));
        EXPECT_EQ(state.shared.selectedRegion, c.region);
    }
}
