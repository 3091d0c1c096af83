#pragma once
// Binary file access by 1-based byte position, as the shapefile classes
// use it: positioned and sequential reads and writes of little- and
// big-endian 32-bit integers, doubles and byte arrays, the file's length,
// truncation, and the file-system helpers exists and delete.
//
// A file opened for reading is opened read-only and is never created; a
// file opened for reading and writing is created when missing. Reads are
// served from an internal buffer, so many small sequential reads cost one
// system call per block; a write drops the buffer. A read that would run
// past the end of the file raises error 62 instead of returning garbage.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class BinaryFile {
public:
    enum class Mode { Read, ReadWrite };

    BinaryFile() = default;
    ~BinaryFile();
    BinaryFile(const BinaryFile&) = delete;
    BinaryFile& operator=(const BinaryFile&) = delete;
    BinaryFile(BinaryFile&& other) noexcept;
    BinaryFile& operator=(BinaryFile&& other) noexcept;

    // Raises AppError 53 "File not found" (Read of a missing file) or 75
    // "Path/File access error" (any other failure, its cause in brackets:
    // "is a folder, not a file", "is not a regular file", "cannot be read:
    // permission denied"), source the path.
    void Open(const std::string& path, Mode mode);
    void Close() noexcept;
    bool IsOpen() const noexcept { return fd_ >= 0; }
    bool IsWritable() const noexcept { return fd_ >= 0 && mode_ == Mode::ReadWrite; }
    const std::string& Path() const noexcept { return path_; }

    // Length of the file in bytes.
    std::int64_t Length() const;

    // The next sequential position (1-based), and moving it.
    std::int64_t Position() const noexcept { return position_; }
    void Seek(std::int64_t position);

    // Positioned reads (1-based position); each also moves the sequential
    // position to just behind what it read.
    void ReadBytes(std::int64_t position, void* buffer, std::size_t count);
    std::int32_t ReadInt32LE(std::int64_t position);
    std::int32_t ReadInt32BE(std::int64_t position);
    double ReadDouble(std::int64_t position);

    // Sequential reads from the current position.
    void ReadBytes(void* buffer, std::size_t count);
    std::vector<unsigned char> ReadBytes(std::size_t count);
    std::int32_t ReadInt32LE();
    std::int32_t ReadInt32BE();
    double ReadDouble();

    // Positioned and sequential writes; raise AppError 75 when the file
    // is not open for writing or the system refuses the bytes.
    void WriteBytes(std::int64_t position, const void* buffer, std::size_t count);
    void WriteInt32LE(std::int64_t position, std::int32_t value);
    void WriteInt32BE(std::int64_t position, std::int32_t value);
    void WriteDouble(std::int64_t position, double value);
    void WriteBytes(const void* buffer, std::size_t count);
    void WriteInt32LE(std::int32_t value);
    void WriteInt32BE(std::int32_t value);
    void WriteDouble(double value);

    // Cuts the file to `length` bytes.
    void Truncate(std::int64_t length);

    static bool Exists(const std::string& path);
    // Deletes the file; raises AppError 75 when it exists and cannot be deleted.
    static void Delete(const std::string& path);

private:
    void fillBuffer(std::int64_t offset);
    void dropBuffer() noexcept;
    [[noreturn]] void raiseAccess(const std::string& why) const;
    [[noreturn]] void raisePastEnd() const;
    // Raises 75 unless the file is open (and open for writing, when asked).
    void requireOpen(bool forWriting) const;
    // Raises 5 for a position before the first byte.
    void checkPosition(std::int64_t position) const;

    int fd_ = -1;
    Mode mode_ = Mode::Read;
    std::string path_;
    std::int64_t position_ = 1;
    mutable std::int64_t length_ = -1;  // cached; -1 when unknown
    std::vector<unsigned char> buffer_;
    std::int64_t bufferOffset_ = 0;  // 0-based file offset of buffer_[0]
};

// Byte-order helpers shared by the readers and writers of binary layouts.
namespace byteorder {
std::int32_t swap32(std::int32_t value) noexcept;
std::int32_t loadInt32LE(const unsigned char* p) noexcept;
std::int32_t loadInt32BE(const unsigned char* p) noexcept;
double loadDouble(const unsigned char* p) noexcept;  // little-endian IEEE 754
void storeInt32LE(unsigned char* p, std::int32_t value) noexcept;
void storeInt32BE(unsigned char* p, std::int32_t value) noexcept;
void storeDouble(unsigned char* p, double value) noexcept;
}  // namespace byteorder
