// Enhanced Metafile output as a Qt paint device.
//
// Painting on an EmfDevice records GDI-style EMF records (header, pens,
// brushes, fonts, lines, polylines, polygons, rectangles, ellipses, text, end
// of file) in logical units equal to device pixels (MM_TEXT), so that a
// picture drawn on the 2000 x 1000 canvas keeps its coordinates.  Bitmaps and
// gradients are not recorded (the viewer's pictures use neither).
#pragma once

#include <QByteArray>
#include <QPaintDevice>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>

class QPainter;
class QPicture;

namespace quillon::platform {

class EmfPaintEngine;

class EmfDevice final : public QPaintDevice {
public:
    // `size` in device pixels; `dpi` sets the physical frame written in the
    // header (pixels per inch of the reference device).
    explicit EmfDevice(QSize size, int dpi = 96);
    ~EmfDevice() override;

    QPaintEngine* paintEngine() const override;
    // The complete metafile once the painter has ended (empty before).
    QByteArray data() const;
    QSize size() const { return size_; }

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    QSize size_;
    int dpi_;
    std::unique_ptr<EmfPaintEngine> engine_;
};

// Draws a picture on a painter in the coordinates of its canvas.
using PaintFn = std::function<void(QPainter&)>;

// The enhanced metafile of what `paint` draws on a canvas of `size`.
QByteArray paintToEmf(const PaintFn& paint, QSize size);
// Replays `picture` (recorded in the coordinates of a canvas of `size`) into
// an enhanced metafile and returns its bytes.
QByteArray pictureToEmf(const QPicture& picture, QSize size);

// Writes `bytes` to `path` atomically (no half-written file on failure).
// Returns false and sets `error` when the file cannot be written.
bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error);

}  // namespace quillon::platform
