// The block products built for processors with AVX-512 (foundation,
// doubleword/quadword, vector length and byte/word instructions) and fused
// multiply-adds; chosen at run time only where the processor has them, like
// the AVX2 build, and kept apart from the other builds in the same way.
#include <cstddef>

#include "stats/KernelProducts.h"
#include "stats/KernelProductsImpl.h"
#include "stats/ParallelFor.h"

#if defined(KORVANE_HAVE_AVX512_BUILD)
#define EIGEN_DONT_PARALLELIZE
#define Eigen KorvaneEigenAvx512
#include <Eigen/Core>
#define EigenNs KorvaneEigenAvx512
#define KP_NAMESPACE KernelProductsAvx512
#include "stats/KernelProducts.inc"
#endif
