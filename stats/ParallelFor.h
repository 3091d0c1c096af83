#pragma once
// Spreads the iterations of a loop over the processors with plain threads
// started for the loop and joined at its end. Waiting threads sleep rather
// than spin, so the engine keeps its speed on a machine that is busy with
// other work too. An exception thrown by an iteration stops the loop and is
// raised again to the caller once every thread has finished.

#include <cstddef>

namespace ParallelFor {

using Body = void (*)(void* context, std::ptrdiff_t k);

// Runs body(context, k) for k = 0 .. count-1; iterations are handed out
// one at a time in increasing order. serial: all on the calling thread.
void run(std::ptrdiff_t count, Body body, void* context, bool serial);

template <typename Fn>
void forEach(std::ptrdiff_t count, bool parallel, Fn&& fn) {
    auto trampoline = [](void* context, std::ptrdiff_t k) { (*static_cast<Fn*>(context))(k); };
    run(count, trampoline, static_cast<void*>(&fn), !parallel);
}

}  // namespace ParallelFor
