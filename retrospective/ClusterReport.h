#pragma once
// The save of a cluster test's report, as both cluster windows make it: the
// save dialog starts at the file of the last save, the lines are built once
// a file was chosen, and a report that cannot be built or written says so
// and changes no file.

#include <functional>
#include <string>
#include <vector>

namespace ClusterReport {

// Offers the save dialog and writes the report `lines` builds to the chosen
// file; `lastSaveName` then names that file.
void save(std::string& lastSaveName, const std::function<std::vector<std::string>()>& lines);

}  // namespace ClusterReport
