// The prospective road through the main frame on the sample study area:
// the open entry shows the name-field dialog, its OK the cusum window, the
// run over the sample's twelve z-score fields finds the outbreak, and
// opening another study area during the animation stops it and refills
// the window's field lists.
#include <QComboBox>
#include <QRadioButton>
#include <QPointer>
#include <QTimer>
#include <QLineEdit>
#include <QListWidget>
#include <cmath>
#include <filesystem>
#include <map>

#include "app/MDIFrmMain.h"
#include "platform/DbfTable.h"
#include "platform/Format.h"
#include "platform/TextFile.h"
#include "prospective/frmExportDataset.h"
#include "prospective/frmSelectName.h"
#include "prospective/frmTxtFileOpen.h"
#include "prospective/frmUnivariate.h"
#include "tests/app/FrameFixture.h"
#include "tests/support/TestPaths.h"

namespace frametest {
namespace {

class FrameCusumTest : public FrameTest {
protected:
    frmUnivariate* openSample() { return openProWithNames(sourcePath("data/sample/sample.shp")); }
};

TEST_F(FrameCusumTest, SampleOutbreakIsSignalledFromPeriodNine) {
    frmUnivariate* u = openSample();
    ASSERT_NE(u, nullptr);
    EXPECT_FALSE(ctx->isOpen<frmSelectName>());
    chooseSampleRange(u);
    u->cmdCalc_Click();
    EXPECT_TRUE(takeMessages().empty());
    const CusumState& c = ctx->state.cusum;
    ASSERT_EQ(c.periodCount, 12.0);
    ASSERT_EQ(u->periodLines().size(), 15u);
    // No region of the sample signals before the outbreak at h 9.3.
    for (int p = 1; p <= 8; ++p) {
        u->selectPeriodRow(p + 1);
        EXPECT_TRUE(c.signaledRegions.empty()) << "period " << p;
    }
    u->selectPeriodRow(13);
    const std::vector<std::int32_t> outbreak = {63, 64, 73, 74};
    for (std::int32_t r : outbreak)
        EXPECT_NE(std::find(c.signaledRegions.begin(), c.signaledRegions.end(), r), c.signaledRegions.end()) << r;

    // The period matrix file of the sample gives the same cusums.
    const Matrix fromFields = c.cusumValues;
    u->selectExistingTextfile();
    dlg->queueFile(sourcePath("data/sample/sample_z.txt"));
    u->cmdCalc_Click();
    EXPECT_TRUE(takeMessages().empty());
    EXPECT_TRUE(c.cusumValues.isApprox(fromFields, 1e-12));
}

TEST_F(FrameCusumTest, AnotherStudyAreaStopsTheAnimationAndRefillsTheLists) {
    frmUnivariate* u = openSample();
    ASSERT_NE(u, nullptr);
    chooseSampleRange(u);
    u->txtHvalue->setText("5");
    const std::string other = writeStudyArea(scratchDir("cusum-other"), "other");
    bool opened = false;
    pump->onWait = [&](std::int64_t n) {
        if (n == 2 && !opened) {
            opened = true;
            openPro(other);
        }
    };
    u->cmdCalc_Click();
    EXPECT_EQ(pump->waits, 2);
    ASSERT_EQ(ctx->find<frmUnivariate>(), u);
    EXPECT_TRUE(u->periodLines().empty());
    EXPECT_FALSE(u->animating());
    EXPECT_EQ(u->cboStartZ->count(), 4);  // ID, NAME, POP, CASES of the new table
    EXPECT_EQ(u->txtHvalue->text().toStdString(), "5");
    // The name dialog lists the new table's fields.
    frmSelectName* d = ctx->find<frmSelectName>();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->cmbName1->count(), 4);
    EXPECT_FALSE(ctx->state.shared.cusumMapMode);
}

// A cusum file belongs to the study area it was loaded for: after another
// study area of as many regions opens, OK asks for its own file instead of
// continuing the new regions from the old ones, and continues once it is
// loaded.
TEST_F(FrameCusumTest, TheContinuationTakesACusumFileOnlyOnTheStudyAreaItWasLoadedFor) {
    frmUnivariate* u = openSample();
    ASSERT_NE(u, nullptr);
    chooseSampleRange(u);
    u->cmdCalc_Click();
    const std::string dir = scratchDir("cusum-same-count");
    dlg->queueFile(dir + "/run.csm");
    u->cmdSaveCusum_Click();
    u->selectPrevious();
    u->cmdCalc_Click();
    ASSERT_NE(ctx->find<frmTxtFileOpen>(), nullptr);
    dlg->queueFile(dir + "/run.csm");
    ctx->find<frmTxtFileOpen>()->cmdOpen_Click();
    ASSERT_TRUE(takeMessages().empty());

    // The sample's files under another name: another study area of the
    // same hundred regions.
    for (const char* ext : {".shp", ".shx", ".dbf"})
        std::filesystem::copy_file(sourcePath(std::string("data/sample/sample") + ext), dir + "/copy" + ext);
    openPro(dir + "/copy.shp");
    frmSelectName* names = ctx->find<frmSelectName>();
    ASSERT_NE(names, nullptr);
    names->pickField(names->cmbName1, "NAME");
    names->cmdOK_Click();
    ASSERT_EQ(ctx->find<frmUnivariate>(), u);
    chooseSampleRange(u);
    u->selectPrevious();
    u->cmdCalc_Click();
    frmTxtFileOpen* d = ctx->find<frmTxtFileOpen>();
    ASSERT_NE(d, nullptr);
    takeMessages();
    d->cmdOK_Click();
    EXPECT_EQ(takeMessages(), std::vector<std::string>{"The loaded cusum file was opened for another study area. Open "
                                                       "a cusum (.csm) file of this study area first."});
    EXPECT_TRUE(u->periodLines().empty());

    dlg->queueFile(dir + "/run.csm");
    d->cmdOpen_Click();
    d->cmdOK_Click();
    EXPECT_TRUE(takeMessages().empty());
    EXPECT_EQ(u->periodLines().size(), 15u);
}

}  // namespace
}  // namespace frametest

namespace frametest {
namespace {

TEST_F(FrameCusumTest, TheRetrospectiveEntryClosesTheCusumWindow) {
    frmUnivariate* u = openSample();
    ASSERT_NE(u, nullptr);
    // With the continuation dialog open, which goes with the window.
    u->selectPrevious();
    u->cmdCalc_Click();
    ASSERT_TRUE(ctx->isOpen<frmTxtFileOpen>());
    openRetro(writeStudyArea(scratchDir("cusum-retro"), "retro"));
    EXPECT_FALSE(ctx->isOpen<frmUnivariate>());
    EXPECT_FALSE(ctx->isOpen<frmTxtFileOpen>());
}

// The program's own pump: real waits and real deletion of a closed window
// while its animation waits.
TEST_F(FrameCusumTest, ClosingDuringARealWaitStopsTheAnimation) {
    frmUnivariate* u = openSample();
    ASSERT_NE(u, nullptr);
    chooseSampleRange(u);
    u->selectSpeed(u->optMedium);
    installEventPump(std::make_shared<QtEventPump>());
    QPointer<frmUnivariate> watched(u);
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(0, [&] {
            if (watched) AppContext::topOf(watched)->close();
        });
    });
    u->cmdCalc_Click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(ctx->isOpen<frmUnivariate>());
    EXPECT_FALSE(ctx->state.shared.cusumMapMode);
    installEventPump(pump);
}

}  // namespace
}  // namespace frametest

namespace frametest {
namespace {

// The "&Export" entry of the opened sample: the sample's z-score fields
// are the Poisson z-values of its observed and expected fields, so the
// export without smoothing writes them, and the cusum window's run on the
// exported file is its run on the fields.
TEST_F(FrameCusumTest, ExportEntryWritesTheSampleZScoresThatTheCusumWindowRuns) {
    frmUnivariate* u = openSample();
    ASSERT_NE(u, nullptr);
    ASSERT_TRUE(frame->isMenuEnabled("mnuExport"));
    frame->mnuExport_Click();
    frmExportDataset* x = ctx->find<frmExportDataset>();
    ASSERT_NE(x, nullptr);
    const auto& t = *ctx->state.area.dbfRecordset;
    EXPECT_EQ(x->cboObsFrom->count(), t.FieldCount());
    x->chooseField(x->cboObsFrom, t.FieldIndex("O01"));
    x->chooseField(x->cboObsTo, t.FieldIndex("O12"));
    x->chooseField(x->cboExpFrom, t.FieldIndex("E01"));
    x->chooseField(x->cboExpTo, t.FieldIndex("E12"));
    x->selectOption(x->optGeneric);
    const std::string out = scratchDir("frame-export") + "/z.txt";
    dlg->queueFile(out);
    x->cmdExport_Click();
    EXPECT_TRUE(takeMessages().empty());
    const std::vector<std::string> lines = readTextFileLines(out);
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(t.RecordCount()));
    for (std::int32_t i = 1; i <= t.RecordCount(); ++i) {
        std::string expected;
        for (int p = 1; p <= 12; ++p) {
            const std::string field = std::string(p < 10 ? "Z0" : "Z") + std::to_string(p);
            if (p > 1) expected += ",";
            expected += formatMask(t.ValueAt(i, t.FieldIndex(field)).number, "0.0000");
        }
        EXPECT_EQ(lines[static_cast<std::size_t>(i - 1)], expected) << "record " << i;
    }

    chooseSampleRange(u);
    u->cmdCalc_Click();
    const Matrix fromFields = ctx->state.cusum.cusumValues;
    const std::vector<std::string> periodLines = u->periodLines();
    u->selectExistingTextfile();
    dlg->queueFile(out);
    u->cmdCalc_Click();
    EXPECT_TRUE(takeMessages().empty());
    EXPECT_TRUE(ctx->state.cusum.cusumValues.isApprox(fromFields, 1e-12));
    EXPECT_EQ(u->periodLines(), periodLines);
}

// Another study area opened while the export window stays open: its four
// lists name the new table's fields with nothing chosen, so an Export of the
// choice made in the sample's table reads nothing of the new one, and a
// choice in the new table exports its own fields.
TEST_F(FrameCusumTest, TheExportListsFollowTheTableThatIsOpen) {
    ASSERT_NE(openSample(), nullptr);
    frame->mnuExport_Click();
    frmExportDataset* x = ctx->find<frmExportDataset>();
    ASSERT_NE(x, nullptr);
    {
        const auto& t = *ctx->state.area.dbfRecordset;
        x->chooseField(x->cboObsFrom, t.FieldIndex("O01"));
        x->chooseField(x->cboObsTo, t.FieldIndex("O02"));
        x->chooseField(x->cboExpFrom, t.FieldIndex("E01"));
        x->chooseField(x->cboExpTo, t.FieldIndex("E02"));
    }
    x->selectOption(x->optStandard);
    x->txtSigma->setText("0");
    ASSERT_TRUE(takeMessages().empty());

    openPro(writeStudyArea(scratchDir("frame-export-other"), "other"));
    ASSERT_EQ(ctx->find<frmExportDataset>(), x);
    const auto& t = *ctx->state.area.dbfRecordset;
    ASSERT_EQ(t.FieldCount(), 4);
    for (QComboBox* c : {x->cboObsFrom, x->cboObsTo, x->cboExpFrom, x->cboExpTo}) {
        SCOPED_TRACE(c->objectName().toStdString());
        ASSERT_EQ(c->count(), 4);
        for (int f = 0; f < 4; ++f) EXPECT_EQ(c->itemText(f).toStdString(), t.Fields()[static_cast<std::size_t>(f)].Name);
        EXPECT_EQ(c->currentIndex(), -1);
        EXPECT_TRUE(c->currentText().isEmpty());
    }
    for (double position : {x->obsStartIndex, x->obsEndIndex, x->expStartIndex, x->expEndIndex})
        EXPECT_EQ(position, 0.0);
    // What is not a field choice stays.
    EXPECT_TRUE(x->optStandard->isChecked());
    EXPECT_EQ(x->txtSigma->text().toStdString(), "0");

    const std::string out = scratchDir("frame-export-other") + "/z.txt";
    const std::size_t fileCalls = dlg->fileCalls.size();
    dlg->queueFile(out);
    x->cmdExport_Click();
    EXPECT_EQ(takeMessages(), std::vector<std::string>{"Data was not properly selected"});
    EXPECT_EQ(dlg->fileCalls.size(), fileCalls);
    EXPECT_FALSE(std::filesystem::exists(out));
    dlg->fileAnswers.clear();

    // Standard z-values of the new table without smoothing: CASES against POP.
    x->chooseField(x->cboObsFrom, t.FieldIndex("CASES"));
    x->chooseField(x->cboObsTo, t.FieldIndex("CASES"));
    x->chooseField(x->cboExpFrom, t.FieldIndex("POP"));
    x->chooseField(x->cboExpTo, t.FieldIndex("POP"));
    dlg->queueFile(out);
    x->cmdExport_Click();
    EXPECT_TRUE(takeMessages().empty());
    const std::vector<std::string> lines = readTextFileLines(out);
    ASSERT_EQ(lines.size(), 3u);
    for (int i = 1; i <= 3; ++i) {
        const double o = 3.0 * i, e = 1000.0 * i;
        const double z = std::sqrt(o) + std::sqrt(o + 1.0) - std::sqrt(4.0 * e + 1.0);
        EXPECT_EQ(lines[static_cast<std::size_t>(i - 1)], formatMask(z, "0.0000")) << "record " << i;
    }
}

}  // namespace
}  // namespace frametest

namespace frametest {
namespace {

// Ten years of weeks: the long period file of the sample study area runs
// whole, and its outbreak of the sixth year is signalled at once.
TEST_F(FrameCusumTest, TheLongSampleSignalsTheOutbreakOfItsSixthYear) {
    frmUnivariate* u = openSample();
    ASSERT_NE(u, nullptr);
    u->selectExistingTextfile();
    dlg->queueFile(sourcePath("data/sample/sample_z520.txt"));
    u->cmdCalc_Click();
    EXPECT_TRUE(takeMessages().empty());
    const CusumState& c = ctx->state.cusum;
    ASSERT_EQ(c.periodCount, 520.0);
    EXPECT_EQ(u->periodLines().size(), 520u + 3u);
    // Each region's first period above h (0: none).
    std::map<int, int> first;
    for (int i = 1; i <= 100; ++i)
        for (int p = 1; p <= 520; ++p)
            if (c.cusumValues(i, p) > 9.3) {
                first[i] = p;
                break;
            }
    EXPECT_EQ(first, (std::map<int, int>{{63, 262}, {64, 263}, {73, 262}, {74, 262}}));
}

}  // namespace
}  // namespace frametest
