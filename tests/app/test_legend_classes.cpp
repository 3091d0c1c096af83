// The class legend of the polygon map: breaks, labels and colours of the
// six classes, the legend rows on the window surface, and the cusum bands.

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "map/frmPolygonSHP.h"
#include "map/modDrawPolygon.h"
#include "map/modFunctions.h"
#include "map/modLegend.h"
#include "platform/Format.h"
#include "retrospective/ClusterLines.h"
#include "retrospective/frmClusterDetection.h"
#include "stats/AppState.h"
#include "tests/app/FrameFixture.h"
#include "tests/support/CaseNames.h"
#include "tests/support/TestPaths.h"
#include "ui/PictureSurface.h"

using modLegend::LegendStatistic;

namespace {

constexpr std::int32_t kBlue = 0xFF0000, kLightBlue = 0xFF8080, kPaleBlue = 0xFFC0C0, kPaleRed = 0xC0C0FF,
                       kLightRed = 0x8080FF, kRed = 0x0000FF;
constexpr std::int32_t kClassColor[7] = {0, kBlue, kLightBlue, kPaleBlue, kPaleRed, kLightRed, kRed};

// A region array 0..N from the values of regions 1..N.
DoubleArray regions(const std::vector<double>& v) {
    DoubleArray a(1, 0.0);
    a.insert(a.end(), v.begin(), v.end());
    return a;
}

struct LegendCase {
    const char* name;
    LegendStatistic statistic;
    double mCritical;
    std::vector<double> values;      // regions 1..N, in any order
    std::vector<double> breaks;      // b1..b5
    std::vector<double> probes;      // values to class
    std::vector<int> probeClasses;   // their classes 1..6
    double legendMin, legendMax;
    std::vector<std::string> labels; // rows 0..5; empty = not checked
};

const std::vector<LegendCase>& legendCases() {
    static const std::vector<LegendCase> cases = {
        {"score values -3 to 5 shuffled",
         LegendStatistic::Score, 0.0,
         {4, -1, 0, 5, -3, 2, 1, -2, 3},
         {-3, -2, 0, 1, 3},
         {-3, -2, -1, 0, 1, 2, 3, 4, 5},
         {2, 3, 3, 4, 5, 5, 6, 6, 6},
         -3, 5,
         {"- 3.0000   -  - 3.0000", "- 3.0000   -  - 2.0000", "- 2.0000   -    0.0000",
          "  0.0000   -    1.0000", "  1.0000   -    3.0000", "  3.0000   -    5.0000"}},
        {"score values all negative",
         LegendStatistic::Score, 0.0,
         {-1, -2, -3, -4, -5, -6},
         {-5, -3, 0, 0, 0},
         {-6, -5, -4, -3, -2, -1},
         {1, 2, 2, 3, 3, 3},
         -6, -1,
         {"- 6.0000   -  - 5.0000", "- 5.0000   -  - 3.0000", "- 3.0000   -    0.0000",
          "  0.0000   -    0.0000", "  0.0000   -    0.0000", "  0.0000   -   - 1.0000"}},
        {"score values all equal",
         LegendStatistic::Score, 0.0,
         {2, 2, 2},
         {0, 0, 0, 2, 2},
         {2, 1.9999, 0, -0.5},
         {6, 4, 4, 1},
         2, 2,
         {}},
        {"one or two negative values fall below break 1",
         LegendStatistic::Score, 0.0,
         {-1, -2, 3, 4, 5},
         {0, -2, 0, 3, 4},
         {-2, -1, 3, 4, 5},
         {1, 1, 5, 6, 6},
         -2, 5,
         {}},
        {"one non-negative value gives break 4 of 0",
         LegendStatistic::Score, 0.0,
         {-3, -2, -1, 7},
         {-3, -2, 0, 0, 0},
         {-3, -2, -1, 7},
         {2, 3, 3, 6},
         -3, 7,
         {}},
        {"no regions",
         LegendStatistic::Score, 0.0,
         {},
         {0, 0, 0, 0, 0},
         {-1, 0, 1},
         {1, 6, 6},
         0, 0,
         // Row 0 assumes two negative numbers: with 0s it is two blanks short.
         {" 0.0000   -   0.0000", "  0.0000   -    0.0000", "  0.0000   -    0.0000",
          "  0.0000   -    0.0000", "  0.0000   -    0.0000", "  0.0000   -    0.0000"}},
        {"M statistic with M* = 2",
         LegendStatistic::M, 2.0,
         {-2.5, -1, 0, 0.7, 2, 3},
         {-2, -1, 0, 1, 2},
         {-2.5, -2, -1, -0.5, 0, 0.5, 1, 2, 3},
         {1, 2, 3, 3, 4, 4, 5, 6, 6},
         -2.5, 3,
         {"            < -M*", "-M* =<  -  < -0.5M*", "-0.5M* =<  -  < 0", "0 =<  -  < 0.5M*",
          "0.5M* =<  -  < M*", "M* =< "}},
        {"M statistic whose critical value failed",
         LegendStatistic::M, 0.0,
         {-1, 1},
         {0, 0, 0, 0, 0},
         {-1, 0, 1},
         {1, 6, 6},
         -1, 1,
         {}},
        {"neither statistic chosen",
         LegendStatistic::None, 0.0,
         {-4, 9, 0},
         {0, 0, 0, 0, 0},
         {-4, -0.001, 0, 9},
         {1, 1, 6, 6},
         -4, 9,
         {"", "", "", "", "", ""}},
    };
    return cases;
}

class LegendTable : public ::testing::TestWithParam<LegendCase> {
protected:
    void SetUp() override { setDisplayDecimalSign('.'); }
};

}  // namespace

TEST_P(LegendTable, BreaksLabelsAndClasses) {
    const LegendCase& c = GetParam();
    AppState state;
    state.area.regionCount = static_cast<std::int32_t>(c.values.size());
    DoubleArray values = regions(c.values);
    int criticalCalls = 0;
    const auto mCritical = [&] {
        ++criticalCalls;
        return c.mCritical;
    };

    // Stale legend arrays of an earlier map must not survive.
    state.legend.legendBreaks.assign(7, 99.0);
    PictureSurface surface(ScaleUnit::Twips);
    surface.resize(132, 300);
    modLegend::DrawLegend(state, surface, values, modLegend::kBreakCount, c.statistic, mCritical);

    EXPECT_EQ(criticalCalls, c.statistic == LegendStatistic::M ? 1 : 0);
    ASSERT_EQ(state.legend.classBreaks.size(), 7u);
    ASSERT_EQ(state.legend.legendBreaks.size(), 7u);
    ASSERT_EQ(state.legend.legendColors.size(), 7u);
    for (int k = 1; k <= 5; ++k) {
        SCOPED_TRACE("break " + std::to_string(k));
        EXPECT_DOUBLE_EQ(state.legend.classBreaks[k], c.breaks[k - 1]);
        EXPECT_DOUBLE_EQ(state.legend.legendBreaks[k], c.breaks[k - 1]);
    }
    EXPECT_EQ(state.legend.classBreaks[0], 0.0);
    EXPECT_EQ(state.legend.classBreaks[6], 0.0);
    EXPECT_EQ(state.legend.legendBreaks[6], 0.0);
    EXPECT_DOUBLE_EQ(state.legend.legendMin, c.legendMin);
    EXPECT_DOUBLE_EQ(state.legend.legendMax, c.legendMax);

    // The values are left sorted, index 0 untouched.
    EXPECT_TRUE(std::is_sorted(values.begin() + 1, values.end()));
    EXPECT_EQ(values[0], 0.0);

    for (std::size_t i = 0; i < c.probes.size(); ++i) {
        SCOPED_TRACE("value " + formatGeneral(c.probes[i]));
        EXPECT_EQ(modFunctions::GetClassColor(state, c.probes[i]), kClassColor[c.probeClasses[i]]);
    }

    DoubleArray again = regions(c.values);
    const modLegend::LegendClasses legend =
        modLegend::ComputeLegendClasses(again, state.area.regionCount, 5, c.statistic, mCritical);
    ASSERT_EQ(legend.labels.size(), 6u);
    for (std::size_t k = 0; k < c.labels.size(); ++k) {
        SCOPED_TRACE("label row " + std::to_string(k));
        EXPECT_EQ(legend.labels[k], c.labels[k]);
    }
}

INSTANTIATE_TEST_SUITE_P(Legend, LegendTable, ::testing::ValuesIn(legendCases()), CaseNameOf());

TEST(LegendLabels, ScoreLabelsOfOneDigitAre22CharactersWide) {
    setDisplayDecimalSign('.');
    DoubleArray values = regions({-3, -2, -1, 0, 1, 2, 3, 4, 5});
    const auto legend = modLegend::ComputeLegendClasses(values, 9, 5, LegendStatistic::Score, {});
    for (const std::string& label : legend.labels) EXPECT_EQ(label.size(), 22u) << label;
}

TEST(LegendLabels, FourDecimalsRoundedAndMiddleTextsBySign) {
    setDisplayDecimalSign('.');
    DoubleArray b = {0, -1.23456, -0.25, 0.5, 12.34565, 2};
    // Row 1: both ends negative, one blank less in the middle.
    EXPECT_EQ(modLegend::LegendLabel(LegendStatistic::Score, 1, b, -7, 9), "- 1.2346   -  - 0.2500");
    // Row 2: negative to non-negative.
    EXPECT_EQ(modLegend::LegendLabel(LegendStatistic::Score, 2, b, -7, 9), "- 0.2500   -    0.5000");
    // Row 3: a longer number pushes the text to the right.
    EXPECT_EQ(modLegend::LegendLabel(LegendStatistic::Score, 3, b, -7, 9), "  0.5000   -    12.3457");
    EXPECT_EQ(modLegend::LegendLabel(LegendStatistic::Score, 0, b, -7, 9), "- 7.0000   -  - 1.2346");
    EXPECT_EQ(modLegend::LegendLabel(LegendStatistic::Score, 5, b, -7, 9), "  2.0000   -    9.0000");
}

TEST(LegendLabels, ScreenLabelsUseTheDisplayDecimalSign) {
    setDisplayDecimalSign(',');
    DoubleArray b = {0, -1, -0.5, 0, 0.5, 1};
    EXPECT_EQ(modLegend::LegendLabel(LegendStatistic::Score, 3, b, -2, 2), "  0,0000   -    0,5000");
    setDisplayDecimalSign('.');
}

TEST(LegendColors, SetLegendColorsFillsTheSixClassColours) {
    AppState state;
    modLegend::SetLegendColors(state);  // widens an array never sized
    ASSERT_EQ(state.legend.legendColors.size(), 7u);
    const double expected[7] = {0, 16711680, 16744576, 16761024, 12632319, 8421631, 255};
    for (int k = 0; k <= 6; ++k) EXPECT_EQ(state.legend.legendColors[k], expected[k]) << "colour " << k;
}

TEST(LegendColors, ClassColourBeforeAnyLegendUsesZeroBreaks) {
    AppState state;
    EXPECT_EQ(modFunctions::GetClassColor(state, -1), kBlue);
    EXPECT_EQ(modFunctions::GetClassColor(state, 0), kRed);
}

TEST(LegendDrawing, RowsOfBoxesInTheClassColoursOnTheWindowSurface) {
    AppState state;
    state.area.regionCount = 9;
    DoubleArray values = regions({-3, -2, -1, 0, 1, 2, 3, 4, 5});
    PictureSurface surface(ScaleUnit::Twips);
    surface.resize(132, 300);
    surface.BackColor = 0xFFFFFF;
    surface.Cls();
    surface.Box(0, 0, 1980, 4500, 0x00FF00, true);  // an earlier legend
    modLegend::DrawLegend(state, surface, values, 5, LegendStatistic::Score, {});

    // Box k covers (100, 800 + 300k) to (300, 1000 + 300k) twips.
    for (int k = 0; k <= 5; ++k) {
        SCOPED_TRACE("row " + std::to_string(k));
        const int cx = static_cast<int>(200 / 15.0);
        const int cy = static_cast<int>((900 + 300 * k) / 15.0);
        EXPECT_EQ(surface.Point(cx, cy), kClassColor[k + 1]);
        // Between the boxes the cleared surface shows through.
        EXPECT_EQ(surface.Point(cx, static_cast<int>((1050 + 300 * k) / 15.0)), 0xFFFFFF);
    }
    // The surface was cleared first.
    EXPECT_EQ(surface.Point(2, 2), 0xFFFFFF);
    // Some text in black right of each box.
    for (int k = 0; k <= 5; ++k) {
        bool dark = false;
        for (int x = static_cast<int>(400 / 15.0); x < 130 && !dark; ++x)
            for (int y = static_cast<int>((805 + 300 * k) / 15.0); y < static_cast<int>((1005 + 300 * k) / 15.0); ++y)
                if (surface.Point(x, y) != 0xFFFFFF) dark = true;
        EXPECT_TRUE(dark) << "row " << k << " has a label";
    }
    EXPECT_EQ(surface.ForeColor, 0);
    EXPECT_EQ(surface.FontSize, 8.0);
    EXPECT_FALSE(surface.FontBold);
}

TEST(LegendDrawing, RegionCountBeyondTheArrayReadsOnlyWhatIsThere) {
    AppState state;
    state.area.regionCount = 10;
    DoubleArray values = regions({3, 1, 2});
    PictureSurface surface(ScaleUnit::Twips);
    surface.resize(132, 300);
    modLegend::DrawLegend(state, surface, values, 5, LegendStatistic::Score, {});
    EXPECT_EQ(state.legend.legendMin, 1.0);
    EXPECT_EQ(state.legend.legendMax, 3.0);
}

// ---- Cusum colours ----

struct CusumCase {
    double h, v;
    std::int32_t color;
};

TEST(CusumColors, BandsAroundEachShareOfTheThreshold) {
    const std::vector<CusumCase> cases = {
        // h = 4: the worked values.
        {4, 1, 0xFFFFFF}, {4, 1.5, 0xFFFF00}, {4, 2.5, 0xFF8080}, {4, 4, 0xC00000}, {4, 4.01, 0x0000FF},
        // at and just above h/4, h/2, 3h/4 and h: every comparison is strict.
        {4, 0.999, 0xFFFFFF}, {4, 1.0001, 0xFFFF00},
        {4, 2, 0xFFFF00}, {4, 2.0001, 0xFF8080},
        {4, 3, 0xFF8080}, {4, 3.0001, 0xC00000},
        {4, 3.9999, 0xC00000}, {4, 4.0001, 0x0000FF},
        {4, -2, 0xFFFFFF}, {4, 0, 0xFFFFFF},
        // h = 0: a cusum of 0 is white, anything positive signals.
        {0, 0, 0xFFFFFF}, {0, 1e-9, 0x0000FF}, {0, 3, 0x0000FF}, {0, -1, 0xFFFFFF},
    };
    for (const CusumCase& c : cases) {
        SCOPED_TRACE("h " + formatGeneral(c.h) + " v " + formatGeneral(c.v));
        EXPECT_EQ(modFunctions::CusumColor(c.v, c.h), c.color);
        AppState state;
        state.cusum.hValue = c.h;
        state.cusum.mapCusum = Matrix::Zero(3, 4);
        state.cusum.mapCusum(2, 3) = c.v;
        EXPECT_EQ(modFunctions::GetCusumColor(state, 2, 3), c.color);
    }
}

TEST(CusumColors, ACellOutsideTheCusumsStaysWhite) {
    AppState state;
    state.cusum.hValue = 1;
    state.cusum.mapCusum = Matrix::Constant(3, 4, 5.0);
    EXPECT_EQ(modFunctions::GetCusumColor(state, 1, 1), 0x0000FF);
    EXPECT_EQ(modFunctions::GetCusumColor(state, 3, 1), 0xFFFFFF);
    EXPECT_EQ(modFunctions::GetCusumColor(state, 1, 4), 0xFFFFFF);
    EXPECT_EQ(modFunctions::GetCusumColor(state, -1, 1), 0xFFFFFF);
}

TEST(CusumColors, LegendBandsMatchTheMapColours) {
    const char* captions[5] = {"< 25%", "< 50%", "< 75%", "< 100%", "SIGNAL"};
    // One cusum in each band with h = 4.
    const double inBand[5] = {0.5, 1.5, 2.5, 3.5, 4.5};
    for (int i = 0; i < 5; ++i) {
        EXPECT_STREQ(modFunctions::kCusumLegend[i].caption, captions[i]);
        EXPECT_EQ(modFunctions::kCusumLegend[i].backColor, modFunctions::CusumColor(inBand[i], 4));
    }
}

TEST(CusumColors, TheLegendLabelsTakeTheirCaptionsAndBackColours) {
    std::array<std::unique_ptr<QLabel>, 5> owned;
    std::array<QLabel*, 5> lblLeg{};
    for (std::size_t i = 0; i < 5; ++i) {
        owned[i] = std::make_unique<QLabel>();
        lblLeg[i] = owned[i].get();
    }
    const QColor systemWindow = lblLeg[0]->palette().color(QPalette::Base);
    modFunctions::SetCusumLegendLabels(lblLeg);
    struct Band {
        const char* caption;
        QColor back;
    };
    const Band bands[5] = {
        {"< 25%", systemWindow},
        {"< 50%", bgrToQColor(0xFFFF00)},
        {"< 75%", bgrToQColor(0xFF8080)},
        {"< 100%", bgrToQColor(0xC00000)},
        {"SIGNAL", bgrToQColor(0x0000FF)},
    };
    for (std::size_t i = 0; i < 5; ++i) {
        SCOPED_TRACE("lblLeg " + std::to_string(i));
        EXPECT_EQ(lblLeg[i]->text().toStdString(), bands[i].caption);
        EXPECT_TRUE(lblLeg[i]->autoFillBackground());
        EXPECT_EQ(lblLeg[i]->palette().color(QPalette::Window), bands[i].back);
    }
    // &HFFFF00 is cyan, &HC00000 a dark blue: BGR, not RGB.
    EXPECT_EQ(bgrToQColor(0xFFFF00), QColor(0, 255, 255));
    EXPECT_EQ(bgrToQColor(0xC00000), QColor(0, 0, 192));

    // A missing label is skipped.
    lblLeg[2] = nullptr;
    modFunctions::SetCusumLegendLabels(lblLeg);
    EXPECT_EQ(lblLeg[3]->text().toStdString(), "< 100%");
}

// ---- The legend beside the map, as the map window shows it ----

namespace {

using namespace frametest;

// What the map shows its legend for: a run of the cluster window on the
// sample, or, after one, a class map of values of three integer digits of
// either sign.
enum class LegendScene { SampleAdjustedPoisson, SampleFreemanTukey, ThreeDigitsBothSigns };

struct ShownLegendCase {
    const char* name;
    LegendScene scene;
    std::string someLabel;  // a label the legend must hold, "" = none named
};

const std::vector<ShownLegendCase>& shownLegendCases() {
    static const std::vector<ShownLegendCase> cases = {
        {"TwoIntegerDigitsOfTheSample", LegendScene::SampleAdjustedPoisson, "  12.7965   -    30.9278"},
        {"TheMLabels", LegendScene::SampleFreemanTukey, "-M* =<  -  < -0.5M*"},
        {"ThreeIntegerDigitsOfEitherSign", LegendScene::ThreeDigitsBothSigns, "- 987.6543   -  - 456.7890"},
    };
    return cases;
}

class ShownLegend : public FrameTest, public ::testing::WithParamInterface<ShownLegendCase> {};

TEST_P(ShownLegend, EveryLabelIsShownWhole) {
    const ShownLegendCase& c = GetParam();
    openRetroWithFields(sourcePath("data/sample/sample.shp"));
    frmClusterDetection* w = ctx->find<frmClusterDetection>();
    ASSERT_NE(w, nullptr);
    w->selectTest(c.scene == LegendScene::SampleFreemanTukey ? ClusterTest::FreemanTukey : ClusterTest::AdjustedPoisson);
    w->selectSingleSigma();
    w->txtSingleSigma->setText("1");
    w->cmdRun->click();
    ASSERT_TRUE(takeMessages().empty());
    AppState& s = ctx->state;
    if (c.scene == LegendScene::ThreeDigitsBothSigns) {
        // Six values in equal shares over the regions, three of each sign.
        const std::vector<double> shape = {-987.6543, -456.789, -123.45678, 234.5, 876.54321, 999.99};
        DoubleArray values(static_cast<std::size_t>(s.area.regionCount) + 1, 0.0);
        for (std::size_t i = 1; i < values.size(); ++i) values[i] = shape[(i - 1) * shape.size() / (values.size() - 1)];
        s.retro.mapClassValues = values;
        modDrawPolygon::ShowClassMap(*ctx, s.retro.mapClassValues);
    }
    frmPolygonSHP* map = ctx->find<frmPolygonSHP>();
    ASSERT_NE(map, nullptr);
    const LegendStatistic statistic = s.legend.legendStatistic;
    ASSERT_EQ(statistic, c.scene == LegendScene::SampleFreemanTukey ? LegendStatistic::M : LegendStatistic::Score);

    const QImage shown = map->grab().toImage();
    ASSERT_EQ(shown.size(), map->size());
    const BgrColor back = map->surface().BackColor;
    std::vector<std::string> labels;
    for (int k = 0; k <= 5; ++k) {
        const std::string label =
            modLegend::LegendLabel(statistic, k, s.legend.legendBreaks, s.legend.legendMin, s.legend.legendMax);
        SCOPED_TRACE("row " + std::to_string(k) + " \"" + label + "\"");
        labels.push_back(label);
        // The label drawn alone where the legend draws it, on a clear surface.
        PictureSurface alone(ScaleUnit::Twips);
        alone.resize(map->width(), map->height());
        alone.BackColor = back;
        alone.Cls();
        alone.ForeColor = 0;
        alone.FontSize = 8.0;
        alone.FontBold = false;
        alone.CurrentX = 400;
        alone.CurrentY = 805 + 300.0 * k;
        alone.Print(label);
        int inked = 0, differing = 0, rightmost = -1;
        for (int y = 0; y < alone.heightPx(); ++y)
            for (int x = 0; x < alone.widthPx(); ++x) {
                if (alone.Point(x, y) == back) continue;
                ++inked;
                rightmost = std::max(rightmost, x);
                if ((shown.pixel(x, y) & 0xFFFFFF) != (alone.image().pixel(x, y) & 0xFFFFFF)) ++differing;
            }
        EXPECT_GT(inked, 0);
        EXPECT_EQ(differing, 0) << "of " << inked << " pixels of the label";
        // Nor does the map begin over its end.
        EXPECT_LT(rightmost, map->picSHP->geometry().left());
    }
    if (!c.someLabel.empty()) {
        std::string all;
        for (const std::string& l : labels) all += "\n\"" + l + "\"";
        EXPECT_NE(std::find(labels.begin(), labels.end(), c.someLabel), labels.end()) << c.someLabel << " among" << all;
    }
    // The map keeps its right edge and is drawn in the room it has.
    const QRect picture = map->picSHP->geometry();
    EXPECT_EQ(picture.left() + picture.width(), twipsToPixels(map->Width() - 120));
    EXPECT_EQ(map->picSHP->surface().widthPx(), picture.width());
}

INSTANTIATE_TEST_SUITE_P(Legend, ShownLegend, ::testing::ValuesIn(shownLegendCases()), CaseNameOf());

}  // namespace
