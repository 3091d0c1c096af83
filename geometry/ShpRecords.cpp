#include "geometry/ShpRecords.h"

#include <algorithm>
#include <array>

#include "platform/BinaryFile.h"
#include "platform/FileChecks.h"

namespace ShpRecords {

namespace {

std::string recordText(std::int32_t k) { return "record " + std::to_string(k + 1); }

}  // namespace

HeaderBox headerBox(const unsigned char* header) {
    HeaderBox b;
    b.Xmin = byteorder::loadDouble(header + 36);
    b.Ymin = byteorder::loadDouble(header + 44);
    b.Xmax = byteorder::loadDouble(header + 52);
    b.Ymax = byteorder::loadDouble(header + 60);
    return b;
}

double Parts::x(std::int32_t i) const { return byteorder::loadDouble(xy + 16 * static_cast<std::size_t>(i)); }
double Parts::y(std::int32_t i) const { return byteorder::loadDouble(xy + 16 * static_cast<std::size_t>(i) + 8); }

std::string readParts(const unsigned char* body, std::int64_t available, Parts& out) {
    if (available < 40) return "the record runs past the end of the file";
    out.box = body;
    out.numParts = byteorder::loadInt32LE(body + 32);
    out.numPoints = byteorder::loadInt32LE(body + 36);
    if (out.numParts <= 0) return "part count " + std::to_string(out.numParts);
    if (out.numPoints < 0) return "point count " + std::to_string(out.numPoints);
    const std::int64_t need =
        40 + 4 * static_cast<std::int64_t>(out.numParts) + 16 * static_cast<std::int64_t>(out.numPoints);
    if (need > available) return "its part and point counts run past the end of the file";
    out.starts.assign(static_cast<std::size_t>(out.numParts), 0);
    for (std::int32_t k = 0; k < out.numParts; ++k) {
        const std::int32_t s = byteorder::loadInt32LE(body + 40 + 4 * static_cast<std::size_t>(k));
        const std::int32_t before = k == 0 ? 0 : out.starts[static_cast<std::size_t>(k - 1)];
        if ((k == 0 && s != 0) || s < before || s > out.numPoints)
            return "part " + std::to_string(k + 1) + " starts at point " + std::to_string(s);
        out.starts[static_cast<std::size_t>(k)] = s;
    }
    out.xy = body + 40 + 4 * static_cast<std::size_t>(out.numParts);
    return {};
}

namespace {

// The bytes of a .shp held whole in memory.
class HeldBytes {
public:
    explicit HeldBytes(const std::vector<unsigned char>& file) : file_(file) {}
    std::int64_t size() const { return static_cast<std::int64_t>(file_.size()); }
    const unsigned char* at(std::int64_t offset, std::int64_t) { return file_.data() + offset; }

private:
    const std::vector<unsigned char>& file_;
};

// The bytes of a .shp read from its file: a block at a time into a buffer
// of its own (no allocation), a record longer than the block into memory
// of its length.
class FileBytes {
public:
    explicit FileBytes(RegularFileReader& file) : file_(file) {}
    std::int64_t size() const { return file_.size(); }
    // `count` bytes from `offset`, which the caller checked to lie within
    // size(); nullptr when the file no longer holds them.
    const unsigned char* at(std::int64_t offset, std::int64_t count) {
        if (offset >= blockStart_ && offset + count <= blockStart_ + blockBytes_)
            return block_.data() + (offset - blockStart_);
        if (count <= static_cast<std::int64_t>(block_.size())) {
            const std::int64_t want = std::min<std::int64_t>(static_cast<std::int64_t>(block_.size()), size() - offset);
            const std::int64_t got = file_.readAt(offset, block_.data(), static_cast<std::size_t>(want));
            blockStart_ = offset;
            blockBytes_ = std::max<std::int64_t>(got, 0);
            return got >= count ? block_.data() : nullptr;
        }
        large_.resize(static_cast<std::size_t>(count));
        if (file_.readAt(offset, large_.data(), large_.size()) != count) return nullptr;
        return large_.data();
    }

private:
    RegularFileReader& file_;
    std::array<unsigned char, 16 * 1024> block_{};
    std::int64_t blockStart_ = 0, blockBytes_ = 0;
    std::vector<unsigned char> large_;
};

template <class Bytes>
WalkEnd walkBytes(Bytes& file, std::int64_t limit, std::int64_t mostRecordBytes,
                  const std::function<void(const Record&)>& onRecord) {
    WalkEnd end;
    const std::int64_t fileSize = file.size();
    limit = std::min(limit, fileSize);
    std::int64_t p = kMainHeaderBytes;  // 0-based offset of the record
    std::int32_t k = 0;
    while (p < limit) {
        if (p + 8 > fileSize) {
            end.problem = "the file ends inside the header of " + recordText(k);
            break;
        }
        const unsigned char* header = file.at(p, 8);
        if (!header) {
            end.problem = "the file can no longer be read at " + recordText(k);
            break;
        }
        const std::int64_t contentBytes = 2 * static_cast<std::int64_t>(byteorder::loadInt32BE(header + 4));
        const std::int64_t next = p + 8 + contentBytes;
        if (contentBytes < 4 || next > fileSize) {
            end.problem = "the length of " + recordText(k) + " lies beyond the file";
            break;
        }
        if (8 + contentBytes > mostRecordBytes) {
            end.problem = "the length of " + recordText(k) + " is more than the whole file held when it was opened";
            break;
        }
        const unsigned char* bytes = file.at(p, 8 + contentBytes);
        if (!bytes) {
            end.problem = "the file can no longer be read at " + recordText(k);
            break;
        }
        Record r;
        r.index = k;
        r.offset = p;
        r.shapeType = byteorder::loadInt32LE(bytes + 8);
        r.body = bytes + 12;
        r.bodyBytes = contentBytes - 4;
        onRecord(r);
        ++k;
        p = next;
    }
    end.records = k;
    return end;
}

}  // namespace

WalkEnd walk(const std::vector<unsigned char>& file, std::int64_t limit,
             const std::function<void(const Record&)>& onRecord) {
    HeldBytes bytes(file);
    return walkBytes(bytes, limit, std::numeric_limits<std::int64_t>::max(), onRecord);
}

WalkEnd walk(RegularFileReader& file, std::int64_t limit, const std::function<void(const Record&)>& onRecord,
             std::int64_t mostRecordBytes) {
    FileBytes bytes(file);
    return walkBytes(bytes, limit, mostRecordBytes, onRecord);
}

bool readMainHeader(RegularFileReader& file, unsigned char (&header)[kMainHeaderBytes]) {
    return file.size() >= kMainHeaderBytes && file.readAt(0, header, sizeof header) == kMainHeaderBytes;
}

}  // namespace ShpRecords
