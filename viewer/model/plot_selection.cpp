#include "viewer/model/plot_selection.h"

#include <cmath>

#include "viewer/geometry/rounding.h"

namespace quillon::viewer {

Selection selectStates(ResultModel& model, const PlotSettings& settings) {
    Selection sel;
    // The threshold stays in extended precision, as does the quotient below.
    const long double product = static_cast<long double>(settings.ef) * model.voteSd;
    const long double T = product > 1.0L ? product : 1.0L;
    for (std::size_t i = 0; i < model.gridPoints.size(); ++i) {
        GridPoint& p = model.gridPoints[i];
        p.plotCount = 0;
        const int k = p.ratioClass;
        if (k < settings.srLo || k > settings.srUp) continue;
        const long double c = std::floor(static_cast<long double>(p.votes) / T);
        if (c > 0) {
            // c <= votes, so it fits the 32-bit count.
            p.plotCount = static_cast<std::int32_t>(c);
            sel.states.push_back(SelectedState{i, p.plotCount});
            sel.symbolCount += p.plotCount;
        }
    }
    sel.status = std::to_string(sel.symbolCount) + " / " + std::to_string(model.votedCount) + " / " +
                 std::to_string(model.gridCount);
    return sel;
}

CanvasPoint projectAxis(const Direction& d, int net) {
    const NetGeometry& g = kNets[net == 1 ? 1 : 0];
    const float r = static_cast<float>(1.414213562373 * std::sin((45.0 - d.pl / 2.0) * kDegToRad));
    const float theta = static_cast<float>((90.0 - double(d.az)) * kDegToRad);
    const float cx = static_cast<float>(std::cos(double(theta)) * r);
    const float cy = static_cast<float>(std::sin(double(theta)) * r);
    const float px = static_cast<float>(double(g.R) * cx);
    const float py = static_cast<float>(double(g.R) * cy);
    return CanvasPoint{g.cx + roundToInt(px), g.cy - roundToInt(py)};
}

AxisOnNet pointToAxis(const CanvasPoint& p) {
    AxisOnNet out;
    out.net = p.x >= 1000 ? 1 : 0;
    const NetGeometry& g = kNets[out.net];
    if (p.x == g.cx && p.y == g.cy) {
        out.direction = Direction{0.0f, 90.0f};
        return out;
    }
    const double dx = p.x - g.cx, dy = p.y - g.cy;
    const float d = static_cast<float>(std::sqrt(dx * dx + dy * dy));
    const float az = angleMod(static_cast<float>(90.0 - std::atan2(-dy, dx) * kRadToDeg), 360.0f);
    double rho = double(d) / g.R;
    if (rho > 1.0) rho = 1.0;
    const float s = static_cast<float>(rho * 0.7071067811865);
    out.direction = Direction{az, static_cast<float>(2.0 * (45.0 - std::asin(double(s)) * kRadToDeg))};
    return out;
}

CanvasPoint screenToCanvas(int X, int Y, int imageHeight) {
    if (imageHeight <= 0) return CanvasPoint{X, Y};
    const float s = static_cast<float>(1000.0 / imageHeight);
    return CanvasPoint{roundToInt(double(X) * s), roundToInt(double(Y) * s)};
}

}  // namespace quillon::viewer
