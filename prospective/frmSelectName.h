#pragma once
// "Select Name Fields": the attribute fields that name the regions in the
// cusum results. Its OK stores the primary and secondary field names and
// the primary field's text of every region, closes the dialog and opens
// the cusum window.

#include <QWidget>

#include "context/AppContext.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QPushButton;

class frmSelectName : public QWidget {
    Q_OBJECT
public:
    static constexpr WindowKind kind = WindowKind::MdiChild;
    static constexpr Qt::WindowFlags subWindowFlags = kFixedChildFlags;
    explicit frmSelectName(AppContext& ctx);

    void Form_Load();
    void chkPrimaryID_Click();
    void chkSecondary_Click();
    void cmdOK_Click();

    // Ticks or clears a check box from code and runs its click handler once.
    void setPrimaryChecked(bool on);
    void setSecondaryChecked(bool on);
    // Chooses the entry named `field` in a combo box; false when none is.
    bool pickField(QComboBox* combo, const std::string& field);

    QGroupBox* Frame1 = nullptr;
    QCheckBox* chkPrimaryID = nullptr;
    QComboBox* cmbName1 = nullptr;
    QCheckBox* chkSecondary = nullptr;
    QComboBox* cmbName2 = nullptr;
    QPushButton* cmdOK = nullptr;

private:
    AppContext& ctx_;
};
