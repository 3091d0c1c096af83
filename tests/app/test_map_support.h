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

#include "app/AppContext.h"
#include "app/frmPolygonSHP.h"
#include "app/modDrawPolygon.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/EventPump.h"

namespace maptest {

using Ring = std::vector<MapPoint>;
using Region = std::vector<Ring>;  // no rings: a null record

// A clockwise axis-parallel rectangle, closed.
inline Ring rectCW(double x0, double y0, double x1, double y1) {
    return {{x0, y0}, {x0, y1}, {x1, y1}, {x1, y0}, {x0, y0}};
}
inline Ring rectCCW(double x0, double y0, double x1, double y1) {
    return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}};
}

// Writes base.shp/.shx with one polygon record per region.
inline void writeShapefile(const std::string& base, const std::vector<Region>& regions) {
    SHPHandle h = SHPCreate(base.c_str(), SHPT_POLYGON);
    for (const Region& r : regions) {
        SHPObject* o;
        if (r.empty()) {
            o = SHPCreateSimpleObject(SHPT_NULL, 0, nullptr, nullptr, nullptr);
        } else {
            std::vector<int> starts;
            std::vector<double> xs, ys;
            for (const Ring& ring : r) {
                starts.push_back(static_cast<int>(xs.size()));
                for (const MapPoint& p : ring) {
                    xs.push_back(p.X);
                    ys.push_back(p.Y);
                }
            }
            // No rewinding: the rings stay in the orientation written here.
            o = SHPCreateObject(SHPT_POLYGON, -1, static_cast<int>(starts.size()), starts.data(), nullptr,
                                static_cast<int>(xs.size()), xs.data(), ys.data(), nullptr, nullptr);
        }
        SHPWriteObject(h, -1, o);
        SHPDestroyObject(o);
    }
    SHPClose(h);
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
        ctx.state.mapZoom = 1.0;
    }
    ~MapHarness() {
        ctx.unload<frmPolygonSHP>();
        installEventPump(std::make_shared<CountingEventPump>());
        installDialogs(std::make_shared<ScriptedDialogs>());
    }

    // The study area of base.shp: path, extent from its header, region count.
    void useShapefile(const std::string& base, std::int32_t regions) {
        ctx.state.shpPath = base + ".shp";
        SHPHandle h = SHPOpen(base.c_str(), "rb");
        int n = 0, type = 0;
        double mn[4], mx[4];
        SHPGetInfo(h, &n, &type, mn, mx);
        SHPClose(h);
        ctx.state.mapExtent = MapRect{mn[0], mx[1], mx[0] - mn[0], mx[1] - mn[1]};
        ctx.state.regionCount = regions;
        ctx.state.mapWindowTitle = base.substr(base.find_last_of('/') + 1) + ".shp";
    }

    frmPolygonSHP& window() { return *ctx.load<frmPolygonSHP>(); }
    PictureSurface& pic() { return window().picSHP->surface(); }

    // The pixel of a map point under the transform of the last drawing.
    DevicePoint pixelOf(double X, double Y) {
        const auto d = mapToDevice(modDrawPolygon::currentTransform(ctx.state), ctx.state.panDragX,
                                   ctx.state.panDragY, X, Y);
        return d ? *d : DevicePoint{-1, -1};
    }
    BgrColor colourAt(double X, double Y) {
        const DevicePoint d = pixelOf(X, Y);
        return pic().Point(d.X, d.Y);
    }
};

}  // namespace maptest
