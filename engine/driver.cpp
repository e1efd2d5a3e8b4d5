#include "engine/driver.h"

#include <filesystem>
#include <sstream>
#include <system_error>

#include "engine/io/fixed_format.h"
#include "engine/io/list_input.h"
#include "engine/io/pref_file.h"
#include "engine/io/result_file.h"

namespace quillon::engine {

namespace {

constexpr std::size_t kBannerWidth = 75;

std::string banner_text_line(std::string_view text) {
    std::string s(text);
    s.resize(kBannerWidth - 1, ' ');
    return s + "*";
}

std::string trim_blanks(std::string_view s) {
    const auto is_space = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    std::size_t b = 0, e = s.size();
    while (b < e && is_space(s[b])) ++b;
    while (e > b && is_space(s[e - 1])) --e;
    return std::string(s.substr(b, e - b));
}

[[noreturn]] void stop(bool failure = true) { throw ProgramStop(false, failure); }

std::string get_home_directory(Console& console) {
    std::error_code ec;
    const std::string home = std::filesystem::current_path(ec).string();
    if (ec || home.empty() || home.size() > kHomeDirectoryLength) {
        console.line("*** Could'nt get home directory ***");
        console.line("***     Execution terminated    ***");
        stop();
    }
    return home;
}

void cancelled(Console& console) {
    console.line("No data file specified --- Execution terminated.");
    stop();
}

// Open dialog stand-in: an empty answer or the end of input cancels.
std::string select_data_file(Console& console, const std::string& home) {
    console.prompt("  Open data file [Fault Data Files (*.fdt) / Text Files (*.txt) / All Files (*.*)] : ");
    const auto answer = console.read_line();
    if (!answer || trim_blanks(*answer).empty()) cancelled(console);
    return dialog_path(*answer, home);
}

// Save dialog stand-in: proposes the name in the shared buffer (the data path);
// an empty answer takes it, the end of input cancels.
std::string select_result_file(Console& console, const std::string& home, const std::string& proposed) {
    console.prompt("  Save results as [QLN File (*.ql4) / All Files (*.*)] (" + proposed + ") : ");
    const auto answer = console.read_line();
    if (!answer) cancelled(console);
    if (trim_blanks(*answer).empty()) return proposed;
    return dialog_path(*answer, home);
}

bool file_exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec) && !std::filesystem::is_directory(path, ec);
}

// The overwrite answer: the first character of the first item typed, blank
// lines passed over; nothing typed (end of input) is no answer.
char read_overwrite_answer(Console& console) {
    for (;;) {
        const auto line = console.read_line();
        if (!line) return '\0';
        std::istringstream in(*line);
        ListReader reader(in);
        std::string item;
        const ReadStatus s = reader.read_text(item);
        if (s == ReadStatus::EndOfFile) continue;
        if (s != ReadStatus::Ok || item.empty()) return '\0';
        return item.front();
    }
}

// One integer answer from the first 7 columns of the next input line.
int read_integer_answer(Console& console) {
    const auto line = console.read_line();
    if (!line) {
        console.line("  No more input --- Execution terminated.");
        stop();
    }
    std::int32_t value = 0;
    if (!read_fixed_int(*line, 7, value)) {
        console.line("  Invalid input \"" + *line + "\" --- an integer is expected. Execution terminated.");
        stop();
    }
    return value;
}

int ask_class(Console& console) {
    for (;;) {
        console.prompt("  Class of data [1:geological faults / 2:focal mechanisms] = ");
        const int c = read_integer_answer(console);
        if (c == 1 || c == 2) return c;
        console.line("  Error value --- Please input the class of data once again. ");
    }
}

bool k_valid(int data_class, int k) {
    return data_class == 1 ? (k >= 3 && k <= 8) : (k == 4 || k == 5);
}

int ask_k(Console& console, int data_class, std::optional<int> given) {
    if (data_class == 1) console.prompt("  This program uses geological faults.");
    else console.prompt("  This program uses focal mechanisms.");
    console.prompt("  ");
    const char* k_prompt = data_class == 1 ? "  k <3...8> = " : "  k <4 or 5> = ";
    if (given) {
        // An answer given on the command line is echoed after its prompt.
        console.prompt(k_prompt);
        console.raw(std::to_string(*given) + "\n");
        if (k_valid(data_class, *given)) return *given;
        console.line("  Error value --- k = " + std::to_string(*given) + " is not allowed for this class of data (" +
                     (data_class == 1 ? "3 to 8" : "4 or 5") + "). Execution terminated.");
        stop();
    }
    for (;;) {
        console.prompt(k_prompt);
        const int k = read_integer_answer(console);
        if (k_valid(data_class, k)) return k;
        console.line("  Error value --- Please input the value of k once again. ");
    }
}

// A path longer than the engine's 300-character paths would be cut and name
// another file: refused instead, with the path on the line after.
void check_path_length(Console& console, const char* what, const std::string& path) {
    if (path.size() <= kPathLength) return;
    console.line(std::string("  The ") + what + " path is longer than " + std::to_string(kPathLength) +
                 " characters --- Execution aborted.");
    console.line("  " + path);
    stop();
}

bool same_file(const std::string& a, const std::string& b) {
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec) && !ec;
}

// The result replaces its file only at the end of the run, by renaming a new file
// over it: a result that is one of the run's inputs (by file identity: links and
// other spellings of the same path included) would replace that input. The data
// file keeps its own message; the grid named by pref.txt is found by reading
// pref.txt here (a pref.txt that cannot be read is reported by the run).
void check_result_is_no_input(Console& console, const std::string& home, const std::string& data_path,
                              const std::string& result_path) {
    if (same_file(data_path, result_path)) {
        console.line("  The result file is the data file --- Execution aborted.");
        stop();
    }
    std::vector<std::pair<const char*, std::string>> inputs = {
        {"pref.txt", home + "/pref.txt"},
        {"qln_array.txt", home + "/qln_array.txt"},
    };
    try {
        EngineTables settings;
        read_pref_file(home, settings);
        inputs.emplace_back("grid file", settings.cgp_file_path);
    } catch (const ErrorStop&) {
    }
    for (const auto& [what, path] : inputs) {
        if (!same_file(path, result_path)) continue;
        console.line(std::string("  The result file is the ") + what + " of the run --- Execution aborted.");
        console.line("  " + path);
        stop();
    }
}

}  // namespace

std::vector<std::string> banner_lines() {
    const std::string stars = "  " + std::string(kBannerWidth - 2, '*');
    const std::string empty = banner_text_line("  *");
    return {
        stars,
        empty,
        banner_text_line("  *   Quillon"),
        empty,
        banner_text_line("  *   Main Processor, Version 6.02"),
        empty,
        banner_text_line("  *   Stress inversion of fault-slip data and focal mechanisms"),
        banner_text_line("  *   by the votes of k-element data subsets"),
        empty,
        stars,
    };
}

std::string dialog_path(std::string_view answer, const std::string& home_directory) {
    std::string path = trim_blanks(answer);
    const std::size_t slash = path.find_last_of('/');
    const std::string_view name = std::string_view(path).substr(slash == std::string::npos ? 0 : slash + 1);
    if (!name.empty() && name.find('.') == std::string_view::npos) path += ".txt";
    if (path.empty() || path.front() != '/') path = home_directory + "/" + path;
    return path;
}

void run_driver(Console& console, const DriverInputs& inputs) {
    console.empty_line();
    for (const auto& l : banner_lines()) console.line(l);

    const std::string home = get_home_directory(console);

    const std::string data_path =
        inputs.data_path ? dialog_path(*inputs.data_path, home) : select_data_file(console, home);
    const std::string result_path =
        inputs.result_path ? dialog_path(*inputs.result_path, home) : select_result_file(console, home, data_path);

    console.empty_line();
    check_path_length(console, "data file", data_path);
    check_path_length(console, "result file", result_path);
    if (!file_exists(data_path)) {
        console.line("  Data file not exist --- Execution aborted.");
        stop();
    }
    // The save prompt proposes the data path itself; taking it would replace the
    // data by the result.
    check_result_is_no_input(console, home, data_path, result_path);
    std::error_code ec;
    if (std::filesystem::exists(result_path, ec) && !inputs.overwrite) {
        console.line("  File " + std::string(trim_trailing_blanks(result_path)));
        console.line("    already exist.");
        console.raw("   Do you really want to overwrite this file?  < y / n >  ");
        console.flush();
        if (read_overwrite_answer(console) != 'y') {
            console.line(" Execution aborted.");
            stop();
        }
    }

    int data_class = 0;
    if (inputs.data_class) {
        data_class = *inputs.data_class;
        console.prompt("  Class of data [1:geological faults / 2:focal mechanisms] = ");
        console.raw(std::to_string(data_class) + "\n");
        if (data_class != 1 && data_class != 2) {
            console.line("  Error value --- the class of data is 1 or 2. Execution terminated.");
            stop();
        }
    } else {
        data_class = ask_class(console);
    }
    const int k = ask_k(console, data_class, inputs.k);
    // What a killed earlier run left of its temporary result file goes now.
    remove_stale_temporaries(result_path);

    if (data_class == 1) QLN_execute(home, data_path, result_path, k, console, inputs.run_options);
    else QLN_focal_execute(home, data_path, result_path, k, console, inputs.run_options);

    console.line("  Load fault-slip data from the file ");
    console.line("    " + std::string(trim_trailing_blanks(data_path)));
    console.line("  Save results to the file ");
    console.line("    " + std::string(trim_trailing_blanks(result_path)));
}

void report_error_stop(Console& console, const ErrorStop& e, bool pause) {
    console.empty_line();
    console.line("  Error in the subprogram " + std::string(trim_trailing_blanks(e.routine())));
    std::string message = "  " + std::string(trim_trailing_blanks(e.message()));
    if (e.line()) message += fixed_int(*e.line(), 10);
    if (message.size() > 200) message.resize(200);
    console.line(trim_trailing_blanks(message));
    // Which file or path and why, after the fixed message.
    if (!e.detail().empty()) console.line("  " + e.detail());
    console.empty_line();
    console.line("  Execution terminated.");
    if (pause) {
        console.prompt("  Press Enter to end the program. ");
        if (console.read_line()) console.read_line();
    }
    console.flush();
}

}  // namespace quillon::engine
