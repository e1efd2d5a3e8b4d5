#include "viewer/cli/cli.h"
#include "viewer/cli/mode_arguments.h"

#include <CLI/CLI.hpp>
#include <cmath>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string_view>
#include <vector>

#include "viewer/cli/misfits_command.h"
#include "viewer/cli/solutions_command.h"
#include "viewer/model/coordinates.h"
#include "viewer/model/result_model.h"
#include "viewer/model/stress_statistics.h"
#include "viewer/model/text_reader.h"

namespace quillon::viewer {
namespace {

constexpr std::string_view kOptions[] = {"--average", "--theta", "--coordinates", "--kind",
                                         "--ef", "--sr", "--home", "--help", "-h", "--solutions", "--misfits"};

// Message texts join their lines with CR LF (message boxes); a console wants LF.
void writeLines(std::ostream& os, const std::string& text) {
    std::string s = text;
    for (std::size_t pos; (pos = s.find("\r\n")) != std::string::npos;) s.replace(pos, 2, "\n");
    os << s << '\n';
}

void writeLines(std::ostream& os, const std::vector<std::string>& lines) {
    for (const std::string& line : lines) os << line << '\n';
}

std::string withSeparator(std::string dir) {
    if (dir.empty()) dir = ".";
    if (dir.back() != '/') dir += '/';
    return dir;
}

// "AZ1 PL1 AZ3 PL3 PHI" as a stress state; nothing (and a message) when malformed.
std::optional<StressState> parseState(const std::string& text, std::string& error) {
    const auto numbers = readStressNumbers(text, error);
    if (!numbers) return std::nullopt;
    const std::array<double, 5>& v = *numbers;
    if (!(v[4] >= 0.0 && v[4] <= 1.0)) {
        error = "Invalid Phi value";
        return std::nullopt;
    }
    StressState s;
    s.axis[Sigma1] = Direction{static_cast<float>(v[0]), static_cast<float>(v[1])};
    s.axis[Sigma3] = Direction{static_cast<float>(v[2]), static_cast<float>(v[3])};
    s.stressRatio = static_cast<float>(v[4]);
    return s;
}

// Loads a result with its grid and computes the spread of its votes.
bool loadForStatistics(ResultModel& model, const std::string& path, std::ostream& err) {
    FaultDataSet data;
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    const LoadOutcome loaded = model.loadResultFile(ec ? path : full.string(), data);
    if (!loaded.ok) {
        writeLines(err, loaded.message);
        return false;
    }
    model.computeVoteSd();
    return true;
}

}  // namespace

bool isCommandLineMode(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        for (std::string_view opt : kOptions)
            if (arg == opt || (arg.size() > opt.size() && arg.substr(0, opt.size()) == opt &&
                               arg[opt.size()] == '='))
                return true;
    }
    return false;
}

std::optional<std::string> unknownWindowOption(int argc, char** argv) {
    // The options the toolkit takes itself, with one or two dashes; those in the
    // first list take a value (as the next argument or after '=').
    static constexpr std::string_view withValue[] = {
        "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
        "qwindowicon", "qwindowtitle", "session", "display", "geometry", "title", "name",
        "style", "stylesheet", "qmljsdebugger", "fontengine"};
    static constexpr std::string_view flags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg.size() < 2 || arg[0] != '-') continue;  // a result file (or "-")
        std::string_view name = arg.substr(arg[1] == '-' ? 2 : 1);
        const auto eq = name.find('=');
        const bool inlineValue = eq != std::string_view::npos;
        if (inlineValue) name = name.substr(0, eq);
        bool known = false;
        for (std::string_view o : withValue)
            if (name == o) {
                known = true;
                if (!inlineValue) ++i;  // its value
            }
        for (std::string_view o : flags)
            if (name == o && !inlineValue) known = true;
        if (!known) return std::string(arg);
    }
    return std::nullopt;
}

std::string programDirectory() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return "./";
    return withSeparator(exe.parent_path().string());
}

bool asksForHelp(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::string_view(argv[i]) == "--help" || std::string_view(argv[i]) == "-h") return true;
    return false;
}

int runCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err,
                   const std::string& programDir) {
    if (isSolutionsMode(argc, argv)) return runSolutionsCommand(argc, argv, out, err, programDir);
    if (isMisfitsMode(argc, argv)) return runMisfitsCommand(argc, argv, out, err, programDir);
    CLI::App app{"qlv4: the Quillon result viewer. Without these options it opens its windows "
                 "(qlv4 [RESULT] opens RESULT)."};
    app.name("qlv4");
    app.footer(
        "Pictures without a display:\n"
        "  qlv4 --export RESULT OUT [--ef N] [--df N] [--sr LO HI] [--head-only] [--small-head] "
        "[--home DIR]\n"
        "          [--palette FILE.pal]\n"
        "      the stress-state stereonets Draw would show, by OUT's extension (.png .bmp .jpg: "
        "the canvas;\n"
        "      .svg .pdf: vectors; anything else an enhanced metafile); qlv4 --export --help "
        "for details\n"
        "Checking a stress against the data:\n"
        "  qlv4 --misfits RESULT --stress \"AZ1 PL1 AZ3 PL3 PHI\" [OUT] [--home DIR]\n"
        "      one line per datum: label, plane, slip, sense, misfit (or ZSS), normal and shear stress\n"
        "  qlv4 --export-data RESULT OUT [--stress \"...\"] [--tld] [--equal-area] [--home DIR]\n"
        "      the data stereonet (great circles with slip symbols, or --tld the tangent-lineation\n"
        "      diagram), with the stress and the misfit colours when --stress is given\n"
        "  qlv4 --export-mohr RESULT OUT --stress \"...\" [--home DIR]\n"
        "      the Mohr diagram of the data under the stress; pictures by OUT's extension as --export\n"
        "Stress solutions:\n"
        "  qlv4 --solutions RESULT [--csv OUT] [--home DIR] [--resamples N] [--seed S]\n"
        "      the voted states in clusters, each refined off the grid with 95 % bootstrap limits;\n"
        "      qlv4 --solutions --help for details");
    std::string averagePath;
    std::vector<std::string> thetaStates;
    std::vector<std::string> coordinateFiles;
    int kind = -1;
    int ef = 8;
    std::vector<int> bounds;
    std::string home;

    auto* average = app.add_option("--average", averagePath,
                                   "Print the Global Average and Spread of the plotted states of RESULT")
                        ->type_name("RESULT");
    auto* theta = app.add_option("--theta", thetaStates,
                                 "Print the angular stress distance between two states, "
                                 "each given as \"AZ1 PL1 AZ3 PL3 PHI\"")
                      ->expected(2)
                      ->type_name("STATE");
    auto* coordinates = app.add_option("--coordinates", coordinateFiles,
                                       "Write the coordinates of the plotted states of RESULT to OUT")
                            ->expected(2)
                            ->type_name("RESULT OUT");
    auto* kindOpt = app.add_option("--kind", kind,
                                   "Coordinate file: 0 principal axes and stress ratios, 1 reduced stress tensors")
                        ->check(CLI::Range(0, 1));
    auto* efOpt = app.add_option("--ef", ef, "Enhance factor, 0 to 99 (default 8)")->check(CLI::Range(0, 99));
    auto* srOpt = app.add_option("--sr", bounds, "Lower and upper stress-ratio bounds, classes 0 to 10 (default 0 10)")
                      ->expected(2)
                      ->check(CLI::Range(0, 10))
                      ->type_name("LO HI");
    app.add_option("--home", home, "Directory holding the CGP grids (default: the program's directory)")
        ->type_name("DIR");
    average->excludes(theta)->excludes(coordinates);
    theta->excludes(coordinates)->excludes(efOpt)->excludes(srOpt)->excludes(kindOpt);
    kindOpt->needs(coordinates);
    coordinates->needs(kindOpt);

    if (const auto status = parseModeArguments(app, argc, argv, out, err)) return *status;

    PlotSettings settings;
    settings.ef = ef;
    if (bounds.size() == 2) {
        if (bounds[0] > bounds[1]) {
            err << "The lower stress-ratio bound " << bounds[0] << " is above the upper bound " << bounds[1]
                << ".\n";
            return 1;
        }
        settings.srLo = bounds[0];
        settings.srUp = bounds[1];
    }
    ResultModel model;
    model.homeDir = withSeparator(home.empty() ? programDir : home);
    const MessageSink toErr = [&err](const std::string& text) { writeLines(err, text); };

    if (*average) {
        if (!loadForStatistics(model, averagePath, err)) return 1;
        const GlobalAverage ga = computeGlobalAverage(model, settings, toErr);
        if (!ga.ok) {
            writeLines(err, ga.message);
            return 1;
        }
        writeLines(out, statisticsText(model.resultPath, settings.ef, ga.symbolCount, ga.mean.sigma1, ga.mean.sigma3, ga.mean.phi,
                                 0.0f, 0.0f, 0.0f, ga.meanStressDifference, ga.meanTheta));
        return 0;
    }
    if (*theta) {
        std::string error;
        const auto s1 = parseState(thetaStates[0], error);
        if (!s1) {
            err << error << '\n';
            return 1;
        }
        const auto s2 = parseState(thetaStates[1], error);
        if (!s2) {
            err << error << '\n';
            return 1;
        }
        const float angle = thetaBetweenStressStates(*s1, *s2);
        writeLines(out, thetaDistanceText(s1->axis[Sigma1], s1->axis[Sigma3], s1->stressRatio, s2->axis[Sigma1],
                                          s2->axis[Sigma3], s2->stressRatio, angle));
        return 0;
    }
    if (*coordinates) {
        if (!loadForStatistics(model, coordinateFiles[0], err)) return 1;
        const SaveOutcome saved = saveCoordinates(model, settings, kind, coordinateFiles[1]);
        if (!saved.ok) {
            writeLines(err, saved.message);
            return 1;
        }
        return 0;
    }
    err << "qlv4: give one of --average, --theta or --coordinates (see qlv4 --help).\n";
    return 1;
}

}  // namespace quillon::viewer
