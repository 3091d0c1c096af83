#include "retrospective/frmParameter.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QMdiArea>
#include <QPushButton>
#include <QRadioButton>
#include <cmath>
#include <new>
#include <optional>

#include "platform/DbfTable.h"
#include "platform/Format.h"
#include "retrospective/frmClusterDetection.h"
#include "ui/Dialogs.h"
#include "ui/Twips.h"
#include "ui/WindowParts.h"

namespace {

constexpr int kInnerWidthTwips = 2055;
constexpr int kInnerHeightTwips = 6375;

using WindowParts::button;
using WindowParts::captioned;
using WindowParts::frameBox;
using WindowParts::onSignal;
using WindowParts::option;
using WindowParts::quietly;

QComboBox* dropDownCombo(QWidget* parent, const char* name) {
    auto* c = WindowParts::control<QComboBox>(parent, name, QRect(6, 17, 100, 22));
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    return c;
}

std::string comboText(const QComboBox* c) { return c->currentText().toStdString(); }

void emptyText(QComboBox* c) {
    quietly(c, [](QComboBox* box) {
        box->setCurrentIndex(-1);
        box->setEditText(QString());
    });
}

void setEnabledAll(std::initializer_list<QWidget*> widgets, bool on) {
    for (QWidget* w : widgets) w->setEnabled(on);
}

bool isCountType(int adoType) { return adoType == AdoType::adInteger || adoType == AdoType::adDouble; }

}  // namespace

frmParameter::frmParameter(AppContext& ctx) : ctx_(ctx) {
    setObjectName("frmParameter");
    setWindowTitle("Data Input");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(twipsToPixels(kInnerWidthTwips), twipsToPixels(kInnerHeightTwips));

    fraDataFormat = frameBox(this, "fraDataFormat", "Data Format", QRect(4, 2, 129, 252));
    optPopCase = option(fraDataFormat, "optPopCase", "Pop - Case", QRect(8, 18, 112, 18));
    fraBasePop = frameBox(fraDataFormat, "fraBasePop", "Pop", QRect(8, 38, 113, 46));
    cboBasePopulation = dropDownCombo(fraBasePop, "cboBasePopulation");
    fraCase = frameBox(fraDataFormat, "fraCase", "Case", QRect(8, 86, 113, 46));
    cboCase = dropDownCombo(fraCase, "cboCase");
    optObsExp = option(fraDataFormat, "optObsExp", "Obs - Exp", QRect(8, 136, 112, 18));
    fraObs = frameBox(fraDataFormat, "fraObs", "Obs.", QRect(8, 156, 113, 46));
    cboObs = dropDownCombo(fraObs, "cboObs");
    fraExp = frameBox(fraDataFormat, "fraExp", "Exp.", QRect(8, 202, 113, 46));
    cboExp = dropDownCombo(fraExp, "cboExp");

    FraID = frameBox(this, "FraID", "ID", QRect(4, 258, 129, 128));
    fraPrimaryID = frameBox(FraID, "fraPrimaryID", "Primary ID", QRect(8, 16, 113, 46));
    cboPrimaryID = dropDownCombo(fraPrimaryID, "cboPrimaryID");
    chkSecondaryID = captioned<QCheckBox>(FraID, "chkSecondaryID", "Secondary ID", QRect(8, 64, 112, 18));
    fraSecondaryID = frameBox(FraID, "fraSecondaryID", "Secondary ID", QRect(8, 80, 113, 46));
    cboSecondaryID = dropDownCombo(fraSecondaryID, "cboSecondaryID");

    cmdOK = button(this, "cmdOK", "&OK", QRect(30, 392, 77, 26));

    onSignal(optPopCase, &QRadioButton::clicked, this, [this] { optPopCase_Click(); });
    onSignal(optObsExp, &QRadioButton::clicked, this, [this] { optObsExp_Click(); });
    onSignal(cboBasePopulation, &QComboBox::activated, this, [this] { cboBasePopulation_Click(); });
    onSignal(cboCase, &QComboBox::activated, this, [this] { cboCase_Click(); });
    onSignal(cboObs, &QComboBox::activated, this, [this] { cboObs_Click(); });
    onSignal(cboExp, &QComboBox::activated, this, [this] { cboExp_Click(); });
    onSignal(cboPrimaryID, &QComboBox::activated, this, [this] { cboPrimaryID_Click(); });
    onSignal(cboSecondaryID, &QComboBox::activated, this, [this] { cboSecondaryID_Click(); });
    onSignal(chkSecondaryID, &QCheckBox::clicked, this, [this] { chkSecondaryID_Click(); });
    onSignal(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });

    Form_Load();
}

void frmParameter::Form_Load() {
    if (QMdiArea* area = ctx_.mainFrameLoader ? ctx_.mdiArea() : nullptr) {
        const QRect f = area->window()->frameGeometry();
        move(f.left() + (f.width() - frameGeometry().width()) / 2, f.top() + (f.height() - frameGeometry().height()) / 2);
    }

    if (const auto& table = ctx_.state.area.dbfRecordset) {
        for (const DbfField& field : table->Fields()) {
            const QString name = QString::fromStdString(field.Name);
            if (isCountType(field.Type))
                for (QComboBox* c : {cboBasePopulation, cboCase, cboObs, cboExp}) c->addItem(name);
            cboPrimaryID->addItem(name);
            cboSecondaryID->addItem(name);
        }
    }
    for (QComboBox* c : {cboBasePopulation, cboCase, cboObs, cboExp, cboPrimaryID, cboSecondaryID}) emptyText(c);

    // Every opening starts from one ID field and "Pop - Case".
    setSecondaryIdChecked(false);
    optPopCase->setEnabled(true);
    selectPopCase();
}

void frmParameter::setPopCaseControls(bool popCase) {
    setEnabledAll({fraBasePop, cboBasePopulation, fraCase, cboCase}, popCase);
    setEnabledAll({fraObs, cboObs, fraExp, cboExp}, !popCase);
    if (popCase) {
        emptyText(cboObs);
        emptyText(cboExp);
    } else {
        emptyText(cboBasePopulation);
        emptyText(cboCase);
    }
}

void frmParameter::optPopCase_Click() {
    vars().popCaseMode = true;
    vars().obsExpMode = false;
    setPopCaseControls(true);
}

void frmParameter::optObsExp_Click() {
    vars().obsExpMode = true;
    vars().popCaseMode = false;
    setPopCaseControls(false);
}

void frmParameter::selectPopCase() {
    quietly(optPopCase, [](QRadioButton* o) { o->setChecked(true); });
    optPopCase_Click();
}

void frmParameter::selectObsExp() {
    quietly(optObsExp, [](QRadioButton* o) { o->setChecked(true); });
    optObsExp_Click();
}

void frmParameter::setSecondaryIdChecked(bool on) {
    quietly(chkSecondaryID, [on](QCheckBox* c) { c->setChecked(on); });
    chkSecondaryID_Click();
}

bool frmParameter::pickField(QComboBox* combo, const std::string& fieldName) {
    const int i = combo->findText(QString::fromStdString(fieldName), Qt::MatchFixedString);
    if (i < 0) return false;
    quietly(combo, [i](QComboBox* c) { c->setCurrentIndex(i); });
    if (combo == cboBasePopulation) cboBasePopulation_Click();
    else if (combo == cboCase) cboCase_Click();
    else if (combo == cboObs) cboObs_Click();
    else if (combo == cboExp) cboExp_Click();
    else if (combo == cboPrimaryID) cboPrimaryID_Click();
    else if (combo == cboSecondaryID) cboSecondaryID_Click();
    return true;
}

void frmParameter::cboBasePopulation_Click() { vars().popFieldName = comboText(cboBasePopulation); }
void frmParameter::cboCase_Click() { vars().caseFieldName = comboText(cboCase); }
void frmParameter::cboObs_Click() { vars().obsFieldName = comboText(cboObs); }
void frmParameter::cboExp_Click() { vars().expFieldName = comboText(cboExp); }
// The ID values are read when OK accepts the data, so that a pick alone
// changes nothing the test window shows or saves.
void frmParameter::cboPrimaryID_Click() { vars().primaryIdFieldName = comboText(cboPrimaryID); }
void frmParameter::cboSecondaryID_Click() {}

void frmParameter::chkSecondaryID_Click() {
    // The frame's state is the staged second-ID choice that OK reads.
    const bool on = chkSecondaryID->isChecked();
    setEnabledAll({fraSecondaryID, cboSecondaryID}, on);
    if (!on) emptyText(cboSecondaryID);
}

void frmParameter::cmdOK_Click() {
    std::optional<frmParameterCounts> counts;
    try {
        counts = readData();
        if (!counts) return;
        // The test window the counts are for is made before they replace
        // the ones held: memory that runs out while it is built refuses OK
        // with nothing changed, as it does while the records are read.
        ctx_.load<frmClusterDetection>();
    } catch (const std::bad_alloc&) {
        dialogs().warning("There is not enough memory left to read the data of the attribute table \"" +
                          ctx_.state.area.dbfPath + "\". The data read before are kept.");
        return;
    }
    commitData(std::move(*counts));
    accepted_ = true;
    ctx_.unload<frmParameter>();
    ctx_.show<frmClusterDetection>();
}

std::optional<frmParameterCounts> frmParameter::readData() {
    Dialogs& d = dialogs();
    const bool secondOn = fraSecondaryID->isEnabled();
    const bool popCase = optPopCase->isChecked();
    {
        auto empty = [](QComboBox* c) { return c->currentText().isEmpty(); };
        bool missing = empty(cboPrimaryID) || (secondOn && empty(cboSecondaryID));
        missing = missing || (popCase ? empty(cboBasePopulation) || empty(cboCase) : empty(cboObs) || empty(cboExp));
        if (missing) {
            if (!secondOn)
                d.warning(popCase ? "You should set 'Pop-Case' and 'ID'." : "You should set 'Obs-Exp' and 'ID'.");
            else
                d.warning(popCase ? "You should set 'Pop-Case', 'Primary ID' and 'Secondary ID'."
                                  : "You should set 'Obs-Exp', 'Primary ID' and 'Secondary ID'.");
            return std::nullopt;
        }
    }

    const std::shared_ptr<DbfTable> table = ctx_.state.area.dbfRecordset;
    if (!table) {
        d.warning("No attribute table is open. Open a polygon shapefile with its .dbf table first.");
        return std::nullopt;
    }

    // The fields as the combos show them: a typed name must name a field.
    auto fieldOf = [&](QComboBox* c, bool count, int& index) {
        const std::string name = comboText(c);
        index = table->FieldIndex(name);
        if (index < 0) {
            d.warning("The attribute table has no field named '" + name + "'. Pick a field from the list.");
            return false;
        }
        if (count && !isCountType(table->Field(index).Type)) {
            d.warning("The field '" + name + "' does not hold numbers. Pick a numeric field from the list.");
            return false;
        }
        return true;
    };
    int baseField = -1, countField = -1, idField = -1, id2Field = -1;
    // "Pop - Case": base = population, count = cases; "Obs - Exp": base = expected, count = observed.
    if (popCase) {
        if (!fieldOf(cboBasePopulation, true, baseField) || !fieldOf(cboCase, true, countField)) return std::nullopt;
    } else {
        if (!fieldOf(cboObs, true, countField) || !fieldOf(cboExp, true, baseField)) return std::nullopt;
    }
    if (!fieldOf(cboPrimaryID, false, idField)) return std::nullopt;
    if (secondOn && !fieldOf(cboSecondaryID, false, id2Field)) return std::nullopt;

    const std::int32_t n = ctx_.state.area.regionCount;
    if (table->RecordCount() != n) {
        d.warning("The attribute table has " + std::to_string(table->RecordCount()) + " records but the shapefile has " +
                  std::to_string(n) + " regions. Every region needs exactly one record.");
        return std::nullopt;
    }

    // Every record, in table order: the invalid test first, then the null test.
    const auto size = static_cast<std::size_t>(n) + 1;
    DoubleArray population(size, 0.0), observed(size, 0.0), expected(size, 0.0), share(size, 0.0);
    double totalPopulation = 0.0, totalCases = 0.0;
    for (std::int32_t k = 1; k <= n; ++k) {
        const DbfValue base = table->ValueAt(k, baseField);
        const DbfValue count = table->ValueAt(k, countField);
        // A text that is no number is named with its record and field.
        for (const auto& [v, field] : {std::pair{&base, baseField}, std::pair{&count, countField}}) {
            if (!v->IsInvalid()) continue;
            d.warning("Data include invalid values. Record " + std::to_string(k) + " of the field '" +
                      table->Field(field).Name + "' holds " + v->InvalidText() + ". Check data and try again!");
            return std::nullopt;
        }
        auto invalidNumber = [](const DbfValue& v) {
            return !v.IsNull() && (!v.IsNumber() || !std::isfinite(v.number));
        };
        const bool invalid = invalidNumber(base) || invalidNumber(count) || (base.IsNumber() && base.number <= 0.0) ||
                             (count.IsNumber() && count.number < 0.0);
        if (invalid) {
            d.warning("Data include invalid values. Check data and try again!");
            return std::nullopt;
        }
        if (base.IsNull() || count.IsNull()) {
            d.warning("Data include null values. Check data and try again!");
            return std::nullopt;
        }
        const auto i = static_cast<std::size_t>(k);
        observed[i] = count.number;
        if (popCase) {
            population[i] = base.number;
            totalPopulation += base.number;
        } else {
            expected[i] = base.number;
        }
        totalCases += observed[i];
    }

    TextArray ids(size), ids2(size);
    auto readId = [&](std::int32_t k, int field, const QComboBox* combo, TextArray& out) {
        const DbfValue v = table->ValueAt(k, field);
        if (v.IsNull()) {
            d.warning("The ID field '" + comboText(combo) + "' has no value in record " + std::to_string(k) +
                      ". Choose an ID field that names every region.");
            return false;
        }
        out[static_cast<std::size_t>(k)] = v.ToText();
        return true;
    };
    for (std::int32_t k = 1; k <= n; ++k) {
        if (!readId(k, idField, cboPrimaryID, ids)) return std::nullopt;
        if (secondOn && !readId(k, id2Field, cboSecondaryID, ids2)) return std::nullopt;
    }

    if (!std::isfinite(totalCases) || (popCase && !std::isfinite(totalPopulation))) {
        const char* what = !std::isfinite(totalCases) ? (popCase ? "case counts" : "observed counts") : "populations";
        d.warning(std::string("The ") + what +
                  " add up to more than this program can hold. Check the data (a value may be far too large).");
        return std::nullopt;
    }
    if (!(totalCases > 0.0)) {
        d.warning(popCase ? "The case counts add up to 0. The test needs at least one case."
                          : "The observed counts add up to 0. The test needs at least one observed case.");
        return std::nullopt;
    }
    // Every expected count and share is a finite positive number, or the
    // record and field of the value that keeps it from being one are named:
    // a product that leaves the doubles, or a quotient that falls to 0,
    // would stop the run later with a cause that is not the real one.
    auto refuseAt = [&](std::size_t record, int field, const char* how, double value, const char* totals,
                        double total, std::size_t region, const std::string& what) {
        d.warning(std::string("Data include values too ") + how + " to compute with. Record " +
                  std::to_string(record) + " of the field '" + table->Field(field).Name + "' holds " +
                  formatGeneralDisplay(value) + " and the " + totals + " add up to " + formatGeneralDisplay(total) +
                  ": the expected count of region " + std::to_string(region) + " " + what +
                  ". Check data and try again!");
    };
    auto refuse = [&](std::size_t i, const char* how, double value, const char* totals, double total,
                      const std::string& what) { refuseAt(i, baseField, how, value, totals, total, i, what); };
    // When the count total is the extreme factor of a quotient or product
    // that leaves the doubles, the record that holds most of it is the one
    // to mend, not the region whose expected count met it first.
    auto largestCount = [&] {
        std::size_t at = 1;
        for (std::size_t k = 2; k < size; ++k)
            if (observed[k] > observed[at]) at = k;
        return at;
    };
    for (std::size_t i = 1; i < size; ++i) {
        if (popCase) {
            const double product = totalCases * population[i];
            expected[i] = product / totalPopulation;
            share[i] = population[i] / totalPopulation;
            if (!std::isfinite(product) || !std::isfinite(expected[i])) {
                // The larger of the two factors is the one beyond reason:
                // a population, or the case total and so its largest count.
                if (population[i] >= totalCases) {
                    refuse(i, "large", population[i], "case counts", totalCases,
                           "is derived from their product, which is beyond what this program can hold");
                } else {
                    const std::size_t k = largestCount();
                    refuseAt(k, countField, "large", observed[k], "case counts", totalCases, i,
                             "is derived from that total times the population of region " + std::to_string(i) + " (" +
                                 formatGeneralDisplay(population[i]) +
                                 "), which is beyond what this program can hold");
                }
                return std::nullopt;
            }
            if (!(expected[i] > 0.0) || !(share[i] > 0.0)) {
                refuse(i, "small", population[i], "populations", totalPopulation, "derived from them comes to 0");
                return std::nullopt;
            }
        } else {
            share[i] = expected[i] / totalCases;
            if (!std::isfinite(share[i])) {
                // The expected count is beyond reason when it is further
                // from 1 than the observed total is, else that total is.
                if (expected[i] * totalCases >= 1.0) {
                    refuse(i, "large", expected[i], "observed counts", totalCases,
                           "divided by that total is beyond what this program can hold");
                } else {
                    const std::size_t k = largestCount();
                    refuseAt(k, countField, "small", observed[k], "observed counts", totalCases, i,
                             "(" + formatGeneralDisplay(expected[i]) +
                                 ") divided by that total is beyond what this program can hold");
                }
                return std::nullopt;
            }
            if (!(share[i] > 0.0)) {
                refuse(i, "small", expected[i], "observed counts", totalCases, "divided by that total comes to 0");
                return std::nullopt;
            }
        }
    }

    frmParameterCounts c;
    c.popCase = popCase;
    c.secondOn = secondOn;
    c.population = std::move(population);
    c.observed = std::move(observed);
    c.expected = std::move(expected);
    c.share = std::move(share);
    c.ids = std::move(ids);
    c.ids2 = std::move(ids2);
    c.totalPopulation = totalPopulation;
    c.totalCases = totalCases;
    c.primaryIdField = comboText(cboPrimaryID);
    c.baseField = comboText(popCase ? cboBasePopulation : cboExp);
    c.countField = comboText(popCase ? cboCase : cboObs);
    return c;
}

void frmParameter::commitData(frmParameterCounts&& c) noexcept {
    AppState& s = ctx_.state;
    frmParameterVars& v = vars();  // the window's variables exist from its load on
    if (c.popCase) {
        s.retro.population = std::move(c.population);
        s.retro.totalPopulation = c.totalPopulation;
    } else {
        s.retro.totalPopulation = 0.0;
    }
    s.retro.observed = std::move(c.observed);
    s.retro.expected = std::move(c.expected);
    s.retro.expectedShare = std::move(c.share);
    s.retro.totalCases = c.totalCases;
    s.retro.primaryIds = std::move(c.ids);
    if (c.secondOn) s.retro.secondaryIds = std::move(c.ids2);
    s.retro.secondaryIdOn = c.secondOn;
    s.retro.countsGeneration = s.area.generation;
    // Results computed from the counts before no longer belong to them.
    s.retro.resultsGeneration = -1;

    // Moves only, as above: the commit cannot fail half-way.
    v.primaryIdFieldName = std::move(c.primaryIdField);
    if (c.popCase) {
        v.popFieldName = std::move(c.baseField);
        v.caseFieldName = std::move(c.countField);
    } else {
        v.expFieldName = std::move(c.baseField);
        v.obsFieldName = std::move(c.countField);
    }
}

void frmParameter::Form_Unload() {
    // Closing without a successful OK leaves the counts, and any open test
    // window with its results, as they were.
    if (!accepted_) return;
    const frmParameterVars& v = vars();
    if (v.popFieldName.empty() || v.caseFieldName.empty() || v.obsFieldName.empty() || v.expFieldName.empty() ||
        v.primaryIdFieldName.empty()) {
        ctx_.state.shared.retroMapMode = false;
        ctx_.state.shared.cusumMapMode = false;
    }
    frmClusterDetection* test = ctx_.load<frmClusterDetection>();
    test->setAlphaLevels();
    ctx_.state.retro.alpha = 0.05;
    test->countsReplaced();
}

void frmParameter::closeEvent(QCloseEvent* event) {
    if (!unloaded_) {
        unloaded_ = true;
        Form_Unload();
    }
    event->accept();
}
