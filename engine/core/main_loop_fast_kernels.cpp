// The vector kernels of the fast main loop, written once with Highway and
// compiled for every target by foreach_target.h; the wrappers at the end choose
// the best target of the running processor (HWY_DYNAMIC_DISPATCH).
//
// Partial sums stay in 16 bits: every score lies in -100 ... 100 and a subset
// has at most 8 data, so |t[g] + s[g]| <= 800.
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
using DU8 = hn::ScalableTag<std::uint8_t>;

// States are scanned in chunks of kChunkVectors vectors: one test of the chunk's
// maximum against the running best (or a threshold) per chunk.
constexpr std::size_t kChunkVectors = 8;

// One vector of leaf totals t[g] + s[g], starting at g.
HWY_INLINE hn::Vec<D16> Totals(D16 d, D8 d8, const std::int16_t* HWY_RESTRICT t,
                               const std::int8_t* HWY_RESTRICT s, std::size_t g) {
    return hn::Add(hn::LoadU(d, t + g), hn::PromoteTo(d, hn::LoadU(d8, s + g)));
}

// The lane-wise maximum of the totals of one chunk starting at g.
HWY_INLINE hn::Vec<D16> ChunkMax(D16 d, D8 d8, const std::int16_t* HWY_RESTRICT t,
                                 const std::int8_t* HWY_RESTRICT s, std::size_t g) {
    const std::size_t N = hn::Lanes(d);
    // Two accumulators so that consecutive maxima do not wait on each other.
    auto m0 = Totals(d, d8, t, s, g);
    auto m1 = Totals(d, d8, t, s, g + N);
    for (std::size_t v = 2; v < kChunkVectors; v += 2) {
        m0 = hn::Max(m0, Totals(d, d8, t, s, g + v * N));
        m1 = hn::Max(m1, Totals(d, d8, t, s, g + (v + 1) * N));
    }
    return hn::Max(m0, m1);
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

// The minimum of two flag bytes is non-zero exactly when both are: a logical
// "and" that accepts any non-zero byte as true.
std::size_t CompatAnd(std::uint8_t* f, const std::uint8_t* a, const std::uint8_t* b, std::size_t n) {
    const DU8 d;
    const std::size_t N = hn::Lanes(d);
    const auto zero = hn::Zero(d);
    std::size_t zeros = 0;
    std::size_t g = 0;
    for (; g + N <= n; g += N) {
        const auto v = hn::Min(hn::LoadU(d, a + g), hn::LoadU(d, b + g));
        hn::StoreU(v, d, f + g);
        zeros += hn::CountTrue(d, hn::Eq(v, zero));
    }
    for (; g < n; ++g) {
        f[g] = (a[g] != 0 && b[g] != 0) ? 1 : 0;
        zeros += f[g] == 0 ? 1 : 0;
    }
    return n - zeros;
}

std::int64_t BestState(const std::int16_t* HWY_RESTRICT t, const std::int8_t* HWY_RESTRICT s,
                       std::size_t n) {
    if (n == 0) return -1;
    const D16 d;
    const D8 d8;
    const std::size_t N = hn::Lanes(d);
    const std::size_t chunk = kChunkVectors * N;

    // Pass over whole chunks: remember the first chunk that holds the largest
    // total. A chunk that only equals the best so far cannot hold the winner,
    // whose number must be the lowest among equal totals.
    int best = INT_MIN;
    std::size_t best_chunk = n;  // none yet
    auto vbest = hn::Set(d, INT16_MIN);
    std::size_t g = 0;
    for (; g + chunk <= n; g += chunk) {
        const auto m = ChunkMax(d, d8, t, s, g);
        if (!hn::AllFalse(d, hn::Gt(m, vbest))) {
            HWY_ALIGN std::int16_t lanes[HWY_MAX_BYTES / sizeof(std::int16_t)];
            hn::Store(m, d, lanes);
            for (std::size_t i = 0; i < N; ++i) best = lanes[i] > best ? lanes[i] : best;
            vbest = hn::Set(d, static_cast<std::int16_t>(best));
            best_chunk = g;
        }
    }
    // The states after the last whole chunk, one by one.
    std::int64_t best_index = -1;
    for (; g < n; ++g) {
        const int v = t[g] + s[g];
        if (v > best) {
            best = v;
            best_index = static_cast<std::int64_t>(g);
        }
    }
    if (best_index >= 0) return best_index;
    // The winner lies in best_chunk: its first state with the best total.
    for (std::size_t i = best_chunk; i < best_chunk + chunk; ++i) {
        if (t[i] + s[i] == best) return static_cast<std::int64_t>(i);
    }
    return -1;  // not reached: best_chunk holds the value it was chosen for
}

bool AnyAbove(const std::int16_t* HWY_RESTRICT t, const std::int8_t* HWY_RESTRICT s,
              std::size_t begin, std::size_t end, int threshold) {
    if (begin >= end) return false;
    // Every total is a 16-bit value.
    if (threshold >= INT16_MAX) return false;
    if (threshold < INT16_MIN) return true;
    const D16 d;
    const D8 d8;
    const std::size_t chunk = kChunkVectors * hn::Lanes(d);
    const auto vthreshold = hn::Set(d, static_cast<std::int16_t>(threshold));
    std::size_t g = begin;
    for (; g + chunk <= end; g += chunk) {
        if (!hn::AllFalse(d, hn::Gt(ChunkMax(d, d8, t, s, g), vthreshold))) return true;
    }
    for (; g < end; ++g) {
        if (t[g] + s[g] > threshold) return true;
    }
    return false;
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
HWY_EXPORT(CompatAnd);
HWY_EXPORT(BestState);
HWY_EXPORT(AnyAbove);
HWY_EXPORT(CurrentTarget);

void sum_pair(std::int16_t* t, const std::int8_t* a, const std::int8_t* b, std::size_t n) {
    HWY_DYNAMIC_DISPATCH(SumPair)(t, a, b, n);
}

void sum_next(std::int16_t* t, const std::int16_t* prev, const std::int8_t* s, std::size_t n) {
    HWY_DYNAMIC_DISPATCH(SumNext)(t, prev, s, n);
}

std::size_t compat_and(std::uint8_t* f, const std::uint8_t* a, const std::uint8_t* b, std::size_t n) {
    return HWY_DYNAMIC_DISPATCH(CompatAnd)(f, a, b, n);
}

std::int64_t best_state(const std::int16_t* t, const std::int8_t* s, std::size_t n) {
    return HWY_DYNAMIC_DISPATCH(BestState)(t, s, n);
}

bool any_above(const std::int16_t* t, const std::int8_t* s, std::size_t begin, std::size_t end,
               int threshold) {
    return HWY_DYNAMIC_DISPATCH(AnyAbove)(t, s, begin, end, threshold);
}

const char* target_name() { return hwy::TargetName(HWY_DYNAMIC_DISPATCH(CurrentTarget)()); }

}  // namespace quillon::engine::fast_kernels
#endif  // HWY_ONCE
