// The vector kernels of the fast main loop, written once with Highway and
// compiled for every target by foreach_target.h; the wrappers at the end choose
// the best target of the running processor (HWY_DYNAMIC_DISPATCH).
//
// Partial sums stay in 16 bits: every score lies in -100 ... 100 (padding
// states carry -128) and a subset has at most 8 data, so totals lie in
// -1152 ... 800.
#include "engine/core/main_loop_fast_kernels.h"

#include <climits>

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "engine/core/main_loop_fast_kernels.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"

HWY_BEFORE_NAMESPACE();
namespace quillon {
namespace engine {
namespace fast_kernels {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using D16 = hn::ScalableTag<std::int16_t>;
using D8 = hn::Rebind<std::int8_t, D16>;  // as many score bytes as 16-bit lanes

// One vector of leaf totals t[g] + s[g], starting at g.
HWY_INLINE hn::Vec<D16> Totals(D16 d, D8 d8, const std::int16_t* HWY_RESTRICT t,
                               const std::int8_t* HWY_RESTRICT s, std::size_t g) {
    return hn::Add(hn::LoadU(d, t + g), hn::PromoteTo(d, hn::LoadU(d8, s + g)));
}

void SumPair(std::int16_t* HWY_RESTRICT t, const std::int8_t* HWY_RESTRICT a,
             const std::int8_t* HWY_RESTRICT b, std::size_t n) {
    const D16 d;
    const D8 d8;
    const std::size_t N = hn::Lanes(d);
    std::size_t g = 0;
    for (; g + N <= n; g += N) {
        const auto va = hn::PromoteTo(d, hn::LoadU(d8, a + g));
        const auto vb = hn::PromoteTo(d, hn::LoadU(d8, b + g));
        hn::StoreU(hn::Add(va, vb), d, t + g);
    }
    for (; g < n; ++g) t[g] = static_cast<std::int16_t>(a[g] + b[g]);
}

void SumNext(std::int16_t* HWY_RESTRICT t, const std::int16_t* HWY_RESTRICT prev,
             const std::int8_t* HWY_RESTRICT s, std::size_t n) {
    const D16 d;
    const D8 d8;
    const std::size_t N = hn::Lanes(d);
    std::size_t g = 0;
    for (; g + N <= n; g += N) hn::StoreU(Totals(d, d8, prev, s, g), d, t + g);
    for (; g < n; ++g) t[g] = static_cast<std::int16_t>(prev[g] + s[g]);
}

// The largest lane of v.
HWY_INLINE int MaxLane(D16 d, hn::Vec<D16> v) { return hn::GetLane(hn::MaxOfLanes(d, v)); }

void BlockMax(const std::int16_t* HWY_RESTRICT t, std::size_t n_blocks, std::int16_t* HWY_RESTRICT mt) {
    const D16 d;
    const std::size_t N = hn::Lanes(d);
    for (std::size_t b = 0; b < n_blocks; ++b) {
        const std::int16_t* block = t + b * kBlockStates;
        if (N > kBlockStates) {  // vectors longer than a block: state by state
            int m = INT16_MIN;
            for (std::size_t i = 0; i < kBlockStates; ++i) m = block[i] > m ? block[i] : m;
            mt[b] = static_cast<std::int16_t>(m);
            continue;
        }
        auto m = hn::LoadU(d, block);
        for (std::size_t i = N; i < kBlockStates; i += N) m = hn::Max(m, hn::LoadU(d, block + i));
        mt[b] = static_cast<std::int16_t>(MaxLane(d, m));
    }
}

void SumNextBlockMax(std::int16_t* HWY_RESTRICT t, const std::int16_t* HWY_RESTRICT prev,
                     const std::int8_t* HWY_RESTRICT s, std::size_t n_blocks, std::int16_t* HWY_RESTRICT mt) {
    const D16 d;
    const D8 d8;
    const std::size_t N = hn::Lanes(d);
    if (N > kBlockStates) {  // vectors longer than a block: two passes
        SumNext(t, prev, s, n_blocks * kBlockStates);
        BlockMax(t, n_blocks, mt);
        return;
    }
    for (std::size_t b = 0; b < n_blocks; ++b) {
        const std::size_t g0 = b * kBlockStates;
        auto m = Totals(d, d8, prev, s, g0);
        hn::StoreU(m, d, t + g0);
        for (std::size_t g = g0 + N; g < g0 + kBlockStates; g += N) {
            const auto v = Totals(d, d8, prev, s, g);
            hn::StoreU(v, d, t + g);
            m = hn::Max(m, v);
        }
        mt[b] = static_cast<std::int16_t>(MaxLane(d, m));
    }
}

// Whether some state of the block starting at g has a total of at least threshold.
HWY_INLINE bool BlockReaches(D16 d, D8 d8, const std::int16_t* HWY_RESTRICT t, const std::int8_t* HWY_RESTRICT s,
                             std::size_t g, int threshold) {
    const std::size_t N = hn::Lanes(d);
    if (N > kBlockStates) {
        for (std::size_t i = g; i < g + kBlockStates; ++i) {
            if (t[i] + s[i] >= threshold) return true;
        }
        return false;
    }
    auto m = Totals(d, d8, t, s, g);
    for (std::size_t i = N; i < kBlockStates; i += N) m = hn::Max(m, Totals(d, d8, t, s, g + i));
    return !hn::AllFalse(d, hn::Gt(m, hn::Set(d, static_cast<std::int16_t>(threshold - 1))));
}

// Searches block b state by state when one of its totals reaches the best so far.
HWY_INLINE void SearchBlock(D16 d, D8 d8, const std::int16_t* HWY_RESTRICT t, const std::int8_t* HWY_RESTRICT s,
                            const std::int32_t* HWY_RESTRICT number, std::size_t b, LeafBest& best) {
    const std::size_t g0 = b * kBlockStates;
    if (!BlockReaches(d, d8, t, s, g0, best.total)) return;
    for (std::size_t g = g0; g < g0 + kBlockStates; ++g) {
        const int total = t[g] + s[g];
        if (total > best.total || (total == best.total && number[g] < best.number)) {
            best = {total, number[g], static_cast<std::int64_t>(g)};
        }
    }
}

LeafBest SearchBest(const std::int16_t* HWY_RESTRICT t, const std::int8_t* HWY_RESTRICT s,
                    const std::int16_t* HWY_RESTRICT mt, const std::int8_t* HWY_RESTRICT ms,
                    const std::int32_t* HWY_RESTRICT number, std::size_t n_blocks, LeafBest start,
                    std::int16_t* HWY_RESTRICT bound) {
    const D16 d;
    const D8 d8;
    const std::size_t N = hn::Lanes(d);
    LeafBest best = start;

    // The bound of every block, and the largest one.
    int largest = INT16_MIN;
    std::size_t b = 0;
    {
        auto vlargest = hn::Set(d, INT16_MIN);
        for (; b + N <= n_blocks; b += N) {
            const auto u = hn::Add(hn::LoadU(d, mt + b), hn::PromoteTo(d, hn::LoadU(d8, ms + b)));
            hn::StoreU(u, d, bound + b);
            vlargest = hn::Max(vlargest, u);
        }
        largest = MaxLane(d, vlargest);
    }
    const std::size_t whole = b;
    for (; b < n_blocks; ++b) {
        bound[b] = static_cast<std::int16_t>(mt[b] + ms[b]);
        largest = bound[b] > largest ? bound[b] : largest;
    }
    if (largest < best.total) return best;

    // A block with the largest bound first: it usually holds the winner, and
    // its total makes the bound of most other blocks fall short.
    for (std::size_t i = 0; i < n_blocks; ++i) {
        if (bound[i] == largest) {
            SearchBlock(d, d8, t, s, number, i, best);
            break;
        }
    }

    // Every block whose bound reaches the best so far. (Bounds and totals lie
    // in -1152 ... 800, so best.total - 1 is a 16-bit value.)
    for (b = 0; b < whole; b += N) {
        if (hn::AllFalse(d, hn::Gt(hn::LoadU(d, bound + b), hn::Set(d, static_cast<std::int16_t>(best.total - 1))))) {
            continue;
        }
        for (std::size_t i = b; i < b + N; ++i) {
            if (bound[i] >= best.total) SearchBlock(d, d8, t, s, number, i, best);
        }
    }
    for (; b < n_blocks; ++b) {
        if (bound[b] >= best.total) SearchBlock(d, d8, t, s, number, b, best);
    }
    return best;
}

std::int64_t CurrentTarget() { return HWY_TARGET; }

}  // namespace HWY_NAMESPACE
}  // namespace fast_kernels
}  // namespace engine
}  // namespace quillon
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace quillon::engine::fast_kernels {

HWY_EXPORT(SumPair);
HWY_EXPORT(SumNext);
HWY_EXPORT(BlockMax);
HWY_EXPORT(SumNextBlockMax);
HWY_EXPORT(SearchBest);
HWY_EXPORT(CurrentTarget);

void sum_pair(std::int16_t* t, const std::int8_t* a, const std::int8_t* b, std::size_t n) {
    HWY_DYNAMIC_DISPATCH(SumPair)(t, a, b, n);
}

void sum_next(std::int16_t* t, const std::int16_t* prev, const std::int8_t* s, std::size_t n) {
    HWY_DYNAMIC_DISPATCH(SumNext)(t, prev, s, n);
}

void block_max(const std::int16_t* t, std::size_t n_blocks, std::int16_t* mt) {
    HWY_DYNAMIC_DISPATCH(BlockMax)(t, n_blocks, mt);
}

void sum_next_block_max(std::int16_t* t, const std::int16_t* prev, const std::int8_t* s, std::size_t n_blocks,
                        std::int16_t* mt) {
    HWY_DYNAMIC_DISPATCH(SumNextBlockMax)(t, prev, s, n_blocks, mt);
}

LeafBest search_best(const std::int16_t* t, const std::int8_t* s, const std::int16_t* mt, const std::int8_t* ms,
                     const std::int32_t* number, std::size_t n_blocks, LeafBest start, std::int16_t* bound) {
    return HWY_DYNAMIC_DISPATCH(SearchBest)(t, s, mt, ms, number, n_blocks, start, bound);
}

const char* target_name() { return hwy::TargetName(HWY_DYNAMIC_DISPATCH(CurrentTarget)()); }

}  // namespace quillon::engine::fast_kernels
#endif  // HWY_ONCE
