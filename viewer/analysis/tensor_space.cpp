#include "viewer/analysis/tensor_space.h"

#include <algorithm>
#include <cmath>

#include "viewer/model/stress_statistics.h"

namespace quillon::viewer {
namespace {

const double kSqrt2 = std::sqrt(2.0);
const double kSqrt6 = std::sqrt(6.0);

Vector3d downward(const Matrix3d& E, int column) {
    Vector3d v{E.a[0][column], E.a[1][column], E.a[2][column]};
    if (v[2] > 0.0) v = {-v[0], -v[1], -v[2]};
    return v;
}

}  // namespace

Vector5 fiveVectorOfTensor(const Matrix3d& T) {
    const auto& t = T.a;
    return {(t[0][0] - t[1][1]) / kSqrt2, (2.0 * t[2][2] - t[0][0] - t[1][1]) / kSqrt6,
            kSqrt2 * 0.5 * (t[0][1] + t[1][0]), kSqrt2 * 0.5 * (t[0][2] + t[2][0]),
            kSqrt2 * 0.5 * (t[1][2] + t[2][1])};
}

Matrix3d tensorOfFiveVector(const Vector5& x) {
    Matrix3d T;
    T.a[0][0] = x[0] / kSqrt2 - x[1] / kSqrt6;
    T.a[1][1] = -x[0] / kSqrt2 - x[1] / kSqrt6;
    T.a[2][2] = 2.0 * x[1] / kSqrt6;
    T.a[0][1] = T.a[1][0] = x[2] / kSqrt2;
    T.a[0][2] = T.a[2][0] = x[3] / kSqrt2;
    T.a[1][2] = T.a[2][1] = x[4] / kSqrt2;
    return T;
}

double dot5(const Vector5& a, const Vector5& b) {
    double s = 0.0;
    for (int k = 0; k < 5; ++k) s += a[k] * b[k];
    return s;
}

Vector5 normalized5(const Vector5& x) {
    const double len = std::sqrt(dot5(x, x));
    if (len == 0.0) return x;
    Vector5 y;
    for (int k = 0; k < 5; ++k) y[k] = x[k] / len;
    return y;
}

double angleBetween5(const Vector5& a, const Vector5& b) {
    const double c = dot5(normalized5(a), normalized5(b));
    return std::acos(std::clamp(c, -1.0, 1.0)) * kRadToDeg;
}

Vector5 unitFiveVector(const StressState& s) {
    const Matrix3 t = tensorOfStressState(s.axis[Sigma1], s.axis[Sigma3], s.stressRatio);
    Matrix3d T;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) T.a[i][j] = t.a[i][j];
    return normalized5(fiveVectorOfTensor(T));
}

PrincipalStress principalStress(const Vector5& x) {
    const EigenSystem es = eigenVectors(tensorOfFiveVector(x));
    PrincipalStress p;
    p.sigma1 = downward(es.E, 0);
    p.sigma3 = downward(es.E, 2);
    const double spread = es.L[0] - es.L[2];
    p.phi = spread > 0.0 ? std::clamp((es.L[1] - es.L[2]) / spread, 0.0, 1.0) : 0.0;
    return p;
}

StressState stressStateOf(const Vector5& x) {
    const PrincipalStress p = principalStress(x);
    auto direction = [](const Vector3d& v) {
        const double horizontal = std::hypot(v[0], v[1]);
        double az = std::atan2(v[0], v[1]) * kRadToDeg;
        if (az < 0.0) az += 360.0;
        if (az >= 360.0) az -= 360.0;
        return Direction{static_cast<float>(az), static_cast<float>(std::atan2(-v[2], horizontal) * kRadToDeg)};
    };
    StressState s;
    s.axis[Sigma1] = direction(p.sigma1);
    s.axis[Sigma3] = direction(p.sigma3);
    s.stressRatio = static_cast<float>(p.phi);
    return s;
}

double axisAngle(const Vector3d& a, const Vector3d& b) {
    const double c = std::fabs(a[0] * b[0] + a[1] * b[1] + a[2] * b[2]);
    return std::acos(std::min(c, 1.0)) * kRadToDeg;
}

double shmaxAzimuth(const Vector5& x) {
    const Matrix3d T = tensorOfFiveVector(x);
    // Largest eigenvalue of [[Txx, Txy], [Txy, Tyy]] (x East, y North): its direction makes
    // the angle psi with East where tan 2 psi = 2 Txy / (Txx - Tyy).
    const double psi = 0.5 * std::atan2(2.0 * T.a[0][1], T.a[0][0] - T.a[1][1]);
    double az = 90.0 - psi * kRadToDeg;  // from East counter-clockwise to from North clockwise
    az = std::fmod(az, 180.0);
    if (az < 0.0) az += 180.0;
    return az;
}

double azimuthLineDifference(double a, double b) {
    double d = std::fmod(std::fabs(a - b), 180.0);
    return d > 90.0 ? 180.0 - d : d;
}

std::array<Vector5, 4> tangentBasis(const Vector5& x) {
    // Gram-Schmidt on the four coordinate axes along which x is smallest: the axis
    // left out carries at least 1/sqrt(5) of x, so the four stay well independent.
    int order[5] = {0, 1, 2, 3, 4};
    std::stable_sort(order, order + 5, [&x](int a, int b) { return std::fabs(x[a]) < std::fabs(x[b]); });
    std::array<Vector5, 4> basis{};
    for (int found = 0; found < 4; ++found) {
        Vector5 v{};
        v[order[found]] = 1.0;
        const double along = dot5(v, x);
        for (int k = 0; k < 5; ++k) v[k] -= along * x[k];
        for (int j = 0; j < found; ++j) {
            const double p = dot5(v, basis[j]);
            for (int k = 0; k < 5; ++k) v[k] -= p * basis[j][k];
        }
        basis[found] = normalized5(v);
    }
    return basis;
}

}  // namespace quillon::viewer
