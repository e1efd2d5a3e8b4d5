// pref.txt: line 1 the grid file name relative to the home directory, line 2 the
// misfit threshold as an integer in its first 12 columns.
#include "engine/io/pref_file.h"

#include <fstream>

#include "engine/error_stop.h"
#include "engine/io/list_input.h"

namespace quillon::engine {

namespace {
constexpr std::size_t kPathLength = 300;
constexpr std::size_t kThresholdColumns = 12;

// One line (LF, CR LF or a lone CR ends it); error_stop when there is none or it
// is too long to be a line of this file.
void read_pref_line(std::istream& in, std::string& line, const std::string& name, int number) {
    const LineRead r = read_text_line(in, line);
    if (r == LineRead::Ok) return;
    error_stop("read_pref_file", "Invalid pref file", std::nullopt,
               r == LineRead::TooLong
                   ? name + " line " + std::to_string(number) + ": the line is longer than " +
                         std::to_string(kMaxLineLength) + " characters"
                   : name + ": line " + std::to_string(number) + " is missing");
}
}  // namespace

void read_pref_file(const std::string& home_directory, EngineTables& tables) {
    const std::string name = std::string(trim_trailing_blanks(home_directory)) + "/pref.txt";
    std::ifstream in;
    std::string why;
    if (!open_for_reading(name, in, &why))
        error_stop("read_pref_file", "File 'pref.txt' not found", std::nullopt, name + ": " + why);

    std::string line;
    read_pref_line(in, line, name, 1);
    if (line.size() > kPathLength) line.resize(kPathLength);
    std::string path = std::string(trim_trailing_blanks(home_directory)) + "/" +
                       std::string(trim_trailing_blanks(line));
    if (path.size() > kPathLength) path.resize(kPathLength);

    std::int32_t threshold = 0;
    read_pref_line(in, line, name, 2);
    if (!read_fixed_int(line, kThresholdColumns, threshold))
        error_stop("read_pref_file", "Invalid pref file", std::nullopt,
                   name + " line 2: \"" + line.substr(0, kThresholdColumns) +
                       "\" is not a whole number of degrees in columns 1 to 12");

    tables.cgp_file_path = std::move(path);
    tables.misft_threshold = threshold;
}

}  // namespace quillon::engine
