#pragma once
// "Open cusum (.csm) file": continues the cusum on polygon data from a saved
// cusum file. Open loads the file; OK runs the cusum window's road again on
// its data option and bandwidth, every region starting from its cusum in
// the last period of the loaded file; Exit closes the dialog. The Run of
// the cusum window with the start "Previous" opens it.

#include <QWidget>

#include "context/AppContext.h"

class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

class frmTxtFileOpen : public QWidget {
    Q_OBJECT
public:
    static constexpr WindowKind kind = WindowKind::MdiChild;
    static constexpr Qt::WindowFlags subWindowFlags = kFixedChildFlags;
    explicit frmTxtFileOpen(AppContext& ctx);

    void Form_Load();
    void cmdOpen_Click();
    void cmdOK_Click();
    void cmdExit_Click();

    // Selecting from code, as a user's choice does.
    void selectCurrent();
    void selectPreviousCurrent();

    QGroupBox* Frame2 = nullptr;
    QLineEdit* txtOpenFilePath = nullptr;
    QPushButton* cmdOpen = nullptr;
    QGroupBox* Frame1 = nullptr;
    QRadioButton* optCurrent = nullptr;
    QRadioButton* optPreviousCurrent = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdExit = nullptr;

private:
    AppContext& ctx_;
};
