#include "app/MDIFrmMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <cmath>
#include <new>

#include "app/frmAbout.h"
#include "app/frmAttTable.h"
#include "app/frmCalculatePValue.h"
#include "app/modLoad.h"
#include "map/frmInfo.h"
#include "map/frmPolygonSHP.h"
#include "map/modArea.h"
#include "map/modDrawPolygon.h"
#include "platform/DbfTable.h"
#include "platform/Error.h"
#include "platform/Format.h"
#include "prospective/frmCusumTools.h"
#include "prospective/frmExportDataset.h"
#include "prospective/frmSelectName.h"
#include "prospective/frmUnivariate.h"
#include "prospective/frmUnivariateCusumTextfile.h"
#include "retrospective/frmClusterDetection.h"
#include "retrospective/frmClusterDetectionTextfile.h"
#include "retrospective/frmParameter.h"
#include "retrospective/frmSigmaChart.h"
#include "ui/Dialogs.h"
#include "ui/TextSave.h"
#include "ui/Twips.h"
#include "ui/WindowParts.h"

using WindowParts::onSignal;

MDIFrmMain::MDIFrmMain(AppContext& ctx) : ctx_(ctx) {
    setObjectName("MDIFrmMain");
    setWindowTitle("Korvane (Ver1.1)");
    mdiArea = new QMdiArea(this);
    mdiArea->setObjectName("mdiArea");
    // The workspace behind the child windows takes the palette's dark shade.
    mdiArea->setBackground(palette().brush(QPalette::Dark));
    setCentralWidget(mdiArea);
    createMenus();
    createStatusBar();
    // Room for the map window with the cluster test window beside it, but
    // never more than the screen offers.
    QSize size(1280, 860);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size());
    resize(size);
    connectServices();
    MDIForm_Load();
}

void MDIFrmMain::connectServices() {
    // The services reach whichever frame is open when they are used, so a
    // closed frame that Qt has not yet deleted answers no more.
    AppContext& ctx = ctx_;
    ctx.frame().install(
        [&ctx](int pointer) {
            if (MDIFrmMain* f = ctx.find<MDIFrmMain>()) f->setMousePointer(pointer);
        },
        [&ctx](const std::string& text) {
            if (MDIFrmMain* f = ctx.find<MDIFrmMain>()) f->setStatusPanelText(text);
        },
        [&ctx](MenuRule rule) {
            if (MDIFrmMain* f = ctx.find<MDIFrmMain>()) f->applyMenuRule(rule);
        });
    MapHub& hub = ctx.mapHub();
    auto whileOpen = [this](auto action) {
        return [this, action](auto&&... args) {
            if (ctx_.find<MDIFrmMain>() == this) action(args...);
        };
    };
    onSignal(&hub, &MapHub::mapActivated, this, whileOpen([this] { applyMenuRule(MenuRule::MapWindowActivated); }));
    onSignal(&hub, &MapHub::mapClosed, this, whileOpen([this] { applyMenuRule(MenuRule::MapWindowClosed); }));
    onSignal(&hub, &MapHub::coordinatesChanged, this,
            whileOpen([this](const std::string& text) { setStatusPanelText(text); }));
    // The coordinates shown belong to the map of the study area before.
    onSignal(&hub, &MapHub::studyAreaOpened, this, whileOpen([this] { setStatusPanelText({}); }));
}

// ---------------------------------------------------------------- menus

QMenu* MDIFrmMain::addSubMenu(QMenu* parent, const char* name, const char* caption) {
    QMenu* m = parent ? parent->addMenu(QString::fromUtf8(caption)) : menuBar()->addMenu(QString::fromUtf8(caption));
    m->setObjectName(name);
    m->menuAction()->setObjectName(name);
    menus_[name] = m;
    entries_[name] = m->menuAction();
    menuOrder_.push_back(name);
    return m;
}

QAction* MDIFrmMain::addEntry(QMenu* menu, const char* name, const char* caption, void (MDIFrmMain::*handler)()) {
    QAction* a = menu->addAction(QString::fromUtf8(caption));
    a->setObjectName(name);
    onSignal(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    entries_[name] = a;
    menuOrder_.push_back(name);
    return a;
}

void MDIFrmMain::addSeparator(QMenu* menu, const char* name) {
    QAction* a = menu->addSeparator();
    a->setObjectName(name);
    entries_[name] = a;
    menuOrder_.push_back(name);
}

void MDIFrmMain::createMenus() {
    QMenu* file = addSubMenu(nullptr, "mnuFile", "&File");
    addSeparator(file, "mnuSepInFile");
    addEntry(file, "mnuExit", "&Exit", &MDIFrmMain::mnuExit_Click);

    QMenu* cluster = addSubMenu(nullptr, "mnuClusterDetecton", "&Cluster Detection");
    QMenu* retro = addSubMenu(cluster, "mnuRetrospectiveTest", "&Retrospective Test");
    QMenu* scoreM = addSubMenu(retro, "mnuScore_M", "&Score and M Statistic");
    addEntry(scoreM, "mnuOpenShapeRetro", "&Polygon (ESRI Shapefile)", &MDIFrmMain::mnuOpenShapeRetro_Click);
    addEntry(scoreM, "mnuOpenTextRetro", "&Point (Text File)", &MDIFrmMain::mnuOpenTextRetro_Click);
    QMenu* pro = addSubMenu(cluster, "mnuProspectiveTest", "&Prospective Test");
    QMenu* cusum = addSubMenu(pro, "mnuUnivariateCusumShapefile", "&Cusum for Normal Variate (Univariate)");
    addEntry(cusum, "mnuOpenShapePro", "&Polygon (ESRI Shapefile)", &MDIFrmMain::mnuOpenShapePro_Click);
    addEntry(cusum, "mnuOpenTextPro", "&Point (Text File)", &MDIFrmMain::mnuOpenTextPro_Click);

    QMenu* tool = addSubMenu(nullptr, "mnuTool", "&Tool");
    addEntry(tool, "mnuAttTable", "&View Attribute of Shapefile", &MDIFrmMain::mnuAttTable_Click);
    addEntry(tool, "mnuCusumTool", "&Cusum Tool", &MDIFrmMain::mnuCusumTool_Click);
    addEntry(tool, "mnuExport", "&Export", &MDIFrmMain::mnuExport_Click);
    addEntry(tool, "mnuGetPValue", "&Get p-value", &MDIFrmMain::mnuGetPValue_Click);
    addEntry(tool, "mnuGetCentroid", "&Get Centroid", &MDIFrmMain::mnuGetCentroid_Click);

    QMenu* help = addSubMenu(nullptr, "mnuHelp", "&Help");
    addEntry(help, "mnuManual", "&Manual", &MDIFrmMain::mnuManual_Click);
    addSeparator(help, "mnuSepInHelp");
    addEntry(help, "mnuAbout", "& About Korvane", &MDIFrmMain::mnuAbout_Click);
}

void MDIFrmMain::createStatusBar() {
    staMain = statusBar();
    staMain->setObjectName("staMain");
    staMainPanel1 = new QLabel(staMain);
    staMainPanel1->setObjectName("staMainPanel1");
    staMainPanel1->setMinimumWidth(300);
    staMain->addWidget(staMainPanel1, 1);
}

QAction* MDIFrmMain::menuEntry(const std::string& name) const {
    auto it = entries_.find(name);
    return it == entries_.end() ? nullptr : it->second;
}

QMenu* MDIFrmMain::subMenu(const std::string& name) const {
    auto it = menus_.find(name);
    return it == menus_.end() ? nullptr : it->second;
}

bool MDIFrmMain::isMenuEnabled(const std::string& name) const {
    const QAction* a = menuEntry(name);
    return a && a->isEnabled();
}

void MDIFrmMain::setMenuEnabled(const char* name, bool enabled) {
    if (QAction* a = menuEntry(name)) a->setEnabled(enabled);
}

void MDIFrmMain::applyMenuRule(MenuRule rule) {
    switch (rule) {
        case MenuRule::FrameLoaded:
            setMenuEnabled("mnuAttTable", false);
            setMenuEnabled("mnuGetCentroid", false);
            setMenuEnabled("mnuExport", false);
            break;
        case MenuRule::ShapefileOpened:
            setMenuEnabled("mnuScore_M", true);
            setMenuEnabled("mnuUnivariateCusumShapefile", true);
            setMenuEnabled("mnuGetCentroid", true);
            setMenuEnabled("mnuAttTable", true);
            setMenuEnabled("mnuExport", true);
            break;
        case MenuRule::MapWindowClosed:
            setMenuEnabled("mnuAttTable", false);
            setMenuEnabled("mnuGetCentroid", false);
            break;
        case MenuRule::MapWindowActivated:
            setMenuEnabled("mnuAttTable", true);
            setMenuEnabled("mnuGetCentroid", true);
            break;
    }
}

// ---------------------------------------------------------------- frame services

void MDIFrmMain::setStatusPanelText(const std::string& text) { staMainPanel1->setText(QString::fromStdString(text)); }

std::string MDIFrmMain::statusPanelText() const { return staMainPanel1->text().toStdString(); }

void MDIFrmMain::setMousePointer(int pointer) {
    mousePointer_ = pointer;
    switch (pointer) {
        case 11: setCursor(Qt::WaitCursor); break;
        case 13: setCursor(Qt::BusyCursor); break;
        case 1: setCursor(Qt::ArrowCursor); break;
        default: unsetCursor(); break;
    }
}

double MDIFrmMain::Width() const { return pixelsToTwips(frameGeometry().width()); }
double MDIFrmMain::Height() const { return pixelsToTwips(frameGeometry().height()); }

MDIFrmMain* installMainFrame(AppContext& ctx) {
    ctx.mainFrameLoader = [&ctx]() -> QMdiArea* {
        MDIFrmMain* frame = ctx.find<MDIFrmMain>();
        if (!frame) {
            frame = ctx.load<MDIFrmMain>();
            frame->show();
        }
        return frame->mdiArea;
    };
    MDIFrmMain* frame = ctx.show<MDIFrmMain>();
    return frame;
}

// ---------------------------------------------------------------- start and end

void MDIFrmMain::MDIForm_Load() { applyMenuRule(MenuRule::FrameLoaded); }

void MDIFrmMain::MDIForm_Unload() { ctx_.unload<frmInfo>(); }

void MDIFrmMain::closeEvent(QCloseEvent* event) {
    // The children close first, each with its own closing steps; one that
    // refuses keeps the frame open.
    mdiArea->closeAllSubWindows();
    if (!mdiArea->subWindowList().isEmpty()) {
        event->ignore();
        return;
    }
    MDIForm_Unload();
    event->accept();
}

void MDIFrmMain::mnuExit_Click() { ctx_.EndProgram(); }

// ---------------------------------------------------------------- polygon entries

namespace {

// A new study area starts at the full extent: a zoom or pan of the earlier
// map would shift the new one.
void resetMapView(AppState& s) {
    s.view.mapZoom = 1.0;
    s.view.panShiftX = s.view.panShiftY = 0.0;
    s.view.panDragX = s.view.panDragY = 0.0;
}

// Areas, centroids and the plain map of the study area just opened.
void drawNewStudyArea(AppContext& ctx) {
    AppState& s = ctx.state;
    try {
        modFunctions::CalcPolygonArea(s);
        modFunctions::CalcPolygonCentroid(s);
        modDrawPolygon::DrawShapefile(ctx);
    } catch (const AppError& e) {
        dialogs().warning("The map of " + s.area.shpPath + " cannot be drawn:\n" + e.description());
    }
}

}  // namespace

void MDIFrmMain::mnuOpenShapeRetro_Click() {
    AppContext& ctx = ctx_;  // the data input runs a loop of its own below
    AppState& s = ctx.state;
    ctx.unloadNamed("frmClusterDetectionTextfile");
    ctx.unloadNamed("frmUnivariateCusumTextfile");
    ctx.unloadNamed("frmUnivariate");
    ctx.unloadNamed("frmTxtFileOpen");
    ctx.unloadNamed("frmGraph");
    ctx.unload<frmSigmaChart>();
    ctx.unload<frmPolygonSHP>();
    resetMapView(s);

    if (!modLoad::OpenPolygonStudyArea(ctx)) return;
    s.area.mapWindowTitle = s.area.shpFileTitle;
    // The class or cusum shading of the earlier study area belongs to its
    // regions: the new map window must not redraw it around the new ones.
    s.shared.retroMapMode = false;
    s.shared.cusumMapMode = false;

    ctx.showModal<frmParameter>();

    drawNewStudyArea(ctx);
    if (MDIFrmMain* frame = ctx.find<MDIFrmMain>()) frame->applyMenuRule(MenuRule::ShapefileOpened);
    s.shared.polygonDataMode = true;
    s.shared.pointDataMode = false;
}

void MDIFrmMain::mnuOpenShapePro_Click() {
    AppState& s = ctx_.state;
    // A cusum animation of the study area on show stops here.
    if (frmUnivariate* cusum = ctx_.find<frmUnivariate>()) cusum->cancelAnimation();
    ctx_.unload<frmClusterDetection>();
    ctx_.unloadNamed("frmClusterDetectionTextfile");
    ctx_.unloadNamed("frmUnivariateCusumTextfile");
    ctx_.unloadNamed("frmGraph");
    ctx_.unload<frmSigmaChart>();
    ctx_.unload<frmPolygonSHP>();
    resetMapView(s);

    if (!modLoad::OpenPolygonStudyArea(ctx_)) return;
    s.shared.polygonDataMode = true;
    s.shared.retroMapMode = false;
    s.shared.cusumMapMode = false;
    s.shared.pointDataMode = false;
    s.area.mapWindowTitle = s.area.shpFileTitle;

    drawNewStudyArea(ctx_);
    // The cusum window stays open; its field lists follow the new table.
    if (frmUnivariate* cusum = ctx_.find<frmUnivariate>()) cusum->studyAreaOpened();
    // The name-field dialog, without waiting; its OK shows the cusum window.
    // One still open from the earlier study area lists that table's fields,
    // so it is loaded afresh.
    ctx_.unload<frmSelectName>();
    ctx_.show<frmSelectName>();
    applyMenuRule(MenuRule::ShapefileOpened);
}

// ---------------------------------------------------------------- point entries

bool MDIFrmMain::closeForPointData() {
    AppContext& ctx = ctx_;  // this frame is on its way out below
    ctx.state.shared.polygonDataMode = false;
    ctx.state.shared.pointDataMode = true;
    // The frame comes back around the point window at once, so the program
    // must not end when this, its last window, closes.
    const bool quitOnLast = QApplication::quitOnLastWindowClosed();
    QApplication::setQuitOnLastWindowClosed(false);
    close();
    QApplication::setQuitOnLastWindowClosed(quitOnLast);
    return !ctx.find<MDIFrmMain>();  // still open: a child refused to close
}

void MDIFrmMain::mnuOpenTextRetro_Click() {
    AppContext& ctx = ctx_;
    if (!closeForPointData()) return;
    // Showing the point window loads the frame anew around it.
    if (ctx.mainFrameLoader) ctx.show<frmClusterDetectionTextfile>();
}

void MDIFrmMain::mnuOpenTextPro_Click() {
    AppContext& ctx = ctx_;
    if (!closeForPointData()) return;
    // Showing the point window loads the frame anew around it.
    if (ctx.mainFrameLoader) ctx.show<frmUnivariateCusumTextfile>();
}

// ---------------------------------------------------------------- tools and help

void MDIFrmMain::mnuAttTable_Click() {
    AppState& s = ctx_.state;
    if (!s.area.dbfRecordset) {
        dialogs().warning("No attribute table is open. Open a polygon shapefile with its .dbf table first.");
        return;
    }
    if (s.area.dbfRecordset->IsEOF()) s.area.dbfRecordset->MoveFirst();
    frmAttTable* w = ctx_.show<frmAttTable>();
    w->setWindowTitle(QString::fromStdString(s.area.dbfFileName));
}

void MDIFrmMain::mnuCusumTool_Click() { ctx_.show<frmCusumTools>(); }

void MDIFrmMain::mnuExport_Click() {
    ctx_.show<frmExportDataset>();
}

void MDIFrmMain::mnuGetPValue_Click() { ctx_.show<frmCalculatePValue>(); }

void MDIFrmMain::mnuManual_Click() {
    dialogs().message("See the manual (UserManual.pdf) coming together with Korvane! ", "Manual Info.",
                      MsgIcon::Information, MsgButtons::OK);
}

void MDIFrmMain::mnuAbout_Click() { ctx_.show<frmAbout>(); }

// ---------------------------------------------------------------- centroid export

std::vector<std::string> CentroidFileLines(const AppState& state) {
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(std::max<std::int32_t>(0, state.area.regionCount)) + 1);
    lines.emplace_back(" ID,           CentX,           CentY");
    for (std::int32_t i = 1; i <= state.area.regionCount; ++i) {
        const CentroidRecord& c = state.area.centroidTable.at(static_cast<std::size_t>(i));
        checkedFinite(c.X, "CentroidFileLines");
        checkedFinite(c.Y, "CentroidFileLines");
        lines.push_back(alignRight(std::to_string(i), 3) + "," + alignRight(formatMask(c.X, "###0.000000"), 18) +
                        "," + alignRight(formatMask(c.Y, "###0.000000"), 18));
    }
    return lines;
}

void MDIFrmMain::mnuGetCentroid_Click() {
    AppState& s = ctx_.state;
    std::vector<std::string> lines;
    try {
        modFunctions::CalcPolygonArea(s);
        modFunctions::CalcPolygonCentroid(s);
        lines = CentroidFileLines(s);
    } catch (const std::bad_alloc&) {
        dialogs().warning("There is not enough memory left to compute the centroids of the regions of \"" +
                          s.area.shpPath + "\".");
        return;
    } catch (const std::exception& e) {
        dialogs().warning(std::string("The centroids cannot be computed: ") + e.what());
        return;
    }

    saveTextFile([&] { return lines; }, [](SaveStep, const std::string& file, const std::string& cause) {
        return "The centroid file " + file + " cannot be written:\n" + cause;
    });
}
