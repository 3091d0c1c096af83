// The region information window and its list of one region's fields.

#include <QFontInfo>
#include <QListWidget>
#include <QPushButton>

#include "map/frmInfo.h"
#include "map/modFunctions.h"
#include "tests/app/ToolsFixture.h"
#include "ui/Twips.h"

using namespace toolsfixture;

namespace {

class RegionInfo : public ToolsTest {
protected:
    void SetUp() override {
        ToolsTest::SetUp();
        const std::string dir = scratchDir("region-info");
        // Names of 4, 3, 4 and 10 characters; a null rate in record 2.
        writeTable(dir + "/areas.dbf",
                   {{"NAME", FTString, 12, 0}, {"POP", FTInteger, 8, 0}, {"RATE", FTDouble, 10, 3},
                    {"POPULATION", FTString, 20, 0}},
                   {{"Alba", "1234", "0.5", "Glen of the north"},
                    {"Bute", "56", std::nullopt, "x"},
                    {"Coll", "-7", "2.25", std::nullopt}});
        openTable(dir + "/areas.dbf", "areas.dbf");
    }
    void closeFreeStanding() override {
        ctx.unload<frmInfo>();
        flushDeletes();
    }
};

}  // namespace

TEST_F(RegionInfo, LinesOfEachRegion) {
    struct Case {
        std::int32_t selectedRegion;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {0,
         {"           NAME >            Alba", "            POP >            1234",
          "           RATE >             0.5", "     POPULATION >Glen of the north"}},
        {1, {"           NAME >            Bute", "            POP >              56", "           RATE >",
             "     POPULATION >               x"}},
        {2, {"           NAME >            Coll", "            POP >              -7",
             "           RATE >            2.25", "     POPULATION >"}},
        {3, {}},   // as many as the records: nothing
        {40, {}},
        {-1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("selectedRegion " + std::to_string(c.selectedRegion));
        ctx.state.shared.selectedRegion = c.selectedRegion;
        modFunctions::ShowRegionInfo(ctx);
        frmInfo* info = ctx.find<frmInfo>();
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->lines(), c.lines);
        ASSERT_EQ(info->lstInfo->count(), static_cast<int>(c.lines.size()));
    }
}

TEST_F(RegionInfo, ANameAndValueOfFourCharactersMakeALineOf33) {
    ctx.state.shared.selectedRegion = 0;
    modFunctions::ShowRegionInfo(ctx);
    const std::string line = ctx.find<frmInfo>()->lines().at(0);
    EXPECT_EQ(line.size(), 33u);
    EXPECT_EQ(line, std::string(11, ' ') + "NAME" + " >" + std::string(12, ' ') + "Alba");
}

TEST_F(RegionInfo, TheCursorIsLeftOnTheShownRecord) {
    ctx.state.area.dbfRecordset->MoveNext();
    ctx.state.area.dbfRecordset->MoveNext();
    ctx.state.area.dbfRecordset->MoveNext();  // at the end
    ctx.state.shared.selectedRegion = 1;
    modFunctions::ShowRegionInfo(ctx);
    EXPECT_EQ(ctx.state.area.dbfRecordset->AbsolutePosition(), 2);
}

TEST_F(RegionInfo, AnEmptyTableOrNoTableListsNothing) {
    const std::string dir = scratchDir("region-info-empty");
    writeTable(dir + "/empty.dbf", {{"NAME", FTString, 12, 0}}, {});
    openTable(dir + "/empty.dbf", "empty.dbf");
    ctx.state.shared.selectedRegion = 0;
    modFunctions::ShowRegionInfo(ctx);
    EXPECT_TRUE(ctx.find<frmInfo>()->lines().empty());

    ctx.state.area.dbfRecordset.reset();
    modFunctions::ShowRegionInfo(ctx);
    EXPECT_TRUE(ctx.find<frmInfo>()->lines().empty());
    EXPECT_TRUE(dialogs().messages.empty());
}

TEST_F(RegionInfo, EachIdentifyReplacesTheList) {
    ctx.state.shared.selectedRegion = 0;
    modFunctions::ShowRegionInfo(ctx);
    ctx.state.shared.selectedRegion = 2;
    modFunctions::ShowRegionInfo(ctx);
    const auto lines = ctx.find<frmInfo>()->lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "           NAME >            Coll");
}

TEST_F(RegionInfo, TheWindowAsLoaded) {
    frmInfo* info = ctx.show<frmInfo>();
    EXPECT_EQ(info->windowTitle().toStdString(), "ATTRIBUTE INFO.");
    EXPECT_EQ(info->parentWidget(), nullptr);  // stands free of the frame
    EXPECT_EQ(info->Command1->text().toStdString(), "Field");
    EXPECT_EQ(info->Command2->text().toStdString(), "Value");
    EXPECT_EQ(info->Command1->width(), twipsToPixels(1695));
    EXPECT_EQ(info->Command2->width(), twipsToPixels(2520));
    EXPECT_EQ(info->Command2->x(), twipsToPixels(1695));
    EXPECT_EQ(info->Command1->height(), twipsToPixels(285));
    EXPECT_EQ(info->width(), twipsToPixels(4635));
    EXPECT_EQ(info->height(), twipsToPixels(4000));
    EXPECT_EQ(info->pos(), QPoint(0, twipsToPixels(5780)));
    EXPECT_EQ(info->lstInfo->y(), twipsToPixels(270));
    EXPECT_EQ(info->lstInfo->font().pointSizeF(), 9.0);
    EXPECT_TRUE(QFontInfo(info->lstInfo->font()).fixedPitch());
    EXPECT_EQ(info->lstInfo->count(), 0);

    // The list follows the window and ends at its lower edge.
    info->resize(400, 300);
    EXPECT_EQ(info->lstInfo->width(), 400);
    EXPECT_EQ(info->lstInfo->y() + info->lstInfo->height(), 300);

    // The headings do nothing.
    info->Command1->click();
    info->Command2->click();
    EXPECT_TRUE(dialogs().messages.empty());
}

TEST_F(RegionInfo, NumbersShowTheDisplayDecimalSign) {
    setDisplayDecimalSign(',');
    ctx.state.shared.selectedRegion = 2;
    modFunctions::ShowRegionInfo(ctx);
    const auto lines = ctx.find<frmInfo>()->lines();
    setDisplayDecimalSign('.');
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1], "            POP >              -7");
    EXPECT_EQ(lines[2], "           RATE >            2,25");
}
