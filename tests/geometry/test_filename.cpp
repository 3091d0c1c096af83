// File specifications: which texts are valid paths of this platform, and
// how the base name and the extension are read and replaced.
#include <gtest/gtest.h>

#include "geometry/CFileName.h"
#include "tests/geometry/GeometryTestUtil.h"

namespace {
constexpr std::int32_t kInvalid = vbObjectError + 515;
}

TEST(CFileNameTest, ErrorNumberIsObjectErrorPlus515) { EXPECT_EQ(kInvalid, -2147220989); }

TEST(CFileNameTest, ValidSpecifications) {
    struct Case {
        const char* spec;
        const char* base;
        const char* ext;
    };
    const Case cases[] = {
        {"/data/regions.shp", "regions", "shp"},
        {"/x.y", "x", "y"},
        {"/My Maps/a b.shp", "a b", "shp"},
        {"/maps/Regions.SHP", "Regions", "SHP"},
        {"/a.b/c.d.e", "c.d", "e"},
        {"/data/räume.shp", "räume", "shp"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.spec);
        CFileName f;
        f.SetFileSpec(c.spec);
        EXPECT_EQ(f.GetFileSpec(), c.spec);
        EXPECT_EQ(f.GetBaseName(), c.base);
        EXPECT_EQ(f.GetExtension(), c.ext);
    }
}

TEST(CFileNameTest, InvalidSpecificationsKeepTheStoredText) {
    const char* cases[] = {
        "",                    // empty
        "data/regions.shp",    // relative
        "C:\\data\\a.shp",     // not a path of this platform
        "1/a.shp",             // starts with a digit
        "/maps/regions",       // no dot
        "//server/a.shp",      // doubled separator at the start
        "/maps//a.shp",        // doubled separator
        "/maps/../a.shp",      // parent-folder step
        "/maps/a..shp",        // doubled dot
        "/maps/a?.shp", "/maps/a\".shp", "/maps/a*.shp", "/maps/a|.shp", "/maps/a\\b.shp",
        "/maps/a>.shp", "/maps/a<.shp", "/maps/a:b.shp",
    };
    for (const char* spec : cases) {
        SCOPED_TRACE(spec);
        CFileName f;
        f.SetFileSpec("/kept/name.shp");
        expectAppError([&] { f.SetFileSpec(spec); }, kInvalid, "The FileSpec is invalid", "C_FileName::SetFileSpec");
        EXPECT_EQ(f.GetFileSpec(), "/kept/name.shp");
    }
}

TEST(CFileNameTest, DotOnlyInAFolderName) {
    CFileName f;
    f.SetFileSpec("/maps.old/regions");
    EXPECT_EQ(f.GetExtension(), "old/regions");
    expectAppError([&] { f.GetBaseName(); }, RuntimeErrors::InvalidArgument);
    f.SetBaseName("roads");  // the text from the dot on follows the new name
    EXPECT_EQ(f.GetFileSpec(), "/maps.old/roads.old/regions");
}

TEST(CFileNameTest, ReplacingBaseNameAndExtension) {
    CFileName f;
    f.SetFileSpec("/maps/regions.shp");
    f.SetExtension("shx");
    EXPECT_EQ(f.GetFileSpec(), "/maps/regions.shx");
    f.SetBaseName("roads");
    EXPECT_EQ(f.GetFileSpec(), "/maps/roads.shx");
}

TEST(CFileNameTest, NewObject) {
    CFileName f;
    EXPECT_EQ(f.GetFileSpec(), "");
    EXPECT_EQ(f.GetBaseName(), "");
    EXPECT_EQ(f.GetExtension(), "");
    expectAppError([&] { f.SetBaseName("x"); }, RuntimeErrors::InvalidArgument);
    f.SetExtension("shp");
    EXPECT_EQ(f.GetFileSpec(), "shp");
    EXPECT_EQ(f.GetExtension(), "shp");
    expectAppError([&] { f.GetBaseName(); }, RuntimeErrors::InvalidArgument);
}

TEST(CFileNameTest, RejectedNamesAndExtensions) {
    const char* bad[] = {"", "a/b", "a\\b", "a?", "a\"", "a*", "a|", "a>", "a<", "a:"};
    for (const char* text : bad) {
        SCOPED_TRACE(text);
        CFileName f;
        f.SetFileSpec("/maps/regions.shp");
        expectAppError([&] { f.SetExtension(text); }, kInvalid, "The FileSpec is invalid", "C_FileName::SetExtension");
        expectAppError([&] { f.SetBaseName(text); }, kInvalid, "The FileSpec is invalid", "C_FileName::SetBaseName");
        EXPECT_EQ(f.GetFileSpec(), "/maps/regions.shp");
    }
}
