#pragma once
// Number formatting with the program's masks ("0.0000", "###0.000000",
// " 0.0000", "###0.00") and fixed-width right alignment, plus the
// program's reading of user-typed numbers.
//
// Files always use "." as the decimal sign; lists and labels on screen use
// the display decimal sign, which follows the locale and is injectable so
// that tests run with ".".

#include <optional>
#include <string>
#include <string_view>

// Formats `value` with a numeric mask:
// - literal characters before the first digit placeholder (leading blanks
//   included) are written as they stand;
// - "0" always writes a digit, "#" only where the number has one;
// - decimals are rounded to the mask's count, halves away from zero, on the
//   value's 15-significant-digit decimal form (1.03125 -> "1.0313");
// - a negative number gets its minus sign in front of the whole text.
std::string formatMask(double value, std::string_view mask, char decimalSign = '.');

// The same with the display decimal sign, for lists and labels.
std::string formatMaskDisplay(double value, std::string_view mask);

// The default conversion of a double to text: at most 15 significant digits,
// no trailing zeros, "1E-08" style exponents for very small or large values.
std::string formatGeneral(double value, char decimalSign = '.');
std::string formatGeneralDisplay(double value);

// Pads `text` with blanks on the left to `width` characters (UTF-8 counted
// by characters, not bytes); a longer text stays whole.
std::string alignRight(std::string_view text, std::size_t width);

// One line of a table whose values stand right-aligned in fields of fixed
// width. A value that fills its field, or is wider and pushes the rest of
// the line right, would run into the value before it ("-3179.6365000000.00"):
// it then gets one blank before it, so that a reader can still split the
// line. Values that leave room in their fields stand exactly as
// alignRight places them.
class ColumnLine {
public:
    // `text` right-aligned in a field of `width` characters.
    ColumnLine& cell(std::string_view text, std::size_t width);
    // `text` as it stands, joined to what comes before it: the parts of a
    // value written together, such as "(" and ")" around a second value.
    ColumnLine& text(std::string_view text);
    std::string str() const { return line_; }

private:
    std::string line_;
};

// The display decimal sign used by the *Display functions (default ".").
char displayDecimalSign();
void setDisplayDecimalSign(char sign);

// Reads a number typed by the user: optional blanks, sign, digits with at
// most one decimal sign ("." or the display sign), optional exponent.
// Text that would read as infinity or NaN ("inf", "nan", "1e400") and empty
// text are not numeric.
std::optional<double> parseNumber(std::string_view text);
inline bool isNumeric(std::string_view text) { return parseNumber(text).has_value(); }
