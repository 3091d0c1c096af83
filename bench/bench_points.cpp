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
    loadScatteredPoints(b.ctx.state, 3000);
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
    loadScatteredPoints(b.ctx.state, 3000);
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
    loadScatteredPoints(b.ctx.state, 1000);
    b.w->pointDataLoaded();
    b.w->selectTest(ClusterTest::AdjustedPoisson);
    b.w->selectSigmaRange();
    const double secs = medianSeconds(3, [&] { b.w->cmdRun_Click(); });
    printFigure("point-range-run", "N=1000 K=10", secs);
});

const BenchRegistration pointMapDraw("point-map-draw", [] {
    PointBench b;
    loadScatteredPoints(b.ctx.state, 100000);
    PointMap* map = b.w->picPoint;
    map->copyPoints();
    const double secs = medianSeconds(5, [&] { map->DrawPointMap(); });
    printFigure("point-map-draw", "N=100000", secs);
});

}  // namespace
