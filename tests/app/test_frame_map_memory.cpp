// Memory running out while the map draws, through the real frame: the map
// reads its .shp a record at a time, so a map whose file is larger than the
// memory a step may take but whose records are not is drawn as ever; one
// whose record cannot be held leaves everything shown as it was (the
// picture, the legend beside it, the zoom, the lists of the run) and says
// so in the map's own words, and never in the words of a stopped step.
#include <QColor>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>

#include <cmath>
#include <cstddef>
#include <filesystem>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "context/MapHub.h"
#include "map/MapTransform.h"
#include "map/frmPolygonSHP.h"
#include "map/modDrawPolygon.h"
#include "platform/DbfTable.h"
#include "prospective/frmSelectName.h"
#include "prospective/frmTxtFileOpen.h"
#include "prospective/frmUnivariate.h"
#include "retrospective/frmClusterDetection.h"
#include "tests/app/FrameFixture.h"
#include "tests/support/AllocationLimit.h"
#include "tests/support/TestPaths.h"

using namespace frametest;

namespace {

constexpr std::size_t kKB = 1024;

// A 10 x 10 square from (x0, y0), clockwise and closed, each side cut into
// `perSide` pieces: 4 perSide + 1 vertices in all.
Ring square(double x0, double y0, int perSide) {
    const MapPoint corners[] = {{x0, y0}, {x0, y0 + 10}, {x0 + 10, y0 + 10}, {x0 + 10, y0}, {x0, y0}};
    Ring ring;
    for (int side = 0; side < 4; ++side) {
        const MapPoint a = corners[side], b = corners[side + 1];
        for (int k = 0; k < perSide; ++k) {
            const double f = static_cast<double>(k) / perSide;
            ring.push_back({a.X + (b.X - a.X) * f, a.Y + (b.Y - a.Y) * f});
        }
    }
    ring.push_back(corners[0]);
    return ring;
}

// Four squares in two rows, region 2 right of region 1; the table holds
// what both test windows read: NAME, POP, CASES and three periods Z1..Z3.
std::string writeArea(const std::string& dir, const std::vector<int>& perSide) {
    const std::string base = dir + "/four";
    writeShapes(base, {{square(0, 0, perSide[0])}, {square(10, 0, perSide[1])}, {square(0, 10, perSide[2])},
                       {square(10, 10, perSide[3])}});
    DBFHandle h = DBFCreate((base + ".dbf").c_str());
    EXPECT_NE(h, nullptr);
    DBFAddField(h, "NAME", FTString, 16, 0);
    DBFAddField(h, "POP", FTInteger, 9, 0);
    DBFAddField(h, "CASES", FTInteger, 9, 0);
    for (const char* z : {"Z1", "Z2", "Z3"}) DBFAddField(h, z, FTDouble, 10, 4);
    const double z[4][3] = {{0.5, 1.5, 2.5}, {2.0, 2.5, 3.0}, {-0.5, 0.2, 0.1}, {1.0, -1.0, 0.5}};
    for (int i = 0; i < 4; ++i) {
        DBFWriteStringAttribute(h, i, 0, ("R" + std::to_string(i + 1)).c_str());
        DBFWriteIntegerAttribute(h, i, 1, 1000 * (i + 1));
        DBFWriteIntegerAttribute(h, i, 2, i == 1 ? 40 : 3 * (i + 1));
        for (int p = 0; p < 3; ++p) DBFWriteDoubleAttribute(h, i, 3 + p, z[i][p]);
    }
    DBFClose(h);
    return base + ".shp";
}

// The regions' sizes for a limit: every record well below it while the
// whole file is above it, or the first region's record (and the pixels of
// its ring) more than the limit.
enum class Records { BelowTheLimit, OneAboveIt };

std::vector<int> sidesFor(std::size_t limit, Records records) {
    if (records == Records::OneAboveIt) {
        // 8 bytes a pixel and 16 a vertex: both above the limit.
        const int big = static_cast<int>(limit / 32) + 16;
        return {big, 1, 1, 1};
    }
    // 16 bytes a vertex: a record of about 40 % of the limit, and a file of
    // four such records (the same ring by ring in the copies a step makes).
    const int each = static_cast<int>(limit * 4 / 10 / 16 / 4);
    return {each, each, each, each};
}

enum class Step { ClusterRun, ClusterId, ClusterZoomIn, CusumRun, Continuation, CusumZoomOut, Graph };

const char* stepName(Step s) {
    switch (s) {
        case Step::ClusterRun: return "cluster Run";
        case Step::ClusterId: return "ID on the class map";
        case Step::ClusterZoomIn: return "zoom in on the class map";
        case Step::CusumRun: return "cusum Run";
        case Step::Continuation: return "continuation";
        case Step::CusumZoomOut: return "zoom out on the cusum map";
        case Step::Graph: return "Graph";
    }
    return "";
}

bool onCusum(Step s) {
    return s == Step::CusumRun || s == Step::Continuation || s == Step::CusumZoomOut || s == Step::Graph;
}

// The mouse on the widget at `at`, through the application's event
// dispatch as a user's hand moves it: the left button pressed, the pointer
// moved (with the left button held or none), the left button released.
void pressAt(QWidget* w, QPointF at) {
    QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
}
void moveTo(QWidget* w, QPointF at, Qt::MouseButtons held) {
    QMouseEvent move(QEvent::MouseMove, at, w->mapToGlobal(at), Qt::NoButton, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &move);
}
void releaseAt(QWidget* w, QPointF at) {
    QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(w, &release);
}
// A press and release of the left button: a click.
void clickAt(QWidget* w, QPointF at) {
    pressAt(w, at);
    releaseAt(w, at);
}

// Every field of the transform the view stores, named where two differ.
void expectSameTransform(const MapTransform& now, const MapTransform& before) {
    const struct {
        const char* name;
        double MapTransform::*field;
    } fields[] = {
        {"extentAspect", &MapTransform::extentAspect}, {"viewScale", &MapTransform::viewScale},
        {"drawnWidth", &MapTransform::drawnWidth},     {"drawnHeight", &MapTransform::drawnHeight},
        {"halfDrawnWidth", &MapTransform::halfDrawnWidth}, {"halfDrawnHeight", &MapTransform::halfDrawnHeight},
        {"halfPictureWidth", &MapTransform::halfPictureWidth}, {"halfPictureHeight", &MapTransform::halfPictureHeight},
        {"marginX", &MapTransform::marginX},           {"marginY", &MapTransform::marginY},
        {"mapScaleX", &MapTransform::mapScaleX},       {"mapScaleY", &MapTransform::mapScaleY},
        {"mapOffsetX", &MapTransform::mapOffsetX},     {"mapOffsetY", &MapTransform::mapOffsetY},
    };
    for (const auto& f : fields)
        EXPECT_EQ(now.*f.field, before.*f.field) << "the transform's " << f.name << " is not that of the picture shown";
}

// Everything the step could change that the user sees.
struct Shown {
    QImage map, legend;
    double zoom = 0;
    std::vector<std::string> lists;
};

class MapMemoryScene : public FrameTest {
protected:
    frmPolygonSHP* map() { return ctx->find<frmPolygonSHP>(); }
    frmUnivariate* cusum() { return ctx->find<frmUnivariate>(); }
    frmClusterDetection* cluster() { return ctx->find<frmClusterDetection>(); }

    // The study area opened in the window of the step, with a first run.
    void open(Step step, const std::string& shp) {
        if (!onCusum(step)) {
            openRetroWithFields(shp);
            ASSERT_NE(cluster(), nullptr);
            cluster()->cmdRun->click();
            return;
        }
        frmUnivariate* u = openProWithNames(shp);
        ASSERT_NE(u, nullptr);
        const auto& t = *ctx->state.area.dbfRecordset;
        u->selectStartField(t.FieldIndex("Z1"));
        u->selectEndField(t.FieldIndex("Z3"));
        u->txtHvalue->setText("1");
        u->txtSigma->setText("1");
        u->cmdCalc->click();
        if (step != Step::Continuation) return;
        dlg->queueFile(dir + "/saved.csm");
        u->cmdSaveCusum->click();
        u->selectPrevious();
        u->cmdCalc->click();
        frmTxtFileOpen* f = ctx->find<frmTxtFileOpen>();
        ASSERT_NE(f, nullptr);
        dlg->queueFile(dir + "/saved.csm");
        f->cmdOpen_Click();
        f->cmdOK->click();
    }

    // The step as the user takes it: a button, or a tool and a click on
    // region 2 of the map.
    void take(Step step) {
        const auto tool = [&](const char* key) {
            pressTool(key);
            clickAt(map()->picSHP, pixelOf(15, 5));
        };
        switch (step) {
            case Step::ClusterRun: return cluster()->cmdRun->click();
            case Step::CusumRun: return cusum()->cmdCalc->click();
            case Step::Continuation: return ctx->find<frmTxtFileOpen>()->cmdOK->click();
            case Step::ClusterId: return tool("ID");
            case Step::ClusterZoomIn: return tool("ZoomIn");
            case Step::CusumZoomOut: return tool("ZoomOut");
            case Step::Graph: return tool("Graph");
        }
    }

    // The middle of the pixel that the map point (x, y) has in the picture
    // drawn with the transform the view holds.
    QPointF pixelOf(double x, double y) {
        const DevicePoint at = *mapToDevice(ctx->state.view.transform, 0, 0, x, y);
        return QPointF(at.X + 0.5, at.Y + 0.5);
    }

    // A tool pressed on the map's toolbar.
    void pressTool(const char* key) {
        if (!map()->isButtonPressed(key)) map()->button(key)->trigger();
    }

    Shown shown(Step step) {
        Shown s;
        s.map = map()->picSHP->surface().image().copy();
        s.legend = map()->formSurface->surface().image().copy();
        s.zoom = ctx->state.view.mapZoom;
        const auto add = [&](const std::vector<std::string>& lines) { s.lists.insert(s.lists.end(), lines.begin(), lines.end()); };
        if (onCusum(step)) {
            add(cusum()->periodLines());
            add(cusum()->regionLines());
        } else {
            add(cluster()->globalLines());
            add(cluster()->localLines());
        }
        return s;
    }

    std::string dir;
};

class FrameMapMemory : public MapMemoryScene,
                       public ::testing::WithParamInterface<std::tuple<std::size_t, Step, Records>> {};

TEST_P(FrameMapMemory, AStepKeepsWhatTheMapShowsOrDrawsItWhole) {
    const auto [limit, step, records] = GetParam();
    SCOPED_TRACE(std::string(stepName(step)) + ", limit " + std::to_string(limit / kKB) + " KB");
    dir = scratchDir("map-memory");
    const std::string shp = writeArea(dir, sidesFor(limit, records));
    if (records == Records::BelowTheLimit) {
        ASSERT_GT(std::filesystem::file_size(shp), limit);
    }
    open(step, shp);
    ASSERT_NE(map(), nullptr);
    ASSERT_EQ(takeMessages(), std::vector<std::string>{});
    const Shown before = shown(step);
    ASSERT_FALSE(before.lists.empty());

    {
        const AllocationLimit limited(limit);
        take(step);
    }
    for (const auto& m : dlg->messages) {
        EXPECT_EQ(m.title, "Warning!");
        EXPECT_EQ(m.icon, MsgIcon::Critical);
    }
    const std::vector<std::string> said = takeMessages();
    const Shown after = shown(step);

    if (records == Records::OneAboveIt) {
        EXPECT_EQ(said, std::vector<std::string>{"There is not enough memory left to draw the map of " + shp +
                                                 ". The map shows what it showed before."});
        EXPECT_TRUE(after.map == before.map) << "the picture changed";
        EXPECT_TRUE(after.legend == before.legend) << "the legend changed";
        EXPECT_EQ(after.zoom, before.zoom);
        EXPECT_EQ(after.lists, before.lists);
        // With the memory back the same step draws.
        take(step);
        EXPECT_EQ(takeMessages(), std::vector<std::string>{});
        return;
    }

    // The same step without a limit, from where the limited one started
    // (the zoom from the full extent, which is where the opening left it).
    EXPECT_EQ(said, std::vector<std::string>{});
    if (step == Step::ClusterZoomIn || step == Step::CusumZoomOut) map()->Toolbar1_ButtonClick("FullExt");
    take(step);
    ASSERT_EQ(takeMessages(), std::vector<std::string>{});
    const Shown unlimited = shown(step);
    EXPECT_TRUE(after.map == unlimited.map) << "the picture differs";
    EXPECT_TRUE(after.legend == unlimited.legend) << "the legend differs";
    EXPECT_EQ(after.zoom, unlimited.zoom);
    EXPECT_EQ(after.lists, unlimited.lists);
}

INSTANTIATE_TEST_SUITE_P(
    Limits, FrameMapMemory,
    ::testing::Combine(::testing::Values(4 * kKB, 64 * kKB, 256 * kKB, 1024 * kKB),
                       ::testing::Values(Step::ClusterRun, Step::ClusterId, Step::ClusterZoomIn, Step::CusumRun,
                                         Step::Continuation, Step::CusumZoomOut, Step::Graph),
                       ::testing::Values(Records::BelowTheLimit, Records::OneAboveIt)));

// A click that draws nothing for want of memory says so each time it is
// taken, while the periods of one run say it once.
TEST_F(MapMemoryScene, EachStepThatCannotDrawSaysSoOnce) {
    dir = scratchDir("map-memory-steps");
    constexpr std::size_t kLimit = 4 * kKB;
    const std::string shp = writeArea(dir, sidesFor(kLimit, Records::OneAboveIt));
    const std::string says =
        "There is not enough memory left to draw the map of " + shp + ". The map shows what it showed before.";
    open(Step::CusumZoomOut, shp);
    ASSERT_NE(map(), nullptr);
    ASSERT_EQ(takeMessages(), std::vector<std::string>{});
    const double zoom = ctx->state.view.mapZoom;
    {
        const AllocationLimit limited(kLimit);
        take(Step::CusumZoomOut);
        take(Step::CusumZoomOut);
    }
    EXPECT_EQ(takeMessages(), (std::vector<std::string>{says, says}));
    EXPECT_EQ(ctx->state.view.mapZoom, zoom);
    {
        // Three periods, each drawn for want of memory on the map before.
        const AllocationLimit limited(kLimit);
        take(Step::CusumRun);
    }
    EXPECT_EQ(takeMessages(), std::vector<std::string>{says});
    ASSERT_FALSE(cusum()->periodLines().empty());
    {
        // A click during the run's animation is a step of its own.
        const AllocationLimit limited(kLimit);
        bool clicked = false;
        pump->onWait = [&](std::int64_t) {
            if (std::exchange(clicked, true)) return;
            take(Step::CusumZoomOut);
        };
        take(Step::CusumRun);
        pump->onWait = nullptr;
        EXPECT_TRUE(clicked);
    }
    EXPECT_EQ(takeMessages(), (std::vector<std::string>{says, says}));
    EXPECT_EQ(ctx->state.view.mapZoom, zoom);
}

// A legend wider than the last one moves the picture right of its labels
// and commits its classes before the map is made: when the map cannot be
// made, the picture keeps its place and what it showed, and the classes are
// those of the legend still shown.
TEST_F(MapMemoryScene, AWiderLegendThatCannotBeDrawnLeavesThePictureAndTheClasses) {
    dir = scratchDir("map-memory-legend");
    constexpr std::size_t kLimit = 4 * kKB;
    const std::string shp = writeArea(dir, sidesFor(kLimit, Records::OneAboveIt));
    open(Step::ClusterRun, shp);
    ASSERT_NE(map(), nullptr);
    ASSERT_EQ(takeMessages(), std::vector<std::string>{});
    const QRect place = map()->picSHP->geometry();
    const Shown before = shown(Step::ClusterRun);
    const LegendState legend = ctx->state.legend;
    const MapTransform shownWith = ctx->state.view.transform;
    // Three integer digits of both signs: labels wider than the strip.
    const DoubleArray wide = {0.0, -987.6543, -123.4567, 456.789, 876.5432};
    bool drawn = true;
    {
        const AllocationLimit limited(kLimit);
        drawn = modDrawPolygon::ShowClassMap(*ctx, wide);
    }
    EXPECT_FALSE(drawn);
    EXPECT_EQ(takeMessages(), std::vector<std::string>{"There is not enough memory left to draw the map of " + shp +
                                                       ". The map shows what it showed before."});
    EXPECT_EQ(map()->picSHP->geometry(), place);
    const Shown after = shown(Step::ClusterRun);
    EXPECT_TRUE(after.map == before.map) << "the picture changed";
    EXPECT_TRUE(after.legend == before.legend) << "the legend changed";
    EXPECT_EQ(ctx->state.legend.legendBreaks, legend.legendBreaks);
    EXPECT_EQ(ctx->state.legend.classBreaks, legend.classBreaks);
    EXPECT_EQ(ctx->state.legend.legendMin, legend.legendMin);
    EXPECT_EQ(ctx->state.legend.legendMax, legend.legendMax);
    // The transform is that of the picture still shown, in its place.
    EXPECT_TRUE(ctx->state.view.mapTransformValid);
    expectSameTransform(ctx->state.view.transform, shownWith);
    // With the memory back the wider legend moves the picture and draws.
    EXPECT_TRUE(modDrawPolygon::ShowClassMap(*ctx, wide));
    EXPECT_GT(map()->picSHP->geometry().left(), place.left());
    EXPECT_NE(ctx->state.legend.legendBreaks, legend.legendBreaks);
}

// What the pointer names after a wider legend could not be drawn: the
// picture shown is the one drawn before, so Find and the coordinates in
// the status bar read it as they did before, not as the picture narrowed
// for the legend would have shown the regions.
TEST_F(MapMemoryScene, AWiderLegendThatCannotBeDrawnLeavesFindAndTheCoordinatesOnThePicture) {
    dir = scratchDir("map-memory-legend-find");
    constexpr std::size_t kLimit = 4 * kKB;
    const std::string shp = writeArea(dir, sidesFor(kLimit, Records::OneAboveIt));
    open(Step::ClusterRun, shp);
    ASSERT_NE(map(), nullptr);
    ASSERT_EQ(takeMessages(), std::vector<std::string>{});
    ASSERT_TRUE(map()->isButtonPressed("Find"));
    // A class map whose regions 1 and 2 lie in classes of their own, with
    // a legend as narrow as the run's.
    const QRect place = map()->picSHP->geometry();
    ASSERT_TRUE(modDrawPolygon::ShowClassMap(*ctx, DoubleArray{0.0, -1.5, 2.5, 0.5, 1.0}));
    ASSERT_EQ(map()->picSHP->geometry(), place);
    // Half a unit inside region 1 beside region 2: in the picture narrowed
    // for a wider legend, region 2 lies there.
    const QPointF at = pixelOf(9.5, 5);
    {
        const QImage& picture = map()->picSHP->surface().image();
        const QRgb region1 = picture.pixel(pixelOf(5, 5).toPoint()), region2 = picture.pixel(pixelOf(15, 5).toPoint());
        ASSERT_NE(region1, region2) << "regions 1 and 2 share a colour: the picture does not tell them apart";
        ASSERT_EQ(picture.pixel(at.toPoint()), region1) << "the picture shows no region 1 under the pointer";
    }
    moveTo(map()->picSHP, at, Qt::NoButton);
    const std::string coordinates = frame->statusPanelText();
    ASSERT_EQ(coordinates.rfind("(X: 9", 0), 0u) << coordinates;

    const DoubleArray wide = {0.0, -987.6543, -123.4567, 456.789, 876.5432};
    {
        const AllocationLimit limited(kLimit);
        ASSERT_FALSE(modDrawPolygon::ShowClassMap(*ctx, wide));
    }
    ASSERT_EQ(takeMessages(), std::vector<std::string>{"There is not enough memory left to draw the map of " + shp +
                                                       ". The map shows what it showed before."});

    // The pointer over the same pixel of the same picture reads the same
    // point of the map.
    moveTo(map()->picSHP, at, Qt::NoButton);
    EXPECT_EQ(frame->statusPanelText(), coordinates) << "the coordinates are not those of the picture shown";
    EXPECT_EQ(map()->coordinateText(), coordinates);
    // Find there finds region 1 and lights it under the pointer.
    std::vector<int> found;
    const QMetaObject::Connection c =
        QObject::connect(&ctx->mapHub(), &MapHub::regionFound, [&found](int region) { found.push_back(region); });
    clickAt(map()->picSHP, at);
    QObject::disconnect(c);
    EXPECT_EQ(takeMessages(), std::vector<std::string>{});
    EXPECT_EQ(found, std::vector<int>{0}) << "Find named another region than the one under the pointer";
    EXPECT_EQ(ctx->state.shared.selectedRegion, 0);
    EXPECT_EQ(map()->picSHP->surface().image().pixel(at.toPoint()), QColor(Qt::yellow).rgb())
        << "the region lit is not the one under the pointer";
}

// A pan whose release cannot draw the map for want of memory is dropped:
// the map keeps the shift and the transform it had before the drag, and
// the next drawing (an identify's) puts the regions where they were, so
// that the pointer names the region it named before.
class FrameMapMemoryPan : public MapMemoryScene, public ::testing::WithParamInterface<Step> {};

TEST_P(FrameMapMemoryPan, APanReleaseThatCannotBeDrawnDropsItsPan) {
    const Step window = GetParam();
    SCOPED_TRACE(stepName(window));
    dir = scratchDir("map-memory-pan");
    constexpr std::size_t kLimit = 4 * kKB;
    const std::string shp = writeArea(dir, sidesFor(kLimit, Records::OneAboveIt));
    open(window, shp);
    ASSERT_NE(map(), nullptr);
    ASSERT_EQ(takeMessages(), std::vector<std::string>{});
    // The identify tool on region 2 names it.
    const QPointF inRegion2 = pixelOf(15, 5);
    pressTool("ID");
    clickAt(map()->picSHP, inRegion2);
    ASSERT_EQ(takeMessages(), std::vector<std::string>{});
    ASSERT_EQ(ctx->state.shared.selectedRegion, 1);
    const MapViewState view = ctx->state.view;
    ASSERT_EQ(view.panShiftX, 0);

    // The pan tool drags the map right by about a region's width: region 1
    // would come under the pointer.
    const double dx = std::round(10 * view.transform.mapScaleX);
    const QPointF from(map()->picSHP->width() / 2.0 - dx / 2, map()->picSHP->height() / 2.0);
    const QPointF to = from + QPointF(dx, 0);
    pressTool("Pan");
    pressAt(map()->picSHP, from);
    const Shown pressed = shown(window);
    moveTo(map()->picSHP, to, Qt::LeftButton);
    ASSERT_EQ(takeMessages(), std::vector<std::string>{});
    ASSERT_EQ(ctx->state.view.panDragX, dx);
    ASSERT_FALSE(map()->picSHP->surface().image() == pressed.map) << "the drag moved nothing";
    // The release draws nothing: the picture of before the drag comes back,
    // its regions where the pointer finds them.
    {
        const AllocationLimit limited(kLimit);
        releaseAt(map()->picSHP, to);
    }
    EXPECT_EQ(takeMessages(), std::vector<std::string>{"There is not enough memory left to draw the map of " + shp +
                                                       ". The map shows what it showed before."});
    const MapViewState& now = ctx->state.view;
    EXPECT_FALSE(now.panDragging);
    EXPECT_EQ(now.panShiftX, view.panShiftX) << "the pan that could not be drawn was kept";
    EXPECT_EQ(now.panShiftY, view.panShiftY) << "the pan that could not be drawn was kept";
    EXPECT_EQ(now.panDragX, 0);
    EXPECT_EQ(now.panDragY, 0);
    EXPECT_EQ(now.mapZoom, view.mapZoom);
    EXPECT_TRUE(now.mapTransformValid);
    expectSameTransform(now.transform, view.transform);
    const Shown after = shown(window);
    EXPECT_TRUE(after.map == pressed.map) << "the picture is not the one of before the drag";
    EXPECT_TRUE(after.legend == pressed.legend) << "the legend changed";
    EXPECT_EQ(after.lists, pressed.lists);

    // The identify tool at the same pixel names region 2 again.
    pressTool("ID");
    clickAt(map()->picSHP, inRegion2);
    EXPECT_EQ(takeMessages(), std::vector<std::string>{});
    EXPECT_EQ(ctx->state.shared.selectedRegion, 1) << "the identify named another region than before the drag";

    // With the memory back the same drag pans the map.
    pressTool("Pan");
    pressAt(map()->picSHP, from);
    moveTo(map()->picSHP, to, Qt::LeftButton);
    releaseAt(map()->picSHP, to);
    EXPECT_EQ(takeMessages(), std::vector<std::string>{});
    EXPECT_EQ(ctx->state.view.panShiftX, view.panShiftX + dx);
    EXPECT_EQ(ctx->state.view.transform.marginX, view.transform.marginX + dx);
}

INSTANTIATE_TEST_SUITE_P(Maps, FrameMapMemoryPan, ::testing::Values(Step::ClusterRun, Step::CusumRun),
                         [](const ::testing::TestParamInfo<Step>& info) {
                             return std::string(info.param == Step::ClusterRun ? "ClassMap" : "CusumMap");
                         });

// The identify tool copies the ring it tests: a ring whose copy cannot be
// had, though its record is drawn, identifies nothing and says why; the
// class map and its legend are drawn again as they were.
TEST_F(MapMemoryScene, ARegionThatCannotBeTestedForWantOfMemoryIsNotIdentified) {
    dir = scratchDir("map-memory-identify");
    constexpr std::size_t kLimit = 4 * kKB;
    // Region 2 of 301 vertices: 4.8 KB of ring, 2.4 KB of pixels.
    const std::string shp = writeArea(dir, {1, 75, 1, 1});
    open(Step::ClusterId, shp);
    ASSERT_NE(map(), nullptr);
    ASSERT_EQ(takeMessages(), std::vector<std::string>{});
    const Shown before = shown(Step::ClusterId);
    {
        const AllocationLimit limited(kLimit);
        take(Step::ClusterId);
    }
    EXPECT_EQ(takeMessages(), std::vector<std::string>{"There is not enough memory left to find the region at this "
                                                       "point of the map of " + shp + "."});
    EXPECT_EQ(ctx->state.shared.selectedRegion, 0);
    const Shown after = shown(Step::ClusterId);
    EXPECT_TRUE(after.map == before.map);
    EXPECT_TRUE(after.legend == before.legend);
    EXPECT_EQ(after.lists, before.lists);
    // With the memory back the click identifies region 2.
    take(Step::ClusterId);
    EXPECT_EQ(takeMessages(), std::vector<std::string>{});
    EXPECT_EQ(ctx->state.shared.selectedRegion, 1);
}

}  // namespace
