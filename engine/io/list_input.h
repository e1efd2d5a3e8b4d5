// List-directed input shared by every engine reader.
//
// A read takes items in order: items are separated by blanks (or tabs), at most
// one comma, or line ends. A line ends at LF, CR LF or a lone CR, so that a file
// written with any of the three conventions reads line by line; one line holds at
// most kMaxLineLength characters, and a longer one fails the read instead of
// growing without bound. A read that needs more items goes on with the next
// lines, passing over blank lines; end_record() drops the rest of the line after
// the last item of a read, so that the next read starts on a new line. Text items
// may be quoted ('...' or "...", a doubled quote stands for one). The end of the
// file and an item that is not what the read asks for are distinct failures.
#pragma once

#include <cstdint>
#include <fstream>
#include <istream>
#include <optional>
#include <string>
#include <string_view>

namespace quillon::engine {

enum class ReadStatus {
    Ok,
    EndOfFile,   // the file ended before the item was found
    BadItem,     // the item is not a number of the kind asked for, or an empty item
    LineTooLong, // the line holds more than kMaxLineLength characters
};

inline constexpr std::size_t kMaxLineLength = 65536;

enum class LineRead { Ok, EndOfFile, TooLong };

// One line without its line end (LF, CR LF or a lone CR). TooLong when more than
// max_length characters come before the line end; the rest is left unread.
LineRead read_text_line(std::istream& in, std::string& line, std::size_t max_length = kMaxLineLength);

class ListReader {
public:
    explicit ListReader(std::istream& in) : in_(in) {}

    ReadStatus read_int(std::int32_t& value);
    ReadStatus read_real(float& value);
    ReadStatus read_text(std::string& value);

    // Drops what is left of the current line: the next read starts on the next line.
    void end_record();
    // True when nothing at all is left to read, not even an empty line.
    bool at_end();
    // Back to the start of the input (the second pass of a two-pass reader).
    void rewind();

    // Number of the line the last item came from (1-based; 0 before the first item).
    std::int64_t line_number() const { return line_number_; }

    // What went wrong in the last failed read, for the line after an error
    // report: "line 12: \"x\" is not a number", "the file ends at line 12", ...
    std::string failure_detail() const;

private:
    // Finds the start of the next item: its raw text (quotes kept) or a failure.
    ReadStatus next_item(std::string& raw);
    LineRead load_line();
    ReadStatus fail(ReadStatus status, const char* what);

    std::istream& in_;
    std::string line_;
    std::size_t pos_ = 0;
    bool have_line_ = false;
    bool comma_allowed_ = false;   // one comma may follow an item as its separator
    std::int64_t line_number_ = 0;
    bool line_too_long_ = false;   // sticky: nothing after an over-long line is read
    ReadStatus last_failure_ = ReadStatus::Ok;
    std::string last_item_;        // the raw text of the last item taken
    const char* last_what_ = "";   // what the failed read asked for
};

// Number parsing of one whole item, as the list reader applies it.
bool parse_int_item(std::string_view item, std::int32_t& value);
bool parse_real_item(std::string_view item, float& value);

// The integer of a fixed-width field: the first `width` characters of the line,
// blanks anywhere ignored, an optional sign in front of the digits; a field of
// blanks only (or a line shorter than the field and blank) reads as 0. Any other
// character, or a value outside 32 bits, fails.
bool read_fixed_int(std::string_view line, std::size_t width, std::int32_t& value);

// Opens a file for reading; false when it cannot be opened or is not a regular
// file: a folder would open, only to fail at the first read; a named pipe or a
// socket would wait for a writer; a device such as /dev/zero never ends. When
// why is given it receives the reason ("No such file or directory", "not a
// regular file (a character device)", ...).
bool open_for_reading(const std::string& path, std::ifstream& in, std::string* why = nullptr);

// Text without trailing blanks.
std::string_view trim_trailing_blanks(std::string_view text);

}  // namespace quillon::engine
