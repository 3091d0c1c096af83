#pragma once
// What both cluster windows share, for polygons and for points: the four
// tests, one bandwidth or a range, and the significance level, with their
// selection from code; the two result lists with theirs; and the road of a
// Run from the typed bandwidths through the computation on a working copy
// to the point where the window shows and commits the results. Each window
// builds these controls where its layout puts them, connects them, and
// keeps its own click handlers.

#include <QRect>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "retrospective/ClusterLines.h"

struct AppState;
class FrameServices;
class QComboBox;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QWidget;

class ClusterOptions {
public:
    virtual ~ClusterOptions() = default;

    // The click handlers, each window's own.
    virtual void optUnadjusted_Click() = 0;
    virtual void optAdjusted_Generic_Click() = 0;
    virtual void optStandard_Click() = 0;
    virtual void optRossi_Click() = 0;
    virtual void optSpatialSingleSigma_Click() = 0;
    virtual void optSpatialSigmaRange_Click() = 0;
    virtual void cboAlpha_Click() = 0;
    virtual void lstGlobalPatternSummary_Click() = 0;
    virtual void lstLocalPatternSummary_Click() = 0;

    // Selecting from code runs the control's click handler once, as a
    // user's click does.
    void selectTest(ClusterTest test);
    void selectSingleSigma();
    void selectSigmaRange();
    // Picks entry `index` of the significance list.
    void selectAlpha(int index);
    // Selects a row of a result list and runs its click handler once, as a
    // user's click does. Rows count from 0; -1 selects nothing.
    void selectLocalRow(int row);
    void selectGlobalRow(int row);

    // The lines each list shows now.
    std::vector<std::string> globalLines() const;
    std::vector<std::string> localLines() const;

    // The first selected test option, in the order the options stand.
    ClusterTest selectedTest() const;

    // The significance levels 0.05 and 0.01, each once, none of them
    // picked; the text shown stays.
    void setAlphaLevels();
    // The levels the significance list offers: the only ones whose
    // critical values are known.
    static constexpr double kAlphaLevels[] = {0.05, 0.01};

    QRadioButton* optUnadjusted = nullptr;
    QRadioButton* optAdjusted_Generic = nullptr;
    QRadioButton* optStandard = nullptr;
    QRadioButton* optRossi = nullptr;
    QRadioButton* optSpatialSingleSigma = nullptr;
    QRadioButton* optSpatialSigmaRange = nullptr;
    QComboBox* cboAlpha = nullptr;
    QLineEdit* txtSingleSigma = nullptr;
    QLineEdit* txtFromSigma = nullptr;
    QLineEdit* txtToSigma = nullptr;
    QLineEdit* txtStep = nullptr;
    QListWidget* lstGlobalPatternSummary = nullptr;
    QListWidget* lstLocalPatternSummary = nullptr;

protected:
    struct BandwidthRange {
        double from = 0.0, to = 0.0, step = 0.0;
    };
    // What a click on Run asks for.
    struct RunRequest {
        ClusterTest test = ClusterTest::Unadjusted;
        bool range = false;
        double sigma = 0.0;  // one bandwidth, 1e-8 for a typed 0
        BandwidthRange bandwidths;
        std::int16_t count = 0;  // the number of bandwidths of the range
    };
    // How a window words a range of more bandwidths than a run can number:
    // with the count's own reason, or as an invalid range.
    enum class TooManyBandwidths { SayWhy, SayInvalidRange };
    // The run the options and the bandwidth boxes ask for, or none after
    // the warning that says what is wrong with the typed bandwidth or range
    // (and none when no bandwidth option is chosen).
    std::optional<RunRequest> requestedRun(TooManyBandwidths tooMany) const;
    // A click on Run: the run the options ask for, one bandwidth or a
    // range, under the busy pointer; after it a run over one bandwidth
    // leaves the arrow, a range the default pointer. A refused bandwidth
    // changes nothing: the last run's results stay until a run starts.
    //
    // The run is computed at the significance level the alpha box shows,
    // which `alpha` takes; a box that shows none of the levels offered
    // refuses the run with a warning that names them, so that no result
    // ever stands beside a level it was not computed at.
    void runRequested(FrameServices& frame, TooManyBandwidths tooMany, double& alpha);
    virtual void runSingle(const RunRequest& run) = 0;
    virtual void runRange(const RunRequest& run) = 0;
    // Empties both result lists without running their handlers and gives
    // them the list font.
    void clearResultLists();
    // A run's computation, `compute` on a working copy of `state`, which
    // the window then shows and commits. Refused, for its data, its
    // arithmetic or memory running out, it says why and gives none: nothing
    // the window shows, nor the state, has changed.
    static std::optional<AppState> computeRun(const AppState& state, const std::function<void(AppState&)>& compute);
    // The notice of an M* without a value, `count` times.
    static void showMCriticalNotices(std::int32_t count);

    static constexpr const char* kInvalidRange = "Ivalid range of bandwidth was input. Check the parameters!";
    // The bandwidth typed in `box` (0 taken as 1e-8), or none after the
    // warning that says what is wrong with it.
    static std::optional<double> singleBandwidth(const QLineEdit* box);
    // The range typed in the three boxes, or none after its warning.
    static std::optional<BandwidthRange> bandwidthRange(const QLineEdit* from, const QLineEdit* to,
                                                        const QLineEdit* step);
    // The significance list in `frame` at `geometry`, showing "0.05": a level
    // may be typed as well as picked, and a typed one joins no list.
    static QComboBox* alphaBox(QWidget* frame, QRect geometry);
    // A user's click on an option, or a pick from the significance list,
    // runs its handler; `window` owns the connections.
    void connectOptions(QWidget* window);
    // Sets `alpha` to the level the list shows, when that is a number.
    void readAlpha(double& alpha) const;
    // The level the alpha box shows, picked from its list or typed as one
    // of its levels ("0.01", "0.010"); none, after a warning that names the
    // levels offered, for any other text.
    std::optional<double> alphaShown() const;
    // Checks the option, then runs its click handler.
    void selectOption(QRadioButton* option, void (ClusterOptions::*handler)());
};
