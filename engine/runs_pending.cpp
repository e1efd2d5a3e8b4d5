// Stand-in for the inversion runs while they are not part of the engine library:
// the dialog ends with a note and no result file is written.
#include "engine/core/runs.h"
#include "engine/error_stop.h"

namespace quillon::engine {

namespace {
[[noreturn]] void not_built(Console& console) {
    console.line("  The inversion is not built into this qlmain yet --- no result file written.");
    throw ProgramStop(false, true);
}
}  // namespace

void QLN_execute(const std::string&, const std::string&, const std::string&, int, Console& console,
                 const RunOptions&) {
    not_built(console);
}
void QLN_focal_execute(const std::string&, const std::string&, const std::string&, int, Console& console,
                       const RunOptions&) {
    not_built(console);
}

}  // namespace quillon::engine
