#pragma once
// The transform of a point map from map units to pixels, as a value that
// can be computed and checked without a window. Both point windows draw
// with it.
//
// The extent of the points is widened by a twentieth of its size on every
// side; its longer side is fitted to the picture, scaled by the zoom and by
// the picture's outer height over its outer width, centred and moved by the
// accumulated pan; north is up. A zero-width or zero-height extent gives no
// transform (nothing is drawn and nothing is divided by it).

#include <cstdint>
#include <optional>
#include <vector>

#include "geometry/Records.h"

// The smallest and largest X and Y of points 1..n.
struct PointExtent {
    double minX = 0.0, maxX = 0.0, minY = 0.0, maxY = 0.0;
};

struct PointMapInput {
    PointExtent extent;
    double zoom = 1.2;
    double panX = 0.0, panY = 0.0;        // accumulated pan, pixels
    double outerWidth = 0.0;              // the picture's outer size, twips
    double outerHeight = 0.0;
    double innerWidth = 0.0;              // its drawing area, pixels
    double innerHeight = 0.0;
};

struct PointTransform {
    PointExtent extent;
    double extentLeft = 0.0, extentTop = 0.0, extentWidth = 0.0, extentHeight = 0.0;
    double aspectRatio = 0.0;
    double fitScale = 0.0;
    double drawnWidth = 0.0, drawnHeight = 0.0;
    double originX = 0.0, originY = 0.0;
    double scaleX = 0.0, scaleY = 0.0;  // pixels per map unit
    double shiftX = 0.0, shiftY = 0.0;
};

// The extent of elements 1..size-1 of the two coordinate arrays (element 0
// takes no part); all zero when there are none.
PointExtent findPointExtent(const std::vector<double>& xs, const std::vector<double>& ys);

// The transform of the view, or none when the widened extent has no width
// or no height.
std::optional<PointTransform> computePointTransform(const PointMapInput& in);

// The pixel position of a map point with the drag offset in progress, both
// coordinates left exact.
MapPoint pointPixelExact(const PointTransform& t, double dragX, double dragY, double X, double Y);
// The same taken to the nearest pixel (halves to even); raises error 6 when
// a coordinate does not fit a 32-bit integer.
DevicePoint pointPixel(const PointTransform& t, double dragX, double dragY, double X, double Y);

// The pixel positions of points 1..n (0..n, element 0 zero): what every
// drawing of a point map stores as its device points, and what the convex
// hull of the points' study area is measured from.
std::vector<DevicePoint> pointDevicePositions(const PointTransform& t, double dragX, double dragY,
                                              const std::vector<CentroidRecord>& points, std::int32_t n);

// The point (1..n) nearest to the pixel (X, Y) by the exact positions of
// the transform, as the value sort leaves it first among equal distances;
// 0 when there are no points.
std::int32_t nearestPoint(const PointTransform& t, double dragX, double dragY,
                          const std::vector<CentroidRecord>& points, std::int32_t n, double X, double Y);
