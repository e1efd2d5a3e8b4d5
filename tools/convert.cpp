#include "tools/convert.h"

#include <algorithm>
#include <cmath>

namespace quillon::tools {

namespace {

// Below this a vector component is taken as zero, so that planes and slips that
// are meant to be vertical or horizontal are treated as such.
constexpr double kTiny = 1e-12;

double angle_deg(const Vec3& a, const Vec3& b) {
    return std::acos(std::clamp(dot(normalized(a), normalized(b)), -1.0, 1.0)) / kDeg;
}

Vec3 negated(const Vec3& v) { return {-v[0], -v[1], -v[2]}; }

Vec3 strike_vector(double strike) { return {sin_deg(strike), cos_deg(strike), 0.0}; }

// Up-dip unit vector in the plane: upward normal x strike vector.
Vec3 up_dip_vector(double strike, double dip) {
    return {-cos_deg(dip) * cos_deg(strike), cos_deg(dip) * sin_deg(strike), sin_deg(dip)};
}

}  // namespace

double sin_deg(double a) {
    const double r = wrap_azimuth(a);
    if (r == 0.0 || r == 180.0) return 0.0;
    if (r == 90.0) return 1.0;
    if (r == 270.0) return -1.0;
    return std::sin(r * kDeg);
}

double cos_deg(double a) { return sin_deg(a + 90.0); }

double wrap_azimuth(double az) {
    double r = std::fmod(az, 360.0);
    if (r < 0) r += 360.0;
    if (r >= 360.0) r = 0.0;  // a tiny negative value plus 360 rounds to 360
    return r + 0.0;           // no negative zero
}

double wrap_rake(double rake) {
    double r = wrap_azimuth(rake);
    if (r > 180.0) r -= 360.0;
    return r;
}

Vec3 upward_normal(double strike, double dip) {
    return {sin_deg(dip) * cos_deg(strike), -sin_deg(dip) * sin_deg(strike), cos_deg(dip)};
}

Vec3 slip_vector(const Mechanism& m) {
    const Vec3 a = strike_vector(m.strike);
    const Vec3 u = up_dip_vector(m.strike, m.dip);
    const double c = cos_deg(m.rake), s = sin_deg(m.rake);
    return {c * a[0] + s * u[0], c * a[1] + s * u[1], c * a[2] + s * u[2]};
}

double rake_on_plane(double strike, double dip, const Vec3& slip) {
    const double along = dot(slip, strike_vector(strike));
    const double up = dot(slip, up_dip_vector(strike, dip));
    return wrap_rake(std::atan2(up, along) / kDeg);
}

Mechanism auxiliary_plane(const Mechanism& m) {
    Vec3 n = slip_vector(m);
    Vec3 s = upward_normal(m.strike, m.dip);
    for (double& c : n)
        if (std::fabs(c) < kTiny) c = 0.0;
    if (n[2] < 0) {
        n = negated(n);
        s = negated(s);
    }
    Mechanism aux;
    const double horizontal = std::hypot(n[0], n[1]);
    aux.dip = std::atan2(horizontal, n[2]) / kDeg;
    if (horizontal == 0.0) {
        // Horizontal auxiliary plane: the strike is free; take the slip's azimuth.
        aux.dip = 0.0;
        aux.strike = wrap_azimuth(std::atan2(s[0], s[1]) / kDeg);
    } else {
        aux.strike = wrap_azimuth(std::atan2(n[0], n[1]) / kDeg - 90.0);
        if (n[2] == 0.0) {
            // Vertical: either side may be called the hanging wall; choose the one
            // that puts the strike in [0, 180) so that the result does not hang on
            // the sign of a rounding error.
            aux.dip = 90.0;
            if (std::round(aux.strike * 1e6) / 1e6 >= 180.0) {
                s = negated(s);
                aux.strike = wrap_azimuth(aux.strike - 180.0);
            }
        }
    }
    aux.rake = rake_on_plane(aux.strike, aux.dip, s);
    return aux;
}

FaultSlip fault_slip_of_mechanism(const Mechanism& m) {
    const Vec3 slip = slip_vector(m);
    const double c = cos_deg(m.rake), s = sin_deg(m.rake);
    FaultSlip f;
    f.dip_direction = wrap_azimuth(m.strike + 90.0);
    f.dip = m.dip;
    // Which of the two senses along the striation is written as the line: the
    // downward one, except on a horizontal plane, where the slip is horizontal
    // and the line is chosen so that the letter's rule gives the slip back.
    bool reverse_line;
    if (std::fabs(c) > std::fabs(s)) {
        // Hanging wall moving along the strike (cos > 0) turns counter-clockwise
        // from the dip direction: sinistral.
        f.sense = c < 0 ? 'D' : 'S';
        reverse_line = s > 0 && m.dip > 0;
    } else {
        f.sense = s > 0 ? 'R' : 'N';
        reverse_line = f.sense == 'R';
    }
    const Vec3 line = reverse_line ? negated(slip) : slip;
    const double horizontal = std::hypot(line[0], line[1]);
    f.plunge = std::max(0.0, std::atan2(-line[2], horizontal) / kDeg);
    f.trend = horizontal > kTiny ? wrap_azimuth(std::atan2(line[0], line[1]) / kDeg) : f.dip_direction;
    return f;
}

Vec3 hanging_wall_slip(const FaultSlip& f) {
    const Vec3 line = direction_vector({f.trend, f.plunge});
    const double turn = sin_deg(f.trend - f.dip_direction);
    switch (f.sense) {
        case 'R': case 'r': return negated(line);
        case 'D': case 'd': return turn < 0 ? negated(line) : line;
        case 'S': case 's': return turn > 0 ? negated(line) : line;
        default: return line;
    }
}

bool mechanism_of_fault_slip(const FaultSlip& f, Mechanism& m, double& off_plane_deg) {
    m.strike = wrap_azimuth(f.dip_direction - 90.0);
    m.dip = f.dip;
    const Vec3 n = upward_normal(m.strike, m.dip);
    const Vec3 s = hanging_wall_slip(f);
    const double along = dot(s, n);
    const Vec3 in_plane{s[0] - along * n[0], s[1] - along * n[1], s[2] - along * n[2]};
    const double length = std::sqrt(dot(in_plane, in_plane));
    off_plane_deg = std::asin(std::clamp(std::fabs(along), 0.0, 1.0)) / kDeg;
    if (length < 1e-9) return false;
    m.rake = rake_on_plane(m.strike, m.dip, in_plane);
    return true;
}

double double_couple_mismatch_deg(const Mechanism& a, const Mechanism& b) {
    const Vec3 na = upward_normal(a.strike, a.dip), sa = slip_vector(a);
    const Vec3 nb = upward_normal(b.strike, b.dip), sb = slip_vector(b);
    // b's normal is a's slip and b's slip a's normal, both with the same sign.
    const double sign = dot(nb, sa) < 0 ? -1.0 : 1.0;
    const Vec3 sa_signed{sign * sa[0], sign * sa[1], sign * sa[2]};
    const Vec3 na_signed{sign * na[0], sign * na[1], sign * na[2]};
    return std::max(angle_deg(nb, sa_signed), angle_deg(sb, na_signed));
}

}  // namespace quillon::tools
