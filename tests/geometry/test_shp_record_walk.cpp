// The walk over the records of a .shp read from its file a block at a
// time: it meets the same records, with the same bytes, and stops with the
// same words as the walk over the file held whole, wherever the records
// fall against its blocks; it refuses a record longer than it may hold, and
// a name that is no regular file is never opened.
#include <gtest/gtest.h>
#include <shapefil.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "geometry/ShpRecords.h"
#include "platform/FileChecks.h"
#include "tests/geometry/ShapefileTestUtil.h"
#include "tests/support/SpecialFiles.h"
#include "tests/support/TestPaths.h"

namespace {

// One polygon record per count, a ring of that many vertices (closed).
std::string writeRings(const std::string& base, const std::vector<int>& vertices) {
    SHPHandle h = SHPCreate(base.c_str(), SHPT_POLYGON);
    EXPECT_NE(h, nullptr);
    for (std::size_t r = 0; r < vertices.size(); ++r) {
        std::vector<double> xs, ys;
        for (int k = 0; k + 1 < vertices[r]; ++k) {
            xs.push_back(static_cast<double>(r) * 10 + (k % 2));
            ys.push_back(k);
        }
        xs.push_back(xs.front());
        ys.push_back(ys.front());
        SHPObject* o = SHPCreateSimpleObject(SHPT_POLYGON, static_cast<int>(xs.size()), xs.data(), ys.data(), nullptr);
        SHPWriteObject(h, -1, o);
        SHPDestroyObject(o);
    }
    SHPClose(h);
    return base + ".shp";
}

struct Seen {
    std::int32_t index;
    std::int64_t offset;
    std::int32_t shapeType;
    Bytes body;
    bool operator==(const Seen&) const = default;
};

struct Walked {
    std::vector<Seen> records;
    ShpRecords::WalkEnd end;
};

Walked walkHeld(const Bytes& file, std::int64_t limit) {
    Walked w;
    w.end = ShpRecords::walk(file, limit, [&](const ShpRecords::Record& r) {
        w.records.push_back({r.index, r.offset, r.shapeType, Bytes(r.body, r.body + r.bodyBytes)});
    });
    return w;
}

Walked walkRead(const std::string& path, std::int64_t limit, std::int64_t most = INT64_MAX) {
    Walked w;
    RegularFileReader file(path);
    EXPECT_TRUE(file.isOpen()) << path;
    w.end = ShpRecords::walk(
        file, limit,
        [&](const ShpRecords::Record& r) {
            w.records.push_back({r.index, r.offset, r.shapeType, Bytes(r.body, r.body + r.bodyBytes)});
        },
        most);
    return w;
}

}  // namespace

TEST(ShpRecordWalk, ReadFromTheFileItMeetsWhatTheWholeBytesHold) {
    const std::string dir = scratchDir("shp-record-walk");
    // Small records that share blocks, records of about a block, records of
    // several blocks, and small ones after them that straddle block edges.
    const std::vector<int> vertices = {5, 9, 600, 1023, 1024, 1025, 5, 3000, 7, 2047, 11, 4100, 5, 5};
    const std::string shp = writeRings(dir + "/rings", vertices);
    const Bytes bytes = fileBytes(shp);
    const auto size = static_cast<std::int64_t>(bytes.size());

    const struct {
        const char* name;
        std::function<void(Bytes&)> spoil;
    } cases[] = {
        {"whole", [](Bytes&) {}},
        {"cut inside a long record", [](Bytes& b) { b.resize(b.size() - 20000); }},
        {"cut inside a record header", [&](Bytes& b) { b.resize(static_cast<std::size_t>(walkHeld(b, size).records[9].offset) + 3); }},
        {"a length beyond the file", [&](Bytes& b) { setBe32(b, static_cast<std::size_t>(walkHeld(b, size).records[4].offset) + 4, 0x3FFFFFFF); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes spoilt = bytes;
        c.spoil(spoilt);
        putFileBytes(dir + "/copy.shp", spoilt);
        const auto spoiltSize = static_cast<std::int64_t>(spoilt.size());
        for (const std::int64_t limit : {spoiltSize, spoiltSize / 2, std::int64_t{100}}) {
            SCOPED_TRACE(limit);
            const Walked held = walkHeld(spoilt, limit);
            const Walked read = walkRead(dir + "/copy.shp", limit);
            EXPECT_EQ(read.records, held.records);
            EXPECT_EQ(read.end.records, held.end.records);
            EXPECT_EQ(read.end.problem, held.end.problem);
        }
    }
    EXPECT_EQ(walkRead(shp, size).records.size(), vertices.size());
}

TEST(ShpRecordWalk, ARecordLongerThanItMayHoldEndsTheWalkUnread) {
    const std::string dir = scratchDir("shp-record-walk-most");
    const std::string shp = writeRings(dir + "/rings", {5, 2000, 5});
    const auto size = static_cast<std::int64_t>(std::filesystem::file_size(shp));
    const Walked read = walkRead(shp, size, 1000);
    ASSERT_EQ(read.records.size(), 1u);
    EXPECT_EQ(read.end.records, 1);
    EXPECT_EQ(read.end.problem, "the length of record 2 is more than the whole file held when it was opened");
    EXPECT_EQ(walkRead(shp, size, size).records.size(), 3u);
}

TEST(ShpRecordWalk, ANameThatIsNoRegularFileIsNeverOpened) {
    const std::string dir = scratchDir("shp-record-walk-kinds");
    std::filesystem::create_directory(dir + "/folder.shp");
    HeldPipe pipe(dir + "/pipe.shp");
    const std::string plain = writeRings(dir + "/plain", {5});
    const struct {
        std::string path;
        FileKind kind;
        const char* problem;
    } cases[] = {
        {dir + "/folder.shp", FileKind::Folder, "is a folder, not a file"},
        {dir + "/pipe.shp", FileKind::Other, "is not a regular file"},
        {"/dev/zero", FileKind::Other, "is not a regular file"},
        {dir + "/none.shp", FileKind::Missing, "does not exist"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        RegularFileReader file(c.path);
        EXPECT_FALSE(file.isOpen());
        EXPECT_EQ(file.kind(), c.kind);
        EXPECT_EQ(file.problem(), c.problem);
        EXPECT_EQ(file.size(), 0);
        unsigned char b[4];
        EXPECT_EQ(file.readAt(0, b, sizeof b), -1);
    }
    RegularFileReader file(plain);
    ASSERT_TRUE(file.isOpen());
    EXPECT_EQ(file.kind(), FileKind::Regular);
    EXPECT_EQ(file.problem(), "");
    EXPECT_EQ(file.size(), static_cast<std::int64_t>(std::filesystem::file_size(plain)));
    unsigned char header[ShpRecords::kMainHeaderBytes];
    ASSERT_TRUE(ShpRecords::readMainHeader(file, header));
    EXPECT_EQ(be32(Bytes(header, header + 4), 0), 9994);
    // Past the end a read gives what is there.
    unsigned char tail[16];
    EXPECT_EQ(file.readAt(file.size() - 4, tail, sizeof tail), 4);
}
