#pragma once
// In-place ascending sorts of the program's arrays, which run from index 0
// and hold nothing there: elements 1 to the upper bound are sorted, element
// 0 is never read or written. One diminishing-gap exchange sort, written
// for three element types; ties end where its exact passes leave them.
// An array that was never sized (empty) raises error 9 and changes nothing.

#include <cstdint>
#include <vector>

#include "geometry/Records.h"

namespace modSorting {

void ShellSortInteger(std::vector<std::int16_t>& a);
void ShellSortDouble(std::vector<double>& a);
// Keyed on Value; whole records (Index and Value) move.
void ShellSortByValue(std::vector<IndexValue>& a);

}  // namespace modSorting
