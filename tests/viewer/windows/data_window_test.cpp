// The Fault-Slip Data window, the Mohr diagram and the Result of Measurement
// window, driven through their public operations and through the main
// window's designation as a user's mouse and keyboard would drive it.
#include "tests/viewer/windows/qt_test_app.h"
#include "tests/viewer/windows/viewer_fixture.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSlider>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>

#include "viewer/model/data_listing.h"
#include "viewer/model/stress_statistics.h"
#include "viewer/windows/fault_data_window.h"
#include "viewer/windows/measurement_window.h"
#include "viewer/windows/mohr_window.h"
#include "viewer/windows/picture_view.h"
#include "viewer/windows/plot_widgets.h"
#include "viewer/windows/solutions_window.h"

using namespace quillon::viewer;
using quillon::testing::ViewerFixture;

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// Normal fault dipping 60 East with down-dip slip (misfit 0 under a vertical
// sigma1 and East-West sigma3), the same plane with reverse sense (misfit
// 180), a horizontal plane (no shear stress: "ZSS"), and an oblique datum.
const std::vector<QByteArray> kData = {
    "90.0 60.0 90.0 60.0 N",
    "90 60 90 60 r",
    "0 0 0 0 N",
    "30 50 70 40 D",
};

StressState VerticalSigma1(float phi) {
    StressState s;
    s.axis[Sigma1] = makeDirection(0, 90);
    s.axis[Sigma3] = makeDirection(90, 0);
    s.stressRatio = phi;
    return s;
}

class DataWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        result = fx.WriteResultWithData("data.ql4", {{1, 3}, {3, 9}}, kData);
        fx.Start();
        fx.port.fileAnswers.push_back(result);
        fx.main->action("openAction")->trigger();
        ASSERT_TRUE(fx.port.messages.isEmpty()) << fx.port.messages.join("|").toStdString();
        // One canvas unit per pixel, so that screen points are canvas points.
        fx.main->plotImage()->setGeometry(0, 0, 2000, 1000);
    }
    FaultDataWindow* data() { return fx.windows->dataWindow.get(); }
    MohrWindow* mohr() { return fx.windows->mohr.get(); }
    QString cell(int row, int column) { return data()->grid()->item(row - 1, column)->text(); }
    void Designate(const StressState& s) {
        fx.main->model.designatedStress = s;
        data()->dataSet.stressDesignated = true;
        data()->theoreticalSlipDirections(s.axis[Sigma1], s.axis[Sigma3], s.stressRatio);
    }
    // Mouse on the nets at a canvas point.
    void MoveTo(CanvasPoint c) { Send(QEvent::MouseMove, Qt::NoButton, c); }
    void Send(QEvent::Type type, Qt::MouseButton button, CanvasPoint c) {
        QWidget* w = fx.main->plotImage();
        const QPointF local(c.x, c.y);
        QMouseEvent e(type, local, w->mapToGlobal(local), button,
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::MouseButtons(button), Qt::NoModifier);
        QCoreApplication::sendEvent(w, &e);
    }
    void ReleaseAt(CanvasPoint c) {
        QTest::mouseRelease(fx.main->plotImage(), Qt::LeftButton, {}, QPoint(c.x, c.y));
    }
    void ReleaseOnStrip(int cell) {
        QTest::mouseRelease(fx.main->colorStrip(), Qt::LeftButton, {}, QPoint(cell * 14 + 7, 10));
    }

    ViewerFixture fx;
    QString result;
};

TEST_F(DataWindowTest, GridAfterLoadAndFocalLabels) {
    EXPECT_TRUE(data()->isVisible());
    ASSERT_EQ(data()->grid()->rowCount(), 4);
    ASSERT_EQ(data()->grid()->columnCount(), 7);
    QStringList header;
    for (int c = 1; c < 7; ++c) header << data()->grid()->horizontalHeaderItem(c)->text();
    EXPECT_EQ(header, (QStringList{"Faz", "Fpl", "Saz", "Spl", "Sense", "Misfit"}));
    // General number format, senses upper-cased, the misfit column empty.
    EXPECT_EQ((QStringList{cell(1, 0), cell(1, 1), cell(1, 2), cell(1, 3), cell(1, 4), cell(1, 5)}),
              (QStringList{"1", "90", "60", "90", "60", "N"}));
    EXPECT_EQ(cell(2, 5), QString("R"));
    EXPECT_EQ(data()->misfitCells(), (QStringList{"", "", "", ""}));
    for (const HistogramBar& b : data()->histogram()) EXPECT_EQ(b.value, 1);
    // Before a designation the misfit export does nothing.
    data()->exportMisfits();
    EXPECT_TRUE(fx.port.fileRequests.size() == 1);   // only the Open dialog

    // Focal mechanisms: two nodal planes per mechanism.
    const QString focal = fx.WriteResultWithData("focal.ql4", {{1, 3}}, {kData[0], kData[1], kData[0], kData[1],
                                                                         kData[0], kData[1]},
                                                 "C:\\data\\events.fmd");
    fx.port.fileAnswers.push_back(focal);
    fx.main->action("openAction")->trigger();
    QStringList labels;
    for (int r = 1; r <= 6; ++r) labels << cell(r, 0);
    EXPECT_EQ(labels, (QStringList{"1a", "1b", "2a", "2b", "3a", "3b"}));
}

TEST_F(DataWindowTest, DesignationFillsMisfitsHistogramLabelAndMohr) {
    EXPECT_FALSE(mohr()->isVisible());
    Designate(VerticalSigma1(0.5f));
    const auto& d = data()->dataSet.records;
    // The oblique datum's misfit, from the traction of S = diag(0, 0.5, 1) (East,
    // North, Up) on its plane and its hanging wall's slip, worked out here.
    const double deg = 3.14159265358979323846 / 180.0;
    const double n[3] = {std::cos(40 * deg) * std::sin(210 * deg), std::cos(40 * deg) * std::cos(210 * deg),
                         -std::sin(40 * deg)};
    const double t[3] = {0.0, 0.5 * n[1], n[2]};
    const double tn = t[0] * n[0] + t[1] * n[1] + t[2] * n[2];
    double tau[3] = {t[0] - tn * n[0], t[1] - tn * n[1], t[2] - tn * n[2]};
    const double slip[3] = {std::cos(40 * deg) * std::sin(70 * deg), std::cos(40 * deg) * std::cos(70 * deg),
                            -std::sin(40 * deg)};
    // Dextral: the slip azimuth 70 lies clockwise of the dip direction 30, so
    // the hanging wall moves down the line (as a normal fault would).
    const double dot = (tau[0] * slip[0] + tau[1] * slip[1] + tau[2] * slip[2]) /
                       std::sqrt(tau[0] * tau[0] + tau[1] * tau[1] + tau[2] * tau[2]);
    const double expected = std::acos(dot) / deg;
    EXPECT_NEAR(d[4].misfit, expected, 0.05);
    const QString oblique = QString::fromStdString(misfitCellText(float(expected), false));
    EXPECT_EQ(data()->misfitCells(), (QStringList{"0.0", "180.0", "ZSS", oblique}));
    // Misfit colours: class 0 on its colour in white, 180 black on white.
    const QTableWidgetItem* first = data()->grid()->item(0, 6);
    EXPECT_EQ(first->background().color(), QColor(208, 53, 53));
    EXPECT_EQ(first->foreground().color(), QColor(Qt::white));
    EXPECT_EQ(data()->grid()->item(1, 6)->background().color(), QColor(Qt::white));
    // Histogram: 0 in bar 0; 180 and ZSS in the last bar; the oblique datum in its bar.
    std::array<int, 18> counts{};
    counts[0] = 1;
    counts[17] = 2;
    counts[size_t(std::floor(expected / 10))] += 1;
    for (int k = 0; k < 18; ++k) EXPECT_EQ(data()->histogram()[size_t(k)].value, counts[size_t(k)]) << k;
    EXPECT_EQ(data()->histogram()[0].color, QColor(208, 53, 53));
    EXPECT_EQ(data()->histogram()[5].color, QColor(192, 192, 192));
    // The Mohr window appears with the designated Phi.
    EXPECT_TRUE(mohr()->isVisible());
    EXPECT_FLOAT_EQ(mohr()->phi(), 0.5f);

    // Selecting a row: its label, the overlay in red, the Mohr ring; a second
    // selection replaces both overlays instead of adding to them.
    data()->selectRow(1);
    EXPECT_EQ(data()->selectedDatumLabel(), QString("1  [ 0.25, 0.43 ]"));
    QImage mohrBefore(1000, 500, QImage::Format_RGB32);
    mohrBefore.fill(Qt::black);
    {
        QPainter p(&mohrBefore);
        p.drawPicture(0, 0, mohr()->view()->overlay());
    }
    EXPECT_EQ(mohrBefore.pixelColor(280, 85), QColor(255, 0, 0));   // ring of radius 10 around (270, 85)
    data()->selectRow(4);
    QImage mohrAfter(1000, 500, QImage::Format_RGB32);
    mohrAfter.fill(Qt::black);
    {
        QPainter p(&mohrAfter);
        p.drawPicture(0, 0, mohr()->view()->overlay());
    }
    EXPECT_EQ(mohrAfter.pixelColor(280, 85), QColor(Qt::black));   // the first ring is gone
    QImage netOverlay(1000, 1000, QImage::Format_RGB32);
    netOverlay.fill(Qt::black);
    {
        QPainter p(&netOverlay);
        p.drawPicture(0, 0, data()->stereonet()->overlay());
    }
    // Datum 1's arrow (East of its slip point at 623, 500) is no longer on the overlay.
    EXPECT_EQ(netOverlay.pixelColor(653, 500), QColor(Qt::black));

    data()->switchOffHighlighting();
    EXPECT_TRUE(data()->selectedDatumLabel().isEmpty());
    EXPECT_TRUE(data()->stereonet()->overlay().isNull());
    EXPECT_TRUE(mohr()->view()->overlay().isNull());
}

TEST_F(DataWindowTest, TextExportsAndCancelledDialogs) {
    Designate(VerticalSigma1(0.0f));
    // Misfits: the chosen name's extension becomes .txt; one line per datum.
    fx.port.fileAnswers.push_back(fx.home + "misfits.dat");
    data()->exportMisfits();
    EXPECT_EQ(fx.port.fileRequests.back().title, QString("Save misfit angles"));
    EXPECT_EQ(fx.port.fileRequests.back().filter, QString("Text files (*.txt)|*.txt"));
    const QByteArray misfits = ReadAll(fx.home + "misfits.txt");
    EXPECT_TRUE(misfits.startsWith("0.0\r\n180.0\r\n")) << misfits.toStdString();
    EXPECT_EQ(misfits.count("\r\n"), 4);
    // Normal and shear stress, three decimals, two blanks between.
    fx.port.fileAnswers.push_back(fx.home + "stresses");
    mohr()->saveStresses();
    const QByteArray stresses = ReadAll(fx.home + "stresses.txt");
    EXPECT_TRUE(stresses.startsWith("0.250  0.433\r\n0.250  0.433\r\n1.000  0.000\r\n")) << stresses.toStdString();
    // A cancelled dialog writes nothing.
    const auto before = QDir(fx.home).entryList(QDir::Files);
    data()->exportMisfits();
    data()->exportStereonet();
    data()->exportHistogram();
    mohr()->saveDiagram();
    EXPECT_EQ(QDir(fx.home).entryList(QDir::Files), before);
    // Pictures by extension: PNG of the stereonet, EMF of the histogram.
    fx.port.fileAnswers.push_back(fx.home + "net.png");
    data()->exportStereonet();
    QImage net(fx.home + "net.png");
    ASSERT_EQ(net.size(), QSize(1000, 1000));
    EXPECT_EQ(net.pixelColor(500, 500), QColor(166, 202, 240));   // sigma1 vertical
    fx.port.fileAnswers.push_back(fx.home + "histogram.emf");
    data()->exportHistogram();
    EXPECT_TRUE(ReadAll(fx.home + "histogram.emf").startsWith(QByteArray("\x01\x00\x00\x00", 4)));
    // A write failure is reported and leaves no file.
    fx.port.fileAnswers.push_back(fx.home + "missing/dir/net.png");
    data()->exportStereonet();
    ASSERT_FALSE(fx.port.messages.isEmpty());
    EXPECT_TRUE(fx.port.messages.last().startsWith("Cannot write the file")) << fx.port.messages.join("|").toStdString();
}

TEST_F(DataWindowTest, MouseDesignationOfAMisfitMeasurement) {
    fx.main->action("designateByMouseAction")->trigger();
    EXPECT_EQ(fx.main->designationStep, DesignationStep::FirstAxis);
    EXPECT_EQ(fx.main->statusPanel(5), QString("Designate 1st axis"));
    EXPECT_FALSE(fx.main->progressBar()->isVisible());
    // sigma1 at (120, 30) on the left net: the arc of the perpendicular
    // directions runs on the right net from (30, 0) through (300, 60) to (210, 0).
    const CanvasPoint first = projectAxis(makeDirection(120, 30), 0);
    const QImage before = fx.main->shownImage();
    MoveTo(first);
    std::array<Direction, 181> dirs;
    const auto arc = MainWindow::arcPoints(makeDirection(120, 30), 0, &dirs);
    EXPECT_EQ(arc[0], projectAxis(makeDirection(30, 0), 1));
    EXPECT_EQ(arc[90], projectAxis(makeDirection(300, 60), 1));
    EXPECT_EQ(arc[180], projectAxis(makeDirection(210, 0), 1));
    EXPECT_NE(fx.main->shownImage(), before);
    EXPECT_EQ(fx.main->statusPanel(4), QString("sigma1"));
    // Moving away and back leaves the image exactly as it was at the first point:
    // each mark drawn twice erases itself.
    const QImage atFirst = fx.main->shownImage();
    MoveTo(projectAxis(makeDirection(200, 50), 0));
    EXPECT_NE(fx.main->shownImage(), atFirst);
    MoveTo(first);
    EXPECT_EQ(fx.main->shownImage(), atFirst);

    ReleaseAt(first);
    EXPECT_EQ(fx.main->designationStep, DesignationStep::SecondAxis);
    EXPECT_EQ(fx.main->statusPanel(5), QString("Designate 2nd axis"));
    EXPECT_NEAR(fx.main->model.designatedStress.axis[Sigma1].az, 120, 0.3);
    EXPECT_NEAR(fx.main->model.designatedStress.axis[Sigma1].pl, 30, 0.3);
    // The second axis, picked near the arc's middle, is the arc's direction:
    // perpendicular to the first by construction.
    const auto pickedArc = MainWindow::arcPoints(fx.main->model.designatedStress.axis[Sigma1], 0, &dirs);
    ReleaseAt(CanvasPoint{pickedArc[90].x + 2, pickedArc[90].y + 1});
    EXPECT_EQ(fx.main->designationStep, DesignationStep::StressRatio);
    EXPECT_EQ(fx.main->statusPanel(5), QString("Designate Stress Ratio"));
    EXPECT_TRUE(fx.main->stressRatioPanel()->isVisible());
    const StressState& s = fx.main->model.designatedStress;
    EXPECT_NEAR(dotProduct(directionToVector(s.axis[Sigma1]), directionToVector(s.axis[Sigma3])), 0.0, 1e-5);
    EXPECT_NEAR(s.axis[Sigma3].az, 300, 1.0);
    EXPECT_NEAR(s.axis[Sigma3].pl, 60, 1.0);

    // The Phi field refuses 1.5 and stays; the fourth cell of the strip gives 0.3.
    fx.main->phiEdit()->setText("1.5");
    fx.main->acceptPhiField();
    EXPECT_EQ(fx.port.messages, QStringList{"Invalid Phi value"});
    EXPECT_TRUE(fx.main->phiEdit()->text().isEmpty());
    EXPECT_EQ(fx.main->designationStep, DesignationStep::StressRatio);
    ReleaseOnStrip(3);
    EXPECT_EQ(fx.main->designationStep, DesignationStep::Idle);
    EXPECT_FLOAT_EQ(fx.main->model.designatedStress.stressRatio, 0.3f);
    EXPECT_TRUE(fx.main->statusPanel(5).isEmpty());
    EXPECT_TRUE(fx.main->progressBar()->isVisible());
    EXPECT_FALSE(fx.main->stressRatioPanel()->isVisible());
    // The data window and the Mohr diagram show the fit of that stress.
    EXPECT_TRUE(data()->dataSet.stressDesignated);
    EXPECT_FALSE(data()->misfitCells().contains(QString()));
    EXPECT_TRUE(mohr()->isVisible());
    EXPECT_FLOAT_EQ(mohr()->phi(), 0.3f);
    // A release on the strip with nothing running changes no stress.
    ReleaseOnStrip(7);
    EXPECT_FLOAT_EQ(fx.main->model.designatedStress.stressRatio, 0.3f);
}

TEST_F(DataWindowTest, KeyboardPanelFieldsAndEscape) {
    fx.main->action("designateByKeyboardAction")->trigger();
    EXPECT_EQ(fx.main->designationStep, DesignationStep::KeyboardAxis);
    EXPECT_TRUE(fx.main->keyboardPanel()->isVisible());
    const struct {
        QLineEdit* edit;
        const char* typed;
        const char* message;
    } cases[] = {
        {fx.main->azimuthEdit(), "400", "Invalid azimuth"},
        {fx.main->plungeEdit(), "95", "Invalid plunge"},
    };
    for (const auto& c : cases) {
        c.edit->clear();
        fx.port.messages.clear();
        QTest::keyClicks(c.edit, c.typed);
        EXPECT_EQ(fx.port.messages, QStringList{c.message});
        EXPECT_EQ(c.edit->text(), QString("0"));
        // Emptying the field does the same.
        fx.port.messages.clear();
        c.edit->selectAll();
        QTest::keyClick(c.edit, Qt::Key_Backspace);
        EXPECT_EQ(fx.port.messages, QStringList{c.message});
        EXPECT_EQ(c.edit->text(), QString("0"));
    }
    fx.port.messages.clear();
    fx.main->azimuthEdit()->clear();
    QTest::keyClicks(fx.main->azimuthEdit(), "45");
    fx.main->plungeEdit()->clear();
    QTest::keyClicks(fx.main->plungeEdit(), "20");
    EXPECT_TRUE(fx.port.messages.isEmpty());
    fx.main->sigma3Radio()->setChecked(true);
    fx.main->confirmKeyboardAxis();
    EXPECT_EQ(fx.main->designationStep, DesignationStep::SecondAxis);
    EXPECT_FALSE(fx.main->keyboardPanel()->isVisible());
    EXPECT_EQ(fx.main->model.designatedStress.axis[Sigma3], makeDirection(45, 20));
    // Escape ends the designation and removes its marks.
    fx.main->activateWindow();
    QTest::keyClick(fx.main, Qt::Key_Escape);
    EXPECT_EQ(fx.main->designationStep, DesignationStep::Idle);
    EXPECT_EQ(fx.main->shownImage(), fx.main->plotBitmap);
    EXPECT_TRUE(fx.main->statusPanel(5).isEmpty());
}

TEST_F(DataWindowTest, AngularDistanceThroughEverySecondStateStep) {
    // Both states: sigma1 vertical (the left net's centre) and sigma3 at the
    // middle of the horizontal arc, (180, 0); Phi 0.5, then Phi 0.
    fx.main->action("angularDistanceAction")->trigger();
    const CanvasPoint centre{500, 515};
    for (int state = 0; state < 2; ++state) {
        SCOPED_TRACE(state);
        EXPECT_EQ(fx.main->statusPanel(5), QString("Designate 1st axis"));
        MoveTo(centre);
        ReleaseAt(centre);
        const auto arc = MainWindow::arcPoints(makeDirection(0, 90), 0);
        ReleaseAt(arc[90]);
        EXPECT_EQ(fx.main->statusPanel(5), QString("Designate Stress Ratio"));
        if (state == 0) {
            fx.main->phiEdit()->setText("0.5");
            fx.main->acceptPhiField();
            EXPECT_EQ(fx.main->designationStep, DesignationStep::SecondStateFirstAxis);
            EXPECT_FALSE(fx.windows->measurement->isVisible());
        } else {
            ReleaseOnStrip(0);
        }
    }
    EXPECT_EQ(fx.main->designationStep, DesignationStep::Idle);
    ASSERT_TRUE(fx.windows->measurement->isVisible());
    EXPECT_EQ(fx.windows->measurement->text().split('\n'),
              (QStringList{"Stress State 1", "  sigma1 axis = 0.0 / 90.0", "  sigma3 axis = 180.0 / 0.0",
                           "  Phi =0.50", "", "Stress State 2", "  sigma1 axis = 0.0 / 90.0",
                           "  sigma3 axis = 180.0 / 0.0", "  Phi =0.00", "", "Theta = 30.00 deg"}));
    EXPECT_EQ(fx.windows->measurement->height(), 281);
    // A distance measurement leaves the data window's misfits alone.
    EXPECT_FALSE(data()->dataSet.stressDesignated);
    fx.windows->measurement->closeButton->click();
    EXPECT_FALSE(fx.windows->measurement->isVisible());
    EXPECT_TRUE(fx.windows->measurement->text().isEmpty());
}

TEST_F(DataWindowTest, GlobalAverageTextInTheMeasurementWindow) {
    fx.main->setEnhanceFactor(0);
    fx.main->action("globalAverageAction")->trigger();
    ASSERT_TRUE(fx.windows->measurement->isVisible()) << fx.port.messages.join("|").toStdString();
    const QStringList lines = fx.windows->measurement->text().split('\n');
    ASSERT_EQ(lines.size(), 11);
    EXPECT_EQ(lines[0], QString("File Name"));
    EXPECT_EQ(lines[1], QString("     data.ql4"));
    EXPECT_EQ(lines[2], QString("Enhance Factor = 0"));
    EXPECT_EQ(lines[3], QString("Np = 12"));   // 3 + 9 votes
    EXPECT_EQ(fx.windows->measurement->height(), 301);
    // Nothing selected: the message, and the window keeps its text.
    fx.main->lowerBoundSlider()->setValue(6);   // no state of class 6 to 10 has votes
    fx.main->action("globalAverageAction")->trigger();
    ASSERT_FALSE(fx.port.messages.isEmpty());
    EXPECT_EQ(fx.port.messages.last(), QString("No data loaded."));
    EXPECT_EQ(fx.windows->measurement->text().split('\n').size(), 11);
}

TEST_F(DataWindowTest, TypedStateAndDoubleClickedTadpole) {
    // Axes 10 degrees from perpendicular are refused; exact ones designate.
    StressState skewed = VerticalSigma1(0.5f);
    skewed.axis[Sigma3] = makeDirection(90, 10);
    EXPECT_FALSE(fx.main->designateStressState(skewed));
    ASSERT_FALSE(fx.port.messages.isEmpty());
    EXPECT_TRUE(fx.port.messages.last().startsWith("The sigma1 and sigma3 axes must be perpendicular"));
    EXPECT_FALSE(data()->dataSet.stressDesignated);
    EXPECT_TRUE(fx.main->designateStressState(VerticalSigma1(0.5f)));
    EXPECT_EQ(data()->misfitCells().first(), QString("0.0"));

    // Double-click on the head of grid state 3 (sigma1 vertical, sigma3 North,
    // Phi 0.5; 9 votes) designates that grid state exactly.
    fx.main->setEnhanceFactor(0);
    fx.main->setDispersionFactor(0);
    fx.port.confirmAnswers.push_back(true);   // "It may take a long time."
    fx.main->draw();
    Send(QEvent::MouseButtonDblClick, Qt::LeftButton, CanvasPoint{500, 515});
    const StressState& s = fx.main->model.designatedStress;
    EXPECT_EQ(s.axis[Sigma1], makeDirection(0, 90));
    EXPECT_EQ(s.axis[Sigma3], makeDirection(0, 0));
    EXPECT_FLOAT_EQ(s.stressRatio, 0.5f);
    EXPECT_FLOAT_EQ(mohr()->phi(), 0.5f);
}

TEST_F(DataWindowTest, StressSolutionsCommandDesignatesThePickedSolution) {
    fx.main->action("stressSolutionsAction")->trigger();
    SolutionsWindow* w = fx.main->solutionsWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    w->cancel();
    // A picked row: its stress is designated for the misfits and ringed on both nets.
    const QImage before = fx.main->shownImage();
    emit w->solutionChosen(VerticalSigma1(0.5f));
    EXPECT_EQ(fx.main->model.designatedStress.axis[Sigma1], makeDirection(0, 90));
    EXPECT_EQ(data()->misfitCells().first(), QString("0.0"));
    EXPECT_EQ(fx.main->shownImage().pixelColor(500 + 40, 515), QColor(255, 0, 0));   // ring around sigma1
    EXPECT_NE(fx.main->shownImage(), before);
}

}  // namespace
