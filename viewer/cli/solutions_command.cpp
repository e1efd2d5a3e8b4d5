#include "viewer/cli/solutions_command.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "viewer/cli/cli.h"
#include "viewer/cli/mode_arguments.h"
#include "viewer/analysis/stress_solutions.h"
#include "viewer/model/result_model.h"

namespace quillon::viewer {
namespace {

std::string withSeparator(std::string dir) {
    if (dir.empty()) dir = ".";
    if (dir.back() != '/') dir += '/';
    return dir;
}

void writeLines(std::ostream& os, const std::string& text) {
    std::string s = text;
    for (std::size_t pos; (pos = s.find("\r\n")) != std::string::npos;) s.replace(pos, 2, "\n");
    os << s << '\n';
}

// Writes the CSV beside `path` and renames it into place, so that a failure leaves no
// half-written file.  Lines end with CR LF, as every text file of the system.
bool writeCsv(const std::string& path, const std::vector<StressSolution>& solutions, std::string& error) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream f(temporary, std::ios::binary | std::ios::trunc);
        if (!f) {
            error = path + ": cannot be written.";
            return false;
        }
        f << kSolutionsCsvHeader << "\r\n";
        for (const StressSolution& s : solutions) f << solutionCsvRow(s) << "\r\n";
        f.flush();
        if (!f) {
            f.close();
            std::remove(temporary.c_str());
            error = path + ": writing failed.";
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        std::remove(temporary.c_str());
        error = path + ": cannot be written (" + ec.message() + ").";
        return false;
    }
    return true;
}

}  // namespace

bool isSolutionsMode(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--solutions" || arg.rfind("--solutions=", 0) == 0) return true;
    }
    return false;
}

int runSolutionsCommand(int argc, char** argv, std::ostream& out, std::ostream& err,
                        const std::string& programDir) {
    CLI::App app{"qlv4 --solutions: the stress solutions of a result. The voted states are separated "
                 "into clusters (modes of the votes smoothed over the grid spacing, each holding at least "
                 "5 % of the votes); each cluster's vote-weighted mean stress is refined off the grid to "
                 "best fit the data it explains (misfit within the run's threshold), with 95 % bootstrap "
                 "limits."};
    app.name("qlv4");
    std::string resultPath, csvPath, home;
    SolutionOptions options;
    app.add_option("--solutions", resultPath, "Result file (.ql4)")->required()->type_name("RESULT");
    app.add_option("--csv", csvPath, "Also write the table as CSV to OUT")->type_name("OUT");
    app.add_option("--home", home, "Directory holding the CGP grids (default: the program's directory)")
        ->type_name("DIR");
    app.add_option("--resamples", options.resamples, "Bootstrap resamples per cluster (default 500)")
        ->check(CLI::Range(0, 100000));
    app.add_option("--seed", options.seed, "Seed of the bootstrap resampling (default 1)");
    // "--solutions --help" asks for this help, not for a result named "--help".
    if (const auto status = parseModeArguments(app, argc, argv, out, err)) return *status;

    ResultModel model;
    model.homeDir = withSeparator(home.empty() ? programDir : home);
    FaultDataSet data;
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(resultPath, ec);
    const LoadOutcome loaded = model.loadResultFile(ec ? resultPath : full.string(), data);
    if (!loaded.ok) {
        writeLines(err, loaded.message);
        return 1;
    }
    std::string error;
    const auto threshold = readMisfitThreshold(model.resultPath, error);
    if (!threshold) {
        err << error << '\n';
        return 1;
    }
    const SolutionsOutcome outcome = computeStressSolutions(model, data, *threshold, options);
    if (!outcome.ok) {
        err << fileNamePart(model.resultPath) << ": " << outcome.message << '\n';
        return 1;
    }
    if (!csvPath.empty() && !writeCsv(csvPath, outcome.solutions, error)) {
        err << error << '\n';
        return 1;
    }
    for (const std::string& line : solutionsPreamble(outcome, fileNamePart(model.resultPath), options))
        out << line << '\n';
    for (const std::string& line : solutionsTable(outcome.solutions)) out << line << '\n';
    return 0;
}

}  // namespace quillon::viewer
