// The files the benchmark figures write: a file that cannot be made or
// written throws, naming the file and the cause, for the figure's line to
// report, and never hands a handle that was not made to the next step;
// files that can be written read back as the figures expect them.
#include <gtest/gtest.h>

#include <shapefil.h>

#include <filesystem>
#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/CusumAreas.h"
#include "bench/ShapelibWriters.h"
#include "platform/DbfTable.h"
#include "tests/support/CaseNames.h"
#include "tests/support/TestPaths.h"

namespace fs = std::filesystem;

namespace {

// What a call threw as std::runtime_error; empty when it threw nothing.
std::string refusalOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return {};
}

struct MissingFolderCase {
    const char* name;
    std::function<void(const std::string& folder)> write;
    const char* file;  // the file the refusal names, in the folder
};
void PrintTo(const MissingFolderCase& c, std::ostream* os) { *os << c.name; }

class BenchFilesInAMissingFolder : public ::testing::TestWithParam<MissingFolderCase> {};

TEST_P(BenchFilesInAMissingFolder, AreRefusedWithTheFileAndTheCause) {
    const MissingFolderCase& c = GetParam();
    // The scratch folder went away before the figure wrote its files.
    const std::string folder = scratchDir("bench-missing-folder") + "/gone";
    const std::string refusal = refusalOf([&] { c.write(folder); });
    EXPECT_NE(refusal.find(folder + "/" + c.file), std::string::npos) << refusal;
    EXPECT_NE(refusal.find("No such file or directory"), std::string::npos) << refusal;
    EXPECT_FALSE(fs::exists(folder));
}

const MissingFolderCase kMissingFolderCases[] = {
    {"CountTable", [](const std::string& f) { writeCountTable(f, 3, 2); }, "counts.dbf"},
    {"SquareGrid", [](const std::string& f) { writeSquareGrid(f, 2, 2); }, "grid.shp"},
    {"Shapefile", [](const std::string& f) { ShapefileWriter(f + "/regions", SHPT_POLYGON); }, "regions.shp"},
    {"Table", [](const std::string& f) { TableWriter(f + "/t.dbf"); }, "t.dbf"},
};

INSTANTIATE_TEST_SUITE_P(Writers, BenchFilesInAMissingFolder, ::testing::ValuesIn(kMissingFolderCases),
                         CaseNameOf());

struct FullDiskCase {
    const char* name;
    std::function<void(const std::string& folder)> write;
    const char* file;  // the file made a full disk, named by the refusal
    const char* step;  // the step the refusal names
};
void PrintTo(const FullDiskCase& c, std::ostream* os) { *os << c.name; }

class BenchFilesOnAFullDisk : public ::testing::TestWithParam<FullDiskCase> {};

TEST_P(BenchFilesOnAFullDisk, AreRefusedAtTheStepThatFailed) {
    const FullDiskCase& c = GetParam();
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "this system has no /dev/full";
    // Whatever is written to the file finds no room.
    const std::string folder = scratchDir("bench-full-disk");
    fs::create_symlink("/dev/full", folder + "/" + c.file);
    const std::string refusal = refusalOf([&] { c.write(folder); });
    EXPECT_NE(refusal.find(std::string(c.step) + " " + folder + "/" + c.file), std::string::npos) << refusal;
    EXPECT_NE(refusal.find("No space left on device"), std::string::npos) << refusal;
}

const FullDiskCase kFullDiskCases[] = {
    // The library writes a record out when the next one is begun.
    {"CountTableRecords", [](const std::string& f) { writeCountTable(f, 3, 4); }, "counts.dbf",
     "cannot write record 2 of the table"},
    // A table of one record is written out only when it is closed.
    {"CountTableClosing", [](const std::string& f) { writeCountTable(f, 1, 1); }, "counts.dbf",
     "cannot finish the table"},
    {"SquareGridShapes", [](const std::string& f) { writeSquareGrid(f, 20, 20); }, "grid.shp",
     "cannot write a shape to"},
};

INSTANTIATE_TEST_SUITE_P(Writers, BenchFilesOnAFullDisk, ::testing::ValuesIn(kFullDiskCases), CaseNameOf());

TEST(BenchFiles, TheCountTableReadsBackWithItsFieldsAndRecords) {
    const std::string folder = scratchDir("bench-count-table");
    const std::string path = writeCountTable(folder, 9, 3);
    EXPECT_EQ(path, folder + "/counts.dbf");
    const auto table = DbfTable::Open(path);
    ASSERT_EQ(table->RecordCount(), 9);
    std::vector<std::string> names;
    for (const DbfField& f : table->Fields()) names.push_back(f.Name);
    EXPECT_EQ(names, (std::vector<std::string>{"O1", "O2", "O3", "E1", "E2", "E3"}));
    // Record 8 expects 2.0 in every period.
    for (int p = 0; p < 3; ++p) {
        EXPECT_DOUBLE_EQ(table->ValueAt(8, 3 + p).number, 2.0) << p;
        EXPECT_GE(table->ValueAt(8, p).number, 1.0) << p;
    }
}

TEST(BenchFiles, TheSquareGridReadsBackWithItsRegionsAndNames) {
    const std::string folder = scratchDir("bench-square-grid");
    const std::string shp = writeSquareGrid(folder, 3, 2);
    EXPECT_EQ(shp, folder + "/grid.shp");
    SHPHandle h = SHPOpen(shp.c_str(), "rb");
    ASSERT_NE(h, nullptr);
    int count = 0, type = 0;
    SHPGetInfo(h, &count, &type, nullptr, nullptr);
    EXPECT_EQ(count, 6);
    EXPECT_EQ(type, SHPT_POLYGON);
    SHPObject* last = SHPReadObject(h, 5);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->nVertices, 5);
    EXPECT_DOUBLE_EQ(last->dfXMin, 2.0);
    EXPECT_DOUBLE_EQ(last->dfYMax, 2.0);
    SHPDestroyObject(last);
    SHPClose(h);
    const auto table = DbfTable::Open(folder + "/grid.dbf");
    ASSERT_EQ(table->RecordCount(), 6);
    EXPECT_EQ(table->ValueAt(6, 0).text, "Region 6");
}

}  // namespace
