#include "viewer/plot/fault_plot.h"

#include <QPainter>
#include <QPen>
#include <cmath>

#include "viewer/geometry/rounding.h"
#include "viewer/model/number_format.h"
#include "viewer/plot/stress_plot.h"

namespace quillon::viewer {

namespace {

constexpr int kUnit = kDataNetUnit;
const QColor kGray(128, 128, 128);
const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);
const QColor kLime(0, 255, 0);
const QColor kSilver(192, 192, 192);
const QColor kAxisBlue(166, 202, 240);
const QColor kCream(255, 251, 240);

QPen roundPen(const QColor& color, int width) {
    QPen pen(color, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

QPoint toQPoint(CanvasPoint c) { return QPoint(c.x, c.y); }

// The downward normal of a plane given as dip direction and dip.
Direction poleOf(const Direction& plane) { return makeDirection(plane.az + 180.0f, 90.0f - plane.pl); }

// Turns (x, y) clockwise on the screen by `degrees` and rounds, as the symbols are turned.
CanvasPoint rotated(int x, int y, double degrees) {
    const double b = degrees * kDegToRad;
    return CanvasPoint{roundToInt(x * std::cos(b) - y * std::sin(b)), roundToInt(x * std::sin(b) + y * std::cos(b))};
}

void drawPolyline(QPainter& p, const std::array<CanvasPoint, 6>& pts, const QColor& color, int width) {
    QPoint q[6];
    for (int i = 0; i < 6; ++i) q[i] = toQPoint(pts[size_t(i)]);
    p.setPen(roundPen(color, width));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(q, 6);
}

void drawBaseCircle(QPainter& p) {
    constexpr int c = kDataNetCentre, R = kDataNetRadius;
    p.setPen(roundPen(kGray, 3));
    p.setBrush(Qt::white);
    p.drawEllipse(QRect(c - R, c - R, 2 * R, 2 * R));
    p.drawLine(c, c - R, c, c - R - 2 * kUnit);
    p.drawLine(c, c + R, c, c + R + 2 * kUnit);
    p.drawLine(c - R, c, c - R - 2 * kUnit, c);
    p.drawLine(c + R, c, c + R + 2 * kUnit, c);
}

// The plane's great circle, from the strike direction through the dip vector
// to the opposite strike direction, all in the lower hemisphere.
void drawGreatCircle(QPainter& p, const Direction& plane, NetProjection projection, const QColor& color,
                     int width) {
    QPolygon line;
    line.reserve(181);
    const Vector3 start = makeVector(0.0f, -1.0f, 0.0f);
    for (int psi = -90; psi <= 90; ++psi) {
        const Matrix3 m = eulerRotationMatrix(plane.pl, 180.0f - plane.az, float(psi));
        const Vector3 u = matrixVectorProduct(m, start);
        line << toQPoint(projectOnDataNet(polarToDirection(vectorToPolar(u)), projection));
    }
    p.setPen(roundPen(color, width));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(line);
}

// A downward direction as a circle filled white around its point; an upward
// one as a filled circle around the opposite (downward) direction.
void drawDirectionMarker(QPainter& p, const Direction& d, NetProjection projection, const QColor& color,
                         int width, int radius) {
    const bool down = d.pl >= 0.0f;
    const CanvasPoint c = projectOnDataNet(down ? d : makeDirection(d.az + 180.0f, -d.pl), projection);
    p.setPen(roundPen(color, width));
    p.setBrush(down ? QColor(Qt::white) : color);
    p.drawEllipse(QPoint(c.x, c.y), radius, radius);
}

void drawGreatCircleDatum(QPainter& p, const FaultDatum& d, NetProjection projection, const QColor& color) {
    const bool red = color == kRed;
    int width = red ? 5 : 1;
    drawGreatCircle(p, d.plane, projection, color, width);
    if (!red) width = 2;
    const CanvasPoint at = projectOnDataNet(d.slip, projection);
    std::array<CanvasPoint, 6> symbol = greatCircleSymbol(d);
    for (CanvasPoint& q : symbol) q = CanvasPoint{q.x + at.x, q.y + at.y};
    drawPolyline(p, symbol, color, width);
    drawDirectionMarker(p, d.slip, projection, color, width, int(std::floor(0.7 * kUnit)));
}

void drawTangentLineationDatum(QPainter& p, const FaultDatum& d, NetProjection projection, const QColor& color) {
    const int width = color == kRed ? 5 : color == kSilver ? 1 : 4;
    drawPolyline(p, tangentLineationArrow(d.plane, d.slip, d.reducedSense, projection), color, width);
}

// sigma1 as a three-armed star, sigma3 as a five-armed one, filled light blue.
void drawStressAxes(QPainter& p, const StressState& s, NetProjection projection) {
    p.setPen(roundPen(kAxisBlue, 1));
    p.setBrush(kAxisBlue);
    for (int axis = 0; axis < 2; ++axis) {
        const CanvasPoint at = projectOnDataNet(s.axis[axis], projection);
        QPolygon star;
        for (int i = 0; i <= 10; ++i) {
            const int k = axis == 0 ? std::min(i, 7) % 7 : i;   // sigma1: points 7..10 repeat point 0
            const double gamma = ((axis == 0 ? 60 : 36) * k + 90) * kDegToRad;
            const int r = (k % 2 == 0) ? kUnit : 3 * kUnit;
            star << QPoint(at.x + roundToInt(r * std::cos(gamma)), at.y + roundToInt(r * std::sin(gamma)));
        }
        p.drawPolygon(star);
    }
}

// Three lines under the net: sigma1 and sigma3 (azimuth, plunge) and Phi.
void drawTextBlock(QPainter& p, const StressState& s, const QString& family) {
    QFont font(family);
    font.setPixelSize(32);   // 24 points at 96 dots per inch
    p.setFont(font);
    // Each line's parts (azimuth and plunge joined by four blanks) are drawn
    // one by one at the places the blanks give them, so that readers which
    // collapse runs of blanks still show the columns.
    const std::vector<QString> lines[3] = {
        {QString::fromStdString(formatDecimals(s.axis[0].az, 1)), QString::fromStdString(formatDecimals(s.axis[0].pl, 1))},
        {QString::fromStdString(formatDecimals(s.axis[1].az, 1)), QString::fromStdString(formatDecimals(s.axis[1].pl, 1))},
        {QString::fromStdString(formatFixed(s.stressRatio, 3, 2))},
    };
    const QFontMetrics metrics(font);
    for (int j = 0; j < 3; ++j) {
        const int y = kDataNetSize - roundToInt(12.1 * kUnit) + 4 * kUnit * j;
        const QString whole = lines[j].size() == 2 ? lines[j][0] + "    " + lines[j][1] : lines[j][0];
        p.fillRect(QRect(kUnit, y, metrics.horizontalAdvance(whole), metrics.height()), kCream);
        p.setPen(Qt::black);
        int x = kUnit;
        for (const QString& part : lines[j]) {
            p.drawText(QRect(x, y, metrics.horizontalAdvance(part), metrics.height()), Qt::AlignLeft | Qt::AlignTop,
                       part);
            x += metrics.horizontalAdvance(part + "    ");
        }
    }
}

int dataCount(const FaultDataSet& data) {
    return std::max(0, std::min<int>(data.count, int(data.records.size()) - 1));
}

}  // namespace

CanvasPoint projectOnDataNet(const Direction& d, NetProjection projection) {
    return projection == NetProjection::EqualArea
               ? projectEqualArea(d, kDataNetCentre, kDataNetCentre, kDataNetRadius)
               : projectEqualAngle(d, kDataNetCentre, kDataNetCentre, kDataNetRadius);
}

Direction imagePointToDirection(int X, int Y, int W, int H, NetProjection projection) {
    if (W <= 0 || H <= 0) return makeDirection(0.0f, 90.0f);
    const double c = double(kDataNetSize) / W;
    const int dx = roundToInt((X - W / 2.0) * c);
    const int dy = roundToInt(-(Y - H / 2.0) * c);
    return projection == NetProjection::EqualArea ? unprojectEqualArea(dx, dy, kDataNetRadius)
                                                  : unprojectEqualAngle(dx, dy, kDataNetRadius);
}

std::array<CanvasPoint, 6> greatCircleSymbol(const FaultDatum& d) {
    enum Shape { ArrowOut, ArrowIn, Sinistral, Dextral, None };
    static constexpr int shapes[4][6][2] = {
        {{0, 0}, {0, -4}, {1, -3}, {0, -4}, {-1, -3}, {0, -4}},    // arrow out
        {{0, 0}, {0, 4}, {-1, 3}, {0, 4}, {1, 3}, {0, 4}},         // arrow in
        {{2, -3}, {1, -4}, {1, 0}, {-1, 0}, {-1, 4}, {-2, 3}},     // sinistral couple
        {{-2, -3}, {-1, -4}, {-1, 0}, {1, 0}, {1, 4}, {2, 3}},     // dextral couple
    };
    const float alpha = angleBetweenAzimuths(d.plane.az, d.slip.az);
    const float threshold = 60.0f + d.plane.pl / 4.0f;
    const std::string& s = d.sense;
    Shape shape = None;
    if (std::fabs(alpha) >= threshold) {   // slip far from the dip direction
        if (s == "D") shape = Dextral;
        else if (s == "S") shape = Sinistral;
        else if (s == "N") shape = alpha > 0 ? Dextral : Sinistral;
        else if (s == "R") shape = alpha > 0 ? Sinistral : Dextral;
    } else {
        if (s == "N") shape = ArrowOut;
        else if (s == "R") shape = ArrowIn;
        else if (s == "D") shape = alpha > 0 ? ArrowOut : ArrowIn;
        else if (s == "S") shape = alpha > 0 ? ArrowIn : ArrowOut;
    }
    std::array<CanvasPoint, 6> out{};
    if (shape == None) return out;
    for (int i = 0; i < 6; ++i)
        out[size_t(i)] = rotated(shapes[shape][i][0] * kUnit, shapes[shape][i][1] * kUnit, d.slip.az);
    return out;
}

std::array<CanvasPoint, 6> tangentLineationArrow(const Direction& plane, const Direction& slip,
                                                 SenseOfShear sense, NetProjection projection) {
    const Vector3 P = directionToVector(poleOf(plane));
    const Vector3 L = directionToVector(slip);
    Vector3 D = scaleVector(normalizeVector(projectOntoPlane(subtractVectors(L, P), P)), 0.1f);
    if (sense == SenseOfShear::Normal) D = negateVector(D);
    const CanvasPoint A = projectOnDataNet(poleOf(plane), projection);
    const CanvasPoint B = projectOnDataNet(vectorToDirection(addVectors(P, D)), projection);
    const int dx = B.x - A.x, dy = B.y - A.y;
    double bearing;
    if (dx != 0) bearing = 90.0 - std::atan2(double(-dy), double(dx)) * kRadToDeg;
    else bearing = dy < 0 ? 0.0 : 180.0;
    static constexpr int arrow[6][2] = {{0, 2}, {0, -2}, {1, -1}, {0, -2}, {-1, -1}, {0, -2}};
    std::array<CanvasPoint, 6> out{};
    for (int i = 0; i < 6; ++i) {
        const CanvasPoint r = rotated(arrow[i][0] * kUnit, arrow[i][1] * kUnit, bearing);
        out[size_t(i)] = CanvasPoint{r.x + A.x, r.y + A.y};
    }
    return out;
}

std::vector<FaultDatum> modelPlaneGrid(NetProjection projection, int imageWidth) {
    if (imageWidth <= 0) imageWidth = kDataNetSize;
    const double c = double(kDataNetSize) / imageWidth;
    const double s = kDataNetRadius / 13.0;
    std::vector<FaultDatum> planes;
    planes.reserve(kModelPlaneCount);
    for (int i = -13; i <= 13; ++i)
        for (int j = -13; j <= 13; ++j) {
            if (i * i + j * j > 185.9) continue;
            const int X = kDataNetCentre + roundToInt(i * s), Y = kDataNetCentre + roundToInt(j * s);
            const Direction p = imagePointToDirection(roundToInt(X / c), roundToInt(Y / c), imageWidth,
                                                      imageWidth, projection);
            FaultDatum plane;
            plane.plane = makeDirection(p.az + 180.0f, 90.0f - p.pl);
            plane.slip = undefinedDirection();
            plane.sense = "U";
            plane.reducedSense = SenseOfShear::Undefined;
            planes.push_back(plane);
        }
    return planes;
}

void computeModelPlaneSlips(std::vector<FaultDatum>& planes, const Matrix3& S) {
    for (FaultDatum& m : planes) {
        const Vector3 n = directionToVector(poleOf(m.plane));
        const Vector3 tau = projectOntoPlane(matrixVectorProduct(S, n), n);
        if (isShorterThan(tau, kZeroShearStress)) {
            m.slip = undefinedDirection();
            m.sense = "U";
            m.reducedSense = SenseOfShear::Undefined;
        } else if (tau.z >= 0.0f) {   // the hanging wall moves up along tau: its downward line is -tau
            m.slip = vectorToDirection(tau);
            m.sense = "N";
            m.reducedSense = SenseOfShear::Normal;
        } else {
            m.slip = vectorToDirection(negateVector(tau));
            m.sense = "R";
            m.reducedSense = SenseOfShear::Reverse;
        }
    }
}

QColor misfitClassColor(const FaultDataSet& data, float misfit, double eps) {
    const int k = misfitClass(misfit, eps);
    if (k >= 0 && k <= 2) return toQColor(data.misfitColors[size_t(k)]);
    return kGray;
}

std::vector<int> drawDataNet(QPainter& p, const DataNetScene& scene) {
    const FaultDataSet& data = *scene.data;
    const int n = dataCount(data);
    const bool designated = data.stressDesignated && scene.stress.has_value();
    std::vector<int> zeroShear;
    drawBaseCircle(p);
    if (designated) {
        drawStressAxes(p, *scene.stress, scene.projection);
        if (scene.method == PlotMethod::TangentLineation && scene.modelPlanes)
            for (const FaultDatum& m : *scene.modelPlanes)
                if (!isUndefinedDirection(m.slip)) drawTangentLineationDatum(p, m, scene.projection, kSilver);
        for (int i = 1; i <= n; ++i) {
            const FaultDatum& d = data.records[size_t(i)];
            const QColor color = misfitClassColor(data, d.misfit);
            if (scene.method == PlotMethod::TangentLineation) {
                drawTangentLineationDatum(p, d, scene.projection, color);
                continue;
            }
            drawGreatCircleDatum(p, d, scene.projection, color);
            if (isUndefinedDirection(d.theoreticalSlip)) zeroShear.push_back(i);
            else drawDirectionMarker(p, d.theoreticalSlip, scene.projection, kLime, 1, int(std::floor(0.7 * kUnit)));
        }
        if (n >= 1) drawTextBlock(p, *scene.stress, scene.fontFamily);
    }
    // Every datum once more on top, in its class colour (gray before a designation).
    for (int i = 1; i <= n; ++i) {
        const FaultDatum& d = data.records[size_t(i)];
        if (scene.method == PlotMethod::TangentLineation)
            drawTangentLineationDatum(p, d, scene.projection, misfitClassColor(data, d.misfit));
        else
            drawGreatCircleDatum(p, d, scene.projection, misfitClassColor(data, d.misfit, 1e-4));
    }
    return zeroShear;
}

void drawSelectedDatum(QPainter& p, const DataNetScene& scene, int row) {
    const FaultDataSet& data = *scene.data;
    if (row < 1 || row > dataCount(data)) return;
    const FaultDatum& d = data.records[size_t(row)];
    if (scene.method == PlotMethod::TangentLineation) {
        drawTangentLineationDatum(p, d, scene.projection, kRed);
        return;
    }
    drawGreatCircleDatum(p, d, scene.projection, kRed);
    if (data.stressDesignated && !isUndefinedDirection(d.theoreticalSlip))
        drawDirectionMarker(p, d.theoreticalSlip, scene.projection, kBlue, 5, int(std::floor(0.8 * kUnit)));
}

}  // namespace quillon::viewer
