#pragma once
// Synthetic study areas for the engine's tests and benchmark: N locations
// on a jittered grid (or scattered, or in a few tight groups) with counts of
// one of the two input kinds.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>

#include "stats/AppState.h"

namespace SyntheticArea {

enum class Layout { Grid, Scattered, Groups };
enum class Counts {
    PopulationAndCases,    // p = population share (sums to 1), E = T p
    ObservedAndExpected,   // E as given, p = E / T (sums to anything)
};

struct Options {
    std::int32_t n = 100;
    std::uint64_t seed = 1;
    Layout layout = Layout::Grid;
    Counts counts = Counts::PopulationAndCases;
    double sigma = 1.0;
    double meanCases = 20.0;  // per location
};

inline double uniform(std::mt19937_64& g) { return static_cast<double>(g() >> 11) * (1.0 / 9007199254740992.0); }

inline AppState make(const Options& o) {
    std::mt19937_64 g(o.seed);
    AppState s;
    const std::int32_t n = o.n;
    const auto size = static_cast<std::size_t>(n) + 1;
    s.area.regionCount = n;
    s.shared.polygonDataMode = true;
    s.shared.sigma = o.sigma;
    s.retro.alpha = 0.05;
    s.area.centroidTable.assign(size, CentroidRecord{});
    const double side = std::ceil(std::sqrt(static_cast<double>(n)));
    for (std::int32_t i = 1; i <= n; ++i) {
        auto& c = s.area.centroidTable[static_cast<std::size_t>(i)];
        c.ID = std::to_string(i);
        const double gx = std::fmod(static_cast<double>(i - 1), side), gy = std::floor((i - 1) / side);
        switch (o.layout) {
        case Layout::Grid:
            c.X = 1000.0 + 10.0 * (gx + 0.3 * (uniform(g) - 0.5));
            c.Y = 5000.0 + 10.0 * (gy + 0.3 * (uniform(g) - 0.5));
            break;
        case Layout::Scattered:
            c.X = 1000.0 + 10.0 * side * uniform(g);
            c.Y = 5000.0 + 10.0 * side * uniform(g);
            break;
        case Layout::Groups: {
            const double group = std::floor(uniform(g) * 4.0);
            c.X = 1000.0 + 10.0 * side * (0.2 + 0.2 * group) + 3.0 * uniform(g);
            c.Y = 5000.0 + 10.0 * side * (group == 1.0 ? 0.8 : 0.3) + 3.0 * uniform(g);
            break;
        }
        }
    }
    s.area.studyArea = (10.0 * side) * (10.0 * side);

    s.retro.population.assign(size, 0.0);
    s.retro.observed.assign(size, 0.0);
    s.retro.expected.assign(size, 0.0);
    s.retro.expectedShare.assign(size, 0.0);
    double total = 0.0;
    for (std::int32_t i = 1; i <= n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        s.retro.observed[k] = std::floor(o.meanCases * 2.0 * uniform(g));
        total += s.retro.observed[k];
    }
    if (total < 2.0) {  // at least two cases, so that every local score has a variance
        s.retro.observed[1] += 2.0;
        total += 2.0;
    }
    s.retro.totalCases = total;
    if (o.counts == Counts::PopulationAndCases) {
        double pop = 0.0;
        for (std::int32_t i = 1; i <= n; ++i) {
            s.retro.population[static_cast<std::size_t>(i)] = std::floor(100.0 + 4900.0 * uniform(g));
            pop += s.retro.population[static_cast<std::size_t>(i)];
        }
        s.retro.totalPopulation = pop;
        for (std::int32_t i = 1; i <= n; ++i) {
            const auto k = static_cast<std::size_t>(i);
            s.retro.expected[k] = total * s.retro.population[k] / pop;
            s.retro.expectedShare[k] = s.retro.population[k] / pop;
        }
    } else {
        for (std::int32_t i = 1; i <= n; ++i) {
            const auto k = static_cast<std::size_t>(i);
            s.retro.expected[k] = std::min(total, 1.0 + 2.0 * o.meanCases * uniform(g));
            s.retro.expectedShare[k] = s.retro.expected[k] / total;
        }
    }
    s.retro.countsGeneration = s.area.generation;  // the counts belong to this study area
    return s;
}

}  // namespace SyntheticArea
