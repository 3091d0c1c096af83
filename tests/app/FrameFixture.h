#pragma once
// The main frame driven headless: a fresh AppContext with the frame loaded,
// the scripted dialogs and a counting event pump, plus small study areas
// written with shapelib's writers.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <shapefil.h>

#include <memory>
#include <string>
#include <vector>

#include "app/MDIFrmMain.h"
#include "context/AppContext.h"
#include "geometry/Records.h"
#include "tests/app/ShapeBuilders.h"
#include "ui/Dialogs.h"
#include "tests/support/CountingPump.h"
#include "ui/EventPump.h"

class frmUnivariate;

namespace frametest {

using apptest::rectCW;
using apptest::Region;
using apptest::Ring;
using apptest::writeShapes;

// Three regions: two 10 x 10 squares side by side and a 20 x 5 strip above
// them; extent 0..20 x 0..15, areas 100, 100, 100, centroids (5, 5),
// (15, 5), (10, 12.5).
inline std::vector<Region> threeRegions() {
    return {{rectCW(0, 0, 10, 10)}, {rectCW(10, 0, 20, 10)}, {rectCW(0, 10, 20, 15)}};
}

// Writes base.dbf with the fields ID (N 9), NAME (C 16), POP (N 9) and
// CASES (N 9) and `records` records (ID i, NAME "Region i", POP 1000 i,
// CASES 3 i).
void writeTable(const std::string& base, int records);
// Both: a study area of `regions` with a table of as many records.
std::string writeStudyArea(const std::string& folder, const std::string& baseName,
                           const std::vector<Region>& regions = threeRegions());

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Opens `shpPath` through the retrospective entry; the data-input
    // dialog is closed at once without OK (unless a hook is set).
    void openRetro(const std::string& shpPath);
    void openPro(const std::string& shpPath);
    // Opens `shpPath` through the retrospective entry and answers the data
    // input with the sample's fields: POP, CASES and NAME.
    void openRetroWithFields(const std::string& shpPath);
    // Opens `shpPath` through the prospective entry and names its regions
    // by NAME: the cusum window, or null (a failure) when it did not open.
    frmUnivariate* openProWithNames(const std::string& shpPath);
    // Chooses the period fields Z01..Z12 of the table open (the sample's).
    void chooseSampleRange(frmUnivariate* u);
    // The texts of the messages shown since the last call.
    std::vector<std::string> takeMessages();

    std::unique_ptr<AppContext> ctx;
    MDIFrmMain* frame = nullptr;
    std::shared_ptr<ScriptedDialogs> dlg;
    std::shared_ptr<CountingEventPump> pump;
    std::function<void(QWidget*)> dataInput;  // drives the modal data input
};

}  // namespace frametest
