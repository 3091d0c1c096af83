#include "geometry/CRect.h"

#include "geometry/NotImplemented.h"

void CRect::MakeEmpty() noexcept { MakeXY(0.0, 0.0, 0.0, 0.0); }

void CRect::Make(const CPoint& originPoint, const CPoint& sizePoint) noexcept {
    // Read both before writing, so the same point may stand on both sides.
    const double left = originPoint.X(), top = originPoint.Y();
    const double right = sizePoint.X(), bottom = sizePoint.Y();
    MakeXY(left, top, right, bottom);
}

void CRect::MakeXY(double x1, double y1, double x2, double y2) noexcept {
    topLeft_.X(x1);
    topLeft_.Y(y1);
    bottomRight_.X(x2);
    bottomRight_.Y(y2);
}

double CRect::Distance(const std::shared_ptr<IShape>&) {
    notifyNotImplemented();
    return 0.0;
}
