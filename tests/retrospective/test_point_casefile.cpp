// The point case file: the counts it derives in each format, and every
// refusal, each naming its line and leaving the earlier points as they were.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/Error.h"
#include "retrospective/PointCaseFile.h"
#include "tests/support/AllocationLimit.h"
#include "tests/support/CaseNames.h"
#include "tests/support/SpecialFiles.h"
#include "tests/support/TestPaths.h"

namespace {

using PointCaseFile::Format;

TEST(PointCaseFile, PopulationAndCasesGiveExpectedCountsAndShares) {
    const auto d = PointCaseFile::parse({"A,0,0,100,2", " A,1,2,300,6"}, Format::PopulationCase);
    EXPECT_EQ(d.pointCount, 2.0);
    ASSERT_EQ(d.centroidTable.size(), 3u);
    EXPECT_EQ(d.centroidTable[1].ID, "A");
    EXPECT_EQ(d.centroidTable[2].ID, " A");  // blanks are part of the label
    EXPECT_EQ(d.centroidTable[2].X, 1.0);
    EXPECT_EQ(d.centroidTable[2].Y, 2.0);
    EXPECT_EQ(d.totalCases, 8.0);
    EXPECT_EQ(d.population[1], 100.0);
    EXPECT_EQ(d.observed[2], 6.0);
    EXPECT_DOUBLE_EQ(d.expected[1], 2.0);
    EXPECT_DOUBLE_EQ(d.expected[2], 6.0);
    EXPECT_DOUBLE_EQ(d.expectedShare[1], 0.25);
    EXPECT_DOUBLE_EQ(d.expectedShare[2], 0.75);
}

TEST(PointCaseFile, ObservedAndExpectedAreTakenAsRead) {
    const auto d = PointCaseFile::parse({"a,0,0,2,3", "b,1,1, 6 ,5"}, Format::ObsExp);
    EXPECT_EQ(d.totalCases, 8.0);
    EXPECT_EQ(d.population[1], 0.0);
    EXPECT_EQ(d.population[2], 0.0);
    EXPECT_EQ(d.observed[2], 6.0);
    EXPECT_EQ(d.expected[1], 3.0);
    EXPECT_DOUBLE_EQ(d.expectedShare[1], 0.375);
    EXPECT_DOUBLE_EQ(d.expectedShare[2], 0.625);
}

TEST(PointCaseFile, OneLineIsOnePoint) {
    const auto d = PointCaseFile::parse({"only,3,4,10,1"}, Format::PopulationCase);
    EXPECT_EQ(d.pointCount, 1.0);
    EXPECT_EQ(d.observed.size(), 2u);
}

struct RefusalCase {
    const char* name;
    std::vector<std::string> lines;
    Format format;
    std::string message;
};

class PointCaseFileRefusals : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(PointCaseFileRefusals, NameTheirLine) {
    const RefusalCase& c = GetParam();
    try {
        PointCaseFile::parse(c.lines, c.format);
        FAIL() << "accepted";
    } catch (const AppError& e) {
        EXPECT_EQ(e.source(), PointCaseFile::kRefusalSource);
        EXPECT_EQ(e.description(), c.message);
    }
}

const std::string kFormat = PointCaseFile::kFormatMessage;

INSTANTIATE_TEST_SUITE_P(
    Files, PointCaseFileRefusals,
    ::testing::Values(
        RefusalCase{"empty_file", {}, Format::PopulationCase, "The file is empty: line 1 holds no point. " + kFormat},
        RefusalCase{"first_line_four_fields", {"a,1,2,3"}, Format::PopulationCase, kFormat},
        RefusalCase{"first_line_trailing_comma", {"a,1,2,3,4,"}, Format::PopulationCase, kFormat},
        RefusalCase{"first_line_empty", {"", "a,0,0,10,1", "b,1,1,10,2"}, Format::ObsExp, kFormat},
        RefusalCase{"later_line_short",
                    {"a,0,0,10,1", "b,1,1,10"},
                    Format::PopulationCase,
                    "Line 2 holds 4 comma-separated fields instead of five (ID, X, Y and two counts)."},
        RefusalCase{"inner_blank_line",
                    {"a,0,0,10,1", "", "c,2,2,10,1"},
                    Format::PopulationCase,
                    "Line 2 is empty: every line must hold one point (ID, X, Y and two counts)."},
        RefusalCase{"header_words",
                    {"ID,X,Y,POP,CASES", "a,0,0,10,1"},
                    Format::PopulationCase,
                    "Line 1: the X \"X\" is not a number."},
        RefusalCase{"infinite_coordinate",
                    {"a,0,0,10,1", "b,inf,1,10,1"},
                    Format::PopulationCase,
                    "Line 2: the X \"inf\" is not a number."},
        RefusalCase{"overflowing_count",
                    {"a,0,0,10,1", "b,1,1,10,1e400"},
                    Format::ObsExp,
                    "Line 2: the expected count \"1e400\" is not a number."},
        RefusalCase{"nan_population",
                    {"a,0,0,nan,1"},
                    Format::PopulationCase,
                    "Line 1: the population \"nan\" is not a number."},
        RefusalCase{"negative_count",
                    {"a,0,0,10,1", "b,1,1,10,-1"},
                    Format::PopulationCase,
                    "Line 2 has a negative count."},
        RefusalCase{"zero_population_total",
                    {"a,0,0,0,1", "b,1,1,0,1"},
                    Format::PopulationCase,
                    "The populations of the file add up to 0, so no expected counts can be derived."},
        RefusalCase{"zero_case_total",
                    {"a,0,0,0,2", "b,1,1,0,3"},
                    Format::ObsExp,
                    "The case counts of the file add up to 0, so the test cannot be computed."},
        RefusalCase{"zero_population_of_one_point",
                    {"a,0,0,10,1", "b,1,1,0,1"},
                    Format::PopulationCase,
                    "Line 2 has a population of 0, so its expected count is not positive and the test cannot be "
                    "computed."},
        RefusalCase{"zero_expected_count",
                    {"a,0,0,1,2", "b,1,1,1,0"},
                    Format::ObsExp,
                    "Line 2 has an expected count of 0, so its expected count is not positive and the test cannot "
                    "be computed."},
        // The sums hold, but an expected count or share cannot be computed.
        // The case total is beyond reason: the line that holds most of it
        // is named with its case count, and the line whose expected count
        // met it.
        RefusalCase{"case_total_beyond_the_doubles_over_small_populations",
                    {"a,0,0,0.25,1e308", "b,1,1,0.25,5e307"},
                    Format::PopulationCase,
                    "Line 1 holds values too large to compute with: its case count (1E+308) brings the case counts "
                    "of the file to 1.5E+308, and the expected count of line 1, derived from that total divided by "
                    "the populations of the file (they add up to 0.5), is beyond what this program can hold."},
        RefusalCase{"case_count_beyond_the_doubles_on_a_later_line",
                    {"a,0,0,0.25,1", "b,1,1,0.25,1e308"},
                    Format::PopulationCase,
                    "Line 2 holds values too large to compute with: its case count (1E+308) brings the case counts "
                    "of the file to 1E+308, and the expected count of line 1, derived from that total divided by the "
                    "populations of the file (they add up to 0.5), is beyond what this program can hold."},
        // Populations that add up to far below 1 are the ones beyond reason.
        RefusalCase{"populations_far_below_one",
                    {"a,0,0,1e-300,2e10", "b,1,1,1e-300,3e10"},
                    Format::PopulationCase,
                    "Line 1 holds values too large to compute with: the expected count derived from its population "
                    "(1E-300) and the case counts of the file (they add up to 50000000000) is beyond what this "
                    "program can hold."},
        RefusalCase{"population_that_is_nothing_beside_the_total",
                    {"a,0,0,1e-300,1", "b,1,1,1e300,1"},
                    Format::PopulationCase,
                    "Line 1 holds values too small to compute with: the expected count derived from its population "
                    "(1E-300) and the populations of the file (they add up to 1E+300) comes to 0."},
        RefusalCase{"expected_count_beyond_the_doubles_over_the_observed_total",
                    {"a,0,0,0.25,4", "b,1,1,0.25,1e308"},
                    Format::ObsExp,
                    "Line 2 holds values too large to compute with: its expected count (1E+308) divided by the "
                    "observed counts of the file (they add up to 0.5) is beyond what this program can hold."},
        RefusalCase{"observed_total_far_below_one",
                    {"a,0,0,1e-300,1e10", "b,1,1,2e-300,4"},
                    Format::ObsExp,
                    "Line 2 holds values too small to compute with: its observed count (2E-300) is the largest of the "
                    "observed counts of the file (they add up to 3E-300), and the expected count of line 1 "
                    "(10000000000) divided by that total is beyond what this program can hold."},
        RefusalCase{"expected_count_that_is_nothing_beside_the_observed_total",
                    {"a,0,0,1e300,1e-300", "b,1,1,6,4"},
                    Format::ObsExp,
                    "Line 1 holds values too small to compute with: its expected count (1E-300) divided by the "
                    "observed counts of the file (they add up to 1E+300) comes to 0."}),
    CaseNameOf{});

TEST(PointCaseFile, ReadsCrLfAndLoneLfLinesWithoutAPointForTheFinalLineEnd) {
    const std::string path = ::testing::TempDir() + "/points_line_ends.txt";
    {
        std::ofstream out(path, std::ios::binary);
        out << "a,0,0,10,1\r\nb,1,0,10,2\nc,0,1,20,3\r\n";
    }
    const auto d = PointCaseFile::read(path, Format::PopulationCase);
    EXPECT_EQ(d.pointCount, 3.0);
    EXPECT_EQ(d.centroidTable[3].ID, "c");
    EXPECT_EQ(d.totalCases, 6.0);
}

// What stands under the chosen name is named when it is no file to read.
TEST(PointCaseFile, AFolderAPipeOrADeviceIsNamedAsSuch) {
    const std::string dir = scratchDir("points_not_files");
    HeldPipe pipe(dir + "/pipe.txt");
    const struct {
        const char* name;
        std::string path;
        const char* says;
    } cases[] = {
        {"folder", dir, "is a folder, not a file"},
        {"named pipe", pipe.path(), "is not a regular file"},
        {"device", "/dev/null", "is not a regular file"},
        {"nothing", dir + "/missing.txt", "File not found"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            PointCaseFile::read(c.path, Format::PopulationCase);
            ADD_FAILURE() << "read";
        } catch (const AppError& e) {
            EXPECT_NE(e.description().find(c.says), std::string::npos) << e.description();
        }
    }
}

// A file that needs more memory than is left is refused as the program's
// own error 7, in words the data input shows as they stand.
TEST(PointCaseFile, AFileBeyondTheMemoryLeftIsRefused) {
    const std::string path = scratchDir("point-case-memory") + "/large.txt";
    {
        std::ofstream out(path, std::ios::binary);
        for (int i = 0; i < 40000; ++i) out << "P" << i << ",0,0,100,2\n";
    }
    try {
        const AllocationLimit limit(256 * 1024);
        PointCaseFile::read(path, Format::PopulationCase);
        ADD_FAILURE() << "read";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), 7);
        EXPECT_EQ(e.source(), PointCaseFile::kRefusalSource);
        EXPECT_EQ(e.description(), "There is not enough memory left to read the file \"" + path + "\".");
    }
}

}  // namespace
