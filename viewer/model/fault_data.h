// The viewer's fault-slip data set and the computations made on it when a stress
// state is designated: reduced stress tensor, theoretical slip directions, misfit
// angles, normal and shear stresses.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "viewer/geometry/primitives.h"

namespace quillon::viewer {

// A 32-bit colour word: red in the low byte, then green, then blue.
using ColorValue = std::uint32_t;
constexpr ColorValue rgbColor(unsigned r, unsigned g, unsigned b) {
    return static_cast<ColorValue>(r | (g << 8) | (b << 16));
}

// The sense of slip reduced to what the misfit needs: the hanging wall moved
// down (normal) or up (reverse); strike-slip and undefined are kept for model planes.
enum class SenseOfShear : std::uint8_t { Normal = 0, Reverse = 1, StrikeSlip = 2, Undefined = 3 };

struct FaultDatum {
    Direction plane;            // fault plane: dip direction (az) and dip (pl)
    Direction slip;             // measured slip direction
    std::string sense;          // sense of slip as loaded: upper case, trimmed
    SenseOfShear reducedSense = SenseOfShear::Normal;
    Direction theoreticalSlip;  // theoretical slip direction; undefined when the shear vanishes
    float misfit = 0.0f;        // degrees
    float normalStress = 0.0f;  // normal stress on the plane
    float shearStress = 0.0f;   // magnitude of the shear stress on the plane
};

// Misfit of a datum whose plane carries no shear stress under the designated state.
// A slip direction is then unconstrained; 90 degrees says "neither fits nor opposes",
// the value the engine gives such a datum.  The windows show "ZSS" in its cell.
inline constexpr float kZeroShearMisfit = 90.0f;

// Shear stress below which a plane counts as carrying none.  The directions and
// the tensor are single precision, so a plane whose normal is a principal axis
// keeps a shear of rounding size (about 1e-8 of sigma1 - sigma3) instead of 0;
// its "theoretical slip" would be rounding noise.  1e-6 of the stress
// difference is far below any shear a measurement could tell apart.
inline constexpr float kZeroShearStress = 1e-6f;

// Misfit class: floor(misfit + eps) div 10 (0, 1, 2 have their own colour; 3 and above
// share the last).
int misfitClass(float misfit, double eps = 1e-10);

// The data set.  records[0] is never used; data are records[1..count].
struct FaultDataSet {
    std::int16_t count = 0;
    std::vector<FaultDatum> records = std::vector<FaultDatum>(30);
    std::string dataType;  // "g" fault-slip data, "s" focal mechanisms
    bool stressDesignated = false;
    std::array<ColorValue, 4> misfitColors = {rgbColor(208, 53, 53), rgbColor(158, 84, 177),
                                              rgbColor(123, 143, 200), rgbColor(220, 220, 220)};

    // records becomes n + 1 zero-initialised records (n < 0 is taken as 0).
    void reallocate(std::int16_t n);
    // reducedSense of every datum from the first character of its sense (N, R, and D / S by
    // the side of the slip azimuth); other characters leave reducedSense unchanged.
    void determineSenses();
    // normalStress, shearStress, theoreticalSlip and misfit of data 1..count under the reduced stress tensor S.
    // Returns, for index i (0 unused), whether datum i had zero shear stress; such a
    // datum gets the undefined theoreticalSlip and misfit kZeroShearMisfit.
    std::vector<bool> computeMisfits(const Matrix3& S);
};

// S = Q^T diag(1, phi, 0) Q, Q with rows a1, a1 x a3, a3 (unit vectors of the axes).
Matrix3 reducedStressTensor(const Direction& sigma1, const Direction& sigma3, float phi);

}  // namespace quillon::viewer
