#pragma once
// The synthetic cusum data of the benchmark figures: a grid of unit squares
// written as a study area, and z-values over periods with a rising patch.

#include <string>

#include "stats/AppState.h"

// Writes grid.shp, .shx and .dbf into `folder`: cols x rows unit squares,
// region k = row * cols + col + 1, with a NAME field "Region k". Returns the
// .shp path.
std::string writeSquareGrid(const std::string& folder, int cols, int rows);

// z-values of n regions over t periods (rows and columns from 1) for regions
// laid out `cols` to a row: a wave, and from the middle period on a rising
// patch in the 6 x 6 corner of the first regions.
Matrix cornerOutbreakZ(int n, int t, int cols);
