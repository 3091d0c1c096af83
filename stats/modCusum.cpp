#include "stats/modCusum.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

#include "platform/CpuState.h"
#include "platform/Error.h"
#include "stats/KernelMemory.h"
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

// The words the messages name the rows with.
struct Words {
    const char* one;
    const char* many;
    const char* whole;
};
Words wordsFor(Rows rows) {
    if (rows == Rows::Points) return {"point", "points", "these points"};
    return {"region", "regions", "this study area"};
}

// An allocation of the arithmetic that failed, in the words of its rows.
[[noreturn]] void outOfMemory(Rows rows) {
    raiseOutOfMemory(kErrorSource, std::string("There is not enough memory left to compute the cusum of ") +
                                       wordsFor(rows).whole + ".");
}

}  // namespace

void CheckStudyArea(std::int32_t regionCount, const std::vector<CentroidRecord>& centroids, double studyArea,
                    Rows rows) {
    const Words w = wordsFor(rows);
    if (regionCount < 1) refuse(std::string("There are no ") + w.many + " to compute the kernel for.");
    if (centroids.size() < static_cast<std::size_t>(regionCount) + 1)
        refuse(std::string("The ") + w.many + " have no centroids to measure the kernel with.");
    if (!std::isfinite(studyArea) || !(studyArea > 0.0))
        refuse(std::string("The area of ") + w.whole + " is not a positive number, so the kernel has no scale.");
    for (std::int32_t i = 1; i <= regionCount; ++i) {
        const CentroidRecord& c = centroids[static_cast<std::size_t>(i)];
        if (!std::isfinite(c.X) || !std::isfinite(c.Y))
            refuse(std::string("The centroid of ") + w.one + " " + std::to_string(i) + " is not a finite point.");
    }
}

Matrix CalcSpatialWeights(double& sigma, std::int32_t regionCount, const std::vector<CentroidRecord>& centroids,
                          double studyArea, bool parallel, Rows rows) try {
    CpuState::enterEngine();
    const Words words = wordsFor(rows);
    CheckStudyArea(regionCount, centroids, studyArea, rows);
    if (sigma == 0.0) sigma = kZeroSigma;
    if (!std::isfinite(sigma) || sigma < 0.0) refuse("The bandwidth is not a finite number of at least 0.");
    const std::int32_t n = regionCount;
    const double s = std::sqrt(kPiLiteral);
    const double factor = 1.0 / (sigma * s);
    const double sigmaSquare = std::pow(sigma, 2);
    const double divisor = (sigmaSquare + sigmaSquare) * (studyArea / n);
    if (!(divisor > 0.0) || !std::isfinite(divisor) || !std::isfinite(factor) || factor == 0.0)
        refuse(std::string("The bandwidth is too small or too large for the kernel of ") + words.whole + ".");

    KernelMemory::Require(n, 1, words.many, kErrorSource);
    Matrix w = Matrix::Zero(n + 1, n + 1);
    // Before the scaling the weights are symmetric (the distance is the same
    // both ways, to the last bit): each pair is computed once, down column i
    // below the diagonal, and mirrored. Column i then holds row i, so the sum
    // of squares of row i, taken down column i in increasing j, is the row's
    // sum in the same order.
    auto fillColumn = [&](std::ptrdiff_t k) {
        const std::int32_t i = static_cast<std::int32_t>(k) + 1;
        const CentroidRecord& a = centroids[static_cast<std::size_t>(i)];
        double* col = w.col(i).data();
        col[i] = factor;
        for (std::int32_t j = i + 1; j <= n; ++j) {
            const CentroidRecord& b = centroids[static_cast<std::size_t>(j)];
            const double d = std::pow(std::pow(a.Y - b.Y, 2) + std::pow(a.X - b.X, 2), 0.5);
            const double q = -std::pow(d, 2) / divisor;
            col[j] = factor * std::exp(q);
        }
    };
    ParallelFor::forEach(n, parallel && n >= kParallelRegions, std::move(fillColumn));
    // The mirror, tile by tile so that both sides stay in the cache.
    constexpr std::int32_t kTile = 64;
    const std::int32_t tiles = (n + kTile - 1) / kTile;
    auto mirrorTiles = [&](std::ptrdiff_t k) {
        const std::int32_t c0 = 1 + static_cast<std::int32_t>(k) * kTile, c1 = std::min(n, c0 + kTile - 1);
        for (std::int32_t r0 = 1; r0 <= c1; r0 += kTile) {
            const std::int32_t r1 = std::min(c1, r0 + kTile - 1);
            for (std::int32_t j = c0; j <= c1; ++j) {
                double* col = w.col(j).data();
                for (std::int32_t i = r0; i <= std::min(r1, j - 1); ++i) col[i] = w(j, i);
            }
        }
    };
    ParallelFor::forEach(tiles, parallel && n >= kParallelRegions, std::move(mirrorTiles));

    std::vector<double> length(static_cast<std::size_t>(n) + 1, 0.0);
    auto sumColumn = [&](std::ptrdiff_t k) {
        const std::int32_t i = static_cast<std::int32_t>(k) + 1;
        const double* col = w.col(i).data();
        double sum = 0.0;
        for (std::int32_t j = 1; j <= n; ++j) sum += std::pow(col[j], 2);
        length[static_cast<std::size_t>(i)] = std::sqrt(sum);
    };
    ParallelFor::forEach(n, parallel && n >= kParallelRegions, std::move(sumColumn));

    for (std::int32_t i = 1; i <= n; ++i) {
        const double l = length[static_cast<std::size_t>(i)];
        if (!(l > 0.0) || !std::isfinite(l))
            throw AppError(RuntimeErrors::DivisionByZero,
                           std::string("The kernel weights of ") + words.one + " " + std::to_string(i) +
                               " cannot be scaled.",
                           kErrorSource);
    }
    // Row j is divided by its length: down every column, element j by length j.
    auto scaleColumn = [&](std::ptrdiff_t k) {
        double* col = w.col(static_cast<Eigen::Index>(k) + 1).data();
        for (std::int32_t j = 1; j <= n; ++j) col[j] = col[j] / length[static_cast<std::size_t>(j)];
    };
    ParallelFor::forEach(n, parallel && n >= kParallelRegions, std::move(scaleColumn));
    return w;
} catch (const std::bad_alloc&) {
    outOfMemory(rows);
}

Matrix Smooth(const Matrix& weights, const Matrix& z, std::int32_t periodCount, bool parallel, Rows rows) try {
    CpuState::enterEngine();
    const auto n = static_cast<std::int32_t>(weights.rows()) - 1;
    const std::int32_t t = periodCount;
    if (n < 1 || z.rows() < n + 1 || z.cols() < t + 1) raiseSubscriptOutOfRange(kErrorSource);
    for (std::int32_t i = 1; i <= n; ++i)
        for (std::int32_t p = 1; p <= t; ++p)
            if (!std::isfinite(z(i, p)))
                refuse(std::string("The z-value of ") + wordsFor(rows).one + " " + std::to_string(i) + " in period " +
                       std::to_string(p) + " is not a finite number.");

    // The periods of a region lie side by side, so that the sum over j of
    // every period of region i runs along memory; each sum still adds its
    // products in increasing j.
    std::vector<double> byRegion(static_cast<std::size_t>(n + 1) * static_cast<std::size_t>(t));
    for (std::int32_t j = 1; j <= n; ++j)
        for (std::int32_t p = 1; p <= t; ++p) byRegion[static_cast<std::size_t>(j) * t + (p - 1)] = z(j, p);

    // Rows go in blocks whose weights of region j stand together in column j
    // of W; every sum still adds its products in increasing j, one product
    // at a time.
    constexpr std::int32_t kBlock = 8;
    const std::int32_t blocks = (n + kBlock - 1) / kBlock;
    Matrix zs = Matrix::Zero(n + 1, t + 1);
    auto smoothBlock = [&](std::ptrdiff_t k) {
        const std::int32_t i0 = 1 + static_cast<std::int32_t>(k) * kBlock;
        const std::int32_t rows = std::min(kBlock, n - i0 + 1);
        Eigen::ArrayXXd acc = Eigen::ArrayXXd::Zero(t, rows);
        for (std::int32_t j = 1; j <= n; ++j) {
            const double* wj = weights.col(j).data() + i0;
            const Eigen::Map<const Eigen::ArrayXd> zj(byRegion.data() + static_cast<std::size_t>(j) * t, t);
            for (std::int32_t r = 0; r < rows; ++r) acc.col(r) = acc.col(r) + wj[r] * zj;
        }
        for (std::int32_t r = 0; r < rows; ++r)
            for (std::int32_t p = 1; p <= t; ++p) zs(i0 + r, p) = acc(p - 1, r);
    };
    ParallelFor::forEach(blocks, parallel && n >= kParallelRegions, std::move(smoothBlock));
    return zs;
} catch (const std::bad_alloc&) {
    outOfMemory(rows);
}

CusumRun Recursion(const Matrix& smoothed, std::int32_t regionCount, std::int32_t periodCount, double k,
                   const DoubleArray& start, const TextArray& names, Rows rows) try {
    CpuState::enterEngine();
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
                               std::string("The cusum of ") + wordsFor(rows).one + " " + std::to_string(i) +
                                   " in period " + std::to_string(p) + " is not a finite number.",
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
} catch (const std::bad_alloc&) {
    outOfMemory(rows);
}

std::vector<std::int32_t> SignalledRegions(const Matrix& cusum, std::int32_t period, double h) {
    CpuState::enterEngine();
    std::vector<std::int32_t> out;
    if (period < 1 || period >= cusum.cols()) return out;
    for (std::int32_t i = 1; i < cusum.rows(); ++i)
        if (Signals(cusum(i, period), h)) out.push_back(i);
    return out;
}

CusumRun Compute(const StudyAreaState& area, SharedState& shared, const Matrix& z, std::int32_t periodCount,
                 double k, const TextArray& names) {
    CpuState::enterEngine();
    double sigma = shared.sigma;
    const Matrix w = CalcSpatialWeights(sigma, area.regionCount, area.centroidTable, area.studyArea);
    Matrix zs = Smooth(w, z, periodCount);
    CusumRun r = Recursion(zs, area.regionCount, periodCount, k, {}, names);
    shared.sigma = sigma;
    return r;
}

double ZValue(ZTransform transform, double o, double e) {
    if (o < 0.0 || e < 0.0) raiseInvalidArgument(kErrorSource, "A count is negative.");
    double z = 0.0;
    switch (transform) {
    case ZTransform::Poisson:
        if (e == 0.0) raiseDivisionByZero(kErrorSource);
        z = (o - e) / std::sqrt(e);
        break;
    case ZTransform::Standard:
        z = std::sqrt(o) + std::sqrt(o + 1.0) - std::sqrt(4.0 * e + 1.0);
        break;
    case ZTransform::Rossi:
        if (e == 0.0) raiseDivisionByZero(kErrorSource);
        z = (o - 3.0 * e + 2.0 * std::sqrt(o * e)) / (2.0 * std::sqrt(e));
        break;
    }
    if (!std::isfinite(z)) raiseOverflow(kErrorSource);
    return z;
}

Matrix SmoothedZValues(const Matrix& weights, const Matrix& observed, const Matrix& expected,
                       std::int32_t regionCount, std::int32_t periodCount, ZTransform transform, bool parallel) try {
    CpuState::enterEngine();
    const std::int32_t n = regionCount, t = periodCount;
    if (n < 1 || t < 1 || observed.rows() < n + 1 || observed.cols() < t + 1 || expected.rows() < n + 1 ||
        expected.cols() < t + 1)
        raiseSubscriptOutOfRange(kErrorSource);
    Matrix z = Matrix::Zero(n + 1, t + 1);
    for (std::int32_t p = 1; p <= t; ++p)
        for (std::int32_t i = 1; i <= n; ++i) z(i, p) = ZValue(transform, observed(i, p), expected(i, p));
    Matrix smoothed = Smooth(weights, z, t, parallel);
    for (std::int32_t p = 1; p <= t; ++p)
        for (std::int32_t i = 1; i <= n; ++i)
            if (!std::isfinite(smoothed(i, p))) raiseOverflow(kErrorSource);
    return smoothed;
} catch (const std::bad_alloc&) {
    outOfMemory(Rows::Regions);
}

}  // namespace modCusum
