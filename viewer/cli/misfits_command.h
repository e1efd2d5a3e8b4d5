// qlv4 --misfits RESULT --stress "AZ1 PL1 AZ3 PL3 PHI" [OUT] [--home DIR]
// The misfit of every datum of a result under a stress state, one line per
// datum (label, plane, slip, sense, misfit or ZSS, normal and shear stress),
// printed or written to OUT (CR LF line ends, whole or not at all).
#pragma once

#include <array>
#include <optional>
#include <ostream>
#include <string>

#include "viewer/model/fault_data.h"
#include "viewer/model/result_model.h"

namespace quillon::viewer {

bool isMisfitsMode(int argc, char** argv);
int runMisfitsCommand(int argc, char** argv, std::ostream& out, std::ostream& err, const std::string& programDir);

// The five numbers of "AZ1 PL1 AZ3 PL3 PHI", unchecked; nothing and `error` when
// a token is not a number or there are not exactly five.
std::optional<std::array<double, 5>> readStressNumbers(const std::string& text, std::string& error);

// "AZ1 PL1 AZ3 PL3 PHI" as a stress state: azimuths 0 to 360, plunges 0 to 90,
// Phi 0 to 1, axes perpendicular within 1 degree; otherwise nothing and `error`.
std::optional<StressState> parseStressState(const std::string& text, std::string& error);

// Loads the result at `path` (grids from `homeDir`) into `model` and `data` as
// the windows list it: senses reduced, every misfit 180 until a designation.
bool loadResultData(ResultModel& model, FaultDataSet& data, const std::string& path, const std::string& homeDir,
                    std::string& error);

}  // namespace quillon::viewer
