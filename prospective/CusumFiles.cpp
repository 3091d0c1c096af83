#include "prospective/CusumFiles.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>

#include "platform/Error.h"
#include "platform/FileChecks.h"
#include "platform/Format.h"
#include "platform/TextFile.h"
#include "stats/ParallelFor.h"

namespace {

[[noreturn]] void refuse(const std::string& path, const std::string& why) {
    throw AppError(RuntimeErrors::InvalidArgument, "The file \"" + path + "\" " + why, CusumFile::kFormatError);
}

// A number in a file: "." is the decimal sign whatever the display uses.
std::optional<double> fileNumber(const std::string& text) {
    if (text.find_first_not_of("0123456789+-.eE \t") != std::string::npos) return std::nullopt;
    return parseNumber(text);
}

std::vector<std::string> readLines(const std::string& path) {
    requireReadableFile(path);
    std::vector<std::string> lines = readTextFileLines(path);
    if (std::all_of(lines.begin(), lines.end(), [](const std::string& l) { return l.empty(); }))
        refuse(path, "is empty.");
    return lines;
}

void checkRowCount(const std::string& path, std::size_t rows, std::int32_t regionCount, const char* what) {
    if (rows != static_cast<std::size_t>(regionCount))
        refuse(path, std::string("holds ") + std::to_string(rows) + " " + what + " but the study area has " +
                         std::to_string(regionCount) + " regions.");
}

// Fills row `row` of m (columns 1..count) from the pieces of `line`.
void readRow(const std::string& path, const std::string& line, std::size_t lineNumber, std::int32_t count,
             Matrix& m, Eigen::Index row) {
    const std::vector<std::string> pieces = splitCommas(line);
    if (pieces.size() < static_cast<std::size_t>(count))
        refuse(path, "has only " + std::to_string(pieces.size()) + " values on line " + std::to_string(lineNumber) +
                         ", " + std::to_string(count) + " are needed.");
    for (std::int32_t c = 0; c < count; ++c) {
        const auto v = fileNumber(pieces[static_cast<std::size_t>(c)]);
        if (!v)
            refuse(path, "holds \"" + pieces[static_cast<std::size_t>(c)] + "\" on line " + std::to_string(lineNumber) +
                             ", column " + std::to_string(c + 1) + ", which is not a number.");
        m(row, c + 1) = *v;
    }
}

}  // namespace

namespace CusumFile {

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

void Write(const std::string& path, const Matrix& cusum, std::int32_t rows, std::int32_t periods) {
    writeTextFileLines(path, Lines(cusum, rows, periods));
}

std::string WithSuffix(const std::string& path) {
    if (path.size() >= 4) {
        std::string tail = path.substr(path.size() - 4);
        std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return std::tolower(c); });
        if (tail == ".csm") return path;
    }
    return path + ".csm";
}

Loaded Read(const std::string& path, std::int32_t regionCount) {
    const std::vector<std::string> lines = readLines(path);
    Loaded out;
    out.header = lines.front();
    const auto commas = std::count(out.header.begin(), out.header.end(), ',');
    checkRowCount(path, lines.size() - 1, regionCount, "rows of cusums");
    out.periodCount = static_cast<double>(commas);
    out.cusum = Matrix::Zero(regionCount + 1, commas + 1);
    for (std::size_t r = 1; r < lines.size(); ++r)
        readRow(path, lines[r], r + 1, static_cast<std::int32_t>(commas), out.cusum, static_cast<Eigen::Index>(r));
    return out;
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

Loaded Read(const std::string& path, std::int32_t regionCount) {
    const std::vector<std::string> lines = readLines(path);
    Loaded out;
    out.columns = static_cast<std::int32_t>(1 + std::count(lines.front().begin(), lines.front().end(), ','));
    checkRowCount(path, lines.size(), regionCount, "lines");
    out.z = Matrix::Zero(regionCount + 1, out.columns + 1);
    for (std::size_t i = 0; i < lines.size(); ++i)
        readRow(path, lines[i], i + 1, out.columns, out.z, static_cast<Eigen::Index>(i + 1));
    return out;
}

}  // namespace PeriodMatrixFile
