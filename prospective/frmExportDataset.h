#pragma once
// "Export Dataset": turns observed and expected counts, held in two ranges
// of consecutive attribute fields (period t in the t-th field of each), into
// kernel-smoothed z-values per region and period by one of three z
// transforms, and writes them as a period matrix file that the cusum window
// runs on with its option "Existing text file".

#include <QWidget>

#include "context/AppContext.h"
#include "stats/modCusum.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class frmExportDataset : public QWidget {
    Q_OBJECT
public:
    static constexpr WindowKind kind = WindowKind::MdiChild;
    static constexpr Qt::WindowFlags subWindowFlags = kFixedChildFlags;
    explicit frmExportDataset(AppContext& ctx);

    void Form_Load();
    void cboObsFrom_Click();
    void cboObsTo_Click();
    void cboExpFrom_Click();
    void cboExpTo_Click();
    void cmdExport_Click();

    // Chooses the field at `index` (-1 for none) in a list and runs its
    // click handler once, as a user's choice does.
    void chooseField(QComboBox* list, int index);
    // Selects a z option from code.
    void selectOption(QRadioButton* option);
    // Another table was opened: the lists are filled from it afresh, with
    // no field chosen and the stored positions back at 0.
    void studyAreaOpened();

    // The smoothed z-values (0..N by 0..T) of T periods whose observed and
    // expected counts start at the table positions given; every field of
    // both ranges is checked first. Raises AppError with the text the
    // export shows when a count cannot be used.
    static Matrix Compute(const StudyAreaState& area, int obsStart, int expStart, int periods, double sigma,
                          modCusum::ZTransform transform);

    QGroupBox* Frame10 = nullptr;
    QGroupBox* Frame11 = nullptr;
    QComboBox* cboObsFrom = nullptr;
    QComboBox* cboObsTo = nullptr;
    QGroupBox* Frame12 = nullptr;
    QComboBox* cboExpFrom = nullptr;
    QComboBox* cboExpTo = nullptr;
    QGroupBox* Frame1 = nullptr;
    QLineEdit* txtSigma = nullptr;
    QGroupBox* Frame5 = nullptr;
    QRadioButton* optGeneric = nullptr;
    QRadioButton* optStandard = nullptr;
    QRadioButton* optRossi = nullptr;
    QPushButton* cmdExport = nullptr;

    // The list positions last chosen (0 until a list is first chosen).
    double obsStartIndex = 0.0, obsEndIndex = 0.0, expStartIndex = 0.0, expEndIndex = 0.0;

private:
    void fillFieldLists();
    // Checks the field named in `list` in every record; false (after its
    // message, with the list's choice emptied) when a value is null, not a
    // number or negative.
    bool checkChosenField(QComboBox* list);
    AppContext& ctx_;
};
