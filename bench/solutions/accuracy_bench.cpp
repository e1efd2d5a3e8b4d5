// How far the refined stress solutions, and the optimum of the criterion they
// maximise, lie from the stresses synthetic data were made from.  Cases: 30 faults from
// one stress, 20 + 20 faults from two, 60 focal mechanisms from one, all with 5
// degrees of noise, on the seeds of the accuracy tests, then EXTRA_SEEDS more sets of 30
// faults from random stresses.  For each stress: the distance of the nearest solution;
// of the refinement started at the stress itself on all the data (the criterion's own
// optimum near the truth); and of that refinement on the stress's own data alone (what
// a perfect separation of the data would give).
//
//   bench_solutions_accuracy [EXTRA_SEEDS=0]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
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
    const int extra = argc > 1 ? std::atoi(argv[1]) : 0;
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
    for (int e = 0; e < extra; ++e) {
        const std::uint64_t seed = 500 + e;
        cases.push_back({"one", seed, tools::states_of_points(tools::random_sphere_points(1, seed)), 30, false});
    }
    double sumSolution = 0.0, sumOptimum = 0.0, sumOwn = 0.0;
    int count = 0;
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
            sumOwn += ownOptimum;
            sumSolution += nearest;
            sumOptimum += optimum;
            ++count;
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    std::printf("mean: solution %.2f  optimum from the truth %.2f  on its own data %.2f degrees\n",
                sumSolution / count, sumOptimum / count, sumOwn / count);
    return 0;
}
