// The CGP grid reader: the count line, the grid points and their tensors.
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "engine/error_stop.h"
#include "engine/io/grid_file.h"
#include "fuzz_input_file.h"

using namespace quillon::engine;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    EngineTables tables;
    tables.cgp_file_path = quillon::fuzz::write_input("grid.cgp", data, size);
    try {
        read_cgp_file(tables);
    } catch (const ErrorStop&) {
        return 0;
    }
    if (tables.n_grid < 0 || static_cast<std::size_t>(tables.n_grid) != tables.stress_grid.size()) std::abort();
    // Every accepted point lies within its ranges, so its tensor is finite.
    for (const GridState& g : tables.stress_grid)
        for (const float x : g.tensor)
            if (!std::isfinite(x)) std::abort();
    return 0;
}
