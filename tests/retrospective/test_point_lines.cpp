// The rows of the point lists for a range of bandwidths, cell by cell.
#include <gtest/gtest.h>

#include "retrospective/ClusterLines.h"
#include "tests/support/CaseNames.h"

namespace {

struct RowCase {
    const char* name;
    ClusterTest test;
    ClusterLines::RangeRow row;
    std::string text;
};

class PointRangeRows : public ::testing::TestWithParam<RowCase> {};

TEST_P(PointRangeRows, StandInTheirFields) {
    const RowCase& c = GetParam();
    EXPECT_EQ(ClusterLines::rangeRow(c.test, c.row, ListLayout::Points), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PointRangeRows,
    ::testing::Values(
        // sigma 6, U 9, chi 8, df 8, p 9 (or " <0.001" in 10)
        RowCase{"unadjusted_p_of_exactly_0_001", ClusterTest::Unadjusted, {0.2, 123.45, 45.67, 12.345, 0.001, 0, 0},
                "  0.20    123.5    45.7   12.35   0.0010"},
        RowCase{"unadjusted_small_p", ClusterTest::Unadjusted, {2.0, 5.0, 6.0, 7.0, 0.0009, 0, 0},
                "  2.00      5.0     6.0    7.00    <0.001"},
        // sigma 5, U 7, chi 7, df 6, Mmax 5, "(", M* 3, ")", p 8
        RowCase{"adjusted", ClusterTest::AdjustedPoisson, {1e-8, 10.04, 20.0, 3.25, 0.5, 4.44, 3.5},
                " 0.00   10.0   20.0   3.3  4.4(3.5)  0.5000"},
        RowCase{"adjusted_small_p", ClusterTest::AdjustedPoisson, {1.4, 10.0, 20.0, 3.0, 0.0, 4.0, 3.0},
                " 1.40   10.0   20.0   3.0  4.0(3.0)  <0.001"},
        // sigma 6, Mmax 6, M* 6
        RowCase{"m_test", ClusterTest::Rossi, {0.6, 12.9, 0, 0, 0, 0, 3.54}, "  0.60 12.90  3.54"},
        RowCase{"m_test_wide_value", ClusterTest::FreemanTukey, {0.6, 1234.5, 0, 0, 0, 0, 3.5},
                "  0.60 1234.50  3.50"},
        // A value that fills its field, or runs past it, stands one blank
        // apart from the value before it.
        RowCase{"unadjusted_wide_values", ClusterTest::Unadjusted, {0.2, 1234567.8, 123456.7, 12.345, 0.5, 0, 0},
                "  0.20 1234567.8 123456.7   12.35   0.5000"},
        RowCase{"adjusted_wide_values", ClusterTest::AdjustedPoisson, {10.0, 1234567.8, 123456.7, 12.3, 0.5, 123.4, 3.5},
                "10.00 1234567.8 123456.7  12.3 123.4(3.5)  0.5000"}),
    CaseNameOf{});

TEST(PointRangeRows, TheHeadersOfTheThreeLayouts) {
    EXPECT_EQ(ClusterLines::rangeHeader(ClusterTest::Unadjusted, ListLayout::Points),
              " Sigma        U     Chi      DF     P-Val");
    EXPECT_EQ(ClusterLines::rangeHeader(ClusterTest::AdjustedPoisson, ListLayout::Points),
              "Sigma      U    Chi    DF     M(M*)   P-Val");
    EXPECT_EQ(ClusterLines::rangeHeader(ClusterTest::Rossi, ListLayout::Points), " Sigma     M    M* ");
}

}  // namespace
