#pragma once
// Region areas and centroids of the opened polygon shapefile, which the
// kernel of both tests measures and scales its distances by.
//
// CalcPolygonArea fills partAreas (the unsigned area of every ring, and of
// every region in ring column 1) and studyArea (the sum of the region
// areas); CalcPolygonCentroid then fills centroidTable from the same
// polygons. Always called as the pair, in this order.

#include "stats/AppState.h"

namespace modFunctions {

void CalcPolygonArea(AppState& state);
void CalcPolygonCentroid(AppState& state);

}  // namespace modFunctions
