#include "bench/Bench.h"

#include <QApplication>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <map>
#include <stdexcept>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

#include "platform/Error.h"
#include "stats/AppState.h"

extern char** environ;

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

void printFigure(const std::string& name, const std::string& params, double seconds, const std::string& more) {
    std::printf("%s %s seconds=%.4f%s%s\n", name.c_str(), params.c_str(), seconds, more.empty() ? "" : " ",
                more.c_str());
    std::fflush(stdout);
}

double peakResidentMb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;  // ru_maxrss is in kilobytes on Linux
}

double ownPeakMb() {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (f == nullptr) return peakResidentMb();
    char line[256];
    double kb = -1.0;
    while (std::fgets(line, sizeof line, f) != nullptr)
        if (std::sscanf(line, "VmHWM: %lf kB", &kb) == 1) break;
    std::fclose(f);
    return kb >= 0.0 ? kb / 1024.0 : peakResidentMb();
}

namespace {

// Starts the child; its standard output goes to `out` when that is a pipe's
// write end (-1: inherited).
bool spawnChild(const std::string& name, const std::string& variable, const std::string& value, int out, pid_t& pid) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e)
        if (std::string(*e).rfind(variable + "=", 0) != 0) env.emplace_back(*e);
    env.push_back(variable + "=" + value);
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string self = "/proc/self/exe", figure = name;
    char* argv[] = {self.data(), figure.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (out >= 0) posix_spawn_file_actions_adddup2(&actions, out, 1);
    const int started = posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0) {
        std::fprintf(stderr, "%s: cannot start the measuring process\n", name.c_str());
        return false;
    }
    return true;
}

bool childSucceeded(const std::string& name, pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s: the measuring process failed\n", name.c_str());
        return false;
    }
    return true;
}

}  // namespace

bool runInChild(const std::string& name, const std::string& variable, const std::string& value) {
    std::fflush(stdout);
    pid_t pid = 0;
    return spawnChild(name, variable, value, -1, pid) && childSucceeded(name, pid);
}

std::optional<std::string> childOutput(const std::string& name, const std::string& variable, const std::string& value) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return std::nullopt;
    pid_t pid = 0;
    const bool started = spawnChild(name, variable, value, fds[1], pid);
    close(fds[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t got; started && (got = read(fds[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(got));
    close(fds[0]);
    if (!started || !childSucceeded(name, pid)) return std::nullopt;
    return text;
}

bool runFigure(const std::string& name) {
    auto& r = registry();
    const auto it = r.find(name);
    if (it == r.end()) return false;
    it->second();
    return true;
}

namespace {

// This process's own folder in the temporary folder; empty until the first
// figure asks for a scratch folder, removed when the program ends.
std::filesystem::path& ownFolder() {
    static std::filesystem::path folder;
    return folder;
}

void removeOwnFolder() {
    std::filesystem::path& folder = ownFolder();
    if (folder.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    if (ec) std::fprintf(stderr, "cannot remove %s: %s\n", folder.c_str(), ec.message().c_str());
    folder.clear();
}

// Why a figure stopped, as its line says it.
std::string reasonOf(std::exception_ptr failure) {
    try {
        std::rethrow_exception(std::move(failure));
    } catch (const AppError& e) {
        return e.description() + " (error " + std::to_string(e.number()) +
               (e.source().empty() ? std::string() : ", " + e.source()) + ")";
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "an exception that is not a std::exception";
    }
}

// Runs one figure; a figure that throws says so in a line of its own, and
// the figures after it still run.
bool runReporting(const std::string& name, const std::function<void()>& run) {
    try {
        run();
        return true;
    } catch (...) {
        const std::string reason = reasonOf(std::current_exception());
        std::fflush(stdout);
        std::fprintf(stderr, "%s failed: %s\n", name.c_str(), reason.c_str());
        return false;
    }
}

// 0 when every figure ran, 1 when one failed, 2 for a name that is none.
int runFigures(int argc, char** argv) {
    auto& r = registry();
    int status = 0;
    if (argc == 1) {
        for (auto& [name, run] : r)
            if (!runReporting(name, run)) status = 1;
        return status;
    }
    for (int i = 1; i < argc; ++i) {
        auto it = r.find(argv[i]);
        if (it == r.end()) {
            std::fprintf(stderr, "unknown benchmark: %s\n", argv[i]);
            return 2;
        }
        if (!runReporting(it->first, it->second)) status = 1;
    }
    return status;
}

}  // namespace

std::filesystem::path scratchFolder(const std::string& name) {
    std::filesystem::path& own = ownFolder();
    if (own.empty()) {
        const std::string pattern = (std::filesystem::temp_directory_path() / "korvane-bench-XXXXXX").string();
        std::string made = pattern;
        if (::mkdtemp(made.data()) == nullptr)
            throw std::runtime_error("cannot make a folder like " + pattern + ": " + std::strerror(errno));
        own = made;
        // Also where a figure's child process ends with std::exit.
        std::atexit(removeOwnFolder);
    }
    const std::filesystem::path folder = own / name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

// Usage: korvane-bench [NAME...]  (no names: every figure, in name order).
// Exits with 1 when a figure failed, after running the others.
int main(int argc, char** argv) {
    const int status = runFigures(argc, argv);
    // The application ends before the static objects do: Qt's list of input
    // devices, made once a window showed a cursor, is gone by then.
    delete QCoreApplication::instance();
    return status;
}

QApplication& benchApplication() {
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) return *app;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "korvane-bench";
    static char* argv[] = {name, nullptr};
    return *new QApplication(argc, argv);
}

void loadScatteredPoints(AppState& s, int n) {
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
