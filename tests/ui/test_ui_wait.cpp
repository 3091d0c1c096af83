// The one wait: counted in tests, real time in the program, and stopped at
// once when the waiting window is gone.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/CountingPump.h"
#include "ui/EventPump.h"

namespace {
// The time of a test: it moves only when the test moves it or the pump
// sleeps.
struct TestClock : PumpClock {
    std::int64_t now = 0;
    std::int64_t nanoseconds() override { return now; }
    void sleep(std::int64_t ns) override { now += ns; }
};

constexpr std::int64_t kMs = 1'000'000;

// `steps` waits of an action, as a blink or an animation makes them; false
// at the first that returns false.
bool waitSteps(WaitingAction& a, int steps) {
    for (int i = 0; i < steps; ++i)
        if (!a.wait({0.0})) return false;
    return true;
}
}  // namespace

TEST(WaitLoop, CountingPumpCountsTheWaitsAndStopsWhenAsked) {
    CountingEventPump pump;
    EXPECT_TRUE(pump.wait({10.0}, [] { return true; }));
    EXPECT_TRUE(pump.wait({0.5}, [] { return true; }));
    EXPECT_EQ(pump.waits, 2);
    EXPECT_DOUBLE_EQ(pump.seconds, 10.5);

    pump.waits = 0;
    EXPECT_FALSE(pump.wait({0.0}, [&] { return pump.waits < 1; }));  // asked after the wait
    EXPECT_EQ(pump.waits, 1);

    pump.quitting = true;
    EXPECT_FALSE(pump.wait({0.0}, [] { return true; }));
    EXPECT_EQ(pump.waits, 2);
}

TEST(WaitLoop, ProgramPumpHandsOverEvenForAWaitOfNoTime) {
    QtEventPump pump;
    int delivered = 0;
    QTimer::singleShot(0, [&] { ++delivered; });
    // Even a wait of no time hands over once, so posted events arrive.
    EXPECT_TRUE(pump.wait({0.0}, [] { return true; }));
    EXPECT_EQ(delivered, 1);
}

TEST(WaitLoop, ProgramPumpStopsWhenTheWindowIsGone) {
    QtEventPump pump;
    int asked = 0;
    // A wait of an hour ends at the first question whose answer is no.
    EXPECT_FALSE(pump.wait({3600.0}, [&] { return ++asked < 2; }));
    EXPECT_EQ(asked, 2);
}

TEST(WaitLoop, ProgramPumpStopsSoonAfterQuitting) {
    // An event handled during the wait says the program is ending; the
    // wait of an hour then stops after the pass over the events that
    // handled it, long before the work that posts itself again runs out.
    // The pump's clock stands still but for its sleeps, so a pump that went
    // on to the end of its batch would handle every tick.
    auto clock = std::make_shared<TestClock>();
    QtEventPump pump(clock);
    int handled = 0;
    std::function<void()> tick = [&] {
        if (++handled == 3) pump.setQuitting();
        if (handled < 100000) QMetaObject::invokeMethod(qApp, tick, Qt::QueuedConnection);
    };
    QMetaObject::invokeMethod(qApp, tick, Qt::QueuedConnection);
    EXPECT_FALSE(pump.wait({3600.0}, [] { return true; }));
    EXPECT_TRUE(pump.isQuitting());
    EXPECT_GE(handled, 3);
    EXPECT_LT(handled, 100);
    // The tick still posted refers to this test's variables.
    QCoreApplication::removePostedEvents(qApp);
}

// Waits of no time in a row (an animation at its fastest, whose window
// neither repaints nor takes a click meanwhile) hand over to the event loop
// at the first wait and then at the first wait 15 ms or more after the last
// hand-over: never more often, and never less.
TEST(WaitLoop, WaitsOfNoTimeHandOverOnceEvery15Ms) {
    struct Case {
        const char* name;
        std::int64_t step;  // the time between two waits
        int waits;
        std::vector<int> handingOver;  // the waits that hand over
    };
    const Case cases[] = {
        {"a wait every millisecond", 1 * kMs, 100, {0, 15, 30, 45, 60, 75, 90}},
        {"a wait every 7 ms", 7 * kMs, 15, {0, 3, 6, 9, 12}},
        {"a wait every 15 ms", 15 * kMs, 4, {0, 1, 2, 3}},
        {"a wait every 20 ms", 20 * kMs, 4, {0, 1, 2, 3}},
        {"waits at one instant", 0, 50, {0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto clock = std::make_shared<TestClock>();
        clock->now = 5'000 * kMs;
        QtEventPump pump(clock);
        // One event posted at a time: a hand-over delivers it.
        int delivered = 0;
        bool pending = false;
        std::vector<int> handingOver;
        for (int k = 0; k < c.waits; ++k) {
            if (!pending) {
                pending = true;
                QMetaObject::invokeMethod(
                    qApp,
                    [&] {
                        ++delivered;
                        pending = false;
                    },
                    Qt::QueuedConnection);
            }
            const int before = delivered;
            EXPECT_TRUE(pump.wait({0.0}, [] { return true; }));
            if (delivered > before) handingOver.push_back(k);
            clock->now += c.step;
        }
        EXPECT_EQ(handingOver, c.handingOver);
        // The event still posted refers to this case's variables.
        QCoreApplication::removePostedEvents(qApp);
    }
}

// A wait that lasts its time hands over all along it, and counts as the
// last hand-over of the waits of no time that follow.
TEST(WaitLoop, AWaitOfTimeHandsOverUntilItsEnd) {
    auto clock = std::make_shared<TestClock>();
    QtEventPump pump(clock);
    int asked = 0;
    EXPECT_TRUE(pump.wait({0.1}, [&] { return ++asked > 0; }));
    EXPECT_GE(clock->now, 100 * kMs) << "the wait slept its time";
    EXPECT_LT(clock->now, 106 * kMs) << "and not much longer";
    EXPECT_GE(asked, 20) << "asked after every batch, at most 5 ms apart";
    int delivered = 0;
    QMetaObject::invokeMethod(qApp, [&] { ++delivered; }, Qt::QueuedConnection);
    clock->now += 14 * kMs;
    EXPECT_TRUE(pump.wait({0.0}, [] { return true; }));
    EXPECT_EQ(delivered, 0);
    clock->now += 1 * kMs;
    EXPECT_TRUE(pump.wait({0.0}, [] { return true; }));
    EXPECT_EQ(delivered, 1);
}

// One waiting action at a time: a second that asks to start while one is
// on the stack (running, or stopped but not yet returned from) is refused;
// a stopped action's waits return false at once.
TEST(WaitingActions, OneRunsAtATime) {
    auto pump = std::make_shared<CountingEventPump>();
    installEventPump(pump);
    QObject map, cusum;
    struct Case {
        const char* name;
        bool stopFirst;          // the first stopped by its owner before the second asks
        bool stopBySecondOwner;  // then stop(&cusum) instead of starting a second
        bool firstGoesOn;
    };
    const Case cases[] = {
        {"refused while the first runs", false, false, true},
        {"refused while the first is stopping", true, false, false},
        {"stopped by another owner", false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pump->waits = 0;
        bool secondStarted = false, secondWaited = false;
        pump->onWait = [&](std::int64_t n) {
            if (n != 2) return;
            if (c.stopFirst) {
                EXPECT_TRUE(WaitingAction::stop(&map));
            }
            if (c.stopBySecondOwner) {
                EXPECT_FALSE(WaitingAction::stop(&cusum));
                return;
            }
            EXPECT_TRUE(WaitingAction::busy());
            WaitingAction second(&cusum, {});
            secondStarted = second.started();
            secondWaited = waitSteps(second, 3);
            EXPECT_EQ(WaitingAction::depth(), 1);
        };
        {
            WaitingAction first(&map, {});
            ASSERT_TRUE(first.started());
            EXPECT_TRUE(WaitingAction::busy());
            EXPECT_EQ(waitSteps(first, 5), c.firstGoesOn);
            EXPECT_EQ(first.running(), c.firstGoesOn);
            // Stopped, it stays on the stack until it goes out of scope.
            EXPECT_TRUE(WaitingAction::busy());
        }
        EXPECT_FALSE(WaitingAction::busy());
        EXPECT_EQ(WaitingAction::depth(), 0);
        EXPECT_FALSE(secondStarted);
        EXPECT_FALSE(secondWaited);
        EXPECT_EQ(pump->waits, c.firstGoesOn ? 5 : 2);
    }

    // Stopped by its owner: the wait it was stopped in returns false, and
    // later waits return at once.
    pump->waits = 0;
    pump->onWait = [&](std::int64_t n) {
        if (n == 3) {
            EXPECT_TRUE(WaitingAction::stop(&map));
        }
    };
    {
        WaitingAction blink(&map, {});
        EXPECT_FALSE(waitSteps(blink, 10));
        EXPECT_FALSE(blink.wait({0.0}));
        EXPECT_EQ(pump->waits, 3);
    }
    EXPECT_FALSE(WaitingAction::busy());

    // A window gone ends it too, and stopAny stops whoever runs.
    pump->waits = 0;
    pump->onWait = nullptr;
    {
        WaitingAction flash(&cusum, [&] { return pump->waits < 2; });
        EXPECT_FALSE(waitSteps(flash, 10));
        EXPECT_FALSE(flash.running());
    }
    {
        WaitingAction animation(&cusum, {});
        WaitingAction::stopAny();
        EXPECT_FALSE(animation.running());
    }
    EXPECT_FALSE(WaitingAction::busy());
    installEventPump(std::make_shared<CountingEventPump>());
}

// A click whose handler starts an action of its own runs at once when no
// action is on the stack; otherwise it stops the running one and runs from
// the event loop once that one's handler has returned, never inside it,
// though no handler asks for it; and a click deferred by a deferred
// handler runs after it, not inside it.
TEST(WaitingActions, ADeferredClickRunsOnceTheWaitingHandlerHasReturned) {
    auto pump = std::make_shared<CountingEventPump>();
    installEventPump(pump);
    QObject window;
    std::vector<std::string> steps;
    int nesting = 0, deepest = 0;
    // A handler that animates `frames` waits, and nothing after.
    std::function<void(const std::string&, int)> animate = [&](const std::string& name, int frames) {
        ++nesting;
        deepest = std::max(deepest, nesting);
        steps.push_back(name + " starts");
        {
            WaitingAction a(&window, {});
            EXPECT_TRUE(a.started()) << name;
            steps.push_back(name + (waitSteps(a, frames) ? " ends" : " stopped"));
        }
        steps.push_back(name + " returns");
        --nesting;
    };

    WaitingAction::deferUntilIdle([&] { animate("idle", 2); });
    EXPECT_EQ(steps, (std::vector<std::string>{"idle starts", "idle ends", "idle returns"}));
    EXPECT_FALSE(WaitingAction::clickDeferred());

    steps.clear();
    pump->waits = 0;
    pump->onWait = [&](std::int64_t n) {
        // Clicks in waits 2 (of the first) and 5 (of the second).
        if (n == 2) WaitingAction::deferUntilIdle([&] { animate("second", 4); });
        if (n == 5) WaitingAction::deferUntilIdle([&] { animate("third", 3); });
    };
    animate("first", 10);
    EXPECT_EQ(steps, (std::vector<std::string>{"first starts", "first stopped", "first returns"}));
    EXPECT_TRUE(WaitingAction::clickDeferred());
    finishDeferredClicks();
    EXPECT_EQ(steps, (std::vector<std::string>{"first starts", "first stopped", "first returns", "second starts",
                                              "second stopped", "second returns", "third starts", "third ends",
                                              "third returns"}));
    EXPECT_EQ(pump->waits, 2 + 3 + 3);
    EXPECT_EQ(deepest, 1);
    EXPECT_FALSE(WaitingAction::busy());
    EXPECT_FALSE(WaitingAction::clickDeferred());

    // A program that is ending drops the click instead of running it,
    // whether it came while none waited or during a wait.
    pump->onWait = nullptr;
    pump->quitting = true;
    bool ran = false;
    WaitingAction::deferUntilIdle([&] { ran = true; });
    {
        WaitingAction a(&window, {});
        WaitingAction::deferUntilIdle([&] { ran = true; });
    }
    finishDeferredClicks();
    pump->quitting = false;
    finishDeferredClicks();
    EXPECT_FALSE(ran);
    EXPECT_FALSE(WaitingAction::clickDeferred());
    installEventPump(std::make_shared<CountingEventPump>());
}
