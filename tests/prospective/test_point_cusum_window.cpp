// The point cusum window driven as a user drives it: the three files, the
// run from zero and continued, the animation with its locked controls, the
// lists and charts, the map tools and both saves.
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineSeries>
#include <QMouseEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTest>

#include <fstream>
#include <functional>
#include <map>
#include <new>
#include <sstream>
#include <tuple>
#include <utility>

#include "map/PointMap.h"
#include "platform/Format.h"
#include "prospective/frmUnivariateCusumTextfile.h"
#include "stats/modFunctions.h"
#include "tests/app/ToolsFixture.h"
#include "tests/support/AllocationLimit.h"
#include "tests/support/DialogsOutOfMemory.h"
#include "tests/support/ImageColours.h"
#include "tests/support/PointHull.h"
#include "tests/support/RealClick.h"
#include "tests/support/RingPixels.h"
#include "tests/support/StoppedSteps.h"
#include "tests/support/CountingPump.h"
#include "ui/EventPump.h"
#include "ui/LineChart.h"
#include "tests/prospective/CusumFixture.h"

using namespace toolsfixture;

namespace {

using cusum_test::readBytes;
using cusum_test::writeBytes;


// Points i = 1..n at (1.3 i, 0.7 i + 3), on one line up to the rounding of
// their coordinates, and a z-score of 0 for each.
std::string slantedLine(int n) {
    std::string out;
    for (int i = 1; i <= n; ++i)
        out += "P" + std::to_string(i) + "," + formatGeneral(1.3 * i) + "," + formatGeneral(0.7 * i + 3) + "\n";
    return out;
}
std::string zeros(int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += "0\n";
    return out;
}

// The three points of the run tests (see test_point_cusum.cpp).
const char* kCoords = "P1,0,0\r\nP2,10,0\r\nP3,0,10\r\n";
const char* kZ = "1,1,-3\r\n0.5,2.5,0.2\r\n3,0,0\r\n";
const char* kZNext = "1,0\n0,0\n0.5,3\n";

class PointCusumWindow : public ToolsTest {
protected:
    void SetUp() override {
        ToolsTest::SetUp();
        pump = std::make_shared<CountingEventPump>();
        installEventPump(pump);
        dir = scratchDir("point-cusum-window");
        coords = file("points.txt", kCoords);
        z = file("z.txt", kZ);
        w = ctx.show<frmUnivariateCusumTextfile>();
        w->txtHvalue->setText("1.4");
    }
    void TearDown() override {
        installEventPump(std::make_shared<CountingEventPump>());
        ToolsTest::TearDown();
    }
    std::string file(const std::string& name, const std::string& bytes) {
        const std::string path = dir + "/" + name;
        writeBytes(path, bytes);
        return path;
    }
    void open(QPushButton* button, const std::string& path) {
        dialogs().queueFile(path);
        button->click();
    }
    void runFromZero() {
        open(w->cmdFileOpenIDXY, coords);
        open(w->cmdNewZScore, z);
        w->cmdRun->click();
    }
    std::vector<std::string> lines(QListWidget* l) const {
        std::vector<std::string> out;
        for (int i = 0; i < l->count(); ++i) out.push_back(l->item(i)->text().toStdString());
        return out;
    }
    std::string text(QLineEdit* t) const { return t->text().toStdString(); }

    std::shared_ptr<CountingEventPump> pump;
    std::string dir, coords, z;
    frmUnivariateCusumTextfile* w = nullptr;
};

}  // namespace

TEST_F(PointCusumWindow, OpensInTheResetStateOfTheZeroStart) {
    EXPECT_EQ(w->windowTitle().toStdString(), "Univariate cusum");
    EXPECT_TRUE(w->optZero->isChecked());
    EXPECT_TRUE(w->optFast->isChecked());
    EXPECT_FALSE(w->optFIR->isEnabled());
    EXPECT_EQ(text(w->txtKvalue), "0.5");
    EXPECT_EQ(text(w->txtSigma), "0");
    EXPECT_TRUE(w->cmdFileOpenIDXY->isEnabled());
    for (QWidget* off : {static_cast<QWidget*>(w->cmdOldCusum), static_cast<QWidget*>(w->cmdNewZScore),
                         static_cast<QWidget*>(w->cmdRun), static_cast<QWidget*>(w->cmdSaveCusum),
                         static_cast<QWidget*>(w->cmdSaveResult)})
        EXPECT_FALSE(off->isEnabled()) << off->objectName().toStdString();
    EXPECT_TRUE(w->MSChart1->isHidden());
    EXPECT_EQ(w->lblLeg[4]->text().toStdString(), "SIGNAL");
}

TEST_F(PointCusumWindow, RunFromZeroListsChartsAndSaves) {
    runFromZero();
    ASSERT_TRUE(dialogs().messages.empty()) << dialogs().messages[0].text;
    const auto period = lines(w->lstPeriod);
    ASSERT_EQ(period.size(), 6u);
    EXPECT_EQ(period[2], "    1     2.50" + std::string(19, ' ') + "P3");
    // Fast: one wait of no time before each period.
    EXPECT_EQ(pump->waits, 3);
    EXPECT_EQ(pump->seconds, 0.0);
    // The last period is shown with its signalled points.
    EXPECT_EQ(w->lblY->text().toStdString(), "Period: 3");
    EXPECT_EQ(w->lstPeriod->currentRow(), 4);
    const auto region = lines(w->lstRegion);
    ASSERT_EQ(region.size(), 2u);
    EXPECT_EQ(region[0], "    1.70 <---" + std::string(16, ' ') + "P2");
    EXPECT_FALSE(w->MSChart1->isHidden());
    EXPECT_EQ(w->MSChart1->rowCount(), 3);
    EXPECT_DOUBLE_EQ(w->MSChart1->chartData()(0, 0), 2.5);
    EXPECT_DOUBLE_EQ(w->MSChart1->chartData()(2, 1), 1.4);
    EXPECT_TRUE(w->cmdSaveCusum->isEnabled());
    EXPECT_TRUE(w->cmdSaveResult->isEnabled());

    // A signalled point charts its cusums, captions and keeps the maximum chart.
    w->lstRegion->setCurrentRow(1);
    w->lstRegion_Click();
    EXPECT_FALSE(w->MSChart2->isHidden());
    EXPECT_DOUBLE_EQ(w->MSChart2->chartData()(0, 0), 2.5);
    EXPECT_EQ(w->lblEachRegionInfo->text().toStdString(), "P3 in 3: ---> 1.50");
    EXPECT_DOUBLE_EQ(w->MSChart1->chartData()(1, 0), 2.0);

    // Period lines: the header, the rules and beyond select nothing.
    w->lstPeriod->setCurrentRow(2);
    w->lstPeriod_Click();
    EXPECT_EQ(w->lblY->text().toStdString(), "Period: 1");
    EXPECT_EQ(lines(w->lstRegion).size(), 1u);
    EXPECT_TRUE(w->MSChart2->isHidden());
    w->lstPeriod->setCurrentRow(5);
    w->lstPeriod_Click();
    EXPECT_EQ(w->lblY->text().toStdString(), "");
    EXPECT_EQ(w->lstRegion->count(), 0);

    // The cusum file gets its suffix; the report is written once per run.
    dialogs().queueFile(dir + "/saved");
    w->cmdSaveCusum->click();
    EXPECT_EQ(readBytes(dir + "/saved.csm"), "period1,period2,period3,\r\n0.5,1,0,\r\n0,2,1.7,\r\n2.5,2,1.5,\r\n");
    EXPECT_TRUE(w->cmdSaveCusum->isEnabled());
    dialogs().queueFile(dir + "/report.txt");
    w->cmdSaveResult->click();
    EXPECT_NE(readBytes(dir + "/report.txt").find("P3"), std::string::npos);
    EXPECT_FALSE(w->cmdSaveResult->isEnabled());
    EXPECT_TRUE(dialogs().messages.empty());
}

// A line chosen with the keyboard acts as a click on it does.
TEST_F(PointCusumWindow, ListLinesChosenWithTheKeyboardAreShown) {
    runFromZero();
    ASSERT_EQ(w->lstPeriod->currentRow(), 4);
    const auto press = [](QListWidget* list, Qt::Key key) {
        QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(list, &down);
    };
    press(w->lstPeriod, Qt::Key_Up);
    ASSERT_EQ(w->lstPeriod->currentRow(), 3);
    EXPECT_EQ(w->lblY->text().toStdString(), "Period: 2");
    EXPECT_EQ(w->vars().shownPeriod, 2);
    EXPECT_EQ(lines(w->lstRegion), (std::vector<std::string>{"    2.00 <---" + std::string(16, ' ') + "P2",
                                                             "    2.00 <---" + std::string(16, ' ') + "P3"}));
    // The map shows period 2: P2's cusum of 2 (above h = 1.4) is a red ring.
    const auto& t = w->picPoint->transform();
    ASSERT_TRUE(t.has_value());
    const DevicePoint p2 = pointPixel(*t, 0, 0, 10, 0);
    bool red = false;
    for (int dx = -1; dx <= 1; ++dx) red |= w->picPoint->surface().Point(p2.X + 6 + dx, p2.Y) == 0x0000FF;
    EXPECT_TRUE(red);

    press(w->lstRegion, Qt::Key_Down);
    ASSERT_EQ(w->lstRegion->currentRow(), 0);
    EXPECT_FALSE(w->MSChart2->isHidden());
    EXPECT_EQ(w->lblEachRegionInfo->text().toStdString(), "P2 in 2: ---> 2.00");
    press(w->lstRegion, Qt::Key_Down);
    EXPECT_EQ(w->lblEachRegionInfo->text().toStdString(), "P3 in 2: ---> 2.00");
    // Up to the rule: the label and the signalled points are emptied.
    press(w->lstPeriod, Qt::Key_Home);
    EXPECT_EQ(w->lblY->text().toStdString(), "");
    EXPECT_EQ(w->lstRegion->count(), 0);

    // So does a line chosen with the mouse pressed on one line and
    // released on another, where the list reports no click.
    const struct {
        int pressed, released;
        const char* label;
        int signalled;
    } drags[] = {{2, 4, "Period: 3", 2}, {3, 5, "", 0}, {5, 2, "Period: 1", 1}};
    QWidget* area = w->lstPeriod->viewport();
    const auto centre = [&](int row) { return w->lstPeriod->visualItemRect(w->lstPeriod->item(row)).center(); };
    for (const auto& d : drags) {
        SCOPED_TRACE("pressed on line " + std::to_string(d.pressed) + ", released on line " + std::to_string(d.released));
        QTest::mousePress(area, Qt::LeftButton, {}, centre(d.pressed));
        QTest::mouseMove(area, centre(d.released));
        QTest::mouseRelease(area, Qt::LeftButton, {}, centre(d.released));
        ASSERT_EQ(w->lstPeriod->currentRow(), d.released);
        EXPECT_EQ(w->lblY->text().toStdString(), d.label);
        EXPECT_EQ(w->lstRegion->count(), d.signalled);
    }
}

// A line of the period list that names no period (the header and the
// rules) shows none: no label, signalled points or point chart, and the
// plain points on the map, which the map tools redraw plain too.
TEST_F(PointCusumWindow, LinesThatNameNoPeriodShowThePlainMap) {
    runFromZero();
    for (int row : {0, 1, 5}) {
        SCOPED_TRACE("line " + std::to_string(row));
        // Period 3 with the chart of its first signalled point.
        w->lstPeriod->setCurrentRow(4);
        w->lstRegion->setCurrentRow(0);
        ASSERT_FALSE(w->MSChart2->isHidden());
        ASSERT_GT(colourCount(w->picPoint->surface().image()), 2u);

        w->lstPeriod->setCurrentRow(row);
        EXPECT_EQ(w->lblY->text().toStdString(), "");
        EXPECT_EQ(w->lstRegion->count(), 0);
        EXPECT_TRUE(w->MSChart2->isHidden());
        EXPECT_TRUE(w->picEachRegionInfo->isHidden());
        EXPECT_EQ(colourCount(w->picPoint->surface().image()), 2u);
        w->optZoomIn->click();
        w->picPoint_MouseDown(1, 0, 10, 10);
        EXPECT_EQ(colourCount(w->picPoint->surface().image()), 2u);
        w->optFullExtent->click();
        w->picPoint_MouseDown(1, 0, 10, 10);
        EXPECT_EQ(colourCount(w->picPoint->surface().image()), 2u);
    }
}

TEST_F(PointCusumWindow, ContinuesFromTheSavedCusum) {
    runFromZero();
    dialogs().queueFile(dir + "/first.csm");
    w->cmdSaveCusum->click();

    w->optPre->click();
    EXPECT_FALSE(w->cmdRun->isEnabled());
    EXPECT_EQ(w->lstPeriod->count(), 0);
    EXPECT_FALSE(w->MSChart1->isHidden());
    open(w->cmdFileOpenIDXY, coords);
    EXPECT_TRUE(w->cmdOldCusum->isEnabled());
    EXPECT_FALSE(w->cmdNewZScore->isEnabled());
    open(w->cmdOldCusum, dir + "/first.csm");
    open(w->cmdNewZScore, file("next.txt", kZNext));
    w->cmdRun->click();
    ASSERT_TRUE(dialogs().messages.empty()) << dialogs().messages[0].text;
    const auto period = lines(w->lstPeriod);
    ASSERT_EQ(period.size(), 8u);
    EXPECT_EQ(period[6], "    5     4.00" + std::string(19, ' ') + "P3");
    EXPECT_EQ(w->lblY->text().toStdString(), "Period: 5");
    EXPECT_EQ(w->MSChart1->rowCount(), 5);
    EXPECT_DOUBLE_EQ(w->MSChart1->chartData()(2, 0), 1.7);  // the saved maximum of period 3
    dialogs().queueFile(dir + "/second.csm");
    w->cmdSaveCusum->click();
    EXPECT_EQ(readBytes(dir + "/second.csm"),
              "period1,period2,period3,period4,period5,\r\n0.5,1,0,0.5,0,\r\n0,2,1.7,1.2,0.7,\r\n2.5,2,1.5,1.5,4,\r\n");
}

// A saved cusum file whose header has no comma holds no period: it is read
// as such, and the run continues every point from 0, which is the run from
// zero.
TEST_F(PointCusumWindow, ASavedFileOfNoPeriodContinuesFromZero) {
    runFromZero();
    const auto fromZero = lines(w->lstPeriod);
    w->optPre->click();
    open(w->cmdFileOpenIDXY, coords);
    open(w->cmdOldCusum, file("none.csm", "periods\r\n1\r\n2\r\n3\r\n"));
    open(w->cmdNewZScore, z);
    w->cmdRun->click();
    EXPECT_TRUE(dialogs().messages.empty()) << dialogs().messages[0].text;
    EXPECT_EQ(lines(w->lstPeriod), fromZero);
}

TEST_F(PointCusumWindow, RefusedFilesLeaveTheEarlierLoad) {
    open(w->cmdFileOpenIDXY, coords);
    open(w->cmdNewZScore, z);
    ASSERT_TRUE(w->cmdRun->isEnabled());
    struct Case {
        QPushButton* frmUnivariateCusumTextfile::*button;
        const char* bytes;
        const char* says;
    };
    const Case cases[] = {
        {&frmUnivariateCusumTextfile::cmdFileOpenIDXY, "P1,1\n", "ID, XY Coordinates file was misspecified."},
        {&frmUnivariateCusumTextfile::cmdNewZScore, "1,2\n3,4\n", "holds 2 lines"},
        {&frmUnivariateCusumTextfile::cmdNewZScore, "1,,3\n1,2,3\n1,2,3\n",
         "There is missing value in row 1 and column 2 in the dataset."},
        {&frmUnivariateCusumTextfile::cmdNewZScore, "", "is empty"},
        // A line of blanks among the points' lines is named, not counted.
        {&frmUnivariateCusumTextfile::cmdNewZScore, "1,2,3\n  \n1,2,3\n1,2,3\n",
         "has an empty line 2: every line must hold the values of one point."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        dialogs().messages.clear();
        open(w->*c.button, file("bad.txt", c.bytes));
        ASSERT_EQ(dialogs().messages.size(), 1u);
        EXPECT_NE(dialogs().messages[0].text.find(c.says), std::string::npos) << dialogs().messages[0].text;
        EXPECT_EQ(dialogs().messages[0].title, "Warning!");
        EXPECT_EQ(text(w->txtIDXY), coords);
        EXPECT_EQ(text(w->txtNewZScore), z);
    }
    dialogs().messages.clear();
    open(w->cmdNewZScore, "");
    ASSERT_EQ(dialogs().messages.size(), 1u);
    EXPECT_EQ(dialogs().messages[0].text, "File name is not specified.");
    // The earlier files still run.
    dialogs().messages.clear();
    w->cmdRun->click();
    EXPECT_TRUE(dialogs().messages.empty());
    EXPECT_EQ(w->lstPeriod->count(), 6);
}

// A z-score or saved cusum file of another number of rows is refused in
// words about points, whole; the z-scores, a period file, as the polygon
// window refuses its period file.
TEST_F(PointCusumWindow, FilesForOtherPointsAreRefusedNamingThePoints) {
    const struct {
        const char* name;
        bool previous;
        const char* bytes;
        const char* rows;
        const char* before;
    } cases[] = {
        {"z-scores", false, "1,2\n3,4\n", "2 lines", "The period file was not read: "},
        {"saved cusums", true, "period1,\n1,\n2,\n", "2 rows of cusums", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        (c.previous ? w->optPre : w->optZero)->click();
        open(w->cmdFileOpenIDXY, coords);
        dialogs().messages.clear();
        const std::string other = file("other.txt", c.bytes);
        open(c.previous ? w->cmdOldCusum : w->cmdNewZScore, other);
        ASSERT_EQ(dialogs().messages.size(), 1u);
        EXPECT_EQ(dialogs().messages[0].text, c.before + ("The file \"" + other + "\" holds " + c.rows +
                                                           " but the point coordinate file holds 3 points."));
    }
}

TEST_F(PointCusumWindow, ParametersAreChecked) {
    open(w->cmdFileOpenIDXY, coords);
    open(w->cmdNewZScore, z);
    const std::pair<const char*, const char*> cases[] = {{"abc", "Parameters are not properly input."},
                                                         {"-1", "Parameters should be positive values."},
                                                         {"nan", "Parameters are not properly input."}};
    for (const auto& [sigma, says] : cases) {
        dialogs().messages.clear();
        w->txtSigma->setText(sigma);
        w->cmdRun->click();
        ASSERT_EQ(dialogs().messages.size(), 1u);
        EXPECT_EQ(dialogs().messages[0].text, says);
        EXPECT_EQ(w->lstPeriod->count(), 0);
    }
    // Sigma above 0 smooths over the hull of the drawn points.
    dialogs().messages.clear();
    w->txtSigma->setText("1");
    w->cmdRun->click();
    EXPECT_TRUE(dialogs().messages.empty()) << dialogs().messages[0].text;
    ASSERT_TRUE(w->vars().result);
    EXPECT_EQ(w->vars().result->kernelSigma, 1.0);
    EXPECT_NE(w->vars().result->cusum(1, 1), 0.5);  // 0.5 unsmoothed
}

TEST_F(PointCusumWindow, TheAnimationLocksTheInputsButNotRunOrTheLists) {
    open(w->cmdFileOpenIDXY, coords);
    open(w->cmdNewZScore, z);
    bool checked = false;
    pump->onWait = [&](std::int64_t n) {
        if (n != 2) return;
        checked = true;
        EXPECT_TRUE(w->animating());
        for (QWidget* off : {static_cast<QWidget*>(w->optZero), static_cast<QWidget*>(w->optPre),
                             static_cast<QWidget*>(w->cmdFileOpenIDXY), static_cast<QWidget*>(w->cmdNewZScore),
                             static_cast<QWidget*>(w->txtKvalue), static_cast<QWidget*>(w->optSlow)})
            EXPECT_FALSE(off->isEnabled()) << off->objectName().toStdString();
        // Run stays, to replace the animation.
        EXPECT_TRUE(w->cmdRun->isEnabled());
        EXPECT_TRUE(w->lstPeriod->isEnabled());
        // The first period's line is there and can be chosen.
        w->lstPeriod->setCurrentRow(2);
        w->lstPeriod_Click();
        EXPECT_EQ(w->lblY->text().toStdString(), "Period: 1");
    };
    w->cmdRun->click();
    EXPECT_TRUE(checked);
    EXPECT_FALSE(w->animating());
    EXPECT_TRUE(w->cmdRun->isEnabled());
    EXPECT_EQ(w->lstPeriod->count(), 6);
}

// A zoom during the animation redraws the period the animation shows: in
// period 1 P3's cusum of 2.5 is above h = 1.4, a red ring.
TEST_F(PointCusumWindow, AZoomDuringTheAnimationRedrawsThePeriodShown) {
    open(w->cmdFileOpenIDXY, coords);
    open(w->cmdNewZScore, z);
    int redPixels = -1;
    pump->onWait = [&](std::int64_t n) {
        if (n != 2) return;
        w->optZoomIn->click();
        w->picPoint_MouseDown(1, 0, 10, 10);
        const QImage& image = w->picPoint->surface().image();
        redPixels = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) redPixels += qColorToBgr(QColor(image.pixel(x, y))) == 0x0000FF;
    };
    w->cmdRun->click();
    EXPECT_NEAR(w->vars().view.pointZoom, 1.15, 1e-12);
    EXPECT_GT(redPixels, 0);
}

// An animation moves one point of the maximum chart per period: the chart is
// laid out as the run starts and at no frame after, whatever the number of
// periods; a point's chart is laid out once per choice.
TEST_F(PointCusumWindow, ChartsAreLaidOutOncePerRunAndPerPointAtEveryLength) {
    open(w->cmdFileOpenIDXY, coords);
    for (int periods : {3, 13, 60}) {
        SCOPED_TRACE(periods);
        std::string lines3;
        for (int i = 1; i <= 3; ++i) {
            for (int p = 1; p <= periods; ++p)
                lines3 += (p > 1 ? "," : "") + std::to_string(i == 3 ? 1.0 + 0.01 * p : std::sin(i * p));
            lines3 += "\r\n";
        }
        open(w->cmdNewZScore, file("z" + std::to_string(periods) + ".txt", lines3));
        const int before = w->MSChart1->layoutCount();
        int fewest = -1, most = -1;
        pump->onWait = [&](std::int64_t) {
            const int now = w->MSChart1->layoutCount();
            fewest = fewest < 0 ? now : std::min(fewest, now);
            most = std::max(most, now);
        };
        w->cmdRun->click();
        pump->onWait = nullptr;
        ASSERT_TRUE(dialogs().messages.empty()) << dialogs().messages[0].text;
        EXPECT_EQ(fewest - before, 1);
        EXPECT_EQ(most, fewest);
        EXPECT_EQ(w->MSChart1->layoutCount(), fewest);
        ASSERT_EQ(w->MSChart1->rowCount(), periods);
        EXPECT_EQ(w->MSChart1->rowLabels(), LineChart::numberedRows(periods));
        const PointCusum::Result& r = *w->vars().result;
        ASSERT_EQ(w->MSChart1->series(0)->count(), periods);
        for (int p = 1; p <= periods; ++p)
            EXPECT_DOUBLE_EQ(w->MSChart1->series(0)->at(p - 1).y(), r.maxCusum[static_cast<std::size_t>(p)]) << p;

        const int pointBefore = w->MSChart2->layoutCount();
        ASSERT_GT(w->lstRegion->count(), 0);
        w->lstRegion->setCurrentRow(0);  // a row chosen from code acts as a click
        EXPECT_EQ(w->MSChart2->layoutCount() - pointBefore, 1);
        EXPECT_EQ(w->MSChart2->rowLabels(), LineChart::numberedRows(periods));
    }
}

// The pointer shows the run busy before the hull, the kernel, the smoothing
// and the recursion, and normal again once the run ends or is refused.
TEST_F(PointCusumWindow, ThePointerIsBusyFromTheKernelOn) {
    struct Change {
        int pointer;
        std::int32_t hullPoints;  // the hull's input count when the pointer changed
    };
    std::vector<Change> changes;
    ctx.frame().install([&](int p) { changes.push_back({p, ctx.state.points.hullInputCount}); }, {}, {});
    // The hook records into this test's own vector: it goes with the test, however the test ends.
    const auto uninstall = qScopeGuard([&] { ctx.frame().uninstall(); });
    const struct {
        const char* name;
        const char* coords;
        const char* z;
        bool refused;
    } cases[] = {{"a run", kCoords, kZ, false}, {"a run refused by the kernel", "P1,0,0\nP2,5,5\n", "1\n2\n", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        changes.clear();
        ctx.state.points.hullInputCount = 0;
        open(w->cmdFileOpenIDXY, file("c.txt", c.coords));
        open(w->cmdNewZScore, file("cz.txt", c.z));
        w->txtSigma->setText("1");
        w->cmdRun->click();
        EXPECT_EQ(dialogs().messages.size(), c.refused ? 1u : 0u);
        dialogs().messages.clear();
        ASSERT_EQ(changes.size(), 2u);
        EXPECT_EQ(changes[0].pointer, 13);
        EXPECT_EQ(changes[0].hullPoints, 0);
        EXPECT_EQ(changes[1].pointer, 0);
        if (!c.refused) {
            EXPECT_EQ(changes[1].hullPoints, 3);
        }
    }
}

TEST_F(PointCusumWindow, ClosingStopsTheAnimation) {
    open(w->cmdFileOpenIDXY, coords);
    open(w->cmdNewZScore, z);
    pump->onWait = [&](std::int64_t n) {
        if (n == 1) ctx.unload<frmUnivariateCusumTextfile>();
    };
    w->cmdRun->click();
    EXPECT_EQ(pump->waits, 1);
}

TEST_F(PointCusumWindow, IdentifyAndSelectOnTheMap) {
    runFromZero();
    const auto& t = w->picPoint->transform();
    ASSERT_TRUE(t.has_value());
    const MapPoint p1 = pointPixelExact(*t, 0, 0, 0, 0);
    const MapPoint p3 = pointPixelExact(*t, 0, 0, 0, 10);
    // Identify on a signalled point selects its line.
    w->optIdentify->click();
    w->picPoint_MouseDown(1, 0, p3.X + 1, p3.Y);
    EXPECT_EQ(w->lblDisplay->text().toStdString(), "Selected Region: P3");
    EXPECT_EQ(w->lstRegion->currentRow(), 1);
    EXPECT_FALSE(w->MSChart2->isHidden());
    w->picPoint_MouseUp(1, 0, p3.X + 1, p3.Y);
    w->picPoint_Click();
    // On an unsignalled point it charts without a list line.
    w->lstRegion->setCurrentRow(-1);
    w->picPoint_MouseDown(1, 0, p1.X, p1.Y + 1);
    EXPECT_EQ(w->lblDisplay->text().toStdString(), "Selected Region: P1");
    EXPECT_EQ(w->lblEachRegionInfo->text().toStdString(), "P1 in 3: ---> 0.00");
    w->picPoint_MouseUp(1, 0, p1.X, p1.Y + 1);
    w->picPoint_Click();

    // Select: a circle about P3 just reaching P1 (10 map units, r
    // included) catches P1 and P3, not P2 (14.1 away).
    const double r = std::hypot(p3.X - p1.X, p3.Y - p1.Y);
    w->optMeasureDistance->click();
    w->picPoint_MouseDown(1, 0, p3.X, p3.Y);
    w->picPoint_MouseMove(1, 0, p3.X - r, p3.Y);
    w->picPoint_MouseUp(1, 0, p3.X - r, p3.Y);
    w->picPoint_Click();
    EXPECT_EQ(w->vars().selectionFlags, (std::vector<bool>{false, true, false, true}));
    EXPECT_EQ(w->lblDisplay->text().toStdString(), "Radius: 10");

    // A pan released outside the map is applied once.
    w->optPan->click();
    const double panX = w->vars().view.panX;
    w->picPoint_MouseDown(1, 0, 50, 50);
    w->picPoint_MouseMove(1, 0, 80, 40);
    w->picPoint_MouseUp(1, 0, 80, 40);  // no click follows
    w->picPoint_MouseMove(1, 0, 90, 40);
    w->picPoint_MouseUp(1, 0, 90, 40);
    EXPECT_DOUBLE_EQ(w->vars().view.panX, panX + 30);
    // Zoom steps of 0.15; full extent back to 1.
    w->optZoomIn->click();
    w->picPoint_MouseDown(1, 0, 10, 10);
    EXPECT_NEAR(w->vars().view.pointZoom, 1.15, 1e-12);
    w->optFullExtent->click();
    w->picPoint_MouseDown(1, 0, 10, 10);
    EXPECT_EQ(w->vars().view.pointZoom, 1.0);
    EXPECT_EQ(w->vars().view.panX, 0.0);
}

// A Select gesture ended with another button than the left one starts from
// the period's map too: the squares of the selection before go.
TEST_F(PointCusumWindow, ASelectionEndedWithAnyButtonReplacesTheOneBefore) {
    runFromZero();
    const auto& t = w->picPoint->transform();
    ASSERT_TRUE(t.has_value());
    const MapPoint p3 = pointPixelExact(*t, 0, 0, 0, 10);
    const auto yellowPixels = [&] {
        const QImage& image = w->picPoint->surface().image();
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) n += qColorToBgr(QColor(image.pixel(x, y))) == 0x00FFFF;
        return n;
    };
    w->optMeasureDistance->click();
    for (int button : {1, 2}) {
        SCOPED_TRACE("released with button " + std::to_string(button));
        // A circle about P3 catching P3 alone ...
        w->picPoint_MouseDown(1, 0, p3.X, p3.Y);
        w->picPoint_MouseUp(button, 0, p3.X + 3, p3.Y);
        w->picPoint_Click();
        EXPECT_EQ(w->vars().selectionFlags, (std::vector<bool>{false, false, false, true}));
        const int oneSquare = yellowPixels();
        EXPECT_GT(oneSquare, 0);
        // ... then one far from every point: no square is left.
        w->picPoint_MouseDown(button, 0, p3.X + 60, p3.Y + 60);
        w->picPoint_MouseUp(button, 0, p3.X + 61, p3.Y + 60);
        w->picPoint_Click();
        EXPECT_EQ(w->vars().selectionFlags, (std::vector<bool>{false, false, false, false}));
        EXPECT_EQ(yellowPixels(), 0);
    }
}

// The cusum circles and the point marks stand on each point's exact x, as
// on the cluster window's map: a square picture at zoom 0.5 with a pan of
// half a pixel puts every x on a half (x = 4 X + 48.5, y = 108 - 4 Y).
TEST_F(PointCusumWindow, CirclesAndMarksStandOnTheExactX) {
    w->picPoint->resize(176, 176);
    w->vars().view.pointZoom = 0.5;
    w->vars().view.panX = 0.5;
    open(w->cmdFileOpenIDXY, file("half.txt", "A,0,0\nB,20,10\nC,10,5\n"));
    open(w->cmdNewZScore, file("signals.txt", "3\n3\n3\n"));
    w->cmdRun->click();
    ASSERT_TRUE(dialogs().messages.empty()) << dialogs().messages[0].text;
    const auto& t = w->picPoint->transform();
    ASSERT_TRUE(t.has_value());
    const PictureSurface& pic = w->picPoint->surface();
    const double xs[] = {48.5, 128.5, 88.5}, ys[] = {108, 68, 88}, X[] = {0, 20, 10}, Y[] = {0, 10, 5};
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE("point " + std::to_string(i + 1));
        const MapPoint exact = pointPixelExact(*t, 0, 0, X[i], Y[i]);
        ASSERT_EQ(exact.X, xs[i]);
        ASSERT_EQ(exact.Y, ys[i]);
        const DevicePoint d = pointPixel(*t, 0, 0, X[i], Y[i]);
        // Every signal's red ring (radius 6) is centred on the exact x ...
        for (const QPoint& q : ringPixels(pic.image().size(), QPointF(exact.X, d.Y), 6, 1))
            EXPECT_EQ(pic.Point(q.x(), q.y()), 0x0000FF) << "ring pixel " << q.x() << "," << q.y();
        // ... and the mark's edges are x - 1 and x + 1 each taken to the
        // nearest pixel: 47.5 and 49.5 give 48 and 50, not the rounded 48 - 1 and 48 + 1.
        const int left = static_cast<int>(std::nearbyint(exact.X - 1)), right = left + 2;
        EXPECT_EQ(pic.Point(left, d.Y - 1), 0x000000);
        EXPECT_EQ(pic.Point(right, d.Y - 1), 0x000000);
        EXPECT_EQ(pic.Point(left - 1, d.Y), 0xFFFFFF);
    }

    // A selection's yellow squares stand about the same centres: their
    // edges are x - 2 and x + 2 each taken to the nearest pixel, filled
    // between. (Two pixels either side of a half land on the same pixels
    // from the exact x as from the rounded one; the check pins the squares'
    // place and size.)
    w->optMeasureDistance->click();
    w->picPoint_MouseDown(1, 0, 88.5, 88);
    w->picPoint_MouseMove(1, 0, 188.5, 88);
    w->picPoint_MouseUp(1, 0, 188.5, 88);
    w->picPoint_Click();
    ASSERT_EQ(w->vars().selectionFlags, (std::vector<bool>{false, true, true, true}));
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE("square of point " + std::to_string(i + 1));
        const DevicePoint d = pointPixel(*t, 0, 0, X[i], Y[i]);
        const int left = static_cast<int>(std::nearbyint(xs[i] - 2)), right = static_cast<int>(std::nearbyint(xs[i] + 2));
        EXPECT_EQ(right - left, 4);
        for (int y = d.Y - 1; y <= d.Y + 1; ++y) {
            EXPECT_EQ(pic.Point(left, y), 0x000000) << "left edge, row " << y;
            EXPECT_EQ(pic.Point(right, y), 0x000000) << "right edge, row " << y;
            for (int x = left + 1; x < right; ++x) EXPECT_EQ(pic.Point(x, y), 0x00FFFF) << x << "," << y;
            EXPECT_NE(pic.Point(left - 1, y), 0x000000) << "outside the left edge, row " << y;
            EXPECT_NE(pic.Point(right + 1, y), 0x000000) << "outside the right edge, row " << y;
        }
    }
}

TEST_F(PointCusumWindow, ToolsWaitForARun) {
    open(w->cmdFileOpenIDXY, coords);
    w->optZoomIn->click();
    w->picPoint_MouseDown(1, 0, 10, 10);
    EXPECT_EQ(w->vars().view.pointZoom, 1.0);
}

TEST_F(PointCusumWindow, TheSampleOutbreakSignalsFromZeroAndContinued) {
    const std::string points = sourcePath("data/sample/cusum_points.txt");
    w->txtHvalue->setText("9.3");
    open(w->cmdFileOpenIDXY, points);
    open(w->cmdNewZScore, sourcePath("data/sample/cusum_points_z.txt"));
    w->cmdRun->click();
    ASSERT_TRUE(dialogs().messages.empty()) << dialogs().messages[0].text;
    ASSERT_EQ(w->lstPeriod->count(), 15);
    QCoreApplication::processEvents();
    w->grab().save(QString::fromStdString(testOutputPath("point_cusum_window.png")));
    // Nothing signals before the outbreak; by period 12 its seven points do.
    const std::vector<std::int32_t> none;
    for (std::int32_t p = 1; p <= 8; ++p) EXPECT_EQ(PointCusum::SignalledPoints(*w->vars().result, p), none) << p;
    EXPECT_EQ(PointCusum::SignalledPoints(*w->vars().result, 9), std::vector<std::int32_t>{98});
    EXPECT_EQ(w->lstRegion->count(), 7);
    EXPECT_EQ(PointCusum::SignalledPoints(*w->vars().result, 12),
              (std::vector<std::int32_t>{24, 45, 51, 90, 98, 111, 115}));

    dialogs().queueFile(dir + "/sample");
    w->cmdSaveCusum->click();
    w->optPre->click();
    open(w->cmdFileOpenIDXY, points);
    open(w->cmdOldCusum, dir + "/sample.csm");
    open(w->cmdNewZScore, sourcePath("data/sample/cusum_points_z_next.txt"));
    w->cmdRun->click();
    ASSERT_TRUE(dialogs().messages.empty()) << dialogs().messages[0].text;
    EXPECT_EQ(w->lstPeriod->count(), 19);
    EXPECT_EQ(w->lblY->text().toStdString(), "Period: 16");
    EXPECT_EQ(w->lstRegion->count(), 7);
}

TEST_F(PointCusumWindow, AFailedWriteSaysSoAndKeepsTheButton) {
    runFromZero();
    for (QPushButton* button : {w->cmdSaveCusum, w->cmdSaveResult}) {
        dialogs().messages.clear();
        dialogs().queueFile(dir + "/no-such-folder/out.txt");
        button->click();
        ASSERT_EQ(dialogs().messages.size(), 1u) << button->objectName().toStdString();
        EXPECT_EQ(dialogs().messages[0].title, "Warning!");
        EXPECT_NE(dialogs().messages[0].text.find("could not be written"), std::string::npos);
        EXPECT_TRUE(button->isEnabled());
    }
    // A cancelled report is refused with its message and ends the report.
    dialogs().messages.clear();
    dialogs().queueFile("");
    w->cmdSaveResult->click();
    ASSERT_EQ(dialogs().messages.size(), 1u);
    EXPECT_EQ(dialogs().messages[0].text, "You didn't specify data file.");
    EXPECT_FALSE(w->cmdSaveResult->isEnabled());
}

// As in the polygon window: a name typed with another extension is saved
// with ".csm" added, and the dialog is told so before it confirms.
TEST_F(PointCusumWindow, ACusumFileIsSavedUnderTheNameItWillHave) {
    runFromZero();
    file("out.txt", "earlier");
    dialogs().queueFile(dir + "/out.txt");
    w->cmdSaveCusum->click();
    ASSERT_FALSE(dialogs().fileCalls.empty());
    EXPECT_TRUE(dialogs().fileCalls.back().request.extensionRequired);
    EXPECT_EQ(dialogs().fileCalls.back().request.defaultExt, "csm");
    EXPECT_EQ(readBytes(dir + "/out.txt.csm"), "period1,period2,period3,\r\n0.5,1,0,\r\n0,2,1.7,\r\n2.5,2,1.5,\r\n");
    EXPECT_EQ(readBytes(dir + "/out.txt"), "earlier");
}

TEST_F(PointCusumWindow, ViewsAndSavesFollowTheLastRunNotAFileReadSince) {
    runFromZero();
    // Another coordinate file of four points is read after the run.
    open(w->cmdFileOpenIDXY, file("four.txt", "Q1,0,0\nQ2,5,5\nQ3,9,1\nQ4,2,8\n"));
    ASSERT_TRUE(dialogs().messages.empty());
    w->lstPeriod->setCurrentRow(3);
    w->lstPeriod_Click();
    EXPECT_EQ(lines(w->lstRegion).back(), "    2.00 <---" + std::string(16, ' ') + "P3");
    const auto& t = w->picPoint->transform();
    ASSERT_TRUE(t.has_value());
    const MapPoint p2 = pointPixelExact(*t, 0, 0, 10, 0);
    w->optIdentify->click();
    w->picPoint_MouseDown(1, 0, p2.X, p2.Y);
    EXPECT_EQ(w->lblDisplay->text().toStdString(), "Selected Region: P2");
    dialogs().queueFile(dir + "/after.csm");
    w->cmdSaveCusum->click();
    EXPECT_EQ(readBytes(dir + "/after.csm"), "period1,period2,period3,\r\n0.5,1,0,\r\n0,2,1.7,\r\n2.5,2,1.5,\r\n");
    // Run checks the sizes again: the z-scores were read for three points.
    w->cmdRun->click();
    ASSERT_EQ(dialogs().messages.size(), 1u);
    EXPECT_NE(dialogs().messages[0].text.find("z-score"), std::string::npos) << dialogs().messages[0].text;
}

TEST_F(PointCusumWindow, ABandwidthNeedsPointsThatSpanAnArea) {
    struct Case {
        std::string coords;
        std::string z;
        const char* says;
    };
    const Case cases[] = {
        {"P1,0,0\n", "1,2\n", "at least two points"},
        {"P1,0,0\nP2,5,5\n", "1\n2\n", "span no area"},
        {"P1,0,0\nP2,0,5\nP3,0,10\n", "1\n2\n3\n", "span no area"},
        // Drawn on steps of rounded pixels, whose hull has an area.
        {slantedLine(50), zeros(50), "span no area"},
        // An area beyond the doubles is named as the cause.
        {"P1,0,0\nP2,1e160,0\nP3,0,1e160\n", zeros(3), "The coordinates of the points are too large"},
        {"P1,0,0\nP2,1e300,0\nP3,0,1e300\n", zeros(3), "The coordinates of the points are too large"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.coords);
        w->optZero->click();
        open(w->cmdFileOpenIDXY, file("c.txt", c.coords));
        open(w->cmdNewZScore, file("cz.txt", c.z));
        dialogs().messages.clear();
        w->txtSigma->setText("1");
        w->cmdRun->click();
        ASSERT_EQ(dialogs().messages.size(), 1u);
        EXPECT_NE(dialogs().messages[0].text.find(c.says), std::string::npos) << dialogs().messages[0].text;
        EXPECT_EQ(w->lstPeriod->count(), 0);
        // Sigma 0 needs no area.
        dialogs().messages.clear();
        w->txtSigma->setText("0");
        w->cmdRun->click();
        EXPECT_TRUE(dialogs().messages.empty());
        EXPECT_GT(w->lstPeriod->count(), 0);
    }
}

// Ten years of weeks: the long z-score file of the sample points runs whole;
// the seven points of the outbreak signal from the sixth year on, and one
// other crosses h by chance years later.
TEST_F(PointCusumWindow, TheLongSampleSignalsTheOutbreakOfItsSixthYear) {
    w->txtHvalue->setText("9.3");
    open(w->cmdFileOpenIDXY, sourcePath("data/sample/cusum_points.txt"));
    open(w->cmdNewZScore, sourcePath("data/sample/cusum_points_z520.txt"));
    w->cmdRun->click();
    ASSERT_TRUE(dialogs().messages.empty()) << dialogs().messages[0].text;
    const PointCusum::Result& r = *w->vars().result;
    ASSERT_EQ(r.periods(), 520);
    EXPECT_EQ(w->lstPeriod->count(), 520 + 3);
    std::map<int, int> first;
    for (int i = 1; i <= 120; ++i)
        for (int p = 1; p <= 520; ++p)
            if (r.cusum(i, p) > 9.3) {
                first[i] = p;
                break;
            }
    EXPECT_EQ(first, (std::map<int, int>{{24, 263}, {45, 262}, {51, 262}, {55, 386}, {90, 263}, {98, 264}, {111, 262},
                                         {115, 263}}));
}

// An allocation that fails inside a real handler ends in a "Warning!", not
// in the end of the program: the run shown before stays, with its files,
// and the window answers the next click.
TEST_F(PointCusumWindow, AnAllocationFailureInAHandlerIsAWarning) {
    runFromZero();
    const auto periods = lines(w->lstPeriod);
    auto failing = std::make_shared<DialogsOutOfMemory>();
    dialogs_ = failing;
    installDialogs(failing);

    failing->failNext = true;
    {
        const ExpectStoppedStep stops;
        realClick(w->cmdNewZScore);
    }
    ASSERT_EQ(failing->messages.size(), 1u);
    EXPECT_EQ(failing->messages[0].title, "Warning!");
    EXPECT_EQ(failing->messages[0].icon, MsgIcon::Critical);
    EXPECT_EQ(failing->messages[0].text, "There is not enough memory to finish this step. The step was stopped; the "
                                         "data and results from before it are kept.");
    EXPECT_EQ(lines(w->lstPeriod), periods);
    EXPECT_EQ(text(w->txtNewZScore), z);
    EXPECT_TRUE(w->cmdRun->isEnabled());
    EXPECT_TRUE(w->cmdSaveCusum->isEnabled());

    failing->queueFile(file("z2.txt", "0,0,0\n0,0,0\n9,0,0\n"));
    realClick(w->cmdNewZScore);
    EXPECT_EQ(failing->messages.size(), 1u);
    EXPECT_EQ(text(w->txtNewZScore), dir + "/z2.txt");
    realClick(w->cmdRun);
    EXPECT_EQ(failing->messages.size(), 1u);
    EXPECT_EQ(lines(w->lstPeriod)[2], "    1     8.50" + std::string(19, ' ') + "P3");
}

// The run that needs more memory than is left says so as the program's own
// error, with the pointer back to normal; the last run's result, which the
// saves and map tools read, stays, and the window answers the next Run.
TEST_F(PointCusumWindow, ARunBeyondTheMemoryLeftIsRefusedWithAWarning) {
    runFromZero();
    ASSERT_TRUE(dialogs().messages.empty());
    // 32,000 periods: the smoothing's copy of the z-scores takes about 1 MB.
    std::string many;
    for (int point = 0; point < 3; ++point) {
        for (int p = 0; p < 32000; ++p) many += p ? ",0" : "0";
        many += "\n";
    }
    open(w->cmdNewZScore, file("many.txt", many));
    ASSERT_TRUE(dialogs().messages.empty());
    std::vector<int> pointer;
    ctx.frame().install([&](int p) { pointer.push_back(p); }, {}, {});
    {
        const AllocationLimit limit(256 * 1024);
        realClick(w->cmdRun);
    }
    ASSERT_EQ(dialogs().messages.size(), 1u);
    EXPECT_EQ(dialogs().messages[0].text, "There is not enough memory left to compute the cusum of these points.");
    EXPECT_EQ(dialogs().messages[0].title, "Warning!");
    EXPECT_EQ(pointer, (std::vector<int>{13, 0}));
    ctx.frame().uninstall();
    ASSERT_TRUE(w->vars().result);
    EXPECT_EQ(w->vars().result->periods(), 3);
    EXPECT_FALSE(w->animating());

    dialogs().messages.clear();
    open(w->cmdNewZScore, z);
    w->cmdRun->click();
    EXPECT_TRUE(dialogs().messages.empty());
    EXPECT_EQ(w->lstPeriod->count(), 6);
}

// A failure within a frame of the animation stops it: the window answers
// again (Run, the start options and the files enabled) and the pointer is
// normal.
TEST_F(PointCusumWindow, AFailureWithinTheAnimationLeavesTheWindowAnswering) {
    open(w->cmdFileOpenIDXY, coords);
    open(w->cmdNewZScore, z);
    std::vector<int> pointer;
    ctx.frame().install([&](int p) { pointer.push_back(p); }, {}, {});
    pump->onWait = [&](std::int64_t n) {
        if (n == 2) throw std::bad_alloc();
    };
    {
        const ExpectStoppedStep stops;
        realClick(w->cmdRun);
    }
    ASSERT_EQ(dialogs().messages.size(), 1u);
    EXPECT_EQ(dialogs().messages[0].title, "Warning!");
    EXPECT_FALSE(w->animating());
    for (QWidget* on : std::initializer_list<QWidget*>{w->cmdRun, w->optZero, w->optPre, w->cmdFileOpenIDXY,
                                                       w->cmdNewZScore, w->txtKvalue})
        EXPECT_TRUE(on->isEnabled()) << on->objectName().toStdString();
    EXPECT_EQ(pointer, (std::vector<int>{13, 0}));
    ctx.frame().uninstall();

    pump->onWait = nullptr;
    dialogs().messages.clear();
    w->cmdRun->click();
    EXPECT_TRUE(dialogs().messages.empty());
    EXPECT_EQ(w->lstPeriod->count(), 6);
}

// A Run refused before it computes (k, h or sigma typed wrong) changes
// nothing the window shows: the lists, the label and the map stay those of
// the last run.
TEST_F(PointCusumWindow, ARunWithWrongParametersKeepsWhatTheWindowShows) {
    runFromZero();
    ASSERT_TRUE(dialogs().messages.empty());
    const auto period = lines(w->lstPeriod), region = lines(w->lstRegion);
    const QImage map = w->picPoint->surface().image();
    const struct {
        const char* k;
        const char* sigma;
        const char* says;
    } cases[] = {{"abc", "0", "Parameters are not properly input."},
                 {"0.5", "-1", "Parameters should be positive values."}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.says);
        w->txtKvalue->setText(c.k);
        w->txtSigma->setText(c.sigma);
        dialogs().messages.clear();
        realClick(w->cmdRun);
        ASSERT_EQ(dialogs().messages.size(), 1u);
        EXPECT_EQ(dialogs().messages[0].text, c.says);
        EXPECT_EQ(lines(w->lstPeriod), period);
        EXPECT_EQ(lines(w->lstRegion), region);
        EXPECT_EQ(w->lblY->text().toStdString(), "Period: 3");
        EXPECT_TRUE(w->picPoint->surface().image() == map);
        EXPECT_TRUE(w->cmdSaveCusum->isEnabled());
    }
}

// Whatever allocation of a Run fails, at any limit, the run is refused with
// its own out-of-memory message (never the application's last resort), the
// pointer is normal again and the lists, label and map show what they
// showed; a run that needs nothing beyond the limit runs whole.
TEST_F(PointCusumWindow, ARunOutOfMemoryAtAnyLimitKeepsWhatTheWindowShows) {
    open(w->cmdFileOpenIDXY, sourcePath("data/sample/cusum_points.txt"));
    open(w->cmdNewZScore, sourcePath("data/sample/cusum_points_z.txt"));
    w->txtSigma->setText("500");
    std::vector<int> pointer;
    ctx.frame().install([&](int p) { pointer.push_back(p); }, {}, {});
    int refused = 0;
    for (const std::size_t limit : {std::size_t{4 * 1024}, std::size_t{64 * 1024}, std::size_t{1024 * 1024}}) {
        SCOPED_TRACE("limit " + std::to_string(limit));
        realClick(w->cmdRun);
        ASSERT_TRUE(dialogs().messages.empty()) << dialogs().messages[0].text;
        w->lstPeriod->setCurrentRow(8);
        w->lstPeriod_Click();
        const auto period = lines(w->lstPeriod), region = lines(w->lstRegion);
        const QImage map = w->picPoint->surface().image();
        pointer.clear();
        {
            const AllocationLimit limited(limit);
            realClick(w->cmdRun);
        }
        EXPECT_EQ(pointer, (std::vector<int>{13, 0}));
        EXPECT_FALSE(w->animating());
        if (dialogs().messages.empty()) {
            EXPECT_EQ(lines(w->lstPeriod).size(), period.size());
            continue;
        }
        ++refused;
        ASSERT_EQ(dialogs().messages.size(), 1u);
        EXPECT_EQ(dialogs().messages[0].text, "There is not enough memory left to compute the cusum of these points.");
        dialogs().messages.clear();
        EXPECT_EQ(lines(w->lstPeriod), period);
        EXPECT_EQ(lines(w->lstRegion), region);
        EXPECT_EQ(w->lblY->text().toStdString(), "Period: 7");
        EXPECT_TRUE(w->picPoint->surface().image() == map);
        EXPECT_TRUE(w->cmdSaveCusum->isEnabled());
    }
    EXPECT_GE(refused, 1);
    ctx.frame().uninstall();
}

// Both cusum windows have one limit on periods: a z-score file of 32,768
// periods is refused as the polygon window refuses its period file.
TEST_F(PointCusumWindow, MoreThan32767PeriodsAreRefusedAsInThePolygonWindow) {
    open(w->cmdFileOpenIDXY, coords);
    std::string wide;
    for (int point = 0; point < 3; ++point) {
        for (int p = 0; p < 32768; ++p) wide += p ? ",0" : "0";
        wide += "\n";
    }
    const std::string path = file("wide.txt", wide);
    open(w->cmdNewZScore, path);
    ASSERT_EQ(dialogs().messages.size(), 1u);
    EXPECT_EQ(dialogs().messages[0].text, "The period file was not read: The file \"" + path +
                                              "\" has 32768 values on its first line; a run can have at most 32767 "
                                              "periods.");
    EXPECT_TRUE(text(w->txtNewZScore).empty());
}

namespace {

// A saved cusum file of `periods` periods for the three points, 0 but for
// a cusum of 1 in every seventh period.
std::string savedCusums(int periods) {
    std::string bytes;
    for (int p = 1; p <= periods; ++p) bytes += "period" + std::to_string(p) + ",";
    bytes += "\r\n";
    for (int point = 0; point < 3; ++point) {
        for (int p = 1; p <= periods; ++p) bytes += p % 7 ? "0," : "1,";
        bytes += "\r\n";
    }
    return bytes;
}

}  // namespace

// The lists and the map number the periods of a run in 16 bits: a
// continuation's saved periods count with its new ones. At 32,767 in all it
// runs; beyond, Run is refused naming all the periods, before anything the
// window shows changes.
TEST_F(PointCusumWindow, SavedAndNewPeriodsTogetherAreHeldToTheLimit) {
    w->optPre->click();
    open(w->cmdFileOpenIDXY, coords);
    open(w->cmdOldCusum, file("two.csm", savedCusums(2)));
    open(w->cmdNewZScore, z);
    w->cmdRun->click();
    ASSERT_TRUE(dialogs().messages.empty()) << dialogs().messages[0].text;
    const struct {
        int saved, added;
        const char* says;  // empty: the run runs
    } cases[] = {
        {32767, 1, "A run can have at most 32767 periods; these data have 32768."},
        {32766, 3, "A run can have at most 32767 periods; these data have 32769."},
        {32766, 1, ""},
        {32767, 1, "A run can have at most 32767 periods; these data have 32768."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.saved) + " saved and " + std::to_string(c.added) + " new periods");
        open(w->cmdOldCusum, file("saved.csm", savedCusums(c.saved)));
        open(w->cmdNewZScore, file("new.txt", c.added == 1 ? "1\n0\n2\n" : "1,0,2\n0,0,0\n2,2,2\n"));
        ASSERT_TRUE(dialogs().messages.empty()) << dialogs().messages[0].text;
        const auto period = lines(w->lstPeriod), region = lines(w->lstRegion);
        const std::string label = w->lblY->text().toStdString();
        const QImage map = w->picPoint->surface().image();
        const Matrix cusum = w->vars().result->cusum;
        w->cmdRun->click();
        if (*c.says) {
            ASSERT_EQ(dialogs().messages.size(), 1u);
            EXPECT_EQ(dialogs().messages[0].text, c.says);
            EXPECT_EQ(dialogs().messages[0].title, "Warning!");
            dialogs().messages.clear();
            EXPECT_EQ(lines(w->lstPeriod), period);
            EXPECT_EQ(lines(w->lstRegion), region);
            EXPECT_EQ(w->lblY->text().toStdString(), label);
            EXPECT_TRUE(w->picPoint->surface().image() == map);
            EXPECT_TRUE(w->vars().result->cusum == cusum);
            EXPECT_TRUE(w->cmdSaveCusum->isEnabled());
            continue;
        }
        ASSERT_TRUE(dialogs().messages.empty()) << dialogs().messages[0].text;
        EXPECT_EQ(w->vars().result->periods(), 32767);
        EXPECT_EQ(w->lstPeriod->count(), 32767 + 3);
        EXPECT_EQ(w->lblY->text().toStdString(), "Period: 32767");
        EXPECT_EQ(w->MSChart1->rowCount(), 32767);
        // The new period goes on from the last saved one: point 3 from 0.
        EXPECT_EQ(w->vars().result->cusum(3, 32767), 1.5);
    }
}

// A new run shows nothing of an earlier selection: neither the circle of a
// Select with its radius nor the point an Identify named. A refused Run
// leaves them, as it leaves everything the window shows.
TEST_F(PointCusumWindow, ANewRunShowsNothingOfAnEarlierSelection) {
    runFromZero();
    const auto& t = w->picPoint->transform();
    ASSERT_TRUE(t.has_value());
    const MapPoint p1 = pointPixelExact(*t, 0, 0, 0, 0);
    const MapPoint p3 = pointPixelExact(*t, 0, 0, 0, 10);
    const auto colourPixels = [&](BgrColor colour) {
        const QImage& image = w->picPoint->surface().image();
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) n += qColorToBgr(QColor(image.pixel(x, y))) == colour;
        return n;
    };
    constexpr BgrColor kCircle = 0x00FF00, kSquares = 0x00FFFF;
    const struct {
        const char* name;
        QRadioButton* frmUnivariateCusumTextfile::*tool;
        const char* label;
    } cases[] = {
        {"Select", &frmUnivariateCusumTextfile::optMeasureDistance, "Radius: 10"},
        {"Identify", &frmUnivariateCusumTextfile::optIdentify, "Selected Region: P3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        (w->*c.tool)->click();
        w->picPoint_MouseDown(1, 0, p3.X, p3.Y);
        w->picPoint_MouseMove(1, 0, p3.X + (p1.Y - p3.Y), p3.Y);
        w->picPoint_MouseUp(1, 0, p3.X + (p1.Y - p3.Y), p3.Y);
        w->picPoint_Click();
        ASSERT_EQ(w->lblDisplay->text().toStdString(), c.label);
        ASSERT_FALSE(w->lblDisplay->isHidden());
        const QImage selected = w->picPoint->surface().image();

        w->txtKvalue->setText("abc");
        w->cmdRun->click();
        ASSERT_EQ(dialogs().messages.size(), 1u);
        dialogs().messages.clear();
        EXPECT_EQ(w->lblDisplay->text().toStdString(), c.label);
        EXPECT_TRUE(w->picPoint->surface().image() == selected);

        w->txtKvalue->setText("0.5");
        w->cmdRun->click();
        ASSERT_TRUE(dialogs().messages.empty()) << dialogs().messages[0].text;
        EXPECT_EQ(w->lblDisplay->text().toStdString(), "");
        EXPECT_EQ(colourPixels(kCircle), 0);
        EXPECT_EQ(colourPixels(kSquares), 0);
        // The tool stays chosen and acts on the new run.
        EXPECT_FALSE(w->lblDisplay->isHidden());
        w->picPoint_MouseDown(1, 0, p3.X, p3.Y);
        w->picPoint_MouseUp(1, 0, p3.X + (p1.Y - p3.Y), p3.Y);
        w->picPoint_Click();
        EXPECT_EQ(w->lblDisplay->text().toStdString(), c.label);
    }
}

// The kernel's study area is the hull of the points as the plain map draws
// them with the zoom and pan in force when Run is pressed (at zoom 1.75 the
// sample points' hull differs from that at the start's 1.0, and the
// cusums with it).
// A run leaves the hull it measured as the program's hull, its vertices
// first among the points' pixels, whatever the plain map drawn after it
// stored of the points.
TEST_F(PointCusumWindow, TheRunLeavesTheHullItMeasured) {
    w->txtSigma->setText("500");
    open(w->cmdFileOpenIDXY, sourcePath("data/sample/cusum_points.txt"));
    open(w->cmdNewZScore, sourcePath("data/sample/cusum_points_z.txt"));
    w->cmdRun->click();
    ASSERT_TRUE(dialogs().messages.empty()) << dialogs().messages[0].text;
    const PointState& p = ctx.state.points;
    // The hull as measured apart, from the pixels of the plain map.
    PointState drawn = p;
    drawn.devicePoints = pointDevicePositions(*computePointTransform(w->picPoint->transformInput()), 0, 0,
                                              w->vars().coords.points, w->vars().coords.count);
    const modFunctions::HullResult hull = modFunctions::ComputeConvexHull(drawn);
    ASSERT_GE(hull.vertexCount, 3);
    EXPECT_EQ(p.hullVertexCount, hull.vertexCount);
    EXPECT_EQ(p.hullInputCount, hull.inputCount);
    ASSERT_EQ(p.devicePoints.size(), hull.points.size());
    for (std::size_t i = 0; i < hull.points.size(); ++i) {
        EXPECT_EQ(p.devicePoints[i].X, hull.points[i].X) << i;
        EXPECT_EQ(p.devicePoints[i].Y, hull.points[i].Y) << i;
    }
}

TEST_F(PointCusumWindow, TheStudyAreaIsMeasuredAtTheZoomAndPanOfTheRun) {
    w->txtHvalue->setText("9.3");
    w->txtSigma->setText("500");
    open(w->cmdFileOpenIDXY, sourcePath("data/sample/cusum_points.txt"));
    open(w->cmdNewZScore, sourcePath("data/sample/cusum_points_z.txt"));
    w->cmdRun->click();
    ASSERT_TRUE(dialogs().messages.empty()) << dialogs().messages[0].text;
    const auto& v = w->vars();
    // The hull area of the points at a zoom and pan, as the map would draw them.
    const auto hullArea = [&](double zoom, double panX, double panY) {
        return pointHullArea(w->picPoint->transformInput(), zoom, panX, panY, v.coords.points, v.coords.count);
    };
    const auto cusumAt = [&](double area) {
        return PointCusum::Run(v.coords.points, v.coords.count, v.newZ->z, v.newZ->columns, 0.5, 9.3, 500, area, nullptr)
            .cusum;
    };
    const struct {
        const char* name;
        const char* tool;
        int presses;
        double zoom;
    } cases[] = {
        {"zoomed in", "optZoomIn", 5, 1.75},
        {"zoomed out", "optZoomOut", 2, 1.45},
        {"panned", "optPan", 1, 1.45},
        {"back at full extent", "optFullExtent", 1, 1.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QRadioButton* tool = w->findChild<QRadioButton*>(c.tool);
        ASSERT_NE(tool, nullptr);
        tool->click();
        for (int i = 0; i < c.presses; ++i) {
            // Part of a pixel too, which moves some points across a rounding.
            w->picPoint_MouseDown(1, 0, 100, 100);
            w->picPoint_MouseMove(1, 0, 137.3, 81.6);
            w->picPoint_MouseUp(1, 0, 137.3, 81.6);
            w->picPoint_Click();
        }
        ASSERT_NEAR(v.view.pointZoom, c.zoom, 1e-12);
        if (tool == w->optPan) {
            ASSERT_NE(v.view.panX, 0.0);
        }
        w->cmdRun->click();
        ASSERT_TRUE(dialogs().messages.empty()) << dialogs().messages[0].text;
        const double area = hullArea(v.view.pointZoom, v.view.panX, v.view.panY);
        EXPECT_TRUE(v.result->cusum == cusumAt(area));
        // Measured at another zoom or without the pan, the run would differ.
        std::vector<std::tuple<double, double, double>> others = {{1.2, v.view.panX, v.view.panY},
                                                                  {c.zoom == 1.0 ? 1.75 : 1.0, v.view.panX, v.view.panY}};
        if (v.view.panX != 0.0) others.emplace_back(v.view.pointZoom, 0.0, 0.0);
        for (const auto& [zoom, panX, panY] : others) {
            const double other = hullArea(zoom, panX, panY);
            ASSERT_NE(other, area) << "zoom " << zoom << ", pan " << panX;
            EXPECT_FALSE(v.result->cusum == cusumAt(other)) << "zoom " << zoom << ", pan " << panX;
        }
    }
}

// A Run refused inside its computation (a bandwidth the kernel cannot scale
// by, found once the hull is measured; memory running out as three thousand
// periods are smoothed) changes nothing the window shows or would save: the
// lists, the labels, the map, the maximum chart, the result and the saves
// of the run before stay.
TEST_F(PointCusumWindow, ARunRefusedInItsComputationKeepsTheRunShown) {
    std::string long3;
    for (int point = 0; point < 3; ++point) {
        for (int p = 0; p < 3000; ++p) long3 += p ? ",0.5" : "0.5";
        long3 += "\n";
    }
    const std::string longZ = file("long.txt", long3);
    const struct {
        const char* name;
        const char* sigma;
        bool limited;
        const char* says;
    } cases[] = {
        {"a bandwidth out of scale", "1e-300", false,
         "The bandwidth is too small or too large for the kernel of these points."},
        {"memory", "1", true, "There is not enough memory left to compute the cusum of these points."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        w->optZero->click();
        w->txtSigma->setText("1");
        runFromZero();
        ASSERT_TRUE(dialogs().messages.empty()) << dialogs().messages[0].text;
        // The cusum file of this run, as its Save cusum writes it.
        dialogs().queueFile(dir + "/before.csm");
        w->cmdSaveCusum->click();
        const std::string before = readBytes(dir + "/before.csm");
        w->lstPeriod->setCurrentRow(3);
        w->lstRegion->setCurrentRow(0);
        const auto period = lines(w->lstPeriod), region = lines(w->lstRegion);
        const std::string label = w->lblY->text().toStdString(), caption = w->lblEachRegionInfo->text().toStdString();
        const QImage map = w->picPoint->surface().image();
        const Eigen::MatrixXd chart = w->MSChart1->chartData();
        const PointCusum::Result result = *w->vars().result;

        if (c.limited) open(w->cmdNewZScore, longZ);
        w->txtSigma->setText(c.sigma);
        {
            const std::optional<AllocationLimit> limit =
                c.limited ? std::make_optional<AllocationLimit>(64 * 1024) : std::nullopt;
            realClick(w->cmdRun);
        }
        ASSERT_EQ(dialogs().messages.size(), 1u);
        EXPECT_EQ(dialogs().messages[0].text, c.says);
        dialogs().messages.clear();
        EXPECT_EQ(lines(w->lstPeriod), period);
        EXPECT_EQ(lines(w->lstRegion), region);
        EXPECT_EQ(w->lblY->text().toStdString(), label);
        EXPECT_EQ(w->lblEachRegionInfo->text().toStdString(), caption);
        EXPECT_FALSE(w->MSChart2->isHidden());
        EXPECT_TRUE(w->picPoint->surface().image() == map);
        EXPECT_TRUE(w->MSChart1->chartData().rows() == chart.rows() && w->MSChart1->chartData() == chart);
        ASSERT_TRUE(w->vars().result);
        const PointCusum::Result& now = *w->vars().result;
        EXPECT_TRUE(now.cusum.rows() == result.cusum.rows() && now.cusum.cols() == result.cusum.cols() &&
                    now.cusum == result.cusum);
        EXPECT_EQ(now.maxCusumId, result.maxCusumId);
        EXPECT_EQ(now.kernelSigma, result.kernelSigma);
        EXPECT_TRUE(w->cmdSaveCusum->isEnabled());
        EXPECT_TRUE(w->cmdSaveResult->isEnabled());
        dialogs().queueFile(dir + "/after.csm");
        w->cmdSaveCusum->click();
        EXPECT_EQ(readBytes(dir + "/after.csm"), before);
    }
}
