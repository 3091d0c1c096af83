// The line chart of the statistics plot: data handed over whole, one series
// per column, and a label per row that the horizontal axis shows.
#include <gtest/gtest.h>

#include <QBarCategoryAxis>
#include <QChart>
#include <QCategoryAxis>
#include <QLineSeries>
#include <QValueAxis>
#include <cmath>

#include "stats/AppState.h"
#include "ui/LineChart.h"

namespace {

QStringList axisTexts(const LineChart& c) {
    auto* axis = qobject_cast<QBarCategoryAxis*>(c.chart()->axes(Qt::Horizontal).value(0));
    return axis ? axis->categories() : QStringList();
}

Matrix rows(int n) {
    Matrix m(n, 2);
    for (int r = 0; r < n; ++r) {
        m(r, 0) = 10.0 + r;
        m(r, 1) = 3.5;
    }
    return m;
}

TEST(RetroChart, RowLabelsReachTheAxisEvenWhenTheyRepeat) {
    struct Case {
        const char* name;
        std::vector<QString> labels;
    };
    const std::vector<Case> cases = {
        {"distinct", {"0.200", "0.400", "0.600"}},
        // Bandwidths closer than the mask's decimals give equal texts.
        {"all equal", {"0.000", "0.000", "0.000"}},
        {"equal pair at the end", {"0.500", "1.000", "1.000"}},
        {"empty", {"", "", "0.100"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LineChart chart;
        chart.Refresh();
        chart.setChartType(LineChart::kLineChart2D);
        chart.setChartData(rows(static_cast<int>(c.labels.size())));
        EXPECT_EQ(axisTexts(chart), (QStringList{"R1", "R2", "R3"}));
        chart.setChartData(rows(static_cast<int>(c.labels.size())),
                           QStringList(c.labels.begin(), c.labels.end()));
        const QStringList shown = axisTexts(chart);
        ASSERT_EQ(shown.size(), 3);
        for (int r = 0; r < 3; ++r) {
            // Every category shows its own row's label (blanks keep equal texts apart).
            const QString want = c.labels[static_cast<std::size_t>(r)].isEmpty() ? QStringLiteral(" ")
                                                                                  : c.labels[static_cast<std::size_t>(r)];
            EXPECT_EQ(shown[r].trimmed(), want.trimmed()) << r;
            EXPECT_TRUE(shown[r].startsWith(want)) << r;
            EXPECT_EQ(chart.rowLabel(r + 1), c.labels[static_cast<std::size_t>(r)]);
        }
        EXPECT_EQ(QSet<QString>(shown.begin(), shown.end()).size(), 3);
        // A refresh keeps the labels.
        chart.Refresh();
        EXPECT_EQ(axisTexts(chart), shown);
    }
}

TEST(RetroChart, OneSeriesPerColumnInRowOrder) {
    LineChart chart;
    chart.setSeriesColors({0x00FF00, 0x0000FF});
    chart.setChartData(rows(4));
    ASSERT_NE(chart.series(0), nullptr);
    ASSERT_NE(chart.series(1), nullptr);
    EXPECT_EQ(chart.series(2), nullptr);
    for (int r = 0; r < 4; ++r) {
        EXPECT_EQ(chart.series(0)->at(r).y(), 10.0 + r);
        EXPECT_EQ(chart.series(1)->at(r).y(), 3.5);
    }
    // BGR 0x00FF00 is green, 0x0000FF red.
    EXPECT_EQ(chart.series(0)->pen().color(), QColor(0, 255, 0));
    EXPECT_EQ(chart.series(1)->pen().color(), QColor(255, 0, 0));
    // What the chart shows changes only when an array is handed over again.
    Matrix m = rows(4);
    chart.setChartData(m);
    m(0, 0) = 99.0;
    EXPECT_EQ(chart.series(0)->at(0).y(), 10.0);
}

}  // namespace

namespace {

TEST(RetroChart, ManyBandwidthsShowAReadableSubsetOfLabelsAndRoundTicks) {
    LineChart chart;
    Matrix m(30, 2);
    for (int r = 0; r < 30; ++r) {
        m(r, 0) = 0.8 + 2.0 * r;  // 0.8 .. 58.8, the range that gave ticks at 0.8, 30.1, 59.4
        m(r, 1) = 12.3;
    }
    QStringList labels;
    for (int r = 1; r <= 30; ++r) labels << QString::number(0.1 * r, 'f', 3);
    chart.setChartData(m, labels);
    auto* axis = qobject_cast<QCategoryAxis*>(chart.chart()->axes(Qt::Horizontal).value(0));
    ASSERT_NE(axis, nullptr);
    const QStringList shown = axis->categoriesLabels();
    EXPECT_LE(shown.size(), LineChart::kAllLabelsUpTo);
    EXPECT_GE(shown.size(), 6);
    EXPECT_EQ(shown.front(), "0.100");
    // Each label stands at its own row.
    for (const QString& label : shown) {
        const int row = static_cast<int>(std::lround(label.toDouble() / 0.1));
        EXPECT_EQ(axis->endValue(label), row - 1) << label.toStdString();
        EXPECT_EQ(chart.rowLabel(row), label);
    }
    auto* y = qobject_cast<QValueAxis*>(chart.chart()->axes(Qt::Vertical).value(0));
    ASSERT_NE(y, nullptr);
    const double step = (y->max() - y->min()) / (y->tickCount() - 1);
    const double decade = std::pow(10.0, std::floor(std::log10(step)));
    const double mantissa = step / decade;
    EXPECT_TRUE(std::fabs(mantissa - 1) < 1e-9 || std::fabs(mantissa - 2) < 1e-9 || std::fabs(mantissa - 5) < 1e-9 ||
                std::fabs(mantissa - 2.5) < 1e-9)
        << step;
    EXPECT_NEAR(std::remainder(y->min(), step), 0.0, 1e-9);
    EXPECT_LE(y->min(), 0.8);
    EXPECT_GE(y->max(), 58.8);
}

}  // namespace
