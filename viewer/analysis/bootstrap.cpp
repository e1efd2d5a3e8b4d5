#include "viewer/analysis/bootstrap.h"

#include <algorithm>
#include <cmath>

namespace quillon::viewer {

std::uint64_t SeededRandom::next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::uint64_t SeededRandom::below(std::uint64_t n) {
    // Reject the top partial block of 2^64 so that every residue is equally likely.
    const std::uint64_t limit = ~std::uint64_t(0) - (~std::uint64_t(0) % n + 1) % n;
    for (;;) {
        const std::uint64_t r = next();
        if (r <= limit) return r % n;
    }
}

double nearestRank(std::vector<double> values, double q) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    std::size_t rank = static_cast<std::size_t>(std::ceil(q * double(values.size()) - 1e-9));
    rank = std::clamp<std::size_t>(rank, 1, values.size());
    return values[rank - 1];
}

bool bootstrapUncertainty(const std::vector<SlipDatum>& data, const std::vector<int>& sample, const Vector5& start,
                          const Vector5& refined, double thresholdDeg, int resamples, std::uint64_t seed,
                          Uncertainty& u, const ResampleProgress& progress) {
    u = Uncertainty{};
    const PrincipalStress centre = principalStress(refined);
    const double shmax = shmaxAzimuth(refined);
    u.phiLow = u.phiHigh = centre.phi;
    const std::size_t n = sample.size();
    if (n < 2 || resamples <= 0) return true;
    SeededRandom random(seed);
    std::vector<double> a1, a3, phi, sh;
    std::vector<int> pool(n);
    for (int b = 0; b < resamples; ++b) {
        for (std::size_t i = 0; i < n; ++i) pool[i] = sample[random.below(n)];
        std::sort(pool.begin(), pool.end());
        const Refinement r = refineStress(data, pool, start, thresholdDeg);
        const PrincipalStress p = principalStress(r.x);
        a1.push_back(axisAngle(p.sigma1, centre.sigma1));
        a3.push_back(axisAngle(p.sigma3, centre.sigma3));
        phi.push_back(p.phi);
        sh.push_back(azimuthLineDifference(shmaxAzimuth(r.x), shmax));
        u.resamples = b + 1;
        if (progress && !progress(b + 1)) return false;
    }
    u.sigma1HalfAngle = nearestRank(a1, 0.95);
    u.sigma3HalfAngle = nearestRank(a3, 0.95);
    u.phiLow = nearestRank(phi, 0.025);
    u.phiHigh = nearestRank(phi, 0.975);
    u.shmaxHalfAngle = nearestRank(sh, 0.95);
    return true;
}

}  // namespace quillon::viewer
