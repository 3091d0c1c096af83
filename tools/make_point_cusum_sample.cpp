// Writes the sample files of the cusum on point data: a point coordinate
// file of 120 points ("ID,X,Y") over the sample study area's square, a
// z-score file of twelve periods, one line per point, and a z-score file
// of four further periods for a continuation. The z-scores are
// (O - E) / sqrt(E) of Poisson counts O with expected counts E = POP x
// rate; from period 9 on the points within 1,500 map units of
// (502500, 4007500) have three times the rate, an outbreak. Everything
// comes from a fixed seed and a generator of our own, so the files are the
// same on every run.
//
// Usage: make_point_cusum_sample <output folder>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/TextFile.h"
#include "tools/SampleFolder.h"
#include "tools/SamplePoints.h"
#include "tools/SampleRng.h"

namespace {

constexpr int kPoints = 120;
constexpr int kPeriods = 12, kNextPeriods = 4;
constexpr int kOutbreakFrom = 9;
constexpr double kOutbreakX = 502500.0, kOutbreakY = 4007500.0;
constexpr double kOutbreakRadius = 1500.0;
constexpr double kRate = 0.004;
constexpr double kOutbreakFactor = 3.0;

}  // namespace

int main(int argc, char** argv) {
    const std::optional<std::filesystem::path> chosen = sampleFolder(argc, argv, "make_point_cusum_sample");
    if (!chosen) return 2;
    const std::filesystem::path& folder = *chosen;

    SampleRng rng(20261210);
    std::vector<std::string> coords, z, next;
    int inOutbreak = 0;
    for (int i = 1; i <= kPoints; ++i) {
        const SamplePoint p = nextSamplePoint(rng, 1000.0, 5000.0, kOutbreakX, kOutbreakY, kOutbreakRadius);
        const double x = p.x, y = p.y, population = p.population;
        const bool outbreak = p.inCircle;
        inOutbreak += outbreak;
        char id[16];
        std::snprintf(id, sizeof id, "PC%03d", i);
        coords.push_back(std::string(id) + "," + sampleNumber(x, 1) + "," + sampleNumber(y, 1));
        const double expected = population * kRate;
        std::string line, nextLine;
        for (int t = 1; t <= kPeriods + kNextPeriods; ++t) {
            const double rate = outbreak && t >= kOutbreakFrom ? kRate * kOutbreakFactor : kRate;
            const int observed = rng.poisson(population * rate);
            const std::string value = sampleNumber((observed - expected) / std::sqrt(expected), 4);
            std::string& target = t <= kPeriods ? line : nextLine;
            if (!target.empty()) target += ",";
            target += value;
        }
        z.push_back(line);
        next.push_back(nextLine);
    }
    try {
        writeTextFileLines((folder / "cusum_points.txt").string(), coords);
        writeTextFileLines((folder / "cusum_points_z.txt").string(), z);
        writeTextFileLines((folder / "cusum_points_z_next.txt").string(), next);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_point_cusum_sample: %s\n", e.what());
        return 1;
    }
    std::printf("%s: %d points, %d in the outbreak from period %d\n", folder.string().c_str(), kPoints, inOutbreak,
                kOutbreakFrom);
    return 0;
}
