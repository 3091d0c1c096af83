#pragma once
// The one argument of every sample generator: the folder it works in.

#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

// The folder named on the command line, absolute, and the one the system
// finds under that name: "." and doubled "/" are dropped, which changes
// nothing, but a ".." is resolved as the system resolves it. After a
// symbolic link to a folder, ".." is the parent of the folder the link
// leads to, not the folder that holds the link: dropping it with the name
// before it would make another folder than `mkdir` would. None, after a
// usage line naming `tool` and what the folder is (`what`), when the
// arguments are not one folder, or after a line saying why, when the
// folders up to a ".." cannot be looked into.
inline std::optional<std::filesystem::path> folderArgument(int argc, char** argv, const char* tool,
                                                           const char* what) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <%s>\n", tool, what);
        return std::nullopt;
    }
    const std::filesystem::path given = std::filesystem::absolute(argv[1]);
    for (const std::filesystem::path& part : given) {
        if (part != "..") continue;
        std::error_code ec;
        std::filesystem::path found = std::filesystem::weakly_canonical(given, ec);
        if (!ec) return found;
        std::fprintf(stderr, "%s: cannot find the folder %s: %s\n", tool, given.c_str(), ec.message().c_str());
        return std::nullopt;
    }
    return given.lexically_normal();
}

// The folder a generator writes into, made when it is missing.
inline std::optional<std::filesystem::path> sampleFolder(int argc, char** argv, const char* tool) {
    std::optional<std::filesystem::path> folder = folderArgument(argc, argv, tool, "output folder");
    std::error_code ec;
    if (folder) std::filesystem::create_directories(*folder, ec);
    return folder;
}
