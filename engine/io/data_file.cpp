// The fault-slip data file: one datum per line, dip direction, dip, slip trend,
// slip plunge and a sense letter (N, R, S, D in either case), read in two passes:
// the first counts and checks, the second stores.
#include "engine/io/data_file.h"

#include <fstream>
#include <limits>
#include <new>

#include "engine/error_stop.h"
#include "engine/io/data_reading.h"
#include "engine/io/list_input.h"

namespace quillon::engine {

bool read_datum(ListReader& reader, FaultDatum& d) {
    std::string sense;
    const bool ok = reader.read_real(d.dip_direction) == ReadStatus::Ok &&
                    reader.read_real(d.dip) == ReadStatus::Ok &&
                    reader.read_real(d.slip_trend) == ReadStatus::Ok &&
                    reader.read_real(d.slip_plunge) == ReadStatus::Ok &&
                    reader.read_text(sense) == ReadStatus::Ok;
    reader.end_record();
    if (!ok) return false;
    // Only the first character counts; an empty quoted item is a blank sense.
    d.sense = sense.empty() ? ' ' : sense.front();
    return true;
}

namespace {

// "<file> line 12: ..." for the line after a report; the file's real line, which
// differs from the datum's ordinal when data span lines or blank lines come between.
std::string where(std::string_view source, const std::string& what) {
    return source.empty() ? what : std::string(source) + (what.rfind("line ", 0) == 0 ? " " : ": ") + what;
}

}  // namespace

std::int16_t count_data(ListReader& reader, std::string_view source) {
    constexpr std::int32_t kMaxData = std::numeric_limits<std::int16_t>::max();
    std::int32_t count = 0;
    FaultDatum scratch;
    while (!reader.at_end()) {
        if (!read_datum(reader, scratch))
            error_stop("read_data_file", "Invalid data at line number", count + 1,
                       where(source, reader.failure_detail()));
        if (std::string_view("NRSDnrsd").find(scratch.sense) == std::string_view::npos)
            error_stop("read_data_file", "Invalid sense in the line number", count + 1,
                       where(source, "line " + std::to_string(reader.line_number()) + ": sense \"" +
                                         std::string(1, scratch.sense) + "\" is not one of N, R, S, D"));
        // The count of data is a 16-bit number: refuse a larger file instead of
        // letting the count wrap around.
        if (count == kMaxData)
            error_stop("read_data_file", "Number of data exceeds the upper bound 32767");
        ++count;
    }
    return static_cast<std::int16_t>(count);
}

void store_data(ListReader& reader, std::int16_t n_data, std::vector<FaultDatum>& fault_data,
                std::string_view source) {
    for (std::int32_t i = 1; i <= n_data; ++i) {
        if (!read_datum(reader, fault_data[static_cast<std::size_t>(i - 1)]))
            error_stop("read_data_file", "Invalid data at the line number", i, where(source, reader.failure_detail()));
    }
}

void read_data_file(EngineTables& tables) {
    std::ifstream in;
    std::string why;
    if (!open_for_reading(tables.data_path, in, &why))
        error_stop("read_data_file", "Data file not found", std::nullopt, tables.data_path + ": " + why);
    ListReader reader(in);

    const std::int16_t count = count_data(reader, tables.data_path);
    std::vector<FaultDatum> records;
    try {
        records.resize(static_cast<std::size_t>(count));
    } catch (const std::bad_alloc&) {
        error_stop("read_data_file", "Memory allocation error");
    }
    reader.rewind();
    store_data(reader, count, records, tables.data_path);

    tables.n_data = count;
    tables.fault_data = std::move(records);
}

}  // namespace quillon::engine
