// Refinement of a stress off the grid against the data of the result.
//
// Criterion (maximised): the total score sum over the data of cos(min(d, threshold)),
// where d is the orthogonal distance of a datum from the stress: the smallest rotation
// of its plane's normal and of its striation, the two angles added in quadrature, that
// makes the datum slip exactly along the shear traction of the stress on the corrected
// plane, in the same sense.  Measured data err on the plane as much as on the
// striation; a misfit that blames the striation alone over-weights planes whose
// predicted slip turns fast with the plane (low shear, near a principal plane) and so
// pulls the optimum away from the stress.  d is never more than the misfit (the angle
// between striation and shear traction on the plane as measured), and for a plane far
// from such sensitive ones it is nearly the misfit, so the criterion is close to the
// engine's score function 100 cos(misfit) up to the factor.  A datum beyond the
// threshold scores the constant cos(threshold), so it neither pulls nor pushes.  A
// focal mechanism scores by the better of its two planes.  The criterion depends on the
// stress alone, so refinements and their starts compare directly.
//
// Method: with the set of data within the threshold and the plane of each mechanism
// fixed, a Nelder-Mead search over the sphere of reduced stress tensors (four
// coordinates: orientation and Phi together) maximises the sum of cosines; then the data
// and planes are assigned again under the new stress, and the search repeats until the
// assignment is stable.  Each search can only raise its own sum, and that sum is never
// above the criterion and equal to it at the stress the assignment was made for, so the
// criterion never falls: the result is never worse than its start.
//
// The data explained by a stress, and their mean misfit, are counted with the misfit
// itself, as the engine and the data window count them.
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

// Orthogonal distance (radians) of a plane from the trace-free tensor T: the smallest
// combined rotation of its normal and of its slip (angles added in quadrature) that
// makes it slip exactly along the shear traction of T on the corrected plane; the
// misfit (at most 90 degrees without shear) bounds it from above.
double orthogonalDistance(const Matrix3d& T, const SlipPlane& p);
// Cosine of the orthogonal distance: what a datum contributes to the criterion.
double fitCosine(const Matrix3d& T, const SlipPlane& p);
// The better plane of a datum by the criterion: its index and cosine.
std::pair<int, double> bestFit(const Matrix3d& T, const SlipDatum& d);

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
