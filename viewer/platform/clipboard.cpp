#include "viewer/platform/clipboard.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QPicture>
#include <QSvgGenerator>

namespace quillon::platform {

namespace {

PaintFn replay(const QPicture& picture) {
    return [&picture](QPainter& p) { p.drawPicture(0, 0, picture); };
}

}  // namespace

QByteArray paintToSvg(const PaintFn& paint, QSize size) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator gen;
    gen.setOutputDevice(&buffer);
    gen.setSize(size);
    gen.setViewBox(QRect(QPoint(0, 0), size));
    gen.setResolution(96);
    QPainter p(&gen);
    paint(p);
    p.end();
    return buffer.data();
}

QImage paintToImage(const PaintFn& paint, QSize size) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    paint(p);
    p.end();
    return img;
}

QByteArray paintToPdf(const PaintFn& paint, QSize size) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        // One canvas unit is one point at 72 dpi: a 2000 x 1000 canvas is a
        // page of about 70 x 35 cm, scaled down by any viewer.
        pdf.setResolution(72);
        pdf.setPageSize(QPageSize(QSizeF(size), QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter p(&pdf);
        paint(p);
        p.end();
    }
    return buffer.data();
}

std::unique_ptr<QMimeData> paintMimeData(const PaintFn& paint, QSize size) {
    auto mime = std::make_unique<QMimeData>();
    mime->setData(QString::fromLatin1(kEmfMimeType), paintToEmf(paint, size));
    mime->setData(QStringLiteral("image/svg+xml"), paintToSvg(paint, size));
    mime->setImageData(paintToImage(paint, size));
    return mime;
}

void copyToClipboard(const PaintFn& paint, QSize size) {
    QGuiApplication::clipboard()->setMimeData(paintMimeData(paint, size).release());
}

QByteArray pictureToSvg(const QPicture& picture, QSize size) { return paintToSvg(replay(picture), size); }
QImage pictureToImage(const QPicture& picture, QSize size) { return paintToImage(replay(picture), size); }
QByteArray pictureToPdf(const QPicture& picture, QSize size) { return paintToPdf(replay(picture), size); }
std::unique_ptr<QMimeData> pictureMimeData(const QPicture& picture, QSize size) {
    return paintMimeData(replay(picture), size);
}
void copyPictureToClipboard(const QPicture& picture, QSize size) { copyToClipboard(replay(picture), size); }

}  // namespace quillon::platform
