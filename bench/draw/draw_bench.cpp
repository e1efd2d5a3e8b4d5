// Draws a 60000-state result with enhance factor 0 (every vote one symbol on
// each net) and reports symbols per second for the on-screen bitmap and for
// the metafile export, and how often the progress bar gets to move.
//
//   bench_draw [states] [max-votes]
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "viewer/model/plot_selection.h"
#include "viewer/platform/emf_writer.h"
#include "viewer/plot/stress_plot.h"

using namespace quillon::viewer;

namespace {

// A grid of random stress states (sigma3 perpendicular to sigma1) with 1 to
// maxVotes votes each, in ascending votes as a load leaves it.
ResultModel SyntheticResult(int states, int maxVotes) {
    ResultModel m;
    JitterRandom g(12345);
    for (int i = 0; i < states; ++i) {
        const double az1 = g.next() * 360, pl1 = std::asin(g.next()) * kRadToDeg;
        // A horizontal-ish direction perpendicular to sigma1, turned by a random angle.
        const Vector3 a = directionToVector(float(az1), float(pl1));
        Vector3 h = normalizeVector(crossProduct(a, makeVector(0, 0, 1)));
        const Vector3 k = crossProduct(a, h);
        const double t = g.next() * 2 * M_PI;
        Vector3 s3 = addVectors(scaleVector(h, float(std::cos(t))), scaleVector(k, float(std::sin(t))));
        if (s3.z > 0) s3 = negateVector(s3);
        const Direction d3 = vectorToDirection(s3);
        GridPoint p;
        p.id = static_cast<std::uint16_t>(i % 65535 + 1);
        p.votes = 1 + int(g.next() * maxVotes);
        p.axis[0] = Direction{float(std::round(az1)), float(std::round(pl1))};
        p.axis[1] = Direction{std::round(angleMod(d3.az, 360)), std::round(d3.pl)};
        p.stressRatio = float(g.next());
        p.ratioClass = static_cast<std::uint8_t>(std::lround(p.stressRatio * 10));
        m.gridPoints.push_back(p);
    }
    std::stable_sort(m.gridPoints.begin(), m.gridPoints.end(),
                     [](const GridPoint& a, const GridPoint& b) { return a.votes < b.votes; });
    m.gridCount = std::uint32_t(states);
    m.votedCount = std::uint32_t(states);
    m.computeVoteSd();
    return m;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int states = argc > 1 ? std::atoi(argv[1]) : 60000;
    const int maxVotes = argc > 2 ? std::atoi(argv[2]) : 3;
    ResultModel model = SyntheticResult(states, maxVotes);
    PlotSettings settings;
    settings.ef = 0;
    const Selection sel = selectStates(model, settings);
    const double symbols = 2.0 * double(sel.symbolCount);
    std::printf("states %d, entries %lld, tadpoles %.0f (%s)\n", states, static_cast<long long>(sel.symbolCount), symbols,
                sel.status.c_str());

    // On-screen bitmap, with the progress bar's repaint points timed.
    QImage canvas(2000, 1000, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    constexpr int kRepaintEvery = 1024;   // as the main window repaints its bar
    QElapsedTimer timer, gap;
    qint64 longestGapNs = 0;
    int repaints = 0;
    timer.start();
    gap.start();
    {
        QPainter p(&canvas);
        drawSelectedStates(p, model, sel, settings.df, PlotStyle{}, [&](std::int64_t pos, std::int64_t) {
            if (pos % kRepaintEvery == 0) {
                longestGapNs = std::max(longestGapNs, gap.nsecsElapsed());
                gap.restart();
                ++repaints;
            }
        });
    }
    const double rasterS = timer.nsecsElapsed() / 1e9;

    // Metafile export: the plot drawn anew on the EMF device.
    timer.restart();
    const QByteArray emf = quillon::platform::paintToEmf(
        [&](QPainter& p) { drawSelectedStates(p, model, sel, settings.df, PlotStyle{}); }, QSize(2000, 1000));
    const double emfS = timer.nsecsElapsed() / 1e9;

    std::printf("bitmap draw:     %8.3f s  %12.0f tadpoles/s\n", rasterS, symbols / rasterS);
    std::printf("EMF export:      %8.3f s  %12.0f tadpoles/s  (%.1f MB)\n", emfS, symbols / emfS,
                emf.size() / 1e6);
    std::printf("progress bar: %d repaints, longest gap between them %.1f ms\n", repaints,
                longestGapNs / 1e6);
    std::printf("ratio metafile export / bitmap draw: %.2f\n", emfS / rasterS);
    return 0;
}
