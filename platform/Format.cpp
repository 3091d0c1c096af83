#include "platform/Format.h"

#include "platform/Utf8Text.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

char g_displayDecimalSign = '.';

std::string nonFiniteText(double value) { return std::isnan(value) ? "NaN" : (value > 0 ? "Inf" : "-Inf"); }

// Drops the trailing zeros of a decimal fraction, and its point when
// nothing is left behind it.
void trimFraction(std::string& digits) {
    while (digits.back() == '0') digits.pop_back();
    if (digits.back() == '.') digits.pop_back();
}

struct MaskShape {
    std::string prefix;       // literal characters before the first placeholder
    int minIntegerDigits = 0; // "0" placeholders before the decimal point
    int fixedDecimals = 0;    // "0" placeholders after it
    int optionalDecimals = 0; // "#" placeholders after it (trailing zeros dropped)
    bool hasPoint = false;
    std::string suffix;       // literal characters after the last placeholder
};

MaskShape parseMask(std::string_view mask) {
    MaskShape s;
    std::size_t i = 0;
    while (i < mask.size() && mask[i] != '0' && mask[i] != '#' && mask[i] != '.') s.prefix += mask[i++];
    for (; i < mask.size() && (mask[i] == '0' || mask[i] == '#' || mask[i] == ','); ++i)
        if (mask[i] == '0') ++s.minIntegerDigits;
    if (i < mask.size() && mask[i] == '.') {
        s.hasPoint = true;
        ++i;
        for (; i < mask.size() && (mask[i] == '0' || mask[i] == '#'); ++i) {
            if (mask[i] == '0') ++s.fixedDecimals;
            else ++s.optionalDecimals;
        }
    }
    s.suffix = std::string(mask.substr(i));
    return s;
}

// Decimal digits of |value| rounded half away from zero to `decimals`,
// working from the 15-significant-digit decimal form, so that a value
// written as 1.005 rounds as the user reads it (1.01), not as its binary
// neighbour 1.00499... would. Returns integer digits and fraction digits.
void roundDecimal(double value, int decimals, std::string& intDigits, std::string& fracDigits) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));  // d.dddddddddddddde±XX
    std::string mant;
    mant += buf[0];
    mant.append(buf + 2, 14);
    const int exp10 = std::atoi(buf + 17);
    // digits "mant" represent 0.mant * 10^(exp10 + 1)
    int pointPos = exp10 + 1;  // number of digits before the decimal point
    std::string digits = mant;
    if (pointPos < 0) {
        digits.insert(0, static_cast<std::size_t>(-pointPos), '0');
        pointPos = 0;
    }
    if (static_cast<int>(digits.size()) < pointPos + decimals + 1)
        digits.append(static_cast<std::size_t>(pointPos + decimals + 1 - static_cast<int>(digits.size())), '0');
    const std::size_t keep = static_cast<std::size_t>(pointPos + decimals);
    const bool roundUp = digits[keep] >= '5';
    digits.resize(keep);
    if (roundUp) {
        int k = static_cast<int>(keep) - 1;
        while (k >= 0 && digits[static_cast<std::size_t>(k)] == '9') digits[static_cast<std::size_t>(k--)] = '0';
        if (k >= 0) ++digits[static_cast<std::size_t>(k)];
        else { digits.insert(0, 1, '1'); ++pointPos; }
    }
    intDigits = digits.substr(0, static_cast<std::size_t>(pointPos));
    fracDigits = digits.substr(static_cast<std::size_t>(pointPos));
    const auto nz = intDigits.find_first_not_of('0');
    intDigits = nz == std::string::npos ? std::string() : intDigits.substr(nz);
}

}  // namespace

std::string formatMask(double value, std::string_view mask, char decimalSign) {
    if (!std::isfinite(value)) return nonFiniteText(value);
    const MaskShape s = parseMask(mask);
    const int decimals = s.fixedDecimals + s.optionalDecimals;
    std::string intDigits, fracDigits;
    roundDecimal(value, decimals, intDigits, fracDigits);
    while (static_cast<int>(intDigits.size()) < s.minIntegerDigits) intDigits.insert(0, 1, '0');
    // Optional decimals drop their trailing zeros.
    while (static_cast<int>(fracDigits.size()) > s.fixedDecimals && !fracDigits.empty() && fracDigits.back() == '0')
        fracDigits.pop_back();
    std::string text = s.prefix + intDigits;
    if (s.hasPoint && (!fracDigits.empty() || s.fixedDecimals > 0 || s.optionalDecimals == 0)) {
        text += decimalSign;
        text += fracDigits;
    }
    text += s.suffix;
    if (std::signbit(value) && value != 0.0) text.insert(0, 1, '-');
    return text;
}

std::string formatMaskDisplay(double value, std::string_view mask) {
    return formatMask(value, mask, g_displayDecimalSign);
}

std::string formatGeneral(double value, char decimalSign) {
    if (!std::isfinite(value)) return nonFiniteText(value);
    if (value == 0.0) return "0";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", value);
    const std::string s(buf);
    const auto e = s.find('e');
    const int exp10 = std::atoi(s.c_str() + e + 1);
    std::string out;
    if (exp10 < -4 || exp10 >= 15) {
        std::string mant = s.substr(0, e);
        trimFraction(mant);
        char ebuf[16];
        std::snprintf(ebuf, sizeof ebuf, "E%c%02d", exp10 < 0 ? '-' : '+', std::abs(exp10));
        out = mant + ebuf;
    } else {
        std::snprintf(buf, sizeof buf, "%.*f", std::max(0, 14 - exp10), value);
        out = buf;
        if (out.find('.') != std::string::npos) trimFraction(out);
    }
    for (char& c : out) if (c == '.') c = decimalSign;
    return out;
}

std::string formatGeneralDisplay(double value) { return formatGeneral(value, g_displayDecimalSign); }

std::string alignRight(std::string_view text, std::size_t width) {
    // Counted in characters, not bytes, so that names in any script line up.
    const std::size_t chars = characterCount(text);
    if (chars >= width) return std::string(text);
    return std::string(width - chars, ' ') + std::string(text);
}

ColumnLine& ColumnLine::cell(std::string_view text, std::size_t width) {
    std::string field = alignRight(text, width);
    const bool touches = !line_.empty() && line_.back() != ' ' && !field.empty() && field.front() != ' ';
    if (touches) line_ += ' ';
    line_ += field;
    return *this;
}

ColumnLine& ColumnLine::text(std::string_view text) {
    line_ += text;
    return *this;
}

char displayDecimalSign() { return g_displayDecimalSign; }
void setDisplayDecimalSign(char sign) { g_displayDecimalSign = sign; }

std::optional<double> parseNumber(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && std::isspace(static_cast<unsigned char>(text[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) --e;
    if (b == e) return std::nullopt;
    std::string s;
    std::size_t i = b;
    if (text[i] == '+' || text[i] == '-') s += text[i++];
    bool digits = false, point = false;
    for (; i < e; ++i) {
        const char c = text[i];
        if (std::isdigit(static_cast<unsigned char>(c))) { s += c; digits = true; }
        else if ((c == '.' || c == g_displayDecimalSign) && !point) { s += '.'; point = true; }
        else break;
    }
    if (!digits) return std::nullopt;
    if (i < e && (text[i] == 'e' || text[i] == 'E')) {
        s += 'e';
        ++i;
        if (i < e && (text[i] == '+' || text[i] == '-')) s += text[i++];
        bool expDigits = false;
        for (; i < e && std::isdigit(static_cast<unsigned char>(text[i])); ++i) { s += text[i]; expDigits = true; }
        if (!expDigits) return std::nullopt;
    }
    if (i != e) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (!std::isfinite(v) || (errno == ERANGE && std::fabs(v) > 1.0)) return std::nullopt;
    return v;
}
