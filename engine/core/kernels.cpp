// Geometry and counting primitives of the engine.
//
// Stored values (vectors, matrices, tensors) are single precision; every sum and
// product is formed in double and rounded to single where a value is stored, so
// that the results do not depend on the compiler's choice of float evaluation.
#include "engine/core/kernels.h"

#include <cmath>

namespace quillon::engine {

namespace {

constexpr double kLn2To31 = 21.487562596892644;  // ln 2^31
constexpr double kZeroLength = 0x1p-22;          // 2.3841858e-07f: shorter vectors have no direction

}  // namespace

std::int32_t nint(double x) {
    // std::round rounds halves away from zero.
    return static_cast<std::int32_t>(std::round(x));
}

Vec3f direction_to_vector(float az, float pl) {
    // Spherical angles: theta from the Up axis, phi counter-clockwise from East.
    const float theta = static_cast<float>(static_cast<double>(pl) + kHalfPi);
    const float phi = static_cast<float>(static_cast<double>(kHalfPi) - az);
    const double st = std::sin(static_cast<double>(theta));
    return {static_cast<float>(st * std::cos(static_cast<double>(phi))),
            static_cast<float>(st * std::sin(static_cast<double>(phi))),
            static_cast<float>(std::cos(static_cast<double>(theta)))};
}

AzPl plane_to_pole(float dip_direction, float dip) {
    // The downward normal points away from the dip direction; the azimuth is
    // left unreduced, the trigonometric functions take it as it is.
    return {static_cast<float>(static_cast<double>(dip_direction) + kPi),
            static_cast<float>(static_cast<double>(kHalfPi) - dip)};
}

Vec3f cross_product(const Vec3f& b, const Vec3f& a) {
    const double bx = b[0], by = b[1], bz = b[2];
    const double ax = a[0], ay = a[1], az = a[2];
    return {static_cast<float>(by * az - bz * ay),
            static_cast<float>(bz * ax - bx * az),
            static_cast<float>(bx * ay - by * ax)};
}

Vec3f normalize_vector(const Vec3f& v) {
    const double x = v[0], y = v[1], z = v[2];
    const double r = std::sqrt(0.0 + x * x + y * y + z * z);
    if (!(r >= kZeroLength)) return {0.0f, 0.0f, 0.0f};  // also catches NaN
    return {static_cast<float>(x / r), static_cast<float>(y / r), static_cast<float>(z / r)};
}

float strike_slip_sign(float dip_direction, float slip_trend) {
    const Vec3f a = direction_to_vector(dip_direction, 0.0f);
    const Vec3f b = direction_to_vector(slip_trend, 0.0f);
    const Vec3f w = cross_product(b, a);
    // w_z = sin(trend - dip direction); exactly 0 when the two are equal.
    double wz = w[2];
    if (wz > 1.0) wz = 1.0;
    if (wz < -1.0) wz = -1.0;
    return static_cast<float>(std::asin(wz));
}

void prepare_fault_data(std::vector<FaultDatum>& fault_data) {
    for (FaultDatum& d : fault_data) {
        const float dd = d.dip_direction * kDegToRad;
        const float dip = d.dip * kDegToRad;
        const float trend = d.slip_trend * kDegToRad;
        const float plunge = d.slip_plunge * kDegToRad;

        const AzPl pole = plane_to_pole(dd, dip);
        d.normal = direction_to_vector(pole.az, pole.pl);
        d.slip = direction_to_vector(trend, plunge);

        // Turn the striation into the motion of the hanging wall.
        bool reverse = false;
        switch (d.sense) {
            case 'R': case 'r': reverse = true; break;
            case 'D': case 'd': reverse = strike_slip_sign(dd, trend) < 0.0f; break;
            case 'S': case 's': reverse = strike_slip_sign(dd, trend) > 0.0f; break;
            default: break;  // N, n: the striation as given
        }
        if (reverse) {
            for (float& c : d.slip) c = -c;
        }
    }
}

Tensor3f stress_state_tensor(float s1_az, float s1_pl, float s3_az, float s3_pl, float phi) {
    const Vec3f e1 = direction_to_vector(s1_az, s1_pl);
    const Vec3f e3 = direction_to_vector(s3_az, s3_pl);
    // sigma2 = e3 x e1, neither normalised nor checked for orthogonality.
    const Vec3f e2 = cross_product(e3, e1);
    // R diag(1, Phi, 0) R^T with R = [e1 e2 e3].
    Tensor3f t{};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            const double v = static_cast<double>(e1[i]) * e1[j] +
                             static_cast<double>(phi) * e2[i] * e2[j];
            t[i * 3 + j] = static_cast<float>(v);
        }
    }
    return t;
}

Projector plane_projector(const Vec3f& n) {
    // P = I - n n^T.
    Projector p{};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            p[i * 3 + j] = static_cast<float>((i == j ? 1.0 : 0.0) - static_cast<double>(n[i]) * n[j]);
        }
    }
    return p;
}

Vec3f shear_direction(const Tensor3f& s, const Vec3f& n, const Projector& p) {
    // Traction t = S n.
    Vec3f t{};
    for (int i = 0; i < 3; ++i) {
        t[i] = static_cast<float>(0.0 + static_cast<double>(s[i * 3 + 0]) * n[0] +
                                  static_cast<double>(s[i * 3 + 1]) * n[1] +
                                  static_cast<double>(s[i * 3 + 2]) * n[2]);
    }
    // Shear part of the traction, tau = P t.
    Vec3f tau{};
    for (int i = 0; i < 3; ++i) {
        tau[i] = static_cast<float>(0.0 + static_cast<double>(p[i * 3 + 0]) * t[0] +
                                    static_cast<double>(p[i * 3 + 1]) * t[1] +
                                    static_cast<double>(p[i * 3 + 2]) * t[2]);
    }
    return normalize_vector(tau);
}

Vec3f shear_direction(const Tensor3f& s, const Vec3f& n) { return shear_direction(s, n, plane_projector(n)); }

double misfit_cosine_of_unit(const Vec3f& u, const Vec3f& b) {
    const Vec3f a = normalize_vector(u);
    double q = 0.0 + static_cast<double>(a[0]) * b[0] + static_cast<double>(a[1]) * b[1] +
               static_cast<double>(a[2]) * b[2];
    // Rounding can push the cosine just outside [-1, 1].
    if (q > 1.0) {
        q = 1.0;
    } else if (q < -1.0) {
        q = -1.0;
    }
    return q;
}

double misfit_angle(const Vec3f& u, const Vec3f& v) { return std::acos(misfit_cosine_of_unit(u, normalize_vector(v))); }

float misfit_degrees_of_cosine(double q) { return static_cast<float>(std::acos(q) * static_cast<double>(kRadToDeg)); }

float misfit_degrees(const Tensor3f& s, const FaultDatum& d) {
    const Vec3f u = shear_direction(s, d.normal);
    return misfit_degrees_of_cosine(misfit_cosine_of_unit(u, normalize_vector(d.slip)));
}

std::int32_t count_subsets(std::int32_t n, std::int32_t k) {
    if (k <= 0) return 1;
    if (n < k) return 0;  // no k-subset of fewer than k data
    double num = 0.0;
    double den = 0.0;
    double x = n;
    double y = 1.0;
    for (std::int32_t i = 0; i < k; ++i) {
        num += std::log(x);
        den += std::log(y);
        x -= 1.0;
        y += 1.0;
    }
    if (num - den >= kLn2To31) return -1;
    return nint(std::exp(num - den));
}

}  // namespace quillon::engine
