// The p-value calculator against the p-value routines, and its messages.

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "app/frmCalculatePValue.h"
#include "stats/modPValue.h"
#include "tests/app/ToolsFixture.h"
#include "ui/Twips.h"

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

TEST_F(PValueCalculator, ControlsTheirCaptionsFramesAndPlaces) {
    struct Control {
        const char* name;
        const char* parent;   // objectName of the frame that holds it
        const char* caption;  // nullptr: a text box
        int left, top, width, height;  // twips; width 0: not checked
    };
    const std::vector<Control> controls = {
        {"optNormal", "frmCalculatePValue", "Normal Distribution", 60, 60, 0, 0},
        {"Frame2", "frmCalculatePValue", "", 60, 240, 3015, 1695},
        {"Frame6", "Frame2", "User input", 120, 180, 2745, 615},
        {"Label9", "Frame6", "z-value", -1, -1, 0, 0},
        {"txtInputNormalZScore", "Frame6", nullptr, -1, -1, 0, 0},
        {"Frame7", "Frame2", "Result", 120, 810, 2745, 645},
        {"Label10", "Frame7", "p-value", -1, -1, 0, 0},
        {"txtInputZScore_PValue", "Frame7", nullptr, -1, -1, 0, 0},
        {"optChiSquare", "frmCalculatePValue", "Chi-Square Distribution", 60, 2010, 0, 0},
        {"Frame1", "frmCalculatePValue", "", 60, 2190, 3015, 2025},
        {"Frame5", "Frame1", "User input", 120, 180, 2745, 1035},
        {"Label4", "Frame5", "Chi-Square statistic", -1, -1, 0, 0},
        {"txtInputChiSquare", "Frame5", nullptr, -1, -1, 0, 0},
        {"Label5", "Frame5", "Degree of Freedom", -1, -1, 0, 0},
        {"txtInputDF", "Frame5", nullptr, -1, -1, 0, 0},
        {"Frame4", "Frame1", "Result", 120, 1230, 2745, 645},
        {"Label1", "Frame4", "p-value", -1, -1, 0, 0},
        {"txtChiSquarePValue", "Frame4", nullptr, -1, -1, 0, 0},
        {"cmdCalculate", "frmCalculatePValue", "&Calculate", 990, 4290, 1005, 345},
        {"cmdExit", "frmCalculatePValue", "&Exit", 2070, 4290, 1005, 345},
    };
    for (const Control& c : controls) {
        SCOPED_TRACE(c.name);
        auto* widget = w->findChild<QWidget*>(c.name);
        ASSERT_NE(widget, nullptr);
        ASSERT_NE(widget->parentWidget(), nullptr);
        EXPECT_EQ(widget->parentWidget()->objectName().toStdString(), c.parent);
        if (c.left >= 0) {
            EXPECT_EQ(widget->x(), twipsToPixels(c.left));
            EXPECT_EQ(widget->y(), twipsToPixels(c.top));
        }
        if (c.width > 0) {
            EXPECT_EQ(widget->width(), twipsToPixels(c.width));
            EXPECT_EQ(widget->height(), twipsToPixels(c.height));
        }
        if (!c.caption) {
            EXPECT_NE(qobject_cast<QLineEdit*>(widget), nullptr);
        } else if (auto* box = qobject_cast<QGroupBox*>(widget)) {
            EXPECT_EQ(box->title().toStdString(), c.caption);
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            EXPECT_EQ(label->text().toStdString(), c.caption);
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            EXPECT_EQ(button->text().toStdString(), c.caption);
        } else {
            ADD_FAILURE() << "unexpected control kind";
        }
    }
    // Both options belong to one group.
    EXPECT_TRUE(w->optNormal->autoExclusive());
    EXPECT_EQ(w->optNormal->parentWidget(), w->optChiSquare->parentWidget());
}

TEST_F(PValueCalculator, PlacedInTheMiddleOfTheMainFrame) {
    // Both sizes are outer ones: the frame with its border, the window at
    // its design size of 3,255 by 4,755 twips.
    const QSize outer = frame_->frameGeometry().size();
    const QPoint expected((outer.width() - twipsToPixels(3255)) / 2, (outer.height() - twipsToPixels(4755)) / 2);
    EXPECT_EQ(AppContext::topOf(w)->pos(), expected);
}

TEST_F(PValueCalculator, EveryControlFitsInsideTheShownWindow) {
    // The child window's caption bar and border come on top of the area
    // that holds the controls; the buttons along the lower edge must stay
    // visible and clickable.
    QCoreApplication::processEvents();
    QWidget* sub = AppContext::topOf(w);
    ASSERT_NE(sub, w);
    EXPECT_GE(w->width(), twipsToPixels(3255));
    EXPECT_GE(w->height(), twipsToPixels(4755));
    for (QWidget* control : w->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        SCOPED_TRACE(control->objectName().toStdString());
        EXPECT_TRUE(w->rect().contains(control->geometry())) << control->x() << "," << control->y() << " "
                                                             << control->width() << "x" << control->height();
        const QRect onSub(control->mapTo(sub, QPoint(0, 0)), control->size());
        EXPECT_TRUE(sub->rect().contains(onSub));
    }
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

TEST_F(PValueCalculator, BadChiSquareInputWarnsAndLeavesNoStaleResult) {
    chooseChiSquare();
    const char* specified = "Both chi-square statistic and D.F. should be specified.";
    const char* numeric = "Both chi-square statistic and D.F. should be numeric.";
    const char* dfRange = "Degree of Freedom should be a number from 1 to 32767.";
    const char* negative = "Chi-square statistic should not be negative.";
    struct Case {
        const char* chi;
        const char* df;
        const char* message;
        bool keepsResult;  // an empty box keeps the last result; other bad input clears it
    };
    const std::vector<Case> cases = {
        {"", "", specified, true},
        {"3", "", specified, true},
        {"", "2", specified, true},
        {"", "abc", specified, true},
        {"abc", "1", numeric, false},
        {"3", "abc", numeric, false},
        {"3", "inf", numeric, false},
        {"1e999", "1", numeric, false},
        {"3", "0", dfRange, false},
        {"3", "0.5", dfRange, false},   // rounds to 0
        {"3", "-4", dfRange, false},
        {"3", "32767.6", dfRange, false},
        {"3", "40000", dfRange, false},
        {"-1", "2", negative, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("chi = '") + c.chi + "', df = '" + c.df + "'");
        // A good result first, then the bad input.
        w->txtInputChiSquare->setText("3.841");
        w->txtInputDF->setText("1");
        w->cmdCalculate->click();
        const std::string before = text(w->txtChiSquarePValue);
        ASSERT_EQ(before, formatMask(modPValue::GetChiSquarePValue(3.841, 1), "0.00000000"));

        dialogs().messages.clear();
        w->txtInputChiSquare->setText(c.chi);
        w->txtInputDF->setText(c.df);
        w->cmdCalculate->click();
        ASSERT_EQ(dialogs().messages.size(), 1u);
        EXPECT_EQ(dialogs().messages[0].text, c.message);
        EXPECT_EQ(dialogs().messages[0].title, "Warning!");
        EXPECT_EQ(dialogs().messages[0].icon, MsgIcon::Critical);
        EXPECT_EQ(dialogs().messages[0].buttons, MsgButtons::OK);
        EXPECT_EQ(text(w->txtChiSquarePValue), c.keepsResult ? before : std::string());
        // The typed input stays for the user to correct.
        EXPECT_EQ(text(w->txtInputChiSquare), c.chi);
        EXPECT_EQ(text(w->txtInputDF), c.df);
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
