// The fast main loop: the same enumeration, votes, subset counter, pruning and
// progress lines as main_loop_reference, with the per-leaf passes over the grid
// vectorised (main_loop_fast_kernels.h) and the subsets shared among threads.
//
// With one thread the progress callback is called exactly as by the reference
// loop. With several threads it is called from the calling thread only, with
// the shared subset counter rounded down to a multiple of 1000, at most ten
// times a second, and once more at the end with the final counter when that
// reaches 1000.
#pragma once

#include <cstdint>
#include <span>

#include "engine/core/main_loop.h"

namespace quillon::engine {

struct FastLoopStats {
    std::int64_t leaves = 0;      // subsets evaluated (not skipped by pruning)
    std::int32_t counter = 0;     // the final subset counter
    int threads = 1;              // threads that shared the subsets
};

// threads <= 0: all hardware threads (OMP_NUM_THREADS, when set, limits them).
// votes must hold n_grid counts; they are cleared first. Throws
// std::invalid_argument on inputs that no run produces (k outside 3 ... 8, a
// votes array of the wrong size, missing tables).
FastLoopStats main_loop_fast(const MainLoopInput& in, std::span<std::int32_t> votes,
                             const ProgressFn& progress, int threads = 0);

// The number of threads that threads = 0 stands for.
int main_loop_fast_default_threads();

// The instruction set the fast loop's kernels use on this processor ("AVX2", ...).
const char* main_loop_fast_target();

}  // namespace quillon::engine
