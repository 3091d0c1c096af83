// The main frame: its menu tree, the enabling rules, the help entries,
// the About window, Exit and the point-data entries.
#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>

#include "app/frmAbout.h"
#include "map/frmInfo.h"
#include "map/frmPolygonSHP.h"
#include "platform/DbfTable.h"
#include "prospective/frmCusumTools.h"
#include "prospective/frmSelectName.h"
#include "prospective/frmUnivariate.h"
#include "prospective/frmUnivariateCusumTextfile.h"
#include "retrospective/ClusterMapLink.h"
#include "retrospective/frmClusterDetection.h"
#include "retrospective/frmClusterDetectionTextfile.h"
#include "tests/app/FrameFixture.h"
#include "tests/support/TestPaths.h"
#include "ui/Pictures.h"
#include "ui/Twips.h"

using namespace frametest;

namespace {

struct MenuRow {
    const char* name;
    const char* caption;
    const char* parent;  // "" for the menu bar
    bool offAtStart;
};

// The whole tree in display order.
const MenuRow kMenuTree[] = {
    {"mnuFile", "&File", "", false},
    {"mnuSepInFile", "", "mnuFile", false},
    {"mnuExit", "&Exit", "mnuFile", false},
    {"mnuClusterDetecton", "&Cluster Detection", "", false},
    {"mnuRetrospectiveTest", "&Retrospective Test", "mnuClusterDetecton", false},
    {"mnuScore_M", "&Score and M Statistic", "mnuRetrospectiveTest", false},
    {"mnuOpenShapeRetro", "&Polygon (ESRI Shapefile)", "mnuScore_M", false},
    {"mnuOpenTextRetro", "&Point (Text File)", "mnuScore_M", false},
    {"mnuProspectiveTest", "&Prospective Test", "mnuClusterDetecton", false},
    {"mnuUnivariateCusumShapefile", "&Cusum for Normal Variate (Univariate)", "mnuProspectiveTest", false},
    {"mnuOpenShapePro", "&Polygon (ESRI Shapefile)", "mnuUnivariateCusumShapefile", false},
    {"mnuOpenTextPro", "&Point (Text File)", "mnuUnivariateCusumShapefile", false},
    {"mnuTool", "&Tool", "", false},
    {"mnuAttTable", "&View Attribute of Shapefile", "mnuTool", true},
    {"mnuCusumTool", "&Cusum Tool", "mnuTool", false},
    {"mnuExport", "&Export", "mnuTool", true},
    {"mnuGetPValue", "&Get p-value", "mnuTool", false},
    {"mnuGetCentroid", "&Get Centroid", "mnuTool", true},
    {"mnuHelp", "&Help", "", false},
    {"mnuManual", "&Manual", "mnuHelp", false},
    {"mnuSepInHelp", "", "mnuHelp", false},
    {"mnuAbout", "& About Korvane", "mnuHelp", false},
};

}  // namespace

class FrameMenus : public FrameTest {};

TEST_F(FrameMenus, TheTreeHoldsEveryEntryInOrderWithItsCaption) {
    EXPECT_EQ(frame->windowTitle().toStdString(), "Korvane (Ver1.1)");
    std::vector<std::string> names;
    for (const auto& row : kMenuTree) names.push_back(row.name);
    EXPECT_EQ(frame->menuNames(), names);

    for (const auto& row : kMenuTree) {
        SCOPED_TRACE(row.name);
        QAction* a = frame->menuEntry(row.name);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->objectName().toStdString(), row.name);
        if (row.caption[0]) EXPECT_EQ(a->text().toStdString(), row.caption);
        else EXPECT_TRUE(a->isSeparator());
        // The entry sits in its parent menu, in the order of the table.
        const QList<QAction*> siblings =
            row.parent[0] ? frame->subMenu(row.parent)->actions() : frame->menuBar()->actions();
        EXPECT_TRUE(siblings.contains(a));
    }
    // The order within each menu, the menu bar included, follows the table,
    // and a menu holds nothing else.
    std::vector<std::string> parents{""};
    for (const auto& row : kMenuTree)
        if (frame->subMenu(row.name)) parents.push_back(row.name);
    EXPECT_EQ(parents.size(), 9u);
    for (const std::string& parent : parents) {
        SCOPED_TRACE(parent.empty() ? "menu bar" : parent);
        std::vector<std::string> want, got;
        for (const auto& row : kMenuTree)
            if (row.parent == parent) want.push_back(row.name);
        const QList<QAction*> actions =
            parent.empty() ? frame->menuBar()->actions() : frame->subMenu(parent)->actions();
        for (QAction* a : actions) got.push_back(a->objectName().toStdString());
        EXPECT_EQ(got, want);
        // A submenu answers through its menu action under its own name.
        if (!parent.empty()) {
            EXPECT_EQ(frame->subMenu(parent)->menuAction(), frame->menuEntry(parent));
        }
    }
    // The access key is the character after "&" ("& About" has a blank).
    const struct { const char* name; QChar key; } keys[] = {
        {"mnuFile", 'F'}, {"mnuExit", 'E'}, {"mnuClusterDetecton", 'C'}, {"mnuRetrospectiveTest", 'R'},
        {"mnuScore_M", 'S'}, {"mnuOpenShapeRetro", 'P'}, {"mnuOpenTextRetro", 'P'}, {"mnuProspectiveTest", 'P'},
        {"mnuUnivariateCusumShapefile", 'C'}, {"mnuTool", 'T'}, {"mnuAttTable", 'V'}, {"mnuCusumTool", 'C'},
        {"mnuExport", 'E'}, {"mnuGetPValue", 'G'}, {"mnuGetCentroid", 'G'}, {"mnuHelp", 'H'}, {"mnuManual", 'M'},
        {"mnuAbout", ' '},
    };
    for (const auto& k : keys) {
        SCOPED_TRACE(k.name);
        const QString text = frame->menuEntry(k.name)->text();
        ASSERT_EQ(text.count('&'), 1);
        EXPECT_EQ(text.at(text.indexOf('&') + 1), k.key);
    }
}

TEST_F(FrameMenus, AtStartOnlyTheThreeToolEntriesAreOff) {
    for (const auto& row : kMenuTree) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(frame->isMenuEnabled(row.name), !row.offAtStart);
    }
}

TEST_F(FrameMenus, TheRulesOfTheMapWindowSwitchTwoEntries) {
    struct Step {
        MenuRule rule;
        bool attTable, centroid, exportOn;
    } steps[] = {
        {MenuRule::ShapefileOpened, true, true, true},
        {MenuRule::MapWindowClosed, false, false, true},
        {MenuRule::MapWindowActivated, true, true, true},
        {MenuRule::FrameLoaded, false, false, false},
        {MenuRule::MapWindowActivated, true, true, false},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(static_cast<int>(s.rule));
        frame->applyMenuRule(s.rule);
        EXPECT_EQ(frame->isMenuEnabled("mnuAttTable"), s.attTable);
        EXPECT_EQ(frame->isMenuEnabled("mnuGetCentroid"), s.centroid);
        EXPECT_EQ(frame->isMenuEnabled("mnuExport"), s.exportOn);
        EXPECT_TRUE(frame->isMenuEnabled("mnuScore_M"));
        EXPECT_TRUE(frame->isMenuEnabled("mnuUnivariateCusumShapefile"));
    }
}

TEST_F(FrameMenus, ManualShowsItsNoticeAndNothingElse) {
    const auto before = frame->mdiArea->subWindowList().size();
    frame->mnuManual_Click();
    ASSERT_EQ(dlg->messages.size(), 1u);
    EXPECT_EQ(dlg->messages[0].text, "See the manual (UserManual.pdf) coming together with Korvane! ");
    EXPECT_EQ(dlg->messages[0].title, "Manual Info.");
    EXPECT_EQ(dlg->messages[0].icon, MsgIcon::Information);
    EXPECT_EQ(dlg->messages[0].buttons, MsgButtons::OK);
    EXPECT_EQ(frame->mdiArea->subWindowList().size(), before);
    EXPECT_TRUE(dlg->fileCalls.empty());
}

TEST_F(FrameMenus, AboutOpensOnceCentredAndAClickOnThePictureClosesIt) {
    frame->mnuAbout_Click();
    frame->mnuAbout_Click();
    frmAbout* about = ctx->find<frmAbout>();
    ASSERT_NE(about, nullptr);
    int aboutWindows = 0;
    for (QMdiSubWindow* sub : frame->mdiArea->subWindowList())
        if (qobject_cast<frmAbout*>(sub->widget())) ++aboutWindows;
    EXPECT_EQ(aboutWindows, 1);
    EXPECT_EQ(about->windowTitle().toStdString(), "About Korvane");
    EXPECT_EQ(about->size(), QSize(520, 316));
    EXPECT_EQ(about->Image1->geometry(), QRect(0, 0, 520, 316));
    // The picture made for the program: 520 x 316.
    ASSERT_FALSE(about->Image1->pixmap().isNull());
    EXPECT_EQ(about->Image1->pixmap().size(), QSize(520, 316));
    QMdiSubWindow* sub = qobject_cast<QMdiSubWindow*>(AppContext::topOf(about));
    ASSERT_NE(sub, nullptr);
    EXPECT_TRUE(sub->windowFlags() & Qt::FramelessWindowHint);
    // Centred on the frame's outer size (twips), as a position in the client area.
    const int left = twipsToPixels((frame->Width() - 7800) / 2);
    const int top = twipsToPixels((frame->Height() - 4740) / 2);
    EXPECT_EQ(sub->pos(), QPoint(left, top));
    QImage shot = frame->grab().toImage();
    shot.save(QString::fromStdString(testOutputPath("about-window.png")));

    const QPointF at(100, 100);
    QMouseEvent press(QEvent::MouseButtonPress, at, about->Image1->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(about->Image1, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, about->Image1->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(about->Image1, &release);
    EXPECT_EQ(ctx->find<frmAbout>(), nullptr);
}

TEST_F(FrameMenus, AMissingAboutPictureShowsAnEmptyImage) {
    Pictures::setBitmapFolder(scratchDir("no-bitmaps"));
    frame->mnuAbout_Click();
    frmAbout* about = ctx->find<frmAbout>();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->Image1->pixmap().isNull());
    about->Image1_Click();
    EXPECT_EQ(ctx->find<frmAbout>(), nullptr);
}

TEST_F(FrameMenus, ExitEndsTheProgramAtOnceWithoutClosingSteps) {
    const std::string shp = writeStudyArea(scratchDir("exit"), "exit");
    openRetro(shp);
    ASSERT_NE(ctx->find<frmPolygonSHP>(), nullptr);
    int ended = 0;
    ctx->endProgram = [&] { ++ended; };
    frame->mnuExit_Click();
    EXPECT_EQ(ended, 1);
    // No window ran its closing steps: the map window is still there and
    // the entries it would have switched off are on.
    EXPECT_NE(ctx->find<frmPolygonSHP>(), nullptr);
    EXPECT_TRUE(frame->isMenuEnabled("mnuAttTable"));
}

TEST_F(FrameMenus, CusumToolEntryShowsTheThresholdToolInTheFrame) {
    frame->mnuCusumTool_Click();
    frmCusumTools* tool = ctx->find<frmCusumTools>();
    ASSERT_NE(tool, nullptr);
    ASSERT_EQ(frame->mdiArea->subWindowList().size(), 1);
    EXPECT_EQ(frame->mdiArea->subWindowList().front()->widget(), tool);
    // A second choice brings the one window to the front.
    frame->mnuCusumTool_Click();
    EXPECT_EQ(frame->mdiArea->subWindowList().size(), 1);
    EXPECT_EQ(ctx->find<frmCusumTools>(), tool);
}

TEST_F(FrameMenus, PointDataEntriesCloseTheFrameWithItsChildrenAndBringItBack) {
    for (bool retro : {true, false}) {
        SCOPED_TRACE(retro ? "retrospective" : "prospective");
        const std::string shp = writeStudyArea(scratchDir("point-entry"), "points");
        openPro(shp);
        ASSERT_NE(ctx->find<frmPolygonSHP>(), nullptr);
        frame->mnuGetPValue_Click();
        ctx->show<frmInfo>();
        ASSERT_TRUE(frame->isMenuEnabled("mnuAttTable"));
        const auto polygonsBefore = ctx->state.area.polygons.Count();
        MDIFrmMain* old = frame;

        if (retro) frame->mnuOpenTextRetro_Click();
        else frame->mnuOpenTextPro_Click();

        EXPECT_TRUE(ctx->state.shared.pointDataMode);
        EXPECT_FALSE(ctx->state.shared.polygonDataMode);
        EXPECT_EQ(ctx->find<frmPolygonSHP>(), nullptr);
        EXPECT_EQ(ctx->find<frmInfo>(), nullptr);  // the frame's closing closes it
        frame = ctx->find<MDIFrmMain>();
        ASSERT_NE(frame, nullptr);
        EXPECT_NE(frame, old);
        EXPECT_TRUE(frame->isVisible());
        // Each entry brings the frame back around its point window.
        ASSERT_EQ(frame->mdiArea->subWindowList().size(), 1);
        if (retro)
            EXPECT_NE(ctx->find<frmClusterDetectionTextfile>(), nullptr);
        else
            EXPECT_NE(ctx->find<frmUnivariateCusumTextfile>(), nullptr);
        // The new frame started afresh: the three tool entries are off again.
        EXPECT_FALSE(frame->isMenuEnabled("mnuAttTable"));
        EXPECT_FALSE(frame->isMenuEnabled("mnuGetCentroid"));
        EXPECT_FALSE(frame->isMenuEnabled("mnuExport"));
        // The study area stays loaded, shown by no window.
        EXPECT_EQ(ctx->state.area.polygons.Count(), polygonsBefore);
        // A frame loaded anew fits the screen it opens on.
        const QSize room = QGuiApplication::primaryScreen()->availableGeometry().size();
        EXPECT_LE(frame->width(), room.width());
        EXPECT_LE(frame->height(), room.height());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

namespace {

// The map closed with its close box comes back with the next Run of the
// cluster or the cusum window: it is the active window then, and the two
// entries it switches on are on, without the user clicking another window
// and the map again.
TEST_F(FrameMenus, TheMapReopenedByARunIsActiveWithItsEntriesOn) {
    for (const bool cusum : {false, true}) {
        SCOPED_TRACE(cusum ? "cusum window" : "cluster window");
        const std::string sample = sourcePath("data/sample/sample.shp");
        QPushButton* run = nullptr;
        if (cusum) {
            frmUnivariate* u = openProWithNames(sample);
            ASSERT_NE(u, nullptr);
            chooseSampleRange(u);
            run = u->cmdCalc;
        } else {
            openRetroWithFields(sample);
            frmClusterDetection* w = ctx->find<frmClusterDetection>();
            ASSERT_NE(w, nullptr);
            run = w->cmdRun;
        }
        frmPolygonSHP* map = ctx->find<frmPolygonSHP>();
        ASSERT_NE(map, nullptr);
        AppContext::topOf(map)->close();
        QCoreApplication::processEvents();
        ASSERT_EQ(ctx->find<frmPolygonSHP>(), nullptr);
        EXPECT_FALSE(frame->isMenuEnabled("mnuAttTable"));
        EXPECT_FALSE(frame->isMenuEnabled("mnuGetCentroid"));

        run->click();
        QCoreApplication::processEvents();
        EXPECT_TRUE(takeMessages().empty());
        map = ctx->find<frmPolygonSHP>();
        ASSERT_NE(map, nullptr);
        EXPECT_EQ(frame->mdiArea->activeSubWindow(), AppContext::topOf(map));
        EXPECT_TRUE(cusum ? ctx->state.shared.cusumMapMode : ctx->state.shared.retroMapMode);
        EXPECT_TRUE(frame->isMenuEnabled("mnuAttTable"));
        EXPECT_TRUE(frame->isMenuEnabled("mnuGetCentroid"));
        EXPECT_TRUE(map->mapMenusEnabled());
    }
}

}  // namespace
