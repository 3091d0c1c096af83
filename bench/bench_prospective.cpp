// The cusum on polygon data: the computation of a run (kernel, smoothing,
// recursion and maxima, without the animation's waits) for 3,000 regions
// over 52 periods, one period's map redraw for 3,000 regions, and the export
// of smoothed z-values of 3,000 regions over 52 periods from their table.
#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "bench/Bench.h"
#include "bench/CusumAreas.h"
#include "context/AppContext.h"
#include "map/PolygonMap.h"
#include "map/modArea.h"
#include "platform/DbfTable.h"
#include "platform/TextFile.h"
#include "prospective/CusumFiles.h"
#include "prospective/frmExportDataset.h"
#include "stats/modCusum.h"
#include "ui/Dialogs.h"

namespace {

constexpr int kGridCols = 60, kGridRows = 50;  // 3,000 regions
constexpr int kRegions = 3000;
constexpr int kPeriods = 52;

const BenchRegistration run("cusum-run", [] {
    StudyAreaState area;
    area.regionCount = kRegions;
    area.centroidTable.resize(kRegions + 1);
    const int cols = static_cast<int>(std::ceil(std::sqrt(kRegions)));
    for (int i = 1; i <= kRegions; ++i) {
        const int c = (i - 1) % cols, r = (i - 1) / cols;
        area.centroidTable[static_cast<std::size_t>(i)] = {std::to_string(i), c + 0.1 * std::sin(i), r + 0.1 * std::cos(i)};
    }
    area.studyArea = kRegions;
    const Matrix z = cornerOutbreakZ(kRegions, kPeriods, cols);
    TextArray names(kRegions + 1);
    for (int i = 1; i <= kRegions; ++i) names[static_cast<std::size_t>(i)] = "Region " + std::to_string(i);
    const double secs = medianSeconds(5, [&] {
        SharedState shared;
        shared.sigma = 1.0;
        modCusum::Compute(area, shared, z, kPeriods, 0.5, names);
    });
    printFigure("cusum-run", "N=" + std::to_string(kRegions) + " T=" + std::to_string(kPeriods), secs);
});

const BenchRegistration draw("cusum-period-draw", [] {
    benchApplication();
    installDialogs(std::make_shared<ScriptedDialogs>());
    const std::string folder = scratchFolder("cusum-period-draw").string();
    const int n = kGridCols * kGridRows;
    {
        AppContext ctx;
        QMainWindow frame;
        frame.resize(1500, 1000);
        auto* area = new QMdiArea(&frame);
        frame.setCentralWidget(area);
        frame.show();
        ctx.mainFrameLoader = [area] { return area; };
        AppState& s = ctx.state;
        s.area.shpPath = writeSquareGrid(folder, kGridCols, kGridRows);
        s.area.regionCount = n;
        s.view.mapExtent = MapRect{0.0, double(kGridRows), double(kGridCols), double(kGridRows)};
        s.view.mapZoom = 1.0;
        s.cusum.hValue = 4.0;
        s.cusum.cusumColoring = true;
        s.cusum.mapCusum = Matrix::Zero(n + 1, 2);
        for (int i = 1; i <= n; ++i) s.cusum.mapCusum(i, 1) = (i % 11) * 0.5;
        PolygonMap::drawPlainMap(ctx);
        const double secs = medianSeconds(9, [&] { PolygonMap::drawCusumPeriod(ctx, 1); });
        printFigure("cusum-period-draw", "N=" + std::to_string(n), secs);
        PolygonMap::close(ctx);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ctx.mainFrameLoader = nullptr;
    }
    std::filesystem::remove_all(folder);
});

const BenchRegistration exportRun("export", [] {
    const std::string folder = scratchFolder("export").string();
    {
        StudyAreaState area;
        area.regionCount = kRegions;
        area.centroidTable.resize(kRegions + 1);
        const int cols = static_cast<int>(std::ceil(std::sqrt(kRegions)));
        for (int i = 1; i <= kRegions; ++i) {
            const int c = (i - 1) % cols, r = (i - 1) / cols;
            area.centroidTable[static_cast<std::size_t>(i)] = {std::to_string(i), double(c), double(r)};
        }
        area.studyArea = kRegions;
        area.dbfRecordset = DbfTable::Open(writeCountTable(folder, kRegions, kPeriods));
        const std::string out = folder + "/export.txt";
        // What Export does after its checks of the dialog: read and check
        // every field, the kernel, the smoothing, the formatting and the file.
        const double secs = medianSeconds(5, [&] {
            const Matrix zs =
                frmExportDataset::Compute(area, 0, kPeriods, kPeriods, 1.0, modCusum::ZTransform::Poisson);
            writeTextFileLines(out, PeriodMatrixFile::Lines(zs, kRegions, kPeriods));
        });
        printFigure("export", "N=" + std::to_string(kRegions) + " T=" + std::to_string(kPeriods), secs);
    }
    std::filesystem::remove_all(folder);
});

}  // namespace
