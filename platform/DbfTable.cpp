#include "platform/DbfTable.h"

#include <shapefil.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "platform/BinaryFile.h"
#include "platform/Error.h"
#include "platform/FileChecks.h"
#include "platform/Format.h"

namespace fs = std::filesystem;

namespace {

constexpr std::int32_t kNoCurrentRecord = 3021;
constexpr std::int32_t kItemNotFound = 3265;
constexpr const char* kSource = "DbfTable";

// shapelib picks the table's file by its own spelling of the extension
// (".dbf" or ".DBF") and looks for a .cpg beside it. The hooks below make it
// open exactly the file we found (whatever the case of its name) and leave
// the .cpg to us, so both lookups follow the program's own rule. shapelib's
// messages are collected for the error we raise.
std::mutex g_openMutex;
std::string g_target;
std::string g_messages;
SAHooks g_defaults;

bool hasExtension(const char* name, const char* ext) {
    const std::size_t n = std::strlen(name), e = std::strlen(ext);
    if (n < e) return false;
    for (std::size_t i = 0; i < e; ++i)
        if (std::tolower(static_cast<unsigned char>(name[n - e + i])) != ext[i]) return false;
    return true;
}

SAFile hookOpen(const char* filename, const char* access) {
    if (hasExtension(filename, ".dbf")) return g_defaults.FOpen(g_target.c_str(), access);
    return nullptr;
}

void hookError(const char* message) {
    if (!g_messages.empty()) g_messages += "; ";
    g_messages += message;
}

[[noreturn]] void raiseOpen(const std::string& path, const std::string& why) {
    throw AppError(kDbfOpenError, "The attribute table " + path + " cannot be opened: " + why, kSource);
}

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// The file beside `path` named `base` + `ext`, found case-insensitively and
// preferring the exact spelling, of whatever kind; empty when there is none.
std::string siblingFile(const fs::path& path, const std::string& ext) {
    return findFileIgnoringCase((path.parent_path() / (path.stem().string() + ext)).string());
}

// The code page file is a name, a few bytes long; more is not read.
std::string readCodePageFile(const std::string& path) {
    constexpr std::int64_t kLongestName = 256;
    BinaryFile in;
    in.Open(path, BinaryFile::Mode::Read);
    const std::vector<unsigned char> bytes = in.ReadBytes(static_cast<std::size_t>(std::min(in.Length(), kLongestName)));
    return std::string(bytes.begin(), bytes.end());
}

std::string_view rightTrimmed(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.remove_suffix(1);
    return s;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\0')) s.remove_prefix(1);
    return rightTrimmed(s);
}

int adoType(char nativeType, int width, int decimals) {
    switch (nativeType) {
        case 'N': return decimals == 0 && width <= 9 ? AdoType::adInteger : AdoType::adDouble;
        case 'F': return AdoType::adDouble;
        case 'L': return AdoType::adBoolean;
        case 'D': return AdoType::adDBDate;
        default: return AdoType::adVarChar;
    }
}

DbfValue readValue(std::string_view raw, char nativeType, CodePage page) {
    DbfValue v;
    switch (nativeType) {
        case 'N':
        case 'F': {
            std::string_view t = trimmed(raw);
            if (!t.empty() && t.front() == '+') t.remove_prefix(1);
            // Blank is null. Stars (over the whole width or among blanks) are
            // dBASE's mark of a number too wide for its field, which some
            // programs also write for a missing number: a value that cannot
            // be read, named as such, not taken for null.
            if (t.empty()) return v;
            double d = 0.0;
            const auto res = std::from_chars(t.data(), t.data() + t.size(), d);
            if (res.ec != std::errc() || res.ptr != t.data() + t.size() || !std::isfinite(d)) {
                v.kind = DbfValue::Kind::Invalid;
                v.text = std::string(trimmed(raw));
                return v;
            }
            v.kind = DbfValue::Kind::Number;
            v.number = d;
            return v;
        }
        case 'L': {
            const std::string_view t = trimmed(raw);
            if (t.empty()) return v;
            const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(t.front())));
            if (c == 'T' || c == 'Y') { v.kind = DbfValue::Kind::Boolean; v.number = -1.0; }
            else if (c == 'F' || c == 'N') { v.kind = DbfValue::Kind::Boolean; v.number = 0.0; }
            return v;
        }
        case 'D': {
            const std::string_view t = trimmed(raw);
            if (t.empty() || t == "00000000") return v;
            v.kind = DbfValue::Kind::Date;
            v.text = std::string(t);
            return v;
        }
        default: {
            // Blank text reads as null, as the database driver gives it.
            const std::string_view t = rightTrimmed(raw);
            if (t.empty()) return v;
            v.kind = DbfValue::Kind::Text;
            v.text = decodeToUtf8(t, page);
            return v;
        }
    }
}

}  // namespace

bool DbfValue::IsTooWide() const noexcept {
    return kind == Kind::Invalid && !text.empty() && text.find_first_not_of('*') == std::string::npos;
}

std::string DbfValue::InvalidText() const {
    return "'" + text + "'" +
           (IsTooWide() ? ", the dBASE mark of a number too wide for its field (some programs write it for a missing "
                          "number)"
                        : ", which is not a valid number");
}

std::string DbfValue::ToText() const {
    switch (kind) {
        case Kind::Null: return {};
        case Kind::Number: return formatGeneral(number);
        case Kind::Boolean: return number != 0.0 ? "True" : "False";
        case Kind::Date:
            if (text.size() == 8) return text.substr(0, 4) + "-" + text.substr(4, 2) + "-" + text.substr(6, 2);
            return text;
        case Kind::Text: return text;
        case Kind::Invalid: return text;
    }
    return {};
}

std::shared_ptr<DbfTable> DbfTable::Open(const std::string& path) {
    std::error_code ec;
    // Nothing is opened before its kind is known: a pipe would block.
    const FileKind kind = fileKind(path);
    if (kind == FileKind::Missing) raiseOpen(path, "the file does not exist.");
    if (const std::string problem = fileProblem(path); !problem.empty()) raiseOpen(path, "it " + problem + ".");
    const auto fileSize = fs::file_size(path, ec);
    if (ec) raiseOpen(path, "its size cannot be read.");
    std::string header(32, '\0');
    {
        std::ifstream in(path, std::ios::binary);
        if (!in) raiseOpen(path, "the file cannot be read.");
        if (fileSize < 33) raiseOpen(path, "it is too short to be a dBASE table.");
        in.read(header.data(), 32);
    }

    // The code page: the .cpg beside the table, else the language-driver byte.
    CodePage page = codePageFromLanguageDriver(static_cast<unsigned char>(header[29]));
    const std::string cpg = siblingFile(fs::path(path), ".cpg");
    if (!cpg.empty() && fileKind(cpg) != FileKind::Missing) {
        if (const std::string problem = fileProblem(cpg); !problem.empty())
            raiseOpen(path, "its code page file " + cpg + " " + problem + ".");
        try {
            page = codePageFromName(trimmed(readCodePageFile(cpg)));
        } catch (const AppError& e) {
            raiseOpen(path, "its code page file cannot be read: " + e.description() + ".");
        }
    }

    std::lock_guard<std::mutex> lock(g_openMutex);
    SASetupDefaultHooks(&g_defaults);
    SAHooks hooks = g_defaults;
    hooks.FOpen = hookOpen;
    hooks.Error = hookError;
    g_target = path;
    g_messages.clear();

    DBFHandle h = DBFOpenLL(path.c_str(), "rb", &hooks);
    if (!h) raiseOpen(path, g_messages.empty() ? "its header is not that of a dBASE table." : g_messages + ".");
    struct Closer {
        DBFHandle h;
        ~Closer() { DBFClose(h); }
    } closer{h};

    const int fieldCount = DBFGetFieldCount(h);
    const int recordCount = DBFGetRecordCount(h);
    if (fieldCount <= 0) raiseOpen(path, "it has no fields.");
    if (recordCount < 0 || h->nRecordLength <= 0 || h->nHeaderLength < 32)
        raiseOpen(path, "its header is broken.");
    const auto needed = static_cast<std::uintmax_t>(h->nHeaderLength) +
                        static_cast<std::uintmax_t>(recordCount) * static_cast<std::uintmax_t>(h->nRecordLength);
    if (needed > fileSize)
        raiseOpen(path, "the file is shorter than its header says (" + std::to_string(recordCount) +
                            " records of " + std::to_string(h->nRecordLength) + " bytes); it may be truncated.");

    std::shared_ptr<DbfTable> table(new DbfTable());
    table->path_ = path;
    table->codePage_ = page;
    std::vector<char> types;
    std::vector<int> offsets, widths;
    for (int f = 0; f < fieldCount; ++f) {
        char name[XBASE_FLDNAME_LEN_READ + 1] = {};
        int width = 0, decimals = 0;
        DBFGetFieldInfo(h, f, name, &width, &decimals);
        const char native = DBFGetNativeFieldType(h, f);
        const int offset = h->panFieldOffset[f];
        if (width <= 0 || offset < 1 || offset + width > h->nRecordLength)
            raiseOpen(path, "the description of field " + std::to_string(f + 1) + " is broken.");
        DbfField field;
        field.Name = decodeToUtf8(trimmed(name), page);
        field.Type = adoType(native, width, decimals);
        field.Width = width;
        field.Decimals = decimals;
        table->fields_.push_back(std::move(field));
        types.push_back(native);
        offsets.push_back(offset);
        widths.push_back(width);
    }

    table->records_.reserve(static_cast<std::size_t>(recordCount));
    for (int r = 0; r < recordCount; ++r) {
        const char* tuple = DBFReadTuple(h, r);
        if (!tuple) raiseOpen(path, "record " + std::to_string(r + 1) + " cannot be read.");
        if (tuple[0] == '*') continue;  // deleted
        std::vector<DbfValue> values;
        values.reserve(static_cast<std::size_t>(fieldCount));
        for (int f = 0; f < fieldCount; ++f) {
            const std::string_view raw(tuple + offsets[static_cast<std::size_t>(f)],
                                       static_cast<std::size_t>(widths[static_cast<std::size_t>(f)]));
            values.push_back(readValue(raw, types[static_cast<std::size_t>(f)], page));
        }
        table->records_.push_back(std::move(values));
    }
    return table;
}

const DbfField& DbfTable::Field(int index) const {
    if (index < 0 || index >= FieldCount()) raiseSubscriptOutOfRange("DbfTable::Field");
    return fields_[static_cast<std::size_t>(index)];
}

int DbfTable::FieldIndex(std::string_view name) const {
    const std::string wanted = lower(std::string(name));
    for (int i = 0; i < FieldCount(); ++i)
        if (lower(fields_[static_cast<std::size_t>(i)].Name) == wanted) return i;
    return -1;
}

DbfValue DbfTable::Value(int fieldIndex) const {
    if (fieldIndex < 0 || fieldIndex >= FieldCount())
        throw AppError(kItemNotFound,
                       "Item cannot be found in the collection corresponding to the requested name or ordinal.",
                       kSource);
    if (IsEOF())
        throw AppError(kNoCurrentRecord,
                       "Either BOF or EOF is True, or the current record has been deleted.",
                       kSource);
    return records_[static_cast<std::size_t>(cursor_)][static_cast<std::size_t>(fieldIndex)];
}

DbfValue DbfTable::Value(std::string_view fieldName) const { return Value(FieldIndex(fieldName)); }

DbfValue DbfTable::ValueAt(std::int32_t record, int fieldIndex) const {
    if (record < 1 || record > RecordCount() || fieldIndex < 0 || fieldIndex >= FieldCount())
        raiseSubscriptOutOfRange("DbfTable::ValueAt");
    return records_[static_cast<std::size_t>(record - 1)][static_cast<std::size_t>(fieldIndex)];
}
