#pragma once
// The engine's two heavy products, on plain column-major storage so that
// one implementation can be built for several instruction sets and picked
// at run time. Blocks of a fixed partition (it depends only on n) are
// computed in parallel and their sums added in block order, so a result
// does not depend on the number of threads.

#include <cstddef>

namespace KernelProducts {

using Index = std::ptrdiff_t;

// C = W'W for an n x n W (leading dimensions ldw, ldc); C comes out exactly
// symmetric.
void crossProduct(const double* W, Index ldw, double* C, Index ldc, Index n);

struct Traces {
    double t1 = 0.0;  // tr(B)
    double t2 = 0.0;  // tr(B^2)
    double t3 = 0.0;  // tr(B^3)
};

// The traces of B, B^2 and B^3 for B = A (diag(p) - p p'), A n x n, p
// 0-based; B is formed element by element and B^2 one block at a time.
Traces momentTraces(const double* A, Index lda, const double* p, Index n);

// Which implementation runs ("avx2" or "generic"), for the benchmark.
const char* implementationName();

// Keeps to the generic build even where AVX2 is there (tests of both).
void setGenericOnly(bool genericOnly);

}  // namespace KernelProducts
