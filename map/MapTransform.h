#pragma once
// The transform of the polygon map from map units to pixels of the map
// picture, as a value that can be computed and checked without a window.
//
// It keeps the aspect ratio of the data, centres the drawn map on the
// picture, turns the y axis (map y grows upward, pixel y downward) and adds
// the accumulated pan through the margins. A degenerate input (an extent or
// picture of zero width or height, a zoom at or below 0, anything not
// finite) yields no transform: the caller draws nothing and divides by
// nothing.

#include <optional>

#include "geometry/Records.h"

struct MapViewInput {
    MapRect extent;               // Left = Xmin, Top = Ymax, Width, Height (map units)
    double zoom = 1.0;            // mapZoom
    double panShiftX = 0.0;       // accumulated pan, pixels
    double panShiftY = 0.0;
    double pictureWidth = 0.0;    // outer size of the picture, twips
    double pictureHeight = 0.0;
    double scaleWidth = 0.0;      // inner drawing area, pixels
    double scaleHeight = 0.0;
};

// (MapTransform itself is a shared record type: the program's state holds
// the transform of the last drawing.)

// The transform of the view; withPan adds the accumulated pan to the
// margins (the plain full drawing leaves it out).
std::optional<MapTransform> computeMapTransform(const MapViewInput& in, bool withPan);

// Forward transform of a map point to a pixel, with the drag offset in
// progress: x rounds once, y twice (before and after the flip), halves to
// even. Empty when a coordinate does not fit a 32-bit integer.
std::optional<DevicePoint> mapToDevice(const MapTransform& t, double panDragX, double panDragY,
                                       double X, double Y);

// The same sums without rounding, as the centroid marks use them.
MapPoint mapToDeviceExact(const MapTransform& t, double panDragX, double panDragY, double X, double Y);

// Inverse transform of a pixel to map units, with the drag offset.
MapPoint deviceToMap(const MapTransform& t, double panDragX, double panDragY, double x, double y);
