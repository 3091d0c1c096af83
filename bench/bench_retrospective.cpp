// The retrospective cluster test: a range run over ten bandwidths on 1,000
// regions, and the filling of the result lists for 3,000 regions.
#include <QListWidget>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <utility>

#include "bench/Bench.h"
#include "context/AppContext.h"
#include "retrospective/ClusterRun.h"
#include "retrospective/frmClusterDetection.h"
#include "ui/Dialogs.h"

namespace {

// A jittered grid of n regions of unit area with a cluster of cases in one corner.
AppState studyArea(int n) {
    AppState s;
    s.area.regionCount = n;
    const auto size = static_cast<std::size_t>(n) + 1;
    s.area.centroidTable.resize(size);
    s.retro.observed.assign(size, 0.0);
    s.retro.expected.assign(size, 0.0);
    s.retro.expectedShare.assign(size, 0.0);
    s.retro.population.assign(size, 0.0);
    s.retro.primaryIds.assign(size, "");
    s.retro.countsGeneration = s.area.generation;  // the counts belong to this study area
    const int cols = static_cast<int>(std::ceil(std::sqrt(n)));
    double totalPop = 0.0;
    for (int i = 1; i <= n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const int c = (i - 1) % cols, r = (i - 1) / cols;
        s.area.centroidTable[k] = CentroidRecord{std::to_string(i), c + 0.1 * std::sin(i), r + 0.1 * std::cos(i)};
        s.retro.population[k] = 2000.0 + 97.0 * (i % 53);
        s.retro.observed[k] = std::floor(s.retro.population[k] * 0.004) + ((c < cols / 5 && r < cols / 5) ? 8.0 : 0.0);
        s.retro.primaryIds[k] = "Region " + std::to_string(i);
        totalPop += s.retro.population[k];
        s.retro.totalCases += s.retro.observed[k];
    }
    for (std::size_t k = 1; k < size; ++k) {
        s.retro.expected[k] = s.retro.totalCases * s.retro.population[k] / totalPop;
        s.retro.expectedShare[k] = s.retro.population[k] / totalPop;
    }
    s.area.studyArea = n;
    s.retro.alpha = 0.05;
    s.shared.polygonDataMode = true;
    return s;
}

const BenchRegistration rangeRun("range-run", [] {
    for (ClusterTest test : {ClusterTest::AdjustedPoisson, ClusterTest::Unadjusted, ClusterTest::Rossi}) {
        // As the window runs it, one run after another on the state it
        // keeps: a working copy, the range, and the commit.
        AppState state = studyArea(1000);
        const double secs = medianSeconds(3, [&] {
            AppState work = ClusterRun::workingCopy(state);
            ClusterRun::checkData(work);
            ClusterRun::computeRange(work, test, 0.2, 2.0, 0.2, ClusterRun::rangeCount(0.2, 2.0, 0.2));
            ClusterRun::commit(state, std::move(work));
        });
        // The adjusted test computes both kernels and both statistics: the
        // slowest run stands as the figure of the range run.
        const char* name = test == ClusterTest::AdjustedPoisson ? "range-run"
                           : test == ClusterTest::Unadjusted    ? "range-run-unadjusted"
                                                                : "range-run-rossi";
        printFigure(name, "N=1000 K=10", secs);
    }
});

const BenchRegistration listFill("retro-lists", [] {
    benchApplication();
    installDialogs(std::make_shared<ScriptedDialogs>());
    AppContext ctx;
    ctx.state = studyArea(3000);
    AppState& s = ctx.state;
    s.shared.sigma = 0.5;
    // Results of the right shape; their values do not change the cost.
    s.retro.localScoreUnadjusted = s.retro.observed;
    s.retro.localScoreZUnadjusted = s.retro.expected;
    s.retro.globalScoreUnadjusted = 1234.5;
    s.retro.scoreDf = 12.5;
    s.retro.scoreChiSquare = 20.25;
    s.retro.scoreZ = 1.5;
    frmClusterDetection w(ctx);
    const double secs = medianSeconds(5, [&] {
        w.lstGlobalPatternSummary->clear();
        w.lstLocalPatternSummary->clear();
        w.ListUnadjustedScore();
    });
    printFigure("retro-lists", "N=3000", secs);
});

}  // namespace
