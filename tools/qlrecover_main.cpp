// qlrecover: compares the votes of a result file with the stresses that its
// (synthetic) data were made from, in angular stress distance.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "tools/grid.h"
#include "tools/recovery.h"
#include "tools/synth.h"

int main(int argc, char** argv) {
    using namespace quillon::tools;
    std::string result_path, grid_path;
    std::vector<std::string> stress_texts;
    double radius = 15.0;

    CLI::App app{"qlrecover: how well an inversion result recovers known stress states"};
    app.add_option("-r,--result", result_path, "result file (.ql4)")->required();
    app.add_option("-g,--grid", grid_path, "the CGP grid the result was made with")->required();
    app.add_option("-s,--stress", stress_texts, "known stress state \"az1 pl1 az3 pl3 phi\"; repeatable")
        ->required();
    app.add_option("--radius", radius, "radius (degrees) of the neighbourhood whose votes are counted")
        ->check(CLI::Range(0.0, 180.0));
    CLI11_PARSE(app, argc, argv);

    std::vector<StressState> known;
    for (const auto& text : stress_texts) {
        StressState s;
        std::string error;
        if (!parse_stress_state(text, s, error)) {
            std::cerr << "qlrecover: " << error << "\n";
            return 2;
        }
        known.push_back(s);
    }
    std::vector<StressState> grid;
    std::vector<GridVote> votes;
    std::string error;
    if (!read_cgp(grid_path, grid, error) || !read_result_votes(result_path, votes, error)) {
        std::cerr << "qlrecover: " << error << "\n";
        return 1;
    }
    for (const auto& v : votes) {
        if (v.state > static_cast<std::int32_t>(grid.size())) {
            std::cerr << "qlrecover: " << result_path << " names grid point " << v.state << " but "
                      << grid_path << " holds " << grid.size() << "\n";
            return 1;
        }
    }
    const RecoveryFigures f = recovery_figures(grid, votes, known, radius);
    std::printf("total votes: %lld\n", static_cast<long long>(f.total_votes));
    if (f.top_state == 0) {
        std::printf("no grid state received votes\n");
        return 0;
    }
    const StressState& top = grid[f.top_state - 1];
    std::printf("most voted: grid point %d (%d votes): %s\n", f.top_state, f.top_votes,
                format_stress_state(top).c_str());
    std::printf("distance to the nearest known stress (%d): %.2f deg\n", f.top_nearest + 1, f.top_distance_deg);
    for (std::size_t k = 0; k < known.size(); ++k)
        std::printf("votes within %g deg of stress %zu: %.1f %%\n", radius, k + 1, 100.0 * f.share_near[k]);
    return 0;
}
