#include "stats/KernelMemory.h"

#include <unistd.h>

#include <cmath>
#include <string>

#include "platform/Error.h"

namespace KernelMemory {

namespace {

// A size as people read it: "750 MB", "2.5 GB", "80 GB".
std::string sizeText(double bytes) {
    constexpr double kMB = 1e6, kGB = 1e9;
    if (bytes < kGB) return std::to_string(static_cast<long long>(std::ceil(bytes / kMB))) + " MB";
    if (bytes < 10 * kGB) {
        const long long tenths = static_cast<long long>(std::ceil(bytes / kGB * 10));
        return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " GB";
    }
    return std::to_string(static_cast<long long>(std::ceil(bytes / kGB))) + " GB";
}

}  // namespace

void Require(std::int64_t count, int matrices, const char* rows, const char* source) {
    const double side = static_cast<double>(count) + 1.0;
    const double bytes = static_cast<double>(matrices) * 8.0 * side * side;
    const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0) return;  // unknown: the allocation itself will tell
    const double physical = static_cast<double>(pages) * static_cast<double>(pageSize);
    if (bytes <= physical) return;
    raiseOutOfMemory(source, "There is not enough memory for the kernel matrices of " + std::to_string(count) + " " +
                                 rows + ": they would need about " + sizeText(bytes) + ", and this computer has " +
                                 sizeText(physical) + ".");
}

}  // namespace KernelMemory
