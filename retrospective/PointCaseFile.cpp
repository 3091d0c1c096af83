#include "retrospective/PointCaseFile.h"

#include <cmath>
#include <new>

#include "platform/Error.h"
#include "platform/Format.h"
#include "platform/TextFile.h"

namespace PointCaseFile {

namespace {

[[noreturn]] void refuse(const std::string& text) {
    throw AppError(RuntimeErrors::InvalidArgument, text, kRefusalSource);
}

std::string lineText(std::size_t line) { return "Line " + std::to_string(line); }

const char* fieldName(std::size_t field, Format format) {
    switch (field) {
    case 1: return "X";
    case 2: return "Y";
    case 3: return format == Format::PopulationCase ? "population" : "observed count";
    default: return format == Format::PopulationCase ? "case count" : "expected count";
    }
}

}  // namespace

PointCaseData parse(const std::vector<std::string>& lines, Format format) {
    if (lines.empty()) refuse("The file is empty: line 1 holds no point. " + std::string(kFormatMessage));
    const std::size_t n = lines.size();
    PointCaseData d;
    d.pointCount = static_cast<double>(n);
    d.centroidTable.assign(n + 1, CentroidRecord{});
    for (DoubleArray* a : {&d.population, &d.observed, &d.expected, &d.expectedShare}) a->assign(n + 1, 0.0);

    double P = 0.0, T = 0.0;
    for (std::size_t i = 1; i <= n; ++i) {
        const std::string& line = lines[i - 1];
        // The first line is the one whose fields say whether the file has
        // the format at all, so an empty one gets the format message.
        if (line.empty() && i > 1)
            refuse(lineText(i) + " is empty: every line must hold one point (ID, X, Y and two counts).");
        // Counted before the line is split: a line of a million fields is
        // refused without taking a million pieces.
        const std::size_t fields = commaPieceCount(line);
        if (fields != 5) {
            if (i == 1) refuse(kFormatMessage);
            refuse(lineText(i) + " holds " + std::to_string(fields) +
                   " comma-separated fields instead of five (ID, X, Y and two counts).");
        }
        const std::vector<std::string> f = splitCommas(line);
        double v[5] = {};
        for (std::size_t k = 1; k < 5; ++k) {
            const auto x = parseNumber(f[k]);
            if (!x) refuse(lineText(i) + ": the " + fieldName(k, format) + " \"" + f[k] + "\" is not a number.");
            v[k] = *x;
        }
        if (v[3] < 0.0 || v[4] < 0.0) refuse(lineText(i) + " has a negative count.");
        d.centroidTable[i] = CentroidRecord{f[0], v[1], v[2]};
        if (format == Format::PopulationCase) {
            d.population[i] = v[3];
            d.observed[i] = v[4];
            P += v[3];
        } else {
            d.observed[i] = v[3];
            d.expected[i] = v[4];
        }
        T += d.observed[i];
    }
    if (!std::isfinite(T) || !std::isfinite(P)) refuse("The counts of the file add up to more than a number can hold.");
    if (format == Format::PopulationCase && P == 0.0)
        refuse("The populations of the file add up to 0, so no expected counts can be derived.");
    if (T == 0.0) refuse("The case counts of the file add up to 0, so the test cannot be computed.");
    d.totalCases = T;
    // A quotient or product that leaves the doubles, or falls to 0 from
    // counts that are not 0, is named with the line and the field of the
    // value that keeps it from being computed: the run would stop on it
    // later with a cause that is not the real one.
    auto refuseValues = [&](std::size_t i, bool large) {
        const bool popCase = format == Format::PopulationCase;
        const std::string from =
            popCase ? "the expected count derived from its population (" + formatGeneralDisplay(d.population[i]) +
                          ") and " + (large ? "the case counts" : "the populations")
                    : "its expected count (" + formatGeneralDisplay(d.expected[i]) + ") divided by the observed counts";
        refuse(lineText(i) + " holds values too " + (large ? "large" : "small") + " to compute with: " + from +
               " of the file (they add up to " + formatGeneralDisplay(popCase && !large ? P : T) + ") " +
               (large ? "is beyond what this program can hold." : "comes to 0."));
    };
    // A total that leaves a quotient beyond the doubles while it is the
    // factor further from 1 is blamed on the line that holds most of it.
    auto largestCount = [&] {
        std::size_t at = 1;
        for (std::size_t k = 2; k <= n; ++k)
            if (d.observed[k] > d.observed[at]) at = k;
        return at;
    };
    auto refuseTotal = [&](std::size_t i) {
        const std::size_t k = largestCount();
        if (format == Format::PopulationCase)
            refuse(lineText(k) + " holds values too large to compute with: its case count (" +
                   formatGeneralDisplay(d.observed[k]) + ") brings the case counts of the file to " +
                   formatGeneralDisplay(T) + ", and the expected count of line " + std::to_string(i) +
                   ", derived from that total divided by the populations of the file (they add up to " +
                   formatGeneralDisplay(P) + "), is beyond what this program can hold.");
        refuse(lineText(k) + " holds values too small to compute with: its observed count (" +
               formatGeneralDisplay(d.observed[k]) + ") is the largest of the observed counts of the file (they add up "
               "to " + formatGeneralDisplay(T) + "), and the expected count of line " + std::to_string(i) + " (" +
               formatGeneralDisplay(d.expected[i]) + ") divided by that total is beyond what this program can hold.");
    };
    for (std::size_t i = 1; i <= n; ++i) {
        if (format == Format::PopulationCase) {
            d.expected[i] = (T / P) * d.population[i];
            d.expectedShare[i] = d.population[i] / P;
            if (!std::isfinite(d.expected[i])) {
                // T / P leaves the doubles (or all but does): a case total
                // far above 1, or populations that add up to far below it.
                if (T * P >= 1.0) refuseTotal(i);
                else refuseValues(i, true);
            }
            if (d.population[i] > 0.0 && !(d.expected[i] > 0.0 && d.expectedShare[i] > 0.0)) refuseValues(i, false);
        } else {
            d.expectedShare[i] = d.expected[i] / T;
            if (!std::isfinite(d.expectedShare[i])) {
                // The expected count, or an observed total far below 1.
                if (d.expected[i] * T < 1.0) refuseTotal(i);
                else refuseValues(i, true);
            }
            if (d.expected[i] > 0.0 && !(d.expectedShare[i] > 0.0)) refuseValues(i, false);
        }
        if (!(d.expected[i] > 0.0))
            refuse(lineText(i) + (format == Format::PopulationCase ? " has a population of 0" : " has an expected count of 0") +
                   ", so its expected count is not positive and the test cannot be computed.");
    }
    return d;
}

PointCaseData read(const std::string& path, Format format) try {
    return parse(readTextFileLines(path), format);
} catch (const std::bad_alloc&) {
    raiseTooLargeToRead(path, kRefusalSource);
}

void commit(AppState& state, PointCaseData&& d) {
    state.points.pointCount = d.pointCount;
    state.area.centroidTable = std::move(d.centroidTable);
    state.retro.population = std::move(d.population);
    state.retro.observed = std::move(d.observed);
    state.retro.expected = std::move(d.expected);
    state.retro.expectedShare = std::move(d.expectedShare);
    state.retro.totalCases = d.totalCases;
}

}  // namespace PointCaseFile
