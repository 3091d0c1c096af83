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
    // wait of an hour then stops at the end of that batch of events, long
    // before the work that posts itself again runs out.
    QtEventPump pump;
    int handled = 0;
    std::function<void()> tick = [&] {
        if (++handled == 3) pump.setQuitting();
        if (handled < 100000) QMetaObject::invokeMethod(qApp, tick, Qt::QueuedConnection);
    };
    QMetaObject::invokeMethod(qApp, tick, Qt::QueuedConnection);
    EXPECT_FALSE(pump.wait({3600.0}, [] { return true; }));
    EXPECT_TRUE(pump.isQuitting());
    EXPECT_GE(handled, 3);
    EXPECT_LT(handled, 100000);
    // The tick still posted refers to this test's variables.
    QCoreApplication::removePostedEvents(qApp);
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
