#include "engine/io/fixed_format.h"

#include <cmath>
#include <cstdio>

namespace quillon::engine {

namespace {

std::string fit_or_widen(std::string text, std::size_t width) {
    if (text.size() <= width) return std::string(width - text.size(), ' ') + text;
    return " " + text;
}

}  // namespace

std::string right_align(std::string_view text, std::size_t width) {
    std::string s;
    if (text.size() < width) s.assign(width - text.size(), ' ');
    s += text;
    return s;
}

std::string fixed_int(std::int64_t value, std::size_t width) {
    return fit_or_widen(std::to_string(value), width);
}

std::string fixed_real(double value, std::size_t width, int decimals) {
    if (!std::isfinite(value)) return fit_or_widen(std::isnan(value) ? "NaN" : (value > 0 ? "Infinity" : "-Infinity"), width);
    // Nearest, halves away from zero. A float scaled by a small power of ten is
    // exact in double, so a true half is seen as one.
    const double scale = std::pow(10.0, decimals);
    const double scaled = value * scale;
    if (std::fabs(scaled) < 1e15 && std::fabs(scaled - std::trunc(scaled)) == 0.5)
        value = (std::trunc(scaled) + (scaled > 0 ? 1 : -1)) / scale;
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
    return fit_or_widen(buf, width);
}

}  // namespace quillon::engine
