#pragma once
// The delay loops of the program hand control to the event loop through this
// pump. The program's pump waits real time (a blink lasts a fraction of a
// second whatever the machine); a test pump counts yields and may act
// between them.
//
// After each yield a loop must look its windows up again and stop when one
// was closed or the program is ending (isQuitting()).

#include <cstdint>
#include <functional>
#include <memory>

// One wait of the program (a blink, a flash, a frame of an animation): the
// number of hand-overs its loop counts, which is what tests see, and how
// long it lasts in the program.
struct Wait {
    std::int64_t yields = 0;
    double seconds = 0.0;
};

class EventPump {
public:
    virtual ~EventPump() = default;
    // Hands control to the event loop once.
    virtual void yieldOnce() = 0;
    // True once the program has begun to end.
    virtual bool isQuitting() const = 0;

    // A delay of count d: d + 1 yields. Stops early when quitting.
    void delay(std::int64_t count);

    // The one wait loop of the program: hands control to the event loop
    // for the length of `w` and returns false as soon as `goOn` says the
    // waiting window is gone or the program is ending. This pump yields
    // w.yields times, asking after each.
    virtual bool wait(const Wait& w, const std::function<bool()>& goOn);
};

EventPump& eventPump();
void installEventPump(std::shared_ptr<EventPump> pump);

// The program's pump: QCoreApplication::processEvents, each yield lasting at
// least `minMicroseconds` (50 by default: a blink of 2,501 yields lasts
// about an eighth of a second). It reports quitting once setQuitting() was
// called or the application is closing down.
class QtEventPump : public EventPump {
public:
    explicit QtEventPump(int minMicroseconds = 50) : minMicroseconds_(minMicroseconds) {}
    void yieldOnce() override;
    bool isQuitting() const override;
    void setQuitting() { quitting_ = true; }
    // Waits w.seconds of real time, processing events meanwhile and
    // asking `goOn` after every batch, so the window stays live.
    bool wait(const Wait& w, const std::function<bool()>& goOn) override;

private:
    int minMicroseconds_;
    bool quitting_ = false;
};

// The test pump: counts yields and runs an optional hook at each.
class CountingEventPump : public EventPump {
public:
    void yieldOnce() override {
        ++yields;
        if (onYield) onYield(yields);
    }
    bool isQuitting() const override { return quitting; }

    std::int64_t yields = 0;
    bool quitting = false;
    std::function<void(std::int64_t)> onYield;
};
