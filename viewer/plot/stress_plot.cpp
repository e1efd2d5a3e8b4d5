#include "viewer/plot/stress_plot.h"

#include <QPainter>
#include <QPen>
#include <cmath>

#include "viewer/geometry/rounding.h"

namespace quillon::viewer {

namespace {

// Lines end and join round, like the wide pens of the platform the pictures
// are meant for; nothing is anti-aliased, so canvas pixels stay exact.
QPen SolidPen(const QColor& color, int width) {
    QPen pen(color, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

// A filled square without outline covering x - h .. x + h - 1.
void FillSquare(QPainter& p, int x, int y, int h, const QColor& color) {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawRect(QRect(x - h, y - h, 2 * h, 2 * h));
}

}  // namespace

ColorTable DefaultColors() {
    return {16711800u, 16204358u, 16084526u, 13413708u, 8113170u, 1888374u,
            1824450u,  713197u,   1095154u,  1009397u,  1179885u};
}

QColor ToQColor(TColorValue c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

void DrawTadpole(QPainter& p, TPoint head, const QColor& color, TPoint tailEnd, int h) {
    constexpr int s = kShadowOffset;
    p.setPen(SolidPen(Qt::black, 2));
    p.setBrush(Qt::black);
    p.drawLine(head.x + s, head.y + s, tailEnd.x + s, tailEnd.y + s);
    FillSquare(p, head.x + s, head.y + s, h, Qt::black);
    p.setPen(SolidPen(color, 2));
    p.setBrush(color);
    p.drawLine(head.x, head.y, tailEnd.x, tailEnd.y);
    FillSquare(p, head.x, head.y, h, color);
}

void DrawNets(QPainter& p) {
    const QColor gray = ToQColor(kNetGray);
    for (const NetGeometry& n : kNets) {
        const int cx = n.cx, cy = n.cy, R = n.R;
        p.setPen(SolidPen(gray, 3));
        p.setBrush(Qt::white);
        p.drawEllipse(QRect(cx - R, cy - R, 2 * R, 2 * R));
        p.drawLine(cx, cy - R, cx, cy - R - 2 * LU);
        p.drawLine(cx + R, cy, cx + R + 2 * LU, cy);
        p.drawLine(cx, cy + R, cx, cy + R + 2 * LU);
        p.drawLine(cx - R, cy, cx - R - 2 * LU, cy);
        p.setPen(SolidPen(gray, 8));
        const int px = cx, py = cy - R - 3 * LU + 2;
        const QPoint letter[4] = {{px - 2 * LU, py}, {px - 2 * LU, py - 2 * LU},
                                  {px + 2 * LU, py}, {px + 2 * LU, py - 2 * LU}};
        p.drawPolyline(letter, 4);
    }
}

void DrawColorLegend(QPainter& p, const ColorTable& colors) {
    constexpr int w = 3 * LU;
    constexpr int x0 = 1000 - 5 * w;
    QPen pen(Qt::black, 1);
    pen.setCosmetic(true);
    p.setPen(pen);
    for (int i = 0; i <= 10; ++i) {
        p.setBrush(ToQColor(colors[size_t(i)]));
        // The box from (x0 + i w, 1000 - w) to (x0 + (i + 1) w, 1000): its
        // outline lies on the first and last pixel rows and columns inside.
        p.drawRect(QRect(x0 + i * w, kCanvasHeight - w, w - 1, w - 1));
    }
}

void DrawTailLegend(QPainter& p, int headSize) {
    const QColor gray = ToQColor(kNetGray);
    for (int i = 0; i <= 9; ++i) {
        const int y = 1000 - 6 * LU - 2 * i * LU;
        const TPoint head{1000, y};
        const TPoint tail{1000 + BarLength0 * (9 - i) / 9 + BarLength0 / 5, y};
        DrawTadpole(p, head, gray, tail, headSize);
    }
}

void DrawFrame(QPainter& p, const PlotStyle& style) {
    DrawNets(p);
    DrawColorLegend(p, style.colors);
    DrawTailLegend(p, style.headSize);
}

TPoint TailEnd(TPoint head, const Tazpl& other) {
    const float L = (1.0f - other.pl / 90.0f) * float(BarLength0) + float(BarLength0 / 5);
    const float phi = (90.0f - other.az) * float(kDegToRad);
    return TPoint{head.x + RoundToInt(double(std::cos(phi) * L)),
                  head.y - RoundToInt(double(std::sin(phi) * L))};
}

void DrawSelectedStates(QPainter& p, const ResultModel& model, const Selection& selection,
                        int df, const PlotStyle& style, const ProgressFn& progress) {
    DrawFrame(p, style);
    const int total = int(selection.entries.size());
    const double A = double(df) * 3 * LU;
    TRandomGenerator random;
    random.Reset(0);
    if (progress) progress(0, total);
    QColor colors[11];
    for (int k = 0; k <= 10; ++k) colors[k] = ToQColor(style.colors[size_t(k)]);
    for (int j = 0; j < total; ++j) {
        if (progress) progress(j, total);
        const TGridPoint& g = model.GridPoints[selection.entries[size_t(j)]];
        for (int i = 0; i < 2; ++i) {
            const NetGeometry& net = kNets[i];
            const Tazpl& own = g.axis[i];
            const Tazpl& other = g.axis[1 - i];
            TPoint head = ProjectAxis(own, i);
            const double u1 = random.Next();
            const double u2 = random.Next();
            const int ox = RoundToInt((0.5 - u2) * A);
            const int oy = RoundToInt((0.5 - u1) * A);
            head.x += ox;
            head.y += oy;
            const long long dx = head.x - net.cx, dy = head.y - net.cy;
            if (dx * dx + dy * dy > static_cast<long long>(net.R) * net.R) {
                head = ProjectAxis(Tazpl{own.az + 180.0f, own.pl}, i);
                head.x += ox;
                head.y += oy;
            }
            const TPoint tail = style.drawTail ? TailEnd(head, other) : head;
            DrawTadpole(p, head, colors[std::min<int>(g.sri, 10)], tail, style.headSize);
        }
    }
    if (progress) progress(0, total);
}

}  // namespace quillon::viewer
