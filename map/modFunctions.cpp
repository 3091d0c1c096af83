#include "map/modFunctions.h"

#include <QLabel>
#include <QListWidget>
#include <QPalette>
#include <cmath>

#include "context/AppContext.h"
#include "map/frmInfo.h"
#include "platform/DbfTable.h"
#include "platform/Format.h"
#include "platform/Utf8Text.h"
#include "ui/PictureSurface.h"

namespace modFunctions {

namespace {

// Columns are counted in characters, so names in any script keep them.
constexpr std::size_t kNameWidth = 15;
constexpr std::size_t kValueWidth = 16;

// The relative luminance of a colour on the sRGB scale: 0 for black, 1 for white.
double luminance(const QColor& c) {
    const auto linear = [](int channel) {
        const double v = channel / 255.0;
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.red()) + 0.7152 * linear(c.green()) + 0.0722 * linear(c.blue());
}

// Black or white, whichever stands out more against the fill: black on the
// light bands, white on the dark blue one.
QColor textColourOn(const QColor& fill) {
    const double l = luminance(fill);
    const double onBlack = (l + 0.05) / 0.05, onWhite = 1.05 / (l + 0.05);
    return onBlack >= onWhite ? QColor(Qt::black) : QColor(Qt::white);
}

}  // namespace

std::int32_t CusumColor(double v, double h) {
    if (v > h) return 0x0000FF;
    if (v > h / 4 * 3) return 0xC00000;
    if (v > h / 2) return 0xFF8080;
    if (v > h / 4) return 0xFFFF00;
    return 0xFFFFFF;
}

std::int32_t GetCusumColor(const AppState& state, std::int32_t region, std::int16_t period) {
    const Matrix& m = state.cusum.mapCusum;
    if (region < 0 || period < 0 || region >= m.rows() || period >= m.cols()) return 0xFFFFFF;
    return CusumColor(m(region, period), state.cusum.hValue);
}

void SetCusumLegendLabels(const std::array<QLabel*, 5>& lblLeg) {
    for (std::size_t i = 0; i < lblLeg.size(); ++i) {
        QLabel* label = lblLeg[i];
        if (!label) continue;
        const CusumLegendEntry& entry = kCusumLegend[i];
        label->setText(entry.caption);
        label->setAutoFillBackground(true);
        QPalette palette = label->palette();
        const QColor back = entry.systemWindowColor ? label->palette().color(QPalette::Base)
                                                    : bgrToQColor(entry.backColor);
        palette.setColor(QPalette::Window, back);
        palette.setColor(QPalette::WindowText, textColourOn(back));
        label->setPalette(palette);
    }
}

std::string ValueDisplayText(const DbfValue& value) {
    if (value.IsNumber()) return formatGeneralDisplay(value.number);
    return value.ToText();
}

std::vector<std::string> RegionInfoLines(DbfTable& table, std::int32_t selectedRegion) {
    table.MoveFirst();
    if (selectedRegion < 0 || selectedRegion >= table.RecordCount()) return {};
    for (std::int32_t i = 0; i < selectedRegion; ++i) table.MoveNext();

    std::vector<std::string> lines;
    for (int f = 0; f < table.FieldCount(); ++f) {
        std::string line = alignRight(table.Field(f).Name, kNameWidth) + " >";
        const DbfValue value = table.Value(f);
        if (!value.IsNull()) line += alignRight(ValueDisplayText(value), kValueWidth);
        lines.push_back(std::move(line));
    }
    return lines;
}

void ShowRegionInfo(AppContext& ctx) {
    frmInfo* info = ctx.load<frmInfo>();
    info->lstInfo->clear();
    AppState& state = ctx.state;
    if (!state.area.dbfRecordset) return;
    for (const std::string& line : RegionInfoLines(*state.area.dbfRecordset, state.shared.selectedRegion))
        info->lstInfo->addItem(QString::fromStdString(line));
}

}  // namespace modFunctions
