#include "platform/BinaryFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/Error.h"

namespace {
constexpr std::size_t kBlockSize = 64 * 1024;
}  // namespace

namespace byteorder {
std::int32_t swap32(std::int32_t value) noexcept {
    const auto u = static_cast<std::uint32_t>(value);
    return static_cast<std::int32_t>((u >> 24) | ((u >> 8) & 0x0000FF00u) | ((u << 8) & 0x00FF0000u) | (u << 24));
}
std::int32_t loadInt32LE(const unsigned char* p) noexcept {
    return static_cast<std::int32_t>(std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                                     std::uint32_t(p[3]) << 24);
}
std::int32_t loadInt32BE(const unsigned char* p) noexcept {
    return static_cast<std::int32_t>(std::uint32_t(p[3]) | std::uint32_t(p[2]) << 8 | std::uint32_t(p[1]) << 16 |
                                     std::uint32_t(p[0]) << 24);
}
double loadDouble(const unsigned char* p) noexcept {
    std::uint64_t u = 0;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&u, p, 8);
    } else {
        for (int i = 7; i >= 0; --i) u = (u << 8) | p[i];
    }
    return std::bit_cast<double>(u);
}
void storeInt32LE(unsigned char* p, std::int32_t value) noexcept {
    const auto u = static_cast<std::uint32_t>(value);
    p[0] = static_cast<unsigned char>(u);
    p[1] = static_cast<unsigned char>(u >> 8);
    p[2] = static_cast<unsigned char>(u >> 16);
    p[3] = static_cast<unsigned char>(u >> 24);
}
void storeInt32BE(unsigned char* p, std::int32_t value) noexcept {
    const auto u = static_cast<std::uint32_t>(value);
    p[0] = static_cast<unsigned char>(u >> 24);
    p[1] = static_cast<unsigned char>(u >> 16);
    p[2] = static_cast<unsigned char>(u >> 8);
    p[3] = static_cast<unsigned char>(u);
}
void storeDouble(unsigned char* p, double value) noexcept {
    const auto u = std::bit_cast<std::uint64_t>(value);
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(p, &u, 8);
    } else {
        for (int i = 0; i < 8; ++i) p[i] = static_cast<unsigned char>(u >> (8 * i));
    }
}
}  // namespace byteorder

BinaryFile::~BinaryFile() { Close(); }

BinaryFile::BinaryFile(BinaryFile&& other) noexcept { *this = std::move(other); }

BinaryFile& BinaryFile::operator=(BinaryFile&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
        mode_ = other.mode_;
        path_ = std::move(other.path_);
        position_ = std::exchange(other.position_, 1);
        length_ = std::exchange(other.length_, -1);
        buffer_ = std::move(other.buffer_);
        bufferOffset_ = std::exchange(other.bufferOffset_, 0);
        other.buffer_.clear();
    }
    return *this;
}

void BinaryFile::raiseAccess(const std::string& why) const { raisePathFileAccess(path_, why); }

void BinaryFile::raisePastEnd() const {
    throw AppError(RuntimeErrors::InputPastEnd, "Input past end of file", path_);
}

void BinaryFile::requireOpen(bool forWriting) const {
    if (fd_ < 0) raiseAccess("the file is not open");
    if (forWriting && mode_ != Mode::ReadWrite) raiseAccess("the file is open for reading only");
}

void BinaryFile::checkPosition(std::int64_t position) const {
    if (position < 1) raiseInvalidArgument(path_, "Bad file position " + std::to_string(position));
}

void BinaryFile::Open(const std::string& path, Mode mode) {
    Close();
    path_ = path;
    mode_ = mode;
    // Opened without blocking, so that a pipe or a device standing under a
    // file's name is refused at once below instead of waiting for a writer.
    const int flags = (mode == Mode::Read ? O_RDONLY : O_RDWR | O_CREAT) | O_CLOEXEC | O_NONBLOCK;
    const int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0) {
        const int err = errno;
        if (mode == Mode::Read && err == ENOENT)
            raiseFileNotFound(path);
        if (err == EACCES)
            raiseAccess(mode == Mode::Read ? "cannot be read: permission denied" : "cannot be written: permission denied");
        if (err == EISDIR) raiseAccess("is a folder, not a file");
        raiseAccess(std::strerror(err));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        raiseAccess(std::strerror(err));
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        raiseAccess(S_ISDIR(st.st_mode) ? "is a folder, not a file" : "is not a regular file");
    }
    const int status = ::fcntl(fd, F_GETFL);
    if (status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) {
        const int err = errno;
        ::close(fd);
        raiseAccess(std::strerror(err));
    }
    fd_ = fd;
    position_ = 1;
    length_ = st.st_size;
    dropBuffer();
}

void BinaryFile::Close() noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    length_ = -1;
    position_ = 1;
    dropBuffer();
}

std::int64_t BinaryFile::Length() const {
    requireOpen(false);
    if (length_ < 0) {
        struct stat st {};
        if (::fstat(fd_, &st) != 0) raiseAccess(std::strerror(errno));
        length_ = st.st_size;
    }
    return length_;
}

void BinaryFile::Seek(std::int64_t position) {
    checkPosition(position);
    position_ = position;
}

void BinaryFile::dropBuffer() noexcept {
    buffer_.clear();
    bufferOffset_ = 0;
}

void BinaryFile::fillBuffer(std::int64_t offset) {
    buffer_.resize(kBlockSize);
    std::size_t got = 0;
    while (got < kBlockSize) {
        const ssize_t n = ::pread(fd_, buffer_.data() + got, kBlockSize - got, static_cast<off_t>(offset) + static_cast<off_t>(got));
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            dropBuffer();
            raiseAccess(std::strerror(err));
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    buffer_.resize(got);
    bufferOffset_ = offset;
}

void BinaryFile::ReadBytes(std::int64_t position, void* buffer, std::size_t count) {
    requireOpen(false);
    checkPosition(position);
    const std::int64_t offset = position - 1;
    if (offset > Length() || static_cast<std::int64_t>(count) > Length() - offset) raisePastEnd();
    auto* out = static_cast<unsigned char*>(buffer);
    std::int64_t at = offset;
    std::size_t left = count;
    if (left >= kBlockSize) {
        // Large reads go straight to the caller's memory.
        while (left > 0) {
            const ssize_t n = ::pread(fd_, out, left, static_cast<off_t>(at));
            if (n < 0) {
                if (errno == EINTR) continue;
                raiseAccess(std::strerror(errno));
            }
            if (n == 0) raisePastEnd();
            out += n;
            at += n;
            left -= static_cast<std::size_t>(n);
        }
    }
    while (left > 0) {
        const std::int64_t bufEnd = bufferOffset_ + static_cast<std::int64_t>(buffer_.size());
        if (at < bufferOffset_ || at >= bufEnd) {
            fillBuffer(at);
            if (buffer_.empty()) raisePastEnd();
            continue;
        }
        const std::size_t from = static_cast<std::size_t>(at - bufferOffset_);
        const std::size_t n = std::min(left, buffer_.size() - from);
        std::memcpy(out, buffer_.data() + from, n);
        out += n;
        at += static_cast<std::int64_t>(n);
        left -= n;
    }
    position_ = position + static_cast<std::int64_t>(count);
}

std::int32_t BinaryFile::ReadInt32LE(std::int64_t position) {
    unsigned char b[4];
    ReadBytes(position, b, 4);
    return byteorder::loadInt32LE(b);
}
std::int32_t BinaryFile::ReadInt32BE(std::int64_t position) {
    unsigned char b[4];
    ReadBytes(position, b, 4);
    return byteorder::loadInt32BE(b);
}
double BinaryFile::ReadDouble(std::int64_t position) {
    unsigned char b[8];
    ReadBytes(position, b, 8);
    return byteorder::loadDouble(b);
}
void BinaryFile::ReadBytes(void* buffer, std::size_t count) { ReadBytes(position_, buffer, count); }
std::vector<unsigned char> BinaryFile::ReadBytes(std::size_t count) {
    // Checked against the length first, so a wild count never allocates.
    if (fd_ >= 0 && static_cast<std::int64_t>(count) > Length() - (position_ - 1)) raisePastEnd();
    std::vector<unsigned char> out(count);
    ReadBytes(position_, out.data(), count);
    return out;
}
std::int32_t BinaryFile::ReadInt32LE() { return ReadInt32LE(position_); }
std::int32_t BinaryFile::ReadInt32BE() { return ReadInt32BE(position_); }
double BinaryFile::ReadDouble() { return ReadDouble(position_); }

void BinaryFile::WriteBytes(std::int64_t position, const void* buffer, std::size_t count) {
    requireOpen(true);
    checkPosition(position);
    dropBuffer();
    const auto* in = static_cast<const unsigned char*>(buffer);
    std::int64_t at = position - 1;
    std::size_t left = count;
    while (left > 0) {
        const ssize_t n = ::pwrite(fd_, in, left, static_cast<off_t>(at));
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            length_ = -1;
            raiseAccess(std::strerror(err));
        }
        if (n == 0) {
            // No progress and no error: the device takes nothing more.
            length_ = -1;
            raiseAccess("no space left for the data");
        }
        in += n;
        at += n;
        left -= static_cast<std::size_t>(n);
    }
    if (length_ >= 0) length_ = std::max(length_, at);
    position_ = position + static_cast<std::int64_t>(count);
}

void BinaryFile::WriteInt32LE(std::int64_t position, std::int32_t value) {
    unsigned char b[4];
    byteorder::storeInt32LE(b, value);
    WriteBytes(position, b, 4);
}
void BinaryFile::WriteInt32BE(std::int64_t position, std::int32_t value) {
    unsigned char b[4];
    byteorder::storeInt32BE(b, value);
    WriteBytes(position, b, 4);
}
void BinaryFile::WriteDouble(std::int64_t position, double value) {
    unsigned char b[8];
    byteorder::storeDouble(b, value);
    WriteBytes(position, b, 8);
}
void BinaryFile::WriteBytes(const void* buffer, std::size_t count) { WriteBytes(position_, buffer, count); }
void BinaryFile::WriteInt32LE(std::int32_t value) { WriteInt32LE(position_, value); }
void BinaryFile::WriteInt32BE(std::int32_t value) { WriteInt32BE(position_, value); }
void BinaryFile::WriteDouble(double value) { WriteDouble(position_, value); }

void BinaryFile::Truncate(std::int64_t length) {
    requireOpen(true);
    dropBuffer();
    if (::ftruncate(fd_, static_cast<off_t>(length)) != 0) {
        length_ = -1;
        raiseAccess(std::strerror(errno));
    }
    length_ = length;
}

bool BinaryFile::Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void BinaryFile::Delete(const std::string& path) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) raisePathFileAccess(path, std::strerror(errno));
}
