#include "prospective/frmCusumTools.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QRadioButton>

#include <optional>
#include <string>
#include <vector>

#include "platform/Error.h"
#include "platform/Format.h"
#include "stats/CusumThreshold.h"
#include "ui/Dialogs.h"
#include "ui/Twips.h"
#include "ui/WindowParts.h"

namespace {

using WindowParts::button;
using WindowParts::frameBox;
using WindowParts::label;
using WindowParts::onSignal;
using WindowParts::textBox;
using WindowParts::twips;

constexpr int kLabelHeight = 255, kBoxHeight = 285;

constexpr const char* kInvalid = "k-value and ARL0 should be positive numerical values";

}  // namespace

frmCusumTools::frmCusumTools(AppContext& ctx) : QWidget(nullptr), ctx_(ctx) {
    setObjectName("frmCusumTools");
    setWindowTitle("Get h-value from ARL");
    resize(twipsToPixels(5970), twipsToPixels(2940));
    setMinimumSize(size());
    buildControls();
    Form_Load();
}

void frmCusumTools::buildControls() {
    Frame1 = frameBox(this, "Frame1", "Parameters", twips(120, 120, 2700, 2175));
    Label1 = label(Frame1, "Label1", "k-value", twips(120, 390, 1200, kLabelHeight));
    txtKvalue = textBox(Frame1, "txtKvalue", "0.5", twips(1380, 360, 1170, kBoxHeight));
    Label3 = label(Frame1, "Label3", "# of region", twips(120, 840, 1200, kLabelHeight));
    txtNumRegion = textBox(Frame1, "txtNumRegion", "100", twips(1380, 810, 1170, kBoxHeight));
    Label2 = label(Frame1, "Label2", "Sigma", twips(120, 1290, 1200, kLabelHeight));
    txtSigma = textBox(Frame1, "txtSigma", "1", twips(1380, 1260, 1170, kBoxHeight));
    lblARL0 = label(Frame1, "lblARL0", "ARL0", twips(120, 1740, 1200, kLabelHeight));
    txtARL0 = textBox(Frame1, "txtARL0", "", twips(1380, 1710, 1170, kBoxHeight));

    Frame2 = frameBox(this, "Frame2", "ARL0 Options", twips(2940, 120, 2910, 2175));
    const auto option = [this](const char* name, const char* caption, int top) {
        return WindowParts::option(Frame2, name, caption, twips(120, top, 2520, kLabelHeight));
    };
    optOverallRegion = option("optOverallRegion", "Overall Region", 270);
    optBonferroniCorrection = option("optBonferroniCorrection", "Bonferroni correction", 960);
    optAdjustForLocalStatistics = option("optAdjustForLocalStatistics", "Spatial autocorrelation", 1470);
    QLineEdit** results[3] = {&txtHvalue_NoAdjustment, &txtBonferroni_Correction, &txtLocalStatistics};
    const char* resultNames[3] = {"txtHvalue_NoAdjustment", "txtBonferroni_Correction", "txtLocalStatistics"};
    const int resultTops[3] = {570, 1260 - 30, 1770};
    for (int i = 0; i < 3; ++i) {
        Label8[i] = label(Frame2, "Label8", "h-value", twips(360, resultTops[i] + 30, 900, kLabelHeight));
        Label8[i]->setProperty("index", i);
        *results[i] = textBox(Frame2, resultNames[i], "", twips(1380, resultTops[i], 1350, kBoxHeight));
    }

    cmdGetResult = button(this, "cmdGetResult", "&Get Result", twips(4570, 2415, 1280, 375));
    onSignal(cmdGetResult, &QPushButton::clicked, this, [this] { cmdGetResult_Click(); });

    // ARL0 comes first in the tab order, so it has the focus at opening.
    setTabOrder(txtARL0, txtKvalue);
    setTabOrder(txtKvalue, txtNumRegion);
    setTabOrder(txtNumRegion, txtSigma);
    setTabOrder(txtSigma, optOverallRegion);
    setTabOrder(optOverallRegion, txtHvalue_NoAdjustment);
    setTabOrder(txtHvalue_NoAdjustment, optBonferroniCorrection);
    setTabOrder(optBonferroniCorrection, txtBonferroni_Correction);
    setTabOrder(txtBonferroni_Correction, optAdjustForLocalStatistics);
    setTabOrder(optAdjustForLocalStatistics, txtLocalStatistics);
    setTabOrder(txtLocalStatistics, cmdGetResult);
}

void frmCusumTools::Form_Load() {
    // Centred across the main frame, a third of the way down.
    if (QMdiArea* area = ctx_.mdiArea()) {
        const QSize outer = area->window()->frameGeometry().size();
        move(std::max(0, (outer.width() - width()) / 2), std::max(0, (outer.height() - height()) / 3));
    }
    txtARL0->setFocus();
}

void frmCusumTools::cmdGetResult_Click() {
    using cusumThreshold::Variant;
    Variant variant;
    QLineEdit* result = nullptr;
    if (optOverallRegion->isChecked()) {
        variant = Variant::OverallRegion;
        result = txtHvalue_NoAdjustment;
    } else if (optBonferroniCorrection->isChecked()) {
        variant = Variant::Bonferroni;
        result = txtBonferroni_Correction;
    } else if (optAdjustForLocalStatistics->isChecked()) {
        variant = Variant::SpatialAutocorrelation;
        result = txtLocalStatistics;
    } else {
        return;
    }

    // The inputs the variant reads, with the test each must pass, in the
    // order they are tested.
    struct Input {
        QLineEdit* box;
        bool (*valid)(double);
        double value = 0;
    };
    std::vector<Input> inputs = {{txtKvalue, [](double v) { return v > 0; }},
                                 {txtARL0, [](double v) { return v > 0; }}};
    if (variant != Variant::OverallRegion) inputs.push_back({txtNumRegion, [](double v) { return v > 0; }});
    if (variant == Variant::SpatialAutocorrelation)
        inputs.push_back({txtSigma, [](double v) { return v >= 0; }});

    // Text that is no number leaves everything as it is, without a word.
    for (Input& in : inputs) {
        const std::optional<double> v = parseNumber(in.box->text().toStdString());
        if (!v) return;
        in.value = *v;
    }
    for (Input& in : inputs) {
        if (!in.valid(in.value)) {
            dialogs().warning(kInvalid);
            in.box->clear();
            return;
        }
    }

    const double k = inputs[0].value;
    const double arl0 = inputs[1].value;
    const double regions = variant == Variant::OverallRegion ? 0 : inputs[2].value;
    const double sigma = variant == Variant::SpatialAutocorrelation ? inputs[3].value : 0;
    // The messages name only the inputs the variant reads.
    const std::string counted =
        variant == Variant::OverallRegion ? "the k-value or ARL0" : "the k-value, ARL0 or number of regions";
    try {
        const double h = cusumThreshold::hForARL(k, arl0, cusumThreshold::multiplier(variant, regions, sigma));
        if (!cusumThreshold::isThreshold(h)) {
            result->clear();
            dialogs().warning("No h-value fits these inputs: the approximation gives a threshold below 0 (" + counted +
                              " is too small" +
                              (variant == Variant::SpatialAutocorrelation ? ", or the sigma too large" : "") + ").");
            return;
        }
        result->setText(QString::fromStdString(formatGeneralDisplay(h)));
    } catch (const AppError&) {
        dialogs().warning("The h-value cannot be computed: " + counted + " is too large for the arithmetic.");
    }
}
