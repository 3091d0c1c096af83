#pragma once
// The text files of the cusum on polygon data: the cusum file (.csm), which
// keeps the cusum matrix of a run so that a later run can continue from it,
// and the period matrix file, one line of per-period z-values per region.
// Both always use "." as the decimal sign. Readers parse the whole file into
// temporaries and raise AppError with a text that says what is wrong (and
// where) before anything is handed back, so a refused file changes nothing.
// They measure every line before they size a matrix, so a matrix never
// holds more values than the file's lines do; blank lines at the end of a
// file are only line ends, and a blank line among the rows is refused by
// its line number, before the lines are counted.
//
// The point cusum window reads both formats for its points (Rows::Points):
// its refusals speak of points, and an empty value gets its own message
// "There is missing value in row <line> and column <c> in the dataset.".

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "stats/AppState.h"
#include "stats/modCusum.h"

namespace CusumFile {

// The source of the errors the readers raise for a file's contents.
inline constexpr const char* kFormatError = "CusumFile";

// A number as the cusum's text files hold it: "." is the decimal sign
// whatever the display uses; text with anything but digits, signs, that
// sign, an exponent mark and blanks is no number.
std::optional<double> Number(std::string_view text);

// The lines of a .csm: "period1,period2,...," then one line per row r
// (1..rows) with the text of cusum(r, p) and "," for p = 1..periods.
std::vector<std::string> Lines(const Matrix& cusum, std::int32_t rows, std::int32_t periods);
// Writes the lines at `path` whole or not at all (AppError when it cannot,
// 7 when memory runs out).
void Write(const std::string& path, const Matrix& cusum, std::int32_t rows, std::int32_t periods);

struct Loaded {
    Matrix cusum;              // 0..rows by 0..periodCount, row and column 0 zero
    double periodCount = 0.0;  // the number of commas of the header line
    std::string header;
};
// Reads a .csm for `rowCount` rows. Refused: a file that cannot be read,
// an empty file, a blank line among the rows, a row count other than
// rowCount, a line with fewer than periodCount values, a value that is not
// a number.
Loaded Read(const std::string& path, std::int32_t rowCount, modCusum::Rows rows = modCusum::Rows::Regions);

}  // namespace CusumFile

namespace PeriodMatrixFile {

// The lines of a period matrix file: line i (1..rows) holds z(i, t) for
// t = 1..columns, each written "0.0000", joined with ",".
std::vector<std::string> Lines(const Matrix& z, std::int32_t rows, std::int32_t columns);

struct Loaded {
    Matrix z;                 // 0..rows by 0..columns
    std::int32_t columns = 0; // 1 + the number of commas of the first line
};
// The most periods a period matrix file may hold for a run.
inline constexpr std::int32_t kMostColumns = std::numeric_limits<std::int32_t>::max() - 1;

// Reads a period matrix file for `rowCount` regions or points: line i is
// row i, its first `columns` values periods 1..columns. Refused as the
// cusum file is: unreadable, empty, a blank line, another line count, a
// short line, a value that is not a number; and a first line of more than
// `mostColumns` values, before anything is sized for them.
Loaded Read(const std::string& path, std::int32_t rowCount, modCusum::Rows rows = modCusum::Rows::Regions,
            std::int32_t mostColumns = kMostColumns);

}  // namespace PeriodMatrixFile
