#include "viewer/windows/run_gui.h"

#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>

#include "viewer/model/plot_selection.h"
#include "viewer/model/result_model.h"
#include "viewer/platform/user_port.h"
#include "viewer/plot/stress_plot.h"
#include "viewer/windows/main_window.h"
#include "viewer/windows/plot_export.h"
#include "viewer/windows/secondary_windows.h"

namespace quillon::viewer {

ViewerWindows::ViewerWindows() = default;

ViewerWindows::~ViewerWindows() {
    if (main) main->Terminate();
    mohr.reset();
    stat.reset();
    fd.reset();
    color.reset();
    about.reset();
    main.reset();
}

std::unique_ptr<ViewerWindows> CreateViewerWindows(const QString& homeDir, platform::UserPort& port) {
    auto w = std::make_unique<ViewerWindows>();
    w->main = std::make_unique<TFormM5main>(homeDir, port);
    w->about = std::make_unique<TFormAbout>();
    w->color = std::make_unique<TFormColor>();
    w->fd = std::make_unique<TFormFD>();
    w->stat = std::make_unique<TForm_statwindow>();
    w->mohr = std::make_unique<TFormMohr>();
    w->main->setSecondaryWindows(
        SecondaryWindows{w->about.get(), w->color.get(), w->fd.get(), w->stat.get(), w->mohr.get()});
    return w;
}

int run_gui(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("QL Viewer");
    QApplication::setApplicationDisplayName("QL Viewer");
    QFont arial("Arial");
    arial.setPointSize(9);
    QApplication::setFont(arial);
    // The end of the program is the main window's end procedure, not the
    // closing of whichever window happens to be last.
    QApplication::setQuitOnLastWindowClosed(false);

    platform::QtUserPort port;
    auto windows = CreateViewerWindows(QCoreApplication::applicationDirPath(), port);
    windows->main->show();
    if (windows->main->Termination) return 1;   // the default grid could not be read
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 1 && !args.at(1).startsWith('-')) windows->main->OpenFromCommandLine(args.at(1));
    const int rc = windows->main->Termination ? 0 : QApplication::exec();
    windows.reset();
    return rc;
}

bool IsExportMode(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "--export") return true;
    return false;
}

namespace {

std::optional<int> IntArg(const std::string& text, int lo, int hi) {
    try {
        std::size_t used = 0;
        const int v = std::stoi(text, &used);
        if (used != text.size() || v < lo || v > hi) return std::nullopt;
        return v;
    } catch (...) {
        return std::nullopt;
    }
}

int Usage(const std::string& problem) {
    std::cerr << "qlv4: " << problem << "\n"
              << "usage: qlv4 --export RESULT OUT [--ef N] [--df N] [--sr LO HI] [--head-only] "
                 "[--small-head] [--home DIR]\n";
    return 2;
}

// Message texts join their lines with CR LF (message boxes); a console wants LF.
std::string ConsoleText(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i)
        if (!(s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n')) out += s[i];
    return out;
}

}  // namespace

int run_export(int argc, char** argv) {
    std::vector<std::string> positional;
    PlotSettings settings;
    PlotStyle style;
    std::string home;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&](const char* what) -> std::optional<std::string> {
            if (i + 1 >= argc) return std::nullopt;
            (void)what;
            return std::string(argv[++i]);
        };
        if (a == "--export") continue;
        if (a == "--ef" || a == "--df") {
            const auto v = next(a.c_str());
            const auto n = v ? IntArg(*v, 0, a == "--ef" ? 99 : 3) : std::nullopt;
            if (!n) return Usage(a + (a == "--ef" ? " needs an integer 0 to 99" : " needs an integer 0 to 3"));
            (a == "--ef" ? settings.ef : settings.df) = *n;
        } else if (a == "--sr") {
            const auto lo = next("lo");
            const auto hi = next("hi");
            const int l = lo ? IntArg(*lo, 0, 10).value_or(-1) : -1;
            const int h = hi ? IntArg(*hi, 0, 10).value_or(-1) : -1;
            if (l < 0 || h < 0 || l > h) return Usage("--sr needs two classes LO <= HI, each 0 to 10");
            settings.srLo = l;
            settings.srUp = h;
        } else if (a == "--head-only") {
            style.drawTail = false;
        } else if (a == "--small-head") {
            style.headSize = kHeadSmall;
        } else if (a == "--home") {
            const auto v = next("dir");
            if (!v) return Usage("--home needs a directory");
            home = *v;
        } else if (!a.empty() && a[0] == '-') {
            return Usage("unknown option " + a);
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() != 2) return Usage("--export needs RESULT and OUT");

    // Nothing is shown: the offscreen platform needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QGuiApplication app(qtArgc, qtArgv);

    ResultModel model;
    QString homeDir = home.empty() ? QCoreApplication::applicationDirPath() : QString::fromStdString(home);
    if (!homeDir.endsWith('/')) homeDir += '/';
    model.HomeDir = homeDir.toStdString();
    FaultDataSet data;
    const QString result = QFileInfo(QString::fromStdString(positional[0])).absoluteFilePath();
    const LoadOutcome loaded = model.LoadResultFile(result.toStdString(), data);
    if (!loaded.ok) {
        std::cerr << ConsoleText(loaded.message) << "\n";
        return 1;
    }
    model.ComputeVoteSd();
    const Selection selection = SelectStates(model, settings);

    auto draw = [&](QPainter& p) { DrawSelectedStates(p, model, selection, settings.df, style); };
    const QString out = QString::fromStdString(positional[1]);
    const PictureFormat format = PictureFormatFor(out, /*acceptJpegSpelling=*/true);
    QImage canvas;
    if (IsBitmapFormat(format)) {
        canvas = QImage(kCanvasSize, QImage::Format_RGB32);
        canvas.fill(Qt::white);
        QPainter p(&canvas);
        draw(p);
    }
    const PictureOutcome written = WritePlotPicture(out, format, canvas, draw);
    if (!written.ok) {
        std::cerr << ConsoleText(written.message.toStdString()) << "\n";
        return 1;
    }
    std::cout << selection.status << "\n" << "Picture written to " << out.toStdString() << "\n";
    return 0;
}

}  // namespace quillon::viewer
