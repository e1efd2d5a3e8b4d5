// The main window driven as a user would: menus, panels, track bars, status
// bar, opening results, recent files, dropped files, exports.
#include "tests/viewer/windows/emf_check.h"
#include "tests/viewer/windows/qt_test_app.h"
#include "tests/viewer/windows/viewer_fixture.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <sys/stat.h>
#include <QProgressDialog>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

#include "viewer/windows/fault_data_window.h"
#include "viewer/windows/plot_widgets.h"
#include <QTableWidget>

using namespace quillon::viewer;
using quillon::testing::ViewerFixture;

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// The histogram as InitializeHistogram leaves it: 18 silver bars of 1.
bool histogramIsPlaceholder(const FaultDataWindow* w) {
    for (const HistogramBar& b : w->histogram())
        if (b.value != 1 || b.color != QColor(192, 192, 192)) return false;
    return true;
}

// Gives the data window a histogram of its own, as a designation would.
void designateSomething(MainWindow* m) {
    StressState s;
    s.axis[Sigma1] = makeDirection(0, 90);
    s.axis[Sigma3] = makeDirection(90, 0);
    s.stressRatio = 0.5f;
    m->model.designatedStress = s;
    m->windows().dataWindow->theoreticalSlipDirections(s.axis[Sigma1], s.axis[Sigma3], 0.5f);
}

class MainWindowTest : public ::testing::Test {
protected:
    ViewerFixture fx;
    MainWindow* main() { return fx.main; }
    QAction* act(const char* name) {
        QAction* a = fx.main->action(name);
        EXPECT_NE(a, nullptr) << name;
        return a;
    }
    void Open(const QString& path) {
        fx.port.fileAnswers.push_back(path);
        act("openAction")->trigger();
    }
};

TEST_F(MainWindowTest, StartShowsEmptyNetsCountsAndDefaults) {
    fx.Start();
    EXPECT_EQ(main()->windowTitle(), QString(" QL Viewer"));
    EXPECT_EQ(main()->statusPanel(0), QString("  /  /  "));
    EXPECT_EQ(main()->statusPanel(3), QString("ef=8, df=2"));
    EXPECT_EQ(main()->progressBar()->maximum(), 10);
    EXPECT_EQ(main()->progressBar()->value(), 0);
    EXPECT_EQ(main()->model.gridCount, 4u);
    EXPECT_TRUE(fx.port.messages.isEmpty()) << fx.port.messages.join("|").toStdString();
    // Empty nets: the gray primitive and a white centre, no symbols.
    EXPECT_EQ(main()->plotBitmap.pixelColor(500, 65), QColor(128, 128, 128));
    EXPECT_EQ(main()->plotBitmap.pixelColor(1500, 515), QColor(Qt::white));
    EXPECT_EQ(main()->plotImage()->picture(), main()->plotBitmap);
    // The secondary windows exist, hidden, with their captions.
    EXPECT_EQ(fx.windows->about->windowTitle(), QString("QL Visualizer"));
    EXPECT_EQ(fx.windows->palette->windowTitle(), QString(" Colors"));
    EXPECT_EQ(fx.windows->dataWindow->windowTitle(), QString(" Fault-Slip Data"));
    EXPECT_EQ(fx.windows->measurement->windowTitle(), QString("Result of Measurement"));
    EXPECT_EQ(fx.windows->mohr->windowTitle(), QString("Mohr Diagram"));
    // The data window is visible from the start; the others wait to be called.
    EXPECT_TRUE(fx.windows->dataWindow->isVisible());
    EXPECT_FALSE(fx.windows->mohr->isVisible());
    EXPECT_FALSE(fx.windows->measurement->isVisible());
    // Never so narrow that the status panels overlap.
    int panels = 0;
    for (int i = 0; i < 6; ++i) panels += main()->findChild<QLabel*>(QString("statusPanel%1").arg(i))->width();
    EXPECT_GE(main()->minimumWidth(), panels);
    main()->resize(100, 100);
    EXPECT_GE(main()->width(), panels);
    EXPECT_TRUE(histogramIsPlaceholder(fx.windows->dataWindow.get()));
    EXPECT_FALSE(main()->enhancePanel()->isVisible());
}

TEST_F(MainWindowTest, StartWithoutTheDefaultGrid) {
    QFile::remove(fx.home + "Unif60000.cgp");
    fx.Start();
    EXPECT_EQ(fx.port.messages, QStringList{"CGP File  [Unif60000.cgp]  not found."});
    EXPECT_FALSE(main()->programEnded);          // the program goes on with no grid
    EXPECT_EQ(main()->model.gridCount, 0u);
    main()->draw();                 // nothing to draw: the frame only
    EXPECT_EQ(main()->statusPanel(0), QString("0 / 0 / 0"));
}

TEST_F(MainWindowTest, UnreadableDefaultGridEndsTheProgram) {
    const QString r = fx.WriteResult("kept.ql4", {{2, 4}});
    const QByteArray list = (r + "\r\n").toUtf8();
    fx.WriteText("prevfiles.txt", list);
    fx.WriteText("Unif60000.cgp", "4 \r\n90 0 0 90 0.0\r\n");   // count line with a trailing blank
    fx.Start();
    // The fixed text, then what is wrong on a line of its own.
    ASSERT_EQ(fx.port.messages.size(), 1);
    EXPECT_TRUE(fx.port.messages[0].startsWith("Unif60000.cgp cannot be loaded\r\n")) << fx.port.messages[0].toStdString();
    EXPECT_TRUE(fx.port.messages[0].endsWith("Unif60000.cgp, line 1: the line holds '4 ', not the number of grid points alone."))
        << fx.port.messages[0].toStdString();
    EXPECT_TRUE(main()->programEnded);
    // The program ended before reading its recent-file list: the list is kept.
    fx.windows.reset();
    EXPECT_EQ(ReadAll(fx.home + "prevfiles.txt"), list);
}

TEST_F(MainWindowTest, MenuItemsCaptionsChecksAndVisibility) {
    fx.Start();
    struct Item { const char* name; const char* caption; bool checked; bool visible; };
    const Item items[] = {
        {"openAction", "&Open", false, true},
        {"exportImageAction", "Export &Image", false, true},
        {"saveAxesAction", "&Principal axes and stress ratios", false, true},
        {"saveTensorsAction", "&Reduced Stress Tensors", false, true},
        {"exitAction", "E&xit", false, true},
        {"copyAction", "&Copy", false, true},
        {"designateByMouseAction", "Designate by &Mouse", false, true},
        {"designateByKeyboardAction", "Designate an Axis through &Keyboard", false, true},
        {"angularDistanceAction", "&Angular Stress Distance", false, true},
        {"globalAverageAction", "&Global Average and Spread", false, true},
        {"enhanceFactorAction0", "0", false, false},
        {"enhanceFactorAction4", "4", false, false},
        {"enhanceFactorAction5", "5", false, true},
        {"enhanceFactorAction8", "8", true, true},
        {"enhanceFactorAction15", "15", false, true},
        {"otherEnhanceFactorAction", "Other ...", false, true},
        {"dispersionFactorAction2", "2", true, true},
        {"dispersionFactorAction0", "0", false, true},
        {"headAndTailAction", "Head and &Tail", true, true},
        {"headOnlyAction", "&Head Only", false, true},
        {"largeHeadAction", "Large Head", true, true},
        {"smallHeadAction", "Small Head", false, true},
        {"tinyHeadAction", "Tiny Head", false, false},
        {"changeColorsAction", "Change &Colors", false, true},
        {"mainWindowAction", "&Main Window (This Window)", false, true},
        {"dataWindowAction", "&Data Window", false, true},
        {"mohrWindowAction", "&Mohr Diagram", false, true},
        {"manualEnglishAction", "PDF (&English)", false, true},
        {"manualJapaneseAction", "PDF (&Japanese)", false, true},
        {"versionAction", "&Version", false, true},
        {"proModeAction", "ProMode", false, false},
    };
    for (const Item& it : items) {
        QAction* a = act(it.name);
        if (!a) continue;
        EXPECT_EQ(a->text(), QString(it.caption)) << it.name;
        EXPECT_EQ(a->isChecked(), it.checked) << it.name;
        EXPECT_EQ(a->isVisible(), it.visible) << it.name;
    }
    QStringList menus;
    for (QAction* a : main()->menuBar()->actions()) menus << a->text();
    EXPECT_EQ(menus, (QStringList{"&File", "Edit", "&Measurement", "&View", "Window", "&Help"}));
    // No recent files: the File menu ends with Exit.
    EXPECT_EQ(main()->fileMenu()->actions().last()->objectName(), QString("exitAction"));
}

TEST_F(MainWindowTest, LoadThenDrawUpdatesStatusAndCaption) {
    const QString r = fx.WriteResult("run.ql4", {{1, 3}, {3, 5}});
    fx.Start();
    designateSomething(main());
    ASSERT_FALSE(histogramIsPlaceholder(fx.windows->dataWindow.get()));
    Open(r);
    ASSERT_TRUE(fx.port.messages.isEmpty()) << fx.port.messages.join("|").toStdString();
    ASSERT_EQ(fx.port.fileRequests.size(), 1u);
    EXPECT_EQ(fx.port.fileRequests[0].title, QString("Load QLN file"));
    EXPECT_EQ(fx.port.fileRequests[0].filter,
              QString("QLN file (ver. 4)|*.ql4|QLN file( ver. 3)|*.ql3|QLN file (ver. 2)|*.ql|All|*.*"));
    EXPECT_EQ(main()->windowTitle(), QString(" QL Viewer  [ run.ql4 ]"));
    EXPECT_EQ(main()->statusPanel(0), QString("2 / 4"));
    // Votes 3, 0, 5, 0: mean 2, population sd sqrt((1 + 4 + 9 + 4) / 4) = 2.12.
    EXPECT_EQ(main()->statusPanel(1), QString("Sd : 2.12"));
    EXPECT_EQ(fx.windows->dataWindow->dataSet.count, 2);
    EXPECT_TRUE(histogramIsPlaceholder(fx.windows->dataWindow.get()));   // File > Open resets it
    EXPECT_EQ(fx.windows->dataWindow->grid()->rowCount(), 2);               // the grid lists the data
    EXPECT_EQ(fx.windows->dataWindow->misfitCells(), (QStringList{"", ""}));
    // The load does not redraw; Draw does.  Grid point 1 (sigma1 E horizontal)
    // has its head at (950, 515), covering (940, 515).
    EXPECT_EQ(main()->plotBitmap.pixelColor(940, 515), QColor(Qt::white));
    main()->setEnhanceFactor(0);
    main()->setDispersionFactor(0);
    fx.port.confirmAnswers = {true};   // two data and ef 0: asked first
    main()->draw();
    EXPECT_EQ(fx.port.confirmations, QStringList{"It may take a long time.\r\nDo you realy want to do?"});
    EXPECT_EQ(main()->statusPanel(0), QString("8 / 2 / 4"));
    EXPECT_EQ(main()->progressBar()->value(), 0);
    EXPECT_EQ(main()->progressBar()->maximum(), 8);
    EXPECT_EQ(main()->plotBitmap.pixelColor(940, 515), toQColor(defaultColors()[0]));
    EXPECT_EQ(main()->plotImage()->picture(), main()->plotBitmap);
}

TEST_F(MainWindowTest, DeclinedConfirmationDrawsTheFrameOnly) {
    const QString r = fx.WriteResult("run.ql4", {{1, 3}, {3, 5}});
    fx.Start();
    Open(r);
    main()->setEnhanceFactor(0);
    main()->setDispersionFactor(0);
    fx.port.confirmAnswers = {false};
    main()->draw();
    EXPECT_EQ(main()->statusPanel(0), QString("2 / 4"));
    // Grid point 1 (sigma1 E horizontal) would cover (940, 515).
    EXPECT_EQ(main()->plotBitmap.pixelColor(940, 515), QColor(Qt::white));
    fx.port.confirmAnswers = {true};
    main()->draw();
    EXPECT_EQ(main()->plotBitmap.pixelColor(940, 515), toQColor(defaultColors()[0]));
}

TEST_F(MainWindowTest, FailedLoadLeavesTheWindowUnchanged) {
    const QString good = fx.WriteResult("good.ql4", {{2, 4}});
    const QString bad = fx.WriteResult("bad.ql4", {{2, 4}}, 1, "Unif60000.cgp", "C:\\x\\s.txt");
    fx.Start();
    Open(good);
    const QString title = main()->windowTitle(), s0 = main()->statusPanel(0), s1 = main()->statusPanel(1);
    const int rows = fx.windows->dataWindow->grid()->rowCount();
    Open(bad);
    EXPECT_EQ(fx.port.messages, QStringList{"Undefined data type."});
    Open(fx.home + "absent.ql4");
    EXPECT_EQ(fx.port.messages.last(), QString("File absent.ql4 not found."));
    EXPECT_EQ(main()->windowTitle(), title);
    EXPECT_EQ(main()->statusPanel(0), s0);
    EXPECT_EQ(main()->statusPanel(1), s1);
    EXPECT_EQ(fx.windows->dataWindow->grid()->rowCount(), rows);
    EXPECT_EQ(main()->recentFiles, QStringList{good});
}

TEST_F(MainWindowTest, EnhanceFactorMenuAndOtherPanel) {
    const QString r = fx.WriteResult("run.ql4", {{2, 4}});
    fx.Start();
    Open(r);
    act("enhanceFactorAction12")->trigger();
    EXPECT_EQ(main()->settings.ef, 12);
    EXPECT_TRUE(act("enhanceFactorAction12")->isChecked());
    EXPECT_FALSE(act("enhanceFactorAction8")->isChecked());
    EXPECT_EQ(main()->statusPanel(3), QString("ef=12, df=2"));
    EXPECT_EQ(main()->statusPanel(0), QString("1 / 4"));   // ef changed with data loaded

    struct Case { const char* typed; int ef; const char* checkedItem; const char* message; };
    const Case cases[] = {
        {"42", 42, "otherEnhanceFactorAction", nullptr},
        {"99", 99, "otherEnhanceFactorAction", nullptr},
        {"100", 10, "enhanceFactorAction10", nullptr},     // the field takes two characters
        {" 3", 3, "enhanceFactorAction3", nullptr},        // hidden item chosen: it appears
        {"ab", 3, "enhanceFactorAction3", "Invalid number 'ab'"},
        {"-1", 3, "enhanceFactorAction3", "Invalid number '-1'"},
    };
    for (const Case& c : cases) {
        fx.port.messages.clear();
        act("otherEnhanceFactorAction")->trigger();
        ASSERT_TRUE(main()->enhancePanel()->isVisible()) << c.typed;
        main()->enhanceEdit()->clear();
        QTest::keyClicks(main()->enhanceEdit(), c.typed);
        QTest::mouseClick(main()->enhanceOkButton(), Qt::LeftButton);
        EXPECT_EQ(main()->settings.ef, c.ef) << c.typed;
        EXPECT_TRUE(act(c.checkedItem)->isChecked()) << c.typed;
        EXPECT_TRUE(act(c.checkedItem)->isVisible()) << c.typed;
        if (c.message) {
            EXPECT_EQ(fx.port.messages, QStringList{c.message});
            EXPECT_TRUE(main()->enhancePanel()->isVisible());
            EXPECT_TRUE(main()->enhanceEdit()->text().isEmpty());
            QTest::mouseClick(main()->enhanceCancelButton(), Qt::LeftButton);
        } else {
            EXPECT_TRUE(fx.port.messages.isEmpty()) << c.typed;
            EXPECT_EQ(main()->statusPanel(3), QString("ef=%1, df=2").arg(c.ef));
        }
        EXPECT_FALSE(main()->enhancePanel()->isVisible()) << c.typed;
    }
}

TEST_F(MainWindowTest, DispersionAndSymbolMenus) {
    fx.Start();
    act("dispersionFactorAction0")->trigger();
    EXPECT_EQ(main()->settings.df, 0);
    EXPECT_TRUE(act("dispersionFactorAction0")->isChecked());
    EXPECT_FALSE(act("dispersionFactorAction2")->isChecked());
    EXPECT_EQ(main()->statusPanel(3), QString("ef=8, df=0"));
    act("headOnlyAction")->trigger();
    EXPECT_FALSE(main()->plotStyle.drawTail);
    EXPECT_FALSE(act("headAndTailAction")->isChecked());
    act("smallHeadAction")->trigger();
    EXPECT_EQ(main()->plotStyle.headSize, 6);
    EXPECT_FALSE(act("largeHeadAction")->isChecked());
}

TEST_F(MainWindowTest, BoundTrackBarsFollowEachOtherAndReset) {
    fx.Start();
    QSlider* up = main()->upperBoundSlider();
    QSlider* lo = main()->lowerBoundSlider();
    EXPECT_EQ(up->toolTip(), QString("Upper bound of stress ratio"));
    EXPECT_EQ(lo->toolTip(), QString("Lower bound of stress ratio"));
    up->setValue(5);
    lo->setValue(7);            // above the upper bound: it follows
    EXPECT_EQ(up->value(), 7);
    up->setValue(3);            // below the lower bound: it follows
    EXPECT_EQ(lo->value(), 3);
    EXPECT_EQ(main()->settings.srLo, 3);
    EXPECT_EQ(main()->settings.srUp, 3);
    QTest::mouseClick(main()->findChild<QPushButton*>("resetButton"), Qt::LeftButton);
    EXPECT_EQ(up->value(), 10);
    EXPECT_EQ(lo->value(), 0);
    // A press on cell 6 of the colour strip selects that class alone.
    QTest::mouseClick(main()->colorStrip(), Qt::LeftButton, {}, QPoint(6 * 14 + 7, 10));
    EXPECT_EQ(lo->value(), 6);
    EXPECT_EQ(up->value(), 6);
    // The right button also redraws.
    QTest::mouseClick(main()->colorStrip(), Qt::RightButton, {}, QPoint(2 * 14 + 3, 10));
    EXPECT_EQ(main()->settings.srLo, 2);
    EXPECT_EQ(main()->statusPanel(0), QString("0 / 0 / 4"));
}

TEST_F(MainWindowTest, RecentFilesKeepOrderDropMissingAndWriteAtMostFifteen) {
    const QString a = fx.WriteResult("a.ql4", {{2, 4}});
    const QString b = fx.WriteResult("b.ql4", {{2, 4}});
    const QString c = fx.WriteResult("c.ql4", {{2, 4}});
    fx.WriteText("prevfiles.txt", (a + "\r\n" + fx.home + "gone.ql4\r\n" + b + "\r\n").toUtf8());
    fx.Start();
    EXPECT_EQ(main()->recentFiles, (QStringList{a, b}));
    EXPECT_EQ(main()->recentItem(1)->text(), QString("a.ql4"));
    EXPECT_EQ(main()->recentItem(2)->text(), QString("b.ql4"));
    EXPECT_TRUE(main()->fileMenu()->actions().contains(main()->recentItem(2)));
    // The list follows a plain separator line, without a stray "-" caption.
    EXPECT_TRUE(main()->recentItem(0)->isSeparator());
    EXPECT_TRUE(main()->recentItem(0)->text().isEmpty());
    EXPECT_TRUE(main()->fileMenu()->actions().contains(main()->recentItem(0)));
    Open(c);                                     // new file first
    EXPECT_EQ(main()->recentFiles, (QStringList{c, a, b}));
    EXPECT_EQ(main()->recentItem(1)->text(), QString("c.ql4"));
    designateSomething(main());
    main()->recentItem(3)->trigger();            // b, from the menu: moved to the head
    EXPECT_EQ(main()->recentFiles, (QStringList{b, c, a}));
    EXPECT_EQ(main()->windowTitle(), QString(" QL Viewer  [ b.ql4 ]"));
    EXPECT_FALSE(histogramIsPlaceholder(fx.windows->dataWindow.get()));   // the recent item keeps it
    main()->endProgram();
    EXPECT_EQ(ReadAll(fx.home + "prevfiles.txt"), (b + "\r\n" + c + "\r\n" + a + "\r\n").toUtf8());
}

TEST_F(MainWindowTest, RecentFilesWrittenAreAtMostFifteen) {
    QByteArray list;
    for (int i = 0; i < 20; ++i) list += fx.WriteResult(QString("r%1.ql4").arg(i), {{2, 4}}).toUtf8() + "\r\n";
    fx.WriteText("prevfiles.txt", list);
    fx.Start();
    EXPECT_EQ(main()->recentFiles.size(), 20);
    EXPECT_EQ(main()->recentItem(15)->text(), QString("r14.ql4"));
    EXPECT_FALSE(main()->fileMenu()->actions().contains(main()->recentItem(16)));
    fx.windows.reset();                          // the end of the program writes the list
    const QList<QByteArray> lines = ReadAll(fx.home + "prevfiles.txt").split('\n');
    EXPECT_EQ(lines.size(), 16);                 // 15 lines and the empty tail
    EXPECT_TRUE(lines[14].endsWith("r14.ql4\r"));
}

TEST_F(MainWindowTest, SameFileNameInTwoFoldersOpensTheChosenOne) {
    QDir(fx.home).mkdir("x");
    QDir(fx.home).mkdir("y");
    const QString x = fx.WriteResult("x/same.ql4", {{2, 4}});
    const QString y = fx.WriteResult("y/same.ql4", {{1, 2}, {2, 4}});
    fx.WriteText("prevfiles.txt", (x + "\r\n" + y + "\r\n").toUtf8());
    fx.Start();
    main()->recentItem(2)->trigger();
    EXPECT_EQ(QString::fromStdString(main()->model.resultPath), y);
    EXPECT_EQ(main()->statusPanel(0), QString("2 / 4"));
}

void Drop(MainWindow* w, const QStringList& files) {
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString& f : files) urls << QUrl::fromLocalFile(f);
    mime.setUrls(urls);
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &enter);
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &drop);
}

TEST_F(MainWindowTest, DroppedFiles) {
    const QString a = fx.WriteResult("a.ql4", {{2, 4}});
    const QString b = fx.WriteResult("b.ql4", {{1, 1}, {2, 4}});
    fx.Start();
    Drop(main(), {a, b});
    EXPECT_EQ(fx.port.messages,
              QStringList{"Plural files were dropped.\r\nThis application accept only one file at a time."});
    EXPECT_EQ(main()->windowTitle(), QString(" QL Viewer"));
    EXPECT_TRUE(main()->recentFiles.isEmpty());
    designateSomething(main());
    Drop(main(), {b});
    EXPECT_EQ(main()->windowTitle(), QString(" QL Viewer  [ b.ql4 ]"));
    EXPECT_EQ(main()->statusPanel(0), QString("2 / 4"));
    EXPECT_FALSE(histogramIsPlaceholder(fx.windows->dataWindow.get()));   // a drop keeps the histogram
}

// Help opens the manuals the build staged beside the program: the windows are
// made on the runnable folder itself, as qlv4 makes them on its own directory.
// Nothing is closed, so nothing is written there.
TEST(HelpMenu, OpensTheManualsStagedBesideTheProgram) {
    const QString bin = QString(QUILLON_BIN_DIR) + "/";
    quillon::platform::ScriptedUserPort port;
    auto windows = createViewerWindows(bin, port);
    struct Case {
        const char* action;
        const char* file;
    };
    for (const Case c : {Case{"manualEnglishAction", "man_e.pdf"}, Case{"manualJapaneseAction", "man_j.pdf"}}) {
        QAction* a = windows->main->action(c.action);
        ASSERT_NE(a, nullptr) << c.action;
        a->trigger();
        ASSERT_FALSE(port.openedDocuments.isEmpty());
        EXPECT_EQ(port.openedDocuments.last(), bin + c.file);
        QFile pdf(port.openedDocuments.last());
        ASSERT_TRUE(pdf.open(QIODevice::ReadOnly)) << c.file << " is not staged in " << bin.toStdString();
        EXPECT_TRUE(pdf.read(5) == "%PDF-") << c.file;
    }
    EXPECT_TRUE(port.messages.isEmpty()) << port.messages.join("|").toStdString();
}

TEST_F(MainWindowTest, HelpVersionAndProMode) {
    fx.Start();
    fx.port.openDocumentResult = false;
    act("manualJapaneseAction")->trigger();
    EXPECT_EQ(fx.port.openedDocuments, QStringList{fx.home + "man_j.pdf"});
    EXPECT_EQ(fx.port.messages, QStringList{"File \"" + fx.home + "man_j.pdf\"\r\n  not found."});
    fx.port.openDocumentResult = true;
    fx.port.messages.clear();
    act("manualEnglishAction")->trigger();
    EXPECT_EQ(fx.port.openedDocuments.last(), fx.home + "man_e.pdf");
    EXPECT_TRUE(fx.port.messages.isEmpty());

    act("versionAction")->trigger();
    EXPECT_TRUE(fx.windows->about->isVisible());
    EXPECT_FALSE(fx.windows->about->isModal());
    QTest::mouseClick(fx.windows->about->findChild<QPushButton*>("okButton"), Qt::LeftButton);
    EXPECT_FALSE(fx.windows->about->isVisible());

    main()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main()));
    QTest::keyClick(main(), Qt::Key_Backspace, Qt::AltModifier | Qt::ShiftModifier);
    EXPECT_EQ(fx.port.messages, QStringList{"QLV Professional Mode!"});
    EXPECT_TRUE(main()->model.showGridFileName);
    EXPECT_TRUE(act("tinyHeadAction")->isVisible());
    for (int tag = 0; tag <= 7; ++tag) EXPECT_TRUE(main()->enhanceItem(tag)->isVisible()) << tag;
    EXPECT_TRUE(fx.windows->dataWindow->action("projectionMenu")->isVisible());
    EXPECT_FALSE(act("proModeAction")->isVisible());
    const QString r = fx.WriteResult("run.ql4", {{2, 4}});
    Open(r);
    EXPECT_EQ(main()->windowTitle(), QString(" QL Viewer  [ run.ql4 ] / [ Unif60000.cgp ]"));
}

TEST_F(MainWindowTest, WindowMenuShowsTheWindows) {
    fx.Start();
    act("dataWindowAction")->trigger();
    EXPECT_TRUE(fx.windows->dataWindow->isVisible());
    act("mohrWindowAction")->trigger();
    EXPECT_TRUE(fx.windows->mohr->isVisible());
    act("changeColorsAction")->trigger();
    EXPECT_TRUE(fx.windows->palette->isVisible());
    act("mainWindowAction")->trigger();
    EXPECT_TRUE(main()->isVisible());
    // Closing the data window ends the program: the recent list is written.
    fx.windows->dataWindow->close();
    EXPECT_TRUE(main()->programEnded);
    EXPECT_TRUE(QFile::exists(fx.home + "prevfiles.txt"));
}

TEST_F(MainWindowTest, ImageKeepsTwoToOneAndCursorReadout) {
    fx.Start();
    main()->resize(900, 600);
    QCoreApplication::processEvents();
    const QSize img = main()->plotImage()->size();
    ASSERT_GT(img.height(), 0);
    EXPECT_TRUE(img.width() == 2 * img.height() || img.height() == img.width() / 2)
        << img.width() << "x" << img.height();
    main()->resize(1600, 500);
    QCoreApplication::processEvents();
    const QSize wide = main()->plotImage()->size();
    EXPECT_EQ(wide.width(), 2 * wide.height());
    // A mouse at (950 / s, 515 / s) reads azimuth 90, plunge 0 on the sigma1 net.
    main()->plotImage()->resize(400, 200);   // s = 1000 / 200 = 5
    QTest::mouseMove(main()->plotImage(), QPoint(190, 103));
    main()->showCursorDirection(190, 103);
    EXPECT_EQ(main()->statusPanel(2), QString("90.0 / 0.0"));
    EXPECT_EQ(main()->statusPanel(4), QString("sigma1"));
    main()->showCursorDirection(300, 103);   // canvas (1500, 515): centre of net 1
    EXPECT_EQ(main()->statusPanel(2), QString("0.0 / 90.0"));
    EXPECT_EQ(main()->statusPanel(4), QString("sigma3"));
}

TEST_F(MainWindowTest, RecentFileListThatIsNoRegularFileOrHasCrEnds) {
    // A FIFO named prevfiles.txt would hold the start up for ever: it is not
    // opened.  A list with CR line ends gives one entry per line.
    const QString a = fx.WriteResult("a.ql4", {{2, 4}});
    const QString b = fx.WriteResult("b.ql4", {{2, 4}});
    fx.WriteText("prevfiles.txt", (a + "\r" + b + "\r").toUtf8());
    fx.Start();
    EXPECT_EQ(main()->recentFiles, (QStringList{a, b}));
    fx.windows.reset();

    QFile::remove(fx.home + "prevfiles.txt");
    ASSERT_EQ(::mkfifo((fx.home + "prevfiles.txt").toLocal8Bit().constData(), 0600), 0);
    fx.Start();
    EXPECT_TRUE(main()->recentFiles.isEmpty());
    EXPECT_TRUE(fx.port.messages.isEmpty());
}

TEST_F(MainWindowTest, LongDrawingCanBeCancelled) {
    // 3000 symbols at ef 0; the drawing is cancelled through its progress dialog
    // (as its button or Escape does) after 1500.  What was drawn is not kept: the
    // nets stay empty, as when the question is answered No.
    const QString r = fx.WriteResult("run.ql4", {{1, 1000}, {3, 2000}});
    fx.Start();
    Open(r);
    main()->setEnhanceFactor(0);
    main()->setDispersionFactor(0);
    int last = -1;
    QObject::connect(main(), &MainWindow::drawProgress, [&](int position, int) {
        last = position;
        if (position == 1500) {
            auto* dialog = main()->findChild<QProgressDialog*>();
            ASSERT_NE(dialog, nullptr);
            dialog->cancel();
        }
    });
    fx.port.confirmAnswers = {true};
    main()->draw();
    EXPECT_EQ(last, 1500);
    EXPECT_EQ(main()->progressBar()->value(), 0);
    EXPECT_EQ(main()->plotBitmap.pixelColor(940, 515), QColor(Qt::white));
    EXPECT_EQ(main()->plotImage()->picture(), main()->plotBitmap);
    EXPECT_EQ(main()->findChild<QProgressDialog*>(), nullptr);   // gone with the drawing

    // Not cancelled, the same drawing completes.
    QObject::disconnect(main(), &MainWindow::drawProgress, nullptr, nullptr);
    fx.port.confirmAnswers = {true};
    main()->draw();
    EXPECT_EQ(main()->plotBitmap.pixelColor(940, 515), toQColor(defaultColors()[0]));
}

}  // namespace
