// The application object's last resort: an exception that a handler let
// through becomes the program's warning; in the test programs it fails the
// test, unless the test expects the step to stop.
#include <QPushButton>
#include <memory>
#include <stdexcept>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "tests/support/RealClick.h"
#include "tests/support/StoppedSteps.h"
#include "ui/Dialogs.h"

namespace {

// A shown button whose handler throws what no handler of the program
// raises. (Static: the failure checks cannot reach a test's locals.)
QPushButton* throwingButton() {
    static QPushButton* button = [] {
        auto* b = new QPushButton("Run");
        QObject::connect(b, &QPushButton::clicked, [] { throw std::runtime_error("the disk went away"); });
        b->show();
        return b;
    }();
    return button;
}

std::shared_ptr<ScriptedDialogs> scriptedDialogs() {
    auto d = std::make_shared<ScriptedDialogs>();
    installDialogs(d);
    return d;
}

}  // namespace

TEST(GuardedApplication, AnExceptionAHandlerLetsThroughFailsTheTest) {
    const auto d = scriptedDialogs();
    const LeaksOfAStoppedStep leaks;
    EXPECT_NONFATAL_FAILURE(realClick(throwingButton()),
                            "A handler let an exception reach the event dispatch: This step could not be finished: "
                            "the disk went away.");
    EXPECT_TRUE(d->messages.empty());
}

TEST(GuardedApplication, AnExpectedStopIsTheProgramsWarning) {
    const auto d = scriptedDialogs();
    {
        const ExpectStoppedStep stops;
        realClick(throwingButton());
    }
    ASSERT_EQ(d->messages.size(), 1u);
    EXPECT_EQ(d->messages[0].text, "This step could not be finished: the disk went away. The step was stopped; the data "
                                   "and results from before it are kept.");
    EXPECT_EQ(d->messages[0].title, "Warning!");
    EXPECT_EQ(d->messages[0].icon, MsgIcon::Critical);
    // Once the expecting scope ends, a stop is a failure again.
    {
        const LeaksOfAStoppedStep leaks;
        EXPECT_NONFATAL_FAILURE(realClick(throwingButton()), "reach the event dispatch");
    }
    EXPECT_EQ(d->messages.size(), 1u);
}
