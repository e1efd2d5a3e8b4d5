#include "viewer/model/text_reader.h"

#include <charconv>
#include <cmath>

namespace quillon::viewer {
namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

}  // namespace

TextReader::TextReader(std::string_view content) {
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        const bool last = end == std::string_view::npos;
        if (last) end = content.size();
        std::string_view line = content.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines_.push_back(line);
        start = end + 1;
    }
}

std::optional<std::string> TextReader::nextToken(std::size_t* tokenLine) {
    while (line_ < lines_.size()) {
        const std::string_view line = lines_[line_];
        while (col_ < line.size() && isSpace(line[col_])) ++col_;
        if (col_ < line.size()) {
            const std::size_t begin = col_;
            while (col_ < line.size() && !isSpace(line[col_])) ++col_;
            if (tokenLine) *tokenLine = line_ + 1;
            return std::string(line.substr(begin, col_ - begin));
        }
        ++line_;
        col_ = 0;
    }
    if (tokenLine) *tokenLine = line_ + 1;
    return std::nullopt;
}

std::string TextReader::restOfLine() const {
    if (line_ >= lines_.size()) return {};
    const std::string_view line = lines_[line_];
    return col_ < line.size() ? std::string(line.substr(col_)) : std::string();
}

void TextReader::skipLine() {
    if (line_ < lines_.size()) ++line_;
    col_ = 0;
}

std::optional<std::string> TextReader::readLine() {
    if (line_ >= lines_.size()) return std::nullopt;
    std::string rest = restOfLine();
    skipLine();
    return rest;
}

std::optional<std::int32_t> parseIntegerToken(std::string_view s) {
    if (!s.empty() && s.front() == '+') {
        s.remove_prefix(1);
        if (!s.empty() && (s.front() == '-' || s.front() == '+')) return std::nullopt;
    }
    if (s.empty()) return std::nullopt;
    std::int32_t value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return value;
}

std::optional<double> parseRealToken(std::string_view s) {
    if (!s.empty() && s.front() == '+') {
        s.remove_prefix(1);
        if (!s.empty() && (s.front() == '-' || s.front() == '+')) return std::nullopt;
    }
    if (s.empty()) return std::nullopt;
    // Digits, an optional point and exponent only: no "inf", "nan" or hexadecimal.
    for (char c : s)
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
            return std::nullopt;
    double value = 0.0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<std::int32_t> parseWholeLineInteger(std::string_view line) {
    std::size_t i = 0;
    while (i < line.size() && line[i] == ' ') ++i;
    line.remove_prefix(i);
    if (line.empty()) return std::nullopt;
    std::size_t digitsFrom = (line.front() == '+' || line.front() == '-') ? 1 : 0;
    if (digitsFrom == line.size()) return std::nullopt;
    for (std::size_t k = digitsFrom; k < line.size(); ++k)
        if (line[k] < '0' || line[k] > '9') return std::nullopt;
    return parseIntegerToken(line);
}

}  // namespace quillon::viewer
