#pragma once
// What the test windows may ask of the polygon map window, and nothing
// more: its outlines, a class map of given values, a cusum period, a
// highlighted region, the states of its tools, the M-class legend picture
// and the bandwidth range controls. Each test folder calls these from its
// one link file; what the user does on the map comes back through the map
// hub (context/MapHub.h).
//
// The drawings open the map window when it is closed; the other calls say
// with `When` whether they do.

#include <cstdint>
#include <string>

#include "context/AppContext.h"

namespace PolygonMap {

enum class When { IfOpen, Load };

bool isOpen(AppContext& ctx);
void close(AppContext& ctx);

// The plain outlines with the current zoom and pan; false when memory ran
// out and the map kept the picture it showed.
bool drawOutlines(AppContext& ctx);
// The plain outlines at the full extent.
void drawPlainMap(AppContext& ctx);
// The class legend from legendValues (sorted in place) beside the map, then
// every region shaded by its class of mapValues (0..N, used from 1).
void showClassMap(AppContext& ctx, DoubleArray& legendValues, const DoubleArray& mapValues);
// Every region filled by its cusum band for one period.
void drawCusumPeriod(AppContext& ctx, std::int16_t period);
// Region `record` (0-based) filled yellow over the present picture.
void highlightRegion(AppContext& ctx, std::int32_t record);

// Clears the strip beside the map where the class legend stands.
void clearLegend(AppContext& ctx, When when);
// A tool button by its key ("Find", "Graph", "MapAnimation", ...).
void setToolEnabled(AppContext& ctx, const std::string& key, bool enabled, When when);
void setToolPressed(AppContext& ctx, const std::string& key, bool pressed, When when);
// The M-class legend picture beside the map.
void showMLegend(AppContext& ctx, bool show, When when);
// The cusum colour legend (picLegend) on the map.
void showCusumLegend(AppContext& ctx, bool show, When when);
// Hides the bandwidth slider, its label and the M-class legend picture.
void hideRangeControls(AppContext& ctx, When when);
// Moves the bandwidth slider to bandwidth `index` of the range run, without
// shading the map again.
void setRangeSlider(AppContext& ctx, int index, When when);
// Stops the map's region blink or bandwidth animation and nothing more: the
// caller, which replaces or withdraws what the map shows, draws what comes
// next.
void stopWaiting(AppContext& ctx);

}  // namespace PolygonMap
