// The two routes of the score moments. The centred route is taken when the
// shares add up to at most 1 (population-and-cases data, and observed-and-
// expected data whose expected counts add up to less than the cases) and
// the moment matrix is symmetric; shares adding up to more than 1, a
// negative share or an asymmetric matrix take the direct route. Both agree
// with the literal computation to a relative 1e-9 on every build, and with
// each other; where the literal algorithm itself loses digits the centred
// route stays with the extended-precision value.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "stats/KernelProducts.h"
#include "stats/ScoreMomentRoute.h"
#include "stats/modClusterDetection.h"
#include "tests/stats/ExtendedReference.h"
#include "tests/stats/LiteralEngine.h"
#include "tests/stats/SyntheticArea.h"

namespace {

namespace cd = modClusterDetection;
using ScoreMomentRoute::Route;
using SyntheticArea::Counts;
using SyntheticArea::Layout;

struct Global {
    double df, mean, variance;
};

Global global(const AppState& s) { return {s.retro.scoreDf, s.retro.scoreMean, s.retro.scoreVariance}; }

void expectClose(const Global& a, const Global& b, double tolerance, const char* what) {
    auto close = [&](double x, double y) { return std::fabs(x - y) <= tolerance * std::max(std::fabs(x), std::fabs(y)); };
    EXPECT_TRUE(close(a.df, b.df)) << what << " df " << a.df << " vs " << b.df;
    EXPECT_TRUE(close(a.mean, b.mean)) << what << " mean " << a.mean << " vs " << b.mean;
    EXPECT_TRUE(close(a.variance, b.variance)) << what << " variance " << a.variance << " vs " << b.variance;
}

// A study area whose shares are scaled to add up to `sum` (the counts stay
// as they are: only the moments read the shares).
AppState area(std::int32_t n, double sigma, double sum, Counts counts, std::uint64_t seed) {
    SyntheticArea::Options o;
    o.n = n;
    o.sigma = sigma;
    o.counts = counts;
    o.seed = seed;
    o.layout = Layout::Scattered;
    AppState s = SyntheticArea::make(o);
    if (sum > 0.0) {
        double total = 0.0;
        for (std::int32_t i = 1; i <= n; ++i) total += s.retro.expectedShare[static_cast<std::size_t>(i)];
        for (std::int32_t i = 1; i <= n; ++i) s.retro.expectedShare[static_cast<std::size_t>(i)] *= sum / total;
    }
    return s;
}

struct Case {
    const char* name;
    double sum;  // 0: as the data give them
    Counts counts;
    Route route;
};

class MomentRoutes : public ::testing::TestWithParam<KernelProducts::Build> {
protected:
    void SetUp() override {
        if (!KernelProducts::available(GetParam())) GTEST_SKIP() << "build not available on this processor";
        KernelProducts::force(GetParam());
    }
    void TearDown() override {
        KernelProducts::useFastest();
        ScoreMomentRoute::forceDirect(false);
    }
};

TEST_P(MomentRoutes, EachSumOfSharesTakesItsRouteAndAgreesWithTheLiteral) {
    const Case cases[] = {
        {"shares sum to 1", 0.0, Counts::PopulationAndCases, Route::Centred},
        {"shares sum to 0.6", 0.6, Counts::ObservedAndExpected, Route::Centred},
        {"shares sum to 0.97", 0.97, Counts::PopulationAndCases, Route::Centred},
        {"shares sum to 1 + 1e-13", 1.0 + 1e-13, Counts::PopulationAndCases, Route::Centred},
        {"shares sum to 1.4", 1.4, Counts::ObservedAndExpected, Route::Direct},
        {"shares sum to 1 + 1e-9", 1.0 + 1e-9, Counts::PopulationAndCases, Route::Direct},
    };
    for (const Case& c : cases) {
        for (std::int32_t n : {40, 290}) {
            for (double sigma : {0.4, 1.5, 5.0}) {
                SCOPED_TRACE(std::string(c.name) + " N=" + std::to_string(n) + " sigma=" + std::to_string(sigma));
                const AppState start = area(n, sigma, c.sum, c.counts, static_cast<std::uint64_t>(n * 31 + sigma * 7));
                for (bool adjusted : {false, true}) {
                    SCOPED_TRACE(adjusted ? "adjusted" : "unadjusted");
                    AppState fast = start, direct = start, lit = start;
                    cd::CalcScoreWeights(fast.area, fast.points, fast.shared, fast.retro);
                    direct.retro = fast.retro;
                    LiteralEngine::CalcScoreWeights(lit);
                    if (adjusted) {
                        cd::CalcScoreMomentsAdjusted(fast.area, fast.retro);
                        LiteralEngine::CalcScoreMomentsAdjusted(lit);
                    } else {
                        cd::CalcScoreMomentsUnadjusted(fast.area, fast.retro);
                        LiteralEngine::CalcScoreMomentsUnadjusted(lit);
                    }
                    EXPECT_EQ(ScoreMomentRoute::last(), c.route);
                    ScoreMomentRoute::forceDirect(true);
                    if (adjusted)
                        cd::CalcScoreMomentsAdjusted(direct.area, direct.retro);
                    else
                        cd::CalcScoreMomentsUnadjusted(direct.area, direct.retro);
                    ScoreMomentRoute::forceDirect(false);
                    EXPECT_EQ(ScoreMomentRoute::last(), Route::Direct);
                    // The wide kernel of the unadjusted form with shares
                    // summing to 1 is where the literal algorithm loses
                    // digits (see below); elsewhere all three agree.
                    if (!(sigma == 5.0 && !adjusted && c.sum <= 1.0 + 1e-12)) {
                        expectClose(global(fast), global(lit), 1e-9, "fast and literal");
                        expectClose(global(direct), global(lit), 1e-9, "direct and literal");
                    }
                    expectClose(global(fast), global(direct), 1e-9, "both routes");
                }
            }
        }
    }
}

// A kernel much wider than the study area with shares summing to 1: the
// unadjusted variance is a difference of nearly equal numbers, and the
// literal algorithm keeps only eleven to fifteen digits of it. The centred
// route stays within 1e-9 of the extended-precision value and no further
// from it than the literal algorithm (with slack for the rounding of the
// reference's own weights).
TEST_P(MomentRoutes, CentredRouteHoldsItsDigitsUnderAWideKernel) {
    struct Wide {
        std::int32_t n;
        double sigma;
    };
    for (const Wide w : {Wide{40, 8.0}, Wide{40, 30.0}, Wide{150, 8.0}, Wide{150, 30.0}}) {
        SCOPED_TRACE("N=" + std::to_string(w.n) + " sigma=" + std::to_string(w.sigma));
        SyntheticArea::Options o;
        o.n = w.n;
        o.sigma = w.sigma;
        o.seed = 77;
        const AppState start = SyntheticArea::make(o);
        AppState fast = start, lit = start;
        cd::CalcScoreWeights(fast.area, fast.points, fast.shared, fast.retro);
        cd::CalcLocalScoreUnadjusted(fast.area, fast.retro);
        cd::CalcScoreMomentsUnadjusted(fast.area, fast.retro);
        ASSERT_EQ(ScoreMomentRoute::last(), Route::Centred);
        LiteralEngine::CalcScoreWeights(lit);
        LiteralEngine::CalcScoreMomentsUnadjusted(lit);
        const ExtendedReference::Global x = ExtendedReference::scoreGlobal(start, false);
        const double pairs[][3] = {{fast.retro.scoreDf, lit.retro.scoreDf, x.df},
                                   {fast.retro.scoreMean, lit.retro.scoreMean, x.mean},
                                   {fast.retro.scoreVariance, lit.retro.scoreVariance, x.variance}};
        for (const auto& p : pairs) {
            const double fastError = std::fabs(p[0] - p[2]), literalError = std::fabs(p[1] - p[2]);
            EXPECT_LE(fastError, 1e-9 * std::fabs(p[2])) << "fast " << p[0] << " extended " << p[2];
            EXPECT_LE(fastError, 2.0 * literalError + 1e-14 * std::fabs(p[2])) << "literal " << p[1];
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Builds, MomentRoutes,
                         ::testing::Values(KernelProducts::Build::Generic, KernelProducts::Build::Avx2,
                                           KernelProducts::Build::Avx512),
                         [](const ::testing::TestParamInfo<KernelProducts::Build>& info) {
                             return std::string(KernelProducts::name(info.param));
                         });

// A moment matrix handed in that is not symmetric, or a negative share,
// takes the direct route, with the literal's values.
TEST(MomentRoutes, AsymmetricMatrixOrNegativeShareTakesTheDirectRoute) {
    const AppState start = area(50, 1.2, 0.0, Counts::PopulationAndCases, 5);
    AppState base = start;
    cd::CalcScoreWeights(base.area, base.points, base.shared, base.retro);
    Matrix asymmetric = cd::MomentMatrixAdjusted(base.retro);
    asymmetric(3, 1) *= 1.5;
    struct Spoil {
        const char* name;
        Matrix A;
        int negativeShare;  // 0: none
    };
    const Spoil spoils[] = {{"asymmetric matrix", asymmetric, 0},
                            {"negative share", cd::MomentMatrixAdjusted(base.retro), 7}};
    for (const Spoil& sp : spoils) {
        SCOPED_TRACE(sp.name);
        AppState fast = base, lit = start;
        if (sp.negativeShare != 0) {
            fast.retro.expectedShare[static_cast<std::size_t>(sp.negativeShare)] *= -1.0;
            lit.retro.expectedShare = fast.retro.expectedShare;
        }
        cd::CalcScoreMoments(fast.area, fast.retro, sp.A);
        EXPECT_EQ(ScoreMomentRoute::last(), Route::Direct);
        LiteralEngine::CalcScoreMoments(lit, sp.A);
        expectClose(global(fast), global(lit), 1e-9, "fast and literal");
    }
}

}  // namespace
