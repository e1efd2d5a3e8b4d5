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

bool read_text_line(std::istream& in, std::string& line) {
    if (!std::getline(in, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}
}  // namespace

void read_pref_file(const std::string& home_directory, EngineTables& tables) {
    const std::string name = std::string(trim_trailing_blanks(home_directory)) + "/pref.txt";
    std::ifstream in;
    if (!open_for_reading(name, in)) error_stop("read_pref_file", "File 'pref.txt' not found");

    std::string line;
    if (!read_text_line(in, line)) error_stop("read_pref_file", "Invalid pref file");
    if (line.size() > kPathLength) line.resize(kPathLength);
    std::string path = std::string(trim_trailing_blanks(home_directory)) + "/" +
                       std::string(trim_trailing_blanks(line));
    if (path.size() > kPathLength) path.resize(kPathLength);

    std::int32_t threshold = 0;
    if (!read_text_line(in, line) || !read_fixed_int(line, kThresholdColumns, threshold))
        error_stop("read_pref_file", "Invalid pref file");

    tables.cgp_file_path = std::move(path);
    tables.misft_threshold = threshold;
}

}  // namespace quillon::engine
