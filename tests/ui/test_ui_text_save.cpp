// The save of a text file the user names: cancelled, written, or refused
// with a warning in the caller's words and the earlier file kept.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <new>

#include "platform/Error.h"
#include "tests/support/AllocationLimit.h"
#include "tests/support/TestPaths.h"
#include "ui/Dialogs.h"
#include "ui/TextSave.h"

namespace {

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(TextSave, WritesTheChosenFileOrSaysWhyNot) {
    struct Case {
        const char* name;
        std::string chosen;   // "" cancels
        bool linesFail;       // giving the lines raises an error
        bool written;         // what the save says it did
        std::string text;     // out.txt afterwards
        std::string warning;  // how the warning begins; "" for none
    };
    const std::string dir = scratchDir("text-save");
    const std::string file = dir + "/out.txt";
    const std::string missing = dir + "/no/such/out.txt";
    const Case cases[] = {
        {"cancelled", "", false, false, "earlier\r\n", ""},
        {"written", file, false, true, "a\r\nb\r\n", ""},
        {"lines that cannot be given", file, true, false, "earlier\r\n", "No lines for " + file + ": Overflow"},
        {"a folder that is not there", missing, false, false, "earlier\r\n", "No write of " + missing + ": "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::ofstream(file, std::ios::binary | std::ios::trunc) << "earlier\r\n";
        auto scripted = std::make_shared<ScriptedDialogs>();
        installDialogs(scripted);
        scripted->queueFile(c.chosen);
        const TextSaveResult saved = saveTextFile(
            [&]() -> std::vector<std::string> {
                if (c.linesFail) throw AppError(RuntimeErrors::Overflow, "Overflow", "test");
                return {"a", "b"};
            },
            [](SaveStep step, const std::string& f, const std::string& cause) {
                return (step == SaveStep::BuildingLines ? "No lines for " : "No write of ") + f + ": " + cause;
            },
            dir);
        installDialogs(nullptr);
        EXPECT_EQ(saved.fileName, c.chosen);
        EXPECT_EQ(saved.cancelled(), c.chosen.empty());
        EXPECT_EQ(saved.written, c.written);
        EXPECT_EQ(contents(file), c.text);
        EXPECT_FALSE(std::filesystem::exists(missing));
        ASSERT_EQ(scripted->fileCalls.size(), 1u);
        EXPECT_TRUE(scripted->fileCalls[0].save);
        EXPECT_EQ(scripted->fileCalls[0].request.initialDir, dir);
        EXPECT_EQ(scripted->fileCalls[0].request.filter, "Text File (*.txt)|*.txt");
        if (c.warning.empty()) {
            EXPECT_TRUE(scripted->messages.empty());
        } else {
            ASSERT_EQ(scripted->messages.size(), 1u);
            EXPECT_EQ(scripted->messages[0].text.rfind(c.warning, 0), 0u) << scripted->messages[0].text;
            EXPECT_EQ(scripted->messages[0].title, "Warning!");
        }
    }
}

// Memory that runs out, while the lines are built or while they are
// written, is a failure of the writing that names the file; a routine that
// builds the lines and says itself what memory it lacked keeps its words.
TEST(TextSave, MemoryRunningOutIsAFailureOfTheWritingThatNamesTheFile) {
    const std::string dir = scratchDir("text-save-memory");
    const std::string file = dir + "/out.txt";
    const std::string noMemory = "There is not enough memory left to write the file \"" + file + "\".";
    // A hundred lines of a hundred characters: each line and the list of
    // them fit in 4 KB, the text of the file does not.
    const std::vector<std::string> hundred(100, std::string(100, 'x'));
    const struct {
        const char* name;
        std::function<std::vector<std::string>()> lines;
        std::string warning;
    } cases[] = {
        {"building the lines", []() -> std::vector<std::string> { throw std::bad_alloc(); },
         "No write of " + file + ": " + noMemory},
        {"writing them", [&] { return hundred; }, "No write of " + file + ": " + noMemory},
        {"a routine that names what it lacked",
         []() -> std::vector<std::string> {
             throw AppError(RuntimeErrors::OutOfMemory, "There is not enough memory left for the kernel.", "test");
         },
         "No write of " + file + ": There is not enough memory left for the kernel."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::ofstream(file, std::ios::binary | std::ios::trunc) << "earlier\r\n";
        auto scripted = std::make_shared<ScriptedDialogs>();
        installDialogs(scripted);
        scripted->queueFile(file);
        TextSaveResult saved;
        {
            const AllocationLimit limit(4 * 1024);
            saved = saveTextFile(c.lines, [](SaveStep step, const std::string& f, const std::string& cause) {
                return (step == SaveStep::BuildingLines ? "No lines for " : "No write of ") + f + ": " + cause;
            });
        }
        installDialogs(nullptr);
        EXPECT_FALSE(saved.written);
        EXPECT_EQ(contents(file), "earlier\r\n");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 1);
        ASSERT_EQ(scripted->messages.size(), 1u);
        EXPECT_EQ(scripted->messages[0].text, c.warning);
        EXPECT_EQ(scripted->messages[0].title, "Warning!");
    }
}
