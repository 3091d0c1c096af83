// Reading a large polygon shapefile record by record through
// CShapeFile::Item, as opening a study area does.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "bench/Bench.h"
#include "geometry/CShapeFile.h"

namespace {

constexpr int kPolygons = 100000;
constexpr int kVerticesPerPolygon = 10;  // 1,000,000 vertices in all

// Every tenth polygon has two rings of five points, the others one of ten;
// each ring is closed.
std::shared_ptr<CPolygon> benchPolygon(int i) {
    const double cx = (i % 400) * 10.0, cy = (i / 400) * 10.0;
    const int rings = i % 10 == 0 ? 2 : 1;
    const int perRing = kVerticesPerPolygon / rings;
    auto polygon = std::make_shared<CPolygon>();
    for (int r = 0; r < rings; ++r) {
        auto part = std::make_shared<CPart>();
        const double radius = r == 0 ? 4.0 : 2.0;
        for (int k = 0; k < perRing - 1; ++k) {
            const double a = -6.283185307179586 * k / (perRing - 1);
            part->Add(std::make_shared<CPoint>(cx + radius * std::cos(a), cy + radius * std::sin(a)));
        }
        part->Add(std::make_shared<CPoint>(part->Item(1)->X(), part->Item(1)->Y()));
        polygon->Add(part);
    }
    return polygon;
}

std::string benchShapefile() {
    const std::string shp = (scratchFolder("shapefile-read") / "polys.shp").string();
    CFileName spec;
    spec.SetFileSpec(shp);
    CShapeFile file;
    file.SetFileSpec(spec, CREATEIT, ShapeTypes::Polygon);
    for (int i = 0; i < kPolygons; ++i) file.Add(benchPolygon(i));
    return shp;
}

BenchRegistration reg("shapefile-read", [] {
    const std::string shp = benchShapefile();
    long long vertices = 0;
    const double seconds = medianSeconds(5, [&] {
        CFileName spec;
        spec.SetFileSpec(shp);
        CShapeFile file;
        file.SetFileSpec(spec, 0);
        vertices = 0;
        for (std::int32_t i = 1; i <= file.Count(); ++i) {
            const auto polygon = std::static_pointer_cast<CPolygon>(file.Item(i));
            for (const auto& part : *polygon) vertices += part->Count();
        }
    });
    if (vertices != static_cast<long long>(kPolygons) * kVerticesPerPolygon)
        std::fprintf(stderr, "shapefile-read: read %lld vertices\n", vertices);
    printFigure("shapefile-read", "N=" + std::to_string(kPolygons), seconds);
});

}  // namespace
