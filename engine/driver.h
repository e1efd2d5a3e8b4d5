// The engine's driver: banner, home directory, the two file choices (console
// prompts standing in for the file dialogs), the existence checks, the class and
// k questions, the run, and the closing lines. Stops that end the program are
// thrown (ProgramStop, ErrorStop) and reported by main.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/console.h"
#include "engine/core/runs.h"
#include "engine/error_stop.h"

namespace quillon::engine {

// Answers given on the command line (batch mode); what is missing is asked for.
struct DriverInputs {
    std::optional<std::string> data_path;
    std::optional<std::string> result_path;
    std::optional<int> data_class;
    std::optional<int> k;
    bool overwrite = false;
    RunOptions run_options;
    bool batch = false;   // any option given: nothing pauses, every failure exits non-zero
};

inline constexpr std::size_t kPathLength = 300;        // paths are cut at 300 characters
inline constexpr std::size_t kHomeDirectoryLength = 255;

// The ten 75-column lines of the banner box.
std::vector<std::string> banner_lines();

// A path as a file dialog returns it: blanks around it dropped, ".txt" added to a
// name without extension, made absolute against the home directory. A path over
// 300 characters is not cut (it would name another file): the driver refuses it.
std::string dialog_path(std::string_view answer, const std::string& home_directory);

// The whole dialog and the run; returns normally after the closing lines.
void run_driver(Console& console, const DriverInputs& inputs);

// The report of an error_stop: the lines, then (interactive only) the pause.
void report_error_stop(Console& console, const ErrorStop& stop, bool pause);

}  // namespace quillon::engine
