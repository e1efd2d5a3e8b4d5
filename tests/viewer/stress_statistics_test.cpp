// Angular stress distance, global average and spread, and their window texts.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "viewer/model/stress_statistics.h"

namespace quillon::viewer {
namespace {

TStressState State(Tazpl s1, Tazpl s3, float phi) {
    TStressState s;
    s.axis[sgm1] = s1;
    s.axis[sgm3] = s3;
    s.sr = phi;
    return s;
}

double Frobenius(const Tmatrix& T) {
    double s = 0;
    for (const auto& row : T.a)
        for (float x : row) s += double(x) * x;
    return std::sqrt(s);
}

TEST(Tensors, TraceFreeWithFixedNorms) {
    for (float phi : {0.0f, 0.3f, 0.5f, 1.0f}) {
        const Tmatrix a = TensorOfStressState(Azpl(30, 60), Azpl(210, 30), phi);
        const Tmatrix b = TensorForDistance(Azpl(30, 60), Azpl(210, 30), phi);
        EXPECT_NEAR(a.a[0][0] + a.a[1][1] + a.a[2][2], 0.0, 1e-6);
        EXPECT_NEAR(b.a[0][0] + b.a[1][1] + b.a[2][2], 0.0, 1e-6);
        EXPECT_NEAR(Frobenius(a), std::sqrt(3.0), 1e-5) << phi;
        EXPECT_NEAR(Frobenius(b), std::sqrt(2.0), 1e-5) << phi;
        EXPECT_FLOAT_EQ(a.a[0][1], a.a[1][0]);
    }
    // Vertical sigma1, East sigma3, Phi 0.5: principal values (1, 0, -1) for the distance.
    const Tmatrix t = TensorForDistance(Azpl(0, 90), Azpl(90, 0), 0.5f);
    EXPECT_NEAR(t.a[2][2], 1.0f, 1e-6);
    EXPECT_NEAR(t.a[0][0], -1.0f, 1e-6);
    EXPECT_NEAR(t.a[1][1], 0.0f, 1e-6);
}

TEST(Theta, KnownDistances) {
    const TStressState a = State(Azpl(30, 60), Azpl(210, 30), 0.3f);
    // Exchanged axes with 1 - Phi: the opposite tensor.
    EXPECT_NEAR(ThetaBetweenStressStates(a, State(Azpl(210, 30), Azpl(30, 60), 0.7f)), 180.0f, 0.05f);
    EXPECT_NEAR(ThetaBetweenStressStates(a, a), 0.0f, 0.05f);
    const TStressState mid = State(Azpl(0, 90), Azpl(90, 0), 0.5f);
    EXPECT_NEAR(ThetaBetweenStressStates(State(Azpl(0, 90), Azpl(90, 0), 0.0f), mid), 30.0f, 1e-3);
    EXPECT_NEAR(ThetaBetweenStressStates(State(Azpl(0, 90), Azpl(90, 0), 1.0f), mid), 30.0f, 1e-3);
    EXPECT_NEAR(ThetaBetweenStressStates(State(Azpl(0, 90), Azpl(90, 0), 0.0f),
                                         State(Azpl(0, 90), Azpl(90, 0), 1.0f)), 60.0f, 1e-3);
    // sigma1 and sigma3 swapped in a horizontal plane, same Phi 0.5: also opposite.
    EXPECT_NEAR(ThetaBetweenStressStates(State(Azpl(0, 0), Azpl(90, 0), 0.5f),
                                         State(Azpl(90, 0), Azpl(0, 0), 0.5f)), 180.0f, 0.05f);
    // Symmetric in its arguments.
    const TStressState b = State(Azpl(100, 20), Azpl(250, 60), 0.8f);
    EXPECT_FLOAT_EQ(ThetaBetweenStressStates(a, b), ThetaBetweenStressStates(b, a));
}

TEST(StressDifference, FrobeniusOverRootThree) {
    const Tmatrix a = TensorOfStressState(Azpl(30, 60), Azpl(210, 30), 0.3f);
    const Tmatrix b = TensorOfStressState(Azpl(100, 20), Azpl(250, 60), 0.8f);
    Tmatrix d;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) d.a[i][j] = a.a[i][j] - b.a[i][j];
    EXPECT_NEAR(StressDifference(d), Frobenius(d) / std::sqrt(3.0), 1e-5);
    EXPECT_EQ(StressDifference(Tmatrix{}), 0.0f);
}

ResultModel GridOf(std::vector<TGridPoint> points) {
    ResultModel m;
    std::uint16_t id = 1;
    for (TGridPoint& p : points) p.id = id++;
    m.GridPoints = std::move(points);
    m.NG = static_cast<std::uint32_t>(m.GridPoints.size());
    m.NZG = 0;
    for (const TGridPoint& p : m.GridPoints) m.NZG += p.nv != 0;
    m.Sd = 0.0f;
    m.DataFile = "C:\\results\\run.ql4";
    return m;
}

TGridPoint GP(Tazpl s1, Tazpl s3, float sr, int nv) {
    TGridPoint p;
    p.axis[sgm1] = s1;
    p.axis[sgm3] = s3;
    p.sr = sr;
    p.sri = static_cast<std::uint8_t>(std::nearbyint(sr * 10));
    p.nv = nv;
    return p;
}

TEST(GlobalAverage, OneStateThreeTimesIsItsOwnAverage) {
    ResultModel m = GridOf({GP(Azpl(30, 60), Azpl(210, 30), 0.3f, 3), GP(Azpl(0, 0), Azpl(90, 0), 0.5f, 0)});
    const GlobalAverage ga = ComputeGlobalAverage(m, PlotSettings{8, 2, 0, 10});
    ASSERT_TRUE(ga.ok) << ga.message;
    EXPECT_EQ(ga.Np, 3);
    EXPECT_EQ(ga.status, "3 / 1 / 2");
    EXPECT_NEAR(ga.mean.ax1.az, 30.0f, 1e-3);
    EXPECT_NEAR(ga.mean.ax1.pl, 60.0f, 1e-3);
    EXPECT_NEAR(ga.mean.ax3.az, 210.0f, 1e-3);
    EXPECT_NEAR(ga.mean.ax3.pl, 30.0f, 1e-3);
    EXPECT_NEAR(ga.mean.phi, 0.3f, 1e-5);
    EXPECT_NEAR(ga.mean_stress_difference, 0.0f, 1e-5);
    const std::vector<std::string> lines =
        ShowStat(m.DataFile, 8, ga.Np, ga.mean.ax1, ga.mean.ax3, ga.mean.phi, 0, 0, 0,
                 ga.mean_stress_difference, ga.mean_Theta);
    EXPECT_EQ(lines[5], "     sigma1 axis =  30.0  /  60.0");
    EXPECT_EQ(lines[6], "     sigma3 axis =  210.0  /  30.0");
    EXPECT_EQ(lines[7], "     Phi         =  0.30");
    EXPECT_EQ(lines[9], "     mean stress difference =  0.000");
    EXPECT_EQ(lines[10], "     mean angular stress distance =  0.000");
}

TEST(GlobalAverage, MeanOfTwoStatesAndSpread) {
    // Same axes, Phi 0 and 1 with equal weight: the mean tensor has Phi 0.5; each
    // state is 30 degrees from it... in the distance tensor; the spread uses the
    // TensorOfStressState scaling, so compare with the closed form.
    ResultModel m = GridOf({GP(Azpl(0, 90), Azpl(90, 0), 0.0f, 2), GP(Azpl(0, 90), Azpl(90, 0), 1.0f, 2)});
    const GlobalAverage ga = ComputeGlobalAverage(m, PlotSettings{0, 2, 0, 10});
    ASSERT_TRUE(ga.ok) << ga.message;
    EXPECT_EQ(ga.Np, 4);
    EXPECT_NEAR(ga.mean.phi, 0.5f, 1e-5);
    EXPECT_NEAR(ga.mean.ax1.pl, 90.0f, 1e-3);
    EXPECT_NEAR(ga.mean.ax3.pl, 0.0f, 1e-3);
    EXPECT_NEAR(AngleMod(ga.mean.ax3.az, 180), 90.0f, 1e-3);
    // Each state's TensorOfStressState is 30 degrees from the mean one (both norm
    // sqrt 3): d = 2 sin(15 degrees), angle = 2 arcsin(d / 2) = 30 degrees.
    EXPECT_NEAR(ga.mean_stress_difference, 2 * std::sin(15 * kDegToRad), 1e-5);
    EXPECT_NEAR(ga.mean_Theta, 30.0f, 1e-3);
}

TEST(GlobalAverage, TooFewSymbolsAndBounds) {
    ResultModel m = GridOf({GP(Azpl(30, 60), Azpl(210, 30), 0.3f, 2), GP(Azpl(0, 0), Azpl(90, 0), 0.7f, 5)});
    GlobalAverage ga = ComputeGlobalAverage(m, PlotSettings{0, 2, 0, 5});
    EXPECT_FALSE(ga.ok);
    EXPECT_EQ(ga.Np, 2);
    EXPECT_EQ(ga.message, "Insufficient number of tensors.\r\nDecrease enhance factor.");
    ga = ComputeGlobalAverage(m, PlotSettings{0, 2, 6, 10});
    ASSERT_TRUE(ga.ok);
    EXPECT_EQ(ga.Np, 5);
    EXPECT_NEAR(ga.mean.phi, 0.7f, 1e-5);
    ga = ComputeGlobalAverage(m, PlotSettings{0, 2, 0, 10});
    ASSERT_TRUE(ga.ok);
    EXPECT_EQ(ga.Np, 7);
    ga = ComputeGlobalAverage(m, PlotSettings{0, 2, 9, 10});
    EXPECT_FALSE(ga.ok);
    EXPECT_EQ(ga.message, "No data loaded.");
    ResultModel empty;
    EXPECT_EQ(ComputeGlobalAverage(empty, PlotSettings{}).message, "No data loaded.");
}

TEST(MeanAxes, AxesAreFoldedDownwardIntoZeroTo360) {
    // A tensor whose sigma1 eigenvector comes out pointing up must be turned down.
    const Tmatrix t = TensorOfStressState(Azpl(359.97f, 10), Azpl(89.97f, 0), 0.5f);
    Tdmatrix A;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) A.a[i][j] = t.a[i][j];
    const MeanStress ms = MeanAxesAndRatio(A);
    EXPECT_GE(ms.ax1.pl, 0.0f);
    EXPECT_GE(ms.ax3.pl, 0.0f);
    EXPECT_GE(ms.ax1.az, 0.0f);
    EXPECT_LT(ms.ax1.az, 360.0f);
    EXPECT_NEAR(ms.ax1.az, 359.97f, 0.01f);
    EXPECT_NEAR(ms.ax1.pl, 10.0f, 0.01f);
    EXPECT_NEAR(ms.phi, 0.5f, 1e-4);
}

TEST(WindowTexts, ThetaDistance) {
    const std::vector<std::string> expected = {
        "Stress State 1",
        "  sigma1 axis = 360.0 / 45.0",
        "  sigma3 axis = 180.0 / 45.0",
        "  Phi =0.50",
        "",
        "Stress State 2",
        "  sigma1 axis = 12.3 / 0.0",
        "  sigma3 axis = 102.3 / 90.0",
        "  Phi =1.00",
        "",
        "Theta = 123.46 deg",
    };
    EXPECT_EQ(ShowThetaDistance(Azpl(359.97f, 45), Azpl(180, 45), 0.5f, Azpl(12.34f, 0.04f),
                                Azpl(102.34f, 89.96f), 1.0f, 123.456f),
              expected);
}

TEST(WindowTexts, GlobalAverageAndSpread) {
    const std::vector<std::string> expected = {
        "File Name",
        "     run.ql4",
        "Enhance Factor = 8",
        "Np = 1234",
        "Average",
        "     sigma1 axis =  360.0  /  12.3",
        "     sigma3 axis =  90.5  /  77.7",
        "     Phi         =  0.43",
        "Spread",
        "     mean stress difference =  0.123",
        "     mean angular stress distance =  12.346",
    };
    EXPECT_EQ(ShowStat("/home/user/results/run.ql4", 8, 1234, Azpl(359.97f, 12.34f), Azpl(90.5f, 77.66f),
                       0.4321f, 1, 2, 3, 0.12345f, 12.3456f),
              expected);
    EXPECT_EQ(ShowStat("C:\\r\\w.ql4", 0, 3, Azpl(0, 0), Azpl(0, 0), 0, 0, 0, 0, 0, 0)[1], "     w.ql4");
}

}  // namespace
}  // namespace quillon::viewer
