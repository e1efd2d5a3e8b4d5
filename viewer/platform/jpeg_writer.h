// JPEG encoding through libjpeg's compression API.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace quillon::platform {

// Quality used for the plot exports: high enough that thin net lines and the
// one-pixel legend outlines survive.
constexpr int kJpegQuality = 90;

// Encodes `image` as a baseline JPEG (RGB, 4:2:0) of the given quality
// (1..100).  Returns an empty array and sets `error` when libjpeg fails.
QByteArray encodeJpeg(const QImage& image, int quality, QString* error);

// Encodes and writes atomically to `path`.
bool saveJpeg(const QImage& image, const QString& path, int quality, QString* error);

}  // namespace quillon::platform
