// The main window's stress designation: a sigma1 axis, a sigma3 axis on the arc
// perpendicular to it and a stress ratio, picked with the mouse on the nets
// (or the first axis typed on the keyboard panel), for the misfit measurement
// of the data window or for the angular stress distance between two states.
// Also the whole state typed in a dialog, a plotted tadpole double-clicked,
// and the global average and spread.
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <cmath>

#include "viewer/geometry/rounding.h"
#include "viewer/model/number_format.h"
#include "viewer/model/stress_statistics.h"
#include "viewer/platform/user_port.h"
#include "viewer/windows/fault_data_window.h"
#include "viewer/windows/main_window.h"
#include "viewer/windows/measurement_window.h"
#include "viewer/windows/plot_widgets.h"
#include "viewer/windows/solutions_window.h"

namespace quillon::viewer {

namespace {

constexpr int kMarkerHalfSide = 3 * kLengthUnit;   // the marker circle's box: +-30 units
const QColor kMarkBlack(0, 0, 0);
const QColor kMarkRed(255, 0, 0);
const QColor kMarkDarkRed(128, 0, 0);

QPen markPen(const QColor& color) {
    QPen pen(color, 4);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

QString directionText(const Direction& d) {
    return QString::fromStdString(formatFixed(d.az, 5, 1) + " / " + formatFixed(d.pl, 5, 1));
}

std::optional<double> numberIn(const QString& text, double lo, double hi) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v) || v < lo || v > hi) return std::nullopt;
    return v;
}

}  // namespace

// ---------------------------------------------------------------- panels

void MainWindow::buildDesignationPanels(QWidget* top) {
    // The stress-ratio panel, right of the colour strip: a Phi field and "OK".
    stressRatioPanel_ = new QFrame(top);
    stressRatioPanel_->setObjectName("stressRatioPanel");
    stressRatioPanel_->setFrameShape(QFrame::StyledPanel);
    stressRatioPanel_->setAutoFillBackground(true);
    stressRatioPanel_->setGeometry(290, 10, 150, 60);
    auto* phiLabel = new QLabel("Phi =", stressRatioPanel_);
    phiLabel->setGeometry(8, 8, 40, 20);
    phiEdit_ = new QLineEdit(stressRatioPanel_);
    phiEdit_->setObjectName("phiEdit");
    phiEdit_->setGeometry(48, 6, 50, 24);
    auto* phiOk = new QPushButton("OK", stressRatioPanel_);
    phiOk->setObjectName("phiOkButton");
    phiOk->setGeometry(104, 6, 40, 24);
    auto* phiHint = new QLabel("or click the colour strip", stressRatioPanel_);
    phiHint->setGeometry(8, 34, 140, 20);
    connect(phiOk, &QPushButton::clicked, this, &MainWindow::acceptPhiField);
    connect(phiEdit_, &QLineEdit::returnPressed, this, &MainWindow::acceptPhiField);
    stressRatioPanel_->hide();

    // The yellow keyboard panel over the left end of the top panel.
    keyboardPanel_ = new QFrame(top);
    keyboardPanel_->setObjectName("keyboardPanel");
    keyboardPanel_->setFrameShape(QFrame::StyledPanel);
    keyboardPanel_->setAutoFillBackground(true);
    QPalette yellow = keyboardPanel_->palette();
    yellow.setColor(QPalette::Window, QColor(255, 255, 0));
    keyboardPanel_->setPalette(yellow);
    keyboardPanel_->setGeometry(1, 1, 340, 78);
    sigma1Radio_ = new QRadioButton("sigma1", keyboardPanel_);
    sigma1Radio_->setObjectName("sigma1Radio");
    sigma1Radio_->setGeometry(8, 8, 80, 22);
    sigma1Radio_->setChecked(true);
    sigma3Radio_ = new QRadioButton("sigma3", keyboardPanel_);
    sigma3Radio_->setObjectName("sigma3Radio");
    sigma3Radio_->setGeometry(8, 40, 80, 22);
    auto* azLabel = new QLabel("Az =", keyboardPanel_);
    azLabel->setGeometry(96, 10, 34, 20);
    azEdit_ = new QLineEdit("0", keyboardPanel_);
    azEdit_->setObjectName("azimuthEdit");
    azEdit_->setGeometry(130, 8, 56, 24);
    auto* plLabel = new QLabel("Pl =", keyboardPanel_);
    plLabel->setGeometry(96, 42, 34, 20);
    plEdit_ = new QLineEdit("0", keyboardPanel_);
    plEdit_->setObjectName("plungeEdit");
    plEdit_->setGeometry(130, 40, 56, 24);
    auto* confirm = new QPushButton("Confirm Parameters", keyboardPanel_);
    confirm->setObjectName("confirmParametersButton");
    confirm->setGeometry(196, 20, 136, 32);
    connect(confirm, &QPushButton::clicked, this, &MainWindow::confirmKeyboardAxis);
    connect(sigma1Radio_, &QRadioButton::toggled, this, [this] {
        if (designationStep == DesignationStep::KeyboardAxis) previewKeyboardAxis();
    });
    connect(azEdit_, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (numberIn(text, 0, 360)) {
            previewKeyboardAxis();
            return;
        }
        port_.message(this, "Invalid azimuth");
        azEdit_->setText("0");
        previewKeyboardAxis();
    });
    connect(plEdit_, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (numberIn(text, 0, 90)) {
            previewKeyboardAxis();
            return;
        }
        port_.message(this, "Invalid plunge");
        plEdit_->setText("0");
        previewKeyboardAxis();
    });
    keyboardPanel_->hide();
}

// ---------------------------------------------------------------- marks

void MainWindow::drawMarkerCircle(const QColor& color) {
    QPainter p(&shownImage_);
    p.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
    p.setPen(markPen(color));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(markerCircle_);
}

void MainWindow::drawMarkerArc(const QColor& color) {
    QPolygon arc;
    for (const CanvasPoint& c : markerArc_) arc << QPoint(c.x, c.y);
    QPainter p(&shownImage_);
    p.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
    p.setPen(markPen(color));
    p.drawPolyline(arc);
}

void MainWindow::setMarkerCircle(CanvasPoint c) {
    markerCircle_ = QRect(c.x - kMarkerHalfSide, c.y - kMarkerHalfSide, 2 * kMarkerHalfSide, 2 * kMarkerHalfSide);
}

void MainWindow::moveCircleAndArc(CanvasPoint centre, const Direction& pole, int net, const QColor& color) {
    // Erase the old marks by drawing them again, then draw the new ones.
    if (circleShown_) drawMarkerCircle(color);
    if (arcShown_) drawMarkerArc(color);
    setMarkerCircle(centre);
    markerArc_ = arcPoints(pole, net, &arcDirections_);
    drawMarkerCircle(color);
    drawMarkerArc(color);
    circleShown_ = arcShown_ = true;
    plotImage_->setPicture(shownImage_);
}

std::array<CanvasPoint, 181> MainWindow::arcPoints(const Direction& pole, int net,
                                                    std::array<Direction, 181>* directions) {
    // The great circle of directions perpendicular to `pole`: from the horizontal
    // direction az - 90 through the steepest one (az + 180, 90 - pl) to az + 90.
    const Vector3 h = directionToVector(pole.az - 90.0f, 0.0f);
    const Vector3 d = directionToVector(pole.az + 180.0f, 90.0f - pole.pl);
    std::array<CanvasPoint, 181> points{};
    for (int i = 0; i <= 180; ++i) {
        const float c = float(std::cos(i * kDegToRad)), s = float(std::sin(i * kDegToRad));
        const Vector3 v = addVectors(scaleVector(h, c), scaleVector(d, s));
        Direction dir = vectorToDirection(v);
        dir.az = angleMod(dir.az, 360.0f);
        if (directions) (*directions)[size_t(i)] = dir;
        points[size_t(i)] = projectAxis(dir, 1 - net);
    }
    return points;
}

// ---------------------------------------------------------------- steps

StressState& MainWindow::stateBeingDesignated() {
    const bool second = designationStep == DesignationStep::SecondStateFirstAxis ||
                        designationStep == DesignationStep::SecondStateSecondAxis ||
                        designationStep == DesignationStep::SecondStateStressRatio;
    return second ? designatedStress2 : model.designatedStress;
}

void MainWindow::beginDesignation(DesignationPurpose purpose, DesignationStep step) {
    designationPurpose = purpose;
    designationStep = step;
    progressBar_->hide();
    // The marks of a designation already running stay where they are; the new
    // one starts without marks of its own.
    circleShown_ = arcShown_ = false;
    stressRatioPanel_->hide();
    keyboardPanel_->hide();
    setStatus(5, "Designate 1st axis");
    statusPanels_[5]->setFrameShadow(QFrame::Raised);
}

void MainWindow::startMisfitDesignationByMouse() {
    beginDesignation(DesignationPurpose::Misfits, DesignationStep::FirstAxis);
}

void MainWindow::startMisfitDesignationByKeyboard() {
    beginDesignation(DesignationPurpose::Misfits, DesignationStep::KeyboardAxis);
    keyboardPanel_->show();
    keyboardPanel_->raise();
    previewKeyboardAxis();
}

void MainWindow::startAngularDistance() { beginDesignation(DesignationPurpose::Distance, DesignationStep::FirstAxis); }

void MainWindow::finishDesignation() {
    designationStep = DesignationStep::Idle;
    designationPurpose = DesignationPurpose::None;
    progressBar_->show();
    setStatus(5, QString());
    statusPanels_[5]->setFrameShadow(QFrame::Sunken);
    stressRatioPanel_->hide();
    keyboardPanel_->hide();
    // The marks stay on the image until the next Draw.
    circleShown_ = arcShown_ = false;
}

void MainWindow::cancelDesignation() {
    if (designationStep == DesignationStep::Idle) return;
    shownImage_ = plotBitmap;
    plotImage_->setPicture(shownImage_);
    finishDesignation();
}

void MainWindow::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape && designationStep != DesignationStep::Idle) {
        cancelDesignation();
        e->accept();
        return;
    }
    QMainWindow::keyPressEvent(e);
}

void MainWindow::trackFirstAxis(CanvasPoint at) {
    const AxisOnNet a = pointToAxis(at);
    moveCircleAndArc(projectAxis(a.direction, a.net), a.direction, a.net, kMarkBlack);
    setStatus(2, directionText(a.direction));
    setStatus(4, a.net == 0 ? "sigma1" : "sigma3");
}

int MainWindow::trackSecondAxis(CanvasPoint m) {
    int best = 0;
    float bestDistance = 0;
    for (int j = 0; j <= 180; ++j) {
        const long long dx = markerArc_[size_t(j)].x - m.x, dy = markerArc_[size_t(j)].y - m.y;
        const float d = float(dx * dx + dy * dy);
        if (j == 0 || d < bestDistance) {
            best = j;
            bestDistance = d;
        }
    }
    if (circleShown_) drawMarkerCircle(kMarkRed);
    setMarkerCircle(markerArc_[size_t(best)]);
    drawMarkerCircle(kMarkRed);
    circleShown_ = true;
    plotImage_->setPicture(shownImage_);
    const Direction& d = arcDirections_[size_t(best)];
    setStatus(2, directionText(d));
    const StressState& s = stateBeingDesignated();
    const bool left = m.x < kCanvasWidth / 2;
    if (left) setStatus(4, std::isnan(s.axis[Sigma1].az) ? "sigma1" : "sigma3");
    else setStatus(4, std::isnan(s.axis[Sigma3].az) ? "sigma3" : "sigma1");
    return best;
}

void MainWindow::plotMouseMoved(int X, int Y) {
    const CanvasPoint at = screenToCanvas(X, Y, plotImage_->height());
    switch (designationStep) {
        case DesignationStep::Idle:
        case DesignationStep::KeyboardAxis: showCursorDirection(X, Y); break;
        case DesignationStep::FirstAxis:
        case DesignationStep::SecondStateFirstAxis: trackFirstAxis(at); break;
        case DesignationStep::SecondAxis:
        case DesignationStep::SecondStateSecondAxis: trackSecondAxis(at); break;
        default: break;
    }
}

void MainWindow::plotMouseReleased(int X, int Y) {
    const CanvasPoint at = screenToCanvas(X, Y, plotImage_->height());
    switch (designationStep) {
        case DesignationStep::FirstAxis:
        case DesignationStep::SecondStateFirstAxis: {
            // The first axis is the one of the net clicked; its black circle and
            // the arc stay as its mark.
            if (!arcShown_) trackFirstAxis(at);
            const AxisOnNet a = pointToAxis(at);
            stateBeingDesignated().axis[a.net] = a.direction;
            circleShown_ = false;
            designationStep = designationStep == DesignationStep::FirstAxis ? DesignationStep::SecondAxis
                                                                             : DesignationStep::SecondStateSecondAxis;
            setStatus(5, "Designate 2nd axis");
            break;
        }
        case DesignationStep::SecondAxis:
        case DesignationStep::SecondStateSecondAxis: {
            // The second axis lies on the arc: exactly perpendicular to the first.
            const int j = trackSecondAxis(at);
            const int otherNet = markerArc_[size_t(j)].x >= kCanvasWidth / 2 ? 1 : 0;
            stateBeingDesignated().axis[otherNet] = arcDirections_[size_t(j)];
            designationStep = designationStep == DesignationStep::SecondAxis ? DesignationStep::StressRatio
                                                                              : DesignationStep::SecondStateStressRatio;
            phiEdit_->clear();
            stressRatioPanel_->show();
            stressRatioPanel_->raise();
            setStatus(5, "Designate Stress Ratio");
            break;
        }
        default: break;
    }
}

void MainWindow::previewKeyboardAxis() {
    const int net = sigma3Radio_->isChecked() ? 1 : 0;
    const Direction p = makeDirection(float(numberIn(azEdit_->text(), 0, 360).value_or(0)),
                                      float(numberIn(plEdit_->text(), 0, 90).value_or(0)));
    moveCircleAndArc(projectAxis(p, net), p, net, kMarkDarkRed);
}

void MainWindow::confirmKeyboardAxis() {
    if (designationStep != DesignationStep::KeyboardAxis) return;
    const int net = sigma3Radio_->isChecked() ? 1 : 0;
    model.designatedStress.axis[net] = makeDirection(float(numberIn(azEdit_->text(), 0, 360).value_or(0)),
                                                     float(numberIn(plEdit_->text(), 0, 90).value_or(0)));
    circleShown_ = false;   // the dark red circle and the arc stay
    keyboardPanel_->hide();
    designationStep = DesignationStep::SecondAxis;
    setStatus(5, "Designate 2nd axis");
}

void MainWindow::colorStripReleased(int cell) {
    if (designationStep != DesignationStep::StressRatio && designationStep != DesignationStep::SecondStateStressRatio)
        return;
    if (cell < 0 || cell > 10) return;
    giveStressRatio(float(cell) / 10.0f);
}

void MainWindow::acceptPhiField() {
    const auto phi = numberIn(phiEdit_->text(), 0, 1);
    if (!phi) {
        port_.message(this, "Invalid Phi value");
        phiEdit_->clear();
        return;
    }
    if (designationStep != DesignationStep::StressRatio && designationStep != DesignationStep::SecondStateStressRatio)
        return;
    giveStressRatio(float(*phi));
}

void MainWindow::giveStressRatio(float phi) {
    stressRatioPanel_->hide();
    if (designationPurpose == DesignationPurpose::Distance && designationStep == DesignationStep::StressRatio) {
        model.designatedStress.stressRatio = phi;
        designationStep = DesignationStep::SecondStateFirstAxis;
        circleShown_ = arcShown_ = false;   // the first state's marks stay
        setStatus(5, "Designate 1st axis");
        return;
    }
    if (designationPurpose == DesignationPurpose::Distance) {
        designatedStress2.stressRatio = phi;
        const StressState& a = model.designatedStress;
        const StressState& b = designatedStress2;
        const float theta = thetaBetweenStressStates(a, b);
        if (windows_.measurement)
            windows_.measurement->showThetaDistance(thetaDistanceText(
                a.axis[Sigma1], a.axis[Sigma3], a.stressRatio, b.axis[Sigma1], b.axis[Sigma3], b.stressRatio, theta));
        finishDesignation();
        return;
    }
    model.designatedStress.stressRatio = phi;
    finishDesignation();
    if (FaultDataWindow* fd = windows_.dataWindow) {
        fd->dataSet.stressDesignated = true;
        const StressState& s = model.designatedStress;
        fd->theoreticalSlipDirections(s.axis[Sigma1], s.axis[Sigma3], s.stressRatio);
    }
}

// ---------------------------------------------------------------- whole states

bool MainWindow::designateStressState(const StressState& s) {
    const auto inRange = [](const Direction& d) {
        return std::isfinite(d.az) && std::isfinite(d.pl) && d.az >= 0 && d.az <= 360 && d.pl >= 0 && d.pl <= 90;
    };
    if (!inRange(s.axis[Sigma1]) || !inRange(s.axis[Sigma3])) {
        port_.message(this, "Invalid axis: azimuth 0 to 360 and plunge 0 to 90 degrees.");
        return false;
    }
    if (!(s.stressRatio >= 0.0f && s.stressRatio <= 1.0f)) {
        port_.message(this, "Invalid Phi value");
        return false;
    }
    const double cosine = dotProduct(directionToVector(s.axis[Sigma1]), directionToVector(s.axis[Sigma3]));
    const double angle = std::acos(std::clamp(cosine, -1.0, 1.0)) * kRadToDeg;
    if (std::fabs(angle - 90.0) > 1.0) {
        port_.message(this, QString::fromStdString("The sigma1 and sigma3 axes must be perpendicular;\r\nthey are " +
                                                   formatDecimals(angle, 1) + " degrees apart."));
        return false;
    }
    if (designationStep != DesignationStep::Idle) cancelDesignation();
    model.designatedStress = s;
    designationPurpose = DesignationPurpose::Misfits;
    designationStep = DesignationStep::StressRatio;
    giveStressRatio(s.stressRatio);
    return true;
}

void MainWindow::showStressDialog() {
    auto* dialog = new QDialog(this);
    dialog->setObjectName("stressDialog");
    dialog->setWindowTitle("Designate a Stress State");
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    auto* form = new QFormLayout(dialog);
    const StressState& last = model.designatedStress;
    auto field = [&](const char* label, float value, const char* fallback) {
        auto* edit = new QLineEdit(std::isnan(value) ? QString(fallback) : QString::number(value), dialog);
        form->addRow(label, edit);
        return edit;
    };
    QLineEdit* a1 = field("sigma1 azimuth", last.axis[Sigma1].az, "0");
    QLineEdit* p1 = field("sigma1 plunge", last.axis[Sigma1].pl, "90");
    QLineEdit* a3 = field("sigma3 azimuth", last.axis[Sigma3].az, "0");
    QLineEdit* p3 = field("sigma3 plunge", last.axis[Sigma3].pl, "0");
    QLineEdit* ph = field("Phi", last.stressRatio, "0.5");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::accepted, dialog, [=, this] {
        const auto value = [](QLineEdit* e) {
            bool ok = false;
            const float v = e->text().trimmed().toFloat(&ok);
            return ok ? v : std::numeric_limits<float>::quiet_NaN();
        };
        StressState s;
        s.axis[Sigma1] = makeDirection(value(a1), value(p1));
        s.axis[Sigma3] = makeDirection(value(a3), value(p3));
        s.stressRatio = value(ph);
        if (designateStressState(s)) dialog->accept();
    });
    dialog->open();
}

void MainWindow::plotDoubleClicked(int X, int Y) {
    if (designationStep != DesignationStep::Idle) return;
    const CanvasPoint at = screenToCanvas(X, Y, plotImage_->height());
    const int net = at.x >= kCanvasWidth / 2 ? 1 : 0;
    // The plotted state whose head (before the jitter) lies nearest the click,
    // within the reach of the jitter and the head.
    const int reach = settings.df * 3 * kLengthUnit / 2 + plotStyle.headSize + kLengthUnit;
    const GridPoint* best = nullptr;
    long long bestDistance = 0;
    for (const GridPoint& g : model.gridPoints) {
        if (g.plotCount <= 0) continue;
        const CanvasPoint head = projectAxis(g.axis[net], net);
        const long long dx = head.x - at.x, dy = head.y - at.y, d = dx * dx + dy * dy;
        if (d > (long long)reach * reach) continue;
        if (!best || d < bestDistance || (d == bestDistance && g.votes > best->votes)) {
            best = &g;
            bestDistance = d;
        }
    }
    if (!best) return;
    StressState s;
    s.axis[Sigma1] = best->axis[Sigma1];
    s.axis[Sigma3] = best->axis[Sigma3];
    s.stressRatio = best->stressRatio;
    model.designatedStress = s;
    designationPurpose = DesignationPurpose::Misfits;
    designationStep = DesignationStep::StressRatio;
    giveStressRatio(s.stressRatio);
}

// ---------------------------------------------------------------- stress solutions

void MainWindow::showStressSolutions() {
    if (!solutionsWindow_) {
        solutionsWindow_ = new SolutionsWindow(this);
        solutionsWindow_->setWindowFlag(Qt::Window);
        solutionsWindow_->setWindowTitle("Stress Solutions");
        connect(solutionsWindow_, &SolutionsWindow::solutionChosen, this, [this](const StressState& s) {
            if (!designateStressState(s)) return;
            // The chosen solution's axes, ringed on both nets until the next Draw.
            QPainter p(&shownImage_);
            p.setPen(QPen(QColor(255, 0, 0), 4));
            p.setBrush(Qt::NoBrush);
            for (int net = 0; net < 2; ++net) {
                const CanvasPoint c = projectAxis(s.axis[net], net);
                p.drawEllipse(QPoint(c.x, c.y), 4 * kLengthUnit, 4 * kLengthUnit);
            }
            p.end();
            plotImage_->setPicture(shownImage_);
        });
    }
    const FaultDataSet empty;
    solutionsWindow_->setResult(model, windows_.dataWindow ? windows_.dataWindow->dataSet : empty);
    solutionsWindow_->show();
    solutionsWindow_->raise();
    solutionsWindow_->compute();
}

// ---------------------------------------------------------------- global average

void MainWindow::showGlobalAverage() {
    QStringList reports;
    const GlobalAverage ga =
        computeGlobalAverage(model, settings, [&reports](const std::string& t) { reports << QString::fromStdString(t); });
    setStatus(0, QString::fromStdString(ga.status));
    for (const QString& r : reports) port_.message(this, r);
    if (!ga.ok) {
        port_.message(this, QString::fromStdString(ga.message));
        return;
    }
    if (!windows_.measurement) return;
    windows_.measurement->show();
    windows_.measurement->raise();
    windows_.measurement->showStatistics(statisticsText(model.resultPath, settings.ef, ga.symbolCount, ga.mean.sigma1,
                                                        ga.mean.sigma3, ga.mean.phi, 0.0f, 0.0f, 0.0f,
                                                        ga.meanStressDifference, ga.meanTheta));
}

}  // namespace quillon::viewer
