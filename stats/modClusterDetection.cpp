#include "stats/modClusterDetection.h"

#include <cmath>
#include <new>
#include <optional>
#include <string>
#include <utility>

#include "platform/CpuState.h"
#include "platform/Convert.h"
#include "platform/Error.h"
#include "platform/Format.h"
#include "stats/EngineBuffers.h"
#include "stats/KernelMemory.h"
#include "stats/KernelProducts.h"
#include "stats/ParallelFor.h"
#include "stats/ScoreMomentRoute.h"
#include "stats/cMathLib.h"
#include "stats/modFunctions.h"
#include "stats/modSorting.h"

namespace modClusterDetection {

namespace {

using Index = Eigen::Index;

// Below this many regions starting threads costs more than it saves.
constexpr Index kParallelFrom = 128;

// Loops that sum along the rows take them in chunks of rows, each chunk
// walking down the columns, so that every row's sum keeps the order of j.
constexpr Index kChunk = 128;
Index chunks(Index n) { return (n + kChunk - 1) / kChunk; }

[[noreturn]] void fail(std::int32_t number, const std::string& text, const char* source) {
    throw AppError(number, text, source);
}

// An allocation refused although the machine's memory looked sufficient
// (other programs hold the rest).
[[noreturn]] void outOfMemory(const char* source) {
    raiseOutOfMemory(source, "There is not enough memory left for the kernel matrices of this run.");
}

std::string regionText(Index i) { return std::to_string(i); }

std::size_t at(Index i) { return static_cast<std::size_t>(i); }

// An array over regions must reach index N.
void requireArray(const DoubleArray& a, Index n, const char* what, const char* source) {
    if (a.size() < at(n) + 1)
        fail(RuntimeErrors::SubscriptOutOfRange,
             std::string("The ") + what + " have not been read for all " + regionText(n) + " regions.", source);
}

// T, which the score statistics divide by.
double totalCases(const RetroState& retro, const char* source) {
    const double T = retro.totalCases;
    if (!std::isfinite(T) || T == 0.0)
        fail(RuntimeErrors::DivisionByZero,
             "The data hold no cases (the observed counts add up to 0), so the score statistic cannot be computed.",
             source);
    return T;
}

[[noreturn]] void weightsMissing(const char* source) {
    fail(RuntimeErrors::SubscriptOutOfRange,
         "The kernel weights have not been computed for the current regions and bandwidth.", source);
}

[[noreturn]] void bandwidthOutOfScale(bool pointData, const char* source) {
    fail(RuntimeErrors::Overflow,
         std::string("The bandwidth is too large or too small for the kernel weights of ") +
             (pointData ? "these points." : "this study area."),
         source);
}

double finiteResult(double v, const char* what, const char* source) {
    if (!std::isfinite(v))
        fail(RuntimeErrors::Overflow, std::string("The ") + what + " has no finite value for these data.", source);
    return v;
}

// ---------------------------------------------------------------- kernel

struct KernelInputs {
    Index n = 0;
    double area = 0.0;
    bool pointData = false;
    modFunctions::HullResult hull;
};

// N and A as the kernel sees them: with point data both come from the
// drawn points, computed here and committed only with the weights.
KernelInputs kernelInputs(const StudyAreaState& area, const PointState& points, const SharedState& shared,
                          const char* source) {
    KernelInputs in;
    in.pointData = shared.pointDataMode && !shared.polygonDataMode;
    if (in.pointData) {
        in.n = toInt32(points.pointCount, source);
        in.hull = modFunctions::ComputeConvexHull(points);
        in.area = in.hull.area;
    } else {
        in.n = area.regionCount;
        in.area = area.studyArea;
    }
    return in;
}

void commitKernelInputs(StudyAreaState& area, PointState& points, KernelInputs& in) {
    if (!in.pointData) return;
    area.regionCount = static_cast<std::int32_t>(in.n);
    area.studyArea = in.area;
    modFunctions::CommitConvexHull(points, std::move(in.hull));
}

// The row-normalised Gaussian kernel, 0..N by 0..N with row and column 0
// zero. The kernel before normalisation is exactly symmetric (the squared
// differences do not depend on the order of the pair), so each exponential
// is evaluated once for both elements.
// A copy of the held kernel W, made in parallel into a kept buffer.
Matrix copyKernel(const Matrix& W) {
    Matrix copy = EngineBuffers::take(W.rows(), W.cols());
    const Index rows = W.rows();
    ParallelFor::forEach(W.cols(), rows > kParallelFrom, [&](Index j) {
        const double* from = W.col(j).data();
        double* to = copy.col(j).data();
        for (Index i = 0; i < rows; ++i) to[i] = from[i];
    });
    return copy;
}

// With point data the N centroids are points, and the messages say so.
Matrix buildKernel(const std::vector<CentroidRecord>& centroids, double sigma, Index n, double area,
                   const RetroState& retro, KernelSource& built, bool pointData, const char* source) {
    if (n < 1) fail(RuntimeErrors::InvalidArgument, "There are no regions to compute the kernel weights for.", source);
    if (centroids.size() < at(n) + 1)
        fail(RuntimeErrors::SubscriptOutOfRange,
             "The region centroids have not been computed for all " + regionText(n) + " regions.", source);
    if (!(std::isfinite(sigma) && sigma > 0.0))
        fail(RuntimeErrors::InvalidArgument, "The bandwidth must be a number greater than 0.", source);
    if (!std::isfinite(area) || area < 0.0 || (n >= 2 && area == 0.0))
        fail(RuntimeErrors::DivisionByZero,
             "The study area has no area (0 or not a valid number), so the kernel weights of the regions have no scale.",
             source);
    for (Index i = 1; i <= n; ++i) {
        const CentroidRecord& c = centroids[at(i)];
        if (!std::isfinite(c.X) || !std::isfinite(c.Y))
            fail(RuntimeErrors::InvalidArgument, "Region " + regionText(i) + " has no valid centroid.", source);
    }

    // A run holds about five N x N matrices at its peak (both kernels, their
    // cross product, the moment scratch and a spare of the earlier result).
    KernelMemory::Require(n, 5, pointData ? "points" : "regions", source);

    const double peak = 1.0 / (sigma * std::sqrt(3.14159265));
    const double scale = 2.0 * (sigma * sigma) * (area / static_cast<double>(n));
    if (!std::isfinite(peak) || !std::isfinite(peak * peak) || (n >= 2 && !(std::isfinite(scale) && scale > 0.0)))
        bandwidthOutOfScale(pointData, source);

    built.n = static_cast<std::int32_t>(n);
    built.sigma = sigma;
    built.area = area;
    built.pointData = pointData;
    built.x.resize(at(n));
    built.y.resize(at(n));
    for (Index i = 1; i <= n; ++i) {
        built.x[at(i - 1)] = centroids[at(i)].X;
        built.y[at(i - 1)] = centroids[at(i)].Y;
    }
    // The kernel is a function of these inputs alone, computed in the same
    // order whatever the threads: a held one of the same inputs is this one.
    for (const auto& [held, heldSource] : {std::pair<const Matrix*, const KernelSource*>{&retro.scoreWeights, &retro.scoreWeightsSource},
                                           std::pair<const Matrix*, const KernelSource*>{&retro.mWeights, &retro.mWeightsSource}})
        if (held->rows() == n + 1 && held->cols() == n + 1 && *heldSource == built) return copyKernel(*held);

    // Every element is written below; only row and column 0 must be zeroed.
    Matrix W = EngineBuffers::take(n + 1, n + 1);
    W.row(0).setZero();
    W.col(0).setZero();
    std::vector<double> x(at(n) + 1), y(at(n) + 1);
    for (Index i = 1; i <= n; ++i) {
        x[at(i)] = centroids[at(i)].X;
        y[at(i)] = centroids[at(i)].Y;
    }
    // Upper triangle, column by column.
    // Longest columns first, so that the threads finish together.
    ParallelFor::forEach(n, n >= kParallelFrom, [&](Index k) {
        const Index j = n - k;
        for (Index i = 1; i < j; ++i) {
            const double dy = y[at(i)] - y[at(j)];
            const double dx = x[at(i)] - x[at(j)];
            const double d = std::sqrt(dy * dy + dx * dx);
            W(i, j) = peak * std::exp(-(d * d) / scale);
        }
        W(j, j) = peak;
    });
    // The lower triangle mirrors the upper one, a tile at a time so that
    // both the rows read and the columns written stay in the cache.
    constexpr Index kTile = 64;
    const Index tiles = (n + kTile - 1) / kTile;
    ParallelFor::forEach(tiles, n >= kParallelFrom, [&](Index J) {
        const Index j0 = 1 + J * kTile, j1 = std::min(n, j0 + kTile - 1);
        for (Index i0 = j0; i0 <= n; i0 += kTile) {
            const Index i1 = std::min(n, i0 + kTile - 1);
            for (Index j = j0; j <= j1; ++j)
                for (Index i = std::max(i0, j + 1); i <= i1; ++i) W(i, j) = W(j, i);
        }
    });

    // Row sums of squares in column order, then each row divided by its root.
    std::vector<double> root(at(n) + 1, 0.0);
    ParallelFor::forEach(chunks(n), n >= kParallelFrom, [&](Index c) {
        const Index c0 = 1 + c * kChunk, c1 = std::min(n, c0 + kChunk - 1);
        for (Index j = 1; j <= n; ++j)
            for (Index i = c0; i <= c1; ++i) root[at(i)] += W(i, j) * W(i, j);
        for (Index i = c0; i <= c1; ++i) root[at(i)] = std::sqrt(root[at(i)]);
    });
    // Many coincident locations can carry the sum of squared peaks beyond the
    // largest double, or a huge bandwidth can take it below the smallest: the
    // row would come out all 0 or NaN.
    for (Index i = 1; i <= n; ++i)
        if (!(std::isfinite(root[at(i)]) && root[at(i)] > 0.0))
            bandwidthOutOfScale(pointData, source);
    ParallelFor::forEach(n, n >= kParallelFrom, [&](Index k) {
        const Index j = k + 1;
        for (Index i = 1; i <= n; ++i) W(i, j) = W(i, j) / root[at(i)];
    });
    return W;
}

void checkPositive(const DoubleArray& a, Index n, const char* what, const char* source) {
    for (Index i = 1; i <= n; ++i)
        if (!(std::isfinite(a[at(i)]) && a[at(i)] > 0.0))
            fail(RuntimeErrors::DivisionByZero,
                 "Region " + regionText(i) + " has an " + what + " of 0 or below, so the score statistic cannot be computed.",
                 source);
}

// The stored kernel must belong to the current regions.
void requireWeights(const Matrix& W, Index n, const char* source) {
    if (n < 1 || W.rows() != n + 1 || W.cols() != n + 1) weightsMissing(source);
}

// Whether every element of the leading size x size corner is finite.
bool allFinite(const Matrix& M, Index size) {
    std::vector<char> bad(at(size), 0);
    ParallelFor::forEach(size, size >= kParallelFrom, [&](Index j) {
        const double* col = M.col(j).data();
        bool ok = true;
        for (Index i = 0; i < size; ++i) ok = ok && std::isfinite(col[i]);
        bad[at(j)] = ok ? 0 : 1;
    });
    for (char b : bad)
        if (b) return false;
    return true;
}

// ---------------------------------------------------------------- local scores

struct LocalScores {
    DoubleArray u, z;
    double global = 0.0;
};

// U(i) = sum_j w(i,j) (O_j - E_j), Q = sum_j w w E_j, R = sum_j E_j w / T,
// each accumulated in increasing j, where w(i,j) = W(i,j) / rootE_j for the
// adjusted form (rootE null for the unadjusted one). The loops run down the
// columns for all rows of a chunk at once; every row's sums still take
// their terms in the order of j.
LocalScores localScores(const RetroState& retro, Index n, const double* rootE, const char* source) {
    requireWeights(retro.scoreWeights, n, source);
    requireArray(retro.observed, n, "observed counts", source);
    requireArray(retro.expected, n, "expected counts", source);
    const double T = totalCases(retro, source);
    for (Index j = 1; j <= n; ++j)
        if (!std::isfinite(retro.observed[at(j)]) || !std::isfinite(retro.expected[at(j)]))
            fail(RuntimeErrors::InvalidArgument, "Region " + regionText(j) + " has no valid count.", source);

    const Matrix& W = retro.scoreWeights;
    const double* O = retro.observed.data();
    const double* E = retro.expected.data();
    std::vector<double> U(at(n) + 1, 0.0), Q(at(n) + 1, 0.0), R(at(n) + 1, 0.0);
    ParallelFor::forEach(chunks(n), n >= kParallelFrom, [&](Index c) {
        const Index c0 = 1 + c * kChunk, c1 = std::min(n, c0 + kChunk - 1), m = c1 - c0 + 1;
        // The chunk's sums in arrays of its own, which the columns cannot
        // overlap, so that the rows go through the vector unit together.
        double u[kChunk] = {}, q[kChunk] = {}, r[kChunk] = {}, w[kChunk];
        for (Index j = 1; j <= n; ++j) {
            const double diff = O[j] - E[j];
            const double ej = E[j];
            const double* col = W.col(j).data() + c0;
            if (rootE == nullptr) {
                for (Index k = 0; k < m; ++k) w[k] = col[k];
            } else {
                const double re = rootE[j];
                for (Index k = 0; k < m; ++k) w[k] = col[k] / re;
            }
            for (Index k = 0; k < m; ++k) {
                u[k] = u[k] + w[k] * diff;
                q[k] = q[k] + w[k] * w[k] * ej;
                r[k] = r[k] + ej * w[k] / T;
            }
        }
        for (Index k = 0; k < m; ++k) {
            U[at(c0 + k)] = u[k];
            Q[at(c0 + k)] = q[k];
            R[at(c0 + k)] = r[k];
        }
    });

    LocalScores r;
    r.u.assign(at(n) + 1, 0.0);
    r.z.assign(at(n) + 1, 0.0);
    for (Index i = 1; i <= n; ++i) {
        const double variance = Q[at(i)] - R[at(i)];
        if (!(variance > 0.0))
            fail(RuntimeErrors::InvalidArgument,
                 std::string("The local score of ") + (retro.scoreWeightsSource.pointData ? "point " : "region ") +
                     regionText(i) +
                     " has no variance with these data (too few cases in total), so its z-value cannot be computed.",
                 source);
        r.u[at(i)] = finiteResult(U[at(i)], "local score", source);
        r.z[at(i)] = finiteResult(U[at(i)] / std::sqrt(variance), "z-value of a local score", source);
        r.global = r.global + U[at(i)] * U[at(i)];
    }
    finiteResult(r.global, "global score", source);
    return r;
}

void commitScoreCopies(RetroState& retro, const DoubleArray& u) {
    retro.scoreLegendValues = u;
    retro.scoreMapValues = u;
    retro.mapClassValues = u;
}

// ---------------------------------------------------------------- moments

struct Moments {
    double df = 0.0, mean = 0.0, variance = 0.0;
};

Moments momentsFromTraces(const KernelProducts::Traces& t, double T, const char* source) {
    if (t.t3 == 0.0 || !std::isfinite(t.t3))
        fail(RuntimeErrors::DivisionByZero,
             "The third moment of the score statistic is 0 for these data, so its degrees of freedom cannot be computed.",
             source);
    if (!(t.t2 >= 0.0))
        fail(RuntimeErrors::InvalidArgument, "The score statistic has no variance for these data.", source);
    Moments m;
    const double ratio = std::pow(t.t2, 1.5) / t.t3;
    m.df = finiteResult(ratio * ratio, "degrees of freedom of the score statistic", source);
    m.mean = finiteResult(t.t1 / T, "mean of the score statistic", source);
    m.variance = finiteResult(2.0 * t.t2 / (T * T), "variance of the score statistic", source);
    return m;
}

void checkMomentInputs(const RetroState& retro, Index n, const char* source) {
    if (n < 2)
        fail(RuntimeErrors::InvalidArgument, "The score statistic needs at least two regions.", source);
    requireArray(retro.expectedShare, n, "expected shares", source);
    for (Index i = 1; i <= n; ++i)
        if (!std::isfinite(retro.expectedShare[at(i)]))
            fail(RuntimeErrors::InvalidArgument, "Region " + regionText(i) + " has no valid expected share.", source);
    totalCases(retro, source);
}

void commitMoments(RetroState& retro, const Moments& m) {
    retro.scoreDf = m.df;
    retro.scoreMean = m.mean;
    retro.scoreVariance = m.variance;
}

// The moment matrix A (N x N, 0-based) as the moment routines read it:
// stored, or derived element by element from the cross product M as
// A_ij = M_ij / sqrt(q_j q_i) (q the shares the weights were built with).
struct MomentSource {
    const double* M = nullptr;
    Index ld = 0;
    const double* q = nullptr;  // 0-based; null for a stored A
    double operator()(Index i, Index j) const {
        const double m = M[i + j * ld];
        return q == nullptr ? m : m / std::sqrt(q[j] * q[i]);
    }
};

bool isSymmetric(const MomentSource& A, Index n) {
    std::vector<char> asymmetric(at(n), 0);
    ParallelFor::forEach(n, n >= kParallelFrom, [&](Index j) {
        for (Index i = 0; i < j; ++i)
            if (!(A(i, j) == A(j, i))) asymmetric[at(j)] = 1;
    });
    for (char a : asymmetric)
        if (a) return false;
    return true;
}

bool& directRouteForced() {
    static bool forced = false;
    return forced;
}

ScoreMomentRoute::Route& lastRoute() {
    static ScoreMomentRoute::Route route = ScoreMomentRoute::Route::Direct;
    return route;
}

// The shares may add up to at most this for the centred route.
constexpr long double kCentredUpTo = 1.0L + 1e-12L;

// With s = sum p, r = sqrt(p / s), P = I - s r r' and G = D A D (D =
// diag(sqrt p)), B = A (diag(p) - p p') has the traces of (G P)^k. Split G
// along r: K = (I - r r') G (I - r r'), h = (I - r r') G r, g = r'G r. With
// t = 1 - s,
//   tr B   = tr K + t g
//   tr B^2 = ||K||^2 + 2 t h'h + t^2 g^2
//   tr B^3 = tr K^3 + 3 t h'K h + 3 t^2 g h'h + t^3 g^3,
// where K_ij = sqrt(p_i p_j) (A_ij - a_i - a_j + alpha), a = A p / s,
// alpha = p'A p / s^2, h_i = sqrt(s p_i) (a_i - alpha) and g = s alpha.
// K is A centred on both sides: for a wide kernel its elements are the
// small differences of nearly equal ones, taken in extended precision
// before anything is multiplied, so no large common part survives into the
// products. With t >= 0 and A positive semi-definite (as the cross product
// is) every term is >= 0 and nothing cancels; for s > 1 the terms alternate
// in sign and the direct route is kept.
// Copies the lower triangle of the n x n M onto its upper one, a tile at a
// time so that both the rows read and the columns written stay in the cache.
void mirrorLower(double* M, Index ld, Index n) {
    constexpr Index kTile = 64;
    const Index tiles = (n + kTile - 1) / kTile;
    ParallelFor::forEach(tiles, n >= kParallelFrom, [&](Index J) {
        const Index j0 = J * kTile, j1 = std::min(n, j0 + kTile);
        for (Index i0 = j0; i0 < n; i0 += kTile) {
            const Index i1 = std::min(n, i0 + kTile);
            for (Index i = i0; i < i1; ++i)
                for (Index j = j0; j < std::min(j1, i); ++j) M[j + i * ld] = M[i + j * ld];
        }
    });
}

KernelProducts::Traces centredTraces(const MomentSource& source, const double* p, Index n, long double s) {
    using L = long double;
    const bool parallel = n >= kParallelFrom;
    EngineBuffers::Scratch scratch(n + 1, n + 1);
    double* K = scratch->data();
    const Index ldk = scratch->outerStride();

    // A stored matrix is read where it is; the adjusted one is derived into
    // the scratch first (once for each pair i, j), and K then takes its place.
    const double* A = source.M;
    Index lda = source.ld;
    if (source.q != nullptr) {
        ParallelFor::forEach(n, parallel, [&](Index j) {
            for (Index i = j; i < n; ++i) K[i + j * ldk] = source(i, j);
        });
        mirrorLower(K, ldk, n);
        A = K;
        lda = ldk;
    }

    // a_i from column i (A is symmetric), summed in extended precision and
    // carried as a pair of doubles a = aHi + aLo.
    std::vector<L> a(at(n));
    std::vector<double> aHi(at(n)), aLo(at(n));
    ParallelFor::forEach(n, parallel, [&](Index i) {
        const double* col = A + i * lda;
        L s0 = 0.0L, s1 = 0.0L, s2 = 0.0L, s3 = 0.0L;
        Index k = 0;
        for (; k + 4 <= n; k += 4) {
            s0 += static_cast<L>(col[k]) * static_cast<L>(p[k]);
            s1 += static_cast<L>(col[k + 1]) * static_cast<L>(p[k + 1]);
            s2 += static_cast<L>(col[k + 2]) * static_cast<L>(p[k + 2]);
            s3 += static_cast<L>(col[k + 3]) * static_cast<L>(p[k + 3]);
        }
        for (; k < n; ++k) s0 += static_cast<L>(col[k]) * static_cast<L>(p[k]);
        const L ai = ((s0 + s1) + (s2 + s3)) / s;
        a[at(i)] = ai;
        aHi[at(i)] = static_cast<double>(ai);
        aLo[at(i)] = static_cast<double>(ai - static_cast<L>(aHi[at(i)]));
    });
    L pa = 0.0L;
    for (Index i = 0; i < n; ++i) pa += static_cast<L>(p[i]) * a[at(i)];
    const L alpha = pa / s;
    const double alphaHi = static_cast<double>(alpha), alphaLo = static_cast<double>(alpha - static_cast<L>(alphaHi));
    std::vector<double> w(at(n)), h(at(n));
    L hh = 0.0L;
    for (Index i = 0; i < n; ++i) {
        w[at(i)] = std::sqrt(p[i]);
        const L hi = std::sqrt(s * static_cast<L>(p[i])) * (a[at(i)] - alpha);
        h[at(i)] = static_cast<double>(hi);
        hh += hi * hi;
    }

    // The lower triangle of K, column by column, with each column's part of
    // tr K, ||K||^2 and h'K h. A_ij - a_i - a_j + alpha is taken as
    // (A_ij - aHi_i) + (alphaHi - aHi_j) plus the low parts: for a wide
    // kernel both differences are of nearly equal numbers and exact, so the
    // small result keeps its digits.
    std::vector<double> colTrace(at(n)), colSquares(at(n)), colHKH(at(n));
    ParallelFor::forEach(n, parallel, [&](Index j) {
        const double cj = alphaHi - aHi[at(j)], lj = alphaLo - aLo[at(j)], wj = w[at(j)], hj = h[at(j)];
        const double* Acol = A + j * lda;
        double* Kcol = K + j * ldk;
        const double* aH = aHi.data();
        const double* aL = aLo.data();
        const double* wp = w.data();
        for (Index i = j; i < n; ++i) {
            const double e = ((Acol[i] - aH[i]) + cj) + (lj - aL[i]);
            Kcol[i] = wp[i] * (wj * e);
        }
        const double* hp = h.data();
        double q[4] = {0.0, 0.0, 0.0, 0.0}, g[4] = {0.0, 0.0, 0.0, 0.0};
        Index i = j + 1;
        for (; i + 4 <= n; i += 4)
            for (int u = 0; u < 4; ++u) {
                q[u] += Kcol[i + u] * Kcol[i + u];
                g[u] += hp[i + u] * Kcol[i + u];
            }
        for (; i < n; ++i) {
            q[0] += Kcol[i] * Kcol[i];
            g[0] += hp[i] * Kcol[i];
        }
        const double kjj = Kcol[j];
        colTrace[at(j)] = kjj;
        colSquares[at(j)] = kjj * kjj + 2.0 * ((q[0] + q[1]) + (q[2] + q[3]));
        colHKH[at(j)] = hj * kjj * hj + 2.0 * hj * ((g[0] + g[1]) + (g[2] + g[3]));
    });
    L trK = 0.0L, squaresK = 0.0L, hKh = 0.0L;
    for (Index j = 0; j < n; ++j) {
        trK += colTrace[at(j)];
        squaresK += colSquares[at(j)];
        hKh += colHKH[at(j)];
    }
    const L cube = KernelProducts::cubeTrace(K, ldk, n);

    const L t = 1.0L - s;
    const L g = s * alpha;
    KernelProducts::Traces r;
    r.t1 = static_cast<double>(trK + t * g);
    r.t2 = static_cast<double>(squaresK + 2.0L * t * hh + t * t * g * g);
    r.t3 = static_cast<double>(cube + 3.0L * t * hKh + 3.0L * t * t * g * hh + t * t * t * g * g * g);
    return r;
}

// B formed element by element and its square a block at a time.
KernelProducts::Traces directTraces(const MomentSource& A, const double* p, Index n) {
    EngineBuffers::Scratch B(n + 1, n + 1);
    if (A.q == nullptr) return KernelProducts::momentTraces(A.M, A.ld, p, n, B->data(), B->outerStride());
    EngineBuffers::Scratch stored(n + 1, n + 1);
    Matrix& S = *stored;
    ParallelFor::forEach(n, n >= kParallelFrom, [&](Index j) {
        for (Index i = 0; i < n; ++i) S(i, j) = A(i, j);
    });
    return KernelProducts::momentTraces(S.data(), S.outerStride(), p, n, B->data(), B->outerStride());
}

Moments moments(const RetroState& retro, Index n, const MomentSource& A, bool symmetric, const char* source) {
    checkMomentInputs(retro, n, source);
    const double* p = retro.expectedShare.data() + 1;
    long double s = 0.0L;
    bool nonNegative = true;
    for (Index i = 0; i < n; ++i) {
        s += p[i];
        nonNegative = nonNegative && p[i] >= 0.0;
    }
    const bool centred = !directRouteForced() && nonNegative && s > 0.0L && s <= kCentredUpTo &&
                         (symmetric || isSymmetric(A, n));
    lastRoute() = centred ? ScoreMomentRoute::Route::Centred : ScoreMomentRoute::Route::Direct;
    const KernelProducts::Traces t = centred ? centredTraces(A, p, n, s) : directTraces(A, p, n);
    return momentsFromTraces(t, retro.totalCases, source);
}

void requireCrossProduct(const RetroState& retro, Index n, const char* source) {
    requireWeights(retro.scoreWeights, n, source);
    if (retro.weightCrossProduct.rows() != n + 1 || retro.weightCrossProduct.cols() != n + 1 ||
        retro.scoreWeightShares.size() < at(n) + 1 || retro.scoreWeightExpected.size() < at(n) + 1)
        weightsMissing(source);
}

// C(i,j) for i, j = 1..N, 0-based.
MomentSource unadjustedSource(const RetroState& retro) {
    const Matrix& C = retro.weightCrossProduct;
    return {C.data() + C.outerStride() + 1, C.outerStride(), nullptr};
}

// C(i,j) / sqrt(p_j p_i) for i, j = 1..N, 0-based.
MomentSource adjustedSource(const RetroState& retro) {
    MomentSource s = unadjustedSource(retro);
    s.q = retro.scoreWeightShares.data() + 1;
    return s;
}

Matrix adjustedMomentMatrix(const RetroState& retro, Index n) {
    Matrix A(n, n);
    const MomentSource source = adjustedSource(retro);
    ParallelFor::forEach(n, n >= kParallelFrom, [&](Index j) {
        for (Index i = 0; i < n; ++i) A(i, j) = source(i, j);
    });
    return A;
}

// ---------------------------------------------------------------- standardisation

void standardize(RetroState& retro, double S, bool adjusted, const char* source) {
    const double T = totalCases(retro, source);
    if (!(retro.scoreVariance > 0.0) || !std::isfinite(retro.scoreVariance))
        fail(RuntimeErrors::DivisionByZero,
             "The variance of the score statistic is 0 for these data, so it cannot be standardised.", source);
    if (!(retro.scoreDf >= 0.0) || !std::isfinite(retro.scoreDf))
        fail(RuntimeErrors::InvalidArgument, "The score statistic has no degrees of freedom for these data.", source);
    const double centred = adjusted ? S / T : S / (T * T);
    const double z = finiteResult((centred - retro.scoreMean) / std::sqrt(retro.scoreVariance), "standardised score", source);
    const double chi =
        finiteResult(z * std::sqrt(retro.scoreDf + retro.scoreDf) + retro.scoreDf, "chi-square value of the score", source);
    retro.scoreZ = z;
    retro.scoreChiSquare = chi;
}

// ---------------------------------------------------------------- M statistics

enum class Residual { Poisson, FreemanTukey, Rossi };

void localM(RetroState& retro, Index n, Residual form, const char* source) {
    requireWeights(retro.mWeights, n, source);
    requireArray(retro.observed, n, "observed counts", source);
    requireArray(retro.expected, n, "expected counts", source);

    DoubleArray r(at(n) + 1, 0.0);
    for (Index i = 1; i <= n; ++i) {
        const double O = retro.observed[at(i)];
        const double E = retro.expected[at(i)];
        if (!std::isfinite(O) || !std::isfinite(E))
            fail(RuntimeErrors::InvalidArgument, "Region " + regionText(i) + " has no valid count.", source);
        // The Poisson and Rossi residuals divide by the root of E.
        if (form != Residual::FreemanTukey && !(E > 0.0))
            fail(RuntimeErrors::DivisionByZero,
                 "Region " + regionText(i) + " has an expected count of 0 or below, so its residual cannot be computed.",
                 source);
        switch (form) {
        case Residual::Poisson:
            r[at(i)] = (O - E) / std::sqrt(E);
            break;
        case Residual::FreemanTukey:
            if (O < 0.0 || 4.0 * E + 1.0 < 0.0)
                fail(RuntimeErrors::InvalidArgument,
                     "Region " + regionText(i) + " has a negative count, so its residual cannot be computed.", source);
            r[at(i)] = (std::sqrt(O) + std::sqrt(O + 1.0)) - std::sqrt(4.0 * E + 1.0);
            break;
        case Residual::Rossi:
            if (O < 0.0)
                fail(RuntimeErrors::InvalidArgument,
                     "Region " + regionText(i) + " has a negative observed count, so its residual cannot be computed.",
                     source);
            r[at(i)] = ((O - 3.0 * E) + 2.0 * std::sqrt(E * O)) / (2.0 * std::sqrt(E));
            break;
        }
        finiteResult(r[at(i)], retro.mWeightsSource.pointData ? "residual of a point" : "residual of a region",
                     source);
    }

    const Matrix& W = retro.mWeights;
    DoubleArray M(at(n) + 1, 0.0);
    ParallelFor::forEach(chunks(n), n >= kParallelFrom, [&](Index c) {
        const Index c0 = 1 + c * kChunk, c1 = std::min(n, c0 + kChunk - 1), m = c1 - c0 + 1;
        double sum[kChunk] = {};
        for (Index j = 1; j <= n; ++j) {
            const double rj = r[at(j)];
            const double* col = W.col(j).data() + c0;
            for (Index k = 0; k < m; ++k) sum[k] = sum[k] + rj * col[k];
        }
        for (Index k = 0; k < m; ++k) M[at(c0 + k)] = sum[k];
    });
    for (Index i = 1; i <= n; ++i) finiteResult(M[at(i)], "local M statistic", source);

    switch (form) {
    case Residual::Poisson: retro.poissonResiduals = std::move(r); break;
    case Residual::FreemanTukey: retro.freemanTukeyResiduals = std::move(r); break;
    case Residual::Rossi: retro.rossiResiduals = std::move(r); break;
    }
    retro.localMSorted = M;
    retro.mLegendValues = M;
    retro.mMapValues = M;
    retro.mapClassValues = M;
    retro.localM = std::move(M);
}

}  // namespace

// ---------------------------------------------------------------- public routines

void CalcScoreWeights(StudyAreaState& area, PointState& points, const SharedState& shared, RetroState& retro) {
    CpuState::enterEngine();
    const char* source = "modClusterDetection::CalcScoreWeights";
    try {
        KernelInputs in = kernelInputs(area, points, shared, source);
        const Index n = in.n;
        if (n >= 1) {
            requireArray(retro.expected, n, "expected counts", source);
            requireArray(retro.expectedShare, n, "expected shares", source);
            checkPositive(retro.expected, n, "expected count", source);
            checkPositive(retro.expectedShare, n, "expected share", source);
        }
        KernelSource built;
        Matrix W = buildKernel(area.centroidTable, shared.sigma, n, in.area, retro, built, in.pointData, source);
        Matrix C = EngineBuffers::take(n + 1, n + 1);
        C.row(0).setZero();
        C.col(0).setZero();
        KernelProducts::crossProduct(W.data() + W.outerStride() + 1, W.outerStride(), C.data() + C.outerStride() + 1,
                                     C.outerStride(), n);
        if (!allFinite(C, n + 1))
            fail(RuntimeErrors::Overflow, "The kernel weights have no finite value for these data.", source);

        DoubleArray E(retro.expected.begin(), retro.expected.begin() + n + 1);
        DoubleArray p(retro.expectedShare.begin(), retro.expectedShare.begin() + n + 1);
        E[0] = 0.0;
        p[0] = 0.0;

        commitKernelInputs(area, points, in);
        retro.scoreWeights.swap(W);
        retro.scoreWeightsSource = std::move(built);
        retro.weightCrossProduct.swap(C);
        EngineBuffers::giveBack(W);
        EngineBuffers::giveBack(C);
        retro.scoreWeightExpected = std::move(E);
        retro.scoreWeightShares = std::move(p);
    } catch (const std::bad_alloc&) {
        outOfMemory(source);
    }
}

void CalcMWeights(StudyAreaState& area, PointState& points, const SharedState& shared, RetroState& retro) {
    CpuState::enterEngine();
    const char* source = "modClusterDetection::CalcMWeights";
    try {
        KernelInputs in = kernelInputs(area, points, shared, source);
        KernelSource built;
        Matrix W = buildKernel(area.centroidTable, shared.sigma, in.n, in.area, retro, built, in.pointData, source);
        commitKernelInputs(area, points, in);
        retro.mWeights.swap(W);
        retro.mWeightsSource = std::move(built);
        EngineBuffers::giveBack(W);
    } catch (const std::bad_alloc&) {
        outOfMemory(source);
    }
}

void CalcLocalScoreUnadjusted(const StudyAreaState& area, RetroState& retro) {
    CpuState::enterEngine();
    LocalScores r = localScores(retro, area.regionCount, nullptr, "modClusterDetection::CalcLocalScoreUnadjusted");
    commitScoreCopies(retro, r.u);
    retro.localScoreUnadjusted = std::move(r.u);
    retro.localScoreZUnadjusted = std::move(r.z);
    retro.globalScoreUnadjusted = r.global;
}

void CalcLocalScoreAdjusted(const StudyAreaState& area, RetroState& retro) {
    CpuState::enterEngine();
    const char* source = "modClusterDetection::CalcLocalScoreAdjusted";
    const Index n = area.regionCount;
    if (retro.scoreWeightExpected.size() < at(n) + 1) weightsMissing(source);
    std::vector<double> rootE(at(n) + 1, 0.0);
    for (Index j = 1; j <= n; ++j) rootE[at(j)] = std::sqrt(retro.scoreWeightExpected[at(j)]);
    LocalScores r = localScores(retro, n, rootE.data(), source);
    commitScoreCopies(retro, r.u);
    retro.localScoreAdjusted = std::move(r.u);
    retro.localScoreZAdjusted = std::move(r.z);
    retro.globalScoreAdjusted = r.global;
}

void CalcScoreMoments(const StudyAreaState& area, RetroState& retro, const Matrix& A) {
    CpuState::enterEngine();
    const char* source = "modClusterDetection::CalcScoreMoments";
    try {
        const Index n = area.regionCount;
        if (A.rows() != n || A.cols() != n)
            fail(cMathLib::kMultiplyDimensionError, "Dimensions of the two matrices not suitable for multiplication !", source);
        if (!allFinite(A, n))
            fail(RuntimeErrors::InvalidArgument, "The moment matrix holds a value that is not finite.", source);
        commitMoments(retro, moments(retro, n, MomentSource{A.data(), A.outerStride(), nullptr}, false, source));
    } catch (const std::bad_alloc&) {
        outOfMemory(source);
    }
}

void CalcScoreMomentsUnadjusted(const StudyAreaState& area, RetroState& retro) {
    CpuState::enterEngine();
    const char* source = "modClusterDetection::CalcScoreMomentsUnadjusted";
    try {
        const Index n = area.regionCount;
        requireCrossProduct(retro, n, source);
        commitMoments(retro, moments(retro, n, unadjustedSource(retro), true, source));
    } catch (const std::bad_alloc&) {
        outOfMemory(source);
    }
}

void CalcScoreMomentsAdjusted(const StudyAreaState& area, RetroState& retro) {
    CpuState::enterEngine();
    const char* source = "modClusterDetection::CalcScoreMomentsAdjusted";
    try {
        const Index n = area.regionCount;
        requireCrossProduct(retro, n, source);
        commitMoments(retro, moments(retro, n, adjustedSource(retro), true, source));
    } catch (const std::bad_alloc&) {
        outOfMemory(source);
    }
}

void StandardizeScoreUnadjusted(RetroState& retro) {
    CpuState::enterEngine();
    standardize(retro, retro.globalScoreUnadjusted, false, "modClusterDetection::StandardizeScoreUnadjusted");
}

void StandardizeScoreAdjusted(RetroState& retro) {
    CpuState::enterEngine();
    standardize(retro, retro.globalScoreAdjusted, true, "modClusterDetection::StandardizeScoreAdjusted");
}

void CalcLocalMPoisson(const StudyAreaState& area, RetroState& retro) {
    CpuState::enterEngine();
    localM(retro, area.regionCount, Residual::Poisson, "modClusterDetection::CalcLocalMPoisson");
}

void CalcLocalMFreemanTukey(const StudyAreaState& area, RetroState& retro) {
    CpuState::enterEngine();
    localM(retro, area.regionCount, Residual::FreemanTukey, "modClusterDetection::CalcLocalMFreemanTukey");
}

void CalcLocalMRossi(const StudyAreaState& area, RetroState& retro) {
    CpuState::enterEngine();
    localM(retro, area.regionCount, Residual::Rossi, "modClusterDetection::CalcLocalMRossi");
}

double GetMaxLocalM(const StudyAreaState& area, RetroState& retro) {
    CpuState::enterEngine();
    const char* source = "modClusterDetection::GetMaxLocalM";
    const Index n = area.regionCount;
    if (n < 1 || retro.localMSorted.size() < at(n) + 1)
        fail(RuntimeErrors::SubscriptOutOfRange,
             "The local M statistics have not been computed for the current regions.", source);
    modSorting::ShellSortDouble(retro.localMSorted);
    return retro.localMSorted[at(n)];
}

MCritical GetMCritical(const StudyAreaState& area, const SharedState& shared, const RetroState& retro) {
    CpuState::enterEngine();
    const char* source = "modClusterDetection::GetMCritical";
    const double sigma = shared.sigma;
    const double alpha = retro.alpha;
    const double n = static_cast<double>(area.regionCount);
    if (area.regionCount <= 0)
        fail(RuntimeErrors::DivisionByZero, "There are no regions, so the critical value M* has no value.", source);
    const double t = (sigma * sigma * 0.81 + 1.0) * (alpha * 4.0) / n;
    if (!(t > 0.0) || !std::isfinite(t)) return MCritical{0.0, false};
    const double u = -std::sqrt(3.14159265) * std::log(t);
    if (!(u > 0.0)) return MCritical{0.0, false};
    // Rounded to four decimals through its text, read back whatever the locale.
    const std::string text = formatMask(std::sqrt(u), "###0.0000");
    const std::optional<double> value = parseNumber(text);
    if (!value) fail(RuntimeErrors::Overflow, "The critical value M* has no finite value.", source);
    return MCritical{*value, true};
}

double GetChiSquareCritical(const double& alpha, const double& df) {
    CpuState::enterEngine();
    const char* source = "modClusterDetection::GetChiSquareCritical";
    double z;
    if (alpha == 0.01)
        z = 2.57;
    else if (alpha == 0.05)
        z = 1.96;
    else
        return 0.0;
    if (!std::isfinite(df) || df <= 0.0)
        fail(df == 0.0 ? RuntimeErrors::DivisionByZero : RuntimeErrors::InvalidArgument,
             "The chi-square critical value has no value for " + formatGeneral(df) + " degrees of freedom.", source);
    const double h = 2.0 / (9.0 * df);
    const double base = (1.0 + z * std::sqrt(h)) - h;
    if (!(base > 0.0) || !std::isfinite(h))
        fail(RuntimeErrors::InvalidArgument,
             "The chi-square critical value has no value for " + formatGeneral(df) + " degrees of freedom.", source);
    return finiteResult(df * std::pow(base, 1.0 / 0.33333), "chi-square critical value", source);
}

Matrix ScoreWeightsUnadjusted(const RetroState& retro) { return retro.scoreWeights; }

Matrix ScoreWeightsAdjusted(const RetroState& retro) {
    const Matrix& W = retro.scoreWeights;
    const Index n = W.rows() - 1;
    Matrix A = Matrix::Zero(W.rows(), W.cols());
    if (n < 1 || retro.scoreWeightExpected.size() < at(n) + 1) return A;
    for (Index j = 1; j <= n; ++j) {
        const double root = std::sqrt(retro.scoreWeightExpected[at(j)]);
        for (Index i = 1; i <= n; ++i) A(i, j) = W(i, j) / root;
    }
    return A;
}

Matrix MomentMatrixUnadjusted(const RetroState& retro) {
    const Index n = retro.weightCrossProduct.rows() - 1;
    if (n < 1) return Matrix();
    return retro.weightCrossProduct.bottomRightCorner(n, n);
}

Matrix MomentMatrixAdjusted(const RetroState& retro) {
    const Index n = retro.weightCrossProduct.rows() - 1;
    if (n < 1 || retro.scoreWeightShares.size() < at(n) + 1) return Matrix();
    return adjustedMomentMatrix(retro, n);
}

}  // namespace modClusterDetection

namespace ScoreMomentRoute {

Route last() { return modClusterDetection::lastRoute(); }

void forceDirect(bool yes) { modClusterDetection::directRouteForced() = yes; }

}  // namespace ScoreMomentRoute
