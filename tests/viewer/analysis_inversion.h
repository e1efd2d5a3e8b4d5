// Synthetic data made by the data tools from known stresses, inverted by the built
// qlmain in a temporary home directory, and loaded as the viewer loads a result.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "synthetic_inversion.h"
#include "temp_dir.h"
#include "tools/grid.h"
#include "tools/synth.h"
#include "viewer/analysis/stress_solutions.h"
#include "viewer/model/result_model.h"

namespace quillon::viewer::testing {

// A home directory for qlmain and the viewer: a grid, the supplied score table and a
// pref.txt with the supplied threshold of 20 degrees.
class InversionHome {
public:
    // The supplied cgp31.cgp (10000 states, about 13 degrees apart).
    InversionHome() { useGrid(TempDir::Read(std::string(QUILLON_SOURCE_DIR) + "/data/cgp31.cgp")); }
    // A grid of `n` random states: coarse grids keep the focal runs short.
    explicit InversionHome(int n) {
        useGrid(tools::format_cgp(tools::states_of_points(tools::random_sphere_points(n, 7))));
    }

    // Writes `data` as `name`, inverts it with class 1 (faults) or 2 (focal) and loads
    // the result; false with the reason when any step fails.
    bool invert(const std::string& name, const std::vector<tools::FaultSlip>& data, int dataClass, int k,
                ResultModel& model, FaultDataSet& set, std::string& why) {
        return invertInHome(dir_.Dir(), name, data, dataClass, k, model, set, why);
    }

    std::string Dir() const { return dir_.Dir(); }

private:
    void useGrid(const std::string& cgp) {
        dir_.Write("grid.cgp", cgp);
        std::filesystem::copy_file(std::string(QUILLON_SOURCE_DIR) + "/data/qln_array.txt",
                                   dir_.Path("qln_array.txt"));
        dir_.Write("pref.txt", "grid.cgp\r\n20\r\n");
    }
    TempDir dir_;
};

// The solutions of a loaded result with the threshold its run record holds.
inline SolutionsOutcome solve(const ResultModel& model, const FaultDataSet& set, int resamples,
                              std::uint64_t seed = 1) {
    std::string error;
    const auto threshold = readMisfitThreshold(model.resultPath, error);
    EXPECT_TRUE(threshold.has_value()) << error;
    SolutionOptions options;
    options.resamples = resamples;
    options.seed = seed;
    return computeStressSolutions(model, set, threshold.value_or(20.0), options);
}

}  // namespace quillon::viewer::testing
