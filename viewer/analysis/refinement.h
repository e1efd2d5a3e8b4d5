// Refinement of a stress off the grid against the data of the result.
//
// Criterion (maximised): the total score sum over the data of cos(min(misfit, threshold)).
// A datum explained by the stress (misfit within the result's misfit threshold) scores
// the cosine of its misfit, the engine's supplied score function 100 cos(misfit) up to
// the factor; a datum beyond the threshold scores the constant cos(threshold), so it
// neither pulls nor pushes.  A focal mechanism scores by the better of its two planes.
// The criterion depends on the stress alone, so refinements and their starts compare
// directly.
//
// Method: with the set of explained data and the plane of each mechanism fixed, a
// Nelder-Mead search over the sphere of reduced stress tensors (four coordinates:
// orientation and Phi together) maximises the sum of cosines; then the data and planes
// are assigned again under the new stress, and the search repeats until the assignment
// is stable.  Each search can only raise its own sum, and that sum is never above the
// criterion and equal to it at the stress the assignment was made for, so the criterion
// never falls: the result is never worse than its start.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "viewer/analysis/tensor_space.h"
#include "viewer/model/fault_data.h"

namespace quillon::viewer {

// A plane with its downward normal and the unit motion of its hanging wall.
struct SlipPlane {
    Vector3d normal{};
    Vector3d slip{};
};

// One datum of the analysis: a fault (one plane) or a focal mechanism (its two nodal
// planes, either of which may have slipped).
struct SlipDatum {
    std::array<SlipPlane, 2> planes{};
    int planeCount = 1;
    int firstLine = 1;  // data line (1-based) of its first plane in the result
};

// The data of a data set, in an order fixed by their values alone (so that reordering
// the data file changes nothing downstream).  For focal mechanisms ("s") lines 2m - 1
// and 2m form mechanism m; an odd last line stands alone.
std::vector<SlipDatum> analysisData(const FaultDataSet& data);

// Cosine of the misfit of one plane under the trace-free tensor T: the angle between
// the shear traction on the plane and the slip; 0 (a misfit of 90) without shear.
double misfitCosine(const Matrix3d& T, const SlipPlane& p);
// The better plane of a datum: its index and cosine.
std::pair<int, double> bestPlane(const Matrix3d& T, const SlipDatum& d);

// The criterion over the data named by `pool` (indices into `data`; repeated indices
// count repeatedly, as in a bootstrap resample).
double solutionScore(const std::vector<SlipDatum>& data, const std::vector<int>& pool, const Vector5& x,
                     double thresholdDeg);

struct Refinement {
    Vector5 x{};              // refined unit point
    double startScore = 0.0;  // criterion at the start
    double score = 0.0;       // criterion at x (never below startScore)
    int rounds = 0;           // assignments made
};

Refinement refineStress(const std::vector<SlipDatum>& data, const std::vector<int>& pool, const Vector5& start,
                        double thresholdDeg);

// Indices (into `data`, ascending) of the data explained by x: misfit of the better
// plane not above the threshold.
std::vector<int> explainedData(const std::vector<SlipDatum>& data, const Vector5& x, double thresholdDeg);
// Mean misfit in degrees of the data named by `ids` under x (better plane); 0 when empty.
double meanMisfitDeg(const std::vector<SlipDatum>& data, const std::vector<int>& ids, const Vector5& x);

}  // namespace quillon::viewer
