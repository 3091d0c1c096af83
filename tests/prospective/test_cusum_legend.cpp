// The cusum colour legend of both cusum windows (the map window's, shown by
// the polygon cusum window, and the point cusum window's own), as drawn on
// the screen: every band's caption reads on its fill.
#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <cmath>

#include "map/frmPolygonSHP.h"
#include "map/modDrawPolygon.h"
#include "prospective/frmUnivariateCusumTextfile.h"
#include "tests/prospective/CusumFixture.h"
#include "tests/support/TestPaths.h"

using namespace retro_test;
using namespace cusum_test;

namespace {

// The contrast ratio of two colours on the sRGB scale, from 1 (the same
// luminance) to 21 (black on white).
double luminance(QRgb c) {
    const auto linear = [](int channel) {
        const double v = channel / 255.0;
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(qRed(c)) + 0.7152 * linear(qGreen(c)) + 0.0722 * linear(qBlue(c));
}
double contrast(QRgb a, QRgb b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The strongest contrast any pixel of the label's caption makes with the
// label's fill, as the label paints itself.
double captionContrast(QLabel* label) {
    const QImage shot = label->grab().toImage();
    const QRgb fill = label->palette().color(QPalette::Window).rgb();
    double best = 1.0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) best = std::max(best, contrast(shot.pixel(x, y), fill));
    return best;
}

TEST(CusumLegend, EveryBandsCaptionReadsOnItsFill) {
    Harness h;
    h.openStudyArea(writeRow(scratchDir("cusum_legend"), 2, 1.0, {texts("NAME", {"A1", "A2"})}));
    modDrawPolygon::DrawShapefile(h.ctx);
    frmPolygonSHP* map = h.ctx.find<frmPolygonSHP>();
    ASSERT_NE(map, nullptr);
    auto* points = h.ctx.show<frmUnivariateCusumTextfile>();
    const struct {
        const char* window;
        std::array<QLabel*, 5> labels;
    } legends[] = {{"map window", map->lblLeg}, {"point cusum window", points->lblLeg}};
    for (const auto& legend : legends) {
        for (QLabel* label : legend.labels) {
            SCOPED_TRACE(std::string(legend.window) + " " + label->text().toStdString());
            // The level asked of body text on screens (WCAG AA).
            EXPECT_GE(captionContrast(label), 4.5);
        }
    }
    map->picLegend->grab().save(QString::fromStdString(testOutputPath("map_cusum_legend.png")));
    points->picLegend->grab().save(QString::fromStdString(testOutputPath("point_cusum_legend.png")));
}

}  // namespace
