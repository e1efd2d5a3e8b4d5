// The two inversion runs. Both follow the same steps; they differ in the main
// loop's enumeration (every k-subset, or one nodal plane per focal mechanism) and
// in the routine named by the subset-count error.
//
// The run owns its EngineTables: when an error_stop unwinds through here, the
// tables are released with them, and nothing has been written to the result
// path, which QLN_save_results only touches after a complete main loop.
#include "engine/core/runs.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

#include "engine/core/fitness_tables.h"
#include "engine/core/kernels.h"
#include "engine/core/main_loop.h"
#include "engine/core/main_loop_select.h"
#include "engine/core/tables.h"
#include "engine/error_stop.h"
#include "engine/io/data_file.h"
#include "engine/io/grid_file.h"
#include "engine/io/pref_file.h"
#include "engine/io/result_file.h"

namespace quillon::engine {

namespace {

// A local date (yyyymmdd) and time of day (hhmmss.sss).
struct LocalMoment {
    std::string date;
    std::string time;
};

LocalMoment local_now() {
    const auto now = std::chrono::system_clock::now();
    const auto since_epoch = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch());
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const int millis = static_cast<int>(since_epoch.count() % 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    char date[48];
    char time[48];
    std::snprintf(date, sizeof date, "%04d%02d%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    std::snprintf(time, sizeof time, "%02d%02d%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec, millis);
    return {date, time};
}

std::string without_trailing_blanks(std::string s) {
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

std::string name_and_extension(const std::string& path) {
    const FileNameParts parts = split_file_name(path);
    return without_trailing_blanks(parts.name + parts.extension);
}

// Phase 3: the main loop for k, its heading and its overprinting progress line.
void main_loop_phase(EngineTables& tables, int k, Enumeration enumeration, Console& console,
                     const RunOptions& options) {
    const std::int32_t n_grid = std::max<std::int32_t>(tables.n_grid, 0);
    MainLoopInput in;
    in.n_data = tables.n_data;
    in.n_grid = n_grid;
    in.fitness = tables.fitness_table.data();
    in.compatibility = tables.compatibility_table.data();
    in.k = k;
    in.enumeration = enumeration;

    std::vector<std::int32_t> votes(static_cast<std::size_t>(n_grid), 0);
    console.line("  *      Main Loop      *");
    bool progress_shown = false;
    run_main_loop(in, votes,
                  [&](std::int32_t counter, std::int32_t total) {
                      console.progress(progress_line(k, counter, total));
                      progress_shown = true;
                  },
                  options);
    // Leave the last progress line standing and start the next line below it.
    if (progress_shown) console.empty_line();

    for (std::size_t g = 0; g < votes.size() && g < tables.stress_grid.size(); ++g) {
        tables.stress_grid[g].votes = votes[g];
    }
}

void execute(const char* routine, Enumeration enumeration, const std::string& home_directory,
             const std::string& data_path, const std::string& result_path, int k, Console& console,
             const RunOptions& options) {
    EngineTables tables;
    tables.data_path = data_path;
    tables.result_path = result_path;

    read_pref_file(home_directory, tables);
    console.line(" Input  : " + name_and_extension(data_path));
    console.line(" Output : " + name_and_extension(result_path));
    tables.function_label = read_array_file(home_directory, tables, console);

    console.empty_line();
    console.line("  * Initialization  1/3 *");
    read_data_file(tables);
    // Tested before the grid is read and before any large table exists.
    if (count_subsets(tables.n_data, k) == -1) {
        error_stop(routine, "Number of iteration exceeds the upper bound");
    }
    prepare_fault_data(tables.fault_data);
    read_cgp_file(tables);
    allocate_fitness_table(tables);

    console.line("  * Initialization  2/3 *");
    fill_fitness_tables(tables, options.threads);

    console.line("  * Initialization  3/3 *");
    const LocalMoment start = local_now();
    main_loop_phase(tables, k, enumeration, console, options);
    const LocalMoment end = local_now();

    console.line("  * Writing Results                   *");
    console.flush();
    // A focal run's subsets are drawn from its mechanisms, two data each.
    QLN_save_results(tables, tables.cgp_file_path, tables.data_path, k, tables.function_label,
                     start.date, start.time, end.date, end.time,
                     enumeration == Enumeration::FocalPairs ? tables.n_data / 2 : -1);
    release_global_arrays(tables);
}

}  // namespace

void QLN_execute(const std::string& home_directory, const std::string& data_path,
                 const std::string& result_path, int k, Console& console, const RunOptions& options) {
    execute("QLN_execute", Enumeration::AllSubsets, home_directory, data_path, result_path, k,
            console, options);
}

void QLN_focal_execute(const std::string& home_directory, const std::string& data_path,
                       const std::string& result_path, int k, Console& console,
                       const RunOptions& options) {
    execute("QLN_focal_execute", Enumeration::FocalPairs, home_directory, data_path, result_path, k,
            console, options);
}

}  // namespace quillon::engine
