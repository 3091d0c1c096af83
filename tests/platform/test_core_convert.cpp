// Double-to-integer conversions: halves to even, overflow error 6.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/Convert.h"

TEST(ConvertTest, Int16HalvesToEven) {
    struct Case {
        double value;
        std::int16_t expected;
    };
    const Case cases[] = {
        {2.5, 2},       {3.5, 4},       {-2.5, -2},          {-3.5, -4},      {0.5, 0},   {1.5, 2},
        {2.4999, 2},    {2.5001, 3},    {32767.4, 32767},    {-32768.5, -32768}, {-0.4, 0}, {0.0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(toInt16(c.value), c.expected);
    }
}

TEST(ConvertTest, Int32HalvesToEven) {
    struct Case {
        double value;
        std::int32_t expected;
    };
    const Case cases[] = {
        {2.5, 2}, {3.5, 4}, {-2.5, -2}, {100000.5, 100000}, {2147483647.4, 2147483647}, {-2147483648.5, -2147483647 - 1},
        {0.5, 0}, {-1.5, -2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(toInt32(c.value), c.expected);
    }
}

TEST(ConvertTest, OverflowRaisesError6) {
    const double int16Bad[] = {32767.5, 32768.0, -32768.6, -32769.0, 1e300, INFINITY, -INFINITY, NAN};
    for (double v : int16Bad) {
        SCOPED_TRACE(v);
        try {
            toInt16(v, "here");
            ADD_FAILURE() << "no overflow";
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), 6);
            EXPECT_EQ(e.source(), "here");
        }
    }
    const double int32Bad[] = {2147483647.5, 2147483648.0, -2147483649.0, 1e10, INFINITY, NAN};
    for (double v : int32Bad) {
        SCOPED_TRACE(v);
        try {
            toInt32(v);
            ADD_FAILURE() << "no overflow";
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), 6);
        }
    }
}
