#include "viewer/windows/run_gui.h"

#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>

#include "viewer/cli/cli.h"
#include "viewer/model/palette_file.h"
#include "viewer/model/plot_selection.h"
#include "viewer/model/result_model.h"
#include "viewer/platform/user_port.h"
#include "viewer/plot/stress_plot.h"
#include "viewer/windows/main_window.h"
#include "viewer/windows/plot_export.h"
#include "viewer/windows/about_box.h"
#include "viewer/windows/fault_data_window.h"
#include "viewer/windows/measurement_window.h"
#include "viewer/windows/mohr_window.h"
#include "viewer/windows/palette_window.h"

namespace quillon::viewer {

ViewerWindows::ViewerWindows() = default;

ViewerWindows::~ViewerWindows() {
    if (main) main->endProgram();
    mohr.reset();
    measurement.reset();
    dataWindow.reset();
    palette.reset();
    about.reset();
    main.reset();
}

std::unique_ptr<ViewerWindows> createViewerWindows(const QString& homeDir, platform::UserPort& port) {
    auto w = std::make_unique<ViewerWindows>();
    w->main = std::make_unique<MainWindow>(homeDir, port);
    w->about = std::make_unique<AboutBox>();
    w->palette = std::make_unique<PaletteWindow>(port);
    w->dataWindow = std::make_unique<FaultDataWindow>(port);
    w->measurement = std::make_unique<MeasurementWindow>();
    w->mohr = std::make_unique<MohrWindow>(port);
    // The data window holds the data set; the Mohr diagram draws it, and both
    // read the stress the main window designates.
    MainWindow* main = w->main.get();
    w->mohr->setDataSet(&w->dataWindow->dataSet);
    w->dataWindow->setMohrWindow(w->mohr.get());
    w->dataWindow->designatedStress = [main] { return main->model.designatedStress; };
    w->dataWindow->onShowMainWindow = [main] { main->bringMainWindowForward(); };
    w->main->setSecondaryWindows(
        SecondaryWindows{w->about.get(), w->palette.get(), w->dataWindow.get(), w->measurement.get(), w->mohr.get()});
    // The colour window edits the main window's palette; OK applies it and
    // remembers it for the next start.  A remembered palette replaces the
    // default colours before the main window is first shown.
    {
        MainWindow* m = w->main.get();
        w->palette->setStartFolder(m->homeDir);
        w->palette->setPaletteSource([m] { return m->plotStyle.colors; });
        QObject::connect(w->palette.get(), &PaletteWindow::paletteAccepted, m, [m](const ColorTable& colors) {
            m->applyPalette(colors);
            // As with the recent-file list, a program directory that cannot
            // be written loses only the remembered palette.
            QString error;
            writeRememberedPalette(m->homeDir, colors, &error);
        });
        if (const auto remembered = readRememberedPalette(m->homeDir, port, m)) m->applyPalette(*remembered);
    }
    return w;
}

int runGui(int argc, char** argv) {
    // Refused before any window or display is needed: a mistyped option must
    // not open the viewer as if nothing were wrong.
    if (const auto unknown = unknownWindowOption(argc, argv)) {
        std::cerr << "qlv4: unknown option " << *unknown << "\n"
                  << "qlv4 --help lists the command-line modes.\n";
        return 2;
    }
    // Past a file-size limit a write fails with an error the viewer reports,
    // instead of the signal ending the program with a temporary file left behind.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication app(argc, argv);
    // The application title.  No display name is set: the platform would
    // append it to every window caption (" QL Viewer  [ r.ql4 ] - QL Viewer").
    QApplication::setApplicationName("QL Viewer");
    QFont arial("Arial");
    arial.setPointSize(9);
    QApplication::setFont(arial);
    // The end of the program is the main window's end procedure, not the
    // closing of whichever window happens to be last.
    QApplication::setQuitOnLastWindowClosed(false);

    platform::QtUserPort port;
    auto windows = createViewerWindows(QCoreApplication::applicationDirPath(), port);
    windows->main->show();
    if (windows->main->programEnded) return 1;   // the default grid could not be read
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 1 && !args.at(1).startsWith('-')) windows->main->openFromCommandLine(args.at(1));
    const int rc = windows->main->programEnded ? 0 : QApplication::exec();
    windows.reset();
    return rc;
}

bool isExportMode(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "--export") return true;
    return false;
}

namespace {

std::optional<int> intArg(const std::string& text, int lo, int hi) {
    try {
        std::size_t used = 0;
        const int v = std::stoi(text, &used);
        if (used != text.size() || v < lo || v > hi) return std::nullopt;
        return v;
    } catch (...) {
        return std::nullopt;
    }
}

constexpr const char* kExportUsage =
    "usage: qlv4 --export RESULT OUT [--ef N] [--df N] [--sr LO HI] [--head-only] "
    "[--small-head] [--home DIR] [--palette FILE.pal]\n";

int usage(const std::string& problem) {
    std::cerr << "qlv4: " << problem << "\n" << kExportUsage;
    return 2;
}

// Message texts join their lines with CR LF (message boxes); a console wants LF.
std::string consoleText(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i)
        if (!(s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n')) out += s[i];
    return out;
}

}  // namespace

int runExport(int argc, char** argv) {
    std::vector<std::string> positional;
    PlotSettings settings;
    PlotStyle style;
    std::string home;
    std::string palettePath;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&](const char* what) -> std::optional<std::string> {
            if (i + 1 >= argc) return std::nullopt;
            (void)what;
            return std::string(argv[++i]);
        };
        if (a == "--export") continue;
        if (a == "--help" || a == "-h") {
            std::cout << kExportUsage
                      << "Renders the picture Draw would show for RESULT to OUT, by OUT's extension:\n"
                         "  .png .bmp .jpg  the 2000 x 1000 canvas\n"
                         "  .svg .pdf       vector pictures\n"
                         "  other           an enhanced metafile\n"
                         "  --ef N          enhance factor 0 to 99 (default 8)\n"
                         "  --df N          dispersion factor 0 to 3 (default 2)\n"
                         "  --sr LO HI      stress-ratio bounds, classes 0 to 10 (default 0 10)\n"
                         "  --head-only     tadpoles without tails\n"
                         "  --small-head    small tadpole heads\n"
                         "  --home DIR      directory holding the CGP grids (default: the program's)\n"
                         "  --palette FILE  the colours of the stress-ratio classes from a palette file\n"
                         "                  (.pal, as the colour window saves it; default: the default\n"
                         "                  colours, not the palette remembered by the window)\n";
            return 0;
        }
        if (a == "--ef" || a == "--df") {
            const auto v = next(a.c_str());
            const auto n = v ? intArg(*v, 0, a == "--ef" ? 99 : 3) : std::nullopt;
            if (!n) return usage(a + (a == "--ef" ? " needs an integer 0 to 99" : " needs an integer 0 to 3"));
            (a == "--ef" ? settings.ef : settings.df) = *n;
        } else if (a == "--sr") {
            const auto lo = next("lo");
            const auto hi = next("hi");
            const int l = lo ? intArg(*lo, 0, 10).value_or(-1) : -1;
            const int h = hi ? intArg(*hi, 0, 10).value_or(-1) : -1;
            if (l < 0 || h < 0 || l > h) return usage("--sr needs two classes LO <= HI, each 0 to 10");
            settings.srLo = l;
            settings.srUp = h;
        } else if (a == "--head-only") {
            style.drawTail = false;
        } else if (a == "--small-head") {
            style.headSize = kHeadSmall;
        } else if (a == "--palette") {
            const auto v = next("file");
            if (!v) return usage("--palette needs a palette file");
            palettePath = *v;
        } else if (a == "--home") {
            const auto v = next("dir");
            if (!v) return usage("--home needs a directory");
            home = *v;
        } else if (!a.empty() && a[0] == '-') {
            return usage("unknown option " + a);
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() != 2) return usage("--export needs RESULT and OUT");
    // Read before anything else: a palette that cannot be read writes nothing.
    if (!palettePath.empty()) {
        const PaletteRead palette = readPaletteFile(palettePath);
        if (!palette.ok) {
            std::cerr << "qlv4: " << palette.message << "\n";
            return 1;
        }
        style.colors = palette.colors;
    }

    // Nothing is shown: the offscreen platform needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QGuiApplication app(qtArgc, qtArgv);

    ResultModel model;
    QString homeDir = home.empty() ? QCoreApplication::applicationDirPath() : QString::fromStdString(home);
    if (!homeDir.endsWith('/')) homeDir += '/';
    model.homeDir = homeDir.toStdString();
    FaultDataSet data;
    const QString result = QFileInfo(QString::fromStdString(positional[0])).absoluteFilePath();
    const LoadOutcome loaded = model.loadResultFile(result.toStdString(), data);
    if (!loaded.ok) {
        std::cerr << consoleText(loaded.message) << "\n";
        return 1;
    }
    model.computeVoteSd();
    const Selection selection = selectStates(model, settings);
    // Never write over an input (compared by file identity, so another name for
    // the same file is caught too).
    if (const auto input = model.inputSameAs(positional[1])) {
        std::cerr << "Cannot write the file " << positional[1] << "\n"
                  << "It is the input file " << *input << "; nothing was written.\n";
        return 1;
    }
    std::signal(SIGXFSZ, SIG_IGN);

    auto draw = [&](QPainter& p) { drawSelectedStates(p, model, selection, settings.df, style); };
    const QString out = QString::fromStdString(positional[1]);
    const PictureFormat format = pictureFormatFor(out, /*acceptJpegSpelling=*/true);
    // A vector picture holds every symbol; a bitmap is drawn in fixed memory.
    if (!isBitmapFormat(format) && selection.symbolCount > kMaxVectorSymbols) {
        std::cerr << "Cannot write the file " << positional[1] << "\n"
                  << "The selection holds " << selection.symbolCount << " symbols, more than the "
                  << kMaxVectorSymbols << " a vector picture is given; raise the enhance factor "
                  << "or write a .png, .bmp or .jpg picture.\n";
        return 1;
    }
    QImage canvas;
    if (isBitmapFormat(format)) {
        canvas = QImage(kCanvasSize, QImage::Format_RGB32);
        canvas.fill(Qt::white);
        QPainter p(&canvas);
        draw(p);
    }
    const PictureOutcome written = writePlotPicture(out, format, canvas, draw);
    if (!written.ok) {
        std::cerr << consoleText(written.message.toStdString()) << "\n";
        return 1;
    }
    std::cout << selection.status << "\n" << "Picture written to " << out.toStdString() << "\n";
    return 0;
}

}  // namespace quillon::viewer
