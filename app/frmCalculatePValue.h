#pragma once
// The p-value calculator: the p-value of a normal z-value, or of a
// chi-square statistic with its degrees of freedom, exactly as the result
// lists and reports compute them.

#include <QWidget>
#include <string>

#include "context/AppContext.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class frmCalculatePValue : public QWidget {
    Q_OBJECT
public:
    static constexpr WindowKind kind = WindowKind::MdiChild;

    explicit frmCalculatePValue(AppContext& ctx);

    // ---- Controls (objectNames are the control names) ----
    QRadioButton* optNormal = nullptr;
    QGroupBox* Frame2 = nullptr;
    QGroupBox* Frame6 = nullptr;
    QLabel* Label9 = nullptr;
    QLineEdit* txtInputNormalZScore = nullptr;
    QGroupBox* Frame7 = nullptr;
    QLabel* Label10 = nullptr;
    QLineEdit* txtInputZScore_PValue = nullptr;
    QRadioButton* optChiSquare = nullptr;
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame5 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* txtInputChiSquare = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* txtInputDF = nullptr;
    QGroupBox* Frame4 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* txtChiSquarePValue = nullptr;
    QPushButton* cmdCalculate = nullptr;
    QPushButton* cmdExit = nullptr;

    // ---- Handlers ----
    void Form_Load();
    // Runs when the chi-square option becomes the selected one, by a click
    // or from code.
    void optChiSquare_Click();
    void cmdCalculate_Click();
    void cmdExit_Click();

private:
    void buildControls();
    void calculateNormal();
    void calculateChiSquare();
    // Clears the chi-square result and says what is wrong with the input.
    void rejectChiSquare(const std::string& message);

    AppContext& ctx_;
};
