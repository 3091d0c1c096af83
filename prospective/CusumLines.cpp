#include "prospective/CusumLines.h"

#include <cmath>

#include "platform/DbfTable.h"
#include "platform/Error.h"
#include "platform/Format.h"

namespace CusumLines {

namespace {

std::string R(const std::string& text, std::size_t width) { return alignRight(text, width); }

double finite(double v) {
    if (!std::isfinite(v)) raiseOverflow("CusumLines");
    return v;
}

std::string fieldText(const DbfTable& table, std::int32_t record, const std::string& field) {
    const int index = table.FieldIndex(field);
    if (index < 0 || record < 1 || record > table.RecordCount()) return {};
    return table.ValueAt(record, index).ToText();
}

}  // namespace

std::string periodHeader() { return "  Year   Cusum     Region of max cusum value"; }

std::string rule() { return std::string(82, '-'); }

std::string periodLine(std::int64_t label, double maxCusum, const std::string& region) {
    return R(std::to_string(label), 5) + "  " + R(formatMaskDisplay(finite(maxCusum), "###0.00"), 7) + "     " +
           R(region, 16);
}

std::string signalledLine(double cusum, const std::string& name) {
    return R(formatMaskDisplay(finite(cusum), "###0.00"), 8) + " <---" + R(name, 18);
}

std::string regionName(const DbfTable& table, std::int32_t record, const std::string& primary,
                       const std::string& secondary) {
    std::string name = fieldText(table, record, primary);
    if (!secondary.empty()) name += " (" + fieldText(table, record, secondary) + ") ";
    return name;
}

std::vector<std::string> report(const CusumState& c, std::int32_t regionCount) {
    const auto t = static_cast<std::int32_t>(c.periodCount);
    const std::int32_t n = regionCount;
    if (c.maxCusum.size() < static_cast<std::size_t>(t) + 1 || c.maxCusumRegion.size() < static_cast<std::size_t>(t) + 1 ||
        c.regionLabels.size() < static_cast<std::size_t>(n) + 1 || c.cusumValues.rows() < n + 1 ||
        c.cusumValues.cols() < t + 1)
        raiseSubscriptOutOfRange("CusumLines::report");
    const std::string longRule(344, '-');
    std::vector<std::string> out;
    out.push_back(std::string(18, ' ') + "Table of maximum cusum and corresponding region for each year" +
                  std::string(13, ' '));
    out.push_back(longRule);
    std::string periods, regions, maxima;
    for (std::int32_t p = 1; p <= t; ++p) {
        const auto k = static_cast<std::size_t>(p);
        periods += R("period" + std::to_string(p), 18) + ", ";
        regions += R(c.maxCusumRegion[k], 18) + ", ";
        maxima += R(formatMask(finite(c.maxCusum[k]), "0.0000"), 18) + ", ";
    }
    out.push_back(periods);
    out.push_back(regions);
    out.push_back(maxima);
    out.push_back(longRule);
    out.emplace_back();
    out.emplace_back();
    out.push_back(std::string(18, ' ') + "Table of cusum for a given period in each region" + std::string(15, ' '));
    out.emplace_back();
    std::string head = R("RegionID", 36) + ", ";
    for (std::int32_t p = 1; p <= t; ++p) head += R("period" + std::to_string(p), 7) + ", ";
    out.push_back(head);
    out.push_back(longRule);
    for (std::int32_t i = 1; i <= n; ++i) {
        std::string line = R(c.regionLabels[static_cast<std::size_t>(i)], 36) + ", ";
        for (std::int32_t p = 1; p <= t; ++p) line += R(formatMask(finite(c.cusumValues(i, p)), "0.0000"), 7) + ", ";
        out.push_back(line);
    }
    out.push_back(longRule);
    return out;
}

}  // namespace CusumLines
