// The viewer's data set: senses, reduced stress tensor, misfits.
#include <gtest/gtest.h>

#include <cmath>

#include "viewer/model/fault_data.h"

namespace quillon::viewer {
namespace {

FaultDataSet OneDatum(Direction fp, Direction ss, const char* sense) {
    FaultDataSet set;
    set.reallocate(1);
    set.count = 1;
    set.records[1].plane = fp;
    set.records[1].slip = ss;
    set.records[1].sense = sense;
    set.determineSenses();
    return set;
}

TEST(FaultDataSet, ReallocateGivesZeroedRecordsWithAnUnusedFirst) {
    FaultDataSet set;
    set.records[3].misfit = 12.0f;
    set.reallocate(3);
    ASSERT_EQ(set.records.size(), 4u);
    for (const FaultDatum& d : set.records) {
        EXPECT_EQ(d.misfit, 0.0f);
        EXPECT_TRUE(d.sense.empty());
        EXPECT_EQ(d.reducedSense, SenseOfShear::Normal);
    }
}

TEST(FaultDataSet, SenseReduction) {
    const struct {
        float dipDir, slipAz;
        const char* sense;
        SenseOfShear reducedSense;
    } cases[] = {
        {90, 90, "N", SenseOfShear::Normal},
        {90, 90, "R", SenseOfShear::Reverse},
        {90, 90, "NORMAL", SenseOfShear::Normal},
        {0, 30, "D", SenseOfShear::Normal},     // slip 30 degrees clockwise of the dip direction
        {0, 30, "S", SenseOfShear::Reverse},
        {0, 0, "D", SenseOfShear::Reverse},     // slip along the dip direction
        {0, 0, "S", SenseOfShear::Normal},
        {0, 330, "D", SenseOfShear::Reverse},
        {0, 330, "S", SenseOfShear::Normal},
    };
    for (const auto& c : cases) {
        const FaultDataSet set = OneDatum(makeDirection(c.dipDir, 80), makeDirection(c.slipAz, 10), c.sense);
        EXPECT_EQ(set.records[1].reducedSense, c.reducedSense) << c.sense << " " << c.dipDir << " " << c.slipAz;
    }
    // An unknown letter or an empty sense leaves reducedSense as it was.
    for (const char* sense : {"X", ""}) {
        FaultDataSet set = OneDatum(makeDirection(0, 80), makeDirection(30, 10), "R");
        set.records[1].sense = sense;
        set.determineSenses();
        EXPECT_EQ(set.records[1].reducedSense, SenseOfShear::Reverse) << '"' << sense << '"';
    }
}

TEST(ReducedStress, PrincipalValuesAlongTheAxes) {
    // sigma1 vertical, sigma3 East-West, Phi 0.3: diag(0, 0.3, 1) in East/North/Up.
    const Matrix3 S = reducedStressTensor(makeDirection(0, 90), makeDirection(90, 0), 0.3f);
    const float expected[3][3] = {{0, 0, 0}, {0, 0.3f, 0}, {0, 0, 1}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(S.a[i][j], expected[i][j], 1e-6) << i << j;
}

TEST(Misfits, NormalFaultUnderVerticalSigma1) {
    const Matrix3 S = reducedStressTensor(makeDirection(0, 90), makeDirection(90, 0), 0.0f);
    FaultDataSet normal = OneDatum(makeDirection(90, 60), makeDirection(90, 60), "N");
    EXPECT_EQ(normal.computeMisfits(S)[1], false);
    const FaultDatum& d = normal.records[1];
    EXPECT_NEAR(d.misfit, 0.0f, 0.05f);
    EXPECT_NEAR(angleMod(d.theoreticalSlip.az, 360), 90.0f, 1e-3);
    EXPECT_NEAR(d.theoreticalSlip.pl, 60.0f, 1e-3);
    EXPECT_NEAR(d.normalStress, 0.25f, 1e-6);
    EXPECT_NEAR(d.shearStress, std::sqrt(3.0f) / 4, 1e-6);

    FaultDataSet reverse = OneDatum(makeDirection(90, 60), makeDirection(90, 60), "R");
    reverse.computeMisfits(S);
    EXPECT_NEAR(reverse.records[1].misfit, 180.0f, 0.05f);
}

TEST(Misfits, ZeroShearIsReportedAndNotLeftStale) {
    const Matrix3 S = reducedStressTensor(makeDirection(0, 90), makeDirection(90, 0), 0.5f);
    FaultDataSet set;
    set.reallocate(2);
    set.count = 2;
    set.records[1].plane = makeDirection(0, 0);  // horizontal plane: its normal is the sigma1 axis
    set.records[1].slip = makeDirection(0, 0);
    set.records[1].sense = std::string(1, 'N');
    set.records[1].misfit = 12.0f;   // from an earlier designated stress
    set.records[2].plane = makeDirection(90, 60);
    set.records[2].slip = makeDirection(90, 60);
    set.records[2].sense = std::string(1, 'N');
    set.determineSenses();
    const std::vector<bool> zero = set.computeMisfits(S);
    ASSERT_EQ(zero.size(), 3u);
    EXPECT_TRUE(zero[1]);
    EXPECT_FALSE(zero[2]);
    EXPECT_TRUE(isUndefinedDirection(set.records[1].theoreticalSlip));
    EXPECT_EQ(set.records[1].misfit, kZeroShearMisfit);
    EXPECT_LT(set.records[1].shearStress, 1e-10f);
    EXPECT_NEAR(set.records[1].normalStress, 1.0f, 1e-6);
}

TEST(Misfits, MisfitClasses) {
    const struct {
        float misfit;
        int cls;
    } cases[] = {{0, 0}, {9.99f, 0}, {10, 1}, {19.5f, 1}, {29.99f, 2}, {30, 3}, {179, 17}};
    for (const auto& c : cases) EXPECT_EQ(misfitClass(c.misfit), c.cls) << c.misfit;
}

}  // namespace
}  // namespace quillon::viewer
