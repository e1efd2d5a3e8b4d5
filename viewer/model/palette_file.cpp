#include "viewer/model/palette_file.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace quillon::viewer {

namespace {

// The names of the colour notation.  Palette files written by other programs
// use these exact spellings, so none may change.
constexpr std::array<ColorName, 52> kColorNames = {{
    {"clBlack", 0x00000000u},
    {"clMaroon", 0x00000080u},
    {"clGreen", 0x00008000u},
    {"clOlive", 0x00008080u},
    {"clNavy", 0x00800000u},
    {"clPurple", 0x00800080u},
    {"clTeal", 0x00808000u},
    {"clGray", 0x00808080u},
    {"clSilver", 0x00C0C0C0u},
    {"clRed", 0x000000FFu},
    {"clLime", 0x0000FF00u},
    {"clYellow", 0x0000FFFFu},
    {"clBlue", 0x00FF0000u},
    {"clFuchsia", 0x00FF00FFu},
    {"clAqua", 0x00FFFF00u},
    {"clWhite", 0x00FFFFFFu},
    {"clMoneyGreen", 0x00C0DCC0u},
    {"clSkyBlue", 0x00F0CAA6u},
    {"clCream", 0x00F0FBFFu},
    {"clMedGray", 0x00A4A0A0u},
    {"clScrollBar", 0xFF000000u},
    {"cl3DDkShadow", 0xFF000015u},
    {"cl3DLight", 0xFF000016u},
    {"clWindow", 0xFF000005u},
    {"clWindowFrame", 0xFF000006u},
    {"clWindowText", 0xFF000008u},
    {"clActiveBorder", 0xFF00000Au},
    {"clActiveCaption", 0xFF000002u},
    {"clAppWorkSpace", 0xFF00000Cu},
    {"clBackground", 0xFF000001u},
    {"clBtnFace", 0xFF00000Fu},
    {"clBtnHighlight", 0xFF000014u},
    {"clBtnShadow", 0xFF000010u},
    {"clBtnText", 0xFF000012u},
    {"clCaptionText", 0xFF000009u},
    {"clDefault", 0x20000000u},
    {"clGradientActiveCaption", 0xFF00001Bu},
    {"clGradientInactiveCaption", 0xFF00001Cu},
    {"clGrayText", 0xFF000011u},
    {"clHighlight", 0xFF00000Du},
    {"clHighlightText", 0xFF00000Eu},
    {"clHotLight", 0xFF00001Au},
    {"clInactiveBorder", 0xFF00000Bu},
    {"clInactiveCaption", 0xFF000003u},
    {"clInactiveCaptionText", 0xFF000013u},
    {"clInfoBk", 0xFF000018u},
    {"clInfoText", 0xFF000017u},
    {"clMenu", 0xFF000004u},
    {"clMenuBar", 0xFF00001Eu},
    {"clMenuHighlight", 0xFF00001Du},
    {"clMenuText", 0xFF000007u},
    {"clNone", 0x1FFFFFFFu},
}};

// A palette line is a name or a number: nothing longer can be a colour.  The
// limit keeps an error message short and bounds what is read of a file.
constexpr std::size_t kMaxLineLength = 255;
// Eleven lines of at most kMaxLineLength characters and their line ends lie
// within this many bytes; more of a file is never read.
constexpr std::size_t kReadLimit = 16 * 1024;

char lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The text of a line as an error message quotes it: at most 40 characters,
// bytes outside printable ASCII shown as '?'.
std::string quoted(std::string_view s) {
    std::string out = "'";
    for (std::size_t i = 0; i < s.size() && i < 40; ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        out += (c >= 0x20 && c < 0x7F) ? char(c) : '?';
    }
    if (s.size() > 40) out += "...";
    return out + "'";
}

std::string where(const std::string& fileName, int line) {
    return fileName + ", line " + std::to_string(line) + ": ";
}

PaletteRead failure(std::string message, int line) {
    PaletteRead r;
    r.line = line;
    r.message = std::move(message);
    return r;
}

}  // namespace

const std::array<ColorName, 52>& colorNames() { return kColorNames; }

std::optional<std::string_view> colorName(ColorValue c) {
    for (const ColorName& n : kColorNames)
        if (n.value == c) return std::string_view(n.name);
    return std::nullopt;
}

std::string colorToText(ColorValue c) {
    if (const auto name = colorName(c)) return std::string(*name);
    char buf[10];
    std::snprintf(buf, sizeof buf, "$%08X", static_cast<unsigned>(c));
    return buf;
}

std::optional<ColorValue> colorFromText(std::string_view text) {
    const std::string_view s = trimBlanks(text);
    if (s.empty()) return std::nullopt;
    for (const ColorName& n : kColorNames)
        if (equalsIgnoringCase(s, n.name)) return n.value;
    if (s.front() == '$') {
        if (s.size() == 1) return std::nullopt;
        std::uint64_t v = 0;
        for (std::size_t i = 1; i < s.size(); ++i) {
            const int d = hexDigit(s[i]);
            if (d < 0) return std::nullopt;
            v = v * 16 + std::uint64_t(d);
            if (v > 0xFFFFFFFFull) return std::nullopt;
        }
        return static_cast<ColorValue>(v);
    }
    // A 32-bit signed decimal integer; a negative one is a colour word with its
    // top bit set (a system colour written as a signed number).
    std::size_t i = 0;
    bool negative = false;
    if (s[i] == '+' || s[i] == '-') {
        negative = s[i] == '-';
        ++i;
    }
    if (i == s.size()) return std::nullopt;
    std::uint64_t v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return std::nullopt;
        v = v * 10 + std::uint64_t(s[i] - '0');
        if (v > 0x80000000ull) return std::nullopt;
    }
    if (!negative && v > 0x7FFFFFFFull) return std::nullopt;
    return static_cast<ColorValue>(negative ? (0x100000000ull - v) & 0xFFFFFFFFull : v);
}

std::string formatPalette(const PaletteColors& colors) {
    std::string out;
    for (const ColorValue c : colors) out += colorToText(c) + "\r\n";
    return out;
}

PaletteRead parsePalette(std::string_view text, const std::string& fileName) {
    PaletteRead result;
    std::size_t pos = 0;
    for (int k = 0; k < kPaletteSize; ++k) {
        const int line = k + 1;
        if (pos >= text.size())
            return failure(where(fileName, line) + "the file ends here; a palette file has " +
                               std::to_string(kPaletteSize) + " lines, one colour per class.",
                           line);
        std::size_t end = pos;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r') ++end;
        const std::string_view content = text.substr(pos, end - pos);
        if (content.size() > kMaxLineLength)
            return failure(where(fileName, line) + "the line is too long to be a colour.", line);
        const auto value = colorFromText(content);
        if (!value) {
            if (trimBlanks(content).empty())
                return failure(where(fileName, line) + "empty line where a colour was expected.", line);
            return failure(where(fileName, line) + quoted(content) +
                               " is neither a colour name nor an integer.",
                           line);
        }
        result.colors[size_t(k)] = *value;
        // CR LF, LF and a lone CR each end one line.
        pos = end;
        if (pos < text.size() && text[pos] == '\r') ++pos;
        if (pos < text.size() && text[pos] == '\n') ++pos;
    }
    result.ok = true;
    return result;
}

PaletteRead readPaletteFile(const std::string& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::not_found)
        return failure(path + ": the file does not exist.", 0);
    if (ec) return failure(path + ": " + ec.message() + ".", 0);
    if (!std::filesystem::is_regular_file(status)) return failure(path + ": not a regular file.", 0);
    std::ifstream in(path, std::ios::binary);
    if (!in) return failure(path + ": the file cannot be opened.", 0);
    std::string text(kReadLimit, '\0');
    in.read(text.data(), std::streamsize(text.size()));
    if (in.bad()) return failure(path + ": the file cannot be read.", 0);
    text.resize(std::size_t(in.gcount()));
    return parsePalette(text, path);
}

std::string withPaletteExtension(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.find_last_of('.');
    // A dot that begins the file name (".hidden") starts no extension.
    if (dot == std::string::npos || dot < nameStart || dot == nameStart) return path + ".pal";
    return path.substr(0, dot) + ".pal";
}

}  // namespace quillon::viewer
