#pragma once
// "Univariate Cusum": the prospective test on polygon data. The analyst sets
// k, h and the bandwidth, takes the periods from a range of attribute
// fields or from a period matrix file, and runs the cusum; the run animates
// period by period on the map, in the maximum-cusum chart and in the period
// list, then lists the regions that signal in the period chosen. Save
// cusum writes the cusum file, Save result the report.

#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "context/AppContext.h"
#include "prospective/CusumRun.h"
#include "ui/EventPump.h"

class LineChart;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

class frmUnivariate : public QWidget {
    Q_OBJECT
public:
    static constexpr WindowKind kind = WindowKind::MdiChild;
    static constexpr Qt::WindowFlags subWindowFlags = kFixedChildFlags;
    explicit frmUnivariate(AppContext& ctx);

    // The waits of the animation and of a region's flash.
    static Wait periodWait(std::int32_t animationDelay);
    static constexpr Wait kFlash{0.15};

    void Form_Load();
    void Form_Unload();
    void cboStartZ_Click();
    void cboEndZ_Click();
    void optFieldSelection_Click();
    void optExistingTextfile_Click();
    void optZero_Click();
    void optPre_Click();
    void optFIR_Click();
    void cmdCalc_Click();
    void cmdSaveCusum_Click();
    void cmdSaveResult_Click();
    void lstPeriod_Click();
    void lstRegion_Click();

    // A continuation of a saved cusum: the road of Run on the data option
    // and the bandwidth set now, with k, h and the speed stored by the Run
    // that opened the continuation dialog.
    using Continuation = CusumRun::Continuation;
    void continueRun(const Continuation& from);

    // The period list's line for period p of the running animation.
    void listMaxCusum(std::int16_t p);
    // Fills lstRegion with the regions that signal in currentPeriod.
    void listSignaledRegion();

    // Selecting from code runs the handler once, as a user's choice does.
    void selectPeriodRow(int row);
    void selectRegionRow(int row);
    void selectStartField(int index);
    void selectEndField(int index);
    void selectFieldSelection();
    void selectExistingTextfile();
    void selectZero();
    void selectPrevious();
    void selectSpeed(QRadioButton* speed);

    // Another study area was opened for this test: the field lists are
    // filled from its table and the lists, saves, chart and tool "Graph"
    // are cleared; k, h, sigma and the options stay.
    void studyAreaOpened();
    // Stops a running animation (checked after its next wait).
    void cancelAnimation();
    bool animating() const noexcept { return animating_; }

    std::vector<std::string> periodLines() const;
    std::vector<std::string> regionLines() const;

    QGroupBox* Frame2 = nullptr;
    QLineEdit* txtKvalue = nullptr;
    QLabel* Label1_0 = nullptr;
    QLineEdit* txtHvalue = nullptr;
    QLabel* Label7 = nullptr;
    QLineEdit* txtSigma = nullptr;
    QLabel* Label11 = nullptr;
    QGroupBox* Frame5 = nullptr;
    QRadioButton* optFieldSelection = nullptr;
    QComboBox* cboStartZ = nullptr;
    QLabel* Label1_1 = nullptr;
    QComboBox* cboEndZ = nullptr;
    QLabel* Label2_1 = nullptr;
    QRadioButton* optExistingTextfile = nullptr;
    QGroupBox* Frame4 = nullptr;
    QRadioButton* optZero = nullptr;
    QRadioButton* optPre = nullptr;
    QRadioButton* optFIR = nullptr;
    QGroupBox* Frame7 = nullptr;
    QRadioButton* optFast = nullptr;
    QRadioButton* optMedium = nullptr;
    QRadioButton* optSlow = nullptr;
    QGroupBox* Frame3 = nullptr;
    LineChart* MSChart1 = nullptr;
    QLabel* Label14 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label13 = nullptr;
    QLabel* Label3 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QListWidget* lstPeriod = nullptr;
    QGroupBox* Frame6 = nullptr;
    QListWidget* lstRegion = nullptr;
    QLabel* lblY = nullptr;
    QGroupBox* Frame13 = nullptr;
    QPushButton* cmdCalc = nullptr;
    QPushButton* cmdSaveCusum = nullptr;
    QPushButton* cmdSaveResult = nullptr;

signals:
    // An animation started (true) or ended or was cancelled (false).
    void animatingChanged(bool on);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Checks the chosen range of period fields; false (after its message)
    // when it is not set or a field in it is not numeric throughout.
    bool checkFieldRange();
    // The periods of the data option; false when none were read (after the
    // message saying why, or a cancelled file dialog).
    bool readFieldPeriods(CusumRun::Periods& in);
    bool readTextPeriods(CusumRun::Periods& in);
    // The road shared by Run and the continuation, from the busy pointer
    // on; `sigmaRefusal`, when not empty, stops it with that message before
    // anything is read. The last run's lists, charts and map tools are
    // replaced only once the new run is computed whole.
    void runRoad(double k, double h, double sigma, const Continuation* from, const std::string& sigmaRefusal);
    // Starts `run` (a run's road) now, or, while a wait goes on, stops the
    // wait and starts it once the wait's handler has returned.
    void startRun(std::function<void()> run);
    // Clears what showed the last run, for the run committed now.
    void clearForNewRun();
    void animate(std::int32_t periods, const Continuation* from, bool fromText);
    // Ends a stopped animation on `period` (0: none shown yet), as if that
    // period's line had been chosen.
    void stopOnPeriodShown(std::int32_t period);
    // The flash and chart of the signalled region chosen (lstRegion_Click).
    void flashRegion();
    // Empties lstRegion without a choice of a line; no row was flashed since.
    void clearRegionList();
    // Makes the row of `region` (0-based) the chosen one of lstRegion, or
    // none when it is not listed, without running the list's handler: the
    // region is charted already.
    void showRowOf(std::int32_t region);
    // False when this window went or a newer run (or a close) cancelled
    // the animation of `generation`.
    bool stillRunning(std::uint64_t generation) const;
    void setAnimatingControls(bool on);
    // The maximum chart of `rows` rows whose first rows hold `before`
    // (1..size-1); updateMaxChart writes period p at row offset + p - 1.
    void setUpMaxChart(std::int32_t rows, const DoubleArray& before = {});
    void updateMaxChart(std::int32_t p, std::int32_t offset = 0);
    void fillFieldLists();
    // Checks one field in every record; false (after its message) when a
    // value is null or not a number.
    bool checkField(int fieldIndex);
    void selectOption(QRadioButton* option, void (frmUnivariate::*handler)());
    // A drawing of the map that cannot be made says why, once.
    template <class F>
    void onMap(F&& draw);

    AppContext& ctx_;
    std::uint64_t generation_ = 0;
    bool animating_ = false;
    bool unloaded_ = false;
    // Whether lstPeriod and lstRegion hold the lines of a finished or
    // running run (so that a choice in them has results to show).
    bool hasRun_ = false;
    // The region (0-based) of a flash that a Run stopped before it charted
    // it; -1 when none is owed.
    std::int32_t cutShortFlash_ = -1;
};
