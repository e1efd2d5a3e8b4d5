// Bootstrap uncertainty of a refined stress: its data are resampled with replacement,
// the stress is refined again on each resample (from the same start),
// and the spread of the resampled stresses gives 95 % limits: the half-angle of the cone
// about the refined sigma1 (and sigma3) axis that holds 95 % of the resampled axes, the
// 2.5 % and 97.5 % points of the resampled Phi, and the half-width that holds 95 % of
// the resampled azimuths of the maximum horizontal stress about the refined one.  The
// resamples are drawn in order from the seed and refined on the machine's cores (up to
// four threads); the limits do not depend on how many.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "viewer/analysis/refinement.h"

namespace quillon::viewer {

struct Uncertainty {
    int resamples = 0;
    double sigma1HalfAngle = 0.0;  // degrees
    double sigma3HalfAngle = 0.0;
    double phiLow = 0.0;
    double phiHigh = 0.0;
    double shmaxHalfAngle = 0.0;   // degrees
};

// Called on the calling thread with the number of resamples done, once for each number
// in order; returning false cancels.
using ResampleProgress = std::function<bool(int done)>;

// A random source fixed by this code alone (splitmix64), so that a seed gives the same
// resamples on every platform and library.
class SeededRandom {
public:
    explicit SeededRandom(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next();
    // Uniform in 0 .. n - 1 without bias (n > 0).
    std::uint64_t below(std::uint64_t n);

private:
    std::uint64_t state_;
};

// The 95 % limits about `refined` from `resamples` resamples of `sample` (indices into
// `data`): each resample is refined from `start`, as the refined stress itself was, so
// the limits include how the refinement and its choice of explained data vary.  Returns
// false when cancelled (u is then incomplete).  With fewer than two data nothing can be
// resampled: u holds zero widths and Phi's own value.
bool bootstrapUncertainty(const std::vector<SlipDatum>& data, const std::vector<int>& sample, const Vector5& start,
                          const Vector5& refined, double thresholdDeg, int resamples, std::uint64_t seed,
                          Uncertainty& u, const ResampleProgress& progress = {});

// The value below which the fraction q of `values` lies (nearest rank: the
// ceil(q n)-th smallest); 0 for no values.
double nearestRank(std::vector<double> values, double q);

}  // namespace quillon::viewer
