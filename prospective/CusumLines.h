#pragma once
// The text of the cusum results: the lines of the period list and of the
// signalled-region list (display decimal sign), the result report (".")
// and the display names of the regions.

#include <cstdint>
#include <string>
#include <vector>

#include "stats/AppState.h"

class DbfTable;

namespace CusumLines {

// The header and the rule of the period list.
std::string periodHeader();
std::string rule();

// Label "@@@@@", two blanks, the maximum "###0.00" in 7, five blanks, the
// region in 16.
std::string periodLine(std::int64_t label, double maxCusum, const std::string& region);
// The cusum "###0.00" in 8, " <---", the name in 18.
std::string signalledLine(double cusum, const std::string& name);

// The name of record `record` (1-based): the primary field's text, or that
// text, " (", the secondary field's text and ") ". A null value gives
// empty text, a field the table does not hold too.
std::string regionName(const DbfTable& table, std::int32_t record, const std::string& primary,
                       const std::string& secondary);

// The report of the last run: its period count, maxima, labels and
// cusums (regionCount rows).
std::vector<std::string> report(const CusumState& cusum, std::int32_t regionCount);

}  // namespace CusumLines
