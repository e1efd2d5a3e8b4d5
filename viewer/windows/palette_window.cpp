#include "viewer/windows/palette_window.h"


namespace quillon::viewer {

PaletteWindow::PaletteWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName("PaletteWindow");
    setWindowTitle(" Colors");
    resize(320, 240);
}

}  // namespace quillon::viewer
