// The p-value calculator against the p-value routines, and its messages.

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "app/frmCalculatePValue.h"
#include "stats/modPValue.h"
#include "tests/app/ToolsFixture.h"

using namespace toolsfixture;

namespace {

constexpr const char* kAttention =
    "This p-value calculator generate an reasonable approximation only for the integer value of degree of "
    "freedom (DF).";

class PValueCalculator : public ToolsTest {
protected:
    void SetUp() override {
        ToolsTest::SetUp();
        w = ctx.show<frmCalculatePValue>();
    }
    void chooseChiSquare() {
        w->optChiSquare->click();
        dialogs().messages.clear();
    }
    std::string text(QLineEdit* box) const { return box->text().toStdString(); }

    frmCalculatePValue* w = nullptr;
};

}  // namespace

TEST_F(PValueCalculator, TheWindowAsLoaded) {
    EXPECT_EQ(w->windowTitle().toStdString(), "Calculate p-value");
    EXPECT_TRUE(w->optNormal->isChecked());
    EXPECT_FALSE(w->optChiSquare->isChecked());
    EXPECT_EQ(w->optNormal->text().toStdString(), "Normal Distribution");
    EXPECT_EQ(w->optChiSquare->text().toStdString(), "Chi-Square Distribution");
    EXPECT_EQ(w->cmdCalculate->text().toStdString(), "&Calculate");
    EXPECT_EQ(w->cmdExit->text().toStdString(), "&Exit");
    EXPECT_TRUE(dialogs().messages.empty());  // selecting the normal option says nothing
}

TEST_F(PValueCalculator, ChoosingChiSquareShowsTheNoticeOnce) {
    w->optChiSquare->click();
    ASSERT_EQ(dialogs().messages.size(), 1u);
    EXPECT_EQ(dialogs().messages[0].text, kAttention);
    EXPECT_EQ(dialogs().messages[0].title, "Attention!");
    EXPECT_EQ(dialogs().messages[0].icon, MsgIcon::Critical);
    EXPECT_EQ(dialogs().messages[0].buttons, MsgButtons::OK);
    EXPECT_TRUE(w->optChiSquare->isChecked());
    EXPECT_FALSE(w->optNormal->isChecked());
    // A click on the option already chosen changes nothing.
    w->optChiSquare->click();
    EXPECT_EQ(dialogs().messages.size(), 1u);
    // Back to normal: no notice.
    w->optNormal->click();
    EXPECT_EQ(dialogs().messages.size(), 1u);
}

TEST_F(PValueCalculator, NormalResultsAreThoseOfTheRoutine) {
    struct Case {
        const char* z;
        double value;
        const char* fourDecimals;  // the routine's worked values, where known
    };
    const std::vector<Case> cases = {
        {"0", 0, "0.5000"},      {"1.96", 1.96, "0.0250"},  {"-1.96", -1.96, "0.0250"},
        {"1.645", 1.645, "0.0499"}, {"2.576", 2.576, "0.0050"}, {"4.5", 4.5, nullptr},
        {" 1 ", 1, nullptr},     {"-7.25", -7.25, nullptr}, {"1e1", 10, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("z = ") + c.z);
        w->txtInputNormalZScore->setText(c.z);
        w->cmdCalculate->click();
        const double p = modPValue::GetNormalPValue(c.value);
        EXPECT_EQ(text(w->txtInputZScore_PValue), formatMask(p, "0.00000000"));
        EXPECT_EQ(text(w->txtInputZScore_PValue).size(), 10u);
        if (c.fourDecimals) {
            EXPECT_EQ(formatMask(p, "0.0000"), c.fourDecimals);
        }
    }
    EXPECT_TRUE(dialogs().messages.empty());

    // A p-value of 0 shows all eight decimals.
    w->txtInputNormalZScore->setText("5");
    w->cmdCalculate->click();
    EXPECT_EQ(text(w->txtInputZScore_PValue), "0.00000000");
}

TEST_F(PValueCalculator, ChiSquareResultsAreThoseOfTheRoutine) {
    chooseChiSquare();
    struct Case {
        const char* chi;
        const char* df;
        double chiValue, dfUsed;
        const char* fourDecimals;
    };
    const std::vector<Case> cases = {
        {"3.841", "1", 3.841, 1, "0.0472"},
        {"18.307", "10", 18.307, 10, "0.0497"},
        {"0", "1", 0, 1, "0.0494"},
        {"5", "2.5", 5, 2, nullptr},   // half to even: 2
        {"5", "3.5", 5, 4, nullptr},   // half to even: 4
        {"5", "2.6", 5, 3, nullptr},
        {"100", "32767", 100, 32767, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("chi = ") + c.chi + ", df = " + c.df);
        w->txtInputChiSquare->setText(c.chi);
        w->txtInputDF->setText(c.df);
        w->cmdCalculate->click();
        const double p = modPValue::GetChiSquarePValue(c.chiValue, c.dfUsed);
        EXPECT_EQ(text(w->txtChiSquarePValue), formatMask(p, "0.00000000"));
        if (c.fourDecimals) {
            EXPECT_EQ(formatMask(p, "0.0000"), c.fourDecimals);
        }
    }
    EXPECT_TRUE(dialogs().messages.empty());
    // The normal result box is not touched by a chi-square calculation.
    EXPECT_EQ(text(w->txtInputZScore_PValue), "");
}

TEST_F(PValueCalculator, BadNormalInputWarnsAndKeepsTheResult) {
    w->txtInputNormalZScore->setText("1.96");
    w->cmdCalculate->click();
    const std::string before = text(w->txtInputZScore_PValue);
    struct Case {
        const char* z;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"", "Z-score should be specified."},
        {"abc", "Z-score should be numeric."},
        {"   ", "Z-score should be numeric."},
        {"inf", "Z-score should be numeric."},
        {"nan", "Z-score should be numeric."},
        {"1e400", "Z-score should be numeric."},
        {"1.2.3", "Z-score should be numeric."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("z = '") + c.z + "'");
        dialogs().messages.clear();
        w->txtInputNormalZScore->setText(c.z);
        w->cmdCalculate->click();
        ASSERT_EQ(dialogs().messages.size(), 1u);
        EXPECT_EQ(dialogs().messages[0].text, c.message);
        EXPECT_EQ(dialogs().messages[0].title, "Warning!");
        EXPECT_EQ(dialogs().messages[0].icon, MsgIcon::Critical);
        EXPECT_EQ(dialogs().messages[0].buttons, MsgButtons::OK);
        EXPECT_EQ(text(w->txtInputZScore_PValue), before);
    }
}

TEST_F(PValueCalculator, BadChiSquareInputWarnsAndKeepsTheResult) {
    chooseChiSquare();
    w->txtInputChiSquare->setText("3.841");
    w->txtInputDF->setText("1");
    w->cmdCalculate->click();
    const std::string before = text(w->txtChiSquarePValue);
    ASSERT_FALSE(before.empty());

    const char* specified = "Both chi-square statistic and D.F. should be specified.";
    const char* numeric = "Both chi-square statistic and D.F. should be numeric.";
    const char* dfRange = "Degree of Freedom should be a number from 1 to 32767.";
    const char* negative = "Chi-square statistic should not be negative.";
    struct Case {
        const char* chi;
        const char* df;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"", "", specified},
        {"3", "", specified},
        {"", "2", specified},
        {"", "abc", specified},
        {"abc", "1", numeric},
        {"3", "abc", numeric},
        {"3", "inf", numeric},
        {"1e999", "1", numeric},
        {"3", "0", dfRange},
        {"3", "0.5", dfRange},   // rounds to 0
        {"3", "-4", dfRange},
        {"3", "32767.6", dfRange},
        {"3", "40000", dfRange},
        {"-1", "2", negative},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("chi = '") + c.chi + "', df = '" + c.df + "'");
        dialogs().messages.clear();
        w->txtInputChiSquare->setText(c.chi);
        w->txtInputDF->setText(c.df);
        w->cmdCalculate->click();
        ASSERT_EQ(dialogs().messages.size(), 1u);
        EXPECT_EQ(dialogs().messages[0].text, c.message);
        EXPECT_EQ(dialogs().messages[0].title, "Warning!");
        EXPECT_EQ(dialogs().messages[0].icon, MsgIcon::Critical);
        EXPECT_EQ(text(w->txtChiSquarePValue), before);
    }
}

TEST_F(PValueCalculator, SwitchingTheOptionClearsNothing) {
    w->txtInputNormalZScore->setText("1");
    w->cmdCalculate->click();
    const std::string normal = text(w->txtInputZScore_PValue);
    chooseChiSquare();
    w->optNormal->click();
    EXPECT_EQ(text(w->txtInputZScore_PValue), normal);
    EXPECT_EQ(text(w->txtInputNormalZScore), "1");
}

TEST_F(PValueCalculator, ExitClosesTheWindow) {
    w->cmdExit->click();
    flushDeletes();
    EXPECT_EQ(ctx.find<frmCalculatePValue>(), nullptr);
    // Opened again, it starts afresh.
    frmCalculatePValue* again = ctx.show<frmCalculatePValue>();
    EXPECT_TRUE(again->optNormal->isChecked());
    EXPECT_EQ(text(again->txtInputNormalZScore), "");
}
