// The three diminishing-gap sorts: element 0 untouched, the documented tie
// order, the empty array.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <utility>

#include "platform/Error.h"
#include "stats/modSorting.h"

namespace {

struct DoubleCase {
    const char* name;
    std::vector<double> input, expected;
};

TEST(ShellSortDouble, Examples) {
    const DoubleCase cases[] = {
        {"element 0 keeps its value", {42.0, 5.0, 3.0, 9.0, 1.0}, {42.0, 1.0, 3.0, 5.0, 9.0}},
        {"upper bound 0", {7.0}, {7.0}},
        {"upper bound 1", {7.0, -3.0}, {7.0, -3.0}},
        {"negatives and zeros", {0.0, 0.0, -2.5, 3.0, -7.0, 0.0}, {0.0, -7.0, -2.5, 0.0, 0.0, 3.0}},
        {"already in order", {0.0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {0.0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
        {"reversed", {0.0, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1}, {0.0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto a = c.input;
        modSorting::ShellSortDouble(a);
        EXPECT_EQ(a, c.expected);
    }
}

TEST(ShellSortDouble, MinusZeroAndZeroAreEqualAndStayPut) {
    std::vector<double> a = {0.0, 0.0, -0.0};
    modSorting::ShellSortDouble(a);
    EXPECT_FALSE(std::signbit(a[1]));
    EXPECT_TRUE(std::signbit(a[2]));
}

TEST(ShellSortDouble, RandomArraysEndAscending) {
    std::mt19937 g(7);
    for (int n : {2, 3, 10, 17, 100, 1001}) {
        SCOPED_TRACE(n);
        std::vector<double> a(static_cast<std::size_t>(n) + 1);
        for (auto& v : a) v = static_cast<double>(g() % 50) - 25.0;
        a[0] = 99.0;
        auto expected = a;
        std::sort(expected.begin() + 1, expected.end());
        modSorting::ShellSortDouble(a);
        EXPECT_EQ(a, expected);
    }
}

TEST(ShellSortByValue, TiesFollowTheExactPasses) {
    std::vector<IndexValue> a = {{0, 0}, {1, 0.7}, {2, 0.2}, {3, 0.7}};
    modSorting::ShellSortByValue(a);
    const double indexes[] = {2, 1, 3};
    const double values[] = {0.2, 0.7, 0.7};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(a[static_cast<std::size_t>(i) + 1].Index, indexes[i]);
        EXPECT_EQ(a[static_cast<std::size_t>(i) + 1].Value, values[i]);
    }
}

TEST(ShellSortByValue, NotStable) {
    // Gap 3 moves (1, 0.5) behind (4, 0.5) by exchanging it with (4, 0.1).
    std::vector<IndexValue> a = {{0, 0}, {1, 0.5}, {2, 0.5}, {3, 0.9}, {4, 0.1}, {5, 0.5}};
    modSorting::ShellSortByValue(a);
    std::vector<double> order;
    for (std::size_t i = 1; i < a.size(); ++i) order.push_back(a[i].Index);
    EXPECT_EQ(order, (std::vector<double>{4, 2, 5, 1, 3}));
}

// The sort's steps written out once more, recording the gap of every pass.
template <typename T, typename Key>
std::vector<int> referenceSort(std::vector<T>& a, Key key, bool singleGap) {
    std::vector<int> gaps;
    const int upper = static_cast<int>(a.size()) - 1;
    double q = (upper + 1) / 2.0;
    if (singleGap) q = static_cast<float>(q);
    int gap = static_cast<int>(std::nearbyint(q));
    while (gap >= 1) {
        bool exchanged = true;
        while (exchanged) {
            exchanged = false;
            gaps.push_back(gap);
            for (int i = 1; i <= upper - gap; ++i)
                if (key(a[static_cast<std::size_t>(i)]) > key(a[static_cast<std::size_t>(i + gap)])) {
                    std::swap(a[static_cast<std::size_t>(i)], a[static_cast<std::size_t>(i + gap)]);
                    exchanged = true;
                }
        }
        gap = static_cast<int>(std::nearbyint(gap / 2.0));
    }
    return gaps;
}

std::vector<int> distinctGaps(std::vector<int> passes) {
    passes.erase(std::unique(passes.begin(), passes.end()), passes.end());
    return passes;
}

TEST(ShellSorts, GapSequences) {
    struct GapCase {
        int upper;
        std::vector<int> gaps;
    };
    const GapCase cases[] = {{10, {6, 3, 2, 1}}, {5, {3, 2, 1}}, {4, {2, 1}}, {1, {1}}, {0, {}}, {2, {2, 1}}, {3, {2, 1}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.upper);
        std::vector<double> a(static_cast<std::size_t>(c.upper) + 1, 1.0);
        EXPECT_EQ(distinctGaps(referenceSort(a, [](double v) { return v; }, true)), c.gaps);
    }
    // Already in order: one pass per gap.
    std::vector<double> ordered = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    EXPECT_EQ(referenceSort(ordered, [](double v) { return v; }, true), (std::vector<int>{6, 3, 2, 1}));
}

TEST(ShellSortByValue, TiesEndWhereTheExactPassesLeaveThem) {
    // Few distinct values, so that many records tie; the Index order that
    // results is the one the exact passes give, not a stable one.
    std::mt19937 g(3);
    int unstable = 0;
    for (int n : {2, 3, 4, 5, 7, 10, 16, 33, 100, 257}) {
        for (int round = 0; round < 20; ++round) {
            SCOPED_TRACE(std::to_string(n) + " round " + std::to_string(round));
            std::vector<IndexValue> a(static_cast<std::size_t>(n) + 1);
            a[0] = {-1.0, -1.0};
            for (int i = 1; i <= n; ++i) a[static_cast<std::size_t>(i)] = {static_cast<double>(i), static_cast<double>(g() % 4) * 0.25};
            auto expected = a;
            referenceSort(expected, [](const IndexValue& v) { return v.Value; }, false);
            auto stable = a;
            std::stable_sort(stable.begin() + 1, stable.end(),
                             [](const IndexValue& x, const IndexValue& y) { return x.Value < y.Value; });
            modSorting::ShellSortByValue(a);
            bool differs = false;
            for (std::size_t i = 0; i < a.size(); ++i) {
                ASSERT_EQ(a[i].Index, expected[i].Index) << i;
                ASSERT_EQ(a[i].Value, expected[i].Value) << i;
                differs = differs || a[i].Index != stable[i].Index;
            }
            unstable += differs ? 1 : 0;
        }
    }
    EXPECT_GT(unstable, 0);  // the table does exercise the unstable ties
}

TEST(ShellSortDouble, SignedZerosEndWhereTheExactPassesLeaveThem) {
    std::mt19937 g(5);
    for (int n : {3, 6, 11, 50}) {
        SCOPED_TRACE(n);
        std::vector<double> a(static_cast<std::size_t>(n) + 1, 0.0);
        for (std::size_t i = 1; i < a.size(); ++i) {
            const auto r = g() % 3;
            a[i] = r == 0 ? 0.0 : r == 1 ? -0.0 : -1.0;
        }
        auto expected = a;
        referenceSort(expected, [](double v) { return v; }, true);
        modSorting::ShellSortDouble(a);
        for (std::size_t i = 0; i < a.size(); ++i) {
            ASSERT_EQ(a[i], expected[i]) << i;
            ASSERT_EQ(std::signbit(a[i]), std::signbit(expected[i])) << i;
        }
    }
}

TEST(ShellSortInteger, SortsAndLeavesElementZero) {
    std::vector<std::int16_t> a = {-5, 30000, -32768, 7, 7, 0};
    modSorting::ShellSortInteger(a);
    EXPECT_EQ(a, (std::vector<std::int16_t>{-5, -32768, 0, 7, 7, 30000}));
}

TEST(ShellSorts, LargeArraysWork) {
    std::vector<IndexValue> a(40001);
    for (std::size_t i = 1; i < a.size(); ++i) a[i] = {static_cast<double>(i), static_cast<double>(a.size() - i)};
    modSorting::ShellSortByValue(a);
    EXPECT_EQ(a[1].Index, 40000.0);
    EXPECT_EQ(a[40000].Index, 1.0);
}

TEST(ShellSorts, NeverSizedArrayRaisesNine) {
    std::vector<double> d;
    std::vector<IndexValue> v;
    std::vector<std::int16_t> k;
    try {
        modSorting::ShellSortDouble(d);
        ADD_FAILURE();
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), 9);
    }
    EXPECT_THROW(modSorting::ShellSortByValue(v), AppError);
    EXPECT_THROW(modSorting::ShellSortInteger(k), AppError);
}

}  // namespace
