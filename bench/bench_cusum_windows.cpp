// The windows whose charts and maps change at every period or bandwidth,
// driven through their real handlers at Fast speed with the program's own
// event pump (real time): the polygon cusum window's Run on a period matrix
// file with the map drawn at every period, and the point cusum window's Run,
// each in a process of its own so that its peak memory is its own, at 52,
// 520, 5,000 and the most (32,767) periods, whose period-seconds show that a
// period costs the same however many were shown before it; one chart
// of the map's Graph tool after a 520-period run; and the statistics plot of
// a range of 3,001 bandwidths.
#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "app/MDIFrmMain.h"
#include "bench/Bench.h"
#include "bench/CusumAreas.h"
#include "context/AppContext.h"
#include "platform/TextFile.h"
#include "prospective/CusumFiles.h"
#include "prospective/frmSelectName.h"
#include "prospective/frmUnivariate.h"
#include "prospective/frmUnivariateCusumTextfile.h"
#include "retrospective/frmSigmaChart.h"
#include "ui/Dialogs.h"
#include "ui/EventPump.h"
#include "ui/LineChart.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kChild = "KORVANE_BENCH_CUSUM_WINDOW_CHILD";

double secondsOf(const std::function<void()>& fn) {
    const auto t0 = std::chrono::steady_clock::now();
    fn();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

std::string sizes(int n, int t) { return "N=" + std::to_string(n) + " T=" + std::to_string(t); }

// A period file of n regions or points over t periods, `cols` of them to a
// row of the grid that places the rising patch.
std::string writePeriods(const std::string& path, int n, int t, int cols) {
    writeTextFileLines(path, PeriodMatrixFile::Lines(cornerOutbreakZ(n, t, cols), n, t));
    return path;
}

// The program around a window: the main frame, scripted dialogs, the
// program's own event pump and a scratch folder.
struct Program {
    explicit Program(const std::string& name) : folder(scratchFolder(name).string()) {
        benchApplication();
        dialogs = std::make_shared<ScriptedDialogs>();
        installDialogs(dialogs);
        installEventPump(std::make_shared<QtEventPump>());
        frame = installMainFrame(ctx);
        frame->resize(1600, 1000);
    }
    ~Program() {
        QApplication::setQuitOnLastWindowClosed(false);
        if (MDIFrmMain* f = ctx.find<MDIFrmMain>()) f->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ctx.mainFrameLoader = nullptr;
        fs::remove_all(folder);
    }
    std::string folder;
    AppContext ctx;
    std::shared_ptr<ScriptedDialogs> dialogs;
    MDIFrmMain* frame = nullptr;
};

// The polygon cusum window on a grid of n regions, opened through the
// frame's prospective entry and the name dialog, set to read a period
// matrix file of t periods at Fast speed.
struct CusumWindow : Program {
    CusumWindow(int cols, int rows, int t) : Program("cusum-window"), n(cols * rows), periods(t) {
        dialogs->queueFile(writeSquareGrid(folder, cols, rows));
        frame->mnuOpenShapePro_Click();
        frmSelectName* names = ctx.find<frmSelectName>();
        names->pickField(names->cmbName1, "NAME");
        names->cmdOK_Click();
        window = ctx.find<frmUnivariate>();
        window->selectExistingTextfile();
        window->selectSpeed(window->optFast);
        periodFile = writePeriods(folder + "/periods.txt", n, t, cols);
    }
    void run() {
        dialogs->queueFile(periodFile);
        window->cmdCalc_Click();
    }
    int n, periods;
    frmUnivariate* window = nullptr;
    std::string periodFile;
};

// The point cusum window with n points and t periods, at Fast speed.
struct PointCusumWindow : Program {
    PointCusumWindow(int points, int t) : Program("point-cusum-window"), n(points), periods(t) {
        std::vector<std::string> coords;
        for (int i = 1; i <= n; ++i)
            coords.push_back("P" + std::to_string(i) + "," + std::to_string(std::fmod(i * 0.6180339887, 1.0) * 1000.0) +
                             "," + std::to_string(std::fmod(i * 0.7548776662, 1.0) * 1000.0));
        writeTextFileLines(folder + "/points.txt", coords);
        window = ctx.show<frmUnivariateCusumTextfile>();
        dialogs->queueFile(folder + "/points.txt");
        window->cmdFileOpenIDXY_Click();
        dialogs->queueFile(writePeriods(folder + "/z.txt", n, t, static_cast<int>(std::ceil(std::sqrt(n)))));
        window->cmdNewZScore_Click();
        window->optFast->setChecked(true);
    }
    void run() { window->cmdRun_Click(); }
    int n, periods;
    frmUnivariateCusumTextfile* window = nullptr;
};

// The child measures one Run on a fresh program and prints its figure with
// its own peak; the parent starts one child per size.
void measureRun(const std::string& name, const std::function<double(int, int)>& runOnce,
                const std::vector<std::pair<int, int>>& runs) {
    if (const char* child = std::getenv(kChild)) {
        int n = 0, t = 0;
        if (std::sscanf(child, "%d %d", &n, &t) != 2) std::exit(2);
        const double seconds = runOnce(n, t);
        char more[96];
        std::snprintf(more, sizeof more, "mb=%.1f period-seconds=%.5f", ownPeakMb(), seconds / t);
        printFigure(name, sizes(n, t), seconds, more);
        return;
    }
    for (const auto& [n, t] : runs)
        if (!runInChild(name, kChild, std::to_string(n) + " " + std::to_string(t)))
            throw std::runtime_error("no figure for " + sizes(n, t));
}

const BenchRegistration cusumWindowRun("cusum-window-run", [] {
    measureRun(
        "cusum-window-run",
        [](int n, int t) {
            // 140 regions as 14 x 10, 3,000 as 60 x 50.
            const int cols = n == 3000 ? 60 : 14;
            CusumWindow w(cols, n / cols, t);
            return secondsOf([&] { w.run(); });
        },
        {{140, 52}, {140, 520}, {140, 5000}, {140, 32767}, {3000, 52}});
});

const BenchRegistration pointCusumWindowRun("point-cusum-window-run", [] {
    measureRun(
        "point-cusum-window-run",
        [](int n, int t) {
            PointCusumWindow w(n, t);
            return secondsOf([&] { w.run(); });
        },
        {{1000, 52}, {1000, 520}, {1000, 5000}, {140, 32767}});
});

// What follows a click of the Graph tool once its region has blinked: the
// region chart of the 520 periods, built and painted.
const BenchRegistration regionChart("region-chart", [] {
    constexpr int kPeriods = 520;
    CusumWindow w(14, 10, kPeriods);
    w.run();
    int region = 0;
    const double secs = medianSeconds(5, [&] {
        w.ctx.state.shared.selectedRegion = region;
        emit w.ctx.mapHub().regionCharted(region);
        region = (region + 1) % w.n;
        QCoreApplication::processEvents();
    });
    printFigure("region-chart", "T=" + std::to_string(kPeriods), secs);
});

// The statistics plot of a range run of 3,001 bandwidths: the polygon
// cluster window's chart handed made-up values of that many bandwidths and
// their labels in one call, the way a range run hands its own over, and
// painted. The run's computation is left out.
const BenchRegistration rangePlot("range-plot", [] {
    constexpr int kBandwidths = 3001;
    Program p("range-plot");
    frmSigmaChart* plot = p.ctx.show<frmSigmaChart>();
    Matrix data(kBandwidths, 2);
    QStringList labels;
    for (int k = 0; k < kBandwidths; ++k) {
        data(k, 0) = 100.0 + 40.0 * std::sin(k * 0.01);
        data(k, 1) = 12.5 + 0.001 * k;
        labels << QString::number(0.001 * (k + 1), 'f', 3);
    }
    int shift = 0;
    const double secs = medianSeconds(5, [&] {
        data(0, 0) = ++shift;  // a new run's values
        plot->chartPlotStatistics->setChartType(LineChart::kLineChart2D);
        plot->chartPlotStatistics->setChartData(data, labels);
        QCoreApplication::processEvents();
    });
    printFigure("range-plot", "K=" + std::to_string(kBandwidths), secs);
});

}  // namespace
