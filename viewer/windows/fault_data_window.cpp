#include "viewer/windows/fault_data_window.h"

#include <QCloseEvent>
#include <QMenuBar>

namespace quillon::viewer {

FaultDataWindow::FaultDataWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName("FaultDataWindow");
    setWindowTitle(" Fault-Slip Data");
    projectionMenu = menuBar()->addMenu("&Projection");
    projectionMenu->menuAction()->setVisible(false);
    resize(640, 480);
}

void FaultDataWindow::initializeHistogram() { ++histogramResets; }
void FaultDataWindow::fillDataGrid() { ++gridFills; }
void FaultDataWindow::drawGreatCirclePlot(int) {}
void FaultDataWindow::drawTangentLineationPlot(int) {}
void FaultDataWindow::clearSelectedDatum() {}
void FaultDataWindow::releaseData() {}

void FaultDataWindow::closeEvent(QCloseEvent* e) {
    e->accept();
    if (onCloseRequested) onCloseRequested();
}

}  // namespace quillon::viewer
