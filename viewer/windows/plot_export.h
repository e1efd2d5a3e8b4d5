// Writing the stress-state plot to a picture file, chosen by the name's
// extension (any case): ".bmp", ".png" and ".jpg" write the 2000 x 1000 canvas
// bitmap, ".svg" and ".pdf" the picture drawn anew as vectors, and every other
// extension an enhanced metafile drawn anew.
#pragma once

#include <string>
#include <vector>

#include <QImage>
#include <QString>

#include "viewer/platform/emf_writer.h"
#include "viewer/platform/user_port.h"

namespace quillon::viewer {

enum class PictureFormat { Emf, Bmp, Jpeg, Png, Svg, Pdf };

// The format written for `path`.  `acceptJpegSpelling` also takes ".jpeg" as
// JPEG (the command line); the Export Image command keeps ".jpg" only.
PictureFormat pictureFormatFor(const QString& path, bool acceptJpegSpelling = false);
bool isBitmapFormat(PictureFormat f);

// The canvas size of every plot picture.
inline const QSize kCanvasSize(2000, 1000);

struct PictureOutcome {
    bool ok = false;
    QString message;   // on failure: names the file and the reason
};

// Writes what `paint` draws on a canvas of `size` to `path` by the format:
// bitmaps are painted on a white image of that size.  Whole or not at all.
PictureOutcome writePicture(const QString& path, PictureFormat format, QSize size,
                            const platform::PaintFn& paint);

// Writes `lines` with CR LF ends, whole or not at all.
PictureOutcome writeTextLines(const QString& path, const std::vector<std::string>& lines);

// The Save dialog for a text file: "Text files (*.txt)", extension "txt", asking
// before replacing.
platform::FileDialogRequest textFileRequest(const QString& title = {});

// Asks for a text file (a Save dialog titled `title`, asking before replacing)
// and writes `lines` there with writeTextLines; the chosen name's extension
// becomes ".txt".  Cancel writes nothing; a failure is shown in a message box.
void saveTextFile(platform::UserPort& port, QWidget* parent, const QString& title,
                  const std::vector<std::string>& lines);

// Writes `format` to `path`: `bitmap` for the bitmap formats, what `drawAnew`
// paints (called once, only for the vector formats) for the others.  The file
// is replaced whole or not at all.  `written`, when given, receives the bytes.
PictureOutcome writePlotPicture(const QString& path, PictureFormat format, const QImage& bitmap,
                                const platform::PaintFn& drawAnew, QByteArray* written = nullptr);

}  // namespace quillon::viewer
