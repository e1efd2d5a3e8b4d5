#include "engine/core/main_loop_select.h"

namespace quillon::engine {

void run_main_loop(const MainLoopInput& in, std::span<std::int32_t> votes,
                   const ProgressFn& progress, const RunOptions& options) {
    // Only the reference loop exists so far; options.reference_loop and
    // options.threads choose among faster loops once there are any.
    (void)options;
    main_loop_reference(in, votes, progress);
}

}  // namespace quillon::engine
