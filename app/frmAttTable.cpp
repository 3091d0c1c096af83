#include "app/frmAttTable.h"

#include <QHeaderView>
#include <QTableWidget>
#include <algorithm>

#include "map/modFunctions.h"
#include "platform/DbfTable.h"
#include "platform/Error.h"
#include "ui/Dialogs.h"
#include "ui/Twips.h"
#include "ui/WindowParts.h"

using WindowParts::onSignal;

namespace {
// An error number that reports nothing the user must act on: it is
// cleared without a message.
constexpr std::int32_t kSilentError = 32755;

std::string trimmed(const std::string& s) {
    const auto b = s.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    const auto e = s.find_last_not_of(' ');
    return s.substr(b, e - b + 1);
}
}  // namespace

frmAttTable::frmAttTable(AppContext& ctx) : QWidget(nullptr), ctx_(ctx) {
    setObjectName("frmAttTable");
    setWindowTitle("Attribute Table");
    resize(twipsToPixels(8025), twipsToPixels(5160));

    MSFlexGrid1 = new QTableWidget(this);
    MSFlexGrid1->setObjectName("MSFlexGrid1");
    MSFlexGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    MSFlexGrid1->setVisible(false);
    MSFlexGrid1->move(0, 0);
    // Rows as tall as their text, so that a table shows as many records as
    // the window has room for.
    MSFlexGrid1->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    MSFlexGrid1->horizontalHeader()->setResizeContentsPrecision(200);
    // Another study area's table replaces the one shown.
    onSignal(&ctx_.mapHub(), &MapHub::studyAreaOpened, this, [this] {
        if (ctx_.find<frmAttTable>() == this) Form_Load();
    });

    Form_Load();
}

void frmAttTable::Form_Load() {
    try {
        resize(width(), twipsToPixels(5160));
        if (!trimmed(ctx_.state.area.dbfPath).empty()) fillGrid();
        if (ctx_.state.area.dbfRecordset) ctx_.state.area.dbfRecordset->MoveFirst();
    } catch (const AppError& e) {
        if (e.number() != kSilentError) dialogs().message(e.description());
    } catch (const std::exception& e) {
        dialogs().message(e.what());
    }
    setWindowTitle(QString::fromStdString(ctx_.state.area.dbfFileName));
}

void frmAttTable::fillGrid() {
    if (!ctx_.state.area.dbfRecordset) throw AppError(91, "Object variable or With block variable not set", "frmAttTable");
    const DbfTable& table = *ctx_.state.area.dbfRecordset;
    const int records = table.RecordCount();
    const int fields = table.FieldCount();

    // Every cell is filled from its own record and field, from record 1
    // whatever the cursor's position; a value holding a tab or a line end
    // stays in its cell.
    MSFlexGrid1->clear();
    MSFlexGrid1->setRowCount(records);
    MSFlexGrid1->setColumnCount(fields);
    MSFlexGrid1->setUpdatesEnabled(false);
    for (int i = 1; i <= records; ++i)
        for (int j = 0; j < fields; ++j) {
            const std::string text = modFunctions::ValueDisplayText(table.ValueAt(i, j));
            MSFlexGrid1->setItem(i - 1, j, new QTableWidgetItem(QString::fromStdString(text)));
        }
    MSFlexGrid1->setUpdatesEnabled(true);
    MSFlexGrid1->setVisible(true);
    for (int i = 1; i <= records; ++i) MSFlexGrid1->setVerticalHeaderItem(i - 1, new QTableWidgetItem("Polygon"));
    for (int j = 0; j < fields; ++j)
        MSFlexGrid1->setHorizontalHeaderItem(j, new QTableWidgetItem(QString::fromStdString(table.Field(j).Name)));
    // Columns as wide as their names and values (measured over the first
    // rows, so a large table opens without delay).
    MSFlexGrid1->resizeColumnsToContents();
}

QSize frmAttTable::outerSize() const {
    // The window's size with its frame and caption, as the margins below
    // are measured from it.
    if (const QWidget* top = AppContext::topOf(const_cast<frmAttTable*>(this)); top && top != this) return top->size();
    return frameGeometry().size();
}

void frmAttTable::Form_Resize() {
    if (!MSFlexGrid1) return;
    const QSize outer = outerSize();
    MSFlexGrid1->resize(std::max(0, outer.width() - twipsToPixels(100)), MSFlexGrid1->height());
    // A window lower than the margin keeps the grid's height as it was.
    const int h = outer.height() - twipsToPixels(500);
    if (h >= 0) MSFlexGrid1->resize(MSFlexGrid1->width(), h);
}

int frmAttTable::Rows() const { return MSFlexGrid1->rowCount() + 1; }
int frmAttTable::Cols() const { return MSFlexGrid1->columnCount() + 1; }

std::string frmAttTable::TextMatrix(int row, int col) const {
    if (row < 0 || col < 0 || row >= Rows() || col >= Cols()) raiseSubscriptOutOfRange("frmAttTable::TextMatrix");
    const QTableWidgetItem* item = nullptr;
    if (row == 0 && col == 0) return {};
    if (row == 0)
        item = MSFlexGrid1->horizontalHeaderItem(col - 1);
    else if (col == 0)
        item = MSFlexGrid1->verticalHeaderItem(row - 1);
    else
        item = MSFlexGrid1->item(row - 1, col - 1);
    return item ? item->text().toStdString() : std::string();
}

void frmAttTable::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}
