#include "prospective/frmGraph.h"

#include <QLineEdit>

#include "platform/DbfTable.h"
#include "platform/Format.h"
#include "prospective/CusumChart.h"
#include "prospective/CusumLines.h"
#include "ui/LineChart.h"
#include "ui/WindowParts.h"

namespace {

constexpr int kWidthTwips = 8025;
constexpr int kHeightTwips = 4910;
// Cusum green, h red (BGR).
const std::vector<int> kSeriesColors = {0x00C000, 0x0000FF};

}  // namespace

frmGraph::frmGraph(AppContext& ctx) : ctx_(ctx) {
    setObjectName("frmGraph");
    setWindowTitle("Cusum for individual region for a given period.");
    Text1 = WindowParts::captioned<QLineEdit>(this, "Text1", "Text1", WindowParts::twips(120, 60, 7600, 315));
    Text1->setReadOnly(true);
    MSChart1 = WindowParts::control<LineChart>(this, "MSChart1", WindowParts::twips(0, 420, 7800, 3950));
    MSChart1->setSeriesColors(kSeriesColors);
    Form_Load();
}

void frmGraph::Form_Load() {
    resize(twipsToPixels(kWidthTwips), twipsToPixels(kHeightTwips));
    move(0, twipsToPixels(5055));
}

void ShowRegionChart(AppContext& ctx) {
    AppState& s = ctx.state;
    CusumState& c = s.cusum;
    const auto rows = static_cast<std::int32_t>(c.periodCount);
    const std::int32_t r = s.shared.selectedRegion + 1;
    if (rows < 1 || r < 1 || r >= c.cusumValues.rows() || rows >= c.cusumValues.cols()) return;

    frmGraph* g = ctx.show<frmGraph>();
    LineChart* chart = g->MSChart1;
    c.regionChartData =
        CusumChart::show(chart, rows, c.hValue, rows, [&](Eigen::Index p) { return c.cusumValues(r, p); });

    std::string text = std::to_string(r);
    if (s.area.dbfRecordset) {
        const std::int16_t period = s.shared.currentPeriod;
        const double value = period >= 1 && period < c.cusumValues.cols() ? c.cusumValues(r, period) : 0.0;
        text = CusumLines::regionName(*s.area.dbfRecordset, r, c.primaryIdField, c.secondaryIdField) + " in " +
               std::to_string(period) + ": ---> " + formatMaskDisplay(value, "0.00");
    }
    g->Text1->setText(QString::fromStdString(text));
}
