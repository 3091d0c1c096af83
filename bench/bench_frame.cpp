// Opening a study area: the attribute table, the header extent and every
// polygon of a synthetic grid of regions, as the polygon entries load them.
#include <filesystem>
#include <string>
#include <vector>

#include "app/modLoad.h"
#include "bench/Bench.h"
#include "bench/ShapelibWriters.h"

namespace {

// A grid of `side` x `side` square regions, each ring with 33 vertices.
std::string writeGrid(const std::string& folder, int side) {
    const std::string base = folder + "/grid";
    ShapefileWriter shp(base, SHPT_POLYGON);
    TableWriter dbf(base + ".dbf");
    const int id = dbf.addField("ID", FTInteger, 9, 0);
    const int name = dbf.addField("NAME", FTString, 20, 0);
    const int pop = dbf.addField("POP", FTDouble, 12, 2);
    int record = 0;
    for (int r = 0; r < side; ++r) {
        for (int c = 0; c < side; ++c) {
            std::vector<double> xs, ys;
            // Clockwise: up the left side, along the top, down, back.
            for (int k = 0; k <= 8; ++k) { xs.push_back(c); ys.push_back(r + k / 8.0); }
            for (int k = 1; k <= 8; ++k) { xs.push_back(c + k / 8.0); ys.push_back(r + 1); }
            for (int k = 1; k <= 8; ++k) { xs.push_back(c + 1); ys.push_back(r + 1 - k / 8.0); }
            for (int k = 1; k <= 8; ++k) { xs.push_back(c + 1 - k / 8.0); ys.push_back(r); }
            shp.addRing(xs, ys);
            dbf.write(record, id, record + 1);
            dbf.write(record, name, "Region " + std::to_string(record + 1));
            dbf.write(record, pop, 1000.5 + record);
            ++record;
        }
    }
    dbf.close();
    return shp.close();
}

BenchRegistration reg("open-study-area", [] {
    const std::string folder = scratchFolder("open-study-area").string();
    const int side = 55;  // 3,025 regions
    const std::string shp = writeGrid(folder, side);
    const double secs = medianSeconds(5, [&] {
        modLoad::StagedStudyArea staged;
        staged.shpPath = shp;
        staged.shpFileTitle = "grid.shp";
        staged.dbfPath = folder + "/grid.dbf";
        staged.table = DbfTable::Open(staged.dbfPath);
        modLoad::ReadShapefileExtent(staged);
        modLoad::LoadShapes(staged);
        modLoad::CheckStudyArea(staged);
    });
    printFigure("open-study-area", "N=" + std::to_string(side * side), secs);
    std::filesystem::remove_all(folder);
});

}  // namespace
