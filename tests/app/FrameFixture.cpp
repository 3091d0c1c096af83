#include "tests/app/FrameFixture.h"

#include <QApplication>
#include <QWidget>

#include "map/frmInfo.h"
#include "platform/DbfTable.h"
#include "prospective/frmSelectName.h"
#include "prospective/frmUnivariate.h"
#include "retrospective/ClusterMapLink.h"
#include "retrospective/frmParameter.h"
#include "retrospective/frmSelectDataFormat.h"
#include "tests/support/TestPaths.h"
#include "ui/Pictures.h"

namespace frametest {

void writeTable(const std::string& base, int records) {
    DBFHandle h = DBFCreate((base + ".dbf").c_str());
    ASSERT_NE(h, nullptr);
    DBFAddField(h, "ID", FTInteger, 9, 0);
    DBFAddField(h, "NAME", FTString, 16, 0);
    DBFAddField(h, "POP", FTInteger, 9, 0);
    DBFAddField(h, "CASES", FTInteger, 9, 0);
    for (int i = 0; i < records; ++i) {
        DBFWriteIntegerAttribute(h, i, 0, i + 1);
        DBFWriteStringAttribute(h, i, 1, ("Region " + std::to_string(i + 1)).c_str());
        DBFWriteIntegerAttribute(h, i, 2, 1000 * (i + 1));
        DBFWriteIntegerAttribute(h, i, 3, 3 * (i + 1));
    }
    DBFClose(h);
}

std::string writeStudyArea(const std::string& folder, const std::string& baseName,
                           const std::vector<Region>& regions) {
    const std::string base = folder + "/" + baseName;
    writeShapes(base, regions);
    writeTable(base, static_cast<int>(regions.size()));
    return base + ".shp";
}

void FrameTest::SetUp() {
    dlg = std::make_shared<ScriptedDialogs>();
    pump = std::make_shared<CountingEventPump>();
    installDialogs(dlg);
    installEventPump(pump);
    Pictures::setBitmapFolder(sourcePath("app/BitMaps"));
    ctx = std::make_unique<AppContext>();
    ctx->endProgram = [] { ADD_FAILURE() << "the program was ended"; };
    ctx->modalHook = [this](QWidget* w) {
        if (dataInput) dataInput(w);
        else AppContext::topOf(w)->close();
    };
    frame = installMainFrame(*ctx);
    frame->resize(1280, 860);
}

void FrameTest::TearDown() {
    ctx->modalHook = nullptr;
    // Close everything while the context still lives, then let Qt delete it.
    QApplication::setQuitOnLastWindowClosed(false);
    if (MDIFrmMain* f = ctx->find<MDIFrmMain>()) f->close();
    ctx->unload<frmInfo>();
    ctx->unload<frmParameter>();
    ctx->unload<frmSelectDataFormat>();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ctx->mainFrameLoader = nullptr;
    ctx.reset();
    installDialogs(std::make_shared<ScriptedDialogs>());
    installEventPump(std::make_shared<CountingEventPump>());
}

void FrameTest::openRetro(const std::string& shpPath) {
    dlg->queueFile(shpPath);
    frame->mnuOpenShapeRetro_Click();
}

void FrameTest::openRetroWithFields(const std::string& shpPath) {
    dataInput = [](QWidget* w) {
        auto* p = static_cast<frmParameter*>(w);
        p->pickField(p->cboBasePopulation, "POP");
        p->pickField(p->cboCase, "CASES");
        p->pickField(p->cboPrimaryID, "NAME");
        p->cmdOK_Click();
    };
    openRetro(shpPath);
    dataInput = nullptr;
}

void FrameTest::openPro(const std::string& shpPath) {
    dlg->queueFile(shpPath);
    frame->mnuOpenShapePro_Click();
}

frmUnivariate* FrameTest::openProWithNames(const std::string& shpPath) {
    openPro(shpPath);
    frmSelectName* d = ctx->find<frmSelectName>();
    EXPECT_NE(d, nullptr);
    if (!d) return nullptr;
    d->pickField(d->cmbName1, "NAME");
    d->cmdOK_Click();
    frmUnivariate* u = ctx->find<frmUnivariate>();
    EXPECT_NE(u, nullptr);
    return u;
}

void FrameTest::chooseSampleRange(frmUnivariate* u) {
    const auto& t = *ctx->state.area.dbfRecordset;
    u->selectStartField(t.FieldIndex("Z01"));
    u->selectEndField(t.FieldIndex("Z12"));
}

std::vector<std::string> FrameTest::takeMessages() {
    std::vector<std::string> texts;
    for (const auto& m : dlg->messages) texts.push_back(m.text);
    dlg->messages.clear();
    return texts;
}

}  // namespace frametest
