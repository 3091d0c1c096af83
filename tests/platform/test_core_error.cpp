// The error type and the guarded arithmetic.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "platform/Error.h"

TEST(ErrorTest, CarriesNumberDescriptionAndSource) {
    const AppError e(vbObjectError + 515, "The FileSpec is invalid", "C_FileName::SetFileSpec");
    EXPECT_EQ(e.number(), -2147220989);
    EXPECT_EQ(e.description(), "The FileSpec is invalid");
    EXPECT_STREQ(e.what(), "The FileSpec is invalid");
    const AppError moved = e.withSource("CShapeFile::Item");
    EXPECT_EQ(moved.number(), e.number());
    EXPECT_EQ(moved.description(), e.description());
    EXPECT_EQ(moved.source(), "CShapeFile::Item");
    EXPECT_EQ(vbObjectError, static_cast<std::int32_t>(0x80040000u));
}

TEST(ErrorTest, GuardedArithmetic) {
    struct Case {
        const char* name;
        std::function<double()> call;
        int number;  // 0: no error
        double value;
    };
    const Case cases[] = {
        {"1 / 0", [] { return checkedDivide(1, 0); }, 11, 0},
        {"-1 / 0", [] { return checkedDivide(-1, 0); }, 11, 0},
        {"0 / 0", [] { return checkedDivide(0, 0); }, 5, 0},
        {"overflowing quotient", [] { return checkedDivide(1e300, 1e-300); }, 6, 0},
        {"6 / 3", [] { return checkedDivide(6, 3); }, 0, 2},
        {"sqrt -1", [] { return checkedSqrt(-1); }, 5, 0},
        {"sqrt NaN", [] { return checkedSqrt(NAN); }, 5, 0},
        {"sqrt 9", [] { return checkedSqrt(9); }, 0, 3},
        {"log 0", [] { return checkedLog(0); }, 5, 0},
        {"log -2", [] { return checkedLog(-2); }, 5, 0},
        {"log 1", [] { return checkedLog(1); }, 0, 0},
        {"exp 1000", [] { return checkedExp(1000); }, 6, 0},
        {"exp 0", [] { return checkedExp(0); }, 0, 1},
        {"finite NaN", [] { return checkedFinite(NAN); }, 5, 0},
        {"finite inf", [] { return checkedFinite(-INFINITY); }, 6, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.number == 0) {
            EXPECT_EQ(c.call(), c.value);
            continue;
        }
        try {
            c.call();
            ADD_FAILURE() << "no error";
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), c.number);
        }
    }
}

TEST(ErrorTest, Raisers) {
    struct Case {
        std::function<void()> raise;
        int number;
    };
    const Case cases[] = {
        {[] { raiseOverflow("s"); }, 6},
        {[] { raiseDivisionByZero("s"); }, 11},
        {[] { raiseSubscriptOutOfRange("s"); }, 9},
        {[] { raiseInvalidArgument("s"); }, 5},
        {[] { raiseInvalidArgument("s", "bad thing"); }, 5},
    };
    for (const auto& c : cases) {
        try {
            c.raise();
            ADD_FAILURE();
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), c.number);
            EXPECT_EQ(e.source(), "s");
            EXPECT_FALSE(e.description().empty());
        }
    }
}
