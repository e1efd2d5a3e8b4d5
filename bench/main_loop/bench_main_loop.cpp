// bench_main_loop: speed of the main loops on eight workloads built from
// qlsynth data and the 60000-state grid, all measured in one run:
//
//   W1: 60 faults, k = 4          W2: 40 faults, k = 5
//   W3: 30 focal mechanisms (60 lines), k = 5, focal enumeration
//   W4: 25 faults, k = 8
//   W5: 60 faults of one stress, k = 5
//   W6: 60 faults of two stresses, k = 5
//   W7: 80 noisy faults (20 degrees) of two stresses, k = 5
//   W8: 60 faults of two stresses, k = 6
//
// For each workload it prints leaves (evaluated subsets) per second and
// state-updates (leaves x grid states) per second of the reference loop and of
// the fast loop on one thread and on two threads, the ratio fast / reference on
// one thread and the ratio two threads / one thread of the fast loop. It also
// times the start-up steps of a run that take time (reading the grid, filling
// the tables on one and on two threads) apart from the loop, and gives subsets
// (C(n, k)) per second of start-up and loop together, as in a whole run.
//
// The reference loop needs minutes for a whole workload, so it runs for a time
// budget (--reference-seconds) on the first subsets of the enumeration; its
// cost per leaf hardly depends on which subsets those are. The fast loop runs
// every workload to the end, on one and on two threads in turn, repeated while
// a run is short (--fast-seconds); the quickest run of each counts.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <time.h>
#include <unistd.h>

#include "engine/console.h"
#include "engine/core/fitness_tables.h"
#include "engine/core/kernels.h"
#include "engine/core/main_loop.h"
#include "engine/core/main_loop_fast.h"
#include "engine/core/tables.h"
#include "engine/error_stop.h"
#include "engine/io/data_file.h"
#include "engine/io/grid_file.h"
#include "engine/io/pref_file.h"
#include "tools/grid.h"
#include "tools/synth.h"
#include "tools/text_file.h"

namespace {

using namespace quillon;
using Clock = std::chrono::steady_clock;

struct Workload {
    std::string name;
    std::string description;
    bool focal;
    std::vector<std::string> stresses;  // "az1 pl1 az3 pl3 phi"
    std::int32_t per_state;             // faults, or mechanisms, per stress
    int k;
    double noise = -1;                  // degrees; below 0: --noise
};

const std::vector<Workload>& workloads() {
    static const std::vector<Workload> all = {
        {"W1", "60 faults, k = 4", false, {"70 60 182 12 0.3", "170 8 350 82 0.5"}, 30, 4},
        {"W2", "40 faults, k = 5", false, {"70 60 182 12 0.3", "170 8 350 82 0.5"}, 20, 5},
        {"W3", "30 focal mechanisms (60 lines), k = 5", true, {"20 10 110 0 0.4", "300 70 120 20 0.6"}, 15, 5},
        {"W4", "25 faults, k = 8", false, {"120 30 300 60 0.5"}, 25, 8},
        {"W5", "60 faults of one stress, k = 5", false, {"70 60 182 12 0.3"}, 60, 5},
        {"W6", "60 faults of two stresses, k = 5", false, {"70 60 182 12 0.3", "170 8 350 82 0.5"}, 30, 5},
        {"W7", "80 noisy faults (20 degrees) of two stresses, k = 5", false,
         {"70 60 182 12 0.3", "170 8 350 82 0.5"}, 40, 5, 20.0},
        {"W8", "60 faults of two stresses, k = 6", false, {"70 60 182 12 0.3", "170 8 350 82 0.5"}, 30, 6},
    };
    return all;
}

struct Options {
    std::filesystem::path home = QUILLON_SOURCE_DIR "/data";
    std::set<std::string> only;
    double reference_seconds = 8.0;
    double fast_seconds = 3.0;  // the fast runs are repeated until about this long
    double noise = 8.0;
};

std::string processor_name() {
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("model name", 0) == 0) {
            const auto colon = line.find(':');
            return colon == std::string::npos ? line : line.substr(colon + 2);
        }
    }
    return "unknown";
}

// Seconds of the start-up steps of a run that take time: reading the grid
// and filling the two tables (on one and on two threads).
struct StartUp {
    double read_grid = 0;
    double fill_1 = 0;
    double fill_2 = 0;
};

// The run's tables for one workload: the data written by qlsynth's generator
// into a temporary data file and read back by the engine's reader, the grid
// and settings of the home directory, filled as a run fills them.
engine::EngineTables build_tables(const Workload& w, const Options& options, const std::filesystem::path& scratch,
                                  const std::string& cgp_path, StartUp& startup) {
    tools::SynthOptions synth;
    for (const auto& text : w.stresses) {
        tools::StressState s;
        std::string error;
        if (!tools::parse_stress_state(text, s, error)) throw std::runtime_error(error);
        synth.states.push_back(s);
    }
    synth.per_state = w.per_state;
    synth.noise_deg = w.noise >= 0 ? w.noise : options.noise;
    synth.seed = 20261210;
    synth.focal = w.focal;
    const std::filesystem::path data_path = scratch / (w.name + (w.focal ? ".fmd" : ".fdt"));
    std::string error;
    if (!tools::write_text_file(data_path.string(), tools::format_data(tools::synthesize(synth)), error)) {
        throw std::runtime_error(error);
    }

    engine::EngineTables tables;
    engine::read_pref_file(options.home.string(), tables);
    if (!cgp_path.empty()) tables.cgp_file_path = cgp_path;
    std::istringstream no_input;
    std::ostringstream no_output;
    engine::Console console(no_input, no_output);
    engine::read_array_file(options.home.string(), tables, console);
    tables.data_path = data_path.string();
    engine::read_data_file(tables);
    engine::prepare_fault_data(tables.fault_data);
    auto start = Clock::now();
    engine::read_cgp_file(tables);
    startup.read_grid = std::chrono::duration<double>(Clock::now() - start).count();
    // The tables on two threads, then again on one (the tables the loops read).
    engine::allocate_fitness_table(tables);
    start = Clock::now();
    engine::fill_fitness_tables(tables, 2);
    startup.fill_2 = std::chrono::duration<double>(Clock::now() - start).count();
    const std::vector<std::int8_t> fitness_2 = tables.fitness_table;
    const std::vector<std::uint8_t> compatibility_2 = tables.compatibility_table;
    engine::allocate_fitness_table(tables);
    start = Clock::now();
    engine::fill_fitness_tables(tables, 1);
    startup.fill_1 = std::chrono::duration<double>(Clock::now() - start).count();
    if (tables.fitness_table != fitness_2 || tables.compatibility_table != compatibility_2) {
        throw std::runtime_error("the tables filled on one and on two threads differ");
    }
    return tables;
}

// CPU time of the calling thread: on a busy machine it measures one thread's
// work better than the wall clock.
double thread_cpu_seconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

struct Measure {
    std::int64_t leaves = 0;
    double seconds = 0;
    double cpu_seconds = 0;  // of the calling thread
    bool complete = false;
    double leaves_per_second() const { return seconds > 0 ? static_cast<double>(leaves) / seconds : 0; }
    double leaves_per_cpu_second() const {
        return cpu_seconds > 0 ? static_cast<double>(leaves) / cpu_seconds : 0;
    }
};

struct Stop {};

Measure time_reference(const engine::MainLoopInput& in, double budget) {
    Measure m;
    std::vector<std::int32_t> votes(static_cast<std::size_t>(in.n_grid));
    engine::LoopTrace trace;
    const double cpu_start = thread_cpu_seconds();
    const auto start = Clock::now();
    const auto deadline = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(budget));
    trace.leaf = [&](std::span<const std::int32_t>, std::int32_t) {
        ++m.leaves;
        if (Clock::now() >= deadline) throw Stop{};
    };
    try {
        engine::main_loop_reference_traced(in, votes, nullptr, trace);
        m.complete = true;
    } catch (const Stop&) {
    }
    m.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    m.cpu_seconds = thread_cpu_seconds() - cpu_start;
    return m;
}

Measure time_fast(const engine::MainLoopInput& in, int threads, std::vector<std::int32_t>& votes) {
    Measure m;
    votes.assign(static_cast<std::size_t>(in.n_grid), 0);
    const double cpu_start = thread_cpu_seconds();
    const auto start = Clock::now();
    const engine::FastLoopStats stats = engine::main_loop_fast(in, votes, nullptr, threads);
    m.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    m.cpu_seconds = thread_cpu_seconds() - cpu_start;
    m.leaves = stats.leaves;
    m.complete = true;
    return m;
}

void print_measure(const char* label, const Measure& m, std::int32_t n_grid) {
    std::printf("  %-20s %10.0f leaves/s %11.4g state-updates/s  (%lld leaves in %.2f s, calling thread's CPU %.2f s%s)\n",
                label, m.leaves_per_second(), m.leaves_per_second() * n_grid, static_cast<long long>(m.leaves),
                m.seconds, m.cpu_seconds, m.complete ? "" : "; first subsets only");
}

int usage() {
    std::fprintf(stderr,
                 "usage: bench_main_loop [--home DIR] [--only W1,W2,...] [--reference-seconds S] [--fast-seconds S]\n"
                 "                       [--noise DEG]\n"
                 "  --home DIR              directory with pref.txt, qln_array.txt and the grid it names\n"
                 "                          (default: the source tree's data/)\n"
                 "  --only LIST             workloads to run (default: all, W1 ... W8)\n"
                 "  --reference-seconds S   time given to the reference loop per workload (default 8)\n"
                 "  --fast-seconds S        repeat the fast runs (at most 10 times) to fill about S seconds\n"
                 "                          (default 3); the quickest run counts\n"
                 "  --noise DEG             angular noise of the synthetic data (default 8)\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    for (int a = 1; a < argc; ++a) {
        const std::string arg = argv[a];
        if (a + 1 >= argc) return usage();
        const std::string value = argv[++a];
        try {
            if (arg == "--home") {
                options.home = value;
            } else if (arg == "--only") {
                std::stringstream list(value);
                for (std::string item; std::getline(list, item, ',');) options.only.insert(item);
            } else if (arg == "--reference-seconds") {
                options.reference_seconds = std::stod(value);
            } else if (arg == "--fast-seconds") {
                options.fast_seconds = std::stod(value);
            } else if (arg == "--noise") {
                options.noise = std::stod(value);
            } else {
                return usage();
            }
        } catch (const std::exception&) {
            return usage();
        }
    }

    try {
        const std::filesystem::path scratch =
            std::filesystem::temp_directory_path() / ("bench_main_loop_" + std::to_string(::getpid()));
        std::filesystem::create_directories(scratch);

        // The grid named in pref.txt; a random grid of 60000 states when it is missing.
        engine::EngineTables pref;
        engine::read_pref_file(options.home.string(), pref);
        std::string cgp_path;
        std::string grid_note = std::filesystem::path(pref.cgp_file_path).filename().string();
        if (!std::filesystem::exists(pref.cgp_file_path)) {
            cgp_path = (scratch / "random60000.cgp").string();
            std::string error;
            const auto states = tools::states_of_points(tools::random_sphere_points(60000, 7));
            if (!tools::write_text_file(cgp_path, tools::format_cgp(states), error)) throw std::runtime_error(error);
            grid_note = "random grid (" + pref.cgp_file_path + " not found)";
        }

        const int threads_available = engine::main_loop_fast_default_threads();
        std::printf("Processor: %s\n", processor_name().c_str());
        std::printf("Kernels: %s; hardware threads: %d\n", engine::main_loop_fast_target(), threads_available);
        std::printf("Grid: %s\n", grid_note.c_str());
        std::printf("Reference loop: %.1f s per workload on its first subsets\n\n", options.reference_seconds);

        for (const Workload& w : workloads()) {
            if (!options.only.empty() && options.only.count(w.name) == 0) continue;
            StartUp startup;
            const engine::EngineTables tables = build_tables(w, options, scratch, cgp_path, startup);
            engine::MainLoopInput in;
            in.n_data = tables.n_data;
            in.n_grid = tables.n_grid;
            in.fitness = tables.fitness_table.data();
            in.compatibility = tables.compatibility_table.data();
            in.k = w.k;
            in.enumeration = w.focal ? engine::Enumeration::FocalPairs : engine::Enumeration::AllSubsets;

            std::printf("%s: %s; %d grid states, threshold %d degrees, %d subsets counted\n", w.name.c_str(),
                        w.description.c_str(), tables.n_grid, tables.misft_threshold,
                        engine::count_subsets(in.n_data, in.k));
            std::fflush(stdout);
            const Measure reference = time_reference(in, options.reference_seconds);
            print_measure("reference, 1 thread", reference, in.n_grid);
            std::fflush(stdout);
            std::vector<std::int32_t> votes1, votes2;
            // The fast loop on one and on two threads in turn, repeated while the
            // runs are short; the quickest run of each counts.
            Measure fast1 = time_fast(in, 1, votes1);
            Measure fast2 = time_fast(in, 2, votes2);
            const int repeats = static_cast<int>(std::clamp(options.fast_seconds / fast1.seconds, 1.0, 10.0));
            for (int r = 1; r < repeats; ++r) {
                std::vector<std::int32_t> again;
                const Measure m1 = time_fast(in, 1, again);
                if (m1.seconds < fast1.seconds) fast1 = m1;
                const Measure m2 = time_fast(in, 2, again);
                if (m2.seconds < fast2.seconds) fast2 = m2;
            }
            print_measure("fast, 1 thread", fast1, in.n_grid);
            print_measure("fast, 2 threads", fast2, in.n_grid);
            std::printf("  (fast runs: quickest of %d each)\n", repeats);
            std::int64_t voted = 0;
            for (const auto v : votes1) voted += v;
            // Start-up (grid and tables) and loop apart, and the two together
            // as in a whole run, in subsets (C(n, k)) per second.
            const double subsets = engine::count_subsets(in.n_data, in.k);
            std::printf("  start-up: grid read %.3f s; tables filled %.3f s on 1 thread, %.3f s on 2 (%.2f)\n",
                        startup.read_grid, startup.fill_1, startup.fill_2, startup.fill_1 / startup.fill_2);
            const double whole1 = startup.read_grid + startup.fill_1 + fast1.seconds;
            const double whole2 = startup.read_grid + startup.fill_2 + fast2.seconds;
            std::printf("  loop:     %.3f s on 1 thread, %.3f s on 2 (the block layout included)\n", fast1.seconds,
                        fast2.seconds);
            std::printf("  subsets/s, start-up + loop: %.0f on 1 thread, %.0f on 2 (%.2f)\n", subsets / whole1,
                        subsets / whole2, whole1 / whole2);
            std::printf("  fast / reference, 1 thread: %.1f (by CPU time: %.1f)\n",
                        fast1.leaves_per_second() / reference.leaves_per_second(),
                        fast1.leaves_per_cpu_second() / reference.leaves_per_cpu_second());
            std::printf("  2 threads / 1 thread:       %.2f\n", fast1.seconds / fast2.seconds);
            std::printf("  votes cast: %lld; 1 and 2 threads %s\n\n", static_cast<long long>(voted),
                        votes1 == votes2 ? "agree" : "DISAGREE");
            std::fflush(stdout);
            if (votes1 != votes2) return 1;
        }
        std::filesystem::remove_all(scratch);
    } catch (const engine::ErrorStop& e) {
        std::fprintf(stderr, "bench_main_loop: %s\n", e.what());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_main_loop: %s\n", e.what());
        return 1;
    }
    return 0;
}
