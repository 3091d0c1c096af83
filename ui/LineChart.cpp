#include "ui/LineChart.h"

#include <QBarCategoryAxis>
#include <QCategoryAxis>
#include <QChart>
#include <QFont>
#include <QLineSeries>
#include <QPen>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "ui/PictureSurface.h"

LineChart::LineChart(QWidget* parent) : QChartView(new QChart, parent) {
    setRenderHint(QPainter::Antialiasing, false);
    // A chart rebuilt frame by frame (an animation) is repainted whole.
    setViewportUpdateMode(QGraphicsView::FullViewportUpdate);
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

namespace {

// A category axis needs distinct, non-empty texts: an empty label shows as a
// blank, and a label equal to another row's gets invisible trailing blanks,
// so that each row keeps its own place and its own text.
QString distinctCategory(const QString& label, const QStringList& others, int own) {
    QString t = label.isEmpty() ? QStringLiteral(" ") : label;
    auto taken = [&](const QString& c) {
        for (int i = 0; i < others.size(); ++i)
            if (i != own && others[i] == c) return true;
        return false;
    };
    while (taken(t)) t += QLatin1Char(' ');
    return t;
}

}  // namespace

void LineChart::setRowLabel(int row, const QString& label) {
    if (row < 1 || row > labels_.size()) return;
    labels_[row - 1] = label;
    if (labels_.size() > kAllLabelsUpTo) {
        rebuild();
        return;
    }
    auto* axis = qobject_cast<QBarCategoryAxis*>(chart()->axes(Qt::Horizontal).value(0));
    if (!axis || row > axis->count()) return;
    const QStringList shown = axis->categories();
    const QString t = distinctCategory(label, shown, row - 1);
    if (t != shown[row - 1]) axis->replace(shown[row - 1], t);
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
        // Hidden first: an axis removed while shown leaves its labels on a
        // real screen, and a chart rebuilt frame by frame piles them up.
        a->hide();
        c->removeAxis(a);
        delete a;
    }
    if (chartType_ != kLineChart2D || data_.rows() == 0) return;

    QStringList cats;
    cats.reserve(labels_.size());
    for (const QString& l : labels_) cats << distinctCategory(l, cats, static_cast<int>(cats.size()));
    QAbstractAxis* xAxis = nullptr;
    if (cats.size() <= kAllLabelsUpTo) {
        auto* all = new QBarCategoryAxis;
        all->append(cats);
        xAxis = all;
    } else {
        // Too many rows for a label each: every step-th row is labelled, so
        // that the labels stay readable at the chart's size.
        auto* some = new QCategoryAxis;
        some->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
        some->setRange(-0.5, static_cast<double>(cats.size()) - 0.5);
        some->setStartValue(-0.5);
        const int step = (static_cast<int>(cats.size()) + kAllLabelsUpTo - 1) / kAllLabelsUpTo;
        for (int r = 0; r < cats.size(); r += step) some->append(cats[r], r);
        xAxis = some;
    }
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
        // Ticks at round values (steps of 1, 2 or 5 times a power of ten).
        yAxis->applyNiceNumbers();
    }

}
