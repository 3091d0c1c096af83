// Text files: CR LF line ends, whole-file writes that fail cleanly, and
// reading lines with any line end.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <new>
#include <set>

#include "platform/Error.h"
#include "platform/TextFile.h"
#include "tests/support/AllocationLimit.h"
#include "tests/support/TestPaths.h"
#include "tests/support/Unprivileged.h"

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

namespace {

std::set<std::string> entriesOf(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
    return names;
}

struct stat statOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st;
}

// Saves `text` (one line) to `path`; the error number, 0 when it saved.
std::int32_t save(const std::string& path, const std::string& text, std::string* description = nullptr) {
    try {
        writeTextFileLines(path, {text});
    } catch (const AppError& e) {
        if (description) *description = e.description();
        return e.number();
    }
    return 0;
}

// Sets and restores the file-size limit of the test program.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        handler_ = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = old_;
        small.rlim_cur = bytes;
        EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, handler_);
    }

private:
    struct rlimit old_ {};
    void (*handler_)(int) = nullptr;
};

}  // namespace

TEST(TextFileWriterTest, AReadOnlyTargetIsRefusedAndKept) {
    // Read-only by its mode: refused whoever saves, the superuser too.
    struct Case {
        const char* name;
        mode_t mode;
        bool throughLink;
    } cases[] = {
        {"read-only for all", 0444, false},
        {"no permission at all", 0000, false},
        {"read-only, reached through a link", 0444, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string dir = scratchDir("readonly-target");
        putContents(dir + "/r.txt", "earlier\r\n");
        ASSERT_EQ(::chmod((dir + "/r.txt").c_str(), c.mode), 0);
        if (c.throughLink) fs::create_symlink("r.txt", dir + "/link.txt");
        const std::string path = dir + (c.throughLink ? "/link.txt" : "/r.txt");
        const auto before = entriesOf(dir);
        std::string why;
        EXPECT_EQ(save(path, "new", &why), 75);
        EXPECT_NE(why.find(path), std::string::npos) << why;
        EXPECT_NE(why.find("read-only"), std::string::npos) << why;
        EXPECT_EQ(contents(dir + "/r.txt"), "earlier\r\n");
        EXPECT_EQ(statOf(dir + "/r.txt").st_mode & 07777, c.mode);
        EXPECT_EQ(entriesOf(dir), before);
    }
}

TEST(TextFileWriterTest, ALinkStaysALinkAndItsFileGetsTheText) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> links;  // name -> what it points at, made in order
        std::string written;                                      // the file that gets the text, under dir
    } cases[] = {
        {"absolute link", {{"out.txt", "@/real/data.txt"}}, "real/data.txt"},
        {"relative link", {{"out.txt", "real/data.txt"}}, "real/data.txt"},
        {"link to a link", {{"mid.txt", "real/data.txt"}, {"out.txt", "mid.txt"}}, "real/data.txt"},
        {"link relative to its own folder", {{"real/mid.txt", "data.txt"}, {"out.txt", "real/mid.txt"}}, "real/data.txt"},
        {"link to a file not there yet", {{"out.txt", "real/new.txt"}}, "real/new.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string dir = scratchDir("link-target");
        fs::create_directory(dir + "/real");
        putContents(dir + "/real/data.txt", "earlier\r\n");
        for (const auto& [name, to] : c.links)
            fs::create_symlink(to.front() == '@' ? dir + to.substr(1) : to, dir + "/" + name);
        const auto top = entriesOf(dir);
        auto inner = entriesOf(dir + "/real");
        inner.insert(fs::path(c.written).filename().string());
        EXPECT_EQ(save(dir + "/out.txt", "new"), 0);
        EXPECT_EQ(contents(dir + "/" + c.written), "new\r\n");
        for (const auto& [name, to] : c.links) {
            EXPECT_TRUE(fs::is_symlink(dir + "/" + name)) << name;
            EXPECT_EQ(fs::read_symlink(dir + "/" + name).string(), to.front() == '@' ? dir + to.substr(1) : to);
        }
        EXPECT_EQ(entriesOf(dir), top);
        EXPECT_EQ(entriesOf(dir + "/real"), inner);
    }
}

TEST(TextFileWriterTest, NoOtherFileIsTouched) {
    // Files whose names look like a temporary file of the save.
    const std::string dir = scratchDir("neighbours");
    const std::vector<std::string> others = {"r.txt.korvane-tmp", "r.txt.tmp", ".r.txt.tmp", "r.txt~", ".r.txt"};
    for (const auto& n : others) putContents(dir + "/" + n, "unrelated " + n);
    putContents(dir + "/r.txt", "earlier\r\n");
    const auto before = entriesOf(dir);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(save(dir + "/r.txt", "new " + std::to_string(i)), 0);
    EXPECT_EQ(contents(dir + "/r.txt"), "new 2\r\n");
    EXPECT_EQ(entriesOf(dir), before);
    for (const auto& n : others) EXPECT_EQ(contents(dir + "/" + n), "unrelated " + n) << n;
}

TEST(TextFileWriterTest, TheTargetKeepsItsModeAndOwner) {
    const std::string dir = scratchDir("mode-owner");
    for (const mode_t mode : {0600, 0640, 0604, 0660, 0755, 0200}) {
        SCOPED_TRACE(mode);
        putContents(dir + "/m.txt", "earlier\r\n");
        ASSERT_EQ(::chmod((dir + "/m.txt").c_str(), mode), 0);
        EXPECT_EQ(save(dir + "/m.txt", "new"), 0);
        EXPECT_EQ(statOf(dir + "/m.txt").st_mode & 07777, mode);
        ASSERT_EQ(::chmod((dir + "/m.txt").c_str(), 0644), 0);
        EXPECT_EQ(contents(dir + "/m.txt"), "new\r\n");
    }
    // A new file gets the usual mode of new files.
    const mode_t mask = ::umask(022);
    ::umask(mask);
    EXPECT_EQ(save(dir + "/fresh.txt", "new"), 0);
    EXPECT_EQ(statOf(dir + "/fresh.txt").st_mode & 07777, 0666 & ~mask);

    // Only the superuser can give a file to another user; as anyone else
    // the owner part cannot be set up and is left out.
    if (::geteuid() == 0) {
        putContents(dir + "/o.txt", "earlier\r\n");
        ASSERT_EQ(::chown((dir + "/o.txt").c_str(), 65534, 65534), 0);
        EXPECT_EQ(save(dir + "/o.txt", "new"), 0);
        const struct stat st = statOf(dir + "/o.txt");
        EXPECT_EQ(st.st_uid, 65534u);
        EXPECT_EQ(st.st_gid, 65534u);
        EXPECT_EQ(contents(dir + "/o.txt"), "new\r\n");
    } else {
        std::cout << "[ NOTE ] owner part left out: the suite does not run as the superuser\n";
    }
}

TEST(TextFileWriterTest, AFileWithASecondNameIsWrittenInPlaceSoBothNamesReadTheNewText) {
    struct Case {
        const char* name;
        std::string second;  // the other name of the file, under dir
        bool throughLink;    // saved through a symbolic link to the file
    } cases[] = {
        {"second name beside it", "other.txt", false},
        {"second name in another folder", "elsewhere/other.txt", false},
        {"saved through a symbolic link", "elsewhere/other.txt", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string dir = scratchDir("hard-link");
        fs::create_directory(dir + "/elsewhere");
        putContents(dir + "/r.txt", "an earlier text longer than the new\r\n");
        fs::create_hard_link(dir + "/r.txt", dir + "/" + c.second);
        if (c.throughLink) fs::create_symlink("r.txt", dir + "/link.txt");
        const ino_t inode = statOf(dir + "/r.txt").st_ino;
        const auto before = entriesOf(dir);
        for (const std::string& text : {std::string("new"), std::string(5000, 'x')}) {
            EXPECT_EQ(save(dir + (c.throughLink ? "/link.txt" : "/r.txt"), text), 0);
            EXPECT_EQ(contents(dir + "/r.txt"), text + "\r\n");
            EXPECT_EQ(contents(dir + "/" + c.second), text + "\r\n");
            EXPECT_EQ(statOf(dir + "/r.txt").st_ino, inode);
            EXPECT_EQ(statOf(dir + "/r.txt").st_nlink, 2u);
        }
        EXPECT_EQ(entriesOf(dir), before);
    }
}

TEST(TextFileWriterTest, InAFolderThatTakesNoNewFileAWritableTargetIsWrittenInPlace) {
    // Read-only by its mode: the folder takes no new file whoever saves.
    const std::string dir = scratchDir("readonly-folder");
    putContents(dir + "/t.txt", "an earlier text longer than the new\r\n");
    putContents(dir + "/locked.txt", "locked\r\n");
    ASSERT_EQ(::chmod((dir + "/locked.txt").c_str(), 0444), 0);
    ASSERT_EQ(::chmod(dir.c_str(), 0555), 0);
    const ino_t inode = statOf(dir + "/t.txt").st_ino;
    const auto before = entriesOf(dir);
    for (const std::string& text : {std::string("new"), std::string(5000, 'x')}) {
        EXPECT_EQ(save(dir + "/t.txt", text), 0);
        EXPECT_EQ(contents(dir + "/t.txt"), text + "\r\n");
        EXPECT_EQ(statOf(dir + "/t.txt").st_ino, inode);
    }
    std::string why;
    EXPECT_EQ(save(dir + "/new.txt", "new", &why), 75);
    EXPECT_NE(why.find("read-only"), std::string::npos) << why;
    EXPECT_EQ(save(dir + "/locked.txt", "new"), 75);
    EXPECT_EQ(contents(dir + "/locked.txt"), "locked\r\n");
    EXPECT_EQ(entriesOf(dir), before);
    ASSERT_EQ(::chmod(dir.c_str(), 0755), 0);

    // The same by the system's own refusal: a folder of another user that
    // an ordinary user may not add to, holding a file all may write.
    const OpenScratchDir open("others-folder");
    const std::string shared = open.path();
    putContents(shared + "/t.txt", "earlier\r\n");
    ASSERT_EQ(::chmod((shared + "/t.txt").c_str(), 0666), 0);
    const struct stat was = statOf(shared + "/t.txt");
    if (::geteuid() != 0) GTEST_SKIP() << "needs a folder of another user";
    std::int32_t number = -1;
    std::string cannot;
    if (!runUnprivileged([&] { number = save(shared + "/t.txt", "new"); }, &cannot)) GTEST_SKIP() << cannot;
    EXPECT_EQ(number, 0);
    EXPECT_EQ(contents(shared + "/t.txt"), "new\r\n");
    const struct stat now = statOf(shared + "/t.txt");
    EXPECT_EQ(now.st_ino, was.st_ino);
    EXPECT_EQ(now.st_uid, was.st_uid);
    EXPECT_EQ(entriesOf(shared), std::set<std::string>{"t.txt"});
}

TEST(TextFileWriterTest, AFailedSaveLeavesTheEarlierFileAndNoTemporary) {
    struct Case {
        const char* name;
        bool readOnlyFolder;  // written in place
        bool targetExists;
        bool secondName;      // a hard link: written in place
    } cases[] = {
        {"replacing", false, true, false},
        {"creating", false, false, false},
        {"written in place", true, true, false},
        {"written in place for its second name", false, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string dir = scratchDir("failed-save");
        if (c.targetExists) putContents(dir + "/f.txt", "earlier\r\n");
        if (c.secondName) fs::create_hard_link(dir + "/f.txt", dir + "/g.txt");
        if (c.readOnlyFolder) {
            ASSERT_EQ(::chmod(dir.c_str(), 0555), 0);
        }
        const auto before = entriesOf(dir);
        std::int32_t number = 0;
        {
            FileSizeLimit limit(64);  // far below the text
            number = save(dir + "/f.txt", std::string(1000, 'y'));
        }
        EXPECT_EQ(number, 75);
        if (c.targetExists) {
            EXPECT_EQ(contents(dir + "/f.txt"), "earlier\r\n");
        }
        if (c.secondName) {
            EXPECT_EQ(contents(dir + "/g.txt"), "earlier\r\n");
        }
        EXPECT_EQ(entriesOf(dir), before);
        ASSERT_EQ(::chmod(dir.c_str(), 0755), 0);
    }
}

// Memory that runs out while the text is collected is the program's own
// error 7 naming the file; the earlier file stays and nothing else appears.
TEST(TextFileWriterTest, MemoryRunningOutNamesTheFileAndLeavesTheEarlierOne) {
    const std::string dir = scratchDir("textfile-write-memory");
    const std::string path = dir + "/f.txt";
    putContents(path, "earlier\r\n");
    const std::vector<std::string> lines(100, std::string(100, 'y'));
    const auto before = entriesOf(dir);
    try {
        const AllocationLimit limit(4 * 1024);
        writeTextFileLines(path, lines);
        ADD_FAILURE() << "written";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), 7);
        EXPECT_EQ(e.description(), "There is not enough memory left to write the file \"" + path + "\".");
    }
    EXPECT_EQ(contents(path), "earlier\r\n");
    EXPECT_EQ(entriesOf(dir), before);
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

// Memory that runs out while a file is read raises std::bad_alloc, for the
// reader to name; it never hands on a text cut short.
TEST(ReadTextFileLinesTest, MemoryRunningOutRaisesInsteadOfCuttingTheText) {
    const std::string path = scratchDir("textfile-memory") + "/wide.txt";
    {
        std::ofstream out(path, std::ios::binary);
        out << std::string(1024 * 1024, '1') << "\r\n";
    }
    const AllocationLimit limit(256 * 1024);
    EXPECT_THROW(readTextFileLines(path), std::bad_alloc);
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
        // Counted without the split, the pieces are as many.
        EXPECT_EQ(commaPieceCount(c.line), c.fields.size());
    }
}

TEST(WithExtensionTest, AddedUnlessTheNameEndsInIt) {
    EXPECT_EQ(withExtension("/d/run", "csm"), "/d/run.csm");
    EXPECT_EQ(withExtension("/d/run.csm", "csm"), "/d/run.csm");
    EXPECT_EQ(withExtension("/d/run.CSM", "csm"), "/d/run.CSM");
    EXPECT_EQ(withExtension("/d/out.txt", "csm"), "/d/out.txt.csm");
    EXPECT_EQ(withExtension("/d/csm", "csm"), "/d/csm.csm");
}
