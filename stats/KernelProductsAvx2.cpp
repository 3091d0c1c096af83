// The block products built for processors with AVX2 and fused
// multiply-adds (allowed in the product files alone: the moments they feed
// are compared to a relative 1e-9, while everything compared bit for bit is
// built without them); chosen at run time only where the processor has
// them. Eigen is compiled here under its own namespace name (and without
// its own threads) so that none of its code built for these instructions
// can stand in for the generic build's.
#include <cstddef>

#include "stats/KernelProducts.h"
#include "stats/KernelProductsImpl.h"
#include "stats/ParallelFor.h"

#if defined(KORVANE_HAVE_AVX2_BUILD)
#define EIGEN_DONT_PARALLELIZE
#define Eigen KorvaneEigenAvx2
#include <Eigen/Core>
#define EigenNs KorvaneEigenAvx2
#define KP_NAMESPACE KernelProductsAvx2
#include "stats/KernelProducts.inc"
#endif
