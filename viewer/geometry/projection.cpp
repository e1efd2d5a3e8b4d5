#include "viewer/geometry/projection.h"

#include <cmath>

#include "viewer/geometry/rounding.h"

namespace quillon::viewer {
namespace {

CanvasPoint placeOnNet(double rho, const Direction& d, int cx, int cy, int R) {
    const double r = R * rho;
    const double a = (90.0 - double(d.az)) * kDegToRad;
    return CanvasPoint{cx + roundToInt(r * std::cos(a)), cy - roundToInt(r * std::sin(a))};
}

// Azimuth of a screen offset (dx East, dy North), folded into [0, 360).
float offsetAzimuth(int dx, int dy) {
    return angleMod(static_cast<float>(90.0 - std::atan2(double(dy), double(dx)) * kRadToDeg), 360.0f);
}

}  // namespace

CanvasPoint projectEqualArea(const Direction& d, int cx, int cy, int R) {
    const double rho = std::sqrt(2.0) * std::sin((45.0 - d.pl / 2.0) * kDegToRad);
    return placeOnNet(rho, d, cx, cy, R);
}

CanvasPoint projectEqualAngle(const Direction& d, int cx, int cy, int R) {
    const double rho = std::tan((45.0 - d.pl / 2.0) * kDegToRad);
    return placeOnNet(rho, d, cx, cy, R);
}

Direction unprojectEqualArea(int dx, int dy, int R) {
    if (dx == 0 && dy == 0) return Direction{0.0f, 90.0f};
    const double rho = std::sqrt(double(dx) * dx + double(dy) * dy) / R;
    const double pl = rho > 1.0 ? 0.0 : 2.0 * (45.0 - std::asin(rho / std::sqrt(2.0)) * kRadToDeg);
    return Direction{offsetAzimuth(dx, dy), static_cast<float>(pl)};
}

Direction unprojectEqualAngle(int dx, int dy, int R) {
    if (dx == 0 && dy == 0) return Direction{0.0f, 90.0f};
    const double rho = std::sqrt(double(dx) * dx + double(dy) * dy) / R;
    const double pl = rho > 1.0 ? 0.0 : 2.0 * (45.0 - std::atan(rho) * kRadToDeg);
    return Direction{offsetAzimuth(dx, dy), static_cast<float>(pl)};
}

}  // namespace quillon::viewer
