#include "geometry/CPoint.h"

#include <cmath>
#include <limits>

#include "geometry/CPart.h"
#include "geometry/CPolyLine.h"
#include "geometry/CPolygon.h"
#include "platform/Error.h"

namespace {

constexpr std::int32_t kObjectNotSet = 91;

// Guarded arithmetic: an overflow or invalid operation raises the numbered
// error instead of carrying an infinity or NaN into the result.
struct Guard {
    const char* source;
    double f(double v) const { return checkedFinite(v, source); }
    double sub(double a, double b) const { return f(a - b); }
    double mul(double a, double b) const { return f(a * b); }
    double add(double a, double b) const { return f(a + b); }
    double div(double a, double b) const { return checkedDivide(a, b, source); }
    double sqrt(double v) const { return checkedSqrt(v, source); }
    double hyp(double dx, double dy) const { return sqrt(add(mul(dy, dy), mul(dx, dx))); }
};

// Walks every vertex and every segment of a shape's parts and keeps the
// smallest distance from (x, y). A polygon's rings are closed: when a ring
// does not repeat its first point, the closing segment is measured too.
double nearestOnParts(double x, double y, const Collection<CPart>& parts, bool closedRings, const char* source) {
    const Guard g{source};
    double minimum = std::numeric_limits<double>::infinity();
    bool any = false;
    auto segment = [&](const CPoint& a, const CPoint& s) {
        const double dx = g.sub(s.X(), a.X()), dy = g.sub(s.Y(), a.Y());
        const double px = g.sub(x, a.X()), py = g.sub(y, a.Y());
        const double len = g.hyp(dx, dy);
        if (len == 0.0) return;  // a repeated vertex: its vertex distance stands
        const double t = g.div(g.add(g.mul(px, dx), g.mul(dy, py)), len);
        if (t <= 0.0) return;  // foot at or behind A
        const double fx = g.mul(g.div(t, len), dx), fy = g.mul(g.div(t, len), dy);
        if (g.hyp(fx, fy) >= len) return;  // foot at or beyond S
        const double d = g.hyp(g.sub(px, fx), g.sub(py, fy));
        if (d < minimum) minimum = d;
    };
    for (const auto& part : parts) {
        const CPoint* previous = nullptr;
        for (const auto& pt : *part) {
            const double d = g.hyp(g.sub(x, pt->X()), g.sub(y, pt->Y()));
            if (d < minimum) minimum = d;
            any = true;
            if (previous) segment(*previous, *pt);
            previous = pt.get();
        }
        if (closedRings && part->Count() > 2) {
            const CPoint& first = *part->Item(1);
            const CPoint& last = *part->Item(part->Count());
            if (first.X() != last.X() || first.Y() != last.Y()) segment(last, first);
        }
    }
    // A shape without any vertex has no distance.
    if (!any) raiseSubscriptOutOfRange(source);
    return minimum;
}

}  // namespace

double CPoint::Distance(const std::shared_ptr<IShape>& aShape) {
    constexpr const char* source = "CPoint::IShape_Distance";
    if (!aShape) throw AppError(kObjectNotSet, "Object variable or With block variable not set", source);
    if (aShape->IsNull() || isNull_)
        throw AppError(vbObjectError + 530, "Cannot compute distance to a null shape", source);
    if (const auto* p = dynamic_cast<const CPoint*>(aShape.get())) return DistanceToPoint(*p);
    if (const auto* l = dynamic_cast<const CPolyLine*>(aShape.get())) return DistanceToPolyLine(*l);
    if (const auto* g = dynamic_cast<const CPolygon*>(aShape.get())) return DistanceToPolygon(*g);
    return 0.0;
}

double CPoint::DistanceToPoint(const CPoint& p) const {
    if (x_ == p.x_ && y_ == p.y_) return 0.0;
    const Guard g{"CPoint::DistanceToPoint"};
    return g.hyp(g.sub(x_, p.x_), g.sub(y_, p.y_));
}

double CPoint::DistanceToPolyLine(const CPolyLine& line) const {
    return nearestOnParts(x_, y_, line.NewEnum(), false, "CPoint::DistanceToPolyLine");
}

double CPoint::DistanceToPolygon(const CPolygon& polygon) const {
    return nearestOnParts(x_, y_, polygon.NewEnum(), true, "CPoint::DistanceToPolygon");
}
