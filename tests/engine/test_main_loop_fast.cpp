// The fast main loop against the reference loop: identical votes, counter and
// progress lines on every member, on every instruction set this processor
// runs, with one and two threads; its kernels against plain loops; and the
// choice of the loop by a run.
#include <gtest/gtest.h>

#include <hwy/targets.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "engine/core/kernels.h"
#include "engine/core/main_loop.h"
#include "engine/core/main_loop_fast.h"
#include "engine/core/main_loop_fast_kernels.h"
#include "engine/core/main_loop_select.h"
#include "tests/engine/oracle.h"

namespace quillon::engine {
namespace {

using Progress = std::vector<std::pair<std::int32_t, std::int32_t>>;

// How the byte tables of a case are drawn.
enum class Kind {
    Uniform,       // scores uniform in -100 ... 100, compatibility independent of them
    Ties,          // scores in -1 ... 1: many equal best totals
    Correlated,    // scores fall with distance in a plane, compatible when close
    NoneCompatible // a negative threshold: no entry compatible
};

struct Case {
    Kind kind;
    double density;  // Uniform, Ties: chance of a compatible entry; Correlated: radius
    std::int32_t n_data;
    std::int32_t n_grid;
    int k;
    Enumeration enumeration;
    std::uint32_t seed;
};

std::string describe(const Case& c) {
    return "kind " + std::to_string(static_cast<int>(c.kind)) + " density " + std::to_string(c.density) +
           " n " + std::to_string(c.n_data) + " grid " + std::to_string(c.n_grid) + " k " + std::to_string(c.k) +
           (c.enumeration == Enumeration::FocalPairs ? " focal" : "") + " seed " + std::to_string(c.seed);
}

// Byte tables stored datum by datum, as the runs hold them.
struct Tables {
    std::int32_t n_data = 0;
    std::int32_t n_grid = 0;
    std::vector<std::int8_t> fitness;
    std::vector<std::uint8_t> compat;
    int k = 3;
    Enumeration enumeration = Enumeration::AllSubsets;

    MainLoopInput input() const { return {n_data, n_grid, fitness.data(), compat.data(), k, enumeration}; }
};

Tables make_tables(const Case& c) {
    Tables t;
    t.n_data = c.n_data;
    t.n_grid = c.n_grid;
    t.k = c.k;
    t.enumeration = c.enumeration;
    const auto entries = static_cast<std::size_t>(c.n_data) * static_cast<std::size_t>(c.n_grid);
    t.fitness.resize(entries);
    t.compat.resize(entries);
    std::mt19937 rng(c.seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    // Compatibility flags are bytes read as booleans: any non-zero byte is true.
    const std::uint8_t true_bytes[] = {1, 1, 2, 255};
    auto flag = [&](bool on) { return on ? true_bytes[rng() % 4] : std::uint8_t{0}; };
    switch (c.kind) {
        case Kind::Uniform:
        case Kind::Ties:
        case Kind::NoneCompatible:
            for (std::size_t e = 0; e < entries; ++e) {
                const int score = c.kind == Kind::Ties ? static_cast<int>(rng() % 3) - 1
                                                       : static_cast<int>(rng() % 201) - 100;
                t.fitness[e] = static_cast<std::int8_t>(score);
                t.compat[e] = flag(c.kind != Kind::NoneCompatible && unit(rng) < c.density);
            }
            break;
        case Kind::Correlated: {
            // Grid states and data are points of the unit square; data gather
            // around two centres so that many subsets have a common good state.
            std::vector<std::pair<double, double>> states(static_cast<std::size_t>(c.n_grid));
            for (auto& p : states) p = {unit(rng), unit(rng)};
            for (std::int32_t d = 0; d < c.n_data; ++d) {
                const double cx = d % 3 == 0 ? 0.7 : 0.3;
                const double x = cx + 0.15 * (unit(rng) - 0.5);
                const double y = 0.5 + 0.15 * (unit(rng) - 0.5);
                for (std::int32_t g = 0; g < c.n_grid; ++g) {
                    const auto& p = states[static_cast<std::size_t>(g)];
                    const double dist = std::hypot(p.first - x, p.second - y);
                    const int score = std::clamp(static_cast<int>(std::lround(100.0 - 140.0 * dist)), -100, 100);
                    const std::size_t e = static_cast<std::size_t>(d) * static_cast<std::size_t>(c.n_grid) +
                                          static_cast<std::size_t>(g);
                    t.fitness[e] = static_cast<std::int8_t>(score);
                    t.compat[e] = flag(dist <= c.density);
                }
            }
            break;
        }
    }
    return t;
}

struct Outcome {
    std::vector<std::int32_t> votes;
    Progress progress;
    std::int32_t counter = 0;
};

Outcome run_reference(const MainLoopInput& in) {
    Outcome o;
    o.votes.assign(static_cast<std::size_t>(in.n_grid), -3);
    LoopTrace trace;
    o.counter = main_loop_reference_traced(
        in, o.votes, [&](std::int32_t c, std::int32_t t) { o.progress.emplace_back(c, t); }, trace);
    return o;
}

Outcome run_fast(const MainLoopInput& in, int threads) {
    Outcome o;
    o.votes.assign(static_cast<std::size_t>(in.n_grid), -3);  // the loop must clear them
    const FastLoopStats stats = main_loop_fast(
        in, o.votes, [&](std::int32_t c, std::int32_t t) { o.progress.emplace_back(c, t); }, threads);
    o.counter = stats.counter;
    return o;
}

// The progress lines of several threads: increasing multiples of 1000, the
// last one the counter reached, which is shown only from 1000 on.
void expect_shared_progress(const Progress& p, std::int32_t final_counter, std::int32_t total) {
    if (final_counter < 1000) {
        EXPECT_TRUE(p.empty());
        return;
    }
    ASSERT_FALSE(p.empty());
    EXPECT_EQ(p.back().first, final_counter);
    std::int32_t previous = 0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        EXPECT_EQ(p[i].second, total);
        EXPECT_GT(p[i].first, previous);
        if (i + 1 < p.size()) {
            EXPECT_EQ(p[i].first % 1000, 0) << p[i].first;
        }
        previous = p[i].first;
    }
}

// Runs every case on every instruction-set target that this processor
// supports (the scalar one always), with one and two threads.
class FastLoopTargets : public ::testing::Test {
protected:
    void TearDown() override { hwy::SetSupportedTargetsForTest(0); }

    static std::vector<std::int64_t> targets() { return hwy::SupportedAndGeneratedTargets(); }

    static void select(std::int64_t target) {
        hwy::SetSupportedTargetsForTest(target);
        ASSERT_STREQ(main_loop_fast_target(), hwy::TargetName(target));
    }

    static void expect_same_as_reference(const std::vector<Case>& cases) {
        for (const Case& c : cases) {
            const Tables t = make_tables(c);
            const Outcome ref = run_reference(t.input());
            for (const std::int64_t target : targets()) {
                select(target);
                for (const int threads : {1, 2}) {
                    SCOPED_TRACE(describe(c) + " target " + hwy::TargetName(target) + " threads " +
                                 std::to_string(threads));
                    const Outcome fast = run_fast(t.input(), threads);
                    ASSERT_EQ(fast.votes, ref.votes);
                    EXPECT_EQ(fast.counter, ref.counter);
                    if (threads == 1) {
                        EXPECT_EQ(fast.progress, ref.progress);
                    } else {
                        expect_shared_progress(fast.progress, ref.counter, count_subsets(c.n_data, c.k));
                    }
                }
            }
        }
    }
};

TEST_F(FastLoopTargets, ScalarTargetIsAlwaysThere) {
    const auto all = targets();
    EXPECT_NE(std::find(all.begin(), all.end(), HWY_SCALAR), all.end());
}

TEST_F(FastLoopTargets, RandomCasesOfEveryMember) {
    struct Member {
        int k;
        Enumeration enumeration;
    };
    const Member members[] = {{3, Enumeration::AllSubsets}, {4, Enumeration::AllSubsets},
                              {5, Enumeration::AllSubsets}, {6, Enumeration::AllSubsets},
                              {7, Enumeration::AllSubsets}, {8, Enumeration::AllSubsets},
                              {4, Enumeration::FocalPairs}, {5, Enumeration::FocalPairs}};
    struct Draw {
        Kind kind;
        double density;
    };
    // Dense compatibility makes the leaves scan for the best state; sparse
    // compatibility makes them start from the few compatible states.
    const Draw draws[] = {{Kind::Uniform, 0.7},     {Kind::Uniform, 0.25},     {Kind::Ties, 0.8},
                          {Kind::Ties, 0.3},        {Kind::Correlated, 0.12},  {Kind::Correlated, 0.35},
                          {Kind::NoneCompatible, 0}};
    // Grid sizes below, at and across the vector and chunk lengths of every target.
    const std::int32_t grids[] = {1, 7, 64, 129, 300, 517};
    std::vector<Case> cases;
    std::uint32_t seed = 1;
    for (const Member& m : members) {
        const std::int32_t span = m.enumeration == Enumeration::FocalPairs ? 2 * m.k : m.k;
        for (const Draw& draw : draws) {
            for (int rep = 0; rep < 2; ++rep, ++seed) {
                const std::int32_t n = span + static_cast<std::int32_t>(seed % 4) + (m.k <= 4 ? 3 : 0);
                cases.push_back({draw.kind, draw.density, n, grids[seed % 6], m.k, m.enumeration, seed});
            }
        }
    }
    expect_same_as_reference(cases);
}

TEST_F(FastLoopTargets, FewerDataThanKAndExactlyK) {
    std::vector<Case> cases;
    for (int k = 3; k <= 8; ++k) {
        cases.push_back({Kind::Correlated, 0.4, k - 1, 100, k, Enumeration::AllSubsets, 40u + k});
        cases.push_back({Kind::Correlated, 0.4, k, 100, k, Enumeration::AllSubsets, 50u + k});
    }
    // Focal: 2k - 2 lines give no subset, 2k - 1 lines exactly one.
    for (int k : {4, 5}) {
        cases.push_back({Kind::Uniform, 0.9, 2 * k - 2, 50, k, Enumeration::FocalPairs, 60u + k});
        cases.push_back({Kind::Uniform, 0.9, 2 * k - 1, 50, k, Enumeration::FocalPairs, 70u + k});
    }
    expect_same_as_reference(cases);

    // The cases above say the same as the reference; this says what that is.
    Tables t = make_tables({Kind::Uniform, 1.0, 4, 9, 4, Enumeration::AllSubsets, 3});
    const Outcome one = run_fast(t.input(), 1);
    EXPECT_EQ(one.counter, 1);
    t.n_data = 3;
    const Outcome none = run_fast(t.input(), 2);
    EXPECT_EQ(none.counter, 0);
    EXPECT_EQ(none.votes, std::vector<std::int32_t>(9, 0));
    EXPECT_TRUE(none.progress.empty());
}

TEST_F(FastLoopTargets, ProgressAndPruningOverThousands) {
    // 15504 (k = 5, 20 data) and 38760 (k = 6) subsets with pruned prefixes
    // jumping over multiples of 1000; 4845 focal-counted subsets of 20 lines.
    expect_same_as_reference({{Kind::Uniform, 0.3, 20, 40, 5, Enumeration::AllSubsets, 101},
                              {Kind::Correlated, 0.2, 20, 70, 6, Enumeration::AllSubsets, 102},
                              {Kind::Ties, 0.9, 20, 33, 4, Enumeration::FocalPairs, 103},
                              {Kind::NoneCompatible, 0, 20, 20, 5, Enumeration::AllSubsets, 104}});
}

TEST_F(FastLoopTargets, MediumCase) {
    // A grid of many blocks, so that the partial sums formed block by block
    // (T_(k-1) and, from k = 5 on, T_(k-2)) leave most blocks unformed, with
    // votes on many states (checked against the brute-force oracle too).
    const Case cases[] = {{Kind::Correlated, 0.15, 22, 3001, 4, Enumeration::AllSubsets, 7},
                          {Kind::Correlated, 0.2, 17, 3001, 5, Enumeration::AllSubsets, 8},
                          {Kind::Correlated, 0.25, 14, 2000, 6, Enumeration::AllSubsets, 9},
                          {Kind::Correlated, 0.2, 20, 2500, 5, Enumeration::FocalPairs, 10}};
    for (const Case& c : cases) {
        SCOPED_TRACE(describe(c));
        const Tables t = make_tables(c);
        const auto oracle = testing::oracle_votes(t.input());
        EXPECT_GT(std::count_if(oracle.begin(), oracle.end(), [](std::int32_t v) { return v > 0; }), 10);
        for (const std::int64_t target : targets()) {
            select(target);
            for (const int threads : {1, 2}) {
                SCOPED_TRACE(std::string(hwy::TargetName(target)) + " threads " + std::to_string(threads));
                EXPECT_EQ(run_fast(t.input(), threads).votes, oracle);
            }
        }
    }
}

// Hand-made tables where the lowest number must win an exact tie, wherever the
// tied states lie (same vector, other chunk, the tail after the last chunk).
TEST_F(FastLoopTargets, ExactTiesGoToTheLowestNumber) {
    const std::int32_t n_grid = 1000;
    struct TieCase {
        std::int32_t low, high;
        bool sparse;  // few compatible states: the leaf starts from them
    };
    const TieCase ties[] = {{3, 4, false}, {5, 700, false}, {500, 997, false}, {0, 999, false},
                            {3, 4, true},  {5, 700, true},  {500, 997, true},  {0, 999, true}};
    for (const TieCase& tc : ties) {
        SCOPED_TRACE(std::to_string(tc.low) + " ties " + std::to_string(tc.high) + (tc.sparse ? " sparse" : ""));
        Tables t;
        t.n_data = 3;
        t.n_grid = n_grid;
        t.k = 3;
        t.fitness.assign(3 * n_grid, -50);
        t.compat.assign(3 * n_grid, tc.sparse ? 0 : 1);
        for (std::int32_t d = 0; d < 3; ++d) {
            for (const std::int32_t g : {tc.low, tc.high}) {
                t.fitness[static_cast<std::size_t>(d * n_grid + g)] = 90;
                t.compat[static_cast<std::size_t>(d * n_grid + g)] = 1;
            }
        }
        std::vector<std::int32_t> expected(n_grid, 0);
        expected[static_cast<std::size_t>(tc.low)] = 1;
        for (const std::int64_t target : targets()) {
            select(target);
            EXPECT_EQ(run_fast(t.input(), 1).votes, expected) << hwy::TargetName(target);
        }
        // The same with the lower state incompatible with the third datum:
        // it still wins the tie, so the subset gives no vote at all.
        t.compat[static_cast<std::size_t>(2 * n_grid + tc.low)] = 0;
        for (const std::int64_t target : targets()) {
            select(target);
            EXPECT_EQ(run_fast(t.input(), 1).votes, std::vector<std::int32_t>(n_grid, 0))
                << hwy::TargetName(target);
        }
    }
}

// The kernels against plain loops, on every target, over lengths that leave
// partial vectors, and a leaf search over whole blocks with many ties.
TEST_F(FastLoopTargets, KernelsAgreeWithPlainLoops) {
    std::mt19937 rng(11);
    for (const std::int64_t target : targets()) {
        select(target);
        SCOPED_TRACE(hwy::TargetName(target));
        for (const std::size_t n : {0u, 1u, 15u, 64u, 255u, 256u, 257u, 1031u}) {
            std::vector<std::int8_t> a(n), b(n);
            std::vector<std::int16_t> prev(n), t(n + 1, 12345);
            for (std::size_t g = 0; g < n; ++g) {
                a[g] = static_cast<std::int8_t>(static_cast<int>(rng() % 201) - 100);
                b[g] = static_cast<std::int8_t>(static_cast<int>(rng() % 5) - 2);
                prev[g] = static_cast<std::int16_t>(static_cast<int>(rng() % 1401) - 700);
            }
            fast_kernels::sum_pair(t.data(), a.data(), b.data(), n);
            for (std::size_t g = 0; g < n; ++g) ASSERT_EQ(t[g], a[g] + b[g]);
            fast_kernels::sum_next(t.data(), prev.data(), a.data(), n);
            for (std::size_t g = 0; g < n; ++g) ASSERT_EQ(t[g], prev[g] + a[g]);
            EXPECT_EQ(t[n], 12345);  // nothing written past n

        }
    }
}

TEST_F(FastLoopTargets, BlockMaximaAgreeWithPlainLoops) {
    constexpr std::size_t B = fast_kernels::kBlockStates;
    std::mt19937 rng(12);
    for (const std::int64_t target : targets()) {
        select(target);
        SCOPED_TRACE(hwy::TargetName(target));
        for (const std::size_t n_blocks : {1u, 2u, 5u, 17u, 40u}) {
            const std::size_t n = n_blocks * B;
            std::vector<std::int16_t> t(n), mt(n_blocks + 1, 999);
            std::vector<std::int8_t> s(n);
            for (std::size_t g = 0; g < n; ++g) {
                t[g] = static_cast<std::int16_t>(static_cast<int>(rng() % 1401) - 700);
                s[g] = static_cast<std::int8_t>(static_cast<int>(rng() % 201) - 100);
            }
            fast_kernels::block_max(t.data(), n_blocks, mt.data());
            EXPECT_EQ(mt[n_blocks], 999);  // nothing written past n_blocks
            std::vector<std::int16_t> fused(n), fused_max(n_blocks);
            fast_kernels::sum_next_block_max(fused.data(), t.data(), s.data(), n_blocks, fused_max.data());
            for (std::size_t blk = 0; blk < n_blocks; ++blk) {
                const auto from = static_cast<std::ptrdiff_t>(blk * B), to = static_cast<std::ptrdiff_t>((blk + 1) * B);
                ASSERT_EQ(mt[blk], *std::max_element(t.begin() + from, t.begin() + to));
                int m = INT16_MIN;
                for (std::size_t g = blk * B; g < (blk + 1) * B; ++g) {
                    ASSERT_EQ(fused[g], t[g] + s[g]);
                    m = std::max(m, t[g] + s[g]);
                }
                ASSERT_EQ(fused_max[blk], m);
            }
        }
    }
}

// check_leaf against a plain scan: for bars below, at and above the largest
// total, with ties everywhere or nowhere, with and without a hint, with the
// lazy sums formed on the way only where the leaf needs them.
TEST_F(FastLoopTargets, LeafCheckAgainstThePlainScan) {
    constexpr std::size_t B = fast_kernels::kBlockStates;
    std::mt19937 rng(13);
    for (const std::int64_t target : targets()) {
        select(target);
        SCOPED_TRACE(hwy::TargetName(target));
        for (const std::size_t n_blocks : {1u, 2u, 5u, 17u, 40u, 130u}) {
            for (const int spread : {3, 201}) {  // 3: scores -1 ... 1, ties everywhere
                const std::size_t n = n_blocks * B;
                std::vector<std::int16_t> base(n), base_max(n_blocks);
                std::vector<std::int8_t> prev(n), s(n), ms(n_blocks), prev_max(n_blocks);
                std::vector<std::int32_t> number(n);
                auto draw = [&] { return static_cast<std::int8_t>(static_cast<int>(rng() % unsigned(spread)) - spread / 2); };
                for (std::size_t g = 0; g < n; ++g) {
                    base[g] = static_cast<std::int16_t>(spread == 3 ? static_cast<int>(rng() % 3) * 2
                                                                     : static_cast<int>(rng() % 601) - 300);
                    prev[g] = draw();
                    s[g] = draw();
                    number[g] = static_cast<std::int32_t>(g);
                }
                std::shuffle(number.begin(), number.end(), rng);
                for (std::size_t blk = 0; blk < n_blocks; ++blk) {
                    const auto from = static_cast<std::ptrdiff_t>(blk * B), to = static_cast<std::ptrdiff_t>((blk + 1) * B);
                    base_max[blk] = *std::max_element(base.begin() + from, base.begin() + to);
                    prev_max[blk] = *std::max_element(prev.begin() + from, prev.begin() + to);
                    ms[blk] = *std::max_element(s.begin() + from, s.begin() + to);
                }
                int largest = INT16_MIN;
                for (std::size_t g = 0; g < n; ++g) largest = std::max(largest, base[g] + prev[g] + s[g]);
                for (const int bar : {largest - 3, largest - 1, largest, largest + 1}) {
                    for (const bool with_hint : {false, true}) {
                        std::vector<std::int16_t> sums(n, -9999), bound(n_blocks);
                        std::vector<std::uint8_t> formed(n_blocks, 0);
                        for (std::size_t blk = 0; blk < n_blocks; ++blk) bound[blk] = base_max[blk] + prev_max[blk];
                        const fast_kernels::LazySums lazy{base.data(), prev.data(), sums.data(), bound.data(),
                                                          formed.data(), n_blocks};
                        std::vector<std::uint64_t> mask((n_blocks + 63) / 64);
                        std::size_t hint = with_hint ? rng() % n_blocks : n_blocks;
                        const auto check = fast_kernels::check_leaf(lazy, s.data(), ms.data(), number.data(), bar,
                                                                    mask.data(), hint);
                        SCOPED_TRACE("blocks " + std::to_string(n_blocks) + " spread " + std::to_string(spread) +
                                     " bar " + std::to_string(bar - largest));
                        EXPECT_EQ(check.beaten, bar < largest);
                        if (!check.beaten) {
                            std::int64_t expected = -1;
                            for (std::size_t g = 0; g < n; ++g) {
                                if (base[g] + prev[g] + s[g] == bar &&
                                    (expected < 0 || number[g] < number[static_cast<std::size_t>(expected)])) {
                                    expected = static_cast<std::int64_t>(g);
                                }
                            }
                            EXPECT_EQ(check.position, expected);
                        } else {
                            // The hint names a block with a total above the bar.
                            ASSERT_LT(hint, n_blocks);
                            int m = INT16_MIN;
                            for (std::size_t g = hint * B; g < (hint + 1) * B; ++g) m = std::max(m, base[g] + prev[g] + s[g]);
                            EXPECT_GT(m, bar);
                        }
                        // Formed blocks hold T_(k-1) and its exact maximum.
                        for (std::size_t blk = 0; blk < n_blocks; ++blk) {
                            if (formed[blk] == 0) continue;
                            int m = INT16_MIN;
                            for (std::size_t g = blk * B; g < (blk + 1) * B; ++g) {
                                ASSERT_EQ(sums[g], base[g] + prev[g]);
                                m = std::max(m, base[g] + prev[g]);
                            }
                            ASSERT_EQ(bound[blk], m);
                        }
                    }
                }
            }
        }
    }
}

TEST(FastLoopInput, RejectsWhatNoRunProduces) {
    std::vector<std::int8_t> fitness(20, 0);
    std::vector<std::uint8_t> compat(20, 1);
    std::vector<std::int32_t> votes(4);
    for (const int k : {2, 9}) {
        const MainLoopInput in{5, 4, fitness.data(), compat.data(), k, Enumeration::AllSubsets};
        EXPECT_THROW(main_loop_fast(in, votes, nullptr, 1), std::invalid_argument) << k;
    }
    const MainLoopInput in{5, 4, fitness.data(), compat.data(), 3, Enumeration::AllSubsets};
    std::vector<std::int32_t> short_votes(3);
    EXPECT_THROW(main_loop_fast(in, short_votes, nullptr, 1), std::invalid_argument);
    const MainLoopInput missing{5, 4, nullptr, compat.data(), 3, Enumeration::AllSubsets};
    EXPECT_THROW(main_loop_fast(missing, votes, nullptr, 1), std::invalid_argument);
}

// A run chooses the loop through run_main_loop. With two threads only the
// fast loop ends its progress on the counter reached (4845, no multiple of
// 1000), so the last progress line tells which loop ran.
TEST(MainLoopChoice, FastByDefaultReferenceOnRequest) {
    const Tables t = make_tables({Kind::Uniform, 0.9, 20, 30, 4, Enumeration::AllSubsets, 5});
    auto last_line = [&](const RunOptions& options) {
        std::vector<std::int32_t> votes(30);
        std::int32_t last = 0;
        run_main_loop(t.input(), votes, [&](std::int32_t c, std::int32_t) { last = c; }, options);
        EXPECT_EQ(votes, testing::oracle_votes(t.input()));
        return last;
    };
    ::unsetenv("QUILLON_MAIN_LOOP");
    EXPECT_EQ(last_line({2, false}), 4845);
    EXPECT_EQ(last_line({2, true}), 4000);
    ::setenv("QUILLON_MAIN_LOOP", "reference", 1);
    EXPECT_EQ(last_line({2, false}), 4000);
    ::setenv("QUILLON_MAIN_LOOP", "fast", 1);
    EXPECT_EQ(last_line({2, false}), 4845);
    ::unsetenv("QUILLON_MAIN_LOOP");
}

}  // namespace
}  // namespace quillon::engine
