#include "map/PointTransform.h"

#include <algorithm>
#include <cmath>

#include "platform/Convert.h"
#include "stats/modSorting.h"

namespace {
constexpr const char* kSource = "PointTransform";
}

PointExtent findPointExtent(const std::vector<double>& xs, const std::vector<double>& ys) {
    PointExtent e;
    const std::size_t n = std::min(xs.size(), ys.size());
    if (n < 2) return e;
    e.minX = e.maxX = xs[1];
    e.minY = e.maxY = ys[1];
    for (std::size_t i = 2; i < n; ++i) {
        e.minX = std::min(e.minX, xs[i]);
        e.maxX = std::max(e.maxX, xs[i]);
        e.minY = std::min(e.minY, ys[i]);
        e.maxY = std::max(e.maxY, ys[i]);
    }
    return e;
}

std::optional<PointTransform> computePointTransform(const PointMapInput& in) {
    PointTransform t;
    t.extent = in.extent;
    const PointExtent& e = in.extent;
    const double padX = (e.maxX - e.minX) / 20.0;
    const double padY = (e.maxY - e.minY) / 20.0;
    t.extentLeft = e.minX - padX;
    t.extentWidth = std::fabs(padX + e.maxX - (e.minX - padX));
    t.extentTop = padY + e.maxY;
    t.extentHeight = std::fabs(padY + e.maxY - (e.minY - padY));
    if (!(t.extentWidth > 0.0) || !(t.extentHeight > 0.0) || !std::isfinite(t.extentWidth) ||
        !std::isfinite(t.extentHeight) || !(in.outerWidth > 0.0))
        return std::nullopt;
    t.aspectRatio = t.extentHeight / t.extentWidth;
    t.fitScale = (in.outerHeight / in.outerWidth) * in.zoom;
    if (t.extentHeight < t.extentWidth) {
        t.drawnWidth = in.innerWidth * t.fitScale;
        t.drawnHeight = in.innerWidth * t.aspectRatio * t.fitScale;
    } else {
        t.drawnHeight = in.innerHeight * t.fitScale;
        t.drawnWidth = in.innerHeight / t.aspectRatio * t.fitScale;
    }
    t.originX = in.innerWidth / 2.0 - t.drawnWidth / 2.0 + in.panX;
    t.originY = in.innerHeight / 2.0 - t.drawnHeight / 2.0 + in.panY;
    t.scaleX = t.drawnWidth / t.extentWidth;
    t.scaleY = t.drawnHeight / t.extentHeight;
    t.shiftX = -t.extentLeft;
    t.shiftY = -(t.extentTop - t.extentHeight);
    return t;
}

MapPoint pointPixelExact(const PointTransform& t, double dragX, double dragY, double X, double Y) {
    const double x = X * t.scaleX + t.shiftX * t.scaleX + t.originX + dragX;
    const double y = -(Y * t.scaleY + t.shiftY * t.scaleY) + t.drawnHeight + t.originY + dragY;
    return MapPoint{x, y};
}

DevicePoint pointPixel(const PointTransform& t, double dragX, double dragY, double X, double Y) {
    const MapPoint p = pointPixelExact(t, dragX, dragY, X, Y);
    return DevicePoint{toInt32(p.X, kSource), toInt32(p.Y, kSource)};
}

std::vector<DevicePoint> pointDevicePositions(const PointTransform& t, double dragX, double dragY,
                                              const std::vector<CentroidRecord>& points, std::int32_t n) {
    const std::int32_t m = std::clamp<std::int32_t>(n, 0, static_cast<std::int32_t>(points.empty() ? 0 : points.size() - 1));
    std::vector<DevicePoint> out(static_cast<std::size_t>(std::max(n, 0)) + 1, DevicePoint{0, 0});
    for (std::int32_t i = 1; i <= m; ++i) {
        const CentroidRecord& c = points[static_cast<std::size_t>(i)];
        out[static_cast<std::size_t>(i)] = pointPixel(t, dragX, dragY, c.X, c.Y);
    }
    return out;
}

std::int32_t nearestPoint(const PointTransform& t, double dragX, double dragY,
                          const std::vector<CentroidRecord>& points, std::int32_t n, double X, double Y) {
    const std::int32_t m = std::clamp<std::int32_t>(n, 0, static_cast<std::int32_t>(points.empty() ? 0 : points.size() - 1));
    if (m < 1) return 0;
    std::vector<IndexValue> d(static_cast<std::size_t>(m) + 1);
    for (std::int32_t i = 1; i <= m; ++i) {
        const CentroidRecord& c = points[static_cast<std::size_t>(i)];
        const MapPoint p = pointPixelExact(t, dragX, dragY, c.X, c.Y);
        d[static_cast<std::size_t>(i)] = IndexValue{static_cast<double>(i), std::pow(std::pow(p.X - X, 2.0) + std::pow(p.Y - Y, 2.0), 0.5)};
    }
    modSorting::ShellSortByValue(d);
    return static_cast<std::int32_t>(d[1].Index);
}
