// The read-only dBASE table: types, values, nulls, deleted records, code
// pages and damaged files. Tables are written with shapelib's writer.
#include <gtest/gtest.h>

#include <shapefil.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "platform/DbfTable.h"
#include "platform/Error.h"
#include "tests/support/SpecialFiles.h"
#include "tests/support/TestPaths.h"

namespace fs = std::filesystem;

namespace {

// Fields NAME (C 20), POP (N 9.0), BIG (N 10.0), RATE (N 12.4), FL (F 13.3),
// OK (L), DAY (D); three records, the second with blank numbers.
std::string writeSampleTable(const std::string& dir, const char* codePage = nullptr,
                             const std::string& base = "sample") {
    const std::string path = dir + "/" + base + ".dbf";
    DBFHandle h = codePage ? DBFCreateEx(path.c_str(), codePage) : DBFCreate(path.c_str());
    EXPECT_NE(h, nullptr);
    DBFAddField(h, "NAME", FTString, 20, 0);
    DBFAddField(h, "POP", FTInteger, 9, 0);
    DBFAddField(h, "BIG", FTInteger, 10, 0);
    DBFAddField(h, "RATE", FTDouble, 12, 4);
    DBFAddNativeFieldType(h, "FL", 'F', 13, 3);
    DBFAddField(h, "OK", FTLogical, 1, 0);
    DBFAddField(h, "DAY", FTDate, 8, 0);
    DBFWriteStringAttribute(h, 0, 0, "North");
    DBFWriteIntegerAttribute(h, 0, 1, 1200);
    DBFWriteIntegerAttribute(h, 0, 2, 1234567890);
    DBFWriteDoubleAttribute(h, 0, 3, 0.125);
    DBFWriteDoubleAttribute(h, 0, 4, -2.5);
    DBFWriteLogicalAttribute(h, 0, 5, 'T');
    char day1[] = "20030405";
    DBFWriteAttributeDirectly(h, 0, 6, day1);

    DBFWriteStringAttribute(h, 1, 0, "");
    // Blank numbers, dBASE's null (shapelib's null would be stars, dBASE's
    // mark of a number too wide for its field).
    char blank[] = "";
    for (int f = 1; f <= 4; ++f) DBFWriteAttributeDirectly(h, 1, f, blank);
    DBFWriteNULLAttribute(h, 1, 5);
    DBFWriteNULLAttribute(h, 1, 6);

    DBFWriteStringAttribute(h, 2, 0, "  South  ");
    DBFWriteIntegerAttribute(h, 2, 1, -7);
    DBFWriteIntegerAttribute(h, 2, 2, 0);
    DBFWriteDoubleAttribute(h, 2, 3, 3.0);
    DBFWriteDoubleAttribute(h, 2, 4, 1e6);
    DBFWriteLogicalAttribute(h, 2, 5, 'F');
    char day2[] = "19991231";
    DBFWriteAttributeDirectly(h, 2, 6, day2);
    DBFClose(h);
    return path;
}

// A table of one text field holding `bytes` in its one record.
std::string writeTextTable(const std::string& dir, const std::string& bytes, const char* codePage) {
    const std::string path = dir + "/names.dbf";
    DBFHandle h = codePage ? DBFCreateEx(path.c_str(), codePage) : DBFCreate(path.c_str());
    DBFAddField(h, "NAME", FTString, 30, 0);
    DBFWriteStringAttribute(h, 0, 0, bytes.c_str());
    DBFClose(h);
    return path;
}

void expectOpenFails(const std::string& path, const std::string& mention) {
    try {
        DbfTable::Open(path);
        ADD_FAILURE() << "opened " << path;
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), kDbfOpenError);
        EXPECT_NE(e.description().find(path), std::string::npos) << e.description();
        EXPECT_NE(e.description().find(mention), std::string::npos) << e.description();
    }
}

}  // namespace

TEST(DbfTable, FieldsHaveTheirAdoTypes) {
    const auto t = DbfTable::Open(writeSampleTable(scratchDir("dbf-types")));
    ASSERT_EQ(t->FieldCount(), 7);
    struct Want {
        const char* name;
        int type;
        int width;
    } want[] = {{"NAME", AdoType::adVarChar, 20}, {"POP", AdoType::adInteger, 9}, {"BIG", AdoType::adDouble, 10},
                {"RATE", AdoType::adDouble, 12},  {"FL", AdoType::adDouble, 13},  {"OK", AdoType::adBoolean, 1},
                {"DAY", AdoType::adDBDate, 8}};
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(want[i].name);
        EXPECT_EQ(t->Field(i).Name, want[i].name);
        EXPECT_EQ(t->Field(i).Type, want[i].type);
        EXPECT_EQ(t->Field(i).Width, want[i].width);
        EXPECT_EQ(t->FieldIndex(want[i].name), i);
    }
    EXPECT_EQ(t->FieldIndex("pop"), 1);  // names match whatever their case
    EXPECT_EQ(t->FieldIndex("NOPE"), -1);
    EXPECT_EQ(t->Field(3).Decimals, 4);
}

TEST(DbfTable, ValuesNullsAndTheCursor) {
    const auto t = DbfTable::Open(writeSampleTable(scratchDir("dbf-values")));
    ASSERT_EQ(t->RecordCount(), 3);
    t->MoveFirst();
    ASSERT_FALSE(t->IsEOF());
    EXPECT_EQ(t->Value("NAME").text, "North");
    EXPECT_EQ(t->Value(1).number, 1200.0);
    EXPECT_EQ(t->Value("BIG").number, 1234567890.0);
    EXPECT_EQ(t->Value("RATE").number, 0.125);
    EXPECT_EQ(t->Value("FL").number, -2.5);
    EXPECT_EQ(t->Value("OK").kind, DbfValue::Kind::Boolean);
    EXPECT_EQ(t->Value("OK").number, -1.0);
    EXPECT_EQ(t->Value("DAY").text, "20030405");
    EXPECT_EQ(t->Value("DAY").ToText(), "2003-04-05");

    t->MoveNext();
    for (int f = 0; f < 7; ++f) {
        SCOPED_TRACE(f);
        EXPECT_TRUE(t->Value(f).IsNull());
        EXPECT_EQ(t->Value(f).ToText(), "");
    }

    t->MoveNext();
    EXPECT_EQ(t->Value("NAME").text, "  South");  // right blanks trimmed only
    EXPECT_EQ(t->Value("POP").number, -7.0);
    EXPECT_EQ(t->Value("BIG").number, 0.0);
    EXPECT_TRUE(t->Value("BIG").IsNumber());
    EXPECT_EQ(t->Value("FL").ToText(), "1000000");
    EXPECT_EQ(t->Value("OK").number, 0.0);
    EXPECT_EQ(t->AbsolutePosition(), 3);

    t->MoveNext();
    EXPECT_TRUE(t->IsEOF());
    t->MoveNext();  // stays at the end
    EXPECT_TRUE(t->IsEOF());
    try {
        t->Value(0);
        ADD_FAILURE();
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), 3021);
    }
    t->MoveFirst();
    try {
        t->Value("MISSING");
        ADD_FAILURE();
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), 3265);
    }
    EXPECT_EQ(t->ValueAt(3, 1).number, -7.0);
    EXPECT_EQ(t->AbsolutePosition(), 1);  // random access leaves the cursor
}

TEST(DbfTable, DeletedRecordsAreSkipped) {
    const std::string path = writeSampleTable(scratchDir("dbf-deleted"));
    DBFHandle h = DBFOpen(path.c_str(), "rb+");
    DBFMarkRecordDeleted(h, 0, 1);
    DBFClose(h);
    const auto t = DbfTable::Open(path);
    ASSERT_EQ(t->RecordCount(), 2);
    EXPECT_TRUE(t->ValueAt(1, 1).IsNull());
    EXPECT_EQ(t->ValueAt(2, 1).number, -7.0);
}

// A number field holds a number, a blank (null), or text that is no number:
// stars (dBASE's mark of a number too wide for its field, also as shapelib
// writes its nulls, which the message says) or text beyond the doubles,
// kept as it stands.
TEST(DbfTable, StarsAreANumberTooWideForItsFieldNotANull) {
    const std::string path = scratchDir("dbf-stars") + "/stars.dbf";
    DBFHandle h = DBFCreate(path.c_str());
    DBFAddField(h, "N", FTInteger, 6, 0);
    const std::vector<std::string> raw = {"    12", "      ", "******", "  ****", " 1e400"};
    for (int r = 0; r < static_cast<int>(raw.size()); ++r) {
        std::string bytes = raw[static_cast<std::size_t>(r)];
        DBFWriteAttributeDirectly(h, r, 0, bytes.data());
    }
    DBFWriteNULLAttribute(h, static_cast<int>(raw.size()), 0);
    DBFClose(h);
    const auto t = DbfTable::Open(path);
    const std::string tooWide =
        ", the dBASE mark of a number too wide for its field (some programs write it for a missing number)";
    const struct {
        DbfValue::Kind kind;
        bool tooWide;
        std::string invalidText;
    } want[] = {
        {DbfValue::Kind::Number, false, ""},
        {DbfValue::Kind::Null, false, ""},
        {DbfValue::Kind::Invalid, true, "'******'" + tooWide},
        {DbfValue::Kind::Invalid, true, "'****'" + tooWide},
        {DbfValue::Kind::Invalid, false, "'1e400', which is not a valid number"},
        {DbfValue::Kind::Invalid, true, "'******'" + tooWide},  // shapelib's null
    };
    ASSERT_EQ(t->RecordCount(), 6);
    for (int r = 1; r <= 6; ++r) {
        SCOPED_TRACE(r);
        const DbfValue v = t->ValueAt(r, 0);
        const auto& w = want[r - 1];
        EXPECT_EQ(v.kind, w.kind);
        EXPECT_EQ(v.IsTooWide(), w.tooWide);
        if (v.IsInvalid()) {
            EXPECT_EQ(v.InvalidText(), w.invalidText);
        }
    }
}

TEST(DbfTable, TextIsDecodedByItsCodePage) {
    struct Case {
        const char* name;
        std::string bytes;
        const char* codePage;  // for the writer: a .cpg text or "LDID/n"; null for none
        std::string utf8;
        CodePage expected;
    } cases[] = {
        {"no code page reads Windows-1252", "Z\xfcrich \x80", nullptr, "Z\xc3\xbcrich \xe2\x82\xac",
         CodePage::Windows1252},
        {".cpg UTF-8", "Z\xc3\xbcrich", "UTF-8", "Z\xc3\xbcrich", CodePage::Utf8},
        {".cpg 1252", "Caf\xe9", "1252", "Caf\xc3\xa9", CodePage::Windows1252},
        {".cpg ISO-8859-1", "\x80\xe9", "ISO-8859-1", "\xc2\x80\xc3\xa9", CodePage::Latin1},
        {"language driver 850", "Z\x81rich \x9d", "LDID/2", "Z\xc3\xbcrich \xc3\x98", CodePage::Oem850},
        {"language driver 437", "Z\x81rich \x9d", "LDID/1", "Z\xc3\xbcrich \xc2\xa5", CodePage::Oem437},
        {"language driver ANSI", "Caf\xe9", "LDID/87", "Caf\xc3\xa9", CodePage::Windows1252},
        {".cpg 1251", "\xcc\xee\xf1\xea\xe2\xe0", "1251",
         "\xd0\x9c\xd0\xbe\xd1\x81\xd0\xba\xd0\xb2\xd0\xb0", CodePage::Windows1251},
        {"broken UTF-8 is replaced", "a\xff" "b", "UTF-8", "a\xef\xbf\xbd" "b", CodePage::Utf8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto t = DbfTable::Open(writeTextTable(scratchDir("dbf-cp"), c.bytes, c.codePage));
        EXPECT_EQ(t->TextCodePage(), c.expected);
        EXPECT_EQ(t->ValueAt(1, 0).text, c.utf8);
    }
}

TEST(DbfTable, CodePageNamesOfCpgFiles) {
    const struct {
        const char* name;
        CodePage expected;
    } cases[] = {
        {"UTF-8", CodePage::Utf8},        {"ANSI 1252", CodePage::Windows1252}, {"cp850", CodePage::Oem850},
        {"LDID/2", CodePage::Oem850},     {"LDID/201", CodePage::Windows1251},  {"unknown", CodePage::Windows1252},
        // A driver number far beyond any byte is no driver we know.
        {"LDID/99999999999999999999", CodePage::Windows1252},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(codePageFromName(c.name), c.expected);
    }
}

TEST(DbfTable, CpgFileIsFoundWhateverTheCaseOfItsName) {
    const std::string dir = scratchDir("dbf-cpg-case");
    const std::string path = writeTextTable(dir, "Caf\xc3\xa9", "UTF-8");
    fs::rename(dir + "/names.cpg", dir + "/NAMES.CPG");
    EXPECT_EQ(DbfTable::Open(path)->ValueAt(1, 0).text, "Caf\xc3\xa9");
}

TEST(DbfTable, ATableOrCodePageFileThatIsNoRegularFileIsRefusedWithoutWaiting) {
    struct Case {
        const char* name;
        const char* special;  // the name made a pipe or a folder
        bool folder;
        std::string mention;
    } cases[] = {
        {"table is a pipe", "names.dbf", false, "it is not a regular file"},
        {"table is a folder", "names.dbf", true, "it is a folder, not a file"},
        {"code page file is a pipe", "names.cpg", false, "is not a regular file"},
        {"code page file in another case is a pipe", "NAMES.CPG", false, "is not a regular file"},
        {"code page file is a folder", "names.cpg", true, "is a folder, not a file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string dir = scratchDir("dbf-special");
        const std::string path = writeTextTable(dir, "Caf\xc3\xa9", "UTF-8");
        const std::string special = dir + "/" + c.special;
        fs::remove(dir + "/names.cpg");
        if (std::string(c.special) == "names.dbf") fs::remove(path);
        std::unique_ptr<HeldPipe> pipe;
        if (c.folder) fs::create_directory(special);
        else pipe = std::make_unique<HeldPipe>(special);
        expectOpenFails(path, c.mention);
        if (std::string(c.special) != "names.dbf") expectOpenFails(path, special);
    }
}

TEST(DbfTable, ATableWhoseExtensionIsInMixedCaseOpens) {
    const std::string dir = scratchDir("dbf-mixed");
    const std::string path = writeSampleTable(dir);
    fs::rename(path, dir + "/sample.Dbf");
    EXPECT_EQ(DbfTable::Open(dir + "/sample.Dbf")->RecordCount(), 3);
}

TEST(DbfTable, MissingAndDamagedTablesRaiseClearErrors) {
    const std::string dir = scratchDir("dbf-damaged");
    expectOpenFails(dir + "/nothere.dbf", "does not exist");

    // Not a table at all.
    const std::string junk = dir + "/junk.dbf";
    {
        std::ofstream(junk, std::ios::binary) << std::string(200, 'x');
    }
    expectOpenFails(junk, "cannot be opened");

    // Too short for a header.
    const std::string tiny = dir + "/tiny.dbf";
    {
        std::ofstream(tiny, std::ios::binary) << "\x03\x01";
    }
    expectOpenFails(tiny, "too short");

    // A table cut short: the header promises more records than the file holds.
    const std::string cut = writeSampleTable(dir, nullptr, "cut");
    fs::resize_file(cut, fs::file_size(cut) - 40);
    expectOpenFails(cut, "shorter than its header says");

    // A header whose header length field is garbage.
    const std::string bad = writeSampleTable(dir, nullptr, "bad");
    {
        std::fstream f(bad, std::ios::binary | std::ios::in | std::ios::out);
        f.seekp(8);
        const char huge[2] = {'\xff', '\x7f'};
        f.write(huge, 2);
    }
    expectOpenFails(bad, "cannot be opened");
}
