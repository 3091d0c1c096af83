// What stands under a file name, asked before a reader opens anything:
// the kind, the words for what is wrong, the raised error, and the lookup
// of a sibling file whatever the case of its name.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "platform/Error.h"
#include "platform/FileChecks.h"
#include "tests/support/SpecialFiles.h"
#include "tests/support/TestPaths.h"
#include "tests/support/Unprivileged.h"

namespace fs = std::filesystem;

TEST(FileChecks, KindProblemAndErrorOfEveryKindOfName) {
    const std::string dir = scratchDir("filechecks");
    std::ofstream(dir + "/plain.shp") << "x";
    fs::create_directory(dir + "/folder.shp");
    HeldPipe pipe(dir + "/pipe.shp");
    fs::create_symlink(dir + "/plain.shp", dir + "/link.shp");
    fs::create_symlink(dir + "/pipe.shp", dir + "/linkToPipe.shp");
    fs::create_symlink(dir + "/nowhere.shp", dir + "/dangling.shp");
    struct Case {
        const char* name;
        std::string path;
        FileKind kind;
        std::string problem;
        std::int32_t number;  // of requireReadableFile; 0 when it passes
    } cases[] = {
        {"regular file", dir + "/plain.shp", FileKind::Regular, "", 0},
        {"link to a regular file", dir + "/link.shp", FileKind::Regular, "", 0},
        {"missing", dir + "/none.shp", FileKind::Missing, "does not exist", 53},
        {"dangling link", dir + "/dangling.shp", FileKind::Missing, "does not exist", 53},
        {"below a file", dir + "/plain.shp/x.shp", FileKind::Missing, "does not exist", 53},
        {"folder", dir + "/folder.shp", FileKind::Folder, "is a folder, not a file", 75},
        {"named pipe", dir + "/pipe.shp", FileKind::Other, "is not a regular file", 75},
        {"link to a named pipe", dir + "/linkToPipe.shp", FileKind::Other, "is not a regular file", 75},
        {"device", "/dev/null", FileKind::Other, "is not a regular file", 75},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(fileKind(c.path), c.kind);
        EXPECT_EQ(fileProblem(c.path), c.problem);
        try {
            requireReadableFile(c.path);
            EXPECT_EQ(c.number, 0);
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), c.number);
            EXPECT_EQ(e.source(), c.path);
            EXPECT_NE(e.description().find(c.path), std::string::npos) << e.description();
            if (c.number == 75) {
                EXPECT_NE(e.description().find(c.problem), std::string::npos) << e.description();
            }
        }
    }
}

TEST(FileChecks, SiblingsAreFoundWhateverTheCaseAndWhateverTheirKind) {
    struct Case {
        const char* name;
        std::vector<std::string> regular;  // entries made as regular files
        std::vector<std::string> pipes;    // entries made as named pipes
        std::string found;                 // "" for none
    } cases[] = {
        {"exact", {"a.shx", "A.SHX"}, {}, "a.shx"},
        {"another case", {"A.Shx"}, {}, "A.Shx"},
        {"only a pipe", {}, {"A.SHX"}, "A.SHX"},
        {"only a pipe under the exact name", {}, {"a.shx"}, "a.shx"},
        {"a regular file wins over a pipe", {"A.SHX"}, {"a.shx"}, "A.SHX"},
        {"nothing", {"b.shx", "a.shp"}, {}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string dir = scratchDir("siblings");
        for (const auto& n : c.regular) std::ofstream(dir + "/" + n) << "x";
        std::vector<std::unique_ptr<HeldPipe>> pipes;
        for (const auto& n : c.pipes) pipes.push_back(std::make_unique<HeldPipe>(dir + "/" + n));
        EXPECT_EQ(findFileIgnoringCase(dir + "/a.shx"), c.found.empty() ? "" : dir + "/" + c.found);
    }
    EXPECT_EQ(findFileIgnoringCase("/no/such/folder/a.shx"), "");
}

TEST(FileChecks, AFileThisProgramMayNotReadIsNamedSo) {
    // Shown as an ordinary user: the superuser reads whatever the mode says.
    const OpenScratchDir open("filechecks-denied");
    const std::string dir = open.path();
    std::ofstream(dir + "/own.shp") << "x";
    ASSERT_EQ(::chmod((dir + "/own.shp").c_str(), 0600), 0);
    std::ofstream(dir + "/all.shp") << "x";
    ASSERT_EQ(::chmod((dir + "/all.shp").c_str(), 0644), 0);
    fs::create_directory(dir + "/closed");
    std::ofstream(dir + "/closed/in.shp") << "x";
    ASSERT_EQ(::chmod((dir + "/closed").c_str(), 0700), 0);
    const std::string denied = "cannot be read: permission denied";
    const struct {
        const char* name;
        std::string path;
        FileKind kind;
    } cases[] = {
        {"mode lets only its owner read", dir + "/own.shp", FileKind::Regular},
        {"in a folder only its owner may enter", dir + "/closed/in.shp", FileKind::Inaccessible},
    };
    std::string why;
    const bool ran = runUnprivileged(
        [&] {
            for (const auto& c : cases) {
                SCOPED_TRACE(c.name);
                EXPECT_EQ(fileKind(c.path), c.kind);
                EXPECT_EQ(fileProblem(c.path), denied);
                try {
                    requireReadableFile(c.path);
                    ADD_FAILURE() << "passed";
                } catch (const AppError& e) {
                    EXPECT_EQ(e.number(), 75);
                    EXPECT_EQ(e.description(), "Path/File access error: " + c.path + " (" + denied + ")");
                }
            }
            // A sibling in a folder that cannot be looked into is not lost.
            EXPECT_EQ(findFileIgnoringCase(dir + "/closed/IN.shp"), dir + "/closed/IN.shp");
            // Readable to all: no problem.
            EXPECT_EQ(fileKind(dir + "/all.shp"), FileKind::Regular);
            EXPECT_EQ(fileProblem(dir + "/all.shp"), "");
        },
        &why);
    if (!ran) GTEST_SKIP() << why;
}
