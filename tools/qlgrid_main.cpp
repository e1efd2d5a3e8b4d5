// qlgrid: writes a CGP file of reduced stress states spread uniformly over the
// space of reduced stress tensors and prints the grid's quality figures.
#include <cstdio>
#include <iostream>
#include <string>

#include <CLI/CLI.hpp>

#include "tools/grid.h"
#include "tools/text_file.h"

int main(int argc, char** argv) {
    using namespace quillon::tools;
    GridOptions options;
    std::string output;
    std::int32_t probes = 100000;
    std::uint64_t probe_seed = 12345;
    bool quiet = false;

    CLI::App app{"qlgrid: writes a uniform grid of reduced stress states (CGP file) and reports its quality"};
    app.add_option("-n,--count", options.n, "number of stress states")->check(CLI::Range(1, 65535));
    app.add_option("-o,--output", output, "CGP file to write (without it only the figures are printed)");
    app.add_option("--seed", options.seed, "seed of the random start");
    app.add_option("--sweeps", options.iterations, "relaxation sweeps (0 keeps the random start)")
        ->check(CLI::Range(0, 100000));
    app.add_option("--spacing", options.spacing,
                   "target spacing as a fraction of the densest-packing distance")
        ->check(CLI::Range(0.1, 2.0));
    app.add_option("--probes", probes, "random probe states for the covering radius")
        ->check(CLI::Range(1, 100000000));
    app.add_option("--probe-seed", probe_seed, "seed of the probe states");
    app.add_flag("-q,--quiet", quiet, "no progress lines");
    CLI11_PARSE(app, argc, argv);

    const auto points = build_uniform_grid(options, [&](std::int32_t sweep, std::int32_t sweeps) {
        if (!quiet && (sweep % 10 == 0 || sweep == sweeps))
            std::fprintf(stderr, "relaxation sweep %d of %d\n", sweep, sweeps);
    });
    if (!output.empty()) {
        std::string error;
        if (!write_text_file(output, format_cgp(states_of_points(points)), error)) {
            std::cerr << "qlgrid: " << error << "\n";
            return 1;
        }
    }
    const GridQuality q = measure_grid(points, probes, probe_seed);
    std::printf("states: %d\n", options.n);
    std::printf("nearest-neighbour distance (deg): min %.2f  median %.2f  max %.2f\n", q.min_nn,
                q.median_nn, q.max_nn);
    std::printf("covering radius (deg, %d probes): %.2f\n", probes, q.covering);
    return 0;
}
