// pref.txt of a home directory: the grid name and the misfit threshold.
#include <cstdint>
#include <cstdlib>

#include "engine/error_stop.h"
#include "engine/io/pref_file.h"
#include "fuzz_input_file.h"

using namespace quillon::engine;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quillon::fuzz::write_input("pref.txt", data, size);
    EngineTables tables;
    try {
        read_pref_file(quillon::fuzz::work_folder(), tables);
    } catch (const ErrorStop&) {
        return 0;
    }
    // The grid path is the home directory, "/" and line 1, at most 300 characters.
    if (tables.cgp_file_path.size() > 300) std::abort();
    return 0;
}
