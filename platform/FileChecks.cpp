#include "platform/FileChecks.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "platform/Error.h"

namespace {

bool sameNameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

constexpr const char* kDenied = "cannot be read: permission denied";

FileKind kindOfMode(mode_t mode) noexcept {
    if (S_ISREG(mode)) return FileKind::Regular;
    if (S_ISDIR(mode)) return FileKind::Folder;
    return FileKind::Other;
}

// The words for a name of this kind that is no regular file to read.
std::string problemOfKind(FileKind kind) {
    switch (kind) {
        case FileKind::Regular: return {};
        case FileKind::Missing: return "does not exist";
        case FileKind::Folder: return "is a folder, not a file";
        case FileKind::Inaccessible: return kDenied;
        case FileKind::Other: break;
    }
    return "is not a regular file";
}

}  // namespace

FileKind fileKind(const std::string& path) noexcept {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return errno == EACCES ? FileKind::Inaccessible : FileKind::Missing;
    return kindOfMode(st.st_mode);
}

std::string fileProblem(const std::string& path) {
    const FileKind kind = fileKind(path);
    // Asked with the ids the program runs under, as an open would be.
    if (kind == FileKind::Regular)
        return ::faccessat(AT_FDCWD, path.c_str(), R_OK, AT_EACCESS) == 0 || errno != EACCES ? "" : kDenied;
    return problemOfKind(kind);
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

RegularFileReader::RegularFileReader(const std::string& path) noexcept {
    try {
        kind_ = fileKind(path);
        if (kind_ != FileKind::Regular) {
            problem_ = problemOfKind(kind_);
            return;
        }
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            const int err = errno;
            kind_ = err == ENOENT ? FileKind::Missing : err == EACCES ? FileKind::Inaccessible : FileKind::Regular;
            problem_ = kind_ == FileKind::Regular ? std::string("cannot be read: ") + std::strerror(err)
                                                  : problemOfKind(kind_);
            return;
        }
        // Whatever stands under the name now is what was opened.
        struct stat st {};
        if (::fstat(fd, &st) != 0) {
            const int err = errno;
            ::close(fd);
            kind_ = FileKind::Regular;
            problem_ = std::string("cannot be read: ") + std::strerror(err);
            return;
        }
        if (!S_ISREG(st.st_mode)) {
            ::close(fd);
            kind_ = kindOfMode(st.st_mode);
            problem_ = problemOfKind(kind_);
            return;
        }
        fd_ = fd;
        size_ = static_cast<std::int64_t>(st.st_size);
    } catch (...) {
        // Only the words could not be had: the file stays closed, its
        // reader says it cannot be read.
        kind_ = FileKind::Regular;
    }
}

RegularFileReader::~RegularFileReader() {
    if (fd_ >= 0) ::close(fd_);
}

std::int64_t RegularFileReader::readAt(std::int64_t offset, void* buffer, std::size_t count) noexcept {
    if (fd_ < 0 || offset < 0) return -1;
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t got = 0;
    while (got < count) {
        const ssize_t n = ::pread(fd_, out + got, count - got, static_cast<off_t>(offset) + static_cast<off_t>(got));
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return static_cast<std::int64_t>(got);
}
