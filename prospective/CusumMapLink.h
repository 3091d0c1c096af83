#pragma once
// What the cusum windows do to the map window and the main frame, in one
// place: the plain and the period maps, a highlighted region, the tool
// "Graph", the cusum legend, the map's mode flag and the busy pointer.
//
// `load` says whether a closed map window is opened again for the call; the
// closing of the cusum window acts only on an open map window.

#include <cstdint>

#include "context/AppContext.h"

namespace CusumMapLink {

bool mapWindowOpen(AppContext& ctx);

// The outlines at the full extent, and the map no longer shows a period.
void showPlainMap(AppContext& ctx);
// The outlines with the current zoom and pan (between the flashes).
void redrawOutlines(AppContext& ctx);
// The map of `period` in cusum colours; the map window redraws it after a
// resize, zoom or pan from then on.
void showPeriod(AppContext& ctx, std::int16_t period);
// Region `record` (0-based) filled yellow over the present picture.
void highlightRegion(AppContext& ctx, std::int32_t record);

// The tool "Graph": enabled and pressed, or disabled and released.
void setGraphTool(AppContext& ctx, bool on, bool load);
void showLegend(AppContext& ctx, bool show, bool load);

// The main frame's mouse pointer: 0 default, 1 arrow, 13 arrow and hourglass.
void setMousePointer(AppContext& ctx, int pointer);

}  // namespace CusumMapLink
