// Counts whose sums hold but whose expected counts cannot be computed (a
// case total times a population beyond the doubles, a quotient that falls
// to 0) are refused where they are read, at the data input's OK and at the
// point file's Continue, with the values and totals named, before anything
// shown changes: the run would have stopped later on "an expected count of
// 0", which was not the cause.
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <fstream>
#include <functional>

#include "app/MDIFrmMain.h"
#include "retrospective/frmClusterDetection.h"
#include "retrospective/frmClusterDetectionTextfile.h"
#include "retrospective/frmParameter.h"
#include "retrospective/frmSelectDataFormat.h"
#include "tests/app/FrameFixture.h"
#include "tests/support/RealClick.h"
#include "tests/support/TestPaths.h"

namespace frametest {
namespace {

// Three regions with the fields NAME, POP and CASES (ordinary counts) and
// BIGPOP and BIGCASES, which hold the texts given as they stand.
std::string writeArea(const std::string& dir, const std::vector<std::string>& bigPop,
                      const std::vector<std::string>& bigCases) {
    const std::string base = dir + "/big";
    writeShapes(base, threeRegions());
    DBFHandle h = DBFCreate((base + ".dbf").c_str());
    EXPECT_NE(h, nullptr);
    DBFAddField(h, "NAME", FTString, 16, 0);
    DBFAddField(h, "POP", FTInteger, 9, 0);
    DBFAddField(h, "CASES", FTInteger, 9, 0);
    DBFAddField(h, "BIGPOP", FTDouble, 20, 2);
    DBFAddField(h, "BIGCASES", FTDouble, 20, 2);
    for (int i = 0; i < 3; ++i) {
        DBFWriteStringAttribute(h, i, 0, ("Region " + std::to_string(i + 1)).c_str());
        DBFWriteIntegerAttribute(h, i, 1, 1000 * (i + 1));
        DBFWriteIntegerAttribute(h, i, 2, 3 * (i + 1) + (i == 0 ? 9 : 0));
        // Right-aligned in the field's width, as dBASE writes a number.
        for (int field : {3, 4}) {
            std::string text = (field == 3 ? bigPop : bigCases)[static_cast<std::size_t>(i)];
            text.insert(0, 20 - text.size(), ' ');
            DBFWriteAttributeDirectly(h, i, field, text.data());
        }
    }
    DBFClose(h);
    return base + ".shp";
}

class FrameExpectedCounts : public FrameTest {};

TEST_F(FrameExpectedCounts, TheDataInputRefusesValuesTooLargeToComputeWith) {
    const std::vector<std::string> bigPop = {"5", "1e308", "7"}, bigCases = {"1", "1e308", "2"};
    const struct {
        const char* name;
        const char* population;  // with obsExp, the expected counts
        const char* cases;       // with obsExp, the observed counts
        std::string says;
        bool obsExp;
        std::vector<std::string> bigPopTexts, bigCaseTexts;
    } cases[] = {
        {"a population of 1E+308", "BIGPOP", "CASES",
         "Data include values too large to compute with. Record 2 of the field 'BIGPOP' holds 1E+308 and the case "
         "counts add up to 27: the expected count of region 2 is derived from their product, which is beyond what "
         "this program can hold. Check data and try again!",
         false, bigPop, bigCases},
        // The case total is beyond reason, not the population it meets: the
        // case field and the record that holds 1E+308 are named.
        {"a case count of 1E+308", "POP", "BIGCASES",
         "Data include values too large to compute with. Record 2 of the field 'BIGCASES' holds 1E+308 and the case "
         "counts add up to 1E+308: the expected count of region 1 is derived from that total times the population of "
         "region 1 (1000), which is beyond what this program can hold. Check data and try again!",
         false, bigPop, bigCases},
        // Observed counts that add up to far below 1 are the ones beyond
        // reason, not the expected count divided by them.
        {"observed counts far below 1", "BIGPOP", "BIGCASES",
         "Data include values too small to compute with. Record 2 of the field 'BIGCASES' holds 2E-300 and the "
         "observed counts add up to 3E-300: the expected count of region 1 (10000000000) divided by that total is "
         "beyond what this program can hold. Check data and try again!",
         true, {"1e10", "4", "5"}, {"1e-300", "2e-300", "0"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string dir = scratchDir("frame-expected-counts");
        openRetroWithFields(writeArea(dir, c.bigPopTexts, c.bigCaseTexts));
        frmClusterDetection* w = ctx->find<frmClusterDetection>();
        ASSERT_NE(w, nullptr);
        w->selectTest(ClusterTest::FreemanTukey);
        w->cmdRun_Click();
        ASSERT_TRUE(takeMessages().empty());
        const RetroValues before = ctx->state.retro;
        const std::vector<std::string> local = w->localLines(), global = w->globalLines();

        realClick(w->cmdDataReset);
        frmParameter* p = ctx->find<frmParameter>();
        ASSERT_NE(p, nullptr);
        if (c.obsExp) {
            realClick(p->optObsExp);
            ASSERT_TRUE(p->optObsExp->isChecked());
            p->pickField(p->cboExp, c.population);
            p->pickField(p->cboObs, c.cases);
        } else {
            p->pickField(p->cboBasePopulation, c.population);
            p->pickField(p->cboCase, c.cases);
        }
        p->pickField(p->cboPrimaryID, "NAME");
        realClick(p->cmdOK);
        EXPECT_EQ(takeMessages(), std::vector<std::string>{c.says});
        // Nothing was taken: the counts, the results and the lists of the
        // last OK and run stay, and the data input is open for another pick.
        EXPECT_EQ(ctx->find<frmParameter>(), p);
        EXPECT_EQ(ctx->state.retro.population, before.population);
        EXPECT_EQ(ctx->state.retro.observed, before.observed);
        EXPECT_EQ(ctx->state.retro.expected, before.expected);
        EXPECT_EQ(ctx->state.retro.totalCases, before.totalCases);
        EXPECT_EQ(ctx->state.retro.resultsGeneration, before.resultsGeneration);
        EXPECT_EQ(w->localLines(), local);
        EXPECT_EQ(w->globalLines(), global);
        EXPECT_TRUE(w->cmdSave->isEnabled());
        p->close();
        TearDown();
        SetUp();
    }
}

TEST_F(FrameExpectedCounts, ThePointFileRefusesValuesTooLargeToComputeWith) {
    const struct {
        const char* name;
        bool obsExp;
        const char* lines;
        std::string says;
    } cases[] = {
        // The case total is beyond reason: the line that holds most of it
        // is named with its case count.
        {"a case total over populations below 1", false,
         "a,0,0,0.25,1e308\nb,1,0,0.25,5e307\nc,0,1,0.25,1\n",
         "Line 1 holds values too large to compute with: its case count (1E+308) brings the case counts of the file "
         "to 1.5E+308, and the expected count of line 1, derived from that total divided by the populations of the "
         "file (they add up to 0.75), is beyond what this program can hold."},
        {"a case total over populations below 1, most of it on a later line", false,
         "a,0,0,0.25,5e307\nb,1,0,0.25,1e308\nc,0,1,0.25,1\n",
         "Line 2 holds values too large to compute with: its case count (1E+308) brings the case counts of the file "
         "to 1.5E+308, and the expected count of line 1, derived from that total divided by the populations of the "
         "file (they add up to 0.75), is beyond what this program can hold."},
        {"an expected count over an observed total far below 1", true,
         "a,0,0,1e-300,1e10\nb,1,0,2e-300,4\nc,0,1,0,2\n",
         "Line 2 holds values too small to compute with: its observed count (2E-300) is the largest of the observed "
         "counts of the file (they add up to 3E-300), and the expected count of line 1 (10000000000) divided by that "
         "total is beyond what this program can hold."},
        {"an expected count over an observed total below 1", true,
         "a,0,0,0.25,4\nb,1,0,0.25,1e308\nc,0,1,0,2\n",
         "Line 2 holds values too large to compute with: its expected count (1E+308) divided by the observed counts "
         "of the file (they add up to 0.5) is beyond what this program can hold."},
    };
    const std::string dir = scratchDir("frame-expected-points");
    const std::string good = dir + "/good.txt";
    std::ofstream(good, std::ios::binary) << "p,0,0,100,3\nq,5,0,200,1\nr,0,5,300,9\ns,5,5,100,2\n";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        frame->mnuOpenTextRetro_Click();
        frame = ctx->find<MDIFrmMain>();
        auto* w = ctx->find<frmClusterDetectionTextfile>();
        ASSERT_NE(w, nullptr);
        w->cmdLoadData_Click();
        dlg->queueFile(good);
        ctx->find<frmSelectDataFormat>()->cmdContinue_Click();
        w->selectTest(ClusterTest::FreemanTukey);
        w->cmdRun_Click();
        ASSERT_TRUE(takeMessages().empty());
        const RetroValues before = ctx->state.retro;
        const std::vector<std::string> local = w->localLines();
        ASSERT_FALSE(local.empty());

        const std::string bad = dir + "/bad.txt";
        std::ofstream(bad, std::ios::binary | std::ios::trunc) << c.lines;
        realClick(w->cmdLoadData);
        auto* d = ctx->find<frmSelectDataFormat>();
        ASSERT_NE(d, nullptr);
        if (c.obsExp) d->optObsExp->click();
        dlg->queueFile(bad);
        realClick(d->cmdContinue);
        EXPECT_EQ(takeMessages(), std::vector<std::string>{c.says});
        EXPECT_EQ(ctx->state.points.pointCount, 4.0);
        EXPECT_EQ(ctx->state.retro.observed, before.observed);
        EXPECT_EQ(ctx->state.retro.expected, before.expected);
        EXPECT_EQ(ctx->state.retro.expectedShare, before.expectedShare);
        EXPECT_EQ(w->localLines(), local);
        EXPECT_TRUE(w->cmdSave->isEnabled());
        TearDown();
        SetUp();
    }
}

}  // namespace
}  // namespace frametest
