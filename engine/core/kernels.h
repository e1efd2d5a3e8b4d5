// Geometry and counting primitives of the engine. Angles in radians; vectors in
// the East/North/Up frame; stored values single precision, intermediates double.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/core/tables.h"

namespace quillon::engine {

inline constexpr float kDegToRad = 0.017453292f;
inline constexpr float kRadToDeg = 57.29578f;
inline constexpr float kHalfPi = 1.5707964f;
inline constexpr float kPi = 3.1415927f;

struct AzPl {
    float az;
    float pl;
};

Vec3f direction_to_vector(float az, float pl);
AzPl plane_to_pole(float dip_direction, float dip);
Vec3f cross_product(const Vec3f& b, const Vec3f& a);   // b x a
Vec3f normalize_vector(const Vec3f& v);                  // zero vector below 2^-22
float strike_slip_sign(float dip_direction, float slip_trend);
void prepare_fault_data(std::vector<FaultDatum>& fault_data);
// Reduced stress tensor of (sigma1 az, pl, sigma3 az, pl) in radians and Phi.
Tensor3f stress_state_tensor(float s1_az, float s1_pl, float s3_az, float s3_pl, float phi);
Vec3f shear_direction(const Tensor3f& s, const Vec3f& n);
double misfit_angle(const Vec3f& u, const Vec3f& v);     // radians, 0 to pi

// The pieces of misfit_degrees, for callers that prepare a datum once and
// meet it under many stress states; put together they give exactly
// misfit_degrees.
using Projector = std::array<float, 9>;                   // I - n n^T, row by row
Projector plane_projector(const Vec3f& n);
Vec3f shear_direction(const Tensor3f& s, const Vec3f& n, const Projector& p);
// The cosine of the angle between u and the unit vector b (b already
// normalised by normalize_vector), held to [-1, 1].
double misfit_cosine_of_unit(const Vec3f& u, const Vec3f& b);
// The misfit in degrees, single precision, of that cosine.
float misfit_degrees_of_cosine(double q);
// Misfit of a datum under a grid state in degrees, as the runs store it.
float misfit_degrees(const Tensor3f& s, const FaultDatum& d);
// C(n, k), or -1 when it reaches 2^31; 0 when n < k.
std::int32_t count_subsets(std::int32_t n, std::int32_t k);
// Round to the nearest integer, halves away from zero.
std::int32_t nint(double x);

}  // namespace quillon::engine
