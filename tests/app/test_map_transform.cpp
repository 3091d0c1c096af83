// The map transform from map units to pixels, checked without a window.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "map/MapTransform.h"
#include "tests/support/CaseNames.h"

namespace {

// Extent Left 0, Top 100, Width 200, Height 100 on a picture of 6000 x 4500
// twips (400 x 300 pixels), zoom 1, no pan.
MapViewInput workedExample() {
    MapViewInput in;
    in.extent = MapRect{0, 100, 200, 100};
    in.zoom = 1.0;
    in.pictureWidth = 6000;
    in.pictureHeight = 4500;
    in.scaleWidth = 400;
    in.scaleHeight = 300;
    return in;
}

struct TransformCase {
    const char* name;
    MapViewInput in;
    bool withPan;
    double aspect, viewScale, dW, dH, marginX, marginY, scale, offsetX, offsetY;
};

class MapTransformCases : public ::testing::TestWithParam<TransformCase> {};

TEST_P(MapTransformCases, GivesTheWorkedValues) {
    const TransformCase& c = GetParam();
    const auto t = computeMapTransform(c.in, c.withPan);
    ASSERT_TRUE(t.has_value());
    EXPECT_DOUBLE_EQ(t->extentAspect, c.aspect);
    EXPECT_DOUBLE_EQ(t->viewScale, c.viewScale);
    EXPECT_DOUBLE_EQ(t->drawnWidth, c.dW);
    EXPECT_DOUBLE_EQ(t->drawnHeight, c.dH);
    EXPECT_DOUBLE_EQ(t->halfDrawnWidth, c.dW / 2);
    EXPECT_DOUBLE_EQ(t->halfDrawnHeight, c.dH / 2);
    EXPECT_DOUBLE_EQ(t->halfPictureWidth, c.in.scaleWidth / 2);
    EXPECT_DOUBLE_EQ(t->halfPictureHeight, c.in.scaleHeight / 2);
    EXPECT_DOUBLE_EQ(t->marginX, c.marginX);
    EXPECT_DOUBLE_EQ(t->marginY, c.marginY);
    EXPECT_DOUBLE_EQ(t->mapScaleX, c.scale);
    EXPECT_DOUBLE_EQ(t->mapScaleY, c.scale);
    EXPECT_DOUBLE_EQ(t->mapOffsetX, c.offsetX);
    EXPECT_DOUBLE_EQ(t->mapOffsetY, c.offsetY);
}

MapViewInput with(MapViewInput in, void (*change)(MapViewInput&)) {
    change(in);
    return in;
}

INSTANTIATE_TEST_SUITE_P(
    Map, MapTransformCases,
    ::testing::Values(
        TransformCase{"worked", workedExample(), false, 0.5, 0.75, 300, 150, 50, 75, 1.5, 0, 0},
        // A square extent takes the tall branch: dH = ScaleHeight * s.
        TransformCase{"square", with(workedExample(), [](MapViewInput& i) { i.extent = {0, 100, 100, 100}; }), false,
                      1.0, 0.75, 225, 225, 87.5, 37.5, 2.25, 0, 0},
        // A tall extent: dH = ScaleHeight * s, dW = ScaleHeight / r * s.
        TransformCase{"tall", with(workedExample(), [](MapViewInput& i) { i.extent = {10, 250, 50, 200}; }), false,
                      4.0, 0.75, 56.25, 225, 171.875, 37.5, 1.125, -10, -50},
        // Zoom 2 doubles the sizes and scales and keeps the centre.
        TransformCase{"zoom2", with(workedExample(), [](MapViewInput& i) { i.zoom = 2; }), false, 0.5, 1.5, 600, 300,
                      -100, 0, 3, 0, 0},
        // The plain full drawing leaves the accumulated pan out...
        TransformCase{"extentIgnoresPan",
                      with(workedExample(), [](MapViewInput& i) { i.panShiftX = 10, i.panShiftY = -5; }), false, 0.5,
                      0.75, 300, 150, 50, 75, 1.5, 0, 0},
        // ...the scaled drawing adds it to the margins.
        TransformCase{"scaleAddsPan",
                      with(workedExample(), [](MapViewInput& i) { i.panShiftX = 10, i.panShiftY = -5; }), true, 0.5,
                      0.75, 300, 150, 60, 70, 1.5, 0, 0}),
    CaseNameOf());

TEST(MapTransform, WorkedExampleCornersLandOnTheirPixels) {
    const auto t = computeMapTransform(workedExample(), false);
    ASSERT_TRUE(t);
    const auto topLeft = mapToDevice(*t, 0, 0, 0, 100);
    const auto bottomRight = mapToDevice(*t, 0, 0, 200, 0);
    ASSERT_TRUE(topLeft && bottomRight);
    EXPECT_EQ(topLeft->X, 50);
    EXPECT_EQ(topLeft->Y, 75);
    EXPECT_EQ(bottomRight->X, 350);
    EXPECT_EQ(bottomRight->Y, 225);
}

TEST(MapTransform, PanShiftMovesEveryVertexRightAndUp) {
    MapViewInput in = workedExample();
    in.panShiftX = 10;
    in.panShiftY = -5;
    const auto t = computeMapTransform(in, true);
    ASSERT_TRUE(t);
    const struct { double X, Y; int px, py; } vertices[] = {{0, 100, 60, 70}, {200, 0, 360, 220}, {100, 50, 210, 145}};
    for (const auto& v : vertices) {
        SCOPED_TRACE(v.X);
        const auto d = mapToDevice(*t, 0, 0, v.X, v.Y);
        ASSERT_TRUE(d);
        EXPECT_EQ(d->X, v.px);
        EXPECT_EQ(d->Y, v.py);
    }
}

TEST(MapTransform, DragOffsetMovesEveryVertexBySamePixels) {
    for (bool withShift : {false, true}) {
        SCOPED_TRACE(withShift);
        MapViewInput in = workedExample();
        if (withShift) in.panShiftX = 7, in.panShiftY = 3;
        const auto t = computeMapTransform(in, true);
        ASSERT_TRUE(t);
        for (const MapPoint p : {MapPoint{0, 100}, MapPoint{37.3, 12.9}, MapPoint{200, 0}}) {
            const auto still = mapToDevice(*t, 0, 0, p.X, p.Y);
            const auto dragged = mapToDevice(*t, 20, -10, p.X, p.Y);
            ASSERT_TRUE(still && dragged);
            EXPECT_EQ(dragged->X - still->X, 20);
            EXPECT_EQ(dragged->Y - still->Y, -10);
        }
    }
}

TEST(MapTransform, RoundsHalvesToEven) {
    // Scale 1 and no margins by hand, so the sum is the coordinate itself.
    MapTransform t;
    t.mapScaleX = t.mapScaleY = 1;
    const struct { double X; int expected; } cases[] = {{2.5, 2}, {3.5, 4}, {-2.5, -2}, {2.4, 2}, {-3.5, -4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.X);
        const auto d = mapToDevice(t, 0, 0, c.X, 0);
        ASSERT_TRUE(d);
        EXPECT_EQ(d->X, c.expected);
    }
}

TEST(MapTransform, YIsRoundedBeforeAndAfterTheFlip) {
    // y1 = R(1.5) = 2, then y = R(10.5 - 2 + 0) = R(8.5) = 8; a single
    // rounding of 10.5 - 1.5 would give 9.
    MapTransform t;
    t.mapScaleX = t.mapScaleY = 1;
    t.drawnHeight = 10.5;
    const auto d = mapToDevice(t, 0, 0, 0, 1.5);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->Y, 8);
}

TEST(MapTransform, InverseReturnsVertexWithinOnePixelOfMapUnits) {
    MapViewInput in = workedExample();
    in.zoom = 1.4;
    in.panShiftX = -13;
    in.panShiftY = 6;
    const auto t = computeMapTransform(in, true);
    ASSERT_TRUE(t);
    for (const MapPoint p : {MapPoint{0, 100}, MapPoint{123.456, 78.9}, MapPoint{3.3, 0.1}}) {
        const auto d = mapToDevice(*t, 4, -2, p.X, p.Y);
        ASSERT_TRUE(d);
        const MapPoint back = deviceToMap(*t, 4, -2, d->X, d->Y);
        EXPECT_NEAR(back.X, p.X, 1 / t->mapScaleX);
        EXPECT_NEAR(back.Y, p.Y, 1 / t->mapScaleY);
        // The unrounded sums invert exactly.
        const MapPoint exact = mapToDeviceExact(*t, 4, -2, p.X, p.Y);
        const MapPoint again = deviceToMap(*t, 4, -2, exact.X, exact.Y);
        EXPECT_NEAR(again.X, p.X, 1e-9);
        EXPECT_NEAR(again.Y, p.Y, 1e-9);
    }
}

TEST(MapTransform, IdentifyWorkedInverse) {
    // Scales 2, offsets 0, margins 10, drawn height 200: pixel (30, 190) is (10, 10).
    MapTransform t;
    t.mapScaleX = t.mapScaleY = 2;
    t.marginX = t.marginY = 10;
    t.drawnHeight = 200;
    const MapPoint m = deviceToMap(t, 0, 0, 30, 190);
    EXPECT_DOUBLE_EQ(m.X, 10);
    EXPECT_DOUBLE_EQ(m.Y, 10);
}

TEST(MapTransform, DegenerateInputsGiveNoTransform) {
    const struct { const char* name; void (*change)(MapViewInput&); } cases[] = {
        {"zero width extent", [](MapViewInput& i) { i.extent.Width = 0; }},
        {"zero height extent", [](MapViewInput& i) { i.extent.Height = 0; }},
        {"zero picture width", [](MapViewInput& i) { i.pictureWidth = 0; }},
        {"zero picture height", [](MapViewInput& i) { i.pictureHeight = 0; }},
        {"zero scale width", [](MapViewInput& i) { i.scaleWidth = 0; }},
        {"zero zoom", [](MapViewInput& i) { i.zoom = 0; }},
        {"negative zoom", [](MapViewInput& i) { i.zoom = -0.2; }},
        {"infinite extent", [](MapViewInput& i) { i.extent.Width = std::numeric_limits<double>::infinity(); }},
        {"NaN pan", [](MapViewInput& i) { i.panShiftX = std::nan(""); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MapViewInput in = workedExample();
        c.change(in);
        EXPECT_FALSE(computeMapTransform(in, true).has_value());
        EXPECT_FALSE(computeMapTransform(in, false).has_value());
    }
}

TEST(MapTransform, CoordinatesBeyond32BitsAreRefused) {
    MapViewInput in = workedExample();
    in.zoom = 1e9;
    const auto t = computeMapTransform(in, true);
    ASSERT_TRUE(t);
    EXPECT_FALSE(mapToDevice(*t, 0, 0, 200, 0).has_value());
    EXPECT_TRUE(mapToDevice(*t, 0, 0, 100, 50).has_value());  // the centre stays in range
}

}  // namespace
