// The benches' synthetic inversions: data made by the data tools from known
// stresses, inverted by the built qlmain (k = 4, threshold 20) in a temporary home
// directory, and loaded as the viewer loads a result.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "tests/viewer/synthetic_inversion.h"
#include "tools/grid.h"
#include "tools/synth.h"
#include "viewer/model/result_model.h"

namespace quillon::viewer::bench {

using testing::viewerState;

// A temporary home for qlmain and the viewer, removed at the end: the supplied
// cgp31.cgp (faults) and a grid of 2000 random states, coarse.cgp (focal
// mechanisms, to keep their runs short), beside the supplied score table.
class SyntheticHome {
public:
    explicit SyntheticHome(const std::string& prefix)
        : dir_(std::filesystem::temp_directory_path() / (prefix + std::to_string(::getpid()))) {
        namespace fs = std::filesystem;
        fs::create_directories(dir_);
        const fs::path data = fs::path(QUILLON_SOURCE_DIR) / "data";
        fs::copy_file(data / "cgp31.cgp", dir_ / "cgp31.cgp", fs::copy_options::overwrite_existing);
        fs::copy_file(data / "qln_array.txt", dir_ / "qln_array.txt", fs::copy_options::overwrite_existing);
        std::ofstream(dir_ / "coarse.cgp", std::ios::binary)
            << tools::format_cgp(tools::states_of_points(tools::random_sphere_points(2000, 7)));
    }
    ~SyntheticHome() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    SyntheticHome(const SyntheticHome&) = delete;
    SyntheticHome& operator=(const SyntheticHome&) = delete;

    // Makes the data `synth` describes, inverts them and loads the result; false
    // with qlmain's console output or the loader's message in `why` on failure.
    bool invert(const tools::SynthOptions& synth, ResultModel& model, FaultDataSet& set, std::string& why) {
        std::ofstream(dir_ / "pref.txt", std::ios::binary) << (synth.focal ? "coarse.cgp" : "cgp31.cgp") << "\r\n20\r\n";
        return testing::invertInHome(dir_.string() + "/", synth.focal ? "data.fmd" : "data.fdt",
                                     tools::synthesize(synth), synth.focal ? 2 : 1, 4, model, set, why);
    }

private:
    std::filesystem::path dir_;
};

}  // namespace quillon::viewer::bench
