// The one wait loop: counted in tests, real time in the program, and
// stopped at once when the waiting window is gone.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/EventPump.h"

TEST(WaitLoop, CountingPumpYieldsTheWaitsCountAndStopsWhenAsked) {
    CountingEventPump pump;
    EXPECT_TRUE(pump.wait({5, 10.0}, [] { return true; }));
    EXPECT_EQ(pump.yields, 5);

    pump.yields = 0;
    EXPECT_FALSE(pump.wait({100, 0.0}, [&] { return pump.yields < 3; }));
    EXPECT_EQ(pump.yields, 3);  // asked after every yield

    pump.yields = 0;
    pump.quitting = true;
    EXPECT_FALSE(pump.wait({100, 0.0}, [] { return true; }));
    EXPECT_EQ(pump.yields, 1);
}

TEST(WaitLoop, ProgramPumpWaitsByTimeNotByTheCount) {
    QtEventPump pump;
    int delivered = 0;
    QTimer::singleShot(0, [&] { ++delivered; });
    // A count that the hand-over by hand-over pump would take hours over:
    // the program's pump waits the wait's time instead, and even a wait of
    // no time hands over once, so posted events arrive.
    EXPECT_TRUE(pump.wait({1'000'000'000, 0.0}, [] { return true; }));
    EXPECT_EQ(delivered, 1);
}

TEST(WaitLoop, ProgramPumpStopsWhenTheWindowIsGone) {
    QtEventPump pump;
    int asked = 0;
    // A wait of an hour ends at the first question whose answer is no.
    EXPECT_FALSE(pump.wait({0, 3600.0}, [&] { return ++asked < 2; }));
    EXPECT_EQ(asked, 2);
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
        pump->yields = 0;
        bool secondStarted = false, secondWaited = false;
        pump->onYield = [&](std::int64_t n) {
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
            secondWaited = second.wait({3, 0.0});
            EXPECT_EQ(WaitingAction::depth(), 1);
        };
        {
            WaitingAction first(&map, {});
            ASSERT_TRUE(first.started());
            EXPECT_TRUE(WaitingAction::busy());
            EXPECT_EQ(first.wait({5, 0.0}), c.firstGoesOn);
            EXPECT_EQ(first.running(), c.firstGoesOn);
            // Stopped, it stays on the stack until it goes out of scope.
            EXPECT_TRUE(WaitingAction::busy());
        }
        EXPECT_FALSE(WaitingAction::busy());
        EXPECT_EQ(WaitingAction::depth(), 0);
        EXPECT_FALSE(secondStarted);
        EXPECT_FALSE(secondWaited);
        EXPECT_EQ(pump->yields, c.firstGoesOn ? 5 : 2);
    }

    // Stopped by its owner: the wait ends at the next yield, and later
    // waits return at once.
    pump->yields = 0;
    pump->onYield = [&](std::int64_t n) {
        if (n == 3) {
            EXPECT_TRUE(WaitingAction::stop(&map));
        }
    };
    {
        WaitingAction blink(&map, {});
        EXPECT_FALSE(blink.wait({10, 0.0}));
        EXPECT_FALSE(blink.wait({10, 0.0}));
        EXPECT_EQ(pump->yields, 3);
    }
    EXPECT_FALSE(WaitingAction::busy());

    // A window gone ends it too, and stopAny stops whoever runs.
    pump->yields = 0;
    pump->onYield = nullptr;
    {
        WaitingAction flash(&cusum, [&] { return pump->yields < 2; });
        EXPECT_FALSE(flash.wait({10, 0.0}));
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
// action is on the stack; otherwise it stops the running one and runs when
// that one's handler, returning, calls runDeferred(), never inside it, and
// a click deferred by a deferred handler runs after it, not inside it.
TEST(WaitingActions, ADeferredClickRunsOnceTheWaitingHandlerHasReturned) {
    auto pump = std::make_shared<CountingEventPump>();
    installEventPump(pump);
    QObject window;
    std::vector<std::string> steps;
    int nesting = 0, deepest = 0;
    // A handler that animates `frames` yields and calls runDeferred last.
    std::function<void(const std::string&, int)> animate = [&](const std::string& name, int frames) {
        ++nesting;
        deepest = std::max(deepest, nesting);
        steps.push_back(name + " starts");
        {
            WaitingAction a(&window, {});
            EXPECT_TRUE(a.started()) << name;
            steps.push_back(name + (a.wait({frames, 0.0}) ? " ends" : " stopped"));
        }
        --nesting;
        WaitingAction::runDeferred();
    };

    WaitingAction::deferUntilIdle([&] { animate("idle", 2); });
    EXPECT_EQ(steps, (std::vector<std::string>{"idle starts", "idle ends"}));

    steps.clear();
    pump->yields = 0;
    pump->onYield = [&](std::int64_t n) {
        // Clicks at yields 2 (in the first) and 5 (in the second).
        if (n == 2) WaitingAction::deferUntilIdle([&] { animate("second", 4); });
        if (n == 5) WaitingAction::deferUntilIdle([&] { animate("third", 3); });
        // A handler without waits asks for a deferred click in vain.
        WaitingAction::runDeferred();
    };
    animate("first", 10);
    EXPECT_EQ(steps, (std::vector<std::string>{"first starts", "first stopped", "second starts", "second stopped",
                                              "third starts", "third ends"}));
    EXPECT_EQ(pump->yields, 2 + 3 + 3);
    EXPECT_EQ(deepest, 1);
    EXPECT_FALSE(WaitingAction::busy());

    // A program that is ending drops the click instead of running it.
    pump->onYield = nullptr;
    pump->quitting = true;
    bool ran = false;
    WaitingAction::deferUntilIdle([&] { ran = true; });
    pump->quitting = false;
    WaitingAction::runDeferred();
    EXPECT_FALSE(ran);
    installEventPump(std::make_shared<CountingEventPump>());
}
