// The pace of the program's waits: a wait lasts its time, so that a blink
// stays visible on a fast machine, and not much longer, or an animation
// would drag. The figures are the seconds of one step of a blink (0.15 s
// meant) and of a period at the Fast speed (no time meant: one hand-over
// to the event loop), each the median of a few.
#include <functional>
#include <string>

#include "bench/Bench.h"
#include "ui/EventPump.h"

namespace {

void waitPace(const char* name, const char* what, double seconds, int reps) {
    benchApplication();  // the pump hands over to its event loop
    QtEventPump pump;
    const std::function<bool()> goOn = [] { return true; };
    const double secs = medianSeconds(5, [&] {
        for (int i = 0; i < reps; ++i) pump.wait(Wait{seconds}, goOn);
    });
    printFigure(name, std::string(what) + " N=" + std::to_string(reps), secs / reps);
}

}  // namespace

static BenchRegistration blink("event_pump_blink_wait", [] { waitPace("event_pump_blink_wait", "seconds=0.15", 0.15, 1); });
static BenchRegistration fast("event_pump_fast_wait", [] { waitPace("event_pump_fast_wait", "seconds=0", 0.0, 1000); });
