// The costs a user waits for at every click and every class map: the
// identify walks every ring of every region up to the one under the
// pointer, and the legend sorts a copy of the shaded statistic.
#include <cmath>
#include <memory>
#include <vector>

#include "bench/Bench.h"
#include "geometry/CPolygon.h"
#include "map/modLegend.h"
#include "map/modPointInPolygon.h"
#include "stats/AppState.h"

namespace {

constexpr int kRegions = 100000;
constexpr int kRingVertices = 10;  // closed: nine corners and the repeat

std::shared_ptr<CPolygon> region(int i) {
    const double cx = (i % 400) * 10.0, cy = (i / 400) * 10.0;
    auto part = std::make_shared<CPart>();
    for (int k = 0; k < kRingVertices - 1; ++k) {
        const double a = -6.283185307179586 * k / (kRingVertices - 1);  // clockwise
        part->Add(std::make_shared<CPoint>(cx + 4 * std::cos(a), cy + 4 * std::sin(a)));
    }
    part->Add(part->Item(1));
    auto polygon = std::make_shared<CPolygon>();
    polygon->Add(part);
    return polygon;
}

AppState& studyArea() {
    static AppState state = [] {
        AppState s;
        for (int i = 0; i < kRegions; ++i) s.area.polygons.Add(region(i));
        s.area.regionCount = kRegions;
        s.view.transform.mapScaleX = s.view.transform.mapScaleY = 1.0;
        s.view.transform.drawnHeight = 0.0;
        return s;
    }();
    return state;
}

static BenchRegistration identifyLast("identify_last_region", [] {
    AppState& s = studyArea();
    // The last region's centre; pixel y is the negated map y with this transform.
    const double cx = ((kRegions - 1) % 400) * 10.0, cy = ((kRegions - 1) / 400) * 10.0;
    const double secs = medianSeconds(5, [&] {
        float x = static_cast<float>(cx), y = static_cast<float>(-cy);
        modFunctions::IdentifyRegion(s, x, y);
    });
    printFigure("identify_last_region", "N=" + std::to_string(kRegions), secs);
});

static BenchRegistration legend("class_legend", [] {
    // The breaks and labels only: painting needs the GUI, and six boxes
    // with their labels cost nothing beside the sort.
    DoubleArray base(kRegions + 1);
    for (int i = 1; i <= kRegions; ++i) base[i] = std::sin(i * 0.7) * 3.0;
    const double secs = medianSeconds(5, [&] {
        DoubleArray values = base;
        modLegend::ComputeLegendClasses(values, kRegions, 5, modLegend::LegendStatistic::Score, {});
    });
    printFigure("class_legend", "N=" + std::to_string(kRegions), secs);
});

}  // namespace
