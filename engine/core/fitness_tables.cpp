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

// Both table entries of a pair depend on the misfit theta only through the
// whole degree nearest to it and through theta <= threshold; both change at
// fixed angles (i + 0.5 degrees, the threshold). The arc cosine is therefore
// taken only for a cosine that lies within kMargin degrees of such an angle;
// any other cosine is placed between two of them by comparisons. The misfit
// the runs compute from a cosine (libm's arc cosine, the degree factor,
// rounding to single precision) lies within 1e-5 degrees of the exact angle,
// far inside the margin, so both ways give the same entries.
class CosineClasses {
public:
    explicit CosineClasses(std::int32_t threshold) {
        for (std::size_t i = 0; i < kBoundaries; ++i) {
            const double angle = static_cast<double>(i) + 0.5;
            low_[i] = cos_degrees(angle + kMargin);
            high_[i] = cos_degrees(angle - kMargin);
        }
        // The first boundary counted below the top of each cell of cosines.
        for (std::size_t c = 0; c < kCells; ++c) {
            const double top = -1.0 + 2.0 * static_cast<double>(c + 1) / kCells;
            std::size_t index = 0;
            while (index < kBoundaries && low_[index] > top) ++index;
            cell_start_[c] = static_cast<std::uint8_t>(index);
        }
        if (threshold < 0) {
            compatible_ = Always::False;  // a misfit is never below 0
        } else if (threshold >= 180) {
            compatible_ = Always::True;   // nor above 180
        } else {
            compatible_ = Always::Neither;
            threshold_low_ = cos_degrees(threshold + kMargin);
            threshold_high_ = cos_degrees(std::max(threshold - kMargin, 0.0));
        }
    }

    // The score index and the compatibility of cosine q; false when q lies
    // too near a boundary (or is not a number): then the arc cosine decides.
    bool classify(double q, std::int32_t& index, bool& compatible) const {
        if (!(q >= -1.0 && q <= 1.0)) return false;
        // index = the number of boundaries i + 0.5 that the misfit lies above,
        // that is of low_[i] above q (low_ falls with i).
        const auto cell = std::min<std::size_t>(static_cast<std::size_t>((q + 1.0) * (kCells / 2)), kCells - 1);
        std::size_t i = cell_start_[cell];
        while (i < kBoundaries && low_[i] > q) ++i;
        if (i < kBoundaries && q <= high_[i]) return false;  // within the margin of boundary i
        if (compatible_ == Always::Neither) {
            if (q >= threshold_low_ && q <= threshold_high_) return false;
            compatible = q > threshold_high_;
        } else {
            compatible = compatible_ == Always::True;
        }
        index = static_cast<std::int32_t>(i);
        return true;
    }

private:
    static constexpr std::size_t kBoundaries = 180;  // 0.5, 1.5, ... 179.5 degrees
    static constexpr std::size_t kCells = 4096;
    static constexpr double kMargin = 1e-3;          // degrees

    static double cos_degrees(double angle) { return std::cos(angle * (3.14159265358979323846 / 180.0)); }

    enum class Always { False, True, Neither };
    std::array<double, kBoundaries> low_{};
    std::array<double, kBoundaries> high_{};
    std::array<std::uint8_t, kCells> cell_start_{};
    Always compatible_ = Always::Neither;
    double threshold_low_ = 0;
    double threshold_high_ = 0;
};

// Score of a score index: the entry - 100, held to -100 ... 100.
std::int8_t score_of_index(const std::array<std::int16_t, 181>& misfit_score_table, std::int32_t index) {
    const int score = misfit_score_table[static_cast<std::size_t>(index)] - 100;
    return static_cast<std::int8_t>(std::clamp(score, -100, 100));
}

}  // namespace

std::int32_t misfit_score_index(float theta) {
    if (std::isnan(theta)) return 90;
    const std::int32_t i = nint(std::clamp(static_cast<double>(theta), 0.0, 180.0));
    return i;
}

std::int8_t fitness_score(const std::array<std::int16_t, 181>& misfit_score_table, float theta) {
    return score_of_index(misfit_score_table, misfit_score_index(theta));
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
    const CosineClasses classes(threshold);
#pragma omp parallel for schedule(dynamic, 1) num_threads(std::max(threads, 1)) if (threads > 1 && chunks > 1)
    for (std::int64_t chunk = 0; chunk < chunks; ++chunk) {
        const std::size_t d = static_cast<std::size_t>(chunk) / chunks_per_datum;
        const std::size_t g0 = static_cast<std::size_t>(chunk) % chunks_per_datum * kFillChunk;
        const std::size_t g1 = std::min(g0 + kFillChunk, n_grid);
        // misfit_degrees in its pieces, with what depends on the datum alone
        // formed once.
        const FaultDatum& datum = tables.fault_data[d];
        const Projector projector = plane_projector(datum.normal);
        const Vec3f slip = normalize_vector(datum.slip);
        std::int8_t* fitness = tables.fitness_table.data() + d * n_grid;
        std::uint8_t* compatible = tables.compatibility_table.data() + d * n_grid;
        for (std::size_t g = g0; g < g1; ++g) {
            const Vec3f u = shear_direction(tables.stress_grid[g].tensor, datum.normal, projector);
            const double q = misfit_cosine_of_unit(u, slip);
            std::int32_t index = 0;
            bool fits = false;
            if (classes.classify(q, index, fits)) {
                fitness[g] = score_of_index(scores, index);
                compatible[g] = fits ? 1 : 0;
            } else {
                const float theta = misfit_degrees_of_cosine(q);
                fitness[g] = fitness_score(scores, theta);
                compatible[g] = is_compatible(theta, threshold) ? 1 : 0;
            }
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
