// The convex-hull study area of drawn points.
#include <gtest/gtest.h>

#include "platform/Error.h"
#include "stats/AppState.h"
#include "stats/modFunctions.h"

namespace {

AppState withPoints(const std::vector<DevicePoint>& points, double scaleX = 1.0, double scaleY = 1.0) {
    AppState s;
    s.points.devicePoints.push_back({-999, -999});  // element 0 holds nothing
    for (const auto& p : points) s.points.devicePoints.push_back(p);
    s.points.pointCount = static_cast<double>(points.size());
    s.points.pointScaleX = scaleX;
    s.points.pointScaleY = scaleY;
    return s;
}

struct HullCase {
    const char* name;
    std::vector<DevicePoint> points;
    double scale;
    double area;
    int vertices;
};

TEST(ConvexHullArea, Examples) {
    const HullCase cases[] = {
        {"rectangle with an inner point", {{100, 50}, {50, 25}, {0, 50}, {100, 0}, {0, 0}}, 2.0, 1250.0, 4},
        // Out along the line and straight back: all three become vertices.
        {"three points on a line", {{0, 0}, {5, 5}, {10, 10}}, 1.0, 0.0, 3},
        {"three points on a line, far one first", {{10, 10}, {0, 0}, {5, 5}}, 1.0, 0.0, 2},
        {"two distinct points", {{3, 4}, {10, 4}}, 1.0, 0.0, 2},
        {"repeated hull vertex", {{0, 0}, {100, 0}, {100, 50}, {0, 50}, {100, 50}, {0, 0}}, 2.0, 1250.0, 4},
        {"triangle", {{0, 0}, {10, 0}, {0, 10}}, 1.0, 50.0, 3},
        {"one point", {{7, 7}}, 1.0, 0.0, 1},
        {"all on one pixel", {{7, 7}, {7, 7}, {7, 7}}, 1.0, 0.0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AppState s = withPoints(c.points, c.scale, c.scale);
        EXPECT_DOUBLE_EQ(modFunctions::ConvexHullArea(s.points), c.area);
        if (c.vertices >= 0) {
            EXPECT_EQ(s.points.hullVertexCount, c.vertices);
        }
        EXPECT_EQ(s.points.hullInputCount, static_cast<int>(c.points.size()));
        EXPECT_EQ(s.points.hullPoints.size(), static_cast<std::size_t>(s.points.hullVertexCount));
        EXPECT_EQ(s.points.devicePoints[0].X, -999);
    }
}

TEST(ConvexHullArea, WrapsFromTheAnchorInOrder) {
    AppState s = withPoints({{100, 50}, {50, 25}, {0, 50}, {100, 0}, {0, 0}}, 2.0, 2.0);
    modFunctions::ConvexHullArea(s.points);
    const int xs[] = {0, 100, 100, 0}, ys[] = {0, 0, 50, 50};
    ASSERT_EQ(s.points.hullPoints.size(), 4u);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(s.points.hullPoints[static_cast<std::size_t>(k)].X, xs[k]);
        EXPECT_EQ(s.points.hullPoints[static_cast<std::size_t>(k)].Y, ys[k]);
        // The hull's vertices come first in devicePoints.
        EXPECT_EQ(s.points.devicePoints[static_cast<std::size_t>(k) + 1].X, xs[k]);
    }
}

struct WrapCase {
    const char* name;
    std::vector<DevicePoint> points;
    std::vector<DevicePoint> hull;  // in wrapping order
    double area;
};

// Points on an edge at the same pseudo-angle: the first in index order is
// taken, so whether they become vertices depends on where they stand.
TEST(ConvexHullArea, WrappingOrderAndCollinearPoints) {
    const WrapCase cases[] = {
        {"edge point after the corner", {{0, 0}, {100, 0}, {50, 0}, {50, 50}}, {{0, 0}, {100, 0}, {50, 50}}, 2500.0},
        {"edge point before the corner", {{0, 0}, {50, 0}, {100, 0}, {50, 50}}, {{0, 0}, {50, 0}, {100, 0}, {50, 50}}, 2500.0},
        {"anchor found last", {{60, 40}, {0, 40}, {30, 0}}, {{30, 0}, {60, 40}, {0, 40}}, 1200.0},
        // From (9, 9) the duplicate anchor and (5, 5) lie at the same angle
        // as the anchor itself, which closes the hull first.
        {"duplicate of the anchor is never a vertex", {{5, 5}, {0, 0}, {9, 9}, {0, 0}, {9, 0}}, {{0, 0}, {9, 0}, {9, 9}}, 40.5},
        {"points above the anchor wrap left to right", {{40, 10}, {20, 0}, {0, 10}, {20, 20}},
         {{20, 0}, {40, 10}, {20, 20}, {0, 10}}, 400.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AppState s = withPoints(c.points);
        EXPECT_DOUBLE_EQ(modFunctions::ConvexHullArea(s.points), c.area);
        ASSERT_EQ(s.points.hullVertexCount, static_cast<int>(c.hull.size()));
        ASSERT_EQ(s.points.hullPoints.size(), c.hull.size());
        for (std::size_t k = 0; k < c.hull.size(); ++k) {
            EXPECT_EQ(s.points.hullPoints[k].X, c.hull[k].X) << k;
            EXPECT_EQ(s.points.hullPoints[k].Y, c.hull[k].Y) << k;
            EXPECT_EQ(s.points.devicePoints[k + 1].X, c.hull[k].X) << k;
            EXPECT_EQ(s.points.devicePoints[k + 1].Y, c.hull[k].Y) << k;
        }
    }
}

TEST(ConvexHullArea, WrapConvexHullOnItsOwn) {
    AppState s = withPoints({{100, 50}, {50, 25}, {0, 50}, {100, 0}, {0, 0}});
    s.points.hullInputCount = 5;
    modFunctions::WrapConvexHull(s.points);
    EXPECT_EQ(s.points.hullVertexCount, 4);
    EXPECT_TRUE(s.points.hullPoints.empty());  // only the area routine copies the vertices
    const int xs[] = {0, 100, 100, 0, 50}, ys[] = {0, 0, 50, 50, 25};
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(s.points.devicePoints[static_cast<std::size_t>(k) + 1].X, xs[k]);
        EXPECT_EQ(s.points.devicePoints[static_cast<std::size_t>(k) + 1].Y, ys[k]);
    }
}

TEST(ConvexHullArea, AnchorTieTakesSmallerX) {
    AppState s = withPoints({{5, 3}, {2, 3}, {4, 9}});
    modFunctions::ConvexHullArea(s.points);
    EXPECT_EQ(s.points.hullPoints[0].X, 2);
    EXPECT_EQ(s.points.hullPoints[0].Y, 3);
}

TEST(ConvexHullArea, LargeCoordinatesDoNotOverflow) {
    AppState s = withPoints({{0, 0}, {100000, 0}, {100000, 100000}, {0, 100000}});
    EXPECT_DOUBLE_EQ(modFunctions::ConvexHullArea(s.points), 1e10);
}

TEST(ConvexHullArea, Failures) {
    AppState zeroScale = withPoints({{0, 0}, {10, 0}, {0, 10}}, 0.0, 1.0);
    try {
        modFunctions::ConvexHullArea(zeroScale.points);
        ADD_FAILURE();
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), 11);
    }
    AppState tooFew = withPoints({{0, 0}, {10, 0}});
    tooFew.points.pointCount = 5;
    try {
        modFunctions::ConvexHullArea(tooFew.points);
        ADD_FAILURE();
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), 9);
    }
    EXPECT_EQ(tooFew.points.hullVertexCount, 0);
}

TEST(Theta, PseudoAngles) {
    EXPECT_EQ(modFunctions::Theta(0, 0, 1, 0), 0.0f);
    EXPECT_EQ(modFunctions::Theta(0, 0, 0, 1), 90.0f);
    EXPECT_EQ(modFunctions::Theta(0, 0, -1, 0), 180.0f);
    EXPECT_EQ(modFunctions::Theta(0, 0, 0, -1), 270.0f);
    EXPECT_EQ(modFunctions::Theta(0, 0, 1, 1), 45.0f);
    EXPECT_EQ(modFunctions::Theta(3, 3, 3, 3), 3600.0f);
    EXPECT_EQ(modFunctions::Theta(0, 0, -1, 1), 135.0f);
    EXPECT_EQ(modFunctions::Theta(0, 0, -1, -1), 225.0f);
    EXPECT_EQ(modFunctions::Theta(0, 0, 1, -1), 315.0f);
    EXPECT_EQ(modFunctions::Theta(0, 0, 1, -3), (-0.75f + 4.0f) * 90.0f);
    // Single precision throughout: (1/3) * 90 rounded twice.
    EXPECT_EQ(modFunctions::Theta(0, 0, 2, 1), (1.0f / 3.0f) * 90.0f);
}

}  // namespace

// Whether points span an area in their own coordinates, whatever their
// drawing would round them to.
TEST(SpanAnArea, AskedOfTheCoordinates) {
    const struct {
        const char* name;
        std::vector<std::pair<double, double>> xy;
        bool spans;
    } cases[] = {
        {"a triangle", {{0, 0}, {4, 0}, {0, 3}}, true},
        {"a thin triangle", {{0, 0}, {1000, 0}, {500, 0.01}}, true},
        {"three on a slanted line", {{0, 0}, {1, 2}, {3, 6}}, false},
        {"a line of rounded coordinates", {{1.3, 3.7}, {2.6, 4.4}, {3.9, 5.1}, {65.0, 38.0}, {13.0, 10.0}}, false},
        {"a line far from the origin", {{1e6, 1e6}, {1e6 + 0.1, 1e6 + 0.3}, {1e6 + 0.2, 1e6 + 0.6}}, false},
        {"a line of huge coordinates", {{-1e300, -1e300}, {0, 0}, {1e300, 1e300}}, false},
        {"a triangle of huge coordinates", {{-1e300, 0}, {1e300, 0}, {0, 1e300}}, true},
        {"one spot", {{2, 2}, {2, 2}, {2, 2}}, false},
        {"two points", {{0, 0}, {1, 5}}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<CentroidRecord> points(1);
        for (const auto& [x, y] : c.xy) points.push_back({"", x, y});
        EXPECT_EQ(modFunctions::SpanAnArea(points, static_cast<std::int32_t>(c.xy.size())), c.spans);
    }
}
