#include "platform/ui/EventPump.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
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
