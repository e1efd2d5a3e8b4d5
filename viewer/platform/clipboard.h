// Putting a recorded picture on the clipboard in the forms that office
// programs and image editors on Linux accept.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QMimeData>
#include <memory>

class QPicture;

namespace quillon::platform {

// MIME type under which the enhanced metafile bytes are offered.
inline constexpr const char* kEmfMimeType = "image/x-emf";

// The metafile, an SVG rendering and a PNG rendering of `picture`
// (a canvas of `size`) as clipboard data.
std::unique_ptr<QMimeData> pictureMimeData(const QPicture& picture, QSize size);

// Replaces the system clipboard's content with pictureMimeData().
void copyPictureToClipboard(const QPicture& picture, QSize size);

// Renderings shared with the exports.
QByteArray pictureToSvg(const QPicture& picture, QSize size);
QImage pictureToImage(const QPicture& picture, QSize size);   // white background
QByteArray pictureToPdf(const QPicture& picture, QSize size);

}  // namespace quillon::platform
