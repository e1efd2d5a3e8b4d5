// The fault-slip data file reader (both classes share it), then the conversion of
// every datum into unit vectors that both runs apply to what it read.
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "engine/core/kernels.h"
#include "engine/error_stop.h"
#include "engine/io/data_file.h"
#include "fuzz_input_file.h"

using namespace quillon::engine;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    EngineTables tables;
    tables.data_path = quillon::fuzz::write_input("data.fdt", data, size);
    try {
        read_data_file(tables);
    } catch (const ErrorStop&) {
        return 0;   // a refused file: the report is the expected outcome
    }
    if (tables.n_data < 0 || static_cast<std::size_t>(tables.n_data) != tables.fault_data.size()) std::abort();
    for (const FaultDatum& d : tables.fault_data)
        if (std::string_view("NRSDnrsd").find(d.sense) == std::string_view::npos) std::abort();
    prepare_fault_data(tables.fault_data);
    return 0;
}
