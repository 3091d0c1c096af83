#include "platform/CpuState.h"

#include <atomic>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#define KORVANE_X86 1
#endif

namespace CpuState {

namespace {

#if defined(KORVANE_X86)
std::uint64_t xgetbv(std::uint32_t which) noexcept {
    std::uint32_t lo = 0, hi = 0;
    __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(which));
    return (static_cast<std::uint64_t>(hi) << 32) | lo;
}

struct Features {
    bool osxsave = false;
    bool avx = false;
    bool stateInUse = false;
    bool daz = false;
};

Features detect() noexcept {
    Features f;
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (__get_cpuid(1, &a, &b, &c, &d)) {
        f.osxsave = (c & bit_OSXSAVE) != 0;
        // XCR0 bits 1 and 2: the operating system saves the SSE and the
        // upper YMM state, without which AVX instructions fault.
        f.avx = f.osxsave && (c & bit_AVX) != 0 && (xgetbv(0) & 0x6) == 0x6;
    }
    if (f.osxsave && __get_cpuid_count(0xD, 1, &a, &b, &c, &d)) f.stateInUse = (a & (1u << 2)) != 0;
    // MXCSR_MASK from an FXSAVE image; 0 there means the default mask,
    // which lacks denormals-are-zero.
    alignas(16) unsigned char area[512] = {};
    __asm__ volatile("fxsave %0" : "=m"(area));
    std::uint32_t mask = 0;
    for (int k = 0; k < 4; ++k) mask |= static_cast<std::uint32_t>(area[28 + k]) << (8 * k);
    f.daz = (mask & kDenormalsAreZero) != 0;
    return f;
}

const Features& features() noexcept {
    static const Features f = detect();
    return f;
}
#endif

std::atomic<bool> probeArmed{false};
std::atomic<std::int64_t> probeEntries{0};
std::atomic<std::int64_t> probeDirty{0};
std::atomic<const char*> probeFirst{nullptr};

}  // namespace

bool hasAvx() noexcept {
#if defined(KORVANE_X86)
    return features().avx;
#else
    return false;
#endif
}

void clearUpperState() noexcept {
#if defined(KORVANE_X86)
    // This file is built without AVX, so the compiler keeps nothing of its
    // own in the upper halves that the instruction clears.
    if (features().avx) __asm__ volatile("vzeroupper" ::: "memory");
#endif
}

bool canReadStateInUse() noexcept {
#if defined(KORVANE_X86)
    return features().stateInUse;
#else
    return false;
#endif
}

bool upperStateInUse() noexcept {
#if defined(KORVANE_X86)
    return features().stateInUse && (xgetbv(1) & 0x4) != 0;
#else
    return false;
#endif
}

void enterEngine(std::source_location entry) noexcept {
    clearUpperState();
    if (probeArmed.load(std::memory_order_relaxed)) {
        const bool dirty = upperStateInUse();
        probeEntries.fetch_add(1, std::memory_order_relaxed);
        if (dirty) probeDirty.fetch_add(1, std::memory_order_relaxed);
        const char* none = nullptr;
        probeFirst.compare_exchange_strong(none, entry.function_name());
    }
}

void armEntryProbe(bool on) noexcept {
    probeEntries = 0;
    probeDirty = 0;
    probeFirst = nullptr;
    probeArmed = on;
}

EntryProbe entryProbe() noexcept {
    const char* first = probeFirst.load();
    return {probeEntries.load(), probeDirty.load(), first ? first : ""};
}

std::uint32_t mxcsr() noexcept {
#if defined(KORVANE_X86)
    std::uint32_t v = 0;
    __asm__ volatile("stmxcsr %0" : "=m"(v));
    return v;
#else
    return 0;
#endif
}

void setMxcsr(std::uint32_t value) noexcept {
#if defined(KORVANE_X86)
    __asm__ volatile("ldmxcsr %0" : : "m"(value) : "memory");
#else
    (void)value;
#endif
}

bool hasDenormalsAreZero() noexcept {
#if defined(KORVANE_X86)
    return features().daz;
#else
    return false;
#endif
}

FlushDenormals::FlushDenormals() noexcept : saved_(mxcsr()) {
#if defined(KORVANE_X86)
    setMxcsr(saved_ | kFlushToZero | (features().daz ? kDenormalsAreZero : 0u));
#endif
}

FlushDenormals::~FlushDenormals() { setMxcsr((mxcsr() & kStatusFlags) | (saved_ & ~kStatusFlags)); }

}  // namespace CpuState
