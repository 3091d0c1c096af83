// Figures of the statistics engine: one full single-bandwidth computation of
// the score tests (unadjusted and Poisson-adjusted together, with the
// Poisson M and both critical values) at several sizes, its time step by
// step at N = 3000, the literal reference at N = 1000 for the ratio, the
// normal p-value, and the peak memory of the two largest runs, each
// measured in a process of its own.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/Bench.h"
#include "stats/KernelProducts.h"
#include "stats/modClusterDetection.h"
#include "stats/modPValue.h"
#include "tests/stats/LiteralEngine.h"
#include "tests/stats/SyntheticArea.h"

namespace {

namespace cd = modClusterDetection;

AppState studyArea(std::int32_t n) {
    SyntheticArea::Options o;
    o.n = n;
    o.seed = 2024;
    o.sigma = 1.0;
    return SyntheticArea::make(o);
}

// What a run computes for one bandwidth of the "Unadjusted" and the
// "Adjusted - Poisson" tests. Repeated on one state, each run takes a
// bandwidth other than the last one's (1 and the next double above it, in
// turn), as a new run would: with the same bandwidth the engine would copy
// the kernel it still holds instead of computing it.
void scoreRun(AppState& s) {
    s.shared.sigma = s.shared.sigma == 1.0 ? std::nextafter(1.0, 2.0) : 1.0;
    cd::CalcScoreWeights(s.area, s.points, s.shared, s.retro);
    cd::CalcLocalScoreUnadjusted(s.area, s.retro);
    cd::CalcScoreMomentsUnadjusted(s.area, s.retro);
    cd::StandardizeScoreUnadjusted(s.retro);
    volatile double sink = cd::GetChiSquareCritical(s.retro.alpha, s.retro.scoreDf);
    cd::CalcLocalScoreAdjusted(s.area, s.retro);
    cd::CalcScoreMomentsAdjusted(s.area, s.retro);
    cd::StandardizeScoreAdjusted(s.retro);
    sink = cd::GetChiSquareCritical(s.retro.alpha, s.retro.scoreDf);
    cd::CalcMWeights(s.area, s.points, s.shared, s.retro);
    cd::CalcLocalMPoisson(s.area, s.retro);
    sink = cd::GetMaxLocalM(s.area, s.retro);
    sink = cd::GetMCritical(s.area, s.shared, s.retro).value;
    (void)sink;
}

void literalScoreRun(AppState& s) {
    LiteralEngine::CalcScoreWeights(s);
    LiteralEngine::CalcLocalScoreUnadjusted(s);
    LiteralEngine::CalcScoreMomentsUnadjusted(s);
    LiteralEngine::StandardizeScoreUnadjusted(s);
    volatile double sink = cd::GetChiSquareCritical(s.retro.alpha, s.retro.scoreDf);
    LiteralEngine::CalcLocalScoreAdjusted(s);
    LiteralEngine::CalcScoreMomentsAdjusted(s);
    LiteralEngine::StandardizeScoreAdjusted(s);
    sink = cd::GetChiSquareCritical(s.retro.alpha, s.retro.scoreDf);
    LiteralEngine::CalcMWeights(s);
    LiteralEngine::CalcLocalMPoisson(s);
    sink = LiteralEngine::GetMaxLocalM(s);
    sink = cd::GetMCritical(s.area, s.shared, s.retro).value;
    (void)sink;
}

// The median of three runs on one state after a first run, as the program
// runs one test after another: the first run asks for its N x N buffers,
// the later ones find them kept (a run's commit hands the matrices it
// replaces back for the next run in the same way).
double scoreRunSeconds(std::int32_t n) {
    AppState s = studyArea(n);
    return medianSeconds(3, [&] { scoreRun(s); });
}

const BenchRegistration scoreRunFigure("score-run", [] {
    std::fprintf(stderr, "score-run: block products built for %s\n", KernelProducts::implementationName());
    for (std::int32_t n : {1000, 2000, 3000, 5000}) printFigure("score-run", "N=" + std::to_string(n), scoreRunSeconds(n));
});

// Where the time of one score run goes, step by step, at N = 3000: the
// median of each step over five runs on one state (as the program runs one
// test after another on the state it keeps), each run on a bandwidth of its
// own. The M weights come first here, so that the kernel is computed there
// alone; the score weights then copy it and add the cross product (in a
// run it is the other way round, and the same work). score-weights is the
// two together.
const BenchRegistration stepsFigure("score-run-steps", [] {
    constexpr int kRuns = 5;
    AppState s = studyArea(3000);
    enum Step { Kernel, CrossProduct, LocalScores, Moments, Standardise, M, Total, StepCount };
    const char* names[StepCount] = {"kernel", "cross-product", "local-scores", "moments", "standardise", "m", "total"};
    std::vector<double> times[StepCount];
    auto timed = [](const std::function<void()>& fn) {
        const auto t0 = std::chrono::steady_clock::now();
        fn();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    };
    for (int run = 0; run <= kRuns; ++run) {
        double t[StepCount] = {};
        s.shared.sigma = s.shared.sigma == 1.0 ? std::nextafter(1.0, 2.0) : 1.0;  // as in scoreRun
        volatile double sink = 0.0;
        t[Kernel] = timed([&] { cd::CalcMWeights(s.area, s.points, s.shared, s.retro); });
        t[CrossProduct] = timed([&] { cd::CalcScoreWeights(s.area, s.points, s.shared, s.retro); });
        t[LocalScores] += timed([&] { cd::CalcLocalScoreUnadjusted(s.area, s.retro); });
        t[Moments] += timed([&] { cd::CalcScoreMomentsUnadjusted(s.area, s.retro); });
        t[Standardise] += timed([&] {
            cd::StandardizeScoreUnadjusted(s.retro);
            sink = cd::GetChiSquareCritical(s.retro.alpha, s.retro.scoreDf);
        });
        t[LocalScores] += timed([&] { cd::CalcLocalScoreAdjusted(s.area, s.retro); });
        t[Moments] += timed([&] { cd::CalcScoreMomentsAdjusted(s.area, s.retro); });
        t[Standardise] += timed([&] {
            cd::StandardizeScoreAdjusted(s.retro);
            sink = cd::GetChiSquareCritical(s.retro.alpha, s.retro.scoreDf);
        });
        t[M] = timed([&] {
            cd::CalcLocalMPoisson(s.area, s.retro);
            sink = cd::GetMaxLocalM(s.area, s.retro);
            sink = cd::GetMCritical(s.area, s.shared, s.retro).value;
        });
        (void)sink;
        for (int k = 0; k < Total; ++k) t[Total] += t[k];
        if (run == 0) continue;  // warm-up
        for (int k = 0; k < StepCount; ++k) times[k].push_back(t[k]);
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    for (int k = 0; k < StepCount; ++k)
        printFigure("score-run-step", std::string("N=3000 step=") + names[k], median(times[k]));
    printFigure("score-run-step", "N=3000 step=score-weights", median(times[Kernel]) + median(times[CrossProduct]));
});

// The literal reference at N = 1000, and how many times faster the engine
// is on the same study area.
const BenchRegistration literalFigure("score-run-literal", [] {
    const AppState start = studyArea(1000);
    const double seconds = medianSeconds(
        1,
        [&] {
            AppState s = start;
            literalScoreRun(s);
        },
        false);
    printFigure("score-run-literal", "N=1000", seconds);
    std::printf("score-run-literal-ratio N=1000 ratio=%.1f\n", seconds / scoreRunSeconds(1000));
    std::fflush(stdout);
});

const BenchRegistration pValueFigure("normal-pvalue", [] {
    std::vector<double> z(10000);
    for (std::size_t k = 0; k < z.size(); ++k) z[k] = -5.0 + 10.0 * static_cast<double>(k) / 9999.0;
    const double seconds = medianSeconds(3, [&] {
        volatile double sum = 0.0;
        for (double v : z) sum = sum + modPValue::GetNormalPValue(v);
    });
    printFigure("normal-pvalue", "N=10000", seconds);
});

constexpr const char* kPeakChild = "KORVANE_BENCH_SCORE_PEAK_CHILD";

// The parent starts this program again with kPeakChild set to N; the child
// runs the computation once on a fresh state, as the first run on a new
// study area does, and prints its own peak.
const BenchRegistration peakFigure("score-run-peak-mb", [] {
    if (const char* child = std::getenv(kPeakChild)) {
        const std::int32_t n = std::atoi(child);
        AppState s = studyArea(n);
        scoreRun(s);
        std::printf("score-run-peak-mb N=%d mb=%.1f\n", n, ownPeakMb());
        std::fflush(stdout);
        return;
    }
    for (std::int32_t n : {3000, 5000})
        if (!runInChild("score-run-peak-mb", kPeakChild, std::to_string(n)))
            throw std::runtime_error("no figure for N=" + std::to_string(n));
});

}  // namespace
