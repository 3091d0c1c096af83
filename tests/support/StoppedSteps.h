#pragma once
// The test programs run the program's guarded application: the guard of
// each connected handler, and the event dispatch as the last resort, turn
// an exception that a handler let through into a warning. In
// a test such an exception is a fault of the handler, and the test fails,
// unless it expects the step to stop there: while an ExpectStoppedStep
// lives, the exception becomes the program's warning, as in the program.

// An exception that crosses Qt's event dispatch skips the destructors of
// Qt's own frames (Qt is built without exceptions), so the copies of the
// event that Qt made on its way are never freed. While a LeaksOfAStoppedStep
// lives, the leak check of a sanitizer build leaves out what is allocated on
// this thread; elsewhere it does nothing. A suppression could not name these
// leaks alone: Qt keeps no frame pointers, so their stacks end at Qt's
// allocation and look like any other of a Qt container.
class LeaksOfAStoppedStep {
public:
    LeaksOfAStoppedStep();
    ~LeaksOfAStoppedStep();
    LeaksOfAStoppedStep(const LeaksOfAStoppedStep&) = delete;
    LeaksOfAStoppedStep& operator=(const LeaksOfAStoppedStep&) = delete;
};

class ExpectStoppedStep {
public:
    ExpectStoppedStep();
    ~ExpectStoppedStep();
    ExpectStoppedStep(const ExpectStoppedStep&) = delete;
    ExpectStoppedStep& operator=(const ExpectStoppedStep&) = delete;

    // Whether one lives now.
    static bool active() noexcept;

private:
    LeaksOfAStoppedStep leaks_;
};
