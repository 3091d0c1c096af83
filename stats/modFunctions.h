#pragma once
// The study area of point data: the area of the convex hull of the points
// as the point map last drew them, converted to square map units.

#include <cstdint>
#include <vector>

#include "geometry/Records.h"

struct PointState;

namespace modFunctions {

// The hull of devicePoints 1..pointCount (rounded, halves to even) in
// square map units: shoelace area in pixels divided by pointScaleX and
// pointScaleY. Reorders devicePoints (hull vertices first, in wrapping
// order) and sets hullInputCount, hullVertexCount and hullPoints.
// One point, or all points on one pixel, has area 0. A pointCount beyond
// the stored points raises 9; a zero pixel scale raises 11; an area beyond
// the doubles (coordinates of 1E160 and more) raises 6 with a text that
// says so.
double ConvexHullArea(PointState& points);

// Gift wrapping in place on devicePoints 1..hullInputCount; sets
// hullVertexCount.
void WrapConvexHull(PointState& points);

// Pseudo-angle of the direction from (x1, y1) to (x2, y2), in single
// precision: grows with the angle from +x towards +y, 0 up to 360;
// coincident points give 3600.
float Theta(float x1, float y1, float x2, float y2);

// The hull computation on a copy, for callers that must not commit
// anything before their own checks passed.
struct HullResult {
    std::vector<DevicePoint> points;      // the reordered device points
    std::vector<DevicePoint> hullPoints;  // 0..M-1
    std::int32_t inputCount = 0;
    std::int32_t vertexCount = 0;
    double area = 0.0;
};
HullResult ComputeConvexHull(const PointState& points);
void CommitConvexHull(PointState& points, HullResult&& hull);

// Whether points 1..n (n <= points.size() - 1) span an area in map units:
// not all of them on one line (or on one spot), within the rounding of
// their coordinates. The hull of the drawn pixels gives points on one
// slanted line a small area of rounding steps; this asks the coordinates.
bool SpanAnArea(const std::vector<CentroidRecord>& points, std::int32_t n);

}  // namespace modFunctions
