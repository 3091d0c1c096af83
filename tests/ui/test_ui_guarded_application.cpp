// An exception that a handler lets through stops in the handler's own frame
// (its guard, as the windows connect their handlers) or, as a last resort,
// at the event dispatch; either way it becomes the program's warning, and in
// the test programs it fails the test, unless the test expects the step to
// stop.
#include <QPushButton>
#include <functional>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "tests/support/RealClick.h"
#include "tests/support/StoppedSteps.h"
#include "platform/Error.h"
#include "ui/Dialogs.h"
#include "ui/WindowParts.h"

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

// The same, connected as the windows connect their handlers; what it
// throws is set by the test.
std::function<void()>& toThrow() {
    static std::function<void()> f;
    return f;
}
QPushButton* guardedButton() {
    static QPushButton* button = [] {
        auto* b = new QPushButton("Run");
        WindowParts::onSignal(b, &QPushButton::clicked, b, [] { toThrow()(); });
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

TEST(GuardedApplication, AGuardedHandlerStopsWhatItLetsThroughInItsOwnFrame) {
    const auto d = scriptedDialogs();
    toThrow() = [] { throw std::runtime_error("the disk went away"); };
    EXPECT_NONFATAL_FAILURE(realClick(guardedButton()),
                            "A handler let an exception out: This step could not be finished: the disk went away.");
    EXPECT_TRUE(d->messages.empty());

    // Expected, each kind becomes the warning the dispatch would show.
    const struct {
        const char* name;
        std::function<void()> raise;
        std::string text;
    } cases[] = {
        {"the program's own error", [] { throw AppError(7, "Out of memory", "test"); }, "Out of memory"},
        {"out of memory", [] { throw std::bad_alloc(); },
         "There is not enough memory to finish this step. The step was stopped; the data and results from before it "
         "are kept."},
        {"anything else", [] { throw 42; },
         "This step could not be finished. The step was stopped; the data and results from before it are kept."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        d->messages.clear();
        toThrow() = c.raise;
        {
            const ExpectStoppedStep stops;
            realClick(guardedButton());
        }
        ASSERT_EQ(d->messages.size(), 1u);
        EXPECT_EQ(d->messages[0].text, c.text);
        EXPECT_EQ(d->messages[0].title, "Warning!");
    }
}

TEST(GuardedApplication, AGuardedHandlerTakesWhatItsSignalSends) {
    QPushButton b;
    b.setCheckable(true);
    std::vector<bool> seen;
    WindowParts::onSignal(&b, &QPushButton::toggled, &b, [&](bool on) { seen.push_back(on); });
    int plain = 0;
    WindowParts::onSignal(&b, &QPushButton::toggled, &b, [&] { ++plain; });
    b.setChecked(true);
    b.setChecked(false);
    EXPECT_EQ(seen, (std::vector<bool>{true, false}));
    EXPECT_EQ(plain, 2);
}
