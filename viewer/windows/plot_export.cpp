#include "viewer/windows/plot_export.h"

#include <QBuffer>
#include <QFileInfo>

#include "viewer/platform/clipboard.h"
#include "viewer/platform/emf_writer.h"
#include "viewer/platform/jpeg_writer.h"

namespace quillon::viewer {

namespace {
PictureOutcome writePictureAs(const QString& path, PictureFormat format, QSize size, const QImage& bitmap,
                              const platform::PaintFn& drawAnew, QByteArray* written);
}

PictureFormat pictureFormatFor(const QString& path, bool acceptJpegSpelling) {
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == "bmp") return PictureFormat::Bmp;
    if (ext == "jpg" || (acceptJpegSpelling && ext == "jpeg")) return PictureFormat::Jpeg;
    if (ext == "png") return PictureFormat::Png;
    if (ext == "svg") return PictureFormat::Svg;
    if (ext == "pdf") return PictureFormat::Pdf;
    return PictureFormat::Emf;
}

bool isBitmapFormat(PictureFormat f) {
    return f == PictureFormat::Bmp || f == PictureFormat::Jpeg || f == PictureFormat::Png;
}

PictureOutcome writePicture(const QString& path, PictureFormat format, QSize size,
                            const platform::PaintFn& paint) {
    if (!isBitmapFormat(format)) return writePictureAs(path, format, size, QImage(), paint, nullptr);
    return writePictureAs(path, format, size, platform::paintToImage(paint, size), paint, nullptr);
}

PictureOutcome writeTextLines(const QString& path, const std::vector<std::string>& lines) {
    QByteArray bytes;
    for (const std::string& l : lines) bytes += QByteArray::fromStdString(l) + "\r\n";
    QString error;
    if (platform::writeFileAtomically(path, bytes, &error)) return {true, {}};
    return {false, "Cannot write the file " + path + "\r\n" + error};
}

platform::FileDialogRequest textFileRequest(const QString& title) {
    platform::FileDialogRequest req;
    req.title = title;
    req.filter = "Text files (*.txt)|*.txt";
    req.filterIndex = 1;
    req.defaultExt = "txt";
    req.promptOverwrite = true;
    return req;
}

void saveTextFile(platform::UserPort& port, QWidget* parent, const QString& title,
                  const std::vector<std::string>& lines) {
    const auto chosen = port.saveFile(parent, textFileRequest(title));
    if (!chosen) return;
    const QFileInfo info(*chosen);
    const PictureOutcome saved = writeTextLines(info.path() + "/" + info.completeBaseName() + ".txt", lines);
    if (!saved.ok) port.message(parent, saved.message);
}

PictureOutcome writePlotPicture(const QString& path, PictureFormat format, const QImage& bitmap,
                                const platform::PaintFn& drawAnew, QByteArray* written) {
    return writePictureAs(path, format, kCanvasSize, bitmap, drawAnew, written);
}

namespace {

PictureOutcome writePictureAs(const QString& path, PictureFormat format, QSize size, const QImage& bitmap,
                              const platform::PaintFn& drawAnew, QByteArray* written) {
    QByteArray bytes;
    QString error;
    switch (format) {
        case PictureFormat::Bmp:
        case PictureFormat::Png: {
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            if (!bitmap.save(&buffer, format == PictureFormat::Bmp ? "BMP" : "PNG"))
                error = "the image could not be encoded";
            break;
        }
        case PictureFormat::Jpeg:
            bytes = platform::encodeJpeg(bitmap, platform::kJpegQuality, &error);
            break;
        case PictureFormat::Svg:
            bytes = platform::paintToSvg(drawAnew, size);
            break;
        case PictureFormat::Pdf:
            bytes = platform::paintToPdf(drawAnew, size);
            break;
        case PictureFormat::Emf:
            bytes = platform::paintToEmf(drawAnew, size);
            break;
    }
    if (bytes.isEmpty() && error.isEmpty()) error = "nothing to write";
    if (written) *written = bytes;
    if (error.isEmpty() && platform::writeFileAtomically(path, bytes, &error)) return {true, {}};
    return {false, "Cannot write the file " + path + "\r\n" + error};
}

}  // namespace

}  // namespace quillon::viewer
