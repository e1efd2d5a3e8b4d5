#pragma once
#include <string>
#include "engine/core/tables.h"
namespace quillon::engine {
// Reads pref.txt of the home directory: cgp_file_path and misft_threshold.
void read_pref_file(const std::string& home_directory, EngineTables& tables);
}  // namespace quillon::engine
