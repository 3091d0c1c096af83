#pragma once
// The waits of the program hand control to the event loop through this
// pump. The program's pump waits real time (a blink lasts a fraction of a
// second whatever the machine); the test pump counts the waits and may act
// in each.
//
// After each wait a loop must look its windows up again and stop when one
// was closed or the program is ending (isQuitting()).

#include <cstdint>
#include <functional>
#include <memory>

// One wait of the program: one step of a blink or a flash, one frame of the
// bandwidth animation, the pause before a period of a cusum animation at
// its speed. It lasts `seconds` in the program; tests count it as one.
struct Wait {
    double seconds = 0.0;
};

class EventPump {
public:
    virtual ~EventPump() = default;
    // True once the program has begun to end.
    virtual bool isQuitting() const = 0;
    // The one wait of the program: hands control to the event loop for
    // the length of `w` and returns false as soon as `goOn` says the
    // waiting window is gone or the program is ending.
    virtual bool wait(const Wait& w, const std::function<bool()>& goOn) = 0;
};

EventPump& eventPump();
void installEventPump(std::shared_ptr<EventPump> pump);

class QObject;

// One action of the program that waits: a blink, a flash, a bandwidth or
// period animation. Its waits hand control to the event loop, so a click
// runs its handler inside the action's handler; these actions therefore
// never nest. An action starts only when no other is on the stack, that is
// none runs and none was stopped whose handler has not yet returned. A
// click that would start one meanwhile either does what it does without
// its own wait (a map tool, a list row) or is deferred (a Run, whose
// animation starts once the action it stops has returned: see
// deferUntilIdle).
//
// A running action is stopped from outside (a second click on its
// control, a Run, another study area, closing its window); its waits then
// return false. Whoever stops it shows what comes next, save a deferred
// click, which runs only later: an animation stopped for one ends on what
// it shows, its map, slider, label and list agreeing on it.
//
// The action ends when it goes out of scope, when it is stopped, when
// `goOn` says its window is gone or when the program is ending; from then
// on its waits return false at once.
class WaitingAction {
public:
    // Starts an action of `owner` (the window it draws on), unless an
    // action is on the stack.
    WaitingAction(const QObject* owner, std::function<bool()> goOn);
    // The last action to leave the stack hands a deferred click to the
    // event loop, which runs it once the handler that waited has returned.
    ~WaitingAction();
    WaitingAction(const WaitingAction&) = delete;
    WaitingAction& operator=(const WaitingAction&) = delete;

    bool started() const noexcept { return id_ != 0; }
    // Started, and neither stopped nor ended.
    bool running() const noexcept;
    // Waits `w` through the event pump; false when the action ended
    // before or during the wait.
    bool wait(const Wait& w);

    // Whether an action is on the stack: running, or stopped and not yet
    // returned from.
    static bool busy() noexcept;
    // How many started actions are on the stack (one at most).
    static int depth() noexcept;
    // Stops the running action when `owner` started it; true when it did.
    static bool stop(const QObject* owner) noexcept;
    // Stops the running action, whoever started it.
    static void stopAny() noexcept;

    // A click whose handler starts an action of its own: runs `handler` at
    // once when no action is on the stack; otherwise stops the running one
    // and keeps `handler` (a later deferred click replaces it) until the
    // waiting handler has returned to the event loop, which then runs it.
    static void deferUntilIdle(std::function<void()> handler);
    // Whether a deferred click waits for its turn.
    static bool clickDeferred() noexcept;

private:
    std::uint64_t id_ = 0;
    std::function<bool()> goOn_;
};

// The time the program's pump paces its waits by: nanoseconds since any
// fixed start, and a pause of the calling thread. The program's is the
// steady clock (steadyPumpClock()); a test drives one of its own.
class PumpClock {
public:
    virtual ~PumpClock() = default;
    virtual std::int64_t nanoseconds() = 0;
    virtual void sleep(std::int64_t nanoseconds) = 0;
};
std::shared_ptr<PumpClock> steadyPumpClock();

// The program's pump: it waits real time, processing events meanwhile. It
// reports quitting once setQuitting() was called or the application is
// closing down.
class QtEventPump : public EventPump {
public:
    explicit QtEventPump(std::shared_ptr<PumpClock> clock = steadyPumpClock());
    bool isQuitting() const override;
    void setQuitting() { quitting_ = true; }
    // Waits w.seconds, processing events in batches of at most kBatchNs
    // and asking whether to go on (isQuitting, then `goOn`) after every
    // pass over the events, so the window stays live and the pass that
    // ends the program or closes the window is the last; a wait of no time
    // hands over once, so that the window repaints what was just drawn,
    // unless the last hand-over is less than kHandOverEveryNs old.
    bool wait(const Wait& w, const std::function<bool()>& goOn) override;

    // A little less than a screen's refresh (60 Hz): waits of no time in a
    // row (an animation at its fastest) repaint no more often than a screen
    // can show, and a click waits no longer than that.
    static constexpr std::int64_t kHandOverEveryNs = 15'000'000;
    // The longest run of passes over the events before the wait looks at
    // its time again.
    static constexpr std::int64_t kBatchNs = 10'000'000;

private:
    std::shared_ptr<PumpClock> clock_;
    bool quitting_ = false;
    bool handedOverYet_ = false;
    std::int64_t handedOver_ = 0;  // the clock's time at the last hand-over
};
