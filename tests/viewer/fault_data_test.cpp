// The viewer's data set: senses, reduced stress tensor, misfits.
#include <gtest/gtest.h>

#include <cmath>

#include "viewer/model/fault_data.h"

namespace quillon::viewer {
namespace {

FaultDataSet OneDatum(Tazpl fp, Tazpl ss, const char* sense) {
    FaultDataSet set;
    set.ReallocateFD(1);
    set.NF = 1;
    set.FD[1].fp = fp;
    set.FD[1].ss = ss;
    set.FD[1].sense = sense;
    set.Determine_NRS();
    return set;
}

TEST(FaultDataSet, ReallocateGivesZeroedRecordsWithAnUnusedFirst) {
    FaultDataSet set;
    set.FD[3].misfit = 12.0f;
    set.ReallocateFD(3);
    ASSERT_EQ(set.FD.size(), 4u);
    for (const TFaultData& d : set.FD) {
        EXPECT_EQ(d.misfit, 0.0f);
        EXPECT_TRUE(d.sense.empty());
        EXPECT_EQ(d.nrs, N);
    }
}

TEST(FaultDataSet, SenseReduction) {
    const struct {
        float dipDir, slipAz;
        const char* sense;
        TSenseOfShear nrs;
    } cases[] = {
        {90, 90, "N", N},   {90, 90, "R", R},   {90, 90, "NORMAL", N},
        {0, 30, "D", N},    {0, 30, "S", R},    // slip 30 degrees clockwise of the dip direction
        {0, 0, "D", R},     {0, 0, "S", N},     // slip along the dip direction
        {0, 330, "D", R},   {0, 330, "S", N},
    };
    for (const auto& c : cases) {
        const FaultDataSet set = OneDatum(Azpl(c.dipDir, 80), Azpl(c.slipAz, 10), c.sense);
        EXPECT_EQ(set.FD[1].nrs, c.nrs) << c.sense << " " << c.dipDir << " " << c.slipAz;
    }
    // An unknown letter or an empty sense leaves nrs as it was.
    for (const char* sense : {"X", ""}) {
        FaultDataSet set = OneDatum(Azpl(0, 80), Azpl(30, 10), "R");
        set.FD[1].sense = sense;
        set.Determine_NRS();
        EXPECT_EQ(set.FD[1].nrs, R) << '"' << sense << '"';
    }
}

TEST(ReducedStress, PrincipalValuesAlongTheAxes) {
    // sigma1 vertical, sigma3 East-West, Phi 0.3: diag(0, 0.3, 1) in East/North/Up.
    const Tmatrix S = ReducedStressTensor(Azpl(0, 90), Azpl(90, 0), 0.3f);
    const float expected[3][3] = {{0, 0, 0}, {0, 0.3f, 0}, {0, 0, 1}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(S.a[i][j], expected[i][j], 1e-6) << i << j;
}

TEST(Misfits, NormalFaultUnderVerticalSigma1) {
    const Tmatrix S = ReducedStressTensor(Azpl(0, 90), Azpl(90, 0), 0.0f);
    FaultDataSet normal = OneDatum(Azpl(90, 60), Azpl(90, 60), "N");
    EXPECT_EQ(normal.ComputeMisfits(S)[1], false);
    const TFaultData& d = normal.FD[1];
    EXPECT_NEAR(d.misfit, 0.0f, 0.05f);
    EXPECT_NEAR(AngleMod(d.tsd.az, 360), 90.0f, 1e-3);
    EXPECT_NEAR(d.tsd.pl, 60.0f, 1e-3);
    EXPECT_NEAR(d.nstr, 0.25f, 1e-6);
    EXPECT_NEAR(d.sstr, std::sqrt(3.0f) / 4, 1e-6);

    FaultDataSet reverse = OneDatum(Azpl(90, 60), Azpl(90, 60), "R");
    reverse.ComputeMisfits(S);
    EXPECT_NEAR(reverse.FD[1].misfit, 180.0f, 0.05f);
}

TEST(Misfits, ZeroShearIsReportedAndNotLeftStale) {
    const Tmatrix S = ReducedStressTensor(Azpl(0, 90), Azpl(90, 0), 0.5f);
    FaultDataSet set;
    set.ReallocateFD(2);
    set.NF = 2;
    set.FD[1].fp = Azpl(0, 0);  // horizontal plane: its normal is the sigma1 axis
    set.FD[1].ss = Azpl(0, 0);
    set.FD[1].sense = std::string(1, 'N');
    set.FD[1].misfit = 12.0f;   // from an earlier designated stress
    set.FD[2].fp = Azpl(90, 60);
    set.FD[2].ss = Azpl(90, 60);
    set.FD[2].sense = std::string(1, 'N');
    set.Determine_NRS();
    const std::vector<bool> zero = set.ComputeMisfits(S);
    ASSERT_EQ(zero.size(), 3u);
    EXPECT_TRUE(zero[1]);
    EXPECT_FALSE(zero[2]);
    EXPECT_TRUE(IsUndefinedDirection(set.FD[1].tsd));
    EXPECT_EQ(set.FD[1].misfit, kZeroShearMisfit);
    EXPECT_LT(set.FD[1].sstr, 1e-10f);
    EXPECT_NEAR(set.FD[1].nstr, 1.0f, 1e-6);
}

TEST(Misfits, MisfitClasses) {
    const struct {
        float misfit;
        int cls;
    } cases[] = {{0, 0}, {9.99f, 0}, {10, 1}, {19.5f, 1}, {29.99f, 2}, {30, 3}, {179, 17}};
    for (const auto& c : cases) EXPECT_EQ(MisfitClass(c.misfit), c.cls) << c.misfit;
}

}  // namespace
}  // namespace quillon::viewer
