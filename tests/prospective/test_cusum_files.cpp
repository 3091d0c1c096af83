// The cusum file and the period matrix file: the bytes written, the round
// trip, and every refusal of the readers, which leave nothing half read.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/Error.h"
#include "prospective/CusumFiles.h"
#include "tests/support/TestPaths.h"
#include "tests/prospective/CusumFixture.h"

namespace {

using cusum_test::readBytes;
using cusum_test::writeBytes;



Matrix twoByThree() {
    Matrix m = Matrix::Zero(3, 4);
    m(1, 1) = 0.5;
    m(1, 2) = 1.0;
    m(1, 3) = 0.0;
    m(2, 1) = 2.5;
    m(2, 2) = 1.0 / 3.0;
    m(2, 3) = 1.5e-7;
    return m;
}

}  // namespace

TEST(CusumFileWrite, ThreePeriodsTwoRegionsBytes) {
    const std::string path = scratchDir("csm_bytes") + "/run.csm";
    CusumFile::Write(path, twoByThree(), 2, 3);
    EXPECT_EQ(readBytes(path),
              "period1,period2,period3,\r\n"
              "0.5,1,0,\r\n"
              "2.5,0.333333333333333,1.5E-07,\r\n");
}

TEST(CusumFileRead, RoundTripGivesTheWrittenValues) {
    const std::string path = scratchDir("csm_round") + "/run.csm";
    const Matrix m = twoByThree();
    CusumFile::Write(path, m, 2, 3);
    const CusumFile::Loaded l = CusumFile::Read(path, 2);
    EXPECT_EQ(l.periodCount, 3.0);
    EXPECT_EQ(l.header, "period1,period2,period3,");
    ASSERT_EQ(l.cusum.rows(), 3);
    ASSERT_EQ(l.cusum.cols(), 4);
    for (int r = 0; r <= 2; ++r)
        for (int p = 0; p <= 3; ++p) {
            if (r == 0 || p == 0) EXPECT_EQ(l.cusum(r, p), 0.0);
            else EXPECT_NEAR(l.cusum(r, p), m(r, p), std::abs(m(r, p)) * 1e-14);
        }
}

TEST(CusumFileRead, HeaderLabelsAreOnlyCountedAndLfEndsAreRead) {
    const std::string path = scratchDir("csm_labels") + "/other.csm";
    writeBytes(path, "a,b,c,\n1,2,3,\n4,5,6\n");
    const CusumFile::Loaded l = CusumFile::Read(path, 2);
    EXPECT_EQ(l.periodCount, 3.0);
    EXPECT_EQ(l.cusum(2, 3), 6.0);
}

TEST(CusumFileRead, RefusesWhatItCannotTake) {
    struct Case {
        const char* name;
        std::string bytes;
        std::string why;  // part of the message
    };
    const std::vector<Case> cases = {
        {"empty", "", "is empty"},
        {"only line ends", "\r\n\r\n", "is empty"},
        {"fewer rows", "period1,\r\n1,\r\n", "holds 1 rows of cusums but the study area has 2 regions"},
        {"blank line among the rows", "period1,\r\n1,\r\n\r\n2,\r\n",
         "has an empty line 3: every line under the header must hold the cusums of one region."},
        {"more rows", "period1,\r\n1,\r\n2,\r\n3,\r\n", "holds 3 rows of cusums"},
        {"short line", "period1,period2,\r\n1,2,\r\n3\r\n", "only 1 value on line 3"},
        {"empty value", "period1,period2,\r\n1.5,,\r\n3,4,\r\n", "\"\" on line 2, column 2"},
        {"letters", "period1,\r\nabc,\r\n3,\r\n", "\"abc\" on line 2, column 1"},
        {"comma decimal", "period1,period2,\r\n1,5,\r\n3;5,4,\r\n", "\"3;5\" on line 3, column 1"},
        {"infinity", "period1,\r\ninf,\r\n3,\r\n", "\"inf\" on line 2"},
    };
    const std::string dir = scratchDir("csm_refusals");
    for (const Case& c : cases) {
        const std::string path = dir + "/bad.csm";
        writeBytes(path, c.bytes);
        try {
            CusumFile::Read(path, 2);
            ADD_FAILURE() << c.name << ": accepted";
        } catch (const AppError& e) {
            EXPECT_NE(e.description().find(c.why), std::string::npos) << c.name << ": " << e.description();
        }
    }
    EXPECT_THROW(CusumFile::Read(dir + "/missing.csm", 2), AppError);
    EXPECT_THROW(CusumFile::Read(dir, 2), AppError);
}

TEST(PeriodMatrixFileRead, PeriodsFromTheFirstLine) {
    const std::string path = scratchDir("pm_read") + "/z.txt";
    writeBytes(path, "1.0000,-2.5000,3\r\n0.25,0,1e-3,99\r\n");
    const PeriodMatrixFile::Loaded l = PeriodMatrixFile::Read(path, 2);
    EXPECT_EQ(l.columns, 3);
    EXPECT_EQ(l.z(1, 2), -2.5);
    EXPECT_EQ(l.z(2, 3), 1e-3);
    EXPECT_EQ(l.z.cols(), 4);
}

// A first line of more values than a run may have is refused by its count
// alone, before the lines under it are measured or anything is sized.
TEST(PeriodMatrixFileRead, MorePeriodsThanARunMayHaveAreRefusedFirst) {
    const std::string path = scratchDir("pm_most") + "/z.txt";
    writeBytes(path, "1,2,3,4\r\n5\r\n");
    try {
        PeriodMatrixFile::Read(path, 3, modCusum::Rows::Regions, 3);
        ADD_FAILURE() << "accepted";
    } catch (const AppError& e) {
        EXPECT_EQ(e.description(),
                  "The file \"" + path + "\" has 4 values on its first line; a run can have at most 3 periods.");
    }
    writeBytes(path, "1,2,3\r\n4,5,6\r\n");
    EXPECT_EQ(PeriodMatrixFile::Read(path, 2, modCusum::Rows::Regions, 3).columns, 3);
}

TEST(PeriodMatrixFileRead, RefusesWhatItCannotTake) {
    struct Case {
        const char* name;
        std::string bytes;
        std::string why;
    };
    const std::vector<Case> cases = {
        {"empty", "", "is empty"},
        {"line count", "1,2\r\n", "holds 1 lines but the study area has 2 regions"},
        {"blank line among the rows", "1,2\r\n\r\n3,4\r\n", "has an empty line 2: every line must hold the values "
                                                                 "of one region."},
        {"blank first line", "\r\n1,2\r\n3,4\r\n", "has an empty line 1: every line must hold the values of "
                                                         "one region."},
        {"short line", "1,2\r\n3\r\n", "only 1 value on line 2"},
        {"not a number", "1,2\r\n3,x\r\n", "\"x\" on line 2, column 2"},
    };
    const std::string dir = scratchDir("pm_refusals");
    for (const Case& c : cases) {
        const std::string path = dir + "/bad.txt";
        writeBytes(path, c.bytes);
        try {
            PeriodMatrixFile::Read(path, 2);
            ADD_FAILURE() << c.name << ": accepted";
        } catch (const AppError& e) {
            EXPECT_NE(e.description().find(c.why), std::string::npos) << c.name << ": " << e.description();
        }
    }
}

// Both readers, for the regions of a study area and for the points of the
// point window: blank lines at the end of a file are only line ends, a
// refusal names what the rows are, and a first line far wider than the
// lines under it is refused by the first line it does not fit, before a
// matrix of its width is sized (160 GB here, more than a machine holds).
TEST(CusumReaders, LinesAreMeasuredBeforeAnythingIsSized) {
    using modCusum::Rows;
    constexpr int kWide = 10'000'000, kRows = 2000;
    std::string wideHeader(kWide, ',');
    std::string wideFirstLine;
    wideFirstLine.reserve(2 * kWide + 1);
    for (int i = 0; i < kWide; ++i) wideFirstLine += "0,";
    wideFirstLine += "0";
    std::string csmRows, matrixRows;
    for (int i = 1; i < kRows; ++i) matrixRows += "0\r\n";
    for (int i = 0; i < kRows; ++i) csmRows += "0,\r\n";

    struct Case {
        const char* name;
        bool csm;  // else a period matrix file
        Rows rows;
        std::string bytes;
        std::int32_t rowCount;
        std::string why;  // part of the refusal; empty: read, its last row holding 2
    };
    const std::vector<Case> cases = {
        {"cusum file ending in blank lines", true, Rows::Regions, "period1,\r\n1,\r\n2,\r\n\r\n  \r\n", 2, ""},
        {"period file ending in blank lines", false, Rows::Points, "1,0\n2,0\n\n\n", 2, ""},
        // A blank line among the rows is named, not counted as a row.
        {"blank line inside", false, Rows::Regions, "1,0\r\n\r\n2,0\r\n", 2,
         "has an empty line 2: every line must hold the values of one region."},
        {"line of blanks inside a cusum file", true, Rows::Regions, "period1,\r\n1,\r\n \t\r\n2,\r\n", 2,
         "has an empty line 3: every line under the header must hold the cusums of one region."},
        {"line of blanks among z-scores of points", false, Rows::Points, "1,0\n  \n2,0\n", 2,
         "has an empty line 2: every line must hold the values of one point."},
        {"line of blanks among saved cusums of points", true, Rows::Points, "period1,\n1,\n \n2,\n", 2,
         "has an empty line 3: every line under the header must hold the cusums of one point."},
        {"saved cusums of fewer points", true, Rows::Points, "period1,\r\n1,\r\n", 2,
         "holds 1 rows of cusums but the point coordinate file holds 2 points."},
        {"z-scores of fewer points", false, Rows::Points, "1,2\r\n", 2,
         "holds 1 lines but the point coordinate file holds 2 points."},
        {"header far wider than its rows", true, Rows::Regions, wideHeader + "\r\n" + csmRows, kRows,
         "has only 2 values on line 2, 10000000 are needed."},
        {"first line far wider than the next", false, Rows::Points, wideFirstLine + "\r\n" + matrixRows, kRows,
         "has only 1 value on line 2, 10000001 are needed."},
    };
    const std::string dir = scratchDir("cusum_readers");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir + "/in.txt";
        writeBytes(path, c.bytes);
        try {
            const Matrix m = c.csm ? CusumFile::Read(path, c.rowCount, c.rows).cusum
                                   : PeriodMatrixFile::Read(path, c.rowCount, c.rows).z;
            EXPECT_EQ(c.why, "") << "accepted";
            EXPECT_EQ(m.rows(), c.rowCount + 1);
            EXPECT_EQ(m(c.rowCount, 1), 2.0);
        } catch (const AppError& e) {
            EXPECT_NE(c.why, "") << e.description();
            EXPECT_NE(e.description().find(c.why), std::string::npos) << e.description();
        }
    }
}
