// The CGP grid of candidate stress states and the misfit score table
// qln_array.txt of the home directory.
#include "engine/io/grid_file.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <new>
#include <string_view>

#include "engine/core/kernels.h"
#include "engine/error_stop.h"
#include "engine/io/fixed_format.h"
#include "engine/io/list_input.h"

namespace quillon::engine {

namespace {

// The shortest possible grid point line is five one-digit numbers and four
// blanks; a file of S bytes cannot hold more than S / 9 + 1 reader.
constexpr std::uintmax_t kShortestGridLine = 9;
constexpr std::uintmax_t kReserveUnknownSize = 65536;
constexpr std::size_t kArrayEntries = 181;
constexpr std::size_t kLabelLength = 40;
constexpr std::size_t kPaddedNameLength = 300;

std::string grid_failure(const std::string& path, const ListReader& reader) {
    const std::string what = reader.failure_detail();
    return path + (what.rfind("line ", 0) == 0 ? " " : ": ") + what;
}

// Every number of a grid point within its range: azimuths 0 to 360, plunges -90
// to 90, Phi 0 to 1 (the reader already refuses what is not a finite number).
// Anything else is a broken grid, and would feed the tensor construction and the
// viewer's tadpole drawing with angles they are not made for.
constexpr struct {
    const char* name;
    float low, high;
} kRange[5] = {{"sigma1 azimuth", 0, 360}, {"sigma1 plunge", -90, 90}, {"sigma3 azimuth", 0, 360},
               {"sigma3 plunge", -90, 90}, {"Phi", 0, 1}};

bool grid_point_in_range(const float (&v)[5]) {
    for (int j = 0; j < 5; ++j) {
        if (!(v[j] >= kRange[j].low && v[j] <= kRange[j].high)) return false;
    }
    return true;
}

void check_grid_point(const float (&v)[5], const std::string& path, const ListReader& reader, std::int32_t i) {
    for (int j = 0; j < 5; ++j) {
        if (v[j] >= kRange[j].low && v[j] <= kRange[j].high) continue;
        char text[128];
        std::snprintf(text, sizeof text, "%s %g is outside %g to %g", kRange[j].name, static_cast<double>(v[j]),
                      static_cast<double>(kRange[j].low), static_cast<double>(kRange[j].high));
        error_stop("read_cgp_file", "Invalid data at the line number", i,
                   path + " line " + std::to_string(reader.line_number()) + ": " + text);
    }
}

// The grid points of a plain grid file, read from memory: after the count
// line, one point per line, five numbers separated by blanks or one comma,
// lines ending in LF or CR LF, every point within its range. Such a file is
// what the list reader would read the same way, number by number (the same
// item parser), only much faster. Anything else (a point spread over several
// lines, quotes, empty items, a lone CR, a long line, a bad or missing
// number, a point out of range) returns false, and the list reader reads the
// file and reports what is wrong, as always. count_line: the line of the count.
bool read_plain_grid(const std::string& path, std::int64_t count_line, std::int32_t n_grid,
                     std::vector<std::array<float, 5>>& points) {
    std::string text;
    try {
        std::ifstream in(path, std::ios::binary);
        if (!in) return false;
        in.seekg(0, std::ios::end);
        const std::streamoff size = in.tellg();
        if (size < 0) return false;
        in.seekg(0, std::ios::beg);
        text.resize(static_cast<std::size_t>(size));
        in.read(text.data(), size);
        if (in.gcount() != size) return false;
        points.resize(static_cast<std::size_t>(n_grid));
    } catch (const std::exception&) {  // no memory for the text or the points
        return false;
    }
    std::size_t pos = 0;
    // The next line without its line end; false at the end of the text.
    auto next_line = [&](std::string_view& line) {
        if (pos >= text.size()) return false;
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        line = std::string_view(text).substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        return line.find('\r') == std::string_view::npos && line.size() <= kMaxLineLength;
    };
    std::string_view line;
    for (std::int64_t l = 0; l < count_line; ++l) {
        if (!next_line(line)) return false;
    }
    for (auto& point : points) {
        if (!next_line(line)) return false;
        std::size_t at = 0;
        bool comma_allowed = false;
        float v[5];
        for (float& x : v) {
            for (;;) {
                while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
                if (at == line.size()) return false;
                if (line[at] != ',') break;
                if (!comma_allowed) return false;
                comma_allowed = false;
                ++at;
            }
            const std::size_t start = at;
            if (line[at] == '\'' || line[at] == '"') return false;
            while (at < line.size() && line[at] != ' ' && line[at] != '\t' && line[at] != ',') ++at;
            if (!parse_real_item(line.substr(start, at - start), x)) return false;
            comma_allowed = true;
        }
        if (!grid_point_in_range(v)) return false;
        std::copy(std::begin(v), std::end(v), point.begin());
    }
    return true;
}

}  // namespace

void read_cgp_file(EngineTables& tables) {
    const std::string& path = tables.cgp_file_path;
    std::ifstream in;
    std::string why;
    if (!open_for_reading(path, in, &why))
        error_stop("read_cgp_file", "CGP file not found", std::nullopt, path + ": " + why);
    ListReader reader(in);

    std::int32_t n_grid = 0;
    if (reader.read_int(n_grid) != ReadStatus::Ok)
        error_stop("read_cgp_file", "Invalid data at the line number", 1, grid_failure(path, reader));
    reader.end_record();

    std::vector<GridState> grid;
    try {
        // Room for what the file can hold: a count larger than the file runs into
        // its end and is reported at the first missing point, instead of asking
        // for memory the file could never fill.
        std::error_code ec;
        const std::uintmax_t size = std::filesystem::file_size(tables.cgp_file_path, ec);
        const std::uintmax_t most = ec ? kReserveUnknownSize : size / kShortestGridLine + 1;
        const std::uintmax_t wanted = n_grid > 0 ? static_cast<std::uintmax_t>(n_grid) : 0;
        grid.reserve(static_cast<std::size_t>(std::min(wanted, most)));
    } catch (const std::bad_alloc&) {
        error_stop("read_cgp_file", "Memory allocation error");
    } catch (const std::length_error&) {
        error_stop("read_cgp_file", "Memory allocation error");
    }

    // A plain file is read from memory; any other goes through the list reader.
    std::vector<std::array<float, 5>> plain;
    const bool read_plain = n_grid > 0 && grid.capacity() >= static_cast<std::size_t>(n_grid) &&
                            read_plain_grid(path, reader.line_number(), n_grid, plain);
    for (const auto& v : plain) {
        if (!read_plain) break;
        GridState g;
        g.tensor = stress_state_tensor(v[0] * kDegToRad, v[1] * kDegToRad, v[2] * kDegToRad, v[3] * kDegToRad, v[4]);
        grid.push_back(g);  // within the capacity reserved above
    }
    for (std::int32_t i = 1; i <= n_grid && !read_plain; ++i) {
        float v[5];
        for (float& x : v) {
            if (reader.read_real(x) != ReadStatus::Ok)
                error_stop("read_cgp_file", "Invalid data at the line number", i, grid_failure(path, reader));
        }
        check_grid_point(v, path, reader, i);
        reader.end_record();
        GridState g;
        g.tensor = stress_state_tensor(v[0] * kDegToRad, v[1] * kDegToRad, v[2] * kDegToRad, v[3] * kDegToRad, v[4]);
        try {
            grid.push_back(g);
        } catch (const std::bad_alloc&) {
            error_stop("read_cgp_file", "Memory allocation error");
        }
    }
    tables.n_grid = n_grid > 0 ? n_grid : 0;
    tables.stress_grid = std::move(grid);
}

std::string read_array_file(const std::string& home_directory, EngineTables& tables, Console& console) {
    const std::string path = std::string(trim_trailing_blanks(home_directory)) + "/qln_array.txt";
    std::ifstream in;
    std::string why;
    if (!open_for_reading(path, in, &why)) {
        std::string name = "qln_array.txt";
        name.resize(kPaddedNameLength, ' ');
        console.line(" *** Error : " + name + " not available.");
        console.line("  " + path + ": " + why);
        throw ProgramStop(true, true);
    }
    ListReader reader(in);

    std::array<std::int32_t, kArrayEntries> entries{};
    std::array<std::int64_t, kArrayEntries> entry_lines{};   // the file's line of each entry
    for (std::size_t i = 0; i < kArrayEntries; ++i) {
        const ReadStatus s = reader.read_int(entries[i]);
        if (s == ReadStatus::EndOfFile) {
            console.line(" *** Error : qln_array.txt ends after " + std::to_string(i) +
                         " of its 181 scores --- Execution terminated.");
            console.line("  " + path);
            throw ProgramStop(false, true);
        }
        if (s == ReadStatus::LineTooLong) {
            console.line(" *** Error : qln_array.txt " + reader.failure_detail() + " --- Execution terminated.");
            console.line("  " + path);
            throw ProgramStop(false, true);
        }
        if (s != ReadStatus::Ok) {
            console.line(" *** Error : qln_array.txt line " + std::to_string(reader.line_number()) +
                         ": score " + std::to_string(i) + " is not an integer --- Execution terminated.");
            console.line("  " + path + " " + reader.failure_detail());
            throw ProgramStop(false, true);
        }
        entry_lines[i] = reader.line_number();
    }
    reader.end_record();

    std::string label;
    const ReadStatus s = reader.read_text(label);
    if (s != ReadStatus::Ok) {
        if (s == ReadStatus::EndOfFile)
            console.line(" *** Error : qln_array.txt has no function label after its 181 scores"
                         " --- Execution terminated.");
        else
            console.line(" *** Error : qln_array.txt line " + std::to_string(reader.line_number()) +
                         ": invalid function label --- Execution terminated.");
        console.line("  " + path + (s == ReadStatus::EndOfFile ? "" : " " + reader.failure_detail()));
        throw ProgramStop(false, true);
    }
    if (label.size() > kLabelLength) label.resize(kLabelLength);

    // Scores are stored with an offset of 100: 0 to 200 stand for -100 to +100,
    // the range of the signed byte fitness table. Entry 0 is held to the same
    // range, since a score outside it would not fit that table either.
    bool failed = false;
    for (std::size_t i = 0; i < kArrayEntries; ++i) {
        if (entries[i] < 0 || entries[i] > 200) {
            // The fixed line names the entry (the misfit angle it scores); the line
            // after it names the file and the line the value stands on.
            console.line("Invalid number " + right_align(std::to_string(entries[i]), 7) + " at line " +
                         right_align(std::to_string(i), 7));
            console.line("  " + path + " line " + std::to_string(entry_lines[i]) + ": score of entry " +
                         std::to_string(i) + " (misfit " + std::to_string(i) + " degrees) is " +
                         std::to_string(entries[i]) + ", outside 0 to 200");
            failed = true;
        }
    }
    if (failed) throw ProgramStop(false, true);

    for (std::size_t i = 0; i < kArrayEntries; ++i)
        tables.misfit_score_table[i] = static_cast<std::int16_t>(entries[i]);
    tables.function_label = label;
    return label;
}

}  // namespace quillon::engine
