// Geometry and counting primitives: frame conventions, sense-of-slip rules,
// degenerate vectors and the subset count limit.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/core/kernels.h"
#include "fault_datum.h"

namespace quillon::engine {
namespace {

constexpr float kTol = 1e-6f;

void expect_vec(const Vec3f& v, float x, float y, float z, float tol = kTol) {
    EXPECT_NEAR(v[0], x, tol);
    EXPECT_NEAR(v[1], y, tol);
    EXPECT_NEAR(v[2], z, tol);
}

FaultDatum prepared(float dd, float dip, float trend, float plunge, char sense) {
    std::vector<FaultDatum> v{datum(dd, dip, trend, plunge, sense)};
    prepare_fault_data(v);
    return v[0];
}

// Vertical sigma1, sigma3 East-West: the stress of an E-W extension.
Tensor3f vertical_sigma1(float phi) {
    return stress_state_tensor(0.0f, 90.0f * kDegToRad, 90.0f * kDegToRad, 0.0f, phi);
}

TEST(DirectionToVector, FrameIsEastNorthUpWithPlungeDown) {
    struct Case { float az, pl, x, y, z; };
    const Case cases[] = {
        {0, 0, 0, 1, 0},        // north, horizontal
        {90, 0, 1, 0, 0},       // east
        {180, 0, 0, -1, 0},
        {270, 0, -1, 0, 0},
        {0, 90, 0, 0, -1},      // straight down
        {45, 30, 0.6123724f, 0.6123724f, -0.5f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "az " << c.az << " pl " << c.pl);
        expect_vec(direction_to_vector(c.az * kDegToRad, c.pl * kDegToRad), c.x, c.y, c.z);
    }
}

TEST(PlaneToPole, AzimuthIsNotReducedAndNormalPointsDown) {
    const AzPl p = plane_to_pole(300.0f * kDegToRad, 40.0f * kDegToRad);
    EXPECT_NEAR(p.az, (300.0f + 180.0f) * kDegToRad, 1e-5f);  // beyond 2 pi, kept
    EXPECT_NEAR(p.pl, 50.0f * kDegToRad, 1e-6f);
    const Vec3f n = direction_to_vector(p.az, p.pl);
    const double s = std::sin(40.0 * M_PI / 180), c = std::cos(40.0 * M_PI / 180);
    expect_vec(n, -s * std::sin(300.0 * M_PI / 180), -s * std::cos(300.0 * M_PI / 180), -c);
}

TEST(CrossProduct, FirstArgumentIsTheFirstFactor) {
    expect_vec(cross_product({1, 0, 0}, {0, 1, 0}), 0, 0, 1);   // x cross y = z
    expect_vec(cross_product({0, 1, 0}, {1, 0, 0}), 0, 0, -1);
    expect_vec(cross_product({1, 2, 3}, {4, 5, 6}), -3, 6, -3);
}

TEST(NormalizeVector, CutOffAtTwoToMinus22) {
    expect_vec(normalize_vector({3, 0, 4}), 0.6f, 0, 0.8f);
    expect_vec(normalize_vector({0, 0, 0}), 0, 0, 0, 0);
    // Just below 2^-22: no direction. Just above: a unit vector.
    expect_vec(normalize_vector({2.3e-7f, 0, 0}), 0, 0, 0, 0);
    expect_vec(normalize_vector({2.4e-7f, 0, 0}), 1, 0, 0);
    // Exactly 2^-22 (the single-precision 2.3841858e-07) is not below the cut-off.
    expect_vec(normalize_vector({0x1p-22f, 0, 0}), 1, 0, 0);
    expect_vec(normalize_vector({0, 0, -std::nextafter(0x1p-22f, 0.0f)}), 0, 0, 0, 0);
}

TEST(StrikeSlipSign, SignOfSineOfTrendMinusDipDirection) {
    const float dd = 90.0f * kDegToRad;
    EXPECT_GT(strike_slip_sign(dd, 120.0f * kDegToRad), 0.0f);  // clockwise of dd
    EXPECT_LT(strike_slip_sign(dd, 0.0f), 0.0f);                  // counter-clockwise
    EXPECT_EQ(strike_slip_sign(dd, dd), 0.0f);                    // trend equal to dd
    EXPECT_NEAR(strike_slip_sign(0.0f, 90.0f * kDegToRad), kHalfPi, 1e-3f);
}

TEST(PrepareFaultData, SixtyDegreeNormalFault) {
    const FaultDatum d = prepared(90, 60, 90, 60, 'N');
    expect_vec(d.normal, -0.8660254f, 0, -0.5f);
    expect_vec(d.slip, 0.5f, 0, -0.8660254f);
    // The degree values are kept as read.
    EXPECT_EQ(d.dip_direction, 90.0f);
    EXPECT_EQ(d.slip_plunge, 60.0f);
}

TEST(PrepareFaultData, SenseRules) {
    struct Case { float dd, dip, trend, plunge; char sense; float x, y, z; };
    const Case cases[] = {
        {90, 60, 90, 60, 'n', 0.5f, 0, -0.8660254f},
        {90, 60, 90, 60, 'R', -0.5f, 0, 0.8660254f},
        {90, 60, 90, 60, 'r', -0.5f, 0, 0.8660254f},
        // Vertical plane dipping east, horizontal striation trending north:
        // dextral turns it to trend 180, sinistral keeps trend 0.
        {90, 90, 0, 0, 'D', 0, -1, 0},
        {90, 90, 0, 0, 'd', 0, -1, 0},
        {90, 90, 0, 0, 'S', 0, 1, 0},
        {90, 90, 0, 0, 's', 0, 1, 0},
        // Striation trend clockwise of the dip direction: dextral keeps it, sinistral turns it.
        {90, 90, 180, 0, 'D', 0, -1, 0},
        {90, 90, 180, 0, 'S', 0, 1, 0},
        // Trend equal to the dip direction: no sign, no change for D and S.
        {90, 60, 90, 60, 'D', 0.5f, 0, -0.8660254f},
        {90, 60, 90, 60, 'S', 0.5f, 0, -0.8660254f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.dd << " " << c.dip << " " << c.trend << " "
                                          << c.plunge << " " << c.sense);
        expect_vec(prepared(c.dd, c.dip, c.trend, c.plunge, c.sense).slip, c.x, c.y, c.z);
    }
}

TEST(StressStateTensor, PrincipalValuesAlongTheAxes) {
    const float phi = 0.3f;
    // sigma1 north horizontal, sigma3 vertical: sigma2 = e3 x e1 lies east-west.
    const Tensor3f t = stress_state_tensor(0.0f, 0.0f, 0.0f, 90.0f * kDegToRad, phi);
    const float expected[9] = {phi, 0, 0, 0, 1, 0, 0, 0, 0};
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(t[i], expected[i], 1e-6f) << "entry " << i;
    // Symmetric for an oblique state too.
    const Tensor3f o = stress_state_tensor(0.7f, 0.4f, 2.1f, 0.9f, 0.6f);
    EXPECT_EQ(o[1], o[3]);
    EXPECT_EQ(o[2], o[6]);
    EXPECT_EQ(o[5], o[7]);
}

TEST(Misfit, NormalFaultUnderVerticalSigma1IsZeroAndReverseIs180) {
    for (float phi : {0.0f, 0.5f, 1.0f}) {
        SCOPED_TRACE(phi);
        const Tensor3f s = vertical_sigma1(phi);
        const FaultDatum normal = prepared(90, 60, 90, 60, 'N');
        const FaultDatum reverse = prepared(90, 60, 90, 60, 'R');
        // The shear traction points down-dip: the hanging wall moves down.
        expect_vec(shear_direction(s, normal.normal), 0.5f, 0, -0.8660254f);
        EXPECT_NEAR(misfit_degrees(s, normal), 0.0f, 0.05f);
        EXPECT_NEAR(misfit_degrees(s, reverse), 180.0f, 0.05f);
    }
}

TEST(Misfit, PrincipalPlanesGiveExactly90) {
    // Grid state: sigma1 vertical, sigma3 east, sigma2 north.
    const Tensor3f s = vertical_sigma1(0.5f);
    struct Case { float dd, dip; const char* axis; };
    const Case cases[] = {
        {0, 0, "sigma1 (horizontal plane)"},
        {90, 90, "sigma3 (vertical plane striking north)"},
        {0, 90, "sigma2 (vertical plane striking east)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.axis);
        const FaultDatum d = prepared(c.dd, c.dip, c.dd + 90, 0, 'N');
        expect_vec(shear_direction(s, d.normal), 0, 0, 0, 0);
        EXPECT_EQ(misfit_degrees(s, d), static_cast<float>(std::acos(0.0) * kRadToDeg));
        EXPECT_EQ(std::lround(misfit_degrees(s, d)), 90);
    }
}

TEST(MisfitAngle, ClampsDotProductsOutsideUnitRange) {
    // Components whose normalised dot product rounds above 1 must give 0, not NaN.
    const Vec3f u{0.57735026f, 0.57735026f, 0.57735026f};
    const double same = misfit_angle(u, u);
    EXPECT_FALSE(std::isnan(same));
    EXPECT_NEAR(same, 0.0, 1e-3);
    const double opposite = misfit_angle(u, {-u[0], -u[1], -u[2]});
    EXPECT_FALSE(std::isnan(opposite));
    EXPECT_NEAR(opposite, M_PI, 1e-3);
    // A zero vector on either side gives pi/2.
    EXPECT_DOUBLE_EQ(misfit_angle({0, 0, 0}, u), std::acos(0.0));
    EXPECT_DOUBLE_EQ(misfit_angle(u, {1e-9f, 0, 0}), std::acos(0.0));
}

TEST(MisfitAngle, ExactClampOnVectorsThatOvershoot) {
    // Search for vectors whose normalised float components give a dot product
    // with themselves above 1, and check that every one of them measures exactly
    // 0, and exactly pi against its opposite, instead of an invalid arc cosine.
    int overshoots = 0;
    for (int i = 1; i < 2000; ++i) {
        const Vec3f v{0.1f * i, 1.0f, 0.37f * i};
        const Vec3f a = normalize_vector(v);
        const double q = static_cast<double>(a[0]) * a[0] + static_cast<double>(a[1]) * a[1] +
                         static_cast<double>(a[2]) * a[2];
        if (q <= 1.0) continue;
        ++overshoots;
        EXPECT_EQ(misfit_angle(v, v), 0.0);
        EXPECT_EQ(misfit_angle(v, {-v[0], -v[1], -v[2]}), std::acos(-1.0));
    }
    EXPECT_GT(overshoots, 0) << "no overshooting vector found; the clamp is untested";
}

TEST(CountSubsets, Values) {
    struct Case { int n, k, expected; };
    const Case cases[] = {
        {31, 4, 31465}, {6, 4, 15}, {8, 4, 70}, {20, 4, 4845}, {10, 5, 252},
        {7, 7, 1}, {100, 100, 1}, {7, 0, 1}, {0, 0, 1}, {5, -1, 1},
        {3, 4, 0}, {0, 3, 0}, {1, 8, 0},    // fewer data than k: no subset
        {100, 7, -1},                        // 16 007 560 800
        {100, 8, -1},                        // 186 087 894 300 >= 2^31
        {32767, 3, -1},
        {50, 8, 536878650},
        {62, 7, 491796152},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(count_subsets(c.n, c.k), c.expected) << "C(" << c.n << ", " << c.k << ")";
    }
}

TEST(CountSubsets, LimitIsTwoToThe31) {
    // C(n, 3) crosses 2^31 between n = 2345 (2 146 453 540) and 2346 (2 149 201 880).
    EXPECT_EQ(count_subsets(2345, 3), 2146453540);
    EXPECT_EQ(count_subsets(2346, 3), -1);
    // C(65536, 2) = 2 147 450 880 fits; C(65537, 2) = 2 147 516 416 does not.
    EXPECT_EQ(count_subsets(65536, 2), 2147450880);
    EXPECT_EQ(count_subsets(65537, 2), -1);
}

TEST(Nint, HalvesAwayFromZero) {
    struct Case { double x; int expected; };
    const Case cases[] = {{0.5, 1}, {1.5, 2}, {2.5, 3}, {-0.5, -1}, {-2.5, -3},
                          {0.49999997, 0}, {179.5, 180}, {89.4, 89}, {0.0, 0}};
    for (const Case& c : cases) EXPECT_EQ(nint(c.x), c.expected) << c.x;
}

}  // namespace
}  // namespace quillon::engine
