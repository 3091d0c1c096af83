#pragma once
// The options both cluster windows offer, for polygons and for points: the
// four tests, one bandwidth or a range, and the significance level, with
// their selection from code. Each window builds these controls where its
// layout puts them, connects them with connectOptions, and keeps its own
// click handlers.

#include <QRect>
#include <optional>

#include "retrospective/ClusterLines.h"

class QComboBox;
class QLineEdit;
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

    // Selecting from code runs the control's click handler once, as a
    // user's click does.
    void selectTest(ClusterTest test);
    void selectSingleSigma();
    void selectSigmaRange();
    // Picks entry `index` of the significance list.
    void selectAlpha(int index);

    // The first selected test option, in the order the options stand.
    ClusterTest selectedTest() const;

    // The significance levels 0.05 and 0.01, each once, none of them
    // picked; the text shown stays.
    void setAlphaLevels();

    QRadioButton* optUnadjusted = nullptr;
    QRadioButton* optAdjusted_Generic = nullptr;
    QRadioButton* optStandard = nullptr;
    QRadioButton* optRossi = nullptr;
    QRadioButton* optSpatialSingleSigma = nullptr;
    QRadioButton* optSpatialSigmaRange = nullptr;
    QComboBox* cboAlpha = nullptr;

protected:
    struct BandwidthRange {
        double from = 0.0, to = 0.0, step = 0.0;
    };
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
    // Checks the option, then runs its click handler.
    void selectOption(QRadioButton* option, void (ClusterOptions::*handler)());
};
