#include "stats/modSorting.h"

#include <cmath>
#include <utility>

#include "platform/Error.h"

namespace modSorting {

namespace {

// The first gap is (U + 1) / 2 to the nearest integer, halves to even;
// the double sort rounds the quotient to single precision first.
template <typename T, typename Key>
void shellSort(std::vector<T>& a, Key key, bool singlePrecisionGap, const char* source) {
    if (a.empty()) raiseSubscriptOutOfRange(source);
    const std::int64_t upper = static_cast<std::int64_t>(a.size()) - 1;
    double first = static_cast<double>(upper + 1) / 2.0;
    if (singlePrecisionGap) first = static_cast<double>(static_cast<float>(first));
    std::int64_t gap = static_cast<std::int64_t>(std::nearbyint(first));
    while (gap >= 1) {
        bool exchanged;
        do {
            exchanged = false;
            for (std::int64_t i = 1; i <= upper - gap; ++i) {
                auto& lo = a[static_cast<std::size_t>(i)];
                auto& hi = a[static_cast<std::size_t>(i + gap)];
                if (key(lo) > key(hi)) {
                    std::swap(lo, hi);
                    exchanged = true;
                }
            }
        } while (exchanged);
        gap = static_cast<std::int64_t>(std::nearbyint(static_cast<double>(gap) / 2.0));
    }
}

}  // namespace

void ShellSortInteger(std::vector<std::int16_t>& a) {
    shellSort(a, [](std::int16_t v) { return v; }, false, "modSorting::ShellSortInteger");
}

void ShellSortDouble(std::vector<double>& a) {
    shellSort(a, [](double v) { return v; }, true, "modSorting::ShellSortDouble");
}

void ShellSortByValue(std::vector<IndexValue>& a) {
    shellSort(a, [](const IndexValue& v) { return v.Value; }, false, "modSorting::ShellSortByValue");
}

}  // namespace modSorting
