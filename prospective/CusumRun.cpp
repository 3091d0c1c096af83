#include "prospective/CusumRun.h"

#include <new>

#include "platform/DbfTable.h"

namespace CusumRun {

namespace {

[[noreturn]] void refuse(const std::string& text) {
    throw AppError(RuntimeErrors::InvalidArgument, text, kRefusalSource);
}

}  // namespace

std::string tooManyPeriodsText(std::int64_t periods) {
    return "A run can have at most " + std::to_string(kMostPeriods) + " periods; these data have " +
           std::to_string(periods) + ".";
}

void checkPeriodCount(std::int64_t shown) {
    if (shown > kMostPeriods) refuse(tooManyPeriodsText(shown));
}

Wait periodWait(std::int32_t delay) {
    const double seconds = delay >= kSlow.polygonDelay ? kSlow.seconds
                           : delay >= kMedium.polygonDelay ? kMedium.seconds
                                                           : kFast.seconds;
    return Wait{seconds};
}

std::string failureText(const AppError& e) {
    if (e.source() == kRefusalSource) return e.description();
    return "The cusum cannot be computed on these data: " + e.description();
}

void checkArea(const AppState& s, const Continuation* from) {
    const std::int32_t n = s.area.regionCount;
    if (!s.area.dbfRecordset) refuse("No attribute table is open.");
    if (s.area.dbfRecordset->RecordCount() != n)
        refuse("The attribute table holds " + std::to_string(s.area.dbfRecordset->RecordCount()) +
               " records but the shapefile has " + std::to_string(n) + " regions.");
    if (from && from->start.size() != static_cast<std::size_t>(n) + 1)
        refuse("The loaded cusum file does not hold one row for each of the " + std::to_string(n) + " regions.");
}

Work compute(const AppState& s, Periods&& in, double k, double h, double sigma, const Continuation* from) try {
    Work w;
    w.withPrevious = from && from->previousAndCurrent;
    w.labelOffset = w.withPrevious ? from->previousPeriodCount : 0.0;
    checkPeriodCount(static_cast<std::int64_t>(in.count) + static_cast<std::int64_t>(w.labelOffset));
    w.k = k;
    w.h = h;
    w.sigma = sigma == 0.0 ? 1e-9 : sigma;
    w.periods = in.count;
    w.fromText = in.fromText;
    const std::int32_t n = s.area.regionCount;
    {
        // The kernel lives only while it smooths.
        const Matrix weights = modCusum::CalcSpatialWeights(w.sigma, n, s.area.centroidTable, s.area.studyArea);
        w.smoothed = modCusum::Smooth(weights, in.z, in.count);
    }
    w.result = modCusum::Recursion(w.smoothed, n, in.count, k, from ? from->start : DoubleArray{}, in.names);
    if (w.withPrevious) w.previousMax = from->previousMax;
    w.names = std::move(in.names);
    return w;
} catch (const std::bad_alloc&) {
    raiseOutOfMemory("CusumRun::compute", kOutOfMemoryText);
}

void commit(AppState& s, Work&& w) noexcept {
    CusumState& c = s.cusum;
    c.kValue = w.k;
    c.hValue = w.h;
    s.shared.sigma = w.sigma;
    c.periodCount = w.periods;
    if (w.fromText) {
        c.textColumnCount = w.periods;
        c.textPeriodCount = w.periods;
        c.textZScores = std::move(w.smoothed);
    }
    c.lastRunFromText = w.fromText;
    c.periodLabelOffset = w.labelOffset;
    if (w.withPrevious) c.previousMaxCusum = std::move(w.previousMax);
    c.cusumValues = std::move(w.result.cusum);
    c.maxCusum = std::move(w.result.maxCusum);
    c.maxCusumRegion = std::move(w.result.maxRegion);
    c.regionLabels = std::move(w.names);
    c.cusumColoring = true;
    c.periodIndex = 0;
}

// ---- The point run ----

namespace {

// The convex hull of points 1..n as the plain map would draw them on
// `picture` with the view's drag, without drawing over what the map shows;
// none when the map could not draw them (an extent without width or height).
std::optional<modFunctions::HullResult> measureHull(const std::vector<CentroidRecord>& points, std::int32_t n,
                                                    PointMapInput picture, const PointMapView& view) {
    DoubleArray xs(static_cast<std::size_t>(n) + 1, 0.0), ys(static_cast<std::size_t>(n) + 1, 0.0);
    for (std::size_t i = 1; i < xs.size() && i < points.size(); ++i) {
        xs[i] = points[i].X;
        ys[i] = points[i].Y;
    }
    picture.extent = findPointExtent(xs, ys);
    const std::optional<PointTransform> t = computePointTransform(picture);
    if (!t) return std::nullopt;
    PointState drawn;
    drawn.pointCount = n;
    drawn.pointScaleX = t->scaleX;
    drawn.pointScaleY = t->scaleY;
    drawn.devicePoints = pointDevicePositions(*t, view.dragX, view.dragY, points, n);
    return modFunctions::ComputeConvexHull(drawn);
}

}  // namespace

void checkPointFiles(const PointCusumVars& v, bool previous) {
    if (!v.newZ || (previous && !v.saved)) refuse("Read the input files of the chosen start again before the run.");
}

PointWork computePoints(const PointCusumVars& v, bool previous, double k, double h, double sigma,
                        const PointMapInput& picture) try {
    const std::int64_t saved = previous ? static_cast<std::int64_t>(v.saved->periodCount) : 0;
    checkPeriodCount(saved + v.newZ->columns);
    PointWork w;
    const std::int32_t n = v.coords.count;
    w.points = v.coords.points;
    w.count = n;
    // The study area of the kernel is the hull of the points as the plain
    // map draws them.
    if (sigma != 0.0 && n >= 2) w.hull = measureHull(w.points, n, picture, v.view);
    w.result = PointCusum::Run(w.points, n, v.newZ->z, v.newZ->columns, k, h, sigma, w.hull ? w.hull->area : 0.0,
                               previous ? &*v.saved : nullptr);
    w.lines = PointCusum::PeriodListLines(w.result);
    return w;
} catch (const std::bad_alloc&) {
    raiseOutOfMemory("CusumRun::computePoints", "There is not enough memory left to compute the cusum of these points.");
}

void commitPoints(PointCusumVars& v, PointWork&& w) noexcept {
    v.mapPoints = std::move(w.points);
    v.mapCount = w.count;
    v.result = std::move(w.result);
    v.shownPeriod = 0;
    v.signaledPoints.clear();
}

}  // namespace CusumRun
