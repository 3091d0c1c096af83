#include "bench/Bench.h"

#include <QApplication>
#include <cstdlib>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <sys/resource.h>
#include <vector>

namespace {
std::map<std::string, std::function<void()>>& registry() {
    static std::map<std::string, std::function<void()>> r;
    return r;
}
}  // namespace

BenchRegistration::BenchRegistration(const std::string& name, std::function<void()> run) {
    registry()[name] = std::move(run);
}

double medianSeconds(int repeats, const std::function<void()>& fn, bool warmUp) {
    if (warmUp) fn();
    std::vector<double> times;
    for (int i = 0; i < repeats; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        fn();
        const auto t1 = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double>(t1 - t0).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void printFigure(const std::string& name, const std::string& params, double seconds) {
    std::printf("%s %s seconds=%.4f\n", name.c_str(), params.c_str(), seconds);
    std::fflush(stdout);
}

double peakResidentMb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;  // ru_maxrss is in kilobytes on Linux
}

// Usage: korvane-bench [NAME...]  (no names: every figure, in name order)
int main(int argc, char** argv) {
    auto& r = registry();
    if (argc == 1) {
        for (auto& [name, run] : r) run();
        return 0;
    }
    for (int i = 1; i < argc; ++i) {
        auto it = r.find(argv[i]);
        if (it == r.end()) {
            std::fprintf(stderr, "unknown benchmark: %s\n", argv[i]);
            return 2;
        }
        it->second();
    }
    return 0;
}

QApplication& benchApplication() {
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) return *app;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "korvane-bench";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}
