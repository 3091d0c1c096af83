#include "map/MapTransform.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

bool allFinite(const MapViewInput& in) {
    const double values[] = {in.extent.Left, in.extent.Top, in.extent.Width, in.extent.Height,
                             in.zoom, in.panShiftX, in.panShiftY, in.pictureWidth,
                             in.pictureHeight, in.scaleWidth, in.scaleHeight};
    for (double v : values)
        if (!std::isfinite(v)) return false;
    return true;
}

// Nearest 32-bit integer, halves to even; empty when it does not fit.
std::optional<std::int32_t> roundInt32(double v) {
    if (!std::isfinite(v)) return std::nullopt;
    const double r = std::nearbyint(v);
    if (r < static_cast<double>(std::numeric_limits<std::int32_t>::min()) ||
        r > static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::nullopt;
    return static_cast<std::int32_t>(r);
}

}  // namespace

std::optional<MapTransform> computeMapTransform(const MapViewInput& in, bool withPan) {
    // The extent sides and the picture width are divisors; a data set on
    // one line, a collapsed picture or a zoom that reached 0 has no map.
    if (!allFinite(in)) return std::nullopt;
    if (in.extent.Width <= 0.0 || in.extent.Height <= 0.0) return std::nullopt;
    if (in.pictureWidth <= 0.0 || in.pictureHeight <= 0.0) return std::nullopt;
    if (in.scaleWidth <= 0.0 || in.scaleHeight <= 0.0) return std::nullopt;
    if (in.zoom <= 0.0) return std::nullopt;

    MapTransform t;
    const double r = in.extent.Height / in.extent.Width;
    t.extentAspect = r;
    const double s = (in.pictureHeight / in.pictureWidth) * in.zoom;
    t.viewScale = s;
    if (in.extent.Height < in.extent.Width) {
        t.drawnWidth = in.scaleWidth * s;
        t.drawnHeight = (in.scaleWidth * r) * s;
    } else {
        t.drawnHeight = in.scaleHeight * s;
        t.drawnWidth = (in.scaleHeight / r) * s;
    }
    t.halfDrawnWidth = t.drawnWidth / 2;
    t.halfDrawnHeight = t.drawnHeight / 2;
    t.halfPictureWidth = in.scaleWidth / 2;
    t.halfPictureHeight = in.scaleHeight / 2;
    t.marginX = t.halfPictureWidth - t.halfDrawnWidth;
    t.marginY = t.halfPictureHeight - t.halfDrawnHeight;
    if (withPan) {
        t.marginX += in.panShiftX;
        t.marginY += in.panShiftY;
    }
    t.mapScaleX = t.drawnWidth / in.extent.Width;
    t.mapScaleY = t.drawnHeight / in.extent.Height;
    t.mapOffsetX = -in.extent.Left;
    t.mapOffsetY = -(in.extent.Top - in.extent.Height);

    const double check[] = {t.drawnWidth, t.drawnHeight, t.marginX, t.marginY, t.mapScaleX, t.mapScaleY};
    for (double v : check)
        if (!std::isfinite(v)) return std::nullopt;
    if (t.mapScaleX <= 0.0 || t.mapScaleY <= 0.0) return std::nullopt;
    return t;
}

std::optional<DevicePoint> mapToDevice(const MapTransform& t, double panDragX, double panDragY,
                                       double X, double Y) {
    const auto x = roundInt32(t.mapScaleX * X + t.mapScaleX * t.mapOffsetX + t.marginX + panDragX);
    // The intermediate y is a whole number before the flip; only the pixel
    // itself has to fit 32 bits.
    const double y1 = std::nearbyint(t.mapScaleY * Y + t.mapScaleY * t.mapOffsetY);
    const auto y = roundInt32(t.drawnHeight - y1 + t.marginY + panDragY);
    if (!x || !y) return std::nullopt;
    return DevicePoint{*x, *y};
}

MapPoint mapToDeviceExact(const MapTransform& t, double panDragX, double panDragY, double X, double Y) {
    return MapPoint{t.mapScaleX * X + t.mapScaleX * t.mapOffsetX + panDragX + t.marginX,
                    t.drawnHeight - (t.mapScaleY * Y + t.mapScaleY * t.mapOffsetY) + panDragY + t.marginY};
}

MapPoint deviceToMap(const MapTransform& t, double panDragX, double panDragY, double x, double y) {
    return MapPoint{(x - t.mapScaleX * t.mapOffsetX - t.marginX - panDragX) / t.mapScaleX,
                    (t.mapScaleY * t.mapOffsetY + y - t.drawnHeight - t.marginY - panDragY) / (-t.mapScaleY)};
}
