// qlgrid's construction: determinism, uniformity figures on a small grid, the
// precision of the written lines as the engine reads them, and the CGP reader.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "engine_bridge.h"
#include "temp_path.h"
#include "tools/grid.h"

namespace qt = quillon::tools;

namespace {

// Grid figures scale with the spacing of n points on the 4-sphere, n^(-1/4).
double scale_from_60000(std::int32_t n) { return std::pow(60000.0 / n, 0.25); }

std::filesystem::path temp_file(const std::string& name, const std::string& text) {
    const auto path = quillon::test::private_temp_path(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

}  // namespace

TEST(Grid, SameOptionsGiveTheSameBytes) {
    qt::GridOptions options;
    options.n = 400;
    options.seed = 5;
    options.iterations = 20;
    const std::string a = qt::format_cgp(qt::states_of_points(qt::build_uniform_grid(options)));
    const std::string b = qt::format_cgp(qt::states_of_points(qt::build_uniform_grid(options)));
    EXPECT_EQ(a, b);
    options.seed = 6;
    EXPECT_NE(a, qt::format_cgp(qt::states_of_points(qt::build_uniform_grid(options))));
}

TEST(Grid, RelaxedSmallGridMeetsTheScaledFigures) {
    // The figures asked of the 60000 grid (covering radius <= 8, nearest
    // neighbour >= 5 degrees), scaled to 2000 states.
    const std::int32_t n = 2000;
    const double scale = scale_from_60000(n);
    qt::GridOptions options;
    options.n = n;
    options.seed = 2;
    const auto points = qt::build_uniform_grid(options);
    const qt::GridQuality q = qt::measure_grid(points, 20000, 77);
    EXPECT_LE(q.covering, 8.0 * scale);
    EXPECT_GE(q.min_nn, 5.0 * scale);
    EXPECT_LE(q.min_nn, q.median_nn);
    EXPECT_LE(q.median_nn, q.max_nn);
    EXPECT_GE(q.covering, q.max_nn / 2);  // a probe near a widest gap is at least half of it away
    // Independent random states do not: clumps and holes.
    const qt::GridQuality r = qt::measure_grid(qt::random_sphere_points(n, 2), 20000, 77);
    EXPECT_LT(r.min_nn, 5.0 * scale);
    EXPECT_GT(r.covering, 8.0 * scale);
}

TEST(Grid, MeasureFindsTheCoveringRadiusOfAKnownSet) {
    // The ten states +-e_k of the five-vector axes: every point of the sphere is
    // within acos(1/sqrt(5)) = 63.43 degrees of one of them, and that worst case
    // is approached by enough probes; neighbours are 90 degrees apart.
    std::vector<qt::Vec5> points;
    for (int k = 0; k < 5; ++k)
        for (double sign : {1.0, -1.0}) {
            qt::Vec5 p{};
            p[k] = sign;
            points.push_back(p);
        }
    const qt::GridQuality q = qt::measure_grid(points, 200000, 1);
    EXPECT_NEAR(q.min_nn, 90.0, 1e-9);
    EXPECT_NEAR(q.max_nn, 90.0, 1e-9);
    EXPECT_LE(q.covering, 63.44);
    EXPECT_GT(q.covering, 58.0);
}

TEST(Grid, WrittenLinesReproduceTheStateInTheEngineWithinFiveHundredthsOfADegree) {
    qt::GridOptions options;
    options.n = 3000;
    options.iterations = 0;  // every kind of state, not only relaxed ones
    const auto points = qt::build_uniform_grid(options);
    double worst = 0;
    for (const auto& p : points) {
        const std::string line = qt::format_cgp_line(qt::stress_state_of_five_vector(p));
        const qt::Mat3 t = quillon::test::engine_tensor_of_line(line);
        worst = std::max(worst, qt::angle_between_deg(qt::five_vector_of_tensor(t), p));
    }
    EXPECT_LT(worst, 0.05);
}

TEST(Grid, CgpTextHasTheCountLineAndBlankSeparatedLines) {
    const std::vector<qt::StressState> states = {{{359.9996, 10}, {90, 80}, 0.5}, {{1.5, 0}, {91.5, 0}, 1}};
    EXPECT_EQ(qt::format_cgp(states), "2\r\n0.000 10.000 90.000 80.000 0.5000\r\n1.500 0.000 91.500 0.000 1.0000\r\n");
}

TEST(Grid, ReaderTakesBackWhatWasWrittenAndNamesTheLineOfABadItem) {
    std::vector<qt::StressState> states;
    std::string error;
    const auto good = temp_file("good.cgp", "2\r\n10 20 190, 70 0.25 extra\n30 40\n210 50 0.75\n");
    ASSERT_TRUE(qt::read_cgp(good.string(), states, error)) << error;
    ASSERT_EQ(states.size(), 2u);
    EXPECT_DOUBLE_EQ(states[0].sigma3.az, 190);
    EXPECT_DOUBLE_EQ(states[0].phi, 0.25);
    EXPECT_DOUBLE_EQ(states[1].sigma3.pl, 50);
    EXPECT_DOUBLE_EQ(states[1].phi, 0.75);

    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"3\n1 2 3 4 0.5\n1 2 3 4 0.5\n", ":4: file ends before grid point 3"},
        {"2\n1 2 3 4 0.5\n1 x 3 4 0.5\n", ":3: 'x' is not a number"},
        {"two\n", ":1: the count line does not hold a non-negative integer"},
        {"", ":1: missing count line"},
    };
    for (const auto& c : cases) {
        const auto bad = temp_file("bad.cgp", c.text);
        EXPECT_FALSE(qt::read_cgp(bad.string(), states, error));
        EXPECT_EQ(error, bad.string() + c.message);
    }
    std::filesystem::remove(good);
    std::filesystem::remove(quillon::test::private_temp_path("bad.cgp"));
}
