#include "stats/modPValue.h"

#include <cmath>

#include "platform/CpuState.h"
#include "platform/Error.h"

namespace modPValue {

namespace {

constexpr const char* kNormalSource = "modPValue::GetNormalPValue";
constexpr const char* kChiSource = "modPValue::GetChiSquarePValue";

// A chi-square value this far below 0 (relative to df) is rounding noise of
// a statistic that is 0 in exact arithmetic.
constexpr double kRoundingNoise = 1e-9;

}  // namespace

double GetNormalPValue(const double& z) {
    CpuState::enterEngine();
    if (!std::isfinite(z))
        raiseInvalidArgument(kNormalSource, "A p-value needs a finite statistic.");
    // Beyond 4.5 either way the tail is below 0.000004: no integration.
    if (z > 4.5 || z < -4.5) return 0.0;

    double x = z;
    if (x <= 0.0) x = -x;

    const double s = 1.0;
    const double scale = 1.0 / (s * std::sqrt(6.2831853));
    const double twoVar = 2.0 * s * s;
    auto phi = [&](double t) { return scale * std::exp(-t * t / twoVar); };

    double area = 0.0;
    // The density at the lower end of one trapezoid is the upper end of the
    // next: the same x gives the same value, so it is evaluated once.
    double f2 = phi(x);
    for (;;) {
        if (x <= 0.0) break;
        const double f1 = f2;
        x = x - 0.0001;
        f2 = phi(x);
        area = area + ((f1 + f2) / 2.0) * 0.0001;
        if (0.5 - area < 0.00001) break;
    }
    if (area > 0.5) return 0.0;
    return 0.5 - area;
}

double ChiSquareDeviate(double chi, double df) {
    CpuState::enterEngine();
    if (!std::isfinite(chi) || !std::isfinite(df))
        raiseInvalidArgument(kChiSource, "A chi-square p-value needs a finite statistic and degrees of freedom.");
    if (df == 0.0)
        throw AppError(RuntimeErrors::DivisionByZero,
                       "A chi-square statistic with 0 degrees of freedom has no p-value.", kChiSource);
    if (df < 0.0)
        raiseInvalidArgument(kChiSource, "A chi-square statistic needs degrees of freedom above 0.");
    const double ratio = chi / df;
    double root;
    if (ratio >= 0.0) {
        root = std::pow(ratio, 0.33333);
    } else if (ratio >= -kRoundingNoise) {
        // Negative only by rounding: the signed root keeps the value at 0.
        root = -std::pow(-ratio, 0.33333);
    } else {
        raiseInvalidArgument(kChiSource, "A chi-square statistic below 0 has no p-value.");
    }
    const double z = (root - 1.0 + 2.0 / (9.0 * df)) * std::sqrt(9.0 * df / 2.0);
    return checkedFinite(z, kChiSource);
}

double GetChiSquarePValue(const double& chi, const double& df) {
    CpuState::enterEngine();
    const double z = ChiSquareDeviate(chi, df);
    return GetNormalPValue(z);
}

}  // namespace modPValue
