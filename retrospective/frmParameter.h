#pragma once
// "Data Input": which numeric fields of the attribute table hold the counts
// of the cluster test (population and cases, or observed and expected) and
// which fields identify the regions. OK checks the choice and every record,
// fills the program-wide counts and opens the cluster test window.
//
// Picks are staged in the dialog: the program-wide counts, IDs and the
// second-ID flag change only when OK succeeds, so closing the dialog or a
// refused OK leaves the data of the last successful OK in place.

#include <QWidget>
#include <optional>
#include <string>

#include "context/AppContext.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QPushButton;
class QRadioButton;

// The dialog's own variables, kept while it is closed.
struct frmParameterVars {
    std::string popFieldName;
    std::string caseFieldName;
    std::string obsFieldName;
    std::string expFieldName;
    std::string primaryIdFieldName;
    bool popCaseMode = false;
    bool obsExpMode = false;
};

// The counts, shares and IDs that OK read from the table, before they
// replace the ones held.
struct frmParameterCounts {
    bool popCase = true;
    bool secondOn = false;
    DoubleArray population, observed, expected, share;
    TextArray ids, ids2;
    double totalPopulation = 0.0, totalCases = 0.0;
    // The fields they were read from, as the combos name them.
    std::string primaryIdField, baseField, countField;
};

class frmParameter : public QWidget {
    Q_OBJECT
public:
    static constexpr WindowKind kind = WindowKind::FreeStanding;
    explicit frmParameter(AppContext& ctx);

    void Form_Load();
    void optPopCase_Click();
    void optObsExp_Click();
    void cboBasePopulation_Click();
    void cboCase_Click();
    void cboObs_Click();
    void cboExp_Click();
    void cboPrimaryID_Click();
    void cboSecondaryID_Click();
    void chkSecondaryID_Click();
    void cmdOK_Click();
    void Form_Unload();

    // Selecting from code runs the control's click handler once, as a user's pick does.
    void selectPopCase();
    void selectObsExp();
    void setSecondaryIdChecked(bool on);
    // Picks `fieldName` from the combo's list (false when the list has no such entry).
    bool pickField(QComboBox* combo, const std::string& fieldName);

    frmParameterVars& vars() { return ctx_.vars<frmParameterVars>(); }

    QGroupBox* fraDataFormat = nullptr;
    QRadioButton* optPopCase = nullptr;
    QGroupBox* fraBasePop = nullptr;
    QComboBox* cboBasePopulation = nullptr;
    QGroupBox* fraCase = nullptr;
    QComboBox* cboCase = nullptr;
    QRadioButton* optObsExp = nullptr;
    QGroupBox* fraObs = nullptr;
    QComboBox* cboObs = nullptr;
    QGroupBox* fraExp = nullptr;
    QComboBox* cboExp = nullptr;
    QGroupBox* FraID = nullptr;
    QGroupBox* fraPrimaryID = nullptr;
    QComboBox* cboPrimaryID = nullptr;
    QCheckBox* chkSecondaryID = nullptr;
    QGroupBox* fraSecondaryID = nullptr;
    QComboBox* cboSecondaryID = nullptr;
    QPushButton* cmdOK = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void setPopCaseControls(bool popCase);
    // OK's checks and the reading of the counts; nothing after a message.
    std::optional<frmParameterCounts> readData();
    // The counts read replace the ones held.
    void commitData(frmParameterCounts&& counts) noexcept;

    AppContext& ctx_;
    bool accepted_ = false;
    bool unloaded_ = false;
};
