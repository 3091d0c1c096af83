// Opening a polygon shapefile from both entries of the main frame: what is
// loaded, which windows close and open, and every refusal, which keeps the
// study area opened before.
#include <QComboBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTableWidget>
#include <sys/stat.h>

#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "app/frmAttTable.h"
#include "app/modLoad.h"
#include "map/frmInfo.h"
#include "map/frmPolygonSHP.h"
#include "map/modDrawPolygon.h"
#include "platform/DbfTable.h"
#include "retrospective/frmClusterDetection.h"
#include "retrospective/frmParameter.h"
#include "retrospective/frmSigmaChart.h"
#include "tests/app/FrameFixture.h"
#include "tests/support/SpecialFiles.h"
#include "tests/support/TestPaths.h"
#include "tests/support/Unprivileged.h"

namespace fs = std::filesystem;
using namespace frametest;

namespace {

// The pixel of a map point under the transform the last drawing left.
DevicePoint pixelOf(const AppState& s, double X, double Y) {
    const double x = s.view.transform.mapScaleX * X + s.view.transform.mapScaleX * s.view.transform.mapOffsetX + s.view.transform.marginX + s.view.panDragX;
    const double y1 = std::nearbyint(s.view.transform.mapScaleY * Y + s.view.transform.mapScaleY * s.view.transform.mapOffsetY);
    const double y = s.view.transform.drawnHeight - y1 + s.view.transform.marginY + s.view.panDragY;
    return {static_cast<std::int32_t>(std::nearbyint(x)), static_cast<std::int32_t>(std::nearbyint(y))};
}

std::string lowerCaseName(std::string s) {
    for (char& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return s;
}

}  // namespace

class FrameOpen : public FrameTest {
protected:
    // The study area every refusal test opens first and must keep.
    void openFirst() {
        folder = scratchDir("open-first");
        firstShp = writeStudyArea(folder, "first");
        openRetro(firstShp);
        ASSERT_EQ(ctx->state.area.regionCount, 3);
        firstPolygons = ctx->state.area.polygons.Item(1);
        firstTable = ctx->state.area.dbfRecordset;
        takeMessages();
    }
    void expectFirstStillLoaded() {
        const AppState& s = ctx->state;
        EXPECT_EQ(s.area.regionCount, 3);
        EXPECT_EQ(s.area.polygons.Count(), 3);
        EXPECT_EQ(s.area.polygons.Item(1), firstPolygons);
        EXPECT_EQ(s.area.dbfRecordset, firstTable);
        EXPECT_EQ(s.area.shpPath, firstShp);
        EXPECT_EQ(s.area.dbfFileName, "first.dbf");
        EXPECT_EQ(s.area.mapWindowTitle, "first.shp");
        EXPECT_DOUBLE_EQ(s.view.mapExtent.Width, 20.0);
        EXPECT_DOUBLE_EQ(s.view.mapExtent.Height, 15.0);
    }

    std::string folder, firstShp;
    std::shared_ptr<CPolygon> firstPolygons;
    std::shared_ptr<DbfTable> firstTable;
};

TEST_F(FrameOpen, RetrospectiveEntryLoadsTheStudyAreaAndDrawsThePlainMap) {
    const std::string dir = scratchDir("open-retro");
    const std::string shp = writeStudyArea(dir, "counties");
    bool sawDataInput = false;
    dataInput = [&](QWidget* w) {
        // The data input sees the new table and regions before the map is drawn.
        sawDataInput = true;
        EXPECT_NE(qobject_cast<frmParameter*>(w), nullptr);
        EXPECT_EQ(ctx->state.area.regionCount, 3);
        ASSERT_TRUE(ctx->state.area.dbfRecordset);
        EXPECT_EQ(ctx->state.area.dbfRecordset->RecordCount(), 3);
        EXPECT_EQ(ctx->find<frmPolygonSHP>(), nullptr);
        AppContext::topOf(w)->close();
    };
    openRetro(shp);
    EXPECT_TRUE(sawDataInput);
    EXPECT_TRUE(dlg->messages.empty());

    ASSERT_EQ(dlg->fileCalls.size(), 1u);
    EXPECT_FALSE(dlg->fileCalls[0].save);
    EXPECT_EQ(dlg->fileCalls[0].request.filter, "SHP Files (*.shp)|*.shp|All Files (*.*)|*.*|");

    const AppState& s = ctx->state;
    EXPECT_EQ(s.area.shpPath, shp);
    EXPECT_EQ(s.area.shpFileTitle, "counties.shp");
    EXPECT_EQ(s.area.shpBaseName, "counties");
    EXPECT_EQ(s.area.dbfFolder, dir + "/");
    EXPECT_EQ(s.area.dbfFileName, "counties.dbf");
    EXPECT_EQ(s.area.dbfPath, dir + "/counties.dbf");
    EXPECT_EQ(s.area.mapWindowTitle, "counties.shp");
    EXPECT_EQ(s.area.regionCount, 3);
    EXPECT_EQ(s.area.polygons.Count(), 3);
    EXPECT_DOUBLE_EQ(s.area.shpHeaderBox.Left, 0.0);
    EXPECT_DOUBLE_EQ(s.area.shpHeaderBox.Bottom, 0.0);
    EXPECT_DOUBLE_EQ(s.area.shpHeaderBox.Right, 20.0);
    EXPECT_DOUBLE_EQ(s.area.shpHeaderBox.Top, 15.0);
    EXPECT_DOUBLE_EQ(s.view.mapExtent.Left, 0.0);
    EXPECT_DOUBLE_EQ(s.view.mapExtent.Top, 15.0);
    EXPECT_DOUBLE_EQ(s.view.mapExtent.Width, 20.0);
    EXPECT_DOUBLE_EQ(s.view.mapExtent.Height, 15.0);
    EXPECT_DOUBLE_EQ(s.view.mapZoom, 1.0);
    // Areas and centroids, computed by hand for the three rectangles.
    EXPECT_DOUBLE_EQ(s.area.studyArea, 300.0);
    ASSERT_EQ(s.area.centroidTable.size(), 4u);
    const double want[4][2] = {{0, 0}, {5, 5}, {15, 5}, {10, 12.5}};
    for (int i = 1; i <= 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(s.area.centroidTable[static_cast<std::size_t>(i)].ID, std::to_string(i));
        EXPECT_NEAR(s.area.centroidTable[static_cast<std::size_t>(i)].X, want[i][0], 1e-12);
        EXPECT_NEAR(s.area.centroidTable[static_cast<std::size_t>(i)].Y, want[i][1], 1e-12);
    }
    EXPECT_TRUE(s.shared.polygonDataMode);
    EXPECT_FALSE(s.shared.pointDataMode);
    EXPECT_FALSE(s.shared.retroMapMode);
    EXPECT_FALSE(s.shared.cusumMapMode);

    // The map window shows the plain outlines under the file's title.
    frmPolygonSHP* map = ctx->find<frmPolygonSHP>();
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(AppContext::topOf(map)->windowTitle().toStdString(), "counties.shp");
    const PictureSurface& pic = map->picSHP->surface();
    for (int i = 1; i <= 3; ++i) {
        SCOPED_TRACE(i);
        const auto& c = s.area.centroidTable[static_cast<std::size_t>(i)];
        const DevicePoint p = pixelOf(s, c.X, c.Y);
        EXPECT_EQ(pic.Point(p.X, p.Y), 0xFFFFFF);  // an outline is not filled
    }
    const DevicePoint edge = pixelOf(s, 10, 5);  // the border between regions 1 and 2
    EXPECT_EQ(pic.Point(edge.X, edge.Y), 0x000000);
    const DevicePoint outside = pixelOf(s, -2, 5);
    EXPECT_EQ(pic.Point(outside.X, outside.Y), 0xFFFFFF);

    // The five entries are on.
    for (const char* name : {"mnuScore_M", "mnuUnivariateCusumShapefile", "mnuGetCentroid", "mnuAttTable", "mnuExport"})
        EXPECT_TRUE(frame->isMenuEnabled(name)) << name;

    frame->grab().save(QString::fromStdString(testOutputPath("main-frame.png")));
}

TEST_F(FrameOpen, TheSampleStudyAreaOpensFromBothEntries) {
    const std::string sample = sourcePath("data/sample/sample.shp");
    if (!fs::exists(sample)) GTEST_SKIP() << "no sample study area";
    // The counts and extent as shapelib's own reader sees them.
    SHPHandle h = SHPOpen(sample.c_str(), "rb");
    ASSERT_NE(h, nullptr);
    int n = 0, type = 0;
    double mn[4], mx[4];
    SHPGetInfo(h, &n, &type, mn, mx);
    SHPClose(h);
    for (bool retro : {true, false}) {
        SCOPED_TRACE(retro ? "retrospective" : "prospective");
        if (retro) openRetro(sample);
        else openPro(sample);
        EXPECT_TRUE(dlg->messages.empty()) << (dlg->messages.empty() ? "" : dlg->messages[0].text);
        EXPECT_EQ(ctx->state.area.regionCount, n);
        EXPECT_EQ(ctx->state.area.dbfRecordset->RecordCount(), n);
        EXPECT_DOUBLE_EQ(ctx->state.view.mapExtent.Left, mn[0]);
        EXPECT_DOUBLE_EQ(ctx->state.view.mapExtent.Top, mx[1]);
        EXPECT_DOUBLE_EQ(ctx->state.view.mapExtent.Width, mx[0] - mn[0]);
        EXPECT_DOUBLE_EQ(ctx->state.view.mapExtent.Height, mx[1] - mn[1]);
        EXPECT_GT(ctx->state.area.studyArea, 0.0);
        ASSERT_NE(ctx->find<frmPolygonSHP>(), nullptr);
        if (retro) frame->grab().save(QString::fromStdString(testOutputPath("main-frame-sample.png")));
    }
}

TEST_F(FrameOpen, ProspectiveEntrySetsItsFlagsAndNeedsNoDataInput) {
    ctx->state.shared.retroMapMode = true;
    ctx->state.shared.pointDataMode = true;
    dataInput = [](QWidget*) { ADD_FAILURE() << "the prospective entry waited for a dialog"; };
    openPro(writeStudyArea(scratchDir("open-pro"), "pro"));
    EXPECT_TRUE(dlg->messages.empty());
    EXPECT_EQ(ctx->state.area.regionCount, 3);
    EXPECT_TRUE(ctx->state.shared.polygonDataMode);
    EXPECT_FALSE(ctx->state.shared.pointDataMode);
    EXPECT_FALSE(ctx->state.shared.retroMapMode);
    EXPECT_NE(ctx->find<frmPolygonSHP>(), nullptr);
    EXPECT_EQ(ctx->find<frmParameter>(), nullptr);
    EXPECT_DOUBLE_EQ(ctx->state.area.studyArea, 300.0);
    EXPECT_TRUE(frame->isMenuEnabled("mnuExport"));
}

TEST_F(FrameOpen, EachEntryClosesTheWindowsOfTheEarlierAnalysisButItsOwnTestWindow) {
    const std::string shp = writeStudyArea(scratchDir("open-close"), "close");
    // Retrospective: the test window of an earlier analysis stays open.
    openRetro(shp);
    ctx->show<frmClusterDetection>();
    ctx->show<frmSigmaChart>();
    frmPolygonSHP* oldMap = ctx->find<frmPolygonSHP>();
    ASSERT_NE(oldMap, nullptr);
    openRetro(shp);
    EXPECT_NE(ctx->find<frmClusterDetection>(), nullptr);
    EXPECT_EQ(ctx->find<frmSigmaChart>(), nullptr);
    ASSERT_NE(ctx->find<frmPolygonSHP>(), nullptr);
    EXPECT_NE(ctx->find<frmPolygonSHP>(), oldMap);  // a new map window

    // Prospective: the retrospective test window closes too.
    ctx->show<frmSigmaChart>();
    openPro(shp);
    EXPECT_EQ(ctx->find<frmClusterDetection>(), nullptr);
    EXPECT_EQ(ctx->find<frmSigmaChart>(), nullptr);
    EXPECT_NE(ctx->find<frmPolygonSHP>(), nullptr);
}

TEST_F(FrameOpen, OpeningASecondShapefileReplacesTheStudyAreaAndResetsTheView) {
    openFirst();
    ctx->state.view.mapZoom = 2.6;
    ctx->state.view.panShiftX = 30;
    const std::string dir = scratchDir("open-second");
    const std::string second =
        writeStudyArea(dir, "second", {{rectCW(100, 100, 110, 120)}, {rectCW(110, 100, 130, 120)}});
    openRetro(second);
    EXPECT_TRUE(dlg->messages.empty());
    EXPECT_EQ(ctx->state.area.regionCount, 2);
    EXPECT_EQ(ctx->state.area.dbfRecordset->RecordCount(), 2);
    EXPECT_DOUBLE_EQ(ctx->state.view.mapExtent.Left, 100.0);
    EXPECT_DOUBLE_EQ(ctx->state.view.mapExtent.Width, 30.0);
    EXPECT_DOUBLE_EQ(ctx->state.view.mapZoom, 1.0);
    EXPECT_DOUBLE_EQ(ctx->state.view.panShiftX, 0.0);
    EXPECT_DOUBLE_EQ(ctx->state.area.studyArea, 600.0);
}

TEST_F(FrameOpen, TheAttributeTableFollowsANewStudyAreaAndTheRegionInfoCloses) {
    openFirst();
    frmAttTable* table = ctx->show<frmAttTable>();
    ASSERT_EQ(table->Rows(), 4);
    EXPECT_EQ(table->windowTitle().toStdString(), "first.dbf");
    ctx->state.shared.selectedRegion = 0;
    ctx->show<frmInfo>();
    ASSERT_TRUE(ctx->isOpen<frmInfo>());

    const std::string dir = scratchDir("open-follow");
    openRetro(writeStudyArea(dir, "second", {{rectCW(100, 100, 110, 120)}, {rectCW(110, 100, 130, 120)}}));
    ASSERT_EQ(ctx->state.area.regionCount, 2);
    ASSERT_EQ(ctx->find<frmAttTable>(), table);
    EXPECT_EQ(table->windowTitle().toStdString(), "second.dbf");
    EXPECT_EQ(table->Rows(), 3);
    EXPECT_EQ(table->TextMatrix(2, 2), "Region 2");
    EXPECT_FALSE(ctx->isOpen<frmInfo>());
}

TEST_F(FrameOpen, AMapThatWouldShowNothingSaysWhy) {
    // A header box that holds none of the regions: the map is drawn at the
    // regions' own extent, and says so.
    folder = scratchDir("open-empty-map");
    const std::string shp = writeStudyArea(folder, "offbox");
    {
        std::fstream f(shp, std::ios::binary | std::ios::in | std::ios::out);
        f.seekp(36);
        const double box[4] = {500, 500, 501, 501};
        f.write(reinterpret_cast<const char*>(box), sizeof box);
    }
    openRetro(shp);
    ASSERT_EQ(dlg->messages.size(), 1u);
    EXPECT_EQ(dlg->messages[0].title, "Warning!");
    EXPECT_NE(dlg->messages[0].text.find("does not hold all of its regions"), std::string::npos);
    EXPECT_DOUBLE_EQ(ctx->state.view.mapExtent.Left, 0.0);
    EXPECT_DOUBLE_EQ(ctx->state.view.mapExtent.Width, 20.0);
    EXPECT_DOUBLE_EQ(ctx->state.view.mapExtent.Height, 15.0);
    auto* map = ctx->find<frmPolygonSHP>();
    ASSERT_NE(map, nullptr);
    const QImage& img = map->picSHP->surface().image();
    int black = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) black += (img.pixel(x, y) & 0xFFFFFF) == 0;
    EXPECT_GT(black, 100);  // the outlines are there
    takeMessages();

    // A .shp cut to its header after it was opened.
    fs::resize_file(shp, 100);
    modDrawPolygon::RedrawShapefile(*ctx);
    ASSERT_EQ(dlg->messages.size(), 1u);
    EXPECT_EQ(dlg->messages[0].title, "Warning!");
    EXPECT_NE(dlg->messages[0].text.find("holds 0 records now, but the study area has 3 regions"), std::string::npos);
}

// A header box that holds the regions is the map's extent, unless it is so
// much larger that the regions would be drawn as a dot: then the map is
// drawn at the regions' own extent, with the warning.
TEST_F(FrameOpen, AHeaderBoxFarLargerThanItsRegionsIsNotTheMapsExtent) {
    const struct {
        const char* name;
        double box[4];  // Xmin, Ymin, Xmax, Ymax
        bool fitted;
        double left, width;
    } cases[] = {
        {"the box of the regions", {0, 0, 20, 15}, false, 0.0, 20.0},
        {"a box written rounded outward", {-1, -1, 21, 16}, false, -1.0, 22.0},
        {"a box of 1e300 about the origin", {-1e300, -1e300, 1e300, 1e300}, true, 0.0, 20.0},
        {"a box far wider only", {-1e6, 0, 1e6, 15}, true, 0.0, 20.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        folder = scratchDir("open-large-box");
        const std::string shp = writeStudyArea(folder, "bigbox");
        {
            std::fstream f(shp, std::ios::binary | std::ios::in | std::ios::out);
            f.seekp(36);
            f.write(reinterpret_cast<const char*>(c.box), sizeof c.box);
        }
        takeMessages();
        openRetro(shp);
        const std::vector<std::string> messages = takeMessages();
        if (c.fitted) {
            ASSERT_EQ(messages.size(), 1u);
            EXPECT_NE(messages[0].find("gives an extent far larger than its regions"), std::string::npos)
                << messages[0];
            EXPECT_NE(messages[0].find("The map is drawn at the extent of the regions themselves."), std::string::npos);
        } else {
            EXPECT_TRUE(messages.empty());
        }
        EXPECT_DOUBLE_EQ(ctx->state.view.mapExtent.Left, c.left);
        EXPECT_DOUBLE_EQ(ctx->state.view.mapExtent.Width, c.width);
    }
}

TEST_F(FrameOpen, TheAttributeGridShowsCompactRowsAndWholeValues) {
    folder = scratchDir("open-grid");
    const std::vector<Region> many(30, Region{rectCW(0, 0, 1, 1)});
    openRetro(writeStudyArea(folder, "many", many));
    frmAttTable* table = ctx->show<frmAttTable>();
    QTableWidget* grid = table->MSFlexGrid1;
    // A row is a line of text high, so the window's height shows at least 15 of them
    // (the default rows of the grid let it show 9).
    EXPECT_LE(grid->rowHeight(0), grid->fontMetrics().height() + 6);
    EXPECT_GE(table->height() / grid->rowHeight(0), 15);
    // Every value fits its column.
    for (int c = 0; c < grid->columnCount(); ++c)
        for (int r = 0; r < grid->rowCount(); ++r)
            EXPECT_LE(grid->fontMetrics().horizontalAdvance(grid->item(r, c)->text()), grid->columnWidth(c))
                << r << ", " << c;
}

TEST_F(FrameOpen, NamesAreDerivedFromTheFileTitleAndTheTableIsSoughtBesideTheShp) {
    struct Case {
        const char* name;
        std::string folderName, fileTitle;
        std::string baseName, tableFile;
    } cases[] = {
        {"eight characters open", "plain", "abcdefgh.shp", "abcdefgh", "abcdefgh.dbf"},
        {"two dots cut at the first", "dots", "abc.def.shp", "abc", "abc.dbf"},
        {"a dotted folder is no extension", "maps.old", "region.shp", "region", "region.dbf"},
        {"upper-case table found", "upper", "upper.shp", "upper", "UPPER.DBF"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string dir = scratchDir("names") + "/" + c.folderName;
        fs::create_directories(dir);
        const std::string shp = dir + "/" + c.fileTitle;
        // The shapes under the full title, the table under its base name.
        // (shapelib's writer cuts a name at its first dot, so the pair is
        // written under a plain name and renamed.)
        const std::string stem = shp.substr(0, shp.size() - 4);
        writeShapes(dir + "/plainname", threeRegions());
        fs::rename(dir + "/plainname.shp", stem + ".shp");
        fs::rename(dir + "/plainname.shx", stem + ".shx");
        writeTable(dir + "/" + c.baseName, 3);
        if (c.tableFile != c.baseName + ".dbf") fs::rename(dir + "/" + c.baseName + ".dbf", dir + "/" + c.tableFile);
        openRetro(shp);
        EXPECT_TRUE(dlg->messages.empty()) << (dlg->messages.empty() ? "" : dlg->messages[0].text);
        EXPECT_EQ(ctx->state.area.shpBaseName, c.baseName);
        EXPECT_EQ(ctx->state.area.dbfFileName, c.baseName + ".dbf");
        EXPECT_EQ(ctx->state.area.dbfPath, dir + "/" + c.tableFile);
        EXPECT_EQ(ctx->state.area.regionCount, 3);
        takeMessages();
    }
}

TEST_F(FrameOpen, EveryRefusalKeepsTheEarlierStudyArea) {
    openFirst();
    using Prepare = std::function<std::string(const std::string& dir)>;  // returns the path to choose
    // The three regions and their table, the shapes written as `type`.
    const auto writtenAs = [](std::string name, int type) -> Prepare {
        return [name, type](const std::string& d) {
            writeShapes(d + "/" + name, threeRegions(), type);
            writeTable(d + "/" + name, 3);
            return d + "/" + name + ".shp";
        };
    };
    struct Case {
        const char* name;
        Prepare prepare;
        std::string message;  // a part of the message shown
        bool warningBox;      // "Warning!" with the critical icon; else the table's own message
    } cases[] = {
        {"no file chosen", [](const std::string&) { return std::string(); }, "You didn't specify shapefile.", true},
        {"nine-character base name",
         [](const std::string& d) { return writeStudyArea(d, "abcdefghi"); },
         "The length of filename should be less than 8.", true},
        {"missing table",
         [](const std::string& d) {
             const std::string shp = writeStudyArea(d, "notable");
             fs::remove(d + "/notable.dbf");
             return shp;
         },
         "does not exist", false},
        {"broken table header",
         [](const std::string& d) {
             const std::string shp = writeStudyArea(d, "badtable");
             std::ofstream(d + "/badtable.dbf", std::ios::binary | std::ios::trunc) << "not a table at all, really";
             return shp;
         },
         "badtable.dbf", false},
        {"table with fewer records",
         [](const std::string& d) {
             const std::string shp = writeStudyArea(d, "fewer");
             writeTable(d + "/fewer", 2);
             return shp;
         },
         "has 2 records, but the shapefile has 3 regions", true},
        {"table with more records",
         [](const std::string& d) {
             const std::string shp = writeStudyArea(d, "more");
             writeTable(d + "/more", 5);
             return shp;
         },
         "has 5 records, but the shapefile has 3 regions", true},
        {"missing index",
         [](const std::string& d) {
             const std::string shp = writeStudyArea(d, "noshx");
             fs::remove(d + "/noshx.shx");
             return shp;
         },
         "cannot be opened", true},
        {"truncated shp",
         [](const std::string& d) {
             const std::string shp = writeStudyArea(d, "cut");
             fs::resize_file(shp, fs::file_size(shp) - 60);
             return shp;
         },
         "cannot be opened", true},
        {"record lying about its size",
         [](const std::string& d) {
             const std::string shp = writeStudyArea(d, "liar");
             std::fstream f(shp, std::ios::binary | std::ios::in | std::ios::out);
             f.seekp(100 + 8 + 40);  // NumParts of the first record
             const char huge[4] = {'\x00', '\x00', '\x00', '\x7f'};
             f.write(huge, 4);
             return shp;
         },
         "cannot be opened", true},
        {"not a shapefile at all",
         [](const std::string& d) {
             const std::string shp = writeStudyArea(d, "junk");
             std::ofstream(shp, std::ios::binary | std::ios::trunc) << std::string(300, 'j');
             return shp;
         },
         "cannot be opened", true},
        {"shorter than a header",
         [](const std::string& d) {
             const std::string shp = writeStudyArea(d, "tiny");
             std::ofstream(shp, std::ios::binary | std::ios::trunc) << "tiny";
             return shp;
         },
         "shorter than a shapefile header", true},
        {"polyline shapefile", writtenAs("lines", SHPT_ARC), "Unsupported shape type", true},
        {"point shapefile", writtenAs("pts", SHPT_POINT), "Unsupported shape type", true},
        {"multipoint shapefile", writtenAs("multi", SHPT_MULTIPOINT), "Unsupported shape type", true},
        {"no regions",
         [](const std::string& d) { return writeStudyArea(d, "empty", {}); },
         "holds no regions", true},
        {"a region without a shape",
         [](const std::string& d) {
             return writeStudyArea(d, "holey", {{rectCW(0, 0, 10, 10)}, {}, {rectCW(0, 10, 20, 15)}});
         },
         "Record 2 of holey.shp has no shape", true},
        {"only null shapes",
         [](const std::string& d) { return writeStudyArea(d, "nulls", {{}, {}}); },
         "Record 1 of nulls.shp has no shape", true},
        {"a name the file specification refuses",
         [](const std::string& d) { return d + "/../x/first.shp"; },
         "cannot be used", true},
        {"a chosen file that does not exist",
         [](const std::string& d) {
             writeTable(d + "/ghost", 3);
             return d + "/ghost.shp";
         },
         "cannot be opened", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = c.prepare(scratchDir("refusal"));
        openRetro(path);
        ASSERT_EQ(dlg->messages.size(), 1u);
        const auto& m = dlg->messages[0];
        EXPECT_NE(m.text.find(c.message), std::string::npos) << m.text;
        if (c.warningBox) {
            EXPECT_EQ(m.title, "Warning!");
            EXPECT_EQ(m.icon, MsgIcon::Critical);
        } else {
            EXPECT_EQ(m.title, "Korvane");
            EXPECT_EQ(m.icon, MsgIcon::None);
        }
        expectFirstStillLoaded();
        // The entry stopped before its data input and its map.
        EXPECT_EQ(ctx->find<frmParameter>(), nullptr);
        EXPECT_EQ(ctx->find<frmPolygonSHP>(), nullptr);
        EXPECT_DOUBLE_EQ(ctx->state.view.mapZoom, 1.0);
        takeMessages();
    }
    // The program keeps working: the first study area opens again.
    openRetro(firstShp);
    EXPECT_TRUE(dlg->messages.empty());
    EXPECT_NE(ctx->find<frmPolygonSHP>(), nullptr);
}

TEST_F(FrameOpen, APipeOrAFolderUnderAnyNameTheOpenReadsIsRefusedWithoutWaiting) {
    openFirst();
    // Each case replaces one file of a written study area; the pipes are
    // held by the test, so nothing can wait on them.
    struct Case {
        const char* name;
        const char* replaced;  // the file, in the folder, that is not a regular file
        bool folder;           // a folder there; else a named pipe
        std::string problem;
    } cases[] = {
        {"the .shp is a pipe", "pipes.shp", false, "is not a regular file"},
        {"the .shx is a pipe", "pipes.shx", false, "is not a regular file"},
        {"the .shx in another case is a pipe", "PIPES.SHX", false, "is not a regular file"},
        {"the .dbf is a pipe", "pipes.dbf", false, "is not a regular file"},
        {"the .cpg is a pipe", "pipes.cpg", false, "is not a regular file"},
        {"the .shx is a folder", "pipes.shx", true, "is a folder, not a file"},
        {"the .cpg is a folder", "pipes.cpg", true, "is a folder, not a file"},
    };
    for (const bool retro : {true, false}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (retro ? " (retrospective)" : " (prospective)"));
            const std::string dir = scratchDir("special");
            const std::string shp = writeStudyArea(dir, "pipes");
            std::ofstream(dir + "/pipes.cpg") << "UTF-8";
            for (const char* ext : {".shp", ".shx", ".dbf", ".cpg"})
                if (lowerCaseName(c.replaced) == std::string("pipes") + ext) fs::remove(dir + "/pipes" + ext);
            const std::string special = dir + "/" + c.replaced;
            std::unique_ptr<HeldPipe> pipe;
            if (c.folder) fs::create_directory(special);
            else pipe = std::make_unique<HeldPipe>(special);

            if (retro) openRetro(shp);
            else openPro(shp);
            ASSERT_EQ(dlg->messages.size(), 1u);
            const auto& m = dlg->messages[0];
            EXPECT_NE(m.text.find(special + " " + c.problem), std::string::npos) << m.text;
            EXPECT_NE(m.text.find("The study area open before stays loaded."), std::string::npos) << m.text;
            EXPECT_EQ(m.title, "Warning!");
            EXPECT_EQ(m.icon, MsgIcon::Critical);
            expectFirstStillLoaded();
            EXPECT_EQ(ctx->find<frmParameter>(), nullptr);
            EXPECT_EQ(ctx->find<frmPolygonSHP>(), nullptr);
            takeMessages();
        }
    }
}

TEST_F(FrameOpen, AShpThatCannotServeIsRefusedWithItsRealCause) {
    // Each reader of the .shp names what is wrong with it: the extent
    // reader, the shapefile reader and the open entry.
    const OpenScratchDir open("real-cause");
    const std::string dir = open.path();
    fs::create_directory(dir + "/folder.shp");
    HeldPipe pipe(dir + "/pipe.shp");
    const std::string unreadable = writeStudyArea(dir, "locked");
    ASSERT_EQ(::chmod(unreadable.c_str(), 0600), 0);
    struct Case {
        const char* name;
        std::string shp;
        std::int32_t number;
        std::string cause;
        bool unprivileged;  // needs a user whom the mode stops
    } cases[] = {
        {"missing", dir + "/none.shp", 53, "File not found: " + dir + "/none.shp", false},
        {"folder", dir + "/folder.shp", 75, dir + "/folder.shp (is a folder, not a file)", false},
        {"pipe", dir + "/pipe.shp", 75, dir + "/pipe.shp (is not a regular file)", false},
        {"device", "/dev/null", 75, "/dev/null (is not a regular file)", false},
        {"no read permission", unreadable, 75, unreadable + " (cannot be read: permission denied)", true},
    };
    UnprivilegedCases asNeeded;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto run = [&] {
            modLoad::StagedStudyArea staged;
            staged.shpPath = c.shp;
            try {
                modLoad::ReadShapefileExtent(staged);
                ADD_FAILURE() << "the extent was read";
            } catch (const AppError& e) {
                EXPECT_EQ(e.number(), c.number);
                EXPECT_NE(e.description().find(c.cause), std::string::npos) << e.description();
                EXPECT_EQ(e.source(), "ReadShapefileExtent");
            }
        };
        asNeeded.run(c.unprivileged, run);
    }
    // The entry names the cause too, and keeps the earlier study area.
    openFirst();
    asNeeded.run(true, [&] { openRetro(unreadable); });
    if (asNeeded.skipped()) GTEST_SKIP() << asNeeded.why();
    ASSERT_EQ(dlg->messages.size(), 1u);
    EXPECT_NE(dlg->messages[0].text.find(unreadable + " cannot be read: permission denied"), std::string::npos)
        << dlg->messages[0].text;
    EXPECT_EQ(dlg->messages[0].title, "Warning!");
    expectFirstStillLoaded();
}

TEST_F(FrameOpen, TheAttributeTableEntryShowsTheTableUnderItsFileName) {
    openRetro(writeStudyArea(scratchDir("att"), "atts"));
    ctx->state.area.dbfRecordset->MoveFirst();
    while (!ctx->state.area.dbfRecordset->IsEOF()) ctx->state.area.dbfRecordset->MoveNext();
    frame->mnuAttTable_Click();
    frmAttTable* w = ctx->find<frmAttTable>();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle().toStdString(), "atts.dbf");
    EXPECT_EQ(w->Rows(), 4);
    EXPECT_EQ(w->TextMatrix(1, 2), "Region 1");
}

TEST_F(FrameOpen, ClosingAndActivatingTheMapSwitchTheMapEntries) {
    openRetro(writeStudyArea(scratchDir("map-menus"), "menus"));
    frmPolygonSHP* map = ctx->find<frmPolygonSHP>();
    ASSERT_NE(map, nullptr);
    map->Form_Activate();
    EXPECT_TRUE(frame->isMenuEnabled("mnuAttTable"));
    ctx->unload<frmPolygonSHP>();
    EXPECT_FALSE(frame->isMenuEnabled("mnuAttTable"));
    EXPECT_FALSE(frame->isMenuEnabled("mnuGetCentroid"));
    EXPECT_TRUE(frame->isMenuEnabled("mnuExport"));
    // The map comes back with the next drawing; activating it switches them on.
    modDrawPolygon::DrawShapefile(*ctx);
    map = ctx->find<frmPolygonSHP>();
    ASSERT_NE(map, nullptr);
    map->Form_Activate();
    EXPECT_TRUE(frame->isMenuEnabled("mnuAttTable"));
    EXPECT_TRUE(frame->isMenuEnabled("mnuGetCentroid"));
}

TEST_F(FrameOpen, TheMapWritesItsCoordinatesToTheStatusBar) {
    openRetro(writeStudyArea(scratchDir("status"), "status"));
    frmPolygonSHP* map = ctx->find<frmPolygonSHP>();
    ASSERT_NE(map, nullptr);
    map->picSHP_MouseMove(0, 0, 50, 60);
    EXPECT_FALSE(frame->statusPanelText().empty());
    EXPECT_EQ(frame->statusPanelText(), map->coordinateText());
    EXPECT_EQ(frame->statusPanelText().rfind("(X: ", 0), 0u);
}

TEST_F(FrameOpen, AnotherStudyAreaClearsTheEarlierMapsCoordinates) {
    // From either entry, whichever entry opened the map before.
    const std::string dir = scratchDir("status-cleared");
    const std::string first = writeStudyArea(dir, "first");
    const std::string second = writeStudyArea(dir, "second", {{rectCW(100, 100, 110, 120)}});
    const struct {
        const char* name;
        bool retro;
    } entries[] = {{"retrospective", true}, {"prospective", false}};
    const auto open = [this](bool retro, const std::string& shp) { retro ? openRetro(shp) : openPro(shp); };
    for (const auto& before : entries)
        for (const auto& after : entries) {
            SCOPED_TRACE(std::string(before.name) + " then " + after.name);
            open(before.retro, first);
            frmPolygonSHP* map = ctx->find<frmPolygonSHP>();
            ASSERT_NE(map, nullptr);
            map->picSHP_MouseMove(0, 0, 50, 60);
            ASSERT_EQ(frame->statusPanelText().rfind("(X: ", 0), 0u);

            open(after.retro, second);
            ASSERT_EQ(ctx->state.area.shpPath, second);
            EXPECT_EQ(frame->statusPanelText(), "");
            map = ctx->find<frmPolygonSHP>();
            ASSERT_NE(map, nullptr);
            map->picSHP_MouseMove(0, 0, 50, 60);
            EXPECT_EQ(frame->statusPanelText().rfind("(X: ", 0), 0u);
            takeMessages();
        }
}

TEST_F(FrameOpen, LoadShapesRaisesError9999ForEveryShapefileButPolygons) {
    const std::string dir = scratchDir("load-shapes-types");
    const struct {
        const char* name;
        int type;
        const char* says;  // what the message box adds under the error's own text
    } cases[] = {
        {"points", SHPT_POINT, "holds points (shape type 1)"},
        {"polylines", SHPT_ARC, "holds polylines (shape type 3)"},
        {"multipoints", SHPT_MULTIPOINT, "holds multipoints (shape type 8)"},
        {"polylines with z", SHPT_ARCZ, "(shape type 13)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string base = dir + "/" + std::string(c.name).substr(0, 5) + std::to_string(c.type);
        writeShapes(base, threeRegions(), c.type);
        writeTable(base, 3);
        modLoad::StagedStudyArea staged;
        staged.shpPath = base + ".shp";
        staged.shpFileTitle = base.substr(base.rfind('/') + 1) + ".shp";
        try {
            modLoad::LoadShapes(staged);
            ADD_FAILURE() << "no error raised";
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), 9999);
            EXPECT_EQ(e.description(), "Unsupported shape type");
            EXPECT_EQ(e.source(), "button click");
        }
        EXPECT_EQ(staged.shapeType, c.type);
        EXPECT_EQ(staged.regionCount, 0);
        EXPECT_EQ(staged.polygons.Count(), 0);

        // The entry shows the error's text first, then what the file holds.
        openRetro(base + ".shp");
        ASSERT_EQ(dlg->messages.size(), 1u);
        const std::string& text = dlg->messages[0].text;
        EXPECT_EQ(text.rfind("Unsupported shape type\n\n", 0), 0u) << text;
        EXPECT_NE(text.find(c.says), std::string::npos) << text;
        EXPECT_EQ(dlg->messages[0].title, "Warning!");
        takeMessages();
    }
    // A polygon shapefile loads every record as a polygon, in record order.
    const std::string poly = writeStudyArea(dir, "polys");
    modLoad::StagedStudyArea staged;
    staged.shpPath = poly;
    modLoad::LoadShapes(staged);
    EXPECT_EQ(staged.shapeType, 5);
    EXPECT_EQ(staged.regionCount, 3);
    ASSERT_EQ(staged.polygons.Count(), 3);
    EXPECT_DOUBLE_EQ(staged.polygons.Item(3)->Top(), 15.0);
}

TEST_F(FrameOpen, TheSampleStudyAreaHasTheAreasCentroidsAndMapOfItsShapes) {
    const std::string sample = sourcePath("data/sample/sample.shp");
    if (!fs::exists(sample)) GTEST_SKIP() << "no sample study area";
    // Areas and centroids straight from the file through shapelib: each
    // region's signed shoelace sum over its rings as stored, the centroid
    // as the first moments over that signed sum.
    SHPHandle h = SHPOpen(sample.c_str(), "rb");
    ASSERT_NE(h, nullptr);
    int n = 0, type = 0;
    double mn[4], mx[4];
    SHPGetInfo(h, &n, &type, mn, mx);
    ASSERT_EQ(type, SHPT_POLYGON);
    std::vector<double> area(static_cast<std::size_t>(n) + 1), cx(area.size()), cy(area.size());
    std::vector<MapPoint> firstVertex(area.size());
    double total = 0.0;
    for (int i = 1; i <= n; ++i) {
        SHPObject* o = SHPReadObject(h, i - 1);
        ASSERT_NE(o, nullptr);
        double signedArea = 0.0, mx1 = 0.0, my1 = 0.0;
        for (int part = 0; part < o->nParts; ++part) {
            const int a = o->panPartStart[part];
            const int b = part + 1 < o->nParts ? o->panPartStart[part + 1] : o->nVertices;
            for (int k = a; k + 1 < b; ++k) {
                const double c = o->padfX[k] * o->padfY[k + 1] - o->padfX[k + 1] * o->padfY[k];
                signedArea += c / 2;
                mx1 += c * (o->padfX[k] + o->padfX[k + 1]);
                my1 += c * (o->padfY[k] + o->padfY[k + 1]);
            }
        }
        const auto at = static_cast<std::size_t>(i);
        area[at] = std::fabs(signedArea);
        cx[at] = mx1 / (6 * signedArea);
        cy[at] = my1 / (6 * signedArea);
        firstVertex[at] = {o->padfX[0], o->padfY[0]};
        total += area[at];
        SHPDestroyObject(o);
    }
    SHPClose(h);

    openRetro(sample);
    ASSERT_TRUE(dlg->messages.empty()) << dlg->messages[0].text;
    const AppState& s = ctx->state;
    ASSERT_EQ(s.area.regionCount, n);
    EXPECT_NEAR(s.area.studyArea, total, 1e-9 * total);
    ASSERT_EQ(s.area.centroidTable.size(), static_cast<std::size_t>(n) + 1);
    ASSERT_EQ(s.area.partAreas.size(), static_cast<std::size_t>(n) + 1);
    for (int i = 1; i <= n; ++i) {
        SCOPED_TRACE(i);
        const auto at = static_cast<std::size_t>(i);
        EXPECT_NEAR(s.area.partAreas[at][1].PolygonArea, area[at], 1e-9 * area[at]);
        EXPECT_EQ(s.area.centroidTable[at].ID, std::to_string(i));
        // Within a ten-thousandth of a map unit (regions here are about
        // 1,000 units across): with coordinates near 4,000,000 the sums,
        // run in another order, cancel differently in the last digits.
        EXPECT_NEAR(s.area.centroidTable[at].X, cx[at], 1e-4);
        EXPECT_NEAR(s.area.centroidTable[at].Y, cy[at], 1e-4);
    }

    // The plain map: outlines on white, nothing filled, nothing drawn
    // outside the drawn rectangle of the map.
    frmPolygonSHP* map = ctx->find<frmPolygonSHP>();
    ASSERT_NE(map, nullptr);
    const PictureSurface& pic = map->picSHP->surface();
    for (int i : {1, n}) {
        SCOPED_TRACE(i);
        const auto at = static_cast<std::size_t>(i);
        const DevicePoint corner = pixelOf(s, firstVertex[at].X, firstVertex[at].Y);
        EXPECT_EQ(pic.Point(corner.X, corner.Y), 0x000000);
        const DevicePoint inside = pixelOf(s, cx[at], cy[at]);
        EXPECT_EQ(pic.Point(inside.X, inside.Y), 0xFFFFFF);
    }
    const int left = static_cast<int>(std::floor(s.view.transform.marginX)) - 1;
    const int top = static_cast<int>(std::floor(s.view.transform.marginY)) - 1;
    const int right = static_cast<int>(std::ceil(s.view.transform.marginX + s.view.transform.drawnWidth)) + 1;
    const int bottom = static_cast<int>(std::ceil(s.view.transform.marginY + s.view.transform.drawnHeight)) + 1;
    EXPECT_EQ(pic.Point(left - 5, (top + bottom) / 2), 0xFFFFFF);
    EXPECT_EQ(pic.Point((left + right) / 2, bottom + 5), 0xFFFFFF);
    int black = 0, stray = 0;
    for (int y = 0; y < pic.heightPx(); ++y)
        for (int x = 0; x < pic.widthPx(); ++x) {
            const BgrColor c = pic.Point(x, y);
            EXPECT_TRUE(c == 0x000000 || c == 0xFFFFFF) << x << "," << y;
            if (c != 0x000000) continue;
            ++black;
            stray += x < left || x > right || y < top || y > bottom;
        }
    EXPECT_GT(black, 100 * n / 10);
    EXPECT_EQ(stray, 0);
}

TEST_F(FrameOpen, TheEarlierClassMapIsNotDrawnAroundTheNewRegions) {
    openFirst();
    AppState& s = ctx->state;
    // A cluster result of the first study area shades its map.
    s.shared.retroMapMode = true;
    s.retro.mapClassValues = {0.0, 5.0, -5.0, 0.5};

    const std::string dir = scratchDir("open-after-class-map");
    const std::string second =
        writeStudyArea(dir, "second", {{rectCW(100, 100, 110, 120)}, {rectCW(110, 100, 130, 120)}});
    openRetro(second);  // the data input is closed without OK

    EXPECT_FALSE(s.shared.retroMapMode);
    frmPolygonSHP* map = ctx->find<frmPolygonSHP>();
    ASSERT_NE(map, nullptr);
    const PictureSurface& pic = map->picSHP->surface();
    for (int i = 1; i <= 2; ++i) {
        SCOPED_TRACE(i);
        const auto& c = s.area.centroidTable[static_cast<std::size_t>(i)];
        const DevicePoint p = pixelOf(s, c.X, c.Y);
        EXPECT_EQ(pic.Point(p.X, p.Y), 0xFFFFFF);
    }
    // No class legend stands beside the plain map.
    const PictureSurface& surface = map->formSurface->surface();
    const QImage& legend = surface.image();
    const std::vector<BgrColor> classColours = {0xFF0000, 0xFF8080, 0xFFC0C0, 0xC0C0FF, 0x8080FF, 0x0000FF};
    int shaded = 0;
    for (int y = 0; y < legend.height(); ++y)
        for (int x = 0; x < legend.width(); ++x)
            for (BgrColor c : classColours)
                if (surface.Point(x, y) == c) ++shaded;
    EXPECT_EQ(shaded, 0);
}
