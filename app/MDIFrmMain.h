#pragma once
// The program's main frame: the menu bar every analysis starts from, the
// client area that holds the child windows, and the status bar the map
// window writes its coordinates to.
//
// Which of the tool entries are enabled is decided in one place,
// applyMenuRule(), by the events that change it.

#include <QMainWindow>
#include <map>
#include <string>

#include "context/AppContext.h"

class QLabel;
class QMdiArea;
class QMenu;

class MDIFrmMain : public QMainWindow {
    Q_OBJECT
public:
    static constexpr WindowKind kind = WindowKind::MainFrame;

    explicit MDIFrmMain(AppContext& ctx);

    // ---- Controls (objectNames are the control names) ----
    QMdiArea* mdiArea = nullptr;
    QStatusBar* staMain = nullptr;
    QLabel* staMainPanel1 = nullptr;  // the first panel of staMain

    // A menu entry or submenu by its control name (mnuFile, mnuExit, ...),
    // or nullptr. Submenus answer with their menu action.
    QAction* menuEntry(const std::string& name) const;
    QMenu* subMenu(const std::string& name) const;
    bool isMenuEnabled(const std::string& name) const;
    // Every menu control name in display order, separators included.
    const std::vector<std::string>& menuNames() const noexcept { return menuOrder_; }

    void applyMenuRule(MenuRule rule);

    // Text of panel 1 of the status bar.
    void setStatusPanelText(const std::string& text);
    std::string statusPanelText() const;

    // The frame's mouse pointer: 0 default, 1 arrow, 11 hourglass, 13 arrow
    // with hourglass.
    void setMousePointer(int pointer);
    int mousePointer() const noexcept { return mousePointer_; }

    // Outer size of the frame in twips, from which dialogs place themselves.
    double Width() const;
    double Height() const;

    // ---- Handlers ----
    void MDIForm_Load();
    void MDIForm_Unload();
    void mnuOpenShapeRetro_Click();
    void mnuOpenShapePro_Click();
    void mnuOpenTextRetro_Click();
    void mnuOpenTextPro_Click();
    void mnuAttTable_Click();
    void mnuCusumTool_Click();
    void mnuExport_Click();
    void mnuGetPValue_Click();
    void mnuGetCentroid_Click();
    void mnuManual_Click();
    void mnuAbout_Click();
    void mnuExit_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createMenus();
    // Offers the frame's services to the windows below it and follows the
    // map hub's activations and coordinates.
    void connectServices();
    void createStatusBar();
    QAction* addEntry(QMenu* menu, const char* name, const char* caption, void (MDIFrmMain::*handler)());
    QMenu* addSubMenu(QMenu* parent, const char* name, const char* caption);
    void addSeparator(QMenu* menu, const char* name);
    void setMenuEnabled(const char* name, bool enabled);
    // Switches to point data and closes the frame with every child window,
    // keeping the program running; false when a child refused to close.
    bool closeForPointData();

    AppContext& ctx_;
    std::map<std::string, QAction*> entries_;
    std::map<std::string, QMenu*> menus_;
    std::vector<std::string> menuOrder_;
    int mousePointer_ = 0;
};

// Makes the frame the home of the child windows: showing a child while the
// frame is closed loads the frame anew. Returns the frame, shown.
MDIFrmMain* installMainFrame(AppContext& ctx);

// The centroid file's lines (header and one line per region), as the
// centroid export writes them.
std::vector<std::string> CentroidFileLines(const AppState& state);
