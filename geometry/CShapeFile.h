#pragma once
// One shapefile pair: the .shp main file and its .shx index. Opened with
// status 0 it reads: the record count, the file's shape type and extent,
// and record i as a new shape object. Created with status CREATEIT it
// writes: one record per added shape, both headers kept complete after
// every record.
//
// Every number a file gives is checked before it is used: an index entry,
// record offset or record header beyond the end of a file raises
// vbObjectError + 518, a record whose part or point counts do not fit the
// file raises error 9, so a damaged file never makes the reader read
// garbage or allocate more than the file holds.
//
// The writer builds each record in memory; when writing it fails, both
// files are cut back to their last good length, so the records written
// before stay readable.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "geometry/CFileName.h"
#include "geometry/CMultiPoint.h"
#include "geometry/CPoint.h"
#include "geometry/CPolyLine.h"
#include "geometry/CPolygon.h"
#include "geometry/CRect.h"
#include "geometry/IShape.h"
#include "platform/BinaryFile.h"

// The status of SetFileSpec that creates a new pair.
inline constexpr std::int32_t CREATEIT = 1;

// The shape types the library knows.
namespace ShapeTypes {
inline constexpr std::int32_t Null = 0;
inline constexpr std::int32_t Point = 1;
inline constexpr std::int32_t PolyLine = 3;
inline constexpr std::int32_t Polygon = 5;
inline constexpr std::int32_t MultiPoint = 8;
}  // namespace ShapeTypes

// The 100-byte header that both files begin with, big-endian fields
// already in host order.
struct MainHeader {
    std::int32_t FileCode = 0;
    std::int32_t Reserved[5] = {0, 0, 0, 0, 0};
    std::int32_t FileLength = 0;  // in 16-bit words
    std::int32_t Version = 0;
    std::int32_t ShapeType = 0;
    double Xmin = 0.0, Ymin = 0.0, Xmax = 0.0, Ymax = 0.0;
    double Zmin = 0.0, Zmax = 0.0, Mmin = 0.0, Mmax = 0.0;

    static constexpr std::size_t Size = 100;
    static MainHeader FromBytes(const unsigned char* bytes);
    void ToBytes(unsigned char* bytes) const;
};

// An 8-byte entry of the .shx, in words.
struct IndexRecord {
    std::int32_t Offset = 0;
    std::int32_t ContentLength = 0;
};

// The 8 bytes that start every record of the .shp.
struct RecordHeader {
    std::int32_t RecordNumber = 0;
    std::int32_t ContentLength = 0;  // in words
};

class CShapeFile {
public:
    CShapeFile();
    ~CShapeFile();
    CShapeFile(const CShapeFile&) = delete;
    CShapeFile& operator=(const CShapeFile&) = delete;

    // The extent: Xmin, Xmax, Ymax, Ymin.
    double Left() const { return extent_.Left(); }
    double Right() const { return extent_.Right(); }
    double Top() const { return extent_.Top(); }
    double Bottom() const { return extent_.Bottom(); }
    // The record count: (index FileLength - 50) / 4, halves to even, never
    // below 0 and never above the entries the index file actually holds.
    std::int32_t Count() const noexcept { return count_; }
    std::int32_t FileType() const noexcept { return fileType_; }

    // A new shape for record `index` (1-based): a CPoint, CPolyLine,
    // CPolygon or CMultiPoint by the file type; no object for another
    // file type, and none for a point file without that index entry. An
    // index below 1 raises 518 for every shape type.
    // Errors carry the source "CShapeFile::Item".
    std::shared_ptr<IShape> Item(std::int32_t index);

    // status 0 opens the existing pair named by FileSpec (any extension);
    // status CREATEIT creates an empty pair of type aShapeType (1, 3, 5 or
    // 8), replacing files of the same names. The shape type is checked
    // before any file is touched.
    void SetFileSpec(const CFileName& FileSpec, std::int32_t status,
                     std::optional<std::int32_t> aShapeType = std::nullopt);

    // Appends one record for the shape (a CPoint, CPolyLine, CPolygon or
    // CMultiPoint matching the file type).
    void Add(const std::shared_ptr<IShape>& aShape);

    static std::int32_t SwapBytes(std::int32_t value) noexcept;

    // The files in use (after SetFileSpec).
    const std::string& shpPath() const noexcept { return shpPath_; }
    const std::string& shxPath() const noexcept { return shxPath_; }

private:
    std::shared_ptr<IShape> ReadPoint(std::int32_t index);
    std::shared_ptr<IShape> ReadPolyLine(std::int32_t index);
    std::shared_ptr<IShape> ReadPolygon(std::int32_t index);
    std::shared_ptr<IShape> ReadMultiPoint(std::int32_t index);
    bool FindOffset(std::int32_t index);
    void GetRecordHeader(std::int64_t position);
    // True when one of the records the index lists is not a null record.
    bool holdsGeometry();

    void PutMainHeaders();
    void PutNull();
    void PutPoints(const CPoint& shape);
    void PutPolyLine(const CPolyLine& shape);
    void PutPolygon(const CPolygon& shape);
    void PutMultiPoints(const CMultiPoint& shape);
    // The extent with `shape` taken in, into `extent`; true when it differs
    // from the extent the headers hold now.
    bool PutExtent(const IShape& shape, CRect& extent) const;

    // Locates record `index`: true with its shape type read when the
    // index entry exists, false (for a point file) when it does not.
    bool locateRecord(std::int32_t index, bool missingIsError, std::int32_t& shapeType);
    template <typename Parts>
    std::shared_ptr<Parts> readParts(std::int32_t index);
    void appendRecord(std::vector<unsigned char> record, const IShape* extentShape, const char* source);
    void makeWritable();
    void closeFiles() noexcept;

    std::int32_t fileType_ = 0;
    CFileName fileSpec_;
    MainHeader shpHeader_;
    MainHeader shxHeader_;
    RecordHeader recordHeader_;
    IndexRecord indexRecord_;
    BinaryFile shx_;
    BinaryFile shp_;
    std::int32_t count_ = 0;
    CRect extent_;
    bool extentSet_ = false;  // a non-null record has set the extent
    std::string shpPath_;
    std::string shxPath_;
    std::int64_t shpLength_ = 0;  // bytes, the last good length
    std::int64_t shxLength_ = 0;
};
