// The cluster test on point data, as the point window runs it: one
// bandwidth on 3,000 points and ten bandwidths on 1,000 points (each from
// Run to the filled lists, legend and map), and the plain point map of
// 100,000 points.
#include <QApplication>
#include <QLineEdit>
#include <cmath>
#include <memory>

#include "bench/Bench.h"
#include "context/AppContext.h"
#include "map/PointMap.h"
#include "retrospective/ClusterRun.h"
#include "retrospective/frmClusterDetectionTextfile.h"
#include "ui/Dialogs.h"

namespace {

// n scattered points with populations and a cluster of cases in one corner,
// loaded as the data-type dialog loads them.
void loadPoints(AppState& s, int n) {
    const auto size = static_cast<std::size_t>(n) + 1;
    s.points.pointCount = n;
    s.area.centroidTable.assign(size, CentroidRecord{});
    for (DoubleArray* a : {&s.retro.population, &s.retro.observed, &s.retro.expected, &s.retro.expectedShare})
        a->assign(size, 0.0);
    double P = 0.0, T = 0.0;
    for (int i = 1; i <= n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const double x = std::fmod(i * 0.6180339887, 1.0) * 1000.0, y = std::fmod(i * 0.7548776662, 1.0) * 1000.0;
        s.area.centroidTable[k] = CentroidRecord{"P" + std::to_string(i), x, y};
        s.retro.population[k] = 500.0 + 37.0 * (i % 29);
        s.retro.observed[k] = std::floor(s.retro.population[k] * 0.004) + ((x < 200 && y < 200) ? 5.0 : 0.0);
        P += s.retro.population[k];
        T += s.retro.observed[k];
    }
    for (std::size_t k = 1; k < size; ++k) {
        s.retro.expected[k] = T / P * s.retro.population[k];
        s.retro.expectedShare[k] = s.retro.population[k] / P;
    }
    s.retro.totalCases = T;
    s.shared.pointDataMode = true;
    s.shared.polygonDataMode = false;
}

struct PointBench {
    PointBench() {
        benchApplication();
        installDialogs(std::make_shared<ScriptedDialogs>());
        w = std::make_unique<frmClusterDetectionTextfile>(ctx);
    }
    AppContext ctx;
    std::unique_ptr<frmClusterDetectionTextfile> w;
};

const BenchRegistration pointRun("point-run", [] {
    PointBench b;
    loadPoints(b.ctx.state, 3000);
    b.w->pointDataLoaded();
    b.w->selectTest(ClusterTest::AdjustedPoisson);
    b.w->txtSingleSigma->setText("0.5");
    const double secs = medianSeconds(3, [&] { b.w->cmdRun_Click(); });
    printFigure("point-run", "N=3000", secs);
});

// The same run without the window: the statistics alone, on the points as
// the window's map drew them, to tell the window's share from the engine's.
const BenchRegistration pointRunEngine("point-run-engine", [] {
    PointBench b;
    loadPoints(b.ctx.state, 3000);
    b.w->picPoint->copyPoints();
    b.w->picPoint->DrawPointMap();
    b.ctx.state.shared.sigma = 1.0;
    const AppState start = ClusterRun::workingCopy(b.ctx.state);
    const double secs = medianSeconds(3, [&] {
        AppState s = start;
        ClusterRun::computeSingle(s, ClusterTest::AdjustedPoisson, ListLayout::Points);
    });
    printFigure("point-run-engine", "N=3000", secs);
});

const BenchRegistration pointRangeRun("point-range-run", [] {
    PointBench b;
    loadPoints(b.ctx.state, 1000);
    b.w->pointDataLoaded();
    b.w->selectTest(ClusterTest::AdjustedPoisson);
    b.w->selectSigmaRange();
    const double secs = medianSeconds(3, [&] { b.w->cmdRun_Click(); });
    printFigure("point-range-run", "N=1000 K=10", secs);
});

const BenchRegistration pointMapDraw("point-map-draw", [] {
    PointBench b;
    loadPoints(b.ctx.state, 100000);
    PointMap* map = b.w->picPoint;
    map->copyPoints();
    const double secs = medianSeconds(5, [&] { map->DrawPointMap(); });
    printFigure("point-map-draw", "N=100000", secs);
});

}  // namespace
