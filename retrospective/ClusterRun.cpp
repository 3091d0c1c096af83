#include "retrospective/ClusterRun.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <new>
#include <optional>

#include "platform/Convert.h"
#include "platform/Error.h"
#include "platform/Format.h"
#include "stats/EngineBuffers.h"
#include "stats/modClusterDetection.h"
#include "stats/modFunctions.h"
#include "stats/modPValue.h"

namespace ClusterRun {

namespace {

[[noreturn]] void refuse(const std::string& text) {
    throw AppError(RuntimeErrors::InvalidArgument, text, kDataErrorSource);
}

std::string regionText(std::int32_t i) { return std::to_string(i); }

double finiteOr(double v, const char* what) {
    if (!std::isfinite(v)) refuse(std::string("The test gave no finite value for ") + what +
                                  " with these data and this bandwidth.");
    return v;
}

// The cases and the counts of items 1..n ("Region" or "Point"): some cases,
// no negative observed count, and positive expected counts and shares.
void checkCounts(const AppState& s, std::int32_t n, const std::string& item) {
    if (!(std::isfinite(s.retro.totalCases) && s.retro.totalCases > 0.0))
        refuse("The data hold no cases (the observed counts add up to 0), so the test cannot be computed.");
    for (std::int32_t i = 1; i <= n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        if (!std::isfinite(s.retro.observed[k]) || s.retro.observed[k] < 0.0)
            refuse(item + " " + regionText(i) + " has an invalid observed count.");
        if (!(std::isfinite(s.retro.expected[k]) && s.retro.expected[k] > 0.0))
            refuse(item + " " + regionText(i) + " has an expected count of 0, so the test cannot be computed.");
        if (!(std::isfinite(s.retro.expectedShare[k]) && s.retro.expectedShare[k] > 0.0))
            refuse(item + " " + regionText(i) + " has an expected share of 0, so the test cannot be computed.");
    }
}

// The score statistic of one bandwidth, unadjusted or adjusted.
void calcScore(AppState& s, bool unadjusted) {
    namespace cd = modClusterDetection;
    cd::CalcScoreWeights(s.area, s.points, s.shared, s.retro);
    if (unadjusted) {
        cd::CalcLocalScoreUnadjusted(s.area, s.retro);
        cd::CalcScoreMomentsUnadjusted(s.area, s.retro);
        cd::StandardizeScoreUnadjusted(s.retro);
    } else {
        cd::CalcLocalScoreAdjusted(s.area, s.retro);
        cd::CalcScoreMomentsAdjusted(s.area, s.retro);
        cd::StandardizeScoreAdjusted(s.retro);
    }
}

// The local M statistics of one bandwidth: of the Poisson residuals for
// the adjusted score test, else of the test's own residuals (the
// unadjusted test computes no M of its own).
void calcLocalM(AppState& s, ClusterTest test) {
    namespace cd = modClusterDetection;
    cd::CalcMWeights(s.area, s.points, s.shared, s.retro);
    switch (test) {
    case ClusterTest::Unadjusted:
    case ClusterTest::AdjustedPoisson: cd::CalcLocalMPoisson(s.area, s.retro); break;
    case ClusterTest::FreemanTukey: cd::CalcLocalMFreemanTukey(s.area, s.retro); break;
    case ClusterTest::Rossi: cd::CalcLocalMRossi(s.area, s.retro); break;
    }
}

// M* of the running bandwidth, counting each one without a value.
double mCritical(const AppState& s, std::int32_t& notices) {
    const modClusterDetection::MCritical m = modClusterDetection::GetMCritical(s.area, s.shared, s.retro);
    if (!m.defined) ++notices;
    return m.value;
}

}  // namespace

std::string failureText(const AppError& e) {
    if (e.source() == kDataErrorSource) return e.description();
    return "The test cannot be computed on these data: " + e.description();
}

void checkData(const AppState& s) {
    const std::int32_t n = s.area.regionCount;
    const auto need = static_cast<std::size_t>(n) + 1;
    if (n < 1 || s.retro.observed.empty() || s.retro.expected.empty() || s.retro.expectedShare.empty())
        refuse("No counts have been read for this study area. Choose the count fields with \"Reset Data\" and press OK.");
    if (n < 2) refuse("The cluster test needs at least two regions; this study area has " + regionText(n) + ".");
    if (s.retro.countsGeneration != s.area.generation || s.retro.observed.size() != need ||
        s.retro.expected.size() != need || s.retro.expectedShare.size() != need)
        refuse("The counts were read for another study area. Choose the count fields with \"Reset Data\" and press OK.");
    if (s.area.centroidTable.size() != need)
        refuse("The region centroids have not been computed for this study area.");
    if (!(std::isfinite(s.area.studyArea) && s.area.studyArea > 0.0))
        refuse("The study area has no area, so the kernel of the test has no scale.");
    checkCounts(s, n, "Region");
    for (std::int32_t i = 1; i <= n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        if (!std::isfinite(s.area.centroidTable[k].X) || !std::isfinite(s.area.centroidTable[k].Y))
            refuse("Region " + regionText(i) + " has no valid centroid.");
    }
}

void checkPointData(const AppState& s, bool mapDrawn) {
    const double count = s.points.pointCount;
    if (!(count >= 1.0) || s.retro.observed.empty() || s.retro.expected.empty() || s.retro.expectedShare.empty())
        refuse("No points have been read. Load a point file with \"Load Data\" first.");
    const std::int32_t n = toInt32(count, kDataErrorSource);
    if (n < 3)
        refuse("The cluster test on points needs at least three points; the point file holds " + regionText(n) + ".");
    const auto need = static_cast<std::size_t>(n) + 1;
    if (s.retro.observed.size() != need || s.retro.expected.size() != need || s.retro.expectedShare.size() != need ||
        s.area.centroidTable.size() != need)
        refuse("The counts were read for other points. Load the point file again with \"Load Data\".");
    checkCounts(s, n, "Point");
    if (!mapDrawn)
        refuse("All points share one X or one Y coordinate, so they cannot be drawn and their study area has no size.");
    if (s.points.devicePoints.size() != need)
        refuse("The points have not been drawn on the map, so their study area cannot be measured.");
    const double area = modFunctions::ComputeConvexHull(s.points).area;
    if (!(std::isfinite(area) && area > 0.0))
        refuse("The points lie on one line as drawn on the map, so their study area (the convex hull) has no area.");
    // Points on one slanted line are drawn on steps of pixels, whose hull
    // has an area; their own coordinates say they have none.
    if (!modFunctions::SpanAnArea(s.area.centroidTable, n))
        refuse("The points lie on one line, so their study area (the convex hull) has no area.");
}

AppState workingCopy(const AppState& state) {
    AppState work;
    work.area = state.area;
    work.points = state.points;
    work.shared = state.shared;
    static_cast<RetroValues&>(work.retro) = state.retro;
    return work;
}

AppState computeOnCopy(const AppState& state, const std::function<void(AppState&)>& compute) {
    try {
        AppState work = workingCopy(state);
        compute(work);
        return work;
    } catch (const std::bad_alloc&) {
        throw AppError(RuntimeErrors::OutOfMemory, kOutOfMemoryText, kDataErrorSource);
    }
}

bool measurePoints(AppState& work, const PointMapInput& picture) {
    PointMapView& view = work.points.clusterMap;
    const std::int32_t n = std::max(toInt32(work.points.pointCount, kDataErrorSource), 0);
    const auto size = static_cast<std::size_t>(n) + 1;
    const std::vector<CentroidRecord>& c = work.area.centroidTable;
    view.pointX.assign(size, 0.0);
    view.pointY.assign(size, 0.0);
    for (std::size_t i = 1; i < size && i < c.size(); ++i) {
        view.pointX[i] = c[i].X;
        view.pointY[i] = c[i].Y;
    }
    work.points.devicePoints.assign(size, DevicePoint{0, 0});
    PointMapInput in = picture;
    in.extent = findPointExtent(view.pointX, view.pointY);
    in.zoom = view.pointZoom;
    in.panX = view.panX;
    in.panY = view.panY;
    const std::optional<PointTransform> t = computePointTransform(in);
    if (!t) return false;
    work.points.pointScaleX = t->scaleX;
    work.points.pointScaleY = t->scaleY;
    work.points.devicePoints = pointDevicePositions(*t, view.dragX, view.dragY, c, n);
    return true;
}

void commit(AppState& state, AppState&& work) {
    // The matrices the run replaced become the spares of the next run, so
    // that it need not ask the system for its large buffers again.
    work.retro.forEachMatrix(state.retro, [](Matrix& written, Matrix& earlier) {
        if (written.size() == 0)
            written.swap(earlier);
        else
            EngineBuffers::giveBack(earlier);
    });
    state.area = std::move(work.area);
    state.points = std::move(work.points);
    state.shared = std::move(work.shared);
    state.retro = std::move(work.retro);
    state.retro.resultsGeneration = state.area.generation;
}

SingleResult computeSingle(AppState& s, ClusterTest test, ListLayout layout) {
    SingleResult r;
    switch (test) {
    case ClusterTest::Unadjusted:
        calcScore(s, true);
        r.lines = ClusterLines::unadjustedScore(s, layout);
        break;
    case ClusterTest::AdjustedPoisson:
        calcScore(s, false);
        calcLocalM(s, test);
        r.lines = ClusterLines::adjustedScore(s, layout);
        break;
    case ClusterTest::FreemanTukey:
    case ClusterTest::Rossi:
        calcLocalM(s, test);
        r.lines = ClusterLines::mStatistic(s, layout);
        break;
    }
    r.mapValues = isScoreTest(test) ? s.retro.scoreMapValues : s.retro.mMapValues;
    for (std::size_t i = 1; i < r.mapValues.size(); ++i) finiteOr(r.mapValues[i], "a local statistic");
    // The map keeps showing what this run drew on every later redraw: the
    // adjusted test also computes the Poisson M values, but maps its scores.
    s.retro.mapClassValues = r.mapValues;
    return r;
}

std::int16_t rangeCount(double from, double to, double step) {
    const double k = std::fabs(from - to) / step + 1.0;
    // 32767.5 itself rounds to the even 32768, which no longer fits.
    if (!std::isfinite(k) || k >= 32767.5)
        refuse("The range holds too many bandwidths (at most 32767). Choose a larger step.");
    return toInt16(k);
}

RangeResult computeRange(AppState& s, ClusterTest test, double from, double to, double step, std::int16_t count,
                         ListLayout layout) {
    namespace cd = modClusterDetection;
    // With point data the region count is that of the points, before the
    // tables are sized.
    if (s.shared.pointDataMode && !s.shared.polygonDataMode)
        s.area.regionCount = toInt32(s.points.pointCount, kDataErrorSource);
    const std::int32_t n = s.area.regionCount;
    const auto rows = static_cast<std::size_t>(count) + 1;

    s.retro.sigmaRangeEnd = to;
    s.retro.bandwidthCount = count;
    s.shared.sigma = from == 0.0 ? 1e-8 : from;
    for (DoubleArray* t : {&s.retro.rangeStatistic, &s.retro.rangeSigmas, &s.retro.rangeChiSquare, &s.retro.rangeDf, &s.retro.rangePValue,
                           &s.retro.rangeChiCritical, &s.retro.rangeMaxM, &s.retro.rangeMCritical})
        t->assign(rows, 0.0);
    s.retro.rangeLocalStats = Matrix::Zero(static_cast<Eigen::Index>(rows), n + 1);

    RangeResult r;
    r.globalLines.reserve(rows + 3);
    r.globalLines.push_back(ClusterLines::rangeHeader(test, layout));
    r.globalLines.push_back(ClusterLines::rangeRule());

    double lastSigma = s.shared.sigma;
    for (std::int32_t k = 0; k < count; ++k) {
        if (s.shared.sigma > s.retro.sigmaRangeEnd) s.shared.sigma = s.retro.sigmaRangeEnd;
        ClusterLines::RangeRow row;
        const DoubleArray* local = nullptr;
        switch (test) {
        case ClusterTest::Unadjusted:
            calcScore(s, true);
            row.statistic = s.retro.globalScoreUnadjusted;
            row.pValue = modPValue::GetChiSquarePValue(s.retro.scoreChiSquare, s.retro.scoreDf);
            local = &s.retro.localScoreUnadjusted;
            break;
        case ClusterTest::AdjustedPoisson:
            // Unlike the single run, the Poisson M comes first, so the map
            // copies the engine leaves behind are those of the adjusted scores.
            calcLocalM(s, test);
            calcScore(s, false);
            row.statistic = s.retro.globalScoreAdjusted;
            row.pValue = modPValue::GetChiSquarePValue(s.retro.scoreChiSquare, s.retro.scoreDf);
            row.maxM = cd::GetMaxLocalM(s.area, s.retro);
            row.mCritical = mCritical(s, r.mCriticalNotices);
            local = &s.retro.localScoreAdjusted;
            break;
        case ClusterTest::FreemanTukey:
        case ClusterTest::Rossi:
            calcLocalM(s, test);
            row.statistic = cd::GetMaxLocalM(s.area, s.retro);
            row.mCritical = mCritical(s, r.mCriticalNotices);
            local = &s.retro.localM;
            break;
        }
        row.sigma = s.shared.sigma;
        if (isScoreTest(test)) {
            row.chiSquare = s.retro.scoreChiSquare;
            row.df = s.retro.scoreDf;
        }
        r.globalLines.push_back(ClusterLines::rangeRow(test, row, layout));

        const auto kk = static_cast<std::size_t>(k);
        s.retro.rangeSigmas[kk] = row.sigma;
        s.retro.rangeStatistic[kk] = row.statistic;
        if (isScoreTest(test)) {
            s.retro.rangeChiSquare[kk] = row.chiSquare;
            s.retro.rangeDf[kk] = row.df;
            s.retro.rangePValue[kk] = finiteOr(row.pValue, "the p-value");
            s.retro.rangeChiCritical[kk] = finiteOr(cd::GetChiSquareCritical(s.retro.alpha, s.retro.scoreDf), "the critical value");
        }
        if (test == ClusterTest::AdjustedPoisson) s.retro.rangeMaxM[kk] = row.maxM;
        if (test != ClusterTest::Unadjusted) s.retro.rangeMCritical[kk] = row.mCritical;
        for (std::int32_t i = 1; i <= n; ++i)
            s.retro.rangeLocalStats(k, i) = finiteOr((*local)[static_cast<std::size_t>(i)], "a local statistic");

        lastSigma = s.shared.sigma;
        s.shared.sigma = s.shared.sigma + step;
    }
    s.shared.sigma = lastSigma;
    r.globalLines.push_back(ClusterLines::rangeRule());

    s.retro.chartData = Matrix::Zero(count, 2);
    for (std::int32_t k = 0; k < count; ++k) {
        const auto kk = static_cast<std::size_t>(k);
        if (isScoreTest(test)) {
            s.retro.chartData(k, 0) = s.retro.rangeChiSquare[kk];
            s.retro.chartData(k, 1) = s.retro.rangeChiCritical[kk];
        } else {
            s.retro.chartData(k, 0) = s.retro.rangeStatistic[kk];
            s.retro.chartData(k, 1) = s.retro.rangeMCritical[kk];
        }
    }
    return r;
}

}  // namespace ClusterRun
