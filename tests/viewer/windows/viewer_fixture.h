// A program directory in a temporary folder with a small grid, result files
// written to order, and the viewer's windows created on it with a scripted
// message/dialog port.
#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>
#include <utility>
#include <vector>

#include "viewer/platform/user_port.h"
#include "viewer/windows/main_window.h"
#include "viewer/windows/run_gui.h"
#include "viewer/windows/about_box.h"
#include "viewer/windows/fault_data_window.h"
#include "viewer/windows/measurement_window.h"
#include "viewer/windows/mohr_window.h"
#include "viewer/windows/palette_window.h"

namespace quillon::testing {

// Grid lines: sigma1 az, pl, sigma3 az, pl, Phi.
inline const char* const kGridLines[] = {
    "90 0 0 90 0.0",        // 1: sigma1 E horizontal, sigma3 vertical
    "123.6 44.5 33.4 45.5 0.45",  // 2: the coordinate example
    "0 90 0 0 0.5",         // 3: sigma1 vertical, sigma3 N horizontal
    "200 60 20 30 1.0",     // 4
};

class ViewerFixture {
public:
    ViewerFixture() : home(dir.path() + "/") {
        WriteText("Unif60000.cgp", Grid());
        WriteText("small.cgp", Grid());
    }

    static QByteArray Grid() {
        QByteArray g = QByteArray::number(int(std::size(kGridLines))) + "\r\n";
        for (const char* l : kGridLines) g += QByteArray(l) + "\r\n";
        return g;
    }

    void WriteText(const QString& name, const QByteArray& text) {
        QFile f(home + name);
        f.open(QIODevice::WriteOnly);
        f.write(text);
    }

    // A result of `nData` data naming `grid`, with the given (grid point,
    // votes) lines and data file name; returns its full path.
    QString WriteResult(const QString& name, std::vector<std::pair<int, int>> votes, int nData = 2,
                        const QByteArray& grid = "Unif60000.cgp",
                        const QByteArray& dataFile = "C:\\data\\sample.fdt") {
        QByteArray t = " " + QByteArray::number(nData).rightJustified(7) + "\r\n";
        for (int i = 0; i < nData; ++i) t += "120.0 45.0 200.0 30.0 n\r\n";
        t += " " + QByteArray::number(int(std::size(kGridLines))).rightJustified(12) + "\r\n";
        t += " " + QByteArray::number(int(votes.size())).rightJustified(12) + "\r\n";
        t += grid + "\r\n";
        for (auto [g, v] : votes)
            t += QByteArray::number(g).rightJustified(9) + QByteArray::number(v).rightJustified(9) + "\r\n";
        t += "Data = " + dataFile + "\r\n k =  4\r\n";
        WriteText(name, t);
        return home + name;
    }

    // A result holding the given data lines (plane, slip, sense) under grid
    // file "Unif60000.cgp"; returns its full path.
    QString WriteResultWithData(const QString& name, std::vector<std::pair<int, int>> votes,
                                const std::vector<QByteArray>& dataLines,
                                const QByteArray& dataFile = "C:\\data\\sample.fdt") {
        QByteArray t = " " + QByteArray::number(int(dataLines.size())).rightJustified(7) + "\r\n";
        for (const QByteArray& l : dataLines) t += l + "\r\n";
        t += " " + QByteArray::number(int(std::size(kGridLines))).rightJustified(12) + "\r\n";
        t += " " + QByteArray::number(int(votes.size())).rightJustified(12) + "\r\n";
        t += "Unif60000.cgp\r\n";
        for (auto [g, v] : votes)
            t += QByteArray::number(g).rightJustified(9) + QByteArray::number(v).rightJustified(9) + "\r\n";
        t += "Data = " + dataFile + "\r\n k =  4\r\n";
        WriteText(name, t);
        return home + name;
    }

    // The windows as the program creates them, the main window shown.
    void Start() {
        windows = viewer::createViewerWindows(home, port);
        main = windows->main.get();
        main->show();
    }

    QTemporaryDir dir;
    QString home;
    platform::ScriptedUserPort port;
    std::unique_ptr<viewer::ViewerWindows> windows;
    viewer::MainWindow* main = nullptr;
};

}  // namespace quillon::testing
