// A cluster run that runs out of memory, at any allocation of the run and
// small ones too, in both cluster windows, for one bandwidth and for a
// range: the run refuses with its own out-of-memory message, the busy
// pointer goes, and the window keeps showing what it showed.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <cstddef>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Format.h"
#include "retrospective/ClusterRun.h"
#include "retrospective/frmClusterDetection.h"
#include "retrospective/frmClusterDetectionTextfile.h"
#include "retrospective/frmSelectDataFormat.h"
#include "tests/retrospective/RetroFixture.h"
#include "tests/support/AllocationLimit.h"
#include "tests/support/RealClick.h"
#include "tests/support/TestPaths.h"

using namespace retro_test;

namespace {

constexpr std::size_t kKB = 1024;

// Points spread over a field, with more cases near the origin.
std::string writePoints(const std::string& path, int n) {
    std::ofstream out(path, std::ios::binary);
    for (int k = 1; k <= n; ++k) {
        const double x = (k * 37) % 101 + 0.001 * k, y = (k * 59) % 89;
        const double pop = 500 + 40 * (k % 7);
        const int cases = static_cast<int>(pop / 100) + ((x < 30 && y < 30) ? 6 : 0) + (k % 2);
        out << "P" << k << "," << formatGeneral(x) << "," << formatGeneral(y) << "," << formatGeneral(pop) << ","
            << cases << "\r\n";
    }
    return path;
}

// One of the two cluster windows on data of `n` regions or points, driven
// through its own controls.
struct Window {
    virtual ~Window() = default;
    virtual ClusterOptions& options() = 0;
    virtual QPushButton* run() = 0;
    virtual QPushButton* save() = 0;
};

struct PolygonWindow : Window {
    PolygonWindow(Harness& h, const std::string& dir, int n) {
        int cols = 1;
        while (cols * cols < n) ++cols;
        const int rows = (n + cols - 1) / cols;
        h.openStudyArea(writeGrid(dir, "grid", cols, rows, clusteredCounts(cols * rows)));
        h.inputPopCase("POP", "CASES", "NAME");
        w = h.ctx.find<frmClusterDetection>();
    }
    ClusterOptions& options() override { return *w; }
    QPushButton* run() override { return w->cmdRun; }
    QPushButton* save() override { return w->cmdSave; }
    frmClusterDetection* w = nullptr;
};

struct PointWindow : Window {
    PointWindow(Harness& h, const std::string& dir, int n) {
        w = h.ctx.show<frmClusterDetectionTextfile>();
        h.ctx.state.shared.pointDataMode = true;
        h.ctx.state.shared.polygonDataMode = false;
        w->cmdLoadData_Click();
        auto* d = h.ctx.find<frmSelectDataFormat>();
        h.dlg->queueFile(writePoints(dir + "/points.txt", n));
        d->cmdContinue_Click();
    }
    ClusterOptions& options() override { return *w; }
    QPushButton* run() override { return w->cmdRun; }
    QPushButton* save() override { return w->cmdSave; }
    frmClusterDetectionTextfile* w = nullptr;
};

void chooseSingle(ClusterOptions& o, const char* sigma) {
    o.selectTest(ClusterTest::FreemanTukey);
    o.selectSingleSigma();
    o.txtSingleSigma->setText(sigma);
}

void chooseRange(ClusterOptions& o, const char* from, const char* to, const char* step) {
    o.selectTest(ClusterTest::FreemanTukey);
    o.selectSigmaRange();
    o.txtFromSigma->setText(from);
    o.txtToSigma->setText(to);
    o.txtStep->setText(step);
}

}  // namespace

TEST(ClusterRunMemory, EveryAllocationOfARunFailsIntoItsOwnRefusal) {
    // The data are as large as it takes for the limit to meet an allocation
    // of the run: the copies of the centroids for one bandwidth (48 bytes a
    // region), the tables and lines of 32767 bandwidths for a range. The
    // smaller sets are first run without a limit, so that the refused run
    // has a result on show to leave.
    const struct {
        const char* name;
        bool points;
        bool range;
        std::size_t limit;
        int n;
        bool runBefore;
    } cases[] = {
        {"polygons, one bandwidth, 4 KB", false, false, 4 * kKB, 100, true},
        {"polygons, one bandwidth, 64 KB", false, false, 64 * kKB, 1400, false},
        {"polygons, one bandwidth, 1 MB", false, false, 1024 * kKB, 22000, false},
        {"polygons, a range, 4 KB", false, true, 4 * kKB, 12, true},
        {"polygons, a range, 64 KB", false, true, 64 * kKB, 12, true},
        {"polygons, a range, 1 MB", false, true, 1024 * kKB, 12, true},
        {"points, one bandwidth, 4 KB", true, false, 4 * kKB, 100, true},
        {"points, one bandwidth, 64 KB", true, false, 64 * kKB, 1400, false},
        {"points, one bandwidth, 1 MB", true, false, 1024 * kKB, 22000, false},
        {"points, a range, 4 KB", true, true, 4 * kKB, 12, true},
        {"points, a range, 64 KB", true, true, 64 * kKB, 12, true},
        {"points, a range, 1 MB", true, true, 1024 * kKB, 12, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string dir = scratchDir("cluster-memory");
        Harness h;
        std::unique_ptr<Window> win;
        if (c.points)
            win = std::make_unique<PointWindow>(h, dir, c.n);
        else
            win = std::make_unique<PolygonWindow>(h, dir, c.n);
        ClusterOptions& o = win->options();
        ASSERT_GE(c.points ? h.ctx.state.points.pointCount : h.ctx.state.area.regionCount, c.n);
        ASSERT_TRUE(win->run()->isEnabled());
        if (c.runBefore) {
            if (c.range)
                chooseRange(o, "0.2", "1", "0.4");
            else
                chooseSingle(o, "1");
            realClick(win->run());
            ASSERT_TRUE(h.messageTexts().empty()) << h.messageTexts()[0];
            ASSERT_TRUE(win->save()->isEnabled());
        }
        // 32767 bandwidths, the most a range can number; the options stay.
        if (c.range) {
            if (!c.runBefore) chooseRange(o, "0.2", "1", "0.4");
            o.txtFromSigma->setText("0.0001");
            o.txtToSigma->setText("3.2767");
            o.txtStep->setText("0.0001");
        } else {
            if (!c.runBefore) chooseSingle(o, "1");
            o.txtSingleSigma->setText("0.5");
        }
        const std::vector<std::string> global = o.globalLines(), local = o.localLines();
        const bool saveOn = win->save()->isEnabled();
        const double sigma = h.ctx.state.shared.sigma;
        const RetroValues results = h.ctx.state.retro;
        h.clearMessages();
        std::vector<int> pointer;
        h.ctx.frame().install([&](int p) { pointer.push_back(p); }, {}, {});
        {
            const AllocationLimit limit(c.limit);
            realClick(win->run());
        }
        h.ctx.frame().uninstall();
        EXPECT_EQ(h.messageTexts(), std::vector<std::string>{ClusterRun::kOutOfMemoryText});
        ASSERT_FALSE(pointer.empty());
        EXPECT_EQ(pointer.front(), 13);
        EXPECT_NE(pointer.back(), 13) << "the busy pointer stays on";
        EXPECT_EQ(o.globalLines(), global);
        EXPECT_EQ(o.localLines(), local);
        EXPECT_EQ(win->save()->isEnabled(), saveOn);
        EXPECT_EQ(h.ctx.state.shared.sigma, sigma);
        EXPECT_EQ(h.ctx.state.retro.localM, results.localM);
        EXPECT_EQ(h.ctx.state.retro.rangeSigmas, results.rangeSigmas);
        EXPECT_EQ(h.ctx.state.retro.bandwidthCount, results.bandwidthCount);
    }
}
