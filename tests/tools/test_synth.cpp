// qlsynth's data: the sense letters, the fit of every noise-free datum to its
// own stress in the engine's own misfit computation, focal-mechanism pairs,
// noise and determinism.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "engine/core/kernels.h"
#include "engine/io/data_file.h"
#include "engine_bridge.h"
#include "temp_path.h"
#include "tools/random.h"
#include "tools/synth.h"

namespace qt = quillon::tools;
namespace qe = quillon::engine;

namespace {

using quillon::test::engine_data;

qe::Tensor3f engine_grid_tensor(const qt::StressState& s) {
    using qe::kDegToRad;
    return qe::stress_state_tensor(static_cast<float>(s.sigma1.az) * kDegToRad,
                                   static_cast<float>(s.sigma1.pl) * kDegToRad,
                                   static_cast<float>(s.sigma3.az) * kDegToRad,
                                   static_cast<float>(s.sigma3.pl) * kDegToRad, static_cast<float>(s.phi));
}

double angle_deg(const qt::Vec3& a, const qt::Vec3& b) {
    return std::acos(std::clamp(qt::dot(qt::normalized(a), qt::normalized(b)), -1.0, 1.0)) / qt::kDeg;
}

// Stresses of every faulting regime, with sigma3 exactly perpendicular to sigma1.
std::vector<qt::StressState> regimes() {
    return {
        {{0, 90}, {0, 0}, 0.5},       // normal faulting: sigma1 vertical
        {{0, 0}, {0, 90}, 0.5},       // reverse faulting: sigma3 vertical
        {{45, 0}, {135, 0}, 0.5},     // strike-slip: sigma2 vertical
        {{300, 12}, {120, 78}, 0.1},
        {{70, 60}, {250, 30}, 0.9},
    };
}

}  // namespace

TEST(Synth, SenseLetterFollowsTheHangingWallMotion) {
    const qt::Vec3 east_dipping_60 = qt::downward_normal(90, 60);
    const qt::Vec3 down_dip = qt::direction_vector({90, 60});
    const qt::Vec3 up_dip{-down_dip[0], -down_dip[1], -down_dip[2]};
    const qt::Vec3 vertical_east = qt::downward_normal(90, 90);
    struct Case {
        const char* what;
        qt::Vec3 normal, slip;
        const char* line;
    } cases[] = {
        {"hanging wall down the dip", east_dipping_60, down_dip, "90.00 60.00 90.00 60.00 N"},
        {"hanging wall up the dip", east_dipping_60, up_dip, "90.00 60.00 90.00 60.00 R"},
        {"east block moves south (right-lateral)", vertical_east, {0, -1, 0}, "90.00 90.00 180.00 0.00 D"},
        {"east block moves north (left-lateral)", vertical_east, {0, 1, 0}, "90.00 90.00 0.00 0.00 S"},
        {"oblique, mostly strike-slip, hanging wall up", east_dipping_60,
         qt::normalized({-0.2 * down_dip[0], 1.0 - 0.2 * down_dip[1], -0.2 * down_dip[2]}), ""},
    };
    for (const auto& c : cases) {
        const std::string line = qt::format_fault_slip(qt::encode_fault_slip(c.normal, c.slip));
        if (*c.line) {
            EXPECT_EQ(line, c.line) << c.what;
        }
        // Whatever the letter, the engine's sense rule rebuilds the slip vector.
        const auto d = engine_data(line + "\r\n");
        ASSERT_EQ(d.size(), 1u);
        EXPECT_LT(angle_deg(quillon::test::to_vec3(d[0].slip), c.slip), 0.02) << c.what << ": " << line;
        EXPECT_LT(angle_deg(quillon::test::to_vec3(d[0].normal), c.normal), 0.02) << c.what;
    }
}

TEST(Synth, EngineRebuildsRandomPlanesAndSlips) {
    qt::Random rng(21);
    std::string text;
    std::vector<std::pair<qt::Vec3, qt::Vec3>> expected;
    for (int i = 0; i < 2000; ++i) {
        qt::Vec3 n = qt::normalized({rng.gaussian(), rng.gaussian(), rng.gaussian()});
        if (n[2] > 0) n = {-n[0], -n[1], -n[2]};
        const qt::Vec3 g{rng.gaussian(), rng.gaussian(), rng.gaussian()};
        const qt::Vec3 s = qt::normalized(qt::cross(n, g));  // any direction in the plane
        text += qt::format_fault_slip(qt::encode_fault_slip(n, s)) + "\r\n";
        expected.push_back({n, s});
    }
    const auto data = engine_data(text);
    ASSERT_EQ(data.size(), expected.size());
    for (std::size_t i = 0; i < data.size(); ++i) {
        EXPECT_LT(angle_deg(quillon::test::to_vec3(data[i].normal), expected[i].first), 0.02) << i;
        EXPECT_LT(angle_deg(quillon::test::to_vec3(data[i].slip), expected[i].second), 0.02) << i;
    }
}

TEST(Synth, NoiseFreeFaultsFitTheirOwnStressInTheEngine) {
    for (const auto& state : regimes()) {
        qt::SynthOptions options;
        options.states = {state};
        options.per_state = 300;
        options.seed = 4;
        const auto data = engine_data(qt::format_data(qt::synthesize(options)));
        ASSERT_EQ(data.size(), 300u);
        const auto tensor = engine_grid_tensor(state);
        for (std::size_t i = 0; i < data.size(); ++i)
            EXPECT_EQ(qe::nint(qe::misfit_degrees(tensor, data[i])), 0)
                << qt::format_stress_state(state) << " datum " << i + 1;
    }
}

TEST(Synth, AndersonianRegimesGiveTheirOwnSenseOfDipSlip) {
    // With sigma1 vertical every hanging wall moves down, with sigma3 vertical up.
    struct Case {
        qt::StressState state;
        char never;
    } cases[] = {{regimes()[0], 'R'}, {regimes()[1], 'N'}};
    for (const auto& c : cases) {
        qt::SynthOptions options;
        options.states = {c.state};
        options.per_state = 500;
        const auto data = qt::synthesize(options);
        const auto dip_slip = std::count_if(data.begin(), data.end(), [](const qt::FaultSlip& d) {
            return d.sense == 'N' || d.sense == 'R';
        });
        EXPECT_GT(dip_slip, 100);
        for (const auto& d : data) EXPECT_NE(d.sense, c.never) << qt::format_fault_slip(d);
    }
}

TEST(Synth, FocalPairsAreOneDoubleCoupleAndOnePlaneFitsTheStress) {
    for (const auto& state : regimes()) {
        qt::SynthOptions options;
        options.states = {state};
        options.per_state = 100;
        options.focal = true;
        options.seed = 9;
        const auto data = engine_data(qt::format_data(qt::synthesize(options)));
        ASSERT_EQ(data.size(), 200u);
        const auto tensor = engine_grid_tensor(state);
        int first_fits = 0;
        for (std::size_t m = 0; m < 100; ++m) {
            const auto& a = data[2 * m];
            const auto& b = data[2 * m + 1];
            // Nodal planes are perpendicular; each one's normal is the other's slip line.
            EXPECT_NEAR(qt::dot(quillon::test::to_vec3(a.normal), quillon::test::to_vec3(b.normal)), 0.0, 1e-3);
            // Same moment tensor n s^T + s n^T from both lines, as the engine reads them.
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 3; ++j)
                    EXPECT_NEAR(a.normal[i] * a.slip[j] + a.slip[i] * a.normal[j],
                                b.normal[i] * b.slip[j] + b.slip[i] * b.normal[j], 1e-3)
                        << "mechanism " << m + 1;
            const bool fits_a = qe::nint(qe::misfit_degrees(tensor, a)) == 0;
            const bool fits_b = qe::nint(qe::misfit_degrees(tensor, b)) == 0;
            EXPECT_TRUE(fits_a || fits_b) << "mechanism " << m + 1;
            first_fits += fits_a;
        }
        // The fault plane is written first or second at random.
        EXPECT_GT(first_fits, 25);
        EXPECT_LT(first_fits, 75);
    }
}

TEST(Synth, NoiseHasTheRequestedSize) {
    // Misfit of noisy data under the true stress grows with the noise; its
    // median stays within a small factor of the noise's standard deviation.
    const qt::StressState state = regimes()[3];
    for (double noise : {2.0, 10.0}) {
        qt::SynthOptions options;
        options.states = {state};
        options.per_state = 400;
        options.noise_deg = noise;
        const auto data = engine_data(qt::format_data(qt::synthesize(options)));
        const auto tensor = engine_grid_tensor(state);
        std::vector<float> misfits;
        for (const auto& d : data) misfits.push_back(qe::misfit_degrees(tensor, d));
        std::nth_element(misfits.begin(), misfits.begin() + misfits.size() / 2, misfits.end());
        const double median = misfits[misfits.size() / 2];
        EXPECT_GT(median, 0.5 * noise) << noise;
        EXPECT_LT(median, 4.0 * noise) << noise;
    }
}

TEST(Synth, SameOptionsGiveTheSameBytes) {
    qt::SynthOptions options;
    options.states = {regimes()[3], regimes()[4]};
    options.per_state = 50;
    options.noise_deg = 5;
    options.seed = 77;
    for (bool focal : {false, true}) {
        options.focal = focal;
        options.seed = 77;
        const std::string a = qt::format_data(qt::synthesize(options));
        EXPECT_EQ(a, qt::format_data(qt::synthesize(options)));
        options.seed = 78;
        EXPECT_NE(a, qt::format_data(qt::synthesize(options)));
    }
}

TEST(Synth, StressStatesAreParsedAndChecked) {
    qt::StressState s;
    std::string error;
    ASSERT_TRUE(qt::parse_stress_state("70 60 182 12 0.3", s, error)) << error;
    EXPECT_EQ(s.sigma3.az, 182);
    EXPECT_EQ(s.phi, 0.3);
    ASSERT_TRUE(qt::parse_stress_state("70/60, 182/12, 0.3", s, error)) << error;
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"70 60 182 12", "expected five numbers"},
        {"70 60 182 12 1.5", "Phi must lie between 0 and 1"},
        {"70 60 160 12 0.3", "not perpendicular"},
        {"70 60 182 12 0.3 9", "unexpected '9'"},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(qt::parse_stress_state(c.text, s, error)) << c.text;
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
    }
}
