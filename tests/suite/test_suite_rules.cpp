// Rules the suite keeps about itself: no test reads a clock (how long
// things take is measured in korvane-bench, where a loaded machine cannot
// fail a run), every ctest line names the case it runs, with no printed
// parameter behind it, and a test that cannot make its scratch folder
// goes no further.
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
