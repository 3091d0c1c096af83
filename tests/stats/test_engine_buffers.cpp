// The engine's kept N x N buffers: a buffer given back serves the next
// request of its size, only the engine's size is kept and only a few, and a
// run on the same study area finds its matrices ready.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "stats/EngineBuffers.h"
#include "stats/modClusterDetection.h"
#include "tests/stats/SyntheticArea.h"

namespace {

namespace eb = EngineBuffers;
namespace cd = modClusterDetection;

constexpr eb::Index kSide = 600;  // 360,000 elements: worth keeping

class EngineBuffersTest : public ::testing::Test {
protected:
    void SetUp() override { eb::releaseAll(); }
    void TearDown() override { eb::releaseAll(); }
};

TEST_F(EngineBuffersTest, AGivenBackBufferServesTheNextTakeOfItsSize) {
    Matrix m = eb::take(kSide, kSide);
    ASSERT_EQ(m.rows(), kSide);
    ASSERT_EQ(m.cols(), kSide);
    m.setConstant(2.5);  // every page can be written
    const double* data = m.data();
    eb::giveBack(m);
    EXPECT_EQ(m.size(), 0);
    EXPECT_EQ(eb::keptCount(), 1u);
    // The same number of elements in another shape is the same buffer.
    Matrix again = eb::take(kSide / 2, kSide * 2);
    EXPECT_EQ(again.data(), data);
    EXPECT_EQ(again.rows(), kSide / 2);
    EXPECT_EQ(eb::keptCount(), 0u);
}

TEST_F(EngineBuffersTest, KeepsOnlyLargeBuffersOfTheCurrentSizeAndOnlyAFew) {
    struct Case {
        const char* name;
        eb::Index rows, cols;
        std::size_t keptAfter;
    };
    Matrix first = eb::take(kSide, kSide);  // sets the current size
    const Case cases[] = {
        {"too small to keep", 10, 10, 0},
        {"of the current size", kSide, kSide, 1},
        {"large but another size", kSide + 1, kSide, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Matrix m(c.rows, c.cols);
        eb::giveBack(m);
        EXPECT_EQ(m.size(), 0);
        EXPECT_EQ(eb::keptCount(), c.keptAfter);
    }
    for (std::size_t k = 0; k < eb::kMostKept + 2; ++k) {
        Matrix m(kSide, kSide);
        eb::giveBack(m);
    }
    EXPECT_EQ(eb::keptCount(), eb::kMostKept);
    // A request of a new size is a new study area: the kept ones go.
    Matrix other = eb::take(kSide + 7, kSide);
    EXPECT_EQ(eb::keptCount(), 0u);
    eb::giveBack(first);  // no longer the current size
    EXPECT_EQ(eb::keptCount(), 0u);
}

TEST_F(EngineBuffersTest, ARepeatedRunReusesTheReplacedMatrices) {
    SyntheticArea::Options o;
    o.n = 700;
    o.sigma = 1.3;
    AppState s = SyntheticArea::make(o);
    auto run = [&] {
        cd::CalcScoreWeights(s.area, s.points, s.shared, s.retro);
        cd::CalcMWeights(s.area, s.points, s.shared, s.retro);
        return std::vector<const double*>{s.retro.scoreWeights.data(), s.retro.weightCrossProduct.data(),
                                          s.retro.mWeights.data()};
    };
    // The first run asks for its matrices, the second for a second set (the
    // first is still in use until each is replaced); from then on every
    // matrix is one of those.
    std::vector<const double*> earlier = run();
    const Matrix W = s.retro.scoreWeights, C = s.retro.weightCrossProduct, M = s.retro.mWeights;
    for (const double* d : run()) earlier.push_back(d);
    for (int k = 0; k < 2; ++k) {
        for (const double* now : run()) EXPECT_NE(std::find(earlier.begin(), earlier.end(), now), earlier.end());
        // The same values whatever buffer they were computed into.
        EXPECT_TRUE(s.retro.scoreWeights == W);
        EXPECT_TRUE(s.retro.weightCrossProduct == C);
        EXPECT_TRUE(s.retro.mWeights == M);
    }
}

bool same(const Matrix& a, const Matrix& b) { return a.rows() == b.rows() && a.cols() == b.cols() && a == b; }

// The M kernel of the same bandwidth is a copy of the score kernel (and the
// other way round); any change of an input computes it afresh.
TEST_F(EngineBuffersTest, AKernelIsCopiedOnlyForTheSameInputs) {
    struct Change {
        const char* name;
        void (*apply)(AppState&);
    };
    const Change changes[] = {
        {"nothing", [](AppState&) {}},
        {"bandwidth", [](AppState& s) { s.shared.sigma *= 1.0 + 1e-15; }},
        {"one centroid", [](AppState& s) { s.area.centroidTable[17].Y += 1e-9; }},
        {"study area", [](AppState& s) { s.area.studyArea *= 2.0; }},
        {"region count", [](AppState& s) { s.area.regionCount -= 1; }},
    };
    SyntheticArea::Options o;
    o.n = 200;
    o.sigma = 1.1;
    o.layout = SyntheticArea::Layout::Scattered;
    const AppState start = SyntheticArea::make(o);
    for (const Change& c : changes) {
        SCOPED_TRACE(c.name);
        for (bool scoreFirst : {true, false}) {
            AppState s = start;
            if (scoreFirst)
                cd::CalcScoreWeights(s.area, s.points, s.shared, s.retro);
            else
                cd::CalcMWeights(s.area, s.points, s.shared, s.retro);
            c.apply(s);
            AppState fresh = s;
            fresh.retro = RetroState{};
            static_cast<RetroValues&>(fresh.retro) = static_cast<const RetroValues&>(start.retro);
            fresh.retro.scoreWeightsSource = fresh.retro.mWeightsSource = KernelSource{};
            if (scoreFirst) {
                cd::CalcMWeights(s.area, s.points, s.shared, s.retro);
                cd::CalcMWeights(fresh.area, fresh.points, fresh.shared, fresh.retro);
                EXPECT_TRUE(s.retro.mWeights == fresh.retro.mWeights);
                EXPECT_TRUE(s.retro.mWeightsSource == fresh.retro.mWeightsSource);
                EXPECT_EQ(same(s.retro.mWeights, s.retro.scoreWeights), std::string(c.name) == "nothing");
            } else {
                cd::CalcScoreWeights(s.area, s.points, s.shared, s.retro);
                cd::CalcScoreWeights(fresh.area, fresh.points, fresh.shared, fresh.retro);
                EXPECT_TRUE(s.retro.scoreWeights == fresh.retro.scoreWeights);
                EXPECT_TRUE(s.retro.weightCrossProduct == fresh.retro.weightCrossProduct);
                EXPECT_EQ(same(s.retro.mWeights, s.retro.scoreWeights), std::string(c.name) == "nothing");
            }
        }
    }
}

}  // namespace
