#include "retrospective/ClusterMapLink.h"

#include <QAction>
#include <QLabel>
#include <QSlider>

#include "map/frmPolygonSHP.h"
#include "map/modDrawPolygon.h"
#include "platform/ui/Pictures.h"

namespace ClusterMapLink {

namespace {

frmPolygonSHP* mapWindow(AppContext& ctx, bool load) {
    if (frmPolygonSHP* w = ctx.find<frmPolygonSHP>()) return w;
    return load ? ctx.load<frmPolygonSHP>() : nullptr;
}

}  // namespace

bool mapWindowOpen(AppContext& ctx) { return ctx.find<frmPolygonSHP>() != nullptr; }

void closeMapWindow(AppContext& ctx) { ctx.unload<frmPolygonSHP>(); }

void clearLegend(AppContext& ctx, bool load) {
    if (frmPolygonSHP* w = mapWindow(ctx, load)) w->Cls();
}

void hideRangeControls(AppContext& ctx, bool load) {
    if (frmPolygonSHP* w = mapWindow(ctx, load)) {
        if (w->sliderStatsRange) w->sliderStatsRange->hide();
        if (w->lblAni) w->lblAni->hide();
        if (w->imgM_Legend) w->imgM_Legend->hide();
    }
}

void showClassMap(AppContext& ctx, DoubleArray& legendValues, const DoubleArray& mapValues) {
    modDrawPolygon::ShowClassMap(ctx, legendValues, mapValues);
}

void redrawShapefile(AppContext& ctx) { modDrawPolygon::RedrawShapefile(ctx); }

void highlightRegion(AppContext& ctx, std::int32_t region) { modDrawPolygon::HighlightRegion(ctx, region); }

void setFindTool(AppContext& ctx, bool on, bool load) {
    if (frmPolygonSHP* w = mapWindow(ctx, load)) {
        w->setButtonEnabled("Find", on);
        w->setButtonPressed("Find", on);
    }
}

void setMapAnimationEnabled(AppContext& ctx, bool on, bool load) {
    if (frmPolygonSHP* w = mapWindow(ctx, load)) w->setButtonEnabled("MapAnimation", on);
}

void showMLegend(AppContext& ctx, bool show, bool load) {
    frmPolygonSHP* w = mapWindow(ctx, load);
    if (!w || !w->imgM_Legend) return;
    if (show) {
        w->imgM_Legend->show();
        Pictures::loadPicture(w->imgM_Legend, "M_Legend.jpg");
    } else {
        w->imgM_Legend->hide();
    }
}

void setMousePointer(AppContext& ctx, int pointer) {
    ctx.frame().setMousePointer(pointer);
}

}  // namespace ClusterMapLink
