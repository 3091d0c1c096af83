// The sample study area in data/sample: what the later tests rely on.
#include <gtest/gtest.h>
#include <shapefil.h>

#include <algorithm>
#include <map>
#include <string>

#include "tests/geometry/ShapefileTestUtil.h"

namespace {

// Twice the signed area; negative for a clockwise ring (Y grows upward).
double signedArea2(const std::vector<XY>& ring) {
    double sum = 0.0;
    for (std::size_t k = 0; k + 1 < ring.size(); ++k)
        sum += ring[k].first * ring[k + 1].second - ring[k + 1].first * ring[k].second;
    return sum;
}

// Even-odd test of a point against a closed ring.
bool insideRing(const std::vector<XY>& ring, XY p) {
    bool inside = false;
    for (std::size_t k = 0; k + 1 < ring.size(); ++k) {
        const XY a = ring[k], b = ring[k + 1];
        if ((a.second > p.second) != (b.second > p.second) &&
            p.first < a.first + (p.second - a.second) * (b.first - a.first) / (b.second - a.second))
            inside = !inside;
    }
    return inside;
}

Rings regionRings(CShapeFile& file, std::int32_t i) {
    auto polygon = std::dynamic_pointer_cast<CPolygon>(file.Item(i));
    return polygon ? ringsOf(*polygon) : Rings{};
}

}  // namespace

TEST(SampleDataTest, LakeAndIslandNestWithinTheirCells) {
    // Every vertex of the lake lies inside its own region's outline and
    // every vertex of the island inside the lake, so the hole and the
    // second ring are real ones, not rings that overlap their neighbours.
    CShapeFile file;
    file.SetFileSpec(fileSpec(sourcePath("data/sample/sample.shp")), 0);
    const Rings lakeRegion = regionRings(file, 45), islandRegion = regionRings(file, 46);
    ASSERT_EQ(lakeRegion.size(), 2u);
    ASSERT_EQ(islandRegion.size(), 2u);
    for (const XY& p : lakeRegion[1]) {
        EXPECT_TRUE(insideRing(lakeRegion[0], p));
        EXPECT_FALSE(insideRing(islandRegion[0], p));
    }
    for (const XY& p : islandRegion[1]) {
        EXPECT_TRUE(insideRing(lakeRegion[1], p));
        EXPECT_FALSE(insideRing(islandRegion[0], p));
    }
    // The header's extent is the bounding box of all regions.
    double left = 1e300, right = -1e300, bottom = 1e300, top = -1e300;
    for (std::int32_t i = 1; i <= file.Count(); ++i)
        for (const auto& ring : regionRings(file, i))
            for (const auto& [x, y] : ring) {
                left = std::min(left, x);
                right = std::max(right, x);
                bottom = std::min(bottom, y);
                top = std::max(top, y);
            }
    EXPECT_EQ(file.Left(), left);
    EXPECT_EQ(file.Right(), right);
    EXPECT_EQ(file.Bottom(), bottom);
    EXPECT_EQ(file.Top(), top);
}

TEST(SampleDataTest, RegionsAndRings) {
    CShapeFile file;
    file.SetFileSpec(fileSpec(sourcePath("data/sample/sample.shp")), 0);
    ASSERT_EQ(file.Count(), 100);
    EXPECT_EQ(file.FileType(), ShapeTypes::Polygon);
    for (std::int32_t i = 1; i <= file.Count(); ++i) {
        SCOPED_TRACE(i);
        auto polygon = std::dynamic_pointer_cast<CPolygon>(file.Item(i));
        ASSERT_TRUE(polygon);
        const Rings rings = ringsOf(*polygon);
        const std::size_t expectedRings = (i == 45 || i == 46) ? 2 : 1;
        ASSERT_EQ(rings.size(), expectedRings);
        for (std::size_t r = 0; r < rings.size(); ++r) {
            ASSERT_GE(rings[r].size(), 4u);
            EXPECT_EQ(rings[r].front(), rings[r].back());  // closed
            const bool hole = i == 45 && r == 1;
            if (hole) {
                EXPECT_GT(signedArea2(rings[r]), 0.0);
            } else {
                EXPECT_LT(signedArea2(rings[r]), 0.0);
            }
        }
        // Not a grid of squares: every cell has more than four corners.
        EXPECT_GT(rings[0].size(), 5u);
    }
    // The island of region 46 lies inside the lake of region 45.
    auto lake = std::dynamic_pointer_cast<CPolygon>(file.Item(45))->Item(2);
    auto island = std::dynamic_pointer_cast<CPolygon>(file.Item(46))->Item(2);
    EXPECT_GT(island->Left(), lake->Left());
    EXPECT_LT(island->Right(), lake->Right());
    EXPECT_GT(island->Bottom(), lake->Bottom());
    EXPECT_LT(island->Top(), lake->Top());
}

TEST(SampleDataTest, TableHasTheFieldsAndThePlantedCluster) {
    DBFHandle dbf = DBFOpen(sourcePath("data/sample/sample.dbf").c_str(), "rb");
    ASSERT_NE(dbf, nullptr);
    EXPECT_EQ(DBFGetRecordCount(dbf), 100);
    const int id = DBFGetFieldIndex(dbf, "ID"), name = DBFGetFieldIndex(dbf, "NAME");
    const int pop = DBFGetFieldIndex(dbf, "POP"), cases = DBFGetFieldIndex(dbf, "CASES");
    const int obs = DBFGetFieldIndex(dbf, "OBS"), exp = DBFGetFieldIndex(dbf, "EXP");
    ASSERT_TRUE(id >= 0 && name >= 0 && pop >= 0 && cases >= 0 && obs >= 0 && exp >= 0);
    int width = 0, decimals = 0;
    EXPECT_EQ(DBFGetFieldInfo(dbf, exp, nullptr, &width, &decimals), FTDouble);
    EXPECT_EQ(decimals, 4);
    EXPECT_EQ(DBFGetFieldInfo(dbf, id, nullptr, &width, &decimals), FTInteger);
    EXPECT_EQ(DBFGetFieldInfo(dbf, name, nullptr, &width, &decimals), FTString);
    double clusterCases = 0, clusterPop = 0, otherCases = 0, otherPop = 0, expTotal = 0, obsTotal = 0;
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(DBFReadIntegerAttribute(dbf, i, id), i + 1);
        EXPECT_STRNE(DBFReadStringAttribute(dbf, i, name), "");
        const int region = i + 1;
        const bool inCluster = (region >= 17 && region <= 19) || (region >= 27 && region <= 29) || (region >= 37 && region <= 39);
        (inCluster ? clusterCases : otherCases) += DBFReadDoubleAttribute(dbf, i, cases);
        (inCluster ? clusterPop : otherPop) += DBFReadDoubleAttribute(dbf, i, pop);
        EXPECT_EQ(DBFReadIntegerAttribute(dbf, i, obs), DBFReadIntegerAttribute(dbf, i, cases));
        expTotal += DBFReadDoubleAttribute(dbf, i, exp);
        obsTotal += DBFReadDoubleAttribute(dbf, i, obs);
    }
    DBFClose(dbf);
    EXPECT_GT(clusterCases / clusterPop, 2.0 * otherCases / otherPop);
    EXPECT_NEAR(expTotal, obsTotal, 0.01);
}

// Every list that names regions shows them by this field, so two regions of
// one name could not be told apart there.
TEST(SampleDataTest, EveryRegionHasANameOfItsOwn) {
    DBFHandle dbf = DBFOpen(sourcePath("data/sample/sample.dbf").c_str(), "rb");
    ASSERT_NE(dbf, nullptr);
    const int name = DBFGetFieldIndex(dbf, "NAME");
    ASSERT_GE(name, 0);
    std::map<std::string, int> firstRecord;
    for (int i = 0; i < DBFGetRecordCount(dbf); ++i) {
        const std::string text = DBFReadStringAttribute(dbf, i, name);
        const auto [at, fresh] = firstRecord.emplace(text, i + 1);
        EXPECT_TRUE(fresh) << "record " << i + 1 << " is named \"" << text << "\" as record " << at->second << " is";
    }
    DBFClose(dbf);
    EXPECT_EQ(firstRecord.size(), 100u);
}
