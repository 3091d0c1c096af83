// The data input of the cluster test: its controls, its field lists, every
// check of OK with its message, and what a confirmed input fills.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

#include "retrospective/frmClusterDetection.h"
#include "retrospective/frmParameter.h"
#include "tests/retrospective/RetroFixture.h"
#include "tests/support/TestPaths.h"

using namespace retro_test;

namespace {

Field numbers(const std::string& name, std::vector<std::optional<double>> v, int decimals = 0) {
    Field f;
    f.name = name;
    f.type = 'N';
    f.width = decimals ? 12 : 9;
    f.decimals = decimals;
    f.numbers = std::move(v);
    return f;
}

Field texts(const std::string& name, std::vector<std::optional<std::string>> v) {
    Field f;
    f.name = name;
    f.type = 'C';
    f.width = 10;
    f.texts = std::move(v);
    return f;
}

std::vector<Square> squares(int n) {
    std::vector<Square> out;
    for (int i = 0; i < n; ++i) out.push_back({static_cast<double>(i), 0.0, 1.0});
    return out;
}

class RetroParameter : public ::testing::Test {
protected:
    void SetUp() override {
        dir = scratchDir("retro-parameter");
        h = std::make_unique<Harness>();
    }
    void TearDown() override { h.reset(); }

    // Two regions: populations 100 and 300, cases 1 and 3; observed 2 and 6, expected 4 and 4.
    void openTwo(std::vector<Field> extra = {}, int regions = 2) {
        std::vector<Field> fields = {numbers("POP", {100, 300}, 2), numbers("CASES", {1, 3}),
                                     numbers("OBS", {2, 6}), numbers("EXP", {4, 4}, 3),
                                     texts("NAME", {"north", "south"}), numbers("SMALL", {1, 2}, 0)};
        for (auto& f : extra) {
            bool replaced = false;
            for (auto& g : fields)
                if (g.name == f.name) { g = f; replaced = true; }
            if (!replaced) fields.push_back(f);
        }
        h->openStudyArea(writeStudyArea(dir, "two", squares(regions), fields));
        p = h->ctx.load<frmParameter>();
    }
    void pick(QComboBox* c, const std::string& f) { ASSERT_TRUE(p->pickField(c, f)) << f; }
    void pickPopCase() {
        pick(p->cboBasePopulation, "POP");
        pick(p->cboCase, "CASES");
        pick(p->cboPrimaryID, "NAME");
    }
    // A new program with the two regions and `extra` fields, the fields of
    // the format chosen (Obs - Exp: OBS and EXP) and NAME picked.
    void openAfresh(std::vector<Field> extra, bool obsExp) {
        h = std::make_unique<Harness>();
        dir = scratchDir("retro-parameter");
        openTwo(std::move(extra));
        if (obsExp) {
            p->selectObsExp();
            pick(p->cboObs, "OBS");
            pick(p->cboExp, "EXP");
            pick(p->cboPrimaryID, "NAME");
        } else {
            pickPopCase();
        }
    }
    std::string lastMessage() const { return h->dlg->messages.empty() ? "" : h->dlg->messages.back().text; }

    std::string dir;
    std::unique_ptr<Harness> h;
    frmParameter* p = nullptr;
};

TEST_F(RetroParameter, StartState) {
    openTwo();
    EXPECT_EQ(p->windowTitle().toStdString(), "Data Input");
    EXPECT_TRUE(p->optPopCase->isChecked());
    EXPECT_FALSE(p->optObsExp->isChecked());
    EXPECT_TRUE(p->cboBasePopulation->isEnabled());
    EXPECT_FALSE(p->cboObs->isEnabled());
    EXPECT_FALSE(p->fraObs->isEnabled());
    EXPECT_FALSE(p->fraSecondaryID->isEnabled());
    EXPECT_FALSE(p->cboSecondaryID->isEnabled());
    EXPECT_FALSE(p->chkSecondaryID->isChecked());
    EXPECT_TRUE(p->optPopCase->isEnabled());
    for (QWidget* w : {static_cast<QWidget*>(p->fraBasePop), static_cast<QWidget*>(p->fraCase),
                       static_cast<QWidget*>(p->cboCase)})
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    for (QWidget* w : {static_cast<QWidget*>(p->fraExp), static_cast<QWidget*>(p->cboExp)})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_TRUE(p->vars().popCaseMode);
    EXPECT_FALSE(p->vars().obsExpMode);
    // Count fields: integer and double numbers only; IDs: every field.
    QStringList counts, ids;
    for (int i = 0; i < p->cboCase->count(); ++i) counts << p->cboCase->itemText(i);
    for (int i = 0; i < p->cboPrimaryID->count(); ++i) ids << p->cboPrimaryID->itemText(i);
    EXPECT_EQ(counts.join(",").toStdString(), "POP,CASES,OBS,EXP,SMALL");
    EXPECT_EQ(ids.join(",").toStdString(), "POP,CASES,OBS,EXP,NAME,SMALL");
    for (QComboBox* c : {p->cboBasePopulation, p->cboCase, p->cboObs, p->cboExp, p->cboPrimaryID, p->cboSecondaryID})
        EXPECT_TRUE(c->currentText().isEmpty());
}

TEST_F(RetroParameter, ControlsCarryTheirNamesCaptionsAndContainers) {
    openTwo();
    struct Case { const char* name; const char* caption; const char* container; bool enabled; };
    const std::vector<Case> cases = {
        {"fraDataFormat", "Data Format", "frmParameter", true},
        {"optPopCase", "Pop - Case", "fraDataFormat", true},
        {"fraBasePop", "Pop", "fraDataFormat", true},
        {"cboBasePopulation", "", "fraBasePop", true},
        {"fraCase", "Case", "fraDataFormat", true},
        {"cboCase", "", "fraCase", true},
        {"optObsExp", "Obs - Exp", "fraDataFormat", true},
        {"fraObs", "Obs.", "fraDataFormat", false},
        {"cboObs", "", "fraObs", false},
        {"fraExp", "Exp.", "fraDataFormat", false},
        {"cboExp", "", "fraExp", false},
        {"FraID", "ID", "frmParameter", true},
        {"fraPrimaryID", "Primary ID", "FraID", true},
        {"cboPrimaryID", "", "fraPrimaryID", true},
        {"chkSecondaryID", "Secondary ID", "FraID", true},
        {"fraSecondaryID", "Secondary ID", "FraID", false},
        {"cboSecondaryID", "", "fraSecondaryID", false},
        {"cmdOK", "&OK", "frmParameter", true},
    };
    int lastTop = -1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* widget = p->findChild<QWidget*>(c.name);
        ASSERT_NE(widget, nullptr);
        QString caption;
        if (auto* b = qobject_cast<QAbstractButton*>(widget)) caption = b->text();
        else if (auto* g = qobject_cast<QGroupBox*>(widget)) caption = g->title();
        else if (auto* cb = qobject_cast<QComboBox*>(widget)) {
            caption = cb->currentText();
            EXPECT_TRUE(cb->isEditable());  // a list to pick from and a text part that takes typing
        }
        EXPECT_EQ(caption.toStdString(), c.caption);
        EXPECT_EQ(widget->parentWidget()->objectName().toStdString(), c.container);
        EXPECT_EQ(widget->isEnabled(), c.enabled);
        // One narrow column, from top to bottom in the order of the table.
        const int top = widget->mapTo(p, QPoint(0, 0)).y();
        EXPECT_GE(top, lastTop);
        lastTop = top;
        EXPECT_LE(widget->mapTo(p, QPoint(0, 0)).y() + widget->height(), p->height());
        EXPECT_LE(widget->mapTo(p, QPoint(0, 0)).x() + widget->width(), p->width());
    }
    EXPECT_EQ(p->size(), QSize(2055 / 15, 6375 / 15));
    EXPECT_EQ(p->minimumSize(), p->maximumSize());  // a fixed border
    EXPECT_FALSE(p->isWindow() && p->parentWidget() != nullptr);  // free-standing
}

TEST_F(RetroParameter, PopCaseFillsTheCounts) {
    openTwo();
    pickPopCase();
    p->cmdOK_Click();
    EXPECT_TRUE(h->dlg->messages.empty()) << lastMessage();
    const AppState& s = h->ctx.state;
    EXPECT_EQ(s.retro.totalPopulation, 400.0);
    EXPECT_EQ(s.retro.totalCases, 4.0);
    EXPECT_EQ(s.retro.population, (DoubleArray{0, 100, 300}));
    EXPECT_EQ(s.retro.observed, (DoubleArray{0, 1, 3}));
    EXPECT_EQ(s.retro.expected, (DoubleArray{0, 1, 3}));
    EXPECT_EQ(s.retro.expectedShare, (DoubleArray{0, 0.25, 0.75}));
    EXPECT_EQ(s.retro.primaryIds, (TextArray{"", "north", "south"}));
    EXPECT_FALSE(s.retro.secondaryIdOn);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(h->ctx.find<frmParameter>(), nullptr);
    auto* w = h->ctx.find<frmClusterDetection>();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->cboAlpha->count(), 2);
    EXPECT_EQ(s.retro.alpha, 0.05);
    EXPECT_FALSE(w->cmdSave->isEnabled());
}

TEST_F(RetroParameter, ObsExpFillsTheCounts) {
    openTwo();
    p->selectObsExp();
    pick(p->cboObs, "OBS");
    pick(p->cboExp, "EXP");
    pick(p->cboPrimaryID, "CASES");
    p->cmdOK_Click();
    EXPECT_TRUE(h->dlg->messages.empty()) << lastMessage();
    const AppState& s = h->ctx.state;
    EXPECT_EQ(s.retro.totalCases, 8.0);
    EXPECT_EQ(s.retro.totalPopulation, 0.0);
    EXPECT_EQ(s.retro.expectedShare, (DoubleArray{0, 0.5, 0.5}));
    EXPECT_EQ(s.retro.expected, (DoubleArray{0, 4, 4}));
    EXPECT_EQ(s.retro.primaryIds, (TextArray{"", "1", "3"}));
}

TEST_F(RetroParameter, RequiredFieldMessages) {
    struct Case { bool obsExp, second; const char* message; };
    for (const Case& c : {Case{false, false, "You should set 'Pop-Case' and 'ID'."},
                          Case{true, false, "You should set 'Obs-Exp' and 'ID'."},
                          Case{false, true, "You should set 'Pop-Case', 'Primary ID' and 'Secondary ID'."},
                          Case{true, true, "You should set 'Obs-Exp', 'Primary ID' and 'Secondary ID'."}}) {
        SCOPED_TRACE(c.message);
        h = std::make_unique<Harness>();
        openTwo();
        if (c.obsExp) {
            p->selectObsExp();
            pick(p->cboObs, "OBS");
            pick(p->cboExp, "EXP");
        } else {
            pick(p->cboBasePopulation, "POP");
            pick(p->cboCase, "CASES");
        }
        pick(p->cboPrimaryID, "NAME");
        if (c.second) p->setSecondaryIdChecked(true);
        else p->cboPrimaryID->setEditText("");
        p->cmdOK_Click();
        ASSERT_EQ(h->dlg->messages.size(), 1u);
        EXPECT_EQ(h->dlg->messages[0].text, c.message);
        EXPECT_EQ(h->dlg->messages[0].title, "Warning!");
        EXPECT_EQ(h->dlg->messages[0].icon, MsgIcon::Critical);
        EXPECT_NE(h->ctx.find<frmParameter>(), nullptr);
        EXPECT_EQ(h->ctx.find<frmClusterDetection>(), nullptr);
        EXPECT_TRUE(h->ctx.state.retro.observed.empty());
    }
}

TEST_F(RetroParameter, SecondIdClearedAgainGivesOneId) {
    openTwo();
    pickPopCase();
    p->setSecondaryIdChecked(true);
    p->cmdOK_Click();
    EXPECT_EQ(lastMessage(), "You should set 'Pop-Case', 'Primary ID' and 'Secondary ID'.");
    p->setSecondaryIdChecked(false);
    EXPECT_TRUE(p->cboSecondaryID->currentText().isEmpty());
    h->clearMessages();
    p->cmdOK_Click();
    EXPECT_TRUE(h->dlg->messages.empty());
    EXPECT_FALSE(h->ctx.state.retro.secondaryIdOn);
}

TEST_F(RetroParameter, TwoIds) {
    openTwo();
    pickPopCase();
    p->setSecondaryIdChecked(true);
    pick(p->cboSecondaryID, "SMALL");
    p->cmdOK_Click();
    EXPECT_TRUE(h->dlg->messages.empty()) << lastMessage();
    EXPECT_TRUE(h->ctx.state.retro.secondaryIdOn);
    EXPECT_EQ(h->ctx.state.retro.secondaryIds, (TextArray{"", "1", "2"}));
}

TEST_F(RetroParameter, RecordChecks) {
    struct Case { const char* name; Field field; bool obsExp; const char* message; };
    const char* invalid = "Data include invalid values. Check data and try again!";
    const char* null = "Data include null values. Check data and try again!";
    const std::vector<Case> cases = {
        {"zero population", numbers("POP", {0, 300}, 2), false, invalid},
        {"negative case", numbers("CASES", {1, -3}), false, invalid},
        {"null population", numbers("POP", {100, std::nullopt}, 2), false, null},
        {"zero expected", numbers("EXP", {4, 0}, 3), true, invalid},
        {"negative observed", numbers("OBS", {-1, 6}), true, invalid},
        {"null observed", numbers("OBS", {std::nullopt, 6}), true, null},
        {"zero case total", numbers("CASES", {0, 0}), false, "The case counts add up to 0. The test needs at least one case."},
        {"null id", texts("NAME", {"north", std::nullopt}), false, nullptr},
        {"a case count too wide for its field", rawNumbers("CASES", {"3", "****"}), false,
         "Data include invalid values. Record 2 of the field 'CASES' holds '****', the dBASE mark of a number too "
         "wide for its field (some programs write it for a missing number). Check data and try again!"},
        {"stars over the whole width", rawNumbers("POP", {"100", "************"}), false,
         "Data include invalid values. Record 2 of the field 'POP' holds '************', the dBASE mark of a number "
         "too wide for its field (some programs write it for a missing number). Check data and try again!"},
        {"a population beyond the doubles", rawNumbers("POP", {"1e400", "7"}), false,
         "Data include invalid values. Record 1 of the field 'POP' holds '1e400', which is not a valid number. "
         "Check data and try again!"},
        {"case counts whose sum overflows", rawNumbers("CASES", {"1.7e308", "1.7e308"}), false,
         "The case counts add up to more than this program can hold. Check the data (a value may be far too large)."},
        {"populations whose sum overflows", rawNumbers("POP", {"1.7e308", "1.7e308"}), false,
         "The populations add up to more than this program can hold. Check the data (a value may be far too large)."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        openAfresh({c.field}, c.obsExp);
        p->cmdOK_Click();
        ASSERT_EQ(h->dlg->messages.size(), 1u);
        if (c.message) EXPECT_EQ(h->dlg->messages[0].text, c.message);
        else EXPECT_NE(h->dlg->messages[0].text.find("'NAME' has no value in record 2"), std::string::npos);
        EXPECT_EQ(h->dlg->messages[0].title, "Warning!");
        EXPECT_TRUE(h->ctx.state.retro.observed.empty());
        EXPECT_TRUE(h->ctx.state.retro.primaryIds.empty());
        EXPECT_EQ(h->ctx.find<frmClusterDetection>(), nullptr);
    }
}

// Values whose sums hold but whose expected counts or shares cannot be
// computed are refused at OK, naming the record, the field and the totals,
// before any count is replaced (the run would have blamed an expected count
// of 0).
TEST_F(RetroParameter, ExpectedCountsBeyondTheDoublesAreRefusedWithTheirCause) {
    struct Case { const char* name; std::vector<Field> fields; bool obsExp; const char* message; };
    const std::vector<Case> cases = {
        {"a population whose product with the case total overflows", {rawNumbers("POP", {"100", "1e308"})}, false,
         "Data include values too large to compute with. Record 2 of the field 'POP' holds 1E+308 and the case counts "
         "add up to 4: the expected count of region 2 is derived from their product, which is beyond what this "
         "program can hold. Check data and try again!"},
        // The case total is the factor beyond reason: the record that makes
        // it so is named, with the region whose expected count met it.
        {"a case count whose product with every population overflows", {rawNumbers("CASES", {"1", "1e308"})}, false,
         "Data include values too large to compute with. Record 2 of the field 'CASES' holds 1E+308 and the case "
         "counts add up to 1E+308: the expected count of region 1 is derived from that total times the population of "
         "region 1 (100), which is beyond what this program can hold. Check data and try again!"},
        {"a case count whose product with a later population overflows",
         {rawNumbers("POP", {"1e-200", "300"}), rawNumbers("CASES", {"1e308", "1"})}, false,
         "Data include values too large to compute with. Record 1 of the field 'CASES' holds 1E+308 and the case "
         "counts add up to 1E+308: the expected count of region 2 is derived from that total times the population of "
         "region 2 (300), which is beyond what this program can hold. Check data and try again!"},
        {"a population that is nothing beside the total", {rawNumbers("POP", {"1e-300", "1e300"})}, false,
         "Data include values too small to compute with. Record 1 of the field 'POP' holds 1E-300 and the populations "
         "add up to 1E+300: the expected count of region 1 derived from them comes to 0. Check data and try again!"},
        {"an expected count beyond the doubles over the observed total",
         {numbers("OBS", {0.25, 0.25}, 2), rawNumbers("EXP", {"4", "1e308"})}, true,
         "Data include values too large to compute with. Record 2 of the field 'EXP' holds 1E+308 and the observed "
         "counts add up to 0.5: the expected count of region 2 divided by that total is beyond what this program can "
         "hold. Check data and try again!"},
        {"observed counts whose total is far below 1",
         {rawNumbers("OBS", {"1e-300", "2e-300"}), rawNumbers("EXP", {"1e10", "4"})}, true,
         "Data include values too small to compute with. Record 2 of the field 'OBS' holds 2E-300 and the observed "
         "counts add up to 3E-300: the expected count of region 1 (10000000000) divided by that total is beyond what "
         "this program can hold. Check data and try again!"},
        {"an expected count that is nothing beside the observed total",
         {rawNumbers("OBS", {"1e300", "6"}), rawNumbers("EXP", {"1e-300", "4"})}, true,
         "Data include values too small to compute with. Record 1 of the field 'EXP' holds 1E-300 and the observed "
         "counts add up to 1E+300: the expected count of region 1 divided by that total comes to 0. Check data and "
         "try again!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        openAfresh(c.fields, c.obsExp);
        p->cmdOK_Click();
        ASSERT_EQ(h->dlg->messages.size(), 1u);
        EXPECT_EQ(h->dlg->messages[0].text, c.message);
        EXPECT_EQ(h->dlg->messages[0].title, "Warning!");
        EXPECT_TRUE(h->ctx.state.retro.observed.empty());
        EXPECT_TRUE(h->ctx.state.retro.expected.empty());
        EXPECT_EQ(h->ctx.find<frmClusterDetection>(), nullptr);
        EXPECT_EQ(h->ctx.find<frmParameter>(), p);
    }
}

TEST_F(RetroParameter, RecordsAreCheckedInTheirOrder) {
    // The counts of every record come before any ID; the two IDs of a
    // record come before the next record's.
    struct Case { const char* name; std::vector<Field> fields; bool secondId; const char* found; };
    const std::vector<Case> cases = {
        {"null count after a null id",
         {numbers("POP", {100, std::nullopt}, 2), texts("NAME", {std::nullopt, "south"})}, false,
         "Data include null values. Check data and try again!"},
        {"second id of record 1 before first id of record 2",
         {texts("NAME", {"north", std::nullopt}), texts("ALT", {std::nullopt, "b"})}, true,
         "'ALT' has no value in record 1"},
        {"first id of a record before its second",
         {texts("NAME", {std::nullopt, "south"}), texts("ALT", {std::nullopt, "b"})}, true,
         "'NAME' has no value in record 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        h = std::make_unique<Harness>();
        dir = scratchDir("retro-parameter");
        openTwo(c.fields);
        pickPopCase();
        if (c.secondId) {
            p->setSecondaryIdChecked(true);
            pick(p->cboSecondaryID, "ALT");
        }
        p->cmdOK_Click();
        ASSERT_EQ(h->dlg->messages.size(), 1u);
        EXPECT_NE(h->dlg->messages[0].text.find(c.found), std::string::npos) << h->dlg->messages[0].text;
        EXPECT_TRUE(h->ctx.state.retro.observed.empty());
    }
}

TEST_F(RetroParameter, ZeroCaseAcceptedAndUnusedNullIgnored) {
    openTwo({numbers("CASES", {0, 3}), numbers("OBS", {std::nullopt, std::nullopt})});
    pickPopCase();
    p->cmdOK_Click();
    EXPECT_TRUE(h->dlg->messages.empty()) << lastMessage();
    EXPECT_EQ(h->ctx.state.retro.totalCases, 3.0);
}

TEST_F(RetroParameter, RecordCountMustMatchTheRegions) {
    openTwo({}, 3);  // three shapes, two records
    pickPopCase();
    p->cmdOK_Click();
    ASSERT_EQ(h->dlg->messages.size(), 1u);
    EXPECT_NE(lastMessage().find("2 records but the shapefile has 3 regions"), std::string::npos);
}

TEST_F(RetroParameter, TypedFieldNames) {
    openTwo();
    pickPopCase();
    p->cboCase->setEditText("NOSUCH");
    p->cmdOK_Click();
    EXPECT_EQ(lastMessage(), "The attribute table has no field named 'NOSUCH'. Pick a field from the list.");
    p->cboCase->setEditText("NAME");
    p->cmdOK_Click();
    EXPECT_EQ(lastMessage(), "The field 'NAME' does not hold numbers. Pick a numeric field from the list.");
    // A typed name of a field that exists is used as typed.
    h->clearMessages();
    p->cboCase->setEditText("cases");
    p->cmdOK_Click();
    EXPECT_TRUE(h->dlg->messages.empty()) << lastMessage();
    EXPECT_EQ(h->ctx.state.retro.totalCases, 4.0);
}

TEST_F(RetroParameter, SwitchingFormatsKeepsTheNames) {
    openTwo();
    pickPopCase();
    p->selectObsExp();
    EXPECT_TRUE(p->cboBasePopulation->currentText().isEmpty());
    EXPECT_TRUE(p->cboCase->currentText().isEmpty());
    EXPECT_FALSE(p->cboBasePopulation->isEnabled());
    EXPECT_TRUE(p->cboObs->isEnabled());
    EXPECT_EQ(p->vars().popFieldName, "POP");
    EXPECT_EQ(p->vars().caseFieldName, "CASES");
    EXPECT_TRUE(p->vars().obsExpMode);
}

TEST_F(RetroParameter, ClosingWithoutOkOpensNothingAndKeepsTheData) {
    openTwo();
    pickPopCase();
    p->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(h->ctx.find<frmClusterDetection>(), nullptr);
    EXPECT_TRUE(h->ctx.state.retro.observed.empty());
    EXPECT_TRUE(h->dlg->messages.empty());
}

TEST_F(RetroParameter, ResetDataTwiceKeepsTwoAlphaLevels) {
    openTwo();
    pickPopCase();
    p->cmdOK_Click();
    auto* w = h->ctx.find<frmClusterDetection>();
    ASSERT_NE(w, nullptr);
    w->selectAlpha(1);
    EXPECT_EQ(h->ctx.state.retro.alpha, 0.01);
    for (int round = 0; round < 2; ++round) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        w->cmdDataReset_Click();
        p = h->ctx.find<frmParameter>();
        ASSERT_NE(p, nullptr);
        pickPopCase();
        p->cmdOK_Click();
    }
    EXPECT_EQ(w->cboAlpha->count(), 2);
    EXPECT_EQ(h->ctx.state.retro.alpha, 0.05);
    // Reset Data closed without OK leaves the test window's state alone.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    w->selectAlpha(1);
    w->cmdSave->setEnabled(true);
    w->cmdDataReset_Click();
    h->ctx.find<frmParameter>()->close();
    EXPECT_EQ(h->ctx.state.retro.alpha, 0.01);
    EXPECT_TRUE(w->cmdSave->isEnabled());
}

}  // namespace
