// Binary file access by 1-based position.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <fstream>

#include "platform/BinaryFile.h"
#include "platform/Error.h"
#include "tests/support/SpecialFiles.h"
#include "tests/support/TestPaths.h"
#include "tests/support/Unprivileged.h"

namespace fs = std::filesystem;

namespace {
int errorNumber(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const AppError& e) {
        return e.number();
    }
    return 0;
}
}  // namespace

TEST(BinaryFileTest, WritesAndReadsByPosition) {
    const std::string path = scratchDir("bin") + "/f.bin";
    BinaryFile f;
    f.Open(path, BinaryFile::Mode::ReadWrite);
    EXPECT_EQ(f.Length(), 0);
    f.WriteInt32BE(1, 9994);
    f.WriteInt32LE(1000);  // sequential, at position 5
    f.WriteDouble(-1.5);
    EXPECT_EQ(f.Position(), 17);
    EXPECT_EQ(f.Length(), 16);
    EXPECT_EQ(f.ReadInt32BE(1), 9994);
    EXPECT_EQ(f.ReadInt32LE(), 1000);
    EXPECT_EQ(f.ReadDouble(), -1.5);
    EXPECT_EQ(f.ReadInt32LE(1), 0x0A270000);
    // Overwrite in the middle; the read buffer must not serve stale bytes.
    f.WriteInt32LE(5, -2);
    EXPECT_EQ(f.ReadInt32LE(5), -2);
    f.Close();

    std::ifstream in(path, std::ios::binary);
    unsigned char b[8];
    in.read(reinterpret_cast<char*>(b), 8);
    const unsigned char expected[8] = {0x00, 0x00, 0x27, 0x0A, 0xFE, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(0, std::memcmp(b, expected, 8));
}

TEST(BinaryFileTest, ReadsAcrossBlocks) {
    const std::string path = scratchDir("blocks") + "/big.bin";
    {
        BinaryFile f;
        f.Open(path, BinaryFile::Mode::ReadWrite);
        std::vector<unsigned char> data(200000);
        for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>(i * 7);
        f.WriteBytes(1, data.data(), data.size());
    }
    BinaryFile f;
    f.Open(path, BinaryFile::Mode::Read);
    EXPECT_EQ(f.Length(), 200000);
    f.Seek(65530);
    const auto bytes = f.ReadBytes(20);  // straddles the first block's end
    for (std::size_t i = 0; i < bytes.size(); ++i) EXPECT_EQ(bytes[i], static_cast<unsigned char>((65529 + i) * 7));
    std::vector<unsigned char> all(200000);
    f.ReadBytes(1, all.data(), all.size());
    EXPECT_EQ(all[199999], static_cast<unsigned char>(199999 * 7));
}

TEST(BinaryFileTest, ErrorsAndReadOnlyRules) {
    const std::string dir = scratchDir("binerr");
    BinaryFile r;
    EXPECT_EQ(errorNumber([&] { r.Open(dir + "/missing.bin", BinaryFile::Mode::Read); }), 53);
    EXPECT_FALSE(fs::exists(dir + "/missing.bin"));  // reading never creates

    {
        BinaryFile w;
        w.Open(dir + "/f.bin", BinaryFile::Mode::ReadWrite);
        w.WriteInt32LE(1, 7);
    }
    BinaryFile f;
    f.Open(dir + "/f.bin", BinaryFile::Mode::Read);
    EXPECT_FALSE(f.IsWritable());
    EXPECT_EQ(errorNumber([&] { f.ReadInt32LE(2); }), 62);  // past the end
    EXPECT_EQ(errorNumber([&] { f.ReadDouble(1); }), 62);
    EXPECT_EQ(errorNumber([&] { f.ReadBytes(std::size_t(1) << 40); }), 62);  // no huge allocation
    EXPECT_EQ(errorNumber([&] { f.ReadInt32LE(0); }), 5);
    EXPECT_EQ(errorNumber([&] { f.WriteInt32LE(1, 1); }), 75);
    EXPECT_EQ(errorNumber([&] { f.Truncate(0); }), 75);
    EXPECT_EQ(f.ReadInt32LE(1), 7);
    EXPECT_EQ(errorNumber([&] { BinaryFile d; d.Open(dir, BinaryFile::Mode::Read); }), 75);  // a folder
    BinaryFile closed;
    EXPECT_EQ(errorNumber([&] { closed.Length(); }), 75);
}

TEST(BinaryFileTest, APipeUnderAFileNameIsRefusedAtOnce) {
    // Opening a named pipe for reading would wait for a writer for ever.
    const std::string fifo = scratchDir("fifo") + "/regions.shp";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    for (const auto mode : {BinaryFile::Mode::Read, BinaryFile::Mode::ReadWrite}) {
        BinaryFile f;
        EXPECT_EQ(errorNumber([&] { f.Open(fifo, mode); }), 75);
        EXPECT_FALSE(f.IsOpen());
    }
    EXPECT_FALSE(BinaryFile::Exists(fifo));
    BinaryFile dev;
    EXPECT_EQ(errorNumber([&] { dev.Open("/dev/zero", BinaryFile::Mode::Read); }), 75);
}

TEST(BinaryFileTest, ARefusedOpenNamesItsCause) {
    const OpenScratchDir open("bin-cause");
    const std::string dir = open.path();
    fs::create_directory(dir + "/folder.shp");
    HeldPipe pipe(dir + "/pipe.shp");
    std::ofstream(dir + "/locked.shp") << "x";
    ASSERT_EQ(::chmod((dir + "/locked.shp").c_str(), 0600), 0);
    struct Case {
        const char* name;
        std::string path;
        BinaryFile::Mode mode;
        std::string cause;
        bool unprivileged;  // needs a user whom the mode stops
    } cases[] = {
        {"folder, reading", dir + "/folder.shp", BinaryFile::Mode::Read, "is a folder, not a file", false},
        {"folder, writing", dir + "/folder.shp", BinaryFile::Mode::ReadWrite, "is a folder, not a file", false},
        {"pipe", dir + "/pipe.shp", BinaryFile::Mode::Read, "is not a regular file", false},
        {"device", "/dev/zero", BinaryFile::Mode::Read, "is not a regular file", false},
        {"no read permission", dir + "/locked.shp", BinaryFile::Mode::Read, "cannot be read: permission denied", true},
        {"no write permission", dir + "/locked.shp", BinaryFile::Mode::ReadWrite, "cannot be written: permission denied",
         true},
    };
    UnprivilegedCases asNeeded;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto run = [&] {
            BinaryFile f;
            try {
                f.Open(c.path, c.mode);
                ADD_FAILURE() << "opened";
            } catch (const AppError& e) {
                EXPECT_EQ(e.number(), 75);
                EXPECT_EQ(e.description(), "Path/File access error: " + c.path + " (" + c.cause + ")");
            }
            EXPECT_FALSE(f.IsOpen());
        };
        asNeeded.run(c.unprivileged, run);
    }
    if (asNeeded.skipped()) GTEST_SKIP() << asNeeded.why();
}

TEST(BinaryFileTest, TruncateExistsDelete) {
    const std::string path = scratchDir("trunc") + "/t.bin";
    EXPECT_FALSE(BinaryFile::Exists(path));
    BinaryFile::Delete(path);  // deleting a missing file does nothing
    BinaryFile f;
    f.Open(path, BinaryFile::Mode::ReadWrite);
    f.WriteDouble(1, 1.0);
    f.WriteDouble(2.0);
    EXPECT_TRUE(BinaryFile::Exists(path));
    f.Truncate(8);
    EXPECT_EQ(f.Length(), 8);
    EXPECT_EQ(f.ReadDouble(1), 1.0);
    f.Close();
    EXPECT_EQ(fs::file_size(path), 8u);
    BinaryFile::Delete(path);
    EXPECT_FALSE(BinaryFile::Exists(path));
}

TEST(ByteOrderTest, RoundTrips) {
    unsigned char b[8];
    byteorder::storeInt32BE(b, 0x01020304);
    EXPECT_EQ(b[0], 1);
    EXPECT_EQ(b[3], 4);
    EXPECT_EQ(byteorder::loadInt32BE(b), 0x01020304);
    EXPECT_EQ(byteorder::loadInt32LE(b), 0x04030201);
    EXPECT_EQ(byteorder::swap32(0x01020304), 0x04030201);
    byteorder::storeDouble(b, 1.0);
    EXPECT_EQ(b[7], 0x3F);
    EXPECT_EQ(b[6], 0xF0);
    EXPECT_EQ(byteorder::loadDouble(b), 1.0);
}
