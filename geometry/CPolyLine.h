#pragma once
// A polyline record: an ordered 1-based list of lines (CPart) with its
// bounding box and a null flag.

#include "geometry/CPart.h"
#include "geometry/ShapeContainer.h"

class CPolyLine final : public ShapeContainer<CPart> {
public:
    CPolyLine()
        : ShapeContainer({"CPolyLine Add can only accept objects of type CPart", "CPolyLine::Add",
                          "CPolyLine::Remove"}) {}

    // Shows "NOT IMPLEMENTED" and gives 0.
    double Distance(const std::shared_ptr<IShape>& aShape) override;
};
