#pragma once
// Numbers as a .shp file stores them: record lengths are big-endian 32-bit
// words, shape types, counts and coordinates little-endian ones and doubles.
// Each reads from `bytes` onward; the caller has checked that they are there.

#include <cstdint>
#include <cstring>

inline std::int32_t int32LE(const unsigned char* bytes) {
    const std::uint32_t v = std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
                            std::uint32_t(bytes[3]) << 24;
    return static_cast<std::int32_t>(v);
}

inline std::int32_t int32BE(const unsigned char* bytes) {
    const std::uint32_t v = std::uint32_t(bytes[0]) << 24 | std::uint32_t(bytes[1]) << 16 |
                            std::uint32_t(bytes[2]) << 8 | std::uint32_t(bytes[3]);
    return static_cast<std::int32_t>(v);
}

inline double doubleLE(const unsigned char* bytes) {
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = bits << 8 | bytes[i];
    double d;
    static_assert(sizeof d == sizeof bits);
    std::memcpy(&d, &bits, sizeof d);
    return d;
}
