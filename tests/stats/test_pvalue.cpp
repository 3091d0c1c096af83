// Normal and chi-square p-values: the worked values, the bounds at 4.5, the
// bit-identity of the one-exponential integration with the plain loop, and
// the inputs that have no p-value.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/CpuState.h"
#include "platform/Error.h"
#include "stats/modPValue.h"

namespace {

// The integration exactly as first written: two exponentials per step.
double twoExponentialPValue(double z) {
    // The test program's application object leaves the upper vector state
    // in use; the engine clears it where it starts, and so does the
    // reference, which would otherwise run many times slower on some
    // processors.
    CpuState::clearUpperState();
    if (z > 4.5) return 0.0;
    double x = z;
    if (x <= 0.0) x = -x;
    const double s = 1.0;
    auto phi = [&](double t) { return (1.0 / (s * std::sqrt(6.2831853))) * std::exp(-t * t / (2.0 * s * s)); };
    double area = 0.0;
    for (;;) {
        if (x <= 0.0) break;
        const double f1 = phi(x);
        x = x - 0.0001;
        const double f2 = phi(x);
        area = area + ((f1 + f2) / 2.0) * 0.0001;
        if (0.5 - area < 0.00001) break;
    }
    if (area > 0.5) return 0.0;
    return 0.5 - area;
}

double round4(double v) { return std::round(v * 10000.0) / 10000.0; }

struct NormalCase {
    const char* name;
    double z;
    double expected4;  // to four decimals
};

TEST(NormalPValue, WorkedValuesToFourDecimals) {
    const NormalCase cases[] = {
        {"z 1.96", 1.96, 0.0250},   {"z -1.96", -1.96, 0.0250}, {"z 1.645", 1.645, 0.0499},
        {"z 2.576", 2.576, 0.0050}, {"z 1 keeps its drift", 1.0, 0.1586},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_DOUBLE_EQ(round4(modPValue::GetNormalPValue(c.z)), c.expected4);
    }
}

TEST(NormalPValue, ZeroGivesExactlyOneHalf) { EXPECT_EQ(modPValue::GetNormalPValue(0.0), 0.5); }

TEST(NormalPValue, BoundAtFourAndAHalf) {
    const double at = modPValue::GetNormalPValue(4.5);
    EXPECT_GT(at, 0.0);
    EXPECT_LT(at, 0.00001);
    EXPECT_EQ(modPValue::GetNormalPValue(std::nextafter(4.5, 5.0)), 0.0);
    EXPECT_EQ(modPValue::GetNormalPValue(7.0), 0.0);
    // Below -4.5 the tail of |z| is below 0.000004: 0 at once.
    EXPECT_EQ(modPValue::GetNormalPValue(-4.6), 0.0);
    EXPECT_EQ(modPValue::GetNormalPValue(-1000.0), 0.0);
    EXPECT_EQ(modPValue::GetNormalPValue(-1e300), 0.0);
    EXPECT_EQ(modPValue::GetNormalPValue(-4.5), at);
    // About 0.000003.
    EXPECT_EQ(std::round(at * 1e6) / 1e6, 0.000003);
}

struct StopCase {
    const char* name;
    double z;
    double expected;  // relative 1e-9; 0 exactly
};

TEST(NormalPValue, StoppingRuleAndDrift) {
    const StopCase cases[] = {
        // 43772 steps: the early exit fires with x still at 0.00001, above 0.
        {"early exit before reaching 0", 4.37721, 9.99954315645e-06},
        // The last trapezoid reaches 0.00005 below 0 and the area passes
        // one half: the result is 0 although |z| <= 4.5.
        {"last step overshoots one half", 4.40005, 0.0},
        {"first z with an overshoot", 3.97021, 0.0},
        // The drift leaves x 3E-12 below 0 after exactly 44000 steps.
        {"drift ends just below 0", 4.4, 5.41225710848e-06},
        {"negative z folds", -4.37721, 9.99954315645e-06},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const double p = modPValue::GetNormalPValue(c.z);
        if (c.expected == 0.0)
            EXPECT_EQ(p, 0.0);
        else
            EXPECT_NEAR(p, c.expected, 1e-9 * c.expected);
        EXPECT_EQ(p, twoExponentialPValue(std::fabs(c.z)));
    }
}

TEST(NormalPValue, BitIdenticalNearTheUpperBound) {
    // Where the early exit and the final overshoot decide the result.
    for (int k = 0; k <= 2000; ++k) {
        const double z = 3.95 + k * 0.000277;
        SCOPED_TRACE(z);
        // -z folds onto z: one reference serves both.
        const double reference = twoExponentialPValue(z);
        ASSERT_EQ(modPValue::GetNormalPValue(z), reference);
        ASSERT_EQ(modPValue::GetNormalPValue(-z), reference);
    }
}

TEST(NormalPValue, OneExponentialPerStepIsBitIdentical) {
    for (int k = -450; k <= 460; k += 7) {
        const double z = k / 100.0 + 0.00123;
        SCOPED_TRACE(z);
        EXPECT_EQ(modPValue::GetNormalPValue(z), twoExponentialPValue(std::fabs(z) > 4.5 && z < 0 ? 0 : z));
    }
}

TEST(NormalPValue, NonFiniteStatisticIsRefused) {
    for (double z : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                     -std::numeric_limits<double>::infinity()}) {
        SCOPED_TRACE(z);
        try {
            modPValue::GetNormalPValue(z);
            ADD_FAILURE() << "no error";
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), 5);
        }
    }
}

struct ChiCase {
    const char* name;
    double chi, df;
    double z4, p4;
};

TEST(ChiSquarePValue, WorkedValuesToFourDecimals) {
    const ChiCase cases[] = {
        {"3.841 on 1", 3.841, 1.0, 1.6722, 0.0472},
        {"0 on 1 folds to the upper tail", 0.0, 1.0, -1.6499, 0.0494},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_DOUBLE_EQ(round4(modPValue::ChiSquareDeviate(c.chi, c.df)), c.z4);
        EXPECT_DOUBLE_EQ(round4(modPValue::GetChiSquarePValue(c.chi, c.df)), c.p4);
    }
    EXPECT_DOUBLE_EQ(round4(modPValue::GetChiSquarePValue(18.307, 10.0)), 0.0497);
}

TEST(ChiSquarePValue, NegativeOnlyByRoundingCountsAsZero) {
    // The signed cube root of -2.2E-16 is -6E-6: the p-value of 0 to five decimals.
    EXPECT_NEAR(modPValue::GetChiSquarePValue(-2.2e-16, 1.0), modPValue::GetChiSquarePValue(0.0, 1.0), 1e-5);
    EXPECT_NEAR(modPValue::GetChiSquarePValue(-4e-15, 37.0), modPValue::GetChiSquarePValue(0.0, 37.0), 1e-5);
}

struct BadChi {
    const char* name;
    double chi, df;
    int number;
};

TEST(ChiSquarePValue, InputsWithoutPValueRaiseNumberedErrors) {
    const BadChi cases[] = {
        {"df 0", 3.0, 0.0, 11},
        {"negative df", 3.0, -2.0, 5},
        {"clearly negative chi", -1.0, 4.0, 5},
        {"NaN chi", std::numeric_limits<double>::quiet_NaN(), 4.0, 5},
        {"infinite df", 3.0, std::numeric_limits<double>::infinity(), 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            modPValue::GetChiSquarePValue(c.chi, c.df);
            ADD_FAILURE() << "no error";
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), c.number);
            EXPECT_FALSE(e.description().empty());
        }
    }
}

}  // namespace
