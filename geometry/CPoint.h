#pragma once
// A point: a pair of coordinates in map units with a null flag. It is a
// shape of its own (the record of a point shapefile) and the vertex of every
// other shape. The point is the one shape that measures distances: to
// another point, to a polyline and to a polygon.

#include <memory>

#include "geometry/IShape.h"

class CPolyLine;
class CPolygon;

class CPoint : public IShape {
public:
    CPoint() = default;
    CPoint(double x, double y) : x_(x), y_(y) {}

    double X() const noexcept { return x_; }
    void X(double XValue) noexcept { x_ = XValue; }
    double Y() const noexcept { return y_; }
    void Y(double YValue) noexcept { y_ = YValue; }

    // Library-internal: the reader marks a null record with it.
    void SetIsNull(bool value) noexcept { isNull_ = value; }

    double Top() const override { return y_; }
    double Bottom() const override { return y_; }
    double Left() const override { return x_; }
    double Right() const override { return x_; }
    bool IsNull() const override { return isNull_; }
    void MakeNull(bool RHS) override { isNull_ = RHS; }

    // Distance from this point to a point, a polyline or a polygon; any
    // other shape gives 0. A null shape on either side raises
    // vbObjectError + 530; a missing shape raises error 91.
    double Distance(const std::shared_ptr<IShape>& aShape) override;

    double DistanceToPoint(const CPoint& p) const;
    // The true minimum over every vertex and every segment of the shape.
    double DistanceToPolyLine(const CPolyLine& line) const;
    double DistanceToPolygon(const CPolygon& polygon) const;

private:
    double x_ = 0.0;
    double y_ = 0.0;
    bool isNull_ = false;
};
