#include "viewer/geometry/primitives.h"

#include <cmath>

namespace quillon::viewer {

bool IsUndefinedDirection(const Tazpl& d) { return std::isnan(d.az) && std::isnan(d.pl); }

Tazpl Azpl(float az, float pl) { return Tazpl{az, pl}; }
Tvector Vector(float x, float y, float z) { return Tvector{x, y, z}; }

Tpolar AzplToPolar(const Tazpl& d) {
    return Tpolar{static_cast<float>(double(d.pl) + 90.0), static_cast<float>(90.0 - double(d.az))};
}

Tazpl PolarToAzpl(const Tpolar& p) {
    return Tazpl{static_cast<float>(90.0 - double(p.phi)), static_cast<float>(double(p.theta) - 90.0)};
}

Tvector AzplToVector(const Tazpl& d) {
    // theta and phi of the polar form, taken from the unrounded sums.
    const double theta = (double(d.pl) + 90.0) * kDegToRad;
    const double phi = (90.0 - double(d.az)) * kDegToRad;
    return Tvector{static_cast<float>(std::sin(theta) * std::cos(phi)),
                   static_cast<float>(std::sin(theta) * std::sin(phi)),
                   static_cast<float>(std::cos(theta))};
}

Tvector AzplToVector(float az, float pl) { return AzplToVector(Tazpl{az, pl}); }

Tpolar VectorToPolar(const Tvector& v, const MessageSink& sink) {
    const double x = v.x, y = v.y, z = v.z;
    const float len = static_cast<float>(std::sqrt(x * x + y * y + z * z));
    if (len == 0.0f) {
        Report(sink, "Zero divide");
        return Tpolar{0.0f, 0.0f};
    }
    double c = z / double(len);
    if (c > 1.0) c = 1.0;
    if (c < -1.0) c = -1.0;
    return Tpolar{static_cast<float>(std::acos(c) * kRadToDeg),
                  static_cast<float>(std::atan2(y, x) * kRadToDeg)};
}

Tazpl VectorToAzpl(const Tvector& v, const MessageSink& sink) {
    return PolarToAzpl(VectorToPolar(v, sink));
}

float AngleMod(float x, float m) {
    const double t = double(x) + 2.0 * double(m);
    return static_cast<float>(t - double(m) * std::trunc(t / double(m)));
}

float AngleBetweenAzimuths(float a1, float a2) {
    const Tvector A = AzplToVector(a1, 0.0f);
    const Tvector B = AzplToVector(a2, 0.0f);
    double c = CrossProduct(B, A).z;
    if (std::fabs(c) > 1.0) c = c > 0 ? 1.0 : -1.0;
    return static_cast<float>(std::asin(c) * kRadToDeg);
}

float DotProduct(const Tvector& a, const Tvector& b) {
    return static_cast<float>(double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z);
}

Tvector CrossProduct(const Tvector& a, const Tvector& b) {
    return Tvector{static_cast<float>(double(a.y) * b.z - double(a.z) * b.y),
                   static_cast<float>(double(a.z) * b.x - double(a.x) * b.z),
                   static_cast<float>(double(a.x) * b.y - double(a.y) * b.x)};
}

float VectorLength(const Tvector& v) {
    return static_cast<float>(std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z));
}

Tvector NormalizeVector(const Tvector& v) {
    const double len = std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
    if (len < 1e-7) return ZeroVector();
    return Tvector{static_cast<float>(v.x / len), static_cast<float>(v.y / len),
                   static_cast<float>(v.z / len)};
}

Tvector NegateVector(const Tvector& v) { return Tvector{-v.x, -v.y, -v.z}; }

Tvector AddVectors(const Tvector& a, const Tvector& b) {
    return Tvector{static_cast<float>(double(a.x) + b.x), static_cast<float>(double(a.y) + b.y),
                   static_cast<float>(double(a.z) + b.z)};
}

Tvector SubtractVectors(const Tvector& a, const Tvector& b) {
    return Tvector{static_cast<float>(double(a.x) - b.x), static_cast<float>(double(a.y) - b.y),
                   static_cast<float>(double(a.z) - b.z)};
}

Tvector ScaleVector(const Tvector& v, float s) {
    return Tvector{static_cast<float>(double(v.x) * s), static_cast<float>(double(v.y) * s),
                   static_cast<float>(double(v.z) * s)};
}

Tvector ZeroVector() { return Tvector{0.0f, 0.0f, 0.0f}; }
Tmatrix ZeroMatrix() { return Tmatrix{}; }

bool IsShorterThan(const Tvector& v, float x) {
    return double(x) * x > double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z;
}

Tvector ProjectOntoPlane(const Tvector& v, const Tvector& n) {
    const double nv[3] = {n.x, n.y, n.z};
    const double vv[3] = {v.x, v.y, v.z};
    float out[3];
    for (int i = 0; i < 3; ++i) {
        double s = 0.0;
        for (int j = 0; j < 3; ++j) s += ((i == j ? 1.0 : 0.0) - nv[i] * nv[j]) * vv[j];
        out[i] = static_cast<float>(s);
    }
    return Tvector{out[0], out[1], out[2]};
}

Tvector MatrixVectorProduct(const Tmatrix& m, const Tvector& v) {
    const double vv[3] = {v.x, v.y, v.z};
    float out[3];
    for (int i = 0; i < 3; ++i) {
        double s = 0.0;
        for (int j = 0; j < 3; ++j) s += double(m.a[i][j]) * vv[j];
        out[i] = static_cast<float>(s);
    }
    return Tvector{out[0], out[1], out[2]};
}

Tmatrix MatrixProduct(const Tmatrix& a, const Tmatrix& b) {
    Tmatrix c;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double s = 0.0;
            for (int k = 0; k < 3; ++k) s += double(a.a[i][k]) * b.a[k][j];
            c.a[i][j] = static_cast<float>(s);
        }
    return c;
}

Tmatrix TransposeMatrix(const Tmatrix& m) {
    Tmatrix t;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) t.a[i][j] = m.a[j][i];
    return t;
}

Tmatrix EulerRotationMatrix(float theta, float phi, float psi) {
    const double c1 = std::cos(theta * kDegToRad), s1 = std::sin(theta * kDegToRad);
    const double c2 = std::cos(phi * kDegToRad), s2 = std::sin(phi * kDegToRad);
    const double c3 = std::cos(psi * kDegToRad), s3 = std::sin(psi * kDegToRad);
    const double r[3][3] = {{c3 * c2 - c1 * s2 * s3, -s3 * c2 - c1 * s2 * c3, s1 * s2},
                            {c3 * s2 + c1 * c2 * s3, -s3 * s2 + c1 * c2 * c3, -s1 * c2},
                            {s1 * s3, s1 * c3, c1}};
    Tmatrix m;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) m.a[i][j] = static_cast<float>(r[i][j]);
    return m;
}

}  // namespace quillon::viewer
