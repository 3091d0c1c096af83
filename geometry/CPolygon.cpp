#include "geometry/CPolygon.h"

#include "geometry/NotImplemented.h"

double CPolygon::Distance(const std::shared_ptr<IShape>&) {
    notifyNotImplemented();
    return 0.0;
}
