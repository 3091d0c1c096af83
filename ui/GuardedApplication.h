#pragma once
// The program's application object. Every handler runs from its event
// dispatch, and the handlers catch the program's own errors; anything else
// a handler lets through (above all std::bad_alloc when a step needs more
// memory than there is) stops here with a "Warning!" saying so, instead of
// ending the program and taking the unsaved results with it. The handlers
// commit their results only at the end, so what was shown and loaded
// before the step stays.

#include <QApplication>
#include <exception>
#include <string>

class GuardedApplication : public QApplication {
public:
    GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

    bool notify(QObject* receiver, QEvent* event) override;

protected:
    // What becomes of an exception that reached the dispatch: the program
    // shows the warning; the test programs fail the test that let it through.
    virtual void stepStopped(const std::exception_ptr& error);
};

// The warning shown for an exception that reached the event dispatch.
std::string stoppedStepText(const std::exception_ptr& error);
