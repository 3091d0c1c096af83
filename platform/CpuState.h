#pragma once
// The processor state that the engine's speed depends on, and nothing else:
// the upper halves of the vector registers, which Qt's painting leaves in
// use (every later non-VEX floating-point instruction then pays a
// transition penalty on some processors), and the flush-to-zero and
// denormals-are-zero modes, without which products of the kernel's far
// tails go through the slow path for subnormal numbers.
//
// Every function is safe on any processor: where the instruction needed is
// missing it does nothing (or reports that it cannot tell).

#include <cstdint>
#include <source_location>

namespace CpuState {

// The processor and the operating system both support AVX (the CPUID flags
// and the YMM state enabled in XCR0); checked once.
bool hasAvx() noexcept;

// vzeroupper where the processor has AVX: the upper halves of the vector
// registers are clean afterwards. Called where the engine's arithmetic
// starts and where every event handler is dispatched.
void clearUpperState() noexcept;

// Whether XGETBV with ECX = 1 (the state components in use) can be read.
bool canReadStateInUse() noexcept;
// Bit 2 of XGETBV(1): the upper halves of the YMM registers hold data.
// False where it cannot be read.
bool upperStateInUse() noexcept;

// The engine's routines start here: clears the upper vector state. For the
// tests, an armed probe also records which routine entered (the default
// argument names the caller) and whether the state reads as in use right
// afterwards (see EntryProbe).
void enterEngine(std::source_location entry = std::source_location::current()) noexcept;

// For the tests: counts the engine entries since arming and how many of
// them still found the upper state in use after clearing it, and names the
// routine that entered first ("" for none), as the compiler spells its
// signature: a routine that calls another before it enters would be named
// by the other.
struct EntryProbe {
    std::int64_t entries = 0;
    std::int64_t dirtyAfterClear = 0;
    const char* first = "";
};
void armEntryProbe(bool on) noexcept;
EntryProbe entryProbe() noexcept;

// The SSE control and status register of the calling thread (0 where there
// is none).
inline constexpr std::uint32_t kFlushToZero = 0x8000;      // FTZ, bit 15
inline constexpr std::uint32_t kDenormalsAreZero = 0x0040;  // DAZ, bit 6
// The sticky exception flags (bits 0-5); the rest are the modes.
inline constexpr std::uint32_t kStatusFlags = 0x003F;
std::uint32_t mxcsr() noexcept;
// The modes alone: mxcsr() without the exception flags.
inline std::uint32_t modes() noexcept { return mxcsr() & ~kStatusFlags; }
void setMxcsr(std::uint32_t value) noexcept;
// Whether this processor can set denormals-are-zero (MXCSR_MASK bit 6).
bool hasDenormalsAreZero() noexcept;

// Sets flush-to-zero and denormals-are-zero on the calling thread for its
// lifetime and restores the modes it found (the exception flags raised
// meanwhile stay). Only the kept threads of the
// block products use it, never the thread that runs the windows.
class FlushDenormals {
public:
    FlushDenormals() noexcept;
    ~FlushDenormals();
    FlushDenormals(const FlushDenormals&) = delete;
    FlushDenormals& operator=(const FlushDenormals&) = delete;

private:
    std::uint32_t saved_;
};

}  // namespace CpuState
