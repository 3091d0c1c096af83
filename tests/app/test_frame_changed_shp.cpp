// A .shp changed under the program after its study area was opened: the map
// re-reads the file at every drawing, and a file that no longer matches the
// one opened (another shapefile of as many records, a cut, another header
// box or record box, a file gone, a named pipe or a folder in its place) is
// said once in a "Warning!" that names it, while the map keeps drawing the
// regions that were opened. A study area reached through symbolic links is
// compared through them: the file under the name opened.
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>

#include <cstring>
#include <filesystem>
#include <memory>
#include <tuple>

#include "map/frmPolygonSHP.h"
#include "platform/DbfTable.h"
#include "prospective/frmExportDataset.h"
#include "prospective/frmSelectName.h"
#include "prospective/frmUnivariate.h"
#include "retrospective/frmClusterDetection.h"
#include "tests/app/FrameFixture.h"
#include "tests/app/test_map_support.h"
#include "tests/support/SpecialFiles.h"
#include "tests/support/TestPaths.h"

namespace fs = std::filesystem;
using namespace frametest;

namespace {

// The byte offset of record `k` (0-based) of a .shp, by the records'
// content lengths.
std::size_t recordOffset(const std::vector<unsigned char>& b, int k) {
    std::size_t p = 100;
    for (int i = 0; i < k; ++i) {
        const std::uint32_t words = (std::uint32_t{b[p + 4]} << 24) | (std::uint32_t{b[p + 5]} << 16) |
                                    (std::uint32_t{b[p + 6]} << 8) | std::uint32_t{b[p + 7]};
        p += 8 + 2 * static_cast<std::size_t>(words);
    }
    return p;
}

void addToDouble(std::vector<unsigned char>& b, std::size_t at, double delta) {
    double v;
    std::memcpy(&v, b.data() + at, sizeof v);
    v += delta;
    std::memcpy(b.data() + at, &v, sizeof v);
}

struct Change {
    const char* name;
    void (*apply)(const std::string& base);
    const char* says;  // a part of the warning's text
};

const Change kChanges[] = {
    {"replaced by a plain grid of as many regions",
     [](const std::string& base) {
         std::vector<apptest::Region> grid;
         for (int row = 0; row < 10; ++row)
             for (int col = 0; col < 10; ++col) grid.push_back({apptest::rectCW(col, row, col + 1, row + 1)});
         apptest::writeShapes(base, grid);
     },
     "has changed since it was opened"},
    {"cut inside its records",
     [](const std::string& base) { fs::resize_file(base + ".shp", fs::file_size(base + ".shp") * 3 / 5); },
     "has changed since it was opened"},
    {"another header box, nothing else",
     [](const std::string& base) {
         auto b = maptest::readBytes(base + ".shp");
         addToDouble(b, 36, -1000.0);
         maptest::writeBytes(base + ".shp", b);
     },
     "its header gives another extent"},
    {"another box of one record, nothing else",
     [](const std::string& base) {
         auto b = maptest::readBytes(base + ".shp");
         addToDouble(b, recordOffset(b, 49) + 12, 250.0);
         maptest::writeBytes(base + ".shp", b);
     },
     "record 50 has another shape or box"},
    {"gone", [](const std::string& base) { fs::remove(base + ".shp"); }, "can no longer be read"},
};

enum class Scene { ClusterRun, CusumRun };

class ChangedShpScene : public FrameTest {
protected:
    // A copy of the sample study area, opened for the scene, run once.
    void openAndRun(Scene scene) {
        const std::string dir = scratchDir("changed-shp");
        base = dir + "/sample";
        for (const char* ext : {".shp", ".shx", ".dbf"})
            fs::copy_file(sourcePath(std::string("data/sample/sample") + ext), base + ext,
                          fs::copy_options::overwrite_existing);
        if (scene == Scene::ClusterRun) {
            openRetroWithFields(base + ".shp");
        } else {
            frmUnivariate* u = openProWithNames(base + ".shp");
            ASSERT_NE(u, nullptr);
            chooseSampleRange(u);
        }
        run(scene);
    }
    void run(Scene scene) {
        if (scene == Scene::ClusterRun) {
            frmClusterDetection* w = ctx->find<frmClusterDetection>();
            ASSERT_NE(w, nullptr);
            w->cmdRun->click();
        } else {
            frmUnivariate* u = ctx->find<frmUnivariate>();
            ASSERT_NE(u, nullptr);
            u->cmdCalc->click();
        }
    }
    frmPolygonSHP* map() { return ctx->find<frmPolygonSHP>(); }
    QImage picture() { return map()->picSHP->surface().image().copy(); }

    std::string base;
};

class FrameChangedShp : public ChangedShpScene, public ::testing::WithParamInterface<std::tuple<Scene, int>> {};

TEST_P(FrameChangedShp, TheMapSaysSoOnceAndKeepsDrawingTheRegionsOpened) {
    if (!fs::exists(sourcePath("data/sample/sample.shp"))) GTEST_SKIP() << "no sample data";
    const auto [scene, index] = GetParam();
    const Change& change = kChanges[index];
    SCOPED_TRACE(change.name);
    openAndRun(scene);
    ASSERT_NE(map(), nullptr);
    EXPECT_TRUE(dlg->messages.empty()) << dlg->messages.front().text;
    const QImage shown = picture();
    map()->Toolbar1_ButtonClick("FullExt");
    ASSERT_EQ(picture(), shown);

    change.apply(base);
    run(scene);
    ASSERT_EQ(dlg->messages.size(), 1u);
    const auto& m = dlg->messages[0];
    EXPECT_EQ(m.title, "Warning!");
    EXPECT_EQ(m.icon, MsgIcon::Critical);
    EXPECT_NE(m.text.find(base + ".shp"), std::string::npos) << m.text;
    EXPECT_NE(m.text.find(change.says), std::string::npos) << m.text;
    EXPECT_NE(m.text.find("The map shows its regions as they were opened."), std::string::npos) << m.text;
    // The run's picture is the one the same run drew on the file opened.
    EXPECT_EQ(picture(), shown);

    // Every later drawing draws them too, and says nothing more.
    map()->Toolbar1_ButtonClick("FullExt");
    map()->Toolbar1_ButtonClick("Centroid");
    map()->Toolbar1_ButtonClick("FullExt");
    run(scene);
    EXPECT_EQ(dlg->messages.size(), 1u);
    EXPECT_EQ(picture(), shown);
}

INSTANTIATE_TEST_SUITE_P(Changes, FrameChangedShp,
                         ::testing::Combine(::testing::Values(Scene::ClusterRun, Scene::CusumRun),
                                            ::testing::Range(0, static_cast<int>(std::size(kChanges)))));

TEST_F(FrameChangedShp, AnUnchangedFileAndTheNextStudyAreaDrawAsTheyAreAndSayNothing) {
    // Writing the same bytes again changes nothing; a study area opened
    // after a warning starts with nothing said about its own file.
    if (!fs::exists(sourcePath("data/sample/sample.shp"))) GTEST_SKIP() << "no sample data";
    openAndRun(Scene::ClusterRun);
    const QImage shown = picture();
    maptest::writeBytes(base + ".shp", maptest::readBytes(base + ".shp"));
    run(Scene::ClusterRun);
    EXPECT_TRUE(dlg->messages.empty());
    EXPECT_EQ(picture(), shown);

    kChanges[0].apply(base);
    run(Scene::ClusterRun);
    ASSERT_EQ(dlg->messages.size(), 1u);
    takeMessages();
    // The grid, opened as a study area of its own, is drawn as it is.
    writeTable(base, 100);
    openRetro(base + ".shp");
    EXPECT_TRUE(dlg->messages.empty()) << dlg->messages.front().text;
    ASSERT_NE(map(), nullptr);
    EXPECT_NE(picture(), shown);
    const DevicePoint corner = *mapToDevice(ctx->state.view.transform, 0, 0, 0, 0);
    EXPECT_EQ(map()->picSHP->surface().Point(corner.X, corner.Y), 0);  // the grid's outline
}

// ---- A study area reached through symbolic links ----

// How the study area is reached: a link to the folder that holds its files,
// or links to each of its files, beside them in a folder of their own.
enum class LinkedThrough { Folder, Files };

class FrameLinkedShp : public ChangedShpScene, public ::testing::WithParamInterface<LinkedThrough> {};

TEST_P(FrameLinkedShp, TheFileThroughTheLinkIsTheOneOpenedUntilTheLinkIsTurnedToAnother) {
    if (!fs::exists(sourcePath("data/sample/sample.shp"))) GTEST_SKIP() << "no sample data";
    const LinkedThrough through = GetParam();
    const std::string dir = scratchDir("linked-shp");
    // The sample in "real", a plain grid of as many regions in "other".
    for (const char* folder : {"/real", "/other", "/linked"}) fs::create_directory(dir + folder);
    for (const char* ext : {".shp", ".shx", ".dbf"}) {
        fs::copy_file(sourcePath(std::string("data/sample/sample") + ext), dir + "/real/sample" + ext);
        fs::copy_file(sourcePath(std::string("data/sample/sample") + ext), dir + "/other/sample" + ext);
    }
    kChanges[0].apply(dir + "/other/sample");
    if (through == LinkedThrough::Folder) {
        fs::create_directory_symlink("real", dir + "/folder");
        base = dir + "/folder/sample";
    } else {
        for (const char* ext : {".shp", ".shx", ".dbf"})
            fs::create_symlink(std::string("../real/sample") + ext, dir + "/linked/sample" + ext);
        base = dir + "/linked/sample";
    }
    openRetroWithFields(base + ".shp");
    run(Scene::ClusterRun);
    ASSERT_NE(map(), nullptr);
    EXPECT_EQ(ctx->state.area.shpPath, base + ".shp");
    // Through the link, the file the map reads at every drawing is the one
    // opened: nothing is said.
    map()->Toolbar1_ButtonClick("FullExt");
    run(Scene::ClusterRun);
    EXPECT_TRUE(dlg->messages.empty()) << dlg->messages.front().text;
    const QImage shown = picture();

    // The link turned to the grid: the file under the name opened changed.
    if (through == LinkedThrough::Folder) {
        fs::remove(dir + "/folder");
        fs::create_directory_symlink("other", dir + "/folder");
    } else {
        fs::remove(base + ".shp");
        fs::create_symlink("../other/sample.shp", base + ".shp");
    }
    run(Scene::ClusterRun);
    ASSERT_EQ(dlg->messages.size(), 1u);
    EXPECT_NE(dlg->messages[0].text.find("The shapefile " + base + ".shp has changed since it was opened"),
              std::string::npos)
        << dlg->messages[0].text;
    EXPECT_EQ(picture(), shown);
}

INSTANTIATE_TEST_SUITE_P(Links, FrameLinkedShp, ::testing::Values(LinkedThrough::Folder, LinkedThrough::Files),
                         [](const ::testing::TestParamInfo<LinkedThrough>& info) {
                             return info.param == LinkedThrough::Folder ? "Folder" : "Files";
                         });

// ---- A .shp that is no longer a regular file ----

// What stands in the place of the .shp: a named pipe (held open at both
// ends by the test, so that nothing can wait on it for ever), or a folder.
enum class NotAFile { Pipe, Folder };

// The step after which the map is drawn again: a Run of either test
// window, or the export window opened over the class map and the map
// window chosen again (its activation redraws the classes).
enum class Redraw { ClusterRun, CusumRun, BackFromExport };

class FrameShpNotAFile : public ChangedShpScene,
                         public ::testing::WithParamInterface<std::tuple<NotAFile, Redraw>> {
protected:
    void redraw(Redraw how) {
        if (how != Redraw::BackFromExport) return run(how == Redraw::ClusterRun ? Scene::ClusterRun : Scene::CusumRun);
        frame->mnuExport_Click();
        ASSERT_NE(ctx->find<frmExportDataset>(), nullptr);
        auto* sub = qobject_cast<QMdiSubWindow*>(AppContext::topOf(map()));
        ASSERT_NE(sub, nullptr);
        frame->mdiArea->setActiveSubWindow(sub);
    }
    // Every line of the lists of the test window that ran.
    std::vector<std::string> lists(Redraw how) {
        std::vector<std::string> lines;
        auto add = [&](const std::vector<std::string>& more) { lines.insert(lines.end(), more.begin(), more.end()); };
        if (how == Redraw::CusumRun) {
            frmUnivariate* u = ctx->find<frmUnivariate>();
            add(u->periodLines());
            add(u->regionLines());
        } else {
            frmClusterDetection* w = ctx->find<frmClusterDetection>();
            add(w->globalLines());
            add(w->localLines());
        }
        return lines;
    }

    // Held until the frame is gone: its closing windows redraw the map too.
    std::unique_ptr<HeldPipe> pipe;
};

TEST_P(FrameShpNotAFile, TheMapSaysOnceThatTheFileChangedAndDrawsTheRegionsOpened) {
    if (!fs::exists(sourcePath("data/sample/sample.shp"))) GTEST_SKIP() << "no sample data";
    const auto [kind, how] = GetParam();
    openAndRun(how == Redraw::CusumRun ? Scene::CusumRun : Scene::ClusterRun);
    ASSERT_NE(map(), nullptr);
    ASSERT_TRUE(dlg->messages.empty()) << dlg->messages.front().text;
    if (how == Redraw::CusumRun) ctx->find<frmUnivariate>()->selectPeriodRow(10);
    const QImage shown = picture();
    const std::vector<std::string> listed = lists(how);
    ASSERT_FALSE(listed.empty());
    QImage blank = shown;
    blank.fill(Qt::white);
    ASSERT_NE(shown, blank);

    const std::string shp = base + ".shp";
    fs::remove(shp);
    if (kind == NotAFile::Pipe)
        pipe = std::make_unique<HeldPipe>(shp);
    else
        fs::create_directory(shp);
    redraw(how);
    if (how == Redraw::CusumRun) ctx->find<frmUnivariate>()->selectPeriodRow(10);

    ASSERT_EQ(dlg->messages.size(), 1u);
    const auto& m = dlg->messages[0];
    EXPECT_EQ(m.title, "Warning!");
    EXPECT_EQ(m.icon, MsgIcon::Critical);
    EXPECT_EQ(m.text, "The shapefile " + shp + " has changed since it was opened: " +
                          (kind == NotAFile::Pipe ? "it is no longer a regular file." : "it is a folder now, not a file.") +
                          " The map shows its regions as they were opened.");
    // The regions held since the opening draw the very picture the file drew,
    // and the run's lists go on as they were.
    EXPECT_EQ(picture(), shown);
    EXPECT_EQ(lists(how), listed);

    // The tools and the next drawings draw them too, and say nothing more.
    map()->Toolbar1_ButtonClick("FullExt");
    map()->Toolbar1_ButtonClick("Centroid");
    map()->Toolbar1_ButtonClick("FullExt");
    redraw(how);
    if (how == Redraw::CusumRun) ctx->find<frmUnivariate>()->selectPeriodRow(10);
    EXPECT_EQ(dlg->messages.size(), 1u);
    EXPECT_EQ(picture(), shown);
    EXPECT_EQ(lists(how), listed);
}

INSTANTIATE_TEST_SUITE_P(Kinds, FrameShpNotAFile,
                         ::testing::Combine(::testing::Values(NotAFile::Pipe, NotAFile::Folder),
                                            ::testing::Values(Redraw::ClusterRun, Redraw::CusumRun,
                                                              Redraw::BackFromExport)));

}  // namespace
