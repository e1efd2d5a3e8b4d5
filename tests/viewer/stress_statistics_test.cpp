// Angular stress distance, global average and spread, and their window texts.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "viewer/model/stress_statistics.h"

namespace quillon::viewer {
namespace {

StressState State(Direction s1, Direction s3, float phi) {
    StressState s;
    s.axis[Sigma1] = s1;
    s.axis[Sigma3] = s3;
    s.stressRatio = phi;
    return s;
}

double Frobenius(const Matrix3& T) {
    double s = 0;
    for (const auto& row : T.a)
        for (float x : row) s += double(x) * x;
    return std::sqrt(s);
}

TEST(Tensors, TraceFreeWithFixedNorms) {
    for (float phi : {0.0f, 0.3f, 0.5f, 1.0f}) {
        const Matrix3 a = tensorOfStressState(makeDirection(30, 60), makeDirection(210, 30), phi);
        const Matrix3 b = tensorForDistance(makeDirection(30, 60), makeDirection(210, 30), phi);
        EXPECT_NEAR(a.a[0][0] + a.a[1][1] + a.a[2][2], 0.0, 1e-6);
        EXPECT_NEAR(b.a[0][0] + b.a[1][1] + b.a[2][2], 0.0, 1e-6);
        EXPECT_NEAR(Frobenius(a), std::sqrt(3.0), 1e-5) << phi;
        EXPECT_NEAR(Frobenius(b), std::sqrt(2.0), 1e-5) << phi;
        EXPECT_FLOAT_EQ(a.a[0][1], a.a[1][0]);
    }
    // Vertical sigma1, East sigma3, Phi 0.5: principal values (1, 0, -1) for the distance.
    const Matrix3 t = tensorForDistance(makeDirection(0, 90), makeDirection(90, 0), 0.5f);
    EXPECT_NEAR(t.a[2][2], 1.0f, 1e-6);
    EXPECT_NEAR(t.a[0][0], -1.0f, 1e-6);
    EXPECT_NEAR(t.a[1][1], 0.0f, 1e-6);
}

TEST(Theta, KnownDistances) {
    const StressState a = State(makeDirection(30, 60), makeDirection(210, 30), 0.3f);
    // Exchanged axes with 1 - Phi: the opposite tensor.
    EXPECT_NEAR(thetaBetweenStressStates(a, State(makeDirection(210, 30), makeDirection(30, 60), 0.7f)), 180.0f, 0.05f);
    EXPECT_NEAR(thetaBetweenStressStates(a, a), 0.0f, 0.05f);
    const StressState mid = State(makeDirection(0, 90), makeDirection(90, 0), 0.5f);
    EXPECT_NEAR(thetaBetweenStressStates(State(makeDirection(0, 90), makeDirection(90, 0), 0.0f), mid), 30.0f, 1e-3);
    EXPECT_NEAR(thetaBetweenStressStates(State(makeDirection(0, 90), makeDirection(90, 0), 1.0f), mid), 30.0f, 1e-3);
    EXPECT_NEAR(thetaBetweenStressStates(State(makeDirection(0, 90), makeDirection(90, 0), 0.0f),
                                         State(makeDirection(0, 90), makeDirection(90, 0), 1.0f)), 60.0f, 1e-3);
    // sigma1 and sigma3 swapped in a horizontal plane, same Phi 0.5: also opposite.
    EXPECT_NEAR(thetaBetweenStressStates(State(makeDirection(0, 0), makeDirection(90, 0), 0.5f),
                                         State(makeDirection(90, 0), makeDirection(0, 0), 0.5f)), 180.0f, 0.05f);
    // Symmetric in its arguments.
    const StressState b = State(makeDirection(100, 20), makeDirection(250, 60), 0.8f);
    EXPECT_FLOAT_EQ(thetaBetweenStressStates(a, b), thetaBetweenStressStates(b, a));
}

TEST(StressDifference, FrobeniusOverRootThree) {
    const Matrix3 a = tensorOfStressState(makeDirection(30, 60), makeDirection(210, 30), 0.3f);
    const Matrix3 b = tensorOfStressState(makeDirection(100, 20), makeDirection(250, 60), 0.8f);
    Matrix3 d;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) d.a[i][j] = a.a[i][j] - b.a[i][j];
    EXPECT_NEAR(stressDifference(d), Frobenius(d) / std::sqrt(3.0), 1e-5);
    EXPECT_EQ(stressDifference(Matrix3{}), 0.0f);
}

ResultModel GridOf(std::vector<GridPoint> points) {
    ResultModel m;
    std::uint16_t id = 1;
    for (GridPoint& p : points) p.id = id++;
    m.gridPoints = std::move(points);
    m.gridCount = static_cast<std::uint32_t>(m.gridPoints.size());
    m.votedCount = 0;
    for (const GridPoint& p : m.gridPoints) m.votedCount += p.votes != 0;
    m.voteSd = 0.0f;
    m.resultPath = "C:\\results\\run.ql4";
    return m;
}

GridPoint GP(Direction s1, Direction s3, float sr, int nv) {
    GridPoint p;
    p.axis[Sigma1] = s1;
    p.axis[Sigma3] = s3;
    p.stressRatio = sr;
    p.ratioClass = static_cast<std::uint8_t>(std::nearbyint(sr * 10));
    p.votes = nv;
    return p;
}

TEST(GlobalAverage, OneStateThreeTimesIsItsOwnAverage) {
    ResultModel m = GridOf({GP(makeDirection(30, 60), makeDirection(210, 30), 0.3f, 3), GP(makeDirection(0, 0), makeDirection(90, 0), 0.5f, 0)});
    const GlobalAverage ga = computeGlobalAverage(m, PlotSettings{8, 2, 0, 10});
    ASSERT_TRUE(ga.ok) << ga.message;
    EXPECT_EQ(ga.symbolCount, 3);
    EXPECT_EQ(ga.status, "3 / 1 / 2");
    EXPECT_NEAR(ga.mean.sigma1.az, 30.0f, 1e-3);
    EXPECT_NEAR(ga.mean.sigma1.pl, 60.0f, 1e-3);
    EXPECT_NEAR(ga.mean.sigma3.az, 210.0f, 1e-3);
    EXPECT_NEAR(ga.mean.sigma3.pl, 30.0f, 1e-3);
    EXPECT_NEAR(ga.mean.phi, 0.3f, 1e-5);
    EXPECT_NEAR(ga.meanStressDifference, 0.0f, 1e-5);
    const std::vector<std::string> lines =
        statisticsText(m.resultPath, 8, ga.symbolCount, ga.mean.sigma1, ga.mean.sigma3, ga.mean.phi, 0, 0, 0,
                 ga.meanStressDifference, ga.meanTheta);
    EXPECT_EQ(lines[5], "     sigma1 axis =  30.0  /  60.0");
    EXPECT_EQ(lines[6], "     sigma3 axis =  210.0  /  30.0");
    EXPECT_EQ(lines[7], "     Phi         =  0.30");
    EXPECT_EQ(lines[9], "     mean stress difference =  0.000");
    EXPECT_EQ(lines[10], "     mean angular stress distance =  0.000");
}

TEST(GlobalAverage, MeanOfTwoStatesAndSpread) {
    // Same axes, Phi 0 and 1 with equal weight: the mean tensor has Phi 0.5; each
    // state is 30 degrees from it... in the distance tensor; the spread uses the
    // tensorOfStressState scaling, so compare with the closed form.
    ResultModel m = GridOf({GP(makeDirection(0, 90), makeDirection(90, 0), 0.0f, 2), GP(makeDirection(0, 90), makeDirection(90, 0), 1.0f, 2)});
    const GlobalAverage ga = computeGlobalAverage(m, PlotSettings{0, 2, 0, 10});
    ASSERT_TRUE(ga.ok) << ga.message;
    EXPECT_EQ(ga.symbolCount, 4);
    EXPECT_NEAR(ga.mean.phi, 0.5f, 1e-5);
    EXPECT_NEAR(ga.mean.sigma1.pl, 90.0f, 1e-3);
    EXPECT_NEAR(ga.mean.sigma3.pl, 0.0f, 1e-3);
    EXPECT_NEAR(angleMod(ga.mean.sigma3.az, 180), 90.0f, 1e-3);
    // Each state's tensorOfStressState is 30 degrees from the mean one (both norm
    // sqrt 3): d = 2 sin(15 degrees), angle = 2 arcsin(d / 2) = 30 degrees.
    EXPECT_NEAR(ga.meanStressDifference, 2 * std::sin(15 * kDegToRad), 1e-5);
    EXPECT_NEAR(ga.meanTheta, 30.0f, 1e-3);
}

TEST(GlobalAverage, TooFewSymbolsAndBounds) {
    ResultModel m = GridOf({GP(makeDirection(30, 60), makeDirection(210, 30), 0.3f, 2), GP(makeDirection(0, 0), makeDirection(90, 0), 0.7f, 5)});
    GlobalAverage ga = computeGlobalAverage(m, PlotSettings{0, 2, 0, 5});
    EXPECT_FALSE(ga.ok);
    EXPECT_EQ(ga.symbolCount, 2);
    EXPECT_EQ(ga.message, "Insufficient number of tensors.\r\nDecrease enhance factor.");
    ga = computeGlobalAverage(m, PlotSettings{0, 2, 6, 10});
    ASSERT_TRUE(ga.ok);
    EXPECT_EQ(ga.symbolCount, 5);
    EXPECT_NEAR(ga.mean.phi, 0.7f, 1e-5);
    ga = computeGlobalAverage(m, PlotSettings{0, 2, 0, 10});
    ASSERT_TRUE(ga.ok);
    EXPECT_EQ(ga.symbolCount, 7);
    ga = computeGlobalAverage(m, PlotSettings{0, 2, 9, 10});
    EXPECT_FALSE(ga.ok);
    EXPECT_EQ(ga.message, "No data loaded.");
    ResultModel empty;
    EXPECT_EQ(computeGlobalAverage(empty, PlotSettings{}).message, "No data loaded.");
}

TEST(MeanAxes, AxesAreFoldedDownwardIntoZeroTo360) {
    // A tensor whose sigma1 eigenvector comes out pointing up must be turned down.
    const Matrix3 t = tensorOfStressState(makeDirection(359.97f, 10), makeDirection(89.97f, 0), 0.5f);
    Matrix3d A;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) A.a[i][j] = t.a[i][j];
    const MeanStress ms = meanAxesAndRatio(A);
    EXPECT_GE(ms.sigma1.pl, 0.0f);
    EXPECT_GE(ms.sigma3.pl, 0.0f);
    EXPECT_GE(ms.sigma1.az, 0.0f);
    EXPECT_LT(ms.sigma1.az, 360.0f);
    EXPECT_NEAR(ms.sigma1.az, 359.97f, 0.01f);
    EXPECT_NEAR(ms.sigma1.pl, 10.0f, 0.01f);
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
    EXPECT_EQ(thetaDistanceText(makeDirection(359.97f, 45), makeDirection(180, 45), 0.5f, makeDirection(12.34f, 0.04f),
                                makeDirection(102.34f, 89.96f), 1.0f, 123.456f),
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
    EXPECT_EQ(statisticsText("/home/user/results/run.ql4", 8, 1234, makeDirection(359.97f, 12.34f), makeDirection(90.5f, 77.66f),
                       0.4321f, 1, 2, 3, 0.12345f, 12.3456f),
              expected);
    EXPECT_EQ(statisticsText("C:\\r\\w.ql4", 0, 3, makeDirection(0, 0), makeDirection(0, 0), 0, 0, 0, 0, 0, 0)[1], "     w.ql4");
}

}  // namespace
}  // namespace quillon::viewer
