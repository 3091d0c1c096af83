#pragma once
// The text lines of the cluster test's results: the global and local lists
// of a single-bandwidth run, the list rows of a range run, and the result
// report. Every line is built from the program-wide results with the
// number masks and fixed-width fields the layouts fix; lists use the
// display decimal sign, the report always ".".
//
// A value that is not a finite number never reaches a line: the builders
// raise error 6 instead, so a caller that builds its lines before it shows
// them can refuse the whole result.

#include <cstdint>
#include <string>
#include <vector>

struct AppState;

// The four tests of the cluster window, in the order its options stand.
enum class ClusterTest { Unadjusted, AdjustedPoisson, FreemanTukey, Rossi };

inline bool isScoreTest(ClusterTest t) { return t == ClusterTest::Unadjusted || t == ClusterTest::AdjustedPoisson; }
inline bool isMTest(ClusterTest t) { return !isScoreTest(t); }

// The two kinds of data the lists and reports are laid out for: regions of
// a polygon study area (named by their ID fields), or points of a point
// case file (named by the file's IDs), whose columns stand differently.
enum class ListLayout { Regions, Points };

// The lines of a single run's lists, and how many times the critical
// value M* they show had no value (it then reads 0): the window that shows
// the lines gives the user the notice of such an M* once for each.
struct ResultLines {
    std::vector<std::string> global;
    std::vector<std::string> local;
    std::int32_t mCriticalNotices = 0;
};

// The lines of a report, with the same count of M* without a value.
struct ReportLines {
    std::vector<std::string> lines;
    std::int32_t mCriticalNotices = 0;
};

namespace ClusterLines {

// Where the rows of the lists stand, for windows that select them: the
// local list of a single run opens with three lines of header, so region
// record r (0-based, as the map counts) stands at row r + 3, and point i
// (1-based) at row i + 2; the global
// list of a range run opens with its header and a rule, so bandwidth k
// (0-based) stands at row k + 2.
inline constexpr int kLocalListHeaderRows = 3;
inline constexpr int kRangeListHeaderRows = 2;
inline int localRowOfRegion(int record) { return record + kLocalListHeaderRows; }
inline int regionOfLocalRow(int row) { return row - kLocalListHeaderRows; }
inline int localRowOfPoint(int point) { return point + kLocalListHeaderRows - 1; }
inline int pointOfLocalRow(int row) { return row - kLocalListHeaderRows + 1; }
inline int rangeRowOfBandwidth(int index) { return index + kRangeListHeaderRows; }
inline int bandwidthOfRangeRow(int row) { return row - kRangeListHeaderRows; }

// A number formatted with a mask; raises error 6 for infinity or NaN.
std::string F(double value, const char* mask, char decimalSign);
// F with the display decimal sign, for lists.
std::string FD(double value, const char* mask);
// A text right-aligned in a field of `width` characters (a longer text stays whole).
std::string R(const std::string& text, std::size_t width);

// The lines of the single-bandwidth lists. They call the p-value and
// critical-value routines in the order the rows stand.
ResultLines unadjustedScore(AppState& state, ListLayout layout = ListLayout::Regions);
ResultLines adjustedScore(AppState& state, ListLayout layout = ListLayout::Regions);
ResultLines mStatistic(AppState& state, ListLayout layout = ListLayout::Regions);

// One bandwidth of a range run, as the run computed it.
struct RangeRow {
    double sigma = 0.0;      // the bandwidth its statistics belong to
    double statistic = 0.0;  // global U, or the maximum M for the M tests
    double chiSquare = 0.0;
    double df = 0.0;
    double pValue = 0.0;
    double maxM = 0.0;       // adjusted test: maximum M of the Poisson residuals
    double mCritical = 0.0;
};

// The header line of the global list of a range run, and one row.
std::string rangeHeader(ClusterTest test, ListLayout layout = ListLayout::Regions);
std::string rangeRow(ClusterTest test, const RangeRow& row, ListLayout layout = ListLayout::Regions);
// A line of 50 hyphens that frames the range rows.
std::string rangeRule();
// The labels of the statistics plot's rows, one per bandwidth of the last
// range run: the bandwidth each row was computed at (the clamped last one
// included), to three decimals for regions and two for points.
std::vector<std::string> rangeChartLabels(const AppState& state, ListLayout layout = ListLayout::Regions);

// The result report, line by line (without line ends).
ReportLines singleReport(AppState& state, ClusterTest test, ListLayout layout = ListLayout::Regions);
std::vector<std::string> rangeReport(const AppState& state, ClusterTest test, ListLayout layout = ListLayout::Regions);

}  // namespace ClusterLines
