#pragma once
// The cusum on point data without its window: the point coordinate file,
// the point window's readings of the z-score file and of a saved cusum
// file, and the run from zero or continued from a saved cusum, with the
// lines and files of its results, and what the point window keeps. The
// arithmetic is the polygon cusum's (modCusum), on the points' own
// coordinates; the text is CusumLines'.
//
// Readers parse a whole file into temporaries and raise AppError with a
// text that says what is wrong, and where, before anything is handed back.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "geometry/Records.h"
#include "prospective/CusumFiles.h"
#include "stats/AppState.h"

namespace PointCoordinateFile {

struct Loaded {
    // Points 1..count (element 0 holds nothing): the ID as written,
    // blanks included, and the X and Y in map units.
    std::vector<CentroidRecord> points;
    std::int32_t count = 0;
};
// One line "ID,X,Y" per point. Refused: an unreadable or empty file, a
// first line with other than three fields, a later line with fewer, an
// X or Y that is not a finite number.
Loaded Read(const std::string& path);

}  // namespace PointCoordinateFile

namespace PointCusum {

// The new z-scores for `pointCount` points: line i is point i. An empty
// value is refused with "There is missing value in row <line> and column
// <c> in the dataset.", the rest as the period matrix file's reader; more
// periods than a run can have are refused as in the polygon window.
PeriodMatrixFile::Loaded ReadZScores(const std::string& path, std::int32_t pointCount);
// A saved cusum file for `pointCount` points (the header counts as line 1
// of the missing-value message).
CusumFile::Loaded ReadSaved(const std::string& path, std::int32_t pointCount);

// The result of a run, all it takes to list, chart, map and save it.
struct Result {
    bool previous = false;         // continued from a saved cusum
    std::int32_t pointCount = 0;   // N
    std::int32_t savedPeriods = 0; // P (0 from zero)
    std::int32_t newPeriods = 0;   // T
    double k = 0.0, h = 0.0;
    double kernelSigma = 0.0;      // sigma, or 1E-9 for 0
    Matrix cusum;                  // 0..N by 0..P+T: saved, then continued
    DoubleArray maxCusum;          // 0..P+T
    TextArray maxCusumId;          // 0..P+T
    TextArray labels;              // 0..N: the point IDs
    DoubleArray savedMaxCusum;     // 0..P: the largest saved value of each column, negatives included

    std::int32_t periods() const noexcept { return savedPeriods + newPeriods; }
};

// The kernel of the points: modCusum's kernel on their coordinates with the
// hull area as the study area. A sigma of 0 becomes 1E-9 (written back),
// which gives the identity and needs no area. Other sigmas need at least
// two points, a finite positive hull area and points that are not all on
// one line in their own coordinates, else AppError 5. Either matrix is
// refused, naming the points and the memory it would need, when the
// machine cannot hold it (AppError 7).
Matrix Weights(const std::vector<CentroidRecord>& points, std::int32_t pointCount, double& sigma,
               double hullArea);

// The run: smoothing of z (0..N by 0..T) with the kernel and the
// recursion, from zero when `saved` is null, else from the saved cusums'
// last column (the saved values are kept as they are, without a floor).
// `saved` must hold a row per point; one of no periods (a header without
// a comma) continues every point from 0. Raises AppError, committing nothing,
// when an input does not fit, a value leaves the double range or the memory
// left cannot hold the run (7). The kernel lives only while it smooths.
Result Run(const std::vector<CentroidRecord>& points, std::int32_t pointCount, const Matrix& z,
           std::int32_t periodCount, double k, double h, double sigma, double hullArea,
           const CusumFile::Loaded* saved);

// The period list: header, rule, a line per period 1..P+T, closing rule.
std::vector<std::string> PeriodListLines(const Result& r);
// The points (1..N) whose cusum in `period` is strictly above h.
std::vector<std::int32_t> SignalledPoints(const Result& r, std::int32_t period);
// The caption of point i in `period`: "<ID> in <period>: ---> <cusum 0.00>".
std::string PointCaption(const Result& r, std::int32_t point, std::int32_t period);

// The cusum file's lines (all P+T periods) and the result report's.
std::vector<std::string> CusumFileLines(const Result& r);
std::vector<std::string> ReportLines(const Result& r);
// Writes the cusum file's lines at `path` as CusumFile::Write does.
void WriteCusumFile(const std::string& path, const Result& r);

}  // namespace PointCusum

// What the point cusum window keeps across its closing: the files read,
// the result of the last run and its map's view.
struct PointCusumVars {
    PointCoordinateFile::Loaded coords;
    std::optional<PeriodMatrixFile::Loaded> newZ;
    std::optional<CusumFile::Loaded> saved;
    std::optional<PointCusum::Result> result;
    // The points the map draws: those of the last run, not a coordinate
    // file read since.
    std::vector<CentroidRecord> mapPoints;
    std::int32_t mapCount = 0;
    PointMapView view;
    // The period the map, the label and the signalled points show; 0 for none.
    std::int32_t shownPeriod = 0;
    std::vector<std::int32_t> signaledPoints;
    std::int32_t selectedPoint = 0;
    std::vector<bool> selectionFlags;
    double circleCentreX = 0.0, circleCentreY = 0.0;
};
