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

class QObject;

// One action of the program that waits: a blink, a flash, a bandwidth or
// period animation. Its waits hand control to the event loop, so a click
// runs its handler inside the action's handler; these actions therefore
// never nest. An action starts only when no other is on the stack, that is
// none runs and none was stopped whose handler has not yet returned; a
// click that asks for one meanwhile is ignored (a blink, a flash, the
// map's animation) or deferred (a Run, whose animation starts once the
// action it stops has returned: see deferUntilIdle).
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
    // and keeps `handler` until that action's handler has returned (a
    // later deferred click replaces it). Each handler that starts an
    // action calls runDeferred() as its last step.
    static void deferUntilIdle(std::function<void()> handler);
    // Runs the deferred click, once no action is on the stack.
    static void runDeferred();

private:
    std::uint64_t id_ = 0;
    std::function<bool()> goOn_;
};

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
