#include "map/modArea.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/Error.h"

namespace modFunctions {
namespace {

// Copies the ring's vertices as stored (the closing vertex included) into
// ringVertices, used from 1.
void copyRing(AppState& state, const CPart& ring) {
    const std::int32_t n = ring.Count();
    state.area.ringVertices.assign(static_cast<std::size_t>(n) + 1, MapPoint{});
    std::int32_t k = 1;
    for (const auto& p : ring) {
        state.area.ringVertices[static_cast<std::size_t>(k)] = MapPoint{p->X(), p->Y()};
        ++k;
    }
}

// The shoelace term of the edge from vertex k to vertex k + 1.
double edgeTerm(const std::vector<MapPoint>& v, std::size_t k) {
    return v[k].X * v[k + 1].Y - v[k + 1].X * v[k].Y;
}

// Signed area of the ring in ringVertices: negative when it runs clockwise
// (y growing upward). No edge is added from the last vertex back to the
// first: the stored closing vertex closes a well-formed ring.
double signedRingArea(const std::vector<MapPoint>& v) {
    double a = 0.0;
    for (std::size_t k = 1; k + 1 < v.size(); ++k) a += 0.5 * edgeTerm(v, k);
    return a;
}

// A ring's signed area and, unless that is 0, its centroid.
struct RingMoments {
    double area = 0.0;
    double cx = 0.0, cy = 0.0;
};

RingMoments ringMoments(const std::vector<MapPoint>& v) {
    RingMoments m;
    m.area = signedRingArea(v);
    if (m.area == 0.0) return m;
    // Dividing by the signed area gives the true centroid of a ring in
    // either orientation.
    const double a = m.area;
    for (std::size_t k = 1; k + 1 < v.size(); ++k) {
        const double c = edgeTerm(v, k);
        m.cx += c * (v[k].X + v[k + 1].X) / (6 * a);
        m.cy += c * (v[k].Y + v[k + 1].Y) / (6 * a);
    }
    return m;
}

// Where a region has no area to weigh by (its rings are degenerate, or
// their signed areas cancel), the middle of its bounds stands in for the
// centroid, so that every region still gets a finite one.
MapPoint boundsCentre(const CPolygon& polygon) {
    return MapPoint{(polygon.Left() + polygon.Right()) / 2, (polygon.Top() + polygon.Bottom()) / 2};
}

}  // namespace

void CalcPolygonArea(AppState& state) {
    const std::int32_t n = state.area.regionCount;
    if (n < 0 || n > state.area.polygons.Count()) raiseSubscriptOutOfRange("CalcPolygonArea");

    std::int32_t ringMax = 0;
    for (std::int32_t i = 1; i <= n; ++i) ringMax = std::max(ringMax, state.area.polygons.Item(i)->Count());

    std::vector<std::vector<AreaRecord>> areas(static_cast<std::size_t>(n) + 1,
                                               std::vector<AreaRecord>(static_cast<std::size_t>(ringMax) + 1));
    double total = 0.0;
    for (std::int32_t i = 1; i <= n; ++i) {
        state.area.currentPolygon = state.area.polygons.Item(i);
        const CPolygon& polygon = *state.area.currentPolygon;
        double s = 0.0;
        for (std::int32_t j = 1; j <= polygon.Count(); ++j) {
            state.area.currentPart = polygon.Item(j);
            copyRing(state, *state.area.currentPart);
            const double a = checkedFinite(signedRingArea(state.area.ringVertices), "CalcPolygonArea");
            AreaRecord& rec = areas[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)];
            rec.PartArea = std::fabs(a);
            rec.Index = i;
            s += a;
        }
        if (polygon.Count() >= 1) areas[static_cast<std::size_t>(i)][1].PolygonArea = std::fabs(s);
        total += std::fabs(s);
    }
    checkedFinite(total, "CalcPolygonArea");

    state.area.partAreas = std::move(areas);
    state.area.studyArea = total;
}

void CalcPolygonCentroid(AppState& state) {
    const std::int32_t n = state.area.regionCount;
    if (n < 0 || n > state.area.polygons.Count()) raiseSubscriptOutOfRange("CalcPolygonCentroid");
    if (state.area.partAreas.size() < static_cast<std::size_t>(n) + 1) raiseSubscriptOutOfRange("CalcPolygonCentroid");

    std::vector<CentroidRecord> table(static_cast<std::size_t>(n) + 1);
    for (std::int32_t i = 1; i <= n; ++i) {
        state.area.currentPolygon = state.area.polygons.Item(i);
        const CPolygon& polygon = *state.area.currentPolygon;
        CentroidRecord& rec = table[static_cast<std::size_t>(i)];

        // The region's signed area (negative for the clockwise outer rings
        // of a shapefile) weighs each ring by its own signed area, so holes
        // subtract and either orientation of the whole region gives its
        // true centroid.
        double regionSigned = 0.0;
        std::vector<RingMoments> rings(static_cast<std::size_t>(polygon.Count()) + 1);
        for (std::int32_t j = 1; j <= polygon.Count(); ++j) {
            state.area.currentPart = polygon.Item(j);
            copyRing(state, *state.area.currentPart);
            rings[static_cast<std::size_t>(j)] = ringMoments(state.area.ringVertices);
            regionSigned += rings[static_cast<std::size_t>(j)].area;
        }

        bool placed = false;
        double x = 0.0, y = 0.0;
        for (std::int32_t j = 1; j <= polygon.Count(); ++j) {
            const RingMoments& r = rings[static_cast<std::size_t>(j)];
            if (r.area == 0.0) continue;  // a degenerate ring has no centroid and no weight
            if (polygon.Count() == 1) {
                x = r.cx;
                y = r.cy;
                placed = true;
            } else if (regionSigned != 0.0) {
                x += r.cx * r.area / regionSigned;
                y += r.cy * r.area / regionSigned;
                placed = true;
            }
        }
        if (!placed) {
            const MapPoint c = boundsCentre(polygon);
            x = c.X;
            y = c.Y;
        }
        rec.X = checkedFinite(x, "CalcPolygonCentroid");
        rec.Y = checkedFinite(y, "CalcPolygonCentroid");
        rec.ID = std::to_string(i);
    }
    state.area.centroidTable = std::move(table);
}

}  // namespace modFunctions
