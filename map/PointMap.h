#pragma once
// The map of a point window: every point as a small square mark, or as a
// circle of its class with the mark at its centre, on a picture in pixels;
// the ring around one chosen point; and the view changes of the map tools
// (zoom, pan with its drag, full extent) with the nearest point to a press.
// Both point windows embed it, each with its own view (PointMapView).
//
// Every drawing computes the transform anew from the view and the
// coordinate copies, stores the points' pixel positions as the program's
// device points and publishes the pixel scales, from which the convex-hull
// study area of the points is measured.

#include <cstdint>
#include <optional>

#include "map/PointTransform.h"
#include "stats/AppState.h"
#include "ui/PictureSurface.h"

class PointMap : public PictureBox {
    Q_OBJECT
public:
    PointMap(AppState& state, PointMapView& view, QWidget* parent = nullptr);

    // The zoom a view starts with and goes back to at full extent.
    static constexpr double kStartZoom = 1.2;
    static constexpr double kZoomStep = 0.2;

    // The points drawn: centroidTable 1..pointCount unless a window hands
    // the map points of its own (kept by the window, 1..count).
    void setPointSource(const std::vector<CentroidRecord>* points, const std::int32_t* count);
    // Makes the coordinate copies of the view from the points 1..n.
    void copyPoints();

    // The transform input of the view as the picture stands now.
    PointMapInput transformInput() const;

    // Clears the picture and draws every point's mark (the plain map).
    void DrawPointMap();
    // Clears the picture and draws every point as a circle of its class of
    // values(i) (1..n) under the breaks of the last legend, mark on top.
    void DrawPointClassMap(const DoubleArray& values);
    // Clears the picture and draws every point as a circle of its cusum
    // band in column `period` of `cusum` against h (radius 6 for a
    // signal, 4 above three quarters of h, else 2), mark on top. The
    // device points are left as the plain drawing stored them.
    void DrawCusumPointMap(const Eigen::MatrixXd& cusum, std::int32_t period, double h);
    // Yellow squares two pixels around the flagged points (flags 1..n)
    // over what the picture shows.
    void DrawSelectedPoints(const std::vector<bool>& flags);
    // A circle outline of radius r pixels about (X, Y) over the picture.
    void drawCircle(double X, double Y, double r, BgrColor color);
    // The points (flags 1..n) whose exact pixel position on the last
    // drawing lies within r pixels of (X, Y), r included.
    std::vector<bool> pointsInCircle(double X, double Y, double r) const;
    // A green ring around point i over what the picture shows.
    void HighlightPoint(std::int32_t i);
    // Clears the picture.
    void clearMap();

    // The transform of the last drawing; none before one, or when the
    // points' extent had no width or no height.
    const std::optional<PointTransform>& transform() const noexcept { return transform_; }

    // Map tools. A zoom step that would take the zoom to 0 or below is
    // ignored (false).
    bool zoomBy(double step);
    void fullExtent(double zoom = kStartZoom);
    void startPan(double X, double Y);
    void dragTo(double X, double Y);
    // Adds the drag offset to the pan once and ends the drag.
    void endPan();
    // The point nearest to the pixel (X, Y) on the last drawing; 0 when
    // there is none.
    std::int32_t nearest(double X, double Y) const;

    // Where point i is drawn: circles are centred on its exact x and the
    // nearest pixel row y; its marks and squares are taken to pixels from
    // there.
    struct Centre {
        double x = 0.0;
        std::int32_t y = 0;
    };

private:
    std::int32_t count() const;
    const std::vector<CentroidRecord>& points() const;
    // Recomputes the transform; false when there is none.
    bool transformAnew();
    void drawPoints(const DoubleArray* values);
    // Point i (1..n of the points) on the last transform.
    Centre centreOf(std::int32_t i) const;

    AppState& state_;
    PointMapView& view_;
    std::optional<PointTransform> transform_;
    int drawWidth_ = 1;
    const std::vector<CentroidRecord>* points_ = nullptr;
    const std::int32_t* pointCount_ = nullptr;
};
