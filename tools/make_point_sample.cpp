// Writes the sample point case file of the cluster test on point data:
// 300 points scattered over the sample study area's square, each line
// "ID,X,Y,POP,CASES" (population and case count), with a planted cluster of
// raised case counts around one spot. Everything comes from a fixed seed
// and a generator of its own, so the file is the same on every run.
//
// Usage: make_point_sample <output folder>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/TextFile.h"
#include "tools/SampleFolder.h"
#include "tools/SamplePoints.h"
#include "tools/SampleRng.h"

namespace {

constexpr int kPoints = 300;
constexpr double kClusterX = 507200.0, kClusterY = 4002800.0;
constexpr double kClusterRadius = 1300.0;
constexpr double kBaseRate = 0.004;
constexpr double kClusterFactor = 3.0;

}  // namespace

int main(int argc, char** argv) {
    const std::optional<std::filesystem::path> chosen = sampleFolder(argc, argv, "make_point_sample");
    if (!chosen) return 2;
    const std::filesystem::path& folder = *chosen;

    SampleRng rng(20241210);
    std::vector<std::string> lines;
    int inCluster = 0;
    for (int i = 1; i <= kPoints; ++i) {
        const SamplePoint p = nextSamplePoint(rng, 300.0, 2500.0, kClusterX, kClusterY, kClusterRadius);
        const double x = p.x, y = p.y, population = p.population;
        const bool cluster = p.inCircle;
        inCluster += cluster;
        const int cases = rng.poisson(population * kBaseRate * (cluster ? kClusterFactor : 1.0));
        char id[16];
        std::snprintf(id, sizeof id, "PT%03d", i);
        lines.push_back(std::string(id) + "," + sampleNumber(x, 1) + "," + sampleNumber(y, 1) + "," + sampleNumber(population, 0) + "," +
                        std::to_string(cases));
    }
    const std::string path = (folder / "points.txt").string();
    try {
        writeTextFileLines(path, lines);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_point_sample: %s\n", e.what());
        return 1;
    }
    std::printf("%s: %d points, %d in the planted cluster\n", path.c_str(), kPoints, inCluster);
    return 0;
}
