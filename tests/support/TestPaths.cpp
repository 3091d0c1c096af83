#include "tests/support/TestPaths.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

std::string sourcePath(const std::string& relative) {
    return (fs::path(KORVANE_SOURCE_DIR) / relative).string();
}

std::string scratchDir(const std::string& testName) {
    static std::atomic<int> counter{0};
    const fs::path dir = fs::path(KORVANE_BINARY_DIR) / "test-scratch" /
                         (testName + "-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir.string();
}

std::string testOutputPath(const std::string& fileName) {
    const char* env = std::getenv("KORVANE_TEST_OUTPUT");
    const fs::path dir = env && *env ? fs::path(env) : fs::path(KORVANE_BINARY_DIR) / "test-output";
    fs::create_directories(dir);
    return (dir / fileName).string();
}

::testing::AssertionResult sameFileOrFolder(const std::string& a, const std::string& b) {
    std::error_code ec;
    if (fs::equivalent(a, b, ec)) return ::testing::AssertionSuccess();
    auto resolved = [](const std::string& path) {
        std::error_code why;
        const fs::path r = fs::weakly_canonical(path, why);
        return why ? "(" + why.message() + ")" : r.string();
    };
    return ::testing::AssertionFailure() << "\"" << a << "\" (" << resolved(a) << ") and \"" << b << "\" ("
                                         << resolved(b) << ") are not the same file or folder"
                                         << (ec ? ": " + ec.message() : std::string());
}
