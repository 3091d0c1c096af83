#pragma once
// Whether this machine can hold the N x N matrices of a kernel. Beyond its
// physical memory the system would not refuse such an allocation but end
// the program once the pages are touched, so a run asks here before it
// sizes them and refuses with a message that says what it would need.

#include <cstdint>

#include "platform/Error.h"

namespace KernelMemory {

// Raises the program's out-of-memory error (RuntimeErrors::OutOfMemory)
// when `matrices` matrices of (count + 1)^2 doubles do not fit in the
// physical memory, with the text "There is not enough memory for the kernel
// matrices of <count> <rows>: they would need about <size>, and this
// computer has <size>." (`rows` names what the count counts: "regions" or
// "points").
void Require(std::int64_t count, int matrices, const char* rows, const char* source);

}  // namespace KernelMemory
