// The subset-enumeration main loops: every k-subset of the data chooses the
// grid state with the largest total score (lowest number on ties) and votes for
// it when that state is compatible with every datum of the subset.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

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

// What the enumeration did, step by step (tests pin the order and the counter jumps).
struct LoopTrace {
    // Every evaluated subset (data numbers from 1), with the counter after it.
    std::function<void(std::span<const std::int32_t> subset, std::int32_t counter)> leaf;
    // Every pruned prefix i_1 ... i_j, with the counter after the jump.
    std::function<void(std::span<const std::int32_t> prefix, std::int32_t counter)> prune;
};

// main_loop_reference reporting to trace; returns the final subset counter.
std::int32_t main_loop_reference_traced(const MainLoopInput& in, std::span<std::int32_t> votes,
                                        const ProgressFn& progress, const LoopTrace& trace);

// The progress line (without the leading carriage return): for k = 4 and 5 one
// blank, the counter in 10 columns, " /" and the total in 9 columns; otherwise
// the counter in 10 columns, " /" and the total in 10 columns.
std::string progress_line(int k, std::int32_t counter, std::int32_t total);

}  // namespace quillon::engine
