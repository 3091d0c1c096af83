#pragma once
// The points of the point samples: scattered over the sample study area's
// square, each with a population, some within a circle of raised rate.

#include <cmath>

#include "tools/SampleRng.h"

// The sample study area's square, in map units (metres).
constexpr double kSampleOriginX = 500000.0, kSampleOriginY = 4000000.0;
constexpr double kSampleSide = 10000.0;

struct SamplePoint {
    double x = 0.0, y = 0.0, population = 0.0;
    bool inCircle = false;  // within `radius` of the circle's centre
};

// The next point of `rng`: x, y, then a whole population between `lowest`
// and `highest`, drawn in that order.
inline SamplePoint nextSamplePoint(SampleRng& rng, double lowest, double highest, double centreX, double centreY,
                                   double radius) {
    SamplePoint p;
    p.x = kSampleOriginX + rng.between(0.0, kSampleSide);
    p.y = kSampleOriginY + rng.between(0.0, kSampleSide);
    p.population = std::round(rng.between(lowest, highest));
    p.inCircle = std::hypot(p.x - centreX, p.y - centreY) < radius;
    return p;
}
