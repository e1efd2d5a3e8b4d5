// Directions, vectors and 3 x 3 matrices of the viewer, and the algebra on them.
//
// Frame: right-handed, x East, y North, z Up.  A direction (az, pl) is given in
// degrees, azimuth clockwise from North and plunge positive downward; its unit vector
// is (cos pl sin az, cos pl cos az, -sin pl).  Values are stored in single precision;
// every operation computes in double and rounds its result once.  All operations are
// pure functions returning by value.
#pragma once

#include <limits>

#include "viewer/geometry/message_sink.h"

namespace quillon::viewer {

inline constexpr double kDegToRad = 0.017453292519943295;
inline constexpr double kRadToDeg = 57.29577951308232;

// A direction: azimuth and plunge in degrees.  A plane is carried as the Direction of
// its dip direction (az) and dip (pl).
struct Direction {
    float az = 0.0f;
    float pl = 0.0f;
};

struct Vector3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

// Row by row: a[i][j] is row i + 1, column j + 1.
struct Matrix3 {
    float a[3][3] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
};

// theta: angle from +z (Up), 0..180; phi: angle in the horizontal plane from +x (East)
// counter-clockwise towards +y (North), -180..180.
struct Polar {
    float theta = 0.0f;
    float phi = 0.0f;
};

inline bool operator==(const Direction& a, const Direction& b) { return a.az == b.az && a.pl == b.pl; }
inline bool operator==(const Vector3& a, const Vector3& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

// The undefined direction: both fields a quiet NaN.  It marks a missing theoretical
// slip direction and a stress axis that has not been designated.
inline Direction undefinedDirection() {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    return Direction{nan, nan};
}
bool isUndefinedDirection(const Direction& d);

Direction makeDirection(float az, float pl);
Vector3 makeVector(float x, float y, float z);

Polar directionToPolar(const Direction& d);  // theta = pl + 90, phi = 90 - az
Direction polarToDirection(const Polar& p);  // az = 90 - phi, pl = theta - 90

Vector3 directionToVector(const Direction& d);
Vector3 directionToVector(float az, float pl);

// The zero vector reports "Zero divide" to `sink` and gives theta = 0, phi = 0.
Polar vectorToPolar(const Vector3& v, const MessageSink& sink = {});
// Not folded: az in [-90, 270), pl in [-90, 90]; an upward vector has a negative plunge.
// The zero vector reports "Zero divide" and gives az 90, pl -90.
Direction vectorToDirection(const Vector3& v, const MessageSink& sink = {});

// x folded into [0, m) for x >= -2m: t = x + 2m; t - m trunc(t / m).
float angleMod(float x, float m);
// The acute angle from azimuth a1 to a2 in [-90, 90], positive clockwise.
float angleBetweenAzimuths(float a1, float a2);

float dotProduct(const Vector3& a, const Vector3& b);
Vector3 crossProduct(const Vector3& a, const Vector3& b);
float vectorLength(const Vector3& v);
// Unit vector, or the zero vector when the length is below 1e-7.
Vector3 normalizeVector(const Vector3& v);
Vector3 negateVector(const Vector3& v);
Vector3 addVectors(const Vector3& a, const Vector3& b);
Vector3 subtractVectors(const Vector3& a, const Vector3& b);
Vector3 scaleVector(const Vector3& v, float s);
Vector3 zeroVector();
Matrix3 zeroMatrix();
// True when x * x > v . v.
bool isShorterThan(const Vector3& v, float x);
// (I - n n^T) v: the part of v lying in the plane of unit normal n.
Vector3 projectOntoPlane(const Vector3& v, const Vector3& n);

Vector3 matrixVectorProduct(const Matrix3& m, const Vector3& v);
Matrix3 matrixProduct(const Matrix3& a, const Matrix3& b);
Matrix3 transposeMatrix(const Matrix3& m);
// Rz(phi) Rx(theta) Rz(psi), angles in degrees.
Matrix3 eulerRotationMatrix(float theta, float phi, float psi);

}  // namespace quillon::viewer
