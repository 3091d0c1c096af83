#include "map/PointMap.h"

#include <QPainter>
#include <QPolygon>

#include <cmath>

#include "map/modFunctions.h"
#include "map/modLegend.h"
#include "platform/Convert.h"

namespace {
constexpr const char* kSource = "PointMap";
constexpr BgrColor kHighlightColor = 0x00FF00;
constexpr double kHighlightRadius = 10.0;

// The outline of a square `half` pixels about a point's centre: its left and
// right edges are x - half and x + half each taken to the nearest pixel from
// the exact x, which differs from the rounded x +- half when x is a half.
void drawSquare(QPainter& p, const PointMap::Centre& c, int half) {
    const int x1 = toInt32(c.x - half, kSource), x2 = toInt32(c.x + half, kSource);
    const QPoint corners[4] = {{x1, c.y - half}, {x2, c.y - half}, {x2, c.y + half}, {x1, c.y + half}};
    p.drawPolygon(corners, 4);
}

}  // namespace

PointMap::PointMap(AppState& state, PointMapView& view, QWidget* parent)
    : PictureBox(ScaleUnit::Pixels, parent), state_(state), view_(view) {}

std::int32_t PointMap::count() const {
    if (pointCount_) return *pointCount_;
    return toInt32(state_.points.pointCount, kSource);
}

const std::vector<CentroidRecord>& PointMap::points() const {
    return points_ ? *points_ : state_.area.centroidTable;
}

void PointMap::setPointSource(const std::vector<CentroidRecord>* points, const std::int32_t* count) {
    points_ = points;
    pointCount_ = count;
}

void PointMap::copyPoints() {
    const std::int32_t n = std::max(count(), 0);
    const auto size = static_cast<std::size_t>(n) + 1;
    view_.pointX.assign(size, 0.0);
    view_.pointY.assign(size, 0.0);
    const auto& c = points();
    for (std::size_t i = 1; i < size && i < c.size(); ++i) {
        view_.pointX[i] = c[i].X;
        view_.pointY[i] = c[i].Y;
    }
}

PointMapInput PointMap::transformInput() const {
    PointMapInput in;
    in.extent = findPointExtent(view_.pointX, view_.pointY);
    in.zoom = view_.pointZoom;
    in.panX = view_.panX;
    in.panY = view_.panY;
    in.outerWidth = pixelsToTwips(width());
    in.outerHeight = pixelsToTwips(height());
    in.innerWidth = width();
    in.innerHeight = height();
    return in;
}

bool PointMap::transformAnew() {
    transform_ = computePointTransform(transformInput());
    if (transform_) {
        state_.points.pointScaleX = transform_->scaleX;
        state_.points.pointScaleY = transform_->scaleY;
    }
    return transform_.has_value();
}

void PointMap::clearMap() {
    surface().Cls();
    Refresh();
}

void PointMap::DrawPointMap() { drawPoints(nullptr); }

void PointMap::DrawPointClassMap(const DoubleArray& values) { drawPoints(&values); }

void PointMap::drawPoints(const DoubleArray* values) {
    const std::int32_t n = std::max(count(), 0);
    state_.points.devicePoints.assign(static_cast<std::size_t>(n) + 1, DevicePoint{0, 0});
    const bool drawn = transformAnew();
    PictureSurface& pic = surface();
    pic.Cls();
    drawWidth_ = 1;
    if (drawn) {
        state_.points.devicePoints =
            pointDevicePositions(*transform_, view_.dragX, view_.dragY, points(), n);
        QPainter p(&pic.image());
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setBrush(Qt::NoBrush);
        const QPen mark(bgrToQColor(0x000000), 1);
        const DoubleArray& breaks = state_.legend.classBreaks;
        const std::int32_t m = std::min<std::int32_t>(n, static_cast<std::int32_t>(points().size()) - 1);
        for (std::int32_t i = 1; i <= m; ++i) {
            const Centre at = centreOf(i);
            if (values) {
                const double v = static_cast<std::size_t>(i) < values->size() ? (*values)[static_cast<std::size_t>(i)] : 0.0;
                const int k = modLegend::PointClassOf(breaks, v);
                if (k > 0) {
                    const auto ku = static_cast<std::size_t>(k - 1);
                    p.setPen(QPen(bgrToQColor(modLegend::kClassColors[ku]), 1));
                    const double r = modLegend::kPointMapRadii[ku];
                    p.drawEllipse(QPointF(static_cast<float>(at.x), at.y), r, r);
                }
            }
            p.setPen(mark);
            drawSquare(p, at, 1);
        }
    }
    Refresh();
}

PointMap::Centre PointMap::centreOf(std::int32_t i) const {
    const CentroidRecord& c = points()[static_cast<std::size_t>(i)];
    return {pointPixelExact(*transform_, view_.dragX, view_.dragY, c.X, c.Y).X,
            pointPixel(*transform_, view_.dragX, view_.dragY, c.X, c.Y).Y};
}

void PointMap::HighlightPoint(std::int32_t i) {
    if (!transformAnew()) return;
    if (i < 1 || static_cast<std::size_t>(i) >= points().size()) return;
    const Centre at = centreOf(i);
    PictureSurface& pic = surface();
    drawWidth_ = 4;
    {
        QPainter p(&pic.image());
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(bgrToQColor(kHighlightColor), drawWidth_));
        p.drawEllipse(QPointF(at.x, at.y), kHighlightRadius, kHighlightRadius);
    }
    Refresh();
}

void PointMap::DrawCusumPointMap(const Eigen::MatrixXd& cusum, std::int32_t period, double h) {
    const bool drawn = transformAnew();
    PictureSurface& pic = surface();
    pic.Cls();
    drawWidth_ = 1;
    if (drawn) {
        const std::int32_t n = std::min<std::int32_t>(std::max(count(), 0), static_cast<std::int32_t>(points().size()) - 1);
        QPainter p(&pic.image());
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setBrush(Qt::NoBrush);
        const QPen mark(bgrToQColor(0x000000), 1);
        for (std::int32_t i = 1; i <= n; ++i) {
            const double c = i < cusum.rows() && period >= 0 && period < cusum.cols() ? cusum(i, period) : 0.0;
            const double r = c > h ? 6.0 : c > h / 4 * 3 ? 4.0 : 2.0;
            const Centre at = centreOf(i);
            p.setPen(QPen(bgrToQColor(static_cast<BgrColor>(modFunctions::CusumColor(c, h))), 1));
            p.drawEllipse(QPointF(at.x, at.y), r, r);
            p.setPen(mark);
            drawSquare(p, at, 1);
        }
    }
    Refresh();
}

void PointMap::DrawSelectedPoints(const std::vector<bool>& flags) {
    if (!transformAnew()) return;
    const std::int32_t n = std::min<std::int32_t>(std::max(count(), 0), static_cast<std::int32_t>(points().size()) - 1);
    {
        QPainter p(&surface().image());
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QPen(bgrToQColor(0x000000), 1));
        p.setBrush(bgrToQColor(0x00FFFF));
        for (std::int32_t i = 1; i <= n && static_cast<std::size_t>(i) < flags.size(); ++i)
            if (flags[static_cast<std::size_t>(i)]) drawSquare(p, centreOf(i), 2);
    }
    Refresh();
}

void PointMap::drawCircle(double X, double Y, double r, BgrColor color) {
    {
        QPainter p(&surface().image());
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(bgrToQColor(color), 1));
        p.drawEllipse(QPointF(X, Y), r, r);
    }
    Refresh();
}

std::vector<bool> PointMap::pointsInCircle(double X, double Y, double r) const {
    const std::int32_t n = std::max(count(), 0);
    std::vector<bool> flags(static_cast<std::size_t>(n) + 1, false);
    if (!transform_) return flags;
    const auto& c = points();
    for (std::int32_t i = 1; i <= n && static_cast<std::size_t>(i) < c.size(); ++i) {
        const MapPoint m = pointPixelExact(*transform_, view_.dragX, view_.dragY, c[static_cast<std::size_t>(i)].X,
                                           c[static_cast<std::size_t>(i)].Y);
        const double d = std::pow(std::pow(m.Y - Y, 2) + std::pow(m.X - X, 2), 0.5);
        flags[static_cast<std::size_t>(i)] = d <= r;
    }
    return flags;
}

bool PointMap::zoomBy(double step) {
    const double next = view_.pointZoom + step;
    // Repeated steps of 0.2 leave a rounding residue near 0 instead of 0.
    if (!(next > 1e-9)) return false;
    view_.pointZoom = next;
    return true;
}

void PointMap::fullExtent(double zoom) {
    view_.pointZoom = zoom;
    view_.panX = 0.0;
    view_.panY = 0.0;
}

void PointMap::startPan(double X, double Y) {
    view_.dragStartX = X;
    view_.dragStartY = Y;
    view_.dragStarted = true;
}

void PointMap::dragTo(double X, double Y) {
    view_.dragX = X - view_.dragStartX;
    view_.dragY = Y - view_.dragStartY;
}

void PointMap::endPan() {
    view_.panX = view_.panX + view_.dragX;
    view_.panY = view_.panY + view_.dragY;
    view_.dragX = 0.0;
    view_.dragY = 0.0;
    view_.dragStarted = false;
}

std::int32_t PointMap::nearest(double X, double Y) const {
    if (!transform_) return 0;
    return nearestPoint(*transform_, view_.dragX, view_.dragY, points(), count(), X, Y);
}
