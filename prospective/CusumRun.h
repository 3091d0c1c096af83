#pragma once
// The cusum run of both cusum windows apart from their controls: the speed
// options and their waits, the one limit on periods, and the polygon run
// and the point run, each in three steps, as the cluster test's run has
// them: check the inputs, compute into a working copy, commit.
//
// A run raises AppError from its check and compute steps, memory running
// out included (error 7), and changes nothing there; only the commit, which
// moves what was computed and cannot fail, replaces the last run. A window
// therefore clears what it shows only once the working copy is whole.

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "map/PointTransform.h"
#include "platform/Error.h"
#include "prospective/PointCusum.h"
#include "stats/AppState.h"
#include "stats/modCusum.h"
#include "stats/modFunctions.h"
#include "ui/EventPump.h"

namespace CusumRun {

// The source of the refusals a window shows as they are; other errors are
// shown with a word of context (failureText).
inline constexpr const char* kRefusalSource = "CusumRun";

// What a polygon cusum run says when memory runs out, whichever of its
// steps (reading the periods, the kernel, the recursion) asked for it.
inline constexpr const char* kOutOfMemoryText =
    "There is not enough memory left to compute the cusum of this study area.";

// The lists and the map number the period shown in 16 bits.
inline constexpr std::int32_t kMostPeriods = std::numeric_limits<std::int16_t>::max();
// "A run can have at most 32767 periods; these data have <periods>."
std::string tooManyPeriodsText(std::int64_t periods);
// Raises the refusal above, naming them, when the periods a run shows
// exceed kMostPeriods: its new periods with the saved or loaded ones that
// its lists and chart number them among.
void checkPeriodCount(std::int64_t shown);

// ---- The speed options ----

// For each speed option, the count each window keeps as its delay (the
// polygon window in animationDelay) and the real time of the wait before
// each period.
struct SpeedOption {
    std::int32_t polygonDelay;
    std::int32_t pointDelay;
    double seconds;
};
inline constexpr SpeedOption kFast{1, 10000, 0.0};
inline constexpr SpeedOption kMedium{120000, 120000, 0.25};
inline constexpr SpeedOption kSlow{300000, 300000, 0.6};
// The wait before each period for a window's delay count.
Wait periodWait(std::int32_t delay);

// ---- The polygon run ----

// What a polygon window says of a run that raised `e`.
std::string failureText(const AppError& e);

// A continuation of a saved cusum: region i starts from start(i) (0..N)
// instead of 0. With `previousAndCurrent` the maximum chart shows the
// loaded periods' maxima (0..previousPeriodCount) first and the period
// list numbers the new periods on from them.
struct Continuation {
    DoubleArray start;
    DoubleArray previousMax;
    double previousPeriodCount = 0.0;
    bool previousAndCurrent = false;
};

// The periods as read: z-values 0..N by 0..count and the regions' names.
struct Periods {
    Matrix z;
    std::int32_t count = 0;
    TextArray names;
    bool fromText = false;
};

// Checks what a run on this study area reads before any period is read:
// its attribute table, one record per region, and a continuation's rows.
void checkArea(const AppState& state, const Continuation* from);

// The working copy: everything a run writes, computed whole.
struct Work {
    double k = 0.0, h = 0.0, sigma = 0.0;
    std::int32_t periods = 0;
    bool fromText = false;
    // Added to a period's number in its label.
    double labelOffset = 0.0;
    bool withPrevious = false;
    DoubleArray previousMax;
    Matrix smoothed;
    modCusum::CusumRun result;
    TextArray names;
};

// Smooths and runs the recursion on `periods` with k, h and the bandwidth
// (0 becomes 1E-9), from zero or from `from`.
Work compute(const AppState& state, Periods&& periods, double k, double h, double sigma,
             const Continuation* from);

// Replaces the last run's results with the working copy's.
void commit(AppState& state, Work&& work) noexcept;

// ---- The point run ----

// Checks that the files of the chosen start were read: the z-scores, and
// with `previous` the saved cusums too.
void checkPointFiles(const PointCusumVars& vars, bool previous);

// The working copy of a point run.
struct PointWork {
    // The points its map draws, and their count.
    std::vector<CentroidRecord> points;
    std::int32_t count = 0;
    // With a bandwidth above 0: the hull of the points as the plain map
    // draws them, whose area is the kernel's study area.
    std::optional<modFunctions::HullResult> hull;
    PointCusum::Result result;
    // The period list, header and rules included.
    std::vector<std::string> lines;
};

// The run on the files read: saved plus new periods within the limit, the
// hull measured from the points' pixels as the plain map would draw them
// on `picture` with the view's zoom, pan and drag in force, the kernel,
// smoothing and recursion (PointCusum::Run) with k, h and sigma, from zero
// or with `previous` from the saved cusums, and the period list.
PointWork computePoints(const PointCusumVars& vars, bool previous, double k, double h, double sigma,
                        const PointMapInput& picture);

// Replaces the last point run with the working copy: the points the map
// draws and the result with no period shown. The hull stays in the working
// copy: it is committed once the plain map of the new points is drawn.
void commitPoints(PointCusumVars& vars, PointWork&& work) noexcept;

}  // namespace CusumRun
