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

// A direction: azimuth and plunge in degrees.  A plane is carried as the Tazpl of
// its dip direction (az) and dip (pl).
struct Tazpl {
    float az = 0.0f;
    float pl = 0.0f;
};

struct Tvector {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

// Row by row: a[i][j] is row i + 1, column j + 1.
struct Tmatrix {
    float a[3][3] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
};

// theta: angle from +z (Up), 0..180; phi: angle in the horizontal plane from +x (East)
// counter-clockwise towards +y (North), -180..180.
struct Tpolar {
    float theta = 0.0f;
    float phi = 0.0f;
};

inline bool operator==(const Tazpl& a, const Tazpl& b) { return a.az == b.az && a.pl == b.pl; }
inline bool operator==(const Tvector& a, const Tvector& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

// The undefined direction: both fields a quiet NaN.  It marks a missing theoretical
// slip direction and a stress axis that has not been designated.
inline Tazpl UndefinedDirection() {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    return Tazpl{nan, nan};
}
bool IsUndefinedDirection(const Tazpl& d);

Tazpl Azpl(float az, float pl);
Tvector Vector(float x, float y, float z);

Tpolar AzplToPolar(const Tazpl& d);  // theta = pl + 90, phi = 90 - az
Tazpl PolarToAzpl(const Tpolar& p);  // az = 90 - phi, pl = theta - 90

Tvector AzplToVector(const Tazpl& d);
Tvector AzplToVector(float az, float pl);

// The zero vector reports "Zero divide" to `sink` and gives theta = 0, phi = 0.
Tpolar VectorToPolar(const Tvector& v, const MessageSink& sink = {});
// Not folded: az in [-90, 270), pl in [-90, 90]; an upward vector has a negative plunge.
// The zero vector reports "Zero divide" and gives az 90, pl -90.
Tazpl VectorToAzpl(const Tvector& v, const MessageSink& sink = {});

// x folded into [0, m) for x >= -2m: t = x + 2m; t - m trunc(t / m).
float AngleMod(float x, float m);
// The acute angle from azimuth a1 to a2 in [-90, 90], positive clockwise.
float AngleBetweenAzimuths(float a1, float a2);

float DotProduct(const Tvector& a, const Tvector& b);
Tvector CrossProduct(const Tvector& a, const Tvector& b);
float VectorLength(const Tvector& v);
// Unit vector, or the zero vector when the length is below 1e-7.
Tvector NormalizeVector(const Tvector& v);
Tvector NegateVector(const Tvector& v);
Tvector AddVectors(const Tvector& a, const Tvector& b);
Tvector SubtractVectors(const Tvector& a, const Tvector& b);
Tvector ScaleVector(const Tvector& v, float s);
Tvector ZeroVector();
Tmatrix ZeroMatrix();
// True when x * x > v . v.
bool IsShorterThan(const Tvector& v, float x);
// (I - n n^T) v: the part of v lying in the plane of unit normal n.
Tvector ProjectOntoPlane(const Tvector& v, const Tvector& n);

Tvector MatrixVectorProduct(const Tmatrix& m, const Tvector& v);
Tmatrix MatrixProduct(const Tmatrix& a, const Tmatrix& b);
Tmatrix TransposeMatrix(const Tmatrix& m);
// Rz(phi) Rx(theta) Rz(psi), angles in degrees.
Tmatrix EulerRotationMatrix(float theta, float phi, float psi);

}  // namespace quillon::viewer
