// The list-directed reader shared by the engine's readers, and the fixed-column
// integer of pref.txt line 2.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "engine/io/list_input.h"

namespace quillon::engine {
namespace {

// One datum as the data reader takes it: four reals and a text item.
struct Datum {
    ReadStatus status = ReadStatus::Ok;
    float v[4] = {};
    std::string text;
};

Datum read_one(ListReader& r) {
    Datum d;
    for (float& x : d.v) {
        d.status = r.read_real(x);
        if (d.status != ReadStatus::Ok) return d;
    }
    d.status = r.read_text(d.text);
    r.end_record();
    return d;
}

struct DatumCase {
    const char* name;
    const char* input;
    float v[4];
    const char* text;
    std::int64_t line;   // line of the last item
};

class ListDatumTest : public ::testing::TestWithParam<DatumCase> {};

TEST_P(ListDatumTest, ReadsFiveItems) {
    const DatumCase& c = GetParam();
    std::istringstream in(c.input);
    ListReader r(in);
    const Datum d = read_one(r);
    ASSERT_EQ(d.status, ReadStatus::Ok);
    for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(d.v[i], c.v[i]) << "item " << i + 1;
    EXPECT_EQ(d.text, c.text);
    EXPECT_EQ(r.line_number(), c.line);
}

INSTANTIATE_TEST_SUITE_P(
    Items, ListDatumTest,
    ::testing::Values(
        DatumCase{"Blanks", "120 45 200 30 N\n", {120, 45, 200, 30}, "N", 1},
        DatumCase{"CommasNoFinalLineEnd", "120,45,200,30,n", {120, 45, 200, 30}, "n", 1},
        DatumCase{"CommasWithBlanks", "120 , 45,  200 ,30 , R", {120, 45, 200, 30}, "R", 1},
        DatumCase{"Tabs", "120\t45\t200\t30\tD\n", {120, 45, 200, 30}, "D", 1},
        DatumCase{"CrLf", "120 45 200 30 S\r\n", {120, 45, 200, 30}, "S", 1},
        DatumCase{"ContinuationOverBlankLines", "120 45\n\n   \n200,\n30 N\n", {120, 45, 200, 30}, "N", 5},
        DatumCase{"CommaBeforeLineEnd", "120, 45,\n200, 30, N\n", {120, 45, 200, 30}, "N", 2},
        DatumCase{"RestOfLineDropped", "1 2 3 4 Normal fault, see note\n", {1, 2, 3, 4}, "Normal", 1},
        DatumCase{"SingleQuoted", "1 2 3 4 'N'\n", {1, 2, 3, 4}, "N", 1},
        DatumCase{"DoubleQuotedWithBlank", "1 2 3 4 \"a b\"\n", {1, 2, 3, 4}, "a b", 1},
        DatumCase{"DoubledQuote", "1 2 3 4 'it''s'\n", {1, 2, 3, 4}, "it's", 1},
        DatumCase{"EmptyQuoted", "1 2 3 4 ''\n", {1, 2, 3, 4}, "", 1},
        DatumCase{"Exponents", "1.5e2 -2.5D-1 +3. .5 x", {150, -0.25f, 3, 0.5f}, "x", 1},
        DatumCase{"ExponentCapitalsAndSign", "1E+1 2d1 3.0E-0 -0 x", {10, 20, 3, 0}, "x", 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ListInput, TheNextReadStartsOnTheNextLine) {
    std::istringstream in("1 2 3 4 N 9 9 9 9 R\n5 6 7 8 S\n");
    ListReader r(in);
    EXPECT_EQ(read_one(r).text, "N");
    const Datum second = read_one(r);
    ASSERT_EQ(second.status, ReadStatus::Ok);
    EXPECT_FLOAT_EQ(second.v[0], 5);
    EXPECT_EQ(second.text, "S");
    EXPECT_TRUE(r.at_end());
}

TEST(ListInput, EndOfFileAndBadItemAreDistinct) {
    {
        std::istringstream in("1 2 3\n");
        ListReader r(in);
        EXPECT_EQ(read_one(r).status, ReadStatus::EndOfFile);
    }
    {
        std::istringstream in("1 2 x 4 N\n");
        ListReader r(in);
        EXPECT_EQ(read_one(r).status, ReadStatus::BadItem);
        EXPECT_EQ(r.line_number(), 1);
    }
    {
        std::istringstream in("");
        ListReader r(in);
        EXPECT_TRUE(r.at_end());
        std::int32_t i = 0;
        EXPECT_EQ(r.read_int(i), ReadStatus::EndOfFile);
    }
}

TEST(ListInput, EmptyItemsBetweenCommasFail) {
    // "1,,2" would silently shift the values after it if the empty item were skipped.
    for (const char* text : {"1,,2 3 4 N", ",1 2 3 4 N", "1 2 3 4,,N", "1 2 3,\n,4 N"}) {
        std::istringstream in(text);
        ListReader r(in);
        EXPECT_EQ(read_one(r).status, ReadStatus::BadItem) << text;
    }
}

TEST(ListInput, UnterminatedQuoteFails) {
    std::istringstream in("'abc\ndef'\n");
    ListReader r(in);
    std::string s;
    EXPECT_EQ(r.read_text(s), ReadStatus::BadItem);
}

TEST(ListInput, AtEndSeesTrailingEmptyLines) {
    struct Case {
        const char* input;
        bool at_end_after_first;
    };
    for (const Case& c : {Case{"1 2 3 4 N\n", true}, Case{"1 2 3 4 N", true}, Case{"1 2 3 4 N\r\n", true},
                          Case{"1 2 3 4 N\n\n", false}, Case{"1 2 3 4 N\n  \n", false}}) {
        std::istringstream in(c.input);
        ListReader r(in);
        ASSERT_EQ(read_one(r).status, ReadStatus::Ok) << c.input;
        EXPECT_EQ(r.at_end(), c.at_end_after_first) << c.input;
    }
}

TEST(ListInput, RewindStartsAgain) {
    std::istringstream in("1 2 3 4 N\n5 6 7 8 R\n");
    ListReader r(in);
    read_one(r);
    read_one(r);
    EXPECT_TRUE(r.at_end());
    r.rewind();
    EXPECT_FALSE(r.at_end());
    const Datum d = read_one(r);
    EXPECT_FLOAT_EQ(d.v[0], 1);
    EXPECT_EQ(r.line_number(), 1);
}

TEST(ListInput, RealItems) {
    struct Case {
        const char* item;
        bool ok;
        float value;
    };
    for (const Case& c : {Case{"0", true, 0}, Case{"-12.5", true, -12.5f}, Case{"7.", true, 7}, Case{".25", true, 0.25f},
                          Case{"1e-50", true, 0}, Case{"3.4e38", true, 3.4e38f}, Case{"1e39", false, 0},
                          Case{"abc", false, 0}, Case{"1.2.3", false, 0}, Case{"1e", false, 0}, Case{"1e+", false, 0},
                          Case{"+", false, 0}, Case{".", false, 0}, Case{"1e5x", false, 0}, Case{"inf", false, 0},
                          Case{"nan", false, 0}, Case{"0x10", false, 0}, Case{"--1", false, 0}, Case{"1 ", false, 0},
                          Case{"'5'", false, 0}}) {
        float v = -1;
        EXPECT_EQ(parse_real_item(c.item, v), c.ok) << c.item;
        if (c.ok) {
            EXPECT_FLOAT_EQ(v, c.value) << c.item;
        }
    }
}

TEST(ListInput, IntegerItems) {
    struct Case {
        const char* item;
        bool ok;
        std::int32_t value;
    };
    for (const Case& c : {Case{"42", true, 42}, Case{"-7", true, -7}, Case{"+3", true, 3}, Case{"007", true, 7},
                          Case{"2147483647", true, 2147483647}, Case{"-2147483648", true, INT32_MIN},
                          Case{"2147483648", false, 0}, Case{"99999999999999999999", false, 0}, Case{"3.5", false, 0},
                          Case{"1e3", false, 0}, Case{"-", false, 0}, Case{"", false, 0}, Case{"12a", false, 0}}) {
        std::int32_t v = -1;
        EXPECT_EQ(parse_int_item(c.item, v), c.ok) << c.item;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.item;
        }
    }
}

TEST(FixedColumnInteger, FirstTwelveColumns) {
    struct Case {
        const char* line;
        bool ok;
        std::int32_t value;
    };
    for (const Case& c : {
             Case{"", true, 0},
             Case{"            ", true, 0},
             Case{"30", true, 30},
             Case{"  3 0", true, 30},               // blanks anywhere are ignored
             Case{"30 word", false, 0},             // letters inside the 12 columns
             Case{"30          word", true, 30},    // ten blanks push the word past column 12
             Case{"30         word", false, 0},     // nine blanks: 'w' is column 12
             Case{"-5", true, -5},
             Case{"+ 7", true, 7},
             Case{"  -  1 2", true, -12},
             Case{"-", true, 0},
             Case{"5-", false, 0},
             Case{"--5", false, 0},
             Case{"+-5", false, 0},
             Case{"1.5", false, 0},
             Case{"\t30", true, 30},
             Case{"000000000030", true, 30},
             Case{"2147483647", true, 2147483647},
             Case{"-2147483648", true, INT32_MIN},
             Case{"2147483648", false, 0},
             Case{"999999999999", false, 0},
             Case{"1234567890129", false, 0},       // the first 12 columns overflow
         }) {
        std::int32_t v = -1;
        EXPECT_EQ(read_fixed_int(c.line, 12, v), c.ok) << '"' << c.line << '"';
        if (c.ok) {
            EXPECT_EQ(v, c.value) << '"' << c.line << '"';
        }
    }
}

TEST(FixedColumnInteger, SevenColumnAnswer) {
    std::int32_t v = -1;
    EXPECT_TRUE(read_fixed_int("      3abc", 7, v));   // column 8 onwards is not read
    EXPECT_EQ(v, 3);
    EXPECT_FALSE(read_fixed_int("3 x", 7, v));
}

}  // namespace
}  // namespace quillon::engine
