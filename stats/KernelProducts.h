#pragma once
// The engine's heavy products, on plain column-major storage so that one
// implementation can be built for several instruction sets and picked at
// run time. Blocks of a fixed partition (it depends only on n) are computed
// in parallel and their sums added in block order, so a result does not
// depend on the number of threads. Each thread keeps its block buffers
// from one call to the next.

#include <cstddef>
#include <cstdint>

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
// 0-based, formed element by element into B (n x n, leading dimension ldb,
// the caller's buffer), B^2 one block at a time. Sound for any A and p.
Traces momentTraces(const double* A, Index lda, const double* p, Index n, double* B, Index ldb);

// tr(K^3) = sum over i, j, k of K_ij K_jk K_ki for the symmetric n x n K of
// which only the lower triangle (i >= j) is read. Each product of three
// distinct blocks of the partition is computed once and counted for its
// orderings, a third of the work of K K.
double cubeTrace(const double* K, Index ldk, Index n);

// The builds of the block products.
enum class Build { Generic, Avx2, Avx512 };

// Whether the program holds the build and this processor can run it.
bool available(Build build);
// Runs every later product on the given build (for the tests of each
// build); false, and nothing changes, where it is not available.
bool force(Build build);
// Back to the fastest available build, the one picked at start.
void useFastest();
// The build that runs now, and the names "generic", "avx2", "avx512".
Build current();
const char* name(Build build);
const char* implementationName();

// Keeps to the generic build (true) or the fastest one (false).
void setGenericOnly(bool genericOnly);

// The blocks of the products run on the kept threads with flush-to-zero and
// denormals-are-zero set (see ParallelFor::runFlushed): a far-tail product
// below the smallest normal double (2.2E-308) becomes 0 instead of taking
// the processor's slow path for subnormal numbers. An element of the cross
// product loses at most n such terms (a sum that also holds larger ones
// moves by at most its last bit), while the diagonal that every trace and
// moment adds in is at least 1/n (each row of W has unit length): the
// changes stay hundreds of orders of magnitude below any digit shown or
// saved. For the tests and the benchmark: false computes them as written.
void setFlushDenormals(bool on);
bool flushDenormals();

// For the tests: the floating-point modes under which the blocks of the
// products ran since recording was switched on. A block counts as flushed
// when flush-to-zero is set (and denormals-are-zero, where the processor
// has it); onCaller counts the blocks that ran on the thread that called.
struct BlockModes {
    std::int64_t blocks = 0;
    std::int64_t flushed = 0;
    std::int64_t onCaller = 0;
};
void recordBlockModes(bool on);
BlockModes blockModes();

}  // namespace KernelProducts
