#include "stats/ParallelFor.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace ParallelFor {

void run(std::ptrdiff_t count, Body body, void* context, bool serial) {
    if (count <= 0) return;
    const unsigned hardware = std::thread::hardware_concurrency();
    const std::ptrdiff_t threads = std::min<std::ptrdiff_t>(hardware == 0 ? 1 : hardware, count);
    if (serial || threads <= 1) {
        for (std::ptrdiff_t k = 0; k < count; ++k) body(context, k);
        return;
    }
    std::atomic<std::ptrdiff_t> next{0};
    std::exception_ptr failure;
    std::mutex failureLock;
    auto work = [&] {
        for (;;) {
            const std::ptrdiff_t k = next.fetch_add(1);
            if (k >= count) return;
            try {
                body(context, k);
            } catch (...) {
                const std::lock_guard<std::mutex> lock(failureLock);
                if (!failure) failure = std::current_exception();
                next = count;
            }
        }
    };
    std::vector<std::thread> helpers;
    helpers.reserve(static_cast<std::size_t>(threads - 1));
    try {
        for (std::ptrdiff_t t = 1; t < threads; ++t) helpers.emplace_back(work);
    } catch (const std::system_error&) {
        // No more threads to be had: the ones started and this one finish the loop.
    }
    work();
    for (auto& h : helpers) h.join();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace ParallelFor
