// Number texts of the viewer's windows and files.  Every format the viewer writes is
// one of these helpers, so that each rule is stated and tested once.
#pragma once

#include <string>

namespace quillon::viewer {

// f(P, D): the value rounded to nearest (halves away from zero) with at most P
// significant digits and at most D decimals, written in fixed-point notation with
// exactly D decimals, at least one digit before the point and a minus sign when
// negative.  A value whose integer part has more than P digits is written in
// exponent notation instead: P significant digits at most, trailing zeros dropped,
// "E", the exponent's sign and at least two digits ("1.2346E+05").
// f(4, 1) of 359.97 is "360.0"; f(5, 3) of 0 is "0.000".
std::string formatFixed(double value, int precision, int digits);

// Fixed-point with exactly `digits` decimals, halves away from zero, no limit on the
// significant digits; padded on the left with blanks to `width` characters.
std::string formatDecimals(double value, int digits, int width = 0);

}  // namespace quillon::viewer
