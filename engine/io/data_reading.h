// The two passes of the data file reader, apart so that each can be tested.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/core/tables.h"
#include "engine/io/list_input.h"

namespace quillon::engine {

// One datum (four reals and the sense item), then the rest of its line dropped.
// Fills the first five fields of d; false on a read failure.
bool read_datum(ListReader& reader, FaultDatum& d);

// Counting pass: reads and checks data until the end of the input; error_stop on
// an unreadable datum, a bad sense letter, or more than 32767 data.
// source names the file in the detail line of a report.
std::int16_t count_data(ListReader& reader, std::string_view source = {});

// Storing pass: reads n_data data into fault_data (which holds n_data records).
void store_data(ListReader& reader, std::int16_t n_data, std::vector<FaultDatum>& fault_data,
                std::string_view source = {});

}  // namespace quillon::engine
