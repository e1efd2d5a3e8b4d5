// How often the 95 % bootstrap limits of the stress solutions hold the stress the data
// were made from.  Each repetition draws a stress uniformly over the sphere of reduced
// stress tensors, makes 30 faults from it with 5 degrees of noise, inverts them with
// the built qlmain (supplied cgp31.cgp grid, k = 4, threshold 20) and takes the
// solution nearest the stress; it counts whether the sigma1 cone, the sigma3 cone, the
// Phi interval and the SHmax interval hold the stress, each and all together.  With
// "focal" as the fourth argument the data are 30 focal mechanisms instead, inverted on
// a grid of 2000 random states (about 20 degrees apart) to keep the runs short.
//
//   bench_solutions_coverage [REPETITIONS=100] [RESAMPLES=500] [FIRST_SEED=1000] [focal]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/solutions/synthetic_inversion.h"
#include "viewer/analysis/stress_solutions.h"
#include "viewer/model/stress_statistics.h"

namespace tools = quillon::tools;
using namespace quillon::viewer;
using quillon::viewer::bench::SyntheticHome;
using quillon::viewer::bench::viewerState;

int main(int argc, char** argv) {
    const int repetitions = argc > 1 ? std::atoi(argv[1]) : 100;
    const int resamples = argc > 2 ? std::atoi(argv[2]) : 500;
    const std::uint64_t firstSeed = argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 1000;
    const bool focal = argc > 4 && std::string(argv[4]) == "focal";
    SyntheticHome home("ql-coverage-");

    int done = 0, s1 = 0, s3 = 0, phi = 0, shmax = 0, all = 0;
    double distanceSum = 0.0, meanDistanceSum = 0.0;
    for (int r = 0; r < repetitions; ++r) {
        const std::uint64_t seed = firstSeed + r;
        tools::SynthOptions synth;
        synth.states = tools::states_of_points(tools::random_sphere_points(1, seed));
        synth.per_state = 30;
        synth.noise_deg = 5;
        synth.seed = seed;
        synth.focal = focal;
        ResultModel model;
        FaultDataSet set;
        std::string why;
        if (!home.invert(synth, model, set, why)) {
            std::fprintf(stderr, "seed %llu: %s\n", (unsigned long long)seed, why.c_str());
            continue;
        }
        SolutionOptions options;
        options.resamples = resamples;
        options.seed = seed;
        const SolutionsOutcome o = computeStressSolutions(model, set, 20.0, options);
        if (!o.ok || o.solutions.empty()) {
            std::fprintf(stderr, "seed %llu: no solution\n", (unsigned long long)seed);
            continue;
        }
        const StressState truth = viewerState(synth.states[0]);
        const Vector5 t = unitFiveVector(truth);
        const StressSolution* best = &o.solutions[0];
        for (const StressSolution& s : o.solutions)
            if (angleBetween5(s.refinedPoint, t) < angleBetween5(best->refinedPoint, t)) best = &s;
        const PrincipalStress p = principalStress(best->refinedPoint), q = principalStress(t);
        const Uncertainty& u = best->uncertainty;
        const bool in1 = axisAngle(p.sigma1, q.sigma1) <= u.sigma1HalfAngle;
        const bool in3 = axisAngle(p.sigma3, q.sigma3) <= u.sigma3HalfAngle;
        const bool inPhi = q.phi >= u.phiLow && q.phi <= u.phiHigh;
        const bool inShmax = azimuthLineDifference(best->shmax, shmaxAzimuth(t)) <= u.shmaxHalfAngle;
        ++done;
        s1 += in1;
        s3 += in3;
        phi += inPhi;
        shmax += inShmax;
        all += in1 && in3 && inPhi && inShmax;
        distanceSum += angleBetween5(best->refinedPoint, t);
        meanDistanceSum += thetaBetweenStressStates(best->mean, truth);
        std::printf("seed %llu: distance %.2f  sigma1 %s  sigma3 %s  Phi %s  SHmax %s\n", (unsigned long long)seed,
                    angleBetween5(best->refinedPoint, t), in1 ? "in" : "OUT", in3 ? "in" : "OUT",
                    inPhi ? "in" : "OUT", inShmax ? "in" : "OUT");
        std::fflush(stdout);
    }
    std::printf("\n%d repetitions, %d resamples each: limits holding the stress\n", done, resamples);
    std::printf("  sigma1 %d  sigma3 %d  Phi %d  SHmax %d  all four %d\n", s1, s3, phi, shmax, all);
    std::printf("  mean distance from the stress: refined %.2f degrees, cluster's vote-weighted mean %.2f degrees\n",
                done ? distanceSum / done : 0.0, done ? meanDistanceSum / done : 0.0);
    return done == repetitions ? 0 : 1;
}
