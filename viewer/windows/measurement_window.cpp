#include "viewer/windows/measurement_window.h"

#include <QPlainTextEdit>

namespace quillon::viewer {

MeasurementWindow::MeasurementWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName("MeasurementWindow");
    setWindowTitle("Result of Measurement");
    textView = new QPlainTextEdit(this);
    textView->setReadOnly(true);
    setCentralWidget(textView);
    resize(400, 301);
}

}  // namespace quillon::viewer
