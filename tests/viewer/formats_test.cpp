// Number texts and the token rules of the viewer's readers.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "temp_dir.h"

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

TEST(TextReader, LoneCrEndsALineFromMemoryAndFromAFile) {
    // CR alone, LF alone and CR LF each end one line; CR CR is two line ends.
    const std::string text = "1\r2\n3\r\n4\r\r6";
    const std::vector<std::string> expected = {"1", "2", "3", "4", "", "6"};
    testing::TempDir dir;
    const std::string path = dir.Write("t.txt", text);
    std::string reason;
    const FileHandle file = openRegularFile(path, reason);
    ASSERT_TRUE(file) << reason;
    TextReader fromMemory(text);
    TextReader fromFile(file.get());
    for (TextReader* r : {&fromMemory, &fromFile}) {
        std::vector<std::string> lines;
        while (auto l = r->readLine()) lines.push_back(*l);
        EXPECT_EQ(lines, expected);
        EXPECT_EQ(r->lineNumber(), 7u);
        EXPECT_EQ(r->overlongLine(), 0u);
    }
}

TEST(TextReader, LinesAreCappedAt64KiB) {
    // A line of exactly 65536 characters is read; one more character ends the
    // input at that line, which overlongLine() names.
    const std::string fits(kMaxLineLength, 'x');
    const std::string text = "a\n" + fits + "\r\n" + fits + "y\nb\n";
    TextReader r(text);
    EXPECT_EQ(r.readLine(), "a");
    EXPECT_EQ(r.readLine(), fits);
    EXPECT_EQ(r.overlongLine(), 0u);
    EXPECT_FALSE(r.readLine());
    EXPECT_EQ(r.overlongLine(), 3u);
    EXPECT_FALSE(r.nextToken());
}

TEST(RecentFileList, RegularFilesOnlyAnyLineEnd) {
    testing::TempDir dir;
    // The first empty line is dropped (and any other: it names no file).
    const std::string list = dir.Write("prevfiles.txt", "\r\n/a/one.ql4\r/b/two.ql4\n\n/c/three.ql4");
    EXPECT_EQ(readRecentFileList(list), (std::vector<std::string>{"/a/one.ql4", "/b/two.ql4", "/c/three.ql4"}));
    // A FIFO is not waited on, a device not read, a folder or a missing file gives nothing.
    const std::string fifo = dir.Path("fifo.txt");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, std::string("/dev/zero"), dir.Dir(), dir.Path("none.txt")}) {
        EXPECT_TRUE(readRecentFileList(path).empty()) << path;
        std::string reason;
        EXPECT_FALSE(openRegularFile(path, reason)) << path;
        EXPECT_FALSE(reason.empty()) << path;
    }
    // Reading stops at an over-long line; the entries before it are kept.
    const std::string longList = dir.Write("long.txt", "/a/one.ql4\n" + std::string(kMaxLineLength + 1, 'z') + "\n/b\n");
    EXPECT_EQ(readRecentFileList(longList), std::vector<std::string>{"/a/one.ql4"});
}

}  // namespace
}  // namespace quillon::viewer
