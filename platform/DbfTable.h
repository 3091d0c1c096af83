#pragma once
// A static, read-only view of a dBASE table in the shape of a database
// recordset: field names in table order with their ADO type numbers, values
// as number, text or null, and one cursor (MoveFirst / MoveNext / IsEOF)
// over the records in file order. Deleted records are skipped, as a dBASE
// database driver does.
//
// Text is decoded with the table's .cpg file when present, else with its
// language-driver byte, else as Windows-1252, and handed out as UTF-8.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/TextDecoding.h"

// ADO DataTypeEnum values the table reports.
namespace AdoType {
inline constexpr int adInteger = 3;     // numeric, no decimals, width <= 9
inline constexpr int adDouble = 5;      // other numeric and float fields
inline constexpr int adBoolean = 11;    // logical
inline constexpr int adDBDate = 133;    // date
inline constexpr int adVarChar = 200;   // character
}  // namespace AdoType

struct DbfField {
    std::string Name;
    int Type = AdoType::adVarChar;  // an AdoType value
    int Width = 0;
    int Decimals = 0;
};

// One field value of one record.
struct DbfValue {
    // Invalid: a number field holding text that is no number ("****", the
    // mark of a value too wide for its field, or one beyond the doubles);
    // `text` keeps it as it stands. Only a blank number is null.
    enum class Kind { Null, Number, Text, Boolean, Date, Invalid };
    Kind kind = Kind::Null;
    double number = 0.0;  // Number; Boolean as -1 / 0
    std::string text;     // Text (right blanks trimmed); Date as "YYYYMMDD"

    bool IsNull() const noexcept { return kind == Kind::Null; }
    bool IsNumber() const noexcept { return kind == Kind::Number; }
    bool IsInvalid() const noexcept { return kind == Kind::Invalid; }
    // Whether the value is dBASE's mark of a number too wide for its field:
    // stars where the digits would stand. Some programs write the same mark
    // for a missing number; it is not read as null either way.
    bool IsTooWide() const noexcept;
    // An invalid value as the messages name it: "'****', the dBASE mark of a
    // number too wide for its field (some programs write it for a missing
    // number)", or "'1e400', which is not a valid number".
    std::string InvalidText() const;
    // The value as the grid and the lists show it: numbers in their default
    // text form, null as empty text.
    std::string ToText() const;
};

class DbfTable {
public:
    // Opens the table read-only. Raises AppError with a description that
    // names the file and the cause when it is missing, unreadable or its
    // header is broken.
    static std::shared_ptr<DbfTable> Open(const std::string& path);

    const std::string& Path() const noexcept { return path_; }
    // The code page the table's text was decoded from.
    CodePage TextCodePage() const noexcept { return codePage_; }

    std::int32_t RecordCount() const noexcept { return static_cast<std::int32_t>(records_.size()); }
    int FieldCount() const noexcept { return static_cast<int>(fields_.size()); }
    const std::vector<DbfField>& Fields() const noexcept { return fields_; }
    // Field by position counted from 0; raises error 9 outside the range.
    const DbfField& Field(int index) const;
    // Position of a field by name (case-insensitive), or -1.
    int FieldIndex(std::string_view name) const;

    // The cursor.
    void MoveFirst() noexcept { cursor_ = 0; }
    void MoveNext() noexcept { if (cursor_ < RecordCount()) ++cursor_; }
    bool IsEOF() const noexcept { return cursor_ >= RecordCount(); }
    bool IsBOF() const noexcept { return RecordCount() == 0; }
    // 1-based number of the current record (RecordCount() + 1 at the end).
    std::int32_t AbsolutePosition() const noexcept { return cursor_ + 1; }

    // Value of a field of the current record, by position from 0 or by name.
    // Raises error 3021 ("Either BOF or EOF is True, or the current record has
    // been deleted.") at the end, and error 3265 ("Item cannot be found in the
    // collection corresponding to the requested name or ordinal.") for an
    // unknown field.
    DbfValue Value(int fieldIndex) const;
    DbfValue Value(std::string_view fieldName) const;

    // Random access: record counted from 1, field from 0, cursor untouched.
    DbfValue ValueAt(std::int32_t record, int fieldIndex) const;

private:
    DbfTable() = default;
    std::string path_;
    std::vector<DbfField> fields_;
    std::vector<std::vector<DbfValue>> records_;
    std::int32_t cursor_ = 0;
    CodePage codePage_ = CodePage::Windows1252;
};

// The number of the errors raised when a table cannot be opened (the
// database driver's general error).
inline constexpr std::int32_t kDbfOpenError = -2147467259;
