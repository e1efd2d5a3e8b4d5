// Fatal errors of the engine. Every routine that cannot go on throws ErrorStop
// through error_stop(); the driver catches it once, after unwinding has released
// the run's tables and closed its files, and prints the report.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quillon::engine {

// The report keeps the routine's fixed message; detail, when there is one, says
// which file or path and why (the file's real line, the offending item, the
// system's reason) and is written on a line of its own after the message.
class ErrorStop : public std::runtime_error {
public:
    ErrorStop(std::string routine, std::string message, std::optional<std::int32_t> line,
              std::string detail = {})
        : std::runtime_error(routine + ": " + message),
          routine_(std::move(routine)), message_(std::move(message)), line_(line),
          detail_(std::move(detail)) {}

    const std::string& routine() const { return routine_; }
    const std::string& message() const { return message_; }
    const std::optional<std::int32_t>& line() const { return line_; }
    const std::string& detail() const { return detail_; }

private:
    std::string routine_;
    std::string message_;
    std::optional<std::int32_t> line_;
    std::string detail_;
};

[[noreturn]] inline void error_stop(std::string_view routine, std::string_view message,
                                    std::optional<std::int32_t> line = std::nullopt,
                                    std::string_view detail = {}) {
    throw ErrorStop(std::string(routine), std::string(message), line, std::string(detail));
}

}  // namespace quillon::engine

namespace quillon::engine {

// An orderly stop that is not an error_stop report: the lines that explain it
// have already been written. wait_for_line: the user must answer one input
// line first (interactive mode only). failure: a batch run exits non-zero.
class ProgramStop : public std::exception {
public:
    ProgramStop(bool wait_for_line, bool failure) : wait_for_line_(wait_for_line), failure_(failure) {}
    const char* what() const noexcept override { return "program stop"; }
    bool wait_for_line() const { return wait_for_line_; }
    bool failure() const { return failure_; }

private:
    bool wait_for_line_;
    bool failure_;
};

}  // namespace quillon::engine
