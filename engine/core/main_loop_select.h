// The one place where a run chooses its main loop, so that a faster loop can be
// plugged in beside the reference without touching the runs.
#pragma once

#include <cstdint>
#include <span>

#include "engine/core/main_loop.h"
#include "engine/core/runs.h"

namespace quillon::engine {

void run_main_loop(const MainLoopInput& in, std::span<std::int32_t> votes,
                   const ProgressFn& progress, const RunOptions& options);

}  // namespace quillon::engine
