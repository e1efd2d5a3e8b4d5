// The five-vector map of reduced stress states, its inverse and the eigen solver.
#include <gtest/gtest.h>

#include <cmath>

#include "tools/grid.h"
#include "tools/random.h"
#include "tools/stress_space.h"

namespace qt = quillon::tools;

namespace {

double frobenius2(const qt::Mat3& m) {
    double s = 0;
    for (const auto& row : m)
        for (double v : row) s += v * v;
    return s;
}

qt::Mat3 trace_free(qt::Mat3 m) {
    const double mean = (m[0][0] + m[1][1] + m[2][2]) / 3.0;
    for (int i = 0; i < 3; ++i) m[i][i] -= mean;
    return m;
}

qt::Mat3 random_symmetric(qt::Random& rng) {
    qt::Mat3 m{};
    for (int i = 0; i < 3; ++i)
        for (int j = i; j < 3; ++j) m[i][j] = m[j][i] = rng.gaussian();
    return m;
}

}  // namespace

TEST(StressSpace, DirectionsTurnIntoLowerHemisphereVectors) {
    struct Case {
        qt::Vec3 v;
        double az, pl;
    } cases[] = {
        {{0, 1, 0}, 0, 0},                      // north, horizontal
        {{1, 0, 0}, 90, 0},                     // east
        {{0, 0, -1}, 0, 90},                    // straight down (azimuth of a vertical line is 0)
        {{0, 0, 1}, 0, 90},                     // straight up folds to straight down
        {{-1, -1, 1}, 45, 35.2643896827547},    // up towards SW folds to down towards NE
        {{-0.5, 0, -0.8660254037844386}, 270, 60},
    };
    for (const auto& c : cases) {
        const qt::Direction d = qt::lower_hemisphere_direction(c.v);
        EXPECT_NEAR(d.az, c.az, 1e-9) << c.v[0] << " " << c.v[1] << " " << c.v[2];
        EXPECT_NEAR(d.pl, c.pl, 1e-9);
        EXPECT_GE(d.az, 0.0);
        EXPECT_LT(d.az, 360.0);
    }
    const qt::Vec3 v = qt::direction_vector({120, 30});
    EXPECT_NEAR(v[0], std::cos(30 * qt::kDeg) * std::sin(120 * qt::kDeg), 1e-15);
    EXPECT_NEAR(v[1], std::cos(30 * qt::kDeg) * std::cos(120 * qt::kDeg), 1e-15);
    EXPECT_NEAR(v[2], -0.5, 1e-15);
}

TEST(StressSpace, JacobiSolvesSymmetricMatricesIncludingRepeatedValues) {
    qt::Random rng(7);
    std::vector<qt::Mat3> matrices;
    for (int i = 0; i < 200; ++i) matrices.push_back(random_symmetric(rng));
    matrices.push_back(qt::Mat3{});                                       // zero
    matrices.push_back({{{2, 0, 0}, {0, 2, 0}, {0, 0, 2}}});              // isotropic
    matrices.push_back(qt::reduced_tensor({{30, 40}, {210, 50}, 0.0}));  // l2 = l3
    matrices.push_back(qt::reduced_tensor({{30, 40}, {210, 50}, 1.0}));  // l1 = l2
    matrices.push_back({{{1e-9, 1, 0}, {1, -1e-9, 0}, {0, 0, 1e6}}});    // wide value range
    for (const auto& m : matrices) {
        const qt::Eigen3 e = qt::symmetric_eigen(m);
        EXPECT_GE(e.values[0], e.values[1]);
        EXPECT_GE(e.values[1], e.values[2]);
        const double scale = std::sqrt(frobenius2(m)) + 1e-300;
        for (int k = 0; k < 3; ++k) {
            for (int l = 0; l < 3; ++l)
                EXPECT_NEAR(qt::dot(e.vectors[k], e.vectors[l]), k == l ? 1.0 : 0.0, 1e-12);
            for (int i = 0; i < 3; ++i) {
                const double mv = m[i][0] * e.vectors[k][0] + m[i][1] * e.vectors[k][1] + m[i][2] * e.vectors[k][2];
                EXPECT_NEAR(mv, e.values[k] * e.vectors[k][i], 1e-12 * scale);
            }
        }
    }
}

TEST(StressSpace, FiveVectorIsALengthPreservingImageOfTheTraceFreeTensor) {
    qt::Random rng(3);
    for (int i = 0; i < 200; ++i) {
        const qt::Mat3 m = random_symmetric(rng);
        const qt::Vec5 x = qt::five_vector_of_tensor(m);
        // |x|^2 equals half the squared Frobenius norm of the trace-free part.
        EXPECT_NEAR(qt::dot5(x, x), frobenius2(trace_free(m)) / 2.0, 1e-12);
        // The inverse map gives back exactly that trace-free part.
        const qt::Mat3 back = qt::tensor_of_five_vector(x);
        const qt::Mat3 expected = trace_free(m);
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) EXPECT_NEAR(back[r][c], expected[r][c], 1e-12);
    }
}

TEST(StressSpace, StatesSurviveTheRoundTripThroughTheSphere) {
    // Every point of the sphere is a reduced stress state and back.
    for (const qt::Vec5& p : qt::random_sphere_points(500, 11)) {
        const qt::StressState s = qt::stress_state_of_five_vector(p);
        EXPECT_GE(s.sigma1.pl, 0.0);
        EXPECT_GE(s.sigma3.pl, 0.0);
        EXPECT_GE(s.phi, 0.0);
        EXPECT_LE(s.phi, 1.0);
        EXPECT_NEAR(qt::dot(qt::direction_vector(s.sigma1), qt::direction_vector(s.sigma3)), 0.0, 1e-12);
        EXPECT_LT(qt::angle_between_deg(qt::five_vector(s), p), 1e-6);
    }
    // And a state given by its axes comes back with the same axes and Phi.
    const qt::StressState given[] = {
        {{70, 60}, {182, 12}, 0.3}, {{135, 8}, {44, 6}, 0.5}, {{300, 12}, {80, 74}, 0.6},
        {{10, 0}, {100, 0}, 0.05},   {{0, 90}, {45, 0}, 0.95},
    };
    for (const auto& s : given) {
        // Make sigma3 exactly perpendicular to sigma1 (the given axes are rounded).
        const qt::Vec3 e1 = qt::direction_vector(s.sigma1);
        const qt::Vec3 d3 = qt::direction_vector(s.sigma3);
        const double along = qt::dot(d3, e1);
        const qt::Vec3 e3 = qt::normalized({d3[0] - along * e1[0], d3[1] - along * e1[1], d3[2] - along * e1[2]});
        const qt::StressState exact{s.sigma1, qt::lower_hemisphere_direction(e3), s.phi};
        const qt::StressState back = qt::stress_state_of_five_vector(qt::five_vector(exact));
        EXPECT_NEAR(std::fabs(qt::dot(qt::direction_vector(back.sigma1), e1)), 1.0, 1e-9);
        EXPECT_NEAR(std::fabs(qt::dot(qt::direction_vector(back.sigma3), e3)), 1.0, 1e-9);
        EXPECT_NEAR(back.phi, s.phi, 1e-9);
    }
}

TEST(StressSpace, AngularStressDistanceOfKnownPairs) {
    struct Case {
        qt::StressState a, b;
        double degrees;
    } cases[] = {
        // sigma1 and sigma3 exchanged with Phi replaced by 1 - Phi: opposite tensors.
        {{{30, 20}, {120, 0}, 0.3}, {{120, 0}, {30, 20}, 0.7}, 180},
        // Phi 0 and Phi 1 are both 30 degrees from Phi 0.5 with the same axes.
        {{{30, 20}, {120, 0}, 0.0}, {{30, 20}, {120, 0}, 0.5}, 30},
        {{{30, 20}, {120, 0}, 1.0}, {{30, 20}, {120, 0}, 0.5}, 30},
        // A state is at zero distance from itself and from its own axes written upward.
        {{{30, 20}, {120, 0}, 0.4}, {{210, -20}, {300, 0}, 0.4}, 0},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(qt::angular_stress_distance_deg(c.a, c.b), c.degrees, 1e-6);
}
