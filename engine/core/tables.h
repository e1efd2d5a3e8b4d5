// The engine-wide tables of one inversion run. A run owns one EngineTables;
// the readers fill it, the kernels and the main loops read it, and its
// destruction (normal end or unwinding after error_stop) releases everything.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace quillon::engine {

using Vec3f = std::array<float, 3>;
using Tensor3f = std::array<float, 9>;  // row by row: (1,1) (1,2) (1,3) (2,1) ... (3,3)

struct FaultDatum {
    float dip_direction = 0;  // degrees as read
    float dip = 0;
    float slip_trend = 0;
    float slip_plunge = 0;
    char sense = 'N';         // as read, case kept
    Vec3f normal{};           // filled by prepare_fault_data
    Vec3f slip{};
};

struct GridState {
    Tensor3f tensor{};        // reduced stress tensor, East/North/Up frame
    std::int32_t votes = 0;
};

struct EngineTables {
    // pref.txt
    std::string cgp_file_path;
    std::int32_t misft_threshold = 0;
    // qln_array.txt
    std::array<std::int16_t, 181> misfit_score_table{};
    std::string function_label;
    // data file
    std::int16_t n_data = 0;
    std::vector<FaultDatum> fault_data;       // record d is fault_data[d - 1]
    // grid file
    std::int32_t n_grid = 0;
    std::vector<GridState> stress_grid;       // grid point g is stress_grid[g - 1]
    // n_grid x n_data each, stored datum by datum: entry (g, d) at (d - 1) * n_grid + (g - 1)
    std::vector<std::int8_t> fitness_table;
    std::vector<std::uint8_t> compatibility_table;
    bool fitness_allocated = false;
    // run paths
    std::string data_path;
    std::string result_path;
};

}  // namespace quillon::engine
