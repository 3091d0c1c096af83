#pragma once
// Holds a rectangle as its bounds and reads its sides. Not a shape in the
// sense of IShape; the library keeps it, nothing in the program makes one.

#include "geometry/CRect.h"

class CShape {
public:
    double Top() const { return bounds_.Top(); }
    double Bottom() const { return bounds_.Bottom(); }
    double Left() const { return bounds_.Left(); }
    double Right() const { return bounds_.Right(); }

private:
    CRect bounds_;
};
