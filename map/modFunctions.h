#pragma once
// Region colours of the polygon map, the region information list and the
// point-in-polygon identify (app/modPointInPolygon.h), which share this
// module with the region areas and centroids.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "map/modPointInPolygon.h"
#include "stats/AppState.h"

class AppContext;
class DbfTable;
struct DbfValue;
class QLabel;

namespace modFunctions {

// ---- Class and cusum colours ----

// The class colour (24-bit BGR) of v from the breaks and colours of the last
// legend drawn: the first class whose upper break v stays below, else the
// top class. A value equal to a break falls into the class above it.
std::int32_t GetClassColor(const AppState& state, double v);

// The colour of cusum v against the threshold h; every comparison is strict:
// v > h red, v > 3h/4 &HC00000, v > h/2 &HFF8080, v > h/4 &HFFFF00, else white.
std::int32_t CusumColor(double v, double h);

// The colour of mapCusum(region, period) against hValue. A cell outside
// mapCusum has no cusum and stays white.
std::int32_t GetCusumColor(const AppState& state, std::int32_t region, std::int16_t period);

// The bands of the map window's cusum legend, from the lowest.
struct CusumLegendEntry {
    const char* caption;
    std::int32_t backColor;  // BGR
    bool systemWindowColor;  // the first band shows the system's window colour
};
inline constexpr std::array<CusumLegendEntry, 5> kCusumLegend = {{
    {"< 25%", 0xFFFFFF, true},
    {"< 50%", 0xFFFF00, false},
    {"< 75%", 0xFF8080, false},
    {"< 100%", 0xC00000, false},
    {"SIGNAL", 0x0000FF, false},
}};

// Gives the map window's cusum legend labels lblLeg(0) to lblLeg(4) their
// captions and back colours, in the order of kCusumLegend, and each the
// text colour (black or white) that reads best on its back colour. Missing
// labels are skipped.
void SetCusumLegendLabels(const std::array<QLabel*, 5>& lblLeg);

// ---- Region information ----

// A table value as the screen shows it: numbers in their default text form
// with the display decimal sign, null values as empty text, other values
// as the table gives them.
std::string ValueDisplayText(const DbfValue& value);

// The lines of the region information list for the 0-based region index:
// one per field, the name right-aligned in 15 characters, " >", and the
// value right-aligned in 16 (longer texts stay whole; a null value adds
// nothing). Moves the table's cursor onto that record. An index outside the
// table (or an empty table) gives no lines.
std::vector<std::string> RegionInfoLines(DbfTable& table, std::int32_t selectedRegion);

// Lists the fields of region selectedRegion + 1 in frmInfo's lstInfo,
// loading frmInfo when it is not loaded.
void ShowRegionInfo(AppContext& ctx);

}  // namespace modFunctions
