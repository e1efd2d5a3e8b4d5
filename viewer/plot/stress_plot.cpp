#include "viewer/plot/stress_plot.h"

#include <QPainter>
#include <QPen>
#include <cmath>

#include "viewer/geometry/rounding.h"
#include "viewer/platform/system_colors.h"

namespace quillon::viewer {

namespace {

// Lines end and join round, like the wide pens of the platform the pictures
// are meant for; nothing is anti-aliased, so canvas pixels stay exact.
QPen solidPen(const QColor& color, int width) {
    QPen pen(color, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

// A filled square without outline covering x - h .. x + h - 1.
void fillSquare(QPainter& p, int x, int y, int h, const QColor& color) {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawRect(QRect(x - h, y - h, 2 * h, 2 * h));
}

}  // namespace

ColorTable defaultColors() {
    return {16711800u, 16204358u, 16084526u, 13413708u, 8113170u, 1888374u,
            1824450u,  713197u,   1095154u,  1009397u,  1179885u};
}

// A system colour (top byte FF) is drawn in the desktop's current colour of
// that index; any other value by its red, green and blue bytes.
QColor toQColor(ColorValue c) { return platform::resolvedColor(c); }

void drawTadpole(QPainter& p, CanvasPoint head, const QColor& color, CanvasPoint tailEnd, int h) {
    constexpr int s = kShadowOffset;
    p.setPen(solidPen(Qt::black, 2));
    p.setBrush(Qt::black);
    p.drawLine(head.x + s, head.y + s, tailEnd.x + s, tailEnd.y + s);
    fillSquare(p, head.x + s, head.y + s, h, Qt::black);
    p.setPen(solidPen(color, 2));
    p.setBrush(color);
    p.drawLine(head.x, head.y, tailEnd.x, tailEnd.y);
    fillSquare(p, head.x, head.y, h, color);
}

void drawNets(QPainter& p) {
    const QColor gray = toQColor(kNetGray);
    for (const NetGeometry& n : kNets) {
        const int cx = n.cx, cy = n.cy, R = n.R;
        p.setPen(solidPen(gray, 3));
        p.setBrush(Qt::white);
        p.drawEllipse(QRect(cx - R, cy - R, 2 * R, 2 * R));
        p.drawLine(cx, cy - R, cx, cy - R - 2 * kLengthUnit);
        p.drawLine(cx + R, cy, cx + R + 2 * kLengthUnit, cy);
        p.drawLine(cx, cy + R, cx, cy + R + 2 * kLengthUnit);
        p.drawLine(cx - R, cy, cx - R - 2 * kLengthUnit, cy);
        p.setPen(solidPen(gray, 8));
        const int px = cx, py = cy - R - 3 * kLengthUnit + 2;
        const QPoint letter[4] = {{px - 2 * kLengthUnit, py}, {px - 2 * kLengthUnit, py - 2 * kLengthUnit},
                                  {px + 2 * kLengthUnit, py}, {px + 2 * kLengthUnit, py - 2 * kLengthUnit}};
        p.drawPolyline(letter, 4);
    }
}

void drawColorLegend(QPainter& p, const ColorTable& colors) {
    constexpr int w = 3 * kLengthUnit;
    constexpr int x0 = 1000 - 5 * w;
    QPen pen(Qt::black, 1);
    pen.setCosmetic(true);
    p.setPen(pen);
    for (int i = 0; i <= 10; ++i) {
        p.setBrush(toQColor(colors[size_t(i)]));
        // The box from (x0 + i w, 1000 - w) to (x0 + (i + 1) w, 1000): its
        // outline lies on the first and last pixel rows and columns inside.
        p.drawRect(QRect(x0 + i * w, kCanvasHeight - w, w - 1, w - 1));
    }
}

void drawTailLegend(QPainter& p, int headSize) {
    const QColor gray = toQColor(kNetGray);
    for (int i = 0; i <= 9; ++i) {
        const int y = 1000 - 6 * kLengthUnit - 2 * i * kLengthUnit;
        const CanvasPoint head{1000, y};
        const CanvasPoint tail{1000 + kTailBaseLength * (9 - i) / 9 + kTailBaseLength / 5, y};
        drawTadpole(p, head, gray, tail, headSize);
    }
}

void drawFrame(QPainter& p, const PlotStyle& style) {
    drawNets(p);
    drawColorLegend(p, style.colors);
    drawTailLegend(p, style.headSize);
}

CanvasPoint tadpoleTailEnd(CanvasPoint head, const Direction& other) {
    const float L = (1.0f - other.pl / 90.0f) * float(kTailBaseLength) + float(kTailBaseLength / 5);
    const float phi = (90.0f - other.az) * float(kDegToRad);
    return CanvasPoint{head.x + roundToInt(double(std::cos(phi) * L)),
                  head.y - roundToInt(double(std::sin(phi) * L))};
}

bool drawSelectedStates(QPainter& p, const ResultModel& model, const Selection& selection,
                        int df, const PlotStyle& style, const ProgressFn& progress, const bool* cancel) {
    drawFrame(p, style);
    const std::int64_t total = selection.symbolCount;
    const double A = double(df) * 3 * kLengthUnit;
    JitterRandom random;
    random.reset(0);
    if (progress) progress(0, total);
    QColor colors[11];
    for (int k = 0; k <= 10; ++k) colors[k] = toQColor(style.colors[size_t(k)]);
    // Symbol j is copy number j - (symbols of the states before) of its state; the
    // generator runs on from copy to copy and from state to state, as it would over
    // a list holding every copy.
    std::int64_t j = 0;
    for (const SelectedState& s : selection.states) {
        const GridPoint& g = model.gridPoints[s.index];
        const CanvasPoint projected[2] = {projectAxis(g.axis[0], 0), projectAxis(g.axis[1], 1)};
        const QColor& color = colors[std::min<int>(g.ratioClass, 10)];
        for (std::int32_t copy = 0; copy < s.count; ++copy, ++j) {
            if (progress) progress(j, total);
            if (cancel && *cancel) return false;
            for (int i = 0; i < 2; ++i) {
                const NetGeometry& net = kNets[i];
                const Direction& own = g.axis[i];
                const Direction& other = g.axis[1 - i];
                CanvasPoint head = projected[i];
                const double u1 = random.next();
                const double u2 = random.next();
                const int ox = roundToInt((0.5 - u2) * A);
                const int oy = roundToInt((0.5 - u1) * A);
                head.x += ox;
                head.y += oy;
                const long long dx = head.x - net.cx, dy = head.y - net.cy;
                if (dx * dx + dy * dy > static_cast<long long>(net.R) * net.R) {
                    head = projectAxis(Direction{own.az + 180.0f, own.pl}, i);
                    head.x += ox;
                    head.y += oy;
                }
                const CanvasPoint tail = style.drawTail ? tadpoleTailEnd(head, other) : head;
                drawTadpole(p, head, color, tail, style.headSize);
            }
        }
    }
    if (progress) progress(0, total);
    return true;
}

}  // namespace quillon::viewer
