#pragma once
// Fixtures of the map tests: polygon shapefiles written with shapelib, and
// a map window inside a client area of its own, driven headless through
// the scripted dialogs and a counting event pump.

#include <QMdiArea>
#include <shapefil.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "context/AppContext.h"
#include "map/frmPolygonSHP.h"
#include "map/modDrawPolygon.h"
#include "tests/app/ShapeBuilders.h"
#include "ui/Dialogs.h"
#include "tests/support/CountingPump.h"
#include "ui/EventPump.h"

namespace maptest {

using apptest::polygonOf;
using apptest::rectCCW;
using apptest::rectCW;
using apptest::Region;
using apptest::Ring;

// Two squares side by side: region 1 from x 0 to 10, region 2 from 10 to 20.
inline std::vector<Region> twoSquares() { return {{rectCW(0, 0, 10, 10)}, {rectCW(10, 0, 20, 10)}}; }

// Writes base.shp/.shx with one polygon record per region.
inline void writeShapefile(const std::string& base, const std::vector<Region>& regions) {
    apptest::writeShapes(base, regions);
}

inline std::vector<unsigned char> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}
inline void writeBytes(const std::string& path, const std::vector<unsigned char>& b) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}
inline void putBE32(std::vector<unsigned char>& b, std::size_t at, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    b[at] = static_cast<unsigned char>(u >> 24);
    b[at + 1] = static_cast<unsigned char>(u >> 16);
    b[at + 2] = static_cast<unsigned char>(u >> 8);
    b[at + 3] = static_cast<unsigned char>(u);
}
inline void putLE32(std::vector<unsigned char>& b, std::size_t at, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(u >> (8 * i));
}

// A map window in a client area of its own, with the study area of a
// shapefile set up as the opening leaves it.
struct MapHarness {
    QMdiArea area;
    AppContext ctx;
    std::shared_ptr<ScriptedDialogs> dlg = std::make_shared<ScriptedDialogs>();
    std::shared_ptr<CountingEventPump> pump = std::make_shared<CountingEventPump>();

    MapHarness() {
        area.resize(1000, 700);
        area.show();
        ctx.mainFrameLoader = [this] { return &area; };
        installDialogs(dlg);
        installEventPump(pump);
        modDrawPolygon::resetDrawProblem();
        ctx.state.view.mapZoom = 1.0;
    }
    ~MapHarness() {
        ctx.unload<frmPolygonSHP>();
        installEventPump(std::make_shared<CountingEventPump>());
        installDialogs(std::make_shared<ScriptedDialogs>());
    }

    // The study area of base.shp: path, extent from its header, region count.
    void useShapefile(const std::string& base, std::int32_t regions) {
        ctx.state.area.shpPath = base + ".shp";
        SHPHandle h = SHPOpen(base.c_str(), "rb");
        int n = 0, type = 0;
        double mn[4], mx[4];
        SHPGetInfo(h, &n, &type, mn, mx);
        SHPClose(h);
        ctx.state.view.mapExtent = MapRect{mn[0], mx[1], mx[0] - mn[0], mx[1] - mn[1]};
        ctx.state.area.regionCount = regions;
        ctx.state.area.mapWindowTitle = base.substr(base.find_last_of('/') + 1) + ".shp";
    }

    frmPolygonSHP& window() { return *ctx.load<frmPolygonSHP>(); }
    PictureSurface& pic() { return window().picSHP->surface(); }

    // The pixel of a map point under the transform of the last drawing.
    DevicePoint pixelOf(double X, double Y) {
        const auto d = mapToDevice(ctx.state.view.transform, ctx.state.view.panDragX,
                                   ctx.state.view.panDragY, X, Y);
        return d ? *d : DevicePoint{-1, -1};
    }
    BgrColor colourAt(double X, double Y) {
        const DevicePoint d = pixelOf(X, Y);
        return pic().Point(d.X, d.Y);
    }
};

}  // namespace maptest
