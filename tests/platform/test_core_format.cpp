// Number masks, alignment, the default conversion and the reading of
// user-typed numbers.
#include <gtest/gtest.h>

#include "platform/Format.h"

#include <vector>

TEST(FormatMaskTest, Table) {
    struct Case {
        double value;
        const char* mask;
        const char* expected;
    };
    const Case cases[] = {
        {1.03125, "0.0000", "1.0313"},      // a half rounds away from zero
        {-1.03125, "0.0000", "-1.0313"},    // and so does a negative half
        {1.005, "0.00", "1.01"},            // from the 15-digit decimal form, not the binary value
        {2.5, "0", "3"},
        {-2.5, "0", "-3"},
        {0.5, " 0.0000", " 0.5000"},        // literal leading blank
        {-0.5, " 0.0000", "- 0.5000"},      // the minus goes in front of the whole text
        {12.25, " 0.0000", " 12.2500"},
        {1234.5678, "###0.00", "1234.57"},
        {0.001, "###0.00", "0.00"},
        {-0.456, "###0.00", "-0.46"},
        {12345678.9, "###0.000000", "12345678.900000"},
        {3.14159265, "###0.000000", "3.141593"},
        {0.0, "0.0000", "0.0000"},
        {1e-9, "0.0000", "0.0000"},
        {0.99995, "0.0000", "1.0000"},
        {9.99995, "0.0000", "10.0000"},
        {0.123456789, "0.000", "0.123"},
        {1e15, "0.00", "1000000000000000.00"},
        {0.0001234, "0.000000", "0.000123"},
        {7.0, "#0", "7"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.mask) + " " + std::to_string(c.value));
        EXPECT_EQ(formatMask(c.value, c.mask), c.expected);
    }
}

// Every mask the program formats with, each on the cases that tell its
// rules apart: halves (away from zero), carries into a new integer digit,
// negatives (the minus in front of the whole text, literal blanks
// included, also when the value rounds to zero) and values wider than the
// mask's integer placeholders.
TEST(FormatMaskTest, EveryMaskOfTheProgram) {
    struct Case {
        const char* mask;
        double value;
        const char* expected;
    };
    const Case cases[] = {
        {"0", 2.5, "3"},
        {"0", 3.5, "4"},
        {"0", -2.5, "-3"},
        {"0", 1234.49, "1234"},
        {"0", 0.0, "0"},
        {"0", -0.0, "0"},
        {"0", -0.4, "-0"},
        {"0.0", 0.05, "0.1"},
        {"0.0", -0.05, "-0.1"},
        {"0.0", 123.45, "123.5"},
        {"0.0", 9.96, "10.0"},
        {"0.00", 0.005, "0.01"},
        {"0.00", -0.125, "-0.13"},
        {"0.00", 99.995, "100.00"},
        {"0.000", 1e-8, "0.000"},       // a bandwidth of 0 runs at 1E-8
        {"0.000", 2.00000001, "2.000"},
        {"0.000", -0.0005, "-0.001"},
        {"0.0000", 1.23456, "1.2346"},  // the export's worked values
        {"0.0000", -0.5, "-0.5000"},
        {"0.0000", 12.0, "12.0000"},
        {"0.00000000", 0.15865525393146, "0.15865525"},
        {"0.00000000", 0.0, "0.00000000"},
        {"0.00000000", 5e-9, "0.00000001"},
        {"0.00000000", 4.5e-9, "0.00000000"},
        {"0.000000000000", 1.5e-12, "0.000000000002"},
        {"0.000000000000", 0.5, "0.500000000000"},
        {" 0.0000", 0.0, " 0.0000"},
        {" 0.0000", 1.23456, " 1.2346"},
        {" 0.0000", -1.23456, "- 1.2346"},
        {" 0.0000", -0.00004, "- 0.0000"},
        {"  0.0000", 0.5, "  0.5000"},
        {"  0.0000", -0.5, "-  0.5000"},
        {"  0.0000", 10.5, "  10.5000"},
        {"###0.00", 0.0, "0.00"},
        {"###0.00", 12345.678, "12345.68"},
        {"###0.00", -0.004, "-0.00"},
        {"###0.000", -0.0004, "-0.000"},
        {"###0.000", 0.0625, "0.063"},
        {"###0.000", -1234.5675, "-1234.568"},
        {"###0.0000", 2.71828182, "2.7183"},
        {"###0.0000", 0.00005, "0.0001"},
        {"###0.000000", -12.3456785, "-12.345679"},
        {"###0.000000", 510100.6, "510100.600000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.mask + "\" " + std::to_string(c.value));
        EXPECT_EQ(formatMask(c.value, c.mask), c.expected);
    }
}

TEST(FormatMaskTest, LegendLabelWidths) {
    // A negative value with the one-blank mask and a non-negative value with
    // the two-blank mask take the same width, so the legend's labels line up.
    struct Case {
        double value;
        const char* mask;
    };
    const Case cases[] = {{-1.5, " 0.0000"}, {1.5, "  0.0000"}, {-9.99994, " 0.0000"}, {0.0, "  0.0000"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(formatMask(c.value, c.mask).size(), 8u);
    }
    // Row 0 of a score legend: two negative numbers, 22 characters.
    EXPECT_EQ(formatMask(-2.5, " 0.0000") + "   -  " + formatMask(-1.25, " 0.0000"), "- 2.5000   -  - 1.2500");
    // The last row: two non-negative numbers, 22 characters.
    EXPECT_EQ(formatMask(1.25, "  0.0000") + "   -   " + formatMask(3.0, " 0.0000"), "  1.2500   -    3.0000");
}

TEST(FormatMaskTest, RoundedTextReadsBack) {
    // A value rounded through a mask and read back as a number.
    EXPECT_EQ(parseNumber(formatMask(2.345678, "###0.0000")).value_or(-1), 2.3457);
    EXPECT_EQ(parseNumber(formatMask(7.5, "0")).value_or(-1), 8.0);
    EXPECT_EQ(parseNumber(formatMask(-0.4, "0")).value_or(-1), 0.0);
}

TEST(FormatMaskTest, DecimalSign) {
    EXPECT_EQ(formatMask(1.5, "0.00", ','), "1,50");
    EXPECT_EQ(formatMaskDisplay(1.5, "0.00"), "1.50");  // tests run with "."
    setDisplayDecimalSign(',');
    EXPECT_EQ(formatMaskDisplay(1.5, "0.00"), "1,50");
    EXPECT_EQ(formatMask(1.5, "0.00"), "1.50");  // files keep "."
    EXPECT_EQ(formatGeneralDisplay(0.25), "0,25");
    EXPECT_EQ(parseNumber("1,5").value_or(0), 1.5);
    setDisplayDecimalSign('.');
    EXPECT_EQ(displayDecimalSign(), '.');
}

TEST(FormatMaskTest, RightAlignmentInFixedFields) {
    struct Case {
        double value;
        const char* mask;
        std::size_t width;
        const char* expected;
    };
    const Case cases[] = {
        {1.03125, "0.0000", 10, "    1.0313"},
        {-1.03125, "0.0000", 10, "   -1.0313"},
        {123456789.5, "0.0000", 10, "123456789.5000"},  // a longer text stays whole
        {1.0, "0.0000", 6, "1.0000"},
        {1.0, "0.0000", 0, "1.0000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(alignRight(formatMask(c.value, c.mask), c.width), c.expected);
    }
    // A widened field pushes the rest of the line to the right.
    const std::string line = alignRight("123456789012", 10) + alignRight("x", 3);
    EXPECT_EQ(line, "123456789012  x");
}

// A table line keeps every value apart from the one before it: values that
// leave room in their fields stand where alignRight puts them, byte for
// byte; a value that fills its field or is wider gets one blank before it.
TEST(ColumnLineTest, ValuesNeverRunTogether) {
    struct Cell {
        const char* text;
        std::size_t width;  // 0: joined as it stands
    };
    struct Case {
        const char* name;
        std::vector<Cell> cells;
        const char* expected;
    };
    const Case cases[] = {
        {"values that fit", {{"A", 5}, {"1.5", 6}, {"-2.25", 7}}, "    A   1.5  -2.25"},
        {"a value that fills its field", {{"-3179.63", 10}, {"1234567.00", 10}}, "  -3179.63 1234567.00"},
        {"a value wider than its field", {{"-3179.63", 10}, {"65000000.00", 10}, {"71811969.51", 10}},
         "  -3179.63 65000000.00 71811969.51"},
        {"the first value fills its field", {{"Marberg-27012", 13}, {"12.345", 10}}, "Marberg-27012    12.345"},
        {"two names that fill their fields", {{"Marberg-27012", 13}, {"Lower Marberg", 13}},
         "Marberg-27012 Lower Marberg"},
        {"a name that ends in a blank", {{"Wake (N) ", 9}, {"1234.5", 6}}, "Wake (N) 1234.5"},
        {"a name that ends in a letter of another script", {{"Malmö", 5}, {"12.5", 4}}, "Malmö 12.5"},
        {"text joined as it stands", {{"123.4", 5}, {"(2.5)", 0}, {"0.123", 6}}, "123.4(2.5) 0.123"},
        {"a value that fills its field after text", {{"4.5", 5}, {"(12.5)", 0}, {"1.5", 3}}, "  4.5(12.5) 1.5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ColumnLine line;
        for (const Cell& cell : c.cells) {
            if (cell.width == 0) line.text(cell.text);
            else line.cell(cell.text, cell.width);
        }
        EXPECT_EQ(line.str(), c.expected);
    }
}

TEST(FormatGeneralTest, Table) {
    struct Case {
        double value;
        const char* expected;
    };
    const Case cases[] = {
        {0.0, "0"},           {100.0, "100"},     {-2.5, "-2.5"},
        {0.1, "0.1"},         {1.0 / 3.0, "0.333333333333333"},
        {1e-8, "1E-08"},      {0.0001, "0.0001"}, {123456789012345678.0, "1.23456789012346E+17"},
        {0.05, "0.05"},       {2.0 / 3.0, "0.666666666666667"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(formatGeneral(c.value), c.expected);
    }
}

TEST(ParseNumberTest, AcceptsOrdinaryNumbers) {
    struct Case {
        const char* text;
        double value;
    };
    const Case cases[] = {
        {"1.5", 1.5}, {" -2 ", -2.0}, {"+3", 3.0}, {"1e3", 1000.0}, {"2.5E-2", 0.025}, {".5", 0.5}, {"7.", 7.0},
        {"0", 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto v = parseNumber(c.text);
        ASSERT_TRUE(v.has_value());
        EXPECT_EQ(*v, c.value);
        EXPECT_TRUE(isNumeric(c.text));
    }
}

TEST(ParseNumberTest, RejectsWhatIsNotAFiniteNumber) {
    const char* cases[] = {"inf", "-inf", "Infinity", "nan", "NaN", "1e400", "-1e400", "", "   ", "abc", "1.2.3",
                           "1e", "1e+", "0x10", "1 2", "--1", "."};
    for (const char* text : cases) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(parseNumber(text).has_value());
        EXPECT_FALSE(isNumeric(text));
    }
}
