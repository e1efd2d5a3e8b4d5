// Synthetic data inverted by the built qlmain in a home directory and loaded as the
// viewer loads a result: the common part of the stress-solution tests and benches.
// Needs QLMAIN_PATH (the built engine) defined by the target.
#pragma once

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/synth.h"
#include "viewer/model/result_model.h"

namespace quillon::viewer::testing {

inline StressState viewerState(const tools::StressState& s) {
    StressState v;
    v.axis[Sigma1] = Direction{float(s.sigma1.az), float(s.sigma1.pl)};
    v.axis[Sigma3] = Direction{float(s.sigma3.az), float(s.sigma3.pl)};
    v.stressRatio = float(s.phi);
    return v;
}

// Writes `data` as `name` into `homeDir` (a directory ending with a separator that holds
// pref.txt, its grid and the score table), inverts it with class 1 (faults) or 2 (focal)
// and subset size k into the result of the same stem (".ql4"), and loads that result;
// false with qlmain's console output or the loader's message in `why`.
inline bool invertInHome(const std::string& homeDir, const std::string& name,
                         const std::vector<tools::FaultSlip>& data, int dataClass, int k, ResultModel& model,
                         FaultDataSet& set, std::string& why) {
    std::ofstream(homeDir + name, std::ios::binary) << tools::format_data(data);
    const std::string result = name.substr(0, name.find('.')) + ".ql4";
    const std::string command = "cd '" + homeDir + "' && '" + QLMAIN_PATH + "' --data " + name + " --result " +
                                result + " --class " + std::to_string(dataClass) + " -k " + std::to_string(k) +
                                " --overwrite < /dev/null > console.txt 2>&1";
    if (std::system(command.c_str()) != 0) {
        std::ifstream in(homeDir + "console.txt", std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        why = "qlmain failed:\n" + text.str();
        return false;
    }
    model = ResultModel{};
    model.homeDir = homeDir;
    const LoadOutcome loaded = model.loadResultFile(homeDir + result, set);
    if (!loaded.ok) {
        why = loaded.message;
        return false;
    }
    return true;
}

}  // namespace quillon::viewer::testing
