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
// scores used by block_max and search_best hold whole blocks (the last one
// padded with states that can never win).
inline constexpr std::size_t kBlockStates = 64;

// mt[b] = the largest t[g] over block b, for b < n_blocks.
void block_max(const std::int16_t* t, std::size_t n_blocks, std::int16_t* mt);

// sum_next over n_blocks whole blocks and block_max of its result, in one pass.
void sum_next_block_max(std::int16_t* t, const std::int16_t* prev, const std::int8_t* s, std::size_t n_blocks,
                        std::int16_t* mt);

// A state of a leaf: its total t[g] + s[g], its grid number (lower wins ties)
// and its position g in the arrays.
struct LeafBest {
    int total;
    std::int32_t number;
    std::int64_t position;
};

// The leaf winner: the largest t[g] + s[g], the lowest number[g] among equal
// largest totals, searched from a start that is one of the states. Block b is
// searched only when mt[b] + ms[b] (an upper bound of its totals) reaches the
// best total found so far. bound receives the n_blocks bounds (working space).
// Totals must lie in -1152 ... 800 (at most 8 scores of -128 ... 100).
LeafBest search_best(const std::int16_t* t, const std::int8_t* s, const std::int16_t* mt, const std::int8_t* ms,
                     const std::int32_t* number, std::size_t n_blocks, LeafBest start, std::int16_t* bound);

// The name of the instruction set the kernels run on now (for example "AVX2").
const char* target_name();

}  // namespace quillon::engine::fast_kernels
