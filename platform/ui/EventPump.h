#pragma once
// The counted delay loops of the program hand control to the event loop a
// fixed number of times through this pump. The program's pump processes
// events with a small minimum time per yield, so blinks and animations are
// visible; a test pump counts yields and may act between them.
//
// After each yield a loop must look its windows up again and stop when one
// was closed or the program is ending (isQuitting()).

#include <cstdint>
#include <functional>
#include <memory>

class EventPump {
public:
    virtual ~EventPump() = default;
    // Hands control to the event loop once.
    virtual void yieldOnce() = 0;
    // True once the program has begun to end.
    virtual bool isQuitting() const = 0;

    // A delay of count d: d + 1 yields. Stops early when quitting.
    void delay(std::int64_t count);
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
