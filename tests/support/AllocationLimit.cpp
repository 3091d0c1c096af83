#include "tests/support/AllocationLimit.h"

#include <atomic>
#include <cstdlib>
#include <limits>
#include <new>

namespace {

std::atomic<std::size_t> smallestRefused{std::numeric_limits<std::size_t>::max()};

}  // namespace

AllocationLimit::AllocationLimit(std::size_t bytes) : before_(smallestRefused.exchange(bytes)) {}

AllocationLimit::~AllocationLimit() { smallestRefused = before_; }

// The replaced allocation functions; the array forms and the nothrow forms
// of the library call these.
void* operator new(std::size_t size) {
    if (size >= smallestRefused.load(std::memory_order_relaxed)) throw std::bad_alloc();
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept { std::free(p); }

void operator delete(void* p, std::size_t) noexcept { std::free(p); }
