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
    // each at least that long so a blink stays visible on a fast machine.
    const qint64 left = static_cast<qint64>(minMicroseconds_) * 1000 - timer.nsecsElapsed();
    if (left > 0) std::this_thread::sleep_for(std::chrono::nanoseconds(left));
}

bool QtEventPump::isQuitting() const {
    return quitting_ || !QCoreApplication::instance() || QCoreApplication::closingDown();
}
