#include "engine/io/list_input.h"

#include <sys/stat.h>

#include <cerrno>
#include <charconv>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

namespace quillon::engine {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_quote(char c) { return c == '\'' || c == '"'; }

}  // namespace

LineRead read_text_line(std::istream& in, std::string& line, std::size_t max_length) {
    using traits = std::char_traits<char>;
    line.clear();
    std::streambuf* buf = in.rdbuf();
    if (!in.good() || buf == nullptr) {
        in.setstate(std::ios::failbit);
        return LineRead::EndOfFile;
    }
    int c = buf->sbumpc();
    if (c == traits::eof()) {
        in.setstate(std::ios::eofbit | std::ios::failbit);
        return LineRead::EndOfFile;
    }
    for (;;) {
        if (c == traits::eof()) {
            in.setstate(std::ios::eofbit);   // a last line without a line end
            return LineRead::Ok;
        }
        if (c == '\n') return LineRead::Ok;
        if (c == '\r') {
            if (buf->sgetc() == '\n') buf->sbumpc();
            return LineRead::Ok;
        }
        if (line.size() >= max_length) return LineRead::TooLong;
        line.push_back(traits::to_char_type(c));
        c = buf->sbumpc();
    }
}

LineRead ListReader::load_line() {
    const LineRead r = read_text_line(in_, line_);
    if (r == LineRead::EndOfFile) return r;
    ++line_number_;
    pos_ = 0;
    if (r == LineRead::TooLong) {
        line_too_long_ = true;
        return r;
    }
    have_line_ = true;
    return r;
}

ReadStatus ListReader::fail(ReadStatus status, const char* what) {
    last_failure_ = status;
    last_what_ = what;
    return status;
}

std::string ListReader::failure_detail() const {
    const std::string line = "line " + std::to_string(line_number_);
    switch (last_failure_) {
    case ReadStatus::EndOfFile:
        return line_number_ == 0 ? std::string("the file is empty")
                                 : "the file ends at " + line + " before " + last_what_ + " was found";
    case ReadStatus::LineTooLong:
        return line + ": the line is longer than " + std::to_string(kMaxLineLength) + " characters";
    case ReadStatus::BadItem:
        if (last_item_.empty()) return line + ": an empty item between two commas";
        if (is_quote(last_item_.front()) &&
            (last_item_.size() < 2 || last_item_.back() != last_item_.front()))
            return line + ": a quoted text without its closing quote";
        return line + ": \"" + last_item_.substr(0, 40) + (last_item_.size() > 40 ? "..." : "") + "\" is not " +
               last_what_;
    case ReadStatus::Ok:
        break;
    }
    return line;
}

ReadStatus ListReader::next_item(std::string& raw) {
    for (;;) {
        if (line_too_long_) return ReadStatus::LineTooLong;
        if (!have_line_) {
            const LineRead r = load_line();
            if (r == LineRead::EndOfFile) return ReadStatus::EndOfFile;
            if (r == LineRead::TooLong) return ReadStatus::LineTooLong;
        }
        while (pos_ < line_.size() && is_blank(line_[pos_])) ++pos_;
        if (pos_ == line_.size()) {
            // A line end separates like a blank; the read goes on with the next line.
            have_line_ = false;
            continue;
        }
        const char c = line_[pos_];
        if (c == ',') {
            if (!comma_allowed_) {  // an empty item between separators
                last_item_.clear();
                return ReadStatus::BadItem;
            }
            comma_allowed_ = false;
            ++pos_;
            continue;
        }
        const std::size_t start = pos_;
        if (is_quote(c)) {
            ++pos_;
            for (;;) {
                if (pos_ >= line_.size()) {
                    last_item_.assign(line_, start, std::string::npos);
                    pos_ = line_.size();
                    return ReadStatus::BadItem;  // no closing quote on the line
                }
                if (line_[pos_] == c) {
                    if (pos_ + 1 < line_.size() && line_[pos_ + 1] == c) {
                        pos_ += 2;  // a doubled quote stands for one
                        continue;
                    }
                    ++pos_;
                    break;
                }
                ++pos_;
            }
        } else {
            while (pos_ < line_.size() && !is_blank(line_[pos_]) && line_[pos_] != ',') ++pos_;
        }
        raw.assign(line_, start, pos_ - start);
        last_item_ = raw;
        comma_allowed_ = true;
        return ReadStatus::Ok;
    }
}

ReadStatus ListReader::read_int(std::int32_t& value) {
    constexpr const char* what = "an integer";
    std::string raw;
    const ReadStatus s = next_item(raw);
    if (s != ReadStatus::Ok) return fail(s, what);
    return parse_int_item(raw, value) ? ReadStatus::Ok : fail(ReadStatus::BadItem, what);
}

ReadStatus ListReader::read_real(float& value) {
    constexpr const char* what = "a number";
    std::string raw;
    const ReadStatus s = next_item(raw);
    if (s != ReadStatus::Ok) return fail(s, what);
    return parse_real_item(raw, value) ? ReadStatus::Ok : fail(ReadStatus::BadItem, what);
}

ReadStatus ListReader::read_text(std::string& value) {
    std::string raw;
    const ReadStatus s = next_item(raw);
    if (s != ReadStatus::Ok) return fail(s, "a text item");
    if (!raw.empty() && is_quote(raw.front())) {
        const char q = raw.front();
        value.clear();
        for (std::size_t i = 1; i + 1 < raw.size(); ++i) {
            value.push_back(raw[i]);
            if (raw[i] == q) ++i;  // the second quote of a doubled pair
        }
    } else {
        value = raw;
    }
    return ReadStatus::Ok;
}

void ListReader::end_record() {
    have_line_ = false;
    comma_allowed_ = false;
}

bool ListReader::at_end() {
    if (have_line_ || line_too_long_) return false;
    return in_.peek() == std::char_traits<char>::eof();
}

void ListReader::rewind() {
    in_.clear();
    in_.seekg(0);
    have_line_ = false;
    comma_allowed_ = false;
    line_number_ = 0;
    line_too_long_ = false;
    last_failure_ = ReadStatus::Ok;
}

bool parse_int_item(std::string_view item, std::int32_t& value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < item.size() && (item[i] == '+' || item[i] == '-')) negative = item[i++] == '-';
    if (i == item.size()) return false;
    std::int64_t v = 0;
    for (; i < item.size(); ++i) {
        if (!is_digit(item[i])) return false;
        v = v * 10 + (item[i] - '0');
        if (v > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) return false;
    }
    if (negative) v = -v;
    if (v > std::numeric_limits<std::int32_t>::max() || v < std::numeric_limits<std::int32_t>::min())
        return false;
    value = static_cast<std::int32_t>(v);
    return true;
}

bool parse_real_item(std::string_view item, float& value) {
    // [sign] digits [. digits] [exponent] with at least one mantissa digit;
    // exponent letter E or D in either case, then [sign] digits.
    std::string text;
    std::size_t i = 0;
    if (i < item.size() && (item[i] == '+' || item[i] == '-')) {
        if (item[i] == '-') text.push_back('-');
        ++i;
    }
    std::size_t digits = 0;
    while (i < item.size() && is_digit(item[i])) text.push_back(item[i++]), ++digits;
    if (i < item.size() && item[i] == '.') {
        text.push_back(item[i++]);
        while (i < item.size() && is_digit(item[i])) text.push_back(item[i++]), ++digits;
    }
    if (digits == 0) return false;
    if (i < item.size()) {
        const char e = item[i];
        if (e != 'e' && e != 'E' && e != 'd' && e != 'D') return false;
        text.push_back('e');
        ++i;
        if (i < item.size() && (item[i] == '+' || item[i] == '-')) text.push_back(item[i++]);
        std::size_t exp_digits = 0;
        while (i < item.size() && is_digit(item[i])) text.push_back(item[i++]), ++exp_digits;
        if (exp_digits == 0 || i != item.size()) return false;
    }
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (end != text.data() + text.size()) return false;
    if (ec == std::errc::result_out_of_range) {
        // Underflow reads as zero; overflow is not a number a float can hold.
        if (std::fabs(v) > 1.0) return false;
        v = 0;
    } else if (ec != std::errc()) {
        return false;
    }
    if (!std::isfinite(v) || std::fabs(v) > FLT_MAX) return false;
    value = static_cast<float>(v);
    return true;
}

bool read_fixed_int(std::string_view line, std::size_t width, std::int32_t& value) {
    const std::string_view field = line.substr(0, std::min(width, line.size()));
    bool negative = false;
    bool seen_sign = false;
    bool seen_digit = false;
    std::int64_t v = 0;
    for (const char c : field) {
        if (c == ' ' || c == '\t') continue;
        if (c == '+' || c == '-') {
            if (seen_sign || seen_digit) return false;
            seen_sign = true;
            negative = c == '-';
            continue;
        }
        if (!is_digit(c)) return false;
        seen_digit = true;
        v = v * 10 + (c - '0');
        if (v > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) return false;
    }
    if (negative) v = -v;
    if (v > std::numeric_limits<std::int32_t>::max() || v < std::numeric_limits<std::int32_t>::min())
        return false;
    value = static_cast<std::int32_t>(v);
    return true;
}

bool open_for_reading(const std::string& path, std::ifstream& in, std::string* why) {
    const auto refuse = [&](std::string reason) {
        if (why) *why = std::move(reason);
        return false;
    };
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return refuse(std::strerror(errno));
    // Only a regular file has an end that comes: a folder would open, only to fail
    // at the first read; a named pipe or a socket would block the open until some
    // other program writes to it; a device such as /dev/zero never ends.
    if (!S_ISREG(st.st_mode)) {
        const char* kind = S_ISDIR(st.st_mode)    ? "a folder"
                           : S_ISFIFO(st.st_mode) ? "a named pipe"
                           : S_ISSOCK(st.st_mode) ? "a socket"
                           : S_ISCHR(st.st_mode)  ? "a character device"
                           : S_ISBLK(st.st_mode)  ? "a block device"
                                                  : "not a file";
        return refuse(std::string("not a regular file (") + kind + ")");
    }
    errno = 0;
    in.open(path, std::ios::binary);
    if (!in) return refuse(errno != 0 ? std::strerror(errno) : "cannot be opened");
    return true;
}

std::string_view trim_trailing_blanks(std::string_view text) {
    std::size_t n = text.size();
    while (n > 0 && text[n - 1] == ' ') --n;
    return text.substr(0, n);
}

}  // namespace quillon::engine
