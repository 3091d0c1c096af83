// Writes the sample study area used by the tests and for trying the
// program out: about 100 irregular polygon regions (a jittered grid whose
// neighbours share their edges exactly), one region with a hole and one
// region of two rings whose second ring is an island inside that hole,
// and a dBASE table with ID, NAME, POP, CASES, OBS and EXP and a planted
// cluster of raised case counts.
//
// The shapes are written with the program's own shapefile writer, the
// table with shapelib's dBASE writer. Everything comes from a fixed seed,
// so the files are the same on every run.
//
// Usage: make_sample <output folder>

#include <shapefil.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "geometry/CShapeFile.h"
#include "platform/Error.h"
#include "platform/Format.h"
#include "platform/TextFile.h"
#include "tools/SampleFolder.h"

namespace {

constexpr int kRows = 10;
constexpr int kCols = 10;
constexpr double kCell = 1000.0;  // map units (metres)
constexpr double kOriginX = 500000.0;
constexpr double kOriginY = 4000000.0;

// The region with the hole and the region whose island lies in it.
constexpr int kHoleRow = 4, kHoleCol = 4;
constexpr int kIslandRow = 4, kIslandCol = 5;

// Rows and columns of the planted cluster (three times the base rate).
constexpr int kClusterRow0 = 1, kClusterRow1 = 3;
constexpr int kClusterCol0 = 6, kClusterCol1 = 8;
constexpr double kBaseRate = 0.004;
constexpr double kClusterFactor = 3.0;

// The periods and their outbreak: from period kOutbreakStart on, the
// regions of rows 7-8 and columns 3-4 (counted from 1) have three times
// the base rate. The periods draw from a generator of their own, so the
// fields above keep their values.
constexpr int kPeriods = 12;
constexpr int kOutbreakStart = 9;
constexpr int kOutbreakRow0 = 6, kOutbreakRow1 = 7;
constexpr int kOutbreakCol0 = 2, kOutbreakCol1 = 3;
constexpr double kOutbreakFactor = 3.0;

// A small linear congruential generator of our own, so the output does
// not depend on the standard library's distributions.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint32_t next() {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>(state_ >> 33);
    }
    double uniform() { return static_cast<double>(next()) / 2147483648.0; }  // [0, 1)
    double between(double a, double b) { return a + (b - a) * uniform(); }
    // Poisson by multiplication of uniforms, in chunks small enough that
    // exp(-lambda) stays well inside the range of a double.
    int poisson(double lambda) {
        int total = 0;
        while (lambda > 0.0) {
            const double chunk = std::min(lambda, 20.0);
            lambda -= chunk;
            const double limit = std::exp(-chunk);
            double product = uniform();
            while (product > limit) {
                ++total;
                product *= uniform();
            }
        }
        return total;
    }

private:
    std::uint64_t state_;
};

struct XY {
    double x, y;
};

using Ring = std::vector<XY>;

// Vertices shared by neighbouring cells: the jittered grid corners and one
// jittered point inside every cell edge.
struct Lattice {
    std::vector<std::vector<XY>> corner;  // [row 0..kRows][col 0..kCols]
    std::vector<std::vector<XY>> hEdge;   // point on the horizontal edge at row r between col c and c+1
    std::vector<std::vector<XY>> vEdge;   // point on the vertical edge at col c between row r and r+1
};

Lattice makeLattice(Rng& rng) {
    Lattice l;
    l.corner.assign(kRows + 1, std::vector<XY>(kCols + 1));
    l.hEdge.assign(kRows + 1, std::vector<XY>(kCols));
    l.vEdge.assign(kRows, std::vector<XY>(kCols + 1));
    for (int r = 0; r <= kRows; ++r)
        for (int c = 0; c <= kCols; ++c) {
            // The outline of the study area jitters too, but only along itself.
            const bool edgeX = c == 0 || c == kCols, edgeY = r == 0 || r == kRows;
            const double jx = edgeX ? 0.0 : rng.between(-0.18, 0.18);
            const double jy = edgeY ? 0.0 : rng.between(-0.18, 0.18);
            l.corner[r][c] = {kOriginX + (c + jx) * kCell, kOriginY + (r + jy) * kCell};
        }
    for (int r = 0; r <= kRows; ++r)
        for (int c = 0; c < kCols; ++c) {
            const double along = rng.between(0.4, 0.6);
            const double across = rng.between(-0.12, 0.12);
            const XY a = l.corner[r][c], b = l.corner[r][c + 1];
            l.hEdge[r][c] = {a.x + (b.x - a.x) * along, a.y + (b.y - a.y) * along + across * kCell};
        }
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c <= kCols; ++c) {
            const double along = rng.between(0.4, 0.6);
            const double across = rng.between(-0.12, 0.12);
            const XY a = l.corner[r][c], b = l.corner[r + 1][c];
            l.vEdge[r][c] = {a.x + (b.x - a.x) * along + across * kCell, a.y + (b.y - a.y) * along};
        }
    return l;
}

// The cell's outer ring, clockwise (Y grows upward), closed.
Ring cellRing(const Lattice& l, int r, int c) {
    return {l.corner[r][c],     l.vEdge[r][c],         l.corner[r + 1][c], l.hEdge[r + 1][c],
            l.corner[r + 1][c + 1], l.vEdge[r][c + 1], l.corner[r][c + 1], l.hEdge[r][c],
            l.corner[r][c]};
}

// An irregular ring around a centre; clockwise unless counterClockwise.
Ring blob(Rng& rng, XY centre, double radius, int vertices, bool counterClockwise) {
    Ring ring;
    for (int k = 0; k < vertices; ++k) {
        const double angle = 2.0 * M_PI * k / vertices * (counterClockwise ? 1.0 : -1.0);
        const double rad = radius * rng.between(0.8, 1.0);
        ring.push_back({centre.x + rad * std::cos(angle), centre.y + rad * std::sin(angle)});
    }
    ring.push_back(ring.front());
    return ring;
}

std::shared_ptr<CPolygon> toPolygon(const std::vector<Ring>& rings) {
    auto polygon = std::make_shared<CPolygon>();
    for (const Ring& ring : rings) {
        auto part = std::make_shared<CPart>();
        for (const XY& p : ring) part->Add(std::make_shared<CPoint>(p.x, p.y));
        polygon->Add(part);
    }
    return polygon;
}

// Pronounceable, made-up region names, each used once so that every row of
// a list can be told apart.
const char* const kFirstSyllables[] = {"Bar", "Cel", "Dor", "Fen", "Gal", "Hol", "Kir", "Lun", "Mar", "Nor",
                                       "Oster", "Pel", "Quin", "Ros", "Sel", "Tor", "Ul", "Vel", "Wen", "Zar"};
const char* const kSecondSyllables[] = {"abad", "berg", "dale", "field", "ford", "gate", "ham", "holm",
                                        "lea",  "mere", "moor", "ness", "stead", "ton", "vik", "wick"};
constexpr std::size_t kSecondCount = std::size(kSecondSyllables);
constexpr std::size_t kNameCount = std::size(kFirstSyllables) * kSecondCount;

std::string nameAt(std::size_t k) {
    return std::string(kFirstSyllables[k / kSecondCount]) + kSecondSyllables[k % kSecondCount];
}

// The draw of a name: its place among all the names.
std::size_t drawName(Rng& rng) {
    const std::size_t first = rng.next() % std::size(kFirstSyllables);
    return first * kSecondCount + rng.next() % kSecondCount;
}

// The names of the draws, in order. A name drawn again gives way to the
// next one, in the order of the syllables, that no region drew, so every
// region that drew a name of its own keeps it.
std::vector<std::string> uniqueNames(const std::vector<std::size_t>& draws) {
    std::vector<bool> drawn(kNameCount, false), used(kNameCount, false);
    for (std::size_t k : draws) drawn[k] = true;
    std::vector<std::string> names;
    for (std::size_t k : draws) {
        if (used[k]) {
            std::size_t step = 0;
            do k = (k + 1) % kNameCount;
            while ((drawn[k] || used[k]) && ++step < kNameCount);
            if (drawn[k] || used[k]) throw std::runtime_error("make_sample: more regions than names");
        }
        used[k] = true;
        names.push_back(nameAt(k));
    }
    return names;
}

bool inCluster(int r, int c) {
    return r >= kClusterRow0 && r <= kClusterRow1 && c >= kClusterCol0 && c <= kClusterCol1;
}

bool inOutbreak(int r, int c, int period) {
    return period >= kOutbreakStart && r >= kOutbreakRow0 && r <= kOutbreakRow1 && c >= kOutbreakCol0 &&
           c <= kOutbreakCol1;
}

std::string periodField(char kind, int period) {
    char buf[16];  // room for any int, though the periods have two digits
    std::snprintf(buf, sizeof buf, "%c%02d", kind, period);
    return buf;
}

}  // namespace

int main(int argc, char** argv) {
    const std::optional<std::filesystem::path> chosen = sampleFolder(argc, argv, "make_sample");
    if (!chosen) return 2;
    const std::filesystem::path& folder = *chosen;
    const std::string base = (folder / "sample").string();

    Rng rng(20240611);
    const Lattice lattice = makeLattice(rng);

    // Regions in record order: row by row from the bottom left.
    std::vector<std::vector<Ring>> regions;
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kCols; ++c) regions.push_back({cellRing(lattice, r, c)});
    const std::size_t holeRegion = static_cast<std::size_t>(kHoleRow * kCols + kHoleCol);
    const std::size_t islandRegion = static_cast<std::size_t>(kIslandRow * kCols + kIslandCol);
    // A lake in one region with an island in it that belongs to its
    // neighbour; the water between them belongs to neither. The lake keeps
    // well inside its cell: its radius is a share of the distance from the
    // cell's vertex average to the cell's outline.
    const Ring& cell = regions[holeRegion][0];
    XY centre{0.0, 0.0};
    for (std::size_t k = 0; k + 1 < cell.size(); ++k) {
        centre.x += cell[k].x / static_cast<double>(cell.size() - 1);
        centre.y += cell[k].y / static_cast<double>(cell.size() - 1);
    }
    const double room = CPoint(centre.x, centre.y).DistanceToPolygon(*toPolygon({cell}));
    const double lakeRadius = 0.7 * room;               // its vertices lie at 0.8 to 1.0 of it
    const double islandRadius = 0.5 * 0.8 * lakeRadius;  // inside the lake's smallest radius
    regions[holeRegion].push_back(blob(rng, centre, lakeRadius, 11, true));
    regions[islandRegion].push_back(blob(rng, centre, islandRadius, 7, false));

    try {
        CFileName spec;
        spec.SetFileSpec(base + ".shp");
        CShapeFile shapes;
        shapes.SetFileSpec(spec, CREATEIT, ShapeTypes::Polygon);
        for (const auto& rings : regions) shapes.Add(toPolygon(rings));
        std::printf("%s.shp: %d regions, extent %.1f %.1f %.1f %.1f\n", base.c_str(), shapes.Count(), shapes.Left(),
                    shapes.Bottom(), shapes.Right(), shapes.Top());
    } catch (const AppError& e) {
        std::fprintf(stderr, "make_sample: %s (%s, error %d)\n", e.description().c_str(), e.source().c_str(),
                     e.number());
        return 1;
    }

    // Populations and cases, then the expected counts under a constant rate.
    const int n = kRows * kCols;
    std::vector<int> population(n), cases(n);
    std::vector<std::size_t> nameDraws(n);
    long long totalPopulation = 0, totalCases = 0;
    for (int i = 0; i < n; ++i) {
        const int r = i / kCols, c = i % kCols;
        population[i] = static_cast<int>(std::lround(rng.between(2000.0, 20000.0)));
        const double rate = kBaseRate * (inCluster(r, c) ? kClusterFactor : 1.0);
        cases[i] = rng.poisson(population[i] * rate);
        nameDraws[i] = drawName(rng);
        totalPopulation += population[i];
        totalCases += cases[i];
    }

    const std::vector<std::string> names = uniqueNames(nameDraws);

    const std::string dbfPath = base + ".dbf";
    std::error_code ec;
    std::filesystem::remove(dbfPath, ec);
    DBFHandle dbf = DBFCreate(dbfPath.c_str());
    if (!dbf) {
        std::fprintf(stderr, "make_sample: cannot create %s\n", dbfPath.c_str());
        return 1;
    }
    const int fId = DBFAddField(dbf, "ID", FTInteger, 5, 0);
    const int fName = DBFAddField(dbf, "NAME", FTString, 20, 0);
    const int fPop = DBFAddField(dbf, "POP", FTInteger, 8, 0);
    const int fCases = DBFAddField(dbf, "CASES", FTInteger, 6, 0);
    const int fObs = DBFAddField(dbf, "OBS", FTInteger, 6, 0);
    const int fExp = DBFAddField(dbf, "EXP", FTDouble, 12, 4);
    bool ok = fId >= 0 && fName >= 0 && fPop >= 0 && fCases >= 0 && fObs >= 0 && fExp >= 0;
    int fPeriodObs[kPeriods], fPeriodExp[kPeriods], fPeriodZ[kPeriods];
    for (int p = 0; p < kPeriods; ++p) fPeriodObs[p] = DBFAddField(dbf, periodField('O', p + 1).c_str(), FTInteger, 6, 0);
    for (int p = 0; p < kPeriods; ++p) fPeriodExp[p] = DBFAddField(dbf, periodField('E', p + 1).c_str(), FTDouble, 12, 4);
    for (int p = 0; p < kPeriods; ++p) fPeriodZ[p] = DBFAddField(dbf, periodField('Z', p + 1).c_str(), FTDouble, 10, 4);
    for (int p = 0; p < kPeriods; ++p) ok = ok && fPeriodObs[p] >= 0 && fPeriodExp[p] >= 0 && fPeriodZ[p] >= 0;
    Rng periodRng(20261210);
    std::vector<std::string> zLines(n);
    for (int i = 0; ok && i < n; ++i) {
        const double expected = static_cast<double>(totalCases) * population[i] / static_cast<double>(totalPopulation);
        ok = DBFWriteIntegerAttribute(dbf, i, fId, i + 1) && DBFWriteStringAttribute(dbf, i, fName, names[i].c_str()) &&
             DBFWriteIntegerAttribute(dbf, i, fPop, population[i]) && DBFWriteIntegerAttribute(dbf, i, fCases, cases[i]) &&
             DBFWriteIntegerAttribute(dbf, i, fObs, cases[i]) && DBFWriteDoubleAttribute(dbf, i, fExp, expected);
        const int r = i / kCols, c = i % kCols;
        for (int p = 0; ok && p < kPeriods; ++p) {
            // Expected under the base rate; observed at the period's own rate.
            const double e = std::round(population[i] * kBaseRate * 10000.0) / 10000.0;
            const int o = periodRng.poisson(e * (inOutbreak(r, c, p + 1) ? kOutbreakFactor : 1.0));
            const double z = std::round((o - e) / std::sqrt(e) * 10000.0) / 10000.0;
            ok = DBFWriteIntegerAttribute(dbf, i, fPeriodObs[p], o) && DBFWriteDoubleAttribute(dbf, i, fPeriodExp[p], e) &&
                 DBFWriteDoubleAttribute(dbf, i, fPeriodZ[p], z);
            if (p > 0) zLines[static_cast<std::size_t>(i)] += ",";
            zLines[static_cast<std::size_t>(i)] += formatMask(z, "0.0000");
        }
    }
    DBFClose(dbf);
    if (ok) {
        try {
            writeTextFileLines(base + "_z.txt", zLines);
        } catch (const AppError& e) {
            std::fprintf(stderr, "make_sample: %s\n", e.description().c_str());
            return 1;
        }
    }
    if (!ok) {
        std::fprintf(stderr, "make_sample: writing %s failed\n", dbfPath.c_str());
        return 1;
    }
    std::printf("%s: %d records, population %lld, cases %lld\n", dbfPath.c_str(), n, totalPopulation, totalCases);
    return 0;
}
