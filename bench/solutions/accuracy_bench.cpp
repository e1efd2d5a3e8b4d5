// How far the refined stress solutions, and the optimum of the criterion they
// maximise, lie from the stresses synthetic data were made from.  Cases: 30 faults from
// one stress, 20 + 20 faults from two, 60 focal mechanisms from one, all with 5
// degrees of noise, on the seeds of the accuracy tests, then EXTRA_ONE more sets of 30
// faults from random stresses, EXTRA_TWO more sets of 20 + 20 faults from two random
// stresses and EXTRA_THREE sets of 20 + 20 + 20 faults from three, the stresses of a set
// at least 45 degrees apart.  For each stress: the distance of the nearest solution;
// of the refinement started at the stress itself on all the data (the criterion's own
// optimum near the truth); and of that refinement on the stress's own data alone (what
// a perfect separation of the data would give).
//
//   bench_solutions_accuracy [EXTRA_ONE=0 [EXTRA_TWO=0 [EXTRA_THREE=0]]]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "bench/solutions/synthetic_inversion.h"
#include "viewer/analysis/stress_solutions.h"
#include "viewer/model/stress_statistics.h"

namespace tools = quillon::tools;
using namespace quillon::viewer;
using quillon::viewer::bench::SyntheticHome;
using quillon::viewer::bench::viewerState;

namespace {

struct Case {
    const char* kind;
    std::uint64_t seed;
    std::vector<tools::StressState> truths;
    int perState;
    bool focal;
};

}  // namespace

int main(int argc, char** argv) {
    const int extraOne = argc > 1 ? std::atoi(argv[1]) : 0;
    const int extraTwo = argc > 2 ? std::atoi(argv[2]) : 0;
    const int extraThree = argc > 3 ? std::atoi(argv[3]) : 0;
    SyntheticHome home("ql-accuracy-");

    std::vector<Case> cases = {
        {"one", 11, {{{70, 60}, {182, 12}, 0.3}}, 30, false},
        {"one", 12, {{{300, 12}, {120, 78}, 0.5}}, 30, false},
        {"one", 13, {{{20, 5}, {110, 10}, 0.7}}, 30, false},
        {"one", 14, {{{135, 40}, {12, 33}, 0.2}}, 30, false},
        {"two", 21, {{{70, 60}, {182, 12}, 0.3}, {{170, 8}, {350, 82}, 0.5}}, 20, false},
        {"two", 22, {{{10, 80}, {100, 0}, 0.4}, {{45, 0}, {135, 0}, 0.5}}, 20, false},
        {"two", 23, {{{250, 10}, {345, 30}, 0.6}, {{300, 70}, {120, 20}, 0.2}}, 20, false},
        {"focal", 31, {{{300, 12}, {120, 78}, 0.5}}, 60, true},
        {"focal", 32, {{{60, 45}, {240, 45}, 0.3}}, 60, true},
        {"focal", 33, {{{160, 20}, {255, 15}, 0.8}}, 60, true},
    };
    for (int e = 0; e < extraOne; ++e) {
        const std::uint64_t seed = 500 + e;
        cases.push_back({"one", seed, tools::states_of_points(tools::random_sphere_points(1, seed)), 30, false});
    }
    // Sets of `n` random stresses, each pair at least 45 degrees apart, from seed `first` on.
    auto addRandomSets = [&](const char* kind, int n, int sets, std::uint64_t first) {
        for (std::uint64_t seed = first; sets > 0; ++seed) {
            const auto states = tools::states_of_points(tools::random_sphere_points(n, seed));
            bool apart = true;
            for (int i = 0; i < n; ++i)
                for (int j = i + 1; j < n; ++j)
                    apart = apart && angleBetween5(unitFiveVector(viewerState(states[i])),
                                                   unitFiveVector(viewerState(states[j]))) >= 45.0;
            if (!apart) continue;
            cases.push_back({kind, seed, states, 20, false});
            --sets;
        }
    };
    addRandomSets("two", 2, extraTwo, 700);
    addRandomSets("three", 3, extraThree, 800);
    // Sums per kind of case: the nearest solution, the optimum from the truth, the
    // optimum on the stress's own data, the number of stresses and how many of them
    // have a solution within 4 (one stress) or 6 degrees (otherwise).
    struct Sums {
        double solution = 0, optimum = 0, own = 0;
        int count = 0, withinTarget = 0, ownWithinTarget = 0;
    };
    std::map<std::string, Sums> sums;
    for (const Case& c : cases) {
        tools::SynthOptions synth;
        synth.states = c.truths;
        synth.per_state = c.perState;
        synth.noise_deg = 5;
        synth.seed = c.seed;
        synth.focal = c.focal;
        ResultModel model;
        FaultDataSet set;
        std::string why;
        if (!home.invert(synth, model, set, why)) {
            std::fprintf(stderr, "%s seed %llu: %s\n", c.kind, (unsigned long long)c.seed, why.c_str());
            return 1;
        }
        SolutionOptions options;
        options.resamples = 0;
        const SolutionsOutcome o = computeStressSolutions(model, set, 20.0, options);
        if (!o.ok) return 1;
        const std::vector<SlipDatum> items = analysisData(set);
        std::vector<int> all(items.size());
        for (std::size_t i = 0; i < items.size(); ++i) all[i] = int(i);
        std::printf("%-5s seed %3llu  clusters %zu ", c.kind, (unsigned long long)c.seed, o.solutions.size());
        for (const tools::StressState& truth : c.truths) {
            const Vector5 t = unitFiveVector(viewerState(truth));
            double nearest = 180.0;
            for (const StressSolution& s : o.solutions) nearest = std::min(nearest, angleBetween5(s.refinedPoint, t));
            const Refinement fromTruth = refineStress(items, all, t, 20.0);
            const double optimum = angleBetween5(fromTruth.x, t);
            // The refinement on this stress's own data alone, from the stress itself.
            const int index = int(&truth - c.truths.data());
            std::vector<int> own;
            for (std::size_t i = 0; i < items.size(); ++i) {
                const int first = c.focal ? (items[i].firstLine + 1) / 2 : items[i].firstLine;
                if ((first - 1) / c.perState == index) own.push_back(int(i));
            }
            const double ownOptimum = angleBetween5(refineStress(items, own, t, 20.0).x, t);
            std::printf("  solution %5.2f  optimum %5.2f  own %5.2f", nearest, optimum, ownOptimum);
            Sums& k = sums[c.kind];
            const double target = std::string(c.kind) == "one" ? 4.0 : 6.0;
            k.own += ownOptimum;
            k.solution += nearest;
            k.optimum += optimum;
            k.withinTarget += nearest <= target;
            k.ownWithinTarget += ownOptimum <= target;
            ++k.count;
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    for (const auto& [kind, k] : sums)
        std::printf("%-5s %3d stresses, mean: solution %.2f  optimum from the truth %.2f  on its own data %.2f"
                    " degrees; within target: solution %d, own optimum %d\n",
                    kind.c_str(), k.count, k.solution / k.count, k.optimum / k.count, k.own / k.count,
                    k.withinTarget, k.ownWithinTarget);
    return 0;
}
