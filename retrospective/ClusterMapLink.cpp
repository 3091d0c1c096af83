#include "retrospective/ClusterMapLink.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPixmap>
#include <QSlider>

#include "app/MDIFrmMain.h"
#include "app/frmPolygonSHP.h"
#include "app/modDrawPolygon.h"

namespace ClusterMapLink {

namespace {

std::string g_bitmapFolder;

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
        loadPicture(w->imgM_Legend, "M_Legend.jpg");
    } else {
        w->imgM_Legend->hide();
    }
}

void setMousePointer(AppContext& ctx, int pointer) {
    if (MDIFrmMain* frame = ctx.find<MDIFrmMain>()) frame->setMousePointer(pointer);
}

std::string bitmapPath(const std::string& fileName) {
    const std::string folder = g_bitmapFolder.empty()
                                   ? QCoreApplication::applicationDirPath().toStdString() + "/BitMaps"
                                   : g_bitmapFolder;
    return folder + "/" + fileName;
}

void setBitmapFolder(const std::string& folder) { g_bitmapFolder = folder; }

void loadPicture(QLabel* label, const std::string& fileName) {
    if (!label) return;
    QPixmap picture;
    const QString path = QString::fromStdString(bitmapPath(fileName));
    if (QFileInfo(path).isFile()) picture.load(path);
    if (picture.isNull())
        label->clear();
    else
        label->setPixmap(picture);
}

}  // namespace ClusterMapLink
