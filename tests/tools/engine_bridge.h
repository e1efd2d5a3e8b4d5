// Helpers that hand the tools' output to the engine's own computations.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/core/kernels.h"
#include "engine/io/data_file.h"
#include "temp_path.h"
#include "tools/stress_space.h"

namespace quillon::test {

// The engine's tensor of a grid line as read: the five numbers as single
// precision, degrees converted with the engine's factor.
inline tools::Mat3 engine_tensor(float a1, float p1, float a3, float p3, float phi) {
    using quillon::engine::kDegToRad;
    const auto t = quillon::engine::stress_state_tensor(a1 * kDegToRad, p1 * kDegToRad, a3 * kDegToRad,
                                                          p3 * kDegToRad, phi);
    tools::Mat3 m{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) m[i][j] = t[3 * i + j];
    return m;
}

// The engine's tensor of a CGP line written by the tools.
inline tools::Mat3 engine_tensor_of_line(const std::string& line) {
    float v[5];
    const char* p = line.c_str();
    for (float& x : v) {
        char* end = nullptr;
        x = std::strtof(p, &end);
        p = end;
    }
    return engine_tensor(v[0], v[1], v[2], v[3], v[4]);
}

// The data of a data file's text as the engine holds them after read_data_file
// and prepare_fault_data.
inline std::vector<engine::FaultDatum> engine_data(const std::string& text) {
    const auto path = private_temp_path("bridge.fdt");
    std::ofstream(path, std::ios::binary) << text;
    engine::EngineTables tables;
    tables.data_path = path.string();
    engine::read_data_file(tables);
    engine::prepare_fault_data(tables.fault_data);
    std::filesystem::remove(path);
    return tables.fault_data;
}

inline tools::Vec3 to_vec3(const quillon::engine::Vec3f& v) { return {v[0], v[1], v[2]}; }

}  // namespace quillon::test
