// The Fault-Slip Data window: the data set behind the loaded result and how
// well it fits the designated stress.
#pragma once

#include <QMainWindow>
#include <functional>

#include "viewer/model/fault_data.h"

class QMenu;

namespace quillon::viewer {

// How the data window draws its stereonet.
enum class PlotMethod { SGC, TLD };

// " Fault-Slip Data": holds the data set filled by the result loader.
class FaultDataWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit FaultDataWindow(QWidget* parent = nullptr);

    FaultDataSet dataSet;
    PlotMethod plotMethod = PlotMethod::SGC;
    QMenu* projectionMenu = nullptr;   // "&Projection", visible in pro mode only
    // Run when the window is closed by the user: closing it ends the program.
    std::function<void()> onCloseRequested;

    void initializeHistogram();
    void fillDataGrid();
    void drawGreatCirclePlot(int selected);
    void drawTangentLineationPlot(int selected);
    void clearSelectedDatum();
    void releaseData();

    // How often each refresh ran (the later data window replaces the shells).
    int histogramResets = 0;
    int gridFills = 0;

protected:
    void closeEvent(QCloseEvent* e) override;
};

}  // namespace quillon::viewer
