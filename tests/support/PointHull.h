#pragma once
// The study area a point run is to take, worked out apart from the run: the
// area of the convex hull of the points' pixels as the plain point map draws
// them on a picture of `picture`'s size at another zoom and pan, divided by
// that drawing's scales.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "map/PointTransform.h"
#include "stats/AppState.h"
#include "stats/modFunctions.h"

inline double pointHullArea(PointMapInput picture, double zoom, double panX, double panY,
                            const std::vector<CentroidRecord>& points, std::int32_t count) {
    picture.zoom = zoom;
    picture.panX = panX;
    picture.panY = panY;
    const std::optional<PointTransform> t = computePointTransform(picture);
    EXPECT_TRUE(t.has_value());
    if (!t) return 0.0;
    PointState drawn;
    drawn.pointCount = count;
    drawn.pointScaleX = t->scaleX;
    drawn.pointScaleY = t->scaleY;
    drawn.devicePoints = pointDevicePositions(*t, 0, 0, points, count);
    return modFunctions::ComputeConvexHull(drawn).area;
}
