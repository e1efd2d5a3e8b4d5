#include "tools/synth.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "tools/random.h"

namespace quillon::tools {

Vec3 downward_normal(double dip_direction, double dip) {
    const double dd = dip_direction * kDeg;
    const double di = dip * kDeg;
    return {-std::sin(di) * std::sin(dd), -std::sin(di) * std::cos(dd), -std::cos(di)};
}

Vec3 shear_traction(const Mat3& t, const Vec3& n) {
    Vec3 traction{};
    for (int i = 0; i < 3; ++i) traction[i] = t[i][0] * n[0] + t[i][1] * n[1] + t[i][2] * n[2];
    const double normal_part = dot(traction, n);
    Vec3 tau{};
    for (int i = 0; i < 3; ++i) tau[i] = traction[i] - normal_part * n[i];
    return tau;
}

namespace {

double wrap360(double az) {
    az = std::fmod(az, 360.0);
    if (az < 0) az += 360.0;
    return az;
}

// Azimuth in [0, 360) as it will be written with two decimals.
double written_azimuth(double az) {
    az = std::round(wrap360(az) * 100.0) / 100.0;
    return az >= 360.0 ? 0.0 : az;
}

}  // namespace

FaultSlip encode_fault_slip(const Vec3& normal_down, const Vec3& slip) {
    Vec3 n = normalized(normal_down);
    if (n[2] > 0) n = {-n[0], -n[1], -n[2]};
    const Vec3 s = normalized(slip);
    FaultSlip d;
    d.dip = std::acos(std::clamp(-n[2], -1.0, 1.0)) / kDeg;
    d.dip_direction = written_azimuth(std::atan2(-n[0], -n[1]) / kDeg);
    // The striation line pointing down (or horizontal); it equals the slip when
    // the slip does not point up.
    const bool slip_is_line = s[2] <= 0;
    const Vec3 line = slip_is_line ? s : Vec3{-s[0], -s[1], -s[2]};
    const double horizontal = std::hypot(line[0], line[1]);
    d.plunge = std::atan2(-line[2], horizontal) / kDeg;
    d.trend = written_azimuth(horizontal > 0 ? std::atan2(line[0], line[1]) / kDeg : d.dip_direction);
    // Strike-slip against dip-slip component of the slip within the plane.
    const double dd = d.dip_direction * kDeg;
    const Vec3 strike{-std::cos(dd), std::sin(dd), 0.0};  // dip direction minus 90 degrees
    const double strike_part = std::fabs(dot(s, strike));
    const Vec3 down_dip = normalized(cross(strike, n));
    const double dip_part = std::fabs(dot(s, down_dip));
    if (strike_part > dip_part) {
        // Dextral when the hanging wall's horizontal motion turns clockwise from
        // the dip direction; the engine tests the written trend of the line.
        const double w = std::sin((d.trend - d.dip_direction) * kDeg);
        const bool clockwise = slip_is_line ? w > 0 : w < 0;
        d.sense = clockwise ? 'D' : 'S';
    } else {
        d.sense = slip_is_line ? 'N' : 'R';
    }
    return d;
}

namespace {

Vec3 random_unit(Random& rng) {
    Vec3 v;
    double r2;
    do {
        v = {rng.gaussian(), rng.gaussian(), rng.gaussian()};
        r2 = dot(v, v);
    } while (r2 < 1e-12);
    return normalized(v);
}

// v moved by a Gaussian angle of `sigma` radians in each tangent direction.
Vec3 perturbed(const Vec3& v, double sigma, Random& rng) {
    if (sigma <= 0) return v;
    const Vec3 g{rng.gaussian(), rng.gaussian(), rng.gaussian()};
    const double along = dot(g, v);
    Vec3 w;
    for (int i = 0; i < 3; ++i) w[i] = v[i] + sigma * (g[i] - along * v[i]);
    return normalized(w);
}

struct PlaneSlip {
    Vec3 normal_down;
    Vec3 slip;
};

PlaneSlip random_fault(const Mat3& t, double sigma, Random& rng) {
    for (;;) {
        Vec3 n = random_unit(rng);
        if (n[2] > 0) n = {-n[0], -n[1], -n[2]};
        const Vec3 tau = shear_traction(t, n);
        if (std::sqrt(dot(tau, tau)) < 0.05) continue;
        Vec3 s = normalized(tau);
        if (sigma > 0) {
            n = perturbed(n, sigma, rng);
            if (n[2] > 0) n = {-n[0], -n[1], -n[2]};
            s = perturbed(s, sigma, rng);
            const double along = dot(s, n);
            Vec3 in_plane{s[0] - along * n[0], s[1] - along * n[1], s[2] - along * n[2]};
            if (std::sqrt(dot(in_plane, in_plane)) < 1e-6) continue;
            s = normalized(in_plane);
        }
        return {n, s};
    }
}

}  // namespace

std::vector<FaultSlip> synthesize(const SynthOptions& options) {
    Random rng(options.seed);
    const double sigma = options.noise_deg * kDeg;
    std::vector<FaultSlip> data;
    for (const StressState& state : options.states) {
        const Mat3 t = reduced_tensor(state);
        for (std::int32_t i = 0; i < options.per_state; ++i) {
            const PlaneSlip fault = random_fault(t, sigma, rng);
            if (!options.focal) {
                data.push_back(encode_fault_slip(fault.normal_down, fault.slip));
                continue;
            }
            // The auxiliary plane of the double couple: its upward normal is the
            // fault's slip and its hanging-wall slip the fault's upward normal
            // (both negated together when that normal would point down), which
            // leaves the moment tensor n s^T + s n^T unchanged.
            const Vec3 up1{-fault.normal_down[0], -fault.normal_down[1], -fault.normal_down[2]};
            Vec3 up2 = fault.slip;
            Vec3 slip2 = up1;
            if (up2[2] < 0) {
                up2 = {-up2[0], -up2[1], -up2[2]};
                slip2 = {-slip2[0], -slip2[1], -slip2[2]};
            }
            const FaultSlip first = encode_fault_slip(fault.normal_down, fault.slip);
            const FaultSlip second = encode_fault_slip({-up2[0], -up2[1], -up2[2]}, slip2);
            if (rng.uniform() < 0.5) {
                data.push_back(first);
                data.push_back(second);
            } else {
                data.push_back(second);
                data.push_back(first);
            }
        }
    }
    return data;
}

namespace {
// Two decimals; a value that rounds to zero is written without a minus sign.
std::string two_decimals(double v) {
    if (std::fabs(v) < 0.005) v = 0.0;
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    return buf;
}
}  // namespace

std::string format_fault_slip(const FaultSlip& d) {
    return two_decimals(written_azimuth(d.dip_direction)) + " " + two_decimals(d.dip) + " " +
           two_decimals(written_azimuth(d.trend)) + " " + two_decimals(d.plunge) + " " + d.sense;
}

std::string format_data(const std::vector<FaultSlip>& data) {
    std::string text;
    for (const auto& d : data) text += format_fault_slip(d) + "\r\n";
    return text;
}

bool parse_stress_state(const std::string& text, StressState& state, std::string& error) {
    std::string cleaned = text;
    std::replace(cleaned.begin(), cleaned.end(), ',', ' ');
    std::replace(cleaned.begin(), cleaned.end(), '/', ' ');
    std::istringstream in(cleaned);
    double v[5];
    for (double& x : v) {
        if (!(in >> x) || !std::isfinite(x)) {
            error = "stress '" + text + "': expected five numbers: az1 pl1 az3 pl3 phi";
            return false;
        }
    }
    std::string rest;
    if (in >> rest) {
        error = "stress '" + text + "': unexpected '" + rest + "' after the five numbers";
        return false;
    }
    if (v[4] < 0 || v[4] > 1) {
        error = "stress '" + text + "': Phi must lie between 0 and 1";
        return false;
    }
    state = {{v[0], v[1]}, {v[2], v[3]}, v[4]};
    const double c = dot(direction_vector(state.sigma1), direction_vector(state.sigma3));
    const double angle = std::acos(std::clamp(std::fabs(c), 0.0, 1.0)) / kDeg;
    if (angle < 89.5) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.2f", angle);
        error = "stress '" + text + "': sigma1 and sigma3 axes are " + buf +
                " degrees apart, not perpendicular";
        return false;
    }
    return true;
}

std::string format_stress_state(const StressState& s) {
    char buf[128];
    std::snprintf(buf, sizeof buf, "sigma1 %g/%g, sigma3 %g/%g, Phi %g", s.sigma1.az, s.sigma1.pl,
                  s.sigma3.az, s.sigma3.pl, s.phi);
    return buf;
}

}  // namespace quillon::tools
