// Fitness and compatibility tables: the score index (halves up), the threshold
// test (equality is compatible), the datum-by-datum layout and the lifecycle.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "engine/core/fitness_tables.h"
#include "engine/core/kernels.h"
#include "engine/error_stop.h"

#if defined(__SANITIZE_ADDRESS__)
#define QUILLON_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUILLON_UNDER_ASAN 1
#endif
#endif

namespace quillon::engine {
namespace {

// Entry i = 200 - i: score 100 at 0 degrees down to -80 at 180 degrees, so that
// every index gives a different score.
std::array<std::int16_t, 181> descending_scores() {
    std::array<std::int16_t, 181> t{};
    for (int i = 0; i <= 180; ++i) t[i] = static_cast<std::int16_t>(200 - i);
    return t;
}

TEST(MisfitScoreIndex, NearestDegreeWithHalvesUp) {
    struct Case { float theta; int index; };
    const Case cases[] = {
        {0.0f, 0}, {0.49999997f, 0}, {0.5f, 1}, {1.5f, 2}, {2.5f, 3}, {89.5f, 90},
        {90.0f, 90}, {179.49998f, 179}, {179.5f, 180}, {180.0f, 180},
        {std::numeric_limits<float>::quiet_NaN(), 90},
    };
    for (const Case& c : cases) EXPECT_EQ(misfit_score_index(c.theta), c.index) << c.theta;
}

TEST(FitnessScore, EntryMinusHundredHeldToScoreRange) {
    auto table = descending_scores();
    EXPECT_EQ(fitness_score(table, 0.5f), 99);     // index 1
    EXPECT_EQ(fitness_score(table, 180.0f), -80);  // last entry
    EXPECT_EQ(fitness_score(table, 0.2f), 100);
    // Entry 0 is not range-checked by the reader: it must not wrap a signed byte.
    table[0] = 300;
    EXPECT_EQ(fitness_score(table, 0.0f), 100);
    table[0] = -50;
    EXPECT_EQ(fitness_score(table, 0.0f), -100);
}

TEST(IsCompatible, MisfitEqualToThresholdIsCompatible) {
    EXPECT_TRUE(is_compatible(30.0f, 30));
    EXPECT_TRUE(is_compatible(29.99f, 30));
    EXPECT_FALSE(is_compatible(std::nextafter(30.0f, 31.0f), 30));
    EXPECT_TRUE(is_compatible(0.0f, 0));
    EXPECT_FALSE(is_compatible(0.0f, -1));
    EXPECT_FALSE(is_compatible(std::numeric_limits<float>::quiet_NaN(), 180));
}

// Two grid states and three data with known misfits:
//   state 1: sigma1 vertical, sigma3 east (extension);
//   state 2: sigma1 east, sigma3 vertical (compression);
//   datum 1: normal fault dipping 60 east  -> 0 under state 1, 180 under state 2;
//   datum 2: the same, reverse             -> 180, 0;
//   datum 3: horizontal plane (principal)  -> 90 under both.
EngineTables small_run(std::int32_t threshold) {
    EngineTables t;
    t.misfit_score_table = descending_scores();
    t.misft_threshold = threshold;
    const float r = kDegToRad;
    t.stress_grid.resize(2);
    t.stress_grid[0].tensor = stress_state_tensor(0, 90 * r, 90 * r, 0, 0.5f);
    t.stress_grid[1].tensor = stress_state_tensor(90 * r, 0, 0, 90 * r, 0.5f);
    t.n_grid = 2;
    auto datum = [](float dd, float dip, float trend, float plunge, char sense) {
        FaultDatum d;
        d.dip_direction = dd; d.dip = dip; d.slip_trend = trend; d.slip_plunge = plunge;
        d.sense = sense;
        return d;
    };
    t.fault_data = {datum(90, 60, 90, 60, 'N'), datum(90, 60, 90, 60, 'R'),
                    datum(0, 0, 90, 0, 'N')};
    t.n_data = 3;
    prepare_fault_data(t.fault_data);
    return t;
}

TEST(FillFitnessTables, DatumByDatumLayoutWithScoresAndFlags) {
    EngineTables t = small_run(90);
    allocate_fitness_table(t);
    fill_fitness_tables(t);
    // Entry (g, d) at (d - 1) * n_grid + (g - 1).
    const std::vector<std::int8_t> fitness{100, -80, -80, 100, 10, 10};
    // 0 and 90 (equal to the threshold) are compatible, 180 is not.
    const std::vector<std::uint8_t> compatible{1, 0, 0, 1, 1, 1};
    EXPECT_EQ(t.fitness_table, fitness);
    EXPECT_EQ(t.compatibility_table, compatible);
    // The principal plane's misfit is exactly 90 degrees, hence the equality above.
    EXPECT_EQ(misfit_degrees(t.stress_grid[0].tensor, t.fault_data[2]), 90.0f);
}

TEST(FillFitnessTables, ThresholdBelowEveryMisfitLeavesNothingCompatible) {
    for (std::int32_t threshold : {-1, -180}) {
        EngineTables t = small_run(threshold);
        allocate_fitness_table(t);
        fill_fitness_tables(t);
        for (std::uint8_t c : t.compatibility_table) EXPECT_EQ(c, 0);
    }
}

// The tables are filled in pieces of the grid on several threads, and the arc
// cosine is taken only for misfits near a boundary of the entries (a half
// degree, the threshold). Every entry must be the one computed entry by entry
// from misfit_degrees, whatever the number of threads and the threshold.
TEST(FillFitnessTables, EveryEntryAsComputedAloneOnAnyNumberOfThreads) {
    EngineTables t;
    t.misfit_score_table = descending_scores();
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> az(0, 360), pl(0, 90), phi(0, 1);
    t.n_grid = 9000;
    t.stress_grid.resize(9000);
    const float r = kDegToRad;
    for (GridState& g : t.stress_grid) {
        g.tensor = stress_state_tensor(az(rng) * r, pl(rng) * r, az(rng) * r, pl(rng) * r, phi(rng));
    }
    // Grid states whose misfits with datum 1 are 0, 90 and 180 degrees exactly
    // (as in small_run below), and whole degrees.
    t.stress_grid[0].tensor = stress_state_tensor(0, 90 * r, 90 * r, 0, 0.5f);
    t.stress_grid[1].tensor = stress_state_tensor(90 * r, 0, 0, 90 * r, 0.5f);
    t.stress_grid[2].tensor = stress_state_tensor(0, 0, 90 * r, 0, 0.5f);
    const char senses[] = {'N', 'R', 'S', 'D'};
    FaultDatum first;
    first.dip_direction = 90;
    first.dip = 60;
    first.slip_trend = 90;
    first.slip_plunge = 60;
    t.fault_data.push_back(first);
    for (int d = 1; d < 7; ++d) {
        FaultDatum datum;
        datum.dip_direction = az(rng);
        datum.dip = pl(rng);
        datum.slip_trend = az(rng);
        datum.slip_plunge = pl(rng);
        datum.sense = senses[d % 4];
        t.fault_data.push_back(datum);
    }
    t.n_data = 7;
    prepare_fault_data(t.fault_data);

    for (const std::int32_t threshold : {40, 0, 90, 180, 179, -1}) {
        t.misft_threshold = threshold;
        std::vector<std::int8_t> fitness;
        std::vector<std::uint8_t> compatible;
        for (std::size_t d = 0; d < 7; ++d) {
            for (std::size_t g = 0; g < 9000; ++g) {
                const float theta = misfit_degrees(t.stress_grid[g].tensor, t.fault_data[d]);
                fitness.push_back(fitness_score(t.misfit_score_table, theta));
                compatible.push_back(is_compatible(theta, t.misft_threshold) ? 1 : 0);
            }
        }
        for (const int threads : {1, 2, 3, 0}) {
            allocate_fitness_table(t);
            fill_fitness_tables(t, threads);
            EXPECT_EQ(t.fitness_table, fitness) << threads << " threads, threshold " << threshold;
            EXPECT_EQ(t.compatibility_table, compatible) << threads << " threads, threshold " << threshold;
        }
    }
}

TEST(AllocateFitnessTable, CreatesOrClearsTables) {
    EngineTables t = small_run(90);
    allocate_fitness_table(t);
    EXPECT_EQ(t.fitness_table.size(), 6u);
    EXPECT_EQ(t.compatibility_table.size(), 6u);
    fill_fitness_tables(t);
    allocate_fitness_table(t);  // again: every entry back to 0
    EXPECT_EQ(t.fitness_table, std::vector<std::int8_t>(6, 0));
    EXPECT_EQ(t.compatibility_table, std::vector<std::uint8_t>(6, 0));

    EngineTables empty;
    empty.n_grid = -5;  // a CGP count below zero means no grid state
    empty.n_data = 4;
    allocate_fitness_table(empty);
    EXPECT_TRUE(empty.fitness_table.empty());
    EXPECT_TRUE(empty.fitness_allocated);
}

TEST(AllocateFitnessTable, ImpossibleSizeStopsWithMemoryError) {
#ifdef QUILLON_UNDER_ASAN
    GTEST_SKIP() << "AddressSanitizer aborts on allocations of this size";
#endif
    EngineTables t;
    t.n_grid = std::numeric_limits<std::int32_t>::max();
    t.n_data = std::numeric_limits<std::int16_t>::max();  // 70 TB per table
    try {
        allocate_fitness_table(t);
        FAIL() << "no error_stop";
    } catch (const ErrorStop& e) {
        EXPECT_EQ(e.routine(), "allocate_fitness_table");
        EXPECT_EQ(e.message(), "Memory allocation error");
        EXPECT_FALSE(e.line().has_value());
    }
    EXPECT_FALSE(t.fitness_allocated);
}

TEST(ReleaseGlobalArrays, FreesEverythingAndIsSafeTwice) {
    EngineTables t = small_run(90);
    allocate_fitness_table(t);
    release_global_arrays(t);
    EXPECT_TRUE(t.stress_grid.empty());
    EXPECT_TRUE(t.fault_data.empty());
    EXPECT_TRUE(t.fitness_table.empty());
    EXPECT_TRUE(t.compatibility_table.empty());
    EXPECT_FALSE(t.fitness_allocated);
    release_global_arrays(t);
    EXPECT_TRUE(t.stress_grid.empty());

    EngineTables fresh;  // before any table exists
    release_global_arrays(fresh);
    EXPECT_FALSE(fresh.fitness_allocated);
}

}  // namespace
}  // namespace quillon::engine
