// The convex-hull study area of drawn points.
#include <gtest/gtest.h>

#include "platform/Error.h"
#include "stats/AppState.h"
#include "stats/modFunctions.h"

namespace {

AppState withPoints(const std::vector<DevicePoint>& points, double scaleX = 1.0, double scaleY = 1.0) {
    AppState s;
    s.devicePoints.push_back({-999, -999});  // element 0 holds nothing
    for (const auto& p : points) s.devicePoints.push_back(p);
    s.pointCount = static_cast<double>(points.size());
    s.pointScaleX = scaleX;
    s.pointScaleY = scaleY;
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
        {"three points on a line", {{0, 0}, {5, 5}, {10, 10}}, 1.0, 0.0, -1},
        {"two distinct points", {{3, 4}, {10, 4}}, 1.0, 0.0, 2},
        {"repeated hull vertex", {{0, 0}, {100, 0}, {100, 50}, {0, 50}, {100, 50}, {0, 0}}, 2.0, 1250.0, 4},
        {"triangle", {{0, 0}, {10, 0}, {0, 10}}, 1.0, 50.0, 3},
        {"one point", {{7, 7}}, 1.0, 0.0, 1},
        {"all on one pixel", {{7, 7}, {7, 7}, {7, 7}}, 1.0, 0.0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AppState s = withPoints(c.points, c.scale, c.scale);
        EXPECT_DOUBLE_EQ(modFunctions::ConvexHullArea(s), c.area);
        if (c.vertices >= 0) {
            EXPECT_EQ(s.hullVertexCount, c.vertices);
        }
        EXPECT_EQ(s.hullInputCount, static_cast<int>(c.points.size()));
        EXPECT_EQ(s.hullPoints.size(), static_cast<std::size_t>(s.hullVertexCount));
        EXPECT_EQ(s.devicePoints[0].X, -999);
    }
}

TEST(ConvexHullArea, WrapsFromTheAnchorInOrder) {
    AppState s = withPoints({{100, 50}, {50, 25}, {0, 50}, {100, 0}, {0, 0}}, 2.0, 2.0);
    modFunctions::ConvexHullArea(s);
    const int xs[] = {0, 100, 100, 0}, ys[] = {0, 0, 50, 50};
    ASSERT_EQ(s.hullPoints.size(), 4u);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(s.hullPoints[static_cast<std::size_t>(k)].X, xs[k]);
        EXPECT_EQ(s.hullPoints[static_cast<std::size_t>(k)].Y, ys[k]);
        // The hull's vertices come first in devicePoints.
        EXPECT_EQ(s.devicePoints[static_cast<std::size_t>(k) + 1].X, xs[k]);
    }
}

TEST(ConvexHullArea, AnchorTieTakesSmallerX) {
    AppState s = withPoints({{5, 3}, {2, 3}, {4, 9}});
    modFunctions::ConvexHullArea(s);
    EXPECT_EQ(s.hullPoints[0].X, 2);
    EXPECT_EQ(s.hullPoints[0].Y, 3);
}

TEST(ConvexHullArea, LargeCoordinatesDoNotOverflow) {
    AppState s = withPoints({{0, 0}, {100000, 0}, {100000, 100000}, {0, 100000}});
    EXPECT_DOUBLE_EQ(modFunctions::ConvexHullArea(s), 1e10);
}

TEST(ConvexHullArea, Failures) {
    AppState zeroScale = withPoints({{0, 0}, {10, 0}, {0, 10}}, 0.0, 1.0);
    try {
        modFunctions::ConvexHullArea(zeroScale);
        ADD_FAILURE();
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), 11);
    }
    AppState tooFew = withPoints({{0, 0}, {10, 0}});
    tooFew.pointCount = 5;
    try {
        modFunctions::ConvexHullArea(tooFew);
        ADD_FAILURE();
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), 9);
    }
    EXPECT_EQ(tooFew.hullVertexCount, 0);
}

TEST(Theta, PseudoAngles) {
    EXPECT_EQ(modFunctions::Theta(0, 0, 1, 0), 0.0f);
    EXPECT_EQ(modFunctions::Theta(0, 0, 0, 1), 90.0f);
    EXPECT_EQ(modFunctions::Theta(0, 0, -1, 0), 180.0f);
    EXPECT_EQ(modFunctions::Theta(0, 0, 0, -1), 270.0f);
    EXPECT_EQ(modFunctions::Theta(0, 0, 1, 1), 45.0f);
    EXPECT_EQ(modFunctions::Theta(3, 3, 3, 3), 3600.0f);
}

}  // namespace
