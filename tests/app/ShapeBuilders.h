#pragma once
// Study areas of the app tests: rings and regions in map units, the
// polygons the program holds for them, and shapefiles written from them
// with shapelib's writer.

#include <gtest/gtest.h>
#include <shapefil.h>

#include <memory>
#include <string>
#include <vector>

#include "geometry/CPolygon.h"
#include "geometry/Records.h"

namespace apptest {

using Ring = std::vector<MapPoint>;
using Region = std::vector<Ring>;  // no rings: a null record

// Axis-parallel rectangles, closed: clockwise (an outer ring of a
// shapefile) and counter-clockwise (a hole).
inline Ring rectCW(double x0, double y0, double x1, double y1) {
    return {{x0, y0}, {x0, y1}, {x1, y1}, {x1, y0}, {x0, y0}};
}
inline Ring rectCCW(double x0, double y0, double x1, double y1) {
    return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}};
}

// The polygon of a region, its rings and vertices as they stand.
inline std::shared_ptr<CPolygon> polygonOf(const Region& region) {
    auto polygon = std::make_shared<CPolygon>();
    for (const Ring& ring : region) {
        auto part = std::make_shared<CPart>();
        for (const MapPoint& p : ring) part->Add(std::make_shared<CPoint>(p.X, p.Y));
        polygon->Add(part);
    }
    return polygon;
}

// Writes base.shp/.shx of `shapeType` with one record per region: a region
// of no rings is a null record; points and lines take the ring's vertices
// as they stand; rings are not rewound, so they keep the orientation given.
inline void writeShapes(const std::string& base, const std::vector<Region>& regions, int shapeType = SHPT_POLYGON) {
    SHPHandle h = SHPCreate(base.c_str(), shapeType);
    ASSERT_NE(h, nullptr) << base;
    for (const Region& r : regions) {
        std::vector<int> starts;
        std::vector<double> xs, ys;
        for (const Ring& ring : r) {
            starts.push_back(static_cast<int>(xs.size()));
            for (const MapPoint& p : ring) {
                xs.push_back(p.X);
                ys.push_back(p.Y);
            }
        }
        SHPObject* o;
        if (r.empty()) {
            o = SHPCreateSimpleObject(SHPT_NULL, 0, nullptr, nullptr, nullptr);
        } else if (shapeType == SHPT_POINT) {
            o = SHPCreateSimpleObject(SHPT_POINT, 1, xs.data(), ys.data(), nullptr);
        } else if (shapeType == SHPT_MULTIPOINT) {
            o = SHPCreateSimpleObject(SHPT_MULTIPOINT, static_cast<int>(xs.size()), xs.data(), ys.data(), nullptr);
        } else {
            o = SHPCreateObject(shapeType, -1, static_cast<int>(starts.size()), starts.data(), nullptr,
                                static_cast<int>(xs.size()), xs.data(), ys.data(), nullptr, nullptr);
        }
        SHPWriteObject(h, -1, o);
        SHPDestroyObject(o);
    }
    SHPClose(h);
}

}  // namespace apptest
