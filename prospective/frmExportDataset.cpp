#include "prospective/frmExportDataset.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <algorithm>
#include <new>
#include <optional>

#include "platform/DbfTable.h"
#include "platform/Error.h"
#include "platform/Format.h"
#include "prospective/CusumFiles.h"
#include "ui/Dialogs.h"
#include "ui/TextSave.h"
#include "ui/WindowParts.h"

namespace {

using WindowParts::captioned;
using WindowParts::control;
using WindowParts::onSignal;
using WindowParts::quietly;
using WindowParts::twips;

constexpr int kWidthTwips = 5700;
constexpr int kHeightTwips = 3360;
constexpr const char* kSource = "frmExportDataset";
constexpr const char* kOutOfMemory = "There is not enough memory left to compute the z-values of this study area.";

const char* const kNotSelected = "Data was not properly selected";
const char* const kBadRange = "Start and end priods were not set improperly!";
const char* const kUnequalRanges = "Periods for Obs and Exp are not identical. ";

[[noreturn]] void refuse(const std::string& text) { throw AppError(RuntimeErrors::InvalidArgument, text, kSource); }

// Why a value cannot be a count, or nothing when it can.
std::optional<std::string> countProblem(const DbfValue& v, double& number) {
    if (v.IsNull()) return std::string("Data include null values. Check data and try again!");
    if (v.IsTooWide()) return "Data include " + v.InvalidText() + ". Check data and try again!";
    if (v.IsNumber()) {
        number = v.number;
    } else if (v.kind == DbfValue::Kind::Text) {
        const auto parsed = parseNumber(v.text);
        if (!parsed) return std::string("Data should be numerical values!");
        number = *parsed;
    } else {
        return std::string("Data should be numerical values!");
    }
    if (number < 0.0) return std::string("Data include invalid values. Check data and try again!");
    return std::nullopt;
}

}  // namespace

frmExportDataset::frmExportDataset(AppContext& ctx) : ctx_(ctx) {
    setObjectName("frmExportDataset");
    setWindowTitle("Export Dataset");
    setFixedSize(twipsToPixels(kWidthTwips), twipsToPixels(kHeightTwips));

    Frame10 = captioned<QGroupBox>(this, "Frame10", "Export dataset", twips(120, 60, 5460, 3180));
    Frame11 = captioned<QGroupBox>(Frame10, "Frame11", "Obs", twips(120, 270, 2520, 1260));
    captioned<QLabel>(Frame11, "Label1", "Start", twips(120, 330, 600, 255));
    cboObsFrom = control<QComboBox>(Frame11, "cboObsFrom", twips(780, 300, 1620, 315));
    captioned<QLabel>(Frame11, "Label2", "End", twips(120, 780, 600, 255));
    cboObsTo = control<QComboBox>(Frame11, "cboObsTo", twips(780, 750, 1620, 315));
    Frame12 = captioned<QGroupBox>(Frame10, "Frame12", "Exp", twips(2820, 270, 2520, 1260));
    captioned<QLabel>(Frame12, "Label3", "Start", twips(120, 330, 600, 255));
    cboExpFrom = control<QComboBox>(Frame12, "cboExpFrom", twips(780, 300, 1620, 315));
    captioned<QLabel>(Frame12, "Label4", "End", twips(120, 780, 600, 255));
    cboExpTo = control<QComboBox>(Frame12, "cboExpTo", twips(780, 750, 1620, 315));
    Frame1 = captioned<QGroupBox>(Frame10, "Frame1", "Sigma", twips(120, 1650, 1500, 780));
    txtSigma = captioned<QLineEdit>(Frame1, "txtSigma", "0", twips(120, 330, 1260, 315));
    Frame5 = captioned<QGroupBox>(Frame10, "Frame5", "Z-value option", twips(1740, 1650, 3600, 780));
    optGeneric = captioned<QRadioButton>(Frame5, "optGeneric", "Poisson", twips(120, 360, 1100, 255));
    optStandard = captioned<QRadioButton>(Frame5, "optStandard", "Standard", twips(1260, 360, 1200, 255));
    optRossi = captioned<QRadioButton>(Frame5, "optRossi", "Rossi", twips(2520, 360, 1000, 255));
    cmdExport = captioned<QPushButton>(Frame10, "cmdExport", "&Export", twips(1980, 2640, 1500, 375));

    // The lists offer the table's fields only: a typed name would not say
    // which position the export reads.
    for (QComboBox* c : {cboObsFrom, cboObsTo, cboExpFrom, cboExpTo}) c->setEditable(false);
    onSignal(cboObsFrom, &QComboBox::activated, this, [this] { cboObsFrom_Click(); });
    onSignal(cboObsTo, &QComboBox::activated, this, [this] { cboObsTo_Click(); });
    onSignal(cboExpFrom, &QComboBox::activated, this, [this] { cboExpFrom_Click(); });
    onSignal(cboExpTo, &QComboBox::activated, this, [this] { cboExpTo_Click(); });
    onSignal(cmdExport, &QPushButton::clicked, this, [this] { cmdExport_Click(); });
    // The lists name the fields of the table that is open: positions chosen
    // in another table would read this one's fields under the other's names.
    onSignal(&ctx_.mapHub(), &MapHub::studyAreaOpened, this, [this] {
        if (ctx_.find<frmExportDataset>() == this) studyAreaOpened();
    });
    Form_Load();
}

void frmExportDataset::Form_Load() {
    if (QMdiArea* area = ctx_.mdiArea()) {
        const QSize f = area->size();
        move(std::max(0, (f.width() - width()) / 2), std::max(0, (f.height() - height()) / 2));
    }
    fillFieldLists();
}

void frmExportDataset::fillFieldLists() {
    for (QComboBox* c : {cboObsFrom, cboObsTo, cboExpFrom, cboExpTo}) {
        const QSignalBlocker block(c);
        c->clear();
        if (const auto& table = ctx_.state.area.dbfRecordset)
            for (const DbfField& f : table->Fields()) c->addItem(QString::fromStdString(f.Name));
        c->setCurrentIndex(-1);
    }
}

void frmExportDataset::studyAreaOpened() {
    // Nothing of the choice made in the table before is kept; the bandwidth
    // and the z option are no fields and stay.
    fillFieldLists();
    obsStartIndex = obsEndIndex = expStartIndex = expEndIndex = 0.0;
}

void frmExportDataset::chooseField(QComboBox* list, int index) {
    quietly(list, [index](QComboBox* c) { c->setCurrentIndex(index); });
    if (list == cboObsFrom) cboObsFrom_Click();
    else if (list == cboObsTo) cboObsTo_Click();
    else if (list == cboExpFrom) cboExpFrom_Click();
    else if (list == cboExpTo) cboExpTo_Click();
}

void frmExportDataset::selectOption(QRadioButton* option) {
    quietly(option, [](QRadioButton* b) { b->setChecked(true); });
}

bool frmExportDataset::checkChosenField(QComboBox* list) {
    const auto& table = ctx_.state.area.dbfRecordset;
    const int field = table && list->currentIndex() < table->FieldCount() ? list->currentIndex() : -1;
    std::optional<std::string> problem;
    if (field < 0) problem = kNotSelected;
    for (std::int32_t r = 1; !problem && r <= table->RecordCount(); ++r) {
        double v = 0.0;
        problem = countProblem(table->ValueAt(r, field), v);
    }
    if (!problem) return true;
    dialogs().warning(*problem);
    quietly(list, [](QComboBox* c) { c->setCurrentIndex(-1); });
    return false;
}

void frmExportDataset::cboObsFrom_Click() {
    if (cboObsFrom->currentIndex() < 0) return;
    obsStartIndex = cboObsFrom->currentIndex();
    if (checkChosenField(cboObsFrom)) cboObsTo->setEnabled(true);
}

void frmExportDataset::cboObsTo_Click() {
    if (cboObsTo->currentIndex() < 0) return;
    obsEndIndex = cboObsTo->currentIndex();
    if (!checkChosenField(cboObsTo)) return;
    if (obsStartIndex <= obsEndIndex) {
        cboExpFrom->setEnabled(true);
        return;
    }
    dialogs().warning(kBadRange);
    quietly(cboObsTo, [](QComboBox* c) { c->setCurrentIndex(-1); });
}

void frmExportDataset::cboExpFrom_Click() {
    if (cboExpFrom->currentIndex() < 0) return;
    expStartIndex = cboExpFrom->currentIndex();
    if (checkChosenField(cboExpFrom)) cboExpTo->setEnabled(true);
}

void frmExportDataset::cboExpTo_Click() {
    if (cboExpTo->currentIndex() < 0) return;
    expEndIndex = cboExpTo->currentIndex();
    if (!checkChosenField(cboExpTo)) return;
    const char* problem = expStartIndex > expEndIndex                                   ? kBadRange
                          : expEndIndex - expStartIndex != obsEndIndex - obsStartIndex ? kUnequalRanges
                                                                                        : nullptr;
    if (!problem) return;
    dialogs().warning(problem);
    quietly(cboExpTo, [](QComboBox* c) { c->setCurrentIndex(-1); });
}

Matrix frmExportDataset::Compute(const StudyAreaState& area, int obsStart, int expStart, int periods, double sigma,
                                 modCusum::ZTransform transform) {
    if (!area.dbfRecordset) refuse("No attribute table is open.");
    const DbfTable& table = *area.dbfRecordset;
    const std::int32_t n = area.regionCount;
    if (table.RecordCount() != n)
        refuse("The attribute table holds " + std::to_string(table.RecordCount()) + " records but the shapefile has " +
               std::to_string(n) + " regions.");
    if (periods < 1 || obsStart < 0 || expStart < 0 || obsStart + periods > table.FieldCount() ||
        expStart + periods > table.FieldCount())
        refuse(kBadRange);
    const bool dividesByE = transform != modCusum::ZTransform::Standard;
    Matrix observed = Matrix::Zero(n + 1, periods + 1), expected = Matrix::Zero(n + 1, periods + 1);
    for (int t = 1; t <= periods; ++t) {
        for (int which = 0; which < 2; ++which) {
            const int field = (which == 0 ? obsStart : expStart) + t - 1;
            Matrix& into = which == 0 ? observed : expected;
            for (std::int32_t i = 1; i <= n; ++i) {
                double v = 0.0;
                if (const auto problem = countProblem(table.ValueAt(i, field), v))
                    refuse(*problem + " (field " + table.Fields()[static_cast<std::size_t>(field)].Name + ", record " +
                           std::to_string(i) + ")");
                if (which == 1 && dividesByE && v == 0.0)
                    refuse("The expected count of record " + std::to_string(i) + " in field " +
                           table.Fields()[static_cast<std::size_t>(field)].Name +
                           " is 0; the Poisson and Rossi z-values divide by it.");
                into(i, t) = v;
            }
        }
    }
    // One kernel serves every period.
    double exportSigma = sigma;
    const Matrix w = modCusum::CalcSpatialWeights(exportSigma, n, area.centroidTable, area.studyArea);
    return modCusum::SmoothedZValues(w, observed, expected, n, periods, transform);
}

void frmExportDataset::cmdExport_Click() {
    for (QComboBox* c : {cboObsFrom, cboObsTo, cboExpFrom, cboExpTo})
        if (c->currentIndex() < 0) {
            dialogs().warning(kNotSelected);
            return;
        }
    const auto sigma = parseNumber(txtSigma->text().toStdString());
    if (!sigma) {
        dialogs().warning("Bandwidth should be numeric.");
        return;
    }
    if (*sigma < 0.0) {
        dialogs().warning("Bandwidth should not be negative.");
        return;
    }
    const std::optional<modCusum::ZTransform> transform =
        optGeneric->isChecked()    ? std::optional(modCusum::ZTransform::Poisson)
        : optStandard->isChecked() ? std::optional(modCusum::ZTransform::Standard)
        : optRossi->isChecked()    ? std::optional(modCusum::ZTransform::Rossi)
                                   : std::nullopt;
    if (!transform) return;
    // The ranges as the lists hold them now: a later choice of the Obs
    // range was never tested against the Exp range.
    const int obsStart = cboObsFrom->currentIndex(), obsEnd = cboObsTo->currentIndex();
    const int expStart = cboExpFrom->currentIndex(), expEnd = cboExpTo->currentIndex();
    if (obsStart > obsEnd || expStart > expEnd) {
        dialogs().warning(kBadRange);
        return;
    }
    if (expEnd - expStart != obsEnd - obsStart) {
        dialogs().warning(kUnequalRanges);
        return;
    }
    const int periods = obsEnd - obsStart + 1;
    const std::int32_t n = ctx_.state.area.regionCount;
    std::vector<std::string> lines;
    try {
        lines = PeriodMatrixFile::Lines(Compute(ctx_.state.area, obsStart, expStart, periods, *sigma, *transform), n,
                                        periods);
    } catch (const AppError& e) {
        // The engine's own words for running out of memory speak of the cusum.
        if (e.number() == RuntimeErrors::OutOfMemory)
            dialogs().warning(kOutOfMemory);
        else
            dialogs().warning(e.source() == kSource ? e.description()
                                                    : "The z-values cannot be computed on these data: " + e.description());
        return;
    } catch (const std::bad_alloc&) {
        dialogs().warning(kOutOfMemory);
        return;
    }

    saveTextFile([&] { return lines; }, [](SaveStep, const std::string& file, const std::string& cause) {
        return "The z-values could not be written to \"" + file + "\": " + cause;
    });
}
