#include "platform/TextFile.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <mutex>
#include <new>
#include <random>

#include "platform/Error.h"
#include "platform/FileChecks.h"

TextFileWriter::TextFileWriter(std::string path) : path_(std::move(path)) {}

void TextFileWriter::PrintLine(std::string_view line) {
    buffer_ += line;
    buffer_ += "\r\n";
}

void TextFileWriter::Print(std::string_view text) { buffer_ += text; }

namespace {

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a save writes: `path` with every symbolic link followed, so that
// a link goes on pointing at its file and that file gets the new text. A
// link that leads nowhere yet names the file to create.
std::string followLinks(const std::string& path, const std::string& shown) {
    constexpr int kMostLinks = 40;  // as the system allows in one path
    std::string at = path;
    for (int hop = 0; hop < kMostLinks; ++hop) {
        struct stat st {};
        if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return at;
        std::vector<char> target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
        for (;;) {
            const ssize_t n = ::readlink(at.c_str(), target.data(), target.size());
            if (n < 0) raisePathFileAccess(shown, std::strerror(errno));
            if (static_cast<std::size_t>(n) < target.size()) {
                target.resize(static_cast<std::size_t>(n));
                break;
            }
            target.resize(target.size() * 2);  // the link grew since lstat
        }
        std::string next(target.begin(), target.end());
        if (next.empty()) raisePathFileAccess(shown, "a symbolic link names no file");
        at = next.front() == '/' ? next : folderOf(at) + "/" + next;
    }
    raisePathFileAccess(shown, "too many levels of symbolic links");
}

// Whether the mode lets anyone write and the system lets this program.
// The superuser may write whatever the mode says, so the mode is read as
// well: a file or folder that nobody may write is read-only for everyone.
bool mayWrite(const std::string& path, const struct stat& st, int how) {
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 && ::faccessat(AT_FDCWD, path.c_str(), how, AT_EACCESS) == 0;
}

// Writes all of `bytes` at offset 0; false with errno set when the system
// refuses some of them.
bool writeAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// A new, empty file beside `target` under a name no other file has; the
// name is chosen at random and taken only if free, so no file is ever
// overwritten. -1 with errno set when the folder takes no new file.
int createTemporary(const std::string& target, std::string& name) {
    static std::mt19937_64 random{std::random_device{}()};
    static std::mutex randomMutex;
    constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string suffix(8, 'x');
        {
            std::lock_guard<std::mutex> lock(randomMutex);
            for (char& c : suffix) c = kLetters[random() % (sizeof kLetters - 1)];
        }
        name = folderOf(target) + "/." + nameOf(target) + "." + suffix + ".tmp";
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// Written in place, a text that would pass the file-size limit of this
// process is refused before a byte is written, not cut off half way.
bool passesSizeLimit(std::size_t size) {
    struct rlimit limit {};
    return ::getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY ||
           static_cast<rlim_t>(size) <= limit.rlim_cur;
}

}  // namespace

void TextFileWriter::Close() {
    // Everything that can be checked is checked before anything is
    // written; the text itself is already whole in memory.
    const std::string target = followLinks(path_, path_);
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (!exists && errno != ENOENT) raisePathFileAccess(path_, std::strerror(errno));
    if (exists) {
        if (S_ISDIR(st.st_mode)) raisePathFileAccess(path_, "it is a folder, not a file");
        if (!S_ISREG(st.st_mode)) raisePathFileAccess(path_, "it is not a regular file");
        if (!mayWrite(target, st, W_OK)) raisePathFileAccess(path_, "the file is read-only");
    }
    const std::string folder = folderOf(target);
    struct stat folderSt {};
    if (::stat(folder.c_str(), &folderSt) != 0 || !S_ISDIR(folderSt.st_mode))
        raisePathFileAccess(path_, "the folder " + folder + " does not exist");

    const bool folderTakesNewFile = mayWrite(folder, folderSt, W_OK | X_OK);
    if (!exists && !folderTakesNewFile) raisePathFileAccess(path_, "the folder " + folder + " is read-only");
    // A file with a second name (a hard link) is written where it is too: a
    // new file in its place would leave the other name with the old text.
    if (exists && (!folderTakesNewFile || st.st_nlink > 1)) {
        writeInPlace(target);
        return;
    }
    std::string temp;
    const int fd = createTemporary(target, temp);
    if (fd < 0) {
        const int err = errno;
        // A folder that refuses new files for a reason the checks above
        // cannot see still lets a writable file be written where it is.
        if (exists && (err == EACCES || err == EPERM || err == EROFS)) {
            writeInPlace(target);
            return;
        }
        raisePathFileAccess(path_, std::string("cannot create the file: ") + std::strerror(err));
    }
    // The temporary goes before the text of the error is built: building it
    // takes memory, which may be what ran out.
    auto fail = [&](const char* what) {
        const int err = errno;
        ::close(fd);
        ::unlink(temp.c_str());
        raisePathFileAccess(path_, what + std::string(std::strerror(err)));
    };
    if (!writeAll(fd, buffer_)) fail("write failed: ");
    if (exists) {
        // The new file takes the earlier one's place with its mode and
        // owner; where the owner cannot be given, the earlier file is
        // written where it is instead, so that it stays its owner's.
        if (::fchmod(fd, st.st_mode & 07777) != 0) fail("cannot keep the mode: ");
        if ((st.st_uid != ::geteuid() || st.st_gid != ::getegid()) && ::fchown(fd, st.st_uid, st.st_gid) != 0) {
            ::close(fd);
            ::unlink(temp.c_str());
            writeInPlace(target);
            return;
        }
    }
    if (::fsync(fd) != 0) fail("write failed: ");
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        raisePathFileAccess(path_, std::string("write failed: ") + std::strerror(err));
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        raisePathFileAccess(path_, std::string("cannot replace the file: ") + std::strerror(err));
    }
}

void TextFileWriter::writeInPlace(const std::string& target) {
    const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) raisePathFileAccess(path_, std::strerror(errno));
    auto fail = [&](const std::string& why) {
        ::close(fd);
        raisePathFileAccess(path_, why);
    };
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) fail("it is not a regular file");
    if (!passesSizeLimit(buffer_.size())) fail("the text is larger than this program may write");
    // Room for the whole text is taken first: a full disk refuses the save
    // before a byte of the earlier file has changed.
    if (!buffer_.empty() && ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(buffer_.size())) != 0 &&
        errno != EOPNOTSUPP && errno != ENOSYS)
        fail(std::string("no room for the file: ") + std::strerror(errno));
    if (!writeAll(fd, buffer_)) fail(std::string("write failed: ") + std::strerror(errno));
    if (::ftruncate(fd, static_cast<off_t>(buffer_.size())) != 0 || ::fsync(fd) != 0)
        fail(std::string("write failed: ") + std::strerror(errno));
    if (::close(fd) != 0) raisePathFileAccess(path_, std::string("write failed: ") + std::strerror(errno));
}

std::string withExtension(const std::string& path, const std::string& ext) {
    const std::string tail = "." + ext;
    const bool hasIt = path.size() >= tail.size() &&
                       std::equal(tail.begin(), tail.end(), path.end() - static_cast<std::ptrdiff_t>(tail.size()),
                                  [](char a, char b) {
                                      return std::tolower(static_cast<unsigned char>(a)) ==
                                             std::tolower(static_cast<unsigned char>(b));
                                  });
    return hasIt ? path : path + tail;
}

void writeTextFileLines(const std::string& path, const std::vector<std::string>& lines) try {
    TextFileWriter w(path);
    for (const auto& l : lines) w.PrintLine(l);
    w.Close();
} catch (const std::bad_alloc&) {
    raiseTooLargeToWrite(path, "writeTextFileLines");
}

std::vector<std::string> readTextFileLines(const std::string& path) {
    requireReadableFile(path);
    std::ifstream in(path, std::ios::binary);
    if (!in) raisePathFileAccess(path, "cannot open the file");
    // Copied a block at a time into a string of our own: a stream copy
    // would end quietly where memory ran out and hand on a text cut short,
    // where this raises std::bad_alloc for the reader to name.
    std::string text;
    char block[1 << 16];
    while (in.read(block, sizeof block) || in.gcount() > 0) text.append(block, static_cast<std::size_t>(in.gcount()));
    if (in.bad()) raisePathFileAccess(path, "the file could not be read to its end");
    std::vector<std::string> lines;
    std::string cur;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(cur);
            cur.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) lines.push_back(cur);
    return lines;
}

void raiseTooLargeToRead(const std::string& path, const std::string& source) {
    raiseOutOfMemory(source, "There is not enough memory left to read the file \"" + path + "\".");
}

void raiseTooLargeToWrite(const std::string& path, const std::string& source) {
    raiseOutOfMemory(source, "There is not enough memory left to write the file \"" + path + "\".");
}

bool CommaPieces::next(std::string_view& piece) noexcept {
    if (done_) return false;
    const auto comma = rest_.find(',');
    if (comma == std::string_view::npos) {
        piece = rest_;
        done_ = true;
    } else {
        piece = rest_.substr(0, comma);
        rest_.remove_prefix(comma + 1);
    }
    return true;
}

std::size_t commaPieceCount(std::string_view line) noexcept {
    return static_cast<std::size_t>(std::count(line.begin(), line.end(), ',')) + 1;
}

std::vector<std::string> splitCommas(std::string_view line) {
    std::vector<std::string> out;
    CommaPieces pieces(line);
    for (std::string_view piece; pieces.next(piece);) out.emplace_back(piece);
    return out;
}
