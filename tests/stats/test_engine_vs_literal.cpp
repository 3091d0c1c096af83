// The fast engine against the literal reference: on structured and random
// study areas, shares summing to 1 and not, bandwidths from 1E-8 to 30 and
// sizes from 1 to a few hundred. Kernel, local scores and M statistics come
// out bit for bit; the moments (where only the order of the sums differs)
// to a relative 1e-9.
//
// The one exception is the unadjusted score with shares that sum to 1 under
// a kernel much wider than the study area: its variance falls to 1E-15 and
// below and the literal algorithm itself keeps only six to nine digits.
// There both are measured against an extended-precision computation and the
// fast one must be at least as close to it as the literal one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>

#include "stats/KernelProducts.h"
#include "stats/modClusterDetection.h"
#include "tests/stats/ExtendedReference.h"
#include "tests/stats/LiteralEngine.h"
#include "tests/stats/SyntheticArea.h"
#include "tests/support/CaseNames.h"

namespace {

namespace cd = modClusterDetection;
using SyntheticArea::Counts;
using SyntheticArea::Layout;

struct GlobalResult {
    double df, mean, variance, z, chi;
};

GlobalResult global(const AppState& s) { return {s.retro.scoreDf, s.retro.scoreMean, s.retro.scoreVariance, s.retro.scoreZ, s.retro.scoreChiSquare}; }

void expectRelative(double fast, double literal, double scale, double tolerance, const char* what) {
    const double bound = tolerance * std::max({std::fabs(fast), std::fabs(literal), scale});
    EXPECT_LE(std::fabs(fast - literal), bound) << what << ": fast " << fast << " literal " << literal;
}

bool within(double fast, double literal, double scale, double tolerance) {
    return std::fabs(fast - literal) <= tolerance * std::max({std::fabs(fast), std::fabs(literal), scale});
}

bool globalsAgree(const GlobalResult& f, const GlobalResult& l) {
    // Z is a standard deviate: relative to at least 1.
    return within(f.df, l.df, 0.0, 1e-9) && within(f.mean, l.mean, 0.0, 1e-9) &&
           within(f.variance, l.variance, 0.0, 1e-9) && within(f.z, l.z, 1.0, 1e-9) &&
           within(f.chi, l.chi, f.df, 1e-9);
}

void expectGlobal(const GlobalResult& f, const GlobalResult& l) {
    expectRelative(f.df, l.df, 0.0, 1e-9, "scoreDf");
    expectRelative(f.mean, l.mean, 0.0, 1e-9, "scoreMean");
    expectRelative(f.variance, l.variance, 0.0, 1e-9, "scoreVariance");
    expectRelative(f.z, l.z, 1.0, 1e-9, "scoreZ");
    expectRelative(f.chi, l.chi, f.df, 1e-9, "scoreChiSquare");
}

// Where the two differ beyond 1e-9, the fast result must be no further from
// the extended-precision value than the literal one (with a little slack
// for the reference's own rounding).
void expectNoLessAccurate(const GlobalResult& f, const GlobalResult& l, const AppState& start, bool adjusted) {
    if (globalsAgree(f, l)) return;
    ASSERT_LE(start.area.regionCount, 150) << "fast and literal differ beyond 1e-9 on a well-sized study area";
    const ExtendedReference::Global x = ExtendedReference::scoreGlobal(start, adjusted);
    const double pairs[][3] = {{f.df, l.df, x.df},         {f.mean, l.mean, x.mean}, {f.variance, l.variance, x.variance},
                               {f.z, l.z, x.z},            {f.chi, l.chi, x.chi}};
    const char* names[] = {"scoreDf", "scoreMean", "scoreVariance", "scoreZ", "scoreChiSquare"};
    for (int k = 0; k < 5; ++k) {
        const double fastError = std::fabs(pairs[k][0] - pairs[k][2]);
        const double literalError = std::fabs(pairs[k][1] - pairs[k][2]);
        EXPECT_LE(fastError, 2.0 * literalError + 1e-12 * std::fabs(pairs[k][2]))
            << names[k] << ": fast " << pairs[k][0] << " literal " << pairs[k][1] << " extended " << pairs[k][2];
    }
    ::testing::Test::RecordProperty("ill_conditioned", "true");
}

void expectSameArray(const DoubleArray& fast, const DoubleArray& literal, const char* what) {
    ASSERT_EQ(fast.size(), literal.size()) << what;
    for (std::size_t i = 0; i < fast.size(); ++i) ASSERT_EQ(fast[i], literal[i]) << what << " element " << i;
}

void expectSameMatrix(const Matrix& fast, const Matrix& literal, double tolerance, const char* what) {
    ASSERT_EQ(fast.rows(), literal.rows()) << what;
    ASSERT_EQ(fast.cols(), literal.cols()) << what;
    const double scale = literal.cwiseAbs().maxCoeff();
    for (Eigen::Index j = 0; j < fast.cols(); ++j)
        for (Eigen::Index i = 0; i < fast.rows(); ++i) {
            if (tolerance == 0.0)
                ASSERT_EQ(fast(i, j), literal(i, j)) << what << " (" << i << ", " << j << ")";
            else
                ASSERT_LE(std::fabs(fast(i, j) - literal(i, j)), tolerance * scale) << what << " (" << i << ", " << j << ")";
        }
}

void expectSameScoreCopies(const AppState& fast, const AppState& lit) {
    expectSameArray(fast.retro.scoreMapValues, lit.retro.scoreMapValues, "scoreMapValues");
    expectSameArray(fast.retro.scoreLegendValues, lit.retro.scoreLegendValues, "scoreLegendValues");
    expectSameArray(fast.retro.mapClassValues, lit.retro.mapClassValues, "mapClassValues");
    expectSameArray(fast.retro.mapLegendValues(), lit.retro.mapLegendValues(), "mapLegendValues");
}

void expectSameMCopies(const AppState& fast, const AppState& lit) {
    expectSameArray(fast.retro.localMSorted, lit.retro.localMSorted, "localMSorted");
    expectSameArray(fast.retro.mMapValues, lit.retro.mMapValues, "mMapValues");
    expectSameArray(fast.retro.mLegendValues, lit.retro.mLegendValues, "mLegendValues");
    expectSameArray(fast.retro.mapClassValues, lit.retro.mapClassValues, "mapClassValues");
    expectSameArray(fast.retro.mapLegendValues(), lit.retro.mapLegendValues(), "mapLegendValues");
}

struct Case {
    std::int32_t n;
    double sigma;
    Layout layout;
    Counts counts;
    std::uint64_t seed;
};

std::string name(const Case& c) {
    return "N=" + std::to_string(c.n) + " sigma=" + std::to_string(c.sigma) +
           (c.layout == Layout::Grid ? " grid" : c.layout == Layout::Scattered ? " scattered" : " groups") +
           (c.counts == Counts::PopulationAndCases ? " shares sum to 1" : " shares free") + " seed " +
           std::to_string(c.seed);
}

std::vector<Case> cases() {
    std::vector<Case> v;
    std::uint64_t seed = 11;
    for (std::int32_t n : {1, 2, 3, 5, 12, 40, 150, 300})
        for (double sigma : {1e-8, 0.3, 1.0, 2.5, 8.0, 30.0})
            for (Counts counts : {Counts::PopulationAndCases, Counts::ObservedAndExpected}) {
                const Layout layout = n >= 12 && sigma == 1.0 ? Layout::Scattered
                                      : n >= 12 && sigma == 8.0 ? Layout::Groups
                                                               : Layout::Grid;
                v.push_back({n, sigma, layout, counts, ++seed});
            }
    return v;
}

class EngineVsLiteral : public ::testing::TestWithParam<Case> {};

TEST_P(EngineVsLiteral, SameResults) {
    const Case c = GetParam();
    SyntheticArea::Options o;
    o.n = c.n;
    o.sigma = c.sigma;
    o.layout = c.layout;
    o.counts = c.counts;
    o.seed = c.seed;
    const AppState start = SyntheticArea::make(o);
    AppState fast = start, lit = start;

    cd::CalcScoreWeights(fast.area, fast.points, fast.shared, fast.retro);
    LiteralEngine::CalcScoreWeights(lit);
    expectSameMatrix(fast.retro.scoreWeights, lit.retro.scoreWeights, 0.0, "scoreWeights");
    expectSameMatrix(cd::ScoreWeightsAdjusted(fast.retro), LiteralEngine::ScoreWeightsAdjusted(lit), 0.0, "scoreWeightsAdjusted");
    expectSameMatrix(fast.retro.weightCrossProduct, lit.retro.weightCrossProduct, 1e-13, "weightCrossProduct");
    expectSameMatrix(cd::MomentMatrixAdjusted(fast.retro), LiteralEngine::MomentMatrixAdjusted(lit), 1e-12, "momentMatrixAdjusted");

    cd::CalcLocalScoreUnadjusted(fast.area, fast.retro);
    LiteralEngine::CalcLocalScoreUnadjusted(lit);
    expectSameScoreCopies(fast, lit);
    expectSameArray(fast.retro.localScoreUnadjusted, lit.retro.localScoreUnadjusted, "localScoreUnadjusted");
    expectSameArray(fast.retro.localScoreZUnadjusted, lit.retro.localScoreZUnadjusted, "localScoreZUnadjusted");
    EXPECT_EQ(fast.retro.globalScoreUnadjusted, lit.retro.globalScoreUnadjusted);
    if (c.n >= 2) {
        cd::CalcScoreMomentsUnadjusted(fast.area, fast.retro);
        cd::StandardizeScoreUnadjusted(fast.retro);
        LiteralEngine::CalcScoreMomentsUnadjusted(lit);
        LiteralEngine::StandardizeScoreUnadjusted(lit);
        SCOPED_TRACE("unadjusted");
        if (c.counts == Counts::PopulationAndCases && c.sigma >= 8.0)
            expectNoLessAccurate(global(fast), global(lit), start, false);
        else
            expectGlobal(global(fast), global(lit));
    }

    cd::CalcLocalScoreAdjusted(fast.area, fast.retro);
    LiteralEngine::CalcLocalScoreAdjusted(lit);
    expectSameArray(fast.retro.localScoreAdjusted, lit.retro.localScoreAdjusted, "localScoreAdjusted");
    expectSameArray(fast.retro.localScoreZAdjusted, lit.retro.localScoreZAdjusted, "localScoreZAdjusted");
    EXPECT_EQ(fast.retro.globalScoreAdjusted, lit.retro.globalScoreAdjusted);
    expectSameScoreCopies(fast, lit);
    if (c.n >= 2) {
        cd::CalcScoreMomentsAdjusted(fast.area, fast.retro);
        cd::StandardizeScoreAdjusted(fast.retro);
        LiteralEngine::CalcScoreMomentsAdjusted(lit);
        LiteralEngine::StandardizeScoreAdjusted(lit);
        SCOPED_TRACE("adjusted");
        expectGlobal(global(fast), global(lit));
    }

    cd::CalcMWeights(fast.area, fast.points, fast.shared, fast.retro);
    LiteralEngine::CalcMWeights(lit);
    expectSameMatrix(fast.retro.mWeights, lit.retro.mWeights, 0.0, "mWeights");
    for (auto form : {0, 1, 2}) {
        SCOPED_TRACE(form);
        if (form == 0) {
            cd::CalcLocalMPoisson(fast.area, fast.retro);
            LiteralEngine::CalcLocalMPoisson(lit);
        } else if (form == 1) {
            cd::CalcLocalMFreemanTukey(fast.area, fast.retro);
            LiteralEngine::CalcLocalMFreemanTukey(lit);
        } else {
            cd::CalcLocalMRossi(fast.area, fast.retro);
            LiteralEngine::CalcLocalMRossi(lit);
        }
        expectSameArray(fast.retro.localM, lit.retro.localM, "localM");
        expectSameMCopies(fast, lit);
        EXPECT_EQ(cd::GetMaxLocalM(fast.area, fast.retro), LiteralEngine::GetMaxLocalM(lit));
        expectSameArray(fast.retro.localMSorted, lit.retro.localMSorted, "localMSorted");
    }
    expectSameArray(fast.retro.poissonResiduals, lit.retro.poissonResiduals, "poissonResiduals");
    expectSameArray(fast.retro.freemanTukeyResiduals, lit.retro.freemanTukeyResiduals, "freemanTukeyResiduals");
    expectSameArray(fast.retro.rossiResiduals, lit.retro.rossiResiduals, "rossiResiduals");
}

INSTANTIATE_TEST_SUITE_P(StudyAreas, EngineVsLiteral, ::testing::ValuesIn(cases()),
                         [](const ::testing::TestParamInfo<Case>& info) { return sanitisedCaseName(name(info.param)); });

}  // namespace

namespace {

// The generic build of the block products (for processors without AVX2)
// against the literal engine and against the AVX2 build.
TEST(BlockProducts, GenericBuildAgrees) {
    SyntheticArea::Options o;
    o.n = 200;
    o.sigma = 1.7;
    o.layout = Layout::Scattered;
    const AppState start = SyntheticArea::make(o);
    auto run = [&](bool genericOnly) {
        KernelProducts::setGenericOnly(genericOnly);
        AppState s = start;
        cd::CalcScoreWeights(s.area, s.points, s.shared, s.retro);
        cd::CalcLocalScoreAdjusted(s.area, s.retro);
        cd::CalcScoreMomentsAdjusted(s.area, s.retro);
        cd::StandardizeScoreAdjusted(s.retro);
        KernelProducts::setGenericOnly(false);
        return s;
    };
    const AppState generic = run(true), fastest = run(false);
    AppState lit = start;
    LiteralEngine::CalcScoreWeights(lit);
    LiteralEngine::CalcLocalScoreAdjusted(lit);
    LiteralEngine::CalcScoreMomentsAdjusted(lit);
    LiteralEngine::StandardizeScoreAdjusted(lit);
    expectGlobal(global(generic), global(lit));
    expectGlobal(global(fastest), global(lit));
    expectSameMatrix(generic.retro.weightCrossProduct, lit.retro.weightCrossProduct, 1e-13, "generic weightCrossProduct");
}

}  // namespace

namespace {

void expectSamePoints(const std::vector<DevicePoint>& fast, const std::vector<DevicePoint>& lit, const char* what) {
    ASSERT_EQ(fast.size(), lit.size()) << what;
    for (std::size_t i = 0; i < fast.size(); ++i) {
        ASSERT_EQ(fast[i].X, lit[i].X) << what << " element " << i;
        ASSERT_EQ(fast[i].Y, lit[i].Y) << what << " element " << i;
    }
}

// Point data: N and A come from the drawn points in both, over the values a
// polygon study area left behind.
TEST(PointData, FastAndLiteralAgree) {
    for (std::int32_t n : {3, 17, 120}) {
        for (double sigma : {1e-8, 0.6, 2.0}) {
            SCOPED_TRACE("N=" + std::to_string(n) + " sigma=" + std::to_string(sigma));
            SyntheticArea::Options o;
            o.n = n;
            o.sigma = sigma;
            o.layout = Layout::Scattered;
            o.seed = static_cast<std::uint64_t>(n) * 7 + 1;
            AppState start = SyntheticArea::make(o);
            start.shared.pointDataMode = true;
            start.shared.polygonDataMode = false;
            start.points.pointCount = n;
            start.points.pointScaleX = 1.5;
            start.points.pointScaleY = 2.25;
            start.points.devicePoints.assign(static_cast<std::size_t>(n) + 2, DevicePoint{-7, -7});  // one spare beyond N
            for (std::int32_t i = 1; i <= n; ++i) {
                const auto& c = start.area.centroidTable[static_cast<std::size_t>(i)];
                start.points.devicePoints[static_cast<std::size_t>(i)] = {
                    static_cast<std::int32_t>(std::lround((c.X - 1000.0) * start.points.pointScaleX)),
                    static_cast<std::int32_t>(std::lround((6000.0 - c.Y) * start.points.pointScaleY))};
            }
            start.area.regionCount = n + 40;  // left by a polygon study area
            start.area.studyArea = 1.0;

            AppState fast = start, lit = start;
            cd::CalcScoreWeights(fast.area, fast.points, fast.shared, fast.retro);
            LiteralEngine::CalcScoreWeights(lit);
            EXPECT_EQ(fast.area.regionCount, n);
            EXPECT_EQ(fast.area.regionCount, lit.area.regionCount);
            EXPECT_EQ(fast.area.studyArea, lit.area.studyArea);
            EXPECT_GT(fast.area.studyArea, 0.0);
            EXPECT_EQ(fast.points.hullInputCount, lit.points.hullInputCount);
            EXPECT_EQ(fast.points.hullVertexCount, lit.points.hullVertexCount);
            expectSamePoints(fast.points.devicePoints, lit.points.devicePoints, "devicePoints");
            expectSamePoints(fast.points.hullPoints, lit.points.hullPoints, "hullPoints");
            expectSameMatrix(fast.retro.scoreWeights, lit.retro.scoreWeights, 0.0, "scoreWeights");
            cd::CalcLocalScoreAdjusted(fast.area, fast.retro);
            LiteralEngine::CalcLocalScoreAdjusted(lit);
            expectSameArray(fast.retro.localScoreZAdjusted, lit.retro.localScoreZAdjusted, "localScoreZAdjusted");

            // The M kernel derives them again from the points as they now stand.
            fast.area.regionCount = lit.area.regionCount = 1;
            cd::CalcMWeights(fast.area, fast.points, fast.shared, fast.retro);
            LiteralEngine::CalcMWeights(lit);
            EXPECT_EQ(fast.area.regionCount, n);
            EXPECT_EQ(fast.area.studyArea, lit.area.studyArea);
            expectSamePoints(fast.points.devicePoints, lit.points.devicePoints, "devicePoints after the M kernel");
            expectSameMatrix(fast.retro.mWeights, lit.retro.mWeights, 0.0, "mWeights");
            cd::CalcLocalMRossi(fast.area, fast.retro);
            LiteralEngine::CalcLocalMRossi(lit);
            expectSameArray(fast.retro.localM, lit.retro.localM, "localM");
            expectSameMCopies(fast, lit);
        }
    }
}

}  // namespace

namespace {

// Every build of the block products (generic, AVX2, AVX-512: each where
// this processor can run it) against the literal engine, and its products
// against plain sums.
class EveryBuild : public ::testing::TestWithParam<KernelProducts::Build> {
protected:
    void SetUp() override {
        if (!KernelProducts::available(GetParam()))
            GTEST_SKIP() << "this processor cannot run the " << KernelProducts::name(GetParam()) << " build";
        ASSERT_TRUE(KernelProducts::force(GetParam()));
        ASSERT_EQ(KernelProducts::current(), GetParam());
    }
    void TearDown() override { KernelProducts::useFastest(); }
};

TEST_P(EveryBuild, AgreesWithTheLiteralEngine) {
    struct Area {
        std::int32_t n;
        double sigma;
        Layout layout;
        Counts counts;
    };
    // Sizes that take several blocks of both partitions, and an odd one.
    for (const Area& a : {Area{260, 1.7, Layout::Scattered, Counts::PopulationAndCases},
                          Area{333, 0.9, Layout::Grid, Counts::ObservedAndExpected},
                          Area{129, 4.0, Layout::Groups, Counts::PopulationAndCases}}) {
        SCOPED_TRACE("N=" + std::to_string(a.n));
        SyntheticArea::Options o;
        o.n = a.n;
        o.sigma = a.sigma;
        o.layout = a.layout;
        o.counts = a.counts;
        o.seed = static_cast<std::uint64_t>(a.n);
        const AppState start = SyntheticArea::make(o);
        AppState fast = start, lit = start;
        cd::CalcScoreWeights(fast.area, fast.points, fast.shared, fast.retro);
        LiteralEngine::CalcScoreWeights(lit);
        expectSameMatrix(fast.retro.scoreWeights, lit.retro.scoreWeights, 0.0, "scoreWeights");
        expectSameMatrix(fast.retro.weightCrossProduct, lit.retro.weightCrossProduct, 1e-13, "weightCrossProduct");
        const Matrix& C = fast.retro.weightCrossProduct;
        EXPECT_TRUE(C == C.transpose()) << "the cross product is exactly symmetric";
        for (bool adjusted : {false, true}) {
            SCOPED_TRACE(adjusted ? "adjusted" : "unadjusted");
            if (adjusted) {
                cd::CalcLocalScoreAdjusted(fast.area, fast.retro);
                cd::CalcScoreMomentsAdjusted(fast.area, fast.retro);
                cd::StandardizeScoreAdjusted(fast.retro);
                LiteralEngine::CalcLocalScoreAdjusted(lit);
                LiteralEngine::CalcScoreMomentsAdjusted(lit);
                LiteralEngine::StandardizeScoreAdjusted(lit);
            } else {
                cd::CalcLocalScoreUnadjusted(fast.area, fast.retro);
                cd::CalcScoreMomentsUnadjusted(fast.area, fast.retro);
                cd::StandardizeScoreUnadjusted(fast.retro);
                LiteralEngine::CalcLocalScoreUnadjusted(lit);
                LiteralEngine::CalcScoreMomentsUnadjusted(lit);
                LiteralEngine::StandardizeScoreUnadjusted(lit);
            }
            expectGlobal(global(fast), global(lit));
        }
    }
}

// The products alone, on a matrix of both signs with no structure to hide
// a wrong block: sums in long double as the yardstick.
TEST_P(EveryBuild, ProductsMatchPlainSums) {
    for (Eigen::Index n : {1, 7, 130, 401}) {
        SCOPED_TRACE("n=" + std::to_string(n));
        std::mt19937_64 g(static_cast<std::uint64_t>(n) + 5);
        Matrix W(n + 3, n);  // a leading dimension other than n
        for (Eigen::Index j = 0; j < n; ++j)
            for (Eigen::Index i = 0; i < n + 3; ++i) W(i, j) = SyntheticArea::uniform(g) - 0.5;
        Matrix C = Matrix::Constant(n + 1, n, 99.0);
        KernelProducts::crossProduct(W.data(), W.outerStride(), C.data(), C.outerStride(), n);
        long double cube = 0.0L;
        for (Eigen::Index j = 0; j < n; ++j)
            for (Eigen::Index i = 0; i < n; ++i) {
                long double sum = 0.0L;
                for (Eigen::Index k = 0; k < n; ++k) sum += static_cast<long double>(W(k, i)) * W(k, j);
                ASSERT_NEAR(C(i, j), static_cast<double>(sum), 1e-13 * n) << i << "," << j;
                ASSERT_EQ(C(i, j), C(j, i));
            }
        EXPECT_EQ(C(n, 0), 99.0) << "nothing beyond the n rows is written";
        // K = C - 1 (both signs); only its lower triangle may be read.
        Matrix K = C.topRows(n).array() - 1.0;
        Matrix lowerOnly = K;
        for (Eigen::Index j = 0; j < n; ++j)
            for (Eigen::Index i = 0; i < j; ++i) lowerOnly(i, j) = std::nan("");
        for (Eigen::Index i = 0; i < n; ++i)
            for (Eigen::Index j = 0; j < n; ++j) {
                long double kk = 0.0L;
                for (Eigen::Index k = 0; k < n; ++k) kk += static_cast<long double>(K(i, k)) * K(k, j);
                cube += kk * K(j, i);
            }
        const double fast = KernelProducts::cubeTrace(lowerOnly.data(), lowerOnly.outerStride(), n);
        EXPECT_NEAR(fast, static_cast<double>(cube), 1e-12 * std::fabs(static_cast<double>(cube)) + 1e-12);
    }
}

INSTANTIATE_TEST_SUITE_P(Builds, EveryBuild,
                         ::testing::Values(KernelProducts::Build::Generic, KernelProducts::Build::Avx2,
                                           KernelProducts::Build::Avx512),
                         [](const ::testing::TestParamInfo<KernelProducts::Build>& info) {
                             return std::string(KernelProducts::name(info.param));
                         });

TEST(EveryBuild, AnUnavailableBuildIsRefusedAndChangesNothing) {
    const KernelProducts::Build before = KernelProducts::current();
    for (auto b : {KernelProducts::Build::Generic, KernelProducts::Build::Avx2, KernelProducts::Build::Avx512}) {
        if (KernelProducts::available(b)) continue;
        EXPECT_FALSE(KernelProducts::force(b));
        EXPECT_EQ(KernelProducts::current(), before);
    }
    EXPECT_TRUE(KernelProducts::available(KernelProducts::Build::Generic));
}

}  // namespace
