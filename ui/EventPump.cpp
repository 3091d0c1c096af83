#include "ui/EventPump.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

#include "ui/GuardedApplication.h"

namespace {
std::shared_ptr<EventPump>& installed() {
    static std::shared_ptr<EventPump> p;
    return p;
}

// The waiting actions: the one that runs (its number, 0 for none, and the
// window it draws on), how many started actions are on the stack, and the
// click deferred until none is, with whether the event loop was handed it.
struct Actions {
    std::uint64_t runningId = 0;
    const QObject* runningOwner = nullptr;
    int onStack = 0;
    std::uint64_t lastId = 0;
    std::function<void()> deferred;
    bool handedOver = false;
};
Actions& actions() {
    static Actions a;
    return a;
}

void runDeferred() {
    Actions& a = actions();
    // Another action started before the event loop came to the click: its
    // end hands the click over again.
    if (a.onStack > 0) return;
    std::function<void()> click = std::exchange(a.deferred, nullptr);
    // A program that is ending starts nothing more.
    if (!click || eventPump().isQuitting()) return;
    click();
}

// Runs the deferred click from the event loop, once the handler whose wait
// it stopped has returned: never inside that handler, and never one level
// deeper for each click deferred by a deferred click.
void handOverDeferred() {
    Actions& a = actions();
    QCoreApplication* app = QCoreApplication::instance();
    if (a.handedOver || !a.deferred) return;
    if (!app) {
        // No event loop to return to: nothing runs it.
        a.deferred = nullptr;
        return;
    }
    a.handedOver = true;
    QMetaObject::invokeMethod(
        app,
        [] {
            actions().handedOver = false;
            // The click's handler, run from here: what it lets through
            // stops here, as in the handler it came from.
            try {
                runDeferred();
            } catch (...) {
                GuardedApplication::stopStep(std::current_exception(), StoppedAt::Handler);
            }
        },
        Qt::QueuedConnection);
}
}  // namespace

WaitingAction::WaitingAction(const QObject* owner, std::function<bool()> goOn) : goOn_(std::move(goOn)) {
    Actions& a = actions();
    if (a.onStack > 0) return;
    id_ = ++a.lastId;
    a.runningId = id_;
    a.runningOwner = owner;
    ++a.onStack;
}

WaitingAction::~WaitingAction() {
    if (!started()) return;
    Actions& a = actions();
    if (running()) a.runningId = 0;
    if (--a.onStack == 0) handOverDeferred();
}

bool WaitingAction::running() const noexcept { return id_ != 0 && actions().runningId == id_; }

bool WaitingAction::wait(const Wait& w) {
    if (!running()) return false;
    const bool waited = eventPump().wait(w, [this] { return running() && (!goOn_ || goOn_()); });
    if (!waited && running()) actions().runningId = 0;
    return waited;
}

bool WaitingAction::busy() noexcept { return actions().onStack > 0; }

int WaitingAction::depth() noexcept { return actions().onStack; }

bool WaitingAction::stop(const QObject* owner) noexcept {
    Actions& a = actions();
    if (a.runningId == 0 || a.runningOwner != owner) return false;
    a.runningId = 0;
    return true;
}

void WaitingAction::stopAny() noexcept { actions().runningId = 0; }

void WaitingAction::deferUntilIdle(std::function<void()> handler) {
    Actions& a = actions();
    a.deferred = std::move(handler);
    if (a.onStack > 0) {
        a.runningId = 0;
        return;
    }
    runDeferred();
}

bool WaitingAction::clickDeferred() noexcept { return static_cast<bool>(actions().deferred); }

EventPump& eventPump() {
    auto& p = installed();
    if (!p) p = std::make_shared<QtEventPump>();
    return *p;
}

void installEventPump(std::shared_ptr<EventPump> pump) { installed() = std::move(pump); }

namespace {
class SteadyPumpClock final : public PumpClock {
public:
    std::int64_t nanoseconds() override {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    void sleep(std::int64_t nanoseconds) override { std::this_thread::sleep_for(std::chrono::nanoseconds(nanoseconds)); }
};
}  // namespace

std::shared_ptr<PumpClock> steadyPumpClock() {
    static const std::shared_ptr<PumpClock> clock = std::make_shared<SteadyPumpClock>();
    return clock;
}

QtEventPump::QtEventPump(std::shared_ptr<PumpClock> clock) : clock_(std::move(clock)) {}

bool QtEventPump::isQuitting() const {
    return quitting_ || !QCoreApplication::instance() || QCoreApplication::closingDown();
}

bool QtEventPump::wait(const Wait& w, const std::function<bool()>& goOn) {
    const std::int64_t start = clock_->nanoseconds();
    const auto wanted = static_cast<std::int64_t>(w.seconds * 1e9);
    const auto stop = [&] { return isQuitting() || (goOn && !goOn()); };
    // A wait of no time soon after the last hand-over only asks whether to
    // go on: a screen shows a new picture about every 16 ms, so repainting
    // more often shows the user nothing more, while what was drawn meanwhile
    // (every period into the map's picture) is painted at the next hand-over.
    if (wanted <= 0 && handedOverYet_ && start - handedOver_ < kHandOverEveryNs) return !stop();
    QAbstractEventDispatcher* events = QCoreApplication::instance() ? QAbstractEventDispatcher::instance() : nullptr;
    for (;;) {
        // One pass hands each event already pending to its handler; one that
        // a handler posts waits for the next pass.
        const std::int64_t batch = clock_->nanoseconds();
        bool stopped = false;
        while (events && events->processEvents(QEventLoop::AllEvents)) {
            if ((stopped = stop())) break;
            if (clock_->nanoseconds() - batch >= kBatchNs) break;
        }
        handedOverYet_ = true;
        handedOver_ = clock_->nanoseconds();
        if (stopped || stop()) return false;
        const std::int64_t left = wanted - (handedOver_ - start);
        if (left <= 0) return true;
        clock_->sleep(std::min<std::int64_t>(left, 5'000'000));
    }
}
