#pragma once
#include <string>
#include "engine/console.h"
namespace quillon::engine {
// Options of a run that the batch command line may set.
struct RunOptions {
    int threads = 0;                 // 0: all hardware threads
    bool reference_loop = false;     // use the plain reference main loop
};
// Fault-slip inversion (k = 3..8) and focal-mechanism inversion (k = 4, 5).
void QLN_execute(const std::string& home_directory, const std::string& data_path,
                 const std::string& result_path, int k, Console& console,
                 const RunOptions& options = {});
void QLN_focal_execute(const std::string& home_directory, const std::string& data_path,
                       const std::string& result_path, int k, Console& console,
                       const RunOptions& options = {});
}  // namespace quillon::engine
