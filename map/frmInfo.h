#pragma once
// The region information window: the fields of the region that the map's
// identify tool found, one line per field under the headings "Field" and
// "Value". It stands free of the main frame and is filled by
// modFunctions::ShowRegionInfo.

#include <QWidget>
#include <string>
#include <vector>

#include "context/AppContext.h"

class QListWidget;
class QPushButton;

class frmInfo : public QWidget {
    Q_OBJECT
public:
    static constexpr WindowKind kind = WindowKind::FreeStanding;

    explicit frmInfo(AppContext& ctx);

    // ---- Controls (objectNames are the control names) ----
    QPushButton* Command1 = nullptr;  // "Field"
    QPushButton* Command2 = nullptr;  // "Value"
    QListWidget* lstInfo = nullptr;

    // ---- Handlers ----
    void Form_Load();
    void Form_Resize();
    // The headings only head the columns.
    void Command1_Click() {}
    void Command2_Click() {}

    // The lines the list shows, top to bottom.
    std::vector<std::string> lines() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    AppContext& ctx_;
};
