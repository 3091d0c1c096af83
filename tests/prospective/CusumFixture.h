#pragma once
// What the cusum tests build their study areas and handle their files
// with: number and text fields of the table, a row of squares, a file's
// bytes read and written.

#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/retrospective/RetroFixture.h"

namespace cusum_test {

using retro_test::Field;
using retro_test::Square;

inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}
inline void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

// A number field wide enough for the z-values' six decimals.
inline Field numbers(const std::string& name, const std::vector<std::optional<double>>& values) {
    Field f;
    f.name = name;
    f.type = 'N';
    f.width = 14;
    f.decimals = 6;
    f.numbers = values;
    return f;
}

inline Field texts(const std::string& name, const std::vector<std::optional<std::string>>& values) {
    Field f;
    f.name = name;
    f.type = 'C';
    f.width = 12;
    f.texts = values;
    return f;
}

// Squares in a row, `gap` apart; the table's fields as given.
inline std::string writeRow(const std::string& dir, int n, double gap, const std::vector<Field>& fields) {
    std::vector<Square> squares;
    for (int i = 0; i < n; ++i) squares.push_back({i * gap, 0.0, 1.0});
    return retro_test::writeStudyArea(dir, "area", squares, fields);
}

}  // namespace cusum_test
