#pragma once
// The synthetic cusum data of the benchmark figures: a grid of unit squares
// written as a study area, a table of observed and expected counts over
// periods, and z-values over periods with a rising patch.

#include <string>

#include "stats/AppState.h"

// Writes grid.shp, .shx and .dbf into `folder`: cols x rows unit squares,
// region k = row * cols + col + 1, with a NAME field "Region k". Returns the
// .shp path. Throws std::runtime_error, naming the file and the cause, when
// a file cannot be made or written.
std::string writeSquareGrid(const std::string& folder, int cols, int rows);

// Writes counts.dbf into `folder`: n records with t observed fields O1..Ot
// then t expected fields E1..Et. Returns its path; throws as above.
std::string writeCountTable(const std::string& folder, int n, int t);

// z-values of n regions over t periods (rows and columns from 1) for regions
// laid out `cols` to a row: a wave, and from the middle period on a rising
// patch in the 6 x 6 corner of the first regions.
Matrix cornerOutbreakZ(int n, int t, int cols);
