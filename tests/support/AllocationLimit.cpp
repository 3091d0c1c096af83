#include "tests/support/AllocationLimit.h"

#include <dlfcn.h>

#include <atomic>
#include <cstdlib>
#include <limits>
#include <new>

namespace {

std::atomic<std::size_t> smallestRefused{std::numeric_limits<std::size_t>::max()};

bool refused(std::size_t size) { return size >= smallestRefused.load(std::memory_order_relaxed); }

// The allocation function that this program's replacement hides: the C++
// library's, or the sanitizer's when the program is built with one. Every
// form below hands what it serves to the same form behind it, so each
// allocation is released by that library's matching operator delete (which
// is not replaced) and a sanitizer still sees which form made each block.
template <typename Function>
Function next(std::atomic<void*>& cache, const char* symbol) {
    void* f = cache.load(std::memory_order_acquire);
    if (!f) {
        f = ::dlsym(RTLD_NEXT, symbol);
        if (!f) std::abort();  // no C++ library behind this program
        cache.store(f, std::memory_order_release);
    }
    return reinterpret_cast<Function>(f);
}

using Plain = void* (*)(std::size_t);
using Aligned = void* (*)(std::size_t, std::align_val_t);
using PlainNothrow = void* (*)(std::size_t, const std::nothrow_t&) noexcept;
using AlignedNothrow = void* (*)(std::size_t, std::align_val_t, const std::nothrow_t&) noexcept;

std::atomic<void*> newPlain, newArray, newAligned, newArrayAligned, newNothrow, newArrayNothrow, newAlignedNothrow,
    newArrayAlignedNothrow;

// The names the Itanium C++ ABI gives the eight allocation forms.
static_assert(sizeof(std::size_t) == sizeof(unsigned long), "the names below spell std::size_t as unsigned long");

}  // namespace

AllocationLimit::AllocationLimit(std::size_t bytes) : before_(smallestRefused.exchange(bytes)) {}

AllocationLimit::~AllocationLimit() { smallestRefused = before_; }

void* operator new(std::size_t size) {
    if (refused(size)) throw std::bad_alloc();
    return next<Plain>(newPlain, "_Znwm")(size);
}

void* operator new[](std::size_t size) {
    if (refused(size)) throw std::bad_alloc();
    return next<Plain>(newArray, "_Znam")(size);
}

void* operator new(std::size_t size, std::align_val_t alignment) {
    if (refused(size)) throw std::bad_alloc();
    return next<Aligned>(newAligned, "_ZnwmSt11align_val_t")(size, alignment);
}

void* operator new[](std::size_t size, std::align_val_t alignment) {
    if (refused(size)) throw std::bad_alloc();
    return next<Aligned>(newArrayAligned, "_ZnamSt11align_val_t")(size, alignment);
}

void* operator new(std::size_t size, const std::nothrow_t& tag) noexcept {
    if (refused(size)) return nullptr;
    return next<PlainNothrow>(newNothrow, "_ZnwmRKSt9nothrow_t")(size, tag);
}

void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    if (refused(size)) return nullptr;
    return next<PlainNothrow>(newArrayNothrow, "_ZnamRKSt9nothrow_t")(size, tag);
}

void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t& tag) noexcept {
    if (refused(size)) return nullptr;
    return next<AlignedNothrow>(newAlignedNothrow, "_ZnwmSt11align_val_tRKSt9nothrow_t")(size, alignment, tag);
}

void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t& tag) noexcept {
    if (refused(size)) return nullptr;
    return next<AlignedNothrow>(newArrayAlignedNothrow, "_ZnamSt11align_val_tRKSt9nothrow_t")(size, alignment, tag);
}
