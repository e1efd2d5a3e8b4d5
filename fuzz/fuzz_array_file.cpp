// qln_array.txt of a home directory: the 181 scores and the function label.
#include <cstdint>
#include <cstdlib>
#include <sstream>

#include "engine/console.h"
#include "engine/error_stop.h"
#include "engine/io/grid_file.h"
#include "fuzz_input_file.h"

using namespace quillon::engine;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quillon::fuzz::write_input("qln_array.txt", data, size);
    std::istringstream in;
    std::ostringstream out;
    Console console(in, out);
    EngineTables tables;
    std::string label;
    try {
        label = read_array_file(quillon::fuzz::work_folder(), tables, console);
    } catch (const ProgramStop&) {
        return 0;   // refused, with its lines written
    }
    if (label.size() > 40) std::abort();
    for (const std::int16_t score : tables.misfit_score_table)
        if (score < 0 || score > 200) std::abort();
    return 0;
}
