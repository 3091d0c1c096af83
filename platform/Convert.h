#pragma once
// Double-to-integer conversions as the program needs them everywhere:
// nearest integer with halves to even (2.5 -> 2, 3.5 -> 4), and the overflow
// error 6 when the value does not fit the target width.

#include <cmath>
#include <cstdint>
#include <limits>

#include "platform/Error.h"

namespace convert_detail {
template <typename Int>
Int roundToInt(double value, const char* source) {
    if (std::isnan(value)) raiseOverflow(source);
    const double r = std::nearbyint(value);  // default rounding mode: halves to even
    if (r < static_cast<double>(std::numeric_limits<Int>::min()) ||
        r > static_cast<double>(std::numeric_limits<Int>::max()))
        raiseOverflow(source);
    return static_cast<Int>(r);
}
}  // namespace convert_detail

inline std::int16_t toInt16(double value, const char* source = "") {
    return convert_detail::roundToInt<std::int16_t>(value, source);
}
inline std::int32_t toInt32(double value, const char* source = "") {
    return convert_detail::roundToInt<std::int32_t>(value, source);
}
