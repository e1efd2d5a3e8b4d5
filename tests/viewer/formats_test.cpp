// Number texts and the token rules of the viewer's readers.
#include <gtest/gtest.h>

#include <string>

#include "viewer/model/number_format.h"
#include "viewer/model/text_reader.h"

namespace quillon::viewer {
namespace {

TEST(FormatFixed, SignificantDigitsAndDecimals) {
    const struct {
        double value;
        int p, d;
        const char* text;
    } cases[] = {
        {359.97, 4, 1, "360.0"},      // 4 significant digits carry into a new integer digit
        {359.94, 4, 1, "359.9"},
        {0.0, 5, 3, "0.000"},
        {1e-5, 5, 3, "0.000"},
        {-1e-5, 5, 3, "0.000"},       // no minus sign on a value that rounds to zero
        {-3.14159, 5, 2, "-3.14"},
        {0.5, 4, 2, "0.50"},
        {0.125, 3, 2, "0.13"},        // an exact half goes away from zero
        {-0.125, 3, 2, "-0.13"},
        {2.675, 10, 2, "2.67"},       // 2.675 is stored just below the half
        {123.45, 4, 1, "123.5"},
        {1234.56, 4, 1, "1235.0"},    // no decimals left within 4 digits: zeros appended
        {89.96, 3, 1, "90.0"},
        {0.123456789, 7, 5, "0.12346"},
        {123.456789, 7, 5, "123.45680"},
        {0.000123456, 4, 3, "0.000"},
        {7.0, 5, 3, "7.000"},
        {30.0, 5, 2, "30.00"},
        {12345.6, 4, 1, "1.235E+04"}, // integer part longer than P digits
        {-99999.0, 3, 1, "-1E+05"},
        {99999.0, 5, 1, "99999.0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatFixed(c.value, c.p, c.d), c.text) << c.value << " f(" << c.p << "," << c.d << ")";
}

TEST(FormatFixed, SinglePrecisionInputs) {
    // The windows pass single-precision values; their binary value decides.
    EXPECT_EQ(formatFixed(359.97f, 4, 1), "360.0");
    EXPECT_EQ(formatFixed(0.45f, 3, 2), "0.45");
    EXPECT_EQ(formatFixed(2.12132034f, 10, 2), "2.12");
}

TEST(FormatDecimals, WidthAndRounding) {
    EXPECT_EQ(formatDecimals(0.45f, 4, 6), "0.4500");
    EXPECT_EQ(formatDecimals(1.0, 4, 6), "1.0000");
    EXPECT_EQ(formatDecimals(0.5, 1, 5), "  0.5");
    EXPECT_EQ(formatDecimals(-0.00004, 4, 6), "0.0000");
    EXPECT_EQ(formatDecimals(123456.789, 2), "123456.79");
}

TEST(WholeLineInteger, OnlyAnIntegerAfterOptionalBlanks) {
    const struct {
        const char* line;
        bool valid;
        int value;
    } cases[] = {
        {"3", true, 3},       {"   60000", true, 60000}, {"-7", true, -7}, {"+12", true, 12},
        {"3 ", false, 0},     {"", false, 0},            {"3a", false, 0}, {"\t3", false, 0},
        {"1,2", false, 0},    {"- 3", false, 0},         {"+", false, 0},  {"99999999999", false, 0},
        {"3.0", false, 0},
    };
    for (const auto& c : cases) {
        const auto v = parseWholeLineInteger(c.line);
        EXPECT_EQ(v.has_value(), c.valid) << '"' << c.line << '"';
        if (v && c.valid) {
            EXPECT_EQ(*v, c.value);
        }
    }
}

TEST(Tokens, NumbersAreStrict) {
    EXPECT_EQ(parseIntegerToken("42"), 42);
    EXPECT_EQ(parseIntegerToken("+42"), 42);
    EXPECT_FALSE(parseIntegerToken("+-42"));
    EXPECT_FALSE(parseIntegerToken("4.2"));
    EXPECT_FALSE(parseIntegerToken("2147483648"));
    EXPECT_EQ(parseRealToken("1.5e2"), 150.0);
    EXPECT_EQ(parseRealToken("-.5"), -0.5);
    EXPECT_EQ(parseRealToken("+7"), 7.0);
    for (const char* bad : {"1,5", "120.0,45.0", "nan", "inf", "0x10", "1e", "", "abc", "1e999"})
        EXPECT_FALSE(parseRealToken(bad)) << bad;
}

TEST(TextReader, CommaJoinsItemsAndTokensCrossLineEnds) {
    TextReader r("120.0,45.0 200.0\r\n\r\n  30.0 n  \r\nlast");
    EXPECT_EQ(r.nextToken(), "120.0,45.0");
    EXPECT_EQ(r.nextToken(), "200.0");
    std::size_t line = 0;
    EXPECT_EQ(r.nextToken(&line), "30.0");
    EXPECT_EQ(line, 3u);
    EXPECT_EQ(r.restOfLine(), " n  ");  // leading blanks kept, the CR is not part of it
    r.skipLine();
    EXPECT_EQ(r.readLine(), "last");
    EXPECT_TRUE(r.atEnd());
    EXPECT_FALSE(r.nextToken());
    EXPECT_FALSE(r.readLine());
}

TEST(TextReader, LinuxAndWindowsLineEndsReadTheSame) {
    TextReader lf("  5\nabc\n");
    TextReader crlf("  5\r\nabc\r\n");
    EXPECT_EQ(lf.readLine(), crlf.readLine());
    EXPECT_EQ(lf.readLine(), crlf.readLine());
    EXPECT_TRUE(lf.atEnd());
    EXPECT_TRUE(crlf.atEnd());
}

}  // namespace
}  // namespace quillon::viewer
