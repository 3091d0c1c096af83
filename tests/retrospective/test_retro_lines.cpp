// The text lines of the cluster test: list rows, range rows and the report,
// checked against lines written out from the layouts by hand.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Error.h"
#include "platform/Utf8Text.h"
#include "retrospective/ClusterLines.h"
#include "stats/AppState.h"

namespace {

std::string sp(int n) { return std::string(static_cast<std::size_t>(n), ' '); }
const std::string D82(82, '-');
const std::string D58(58, '-');
const std::string D78(78, '-');

// Three regions with round results (p-values and critical values from the
// worked values: chi 3.841 with 1 df gives 0.0472, z 1.96 gives 0.0250,
// the 0.05 critical value of 1 df is 4.928).
AppState threeRegions() {
    AppState s;
    s.area.regionCount = 3;
    s.retro.alpha = 0.05;
    s.shared.sigma = 1e-8;
    s.retro.globalScoreUnadjusted = 12.3456;
    s.retro.globalScoreAdjusted = 7.5;
    s.retro.scoreChiSquare = 3.841;
    s.retro.scoreDf = 1.0;
    s.retro.scoreZ = 1.96;
    s.retro.localScoreUnadjusted = {0, 1.2345, -0.5, 2.0};
    s.retro.localScoreZUnadjusted = {0, 0.123, -1.5, 3.14159};
    s.retro.localScoreAdjusted = {0, -1.23456, 0.25, 10.0};
    s.retro.localScoreZAdjusted = {0, 0.5, -0.5, 1.0};
    s.retro.localM = {0, 0.5, -1.25, 2.345};
    s.retro.localMSorted = s.retro.localM;
    s.retro.observed = {0, 1, 2, 3};
    s.retro.expected = {0, 1.5, 2, 2.5};
    s.retro.primaryIds = {"", "A", "BB", "CCC"};
    s.retro.secondaryIds = {"", "x", "yy", "zzz"};
    return s;
}

TEST(RetroLines, UnadjustedListsOneId) {
    AppState s = threeRegions();
    const ResultLines r = ClusterLines::unadjustedScore(s);
    const std::vector<std::string> global = {
        "",
        "U-statistic (unadjusted) = 12.346",
        "",
        "A chi-squared approximation = 3.841",
        "Degree of Freedom = 1.000",
        "Critical Value = 4.928",
        "   ---> p-value = 0.0472",
        "",
        "A normal approximation = 1.960",
        "   ---> p-value = 0.0250",
    };
    EXPECT_EQ(r.global, global);
    const std::vector<std::string> local = {
        D82,
        sp(11) + "ID" + sp(6) + "U(i) " + sp(2) + "Z[U(i)]" + sp(2) + "Observed" + sp(4) + "Expected",
        D82,
        sp(12) + "A" + sp(5) + "1.235" + sp(5) + "0.123" + sp(5) + "1.000" + sp(7) + "1.500",
        sp(11) + "BB" + sp(4) + "-0.500" + sp(4) + "-1.500" + sp(5) + "2.000" + sp(7) + "2.000",
        sp(10) + "CCC" + sp(5) + "2.000" + sp(5) + "3.142" + sp(5) + "3.000" + sp(7) + "2.500",
        D82,
    };
    EXPECT_EQ(r.local, local);
    for (std::size_t i = 1; i + 1 < local.size(); ++i) {
        if (i != 2) { EXPECT_EQ(r.local[i].size(), 55u) << r.local[i]; }
    }
}

TEST(RetroLines, AdjustedListsCarryTheMaximumM) {
    AppState s = threeRegions();
    const ResultLines r = ClusterLines::adjustedScore(s);
    ASSERT_EQ(r.global.size(), 15u);
    EXPECT_EQ(r.global[1], "U statistic (adjusted) = 7.500");
    EXPECT_EQ(r.global[10], "");
    EXPECT_EQ(r.global[11], "Maximum M statistic = 2.345");
    EXPECT_EQ(r.global[13], "M Critical (M*) = 2.191");  // sigma 1E-8, alpha 0.05, N 3
    EXPECT_EQ(r.global[14], "");
    // Adjusted, one ID: the expected column is one character narrower.
    EXPECT_EQ(r.local[1], sp(11) + "ID" + sp(6) + "U(i) " + sp(2) + "Z[U(i)]" + sp(2) + "Observed" + sp(3) + "Expected");
    EXPECT_EQ(r.local[3], sp(12) + "A" + sp(4) + "-1.235" + sp(5) + "0.500" + sp(5) + "1.000" + sp(6) + "1.500");
    for (std::size_t i = 3; i < 6; ++i) EXPECT_EQ(r.local[i].size(), 54u);
}

TEST(RetroLines, TwoIdColumns) {
    AppState s = threeRegions();
    s.retro.secondaryIdOn = true;
    const ResultLines u = ClusterLines::unadjustedScore(s);
    EXPECT_EQ(u.local[1], sp(8) + "ID(1)" + sp(8) + "ID(2)" + sp(5) + "U(i) " + sp(1) + "Z[U(i)]" + sp(6) + "Obs" + sp(6) + "Exp");
    EXPECT_EQ(u.local[5], sp(10) + "CCC" + sp(10) + "zzz" + sp(4) + "2.000" + sp(4) + "3.142" + sp(4) + "3.000" + sp(4) + "2.500");
    for (std::size_t i = 1; i < 6; ++i) {
        if (i != 2) { EXPECT_EQ(u.local[i].size(), 62u); }
    }
    const ResultLines m = ClusterLines::mStatistic(s);
    EXPECT_EQ(m.local[1], sp(10) + "ID(1)" + sp(8) + "ID(2)" + sp(6) + "M(i) " + sp(1) + "Observed" + sp(2) + "Expected");
    for (std::size_t i = 3; i < 6; ++i) EXPECT_EQ(m.local[i].size(), 58u);
}

TEST(RetroLines, MList) {
    AppState s = threeRegions();
    const ResultLines r = ClusterLines::mStatistic(s);
    const std::vector<std::string> global = {"", "Maximum M-statistic = 2.345", "", "M Critical (M*) = 2.191", ""};
    EXPECT_EQ(r.global, global);
    EXPECT_EQ(r.local[1], sp(11) + "ID" + sp(6) + "M(i) " + sp(1) + "Observed" + sp(2) + "Expected");
    EXPECT_EQ(r.local[4], sp(11) + "BB" + sp(4) + "-1.250" + sp(5) + "2.000" + sp(5) + "2.000");
    EXPECT_EQ(r.local[4].size(), 43u);
    ASSERT_EQ(r.local.size(), 7u);
    EXPECT_EQ(r.local.back(), D82);
}

TEST(RetroLines, PValueLines) {
    // z = 4.5 gives about 0.000003; chi = 0 with 1 df gives 0.0494.
    AppState s = threeRegions();
    s.retro.scoreZ = 4.5;
    s.retro.scoreChiSquare = 0.0;
    s.retro.scoreDf = 1.0;
    const ResultLines r = ClusterLines::unadjustedScore(s);
    EXPECT_EQ(r.global[6], "   ---> p-value = 0.0494");
    EXPECT_EQ(r.global[9], "   ---> p-value < 0.001");
}

TEST(RetroLines, LongIdPushesTheRow) {
    AppState s = threeRegions();
    s.retro.primaryIds[1] = "ABCDEFGHIJKLMN";  // 14 characters in a field of 13
    const ResultLines r = ClusterLines::unadjustedScore(s);
    EXPECT_EQ(r.local[3], "ABCDEFGHIJKLMN" + sp(5) + "1.235" + sp(5) + "0.123" + sp(5) + "1.000" + sp(7) + "1.500");
    EXPECT_EQ(r.local[3].size(), 56u);
}

TEST(RetroLines, IdsInAnyScriptLineUpByCharacters) {
    // Two-byte and three-byte UTF-8 characters count as one character each,
    // in the lists and in the report, in both ID columns.
    AppState s = threeRegions();
    s.retro.primaryIds = {"", "\xc3\x85sh\xc3\xa9", "\xe6\x9d\xb1\xe4\xba\xac \xce\xa9mega", "CCC"};  // Åshé, 東京 Ωmega
    s.retro.secondaryIds = {"", "\xc3\xbc", "yy", "zzz"};                                         // ü
    s.retro.secondaryIdOn = true;
    const ResultLines u = ClusterLines::unadjustedScore(s);
    const ResultLines m = ClusterLines::mStatistic(s);
    const auto report = ClusterLines::singleReport(s, ClusterTest::AdjustedPoisson).lines;
    for (std::size_t i = 3; i < 6; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(characterCount(u.local[i]), 62u) << u.local[i];
        EXPECT_EQ(characterCount(m.local[i]), 58u) << m.local[i];
    }
    EXPECT_EQ(u.local[3].substr(0, 9 + 6), sp(9) + "\xc3\x85sh\xc3\xa9");
    for (std::size_t i = 14; i < 17; ++i) EXPECT_EQ(characterCount(report[i]), 68u) << report[i];
}

TEST(RetroLines, NonFiniteValuesNeverReachALine) {
    AppState s = threeRegions();
    s.retro.localScoreUnadjusted[2] = std::numeric_limits<double>::infinity();
    EXPECT_THROW(ClusterLines::unadjustedScore(s), AppError);
    s = threeRegions();
    s.retro.observed[3] = std::numeric_limits<double>::quiet_NaN();
    EXPECT_THROW(ClusterLines::singleReport(s, ClusterTest::Rossi), AppError);
}

TEST(RetroLines, RangeRows) {
    using ClusterLines::RangeRow;
    RangeRow row{0.2, 10.5, 3.5, 2.5, 0.0123, 2.345, 3.1565};
    RangeRow small = row;
    small.pValue = 0.0004;
    RangeRow edge = row;
    edge.pValue = 0.001;

    EXPECT_EQ(ClusterLines::rangeHeader(ClusterTest::Unadjusted), " Sigma" + sp(9) + "U" + sp(6) + "Chi" + sp(7) + "DF   " + " P-Val");
    EXPECT_EQ(ClusterLines::rangeRow(ClusterTest::Unadjusted, row), " 0.200" + sp(5) + "10.50" + sp(5) + "3.50" + sp(5) + "2.50" + sp(3) + "0.0123");
    EXPECT_EQ(ClusterLines::rangeRow(ClusterTest::Unadjusted, small), " 0.200" + sp(5) + "10.50" + sp(5) + "3.50" + sp(5) + "2.50" + "   <0.001");
    EXPECT_EQ(ClusterLines::rangeRow(ClusterTest::Unadjusted, edge).substr(34), sp(3) + "0.0010");

    EXPECT_EQ(ClusterLines::rangeHeader(ClusterTest::AdjustedPoisson), "Sigma" + sp(6) + "U" + sp(4) + "Chi " + sp(3) + "DF  " + sp(3) + "M(M*)" + sp(3) + "P-Val");
    EXPECT_EQ(ClusterLines::rangeRow(ClusterTest::AdjustedPoisson, row), " 0.20" + sp(3) + "10.5" + sp(4) + "3.5" + sp(3) + "2.5" + " 2.35(3.16)" + " 0.012");
    EXPECT_EQ(ClusterLines::rangeRow(ClusterTest::AdjustedPoisson, small), " 0.20" + sp(3) + "10.5" + sp(4) + "3.5" + sp(3) + "2.5" + sp(2) + "2.3(3.2)" + "  <0.001");

    EXPECT_EQ(ClusterLines::rangeHeader(ClusterTest::FreemanTukey), " Sigma" + sp(5) + "M  " + "  M* ");
    EXPECT_EQ(ClusterLines::rangeRow(ClusterTest::Rossi, RangeRow{1.1, 2.345, 0, 0, 0, 0, 3.1565}), " 1.100" + sp(2) + "2.35" + sp(2) + "3.16");
    EXPECT_EQ(ClusterLines::rangeRule(), std::string(50, '-'));
}

// ---- The report ----

TEST(RetroReport, UnadjustedSingle) {
    AppState s = threeRegions();
    const std::vector<std::string> expected = {
        "Summary of Global Score Statistic" + sp(25),
        D58,
        "U-statistic (unadjusted) = 12.346",
        "A chi-squared approximation = 3.841",
        "Degree of Freedom = 1.000",
        "   ---> p-value: 0.0472",
        "A normal approximation = 1.960",
        "   ---> p-value: 0.0250",
        D58,
        "",
        "Summary of Local Score Statistic" + sp(25),
        D58,
        sp(13) + "ID" + sp(6) + "U(i)" + sp(3) + "Z[U(i)]" + sp(2) + "Observed" + sp(2) + "Expected",
        D58,
        sp(14) + "A" + sp(6) + "1.23" + sp(6) + "0.12" + sp(6) + "1.00" + sp(6) + "1.50",
        sp(13) + "BB" + sp(5) + "-0.50" + sp(5) + "-1.50" + sp(6) + "2.00" + sp(6) + "2.00",
        sp(12) + "CCC" + sp(6) + "2.00" + sp(6) + "3.14" + sp(6) + "3.00" + sp(6) + "2.50",
        D58,
    };
    const auto lines = ClusterLines::singleReport(s, ClusterTest::Unadjusted).lines;
    ASSERT_EQ(lines.size(), 18u);
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(lines[i], expected[i]) << "line " << i + 1;
    EXPECT_EQ(lines[0].size(), 58u);
    EXPECT_EQ(lines[10].size(), 57u);
    EXPECT_EQ(lines[12].size(), 55u);
}

TEST(RetroReport, AdjustedSingleTwoIds) {
    AppState s = threeRegions();
    s.retro.secondaryIdOn = true;
    const auto lines = ClusterLines::singleReport(s, ClusterTest::AdjustedPoisson).lines;
    ASSERT_EQ(lines.size(), 18u);
    EXPECT_EQ(lines[0], "Summary of Global Score and Maximum M Statistic" + sp(25));
    EXPECT_EQ(lines[0].size(), 72u);
    EXPECT_EQ(lines[2], "U-statistic (adjusted) = 7.500");
    EXPECT_EQ(lines[10], "Summary of Local Score and M Statistic" + sp(25));
    EXPECT_EQ(lines[10].size(), 63u);
    EXPECT_EQ(lines[12], sp(10) + "ID(1)" + sp(8) + "ID(2)" + sp(6) + "U(i)" + sp(3) + "Z[U(i)]" + sp(2) + "Observed" + sp(2) + "Expected");
    EXPECT_EQ(lines[14], sp(14) + "A" + sp(12) + "x" + sp(5) + "-1.23" + sp(6) + "0.50" + sp(6) + "1.00" + sp(6) + "1.50");
    EXPECT_EQ(lines[14].size(), 68u);
}

TEST(RetroReport, MSingle) {
    struct Case { ClusterTest test; std::string title; };
    for (const Case& c : {Case{ClusterTest::FreemanTukey, "Summary of Maximum M Statistic (Standard)" + sp(17)},
                          Case{ClusterTest::Rossi, "Summary of Maximum M Statistic (Rossi)" + sp(20)}}) {
        SCOPED_TRACE(c.title);
        AppState s = threeRegions();
        const auto lines = ClusterLines::singleReport(s, c.test).lines;
        const std::vector<std::string> expected = {
            c.title,
            D58,
            "Maximum M-statistic = 2.345",
            "M Critical (M*) = 2.191",
            D58,
            "",
            "Summary of Local M Statistic" + sp(25),
            D58,
            sp(13) + "ID" + sp(6) + "M(i)" + sp(2) + "Observed" + sp(2) + "Expected",
            D58,
            sp(14) + "A" + sp(6) + "0.50" + sp(6) + "1.00" + sp(6) + "1.50",
            sp(13) + "BB" + sp(5) + "-1.25" + sp(6) + "2.00" + sp(6) + "2.00",
            sp(12) + "CCC" + sp(6) + "2.35" + sp(6) + "3.00" + sp(6) + "2.50",
            D58,
        };
        EXPECT_EQ(lines, expected);
        EXPECT_EQ(lines[8].size(), 45u);
    }
}

AppState twoBandwidths() {
    AppState s;
    s.retro.bandwidthCount = 2;
    s.retro.rangeSigmas = {0.2, 0.4, 0};
    s.retro.rangeStatistic = {10.5, 11.25, 0};
    s.retro.rangeChiSquare = {3.5, 4.25, 0};
    s.retro.rangeDf = {2.5, 2.75, 0};
    s.retro.rangePValue = {0.0123, 0.5, 0};
    s.retro.rangeMaxM = {2.345, 1.0, 0};
    s.retro.rangeMCritical = {3.1565, 3.0, 0};
    return s;
}

TEST(RetroReport, RangeLayouts) {
    const AppState s = twoBandwidths();
    {
        const auto lines = ClusterLines::rangeReport(s, ClusterTest::Unadjusted);
        const std::vector<std::string> expected = {
            "A summary for a range of bandwidths (Score statistic - unadjusted)",
            "",
            " Sigma" + sp(5) + "U-Stats" + sp(9) + "Chi" + sp(6) + "DF" + sp(7) + "P-Val    ",
            D58,
            " 0.200" + sp(7) + "10.50" + sp(8) + "3.50" + sp(4) + "2.50" + sp(2) + "0.012300000000",
            " 0.400" + sp(7) + "11.25" + sp(8) + "4.25" + sp(4) + "2.75" + sp(2) + "0.500000000000",
            D58,
        };
        EXPECT_EQ(lines, expected);
        EXPECT_EQ(lines[2].size(), 54u);
    }
    {
        const auto lines = ClusterLines::rangeReport(s, ClusterTest::AdjustedPoisson);
        ASSERT_EQ(lines.size(), 7u);
        EXPECT_EQ(lines[0], "A summary for a range of bandwidths (Score statistic - adjusted)");
        EXPECT_EQ(lines[2], " Sigma" + sp(5) + "U-Stats" + sp(8) + "Chi " + sp(4) + "DF  " + sp(3) + "M  " + sp(3) + "M* " + sp(7) + "P-Val    ");
        EXPECT_EQ(lines[3], D78);
        EXPECT_EQ(lines[4], " 0.200" + sp(7) + "10.50" + sp(8) + "3.50" + sp(4) + "2.50" + sp(2) + "2.35" + sp(2) + "3.16" + sp(2) + "0.012300000000");
        EXPECT_EQ(lines[2].size(), 66u);
        EXPECT_EQ(lines[6], D78);
    }
    for (ClusterTest t : {ClusterTest::FreemanTukey, ClusterTest::Rossi}) {
        const auto lines = ClusterLines::rangeReport(s, t);
        EXPECT_EQ(lines[0], t == ClusterTest::Rossi ? "A summary for a range of bandwidths (M statistic - Rossi)"
                                                    : "A summary for a range of bandwidths (M statistic - standard)");
        EXPECT_EQ(lines[2], " Sigma" + sp(3) + "M  " + sp(3) + "M* ");
        EXPECT_EQ(lines[4], " 0.200" + sp(1) + "10.50" + sp(2) + "3.16");
        EXPECT_EQ(lines[5], " 0.400" + sp(1) + "11.25" + sp(2) + "3.00");
        EXPECT_EQ(lines[2].size(), 18u);
    }
}

// Counts around a million per region, or statistics as large, fill their
// fields or run past them: each value still stands apart from the one
// before it, by one blank, in the lists, the range rows and the report. The
// lines above hold the layout of values that fit.
TEST(RetroLines, ValuesThatFillTheirFieldsStayApart) {
    AppState s = threeRegions();
    s.retro.primaryIds[1] = "Marberg-27012";  // fills its field of 13
    s.retro.secondaryIds[1] = "Lower Marberg";
    s.retro.localScoreUnadjusted[1] = 123456.789;
    s.retro.localScoreZUnadjusted[1] = -3179.63;
    s.retro.localM[1] = -123456.789;
    s.retro.observed[1] = 65000000.0;
    s.retro.expected[1] = 71811969.51;
    struct Case {
        const char* name;
        std::string line, expected;
    };
    std::vector<Case> cases = {
        {"unadjusted list", ClusterLines::unadjustedScore(s).local[3],
         "Marberg-27012 123456.789 -3179.630 65000000.000 71811969.510"},
        {"M list", ClusterLines::mStatistic(s).local[3], "Marberg-27012 -123456.789 65000000.000 71811969.510"},
        {"unadjusted report", ClusterLines::singleReport(s, ClusterTest::Unadjusted).lines[14],
         "  Marberg-27012 123456.79  -3179.63 65000000.00 71811969.51"},
        {"M report", ClusterLines::singleReport(s, ClusterTest::Rossi).lines[10],
         "  Marberg-27012 -123456.79 65000000.00 71811969.51"},
    };
    s.retro.secondaryIdOn = true;
    cases.push_back({"unadjusted list, two IDs", ClusterLines::unadjustedScore(s).local[3],
                     "Marberg-27012 Lower Marberg 123456.789 -3179.630 65000000.000 71811969.510"});
    cases.push_back({"M report, two IDs", ClusterLines::singleReport(s, ClusterTest::FreemanTukey).lines[10],
                     "  Marberg-27012 Lower Marberg -123456.79 65000000.00 71811969.51"});

    using ClusterLines::RangeRow;
    const RangeRow wide{0.2, 12345678.9, 123456.78, 11.0, 0.5, 123.45, 3.1565};
    cases.push_back({"unadjusted range row", ClusterLines::rangeRow(ClusterTest::Unadjusted, wide),
                     " 0.200 12345678.90 123456.78    11.00   0.5000"});
    cases.push_back({"adjusted range row", ClusterLines::rangeRow(ClusterTest::AdjustedPoisson, wide),
                     " 0.20 12345678.9 123456.8  11.0 123.45(3.16) 0.500"});
    cases.push_back({"M range row", ClusterLines::rangeRow(ClusterTest::Rossi, RangeRow{10.0, 100.0, 0, 0, 0, 0, 1234.5}),
                     "10.000 100.00 1234.50"});
    AppState r = twoBandwidths();
    r.retro.rangeStatistic[0] = 123456789012.5;
    r.retro.rangeMaxM[0] = 123.456;
    r.retro.rangeMCritical[0] = 1234.5;
    cases.push_back({"unadjusted range report", ClusterLines::rangeReport(r, ClusterTest::Unadjusted)[4],
                     " 0.200 123456789012.50" + sp(8) + "3.50" + sp(4) + "2.50" + sp(2) + "0.012300000000"});
    cases.push_back({"adjusted range report", ClusterLines::rangeReport(r, ClusterTest::AdjustedPoisson)[4],
                     " 0.200 123456789012.50" + sp(8) + "3.50" + sp(4) + "2.50 123.46 1234.50" + sp(2) +
                         "0.012300000000"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.line, c.expected);
    }
}

TEST(RetroReport, TenBandwidthsGiveFifteenLines) {
    AppState s;
    s.retro.rangeSigmas.assign(11, 0.5);
    for (auto* t : {&s.retro.rangeStatistic, &s.retro.rangeChiSquare, &s.retro.rangeDf, &s.retro.rangePValue, &s.retro.rangeMaxM, &s.retro.rangeMCritical})
        t->assign(11, 1.0);
    EXPECT_EQ(ClusterLines::rangeReport(s, ClusterTest::Unadjusted).size(), 15u);
}

}  // namespace
