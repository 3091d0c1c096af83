// The line chart's contract with the windows: data and row labels handed
// over in one call lay the chart out once and show every row's label or
// every few rows' labels; one changed value moves one point and reads the
// array again only when it overwrote an end of its range; and a chart
// changed over and over leaves nothing behind.
#include <gtest/gtest.h>

#include <QBarCategoryAxis>
#include <QCategoryAxis>
#include <QChart>
#include <QCoreApplication>
#include <QGraphicsScene>
#include <QLineSeries>
#include <QValueAxis>
#include <cmath>
#include <limits>
#include <tuple>

#include "ui/LineChart.h"

namespace {

using Matrix = LineChart::Matrix;

// What the horizontal axis shows: each text with the row it stands at.
std::vector<std::pair<QString, double>> axisTexts(const LineChart& c) {
    std::vector<std::pair<QString, double>> out;
    QAbstractAxis* x = c.chart()->axes(Qt::Horizontal).value(0);
    if (auto* all = qobject_cast<QBarCategoryAxis*>(x)) {
        const QStringList cats = all->categories();
        for (int r = 0; r < cats.size(); ++r) out.emplace_back(cats[r], r);
    } else if (auto* some = qobject_cast<QCategoryAxis*>(x)) {
        for (const QString& label : some->categoriesLabels()) out.emplace_back(label, some->endValue(label));
    }
    return out;
}

// The vertical axis: its range and its count of ticks.
std::tuple<double, double, int> valueRange(const LineChart& c) {
    auto* y = qobject_cast<QValueAxis*>(c.chart()->axes(Qt::Vertical).value(0));
    return y ? std::make_tuple(y->min(), y->max(), y->tickCount()) : std::make_tuple(0.0, 0.0, 0);
}

Matrix ramp(int rows) {
    Matrix m(rows, 2);
    for (int r = 0; r < rows; ++r) {
        m(r, 0) = std::sin(0.3 * r) * 10.0;
        m(r, 1) = 4.5;
    }
    return m;
}

using AxisTexts = std::vector<std::pair<QString, double>>;

struct LabelCase {
    const char* name;
    QStringList labels;
    AxisTexts shown;  // what the horizontal axis shows, text and row
};

QStringList repeated(const QString& text, int n) {
    QStringList out;
    for (int k = 0; k < n; ++k) out << text;
    return out;
}

QStringList bandwidths(int n) {
    QStringList out;
    for (int k = 1; k <= n; ++k) out << QString::number(0.01 * k, 'f', 3);
    return out;
}

// The labels of rows 0, step, 2 step, ... as the axis shows them, for label
// lists whose only repeated text is the first row's: each repeat of it is
// widened by one more blank than the one before.
AxisTexts everyStep(const QStringList& labels, int step) {
    AxisTexts out;
    int blanks = 0;
    for (int r = 0; r < labels.size(); r += step) {
        const bool repeatsFirst = !out.empty() && labels[r] == labels[0];
        out.emplace_back(labels[r] + QString(repeatsFirst ? ++blanks : 0, QLatin1Char(' ')), r);
    }
    return out;
}

const std::vector<LabelCase>& labelCases() {
    static const std::vector<LabelCase> cases = {
        {"periods", LineChart::numberedRows(5), {{"1", 0}, {"2", 1}, {"3", 2}, {"4", 3}, {"5", 4}}},
        {"twelve_rows", LineChart::numberedRows(12), everyStep(LineChart::numberedRows(12), 1)},
        {"equal_texts",
         repeated("0.000", 4),
         {{"0.000", 0}, {"0.000 ", 1}, {"0.000  ", 2}, {"0.000   ", 3}}},
        {"empty_texts", {"", "", "0.100"}, {{" ", 0}, {"  ", 1}, {"0.100", 2}}},
        {"thirteen_rows",
         LineChart::numberedRows(13),
         {{"1", 0}, {"3", 2}, {"5", 4}, {"7", 6}, {"9", 8}, {"11", 10}, {"13", 12}}},
        {"a_year_of_weeks",
         LineChart::numberedRows(52),
         {{"1", 0}, {"6", 5}, {"11", 10}, {"16", 15}, {"21", 20}, {"26", 25}, {"31", 30}, {"36", 35}, {"41", 40},
          {"46", 45}, {"51", 50}}},
        // Every 44th of 520 rows: twelve labels.
        {"ten_years_of_weeks",
         LineChart::numberedRows(520),
         {{"1", 0}, {"45", 44}, {"89", 88}, {"133", 132}, {"177", 176}, {"221", 220}, {"265", 264}, {"309", 308},
          {"353", 352}, {"397", 396}, {"441", 440}, {"485", 484}}},
        {"many_bandwidths", bandwidths(3001), everyStep(bandwidths(3001), 251)},
        {"many_equal_bandwidths", repeated("0.000", 3001), everyStep(repeated("0.000", 3001), 251)},
    };
    return cases;
}

class LabelsInOneCall : public ::testing::TestWithParam<LabelCase> {};

TEST_P(LabelsInOneCall, LayTheChartOutOnceAndShowTheirRowsTexts) {
    const LabelCase& c = GetParam();
    const int rows = static_cast<int>(c.labels.size());
    LineChart chart;
    const int before = chart.layoutCount();
    chart.setChartData(ramp(rows), c.labels);
    EXPECT_EQ(chart.layoutCount() - before, 1);
    EXPECT_EQ(chart.rowLabels(), c.labels);
    EXPECT_EQ(axisTexts(chart), c.shown);
    for (int col = 0; col < 2; ++col) {
        ASSERT_NE(chart.series(col), nullptr);
        EXPECT_EQ(chart.series(col)->count(), rows);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, LabelsInOneCall, ::testing::ValuesIn(labelCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LineChart, EveryStepWidensEqualTextsAsTheAxisMust) {
    // The helper of the cases above, against a hand-written table.
    EXPECT_EQ(everyStep(repeated("a", 5), 2), (AxisTexts{{"a", 0}, {"a ", 2}, {"a  ", 4}}));
    EXPECT_EQ(everyStep({"x", "y", "z"}, 1), (AxisTexts{{"x", 0}, {"y", 1}, {"z", 2}}));
}

TEST(LineChart, NumberedRowsCountFromOne) {
    EXPECT_EQ(LineChart::numberedRows(3), (QStringList{"1", "2", "3"}));
    EXPECT_TRUE(LineChart::numberedRows(0).isEmpty());
}

TEST(LineChart, MissingLabelsAreTheRowNames) {
    LineChart c;
    c.setChartData(ramp(3), {"a"});
    EXPECT_EQ(c.rowLabels(), (QStringList{"a", "R2", "R3"}));
    c.setChartData(ramp(2), {"x", "y", "z"});
    EXPECT_EQ(c.rowLabels(), (QStringList{"x", "y"}));
}

TEST(LineChart, OneValueMovesOnePointWithoutALayout) {
    struct Case {
        const char* name;
        int rows;
        double value;  // put into row 2 of the first column
    };
    for (const Case& k : {Case{"within the range", 8, 1.5}, Case{"above it", 8, 40.0},
                          Case{"below it", 8, -25.0}, Case{"many rows", 520, 12.0}}) {
        SCOPED_TRACE(k.name);
        LineChart moved;
        moved.setChartData(ramp(k.rows), LineChart::numberedRows(k.rows));
        const int layouts = moved.layoutCount();
        moved.setValue(2, 0, k.value);
        EXPECT_EQ(moved.layoutCount(), layouts);
        EXPECT_EQ(moved.chartData()(2, 0), k.value);
        EXPECT_EQ(moved.series(0)->at(2), QPointF(2.0, k.value));
        EXPECT_EQ(moved.series(0)->count(), k.rows);

        // As if the whole array had been handed over with the new value.
        Matrix whole = ramp(k.rows);
        whole(2, 0) = k.value;
        LineChart fresh;
        fresh.setChartData(whole, LineChart::numberedRows(k.rows));
        EXPECT_EQ(valueRange(moved), valueRange(fresh));
        EXPECT_EQ(moved.series(0)->points(), fresh.series(0)->points());
        EXPECT_EQ(axisTexts(moved), axisTexts(fresh));
    }
}

TEST(LineChart, FrameByFrameTheAxisIsThatOfTheWholeArray) {
    // A maximum cusum growing period by period against h, as an animation
    // shows it: after every frame the chart is what the array handed over
    // whole would show.
    constexpr int kRows = 60;
    Matrix data = Matrix::Zero(kRows, 2);
    data.col(1).setConstant(9.3);
    LineChart animated;
    animated.setChartData(data, LineChart::numberedRows(kRows));
    for (int r = 0; r < kRows; ++r) {
        SCOPED_TRACE(r);
        data(r, 0) = 0.37 * r * r - 2.0 * r;
        animated.setValue(r, 0, data(r, 0));
        LineChart whole;
        whole.setChartData(data, LineChart::numberedRows(kRows));
        ASSERT_EQ(valueRange(animated), valueRange(whole));
        ASSERT_EQ(animated.series(0)->points(), whole.series(0)->points());
    }
    EXPECT_EQ(animated.layoutCount(), 1);
}

TEST(LineChart, TheValueRangeIsReadAgainOnlyWhenAnEndOfItIsOverwritten) {
    // Each case: an array, the values written into it one by one, and how
    // often the whole array is read for its range over all those writes.
    struct Write {
        Eigen::Index row, column;
        double value;
    };
    struct Case {
        const char* name;
        Matrix start;
        std::vector<Write> writes;
        int scans;
    };
    Matrix zeros = Matrix::Zero(520, 2);
    zeros.col(1).setConstant(9.3);
    std::vector<Write> animation;
    for (Eigen::Index r = 0; r < 520; ++r) animation.push_back({r, 0, 1.0 + 0.05 * static_cast<double>(r)});
    Matrix twoLargest = ramp(8);
    twoLargest(3, 0) = 50.0;
    twoLargest(5, 0) = 50.0;
    const std::vector<Case> cases = {
        // Only the last zero written over shrinks the range.
        {"an animation over zeros", zeros, animation, 1},
        {"the one largest lowered", twoLargest, {{3, 0, 1.0}, {5, 0, 2.0}}, 1},
        {"the smallest lowered further", ramp(8), {{0, 1, -30.0}, {1, 1, -31.0}}, 0},
        {"a value within the range", ramp(8), {{2, 0, 0.5}, {4, 0, 0.25}}, 0},
        {"the smallest raised above the largest", ramp(3), {{0, 0, 99.0}, {1, 0, 99.0}, {2, 0, 99.0}}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LineChart moved;
        moved.setChartData(c.start);
        const int scans = moved.rangeScanCount();
        Matrix whole = c.start;
        for (const Write& w : c.writes) {
            moved.setValue(w.row, w.column, w.value);
            whole(w.row, w.column) = w.value;
            LineChart fresh;
            fresh.setChartData(whole);
            ASSERT_EQ(valueRange(moved), valueRange(fresh)) << "after row " << w.row;
        }
        EXPECT_EQ(moved.rangeScanCount() - scans, c.scans);
        EXPECT_EQ(moved.layoutCount(), 1);
    }
}

TEST(LineChart, TheAxisIsWorkedOutOnlyForANewRangeOfValues) {
    // Each write of an animation over a chart whose range it keeps costs no
    // tick work; one that widens the range, one fit; a layout, one fit.
    LineChart c;
    c.setChartData(ramp(520), LineChart::numberedRows(520));
    EXPECT_EQ(c.axisFitCount(), 1);
    const auto shown = valueRange(c);
    for (Eigen::Index r = 0; r < 520; ++r) c.setValue(r, 1, 4.0 + 0.001 * static_cast<double>(r));
    EXPECT_EQ(c.axisFitCount(), 1);
    EXPECT_EQ(valueRange(c), shown);
    c.setValue(7, 0, 80.0);
    EXPECT_EQ(c.axisFitCount(), 2);
    c.setValue(8, 0, 79.0);
    EXPECT_EQ(c.axisFitCount(), 2);
    c.setChartData(c.chartData(), LineChart::numberedRows(520));
    EXPECT_EQ(c.axisFitCount(), 3);
    LineChart fresh;
    fresh.setChartData(c.chartData(), LineChart::numberedRows(520));
    EXPECT_EQ(valueRange(c), valueRange(fresh));
}

TEST(LineChart, AValueThatIsNoNumberLeavesItsRowOut) {
    LineChart c;
    c.setChartData(ramp(4));
    c.setValue(1, 0, std::numeric_limits<double>::quiet_NaN());
    ASSERT_EQ(c.series(0)->count(), 3);
    EXPECT_EQ(c.series(0)->at(1).x(), 2.0);
    // Given a number again, the row has its point back.
    c.setValue(1, 0, 7.0);
    ASSERT_EQ(c.series(0)->count(), 4);
    EXPECT_EQ(c.series(0)->at(1), QPointF(1.0, 7.0));
    // Outside the array nothing changes.
    c.setValue(4, 0, 1.0);
    c.setValue(0, 2, 1.0);
    EXPECT_EQ(c.chartData(), [] {
        Matrix m = ramp(4);
        m(1, 0) = 7.0;
        return m;
    }());
}

// What the chart's scene and the chart object hold: a chart that piled up
// removed axes, series or their pictures would hold more after each frame.
std::pair<qsizetype, qsizetype> held(const LineChart& c) {
    return {c.scene()->items().size(), c.chart()->findChildren<QObject*>().size()};
}

TEST(LineChart, FramesAndRefillsLeaveNothingBehind) {
    for (int rows : {6, 520}) {
        SCOPED_TRACE(rows);
        LineChart c;
        c.resize(640, 300);
        Matrix data = ramp(rows);
        c.setChartData(data, LineChart::numberedRows(rows));
        const auto first = held(c);
        // An animation's frames, with no event loop to delete anything later.
        for (int r = 0; r < rows; ++r) c.setValue(r, 0, 3.0 * r);
        EXPECT_EQ(held(c), first);
        // The same chart handed over again and again (a list click, a Graph click).
        for (int k = 0; k < 20; ++k) {
            data(k % rows, 0) = -k;
            c.setChartData(data, LineChart::numberedRows(rows));
        }
        EXPECT_EQ(held(c), first);
    }
}

TEST(LineChart, ARefreshOrTheSameTypeLaysNothingOut) {
    LineChart c;
    c.setChartData(ramp(30), bandwidths(30));
    const int layouts = c.layoutCount();
    c.Refresh();
    c.setChartType(LineChart::kLineChart2D);
    c.setSeriesColors({0x00FF00, 0x0000FF});
    EXPECT_EQ(c.layoutCount(), layouts);
    EXPECT_EQ(c.series(1)->pen().color(), QColor(255, 0, 0));
    // Another type shows nothing; the line chart again shows the same.
    const auto shown = axisTexts(c);
    c.setChartType(0);
    EXPECT_EQ(c.series(0), nullptr);
    EXPECT_TRUE(c.chart()->axes().isEmpty());
    c.setChartType(LineChart::kLineChart2D);
    EXPECT_EQ(axisTexts(c), shown);
    EXPECT_EQ(c.series(1)->pen().color(), QColor(255, 0, 0));
}

TEST(LineChart, FewerRowsThenMoreKeepTheirLabels) {
    // From every row labelled to every few rows and back, on one chart.
    LineChart c;
    for (int rows : {3, 40, 12, 13, 2}) {
        SCOPED_TRACE(rows);
        c.setChartData(ramp(rows), LineChart::numberedRows(rows));
        LineChart fresh;
        fresh.setChartData(ramp(rows), LineChart::numberedRows(rows));
        EXPECT_EQ(axisTexts(c), axisTexts(fresh));
        EXPECT_EQ(valueRange(c), valueRange(fresh));
        ASSERT_NE(c.series(0), nullptr);
        EXPECT_EQ(c.series(0)->count(), rows);
        // A change between every row labelled and every few rows labelled
        // replaces the horizontal axis, whose drawing Qt frees when the event
        // loop next runs; then nothing of the earlier shapes is left.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(held(c), held(fresh));
    }
}

// The points a column of `rows` values hands to the chart, from a line that
// zigzags, rises and holds a row that is no number.
Matrix zigzag(int rows) {
    Matrix m(rows, 2);
    for (int r = 0; r < rows; ++r) {
        m(r, 0) = (r % 7 == 3 ? -5.0 : 0.0) + 0.01 * r + std::sin(1.7 * r);
        m(r, 1) = 4.5;
    }
    if (rows > 10) m(10, 0) = std::numeric_limits<double>::quiet_NaN();
    return m;
}

TEST(LineChart, WhatQtChartsDrawsIsBoundedByTheChartsWidthWhateverTheRows) {
    // Each case: rows, and whether the chart was shown at a width of its own
    // before the data came.
    for (int rows : {6, 520, 2048, 2049, 5000, 32767}) {
        for (bool shown : {false, true}) {
            SCOPED_TRACE(testing::Message() << rows << (shown ? " shown" : " hidden"));
            LineChart c;
            c.resize(320, 270);
            if (shown) {
                c.show();
                QCoreApplication::processEvents();
            }
            const Matrix data = zigzag(rows);
            c.setChartData(data, LineChart::numberedRows(rows));
            const int groups = c.thinColumns();
            ASSERT_GE(groups, 1);
            if (shown) {
                EXPECT_LT(groups, 320);
            }
            const int finite = rows - (rows > 10 ? 1 : 0);
            // Every row is still reported.
            ASSERT_EQ(c.series(0)->count(), finite);
            ASSERT_NE(c.drawnSeries(0), nullptr);
            const QList<QPointF> drawn = c.drawnSeries(0)->points();
            if (rows <= 2 * groups) {
                EXPECT_EQ(drawn, c.series(0)->points());
            } else {
                EXPECT_LE(drawn.size(), 4 * groups);
                EXPECT_LE(c.drawnSeries(1)->count(), 2 * groups);
            }
            // The drawn line is made of the chart's own points, in row
            // order, from the first row to the last, through the smallest
            // and the largest value.
            ASSERT_FALSE(drawn.isEmpty());
            EXPECT_EQ(drawn.front(), c.series(0)->points().front());
            EXPECT_EQ(drawn.back(), c.series(0)->points().back());
            double lo = drawn.front().y(), hi = lo;
            for (qsizetype k = 0; k < drawn.size(); ++k) {
                const auto r = static_cast<Eigen::Index>(drawn[k].x());
                ASSERT_EQ(drawn[k].y(), data(r, 0));
                if (k > 0) {
                    ASSERT_LT(drawn[k - 1].x(), drawn[k].x());
                }
                lo = std::min(lo, drawn[k].y());
                hi = std::max(hi, drawn[k].y());
            }
            double least = data(0, 0), most = data(0, 0);
            for (int r = 0; r < rows; ++r)
                if (std::isfinite(data(r, 0))) {
                    least = std::min(least, data(r, 0));
                    most = std::max(most, data(r, 0));
                }
            EXPECT_EQ(lo, least);
            EXPECT_EQ(hi, most);

            // An animation frame by frame keeps the bound, and ends drawing
            // what the whole array handed over draws.
            Matrix animated = Matrix::Zero(rows, 2);
            animated.col(1).setConstant(4.5);
            c.setChartData(animated, LineChart::numberedRows(rows));
            const int layouts = c.layoutCount();
            for (int r = 0; r < rows; ++r) {
                animated(r, 0) = 0.5 * r - (r % 5 == 2 ? 40.0 : 0.0);
                c.setValue(r, 0, animated(r, 0));
                if (r % 997 == 0) {
                    ASSERT_LE(c.drawnSeries(0)->count(), rows <= 2 * groups ? rows : 4 * groups);
                }
            }
            EXPECT_EQ(c.layoutCount(), layouts);
            QCoreApplication::processEvents();
            LineChart whole;
            whole.resize(320, 270);
            if (shown) {
                whole.show();
                QCoreApplication::processEvents();
            }
            whole.setChartData(animated, LineChart::numberedRows(rows));
            // The vertical axis's wider labels may have narrowed the plot
            // area of both: each follows its own once laid out.
            QCoreApplication::processEvents();
            ASSERT_EQ(whole.thinColumns(), c.thinColumns());
            EXPECT_EQ(c.drawnSeries(0)->points(), whole.drawnSeries(0)->points());
            EXPECT_EQ(c.series(0)->points(), whole.series(0)->points());
            // A chart shown later is thinned to its plot area's width.
            if (!shown) {
                c.show();
                QCoreApplication::processEvents();
                const int wide = c.thinColumns();
                EXPECT_GT(wide, 100);
                EXPECT_LT(wide, 320);
                EXPECT_LE(c.drawnSeries(0)->count(), rows <= 2 * wide ? rows : 4 * wide);
                if (rows <= 2 * wide) {
                    EXPECT_EQ(c.drawnSeries(0)->points(), c.series(0)->points());
                }
            }
        }
    }
}

}  // namespace
