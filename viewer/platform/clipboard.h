// Renderings of a picture for the exports and the clipboard: SVG, PDF and a
// white-backed image besides the enhanced metafile, and the clipboard data
// that office programs and image editors on Linux accept.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QMimeData>
#include <memory>

#include "viewer/platform/emf_writer.h"

class QPicture;

namespace quillon::platform {

// MIME type under which the enhanced metafile bytes are offered.
inline constexpr const char* kEmfMimeType = "image/x-emf";

// Each rendering calls `paint` once on a canvas of `size`.
QByteArray paintToSvg(const PaintFn& paint, QSize size);
QImage paintToImage(const PaintFn& paint, QSize size);   // white background
QByteArray paintToPdf(const PaintFn& paint, QSize size);

// The metafile, an SVG rendering and an image rendering as clipboard data.
std::unique_ptr<QMimeData> paintMimeData(const PaintFn& paint, QSize size);
// Replaces the system clipboard's content with paintMimeData().
void copyToClipboard(const PaintFn& paint, QSize size);

// The same for a recorded picture.
QByteArray pictureToSvg(const QPicture& picture, QSize size);
QImage pictureToImage(const QPicture& picture, QSize size);
QByteArray pictureToPdf(const QPicture& picture, QSize size);
std::unique_ptr<QMimeData> pictureMimeData(const QPicture& picture, QSize size);
void copyPictureToClipboard(const QPicture& picture, QSize size);

}  // namespace quillon::platform
