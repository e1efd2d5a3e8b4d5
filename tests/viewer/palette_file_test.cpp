// Palette files and the colour notation: writing names and hexadecimal values,
// reading names in any case, decimal and "$" hexadecimal, the line count, and
// errors that name the file and the line.
#include "viewer/model/palette_file.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tests/viewer/temp_dir.h"

using namespace quillon::viewer;
using quillon::viewer::testing::Lines;
using quillon::viewer::testing::TempDir;

namespace {

// The palette of the stereonet plot as the main window starts with it.
constexpr PaletteColors kDefaultPalette = {16711800u, 16204358u, 16084526u, 13413708u, 8113170u, 1888374u,
                                           1824450u,  713197u,   1095154u,  1009397u,  1179885u};

std::string ElevenLines(const std::string& first = "clRed") {
    return Lines({first, "1", "2", "3", "4", "5", "6", "7", "8", "9", "10"});
}

TEST(PaletteFile, DefaultPaletteIsWrittenAsElevenHexadecimalLines) {
    EXPECT_EQ(formatPalette(kDefaultPalette),
              Lines({"$00FF0078", "$00F74246", "$00F56E2E", "$00CCAD4C", "$007BCC12", "$001CD076", "$001BD6C2",
                     "$000AE1ED", "$0010B5F2", "$000F66F5", "$001200ED"}));
}

TEST(PaletteFile, ValuesWithANameAreWrittenByName) {
    const struct {
        ColorValue value;
        const char* text;
    } cases[] = {
        {0x00FFFFFFu, "clWhite"},   {0x00000000u, "clBlack"},       {0x000000FFu, "clRed"},
        {0xFF00000Fu, "clBtnFace"}, {0x1FFFFFFFu, "clNone"},        {0x20000000u, "clDefault"},
        {0xFF000000u, "clScrollBar"}, {0x00C0DCC0u, "clMoneyGreen"}, {0x00000001u, "$00000001"},
        {0xFF000019u, "$FF000019"}, {0xFFFFFFFFu, "$FFFFFFFF"},
    };
    for (const auto& c : cases) EXPECT_EQ(colorToText(c.value), c.text) << std::hex << c.value;
}

TEST(PaletteFile, EveryNameHasOneValueAndReadsBackToIt) {
    std::set<ColorValue> values;
    std::set<std::string> names;
    for (const ColorName& n : colorNames()) {
        EXPECT_TRUE(values.insert(n.value).second) << n.name << " repeats a value";
        EXPECT_TRUE(names.insert(n.name).second) << n.name << " repeats";
        EXPECT_EQ(colorToText(n.value), n.name);
        EXPECT_EQ(colorFromText(n.name), n.value) << n.name;
    }
    EXPECT_EQ(names.size(), 52u);
}

TEST(PaletteFile, ReadsNamesInAnyCaseDecimalAndHexadecimal) {
    const struct {
        const char* text;
        ColorValue value;
    } cases[] = {
        {"clRed", 0x000000FFu},       {"CLRED", 0x000000FFu},       {"clred", 0x000000FFu},
        {"255", 0x000000FFu},         {"$000000FF", 0x000000FFu},   {"$ff", 0x000000FFu},
        {"cl3ddkshadow", 0xFF000015u}, {"$FF00000F", 0xFF00000Fu},  {"0", 0u},
        {"+16711800", 16711800u},     {"-16777201", 0xFF00000Fu},   {"2147483647", 0x7FFFFFFFu},
        {"-2147483648", 0x80000000u}, {"$FFFFFFFF", 0xFFFFFFFFu},   {" clWhite\t", 0x00FFFFFFu},
        {"$00000000000A", 0x0000000Au},
    };
    for (const auto& c : cases) EXPECT_EQ(colorFromText(c.text), c.value) << c.text;
}

TEST(PaletteFile, RejectsWhatIsNeitherNameNorInteger) {
    for (const char* text : {"", "   ", "clRedd", "cl Red", "red", "$", "$1G", "0x10", "12a", "1.5", "-", "+",
                             "2147483648", "-2147483649", "$100000000", "99999999999999999999"})
        EXPECT_FALSE(colorFromText(text).has_value()) << "'" << text << "'";
}

TEST(PaletteFile, TwelveOrMoreLinesLoadTheFirstEleven) {
    for (const std::string& tail : {std::string("clBlue\r\n"), std::string("junk\r\nmore junk\r\n")}) {
        const PaletteRead r = parsePalette(ElevenLines() + tail, "p.pal");
        ASSERT_TRUE(r.ok) << r.message;
        EXPECT_EQ(r.colors[0], 0x000000FFu);
        for (int k = 1; k <= 10; ++k) EXPECT_EQ(r.colors[size_t(k)], ColorValue(k));
    }
}

TEST(PaletteFile, LineEndsOfAnyKindAndNoneAfterTheLastLine) {
    std::string lf = ElevenLines();
    std::string cr = lf, bare = lf;
    for (std::size_t p; (p = lf.find("\r\n")) != std::string::npos;) lf.replace(p, 2, "\n");
    for (std::size_t p; (p = cr.find("\r\n")) != std::string::npos;) cr.replace(p, 2, "\r");
    bare.resize(bare.size() - 2);
    for (const std::string& text : {lf, cr, bare}) {
        const PaletteRead r = parsePalette(text, "p.pal");
        ASSERT_TRUE(r.ok) << r.message;
        EXPECT_EQ(r.colors[10], 10u);
    }
}

TEST(PaletteFile, ErrorsNameTheFileAndTheLine) {
    const std::string ten = Lines({"clRed", "1", "2", "3", "4", "5", "6", "7", "8", "9"});
    const struct {
        std::string text;
        int line;
        const char* says;
    } cases[] = {
        {ten, 11, "the file ends here"},
        {"", 1, "the file ends here"},
        {Lines({"clRed", "1", "green", "3"}), 3, "'green' is neither a colour name nor an integer"},
        {Lines({"clRed", "", "2"}), 2, "empty line"},
        {Lines({"clRed", "1", "2", "3", "4", "5", "6", "7", "8", "9", std::string(300, '7')}), 11, "too long"},
        {std::string("clRed\r\n\x01\xff\r\n"), 2, "'?" "?' is neither"},
    };
    for (const auto& c : cases) {
        const PaletteRead r = parsePalette(c.text, "/home/u/mine.pal");
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.line, c.line);
        EXPECT_NE(r.message.find("/home/u/mine.pal, line " + std::to_string(c.line) + ": "), std::string::npos)
            << r.message;
        EXPECT_NE(r.message.find(c.says), std::string::npos) << r.message;
    }
}

TEST(PaletteFile, ReadsAFileAndRefusesWhatIsNoRegularFile) {
    TempDir dir;
    const std::string path = dir.Write("mine.txt", formatPalette(kDefaultPalette) + "extra\r\n");
    const PaletteRead r = readPaletteFile(path);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.colors, kDefaultPalette);

    const PaletteRead missing = readPaletteFile(dir.Path("none.pal"));
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.message.find(dir.Path("none.pal")), std::string::npos) << missing.message;
    const PaletteRead folder = readPaletteFile(dir.Dir());
    EXPECT_FALSE(folder.ok);
    EXPECT_NE(folder.message.find("not a regular file"), std::string::npos) << folder.message;

    const PaletteRead bad = readPaletteFile(dir.Write("bad.pal", Lines({"clRed", "x"})));
    EXPECT_FALSE(bad.ok);
    EXPECT_NE(bad.message.find(dir.Path("bad.pal") + ", line 2: "), std::string::npos) << bad.message;
}

TEST(PaletteFile, AHugeFileIsReadOnlyAsFarAsItsElevenLines) {
    TempDir dir;
    // Eleven good lines, then 4 MiB on one line: loaded from the first lines.
    const PaletteRead good = readPaletteFile(dir.Write("big.pal", ElevenLines() + std::string(4 << 20, 'x')));
    ASSERT_TRUE(good.ok) << good.message;
    // One line of 4 MiB: refused as too long, not read whole.
    const PaletteRead bad = readPaletteFile(dir.Write("one.pal", std::string(4 << 20, '1')));
    EXPECT_FALSE(bad.ok);
    EXPECT_EQ(bad.line, 1);
}

TEST(PaletteFile, SavedNamesGetThePalExtension) {
    const struct {
        const char* chosen;
        const char* saved;
    } cases[] = {
        {"/d/mine.txt", "/d/mine.pal"}, {"/d/mine", "/d/mine.pal"},       {"/d/mine.pal", "/d/mine.pal"},
        {"/d/a.b/mine", "/d/a.b/mine.pal"}, {"/d/mine.", "/d/mine.pal"}, {"/d/.hidden", "/d/.hidden.pal"},
        {"/d/x.tar.gz", "/d/x.tar.pal"}, {"C:\\d.x\\mine", "C:\\d.x\\mine.pal"},
    };
    for (const auto& c : cases) EXPECT_EQ(withPaletteExtension(c.chosen), c.saved) << c.chosen;
}

TEST(PaletteFile, WrittenPaletteReadsBackUnchanged) {
    const PaletteColors colors = {0u, 0xFFFFFFu, 0xFF00000Fu, 0x1FFFFFFFu, 0x20000000u, 0x123456u,
                                  0xFF0000FFu, 0x80000000u, 0xFFu, 0xABCDEFu, 0xFF00001Eu};
    const PaletteRead r = parsePalette(formatPalette(colors), "p.pal");
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.colors, colors);
}

}  // namespace
