// The viewer's secondary windows, each created once at start and then only
// shown and hidden.  The About box is complete; the colour, data, measurement
// and Mohr windows are the shells that later features fill in.
#pragma once

#include <QDialog>
#include <QMainWindow>
#include <functional>

#include "viewer/model/fault_data.h"

class QMenu;
class QPlainTextEdit;

namespace quillon::viewer {

// Help > "&Version": caption "QL Visualizer", logo, banner, name, version and
// credits; "OK" hides it.
class TFormAbout : public QDialog {
    Q_OBJECT
public:
    explicit TFormAbout(QWidget* parent = nullptr);
};

// " Colors": the palette editor.
class TFormColor : public QMainWindow {
    Q_OBJECT
public:
    explicit TFormColor(QWidget* parent = nullptr);
};

// How the data window draws its stereonet.
enum class TPlotMethod { SGC, TLD };

// " Fault-Slip Data": holds the data set filled by the result loader.
class TFormFD : public QMainWindow {
    Q_OBJECT
public:
    explicit TFormFD(QWidget* parent = nullptr);

    FaultDataSet Data;
    TPlotMethod PlotMethod = TPlotMethod::SGC;
    QMenu* MenuProjection = nullptr;   // "&Projection", visible in pro mode only
    // Run when the window is closed by the user: closing it ends the program.
    std::function<void()> OnTerminateRequest;

    void InitializeHistogram();
    void FillStringGridwithFaultData();
    void Draw_SGC(int selected);
    void Draw_TLD(int selected);
    void Wipe_ImageSelectedFault();
    void Terminate();

    // How often each refresh ran (the later data window replaces the shells).
    int histogramResets = 0;
    int gridFills = 0;

protected:
    void closeEvent(QCloseEvent* e) override;
};

// "Result of Measurement".
class TForm_statwindow : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm_statwindow(QWidget* parent = nullptr);
    QPlainTextEdit* Memo = nullptr;
};

// "Mohr Diagram".
class TFormMohr : public QMainWindow {
    Q_OBJECT
public:
    explicit TFormMohr(QWidget* parent = nullptr);
};

}  // namespace quillon::viewer
