// The pieces of the stress solutions: the five-dimensional tensor space, SHmax, the
// clustering of votes on hand-made grids, the orthogonal distance of a datum and the
// refinement against data made by the data tools, the bootstrap's order statistics,
// seeded source and progress, the threshold reader and the CSV layout.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "analysis_inversion.h"
#include "viewer/model/stress_statistics.h"

namespace quillon::viewer {
namespace {

using testing::TempDir;
using testing::viewerState;

StressState state(float a1, float p1, float a3, float p3, float phi) {
    StressState s;
    s.axis[Sigma1] = {a1, p1};
    s.axis[Sigma3] = {a3, p3};
    s.stressRatio = phi;
    return s;
}

TEST(TensorSpace, PointsKeepTheStateAndTheAngularDistance) {
    const StressState states[] = {state(70, 60, 182, 12, 0.3f), state(170, 8, 350, 82, 0.5f),
                                  state(0, 90, 0, 0, 0.9f), state(45, 0, 135, 0, 0.1f),
                                  state(300, 12, 120, 78, 0.5f)};
    for (const StressState& s : states) {
        const Vector5 x = unitFiveVector(s);
        EXPECT_NEAR(std::sqrt(dot5(x, x)), 1.0, 1e-12);
        const StressState back = stressStateOf(x);
        EXPECT_LT(thetaBetweenStressStates(back, s), 0.05);
        EXPECT_NEAR(back.stressRatio, s.stressRatio, 1e-4);
        EXPECT_GE(back.axis[Sigma1].pl, 0.0f);
        // The map is linear and length-preserving on trace-free tensors.
        const Vector5 y = fiveVectorOfTensor(tensorOfFiveVector(x));
        for (int k = 0; k < 5; ++k) EXPECT_NEAR(y[k], x[k], 1e-12);
        for (const StressState& t : states)
            EXPECT_NEAR(angleBetween5(x, unitFiveVector(t)), thetaBetweenStressStates(s, t), 0.02);
    }
}

TEST(TensorSpace, TangentBasisIsOrthonormalAndPerpendicular) {
    for (const StressState& s : {state(70, 60, 182, 12, 0.3f), state(0, 90, 90, 0, 0.0f)}) {
        const Vector5 x = unitFiveVector(s);
        const auto basis = tangentBasis(x);
        for (int i = 0; i < 4; ++i) {
            EXPECT_NEAR(dot5(basis[i], x), 0.0, 1e-12);
            for (int j = 0; j < 4; ++j) EXPECT_NEAR(dot5(basis[i], basis[j]), i == j ? 1.0 : 0.0, 1e-12);
        }
    }
}

TEST(TensorSpace, ShmaxAzimuth) {
    struct Case {
        StressState s;
        double shmax;
    };
    const Case cases[] = {
        {state(30, 0, 0, 90, 0.5f), 30},      // thrust: SHmax along sigma1
        {state(0, 90, 120, 0, 0.5f), 30},     // normal faulting: along sigma2
        {state(45, 0, 135, 0, 0.5f), 45},     // strike-slip: along sigma1
        {state(200, 10, 110, 0, 0.3f), 20},   // gently plunging sigma1, folded to 0..180
        {state(0, 90, 0, 0, 0.6f), 90},       // sigma3 north: SHmax east
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shmax);
        EXPECT_NEAR(azimuthLineDifference(shmaxAzimuth(unitFiveVector(c.s)), c.shmax), 0.0, 0.2);
    }
    EXPECT_DOUBLE_EQ(azimuthLineDifference(179.0, 1.0), 2.0);
    EXPECT_DOUBLE_EQ(azimuthLineDifference(10.0, 100.0), 90.0);
}

// A grid around given centre states, every state with its votes.
struct Pile {
    StressState centre;
    int votes;
};

ResultModel modelOf(const std::vector<std::pair<StressState, int>>& states) {
    ResultModel m;
    std::uint16_t id = 0;
    for (const auto& [s, v] : states) {
        GridPoint p;
        p.id = ++id;
        p.axis[Sigma1] = s.axis[Sigma1];
        p.axis[Sigma3] = s.axis[Sigma3];
        p.stressRatio = s.stressRatio;
        p.votes = v;
        m.gridPoints.push_back(p);
    }
    m.gridCount = static_cast<std::uint32_t>(m.gridPoints.size());
    return m;
}

// Two piles of votes far apart and a small third pile: with a 5 % floor the third is
// dropped; each cluster's mean is the vote-weighted tensor mean of its states.
TEST(VoteClusters, SeparatePilesAndDropSmallOnes) {
    std::vector<std::pair<StressState, int>> states;
    const StressState a = state(70, 60, 182, 12, 0.3f), b = state(170, 8, 350, 82, 0.5f),
                      c = state(0, 0, 90, 0, 0.9f);
    auto around = [&states](const StressState& s, int votes) {
        for (int k = -2; k <= 2; ++k) {
            StressState t = s;
            t.axis[Sigma1].az += 3.0f * k;
            t.axis[Sigma3].az += 3.0f * k;
            states.push_back({t, votes - 10 * std::abs(k)});
        }
    };
    around(a, 100);  // 440 votes
    around(b, 60);   // 240 votes
    states.push_back({c, 30});  // 30 of 710 votes: 4.2 %
    // Unvoted states fill the grid.
    for (int i = 0; i < 40; ++i) states.push_back({state(float(9 * i), 30, float(9 * i + 180), 60, 0.5f), 0});
    ResultModel model = modelOf(states);
    ClusteringOptions options;
    options.bandwidthDeg = 10.0;
    const Clustering cl = clusterVotes(model, options);
    EXPECT_EQ(cl.totalVotes, 710);
    EXPECT_EQ(cl.votedStates, 11);
    ASSERT_EQ(cl.clusters.size(), 2u);
    EXPECT_EQ(cl.clusters[0].votes, 440);
    EXPECT_EQ(cl.clusters[1].votes, 240);
    EXPECT_EQ(cl.clusters[0].gridIds, (std::vector<std::uint16_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(cl.clusters[0].modeId, 3);
    EXPECT_LT(thetaBetweenStressStates(cl.clusters[0].mean, a), 0.5);
    EXPECT_LT(thetaBetweenStressStates(cl.clusters[1].mean, b), 0.5);
    EXPECT_NEAR(cl.clusters[0].share, 440.0 / 710.0, 1e-12);

    // A lower floor keeps the third pile; the model's order of grid points does not matter.
    options.minVoteShare = 0.01;
    std::reverse(model.gridPoints.begin(), model.gridPoints.end());
    const Clustering all = clusterVotes(model, options);
    ASSERT_EQ(all.clusters.size(), 3u);
    EXPECT_EQ(all.clusters[0].gridIds, cl.clusters[0].gridIds);
    EXPECT_EQ(all.clusters[2].votes, 30);
    EXPECT_EQ(all.clusters[2].gridIds, (std::vector<std::uint16_t>{11}));
}

TEST(VoteClusters, BandwidthIsTheGridSpacing) {
    // A ring of states 10 degrees apart in sigma1 azimuth: every state's nearest
    // neighbour lies at the same distance, which is the spacing.
    std::vector<std::pair<StressState, int>> states;
    for (int i = 0; i < 18; ++i) states.push_back({state(float(10 * i), 0, 0, 90, 0.5f), 1});
    const ResultModel model = modelOf(states);
    const double neighbour = thetaBetweenStressStates(state(0, 0, 0, 90, 0.5f), state(10, 0, 0, 90, 0.5f));
    EXPECT_NEAR(gridSpacingDeg(model), neighbour, 1e-3);
    EXPECT_NEAR(clusterVotes(model).bandwidthDeg, neighbour, 1e-3);
    EXPECT_EQ(gridSpacingDeg(modelOf({{state(0, 0, 0, 90, 0.5f), 1}})), 0.0);
}

FaultDataSet dataSetOf(const std::vector<tools::FaultSlip>& data, bool focal) {
    FaultDataSet set;
    set.reallocate(static_cast<std::int16_t>(data.size()));
    set.count = static_cast<std::int16_t>(data.size());
    set.dataType = focal ? "s" : "g";
    for (std::size_t i = 0; i < data.size(); ++i) {
        FaultDatum& d = set.records[i + 1];
        d.plane = {float(data[i].dip_direction), float(data[i].dip)};
        d.slip = {float(data[i].trend), float(data[i].plunge)};
        d.sense = std::string(1, data[i].sense);
    }
    return set;
}

// From any start the criterion never falls; from the neighbourhood of the truth the
// refinement finds it, and its misfits agree with the data window's computation.
TEST(Refinement, NeverWorseThanItsStartAndFindsTheStress) {
    const tools::StressState truth{{120, 30}, {250, 48}, 0.4};
    for (bool focal : {false, true}) {
        SCOPED_TRACE(focal ? "focal" : "faults");
        tools::SynthOptions synth;
        synth.states = {truth};
        synth.per_state = 25;
        synth.noise_deg = 3;
        synth.seed = 5;
        synth.focal = focal;
        FaultDataSet set = dataSetOf(tools::synthesize(synth), focal);
        const std::vector<SlipDatum> data = analysisData(set);
        ASSERT_EQ(data.size(), 25u);
        std::vector<int> pool(data.size());
        for (std::size_t i = 0; i < pool.size(); ++i) pool[i] = int(i);

        const StressState near = state(128, 24, 240, 52, 0.55f);  // 10 degrees off
        const Refinement r = refineStress(data, pool, unitFiveVector(near), 20.0);
        EXPECT_LT(thetaBetweenStressStates(stressStateOf(r.x), viewerState(truth)), 5.0);
        EXPECT_GT(r.score, r.startScore);

        const StressState starts[] = {state(70, 60, 182, 12, 0.3f), state(0, 90, 0, 0, 1.0f),
                                      state(300, 30, 70, 48, 0.6f), stressStateOf(r.x)};
        for (const StressState& s : starts) {
            const Refinement q = refineStress(data, pool, unitFiveVector(s), 20.0);
            EXPECT_GE(q.score, q.startScore);
            EXPECT_NEAR(q.score, solutionScore(data, pool, q.x, 20.0), 1e-12);
        }

        if (!focal) {
            // The misfits of the data window under the refined stress.
            const StressState refined = stressStateOf(r.x);
            set.determineSenses();
            set.computeMisfits(reducedStressTensor(refined.axis[Sigma1], refined.axis[Sigma3], refined.stressRatio));
            const std::vector<int> explained = explainedData(data, r.x, 20.0);
            double windowSum = 0.0;
            int windowCount = 0;
            for (int i = 1; i <= set.count; ++i)
                if (set.records[i].misfit <= 20.0f) {
                    windowSum += set.records[i].misfit;
                    ++windowCount;
                }
            EXPECT_EQ(int(explained.size()), windowCount);
            EXPECT_NEAR(meanMisfitDeg(data, explained, r.x), windowSum / windowCount, 0.05);
        }
    }
}

Vector3d unit3(const Vector3d& v) {
    const double l = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    return {v[0] / l, v[1] / l, v[2] / l};
}

// The unit shear traction of T on the plane of normal n.
Vector3d shearDirection(const Matrix3d& T, const Vector3d& n) {
    Vector3d t{};
    for (int i = 0; i < 3; ++i) t[i] = T.a[i][0] * n[0] + T.a[i][1] * n[1] + T.a[i][2] * n[2];
    const double tn = t[0] * n[0] + t[1] * n[1] + t[2] * n[2];
    return unit3({t[0] - tn * n[0], t[1] - tn * n[1], t[2] - tn * n[2]});
}

// v rotated by `deg` about the unit axis a (Rodrigues).
Vector3d rotated(const Vector3d& v, const Vector3d& a, double deg) {
    const double c = std::cos(deg * kDegToRad), s = std::sin(deg * kDegToRad);
    const double av = a[0] * v[0] + a[1] * v[1] + a[2] * v[2];
    const Vector3d x{a[1] * v[2] - a[2] * v[1], a[2] * v[0] - a[0] * v[2], a[0] * v[1] - a[1] * v[0]};
    Vector3d r{};
    for (int k = 0; k < 3; ++k) r[k] = v[k] * c + x[k] * s + a[k] * av * (1.0 - c);
    return r;
}

// The orthogonal distance: zero for a datum that slips as the stress says; after the
// plane alone is turned (about its striation, which so stays in the plane) no more than
// that turn, even near a principal plane where the misfit grows to several times it;
// never more than the misfit; large for the opposite sense.
TEST(Refinement, OrthogonalDistanceCorrectsPlaneAndStriationTogether) {
    const Vector5 x = unitFiveVector(state(70, 60, 182, 12, 0.3f));
    const Matrix3d T = tensorOfFiveVector(x);
    const PrincipalStress axes = principalStress(x);
    const Vector3d& s1 = axes.sigma1;
    const Vector3d& s3 = axes.sigma3;
    struct Case {
        const char* name;
        Vector3d normal;
        double turnDeg;
        bool reversed;
        bool nearPrincipal;
    };
    const Case cases[] = {
        {"consistent", unit3({-0.3, -0.5, -0.81}), 0.0, false, false},
        {"plane turned", unit3({-0.3, -0.5, -0.81}), 4.0, false, false},
        {"plane turned near the sigma1 plane", unit3({s1[0] + 0.1 * s3[0], s1[1] + 0.1 * s3[1], s1[2] + 0.1 * s3[2]}),
         4.0, false, true},
        {"opposite sense", unit3({-0.3, -0.5, -0.81}), 0.0, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Vector3d slip = shearDirection(T, c.normal);
        SlipPlane p;
        p.normal = rotated(c.normal, slip, c.turnDeg);
        p.slip = c.reversed ? Vector3d{-slip[0], -slip[1], -slip[2]} : slip;
        const double d = orthogonalDistance(T, p) * kRadToDeg;
        const double misfit = std::acos(misfitCosine(T, p)) * kRadToDeg;
        EXPECT_LE(d, misfit + 1e-9);
        EXPECT_NEAR(fitCosine(T, p), std::cos(d * kDegToRad), 1e-12);
        if (c.reversed) {
            EXPECT_GT(d, 30.0);
        } else {
            EXPECT_LE(d, c.turnDeg + (c.turnDeg > 0.0 ? 0.05 : 1e-6));
        }
        if (c.nearPrincipal) {
            EXPECT_GT(misfit, 3.0 * c.turnDeg);
        }
    }

    // Noisy data: never above the misfit, and a focal mechanism takes its better plane.
    tools::SynthOptions synth;
    synth.states = {{{70, 60}, {182, 12}, 0.3}};
    synth.per_state = 20;
    synth.noise_deg = 8;
    synth.seed = 3;
    synth.focal = true;
    for (const SlipDatum& datum : analysisData(dataSetOf(tools::synthesize(synth), true))) {
        ASSERT_EQ(datum.planeCount, 2);
        const double c0 = fitCosine(T, datum.planes[0]), c1 = fitCosine(T, datum.planes[1]);
        for (const SlipPlane& p : datum.planes) EXPECT_GE(fitCosine(T, p), misfitCosine(T, p) - 1e-12);
        const auto [plane, c] = bestFit(T, datum);
        EXPECT_EQ(c, std::max(c0, c1));
        EXPECT_EQ(plane, c1 > c0 ? 1 : 0);
    }
}

TEST(Bootstrap, OrderStatisticsAndSeededSource) {
    std::vector<double> v;
    for (int i = 20; i >= 1; --i) v.push_back(i);
    EXPECT_EQ(nearestRank(v, 0.95), 19.0);
    EXPECT_EQ(nearestRank(v, 0.025), 1.0);
    EXPECT_EQ(nearestRank(v, 0.975), 20.0);
    EXPECT_EQ(nearestRank({}, 0.5), 0.0);

    SeededRandom a(7), b(7), c(8);
    std::vector<std::uint64_t> seen(5, 0);
    bool differs = false;
    for (int i = 0; i < 1000; ++i) {
        const std::uint64_t x = a.below(5);
        ASSERT_LT(x, 5u);
        ++seen[x];
        EXPECT_EQ(x, b.below(5));
        differs = differs || x != c.below(5);
    }
    EXPECT_TRUE(differs);
    for (std::uint64_t n : seen) EXPECT_GT(n, 150u);  // about 200 each
}

TEST(Bootstrap, LimitsHoldTheResampledSpreadAndCancelStops) {
    tools::SynthOptions synth;
    synth.states = {{{120, 30}, {250, 48}, 0.4}};
    synth.per_state = 20;
    synth.noise_deg = 5;
    synth.seed = 9;
    const std::vector<SlipDatum> data = analysisData(dataSetOf(tools::synthesize(synth), false));
    std::vector<int> pool(data.size());
    for (std::size_t i = 0; i < pool.size(); ++i) pool[i] = int(i);
    const Vector5 start = unitFiveVector(viewerState(synth.states[0]));
    const Refinement r = refineStress(data, pool, start, 20.0);
    Uncertainty u1, u2;
    ASSERT_TRUE(bootstrapUncertainty(data, pool, start, r.x, 20.0, 40, 3, u1));
    ASSERT_TRUE(bootstrapUncertainty(data, pool, start, r.x, 20.0, 40, 3, u2));
    EXPECT_EQ(u1.resamples, 40);
    EXPECT_GT(u1.sigma1HalfAngle, 0.5);
    EXPECT_LT(u1.sigma1HalfAngle, 30.0);
    EXPECT_LE(u1.phiLow, principalStress(r.x).phi);
    EXPECT_GE(u1.phiHigh, principalStress(r.x).phi);
    EXPECT_EQ(u1.sigma3HalfAngle, u2.sigma3HalfAngle);  // same seed, same resamples
    EXPECT_EQ(u1.shmaxHalfAngle, u2.shmaxHalfAngle);

    int calls = 0;
    Uncertainty u3;
    EXPECT_FALSE(bootstrapUncertainty(data, pool, start, r.x, 20.0, 40, 3, u3, [&calls](int done) {
        ++calls;
        EXPECT_EQ(done, calls);  // each count once, in order
        return done < 5;
    }));
    EXPECT_EQ(calls, 5);
}

TEST(StressSolutionsText, ThresholdFromTheRunRecord) {
    TempDir dir;
    std::string error;
    const std::string good = dir.Write("good.ql4", "       0\r\n        10\r\n         0\r\ngrid.cgp\r\nData = a.fdt\r\n"
                                                   " k =  4\r\nmisft_threshold     =           25\r\n");
    EXPECT_EQ(readMisfitThreshold(good, error), 25.0);
    const std::string none = dir.Write("none.ql4", "       0\r\nData = a.fdt\r\n");
    EXPECT_FALSE(readMisfitThreshold(none, error));
    EXPECT_EQ(error, none + ": no \"misft_threshold\" line in the run record; the misfit threshold is unknown.");
    const std::string bad = dir.Write("bad.ql4", "       0\r\nmisft_threshold     =    2x\r\n");
    EXPECT_FALSE(readMisfitThreshold(bad, error));
    EXPECT_EQ(error, bad + ", line 2: the misfit threshold \"2x\" is not a number.");
    EXPECT_FALSE(readMisfitThreshold(dir.Path("absent.ql4"), error));
    EXPECT_EQ(error, dir.Path("absent.ql4") + ": cannot be opened.");
}

TEST(StressSolutionsText, CsvAndTableCells) {
    EXPECT_STREQ(kSolutionsCsvHeader,
                 "cluster,votes_percent,s1_az,s1_pl,s1_err,s3_az,s3_pl,s3_err,phi,phi_lo,phi_hi,shmax,shmax_err,"
                 "n_data,mean_misfit");
    StressSolution s;
    s.rank = 2;
    s.votePercent = 41.256;
    s.refined = state(70.04f, 59.996f, 182.5f, 12.25f, 0.3126f);
    s.uncertainty.sigma1HalfAngle = 4.444;
    s.uncertainty.sigma3HalfAngle = 5.5;
    s.uncertainty.phiLow = 0.25;
    s.uncertainty.phiHigh = 0.375;
    s.shmax = 92.0;
    s.uncertainty.shmaxHalfAngle = 7.25;
    s.explainedLines = {1, 2, 5};
    s.meanMisfit = 6.789;
    EXPECT_EQ(solutionCsvRow(s), "2,41.26,70.04,60.00,4.44,182.50,12.25,5.50,0.3126,0.2500,0.3750,92.00,7.25,3,6.79");
    EXPECT_EQ(axisCell(s.refined.axis[Sigma1], 4.444), "70.0/60.0 ± 4.4");
    EXPECT_EQ(phiCell(s), "0.31 (0.25-0.38)");
    EXPECT_EQ(shmaxCell(s), "92.0 ± 7.2");
    const std::vector<std::string> table = solutionsTable({s});
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table[0].substr(0, 16), "cluster  votes %");
    EXPECT_NE(table[1].find("70.0/60.0 ± 4.4"), std::string::npos) << table[1];
    EXPECT_NE(table[1].find("182.5/12.2 ± 5.5"), std::string::npos) << table[1];
}

// Cancelling through the progress callback ends the computation without a result.
TEST(StressSolutionsText, CancelledComputationGivesNoSolutions) {
    std::vector<std::pair<StressState, int>> states;
    for (int i = 0; i < 5; ++i) states.push_back({state(70.0f + i, 60, 182.0f + i, 12, 0.3f), 10});
    ResultModel model = modelOf(states);
    tools::SynthOptions synth;
    synth.states = {{{70, 60}, {182, 12}, 0.3}};
    synth.per_state = 15;
    synth.seed = 4;
    const FaultDataSet set = dataSetOf(tools::synthesize(synth), false);
    SolutionOptions options;
    options.resamples = 30;
    int last = 0;
    const SolutionsOutcome o = computeStressSolutions(model, set, 20.0, options, [&last](int done, int total) {
        if (total == 0) return true;  // separating the stresses
        EXPECT_EQ(total, 30);
        last = done;
        return done < 10;
    });
    EXPECT_FALSE(o.ok);
    EXPECT_TRUE(o.cancelled);
    EXPECT_TRUE(o.solutions.empty());
    EXPECT_EQ(last, 10);
    const SolutionsOutcome full = computeStressSolutions(model, set, 20.0, options);
    ASSERT_TRUE(full.ok);
    ASSERT_EQ(full.solutions.size(), 1u);
    EXPECT_EQ(full.solutions[0].explainedLines.size(), 15u);
    EXPECT_EQ(full.solutions[0].votePercent, 100.0);
}

// Two piles of votes: the data are shared out between their stresses before any
// resample, and a cancel there stops the work at once.
TEST(StressSolutionsText, CancelWhileSeparatingStresses) {
    std::vector<std::pair<StressState, int>> states;
    for (int i = 0; i < 5; ++i) {
        states.push_back({state(70.0f + i, 60, 182.0f + i, 12, 0.3f), 10});
        states.push_back({state(170.0f + i, 8, 350.0f + i, 82, 0.5f), 10});
    }
    const ResultModel model = modelOf(states);
    tools::SynthOptions synth;
    synth.states = {{{70, 60}, {182, 12}, 0.3}, {{170, 8}, {350, 82}, 0.5}};
    synth.per_state = 15;
    synth.seed = 4;
    const FaultDataSet set = dataSetOf(tools::synthesize(synth), false);
    SolutionOptions options;
    options.resamples = 30;
    int separating = 0, resampling = 0;
    const SolutionsOutcome o = computeStressSolutions(model, set, 20.0, options, [&](int done, int total) {
        (total == 0 && done == 0 ? separating : resampling) += 1;
        return false;
    });
    EXPECT_FALSE(o.ok);
    EXPECT_TRUE(o.cancelled);
    EXPECT_TRUE(o.solutions.empty());
    EXPECT_EQ(separating, 1);
    EXPECT_EQ(resampling, 0);
    const SolutionsOutcome full = computeStressSolutions(model, set, 20.0, options);
    ASSERT_TRUE(full.ok);
    EXPECT_EQ(full.solutions.size(), 2u);
}

}  // namespace
}  // namespace quillon::viewer
