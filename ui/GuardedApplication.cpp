#include "ui/GuardedApplication.h"

#include <new>

#include "platform/CpuState.h"
#include "platform/Error.h"
#include "ui/Dialogs.h"

namespace {
constexpr const char* kKept = " The step was stopped; the data and results from before it are kept.";
}  // namespace

std::string stoppedStepText(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::bad_alloc&) {
        return std::string("There is not enough memory to finish this step.") + kKept;
    } catch (const AppError& e) {
        return e.description();
    } catch (const std::exception& e) {
        return std::string("This step could not be finished: ") + e.what() + "." + kKept;
    } catch (...) {
        return std::string("This step could not be finished.") + kKept;
    }
}

void GuardedApplication::stepStopped(const std::exception_ptr& error) { dialogs().warning(stoppedStepText(error)); }

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    CpuState::clearUpperState();  // Qt's painting leaves the upper vector state in use
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        const std::exception_ptr error = std::current_exception();
        try {
            stepStopped(error);
        } catch (...) {
            // Not even the message could be shown; the program goes on.
        }
        return false;
    }
}
