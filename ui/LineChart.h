#pragma once
// A line chart filled the way the program's charts are filled: a chart type,
// a rows-by-columns data array handed over whole together with a text label
// per row (one line series per column, the rows as categories of the
// horizontal axis), and a refresh. Only type 3, the two-dimensional line
// chart, is drawn.
//
// The chart keeps its series and axes and refills them: data and labels
// handed over lay the chart out once, and one changed value moves one point.
// An animation frame therefore costs the same at every row count, and it
// removes nothing that the event loop would have to delete later (a wait
// runs inside a handler, where such objects would pile up). Only a change
// between every row labelled and every few rows labelled replaces the
// horizontal axis, once for that change.
//
// Qt Charts places and strokes every point it is handed, at every change of
// a series. A column of many more rows than the plot area has pixel columns
// is therefore handed over thinned: the rows are split into about one group
// per pixel column, and each group gives its first, smallest, largest and
// last value, in row order. The line drawn covers the same pixels, and what
// Qt Charts works on, a frame included, is bounded by the chart's width
// whatever the number of rows. The chart keeps every row's point for what
// it reports (series()).

#include <QChartView>
#include <QString>
#include <QStringList>
#include <QList>
#include <QPointF>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include <Eigen/Core>

class QAbstractAxis;
class QLineSeries;
class QValueAxis;

class LineChart : public QChartView {
    Q_OBJECT
public:
    using Matrix = Eigen::MatrixXd;

    explicit LineChart(QWidget* parent = nullptr);
    ~LineChart() override;

    static constexpr int kLineChart2D = 3;
    // Up to this many rows each row's label stands on the horizontal axis;
    // beyond it, every few rows' label, so that they stay readable.
    static constexpr int kAllLabelsUpTo = 12;

    void setChartType(int type);
    int chartType() const noexcept { return chartType_; }

    // Takes a copy of the array and of the label of every row (a row beyond
    // the list is labelled "R<row>") and lays the chart out once: what the
    // chart shows changes only when they are handed over again.
    void setChartData(const Matrix& data, const QStringList& rowLabels);
    // The same with the rows labelled "R1", "R2", ...
    void setChartData(const Matrix& data);
    const Matrix& chartData() const noexcept { return data_; }

    // Changes the value at chartData()(row, column) and moves that one point
    // (the vertical axis follows when the value leaves its range).
    void setValue(Eigen::Index row, Eigen::Index column, double value);

    int rowCount() const noexcept { return static_cast<int>(data_.rows()); }
    int columnCount() const noexcept { return static_cast<int>(data_.cols()); }

    // Label of row `row`, counted from 1 as the chart counts its rows.
    QString rowLabel(int row) const;
    QStringList rowLabels() const { return labels_; }

    // "1", "2", ... up to `rows`: the period numbers under the cusum charts.
    static QStringList numberedRows(int rows);

    // Series colours in column order (24-bit BGR values).
    void setSeriesColors(std::vector<int> bgrColors);

    // Repaints with the current data and labels.
    void Refresh();

    // The line of data column `column` (from 0): a point for each row whose
    // value is a number, with the column's pen; or nullptr.
    QLineSeries* series(int column) const;
    // What the chart draws of that column: the same line, thinned to at most
    // four points per group of rows (see above); or nullptr.
    QLineSeries* drawnSeries(int column) const;
    // How many groups a column's rows are split into: every row is its own
    // group up to twice this many rows.
    int thinColumns() const noexcept { return thinColumns_; }
    // Groups assumed while the plot area has no width yet (a chart not yet
    // shown).
    static constexpr int kThinColumnsUnsized = 1024;

    // How often the chart was laid out whole (every point of every series
    // placed anew) since it was made.
    int layoutCount() const noexcept { return layouts_; }
    // How often the chart read its whole array for the range of its values.
    int rangeScanCount() const noexcept { return rangeScans_; }
    // How often the chart worked out round ticks for a new range of values.
    int axisFitCount() const noexcept { return axisFits_; }

private:
    void layOut();
    void removeAll();
    void labelAxis();
    void scanRange();
    void rangeAfterChange(double before, double after);
    void fitValueAxis();
    void colorSeries();
    // Rows of group `g` start at groupStart(g); group of row `row`.
    Eigen::Index groupStart(Eigen::Index g) const;
    Eigen::Index groupOf(Eigen::Index row) const;
    Eigen::Index groupCount() const;
    // Appends the points that stand for group `g` of column `col`.
    void groupPoints(Eigen::Index col, Eigen::Index g, QList<QPointF>& out) const;
    // Hands every column's thinned line over anew.
    void thinAll();
    // Hands column `col` over again with group `g` worked out anew.
    void thinGroup(Eigen::Index col, Eigen::Index g);
    // Follows a plot area of another width.
    void plotAreaResized();

    int chartType_ = kLineChart2D;
    Matrix data_;
    QStringList labels_;
    std::vector<int> colors_;
    // Every row's point of each column, kept outside the chart.
    std::vector<std::unique_ptr<QLineSeries>> full_;
    // Per column, the points handed to the chart, and where each group's
    // points start among them (one more entry than groups).
    std::vector<QList<QPointF>> drawn_;
    std::vector<std::vector<qsizetype>> drawnAt_;
    int thinColumns_ = kThinColumnsUnsized;
    QAbstractAxis* xAxis_ = nullptr;
    QValueAxis* yAxis_ = nullptr;
    // The smallest and largest number of the array, each with how many
    // cells hold it, kept as values change: a new value only widens the
    // range, and the array is read again only when the last cell that held
    // an end of the range is overwritten.
    struct ValueRange {
        double lo = 0.0, hi = 0.0;
        Eigen::Index loCells = 0, hiCells = 0;
        // Counts `v` in, widening the range when it lies outside.
        void join(double v);
    };
    std::optional<ValueRange> range_;
    // The smallest and largest value the vertical axis was last fitted to:
    // a change that keeps them needs no new ticks.
    std::optional<std::pair<double, double>> fitted_;
    int layouts_ = 0;
    int rangeScans_ = 0;
    int axisFits_ = 0;
};
