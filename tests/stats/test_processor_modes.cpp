// The processor modes under which the engine computes, read rather than
// timed: the block products run on the kept threads with flush-to-zero and
// denormals-are-zero set and give those modes back, the thread that called
// (the one that runs the windows) keeps its own, flushing the far tails
// changes no digit a list, a report or a file shows, and every engine
// entry and every dispatched event starts from a clean upper vector state.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QPolygon>
#include <atomic>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <string>

#include "platform/CpuState.h"
#include "platform/Format.h"
#include "stats/KernelProducts.h"
#include "stats/ParallelFor.h"
#include "stats/ScoreMomentRoute.h"
#include "stats/modClusterDetection.h"
#include "stats/modCusum.h"
#include "stats/modPValue.h"
#include "tests/platform/DirtyUpperState.h"
#include "tests/stats/SyntheticArea.h"

namespace {

namespace cd = modClusterDetection;
constexpr std::uint32_t kBothModes = CpuState::kFlushToZero | CpuState::kDenormalsAreZero;

// A study area where most kernel weights lie below 1E-154, so that most
// products of two of them fall below the smallest normal double.
AppState farTails(SyntheticArea::Counts counts) {
    SyntheticArea::Options o;
    o.n = 400;
    o.sigma = 0.3;
    o.seed = 77;
    o.counts = counts;
    return SyntheticArea::make(o);
}

double shareOfTinyWeights(const Matrix& W) {
    const Eigen::Index n = W.rows() - 1;
    double tiny = 0.0;
    for (Eigen::Index j = 1; j <= n; ++j)
        for (Eigen::Index i = 1; i <= n; ++i) tiny += W(i, j) < 1e-154 ? 1.0 : 0.0;
    return tiny / static_cast<double>(n * n);
}

struct Globals {
    double df, mean, variance, z, chi, p;
};

Globals scoreRun(AppState& s, bool adjusted) {
    cd::CalcScoreWeights(s.area, s.points, s.shared, s.retro);
    if (adjusted) {
        cd::CalcLocalScoreAdjusted(s.area, s.retro);
        cd::CalcScoreMomentsAdjusted(s.area, s.retro);
        cd::StandardizeScoreAdjusted(s.retro);
    } else {
        cd::CalcLocalScoreUnadjusted(s.area, s.retro);
        cd::CalcScoreMomentsUnadjusted(s.area, s.retro);
        cd::StandardizeScoreUnadjusted(s.retro);
    }
    const RetroState& r = s.retro;
    return {r.scoreDf, r.scoreMean, r.scoreVariance, r.scoreZ, r.scoreChiSquare,
            adjusted ? modPValue::GetChiSquarePValue(r.scoreChiSquare, r.scoreDf) : modPValue::GetNormalPValue(r.scoreZ)};
}

// The builds this processor can run, each in turn.
template <typename Fn>
void forEveryBuild(Fn&& fn) {
    for (auto b : {KernelProducts::Build::Generic, KernelProducts::Build::Avx2, KernelProducts::Build::Avx512}) {
        if (!KernelProducts::force(b)) continue;
        SCOPED_TRACE(KernelProducts::name(b));
        fn();
    }
    KernelProducts::useFastest();
}

TEST(BlockProducts, RunFlushedOnTheKeptThreadsAndLeaveTheCallersModes) {
#if !defined(__x86_64__)
    GTEST_SKIP() << "no SSE control register on this processor";
#endif
    const std::uint32_t callerModes = CpuState::modes();
    ASSERT_EQ(callerModes & kBothModes, 0u);
    forEveryBuild([&] {
        for (bool direct : {false, true}) {
            SCOPED_TRACE(direct ? "direct route" : "centred route");
            ScoreMomentRoute::forceDirect(direct);
            AppState s = farTails(SyntheticArea::Counts::PopulationAndCases);
            KernelProducts::recordBlockModes(true);
            scoreRun(s, true);
            scoreRun(s, false);
            const KernelProducts::BlockModes modes = KernelProducts::blockModes();
            KernelProducts::recordBlockModes(false);
            ScoreMomentRoute::forceDirect(false);
            EXPECT_GT(modes.blocks, 20) << "the cross product and the moments went through the blocks";
            EXPECT_EQ(modes.flushed, modes.blocks) << "every block ran with flush-to-zero and denormals-are-zero";
            EXPECT_EQ(modes.onCaller, 0) << "no block ran on the calling thread";
            EXPECT_EQ(CpuState::modes(), callerModes) << "the calling thread's modes are its own";
        }
    });
    // Afterwards every thread of an ordinary loop computes with subnormal
    // numbers again: the kept threads gave the modes back.
    std::atomic<std::uint32_t> seen{0};
    std::atomic<int> subnormalsLost{0};
    ParallelFor::forEach(4000, true, [&](std::ptrdiff_t) {
        seen.fetch_or(CpuState::mxcsr());
        volatile double a = 1e-160;
        if (!(a * a > 0.0)) subnormalsLost.fetch_add(1);
    });
    EXPECT_EQ(seen.load() & kBothModes, 0u);
    EXPECT_EQ(subnormalsLost.load(), 0);
}

TEST(BlockProducts, FlushingTheFarTailsChangesNoShownDigit) {
    forEveryBuild([&] {
        for (auto counts : {SyntheticArea::Counts::PopulationAndCases, SyntheticArea::Counts::ObservedAndExpected})
            for (bool direct : {false, true})
                for (bool adjusted : {false, true}) {
                    SCOPED_TRACE(std::string(direct ? "direct" : "centred") + (adjusted ? " adjusted" : " unadjusted") +
                                 (counts == SyntheticArea::Counts::PopulationAndCases ? " shares sum to 1" : " shares free"));
                    ScoreMomentRoute::forceDirect(direct);
                    AppState flushed = farTails(counts), exact = flushed;
                    const Globals f = scoreRun(flushed, adjusted);
                    KernelProducts::setFlushDenormals(false);
                    const Globals x = scoreRun(exact, adjusted);
                    KernelProducts::setFlushDenormals(true);
                    ScoreMomentRoute::forceDirect(false);

                    ASSERT_GT(shareOfTinyWeights(exact.retro.scoreWeights), 0.6) << "a study area of far tails";
                    // The cross product, element by element: at most n terms
                    // below the smallest normal double went, and a sum they
                    // shared with larger terms moved by at most its last bit.
                    const Matrix& Cf = flushed.retro.weightCrossProduct;
                    const Matrix& Cx = exact.retro.weightCrossProduct;
                    const double n = static_cast<double>(Cx.rows() - 1);
                    bool tinyElements = false;
                    for (Eigen::Index j = 0; j < Cx.cols(); ++j)
                        for (Eigen::Index i = 0; i < Cx.rows(); ++i) {
                            ASSERT_LE(std::fabs(Cf(i, j) - Cx(i, j)), 2.0 * n * DBL_MIN + DBL_EPSILON * std::fabs(Cx(i, j)))
                                << i << ", " << j;
                            tinyElements = tinyElements || (Cx(i, j) != 0.0 && Cx(i, j) < 1e-290);
                        }
                    EXPECT_TRUE(tinyElements) << "some sums of the cross product are made of far-tail terms alone";

                    const double pairs[][2] = {{f.df, x.df}, {f.mean, x.mean}, {f.variance, x.variance},
                                               {f.z, x.z},   {f.chi, x.chi},   {f.p, x.p}};
                    for (const auto& v : pairs) {
                        EXPECT_LE(std::fabs(v[0] - v[1]), 1e-14 * std::fabs(v[1])) << v[0] << " vs " << v[1];
                        // Nine decimals: more than any list, report or file shows.
                        EXPECT_EQ(formatMask(v[0], "###0.000000000"), formatMask(v[1], "###0.000000000"));
                    }
                }
    });
}

// Qt's painting as the map does it: polygons, lines and text on an image.
void paintAMap() {
    QImage image(640, 480, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int k = 0; k < 60; ++k) {
        p.setBrush(QColor(k * 4, 255 - k * 4, 128));
        p.drawPolygon(QPolygon({QPoint(10 * k, 5), QPoint(10 * k + 40, 300), QPoint(10 * k + 5, 470)}), Qt::OddEvenFill);
        p.drawLine(0, k * 8, 639, 479 - k * 8);
    }
    p.drawText(20, 20, QStringLiteral("Legend 0.0000"));
}

TEST(UpperVectorState, EveryEngineEntryAfterAPaintStartsClean) {
    if (!CpuState::hasAvx() || !CpuState::canReadStateInUse())
        GTEST_SKIP() << "this processor cannot report the upper vector state (XGETBV 1)";
    paintAMap();
    ::testing::Test::RecordProperty("upper_state_in_use_after_paint", CpuState::upperStateInUse() ? "yes" : "no");
    dirtyUpperState();
    if (!CpuState::upperStateInUse()) GTEST_SKIP() << "this processor does not report the upper state as in use";

    AppState s = farTails(SyntheticArea::Counts::PopulationAndCases);
    CpuState::armEntryProbe(true);
    // Each entry after a paint, and after code that leaves the state in use.
    auto entry = [&](auto&& call) {
        paintAMap();
        dirtyUpperState();
        call();
    };
    entry([&] { cd::CalcScoreWeights(s.area, s.points, s.shared, s.retro); });
    entry([&] { cd::CalcLocalScoreAdjusted(s.area, s.retro); });
    entry([&] { cd::CalcScoreMomentsAdjusted(s.area, s.retro); });
    entry([&] { cd::StandardizeScoreAdjusted(s.retro); });
    entry([&] { cd::CalcMWeights(s.area, s.points, s.shared, s.retro); });
    entry([&] { cd::CalcLocalMPoisson(s.area, s.retro); });
    entry([&] { (void)modPValue::GetNormalPValue(1.96); });
    entry([&] { (void)modPValue::GetChiSquarePValue(3.84, 1.0); });
    double sigma = 1.0;
    entry([&] { (void)modCusum::CalcSpatialWeights(sigma, s.area.regionCount, s.area.centroidTable, s.area.studyArea); });
    const CpuState::EntryProbe probe = CpuState::entryProbe();
    CpuState::armEntryProbe(false);
    EXPECT_GE(probe.entries, 9);
    EXPECT_EQ(probe.dirtyAfterClear, 0) << "an engine entry found the upper vector state in use";
}

// An object whose event handler reads the vector state it was dispatched in.
class StateReader : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() != QEvent::User) return QObject::event(e);
        ++handled;
        dirtyOnEntry = dirtyOnEntry || CpuState::upperStateInUse();
        return true;
    }
    int handled = 0;
    bool dirtyOnEntry = false;
};

TEST(UpperVectorState, EveryDispatchedEventStartsClean) {
    if (!CpuState::hasAvx() || !CpuState::canReadStateInUse())
        GTEST_SKIP() << "this processor cannot report the upper vector state (XGETBV 1)";
    dirtyUpperState();
    if (!CpuState::upperStateInUse()) GTEST_SKIP() << "this processor does not report the upper state as in use";
    StateReader reader;
    for (int k = 0; k < 3; ++k) {
        paintAMap();
        dirtyUpperState();
        QEvent e(QEvent::User);
        QCoreApplication::sendEvent(&reader, &e);
    }
    EXPECT_EQ(reader.handled, 3);
    EXPECT_FALSE(reader.dirtyOnEntry) << "a handler started with the upper vector state in use";
}

}  // namespace
