#include "map/modLegend.h"

#include <algorithm>

#include "platform/Format.h"
#include "stats/modClusterDetection.h"
#include "stats/modSorting.h"
#include "ui/Dialogs.h"
#include "ui/PictureSurface.h"

namespace modLegend {

namespace {

// The labels of the M classes, as multiples of the critical value M*.
constexpr std::array<const char*, 6> kMLabels = {
    "            < -M*", "-M* =<  -  < -0.5M*", "-0.5M* =<  -  < 0",
    "0 =<  -  < 0.5M*",  "0.5M* =<  -  < M*",  "M* =< ",
};

// Middle texts of the score labels: the first when both ends are negative,
// the second (one blank more) otherwise, which keeps the labels of one
// integer digit 22 characters wide.
constexpr const char* kMiddleNegative = "   -  ";
constexpr const char* kMiddle = "   -   ";

constexpr const char* kNumberMask = " 0.0000";
constexpr const char* kWideNumberMask = "  0.0000";

double at(const DoubleArray& a, std::size_t i) { return i < a.size() ? a[i] : 0.0; }

std::int16_t clampBreakCount(std::int16_t n) { return std::clamp<std::int16_t>(n, 0, kBreakCount); }

// colors(1..6) = the six class colours; the array is widened to 0..6 when
// it is smaller.
void putClassColors(DoubleArray& colors) {
    if (colors.size() < 7) colors.resize(7, 0.0);
    for (std::size_t c = 1; c <= 6; ++c) colors[c] = kClassColors[c - 1];
}

}  // namespace

void ShowMCriticalNotice() {
    dialogs().message(modClusterDetection::kMCriticalNoticeText, modClusterDetection::kMCriticalNoticeTitle,
                      MsgIcon::Critical, MsgButtons::OK);
}

double LegendMCritical(const AppState& state) {
    const modClusterDetection::MCritical m = modClusterDetection::GetMCritical(state.area, state.shared, state.retro);
    if (!m.defined) ShowMCriticalNotice();
    return m.value;
}

std::string LegendLabel(LegendStatistic statistic, int k, const DoubleArray& legendBreaks, double legendMin,
                        double legendMax) {
    if (k < 0 || k > 5) return {};
    switch (statistic) {
    case LegendStatistic::None:
        return {};
    case LegendStatistic::M:
        return kMLabels[static_cast<std::size_t>(k)];
    case LegendStatistic::Score:
        break;
    }
    const auto b = [&](int i) { return at(legendBreaks, static_cast<std::size_t>(i)); };
    if (k == 0)
        return formatMaskDisplay(legendMin, kNumberMask) + kMiddleNegative + formatMaskDisplay(b(1), kNumberMask);
    if (k == 5)
        return formatMaskDisplay(b(5), kWideNumberMask) + kMiddle + formatMaskDisplay(legendMax, kNumberMask);
    const double lo = b(k), hi = b(k + 1);
    if (lo < 0 && hi < 0)
        return formatMaskDisplay(lo, kNumberMask) + kMiddleNegative + formatMaskDisplay(hi, kNumberMask);
    if (lo < 0)
        return formatMaskDisplay(lo, kNumberMask) + kMiddle + formatMaskDisplay(hi, kNumberMask);
    return formatMaskDisplay(lo, kWideNumberMask) + kMiddle + formatMaskDisplay(hi, kNumberMask);
}

LegendClasses ComputeLegendClasses(DoubleArray& values, std::int32_t regionCount, std::int16_t n,
                                   LegendStatistic statistic, const std::function<double()>& mCritical) {
    if (!values.empty()) modSorting::ShellSortDouble(values);

    // Only the values that are there take part: a region count beyond the
    // array would read past it.
    const std::int64_t N =
        std::clamp<std::int64_t>(regionCount, 0, static_cast<std::int64_t>(values.empty() ? 0 : values.size() - 1));

    LegendClasses legend;
    // Breaks 1..5 are always written, so the arrays hold at least 0..6.
    const std::size_t breakSize = static_cast<std::size_t>(std::max<int>(n, kBreakCount)) + 2;
    legend.classBreaks.assign(breakSize, 0.0);
    legend.legendBreaks.assign(breakSize, 0.0);
    putClassColors(legend.legendColors);

    if (N >= 1) {
        legend.legendMin = values[1];
        legend.legendMax = values[static_cast<std::size_t>(N)];
    }

    DoubleArray& cb = legend.classBreaks;
    if (statistic == LegendStatistic::M) {
        const double m = mCritical ? mCritical() : 0.0;
        cb[1] = -m;
        cb[2] = -0.5 * m;
        cb[3] = 0.0;
        cb[4] = 0.5 * m;
        cb[5] = m;
    } else if (statistic == LegendStatistic::Score) {
        // Thirds of each sign: the values are sorted, so the negative ones
        // come first. Index 0 of either side stands for "no such value"
        // and gives the break 0.
        std::int64_t cNonNeg = 0, cNeg = 0;
        for (std::int64_t i = 1; i <= N; ++i) {
            const double v = values[static_cast<std::size_t>(i)];
            if (v >= 0) ++cNonNeg;
            if (v < 0) ++cNeg;
        }
        const auto neg = [&](std::int64_t i) { return i >= 1 ? values[static_cast<std::size_t>(i)] : 0.0; };
        const auto pos = [&](std::int64_t i) { return i >= 1 ? values[static_cast<std::size_t>(cNeg + i)] : 0.0; };
        cb[1] = neg(cNeg / 3);
        cb[2] = neg(2 * cNeg / 3);
        cb[3] = 0.0;
        cb[4] = pos(cNonNeg / 3);
        cb[5] = pos(2 * cNonNeg / 3);
    }

    for (int k = 1; k <= n; ++k) {
        legend.legendBreaks[static_cast<std::size_t>(k)] = cb[static_cast<std::size_t>(k)];
        legend.legendBreaks[static_cast<std::size_t>(k) + 1] = cb[static_cast<std::size_t>(k) + 1];
    }

    const std::int16_t rows = clampBreakCount(n);
    for (int k = 0; k <= rows; ++k)
        legend.labels.push_back(
            LegendLabel(statistic, k, legend.legendBreaks, legend.legendMin, legend.legendMax));
    return legend;
}

void SetLegendColors(AppState& state) { putClassColors(state.legend.legendColors); }

double PaintLegend(PictureSurface& surface, const LegendClasses& legend, std::int16_t n) {
    const std::int16_t rows = clampBreakCount(n);
    double labelsEnd = 0.0;
    for (int k = 0; k <= rows; ++k) {
        const double top = 800.0 + 300.0 * k;
        const auto color = static_cast<BgrColor>(at(legend.legendColors, static_cast<std::size_t>(k) + 1));
        surface.Box(100.0, top, 300.0, top + 200.0, color, /*filled=*/true);
        surface.ForeColor = 0x000000;
        surface.FontSize = 8.0;
        surface.FontBold = false;
        surface.CurrentX = 400.0;
        surface.CurrentY = 805.0 + 300.0 * k;
        const std::size_t row = static_cast<std::size_t>(k);
        const std::string label = row < legend.labels.size() ? legend.labels[row] : std::string();
        if (!label.empty()) labelsEnd = std::max(labelsEnd, surface.CurrentX + surface.TextWidth(label));
        surface.Print(label);
    }
    return labelsEnd;
}

namespace {

void commitLegend(AppState& state, const LegendClasses& legend) {
    state.legend.classBreaks = legend.classBreaks;
    state.legend.legendBreaks = legend.legendBreaks;
    state.legend.legendColors = legend.legendColors;
    state.legend.legendMin = legend.legendMin;
    state.legend.legendMax = legend.legendMax;
}

}  // namespace

double DrawLegend(AppState& state, PictureSurface& surface, DoubleArray& values, std::int16_t n,
                  LegendStatistic statistic, const std::function<double()>& mCritical) {
    surface.Cls();
    LegendClasses legend = ComputeLegendClasses(values, state.area.regionCount, n, statistic, mCritical);
    commitLegend(state, legend);
    return PaintLegend(surface, legend, n);
}

int PointClassOf(const DoubleArray& classBreaks, double v) {
    const auto b = [&](std::size_t k) { return k < classBreaks.size() ? classBreaks[k] : 0.0; };
    if (v < b(1)) return 1;
    for (std::size_t k = 1; k <= 4; ++k)
        if (b(k) <= v && v < b(k + 1)) return static_cast<int>(k) + 1;
    if (v >= b(5)) return 6;
    return 0;
}

void PaintPointLegend(PictureSurface& surface, const LegendClasses& legend, std::int16_t n, bool labels) {
    const std::int16_t rows = clampBreakCount(n);
    for (int k = 0; k <= rows; ++k) {
        const double rowTop = 300.0 * (k + 1);
        if (k <= 5) {
            const auto color = static_cast<BgrColor>(at(legend.legendColors, static_cast<std::size_t>(k) + 1));
            surface.FillColor = color;
            surface.DrawWidth = 1;
            surface.Circle(200.0, rowTop + 150.0, kPointLegendRadii[static_cast<std::size_t>(k)], color);
        }
        surface.FontSize = 8.0;
        surface.FontBold = false;
        surface.ForeColor = 0x000000;
        surface.CurrentX = 400.0;
        surface.CurrentY = rowTop + 50.0;
        const std::size_t row = static_cast<std::size_t>(k);
        if (labels && row < legend.labels.size()) surface.Print(legend.labels[row]);
    }
}

void DrawPointLegend(AppState& state, PictureSurface& surface, DoubleArray& values, std::int16_t n,
                     LegendStatistic statistic, const std::function<double()>& mCritical) {
    surface.Cls();
    LegendClasses legend = ComputeLegendClasses(values, state.area.regionCount, n, statistic, mCritical);
    commitLegend(state, legend);
    PaintPointLegend(surface, legend, n, statistic == LegendStatistic::Score);
}

}  // namespace modLegend

namespace modFunctions {

std::int32_t GetClassColor(const AppState& state, double v) {
    const DoubleArray& b = state.legend.legendBreaks;
    const DoubleArray& c = state.legend.legendColors;
    // Before any legend is drawn the breaks count as 0 and the colours are
    // the fixed class colours.
    const auto color = [&](std::size_t k) {
        return k < c.size() ? static_cast<std::int32_t>(c[k]) : modLegend::kClassColors[k - 1];
    };
    const auto brk = [&](std::size_t k) { return k < b.size() ? b[k] : 0.0; };
    for (std::size_t k = 1; k <= 5; ++k)
        if (v < brk(k)) return color(k);
    return color(6);
}

}  // namespace modFunctions
