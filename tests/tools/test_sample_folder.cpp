// The folder a sample generator is given on its command line: the folder
// the system finds under that name, also where the name goes through a
// symbolic link and climbs out of it with "..".
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "tests/support/TestPaths.h"
#include "tools/SampleFolder.h"

namespace fs = std::filesystem;

namespace {

std::optional<fs::path> argument(const std::string& folder) {
    std::string tool = "make_sample", given = folder;
    char* argv[] = {tool.data(), given.data(), nullptr};
    return folderArgument(2, argv, "make_sample", "output folder");
}

TEST(SampleFolder, IsTheFolderTheSystemFindsUnderTheName) {
    // dir/link leads to dir/deep/real: "link/.." is dir/deep to the system.
    const std::string dir = scratchDir("sample-folder");
    fs::create_directories(dir + "/deep/real");
    fs::create_directory(dir + "/plain");
    fs::create_directory_symlink("deep/real", dir + "/link");
    const std::string resolved = fs::canonical(dir).string();
    const struct {
        const char* name;
        std::string given;
        std::string want;
    } cases[] = {
        {"a folder as it is named", dir + "/plain", dir + "/plain"},
        {"dots and doubled slashes dropped", dir + "/./plain//inner/.", dir + "/plain/inner/"},
        {"a folder through a link keeps the link", dir + "/link/out", dir + "/link/out"},
        {"up from a plain folder", dir + "/plain/../out", resolved + "/out"},
        {"up from a link, to its target's parent", dir + "/link/../out", resolved + "/deep/out"},
        {"up twice from a link", dir + "/link/../../out", resolved + "/out"},
        {"up inside a folder not made yet", dir + "/link/new/../out", resolved + "/deep/real/out"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<fs::path> got = argument(c.given);
        ASSERT_TRUE(got.has_value());
        EXPECT_EQ(got->string(), c.want);
    }
}

TEST(SampleFolder, AGeneratorMakesTheFolderWhereTheSystemWould) {
    const std::string dir = scratchDir("sample-folder-made");
    fs::create_directories(dir + "/deep/real");
    fs::create_directory_symlink("deep/real", dir + "/link");
    std::string tool = "make_sample", given = dir + "/link/../made";
    char* argv[] = {tool.data(), given.data(), nullptr};
    const std::optional<fs::path> folder = sampleFolder(2, argv, "make_sample");
    ASSERT_TRUE(folder.has_value());
    // Where `mkdir` would have made it, and nowhere else.
    EXPECT_TRUE(fs::is_directory(dir + "/deep/made"));
    EXPECT_FALSE(fs::exists(dir + "/made"));
    EXPECT_TRUE(sameFileOrFolder(folder->string(), dir + "/deep/made"));
}

}  // namespace
