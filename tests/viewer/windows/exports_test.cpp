// Export Image, Edit > Copy, Save Coordinates and `qlv4 --export`, checked by
// reading the written files back.
#include "tests/viewer/windows/emf_check.h"
#include "tests/viewer/windows/qt_test_app.h"
#include "tests/viewer/windows/viewer_fixture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QSvgRenderer>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include "viewer/model/coordinates.h"
#include "viewer/platform/clipboard.h"

using namespace quillon::viewer;
using quillon::testing::maxBlockDifference;
using quillon::testing::ViewerFixture;

namespace {

const QSize kCanvas(2000, 1000);

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

class ExportsTest : public ::testing::Test {
protected:
    void SetUp() override {
        result = fx.WriteResult("run.ql4", {{1, 3}, {3, 5}, {4, 9}});
        fx.Start();
        fx.port.fileAnswers.push_back(result);
        fx.main->openResult();
        fx.main->setEnhanceFactor(1);
        fx.main->draw();
        ASSERT_TRUE(fx.port.messages.isEmpty()) << fx.port.messages.join("|").toStdString();
        ASSERT_NE(fx.main->statusPanel(0).left(2), QString("0 "));
    }
    QString ExportTo(const QString& name) {
        const QString path = fx.home + name;
        fx.port.fileAnswers.push_back(path);
        fx.main->exportImage();
        return path;
    }
    ViewerFixture fx;
    QString result;
};

TEST_F(ExportsTest, SaveGraphicsDialog) {
    ExportTo("p.emf");
    ASSERT_EQ(fx.port.fileRequests.size(), 2u);
    const auto& req = fx.port.fileRequests[1];
    EXPECT_EQ(req.title, QString("Save Graphics"));
    EXPECT_TRUE(req.filter.startsWith("Enhanced metafile (*.emf)|*.emf|Jpeg file (*.jpg)|*.jpg"));
    for (const char* ext : {"*.png", "*.svg", "*.pdf"}) EXPECT_TRUE(req.filter.contains(ext)) << ext;
    EXPECT_EQ(req.defaultExt, QString(".emf"));
    EXPECT_TRUE(req.promptOverwrite);
    // A cancelled dialog writes nothing.
    fx.main->exportImage();
    EXPECT_TRUE(fx.port.messages.isEmpty());
    EXPECT_EQ(QDir(fx.home).entryList({"p.*"}, QDir::Files), QStringList{"p.emf"});
}

TEST_F(ExportsTest, BitmapFormatsAreTheCanvasAsLastDrawn) {
    struct Case { const char* name; const char* format; double minPsnr; };
    const Case cases[] = {{"p.bmp", "BMP", 99}, {"p.png", "PNG", 99}, {"p.JPG", "JPEG", 30}, {"q.jpg", "JPEG", 30}};
    for (const Case& c : cases) {
        const QString path = ExportTo(c.name);
        QImage back;
        ASSERT_TRUE(back.load(path, c.format)) << c.name;
        EXPECT_EQ(back.size(), kCanvas) << c.name;
        const double p = quillon::testing::psnr(fx.main->plotBitmap, back);
        EXPECT_GE(p, c.minPsnr) << c.name;
    }
    // The JPEG is a JPEG even with the name in capitals.
    EXPECT_TRUE(ReadAll(fx.home + "p.JPG").startsWith("\xFF\xD8"));
}

TEST_F(ExportsTest, VectorFormatsAreDrawnAnewWithTheSameSymbols) {
    // ".emf" and every unknown extension write a metafile; emf2svg reads it back.
    for (const char* name : {"p.emf", "p.dat"}) {
        const QByteArray emf = ReadAll(ExportTo(name));
        ASSERT_TRUE(emf.startsWith(QByteArray("\x01\x00\x00\x00", 4))) << name;
        QString error;
        const QImage img = quillon::testing::renderEmfThroughSvg(emf, kCanvas, &error);
        ASSERT_FALSE(img.isNull()) << error.toStdString();
        EXPECT_LT(maxBlockDifference(fx.main->plotBitmap, img, 10), 60) << name;
    }
    QSvgRenderer svg(ReadAll(ExportTo("p.svg")));
    ASSERT_TRUE(svg.isValid());
    QImage img(kCanvas, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    svg.render(&p, QRectF(0, 0, 2000, 1000));
    p.end();
    EXPECT_LT(maxBlockDifference(fx.main->plotBitmap, img, 10), 60);
    EXPECT_TRUE(ReadAll(ExportTo("p.pdf")).startsWith("%PDF"));
    // Drawn anew: the last Draw's picture is unchanged and a Draw repeats it.
    const QImage before = fx.main->plotBitmap;
    fx.main->draw();
    EXPECT_EQ(fx.main->plotBitmap, before);
}

TEST_F(ExportsTest, UnwritableNameReportsAndWritesNothing) {
    ExportTo("missing-dir/p.png");
    ASSERT_EQ(fx.port.messages.size(), 1);
    EXPECT_TRUE(fx.port.messages[0].startsWith("Cannot write the file " + fx.home + "missing-dir/p.png"));
}

TEST_F(ExportsTest, ExportOverTheResultOrItsGridIsRefused) {
    const QByteArray before = ReadAll(result), grid = ReadAll(fx.home + "Unif60000.cgp");
    // The result under its own name (an enhanced metafile: any extension but a
    // bitmap's) and the grid under a second name for the same file.
    ASSERT_TRUE(QFile::link(fx.home + "Unif60000.cgp", fx.home + "grid-link.emf"));
    fx.port.fileAnswers.push_back(result);
    fx.main->exportImage();
    fx.port.fileAnswers.push_back(fx.home + "grid-link.emf");
    fx.main->exportImage();
    ASSERT_EQ(fx.port.messages.size(), 2);
    for (const QString& m : fx.port.messages) EXPECT_TRUE(m.contains("nothing was written")) << m.toStdString();
    EXPECT_EQ(ReadAll(result), before);
    EXPECT_EQ(ReadAll(fx.home + "Unif60000.cgp"), grid);
}

TEST_F(ExportsTest, EnhanceFactorZeroAsksAgainBeforeDrawingAnew) {
    fx.main->setEnhanceFactor(0);
    fx.port.confirmAnswers = {false};
    ExportTo("frame.emf");
    EXPECT_EQ(fx.port.confirmations.size(), 1);
    // Declined: the metafile holds the frame only, like a declined Draw.
    QImage frame(kCanvas, QImage::Format_RGB32);
    frame.fill(Qt::white);
    QPainter p(&frame);
    drawFrame(p, PlotStyle{});
    p.end();
    QString error;
    const QImage img = quillon::testing::renderEmfThroughSvg(ReadAll(fx.home + "frame.emf"), kCanvas, &error);
    EXPECT_LT(maxBlockDifference(frame, img, 10), 60);
}

TEST_F(ExportsTest, CopyPutsMetafileSvgAndImageOnTheClipboard) {
    fx.main->copyPlot();
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(mime, nullptr);
    const QByteArray emf = mime->data(quillon::platform::kEmfMimeType);
    QString error;
    const QImage img = quillon::testing::renderEmfThroughSvg(emf, kCanvas, &error);
    ASSERT_FALSE(img.isNull()) << error.toStdString();
    EXPECT_LT(maxBlockDifference(fx.main->plotBitmap, img, 10), 60);
    EXPECT_TRUE(mime->data("image/svg+xml").contains("<svg"));
    EXPECT_TRUE(mime->hasImage());
}

TEST(SaveCoordinates, BothKindsPinnedToTheirText) {
    ViewerFixture fx;
    // Grid point 2 is (123.6, 44.5), (33.4, 45.5), 0.45 in the grid file;
    // grid point 3 is sigma1 vertical, sigma3 north, Phi 0.5.
    const QString r = fx.WriteResult("c.ql4", {{2, 2}});
    const QString r3 = fx.WriteResult("d.ql4", {{3, 1}});
    fx.Start();
    fx.port.fileAnswers = {r, fx.home + "axes"};
    fx.main->openResult();
    fx.main->setEnhanceFactor(1);    // Sd 0.87: threshold 1, two symbols
    fx.main->saveCoordinates(kAxesAndRatios);
    const auto& req = fx.port.fileRequests.back();
    EXPECT_EQ(req.filter, QString("Text files (*.txt)|*.txt"));
    EXPECT_EQ(req.defaultExt, QString("txt"));
    EXPECT_TRUE(req.promptOverwrite);
    EXPECT_EQ(ReadAll(fx.home + "axes.txt"), QByteArray("124 44 33 46 0.4500\r\n124 44 33 46 0.4500\r\n"));
    EXPECT_EQ(fx.main->statusPanel(0), QString("2 / 1 / 4"));

    fx.port.fileAnswers = {r3, fx.home + "tensors.txt"};
    fx.main->openResult();
    fx.main->saveCoordinates(kReducedTensors);
    EXPECT_EQ(ReadAll(fx.home + "tensors.txt"),
              QByteArray("0.00000 0.00000 0.00000 -1.00000 0.00000 1.00000\r\n"));
    EXPECT_TRUE(fx.port.messages.isEmpty()) << fx.port.messages.join("|").toStdString();
}

TEST(SaveCoordinates, NothingSelectedOrCancelled) {
    ViewerFixture fx;
    fx.Start();
    fx.main->saveCoordinates(kAxesAndRatios);
    EXPECT_EQ(fx.port.messages, QStringList{"No data loaded."});
    EXPECT_TRUE(fx.port.fileRequests.empty());          // no dialog before the check
    const QString r = fx.WriteResult("c.ql4", {{2, 2}});
    fx.port.fileAnswers = {r};
    fx.main->openResult();
    fx.main->setEnhanceFactor(1);
    fx.main->saveCoordinates(kAxesAndRatios);          // dialog cancelled
    EXPECT_EQ(fx.port.messages.size(), 1);
    EXPECT_EQ(QDir(fx.home).entryList({"*.txt"}, QDir::Files), QStringList());
}

// qlv4 --export, run as a program.
struct ExportRun {
    int code;
    QByteArray out, err;
};
ExportRun RunQlv4(const QStringList& args) {
    QProcess p;
    p.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
    p.start(QString(QUILLON_BIN_DIR) + "/qlv4", args);
    if (!p.waitForFinished(60000)) return {-1, {}, {}};
    return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
}

TEST(CommandLineExport, RendersExactlyWhatDrawShows) {
    ViewerFixture fx;
    const QString r = fx.WriteResult("run.ql4", {{1, 3}, {3, 5}, {4, 9}});
    const QString out = fx.home + "cli.png";
    const ExportRun run = RunQlv4({"--export", r, out, "--ef", "1", "--df", "3", "--sr", "0", "10",
                                   "--small-head", "--home", fx.home});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(out.toUtf8())) << run.out.toStdString();
    // The window with the same settings.
    fx.Start();
    fx.port.fileAnswers = {r};
    fx.main->openResult();
    fx.main->setEnhanceFactor(1);
    fx.main->setDispersionFactor(3);
    fx.main->action("smallHeadAction")->trigger();
    fx.main->draw();
    QImage cli;
    ASSERT_TRUE(cli.load(out, "PNG"));
    EXPECT_EQ(cli.convertToFormat(QImage::Format_RGB32), fx.main->plotBitmap);
}

TEST(CommandLineExport, FailuresAreReportedWithTheirStatus) {
    ViewerFixture fx;
    const QString r = fx.WriteResult("run.ql4", {{1, 3}});
    struct Case { QStringList args; int code; const char* err; };
    const Case cases[] = {
        {{"--export", fx.home + "none.ql4", fx.home + "x.png", "--home", fx.home}, 1, "File none.ql4 not found."},
        {{"--export", r, fx.home + "no/x.png", "--home", fx.home}, 1, "Cannot write the file"},
        {{"--export", r, fx.home + "x.png", "--ef", "100"}, 2, "--ef needs an integer 0 to 99"},
        {{"--export", r, fx.home + "x.png", "--sr", "7", "3"}, 2, "--sr needs two classes"},
        {{"--export", r}, 2, "needs RESULT and OUT"},
    };
    for (const Case& c : cases) {
        const ExportRun run = RunQlv4(c.args);
        EXPECT_EQ(run.code, c.code) << c.args.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(c.err)) << run.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(fx.home + "x.png"));
}

// qlv4 --export with a file-size limit of `bytes` on the program.
ExportRun RunQlv4WithFileSizeLimit(const QStringList& args, rlim_t bytes) {
    QProcess p;
    p.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
    p.setChildProcessModifier([bytes] {
        rlimit limit{bytes, bytes};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    p.start(QString(QUILLON_BIN_DIR) + "/qlv4", args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit) return {-1, {}, {}};
    return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
}

TEST(CommandLineExport, OutputThatIsAnInputIsRefused) {
    // Compared by file identity: the result, another name of it, the grid.
    ViewerFixture fx;
    const QString r = fx.WriteResult("run.ql4", {{1, 3}});
    ASSERT_TRUE(QFile::link(r, fx.home + "other.emf"));
    const QByteArray result = ReadAll(r), grid = ReadAll(fx.home + "Unif60000.cgp");
    for (const QString& out : {r, fx.home + "other.emf", fx.home + "Unif60000.cgp", fx.home + "./run.ql4"}) {
        const ExportRun run = RunQlv4({"--export", r, out, "--home", fx.home});
        EXPECT_EQ(run.code, 1) << out.toStdString();
        EXPECT_TRUE(run.err.contains(("Cannot write the file " + out + "\nIt is the input file ").toUtf8()))
            << run.err.toStdString();
    }
    EXPECT_EQ(ReadAll(r), result);
    EXPECT_EQ(ReadAll(fx.home + "Unif60000.cgp"), grid);
}

TEST(CommandLineExport, FileSizeLimitIsAReportedWriteError) {
    // The picture does not fit under the limit: the write error is reported with
    // the exit status 1 (the size-limit signal is ignored), nothing is left.
    ViewerFixture fx;
    const QString r = fx.WriteResult("run.ql4", {{1, 3}, {3, 5}});
    const QStringList before = QDir(fx.home).entryList(QDir::Files);
    const ExportRun run = RunQlv4WithFileSizeLimit({"--export", r, fx.home + "x.bmp", "--home", fx.home}, 4096);
    EXPECT_EQ(run.code, 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(("Cannot write the file " + fx.home + "x.bmp").toUtf8())) << run.err.toStdString();
    EXPECT_EQ(QDir(fx.home).entryList(QDir::Files), before);
}

TEST(CommandLineExport, VectorPictureOfTooManySymbolsIsRefused) {
    // At ef 0 every vote is a symbol; a vector picture would hold them all.
    ViewerFixture fx;
    const QString r = fx.WriteResult("run.ql4", {{1, int(kMaxVectorSymbols)}, {3, 1}});
    for (const char* ext : {"emf", "svg", "pdf"}) {
        const QString out = fx.home + "big." + ext;
        const ExportRun run = RunQlv4({"--export", r, out, "--ef", "0", "--home", fx.home});
        EXPECT_EQ(run.code, 1) << ext;
        EXPECT_TRUE(run.err.contains(("The selection holds " + std::to_string(kMaxVectorSymbols + 1) +
                                      " symbols, more than the " + std::to_string(kMaxVectorSymbols))
                                         .c_str()))
            << run.err.toStdString();
        EXPECT_FALSE(QFile::exists(out));
    }
}

}  // namespace
