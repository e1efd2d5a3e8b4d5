// The stress-state plot pinned by canvas pixels computed from the geometry of
// the nets, not by pictures of itself.
#include "tests/viewer/windows/emf_check.h"
#include "tests/viewer/windows/plot_fixture.h"
#include "tests/viewer/windows/qt_test_app.h"
#include "viewer/platform/clipboard.h"
#include "viewer/platform/emf_writer.h"
#include "viewer/plot/stress_plot.h"
#include "viewer/geometry/rounding.h"

#include <QPicture>
#include <gtest/gtest.h>
#include <vector>

using namespace quillon::viewer;
using quillon::testing::ModelOf;
using quillon::testing::WhiteCanvas;

namespace {

const QColor kWhite(Qt::white), kBlack(Qt::black), kGray(128, 128, 128);

QColor At(const QImage& img, int x, int y) { return img.pixelColor(x, y); }

QImage Draw(ResultModel& model, const PlotSettings& settings, const PlotStyle& style = {},
            Selection* out = nullptr) {
    Selection sel = selectStates(model, settings);
    QImage img = WhiteCanvas();
    QPainter p(&img);
    drawSelectedStates(p, model, sel, settings.df, style);
    p.end();
    if (out) *out = sel;
    return img;
}

TEST(StressPlotFrame, NetsTicksAndLetters) {
    QImage img = WhiteCanvas();
    QPainter p(&img);
    drawFrame(p, PlotStyle{});
    p.end();
    for (const NetGeometry& n : kNets) {
        // Primitive circle (width 3) at the four cardinal points, white inside.
        EXPECT_EQ(At(img, n.cx, n.cy - n.R), kGray);
        EXPECT_EQ(At(img, n.cx + n.R, n.cy), kGray);
        EXPECT_EQ(At(img, n.cx, n.cy + n.R), kGray);
        EXPECT_EQ(At(img, n.cx - n.R, n.cy), kGray);
        EXPECT_EQ(At(img, n.cx, n.cy), kWhite);
        EXPECT_EQ(At(img, n.cx + n.R - 10, n.cy), kWhite);
        // Ticks 2 LU outward, nothing beyond them.
        EXPECT_EQ(At(img, n.cx, n.cy - n.R - 15), kGray);
        EXPECT_EQ(At(img, n.cx + n.R + 15, n.cy), kGray);
        EXPECT_EQ(At(img, n.cx, n.cy + n.R + 15), kGray);
        EXPECT_EQ(At(img, n.cx - n.R - 15, n.cy), kGray);
        EXPECT_EQ(At(img, n.cx + n.R + 25, n.cy), kWhite);
        // N: two uprights at cx -/+ 20 from y 17 to 37 and the diagonal between.
        const int py = n.cy - n.R - 3 * kLengthUnit + 2;
        EXPECT_EQ(py, 37);
        EXPECT_EQ(At(img, n.cx - 20, py - 10), kGray);
        EXPECT_EQ(At(img, n.cx + 20, py - 10), kGray);
        EXPECT_EQ(At(img, n.cx, py - 10), kGray);          // middle of the diagonal
        // The diagonal runs from (cx - 20, py - 20) down to (cx + 20, py).
        EXPECT_EQ(At(img, n.cx - 10, py - 15), kGray);
        EXPECT_EQ(At(img, n.cx - 10, py - 4), kWhite);     // below its upper half
        EXPECT_EQ(At(img, n.cx + 10, py - 16), kWhite);    // above its lower half
    }
}

TEST(StressPlotFrame, ColorLegendBoxesAlongTheBottom) {
    ColorTable colors = defaultColors();
    QImage img = WhiteCanvas();
    QPainter p(&img);
    drawColorLegend(p, colors);
    p.end();
    for (int i = 0; i <= 10; ++i) {
        const int l = 850 + 30 * i;
        EXPECT_EQ(At(img, l + 15, 985), toQColor(colors[size_t(i)])) << "class " << i;
        EXPECT_EQ(At(img, l, 985), kBlack) << "left outline " << i;
        EXPECT_EQ(At(img, l + 29, 985), kBlack) << "right outline " << i;
        EXPECT_EQ(At(img, l + 15, 970), kBlack) << "top outline " << i;
        EXPECT_EQ(At(img, l + 15, 999), kBlack) << "bottom outline " << i;
    }
    EXPECT_EQ(At(img, 849, 985), kWhite);
    EXPECT_EQ(At(img, 1180, 985), kWhite);
    EXPECT_EQ(At(img, 1000, 969), kWhite);
    // Default class colours: the colour words of the table.
    EXPECT_EQ(toQColor(colors[0]), QColor(120, 0, 255));
    EXPECT_EQ(toQColor(colors[4]), QColor(18, 204, 123));
    EXPECT_EQ(toQColor(colors[10]), QColor(237, 0, 18));
}

TEST(StressPlotFrame, TailLegendShowsTailLengthPerPlunge) {
    QImage img = WhiteCanvas();
    QPainter p(&img);
    drawTailLegend(p, kHeadSmall);
    p.end();
    for (int i = 0; i <= 9; ++i) {
        const int y = 1000 - 60 - 20 * i;
        const int tailEnd = 1000 + 50 * (9 - i) / 9 + 10;
        EXPECT_EQ(At(img, 1000, y), kGray) << i;                    // head
        EXPECT_EQ(At(img, tailEnd - 1, y), kGray) << i;             // tail reaches its end
        EXPECT_NE(At(img, tailEnd + 3, y), kGray) << i;             // and stops there
        EXPECT_EQ(At(img, 1000 + 7, y + 7), kBlack) << i;           // shadow corner
    }
}

TEST(StressPlotStates, HeadLandsOnTheProjectedAxisInItsClassColour) {
    // sigma1 (124, 44), sigma3 (33, 46), Phi 0.45 -> class 4 (ties to even).
    ResultModel m = ModelOf({{124, 44, 33, 46, 0.45f, 3}});
    PlotSettings s;
    s.df = 0;
    const QImage img = Draw(m, s);
    const QColor c4 = toQColor(defaultColors()[4]);
    ASSERT_EQ(m.gridPoints[0].ratioClass, 4);
    for (int net = 0; net < 2; ++net) {
        const CanvasPoint h = projectAxis(m.gridPoints[0].axis[net], net);
        EXPECT_EQ(At(img, h.x, h.y), c4) << "net " << net;
        EXPECT_EQ(At(img, h.x - 12, h.y + 11), c4);   // head covers x-12 .. x+11
        EXPECT_EQ(At(img, h.x + 13, h.y + 13), kBlack); // shadow corner
        EXPECT_NE(At(img, h.x - 13, h.y + 5), c4);
    }
}

TEST(StressPlotStates, TailLengthAndDirectionFromTheOtherAxis) {
    struct Case { float s3az, s3pl; int up, right; };
    // Tail on the sigma1 net from the sigma3 axis: horizontal trending N is 60
    // units straight up; trending E is 60 to the right; vertical is 10 long.
    const Case cases[] = {{0, 0, 60, 0}, {90, 0, 0, 60}, {0, 90, 10, 0}, {0, 45, 35, 0}};
    for (const Case& c : cases) {
        ResultModel m = ModelOf({{200, 60, c.s3az, c.s3pl, 0.5f, 1}});
        PlotSettings s;
        s.df = 0;
        PlotStyle style;
        style.headSize = kHeadTiny;
        const QImage img = Draw(m, s, style);
        const QColor col = toQColor(defaultColors()[5]);
        const CanvasPoint h = projectAxis(m.gridPoints[0].axis[0], 0);
        const CanvasPoint end{h.x + c.right, h.y - c.up};
        EXPECT_EQ(tadpoleTailEnd(h, m.gridPoints[0].axis[1]), end) << c.s3az << "/" << c.s3pl;
        // One unit short of the end is tail colour, a few beyond is not.
        const int sx = c.right ? 1 : 0, sy = c.up ? 1 : 0;
        EXPECT_EQ(At(img, end.x - sx, end.y + sy), col) << c.s3az << "/" << c.s3pl;
        EXPECT_NE(At(img, end.x + 4 * sx, end.y - 4 * sy), col) << c.s3az << "/" << c.s3pl;
    }
}

TEST(StressPlotStates, HeadOnlyDrawsNoTail) {
    ResultModel m = ModelOf({{200, 60, 0, 0, 0.5f, 1}});
    PlotSettings s;
    s.df = 0;
    PlotStyle style;
    style.drawTail = false;
    const QImage img = Draw(m, s, style);
    const CanvasPoint h = projectAxis(m.gridPoints[0].axis[0], 0);
    EXPECT_EQ(At(img, h.x, h.y), toQColor(defaultColors()[5]));
    EXPECT_EQ(At(img, h.x, h.y - 30), kWhite);
}

TEST(StressPlotStates, JitterThatLeavesTheNetMovesToTheOppositeSide) {
    // Horizontal sigma1 trending E sits on the primitive at (950, 515): any
    // offset to the right would leave the net.
    ResultModel m = ModelOf({{90, 0, 0, 90, 1.0f, 1}});
    EXPECT_EQ(projectAxis(m.gridPoints[0].axis[0], 0), (CanvasPoint{950, 515}));
    PlotSettings s;
    s.df = 3;
    PlotStyle style;
    style.drawTail = false;
    const QImage img = Draw(m, s, style);
    JitterRandom g;
    const double u1 = g.next(), u2 = g.next();
    const int ox = quillon::viewer::roundToInt((0.5 - u2) * 90);
    const int oy = quillon::viewer::roundToInt((0.5 - u1) * 90);
    ASSERT_NE(ox, 0);
    const QColor red = toQColor(defaultColors()[10]);
    const CanvasPoint inside{950 + ox, 515 + oy}, opposite{50 + ox, 515 + oy};
    const bool leaves = (inside.x - 500) * (inside.x - 500) + (inside.y - 515) * (inside.y - 515) > 450 * 450;
    const CanvasPoint expected = leaves ? opposite : inside;
    const CanvasPoint other = leaves ? inside : opposite;
    EXPECT_EQ(At(img, expected.x, expected.y), red);
    EXPECT_NE(At(img, other.x, other.y), red);
}

TEST(StressPlotStates, DispersionZeroStacksCopiesOnOnePoint) {
    // Sd 0.1 and ef 8: threshold 1, so 3 votes give 3 copies.
    ResultModel m = ModelOf({{10, 20, 190, 70, 0.2f, 3}}, 0.1f);
    PlotSettings s;
    s.df = 0;
    Selection sel;
    const QImage three = Draw(m, s, PlotStyle{}, &sel);
    EXPECT_EQ(sel.symbolCount, 3);
    ResultModel one = ModelOf({{10, 20, 190, 70, 0.2f, 1}}, 0.1f);
    EXPECT_EQ(three, Draw(one, s));
}

TEST(StressPlotStates, BoundsAndEnhanceFactorSelect) {
    // Outside the bounds nothing is drawn: the picture is the bare frame.
    ResultModel m = ModelOf({{10, 20, 190, 70, 0.3f, 5}, {100, 20, 280, 70, 0.7f, 6}}, 0.1f);
    PlotSettings s;
    s.df = 0;
    s.srLo = s.srUp = 3;
    const QImage only3 = Draw(m, s);
    const CanvasPoint a = projectAxis(m.gridPoints[0].axis[0], 0);
    const CanvasPoint b = projectAxis(m.gridPoints[1].axis[0], 0);
    EXPECT_EQ(At(only3, a.x, a.y), toQColor(defaultColors()[3]));
    EXPECT_EQ(At(only3, b.x, b.y), kWhite);
    s.srLo = 0;
    s.srUp = 10;
    const QImage all = Draw(m, s);
    EXPECT_EQ(At(all, b.x, b.y), toQColor(defaultColors()[7]));
}

TEST(StressPlotStates, LaterStatesLieOnTop) {
    // Same sigma1 axis, the second state (more votes) is drawn last.
    ResultModel m = ModelOf({{30, 30, 210, 60, 0.0f, 1}, {30, 30, 120, 0, 1.0f, 2}});
    PlotSettings s;
    s.df = 0;
    const QImage img = Draw(m, s);
    const CanvasPoint h = projectAxis(m.gridPoints[0].axis[0], 0);
    EXPECT_EQ(At(img, h.x, h.y), toQColor(defaultColors()[10]));
}

TEST(StressPlotStates, TwoDrawsGiveIdenticalPicturesAndProgressFollows) {
    ResultModel m = ModelOf({{10, 20, 190, 70, 0.1f, 2}, {120, 5, 30, 40, 0.6f, 3},
                             {300, 80, 120, 10, 0.9f, 4}}, 0.1f);
    PlotSettings s;   // df 2: jittered
    std::vector<std::pair<int, int>> calls;
    auto drawOnce = [&] {
        Selection sel = selectStates(m, s);
        QImage img = WhiteCanvas();
        QPainter p(&img);
        calls.clear();
        drawSelectedStates(p, m, sel, s.df, PlotStyle{},
                           [&](int pos, int max) { calls.emplace_back(pos, max); });
        return img;
    };
    const QImage first = drawOnce();
    const QImage second = drawOnce();
    EXPECT_EQ(first, second);
    // 9 entries: (0, 9) first, then 0..8 before each entry, then (0, 9) again.
    ASSERT_EQ(calls.size(), 11u);
    EXPECT_EQ(calls.front(), std::make_pair(0, 9));
    EXPECT_EQ(calls[9], std::make_pair(8, 9));
    EXPECT_EQ(calls.back(), std::make_pair(0, 9));
}

TEST(StressPlotExport, MetafileReadBackShowsTheSameSymbols) {
    ResultModel m = ModelOf({{10, 20, 190, 70, 0.1f, 2}, {120, 5, 30, 40, 0.6f, 3},
                             {300, 80, 120, 10, 0.9f, 4}, {90, 0, 0, 0, 0.4f, 6}}, 0.1f);
    PlotSettings s;
    Selection sel = selectStates(m, s);
    QPicture pic;
    QPainter p(&pic);
    drawSelectedStates(p, m, sel, s.df, PlotStyle{});
    p.end();
    const QSize canvas(2000, 1000);
    QString error;
    const QImage viaEmf = quillon::testing::renderEmfThroughSvg(
        quillon::platform::pictureToEmf(pic, canvas), canvas, &error);
    ASSERT_FALSE(viaEmf.isNull()) << error.toStdString();
    const QImage direct = Draw(m, s);
    EXPECT_LT(quillon::testing::maxBlockDifference(direct, viaEmf, 10), 60);
    // Without the last state the comparison fails: a missing symbol is seen.
    ResultModel fewer = ModelOf({{10, 20, 190, 70, 0.1f, 2}, {120, 5, 30, 40, 0.6f, 3},
                                 {300, 80, 120, 10, 0.9f, 4}}, 0.1f);
    EXPECT_GT(quillon::testing::maxBlockDifference(Draw(fewer, s), viaEmf, 10), 100);
}

// The picture of a list holding every symbol, one entry per copy: the reference
// the (state, count) selection must reproduce pixel for pixel, jitter included.
QImage DrawEntryByEntry(const ResultModel& m, const Selection& sel, int df, const PlotStyle& style) {
    QImage img = WhiteCanvas();
    QPainter p(&img);
    drawFrame(p, style);
    std::vector<std::size_t> entries;
    for (const SelectedState& s : sel.states) entries.insert(entries.end(), std::size_t(s.count), s.index);
    JitterRandom random;
    const double A = df * 3.0 * kLengthUnit;
    for (std::size_t e : entries) {
        const GridPoint& g = m.gridPoints[e];
        for (int i = 0; i < 2; ++i) {
            const double u1 = random.next(), u2 = random.next();
            const CanvasPoint off{roundToInt((0.5 - u2) * A), roundToInt((0.5 - u1) * A)};
            CanvasPoint head = projectAxis(g.axis[i], i);
            head = {head.x + off.x, head.y + off.y};
            const double dx = head.x - kNets[i].cx, dy = head.y - kNets[i].cy;
            if (dx * dx + dy * dy > double(kNets[i].R) * kNets[i].R) {
                head = projectAxis(Direction{g.axis[i].az + 180.0f, g.axis[i].pl}, i);
                head = {head.x + off.x, head.y + off.y};
            }
            drawTadpole(p, head, toQColor(style.colors[g.ratioClass]),
                        style.drawTail ? tadpoleTailEnd(head, g.axis[1 - i]) : head, style.headSize);
        }
    }
    p.end();
    return img;
}

TEST(StressPlotStates, SameAsAListOfEverySymbol) {
    // States near the primitive (jitter pushes some copies across it), several
    // copies each, every dispersion factor.
    ResultModel m = ModelOf({{10, 2, 190, 70, 0.1f, 3}, {120, 5, 30, 40, 0.6f, 4},
                             {300, 80, 120, 10, 0.9f, 2}, {90, 0, 0, 0, 0.4f, 5}}, 0.1f);
    for (int df = 0; df <= 3; ++df) {
        PlotSettings s;
        s.ef = 0;
        s.df = df;
        Selection sel;
        const QImage drawn = Draw(m, s, PlotStyle{}, &sel);
        ASSERT_EQ(sel.symbolCount, 14);
        EXPECT_EQ(drawn, DrawEntryByEntry(m, sel, df, PlotStyle{})) << "df " << df;
    }
}

TEST(StressPlotStates, CancelStopsTheDrawing) {
    ResultModel m = ModelOf({{10, 20, 190, 70, 0.1f, 3}, {120, 5, 30, 40, 0.6f, 4}}, 0.1f);
    PlotSettings s;
    const Selection sel = selectStates(m, s);
    QImage img = WhiteCanvas();
    QPainter p(&img);
    bool cancel = false;
    std::int64_t last = -1;
    const bool complete = drawSelectedStates(
        p, m, sel, s.df, PlotStyle{},
        [&](std::int64_t pos, std::int64_t) {
            last = pos;
            if (pos == 4) cancel = true;
        },
        &cancel);
    EXPECT_FALSE(complete);
    EXPECT_EQ(last, 4);  // nothing announced after the cancel
    p.end();
    // Cancelled before the first symbol: the bare frame.
    QImage none = WhiteCanvas();
    QPainter q(&none);
    cancel = true;
    EXPECT_FALSE(drawSelectedStates(q, m, sel, s.df, PlotStyle{}, {}, &cancel));
    q.end();
    QImage frame = WhiteCanvas();
    QPainter f(&frame);
    drawFrame(f, PlotStyle{});
    f.end();
    EXPECT_EQ(none, frame);
}

}  // namespace
