#include "prospective/frmTxtFileOpen.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <cmath>

#include "prospective/frmUnivariate.h"
#include "prospective/modFileSaveOpen.h"
#include "ui/Dialogs.h"
#include "ui/WindowParts.h"

namespace {

using WindowParts::captioned;
using WindowParts::onSignal;
using WindowParts::quietly;
using WindowParts::twips;

constexpr int kWidthTwips = 5400;
constexpr int kHeightTwips = 3300;

}  // namespace

frmTxtFileOpen::frmTxtFileOpen(AppContext& ctx) : ctx_(ctx) {
    setObjectName("frmTxtFileOpen");
    setWindowTitle("Open cusum (.csm) file");
    setFixedSize(twipsToPixels(kWidthTwips), twipsToPixels(kHeightTwips));

    Frame2 = captioned<QGroupBox>(this, "Frame2", "Select .csm file", twips(120, 60, 5160, 780));
    txtOpenFilePath = WindowParts::control<QLineEdit>(Frame2, "txtOpenFilePath", twips(120, 300, 3600, 315));
    txtOpenFilePath->setReadOnly(true);
    cmdOpen = captioned<QPushButton>(Frame2, "cmdOpen", "&Open", twips(3840, 270, 1200, 375));
    Frame1 = captioned<QGroupBox>(this, "Frame1", "Period for displaying cusum chart", twips(120, 900, 5160, 1100));
    optCurrent = captioned<QRadioButton>(Frame1, "optCurrent", "Display current period only",
                                         twips(150, 300, 4800, 255));
    optPreviousCurrent = captioned<QRadioButton>(Frame1, "optPreviousCurrent",
                                                 "Display both previous and current period", twips(150, 660, 4800, 255));
    cmdOK = captioned<QPushButton>(this, "cmdOK", "&OK", twips(960, 2280, 1400, 375));
    cmdExit = captioned<QPushButton>(this, "cmdExit", "&Exit", twips(3000, 2280, 1400, 375));

    onSignal(cmdOpen, &QPushButton::clicked, this, [this] { cmdOpen_Click(); });
    onSignal(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    onSignal(cmdExit, &QPushButton::clicked, this, [this] { cmdExit_Click(); });
    // A loaded file is not replaced while a run animates from it.
    if (frmUnivariate* u = ctx_.find<frmUnivariate>()) {
        onSignal(u, &frmUnivariate::animatingChanged, this, [this](bool on) { cmdOpen->setEnabled(!on); });
        cmdOpen->setEnabled(!u->animating());
    }
    Form_Load();
}

void frmTxtFileOpen::Form_Load() {
    if (QMdiArea* area = ctx_.mdiArea()) {
        const QSize f = area->size();
        move(std::max(0, static_cast<int>(std::lround((f.width() - width()) / 4.7))),
             std::max(0, static_cast<int>(std::lround((f.height() - height()) / 1.7))));
    }
    selectCurrent();
    if (frmUnivariate* u = ctx_.find<frmUnivariate>()) u->cmdSaveCusum->setEnabled(false);
}

void frmTxtFileOpen::selectCurrent() {
    quietly(optCurrent, [](QRadioButton* b) { b->setChecked(true); });
}

void frmTxtFileOpen::selectPreviousCurrent() {
    quietly(optPreviousCurrent, [](QRadioButton* b) { b->setChecked(true); });
}

void frmTxtFileOpen::cmdOpen_Click() {
    modFileSaveOpen::OpenCusumFile(ctx_);
    txtOpenFilePath->setText(QString::fromStdString(ctx_.state.cusum.csmPath));
}

void frmTxtFileOpen::cmdExit_Click() { ctx_.unload<frmTxtFileOpen>(); }

void frmTxtFileOpen::cmdOK_Click() {
    AppState& s = ctx_.state;
    const CusumState& c = s.cusum;
    const std::int32_t n = s.area.regionCount;
    if (c.previousCusum.rows() == 0) {
        dialogs().warning("No cusum file is loaded. Open a cusum (.csm) file first.");
        return;
    }
    // A file of another study area is named as such, whatever its rows.
    if (c.previousCusumGeneration != s.area.generation) {
        dialogs().warning("The loaded cusum file was opened for another study area. Open a cusum (.csm) file of "
                          "this study area first.");
        return;
    }
    if (c.previousCusum.rows() != static_cast<Eigen::Index>(n) + 1) {
        dialogs().warning("The loaded cusum file holds " + std::to_string(c.previousCusum.rows() - 1) +
                          " rows of cusums but the study area has " + std::to_string(n) + " regions.");
        return;
    }
    // The cusum window reads k, h, the bandwidth and the data option.
    frmUnivariate* u = ctx_.load<frmUnivariate>();

    frmUnivariate::Continuation from;
    const auto last = static_cast<Eigen::Index>(c.previousPeriodCount);
    from.previousPeriodCount = c.previousPeriodCount;
    from.start.assign(static_cast<std::size_t>(n) + 1, 0.0);
    if (last >= 1 && last < c.previousCusum.cols())
        for (std::int32_t i = 1; i <= n; ++i) from.start[static_cast<std::size_t>(i)] = c.previousCusum(i, last);
    from.previousAndCurrent = optPreviousCurrent->isChecked();
    if (from.previousAndCurrent) {
        // Each loaded period's largest cusum over the regions.
        from.previousMax.assign(static_cast<std::size_t>(last) + 1, 0.0);
        for (Eigen::Index p = 1; p <= last && p < c.previousCusum.cols(); ++p)
            from.previousMax[static_cast<std::size_t>(p)] = c.previousCusum.col(p).segment(1, n).maxCoeff();
    }
    u->continueRun(from);
}
