#include "viewer/windows/plot_widgets.h"

#include <QMouseEvent>
#include <QPainter>

namespace quillon::viewer {

PlotImage::PlotImage(QWidget* parent) : QWidget(parent) {
    setObjectName("ImageDS");
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PlotImage::setPicture(const QImage& canvas) {
    picture_ = canvas;
    update();
}

void PlotImage::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (picture_.isNull()) return;
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRect(QPoint(0, 0), size()), picture_);
}

void PlotImage::mouseMoveEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    emit mouseMovedTo(pos.x(), pos.y());
}

void PlotImage::mouseReleaseEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    if (e->button() == Qt::LeftButton) emit mouseReleasedAt(pos.x(), pos.y());
}

void PlotImage::mouseDoubleClickEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    if (e->button() == Qt::LeftButton) emit doubleClickedAt(pos.x(), pos.y());
}

ColorStrip::ColorStrip(QWidget* parent) : QWidget(parent) {
    setObjectName("StringGridColors");
    setFixedSize(11 * kCellWidth, kCellHeight);
}

void ColorStrip::setColors(const ColorTable& colors) {
    colors_ = colors;
    update();
}

int ColorStrip::cellAt(int x) const { return std::clamp(x / kCellWidth, 0, 10); }

void ColorStrip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    for (int k = 0; k <= 10; ++k)
        p.fillRect(QRect(k * kCellWidth, 0, kCellWidth, kCellHeight), toQColor(colors_[size_t(k)]));
}

void ColorStrip::mousePressEvent(QMouseEvent* e) {
    emit cellPressed(cellAt(int(e->position().x())), e->button());
}

void ColorStrip::mouseReleaseEvent(QMouseEvent* e) {
    emit cellReleased(cellAt(int(e->position().x())), e->button());
}

}  // namespace quillon::viewer
