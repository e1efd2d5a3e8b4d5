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
using TColorValue = std::uint32_t;
constexpr TColorValue RgbColor(unsigned r, unsigned g, unsigned b) {
    return static_cast<TColorValue>(r | (g << 8) | (b << 16));
}

enum TSenseOfShear : std::uint8_t { N = 0, R = 1, S = 2, U = 3 };

struct TFaultData {
    Tazpl fp;            // fault plane: dip direction (az) and dip (pl)
    Tazpl ss;            // measured slip direction
    std::string sense;   // sense of slip as loaded: upper case, trimmed
    TSenseOfShear nrs = N;
    Tazpl tsd;           // theoretical slip direction; undefined when the shear vanishes
    float misfit = 0.0f; // degrees
    float nstr = 0.0f;   // normal stress on the plane
    float sstr = 0.0f;   // magnitude of the shear stress on the plane
};

// Misfit of a datum whose plane carries no shear stress under the designated state.
// A slip direction is then unconstrained; 90 degrees says "neither fits nor opposes",
// the value the engine gives such a datum.  The windows show "ZSS" in its cell.
inline constexpr float kZeroShearMisfit = 90.0f;

// Misfit class: floor(misfit + eps) div 10 (0, 1, 2 have their own colour; 3 and above
// share the last).
int MisfitClass(float misfit, double eps = 1e-10);

// The data set.  FD[0] is never used; data are FD[1..NF].
struct FaultDataSet {
    std::int16_t NF = 0;
    std::vector<TFaultData> FD = std::vector<TFaultData>(30);
    std::string DataType;  // "g" fault-slip data, "s" focal mechanisms
    bool StressHasBeenDesignated = false;
    std::array<TColorValue, 4> MisfitColor = {RgbColor(208, 53, 53), RgbColor(158, 84, 177),
                                              RgbColor(123, 143, 200), RgbColor(220, 220, 220)};

    // FD becomes n + 1 zero-initialised records (n < 0 is taken as 0).
    void ReallocateFD(std::int16_t n);
    // nrs of every datum from the first character of its sense (N, R, and D / S by
    // the side of the slip azimuth); other characters leave nrs unchanged.
    void Determine_NRS();
    // nstr, sstr, tsd and misfit of data 1..NF under the reduced stress tensor S.
    // Returns, for index i (0 unused), whether datum i had zero shear stress; such a
    // datum gets the undefined tsd and misfit kZeroShearMisfit.
    std::vector<bool> ComputeMisfits(const Tmatrix& S);
};

// S = Q^T diag(1, phi, 0) Q, Q with rows a1, a1 x a3, a3 (unit vectors of the axes).
Tmatrix ReducedStressTensor(const Tazpl& sigma1, const Tazpl& sigma3, float phi);

}  // namespace quillon::viewer
