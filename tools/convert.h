// Fault-plane conventions: strike/dip/rake (right-hand rule, the dip direction
// 90 degrees clockwise of the strike; rake measured in the plane from the strike
// direction to the hanging wall's motion, positive for reverse, negative for
// normal, 0 sinistral, 180 dextral) against the data lines that the engine
// reads (plane as dip direction and dip, striation as a downward line, sense
// letter N, R, D or S). Also the auxiliary plane of a double couple.
//
// Frame: x East, y North, z Up; angles in degrees on the interface.
//
// A horizontal plane (dip 0) has no strike of its own. Here it keeps the
// strike it was given (dip direction = strike + 90), and its rake keeps its
// meaning: the hanging wall (the upper block) moves towards azimuth
// strike - rake. The engine needs no strike for such a plane (its normal is
// vertical), so the data line rebuilds the same slip whatever the strike.
#pragma once

#include <string>

#include "tools/stress_space.h"
#include "tools/synth.h"

namespace quillon::tools {

struct Mechanism {
    double strike = 0;  // degrees, [0, 360)
    double dip = 0;     // degrees, [0, 90]
    double rake = 0;    // degrees, (-180, 180]
};

// Sine and cosine of an angle in degrees, exact (0, 1 or -1) at multiples of 90.
double sin_deg(double a);
double cos_deg(double a);
// Azimuth brought into [0, 360).
double wrap_azimuth(double az);
// Rake brought into (-180, 180].
double wrap_rake(double rake);

// Unit normal of the plane pointing up, out of the footwall into the hanging
// wall: (sin dip cos strike, -sin dip sin strike, cos dip).
Vec3 upward_normal(double strike, double dip);
// Unit motion of the hanging wall: cos(rake) along the strike plus sin(rake) up the dip.
Vec3 slip_vector(const Mechanism& m);
// Rake of a slip vector lying in the plane (strike, dip).
double rake_on_plane(double strike, double dip, const Vec3& slip);

// The other nodal plane of the double couple: its normal is the slip vector and
// its slip the normal of the given plane (both negated together so that the
// normal points up), which leaves the moment tensor n s^T + s n^T unchanged.
// A vertical auxiliary plane is written with its strike in [0, 180); a horizontal
// one (the auxiliary of pure dip slip on a vertical plane) gets the azimuth of its
// slip as strike, hence rake 0.
Mechanism auxiliary_plane(const Mechanism& m);

// The data line of a mechanism: dip direction strike + 90, the striation as the
// downward line along the slip, and a sense letter chosen from the rake: D or S
// when the strike-slip part dominates (|cos rake| > |sin rake|), otherwise R for
// rake > 0 (hanging wall up) or N. With the engine's sense rule the line gives
// back exactly the slip vector of the mechanism.
FaultSlip fault_slip_of_mechanism(const Mechanism& m);

// Hanging-wall motion of a data line under the engine's sense rule: N keeps the
// line's direction, R reverses it, D (S) reverses it when its trend lies
// counter-clockwise (clockwise) of the dip direction.
Vec3 hanging_wall_slip(const FaultSlip& f);

// Mechanism of a data line: the strike is its dip direction - 90 and the rake
// that of the hanging-wall slip projected onto the plane. off_plane_deg receives
// the angle between the striation and the plane. Returns false when the
// striation is perpendicular to the plane (no slip direction in the plane).
bool mechanism_of_fault_slip(const FaultSlip& f, Mechanism& m, double& off_plane_deg);

// Angle in degrees by which two nodal-plane mechanisms fail to be one double
// couple: the larger of the angles between each plane's normal and the other
// plane's slip line (0 for an exact pair).
double double_couple_mismatch_deg(const Mechanism& a, const Mechanism& b);

}  // namespace quillon::tools
