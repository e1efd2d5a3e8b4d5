// Uniform grids of reduced stress states: points spread evenly over the unit
// 4-sphere of five-vectors (uniform in the angular stress distance), their
// quality figures, and the CGP text that holds them.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "tools/stress_space.h"

namespace quillon::tools {

struct GridOptions {
    std::int32_t n = 60000;        // number of states
    std::uint64_t seed = 1;        // seed of the random start
    std::int32_t iterations = 100; // relaxation sweeps
    double spacing = 1.05;         // target spacing as a fraction of the densest-packing distance
};

// Called after each relaxation sweep with the sweep number (1-based) and the count.
using GridProgress = std::function<void(std::int32_t sweep, std::int32_t sweeps)>;

// n points on the 4-sphere: independent uniform points (Gaussian five-vectors,
// normalised), then relaxed by soft-sphere repulsion between neighbours closer
// than a target spacing that is slightly above the densest packing distance for
// n points, with the step shrinking over the sweeps. Deterministic.
std::vector<Vec5> build_uniform_grid(const GridOptions& options, const GridProgress& progress = {});

// n independent uniform points on the 4-sphere (the random start, also used for probes).
std::vector<Vec5> random_sphere_points(std::int32_t n, std::uint64_t seed);

struct GridQuality {
    double min_nn = 0;     // nearest-neighbour distances, degrees
    double median_nn = 0;
    double max_nn = 0;
    double covering = 0;   // largest distance from a probe to its nearest grid point, degrees
};

// Nearest-neighbour figures of the points and the covering radius measured with
// `probes` uniform random probe states drawn from `probe_seed`.
GridQuality measure_grid(const std::vector<Vec5>& points, std::int32_t probes, std::uint64_t probe_seed);

// The states of the points (axes in the lower hemisphere).
std::vector<StressState> states_of_points(const std::vector<Vec5>& points);

// One CGP grid line: sigma1 azimuth and plunge, sigma3 azimuth and plunge with
// three decimals, Phi with four, separated by blanks (no line end).
std::string format_cgp_line(const StressState& s);
// Whole CGP text: the count, then one line per state; every line ends with CR LF.
std::string format_cgp(const std::vector<StressState>& states);

// Reads a CGP file (count line, then five numbers per state; blanks or commas
// separate them, anything after the fifth number is ignored). On failure returns
// false and sets `error` to a message naming the file and line.
bool read_cgp(const std::string& path, std::vector<StressState>& states, std::string& error);

}  // namespace quillon::tools
