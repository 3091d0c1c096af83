#include "stats/EngineBuffers.h"

#include <cstdint>
#include <deque>
#include <mutex>
#include <utility>

#include <sys/mman.h>
#include <unistd.h>

#include "stats/ParallelFor.h"

namespace EngineBuffers {

namespace {

constexpr std::uintptr_t kHugePage = std::uintptr_t(2) << 20;

std::mutex& lock() {
    static std::mutex m;
    return m;
}

// Most recently kept first.
std::deque<Matrix>& kept() {
    static std::deque<Matrix> k;
    return k;
}

// The number of elements of the last large buffer asked for: only buffers
// of that size are kept (the others belong to an earlier study area, or
// are not the engine's N x N matrices).
Index& currentSize() {
    static Index size = 0;
    return size;
}

std::uintptr_t pageSize() {
    static const long size = sysconf(_SC_PAGE_SIZE);
    return size > 0 ? static_cast<std::uintptr_t>(size) : 4096;
}

// The allocator places the matrix where it likes; the 2 MB pages wholly
// inside it can still be huge pages when the advice comes before any of
// them is touched. Then every processor touches its share of the pages, so
// that the system's clearing of them is spread as well.
void prepareNew(Matrix& m) {
    const auto bytes = static_cast<std::uintptr_t>(m.size()) * sizeof(double);
    const auto begin = reinterpret_cast<std::uintptr_t>(m.data());
    const std::uintptr_t page = pageSize();
    const std::uintptr_t first = (begin + page - 1) / page * page;
    const std::uintptr_t last = (begin + bytes) / page * page;
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);

    const std::uintptr_t firstHuge = (begin + kHugePage - 1) / kHugePage * kHugePage;
    const std::uintptr_t end = begin + bytes;
    // Piece 0 runs up to the first huge-page boundary, then one piece per huge page.
    const std::ptrdiff_t pieces = end > firstHuge ? 1 + static_cast<std::ptrdiff_t>((end - firstHuge + kHugePage - 1) / kHugePage) : 1;
    auto* bytePtr = reinterpret_cast<volatile unsigned char*>(m.data());
    ParallelFor::forEach(pieces, pieces > 1, [&](std::ptrdiff_t k) {
        const std::uintptr_t from = k == 0 ? begin : firstHuge + static_cast<std::uintptr_t>(k - 1) * kHugePage;
        std::uintptr_t to = k == 0 ? firstHuge : from + kHugePage;
        if (to > end) to = end;
        for (std::uintptr_t a = from; a < to; a = (a / page + 1) * page) bytePtr[a - begin] = 0;
    });
}

}  // namespace

Matrix take(Index rows, Index cols) {
    const Index size = rows * cols;
    Matrix m;
    std::deque<Matrix> stale;
    if (size >= kKeepFrom) {
        const std::lock_guard<std::mutex> guard(lock());
        auto& k = kept();
        if (size != currentSize()) {
            stale.swap(k);
            currentSize() = size;
        } else if (!k.empty()) {
            m.swap(k.front());
            k.pop_front();
        }
    }
    if (m.size() == size) {
        m.resize(rows, cols);  // same number of elements: no new allocation
        return m;
    }
    m.resize(rows, cols);
    if (size >= kKeepFrom) prepareNew(m);
    return m;
}

void giveBack(Matrix& m) {
    Matrix mine;
    mine.swap(m);
    if (mine.size() < kKeepFrom) return;
    const std::lock_guard<std::mutex> guard(lock());
    auto& k = kept();
    if (mine.size() == currentSize() && k.size() < kMostKept) k.push_front(std::move(mine));
}

void releaseAll() {
    std::deque<Matrix> all;
    const std::lock_guard<std::mutex> guard(lock());
    all.swap(kept());
    currentSize() = 0;
}

std::size_t keptCount() {
    const std::lock_guard<std::mutex> guard(lock());
    return kept().size();
}

}  // namespace EngineBuffers
