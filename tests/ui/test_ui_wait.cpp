// The one wait loop: counted in tests, real time in the program, and
// stopped at once when the waiting window is gone.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QObject>
#include <QTimer>
#include <memory>

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

// One waiting action at a time: a second that asks to start while one runs
// is refused or takes over; a stopped action's waits return false at once.
TEST(WaitingActions, OneRunsAtATime) {
    auto pump = std::make_shared<CountingEventPump>();
    installEventPump(pump);
    QObject map, cusum;
    struct Case {
        const char* name;
        WaitingAction::Start second;
        bool stopBySecondOwner;  // then stop(&cusum) instead of starting a second
        bool firstGoesOn, secondStarted;
    };
    const Case cases[] = {
        {"refused", WaitingAction::Start::IfIdle, false, true, false},
        {"takes over", WaitingAction::Start::TakingOver, false, false, true},
        {"stopped by another owner", WaitingAction::Start::IfIdle, true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pump->yields = 0;
        bool secondStarted = false, secondWaited = false;
        pump->onYield = [&](std::int64_t n) {
            if (n != 2) return;
            if (c.stopBySecondOwner) {
                EXPECT_FALSE(WaitingAction::stop(&cusum));
                return;
            }
            WaitingAction second(&cusum, c.second, {});
            secondStarted = second.started();
            secondWaited = second.wait({3, 0.0});
        };
        {
            WaitingAction first(&map, WaitingAction::Start::IfIdle, {});
            ASSERT_TRUE(first.started());
            EXPECT_TRUE(WaitingAction::busy());
            EXPECT_EQ(first.wait({5, 0.0}), c.firstGoesOn);
            EXPECT_EQ(first.running(), c.firstGoesOn);
        }
        EXPECT_FALSE(WaitingAction::busy());
        EXPECT_EQ(secondStarted, c.secondStarted);
        EXPECT_EQ(secondWaited, c.secondStarted);
        // The first waits 2 yields, the second 3 inside it when it started,
        // and the first goes on to 5 only when nothing took over.
        EXPECT_EQ(pump->yields, (c.secondStarted ? 2 + 3 : 5));
    }

    // Stopped by its owner: the wait ends at the next yield, and later
    // waits return at once.
    pump->yields = 0;
    pump->onYield = [&](std::int64_t n) {
        if (n == 3) {
            EXPECT_TRUE(WaitingAction::stop(&map));
        }
    };
    WaitingAction blink(&map, WaitingAction::Start::IfIdle, {});
    EXPECT_FALSE(blink.wait({10, 0.0}));
    EXPECT_FALSE(blink.wait({10, 0.0}));
    EXPECT_EQ(pump->yields, 3);
    EXPECT_FALSE(WaitingAction::busy());

    // A window gone ends it too, and stopAny stops whoever runs.
    pump->yields = 0;
    pump->onYield = nullptr;
    WaitingAction flash(&cusum, WaitingAction::Start::IfIdle, [&] { return pump->yields < 2; });
    EXPECT_FALSE(flash.wait({10, 0.0}));
    EXPECT_FALSE(WaitingAction::busy());
    WaitingAction animation(&cusum, WaitingAction::Start::IfIdle, {});
    WaitingAction::stopAny();
    EXPECT_FALSE(animation.running());
    installEventPump(std::make_shared<CountingEventPump>());
}
