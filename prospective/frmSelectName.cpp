#include "prospective/frmSelectName.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QMdiArea>
#include <QPushButton>

#include "platform/DbfTable.h"
#include "prospective/frmUnivariate.h"
#include "ui/Dialogs.h"
#include "ui/WindowParts.h"

namespace {

using WindowParts::control;
using WindowParts::onSignal;
using WindowParts::quietly;
using WindowParts::twips;

constexpr int kWidthTwips = 4380;
constexpr int kHeightTwips = 2520;

std::string trimmed(const std::string& s) {
    const auto a = s.find_first_not_of(' ');
    if (a == std::string::npos) return {};
    const auto b = s.find_last_not_of(' ');
    return s.substr(a, b - a + 1);
}

}  // namespace

frmSelectName::frmSelectName(AppContext& ctx) : ctx_(ctx) {
    setObjectName("frmSelectName");
    setWindowTitle("Select Name Fields");
    setFixedSize(twipsToPixels(kWidthTwips), twipsToPixels(kHeightTwips));

    Frame1 = WindowParts::captioned<QGroupBox>(this, "Frame1", "Select ID", twips(120, 60, 4140, 1755));
    chkPrimaryID = WindowParts::captioned<QCheckBox>(Frame1, "chkPrimaryID", "Primary ID  ---> e.g. county name",
                                                     twips(150, 300, 3800, 255));
    cmbName1 = control<QComboBox>(Frame1, "cmbName1", twips(390, 600, 3500, 315));
    chkSecondary = WindowParts::captioned<QCheckBox>(Frame1, "chkSecondary", "Secondary ID  ---> e.g. state name",
                                                     twips(150, 1000, 3800, 255));
    cmbName2 = control<QComboBox>(Frame1, "cmbName2", twips(390, 1300, 3500, 315));
    cmdOK = WindowParts::captioned<QPushButton>(this, "cmdOK", "OK", twips(1560, 1950, 1215, 375));

    onSignal(chkPrimaryID, &QCheckBox::clicked, this, [this] { chkPrimaryID_Click(); });
    onSignal(chkSecondary, &QCheckBox::clicked, this, [this] { chkSecondary_Click(); });
    onSignal(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    Form_Load();
}

void frmSelectName::Form_Load() {
    if (QMdiArea* area = ctx_.mdiArea()) {
        const QSize f = area->size();
        move(std::max(0, (f.width() - width()) / 2), std::max(0, (f.height() - height()) / 2));
    }
    cmbName1->clear();
    cmbName2->clear();
    if (const auto& table = ctx_.state.area.dbfRecordset) {
        for (const DbfField& f : table->Fields()) {
            cmbName1->addItem(QString::fromStdString(f.Name));
            cmbName2->addItem(QString::fromStdString(f.Name));
        }
    }
    cmbName1->setCurrentIndex(cmbName1->count() > 0 ? 0 : -1);
    cmbName2->setCurrentIndex(cmbName2->count() > 0 ? 0 : -1);
    quietly(chkPrimaryID, [](QCheckBox* c) { c->setChecked(true); });
    quietly(chkSecondary, [](QCheckBox* c) { c->setChecked(false); });
    cmbName1->setEnabled(true);
    cmbName2->setEnabled(false);
}

void frmSelectName::chkPrimaryID_Click() { cmbName1->setEnabled(chkPrimaryID->isChecked()); }

void frmSelectName::chkSecondary_Click() { cmbName2->setEnabled(chkSecondary->isChecked()); }

void frmSelectName::setPrimaryChecked(bool on) {
    quietly(chkPrimaryID, [on](QCheckBox* c) { c->setChecked(on); });
    chkPrimaryID_Click();
}

void frmSelectName::setSecondaryChecked(bool on) {
    quietly(chkSecondary, [on](QCheckBox* c) { c->setChecked(on); });
    chkSecondary_Click();
}

bool frmSelectName::pickField(QComboBox* combo, const std::string& field) {
    const int i = combo->findText(QString::fromStdString(field));
    if (i < 0) return false;
    combo->setCurrentIndex(i);
    return true;
}

void frmSelectName::cmdOK_Click() {
    AppState& s = ctx_.state;
    if (!chkPrimaryID->isChecked()) {
        dialogs().message("At least Primary ID should be specified!", "Warning!", MsgIcon::Critical, MsgButtons::OK);
        return;
    }
    const auto& table = s.area.dbfRecordset;
    if (!table || cmbName1->currentIndex() < 0 || (chkSecondary->isChecked() && cmbName2->currentIndex() < 0)) {
        dialogs().warning("The attribute table has no field to name the regions with.");
        return;
    }
    const std::string primary = trimmed(cmbName1->currentText().toStdString());
    const std::string secondary = chkSecondary->isChecked() ? trimmed(cmbName2->currentText().toStdString()) : "";
    const int field = table->FieldIndex(primary);
    if (field < 0) {
        dialogs().warning("The attribute table has no field named \"" + primary + "\".");
        return;
    }
    // A null value names its region with empty text; records beyond the
    // regions name nothing.
    TextArray ids(static_cast<std::size_t>(std::max(0, s.area.regionCount)) + 1);
    const std::int32_t records = std::min(table->RecordCount(), s.area.regionCount);
    for (std::int32_t r = 1; r <= records; ++r) ids[static_cast<std::size_t>(r)] = table->ValueAt(r, field).ToText();
    table->MoveFirst();

    s.cusum.primaryIdField = primary;
    s.cusum.secondaryIdField = secondary;
    s.cusum.cusumRegionIds = std::move(ids);

    AppContext& ctx = ctx_;  // this dialog is on its way out
    ctx.unload<frmSelectName>();
    ctx.show<frmUnivariate>();
}
