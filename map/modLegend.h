#pragma once
// The class legend of a retrospective result on the polygon map: five class
// breaks of the shaded statistic, six colours from blue (most negative) to
// red (most positive), and the legend rows drawn on the map window's own
// surface beside the picture, in twips.
//
// The computation is a pure function of the values, so the breaks, labels
// and colours can be checked without a window; DrawLegend commits them to
// the program-wide legend variables and paints them.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "map/modFunctions.h"
#include "stats/AppState.h"

class AppContext;
class PictureSurface;

namespace modLegend {

using LegendStatistic = ::LegendStatistic;

// The six class colours, blue to red (24-bit BGR).
inline constexpr std::array<std::int32_t, 6> kClassColors = {0xFF0000, 0xFF8080, 0xFFC0C0,
                                                             0xC0C0FF, 0x8080FF, 0x0000FF};

// The number of breaks the polygon map always asks for (six classes).
inline constexpr std::int16_t kBreakCount = 5;

// Everything one legend fixes.
struct LegendClasses {
    DoubleArray classBreaks;   // 0..n + 1, breaks in 1..5
    DoubleArray legendBreaks;  // 0..n + 1, the copy GetClassColor classes against
    DoubleArray legendColors;  // 0..6, used 1..6
    double legendMin = 0.0;
    double legendMax = 0.0;
    std::vector<std::string> labels;  // one per row, k = 0..n
};

// Sorts values(1..UBound) ascending in place and computes the breaks, the
// colours, the smallest and largest value and the row labels. `regionCount`
// is N; `mCritical` is asked only for the M statistic (LegendMCritical,
// which may show its notice and give 0). With no values (N = 0) the smallest and largest are 0.
LegendClasses ComputeLegendClasses(DoubleArray& values, std::int32_t regionCount, std::int16_t n,
                                   LegendStatistic statistic, const std::function<double()>& mCritical);

// M* for the breaks of an M legend; where it has no value the user sees
// its notice (ShowMCriticalNotice) as the legend asks for it, and the
// breaks take 0.
double LegendMCritical(const AppState& state);
// The notice of an M* without a value, as a modal message box; the window
// that asked for the value shows it once for each value that had none.
void ShowMCriticalNotice();

// The label of legend row k (0..5) for the given breaks (b(1..5)),
// smallest and largest value. Score labels use the display decimal sign.
std::string LegendLabel(LegendStatistic statistic, int k, const DoubleArray& legendBreaks, double legendMin,
                        double legendMax);

// legendColors(1..6) = the six class colours, as doubles; the array is
// widened to 0..6 when it is smaller.
void SetLegendColors(AppState& state);

// Paints rows k = 0..n on a surface in twips: a box in the row's colour
// and its label in black, the font at size 8 and not bold. Returns where
// the widest label ends (twips from the surface's left edge), so that the
// window can keep that much of the surface uncovered.
double PaintLegend(PictureSurface& surface, const LegendClasses& legend, std::int16_t n);

// The legend operation: clears the surface, sorts values (a copy of the
// shaded statistic, sized 0..N), computes the legend, commits it to the
// legend variables of `state` and paints it. Returns where the widest
// label ends, as PaintLegend does.
double DrawLegend(AppState& state, PictureSurface& surface, DoubleArray& values, std::int16_t n,
                  LegendStatistic statistic, const std::function<double()>& mCritical);

// ---- The legend of the point maps, drawn with circles ----

// Circle radii of classes 1..6: on a point map (pixels) and in its legend
// (twips).
inline constexpr std::array<double, 6> kPointMapRadii = {6, 4, 2, 2, 4, 6};
inline constexpr std::array<double, 6> kPointLegendRadii = {100, 60, 20, 20, 60, 100};

// The class (1..6) of a value under classBreaks(1..5): below break 1 is
// class 1, at or above break 5 class 6; 0 when no class takes it (breaks
// that do not ascend).
int PointClassOf(const DoubleArray& classBreaks, double v);

// Paints rows k = 0..n on a surface in twips: a ring in the row's colour
// and, when `labels` is set, its label in black at size 8.
void PaintPointLegend(PictureSurface& surface, const LegendClasses& legend, std::int16_t n, bool labels);

// The legend operation of the point maps: as DrawLegend, painted with
// rings; the labels are written for the score statistic only.
void DrawPointLegend(AppState& state, PictureSurface& surface, DoubleArray& values, std::int16_t n,
                     LegendStatistic statistic, const std::function<double()>& mCritical);

// The class colour of a value, from the last legend drawn.
using modFunctions::GetClassColor;

}  // namespace modLegend
