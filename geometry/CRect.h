#pragma once
// An axis-aligned rectangle: the bounds of the multi-part shapes and the
// extent of a shapefile. Nothing keeps the sides in order: every setter
// stores what it is given, and an inverted rectangle stays inverted.

#include <memory>

#include "geometry/CPoint.h"
#include "geometry/IShape.h"

class CRect : public IShape {
public:
    CRect() = default;

    double Top() const override { return topLeft_.Y(); }
    double Left() const override { return topLeft_.X(); }
    double Bottom() const override { return bottomRight_.Y(); }
    double Right() const override { return bottomRight_.X(); }
    void Top(double aValue) noexcept { topLeft_.Y(aValue); }
    void Bottom(double aValue) noexcept { bottomRight_.Y(aValue); }
    void Left(double aValue) noexcept { topLeft_.X(aValue); }
    void Right(double aValue) noexcept { bottomRight_.X(aValue); }

    // All four sides 0; the null flag stays.
    void MakeEmpty() noexcept;
    // Left/Top from originPoint, Right/Bottom from sizePoint (the opposite
    // corner, not a size). The coordinates are copied.
    void Make(const CPoint& originPoint, const CPoint& sizePoint) noexcept;
    void MakeXY(double x1, double y1, double x2, double y2) noexcept;

    // Library-internal, for anything with the four sides (a shape or a
    // part): its sides; and each side moved out to its side where that lies
    // beyond (true when one moved).
    template <typename Bounded>
    void MakeFrom(const Bounded& b) {
        MakeXY(b.Left(), b.Top(), b.Right(), b.Bottom());
    }
    template <typename Bounded>
    bool Widen(const Bounded& b) {
        bool moved = false;
        if (b.Left() < Left()) { Left(b.Left()); moved = true; }
        if (b.Right() > Right()) { Right(b.Right()); moved = true; }
        if (b.Top() > Top()) { Top(b.Top()); moved = true; }
        if (b.Bottom() < Bottom()) { Bottom(b.Bottom()); moved = true; }
        return moved;
    }

    // Library-internal.
    void SetIsNull(bool value) noexcept { isNull_ = value; }

    bool IsNull() const override { return isNull_; }
    void MakeNull(bool RHS) override { isNull_ = RHS; }
    // Shows "NOT IMPLEMENTED" and gives 0, whatever aShape is.
    double Distance(const std::shared_ptr<IShape>& aShape) override;

private:
    CPoint topLeft_;
    CPoint bottomRight_;
    bool isNull_ = false;
};
