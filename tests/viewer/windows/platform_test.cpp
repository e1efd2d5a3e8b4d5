// The platform stand-ins: dialog filters, the scripted port, the EMF writer
// read back by a real reader, the JPEG encoder decoded again.
#include "tests/viewer/windows/emf_check.h"
#include "tests/viewer/windows/qt_test_app.h"
#include "viewer/platform/clipboard.h"
#include "viewer/platform/emf_writer.h"
#include "viewer/platform/jpeg_writer.h"
#include "viewer/platform/user_port.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPicture>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

using namespace quillon::platform;
using quillon::testing::maxBlockDifference;

namespace {

const QSize kCanvas(2000, 1000);

TEST(DialogFilter, ConvertsPairsToQtFilters) {
    struct Case { const char* in; const char* out; };
    const Case cases[] = {
        {"Text files (*.txt)|*.txt", "Text files (*.txt)"},
        {"QLN file (ver. 4)|*.ql4|All|*.*", "QLN file (ver. 4) (*.ql4);;All (*.*)"},
        {"Enhanced metafile (*.emf)|*.emf|Jpeg file (*.jpg)|*.jpg",
         "Enhanced metafile (*.emf);;Jpeg file (*.jpg)"},
        {"Pictures|*.png;*.bmp", "Pictures (*.png *.bmp)"},
    };
    for (const auto& c : cases) EXPECT_EQ(toQtFilter(c.in), QString(c.out)) << c.in;
    EXPECT_EQ(selectedQtFilter("A|*.a|B|*.b", 2), QString("B (*.b)"));
    EXPECT_EQ(selectedQtFilter("A|*.a|B|*.b", 3), QString());
}

TEST(DialogFilter, DefaultExtensionOnlyForBareNames) {
    EXPECT_EQ(withDefaultExtension("/t/out", "txt"), QString("/t/out.txt"));
    EXPECT_EQ(withDefaultExtension("/t/out", ".emf"), QString("/t/out.emf"));
    EXPECT_EQ(withDefaultExtension("/t/out.dat", "txt"), QString("/t/out.dat"));
    EXPECT_EQ(withDefaultExtension("/t.d/out", "txt"), QString("/t.d/out.txt"));
}

TEST(ScriptedPort, RecordsTextsAndAnswersInOrder) {
    ScriptedUserPort port;
    port.confirmAnswers = {true};
    port.fileAnswers = {QString("/a/b"), std::nullopt};
    port.message(nullptr, "one");
    EXPECT_TRUE(port.confirm(nullptr, "sure?"));
    EXPECT_FALSE(port.confirm(nullptr, "again?"));   // script exhausted: No
    FileDialogRequest req;
    req.defaultExt = "txt";
    EXPECT_EQ(port.saveFile(nullptr, req), std::optional<QString>("/a/b.txt"));
    EXPECT_EQ(port.openFile(nullptr, req), std::nullopt);
    EXPECT_EQ(port.messages, QStringList{"one"});
    EXPECT_EQ(port.confirmations, (QStringList{"sure?", "again?"}));
    EXPECT_EQ(port.fileRequests.size(), 2u);
}

// A picture with every kind of record the writer emits.
QPicture samplePicture(bool withHead = true) {
    QPicture pic;
    QPainter p(&pic);
    p.setPen(QPen(QColor(128, 128, 128), 3));
    p.setBrush(Qt::white);
    p.drawEllipse(QRect(50, 65, 900, 900));
    p.drawLine(500, 65, 500, 45);
    QPen n(Qt::black, 8);
    n.setCapStyle(Qt::RoundCap);
    p.setPen(n);
    p.drawPolyline(QPolygon({QPoint(480, 37), QPoint(480, 17), QPoint(520, 37), QPoint(520, 17)}));
    p.setPen(QPen(QColor(237, 0, 18), 2));
    p.drawLine(300, 300, 360, 300);
    if (withHead) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(237, 0, 18));
        p.drawRect(QRect(288, 288, 24, 24));
    }
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(18, 204, 123));
    p.drawRect(QRect(850, 970, 29, 29));
    p.setBrush(QColor(0, 0, 200));
    p.drawPolygon(QPolygon({QPoint(1100, 100), QPoint(1300, 120), QPoint(1200, 300)}));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0, 120, 0), 4));
    p.drawArc(QRect(1300, 400, 200, 200), 0, 180 * 16);
    QFont f("Arial");
    f.setPixelSize(60);
    p.setFont(f);
    p.setPen(Qt::black);
    p.drawText(1200, 800, "Sigma 1");
    p.end();
    return pic;
}

quint32 u32At(const QByteArray& b, qsizetype off) {
    return qFromLittleEndian<quint32>(b.constData() + off);
}

TEST(EmfWriter, RecordsChainToTheEndOfFile) {
    const QByteArray emf = pictureToEmf(samplePicture(), kCanvas);
    ASSERT_GE(emf.size(), 108);
    EXPECT_EQ(u32At(emf, 0), 1u);                    // EMR_HEADER
    EXPECT_EQ(u32At(emf, 40), 0x464D4520u);          // signature
    EXPECT_EQ(u32At(emf, 48), quint32(emf.size()));  // total bytes
    // Walk the records: sizes are multiples of 4 and land exactly on EOF.
    qsizetype off = 0;
    quint32 count = 0, last = 0;
    while (off < emf.size()) {
        const quint32 size = u32At(emf, off + 4);
        ASSERT_EQ(size % 4, 0u) << "record at " << off;
        ASSERT_GE(size, 8u);
        last = u32At(emf, off);
        off += size;
        ++count;
    }
    EXPECT_EQ(off, emf.size());
    EXPECT_EQ(last, 14u);                             // EMR_EOF
    EXPECT_EQ(u32At(emf, 52), count);                 // record count in header
}

TEST(EmfWriter, RealReaderSeesTheSamePicture) {
    const QPicture pic = samplePicture();
    QString error;
    const QImage viaEmf = quillon::testing::renderEmfThroughSvg(pictureToEmf(pic, kCanvas), kCanvas, &error);
    ASSERT_FALSE(viaEmf.isNull()) << error.toStdString();
    const QImage direct = pictureToImage(pic, kCanvas);
    EXPECT_LT(maxBlockDifference(direct, viaEmf, 10), 60);
    // The comparison notices one missing square head.
    const QImage missing = pictureToImage(samplePicture(false), kCanvas);
    EXPECT_GT(maxBlockDifference(missing, viaEmf, 10), 150);
}

TEST(EmfWriter, StrokesAndFillsCarryTheirColours) {
    const QPicture pic = samplePicture();
    QString error;
    const QImage img = quillon::testing::renderEmfThroughSvg(pictureToEmf(pic, kCanvas), kCanvas, &error);
    ASSERT_FALSE(img.isNull()) << error.toStdString();
    EXPECT_EQ(img.pixelColor(300, 300), QColor(237, 0, 18));     // head centre
    EXPECT_EQ(img.pixelColor(865, 985), QColor(18, 204, 123));   // legend box inside
    EXPECT_EQ(img.pixelColor(500, 515), QColor(Qt::white));       // net interior
    EXPECT_EQ(img.pixelColor(1200, 180), QColor(0, 0, 200));      // polygon
}

TEST(EmfWriter, ManyDistinctObjectsKeepTheirColours) {
    // More distinct brushes than the object table holds: it is emptied and
    // refilled, and every square keeps its own colour.
    QPicture pic;
    QPainter p(&pic);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 600; ++i) {
        p.setBrush(QColor(i % 256, (i * 7) % 256, 255 - i % 200));
        p.drawRect(QRect(20 + (i % 40) * 48, 20 + (i / 40) * 48, 40, 40));
    }
    p.end();
    const QByteArray emf = pictureToEmf(pic, kCanvas);
    QString error;
    const QImage img = quillon::testing::renderEmfThroughSvg(emf, kCanvas, &error);
    ASSERT_FALSE(img.isNull()) << error.toStdString();
    for (int i : {0, 255, 256, 257, 511, 599})
        EXPECT_EQ(img.pixelColor(40 + (i % 40) * 48, 40 + (i / 40) * 48),
                  QColor(i % 256, (i * 7) % 256, 255 - i % 200)) << i;
    // The header's handle count covers the table, not every object ever made.
    const quint16 handles = qFromLittleEndian<quint16>(emf.constData() + 56);
    EXPECT_GT(handles, 1);
    EXPECT_LE(handles, 257);
}

TEST(JpegWriter, DecodesCloseToTheSource) {
    const QImage src = pictureToImage(samplePicture(), kCanvas);
    QString error;
    const QByteArray jpg = encodeJpeg(src, kJpegQuality, &error);
    ASSERT_FALSE(jpg.isEmpty()) << error.toStdString();
    EXPECT_EQ(jpg.left(2), QByteArray("\xFF\xD8"));
    QImage back;
    ASSERT_TRUE(back.loadFromData(jpg, "JPEG"));
    ASSERT_EQ(back.size(), src.size());
    EXPECT_GT(quillon::testing::psnr(src, back), 35.0);
}

TEST(JpegWriter, UnwritablePathFailsWithoutAFile) {
    QString error;
    const QImage src = pictureToImage(samplePicture(), QSize(200, 100));
    EXPECT_FALSE(saveJpeg(src, "/nonexistent-dir/x.jpg", kJpegQuality, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(encodeJpeg(QImage(), kJpegQuality, &error).isEmpty());
}

TEST(Clipboard, OffersMetafileSvgAndImage) {
    const auto mime = pictureMimeData(samplePicture(), kCanvas);
    EXPECT_TRUE(mime->data(kEmfMimeType).startsWith(QByteArray("\x01\x00\x00\x00", 4)));
    EXPECT_TRUE(mime->data("image/svg+xml").contains("<svg"));
    const QImage img = qvariant_cast<QImage>(mime->imageData());
    EXPECT_EQ(img.size(), kCanvas);
}

TEST(PdfRendering, ProducesAPdfDocument) {
    const QByteArray pdf = pictureToPdf(samplePicture(), kCanvas);
    EXPECT_TRUE(pdf.startsWith("%PDF"));
}

}  // namespace
