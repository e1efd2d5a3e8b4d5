// qlsynth: writes synthetic fault-slip data (".fdt") or focal mechanisms
// (".fmd") made from known reduced stress states, with optional noise.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "tools/synth.h"
#include "tools/text_file.h"

namespace {
bool ends_with(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}
std::string file_name(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
}  // namespace

int main(int argc, char** argv) {
    using namespace quillon::tools;
    SynthOptions options;
    std::string output, note;
    std::vector<std::string> stress_texts;

    CLI::App app{"qlsynth: writes synthetic fault-slip data (.fdt) or focal mechanisms (.fmd) "
                 "made from known stress states"};
    app.add_option("-o,--output", output, "data file to write; its extension, .fdt or .fmd, sets the class")
        ->required();
    app.add_option("-s,--stress", stress_texts,
                   "stress state \"az1 pl1 az3 pl3 phi\" (sigma1 and sigma3 axes in degrees, Phi); repeatable")
        ->required();
    app.add_option("-n,--count", options.per_state, "data (faults) or mechanisms (.fmd) per stress state")
        ->check(CLI::Range(1, 32767));
    app.add_option("--noise", options.noise_deg,
                   "standard deviation of the Gaussian angular noise on planes and striations, degrees")
        ->check(CLI::Range(0.0, 90.0));
    app.add_option("--seed", options.seed, "random seed");
    app.add_option("--note", note, "also write a short text giving the stresses, noise and command");
    CLI11_PARSE(app, argc, argv);

    if (ends_with(output, ".fmd")) {
        options.focal = true;
    } else if (!ends_with(output, ".fdt")) {
        std::cerr << "qlsynth: the output file must end in .fdt (faults) or .fmd (focal mechanisms): "
                  << output << "\n";
        return 2;
    }
    for (const auto& text : stress_texts) {
        StressState s;
        std::string error;
        if (!parse_stress_state(text, s, error)) {
            std::cerr << "qlsynth: " << error << "\n";
            return 2;
        }
        options.states.push_back(s);
    }
    const long long lines = static_cast<long long>(options.states.size()) * options.per_state * (options.focal ? 2 : 1);
    if (lines > 32767) {
        std::cerr << "qlsynth: " << lines << " data lines requested; a data file holds at most 32767\n";
        return 2;
    }

    const auto data = synthesize(options);
    std::string error;
    if (!write_text_file(output, format_data(data), error)) {
        std::cerr << "qlsynth: " << error << "\n";
        return 1;
    }
    if (!note.empty()) {
        const int per = options.per_state * (options.focal ? 2 : 1);
        std::string text = file_name(output) + ": " + std::to_string(data.size()) + " synthetic " +
                           (options.focal ? "focal-mechanism lines (" + std::to_string(data.size() / 2) +
                                                " mechanisms, two nodal planes each, in random order)"
                                          : std::string("fault-slip data")) +
                           ", made by qlsynth.\r\n";
        for (std::size_t i = 0; i < options.states.size(); ++i) {
            text += "Stress " + std::to_string(i + 1) + ": " + format_stress_state(options.states[i]) +
                    "  (lines " + std::to_string(i * per + 1) + " to " + std::to_string((i + 1) * per) + ")\r\n";
        }
        char buf[160];
        std::snprintf(buf, sizeof buf,
                      "Noise: Gaussian, %g degrees standard deviation on plane normals and striations.\r\n",
                      options.noise_deg);
        text += buf;
        text += "Command: qlsynth -o " + file_name(output);
        for (const auto& s : stress_texts) text += " -s \"" + s + "\"";
        std::snprintf(buf, sizeof buf, " -n %d --noise %g --seed %llu", options.per_state, options.noise_deg,
                      static_cast<unsigned long long>(options.seed));
        text += buf;
        text += "\r\n";
        if (!write_text_file(note, text, error)) {
            std::cerr << "qlsynth: " << error << "\n";
            return 1;
        }
    }
    std::printf("%s: %zu lines\n", output.c_str(), data.size());
    return 0;
}
