#pragma once
// The test pump: counts the program's waits (a step of a blink or a flash,
// a frame of an animation, the pause before a period) and runs an optional
// hook in each, where a test clicks as a user would during the wait. Its
// waits take no time. finishDeferredClicks() lets the event loop run what
// the program handed it after a stopped wait, as the program's loop does
// once the handler that waited has returned.

#include <QCoreApplication>
#include <cstdint>
#include <functional>

#include "ui/EventPump.h"

class CountingEventPump : public EventPump {
public:
    bool wait(const Wait& w, const std::function<bool()>& goOn) override {
        ++waits;
        seconds += w.seconds;
        if (onWait) onWait(waits);
        return !quitting && (!goOn || goOn());
    }
    bool isQuitting() const override { return quitting; }

    // The waits so far, and the time they would have lasted in the program.
    std::int64_t waits = 0;
    double seconds = 0.0;
    bool quitting = false;
    std::function<void(std::int64_t)> onWait;
};

// Runs the clicks deferred during a wait that has returned, and the clicks
// those defer in turn.
inline void finishDeferredClicks() {
    for (int i = 0; i < 100 && WaitingAction::clickDeferred() && !WaitingAction::busy(); ++i)
        QCoreApplication::sendPostedEvents(QCoreApplication::instance(), QEvent::MetaCall);
}
