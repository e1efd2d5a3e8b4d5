// The subset-enumeration main loops: every k-subset of the data chooses the
// grid state with the largest total score (lowest number on ties) and votes for
// it when that state is compatible with every datum of the subset.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

namespace quillon::engine {

enum class Enumeration {
    AllSubsets,   // geological faults: every k-subset of the lines, lexicographic
    FocalPairs,   // focal mechanisms: at most one of lines 2m-1, 2m in a subset
};

// The read-only inputs of a main loop: the two byte tables of the run, stored
// datum by datum (entry (g, d) at (d - 1) * n_grid + (g - 1)).
struct MainLoopInput {
    std::int32_t n_data = 0;
    std::int32_t n_grid = 0;
    const std::int8_t* fitness = nullptr;
    const std::uint8_t* compatibility = nullptr;
    int k = 0;
    Enumeration enumeration = Enumeration::AllSubsets;
};

// Called with the subset counter and the subset total whenever a progress line is due.
using ProgressFn = std::function<void(std::int32_t counter, std::int32_t total)>;

// The plain transcription of the enumeration; the oracle of every faster loop.
// votes must hold n_grid counts; they are cleared first.
void main_loop_reference(const MainLoopInput& in, std::span<std::int32_t> votes,
                         const ProgressFn& progress);

}  // namespace quillon::engine
