// The class of a point value and the point legend drawn with rings, and
// the point map's marks and class circles on a picture, without a window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cmath>

#include "map/PointMap.h"
#include "map/modLegend.h"
#include "stats/AppState.h"
#include "tests/support/CaseNames.h"
#include "tests/support/RingPixels.h"
#include "ui/PictureSurface.h"

namespace {

struct ClassCase {
    const char* name;
    DoubleArray breaks;
    double v;
    int cls;
};

class PointClasses : public ::testing::TestWithParam<ClassCase> {};

TEST_P(PointClasses, FirstMatchingRowWins) {
    const ClassCase& c = GetParam();
    EXPECT_EQ(modLegend::PointClassOf(c.breaks, c.v), c.cls);
}

const DoubleArray kM2 = {0, -2, -1, 0, 1, 2, 0};
const DoubleArray kNoNegative = {0, 0, 0, 0, 3, 5, 0};

INSTANTIATE_TEST_SUITE_P(Values, PointClasses,
                         ::testing::Values(ClassCase{"below_the_first_break", kM2, -2.5, 1},
                                           ClassCase{"on_the_first_break", kM2, -2, 2},
                                           ClassCase{"just_below_zero", kM2, -1e-9, 3},
                                           ClassCase{"zero", kM2, 0, 4},
                                           ClassCase{"M_of_one_with_M_star_two", kM2, 1, 5},
                                           ClassCase{"on_the_last_break", kM2, 2, 6},
                                           ClassCase{"no_negative_value_zero", kNoNegative, 0, 4},
                                           ClassCase{"no_negative_value_large", kNoNegative, 9, 6},
                                           // No comparison holds for a value that is not a number.
                                           ClassCase{"not_a_number", kM2, std::nan(""), 0}),
                         CaseNameOf{});

TEST(PointLegend, RingsInTheClassColoursAndLabelsOnlyForTheScore) {
    AppState s;
    s.area.regionCount = 6;
    DoubleArray values = {0, 3, -2, 1, -1, 5, -4};
    PictureSurface score(ScaleUnit::Twips);
    score.resize(180, 150);
    modLegend::DrawPointLegend(s, score, values, 5, LegendStatistic::Score, {});
    EXPECT_EQ(values, (DoubleArray{0, -4, -2, -1, 1, 3, 5}));  // sorted in place
    EXPECT_EQ(s.legend.legendMin, -4);
    EXPECT_EQ(s.legend.legendMax, 5);
    for (int k = 0; k < 6; ++k) {
        const double centreY = 300.0 * (k + 1) + 150.0;
        const double r = modLegend::kPointLegendRadii[static_cast<std::size_t>(k)];
        // The ring's rightmost pixel in the row's colour, its centre left white.
        const int x = static_cast<int>((200.0 + r) / kTwipsPerPixel + 0.5);
        const int y = static_cast<int>(centreY / kTwipsPerPixel + 0.5);
        bool ring = false;
        for (int dx = -1; dx <= 1; ++dx) ring |= score.Point(x + dx, y) == modLegend::kClassColors[static_cast<std::size_t>(k)];
        EXPECT_TRUE(ring) << "row " << k;
        if (r > 30) {
            EXPECT_EQ(score.Point(static_cast<int>(200.0 / kTwipsPerPixel), y), 0xFFFFFF) << "row " << k;
        }
    }
    // A label (dark, antialiased text) right of the rings on the score legend, none on the M legend.
    auto blackRightOfRings = [](const PictureSurface& p) {
        for (int x = 400 / kTwipsPerPixel; x < p.widthPx(); ++x)
            for (int y = 300 / kTwipsPerPixel; y < 600 / kTwipsPerPixel; ++y)
                if (const BgrColor c = p.Point(x, y); (c & 0xFF) < 0x60 && (c >> 8 & 0xFF) < 0x60 && (c >> 16) < 0x60)
                    return true;
        return false;
    };
    EXPECT_TRUE(blackRightOfRings(score));
    PictureSurface m(ScaleUnit::Twips);
    m.resize(180, 150);
    DoubleArray mValues = {0, 1, 2, 3, 4, 5, 6};
    modLegend::DrawPointLegend(s, m, mValues, 5, LegendStatistic::M, [] { return 2.0; });
    EXPECT_EQ(s.legend.classBreaks, kM2);
    EXPECT_FALSE(blackRightOfRings(m));
}

TEST(PointMapDrawing, MarksAndClassCirclesAtThePointsPixels) {
    AppState s;
    s.points.pointCount = 3;
    s.area.centroidTable = {{}, {"a", 0, 0}, {"b", 10, 5}, {"c", 4, 1}};
    s.legend.classBreaks = kM2;
    s.points.clusterMap.pointZoom = 1.2;
    PointMap map(s, s.points.clusterMap);
    map.resize(373, 285);
    map.copyPoints();
    map.DrawPointMap();
    ASSERT_TRUE(map.transform().has_value());
    EXPECT_EQ(s.points.pointScaleX, map.transform()->scaleX);
    const auto& d = s.points.devicePoints;
    ASSERT_EQ(d.size(), 4u);
    PictureSurface& pic = map.surface();
    // The mark: the outline of a 3 x 3 square around the point, its centre left white.
    EXPECT_EQ(pic.Point(d[1].X - 1, d[1].Y - 1), 0x000000);
    EXPECT_EQ(pic.Point(d[1].X + 1, d[1].Y + 1), 0x000000);
    EXPECT_EQ(pic.Point(d[1].X, d[1].Y), 0xFFFFFF);

    map.DrawPointClassMap(DoubleArray{0, -3, 5, 0.5});
    // The rightmost pixel on the point's row of its class circle, centred on
    // the point's exact x.
    const auto right = [&](std::size_t i, double r) {
        const double x = pointPixelExact(*map.transform(), 0, 0, s.area.centroidTable[i].X, s.area.centroidTable[i].Y).X;
        int best = -1;
        for (const QPoint& q : ringPixels(pic.image().size(), QPointF(x, d[i].Y), r, 1))
            if (q.y() == d[i].Y) best = std::max(best, q.x());
        EXPECT_NEAR(best, d[i].X + r, 1.0);
        return best;
    };
    EXPECT_EQ(pic.Point(right(1, 6), d[1].Y), 0xFF0000);  // class 1, radius 6, blue
    EXPECT_EQ(pic.Point(right(2, 6), d[2].Y), 0x0000FF);  // class 6, red
    EXPECT_EQ(pic.Point(right(3, 2), d[3].Y), 0xC0C0FF);  // class 4, radius 2

    map.HighlightPoint(2);
    EXPECT_EQ(pic.Point(d[2].X + 10, d[2].Y), 0x00FF00);

    // One X for all points: nothing is drawn and the scales stay.
    const double scale = s.points.pointScaleX;
    s.area.centroidTable = {{}, {"a", 1, 0}, {"b", 1, 5}, {"c", 1, 1}};
    map.copyPoints();
    map.DrawPointMap();
    EXPECT_FALSE(map.transform().has_value());
    EXPECT_EQ(s.points.pointScaleX, scale);
    EXPECT_EQ(s.points.devicePoints[2].X, 0);
}

TEST(PointMapDrawing, CirclesCentreOnTheExactXAndMarksRoundTheirOwnCorners) {
    // A square picture at zoom 0.5 with a pan of half a pixel puts every
    // point's exact x on a half: x = 4 X + 48.5, y = 108 - 4 Y.
    AppState s;
    s.points.pointCount = 3;
    s.area.centroidTable = {{}, {"a", 0, 0}, {"b", 20, 10}, {"c", 10, 5}};
    s.legend.classBreaks = kM2;
    PointMapView& view = s.points.clusterMap;
    view.pointZoom = 0.5;
    view.panX = 0.5;
    PointMap map(s, view);
    map.resize(176, 176);
    map.copyPoints();
    map.DrawPointClassMap(DoubleArray{0, -3, 5, 0.5});
    ASSERT_TRUE(map.transform().has_value());
    const double xs[] = {48.5, 128.5, 88.5}, ys[] = {108, 68, 88};
    const std::int32_t stored[] = {48, 128, 88};
    const PictureSurface& pic = map.surface();
    for (std::size_t i = 1; i <= 3; ++i) {
        SCOPED_TRACE("point " + std::to_string(i));
        const MapPoint exact = pointPixelExact(*map.transform(), 0, 0, s.area.centroidTable[i].X, s.area.centroidTable[i].Y);
        ASSERT_EQ(exact.X, xs[i - 1]);
        ASSERT_EQ(exact.Y, ys[i - 1]);
        // The stored position takes the half to the even pixel ...
        const DevicePoint d = s.points.devicePoints[i];
        EXPECT_EQ(d.X, stored[i - 1]);
        EXPECT_EQ(d.Y, ys[i - 1]);
        // ... while the mark's corners are x - 1 and x + 1 each taken so:
        // 47.5 and 49.5 give 48 and 50.
        EXPECT_EQ(pic.Point(d.X + 2, d.Y - 1), 0x000000);
        EXPECT_EQ(pic.Point(d.X + 2, d.Y + 1), 0x000000);
        EXPECT_EQ(pic.Point(d.X - 1, d.Y), 0xFFFFFF);
        EXPECT_EQ(pic.Point(d.X + 1, d.Y), 0xFFFFFF);
        // The class circle (radius 6, classes 1, 6 and 4 here) is centred on the exact x.
        const int cls = modLegend::PointClassOf(s.legend.classBreaks, DoubleArray{0, -3, 5, 0.5}[i]);
        const double r = modLegend::kPointMapRadii[static_cast<std::size_t>(cls - 1)];
        const BgrColor colour = modLegend::kClassColors[static_cast<std::size_t>(cls - 1)];
        for (const QPoint& q : ringPixels(pic.image().size(), QPointF(exact.X, d.Y), r, 1))
            if (std::abs(q.x() - exact.X) > 2 || std::abs(q.y() - d.Y) > 1) {  // the mark stands over the centre
                EXPECT_EQ(pic.Point(q.x(), q.y()), colour) << "ring pixel " << q.x() << "," << q.y();
            }
    }
    // The highlight ring too.
    map.HighlightPoint(1);
    for (const QPoint& q : ringPixels(pic.image().size(), QPointF(48.5, 108), 10, 4))
        EXPECT_EQ(pic.Point(q.x(), q.y()), 0x00FF00) << "ring pixel " << q.x() << "," << q.y();
}

}  // namespace
