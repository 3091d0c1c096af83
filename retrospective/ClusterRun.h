#pragma once
// The computations of a cluster test run, apart from any window: the engine
// routines called in the fixed order of each test, for one bandwidth or for
// a range, and the lines they leave for the lists.
//
// A run computes into a working copy of the program-wide state and the
// caller commits the copy only when everything succeeded, so a run on data
// the test cannot handle changes nothing that was shown or saved before.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "map/PointTransform.h"
#include "platform/Error.h"
#include "retrospective/ClusterLines.h"
#include "stats/AppState.h"

namespace ClusterRun {

// Raised for data the test cannot be computed on; the description says why
// in words the user can act on.
inline constexpr const char* kDataErrorSource = "ClusterRun";

// What a window says of a run that raised `e`: the reason for data the
// test cannot be computed on, else the error with a word of context.
std::string failureText(const AppError& e);

// Checks that the counts, centroids and study area a run reads are there
// and usable; raises AppError (source kDataErrorSource) otherwise.
void checkData(const AppState& state);
// The same for point data, after the plain point map was drawn: at least
// three points, a map that could be drawn (`mapDrawn`: the points' extent
// has a width and a height) and a convex hull of the drawn points with a
// finite area above 0 (not all points on one line, as drawn nor in their
// own coordinates).
void checkPointData(const AppState& state, bool mapDrawn);


// The text of a run that ran out of memory, as the run's own error
// (RuntimeErrors::OutOfMemory, source kDataErrorSource).
inline constexpr const char* kOutOfMemoryText =
    "There is not enough memory left to compute the test on these data. The results shown before are kept.";

// A copy of the parts a run writes: the retrospective part without its
// matrices (every run sizes those it writes anew), the shared part (the
// bandwidth), and the study area and points (with point data the kernel
// derives the region count, study area and hull). The map view, legend and
// cusum are not copied.
AppState workingCopy(const AppState& state);
// Moves the working copy's parts into the state; the matrices the run did
// not write keep their earlier contents.
void commit(AppState& state, AppState&& work);

// A run's computation: `compute` on a working copy of `state` (its checks
// and its results), and the copy it leaves. Whatever it raises comes
// through; an allocation that fails anywhere in it, the copy itself
// included, raises the run's own out-of-memory error, so nothing of the
// state has changed either way.
AppState computeOnCopy(const AppState& state, const std::function<void(AppState&)>& compute);

// Measures the points for a run without drawing them: the coordinate
// copies of the view, the device points and pixel scales that the plain
// point map would give on a picture of `picture`'s size with the view's
// zoom, pan and drag (the pixel positions, rounded as drawn, from which the
// study area of the points is measured). Returns whether the map could be
// drawn (the points' extent has a width and a height); when it could not,
// the device points are all 0 and the scales are kept.
bool measurePoints(AppState& work, const PointMapInput& picture);

struct SingleResult {
    ResultLines lines;
    // The local statistic the class map shades, region by region.
    DoubleArray mapValues;
};

// One bandwidth (state.sigma already set): the test's computations in
// order, then its list lines.
SingleResult computeSingle(AppState& state, ClusterTest test, ListLayout layout = ListLayout::Regions);

// The number of bandwidths of a range, |from - to| / step + 1 rounded half
// to even; raises AppError (source kDataErrorSource) when it does not fit.
std::int16_t rangeCount(double from, double to, double step);

struct RangeResult {
    std::vector<std::string> globalLines;  // header, rule, one row per bandwidth, rule
    // The bandwidths whose M* had no value: the window gives the user its
    // notice once for each.
    std::int32_t mCriticalNotices = 0;
};

// Every bandwidth of the range: fills bandwidthCount, sigmaRangeEnd, the
// range tables and chartData. A bandwidth beyond `to` is clamped to `to`
// before it is computed; afterwards sigma holds the last bandwidth computed.
RangeResult computeRange(AppState& state, ClusterTest test, double from, double to, double step, std::int16_t count,
                         ListLayout layout = ListLayout::Regions);

}  // namespace ClusterRun
