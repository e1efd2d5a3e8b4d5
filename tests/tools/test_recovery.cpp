// End to end: synthetic data made from known stresses, inverted by the built
// qlmain with the supplied coarse grid and score table, must give votes around
// those stresses. A sign error anywhere in the chain (sense letters, normals,
// tensors, scores) moves the votes far away and fails here.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "temp_path.h"
#include "tools/grid.h"
#include "tools/recovery.h"
#include "tools/synth.h"

namespace qt = quillon::tools;
namespace fs = std::filesystem;

namespace {

std::string read_all(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// A home directory holding the supplied cgp31.cgp grid (10000 states) and
// qln_array.txt, and a pref.txt naming that grid with the supplied misfit
// threshold; qlmain runs there in batch mode.
class Home {
public:
    Home() {
        root_ = quillon::test::private_temp_path("recovery");
        fs::remove_all(root_);
        fs::create_directories(root_);
        fs::copy_file(fs::path(QUILLON_SOURCE_DIR) / "data" / "cgp31.cgp", root_ / "cgp31.cgp");
        fs::copy_file(fs::path(QUILLON_SOURCE_DIR) / "data" / "qln_array.txt", root_ / "qln_array.txt");
        const std::string pref = read_all(fs::path(QUILLON_SOURCE_DIR) / "data" / "pref.txt");
        const std::string threshold_line = pref.substr(pref.find('\n') + 1);
        std::ofstream(root_ / "pref.txt", std::ios::binary) << "cgp31.cgp\r\n" << threshold_line;
    }
    ~Home() { fs::remove_all(root_); }

    // Inverts `data` (written as `name`); returns false with the console text
    // when qlmain wrote no result.
    bool invert(const std::string& name, const std::string& data, int data_class, int k,
                std::vector<qt::GridVote>& votes, std::string& console) {
        std::ofstream(root_ / name, std::ios::binary) << data;
        const std::string command = "cd '" + root_.string() + "' && '" + QLMAIN_PATH + "' --data " + name +
                                    " --result result.ql4 --class " + std::to_string(data_class) + " -k " +
                                    std::to_string(k) + " --overwrite < /dev/null > console.txt 2>&1";
        const int status = std::system(command.c_str());
        console = read_all(root_ / "console.txt");
        if (status != 0) return false;
        std::string error;
        if (!qt::read_result_votes((root_ / "result.ql4").string(), votes, error)) {
            console += "\n" + error;
            return false;
        }
        return true;
    }

    std::vector<qt::StressState> grid() const {
        std::vector<qt::StressState> states;
        std::string error;
        EXPECT_TRUE(qt::read_cgp((root_ / "cgp31.cgp").string(), states, error)) << error;
        return states;
    }

private:
    fs::path root_;
};

// The figures asked with the 60000 grid, widened to the spacing of the 10000 grid.
const double kScale = std::pow(60000.0 / 10000.0, 0.25);

std::string flipped_senses(std::vector<qt::FaultSlip> data) {
    for (auto& d : data) d.sense = d.sense == 'N' ? 'R' : d.sense == 'R' ? 'N' : d.sense == 'D' ? 'S' : 'D';
    return qt::format_data(data);
}

}  // namespace

TEST(Recovery, SingleStressFaultsVoteForTheirStress) {
    Home home;
    qt::SynthOptions options;
    options.states = {{{70, 60}, {250, 30}, 0.3}};
    options.per_state = 14;
    options.noise_deg = 3;
    options.seed = 101;
    const auto data = qt::synthesize(options);
    std::vector<qt::GridVote> votes;
    std::string console;
    ASSERT_TRUE(home.invert("single.fdt", qt::format_data(data), 1, 4, votes, console)) << console;
    const auto grid = home.grid();
    const auto f = qt::recovery_figures(grid, votes, options.states, 15.0 * kScale);
    ASSERT_GT(f.total_votes, 0);
    EXPECT_LE(f.top_distance_deg, 10.0 * kScale);
    EXPECT_GE(f.share_near[0], 0.5);

    // The same planes with every sense reversed point to the opposite stress.
    ASSERT_TRUE(home.invert("flipped.fdt", flipped_senses(data), 1, 4, votes, console)) << console;
    const auto g = qt::recovery_figures(grid, votes, options.states, 15.0 * kScale);
    ASSERT_GT(g.total_votes, 0);
    EXPECT_GT(g.top_distance_deg, 90.0);
}

TEST(Recovery, TwoStressesEachHoldTheirShareOfTheVotes) {
    Home home;
    qt::SynthOptions options;
    // An extensional and a compressional stress, 142 degrees apart.
    options.states = {{{70, 60}, {250, 30}, 0.3}, {{170, 8}, {350, 82}, 0.5}};
    options.per_state = 9;
    options.noise_deg = 3;
    options.seed = 202;
    std::vector<qt::GridVote> votes;
    std::string console;
    ASSERT_TRUE(home.invert("two.fdt", qt::format_data(qt::synthesize(options)), 1, 5, votes, console)) << console;
    const auto f = qt::recovery_figures(home.grid(), votes, options.states, 15.0 * kScale);
    ASSERT_GT(f.total_votes, 0);
    EXPECT_LE(f.top_distance_deg, 10.0 * kScale);
    EXPECT_GE(f.share_near[0], 0.10);
    EXPECT_GE(f.share_near[1], 0.10);
}

TEST(Recovery, FocalMechanismsVoteForTheirStress) {
    // Every subset that takes an auxiliary plane votes for some compromise
    // state, so the focal votes are far more spread than the fault votes; the
    // data here are noise-free to keep the most-voted state meaningful.
    Home home;
    qt::SynthOptions options;
    options.states = {{{300, 12}, {120, 78}, 0.5}};
    options.per_state = 10;
    options.noise_deg = 0;
    options.seed = 303;
    options.focal = true;
    const auto data = qt::synthesize(options);
    std::vector<qt::GridVote> votes;
    std::string console;
    ASSERT_TRUE(home.invert("focal.fmd", qt::format_data(data), 2, 5, votes, console)) << console;
    const auto grid = home.grid();
    const auto f = qt::recovery_figures(grid, votes, options.states, 15.0 * kScale);
    ASSERT_GT(f.total_votes, 0);
    EXPECT_LE(f.top_distance_deg, 10.0 * kScale);
    EXPECT_GE(f.share_near[0], 0.2);

    // Reversed senses give the opposite double couples: the votes leave the stress.
    ASSERT_TRUE(home.invert("flipped.fmd", flipped_senses(data), 2, 5, votes, console)) << console;
    const auto g = qt::recovery_figures(grid, votes, options.states, 15.0 * kScale);
    EXPECT_GT(g.top_distance_deg, 90.0);
    EXPECT_LT(g.share_near[0], 0.02);
}
