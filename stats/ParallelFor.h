#pragma once
// Spreads the iterations of a loop over the processors. The threads are
// started once and kept: a run's few dozen loops would otherwise spend
// milliseconds on starting and joining threads. Waiting threads sleep rather
// than spin, so the engine keeps its speed on a machine that is busy with
// other work too. An exception thrown by an iteration stops the loop and is
// raised again to the caller once every thread has finished with it. A loop
// started inside a loop's body, or on a second thread while a loop runs,
// runs on its own thread.

#include <cstddef>
#include <type_traits>

namespace ParallelFor {

using Body = void (*)(void* context, std::ptrdiff_t k, std::ptrdiff_t worker);

// How many threads a loop of count iterations may run on (the calling
// thread included): worker indices of that loop are 0 .. workers-1.
std::ptrdiff_t workers(std::ptrdiff_t count, bool serial);

// Runs body(context, k, worker) for k = 0 .. count-1; iterations are handed
// out one at a time in increasing order, and worker says which of the
// loop's threads runs k (no two iterations run at once on one worker).
// serial: all on the calling thread (worker 0).
void run(std::ptrdiff_t count, Body body, void* context, bool serial);

// The same for the block products, whose far-tail terms fall below the
// smallest normal double: unless serial, the iterations run on the kept
// threads alone, each with flush-to-zero and denormals-are-zero set for the
// loop and restored when it ends, while the calling thread (the one that
// runs the windows) only waits, its own modes untouched. Worker indices are
// 0 .. workers-1 as for run. A serial loop runs on the calling thread as it
// is. Where the kept threads are busy with another loop, a thread of its
// own (or the kept thread that asks) runs it with the same modes.
void runFlushed(std::ptrdiff_t count, Body body, void* context, bool serial);

template <typename Fn>
void forEach(std::ptrdiff_t count, bool parallel, Fn&& fn) {
    auto trampoline = [](void* context, std::ptrdiff_t k, std::ptrdiff_t) { (*static_cast<std::remove_reference_t<Fn>*>(context))(k); };
    run(count, trampoline, static_cast<void*>(&fn), !parallel);
}

// fn(k, worker): for loops that keep a buffer per thread.
template <typename Fn>
void forEachWorker(std::ptrdiff_t count, bool parallel, Fn&& fn) {
    auto trampoline = [](void* context, std::ptrdiff_t k, std::ptrdiff_t worker) {
        (*static_cast<std::remove_reference_t<Fn>*>(context))(k, worker);
    };
    run(count, trampoline, static_cast<void*>(&fn), !parallel);
}

// forEachWorker on runFlushed.
template <typename Fn>
void forEachWorkerFlushed(std::ptrdiff_t count, bool parallel, Fn&& fn) {
    auto trampoline = [](void* context, std::ptrdiff_t k, std::ptrdiff_t worker) {
        (*static_cast<std::remove_reference_t<Fn>*>(context))(k, worker);
    };
    runFlushed(count, trampoline, static_cast<void*>(&fn), !parallel);
}

}  // namespace ParallelFor
