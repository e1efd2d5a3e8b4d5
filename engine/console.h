// The engine's console conventions: every line starts with one blank and ends
// with a line end; a prompt is a line end followed by the text, and the cursor
// waits after it. The streams are injected so that tests can script a session.
#pragma once

#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "engine/io/list_input.h"

namespace quillon::engine {

class Console {
public:
    Console(std::istream& in, std::ostream& out) : in_(in), out_(out) {}

    // " " + text + line end.
    void line(std::string_view text) { out_ << ' ' << text << '\n'; }
    // A line end alone.
    void empty_line() { out_ << '\n'; }
    // Line end + text, no line end after it; flushed so the user sees it.
    void prompt(std::string_view text) { out_ << '\n' << text << std::flush; }
    // Text as it stands (no blank, no line end).
    void raw(std::string_view text) { out_ << text; }
    // Overprinting progress line: return to the start of the console line and write text.
    void progress(std::string_view text) { out_ << '\r' << text << std::flush; }
    void flush() { out_.flush(); }

    // One input line without its line end (LF, CR LF or a lone CR, as in the
    // files the engine reads); nullopt at the end of input. Of a line longer
    // than the readers' limit the first kMaxLineLength characters are kept and
    // the rest is passed over.
    std::optional<std::string> read_line() {
        std::string s;
        const LineRead r = read_text_line(in_, s);
        if (r == LineRead::EndOfFile) return std::nullopt;
        if (r == LineRead::TooLong) {
            std::string rest;
            while (read_text_line(in_, rest) == LineRead::TooLong) {
            }
        }
        return s;
    }

    std::ostream& out() { return out_; }
    std::istream& in() { return in_; }

private:
    std::istream& in_;
    std::ostream& out_;
};

}  // namespace quillon::engine
