// The block products for any x86-64 (or other) processor.
#include <Eigen/Core>
#include <cstddef>

#include "stats/KernelProducts.h"
#include "stats/KernelProductsImpl.h"

#define EigenNs Eigen
#define KP_NAMESPACE KernelProductsGeneric
#include "stats/KernelProducts.inc"
