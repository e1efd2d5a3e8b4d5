// The viewer's two rounding rules, named once.
#pragma once

#include <cmath>
#include <cstdint>

namespace quillon::viewer {

// "round" of the viewer: to the nearest integer, halves to even (2.5 -> 2, 3.5 -> 4).
inline double roundHalfEven(double x) {
    double r = std::floor(x);
    double diff = x - r;
    if (diff > 0.5) return r + 1.0;
    if (diff < 0.5) return r;
    return std::fmod(r, 2.0) == 0.0 ? r : r + 1.0;
}

// roundHalfEven as a 32-bit integer, saturated at the limits of the type (NaN gives 0).
inline std::int32_t roundToInt(double x) {
    if (std::isnan(x)) return 0;
    double r = roundHalfEven(x);
    if (r >= 2147483647.0) return 2147483647;
    if (r <= -2147483648.0) return -2147483647 - 1;
    return static_cast<std::int32_t>(r);
}

}  // namespace quillon::viewer
