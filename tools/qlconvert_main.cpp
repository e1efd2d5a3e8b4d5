// qlconvert: converts fault-plane tables (strike/dip/rake, dip direction/dip/rake,
// or plane + striation + sense) into the engine's data files (.fdt, .fmd), and
// data files back into strike/dip/rake CSV.
#include <cctype>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "tools/catalogue.h"

int main(int argc, char** argv) {
    using namespace quillon::tools;
    std::string in_path, out_path, from;
    std::vector<std::string> columns;

    CLI::App app{
        "qlconvert: converts a table of fault planes or focal mechanisms into a fault-slip data file "
        "(.fdt), a focal-mechanism data file (.fmd, two nodal planes per mechanism) or a strike/dip/rake "
        "CSV file (.csv); .fdt and .fmd files convert back to .csv"};
    app.add_option("IN", in_path,
                   "input: a table (CSV, semicolon, tab or blank separated; '#' comment lines; extra "
                   "columns ignored) or a data file ending in .fdt or .fmd")
        ->required();
    app.add_option("OUT", out_path, "output, by its extension: .fdt, .fmd or .csv; written whole or not at all")
        ->required();
    app.add_option("--from", from,
                   "input convention when no header line names it (a header's convention is overridden): "
                   "sdr = strike dip rake (right-hand rule, rake -180 to 180 or 0 to 360), ddr = dip "
                   "direction dip rake, native = dip direction, dip, striation trend, plunge, sense "
                   "letter N/R/S/D")
        ->check(CLI::IsMember({"sdr", "ddr", "native"}));
    app.add_option("--columns", columns,
                   "input columns in the convention's order, by number (from 1) or header name, "
                   "e.g. --columns 4,5,6 or --columns str,dp,rk (default: found by header name, else "
                   "the first columns)")
        ->delimiter(',');
    app.footer(
        "Header names (any case; blanks, '_', '-' and '.' ignored): strike|strike1, dip|dip1, rake|rake1, "
        "dip_direction|dipdir|dd|dip_azimuth, trend|slip_trend, plunge|slip_plunge, sense|sense_of_slip. "
        "Azimuths below 0 or from 360 up are brought into 0 to 360 with one warning.\n"
        ".fdt: one line per plane: dip direction, dip, trend and plunge of the downward slip line and "
        "the sense letter (D or S when the strike-slip part of the rake dominates, else N or R) that "
        "makes the engine rebuild the hanging wall's motion. .fmd: for each mechanism the given plane, "
        "then its auxiliary plane (normal = the given slip, slip = the given normal).\n"
        "A horizontal plane (dip 0) has no strike of its own: it keeps the strike it is given (dip "
        "direction = strike + 90) and the hanging wall moves towards azimuth strike - rake; a "
        "horizontal auxiliary plane takes the azimuth of its slip as strike (rake 0).\n"
        "Exit status: 0 on success; 1 on a bad input, bad --columns or unwritable output (then no output "
        "file is written); 2 when the command line itself is malformed.");
    CLI11_PARSE(app, argc, argv);

    ReadOptions options;
    if (!from.empty()) options.from = parse_convention(from);
    options.columns = columns;
    std::vector<std::string> warnings;
    try {
        const int lines = convert_file(in_path, out_path, options, warnings);
        for (const auto& w : warnings) std::cerr << "qlconvert: warning: " << w << "\n";
        std::string ext = std::filesystem::path(out_path).extension().string();
        for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const bool csv = ext == ".csv";
        std::cout << out_path << ": " << lines << (csv ? " row" : " data line") << (lines == 1 ? "" : "s")
                  << "\n";
    } catch (const ConvertError& e) {
        for (const auto& w : warnings) std::cerr << "qlconvert: warning: " << w << "\n";
        std::cerr << "qlconvert: " << e.what() << "\n";
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "qlconvert: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
