// The attribute table window: its grid of every record and field.

#include <QTableWidget>

#include "app/frmAttTable.h"
#include "tests/app/ToolsFixture.h"
#include "ui/Twips.h"

using namespace toolsfixture;

namespace {

class AttributeTable : public ToolsTest {
protected:
    void SetUp() override {
        ToolsTest::SetUp();
        dir = scratchDir("attribute-table");
        writeTable(dir + "/areas.dbf", {{"NAME", FTString, 12, 0}, {"CASES", FTDouble, 10, 2}},
                   {{"Alba", "12.5"}, {"Tab\there", std::nullopt}, {std::nullopt, "-3"}});
        openTable(dir + "/areas.dbf", "areas.dbf");
    }
    std::string dir;
};

}  // namespace

TEST_F(AttributeTable, ThreeRecordsOfTwoFieldsGiveFourRowsOfThreeColumns) {
    frmAttTable* w = ctx.show<frmAttTable>();
    EXPECT_EQ(w->Rows(), 4);
    EXPECT_EQ(w->Cols(), 3);
    const std::vector<std::vector<std::string>> expected = {
        {"", "NAME", "CASES"},
        {"Polygon", "Alba", "12.5"},
        {"Polygon", "Tab\there", ""},  // a tab stays in its cell
        {"Polygon", "", "-3"},
    };
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c) {
            SCOPED_TRACE("cell " + std::to_string(r) + ", " + std::to_string(c));
            EXPECT_EQ(w->TextMatrix(r, c), expected[r][c]);
        }
    EXPECT_TRUE(w->MSFlexGrid1->isVisibleTo(w));
    EXPECT_EQ(w->windowTitle().toStdString(), "areas.dbf");
    EXPECT_TRUE(dialogs().messages.empty());
}

TEST_F(AttributeTable, FilledFromTheFirstRecordWhateverTheCursor) {
    ctx.state.area.dbfRecordset->MoveNext();
    ctx.state.area.dbfRecordset->MoveNext();
    frmAttTable* w = ctx.show<frmAttTable>();
    EXPECT_EQ(w->TextMatrix(1, 1), "Alba");
    EXPECT_EQ(w->TextMatrix(3, 2), "-3");
    EXPECT_EQ(ctx.state.area.dbfRecordset->AbsolutePosition(), 1);
}

TEST_F(AttributeTable, NoTableOpenShowsAnEmptyWindow) {
    ctx.state.area.dbfPath = "   ";
    ctx.state.area.dbfRecordset.reset();
    ctx.state.area.dbfFileName = "";
    frmAttTable* w = ctx.show<frmAttTable>();
    EXPECT_FALSE(w->MSFlexGrid1->isVisibleTo(w));
    EXPECT_TRUE(dialogs().messages.empty());
}

TEST_F(AttributeTable, AnErrorShowsItsDescriptionAndTheWindowCarriesOn) {
    ctx.state.area.dbfRecordset.reset();  // a path but no table
    frmAttTable* w = ctx.show<frmAttTable>();
    ASSERT_EQ(dialogs().messages.size(), 1u);
    const auto& m = dialogs().messages[0];
    EXPECT_EQ(m.text, "Object variable or With block variable not set");
    EXPECT_EQ(m.title, kProgramTitle);
    EXPECT_EQ(m.icon, MsgIcon::None);
    EXPECT_EQ(m.buttons, MsgButtons::OK);
    EXPECT_EQ(w->windowTitle().toStdString(), "areas.dbf");
}

TEST_F(AttributeTable, TheGridFollowsTheWindowExceptBelowItsMargin) {
    // The sizes are those of the window with its frame.
    frmAttTable* w = ctx.show<frmAttTable>();
    QWidget* outer = AppContext::topOf(w);
    EXPECT_EQ(outer->height(), twipsToPixels(5160));
    outer->resize(500, 400);
    QCoreApplication::processEvents();
    EXPECT_EQ(w->MSFlexGrid1->width(), 500 - twipsToPixels(100));
    EXPECT_EQ(w->MSFlexGrid1->height(), 400 - twipsToPixels(500));

    // A window lower than 500 twips leaves the grid's height and says nothing.
    frmAttTable alone(ctx);
    alone.show();
    alone.resize(300, 200);
    const int before = alone.MSFlexGrid1->height();
    EXPECT_EQ(before, alone.frameGeometry().height() - twipsToPixels(500));
    alone.resize(300, 10);
    ASSERT_LT(alone.frameGeometry().height(), twipsToPixels(500));
    EXPECT_EQ(alone.MSFlexGrid1->height(), before);
    EXPECT_EQ(alone.MSFlexGrid1->width(), alone.frameGeometry().width() - twipsToPixels(100));
    EXPECT_TRUE(dialogs().messages.empty());
}

TEST_F(AttributeTable, TheGridKeepsWhatItShowedWhileOpen) {
    frmAttTable* w = ctx.show<frmAttTable>();
    const std::string other = dir + "/other.dbf";
    writeTable(other, {{"X", FTString, 4, 0}}, {{"a"}});
    openTable(other, "other.dbf");
    EXPECT_EQ(ctx.show<frmAttTable>(), w);
    EXPECT_EQ(w->Rows(), 4);
    EXPECT_EQ(w->TextMatrix(0, 1), "NAME");
}

TEST_F(AttributeTable, NumbersShowTheDisplayDecimalSign) {
    setDisplayDecimalSign(',');
    frmAttTable* w = ctx.show<frmAttTable>();
    setDisplayDecimalSign('.');
    EXPECT_EQ(w->TextMatrix(1, 2), "12,5");
    EXPECT_EQ(w->TextMatrix(3, 2), "-3");
    EXPECT_EQ(w->TextMatrix(1, 1), "Alba");  // text stays as it is
}
