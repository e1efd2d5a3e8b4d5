#include "viewer/analysis/bootstrap.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <system_error>
#include <thread>

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
    // The resamples are drawn in order first, so that they are the same however many
    // threads refine them; each refinement depends on its resample alone.
    SeededRandom random(seed);
    std::vector<std::vector<int>> pools(resamples, std::vector<int>(n));
    for (std::vector<int>& pool : pools) {
        for (std::size_t i = 0; i < n; ++i) pool[i] = sample[random.below(n)];
        std::sort(pool.begin(), pool.end());
    }
    std::vector<Vector5> refinedPoints(resamples);
    std::atomic<int> next{0}, finished{0};
    std::atomic<bool> stop{false};
    auto refineOne = [&]() {
        const int b = next.fetch_add(1);
        if (b >= resamples) return false;
        refinedPoints[b] = refineStress(data, pools[b], start, thresholdDeg).x;
        finished.fetch_add(1);
        return true;
    };
    const unsigned helpers = std::min(std::max(std::thread::hardware_concurrency(), 1u), 4u) - 1;
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < helpers && t + 1 < unsigned(resamples); ++t) {
        try {
            threads.emplace_back([&]() {
                while (!stop.load() && refineOne()) {
                }
            });
        } catch (const std::system_error&) {
            break;  // no more threads to be had: the ones running (at least this one) do the rest
        }
    }
    // This thread refines too and reports progress, one resample at a time and in order.
    int reported = 0;
    bool cancelled = false;
    auto report = [&](int upTo) {
        while (!cancelled && reported < upTo) {
            ++reported;
            u.resamples = reported;
            if (progress && !progress(reported)) cancelled = true;
        }
    };
    while (!cancelled && refineOne()) report(finished.load());
    stop.store(cancelled);
    for (std::thread& t : threads) t.join();
    report(resamples);
    if (cancelled) return false;

    std::vector<double> a1, a3, phi, sh;
    for (const Vector5& x : refinedPoints) {
        const PrincipalStress p = principalStress(x);
        a1.push_back(axisAngle(p.sigma1, centre.sigma1));
        a3.push_back(axisAngle(p.sigma3, centre.sigma3));
        phi.push_back(p.phi);
        sh.push_back(azimuthLineDifference(shmaxAzimuth(x), shmax));
    }
    u.sigma1HalfAngle = nearestRank(a1, 0.95);
    u.sigma3HalfAngle = nearestRank(a3, 0.95);
    u.phiLow = nearestRank(phi, 0.025);
    u.phiHigh = nearestRank(phi, 0.975);
    u.shmaxHalfAngle = nearestRank(sh, 0.95);
    return true;
}

}  // namespace quillon::viewer
