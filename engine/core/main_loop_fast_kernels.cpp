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

// sums = base + score over block b; returns their maximum.
HWY_INLINE int FormSums(D16 d, D8 d8, const std::int16_t* HWY_RESTRICT base, const std::int8_t* HWY_RESTRICT score,
                        std::int16_t* HWY_RESTRICT sums, std::size_t b) {
    const std::size_t N = hn::Lanes(d);
    const std::size_t g0 = b * kBlockStates;
    if (N > kBlockStates) {  // vectors longer than a block: state by state
        int m = INT16_MIN;
        for (std::size_t g = g0; g < g0 + kBlockStates; ++g) {
            sums[g] = static_cast<std::int16_t>(base[g] + score[g]);
            m = sums[g] > m ? sums[g] : m;
        }
        return m;
    }
    auto m = Totals(d, d8, base, score, g0);
    hn::StoreU(m, d, sums + g0);
    for (std::size_t g = g0 + N; g < g0 + kBlockStates; g += N) {
        const auto v = Totals(d, d8, base, score, g);
        hn::StoreU(v, d, sums + g);
        m = hn::Max(m, v);
    }
    return MaxLane(d, m);
}

// Forms block b of a lazy T_(k-1) (and first that of a lazy T_(k-2) under it)
// and returns the maximum of its sums.
HWY_INLINE int FormBlock(D16 d, D8 d8, const LazySums& lazy, std::size_t b) {
    const LazySums* parent = lazy.parent;
    if (parent != nullptr && parent->formed[b] == 0) {
        parent->bound[b] = static_cast<std::int16_t>(FormSums(d, d8, parent->base, parent->score, parent->sums, b));
        parent->formed[b] = 1;
    }
    return FormSums(d, d8, lazy.base, lazy.score, lazy.sums, b);
}

// How the totals T_(k-1) + s of block b (formed) compare with bar: 1 when
// one lies above it, 0 when none does and one equals it, -1 when all lie below.
HWY_INLINE int BlockAgainstBar(D16 d, D8 d8, const std::int16_t* HWY_RESTRICT t, const std::int8_t* HWY_RESTRICT s,
                               std::size_t b, int bar) {
    const std::size_t N = hn::Lanes(d);
    const std::size_t g0 = b * kBlockStates;
    if (N > kBlockStates) {
        int m = INT16_MIN;
        for (std::size_t g = g0; g < g0 + kBlockStates; ++g) m = t[g] + s[g] > m ? t[g] + s[g] : m;
        return m > bar ? 1 : (m == bar ? 0 : -1);
    }
    auto m = Totals(d, d8, t, s, g0);
    for (std::size_t g = g0 + N; g < g0 + kBlockStates; g += N) m = hn::Max(m, Totals(d, d8, t, s, g));
    const auto vbar = hn::Set(d, static_cast<std::int16_t>(bar));
    if (!hn::AllFalse(d, hn::Gt(m, vbar))) return 1;
    return hn::AllFalse(d, hn::Eq(m, vbar)) ? -1 : 0;
}

// Looks at block b of a leaf; returns true when a total above bar is there.
// Otherwise the lowest number with a total equal to bar is kept in best_number
// and best_position.
HWY_INLINE bool LookAtBlock(D16 d, D8 d8, const LazySums& lazy, const std::int8_t* HWY_RESTRICT s,
                            const std::int8_t* HWY_RESTRICT ms, const std::int32_t* HWY_RESTRICT number, int bar,
                            std::size_t b, std::int32_t& best_number, std::int64_t& best_position) {
    if (lazy.formed[b] == 0) {
        lazy.bound[b] = static_cast<std::int16_t>(FormBlock(d, d8, lazy, b));
        lazy.formed[b] = 1;
        if (lazy.bound[b] + ms[b] < bar) return false;
    }
    const int against = BlockAgainstBar(d, d8, lazy.sums, s, b, bar);
    if (against > 0) return true;
    if (against < 0) return false;
    // Some totals equal the bar: the lowest number among them.
    const std::size_t g0 = b * kBlockStates;
    const std::size_t N = hn::Lanes(d);
    if (N < 8 || N > kBlockStates) {
        for (std::size_t g = g0; g < g0 + kBlockStates; ++g) {
            if (lazy.sums[g] + s[g] == bar && number[g] < best_number) {
                best_number = number[g];
                best_position = static_cast<std::int64_t>(g);
            }
        }
        return false;
    }
    const auto at_bar = hn::Set(d, static_cast<std::int16_t>(bar));
    for (std::size_t g = g0; g < g0 + kBlockStates; g += N) {
        std::uint8_t bytes[kBlockStates / 8];
        hn::StoreMaskBits(d, hn::Eq(Totals(d, d8, lazy.sums, s, g), at_bar), bytes);
        for (std::size_t j = 0; j < N / 8; ++j) {
            unsigned bits = bytes[j];
            while (bits != 0) {
                const std::size_t p = g + 8 * j + static_cast<std::size_t>(__builtin_ctz(bits));
                bits &= bits - 1;
                if (number[p] < best_number) {
                    best_number = number[p];
                    best_position = static_cast<std::int64_t>(p);
                }
            }
        }
    }
    return false;
}

int LeafBar(const LazySums& lazy, const std::int8_t* HWY_RESTRICT s, const std::int8_t* HWY_RESTRICT ms,
            const std::uint64_t* HWY_RESTRICT f, const std::uint64_t* HWY_RESTRICT c,
            const std::uint32_t* HWY_RESTRICT words, std::size_t n_words) {
    const D16 d;
    const D8 d8;
    const std::size_t N = hn::Lanes(d);
    const bool vectors = N >= 8 && N <= kBlockStates;
    int bar = INT_MIN;
    for (std::size_t i = 0; i < n_words; ++i) {
        const std::size_t b = words[i];
        std::uint64_t bits = f[b] & c[b];
        if (bits == 0 || lazy.bound[b] + ms[b] <= bar) continue;  // nothing here can raise the bar
        if (lazy.formed[b] == 0) {
            lazy.bound[b] = static_cast<std::int16_t>(FormBlock(d, d8, lazy, b));
            lazy.formed[b] = 1;
            if (lazy.bound[b] + ms[b] <= bar) continue;
        }
        const std::size_t g0 = b * kBlockStates;
        if (!vectors || __builtin_popcountll(bits) <= 4) {
            while (bits != 0) {
                const std::size_t g = g0 + static_cast<std::size_t>(__builtin_ctzll(bits));
                bits &= bits - 1;
                const int total = lazy.sums[g] + s[g];
                bar = total > bar ? total : bar;
            }
            continue;
        }
        // The bits as bytes, lowest states first, whatever the byte order.
        std::uint8_t bytes[8];
        for (int j = 0; j < 8; ++j) bytes[j] = static_cast<std::uint8_t>(bits >> (8 * j));
        auto m = hn::Set(d, INT16_MIN);
        for (std::size_t g = 0; g < kBlockStates; g += N) {
            const auto on = hn::LoadMaskBits(d, bytes + g / 8);
            m = hn::Max(m, hn::IfThenElse(on, Totals(d, d8, lazy.sums, s, g0 + g), hn::Set(d, INT16_MIN)));
        }
        const int top = MaxLane(d, m);
        bar = top > bar ? top : bar;
    }
    return bar;
}

LeafCheck CheckLeaf(const LazySums& lazy, const std::int8_t* HWY_RESTRICT s, const std::int8_t* HWY_RESTRICT ms,
                    const std::int32_t* HWY_RESTRICT number, int bar, std::uint64_t* HWY_RESTRICT mask,
                    std::size_t& hint) {
    const D16 d;
    const D8 d8;
    const std::size_t N = hn::Lanes(d);
    const std::size_t n_blocks = lazy.n_blocks;
    const std::size_t n_words = (n_blocks + 63) / 64;
    std::int32_t best_number = INT32_MAX;
    std::int64_t best_position = -1;

    // The hint first: the block that held a higher total for the previous leaf
    // of this prefix usually holds one for this leaf too.
    if (hint < n_blocks && lazy.bound[hint] + ms[hint] >= bar) {
        if (LookAtBlock(d, d8, lazy, s, ms, number, bar, hint, best_number, best_position)) return {true, -1};
    }

    // Bit b of mask: block b may hold a total of bar or more. (Bounds and
    // totals lie in -1152 ... 800, so bar - 1 is a 16-bit value.)
    std::size_t b = 0;
    if (N >= 8 && N <= 64 && 64 % N == 0) {
        auto* bytes = reinterpret_cast<std::uint8_t*>(mask);
        const auto below = hn::Set(d, static_cast<std::int16_t>(bar - 1));
        for (; b + N <= n_blocks; b += N) {
            const auto u = hn::Add(hn::LoadU(d, lazy.bound + b), hn::PromoteTo(d, hn::LoadU(d8, ms + b)));
            hn::StoreMaskBits(d, hn::Gt(u, below), bytes + b / 8);
        }
    }
    // The blocks after the last whole vector (all of them on the other paths);
    // b is a multiple of 8 here, so they start a byte of their own.
    {
        auto* bytes = reinterpret_cast<std::uint8_t*>(mask);
        for (std::size_t byte = b / 8; byte < n_words * 8; ++byte) {
            std::uint8_t bits = 0;
            for (std::size_t i = 0; i < 8; ++i) {
                const std::size_t blk = byte * 8 + i;
                if (blk < n_blocks && lazy.bound[blk] + ms[blk] >= bar) bits |= static_cast<std::uint8_t>(1u << i);
            }
            bytes[byte] = bits;
        }
    }

    const auto* bytes = reinterpret_cast<const std::uint8_t*>(mask);
    for (std::size_t w = 0; w < n_words; ++w) {
        if (mask[w] == 0) continue;
        for (std::size_t byte = w * 8; byte < w * 8 + 8; ++byte) {
            unsigned bits = bytes[byte];
            while (bits != 0) {
                const std::size_t blk = byte * 8 + static_cast<std::size_t>(__builtin_ctz(bits));
                bits &= bits - 1;
                if (blk == hint) continue;  // looked at already
                if (LookAtBlock(d, d8, lazy, s, ms, number, bar, blk, best_number, best_position)) {
                    hint = blk;
                    return {true, -1};
                }
            }
        }
    }
    return {false, best_position};
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
HWY_EXPORT(CheckLeaf);
HWY_EXPORT(LeafBar);
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

LeafCheck check_leaf(const LazySums& lazy, const std::int8_t* s, const std::int8_t* ms,
                     const std::int32_t* number, int bar, std::uint64_t* mask, std::size_t& hint) {
    return HWY_DYNAMIC_DISPATCH(CheckLeaf)(lazy, s, ms, number, bar, mask, hint);
}

int leaf_bar(const LazySums& lazy, const std::int8_t* s, const std::int8_t* ms, const std::uint64_t* f,
             const std::uint64_t* c, const std::uint32_t* words, std::size_t n_words) {
    return HWY_DYNAMIC_DISPATCH(LeafBar)(lazy, s, ms, f, c, words, n_words);
}

const char* target_name() { return hwy::TargetName(HWY_DYNAMIC_DISPATCH(CurrentTarget)()); }

}  // namespace quillon::engine::fast_kernels
#endif  // HWY_ONCE
