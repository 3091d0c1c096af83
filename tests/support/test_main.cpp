// One main for every test program: UI tests drive real widgets offscreen,
// and test discovery runs the programs without ctest's environment, so the
// platform is chosen here. The application object is the program's own, so
// that real clicks meet the same handler guards and event dispatch as in
// the program; an exception that a guard or the dispatch stops fails the
// test (see StoppedSteps.h).
#include <cstdlib>

#include <gtest/gtest.h>

#include "tests/support/StoppedSteps.h"
#include "ui/Fonts.h"
#include "ui/GuardedApplication.h"

namespace {

int expectedStops = 0;

class TestApplication : public GuardedApplication {
public:
    using GuardedApplication::GuardedApplication;

protected:
    void stepStopped(const std::exception_ptr& error, StoppedAt where) override {
        if (ExpectStoppedStep::active())
            GuardedApplication::stepStopped(error, where);
        else if (where == StoppedAt::Handler)
            ADD_FAILURE() << "A handler let an exception out: " << stoppedStepText(error);
        else
            ADD_FAILURE() << "A handler let an exception reach the event dispatch: " << stoppedStepText(error);
    }
};

}  // namespace

ExpectStoppedStep::ExpectStoppedStep() { ++expectedStops; }
ExpectStoppedStep::~ExpectStoppedStep() { --expectedStops; }
bool ExpectStoppedStep::active() noexcept { return expectedStops > 0; }

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", /*overwrite=*/0);
    TestApplication app(argc, argv);
    applyProgramFont();  // the windows are tested in the program's own font
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
