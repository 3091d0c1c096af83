#include "ui/LineChart.h"

#include <QBarCategoryAxis>
#include <QCategoryAxis>
#include <QChart>
#include <QFont>
#include <QLineSeries>
#include <QPen>
#include <QSet>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "ui/PictureSurface.h"

LineChart::LineChart(QWidget* parent) : QChartView(new QChart, parent) {
    setRenderHint(QPainter::Antialiasing, false);
    // A chart changed frame by frame (an animation) is repainted whole.
    setViewportUpdateMode(QGraphicsView::FullViewportUpdate);
    chart()->legend()->hide();
    chart()->setMargins(QMargins(4, 4, 4, 4));
    connect(chart(), &QChart::plotAreaChanged, this, [this] { plotAreaResized(); });
}

LineChart::~LineChart() = default;

void LineChart::setChartType(int type) {
    if (type == chartType_) return;
    chartType_ = type;
    layOut();
}

void LineChart::setChartData(const Matrix& data, const QStringList& rowLabels) {
    data_ = data;
    labels_ = rowLabels.mid(0, rowCount());
    labels_.reserve(rowCount());
    for (int r = static_cast<int>(labels_.size()) + 1; r <= rowCount(); ++r) labels_ << QStringLiteral("R%1").arg(r);
    layOut();
}

void LineChart::setChartData(const Matrix& data) { setChartData(data, {}); }

void LineChart::setValue(Eigen::Index row, Eigen::Index column, double value) {
    if (row < 0 || row >= data_.rows() || column < 0 || column >= data_.cols()) return;
    const double before = data_(row, column);
    data_(row, column) = value;
    QLineSeries* s = series(static_cast<int>(column));
    // A series that skips a row (a value that is no number) has no point of
    // its own for each row to move: it is laid out again.
    if (!s || s->count() != data_.rows() || !std::isfinite(value) || !drawnSeries(static_cast<int>(column))) {
        layOut();
        return;
    }
    s->replace(static_cast<int>(row), QPointF(static_cast<double>(row), value));
    thinGroup(column, groupOf(row));
    rangeAfterChange(before, value);
    fitValueAxis();
}

namespace {

// A category axis needs distinct, non-empty texts: an empty label shows as a
// blank, and a label equal to an earlier one gets invisible trailing blanks,
// so that each row keeps its own place and its own text.
QStringList distinctCategories(const QStringList& labels) {
    QStringList out;
    out.reserve(labels.size());
    QSet<QString> taken;
    for (const QString& label : labels) {
        QString t = label.isEmpty() ? QStringLiteral(" ") : label;
        while (taken.contains(t)) t += QLatin1Char(' ');
        taken.insert(t);
        out << t;
    }
    return out;
}

}  // namespace

QString LineChart::rowLabel(int row) const {
    if (row < 1 || row > labels_.size()) return {};
    return labels_[row - 1];
}

QStringList LineChart::numberedRows(int rows) {
    QStringList labels;
    labels.reserve(std::max(rows, 0));
    for (int r = 1; r <= rows; ++r) labels << QString::number(r);
    return labels;
}

Eigen::Index LineChart::groupCount() const {
    const Eigen::Index rows = data_.rows();
    const Eigen::Index columns = std::max(thinColumns_, 1);
    return rows <= 2 * columns ? rows : columns;
}

Eigen::Index LineChart::groupStart(Eigen::Index g) const {
    const Eigen::Index groups = groupCount();
    if (groups == data_.rows()) return g;
    return (g * data_.rows() + groups - 1) / groups;
}

Eigen::Index LineChart::groupOf(Eigen::Index row) const {
    const Eigen::Index groups = groupCount();
    if (groups == data_.rows()) return row;
    return row * groups / data_.rows();
}

void LineChart::groupPoints(Eigen::Index col, Eigen::Index g, QList<QPointF>& out) const {
    const Eigen::Index from = groupStart(g), to = groupStart(g + 1);
    Eigen::Index first = -1, last = -1, lo = -1, hi = -1;
    for (Eigen::Index r = from; r < to; ++r) {
        const double v = data_(r, col);
        if (!std::isfinite(v)) continue;
        if (first < 0) first = lo = hi = r;
        last = r;
        if (v < data_(lo, col)) lo = r;
        if (v > data_(hi, col)) hi = r;
    }
    if (first < 0) return;
    // In row order, each row once: the line enters the group at its first
    // value, spans its smallest and largest and leaves at its last.
    Eigen::Index picked[4] = {first, std::min(lo, hi), std::max(lo, hi), last};
    Eigen::Index previous = -1;
    for (Eigen::Index r : picked) {
        if (r == previous) continue;
        out.append(QPointF(static_cast<double>(r), data_(r, col)));
        previous = r;
    }
}

void LineChart::thinAll() {
    const Eigen::Index groups = groupCount();
    drawn_.assign(static_cast<std::size_t>(data_.cols()), {});
    drawnAt_.assign(static_cast<std::size_t>(data_.cols()), {});
    for (Eigen::Index col = 0; col < data_.cols(); ++col) {
        QList<QPointF>& points = drawn_[static_cast<std::size_t>(col)];
        std::vector<qsizetype>& at = drawnAt_[static_cast<std::size_t>(col)];
        points.reserve(std::min<Eigen::Index>(data_.rows(), 4 * groups));
        at.reserve(static_cast<std::size_t>(groups) + 1);
        for (Eigen::Index g = 0; g < groups; ++g) {
            at.push_back(points.size());
            groupPoints(col, g, points);
        }
        at.push_back(points.size());
        if (QLineSeries* s = drawnSeries(static_cast<int>(col))) s->replace(points);
    }
}

void LineChart::thinGroup(Eigen::Index col, Eigen::Index g) {
    QLineSeries* s = drawnSeries(static_cast<int>(col));
    if (!s || static_cast<std::size_t>(col) >= drawn_.size()) return;
    QList<QPointF>& points = drawn_[static_cast<std::size_t>(col)];
    std::vector<qsizetype>& at = drawnAt_[static_cast<std::size_t>(col)];
    if (g < 0 || static_cast<std::size_t>(g) + 1 >= at.size()) return thinAll();
    QList<QPointF> fresh;
    groupPoints(col, g, fresh);
    const auto gi = static_cast<std::size_t>(g);
    const qsizetype begin = at[gi], had = at[gi + 1] - at[gi];
    if (fresh.size() == had) {
        for (qsizetype k = 0; k < had; ++k) points[begin + k] = fresh[k];
    } else {
        points.remove(begin, had);
        points.insert(begin, fresh.size(), QPointF());
        for (qsizetype k = 0; k < fresh.size(); ++k) points[begin + k] = fresh[k];
        const qsizetype shift = fresh.size() - had;
        for (std::size_t k = gi + 1; k < at.size(); ++k) at[k] += shift;
    }
    s->replace(points);
}

void LineChart::plotAreaResized() {
    const qreal width = chart()->plotArea().width() * devicePixelRatio();
    const int columns = width >= 1.0 ? static_cast<int>(std::ceil(width)) : kThinColumnsUnsized;
    if (columns == thinColumns_) return;
    // Only a column of more rows than twice either width is drawn thinned.
    const bool before = data_.rows() > 2 * thinColumns_, after = data_.rows() > 2 * columns;
    thinColumns_ = columns;
    if ((before || after) && !drawn_.empty()) thinAll();
}

void LineChart::setSeriesColors(std::vector<int> bgrColors) {
    colors_ = std::move(bgrColors);
    colorSeries();
}

void LineChart::Refresh() { viewport()->update(); }

QLineSeries* LineChart::series(int column) const {
    if (column < 0 || static_cast<std::size_t>(column) >= full_.size()) return nullptr;
    return full_[static_cast<std::size_t>(column)].get();
}

QLineSeries* LineChart::drawnSeries(int column) const {
    const auto all = chart()->series();
    if (column < 0 || column >= all.size()) return nullptr;
    return qobject_cast<QLineSeries*>(all[column]);
}

void LineChart::layOut() {
    ++layouts_;
    if (chartType_ != kLineChart2D || data_.rows() == 0) {
        removeAll();
        return;
    }
    QChart* c = chart();
    // A layout fits the vertical axis afresh, whatever it was fitted to.
    fitted_.reset();
    if (!yAxis_) {
        yAxis_ = new QValueAxis;
        c->addAxis(yAxis_, Qt::AlignLeft);
    }
    // One series per column, kept from one layout to the next.
    while (c->series().size() > data_.cols()) {
        QAbstractSeries* s = c->series().last();
        c->removeSeries(s);
        delete s;
    }
    while (c->series().size() < data_.cols()) {
        auto* s = new QLineSeries;
        c->addSeries(s);
        if (xAxis_) s->attachAxis(xAxis_);
        s->attachAxis(yAxis_);
    }
    labelAxis();
    full_.resize(static_cast<std::size_t>(data_.cols()));
    for (Eigen::Index col = 0; col < data_.cols(); ++col) {
        QList<QPointF> points;
        points.reserve(data_.rows());
        for (Eigen::Index r = 0; r < data_.rows(); ++r)
            if (std::isfinite(data_(r, col))) points.append(QPointF(static_cast<double>(r), data_(r, col)));
        auto& s = full_[static_cast<std::size_t>(col)];
        if (!s) s = std::make_unique<QLineSeries>();
        s->replace(points);
    }
    thinAll();
    colorSeries();
    scanRange();
    fitValueAxis();
}

void LineChart::removeAll() {
    QChart* c = chart();
    c->removeAllSeries();
    full_.clear();
    drawn_.clear();
    drawnAt_.clear();
    for (QAbstractAxis* a : c->axes()) {
        // Hidden first: an axis removed while shown leaves its labels on a
        // real screen.
        a->hide();
        c->removeAxis(a);
        delete a;
    }
    xAxis_ = nullptr;
    yAxis_ = nullptr;
    fitted_.reset();
}

void LineChart::labelAxis() {
    QChart* c = chart();
    const int rows = static_cast<int>(labels_.size());
    const bool everyRow = rows <= kAllLabelsUpTo;
    // Too many rows for a label each: every step-th row is labelled, so that
    // the labels stay readable at the chart's size.
    const int step = everyRow ? 1 : (rows + kAllLabelsUpTo - 1) / kAllLabelsUpTo;
    QStringList picked;
    QList<int> at;
    for (int r = 0; r < rows; r += step) {
        picked << labels_[r];
        at << r;
    }
    const QStringList shown = distinctCategories(picked);

    auto* all = qobject_cast<QBarCategoryAxis*>(xAxis_);
    auto* some = qobject_cast<QCategoryAxis*>(xAxis_);
    if (everyRow ? !all : !some) {
        // The other kind of axis is wanted now: it replaces the one shown.
        if (xAxis_) {
            xAxis_->hide();
            c->removeAxis(xAxis_);
            delete xAxis_;
        }
        all = everyRow ? new QBarCategoryAxis : nullptr;
        some = everyRow ? nullptr : new QCategoryAxis;
        if (some) some->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
        xAxis_ = all ? static_cast<QAbstractAxis*>(all) : some;
        QFont small = xAxis_->labelsFont();
        small.setPointSize(7);
        xAxis_->setLabelsFont(small);
        c->addAxis(xAxis_, Qt::AlignBottom);
        for (QAbstractSeries* s : c->series()) s->attachAxis(xAxis_);
    }
    if (all) {
        if (all->categories() != shown) all->setCategories(shown);
    } else {
        const double end = static_cast<double>(rows) - 0.5;
        bool same = some->categoriesLabels() == shown && some->max() == end;
        for (int k = 0; same && k < shown.size(); ++k) same = some->endValue(shown[k]) == at[k];
        if (!same) {
            const QStringList old = some->categoriesLabels();
            for (const QString& label : old) some->remove(label);
            some->setRange(-0.5, end);
            some->setStartValue(-0.5);
            for (int k = 0; k < shown.size(); ++k) some->append(shown[k], at[k]);
        }
    }
    const int angle = rows > 6 ? -90 : 0;
    if (xAxis_->labelsAngle() != angle) xAxis_->setLabelsAngle(angle);
}

void LineChart::ValueRange::join(double v) {
    if (v < lo) {
        lo = v;
        loCells = 1;
    } else if (v == lo) {
        ++loCells;
    }
    if (v > hi) {
        hi = v;
        hiCells = 1;
    } else if (v == hi) {
        ++hiCells;
    }
}

void LineChart::scanRange() {
    ++rangeScans_;
    range_.reset();
    for (Eigen::Index col = 0; col < data_.cols(); ++col)
        for (Eigen::Index r = 0; r < data_.rows(); ++r) {
            const double v = data_(r, col);
            if (!std::isfinite(v)) continue;
            if (!range_) range_ = ValueRange{v, v, 0, 0};
            range_->join(v);
        }
}

void LineChart::rangeAfterChange(double before, double after) {
    // Both are numbers: a cell that is none has no point, and a change to or
    // from one lays the chart out, which reads the array anyway.
    if (!range_) return scanRange();
    ValueRange& k = *range_;
    if (before == k.lo) --k.loCells;
    if (before == k.hi) --k.hiCells;
    k.join(after);
    // No cell holds the old end of the range any more: where the range ends
    // now only the whole array tells.
    if (k.loCells == 0 || k.hiCells == 0) scanRange();
}

void LineChart::fitValueAxis() {
    if (!range_ || !yAxis_) return;
    const double lo = range_->lo, hi = range_->hi;
    if (fitted_ == std::make_pair(lo, hi)) return;
    fitted_ = std::make_pair(lo, hi);
    ++axisFits_;
    // Ticks at round values (steps of 1, 2 or 5 times a power of ten), worked
    // out on an axis of no chart: the chart's own is set, and laid out with
    // all its labels, only when the round range or the ticks change.
    const double pad = hi > lo ? (hi - lo) * 0.05 : std::max(1.0, std::fabs(hi) * 0.05);
    QValueAxis nice;
    nice.setRange(lo - pad, hi + pad);
    nice.applyNiceNumbers();
    if (nice.min() == yAxis_->min() && nice.max() == yAxis_->max() && nice.tickCount() == yAxis_->tickCount()) return;
    yAxis_->setRange(nice.min(), nice.max());
    yAxis_->setTickCount(nice.tickCount());
}

void LineChart::colorSeries() {
    for (std::size_t col = 0; col < colors_.size(); ++col) {
        QLineSeries* s = drawnSeries(static_cast<int>(col));
        if (!s) break;
        QPen pen(bgrToQColor(colors_[col]));
        pen.setWidth(2);
        if (s->pen() != pen) s->setPen(pen);
        if (QLineSeries* all = series(static_cast<int>(col)); all && all->pen() != pen) all->setPen(pen);
    }
}
