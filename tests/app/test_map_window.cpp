// The map window driven offscreen: its controls at load, resize, zoom,
// pan, whole extent, the coordinate display, the centroid marks, the
// identify and find tools, the bandwidth animation and slider.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QSlider>
#include <QToolBar>
#include <cmath>
#include <functional>

#include "app/MDIFrmMain.h"
#include "map/frmInfo.h"
#include "map/modArea.h"
#include "map/modFunctions.h"
#include "platform/DbfTable.h"
#include "tests/app/FrameFixture.h"
#include "test_map_support.h"
#include "tests/support/CaseNames.h"
#include "tests/support/TestPaths.h"
#include "ui/Twips.h"

using namespace maptest;

namespace {

constexpr BgrColor kWhite = 0xFFFFFF, kBlack = 0, kYellow = 0xFFFF, kRed = 0xFF;

class MapWindow : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string base = scratchDir("map_window") + "/squares";
        writeShapefile(base, twoSquares());
        h = std::make_unique<MapHarness>();
        h->useShapefile(base, 2);
        for (const Region& r : twoSquares()) h->ctx.state.area.polygons.Add(polygonOf(r));
        modDrawPolygon::DrawShapefile(h->ctx);
    }
    void TearDown() override {
        h.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    frmPolygonSHP& w() { return h->window(); }
    AppState& s() { return h->ctx.state; }
    // A press (and release) of the pressed tool at a map point.
    void clickAt(double X, double Y) {
        const DevicePoint d = h->pixelOf(X, Y);
        w().picSHP_MouseDown(1, 0, static_cast<float>(d.X), static_cast<float>(d.Y));
    }
    void useTool(const std::string& key) {
        w().setButtonEnabled(key, true);
        w().setButtonPressed(key, true);
    }
    std::unique_ptr<MapHarness> h;
};

TEST_F(MapWindow, LoadsWithItsControlsInTheirStartState) {
    frmPolygonSHP& win = w();
    EXPECT_EQ(win.windowTitle().toStdString(), "squares.shp");
    const struct { const char* key; const char* tip; bool tool, enabled; } buttons[] = {
        {"ID", "Identify", true, true},
        {"ZoomIn", "Zoom in", true, true},
        {"ZoomOut", "Zoom out", true, true},
        {"Pan", "Pan", true, true},
        {"Find", "Pinpoint a subregion", true, false},
        {"Graph", "Show cusum in each subregion", true, false},
        {"FullExt", "Whole extent", false, true},
        {"MapAnimation", "Animation", false, false},
        {"Centroid", "Get centroids", false, true},
    };
    std::vector<std::string> order;
    for (QAction* a : win.Toolbar1->actions())
        order.push_back(a->isSeparator() ? std::string("|") : a->objectName().toStdString());
    EXPECT_EQ(order, (std::vector<std::string>{"ID", "ZoomIn", "ZoomOut", "Pan", "Find", "Graph", "|", "FullExt",
                                               "MapAnimation", "|", "Centroid"}));
    for (const auto& b : buttons) {
        SCOPED_TRACE(b.key);
        QAction* a = win.button(b.key);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->toolTip().toStdString(), b.tip);
        EXPECT_EQ(a->isCheckable(), b.tool);
        EXPECT_EQ(a->isEnabled(), b.enabled);
        EXPECT_FALSE(win.isButtonPressed(b.key));
        EXPECT_FALSE(a->icon().isNull());
    }
    EXPECT_FALSE(win.sliderStatsRange->isVisibleTo(&win));
    EXPECT_FALSE(win.picLegend->isVisibleTo(&win));
    EXPECT_FALSE(win.lblAni->isVisibleTo(&win));
    EXPECT_FALSE(win.sliderStatsRange->hasTracking());
    EXPECT_EQ(win.lblAni->text().toStdString(), "Animating Maps");
    const char* captions[] = {"< 25%", "< 50%", "< 75%", "< 100%", "SIGNAL"};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(win.lblLeg[static_cast<std::size_t>(i)]->text().toStdString(), captions[i]);

    // The whole window 8025 x 5055 twips at the top left of the frame; the
    // picture at 1980, 450, sized by the resize rule.
    QWidget* top = AppContext::topOf(&win);
    EXPECT_EQ(top->pos(), QPoint(0, 0));
    EXPECT_EQ(top->size(), QSize(535, 337));
    EXPECT_DOUBLE_EQ(win.Height(), 5055);
    EXPECT_EQ(win.picSHP->geometry(), QRect(132, 30, 395, 290));
}

TEST_F(MapWindow, ResizeFitsThePictureAndRedraws) {
    QWidget* top = AppContext::topOf(&w());
    top->resize(800, 500);
    EXPECT_EQ(w().picSHP->width(), 660);   // 12000 - 2100 twips
    EXPECT_EQ(w().picSHP->height(), 453);  // 7500 - 700 twips
    EXPECT_EQ(h->pic().widthPx(), 660);
    EXPECT_EQ(h->colourAt(0, 5), kBlack);
    // A window too small keeps the picture as it was.
    top->resize(120, 40);
    EXPECT_EQ(w().picSHP->width(), 660);
    EXPECT_EQ(w().picSHP->height(), 453);
}

struct ZoomCase {
    const char* name;
    const char* tool;
    bool classMap, cusumMap;
    std::vector<double> zooms;  // after each click
};

class MapZoom : public MapWindow, public ::testing::WithParamInterface<ZoomCase> {};

TEST_P(MapZoom, StepsTheZoomAndKeepsItAboveZero) {
    const ZoomCase& c = GetParam();
    s().shared.retroMapMode = c.classMap;
    s().shared.cusumMapMode = c.cusumMap;
    s().retro.mapClassValues = {0, 1, 2};
    const double scaleAtOne = s().view.transform.mapScaleX;
    useTool(c.tool);
    for (std::size_t i = 0; i < c.zooms.size(); ++i) {
        SCOPED_TRACE(i);
        clickAt(5, 5);
        EXPECT_NEAR(s().view.mapZoom, c.zooms[i], 1e-12);
        EXPECT_GT(s().view.mapZoom, 0.0);
        EXPECT_NEAR(s().view.transform.mapScaleX, scaleAtOne * c.zooms[i], 1e-9);
        // The centre of the data stays at the centre of the picture.
        const DevicePoint centre = h->pixelOf(10, 5);
        EXPECT_NEAR(centre.X, w().picSHP->width() / 2.0, 1.0);
        EXPECT_NEAR(centre.Y, w().picSHP->height() / 2.0, 1.0);
    }
    EXPECT_EQ(h->pump->waits, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Map, MapZoom,
    ::testing::Values(ZoomCase{"inPlain", "ZoomIn", false, false, {1.8, 2.6}},
                      ZoomCase{"inClass", "ZoomIn", true, false, {1.4, 1.8}},
                      ZoomCase{"inCusum", "ZoomIn", false, true, {1.8}},
                      // 1.0 - 0.8 = 0.2; a further step would reach -0.6 and is left out.
                      ZoomCase{"outPlain", "ZoomOut", false, false, {0.2, 0.2, 0.2}},
                      ZoomCase{"outClass", "ZoomOut", true, false, {0.6, 0.2, 0.2}},
                      ZoomCase{"outCusum", "ZoomOut", false, true, {0.2, 0.2}}),
    CaseNameOf());

TEST_F(MapWindow, WithNoToolPressedAClickChangesNothing) {
    const BgrColor before = h->colourAt(0, 5);
    clickAt(5, 5);
    EXPECT_EQ(s().view.mapZoom, 1.0);
    EXPECT_EQ(h->colourAt(0, 5), before);
    EXPECT_EQ(h->pump->waits, 0);
    EXPECT_FALSE(h->ctx.isOpen<frmInfo>());
}

TEST_F(MapWindow, PanDragThenWholeExtentReturnsTheCentredMap) {
    const double baseX = s().view.transform.marginX, baseY = s().view.transform.marginY;
    const DevicePoint corner = h->pixelOf(0, 10);
    useTool("Pan");
    w().picSHP_MouseDown(1, 0, 100, 100);
    EXPECT_TRUE(s().view.panDragging);
    w().picSHP_MouseMove(1, 0, 120, 90);
    EXPECT_EQ(s().view.panDragX, 20);
    EXPECT_EQ(s().view.panDragY, -10);
    const DevicePoint dragged = h->pixelOf(0, 10);
    EXPECT_EQ(dragged.X, corner.X + 20);
    EXPECT_EQ(dragged.Y, corner.Y - 10);
    EXPECT_EQ(h->colourAt(0, 5), kBlack);  // the outlines follow the drag
    w().picSHP_MouseUp(1, 0, 120, 90);
    w().picSHP_Click();
    EXPECT_FALSE(s().view.panDragging);
    EXPECT_EQ(s().view.panShiftX, 20);
    EXPECT_EQ(s().view.panShiftY, -10);
    EXPECT_EQ(s().view.panDragX, 0);
    w().RedrawByMode();
    EXPECT_DOUBLE_EQ(s().view.transform.marginX, baseX + 20);
    EXPECT_DOUBLE_EQ(s().view.transform.marginY, baseY - 10);
    EXPECT_EQ(h->pixelOf(0, 10).X, corner.X + 20);

    w().Toolbar1_ButtonClick("FullExt");
    EXPECT_EQ(s().view.mapZoom, 1.0);
    EXPECT_EQ(s().view.panShiftX, 0);
    EXPECT_EQ(s().view.panShiftY, 0);
    EXPECT_DOUBLE_EQ(s().view.transform.marginX, baseX);
    EXPECT_DOUBLE_EQ(s().view.transform.marginY, baseY);
    EXPECT_EQ(h->pixelOf(0, 10).X, corner.X);
}

TEST_F(MapWindow, RightAfterAPanFindAndTheCoordinatesMatchThePicture) {
    const DevicePoint before = h->pixelOf(5, 5);
    w().picSHP_MouseMove(0, 0, static_cast<float>(before.X), static_cast<float>(before.Y));
    const std::string shownBefore = w().coordinateText();
    useTool("Pan");
    emit w().picSHP->mouseDown(1, 100, 100);
    emit w().picSHP->mouseMove(1, 160, 100);
    emit w().picSHP->mouseUp(1, 160, 100);
    emit w().picSHP->clicked();
    // The left square moved right by 60 pixels: its middle is drawn there now.
    const DevicePoint middle{before.X + 60, before.Y};
    w().picSHP_MouseMove(0, 0, static_cast<float>(middle.X), static_cast<float>(middle.Y));
    EXPECT_EQ(w().coordinateText(), shownBefore);
    useTool("Find");
    w().picSHP_MouseDown(1, 0, static_cast<float>(middle.X), static_cast<float>(middle.Y));
    EXPECT_EQ(s().shared.selectedRegion, 0);
    EXPECT_EQ(h->colourAt(5, 5), kYellow);
}

TEST_F(MapWindow, AReleaseOutsideTheMapAppliesTheDragOnce) {
    useTool("Pan");
    const DevicePoint corner = h->pixelOf(0, 10);
    emit w().picSHP->mouseDown(1, 100, 100);
    emit w().picSHP->mouseMove(1, 130, 100);
    emit w().picSHP->mouseUp(1, -5, 100);  // beyond the left edge: no click follows
    EXPECT_EQ(s().view.panShiftX, 30);
    EXPECT_EQ(s().view.panDragX, 0);
    w().RedrawByMode();
    EXPECT_EQ(h->pixelOf(0, 10).X, corner.X + 30);
}

TEST_F(MapWindow, MouseMoveShowsMapCoordinatesWithoutTheDrag) {
    // A transform set by hand: scales 2 (then 3), margins 10, drawn height 200.
    s().view.transform.mapScaleX = s().view.transform.mapScaleY = 2;
    s().view.transform.mapOffsetX = s().view.transform.mapOffsetY = 0;
    s().view.transform.marginX = s().view.transform.marginY = 10;
    s().view.transform.drawnHeight = 200;
    s().view.panDragX = 50;  // left out of the display
    const struct { double scale; float x, y; const char* text; } cases[] = {
        {2, 30, 190, "(X: 10, Y: 10)"},
        {2, 31, 191, "(X: 10.5, Y: 9.5)"},
        {3, 20, 210, "(X: 3.333333, Y: 0)"},
        {2, 9, 211, "(X: -0.5, Y: -0.5)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        s().view.transform.mapScaleX = s().view.transform.mapScaleY = c.scale;
        w().picSHP_MouseMove(0, 0, c.x, c.y);
        EXPECT_EQ(w().coordinateText(), c.text);
    }
}

TEST_F(MapWindow, CentroidButtonMarksEveryCentroidInRed) {
    s().shared.retroMapMode = false;
    s().area.centroidTable.clear();
    w().Toolbar1_ButtonClick("Centroid");
    ASSERT_EQ(s().area.centroidTable.size(), 3u);
    EXPECT_DOUBLE_EQ(s().area.centroidTable[2].X, 15);
    EXPECT_DOUBLE_EQ(s().area.studyArea, 200);
    EXPECT_EQ(h->colourAt(5, 5), kRed);
    EXPECT_EQ(h->colourAt(15, 5), kRed);
    EXPECT_EQ(h->colourAt(0, 5), kBlack);
    EXPECT_EQ(h->colourAt(2, 2), kWhite);
}

TEST_F(MapWindow, IdentifyBlinksTheRegionAndShowsItsInformation) {
    useTool("ID");
    int yellowSeen = 0;
    h->pump->onWait = [&](std::int64_t n) {
        if (n >= 1 && n <= 3) yellowSeen += h->colourAt(15, 5) == kYellow;
    };
    clickAt(15, 5);
    EXPECT_EQ(s().shared.selectedRegion, 1);
    EXPECT_EQ(h->pump->waits, 3);
    EXPECT_DOUBLE_EQ(h->pump->seconds, 3 * 0.15);
    EXPECT_EQ(yellowSeen, 3);
    EXPECT_TRUE(h->ctx.isOpen<frmInfo>());
    EXPECT_EQ(h->colourAt(15, 5), kWhite);  // the plain map again after the blinks
    h->ctx.unload<frmInfo>();
}

// A region identified during a blink shows its information at once and
// blinks nothing of its own; the blink goes on, on its own region.
TEST_F(MapWindow, IdentifyDuringABlinkShowsTheRegionWithoutABlinkOfItsOwn) {
    // The regions' records, for the information window.
    const std::string table = scratchDir("map_window_table") + "/squares";
    frametest::writeTable(table, 2);
    s().area.dbfRecordset = DbfTable::Open(table + ".dbf");
    ASSERT_NE(s().area.dbfRecordset, nullptr);
    const auto infoLines = [&] {
        std::vector<std::string> lines;
        const frmInfo* info = h->ctx.find<frmInfo>();
        for (int i = 0; info && i < info->lstInfo->count(); ++i) lines.push_back(info->lstInfo->item(i)->text().toStdString());
        return lines;
    };
    useTool("ID");
    int blinkSeen = 0;
    h->pump->onWait = [&](std::int64_t n) {
        if (n == 1) {
            clickAt(5, 5);
            EXPECT_EQ(h->pump->waits, 1) << "the second click waited";
            // The region clicked is looked up at once; the blinked one
            // stays the region selected.
            EXPECT_TRUE(h->ctx.isOpen<frmInfo>());
            EXPECT_EQ(infoLines(), modFunctions::RegionInfoLines(*s().area.dbfRecordset, 0));
            EXPECT_EQ(s().shared.selectedRegion, 1);
        }
        blinkSeen += h->colourAt(15, 5) == kYellow;
        EXPECT_NE(h->colourAt(5, 5), kYellow) << "wait " << n;
    };
    clickAt(15, 5);
    EXPECT_EQ(h->pump->waits, 3);
    EXPECT_EQ(blinkSeen, 3);
    EXPECT_EQ(s().shared.selectedRegion, 1);
    EXPECT_EQ(infoLines(), modFunctions::RegionInfoLines(*s().area.dbfRecordset, 0));
    EXPECT_EQ(h->colourAt(15, 5), kWhite);
    h->ctx.unload<frmInfo>();
}

TEST_F(MapWindow, IdentifyOutsideEveryRegionDoesNothingFurther) {
    useTool("ID");
    w().picSHP_MouseDown(1, 0, 2, 2);
    EXPECT_EQ(h->pump->waits, 0);
    EXPECT_FALSE(h->ctx.isOpen<frmInfo>());
    EXPECT_EQ(h->colourAt(0, 5), kBlack);
}

TEST_F(MapWindow, ClosingTheWindowStopsTheBlinking) {
    useTool("ID");
    h->pump->onWait = [&](std::int64_t n) {
        if (n == 1) h->ctx.unload<frmPolygonSHP>();
    };
    clickAt(5, 5);
    EXPECT_EQ(h->pump->waits, 1);
    h->ctx.unload<frmInfo>();
}

TEST_F(MapWindow, FindHighlightsTheRegionUnderThePointer) {
    useTool("Find");
    clickAt(5, 5);
    EXPECT_EQ(s().shared.selectedRegion, 0);
    EXPECT_EQ(h->colourAt(5, 5), kYellow);
    EXPECT_EQ(h->colourAt(15, 5), kWhite);
    EXPECT_EQ(h->pump->waits, 0);
}

TEST_F(MapWindow, GraphBlinksThenShowsTheCusumPeriod) {
    useTool("Graph");
    s().cusum.cusumColoring = true;
    s().cusum.hValue = 4;
    s().cusum.mapCusum = Matrix::Zero(3, 2);
    s().cusum.mapCusum(2, 1) = 5;
    s().shared.currentPeriod = 1;
    clickAt(15, 5);
    EXPECT_EQ(s().shared.selectedRegion, 1);
    EXPECT_EQ(h->pump->waits, 3);
    EXPECT_DOUBLE_EQ(h->pump->seconds, 3 * 0.15);
    EXPECT_EQ(h->colourAt(15, 5), kRed);
    EXPECT_EQ(h->colourAt(5, 5), kWhite);
}

class MapRange : public MapWindow {
protected:
    void SetUp() override {
        MapWindow::SetUp();
        s().retro.bandwidthCount = 3;
        s().retro.rangeSigmas = {0.1, 0.3, 0.5, 0};
        s().retro.rangeLocalStats = Matrix::Zero(4, 3);
        for (int j = 0; j < 3; ++j) {
            s().retro.rangeLocalStats(j, 1) = -1.0 - j;
            s().retro.rangeLocalStats(j, 2) = 1.0 + j;
        }
        s().shared.retroMapMode = true;
        s().retro.resultsGeneration = s().area.generation;  // as a range run on this study area leaves it
        w().setButtonEnabled("MapAnimation", true);
    }
};

TEST_F(MapRange, AnimationShadesEachBandwidthAndShowsTheSlider) {
    // During each frame's wait the map still holds the bandwidth before it
    // (none before the first), which a redraw meanwhile would show.
    std::vector<double> shaded;
    bool noneBeforeTheFirst = false;
    h->pump->onWait = [&](std::int64_t n) {
        if (n == 1) noneBeforeTheFirst = s().retro.mapClassValues.empty();
        else shaded.push_back(s().retro.mapClassValues[1]);
    };
    w().Toolbar1_ButtonClick("MapAnimation");
    EXPECT_EQ(h->pump->waits, 3);
    EXPECT_DOUBLE_EQ(h->pump->seconds, 3 * 0.4);
    EXPECT_TRUE(noneBeforeTheFirst);
    EXPECT_EQ(shaded, (std::vector<double>{-1, -2}));
    EXPECT_TRUE(w().sliderStatsRange->isVisibleTo(&w()));
    EXPECT_TRUE(w().lblAni->isVisibleTo(&w()));
    EXPECT_EQ(w().sliderStatsRange->minimum(), 0);
    EXPECT_EQ(w().sliderStatsRange->maximum(), 2);
    // The slider stands at the bandwidth the map ends on.
    EXPECT_EQ(w().sliderStatsRange->value(), 2);
    EXPECT_EQ(s().retro.mapClassValues, (DoubleArray{0, -3, 3}));
    // Without a cluster window no statistic is chosen: negative blue, others red.
    EXPECT_EQ(h->colourAt(5, 5), 0xFF0000);
    EXPECT_EQ(h->colourAt(15, 5), kRed);
}

TEST_F(MapRange, SliderShadesTheChosenBandwidth) {
    w().Toolbar1_ButtonClick("MapAnimation");
    w().sliderStatsRange->setValue(1);
    EXPECT_EQ(s().retro.mapClassValues, (DoubleArray{0, -2, 2}));
    EXPECT_EQ(s().retro.mapLegendValues(), (DoubleArray{0, -2, 2}));
    w().sliderStatsRange_Scroll();
    EXPECT_EQ(w().sliderStatsRange->toolTip().toStdString(), "Bandwidth=0.300");
}

// A frame whose legend cannot be drawn (no regions to measure M* by) ends
// the animation with one "Warning!", and the next click animates again
// instead of finding the animation still marked as running.
TEST_F(MapRange, AFrameThatCannotBeDrawnEndsTheAnimationAndTheButtonStillWorks) {
    s().legend.legendStatistic = LegendStatistic::M;
    s().retro.alpha = 0.05;
    const std::int32_t regions = s().area.regionCount;
    h->pump->onWait = [&](std::int64_t n) {
        if (n == 2) s().area.regionCount = 0;
    };
    w().Toolbar1_ButtonClick("MapAnimation");
    EXPECT_EQ(h->pump->waits, 2);
    ASSERT_EQ(h->dlg->messages.size(), 1u);
    EXPECT_EQ(h->dlg->messages[0].title, "Warning!");
    EXPECT_EQ(h->dlg->messages[0].text.rfind("The map could not be drawn: ", 0), 0u) << h->dlg->messages[0].text;
    // The slider stays on the bandwidth last drawn.
    EXPECT_EQ(w().sliderStatsRange->value(), 0);
    EXPECT_TRUE(w().sliderStatsRange->isVisibleTo(&w()));

    s().area.regionCount = regions;
    h->pump->onWait = nullptr;
    h->pump->waits = 0;
    w().Toolbar1_ButtonClick("MapAnimation");
    EXPECT_EQ(h->pump->waits, 3);
    EXPECT_EQ(w().sliderStatsRange->value(), 2);
    EXPECT_EQ(h->dlg->messages.size(), 1u);
}

// Stopped from outside (by a window that replaces or withdraws the results
// shown), the animation only stops: it draws no bandwidth and chooses no
// list row, then or afterwards.
TEST_F(MapRange, StoppedFromOutsideTheAnimationDrawsNothingMore) {
    int chosen = 0;
    QObject::connect(&h->ctx.mapHub(), &MapHub::rangeRowChosen, [&](int) { ++chosen; });
    QImage before;
    h->pump->onWait = [&](std::int64_t n) {
        if (n != 2) return;
        chosen = 0;
        before = h->pic().image().copy();
        w().stopWaiting();
    };
    w().Toolbar1_ButtonClick("MapAnimation");
    EXPECT_EQ(h->pump->waits, 2);
    EXPECT_EQ(chosen, 0);
    EXPECT_TRUE(h->pic().image() == before);
    EXPECT_EQ(w().sliderStatsRange->value(), 0);
    EXPECT_EQ(s().retro.mapClassValues, (DoubleArray{0, -1, 1}));
}

TEST_F(MapRange, ClosingTheWindowStopsTheAnimation) {
    h->pump->onWait = [&](std::int64_t n) {
        if (n == 2) h->ctx.unload<frmPolygonSHP>();
    };
    w().Toolbar1_ButtonClick("MapAnimation");
    EXPECT_EQ(h->pump->waits, 2);
}

TEST_F(MapWindow, ActivatingAndClosingSwitchTheMapMenus) {
    h->area.setActiveSubWindow(nullptr);
    h->area.setActiveSubWindow(qobject_cast<QMdiSubWindow*>(AppContext::topOf(&w())));
    EXPECT_TRUE(w().mapMenusEnabled());
    frmPolygonSHP* win = &w();
    win->Form_Unload();
    EXPECT_FALSE(win->mapMenusEnabled());
}

}  // namespace

namespace {

// Inside the real main frame: the map's activation and closing switch the
// frame's attribute-table and centroid entries, and its mouse writes the
// frame's status bar.
TEST(MapInFrame, SwitchesTheFrameMenusAndWritesItsStatusBar) {
    const std::string base = scratchDir("map_frame") + "/squares";
    writeShapefile(base, twoSquares());
    AppContext ctx;
    installDialogs(std::make_shared<ScriptedDialogs>());
    installEventPump(std::make_shared<CountingEventPump>());
    MDIFrmMain* frame = installMainFrame(ctx);
    ASSERT_NE(frame, nullptr);
    frame->resize(1000, 750);
    frame->applyMenuRule(MenuRule::ShapefileOpened);

    AppState& s = ctx.state;
    s.area.shpPath = base + ".shp";
    s.view.mapExtent = MapRect{0, 10, 20, 10};
    s.area.regionCount = 2;
    s.view.mapZoom = 1.0;
    s.area.mapWindowTitle = "squares.shp";
    modDrawPolygon::DrawShapefile(ctx);
    frmPolygonSHP* map = ctx.find<frmPolygonSHP>();
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(AppContext::topOf(map)->parentWidget()->parentWidget(), frame->mdiArea);

    ctx.unload<frmPolygonSHP>();
    EXPECT_FALSE(frame->isMenuEnabled("mnuAttTable"));
    EXPECT_FALSE(frame->isMenuEnabled("mnuGetCentroid"));
    EXPECT_TRUE(frame->isMenuEnabled("mnuExport"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    modDrawPolygon::DrawShapefile(ctx);
    map = ctx.find<frmPolygonSHP>();
    ASSERT_NE(map, nullptr);
    frame->mdiArea->setActiveSubWindow(nullptr);
    frame->mdiArea->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(AppContext::topOf(map)));
    EXPECT_TRUE(frame->isMenuEnabled("mnuAttTable"));
    EXPECT_TRUE(frame->isMenuEnabled("mnuGetCentroid"));

    const auto d = mapToDevice(s.view.transform, 0, 0, 5, 5);
    ASSERT_TRUE(d);
    map->picSHP_MouseMove(0, 0, static_cast<float>(d->X), static_cast<float>(d->Y));
    EXPECT_EQ(frame->statusPanelText(), map->coordinateText());
    EXPECT_EQ(map->coordinateText().rfind("(X: ", 0), 0u);
    frame->grab().save(QString::fromStdString(testOutputPath("map_in_frame.png")));

    frame->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    installDialogs(std::make_shared<ScriptedDialogs>());
}

}  // namespace

namespace {

// The map window's tools on the worked example of the transform: extent
// Left 0, Top 100, Width 200, Height 100 (two 100 x 100 squares) on a
// picture of 6000 x 4500 twips, 400 x 300 pixels.
class MapWorkedExample : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string base = scratchDir("map_worked") + "/halves";
        writeShapefile(base, {{rectCW(0, 0, 100, 100)}, {rectCW(100, 0, 200, 100)}});
        h = std::make_unique<MapHarness>();
        h->useShapefile(base, 2);
        modDrawPolygon::DrawShapefile(h->ctx);
        h->window().picSHP->setGeometry(132, 30, 400, 300);
    }
    void TearDown() override {
        h.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    AppState& s() { return h->ctx.state; }
    frmPolygonSHP& w() { return h->window(); }
    void expectTransform(double marginX, double marginY, double scale, double dW, double dH) {
        EXPECT_DOUBLE_EQ(s().view.transform.marginX, marginX);
        EXPECT_DOUBLE_EQ(s().view.transform.marginY, marginY);
        EXPECT_DOUBLE_EQ(s().view.transform.mapScaleX, scale);
        EXPECT_DOUBLE_EQ(s().view.transform.mapScaleY, scale);
        EXPECT_DOUBLE_EQ(s().view.transform.drawnWidth, dW);
        EXPECT_DOUBLE_EQ(s().view.transform.drawnHeight, dH);
        EXPECT_DOUBLE_EQ(s().view.transform.mapOffsetX, 0.0);
        EXPECT_DOUBLE_EQ(s().view.transform.mapOffsetY, 0.0);
    }
    BgrColor at(int x, int y) { return h->pic().Point(x, y); }
    void press(const std::string& tool) {
        w().setButtonPressed(tool, true);
    }
    std::unique_ptr<MapHarness> h;
};

TEST_F(MapWorkedExample, WholeExtentZoomAndPanGiveTheWorkedValues) {
    ASSERT_DOUBLE_EQ(pixelsToTwips(w().picSHP->width()), 6000);
    ASSERT_DOUBLE_EQ(pixelsToTwips(w().picSHP->height()), 4500);

    // Whole extent: zoom 1, no pan. (0, 100) lands on (50, 75) and
    // (200, 0) on (350, 225).
    w().Toolbar1_ButtonClick("FullExt");
    SCOPED_TRACE("whole extent");
    expectTransform(50, 75, 1.5, 300, 150);
    EXPECT_DOUBLE_EQ(s().view.transform.extentAspect, 0.5);
    EXPECT_DOUBLE_EQ(s().view.transform.viewScale, 0.75);
    EXPECT_EQ(at(50, 75), 0x000000);
    EXPECT_EQ(at(350, 225), 0x000000);
    EXPECT_EQ(at(200, 150), 0x000000);  // the border of the two halves
    EXPECT_EQ(at(49, 75), 0xFFFFFF);
    EXPECT_EQ(at(125, 150), 0xFFFFFF);

    // Zoom in on the plain map: two steps of 0.4, the centre stays.
    press("ZoomIn");
    w().picSHP_MouseDown(1, 0, 10, 10);
    EXPECT_NEAR(s().view.mapZoom, 1.8, 1e-12);
    expectTransform(200 - 270, 150 - 135, 2.7, 540, 270);
    EXPECT_EQ(at(200, 150), 0x000000);

    // Zoom 2 doubles the sizes and scales and moves the margins to -100, 0.
    s().view.mapZoom = 2.0;
    w().RedrawByMode();
    expectTransform(-100, 0, 3, 600, 300);
    EXPECT_EQ(at(200, 0), 0x000000);  // the top of the border

    // Back to the whole extent.
    w().Toolbar1_ButtonClick("FullExt");
    expectTransform(50, 75, 1.5, 300, 150);

    // A pan drag of (+10, -5): every vertex moves 10 right and 5 up while
    // dragging, and the shift stays in the margins afterwards.
    press("Pan");
    w().picSHP_MouseDown(1, 0, 200, 150);
    w().picSHP_MouseMove(1, 0, 210, 145);
    EXPECT_DOUBLE_EQ(s().view.transform.marginX, 50);  // the drag is not in the margins
    EXPECT_EQ(at(60, 70), 0x000000);
    EXPECT_EQ(at(360, 220), 0x000000);
    EXPECT_EQ(at(50, 75), 0xFFFFFF);
    w().picSHP_MouseUp(1, 0, 210, 145);
    w().picSHP_Click();
    EXPECT_DOUBLE_EQ(s().view.panShiftX, 10);
    EXPECT_DOUBLE_EQ(s().view.panShiftY, -5);
    w().RedrawByMode();
    expectTransform(60, 70, 1.5, 300, 150);
    EXPECT_EQ(at(60, 70), 0x000000);

    // The plain full drawing leaves the accumulated shift out.
    modDrawPolygon::DrawShapefile(h->ctx);
    expectTransform(50, 75, 1.5, 300, 150);
    EXPECT_EQ(at(50, 75), 0x000000);

    // Whole extent drops the shift and the zoom.
    s().view.mapZoom = 2.6;
    w().Toolbar1_ButtonClick("FullExt");
    EXPECT_DOUBLE_EQ(s().view.mapZoom, 1.0);
    EXPECT_DOUBLE_EQ(s().view.panShiftX, 0);
    EXPECT_DOUBLE_EQ(s().view.panShiftY, 0);
    expectTransform(50, 75, 1.5, 300, 150);
    EXPECT_EQ(at(50, 75), 0x000000);
    EXPECT_EQ(at(60, 70), 0xFFFFFF);
}

}  // namespace

namespace {

// Maximising, restoring and resizing the window redraw the map for the
// picture's new size: centred, and with the picture's own pixels.
TEST_F(MapWorkedExample, EveryResizeRedrawsForThePicturesNewSize) {
    auto* sub = qobject_cast<QMdiSubWindow*>(AppContext::topOf(&w()));
    ASSERT_NE(sub, nullptr);
    const struct {
        const char* name;
        std::function<void()> act;
    } steps[] = {
        {"maximised", [&] { sub->showMaximized(); }},
        {"restored", [&] { sub->showNormal(); }},
        {"resized", [&] { sub->resize(700, 420); }},
        {"maximised again", [&] { sub->showMaximized(); }},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        step.act();
        QCoreApplication::processEvents();
        const PictureBox& box = *w().picSHP;
        EXPECT_EQ(h->pic().widthPx(), box.width());
        EXPECT_EQ(h->pic().heightPx(), box.height());
        EXPECT_DOUBLE_EQ(s().view.transform.halfPictureWidth, box.width() / 2.0);
        EXPECT_DOUBLE_EQ(s().view.transform.halfPictureHeight, box.height() / 2.0);
        // The border of the two halves runs through the picture's centre.
        const DevicePoint mid = h->pixelOf(100, 50);
        EXPECT_NEAR(mid.X, box.width() / 2.0, 1.0);
        EXPECT_NEAR(mid.Y, box.height() / 2.0, 1.0);
        EXPECT_EQ(at(mid.X, mid.Y), 0x000000);
    }
}

}  // namespace
