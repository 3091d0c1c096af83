#pragma once
// The test programs run the program's guarded application: the guard of
// each connected handler, and the event dispatch as the last resort, turn
// an exception that a handler let through into a warning. In
// a test such an exception is a fault of the handler, and the test fails,
// unless it expects the step to stop there: while an ExpectStoppedStep
// lives, the exception becomes the program's warning, as in the program.

class ExpectStoppedStep {
public:
    ExpectStoppedStep();
    ~ExpectStoppedStep();
    ExpectStoppedStep(const ExpectStoppedStep&) = delete;
    ExpectStoppedStep& operator=(const ExpectStoppedStep&) = delete;

    // Whether one lives now.
    static bool active() noexcept;
};
