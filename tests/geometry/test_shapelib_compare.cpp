// Our reader and writer against an independent implementation of the
// format: files that shapelib writes read back equal through CShapeFile,
// and files that our writer makes read back equal through shapelib.
#include <gtest/gtest.h>
#include <shapefil.h>

#include <cmath>

#include "tests/geometry/ShapefileTestUtil.h"
#include "tests/support/CaseNames.h"

namespace {

// One record as both sides describe it: its parts (one part for a point or
// a multipoint) or nothing for a null record.
struct Record {
    bool isNull = false;
    Rings rings;
};

// A deterministic set of records of the given type, null records included.
std::vector<Record> sampleRecords(std::int32_t type, int n) {
    std::vector<Record> records;
    std::uint32_t seed = 12345u + static_cast<std::uint32_t>(type);
    auto next = [&] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<double>((seed >> 8) % 100000) / 100.0 - 500.0;
    };
    for (int i = 0; i < n; ++i) {
        Record r;
        if (i % 7 == 3) {
            r.isNull = true;
            records.push_back(r);
            continue;
        }
        if (type == ShapeTypes::Point) {
            r.rings = {{{next(), next()}}};
        } else if (type == ShapeTypes::MultiPoint) {
            r.rings.emplace_back();
            for (int k = 0; k < 1 + i % 5; ++k) r.rings[0].emplace_back(next(), next());
        } else {
            for (int part = 0; part < 1 + i % 3; ++part) {
                r.rings.emplace_back();
                const int count = 3 + (i + part) % 6;
                for (int k = 0; k < count; ++k) r.rings.back().emplace_back(next(), next());
                if (type == ShapeTypes::Polygon) r.rings.back().push_back(r.rings.back().front());
            }
        }
        records.push_back(r);
    }
    return records;
}

std::shared_ptr<IShape> toShape(std::int32_t type, const Record& r) {
    std::shared_ptr<IShape> shape;
    switch (type) {
        case ShapeTypes::Point:
            shape = r.isNull ? std::make_shared<CPoint>() : std::make_shared<CPoint>(r.rings[0][0].first, r.rings[0][0].second);
            break;
        case ShapeTypes::MultiPoint: {
            auto m = std::make_shared<CMultiPoint>();
            if (!r.isNull)
                for (const auto& [x, y] : r.rings[0]) m->Add(std::make_shared<CPoint>(x, y));
            shape = m;
            break;
        }
        case ShapeTypes::PolyLine:
            shape = r.isNull ? std::make_shared<CPolyLine>() : shapeFromRings<CPolyLine>(r.rings);
            break;
        default:
            shape = r.isNull ? std::make_shared<CPolygon>() : shapeFromRings<CPolygon>(r.rings);
    }
    shape->MakeNull(r.isNull);
    return shape;
}

Record fromShape(const IShape& shape) {
    Record r;
    r.isNull = shape.IsNull();
    if (r.isNull) return r;
    if (const auto* p = dynamic_cast<const CPoint*>(&shape)) {
        r.rings = {{{p->X(), p->Y()}}};
    } else if (const auto* m = dynamic_cast<const CMultiPoint*>(&shape)) {
        r.rings.emplace_back();
        for (const auto& pt : *m) r.rings[0].emplace_back(pt->X(), pt->Y());
    } else if (const auto* l = dynamic_cast<const CPolyLine*>(&shape)) {
        r.rings = ringsOf(*l);
    } else if (const auto* g = dynamic_cast<const CPolygon*>(&shape)) {
        r.rings = ringsOf(*g);
    }
    return r;
}

Record fromShapelib(const SHPObject& o) {
    Record r;
    r.isNull = o.nSHPType == SHPT_NULL;
    if (r.isNull) return r;
    if (o.nParts == 0) {
        r.rings.emplace_back();
        for (int k = 0; k < o.nVertices; ++k) r.rings[0].emplace_back(o.padfX[k], o.padfY[k]);
        return r;
    }
    for (int part = 0; part < o.nParts; ++part) {
        const int end = part + 1 < o.nParts ? o.panPartStart[part + 1] : o.nVertices;
        r.rings.emplace_back();
        for (int k = o.panPartStart[part]; k < end; ++k) r.rings.back().emplace_back(o.padfX[k], o.padfY[k]);
    }
    return r;
}

void writeWithShapelib(const std::string& path, std::int32_t type, const std::vector<Record>& records) {
    SHPHandle h = SHPCreate(path.c_str(), type);
    ASSERT_NE(h, nullptr);
    for (const auto& r : records) {
        SHPObject* o = nullptr;
        if (r.isNull) {
            o = SHPCreateObject(SHPT_NULL, -1, 0, nullptr, nullptr, 0, nullptr, nullptr, nullptr, nullptr);
        } else {
            std::vector<int> starts;
            std::vector<double> xs, ys;
            for (const auto& ring : r.rings) {
                starts.push_back(static_cast<int>(xs.size()));
                for (const auto& [x, y] : ring) {
                    xs.push_back(x);
                    ys.push_back(y);
                }
            }
            const bool parted = type == SHPT_POLYGON || type == SHPT_ARC;
            o = SHPCreateObject(type, -1, parted ? static_cast<int>(starts.size()) : 0, parted ? starts.data() : nullptr,
                                nullptr, static_cast<int>(xs.size()), xs.data(), ys.data(), nullptr, nullptr);
        }
        ASSERT_GE(SHPWriteObject(h, -1, o), 0);
        SHPDestroyObject(o);
    }
    SHPClose(h);
}

struct TypeCase {
    const char* name;
    std::int32_t type;
};

void PrintTo(const TypeCase& c, std::ostream* os) { *os << c.name; }

class ShapelibCompareTest : public ::testing::TestWithParam<TypeCase> {};

}  // namespace

TEST_P(ShapelibCompareTest, ShapelibFilesReadBackEqualThroughCShapeFile) {
    const auto type = GetParam().type;
    const auto records = sampleRecords(type, 40);
    const std::string shp = scratchDir("fromshapelib") + "/lib.shp";
    writeWithShapelib(shp, type, records);

    CShapeFile file;
    file.SetFileSpec(fileSpec(shp), 0);
    ASSERT_EQ(file.Count(), static_cast<std::int32_t>(records.size()));
    EXPECT_EQ(file.FileType(), type);
    SHPHandle h = SHPOpen(shp.c_str(), "rb");
    ASSERT_NE(h, nullptr);
    int entities = 0, shapeType = 0;
    double minB[4], maxB[4];
    SHPGetInfo(h, &entities, &shapeType, minB, maxB);
    SHPClose(h);
    EXPECT_EQ(file.Left(), minB[0]);
    EXPECT_EQ(file.Bottom(), minB[1]);
    EXPECT_EQ(file.Right(), maxB[0]);
    EXPECT_EQ(file.Top(), maxB[1]);
    for (std::int32_t i = 1; i <= file.Count(); ++i) {
        SCOPED_TRACE(i);
        auto shape = file.Item(i);
        ASSERT_TRUE(shape);
        const Record back = fromShape(*shape);
        const Record& want = records[static_cast<std::size_t>(i - 1)];
        EXPECT_EQ(back.isNull, want.isNull);
        EXPECT_EQ(back.rings, want.rings);
    }
}

TEST_P(ShapelibCompareTest, OurFilesReadBackEqualThroughShapelib) {
    const auto type = GetParam().type;
    const auto records = sampleRecords(type, 40);
    const std::string shp = scratchDir("toshapelib") + "/our.shp";
    double xmin = INFINITY, ymin = INFINITY, xmax = -INFINITY, ymax = -INFINITY;
    {
        CShapeFile file;
        file.SetFileSpec(fileSpec(shp), CREATEIT, type);
        for (const auto& r : records) {
            file.Add(toShape(type, r));
            for (const auto& ring : r.rings)
                for (const auto& [x, y] : ring) {
                    xmin = std::min(xmin, x);
                    xmax = std::max(xmax, x);
                    ymin = std::min(ymin, y);
                    ymax = std::max(ymax, y);
                }
        }
    }
    SHPHandle h = SHPOpen(shp.c_str(), "rb");
    ASSERT_NE(h, nullptr);
    int entities = 0, shapeType = 0;
    double minB[4], maxB[4];
    SHPGetInfo(h, &entities, &shapeType, minB, maxB);
    EXPECT_EQ(entities, static_cast<int>(records.size()));
    EXPECT_EQ(shapeType, type);
    EXPECT_EQ(minB[0], xmin);
    EXPECT_EQ(minB[1], ymin);
    EXPECT_EQ(maxB[0], xmax);
    EXPECT_EQ(maxB[1], ymax);
    for (int i = 0; i < entities; ++i) {
        SCOPED_TRACE(i + 1);
        SHPObject* o = SHPReadObject(h, i);
        ASSERT_NE(o, nullptr);
        const Record back = fromShapelib(*o);
        const Record& want = records[static_cast<std::size_t>(i)];
        EXPECT_EQ(back.isNull, want.isNull);
        EXPECT_EQ(back.rings, want.rings);
        if (!want.isNull && type != SHPT_POINT) {
            // The record's own box is that of its points.
            double bx0 = INFINITY, bx1 = -INFINITY;
            for (const auto& ring : want.rings)
                for (const auto& [x, y] : ring) {
                    bx0 = std::min(bx0, x);
                    bx1 = std::max(bx1, x);
                }
            EXPECT_EQ(o->dfXMin, bx0);
            EXPECT_EQ(o->dfXMax, bx1);
        }
        SHPDestroyObject(o);
    }
    SHPClose(h);
}

TEST_P(ShapelibCompareTest, OurFilesReadBackEqualThroughCShapeFile) {
    const auto type = GetParam().type;
    const auto records = sampleRecords(type, 40);
    const std::string shp = scratchDir("roundtrip") + "/rt.shp";
    {
        CShapeFile file;
        file.SetFileSpec(fileSpec(shp), CREATEIT, type);
        for (const auto& r : records) file.Add(toShape(type, r));
    }
    CShapeFile file;
    file.SetFileSpec(fileSpec(shp), 0);
    ASSERT_EQ(file.Count(), static_cast<std::int32_t>(records.size()));
    for (std::int32_t i = 1; i <= file.Count(); ++i) {
        SCOPED_TRACE(i);
        auto shape = file.Item(i);
        ASSERT_TRUE(shape);
        const Record back = fromShape(*shape);
        const Record& want = records[static_cast<std::size_t>(i - 1)];
        EXPECT_EQ(back.isNull, want.isNull);
        EXPECT_EQ(back.rings, want.rings);
        if (!want.isNull) {
            // Bounds of a read shape are those of its members.
            auto original = toShape(type, want);
            EXPECT_EQ(shape->Left(), original->Left());
            EXPECT_EQ(shape->Right(), original->Right());
            EXPECT_EQ(shape->Top(), original->Top());
            EXPECT_EQ(shape->Bottom(), original->Bottom());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryType, ShapelibCompareTest,
                         ::testing::Values(TypeCase{"point", ShapeTypes::Point}, TypeCase{"polyline", ShapeTypes::PolyLine},
                                           TypeCase{"polygon", ShapeTypes::Polygon},
                                           TypeCase{"multipoint", ShapeTypes::MultiPoint}),
                         CaseNameOf());

TEST(ShapelibCompareTest, ByteIdenticalToShapelibForPolygons) {
    // With no null record both writers must produce the same bytes.
    std::vector<Record> records = sampleRecords(ShapeTypes::Polygon, 12);
    std::erase_if(records, [](const Record& r) { return r.isNull; });
    const std::string dir = scratchDir("identical");
    writeWithShapelib(dir + "/lib.shp", ShapeTypes::Polygon, records);
    {
        CShapeFile file;
        file.SetFileSpec(fileSpec(dir + "/our.shp"), CREATEIT, ShapeTypes::Polygon);
        for (const auto& r : records) file.Add(toShape(ShapeTypes::Polygon, r));
    }
    EXPECT_EQ(fileBytes(dir + "/our.shp"), fileBytes(dir + "/lib.shp"));
    EXPECT_EQ(fileBytes(dir + "/our.shx"), fileBytes(dir + "/lib.shx"));
}
