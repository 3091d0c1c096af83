#include "geometry/CShapeFile.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "geometry/ShpRecords.h"
#include "platform/Convert.h"
#include "platform/Error.h"
#include "platform/FileChecks.h"

namespace {

constexpr std::int32_t kFileCode = 9994;
constexpr std::int32_t kVersion = 1000;
constexpr const char* kItemSource = "CShapeFile::Item";
constexpr const char* kSetFileSpecSource = "C_ShapeFile::SetFileSpec";
constexpr const char* kOffsetTooLarge = "The offset read from index file is larger then the mainfile size";

// The file at `path`, found with the case of its name ignored (a regular
// file and the exact spelling preferred), whatever its kind; empty when
// nothing of that name is there, or only a link that leads nowhere.
std::string findIgnoringCase(const std::string& path) {
    const std::string found = findFileIgnoringCase(path);
    return found.empty() || fileKind(found) == FileKind::Missing ? std::string() : found;
}

[[noreturn]] void raiseMalformed(std::int32_t index, const std::string& why) {
    throw AppError(RuntimeErrors::SubscriptOutOfRange,
                   "Subscript out of range: record " + std::to_string(index) + " of the shapefile is damaged (" + why + ")",
                   kItemSource);
}

// Record bytes, built in memory before anything is written. A coordinate
// that is not a finite number raises (6 for an infinity, 5 for a NaN)
// while the record is still only in memory, so no such value reaches a file.
class RecordBuilder {
public:
    RecordBuilder(std::size_t contentBytes, const char* source) : source_(source) { bytes_.reserve(8 + contentBytes); }
    void int32LE(std::int32_t v) { unsigned char b[4]; byteorder::storeInt32LE(b, v); append(b, 4); }
    void int32BE(std::int32_t v) { unsigned char b[4]; byteorder::storeInt32BE(b, v); append(b, 4); }
    void real(double v) {
        unsigned char b[8];
        byteorder::storeDouble(b, checkedFinite(v, source_));
        append(b, 8);
    }
    void point(const CPoint& p) {
        real(p.X());
        real(p.Y());
    }
    std::vector<unsigned char> take() { return std::move(bytes_); }

private:
    void append(const unsigned char* b, std::size_t n) { bytes_.insert(bytes_.end(), b, b + n); }
    const char* source_;
    std::vector<unsigned char> bytes_;
};

void putBox(RecordBuilder& r, const IShape& shape) {
    r.real(shape.Left());
    r.real(shape.Bottom());
    r.real(shape.Right());
    r.real(shape.Top());
}

// A file too short for its header has no valid file code either: it reads
// as an empty header.
MainHeader readMainHeader(BinaryFile& file) {
    if (file.Length() < static_cast<std::int64_t>(MainHeader::Size)) return MainHeader{};
    unsigned char bytes[MainHeader::Size];
    file.ReadBytes(1, bytes, MainHeader::Size);
    return MainHeader::FromBytes(bytes);
}

// The box (Xmin, Ymin, Xmax, Ymax) that opens a record's content.
template <typename Shape>
void setBox(Shape& shape, const unsigned char* b) {
    shape.SetLeft(byteorder::loadDouble(b));
    shape.SetBottom(byteorder::loadDouble(b + 8));
    shape.SetRight(byteorder::loadDouble(b + 16));
    shape.SetTop(byteorder::loadDouble(b + 24));
}

// One point as a record stores it: X then Y.
std::shared_ptr<CPoint> loadPoint(const unsigned char* p) {
    return std::make_shared<CPoint>(byteorder::loadDouble(p), byteorder::loadDouble(p + 8));
}

}  // namespace

MainHeader MainHeader::FromBytes(const unsigned char* b) {
    MainHeader h;
    h.FileCode = byteorder::loadInt32BE(b);
    for (int i = 0; i < 5; ++i) h.Reserved[i] = byteorder::loadInt32BE(b + 4 + 4 * i);
    h.FileLength = byteorder::loadInt32BE(b + 24);
    h.Version = byteorder::loadInt32LE(b + 28);
    h.ShapeType = byteorder::loadInt32LE(b + 32);
    const ShpRecords::HeaderBox box = ShpRecords::headerBox(b);
    h.Xmin = box.Xmin;
    h.Ymin = box.Ymin;
    h.Xmax = box.Xmax;
    h.Ymax = box.Ymax;
    h.Zmin = byteorder::loadDouble(b + 68);
    h.Zmax = byteorder::loadDouble(b + 76);
    h.Mmin = byteorder::loadDouble(b + 84);
    h.Mmax = byteorder::loadDouble(b + 92);
    return h;
}

void MainHeader::ToBytes(unsigned char* b) const {
    byteorder::storeInt32BE(b, FileCode);
    for (int i = 0; i < 5; ++i) byteorder::storeInt32BE(b + 4 + 4 * i, Reserved[i]);
    byteorder::storeInt32BE(b + 24, FileLength);
    byteorder::storeInt32LE(b + 28, Version);
    byteorder::storeInt32LE(b + 32, ShapeType);
    byteorder::storeDouble(b + 36, Xmin);
    byteorder::storeDouble(b + 44, Ymin);
    byteorder::storeDouble(b + 52, Xmax);
    byteorder::storeDouble(b + 60, Ymax);
    byteorder::storeDouble(b + 68, Zmin);
    byteorder::storeDouble(b + 76, Zmax);
    byteorder::storeDouble(b + 84, Mmin);
    byteorder::storeDouble(b + 92, Mmax);
}

CShapeFile::CShapeFile() = default;

CShapeFile::~CShapeFile() { closeFiles(); }

void CShapeFile::closeFiles() noexcept {
    shp_.Close();
    shx_.Close();
}

std::int32_t CShapeFile::SwapBytes(std::int32_t value) noexcept { return byteorder::swap32(value); }

// ---------------------------------------------------------------- opening

void CShapeFile::SetFileSpec(const CFileName& FileSpec, std::int32_t status, std::optional<std::int32_t> aShapeType) {
    // Everything about the arguments is checked before a file is touched.
    if (status != 0 && status != CREATEIT)
        raiseInvalidArgument(kSetFileSpecSource, "The status argument must be 0 (open) or 1 (CREATEIT)");
    if (status == CREATEIT) {
        if (!aShapeType)
            throw AppError(vbObjectError + 525, "The ShapeType argument is not optional when argument status is CREATEIT",
                           kSetFileSpecSource);
        const std::int32_t t = *aShapeType;
        if (t != ShapeTypes::Point && t != ShapeTypes::PolyLine && t != ShapeTypes::Polygon && t != ShapeTypes::MultiPoint)
            throw AppError(vbObjectError + 525, "The ShapeType argument must be 1, 3, 5 or 8 when argument status is CREATEIT",
                           kSetFileSpecSource);
    }

    CFileName spec;
    spec.SetFileSpec(FileSpec.GetFileSpec());
    spec.SetExtension("shp");
    const std::string shpName = spec.GetFileSpec();
    spec.SetExtension("shx");
    const std::string shxName = spec.GetFileSpec();
    spec.SetExtension("shp");

    // A second call replaces the pair this object stood for.
    closeFiles();
    fileType_ = 0;
    count_ = 0;
    extent_.MakeEmpty();
    extentSet_ = false;
    shpHeader_ = MainHeader{};
    shxHeader_ = MainHeader{};
    shpPath_.clear();
    shxPath_.clear();
    fileSpec_ = spec;

    if (status == CREATEIT) {
        BinaryFile::Delete(shpName);
        BinaryFile::Delete(shxName);
        try {
            shx_.Open(shxName, BinaryFile::Mode::ReadWrite);
            shp_.Open(shpName, BinaryFile::Mode::ReadWrite);
            shpPath_ = shpName;
            shxPath_ = shxName;
            fileType_ = *aShapeType;
            try {
                PutMainHeaders();
            } catch (const AppError& e) {
                throw e.withSource("CShapeFile::PutMainHeaders");
            }
        } catch (const AppError&) {
            // A pair that could not be created whole is not left behind
            // half made: an empty index or a cut header is no shapefile.
            closeFiles();
            for (const std::string& name : {shpName, shxName}) {
                try {
                    BinaryFile::Delete(name);
                } catch (const AppError&) {
                    // The failure that stopped the creation is the one to report.
                }
            }
            fileType_ = 0;
            shpPath_.clear();
            shxPath_.clear();
            shpLength_ = shxLength_ = 0;
            throw;
        }
        count_ = 0;
        return;
    }

    // A file that is there but cannot serve (a folder, a pipe, one this
    // program may not read) is refused with what is wrong with it, not as
    // missing; nothing is opened before.
    const std::string shpFound = findIgnoringCase(shpName);
    if (shpFound.empty())
        throw AppError(vbObjectError + 524, "The specified file " + shpName + " does not exist.", kSetFileSpecSource);
    const std::string shxFound = findIgnoringCase(shxName);
    if (shxFound.empty())
        throw AppError(vbObjectError + 524, "The specified file " + shxName + " does not exist.", kSetFileSpecSource);
    requireReadableFile(shpFound);
    requireReadableFile(shxFound);

    shx_.Open(shxFound, BinaryFile::Mode::Read);
    shp_.Open(shpFound, BinaryFile::Mode::Read);
    shpPath_ = shpFound;
    shxPath_ = shxFound;

    shxHeader_ = readMainHeader(shx_);
    if (shxHeader_.FileCode != kFileCode) {
        shx_.Close();
        throw AppError(vbObjectError + 519, "The shx file has an invalid shape code in the main header.", kSetFileSpecSource);
    }
    shpHeader_ = readMainHeader(shp_);
    extent_.MakeXY(shpHeader_.Xmin, shpHeader_.Ymax, shpHeader_.Xmax, shpHeader_.Ymin);
    if (shpHeader_.FileCode != kFileCode) {
        shp_.Close();
        throw AppError(vbObjectError + 519, "The shp file has an invalid shape code in the main header.", kSetFileSpecSource);
    }
    // A stated length below the header's own gives no records, not a
    // negative count; and no more records are counted than the index holds
    // entries, so that a damaged header cannot make a caller size its
    // arrays by a count the file does not back.
    const std::int32_t stated =
        std::max<std::int32_t>(0, toInt32((static_cast<double>(shxHeader_.FileLength) - 50.0) / 4.0, kSetFileSpecSource));
    const std::int64_t held = (shx_.Length() - static_cast<std::int64_t>(MainHeader::Size)) / 8;
    count_ = static_cast<std::int32_t>(std::min<std::int64_t>(stated, held));
    fileType_ = shpHeader_.ShapeType;
    shpLength_ = shp_.Length();
    shxLength_ = shx_.Length();
    // The header's box is the extent to widen as soon as one record has
    // geometry, even when that box is all zeros (a first record at the
    // origin). Only a pair of null records has no extent yet: the next
    // record with geometry sets it, as it does in a new pair.
    const bool zeroBox =
        extent_.Left() == 0.0 && extent_.Right() == 0.0 && extent_.Top() == 0.0 && extent_.Bottom() == 0.0;
    extentSet_ = count_ > 0 && (!zeroBox || holdsGeometry());
}

bool CShapeFile::holdsGeometry() {
    // A null record is the only one with a content of 2 words: its type.
    constexpr std::int32_t kNullContentWords = 2;
    for (std::int32_t i = 1; i <= count_; ++i) {
        const std::int64_t entry = 101 + 8 * (static_cast<std::int64_t>(i) - 1);
        if (shx_.ReadInt32BE(entry + 4) != kNullContentWords) return true;
    }
    return false;
}

// ---------------------------------------------------------------- reading

std::shared_ptr<IShape> CShapeFile::Item(std::int32_t index) {
    try {
        switch (fileType_) {
            case ShapeTypes::Point: return ReadPoint(index);
            case ShapeTypes::PolyLine: return ReadPolyLine(index);
            case ShapeTypes::Polygon: return ReadPolygon(index);
            case ShapeTypes::MultiPoint: return ReadMultiPoint(index);
            default: return nullptr;
        }
    } catch (const AppError& e) {
        throw e.withSource(kItemSource);
    } catch (const std::bad_alloc&) {
        raiseOutOfMemory(kItemSource, "Out of memory");
    }
}

bool CShapeFile::FindOffset(std::int32_t index) {
    if (index < 1 || !shx_.IsOpen()) return false;
    const std::int64_t p = 101 + 8 * (static_cast<std::int64_t>(index) - 1);
    if (p > 2 * static_cast<std::int64_t>(shxHeader_.FileLength) - 7) return false;
    // The header may state more entries than the file holds.
    if (p + 7 > shx_.Length()) throw AppError(vbObjectError + 518, kOffsetTooLarge, kItemSource);
    unsigned char b[8];
    shx_.ReadBytes(p, b, 8);
    indexRecord_.Offset = byteorder::loadInt32BE(b);
    indexRecord_.ContentLength = byteorder::loadInt32BE(b + 4);
    return true;
}

void CShapeFile::GetRecordHeader(std::int64_t position) {
    unsigned char b[8];
    shp_.ReadBytes(position, b, 8);
    recordHeader_.RecordNumber = byteorder::loadInt32BE(b);
    recordHeader_.ContentLength = byteorder::loadInt32BE(b + 4);
}

bool CShapeFile::locateRecord(std::int32_t index, bool missingIsError, std::int32_t& shapeType) {
    if (!FindOffset(index)) {
        if (missingIsError) throw AppError(vbObjectError + 518, kOffsetTooLarge, kItemSource);
        return false;
    }
    const std::int64_t start = 2 * static_cast<std::int64_t>(indexRecord_.Offset);  // 0-based byte offset
    // A record starts behind the header, and its header and type lie within the file.
    if (start < static_cast<std::int64_t>(MainHeader::Size) || start + 12 > shp_.Length())
        throw AppError(vbObjectError + 518, kOffsetTooLarge, kItemSource);
    GetRecordHeader(start + 1);
    if (recordHeader_.RecordNumber != index)
        throw AppError(vbObjectError + 517, "Index Record does not match main file Record", kItemSource);
    shapeType = shp_.ReadInt32LE();
    if (shapeType != ShapeTypes::Null && shapeType != fileType_)
        throw AppError(vbObjectError + 526, "A shape type does not match main header type.", kItemSource);
    return true;
}

std::shared_ptr<IShape> CShapeFile::ReadPoint(std::int32_t index) {
    // Only an index beyond the last entry gives no object; one below the
    // first is no record number at all.
    if (index < 1) throw AppError(vbObjectError + 518, kOffsetTooLarge, kItemSource);
    std::int32_t type = 0;
    if (!locateRecord(index, false, type)) return nullptr;
    auto point = std::make_shared<CPoint>();
    if (type == ShapeTypes::Null) {
        point->SetIsNull(true);
        return point;
    }
    if (shp_.Position() - 1 + 16 > shp_.Length()) raiseMalformed(index, "the point runs past the end of the file");
    unsigned char b[16];
    shp_.ReadBytes(b, 16);
    point->X(byteorder::loadDouble(b));
    point->Y(byteorder::loadDouble(b + 8));
    return point;
}

template <typename Parts>
std::shared_ptr<Parts> CShapeFile::readParts(std::int32_t index) {
    std::int32_t type = 0;
    locateRecord(index, true, type);
    auto shape = std::make_shared<Parts>();
    if (type == ShapeTypes::Null) {
        shape->SetIsNull(true);
        return shape;
    }
    const std::int64_t at = shp_.Position() - 1;  // 0-based, just behind the shape type
    const std::int64_t available = shp_.Length() - at;
    // The box and counts first; the parts and points only as far as the
    // counts reach and the file holds them.
    std::vector<unsigned char> body = shp_.ReadBytes(static_cast<std::size_t>(std::min<std::int64_t>(available, 40)));
    if (body.size() == 40) {
        const std::int64_t numParts = byteorder::loadInt32LE(body.data() + 32);
        const std::int64_t numPoints = byteorder::loadInt32LE(body.data() + 36);
        const std::int64_t need = 40 + 4 * numParts + 16 * numPoints;
        if (numParts > 0 && numPoints >= 0 && need <= available) {
            const std::vector<unsigned char> rest = shp_.ReadBytes(static_cast<std::size_t>(need - 40));
            body.insert(body.end(), rest.begin(), rest.end());
        }
    }
    ShpRecords::Parts parts;
    const std::string why = ShpRecords::readParts(body.data(), static_cast<std::int64_t>(body.size()), parts);
    if (!why.empty()) raiseMalformed(index, why);
    setBox(*shape, parts.box);
    shape->Reserve(static_cast<std::size_t>(parts.numParts));
    for (std::int32_t k = 0; k < parts.numParts; ++k) {
        auto part = std::make_shared<CPart>();
        part->Reserve(static_cast<std::size_t>(parts.partEnd(k) - parts.partBegin(k)));
        for (std::int32_t i = parts.partBegin(k); i < parts.partEnd(k); ++i)
            part->Add(loadPoint(parts.xy + 16 * static_cast<std::size_t>(i)));
        shape->Add(part);
    }
    return shape;
}

std::shared_ptr<IShape> CShapeFile::ReadPolyLine(std::int32_t index) { return readParts<CPolyLine>(index); }

std::shared_ptr<IShape> CShapeFile::ReadPolygon(std::int32_t index) { return readParts<CPolygon>(index); }

std::shared_ptr<IShape> CShapeFile::ReadMultiPoint(std::int32_t index) {
    std::int32_t type = 0;
    locateRecord(index, true, type);
    auto shape = std::make_shared<CMultiPoint>();
    if (type == ShapeTypes::Null) {
        shape->SetIsNull(true);
        return shape;
    }
    const std::int64_t available = shp_.Length() - (shp_.Position() - 1);
    if (available < 36) raiseMalformed(index, "the record runs past the end of the file");
    unsigned char head[36];
    shp_.ReadBytes(head, 36);
    setBox(*shape, head);
    const std::int32_t numPoints = byteorder::loadInt32LE(head + 32);
    if (numPoints < 0) raiseMalformed(index, "point count " + std::to_string(numPoints));
    if (36 + 16 * static_cast<std::int64_t>(numPoints) > available)
        raiseMalformed(index, "its point count runs past the end of the file");
    const std::vector<unsigned char> body = shp_.ReadBytes(16 * static_cast<std::size_t>(numPoints));
    shape->Reserve(static_cast<std::size_t>(numPoints));
    for (std::int32_t i = 0; i < numPoints; ++i) shape->Add(loadPoint(body.data() + 16 * static_cast<std::size_t>(i)));
    return shape;
}

// ---------------------------------------------------------------- writing

void CShapeFile::PutMainHeaders() {
    MainHeader h;
    h.FileCode = kFileCode;
    h.FileLength = 50;
    h.Version = kVersion;
    h.ShapeType = fileType_;
    h.Xmin = extent_.Left();
    h.Ymin = extent_.Bottom();
    h.Xmax = extent_.Right();
    h.Ymax = extent_.Top();
    shpHeader_ = h;
    shxHeader_ = h;
    unsigned char bytes[MainHeader::Size];
    h.ToBytes(bytes);
    shp_.WriteBytes(1, bytes, MainHeader::Size);
    shx_.WriteBytes(1, bytes, MainHeader::Size);
    shpLength_ = shp_.Length();
    shxLength_ = shx_.Length();
}

void CShapeFile::Add(const std::shared_ptr<IShape>& aShape) {
    constexpr const char* source = "CShapeFile::Add";
    auto mismatch = [&](const char* name) {
        throw AppError(vbObjectError + 528,
                       std::string("Cannot add type ") + name + " to a ShapeFile initialized as other type", source);
    };
    const IShape* shape = aShape.get();
    if (const auto* point = dynamic_cast<const CPoint*>(shape)) {
        if (fileType_ != ShapeTypes::Point) mismatch("CPoint");
        if (point->IsNull()) PutNull();
        else PutPoints(*point);
    } else if (const auto* line = dynamic_cast<const CPolyLine*>(shape)) {
        if (fileType_ != ShapeTypes::PolyLine) mismatch("CPolyline");
        if (line->IsNull()) PutNull();
        else PutPolyLine(*line);
    } else if (const auto* polygon = dynamic_cast<const CPolygon*>(shape)) {
        if (fileType_ != ShapeTypes::Polygon) mismatch("CPolygon");
        if (polygon->IsNull()) PutNull();
        else PutPolygon(*polygon);
    } else if (const auto* multi = dynamic_cast<const CMultiPoint*>(shape)) {
        if (fileType_ != ShapeTypes::MultiPoint) mismatch("CMultiPoint");
        if (multi->IsNull()) PutNull();
        else PutMultiPoints(*multi);
    } else {
        throw AppError(vbObjectError + 529, "Invalid shape type", source);
    }
}

void CShapeFile::PutNull() {
    RecordBuilder r(4, "CShapeFile::PutNull");
    r.int32BE(count_ + 1);
    r.int32BE(2);
    r.int32LE(ShapeTypes::Null);
    appendRecord(r.take(), nullptr, "CShapeFile::PutNull");
}

void CShapeFile::PutPoints(const CPoint& shape) {
    RecordBuilder r(20, "C_ShapeFile::PutPoints");
    r.int32BE(count_ + 1);
    r.int32BE(10);
    r.int32LE(fileType_);
    r.point(shape);
    appendRecord(r.take(), &shape, "C_ShapeFile::PutPoints");
}

namespace {
template <typename Parts>
std::vector<unsigned char> buildPartsRecord(const Parts& shape, std::int32_t recordNumber, std::int32_t type,
                                            const char* source) {
    // The part table comes first; a shape without parts writes nothing.
    const std::int32_t numParts = shape.Count();
    if (numParts <= 0)
        throw AppError(RuntimeErrors::SubscriptOutOfRange, "Subscript out of range: a shape without parts cannot be written",
                       source);
    std::vector<std::int32_t> starts;
    starts.reserve(static_cast<std::size_t>(numParts));
    std::int64_t numPoints = 0;
    for (const auto& part : shape) {
        starts.push_back(static_cast<std::int32_t>(numPoints));
        numPoints += part->Count();
    }
    const std::int64_t contentBytes = 44 + 4 * static_cast<std::int64_t>(numParts) + 16 * numPoints;
    if (contentBytes / 2 > INT32_MAX) raiseOverflow(source);
    RecordBuilder r(static_cast<std::size_t>(contentBytes), source);
    r.int32BE(recordNumber);
    r.int32BE(static_cast<std::int32_t>(contentBytes / 2));
    r.int32LE(type);
    putBox(r, shape);
    r.int32LE(numParts);
    r.int32LE(static_cast<std::int32_t>(numPoints));
    for (const std::int32_t s : starts) r.int32LE(s);
    for (const auto& part : shape)
        for (const auto& pt : *part) r.point(*pt);
    return r.take();
}
}  // namespace

void CShapeFile::PutPolyLine(const CPolyLine& shape) {
    constexpr const char* source = "CShapeFile::PutPolyLine";
    appendRecord(buildPartsRecord(shape, count_ + 1, fileType_, source), &shape, source);
}

void CShapeFile::PutPolygon(const CPolygon& shape) {
    constexpr const char* source = "CShapeFile::PutPolygon";
    appendRecord(buildPartsRecord(shape, count_ + 1, fileType_, source), &shape, source);
}

void CShapeFile::PutMultiPoints(const CMultiPoint& shape) {
    constexpr const char* source = "CShapeFile::PutMultiPoints";
    const std::int64_t contentBytes = 40 + 16 * static_cast<std::int64_t>(shape.Count());
    if (contentBytes / 2 > INT32_MAX) raiseOverflow(source);
    RecordBuilder r(static_cast<std::size_t>(contentBytes), source);
    r.int32BE(count_ + 1);
    r.int32BE(static_cast<std::int32_t>(contentBytes / 2));
    r.int32LE(fileType_);
    putBox(r, shape);
    r.int32LE(shape.Count());
    for (const auto& pt : shape) r.point(*pt);
    appendRecord(r.take(), &shape, source);
}

bool CShapeFile::PutExtent(const IShape& shape, CRect& extent) const {
    // The first record with geometry sets the extent; later ones widen it.
    extent = extent_;
    if (extentSet_) return extent.Widen(shape);
    extent.MakeFrom(shape);
    return true;
}

void CShapeFile::makeWritable() {
    if (!shp_.IsOpen() || !shx_.IsOpen())
        throw AppError(RuntimeErrors::PathFileAccess, "Path/File access error: the shapefile is not open",
                       "CShapeFile::Add");
    if (shp_.IsWritable() && shx_.IsWritable()) return;
    // A pair opened for reading is opened anew for appending.
    BinaryFile shp, shx;
    shx.Open(shxPath_, BinaryFile::Mode::ReadWrite);
    shp.Open(shpPath_, BinaryFile::Mode::ReadWrite);
    shx_ = std::move(shx);
    shp_ = std::move(shp);
}

void CShapeFile::appendRecord(std::vector<unsigned char> record, const IShape* extentShape, const char* source) {
    const std::int64_t oldShp = shpLength_;
    const std::int64_t oldShx = shxLength_;
    unsigned char oldShpHead[MainHeader::Size], oldShxHead[MainHeader::Size];
    shpHeader_.ToBytes(oldShpHead);
    shxHeader_.ToBytes(oldShxHead);
    bool touched = false;
    try {
        makeWritable();
        const std::int64_t newShp = oldShp + static_cast<std::int64_t>(record.size());
        const std::int64_t newShx = oldShx + 8;
        const std::int32_t offset = toInt32(static_cast<double>(oldShp) / 2.0, source);
        const std::int32_t shpWords = toInt32(static_cast<double>(newShp) / 2.0, source);
        const std::int32_t shxWords = toInt32(static_cast<double>(newShx) / 2.0, source);
        CRect extent;
        const bool extentChanged = extentShape && PutExtent(*extentShape, extent);
        unsigned char box[32];
        byteorder::storeDouble(box, extent.Left());
        byteorder::storeDouble(box + 8, extent.Bottom());
        byteorder::storeDouble(box + 16, extent.Right());
        byteorder::storeDouble(box + 24, extent.Top());

        unsigned char entry[8];
        byteorder::storeInt32BE(entry, offset);
        std::memcpy(entry + 4, record.data() + 4, 4);  // the record's content length
        touched = true;
        shx_.WriteBytes(oldShx + 1, entry, 8);
        shp_.WriteBytes(oldShp + 1, record.data(), record.size());
        shp_.WriteInt32BE(25, shpWords);
        shx_.WriteInt32BE(25, shxWords);
        if (extentChanged) {
            shp_.WriteBytes(37, box, sizeof box);
            shx_.WriteBytes(37, box, sizeof box);
        }
        // Every byte is in place: commit.
        shpLength_ = newShp;
        shxLength_ = newShx;
        shpHeader_.FileLength = shpWords;
        shxHeader_.FileLength = shxWords;
        if (extentChanged) {
            extent_ = extent;
            shpHeader_.Xmin = shxHeader_.Xmin = extent.Left();
            shpHeader_.Ymin = shxHeader_.Ymin = extent.Bottom();
            shpHeader_.Xmax = shxHeader_.Xmax = extent.Right();
            shpHeader_.Ymax = shxHeader_.Ymax = extent.Top();
        }
        if (extentShape) extentSet_ = true;
        ++count_;
    } catch (const AppError& e) {
        if (touched) {
            // Back to the last good pair: the records before stay readable.
            try {
                shp_.Truncate(oldShp);
                shx_.Truncate(oldShx);
                shp_.WriteBytes(25, oldShpHead + 24, 44);
                shx_.WriteBytes(25, oldShxHead + 24, 44);
            } catch (const AppError&) {
                // The failure that stopped the write is the one to report.
            }
        }
        throw e.withSource(source);
    }
}
