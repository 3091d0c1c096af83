#include "stats/cMathLib.h"

#include <cmath>
#include <string>

#include "platform/Error.h"

namespace {

const char* const kDimensionText = "Dimensions of the two matrices do not match !";
const char* const kMultiplyText = "Dimensions of the two matrices not suitable for multiplication !";
const char* const kNullText = "One or both of the matrices are null, this operation cannot be done !!";

// Every failure inside an operation other than its own dimension test.
[[noreturn]] void raiseNull() { throw AppError(cMathLib::kNullMatrixError, kNullText); }

}  // namespace

bool cMathLib::IsVector(const Operand& M, std::int64_t& count) {
    if (M.matrix_ != nullptr) {
        if (M.matrix_->rows() > 0 && M.matrix_->cols() > 0) return false;
        raiseNull();  // a two-dimensional array without element (0, 0) was never sized
    }
    if (M.vector_ == nullptr || M.vector_->empty()) raiseNull();
    count = static_cast<std::int64_t>(M.vector_->size());
    return true;
}

std::int64_t cMathLib::GetColumnCount(const Operand& M, std::int64_t& rows) {
    if (M.matrix_ == nullptr || M.matrix_->rows() == 0) raiseNull();
    rows = M.matrix_->rows();
    return M.matrix_->cols();
}

cMathLib::Array2 cMathLib::ToInternalMatrix(const Operand& M) {
    std::int64_t n = 0;
    Array2 R;
    if (IsVector(M, n)) {
        R = Array2::Zero(n + 1, 2);
        R(0, 0) = static_cast<double>(n);
        R(0, 1) = 1.0;
        for (std::int64_t i = 1; i <= n; ++i) R(i, 1) = (*M.vector_)[static_cast<std::size_t>(i - 1)];
        return R;
    }
    std::int64_t rows = 0;
    const std::int64_t cols = GetColumnCount(M, rows);
    R = Array2::Zero(rows + 1, cols + 1);
    R(0, 0) = static_cast<double>(rows);
    R(0, 1) = static_cast<double>(cols);
    R.bottomRightCorner(rows, cols) = *M.matrix_;
    return R;
}

template <typename Op>
cMathLib::Array2 cMathLib::elementWise(const Operand& Mat_1, const Operand& Mat_2, std::int32_t dimensionError,
                                       Op op) {
    const Array2 A = ToInternalMatrix(Mat_1);
    const Array2 B = ToInternalMatrix(Mat_2);
    if (!(A(0, 0) == B(0, 0) && A(0, 1) == B(0, 1))) throw AppError(dimensionError, kDimensionText);
    const auto rows = static_cast<Eigen::Index>(A(0, 0));
    const auto cols = static_cast<Eigen::Index>(A(0, 1));
    Array2 C(rows, cols);
    for (Eigen::Index i = 1; i <= rows; ++i)
        for (Eigen::Index j = 1; j <= cols; ++j) {
            const double v = op(A(i, j), B(i, j));
            if (!std::isfinite(v)) raiseNull();
            C(i - 1, j - 1) = v;
        }
    return C;
}

cMathLib::Array2 cMathLib::Add(const Operand& Mat_1, const Operand& Mat_2) const {
    return elementWise(Mat_1, Mat_2, kAddDimensionError, [](double a, double b) { return a + b; });
}

cMathLib::Array2 cMathLib::Subtract(const Operand& Mat_1, const Operand& Mat_2) const {
    return elementWise(Mat_1, Mat_2, kSubtractDimensionError, [](double a, double b) { return a - b; });
}

cMathLib::Array2 cMathLib::Multiply(const Operand& Mat_1, const Operand& Mat_2) const {
    const Array2 A = ToInternalMatrix(Mat_1);
    const Array2 B = ToInternalMatrix(Mat_2);
    if (A(0, 1) != B(0, 0)) throw AppError(kMultiplyDimensionError, kMultiplyText);
    const auto rows = static_cast<Eigen::Index>(A(0, 0));
    const auto inner = static_cast<Eigen::Index>(A(0, 1));
    const auto cols = static_cast<Eigen::Index>(B(0, 1));
    Array2 C(rows, cols);
    // Row i of A read along k: a row-major copy keeps that walk contiguous.
    const Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor> Ar = A;
    for (Eigen::Index i = 1; i <= rows; ++i)
        for (Eigen::Index j = 1; j <= cols; ++j) {
            double sum = 0.0;
            for (Eigen::Index k = 1; k <= inner; ++k) sum = B(k, j) * Ar(i, k) + sum;
            if (!std::isfinite(sum)) raiseNull();
            C(i - 1, j - 1) = sum;
        }
    return C;
}
