// The cusum arithmetic: the kernel weights, the smoothing, the recursion
// with its floor and maxima, and the signal test, on small study areas
// worked out by hand here.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/Error.h"
#include "stats/modCusum.h"

namespace {

std::vector<CentroidRecord> centroids(const std::vector<std::pair<double, double>>& xy) {
    std::vector<CentroidRecord> c(1);
    for (std::size_t i = 0; i < xy.size(); ++i) c.push_back({std::to_string(i + 1), xy[i].first, xy[i].second});
    return c;
}

// Z (0..N by 0..T) from rows of period values.
Matrix zValues(const std::vector<std::vector<double>>& rows) {
    const auto n = static_cast<Eigen::Index>(rows.size());
    const auto t = static_cast<Eigen::Index>(rows.front().size());
    Matrix z = Matrix::Zero(n + 1, t + 1);
    for (Eigen::Index i = 0; i < n; ++i)
        for (Eigen::Index p = 0; p < t; ++p) z(i + 1, p + 1) = rows[static_cast<std::size_t>(i)][static_cast<std::size_t>(p)];
    return z;
}

TextArray names(int n) {
    TextArray out(1);
    for (int i = 1; i <= n; ++i) out.push_back("A" + std::to_string(i));
    return out;
}

}  // namespace

// Two regions one unit apart in an area of 2 (A / N = 1), sigma 1, k 0.5:
// every figure of the run worked out from the formulas.
TEST(CusumWorkedRun, TwoRegionsThreePeriods) {
    double sigma = 1.0;
    const auto c = centroids({{0.0, 0.0}, {1.0, 0.0}});
    const Matrix w = modCusum::CalcSpatialWeights(sigma, 2, c, 2.0);
    // Before scaling a row is F (1, exp(-1/2)); after it, unit length.
    const double e = std::exp(-0.5);
    const double self = 1.0 / std::sqrt(1.0 + e * e), other = e / std::sqrt(1.0 + e * e);
    EXPECT_NEAR(w(1, 1), self, 1e-15);
    EXPECT_NEAR(w(1, 2), other, 1e-15);
    EXPECT_NEAR(w(2, 1), other, 1e-15);
    EXPECT_NEAR(w(2, 2), self, 1e-15);
    EXPECT_EQ(w(0, 0), 0.0);
    EXPECT_EQ(w(0, 1), 0.0);
    EXPECT_EQ(w(1, 0), 0.0);

    const Matrix z = zValues({{1.0, 1.0, -3.0}, {2.0, -1.0, 3.0}});
    const Matrix zs = modCusum::Smooth(w, z, 3);
    for (int p = 1; p <= 3; ++p) {
        EXPECT_NEAR(zs(1, p), self * z(1, p) + other * z(2, p), 1e-15);
        EXPECT_NEAR(zs(2, p), other * z(1, p) + self * z(2, p), 1e-15);
    }

    const modCusum::CusumRun r = modCusum::Recursion(zs, 2, 3, 0.5, {}, names(2));
    for (int i = 1; i <= 2; ++i) {
        double before = 0.0;
        for (int p = 1; p <= 3; ++p) {
            const double expected = std::max(0.0, (zs(i, p) + before) - 0.5);
            EXPECT_DOUBLE_EQ(r.cusum(i, p), expected) << "region " << i << " period " << p;
            before = expected;
        }
    }
    for (int p = 1; p <= 3; ++p) {
        const double m = std::max(r.cusum(1, p), r.cusum(2, p));
        EXPECT_DOUBLE_EQ(r.maxCusum[static_cast<std::size_t>(p)], m);
        const std::string who = m == 0.0 ? "" : (r.cusum(1, p) >= r.cusum(2, p) ? "A1" : "A2");
        EXPECT_EQ(r.maxRegion[static_cast<std::size_t>(p)], who);
    }
}

TEST(CusumKernel, ZeroSigmaBecomesTinyAndLeavesZUnchanged) {
    double sigma = 0.0;
    const auto c = centroids({{0.0, 0.0}, {1.0, 0.0}, {0.0, 1.0}});
    const Matrix w = modCusum::CalcSpatialWeights(sigma, 3, c, 3.0);
    EXPECT_EQ(sigma, 1e-9);
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) EXPECT_NEAR(w(i, j), i == j ? 1.0 : 0.0, 1e-15);
    const Matrix z = zValues({{1.5, -2.0}, {0.25, 3.0}, {-1.0, 0.0}});
    const Matrix zs = modCusum::Smooth(w, z, 2);
    for (int i = 1; i <= 3; ++i)
        for (int p = 1; p <= 2; ++p) EXPECT_NEAR(zs(i, p), z(i, p), 1e-14);
}

TEST(CusumKernel, OneRegionHasUnitWeightWhateverSigma) {
    for (double s0 : {0.0, 0.3, 1.0, 7.5}) {
        double sigma = s0;
        const Matrix w = modCusum::CalcSpatialWeights(sigma, 1, centroids({{3.0, 4.0}}), 5.0);
        EXPECT_NEAR(w(1, 1), 1.0, 1e-15) << "sigma " << s0;
    }
}

TEST(CusumKernel, SharedCentroidWeighsAsMuchAsItself) {
    double sigma = 0.7;
    const Matrix w = modCusum::CalcSpatialWeights(sigma, 3, centroids({{2.0, 2.0}, {2.0, 2.0}, {9.0, 1.0}}), 12.0);
    EXPECT_DOUBLE_EQ(w(1, 2), w(1, 1));
    EXPECT_DOUBLE_EQ(w(2, 1), w(2, 2));
    // Every row has unit length.
    for (int i = 1; i <= 3; ++i) EXPECT_NEAR(w.row(i).squaredNorm(), 1.0, 1e-15);
}

TEST(CusumKernel, ParallelRowsGiveTheSameWeights) {
    std::vector<std::pair<double, double>> xy;
    for (int k = 0; k < 600; ++k) xy.emplace_back((k * 37) % 101, (k * 53) % 89);
    const auto c = centroids(xy);
    double s1 = 0.8, s2 = 0.8;
    const Matrix a = modCusum::CalcSpatialWeights(s1, 600, c, 9000.0, false);
    const Matrix b = modCusum::CalcSpatialWeights(s2, 600, c, 9000.0, true);
    EXPECT_TRUE(a == b);
    Matrix z = Matrix::Zero(601, 5);
    for (int i = 1; i <= 600; ++i)
        for (int p = 1; p <= 4; ++p) z(i, p) = std::sin(i * 0.1 + p);
    EXPECT_TRUE(modCusum::Smooth(a, z, 4, false) == modCusum::Smooth(a, z, 4, true));
}

TEST(CusumKernel, RefusesWhatItCannotScale) {
    struct Case {
        const char* name;
        std::int32_t n;
        double area;
    };
    const auto c = centroids({{0.0, 0.0}, {1.0, 1.0}});
    for (const Case& k : {Case{"no region", 0, 2.0}, Case{"zero area", 2, 0.0}, Case{"negative area", 2, -1.0},
                          Case{"infinite area", 2, INFINITY}, Case{"NaN area", 2, NAN},
                          Case{"more regions than centroids", 3, 2.0}}) {
        double sigma = 1.0;
        EXPECT_THROW(modCusum::CalcSpatialWeights(sigma, k.n, c, k.area), AppError) << k.name;
    }
}

// A kernel the machine cannot hold is refused before it is sized, naming
// its rows and the memory it would need: a million rows take 8 TB.
TEST(CusumKernel, AKernelBeyondTheMemoryIsRefusedByItsSize) {
    constexpr std::int32_t kMillion = 1'000'000;
    std::vector<CentroidRecord> c(kMillion + 1);
    for (std::int32_t i = 1; i <= kMillion; ++i) c[static_cast<std::size_t>(i)] = {"", i * 1.0, (i % 7) * 1.0};
    using modCusum::Rows;
    for (const auto& [rows, word] : {std::pair{Rows::Regions, "regions"}, std::pair{Rows::Points, "points"}}) {
        SCOPED_TRACE(word);
        double sigma = 1.0;
        try {
            modCusum::CalcSpatialWeights(sigma, kMillion, c, 1e6, true, rows);
            ADD_FAILURE() << "computed";
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), 7);
            const std::string want = std::string("There is not enough memory for the kernel matrices of 1000000 ") +
                                     word + ": they would need about 8001 GB, and this computer has ";
            EXPECT_EQ(e.description().rfind(want, 0), 0u) << e.description();
        }
    }
}

// The recursion without smoothing (identity weights).
TEST(CusumRecursion, CasesWithoutSmoothing) {
    struct Case {
        const char* name;
        double k;
        std::vector<double> z;
        std::vector<double> cusum;
    };
    const std::vector<Case> cases = {
        {"floor at zero", 0.5, {1.0, 1.0, -3.0}, {0.5, 1.0, 0.0}},
        {"no reset above any threshold", 0.0, {2.0, -1.0, 3.0}, {2.0, 1.0, 4.0}},
        {"every value below k", 1.0, {0.5, 0.9, -2.0}, {0.0, 0.0, 0.0}},
        {"exactly k stays zero", 1.0, {1.0, 1.0, 2.0}, {0.0, 0.0, 1.0}},
    };
    for (const Case& c : cases) {
        const modCusum::CusumRun r = modCusum::Recursion(zValues({c.z}), 1, 3, c.k, {}, names(1));
        for (int p = 1; p <= 3; ++p) EXPECT_DOUBLE_EQ(r.cusum(1, p), c.cusum[static_cast<std::size_t>(p - 1)]) << c.name;
    }
}

TEST(CusumRecursion, CarriedInStartIsAddedToTheFirstPeriod) {
    const modCusum::CusumRun r = modCusum::Recursion(zValues({{1.0, 0.5}, {1.0, 0.5}}), 2, 2, 0.5, {0.0, 2.5, 0.0}, names(2));
    EXPECT_DOUBLE_EQ(r.cusum(1, 1), 3.0);
    EXPECT_DOUBLE_EQ(r.cusum(2, 1), 0.5);
    EXPECT_DOUBLE_EQ(r.cusum(1, 2), 3.0);
}

TEST(CusumRecursion, TiesGoToTheLowerRecordAndZeroPeriodsNameNoOne) {
    const modCusum::CusumRun r = modCusum::Recursion(zValues({{1.0, -5.0}, {2.0, -5.0}, {2.0, -5.0}}), 3, 2, 0.0, {}, names(3));
    EXPECT_DOUBLE_EQ(r.maxCusum[1], 2.0);
    EXPECT_EQ(r.maxRegion[1], "A2");
    EXPECT_DOUBLE_EQ(r.maxCusum[2], 0.0);
    EXPECT_EQ(r.maxRegion[2], "");
}

TEST(CusumSignals, StrictlyAboveH) {
    struct Case {
        double cusum;
        bool signals;
    };
    const double h = 2.0;
    for (const Case& c : {Case{2.0, false}, Case{std::nextafter(2.0, 0.0), false}, Case{std::nextafter(2.0, 3.0), true},
                          Case{0.0, false}, Case{10.25, true}}) {
        EXPECT_EQ(modCusum::Signals(c.cusum, h), c.signals) << c.cusum;
    }
    Matrix m = Matrix::Zero(4, 2);
    m(1, 1) = 2.0;
    m(2, 1) = std::nextafter(2.0, 3.0);
    m(3, 1) = 5.0;
    EXPECT_EQ(modCusum::SignalledRegions(m, 1, h), (std::vector<std::int32_t>{2, 3}));
    EXPECT_TRUE(modCusum::SignalledRegions(m, 2, h).empty());
    EXPECT_TRUE(modCusum::SignalledRegions(m, 5, h).empty());
}

TEST(CusumCompute, WritesBackZeroSigmaAndRefusesNonFiniteZ) {
    StudyAreaState area;
    area.regionCount = 2;
    area.centroidTable = centroids({{0.0, 0.0}, {1.0, 0.0}});
    area.studyArea = 2.0;
    SharedState shared;
    shared.sigma = 0.0;
    const modCusum::CusumRun r = modCusum::Compute(area, shared, zValues({{1.0}, {3.0}}), 1, 0.5, names(2));
    EXPECT_EQ(shared.sigma, 1e-9);
    EXPECT_NEAR(r.cusum(2, 1), 2.5, 1e-14);
    EXPECT_EQ(r.maxRegion[1], "A2");
    shared.sigma = 1.0;
    EXPECT_THROW(modCusum::Compute(area, shared, zValues({{1.0}, {NAN}}), 1, 0.5, names(2)), AppError);
    EXPECT_EQ(shared.sigma, 1.0);
}

// Many regions (several tiles of the mirror, threads): every weight equals
// the formula computed here pair by pair, row by row.
TEST(CusumKernel, ManyRegionsMatchTheFormula) {
    const int n = 300;
    std::vector<std::pair<double, double>> xy;
    for (int k = 0; k < n; ++k) xy.emplace_back((k * 37) % 23 + 0.01 * k, (k * 53) % 19);
    const auto c = centroids(xy);
    double sigma = 0.6;
    const double area = 450.0;
    const Matrix w = modCusum::CalcSpatialWeights(sigma, n, c, area);
    const double f = 1.0 / (0.6 * std::sqrt(3.14159265));
    for (int i = 1; i <= n; ++i) {
        std::vector<double> row(static_cast<std::size_t>(n) + 1, 0.0);
        double sum = 0.0;
        for (int j = 1; j <= n; ++j) {
            const double dx = c[i].X - c[j].X, dy = c[i].Y - c[j].Y;
            row[j] = i == j ? f : f * std::exp(-(dx * dx + dy * dy) / (2 * 0.36 * (area / n)));
            sum += row[j] * row[j];
        }
        for (int j = 1; j <= n; ++j) ASSERT_NEAR(w(i, j), row[j] / std::sqrt(sum), 1e-14) << i << "," << j;
    }
}

// The z transforms of the export, by their formulas, and the counts they
// cannot take.
TEST(CusumExportTransforms, ValuesAndRefusals) {
    using modCusum::ZTransform;
    struct Case {
        ZTransform t;
        double o, e, z;
    };
    for (const Case& c : {Case{ZTransform::Poisson, 6, 4, 1.0}, Case{ZTransform::Poisson, 0, 9, -3.0},
                          Case{ZTransform::Standard, 0, 0, 0.0}, Case{ZTransform::Standard, 3, 2, std::sqrt(3.0) + 2.0 - 3.0},
                          Case{ZTransform::Rossi, 4, 1, (4 - 3 + 2 * 2.0) / 2.0}, Case{ZTransform::Rossi, 0, 4, -3.0}})
        EXPECT_DOUBLE_EQ(modCusum::ZValue(c.t, c.o, c.e), c.z) << c.o << " " << c.e;
    for (ZTransform t : {ZTransform::Poisson, ZTransform::Rossi}) {
        try {
            modCusum::ZValue(t, 1, 0);
            ADD_FAILURE() << "an expected count of 0 was taken";
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), RuntimeErrors::DivisionByZero);
        }
    }
    EXPECT_THROW(modCusum::ZValue(ZTransform::Standard, -1, 1), AppError);
    EXPECT_THROW(modCusum::ZValue(ZTransform::Standard, 1, -1), AppError);
}

// The smoothed z-values of every period with one kernel equal the
// smoothing of the z-values period by period.
TEST(CusumExportTransforms, SmoothedZValuesEqualTheSmoothingOfEachPeriod) {
    const int n = 5, t = 3;
    std::vector<CentroidRecord> cs(n + 1);
    for (int i = 1; i <= n; ++i) cs[static_cast<std::size_t>(i)] = {std::to_string(i), i * 0.7, (i % 2) * 0.4};
    double sigma = 0.8;
    const Matrix w = modCusum::CalcSpatialWeights(sigma, n, cs, 4.0);
    Matrix o = Matrix::Zero(n + 1, t + 1), e = Matrix::Zero(n + 1, t + 1);
    for (int i = 1; i <= n; ++i)
        for (int p = 1; p <= t; ++p) {
            o(i, p) = (i * 3 + p * 5) % 7;
            e(i, p) = 1.0 + (i + p) % 3;
        }
    const Matrix all = modCusum::SmoothedZValues(w, o, e, n, t, modCusum::ZTransform::Rossi);
    for (int p = 1; p <= t; ++p) {
        Matrix z = Matrix::Zero(n + 1, 2);
        for (int i = 1; i <= n; ++i) z(i, 1) = modCusum::ZValue(modCusum::ZTransform::Rossi, o(i, p), e(i, p));
        const Matrix one = modCusum::Smooth(w, z, 1);
        for (int i = 1; i <= n; ++i) EXPECT_EQ(all(i, p), one(i, 1)) << i << "," << p;
    }
}
