// Text files: CR LF line ends, whole-file writes that fail cleanly, and
// reading lines with any line end.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/Error.h"
#include "platform/TextFile.h"
#include "tests/support/TestPaths.h"

namespace fs = std::filesystem;

namespace {
std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
void putContents(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}
bool onlyFile(const std::string& dir, const std::string& name) {
    int n = 0;
    bool found = false;
    for (const auto& e : fs::directory_iterator(dir)) {
        ++n;
        found = found || e.path().filename() == name;
    }
    return n == 1 && found;
}
}  // namespace

TEST(TextFileWriterTest, LinesEndInCrLf) {
    const std::string path = scratchDir("crlf") + "/out.txt";
    TextFileWriter w(path);
    w.PrintLine("ID,X,Y");
    w.Print("a");
    w.Print("b");
    w.PrintLine("");
    w.PrintLine("Zürich,1.5,-2");
    w.Close();
    EXPECT_EQ(contents(path), "ID,X,Y\r\nab\r\nZ\xC3\xBCrich,1.5,-2\r\n");
}

TEST(TextFileWriterTest, NothingIsWrittenBeforeClose) {
    const std::string path = scratchDir("lazy") + "/out.txt";
    {
        TextFileWriter w(path);
        w.PrintLine("x");
    }
    EXPECT_FALSE(fs::exists(path));
}

TEST(TextFileWriterTest, UnwritableTargetsRaiseAndLeaveNoHalfFile) {
    struct Case {
        const char* name;
        std::string path;
    };
    const std::string dir = scratchDir("unwritable");
    fs::create_directory(dir + "/adir");
    putContents(dir + "/adir/keep.txt", "kept");
    const Case cases[] = {
        {"missing folder", dir + "/no/such/out.txt"},
        {"a folder that refuses files", "/proc/korvane-test.txt"},
        {"target is a folder", dir + "/adir"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TextFileWriter w(c.path);
        w.PrintLine("line");
        try {
            w.Close();
            ADD_FAILURE() << "Close succeeded";
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), 75);
            EXPECT_NE(e.description().find(c.path), std::string::npos);
        }
    }
    EXPECT_TRUE(onlyFile(dir, "adir"));
    EXPECT_EQ(contents(dir + "/adir/keep.txt"), "kept");
}

TEST(TextFileWriterTest, ReplacesAnEarlierFileWhole) {
    const std::string dir = scratchDir("replace");
    putContents(dir + "/r.txt", "old old old old\r\n");
    writeTextFileLines(dir + "/r.txt", {"new"});
    EXPECT_EQ(contents(dir + "/r.txt"), "new\r\n");
    EXPECT_TRUE(onlyFile(dir, "r.txt"));
}

TEST(ReadTextFileLinesTest, AnyLineEnd) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"CR LF", "a,b\r\nc\r\n", {"a,b", "c"}},
        {"LF", "a,b\nc\n", {"a,b", "c"}},
        {"CR", "a,b\rc\r", {"a,b", "c"}},
        {"mixed", "1\r\n2\n3\r4", {"1", "2", "3", "4"}},
        {"no final line end", "last", {"last"}},
        {"empty lines kept", "a\r\n\r\nb\r\n", {"a", "", "b"}},
        {"empty file", "", {}},
    };
    const std::string dir = scratchDir("read");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        putContents(dir + "/in.txt", c.text);
        EXPECT_EQ(readTextFileLines(dir + "/in.txt"), c.lines);
    }
    try {
        readTextFileLines(dir + "/missing.txt");
        ADD_FAILURE();
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), 53);
    }
    EXPECT_FALSE(fs::exists(dir + "/missing.txt"));
}

TEST(SplitCommasTest, Table) {
    struct Case {
        const char* line;
        std::vector<std::string> fields;
    };
    const Case cases[] = {
        {"a,b,c", {"a", "b", "c"}},
        {"a,,c", {"a", "", "c"}},
        {"", {""}},
        {"a,", {"a", ""}},
        {" 1 , 2", {" 1 ", " 2"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(splitCommas(c.line), c.fields);
    }
}
