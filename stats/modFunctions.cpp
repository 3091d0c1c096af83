#include "stats/modFunctions.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

#include "platform/CpuState.h"
#include "platform/Convert.h"
#include "platform/Error.h"
#include "stats/AppState.h"

namespace modFunctions {

namespace {

constexpr const char* kSource = "modFunctions::ConvexHullArea";

// Points 1..n must all be among the drawn device points.
void requireDrawnPoints(const PointState& points, std::int32_t n, const char* text, const char* source) {
    if (n < 0 || (n > 0 && static_cast<std::size_t>(n) >= points.devicePoints.size()))
        throw AppError(RuntimeErrors::SubscriptOutOfRange, text, source);
}

// Wraps points[1..n] in place and returns the number of hull vertices.
std::int32_t wrap(std::vector<DevicePoint>& P, std::int32_t n) {
    if (n < 1) return 0;
    auto at = [&P](std::int32_t i) -> DevicePoint& { return P[static_cast<std::size_t>(i)]; };
    std::int32_t k = 1;
    for (std::int32_t i = 2; i <= n; ++i)
        if (at(i).Y < at(k).Y || (at(i).Y == at(k).Y && at(i).X < at(k).X)) k = i;
    std::swap(at(1), at(k));

    auto theta = [&](std::int32_t a, std::int32_t b) {
        return Theta(static_cast<float>(at(a).X), static_cast<float>(at(a).Y), static_cast<float>(at(b).X),
                     static_cast<float>(at(b).Y));
    };
    std::int32_t m = 1;
    float v = 0.0f;
    for (;;) {
        float best = 360.0f;
        std::int32_t next = 0;
        for (std::int32_t i = m + 1; i <= n; ++i) {
            const float t = theta(m, i);
            if (t >= v && t < best) {
                next = i;
                best = t;
            }
        }
        const float t1 = theta(m, 1);
        if (t1 >= v && t1 <= best) break;
        // No point left to turn to: the hull is closed as far as it goes (all
        // points on one pixel, or rounding of the pseudo-angle at the end).
        if (next == 0) break;
        m = m + 1;
        std::swap(at(m), at(next));
        v = best;
    }
    return m;
}

}  // namespace

float Theta(float x1, float y1, float x2, float y2) {
    const float dx = x2 - x1;
    const float dy = y2 - y1;
    const float s = std::fabs(dx) + std::fabs(dy);
    float t;
    if (s == 0.0f)
        t = 360.0f / 9.0f;
    else
        t = dy / s;
    if (dx < 0.0f)
        t = 2.0f - t;
    else if (dy < 0.0f)
        t = t + 4.0f;
    return t * 90.0f;
}

HullResult ComputeConvexHull(const PointState& points) {
    CpuState::enterEngine();
    HullResult r;
    r.inputCount = toInt32(points.pointCount, kSource);
    requireDrawnPoints(points, r.inputCount, "The point map holds fewer drawn points than the data have points.", kSource);
    r.points = points.devicePoints;
    r.vertexCount = wrap(r.points, r.inputCount);
    r.hullPoints.assign(r.points.begin() + (r.vertexCount > 0 ? 1 : 0),
                        r.points.begin() + (r.vertexCount > 0 ? 1 + r.vertexCount : 0));

    // Shoelace over every edge of the closed hull; 64-bit products cannot
    // overflow for pixel coordinates.
    double sum = 0.0;
    const auto m = static_cast<std::size_t>(r.vertexCount);
    for (std::size_t k = 0; k < m; ++k) {
        const DevicePoint& a = r.hullPoints[k];
        const DevicePoint& b = r.hullPoints[(k + 1) % m];
        const std::int64_t d = static_cast<std::int64_t>(a.X) * b.Y - static_cast<std::int64_t>(b.X) * a.Y;
        sum = sum + static_cast<double>(d) * 0.5;
    }
    const double invX = checkedDivide(1.0, points.pointScaleX, kSource);
    const double invY = checkedDivide(1.0, points.pointScaleY, kSource);
    r.area = std::fabs(sum) * invX * invY;
    if (!std::isfinite(r.area))
        throw AppError(RuntimeErrors::Overflow,
                       "The coordinates of the points are too large: the area of their convex hull is beyond the "
                       "numbers this program can hold.",
                       kSource);
    return r;
}

void CommitConvexHull(PointState& points, HullResult&& hull) {
    points.devicePoints = std::move(hull.points);
    points.hullPoints = std::move(hull.hullPoints);
    points.hullInputCount = hull.inputCount;
    points.hullVertexCount = hull.vertexCount;
}

double ConvexHullArea(PointState& points) {
    CpuState::enterEngine();
    HullResult hull = ComputeConvexHull(points);
    const double area = hull.area;
    CommitConvexHull(points, std::move(hull));
    return area;
}

bool SpanAnArea(const std::vector<CentroidRecord>& points, std::int32_t n) {
    if (n < 3 || points.size() < static_cast<std::size_t>(n) + 1) return false;
    // In long double the differences and products of any two finite
    // coordinates stay finite.
    using Real = long double;
    auto at = [&points](std::int32_t i) -> const CentroidRecord& { return points[static_cast<std::size_t>(i)]; };
    // The line through point 1 and the point farthest from it ...
    const CentroidRecord& a = at(1);
    std::int32_t far = 1;
    Real farthest = 0, largest = 0;
    for (std::int32_t i = 1; i <= n; ++i) {
        const Real dx = Real(at(i).X) - a.X, dy = Real(at(i).Y) - a.Y;
        if (const Real d = dx * dx + dy * dy; d > farthest) {
            farthest = d;
            far = i;
        }
        largest = std::max({largest, std::fabs(Real(at(i).X)), std::fabs(Real(at(i).Y))});
    }
    if (farthest == 0) return false;
    const Real length = std::sqrt(farthest);
    const Real ux = (Real(at(far).X) - a.X) / length, uy = (Real(at(far).Y) - a.Y) / length;
    // ... and how far any point stands off it, against the rounding of the
    // coordinates and a billionth of the set's own size.
    const Real tolerance = 1e-9L * length + 8 * std::numeric_limits<double>::epsilon() * largest;
    for (std::int32_t i = 1; i <= n; ++i) {
        const Real off = std::fabs(ux * (Real(at(i).Y) - a.Y) - uy * (Real(at(i).X) - a.X));
        if (off > tolerance) return true;
    }
    return false;
}

void WrapConvexHull(PointState& points) {
    const std::int32_t n = points.hullInputCount;
    requireDrawnPoints(points, n, "The point map holds fewer drawn points than the hull is given.",
                       "modFunctions::WrapConvexHull");
    points.hullVertexCount = wrap(points.devicePoints, n);
}

}  // namespace modFunctions
