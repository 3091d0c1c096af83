#include "map/PolygonMap.h"

#include <QLabel>
#include <QSlider>

#include "map/frmPolygonSHP.h"
#include "map/modDrawPolygon.h"
#include "ui/Pictures.h"

namespace PolygonMap {

namespace {

frmPolygonSHP* mapWindow(AppContext& ctx, When when) {
    if (frmPolygonSHP* w = ctx.find<frmPolygonSHP>()) return w;
    return when == When::Load ? ctx.load<frmPolygonSHP>() : nullptr;
}

}  // namespace

bool isOpen(AppContext& ctx) { return ctx.find<frmPolygonSHP>() != nullptr; }

void close(AppContext& ctx) { ctx.unload<frmPolygonSHP>(); }

bool drawOutlines(AppContext& ctx) { return modDrawPolygon::RedrawShapefile(ctx); }

void drawPlainMap(AppContext& ctx) { modDrawPolygon::DrawShapefile(ctx); }

void showClassMap(AppContext& ctx, DoubleArray& legendValues, const DoubleArray& mapValues) {
    modDrawPolygon::ShowClassMap(ctx, legendValues, mapValues);
}

void drawCusumPeriod(AppContext& ctx, std::int16_t period) { modDrawPolygon::DrawCusumMap(ctx, period); }

void highlightRegion(AppContext& ctx, std::int32_t record) {
    // The open map keeps a region highlighted during its blink for the blink's end.
    if (frmPolygonSHP* w = ctx.find<frmPolygonSHP>()) w->highlightRegion(record);
    else modDrawPolygon::HighlightRegion(ctx, record);
}

void clearLegend(AppContext& ctx, When when) {
    if (frmPolygonSHP* w = mapWindow(ctx, when)) w->Cls();
}

void setToolEnabled(AppContext& ctx, const std::string& key, bool enabled, When when) {
    if (frmPolygonSHP* w = mapWindow(ctx, when)) w->setButtonEnabled(key, enabled);
}

void setToolPressed(AppContext& ctx, const std::string& key, bool pressed, When when) {
    if (frmPolygonSHP* w = mapWindow(ctx, when)) w->setButtonPressed(key, pressed);
}

void showMLegend(AppContext& ctx, bool show, When when) {
    frmPolygonSHP* w = mapWindow(ctx, when);
    if (!w || !w->imgM_Legend) return;
    if (show) {
        w->imgM_Legend->show();
        Pictures::loadPicture(w->imgM_Legend, "M_Legend.jpg");
    } else {
        w->imgM_Legend->hide();
    }
}

void showCusumLegend(AppContext& ctx, bool show, When when) {
    frmPolygonSHP* w = mapWindow(ctx, when);
    if (!w || !w->picLegend) return;
    w->picLegend->setVisible(show);
    if (show) w->picLegend->raise();
}

void hideRangeControls(AppContext& ctx, When when) {
    if (frmPolygonSHP* w = mapWindow(ctx, when)) {
        if (w->sliderStatsRange) w->sliderStatsRange->hide();
        if (w->lblAni) w->lblAni->hide();
        if (w->imgM_Legend) w->imgM_Legend->hide();
    }
}

void setRangeSlider(AppContext& ctx, int index, When when) {
    if (frmPolygonSHP* w = mapWindow(ctx, when)) w->setSliderRow(index);
}

void stopWaiting(AppContext& ctx) {
    if (frmPolygonSHP* w = ctx.find<frmPolygonSHP>()) w->stopWaiting();
}

}  // namespace PolygonMap
