#include "viewer/windows/picture_view.h"

#include <QContextMenuEvent>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>

namespace quillon::viewer {

namespace {

void paintStretched(QPainter& p, const QPicture& picture, QSize logical, QSize target) {
    if (picture.isNull()) return;
    p.save();
    p.scale(double(target.width()) / logical.width(), double(target.height()) / logical.height());
    p.drawPicture(0, 0, picture);
    p.restore();
}

}  // namespace

PictureView::PictureView(QSize logicalSize, QWidget* parent) : QWidget(parent), logicalSize_(logicalSize) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureView::setPicture(const QPicture& picture) {
    picture_ = picture;
    update();
}

void PictureView::setOverlay(const QPicture& overlay) {
    overlay_ = overlay;
    update();
}

QImage PictureView::render(QSize size) const {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    paintStretched(p, picture_, logicalSize_, size);
    paintStretched(p, overlay_, logicalSize_, size);
    return image;
}

void PictureView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setRenderHint(QPainter::Antialiasing);
    paintStretched(p, picture_, logicalSize_, size());
    paintStretched(p, overlay_, logicalSize_, size());
}

void PictureView::mouseMoveEvent(QMouseEvent* e) {
    emit mouseMovedTo(int(e->position().x()), int(e->position().y()));
    QWidget::mouseMoveEvent(e);
}

void PictureView::contextMenuEvent(QContextMenuEvent* e) { emit contextMenuRequestedAt(e->globalPos()); }

QPicture recordPicture(const std::function<void(QPainter&)>& paint) {
    QPicture picture;
    QPainter p(&picture);
    paint(p);
    p.end();
    return picture;
}

}  // namespace quillon::viewer
