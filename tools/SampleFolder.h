#pragma once
// The one argument of every sample generator: the folder to write into,
// made when it is missing.

#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

// The folder named on the command line, absolute; none, after a usage line
// naming `tool`, when the arguments are not one folder.
inline std::optional<std::filesystem::path> sampleFolder(int argc, char** argv, const char* tool) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", tool);
        return std::nullopt;
    }
    const std::filesystem::path folder = std::filesystem::absolute(argv[1]).lexically_normal();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return folder;
}
