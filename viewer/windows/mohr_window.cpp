#include "viewer/windows/mohr_window.h"


namespace quillon::viewer {

MohrWindow::MohrWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName("MohrWindow");
    setWindowTitle("Mohr Diagram");
    resize(480, 400);
}

}  // namespace quillon::viewer
