// The allocation limit of the test programs holds for every form of
// operator new: plain and array, aligned or not, throwing or nothrow. A form
// it missed would serve what a limited run must be refused, and one served
// by another library than its operator delete is what a sanitizer reports as
// a mismatch.
//
// Only the sanitizer build shows that each of the six derived forms (array,
// nothrow, and their aligned kinds) is replaced: there the sanitizer's
// allocator serves every form itself. In the plain build the C++ library's
// own derived forms call the plain or aligned operator new, which the
// replacement holds, so a derived form that the replacement left out is
// still refused there and these tests pass all the same: the plain build's
// pass covers the two base forms alone.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "tests/support/AllocationLimit.h"

namespace {

constexpr std::size_t kLimit = 4096;
constexpr std::align_val_t kAlignment{256};

struct Form {
    const char* name;
    bool nothrow;
    std::size_t alignment;  // 0: the default alignment
    // Allocates `bytes` and releases them with the matching delete; false
    // when the nothrow form returned null.
    std::function<bool(std::size_t bytes, std::uintptr_t& address)> allocate;
};

const std::vector<Form>& forms() {
    static const std::vector<Form> all = {
        {"new", false, 0,
         [](std::size_t n, std::uintptr_t& at) {
             void* p = ::operator new(n);
             at = reinterpret_cast<std::uintptr_t>(p);
             ::operator delete(p, n);
             return true;
         }},
        {"new[]", false, 0,
         [](std::size_t n, std::uintptr_t& at) {
             char* p = new char[n];
             at = reinterpret_cast<std::uintptr_t>(p);
             delete[] p;
             return true;
         }},
        {"aligned new", false, 256,
         [](std::size_t n, std::uintptr_t& at) {
             void* p = ::operator new(n, kAlignment);
             at = reinterpret_cast<std::uintptr_t>(p);
             ::operator delete(p, n, kAlignment);
             return true;
         }},
        {"aligned new[]", false, 256,
         [](std::size_t n, std::uintptr_t& at) {
             void* p = ::operator new[](n, kAlignment);
             at = reinterpret_cast<std::uintptr_t>(p);
             ::operator delete[](p, kAlignment);
             return true;
         }},
        {"nothrow new", true, 0,
         [](std::size_t n, std::uintptr_t& at) {
             void* p = ::operator new(n, std::nothrow);
             at = reinterpret_cast<std::uintptr_t>(p);
             ::operator delete(p, std::nothrow);
             return p != nullptr;
         }},
        {"nothrow new[]", true, 0,
         [](std::size_t n, std::uintptr_t& at) {
             char* p = new (std::nothrow) char[n];
             at = reinterpret_cast<std::uintptr_t>(p);
             delete[] p;
             return p != nullptr;
         }},
        {"aligned nothrow new", true, 256,
         [](std::size_t n, std::uintptr_t& at) {
             void* p = ::operator new(n, kAlignment, std::nothrow);
             at = reinterpret_cast<std::uintptr_t>(p);
             ::operator delete(p, kAlignment, std::nothrow);
             return p != nullptr;
         }},
        {"aligned nothrow new[]", true, 256,
         [](std::size_t n, std::uintptr_t& at) {
             void* p = ::operator new[](n, kAlignment, std::nothrow);
             at = reinterpret_cast<std::uintptr_t>(p);
             ::operator delete[](p, kAlignment, std::nothrow);
             return p != nullptr;
         }},
    };
    return all;
}

// What a test allocates is looked at, so that the compiler may not leave out
// an allocation whose result is never used (as it may for a new-expression).
volatile std::uintptr_t seen = 0;
void keep(const void* p) { seen = reinterpret_cast<std::uintptr_t>(p); }

// An over-aligned type takes the aligned forms through a plain new-expression.
struct alignas(256) Block {
    unsigned char bytes[kLimit];
};

}  // namespace

TEST(AllocationLimit, EveryFormIsRefusedAtTheLimitAndServedBelowIt) {
    for (const Form& f : forms()) {
        SCOPED_TRACE(f.name);
        std::uintptr_t at = 0;
        {
            const AllocationLimit limit(kLimit);
            for (std::size_t bytes : {kLimit, 2 * kLimit}) {
                if (f.nothrow) {
                    EXPECT_FALSE(f.allocate(bytes, at)) << bytes << " bytes were served";
                } else {
                    EXPECT_THROW(f.allocate(bytes, at), std::bad_alloc) << bytes << " bytes";
                }
            }
            // Below the limit each form serves as ever, aligned as asked.
            ASSERT_TRUE(f.allocate(kLimit - 1, at));
            EXPECT_NE(at, 0u);
            if (f.alignment) {
                EXPECT_EQ(at % f.alignment, 0u);
            }
        }
        // Without a limit the same size is served.
        ASSERT_TRUE(f.allocate(2 * kLimit, at));
        EXPECT_NE(at, 0u);
    }
}

TEST(AllocationLimit, NewExpressionsOfEachKindMeetTheLimit) {
    const AllocationLimit limit(kLimit);
    EXPECT_THROW(keep(std::make_unique<Block>().get()), std::bad_alloc);
    EXPECT_THROW(keep(std::make_unique<Block[]>(2).get()), std::bad_alloc);
    Block* none = new (std::nothrow) Block;
    keep(none);
    EXPECT_EQ(none, nullptr);
    delete none;
    EXPECT_THROW(keep(std::vector<double>(kLimit / sizeof(double)).data()), std::bad_alloc);
    EXPECT_THROW(keep(std::string(kLimit, 'x').data()), std::bad_alloc);
    // Small ones still are served, and an over-aligned one is aligned.
    struct alignas(64) Small {
        double d[4];
    };
    const auto small = std::make_unique<Small>();
    keep(small.get());
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(small.get()) % 64, 0u);
    EXPECT_EQ(std::vector<double>(8).size(), 8u);
}

TEST(AllocationLimit, LimitsNestAndTheOuterComesBack) {
    const AllocationLimit outer(2 * kLimit);
    {
        const AllocationLimit inner(kLimit);
        EXPECT_THROW(keep(std::vector<char>(kLimit).data()), std::bad_alloc);
    }
    EXPECT_EQ(std::vector<char>(kLimit).size(), kLimit);
    EXPECT_THROW(keep(std::vector<char>(2 * kLimit).data()), std::bad_alloc);
}
