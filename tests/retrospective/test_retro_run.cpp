// The computations of a run apart from the window: the number of bandwidths
// of a range, and what each test leaves in the program-wide state that the
// map, the lists and the report read afterwards.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/Error.h"
#include "retrospective/ClusterRun.h"
#include "stats/modClusterDetection.h"
#include "tests/retrospective/RetroFixture.h"
#include "tests/support/TestPaths.h"

using namespace retro_test;
namespace cd = modClusterDetection;

namespace {

TEST(RetroRun, RangeCountRoundsHalfToEven) {
    struct Case { double from, to, step; int count; };
    for (const Case& c : {Case{0.2, 2.0, 0.2, 10}, Case{0.0, 3.0, 2.0, 2}, Case{0.5, 1.0, 0.2, 4},
                          Case{0.0, 1.0, 1.0, 2}, Case{1.0, 1.25, 0.5, 2}, Case{0.0, 32766.0, 1.0, 32767},
                          Case{0.0, 32766.4, 1.0, 32767}}) {
        SCOPED_TRACE(std::to_string(c.from) + " " + std::to_string(c.to) + " " + std::to_string(c.step));
        EXPECT_EQ(ClusterRun::rangeCount(c.from, c.to, c.step), c.count);
    }
}

TEST(RetroRun, RangeCountBeyondSixteenBitsIsRefusedWithAMessageOfItsOwn) {
    // 32767.5 rounds to the even 32768, one more than the count can hold.
    for (double to : {32766.5, 40000.0, 1e300}) {
        SCOPED_TRACE(to);
        try {
            ClusterRun::rangeCount(0.0, to, 1.0);
            ADD_FAILURE() << "no error";
        } catch (const AppError& e) {
            EXPECT_EQ(e.source(), ClusterRun::kDataErrorSource);
            EXPECT_EQ(e.description(), "The range holds too many bandwidths (at most 32767). Choose a larger step.");
        }
    }
}

class RetroRunState : public ::testing::Test {
protected:
    void SetUp() override {
        h = std::make_unique<Harness>();
        h->openStudyArea(writeGrid(scratchDir("retro-run"), "grid", 4, 3, clusteredCounts(12)));
        h->inputPopCase("POP", "CASES", "NAME");
        h->clearMessages();
    }
    std::unique_ptr<Harness> h;
};

TEST_F(RetroRunState, AdjustedRangeLeavesTheLastScoresOnTheMapAndThePoissonMInLocalM) {
    AppState s = h->ctx.state;
    ClusterRun::checkData(s);
    ClusterRun::computeRange(s, ClusterTest::AdjustedPoisson, 0.5, 1.5, 0.5, ClusterRun::rangeCount(0.5, 1.5, 0.5));
    ASSERT_EQ(s.retro.bandwidthCount, 3);
    EXPECT_EQ(s.shared.sigma, 1.5);
    // The score procedures run after the Poisson M in every bandwidth, so the
    // display copies hold the adjusted scores of the last bandwidth ...
    ASSERT_EQ(s.retro.mapClassValues.size(), 13u);
    for (int i = 1; i <= 12; ++i) {
        const auto k = static_cast<std::size_t>(i);
        EXPECT_EQ(s.retro.mapClassValues[k], s.retro.rangeLocalStats(2, i)) << i;
        EXPECT_EQ(s.retro.mapClassValues[k], s.retro.localScoreAdjusted[k]) << i;
    }
    // ... while localM keeps the Poisson M of that bandwidth.
    AppState e = h->ctx.state;
    e.shared.sigma = 1.5;
    cd::CalcMWeights(e.area, e.points, e.shared, e.retro);
    cd::CalcLocalMPoisson(e.area, e.retro);
    for (std::size_t i = 1; i <= 12; ++i) EXPECT_EQ(s.retro.localM[i], e.retro.localM[i]) << i;
    EXPECT_EQ(s.retro.rangeMaxM[2], cd::GetMaxLocalM(e.area, e.retro));
    EXPECT_EQ(s.retro.rangeMCritical[2], cd::GetMCritical(e.area, e.shared, e.retro).value);
}

TEST_F(RetroRunState, SingleRunsShadeTheStatisticTheirListsShow) {
    struct Case { ClusterTest test; const char* name; };
    for (const Case& c : {Case{ClusterTest::Unadjusted, "unadjusted"}, Case{ClusterTest::AdjustedPoisson, "adjusted"},
                          Case{ClusterTest::FreemanTukey, "Freeman-Tukey"}, Case{ClusterTest::Rossi, "Rossi"}}) {
        SCOPED_TRACE(c.name);
        AppState s = h->ctx.state;
        s.shared.sigma = 0.75;
        const ClusterRun::SingleResult r = ClusterRun::computeSingle(s, c.test);
        const DoubleArray& shown = c.test == ClusterTest::Unadjusted        ? s.retro.localScoreUnadjusted
                                   : c.test == ClusterTest::AdjustedPoisson ? s.retro.localScoreAdjusted
                                                                            : s.retro.localM;
        ASSERT_EQ(r.mapValues.size(), 13u);
        for (std::size_t i = 1; i <= 12; ++i) {
            EXPECT_EQ(r.mapValues[i], shown[i]) << i;
            EXPECT_EQ(s.retro.mapClassValues[i], shown[i]) << i;
            EXPECT_EQ(s.retro.mapLegendValues()[i], shown[i]) << i;
        }
        if (c.test == ClusterTest::AdjustedPoisson) {
            // The adjusted list's maximum M is that of the Poisson residuals at the same bandwidth.
            AppState e = h->ctx.state;
            e.shared.sigma = 0.75;
            cd::CalcMWeights(e.area, e.points, e.shared, e.retro);
            cd::CalcLocalMPoisson(e.area, e.retro);
            for (std::size_t i = 1; i <= 12; ++i) EXPECT_EQ(s.retro.localM[i], e.retro.localM[i]) << i;
        }
    }
}

}  // namespace
