// Synthetic fault-slip data and focal mechanisms made from known reduced stress
// states. Every datum slips along the shear traction that its stress exerts on
// its plane (compression positive), which is the motion of the hanging wall;
// the written sense letter lets the engine's sense rule rebuild that motion.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/stress_space.h"

namespace quillon::tools {

// One line of a data file: plane (dip direction, dip), striation (trend and
// plunge of its downward-pointing line) and sense letter N, R, D or S.
struct FaultSlip {
    double dip_direction = 0;
    double dip = 0;
    double trend = 0;
    double plunge = 0;
    char sense = 'N';
};

struct SynthOptions {
    std::vector<StressState> states;
    std::int32_t per_state = 20;   // data (or mechanisms) made from each state
    double noise_deg = 0;          // standard deviation of the angular noise, degrees
    std::uint64_t seed = 1;
    bool focal = false;            // focal mechanisms: two nodal-plane lines per mechanism
};

// Downward unit normal of a plane: (-sin dip sin dd, -sin dip cos dd, -cos dip).
Vec3 downward_normal(double dip_direction, double dip);

// Unit shear traction of tensor t on the plane of unit normal n (the theoretical
// hanging-wall motion when n is the downward normal); zero on a principal plane.
Vec3 shear_traction(const Mat3& t, const Vec3& n);

// The data line of a plane given by its downward normal and a hanging-wall slip
// vector lying in it. The striation is written as its downward-pointing line;
// the sense is D or S when the strike-slip component of the slip exceeds its
// dip-slip component, otherwise N (hanging wall down) or R (hanging wall up).
FaultSlip encode_fault_slip(const Vec3& normal_down, const Vec3& slip);

// Generates the data: for each state in turn, per_state data (faults) or
// per_state mechanisms (two lines each, the fault plane and the auxiliary plane
// in random order). Plane normals are uniform over directions; planes where the
// shear traction is below 0.05 (in units of sigma1 - sigma3) are drawn again,
// since such planes hardly slip and their slip direction is ill-defined. The
// noise moves the normal and then the slip by Gaussian angles of noise_deg
// standard deviation in each of the two tangent directions; the slip is then
// put back into the plane. Deterministic for the same options.
std::vector<FaultSlip> synthesize(const SynthOptions& options);

// One data line: four numbers with two decimals and the sense letter, separated
// by blanks (no line end). Azimuths are written in [0, 360).
std::string format_fault_slip(const FaultSlip& d);
// Whole data file text, every line ended with CR LF.
std::string format_data(const std::vector<FaultSlip>& data);

// Parses a stress state written as five numbers "az1 pl1 az3 pl3 phi" separated
// by blanks, commas or slashes. Checks that Phi lies in [0, 1] and that the two
// axes are perpendicular within 0.5 degree; on failure returns false with a message.
bool parse_stress_state(const std::string& text, StressState& state, std::string& error);
std::string format_stress_state(const StressState& s);

}  // namespace quillon::tools
