#include "prospective/CusumMapLink.h"

#include "map/PolygonMap.h"

namespace CusumMapLink {

namespace {

PolygonMap::When when(bool load) { return load ? PolygonMap::When::Load : PolygonMap::When::IfOpen; }

}  // namespace

bool mapWindowOpen(AppContext& ctx) { return PolygonMap::isOpen(ctx); }

void showPlainMap(AppContext& ctx) {
    PolygonMap::drawPlainMap(ctx);
    ctx.state.shared.cusumMapMode = false;
}

void redrawOutlines(AppContext& ctx) { PolygonMap::drawOutlines(ctx); }

void showPeriod(AppContext& ctx, std::int16_t period) {
    PolygonMap::drawCusumPeriod(ctx, period);
}

void highlightRegion(AppContext& ctx, std::int32_t record) { PolygonMap::highlightRegion(ctx, record); }

void setGraphTool(AppContext& ctx, bool on, bool load) {
    PolygonMap::setToolEnabled(ctx, "Graph", on, when(load));
    PolygonMap::setToolPressed(ctx, "Graph", on, when(load));
}

void showLegend(AppContext& ctx, bool show, bool load) { PolygonMap::showCusumLegend(ctx, show, when(load)); }

void setMousePointer(AppContext& ctx, int pointer) { ctx.frame().setMousePointer(pointer); }

}  // namespace CusumMapLink
