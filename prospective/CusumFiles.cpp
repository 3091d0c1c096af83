#include "prospective/CusumFiles.h"

#include <cmath>
#include <limits>
#include <new>
#include <optional>
#include <string_view>

#include "platform/Error.h"
#include "platform/Format.h"
#include "platform/TextFile.h"
#include "stats/ParallelFor.h"

namespace {

using modCusum::Rows;

[[noreturn]] void refuse(const std::string& path, const std::string& why) {
    throw AppError(RuntimeErrors::InvalidArgument, "The file \"" + path + "\" " + why, CusumFile::kFormatError);
}

bool blank(const std::string& line) { return line.find_first_not_of(" \t") == std::string::npos; }

// The lines of the file without the blank lines at its end, which are only
// line ends.
std::vector<std::string> readLines(const std::string& path) {
    std::vector<std::string> lines = readTextFileLines(path);
    while (!lines.empty() && blank(lines.back())) lines.pop_back();
    if (lines.empty()) refuse(path, "is empty.");
    return lines;
}

// The matrix of rows 1..rowCount and columns 1..count read from
// lines[first..], row r from line first + r (1-based line numbers in the
// messages). The lines are measured against the row count and against
// `count` before the matrix is sized. `eachLine` says what a line holds,
// for the refusal of a blank one.
Matrix readRows(const std::string& path, const std::vector<std::string>& lines, std::size_t first,
                std::int32_t count, std::int32_t rowCount, Rows rows, const char* rowsHeld, const char* eachLine) {
    const std::size_t need = static_cast<std::size_t>(count);
    if (rows == Rows::Points) {
        // The point window's own test, before the others: an empty value
        // among the first `count` of a line.
        for (std::size_t i = first; i < lines.size(); ++i) {
            CommaPieces pieces(lines[i]);
            std::string_view piece;
            for (std::size_t c = 0; c < need && pieces.next(piece); ++c)
                if (piece.empty())
                    throw AppError(RuntimeErrors::InvalidArgument,
                                   "There is missing value in row " + std::to_string(i + 1) + " and column " +
                                       std::to_string(c + 1) + " in the dataset.",
                                   CusumFile::kFormatError);
        }
    }
    // A blank line among the rows is named itself: counted as a row, it
    // would have the line count blamed, which is not what is wrong.
    for (std::size_t i = first; i < lines.size(); ++i)
        if (blank(lines[i]))
            refuse(path, "has an empty line " + std::to_string(i + 1) + ": every line " + eachLine + " one " +
                             (rows == Rows::Points ? "point." : "region."));
    const std::size_t held = lines.size() - first;
    if (held != static_cast<std::size_t>(rowCount))
        refuse(path, "holds " + std::to_string(held) + " " + rowsHeld +
                         (rows == Rows::Points ? " but the point coordinate file holds " + std::to_string(rowCount) +
                                                     " points."
                                               : " but the study area has " + std::to_string(rowCount) + " regions."));
    for (std::size_t i = first; i < lines.size(); ++i)
        if (const std::size_t pieces = commaPieceCount(lines[i]); pieces < need)
            refuse(path, "has only " + std::to_string(pieces) + (pieces == 1 ? " value" : " values") + " on line " +
                             std::to_string(i + 1) + ", " + std::to_string(count) + " are needed.");

    Matrix m = Matrix::Zero(rowCount + 1, count + 1);
    for (std::size_t i = first; i < lines.size(); ++i) {
        CommaPieces pieces(lines[i]);
        std::string_view piece;
        for (std::int32_t c = 0; c < count && pieces.next(piece); ++c) {
            const auto v = CusumFile::Number(piece);
            if (!v)
                refuse(path, "holds \"" + std::string(piece) + "\" on line " + std::to_string(i + 1) + ", column " +
                                 std::to_string(c + 1) + ", which is not a number.");
            m(static_cast<Eigen::Index>(i - first + 1), c + 1) = *v;
        }
    }
    return m;
}

}  // namespace

namespace CusumFile {

std::optional<double> Number(std::string_view text) {
    if (text.find_first_not_of("0123456789+-.eE \t") != std::string_view::npos) return std::nullopt;
    return parseNumber(text);
}

std::vector<std::string> Lines(const Matrix& cusum, std::int32_t rows, std::int32_t periods) {
    if (rows >= cusum.rows() || periods >= cusum.cols()) raiseSubscriptOutOfRange("CusumFile::Lines");
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(rows) + 1);
    std::string header;
    for (std::int32_t p = 1; p <= periods; ++p) header += "period" + std::to_string(p) + ",";
    lines.push_back(std::move(header));
    for (std::int32_t r = 1; r <= rows; ++r) {
        std::string line;
        for (std::int32_t p = 1; p <= periods; ++p) {
            const double v = cusum(r, p);
            if (!std::isfinite(v)) raiseOverflow("CusumFile::Lines");
            line += formatGeneral(v);
            line += ',';
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

void Write(const std::string& path, const Matrix& cusum, std::int32_t rows, std::int32_t periods) try {
    writeTextFileLines(path, Lines(cusum, rows, periods));
} catch (const std::bad_alloc&) {
    raiseTooLargeToWrite(path, kFormatError);
}

Loaded Read(const std::string& path, std::int32_t rowCount, Rows rows) try {
    const std::vector<std::string> lines = readLines(path);
    Loaded out;
    out.header = lines.front();
    const std::size_t periods = commaPieceCount(out.header) - 1;  // the commas of the header
    if (periods > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max() - 1))
        refuse(path, "has a header of more periods than a run can hold.");
    out.periodCount = static_cast<double>(periods);
    out.cusum = readRows(path, lines, 1, static_cast<std::int32_t>(periods), rowCount, rows, "rows of cusums",
                         "under the header must hold the cusums of");
    return out;
} catch (const std::bad_alloc&) {
    raiseTooLargeToRead(path, kFormatError);
}

}  // namespace CusumFile

namespace PeriodMatrixFile {

std::vector<std::string> Lines(const Matrix& z, std::int32_t rows, std::int32_t columns) {
    if (rows >= z.rows() || columns >= z.cols() || columns < 1) raiseSubscriptOutOfRange("PeriodMatrixFile::Lines");
    for (std::int32_t i = 1; i <= rows; ++i)
        for (std::int32_t t = 1; t <= columns; ++t)
            if (!std::isfinite(z(i, t))) raiseOverflow("PeriodMatrixFile::Lines");
    // Lines are formatted in blocks of rows side by side; each line is
    // the same as one formatted alone.
    std::vector<std::string> lines(static_cast<std::size_t>(rows));
    constexpr std::int32_t kBlock = 64;
    const std::int32_t blocks = (rows + kBlock - 1) / kBlock;
    ParallelFor::forEach(blocks, blocks > 1, [&](std::ptrdiff_t b) {
        const auto first = static_cast<std::int32_t>(b) * kBlock + 1;
        for (std::int32_t i = first; i < first + kBlock && i <= rows; ++i) {
            std::string& line = lines[static_cast<std::size_t>(i - 1)];
            for (std::int32_t t = 1; t <= columns; ++t) {
                if (t > 1) line += ',';
                line += formatMask(z(i, t), "0.0000");
            }
        }
    });
    return lines;
}

Loaded Read(const std::string& path, std::int32_t rowCount, Rows rows, std::int32_t mostColumns) try {
    const std::vector<std::string> lines = readLines(path);
    Loaded out;
    const std::size_t columns = commaPieceCount(lines.front());
    if (columns > static_cast<std::size_t>(mostColumns))
        refuse(path, "has " + std::to_string(columns) + " values on its first line; a run can have at most " +
                         std::to_string(mostColumns) + " periods.");
    out.columns = static_cast<std::int32_t>(columns);
    out.z = readRows(path, lines, 0, out.columns, rowCount, rows, "lines", "must hold the values of");
    return out;
} catch (const std::bad_alloc&) {
    raiseTooLargeToRead(path, CusumFile::kFormatError);
}

}  // namespace PeriodMatrixFile
