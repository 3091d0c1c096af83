#include "prospective/PointCusum.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "platform/Error.h"
#include "platform/Format.h"
#include "platform/TextFile.h"
#include "prospective/CusumLines.h"
#include "prospective/CusumRun.h"
#include "stats/KernelMemory.h"
#include "stats/modCusum.h"
#include "stats/modFunctions.h"

namespace {

constexpr const char* kSource = "PointCusum";

[[noreturn]] void refuse(const std::string& text) {
    throw AppError(RuntimeErrors::InvalidArgument, text, kSource);
}

}  // namespace

namespace PointCoordinateFile {

Loaded Read(const std::string& path) try {
    const std::vector<std::string> lines = readTextFileLines(path);
    if (lines.empty() || std::all_of(lines.begin(), lines.end(), [](const std::string& l) { return l.empty(); }))
        refuse("The file \"" + path + "\" is empty.");
    if (commaPieceCount(lines.front()) != 3)
        refuse("ID, XY Coordinates file was misspecified.");
    Loaded out;
    out.points.assign(lines.size() + 1, CentroidRecord{});
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string where = " on line " + std::to_string(i + 1) + " of \"" + path + "\"";
        // Pieces after the third are not looked at.
        CommaPieces pieces(lines[i]);
        std::string_view id, xText, yText;
        if (!pieces.next(id) || !pieces.next(xText) || !pieces.next(yText))
            refuse("There is no ID with X and Y coordinates" + where + ".");
        const auto x = CusumFile::Number(xText);
        const auto y = CusumFile::Number(yText);
        if (!x || !y) refuse("The coordinates" + where + " are not numbers.");
        out.points[i + 1] = CentroidRecord{std::string(id), *x, *y};
    }
    out.count = static_cast<std::int32_t>(lines.size());
    return out;
} catch (const std::bad_alloc&) {
    raiseTooLargeToRead(path, kSource);
}

}  // namespace PointCoordinateFile

namespace PointCusum {

PeriodMatrixFile::Loaded ReadZScores(const std::string& path, std::int32_t pointCount) {
    return PeriodMatrixFile::Read(path, pointCount, modCusum::Rows::Points, CusumRun::kMostPeriods);
}

CusumFile::Loaded ReadSaved(const std::string& path, std::int32_t pointCount) {
    return CusumFile::Read(path, pointCount, modCusum::Rows::Points);
}

Matrix Weights(const std::vector<CentroidRecord>& points, std::int32_t pointCount, double& sigma,
               double hullArea) {
    const std::int32_t n = pointCount;
    if (n < 1 || points.size() < static_cast<std::size_t>(n) + 1) refuse("There are no points to run the cusum on.");
    if (sigma == 0.0) {
        // Every weight off the diagonal vanishes: the z-scores pass as they
        // are. (The kernel of a bandwidth asks for its memory itself.)
        KernelMemory::Require(n, 1, "points", kSource);
        sigma = 1E-9;
        Matrix w = Matrix::Zero(n + 1, n + 1);
        for (std::int32_t i = 1; i <= n; ++i) w(i, i) = 1.0;
        return w;
    }
    if (n < 2)
        refuse("A kernel bandwidth above 0 needs at least two points; with one point set Sigma to 0.");
    // Points on one slanted line are drawn on steps of pixels, whose hull
    // has an area; their own coordinates say they have none.
    if (!(hullArea > 0.0) || !std::isfinite(hullArea) || !modFunctions::SpanAnArea(points, n))
        refuse("The points span no area (they lie on one line), so the kernel has no scale; set Sigma to 0 or use "
               "points that do not lie on one line.");
    return modCusum::CalcSpatialWeights(sigma, n, points, hullArea, true, modCusum::Rows::Points);
}

Result Run(const std::vector<CentroidRecord>& points, std::int32_t pointCount, const Matrix& z,
           std::int32_t periodCount, double k, double h, double sigma, double hullArea,
           const CusumFile::Loaded* saved) try {
    const std::int32_t n = pointCount, t = periodCount;
    if (z.rows() != n + 1 || z.cols() < t + 1 || t < 1)
        refuse("The z-score file does not hold a line of values for each of the " + std::to_string(n) +
               " points; read it again.");
    std::int32_t p = 0;
    if (saved) {
        p = static_cast<std::int32_t>(saved->periodCount);
        if (saved->cusum.rows() != n + 1 || saved->cusum.cols() < p + 1 || p < 0)
            refuse("The saved cusum file does not hold a row for each of the " + std::to_string(n) +
                   " points; read it again.");
    }
    Result r;
    r.previous = saved != nullptr;
    r.pointCount = n;
    r.savedPeriods = p;
    r.newPeriods = t;
    r.k = k;
    r.h = h;
    r.kernelSigma = sigma;
    // The kernel is dropped once the z-scores are smoothed: a result never
    // holds an N x N matrix.
    const Matrix s =
        modCusum::Smooth(Weights(points, n, r.kernelSigma, hullArea), z, t, true, modCusum::Rows::Points);

    r.labels.assign(static_cast<std::size_t>(n) + 1, std::string());
    for (std::int32_t i = 1; i <= n; ++i) r.labels[static_cast<std::size_t>(i)] = points[static_cast<std::size_t>(i)].ID;

    DoubleArray start;
    if (saved) {
        start.assign(static_cast<std::size_t>(n) + 1, 0.0);
        for (std::int32_t i = 1; i <= n; ++i) start[static_cast<std::size_t>(i)] = saved->cusum(i, p);
    }
    const modCusum::CusumRun run = modCusum::Recursion(s, n, t, k, start, r.labels, modCusum::Rows::Points);

    r.cusum = Matrix::Zero(n + 1, p + t + 1);
    r.maxCusum.assign(static_cast<std::size_t>(p + t) + 1, 0.0);
    r.maxCusumId.assign(static_cast<std::size_t>(p + t) + 1, std::string());
    r.savedMaxCusum.assign(static_cast<std::size_t>(p) + 1, 0.0);
    for (std::int32_t c = 1; c <= p; ++c) {
        double largest = saved->cusum(1, c);
        for (std::int32_t i = 1; i <= n; ++i) {
            const double v = saved->cusum(i, c);
            r.cusum(i, c) = v;
            largest = std::max(largest, v);
            if (v > r.maxCusum[static_cast<std::size_t>(c)]) {
                r.maxCusum[static_cast<std::size_t>(c)] = v;
                r.maxCusumId[static_cast<std::size_t>(c)] = r.labels[static_cast<std::size_t>(i)];
            }
        }
        r.savedMaxCusum[static_cast<std::size_t>(c)] = largest;
    }
    for (std::int32_t c = 1; c <= t; ++c) {
        for (std::int32_t i = 1; i <= n; ++i) r.cusum(i, p + c) = run.cusum(i, c);
        r.maxCusum[static_cast<std::size_t>(p + c)] = run.maxCusum[static_cast<std::size_t>(c)];
        r.maxCusumId[static_cast<std::size_t>(p + c)] = run.maxRegion[static_cast<std::size_t>(c)];
    }
    return r;
} catch (const std::bad_alloc&) {
    raiseOutOfMemory(kSource, "There is not enough memory left to run the cusum on these " +
                                  std::to_string(pointCount) + " points.");
}

std::vector<std::string> PeriodListLines(const Result& r) {
    std::vector<std::string> lines{CusumLines::periodHeader(), CusumLines::rule()};
    for (std::int32_t c = 1; c <= r.periods(); ++c)
        lines.push_back(CusumLines::periodLine(c, r.maxCusum[static_cast<std::size_t>(c)],
                                               r.maxCusumId[static_cast<std::size_t>(c)]));
    lines.push_back(CusumLines::rule());
    return lines;
}

std::vector<std::int32_t> SignalledPoints(const Result& r, std::int32_t period) {
    return modCusum::SignalledRegions(r.cusum, period, r.h);
}

std::string PointCaption(const Result& r, std::int32_t point, std::int32_t period) {
    const double c = period >= 0 && period < r.cusum.cols() && point >= 0 && point < r.cusum.rows()
                         ? r.cusum(point, period)
                         : 0.0;
    return r.labels.at(static_cast<std::size_t>(point)) + " in " + std::to_string(period) + ": ---> " +
           formatMaskDisplay(c, "0.00");
}

std::vector<std::string> CusumFileLines(const Result& r) {
    return CusumFile::Lines(r.cusum, r.pointCount, r.periods());
}

void WriteCusumFile(const std::string& path, const Result& r) {
    CusumFile::Write(path, r.cusum, r.pointCount, r.periods());
}

std::vector<std::string> ReportLines(const Result& r) {
    CusumState c;
    c.periodCount = r.periods();
    c.cusumValues = r.cusum;
    c.maxCusum = r.maxCusum;
    c.maxCusumRegion = r.maxCusumId;
    c.regionLabels = r.labels;
    return CusumLines::report(c, r.pointCount);
}

}  // namespace PointCusum
