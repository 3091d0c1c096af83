// The block products for any processor. Eigen is compiled here under its
// own namespace name and without its own threads, so that nothing else in
// the program shares these instantiations.
#include <cstddef>

#include "stats/KernelProducts.h"
#include "stats/KernelProductsImpl.h"
#include "stats/ParallelFor.h"

#define EIGEN_DONT_PARALLELIZE
#define Eigen KorvaneEigenGeneric
#include <Eigen/Core>
#define EigenNs KorvaneEigenGeneric
#define KP_NAMESPACE KernelProductsGeneric
#include "stats/KernelProducts.inc"
