// The line chart's contract with the windows: data and row labels handed
// over in one call lay the chart out once and show what labelling row by row
// showed; one changed value moves one point; and a chart changed over and
// over leaves nothing behind.
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

struct LabelCase {
    const char* name;
    QStringList labels;
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

class LabelsInOneCall : public ::testing::TestWithParam<LabelCase> {};

TEST_P(LabelsInOneCall, ShowWhatRowByRowLabellingShowed) {
    const QStringList& labels = GetParam().labels;
    const Matrix data = ramp(static_cast<int>(labels.size()));

    LineChart byRow;
    byRow.setChartData(data);
    for (int r = 1; r <= labels.size(); ++r) byRow.setRowLabel(r, labels[r - 1]);

    LineChart atOnce;
    const int before = atOnce.layoutCount();
    atOnce.setChartData(data, labels);
    EXPECT_EQ(atOnce.layoutCount() - before, 1);

    EXPECT_EQ(atOnce.rowLabels(), labels);
    EXPECT_EQ(axisTexts(atOnce), axisTexts(byRow));
    EXPECT_EQ(valueRange(atOnce), valueRange(byRow));
    const auto shown = axisTexts(atOnce);
    EXPECT_LE(shown.size(), static_cast<std::size_t>(std::max<qsizetype>(labels.size(), 1)));
    EXPECT_LE(shown.size(), static_cast<std::size_t>(std::max<qsizetype>(LineChart::kAllLabelsUpTo, 1)));
    // Every text shown is its row's label (trailing blanks keep equal ones apart).
    for (const auto& [text, row] : shown) {
        const QString own = atOnce.rowLabel(static_cast<int>(row) + 1);
        EXPECT_EQ(text.trimmed(), own.trimmed()) << text.toStdString();
        EXPECT_TRUE(text.startsWith(own.isEmpty() ? QStringLiteral(" ") : own)) << text.toStdString();
    }
    for (int col = 0; col < 2; ++col) {
        ASSERT_NE(atOnce.series(col), nullptr);
        EXPECT_EQ(atOnce.series(col)->points(), byRow.series(col)->points());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LabelsInOneCall,
    ::testing::Values(LabelCase{"periods", LineChart::numberedRows(5)},
                      LabelCase{"twelve_rows", LineChart::numberedRows(12)},
                      LabelCase{"equal_texts", repeated("0.000", 4)},
                      LabelCase{"empty_texts", {"", "", "0.100"}},
                      LabelCase{"thirteen_rows", LineChart::numberedRows(13)},
                      LabelCase{"a_year_of_weeks", LineChart::numberedRows(52)},
                      LabelCase{"ten_years_of_weeks", LineChart::numberedRows(520)},
                      LabelCase{"many_bandwidths", bandwidths(3001)},
                      LabelCase{"many_equal_bandwidths", repeated("0.000", 3001)}),
    [](const auto& info) { return std::string(info.param.name); });

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

}  // namespace
