#pragma once
// The cusum window for point data: reads a point coordinate file, for a
// continuation a saved cusum file, and a file of new z-scores; runs the
// cusum of every point from zero or from the saved cusums and animates it
// period by period on its own point map, with the period list, the
// signalled points, the maximum chart and one point's chart; its map tools
// zoom, pan, select the points in a circle and identify the nearest point;
// it saves the cusums and a report.

#include <QWidget>
#include <functional>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "context/AppContext.h"
#include "prospective/PointCusum.h"
#include "ui/EventPump.h"

class LineChart;
class PointMap;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QWidget;

class frmUnivariateCusumTextfile : public QWidget {
    Q_OBJECT
public:
    static constexpr WindowKind kind = WindowKind::MdiChild;
    static constexpr double kStartZoom = 1.0;
    static constexpr double kZoomStep = 0.15;

    explicit frmUnivariateCusumTextfile(AppContext& ctx);
    ~frmUnivariateCusumTextfile() override;

    // ---- Controls (objectNames are the control names) ----
    QGroupBox* FrameLoad = nullptr;   // Frame4(1) "Load Data"
    QGroupBox* FrameStart = nullptr;  // Frame4(0) "Start option"
    QLabel* Label3 = nullptr;
    QLineEdit* txtIDXY = nullptr;
    QPushButton* cmdFileOpenIDXY = nullptr;
    QLabel* lblOldCusum = nullptr;
    QLineEdit* txtOldCusum = nullptr;
    QPushButton* cmdOldCusum = nullptr;
    QLabel* lblNewZ = nullptr;
    QLineEdit* txtNewZScore = nullptr;
    QPushButton* cmdNewZScore = nullptr;
    QRadioButton* optZero = nullptr;
    QRadioButton* optPre = nullptr;
    QRadioButton* optFIR = nullptr;
    QGroupBox* Frame2 = nullptr;
    QLineEdit* txtKvalue = nullptr;
    QLineEdit* txtHvalue = nullptr;
    QLineEdit* txtSigma = nullptr;
    QGroupBox* Frame9 = nullptr;
    QRadioButton* optFast = nullptr;
    QRadioButton* optMedium = nullptr;
    QRadioButton* optSlow = nullptr;
    QPushButton* cmdRun = nullptr;
    QPushButton* cmdSaveCusum = nullptr;
    QPushButton* cmdSaveResult = nullptr;
    QGroupBox* Frame1 = nullptr;
    QWidget* picPeriod = nullptr;
    QLabel* lblY = nullptr;
    QWidget* picMapDisplayTools = nullptr;
    QRadioButton* optZoomIn = nullptr;
    QRadioButton* optZoomOut = nullptr;
    QRadioButton* optPan = nullptr;
    QRadioButton* optFullExtent = nullptr;
    QRadioButton* optMeasureDistance = nullptr;
    QRadioButton* optIdentify = nullptr;
    QWidget* picLegend = nullptr;
    std::array<QLabel*, 5> lblLeg{};
    PointMap* picPoint = nullptr;
    QLabel* lblDisplay = nullptr;
    QGroupBox* Frame3 = nullptr;
    QListWidget* lstPeriod = nullptr;
    QGroupBox* Frame5 = nullptr;
    QListWidget* lstRegion = nullptr;
    QGroupBox* Frame7 = nullptr;
    LineChart* MSChart1 = nullptr;
    QGroupBox* Frame10 = nullptr;
    LineChart* MSChart2 = nullptr;
    QWidget* picEachRegionInfo = nullptr;
    QLabel* lblEachRegionInfo = nullptr;

    // ---- Handlers ----
    void Form_Load();
    void optZero_Click();
    void optPre_Click();
    void cmdFileOpenIDXY_Click();
    void cmdOldCusum_Click();
    void cmdNewZScore_Click();
    void cmdRun_Click();
    void cmdSaveCusum_Click();
    void cmdSaveResult_Click();
    void lstPeriod_Click();
    void lstRegion_Click();
    void optMeasureDistance_Click();
    void optIdentify_Click();
    void picPoint_MouseDown(int Button, int Shift, double X, double Y);
    void picPoint_MouseMove(int Button, int Shift, double X, double Y);
    void picPoint_MouseUp(int Button, int Shift, double X, double Y);
    void picPoint_Click();

    // Whether a run's animation is going on.
    bool animating() const noexcept { return animating_; }
    // The wait before each period of the animation for a speed option.
    static Wait periodWait(int speed);

    PointCusumVars& vars() { return v_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Asks for a text file and reads it with `read` (which commits only what
    // it read whole); shows the file's name in `box`. False when nothing was
    // chosen or the file was refused, after the message saying why (behind
    // `refused`).
    bool chooseAndRead(QLineEdit* box, const std::function<void(const std::string&)>& read,
                       const std::string& refused = {});
    void buildControls();
    void resetForStart();
    // The run (cmdRun_Click): checks and computes, then draws the points
    // and animates.
    void run();
    // The periods of the run just committed, one per wait of `delay`:
    // map, maximum chart, list line and label.
    void animate(const std::vector<std::string>& lines, int delay);
    void setAnimating(bool on);
    bool stillRunning(std::uint64_t generation) const;
    void selectPeriodRow(int row);
    void showPeriod(std::int32_t period);
    void chartPoint(std::int32_t point);
    void drawPeriodMap();
    template <class F>
    void drawing(F&& f);

    AppContext& ctx_;
    PointCusumVars& v_;
    bool animating_ = false;
    bool unloaded_ = false;
    std::uint64_t generation_ = 0;
    Eigen::MatrixXd chart1Data_;
};
