// The worked values of the kernel, the local scores, the moments, the M
// statistics and the critical values, and the degenerate inputs that must
// raise a numbered error and change nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "platform/Error.h"
#include "stats/modClusterDetection.h"
#include "tests/stats/SyntheticArea.h"

namespace {

namespace cd = modClusterDetection;

// A small study area on a 10-unit grid with hand-picked counts.
AppState smallArea(const std::vector<double>& O, const std::vector<double>& E, double sigma, bool sharesFromE) {
    AppState s;
    const auto n = static_cast<std::int32_t>(O.size());
    s.area.regionCount = n;
    s.shared.polygonDataMode = true;
    s.shared.sigma = sigma;
    s.retro.alpha = 0.05;
    s.area.studyArea = 100.0 * n;
    s.area.centroidTable.assign(O.size() + 1, {});
    s.retro.observed.assign(O.size() + 1, 0.0);
    s.retro.expected.assign(O.size() + 1, 0.0);
    s.retro.expectedShare.assign(O.size() + 1, 0.0);
    double T = 0.0, sumE = 0.0;
    for (std::size_t i = 0; i < O.size(); ++i) {
        T += O[i];
        sumE += E[i];
    }
    s.retro.totalCases = T;
    for (std::size_t i = 1; i <= O.size(); ++i) {
        s.area.centroidTable[i] = {std::to_string(i), 10.0 * static_cast<double>((i - 1) % 4), 10.0 * static_cast<double>((i - 1) / 4)};
        s.retro.observed[i] = O[i - 1];
        s.retro.expected[i] = E[i - 1];
        s.retro.expectedShare[i] = sharesFromE ? E[i - 1] / T : E[i - 1] / sumE;
    }
    return s;
}

const std::vector<double> kObserved = {4, 9, 2, 7, 12, 1, 5, 8};
// Expected counts proportional to a population, summing to the case total 48.
const std::vector<double> kExpected = {6, 6, 3, 9, 9, 3, 6, 6};

TEST(KernelWeights, TinyBandwidthGivesIdentityMatrices) {
    AppState s = smallArea(kObserved, kExpected, 1e-8, false);
    cd::CalcScoreWeights(s.area, s.points, s.shared, s.retro);
    cd::CalcMWeights(s.area, s.points, s.shared, s.retro);
    const auto n = s.area.regionCount;
    EXPECT_EQ(s.retro.scoreWeights.rows(), n + 1);
    for (int i = 0; i <= n; ++i)
        for (int j = 0; j <= n; ++j) {
            const double id = (i == j && i > 0) ? 1.0 : 0.0;
            EXPECT_EQ(s.retro.scoreWeights(i, j), id) << i << "," << j;
            EXPECT_EQ(s.retro.weightCrossProduct(i, j), id) << i << "," << j;
            EXPECT_EQ(s.retro.mWeights(i, j), id) << i << "," << j;
        }
    EXPECT_EQ(cd::MomentMatrixUnadjusted(s.retro).rows(), n);
    EXPECT_EQ(cd::MomentMatrixAdjusted(s.retro).cols(), n);
}

TEST(KernelWeights, RowsHaveUnitSumOfSquaresAndCrossProductIsSymmetric) {
    for (double sigma : {0.2, 1.0, 3.0}) {
        SCOPED_TRACE(sigma);
        AppState s = smallArea(kObserved, kExpected, sigma, false);
        cd::CalcScoreWeights(s.area, s.points, s.shared, s.retro);
        const auto n = s.area.regionCount;
        for (int i = 1; i <= n; ++i) EXPECT_NEAR(s.retro.scoreWeights.row(i).squaredNorm(), 1.0, 1e-15);
        EXPECT_EQ(s.retro.weightCrossProduct, s.retro.weightCrossProduct.transpose());
        EXPECT_NE(s.retro.scoreWeights, s.retro.scoreWeights.transpose());  // rows normalised apart
        const Matrix adjusted = cd::ScoreWeightsAdjusted(s.retro);
        for (int j = 1; j <= n; ++j)
            for (int i = 1; i <= n; ++i)
                EXPECT_EQ(adjusted(i, j), s.retro.scoreWeights(i, j) / std::sqrt(kExpected[static_cast<std::size_t>(j - 1)]));
        EXPECT_EQ(cd::ScoreWeightsUnadjusted(s.retro), s.retro.scoreWeights);
        // W and C are the only matrices the kernel stores.
        RetroMatrices none;
        int stored = 0;
        s.retro.forEachMatrix(none, [&stored](Matrix& m, Matrix&) { stored += m.size() != 0; });
        EXPECT_EQ(stored, 2);
    }
}

TEST(KernelWeights, SharedCentroidGivesTiedLargestEntries) {
    AppState s = smallArea({3, 4, 5}, {4, 4, 4}, 0.7, false);
    s.area.centroidTable[2].X = s.area.centroidTable[1].X;
    s.area.centroidTable[2].Y = s.area.centroidTable[1].Y;
    cd::CalcMWeights(s.area, s.points, s.shared, s.retro);
    EXPECT_EQ(s.retro.mWeights(1, 1), s.retro.mWeights(1, 2));
    EXPECT_EQ(s.retro.mWeights(2, 1), s.retro.mWeights(2, 2));
    EXPECT_GT(s.retro.mWeights(1, 1), s.retro.mWeights(1, 3));
}

TEST(KernelWeights, SingleRegion) {
    AppState s = smallArea({5}, {5}, 1.0, false);
    cd::CalcScoreWeights(s.area, s.points, s.shared, s.retro);
    EXPECT_EQ(s.retro.scoreWeights(1, 1), 1.0);
    EXPECT_EQ(s.retro.weightCrossProduct(1, 1), 1.0);
    EXPECT_EQ(cd::MomentMatrixUnadjusted(s.retro).size(), 1);
    EXPECT_EQ(cd::MomentMatrixAdjusted(s.retro).size(), 1);
    EXPECT_EQ(cd::MomentMatrixAdjusted(s.retro)(0, 0), 1.0 / std::sqrt(s.retro.expectedShare[1] * s.retro.expectedShare[1]));
    EXPECT_EQ(cd::ScoreWeightsAdjusted(s.retro)(1, 1), 1.0 / std::sqrt(5.0));
    cd::CalcMWeights(s.area, s.points, s.shared, s.retro);
    EXPECT_EQ(s.retro.mWeights.rows(), 2);
    EXPECT_EQ(s.retro.mWeights(1, 1), 1.0);
}

TEST(KernelWeights, PointDataDeriveCountAndAreaFromTheDrawnPoints) {
    AppState s = smallArea({3, 4, 5, 6}, {4, 4, 5, 5}, 1.0, false);
    s.area.regionCount = 99;  // left by a polygon study area
    s.area.studyArea = 12345.0;
    s.shared.pointDataMode = true;
    s.shared.polygonDataMode = false;
    s.points.pointCount = 4;
    s.points.pointScaleX = s.points.pointScaleY = 2.0;
    s.points.devicePoints = {{0, 0}, {0, 0}, {100, 0}, {100, 50}, {0, 50}};
    cd::CalcScoreWeights(s.area, s.points, s.shared, s.retro);
    EXPECT_EQ(s.area.regionCount, 4);
    EXPECT_DOUBLE_EQ(s.area.studyArea, 1250.0);
    EXPECT_EQ(s.points.hullVertexCount, 4);
    EXPECT_EQ(s.retro.scoreWeights.rows(), 5);
}

TEST(LocalScores, IdentityKernelGivesPlainDifferences) {
    AppState s = smallArea(kObserved, kExpected, 1e-8, false);
    cd::CalcScoreWeights(s.area, s.points, s.shared, s.retro);
    cd::CalcLocalScoreUnadjusted(s.area, s.retro);
    const double T = s.retro.totalCases;
    double S = 0.0;
    for (int i = 1; i <= s.area.regionCount; ++i) {
        const double O = s.retro.observed[static_cast<std::size_t>(i)], E = s.retro.expected[static_cast<std::size_t>(i)];
        EXPECT_EQ(s.retro.localScoreUnadjusted[static_cast<std::size_t>(i)], O - E);
        EXPECT_EQ(s.retro.localScoreZUnadjusted[static_cast<std::size_t>(i)], (O - E) / std::sqrt(E - E / T));
        S += (O - E) * (O - E);
    }
    EXPECT_EQ(s.retro.globalScoreUnadjusted, S);
    EXPECT_EQ(s.retro.localScoreUnadjusted[0], 0.0);

    cd::CalcLocalScoreAdjusted(s.area, s.retro);
    for (int i = 1; i <= s.area.regionCount; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const double O = s.retro.observed[k], E = s.retro.expected[k];
        const double U = (O - E) / std::sqrt(E);
        EXPECT_NEAR(s.retro.localScoreAdjusted[k], U, 1e-14 * std::fabs(U) + 1e-300);
        EXPECT_NEAR(s.retro.localScoreZAdjusted[k], U / std::sqrt(1.0 - std::sqrt(E) / T), 1e-13);
        // The last form computed owns the four copies.
        EXPECT_EQ(s.retro.scoreMapValues[k], s.retro.localScoreAdjusted[k]);
        EXPECT_EQ(s.retro.scoreLegendValues[k], s.retro.localScoreAdjusted[k]);
        EXPECT_EQ(s.retro.mapClassValues[k], s.retro.localScoreAdjusted[k]);
        EXPECT_EQ(s.retro.mapLegendValues()[k], s.retro.localScoreAdjusted[k]);
    }
}

TEST(LocalScores, ObservedEqualToExpectedEverywhereGivesZero) {
    AppState s = smallArea({4, 4, 4, 4, 4}, {4, 4, 4, 4, 4}, 1.5, false);
    cd::CalcScoreWeights(s.area, s.points, s.shared, s.retro);
    cd::CalcLocalScoreUnadjusted(s.area, s.retro);
    for (int i = 1; i <= 5; ++i) {
        EXPECT_EQ(s.retro.localScoreUnadjusted[static_cast<std::size_t>(i)], 0.0);
        EXPECT_EQ(s.retro.localScoreZUnadjusted[static_cast<std::size_t>(i)], 0.0);
    }
}

TEST(LocalScores, GlobalIsTheSumOfSquares) {
    SyntheticArea::Options o;
    o.n = 60;
    o.sigma = 1.3;
    AppState s = SyntheticArea::make(o);
    cd::CalcScoreWeights(s.area, s.points, s.shared, s.retro);
    cd::CalcLocalScoreUnadjusted(s.area, s.retro);
    double S = 0.0;
    for (int i = 1; i <= 60; ++i) S += s.retro.localScoreUnadjusted[static_cast<std::size_t>(i)] * s.retro.localScoreUnadjusted[static_cast<std::size_t>(i)];
    EXPECT_EQ(s.retro.globalScoreUnadjusted, S);
}

TEST(ScoreMoments, AdjustedIdentityKernelGivesThePearsonChiSquare) {
    AppState s = smallArea(kObserved, kExpected, 1e-8, false);
    cd::CalcScoreWeights(s.area, s.points, s.shared, s.retro);
    cd::CalcLocalScoreAdjusted(s.area, s.retro);
    cd::CalcScoreMomentsAdjusted(s.area, s.retro);
    cd::StandardizeScoreAdjusted(s.retro);
    const double n = s.area.regionCount;
    EXPECT_NEAR(s.retro.scoreDf, n - 1.0, 1e-12);
    double pearson = 0.0;
    for (int i = 1; i <= s.area.regionCount; ++i) {
        const double O = s.retro.observed[static_cast<std::size_t>(i)], E = s.retro.expected[static_cast<std::size_t>(i)];
        pearson += (O - E) * (O - E) / E;
    }
    EXPECT_NEAR(s.retro.scoreChiSquare, pearson, 1e-11 * pearson);
    // Chi-square minus df has the sign of Z.
    EXPECT_EQ(s.retro.scoreChiSquare - s.retro.scoreDf > 0.0, s.retro.scoreZ > 0.0);
}

TEST(ScoreMoments, IdentityKernelMoments) {
    // Identity W: B = V (unadjusted) or diag(1/sqrt p) V diag(sqrt p)
    // (adjusted, similar to V), so t1 = t2 = t3 = N - 1 when the shares sum
    // to 1, and the mean and variance follow from T alone.
    for (bool adjusted : {false, true}) {
        SCOPED_TRACE(adjusted ? "adjusted" : "unadjusted");
        AppState s = smallArea(kObserved, kExpected, 1e-8, false);
        cd::CalcScoreWeights(s.area, s.points, s.shared, s.retro);
        if (adjusted)
            cd::CalcScoreMomentsAdjusted(s.area, s.retro);
        else
            cd::CalcScoreMoments(s.area, s.retro, cd::MomentMatrixUnadjusted(s.retro));
        const double n = s.area.regionCount, T = s.retro.totalCases;
        if (adjusted) {
            EXPECT_NEAR(s.retro.scoreDf, n - 1.0, 1e-12);
            EXPECT_NEAR(s.retro.scoreMean, (n - 1.0) / T, 1e-15);
            EXPECT_NEAR(s.retro.scoreVariance, 2.0 * (n - 1.0) / (T * T), 1e-16);
        } else {
            // tr(V) = 1 - sum p^2, tr(V^2) = sum p^2 - 2 sum p^3 + (sum p^2)^2.
            double p2 = 0.0, p3 = 0.0;
            for (int i = 1; i <= s.area.regionCount; ++i) {
                const double p = s.retro.expectedShare[static_cast<std::size_t>(i)];
                p2 += p * p;
                p3 += p * p * p;
            }
            EXPECT_NEAR(s.retro.scoreMean, (1.0 - p2) / T, 1e-15);
            EXPECT_NEAR(s.retro.scoreVariance, 2.0 * (p2 - 2.0 * p3 + p2 * p2) / (T * T), 1e-17);
        }
    }
}

struct StandardizeCase {
    const char* name;
    bool adjusted;
    double global, T, mean, variance, df;
    double z, chi;
};

TEST(ScoreMoments, StandardizationFormulas) {
    // Numbers chosen so that every step is exact in binary.
    const StandardizeCase cases[] = {
        {"unadjusted at its mean gives chi = df", false, 48.0 * 48.0 * 0.25, 48.0, 0.25, 4.0, 8.0, 0.0, 8.0},
        {"adjusted at its mean gives chi = df", true, 48.0 * 0.25, 48.0, 0.25, 4.0, 8.0, 0.0, 8.0},
        {"unadjusted divides by T squared", false, 4.0 * 4.0 * 2.25, 4.0, 0.25, 4.0, 2.0, 1.0, 4.0},
        {"adjusted divides by T", true, 4.0 * 2.25, 4.0, 0.25, 4.0, 2.0, 1.0, 4.0},
        {"below the mean", true, 0.0, 2.0, 2.0, 1.0, 8.0, -2.0, 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AppState s;
        s.retro.totalCases = c.T;
        s.retro.scoreMean = c.mean;
        s.retro.scoreVariance = c.variance;
        s.retro.scoreDf = c.df;
        if (c.adjusted) {
            s.retro.globalScoreAdjusted = c.global;
            s.retro.globalScoreUnadjusted = 1e6;  // not read
            cd::StandardizeScoreAdjusted(s.retro);
        } else {
            s.retro.globalScoreUnadjusted = c.global;
            s.retro.globalScoreAdjusted = 1e6;
            cd::StandardizeScoreUnadjusted(s.retro);
        }
        EXPECT_EQ(s.retro.scoreZ, c.z);
        EXPECT_EQ(s.retro.scoreChiSquare, c.chi);
        EXPECT_EQ(s.retro.scoreDf, c.df);  // the moments are read, not written
        EXPECT_EQ(s.retro.scoreMean, c.mean);
    }
}

TEST(ScoreMoments, GeneralMomentMatrixMatchesTheStoredOne) {
    SyntheticArea::Options o;
    o.n = 30;
    o.sigma = 0.8;
    AppState a = SyntheticArea::make(o);
    cd::CalcScoreWeights(a.area, a.points, a.shared, a.retro);
    AppState b = a;
    cd::CalcScoreMomentsAdjusted(a.area, a.retro);
    cd::CalcScoreMoments(b.area, b.retro, cd::MomentMatrixAdjusted(b.retro));
    EXPECT_EQ(a.retro.scoreDf, b.retro.scoreDf);
    EXPECT_EQ(a.retro.scoreMean, b.retro.scoreMean);
    EXPECT_EQ(a.retro.scoreVariance, b.retro.scoreVariance);
}

TEST(LocalM, IdentityKernelGivesTheResiduals) {
    AppState s = smallArea(kObserved, kExpected, 1e-8, false);
    cd::CalcMWeights(s.area, s.points, s.shared, s.retro);
    double largest = -1e300;
    cd::CalcLocalMPoisson(s.area, s.retro);
    for (int i = 1; i <= s.area.regionCount; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const double r = (s.retro.observed[k] - s.retro.expected[k]) / std::sqrt(s.retro.expected[k]);
        EXPECT_EQ(s.retro.poissonResiduals[k], r);
        EXPECT_EQ(s.retro.localM[k], r);
        for (const DoubleArray* copy : std::initializer_list<const DoubleArray*>{&s.retro.localMSorted, &s.retro.mMapValues, &s.retro.mLegendValues, &s.retro.mapClassValues, &s.retro.mapLegendValues()})
            EXPECT_EQ((*copy)[k], r);
        largest = std::max(largest, r);
    }
    EXPECT_EQ(cd::GetMaxLocalM(s.area, s.retro), largest);
    EXPECT_EQ(cd::GetMaxLocalM(s.area, s.retro), largest);  // a second call sorts the sorted copy
    EXPECT_EQ(s.retro.localMSorted[0], 0.0);
    for (std::size_t k = 2; k < s.retro.localMSorted.size(); ++k) EXPECT_LE(s.retro.localMSorted[k - 1], s.retro.localMSorted[k]);
}

struct ResidualCase {
    const char* name;
    double O, E;
    double poisson, freemanTukey, rossi;
};

TEST(LocalM, ResidualValues) {
    const ResidualCase cases[] = {
        {"observed equals expected 1", 1, 1, 0.0, std::sqrt(1.0) + std::sqrt(2.0) - std::sqrt(5.0), 0.0},
        {"no cases", 0, 4, -2.0, 1.0 - std::sqrt(17.0), -1.5 * 2.0},
        {"excess", 9, 4, 2.5, 3.0 + std::sqrt(10.0) - std::sqrt(17.0), (9.0 - 12.0 + 2.0 * 6.0) / 4.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AppState s = smallArea({c.O}, {c.E}, 1e-8, false);
        cd::CalcMWeights(s.area, s.points, s.shared, s.retro);
        cd::CalcLocalMPoisson(s.area, s.retro);
        EXPECT_DOUBLE_EQ(s.retro.localM[1], c.poisson);
        cd::CalcLocalMFreemanTukey(s.area, s.retro);
        EXPECT_DOUBLE_EQ(s.retro.localM[1], c.freemanTukey);
        cd::CalcLocalMRossi(s.area, s.retro);
        EXPECT_DOUBLE_EQ(s.retro.localM[1], c.rossi);
    }
    AppState s = smallArea({1}, {1}, 1e-8, false);
    cd::CalcMWeights(s.area, s.points, s.shared, s.retro);
    cd::CalcLocalMFreemanTukey(s.area, s.retro);
    EXPECT_EQ(std::round(s.retro.freemanTukeyResiduals[1] * 1e5) / 1e5, 0.17815);
}

TEST(LocalM, AllNegativeMaximumIsClosestToZero) {
    AppState s = smallArea({0, 1, 0, 2}, {3, 3, 4, 5}, 1e-8, false);
    cd::CalcMWeights(s.area, s.points, s.shared, s.retro);
    cd::CalcLocalMPoisson(s.area, s.retro);
    EXPECT_DOUBLE_EQ(cd::GetMaxLocalM(s.area, s.retro), (1.0 - 3.0) / std::sqrt(3.0));
}

struct MCriticalCase {
    const char* name;
    double sigma, alpha;
    std::int32_t n;
    double expected;
};

// M* at bandwidth sigma and level alpha on n regions.
cd::MCritical mCriticalOf(double sigma, double alpha, std::int32_t n) {
    AppState s;
    s.shared.sigma = sigma;
    s.retro.alpha = alpha;
    s.area.regionCount = n;
    return cd::GetMCritical(s.area, s.shared, s.retro);
}

TEST(CriticalValues, MCritical) {
    const MCriticalCase cases[] = {
        {"zero bandwidth", 1e-8, 0.05, 100, 3.3189},
        {"bandwidth 1", 1.0, 0.05, 100, 3.1565},
        {"bandwidth 1 at 0.01", 1.0, 0.01, 100, 3.58},
        // t just below 1: 0.058955 read back from "0.0590".
        {"bandwidth 7.77 on 10 regions", 7.77, 0.05, 10, 0.059},
        // 2.0912816 and 3.1810269: the mask rounds, it does not cut.
        {"bandwidth 2 on 10 regions", 2.0, 0.05, 10, 2.0913},
        {"bandwidth 3 at 0.01", 3.0, 0.01, 100, 3.181},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const cd::MCritical m = mCriticalOf(c.sigma, c.alpha, c.n);
        EXPECT_EQ(m.value, c.expected);
        EXPECT_TRUE(m.defined);
    }
    // Where the formula has no value the engine says so in its result, for
    // the window to tell the user, and gives 0.
    const struct {
        const char* name;
        double sigma, alpha;
        std::int32_t n;
    } undefined[] = {
        {"bandwidth 7.78 on 10 regions", 7.78, 0.05, 10},
        {"t = 0: no logarithm", 7.78, 0.0, 10},
        {"bandwidth 8", 8.0, 0.05, 10},  // every sigma from 7.78 on
        {"bandwidth 20", 20.0, 0.05, 10},
        {"bandwidth 1e6", 1e6, 0.05, 10},
        {"bandwidth 1e200", 1e200, 0.05, 10},
        {"t below 0", 7.78, -0.05, 10},
        {"t exactly 1: u = -0, which is not above 0", 0.0, 0.25, 1},
    };
    for (const auto& c : undefined) {
        SCOPED_TRACE(c.name);
        const cd::MCritical m = mCriticalOf(c.sigma, c.alpha, c.n);
        EXPECT_EQ(m.value, 0.0);
        EXPECT_FALSE(m.defined);
    }
    EXPECT_STREQ(cd::kMCriticalNoticeText, "Error!");
    EXPECT_STREQ(cd::kMCriticalNoticeTitle, "Warning!");
}

struct ChiCriticalCase {
    const char* name;
    double alpha, df;
    double expected3;
};

TEST(CriticalValues, ChiSquare) {
    const ChiCriticalCase cases[] = {
        {"0.05 on 5", 0.05, 5.0, 12.822},
        {"0.01 on 5", 0.01, 5.0, 16.786},
        {"0.05 on 1", 0.05, 1.0, 4.928},
        {"other level", 0.1, 5.0, 0.0},
        {"near 0.05", std::nextafter(0.05, 1.0), 5.0, 0.0},
        {"just below 0.01", std::nextafter(0.01, 0.0), 5.0, 0.0},
        // Levels that come out of arithmetic count only when they are the
        // very same double.
        {"0.1 x 0.5 is the double 0.05", 0.1 * 0.5, 5.0, 12.822},
        {"1 / 100 is the double 0.01", 1.0 / 100.0, 5.0, 16.786},
        {"0.15 - 0.1 is not 0.05", 0.15 - 0.1, 5.0, 0.0},
        {"0.03 - 0.02 is not 0.01", 0.03 - 0.02, 5.0, 0.0},
        {"a level of 0", 0.0, 5.0, 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(std::round(cd::GetChiSquareCritical(c.alpha, c.df) * 1000.0) / 1000.0, c.expected3);
    }
}

// ---------------------------------------------------------------- degenerate input

// Every program-wide result the engine writes, to check that a failing call
// leaves them as they were.
struct Results {
    std::vector<Matrix> matrices;
    std::vector<DoubleArray> arrays;
    std::vector<double> scalars;
    std::vector<std::int32_t> devicePoints, hullPoints;
    bool operator==(const Results&) const = default;
};

std::vector<std::int32_t> points(const std::vector<DevicePoint>& v) {
    std::vector<std::int32_t> r;
    for (const DevicePoint& p : v) {
        r.push_back(p.X);
        r.push_back(p.Y);
    }
    return r;
}

Results results(const AppState& s) {
    return {{s.retro.scoreWeights, s.retro.weightCrossProduct, s.retro.mWeights},
            {s.retro.scoreWeightExpected, s.retro.scoreWeightShares, s.retro.localScoreUnadjusted, s.retro.localScoreZUnadjusted,
             s.retro.localScoreAdjusted, s.retro.localScoreZAdjusted, s.retro.scoreMapValues, s.retro.scoreLegendValues, s.retro.poissonResiduals,
             s.retro.freemanTukeyResiduals, s.retro.rossiResiduals, s.retro.localM, s.retro.localMSorted, s.retro.mMapValues, s.retro.mLegendValues,
             s.retro.mapClassValues, s.retro.mapLegendValues()},
            {s.retro.globalScoreUnadjusted, s.retro.globalScoreAdjusted, s.retro.scoreDf, s.retro.scoreMean, s.retro.scoreVariance, s.retro.scoreZ,
             s.retro.scoreChiSquare, static_cast<double>(s.area.regionCount), s.area.studyArea,
             static_cast<double>(s.points.hullInputCount), static_cast<double>(s.points.hullVertexCount)},
            points(s.points.devicePoints), points(s.points.hullPoints)};
}

// A state with every result filled from a good run.
AppState computed() {
    AppState s = smallArea(kObserved, kExpected, 1.0, false);
    cd::CalcScoreWeights(s.area, s.points, s.shared, s.retro);
    cd::CalcLocalScoreUnadjusted(s.area, s.retro);
    cd::CalcScoreMomentsUnadjusted(s.area, s.retro);
    cd::StandardizeScoreUnadjusted(s.retro);
    cd::CalcMWeights(s.area, s.points, s.shared, s.retro);
    cd::CalcLocalMPoisson(s.area, s.retro);
    cd::CalcLocalMFreemanTukey(s.area, s.retro);
    cd::CalcLocalMRossi(s.area, s.retro);
    return s;
}

void spoilCoincident(AppState& s) {
    s.shared.sigma = 1e-154;
    for (auto& c : s.area.centroidTable) c.X = c.Y = 5.0;
}

// Point data of eight points with the given pixel positions (element 0
// first, holding nothing), over a polygon result left in the state.
void toPointData(AppState& s, const std::vector<DevicePoint>& drawn) {
    s.shared.pointDataMode = true;
    s.shared.polygonDataMode = false;
    s.points.pointCount = 8;
    s.points.pointScaleX = s.points.pointScaleY = 2.0;
    s.points.devicePoints = drawn;
}

// The routines of the table below called on a whole state, each with the
// parts it takes.
namespace whole {
void CalcScoreWeights(AppState& s) { cd::CalcScoreWeights(s.area, s.points, s.shared, s.retro); }
void CalcMWeights(AppState& s) { cd::CalcMWeights(s.area, s.points, s.shared, s.retro); }
void CalcLocalScoreUnadjusted(AppState& s) { cd::CalcLocalScoreUnadjusted(s.area, s.retro); }
void CalcLocalScoreAdjusted(AppState& s) { cd::CalcLocalScoreAdjusted(s.area, s.retro); }
void CalcScoreMomentsUnadjusted(AppState& s) { cd::CalcScoreMomentsUnadjusted(s.area, s.retro); }
void CalcScoreMomentsAdjusted(AppState& s) { cd::CalcScoreMomentsAdjusted(s.area, s.retro); }
void StandardizeScoreUnadjusted(AppState& s) { cd::StandardizeScoreUnadjusted(s.retro); }
void StandardizeScoreAdjusted(AppState& s) { cd::StandardizeScoreAdjusted(s.retro); }
void CalcLocalMPoisson(AppState& s) { cd::CalcLocalMPoisson(s.area, s.retro); }
void CalcLocalMFreemanTukey(AppState& s) { cd::CalcLocalMFreemanTukey(s.area, s.retro); }
void CalcLocalMRossi(AppState& s) { cd::CalcLocalMRossi(s.area, s.retro); }
}  // namespace whole

struct Degenerate {
    const char* name;
    std::function<void(AppState&)> spoil;
    std::function<void(AppState&)> call;
    int number;
};

TEST(DegenerateInput, RaisesNumberedErrorAndChangesNothing) {
    const Degenerate cases[] = {
        {"no cases for the local score", [](AppState& s) { s.retro.totalCases = 0; }, whole::CalcLocalScoreUnadjusted, 11},
        {"no cases for the moments", [](AppState& s) { s.retro.totalCases = 0; }, whole::CalcScoreMomentsAdjusted, 11},
        {"no cases for the standardisation", [](AppState& s) { s.retro.totalCases = 0; }, whole::StandardizeScoreAdjusted, 11},
        {"zero expected count", [](AppState& s) { s.retro.expected[3] = 0; }, whole::CalcScoreWeights, 11},
        {"zero expected share", [](AppState& s) { s.retro.expectedShare[2] = 0; }, whole::CalcScoreWeights, 11},
        {"zero expected count for the Poisson M", [](AppState& s) { s.retro.expected[3] = 0; }, whole::CalcLocalMPoisson, 11},
        {"zero expected count for the Rossi M", [](AppState& s) { s.retro.expected[3] = -1; }, whole::CalcLocalMRossi, 11},
        {"negative observed count for Freeman-Tukey", [](AppState& s) { s.retro.observed[1] = -1; }, whole::CalcLocalMFreemanTukey, 5},
        {"no regions", [](AppState& s) { s.area.regionCount = 0; }, whole::CalcScoreWeights, 5},
        {"no regions for M weights", [](AppState& s) { s.area.regionCount = 0; }, whole::CalcMWeights, 5},
        {"zero bandwidth", [](AppState& s) { s.shared.sigma = 0; }, whole::CalcScoreWeights, 5},
        {"zero study area", [](AppState& s) { s.area.studyArea = 0; }, whole::CalcMWeights, 11},
        {"bandwidth beyond range", [](AppState& s) { s.shared.sigma = 1e-300; }, whole::CalcScoreWeights, 6},
        {"missing centroids", [](AppState& s) { s.area.centroidTable.resize(3); }, whole::CalcScoreWeights, 9},
        {"weights of another study area", [](AppState& s) { s.area.regionCount = 5; }, whole::CalcLocalScoreAdjusted, 9},
        {"weights of another study area for M", [](AppState& s) { s.area.regionCount = 5; }, whole::CalcLocalMPoisson, 9},
        {"weights of another study area for moments", [](AppState& s) { s.area.regionCount = 5; }, whole::CalcScoreMomentsUnadjusted, 9},
        {"no local score variance",
         [](AppState& s) {
             // One case in all: with an identity kernel E_i - E_i / T is 0.
             s.retro.totalCases = 1;
             s.shared.sigma = 1e-8;
             cd::CalcScoreWeights(s.area, s.points, s.shared, s.retro);
         },
         whole::CalcLocalScoreUnadjusted, 5},
        {"zero moment matrix", [](AppState&) {}, [](AppState& s) { cd::CalcScoreMoments(s.area, s.retro, Matrix::Zero(8, 8)); }, 11},
        {"zero variance", [](AppState& s) { s.retro.scoreVariance = 0; }, whole::StandardizeScoreUnadjusted, 11},
        {"no M computed for these regions", [](AppState& s) { s.area.regionCount = 9; }, [](AppState& s) { cd::GetMaxLocalM(s.area, s.retro); }, 9},
        {"M critical without regions", [](AppState& s) { s.area.regionCount = 0; }, [](AppState& s) { cd::GetMCritical(s.area, s.shared, s.retro); }, 11},
        // Eight regions on one spot: the squared peaks add up beyond the
        // largest double, and a row would be divided by infinity.
        {"sum of squared peaks overflows", spoilCoincident, whole::CalcMWeights, 6},
        {"sum of squared peaks overflows for the score", spoilCoincident, whole::CalcScoreWeights, 6},
        {"point data on one line have no area",
         [](AppState& s) {
             toPointData(s, {{3, 9}, {0, 0}, {1, 1}, {2, 2}, {4, 4}, {5, 5}, {6, 6}, {7, 7}, {9, 9}});
         },
         whole::CalcScoreWeights, 11},
        {"point data on one line have no area for M",
         [](AppState& s) {
             toPointData(s, {{3, 9}, {0, 0}, {1, 1}, {2, 2}, {4, 4}, {5, 5}, {6, 6}, {7, 7}, {9, 9}});
         },
         whole::CalcMWeights, 11},
        {"point data with fewer drawn points",
         [](AppState& s) { toPointData(s, {{3, 9}, {0, 0}, {10, 1}, {2, 20}}); },
         whole::CalcMWeights, 9},
        {"point data with a zero pixel scale",
         [](AppState& s) {
             toPointData(s, {{3, 9}, {0, 0}, {10, 1}, {2, 20}, {4, 4}, {50, 5}, {6, 60}, {7, 7}, {30, 30}});
             s.points.pointScaleY = 0.0;
         },
         whole::CalcScoreWeights, 11},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AppState s = computed();
        c.spoil(s);
        const Results before = results(s);
        try {
            c.call(s);
            ADD_FAILURE() << "no error";
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), c.number) << e.description();
            EXPECT_FALSE(e.description().empty());
            EXPECT_NE(e.source().find("mod"), std::string::npos);
        }
        EXPECT_TRUE(results(s) == before);
    }
}

TEST(DegenerateInput, OneRegionHasNoMoments) {
    AppState s = smallArea({5}, {5}, 1.0, false);
    cd::CalcScoreWeights(s.area, s.points, s.shared, s.retro);
    const Results before = results(s);
    EXPECT_THROW(cd::CalcScoreMomentsUnadjusted(s.area, s.retro), AppError);
    EXPECT_TRUE(results(s) == before);
}

TEST(DegenerateInput, ChiSquareCriticalWithoutValue) {
    for (double df : {0.0, 0.01, -3.0}) {
        SCOPED_TRACE(df);
        try {
            cd::GetChiSquareCritical(0.05, df);
            ADD_FAILURE();
        } catch (const AppError& e) {
            EXPECT_TRUE(e.number() == 5 || e.number() == 11);
        }
    }
    // The level is tested first: any other level gives 0 whatever df is.
    EXPECT_EQ(cd::GetChiSquareCritical(0.2, 0.0), 0.0);
}

}  // namespace
