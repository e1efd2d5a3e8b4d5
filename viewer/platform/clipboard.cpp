#include "viewer/platform/clipboard.h"

#include "viewer/platform/emf_writer.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QPicture>
#include <QSvgGenerator>

namespace quillon::platform {

QByteArray pictureToSvg(const QPicture& picture, QSize size) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator gen;
    gen.setOutputDevice(&buffer);
    gen.setSize(size);
    gen.setViewBox(QRect(QPoint(0, 0), size));
    gen.setResolution(96);
    QPainter p(&gen);
    p.drawPicture(0, 0, picture);
    p.end();
    return buffer.data();
}

QImage pictureToImage(const QPicture& picture, QSize size) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.drawPicture(0, 0, picture);
    p.end();
    return img;
}

QByteArray pictureToPdf(const QPicture& picture, QSize size) {
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
        p.drawPicture(0, 0, picture);
        p.end();
    }
    return buffer.data();
}

std::unique_ptr<QMimeData> pictureMimeData(const QPicture& picture, QSize size) {
    auto mime = std::make_unique<QMimeData>();
    mime->setData(QString::fromLatin1(kEmfMimeType), pictureToEmf(picture, size));
    mime->setData(QStringLiteral("image/svg+xml"), pictureToSvg(picture, size));
    mime->setImageData(pictureToImage(picture, size));
    return mime;
}

void copyPictureToClipboard(const QPicture& picture, QSize size) {
    QGuiApplication::clipboard()->setMimeData(pictureMimeData(picture, size).release());
}

}  // namespace quillon::platform
