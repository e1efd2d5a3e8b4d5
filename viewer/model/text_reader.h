// Line- and token-wise reading of the viewer's text inputs (CGP grids, result files).
//
// Lines end with LF or CR LF (files written on Windows and on Linux read the same).
// A token is the next item after white space (blanks, tabs, line ends); it ends at the
// next white space, so a comma is part of an item and "1,2" is one item that is not a
// number.  Reading a token may pass over line ends; reading a line takes what is left
// of the current line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::viewer {

class TextReader {
public:
    explicit TextReader(std::string_view content);

    bool atEnd() const { return line_ >= lines_.size(); }
    // 1-based number of the current line (one past the last line at the end).
    std::size_t lineNumber() const { return line_ + 1; }

    // The next token, or nothing at the end of the input.  `tokenLine` receives the
    // 1-based line the token (or the end) was found on.
    std::optional<std::string> nextToken(std::size_t* tokenLine = nullptr);
    // Everything from the current position to the end of the line, leading blanks
    // included; the position stays on this line.
    std::string restOfLine() const;
    // Drops what is left of the current line.
    void skipLine();
    // The rest of the current line, then moves to the next; nothing at the end.
    std::optional<std::string> readLine();

private:
    std::vector<std::string_view> lines_;
    std::size_t line_ = 0;
    std::size_t col_ = 0;
};

// Strict number parsing of one item.
std::optional<std::int32_t> parseIntegerToken(std::string_view s);
std::optional<double> parseRealToken(std::string_view s);  // finite values only
// A whole line holding an optionally signed integer, optionally preceded by blanks,
// and nothing else (a trailing blank makes it invalid).
std::optional<std::int32_t> parseWholeLineInteger(std::string_view line);

}  // namespace quillon::viewer
