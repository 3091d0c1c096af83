#pragma once
// Lengths of UTF-8 text in characters rather than bytes, so that names in
// any script count and line up as they read.

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

// The number of characters of UTF-8 text (bytes that do not continue a
// character).
inline std::size_t characterCount(std::string_view utf8) {
    return static_cast<std::size_t>(std::count_if(
        utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

