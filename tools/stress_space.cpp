#include "tools/stress_space.h"

#include <algorithm>
#include <cmath>

namespace quillon::tools {

Vec3 direction_vector(const Direction& d) {
    const double az = d.az * kDeg;
    const double pl = d.pl * kDeg;
    return {std::cos(pl) * std::sin(az), std::cos(pl) * std::cos(az), -std::sin(pl)};
}

Direction lower_hemisphere_direction(const Vec3& v) {
    Vec3 u = normalized(v);
    if (u[2] > 0) u = {-u[0], -u[1], -u[2]};
    const double horizontal = std::hypot(u[0], u[1]);
    Direction d;
    d.pl = std::atan2(-u[2], horizontal) / kDeg;
    // A vertical line has no azimuth of its own; it gets 0.
    d.az = horizontal > 0 ? std::atan2(u[0], u[1]) / kDeg : 0.0;
    if (d.az < 0) d.az += 360.0;
    if (d.az >= 360.0) d.az -= 360.0;
    return d;
}

double dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

Vec3 normalized(const Vec3& v) {
    const double r = std::sqrt(dot(v, v));
    if (r == 0) return {0, 0, 0};
    return {v[0] / r, v[1] / r, v[2] / r};
}

Mat3 reduced_tensor(const StressState& s) {
    const Vec3 e1 = direction_vector(s.sigma1);
    const Vec3 e3 = direction_vector(s.sigma3);
    const Vec3 e2 = cross(e3, e1);
    Mat3 t{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) t[i][j] = e1[i] * e1[j] + s.phi * e2[i] * e2[j];
    return t;
}

Eigen3 symmetric_eigen(const Mat3& m) {
    Mat3 a = m;
    Mat3 v{};
    for (int i = 0; i < 3; ++i) v[i][i] = 1.0;
    for (int sweep = 0; sweep < 64; ++sweep) {
        const double off = a[0][1] * a[0][1] + a[0][2] * a[0][2] + a[1][2] * a[1][2];
        const double diag = a[0][0] * a[0][0] + a[1][1] * a[1][1] + a[2][2] * a[2][2];
        if (off == 0 || off <= 1e-36 * diag) break;
        for (int p = 0; p < 2; ++p) {
            for (int q = p + 1; q < 3; ++q) {
                if (a[p][q] == 0) continue;
                // Rotation in the (p, q) plane that zeroes a[p][q].
                const double theta = (a[q][q] - a[p][p]) / (2.0 * a[p][q]);
                const double t = (theta >= 0 ? 1.0 : -1.0) /
                                 (std::fabs(theta) + std::sqrt(theta * theta + 1.0));
                const double c = 1.0 / std::sqrt(t * t + 1.0);
                const double s = t * c;
                for (int k = 0; k < 3; ++k) {
                    const double akp = a[k][p];
                    const double akq = a[k][q];
                    a[k][p] = c * akp - s * akq;
                    a[k][q] = s * akp + c * akq;
                }
                for (int k = 0; k < 3; ++k) {
                    const double apk = a[p][k];
                    const double aqk = a[q][k];
                    a[p][k] = c * apk - s * aqk;
                    a[q][k] = s * apk + c * aqk;
                }
                for (int k = 0; k < 3; ++k) {
                    const double vkp = v[k][p];
                    const double vkq = v[k][q];
                    v[k][p] = c * vkp - s * vkq;
                    v[k][q] = s * vkp + c * vkq;
                }
            }
        }
    }
    std::array<int, 3> order{0, 1, 2};
    std::sort(order.begin(), order.end(), [&](int i, int j) { return a[i][i] > a[j][j]; });
    Eigen3 e{};
    for (int r = 0; r < 3; ++r) {
        const int c = order[r];
        e.values[r] = a[c][c];
        e.vectors[r] = normalized({v[0][c], v[1][c], v[2][c]});
    }
    return e;
}

namespace {
// Coefficients of the diagonal part of the five-vector map.
const double kQ = std::sqrt(2.0) / 4.0;
const double kR = std::sqrt(6.0) / 12.0;
const double kS = 1.0 / std::sqrt(6.0);
}  // namespace

Vec5 five_vector_of_tensor(const Mat3& t) {
    return {-(kQ + kR) * t[0][0] + (kQ - kR) * t[1][1] + kS * t[2][2],
            (kQ - kR) * t[0][0] - (kQ + kR) * t[1][1] + kS * t[2][2],
            0.5 * (t[1][2] + t[2][1]), 0.5 * (t[2][0] + t[0][2]), 0.5 * (t[0][1] + t[1][0])};
}

Mat3 tensor_of_five_vector(const Vec5& x) {
    // For a trace-free diagonal (a, b, -a-b): x1 = -A a - B b, x2 = -B a - A b.
    const double a_coef = kQ + kR + kS;
    const double b_coef = kS - kQ + kR;
    const double det = a_coef * a_coef - b_coef * b_coef;
    const double a = -(a_coef * x[0] - b_coef * x[1]) / det;
    const double b = -(a_coef * x[1] - b_coef * x[0]) / det;
    Mat3 t{};
    t[0][0] = a;
    t[1][1] = b;
    t[2][2] = -a - b;
    t[1][2] = t[2][1] = x[2];
    t[2][0] = t[0][2] = x[3];
    t[0][1] = t[1][0] = x[4];
    return t;
}

double dot5(const Vec5& a, const Vec5& b) {
    double s = 0;
    for (int i = 0; i < 5; ++i) s += a[i] * b[i];
    return s;
}

Vec5 normalized5(const Vec5& x) {
    const double r = std::sqrt(dot5(x, x));
    Vec5 y{};
    if (r == 0) return y;
    for (int i = 0; i < 5; ++i) y[i] = x[i] / r;
    return y;
}

Vec5 five_vector(const StressState& s) { return normalized5(five_vector_of_tensor(reduced_tensor(s))); }

StressState stress_state_of_five_vector(const Vec5& x) {
    const Eigen3 e = symmetric_eigen(tensor_of_five_vector(x));
    StressState s;
    s.sigma1 = lower_hemisphere_direction(e.vectors[0]);
    s.sigma3 = lower_hemisphere_direction(e.vectors[2]);
    const double spread = e.values[0] - e.values[2];
    s.phi = spread > 0 ? std::clamp((e.values[1] - e.values[2]) / spread, 0.0, 1.0) : 0.5;
    return s;
}

double angle_between_deg(const Vec5& a, const Vec5& b) {
    // 2 atan2(|a - b|, |a + b|) of the unit vectors: accurate for small and
    // nearly opposite angles alike, where an arc cosine loses half the digits.
    const Vec5 u = normalized5(a);
    const Vec5 v = normalized5(b);
    double diff = 0, sum = 0;
    for (int i = 0; i < 5; ++i) {
        diff += (u[i] - v[i]) * (u[i] - v[i]);
        sum += (u[i] + v[i]) * (u[i] + v[i]);
    }
    return 2.0 * std::atan2(std::sqrt(diff), std::sqrt(sum)) / kDeg;
}

double angular_stress_distance_deg(const StressState& a, const StressState& b) {
    return angle_between_deg(five_vector(a), five_vector(b));
}

}  // namespace quillon::tools
