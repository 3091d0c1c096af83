// The centroid export: the exact lines and bytes of the file it writes.
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/app/FrameFixture.h"
#include "tests/support/TestPaths.h"

namespace fs = std::filesystem;
using namespace frametest;

namespace {

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

AppState stateWithCentroids(const std::vector<std::pair<double, double>>& xy) {
    AppState s;
    s.area.regionCount = static_cast<std::int32_t>(xy.size());
    s.area.centroidTable.resize(xy.size() + 1);
    for (std::size_t i = 0; i < xy.size(); ++i) {
        s.area.centroidTable[i + 1].ID = "ignored";
        s.area.centroidTable[i + 1].X = xy[i].first;
        s.area.centroidTable[i + 1].Y = xy[i].second;
    }
    return s;
}

}  // namespace

TEST(CentroidFile, LinesHaveTheFixedLayout) {
    struct Case {
        const char* name;
        double x, y;
        const char* line;
    } cases[] = {
        {"worked example", 12.5, -3.25, "  1,         12.500000,         -3.250000"},
        {"origin", 0.0, 0.0, "  1,          0.000000,          0.000000"},
        {"small negative keeps a leading zero", -0.5, 0.0000004, "  1,         -0.500000,          0.000000"},
        {"halves round away from zero", 1.0000005, -1.0000005, "  1,          1.000001,         -1.000001"},
        {"wide values push the line right", 123456789012.25, 7, "  1,123456789012.250000,          7.000000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto lines = CentroidFileLines(stateWithCentroids({{c.x, c.y}}));
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0], " ID,           CentX,           CentY");
        EXPECT_EQ(lines[1], c.line);
    }
    EXPECT_EQ(CentroidFileLines(stateWithCentroids({{12.5, -3.25}}))[1].size(), 41u);
}

TEST(CentroidFile, RegionNumbersAreRightAlignedInThreeCharacters) {
    std::vector<std::pair<double, double>> xy(1000, {1.0, 2.0});
    const auto lines = CentroidFileLines(stateWithCentroids(xy));
    ASSERT_EQ(lines.size(), 1001u);
    EXPECT_EQ(lines[1].substr(0, 4), "  1,");
    EXPECT_EQ(lines[9].substr(0, 4), "  9,");
    EXPECT_EQ(lines[10].substr(0, 4), " 10,");
    EXPECT_EQ(lines[12].substr(0, 4), " 12,");
    EXPECT_EQ(lines[999].substr(0, 4), "999,");
    EXPECT_EQ(lines[1000].substr(0, 5), "1000,");  // a longer number is written whole
}

class CentroidExport : public FrameTest {};

TEST_F(CentroidExport, WritesTheFileByteForByte) {
    const std::string dir = scratchDir("centroids");
    openRetro(writeStudyArea(dir, "cent", {{rectCW(0, 0, 10, 10)}, {rectCW(10, -10, 20, 0)}, {rectCW(-4, 2, -2, 4)}}));
    ASSERT_TRUE(frame->isMenuEnabled("mnuGetCentroid"));
    // Stale centroids are recomputed on every export.
    ctx->state.area.centroidTable[1].X = 999;
    const std::string out = dir + "/centroids";  // no extension is added
    dlg->queueFile(out);
    frame->mnuGetCentroid_Click();
    EXPECT_TRUE(dlg->messages.empty());
    ASSERT_EQ(dlg->fileCalls.size(), 2u);
    EXPECT_TRUE(dlg->fileCalls[1].save);
    EXPECT_EQ(dlg->fileCalls[1].request.filter, "Text File (*.txt)|*.txt");
    EXPECT_TRUE(dlg->fileCalls[1].request.defaultExt.empty());
    ASSERT_TRUE(fs::exists(out));
    EXPECT_EQ(fileText(out),
              " ID,           CentX,           CentY\r\n"
              "  1,          5.000000,          5.000000\r\n"
              "  2,         15.000000,         -5.000000\r\n"
              "  3,         -3.000000,          3.000000\r\n");
}

TEST_F(CentroidExport, ACancelledDialogWritesNothingAndSaysNothing) {
    const std::string dir = scratchDir("centroids-cancel");
    openRetro(writeStudyArea(dir, "cent"));
    dlg->queueFile("");
    frame->mnuGetCentroid_Click();
    EXPECT_TRUE(dlg->messages.empty());
    std::size_t files = 0;
    for (const auto& e : fs::directory_iterator(dir)) files += e.path().extension() == ".txt";
    EXPECT_EQ(files, 0u);
}

TEST_F(CentroidExport, AFileThatCannotBeWrittenIsReported) {
    const std::string dir = scratchDir("centroids-fail");
    openRetro(writeStudyArea(dir, "cent"));
    const std::string out = dir + "/no-such-folder/centroids.txt";
    dlg->queueFile(out);
    frame->mnuGetCentroid_Click();
    ASSERT_EQ(dlg->messages.size(), 1u);
    EXPECT_EQ(dlg->messages[0].title, "Warning!");
    EXPECT_NE(dlg->messages[0].text.find("cannot be written"), std::string::npos);
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(CentroidExport, ReplacesAnEarlierFileOfTheSameName) {
    const std::string dir = scratchDir("centroids-replace");
    openRetro(writeStudyArea(dir, "cent"));
    const std::string out = dir + "/c.txt";
    std::ofstream(out) << "old contents that are longer than the new ones will be, by a margin\n"
                       << std::string(400, 'x');
    dlg->queueFile(out);
    frame->mnuGetCentroid_Click();
    const std::string text = fileText(out);
    EXPECT_EQ(text.rfind(" ID,", 0), 0u);
    EXPECT_EQ(text.find("old"), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4);
}
