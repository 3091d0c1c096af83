#pragma once
// What the cluster test window does to the map window, in one place: the
// class map and its legend, the tools the results switch on and off and the
// M-class legend picture.
//
// `load` says whether a closed map window is opened again for the call (the
// run does so); the list clicks and the closing of the test window act only
// on an open map window.

#include <string>

#include "context/AppContext.h"

class QLabel;

namespace ClusterMapLink {

bool mapWindowOpen(AppContext& ctx);
// Closes the map window when it is open.
void closeMapWindow(AppContext& ctx);

// Clears the map window's own surface (where the class legend stands).
void clearLegend(AppContext& ctx, bool load);
// Hides the bandwidth slider, its label and the M-class legend image.
void hideRangeControls(AppContext& ctx, bool load);
// The slider of an open map window at bandwidth `index` of the range run.
void setRangeSlider(AppContext& ctx, int index);
// Stops a blink or the bandwidth animation of the map window; the caller
// draws what the map shows next.
void stopWaiting(AppContext& ctx);

void showClassMap(AppContext& ctx, DoubleArray& legendValues, const DoubleArray& mapValues);
// False when memory ran out and the map kept the picture it showed.
bool redrawShapefile(AppContext& ctx);
void highlightRegion(AppContext& ctx, std::int32_t region);

// The tool "Find": enabled and pressed, or disabled and released.
void setFindTool(AppContext& ctx, bool on, bool load);
void setMapAnimationEnabled(AppContext& ctx, bool on, bool load);
// Shows the M-class legend picture, or hides it.
void showMLegend(AppContext& ctx, bool show, bool load);

}  // namespace ClusterMapLink
