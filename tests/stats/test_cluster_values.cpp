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
    s.regionCount = n;
    s.polygonDataMode = true;
    s.sigma = sigma;
    s.alpha = 0.05;
    s.studyArea = 100.0 * n;
    s.centroidTable.assign(O.size() + 1, {});
    s.observed.assign(O.size() + 1, 0.0);
    s.expected.assign(O.size() + 1, 0.0);
    s.expectedShare.assign(O.size() + 1, 0.0);
    double T = 0.0, sumE = 0.0;
    for (std::size_t i = 0; i < O.size(); ++i) {
        T += O[i];
        sumE += E[i];
    }
    s.totalCases = T;
    for (std::size_t i = 1; i <= O.size(); ++i) {
        s.centroidTable[i] = {std::to_string(i), 10.0 * static_cast<double>((i - 1) % 4), 10.0 * static_cast<double>((i - 1) / 4)};
        s.observed[i] = O[i - 1];
        s.expected[i] = E[i - 1];
        s.expectedShare[i] = sharesFromE ? E[i - 1] / T : E[i - 1] / sumE;
    }
    return s;
}

const std::vector<double> kObserved = {4, 9, 2, 7, 12, 1, 5, 8};
// Expected counts proportional to a population, summing to the case total 48.
const std::vector<double> kExpected = {6, 6, 3, 9, 9, 3, 6, 6};

TEST(KernelWeights, TinyBandwidthGivesIdentityMatrices) {
    AppState s = smallArea(kObserved, kExpected, 1e-8, false);
    cd::CalcScoreWeights(s);
    cd::CalcMWeights(s);
    const auto n = s.regionCount;
    EXPECT_EQ(s.scoreWeights.rows(), n + 1);
    for (int i = 0; i <= n; ++i)
        for (int j = 0; j <= n; ++j) {
            const double id = (i == j && i > 0) ? 1.0 : 0.0;
            EXPECT_EQ(s.scoreWeights(i, j), id) << i << "," << j;
            EXPECT_EQ(s.weightCrossProduct(i, j), id) << i << "," << j;
            EXPECT_EQ(s.mWeights(i, j), id) << i << "," << j;
        }
    EXPECT_EQ(cd::MomentMatrixUnadjusted(s).rows(), n);
    EXPECT_EQ(cd::MomentMatrixAdjusted(s).cols(), n);
}

TEST(KernelWeights, RowsHaveUnitSumOfSquaresAndCrossProductIsSymmetric) {
    for (double sigma : {0.2, 1.0, 3.0}) {
        SCOPED_TRACE(sigma);
        AppState s = smallArea(kObserved, kExpected, sigma, false);
        cd::CalcScoreWeights(s);
        const auto n = s.regionCount;
        for (int i = 1; i <= n; ++i) EXPECT_NEAR(s.scoreWeights.row(i).squaredNorm(), 1.0, 1e-15);
        EXPECT_EQ(s.weightCrossProduct, s.weightCrossProduct.transpose());
        EXPECT_NE(s.scoreWeights, s.scoreWeights.transpose());  // rows normalised apart
        const Matrix adjusted = cd::ScoreWeightsAdjusted(s);
        for (int j = 1; j <= n; ++j)
            for (int i = 1; i <= n; ++i)
                EXPECT_EQ(adjusted(i, j), s.scoreWeights(i, j) / std::sqrt(kExpected[static_cast<std::size_t>(j - 1)]));
        EXPECT_EQ(cd::ScoreWeightsUnadjusted(s), s.scoreWeights);
        EXPECT_TRUE(s.scoreWeightsUnadjusted.size() == 0 && s.momentMatrixAdjusted.size() == 0);
    }
}

TEST(KernelWeights, SharedCentroidGivesTiedLargestEntries) {
    AppState s = smallArea({3, 4, 5}, {4, 4, 4}, 0.7, false);
    s.centroidTable[2].X = s.centroidTable[1].X;
    s.centroidTable[2].Y = s.centroidTable[1].Y;
    cd::CalcMWeights(s);
    EXPECT_EQ(s.mWeights(1, 1), s.mWeights(1, 2));
    EXPECT_EQ(s.mWeights(2, 1), s.mWeights(2, 2));
    EXPECT_GT(s.mWeights(1, 1), s.mWeights(1, 3));
}

TEST(KernelWeights, SingleRegion) {
    AppState s = smallArea({5}, {5}, 1.0, false);
    cd::CalcScoreWeights(s);
    EXPECT_EQ(s.scoreWeights(1, 1), 1.0);
    EXPECT_EQ(s.weightCrossProduct(1, 1), 1.0);
    EXPECT_EQ(cd::MomentMatrixUnadjusted(s).size(), 1);
    EXPECT_EQ(cd::MomentMatrixAdjusted(s).size(), 1);
    EXPECT_EQ(cd::MomentMatrixAdjusted(s)(0, 0), 1.0 / std::sqrt(s.expectedShare[1] * s.expectedShare[1]));
    EXPECT_EQ(cd::ScoreWeightsAdjusted(s)(1, 1), 1.0 / std::sqrt(5.0));
    cd::CalcMWeights(s);
    EXPECT_EQ(s.mWeights.rows(), 2);
    EXPECT_EQ(s.mWeights(1, 1), 1.0);
}

TEST(KernelWeights, PointDataDeriveCountAndAreaFromTheDrawnPoints) {
    AppState s = smallArea({3, 4, 5, 6}, {4, 4, 5, 5}, 1.0, false);
    s.regionCount = 99;  // left by a polygon study area
    s.studyArea = 12345.0;
    s.pointDataMode = true;
    s.polygonDataMode = false;
    s.pointCount = 4;
    s.pointScaleX = s.pointScaleY = 2.0;
    s.devicePoints = {{0, 0}, {0, 0}, {100, 0}, {100, 50}, {0, 50}};
    cd::CalcScoreWeights(s);
    EXPECT_EQ(s.regionCount, 4);
    EXPECT_DOUBLE_EQ(s.studyArea, 1250.0);
    EXPECT_EQ(s.hullVertexCount, 4);
    EXPECT_EQ(s.scoreWeights.rows(), 5);
}

TEST(LocalScores, IdentityKernelGivesPlainDifferences) {
    AppState s = smallArea(kObserved, kExpected, 1e-8, false);
    cd::CalcScoreWeights(s);
    cd::CalcLocalScoreUnadjusted(s);
    const double T = s.totalCases;
    double S = 0.0;
    for (int i = 1; i <= s.regionCount; ++i) {
        const double O = s.observed[static_cast<std::size_t>(i)], E = s.expected[static_cast<std::size_t>(i)];
        EXPECT_EQ(s.localScoreUnadjusted[static_cast<std::size_t>(i)], O - E);
        EXPECT_EQ(s.localScoreZUnadjusted[static_cast<std::size_t>(i)], (O - E) / std::sqrt(E - E / T));
        S += (O - E) * (O - E);
    }
    EXPECT_EQ(s.globalScoreUnadjusted, S);
    EXPECT_EQ(s.localScoreUnadjusted[0], 0.0);

    cd::CalcLocalScoreAdjusted(s);
    for (int i = 1; i <= s.regionCount; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const double O = s.observed[k], E = s.expected[k];
        const double U = (O - E) / std::sqrt(E);
        EXPECT_NEAR(s.localScoreAdjusted[k], U, 1e-14 * std::fabs(U) + 1e-300);
        EXPECT_NEAR(s.localScoreZAdjusted[k], U / std::sqrt(1.0 - std::sqrt(E) / T), 1e-13);
        // The last form computed owns the four copies.
        EXPECT_EQ(s.scoreMapValues[k], s.localScoreAdjusted[k]);
        EXPECT_EQ(s.scoreLegendValues[k], s.localScoreAdjusted[k]);
        EXPECT_EQ(s.mapClassValues[k], s.localScoreAdjusted[k]);
        EXPECT_EQ(s.mapLegendValues[k], s.localScoreAdjusted[k]);
    }
}

TEST(LocalScores, ObservedEqualToExpectedEverywhereGivesZero) {
    AppState s = smallArea({4, 4, 4, 4, 4}, {4, 4, 4, 4, 4}, 1.5, false);
    cd::CalcScoreWeights(s);
    cd::CalcLocalScoreUnadjusted(s);
    for (int i = 1; i <= 5; ++i) {
        EXPECT_EQ(s.localScoreUnadjusted[static_cast<std::size_t>(i)], 0.0);
        EXPECT_EQ(s.localScoreZUnadjusted[static_cast<std::size_t>(i)], 0.0);
    }
}

TEST(LocalScores, GlobalIsTheSumOfSquares) {
    SyntheticArea::Options o;
    o.n = 60;
    o.sigma = 1.3;
    AppState s = SyntheticArea::make(o);
    cd::CalcScoreWeights(s);
    cd::CalcLocalScoreUnadjusted(s);
    double S = 0.0;
    for (int i = 1; i <= 60; ++i) S += s.localScoreUnadjusted[static_cast<std::size_t>(i)] * s.localScoreUnadjusted[static_cast<std::size_t>(i)];
    EXPECT_EQ(s.globalScoreUnadjusted, S);
}

TEST(ScoreMoments, AdjustedIdentityKernelGivesThePearsonChiSquare) {
    AppState s = smallArea(kObserved, kExpected, 1e-8, false);
    cd::CalcScoreWeights(s);
    cd::CalcLocalScoreAdjusted(s);
    cd::CalcScoreMomentsAdjusted(s);
    cd::StandardizeScoreAdjusted(s);
    const double n = s.regionCount;
    EXPECT_NEAR(s.scoreDf, n - 1.0, 1e-12);
    double pearson = 0.0;
    for (int i = 1; i <= s.regionCount; ++i) {
        const double O = s.observed[static_cast<std::size_t>(i)], E = s.expected[static_cast<std::size_t>(i)];
        pearson += (O - E) * (O - E) / E;
    }
    EXPECT_NEAR(s.scoreChiSquare, pearson, 1e-11 * pearson);
    // Chi-square minus df has the sign of Z.
    EXPECT_EQ(s.scoreChiSquare - s.scoreDf > 0.0, s.scoreZ > 0.0);
}

TEST(ScoreMoments, IdentityKernelMoments) {
    // Identity W: B = V (unadjusted) or diag(1/sqrt p) V diag(sqrt p)
    // (adjusted, similar to V), so t1 = t2 = t3 = N - 1 when the shares sum
    // to 1, and the mean and variance follow from T alone.
    for (bool adjusted : {false, true}) {
        SCOPED_TRACE(adjusted ? "adjusted" : "unadjusted");
        AppState s = smallArea(kObserved, kExpected, 1e-8, false);
        cd::CalcScoreWeights(s);
        if (adjusted)
            cd::CalcScoreMomentsAdjusted(s);
        else
            cd::CalcScoreMoments(s, cd::MomentMatrixUnadjusted(s));
        const double n = s.regionCount, T = s.totalCases;
        if (adjusted) {
            EXPECT_NEAR(s.scoreDf, n - 1.0, 1e-12);
            EXPECT_NEAR(s.scoreMean, (n - 1.0) / T, 1e-15);
            EXPECT_NEAR(s.scoreVariance, 2.0 * (n - 1.0) / (T * T), 1e-16);
        } else {
            // tr(V) = 1 - sum p^2, tr(V^2) = sum p^2 - 2 sum p^3 + (sum p^2)^2.
            double p2 = 0.0, p3 = 0.0;
            for (int i = 1; i <= s.regionCount; ++i) {
                const double p = s.expectedShare[static_cast<std::size_t>(i)];
                p2 += p * p;
                p3 += p * p * p;
            }
            EXPECT_NEAR(s.scoreMean, (1.0 - p2) / T, 1e-15);
            EXPECT_NEAR(s.scoreVariance, 2.0 * (p2 - 2.0 * p3 + p2 * p2) / (T * T), 1e-17);
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
        s.totalCases = c.T;
        s.scoreMean = c.mean;
        s.scoreVariance = c.variance;
        s.scoreDf = c.df;
        if (c.adjusted) {
            s.globalScoreAdjusted = c.global;
            s.globalScoreUnadjusted = 1e6;  // not read
            cd::StandardizeScoreAdjusted(s);
        } else {
            s.globalScoreUnadjusted = c.global;
            s.globalScoreAdjusted = 1e6;
            cd::StandardizeScoreUnadjusted(s);
        }
        EXPECT_EQ(s.scoreZ, c.z);
        EXPECT_EQ(s.scoreChiSquare, c.chi);
        EXPECT_EQ(s.scoreDf, c.df);  // the moments are read, not written
        EXPECT_EQ(s.scoreMean, c.mean);
    }
}

TEST(ScoreMoments, GeneralMomentMatrixMatchesTheStoredOne) {
    SyntheticArea::Options o;
    o.n = 30;
    o.sigma = 0.8;
    AppState a = SyntheticArea::make(o);
    cd::CalcScoreWeights(a);
    AppState b = a;
    cd::CalcScoreMomentsAdjusted(a);
    cd::CalcScoreMoments(b, cd::MomentMatrixAdjusted(b));
    EXPECT_EQ(a.scoreDf, b.scoreDf);
    EXPECT_EQ(a.scoreMean, b.scoreMean);
    EXPECT_EQ(a.scoreVariance, b.scoreVariance);
}

TEST(LocalM, IdentityKernelGivesTheResiduals) {
    AppState s = smallArea(kObserved, kExpected, 1e-8, false);
    cd::CalcMWeights(s);
    double largest = -1e300;
    cd::CalcLocalMPoisson(s);
    for (int i = 1; i <= s.regionCount; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const double r = (s.observed[k] - s.expected[k]) / std::sqrt(s.expected[k]);
        EXPECT_EQ(s.poissonResiduals[k], r);
        EXPECT_EQ(s.localM[k], r);
        for (const DoubleArray* copy : {&s.localMSorted, &s.mMapValues, &s.mLegendValues, &s.mapClassValues, &s.mapLegendValues})
            EXPECT_EQ((*copy)[k], r);
        largest = std::max(largest, r);
    }
    EXPECT_EQ(cd::GetMaxLocalM(s), largest);
    EXPECT_EQ(cd::GetMaxLocalM(s), largest);  // a second call sorts the sorted copy
    EXPECT_EQ(s.localMSorted[0], 0.0);
    for (std::size_t k = 2; k < s.localMSorted.size(); ++k) EXPECT_LE(s.localMSorted[k - 1], s.localMSorted[k]);
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
        cd::CalcMWeights(s);
        cd::CalcLocalMPoisson(s);
        EXPECT_DOUBLE_EQ(s.localM[1], c.poisson);
        cd::CalcLocalMFreemanTukey(s);
        EXPECT_DOUBLE_EQ(s.localM[1], c.freemanTukey);
        cd::CalcLocalMRossi(s);
        EXPECT_DOUBLE_EQ(s.localM[1], c.rossi);
    }
    AppState s = smallArea({1}, {1}, 1e-8, false);
    cd::CalcMWeights(s);
    cd::CalcLocalMFreemanTukey(s);
    EXPECT_EQ(std::round(s.freemanTukeyResiduals[1] * 1e5) / 1e5, 0.17815);
}

TEST(LocalM, AllNegativeMaximumIsClosestToZero) {
    AppState s = smallArea({0, 1, 0, 2}, {3, 3, 4, 5}, 1e-8, false);
    cd::CalcMWeights(s);
    cd::CalcLocalMPoisson(s);
    EXPECT_DOUBLE_EQ(cd::GetMaxLocalM(s), (1.0 - 3.0) / std::sqrt(3.0));
}

struct MCriticalCase {
    const char* name;
    double sigma, alpha;
    std::int32_t n;
    double expected;
};

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
    std::vector<std::string> shown;
    cd::SetMessageHook([&](const std::string& text, const std::string& title) { shown.push_back(title + "|" + text); });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AppState s;
        s.sigma = c.sigma;
        s.alpha = c.alpha;
        s.regionCount = c.n;
        EXPECT_EQ(cd::GetMCritical(s), c.expected);
    }
    EXPECT_TRUE(shown.empty());
    AppState s;
    s.sigma = 7.78;
    s.alpha = 0.05;
    s.regionCount = 10;
    EXPECT_EQ(cd::GetMCritical(s), 0.0);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "Warning!|Error!");
    s.alpha = 0.0;  // t = 0: no logarithm
    EXPECT_EQ(cd::GetMCritical(s), 0.0);
    EXPECT_EQ(shown.size(), 2u);
    for (double sigma : {8.0, 20.0, 1e6, 1e200}) {  // every sigma from 7.78 on
        SCOPED_TRACE(sigma);
        const std::size_t before = shown.size();
        s.sigma = sigma;
        EXPECT_EQ(cd::GetMCritical(s), 0.0);
        EXPECT_EQ(shown.size(), before + 1);
    }
    shown.resize(2);
    s.sigma = 7.78;
    s.alpha = -0.05;  // t below 0
    EXPECT_EQ(cd::GetMCritical(s), 0.0);
    EXPECT_EQ(shown.size(), 3u);
    s.sigma = 0.0;  // t exactly 1: u = -0, which is not above 0
    s.alpha = 0.25;
    s.regionCount = 1;
    EXPECT_EQ(cd::GetMCritical(s), 0.0);
    ASSERT_EQ(shown.size(), 4u);
    for (const auto& m : shown) EXPECT_EQ(m, "Warning!|Error!");
    cd::SetMessageHook(nullptr);
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
    return {{s.scoreWeights, s.weightCrossProduct, s.mWeights},
            {s.scoreWeightExpected, s.scoreWeightShares, s.localScoreUnadjusted, s.localScoreZUnadjusted,
             s.localScoreAdjusted, s.localScoreZAdjusted, s.scoreMapValues, s.scoreLegendValues, s.poissonResiduals,
             s.freemanTukeyResiduals, s.rossiResiduals, s.localM, s.localMSorted, s.mMapValues, s.mLegendValues,
             s.mapClassValues, s.mapLegendValues},
            {s.globalScoreUnadjusted, s.globalScoreAdjusted, s.scoreDf, s.scoreMean, s.scoreVariance, s.scoreZ,
             s.scoreChiSquare, static_cast<double>(s.regionCount), s.studyArea,
             static_cast<double>(s.hullInputCount), static_cast<double>(s.hullVertexCount)},
            points(s.devicePoints), points(s.hullPoints)};
}

// A state with every result filled from a good run.
AppState computed() {
    AppState s = smallArea(kObserved, kExpected, 1.0, false);
    cd::CalcScoreWeights(s);
    cd::CalcLocalScoreUnadjusted(s);
    cd::CalcScoreMomentsUnadjusted(s);
    cd::StandardizeScoreUnadjusted(s);
    cd::CalcMWeights(s);
    cd::CalcLocalMPoisson(s);
    cd::CalcLocalMFreemanTukey(s);
    cd::CalcLocalMRossi(s);
    return s;
}

void spoilCoincident(AppState& s) {
    s.sigma = 1e-154;
    for (auto& c : s.centroidTable) c.X = c.Y = 5.0;
}

// Point data of eight points with the given pixel positions (element 0
// first, holding nothing), over a polygon result left in the state.
void toPointData(AppState& s, const std::vector<DevicePoint>& drawn) {
    s.pointDataMode = true;
    s.polygonDataMode = false;
    s.pointCount = 8;
    s.pointScaleX = s.pointScaleY = 2.0;
    s.devicePoints = drawn;
}

struct Degenerate {
    const char* name;
    std::function<void(AppState&)> spoil;
    std::function<void(AppState&)> call;
    int number;
};

TEST(DegenerateInput, RaisesNumberedErrorAndChangesNothing) {
    const Degenerate cases[] = {
        {"no cases for the local score", [](AppState& s) { s.totalCases = 0; }, cd::CalcLocalScoreUnadjusted, 11},
        {"no cases for the moments", [](AppState& s) { s.totalCases = 0; }, cd::CalcScoreMomentsAdjusted, 11},
        {"no cases for the standardisation", [](AppState& s) { s.totalCases = 0; }, cd::StandardizeScoreAdjusted, 11},
        {"zero expected count", [](AppState& s) { s.expected[3] = 0; }, cd::CalcScoreWeights, 11},
        {"zero expected share", [](AppState& s) { s.expectedShare[2] = 0; }, cd::CalcScoreWeights, 11},
        {"zero expected count for the Poisson M", [](AppState& s) { s.expected[3] = 0; }, cd::CalcLocalMPoisson, 11},
        {"zero expected count for the Rossi M", [](AppState& s) { s.expected[3] = -1; }, cd::CalcLocalMRossi, 11},
        {"negative observed count for Freeman-Tukey", [](AppState& s) { s.observed[1] = -1; }, cd::CalcLocalMFreemanTukey, 5},
        {"no regions", [](AppState& s) { s.regionCount = 0; }, cd::CalcScoreWeights, 5},
        {"no regions for M weights", [](AppState& s) { s.regionCount = 0; }, cd::CalcMWeights, 5},
        {"zero bandwidth", [](AppState& s) { s.sigma = 0; }, cd::CalcScoreWeights, 5},
        {"zero study area", [](AppState& s) { s.studyArea = 0; }, cd::CalcMWeights, 11},
        {"bandwidth beyond range", [](AppState& s) { s.sigma = 1e-300; }, cd::CalcScoreWeights, 6},
        {"missing centroids", [](AppState& s) { s.centroidTable.resize(3); }, cd::CalcScoreWeights, 9},
        {"weights of another study area", [](AppState& s) { s.regionCount = 5; }, cd::CalcLocalScoreAdjusted, 9},
        {"weights of another study area for M", [](AppState& s) { s.regionCount = 5; }, cd::CalcLocalMPoisson, 9},
        {"weights of another study area for moments", [](AppState& s) { s.regionCount = 5; }, cd::CalcScoreMomentsUnadjusted, 9},
        {"no local score variance",
         [](AppState& s) {
             // One case in all: with an identity kernel E_i - E_i / T is 0.
             s.totalCases = 1;
             s.sigma = 1e-8;
             cd::CalcScoreWeights(s);
         },
         cd::CalcLocalScoreUnadjusted, 5},
        {"zero moment matrix", [](AppState&) {}, [](AppState& s) { cd::CalcScoreMoments(s, Matrix::Zero(8, 8)); }, 11},
        {"zero variance", [](AppState& s) { s.scoreVariance = 0; }, cd::StandardizeScoreUnadjusted, 11},
        {"no M computed for these regions", [](AppState& s) { s.regionCount = 9; }, [](AppState& s) { cd::GetMaxLocalM(s); }, 9},
        {"M critical without regions", [](AppState& s) { s.regionCount = 0; }, [](AppState& s) { cd::GetMCritical(s); }, 11},
        // Eight regions on one spot: the squared peaks add up beyond the
        // largest double, and a row would be divided by infinity.
        {"sum of squared peaks overflows", spoilCoincident, cd::CalcMWeights, 6},
        {"sum of squared peaks overflows for the score", spoilCoincident, cd::CalcScoreWeights, 6},
        {"point data on one line have no area",
         [](AppState& s) {
             toPointData(s, {{3, 9}, {0, 0}, {1, 1}, {2, 2}, {4, 4}, {5, 5}, {6, 6}, {7, 7}, {9, 9}});
         },
         cd::CalcScoreWeights, 11},
        {"point data on one line have no area for M",
         [](AppState& s) {
             toPointData(s, {{3, 9}, {0, 0}, {1, 1}, {2, 2}, {4, 4}, {5, 5}, {6, 6}, {7, 7}, {9, 9}});
         },
         cd::CalcMWeights, 11},
        {"point data with fewer drawn points",
         [](AppState& s) { toPointData(s, {{3, 9}, {0, 0}, {10, 1}, {2, 20}}); },
         cd::CalcMWeights, 9},
        {"point data with a zero pixel scale",
         [](AppState& s) {
             toPointData(s, {{3, 9}, {0, 0}, {10, 1}, {2, 20}, {4, 4}, {50, 5}, {6, 60}, {7, 7}, {30, 30}});
             s.pointScaleY = 0.0;
         },
         cd::CalcScoreWeights, 11},
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
    cd::CalcScoreWeights(s);
    const Results before = results(s);
    EXPECT_THROW(cd::CalcScoreMomentsUnadjusted(s), AppError);
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
