#include "retrospective/ClusterLines.h"

#include <cmath>

#include "platform/Error.h"
#include "platform/Format.h"
#include "stats/AppState.h"
#include "stats/modClusterDetection.h"
#include "stats/modPValue.h"

namespace ClusterLines {

std::string F(double value, const char* mask, char decimalSign) {
    if (!std::isfinite(value))
        throw AppError(RuntimeErrors::Overflow, "A result of the test is not a finite number.", "ClusterLines");
    return formatMask(value, mask, decimalSign);
}

std::string FD(double value, const char* mask) { return F(value, mask, displayDecimalSign()); }

std::string R(const std::string& text, std::size_t width) { return alignRight(text, width); }

namespace {

const std::string kListRule(82, '-');

// M* as the lines show it, counting each one without a value.
double mCritical(const AppState& s, std::int32_t& notices) {
    const modClusterDetection::MCritical m = modClusterDetection::GetMCritical(s.area, s.shared, s.retro);
    if (!m.defined) ++notices;
    return m.value;
}

std::string pValueListLine(double p) {
    if (!std::isfinite(p))
        throw AppError(RuntimeErrors::Overflow, "A p-value of the test is not a finite number.", "ClusterLines");
    if (p < 0.001) return "   ---> p-value < 0.001";
    return "   ---> p-value = " + FD(p, "0.0000");
}

const std::string& idAt(const std::vector<std::string>& ids, std::int32_t i) {
    static const std::string empty;
    return i >= 0 && static_cast<std::size_t>(i) < ids.size() ? ids[static_cast<std::size_t>(i)] : empty;
}

// The name of row i: a point's ID from the point file, or the region's
// primary ID.
const std::string& nameAt(const AppState& s, ListLayout layout, std::int32_t i) {
    static const std::string empty;
    if (layout == ListLayout::Regions) return idAt(s.retro.primaryIds, i);
    const auto& c = s.area.centroidTable;
    return i >= 0 && static_cast<std::size_t>(i) < c.size() ? c[static_cast<std::size_t>(i)].ID : empty;
}

double at(const std::vector<double>& a, std::int32_t i) {
    if (i < 0 || static_cast<std::size_t>(i) >= a.size()) raiseSubscriptOutOfRange("ClusterLines");
    return a[static_cast<std::size_t>(i)];
}

// Rows 1 to 9 of both score lists after their first line.
void appendScoreGlobalRows(AppState& s, std::vector<std::string>& g) {
    g.push_back("");
    g.push_back("A chi-squared approximation = " + FD(s.retro.scoreChiSquare, "0.000"));
    g.push_back("Degree of Freedom = " + FD(s.retro.scoreDf, "0.000"));
    g.push_back("Critical Value = " + FD(modClusterDetection::GetChiSquareCritical(s.retro.alpha, s.retro.scoreDf), "0.000"));
    g.push_back(pValueListLine(modPValue::GetChiSquarePValue(s.retro.scoreChiSquare, s.retro.scoreDf)));
    g.push_back("");
    g.push_back("A normal approximation = " + FD(s.retro.scoreZ, "0.000"));
    g.push_back(pValueListLine(modPValue::GetNormalPValue(s.retro.scoreZ)));
}

std::vector<std::string> pointScoreLocalLines(const AppState& s, const DoubleArray& u, const DoubleArray& z) {
    std::vector<std::string> l;
    l.reserve(static_cast<std::size_t>(s.area.regionCount) + 4);
    l.push_back(kListRule);
    l.push_back(R("ID", 13) + R("U(i) ", 11) + R("Z[U(i)]", 9) + R("Observed", 11) + R("Expected", 11));
    l.push_back(kListRule);
    for (std::int32_t i = 1; i <= s.area.regionCount; ++i)
        l.push_back(ColumnLine()
                        .cell(nameAt(s, ListLayout::Points, i), 13)
                        .cell(FD(at(u, i), "###0.000"), 10)
                        .cell(FD(at(z, i), "0.000"), 10)
                        .cell(FD(at(s.retro.observed, i), "0.000"), 11)
                        .cell(FD(at(s.retro.expected, i), "0.000"), 11)
                        .str());
    l.push_back(kListRule);
    return l;
}

std::vector<std::string> pointMLocalLines(const AppState& s) {
    std::vector<std::string> l;
    l.reserve(static_cast<std::size_t>(s.area.regionCount) + 4);
    l.push_back(kListRule);
    l.push_back(R("ID", 13) + R("M(i) ", 11) + R("Observed", 10) + R("Expected", 11));
    l.push_back(kListRule);
    for (std::int32_t i = 1; i <= s.area.regionCount; ++i)
        l.push_back(ColumnLine()
                        .cell(nameAt(s, ListLayout::Points, i), 13)
                        .cell(FD(at(s.retro.localM, i), "###0.000"), 10)
                        .cell(FD(at(s.retro.observed, i), "0.000"), 11)
                        .cell(FD(at(s.retro.expected, i), "0.000"), 11)
                        .str());
    l.push_back(kListRule);
    return l;
}

std::vector<std::string> scoreLocalLines(const AppState& s, bool unadjusted, ListLayout layout) {
    const DoubleArray& u = unadjusted ? s.retro.localScoreUnadjusted : s.retro.localScoreAdjusted;
    const DoubleArray& z = unadjusted ? s.retro.localScoreZUnadjusted : s.retro.localScoreZAdjusted;
    if (layout == ListLayout::Points) return pointScoreLocalLines(s, u, z);
    std::vector<std::string> l;
    l.reserve(static_cast<std::size_t>(s.area.regionCount) + 4);
    l.push_back(kListRule);
    if (!s.retro.secondaryIdOn) {
        const std::size_t we = unadjusted ? 12 : 11;
        l.push_back(R("ID", 13) + R("U(i) ", 11) + R("Z[U(i)]", 9) + R("Observed", 10) + R("Expected", we));
        l.push_back(kListRule);
        for (std::int32_t i = 1; i <= s.area.regionCount; ++i)
            l.push_back(ColumnLine()
                            .cell(idAt(s.retro.primaryIds, i), 13)
                            .cell(FD(at(u, i), "###0.000"), 10)
                            .cell(FD(at(z, i), "0.000"), 10)
                            .cell(FD(at(s.retro.observed, i), "0.000"), 10)
                            .cell(FD(at(s.retro.expected, i), "0.000"), we)
                            .str());
    } else {
        l.push_back(R("ID(1)", 13) + R("ID(2)", 13) + R("U(i) ", 10) + R("Z[U(i)]", 8) + R("Obs", 9) + R("Exp", 9));
        l.push_back(kListRule);
        for (std::int32_t i = 1; i <= s.area.regionCount; ++i)
            l.push_back(ColumnLine()
                            .cell(idAt(s.retro.primaryIds, i), 13)
                            .cell(idAt(s.retro.secondaryIds, i), 13)
                            .cell(FD(at(u, i), "###0.000"), 9)
                            .cell(FD(at(z, i), "0.000"), 9)
                            .cell(FD(at(s.retro.observed, i), "0.000"), 9)
                            .cell(FD(at(s.retro.expected, i), "0.000"), 9)
                            .str());
    }
    l.push_back(kListRule);
    return l;
}

std::vector<std::string> mLocalLines(const AppState& s, ListLayout layout) {
    if (layout == ListLayout::Points) return pointMLocalLines(s);
    std::vector<std::string> l;
    l.reserve(static_cast<std::size_t>(s.area.regionCount) + 4);
    l.push_back(kListRule);
    if (!s.retro.secondaryIdOn) {
        l.push_back(R("ID", 13) + R("M(i) ", 11) + R("Observed", 9) + R("Expected", 10));
        l.push_back(kListRule);
        for (std::int32_t i = 1; i <= s.area.regionCount; ++i)
            l.push_back(ColumnLine()
                            .cell(idAt(s.retro.primaryIds, i), 13)
                            .cell(FD(at(s.retro.localM, i), "###0.000"), 10)
                            .cell(FD(at(s.retro.observed, i), "0.000"), 10)
                            .cell(FD(at(s.retro.expected, i), "0.000"), 10)
                            .str());
    } else {
        l.push_back(R("ID(1)", 15) + R("ID(2)", 13) + R("M(i) ", 11) + R("Observed", 9) + R("Expected", 10));
        l.push_back(kListRule);
        for (std::int32_t i = 1; i <= s.area.regionCount; ++i)
            l.push_back(ColumnLine()
                            .cell(idAt(s.retro.primaryIds, i), 15)
                            .cell(idAt(s.retro.secondaryIds, i), 13)
                            .cell(FD(at(s.retro.localM, i), "###0.000"), 10)
                            .cell(FD(at(s.retro.observed, i), "0.000"), 10)
                            .cell(FD(at(s.retro.expected, i), "0.000"), 10)
                            .str());
    }
    l.push_back(kListRule);
    return l;
}

}  // namespace

ResultLines unadjustedScore(AppState& s, ListLayout layout) {
    ResultLines r;
    r.global.push_back("");
    r.global.push_back("U-statistic (unadjusted) = " + FD(s.retro.globalScoreUnadjusted, "0.000"));
    appendScoreGlobalRows(s, r.global);
    r.local = scoreLocalLines(s, true, layout);
    return r;
}

ResultLines adjustedScore(AppState& s, ListLayout layout) {
    ResultLines r;
    r.global.push_back("");
    r.global.push_back("U statistic (adjusted) = " + FD(s.retro.globalScoreAdjusted, "0.000"));
    appendScoreGlobalRows(s, r.global);
    r.global.push_back("");
    r.global.push_back("Maximum M statistic = " + FD(modClusterDetection::GetMaxLocalM(s.area, s.retro), "0.000"));
    r.global.push_back("");
    r.global.push_back("M Critical (M*) = " + FD(mCritical(s, r.mCriticalNotices), "0.000"));
    r.global.push_back("");
    r.local = scoreLocalLines(s, false, layout);
    return r;
}

ResultLines mStatistic(AppState& s, ListLayout layout) {
    ResultLines r;
    r.global.push_back("");
    r.global.push_back("Maximum M-statistic = " + FD(modClusterDetection::GetMaxLocalM(s.area, s.retro), "0.000"));
    r.global.push_back("");
    r.global.push_back("M Critical (M*) = " + FD(mCritical(s, r.mCriticalNotices), "0.000"));
    r.global.push_back("");
    r.local = mLocalLines(s, layout);
    return r;
}

std::string rangeRule() { return std::string(50, '-'); }

std::vector<std::string> rangeChartLabels(const AppState& s, ListLayout layout) {
    const char* mask = layout == ListLayout::Points ? "0.00" : "0.000";
    std::vector<std::string> labels;
    for (std::int32_t k = 0; k < s.retro.bandwidthCount; ++k) labels.push_back(FD(at(s.retro.rangeSigmas, k), mask));
    return labels;
}

namespace {

std::string pointRangeHeader(ClusterTest test) {
    switch (test) {
    case ClusterTest::Unadjusted: return R("Sigma", 6) + R("U", 9) + R("Chi", 8) + R("DF   ", 11) + R("P-Val", 7);
    case ClusterTest::AdjustedPoisson:
        return R("Sigma", 5) + R("U", 7) + R("Chi ", 8) + R("DF  ", 7) + R("M(M*)", 8) + R("P-Val", 8);
    case ClusterTest::FreemanTukey:
    case ClusterTest::Rossi: break;
    }
    return R("Sigma", 6) + R("M  ", 8) + R("M* ", 5);
}

std::string pointRangeRow(ClusterTest test, const RangeRow& row) {
    const bool small = row.pValue < 0.001;
    switch (test) {
    case ClusterTest::Unadjusted:
        return ColumnLine()
            .cell(FD(row.sigma, "0.00"), 6)
            .cell(FD(row.statistic, "0.0"), 9)
            .cell(FD(row.chiSquare, "0.0"), 8)
            .cell(FD(row.df, "0.00"), 8)
            .cell(small ? " <0.001" : FD(row.pValue, "0.0000"), small ? 10 : 9)
            .str();
    case ClusterTest::AdjustedPoisson:
        return ColumnLine()
            .cell(FD(row.sigma, "0.00"), 5)
            .cell(FD(row.statistic, "0.0"), 7)
            .cell(FD(row.chiSquare, "0.0"), 7)
            .cell(FD(row.df, "0.0"), 6)
            .cell(FD(row.maxM, "0.0"), 5)
            .text("(" + R(FD(row.mCritical, "0.0"), 3) + ")")
            .cell(small ? " <0.001" : FD(row.pValue, "0.0000"), 8)
            .str();
    case ClusterTest::FreemanTukey:
    case ClusterTest::Rossi: break;
    }
    return ColumnLine()
        .cell(FD(row.sigma, "0.00"), 6)
        .cell(FD(row.statistic, "0.00"), 6)
        .cell(FD(row.mCritical, "0.00"), 6)
        .str();
}

}  // namespace

std::string rangeHeader(ClusterTest test, ListLayout layout) {
    if (layout == ListLayout::Points) return pointRangeHeader(test);
    switch (test) {
    case ClusterTest::Unadjusted:
        return R("Sigma", 6) + R("U", 10) + R("Chi", 9) + R("DF   ", 12) + R("P-Val", 6);
    case ClusterTest::AdjustedPoisson:
        return R("Sigma", 5) + R("U", 7) + R("Chi ", 8) + R("DF  ", 7) + R("M(M*)", 8) + R("P-Val", 8);
    case ClusterTest::FreemanTukey:
    case ClusterTest::Rossi:
        break;
    }
    return R("Sigma", 6) + R("M  ", 8) + R("M* ", 5);
}

std::string rangeRow(ClusterTest test, const RangeRow& row, ListLayout layout) {
    if (layout == ListLayout::Points) return pointRangeRow(test, row);
    switch (test) {
    case ClusterTest::Unadjusted: {
        const bool small = row.pValue < 0.001;
        return ColumnLine()
            .cell(FD(row.sigma, "0.000"), 6)
            .cell(FD(row.statistic, "0.00"), 10)
            .cell(FD(row.chiSquare, "0.00"), 9)
            .cell(FD(row.df, "0.00"), 9)
            .cell(small ? "<0.001" : FD(row.pValue, "0.0000"), 9)
            .str();
    }
    case ClusterTest::AdjustedPoisson: {
        const bool small = row.pValue < 0.001;
        const char* m = small ? "0.0" : "0.00";
        return ColumnLine()
            .cell(FD(row.sigma, "0.00"), 5)
            .cell(FD(row.statistic, "0.0"), 7)
            .cell(FD(row.chiSquare, "0.0"), 7)
            .cell(FD(row.df, "0.0"), 6)
            .cell(FD(row.maxM, m), 5)
            .text("(" + R(FD(row.mCritical, m), 3) + ")")
            .cell(small ? "<0.001" : FD(row.pValue, "0.000"), small ? 8 : 6)
            .str();
    }
    case ClusterTest::FreemanTukey:
    case ClusterTest::Rossi:
        break;
    }
    return ColumnLine()
        .cell(FD(row.sigma, "0.000"), 6)
        .cell(FD(row.statistic, "0.00"), 6)
        .cell(FD(row.mCritical, "0.00"), 6)
        .str();
}

// ---- The report ----

namespace {

std::string FR(double value, const char* mask) { return F(value, mask, '.'); }

const std::string kD58(58, '-');
const std::string kD78(78, '-');

std::string withBlanks(const char* text, std::size_t blanks) { return std::string(text) + std::string(blanks, ' '); }

}  // namespace

ReportLines singleReport(AppState& s, ClusterTest test, ListLayout layout) {
    ReportLines report;
    std::vector<std::string>& out = report.lines;
    out.reserve(static_cast<std::size_t>(s.area.regionCount) + 20);
    switch (test) {
    case ClusterTest::Unadjusted: out.push_back(withBlanks("Summary of Global Score Statistic", 25)); break;
    case ClusterTest::AdjustedPoisson: out.push_back(withBlanks("Summary of Global Score and Maximum M Statistic", 25)); break;
    case ClusterTest::FreemanTukey: out.push_back(withBlanks("Summary of Maximum M Statistic (Standard)", 17)); break;
    case ClusterTest::Rossi: out.push_back(withBlanks("Summary of Maximum M Statistic (Rossi)", 20)); break;
    }
    out.push_back(kD58);
    if (isScoreTest(test)) {
        if (test == ClusterTest::Unadjusted)
            out.push_back("U-statistic (unadjusted) = " + FR(s.retro.globalScoreUnadjusted, "0.000"));
        else
            out.push_back("U-statistic (adjusted) = " + FR(s.retro.globalScoreAdjusted, "0.000"));
        out.push_back("A chi-squared approximation = " + FR(s.retro.scoreChiSquare, "0.000"));
        out.push_back("Degree of Freedom = " + FR(s.retro.scoreDf, "0.000"));
        out.push_back("   ---> p-value: " + FR(modPValue::GetChiSquarePValue(s.retro.scoreChiSquare, s.retro.scoreDf), "0.0000"));
        out.push_back("A normal approximation = " + FR(s.retro.scoreZ, "0.000"));
        out.push_back("   ---> p-value: " + FR(modPValue::GetNormalPValue(s.retro.scoreZ), "0.0000"));
    } else {
        out.push_back("Maximum M-statistic = " + FR(modClusterDetection::GetMaxLocalM(s.area, s.retro), "0.000"));
        out.push_back("M Critical (M*) = " + FR(mCritical(s, report.mCriticalNotices), "0.000"));
    }
    out.push_back(kD58);
    out.push_back("");
    switch (test) {
    case ClusterTest::Unadjusted: out.push_back(withBlanks("Summary of Local Score Statistic", 25)); break;
    case ClusterTest::AdjustedPoisson: out.push_back(withBlanks("Summary of Local Score and M Statistic", 25)); break;
    case ClusterTest::FreemanTukey:
    case ClusterTest::Rossi: out.push_back(withBlanks("Summary of Local M Statistic", 25)); break;
    }
    out.push_back(kD58);

    const bool two = layout == ListLayout::Regions && s.retro.secondaryIdOn;
    std::string header = R(two ? "ID(1)" : "ID", 15);
    if (two) header += R("ID(2)", 13);
    if (isScoreTest(test))
        header += R("U(i)", 10) + R("Z[U(i)]", 10);
    else
        header += R("M(i)", 10);
    header += R("Observed", 10) + R("Expected", 10);
    out.push_back(header);
    out.push_back(kD58);

    const bool unadj = test == ClusterTest::Unadjusted;
    const DoubleArray& u = unadj ? s.retro.localScoreUnadjusted : s.retro.localScoreAdjusted;
    const DoubleArray& z = unadj ? s.retro.localScoreZUnadjusted : s.retro.localScoreZAdjusted;
    for (std::int32_t i = 1; i <= s.area.regionCount; ++i) {
        ColumnLine line;
        line.cell(nameAt(s, layout, i), 15);
        if (two) line.cell(idAt(s.retro.secondaryIds, i), 13);
        if (isScoreTest(test))
            line.cell(FR(at(u, i), "###0.00"), 10).cell(FR(at(z, i), "0.00"), 10);
        else
            line.cell(FR(at(s.retro.localM, i), "###0.00"), 10);
        line.cell(FR(at(s.retro.observed, i), "0.00"), 10).cell(FR(at(s.retro.expected, i), "0.00"), 10);
        out.push_back(line.str());
    }
    out.push_back(kD58);
    return report;
}

std::vector<std::string> rangeReport(const AppState& s, ClusterTest test, ListLayout layout) {
    // The point report names its p-value column in full.
    const char* pHeader = layout == ListLayout::Points ? "p-value    " : "P-Val    ";
    std::vector<std::string> out;
    const std::int32_t K = s.retro.rangeSigmas.empty() ? 0 : static_cast<std::int32_t>(s.retro.rangeSigmas.size()) - 1;
    const std::string* dash = &kD58;
    std::string header;
    switch (test) {
    case ClusterTest::Unadjusted:
        out.push_back("A summary for a range of bandwidths (Score statistic - unadjusted)");
        header = R("Sigma", 6) + R("U-Stats", 12) + R("Chi", 12) + R("DF", 8) + R(pHeader, 16);
        break;
    case ClusterTest::AdjustedPoisson:
        out.push_back("A summary for a range of bandwidths (Score statistic - adjusted)");
        header = R("Sigma", 6) + R("U-Stats", 12) + R("Chi ", 12) + R("DF  ", 8) + R("M  ", 6) + R("M* ", 6) +
                 R(pHeader, 16);
        dash = &kD78;
        break;
    case ClusterTest::FreemanTukey:
        out.push_back("A summary for a range of bandwidths (M statistic - standard)");
        header = R("Sigma", 6) + R("M  ", 6) + R("M* ", 6);
        break;
    case ClusterTest::Rossi:
        out.push_back("A summary for a range of bandwidths (M statistic - Rossi)");
        header = R("Sigma", 6) + R("M  ", 6) + R("M* ", 6);
        break;
    }
    out.push_back("");
    out.push_back(header);
    out.push_back(*dash);
    for (std::int32_t k = 0; k < K; ++k) {
        ColumnLine line;
        line.cell(FR(at(s.retro.rangeSigmas, k), "0.000"), 6);
        switch (test) {
        case ClusterTest::Unadjusted:
            line.cell(FR(at(s.retro.rangeStatistic, k), "0.00"), 12)
                .cell(FR(at(s.retro.rangeChiSquare, k), "0.00"), 12)
                .cell(FR(at(s.retro.rangeDf, k), "0.00"), 8)
                .cell(FR(at(s.retro.rangePValue, k), "0.000000000000"), 16);
            break;
        case ClusterTest::AdjustedPoisson:
            line.cell(FR(at(s.retro.rangeStatistic, k), "0.00"), 12)
                .cell(FR(at(s.retro.rangeChiSquare, k), "0.00"), 12)
                .cell(FR(at(s.retro.rangeDf, k), "0.00"), 8)
                .cell(FR(at(s.retro.rangeMaxM, k), "0.00"), 6)
                .cell(FR(at(s.retro.rangeMCritical, k), "0.00"), 6)
                .cell(FR(at(s.retro.rangePValue, k), "0.000000000000"), 16);
            break;
        case ClusterTest::FreemanTukey:
        case ClusterTest::Rossi:
            line.cell(FR(at(s.retro.rangeStatistic, k), "0.00"), 6).cell(FR(at(s.retro.rangeMCritical, k), "0.00"), 6);
            break;
        }
        out.push_back(line.str());
    }
    out.push_back(*dash);
    return out;
}

}  // namespace ClusterLines
