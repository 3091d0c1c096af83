// Figures of the statistics engine: one full single-bandwidth computation of
// the score tests (unadjusted and Poisson-adjusted together, with the
// Poisson M and both critical values) at several sizes, the literal
// reference at N = 1000 for the ratio, the normal p-value, and the peak
// memory of the largest run measured in a process of its own.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "bench/Bench.h"
#include "stats/KernelProducts.h"
#include "stats/modClusterDetection.h"
#include "stats/modPValue.h"
#include "tests/stats/LiteralEngine.h"
#include "tests/stats/SyntheticArea.h"

extern char** environ;

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
// "Adjusted - Poisson" tests.
void scoreRun(AppState& s) {
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
    sink = cd::GetMCritical(s.area, s.shared, s.retro);
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
    sink = cd::GetMCritical(s.area, s.shared, s.retro);
    (void)sink;
}

const BenchRegistration scoreRunFigure("score-run", [] {
    std::fprintf(stderr, "score-run: block products built for %s\n", KernelProducts::implementationName());
    for (std::int32_t n : {1000, 2000, 3000}) {
        const AppState start = studyArea(n);
        const double seconds = medianSeconds(3, [&] {
            AppState s = start;
            scoreRun(s);
        });
        printFigure("score-run", "N=" + std::to_string(n), seconds);
    }
});

// Where the time of one score run goes, step by step, at N = 3000: the
// median of each step over five runs on one state (as the program runs one
// test after another on the state it keeps). The kernel is the M weights
// (the same kernel alone); the cross product is the score weights less it.
const BenchRegistration stepsFigure("score-run-steps", [] {
    constexpr int kRuns = 5;
    AppState s = studyArea(3000);
    enum Step { ScoreWeights, Kernel, LocalScores, Moments, Standardise, M, Total, StepCount };
    const char* names[StepCount] = {"score-weights", "kernel", "local-scores", "moments", "standardise", "m", "total"};
    std::vector<double> times[StepCount];
    auto timed = [](const std::function<void()>& fn) {
        const auto t0 = std::chrono::steady_clock::now();
        fn();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    };
    for (int run = 0; run <= kRuns; ++run) {
        double t[StepCount] = {};
        volatile double sink = 0.0;
        t[ScoreWeights] = timed([&] { cd::CalcScoreWeights(s.area, s.points, s.shared, s.retro); });
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
        t[Kernel] = timed([&] { cd::CalcMWeights(s.area, s.points, s.shared, s.retro); });
        t[M] = timed([&] {
            cd::CalcLocalMPoisson(s.area, s.retro);
            sink = cd::GetMaxLocalM(s.area, s.retro);
            sink = cd::GetMCritical(s.area, s.shared, s.retro);
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
    printFigure("score-run-step", "N=3000 step=cross-product", median(times[ScoreWeights]) - median(times[Kernel]));
});

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

// The parent starts this program again with kPeakChild set; the child runs
// the N = 3000 computation once and exits, and its peak resident memory is
// that of the run alone.
const BenchRegistration peakFigure("score-run-peak-mb", [] {
    if (std::getenv(kPeakChild) != nullptr) {
        AppState s = studyArea(3000);
        scoreRun(s);
        return;
    }
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
    env.push_back(std::string(kPeakChild) + "=1");
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string self = "/proc/self/exe", name = "score-run-peak-mb";
    char* argv[] = {self.data(), name.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, "/proc/self/exe", nullptr, nullptr, argv, envp.data()) != 0) {
        std::fprintf(stderr, "score-run-peak-mb: cannot start the measuring process\n");
        return;
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "score-run-peak-mb: the measuring process failed\n");
        return;
    }
    std::printf("score-run-peak-mb N=3000 mb=%.1f\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
    std::fflush(stdout);
});

}  // namespace
