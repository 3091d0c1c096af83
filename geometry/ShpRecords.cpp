#include "geometry/ShpRecords.h"

#include <algorithm>

#include "platform/BinaryFile.h"

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

WalkEnd walk(const std::vector<unsigned char>& file, std::int64_t limit,
             const std::function<void(const Record&)>& onRecord) {
    WalkEnd end;
    const auto fileSize = static_cast<std::int64_t>(file.size());
    limit = std::min(limit, fileSize);
    std::int64_t p = kMainHeaderBytes;  // 0-based offset of the record
    std::int32_t k = 0;
    while (p < limit) {
        if (p + 8 > fileSize) {
            end.problem = "the file ends inside the header of " + recordText(k);
            break;
        }
        const std::int64_t contentBytes = 2 * static_cast<std::int64_t>(byteorder::loadInt32BE(file.data() + p + 4));
        const std::int64_t next = p + 8 + contentBytes;
        if (contentBytes < 4 || next > fileSize) {
            end.problem = "the length of " + recordText(k) + " lies beyond the file";
            break;
        }
        Record r;
        r.index = k;
        r.shapeType = byteorder::loadInt32LE(file.data() + p + 8);
        r.body = file.data() + p + 12;
        r.bodyBytes = contentBytes - 4;
        onRecord(r);
        ++k;
        p = next;
    }
    end.records = k;
    return end;
}

}  // namespace ShpRecords
