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

namespace {

constexpr int kPoints = 300;
constexpr double kOriginX = 500000.0, kOriginY = 4000000.0;
constexpr double kSide = 10000.0;  // map units (metres)
constexpr double kClusterX = 507200.0, kClusterY = 4002800.0;
constexpr double kClusterRadius = 1300.0;
constexpr double kBaseRate = 0.004;
constexpr double kClusterFactor = 3.0;

// A small linear congruential generator, so the output does not depend on
// the standard library's distributions.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    double uniform() {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(static_cast<std::uint32_t>(state_ >> 33)) / 2147483648.0;
    }
    double between(double a, double b) { return a + (b - a) * uniform(); }
    int poisson(double lambda) {
        const double limit = std::exp(-lambda);
        int k = 0;
        for (double product = uniform(); product > limit; product *= uniform()) ++k;
        return k;
    }

private:
    std::uint64_t state_;
};

std::string number(double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_point_sample <output folder>\n");
        return 2;
    }
    namespace fs = std::filesystem;
    const fs::path folder = fs::absolute(argv[1]).lexically_normal();
    std::error_code ec;
    fs::create_directories(folder, ec);

    Rng rng(20241210);
    std::vector<std::string> lines;
    int inCluster = 0;
    for (int i = 1; i <= kPoints; ++i) {
        const double x = kOriginX + rng.between(0.0, kSide);
        const double y = kOriginY + rng.between(0.0, kSide);
        const double population = std::round(rng.between(300.0, 2500.0));
        const bool cluster = std::hypot(x - kClusterX, y - kClusterY) < kClusterRadius;
        inCluster += cluster;
        const int cases = rng.poisson(population * kBaseRate * (cluster ? kClusterFactor : 1.0));
        char id[16];
        std::snprintf(id, sizeof id, "PT%03d", i);
        lines.push_back(std::string(id) + "," + number(x, 1) + "," + number(y, 1) + "," + number(population, 0) + "," +
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
