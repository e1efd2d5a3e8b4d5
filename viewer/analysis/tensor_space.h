// Reduced stress states as points of the unit sphere in the five-dimensional space of
// trace-free symmetric tensors.  The angle between two points is the angular stress
// distance; the clustering, the refinement and the bootstrap all work on these points
// and turn them back into axes and a stress ratio only for the answer.  Double
// precision throughout; angles on the interface are degrees.
#pragma once

#include <array>

#include "viewer/geometry/eigen.h"
#include "viewer/model/result_model.h"

namespace quillon::viewer {

using Vector5 = std::array<double, 5>;

// Coordinates of the trace-free part of T in an orthonormal basis of trace-free
// tensors: the Euclidean length equals the Frobenius norm of that part.
Vector5 fiveVectorOfTensor(const Matrix3d& T);
// The trace-free tensor of a five-vector (inverse of fiveVectorOfTensor).
Matrix3d tensorOfFiveVector(const Vector5& x);

double dot5(const Vector5& a, const Vector5& b);
// x / |x|; the zero vector stays zero.
Vector5 normalized5(const Vector5& x);
// Angle in degrees between two five-vectors, 0 to 180.
double angleBetween5(const Vector5& a, const Vector5& b);

// The unit point of a state, built from the same tensor as the global average.
Vector5 unitFiveVector(const StressState& s);

// Principal axes (unit vectors in the East, North, Up frame, pointing down or
// horizontal) and stress ratio of a point, in double precision.
struct PrincipalStress {
    Vector3d sigma1{};
    Vector3d sigma3{};
    double phi = 0.0;
};
PrincipalStress principalStress(const Vector5& x);
// The same as a StressState: azimuths in [0, 360), plunges downward.
StressState stressStateOf(const Vector5& x);

// Angle in degrees between two axes (lines, not arrows): 0 to 90.
double axisAngle(const Vector3d& a, const Vector3d& b);

// Azimuth of the maximum horizontal compressive stress, 0 to 180: the direction of the
// largest eigenvalue of the horizontal 2 x 2 part of the tensor (compression positive).
double shmaxAzimuth(const Vector5& x);
// Difference of two azimuths of lines, 0 to 90.
double azimuthLineDifference(double a, double b);

// Four orthonormal tangent vectors of the sphere at the unit point x, from the
// coordinate axes by Gram-Schmidt: the same x always gives the same basis.
std::array<Vector5, 4> tangentBasis(const Vector5& x);

}  // namespace quillon::viewer
