// The processor state the engine's speed depends on: the flush-to-zero
// scope sets both modes and gives back exactly the ones it found, and
// clearing the upper vector state leaves it clean where the processor can
// say so.
#include <gtest/gtest.h>

#include <cfloat>
#include <cstdint>

#include "platform/CpuState.h"
#include "tests/platform/DirtyUpperState.h"

namespace {

// A product whose exact value is subnormal, out of the optimiser's reach.
double subnormalProduct() {
    volatile double a = 1e-160, b = 1e-160;
    return a * b;
}

TEST(FlushDenormals, SetsBothModesAndRestoresTheOnesItFound) {
#if !defined(__x86_64__)
    GTEST_SKIP() << "no SSE control register on this processor";
#endif
    const std::uint32_t found = CpuState::modes();
    ASSERT_EQ(found & (CpuState::kFlushToZero | CpuState::kDenormalsAreZero), 0u) << "a thread starts with both off";
    ASSERT_GT(subnormalProduct(), 0.0);
    {
        const CpuState::FlushDenormals modes;
        const std::uint32_t inside = CpuState::modes();
        EXPECT_NE(inside & CpuState::kFlushToZero, 0u);
        if (CpuState::hasDenormalsAreZero()) {
            EXPECT_NE(inside & CpuState::kDenormalsAreZero, 0u);
        }
        EXPECT_EQ(inside & ~(CpuState::kFlushToZero | CpuState::kDenormalsAreZero), found) << "nothing else changes";
        EXPECT_EQ(subnormalProduct(), 0.0);
    }
    EXPECT_EQ(CpuState::modes(), found);
    EXPECT_GT(subnormalProduct(), 0.0);

    // Modes already set (here a rounding mode) come back as they were.
    const std::uint32_t roundDown = found | 0x2000;
    CpuState::setMxcsr(roundDown);
    { const CpuState::FlushDenormals modes; }
    EXPECT_EQ(CpuState::modes(), roundDown);
    CpuState::setMxcsr(found);

    // The exception flags raised inside stay raised.
    CpuState::setMxcsr(found);
    {
        const CpuState::FlushDenormals modes;
        volatile double a = 1e-300;
        volatile double tiny = a * a;
        (void)tiny;
    }
    EXPECT_NE(CpuState::mxcsr() & CpuState::kStatusFlags, 0u) << "the underflow flag was kept";
    EXPECT_EQ(CpuState::modes(), found);
}

TEST(UpperVectorState, ClearingLeavesItUnused) {
    if (!CpuState::hasAvx()) GTEST_SKIP() << "this processor has no AVX";
    CpuState::clearUpperState();  // does nothing harmful either way
    if (!CpuState::canReadStateInUse()) GTEST_SKIP() << "this processor cannot report the state in use (XGETBV 1)";
    dirtyUpperState();
    if (!CpuState::upperStateInUse()) GTEST_SKIP() << "this processor does not report the upper state as in use";
    CpuState::clearUpperState();
    EXPECT_FALSE(CpuState::upperStateInUse());
}

TEST(UpperVectorState, AnEngineEntryClearsItAndTheProbeCountsIt) {
    if (!CpuState::hasAvx() || !CpuState::canReadStateInUse()) GTEST_SKIP() << "no AVX state to read on this processor";
    CpuState::armEntryProbe(true);
    dirtyUpperState();
    const bool seenDirty = CpuState::upperStateInUse();
    CpuState::enterEngine();
    const CpuState::EntryProbe probe = CpuState::entryProbe();
    CpuState::armEntryProbe(false);
    if (!seenDirty) GTEST_SKIP() << "this processor does not report the upper state as in use";
    EXPECT_EQ(probe.entries, 1);
    EXPECT_EQ(probe.dirtyAfterClear, 0);
}

}  // namespace
