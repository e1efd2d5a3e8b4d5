// The two byte tables that reduce the geometry of a run to integers: for every
// pair of grid state g and datum d a fitness score (-100 ... 100) and a
// compatibility flag, stored datum by datum (entry (g, d) at (d - 1) * n_grid + (g - 1)).
#pragma once

#include <array>
#include <cstdint>

#include "engine/core/tables.h"

namespace quillon::engine {

// Creates both tables with n_grid x n_data entries, or clears them when they
// exist already. error_stop("allocate_fitness_table", "Memory allocation error")
// when they cannot be had.
void allocate_fitness_table(EngineTables& tables);

// Fills both tables from stress_grid, fault_data, misfit_score_table and
// misft_threshold, on threads threads (0: all hardware threads); the tables
// are the same whatever the number of threads.
void fill_fitness_tables(EngineTables& tables, int threads = 0);

// Frees stress_grid, fault_data and both tables, each only if it exists. Safe to
// call at any time, any number of times.
void release_global_arrays(EngineTables& tables);

// Index into misfit_score_table of a misfit in degrees: nearest whole degree,
// halves away from zero. A misfit that is not a number (degenerate input angles)
// takes index 90, the misfit of a plane without shear direction.
std::int32_t misfit_score_index(float theta);

// Score of a misfit: misfit_score_table[index] - 100, held to -100 ... 100 so that
// an out-of-range entry 0 (which the array reader does not check) cannot wrap.
std::int8_t fitness_score(const std::array<std::int16_t, 181>& misfit_score_table, float theta);

// A misfit no larger than the threshold is compatible (the integer threshold is
// compared numerically with the single-precision misfit).
bool is_compatible(float theta, std::int32_t misft_threshold);

}  // namespace quillon::engine
