// The CGP grid of candidate stress states and the misfit score table
// qln_array.txt of the home directory.
#include "engine/io/grid_file.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <new>

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
void check_grid_point(const float (&v)[5], const std::string& path, const ListReader& reader, std::int32_t i) {
    static constexpr struct {
        const char* name;
        float low, high;
    } kRange[5] = {{"sigma1 azimuth", 0, 360}, {"sigma1 plunge", -90, 90}, {"sigma3 azimuth", 0, 360},
                   {"sigma3 plunge", -90, 90}, {"Phi", 0, 1}};
    for (int j = 0; j < 5; ++j) {
        if (v[j] >= kRange[j].low && v[j] <= kRange[j].high) continue;
        char text[128];
        std::snprintf(text, sizeof text, "%s %g is outside %g to %g", kRange[j].name, static_cast<double>(v[j]),
                      static_cast<double>(kRange[j].low), static_cast<double>(kRange[j].high));
        error_stop("read_cgp_file", "Invalid data at the line number", i,
                   path + " line " + std::to_string(reader.line_number()) + ": " + text);
    }
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

    for (std::int32_t i = 1; i <= n_grid; ++i) {
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
