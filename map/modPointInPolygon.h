#pragma once
// Which region lies under a pixel of the map: the inverse of the map
// transform and an angle-sum point-in-polygon test over the rings of every
// region, in record order.

#include <cstdint>
#include <vector>

#include "geometry/Records.h"

struct AppState;

namespace modFunctions {

// The angle whose tangent is opposite / adjacent, in (-pi, pi], with pi
// taken as 3.14159265; an adjacent side below 0.0001 in size counts as a
// right angle.
double ATan2(double opposite, double adjacent);

// (A - B) . (C - B)
double DotProduct(double Ax, double Ay, double Bx, double By, double Cx, double Cy);
// (A - B) x (C - B), the z component.
double CrossProductLength(double Ax, double Ay, double Bx, double By, double Cx, double Cy);
// The signed angle ABC at B; the dot and cross products are kept in single
// precision first.
double GetAngle(double Ax, double Ay, double Bx, double By, double Cx, double Cy);

// True when (X, Y) lies in the ring whose distinct vertices are pts(1..n)
// (pts(0) is not read): the angles the edges subtend at the point add up to
// about +-2 pi inside and about 0 outside, for either orientation. A ring of
// no vertices, or n beyond the array, holds nothing.
bool PointInPolygon(float X, float Y, std::int32_t n, const std::vector<MapPoint>& pts);

// Turns the mouse position (X, Y) on the map picture, in pixels, into map
// units with the inverse of the last drawing's transform (drag offset
// included) and writes them back into X and Y; then looks for the region
// under it and leaves its 0-based index in selectedRegion.
//
// The first region of one ring that holds the point wins at once; otherwise
// the last region of several rings that holds it. Returns false when no
// region holds the point: selectedRegion is then 0, but the click selected
// nothing and the tools leave it alone. Without a usable transform (no
// drawing yet, or a zero scale) nothing is looked up and X, Y stay.
bool IdentifyRegion(AppState& state, float& X, float& Y);

}  // namespace modFunctions
