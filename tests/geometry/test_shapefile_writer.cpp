// The writer: exact record layouts, headers kept complete after every
// record, the type checks, and no lost record when a write fails.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <limits>

#include "tests/geometry/ShapefileTestUtil.h"

namespace {

std::shared_ptr<IShape> point(double x, double y) { return std::make_shared<CPoint>(x, y); }

void expectHeader(const Bytes& b, std::int32_t fileLength, std::int32_t type, double xmin, double ymin, double xmax,
                  double ymax) {
    ASSERT_GE(b.size(), 100u);
    EXPECT_EQ(be32(b, 0), 9994);
    for (std::size_t off = 4; off < 24; off += 4) EXPECT_EQ(be32(b, off), 0);
    EXPECT_EQ(be32(b, 24), fileLength);
    EXPECT_EQ(le32(b, 28), 1000);
    EXPECT_EQ(le32(b, 32), type);
    EXPECT_EQ(f64(b, 36), xmin);
    EXPECT_EQ(f64(b, 44), ymin);
    EXPECT_EQ(f64(b, 52), xmax);
    EXPECT_EQ(f64(b, 60), ymax);
    for (std::size_t off = 68; off < 100; off += 8) EXPECT_EQ(f64(b, off), 0.0);
}

}  // namespace

TEST(ShapefileWriterTest, EmptyPairIsTwoHeaders) {
    const std::string shp = writePair(scratchDir("empty") + "/pts.shp", ShapeTypes::Point, {});
    const Bytes s = fileBytes(shp), x = fileBytes(shxOf(shp));
    EXPECT_EQ(s.size(), 100u);
    EXPECT_EQ(x.size(), 100u);
    expectHeader(s, 50, 1, 0, 0, 0, 0);
    expectHeader(x, 50, 1, 0, 0, 0, 0);
    CShapeFile again;
    again.SetFileSpec(fileSpec(shp), 0);
    EXPECT_EQ(again.Count(), 0);
    EXPECT_EQ(again.FileType(), 1);
}

TEST(ShapefileWriterTest, ThreePointsLayout) {
    const std::string shp =
        writePair(scratchDir("points") + "/pts.shp", ShapeTypes::Point, {point(1, 2), point(3, -1), point(2, 0.5)});
    const Bytes s = fileBytes(shp), x = fileBytes(shxOf(shp));
    ASSERT_EQ(s.size(), 184u);
    ASSERT_EQ(x.size(), 124u);
    expectHeader(s, 92, 1, 1, -1, 3, 2);
    expectHeader(x, 62, 1, 1, -1, 3, 2);
    // Index entries: offsets 50, 64, 78 words, content length 10.
    const std::int32_t offsets[] = {50, 64, 78};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i + 1);
        EXPECT_EQ(be32(x, 100 + 8 * i), offsets[i]);
        EXPECT_EQ(be32(x, 104 + 8 * i), 10);
        const std::size_t rec = 2 * static_cast<std::size_t>(offsets[i]);
        EXPECT_EQ(be32(s, rec), i + 1);
        EXPECT_EQ(be32(s, rec + 4), 10);
        EXPECT_EQ(le32(s, rec + 8), 1);
    }
    EXPECT_EQ(f64(s, 128 + 12), 3.0);
    EXPECT_EQ(f64(s, 128 + 20), -1.0);
}

TEST(ShapefileWriterTest, TwoRingPolygonLayout) {
    auto polygon = makeShape<CPolygon>({{{0, 0}, {0, 4}, {4, 4}, {4, 0}, {0, 0}}, {{5, 5}, {6, 5}, {5, 7}, {5, 5}}});
    const std::string shp = writePair(scratchDir("poly") + "/poly.shp", ShapeTypes::Polygon, {polygon});
    const Bytes s = fileBytes(shp), x = fileBytes(shxOf(shp));
    ASSERT_EQ(s.size(), 100u + 8 + 196);
    expectHeader(s, (100 + 8 + 196) / 2, 5, 0, 0, 6, 7);
    expectHeader(x, 54, 5, 0, 0, 6, 7);
    EXPECT_EQ(be32(x, 100), 50);
    EXPECT_EQ(be32(x, 104), 98);
    const std::size_t r = 100;
    EXPECT_EQ(be32(s, r), 1);
    EXPECT_EQ(be32(s, r + 4), 98);
    EXPECT_EQ(le32(s, r + 8), 5);
    EXPECT_EQ(f64(s, r + 12), 0.0);  // Xmin
    EXPECT_EQ(f64(s, r + 20), 0.0);  // Ymin
    EXPECT_EQ(f64(s, r + 28), 6.0);  // Xmax
    EXPECT_EQ(f64(s, r + 36), 7.0);  // Ymax
    EXPECT_EQ(le32(s, r + 44), 2);   // NumParts
    EXPECT_EQ(le32(s, r + 48), 9);   // NumPoints
    EXPECT_EQ(le32(s, r + 52), 0);
    EXPECT_EQ(le32(s, r + 56), 5);
    EXPECT_EQ(f64(s, r + 60 + 16 * 1 + 8), 4.0);  // point 2, Y
    EXPECT_EQ(f64(s, r + 60 + 16 * 5), 5.0);      // ring 2, point 1, X
    EXPECT_EQ(f64(s, r + 60 + 16 * 7 + 8), 7.0);  // ring 2, point 3, Y
}

TEST(ShapefileWriterTest, ContentLengthsOfEveryType) {
    struct Case {
        const char* name;
        std::int32_t type;
        std::shared_ptr<IShape> shape;
        std::int32_t words;
    };
    auto multi = std::make_shared<CMultiPoint>();
    multi->Add(std::make_shared<CPoint>(1, 1));
    multi->Add(std::make_shared<CPoint>(2, 3));
    auto nullPolygon = makeShape<CPolygon>({{{0, 0}, {1, 1}, {0, 0}}});
    nullPolygon->MakeNull(true);
    const Case cases[] = {
        {"point", 1, point(1, 1), 10},
        {"polyline of 3", 3, makeShape<CPolyLine>({{{0, 0}, {1, 1}, {2, 0}}}), (44 + 4 + 48) / 2},
        {"one ring of 5", 5, makeShape<CPolygon>({{{0, 0}, {0, 1}, {1, 1}, {1, 0}, {0, 0}}}), 64},
        {"multipoint of 2", 8, multi, (40 + 32) / 2},
        {"null polygon", 5, nullPolygon, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string shp = writePair(scratchDir("lengths") + "/a.shp", c.type, {c.shape});
        const Bytes s = fileBytes(shp), x = fileBytes(shxOf(shp));
        EXPECT_EQ(be32(x, 104), c.words);
        EXPECT_EQ(be32(s, 104), c.words);
        EXPECT_EQ(s.size(), 100u + 8 + 2 * static_cast<std::size_t>(c.words));
        EXPECT_EQ(be32(s, 24) * 2, static_cast<std::int32_t>(s.size()));
        EXPECT_EQ(le32(s, 108), c.shape->IsNull() ? 0 : c.type);
    }
}

TEST(ShapefileWriterTest, NullPointIsATwelveByteRecordAndKeepsTheBox) {
    auto nullPoint = std::make_shared<CPoint>(50, 50);
    nullPoint->MakeNull(true);
    const std::string shp =
        writePair(scratchDir("null") + "/pts.shp", ShapeTypes::Point, {point(1, 2), nullPoint});
    const Bytes s = fileBytes(shp), x = fileBytes(shxOf(shp));
    ASSERT_EQ(s.size(), 100u + 28 + 12);
    EXPECT_EQ(be32(x, 108), 64);
    EXPECT_EQ(be32(x, 112), 2);
    EXPECT_EQ(be32(s, 128), 2);
    EXPECT_EQ(be32(s, 132), 2);
    EXPECT_EQ(le32(s, 136), 0);
    expectHeader(s, 70, 1, 1, 2, 1, 2);
    expectHeader(x, 58, 1, 1, 2, 1, 2);
}

TEST(ShapefileWriterTest, LeadingNullRecordDoesNotPullTheBoxToTheOrigin) {
    auto nullPoint = std::make_shared<CPoint>();
    nullPoint->MakeNull(true);
    const std::string shp =
        writePair(scratchDir("leadnull") + "/pts.shp", ShapeTypes::Point, {nullPoint, point(5, 6), point(7, 9)});
    expectHeader(fileBytes(shp), (100 + 12 + 56) / 2, 1, 5, 6, 7, 9);
}

TEST(ShapefileWriterTest, ShapeTypeChecks) {
    const std::string dir = scratchDir("types");
    struct Case {
        const char* name;
        std::int32_t fileType;
        std::shared_ptr<IShape> shape;
        std::int32_t number;
        const char* description;
    };
    auto nullLine = makeShape<CPolyLine>({{{0, 0}, {1, 1}}});
    nullLine->MakeNull(true);
    const Case cases[] = {
        {"point into polygon file", 5, point(1, 1), vbObjectError + 528,
         "Cannot add type CPoint to a ShapeFile initialized as other type"},
        {"polyline into point file", 1, makeShape<CPolyLine>({{{0, 0}, {1, 1}}}), vbObjectError + 528,
         "Cannot add type CPolyline to a ShapeFile initialized as other type"},
        {"null polyline into polygon file", 5, nullLine, vbObjectError + 528,
         "Cannot add type CPolyline to a ShapeFile initialized as other type"},
        {"polygon into polyline file", 3, makeShape<CPolygon>({{{0, 0}, {1, 1}, {0, 0}}}), vbObjectError + 528,
         "Cannot add type CPolygon to a ShapeFile initialized as other type"},
        {"multipoint into point file", 1, std::make_shared<CMultiPoint>(), vbObjectError + 528,
         "Cannot add type CMultiPoint to a ShapeFile initialized as other type"},
        {"rectangle", 5, std::make_shared<CRect>(), vbObjectError + 529, "Invalid shape type"},
        {"missing shape", 5, nullptr, vbObjectError + 529, "Invalid shape type"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CShapeFile file;
        file.SetFileSpec(fileSpec(dir + "/t.shp"), CREATEIT, c.fileType);
        expectAppError([&] { file.Add(c.shape); }, c.number, c.description, "CShapeFile::Add");
        EXPECT_EQ(file.Count(), 0);
        EXPECT_EQ(fileBytes(dir + "/t.shp").size(), 100u);
        EXPECT_EQ(fileBytes(dir + "/t.shx").size(), 100u);
    }
}

TEST(ShapefileWriterTest, MissingOrUnknownTypeTouchesNoFile) {
    const std::string dir = scratchDir("notype");
    const std::string shp = writePair(dir + "/keep.shp", ShapeTypes::Point, {point(1, 1)});
    const Bytes before = fileBytes(shp);
    CShapeFile file;
    expectAppError([&] { file.SetFileSpec(fileSpec(shp), CREATEIT); }, vbObjectError + 525,
                   "The ShapeType argument is not optional when argument status is CREATEIT", "C_ShapeFile::SetFileSpec");
    expectAppError([&] { file.SetFileSpec(fileSpec(shp), CREATEIT, 13); }, vbObjectError + 525, {},
                   "C_ShapeFile::SetFileSpec");
    expectAppError([&] { file.SetFileSpec(fileSpec(shp), 2, 1); }, RuntimeErrors::InvalidArgument);
    EXPECT_EQ(fileBytes(shp), before);
    EXPECT_EQ(fileBytes(shxOf(shp)).size(), 108u);
}

TEST(ShapefileWriterTest, ShapeWithoutPartsWritesNothing) {
    const std::string dir = scratchDir("noparts");
    CShapeFile file;
    file.SetFileSpec(fileSpec(dir + "/p.shp"), CREATEIT, ShapeTypes::Polygon);
    expectAppError([&] { file.Add(std::make_shared<CPolygon>()); }, RuntimeErrors::SubscriptOutOfRange, {},
                   "CShapeFile::PutPolygon");
    expectAppError([&] { file.Add(std::make_shared<CPolyLine>()); }, vbObjectError + 528);
    EXPECT_EQ(file.Count(), 0);
    EXPECT_EQ(fileBytes(dir + "/p.shp").size(), 100u);
    EXPECT_EQ(fileBytes(dir + "/p.shx").size(), 100u);
}

TEST(ShapefileWriterTest, CoordinatesThatAreNotNumbersWriteNothing) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    auto multi = std::make_shared<CMultiPoint>();
    multi->Add(std::make_shared<CPoint>(1, 1));
    multi->Add(std::make_shared<CPoint>(2, -inf));
    struct Case {
        const char* name;
        std::int32_t type;
        std::shared_ptr<IShape> shape;
        std::int32_t number;
        const char* source;
    };
    const Case cases[] = {
        {"point with NaN", 1, point(nan, 1), RuntimeErrors::InvalidArgument, "C_ShapeFile::PutPoints"},
        {"point with infinity", 1, point(1, inf), RuntimeErrors::Overflow, "C_ShapeFile::PutPoints"},
        {"polygon vertex", 5, makeShape<CPolygon>({{{0, 0}, {0, 1}, {1, 1}, {0, 0}}, {{5, 5}, {nan, 6}, {5, 5}}}),
         RuntimeErrors::InvalidArgument, "CShapeFile::PutPolygon"},
        {"polyline box", 3, makeShape<CPolyLine>({{{0, 0}, {inf, 1}}}), RuntimeErrors::Overflow, "CShapeFile::PutPolyLine"},
        {"multipoint", 8, multi, RuntimeErrors::Overflow, "CShapeFile::PutMultiPoints"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string dir = scratchDir("nonfinite");
        CShapeFile file;
        file.SetFileSpec(fileSpec(dir + "/a.shp"), CREATEIT, c.type);
        expectAppError([&] { file.Add(c.shape); }, c.number, {}, c.source);
        EXPECT_EQ(file.Count(), 0);
        EXPECT_EQ(file.Left(), 0.0);
        EXPECT_EQ(fileBytes(dir + "/a.shp").size(), 100u);
        EXPECT_EQ(fileBytes(dir + "/a.shx").size(), 100u);
    }
}

TEST(ShapefileWriterTest, UnwritableFolderRaisesAndCreatesNothing) {
    const std::string dir = scratchDir("readonly");
    ::chmod(dir.c_str(), 0555);
    CShapeFile file;
    try {
        file.SetFileSpec(fileSpec(dir + "/p.shp"), CREATEIT, ShapeTypes::Polygon);
        // Running as root ignores the folder's mode; nothing to check then.
        if (::geteuid() != 0) ADD_FAILURE() << "created a pair in a read-only folder";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), 75);
        EXPECT_FALSE(std::filesystem::exists(dir + "/p.shp"));
    }
    ::chmod(dir.c_str(), 0755);
    // A folder that refuses new files whoever asks.
    CShapeFile proc;
    expectAppError([&] { proc.SetFileSpec(fileSpec("/proc/korvane-test.shp"), CREATEIT, 5); }, 75);
    EXPECT_FALSE(std::filesystem::exists("/proc/korvane-test.shp"));
    CShapeFile missing;
    expectAppError([&] { missing.SetFileSpec(fileSpec(dir + "/no/such/folder/p.shp"), CREATEIT, 5); }, 75);
}

TEST(ShapefileWriterTest, FailedWriteCutsBothFilesBackToTheLastRecord) {
    const std::string dir = scratchDir("efbig");
    CShapeFile file;
    file.SetFileSpec(fileSpec(dir + "/p.shp"), CREATEIT, ShapeTypes::Polygon);
    file.Add(makeShape<CPolygon>({{{0, 0}, {0, 1}, {1, 1}, {0, 0}}}));
    const Bytes shpBefore = fileBytes(dir + "/p.shp"), shxBefore = fileBytes(dir + "/p.shx");

    // A ring far too large for the file-size limit set below.
    Rings big(1);
    for (int i = 0; i < 5000; ++i) big[0].emplace_back(100.0 + i, 200.0 + i);
    big[0].push_back(big[0].front());

    struct rlimit old {};
    ::getrlimit(RLIMIT_FSIZE, &old);
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    try {
        file.Add(shapeFromRings<CPolygon>(big));
        ADD_FAILURE() << "the write beyond the limit succeeded";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), 75);
        EXPECT_EQ(e.source(), "CShapeFile::PutPolygon");
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(file.Count(), 1);
    EXPECT_EQ(file.Right(), 1.0);
    EXPECT_EQ(fileBytes(dir + "/p.shp"), shpBefore);
    EXPECT_EQ(fileBytes(dir + "/p.shx"), shxBefore);
    // The pair goes on as if the failed record had never been tried.
    file.Add(makeShape<CPolygon>({{{2, 2}, {2, 3}, {3, 3}, {2, 2}}}));
    CShapeFile reader;
    reader.SetFileSpec(fileSpec(dir + "/p.shp"), 0);
    ASSERT_EQ(reader.Count(), 2);
    auto second = std::dynamic_pointer_cast<CPolygon>(reader.Item(2));
    ASSERT_TRUE(second);
    EXPECT_EQ(ringsOf(*second), (Rings{{{2, 2}, {2, 3}, {3, 3}, {2, 2}}}));
    EXPECT_EQ(reader.Right(), 3.0);
}

TEST(ShapefileWriterTest, FailedHeaderWriteLeavesNoHalfPair) {
    // The headers do not fit under the file-size limit: neither file of
    // the new pair may remain, cut short or empty.
    const std::string dir = scratchDir("hdrfail");
    const std::string shp = writePair(dir + "/p.shp", ShapeTypes::Point, {point(1, 1)});
    struct rlimit old {};
    ::getrlimit(RLIMIT_FSIZE, &old);
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 50;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    CShapeFile file;
    try {
        file.SetFileSpec(fileSpec(shp), CREATEIT, ShapeTypes::Polygon);
        ADD_FAILURE() << "headers beyond the limit were written";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), 75);
        EXPECT_EQ(e.source(), "CShapeFile::PutMainHeaders");
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(std::filesystem::exists(shp));
    EXPECT_FALSE(std::filesystem::exists(shxOf(shp)));
    EXPECT_EQ(file.FileType(), 0);
    EXPECT_EQ(file.Count(), 0);
    // Nothing is open to append to.
    expectAppError([&] { file.Add(point(2, 2)); }, vbObjectError + 528);
    // The same object creates the pair once the folder takes it.
    file.SetFileSpec(fileSpec(shp), CREATEIT, ShapeTypes::Point);
    file.Add(point(2, 2));
    EXPECT_EQ(fileBytes(shp).size(), 128u);
    EXPECT_EQ(fileBytes(shxOf(shp)).size(), 108u);
}

TEST(ShapefileWriterTest, AppendingToAnOpenedPairContinuesItsNumbering) {
    const std::string shp = writePair(scratchDir("append") + "/pts.shp", ShapeTypes::Point, {point(1, 1), point(2, 2)});
    {
        CShapeFile file;
        file.SetFileSpec(fileSpec(shp), 0);
        ASSERT_EQ(file.Count(), 2);
        file.Add(point(-4, 9));
        EXPECT_EQ(file.Count(), 3);
        EXPECT_EQ(file.Left(), -4.0);
        EXPECT_EQ(file.Top(), 9.0);
        auto third = std::dynamic_pointer_cast<CPoint>(file.Item(3));
        ASSERT_TRUE(third);
        EXPECT_EQ(third->X(), -4.0);
    }
    const Bytes s = fileBytes(shp);
    EXPECT_EQ(be32(s, 100 + 2 * 28), 3);
    expectHeader(s, (100 + 3 * 28) / 2, 1, -4, 1, 2, 9);
}

TEST(ShapefileWriterTest, AppendingToAReopenedPairWidensTheBoxItsHeaderHolds) {
    // A header box of all zeros is a real extent once a record has geometry
    // (here the first one lies at the origin); after null records only, the
    // next record with geometry sets the box, as in a new pair.
    auto nullPoint = std::make_shared<CPoint>();
    nullPoint->MakeNull(true);
    auto multiAt = [](std::vector<XY> xy) {
        auto m = std::make_shared<CMultiPoint>();
        for (const auto& [x, y] : xy) m->Add(std::make_shared<CPoint>(x, y));
        return m;
    };
    struct Case {
        const char* name;
        std::int32_t type;
        std::vector<std::shared_ptr<IShape>> written;
        std::shared_ptr<IShape> added;
        double xmin, ymin, xmax, ymax;
    } cases[] = {
        {"point at the origin", ShapeTypes::Point, {point(0, 0)}, point(3, 4), 0, 0, 3, 4},
        {"point at the origin, then a null", ShapeTypes::Point, {point(0, 0), nullPoint}, point(-2, -5), -2, -5, 0, 0},
        {"multipoint at the origin", ShapeTypes::MultiPoint, {multiAt({{0, 0}})}, multiAt({{1, 2}, {6, 1}}), 0, 0, 6, 2},
        {"null records only", ShapeTypes::Point, {nullPoint, nullPoint}, point(5, 6), 5, 6, 5, 6},
        {"a box away from the origin", ShapeTypes::Point, {point(1, 1), point(2, 2)}, point(3, 0), 1, 0, 3, 2},
    };
    const std::string dir = scratchDir("reopen-box");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string shp = writePair(dir + "/r.shp", c.type, c.written);
        {
            CShapeFile file;
            file.SetFileSpec(fileSpec(shp), 0);
            file.Add(c.added);
            EXPECT_EQ(file.Left(), c.xmin);
            EXPECT_EQ(file.Bottom(), c.ymin);
            EXPECT_EQ(file.Right(), c.xmax);
            EXPECT_EQ(file.Top(), c.ymax);
        }
        const Bytes s = fileBytes(shp), x = fileBytes(shxOf(shp));
        expectHeader(s, static_cast<std::int32_t>(s.size() / 2), c.type, c.xmin, c.ymin, c.xmax, c.ymax);
        expectHeader(x, static_cast<std::int32_t>(x.size() / 2), c.type, c.xmin, c.ymin, c.xmax, c.ymax);
    }
}

TEST(ShapefileWriterTest, RecreatingReplacesTheOldPair) {
    const std::string shp = writePair(scratchDir("recreate") + "/pts.shp", ShapeTypes::Point, {point(1, 1), point(2, 2)});
    writePair(shp, ShapeTypes::Polygon, {});
    EXPECT_EQ(fileBytes(shp).size(), 100u);
    EXPECT_EQ(fileBytes(shxOf(shp)).size(), 100u);
    EXPECT_EQ(le32(fileBytes(shp), 32), 5);
}

TEST(ShapefileWriterTest, SwapBytes) {
    EXPECT_EQ(CShapeFile::SwapBytes(0x01020304), 0x04030201);
    EXPECT_EQ(CShapeFile::SwapBytes(9994), static_cast<std::int32_t>(0x0A270000));
    EXPECT_EQ(CShapeFile::SwapBytes(-1), -1);
    EXPECT_EQ(CShapeFile::SwapBytes(CShapeFile::SwapBytes(-123456789)), -123456789);
}
