#include "engine/core/main_loop_select.h"

#include <cstdlib>
#include <string_view>

#include "engine/core/main_loop_fast.h"

namespace quillon::engine {

void run_main_loop(const MainLoopInput& in, std::span<std::int32_t> votes,
                   const ProgressFn& progress, const RunOptions& options) {
    // The fast loop is the default; the reference loop is chosen by
    // --main-loop reference or by QUILLON_MAIN_LOOP=reference in the environment.
    const char* env = std::getenv("QUILLON_MAIN_LOOP");
    if (options.reference_loop || (env != nullptr && std::string_view(env) == "reference")) {
        main_loop_reference(in, votes, progress);
    } else {
        main_loop_fast(in, votes, progress, options.threads);
    }
}

}  // namespace quillon::engine
