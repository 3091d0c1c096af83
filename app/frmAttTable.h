#pragma once
// The attribute table of the opened shapefile in a grid: one row per region
// under a fixed heading row of field names, each row headed "Polygon". The
// grid is filled once, when the window loads, from the first record on.

#include <QWidget>
#include <string>

#include "context/AppContext.h"

class QTableWidget;

class frmAttTable : public QWidget {
    Q_OBJECT
public:
    static constexpr WindowKind kind = WindowKind::MdiChild;

    explicit frmAttTable(AppContext& ctx);

    // ---- Controls (objectNames are the control names) ----
    // The fixed heading row and column are the grid's own headers, so they
    // stay in view while the cells scroll.
    QTableWidget* MSFlexGrid1 = nullptr;

    // ---- Handlers ----
    void Form_Load();
    void Form_Resize();

    // The grid addressed as a whole, the fixed row 0 and column 0 included:
    // Rows() = records + 1, Cols() = fields + 1, TextMatrix(0, 0) empty.
    int Rows() const;
    int Cols() const;
    std::string TextMatrix(int row, int col) const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fillGrid();
    QSize outerSize() const;

    AppContext& ctx_;
};
