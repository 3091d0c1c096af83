#pragma once
// The one argument of every sample generator: the folder it works in.

#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

// The folder named on the command line, absolute; none, after a usage line
// naming `tool` and what the folder is (`what`), when the arguments are not
// one folder.
inline std::optional<std::filesystem::path> folderArgument(int argc, char** argv, const char* tool,
                                                           const char* what) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <%s>\n", tool, what);
        return std::nullopt;
    }
    return std::filesystem::absolute(argv[1]).lexically_normal();
}

// The folder a generator writes into, made when it is missing.
inline std::optional<std::filesystem::path> sampleFolder(int argc, char** argv, const char* tool) {
    std::optional<std::filesystem::path> folder = folderArgument(argc, argv, tool, "output folder");
    std::error_code ec;
    if (folder) std::filesystem::create_directories(*folder, ec);
    return folder;
}
