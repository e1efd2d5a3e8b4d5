// Reads an enhanced metafile back through a real, independent reader: the
// emf2svg converter, whose SVG is then rendered by Qt.
#pragma once

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QSvgRenderer>
#include <QTemporaryDir>

namespace quillon::testing {

// Renders `emf` through emf2svg-conv; a null image (and `error`) when the
// converter is missing or rejects the file.
inline QImage renderEmfThroughSvg(const QByteArray& emf, QSize size, QString* error) {
    QTemporaryDir dir;
    const QString in = dir.filePath("in.emf"), out = dir.filePath("out.svg");
    QFile f(in);
    if (!f.open(QIODevice::WriteOnly) || f.write(emf) != emf.size()) {
        *error = "cannot write " + in;
        return {};
    }
    f.close();
    QProcess conv;
    conv.start("emf2svg-conv", {"-i", in, "-o", out});
    if (!conv.waitForFinished(60000) || conv.exitCode() != 0) {
        *error = "emf2svg-conv failed: " + QString::fromLocal8Bit(conv.readAllStandardError()) +
                 conv.errorString();
        return {};
    }
    QSvgRenderer renderer(out);
    if (!renderer.isValid()) {
        *error = "emf2svg-conv wrote an invalid SVG";
        return {};
    }
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    // The SVG's size is the metafile's inclusive bounds (one unit less than
    // the canvas): draw it at one unit per pixel.
    renderer.render(&p, QRectF(QPointF(0, 0), renderer.defaultSize()));
    p.end();
    return img;
}

}  // namespace quillon::testing
