// Hostile files: thousands of damaged copies of valid pairs of every shape
// type (truncations, flipped bytes, wild counts and offsets, garbage behind
// the end), each opened and read record by record. Every case must end in
// a numbered error or in shapes that the file's bytes back; none may crash,
// hang or allocate more than the file holds.
//
// The cases run in a child process with a ceiling on its address space and
// a deadline, so a crash, a runaway allocation or an endless loop fails
// this test with the case that caused it instead of ending the whole run.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <new>
#include <string>

#include "tests/geometry/ShapefileTestUtil.h"

namespace {

constexpr int kCases = 4000;
constexpr unsigned kDeadlineSeconds = 120;
constexpr std::int32_t kOutOfMemory = 7;

// A generator of our own, so the cases are the same on every run.
class CaseRng {
public:
    explicit CaseRng(std::uint64_t seed) : state_(seed) {}
    std::uint32_t next() {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>(state_ >> 33);
    }
    std::size_t below(std::size_t n) { return n == 0 ? 0 : next() % n; }

private:
    std::uint64_t state_;
};

struct Pair {
    std::int32_t type;
    Bytes shp;
    Bytes shx;
};

// Valid pairs of each type with null records, several parts, a hole and
// a ring long enough to span more than one read block of the points.
std::vector<Pair> validPairs(const std::string& dir) {
    auto nullOf = [](std::shared_ptr<IShape> s) {
        s->MakeNull(true);
        return s;
    };
    Rings longRing(1);
    for (int k = 0; k < 300; ++k) longRing[0].emplace_back(k, (k * 37) % 101);
    longRing[0].push_back(longRing[0].front());
    const Rings square = {{{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}}};
    const Rings withHole = {{{40, 0}, {40, 10}, {50, 10}, {50, 0}, {40, 0}}, {{42, 2}, {48, 2}, {48, 8}, {42, 8}, {42, 2}}};
    const Rings lines = {{{0, 0}, {1, 1}, {2, 0}}, {{5, 5}, {6, 6}}, {{7, 7}, {8, 9}, {9, 7}, {7, 7}}};
    auto multi = [](int n) {
        auto m = std::make_shared<CMultiPoint>();
        for (int k = 0; k < n; ++k) m->Add(std::make_shared<CPoint>(k, -k));
        return m;
    };

    std::vector<Pair> pairs;
    auto add = [&](const char* name, std::int32_t type, const std::vector<std::shared_ptr<IShape>>& shapes) {
        const std::string shp = writePair(dir + "/" + name + ".shp", type, shapes);
        pairs.push_back({type, fileBytes(shp), fileBytes(shxOf(shp))});
    };
    add("polygons", ShapeTypes::Polygon,
        {shapeFromRings<CPolygon>(square), nullOf(shapeFromRings<CPolygon>(square)), shapeFromRings<CPolygon>(withHole),
         shapeFromRings<CPolygon>(longRing)});
    add("lines", ShapeTypes::PolyLine,
        {shapeFromRings<CPolyLine>(lines), nullOf(shapeFromRings<CPolyLine>(lines)), shapeFromRings<CPolyLine>(longRing)});
    add("multi", ShapeTypes::MultiPoint, {multi(3), nullOf(multi(1)), multi(40)});
    add("points", ShapeTypes::Point,
        {std::make_shared<CPoint>(1, 2), nullOf(std::make_shared<CPoint>()), std::make_shared<CPoint>(-3, 4),
         std::make_shared<CPoint>(5, 6)});
    return pairs;
}

// One to three damages of one pair.
void damage(CaseRng& rng, Bytes& shp, Bytes& shx) {
    static const std::int32_t wild[] = {0, 1, -1, 2, 50, 51, INT_MIN, INT_MAX, INT_MAX / 2, 0x40000000, -50};
    const int count = 1 + static_cast<int>(rng.below(3));
    for (int k = 0; k < count; ++k) {
        Bytes& b = rng.below(2) == 0 ? shp : shx;
        switch (rng.below(6)) {
            case 0:  // cut anywhere
                b.resize(rng.below(b.size() + 1));
                break;
            case 1:  // flip a byte
                if (!b.empty()) b[rng.below(b.size())] ^= static_cast<unsigned char>(1 + rng.below(255));
                break;
            case 2:  // a wild 32-bit value at a 4-byte boundary, either byte order
                if (b.size() >= 4) {
                    const std::size_t at = 4 * rng.below(b.size() / 4);
                    const std::int32_t v = rng.below(4) == 0 ? static_cast<std::int32_t>(rng.next() * 2u)
                                                             : wild[rng.below(std::size(wild))];
                    if (rng.below(2) == 0) setBe32(b, at, v);
                    else setLe32(b, at, v);
                }
                break;
            case 3:  // garbage behind the end
                for (std::size_t n = 1 + rng.below(64); n > 0; --n) b.push_back(static_cast<unsigned char>(rng.next()));
                break;
            case 4:  // a stated length that the file does not match
                if (b.size() >= 28) setBe32(b, 24, static_cast<std::int32_t>(rng.below(4)) == 0 ? wild[rng.below(std::size(wild))]
                                                                                               : static_cast<std::int32_t>(rng.below(1000)));
                break;
            default:  // a wild part or point count where the first record keeps them
                if (b.size() >= 152) setLe32(b, 100 + 44 + 4 * rng.below(2), wild[rng.below(std::size(wild))]);
                break;
        }
    }
}

// The points and parts a shape holds, for comparing with the file size.
std::int64_t pointsIn(const std::shared_ptr<IShape>& shape, std::int64_t& parts) {
    std::int64_t points = 0;
    parts = 0;
    auto walk = [&](const auto& s) {
        for (const auto& part : s) {
            ++parts;
            points += part->Count();
        }
    };
    if (auto* p = dynamic_cast<CPolygon*>(shape.get())) walk(*p);
    else if (auto* l = dynamic_cast<CPolyLine*>(shape.get())) walk(*l);
    else if (auto* m = dynamic_cast<CMultiPoint*>(shape.get())) points = m->Count();
    else points = 1;
    return points;
}

// Runs every case; reports each failure on stderr and returns their number.
int runCases(const std::string& dir, const std::vector<Pair>& pairs) {
    int failures = 0;
    auto fail = [&](int n, const std::string& what) {
        if (++failures <= 20) std::fprintf(stderr, "case %d: %s\n", n, what.c_str());
    };
    const std::string shpPath = dir + "/case.shp";
    CaseRng rng(20240611);
    for (int n = 0; n < kCases; ++n) {
        const Pair& base = pairs[static_cast<std::size_t>(n) % pairs.size()];
        Bytes shp = base.shp, shx = base.shx;
        damage(rng, shp, shx);
        putFileBytes(shpPath, shp);
        putFileBytes(shxOf(shpPath), shx);
        try {
            CShapeFile file;
            CFileName spec;
            spec.SetFileSpec(shpPath);
            try {
                file.SetFileSpec(spec, 0);
            } catch (const AppError&) {
                continue;  // a numbered refusal is what a damaged header should give
            }
            if (file.Count() < 0 || static_cast<std::int64_t>(file.Count()) * 8 + 100 > static_cast<std::int64_t>(shx.size()))
                fail(n, "count " + std::to_string(file.Count()) + " beyond the index's " + std::to_string(shx.size()) + " bytes");
            const std::int32_t last = std::min<std::int32_t>(file.Count() + 1, 60);
            for (std::int32_t i = -1; i <= last; ++i) {
                try {
                    const auto shape = file.Item(i);
                    if (!shape) continue;
                    std::int64_t parts = 0;
                    const std::int64_t points = pointsIn(shape, parts);
                    if (points * 16 + parts * 4 > static_cast<std::int64_t>(shp.size()))
                        fail(n, "record " + std::to_string(i) + " holds " + std::to_string(points) + " points, more than " +
                                    std::to_string(shp.size()) + " bytes back");
                } catch (const AppError& e) {
                    if (e.number() == kOutOfMemory) fail(n, "record " + std::to_string(i) + " ran out of memory");
                    if (e.source() != "CShapeFile::Item")
                        fail(n, "record " + std::to_string(i) + " raised with source " + e.source());
                }
            }
        } catch (const AppError& e) {
            fail(n, "unexpected error " + std::to_string(e.number()) + " " + e.description());
        } catch (const std::bad_alloc&) {
            fail(n, "out of memory");
        } catch (const std::exception& e) {
            fail(n, std::string("unexpected exception ") + e.what());
        }
    }
    return failures;
}

// The address space in use now, in bytes.
std::uint64_t addressSpaceInUse() {
    std::ifstream statm("/proc/self/statm");
    std::uint64_t pages = 0;
    statm >> pages;
    return pages * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
}

[[noreturn]] void runCasesAndExit(const std::string& dir, const std::vector<Pair>& pairs) {
    // A quarter of a gigabyte above what the process holds already: far
    // more than any of these files can back, far less than a count read
    // as a size would ask for.
    struct rlimit limit {};
    limit.rlim_cur = limit.rlim_max = addressSpaceInUse() + (256ull << 20);
    ::setrlimit(RLIMIT_AS, &limit);
    ::alarm(kDeadlineSeconds);
    const int failures = runCases(dir, pairs);
    if (failures == 0) std::fprintf(stderr, "all %d cases gave numbered errors or backed shapes\n", kCases);
    else std::fprintf(stderr, "%d of %d cases failed\n", failures, kCases);
    std::fflush(stderr);
    std::_Exit(failures == 0 ? 0 : 1);
}

}  // namespace

TEST(ShapefileFuzzTest, DamagedPairsGiveNumberedErrorsOnly) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string dir = scratchDir("fuzz");
    const std::vector<Pair> pairs = validPairs(dir);
    ASSERT_EQ(pairs.size(), 4u);
    EXPECT_EXIT(runCasesAndExit(dir, pairs), ::testing::ExitedWithCode(0), "all [0-9]+ cases gave");
}

TEST(ShapefileFuzzTest, TheUndamagedPairsReadWhole) {
    // The base of the damaged cases reads back completely, so the cases
    // above start from files the reader accepts.
    const std::string dir = scratchDir("fuzzbase");
    for (const Pair& p : validPairs(dir)) {
        SCOPED_TRACE(p.type);
        const std::string shp = dir + "/again.shp";
        putFileBytes(shp, p.shp);
        putFileBytes(shxOf(shp), p.shx);
        CShapeFile file;
        file.SetFileSpec(fileSpec(shp), 0);
        ASSERT_GE(file.Count(), 3);
        for (std::int32_t i = 1; i <= file.Count(); ++i) EXPECT_TRUE(file.Item(i)) << i;
    }
}
