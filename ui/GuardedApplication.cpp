#include "ui/GuardedApplication.h"

#include <new>

#include "platform/CpuState.h"
#include "platform/Error.h"
#include "ui/Dialogs.h"

namespace {
std::uint64_t stepCount = 0;
int handlersRunning = 0;

bool beginsAStep(QEvent::Type type) {
    return type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick || type == QEvent::KeyPress;
}
constexpr const char* kKept = " The step was stopped; the data and results from before it are kept.";
}  // namespace

std::uint64_t currentStep() noexcept { return stepCount; }

HandlerScope::HandlerScope() noexcept {
    if (handlersRunning++ == 0) ++stepCount;
}
HandlerScope::~HandlerScope() { --handlersRunning; }

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

void GuardedApplication::stepStopped(const std::exception_ptr& error, StoppedAt) {
    dialogs().warning(stoppedStepText(error));
}

void GuardedApplication::stopStep(const std::exception_ptr& error, StoppedAt where) noexcept {
    try {
        if (auto* app = dynamic_cast<GuardedApplication*>(QCoreApplication::instance()))
            app->stepStopped(error, where);
        else
            dialogs().warning(stoppedStepText(error));
    } catch (...) {
        // Not even the message could be shown; the program goes on.
    }
}

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    CpuState::clearUpperState();  // Qt's painting leaves the upper vector state in use
    if (beginsAStep(event->type())) ++stepCount;
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        stopStep(std::current_exception(), StoppedAt::Dispatch);
        return false;
    }
}
