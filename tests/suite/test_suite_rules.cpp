// Rules the suite keeps about itself: no test reads a clock (how long
// things take is measured in korvane-bench, where a loaded machine cannot
// fail a run), every ctest line names the case it runs, with no printed
// parameter behind it, and a test that cannot make its scratch folder
// goes no further; paths are compared as the files and folders they name.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TestPaths.h"
#include "tests/support/Unprivileged.h"

namespace fs = std::filesystem;

TEST(SuiteRules, NoTestReadsAClock) {
    // Spelled in pieces, so that this file does not name them itself.
    const std::vector<std::string> clocks = {
        std::string("steady") + "_clock", std::string("high_resolution") + "_clock", std::string("system") + "_clock",
        std::string("QElapsed") + "Timer", std::string("clock") + "_gettime", std::string("gettime") + "ofday",
        std::string("QDateTime") + "::current", std::string("QTime") + "::current",
    };
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(sourcePath("tests"))) {
        const std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
        ++files;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        for (const auto& clock : clocks)
            EXPECT_EQ(text.find(clock), std::string::npos) << entry.path().string() << " reads a clock: " << clock;
    }
    EXPECT_GT(files, 10);
}

TEST(SuiteRules, EveryCtestLineNamesTheCaseItRuns) {
    const std::string command = std::string("\"") + KORVANE_CTEST_COMMAND + "\" -N --test-dir \"" + KORVANE_BINARY_DIR +
                                "\" 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string listing;
    char buffer[4096];
    while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) listing.append(buffer, n);
    ASSERT_EQ(::pclose(pipe), 0) << listing;

    // "  Test #12: Suite.Name", or "Prefix/Suite.Name/case" for a case.
    const std::regex testLine(R"(^\s*Test\s+#\d+: (.*)$)");
    const std::regex plainName(R"(^([A-Za-z0-9_]+/)?[A-Za-z0-9_]+\.[A-Za-z0-9_]+(/[A-Za-z0-9_]+)?$)");
    int tests = 0, cases = 0;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        std::smatch m;
        if (!std::regex_match(line, m, testLine)) continue;
        ++tests;
        const std::string name = m[1];
        if (name.find('/') != std::string::npos) ++cases;
        EXPECT_TRUE(std::regex_match(name, plainName)) << name;
    }
    EXPECT_GT(tests, 100);
    EXPECT_GT(cases, 10);  // the parameterised suites were listed too
}

TEST(SuiteRules, AScratchFolderThatCannotBeMadeEndsTheTest) {
    // The process file system takes no new folder, not even from the superuser.
    const char* was = std::getenv("TMPDIR");
    const std::string kept = was ? was : "";
    ::setenv("TMPDIR", "/proc", 1);
    std::string refusal;
    try {
        const OpenScratchDir dir("no-folder");
        ADD_FAILURE() << "made " << dir.path();
    } catch (const std::runtime_error& e) {
        refusal = e.what();
    }
    if (was) ::setenv("TMPDIR", kept.c_str(), 1);
    else ::unsetenv("TMPDIR");
    EXPECT_EQ(refusal.rfind("cannot make a folder like /proc/korvane-no-folder-", 0), 0u) << refusal;
}

TEST(SuiteRules, PathsAreComparedAsTheFilesAndFoldersTheyName) {
    // A checkout behind a symbolic link: the tests' paths go through the
    // link, what resolves them does not.
    const std::string dir = scratchDir("same-file-or-folder");
    fs::create_directories(dir + "/real/inner");
    std::ofstream(dir + "/real/inner/f.txt") << "text";
    fs::create_directory(dir + "/elsewhere");
    std::ofstream(dir + "/elsewhere/f.txt") << "text";
    fs::create_directory_symlink("real", dir + "/link");
    const struct {
        const char* name;
        std::string a, b;
        bool same;
    } cases[] = {
        {"one spelling", dir + "/real/inner", dir + "/real/inner", true},
        {"a folder through a link", dir + "/link/inner", dir + "/real/inner", true},
        {"a file through a link", dir + "/link/inner/f.txt", fs::canonical(dir + "/real/inner/f.txt").string(), true},
        {"a folder and its parent", dir + "/link/inner", dir + "/real", false},
        {"two files alike", dir + "/link/inner/f.txt", dir + "/elsewhere/f.txt", false},
        {"a file and nothing", dir + "/link/inner/f.txt", dir + "/link/inner/g.txt", false},
        {"nothing twice", dir + "/link/g.txt", dir + "/link/g.txt", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(static_cast<bool>(sameFileOrFolder(c.a, c.b)), c.same);
        EXPECT_EQ(static_cast<bool>(sameFileOrFolder(c.b, c.a)), c.same);
    }
    // A difference names both paths as they resolve.
    const std::string said = sameFileOrFolder(dir + "/link/inner", dir + "/real").message();
    EXPECT_NE(said.find(fs::canonical(dir + "/real/inner").string()), std::string::npos) << said;
}
