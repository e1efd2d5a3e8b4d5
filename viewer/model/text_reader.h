// Line- and token-wise reading of the viewer's text inputs (CGP grids, result files,
// the recent-file list).
//
// Lines end with LF, CR LF or a lone CR, so files written on Windows, on Linux and on
// old Macintosh systems read the same.  A token is the next item after white space
// (blanks, tabs, line ends); it ends at the next white space, so a comma is part of an
// item and "1,2" is one item that is not a number.  Reading a token may pass over line
// ends; reading a line takes what is left of the current line.
//
// Input is read line by line as it is asked for, so a reader never holds more than one
// line; a line longer than kMaxLineLength ends the input there and is reported by
// overlongLine().
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::viewer {

// The longest line a reader accepts, line end excluded.
inline constexpr std::size_t kMaxLineLength = 64 * 1024;

class TextReader {
public:
    // Reads `content`, which must outlive the reader.
    explicit TextReader(std::string_view content);
    // Reads an open file from its current position; the file stays the caller's.
    explicit TextReader(std::FILE* file);

    bool atEnd();
    // 1-based number of the current line (one past the last line at the end).
    std::size_t lineNumber() const { return lineNumber_; }
    // The number of a line longer than kMaxLineLength, once reading reached it; 0 otherwise.
    std::size_t overlongLine() const { return overlongLine_; }
    // The file could not be read on (an input error of the system); 0 otherwise.
    int readError() const { return readError_; }

    // The next token, or nothing at the end of the input.  `tokenLine` receives the
    // 1-based line the token (or the end) was found on.
    std::optional<std::string> nextToken(std::size_t* tokenLine = nullptr);
    // Everything from the current position to the end of the line, leading blanks
    // included; the position stays on this line.
    std::string restOfLine();
    // Drops what is left of the current line.
    void skipLine();
    // The rest of the current line, then moves to the next; nothing at the end.
    std::optional<std::string> readLine();
    // The rest of the current line without moving; nothing at the end.
    std::optional<std::string> peekLine();

private:
    // Makes a line current unless the input is exhausted; false at the end.
    bool fetch();
    int get();

    std::string_view content_;
    std::size_t pos_ = 0;
    std::FILE* file_ = nullptr;

    std::string line_;
    bool haveLine_ = false;
    bool ended_ = false;
    std::size_t col_ = 0;
    std::size_t lineNumber_ = 1;
    std::size_t overlongLine_ = 0;
    int readError_ = 0;
};

// Closes the file it holds.
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Opens `path` for reading when it is a regular file (following links).  A folder, a
// pipe, a socket or a device is refused without waiting on it (a FIFO is opened
// without blocking and then refused), with the reason in `reason`.
FileHandle openRegularFile(const std::string& path, std::string& reason);

// The recent-file list at `path`: one path per line, most recent first.  The first
// empty line, if any, is dropped, as are all further empty lines; reading stops at a
// line longer than kMaxLineLength.  Nothing when `path` is not a regular file (a FIFO
// or a device is never waited on or read).  Whether the files named still exist is
// the caller's question.
std::vector<std::string> readRecentFileList(const std::string& path);

// Strict number parsing of one item.
std::optional<std::int32_t> parseIntegerToken(std::string_view s);
std::optional<double> parseRealToken(std::string_view s);  // finite values only
// A whole line holding an optionally signed integer, optionally preceded by blanks,
// and nothing else (a trailing blank makes it invalid).
std::optional<std::int32_t> parseWholeLineInteger(std::string_view line);

}  // namespace quillon::viewer
