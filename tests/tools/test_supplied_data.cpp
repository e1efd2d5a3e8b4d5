// The files shipped in data/ and examples/: the figures the grids must reach,
// the lines as the engine reads them, the score table, the preferences, and
// that every example is exactly what the command in its note produces.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine_bridge.h"
#include "temp_path.h"
#include "tools/grid.h"
#include "tools/score_table.h"
#include "tools/synth.h"

namespace qt = quillon::tools;
namespace fs = std::filesystem;

namespace {

const fs::path kData = fs::path(QUILLON_SOURCE_DIR) / "data";
const fs::path kExamples = fs::path(QUILLON_SOURCE_DIR) / "examples";

std::string read_all(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<std::string> crlf_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto end = text.find("\r\n", pos);
        if (end == std::string::npos) {
            lines.push_back(text.substr(pos));
            break;
        }
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

std::vector<qt::Vec5> points_of(const std::vector<qt::StressState>& states) {
    std::vector<qt::Vec5> points;
    for (const auto& s : states) points.push_back(qt::five_vector(s));
    return points;
}

}  // namespace

TEST(SuppliedData, GridsHoldValidLinesThatTheEngineReadsAsUnitStates) {
    struct Case {
        const char* file;
        std::size_t count;
    } cases[] = {{"Unif60000.cgp", 60000}, {"cgp31.cgp", 10000}};
    for (const auto& c : cases) {
        const std::string text = read_all(kData / c.file);
        const auto lines = crlf_lines(text);
        ASSERT_EQ(lines.size(), c.count + 1) << c.file;
        EXPECT_EQ(lines[0], std::to_string(c.count)) << c.file;  // a whole-line integer
        for (std::size_t i = 1; i < lines.size(); ++i) {
            double a1, p1, a3, p3, phi;
            ASSERT_EQ(std::sscanf(lines[i].c_str(), "%lf %lf %lf %lf %lf", &a1, &p1, &a3, &p3, &phi), 5)
                << c.file << " line " << i + 1;
            ASSERT_TRUE(a1 >= 0 && a1 < 360 && a3 >= 0 && a3 < 360 && p1 >= 0 && p1 <= 90 && p3 >= 0 &&
                        p3 <= 90 && phi >= 0 && phi <= 1)
                << c.file << " line " << i + 1 << ": " << lines[i];
            const double c13 = qt::dot(qt::direction_vector({a1, p1}), qt::direction_vector({a3, p3}));
            ASSERT_LT(std::fabs(c13), 1e-4) << c.file << " line " << i + 1;
            // The engine's tensor is the written state within 0.05 degrees.
            const qt::StressState written{{a1, p1}, {a3, p3}, phi};
            const qt::Vec5 engine = qt::five_vector_of_tensor(quillon::test::engine_tensor_of_line(lines[i]));
            ASSERT_LT(qt::angle_between_deg(engine, qt::five_vector(written)), 0.05) << c.file << " line " << i + 1;
        }
    }
}

TEST(SuppliedData, Unif60000MeetsItsFigures) {
    std::vector<qt::StressState> states;
    std::string error;
    ASSERT_TRUE(qt::read_cgp((kData / "Unif60000.cgp").string(), states, error)) << error;
    ASSERT_EQ(states.size(), 60000u);
    const qt::GridQuality q = qt::measure_grid(points_of(states), 100000, 424242);
    EXPECT_LE(q.covering, 8.0);
    EXPECT_GE(q.min_nn, 5.0);
    EXPECT_GT(q.median_nn, 8.0);
}

TEST(SuppliedData, Cgp31IsACoarserUniformGrid) {
    std::vector<qt::StressState> states;
    std::string error;
    ASSERT_TRUE(qt::read_cgp((kData / "cgp31.cgp").string(), states, error)) << error;
    const double scale = std::pow(60000.0 / states.size(), 0.25);
    const qt::GridQuality q = qt::measure_grid(points_of(states), 50000, 99);
    EXPECT_LE(q.covering, 8.0 * scale);
    EXPECT_GE(q.min_nn, 5.0 * scale);
}

TEST(SuppliedData, ScoreTableIsOneHundredCosineOfTheMisfit) {
    const std::string text = read_all(kData / "qln_array.txt");
    EXPECT_EQ(text, qt::format_score_table());
    std::istringstream in(text);
    int previous = 201;
    for (int i = 0; i <= 180; ++i) {
        int v = -1;
        ASSERT_TRUE(in >> v) << "entry " << i;
        EXPECT_LE(v, previous) << "scores never rise with the misfit, entry " << i;
        EXPECT_EQ(v - 100, static_cast<int>(std::lround(100 * std::cos(i * qt::kDeg)))) << "entry " << i;
        previous = v;
    }
    std::string label;
    in >> label;
    EXPECT_EQ(label, "100*cos(misfit)");
    const auto table = qt::cosine_score_table();
    EXPECT_EQ(table[0], 200);
    EXPECT_EQ(table[60], 150);
    EXPECT_EQ(table[90], 100);
    EXPECT_EQ(table[180], 0);
}

TEST(SuppliedData, PreferencesNameTheUniformGridAndThreshold) {
    EXPECT_EQ(read_all(kData / "pref.txt"), "Unif60000.cgp\r\n20\r\n");
}

TEST(SuppliedData, ExamplesAreWhatTheCommandsInTheirNotesWrite) {
    const fs::path work = quillon::test::private_temp_path("examples");
    fs::remove_all(work);
    fs::create_directories(work);
    int checked = 0;
    for (const auto& entry : fs::directory_iterator(kExamples)) {
        const auto ext = entry.path().extension();
        if (ext != ".fdt" && ext != ".fmd") continue;
        fs::path note = entry.path();
        note.replace_extension(".txt");
        ASSERT_TRUE(fs::exists(note)) << "no note beside " << entry.path();
        const std::string text = read_all(note);
        const auto at = text.find("Command: qlsynth ");
        ASSERT_NE(at, std::string::npos) << note;
        const std::string args = text.substr(at + 17, text.find("\r\n", at) - at - 17);
        const std::string command = "cd '" + work.string() + "' && '" + QLSYNTH_PATH + "' " + args + " > /dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        EXPECT_EQ(read_all(work / entry.path().filename()), read_all(entry.path())) << entry.path();
        ++checked;
    }
    EXPECT_GE(checked, 3);
    fs::remove_all(work);
}
