#pragma once
// Which of its two routes the moment computation of the score statistic
// took. The centred route (the moment matrix centred on both sides, and the
// cube trace from products of three blocks) is taken when the shares are
// not negative and add up to at most 1 (always so for population-and-cases
// data) and the moment matrix is symmetric; otherwise the direct route
// forms B = A (diag(p) - p p') and multiplies it by itself. Both give the
// same moments to rounding; the tests compare them.

namespace ScoreMomentRoute {

enum class Route { Centred, Direct };

// The route of the last moment computation.
Route last();

// Takes the direct route whatever the data (tests).
void forceDirect(bool yes);

}  // namespace ScoreMomentRoute
