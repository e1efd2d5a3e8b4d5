// How well an inversion result recovers known stresses: the votes of a result
// file compared, in angular stress distance, with the stresses that synthetic
// data were made from.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/stress_space.h"

namespace quillon::tools {

struct GridVote {
    std::int32_t state = 0;  // 1-based grid point number
    std::int32_t votes = 0;
};

// Reads the vote lines of a result file (the data echo, the grid count, the
// voted count, the grid name line, then that many "number votes" lines). On
// failure returns false with a message naming the file and line.
bool read_result_votes(const std::string& path, std::vector<GridVote>& votes, std::string& error);

struct RecoveryFigures {
    std::int64_t total_votes = 0;
    std::int32_t top_state = 0;        // most-voted grid point (lowest number on ties); 0 if none
    std::int32_t top_votes = 0;
    double top_distance_deg = 180;     // from the top state to the nearest known stress
    std::int32_t top_nearest = -1;     // index into the known stresses
    std::vector<double> share_near;    // per known stress: fraction of all votes held by
                                       // grid states within `radius_deg` of it
};

// Figures of a result against the known stresses. Votes naming a state outside
// the grid are ignored by the caller's contract: they must lie in 1 .. grid.size().
RecoveryFigures recovery_figures(const std::vector<StressState>& grid, const std::vector<GridVote>& votes,
                                 const std::vector<StressState>& known, double radius_deg);

}  // namespace quillon::tools
