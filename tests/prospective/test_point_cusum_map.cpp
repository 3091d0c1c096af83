// The point cusum map: every point a circle of its cusum band, the tests
// strict from the top; the yellow squares of a circle selection and the
// points the circle catches, its radius included.
#include <gtest/gtest.h>

#include "map/PointMap.h"
#include "platform/Format.h"

namespace {

class PointCusumMap : public ::testing::Test {
protected:
    void SetUp() override {
        points = {{}, {"A", 0, 0}, {"B", 10, 0}, {"C", 20, 0}, {"D", 0, 10}, {"E", 20, 10}};
        count = 5;
        view.pointZoom = 1.0;
        map = std::make_unique<PointMap>(state, view);
        map->setPointSource(&points, &count);
        map->resize(400, 300);
        map->copyPoints();
    }
    DevicePoint at(int i) const {
        return pointPixel(*map->transform(), 0, 0, points[static_cast<std::size_t>(i)].X,
                          points[static_cast<std::size_t>(i)].Y);
    }
    // Whether a pixel of the colour lies at (x + r, y), give or take one.
    bool ringAt(int i, int r, BgrColor color) {
        const DevicePoint d = at(i);
        for (int dx = -1; dx <= 1; ++dx)
            if (map->surface().Point(d.X + r + dx, d.Y) == color) return true;
        return false;
    }

    AppState state;
    PointMapView view;
    std::vector<CentroidRecord> points;
    std::int32_t count = 0;
    std::unique_ptr<PointMap> map;
};

}  // namespace

TEST_F(PointCusumMap, BandsAreTestedStrictlyFromTheTop) {
    const double h = 8;
    Eigen::MatrixXd cusum = Eigen::MatrixXd::Zero(6, 2);
    // Exactly h, three quarters, a half and a quarter of it, and just above h.
    cusum.col(1) << 0, 8, 6, 4, 2, 8.01;
    state.points.devicePoints.assign(6, DevicePoint{7, 7});
    map->DrawCusumPointMap(cusum, 1, h);
    ASSERT_TRUE(map->transform().has_value());
    EXPECT_TRUE(ringAt(1, 4, 0xC00000));
    EXPECT_TRUE(ringAt(2, 2, 0xFF8080));
    EXPECT_TRUE(ringAt(3, 2, 0xFFFF00));
    EXPECT_TRUE(ringAt(4, 2, 0xFFFFFF));
    EXPECT_TRUE(ringAt(5, 6, 0x0000FF));
    EXPECT_FALSE(ringAt(5, 4, 0xC00000));
    // The cusum drawing leaves the device points of the plain drawing.
    EXPECT_EQ(state.points.devicePoints[1].X, 7);
    // With h 0 a positive cusum is a signal and 0 is white.
    cusum.col(1) << 0, 0.001, 0, 0, 0, 0;
    map->DrawCusumPointMap(cusum, 1, 0);
    EXPECT_TRUE(ringAt(1, 6, 0x0000FF));
    EXPECT_TRUE(ringAt(2, 2, 0xFFFFFF));
}

TEST_F(PointCusumMap, CircleSelectionIncludesItsRadius) {
    map->DrawPointMap();
    ASSERT_TRUE(map->transform().has_value());
    const MapPoint a = pointPixelExact(*map->transform(), 0, 0, 0, 0);
    const MapPoint b = pointPixelExact(*map->transform(), 0, 0, 10, 0);
    const double r = b.X - a.X;
    EXPECT_EQ(map->pointsInCircle(a.X, a.Y, r), (std::vector<bool>{false, true, true, false, true, false}));
    EXPECT_EQ(map->pointsInCircle(a.X, a.Y, r * 0.999), (std::vector<bool>{false, true, false, false, false, false}));
    const std::vector<bool> flags = {false, false, true, false, false, false};
    map->DrawSelectedPoints(flags);
    const DevicePoint d = at(2);
    EXPECT_EQ(map->surface().Point(d.X + 1, d.Y), 0x00FFFF);
    EXPECT_EQ(map->surface().Point(d.X + 2, d.Y), 0x000000);
    const DevicePoint e = at(3);
    EXPECT_NE(map->surface().Point(e.X + 1, e.Y), 0x00FFFF);
}
