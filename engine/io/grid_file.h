#pragma once
#include <string>
#include "engine/console.h"
#include "engine/core/tables.h"
namespace quillon::engine {
// Reads the CGP grid at tables.cgp_file_path into n_grid and stress_grid (tensors built).
void read_cgp_file(EngineTables& tables);
// Reads qln_array.txt of the home directory into misfit_score_table; returns the label.
// Writes its own failure lines to the console and throws ProgramStop.
std::string read_array_file(const std::string& home_directory, EngineTables& tables, Console& console);
}  // namespace quillon::engine
