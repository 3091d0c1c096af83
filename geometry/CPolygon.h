#pragma once
// A polygon record: an ordered 1-based list of rings (CPart) with its
// bounding box and a null flag. The program keeps one per region.

#include "geometry/CPart.h"
#include "geometry/ShapeContainer.h"

class CPolygon final : public ShapeContainer<CPart> {
public:
    CPolygon()
        : ShapeContainer({"CPolygon Add can only accept objects of type CPart", "CPolygon::Add",
                          "C_Polygon::Remove"}) {}

    // Shows "NOT IMPLEMENTED" and gives 0.
    double Distance(const std::shared_ptr<IShape>& aShape) override;
};
