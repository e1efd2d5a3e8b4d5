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
    TRandomGenerator g(12345);
    for (int i = 0; i < states; ++i) {
        const double az1 = g.Next() * 360, pl1 = std::asin(g.Next()) * kRadToDeg;
        // A horizontal-ish direction perpendicular to sigma1, turned by a random angle.
        const Tvector a = AzplToVector(float(az1), float(pl1));
        Tvector h = NormalizeVector(CrossProduct(a, Vector(0, 0, 1)));
        const Tvector k = CrossProduct(a, h);
        const double t = g.Next() * 2 * M_PI;
        Tvector s3 = AddVectors(ScaleVector(h, float(std::cos(t))), ScaleVector(k, float(std::sin(t))));
        if (s3.z > 0) s3 = NegateVector(s3);
        const Tazpl d3 = VectorToAzpl(s3);
        TGridPoint p;
        p.id = static_cast<std::uint16_t>(i % 65535 + 1);
        p.nv = 1 + int(g.Next() * maxVotes);
        p.axis[0] = Tazpl{float(std::round(az1)), float(std::round(pl1))};
        p.axis[1] = Tazpl{std::round(AngleMod(d3.az, 360)), std::round(d3.pl)};
        p.sr = float(g.Next());
        p.sri = static_cast<std::uint8_t>(std::lround(p.sr * 10));
        m.GridPoints.push_back(p);
    }
    std::stable_sort(m.GridPoints.begin(), m.GridPoints.end(),
                     [](const TGridPoint& a, const TGridPoint& b) { return a.nv < b.nv; });
    m.NG = std::uint32_t(states);
    m.NZG = std::uint32_t(states);
    m.ComputeVoteSd();
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
    const Selection sel = SelectStates(model, settings);
    const double symbols = 2.0 * double(sel.entries.size());
    std::printf("states %d, entries %zu, tadpoles %.0f (%s)\n", states, sel.entries.size(), symbols,
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
        DrawSelectedStates(p, model, sel, settings.df, PlotStyle{}, [&](int pos, int) {
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
        [&](QPainter& p) { DrawSelectedStates(p, model, sel, settings.df, PlotStyle{}); }, QSize(2000, 1000));
    const double emfS = timer.nsecsElapsed() / 1e9;

    std::printf("bitmap draw:     %8.3f s  %12.0f tadpoles/s\n", rasterS, symbols / rasterS);
    std::printf("EMF export:      %8.3f s  %12.0f tadpoles/s  (%.1f MB)\n", emfS, symbols / emfS,
                emf.size() / 1e6);
    std::printf("progress bar: %d repaints, longest gap between them %.1f ms\n", repaints,
                longestGapNs / 1e6);
    std::printf("ratio metafile export / bitmap draw: %.2f\n", emfS / rasterS);
    return 0;
}
