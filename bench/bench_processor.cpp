// How much the processor under the engine changes its speed, as ratios
// within one run. score-run-tails: a score run on a study area where most
// kernel weights lie below 1E-154 (their products fall below the smallest
// normal double) against one of the same size where none do. after-paint:
// five figures measured in a process that has just drawn a map (Qt's
// painting leaves the upper vector state in use) against the same figure
// in a process that drew nothing: the medians of three fresh processes of
// each kind.
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/Bench.h"
#include "context/AppContext.h"
#include "map/PointMap.h"
#include "map/PointTransform.h"
#include "platform/CpuState.h"
#include "retrospective/ClusterRun.h"
#include "retrospective/frmClusterDetectionTextfile.h"
#include "stats/KernelProducts.h"
#include "stats/modClusterDetection.h"
#include "tests/stats/SyntheticArea.h"
#include "ui/Dialogs.h"
#include "ui/Twips.h"

namespace {

namespace cd = modClusterDetection;

// ---------------------------------------------------------------- far tails

// One bandwidth of the "Unadjusted" and "Adjusted - Poisson" tests with the
// Poisson M, as score-run computes it; each run on a bandwidth other than
// the last one's, so that the kernel is computed anew.
void scoreRun(AppState& s, double sigma) {
    s.shared.sigma = s.shared.sigma == sigma ? std::nextafter(sigma, 2.0 * sigma) : sigma;
    cd::CalcScoreWeights(s.area, s.points, s.shared, s.retro);
    cd::CalcLocalScoreUnadjusted(s.area, s.retro);
    cd::CalcScoreMomentsUnadjusted(s.area, s.retro);
    cd::StandardizeScoreUnadjusted(s.retro);
    cd::CalcLocalScoreAdjusted(s.area, s.retro);
    cd::CalcScoreMomentsAdjusted(s.area, s.retro);
    cd::StandardizeScoreAdjusted(s.retro);
    cd::CalcMWeights(s.area, s.points, s.shared, s.retro);
    cd::CalcLocalMPoisson(s.area, s.retro);
    volatile double sink = cd::GetMaxLocalM(s.area, s.retro);
    (void)sink;
}

double shareBelow(const Matrix& W, double bound) {
    const Eigen::Index n = W.rows() - 1;
    double count = 0.0;
    for (Eigen::Index j = 1; j <= n; ++j)
        for (Eigen::Index i = 1; i <= n; ++i) count += W(i, j) < bound ? 1.0 : 0.0;
    return n > 0 ? count / static_cast<double>(n * n) : 0.0;
}

double seconds(const std::function<void()>& fn) {
    const auto t0 = std::chrono::steady_clock::now();
    fn();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

const BenchRegistration tails("score-run-tails", [] {
    constexpr std::int32_t kN = 3000;
    // On this jittered grid a weight falls below 1E-154 beyond about 26.6
    // sigma spacings: at sigma 0.5 most pairs are that far apart, at 8 none.
    constexpr double kTails = 0.5, kWide = 8.0;
    SyntheticArea::Options o;
    o.n = kN;
    o.seed = 2024;
    o.sigma = kTails;
    AppState tailArea = SyntheticArea::make(o);
    o.sigma = kWide;
    AppState wideArea = SyntheticArea::make(o);
    // Taken in turn, so that the load of the machine falls on all alike;
    // the far tails also with the block products computed as written (no
    // flush-to-zero), to show what this processor's subnormal path costs.
    std::vector<double> tailTimes, wideTimes, unflushedTimes;
    for (int run = 0; run <= 5; ++run) {
        const double t = seconds([&] { scoreRun(tailArea, kTails); });
        const double w = seconds([&] { scoreRun(wideArea, kWide); });
        KernelProducts::setFlushDenormals(false);
        const double u = seconds([&] { scoreRun(tailArea, kTails); });
        KernelProducts::setFlushDenormals(true);
        if (run == 0) continue;  // warm-up
        tailTimes.push_back(t);
        wideTimes.push_back(w);
        unflushedTimes.push_back(u);
    }
    const double t = median(tailTimes), w = median(wideTimes), u = median(unflushedTimes);
    char more[240];
    std::snprintf(more, sizeof more,
                  "tails-seconds=%.4f wide-seconds=%.4f unflushed-ratio=%.2f tails-share=%.2f wide-share=%.2f", t, w,
                  u / w, shareBelow(tailArea.retro.scoreWeights, 1e-154), shareBelow(wideArea.retro.scoreWeights, 1e-154));
    std::printf("score-run-tails N=%d ratio=%.2f %s\n", kN, t / w, more);
    std::fflush(stdout);
});

// ---------------------------------------------------------------- after a paint

constexpr const char* kChild = "KORVANE_BENCH_AFTER_PAINT";

// The point test's engine alone on 3,000 points, as point-run-engine
// measures it, but with the device points computed without a window (the
// same transform a 600 x 450 picture gives), so that a process that draws
// nothing can run it.
void pointRunEngine() {
    constexpr int kN = 3000;
    AppState state;
    loadScatteredPoints(state, kN);
    std::vector<double> xs(kN + 1, 0.0), ys(kN + 1, 0.0);
    for (int i = 1; i <= kN; ++i) {
        xs[static_cast<std::size_t>(i)] = state.area.centroidTable[static_cast<std::size_t>(i)].X;
        ys[static_cast<std::size_t>(i)] = state.area.centroidTable[static_cast<std::size_t>(i)].Y;
    }
    PointMapInput in;
    in.extent = findPointExtent(xs, ys);
    in.outerWidth = pixelsToTwips(600);
    in.outerHeight = pixelsToTwips(450);
    in.innerWidth = 600;
    in.innerHeight = 450;
    const std::optional<PointTransform> t = computePointTransform(in);
    if (!t) return;
    state.points.pointScaleX = t->scaleX;
    state.points.pointScaleY = t->scaleY;
    state.points.devicePoints = pointDevicePositions(*t, 0.0, 0.0, state.area.centroidTable, kN);
    state.shared.sigma = 1.0;
    state.retro.alpha = 0.05;
    const AppState start = ClusterRun::workingCopy(state);
    const double secs = medianSeconds(3, [&] {
        AppState s = start;
        ClusterRun::computeSingle(s, ClusterTest::AdjustedPoisson, ListLayout::Points);
    });
    printFigure("point-run-engine", "N=" + std::to_string(kN), secs);
}

// The point map of 20,000 points drawn in its window, as point-map-draw
// draws it; the window stays open while the figure is measured.
struct DrawnMap {
    AppContext ctx;
    std::unique_ptr<frmClusterDetectionTextfile> window;
};

std::unique_ptr<DrawnMap> drawAMap() {
    benchApplication();
    installDialogs(std::make_shared<ScriptedDialogs>());
    auto map = std::make_unique<DrawnMap>();
    map->window = std::make_unique<frmClusterDetectionTextfile>(map->ctx);
    loadScatteredPoints(map->ctx.state, 20000);
    map->window->picPoint->copyPoints();
    map->window->picPoint->DrawPointMap();
    std::fprintf(stderr, "after-paint: upper vector state in use after the paint: %s\n",
                 !CpuState::canReadStateInUse() ? "cannot tell" : CpuState::upperStateInUse() ? "yes" : "no");
    return map;
}

struct Figure {
    const char* name;
    const char* params;  // the line of the figure that is compared
};
constexpr Figure kFigures[] = {{"normal-pvalue", "N=10000"},
                               {"score-run", "N=3000"},
                               {"cusum-run", "N=3000 T=52"},
                               {"export", "N=3000 T=52"},
                               {"point-run-engine", "N=3000"}};

// The figure's seconds in a child's output; 0 when it has none.
double secondsIn(const std::optional<std::string>& output, const Figure& f) {
    if (!output) return 0.0;
    const std::string head = std::string(f.name) + " " + f.params + " seconds=";
    const std::size_t at = output->find(head);
    if (at == std::string::npos) return 0.0;
    return std::strtod(output->c_str() + at + head.size(), nullptr);
}

const BenchRegistration afterPaint("after-paint", [] {
    if (const char* child = std::getenv(kChild)) {
        // "paint:<figure>" or "clean:<figure>".
        const std::string what = child;
        const std::size_t colon = what.find(':');
        const std::string mode = what.substr(0, colon), figure = what.substr(colon + 1);
        std::unique_ptr<DrawnMap> map;
        if (mode == "paint") map = drawAMap();
        if (figure == "point-run-engine")
            pointRunEngine();
        else if (!runFigure(figure))
            std::exit(2);
        return;  // the window closes before the application ends
    }
    // Three pairs of processes per figure, in alternating order, so that
    // the load of a busy machine falls on both sides alike.
    constexpr int kPairs = 3;
    std::string missing;
    for (const Figure& f : kFigures) {
        std::vector<double> clean, painted;
        for (int pair = 0; pair < kPairs; ++pair)
            for (int side = 0; side < 2; ++side) {
                const bool paint = (side == 0) == (pair % 2 == 1);
                const double secs =
                    secondsIn(childOutput("after-paint", kChild, std::string(paint ? "paint:" : "clean:") + f.name), f);
                if (secs > 0.0) (paint ? painted : clean).push_back(secs);
            }
        if (clean.empty() || painted.empty()) {
            std::fprintf(stderr, "after-paint: no figure for %s\n", f.name);
            missing += missing.empty() ? f.name : std::string(", ") + f.name;
            continue;
        }
        const double c = median(clean), p = median(painted);
        std::printf("after-paint %s %s ratio=%.2f clean-seconds=%.4f painted-seconds=%.4f\n", f.name, f.params, p / c, c,
                    p);
        std::fflush(stdout);
    }
    if (!missing.empty()) throw std::runtime_error("no figure for " + missing);
});

}  // namespace
