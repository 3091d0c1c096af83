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

void checkPeriodCount(std::int64_t periods, std::int64_t shown) {
    if (periods > kMostPeriods || shown > kMostPeriods) refuse(tooManyPeriodsText(periods));
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
    checkPeriodCount(in.count, static_cast<std::int64_t>(in.count) + static_cast<std::int64_t>(w.labelOffset));
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

}  // namespace CusumRun
