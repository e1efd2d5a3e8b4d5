// The stress-state plot's computations that need no drawing: the fixed geometry of
// the 2000 x 1000 canvas, the selection of the states to plot, the mapping between
// directions and canvas points, and the plot's random generator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "viewer/geometry/projection.h"
#include "viewer/model/result_model.h"

namespace quillon::viewer {

inline constexpr int kLengthUnit = 10;                      // length unit of the plot
inline constexpr int kTailBaseLength = 5 * kLengthUnit;          // base length of a tadpole tail
inline constexpr int kCanvasWidth = 2000;
inline constexpr int kCanvasHeight = 1000;

struct NetGeometry {
    int cx;
    int cy;
    int R;
};
// Net 0 carries the sigma1 axes, net 1 the sigma3 axes.
inline constexpr NetGeometry kNets[2] = {{500, 515, 450}, {1500, 515, 450}};

// The plot settings that decide the selection (controls of the main window).
struct PlotSettings {
    int ef = 8;     // enhance factor, 0..99
    int df = 2;     // dispersion factor, 0..3
    int srLo = 0;   // lower stress-ratio bound, class 0..10
    int srUp = 10;  // upper stress-ratio bound, class 0..10
};

// One selected state: its position in gridPoints and the number of symbols drawn of it.
struct SelectedState {
    std::size_t index = 0;
    std::int32_t count = 0;
};

// The states to plot, each standing for `count` symbols in a row, in gridPoints order
// (ascending votes).  Memory grows with the number of selected states, never with the
// number of symbols, which at enhance factor 0 is the number of votes.
struct Selection {
    std::vector<SelectedState> states;
    std::int64_t symbolCount = 0;  // the sum of the counts
    // Status panel 0: symbolCount + " / " + NZG + " / " + NG.
    std::string status;

    bool empty() const { return symbolCount == 0; }
};

// The most symbols a vector picture (metafile, SVG, PDF) of the plot is given: such a
// picture records every symbol (about 0.4 KB each in a metafile, 2 KB in SVG), so at
// enhance factor 0 its size would follow the votes.  A bitmap of the plot is drawn in
// fixed memory whatever the number of symbols.
inline constexpr std::int64_t kMaxVectorSymbols = 100'000;

// Threshold T = ef * Sd when above 1, else 1; each state whose class lies within the
// bounds is drawn floor(votes / T) times.  Sets plotCount of every grid point.
Selection selectStates(ResultModel& model, const PlotSettings& settings);

// Equal-area point of an axis on net 0 or 1, rounded as the plot rounds.
CanvasPoint projectAxis(const Direction& d, int net);

struct AxisOnNet {
    Direction direction;
    int net = 0;
};
// Direction under a canvas point; points outside a net fall on its primitive.
AxisOnNet pointToAxis(const CanvasPoint& p);

// A mouse position on an image of the given height, as a canvas point.
CanvasPoint screenToCanvas(int X, int Y, int imageHeight);

// The plot's 32-bit linear congruential generator: seed := seed * 134775813 + 1
// (mod 2^32); each draw returns seed / 2^32 in [0, 1).  Reset to 0 before every
// drawing so that the same settings give the same picture.
class JitterRandom {
public:
    explicit JitterRandom(std::uint32_t seed = 0) : seed_(seed) {}
    void reset(std::uint32_t seed = 0) { seed_ = seed; }
    double next() {
        seed_ = seed_ * 134775813u + 1u;
        return static_cast<double>(seed_) / 4294967296.0;
    }
    std::uint32_t seed() const { return seed_; }

private:
    std::uint32_t seed_;
};

}  // namespace quillon::viewer
