#pragma once
// A multipoint record: an ordered 1-based list of points with its bounding
// box and a null flag.

#include "geometry/CPoint.h"
#include "geometry/ShapeContainer.h"

class CMultiPoint final : public ShapeContainer<CPoint> {
public:
    CMultiPoint()
        : ShapeContainer({"CMultiPoint Add can only accept objects of type CPoints", "CMultiPoint::Add",
                          "CMultiPoint::Remove"}) {}

    using ShapeContainer::Add;
    // A shape that is not a CPoint (or a missing one) raises vbObjectError + 527.
    void Add(const std::shared_ptr<IShape>& aPoint);

    // Shows "NOT IMPLEMENTED" and gives 0.
    double Distance(const std::shared_ptr<IShape>& aShape) override;
};
