// The point map's transform from map units to pixels, the pixel positions
// that the points' study area is measured from, and the nearest point to a
// press, checked without a window.
#include <gtest/gtest.h>

#include <vector>

#include "map/PointTransform.h"
#include "tests/support/CaseNames.h"

namespace {

std::vector<CentroidRecord> points(const std::vector<std::pair<double, double>>& xy) {
    std::vector<CentroidRecord> out(1);
    int k = 1;
    for (const auto& [x, y] : xy) out.push_back(CentroidRecord{"P" + std::to_string(k++), x, y});
    return out;
}

PointMapInput inputFor(const std::vector<CentroidRecord>& pts, double zoom = 1.2) {
    std::vector<double> xs(pts.size()), ys(pts.size());
    for (std::size_t i = 1; i < pts.size(); ++i) {
        xs[i] = pts[i].X;
        ys[i] = pts[i].Y;
    }
    PointMapInput in;
    in.extent = findPointExtent(xs, ys);
    in.zoom = zoom;
    in.outerWidth = 5595;
    in.outerHeight = 4275;
    in.innerWidth = 369;
    in.innerHeight = 281;
    return in;
}

TEST(PointTransform, WorkedExampleOfTwoPoints) {
    const auto pts = points({{0, 0}, {10, 5}});
    const auto t = computePointTransform(inputFor(pts));
    ASSERT_TRUE(t.has_value());
    EXPECT_DOUBLE_EQ(t->extentLeft, -0.5);
    EXPECT_DOUBLE_EQ(t->extentWidth, 11.0);
    EXPECT_DOUBLE_EQ(t->extentTop, 5.25);
    EXPECT_DOUBLE_EQ(t->extentHeight, 5.5);
    EXPECT_DOUBLE_EQ(t->aspectRatio, 0.5);
    EXPECT_NEAR(t->fitScale, 0.91689, 1e-5);
    EXPECT_NEAR(t->drawnWidth, 338.33, 0.005);
    EXPECT_NEAR(t->drawnHeight, 169.17, 0.005);
    EXPECT_NEAR(t->originX, 15.33, 0.005);
    EXPECT_NEAR(t->originY, 55.92, 0.005);
    EXPECT_NEAR(t->scaleX, 30.7575, 1e-4);
    EXPECT_NEAR(t->scaleY, 30.7575, 1e-4);
    EXPECT_DOUBLE_EQ(t->shiftX, 0.5);
    EXPECT_DOUBLE_EQ(t->shiftY, 0.25);

    const MapPoint p1 = pointPixelExact(*t, 0, 0, 0, 0);
    EXPECT_NEAR(p1.X, 30.71, 0.005);
    EXPECT_NEAR(p1.Y, 217.39, 0.005);
    const auto dev = pointDevicePositions(*t, 0, 0, pts, 2);
    ASSERT_EQ(dev.size(), 3u);
    EXPECT_EQ(dev[0].X, 0);
    EXPECT_EQ(dev[1].X, 31);
    EXPECT_EQ(dev[1].Y, 217);
    EXPECT_EQ(dev[2].X, 338);
    EXPECT_EQ(dev[2].Y, 64);
}

TEST(PointTransform, ADragMovesEveryPositionByItsOffset) {
    const auto pts = points({{0, 0}, {10, 5}});
    const auto t = computePointTransform(inputFor(pts));
    ASSERT_TRUE(t.has_value());
    const auto still = pointDevicePositions(*t, 0, 0, pts, 2);
    const auto dragged = pointDevicePositions(*t, 30, 10, pts, 2);
    for (std::size_t i = 1; i <= 2; ++i) {
        EXPECT_EQ(dragged[i].X, still[i].X + 30);
        EXPECT_EQ(dragged[i].Y, still[i].Y + 10);
    }
}

TEST(PointTransform, ASquareExtentFitsItsHeight) {
    const auto pts = points({{0, 0}, {4, 4}});
    const auto t = computePointTransform(inputFor(pts));
    ASSERT_TRUE(t.has_value());
    const double fit = 4275.0 / 5595.0 * 1.2;
    EXPECT_DOUBLE_EQ(t->drawnHeight, 281 * fit);
    EXPECT_DOUBLE_EQ(t->drawnWidth, 281 / 1.0 * fit);
}

struct FlatCase {
    const char* name;
    std::vector<std::pair<double, double>> xy;
};

class PointTransformFlat : public ::testing::TestWithParam<FlatCase> {};

TEST_P(PointTransformFlat, GivesNoTransform) {
    EXPECT_FALSE(computePointTransform(inputFor(points(GetParam().xy))).has_value());
}

INSTANTIATE_TEST_SUITE_P(Extents, PointTransformFlat,
                         ::testing::Values(FlatCase{"one_point", {{3, 4}}},
                                           FlatCase{"one_vertical_line", {{1, 0}, {1, 2}, {1, 5}}},
                                           FlatCase{"one_horizontal_line", {{0, 7}, {3, 7}}},
                                           FlatCase{"no_points", {}}),
                         CaseNameOf{});

TEST(PointTransform, ZoomAndPanMoveTheDrawingAboutTheCentre) {
    const auto pts = points({{0, 0}, {10, 5}});
    PointMapInput in = inputFor(pts);
    in.panX = 20;
    in.panY = -5;
    const auto t = computePointTransform(in);
    ASSERT_TRUE(t.has_value());
    EXPECT_NEAR(t->originX, 15.33 + 20, 0.005);
    EXPECT_NEAR(t->originY, 55.92 - 5, 0.005);
    in.zoom = -0.2;
    const auto turned = computePointTransform(in);
    ASSERT_TRUE(turned.has_value());
    EXPECT_LT(turned->scaleX, 0.0);
}

struct NearestCase {
    const char* name;
    double X, Y;
    std::int32_t expected;
};

class PointNearest : public ::testing::TestWithParam<NearestCase> {};

TEST_P(PointNearest, PicksThePointTheSortLeavesFirst) {
    // Three points on a row and one above: at the picture's scale the row's
    // points stand evenly apart.
    const auto pts = points({{0, 0}, {10, 0}, {20, 0}, {10, 10}});
    const auto t = computePointTransform(inputFor(pts));
    ASSERT_TRUE(t.has_value());
    const NearestCase& c = GetParam();
    const MapPoint a = pointPixelExact(*t, 0, 0, c.X, c.Y);
    EXPECT_EQ(nearestPoint(*t, 0, 0, pts, 4, a.X, a.Y), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Presses, PointNearest,
                         ::testing::Values(NearestCase{"on_point_one", 0, 0, 1},
                                           NearestCase{"near_point_three", 19, 1, 3},
                                           NearestCase{"near_the_top_point", 11, 9, 4},
                                           // Halfway between two points in map units: the pixel
                                           // positions decide, as the sort leaves them.
                                           NearestCase{"halfway_between_one_and_two", 5, 0, 1},
                                           NearestCase{"halfway_between_two_and_three", 15, 0, 3}),
                         CaseNameOf{});

TEST(PointNearest, AnExactTieGoesToTheRecordTheExchangeSortLeavesFirst) {
    // A transform of one pixel per map unit with north up from pixel row
    // 100, so that the distances are exact.
    PointTransform t;
    t.scaleX = t.scaleY = 1.0;
    t.drawnHeight = 100.0;
    // Distances from the press at map (0, 0): 10, then three of 5.
    const auto pts = points({{6, 8}, {3, 4}, {5, 0}, {0, 5}});
    // The gap-2 pass exchanges records 1 and 3, which puts record 3 in
    // front of the equally near record 2; the later passes leave it there.
    EXPECT_EQ(nearestPoint(t, 0, 0, pts, 4, 0.0, 100.0), 3);
    // Two equal records in file order stay in it.
    EXPECT_EQ(nearestPoint(t, 0, 0, points({{3, 4}, {5, 0}}), 2, 0.0, 100.0), 1);
}

TEST(PointNearest, NoPointsGiveNone) {
    const auto pts = points({{0, 0}, {10, 5}});
    const auto t = computePointTransform(inputFor(pts));
    ASSERT_TRUE(t.has_value());
    EXPECT_EQ(nearestPoint(*t, 0, 0, points({}), 0, 10, 10), 0);
}

}  // namespace
