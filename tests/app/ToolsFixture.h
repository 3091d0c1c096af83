#pragma once
// Shared ground of the tool window tests: a main frame stand-in holding
// the MDI area, scripted dialogs, and small dBASE tables written with
// shapelib.

#include <QCoreApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <gtest/gtest.h>
#include <shapefil.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "context/AppContext.h"
#include "platform/DbfTable.h"
#include "platform/Format.h"
#include "tests/support/TestPaths.h"
#include "ui/Dialogs.h"

namespace toolsfixture {

struct FieldSpec {
    const char* name;
    DBFFieldType type;
    int width;
    int decimals;
};
// One record: a value per field, nullopt for a null value; numbers as text.
using Record = std::vector<std::optional<std::string>>;

inline std::string writeTable(const std::string& path, const std::vector<FieldSpec>& fields,
                              const std::vector<Record>& records) {
    DBFHandle h = DBFCreate(path.c_str());
    EXPECT_NE(h, nullptr) << path;
    if (!h) return path;
    for (const FieldSpec& f : fields) DBFAddField(h, f.name, f.type, f.width, f.decimals);
    for (int r = 0; r < static_cast<int>(records.size()); ++r)
        for (int f = 0; f < static_cast<int>(fields.size()); ++f) {
            const auto& v = records[static_cast<std::size_t>(r)][static_cast<std::size_t>(f)];
            if (!v && fields[static_cast<std::size_t>(f)].type != FTString) {
                char blank[] = "";
                DBFWriteAttributeDirectly(h, r, f, blank);  // a blank number, dBASE's null
            } else if (!v) {
                DBFWriteNULLAttribute(h, r, f);
            } else if (fields[static_cast<std::size_t>(f)].type == FTString) {
                DBFWriteStringAttribute(h, r, f, v->c_str());
            } else {
                DBFWriteDoubleAttribute(h, r, f, std::stod(*v));
            }
        }
    DBFClose(h);
    return path;
}

class ToolsTest : public ::testing::Test {
protected:
    void SetUp() override {
        setDisplayDecimalSign('.');
        dialogs_ = std::make_shared<ScriptedDialogs>();
        installDialogs(dialogs_);
        frame_ = std::make_unique<QMainWindow>();
        frame_->resize(800, 600);
        area_ = new QMdiArea(frame_.get());
        frame_->setCentralWidget(area_);
        frame_->show();
        ctx.mainFrameLoader = [this] { return area_; };
    }
    void TearDown() override {
        closeFreeStanding();
        ctx.mainFrameLoader = nullptr;
        frame_.reset();
        installDialogs(std::make_shared<ScriptedDialogs>());
    }

    // Opens a table as the program-wide recordset, as opening a shapefile does.
    void openTable(const std::string& path, const std::string& fileName) {
        ctx.state.area.dbfRecordset = DbfTable::Open(path);
        ctx.state.area.dbfPath = path;
        ctx.state.area.dbfFileName = fileName;
        ctx.state.area.regionCount = ctx.state.area.dbfRecordset->RecordCount();
    }

    ScriptedDialogs& dialogs() { return *dialogs_; }

    // Closes the windows that stand free of the frame and lets Qt delete them.
    virtual void closeFreeStanding() {}
    static void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    AppContext ctx;
    std::shared_ptr<ScriptedDialogs> dialogs_;
    std::unique_ptr<QMainWindow> frame_;
    QMdiArea* area_ = nullptr;
};

}  // namespace toolsfixture
