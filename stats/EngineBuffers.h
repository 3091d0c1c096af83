#pragma once
// The N x N buffers of the statistics engine, kept between calls. A new
// study area of a few thousand regions needs matrices of tens to hundreds
// of megabytes; handing them back to the system after every call and
// asking for them again made each call pay for every page afresh (more than
// half of a run's time). The engine takes its matrices from here and gives
// back those it replaces, so that a run after the first finds them ready.
//
// A buffer new to the process is asked for transparent huge pages and
// touched first by all processors at once (the matrix allocates where it
// likes, so the huge pages are the 2 MB ones wholly inside it). Buffers too
// small to matter are not kept; only the size last asked for is kept, at
// most kMostKept of them. The calls may come from any thread.

#include <cstddef>

#include "stats/AppState.h"

namespace EngineBuffers {

using Index = Eigen::Index;

// A rows x cols matrix whose contents are unspecified: a kept buffer of
// that many elements when there is one, else a new one.
Matrix take(Index rows, Index cols);

// Keeps the buffer of m for a later take (when it is large enough to be
// worth keeping and not too many are kept); m is left empty.
void giveBack(Matrix& m);

// Frees every kept buffer.
void releaseAll();

// The number of buffers kept now (for the tests).
std::size_t keptCount();

// The smallest buffer worth keeping, in elements.
constexpr Index kKeepFrom = Index(1) << 17;  // 1 MiB of doubles
// At most this many buffers are kept.
constexpr std::size_t kMostKept = 3;

// A matrix taken for the length of a scope and given back at its end.
class Scratch {
public:
    Scratch(Index rows, Index cols) : m_(take(rows, cols)) {}
    ~Scratch() { giveBack(m_); }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    Matrix& operator*() { return m_; }
    Matrix* operator->() { return &m_; }

private:
    Matrix m_;
};

}  // namespace EngineBuffers
