// Rules the program's own sources keep where no behaviour can show them
// broken: every signal a window reacts to reaches its handler through the
// guard (WindowParts::onSignal), so that an exception the handler lets
// through stops that handler alone, with its warning, and never the step
// that emitted the signal. A handler that cannot fail today can tomorrow.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/TestPaths.h"

namespace fs = std::filesystem;

namespace {

// Whether `line` calls connect itself, plain or qualified, with blanks or
// none before its parenthesis; onSignal and disconnect are not it. (Read
// by hand: the sanitizer build's compiler warns falsely inside std::regex.)
bool callsConnect(const std::string& line) {
    const std::string word = "connect";
    for (std::size_t at = line.find(word); at != std::string::npos; at = line.find(word, at + 1)) {
        const char before = at == 0 ? ' ' : line[at - 1];
        if (std::isalnum(static_cast<unsigned char>(before)) || before == '_') continue;
        std::size_t after = at + word.size();
        while (after < line.size() && std::isspace(static_cast<unsigned char>(line[after]))) ++after;
        if (after < line.size() && line[after] == '(') return true;
    }
    return false;
}

}  // namespace

TEST(SourceRules, EveryWindowConnectsItsHandlersThroughTheGuard) {
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
                EXPECT_FALSE(callsConnect(line))
                    << entry.path().string() << ":" << number << " connects a handler without the guard: " << line;
        }
    }
    EXPECT_GT(files, 40);
}
