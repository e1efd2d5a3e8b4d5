// The reference main loop against the brute-force oracle, and the enumeration
// order, counter jumps and progress lines pinned on worked examples.
#include <gtest/gtest.h>

#include <numeric>
#include <random>
#include <utility>
#include <vector>

#include "engine/core/kernels.h"
#include "engine/core/main_loop.h"
#include "tests/engine/oracle.h"

namespace quillon::engine {
namespace {

using Subset = std::vector<std::int32_t>;

// Byte tables of a main loop, stored datum by datum.
struct Tables {
    std::int32_t n_data = 0;
    std::int32_t n_grid = 0;
    std::vector<std::int8_t> fitness;
    std::vector<std::uint8_t> compat;

    Tables(std::int32_t n, std::int32_t g, std::int8_t score = 0, std::uint8_t c = 1)
        : n_data(n), n_grid(g),
          fitness(static_cast<std::size_t>(n) * static_cast<std::size_t>(g), score),
          compat(static_cast<std::size_t>(n) * static_cast<std::size_t>(g), c) {}

    std::int8_t& f(std::int32_t g, std::int32_t d) { return fitness[at(g, d)]; }
    std::uint8_t& c(std::int32_t g, std::int32_t d) { return compat[at(g, d)]; }
    std::size_t at(std::int32_t g, std::int32_t d) const {
        return static_cast<std::size_t>(d - 1) * static_cast<std::size_t>(n_grid) +
               static_cast<std::size_t>(g - 1);
    }
    MainLoopInput input(int k, Enumeration e = Enumeration::AllSubsets) const {
        return {n_data, n_grid, fitness.data(), compat.data(), k, e};
    }
};

// Everything a traced run did.
struct LoopRun {
    std::vector<std::int32_t> votes;
    std::vector<std::pair<Subset, std::int32_t>> leaves;
    std::vector<std::pair<Subset, std::int32_t>> prunes;
    std::vector<std::pair<std::int32_t, std::int32_t>> progress;
    std::int32_t final_counter = 0;
};

LoopRun run_traced(const MainLoopInput& in) {
    LoopRun r;
    r.votes.assign(static_cast<std::size_t>(in.n_grid), -7);  // the loop must clear them
    LoopTrace trace;
    trace.leaf = [&](std::span<const std::int32_t> s, std::int32_t c) {
        r.leaves.emplace_back(Subset(s.begin(), s.end()), c);
    };
    trace.prune = [&](std::span<const std::int32_t> s, std::int32_t c) {
        r.prunes.emplace_back(Subset(s.begin(), s.end()), c);
    };
    r.final_counter = main_loop_reference_traced(
        in, r.votes, [&](std::int32_t c, std::int32_t t) { r.progress.emplace_back(c, t); }, trace);
    return r;
}

std::vector<Subset> subsets_of(const LoopRun& r) {
    std::vector<Subset> out;
    for (const auto& [s, c] : r.leaves) out.push_back(s);
    return out;
}

TEST(MainLoopOrder, FourOfSixLexicographicWithPrunedPrefix) {
    // Nothing pruned: 15 subsets in lexicographic order, counters 1 ... 15.
    {
        Tables t(6, 1);
        const LoopRun r = run_traced(t.input(4));
        ASSERT_EQ(r.leaves.size(), 15u);
        EXPECT_EQ(subsets_of(r), testing::oracle_subsets(6, 4, Enumeration::AllSubsets));
        EXPECT_EQ(r.leaves.front().first, (Subset{1, 2, 3, 4}));
        EXPECT_EQ(r.leaves[3].first, (Subset{1, 2, 4, 5}));
        EXPECT_EQ(r.leaves[6].first, (Subset{1, 3, 4, 5}));
        EXPECT_EQ(r.leaves.back().first, (Subset{3, 4, 5, 6}));
        for (std::size_t i = 0; i < r.leaves.size(); ++i) EXPECT_EQ(r.leaves[i].second, i + 1);
        EXPECT_TRUE(r.prunes.empty());
        EXPECT_EQ(r.votes, std::vector<std::int32_t>{15});
    }
    // States 1, 2, 3 are each incompatible with one of data 1, 2, 3: only the
    // prefix (1, 2, 3) has no compatible state. Its three subsets are skipped
    // at once and the counter jumps by C(6 - 3, 1) = 3.
    {
        Tables t(6, 3);
        t.c(1, 1) = 0;
        t.c(2, 2) = 0;
        t.c(3, 3) = 0;
        const LoopRun r = run_traced(t.input(4));
        ASSERT_EQ(r.prunes.size(), 1u);
        EXPECT_EQ(r.prunes[0], std::make_pair(Subset{1, 2, 3}, 3));
        ASSERT_EQ(r.leaves.size(), 12u);
        EXPECT_EQ(r.leaves[0], std::make_pair(Subset{1, 2, 4, 5}, 4));
        EXPECT_EQ(r.leaves.back(), std::make_pair(Subset{3, 4, 5, 6}, 15));
        EXPECT_EQ(r.final_counter, 15);
    }
}

TEST(MainLoopOrder, FocalEightLinesFourMechanisms) {
    Tables t(8, 1);
    const LoopRun r = run_traced(t.input(4, Enumeration::FocalPairs));
    const std::vector<Subset> s = subsets_of(r);
    ASSERT_EQ(s.size(), 16u);
    const std::vector<Subset> begin{{1, 3, 5, 7}, {1, 3, 5, 8}, {1, 3, 6, 7}, {1, 3, 6, 8}, {1, 4, 5, 7}};
    EXPECT_EQ(std::vector<Subset>(s.begin(), s.begin() + 5), begin);
    EXPECT_EQ(s.back(), (Subset{2, 4, 6, 8}));
    for (const Subset& x : s) {
        for (std::size_t j = 1; j < x.size(); ++j) {
            EXPECT_NE((x[j - 1] + 1) / 2, (x[j] + 1) / 2) << "both planes of one mechanism";
        }
    }
    EXPECT_EQ(r.final_counter, 16);
    EXPECT_EQ(r.votes, std::vector<std::int32_t>{16});
}

TEST(MainLoopOrder, FocalLineCounts) {
    struct Case { std::int32_t n; int k; std::size_t subsets; };
    const Case cases[] = {
        {10, 5, 32},  // one line of every mechanism
        {7, 4, 1},    // the single subset (1, 3, 5, 7)
        {6, 4, 0},    // fewer than 2k - 1 lines
        {9, 5, 1},
        {20, 4, 3360},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.n << " lines, k = " << c.k);
        Tables t(c.n, 2);
        const LoopRun r = run_traced(t.input(c.k, Enumeration::FocalPairs));
        EXPECT_EQ(r.leaves.size(), c.subsets);
        EXPECT_EQ(subsets_of(r), testing::oracle_subsets(c.n, c.k, Enumeration::FocalPairs));
        EXPECT_EQ(r.final_counter, static_cast<std::int32_t>(c.subsets));
    }
    Tables t(7, 1);
    EXPECT_EQ(subsets_of(run_traced(t.input(4, Enumeration::FocalPairs))), (std::vector<Subset>{{1, 3, 5, 7}}));
    // 20 lines, k = 4: the counter ends at 3360 although the total shown is C(20, 4).
    Tables big(20, 1);
    const LoopRun r = run_traced(big.input(4, Enumeration::FocalPairs));
    ASSERT_EQ(r.progress.size(), 3u);
    EXPECT_EQ(r.progress.back(), std::make_pair(3000, 4845));
}

TEST(MainLoopOrder, FewerDataThanKAndExactlyK) {
    for (int k = 3; k <= 8; ++k) {
        SCOPED_TRACE(k);
        Tables none(k - 1, 3, 5);
        const LoopRun r0 = run_traced(none.input(k));
        EXPECT_TRUE(r0.leaves.empty());
        EXPECT_TRUE(r0.progress.empty());
        EXPECT_EQ(r0.votes, std::vector<std::int32_t>(3, 0));
        Tables one(k, 3, 5);
        const LoopRun r1 = run_traced(one.input(k));
        ASSERT_EQ(r1.leaves.size(), 1u);
        EXPECT_EQ(r1.votes, (std::vector<std::int32_t>{1, 0, 0}));  // tie: lowest number
    }
}

TEST(MainLoopVotes, BestStateIncompatibleGivesNoVote) {
    // State 1 fits best but is incompatible with datum 3; state 2 is compatible
    // with every datum but fits worse. The subset votes for nobody.
    Tables t(3, 2);
    for (int d = 1; d <= 3; ++d) {
        t.f(1, d) = 50;
        t.f(2, d) = 10;
    }
    t.c(1, 3) = 0;
    EXPECT_EQ(run_traced(t.input(3)).votes, (std::vector<std::int32_t>{0, 0}));
    t.c(1, 3) = 1;
    EXPECT_EQ(run_traced(t.input(3)).votes, (std::vector<std::int32_t>{1, 0}));
    // Equal best totals: the lower number wins even when listed second best first.
    t.f(2, 1) = 50;
    t.f(2, 2) = 50;
    t.f(2, 3) = 50;
    EXPECT_EQ(run_traced(t.input(3)).votes, (std::vector<std::int32_t>{1, 0}));
}

TEST(MainLoopVotes, NoCompatibilityPrunesEverythingButCounterReachesTotal) {
    for (int k = 4; k <= 8; ++k) {
        SCOPED_TRACE(k);
        Tables t(12, 4, 20, 0);
        const LoopRun r = run_traced(t.input(k));
        EXPECT_TRUE(r.leaves.empty());
        EXPECT_EQ(r.votes, std::vector<std::int32_t>(4, 0));
        EXPECT_EQ(r.final_counter, count_subsets(12, k));
        for (const auto& [prefix, c] : r.prunes) EXPECT_EQ(prefix.size(), 3u);
    }
}

TEST(MainLoopProgress, EveryThousandthLeafOnly) {
    // k = 3, 20 data: 1140 subsets, one progress line at 1000.
    Tables t3(20, 2);
    EXPECT_EQ(run_traced(t3.input(3)).progress, (std::vector<std::pair<std::int32_t, std::int32_t>>{{1000, 1140}}));
    // Fewer than 1000 subsets: none.
    Tables t_small(10, 2);
    EXPECT_TRUE(run_traced(t_small.input(4)).progress.empty());
    // k = 4, 17 data, data 1 and 2 compatible with nothing: the subsets starting
    // with 1 (560) and 2 (455) are all pruned, so the counter jumps over 1000
    // without a line; the next line comes at the leaf whose counter is 2000.
    Tables t(17, 1);
    t.c(1, 1) = 0;
    t.c(1, 2) = 0;
    const LoopRun r = run_traced(t.input(4));
    EXPECT_EQ(r.progress, (std::vector<std::pair<std::int32_t, std::int32_t>>{{2000, 2380}}));
    EXPECT_EQ(r.leaves.front(), std::make_pair(Subset{3, 4, 5, 6}, 1016));
    EXPECT_EQ(r.final_counter, 2380);
}

TEST(ProgressLine, WidthsPerK) {
    EXPECT_EQ(progress_line(3, 1000, 1140), "      1000 /      1140");
    EXPECT_EQ(progress_line(4, 1000, 2380), "       1000 /     2380");
    EXPECT_EQ(progress_line(5, 2000, 123456789), "       2000 /123456789");
    for (int k : {6, 7, 8}) EXPECT_EQ(progress_line(k, 3000, 2147483647), "      3000 /2147483647");
    EXPECT_EQ(progress_line(4, 2000000000, 2100000000), " 2000000000 /2100000000");
}

// Random small cases: misfits drawn per entry, turned into scores through a
// coarse score table (so that totals tie often) and into compatibility through
// thresholds from "none" to "all"; some grid states are exact copies of others.
struct RandomCase {
    Tables tables;
    int k;
    Enumeration enumeration;
};

RandomCase random_case(std::mt19937& rng, int k, std::int32_t n, Enumeration e) {
    std::uniform_int_distribution<int> grid_size(1, 12);
    const std::int32_t n_grid = grid_size(rng);
    Tables t(n, n_grid);
    std::array<int, 181> score{};
    std::uniform_int_distribution<int> coarse(-2, 2);
    for (int i = 0; i <= 180; ++i) score[i] = 50 * coarse(rng);
    const int thresholds[] = {-1, 15, 45, 90, 135, 180};
    const int threshold = thresholds[std::uniform_int_distribution<int>(0, 5)(rng)];
    std::uniform_int_distribution<int> misfit(0, 180);
    std::vector<std::int32_t> source(static_cast<std::size_t>(n_grid) + 1);
    for (std::int32_t g = 1; g <= n_grid; ++g) {
        // A third of the states repeat an earlier state exactly.
        source[g] = (g > 1 && rng() % 3 == 0) ? std::uniform_int_distribution<std::int32_t>(1, g - 1)(rng) : g;
    }
    for (std::int32_t d = 1; d <= n; ++d) {
        for (std::int32_t g = 1; g <= n_grid; ++g) {
            if (source[g] != g) {
                t.f(g, d) = t.f(source[g], d);
                t.c(g, d) = t.c(source[g], d);
                continue;
            }
            const int m = misfit(rng);
            t.f(g, d) = static_cast<std::int8_t>(score[m]);
            t.c(g, d) = m <= threshold ? 1 : 0;
        }
    }
    return {std::move(t), k, e};
}

TEST(MainLoopOracle, AgreesOnRandomCases) {
    std::mt19937 rng(20261210);
    int cases = 0;
    std::int64_t votes_cast = 0;
    for (int k = 3; k <= 8; ++k) {
        for (std::int32_t n = k - 1; n <= k + 6; ++n) {  // odd and even counts, n < k and n = k
            for (int rep = 0; rep < 12; ++rep) {
                const RandomCase rc = random_case(rng, k, n, Enumeration::AllSubsets);
                const MainLoopInput in = rc.tables.input(k);
                const LoopRun r = run_traced(in);
                SCOPED_TRACE(::testing::Message() << "k " << k << " n " << n << " rep " << rep);
                ASSERT_EQ(r.votes, testing::oracle_votes(in));
                const std::int64_t sum = std::accumulate(r.votes.begin(), r.votes.end(), std::int64_t{0});
                EXPECT_LE(sum, count_subsets(n, k));
                EXPECT_EQ(r.final_counter, count_subsets(n, k));
                votes_cast += sum;
                ++cases;
            }
        }
    }
    EXPECT_GT(votes_cast, 0);
    EXPECT_EQ(cases, 6 * 8 * 12);
}

TEST(MainLoopOracle, FocalAgreesOnRandomCases) {
    std::mt19937 rng(4051);
    std::int64_t votes_cast = 0;
    for (int k = 4; k <= 5; ++k) {
        for (std::int32_t n = 2 * k - 2; n <= 2 * k + 5; ++n) {
            for (int rep = 0; rep < 15; ++rep) {
                const RandomCase rc = random_case(rng, k, n, Enumeration::FocalPairs);
                const MainLoopInput in = rc.tables.input(k, Enumeration::FocalPairs);
                const LoopRun r = run_traced(in);
                SCOPED_TRACE(::testing::Message() << "focal k " << k << " n " << n << " rep " << rep);
                ASSERT_EQ(r.votes, testing::oracle_votes(in));
                votes_cast += std::accumulate(r.votes.begin(), r.votes.end(), std::int64_t{0});
            }
        }
    }
    EXPECT_GT(votes_cast, 0);
}

TEST(MainLoopOracle, ExactTiesGoToTheLowestNumber) {
    // Every state is a copy of state 1 and everything is compatible: all votes
    // go to state 1, for every k and both enumerations.
    for (int k = 3; k <= 8; ++k) {
        Tables t(k + 3, 5, 17);
        const LoopRun r = run_traced(t.input(k));
        EXPECT_EQ(r.votes[0], count_subsets(k + 3, k)) << k;
        EXPECT_EQ(r.votes, testing::oracle_votes(t.input(k)));
    }
    for (int k = 4; k <= 5; ++k) {
        Tables t(2 * k, 5, -3);
        const MainLoopInput in = t.input(k, Enumeration::FocalPairs);
        EXPECT_EQ(run_traced(in).votes, (std::vector<std::int32_t>{1 << k, 0, 0, 0, 0}));
        EXPECT_EQ(run_traced(in).votes, testing::oracle_votes(in));
    }
}

}  // namespace
}  // namespace quillon::engine
