#pragma once
// What every shape has in common: its bounds (Y grows upward, so Top is the
// largest Y), a null flag that marks a record without geometry, and the
// distance to another shape. Shapes are held by std::shared_ptr; a missing
// shape is an empty pointer.

#include <memory>

class IShape {
public:
    virtual ~IShape() = default;

    virtual double Top() const = 0;
    virtual double Bottom() const = 0;
    virtual double Left() const = 0;
    virtual double Right() const = 0;
    virtual bool IsNull() const = 0;
    // Sets the null flag; the bounds and contents stay as they are.
    virtual void MakeNull(bool TrueORFalse) = 0;
    virtual double Distance(const std::shared_ptr<IShape>& aShape) = 0;
};

using ShapePtr = std::shared_ptr<IShape>;
