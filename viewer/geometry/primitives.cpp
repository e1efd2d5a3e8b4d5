#include "viewer/geometry/primitives.h"

#include <cmath>

namespace quillon::viewer {

bool isUndefinedDirection(const Direction& d) { return std::isnan(d.az) && std::isnan(d.pl); }

Direction makeDirection(float az, float pl) { return Direction{az, pl}; }
Vector3 makeVector(float x, float y, float z) { return Vector3{x, y, z}; }

Polar directionToPolar(const Direction& d) {
    return Polar{static_cast<float>(double(d.pl) + 90.0), static_cast<float>(90.0 - double(d.az))};
}

Direction polarToDirection(const Polar& p) {
    return Direction{static_cast<float>(90.0 - double(p.phi)), static_cast<float>(double(p.theta) - 90.0)};
}

Vector3 directionToVector(const Direction& d) {
    // theta and phi of the polar form, taken from the unrounded sums.
    const double theta = (double(d.pl) + 90.0) * kDegToRad;
    const double phi = (90.0 - double(d.az)) * kDegToRad;
    return Vector3{static_cast<float>(std::sin(theta) * std::cos(phi)),
                   static_cast<float>(std::sin(theta) * std::sin(phi)),
                   static_cast<float>(std::cos(theta))};
}

Vector3 directionToVector(float az, float pl) { return directionToVector(Direction{az, pl}); }

Polar vectorToPolar(const Vector3& v, const MessageSink& sink) {
    const double x = v.x, y = v.y, z = v.z;
    const float len = static_cast<float>(std::sqrt(x * x + y * y + z * z));
    if (len == 0.0f) {
        report(sink, "Zero divide");
        return Polar{0.0f, 0.0f};
    }
    double c = z / double(len);
    if (c > 1.0) c = 1.0;
    if (c < -1.0) c = -1.0;
    return Polar{static_cast<float>(std::acos(c) * kRadToDeg),
                  static_cast<float>(std::atan2(y, x) * kRadToDeg)};
}

Direction vectorToDirection(const Vector3& v, const MessageSink& sink) {
    return polarToDirection(vectorToPolar(v, sink));
}

float angleMod(float x, float m) {
    const double t = double(x) + 2.0 * double(m);
    return static_cast<float>(t - double(m) * std::trunc(t / double(m)));
}

float angleBetweenAzimuths(float a1, float a2) {
    const Vector3 A = directionToVector(a1, 0.0f);
    const Vector3 B = directionToVector(a2, 0.0f);
    double c = crossProduct(B, A).z;
    if (std::fabs(c) > 1.0) c = c > 0 ? 1.0 : -1.0;
    return static_cast<float>(std::asin(c) * kRadToDeg);
}

float dotProduct(const Vector3& a, const Vector3& b) {
    return static_cast<float>(double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z);
}

Vector3 crossProduct(const Vector3& a, const Vector3& b) {
    return Vector3{static_cast<float>(double(a.y) * b.z - double(a.z) * b.y),
                   static_cast<float>(double(a.z) * b.x - double(a.x) * b.z),
                   static_cast<float>(double(a.x) * b.y - double(a.y) * b.x)};
}

float vectorLength(const Vector3& v) {
    return static_cast<float>(std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z));
}

Vector3 normalizeVector(const Vector3& v) {
    const double len = std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
    if (len < 1e-7) return zeroVector();
    return Vector3{static_cast<float>(v.x / len), static_cast<float>(v.y / len),
                   static_cast<float>(v.z / len)};
}

Vector3 negateVector(const Vector3& v) { return Vector3{-v.x, -v.y, -v.z}; }

Vector3 addVectors(const Vector3& a, const Vector3& b) {
    return Vector3{static_cast<float>(double(a.x) + b.x), static_cast<float>(double(a.y) + b.y),
                   static_cast<float>(double(a.z) + b.z)};
}

Vector3 subtractVectors(const Vector3& a, const Vector3& b) {
    return Vector3{static_cast<float>(double(a.x) - b.x), static_cast<float>(double(a.y) - b.y),
                   static_cast<float>(double(a.z) - b.z)};
}

Vector3 scaleVector(const Vector3& v, float s) {
    return Vector3{static_cast<float>(double(v.x) * s), static_cast<float>(double(v.y) * s),
                   static_cast<float>(double(v.z) * s)};
}

Vector3 zeroVector() { return Vector3{0.0f, 0.0f, 0.0f}; }
Matrix3 zeroMatrix() { return Matrix3{}; }

bool isShorterThan(const Vector3& v, float x) {
    return double(x) * x > double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z;
}

Vector3 projectOntoPlane(const Vector3& v, const Vector3& n) {
    const double nv[3] = {n.x, n.y, n.z};
    const double vv[3] = {v.x, v.y, v.z};
    float out[3];
    for (int i = 0; i < 3; ++i) {
        double s = 0.0;
        for (int j = 0; j < 3; ++j) s += ((i == j ? 1.0 : 0.0) - nv[i] * nv[j]) * vv[j];
        out[i] = static_cast<float>(s);
    }
    return Vector3{out[0], out[1], out[2]};
}

Vector3 matrixVectorProduct(const Matrix3& m, const Vector3& v) {
    const double vv[3] = {v.x, v.y, v.z};
    float out[3];
    for (int i = 0; i < 3; ++i) {
        double s = 0.0;
        for (int j = 0; j < 3; ++j) s += double(m.a[i][j]) * vv[j];
        out[i] = static_cast<float>(s);
    }
    return Vector3{out[0], out[1], out[2]};
}

Matrix3 matrixProduct(const Matrix3& a, const Matrix3& b) {
    Matrix3 c;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double s = 0.0;
            for (int k = 0; k < 3; ++k) s += double(a.a[i][k]) * b.a[k][j];
            c.a[i][j] = static_cast<float>(s);
        }
    return c;
}

Matrix3 transposeMatrix(const Matrix3& m) {
    Matrix3 t;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) t.a[i][j] = m.a[j][i];
    return t;
}

Matrix3 eulerRotationMatrix(float theta, float phi, float psi) {
    const double c1 = std::cos(theta * kDegToRad), s1 = std::sin(theta * kDegToRad);
    const double c2 = std::cos(phi * kDegToRad), s2 = std::sin(phi * kDegToRad);
    const double c3 = std::cos(psi * kDegToRad), s3 = std::sin(psi * kDegToRad);
    const double r[3][3] = {{c3 * c2 - c1 * s2 * s3, -s3 * c2 - c1 * s2 * c3, s1 * s2},
                            {c3 * s2 + c1 * c2 * s3, -s3 * s2 + c1 * c2 * c3, -s1 * c2},
                            {s1 * s3, s1 * c3, c1}};
    Matrix3 m;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) m.a[i][j] = static_cast<float>(r[i][j]);
    return m;
}

}  // namespace quillon::viewer
