// Fixed-column number fields of the engine's console lines and result file.
// A value that fits its field is right-aligned in it exactly; a value that does
// not fit is written whole with one blank in front, so that it stays apart from
// the field before it and the line still reads back value by value.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillon::engine {

// Text right-aligned in a field of at least `width` columns (never cut).
std::string right_align(std::string_view text, std::size_t width);

// Integer field of `width` columns (Fortran Iw for the values that fit).
std::string fixed_int(std::int64_t value, std::size_t width);

// Real field of `width` columns with `decimals` digits after the point, rounded
// to the nearest, halves away from zero (Fortran Fw.d for the values that fit).
std::string fixed_real(double value, std::size_t width, int decimals);

}  // namespace quillon::engine
