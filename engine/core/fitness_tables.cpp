#include "engine/core/fitness_tables.h"

#include <omp.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "engine/core/kernels.h"
#include "engine/error_stop.h"

namespace quillon::engine {

namespace {

// Number of entries of each table; a negative count (a CGP file announcing a
// negative number of points) means an empty grid.
std::size_t table_size(const EngineTables& tables) {
    const auto n_grid = static_cast<std::size_t>(std::max<std::int32_t>(tables.n_grid, 0));
    const auto n_data = static_cast<std::size_t>(std::max<std::int32_t>(tables.n_data, 0));
    return n_grid * n_data;  // at most 2^31 x 2^15, no overflow in 64 bits
}

// Grid states per piece of work when the tables are filled by several threads.
constexpr std::size_t kFillChunk = 4096;

}  // namespace

std::int32_t misfit_score_index(float theta) {
    if (std::isnan(theta)) return 90;
    const std::int32_t i = nint(std::clamp(static_cast<double>(theta), 0.0, 180.0));
    return i;
}

std::int8_t fitness_score(const std::array<std::int16_t, 181>& misfit_score_table, float theta) {
    const int score = misfit_score_table[static_cast<std::size_t>(misfit_score_index(theta))] - 100;
    return static_cast<std::int8_t>(std::clamp(score, -100, 100));
}

bool is_compatible(float theta, std::int32_t misft_threshold) {
    return static_cast<double>(theta) <= static_cast<double>(misft_threshold);
}

void allocate_fitness_table(EngineTables& tables) {
    // assign() creates the tables or, when they exist, clears every entry.
    try {
        const std::size_t size = table_size(tables);
        tables.fitness_table.assign(size, 0);
        tables.compatibility_table.assign(size, 0);
        tables.fitness_allocated = true;
    } catch (const std::exception&) {  // std::bad_alloc, std::length_error
        std::vector<std::int8_t>().swap(tables.fitness_table);
        std::vector<std::uint8_t>().swap(tables.compatibility_table);
        tables.fitness_allocated = false;
        error_stop("allocate_fitness_table", "Memory allocation error");
    }
}

void fill_fitness_tables(EngineTables& tables, int threads) {
    const std::size_t n_grid = static_cast<std::size_t>(std::max<std::int32_t>(tables.n_grid, 0));
    const std::size_t n_data = static_cast<std::size_t>(std::max<std::int32_t>(tables.n_data, 0));
    if (tables.fitness_table.size() != n_grid * n_data ||
        tables.compatibility_table.size() != n_grid * n_data ||
        tables.stress_grid.size() < n_grid || tables.fault_data.size() < n_data) {
        // A programming error, not a user error: the run allocates before filling.
        throw std::logic_error("fill_fitness_tables: tables not allocated for this grid and data");
    }
    // Every entry depends on its own grid state and datum only, so the pairs
    // are shared among the threads in chunks of grid states, each computed by
    // the same scalar code as on one thread: the tables do not depend on the
    // number of threads.
    if (threads <= 0) threads = omp_get_max_threads();
    const std::size_t chunks_per_datum = (n_grid + kFillChunk - 1) / kFillChunk;
    const auto chunks = static_cast<std::int64_t>(chunks_per_datum * n_data);
    const std::array<std::int16_t, 181>& scores = tables.misfit_score_table;
    const std::int32_t threshold = tables.misft_threshold;
#pragma omp parallel for schedule(dynamic, 1) num_threads(std::max(threads, 1)) if (threads > 1 && chunks > 1)
    for (std::int64_t chunk = 0; chunk < chunks; ++chunk) {
        const std::size_t d = static_cast<std::size_t>(chunk) / chunks_per_datum;
        const std::size_t g0 = static_cast<std::size_t>(chunk) % chunks_per_datum * kFillChunk;
        const std::size_t g1 = std::min(g0 + kFillChunk, n_grid);
        const FaultDatum& datum = tables.fault_data[d];
        std::int8_t* fitness = tables.fitness_table.data() + d * n_grid;
        std::uint8_t* compatible = tables.compatibility_table.data() + d * n_grid;
        for (std::size_t g = g0; g < g1; ++g) {
            const float theta = misfit_degrees(tables.stress_grid[g].tensor, datum);
            fitness[g] = fitness_score(scores, theta);
            compatible[g] = is_compatible(theta, threshold) ? 1 : 0;
        }
    }
}

void release_global_arrays(EngineTables& tables) {
    // swap with empty vectors so that the memory really goes back.
    std::vector<GridState>().swap(tables.stress_grid);
    std::vector<FaultDatum>().swap(tables.fault_data);
    std::vector<std::int8_t>().swap(tables.fitness_table);
    std::vector<std::uint8_t>().swap(tables.compatibility_table);
    tables.fitness_allocated = false;
}

}  // namespace quillon::engine
