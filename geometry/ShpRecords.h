#pragma once
// How the bytes of a .shp are read, in one place for the shapefile reader,
// the extent of an opened study area and the drawing of the map: the main
// header, the walk from record to record by each record's content length,
// and the parts and points of a polyline or polygon record. Every count and
// offset a file gives is checked against the bytes that are there before it
// is used; what is wrong is said in words that name the cause.

#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

class RegularFileReader;

namespace ShpRecords {

inline constexpr std::int64_t kMainHeaderBytes = 100;

// The bounding box of the main header (x and y only).
struct HeaderBox {
    double Xmin = 0.0, Ymin = 0.0, Xmax = 0.0, Ymax = 0.0;
};
// The box of the 100 header bytes at `header`.
HeaderBox headerBox(const unsigned char* header);

// The parts and points of a polyline or polygon record, read from its
// bytes behind the shape type: the record's box (32 bytes), the counts, the
// start of each part and the points (x, y pairs of little-endian doubles).
struct Parts {
    const unsigned char* box = nullptr;
    std::int32_t numParts = 0;
    std::int32_t numPoints = 0;
    std::vector<std::int32_t> starts;  // one per part, the first 0, never falling
    const unsigned char* xy = nullptr;

    // The points of part k run from partBegin(k) to partEnd(k) - 1.
    std::int32_t partBegin(std::int32_t k) const { return starts[static_cast<std::size_t>(k)]; }
    std::int32_t partEnd(std::int32_t k) const {
        return k + 1 < numParts ? starts[static_cast<std::size_t>(k + 1)] : numPoints;
    }
    double x(std::int32_t i) const;
    double y(std::int32_t i) const;
};

// Reads the parts of a record whose bytes behind the shape type start at
// `body` and run for `available` bytes. Returns what is wrong ("part count
// 0", "part 2 starts at point 9", ...), empty when the record is sound.
std::string readParts(const unsigned char* body, std::int64_t available, Parts& out);

// One record met by the walk: its 0-based place in the file, the 0-based
// offset of its header, its shape type and its bytes behind the shape type.
struct Record {
    std::int32_t index = 0;
    std::int64_t offset = 0;
    std::int32_t shapeType = 0;
    const unsigned char* body = nullptr;
    std::int64_t bodyBytes = 0;
};

struct WalkEnd {
    std::int32_t records = 0;  // records walked
    std::string problem;       // why the walk stopped early, empty when it reached the end
};

// Walks the records of a whole .shp held in `file`, in file order, while
// the record start lies below `limit` bytes, stepping by each record's
// content length (so a null record shifts nothing). Stops where a record
// header or content would run past the file.
WalkEnd walk(const std::vector<unsigned char>& file, std::int64_t limit, const std::function<void(const Record&)>& onRecord);

// The same walk over the .shp open in `file`, read from the file a block at
// a time rather than held whole: a record is held only while it is handed
// on, in memory no larger than its length, once that length was checked
// against the file's. A record longer than `mostRecordBytes` (its header
// included) ends the walk unread. A file that cannot be read on ends the
// walk there, with the words that say so.
WalkEnd walk(RegularFileReader& file, std::int64_t limit, const std::function<void(const Record&)>& onRecord,
             std::int64_t mostRecordBytes = std::numeric_limits<std::int64_t>::max());

// The 100 bytes of the main header of the .shp open in `file`; false when
// the file is shorter or cannot be read.
bool readMainHeader(RegularFileReader& file, unsigned char (&header)[kMainHeaderBytes]);

}  // namespace ShpRecords
