// Brute-force oracle of the main loops for tests: every admissible subset is
// formed directly, its totals summed from scratch, its best state found by a
// direct argmax (lowest number on ties) and its vote cast when that state is
// compatible with every datum. No partial sums, no pruning.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/core/main_loop.h"

namespace quillon::engine::testing {

// Whether the focal enumeration admits a subset of lines a_1 < ... < a_k out of
// n: no two nodal planes of one mechanism (lines 2m - 1 and 2m), and the j-th
// line no later than n - 2(k - j).
inline bool focal_admissible(const std::vector<std::int32_t>& a, std::int32_t n) {
    const auto k = static_cast<std::int32_t>(a.size());
    for (std::int32_t j = 0; j < k; ++j) {
        if (a[j] > n - 2 * (k - 1 - j)) return false;
        if (j > 0 && (a[j - 1] + 1) / 2 == (a[j] + 1) / 2) return false;
    }
    return true;
}

// Every k-subset of 1 ... n in lexicographic order, filtered for the enumeration.
inline std::vector<std::vector<std::int32_t>> oracle_subsets(std::int32_t n, int k,
                                                             Enumeration enumeration) {
    std::vector<std::vector<std::int32_t>> out;
    if (k > n || k <= 0) return out;
    std::vector<std::int32_t> a(static_cast<std::size_t>(k));
    for (int j = 0; j < k; ++j) a[j] = j + 1;
    while (true) {
        if (enumeration == Enumeration::AllSubsets || focal_admissible(a, n)) out.push_back(a);
        int j = k - 1;
        while (j >= 0 && a[j] == n - (k - 1 - j)) --j;
        if (j < 0) break;
        ++a[j];
        for (int m = j + 1; m < k; ++m) a[m] = a[m - 1] + 1;
    }
    return out;
}

inline std::vector<std::int32_t> oracle_votes(const MainLoopInput& in) {
    const auto n_grid = static_cast<std::size_t>(in.n_grid);
    std::vector<std::int32_t> votes(n_grid, 0);
    auto entry = [&](std::int32_t g, std::int32_t d) {
        return static_cast<std::size_t>(d - 1) * n_grid + static_cast<std::size_t>(g);
    };
    for (const auto& subset : oracle_subsets(in.n_data, in.k, in.enumeration)) {
        std::int32_t best = -1;
        int best_total = 0;
        for (std::int32_t g = 0; g < in.n_grid; ++g) {
            int total = 0;
            for (std::int32_t d : subset) total += in.fitness[entry(g, d)];
            if (best < 0 || total > best_total) {
                best = g;
                best_total = total;
            }
        }
        if (best < 0) continue;
        bool all = true;
        for (std::int32_t d : subset) all = all && in.compatibility[entry(best, d)] != 0;
        if (all) ++votes[static_cast<std::size_t>(best)];
    }
    return votes;
}

}  // namespace quillon::engine::testing
