#pragma once
#include "engine/core/tables.h"
namespace quillon::engine {
// Reads the fault-slip data file at tables.data_path into n_data and fault_data.
void read_data_file(EngineTables& tables);
}  // namespace quillon::engine
