#include "viewer/model/text_reader.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon::viewer {
namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

}  // namespace

TextReader::TextReader(std::string_view content) : content_(content) {}

TextReader::TextReader(std::FILE* file) : file_(file) {}

int TextReader::get() {
    if (file_) {
        const int c = getc_unlocked(file_);
        if (c == EOF && std::ferror(file_)) readError_ = errno ? errno : EIO;
        return c;
    }
    return pos_ < content_.size() ? static_cast<unsigned char>(content_[pos_++]) : EOF;
}

bool TextReader::fetch() {
    if (haveLine_) return true;
    if (ended_) return false;
    line_.clear();
    col_ = 0;
    bool any = false;
    for (int c; (c = get()) != EOF;) {
        any = true;
        if (c == '\n') break;
        if (c == '\r') {
            // CR LF is one line end; a CR on its own ends the line too.
            const int next = get();
            if (next != '\n' && next != EOF) {
                if (file_) ungetc(next, file_);
                else --pos_;
            }
            break;
        }
        if (line_.size() == kMaxLineLength) {
            overlongLine_ = lineNumber_;
            ended_ = true;
            line_.clear();
            return false;
        }
        line_.push_back(static_cast<char>(c));
    }
    if (!any || readError_) {
        ended_ = true;
        return false;
    }
    haveLine_ = true;
    return true;
}

bool TextReader::atEnd() { return !fetch(); }

std::optional<std::string> TextReader::nextToken(std::size_t* tokenLine) {
    while (fetch()) {
        while (col_ < line_.size() && isSpace(line_[col_])) ++col_;
        if (col_ < line_.size()) {
            const std::size_t begin = col_;
            while (col_ < line_.size() && !isSpace(line_[col_])) ++col_;
            if (tokenLine) *tokenLine = lineNumber_;
            return line_.substr(begin, col_ - begin);
        }
        skipLine();
    }
    if (tokenLine) *tokenLine = lineNumber_;
    return std::nullopt;
}

std::string TextReader::restOfLine() {
    if (!fetch()) return {};
    return col_ < line_.size() ? line_.substr(col_) : std::string();
}

void TextReader::skipLine() {
    if (fetch()) {
        haveLine_ = false;
        ++lineNumber_;
    }
    col_ = 0;
}

std::optional<std::string> TextReader::readLine() {
    if (!fetch()) return std::nullopt;
    std::string rest = restOfLine();
    skipLine();
    return rest;
}

std::optional<std::string> TextReader::peekLine() {
    if (!fetch()) return std::nullopt;
    return restOfLine();
}

FileHandle openRegularFile(const std::string& path, std::string& reason) {
    // Without O_NONBLOCK, opening a FIFO for reading waits for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        reason = std::strerror(errno);
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        reason = S_ISDIR(st.st_mode)                               ? "it is a folder, not a regular file"
                 : S_ISFIFO(st.st_mode)                            ? "it is a pipe, not a regular file"
                 : S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)      ? "it is a device, not a regular file"
                                                                   : "it is not a regular file";
        ::close(fd);
        return nullptr;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    std::FILE* f = ::fdopen(fd, "rb");
    if (!f) {
        reason = std::strerror(errno);
        ::close(fd);
        return nullptr;
    }
    return FileHandle(f);
}

std::vector<std::string> readRecentFileList(const std::string& path) {
    std::vector<std::string> entries;
    std::string reason;
    const FileHandle file = openRegularFile(path, reason);
    if (!file) return entries;
    TextReader r(file.get());
    // The first empty line is dropped by the list's rule; the others name no file
    // and would be dropped as missing files.
    while (auto line = r.readLine())
        if (!line->empty()) entries.push_back(std::move(*line));
    return entries;
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
