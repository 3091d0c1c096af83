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
#include <algorithm>
#include <atomic>
#include <cctype>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/CpuState.h"
#include "platform/Format.h"
#include "stats/CusumThreshold.h"
#include "stats/KernelProducts.h"
#include "stats/ParallelFor.h"
#include "stats/ScoreMomentRoute.h"
#include "stats/modClusterDetection.h"
#include "stats/modCusum.h"
#include "stats/modFunctions.h"
#include "stats/modPValue.h"
#include "tests/platform/DirtyUpperState.h"
#include "tests/stats/SyntheticArea.h"
#include "tests/support/TestPaths.h"

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

// What the engine's routines are called with: a small study area whose
// score and M statistics, cusum and hull the routines below compute in turn.
struct EngineInputs {
    AppState s;
    Matrix A;  // a moment matrix (N x N), for the routines that take one
    Matrix B;  // the buffer momentTraces forms its product in
    Matrix W;  // the cusum kernel
    Matrix z, observed, expected, smoothed;
    TextArray names;
    modCusum::CusumRun run;
    static constexpr std::int32_t kPeriods = 4;

    EngineInputs() {
        SyntheticArea::Options o;
        o.n = 60;
        o.seed = 5;
        s = SyntheticArea::make(o);
        const std::int32_t n = s.area.regionCount;
        z = observed = expected = Matrix::Zero(n + 1, kPeriods + 1);
        for (std::int32_t i = 1; i <= n; ++i)
            for (std::int32_t t = 1; t <= kPeriods; ++t) {
                expected(i, t) = 2.0 + i % 3;
                observed(i, t) = static_cast<double>((i * 7 + t * 3) % 6);
                z(i, t) = (observed(i, t) - expected(i, t)) / std::sqrt(expected(i, t));
            }
        names.assign(static_cast<std::size_t>(n) + 1, "");
        for (std::int32_t i = 1; i <= n; ++i) names[static_cast<std::size_t>(i)] = "R" + std::to_string(i);
        s.points.devicePoints = {{-1, -1}, {0, 0}, {40, 0}, {40, 30}, {0, 30}, {20, 10}};
        s.points.pointCount = 5;
        s.points.pointScaleX = s.points.pointScaleY = 2.0;
    }
    Eigen::Index n() const { return s.area.regionCount; }
};

// Every public routine of the engine that computes, called as the windows
// call it. A routine the engine gains goes here, or among the helpers
// below that compute nothing a window waits for; the check of the headers
// finds one that is in neither.
struct EngineEntry {
    const char* name;
    std::function<void(EngineInputs&)> call;
    // What the call needs made first, if anything, outside the engine.
    std::function<void(EngineInputs&)> before = {};
};

const std::vector<EngineEntry>& engineEntries() {
    using E = EngineInputs;
    static const std::vector<EngineEntry> all = {
        {"modClusterDetection::CalcScoreWeights",
         [](E& e) { cd::CalcScoreWeights(e.s.area, e.s.points, e.s.shared, e.s.retro); }},
        {"modClusterDetection::CalcLocalScoreUnadjusted", [](E& e) { cd::CalcLocalScoreUnadjusted(e.s.area, e.s.retro); }},
        {"modClusterDetection::CalcLocalScoreAdjusted", [](E& e) { cd::CalcLocalScoreAdjusted(e.s.area, e.s.retro); }},
        {"modClusterDetection::CalcScoreMomentsUnadjusted",
         [](E& e) { cd::CalcScoreMomentsUnadjusted(e.s.area, e.s.retro); }},
        {"modClusterDetection::CalcScoreMomentsAdjusted", [](E& e) { cd::CalcScoreMomentsAdjusted(e.s.area, e.s.retro); }},
        {"modClusterDetection::CalcScoreMoments", [](E& e) { cd::CalcScoreMoments(e.s.area, e.s.retro, e.A); },
         [](E& e) {
             e.A = cd::MomentMatrixUnadjusted(e.s.retro);
             e.B = Matrix::Zero(e.n(), e.n());
         }},
        {"modClusterDetection::StandardizeScoreUnadjusted", [](E& e) { cd::StandardizeScoreUnadjusted(e.s.retro); }},
        {"modClusterDetection::StandardizeScoreAdjusted", [](E& e) { cd::StandardizeScoreAdjusted(e.s.retro); }},
        {"modClusterDetection::CalcMWeights",
         [](E& e) { cd::CalcMWeights(e.s.area, e.s.points, e.s.shared, e.s.retro); }},
        {"modClusterDetection::CalcLocalMPoisson", [](E& e) { cd::CalcLocalMPoisson(e.s.area, e.s.retro); }},
        {"modClusterDetection::CalcLocalMFreemanTukey", [](E& e) { cd::CalcLocalMFreemanTukey(e.s.area, e.s.retro); }},
        {"modClusterDetection::CalcLocalMRossi", [](E& e) { cd::CalcLocalMRossi(e.s.area, e.s.retro); }},
        {"modClusterDetection::GetMaxLocalM", [](E& e) { (void)cd::GetMaxLocalM(e.s.area, e.s.retro); }},
        {"modClusterDetection::GetMCritical", [](E& e) { (void)cd::GetMCritical(e.s.area, e.s.shared, e.s.retro); }},
        {"modClusterDetection::GetChiSquareCritical", [](E&) { (void)cd::GetChiSquareCritical(0.05, 12.0); }},
        {"modPValue::GetNormalPValue", [](E&) { (void)modPValue::GetNormalPValue(1.96); }},
        {"modPValue::GetChiSquarePValue", [](E&) { (void)modPValue::GetChiSquarePValue(3.84, 1.0); }},
        {"modPValue::ChiSquareDeviate", [](E&) { (void)modPValue::ChiSquareDeviate(3.84, 1.0); }},
        {"KernelProducts::crossProduct",
         [](E& e) {
             const Matrix& W = e.s.retro.scoreWeights;
             Matrix& C = e.s.retro.weightCrossProduct;
             KernelProducts::crossProduct(W.data() + W.outerStride() + 1, W.outerStride(),
                                          C.data() + C.outerStride() + 1, C.outerStride(), e.n());
         }},
        {"KernelProducts::momentTraces",
         [](E& e) {
             (void)KernelProducts::momentTraces(e.A.data(), e.A.outerStride(), e.s.retro.expectedShare.data() + 1, e.n(),
                                                e.B.data(), e.B.outerStride());
         }},
        {"KernelProducts::cubeTrace", [](E& e) { (void)KernelProducts::cubeTrace(e.A.data(), e.A.outerStride(), e.n()); }},
        {"modCusum::CalcSpatialWeights",
         [](E& e) {
             double sigma = 1.0;
             e.W = modCusum::CalcSpatialWeights(sigma, e.s.area.regionCount, e.s.area.centroidTable, e.s.area.studyArea);
         }},
        {"modCusum::Smooth", [](E& e) { e.smoothed = modCusum::Smooth(e.W, e.z, E::kPeriods); }},
        {"modCusum::Recursion",
         [](E& e) { e.run = modCusum::Recursion(e.smoothed, e.s.area.regionCount, E::kPeriods, 0.5, {}, e.names); }},
        {"modCusum::SignalledRegions", [](E& e) { (void)modCusum::SignalledRegions(e.run.cusum, 2, 1.0); }},
        {"modCusum::Compute",
         [](E& e) { (void)modCusum::Compute(e.s.area, e.s.shared, e.z, E::kPeriods, 0.5, e.names); }},
        {"modCusum::SmoothedZValues",
         [](E& e) {
             (void)modCusum::SmoothedZValues(e.W, e.observed, e.expected, e.s.area.regionCount, E::kPeriods,
                                             modCusum::ZTransform::Poisson);
         }},
        {"modFunctions::ComputeConvexHull", [](E& e) { (void)modFunctions::ComputeConvexHull(e.s.points); }},
        {"modFunctions::ConvexHullArea", [](E& e) { (void)modFunctions::ConvexHullArea(e.s.points); }},
        {"cusumThreshold::multiplier",
         [](E&) { (void)cusumThreshold::multiplier(cusumThreshold::Variant::SpatialAutocorrelation, 60.0, 1.0); }},
        {"cusumThreshold::hForARL", [](E&) { (void)cusumThreshold::hForARL(0.5, 100.0, 60.0); }},
    };
    return all;
}

// The functions of the engine's headers that compute nothing a window waits
// for, each with why it does not enter.
const std::vector<std::pair<std::string, const char*>>& notEngineEntries() {
    static const std::vector<std::pair<std::string, const char*>> all = {
        {"retroResultsCurrent", "compares two generation numbers"},
        {"cusumThreshold::isThreshold", "one comparison"},
        {"EngineBuffers::take", "the engine's buffers"},
        {"EngineBuffers::giveBack", "the engine's buffers"},
        {"EngineBuffers::releaseAll", "the engine's buffers"},
        {"EngineBuffers::keptCount", "the engine's buffers"},
        {"KernelMemory::Require", "a size check before an allocation"},
        {"KernelProducts::available", "the choice of build"},
        {"KernelProducts::force", "the choice of build"},
        {"KernelProducts::useFastest", "the choice of build"},
        {"KernelProducts::current", "the choice of build"},
        {"KernelProducts::name", "the choice of build"},
        {"KernelProducts::implementationName", "the choice of build"},
        {"KernelProducts::setGenericOnly", "the choice of build"},
        {"KernelProducts::setFlushDenormals", "a setting"},
        {"KernelProducts::flushDenormals", "a setting"},
        {"KernelProducts::recordBlockModes", "a record for the tests"},
        {"KernelProducts::blockModes", "a record for the tests"},
        {"KernelProducts::detail::flushing", "inside the products, after their entry"},
        {"KernelProducts::detail::noteBlock", "inside the products, after their entry"},
        {"ParallelFor::workers", "the threads of the routines, after their entry"},
        {"ParallelFor::run", "the threads of the routines, after their entry"},
        {"ParallelFor::runFlushed", "the threads of the routines, after their entry"},
        {"ParallelFor::forEach", "the threads of the routines, after their entry"},
        {"ParallelFor::forEachWorker", "the threads of the routines, after their entry"},
        {"ParallelFor::forEachWorkerFlushed", "the threads of the routines, after their entry"},
        {"ScoreMomentRoute::last", "a record for the tests"},
        {"ScoreMomentRoute::forceDirect", "a switch for the tests"},
        {"modClusterDetection::ScoreWeightsUnadjusted", "built for the tests of the literal computation only"},
        {"modClusterDetection::ScoreWeightsAdjusted", "built for the tests of the literal computation only"},
        {"modClusterDetection::MomentMatrixUnadjusted", "built for the tests of the literal computation only"},
        {"modClusterDetection::MomentMatrixAdjusted", "built for the tests of the literal computation only"},
        {"modCusum::Signals", "one comparison"},
        {"modCusum::CheckStudyArea", "checks the inputs of a run, before its routines enter"},
        {"modCusum::ZValue", "one value; SmoothedZValues computes them all"},
        {"modFunctions::WrapConvexHull", "a step of ConvexHullArea, after its entry"},
        {"modFunctions::Theta", "a step of ConvexHullArea, after its entry"},
        {"modFunctions::CommitConvexHull", "moves a computed hull into place"},
        {"modFunctions::SpanAnArea", "checks the points of a run, before its routines enter"},
        {"modSorting::ShellSortInteger", "sorting, also for the legend"},
        {"modSorting::ShellSortDouble", "sorting, also for the legend"},
        {"modSorting::ShellSortByValue", "sorting, also for the legend"},
    };
    return all;
}

// The functions the engine's headers declare at namespace scope, qualified
// by their namespaces, as these headers are laid out: namespaces are not
// indented, so a declaration outside a class starts in the first column.
// Macros (all capitals) are left out.
std::string trimmed(const std::string& text) {
    const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    const auto from = std::find_if_not(text.begin(), text.end(), blank);
    const auto to = std::find_if_not(text.rbegin(), text.rend(), blank).base();
    return from < to ? std::string(from, to) : std::string();
}

bool isWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }

std::string firstWord(const std::string& text) {
    std::size_t end = 0;
    while (end < text.size() && isWordChar(text[end])) ++end;
    return text.substr(0, end);
}

// The name of the namespace that `code` opens ("" without a name), or
// nothing when it opens none.
std::optional<std::string> namespaceOpened(std::string code) {
    if (firstWord(code) == "inline") code = trimmed(code.substr(6));
    if (firstWord(code) != "namespace" || code.back() != '{') return std::nullopt;
    return trimmed(code.substr(9, code.size() - 10));
}

// The name of the function that `code` declares or defines, or "".
std::string functionDeclared(std::string code) {
    if (firstWord(code) == "template") {
        const std::size_t close = code.find('>');
        if (close == std::string::npos) return "";
        code = trimmed(code.substr(close + 1));
    }
    static const std::set<std::string> notAFunction = {"using", "typedef", "struct", "class", "enum",
                                                       "union", "static_assert", "friend"};
    const std::size_t paren = code.find('('), equals = code.find('=');
    if (notAFunction.count(firstWord(code)) || paren == std::string::npos || equals < paren) return "";
    const std::string head = trimmed(code.substr(0, paren));
    std::size_t begin = head.size();
    while (begin > 0 && isWordChar(head[begin - 1])) --begin;
    const std::string name = head.substr(begin);
    const bool macro = std::none_of(name.begin(), name.end(), [](char c) { return std::islower(c); });
    return macro || std::isdigit(static_cast<unsigned char>(name[0])) ? "" : name;
}

std::set<std::string> declaredEngineFunctions() {
    std::set<std::string> names;
    for (const auto& file : std::filesystem::directory_iterator(sourcePath("stats"))) {
        if (file.path().extension() != ".h") continue;
        std::ifstream in(file.path());
        // The namespaces open at this line ("" for one without a name),
        // and every block open: true for a namespace.
        std::vector<std::string> open;
        std::vector<bool> blocks;
        for (std::string line; std::getline(in, line);) {
            if (line.empty() || std::isspace(static_cast<unsigned char>(line[0])) || line[0] == '#') continue;
            const std::string code = trimmed(line.substr(0, line.find("//")));
            if (code.empty()) continue;
            if (code[0] == '}') {
                if (!blocks.empty()) {
                    if (blocks.back()) open.pop_back();
                    blocks.pop_back();
                }
                continue;
            }
            if (const std::optional<std::string> ns = namespaceOpened(code)) {
                open.push_back(*ns);
                blocks.push_back(true);
                continue;
            }
            const bool inOtherBlock = std::find(blocks.begin(), blocks.end(), false) != blocks.end();
            const std::string name = inOtherBlock ? "" : functionDeclared(code);
            if (!name.empty()) {
                std::string qualified;
                for (const std::string& ns : open)
                    if (!ns.empty()) qualified += ns + "::";
                names.insert(qualified + name);
            }
            if (code.back() == '{') blocks.push_back(false);
        }
    }
    return names;
}

TEST(UpperVectorState, EveryEngineEntryAfterAPaintStartsClean) {
    // Where the processor can say, each routine must also find the state
    // clean after its entry; everywhere, each must enter before any other.
    const bool readable = CpuState::hasAvx() && CpuState::canReadStateInUse();
    paintAMap();
    ::testing::Test::RecordProperty("upper_state_in_use_after_paint", CpuState::upperStateInUse() ? "yes" : "no");
    dirtyUpperState();
    const bool shown = readable && CpuState::upperStateInUse();
    ::testing::Test::RecordProperty("upper_state_checked", shown ? "yes" : "no");

    EngineInputs inputs;
    std::int64_t entries = 0;
    for (const EngineEntry& entry : engineEntries()) {
        SCOPED_TRACE(entry.name);
        if (entry.before) entry.before(inputs);
        // After a paint, and after code that leaves the state in use.
        paintAMap();
        dirtyUpperState();
        CpuState::armEntryProbe(true);
        entry.call(inputs);
        const CpuState::EntryProbe probe = CpuState::entryProbe();
        CpuState::armEntryProbe(false);
        entries += probe.entries;
        const std::string first = probe.first;
        EXPECT_TRUE(first.find(std::string(entry.name) + "(") != std::string::npos)
            << "the routine did not enter the engine first; the first entry was " << (first.empty() ? "none" : first);
        if (shown) {
            EXPECT_EQ(probe.dirtyAfterClear, 0) << "an engine entry found the upper vector state in use";
        }
    }
    EXPECT_GE(entries, static_cast<std::int64_t>(engineEntries().size()));
}

TEST(UpperVectorState, TheEntryTableHoldsEveryRoutineTheEngineDeclares) {
    const std::set<std::string> declared = declaredEngineFunctions();
    std::set<std::string> listed;
    for (const EngineEntry& e : engineEntries()) EXPECT_TRUE(listed.insert(e.name).second) << "twice: " << e.name;
    for (const auto& [name, why] : notEngineEntries()) EXPECT_TRUE(listed.insert(name).second) << "twice: " << name;
    for (const std::string& name : declared)
        EXPECT_TRUE(listed.count(name)) << name << " is declared by the engine but neither called as an entry nor "
                                           "named as a helper that computes nothing a window waits for";
    for (const std::string& name : listed) EXPECT_TRUE(declared.count(name)) << name << " is no longer declared";
    EXPECT_GT(declared.size(), 50u);
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
