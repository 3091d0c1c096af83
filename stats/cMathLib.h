#pragma once
// Element-wise sums and differences and the product of dense matrices of
// doubles. Operands are 0-based two-dimensional arrays, or one-dimensional
// arrays of n elements, which count as n x 1 matrices; results are always
// two-dimensional and 0-based. The class holds no state between calls.
//
// Errors (no source): 5005 / 5007 when Add / Subtract get matrices of
// different dimensions, 5009 when Multiply's inner dimensions differ, 5022
// for an operand that was never sized (empty) or a result that overflows.

#include <Eigen/Core>
#include <cstdint>
#include <vector>

class cMathLib {
public:
    using Array2 = Eigen::MatrixXd;
    using Array1 = std::vector<double>;

    // One operand: a view of either kind of array (the array must outlive it).
    class Operand {
    public:
        Operand(const Array2& m) : matrix_(&m) {}  // NOLINT: implicit on purpose
        Operand(const Array1& v) : vector_(&v) {}  // NOLINT
    private:
        friend class cMathLib;
        const Array2* matrix_ = nullptr;
        const Array1* vector_ = nullptr;
    };

    Array2 Add(const Operand& Mat_1, const Operand& Mat_2) const;
    Array2 Subtract(const Operand& Mat_1, const Operand& Mat_2) const;
    Array2 Multiply(const Operand& Mat_1, const Operand& Mat_2) const;

    static constexpr std::int32_t kAddDimensionError = 5005;
    static constexpr std::int32_t kSubtractDimensionError = 5007;
    static constexpr std::int32_t kMultiplyDimensionError = 5009;
    static constexpr std::int32_t kNullMatrixError = 5022;

private:
    // R(0,0) = rows, R(0,1) = columns; element (i, j) of the operand at R(i+1, j+1).
    static Array2 ToInternalMatrix(const Operand& M);
    static bool IsVector(const Operand& M, std::int64_t& count);
    static std::int64_t GetColumnCount(const Operand& M, std::int64_t& rows);
    template <typename Op>
    static Array2 elementWise(const Operand& Mat_1, const Operand& Mat_2, std::int32_t dimensionError, Op op);
};
