#include "engine/io/list_input.h"

#include <charconv>
#include <cfloat>
#include <cmath>
#include <filesystem>
#include <limits>

namespace quillon::engine {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_quote(char c) { return c == '\'' || c == '"'; }

}  // namespace

bool ListReader::load_line() {
    if (!std::getline(in_, line_)) return false;
    if (!line_.empty() && line_.back() == '\r') line_.pop_back();
    pos_ = 0;
    have_line_ = true;
    ++line_number_;
    return true;
}

ReadStatus ListReader::next_item(std::string& raw) {
    for (;;) {
        if (!have_line_ && !load_line()) return ReadStatus::EndOfFile;
        while (pos_ < line_.size() && is_blank(line_[pos_])) ++pos_;
        if (pos_ == line_.size()) {
            // A line end separates like a blank; the read goes on with the next line.
            have_line_ = false;
            continue;
        }
        const char c = line_[pos_];
        if (c == ',') {
            if (!comma_allowed_) return ReadStatus::BadItem;  // an empty item between separators
            comma_allowed_ = false;
            ++pos_;
            continue;
        }
        const std::size_t start = pos_;
        if (is_quote(c)) {
            ++pos_;
            for (;;) {
                if (pos_ >= line_.size()) {
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
        comma_allowed_ = true;
        return ReadStatus::Ok;
    }
}

ReadStatus ListReader::read_int(std::int32_t& value) {
    std::string raw;
    const ReadStatus s = next_item(raw);
    if (s != ReadStatus::Ok) return s;
    return parse_int_item(raw, value) ? ReadStatus::Ok : ReadStatus::BadItem;
}

ReadStatus ListReader::read_real(float& value) {
    std::string raw;
    const ReadStatus s = next_item(raw);
    if (s != ReadStatus::Ok) return s;
    return parse_real_item(raw, value) ? ReadStatus::Ok : ReadStatus::BadItem;
}

ReadStatus ListReader::read_text(std::string& value) {
    std::string raw;
    const ReadStatus s = next_item(raw);
    if (s != ReadStatus::Ok) return s;
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
    if (have_line_) return false;
    return in_.peek() == std::char_traits<char>::eof();
}

void ListReader::rewind() {
    in_.clear();
    in_.seekg(0);
    have_line_ = false;
    comma_allowed_ = false;
    line_number_ = 0;
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

bool open_for_reading(const std::string& path, std::ifstream& in) {
    namespace fs = std::filesystem;
    std::error_code ec;
    // A folder would open, only to fail at the first read; a named pipe or a
    // socket would block the open until some other program writes to it.
    const fs::file_status status = fs::status(path, ec);
    if (fs::is_directory(status) || fs::is_fifo(status) || fs::is_socket(status)) return false;
    in.open(path, std::ios::binary);
    return static_cast<bool>(in);
}

std::string_view trim_trailing_blanks(std::string_view text) {
    std::size_t n = text.size();
    while (n > 0 && text[n - 1] == ' ') --n;
    return text.substr(0, n);
}

}  // namespace quillon::engine
