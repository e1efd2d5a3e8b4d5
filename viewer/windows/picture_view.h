// An image area showing a recorded picture stretched to the widget's size, with
// a transparent overlay picture on top (the selected datum), and reporting the
// mouse in its own pixels.
#pragma once

#include <QPicture>
#include <QSize>
#include <QWidget>
#include <functional>

namespace quillon::viewer {

class PictureView : public QWidget {
    Q_OBJECT
public:
    // `logicalSize`: the coordinate system the pictures are recorded in.
    explicit PictureView(QSize logicalSize, QWidget* parent = nullptr);
    void setPicture(const QPicture& picture);
    void setOverlay(const QPicture& overlay);
    const QPicture& picture() const { return picture_; }
    const QPicture& overlay() const { return overlay_; }
    QSize logicalSize() const { return logicalSize_; }
    // The view as shown (picture, then overlay) at `size`.
    QImage render(QSize size) const;

signals:
    void mouseMovedTo(int x, int y);
    void contextMenuRequestedAt(const QPoint& globalPos);

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    QSize logicalSize_;
    QPicture picture_;
    QPicture overlay_;
};

// Records what `paint` draws as a picture.
QPicture recordPicture(const std::function<void(QPainter&)>& paint);

}  // namespace quillon::viewer
