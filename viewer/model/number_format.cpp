#include "viewer/model/number_format.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace quillon::viewer {
namespace {

// |value| as decimal digits with the point after `point` of them.  Doubles are binary
// fractions, so 40 decimals hold every digit that a rounding to at most 20 decimals
// can look at.
struct Decimal {
    std::string digits;
    int point = 0;
};

Decimal toDecimal(double magnitude) {
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.40f", magnitude);
    Decimal d;
    for (const char* p = buf; *p; ++p) {
        if (*p == '.') d.point = static_cast<int>(d.digits.size());
        else d.digits.push_back(*p);
    }
    return d;
}

// Rounds to `keep` digits after the point, halves away from zero; digits beyond are
// dropped.  A carry may add a digit in front.
void roundAt(Decimal& d, int keep) {
    const int cut = d.point + keep;
    if (cut < 0) {
        d.digits.assign(1, '0');
        d.point = 1;
        return;
    }
    if (cut >= static_cast<int>(d.digits.size())) return;
    const bool up = d.digits[cut] >= '5';
    d.digits.resize(cut);
    if (up) {
        int i = cut - 1;
        while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
        if (i >= 0) {
            ++d.digits[i];
        } else {
            d.digits.insert(d.digits.begin(), '1');
            ++d.point;
        }
    }
}

bool allZero(const std::string& s) { return s.find_first_not_of('0') == std::string::npos; }

// Writes d with exactly `decimals` digits after the point (zeros appended).
std::string writeFixed(const Decimal& d, int decimals, bool negative) {
    std::string intPart = d.digits.substr(0, d.point);
    std::string frac = d.digits.substr(d.point);
    const auto first = intPart.find_first_not_of('0');
    intPart = first == std::string::npos ? "0" : intPart.substr(first);
    frac.resize(decimals, '0');
    std::string out;
    if (negative && !(allZero(intPart) && allZero(frac))) out.push_back('-');
    out += intPart;
    if (decimals > 0) {
        out += '.';
        out += frac;
    }
    return out;
}

std::string nonFinite(double value) {
    if (std::isnan(value)) return "NAN";
    return value < 0 ? "-INF" : "INF";
}

}  // namespace

std::string formatFixed(double value, int precision, int digits) {
    if (!std::isfinite(value)) return nonFinite(value);
    if (precision < 1) precision = 1;
    if (digits < 0) digits = 0;
    const bool negative = std::signbit(value);
    Decimal d = toDecimal(std::fabs(value));
    const auto firstNonZero = d.digits.find_first_not_of('0');
    if (firstNonZero == std::string::npos) return writeFixed(d, digits, false);
    // Decimal exponent of the leading digit.
    const int e = d.point - 1 - static_cast<int>(firstNonZero);
    if (e + 1 > precision) {
        // Exponent notation: `precision` significant digits, trailing zeros dropped.
        Decimal m{d.digits.substr(firstNonZero), 1};
        roundAt(m, precision - 1);
        int exponent = e + (m.point - 1);
        std::string mant = m.digits.substr(0, precision);
        while (mant.size() > 1 && mant.back() == '0') mant.pop_back();
        std::string out = negative ? "-" : "";
        out += mant.substr(0, 1);
        if (mant.size() > 1) {
            out += '.';
            out.append(mant, 1, std::string::npos);
        }
        char ebuf[16];
        std::snprintf(ebuf, sizeof ebuf, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
        return out + ebuf;
    }
    int keep = precision - 1 - e;
    if (keep > digits) keep = digits;
    roundAt(d, keep);
    return writeFixed(d, digits, negative);
}

std::string formatDecimals(double value, int digits, int width) {
    std::string out;
    if (!std::isfinite(value)) {
        out = nonFinite(value);
    } else {
        if (digits < 0) digits = 0;
        Decimal d = toDecimal(std::fabs(value));
        roundAt(d, digits);
        out = writeFixed(d, digits, std::signbit(value));
    }
    if (static_cast<int>(out.size()) < width) out.insert(0, width - out.size(), ' ');
    return out;
}

}  // namespace quillon::viewer
