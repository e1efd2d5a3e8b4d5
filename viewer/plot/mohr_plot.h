// Drawing of the Mohr diagram on a picture of 1000 x 500 logical units: the
// three half circles of a reduced stress with principal values 1, Phi and 0,
// the data by their normal and shear stress coloured by misfit class, and the
// red ring of a selected datum.
#pragma once

#include "viewer/geometry/projection.h"
#include "viewer/model/fault_data.h"

class QPainter;

namespace quillon::viewer {

inline constexpr int kMohrWidth = 1000;
inline constexpr int kMohrHeight = 500;

// The picture point of (normal stress, shear stress): 920 units per unit
// stress, the origin at (40, 483), shear stress upward.
CanvasPoint mohrPoint(double normalStress, double shearStress);

// The normal-stress axis and the outer half circle; with `phi`, also the two
// inner half circles through Phi.
void drawMohrCircles(QPainter& p, const double* phi);
// Every datum as a circle of radius 8 filled with its misfit class colour
// (the fourth colour for 30 degrees and more), outlined black.
void drawMohrData(QPainter& p, const FaultDataSet& data);
// The circles for `phi` and, when there are data, the data.
void drawMohrDiagram(QPainter& p, const FaultDataSet& data, float phi);
// Datum `row` as a red ring of radius 10 (for the overlay).
void drawMohrHighlight(QPainter& p, const FaultDataSet& data, int row);

}  // namespace quillon::viewer
