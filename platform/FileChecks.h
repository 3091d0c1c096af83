#pragma once
// What stands under a file name, asked before a reader opens it. A pipe or
// a device under the name of a data file would make a plain open wait for
// a writer that may never come, and a folder would fail the reader with a
// misleading reason; readers ask here first, without opening anything, and
// refuse with the real cause.

#include <cstddef>
#include <cstdint>
#include <string>

enum class FileKind {
    Missing,       // nothing under the name (or a link that leads nowhere)
    Regular,       // a regular file, possibly reached through symbolic links
    Folder,
    Other,         // a pipe, a device or a socket
    Inaccessible,  // in a folder this program may not look into
};

// The kind of `path`, symbolic links followed. Opens nothing.
FileKind fileKind(const std::string& path) noexcept;

// Why `path` is not a regular file this program may read, as words that
// follow the path in a message ("/d/a.shp is a folder, not a file"); empty
// when it is one. One of "does not exist", "is a folder, not a file", "is
// not a regular file" (a pipe, a device or a socket) and "cannot be read:
// permission denied" (by the file's mode or a folder on its way).
std::string fileProblem(const std::string& path);

// Raises AppError 53 "File not found: <path>" when nothing is under the
// name, and 75 "Path/File access error: <path> (<problem>)" when it is not
// a regular file this program may read.
void requireReadableFile(const std::string& path);

// The entry of path's folder whose name is path's name with the case of
// its letters ignored: a regular file first (the exact spelling preferred),
// else an entry of any other kind (so that a caller refuses a pipe under
// that name instead of overlooking it); empty when no entry has the name.
std::string findFileIgnoringCase(const std::string& path);

// A regular file opened for reading in a way that can never wait: the name
// is looked at first (a pipe or a device under it is never opened), then
// opened without blocking, and the open descriptor is looked at again,
// which closes the race between the look and the open. It reads at given
// offsets into the caller's memory and holds no buffer of its own.
class RegularFileReader {
public:
    explicit RegularFileReader(const std::string& path) noexcept;
    ~RegularFileReader();
    RegularFileReader(const RegularFileReader&) = delete;
    RegularFileReader& operator=(const RegularFileReader&) = delete;

    bool isOpen() const noexcept { return fd_ >= 0; }
    // What stood under the name when it could not be opened (Regular when
    // it is open, or when a regular file failed to open for another cause,
    // which problem() then names), and fileProblem's words for it.
    FileKind kind() const noexcept { return kind_; }
    const std::string& problem() const noexcept { return problem_; }
    // The length of the file when it was opened.
    std::int64_t size() const noexcept { return size_; }

    // Reads up to `count` bytes at the 0-based `offset`: the count read,
    // fewer only where the file ends, or -1 when the system refuses.
    std::int64_t readAt(std::int64_t offset, void* buffer, std::size_t count) noexcept;

private:
    int fd_ = -1;
    FileKind kind_ = FileKind::Missing;
    std::string problem_;
    std::int64_t size_ = 0;
};
