#include "viewer/windows/measurement_window.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillon::viewer {

MeasurementWindow::MeasurementWindow(QWidget* parent) : QDialog(parent) {
    setObjectName("MeasurementWindow");
    setWindowTitle("Result of Measurement");
    setModal(false);
    QFont arial("Arial");
    arial.setPointSize(9);
    setFont(arial);
    auto* layout = new QVBoxLayout(this);
    textView = new QPlainTextEdit(this);
    textView->setObjectName("measurementText");
    textView->setReadOnly(true);
    textView->setToolTip("The content of this window can be copied to the clipboard.");
    QFont mono("Liberation Mono");
    mono.setStyleHint(QFont::Monospace);
    mono.setPointSize(9);
    textView->setFont(mono);
    layout->addWidget(textView);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    closeButton = new QPushButton("&Close Window", this);
    closeButton->setObjectName("closeWindowButton");
    connect(closeButton, &QPushButton::clicked, this, &MeasurementWindow::closeWindow);
    buttons->addWidget(closeButton);
    layout->addLayout(buttons);
    resize(400, 301);
}

void MeasurementWindow::setLines(const std::vector<std::string>& lines, int windowHeight, int textHeight) {
    QStringList text;
    for (const std::string& l : lines) text << QString::fromStdString(l);
    textView->setPlainText(text.join('\n'));
    textView->setFixedHeight(textHeight);
    resize(width(), windowHeight);
}

void MeasurementWindow::showThetaDistance(const std::vector<std::string>& lines) {
    setLines(lines, 281, 190);
    show();
    raise();
}

void MeasurementWindow::showStatistics(const std::vector<std::string>& lines) { setLines(lines, 301, 240); }

void MeasurementWindow::closeWindow() {
    textView->clear();
    hide();
}

QString MeasurementWindow::text() const { return textView->toPlainText(); }

}  // namespace quillon::viewer
