// Stress solutions end to end: synthetic data from known stresses, inverted by the
// built qlmain, clustered, refined and bootstrapped as qlv4 --solutions does, over
// several seeds each.  With 5 degrees of noise on planes and striations the answer
// cannot be exact: even the optimum of the criterion itself, sought from the stress the
// data were made from, lies a few degrees away, and on some seeds farther than the
// aimed-for bound (30 faults, seed 13: 5.2 degrees; 20 faults of one stress, seed 22:
// 8.9 degrees); such a seed is held to that optimum instead, and the mean over the
// seeds to a bound.  A sign or frame error would put the answer tens of degrees away.
// Accuracy cases run without resamples (the bootstrap does not move the refined
// stress); the reordering case runs a few resamples to show they are reproduced too.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>

#include "analysis_inversion.h"
#include "viewer/model/stress_statistics.h"

namespace quillon::viewer {
namespace {

using testing::InversionHome;
using testing::solve;
using testing::viewerState;

double distance(const StressState& a, const tools::StressState& truth) {
    return thetaBetweenStressStates(a, viewerState(truth));
}

std::string describe(const SolutionsOutcome& o) {
    std::string s;
    for (const std::string& line : solutionsTable(o.solutions)) s += line + "\n";
    return s;
}

void expectNeverWorse(const SolutionsOutcome& o) {
    for (const StressSolution& s : o.solutions) EXPECT_GE(s.score, s.startScore) << "cluster " << s.rank;
}

struct OneStressCase {
    std::uint64_t seed;
    tools::StressState truth;
};

// The criterion's own optimum near the truth: the refinement started at the truth, on
// the data of lines first to last (all of them by default).
double optimumNearTruth(const FaultDataSet& set, const tools::StressState& truth, double thresholdDeg,
                        int first = 1, int last = 1 << 30) {
    const std::vector<SlipDatum> items = analysisData(set);
    std::vector<int> pool;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].firstLine >= first && items[i].firstLine <= last) pool.push_back(int(i));
    const Vector5 t = unitFiveVector(viewerState(truth));
    return angleBetween5(refineStress(items, pool, t, thresholdDeg).x, t);
}

TEST(StressSolutions, ThirtyFaultsWithFiveDegreesOfNoiseFindTheirStress) {
    const OneStressCase cases[] = {
        {11, {{70, 60}, {182, 12}, 0.3}},
        {12, {{300, 12}, {120, 78}, 0.5}},
        {13, {{20, 5}, {110, 10}, 0.7}},
        {14, {{135, 40}, {12, 33}, 0.2}},
        // A quarter of these faults misfit by more than the threshold; split in two,
        // the data would fit several more, which must not make a second stress.
        {1070, {{40, 3}, {131, 8}, 0.47}},
    };
    InversionHome home;
    double sum = 0.0;
    for (const OneStressCase& c : cases) {
        SCOPED_TRACE("seed " + std::to_string(c.seed));
        tools::SynthOptions synth;
        synth.states = {c.truth};
        synth.per_state = 30;
        synth.noise_deg = 5;
        synth.seed = c.seed;
        ResultModel model;
        FaultDataSet set;
        std::string why;
        ASSERT_TRUE(home.invert("one.fdt", tools::synthesize(synth), 1, 4, model, set, why)) << why;
        const SolutionsOutcome o = solve(model, set, 0);
        ASSERT_TRUE(o.ok) << o.message;
        ASSERT_EQ(o.solutions.size(), 1u) << describe(o);
        const StressSolution& top = o.solutions[0];
        const double bound = std::max(4.0, optimumNearTruth(set, c.truth, o.thresholdDeg) + 0.5);
        EXPECT_LE(distance(top.refined, c.truth), bound) << describe(o);
        sum += distance(top.refined, c.truth);
        EXPECT_GT(top.votePercent, 50.0) << describe(o);
        expectNeverWorse(o);
    }
    EXPECT_LE(sum / std::size(cases), 4.0);
}

struct TwoStressCase {
    std::uint64_t seed;
    tools::StressState a, b;
    bool onePile = false;  // the votes make one cluster; the second stress is found in the data
};

TEST(StressSolutions, TwoMixedStressesAreTwoClustersEachNearItsStress) {
    const TwoStressCase cases[] = {
        {21, {{70, 60}, {182, 12}, 0.3}, {{170, 8}, {350, 82}, 0.5}},
        {22, {{10, 80}, {100, 0}, 0.4}, {{45, 0}, {135, 0}, 0.5}},
        {23, {{250, 10}, {345, 30}, 0.6}, {{300, 70}, {120, 20}, 0.2}},
        // Subsets mixing data of the two stresses give a third pile of votes, whose
        // stress takes a few data from each; it must join another.
        {739, {{306, 54}, {102, 34}, 0.77}, {{293, 26}, {38, 28}, 0.76}},
        // Two stresses 50 degrees apart give one pile of votes; the second is found
        // among the data the first leaves unexplained.
        {749, {{313, 42}, {221, 2}, 0.64}, {{253, 67}, {1, 8}, 0.52}, true},
    };
    InversionHome home;
    double sum = 0.0;
    for (const TwoStressCase& c : cases) {
        SCOPED_TRACE("seed " + std::to_string(c.seed));
        tools::SynthOptions synth;
        synth.states = {c.a, c.b};
        synth.per_state = 20;
        synth.noise_deg = 5;
        synth.seed = c.seed;
        ResultModel model;
        FaultDataSet set;
        std::string why;
        ASSERT_TRUE(home.invert("two.fdt", tools::synthesize(synth), 1, 4, model, set, why)) << why;
        const SolutionsOutcome o = solve(model, set, 0);
        ASSERT_TRUE(o.ok) << o.message;
        ASSERT_EQ(o.solutions.size(), 2u) << describe(o);
        const bool foundInData = o.solutions[0].fromUnexplainedData || o.solutions[1].fromUnexplainedData;
        EXPECT_EQ(foundInData, c.onePile);
        const std::vector<std::string> preamble = solutionsPreamble(o, "two.ql4", SolutionOptions{});
        EXPECT_EQ(std::count_if(preamble.begin(), preamble.end(),
                                [](const std::string& line) {
                                    return line.find("found among the data no other cluster explained") !=
                                           std::string::npos;
                                }),
                  c.onePile ? 1 : 0);
        const double direct = distance(o.solutions[0].refined, c.a) + distance(o.solutions[1].refined, c.b);
        const double crossed = distance(o.solutions[0].refined, c.b) + distance(o.solutions[1].refined, c.a);
        const StressSolution& forA = direct <= crossed ? o.solutions[0] : o.solutions[1];
        const StressSolution& forB = direct <= crossed ? o.solutions[1] : o.solutions[0];
        // 20 faults per stress are few: even on each stress's own faults alone (lines
        // 1-20 and 21-40) the criterion's optimum lies up to 8.9 degrees away on these
        // seeds.  Each answer is within 6 degrees or, where that optimum is farther,
        // close to it.
        const double ownA = optimumNearTruth(set, c.a, o.thresholdDeg, 1, 20);
        const double ownB = optimumNearTruth(set, c.b, o.thresholdDeg, 21, 40);
        EXPECT_LE(distance(forA.refined, c.a), std::max(6.0, ownA + 1.5)) << describe(o);
        EXPECT_LE(distance(forB.refined, c.b), std::max(6.0, ownB + 1.5)) << describe(o);
        sum += distance(forA.refined, c.a) + distance(forB.refined, c.b);
        expectNeverWorse(o);
    }
    EXPECT_LE(sum / (2 * std::size(cases)), 6.5);
}

// One seed per case, so that each case (7.8 million focal subsets) stays short.
class SixtyFocalMechanisms : public ::testing::TestWithParam<OneStressCase> {};

TEST_P(SixtyFocalMechanisms, FindTheirStress) {
    const OneStressCase& c = GetParam();
    // 2000 random states (about 20 degrees apart) keep the run quick; the refinement,
    // not the grid, gives the accuracy.
    InversionHome home(2000);
    tools::SynthOptions synth;
    synth.states = {c.truth};
    synth.per_state = 60;
    synth.noise_deg = 5;
    synth.seed = c.seed;
    synth.focal = true;
    ResultModel model;
    FaultDataSet set;
    std::string why;
    ASSERT_TRUE(home.invert("focal.fmd", tools::synthesize(synth), 2, 4, model, set, why)) << why;
    const SolutionsOutcome o = solve(model, set, 0);
    ASSERT_TRUE(o.ok) << o.message;
    ASSERT_TRUE(o.focal);
    ASSERT_GE(o.solutions.size(), 1u);
    EXPECT_LE(distance(o.solutions[0].refined, c.truth), 6.0) << describe(o);
    expectNeverWorse(o);
}

INSTANTIATE_TEST_SUITE_P(Seeds, SixtyFocalMechanisms,
                         ::testing::Values(OneStressCase{31, {{300, 12}, {120, 78}, 0.5}},
                                           OneStressCase{32, {{60, 45}, {240, 45}, 0.3}},
                                           OneStressCase{33, {{160, 20}, {255, 15}, 0.8}}));

// The same data in another order (and, for mechanisms, each pair's planes swapped)
// give the very same clusters, refined stresses and bootstrap limits; the third case
// finds its second stress among the data the first leaves unexplained.
TEST(StressSolutions, ReorderedDataFileGivesTheSameSolutions) {
    struct Case {
        const char* name;
        bool focal;
        int dataClass, k;
        std::vector<tools::StressState> states;
        bool onePile;  // the votes make one cluster; the second stress is found in the data
    };
    const std::vector<tools::StressState> apart = {{{70, 60}, {182, 12}, 0.3}, {{170, 8}, {350, 82}, 0.5}};
    const std::vector<tools::StressState> close = {{{313, 42}, {221, 2}, 0.64}, {{253, 67}, {1, 8}, 0.52}};
    InversionHome home(2000);
    for (const Case& c : {Case{"faults", false, 1, 4, apart, false}, Case{"focal", true, 2, 4, apart, false},
                          Case{"one pile", false, 1, 4, close, true}}) {
        SCOPED_TRACE(c.name);
        tools::SynthOptions synth;
        synth.states = c.states;
        synth.per_state = c.focal ? 12 : 20;
        synth.noise_deg = 5;
        synth.seed = 41;
        synth.focal = c.focal;
        const std::vector<tools::FaultSlip> data = tools::synthesize(synth);
        std::vector<tools::FaultSlip> reordered;
        if (c.focal) {
            for (std::size_t m = data.size() / 2; m-- > 0;) {
                reordered.push_back(data[2 * m + 1]);
                reordered.push_back(data[2 * m]);
            }
        } else {
            reordered.assign(data.rbegin(), data.rend());
            std::rotate(reordered.begin(), reordered.begin() + 7, reordered.end());
        }
        const std::string ext = c.focal ? ".fmd" : ".fdt";
        ResultModel m1, m2;
        FaultDataSet s1, s2;
        std::string why;
        ASSERT_TRUE(home.invert("first" + ext, data, c.dataClass, c.k, m1, s1, why)) << why;
        ASSERT_TRUE(home.invert("second" + ext, reordered, c.dataClass, c.k, m2, s2, why)) << why;
        const SolutionsOutcome o1 = solve(m1, s1, 20, 5), o2 = solve(m2, s2, 20, 5);
        ASSERT_TRUE(o1.ok && o2.ok);
        ASSERT_EQ(o1.solutions.size(), 2u) << describe(o1);
        ASSERT_EQ(o2.solutions.size(), 2u) << describe(o2);
        EXPECT_EQ(o1.solutions[0].fromUnexplainedData || o1.solutions[1].fromUnexplainedData, c.onePile);
        for (std::size_t i = 0; i < o1.solutions.size(); ++i) {
            const StressSolution &a = o1.solutions[i], &b = o2.solutions[i];
            EXPECT_EQ(a.gridIds, b.gridIds);
            EXPECT_EQ(a.votes, b.votes);
            EXPECT_EQ(a.fromUnexplainedData, b.fromUnexplainedData);
            EXPECT_EQ(a.refinedPoint, b.refinedPoint);
            EXPECT_EQ(a.explainedLines.size(), b.explainedLines.size());
            EXPECT_EQ(solutionCsvRow(a), solutionCsvRow(b));
        }
    }
}

}  // namespace
}  // namespace quillon::viewer

namespace quillon::viewer {
namespace {

int runQlv4(const std::vector<std::string>& args, const testing::TempDir& io, std::string& out, std::string& err) {
    std::string cmd = std::string("'") + QLV4_PATH + "'";
    for (const std::string& a : args) cmd += " '" + a + "'";
    cmd += " </dev/null >'" + io.Path("out") + "' 2>'" + io.Path("err") + "'";
    const int status = std::system(cmd.c_str());
    out = testing::TempDir::Read(io.Path("out"));
    err = testing::TempDir::Read(io.Path("err"));
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// qlv4 --solutions: the table on standard output and the same rows as CSV, each row as
// the library writes it; failures name the file and leave no CSV behind.
TEST(Qlv4Solutions, TableAndCsvOfAResult) {
    InversionHome home;
    tools::SynthOptions synth;
    synth.states = {{{70, 60}, {182, 12}, 0.3}, {{170, 8}, {350, 82}, 0.5}};
    synth.per_state = 15;
    synth.noise_deg = 3;
    synth.seed = 12;
    ResultModel model;
    FaultDataSet set;
    std::string why;
    ASSERT_TRUE(home.invert("cli.fdt", tools::synthesize(synth), 1, 4, model, set, why)) << why;
    const SolutionsOutcome expected = solve(model, set, 30, 9);
    ASSERT_TRUE(expected.ok);

    testing::TempDir io;
    std::string out, err;
    const std::string csv = io.Path("solutions.csv");
    ASSERT_EQ(runQlv4({"--solutions", model.resultPath, "--home", home.Dir(), "--csv", csv, "--resamples", "30",
                       "--seed", "9"},
                      io, out, err),
              0)
        << err;
    EXPECT_EQ(err, "");
    std::string rows = std::string(kSolutionsCsvHeader) + "\r\n";
    for (const StressSolution& s : expected.solutions) rows += solutionCsvRow(s) + "\r\n";
    EXPECT_EQ(testing::TempDir::Read(csv), rows);
    for (const std::string& line : solutionsTable(expected.solutions))
        EXPECT_NE(out.find(line + "\n"), std::string::npos) << line << "\n" << out;
    EXPECT_NE(out.find("Stress solutions of cli.ql4\n"), std::string::npos) << out;

    // A CSV that cannot be written: an error naming it, exit status 1, no file.
    const std::string badCsv = io.Path("missing/dir/s.csv");
    EXPECT_EQ(runQlv4({"--solutions", model.resultPath, "--home", home.Dir(), "--csv", badCsv, "--resamples", "0"},
                      io, out, err),
              1);
    EXPECT_EQ(err, badCsv + ": cannot be written.\n");
    EXPECT_FALSE(std::filesystem::exists(badCsv));
    EXPECT_EQ(runQlv4({"--solutions", io.Path("absent.ql4")}, io, out, err), 1);
    EXPECT_EQ(err, "File absent.ql4 not found.\n");
}

}  // namespace
}  // namespace quillon::viewer
