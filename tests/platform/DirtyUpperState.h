#pragma once
// Puts data into the upper half of ymm0, as Qt's painting leaves it; only
// where the processor has AVX. Inline assembly in code built without AVX,
// so that the compiler adds no vzeroupper of its own on the way out.
#include "platform/CpuState.h"

inline void dirtyUpperState() {
#if defined(__x86_64__)
    if (CpuState::hasAvx()) __asm__ volatile("vpcmpeqd %%ymm0, %%ymm0, %%ymm0" ::: "xmm0");
#endif
}
