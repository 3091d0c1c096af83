// The polygon map's per-drawing cost: the walk over a large .shp that
// every redraw repeats, and the areas and centroids of the opening.
#include <cmath>
#include <filesystem>
#include <memory>
#include <vector>

#include "bench/Bench.h"
#include "bench/ShapelibWriters.h"
#include "map/modArea.h"
#include "map/modDrawPolygon.h"

namespace {

constexpr int kRegions = 100000;
constexpr int kRingVertices = 10;  // closed: nine corners and the repeat

std::vector<MapPoint> ring(int i) {
    const double cx = (i % 400) * 10.0, cy = (i / 400) * 10.0;
    std::vector<MapPoint> v;
    for (int k = 0; k < kRingVertices - 1; ++k) {
        const double a = -6.283185307179586 * k / (kRingVertices - 1);  // clockwise
        v.push_back({cx + 4 * std::cos(a), cy + 4 * std::sin(a)});
    }
    v.push_back(v.front());
    return v;
}

std::string writeBenchShapefile() {
    const auto dir = scratchFolder("map");
    ShapefileWriter shp((dir / "regions").string(), SHPT_POLYGON);
    for (int i = 0; i < kRegions; ++i) {
        const auto v = ring(i);
        std::vector<double> xs, ys;
        for (const MapPoint& p : v) xs.push_back(p.X), ys.push_back(p.Y);
        shp.addRing(xs, ys);
    }
    return shp.close();
}

BenchRegistration walk("map_walk", [] {
    const std::string path = writeBenchShapefile();
    const auto size = static_cast<std::int64_t>(std::filesystem::file_size(path));
    MapTransform t;
    t.mapScaleX = t.mapScaleY = 0.1;
    t.drawnHeight = 400;
    long long rings = 0;
    const double secs = medianSeconds(5, [&] {
        rings = 0;
        modDrawPolygon::WalkShapefile(path, size, t, 0, 0, [&](std::int32_t, const DevicePoint*, int) { ++rings; });
    });
    printFigure("map_walk", "N=" + std::to_string(kRegions), secs);
});

BenchRegistration areas("map_areas_centroids", [] {
    AppState s;
    for (int i = 0; i < kRegions; ++i) {
        auto part = std::make_shared<CPart>();
        for (const MapPoint& p : ring(i)) part->Add(std::make_shared<CPoint>(p.X, p.Y));
        auto polygon = std::make_shared<CPolygon>();
        polygon->Add(part);
        s.area.polygons.Add(polygon);
    }
    s.area.regionCount = kRegions;
    const double secs = medianSeconds(5, [&] {
        modFunctions::CalcPolygonArea(s);
        modFunctions::CalcPolygonCentroid(s);
    });
    printFigure("map_areas_centroids", "N=" + std::to_string(kRegions), secs);
});

}  // namespace
