#include "retrospective/ClusterRun.h"

#include <cmath>
#include <iterator>

#include "platform/Convert.h"
#include "platform/Error.h"
#include "platform/Format.h"
#include "stats/modClusterDetection.h"
#include "stats/modPValue.h"

namespace ClusterRun {

namespace {

[[noreturn]] void refuse(const std::string& text) {
    throw AppError(RuntimeErrors::InvalidArgument, text, kDataErrorSource);
}

std::string regionText(std::int32_t i) { return std::to_string(i); }

// The matrices each run sizes anew when it writes them.
constexpr Matrix AppState::*kRunMatrices[] = {
    &AppState::scoreWeights,           &AppState::scoreWeightsUnadjusted, &AppState::scoreWeightsAdjusted,
    &AppState::weightCrossProduct,     &AppState::momentMatrixUnadjusted, &AppState::momentMatrixAdjusted,
    &AppState::mWeights,               &AppState::rangeLocalStats,        &AppState::chartData,
    &AppState::mapCusum,
};

double finiteOr(double v, const char* what) {
    if (!std::isfinite(v)) refuse(std::string("The test gave no finite value for ") + what +
                                  " with these data and this bandwidth.");
    return v;
}

// The score statistic of one bandwidth, unadjusted or adjusted.
void calcScore(AppState& s, bool unadjusted) {
    namespace cd = modClusterDetection;
    cd::CalcScoreWeights(s);
    if (unadjusted) {
        cd::CalcLocalScoreUnadjusted(s);
        cd::CalcScoreMomentsUnadjusted(s);
        cd::StandardizeScoreUnadjusted(s);
    } else {
        cd::CalcLocalScoreAdjusted(s);
        cd::CalcScoreMomentsAdjusted(s);
        cd::StandardizeScoreAdjusted(s);
    }
}

// The local M statistics of one bandwidth: of the Poisson residuals for
// the adjusted score test, else of the test's own residuals (the
// unadjusted test computes no M of its own).
void calcLocalM(AppState& s, ClusterTest test) {
    namespace cd = modClusterDetection;
    cd::CalcMWeights(s);
    switch (test) {
    case ClusterTest::Unadjusted:
    case ClusterTest::AdjustedPoisson: cd::CalcLocalMPoisson(s); break;
    case ClusterTest::FreemanTukey: cd::CalcLocalMFreemanTukey(s); break;
    case ClusterTest::Rossi: cd::CalcLocalMRossi(s); break;
    }
}

}  // namespace

void checkData(const AppState& s) {
    const std::int32_t n = s.regionCount;
    const auto need = static_cast<std::size_t>(n) + 1;
    if (n < 1 || s.observed.empty() || s.expected.empty() || s.expectedShare.empty())
        refuse("No counts have been read for this study area. Choose the count fields with \"Reset Data\" and press OK.");
    if (n < 2) refuse("The cluster test needs at least two regions; this study area has " + regionText(n) + ".");
    if (s.observed.size() != need || s.expected.size() != need || s.expectedShare.size() != need)
        refuse("The counts were read for another study area. Choose the count fields with \"Reset Data\" and press OK.");
    if (s.centroidTable.size() != need)
        refuse("The region centroids have not been computed for this study area.");
    if (!(std::isfinite(s.studyArea) && s.studyArea > 0.0))
        refuse("The study area has no area, so the kernel of the test has no scale.");
    if (!(std::isfinite(s.totalCases) && s.totalCases > 0.0))
        refuse("The data hold no cases (the observed counts add up to 0), so the test cannot be computed.");
    for (std::int32_t i = 1; i <= n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        if (!std::isfinite(s.observed[k]) || s.observed[k] < 0.0)
            refuse("Region " + regionText(i) + " has an invalid observed count.");
        if (!(std::isfinite(s.expected[k]) && s.expected[k] > 0.0))
            refuse("Region " + regionText(i) + " has an expected count of 0, so the test cannot be computed.");
        if (!(std::isfinite(s.expectedShare[k]) && s.expectedShare[k] > 0.0))
            refuse("Region " + regionText(i) + " has an expected share of 0, so the test cannot be computed.");
        if (!std::isfinite(s.centroidTable[k].X) || !std::isfinite(s.centroidTable[k].Y))
            refuse("Region " + regionText(i) + " has no valid centroid.");
    }
}

AppState workingCopy(AppState& state) {
    Matrix held[std::size(kRunMatrices)];
    for (std::size_t i = 0; i < std::size(kRunMatrices); ++i) held[i].swap(state.*kRunMatrices[i]);
    AppState work = state;
    for (std::size_t i = 0; i < std::size(kRunMatrices); ++i) held[i].swap(state.*kRunMatrices[i]);
    return work;
}

void commit(AppState& state, AppState&& work) {
    for (auto m : kRunMatrices)
        if ((work.*m).size() == 0) (work.*m).swap(state.*m);
    state = std::move(work);
}

SingleResult computeSingle(AppState& s, ClusterTest test) {
    SingleResult r;
    switch (test) {
    case ClusterTest::Unadjusted:
        calcScore(s, true);
        r.lines = ClusterLines::unadjustedScore(s);
        break;
    case ClusterTest::AdjustedPoisson:
        calcScore(s, false);
        calcLocalM(s, test);
        r.lines = ClusterLines::adjustedScore(s);
        break;
    case ClusterTest::FreemanTukey:
    case ClusterTest::Rossi:
        calcLocalM(s, test);
        r.lines = ClusterLines::mStatistic(s);
        break;
    }
    r.mapValues = isScoreTest(test) ? s.scoreMapValues : s.mMapValues;
    for (std::size_t i = 1; i < r.mapValues.size(); ++i) finiteOr(r.mapValues[i], "a local statistic");
    // The map keeps showing what this run drew on every later redraw: the
    // adjusted test also computes the Poisson M values, but maps its scores.
    s.mapClassValues = r.mapValues;
    s.mapLegendValues = r.mapValues;
    return r;
}

std::int16_t rangeCount(double from, double to, double step) {
    const double k = std::fabs(from - to) / step + 1.0;
    // 32767.5 itself rounds to the even 32768, which no longer fits.
    if (!std::isfinite(k) || k >= 32767.5)
        refuse("The range holds too many bandwidths (at most 32767). Choose a larger step.");
    return toInt16(k);
}

RangeResult computeRange(AppState& s, ClusterTest test, double from, double to, double step, std::int16_t count) {
    namespace cd = modClusterDetection;
    const std::int32_t n = s.regionCount;
    const auto rows = static_cast<std::size_t>(count) + 1;

    s.sigmaRangeEnd = to;
    s.bandwidthCount = count;
    s.sigma = from == 0.0 ? 1e-8 : from;
    for (DoubleArray* t : {&s.rangeStatistic, &s.rangeSigmas, &s.rangeChiSquare, &s.rangeDf, &s.rangePValue,
                           &s.rangeChiCritical, &s.rangeMaxM, &s.rangeMCritical})
        t->assign(rows, 0.0);
    s.rangeLocalStats = Matrix::Zero(static_cast<Eigen::Index>(rows), n + 1);

    RangeResult r;
    r.globalLines.reserve(rows + 3);
    r.globalLines.push_back(ClusterLines::rangeHeader(test));
    r.globalLines.push_back(ClusterLines::rangeRule());

    double lastSigma = s.sigma;
    for (std::int32_t k = 0; k < count; ++k) {
        if (s.sigma > s.sigmaRangeEnd) s.sigma = s.sigmaRangeEnd;
        ClusterLines::RangeRow row;
        const DoubleArray* local = nullptr;
        switch (test) {
        case ClusterTest::Unadjusted:
            calcScore(s, true);
            row.statistic = s.globalScoreUnadjusted;
            row.pValue = modPValue::GetChiSquarePValue(s.scoreChiSquare, s.scoreDf);
            local = &s.localScoreUnadjusted;
            break;
        case ClusterTest::AdjustedPoisson:
            // Unlike the single run, the Poisson M comes first, so the map
            // copies the engine leaves behind are those of the adjusted scores.
            calcLocalM(s, test);
            calcScore(s, false);
            row.statistic = s.globalScoreAdjusted;
            row.pValue = modPValue::GetChiSquarePValue(s.scoreChiSquare, s.scoreDf);
            row.maxM = cd::GetMaxLocalM(s);
            row.mCritical = cd::GetMCritical(s);
            local = &s.localScoreAdjusted;
            break;
        case ClusterTest::FreemanTukey:
        case ClusterTest::Rossi:
            calcLocalM(s, test);
            row.statistic = cd::GetMaxLocalM(s);
            row.mCritical = cd::GetMCritical(s);
            local = &s.localM;
            break;
        }
        row.sigma = s.sigma;
        if (isScoreTest(test)) {
            row.chiSquare = s.scoreChiSquare;
            row.df = s.scoreDf;
        }
        r.globalLines.push_back(ClusterLines::rangeRow(test, row));

        const auto kk = static_cast<std::size_t>(k);
        s.rangeSigmas[kk] = row.sigma;
        s.rangeStatistic[kk] = row.statistic;
        if (isScoreTest(test)) {
            s.rangeChiSquare[kk] = row.chiSquare;
            s.rangeDf[kk] = row.df;
            s.rangePValue[kk] = finiteOr(row.pValue, "the p-value");
            s.rangeChiCritical[kk] = finiteOr(cd::GetChiSquareCritical(s.alpha, s.scoreDf), "the critical value");
        }
        if (test == ClusterTest::AdjustedPoisson) s.rangeMaxM[kk] = row.maxM;
        if (test != ClusterTest::Unadjusted) s.rangeMCritical[kk] = row.mCritical;
        for (std::int32_t i = 1; i <= n; ++i)
            s.rangeLocalStats(k, i) = finiteOr((*local)[static_cast<std::size_t>(i)], "a local statistic");

        lastSigma = s.sigma;
        s.sigma = s.sigma + step;
    }
    s.sigma = lastSigma;
    r.globalLines.push_back(ClusterLines::rangeRule());

    s.chartData = Matrix::Zero(count, 2);
    for (std::int32_t k = 0; k < count; ++k) {
        const auto kk = static_cast<std::size_t>(k);
        if (isScoreTest(test)) {
            s.chartData(k, 0) = s.rangeChiSquare[kk];
            s.chartData(k, 1) = s.rangeChiCritical[kk];
        } else {
            s.chartData(k, 0) = s.rangeStatistic[kk];
            s.chartData(k, 1) = s.rangeMCritical[kk];
        }
    }
    return r;
}

}  // namespace ClusterRun
