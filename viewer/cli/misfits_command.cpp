#include "viewer/cli/misfits_command.h"

#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <unistd.h>

#include "viewer/cli/cli.h"
#include "viewer/cli/mode_arguments.h"
#include "viewer/model/data_listing.h"
#include "viewer/model/number_format.h"
#include "viewer/model/text_reader.h"

namespace quillon::viewer {

namespace {

std::string consoleText(std::string s) {
    for (std::size_t pos; (pos = s.find("\r\n")) != std::string::npos;) s.replace(pos, 2, "\n");
    return s;
}

// The lines with CR LF ends into a temporary file beside `path`, renamed over it.
bool writeLinesAtomically(const std::string& path, const std::vector<std::string>& lines, std::string& error) {
    const std::string temporary = path + ".tmp" + std::to_string(::getpid());
    {
        std::ofstream f(temporary, std::ios::binary | std::ios::trunc);
        for (const std::string& l : lines) f << l << "\r\n";
        f.flush();
        if (!f) {
            error = "Cannot write the file " + path;
            std::error_code ec;
            std::filesystem::remove(temporary, ec);
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        error = "Cannot write the file " + path + "\n" + ec.message();
        std::filesystem::remove(temporary, ec);
        return false;
    }
    return true;
}

}  // namespace

bool isMisfitsMode(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::string_view(argv[i]) == "--misfits") return true;
    return false;
}

std::optional<std::array<double, 5>> readStressNumbers(const std::string& text, std::string& error) {
    TextReader r(text);
    std::vector<double> v;
    while (auto token = r.nextToken()) {
        const auto x = parseRealToken(*token);
        if (!x) {
            error = "'" + *token + "' is not a number in the stress state \"" + text + "\".";
            return std::nullopt;
        }
        v.push_back(*x);
    }
    if (v.size() != 5) {
        error = "The stress state \"" + text + "\" must hold five numbers: AZ1 PL1 AZ3 PL3 PHI.";
        return std::nullopt;
    }
    return std::array<double, 5>{v[0], v[1], v[2], v[3], v[4]};
}

std::optional<StressState> parseStressState(const std::string& text, std::string& error) {
    const auto numbers = readStressNumbers(text, error);
    if (!numbers) return std::nullopt;
    const std::array<double, 5>& v = *numbers;
    for (int i : {0, 2})
        if (!(v[size_t(i)] >= 0 && v[size_t(i)] <= 360)) {
            error = "Invalid azimuth";
            return std::nullopt;
        }
    for (int i : {1, 3})
        if (!(v[size_t(i)] >= 0 && v[size_t(i)] <= 90)) {
            error = "Invalid plunge";
            return std::nullopt;
        }
    if (!(v[4] >= 0 && v[4] <= 1)) {
        error = "Invalid Phi value";
        return std::nullopt;
    }
    StressState s;
    s.axis[Sigma1] = makeDirection(float(v[0]), float(v[1]));
    s.axis[Sigma3] = makeDirection(float(v[2]), float(v[3]));
    s.stressRatio = float(v[4]);
    const double c = dotProduct(directionToVector(s.axis[Sigma1]), directionToVector(s.axis[Sigma3]));
    const double angle = std::acos(std::clamp(c, -1.0, 1.0)) * kRadToDeg;
    if (std::fabs(angle - 90.0) > 1.0) {
        error = "The sigma1 and sigma3 axes of \"" + text + "\" must be perpendicular; they are " +
                formatDecimals(angle, 1) + " degrees apart.";
        return std::nullopt;
    }
    return s;
}

bool loadResultData(ResultModel& model, FaultDataSet& data, const std::string& path, const std::string& homeDir,
                    std::string& error) {
    model.homeDir = homeDir.empty() || homeDir.back() == '/' ? homeDir : homeDir + "/";
    std::error_code ec;
    const auto full = std::filesystem::absolute(path, ec);
    const LoadOutcome loaded = model.loadResultFile(ec ? path : full.string(), data);
    if (!loaded.ok) {
        error = consoleText(loaded.message);
        return false;
    }
    data.determineSenses();
    for (int i = 1; i < int(data.records.size()) && i <= data.count; ++i) data.records[size_t(i)].misfit = 180.0f;
    data.stressDesignated = false;
    return true;
}

int runMisfitsCommand(int argc, char** argv, std::ostream& out, std::ostream& err, const std::string& programDir) {
    CLI::App app{"qlv4 --misfits: the misfit of every datum of RESULT under a stress state"};
    app.name("qlv4 --misfits");
    std::string result, stressText, home, output;
    app.add_option("--misfits", result, "Result file")->type_name("RESULT")->required();
    app.add_option("--stress", stressText, "The stress state \"AZ1 PL1 AZ3 PL3 PHI\" (sigma1 axis, sigma3 axis, Phi)")
        ->type_name("STATE")
        ->required();
    app.add_option("OUT", output, "Write the lines to OUT instead of printing them");
    app.add_option("--home", home, "Directory holding the CGP grids (default: the program's directory)")
        ->type_name("DIR");
    app.footer("One line per datum: label, dip direction and dip, slip trend and plunge, sense,\n"
               "misfit in degrees (ZSS: no shear stress on the plane), normal and shear stress of\n"
               "the reduced stress tensor (principal values 1, Phi, 0).");
    if (const auto status = parseModeArguments(app, argc, argv, out, err)) return *status;
    std::string error;
    const auto stress = parseStressState(stressText, error);
    if (!stress) {
        err << error << '\n';
        return 1;
    }
    ResultModel model;
    FaultDataSet data;
    if (!loadResultData(model, data, result, home.empty() ? programDir : home, error)) {
        err << error << '\n';
        return 1;
    }
    const std::vector<bool> zeroShear = designateStress(data, *stress);
    const std::vector<std::string> lines = misfitListing(data, zeroShear);
    if (output.empty()) {
        for (const std::string& l : lines) out << l << '\n';
        return 0;
    }
    std::error_code ec;
    if (std::filesystem::exists(output, ec) &&
        std::filesystem::equivalent(output, std::filesystem::absolute(result), ec)) {
        err << "The output file " << output << " is the result file; nothing was written.\n";
        return 1;
    }
    if (!writeLinesAtomically(output, lines, error)) {
        err << error << '\n';
        return 1;
    }
    return 0;
}

}  // namespace quillon::viewer
