// Reading fault-plane tables (catalogue exports, field compilations, the
// engine's own data files) and writing them as engine data files (.fdt, .fmd)
// or as strike/dip/rake CSV. Everything is built in memory; the caller writes
// the finished text at once.
//
// Input tables: one datum per line; fields separated by commas, semicolons,
// tabs or blanks (the separator that occurs most often in the first line
// outside double quotes; blanks when there is none); fields may be quoted with
// double quotes. Lines whose first non-blank character is '#' and blank lines
// are passed over. The first line is a header when one of its fields is a known
// column name (or a name given in the column list), or when none of its fields
// is a number. Columns not selected are ignored.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/convert.h"
#include "tools/synth.h"

namespace quillon::tools {

// sdr: strike, dip, rake. ddr: dip direction, dip, rake. native: dip direction,
// dip, striation trend, striation plunge, sense letter (the engine's data line).
enum class Convention { sdr, ddr, native };

const char* convention_name(Convention c);
std::optional<Convention> parse_convention(const std::string& text);

// A bad input file or a bad request; the message names the file, and the line
// and column where there is one.
class ConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct ReadOptions {
    std::optional<Convention> from;    // overrides the header's convention
    std::vector<std::string> columns;  // 1-based numbers or header names, in the convention's order
    bool engine_file = false;          // .fdt/.fmd: blanks and commas separate, native by default
};

struct Datum {
    int line = 0;         // 1-based line of the input
    FaultSlip fault;      // the data line: as given for native input, else made from the mechanism
    Mechanism mechanism;  // native input: plane with the slip projected onto it
};

struct Catalogue {
    Convention convention = Convention::sdr;
    std::vector<Datum> data;
    std::vector<int> wrapped_lines;    // lines with an azimuth brought into [0, 360)
    std::vector<int> off_plane_lines;  // native lines whose striation is over 1 degree off the plane
};

// Parses a whole input text; `name` is the file name used in messages. Throws
// ConvertError on the first bad value or missing column.
Catalogue read_catalogue(const std::string& name, const std::string& text, const ReadOptions& options);

// Output texts, every line ended with CR LF.
// .fdt: one line per datum.
std::string format_fdt(const Catalogue& c);
// .fmd: two lines per datum, the given plane then its auxiliary plane.
std::string format_fmd(const Catalogue& c);
// CSV with the header "strike,dip,rake", two decimals, strike in [0, 360), rake
// in (-180, 180]. paired: the data are nodal-plane pairs (an .fmd file read
// back); one row per mechanism, its first plane, with the second plane as
// strike2, dip2, rake2.
std::string format_csv(const Catalogue& c, bool paired);

// Line numbers as a short list: "3, 5-7, 12".
std::string line_list(const std::vector<int>& lines);

// The whole conversion of IN to OUT (by OUT's extension: .fdt, .fmd or .csv);
// an input ending in .fdt or .fmd is read as an engine data file, and an .fmd
// input converts to .csv only. Warnings (one line each, without line end) are
// appended to `warnings`. The output file is written whole or not at all.
// Returns the number of lines written after the header; throws ConvertError.
int convert_file(const std::string& in_path, const std::string& out_path, const ReadOptions& options,
                 std::vector<std::string>& warnings);

}  // namespace quillon::tools
