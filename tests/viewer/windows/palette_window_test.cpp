// The colour window driven as a user would: showing, picking a colour in the
// New column, OK and Cancel, saving and loading palette files, system colours,
// the palette remembered between runs, and `qlv4 --export --palette`.
#include "tests/viewer/windows/qt_test_app.h"
#include "tests/viewer/windows/viewer_fixture.h"

#include <QAction>
#include <QApplication>
#include <QColorDialog>
#include <QPalette>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

#include "viewer/model/palette_file.h"
#include "viewer/windows/plot_widgets.h"

using namespace quillon::viewer;
using quillon::testing::ViewerFixture;

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// Eleven palette lines, CR LF ends.
QByteArray PaletteText(const QStringList& lines) {
    QByteArray t;
    for (const QString& l : lines) t += l.toUtf8() + "\r\n";
    return t;
}

const QStringList kElevenLines = {"clRed", "clLime",   "clBtnFace", "$00123456", "255",  "clBlue",
                                  "clAqua", "clYellow", "clWhite",   "clBlack",   "clFuchsia"};
const ColorTable kElevenColors = {0x0000FFu, 0x00FF00u, 0xFF00000Fu, 0x123456u, 0x0000FFu, 0xFF0000u,
                                  0xFFFF00u, 0x00FFFFu, 0xFFFFFFu,   0x000000u, 0xFF00FFu};

QColor Rgb(ColorValue c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

// The colour painted in cell `row` of a colour column or of a table.
QColor CellColor(QTableWidget* grid, int row, int column = 0) {
    const QImage image = grid->viewport()->grab().toImage();
    const QRect cell = grid->visualRect(grid->model()->index(row, column));
    // Right of and below the cell's text.
    return image.pixelColor(cell.right() - 1, cell.bottom() - 1);
}

class PaletteWindowTest : public ::testing::Test {
protected:
    void SetUp() override { fx.Start(); }
    PaletteWindow* pw() { return fx.windows->palette.get(); }
    void Show() { fx.main->action("changeColorsAction")->trigger(); }
    // A mouse release over cell `row` of the New column, the dialog answering `answer`.
    void Pick(int row, std::optional<QColor> answer) {
        fx.port.colorAnswers.push_back(answer);
        QTableWidget* col = pw()->newColumn();
        const QPoint at = col->visualRect(col->model()->index(row, 0)).center();
        QTest::mouseRelease(col->viewport(), Qt::LeftButton, {}, at);
    }
    void Load(const QString& path) {
        fx.port.fileAnswers.push_back(path);
        pw()->loadButton()->click();
    }
    ViewerFixture fx;
};

TEST_F(PaletteWindowTest, ShowingCopiesThePaletteInUseIntoBothColumnsAndTheDialog) {
    ColorTable colors = defaultColors();
    colors[4] = 0x00336699u;
    fx.main->applyPalette(colors);
    Show();
    ASSERT_TRUE(pw()->isVisible());
    EXPECT_EQ(pw()->windowTitle(), QString(" Colors"));
    EXPECT_EQ(pw()->centralWidget()->size(), QSize(357, 327));
    EXPECT_EQ(pw()->oldColors(), colors);
    EXPECT_EQ(pw()->newColors(), colors);
    for (bool isNew : {false, true}) {
        EXPECT_EQ(pw()->rgbText(isNew, 0, 0), "Red");
        EXPECT_EQ(pw()->rgbText(isNew, 0, 1), "Green");
        EXPECT_EQ(pw()->rgbText(isNew, 0, 2), "Blue");
        // Class 0 (120, 0, 255) in row 1, class 4 in row 5.
        EXPECT_EQ(pw()->rgbText(isNew, 1, 0), "120");
        EXPECT_EQ(pw()->rgbText(isNew, 1, 1), "0");
        EXPECT_EQ(pw()->rgbText(isNew, 1, 2), "255");
        EXPECT_EQ(pw()->rgbText(isNew, 5, 0), "153");
        EXPECT_EQ(pw()->rgbText(isNew, 5, 1), "102");
        EXPECT_EQ(pw()->rgbText(isNew, 5, 2), "51");
    }
    for (int k = 0; k <= 10; ++k) {
        EXPECT_EQ(CellColor(pw()->oldColumn(), k), Rgb(colors[size_t(k)])) << k;
        EXPECT_EQ(CellColor(pw()->newColumn(), k), Rgb(colors[size_t(k)])) << k;
        EXPECT_EQ(QColorDialog::customColor(k), Rgb(colors[size_t(k)])) << k;
    }
    for (int k = 11; k < 16; ++k) EXPECT_EQ(QColorDialog::customColor(k), QColor(Qt::white)) << k;
    // The table headers on their colours; the rows on the button face.
    EXPECT_EQ(CellColor(pw()->newRgbTable(), 0, 0), QColor(255, 0, 0));
    EXPECT_EQ(CellColor(pw()->newRgbTable(), 0, 1), QColor(0, 128, 0));
    EXPECT_EQ(CellColor(pw()->newRgbTable(), 0, 2), QColor(0, 0, 255));
    EXPECT_EQ(CellColor(pw()->oldRgbTable(), 3, 1), QApplication::palette().color(QPalette::Active, QPalette::Button));
}

TEST_F(PaletteWindowTest, ClickOnTheNewColumnPicksAColourForThatClassOnly) {
    Show();
    const ColorTable before = pw()->newColors();
    EXPECT_EQ(pw()->lastPickedColor(), QColor(Qt::black));
    Pick(3, QColor(10, 20, 30));
    ColorTable expected = before;
    expected[3] = rgbColor(10, 20, 30);
    EXPECT_EQ(pw()->newColors(), expected);
    EXPECT_EQ(pw()->oldColors(), before);
    EXPECT_EQ(pw()->rgbText(true, 4, 0), "10");
    EXPECT_EQ(pw()->rgbText(true, 4, 2), "30");
    EXPECT_EQ(pw()->rgbText(false, 4, 0), "76");
    EXPECT_EQ(CellColor(pw()->newColumn(), 3), QColor(10, 20, 30));
    EXPECT_EQ(CellColor(pw()->oldColumn(), 3), Rgb(before[3]));
    EXPECT_EQ(pw()->lastPickedColor(), QColor(10, 20, 30));
    // Cancelling the dialog changes nothing.
    Pick(10, std::nullopt);
    EXPECT_EQ(pw()->newColors(), expected);
    // A release off the cells (the press dragged away) opens no dialog and
    // changes nothing.
    fx.port.colorAnswers.push_back(QColor(1, 2, 3));
    QTableWidget* col = pw()->newColumn();
    QTest::mouseRelease(col->viewport(), Qt::LeftButton, {}, QPoint(5, 400));
    QTest::mouseRelease(col->viewport(), Qt::RightButton, {}, QPoint(-6, 30));
    EXPECT_EQ(pw()->newColors(), expected);
    EXPECT_EQ(fx.port.colorAnswers.size(), 1u);
}

TEST_F(PaletteWindowTest, OkGivesTheMainPlotAndTheStripTheNewColoursAndRemembersThem) {
    // Grid point 3 (sigma1 vertical, Phi 0.5) drawn at the centre of the left net.
    const QString r = fx.WriteResult("run.ql4", {{3, 5}});
    fx.port.fileAnswers.push_back(r);
    fx.main->openResult();
    fx.main->setEnhanceFactor(1);
    fx.main->setDispersionFactor(0);
    fx.main->draw();
    const QColor class5 = Rgb(defaultColors()[5]);
    ASSERT_EQ(fx.main->plotBitmap.pixelColor(500, 515), class5);

    Show();
    Pick(5, QColor(255, 0, 0));
    Pick(0, QColor(0, 0, 128));
    // Before OK nothing outside the window has changed.
    EXPECT_EQ(fx.main->plotStyle.colors, defaultColors());
    EXPECT_FALSE(QFile::exists(fx.home + kRememberedPaletteName));
    pw()->okButton()->click();
    EXPECT_FALSE(pw()->isVisible());
    ColorTable expected = defaultColors();
    expected[5] = 0x0000FFu;
    expected[0] = 0x800000u;
    EXPECT_EQ(fx.main->plotStyle.colors, expected);
    // The strip repaints at once; the nets keep their picture until the next Draw.
    const QImage strip = fx.main->colorStrip()->grab().toImage();
    EXPECT_EQ(strip.pixelColor(5 * ColorStrip::kCellWidth + 7, 10), QColor(255, 0, 0));
    EXPECT_EQ(strip.pixelColor(0 * ColorStrip::kCellWidth + 7, 10), QColor(0, 0, 128));
    EXPECT_EQ(strip.pixelColor(6 * ColorStrip::kCellWidth + 7, 10), Rgb(defaultColors()[6]));
    EXPECT_EQ(fx.main->plotBitmap.pixelColor(500, 515), class5);
    fx.main->draw();
    EXPECT_EQ(fx.main->plotBitmap.pixelColor(500, 515), QColor(255, 0, 0));
    // Remembered whole, in the palette notation.
    EXPECT_EQ(ReadAll(fx.home + kRememberedPaletteName), QByteArray::fromStdString(formatPalette(expected)));
    // The next showing starts from the palette now in use.
    Show();
    EXPECT_EQ(pw()->oldColors(), expected);
    EXPECT_EQ(pw()->newColors(), expected);
}

TEST_F(PaletteWindowTest, SaveWritesTheWorkingCopyUnderThePalName) {
    Show();
    fx.port.fileAnswers.push_back(fx.home + "mine.txt");
    pw()->saveButton()->click();
    ASSERT_EQ(fx.port.fileRequests.size(), 1u);
    EXPECT_EQ(fx.port.fileRequests[0].title, QString("Save color palette to"));
    EXPECT_EQ(fx.port.fileRequests[0].filter, QString("Palette file (*.pal)|*.pal"));
    EXPECT_EQ(fx.port.fileRequests[0].initialName, fx.home);
    EXPECT_FALSE(QFile::exists(fx.home + "mine.txt"));
    EXPECT_EQ(ReadAll(fx.home + "mine.pal"),
              "$00FF0078\r\n$00F74246\r\n$00F56E2E\r\n$00CCAD4C\r\n$007BCC12\r\n$001CD076\r\n$001BD6C2\r\n"
              "$000AE1ED\r\n$0010B5F2\r\n$000F66F5\r\n$001200ED\r\n");

    // Named colours by name; an existing file is replaced without a question.
    Pick(0, QColor(255, 255, 255));
    Pick(1, QColor(0, 0, 0));
    Pick(2, QColor(255, 0, 0));
    fx.port.fileAnswers.push_back(fx.home + "mine");
    pw()->saveButton()->click();
    const QByteArray text = ReadAll(fx.home + "mine.pal");
    EXPECT_TRUE(text.startsWith("clWhite\r\nclBlack\r\nclRed\r\n$00CCAD4C\r\n")) << text.toStdString();
    EXPECT_TRUE(fx.port.confirmations.isEmpty());

    // Cancel writes nothing; a folder that does not exist is reported and
    // leaves no file.
    pw()->saveButton()->click();
    fx.port.fileAnswers.push_back(fx.home + "no/such/folder/x.pal");
    pw()->saveButton()->click();
    ASSERT_EQ(fx.port.messages.size(), 1);
    EXPECT_TRUE(fx.port.messages[0].contains("Cannot save the palette to \"" + fx.home + "no/such/folder/x.pal\""))
        << fx.port.messages[0].toStdString();
    EXPECT_EQ(QDir(fx.home).entryList({"*.pal"}, QDir::Files), QStringList{"mine.pal"});
}

TEST_F(PaletteWindowTest, LoadFillsTheWorkingCopyOnlyFromAWholePalette) {
    Show();
    // Twelve lines, under a name that is not changed: the first eleven load.
    fx.WriteText("mine.txt", PaletteText(kElevenLines + QStringList{"clGreen"}));
    Load(fx.home + "mine.txt");
    EXPECT_EQ(fx.port.fileRequests.back().title, QString("Load palette from"));
    EXPECT_EQ(fx.port.fileRequests.back().filter, QString("Palette file (*.pal)|*.pal"));
    EXPECT_EQ(fx.port.fileRequests.back().initialName, fx.home);
    EXPECT_TRUE(fx.port.messages.isEmpty()) << fx.port.messages.join("|").toStdString();
    EXPECT_EQ(pw()->newColors(), kElevenColors);
    EXPECT_EQ(pw()->oldColors(), defaultColors());
    EXPECT_EQ(CellColor(pw()->newColumn(), 0), QColor(255, 0, 0));
    EXPECT_EQ(CellColor(pw()->newColumn(), 3), QColor(0x56, 0x34, 0x12));

    // Ten lines, or a bad line: a message naming file and line; the working
    // copy stays as it was.
    const struct {
        QByteArray text;
        const char* where;
    } bad[] = {
        {PaletteText(kElevenLines.mid(0, 10)), "ten.pal, line 11: "},
        {PaletteText(QStringList{"clRed", "clLime", "blue"} + kElevenLines.mid(3)), "ten.pal, line 3: 'blue'"},
    };
    for (const auto& b : bad) {
        fx.port.messages.clear();
        fx.WriteText("ten.pal", b.text);
        Load(fx.home + "ten.pal");
        ASSERT_EQ(fx.port.messages.size(), 1);
        EXPECT_TRUE(fx.port.messages[0].contains(fx.home + b.where)) << fx.port.messages[0].toStdString();
        EXPECT_EQ(pw()->newColors(), kElevenColors);
    }
    // A missing file is reported too; a cancelled dialog does nothing.
    fx.port.messages.clear();
    Load(fx.home + "none.pal");
    EXPECT_EQ(fx.port.messages.size(), 1);
    pw()->loadButton()->click();
    EXPECT_EQ(fx.port.messages.size(), 1);
    EXPECT_EQ(pw()->newColors(), kElevenColors);
}

TEST_F(PaletteWindowTest, CancelAfterLoadKeepsThePaletteInUse) {
    Show();
    fx.WriteText("mine.pal", PaletteText(kElevenLines));
    Load(fx.home + "mine.pal");
    ASSERT_EQ(pw()->newColors(), kElevenColors);
    pw()->cancelButton()->click();
    EXPECT_FALSE(pw()->isVisible());
    EXPECT_EQ(fx.main->plotStyle.colors, defaultColors());
    EXPECT_FALSE(QFile::exists(fx.home + kRememberedPaletteName));
    Show();
    EXPECT_EQ(pw()->newColors(), defaultColors());
    for (int k = 0; k <= 10; ++k) EXPECT_EQ(CellColor(pw()->newColumn(), k), Rgb(defaultColors()[size_t(k)])) << k;
}

TEST_F(PaletteWindowTest, SystemColoursShowTheirStoredBytesAndTheDesktopColour) {
    Show();
    QStringList lines = kElevenLines;
    lines[2] = "clBtnFace";
    lines[4] = "clHighlight";
    lines[6] = "clWindowText";
    fx.WriteText("sys.pal", PaletteText(lines));
    Load(fx.home + "sys.pal");
    ASSERT_TRUE(fx.port.messages.isEmpty()) << fx.port.messages.join("|").toStdString();
    EXPECT_EQ(pw()->rgbText(true, 3, 0), "15");
    EXPECT_EQ(pw()->rgbText(true, 3, 1), "0");
    EXPECT_EQ(pw()->rgbText(true, 3, 2), "0");
    EXPECT_EQ(pw()->rgbText(true, 5, 0), "13");
    const QPalette desktop = QApplication::palette();
    EXPECT_EQ(CellColor(pw()->newColumn(), 2), desktop.color(QPalette::Active, QPalette::Button));
    EXPECT_EQ(CellColor(pw()->newColumn(), 4), desktop.color(QPalette::Active, QPalette::Highlight));
    EXPECT_EQ(CellColor(pw()->newColumn(), 6), desktop.color(QPalette::Active, QPalette::Text));
    // Saved back by name.
    fx.port.fileAnswers.push_back(fx.home + "back.pal");
    pw()->saveButton()->click();
    EXPECT_EQ(ReadAll(fx.home + "back.pal"), PaletteText(lines));
    // Taken with OK, the main window keeps the value and draws the desktop's colour.
    pw()->okButton()->click();
    EXPECT_EQ(fx.main->plotStyle.colors[2], 0xFF00000Fu);
    const QImage strip = fx.main->colorStrip()->grab().toImage();
    EXPECT_EQ(strip.pixelColor(2 * ColorStrip::kCellWidth + 7, 10), desktop.color(QPalette::Active, QPalette::Button));
    EXPECT_EQ(strip.pixelColor(4 * ColorStrip::kCellWidth + 7, 10),
              desktop.color(QPalette::Active, QPalette::Highlight));
    fx.main->draw();
    // The colour legend along the bottom edge: box of class 4.
    EXPECT_EQ(fx.main->plotBitmap.pixelColor(850 + 4 * 30 + 15, 985), desktop.color(QPalette::Active, QPalette::Highlight));
}

// The palette remembered from the last run, read when the windows are created.
TEST(RememberedPalette, IsTheStartPaletteAndADamagedOneGivesTheDefaults) {
    {
        ViewerFixture fx;
        fx.WriteText(kRememberedPaletteName, PaletteText(kElevenLines));
        fx.Start();
        EXPECT_TRUE(fx.port.messages.isEmpty()) << fx.port.messages.join("|").toStdString();
        EXPECT_EQ(fx.main->plotStyle.colors, kElevenColors);
        // The colour legend of the empty nets is drawn with it: box of class 1.
        EXPECT_EQ(fx.main->plotBitmap.pixelColor(850 + 30 + 15, 985), QColor(0, 255, 0));
    }
    for (const QByteArray& damaged : {PaletteText({"clRed", "rubbish"}), QByteArray("\0\xff\x01", 3), QByteArray()}) {
        ViewerFixture fx;
        fx.WriteText(kRememberedPaletteName, damaged);
        fx.Start();
        EXPECT_EQ(fx.main->plotStyle.colors, defaultColors());
        ASSERT_EQ(fx.port.messages.size(), 1);
        EXPECT_TRUE(fx.port.messages[0].contains(fx.home + kRememberedPaletteName + ", line "))
            << fx.port.messages[0].toStdString();
        EXPECT_TRUE(fx.port.messages[0].contains("The default colours are used."));
    }
}

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

TEST(ExportPalette, DrawsWhatTheWindowDrawsWithThatPaletteLoaded) {
    ViewerFixture fx;
    const QString r = fx.WriteResult("run.ql4", {{1, 3}, {2, 4}, {3, 5}, {4, 9}});
    fx.WriteText("mine.pal", PaletteText(kElevenLines));
    const QString out = fx.home + "cli.png";
    const ExportRun run =
        RunQlv4({"--export", r, out, "--ef", "1", "--home", fx.home, "--palette", fx.home + "mine.pal"});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();

    fx.Start();
    fx.port.fileAnswers = {r};
    fx.main->openResult();
    fx.main->setEnhanceFactor(1);
    fx.main->action("changeColorsAction")->trigger();
    fx.port.fileAnswers = {fx.home + "mine.pal"};
    fx.windows->palette->loadButton()->click();
    fx.windows->palette->okButton()->click();
    fx.main->draw();
    QImage cli;
    ASSERT_TRUE(cli.load(out, "PNG"));
    EXPECT_EQ(cli.convertToFormat(QImage::Format_RGB32), fx.main->plotBitmap);
    // The legend box of class 2 (clBtnFace) in the desktop's button colour.
    EXPECT_EQ(cli.pixelColor(850 + 2 * 30 + 15, 985), QApplication::palette().color(QPalette::Active, QPalette::Button));
    // Not the default picture: the palette was used.
    const ExportRun plain = RunQlv4({"--export", r, fx.home + "plain.png", "--ef", "1", "--home", fx.home});
    ASSERT_EQ(plain.code, 0) << plain.err.toStdString();
    QImage defaults;
    ASSERT_TRUE(defaults.load(fx.home + "plain.png", "PNG"));
    EXPECT_NE(defaults.convertToFormat(QImage::Format_RGB32), cli.convertToFormat(QImage::Format_RGB32));
}

TEST(ExportPalette, ABadPaletteIsNamedWithItsLineAndNothingIsWritten) {
    ViewerFixture fx;
    const QString r = fx.WriteResult("run.ql4", {{1, 3}});
    fx.WriteText("bad.pal", PaletteText({"clRed", "clLime", "nonsense"}));
    struct Case {
        QStringList args;
        int code;
        QString err;
    };
    const Case cases[] = {
        {{"--palette", fx.home + "bad.pal"}, 1, fx.home + "bad.pal, line 3: 'nonsense'"},
        {{"--palette", fx.home + "none.pal"}, 1, fx.home + "none.pal: the file does not exist."},
        {{"--palette"}, 2, "--palette needs a palette file"},
    };
    for (const Case& c : cases) {
        const ExportRun run = RunQlv4(QStringList{"--export", r, fx.home + "x.png", "--home", fx.home} + c.args);
        EXPECT_EQ(run.code, c.code) << c.args.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(c.err.toUtf8())) << run.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(fx.home + "x.png"));
}

}  // namespace
