#include "platform/FileChecks.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

#include "platform/Error.h"

namespace {

bool sameNameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

FileKind fileKind(const std::string& path) noexcept {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return errno == EACCES ? FileKind::Inaccessible : FileKind::Missing;
    if (S_ISREG(st.st_mode)) return FileKind::Regular;
    if (S_ISDIR(st.st_mode)) return FileKind::Folder;
    return FileKind::Other;
}

std::string fileProblem(const std::string& path) {
    constexpr const char* kDenied = "cannot be read: permission denied";
    switch (fileKind(path)) {
        case FileKind::Regular:
            // Asked with the ids the program runs under, as an open would be.
            return ::faccessat(AT_FDCWD, path.c_str(), R_OK, AT_EACCESS) == 0 || errno != EACCES ? "" : kDenied;
        case FileKind::Missing: return "does not exist";
        case FileKind::Folder: return "is a folder, not a file";
        case FileKind::Inaccessible: return kDenied;
        case FileKind::Other: break;
    }
    return "is not a regular file";
}

void requireReadableFile(const std::string& path) {
    const std::string problem = fileProblem(path);
    if (problem.empty()) return;
    if (fileKind(path) == FileKind::Missing) raiseFileNotFound(path);
    raisePathFileAccess(path, problem);
}

std::string findFileIgnoringCase(const std::string& path) {
    if (fileKind(path) == FileKind::Regular) return path;
    struct stat st {};
    // A name that cannot be looked at is kept, for its reader to refuse
    // with that cause rather than as missing.
    const bool exactExists = ::lstat(path.c_str(), &st) == 0 || errno == EACCES;
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return exactExists ? path : std::string();
    const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
    const std::string name = path.substr(slash + 1);
    // Among several spellings a regular file wins, so that a stray pipe
    // never hides the file a reader can use.
    std::string found = exactExists ? path : std::string();
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            if (!sameNameIgnoringCase(entry->d_name, name)) continue;
            const std::string candidate = path.substr(0, slash + 1) + entry->d_name;
            if (fileKind(candidate) == FileKind::Regular) {
                found = candidate;
                break;
            }
            if (found.empty()) found = candidate;
        }
        ::closedir(dir);
    }
    return found;
}
