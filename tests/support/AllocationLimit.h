#pragma once
// Allocations that fail as they do on a machine whose memory is used up.
// While an AllocationLimit lives, every allocation through operator new of
// at least `bytes` throws std::bad_alloc; smaller ones, and the matrices and
// Qt's own data (which take their memory from malloc), are served as ever.
// The test programs replace every form of operator new for this, plain and
// array, aligned or not, throwing or nothrow (AllocationLimit.cpp): a refused
// nothrow form returns null. Without a limit each is the usual one.

#include <cstddef>

class AllocationLimit {
public:
    explicit AllocationLimit(std::size_t bytes);
    ~AllocationLimit();
    AllocationLimit(const AllocationLimit&) = delete;
    AllocationLimit& operator=(const AllocationLimit&) = delete;

private:
    std::size_t before_;
};
