// The one wait loop: counted in tests, real time in the program, and
// stopped at once when the waiting window is gone.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>

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
