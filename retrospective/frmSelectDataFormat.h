#pragma once
// "Data Type": the small free-standing dialog of the cluster test on point
// data. The analyst says which two counts the point case file holds and
// picks the file; Continue reads it whole, and only a file that is valid
// throughout replaces the points and counts loaded before.

#include <QWidget>

#include "context/AppContext.h"

class QGroupBox;
class QPushButton;
class QRadioButton;

class frmSelectDataFormat : public QWidget {
    Q_OBJECT
public:
    static constexpr WindowKind kind = WindowKind::FreeStanding;
    explicit frmSelectDataFormat(AppContext& ctx);

    void Form_Load();
    void cmdContinue_Click();
    void cmdCancel_Click();

    QGroupBox* Frame1 = nullptr;
    QRadioButton* optPopCase = nullptr;
    QRadioButton* optObsExp = nullptr;
    QPushButton* cmdContinue = nullptr;
    QPushButton* cmdCancel = nullptr;

    // The file filter of the open dialog.
    static constexpr const char* kFilter = "Text Files (*.txt)|*.txt|All Files (*.*)|*.*|";

private:
    AppContext& ctx_;
};
