#include "retrospective/LineChart.h"

#include <QBarCategoryAxis>
#include <QChart>
#include <QFont>
#include <QLineSeries>
#include <QPen>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "platform/ui/PictureSurface.h"

LineChart::LineChart(QWidget* parent) : QChartView(new QChart, parent) {
    setRenderHint(QPainter::Antialiasing, false);
    chart()->legend()->hide();
    chart()->setMargins(QMargins(4, 4, 4, 4));
    rebuild();
}

void LineChart::setChartType(int type) {
    chartType_ = type;
    rebuild();
}

void LineChart::setChartData(const Matrix& data) {
    data_ = data;
    labels_.clear();
    for (int r = 1; r <= rowCount(); ++r) labels_ << QStringLiteral("R%1").arg(r);
    rebuild();
}

void LineChart::setRowLabel(int row, const QString& label) {
    if (row < 1 || row > labels_.size()) return;
    labels_[row - 1] = label;
    if (auto* axis = qobject_cast<QBarCategoryAxis*>(chart()->axes(Qt::Horizontal).value(0)))
        axis->replace(axis->at(row - 1), label.isEmpty() ? QStringLiteral(" ") : label);
}

QString LineChart::rowLabel(int row) const {
    if (row < 1 || row > labels_.size()) return {};
    return labels_[row - 1];
}

void LineChart::setSeriesColors(std::vector<int> bgrColors) {
    colors_ = std::move(bgrColors);
    rebuild();
}

void LineChart::Refresh() { rebuild(); }

QLineSeries* LineChart::series(int column) const {
    const auto all = chart()->series();
    if (column < 0 || column >= all.size()) return nullptr;
    return qobject_cast<QLineSeries*>(all[column]);
}

void LineChart::rebuild() {
    QChart* c = chart();
    c->removeAllSeries();
    for (QAbstractAxis* a : c->axes()) {
        c->removeAxis(a);
        delete a;
    }
    if (chartType_ != kLineChart2D || data_.rows() == 0) return;

    auto* xAxis = new QBarCategoryAxis;
    // A category axis needs distinct texts; equal labels get invisible
    // trailing blanks so that each row keeps its own place.
    QStringList cats;
    for (const QString& l : labels_) {
        QString t = l.isEmpty() ? QStringLiteral(" ") : l;
        while (cats.contains(t)) t += QLatin1Char(' ');
        cats << t;
    }
    xAxis->append(cats);
    QFont small = xAxis->labelsFont();
    small.setPointSize(7);
    xAxis->setLabelsFont(small);
    if (cats.size() > 6) xAxis->setLabelsAngle(-90);
    auto* yAxis = new QValueAxis;
    c->addAxis(xAxis, Qt::AlignBottom);
    c->addAxis(yAxis, Qt::AlignLeft);

    double lo = 0.0, hi = 0.0;
    bool any = false;
    for (Eigen::Index col = 0; col < data_.cols(); ++col) {
        auto* s = new QLineSeries;
        for (Eigen::Index r = 0; r < data_.rows(); ++r) {
            const double v = data_(r, col);
            if (!std::isfinite(v)) continue;
            s->append(static_cast<double>(r), v);
            lo = any ? std::min(lo, v) : v;
            hi = any ? std::max(hi, v) : v;
            any = true;
        }
        if (static_cast<std::size_t>(col) < colors_.size()) {
            QPen pen(bgrToQColor(colors_[static_cast<std::size_t>(col)]));
            pen.setWidth(2);
            s->setPen(pen);
        }
        c->addSeries(s);
        s->attachAxis(xAxis);
        s->attachAxis(yAxis);
    }
    if (any) {
        const double pad = hi > lo ? (hi - lo) * 0.05 : std::max(1.0, std::fabs(hi) * 0.05);
        yAxis->setRange(lo - pad, hi + pad);
    }
}
