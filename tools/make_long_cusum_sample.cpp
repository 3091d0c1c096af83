// Writes two period files of 520 periods (ten years of weeks), long enough
// to watch a cusum animation over years: `sample_z520.txt` for the sample
// study area, one line per record of sample.dbf in record order, and
// `cusum_points_z520.txt` for the sample cusum points, one line per point of
// cusum_points.txt. The z-scores are (O - E) / sqrt(E) of Poisson counts O
// with expected counts E = population x 0.004, to four decimals: the
// regions' POP, and for the points a population of 3,000 to 8,000 drawn
// here. From period 261 on, the places of the short samples' outbreaks
// (regions 63, 64, 73 and 74; the points within 1,500 map units of
// (502500, 4007500)) have twice the rate. Everything comes from a fixed seed
// and a generator of our own, so every run writes the same bytes.
//
// Usage: make_long_cusum_sample <sample folder>
//   (reads sample.dbf and cusum_points.txt there and writes beside them)

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/DbfTable.h"
#include "platform/Error.h"
#include "platform/Format.h"
#include "platform/TextFile.h"
#include "tools/SampleFolder.h"
#include "tools/SampleRng.h"

namespace {

constexpr int kPeriods = 520;
constexpr int kOutbreakFrom = 261;
constexpr double kRate = 0.004;
constexpr double kOutbreakFactor = 2.0;
// Records of the regions' outbreak (rows 7 and 8, columns 3 and 4).
constexpr int kOutbreakRegions[] = {63, 64, 73, 74};
constexpr double kOutbreakX = 502500.0, kOutbreakY = 4007500.0;
constexpr double kOutbreakRadius = 1500.0;

// One line of z-scores over the periods for a place of `population`.
std::string periodLine(SampleRng& rng, double population, bool outbreak) {
    const double expected = population * kRate;
    std::string line;
    for (int t = 1; t <= kPeriods; ++t) {
        const double rate = outbreak && t >= kOutbreakFrom ? kRate * kOutbreakFactor : kRate;
        const int observed = rng.poisson(population * rate);
        if (t > 1) line += ",";
        line += sampleNumber((observed - expected) / std::sqrt(expected), 4);
    }
    return line;
}

std::vector<std::string> regionLines(const std::string& dbfPath) {
    const auto table = DbfTable::Open(dbfPath);
    const int pop = table->FieldIndex("POP");
    if (pop < 0) throw AppError(9, "the table " + dbfPath + " has no field POP", "make_long_cusum_sample");
    SampleRng rng(20270105);
    std::vector<std::string> lines;
    for (std::int32_t i = 1; i <= table->RecordCount(); ++i) {
        bool outbreak = false;
        for (int r : kOutbreakRegions) outbreak = outbreak || r == i;
        lines.push_back(periodLine(rng, table->ValueAt(i, pop).number, outbreak));
    }
    return lines;
}

std::vector<std::string> pointLines(const std::string& coordinatePath, int& inOutbreak) {
    SampleRng rng(20270106);
    std::vector<std::string> lines;
    for (const std::string& point : readTextFileLines(coordinatePath)) {
        const std::vector<std::string> fields = splitCommas(point);
        const auto x = fields.size() == 3 ? parseNumber(fields[1]) : std::nullopt;
        const auto y = fields.size() == 3 ? parseNumber(fields[2]) : std::nullopt;
        if (!x || !y) throw AppError(9, "the point line \"" + point + "\" is not ID,X,Y", "make_long_cusum_sample");
        const double population = std::round(rng.between(3000.0, 8000.0));
        const bool outbreak = std::hypot(*x - kOutbreakX, *y - kOutbreakY) < kOutbreakRadius;
        inOutbreak += outbreak;
        lines.push_back(periodLine(rng, population, outbreak));
    }
    return lines;
}

}  // namespace

int main(int argc, char** argv) {
    // The folder holds the sample already: it is read, not made.
    const std::optional<std::filesystem::path> chosen =
        folderArgument(argc, argv, "make_long_cusum_sample", "sample folder");
    if (!chosen) return 2;
    const std::filesystem::path& folder = *chosen;
    try {
        const std::vector<std::string> regions = regionLines((folder / "sample.dbf").string());
        int inOutbreak = 0;
        const std::vector<std::string> points = pointLines((folder / "cusum_points.txt").string(), inOutbreak);
        writeTextFileLines((folder / "sample_z520.txt").string(), regions);
        writeTextFileLines((folder / "cusum_points_z520.txt").string(), points);
        std::printf("%s: %zu regions and %zu points (%d in the outbreak) over %d periods, the outbreak from period %d\n",
                    folder.string().c_str(), regions.size(), points.size(), inOutbreak, kPeriods, kOutbreakFrom);
    } catch (const AppError& e) {
        std::fprintf(stderr, "make_long_cusum_sample: %s\n", e.description().c_str());
        return 1;
    }
    return 0;
}
