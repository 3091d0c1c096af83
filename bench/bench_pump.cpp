// The pace of the program's event pump: a yield keeps a minimum time so a
// blink stays visible, and must not overshoot it much, or the 50,000 yields
// of an animation step would take far longer than meant. The figures are
// the seconds of a blink's 2,501 yields and of 20,000 yields at the
// program's 50 microseconds: a little above 0.125 s and 1.0 s.
#include <string>

#include "bench/Bench.h"
#include "ui/EventPump.h"

namespace {

void yieldPace(const char* name, int yields) {
    QtEventPump pump(50);
    const double secs = medianSeconds(5, [&] {
        for (int i = 0; i < yields; ++i) pump.yieldOnce();
    });
    printFigure(name, "N=" + std::to_string(yields), secs);
}

}  // namespace

static BenchRegistration blink("event_pump_blink_yield", [] { yieldPace("event_pump_blink_yield", 2501); });
static BenchRegistration many("event_pump_many_yields", [] { yieldPace("event_pump_many_yields", 20000); });
