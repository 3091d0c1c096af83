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
#include "platform/ui/PictureSurface.h"
#include "stats/AppState.h"

class PointMap : public PictureBox {
    Q_OBJECT
public:
    PointMap(AppState& state, PointMapView& view, QWidget* parent = nullptr);

    // The zoom a view starts with and goes back to at full extent.
    static constexpr double kStartZoom = 1.2;
    static constexpr double kZoomStep = 0.2;

    // Makes the coordinate copies of the view from centroidTable 1..n.
    void copyPoints();

    // The transform input of the view as the picture stands now.
    PointMapInput transformInput() const;

    // Clears the picture and draws every point's mark (the plain map).
    void DrawPointMap();
    // Clears the picture and draws every point as a circle of its class of
    // values(i) (1..n) under the breaks of the last legend, mark on top.
    void DrawPointClassMap(const DoubleArray& values);
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
    void fullExtent();
    void startPan(double X, double Y);
    void dragTo(double X, double Y);
    // Adds the drag offset to the pan once and ends the drag.
    void endPan();
    // The point nearest to the pixel (X, Y) on the last drawing; 0 when
    // there is none.
    std::int32_t nearest(double X, double Y) const;

private:
    std::int32_t count() const;
    // Recomputes the transform; false when there is none.
    bool transformAnew();
    void drawPoints(const DoubleArray* values);

    AppState& state_;
    PointMapView& view_;
    std::optional<PointTransform> transform_;
    int drawWidth_ = 1;
};
