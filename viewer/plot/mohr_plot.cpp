#include "viewer/plot/mohr_plot.h"

#include <QPainter>
#include <cmath>

#include "viewer/geometry/rounding.h"
#include "viewer/plot/stress_plot.h"

namespace quillon::viewer {

namespace {

// The upper half of the circle through the stress points (left, 0) and
// (right, 0), drawn from its rightmost point counter-clockwise over the top.
void drawHalfCircle(QPainter& p, double left, double right) {
    const double radius = (right - left) / 2.0;
    const CanvasPoint topLeft = mohrPoint(left, radius);
    const CanvasPoint bottomRight = mohrPoint(right, -radius);
    p.drawArc(QRect(QPoint(topLeft.x, topLeft.y), QPoint(bottomRight.x - 1, bottomRight.y - 1)), 0, 180 * 16);
}

int dataCount(const FaultDataSet& data) {
    return std::max(0, std::min<int>(data.count, int(data.records.size()) - 1));
}

}  // namespace

CanvasPoint mohrPoint(double normalStress, double shearStress) {
    return CanvasPoint{roundToInt(920.0 * normalStress + 40.0), roundToInt(483.0 - 920.0 * shearStress)};
}

void drawMohrCircles(QPainter& p, const double* phi) {
    QPen pen(QColor(128, 128, 128), 2);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const CanvasPoint o = mohrPoint(0, 0), one = mohrPoint(1, 0);
    p.drawLine(o.x, o.y, one.x, one.y);
    drawHalfCircle(p, 0.0, 1.0);
    if (!phi) return;
    drawHalfCircle(p, 0.0, *phi);
    drawHalfCircle(p, *phi, 1.0);
}

void drawMohrData(QPainter& p, const FaultDataSet& data) {
    p.setPen(QPen(Qt::black, 1));
    for (int i = 1; i <= dataCount(data); ++i) {
        const FaultDatum& d = data.records[size_t(i)];
        const double k = std::trunc(double(d.misfit));
        const int colorIndex = k < 10 ? 0 : k < 20 ? 1 : k < 30 ? 2 : 3;
        p.setBrush(toQColor(data.misfitColors[size_t(colorIndex)]));
        const CanvasPoint c = mohrPoint(d.normalStress, d.shearStress);
        p.drawEllipse(QPoint(c.x, c.y), 8, 8);
    }
}

void drawMohrDiagram(QPainter& p, const FaultDataSet& data, float phi) {
    const double f = phi;
    drawMohrCircles(p, &f);
    if (dataCount(data) > 0) drawMohrData(p, data);
}

void drawMohrHighlight(QPainter& p, const FaultDataSet& data, int row) {
    if (row < 1 || row > dataCount(data)) return;
    const FaultDatum& d = data.records[size_t(row)];
    const CanvasPoint c = mohrPoint(d.normalStress, d.shearStress);
    p.setPen(QPen(QColor(255, 0, 0), 4));
    p.setBrush(Qt::white);
    p.drawEllipse(QPoint(c.x, c.y), 10, 10);
}

}  // namespace quillon::viewer
