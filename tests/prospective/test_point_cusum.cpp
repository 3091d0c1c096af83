// The cusum on point data without its window: the three readers and their
// refusals, the kernel of the points, a run from zero and its continuation
// from the cusum file it saved, and the lines and files of the results.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/Error.h"
#include "platform/Format.h"
#include "platform/TextFile.h"
#include "prospective/PointCusum.h"
#include "stats/modCusum.h"
#include "tests/support/AllocationLimit.h"
#include "tests/support/TestPaths.h"
#include "tests/prospective/CusumFixture.h"

namespace {

using cusum_test::readBytes;
using cusum_test::writeBytes;

std::string file(const std::string& dir, const std::string& name, const std::string& bytes) {
    const std::string path = dir + "/" + name;
    writeBytes(path, bytes);
    return path;
}
std::string refusal(const std::function<void()>& f) {
    try {
        f();
    } catch (const AppError& e) {
        return e.description();
    }
    return "(accepted)";
}

// Three points, three periods, k 0.5, sigma 0: the z-scores pass unsmoothed.
//   P1: 1, 1, -3    -> 0.5, 1, 0
//   P2: 0.5, 2.5, 0.2 -> 0, 2, 1.7  (ties P3 in period 2, and is named)
//   P3: 3, 0, 0     -> 2.5, 2, 1.5
const char* kCoords = "P1,0,0\r\nP2,10,0\r\nP3,0,10\r\n";
const char* kZ = "1,1,-3\r\n0.5,2.5,0.2\r\n3,0,0\r\n";
// Two new periods for the continuation.
const char* kZNext = "1,0\n0,0\n0.5,3\n";

class PointCusumFixture : public ::testing::Test {
protected:
    void SetUp() override {
        setDisplayDecimalSign('.');
        dir = scratchDir("point-cusum");
        coords = PointCoordinateFile::Read(file(dir, "points.txt", kCoords));
        z = PointCusum::ReadZScores(file(dir, "z.txt", kZ), coords.count);
    }
    PointCusum::Result runFromZero(double h = 1.4) {
        return PointCusum::Run(coords.points, coords.count, z.z, z.columns, 0.5, h, 0.0, 0.0, nullptr);
    }
    std::string dir;
    PointCoordinateFile::Loaded coords;
    PeriodMatrixFile::Loaded z;
};

}  // namespace

TEST(PointCoordinateFileRead, PointsAsWritten) {
    const std::string dir = scratchDir("point-coords");
    // LF alone ends a line too; an ID keeps its blanks; later pieces are ignored.
    const auto l = PointCoordinateFile::Read(file(dir, "a.txt", "P1,10,20\n P 2 ,30.5,40,extra\n"));
    ASSERT_EQ(l.count, 2);
    EXPECT_EQ(l.points[1].ID, "P1");
    EXPECT_EQ(l.points[2].ID, " P 2 ");
    EXPECT_DOUBLE_EQ(l.points[2].X, 30.5);
    EXPECT_DOUBLE_EQ(l.points[2].Y, 40);
    EXPECT_EQ(PointCoordinateFile::Read(file(dir, "b.txt", "A,1,2\rB,3,4\r")).count, 2);
}

TEST(PointCoordinateFileRead, Refusals) {
    const std::string dir = scratchDir("point-coords-refused");
    struct Case {
        const char* bytes;
        const char* says;
    };
    const Case cases[] = {
        {"P1,10,20,5\nP2,1,2\n", "ID, XY Coordinates file was misspecified."},
        {"P1,10\n", "ID, XY Coordinates file was misspecified."},
        {"P1,10,20\nP2,30\n", "There is no ID with X and Y coordinates on line 2"},
        {"P1,10,20\n\nP3,1,1\n", "There is no ID with X and Y coordinates on line 2"},
        {"P1,10,20\nP2,a,3\n", "The coordinates on line 2"},
        {"P1,10,inf\n", "The coordinates on line 1"},
        {"", "is empty."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        const std::string path = file(dir, "c.txt", c.bytes);
        EXPECT_NE(refusal([&] { PointCoordinateFile::Read(path); }).find(c.says), std::string::npos)
            << refusal([&] { PointCoordinateFile::Read(path); });
    }
    EXPECT_NE(refusal([&] { PointCoordinateFile::Read(dir + "/missing.txt"); }), "(accepted)");
}

TEST(PointZScoreRead, ValuesAndRefusals) {
    const std::string dir = scratchDir("point-z");
    const auto l = PointCusum::ReadZScores(file(dir, "z.txt", "0.5,1.2,-0.3\n1,2,3\n4,5,6\n"), 3);
    EXPECT_EQ(l.columns, 3);
    EXPECT_DOUBLE_EQ(l.z(1, 3), -0.3);
    EXPECT_DOUBLE_EQ(l.z(3, 1), 4);
    struct Case {
        const char* bytes;
        const char* says;
    };
    const Case cases[] = {
        {"0.5,1.2,\n1,2,3\n4,5,6\n", "There is missing value in row 1 and column 3 in the dataset."},
        {"1,2,3\n1,2,3\n1,2,3\n0.5,,1\n", "There is missing value in row 4 and column 2 in the dataset."},
        {"1,2\n3,4\n", "holds 2 lines"},
        {"1,2\n3\n5,6\n", "only 1 value on line 2"},
        {"1,2\n3,x\n5,6\n", "line 2, column 2, which is not a number"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        const std::string path = file(dir, "bad.txt", c.bytes);
        EXPECT_NE(refusal([&] { PointCusum::ReadZScores(path, 3); }).find(c.says), std::string::npos)
            << refusal([&] { PointCusum::ReadZScores(path, 3); });
    }
}

TEST(PointSavedCusumRead, ValuesAndRefusals) {
    const std::string dir = scratchDir("point-saved");
    const auto l = PointCusum::ReadSaved(file(dir, "s.csm", "period1,period2,\r\n1.5,0,\r\n0,2.25,\r\n"), 2);
    EXPECT_EQ(l.periodCount, 2);
    EXPECT_DOUBLE_EQ(l.cusum(1, 1), 1.5);
    EXPECT_DOUBLE_EQ(l.cusum(2, 2), 2.25);
    EXPECT_EQ(refusal([&] { PointCusum::ReadSaved(file(dir, "m.csm", "period1,period2,\n1.5,,\n0,1,\n"), 2); }),
              "There is missing value in row 2 and column 2 in the dataset.");
    EXPECT_NE(refusal([&] { PointCusum::ReadSaved(file(dir, "r.csm", "period1,\n1,\n"), 2); }).find("holds 1 rows"),
              std::string::npos);
}

TEST(PointKernel, SigmaZeroIsTheIdentityAndNeedsNoArea) {
    std::vector<CentroidRecord> pts = {{}, {"A", 0, 0}, {"B", 1, 0}};
    double sigma = 0;
    const Matrix w = PointCusum::Weights(pts, 2, sigma, 0.0);
    EXPECT_EQ(sigma, 1E-9);
    EXPECT_EQ(w, (Matrix(3, 3) << 0, 0, 0, 0, 1, 0, 0, 0, 1).finished());
    // Above 0 it is the region kernel on the points' coordinates.
    sigma = 0.5;
    double same = 0.5;
    pts.push_back({"C", 0, 1});
    EXPECT_EQ(PointCusum::Weights(pts, 3, sigma, 0.5), modCusum::CalcSpatialWeights(same, 3, pts, 0.5));
    // Without two points or an area the kernel has no scale.
    sigma = 1;
    EXPECT_NE(refusal([&] { PointCusum::Weights(pts, 1, sigma, 1.0); }).find("at least two points"), std::string::npos);
    EXPECT_NE(refusal([&] { PointCusum::Weights(pts, 3, sigma, 0.0); }).find("span no area"), std::string::npos);
}

// The run refuses a kernel the machine cannot hold, with or without a
// bandwidth (the identity of sigma 0 is as large), naming the points.
TEST(PointKernel, AKernelBeyondTheMemoryIsRefusedNamingThePoints) {
    constexpr std::int32_t kMillion = 1'000'000;
    std::vector<CentroidRecord> pts(kMillion + 1);
    for (std::int32_t i = 1; i <= kMillion; ++i) pts[static_cast<std::size_t>(i)] = {"P", i * 1.0, (i % 7) * 1.0};
    const Matrix z = Matrix::Ones(kMillion + 1, 2);
    for (double sigma : {0.0, 1.0}) {
        SCOPED_TRACE(sigma);
        const std::string why = refusal([&] { PointCusum::Run(pts, kMillion, z, 1, 0.5, 4, sigma, 1e6, nullptr); });
        EXPECT_EQ(why.rfind("There is not enough memory for the kernel matrices of 1000000 points: they would need "
                            "about 8001 GB",
                            0),
                  0u)
            << why;
    }
}

TEST_F(PointCusumFixture, RunFromZero) {
    const PointCusum::Result r = runFromZero();
    EXPECT_FALSE(r.previous);
    EXPECT_EQ(r.periods(), 3);
    EXPECT_EQ(r.kernelSigma, 1E-9);
    const double want[4][4] = {{0, 0, 0, 0}, {0, 0.5, 1, 0}, {0, 0, 2, 1.7}, {0, 2.5, 2, 1.5}};
    for (int i = 1; i <= 3; ++i)
        for (int t = 1; t <= 3; ++t) EXPECT_NEAR(r.cusum(i, t), want[i][t], 1e-12) << i << " " << t;
    EXPECT_EQ(r.maxCusumId, (TextArray{"", "P3", "P2", "P2"}));  // a tie names the lower index
    const std::vector<std::string> lines = PointCusum::PeriodListLines(r);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "  Year   Cusum     Region of max cusum value");
    EXPECT_EQ(lines[1], std::string(82, '-'));
    EXPECT_EQ(lines[2], "    1     2.50" + std::string(19, ' ') + "P3");
    EXPECT_EQ(lines[4], "    3     1.70" + std::string(19, ' ') + "P2");
    EXPECT_EQ(lines[5], std::string(82, '-'));
    EXPECT_EQ(PointCusum::SignalledPoints(r, 2), (std::vector<std::int32_t>{2, 3}));
    EXPECT_EQ(PointCusum::SignalledPoints(runFromZero(2.0), 2), std::vector<std::int32_t>{});  // equal to h
    EXPECT_EQ(PointCusum::PointCaption(r, 3, 1), "P3 in 1: ---> 2.50");
    EXPECT_EQ(PointCusum::CusumFileLines(r),
              (std::vector<std::string>{"period1,period2,period3,", "0.5,1,0,", "0,2,1.7,", "2.5,2,1.5,"}));
}

TEST_F(PointCusumFixture, ContinuedFromTheCusumFileItSaved) {
    const PointCusum::Result first = runFromZero();
    const std::string csm = dir + "/first.csm";
    writeTextFileLines(csm, PointCusum::CusumFileLines(first));
    EXPECT_EQ(readBytes(csm), "period1,period2,period3,\r\n0.5,1,0,\r\n0,2,1.7,\r\n2.5,2,1.5,\r\n");

    const CusumFile::Loaded saved = PointCusum::ReadSaved(csm, coords.count);
    const auto next = PointCusum::ReadZScores(file(dir, "next.txt", kZNext), coords.count);
    const PointCusum::Result r =
        PointCusum::Run(coords.points, coords.count, next.z, next.columns, 0.5, 1.4, 0.0, 0.0, &saved);
    EXPECT_TRUE(r.previous);
    EXPECT_EQ(r.savedPeriods, 3);
    EXPECT_EQ(r.periods(), 5);
    // The saved periods as read, then each point goes on from period 3.
    const double want[4][6] = {{0}, {0, 0.5, 1, 0, 0.5, 0}, {0, 0, 2, 1.7, 1.2, 0.7}, {0, 2.5, 2, 1.5, 1.5, 4}};
    for (int i = 1; i <= 3; ++i)
        for (int t = 1; t <= 5; ++t) EXPECT_NEAR(r.cusum(i, t), want[i][t], 1e-12) << i << " " << t;
    EXPECT_EQ(r.maxCusumId, (TextArray{"", "P3", "P2", "P2", "P3", "P3"}));
    EXPECT_EQ(r.savedMaxCusum, (DoubleArray{0, 2.5, 2, 1.7}));
    const auto lines = PointCusum::PeriodListLines(r);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[6], "    5     4.00" + std::string(19, ' ') + "P3");
    EXPECT_EQ(PointCusum::CusumFileLines(r).front(), "period1,period2,period3,period4,period5,");
    EXPECT_EQ(PointCusum::SignalledPoints(r, 5), std::vector<std::int32_t>{3});
    // The report covers every period, the points named by their IDs.
    const auto report = PointCusum::ReportLines(r);
    ASSERT_FALSE(report.empty());
    bool named = false;
    for (const std::string& l : report) named = named || l.find("P3") != std::string::npos;
    EXPECT_TRUE(named);
}

TEST_F(PointCusumFixture, SavedMaximaKeepNegativeValues) {
    const std::string csm = file(dir, "neg.csm", "period1,\n-1,\n-0.5,\n-2,\n");
    const CusumFile::Loaded saved = PointCusum::ReadSaved(csm, 3);
    const PointCusum::Result r = PointCusum::Run(coords.points, 3, z.z, z.columns, 0.5, 1.4, 0.0, 0.0, &saved);
    EXPECT_EQ(r.savedMaxCusum[1], -0.5);
    // The period list starts its maxima from 0: no point is named.
    EXPECT_EQ(r.maxCusum[1], 0);
    EXPECT_EQ(r.maxCusumId[1], "");
}

TEST_F(PointCusumFixture, InputsThatDoNotFitAreRefused) {
    const std::string csm = file(dir, "two.csm", "period1,\n1,\n2,\n");
    const CusumFile::Loaded wrongRows = PointCusum::ReadSaved(csm, 2);
    EXPECT_NE(refusal([&] {
                  PointCusum::Run(coords.points, 3, z.z, z.columns, 0.5, 1.4, 0.0, 0.0, &wrongRows);
              }).find("saved cusum file"),
              std::string::npos);
    const Matrix shortZ = Matrix::Zero(3, 4);
    EXPECT_NE(refusal([&] { PointCusum::Run(coords.points, 3, shortZ, 3, 0.5, 1.4, 0.0, 0.0, nullptr); })
                  .find("z-score file"),
              std::string::npos);
}

// An allocation that fails inside a reader or the arithmetic of a run is
// the program's own error 7 (Out of memory), naming what needed the memory,
// so that the window's handler warns and keeps what it had.
TEST(CusumOutOfMemory, ReadersAndRunsRaiseTheirOwnError) {
    const std::string dir = scratchDir("cusum_out_of_memory");
    // A line of 400,000 values: its text alone takes about 800 KB.
    std::string wide;
    for (int p = 0; p < 400000; ++p) wide += p ? ",0" : "0";
    const std::string path = file(dir, "wide.txt", wide + "\r\n");
    const std::string reading = "There is not enough memory left to read the file \"" + path + "\".";
    // 200,000 periods of two rows: their copies take 1.6 MB and more.
    constexpr std::int32_t kPeriods = 200000;
    const Matrix z = Matrix::Zero(3, kPeriods + 1);
    const std::vector<CentroidRecord> points = {{}, {"A", 0, 0}, {"B", 1, 0}};
    const struct {
        const char* name;
        std::function<void()> step;
        std::string says;
    } cases[] = {
        {"a cusum file", [&] { CusumFile::Read(path, 0); }, reading},
        {"a period matrix file", [&] { PeriodMatrixFile::Read(path, 1); }, reading},
        {"a point coordinate file", [&] { PointCoordinateFile::Read(path); }, reading},
        {"the smoothing", [&] { modCusum::Smooth(Matrix::Identity(3, 3), z, kPeriods); },
         "There is not enough memory left to compute the cusum of this study area."},
        {"the recursion", [&] { modCusum::Recursion(z, 2, kPeriods, 0.5, {}, {}, modCusum::Rows::Points); },
         "There is not enough memory left to compute the cusum of these points."},
        {"a point run", [&] { PointCusum::Run(points, 2, z, kPeriods, 0.5, 4, 0, 0, nullptr); },
         "There is not enough memory left to compute the cusum of these points."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            const AllocationLimit limit(512 * 1024);
            c.step();
            ADD_FAILURE() << "no error";
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), 7);
            EXPECT_EQ(e.description(), c.says);
        }
    }
}
