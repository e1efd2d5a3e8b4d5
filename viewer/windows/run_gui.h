// Entry points of qlv4's windowed program and of its picture export.
#pragma once

#include <QString>
#include <memory>

namespace quillon::platform {
class UserPort;
}

namespace quillon::viewer {

class MainWindow;
class AboutBox;
class PaletteWindow;
class FaultDataWindow;
class MeasurementWindow;
class MohrWindow;

// The viewer's windows, created in the order of the program start: main
// window, About box, colour window, Fault-Slip Data window, Result of
// Measurement window, Mohr Diagram window.  Destroying the set runs the main
// window's end procedure first (recent files written), then closes them all.
struct ViewerWindows {
    std::unique_ptr<MainWindow> main;
    std::unique_ptr<AboutBox> about;
    std::unique_ptr<PaletteWindow> palette;
    std::unique_ptr<FaultDataWindow> dataWindow;
    std::unique_ptr<MeasurementWindow> measurement;
    std::unique_ptr<MohrWindow> mohr;
    ViewerWindows();
    ~ViewerWindows();
};
std::unique_ptr<ViewerWindows> createViewerWindows(const QString& homeDir, platform::UserPort& port);

// The windowed program: application title "QL Viewer", the windows, the main
// window shown; `qlv4 FILE` opens FILE as File > Open would.
int runGui(int argc, char** argv);

// True when the arguments ask for `--export`.
bool isExportMode(int argc, char** argv);

// qlv4 --export RESULT OUT [--ef N] [--df N] [--sr LO HI] [--head-only]
//      [--small-head] [--home DIR] [--palette FILE.pal]
// Renders the picture Draw would show with those settings to OUT, by OUT's
// extension (.png .bmp .jpg/.jpeg: the 2000 x 1000 canvas; .svg .pdf: vectors;
// anything else an enhanced metafile), without a display.  Returns 0 on
// success, 1 when the result cannot be loaded or OUT cannot be written, 2 for
// malformed arguments.
int runExport(int argc, char** argv);

}  // namespace quillon::viewer
