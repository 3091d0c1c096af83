#pragma once
// One ring of a polygon or one line of a polyline: an ordered 1-based list
// of points with its bounding box. A part checks nothing about its points:
// a ring need not be closed and no orientation is required.

#include <cstdint>
#include <memory>

#include "geometry/CPoint.h"
#include "geometry/CRect.h"
#include "platform/Collection.h"

class CPart {
public:
    CPart() = default;

    double Left() const noexcept { return bounds_.Left(); }
    void Left(double aValue) noexcept { bounds_.Left(aValue); }
    double Right() const noexcept { return bounds_.Right(); }
    void Right(double aValue) noexcept { bounds_.Right(aValue); }
    double Top() const noexcept { return bounds_.Top(); }
    void Top(double aValue) noexcept { bounds_.Top(aValue); }
    double Bottom() const noexcept { return bounds_.Bottom(); }
    void Bottom(double aValue) noexcept { bounds_.Bottom(aValue); }

    std::int32_t Count() const noexcept { return points_.Count(); }
    // The point itself (not a copy); error 9 outside 1..Count.
    const std::shared_ptr<CPoint>& Item(std::int32_t index) const { return points_.Item(index); }
    const Collection<CPoint>& NewEnum() const noexcept { return points_; }
    auto begin() const noexcept { return points_.begin(); }
    auto end() const noexcept { return points_.end(); }

    // Takes the point out and derives the bounds anew from the rest; with
    // no point left the bounds stay. Error 9 (source "CPart::Remove")
    // outside 1..Count.
    void Remove(std::int32_t index);

    // Appends the point and widens the bounds. A missing point, or a shape
    // that is not a CPoint, raises vbObjectError + 527.
    void Add(const std::shared_ptr<CPoint>& aPoint);
    void Add(const std::shared_ptr<IShape>& aPoint);

    void Reserve(std::size_t n) { points_.Reserve(n); }

private:
    void widen(const CPoint& p) noexcept;

    Collection<CPoint> points_;
    CRect bounds_;
};
