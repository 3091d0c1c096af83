#pragma once
// The per-instruction-set builds of KernelProducts (internal). Each build
// keeps its own buffers (its namespace's workspace) and is entered by one
// call at a time.
#include <cstddef>

#include "stats/KernelProducts.h"

namespace KernelProducts::detail {
// Whether the block loops run flushed (ParallelFor::forEachWorkerFlushed).
bool flushing() noexcept;
// Called at the start of every block: notes its modes when recording.
void noteBlock() noexcept;
}  // namespace KernelProducts::detail

#define KORVANE_DECLARE_KERNEL_PRODUCTS(ns)                                                                     \
    namespace ns {                                                                                             \
    void crossProduct(const double* W, std::ptrdiff_t ldw, double* C, std::ptrdiff_t ldc, std::ptrdiff_t n);   \
    KernelProducts::Traces momentTraces(const double* A, std::ptrdiff_t lda, const double* p, std::ptrdiff_t n, \
                                        double* B, std::ptrdiff_t ldb);                                        \
    double cubeTrace(const double* K, std::ptrdiff_t ldk, std::ptrdiff_t n);                                   \
    }

KORVANE_DECLARE_KERNEL_PRODUCTS(KernelProductsGeneric)
#if defined(KORVANE_HAVE_AVX2_BUILD)
KORVANE_DECLARE_KERNEL_PRODUCTS(KernelProductsAvx2)
#endif
#if defined(KORVANE_HAVE_AVX512_BUILD)
KORVANE_DECLARE_KERNEL_PRODUCTS(KernelProductsAvx512)
#endif
