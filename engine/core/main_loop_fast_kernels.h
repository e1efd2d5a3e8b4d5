// The vector kernels of the fast main loop. Each is compiled for every
// instruction set that Highway can target on this platform (AVX-512, AVX2,
// SSE4, SSSE3 on x86; NEON, SVE on Arm; always the portable scalar target) and
// the best one the processor supports is chosen at run time.
//
// Arrays: partial sums are 16-bit, scores are the fitness table's signed bytes,
// compatibility flags are bytes read as booleans (any non-zero value is true).
// Every array holds at least n entries; none needs any alignment.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon::engine::fast_kernels {

// t[g] = a[g] + b[g]: the partial sum of the first two data.
void sum_pair(std::int16_t* t, const std::int8_t* a, const std::int8_t* b, std::size_t n);

// t[g] = prev[g] + s[g]: the partial sum of one more datum.
void sum_next(std::int16_t* t, const std::int16_t* prev, const std::int8_t* s, std::size_t n);

// f[g] = a[g] and b[g]; returns how many f[g] are true. f holds a non-zero
// byte for true and 0 for false; f may be a or b.
std::size_t compat_and(std::uint8_t* f, const std::uint8_t* a, const std::uint8_t* b, std::size_t n);

// The best grid state of a leaf: the index g of the largest t[g] + s[g], the
// lowest index among equal largest values; -1 when n is 0.
std::int64_t best_state(const std::int16_t* t, const std::int8_t* s, std::size_t n);

// Whether some g in [begin, end) has t[g] + s[g] > threshold. Stops at the
// first block of states that holds one.
bool any_above(const std::int16_t* t, const std::int8_t* s, std::size_t begin, std::size_t end,
               int threshold);

// The name of the instruction set the kernels run on now (for example "AVX2").
const char* target_name();

}  // namespace quillon::engine::fast_kernels
