#pragma once
// The benchmark program's small framework: each figure registers itself
// with a name and prints lines of the form "NAME N=<size> seconds=<median>".
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

struct BenchRegistration {
    BenchRegistration(const std::string& name, std::function<void()> run);
};

// Median wall-clock seconds of `repeats` calls of fn (after one warm-up call
// when warmUp is set).
double medianSeconds(int repeats, const std::function<void()>& fn, bool warmUp = true);

// Prints "NAME <params> seconds=<value>", then `more` (further
// "key=value" pairs, each after a blank), and flushes.
void printFigure(const std::string& name, const std::string& params, double seconds, const std::string& more = {});

// Peak resident memory of this process so far, in megabytes.
double peakResidentMb();

// The high-water mark of this process's own memory image (VmHWM), in
// megabytes. The rusage figures would not do in a child: a process started
// by posix_spawn shares its parent's memory until it executes, and the
// kernel carries that image's peak into the child's.
double ownPeakMb();

// Starts this program again on the figure `name`, with the environment
// variable `variable` set to `value`, and waits for it: a figure of peak
// memory is measured in a fresh process of its own, which finds `variable`
// set and measures. False, after a message, when the child could not start
// or failed.
bool runInChild(const std::string& name, const std::string& variable, const std::string& value);

// The same, returning what the child printed on its standard output.
std::optional<std::string> childOutput(const std::string& name, const std::string& variable, const std::string& value);

// Runs the registered figure `name` in this process; false when there is
// none.
bool runFigure(const std::string& name);

// An empty folder `name` for a figure's files, inside a folder of this
// process's own that mkdtemp made in the temporary folder: two benchmarks
// at once never share one. What it held before is removed; the process's
// folder goes, with everything in it, when the program ends. Throws
// std::runtime_error when the folder cannot be made.
std::filesystem::path scratchFolder(const std::string& name);

// The one QApplication of the benchmark program (offscreen unless a
// platform is set), created when first asked for.
class QApplication;
QApplication& benchApplication();

// n scattered points with populations and a cluster of cases in one corner,
// loaded as the data-type dialog loads them (point data mode).
struct AppState;
void loadScatteredPoints(AppState& s, int n);
