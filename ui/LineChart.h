#pragma once
// A line chart filled the way the program's charts are filled: a chart type,
// a rows-by-columns data array handed over whole (one line series per
// column, the rows as categories of the horizontal axis), a text label per
// row, and a refresh. Only type 3, the two-dimensional line chart, is drawn.

#include <QChartView>
#include <QString>
#include <QStringList>
#include <vector>

#include <Eigen/Core>

class QLineSeries;

class LineChart : public QChartView {
    Q_OBJECT
public:
    using Matrix = Eigen::MatrixXd;

    explicit LineChart(QWidget* parent = nullptr);

    static constexpr int kLineChart2D = 3;
    // Up to this many rows each row's label stands on the horizontal axis;
    // beyond it, every few rows' label, so that they stay readable.
    static constexpr int kAllLabelsUpTo = 12;

    void setChartType(int type);
    int chartType() const noexcept { return chartType_; }

    // Takes a copy of the array: what the chart shows changes only when an
    // array is handed over again. Row labels start as "R1", "R2", ...
    void setChartData(const Matrix& data);
    const Matrix& chartData() const noexcept { return data_; }

    int rowCount() const noexcept { return static_cast<int>(data_.rows()); }
    int columnCount() const noexcept { return static_cast<int>(data_.cols()); }

    // Label of row `row`, counted from 1 as the chart counts its rows.
    void setRowLabel(int row, const QString& label);
    QString rowLabel(int row) const;
    QStringList rowLabels() const { return labels_; }

    // Series colours in column order (24-bit BGR values).
    void setSeriesColors(std::vector<int> bgrColors);

    // Repaints with the current data and labels.
    void Refresh();

    // The series of data column `column` (from 0), or nullptr.
    QLineSeries* series(int column) const;

private:
    void rebuild();

    int chartType_ = kLineChart2D;
    Matrix data_;
    QStringList labels_;
    std::vector<int> colors_;
};
