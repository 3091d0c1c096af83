// The continuation of a saved cusum and the export of smoothed z-values,
// through the real windows on small study areas: a run split at any period,
// saved and continued, equals the run in one go; the export's values follow
// the transforms and the smoothing, and its file runs in the cusum window
// as the attribute fields do; every refusal says why and changes nothing.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "map/frmPolygonSHP.h"
#include "map/modArea.h"
#include "map/modDrawPolygon.h"
#include "platform/DbfTable.h"
#include "platform/Format.h"
#include "prospective/frmExportDataset.h"
#include "prospective/frmSelectName.h"
#include "prospective/frmTxtFileOpen.h"
#include "prospective/frmUnivariate.h"
#include "stats/modCusum.h"
#include "tests/prospective/CusumFixture.h"
#include "tests/retrospective/RetroFixture.h"
#include "tests/support/AllocationLimit.h"
#include "tests/support/RealClick.h"
#include "tests/support/TestPaths.h"
#include "ui/LineChart.h"

using namespace retro_test;
using namespace cusum_test;

namespace {

constexpr int kRegions = 4, kPeriods = 5;

// Four neighbouring regions over five periods, rising in regions 2 and 3.
std::string writeSurveyArea(const std::string& dir) {
    const double z[kPeriods][kRegions] = {
        {0.4, 1.2, 0.9, -0.3}, {-0.6, 1.8, 1.4, 0.2}, {0.1, 2.2, 1.9, -1.0}, {0.8, 0.5, 2.6, 0.3}, {-0.2, 1.1, 0.7, 0.9}};
    std::vector<Field> fields = {texts("NAME", {"W", "X", "Y", "Z"})};
    for (int p = 0; p < kPeriods; ++p) {
        std::vector<std::optional<double>> v;
        for (int i = 0; i < kRegions; ++i) v.push_back(z[p][i]);
        fields.push_back(numbers("Z" + std::to_string(p + 1), v));
    }
    return writeRow(dir, kRegions, 1.0, fields);
}

class ContinuationTest : public ::testing::Test {
protected:
    Harness h;

    AppState& s() { return h.ctx.state; }

    frmUnivariate* open(const std::string& shp) {
        h.openStudyArea(shp);
        modFunctions::CalcPolygonArea(s());
        modFunctions::CalcPolygonCentroid(s());
        return openCusumWindow();
    }

    // The plain map of the open study area, then the cusum window through
    // the name-field dialog, named by NAME.
    frmUnivariate* openCusumWindow() {
        modDrawPolygon::DrawShapefile(h.ctx);
        frmSelectName* d = h.ctx.show<frmSelectName>();
        EXPECT_TRUE(d->pickField(d->cmbName1, "NAME"));
        d->cmdOK_Click();
        return h.ctx.find<frmUnivariate>();
    }

    int fieldIndex(const std::string& name) { return s().area.dbfRecordset->FieldIndex(name); }

    void chooseRange(frmUnivariate* u, int from, int to) {
        u->selectStartField(fieldIndex("Z" + std::to_string(from)));
        u->selectEndField(fieldIndex("Z" + std::to_string(to)));
    }

    void setParameters(frmUnivariate* u, const char* k, const char* hv, const char* sigma) {
        u->txtKvalue->setText(k);
        u->txtHvalue->setText(hv);
        u->txtSigma->setText(sigma);
    }

    // The signalled regions of every period of the last run, by the list.
    std::vector<std::vector<std::int32_t>> signalsByPeriod(frmUnivariate* u, int periods) {
        std::vector<std::vector<std::int32_t>> out;
        for (int p = 1; p <= periods; ++p) {
            u->selectPeriodRow(p + 1);
            out.push_back(s().cusum.signaledRegions);
        }
        return out;
    }

    // The survey area written in `dir` with a run of its periods 1 and 2
    // (k 0.3, h 2, sigma 1) saved there as saved.csm.
    frmUnivariate* openWithSavedRun(const std::string& dir) {
        frmUnivariate* u = open(writeSurveyArea(dir));
        setParameters(u, "0.3", "2", "1");
        chooseRange(u, 1, 2);
        u->cmdCalc_Click();
        h.dlg->queueFile(dir + "/saved.csm");
        u->cmdSaveCusum_Click();
        return u;
    }

    // Run with the start "Previous": the continuation dialog, the file
    // loaded with Open.
    frmTxtFileOpen* openContinuation(frmUnivariate* u, const std::string& csm) {
        u->selectPrevious();
        u->cmdCalc_Click();
        frmTxtFileOpen* d = h.ctx.find<frmTxtFileOpen>();
        EXPECT_NE(d, nullptr);
        if (!d) return nullptr;
        h.dlg->queueFile(csm);
        d->cmdOpen_Click();
        return d;
    }

    frmPolygonSHP* map() { return h.ctx.find<frmPolygonSHP>(); }
};

struct SplitCase {
    const char* name;
    int split;  // the saved run covers periods 1..split
    bool fromText;
    bool previousAndCurrent;
};

class ContinuationSplitTest : public ContinuationTest, public ::testing::WithParamInterface<SplitCase> {};

// A period matrix file of periods from..to of the survey area's fields.
void writePeriods(const std::string& path, const DbfTable& table, int from, int to) {
    std::string bytes;
    for (std::int32_t i = 1; i <= table.RecordCount(); ++i) {
        for (int p = from; p <= to; ++p) {
            if (p > from) bytes += ",";
            bytes += formatGeneral(table.ValueAt(i, table.FieldIndex("Z" + std::to_string(p))).number);
        }
        bytes += "\r\n";
    }
    writeBytes(path, bytes);
}

}  // namespace

TEST_P(ContinuationSplitTest, SavedAndContinuedEqualsOneRun) {
    const SplitCase c = GetParam();
    const std::string dir = scratchDir(std::string("cusum_split_") + c.name);
    frmUnivariate* u = open(writeSurveyArea(dir));
    ASSERT_NE(u, nullptr);
    setParameters(u, "0.3", "2", "1");
    chooseRange(u, 1, kPeriods);
    u->cmdCalc_Click();
    ASSERT_TRUE(h.messageTexts().empty());
    const Matrix whole = s().cusum.cusumValues;
    const DoubleArray wholeMax = s().cusum.maxCusum;
    const auto wholeSignals = signalsByPeriod(u, kPeriods);
    ASSERT_FALSE(wholeSignals.back().empty());

    chooseRange(u, 1, c.split);
    u->cmdCalc_Click();
    h.dlg->queueFile(dir + "/first");
    u->cmdSaveCusum_Click();
    ASSERT_TRUE(h.messageTexts().empty());

    // Parameters edited after the Run that opens the dialog do not count.
    frmTxtFileOpen* d = openContinuation(u, dir + "/first.csm");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->txtOpenFilePath->text().toStdString(), dir + "/first.csm");
    EXPECT_FALSE(u->cmdSaveCusum->isEnabled());
    u->txtKvalue->setText("9");
    u->txtHvalue->setText("99");
    if (c.fromText) {
        u->selectExistingTextfile();
        writePeriods(dir + "/rest.txt", *s().area.dbfRecordset, c.split + 1, kPeriods);
        h.dlg->queueFile(dir + "/rest.txt");
    } else {
        chooseRange(u, c.split + 1, kPeriods);
    }
    if (c.previousAndCurrent) d->selectPreviousCurrent();
    d->cmdOK_Click();
    ASSERT_TRUE(h.messageTexts().empty());

    const int rest = kPeriods - c.split;
    ASSERT_EQ(s().cusum.periodCount, rest);
    for (int i = 1; i <= kRegions; ++i)
        for (int p = 1; p <= rest; ++p)
            EXPECT_NEAR(s().cusum.cusumValues(i, p), whole(i, c.split + p), 1e-12) << i << "," << p;
    EXPECT_TRUE(s().cusum.csmCusum == s().cusum.cusumValues);
    EXPECT_TRUE(s().cusum.mapCusum == s().cusum.cusumValues);
    EXPECT_EQ(s().cusum.kValue, 0.3);
    EXPECT_EQ(s().cusum.hValue, 2.0);

    // The period lines: labels numbered on from the loaded periods or from 1;
    // a continuation on a file ends without the closing rule.
    const std::vector<std::string> lines = u->periodLines();
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(2 + rest + (c.fromText ? 0 : 1)));
    for (int p = 1; p <= rest; ++p) {
        const int label = c.previousAndCurrent ? c.split + p : p;
        EXPECT_EQ(lines[static_cast<std::size_t>(p + 1)].substr(0, 5), alignRight(std::to_string(label), 5));
    }
    EXPECT_EQ(u->lstPeriod->currentRow(), rest + 1);
    EXPECT_TRUE(u->cmdSaveResult->isEnabled());
    EXPECT_FALSE(u->cmdSaveCusum->isEnabled());
    EXPECT_TRUE(s().shared.cusumMapMode);
    EXPECT_TRUE(map()->isButtonPressed("Graph"));

    // The maximum chart: the loaded periods' maxima first, or the new only.
    const int rows = c.previousAndCurrent ? kPeriods : rest;
    ASSERT_EQ(u->MSChart1->rowCount(), rows);
    for (int r = 1; r <= rows; ++r) {
        const int period = c.previousAndCurrent ? r : c.split + r;
        EXPECT_NEAR(u->MSChart1->chartData()(r - 1, 0), wholeMax[static_cast<std::size_t>(period)], 1e-12) << r;
        EXPECT_EQ(u->MSChart1->rowLabel(r).toStdString(), std::to_string(r));
    }

    // Every signal of the new periods, as in the run in one go.
    const auto continued = signalsByPeriod(u, rest);
    for (int p = 1; p <= rest; ++p)
        EXPECT_EQ(continued[static_cast<std::size_t>(p - 1)], wholeSignals[static_cast<std::size_t>(c.split + p - 1)]) << p;

    // A second OK continues from the same file and gives the same cusums.
    const Matrix first = s().cusum.cusumValues;
    if (c.fromText) h.dlg->queueFile(dir + "/rest.txt");
    d->cmdOK_Click();
    EXPECT_TRUE(s().cusum.cusumValues == first);
}

INSTANTIATE_TEST_SUITE_P(Splits, ContinuationSplitTest,
                         ::testing::Values(SplitCase{"one", 1, false, false}, SplitCase{"two_both", 2, false, true},
                                           SplitCase{"four", 4, false, false}, SplitCase{"text", 2, true, false},
                                           SplitCase{"text_both", 3, true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ContinuationTest, DialogLoadAndTheCarriedInStart) {
    const std::string dir = scratchDir("cusum_carry");
    // Far apart with sigma 0: no smoothing.
    frmUnivariate* u = open(writeRow(dir, 2, 50.0, {texts("NAME", {"A", "B"}), numbers("Z1", {1.0, 1.0})}));
    writeBytes(dir + "/prev.csm", "period1,period2,\r\n1,2.5,\r\n4,0,\r\n");
    setParameters(u, "0.5", "9", "0");
    frmTxtFileOpen* d = openContinuation(u, dir + "/prev.csm");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->windowTitle().toStdString(), "Open cusum (.csm) file");
    EXPECT_TRUE(d->optCurrent->isChecked());
    EXPECT_TRUE(d->txtOpenFilePath->isReadOnly());
    d->grab().save(QString::fromStdString(testOutputPath("continuation_dialog.png")));
    u->selectStartField(fieldIndex("Z1"));
    u->selectEndField(fieldIndex("Z1"));
    d->cmdOK_Click();
    EXPECT_TRUE(h.messageTexts().empty());
    // 1 + 2.5 - 0.5, and 1 + 0 - 0.5 for the region whose last cusum was 0.
    EXPECT_DOUBLE_EQ(s().cusum.cusumValues(1, 1), 3.0);
    EXPECT_DOUBLE_EQ(s().cusum.cusumValues(2, 1), 0.5);
    EXPECT_EQ(s().shared.sigma, 1e-9);
    // The legend shows after a continuation on fields.
    EXPECT_TRUE(map()->picLegend->isVisibleTo(map()));

    d->cmdExit_Click();
    EXPECT_FALSE(h.ctx.isOpen<frmTxtFileOpen>());
    EXPECT_EQ(s().cusum.previousPeriodCount, 2.0);
    // The start "Zero" closes a reopened dialog.
    u->selectPrevious();
    u->cmdCalc_Click();
    ASSERT_TRUE(h.ctx.isOpen<frmTxtFileOpen>());
    EXPECT_TRUE(h.ctx.find<frmTxtFileOpen>()->txtOpenFilePath->text().isEmpty());
    u->selectZero();
    EXPECT_FALSE(h.ctx.isOpen<frmTxtFileOpen>());
}

TEST_F(ContinuationTest, RefusalsChangeNothing) {
    const std::string dir = scratchDir("cusum_cont_refusals");
    frmUnivariate* u = openWithSavedRun(dir);
    const Matrix before = s().cusum.cusumValues;

    u->selectPrevious();
    u->cmdCalc_Click();
    frmTxtFileOpen* d = h.ctx.find<frmTxtFileOpen>();
    ASSERT_NE(d, nullptr);
    chooseRange(u, 3, kPeriods);

    struct Case {
        const char* what;
        std::function<void()> arrange;
        std::string message;
    };
    const Matrix loaded = [&] {
        h.dlg->queueFile(dir + "/saved.csm");
        d->cmdOpen_Click();
        return s().cusum.previousCusum;
    }();
    const std::vector<Case> cases = {
        {"no file", [&] { s().cusum.previousCusum = Matrix(); },
         "No cusum file is loaded. Open a cusum (.csm) file first."},
        {"fewer rows", [&] { s().cusum.previousCusum = loaded.topRows(kRegions); },
         "The loaded cusum file holds 3 rows of cusums but the study area has 4 regions."},
        {"sigma text", [&] { u->txtSigma->setText("abc"); }, "The bandwidht should be properly input."},
        {"sigma nan", [&] { u->txtSigma->setText("nan"); }, "The bandwidht should be properly input."},
        {"sigma negative", [&] { u->txtSigma->setText("-1"); }, "Parameters should be positive values."},
    };
    for (const Case& c : cases) {
        s().cusum.previousCusum = loaded;
        u->txtSigma->setText("1");
        c.arrange();
        h.clearMessages();
        const double sigmaBefore = s().shared.sigma;
        d->cmdOK_Click();
        EXPECT_EQ(h.messageTexts(), std::vector<std::string>{c.message}) << c.what;
        EXPECT_EQ(h.dlg->messages.back().title, "Warning!");
        EXPECT_TRUE(s().cusum.cusumValues == before) << c.what;
        EXPECT_EQ(s().shared.sigma, sigmaBefore) << c.what;
        EXPECT_EQ(s().cusum.periodCount, 2.0) << c.what;
    }
    // A refused file at Open keeps the earlier load.
    writeBytes(dir + "/short.csm", "period1,\r\n1,\r\n");
    s().cusum.previousCusum = loaded;
    h.clearMessages();
    h.dlg->queueFile(dir + "/short.csm");
    d->cmdOpen_Click();
    EXPECT_EQ(h.messageTexts().size(), 1u);
    EXPECT_TRUE(s().cusum.previousCusum == loaded);
    EXPECT_EQ(d->txtOpenFilePath->text().toStdString(), dir + "/saved.csm");
    // A blank line among the rows is named, not counted as a fifth row.
    writeBytes(dir + "/blank.csm", "period1,\r\n1,\r\n2,\r\n\r\n3,\r\n4,\r\n");
    h.clearMessages();
    h.dlg->queueFile(dir + "/blank.csm");
    realClick(d->cmdOpen);
    EXPECT_EQ(h.messageTexts(), std::vector<std::string>{"The cusum file was not loaded: The file \"" + dir +
                                                         "/blank.csm\" has an empty line 4: every line under the "
                                                         "header must hold the cusums of one region."});
    EXPECT_TRUE(s().cusum.previousCusum == loaded);
    EXPECT_EQ(d->txtOpenFilePath->text().toStdString(), dir + "/saved.csm");
}

TEST_F(ContinuationTest, OpenIsOffWhileTheContinuationAnimates) {
    const std::string dir = scratchDir("cusum_cont_busy");
    frmUnivariate* u = openWithSavedRun(dir);
    frmTxtFileOpen* d = openContinuation(u, dir + "/saved.csm");
    ASSERT_NE(d, nullptr);
    chooseRange(u, 3, kPeriods);
    std::vector<bool> openEnabled;
    h.pump->onWait = [&](std::int64_t) { openEnabled.push_back(d->cmdOpen->isEnabled()); };
    d->cmdOK_Click();
    ASSERT_FALSE(openEnabled.empty());
    for (bool on : openEnabled) EXPECT_FALSE(on);
    EXPECT_TRUE(d->cmdOpen->isEnabled());
}

// ---- The export ----

namespace {

// Three regions far apart (no smoothing with sigma 0) or side by side.
std::string writeCounts(const std::string& dir, double gap) {
    return writeRow(dir, 3, gap,
                    {texts("NAME", {"A", "B", "C"}), numbers("O1", {6.0, 1.0, 4.0}), numbers("O2", {2.0, 9.0, 0.0}),
                     numbers("E1", {4.0, 1.0, 4.0}), numbers("E2", {1.0, 4.0, 2.0}), numbers("ZR", {0.0, 1.0, 2.0}),
                     numbers("NUL", {1.0, std::nullopt, 1.0}), numbers("ONE", {1.0, 1.0, 1.0}),
                     numbers("NEG", {1.0, -1.0, 1.0}), texts("TXT", {"1", "x", "2"})});
}

double zOf(modCusum::ZTransform t, double o, double e) {
    switch (t) {
    case modCusum::ZTransform::Poisson: return (o - e) / std::sqrt(e);
    case modCusum::ZTransform::Standard: return std::sqrt(o) + std::sqrt(o + 1) - std::sqrt(4 * e + 1);
    case modCusum::ZTransform::Rossi: return (o - 3 * e + 2 * std::sqrt(o * e)) / (2 * std::sqrt(e));
    }
    return 0.0;
}

}  // namespace

class ExportTest : public ContinuationTest {
protected:
    frmExportDataset* openExport(const std::string& shp) {
        h.openStudyArea(shp);
        modFunctions::CalcPolygonArea(s());
        modFunctions::CalcPolygonCentroid(s());
        return h.ctx.show<frmExportDataset>();
    }
    void choose(frmExportDataset* x, const char* o1, const char* o2, const char* e1, const char* e2) {
        x->chooseField(x->cboObsFrom, fieldIndex(o1));
        x->chooseField(x->cboObsTo, fieldIndex(o2));
        x->chooseField(x->cboExpFrom, fieldIndex(e1));
        x->chooseField(x->cboExpTo, fieldIndex(e2));
    }
};

TEST_F(ExportTest, DialogAtLoad) {
    frmExportDataset* x = openExport(writeCounts(scratchDir("export_load"), 50.0));
    EXPECT_EQ(x->windowTitle().toStdString(), "Export Dataset");
    for (QComboBox* c : {x->cboObsFrom, x->cboObsTo, x->cboExpFrom, x->cboExpTo}) {
        EXPECT_FALSE(c->isEditable());
        EXPECT_TRUE(c->isEnabled());
        EXPECT_EQ(c->count(), 10);
        EXPECT_EQ(c->currentIndex(), -1);
    }
    EXPECT_EQ(x->txtSigma->text().toStdString(), "0");
    EXPECT_FALSE(x->optGeneric->isChecked() || x->optStandard->isChecked() || x->optRossi->isChecked());
    x->grab().save(QString::fromStdString(testOutputPath("export_dialog.png")));
}

TEST_F(ExportTest, ValuesOfEachTransformAgainstTheSmoothing) {
    const std::string dir = scratchDir("export_values");
    frmExportDataset* x = openExport(writeCounts(dir, 1.0));
    choose(x, "O1", "O2", "E1", "E2");
    x->txtSigma->setText("1.5");
    const double o[3][2] = {{6, 2}, {1, 9}, {4, 0}}, e[3][2] = {{4, 1}, {1, 4}, {4, 2}};
    for (auto [option, t] : {std::pair{x->optGeneric, modCusum::ZTransform::Poisson},
                             std::pair{x->optStandard, modCusum::ZTransform::Standard},
                             std::pair{x->optRossi, modCusum::ZTransform::Rossi}}) {
        Matrix z = Matrix::Zero(4, 3);
        for (int i = 1; i <= 3; ++i)
            for (int p = 1; p <= 2; ++p) z(i, p) = zOf(t, o[i - 1][p - 1], e[i - 1][p - 1]);
        double sigma = 1.5;
        const Matrix w = modCusum::CalcSpatialWeights(sigma, 3, s().area.centroidTable, s().area.studyArea);
        const Matrix zs = modCusum::Smooth(w, z, 2);
        std::string bytes;
        for (int i = 1; i <= 3; ++i)
            bytes += formatMask(zs(i, 1), "0.0000") + "," + formatMask(zs(i, 2), "0.0000") + "\r\n";
        x->selectOption(option);
        const std::string path = dir + "/export.txt";
        h.dlg->queueFile(path);
        x->cmdExport_Click();
        EXPECT_TRUE(h.messageTexts().empty());
        EXPECT_EQ(readBytes(path), bytes) << option->text().toStdString();
        EXPECT_EQ(h.dlg->fileCalls.back().request.filter, "Text File (*.txt)|*.txt");
        EXPECT_TRUE(h.dlg->fileCalls.back().save);
    }
}

TEST_F(ExportTest, WithoutSmoothingTheFileHoldsTheZValues) {
    const std::string dir = scratchDir("export_plain");
    frmExportDataset* x = openExport(writeCounts(dir, 50.0));
    // One field per range: one value per line, no comma.
    choose(x, "O1", "O1", "E1", "E1");
    x->selectOption(x->optGeneric);
    h.dlg->queueFile(dir + "/one.txt");
    x->cmdExport_Click();
    EXPECT_EQ(readBytes(dir + "/one.txt"), "1.0000\r\n0.0000\r\n0.0000\r\n");
    // Exporting again to the same name replaces the file.
    choose(x, "O1", "O2", "E1", "E2");
    x->selectOption(x->optStandard);
    h.dlg->queueFile(dir + "/one.txt");
    x->cmdExport_Click();
    EXPECT_EQ(readBytes(dir + "/one.txt"),
              formatMask(zOf(modCusum::ZTransform::Standard, 6, 4), "0.0000") + "," +
                  formatMask(zOf(modCusum::ZTransform::Standard, 2, 1), "0.0000") + "\r\n" +
                  formatMask(zOf(modCusum::ZTransform::Standard, 1, 1), "0.0000") + "," +
                  formatMask(zOf(modCusum::ZTransform::Standard, 9, 4), "0.0000") + "\r\n" +
                  formatMask(zOf(modCusum::ZTransform::Standard, 4, 4), "0.0000") + "," +
                  formatMask(zOf(modCusum::ZTransform::Standard, 0, 2), "0.0000") + "\r\n");
    EXPECT_TRUE(h.messageTexts().empty());
}

TEST_F(ExportTest, TheExportedFileRunsAsTheAttributeFields) {
    const std::string dir = scratchDir("export_round_trip");
    // Z1 and Z2 hold the Poisson z-values of O1/E1 and O2/E2... of a table
    // made to match: (6-4)/2 = 1, (1-1)/1 = 0, (4-4)/2 = 0; (2-1)/1 = 1,
    // (9-4)/2 = 2.5, (1-2)/sqrt(2) is not -0.5, so region C's O2 is set
    // to make it so: 2 - 0.5 sqrt(2).
    const double oc2 = 2.0 - 0.5 * std::sqrt(2.0);
    const std::string shp =
        writeRow(dir, 3, 1.0,
                 {texts("NAME", {"A", "B", "C"}), numbers("O1", {6.0, 1.0, 4.0}), numbers("O2", {2.0, 9.0, oc2}),
                  numbers("E1", {4.0, 1.0, 4.0}), numbers("E2", {1.0, 4.0, 2.0}), numbers("Z1", {1.0, 0.0, 0.0}),
                  numbers("Z2", {1.0, 2.5, -0.5})});
    frmExportDataset* x = openExport(shp);
    // Sigma 0 leaves the z-values as they are (the regions' centroids differ).
    choose(x, "O1", "O2", "E1", "E2");
    x->selectOption(x->optGeneric);
    h.dlg->queueFile(dir + "/z.txt");
    x->cmdExport_Click();
    ASSERT_TRUE(h.messageTexts().empty());
    EXPECT_EQ(readBytes(dir + "/z.txt"), "1.0000,1.0000\r\n0.0000,2.5000\r\n0.0000,-0.5000\r\n");

    frmUnivariate* u = openCusumWindow();
    ASSERT_NE(u, nullptr);
    setParameters(u, "0.2", "1", "1");
    u->selectStartField(fieldIndex("Z1"));
    u->selectEndField(fieldIndex("Z2"));
    u->cmdCalc_Click();
    const Matrix fromFields = s().cusum.cusumValues;
    const std::vector<std::string> linesFromFields = u->periodLines();
    u->selectExistingTextfile();
    h.dlg->queueFile(dir + "/z.txt");
    u->cmdCalc_Click();
    EXPECT_TRUE(h.messageTexts().empty());
    EXPECT_TRUE(s().cusum.cusumValues.isApprox(fromFields, 1e-12));
    EXPECT_EQ(u->periodLines(), linesFromFields);
}

TEST_F(ExportTest, FieldChoicesAreCheckedWhenChosen) {
    frmExportDataset* x = openExport(writeCounts(scratchDir("export_choices"), 50.0));
    struct Case {
        QComboBox* list;
        const char* field;
        std::string message;
    };
    for (const Case& c : {Case{x->cboObsFrom, "NUL", "Data include null values. Check data and try again!"},
                          Case{x->cboObsTo, "TXT", "Data should be numerical values!"},
                          Case{x->cboExpFrom, "NEG", "Data include invalid values. Check data and try again!"},
                          Case{x->cboExpTo, "NAME", "Data should be numerical values!"}}) {
        h.clearMessages();
        x->chooseField(c.list, fieldIndex(c.field));
        EXPECT_EQ(h.messageTexts(), std::vector<std::string>{c.message}) << c.field;
        EXPECT_EQ(c.list->currentIndex(), -1) << c.field;
        EXPECT_EQ(h.dlg->messages.back().title, "Warning!");
    }
    h.clearMessages();
    x->chooseField(x->cboObsFrom, fieldIndex("O2"));
    x->chooseField(x->cboObsTo, fieldIndex("O1"));
    EXPECT_EQ(h.messageTexts(), std::vector<std::string>{"Start and end priods were not set improperly!"});
    EXPECT_EQ(x->cboObsTo->currentIndex(), -1);
    h.clearMessages();
    choose(x, "O1", "O2", "E1", "E1");
    EXPECT_EQ(h.messageTexts(), std::vector<std::string>{"Periods for Obs and Exp are not identical. "});
    EXPECT_EQ(x->cboExpTo->currentIndex(), -1);
    h.clearMessages();
    x->chooseField(x->cboExpFrom, fieldIndex("E2"));
    x->chooseField(x->cboExpTo, fieldIndex("E1"));
    EXPECT_EQ(h.messageTexts(), std::vector<std::string>{"Start and end priods were not set improperly!"});
}

// dBASE's stars where the digits of a number would stand mark a number too
// wide for its field (some programs write them for a missing number): the
// export and the cusum window name both causes, whether the stars fill the
// field or stand among blanks; only a blank is null.
TEST_F(ExportTest, StarsAreANumberTooWideForItsField) {
    const std::string dir = scratchDir("export_stars");
    const std::string shp =
        writeRow(dir, 3, 1.0,
                 {texts("NAME", {"A", "B", "C"}), rawNumbers("FULL", {"1", "************", "2"}),
                  rawNumbers("PART", {"1", "2", "****"}), numbers("NUL", {1.0, std::nullopt, 2.0})});
    frmExportDataset* x = openExport(shp);
    const struct {
        const char* field;
        std::string message;
    } cases[] = {
        {"FULL", "Data include '************', the dBASE mark of a number too wide for its field (some programs "
                 "write it for a missing number). Check data and try again!"},
        {"PART", "Data include '****', the dBASE mark of a number too wide for its field (some programs write it "
                 "for a missing number). Check data and try again!"},
        {"NUL", "Data include null values. Check data and try again!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        h.clearMessages();
        x->chooseField(x->cboObsFrom, fieldIndex(c.field));
        EXPECT_EQ(h.messageTexts(), std::vector<std::string>{c.message});
    }
    h.ctx.unload<frmExportDataset>();

    frmUnivariate* u = openCusumWindow();
    ASSERT_NE(u, nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        h.clearMessages();
        u->selectStartField(fieldIndex(c.field));
        EXPECT_EQ(h.messageTexts(), std::vector<std::string>{c.message});
    }
}

TEST_F(ExportTest, RefusalsAtExportWriteNothing) {
    const std::string dir = scratchDir("export_refusals");
    frmExportDataset* x = openExport(writeCounts(dir, 1.0));
    const std::string path = dir + "/never.txt";
    struct Case {
        const char* what;
        std::function<void()> arrange;
        std::string message;  // "" = ends without a message
    };
    const std::vector<Case> cases = {
        {"empty list", [&] { x->chooseField(x->cboExpTo, -1); }, "Data was not properly selected"},
        {"sigma text", [&] { x->txtSigma->setText("abc"); }, "Bandwidth should be numeric."},
        {"sigma inf", [&] { x->txtSigma->setText("inf"); }, "Bandwidth should be numeric."},
        {"sigma negative", [&] { x->txtSigma->setText("-0.5"); }, "Bandwidth should not be negative."},
        {"no option", [&] { x->selectOption(x->optGeneric); x->optGeneric->setAutoExclusive(false);
                            x->optGeneric->setChecked(false); x->optGeneric->setAutoExclusive(true); },
         ""},
        // The Obs range chosen again after the Exp range was accepted.
        {"ranges differ", [&] { x->chooseField(x->cboObsTo, fieldIndex("O1")); },
         "Periods for Obs and Exp are not identical. "},
        // Only the ends were checked when chosen; the field between them is checked now.
        {"null inside", [&] { choose(x, "O1", "E1", "ZR", "ONE"); x->selectOption(x->optStandard); },
         "Data include null values. Check data and try again! (field NUL, record 2)"},
        {"zero expected, Poisson", [&] { choose(x, "O1", "O1", "ZR", "ZR"); },
         "The expected count of record 1 in field ZR is 0; the Poisson and Rossi z-values divide by it."},
        {"zero expected, Rossi", [&] { choose(x, "O1", "O1", "ZR", "ZR"); x->selectOption(x->optRossi); },
         "The expected count of record 1 in field ZR is 0; the Poisson and Rossi z-values divide by it."},
    };
    for (const Case& c : cases) {
        choose(x, "O1", "O2", "E1", "E2");
        x->txtSigma->setText("1");
        x->selectOption(x->optGeneric);
        c.arrange();
        h.clearMessages();
        const std::size_t fileCalls = h.dlg->fileCalls.size();
        h.dlg->queueFile(path);
        x->cmdExport_Click();
        if (c.message.empty())
            EXPECT_TRUE(h.messageTexts().empty()) << c.what;
        else
            EXPECT_EQ(h.messageTexts(), std::vector<std::string>{c.message}) << c.what;
        EXPECT_EQ(h.dlg->fileCalls.size(), fileCalls) << c.what;
        EXPECT_FALSE(std::filesystem::exists(path)) << c.what;
        h.dlg->fileAnswers.clear();
    }
    // A zero expected count is fine for the Standard transform.
    choose(x, "O1", "O1", "ZR", "ZR");
    x->selectOption(x->optStandard);
    h.clearMessages();
    h.dlg->queueFile(path);
    x->cmdExport_Click();
    EXPECT_TRUE(h.messageTexts().empty());
    EXPECT_TRUE(std::filesystem::exists(path));

    // A cancelled save writes nothing and says nothing; a file that cannot
    // be written says so.
    x->cmdExport_Click();
    EXPECT_TRUE(h.messageTexts().empty());
    h.dlg->queueFile(dir + "/no/such/folder/z.txt");
    x->cmdExport_Click();
    ASSERT_EQ(h.messageTexts().size(), 1u);
    EXPECT_NE(h.messageTexts()[0].find("could not be written"), std::string::npos);
    EXPECT_EQ(h.dlg->messages.back().title, "Warning!");
}

// Memory that runs out while the z-values are smoothed is the export's own
// warning, and no file is asked for or written.
TEST_F(ExportTest, MemoryRunningOutIsTheExportsWarning) {
    const std::string dir = scratchDir("export_out_of_memory");
    frmExportDataset* x = openExport(sourcePath("data/sample/sample.shp"));
    choose(x, "O01", "O12", "E01", "E12");
    x->txtSigma->setText("1000");
    x->selectOption(x->optGeneric);
    const std::string path = dir + "/z.txt";
    h.clearMessages();
    h.dlg->queueFile(path);
    const std::size_t fileCalls = h.dlg->fileCalls.size();
    {
        // The smoothing's copy of 100 regions' twelve periods takes 9.7 KB.
        const AllocationLimit limit(4 * 1024);
        x->cmdExport_Click();
    }
    EXPECT_EQ(h.messageTexts(),
              std::vector<std::string>{"There is not enough memory left to compute the z-values of this study area."});
    EXPECT_EQ(h.dlg->messages.back().title, "Warning!");
    EXPECT_EQ(h.dlg->fileCalls.size(), fileCalls);
    EXPECT_FALSE(std::filesystem::exists(path));
    // With the memory back the same export is written.
    h.clearMessages();
    x->cmdExport_Click();
    EXPECT_TRUE(h.messageTexts().empty());
    EXPECT_TRUE(std::filesystem::exists(path));
}

TEST_F(ContinuationTest, CancelledPeriodFileAndAFileWithoutPeriods) {
    const std::string dir = scratchDir("cusum_cont_cancel");
    frmUnivariate* u = open(writeSurveyArea(dir));
    setParameters(u, "0.3", "2", "1");
    chooseRange(u, 1, 2);
    u->cmdCalc_Click();
    const Matrix before = s().cusum.cusumValues;
    // A header without a comma: no loaded period, every region from 0.
    writeBytes(dir + "/none.csm", "x\r\n0\r\n0\r\n0\r\n0\r\n");
    frmTxtFileOpen* d = openContinuation(u, dir + "/none.csm");
    ASSERT_NE(d, nullptr);
    ASSERT_TRUE(h.messageTexts().empty());
    EXPECT_EQ(s().cusum.previousPeriodCount, 0.0);

    // A cancelled period file: silent, nothing changed, the last run's lines stay.
    u->selectExistingTextfile();
    d->cmdOK_Click();
    EXPECT_TRUE(h.messageTexts().empty());
    EXPECT_EQ(u->periodLines().size(), 5u);
    EXPECT_TRUE(s().cusum.cusumValues == before);
    EXPECT_FALSE(u->cmdSaveCusum->isEnabled());

    // On fields, the continuation from no loaded period is the run from zero.
    u->selectFieldSelection();
    chooseRange(u, 1, 2);
    d->selectPreviousCurrent();
    d->cmdOK_Click();
    EXPECT_TRUE(h.messageTexts().empty());
    EXPECT_TRUE(s().cusum.cusumValues == before);
    EXPECT_EQ(u->periodLines()[2].substr(0, 5), "    1");
    EXPECT_EQ(u->MSChart1->rowCount(), 2);
}

TEST_F(ContinuationTest, ARunDuringTheContinuationKeepsItsSaveCusum) {
    const std::string dir = scratchDir("cusum_cont_rerun");
    frmUnivariate* u = openWithSavedRun(dir);
    frmTxtFileOpen* d = openContinuation(u, dir + "/saved.csm");
    ASSERT_NE(d, nullptr);
    chooseRange(u, 3, kPeriods);
    bool again = true;
    const std::int64_t base = h.pump->waits;
    h.pump->onWait = [&](std::int64_t n) {
        if (n == base + 2 && again) {
            again = false;
            u->selectZero();
            u->cmdCalc_Click();
        }
    };
    d->cmdOK_Click();
    finishDeferredClicks();
    // The run from zero took over and ended as a run does.
    EXPECT_TRUE(h.messageTexts().empty());
    EXPECT_FALSE(again);
    EXPECT_EQ(h.pump->waits, base + 2 + 3);
    EXPECT_EQ(s().cusum.periodCount, 3.0);
    EXPECT_TRUE(u->cmdSaveCusum->isEnabled());
    EXPECT_TRUE(u->cmdSaveResult->isEnabled());
    EXPECT_EQ(u->periodLines().size(), 6u);
}

// A continuation refused at OK leaves the run shown as it was, with its
// Save cusum, also when that run was made while the dialog stood open.
TEST_F(ContinuationTest, ARefusedContinuationKeepsTheSaveCusumOfTheRunShown) {
    const std::string dir = scratchDir("cusum_cont_refused");
    frmUnivariate* u = openWithSavedRun(dir);
    frmTxtFileOpen* d = openContinuation(u, dir + "/saved.csm");
    ASSERT_NE(d, nullptr);
    ASSERT_FALSE(u->cmdSaveCusum->isEnabled());
    // A run from zero while the dialog stands open.
    u->selectZero();
    chooseRange(u, 1, 3);
    u->cmdCalc_Click();
    ASSERT_TRUE(h.messageTexts().empty());
    ASSERT_TRUE(u->cmdSaveCusum->isEnabled());
    const std::vector<std::string> periods = u->periodLines();

    u->txtSigma->setText("abc");
    d->cmdOK_Click();
    EXPECT_EQ(h.messageTexts(), std::vector<std::string>{"The bandwidht should be properly input."});
    EXPECT_EQ(u->periodLines(), periods);
    EXPECT_TRUE(u->cmdSaveCusum->isEnabled());
    EXPECT_TRUE(u->cmdSaveResult->isEnabled());
}

TEST_F(ContinuationTest, AFileLoadedForAnotherStudyAreaIsRefusedAtOK) {
    const std::string dir = scratchDir("cusum_cont_other_area");
    frmUnivariate* u = openWithSavedRun(dir);
    ASSERT_NE(openContinuation(u, dir + "/saved.csm"), nullptr);
    ASSERT_EQ(s().cusum.previousCusum.rows(), kRegions + 1);

    // Another study area of three regions; the dialog goes with the old one.
    h.openStudyArea(writeRow(scratchDir("cusum_cont_three"), 3, 1.0,
                             {texts("NAME", {"a", "b", "c"}), numbers("Z1", {1.0, 2.0, 3.0})}));
    modFunctions::CalcPolygonArea(s());
    modFunctions::CalcPolygonCentroid(s());
    u->studyAreaOpened();
    EXPECT_FALSE(h.ctx.isOpen<frmTxtFileOpen>());
    u->selectStartField(fieldIndex("Z1"));
    u->selectEndField(fieldIndex("Z1"));
    u->selectPrevious();
    u->cmdCalc_Click();
    frmTxtFileOpen* d = h.ctx.find<frmTxtFileOpen>();
    ASSERT_NE(d, nullptr);
    h.clearMessages();
    d->cmdOK_Click();
    // The file is named as another study area's before its rows are counted.
    EXPECT_EQ(h.messageTexts(), std::vector<std::string>{"The loaded cusum file was opened for another study area. "
                                                         "Open a cusum (.csm) file of this study area first."});
    EXPECT_EQ(s().cusum.periodCount, 2.0);
    EXPECT_TRUE(u->periodLines().empty());
}

namespace {

// A cusum file of `periods` periods for the survey area's four regions, 0
// but for a cusum of 1 in every seventh period.
std::string loadedCusums(int periods) {
    std::string bytes;
    for (int p = 1; p <= periods; ++p) bytes += "period" + std::to_string(p) + ",";
    bytes += "\r\n";
    for (int i = 0; i < kRegions; ++i) {
        for (int p = 1; p <= periods; ++p) bytes += p % 7 ? "0," : "1,";
        bytes += "\r\n";
    }
    return bytes;
}

// A period matrix file of the survey area's four regions over `periods`
// periods, every z-value 0.5.
std::string periodsOfHalf(int periods) {
    std::string bytes;
    for (int i = 0; i < kRegions; ++i) {
        for (int p = 1; p <= periods; ++p) bytes += p > 1 ? ",0.5" : "0.5";
        bytes += "\r\n";
    }
    return bytes;
}

// What the cusum window shows of its last run, and what its saves would write.
struct ShownRun {
    std::vector<std::string> periods, regions;
    std::string label;
    Eigen::MatrixXd chart;
    QImage map;
    Matrix cusum;
    DoubleArray maxCusum;
    TextArray maxRegion;
    double periodCount = 0, labelOffset = 0, k = 0, h = 0, sigma = 0;
    bool saveCusum = false, saveResult = false;
};

bool sameMatrix(const Eigen::MatrixXd& a, const Eigen::MatrixXd& b) {
    return a.rows() == b.rows() && a.cols() == b.cols() && a == b;
}

// Each part that differs, named.
void expectSameRun(const ShownRun& now, const ShownRun& before) {
    EXPECT_EQ(now.periods, before.periods);
    EXPECT_EQ(now.regions, before.regions);
    EXPECT_EQ(now.label, before.label);
    EXPECT_TRUE(sameMatrix(now.chart, before.chart)) << "the maximum chart";
    EXPECT_TRUE(now.map == before.map) << "the map";
    EXPECT_TRUE(sameMatrix(now.cusum, before.cusum)) << "the cusums";
    EXPECT_EQ(now.maxCusum, before.maxCusum);
    EXPECT_EQ(now.maxRegion, before.maxRegion);
    EXPECT_EQ(now.periodCount, before.periodCount);
    EXPECT_EQ(now.labelOffset, before.labelOffset);
    EXPECT_EQ(now.k, before.k);
    EXPECT_EQ(now.h, before.h);
    EXPECT_EQ(now.sigma, before.sigma);
    EXPECT_EQ(now.saveCusum, before.saveCusum);
    EXPECT_EQ(now.saveResult, before.saveResult);
}

}  // namespace

// The lists and the map number the periods a continuation shows in 16
// bits: shown after the loaded periods, those count with the new ones. At
// 32,767 in all it runs; beyond, OK is refused naming all the periods,
// and the run shown stays. Shown alone, the new periods count from 1.
TEST_F(ContinuationTest, LoadedAndNewPeriodsShownAreHeldToTheLimit) {
    const std::string dir = scratchDir("cusum_cont_limit");
    frmUnivariate* u = open(writeSurveyArea(dir));
    setParameters(u, "0.3", "2", "0");
    chooseRange(u, 1, 2);
    u->cmdCalc->click();
    ASSERT_TRUE(h.messageTexts().empty()) << h.messageTexts()[0];
    writeBytes(dir + "/long.txt", periodsOfHalf(768));
    u->selectPrevious();
    u->cmdCalc->click();
    frmTxtFileOpen* d = h.ctx.find<frmTxtFileOpen>();
    ASSERT_NE(d, nullptr);
    const struct {
        int loaded, added;
        bool afterLoaded;  // "Display both previous and current period"
        const char* says;  // empty: the continuation runs
    } cases[] = {
        {32767, 1, true, "A run can have at most 32767 periods; these data have 32768."},
        {32000, 768, true, "A run can have at most 32767 periods; these data have 32768."},
        {32766, 1, true, ""},
        {32767, 1, false, ""},
        {32767, 2, true, "A run can have at most 32767 periods; these data have 32769."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.loaded) + " loaded and " + std::to_string(c.added) + " new periods" +
                     (c.afterLoaded ? " shown after them" : ""));
        writeBytes(dir + "/loaded.csm", loadedCusums(c.loaded));
        h.dlg->queueFile(dir + "/loaded.csm");
        d->cmdOpen->click();
        ASSERT_TRUE(h.messageTexts().empty()) << h.messageTexts()[0];
        ASSERT_EQ(s().cusum.previousPeriodCount, c.loaded);
        if (c.added == 768) {
            u->optExistingTextfile->click();
            h.dlg->queueFile(dir + "/long.txt");
        } else {
            u->optFieldSelection->click();
            chooseRange(u, 3, 2 + c.added);
        }
        (c.afterLoaded ? d->optPreviousCurrent : d->optCurrent)->click();
        const std::vector<std::string> periods = u->periodLines();
        const Matrix cusum = s().cusum.cusumValues;
        const int chartRows = u->MSChart1->rowCount();
        d->cmdOK->click();
        if (*c.says) {
            EXPECT_EQ(h.messageTexts(), std::vector<std::string>{c.says});
            h.clearMessages();
            EXPECT_EQ(u->periodLines(), periods);
            EXPECT_TRUE(sameMatrix(s().cusum.cusumValues, cusum));
            EXPECT_EQ(u->MSChart1->rowCount(), chartRows);
            continue;
        }
        ASSERT_TRUE(h.messageTexts().empty()) << h.messageTexts()[0];
        const int shown = c.afterLoaded ? c.loaded + c.added : c.added;
        EXPECT_EQ(u->MSChart1->rowCount(), shown);
        EXPECT_EQ(u->periodLines()[2].substr(0, 5), alignRight(std::to_string(shown), 5));
        // Region W continued from its last loaded cusum with its Z3 of 0.1.
        EXPECT_NEAR(s().cusum.cusumValues(1, 1), std::max(0.0, (c.loaded % 7 ? 0.0 : 1.0) + 0.1 - 0.3), 1e-12);
    }
}

// A run refused inside its computation, after its periods were read whole
// (memory running out as they are smoothed: the file takes 24 KB, the
// smoothing asks for 120 KB at once), changes nothing the window shows or
// would save: the lists, the label, the maximum chart, the map, the stored
// results and the saves of the run before stay, from zero and continued.
TEST_F(ContinuationTest, ARunRefusedInItsComputationKeepsTheRunShown) {
    const std::string dir = scratchDir("cusum_refused_compute");
    frmUnivariate* u = openWithSavedRun(dir);
    const std::string periodFile = dir + "/long.txt";
    writeBytes(periodFile, periodsOfHalf(3000));
    const auto runBefore = [&] {
        u->optZero->click();
        u->optFieldSelection->click();
        chooseRange(u, 1, kPeriods);
        u->cmdCalc->click();
        ASSERT_TRUE(h.messageTexts().empty()) << h.messageTexts()[0];
        u->selectPeriodRow(4);
        ASSERT_FALSE(u->regionLines().empty());
    };
    // The cusum file of the run before, as its Save cusum writes it.
    runBefore();
    h.dlg->queueFile(dir + "/before.csm");
    u->cmdSaveCusum->click();
    const std::string before = readBytes(dir + "/before.csm");
    ASSERT_FALSE(before.empty());

    const auto shownNow = [&] {
        const CusumState& c = s().cusum;
        return ShownRun{u->periodLines(), u->regionLines(), u->lblY->text().toStdString(),
                        u->MSChart1->chartData(), map()->picSHP->surface().image(), c.cusumValues, c.maxCusum,
                        c.maxCusumRegion, c.periodCount, c.periodLabelOffset, c.kValue, c.hValue, s().shared.sigma,
                        u->cmdSaveCusum->isEnabled(), u->cmdSaveResult->isEnabled()};
    };
    const std::string computing =
        "The cusum cannot be computed on these data: There is not enough memory left to compute the cusum of this "
        "study area.";
    const struct {
        const char* name;
        bool continued;
        bool afterLoaded;
    } cases[] = {{"from zero", false, false}, {"continued", true, false}, {"continued after the loaded", true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        runBefore();
        frmTxtFileOpen* d = nullptr;
        if (c.continued) {
            d = openContinuation(u, dir + "/saved.csm");
            ASSERT_NE(d, nullptr);
            (c.afterLoaded ? d->optPreviousCurrent : d->optCurrent)->click();
        }
        u->optExistingTextfile->click();
        const ShownRun shown = shownNow();
        h.dlg->queueFile(periodFile);
        {
            const AllocationLimit limit(64 * 1024);
            realClick(c.continued ? d->cmdOK : u->cmdCalc);
        }
        EXPECT_EQ(h.messageTexts(), std::vector<std::string>{computing});
        h.clearMessages();
        expectSameRun(shownNow(), shown);
        EXPECT_FALSE(u->animating());
        if (!c.continued) {
            h.dlg->queueFile(dir + "/after.csm");
            u->cmdSaveCusum->click();
            EXPECT_EQ(readBytes(dir + "/after.csm"), before);
        }
        // Without the limit the same run runs whole.
        h.dlg->queueFile(periodFile);
        if (c.continued)
            d->cmdOK->click();
        else
            u->cmdCalc->click();
        EXPECT_TRUE(h.messageTexts().empty()) << h.messageTexts()[0];
        EXPECT_EQ(s().cusum.periodCount, 3000);
    }
}
