// The cusum threshold tool: its arithmetic against worked values and
// against Siegmund's approximation of the cusum run length, its window and
// its messages.

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <array>
#include <cmath>
#include <tuple>

#include "platform/Error.h"
#include "prospective/frmCusumTools.h"
#include "stats/CusumThreshold.h"
#include "tests/app/ToolsFixture.h"

using namespace toolsfixture;
using cusumThreshold::Variant;

namespace {

// Siegmund's approximation of the in-control run length of a one-sided
// cusum of standard normal values with reference value k and threshold h.
double siegmundARL(double k, double h) {
    const double b = h + 1.166;
    return (std::exp(2 * k * b) - 2 * k * b - 1) / (2 * k * k);
}

constexpr const char* kInvalid = "k-value and ARL0 should be positive numerical values";

class CusumTool : public ToolsTest {
protected:
    void SetUp() override {
        ToolsTest::SetUp();
        w = ctx.show<frmCusumTools>();
    }
    std::string text(QLineEdit* box) const { return box->text().toStdString(); }
    void fill(const char* k, const char* n, const char* sigma, const char* arl0) {
        w->txtKvalue->setText(k);
        w->txtNumRegion->setText(n);
        w->txtSigma->setText(sigma);
        w->txtARL0->setText(arl0);
    }
    // k, n, sigma and ARL0.
    using Inputs = std::array<const char*, 4>;
    // Get Result with the inputs and the option whose box would show h
    // (holding "old" before): one "Warning!" saying `says`.
    void getResultRefused(const Inputs& in, QRadioButton* option, QLineEdit* box, const std::string& says) {
        dialogs().messages.clear();
        fill(in[0], in[1], in[2], in[3]);
        option->click();
        box->setText("old");
        w->cmdGetResult->click();
        ASSERT_EQ(dialogs().messages.size(), 1u);
        EXPECT_EQ(dialogs().messages[0].title, "Warning!");
        EXPECT_EQ(dialogs().messages[0].icon, MsgIcon::Critical);
        EXPECT_EQ(dialogs().messages[0].text, says);
    }

    frmCusumTools* w = nullptr;
};

}  // namespace

TEST(CusumThreshold, WorkedValuesOfTheThreeVariants) {
    struct Case {
        Variant variant;
        double n, sigma;
        double want;
    };
    const Case cases[] = {
        {Variant::OverallRegion, 100, 1, 2.844},
        {Variant::Bonferroni, 100, 1, 7.354},
        {Variant::SpatialAutocorrelation, 100, 1, 6.764},
        // A bandwidth of 0 gives the Bonferroni value.
        {Variant::SpatialAutocorrelation, 100, 0, 7.354},
    };
    for (const Case& c : cases) {
        const double h = cusumThreshold::hForARL(0.5, 100, cusumThreshold::multiplier(c.variant, c.n, c.sigma));
        EXPECT_NEAR(h, c.want, 1e-12);
        EXPECT_EQ(formatGeneral(h), formatGeneral(c.want));
    }
    EXPECT_NEAR(cusumThreshold::multiplier(Variant::SpatialAutocorrelation, 100, 1), 100 / 1.81, 1e-12);
}

TEST(CusumThreshold, PublishedRunLengthsForKOneHalf) {
    // Published one-sided run lengths at k = 0.5: h = 4 about 336, h = 5
    // about 930. The tool asked for those run lengths gives those h.
    EXPECT_NEAR(cusumThreshold::hForARL(0.5, 336, 1), 4.0, 0.03);
    EXPECT_NEAR(cusumThreshold::hForARL(0.5, 930, 1), 5.0, 0.03);
    EXPECT_NEAR(siegmundARL(0.5, 4), 336, 336 * 0.01);
    EXPECT_NEAR(siegmundARL(0.5, 5), 930, 930 * 0.01);
}

TEST(CusumThreshold, ItsHGivesTheWantedRunLengthBack) {
    for (double k = 0.25; k <= 1.0 + 1e-9; k += 0.05) {
        for (double target : {50.0, 100.0, 200.0, 370.0, 500.0, 1000.0, 2500.0, 5000.0, 10000.0, 37000.0,
                              100000.0}) {
            SCOPED_TRACE(testing::Message() << "k " << k << " ARL0 x m " << target);
            // The same product split between ARL0 and m gives the same h.
            const double h = cusumThreshold::hForARL(k, target, 1);
            EXPECT_DOUBLE_EQ(cusumThreshold::hForARL(k, target / 10, 10), h);
            EXPECT_NEAR(siegmundARL(k, h), target, target * 0.015);
        }
    }
}

TEST(CusumThreshold, ArithmeticBeyondTheDoubleRangeIsAnError) {
    EXPECT_THROW(cusumThreshold::hForARL(1E200, 100, 1), AppError);
    EXPECT_THROW(cusumThreshold::hForARL(0.5, 1E308, 1E10), AppError);
    EXPECT_NO_THROW(cusumThreshold::hForARL(0.5, 1E300, 1));
}

TEST_F(CusumTool, TheWindowAsLoaded) {
    EXPECT_EQ(w->windowTitle().toStdString(), "Get h-value from ARL");
    EXPECT_EQ(w->Frame1->title().toStdString(), "Parameters");
    EXPECT_EQ(w->Frame2->title().toStdString(), "ARL0 Options");
    const std::pair<QLineEdit*, const char*> boxes[] = {
        {w->txtKvalue, "0.5"},           {w->txtNumRegion, "100"},          {w->txtSigma, "1"},
        {w->txtARL0, ""},                {w->txtHvalue_NoAdjustment, ""},   {w->txtBonferroni_Correction, ""},
        {w->txtLocalStatistics, ""}};
    for (const auto& [box, want] : boxes) EXPECT_EQ(text(box), want) << box->objectName().toStdString();
    const std::pair<QLabel*, const char*> labels[] = {
        {w->Label1, "k-value"}, {w->Label3, "# of region"}, {w->Label2, "Sigma"}, {w->lblARL0, "ARL0"},
        {w->Label8[0], "h-value"}, {w->Label8[1], "h-value"}, {w->Label8[2], "h-value"}};
    for (const auto& [l, want] : labels) EXPECT_EQ(l->text().toStdString(), want);
    EXPECT_EQ(w->optOverallRegion->text().toStdString(), "Overall Region");
    EXPECT_EQ(w->optBonferroniCorrection->text().toStdString(), "Bonferroni correction");
    EXPECT_EQ(w->optAdjustForLocalStatistics->text().toStdString(), "Spatial autocorrelation");
    EXPECT_EQ(w->cmdGetResult->text().toStdString(), "&Get Result");
    for (QRadioButton* o : {w->optOverallRegion, w->optBonferroniCorrection, w->optAdjustForLocalStatistics})
        EXPECT_FALSE(o->isChecked());
    // The inputs stand left of the options, the button at the bottom right.
    EXPECT_LT(w->Frame1->x(), w->Frame2->x());
    EXPECT_GT(w->cmdGetResult->y(), w->Frame2->geometry().bottom());
    EXPECT_GT(w->cmdGetResult->x(), w->Frame1->geometry().right());
    // ARL0 comes first in the tab order and has the focus at opening.
    EXPECT_EQ(w->txtARL0->nextInFocusChain(), w->txtKvalue);
    EXPECT_EQ(w->focusWidget(), w->txtARL0);
}

TEST_F(CusumTool, EachOptionWritesOnlyItsOwnBox) {
    fill("0.5", "100", "1", "100");
    // With no option chosen nothing happens.
    w->cmdGetResult->click();
    EXPECT_EQ(text(w->txtHvalue_NoAdjustment), "");
    struct Case {
        QRadioButton* option;
        QLineEdit* box;
        const char* want;
    };
    const Case cases[] = {{w->optOverallRegion, w->txtHvalue_NoAdjustment, "2.844"},
                          {w->optBonferroniCorrection, w->txtBonferroni_Correction, "7.354"},
                          {w->optAdjustForLocalStatistics, w->txtLocalStatistics, "6.764"}};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        cases[i].option->click();
        w->cmdGetResult->click();
        for (std::size_t j = 0; j < std::size(cases); ++j)
            EXPECT_EQ(text(cases[j].box), j <= i ? cases[j].want : "") << i << " " << j;
    }
    EXPECT_TRUE(dialogs().messages.empty());
    // Sigma 0 gives the Bonferroni value.
    w->txtSigma->setText("0");
    w->cmdGetResult->click();
    EXPECT_EQ(text(w->txtLocalStatistics), "7.354");
}

TEST_F(CusumTool, TextThatIsNoNumberDoesNothing) {
    struct Case {
        const char* k;
        const char* n;
        const char* sigma;
        const char* arl0;
        QRadioButton* frmCusumTools::*option;
    };
    const Case cases[] = {
        {"0.5", "100", "1", "", &frmCusumTools::optOverallRegion},
        {"abc", "100", "1", "100", &frmCusumTools::optOverallRegion},
        {"0.5", "x", "1", "100", &frmCusumTools::optBonferroniCorrection},
        {"0.5", "100", "nan", "100", &frmCusumTools::optAdjustForLocalStatistics},
        {"inf", "100", "1", "100", &frmCusumTools::optAdjustForLocalStatistics},
    };
    for (const Case& c : cases) {
        fill(c.k, c.n, c.sigma, c.arl0);
        (w->*c.option)->click();
        w->txtHvalue_NoAdjustment->setText("old");
        w->txtBonferroni_Correction->setText("old");
        w->txtLocalStatistics->setText("old");
        w->cmdGetResult->click();
        EXPECT_TRUE(dialogs().messages.empty());
        EXPECT_EQ(text(w->txtKvalue), c.k);
        EXPECT_EQ(text(w->txtNumRegion), c.n);
        EXPECT_EQ(text(w->txtSigma), c.sigma);
        EXPECT_EQ(text(w->txtARL0), c.arl0);
        for (QLineEdit* box : {w->txtHvalue_NoAdjustment, w->txtBonferroni_Correction, w->txtLocalStatistics})
            EXPECT_EQ(text(box), "old");
    }
    // A box the variant does not read may hold anything.
    fill("0.5", "x", "y", "100");
    w->optOverallRegion->click();
    w->cmdGetResult->click();
    EXPECT_EQ(text(w->txtHvalue_NoAdjustment), "2.844");
}

TEST_F(CusumTool, InvalidNumbersAreRefusedAndTheFirstOffendingBoxEmptied) {
    struct Case {
        const char* k;
        const char* n;
        const char* sigma;
        const char* arl0;
        QRadioButton* frmCusumTools::*option;
        QLineEdit* frmCusumTools::*emptied;
    };
    const Case cases[] = {
        {"0", "100", "1", "100", &frmCusumTools::optOverallRegion, &frmCusumTools::txtKvalue},
        {"0.5", "100", "1", "0", &frmCusumTools::optOverallRegion, &frmCusumTools::txtARL0},
        {"0", "100", "1", "0", &frmCusumTools::optOverallRegion, &frmCusumTools::txtKvalue},
        {"-1", "100", "1", "100", &frmCusumTools::optBonferroniCorrection, &frmCusumTools::txtKvalue},
        {"0.5", "0", "1", "100", &frmCusumTools::optBonferroniCorrection, &frmCusumTools::txtNumRegion},
        {"0.5", "-3", "-1", "100", &frmCusumTools::optAdjustForLocalStatistics, &frmCusumTools::txtNumRegion},
        {"0.5", "100", "-1", "100", &frmCusumTools::optAdjustForLocalStatistics, &frmCusumTools::txtSigma},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.k << " " << c.n << " " << c.sigma << " " << c.arl0);
        dialogs().messages.clear();
        fill(c.k, c.n, c.sigma, c.arl0);
        (w->*c.option)->click();
        for (QLineEdit* box : {w->txtHvalue_NoAdjustment, w->txtBonferroni_Correction, w->txtLocalStatistics})
            box->setText("old");
        w->cmdGetResult->click();
        ASSERT_EQ(dialogs().messages.size(), 1u);
        EXPECT_EQ(dialogs().messages[0].text, kInvalid);
        EXPECT_EQ(dialogs().messages[0].title, "Warning!");
        EXPECT_EQ(dialogs().messages[0].icon, MsgIcon::Critical);
        const std::pair<QLineEdit*, const char*> inputs[] = {
            {w->txtKvalue, c.k}, {w->txtNumRegion, c.n}, {w->txtSigma, c.sigma}, {w->txtARL0, c.arl0}};
        for (const auto& [box, before] : inputs)
            EXPECT_EQ(text(box), box == w->*c.emptied ? "" : before) << box->objectName().toStdString();
        for (QLineEdit* box : {w->txtHvalue_NoAdjustment, w->txtBonferroni_Correction, w->txtLocalStatistics})
            EXPECT_EQ(text(box), "old");
    }
}

// The message names only the inputs of the chosen option.
TEST_F(CusumTool, ArithmeticOutOfRangeGivesAMessage) {
    const std::tuple<Inputs, QRadioButton*, QLineEdit*, const char*> cases[] = {
        {{"1E200", "100", "1", "100"}, w->optOverallRegion, w->txtHvalue_NoAdjustment,
         "The h-value cannot be computed: the k-value or ARL0 is too large for the arithmetic."},
        {{"1", "1E308", "1", "1E10"}, w->optBonferroniCorrection, w->txtBonferroni_Correction,
         "The h-value cannot be computed: the k-value, ARL0 or number of regions is too large for the arithmetic."},
    };
    for (const auto& [in, option, box, says] : cases) {
        SCOPED_TRACE(says);
        getResultRefused(in, option, box, says);
        EXPECT_EQ(text(box), "old");
        EXPECT_EQ(text(w->txtKvalue), in[0]);
    }
}

// Where the approximation gives a threshold below 0 no h fits: a warning
// says so, naming only the inputs of the chosen option, and the result box
// is left empty.
TEST_F(CusumTool, NoThresholdBelowZeroIsShown) {
    const std::string overall = "No h-value fits these inputs: the approximation gives a threshold below 0 (the "
                                "k-value or ARL0 is too small).";
    const std::tuple<Inputs, QRadioButton*, QLineEdit*, std::string> cases[] = {
        {{"0.001", "100", "1", "100"}, w->optOverallRegion, w->txtHvalue_NoAdjustment, overall},
        {{"1E-300", "100", "1", "100"}, w->optBonferroniCorrection, w->txtBonferroni_Correction,
         "No h-value fits these inputs: the approximation gives a threshold below 0 (the k-value, ARL0 or number of "
         "regions is too small)."},
        {{"0.5", "100", "1", "1E-300"}, w->optOverallRegion, w->txtHvalue_NoAdjustment, overall},
        {{"0.5", "100", "1E308", "100"}, w->optAdjustForLocalStatistics, w->txtLocalStatistics,
         "No h-value fits these inputs: the approximation gives a threshold below 0 (the k-value, ARL0 or number of "
         "regions is too small, or the sigma too large)."},
    };
    for (const auto& [in, option, box, says] : cases) {
        SCOPED_TRACE(testing::Message() << in[0] << " " << in[1] << " " << in[2] << " " << in[3]);
        getResultRefused(in, option, box, says);
        EXPECT_EQ(text(box), "");
    }
}
