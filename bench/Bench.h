#pragma once
// The benchmark program's small framework: each figure registers itself
// with a name and prints lines of the form "NAME N=<size> seconds=<median>".
#include <functional>
#include <string>

struct BenchRegistration {
    BenchRegistration(const std::string& name, std::function<void()> run);
};

// Median wall-clock seconds of `repeats` calls of fn (after one warm-up call
// when warmUp is set).
double medianSeconds(int repeats, const std::function<void()>& fn, bool warmUp = true);

// Prints "NAME <params> seconds=<value>" and flushes.
void printFigure(const std::string& name, const std::string& params, double seconds);

// Peak resident memory of this process so far, in megabytes.
double peakResidentMb();

// The one QApplication of the benchmark program (offscreen unless a
// platform is set), created when first asked for.
class QApplication;
QApplication& benchApplication();
