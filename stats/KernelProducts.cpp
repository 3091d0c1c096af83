#include "stats/KernelProducts.h"

#include <atomic>
#include <mutex>
#include <thread>

#include "platform/CpuState.h"

#include "stats/KernelProductsImpl.h"

namespace KernelProducts {

namespace {

bool processorHas(Build build) {
    switch (build) {
    case Build::Generic: return true;
    case Build::Avx2:
#if defined(KORVANE_HAVE_AVX2_BUILD)
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
#else
        return false;
#endif
    case Build::Avx512:
#if defined(KORVANE_HAVE_AVX512_BUILD)
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
               __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("fma");
#else
        return false;
#endif
    }
    return false;
}

Build fastest() {
    static const Build best = processorHas(Build::Avx512) ? Build::Avx512
                              : processorHas(Build::Avx2) ? Build::Avx2
                                                          : Build::Generic;
    return best;
}

std::atomic<Build>& chosen() {
    static std::atomic<Build> build{fastest()};
    return build;
}

// Each build keeps one workspace: one call at a time.
std::mutex& callLock() {
    static std::mutex m;
    return m;
}

std::atomic<bool> flushOn{true};
std::atomic<bool> recording{false};
std::atomic<std::int64_t> noted{0}, notedFlushed{0}, notedOnCaller{0};
// The thread inside the call lock, while recording.
std::thread::id caller;

}  // namespace

namespace detail {

bool flushing() noexcept { return flushOn.load(std::memory_order_relaxed); }

void noteBlock() noexcept {
    if (!recording.load(std::memory_order_relaxed)) return;
    const std::uint32_t modes = CpuState::mxcsr();
    const std::uint32_t wanted =
        CpuState::kFlushToZero | (CpuState::hasDenormalsAreZero() ? CpuState::kDenormalsAreZero : 0u);
    noted.fetch_add(1);
    if ((modes & wanted) == wanted) notedFlushed.fetch_add(1);
    if (std::this_thread::get_id() == caller) notedOnCaller.fetch_add(1);
}

}  // namespace detail

void setFlushDenormals(bool on) { flushOn = on; }
bool flushDenormals() { return flushOn.load(); }

void recordBlockModes(bool on) {
    const std::lock_guard<std::mutex> guard(callLock());
    noted = 0;
    notedFlushed = 0;
    notedOnCaller = 0;
    recording = on;
}

BlockModes blockModes() { return {noted.load(), notedFlushed.load(), notedOnCaller.load()}; }

bool available(Build build) { return processorHas(build); }

bool force(Build build) {
    if (!available(build)) return false;
    chosen() = build;
    return true;
}

void useFastest() { chosen() = fastest(); }

Build current() { return chosen().load(); }

const char* name(Build build) {
    switch (build) {
    case Build::Generic: return "generic";
    case Build::Avx2: return "avx2";
    case Build::Avx512: return "avx512";
    }
    return "generic";
}

const char* implementationName() { return name(current()); }

void setGenericOnly(bool yes) {
    if (yes)
        force(Build::Generic);
    else
        useFastest();
}

// One switch per entry: the build chosen when the call starts runs all of it.
#if defined(KORVANE_HAVE_AVX2_BUILD)
#define KP_AVX2_CASE(call) \
    case Build::Avx2: return KernelProductsAvx2::call;
#else
#define KP_AVX2_CASE(call)
#endif
#if defined(KORVANE_HAVE_AVX512_BUILD)
#define KP_AVX512_CASE(call) \
    case Build::Avx512: return KernelProductsAvx512::call;
#else
#define KP_AVX512_CASE(call)
#endif
#define KP_DISPATCH(call)                       \
    const std::lock_guard<std::mutex> guard(callLock()); \
    CpuState::enterEngine();                    \
    caller = std::this_thread::get_id();        \
    switch (current()) {                        \
        KP_AVX2_CASE(call)                      \
        KP_AVX512_CASE(call)                    \
    default: break;                             \
    }                                           \
    return KernelProductsGeneric::call;

void crossProduct(const double* W, Index ldw, double* C, Index ldc, Index n) {
    KP_DISPATCH(crossProduct(W, ldw, C, ldc, n))
}

Traces momentTraces(const double* A, Index lda, const double* p, Index n, double* B, Index ldb) {
    KP_DISPATCH(momentTraces(A, lda, p, n, B, ldb))
}

double cubeTrace(const double* K, Index ldk, Index n) { KP_DISPATCH(cubeTrace(K, ldk, n)) }

}  // namespace KernelProducts
