// The save of a text file the user names: cancelled, written, or refused
// with a warning in the caller's words and the earlier file kept.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/Error.h"
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
