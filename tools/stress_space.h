// The space of reduced stress states, seen as the unit 4-sphere of trace-free
// tensors. A reduced stress state (sigma1 axis, sigma3 axis, Phi) maps to the
// five-vector of its trace-free tensor; the angle between two five-vectors is
// the angular stress distance. The inverse map recovers the axes (lower
// hemisphere) and Phi through an eigen-decomposition. Everything here is double
// precision; angles on the interface are degrees.
#pragma once

#include <array>

namespace quillon::tools {

using Vec3 = std::array<double, 3>;
using Mat3 = std::array<std::array<double, 3>, 3>;  // m[row][column], symmetric here
using Vec5 = std::array<double, 5>;

inline constexpr double kPi = 3.14159265358979323846;
inline constexpr double kDeg = kPi / 180.0;

// A direction: azimuth clockwise from north, plunge positive downward, degrees.
struct Direction {
    double az = 0;
    double pl = 0;
};

// A reduced stress state: principal values 1, Phi, 0 along sigma1, sigma2, sigma3
// (compression positive), sigma2 along sigma3 x sigma1.
struct StressState {
    Direction sigma1;
    Direction sigma3;
    double phi = 0;
};

// Unit vector of a direction in the East, North, Up frame:
// (cos pl sin az, cos pl cos az, -sin pl).
Vec3 direction_vector(const Direction& d);
// Direction of a non-zero vector, brought to the lower hemisphere (plunge >= 0,
// the vector negated when it points up) with the azimuth in [0, 360).
Direction lower_hemisphere_direction(const Vec3& v);

double dot(const Vec3& a, const Vec3& b);
Vec3 cross(const Vec3& a, const Vec3& b);
Vec3 normalized(const Vec3& v);

// Reduced stress tensor e1 e1^T + Phi e2 e2^T with e2 = e3 x e1.
Mat3 reduced_tensor(const StressState& s);

// Eigen-decomposition of a symmetric 3x3 matrix by cyclic Jacobi rotations.
// Values are sorted descending; vectors[i] is the unit eigenvector of values[i].
// Accurate to a few units of the last place for any symmetric input.
struct Eigen3 {
    std::array<double, 3> values;
    std::array<Vec3, 3> vectors;
};
Eigen3 symmetric_eigen(const Mat3& m);

// Five-vector of the trace-free part of a symmetric tensor, scaled so that its
// Euclidean length is the Frobenius norm of that trace-free part divided by sqrt(2).
Vec5 five_vector_of_tensor(const Mat3& t);
// Symmetric trace-free tensor whose five-vector is x (inverse of the map above).
Mat3 tensor_of_five_vector(const Vec5& x);

// Unit five-vector of a reduced stress state (a point of the 4-sphere).
Vec5 five_vector(const StressState& s);
// Reduced stress state of a non-zero five-vector: sigma1 and sigma3 are the
// eigenvectors of the largest and smallest eigenvalue, in the lower hemisphere,
// Phi = (l2 - l3) / (l1 - l3).
StressState stress_state_of_five_vector(const Vec5& x);

double dot5(const Vec5& a, const Vec5& b);
Vec5 normalized5(const Vec5& x);

// Angle in degrees between two five-vectors (they need not be unit length).
double angle_between_deg(const Vec5& a, const Vec5& b);
// Angular stress distance between two reduced stress states, degrees, 0 to 180.
double angular_stress_distance_deg(const StressState& a, const StressState& b);

}  // namespace quillon::tools
