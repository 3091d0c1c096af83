#pragma once
// The program's application object. Every handler is connected through
// WindowParts::guarded, so whatever it lets through (the program's own
// errors, std::bad_alloc when a step needs more memory than there is,
// anything else) stops in the handler's own frame with a "Warning!" saying
// so, instead of crossing Qt's event dispatch, which does not carry
// exceptions. The dispatch keeps a last net for an exception that still
// reaches it. Either way the program goes on with the unsaved results: the
// handlers commit their results only at the end, so what was shown and
// loaded before the step stays.

#include <QApplication>
#include <cstdint>
#include <exception>
#include <string>

// Where an exception a handler let through was stopped.
enum class StoppedAt {
    Handler,   // in the handler's own frame, by its guard
    Dispatch,  // at the event dispatch, the last net
};

class GuardedApplication : public QApplication {
public:
    GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

    bool notify(QObject* receiver, QEvent* event) override;

    // Ends the step that `error` stopped: the program's warning, or what
    // the running application object makes of it. Throws nothing.
    static void stopStep(const std::exception_ptr& error, StoppedAt where) noexcept;

protected:
    // What becomes of a stopped step: the program shows the warning; the
    // test programs fail the test that let the exception through.
    virtual void stepStopped(const std::exception_ptr& error, StoppedAt where);
};

// The steps the user takes: a press of a mouse button or a key, and a
// handler that no other handler runs inside (a click from code), each
// begin one. A message that the frames of one step would repeat (each
// period of an animation drawing a map it cannot draw) is said once in the
// step, and again in the next step that meets it.
std::uint64_t currentStep() noexcept;
// Held by every guarded handler while it runs.
class HandlerScope {
public:
    HandlerScope() noexcept;
    ~HandlerScope();
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;
};

// The warning shown for a step that an exception stopped.
std::string stoppedStepText(const std::exception_ptr& error);
