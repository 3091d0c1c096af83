#include "ui/EventPump.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QScopeGuard>
#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

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
// The waiting actions: the one that runs (its number, 0 for none, and the
// window it draws on), how many started actions are on the stack, and the
// click deferred until none is.
struct Actions {
    std::uint64_t runningId = 0;
    const QObject* runningOwner = nullptr;
    int onStack = 0;
    std::uint64_t lastId = 0;
    std::function<void()> deferred;
    bool runningDeferred = false;
};
Actions& actions() {
    static Actions a;
    return a;
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
    --a.onStack;
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
    a.runningId = 0;
    runDeferred();
}

void WaitingAction::runDeferred() {
    Actions& a = actions();
    // A deferred click that starts an action and defers another returns
    // here, to the loop below, rather than one level deeper each time.
    if (a.onStack > 0 || a.runningDeferred) return;
    // A program that is ending starts nothing more.
    if (eventPump().isQuitting()) {
        a.deferred = nullptr;
        return;
    }
    a.runningDeferred = true;
    const auto done = qScopeGuard([&a] { a.runningDeferred = false; });
    while (a.deferred) std::exchange(a.deferred, nullptr)();
}

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
