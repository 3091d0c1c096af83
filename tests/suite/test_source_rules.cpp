// Rules the program's own sources keep where no behaviour can show them
// broken: every signal a window reacts to reaches its handler through the
// guard (WindowParts::onSignal), so that an exception the handler lets
// through stops that handler alone, with its warning, and never the step
// that emitted the signal. A handler that cannot fail today can tomorrow.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "tests/support/TestPaths.h"

namespace fs = std::filesystem;

TEST(SourceRules, EveryWindowConnectsItsHandlersThroughTheGuard) {
    // A call of connect itself, plain or qualified; onSignal and disconnect
    // are not it.
    const std::regex plain(R"((^|[^A-Za-z0-9_])connect\s*\()");
    int files = 0;
    for (const char* folder : {"app", "map", "prospective", "retrospective"}) {
        for (const auto& entry : fs::recursive_directory_iterator(sourcePath(folder))) {
            const std::string ext = entry.path().extension().string();
            if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
            // The program's start connects the event pump to the end of the
            // event loop before any window exists; no handler runs there.
            if (entry.path().filename() == "main.cpp") continue;
            ++files;
            std::ifstream in(entry.path());
            std::string line;
            for (int number = 1; std::getline(in, line); ++number)
                EXPECT_FALSE(std::regex_search(line, plain))
                    << entry.path().string() << ":" << number << " connects a handler without the guard: " << line;
        }
    }
    EXPECT_GT(files, 40);
}
