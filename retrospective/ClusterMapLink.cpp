#include "retrospective/ClusterMapLink.h"

#include "map/PolygonMap.h"

namespace ClusterMapLink {

namespace {

PolygonMap::When when(bool load) { return load ? PolygonMap::When::Load : PolygonMap::When::IfOpen; }

}  // namespace

bool mapWindowOpen(AppContext& ctx) { return PolygonMap::isOpen(ctx); }

void closeMapWindow(AppContext& ctx) { PolygonMap::close(ctx); }

void clearLegend(AppContext& ctx, bool load) { PolygonMap::clearLegend(ctx, when(load)); }

void hideRangeControls(AppContext& ctx, bool load) { PolygonMap::hideRangeControls(ctx, when(load)); }

void setRangeSlider(AppContext& ctx, int index) { PolygonMap::setRangeSlider(ctx, index, PolygonMap::When::IfOpen); }

void stopWaiting(AppContext& ctx) { PolygonMap::stopWaiting(ctx); }

void showClassMap(AppContext& ctx, DoubleArray& legendValues, const DoubleArray& mapValues) {
    PolygonMap::showClassMap(ctx, legendValues, mapValues);
}

bool redrawShapefile(AppContext& ctx) { return PolygonMap::drawOutlines(ctx); }

void highlightRegion(AppContext& ctx, std::int32_t region) { PolygonMap::highlightRegion(ctx, region); }

void setFindTool(AppContext& ctx, bool on, bool load) {
    PolygonMap::setToolEnabled(ctx, "Find", on, when(load));
    PolygonMap::setToolPressed(ctx, "Find", on, when(load));
}

void setMapAnimationEnabled(AppContext& ctx, bool on, bool load) {
    PolygonMap::setToolEnabled(ctx, "MapAnimation", on, when(load));
}

void showMLegend(AppContext& ctx, bool show, bool load) { PolygonMap::showMLegend(ctx, show, when(load)); }

}  // namespace ClusterMapLink
