#include "geometry/CPart.h"

#include "platform/Error.h"

namespace {
constexpr const char* kAddError = "CPart can only accept objects of type CPoint";
}

void CPart::widen(const CPoint& p) noexcept {
    // Two choices per axis, not four independent tests: on inverted bounds
    // a point moves only one side.
    if (p.X() < bounds_.Left()) bounds_.Left(p.X());
    else if (p.X() > bounds_.Right()) bounds_.Right(p.X());
    if (p.Y() < bounds_.Bottom()) bounds_.Bottom(p.Y());
    else if (p.Y() > bounds_.Top()) bounds_.Top(p.Y());
}

void CPart::Add(const std::shared_ptr<CPoint>& aPoint) {
    if (!aPoint) throw AppError(vbObjectError + 527, kAddError, "CPart::Add");
    if (points_.Count() == 0) bounds_.Make(*aPoint, *aPoint);
    else widen(*aPoint);
    points_.Add(aPoint);
}

void CPart::Add(const std::shared_ptr<IShape>& aPoint) {
    auto point = std::dynamic_pointer_cast<CPoint>(aPoint);
    if (!point) throw AppError(vbObjectError + 527, kAddError, "CPart::Add");
    Add(point);
}

void CPart::Remove(std::int32_t index) {
    try {
        points_.Remove(index);
    } catch (const AppError& e) {
        throw e.withSource("CPart::Remove");
    }
    bool first = true;
    for (const auto& p : points_) {
        if (first) {
            bounds_.Make(*p, *p);
            first = false;
        } else {
            widen(*p);
        }
    }
}
