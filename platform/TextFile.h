#pragma once
// Text files as the program writes and reads them: lines end in CR LF, text
// is UTF-8 (this platform's code page), and a file is written whole or not
// at all: the lines collect in memory and replace the target in one step, so
// a failed write leaves any earlier file as it was and raises an error.
//
// The save writes what the user sees under the name: a symbolic link's file
// (the link stays), with the earlier file's mode and owner. A read-only file
// is refused. The new text goes to a temporary file of a fresh name beside
// the target, which then replaces it; in a folder that takes no new file,
// and for a file that has a second name (a hard link), a writable target is
// written where it is, once the whole text is built.

#include <string>
#include <string_view>
#include <vector>

class TextFileWriter {
public:
    explicit TextFileWriter(std::string path);

    // Print: one line, ended with CR LF.
    void PrintLine(std::string_view line);
    // Text without a line end; the next Print or PrintLine continues the line.
    void Print(std::string_view text);

    // Writes the collected text to the file; raises AppError (number 75,
    // "Path/File access error", source the path) when it cannot, the
    // earlier file as it was and no temporary file left behind.
    void Close();

    const std::string& path() const noexcept { return path_; }
    const std::string& contents() const noexcept { return buffer_; }

private:
    void writeInPlace(const std::string& target);

    std::string path_;
    std::string buffer_;
};

// `path` with "." ext added unless it already ends in it (case ignored):
// the name a save writes whatever the user typed.
std::string withExtension(const std::string& path, const std::string& ext);

// Writes `lines`, each ended with CR LF, as one whole file. Memory that runs
// out on the way raises AppError 7 (Out of memory) naming the file, which is
// left as it was.
void writeTextFileLines(const std::string& path, const std::vector<std::string>& lines);

// Reads a text file as lines; a line ends at CR LF, LF or CR. Raises AppError
// 53 "File not found" when nothing is under the name and 75 when it cannot
// be read (a folder, a pipe or a device is named as such, see FileChecks).
std::vector<std::string> readTextFileLines(const std::string& path);

// For the readers of text files, which catch an allocation that failed at
// their entry: raises AppError 7 (Out of memory) saying that there is not
// enough memory left to read the file at `path`.
[[noreturn]] void raiseTooLargeToRead(const std::string& path, const std::string& source);
// For the writers of text files, which catch an allocation that failed
// while the text was built: raises AppError 7 saying that there is not
// enough memory left to write the file at `path`.
[[noreturn]] void raiseTooLargeToWrite(const std::string& path, const std::string& source);

// The comma-separated pieces of a line one at a time, as views into it, with
// no quoting and no trimming: a reader that wants the first few pieces of a
// line of a million values takes no memory beyond the line.
class CommaPieces {
public:
    explicit CommaPieces(std::string_view line) noexcept : rest_(line) {}
    // The next piece into `piece`; false once the last one was given.
    bool next(std::string_view& piece) noexcept;

private:
    std::string_view rest_;
    bool done_ = false;
};

// The number of comma-separated pieces of a line (its commas and one),
// counted without splitting it.
std::size_t commaPieceCount(std::string_view line) noexcept;

// Splits a line at every comma, with no quoting and no trimming.
std::vector<std::string> splitCommas(std::string_view line);
