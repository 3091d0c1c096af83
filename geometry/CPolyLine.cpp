#include "geometry/CPolyLine.h"

#include "geometry/NotImplemented.h"

double CPolyLine::Distance(const std::shared_ptr<IShape>&) {
    notifyNotImplemented();
    return 0.0;
}
