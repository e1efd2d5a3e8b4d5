// Drawing of the Fault-Slip Data window's stereonet on a picture of 1000 x 1000
// logical units: the data as great circles with slip symbols or as poles with
// tangent arrows, coloured by misfit class once a stress is designated, the
// designated stress axes with their values, the theoretical slip directions,
// and for the tangent-lineation diagram a background of model planes showing
// the slip field of the stress.  Also the selected datum alone (for the
// transparent overlay) and the mapping from a point of the shown image back to
// a direction.
#pragma once

#include <QColor>
#include <optional>
#include <vector>

#include "viewer/geometry/projection.h"
#include "viewer/model/fault_data.h"
#include "viewer/model/result_model.h"

class QPainter;

namespace quillon::viewer {

// How the data are drawn: slip vector on great circle, or tangent-lineation diagram.
enum class PlotMethod { GreatCircle, TangentLineation };
enum class NetProjection { EqualArea, EqualAngle };

// The fixed geometry of the data stereonet, in logical units (y downward).
inline constexpr int kDataNetSize = 1000;
inline constexpr int kDataNetUnit = 10;                 // length unit
inline constexpr int kDataNetCentre = 500;
inline constexpr int kDataNetRadius = 46 * kDataNetUnit;  // 460
// Model planes of the tangent-lineation background: the nodes (i, j) of a
// 27 x 27 lattice with i^2 + j^2 <= 185.9.
inline constexpr int kModelPlaneCount = 593;

// Projection of a direction onto the data net.
CanvasPoint projectOnDataNet(const Direction& d, NetProjection projection);

// The direction under a point (X, Y) of the shown stereonet image of W x H
// pixels: the centre reads (0, 90); points beyond the primitive plunge 0.
Direction imagePointToDirection(int X, int Y, int W, int H, NetProjection projection);

// The six points of a datum's slip symbol (arrow out or in for dip slip, a
// couple for strike slip), before the shift to the projected slip direction.
std::array<CanvasPoint, 6> greatCircleSymbol(const FaultDatum& datum);
// The six points of a tangent-lineation arrow at the datum's projected pole.
std::array<CanvasPoint, 6> tangentLineationArrow(const Direction& plane, const Direction& slip,
                                                 SenseOfShear sense, NetProjection projection);

// The 593 model planes for the projection and the shown image's width (the
// lattice nodes are taken back through the pixels of the image).
std::vector<FaultDatum> modelPlaneGrid(NetProjection projection, int imageWidth);
// Theoretical slip of every model plane under the reduced stress tensor S:
// `slip` along the shear traction (downward), `reducedSense` Normal or Reverse,
// or Undefined with an undefined slip when the plane carries no shear.
void computeModelPlaneSlips(std::vector<FaultDatum>& planes, const Matrix3& S);

// Colour of a datum's misfit class: the class colours for classes 0 to 2,
// gray for the rest.
QColor misfitClassColor(const FaultDataSet& data, float misfit, double eps = 1e-10);

// What the whole picture shows.
struct DataNetScene {
    const FaultDataSet* data = nullptr;
    PlotMethod method = PlotMethod::GreatCircle;
    NetProjection projection = NetProjection::EqualAngle;
    // The designated stress; drawn with its axes, values and theoretical slips
    // only while the data set says a stress has been designated.
    std::optional<StressState> stress;
    const std::vector<FaultDatum>* modelPlanes = nullptr;   // tangent-lineation only
    QString fontFamily = "Arial";
};

// The whole stereonet.  Returns the rows (1-based) of the data whose
// theoretical slip is undefined (no shear stress): they get no slip marker.
std::vector<int> drawDataNet(QPainter& p, const DataNetScene& scene);
// Datum `row` alone in red, for the overlay (with its theoretical slip in blue
// when a stress is designated, in the great-circle plot).
void drawSelectedDatum(QPainter& p, const DataNetScene& scene, int row);

}  // namespace quillon::viewer
