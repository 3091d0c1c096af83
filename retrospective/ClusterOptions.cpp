#include "retrospective/ClusterOptions.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSignalBlocker>

#include "context/FrameServices.h"
#include "map/modLegend.h"
#include "platform/Error.h"
#include "platform/Format.h"
#include "retrospective/ClusterRun.h"
#include "stats/AppState.h"
#include "ui/Dialogs.h"
#include "ui/Fonts.h"
#include "ui/WindowParts.h"

using WindowParts::onSignal;

QComboBox* ClusterOptions::alphaBox(QWidget* frame, QRect geometry) {
    auto* box = WindowParts::control<QComboBox>(frame, "cboAlpha", geometry);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setEditText("0.05");
    return box;
}

std::optional<double> ClusterOptions::singleBandwidth(const QLineEdit* box) {
    const auto value = parseNumber(box->text().toStdString());
    if (!value) {
        dialogs().warning("Bandwidth should be numerical.");
        return std::nullopt;
    }
    if (*value < 0.0) {
        dialogs().warning("Bandwidth should not be negative.");
        return std::nullopt;
    }
    return *value == 0.0 ? 1e-8 : *value;
}

std::optional<ClusterOptions::BandwidthRange> ClusterOptions::bandwidthRange(const QLineEdit* from, const QLineEdit* to,
                                                                             const QLineEdit* step) {
    const auto f = parseNumber(from->text().toStdString());
    const auto t = parseNumber(to->text().toStdString());
    const auto s = parseNumber(step->text().toStdString());
    if (!f || !t || !s) {
        dialogs().warning("A range of bandwidth parameters should be numeric.");
        return std::nullopt;
    }
    if (!(*f >= 0.0 && *t > 0.0 && *f < *t && *s > 0.0)) {
        dialogs().warning(kInvalidRange);
        return std::nullopt;
    }
    return BandwidthRange{*f, *t, *s};
}

void ClusterOptions::readAlpha(double& alpha) const {
    if (const auto level = parseNumber(cboAlpha->currentText().toStdString())) alpha = *level;
}

std::optional<double> ClusterOptions::alphaShown() const {
    if (const auto typed = parseNumber(cboAlpha->currentText().toStdString()))
        for (const double level : kAlphaLevels)
            if (*typed == level) return level;
    dialogs().warning("Alpha should be one of the levels offered: " + formatGeneralDisplay(kAlphaLevels[0]) + " or " +
                      formatGeneralDisplay(kAlphaLevels[1]) + ".");
    return std::nullopt;
}

void ClusterOptions::connectOptions(QWidget* window) {
    onSignal(cboAlpha, &QComboBox::activated, window, [this] { cboAlpha_Click(); });
    const struct {
        QRadioButton* option;
        void (ClusterOptions::*handler)();
    } options[] = {
        {optUnadjusted, &ClusterOptions::optUnadjusted_Click},
        {optAdjusted_Generic, &ClusterOptions::optAdjusted_Generic_Click},
        {optStandard, &ClusterOptions::optStandard_Click},
        {optRossi, &ClusterOptions::optRossi_Click},
        {optSpatialSingleSigma, &ClusterOptions::optSpatialSingleSigma_Click},
        {optSpatialSigmaRange, &ClusterOptions::optSpatialSigmaRange_Click},
    };
    for (const auto& o : options)
        onSignal(o.option, &QRadioButton::clicked, window, [this, handler = o.handler] { (this->*handler)(); });
}

void ClusterOptions::selectOption(QRadioButton* option, void (ClusterOptions::*handler)()) {
    // Checking from code emits no click, so the handler runs here, once;
    // whatever follows the option's state (toggled) hears of it as usual.
    option->setChecked(true);
    (this->*handler)();
}

void ClusterOptions::selectTest(ClusterTest test) {
    switch (test) {
    case ClusterTest::Unadjusted: selectOption(optUnadjusted, &ClusterOptions::optUnadjusted_Click); break;
    case ClusterTest::AdjustedPoisson: selectOption(optAdjusted_Generic, &ClusterOptions::optAdjusted_Generic_Click); break;
    case ClusterTest::FreemanTukey: selectOption(optStandard, &ClusterOptions::optStandard_Click); break;
    case ClusterTest::Rossi: selectOption(optRossi, &ClusterOptions::optRossi_Click); break;
    }
}

void ClusterOptions::selectSingleSigma() {
    selectOption(optSpatialSingleSigma, &ClusterOptions::optSpatialSingleSigma_Click);
}

void ClusterOptions::selectSigmaRange() {
    selectOption(optSpatialSigmaRange, &ClusterOptions::optSpatialSigmaRange_Click);
}

void ClusterOptions::selectAlpha(int index) {
    if (index < 0 || index >= cboAlpha->count()) return;
    WindowParts::quietly(cboAlpha, [index](QComboBox* c) { c->setCurrentIndex(index); });
    cboAlpha_Click();
}

ClusterTest ClusterOptions::selectedTest() const {
    if (optUnadjusted->isChecked()) return ClusterTest::Unadjusted;
    if (optAdjusted_Generic->isChecked()) return ClusterTest::AdjustedPoisson;
    if (optStandard->isChecked()) return ClusterTest::FreemanTukey;
    return ClusterTest::Rossi;
}

void ClusterOptions::setAlphaLevels() {
    const QSignalBlocker block(cboAlpha);
    const QString text = cboAlpha->currentText();
    cboAlpha->clear();
    for (const double level : kAlphaLevels) cboAlpha->addItem(QString::fromStdString(formatGeneralDisplay(level)));
    cboAlpha->setCurrentIndex(-1);
    cboAlpha->setEditText(text);
}

void ClusterOptions::selectLocalRow(int row) {
    WindowParts::quietly(lstLocalPatternSummary, [row](QListWidget* l) { l->setCurrentRow(row); });
    lstLocalPatternSummary_Click();
}

void ClusterOptions::selectGlobalRow(int row) {
    WindowParts::quietly(lstGlobalPatternSummary, [row](QListWidget* l) { l->setCurrentRow(row); });
    lstGlobalPatternSummary_Click();
}

std::vector<std::string> ClusterOptions::globalLines() const { return WindowParts::fromList(lstGlobalPatternSummary); }
std::vector<std::string> ClusterOptions::localLines() const { return WindowParts::fromList(lstLocalPatternSummary); }

std::optional<ClusterOptions::RunRequest> ClusterOptions::requestedRun(TooManyBandwidths tooMany) const {
    RunRequest run;
    run.test = selectedTest();
    if (optSpatialSingleSigma->isChecked()) {
        const auto sigma = singleBandwidth(txtSingleSigma);
        if (!sigma) return std::nullopt;
        run.sigma = *sigma;
        return run;
    }
    if (!optSpatialSigmaRange->isChecked()) return std::nullopt;
    const auto range = bandwidthRange(txtFromSigma, txtToSigma, txtStep);
    if (!range) return std::nullopt;
    run.range = true;
    run.bandwidths = *range;
    try {
        run.count = ClusterRun::rangeCount(range->from, range->to, range->step);
    } catch (const AppError& e) {
        dialogs().warning(tooMany == TooManyBandwidths::SayWhy ? ClusterRun::failureText(e) : kInvalidRange);
        return std::nullopt;
    }
    return run;
}

std::optional<AppState> ClusterOptions::computeRun(const AppState& state, const std::function<void(AppState&)>& compute) {
    try {
        return ClusterRun::computeOnCopy(state, compute);
    } catch (const AppError& e) {
        dialogs().warning(ClusterRun::failureText(e));
        return std::nullopt;
    }
}

void ClusterOptions::showMCriticalNotices(std::int32_t count) {
    for (std::int32_t i = 0; i < count; ++i) modLegend::ShowMCriticalNotice();
}

void ClusterOptions::runRequested(FrameServices& frame, TooManyBandwidths tooMany, double& alpha) {
    const auto run = requestedRun(tooMany);
    if (!run) return;
    const auto level = alphaShown();
    if (!level) return;
    alpha = *level;
    const BusyPointer busy(frame, run->range ? 0 : 1);
    if (run->range)
        runRange(*run);
    else
        runSingle(*run);
}

void ClusterOptions::clearResultLists() {
    for (QListWidget* list : {lstGlobalPatternSummary, lstLocalPatternSummary}) {
        WindowParts::clearQuietly(list);
        list->setFont(listFont());
    }
}
