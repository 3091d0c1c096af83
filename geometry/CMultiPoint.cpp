#include "geometry/CMultiPoint.h"

#include "geometry/NotImplemented.h"

void CMultiPoint::Add(const std::shared_ptr<IShape>& aPoint) {
    auto point = std::dynamic_pointer_cast<CPoint>(aPoint);
    if (!point) throw AppError(vbObjectError + 527, "CMultiPoint Add can only accept objects of type CPoints", "CMultiPoint::Add");
    ShapeContainer::Add(point);
}

double CMultiPoint::Distance(const std::shared_ptr<IShape>&) {
    notifyNotImplemented();
    return 0.0;
}
