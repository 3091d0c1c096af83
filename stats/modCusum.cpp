#include "stats/modCusum.h"

#include <cmath>
#include <utility>

#include "platform/Error.h"
#include "stats/ParallelFor.h"

namespace modCusum {

namespace {

constexpr double kPiLiteral = 3.14159265;
constexpr double kZeroSigma = 1e-9;
// Below this many regions the threads cost more than they save.
constexpr std::int32_t kParallelRegions = 256;

[[noreturn]] void refuse(const std::string& text) {
    throw AppError(RuntimeErrors::InvalidArgument, text, kErrorSource);
}

}  // namespace

void CheckStudyArea(std::int32_t regionCount, const std::vector<CentroidRecord>& centroids, double studyArea) {
    if (regionCount < 1) refuse("The study area holds no region.");
    if (centroids.size() < static_cast<std::size_t>(regionCount) + 1)
        refuse("The regions have no centroids to measure the kernel with.");
    if (!std::isfinite(studyArea) || !(studyArea > 0.0))
        refuse("The area of the study area is not a positive number, so the kernel has no scale.");
    for (std::int32_t i = 1; i <= regionCount; ++i) {
        const CentroidRecord& c = centroids[static_cast<std::size_t>(i)];
        if (!std::isfinite(c.X) || !std::isfinite(c.Y))
            refuse("The centroid of region " + std::to_string(i) + " is not a finite point.");
    }
}

Matrix CalcSpatialWeights(double& sigma, std::int32_t regionCount, const std::vector<CentroidRecord>& centroids,
                          double studyArea, bool parallel) {
    CheckStudyArea(regionCount, centroids, studyArea);
    if (sigma == 0.0) sigma = kZeroSigma;
    if (!std::isfinite(sigma) || sigma < 0.0) refuse("The bandwidth is not a finite number of at least 0.");
    const std::int32_t n = regionCount;
    const double s = std::sqrt(kPiLiteral);
    const double factor = 1.0 / (sigma * s);
    const double sigmaSquare = std::pow(sigma, 2);
    const double divisor = (sigmaSquare + sigmaSquare) * (studyArea / n);
    if (!(divisor > 0.0) || !std::isfinite(divisor) || !std::isfinite(factor) || factor == 0.0)
        refuse("The bandwidth is too small or too large for the kernel of this study area.");

    Matrix w = Matrix::Zero(n + 1, n + 1);
    // The exponential of a pair is the same both ways (the distance is), so
    // each pair is computed once and mirrored; rows are handed out in turn.
    auto fillRow = [&](std::ptrdiff_t k) {
        const std::int32_t i = static_cast<std::int32_t>(k) + 1;
        const CentroidRecord& a = centroids[static_cast<std::size_t>(i)];
        w(i, i) = factor;
        for (std::int32_t j = i + 1; j <= n; ++j) {
            const CentroidRecord& b = centroids[static_cast<std::size_t>(j)];
            const double d = std::pow(std::pow(a.Y - b.Y, 2) + std::pow(a.X - b.X, 2), 0.5);
            const double q = -std::pow(d, 2) / divisor;
            const double v = factor * std::exp(q);
            w(i, j) = v;
            w(j, i) = v;
        }
    };
    ParallelFor::forEach(n, parallel && n >= kParallelRegions, std::move(fillRow));

    auto scaleRow = [&](std::ptrdiff_t k) {
        const std::int32_t i = static_cast<std::int32_t>(k) + 1;
        double sum = 0.0;
        for (std::int32_t j = 1; j <= n; ++j) sum += std::pow(w(i, j), 2);
        const double length = std::sqrt(sum);
        if (!(length > 0.0) || !std::isfinite(length))
            throw AppError(RuntimeErrors::DivisionByZero,
                           "The kernel weights of region " + std::to_string(i) + " cannot be scaled.", kErrorSource);
        for (std::int32_t j = 1; j <= n; ++j) w(i, j) = w(i, j) / length;
    };
    ParallelFor::forEach(n, parallel && n >= kParallelRegions, std::move(scaleRow));
    return w;
}

Matrix Smooth(const Matrix& weights, const Matrix& z, std::int32_t periodCount, bool parallel) {
    const auto n = static_cast<std::int32_t>(weights.rows()) - 1;
    const std::int32_t t = periodCount;
    if (n < 1 || z.rows() < n + 1 || z.cols() < t + 1) raiseSubscriptOutOfRange(kErrorSource);
    for (std::int32_t i = 1; i <= n; ++i)
        for (std::int32_t p = 1; p <= t; ++p)
            if (!std::isfinite(z(i, p)))
                refuse("The z-value of region " + std::to_string(i) + " in period " + std::to_string(p) +
                       " is not a finite number.");

    // The periods of a region lie side by side, so that the sum over j of
    // every period of region i runs along memory; each sum still adds its
    // products in increasing j.
    std::vector<double> byRegion(static_cast<std::size_t>(n + 1) * static_cast<std::size_t>(t));
    for (std::int32_t j = 1; j <= n; ++j)
        for (std::int32_t p = 1; p <= t; ++p) byRegion[static_cast<std::size_t>(j) * t + (p - 1)] = z(j, p);

    Matrix zs = Matrix::Zero(n + 1, t + 1);
    auto smoothRow = [&](std::ptrdiff_t k) {
        const std::int32_t i = static_cast<std::int32_t>(k) + 1;
        std::vector<double> sums(static_cast<std::size_t>(t), 0.0);
        double* acc = sums.data();
        for (std::int32_t j = 1; j <= n; ++j) {
            const double wij = weights(i, j);
            const double* zj = byRegion.data() + static_cast<std::size_t>(j) * t;
            for (std::int32_t p = 0; p < t; ++p) acc[p] = acc[p] + wij * zj[p];
        }
        for (std::int32_t p = 1; p <= t; ++p) zs(i, p) = acc[p - 1];
    };
    ParallelFor::forEach(n, parallel && n >= kParallelRegions, std::move(smoothRow));
    return zs;
}

CusumRun Recursion(const Matrix& smoothed, std::int32_t regionCount, std::int32_t periodCount, double k,
                   const DoubleArray& start, const TextArray& names) {
    const std::int32_t n = regionCount, t = periodCount;
    if (smoothed.rows() < n + 1 || smoothed.cols() < t + 1) raiseSubscriptOutOfRange(kErrorSource);
    CusumRun r;
    r.cusum = Matrix::Zero(n + 1, t + 1);
    r.maxCusum.assign(static_cast<std::size_t>(t) + 1, 0.0);
    r.maxRegion.assign(static_cast<std::size_t>(t) + 1, std::string());
    for (std::int32_t p = 1; p <= t; ++p) {
        for (std::int32_t i = 1; i <= n; ++i) {
            const double before = p == 1 ? (static_cast<std::size_t>(i) < start.size() ? start[static_cast<std::size_t>(i)] : 0.0)
                                         : r.cusum(i, p - 1);
            double c = (smoothed(i, p) + before) - k;
            if (c < 0.0) c = 0.0;
            if (!std::isfinite(c))
                throw AppError(RuntimeErrors::Overflow,
                               "The cusum of region " + std::to_string(i) + " in period " + std::to_string(p) +
                                   " is not a finite number.",
                               kErrorSource);
            r.cusum(i, p) = c;
            if (c > r.maxCusum[static_cast<std::size_t>(p)]) {
                r.maxCusum[static_cast<std::size_t>(p)] = c;
                r.maxRegion[static_cast<std::size_t>(p)] =
                    static_cast<std::size_t>(i) < names.size() ? names[static_cast<std::size_t>(i)] : std::string();
            }
        }
    }
    return r;
}

std::vector<std::int32_t> SignalledRegions(const Matrix& cusum, std::int32_t period, double h) {
    std::vector<std::int32_t> out;
    if (period < 1 || period >= cusum.cols()) return out;
    for (std::int32_t i = 1; i < cusum.rows(); ++i)
        if (Signals(cusum(i, period), h)) out.push_back(i);
    return out;
}

CusumRun Compute(const StudyAreaState& area, SharedState& shared, const Matrix& z, std::int32_t periodCount,
                 double k, const TextArray& names) {
    double sigma = shared.sigma;
    const Matrix w = CalcSpatialWeights(sigma, area.regionCount, area.centroidTable, area.studyArea);
    Matrix zs = Smooth(w, z, periodCount);
    CusumRun r = Recursion(zs, area.regionCount, periodCount, k, {}, names);
    shared.sigma = sigma;
    return r;
}

}  // namespace modCusum
