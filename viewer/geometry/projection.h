// Lower-hemisphere stereonet projections, equal-area (Schmidt) and equal-angle (Wulff),
// and their inverses.  Screen coordinates: x to the right (East), y downward (South);
// North is up.
#pragma once

#include "viewer/geometry/primitives.h"

namespace quillon::viewer {

struct CanvasPoint {
    int x = 0;
    int y = 0;
};
inline bool operator==(const CanvasPoint& a, const CanvasPoint& b) { return a.x == b.x && a.y == b.y; }

// Plunge 0 lands on the primitive circle of radius R, plunge 90 at the centre (cx, cy).
// A negative plunge lands outside the circle.
CanvasPoint projectEqualArea(const Direction& d, int cx, int cy, int R);
CanvasPoint projectEqualAngle(const Direction& d, int cx, int cy, int R);

// dx towards East, dy towards North (screen-up), from the centre.  Points beyond the
// primitive circle get plunge 0; the centre gives az 0, pl 90.
Direction unprojectEqualArea(int dx, int dy, int R);
Direction unprojectEqualAngle(int dx, int dy, int R);

}  // namespace quillon::viewer
