#pragma once
// Small study areas for the cluster test: a shapefile pair with its dBASE
// table written with shapelib, loaded into a context the way the open road
// loads it, inside a main frame made for the test.

#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "context/AppContext.h"
#include "retrospective/ClusterOptions.h"
#include "ui/Dialogs.h"
#include "tests/support/CountingPump.h"
#include "ui/EventPump.h"

class QPushButton;

namespace retro_test {

// One attribute column: numbers ("N" with decimals 0 = integer field) or
// text ("C"). An empty optional is a null value. A text given for a record
// of a number field is written into the file as it stands.
struct Field {
    std::string name;
    char type = 'N';
    int width = 10;
    int decimals = 0;
    std::vector<std::optional<double>> numbers;
    std::vector<std::optional<std::string>> texts;
};

// A number field whose records hold these texts as they stand in the file
// ("****", "1e400"), right-aligned in its width.
inline Field rawNumbers(const std::string& name, std::vector<std::optional<std::string>> v) {
    Field f;
    f.name = name;
    f.type = 'N';
    f.width = 12;
    f.decimals = 2;
    f.texts = std::move(v);
    return f;
}

struct Square {
    double x = 0.0, y = 0.0, size = 1.0;
};

// Writes base.shp/.shx/.dbf into dir; returns the .shp path.
std::string writeStudyArea(const std::string& dir, const std::string& base, const std::vector<Square>& squares,
                           const std::vector<Field>& fields);

// A grid of cols x rows unit squares, region k = row * cols + col + 1,
// with the fields POP (double), CASES (integer), OBS, EXP (double),
// NAME ("R<k>") and CODE (integer 100 + k).
struct GridData {
    std::vector<double> pop, cases, obs, exp;
};
std::string writeGrid(const std::string& dir, const std::string& base, int cols, int rows, const GridData& data);
// Deterministic counts with a cluster of cases in one corner.
GridData clusteredCounts(int n);

// A cluster window run as a user runs it: the test picked, one bandwidth or
// a range typed, Run clicked.
template <class Window>
void runClusterSingle(Window* w, ClusterTest test, const QString& sigma) {
    w->selectTest(test);
    w->selectSingleSigma();
    w->txtSingleSigma->setText(sigma);
    w->cmdRun_Click();
}
template <class Window>
void runClusterRange(Window* w, ClusterTest test, const QString& from, const QString& to, const QString& step) {
    w->selectTest(test);
    w->selectSigmaRange();
    w->txtFromSigma->setText(from);
    w->txtToSigma->setText(to);
    w->txtStep->setText(step);
    w->cmdRun_Click();
}

// The words of a list row or report line between its blanks.
std::vector<std::string> wordsOf(const std::string& line);

// The global lines both cluster windows show after a score run on the
// results in `e`: the U statistic with its two approximations and, for the
// adjusted test, the largest M and M*. Formatted here from the layouts, not
// by the windows' own line writers.
std::vector<std::string> expectedScoreGlobalLines(AppState& e, bool unadjusted);

// A test's main frame and the program-wide context around it, with
// scripted dialogs and a counting event pump installed.
class Harness {
public:
    Harness();
    ~Harness();

    AppContext ctx;
    std::shared_ptr<ScriptedDialogs> dlg;
    std::shared_ptr<CountingEventPump> pump;
    std::unique_ptr<QMainWindow> frame;
    QMdiArea* area = nullptr;

    // Loads the shapefile's regions, table, extent, areas and centroids
    // into the state (what the open road does before the data input).
    void openStudyArea(const std::string& shpPath);
    // Shows the data input modally and, inside it, picks the fields and
    // presses OK (what the open road does next), then draws the plain map.
    void inputPopCase(const std::string& popField, const std::string& caseField, const std::string& idField,
                      const std::string& secondIdField = {});
    void inputObsExp(const std::string& obsField, const std::string& expField, const std::string& idField);

    std::vector<std::string> messageTexts() const;
    void clearMessages();
};

// An option of a cluster window with its choice from code and the test
// selected afterwards, for a window that runs Rossi with one bandwidth.
struct OptionChoice {
    const char* name;
    QRadioButton* option;
    std::function<void()> choose;
    ClusterTest test;
};

// Chooses each option of a cluster window twice, by a click and from code,
// each time after `run` left a Rossi run with one bandwidth and `save` on.
// Either way the option is checked and tells its toggled listeners once
// when it changes, its click handler runs and turns `save` off (from code
// with no click signal, so the handler runs once), and `check` holds what
// the window itself does besides.
void expectOptionsActAsClicks(ClusterOptions& w, QPushButton* save, const std::function<void()>& run,
                              const std::function<void(const OptionChoice&)>& check);

}  // namespace retro_test
