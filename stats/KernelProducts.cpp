#include "stats/KernelProducts.h"

#include <atomic>
#include <vector>

#include "stats/KernelProductsImpl.h"

namespace KernelProducts {

namespace {

std::atomic<bool> genericOnly{false};

bool useAvx2() {
#if defined(KORVANE_HAVE_AVX2_BUILD)
    static const bool available = __builtin_cpu_supports("avx2");
    return available && !genericOnly.load();
#else
    return false;
#endif
}

}  // namespace

void setGenericOnly(bool yes) { genericOnly = yes; }

void crossProduct(const double* W, Index ldw, double* C, Index ldc, Index n) {
#if defined(KORVANE_HAVE_AVX2_BUILD)
    if (useAvx2()) return KernelProductsAvx2::crossProduct(W, ldw, C, ldc, n);
#endif
    KernelProductsGeneric::crossProduct(W, ldw, C, ldc, n);
}

Traces momentTraces(const double* A, Index lda, const double* p, Index n) {
    std::vector<double> scratch(static_cast<std::size_t>(KernelProductsGeneric::scratchSize(n)));
#if defined(KORVANE_HAVE_AVX2_BUILD)
    if (useAvx2()) return KernelProductsAvx2::momentTraces(A, lda, p, n, scratch.data());
#endif
    return KernelProductsGeneric::momentTraces(A, lda, p, n, scratch.data());
}

const char* implementationName() { return useAvx2() ? "avx2" : "generic"; }

}  // namespace KernelProducts
