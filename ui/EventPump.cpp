#include "ui/EventPump.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <algorithm>
#include <chrono>
#include <thread>

namespace {
std::shared_ptr<EventPump>& installed() {
    static std::shared_ptr<EventPump> p;
    return p;
}
}  // namespace

void EventPump::delay(std::int64_t count) {
    for (std::int64_t i = 0; i <= count; ++i) {
        if (isQuitting()) return;
        yieldOnce();
    }
}

bool EventPump::wait(const Wait& w, const std::function<bool()>& goOn) {
    for (std::int64_t i = 0; i < w.yields; ++i) {
        yieldOnce();
        if (isQuitting() || (goOn && !goOn())) return false;
    }
    return true;
}

namespace {
// The action that runs now: its number (0: none) and the window it draws on.
struct RunningAction {
    std::uint64_t id = 0;
    const QObject* owner = nullptr;
};
RunningAction& runningAction() {
    static RunningAction r;
    return r;
}
std::uint64_t lastActionId = 0;
}  // namespace

WaitingAction::WaitingAction(const QObject* owner, Start start, std::function<bool()> goOn)
    : goOn_(std::move(goOn)) {
    RunningAction& r = runningAction();
    if (r.id != 0 && start == Start::IfIdle) return;
    // One taking over leaves the action it stops waiting further up the
    // stack; that one sees it was stopped as soon as its wait gets control.
    id_ = ++lastActionId;
    r = {id_, owner};
}

WaitingAction::~WaitingAction() { end(); }

bool WaitingAction::running() const noexcept { return id_ != 0 && runningAction().id == id_; }

void WaitingAction::end() noexcept {
    if (running()) runningAction() = {};
}

bool WaitingAction::wait(const Wait& w) {
    if (!running()) return false;
    const bool waited = eventPump().wait(w, [this] { return running() && (!goOn_ || goOn_()); });
    if (!waited) end();
    return waited;
}

bool WaitingAction::busy() noexcept { return runningAction().id != 0; }

bool WaitingAction::stop(const QObject* owner) noexcept {
    RunningAction& r = runningAction();
    if (r.id == 0 || r.owner != owner) return false;
    r = {};
    return true;
}

void WaitingAction::stopAny() noexcept { runningAction() = {}; }

EventPump& eventPump() {
    auto& p = installed();
    if (!p) p = std::make_shared<QtEventPump>();
    return *p;
}

void installEventPump(std::shared_ptr<EventPump> pump) { installed() = std::move(pump); }

void QtEventPump::yieldOnce() {
    QElapsedTimer timer;
    timer.start();
    if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
    // The counted delays were tuned to the time one hand-over took; keep
    // each at least that long so a blink stays visible on a fast machine,
    // and not much longer: a sleep overshoots a few tens of microseconds,
    // which over the 50,000 yields of an animation step would more than
    // double its length. So the bulk is slept and the last stretch waited
    // out against the clock.
    const qint64 wanted = static_cast<qint64>(minMicroseconds_) * 1000;
    constexpr qint64 kSpinNanoseconds = 300'000;
    const qint64 left = wanted - timer.nsecsElapsed();
    if (left > kSpinNanoseconds) std::this_thread::sleep_for(std::chrono::nanoseconds(left - kSpinNanoseconds));
    while (timer.nsecsElapsed() < wanted) std::this_thread::yield();
}

bool QtEventPump::isQuitting() const {
    return quitting_ || !QCoreApplication::instance() || QCoreApplication::closingDown();
}

bool QtEventPump::wait(const Wait& w, const std::function<bool()>& goOn) {
    QElapsedTimer timer;
    timer.start();
    const auto wanted = static_cast<qint64>(w.seconds * 1e9);
    // At least one hand-over, so that even a wait of no time lets the
    // window repaint what was just drawn.
    do {
        if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (isQuitting() || (goOn && !goOn())) return false;
        const qint64 left = wanted - timer.nsecsElapsed();
        if (left > 0) std::this_thread::sleep_for(std::chrono::nanoseconds(std::min<qint64>(left, 5'000'000)));
    } while (timer.nsecsElapsed() < wanted);
    return true;
}
