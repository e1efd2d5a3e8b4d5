// Widgets of the main window's plot: the image area showing the canvas scaled,
// and the strip of stress-ratio colours between the bound track bars.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

#include "viewer/plot/stress_plot.h"

namespace quillon::viewer {

// ImageDS: shows a copy of the 2000 x 1000 canvas scaled to its own size and
// reports mouse moves in its own coordinates.
class PlotImage : public QWidget {
    Q_OBJECT
public:
    explicit PlotImage(QWidget* parent = nullptr);
    void setPicture(const QImage& canvas);
    const QImage& picture() const { return picture_; }

signals:
    void mouseMovedTo(int x, int y);
    void mouseReleasedAt(int x, int y);
    void doubleClickedAt(int x, int y);

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    QImage picture_;
};

// StringGridColors: one row of 11 cells of 14 x 20 pixels painted with the
// class colours.
class ColorStrip : public QWidget {
    Q_OBJECT
public:
    static constexpr int kCellWidth = 14, kCellHeight = 20;
    explicit ColorStrip(QWidget* parent = nullptr);
    void setColors(const ColorTable& colors);
    QSize sizeHint() const override { return {11 * kCellWidth, kCellHeight}; }

signals:
    void cellPressed(int cell, Qt::MouseButton button);
    void cellReleased(int cell, Qt::MouseButton button);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    int cellAt(int x) const;
    ColorTable colors_ = defaultColors();
};

}  // namespace quillon::viewer
