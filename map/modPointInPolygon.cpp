#include "map/modPointInPolygon.h"

#include <algorithm>
#include <cmath>

#include "geometry/CPolygon.h"
#include "map/MapTransform.h"
#include "map/modDrawPolygon.h"
#include "stats/AppState.h"

namespace modFunctions {

namespace {
constexpr double kPi = 3.14159265;

// Copies ring `part` into `ringVertices` (0..m, used from 1), each
// coordinate multiplied by 100, and returns m.
std::int32_t copyScaledRing(const CPart& part, std::vector<MapPoint>& ringVertices) {
    const std::int32_t m = part.Count();
    ringVertices.assign(static_cast<std::size_t>(m) + 1, MapPoint{});
    for (std::int32_t k = 1; k <= m; ++k) {
        const CPoint& p = *part.Item(k);
        ringVertices[static_cast<std::size_t>(k)] = MapPoint{p.X() * 100.0, p.Y() * 100.0};
    }
    return m;
}
}  // namespace

double ATan2(double opposite, double adjacent) {
    double a;
    if (std::fabs(adjacent) < 0.0001) {
        a = kPi / 2;
    } else {
        const double q = opposite / adjacent;
        // An overflowing quotient is a right angle all the same.
        a = std::isfinite(q) ? std::fabs(std::atan(q)) : kPi / 2;
    }
    if (adjacent < 0) a = kPi - a;
    if (opposite < 0) a = -a;
    return a;
}

double DotProduct(double Ax, double Ay, double Bx, double By, double Cx, double Cy) {
    return (Ax - Bx) * (Cx - Bx) + (Ay - By) * (Cy - By);
}

double CrossProductLength(double Ax, double Ay, double Bx, double By, double Cx, double Cy) {
    return (Ax - Bx) * (Cy - By) - (Ay - By) * (Cx - Bx);
}

double GetAngle(double Ax, double Ay, double Bx, double By, double Cx, double Cy) {
    const float dot = static_cast<float>(DotProduct(Ax, Ay, Bx, By, Cx, Cy));
    const float cross = static_cast<float>(CrossProductLength(Ax, Ay, Bx, By, Cx, Cy));
    return ATan2(cross, dot);
}

bool PointInPolygon(float X, float Y, std::int32_t n, const std::vector<MapPoint>& pts) {
    if (n < 1 || static_cast<std::size_t>(n) >= pts.size()) return false;
    const double px = X, py = Y;
    const auto& last = pts[static_cast<std::size_t>(n)];
    float s = static_cast<float>(GetAngle(last.X, last.Y, px, py, pts[1].X, pts[1].Y));
    for (std::int32_t i = 1; i <= n - 1; ++i) {
        const auto& a = pts[static_cast<std::size_t>(i)];
        const auto& c = pts[static_cast<std::size_t>(i) + 1];
        s = static_cast<float>(static_cast<double>(s) + GetAngle(a.X, a.Y, px, py, c.X, c.Y));
    }
    return std::fabs(s) > 1e-5f;
}

bool IdentifyRegion(AppState& state, float& X, float& Y) {
    state.shared.selectedRegion = 0;
    const double sx = state.view.transform.mapScaleX, sy = state.view.transform.mapScaleY;
    if (!(std::isfinite(sx) && std::isfinite(sy)) || sx == 0.0 || sy == 0.0) return false;

    const MapPoint m = deviceToMap(state.view.transform, state.view.panDragX, state.view.panDragY, X, Y);
    if (!std::isfinite(m.X) || !std::isfinite(m.Y)) return false;
    X = static_cast<float>(m.X);
    Y = static_cast<float>(m.Y);

    const float px = static_cast<float>(static_cast<double>(X) * 100.0);
    const float py = static_cast<float>(static_cast<double>(Y) * 100.0);

    // The region count and the collection agree after an opening; should
    // they not, only the polygons that are there are tested. The polygon
    // and ring under test and the ring's scaled vertices are the shared
    // ones the area and centroid routines also work in.
    const std::int32_t count = std::min(state.area.regionCount, state.area.polygons.Count());
    std::vector<MapPoint>& ringVertices = state.area.ringVertices;
    bool hit = false;
    std::int32_t c = 0;
    for (std::int32_t i = 1; i <= count; ++i, ++c) {
        state.area.currentPolygon = state.area.polygons.Item(i);
        if (!state.area.currentPolygon) continue;
        const CPolygon& polygon = *state.area.currentPolygon;
        const std::int32_t rings = polygon.Count();
        if (rings > 1) {
            // A later hit replaces this one, so every ring of every
            // polygon of several rings is tested.
            for (std::int32_t j = 1; j <= rings; ++j) {
                state.area.currentPart = polygon.Item(j);
                const std::int32_t m = copyScaledRing(*state.area.currentPart, ringVertices);
                if (PointInPolygon(px, py, m - 1, ringVertices)) {
                    state.shared.selectedRegion = c;
                    hit = true;
                }
            }
        } else if (rings == 1) {
            state.area.currentPart = polygon.Item(1);
            const std::int32_t m = copyScaledRing(*state.area.currentPart, ringVertices);
            if (PointInPolygon(px, py, m - 1, ringVertices)) {
                state.shared.selectedRegion = c;
                return true;
            }
        }
    }
    return hit;
}

}  // namespace modFunctions
