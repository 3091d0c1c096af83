// One main for every test program: UI tests drive real widgets offscreen,
// and test discovery runs the programs without ctest's environment, so the
// platform is chosen here. The application object is the program's own, so
// that real clicks meet the same event dispatch as in the program.
#include <cstdlib>

#include <gtest/gtest.h>

#include "ui/Fonts.h"
#include "ui/GuardedApplication.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", /*overwrite=*/0);
    GuardedApplication app(argc, argv);
    applyProgramFont();  // the windows are tested in the program's own font
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
