// The matrix class: shapes of results, one-dimensional operands, the
// numbered errors with their texts.
#include <gtest/gtest.h>

#include <functional>
#include <limits>

#include "platform/Error.h"
#include "stats/cMathLib.h"

using Matrix = Eigen::MatrixXd;

namespace {

Matrix make(int rows, int cols, double start) {
    Matrix m(rows, cols);
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < cols; ++j) m(i, j) = start + 10.0 * i + j;
    return m;
}

void expectError(const std::function<void()>& f, int number, const char* text) {
    try {
        f();
        ADD_FAILURE() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), number);
        EXPECT_EQ(e.description(), text);
        EXPECT_EQ(e.source(), "");
    }
}

TEST(cMathLib, MultiplyTwoByThreeAndThreeByTwo) {
    cMathLib lib;
    const Matrix a = make(2, 3, 1.0), b = make(3, 2, -4.0);
    const Matrix c = lib.Multiply(a, b);
    ASSERT_EQ(c.rows(), 2);
    ASSERT_EQ(c.cols(), 2);
    const Matrix expected = a * b;
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) EXPECT_DOUBLE_EQ(c(i, j), expected(i, j));
}

TEST(cMathLib, AddAndSubtractElementByElement) {
    cMathLib lib;
    const Matrix a = make(2, 3, 1.0), b = make(2, 3, 0.5);
    const Matrix s = lib.Add(a, b), d = lib.Subtract(a, b);
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 3; ++j) {
            EXPECT_EQ(s(i, j), a(i, j) + b(i, j));
            EXPECT_EQ(d(i, j), a(i, j) - b(i, j));
        }
    const Matrix one = lib.Subtract(make(1, 1, 3.0), make(1, 1, 1.0));
    ASSERT_EQ(one.rows(), 1);
    ASSERT_EQ(one.cols(), 1);
    EXPECT_EQ(one(0, 0), 2.0);
}

TEST(cMathLib, OneDimensionalArrayIsAColumn) {
    cMathLib lib;
    const std::vector<double> v = {1.0, 2.0, 3.0};
    const Matrix c = lib.Multiply(make(2, 3, 1.0), v);
    ASSERT_EQ(c.rows(), 2);
    ASSERT_EQ(c.cols(), 1);
    EXPECT_EQ(c(0, 0), 1.0 * 1 + 2.0 * 2 + 3.0 * 3);
    EXPECT_EQ(c(1, 0), 11.0 * 1 + 12.0 * 2 + 13.0 * 3);
    const Matrix s = lib.Add(v, make(3, 1, 0.0));
    ASSERT_EQ(s.rows(), 3);
    EXPECT_EQ(s(2, 0), 3.0 + 20.0);
}

TEST(cMathLib, NumberedErrors) {
    cMathLib lib;
    const Matrix empty;
    const std::vector<double> never;
    expectError([&] { lib.Multiply(make(3, 2, 0), make(3, 2, 0)); }, 5009,
                "Dimensions of the two matrices not suitable for multiplication !");
    expectError([&] { lib.Subtract(make(2, 2, 0), make(2, 3, 0)); }, 5007,
                "Dimensions of the two matrices do not match !");
    expectError([&] { lib.Add(make(2, 2, 0), make(3, 2, 0)); }, 5005, "Dimensions of the two matrices do not match !");
    expectError([&] { lib.Add(empty, make(2, 2, 0)); }, 5022,
                "One or both of the matrices are null, this operation cannot be done !!");
    expectError([&] { lib.Multiply(make(2, 2, 0), never); }, 5022,
                "One or both of the matrices are null, this operation cannot be done !!");
    Matrix big = make(1, 1, std::numeric_limits<double>::max());
    expectError([&] { lib.Add(big, big); }, 5022,
                "One or both of the matrices are null, this operation cannot be done !!");
}

}  // namespace
