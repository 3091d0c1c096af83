#pragma once
// "Cluster Detection --- Score and M test": the retrospective cluster test
// on point data. Load Data reads a point case file; Run draws the points,
// computes the chosen test for one bandwidth or a range, lists the results
// and shows them on the window's own point map with its class legend, or
// in its chart over the bandwidths; the map tools zoom, pan and identify
// the nearest point; Save writes the text report.
//
// The list clicks, the map tools and the report act on the last run as it
// was made (its test, bandwidth mode and number of points): after new data
// or another option they wait for the next run.

#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "context/AppContext.h"
#include "retrospective/ClusterLines.h"
#include "retrospective/ClusterOptions.h"

class LineChart;
class PointMap;
class PictureBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

class frmClusterDetectionTextfile : public QWidget, public ClusterOptions {
    Q_OBJECT
public:
    static constexpr WindowKind kind = WindowKind::MdiChild;
    static constexpr Qt::WindowFlags subWindowFlags = kFixedChildFlags;
    explicit frmClusterDetectionTextfile(AppContext& ctx);

    void Form_Load();
    void cmdLoadData_Click();
    void cmdRun_Click();
    void cmdSave_Click();
    void cmdExit_Click();
    void cboAlpha_Click() override;
    void optUnadjusted_Click() override;
    void optAdjusted_Generic_Click() override;
    void optStandard_Click() override;
    void optRossi_Click() override;
    void optSpatialSingleSigma_Click() override;
    void optSpatialSigmaRange_Click() override;
    void lstGlobalPatternSummary_Click() override;
    void lstLocalPatternSummary_Click() override;

    // The mouse on the point map: Button 1 is the left button; X and Y in
    // the map's pixels.
    void picPoint_MouseDown(int Button, int Shift, double X, double Y);
    void picPoint_MouseMove(int Button, int Shift, double X, double Y);
    void picPoint_MouseUp(int Button, int Shift, double X, double Y);
    void picPoint_Click();

    // The drawings of the point map and its legend.
    void DrawPointMap();
    void DrawPointResultMap();
    void DrawPointClassMap(const DoubleArray& values);
    void DrawLegend(DoubleArray& values, std::int16_t m);
    void HighlightPoint(std::int32_t i);

    // What the data-type dialog does once a point file was read: Run on,
    // Save off, and the last run's results go (both lists emptied, the
    // statistics plot and the legend cleared, the new points drawn plain).
    void pointDataLoaded();

    // Selects a map tool option (optZoomIn ... optIdentify) by its name.
    void selectTool(const char* name);

    // The last finished run, as the lists, tools and report read it.
    struct LastRun {
        bool valid = false;
        ClusterTest test = ClusterTest::Unadjusted;
        bool range = false;
        std::int32_t n = 0;
        std::int16_t bandwidths = 0;
    };
    const LastRun& lastRun() const noexcept { return lastRun_; }

    QGroupBox* Frame4 = nullptr;
    QGroupBox* Frame5 = nullptr;
    QLabel* picEquation = nullptr;
    QGroupBox* fraSpatialEffect = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QGroupBox* fraAlpha = nullptr;
    QGroupBox* Frame2 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame10 = nullptr;
    LineChart* MSChart1 = nullptr;
    QWidget* picMLegend = nullptr;
    QLabel* lblStats = nullptr;
    QLabel* lblCriticalStats = nullptr;
    QFrame* Line1 = nullptr;
    QFrame* Line2 = nullptr;
    QLineEdit* txtXTitle = nullptr;
    QWidget* picEachRegionInfo = nullptr;
    QLabel* lblEachRegionInfo = nullptr;
    QGroupBox* Frame7 = nullptr;
    QWidget* picMapDisplayTools = nullptr;
    QRadioButton* optZoomIn = nullptr;
    QRadioButton* optZoomOut = nullptr;
    QRadioButton* optPan = nullptr;
    QRadioButton* optFullExtent = nullptr;
    QRadioButton* optIdentify = nullptr;
    PointMap* picPoint = nullptr;
    PictureBox* picLegend = nullptr;
    QLabel* imgM_Legend = nullptr;
    QGroupBox* Frame6 = nullptr;
    QPushButton* cmdLoadData = nullptr;
    QPushButton* cmdRun = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdExit = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // What the last run shows goes as a run starts or the points are
    // replaced: both lists emptied, the chart, legend, M-class picture and
    // the map's tip of an identified point gone, the points drawn plain.
    void runStart();
    void runSingle(const RunRequest& run) override;
    void runRange(const RunRequest& run) override;
    // The run's computation on a working copy: the points measured as the
    // plain map would draw them (without drawing), checked, and computed.
    std::optional<AppState> computePointRun(const RunRequest& run, const std::function<void(AppState&)>& compute);
    void showChartGroup(bool show);
    void showEquation(const char* fileName);
    void showMLegendFor(ClusterTest test);
    // Any change of the options: Save off, and the last run no longer answers.
    void settingsChanged();
    // The current result on the map again, as the last run left it.
    void redrawResult();
    // The bandwidth of a range run whose row the global list has chosen
    // (0-based), or -1 when the row names none.
    int chosenBandwidth() const;
    // Empties the class legend beside the map.
    void clearLegend();
    // A drawing that failed (a map too far zoomed for pixel positions) is
    // reported, and the window goes on.
    template <class F>
    void drawing(F&& f);

    AppContext& ctx_;
    LastRun lastRun_;
    std::string lastSaveName_;
    bool unloaded_ = false;
};
