// The drawing of the polygon map from the .shp itself: the plain outlines,
// the class, cusum and highlight fills, null records, and damaged files.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "map/modDrawPolygon.h"
#include "test_map_support.h"
#include "tests/support/TestPaths.h"

using namespace maptest;

namespace {

constexpr BgrColor kWhite = 0xFFFFFF, kBlack = 0, kYellow = 0xFFFF, kRed = 0xFF, kBlue = 0xFF0000;

// Breaks 0.5, 1, 1.5, 2, 2.5 and the six class colours, as a legend leaves them.
void setLegend(AppState& s) {
    s.legend.legendBreaks = {0, 0.5, 1, 1.5, 2, 2.5, 0};
    s.legend.legendColors = {0, 0xFF0000, 0xFF8080, 0xFFC0C0, 0xC0C0FF, 0x8080FF, 0xFF};
}

class MapDrawing : public ::testing::Test {
protected:
    void SetUp() override { dir = scratchDir("map_drawing"); }
    std::string write(const std::string& name, const std::vector<Region>& regions) {
        const std::string base = dir + "/" + name;
        writeShapefile(base, regions);
        return base;
    }
    std::string dir;
};

TEST_F(MapDrawing, PlainMapDrawsOutlinesOnTheBackground) {
    MapHarness h;
    h.useShapefile(write("plain", twoSquares()), 2);
    modDrawPolygon::DrawShapefile(h.ctx);
    ASSERT_TRUE(h.ctx.state.view.mapTransformValid);
    EXPECT_GT(h.pic().widthPx(), 100);
    EXPECT_GT(h.pic().heightPx(), 100);
    EXPECT_EQ(h.pic().Point(1, 1), kWhite);   // background beside the drawn map
    EXPECT_EQ(h.colourAt(5, 5), kWhite);      // inside region 1: outline only
    EXPECT_EQ(h.colourAt(15, 5), kWhite);     // inside region 2
    EXPECT_EQ(h.colourAt(0, 5), kBlack);      // the left edge of region 1
    EXPECT_EQ(h.colourAt(10, 5), kBlack);     // the edge the two share
    EXPECT_EQ(h.ctx.state.view.shpFileSize, static_cast<std::int64_t>(std::filesystem::file_size(dir + "/plain.shp")));
    EXPECT_TRUE(h.dlg->messages.empty());
    h.area.grab().save(QString::fromStdString(testOutputPath("map_plain.png")));
}

TEST_F(MapDrawing, ClassMapFillsEachRegionByItsValue) {
    MapHarness h;
    h.useShapefile(write("classes", twoSquares()), 2);
    modDrawPolygon::DrawShapefile(h.ctx);
    setLegend(h.ctx.state);
    const struct { double v1, v2; BgrColor c1, c2; } cases[] = {
        {0.2, 2.7, 0xFF0000, 0xFF},
        {1.0, 1.2, 0xFFC0C0, 0xFFC0C0},  // a value on a break takes the class above
        {2.5, 0.5, 0xFF, 0xFF8080},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.v1);
        modDrawPolygon::DrawClassMap(h.ctx, DoubleArray{99, c.v1, c.v2});  // values(0) is never read
        EXPECT_EQ(h.colourAt(5, 5), c.c1);
        EXPECT_EQ(h.colourAt(15, 5), c.c2);
        EXPECT_EQ(h.pic().Point(1, 1), kWhite);
        EXPECT_EQ(h.colourAt(0, 5), kBlack);
    }
}

TEST_F(MapDrawing, ShowClassMapDrawsTheLegendBesideTheMap) {
    MapHarness h;
    h.useShapefile(write("legend", twoSquares()), 2);
    modDrawPolygon::DrawShapefile(h.ctx);
    // Without a cluster window no statistic is chosen: every break is 0, so
    // negative values are blue and the others red.
    DoubleArray legend{0, 1, -1};
    const DoubleArray shaded{0, -1, 1};
    modDrawPolygon::ShowClassMap(h.ctx, legend, shaded);
    EXPECT_EQ(h.colourAt(5, 5), kBlue);
    EXPECT_EQ(h.colourAt(15, 5), kRed);
    EXPECT_EQ(legend, (DoubleArray{0, -1, 1}));  // the legend's copy is sorted
    // The first legend box, from (100, 800) to (300, 1000) twips.
    EXPECT_EQ(h.window().surface().Point(13, 60), kBlue);
    // The same array given twice still shades in region order.
    DoubleArray same{0, 1, -1};
    modDrawPolygon::ShowClassMap(h.ctx, same, same);
    EXPECT_EQ(h.colourAt(5, 5), kRed);
    EXPECT_EQ(h.colourAt(15, 5), kBlue);
    h.area.grab().save(QString::fromStdString(testOutputPath("map_class.png")));
}

TEST_F(MapDrawing, CusumMapFillsByBandOrWhite) {
    MapHarness h;
    AppState& s = h.ctx.state;
    h.useShapefile(write("cusum", twoSquares()), 2);
    s.cusum.hValue = 4;
    s.cusum.mapCusum = Matrix::Zero(3, 3);
    s.cusum.mapCusum(1, 1) = 1.5;
    s.cusum.mapCusum(2, 1) = 4.01;
    s.cusum.cusumColoring = true;

    // While no plain drawing has measured the file, nothing is drawn (the
    // window's own first drawing at load measures it, so forget it here).
    h.window();
    s.view.shpFileSize = 0;
    modDrawPolygon::DrawCusumMap(h.ctx, 1);
    EXPECT_EQ(h.colourAt(0, 5), kWhite);

    modDrawPolygon::DrawShapefile(h.ctx);
    modDrawPolygon::DrawCusumMap(h.ctx, 1);
    EXPECT_EQ(h.colourAt(5, 5), 0xFFFF00);
    EXPECT_EQ(h.colourAt(15, 5), kRed);
    EXPECT_EQ(h.colourAt(10, 5), kBlack);
    // A period outside the cusum table gives white, not a crash.
    modDrawPolygon::DrawCusumMap(h.ctx, 7);
    EXPECT_EQ(h.colourAt(15, 5), kWhite);
    s.cusum.cusumColoring = false;
    modDrawPolygon::DrawCusumMap(h.ctx, 1);
    EXPECT_EQ(h.colourAt(5, 5), kWhite);
    EXPECT_EQ(h.colourAt(15, 5), kWhite);
    EXPECT_EQ(h.colourAt(0, 5), kBlack);
}

TEST_F(MapDrawing, HighlightFillsOneRegionOverThePicture) {
    MapHarness h;
    h.useShapefile(write("highlight", twoSquares()), 2);
    modDrawPolygon::DrawShapefile(h.ctx);
    modDrawPolygon::HighlightRegion(h.ctx, 1);
    EXPECT_EQ(h.colourAt(15, 5), kYellow);
    EXPECT_EQ(h.colourAt(5, 5), kWhite);
    modDrawPolygon::HighlightRegion(h.ctx, 0);
    EXPECT_EQ(h.colourAt(5, 5), kYellow);
    EXPECT_EQ(h.colourAt(15, 5), kYellow);  // nothing was cleared
    modDrawPolygon::RedrawShapefile(h.ctx);
    modDrawPolygon::HighlightRegion(h.ctx, 2);  // N: no such record
    EXPECT_EQ(h.colourAt(5, 5), kWhite);
    EXPECT_EQ(h.colourAt(15, 5), kWhite);
}

TEST_F(MapDrawing, NullRecordsDoNotShiftLaterRegions) {
    MapHarness h;
    // Record 2 is null: the square on the right is record 3, region 3.
    h.useShapefile(write("withnull", {{rectCW(0, 0, 10, 10)}, {}, {rectCW(10, 0, 20, 10)}}), 3);
    modDrawPolygon::DrawShapefile(h.ctx);
    EXPECT_EQ(h.colourAt(10, 5), kBlack);
    EXPECT_EQ(h.colourAt(20, 5), kBlack);
    modDrawPolygon::HighlightRegion(h.ctx, 1);
    EXPECT_EQ(h.colourAt(15, 5), kWhite);
    modDrawPolygon::HighlightRegion(h.ctx, 2);
    EXPECT_EQ(h.colourAt(15, 5), kYellow);
    setLegend(h.ctx.state);
    modDrawPolygon::DrawClassMap(h.ctx, DoubleArray{0, 0.2, 1.7, 2.7});
    EXPECT_EQ(h.colourAt(5, 5), 0xFF0000);
    EXPECT_EQ(h.colourAt(15, 5), 0xFF);
    EXPECT_TRUE(h.dlg->messages.empty());
}

TEST_F(MapDrawing, RingsWithHolesAreFilledInTheRegionColourAndTheHoleStaysOpen) {
    MapHarness h;
    h.useShapefile(write("holes", {{rectCW(0, 0, 20, 10), rectCCW(5, 2, 9, 8)}}), 1);
    modDrawPolygon::DrawShapefile(h.ctx);
    modDrawPolygon::HighlightRegion(h.ctx, 0);
    EXPECT_EQ(h.colourAt(2, 5), kYellow);
    EXPECT_EQ(h.colourAt(7, 5), kWhite);  // the hole is no part of the region
    EXPECT_EQ(h.colourAt(5, 5), kBlack);  // its outline
}

TEST_F(MapDrawing, ARegionInAnotherRegionsHoleKeepsItsOwnColour) {
    // An island region inside the hole of a ring region, drawn after it and
    // before it: the shaded maps show the island's class either way.
    const Region ring = {rectCW(0, 0, 20, 10), rectCCW(5, 2, 9, 8)};
    const Region island = {rectCW(6, 3, 8, 7)};
    const struct {
        const char* name;
        std::vector<Region> regions;
        DoubleArray values;  // the ring's value low (blue), the island's high (red)
    } orders[] = {{"island last", {ring, island}, {0, 0.2, 2.7}}, {"island first", {island, ring}, {0, 2.7, 0.2}}};
    for (const auto& o : orders) {
        SCOPED_TRACE(o.name);
        MapHarness h;
        h.useShapefile(write("island", o.regions), 2);
        setLegend(h.ctx.state);
        modDrawPolygon::DrawClassMap(h.ctx, o.values);
        EXPECT_EQ(h.colourAt(2, 5), 0xFF0000);  // the ring region
        EXPECT_EQ(h.colourAt(7, 5), 0xFF);      // the island
        h.ctx.state.cusum.cusumColoring = true;
        h.ctx.state.cusum.hValue = 4;
        const int ringRow = o.values[1] < 1 ? 1 : 2, islandRow = 3 - ringRow;
        h.ctx.state.cusum.mapCusum = Matrix::Zero(3, 2);
        h.ctx.state.cusum.mapCusum(ringRow, 1) = 0;     // white
        h.ctx.state.cusum.mapCusum(islandRow, 1) = 5;   // above h: red
        modDrawPolygon::DrawCusumMap(h.ctx, 1);
        EXPECT_EQ(h.colourAt(2, 5), kWhite);
        EXPECT_EQ(h.colourAt(7, 5), 0xFF);
        modDrawPolygon::HighlightRegion(h.ctx, ringRow - 1);
        EXPECT_EQ(h.colourAt(2, 5), kYellow);
        EXPECT_EQ(h.colourAt(7, 5), 0xFF);  // the highlight leaves the island alone
    }
}

TEST_F(MapDrawing, ZeroWidthExtentDrawsNothing) {
    MapHarness h;
    h.useShapefile(write("flat", twoSquares()), 2);
    for (auto change : {+[](MapRect& r) { r.Width = 0; }, +[](MapRect& r) { r.Height = 0; }}) {
        change(h.ctx.state.view.mapExtent);
        modDrawPolygon::DrawShapefile(h.ctx);
        EXPECT_FALSE(h.ctx.state.view.mapTransformValid);
        for (int y = 0; y < h.pic().heightPx(); y += 7)
            for (int x = 0; x < h.pic().widthPx(); x += 7) ASSERT_EQ(h.pic().Point(x, y), kWhite);
        modDrawPolygon::RedrawShapefile(h.ctx);
        modDrawPolygon::HighlightRegion(h.ctx, 0);
        EXPECT_FALSE(h.ctx.state.view.mapTransformValid);
    }
}

// ---- Damaged files ----

struct Damage {
    const char* name;
    void (*spoil)(std::vector<unsigned char>&);
    bool firstRegionDrawn;  // the record before the damage still shows
    bool secondRegionDrawn;
};

// Offsets in the two-square file: each record is 8 + 128 bytes (one ring
// of five points), the first at 100.
constexpr std::size_t kRecord1 = 100, kRecord2 = 236;

const Damage kDamages[] = {
    {"truncated inside record 2", [](std::vector<unsigned char>& b) { b.resize(kRecord2 + 60); }, true, false},
    {"truncated inside a header", [](std::vector<unsigned char>& b) { b.resize(kRecord2 + 5); }, true, false},
    {"record 1 claims more than the file",
     [](std::vector<unsigned char>& b) { putBE32(b, kRecord1 + 4, 0x7FFFFFF0); }, false, false},
    {"negative content length", [](std::vector<unsigned char>& b) { putBE32(b, kRecord1 + 4, -8); }, false, false},
    {"record 1 has a huge part count",
     [](std::vector<unsigned char>& b) { putLE32(b, kRecord1 + 44, 0x7FFFFFFF); }, false, true},
    {"record 1 has a negative point count", [](std::vector<unsigned char>& b) { putLE32(b, kRecord1 + 48, -3); },
     false, true},
    {"record 1's part starts beyond its points", [](std::vector<unsigned char>& b) { putLE32(b, kRecord1 + 52, 99); },
     false, true},
    {"record 1 is a point record", [](std::vector<unsigned char>& b) { putLE32(b, kRecord1 + 8, 1); }, false, true},
    {"not a shapefile at all",
     [](std::vector<unsigned char>& b) {
         for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<unsigned char>(i * 37 + 11);
     },
     false, false},
};

TEST_F(MapDrawing, DamagedFilesDrawWhatTheyCanAndSaySo) {
    for (const Damage& d : kDamages) {
        SCOPED_TRACE(d.name);
        MapHarness h;
        const std::string base = write("damaged", twoSquares());
        h.useShapefile(base, 2);
        std::vector<unsigned char> bytes = readBytes(base + ".shp");
        ASSERT_EQ(bytes.size(), kRecord2 + 136);
        d.spoil(bytes);
        writeBytes(base + ".shp", bytes);

        modDrawPolygon::DrawShapefile(h.ctx);
        EXPECT_EQ(h.colourAt(0, 5) == kBlack, d.firstRegionDrawn);
        EXPECT_EQ(h.colourAt(20, 5) == kBlack, d.secondRegionDrawn);
        ASSERT_EQ(h.dlg->messages.size(), 1u);
        EXPECT_EQ(h.dlg->messages[0].title, "Warning!");
        EXPECT_EQ(h.dlg->messages[0].icon, MsgIcon::Critical);
        EXPECT_NE(h.dlg->messages[0].text.find("damaged.shp"), std::string::npos);

        // Every other drawing survives it too, and says it only once.
        modDrawPolygon::RedrawShapefile(h.ctx);
        modDrawPolygon::HighlightRegion(h.ctx, 1);
        setLegend(h.ctx.state);
        modDrawPolygon::DrawClassMap(h.ctx, DoubleArray{0, 1, 2});
        modDrawPolygon::DrawCusumMap(h.ctx, 1);
        EXPECT_EQ(h.dlg->messages.size(), 1u);
    }
}

TEST_F(MapDrawing, AVanishedFileIsReportedOnceAndDrawsNothing) {
    MapHarness h;
    const std::string base = write("vanish", twoSquares());
    h.useShapefile(base, 2);
    modDrawPolygon::DrawShapefile(h.ctx);
    EXPECT_TRUE(h.dlg->messages.empty());
    std::filesystem::remove(base + ".shp");
    modDrawPolygon::RedrawShapefile(h.ctx);
    modDrawPolygon::RedrawShapefile(h.ctx);
    ASSERT_EQ(h.dlg->messages.size(), 1u);
    EXPECT_NE(h.dlg->messages[0].text.find("can no longer be read"), std::string::npos);
    EXPECT_EQ(h.colourAt(0, 5), kWhite);
    EXPECT_EQ(h.ctx.state.view.shpFileSize, 0);
}

TEST_F(MapDrawing, NoStudyAreaYetDrawsNothingSilently) {
    MapHarness h;
    h.ctx.state.view.mapExtent = MapRect{0, 10, 20, 10};
    modDrawPolygon::DrawShapefile(h.ctx);
    modDrawPolygon::RedrawShapefile(h.ctx);
    EXPECT_TRUE(h.dlg->messages.empty());
}

// ---- The walk itself ----

struct RingSeen {
    std::int32_t record;
    std::vector<DevicePoint> points;
};

TEST_F(MapDrawing, WalkHandsEachRingWithoutItsClosingVertex) {
    // Record 1: one ring of 5 stored vertices; record 2: an outer ring of 5
    // and a hole of 4 (parts 0 and 5, 9 points).
    const std::string base =
        write("walk", {{rectCW(0, 0, 4, 4)}, {rectCW(10, 0, 20, 10), Ring{{12, 2}, {14, 2}, {13, 4}, {12, 2}}}});
    MapTransform t;  // scale 1, no margins: pixels are the map units with y flipped at 0
    t.mapScaleX = t.mapScaleY = 1;
    std::vector<RingSeen> seen;
    std::vector<std::pair<std::int32_t, std::int32_t>> records;
    const auto size = static_cast<std::int64_t>(std::filesystem::file_size(base + ".shp"));
    const auto r = modDrawPolygon::WalkShapefile(
        base + ".shp", size, t, 0, 0,
        [&](std::int32_t k, const DevicePoint* p, int n) { seen.push_back({k, std::vector<DevicePoint>(p, p + n)}); },
        [&](const modDrawPolygon::RegionRings& g) {
            records.push_back({g.record, g.numParts});
            if (g.record == 1) {
                EXPECT_EQ(g.lastPartStart, 5);
            }
        });
    EXPECT_TRUE(r.opened);
    EXPECT_TRUE(r.problem.empty());
    EXPECT_EQ(r.records, 2);
    // 100 + (8 + 44 + 4 + 5 * 16) + (8 + 44 + 8 + 9 * 16): the walk ends exactly at the length.
    EXPECT_EQ(size, 100 + 136 + 204);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].record, 0);
    EXPECT_EQ(seen[0].points.size(), 4u);
    EXPECT_EQ(seen[1].record, 1);
    EXPECT_EQ(seen[1].points.size(), 4u);
    EXPECT_EQ(seen[2].record, 1);
    ASSERT_EQ(seen[2].points.size(), 3u);
    EXPECT_EQ(seen[2].points[1].X, 14);
    EXPECT_EQ(seen[2].points[1].Y, -2);
    EXPECT_EQ(records.size(), 2u);
}

}  // namespace
