// The vector kernels of the fast main loop. Each is compiled for every
// instruction set that Highway can target on this platform (AVX-512, AVX2,
// SSE4, SSSE3 on x86; NEON, SVE on Arm; always the portable scalar target) and
// the best one the processor supports is chosen at run time.
//
// Arrays: partial sums are 16-bit, scores are the fitness table's signed bytes.
// Every array holds at least n entries; none needs any alignment.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon::engine::fast_kernels {

// t[g] = a[g] + b[g]: the partial sum of the first two data.
void sum_pair(std::int16_t* t, const std::int8_t* a, const std::int8_t* b, std::size_t n);

// t[g] = prev[g] + s[g]: the partial sum of one more datum.
void sum_next(std::int16_t* t, const std::int16_t* prev, const std::int8_t* s, std::size_t n);

// Grid states are taken in blocks of kBlockStates; arrays of partial sums and
// scores used by block_max and check_leaf hold whole blocks (the last one
// padded with states that can never win).
inline constexpr std::size_t kBlockStates = 64;

// mt[b] = the largest t[g] over block b, for b < n_blocks.
void block_max(const std::int16_t* t, std::size_t n_blocks, std::int16_t* mt);

// sum_next over n_blocks whole blocks and block_max of its result, in one pass.
void sum_next_block_max(std::int16_t* t, const std::int16_t* prev, const std::int8_t* s, std::size_t n_blocks,
                        std::int16_t* mt);

// The partial sums T_(k-1) of the current prefix of k - 1 data, formed block
// by block only where a leaf needs them: T_(k-1) = base + score, where base is
// T_(k-2) at every position. bound[b] starts as an upper bound of T_(k-1) over
// block b (the block maximum of base plus that of score) and becomes the exact
// block maximum once the block is formed.
//
// base may itself be lazy: then parent describes T_(k-2) (its sums are base),
// formed block by block in the same way from a complete T_(k-3), and a block
// of T_(k-1) forms its block of T_(k-2) first.
struct LazySums {
    const std::int16_t* base;
    const std::int8_t* score;
    std::int16_t* sums;        // T_(k-1); valid in the formed blocks
    std::int16_t* bound;       // n_blocks entries
    std::uint8_t* formed;      // n_blocks entries, 0 or 1
    std::size_t n_blocks;
    const LazySums* parent = nullptr;  // the lazy T_(k-2), or none (base complete)
};

// The largest total T_(k-1) + s over the states compatible with all k data:
// the states whose bits are set in both f and c (one 64-bit word per block),
// looked for in the blocks words[0 ... n_words - 1] (the words of f with a set
// bit). Blocks are formed where they are looked at. INT_MIN when no state is
// compatible.
int leaf_bar(const LazySums& lazy, const std::int8_t* s, const std::int8_t* ms, const std::uint64_t* f,
             const std::uint64_t* c, const std::uint32_t* words, std::size_t n_words);

// What a leaf's check against a bar found.
struct LeafCheck {
    bool beaten;               // some state's total exceeds the bar
    std::int64_t position;     // otherwise: the position of the lowest number
                               // whose total equals the bar (-1: none)
};

// The leaf with scores s (block maxima ms): does any state's total T_(k-1) + s
// exceed bar, and if not, which state with a total equal to bar has the lowest
// number[]? Only blocks whose bound plus ms reaches bar are looked at; they are
// formed on the way. The search stops at the first total above bar. hint names
// a block to look at first (n_blocks or more: none); it receives the block
// where a total above bar was found. mask is working space of
// (n_blocks + 63) / 64 words. Totals must lie in -1152 ... 800.
LeafCheck check_leaf(const LazySums& lazy, const std::int8_t* s, const std::int8_t* ms,
                     const std::int32_t* number, int bar, std::uint64_t* mask, std::size_t& hint);

// The name of the instruction set the kernels run on now (for example "AVX2").
const char* target_name();

}  // namespace quillon::engine::fast_kernels
