#pragma once
// The point case file of the cluster test on point data: one point per
// line, "ID,X,Y,a,b" with no header, where a and b are a population and a
// case count, or an observed and an expected count.
//
// The whole file is read into a PointCaseData first, and only a file whose
// every line is valid and whose counts the test can be computed on is
// committed to the program-wide inputs; a refused file leaves the earlier
// points and counts as they were.

#include <string>
#include <vector>

#include "stats/AppState.h"

namespace PointCaseFile {

enum class Format { PopulationCase, ObsExp };

// Source of the refusals, whose descriptions are the messages to show.
inline constexpr const char* kRefusalSource = "PointCaseFile";
// The message when the first line does not hold exactly five fields.
inline constexpr const char* kFormatMessage =
    "Data does not fit the required format. Check the data and requirement, please.";

struct PointCaseData {
    double pointCount = 0.0;
    std::vector<CentroidRecord> centroidTable;  // 0..N
    DoubleArray population, observed, expected, expectedShare;  // 0..N
    double totalCases = 0.0;
};

// Parses the lines of a file (without their line ends) and derives the
// expected counts and shares. Raises AppError (source kRefusalSource) with
// a message naming the line for: no line at all, a line that is empty or
// does not hold five fields, a coordinate or count that is not a finite
// number, a negative count, a total population or case count of 0, and an
// expected count of 0 or less. A first line that is empty or does not hold
// five fields gets the format message.
PointCaseData parse(const std::vector<std::string>& lines, Format format);

// Reads and parses the file at `path` (errors of reading raise AppError as
// readTextFileLines does).
PointCaseData read(const std::string& path, Format format);

// Moves the data into the program-wide inputs: pointCount, centroidTable,
// population, observed, expected, expectedShare and totalCases.
void commit(AppState& state, PointCaseData&& data);

}  // namespace PointCaseFile
