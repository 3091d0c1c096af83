// One main for every test program: UI tests drive real widgets offscreen,
// and test discovery runs the programs without ctest's environment, so the
// platform is chosen here. The application object is the program's own, so
// that real clicks meet the same handler guards and event dispatch as in
// the program; an exception that a guard or the dispatch stops fails the
// test (see StoppedSteps.h).
#include <cstdlib>

#include <gtest/gtest.h>
#ifdef KORVANE_SANITIZE
#include <sanitizer/lsan_interface.h>
#endif

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

#ifdef KORVANE_SANITIZE
LeaksOfAStoppedStep::LeaksOfAStoppedStep() { __lsan_disable(); }
LeaksOfAStoppedStep::~LeaksOfAStoppedStep() { __lsan_enable(); }
#else
LeaksOfAStoppedStep::LeaksOfAStoppedStep() = default;
LeaksOfAStoppedStep::~LeaksOfAStoppedStep() = default;
#endif

ExpectStoppedStep::ExpectStoppedStep() { ++expectedStops; }
ExpectStoppedStep::~ExpectStoppedStep() { --expectedStops; }
bool ExpectStoppedStep::active() noexcept { return expectedStops > 0; }

#ifdef KORVANE_SANITIZE
// The sanitizers' settings of every test program, wherever it is started
// from (ctest, its test discovery, by hand): every check stays on, an
// undefined-behaviour report carries its stack, and the leak check leaves
// out only the leaks inside Qt that lsan.supp names.
extern "C" const char* __ubsan_default_options() { return "print_stacktrace=1"; }
// This runtime follows glibc's dynamic thread-local blocks by guessing the
// layout of their header, and a block that glibc took from malloc 16 bytes
// past a page boundary reads as a header of garbage: the leak check's tracer
// then scans a range of many gigabytes and dies of SIGSEGV after the tests
// passed (seen on one machine and not another, as the heap's layout falls).
// Without the guess the blocks are heap blocks like any other, reached
// through glibc's own pointers from the static thread-local area, which the
// leak check scans, so no check is lost.
extern "C" const char* __asan_default_options() { return "intercept_tls_get_addr=0"; }
extern "C" const char* __lsan_default_options() {
    return "suppressions=\"" KORVANE_SOURCE_DIR "/tests/support/lsan.supp\"";
}
#endif

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", /*overwrite=*/0);
    TestApplication app(argc, argv);
    applyProgramFont();  // the windows are tested in the program's own font
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
