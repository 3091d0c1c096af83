#include "stats/CusumThreshold.h"

#include <charconv>
#include <cmath>
#include <string>

#include "platform/CpuState.h"
#include "platform/Error.h"
#include "platform/Format.h"

namespace cusumThreshold {

namespace {
constexpr const char* kSource = "cusumThreshold.hForARL";
// The boundary correction of Siegmund's approximation.
constexpr double kBoundary = 1.166;
}  // namespace

double multiplier(Variant variant, double regions, double sigma) {
    CpuState::enterEngine();
    switch (variant) {
        case Variant::OverallRegion:
            return 1.0;
        case Variant::Bonferroni:
            return regions;
        case Variant::SpatialAutocorrelation:
            if (sigma == 0) sigma = 1E-10;
            return regions / (sigma * 0.81 + 1);
    }
    return 1.0;
}

double hForARL(double k, double arl0, double m) {
    CpuState::enterEngine();
    const double a = (std::pow(k, 2) + std::pow(k, 2)) * arl0 * m;
    if (!std::isfinite(a)) raiseOverflow(kSource);
    const double x = a + 1;
    const double l = std::log(x);
    const double h = ((a + 2) / (a + 1)) * l / (k + k);
    if (!std::isfinite(h)) raiseOverflow(kSource);
    // The two-decimal text is what the correction is taken from, so the
    // result normally shows three decimals.
    const std::string rounded = formatMask(h, "0.00");
    double written = 0;
    std::from_chars(rounded.data(), rounded.data() + rounded.size(), written);
    const double shown = written - kBoundary;
    if (!std::isfinite(shown)) raiseOverflow(kSource);
    return shown;
}

}  // namespace cusumThreshold
