#include "app/frmCalculatePValue.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QRadioButton>

#include "platform/Convert.h"
#include "platform/Error.h"
#include "platform/Format.h"
#include "stats/modPValue.h"
#include "ui/Dialogs.h"
#include "ui/Twips.h"
#include "ui/WindowParts.h"

namespace {

using WindowParts::button;
using WindowParts::control;
using WindowParts::frameBox;
using WindowParts::label;
using WindowParts::onSignal;
using WindowParts::option;
using WindowParts::twips;

constexpr const char* kResultMask = "0.00000000";
constexpr int kLabelHeight = 255, kBoxHeight = 285;

}  // namespace

frmCalculatePValue::frmCalculatePValue(AppContext& ctx) : QWidget(nullptr), ctx_(ctx) {
    setObjectName("frmCalculatePValue");
    setWindowTitle("Calculate p-value");
    // 3,255 x 4,755 twips is the area the controls need (the buttons end at
    // 4,635). As a minimum it also keeps the child window's caption bar and
    // border from taking that room when the window is placed in the frame.
    resize(twipsToPixels(3255), twipsToPixels(4755));
    setMinimumSize(size());
    buildControls();
    Form_Load();
}

void frmCalculatePValue::buildControls() {
    optNormal = option(this, "optNormal", "Normal Distribution", twips(60, 60, 3015, 195));
    optNormal->adjustSize();

    Frame2 = frameBox(this, "Frame2", "", twips(60, 240, 3015, 1695));
    Frame6 = frameBox(Frame2, "Frame6", "User input", twips(120, 180, 2745, 615));
    Label9 = label(Frame6, "Label9", "z-value", twips(120, 270, 1095, kLabelHeight));
    txtInputNormalZScore = control<QLineEdit>(Frame6, "txtInputNormalZScore", twips(1260, 240, 1365, kBoxHeight));
    Frame7 = frameBox(Frame2, "Frame7", "Result", twips(120, 810, 2745, 645));
    Label10 = label(Frame7, "Label10", "p-value", twips(120, 300, 1095, kLabelHeight));
    txtInputZScore_PValue = control<QLineEdit>(Frame7, "txtInputZScore_PValue", twips(1260, 270, 1365, kBoxHeight));

    optChiSquare = option(this, "optChiSquare", "Chi-Square Distribution", twips(60, 2010, 3015, 195));
    optChiSquare->adjustSize();

    Frame1 = frameBox(this, "Frame1", "", twips(60, 2190, 3015, 2025));
    Frame5 = frameBox(Frame1, "Frame5", "User input", twips(120, 180, 2745, 1035));
    Label4 = label(Frame5, "Label4", "Chi-Square statistic", twips(120, 300, 1455, kLabelHeight));
    txtInputChiSquare = control<QLineEdit>(Frame5, "txtInputChiSquare", twips(1620, 270, 1005, kBoxHeight));
    Label5 = label(Frame5, "Label5", "Degree of Freedom", twips(120, 660, 1455, kLabelHeight));
    txtInputDF = control<QLineEdit>(Frame5, "txtInputDF", twips(1620, 630, 1005, kBoxHeight));
    Frame4 = frameBox(Frame1, "Frame4", "Result", twips(120, 1230, 2745, 645));
    Label1 = label(Frame4, "Label1", "p-value", twips(120, 300, 1095, kLabelHeight));
    txtChiSquarePValue = control<QLineEdit>(Frame4, "txtChiSquarePValue", twips(1260, 270, 1365, kBoxHeight));
    for (QLineEdit* result : {txtInputZScore_PValue, txtChiSquarePValue}) result->setReadOnly(true);

    cmdCalculate = button(this, "cmdCalculate", "&Calculate", twips(990, 4290, 1005, 345));
    cmdExit = button(this, "cmdExit", "&Exit", twips(2070, 4290, 1005, 345));

    // The two options form one group (they share this window as parent).
    // toggled fires only when an option becomes selected, so a click on the
    // option already chosen shows no second notice.
    onSignal(optChiSquare, &QRadioButton::toggled, this, [this](bool on) {
        if (on) optChiSquare_Click();
    });
    onSignal(cmdCalculate, &QPushButton::clicked, this, [this] { cmdCalculate_Click(); });
    onSignal(cmdExit, &QPushButton::clicked, this, [this] { cmdExit_Click(); });
}

void frmCalculatePValue::Form_Load() {
    // Centred on the main frame.
    if (QMdiArea* area = ctx_.mdiArea()) {
        const QWidget* frameWindow = area->window();
        const QSize outer = frameWindow->frameGeometry().size();
        move(std::max(0, (outer.width() - width()) / 2), std::max(0, (outer.height() - height()) / 2));
    }
    optNormal->setChecked(true);
}

void frmCalculatePValue::optChiSquare_Click() {
    dialogs().message(
        "This p-value calculator generate an reasonable approximation only for the integer value of degree of "
        "freedom (DF).",
        "Attention!", MsgIcon::Critical, MsgButtons::OK);
}

void frmCalculatePValue::cmdCalculate_Click() {
    if (optNormal->isChecked())
        calculateNormal();
    else if (optChiSquare->isChecked())
        calculateChiSquare();
}

void frmCalculatePValue::calculateNormal() {
    const std::string text = txtInputNormalZScore->text().toStdString();
    const std::optional<double> z = parseNumber(text);
    if (!z) {
        dialogs().warning(text.empty() ? "Z-score should be specified." : "Z-score should be numeric.");
        return;
    }
    try {
        const double p = modPValue::GetNormalPValue(*z);
        txtInputZScore_PValue->setText(QString::fromStdString(formatMaskDisplay(p, kResultMask)));
    } catch (const AppError& e) {
        // The box must not go on showing the p-value of an earlier z-value.
        txtInputZScore_PValue->clear();
        dialogs().warning("The p-value of this z-value cannot be computed: " + e.description());
    }
}

void frmCalculatePValue::calculateChiSquare() {
    const std::string dfText = txtInputDF->text().toStdString();
    const std::string chiText = txtInputChiSquare->text().toStdString();
    const std::optional<double> dfValue = parseNumber(dfText);
    const std::optional<double> chi = parseNumber(chiText);
    if (!dfValue || !chi) {
        if (dfText.empty() || chiText.empty()) {
            dialogs().warning("Both chi-square statistic and D.F. should be specified.");
            return;
        }
        rejectChiSquare("Both chi-square statistic and D.F. should be numeric.");
        return;
    }

    // The degrees of freedom are taken to the nearest whole number, halves
    // to even, and must be one the approximation is defined for.
    std::int16_t df = 0;
    try {
        df = toInt16(*dfValue);
    } catch (const AppError&) {
        df = 0;
    }
    if (df < 1) {
        rejectChiSquare("Degree of Freedom should be a number from 1 to 32767.");
        return;
    }
    if (*chi < 0) {
        rejectChiSquare("Chi-square statistic should not be negative.");
        return;
    }
    try {
        const double p = modPValue::GetChiSquarePValue(*chi, static_cast<double>(df));
        txtChiSquarePValue->setText(QString::fromStdString(formatMaskDisplay(p, kResultMask)));
    } catch (const AppError& e) {
        rejectChiSquare("The p-value of this chi-square statistic cannot be computed: " + e.description());
    }
}

void frmCalculatePValue::rejectChiSquare(const std::string& message) {
    // Input that gives no p-value must not leave the p-value of earlier
    // input standing beside it.
    txtChiSquarePValue->clear();
    dialogs().warning(message);
}

void frmCalculatePValue::cmdExit_Click() { ctx_.unload<frmCalculatePValue>(); }
