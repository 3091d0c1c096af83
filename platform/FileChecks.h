#pragma once
// What stands under a file name, asked before a reader opens it. A pipe or
// a device under the name of a data file would make a plain open wait for
// a writer that may never come, and a folder would fail the reader with a
// misleading reason; readers ask here first, without opening anything, and
// refuse with the real cause.

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
