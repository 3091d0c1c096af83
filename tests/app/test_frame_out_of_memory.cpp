// Memory that runs out in a step that reads or writes a file the user chose,
// each step reached through the main frame and clicked as a user clicks it:
// the step says in its own words that memory ran out, naming the file, in
// one "Warning!", and no file changes (the earlier file stays whole, no
// temporary file is left) while what was shown and loaded stays.
#include <QAction>
#include <QListWidget>
#include <QPushButton>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>

#include "app/MDIFrmMain.h"
#include "platform/DbfTable.h"
#include "prospective/frmSelectName.h"
#include "prospective/frmUnivariate.h"
#include "prospective/frmUnivariateCusumTextfile.h"
#include "retrospective/frmClusterDetection.h"
#include "retrospective/frmClusterDetectionTextfile.h"
#include "retrospective/frmParameter.h"
#include "retrospective/frmSelectDataFormat.h"
#include "tests/app/FrameFixture.h"
#include "tests/retrospective/RetroFixture.h"
#include "tests/support/AllocationLimit.h"
#include "tests/support/RealClick.h"
#include "tests/support/TestPaths.h"

namespace fs = std::filesystem;

namespace frametest {
namespace {

constexpr std::size_t kLimit = 4 * 1024;

std::string bytesOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::set<std::string> namesIn(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
    return names;
}

// The sample study area, copied into `dir`.
std::string copySample(const std::string& dir) {
    for (const char* ext : {".shp", ".shx", ".dbf"})
        fs::copy_file(sourcePath(std::string("data/sample/sample") + ext), dir + "/sample" + ext);
    return dir + "/sample.shp";
}

// 200 unit squares in rows of 20: more regions than the data input can
// take the IDs of within the limit.
std::vector<Region> grid200() {
    std::vector<Region> regions;
    for (int k = 0; k < 200; ++k) {
        const double x = k % 20, y = k / 20;
        regions.push_back({rectCW(x, y, x + 1, y + 1)});
    }
    return regions;
}

class FrameOutOfMemory : public FrameTest {
protected:
    // Opens the study area for the cluster test and answers the data input.
    frmClusterDetection* clusterWindow(const std::string& shp) {
        openRetroWithFields(shp);
        frmClusterDetection* w = ctx->find<frmClusterDetection>();
        EXPECT_NE(w, nullptr);
        return w;
    }
    // Opens the study area for the cusum and runs it over Z01..Z12.
    frmUnivariate* cusumWindow(const std::string& shp) {
        frmUnivariate* u = openProWithNames(shp);
        if (!u) return nullptr;
        chooseSampleRange(u);
        u->cmdCalc_Click();
        return u;
    }
    // The frame's point entry of the cluster test with the sample points run.
    frmClusterDetectionTextfile* pointClusterWindow() {
        frame->mnuOpenTextRetro_Click();
        frame = ctx->find<MDIFrmMain>();
        auto* w = ctx->find<frmClusterDetectionTextfile>();
        EXPECT_NE(w, nullptr);
        if (!w) return nullptr;
        w->cmdLoadData_Click();
        dlg->queueFile(sourcePath("data/sample/points.txt"));
        ctx->find<frmSelectDataFormat>()->cmdContinue_Click();
        w->selectTest(ClusterTest::Unadjusted);
        w->selectSingleSigma();
        w->cmdRun_Click();
        return w;
    }
    // The frame's point entry of the cusum with the sample points run.
    frmUnivariateCusumTextfile* pointCusumWindow() {
        frame->mnuOpenTextPro_Click();
        frame = ctx->find<MDIFrmMain>();
        auto* w = ctx->find<frmUnivariateCusumTextfile>();
        EXPECT_NE(w, nullptr);
        if (!w) return nullptr;
        dlg->queueFile(sourcePath("data/sample/cusum_points.txt"));
        w->cmdFileOpenIDXY->click();
        dlg->queueFile(sourcePath("data/sample/cusum_points_z.txt"));
        w->cmdNewZScore->click();
        w->cmdRun->click();
        return w;
    }
    void triggerUnderTheLimit(const char* entry) {
        const AllocationLimit limit(kLimit);
        frame->menuEntry(entry)->trigger();
    }
    void clickUnderTheLimit(QWidget* w) {
        const AllocationLimit limit(kLimit);
        realClick(w);
    }
};

TEST_F(FrameOutOfMemory, EveryFileStepSaysThatMemoryRanOutAndChangesNothing) {
    const std::string written = "There is not enough memory left to write the file \"";
    struct Step {
        const char* name;
        // Without a limit: what the step needs, and the file it is given
        // (empty for a step that asks for none). Returns the step's click
        // and what stays as it was, checked afterwards.
        std::function<std::function<void()>(const std::string& dir, std::string& file,
                                            std::function<void()>& keeps)>
            prepare;
        std::function<std::string(const std::string& dir, const std::string& file)> says;
    };
    // Opening the sample through `entry` of the cluster test or the cusum
    // with another study area open before, which stays loaded.
    auto openingStep = [&](const char* name, bool cusum, const char* entry) {
        return Step{name,
                    [this, cusum, entry](const std::string& dir, std::string&, std::function<void()>& keeps) {
                        const std::string before = writeStudyArea(dir, "before");
                        if (cusum)
                            openPro(before);
                        else
                            openRetro(before);
                        const std::string sample = copySample(dir);
                        const auto table = ctx->state.area.dbfRecordset;
                        keeps = [this, before, table] {
                            EXPECT_EQ(ctx->state.area.shpPath, before);
                            EXPECT_EQ(ctx->state.area.regionCount, 3);
                            EXPECT_EQ(ctx->state.area.dbfRecordset, table);
                        };
                        return std::function<void()>([this, sample, entry] {
                            dlg->queueFile(sample);
                            triggerUnderTheLimit(entry);
                        });
                    },
                    [](const std::string& dir, const std::string&) {
                        return "The shapefile " + dir + "/sample.shp cannot be opened:\nThere is not enough memory "
                               "left to read the file \"" + dir + "/sample.dbf\".\n\nThe study area open before "
                               "stays loaded.";
                    }};
    };
    const Step steps[] = {
        {"the cluster report's save",
         [&](const std::string& dir, std::string& file, std::function<void()>& keeps) {
             frmClusterDetection* w = clusterWindow(copySample(dir));
             retro_test::runClusterSingle(w, ClusterTest::Unadjusted, "1");
             file = dir + "/report.txt";
             const std::vector<std::string> local = w->localLines();
             keeps = [this, w, local] {
                 EXPECT_EQ(w->localLines(), local);
                 EXPECT_TRUE(w->cmdSave->isEnabled());
             };
             return [this, w] { clickUnderTheLimit(w->cmdSave); };
         },
         [&](const std::string&, const std::string& file) {
             return "The report could not be saved to \"" + file + "\": " + written + file + "\".";
         }},
        {"the point cluster report's save",
         [&](const std::string& dir, std::string& file, std::function<void()>& keeps) {
             frmClusterDetectionTextfile* w = pointClusterWindow();
             file = dir + "/report.txt";
             keeps = [w] { EXPECT_TRUE(w->cmdSave->isEnabled()); };
             return [this, w] { clickUnderTheLimit(w->cmdSave); };
         },
         [&](const std::string&, const std::string& file) {
             return "The report could not be saved to \"" + file + "\": " + written + file + "\".";
         }},
        {"the cusum's Save result",
         [&](const std::string& dir, std::string& file, std::function<void()>& keeps) {
             frmUnivariate* u = cusumWindow(copySample(dir));
             file = dir + "/result.txt";
             const std::vector<std::string> periods = u->periodLines();
             keeps = [u, periods] {
                 EXPECT_EQ(u->periodLines(), periods);
                 EXPECT_TRUE(u->cmdSaveResult->isEnabled());
                 EXPECT_TRUE(u->cmdSaveCusum->isEnabled());
             };
             return [this, u] { clickUnderTheLimit(u->cmdSaveResult); };
         },
         [&](const std::string&, const std::string& file) {
             return "The result could not be saved to \"" + file + "\": " + written + file + "\".";
         }},
        {"the cusum's Save cusum",
         [&](const std::string& dir, std::string& file, std::function<void()>& keeps) {
             frmUnivariate* u = cusumWindow(copySample(dir));
             file = dir + "/run.csm";
             keeps = [this, u] {
                 EXPECT_TRUE(u->cmdSaveResult->isEnabled());
                 EXPECT_TRUE(u->cmdSaveCusum->isEnabled());
                 EXPECT_TRUE(ctx->state.cusum.csmPath.empty());
             };
             return [this, u] { clickUnderTheLimit(u->cmdSaveCusum); };
         },
         [&](const std::string&, const std::string& file) {
             return "The cusum file could not be saved to \"" + file + "\": " + written + file + "\".";
         }},
        {"the point cusum's Save cusum",
         [&](const std::string& dir, std::string& file, std::function<void()>& keeps) {
             frmUnivariateCusumTextfile* w = pointCusumWindow();
             file = dir + "/run.csm";
             keeps = [w] { EXPECT_TRUE(w->cmdSaveCusum->isEnabled()); };
             return [this, w] { clickUnderTheLimit(w->cmdSaveCusum); };
         },
         [&](const std::string&, const std::string& file) {
             return "The cusum file could not be written: " + written + file + "\".";
         }},
        {"the point cusum's Save result",
         [&](const std::string& dir, std::string& file, std::function<void()>& keeps) {
             frmUnivariateCusumTextfile* w = pointCusumWindow();
             file = dir + "/result.txt";
             keeps = [w] { EXPECT_TRUE(w->cmdSaveResult->isEnabled()); };
             return [this, w] { clickUnderTheLimit(w->cmdSaveResult); };
         },
         [&](const std::string&, const std::string& file) {
             return "The report could not be written: " + written + file + "\".";
         }},
        {"the data input's OK",
         [&](const std::string& dir, std::string&, std::function<void()>& keeps) {
             frmClusterDetection* w = clusterWindow(writeStudyArea(dir, "grid", grid200()));
             retro_test::runClusterSingle(w, ClusterTest::FreemanTukey, "1");
             const RetroValues before = ctx->state.retro;
             const std::vector<std::string> local = w->localLines();
             keeps = [this, w, before, local] {
                 EXPECT_EQ(ctx->state.retro.observed, before.observed);
                 EXPECT_EQ(ctx->state.retro.expected, before.expected);
                 EXPECT_EQ(ctx->state.retro.primaryIds, before.primaryIds);
                 EXPECT_EQ(ctx->state.retro.resultsGeneration, before.resultsGeneration);
                 EXPECT_EQ(w->localLines(), local);
                 // The data input stays open for another try.
                 EXPECT_NE(ctx->find<frmParameter>(), nullptr);
             };
             return [this, w] {
                 realClick(w->cmdDataReset);
                 frmParameter* p = ctx->find<frmParameter>();
                 ASSERT_NE(p, nullptr);
                 // Other fields than before, so that an OK would change the counts.
                 p->pickField(p->cboBasePopulation, "CASES");
                 p->pickField(p->cboCase, "ID");
                 p->pickField(p->cboPrimaryID, "ID");
                 clickUnderTheLimit(p->cmdOK);
             };
         },
         [&](const std::string& dir, const std::string&) {
             return "There is not enough memory left to read the data of the attribute table \"" + dir +
                    "/grid.dbf\". The data read before are kept.";
         }},
        openingStep("opening a shapefile for the cluster test", false, "mnuOpenShapeRetro"),
        openingStep("opening a shapefile for the cusum", true, "mnuOpenShapePro"),
        {"the centroid file",
         [&](const std::string& dir, std::string& file, std::function<void()>& keeps) {
             openRetro(copySample(dir));
             // The centroids are computed before a file is asked for: no
             // dialog is shown, and a file of the name stays as it was.
             file = dir + "/centroids.txt";
             const std::vector<CentroidRecord> centroids = ctx->state.area.centroidTable;
             const std::size_t calls = dlg->fileCalls.size();
             keeps = [this, centroids, calls] {
                 EXPECT_EQ(dlg->fileCalls.size(), calls);
                 ASSERT_EQ(ctx->state.area.centroidTable.size(), centroids.size());
                 for (std::size_t i = 0; i < centroids.size(); ++i) {
                     EXPECT_EQ(ctx->state.area.centroidTable[i].X, centroids[i].X);
                     EXPECT_EQ(ctx->state.area.centroidTable[i].Y, centroids[i].Y);
                 }
             };
             return [this] { triggerUnderTheLimit("mnuGetCentroid"); };
         },
         [&](const std::string& dir, const std::string&) {
             return "There is not enough memory left to compute the centroids of the regions of \"" + dir +
                    "/sample.shp\".";
         }},
    };
    bool first = true;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        // Each step in a frame of its own.
        if (!first) {
            TearDown();
            SetUp();
        }
        first = false;
        const std::string dir = scratchDir("frame-out-of-memory");
        std::string file;
        std::function<void()> keeps;
        const std::function<void()> click = step.prepare(dir, file, keeps);
        {
            const std::vector<std::string> before = takeMessages();
            ASSERT_TRUE(before.empty()) << before[0];
        }
        const std::string earlier = "the earlier file\r\n";
        if (!file.empty()) {
            std::ofstream(file, std::ios::binary) << earlier;
            dlg->queueFile(file);
        }
        const std::set<std::string> names = namesIn(dir);
        click();
        std::string said;
        for (const auto& m : dlg->messages) said += m.text + "\n";
        EXPECT_EQ(dlg->messages.size(), 1u) << said;
        if (!dlg->messages.empty()) {
            EXPECT_EQ(dlg->messages[0].text, step.says(dir, file));
            EXPECT_EQ(dlg->messages[0].title, "Warning!");
            EXPECT_EQ(dlg->messages[0].icon, MsgIcon::Critical);
        }
        if (!file.empty()) {
            EXPECT_EQ(bytesOf(file), earlier);
        }
        EXPECT_EQ(namesIn(dir), names);
        keeps();
        dlg->fileAnswers.clear();
    }
}

}  // namespace
}  // namespace frametest
