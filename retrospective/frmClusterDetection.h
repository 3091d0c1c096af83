#pragma once
// "Cluster Detection --- Score and M Statistic": the retrospective cluster
// test on polygon data. The analyst picks one of four tests, one bandwidth
// or a range, and the significance level; Run computes the test, lists the
// results and shades the map window; Save writes the text report.

#include <QWidget>
#include <string>

#include "context/AppContext.h"
#include "retrospective/ClusterLines.h"
#include "retrospective/ClusterOptions.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

class frmClusterDetection : public QWidget, public ClusterOptions {
    Q_OBJECT
public:
    static constexpr WindowKind kind = WindowKind::MdiChild;
    static constexpr Qt::WindowFlags subWindowFlags = kFixedChildFlags;
    explicit frmClusterDetection(AppContext& ctx);

    void Form_Load();
    void Form_Unload();
    void cmdRun_Click();
    void cmdSave_Click();
    void cmdDataReset_Click();
    void cmdExit_Click();
    void cboAlpha_Click() override;
    void optUnadjusted_Click() override;
    void optAdjusted_Generic_Click() override;
    void optStandard_Click() override;
    void optRossi_Click() override;
    void optSpatialSigmaRange_Click() override;
    void optSpatialSingleSigma_Click() override;
    void lstLocalPatternSummary_Click() override;
    void lstGlobalPatternSummary_Click() override;

    // The list writers of a single-bandwidth run: append the global and
    // local lines of the current results to the two lists.
    void ListUnadjustedScore();
    void ListAdjustedScore();
    void ListMStatistic();

    // The counts or the study area the shown results came from were
    // replaced (the data input committed counts, or another study area
    // opened): both lists are emptied, the statistics plot closes, the map
    // shows the plain outlines and Save is off until the next run.
    void countsReplaced();

    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame4 = nullptr;
    QGroupBox* Frame5 = nullptr;
    QLabel* picEquation = nullptr;
    QGroupBox* Frame6 = nullptr;
    QPushButton* cmdRun = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdDataReset = nullptr;
    QPushButton* cmdExit = nullptr;
    QGroupBox* fraSpatialEffect = nullptr;
    QGroupBox* Frame3 = nullptr;
    QGroupBox* fra = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QGroupBox* fraAlpha = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void runStart();
    // The map window (when open) back to the plain outlines without the
    // results' legend, tools and range controls; the statistics plot closed.
    void withdrawResults();
    void runSingle(const RunRequest& run) override;
    void runRange(const RunRequest& run) override;
    void appendLines(const ResultLines& lines);
    void showEquation(const char* fileName);
    // Follows the map's tools through the map hub.
    void connectMap();
    // The statistic the chosen test shades the map with.
    LegendStatistic legendStatistic() const;

    AppContext& ctx_;
    // The file name of the last saved report, offered by the next save.
    std::string lastSaveName_;
    bool unloaded_ = false;
};
