// Palette files (".pal") and the colour notation they are written in.
//
// A palette holds the eleven colours of the stress-ratio classes 0 to 10.  Its
// file is plain text, one colour per line, class 0 first, CR LF line ends, no
// header.  A colour is written as its name when the value has one ("clRed",
// "clBtnFace", ...) and otherwise as "$" and 8 upper-case hexadecimal digits
// ($00BBGGRR for a plain colour).  Reading accepts a name in any letter case, a
// decimal integer or "$" and hexadecimal digits.
//
// Colour values: red in bits 0-7, green 8-15, blue 16-23; a top byte of FF
// names a system colour of the desktop by its index in the low byte.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "viewer/model/fault_data.h"

namespace quillon::viewer {

// The palette of the eleven stress-ratio classes, index = class.
using PaletteColors = std::array<ColorValue, 11>;
inline constexpr int kPaletteSize = 11;

// The remembered palette: the last palette taken with OK, kept in the program
// directory beside prevfiles.txt and read at the next start.
inline constexpr const char* kRememberedPaletteName = "prevpalette.pal";

// True for a value whose top byte is FF: a system colour of the desktop.
constexpr bool isSystemColor(ColorValue c) { return (c >> 24) == 0xFFu; }

// A colour's name and value, as the colour notation knows them.
struct ColorName {
    const char* name;
    ColorValue value;
};
// All 52 names of the notation, each value exactly once.
const std::array<ColorName, 52>& colorNames();

// The name of `c`, or nothing when the value has none.
std::optional<std::string_view> colorName(ColorValue c);
// `c` as a palette file writes it: its name, else "$" and 8 upper-case hex digits.
std::string colorToText(ColorValue c);
// A colour from the text of one line: a name (any letter case), a decimal
// integer (32 bits; a negative value is taken as its two's complement) or "$"
// and hexadecimal digits of a value below 2^32.  Blanks and tabs around the
// text are ignored.  Nothing for anything else, the empty text included.
std::optional<ColorValue> colorFromText(std::string_view text);

// The text of a palette file: the eleven colours one per line, CR LF ends.
std::string formatPalette(const PaletteColors& colors);

struct PaletteRead {
    bool ok = false;
    PaletteColors colors{};
    int line = 0;          // 1-based line of the error; 0 when no line is at fault
    std::string message;   // the error, naming the file and the line
};

// Reads the first eleven lines of `text` (CR LF, LF or a lone CR end a line;
// anything after line 11 is ignored).  `fileName` is the name errors give.
PaletteRead parsePalette(std::string_view text, const std::string& fileName);
// Reads the palette file at `path` (a regular file; only its beginning is read,
// where the eleven lines must be).
PaletteRead readPaletteFile(const std::string& path);

// The name a palette is saved under: `path` with its extension replaced by
// ".pal", or with ".pal" appended when its file name has none.
std::string withPaletteExtension(const std::string& path);

}  // namespace quillon::viewer
