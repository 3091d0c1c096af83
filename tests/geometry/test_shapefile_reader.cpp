// The reader: counts, types and records of valid pairs, and the numbered
// errors on missing, damaged and lying files.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cctype>
#include <filesystem>
#include <memory>

#include "tests/geometry/ShapefileTestUtil.h"
#include "tests/support/CaseNames.h"
#include "tests/support/SpecialFiles.h"
#include "tests/support/Unprivileged.h"

namespace {

const Rings kSquare = {{{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}}};
const Rings kTriangle = {{{20, 0}, {25, 8}, {30, 0}, {20, 0}}};
const Rings kWithHole = {{{40, 0}, {40, 10}, {50, 10}, {50, 0}, {40, 0}}, {{42, 2}, {48, 2}, {48, 8}, {42, 8}, {42, 2}}};

// Three polygons; record 2 starts at byte 100 + 8 + 128 = 236.
std::string threePolygons(const std::string& dir, const std::string& name = "regions") {
    return writePair(dir + "/" + name + ".shp", ShapeTypes::Polygon,
                     {shapeFromRings<CPolygon>(kSquare), shapeFromRings<CPolygon>(kTriangle),
                      shapeFromRings<CPolygon>(kWithHole)});
}

std::shared_ptr<CPolygon> polygonAt(CShapeFile& file, std::int32_t index) {
    auto shape = file.Item(index);
    auto polygon = std::dynamic_pointer_cast<CPolygon>(shape);
    EXPECT_TRUE(polygon) << "record " << index << " is not a polygon";
    return polygon;
}

void openPair(CShapeFile& file, const std::string& path) { file.SetFileSpec(fileSpec(path), 0); }

constexpr std::size_t kRecord2 = 100 + 8 + 128;  // byte offset of record 2 (square: 64 words)

}  // namespace

TEST(ShapefileReaderTest, ReadsThreePolygons) {
    const std::string shp = threePolygons(scratchDir("three"));
    CShapeFile file;
    openPair(file, shp);
    EXPECT_EQ(file.Count(), 3);
    EXPECT_EQ(file.FileType(), 5);
    EXPECT_EQ(file.Left(), 0.0);
    EXPECT_EQ(file.Right(), 50.0);
    EXPECT_EQ(file.Bottom(), 0.0);
    EXPECT_EQ(file.Top(), 10.0);
    const Rings expected[] = {kSquare, kTriangle, kWithHole};
    for (int i = 1; i <= 3; ++i) {
        SCOPED_TRACE(i);
        auto polygon = polygonAt(file, i);
        ASSERT_TRUE(polygon);
        EXPECT_EQ(ringsOf(*polygon), expected[i - 1]);
        EXPECT_FALSE(polygon->IsNull());
    }
    auto hole = polygonAt(file, 3);
    EXPECT_EQ(hole->Left(), 40.0);
    EXPECT_EQ(hole->Right(), 50.0);
    EXPECT_EQ(hole->Item(2)->Left(), 42.0);
    // Any order, any number of times.
    EXPECT_EQ(ringsOf(*polygonAt(file, 1)), kSquare);
    expectAppError([&] { file.Item(4); }, vbObjectError + 518,
                   "The offset read from index file is larger then the mainfile size", "CShapeFile::Item");
    expectAppError([&] { file.Item(0); }, vbObjectError + 518, {}, "CShapeFile::Item");
    expectAppError([&] { file.Item(-7); }, vbObjectError + 518, {}, "CShapeFile::Item");
}

TEST(ShapefileReaderTest, NewObjectGivesNothing) {
    CShapeFile file;
    EXPECT_EQ(file.Count(), 0);
    EXPECT_EQ(file.FileType(), 0);
    EXPECT_EQ(file.Item(1), nullptr);
}

TEST(ShapefileReaderTest, PointFileWithoutTheEntryGivesNoObject) {
    const std::string shp = writePair(scratchDir("pts") + "/pts.shp", ShapeTypes::Point,
                                      {std::make_shared<CPoint>(1, 2), std::make_shared<CPoint>(3, 4)});
    CShapeFile file;
    openPair(file, shp);
    auto p = std::dynamic_pointer_cast<CPoint>(file.Item(2));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->X(), 3.0);
    EXPECT_EQ(p->Y(), 4.0);
    EXPECT_EQ(file.Item(3), nullptr);
}

TEST(ShapefileReaderTest, AnIndexBelowOneRaises518ForEveryShapeType) {
    auto multi = std::make_shared<CMultiPoint>();
    multi->Add(std::make_shared<CPoint>(1, 9));
    const Rings line = {{{0, 0}, {1, 1}}};
    const struct {
        const char* name;
        std::int32_t type;
        std::shared_ptr<IShape> shape;
    } cases[] = {
        {"point", ShapeTypes::Point, std::make_shared<CPoint>(1, 2)},
        {"polyline", ShapeTypes::PolyLine, shapeFromRings<CPolyLine>(line)},
        {"polygon", ShapeTypes::Polygon, shapeFromRings<CPolygon>(kSquare)},
        {"multipoint", ShapeTypes::MultiPoint, multi},
    };
    const std::string dir = scratchDir("below-one");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string shp = writePair(dir + "/" + c.name + ".shp", c.type, {c.shape});
        CShapeFile file;
        openPair(file, shp);
        for (const std::int32_t index : {0, -1, -7, INT32_MIN})
            expectAppError([&] { file.Item(index); }, vbObjectError + 518,
                           "The offset read from index file is larger then the mainfile size", "CShapeFile::Item");
        EXPECT_NE(file.Item(1), nullptr);
    }
}

TEST(ShapefileReaderTest, PolyLinesAndMultiPoints) {
    const std::string dir = scratchDir("kinds");
    const Rings lines = {{{0, 0}, {1, 1}, {2, 0}}, {{5, 5}, {6, 6}}};
    writePair(dir + "/lines.shp", ShapeTypes::PolyLine, {shapeFromRings<CPolyLine>(lines)});
    auto multi = std::make_shared<CMultiPoint>();
    multi->Add(std::make_shared<CPoint>(1, 9));
    multi->Add(std::make_shared<CPoint>(-3, 2));
    writePair(dir + "/multi.shp", ShapeTypes::MultiPoint, {multi});

    CShapeFile l;
    openPair(l, dir + "/lines.shp");
    auto line = std::dynamic_pointer_cast<CPolyLine>(l.Item(1));
    ASSERT_TRUE(line);
    EXPECT_EQ(ringsOf(*line), lines);
    CShapeFile m;
    openPair(m, dir + "/multi.shp");
    auto back = std::dynamic_pointer_cast<CMultiPoint>(m.Item(1));
    ASSERT_TRUE(back);
    ASSERT_EQ(back->Count(), 2);
    EXPECT_EQ(back->Item(2)->X(), -3.0);
    EXPECT_EQ(back->Left(), -3.0);
    EXPECT_EQ(back->Top(), 9.0);
    expectAppError([&] { m.Item(2); }, vbObjectError + 518);
}

TEST(ShapefileReaderTest, NullRecordInsideAPolygonFile) {
    auto nullPolygon = shapeFromRings<CPolygon>(kSquare);
    nullPolygon->MakeNull(true);
    const std::string shp = writePair(scratchDir("nullrec") + "/n.shp", ShapeTypes::Polygon,
                                      {shapeFromRings<CPolygon>(kTriangle), nullPolygon, shapeFromRings<CPolygon>(kSquare)});
    CShapeFile file;
    openPair(file, shp);
    auto empty = polygonAt(file, 2);
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->IsNull());
    EXPECT_EQ(empty->Count(), 0);
    EXPECT_EQ(ringsOf(*polygonAt(file, 3)), kSquare);
}

TEST(ShapefileReaderTest, PartTableSplitsThePoints) {
    // Parts = (0, 4) with 9 points: parts of 4 and 5 points.
    const Rings rings = {{{0, 0}, {0, 1}, {1, 1}, {0, 0}}, {{5, 5}, {5, 6}, {6, 6}, {6, 5}, {5, 5}}};
    const std::string shp = writePair(scratchDir("split") + "/s.shp", ShapeTypes::Polygon, {shapeFromRings<CPolygon>(rings)});
    CShapeFile file;
    openPair(file, shp);
    auto p = polygonAt(file, 1);
    ASSERT_EQ(p->Count(), 2);
    EXPECT_EQ(p->Item(1)->Count(), 4);
    EXPECT_EQ(p->Item(2)->Count(), 5);
}

TEST(ShapefileReaderTest, OtherExtensionsAndLetterCase) {
    const std::string dir = scratchDir("case");
    threePolygons(dir, "regions");
    // The chosen name may end in another extension: the .shp beside it is opened.
    for (const char* chosen : {"/regions.dbf", "/regions.SHP", "/regions.shp"}) {
        SCOPED_TRACE(chosen);
        CShapeFile file;
        openPair(file, dir + chosen);
        EXPECT_EQ(file.Count(), 3);
        EXPECT_EQ(file.shpPath(), dir + "/regions.shp");
    }
    // Files whose names differ in case are found too.
    std::filesystem::rename(dir + "/regions.shp", dir + "/REGIONS.SHP");
    std::filesystem::rename(dir + "/regions.shx", dir + "/Regions.Shx");
    CShapeFile file;
    openPair(file, dir + "/regions.shp");
    EXPECT_EQ(file.Count(), 3);
    EXPECT_EQ(file.shpPath(), dir + "/REGIONS.SHP");
    EXPECT_EQ(file.shxPath(), dir + "/Regions.Shx");
    EXPECT_EQ(ringsOf(*polygonAt(file, 2)), kTriangle);
}

TEST(ShapefileReaderTest, AFileThatCannotServeIsRefusedWithItsCauseNotAsMissing) {
    struct Case {
        const char* name;
        const char* replaced;  // the file of the pair that cannot serve
        int kind;              // 0 folder, 1 pipe, 2 unreadable
        std::string cause;
    } cases[] = {
        {"shp is a folder", "regions.shp", 0, "is a folder, not a file"},
        {"shx is a folder", "regions.shx", 0, "is a folder, not a file"},
        {"shp is a pipe", "regions.shp", 1, "is not a regular file"},
        {"shx is a pipe", "regions.shx", 1, "is not a regular file"},
        {"shx in another case is a pipe", "REGIONS.SHX", 1, "is not a regular file"},
        {"shp cannot be read", "regions.shp", 2, "cannot be read: permission denied"},
        {"shx cannot be read", "regions.shx", 2, "cannot be read: permission denied"},
    };
    UnprivilegedCases asNeeded;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const OpenScratchDir open("cannot-serve");
        const std::string dir = open.path();
        const std::string shp = threePolygons(dir);
        // Readable to all whatever the umask, so that only the file replaced fails.
        for (const char* file : {"/regions.shp", "/regions.shx"}) ASSERT_EQ(::chmod((dir + file).c_str(), 0644), 0);
        const std::string special = dir + "/" + c.replaced;
        std::unique_ptr<HeldPipe> pipe;
        if (c.kind == 2) {
            ASSERT_EQ(::chmod(special.c_str(), 0600), 0);
        } else {
            std::string own = c.replaced;  // the file of the pair under that name
            for (char& ch : own) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            std::filesystem::remove(dir + "/" + own);
            if (c.kind == 0) std::filesystem::create_directory(special);
            else pipe = std::make_unique<HeldPipe>(special);
        }
        auto run = [&] {
            CShapeFile file;
            expectAppError([&] { openPair(file, shp); }, RuntimeErrors::PathFileAccess,
                           "Path/File access error: " + special + " (" + c.cause + ")");
            EXPECT_EQ(file.Count(), 0);
        };
        asNeeded.run(c.kind == 2, run);
    }
    if (asNeeded.skipped()) GTEST_SKIP() << asNeeded.why();
}

TEST(ShapefileReaderTest, MissingFiles) {
    const std::string dir = scratchDir("missing");
    threePolygons(dir);
    std::filesystem::remove(dir + "/regions.shx");
    CShapeFile file;
    expectAppError([&] { openPair(file, dir + "/regions.shp"); }, vbObjectError + 524,
                   "The specified file " + dir + "/regions.shx does not exist.", "C_ShapeFile::SetFileSpec");
    CShapeFile other;
    expectAppError([&] { openPair(other, dir + "/nothing.shp"); }, vbObjectError + 524,
                   "The specified file " + dir + "/nothing.shp does not exist.", "C_ShapeFile::SetFileSpec");
    // Reading never creates a file.
    EXPECT_FALSE(std::filesystem::exists(dir + "/regions.shx"));
    EXPECT_FALSE(std::filesystem::exists(dir + "/nothing.shp"));
    CShapeFile invalid;
    expectAppError([&] { invalid.SetFileSpec(CFileName(), 0); }, vbObjectError + 515, "The FileSpec is invalid",
                   "C_FileName::SetFileSpec");
}

TEST(ShapefileReaderTest, BadFileCodes) {
    struct Case {
        const char* name;
        const char* file;
        std::size_t keep;  // bytes kept (whole file when 0)
        bool corruptCode;
        const char* description;
    };
    const Case cases[] = {
        {"shx code", "shx", 0, true, "The shx file has an invalid shape code in the main header."},
        {"shp code", "shp", 0, true, "The shp file has an invalid shape code in the main header."},
        {"empty shx", "shx", 1, false, "The shx file has an invalid shape code in the main header."},
        {"shp shorter than its header", "shp", 60, false, "The shp file has an invalid shape code in the main header."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string dir = scratchDir("code");
        const std::string shp = threePolygons(dir);
        const std::string target = std::string(c.file) == "shx" ? shxOf(shp) : shp;
        Bytes b = fileBytes(target);
        if (c.corruptCode) setBe32(b, 0, 9995);
        if (c.keep) b.resize(c.keep - 1);
        putFileBytes(target, b);
        CShapeFile file;
        expectAppError([&] { openPair(file, shp); }, vbObjectError + 519, c.description, "C_ShapeFile::SetFileSpec");
    }
}

TEST(ShapefileReaderTest, CountFromTheIndexLength) {
    struct Case {
        std::int32_t fileLength;
        std::int32_t count;
    };
    // (FileLength - 50) / 4 with halves to even; never below 0.
    // The count never exceeds the three entries the file holds.
    const Case cases[] = {{50, 0}, {52, 0}, {54, 1}, {56, 2}, {58, 2}, {62, 3}, {10, 0}, {-100, 0},
                          {50 + 4 * 1000, 3}, {0x7fffffff, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fileLength);
        const std::string shp = threePolygons(scratchDir("count"));
        Bytes x = fileBytes(shxOf(shp));
        setBe32(x, 24, c.fileLength);
        putFileBytes(shxOf(shp), x);
        CShapeFile file;
        openPair(file, shp);
        EXPECT_EQ(file.Count(), c.count);
    }
    // With 56 words only entry 1 lies wholly within the stated length.
    const std::string shp = threePolygons(scratchDir("count56"));
    Bytes x = fileBytes(shxOf(shp));
    setBe32(x, 24, 56);
    putFileBytes(shxOf(shp), x);
    CShapeFile file;
    openPair(file, shp);
    EXPECT_EQ(ringsOf(*polygonAt(file, 1)), kSquare);
    expectAppError([&] { file.Item(2); }, vbObjectError + 518, {}, "CShapeFile::Item");
}

TEST(ShapefileReaderTest, HeaderOnlyPair) {
    const std::string shp = writePair(scratchDir("hdr") + "/h.shp", ShapeTypes::Polygon, {});
    CShapeFile file;
    openPair(file, shp);
    EXPECT_EQ(file.Count(), 0);
    expectAppError([&] { file.Item(1); }, vbObjectError + 518);
}

TEST(ShapefileReaderTest, UnknownFileTypeGivesNoObject) {
    const std::string shp = threePolygons(scratchDir("type13"));
    Bytes s = fileBytes(shp);
    setLe32(s, 32, 13);
    putFileBytes(shp, s);
    CShapeFile file;
    openPair(file, shp);
    EXPECT_EQ(file.FileType(), 13);
    EXPECT_EQ(file.Item(1), nullptr);
}

// Each case damages a valid pair of three polygons and reads one record.
struct DamageCase {
    const char* name;
    std::function<void(Bytes& shp, Bytes& shx)> damage;
    std::int32_t index;
    std::int32_t number;
};

void PrintTo(const DamageCase& c, std::ostream* os) { *os << c.name; }

class ShapefileDamageTest : public ::testing::TestWithParam<DamageCase> {};

TEST_P(ShapefileDamageTest, RaisesTheNumberedError) {
    const DamageCase& c = GetParam();
    const std::string shp = threePolygons(scratchDir("damage"));
    Bytes s = fileBytes(shp), x = fileBytes(shxOf(shp));
    c.damage(s, x);
    putFileBytes(shp, s);
    putFileBytes(shxOf(shp), x);
    CShapeFile file;
    openPair(file, shp);
    expectAppError([&] { file.Item(c.index); }, c.number, {}, "CShapeFile::Item");
    // The record before the damage still reads.
    if (c.index > 1) {
        EXPECT_EQ(ringsOf(*polygonAt(file, 1)), kSquare);
    }
}

constexpr std::int32_t k517 = vbObjectError + 517;
constexpr std::int32_t k518 = vbObjectError + 518;
constexpr std::int32_t k526 = vbObjectError + 526;
constexpr std::int32_t k9 = RuntimeErrors::SubscriptOutOfRange;

INSTANTIATE_TEST_SUITE_P(
    Damaged, ShapefileDamageTest,
    ::testing::Values(
        DamageCase{"record number differs", [](Bytes& s, Bytes&) { setBe32(s, kRecord2, 7); }, 2, k517},
        DamageCase{"record of another type", [](Bytes& s, Bytes&) { setLe32(s, kRecord2 + 8, 3); }, 2, k526},
        DamageCase{"shp truncated inside record 2", [](Bytes& s, Bytes&) { s.resize(kRecord2 + 60); }, 2, k9},
        DamageCase{"shp truncated before record 3", [](Bytes& s, Bytes&) { s.resize(kRecord2 + 8 + 2 * 56); }, 3, k518},
        DamageCase{"shp truncated inside record 2's header", [](Bytes& s, Bytes&) { s.resize(kRecord2 + 5); }, 2, k518},
        DamageCase{"index offset past the end", [](Bytes&, Bytes& x) { setBe32(x, 108, 1 << 30); }, 2, k518},
        DamageCase{"negative index offset", [](Bytes&, Bytes& x) { setBe32(x, 108, -20); }, 2, k518},
        DamageCase{"index offset inside the header", [](Bytes&, Bytes& x) { setBe32(x, 108, 10); }, 2, k518},
        DamageCase{"index states more entries than it holds",
                   [](Bytes&, Bytes& x) { setBe32(x, 24, 50 + 4 * 1000); }, 4, k518},
        DamageCase{"index truncated", [](Bytes&, Bytes& x) { x.resize(112); }, 2, k518},
        DamageCase{"zero part count", [](Bytes& s, Bytes&) { setLe32(s, kRecord2 + 44, 0); }, 2, k9},
        DamageCase{"negative part count", [](Bytes& s, Bytes&) { setLe32(s, kRecord2 + 44, -3); }, 2, k9},
        DamageCase{"huge part count", [](Bytes& s, Bytes&) { setLe32(s, kRecord2 + 44, 0x7fffffff); }, 2, k9},
        DamageCase{"negative point count", [](Bytes& s, Bytes&) { setLe32(s, kRecord2 + 48, -1); }, 2, k9},
        DamageCase{"huge point count", [](Bytes& s, Bytes&) { setLe32(s, kRecord2 + 48, 0x7fffffff); }, 2, k9},
        DamageCase{"first part not at 0", [](Bytes& s, Bytes&) { setLe32(s, kRecord2 + 52, 1); }, 2, k9},
        DamageCase{"part past the points",
                   [](Bytes& s, Bytes&) {
                       // Record 3 has two parts; its second starts beyond its 10 points.
                       const std::size_t r3 = kRecord2 + 8 + 2 * 56;
                       setLe32(s, r3 + 56, 11);
                   },
                   3, k9},
        DamageCase{"parts out of order",
                   [](Bytes& s, Bytes&) {
                       const std::size_t r3 = kRecord2 + 8 + 2 * 56;
                       setLe32(s, r3 + 44 + 8, 0);
                       setLe32(s, r3 + 56, -1);
                   },
                   3, k9}),
    CaseNameOf());

TEST(ShapefileReaderTest, HugePointCountInTheLastRecordDoesNotAllocate) {
    // The last record claims 2^31 - 1 points; the file holds 10.
    const std::string shp = threePolygons(scratchDir("hugepts"));
    Bytes s = fileBytes(shp);
    setLe32(s, kRecord2 + 8 + 2 * 56 + 48, 0x7fffffff);
    putFileBytes(shp, s);
    CShapeFile file;
    openPair(file, shp);
    expectAppError([&] { file.Item(3); }, RuntimeErrors::SubscriptOutOfRange, {}, "CShapeFile::Item");
}
