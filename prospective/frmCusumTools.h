#pragma once
// The cusum threshold tool: the h that gives a wanted in-control average
// run length for a reference value k, for one region, for n regions with a
// Bonferroni correction, or for n regions smoothed with bandwidth sigma.
// It shares nothing with the cusum windows.

#include <QWidget>

#include "context/AppContext.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class frmCusumTools : public QWidget {
    Q_OBJECT
public:
    static constexpr WindowKind kind = WindowKind::MdiChild;

    explicit frmCusumTools(AppContext& ctx);

    // ---- Controls (objectNames are the control names) ----
    QGroupBox* Frame1 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* txtKvalue = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* txtNumRegion = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* txtSigma = nullptr;
    QLabel* lblARL0 = nullptr;
    QLineEdit* txtARL0 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QRadioButton* optOverallRegion = nullptr;
    QLineEdit* txtHvalue_NoAdjustment = nullptr;
    QRadioButton* optBonferroniCorrection = nullptr;
    QLineEdit* txtBonferroni_Correction = nullptr;
    QRadioButton* optAdjustForLocalStatistics = nullptr;
    QLineEdit* txtLocalStatistics = nullptr;
    QLabel* Label8[3] = {nullptr, nullptr, nullptr};
    QPushButton* cmdGetResult = nullptr;

    // ---- Handlers ----
    void Form_Load();
    void cmdGetResult_Click();

private:
    void buildControls();

    AppContext& ctx_;
};
