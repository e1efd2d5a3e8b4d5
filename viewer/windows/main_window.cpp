#include "viewer/windows/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSlider>
#include <QStatusBar>
#include <QVBoxLayout>

#include "viewer/model/coordinates.h"
#include "viewer/platform/emf_writer.h"
#include "viewer/platform/user_port.h"
#include "viewer/windows/plot_widgets.h"
#include "viewer/windows/about_box.h"
#include "viewer/windows/fault_data_window.h"
#include "viewer/windows/measurement_window.h"
#include "viewer/windows/mohr_window.h"
#include "viewer/windows/palette_window.h"

namespace quillon::viewer {

namespace {

constexpr int kStatusWidths[6] = {140, 70, 85, 80, 50, 50};
constexpr int kTopPanelHeight = 81;
constexpr int kSigmaStripWidth = 18;

QString withTrailingSeparator(QString dir) {
    if (dir.isEmpty()) dir = QDir::currentPath();
    if (!dir.endsWith('/')) dir += '/';
    return dir;
}

}  // namespace

bool arialInstalled() {
    if (QFontDatabase::families().contains("Arial", Qt::CaseInsensitive)) return true;
    const QString mapped = QFontInfo(QFont("Arial")).family();
    return mapped.compare("Arial", Qt::CaseInsensitive) == 0 ||
           mapped.compare("Liberation Sans", Qt::CaseInsensitive) == 0 ||
           mapped.compare("Arimo", Qt::CaseInsensitive) == 0;
}

MainWindow::MainWindow(const QString& programDir, platform::UserPort& port, QWidget* parent)
    : QMainWindow(parent), homeDir(withTrailingSeparator(programDir)), port_(port) {
    buildWindow();
}

MainWindow::~MainWindow() { endProgram(); }

void MainWindow::setSecondaryWindows(const SecondaryWindows& w) {
    windows_ = w;
    if (windows_.dataWindow) windows_.dataWindow->onCloseRequested = [this] { endProgram(); };
}

// ---------------------------------------------------------------- creation

void MainWindow::buildWindow() {
    setObjectName("MainWindow");
    setWindowTitle(" QL Viewer");
    QFont arial("Arial");
    arial.setPointSize(9);
    setFont(arial);
    setAcceptDrops(true);

    model.homeDir = homeDir.toStdString();
    plotBitmap = QImage(kCanvasWidth, kCanvasHeight, QImage::Format_RGB32);
    plotBitmap.fill(Qt::white);

    buildMenus();

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* top = new QWidget(central);
    top->setObjectName("topPanel");
    top->setFixedHeight(kTopPanelHeight);
    buildTopPanel(top);
    layout->addWidget(top);

    plotPanel_ = new QWidget(central);
    plotPanel_->setObjectName("plotPanel");
    auto* plotLayout = new QHBoxLayout(plotPanel_);
    plotLayout->setContentsMargins(0, 0, 0, 0);
    plotLayout->setSpacing(0);
    auto* sigma1 = new QLabel(QString::fromUtf8("\u03c3\u2081"), plotPanel_);
    sigma1->setObjectName("sigma1Label");
    auto* sigma3 = new QLabel(QString::fromUtf8("\u03c3\u2083"), plotPanel_);
    sigma3->setObjectName("sigma3Label");
    for (QLabel* l : {sigma1, sigma3}) {
        l->setFixedWidth(kSigmaStripWidth);
        l->setAlignment(Qt::AlignCenter);
    }
    imageHolder_ = new QWidget(plotPanel_);
    imageHolder_->installEventFilter(this);
    plotImage_ = new PlotImage(imageHolder_);
    connect(plotImage_, &PlotImage::mouseMovedTo, this, &MainWindow::plotMouseMoved);
    connect(plotImage_, &PlotImage::mouseReleasedAt, this, &MainWindow::plotMouseReleased);
    connect(plotImage_, &PlotImage::doubleClickedAt, this, &MainWindow::plotDoubleClicked);
    plotLayout->addWidget(sigma1);
    plotLayout->addWidget(imageHolder_, 1);
    plotLayout->addWidget(sigma3);
    layout->addWidget(plotPanel_, 1);
    setCentralWidget(central);

    buildStatusBar();

    // The hidden pro-mode command is reached only through its shortcut; an
    // invisible menu item cannot take a shortcut itself.
    auto* proShortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::SHIFT | Qt::Key_Backspace), this);
    proShortcut->setObjectName("proModeShortcut");
    connect(proShortcut, &QShortcut::activated, this, &MainWindow::enterProMode);

    designationPurpose = DesignationPurpose::None;
    model.showGridFileName = false;
    updateEfDfStatus();

    // Client area 577 x 391, centred on the screen.  The window never gets
    // narrower than its status panels (they would overlap) nor lower than the
    // top panel with a readable plot under it.
    setMinimumSize(std::max(577, statusBar()->minimumSizeHint().width() + 16),
                   kTopPanelHeight + 200 + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
    resize(577, 391 + menuBar()->sizeHint().height());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect avail = screen->availableGeometry();
        move(avail.center() - rect().center());
    }
}

void MainWindow::buildMenus() {
    auto add = [this](QMenu* menu, const char* name, const QString& caption) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        return a;
    };

    fileMenu_ = menuBar()->addMenu("&File");
    fileMenu_->setObjectName("fileMenu");
    connect(add(fileMenu_, "openAction", "&Open"), &QAction::triggered, this, &MainWindow::openResult);
    connect(add(fileMenu_, "exportImageAction", "Export &Image"), &QAction::triggered, this,
            &MainWindow::exportImage);
    QMenu* save = fileMenu_->addMenu("&Save Coordinates");
    save->menuAction()->setObjectName("saveCoordinatesMenu");
    connect(add(save, "saveAxesAction", "&Principal axes and stress ratios"), &QAction::triggered, this,
            [this] { saveCoordinates(kAxesAndRatios); });
    connect(add(save, "saveTensorsAction", "&Reduced Stress Tensors"), &QAction::triggered, this,
            [this] { saveCoordinates(kReducedTensors); });
    fileMenu_->addSeparator();
    connect(add(fileMenu_, "exitAction", "E&xit"), &QAction::triggered, this, &MainWindow::exitProgram);
    // The recent-file items: item 0 the separator, 1..16 the files.  They are
    // appended to the menu only at the first showing.
    // A separator without text: some styles draw a separator's text as a label.
    recentFileActions[0] = new QAction(this);
    recentFileActions[0]->setSeparator(true);
    for (int i = 1; i <= 16; ++i) {
        QAction* a = new QAction(this);
        a->setObjectName(QString("recentFileAction%1").arg(i));
        connect(a, &QAction::triggered, this, [this, i] { openRecentFile(i); });
        recentFileActions[size_t(i)] = a;
    }

    QMenu* edit = menuBar()->addMenu("Edit");
    connect(add(edit, "copyAction", "&Copy"), &QAction::triggered, this, &MainWindow::copyPlot);

    QMenu* measurement = menuBar()->addMenu("&Measurement");
    QMenu* misfit = measurement->addMenu("&Misfit Angles");
    misfit->menuAction()->setObjectName("misfitAnglesMenu");
    connect(add(misfit, "designateByMouseAction", "Designate by &Mouse"), &QAction::triggered, this,
            &MainWindow::startMisfitDesignationByMouse);
    connect(add(misfit, "designateByKeyboardAction", "Designate an Axis through &Keyboard"), &QAction::triggered,
            this, &MainWindow::startMisfitDesignationByKeyboard);
    // Beyond the two ways above: the whole state typed at once.
    connect(add(misfit, "designateByValuesAction", "Designate a Whole &State ..."), &QAction::triggered, this,
            &MainWindow::showStressDialog);
    measurement->addSeparator();
    connect(add(measurement, "angularDistanceAction", "&Angular Stress Distance"), &QAction::triggered, this,
            &MainWindow::startAngularDistance);
    measurement->addSeparator();
    connect(add(measurement, "globalAverageAction", "&Global Average and Spread"), &QAction::triggered, this,
            &MainWindow::showGlobalAverage);
    // Beyond the global average: the votes separated into stress solutions.
    measurement->addSeparator();
    connect(add(measurement, "stressSolutionsAction", "Stress &Solutions ..."), &QAction::triggered, this,
            &MainWindow::showStressSolutions);

    QMenu* view = menuBar()->addMenu("&View");
    QMenu* enh = view->addMenu("&Enhance Factor");
    enh->menuAction()->setObjectName("enhanceFactorMenu");
    auto* enhGroup = new QActionGroup(this);
    for (int tag = 0; tag <= 15; ++tag) {
        QAction* a = add(enh, "", QString::number(tag));
        a->setObjectName(QString("enhanceFactorAction%1").arg(tag));
        a->setCheckable(true);
        a->setData(tag);
        a->setVisible(tag > 4);
        a->setChecked(tag == 8);
        enhGroup->addAction(a);
        connect(a, &QAction::triggered, this, [this, tag] { setEnhanceFactor(tag); });
        enhanceItems_[size_t(tag)] = a;
    }
    enhanceOther_ = add(enh, "otherEnhanceFactorAction", "Other ...");
    enhanceOther_->setCheckable(true);
    enhGroup->addAction(enhanceOther_);
    // Choosing "Other ..." opens the panel; its check mark changes only when
    // the panel's value is accepted.
    connect(enhanceOther_, &QAction::triggered, this, [this] {
        enhanceOther_->setChecked(settings.ef > 15);
        if (settings.ef <= 15) enhanceItems_[size_t(settings.ef)]->setChecked(true);
        showEnhanceFactorPanel();
    });

    QMenu* disp = view->addMenu("&Dispersion Factor");
    disp->menuAction()->setObjectName("dispersionFactorMenu");
    auto* dispGroup = new QActionGroup(this);
    for (int tag = 0; tag <= 3; ++tag) {
        QAction* a = add(disp, "", QString::number(tag));
        a->setObjectName(QString("dispersionFactorAction%1").arg(tag));
        a->setCheckable(true);
        a->setData(tag);
        a->setChecked(tag == 2);
        dispGroup->addAction(a);
        connect(a, &QAction::triggered, this, [this, tag] { setDispersionFactor(tag); });
        dispersionItems_[size_t(tag)] = a;
    }

    QMenu* tadpole = view->addMenu("&Tadpole Symbol");
    tadpole->menuAction()->setObjectName("tadpoleSymbolMenu");
    auto* tailGroup = new QActionGroup(this);
    headAndTail_ = add(tadpole, "headAndTailAction", "Head and &Tail");
    headOnly_ = add(tadpole, "headOnlyAction", "&Head Only");
    tadpole->addSeparator();
    auto* sizeGroup = new QActionGroup(this);
    largeHead_ = add(tadpole, "largeHeadAction", "Large Head");
    smallHead_ = add(tadpole, "smallHeadAction", "Small Head");
    tinyHead_ = add(tadpole, "tinyHeadAction", "Tiny Head");
    for (QAction* a : {headAndTail_, headOnly_}) {
        a->setCheckable(true);
        tailGroup->addAction(a);
    }
    for (QAction* a : {largeHead_, smallHead_, tinyHead_}) {
        a->setCheckable(true);
        sizeGroup->addAction(a);
    }
    headAndTail_->setChecked(true);
    largeHead_->setChecked(true);
    tinyHead_->setVisible(false);
    connect(headAndTail_, &QAction::triggered, this, [this] { plotStyle.drawTail = true; });
    connect(headOnly_, &QAction::triggered, this, [this] { plotStyle.drawTail = false; });
    connect(largeHead_, &QAction::triggered, this, [this] { plotStyle.headSize = kHeadLarge; });
    connect(smallHead_, &QAction::triggered, this, [this] { plotStyle.headSize = kHeadSmall; });
    connect(tinyHead_, &QAction::triggered, this, [this] { plotStyle.headSize = kHeadTiny; });
    connect(add(view, "changeColorsAction", "Change &Colors"), &QAction::triggered, this,
            &MainWindow::showPaletteWindow);

    QMenu* window = menuBar()->addMenu("Window");
    connect(add(window, "mainWindowAction", "&Main Window (This Window)"), &QAction::triggered, this,
            &MainWindow::bringMainWindowForward);
    connect(add(window, "dataWindowAction", "&Data Window"), &QAction::triggered, this, &MainWindow::bringDataWindowForward);
    connect(add(window, "mohrWindowAction", "&Mohr Diagram"), &QAction::triggered, this,
            &MainWindow::bringMohrWindowForward);

    QMenu* help = menuBar()->addMenu("&Help");
    connect(add(help, "manualEnglishAction", "PDF (&English)"), &QAction::triggered, this,
            [this] { openManual(false); });
    connect(add(help, "manualJapaneseAction", "PDF (&Japanese)"), &QAction::triggered, this,
            [this] { openManual(true); });
    help->addSeparator();
    connect(add(help, "versionAction", "&Version"), &QAction::triggered, this, &MainWindow::showAboutBox);
    proMode_ = add(help, "proModeAction", "ProMode");
    proMode_->setVisible(false);
    connect(proMode_, &QAction::triggered, this, &MainWindow::enterProMode);
}

void MainWindow::buildTopPanel(QWidget* top) {
    auto* draw = new QPushButton("&Draw", top);
    draw->setObjectName("drawButton");
    draw->setGeometry(8, 8, 75, 30);
    connect(draw, &QPushButton::clicked, this, &MainWindow::draw);
    auto* reset = new QPushButton("&Reset", top);
    reset->setObjectName("resetButton");
    reset->setGeometry(8, 44, 75, 28);
    connect(reset, &QPushButton::clicked, this, &MainWindow::resetStressRatioBounds);

    // Upper-bound track bar, colour strip, lower-bound track bar: each
    // position of the bars lines up with one cell of the strip.
    constexpr int stripX = 110, stripW = 11 * ColorStrip::kCellWidth;
    // A slider's groove is narrower than the widget by about one handle; widen
    // the widget by one cell so the positions 0..10 sit over the cell centres.
    upperBoundSlider_ = new QSlider(Qt::Horizontal, top);
    upperBoundSlider_->setObjectName("upperBoundSlider");
    upperBoundSlider_->setToolTip("Upper bound of stress ratio");
    upperBoundSlider_->setRange(0, 10);
    upperBoundSlider_->setValue(10);
    upperBoundSlider_->setGeometry(stripX - ColorStrip::kCellWidth / 2, 4, stripW + ColorStrip::kCellWidth, 24);
    colorStrip_ = new ColorStrip(top);
    colorStrip_->move(stripX, 30);
    lowerBoundSlider_ = new QSlider(Qt::Horizontal, top);
    lowerBoundSlider_->setObjectName("lowerBoundSlider");
    lowerBoundSlider_->setToolTip("Lower bound of stress ratio");
    lowerBoundSlider_->setRange(0, 10);
    lowerBoundSlider_->setValue(0);
    lowerBoundSlider_->setGeometry(stripX - ColorStrip::kCellWidth / 2, 52, stripW + ColorStrip::kCellWidth, 24);
    connect(upperBoundSlider_, &QSlider::valueChanged, this, &MainWindow::upperBoundChanged);
    connect(lowerBoundSlider_, &QSlider::valueChanged, this, &MainWindow::lowerBoundChanged);
    connect(colorStrip_, &ColorStrip::cellPressed, this, &MainWindow::colorStripPressed);

    // The invisible track bars holding the enhance and dispersion factors.
    enhanceSlider_ = new QSlider(Qt::Horizontal, top);
    enhanceSlider_->setObjectName("enhanceSlider");
    enhanceSlider_->setRange(0, 99);
    enhanceSlider_->setValue(settings.ef);
    enhanceSlider_->hide();
    connect(enhanceSlider_, &QSlider::valueChanged, this, &MainWindow::enhanceSliderChanged);
    dispersionSlider_ = new QSlider(Qt::Horizontal, top);
    dispersionSlider_->setObjectName("dispersionSlider");
    dispersionSlider_->setRange(0, 3);
    dispersionSlider_->setValue(settings.df);
    dispersionSlider_->hide();
    connect(dispersionSlider_, &QSlider::valueChanged, this, [this](int v) {
        settings.df = v;
        updateEfDfStatus();
    });

    // Panels of the measurement tools, hidden until a designation needs them.
    buildDesignationPanels(top);
    connect(colorStrip_, &ColorStrip::cellReleased, this, [this](int cell) { colorStripReleased(cell); });

    // The enhance-factor panel of "Other ...".
    enhancePanel_ = new QFrame(top);
    enhancePanel_->setObjectName("enhancePanel");
    enhancePanel_->setFrameShape(QFrame::StyledPanel);
    enhancePanel_->setAutoFillBackground(true);
    enhancePanel_->setGeometry(352, 1, 220, 78);
    auto* title = new QLabel("Enhance Factor", enhancePanel_);
    title->setGeometry(8, 4, 120, 18);
    auto* hint = new QLabel("(Integer < 100)", enhancePanel_);
    hint->setGeometry(8, 24, 120, 18);
    enhanceEdit_ = new QLineEdit("16", enhancePanel_);
    enhanceEdit_->setObjectName("enhanceEdit");
    enhanceEdit_->setMaxLength(2);
    enhanceEdit_->setGeometry(130, 10, 40, 24);
    enhanceOkButton_ = new QPushButton("&OK", enhancePanel_);
    enhanceOkButton_->setObjectName("enhanceOkButton");
    enhanceOkButton_->setGeometry(30, 48, 75, 24);
    enhanceCancelButton_ = new QPushButton("&Cancel", enhancePanel_);
    enhanceCancelButton_->setObjectName("enhanceCancelButton");
    enhanceCancelButton_->setGeometry(115, 48, 75, 24);
    connect(enhanceOkButton_, &QPushButton::clicked, this, &MainWindow::acceptEnhanceFactorPanel);
    connect(enhanceCancelButton_, &QPushButton::clicked, this, &MainWindow::cancelEnhanceFactorPanel);
    connect(enhanceEdit_, &QLineEdit::returnPressed, this, &MainWindow::acceptEnhanceFactorPanel);
    enhancePanel_->hide();
}

void MainWindow::buildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setSizeGripEnabled(false);
    for (int i = 0; i < 6; ++i) {
        auto* l = new QLabel(bar);
        l->setObjectName(QString("statusPanel%1").arg(i));
        l->setFixedWidth(kStatusWidths[i]);
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
        bar->addWidget(l);
        statusPanels_[size_t(i)] = l;
    }
    progressBar_ = new QProgressBar(bar);
    progressBar_->setObjectName("progressBar");
    progressBar_->setRange(0, 10);
    progressBar_->setValue(0);
    progressBar_->setTextVisible(false);
    progressBar_->setGeometry(490, 6, 80, 12);
    progressBar_->raise();
}

// ---------------------------------------------------------------- start

void MainWindow::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (!shown_) {
        shown_ = true;
        initializeOnFirstShow();
    }
}

void MainWindow::initializeOnFirstShow() {
    setStatus(0, "  /  /  ");
    model.gridFile = "Unif60000.cgp";
    const LoadOutcome grid = model.loadGridFile();
    if (!grid.ok) {
        port_.message(this, QString::fromStdString(grid.message));
        if (grid.terminate) {
            endProgram();
            return;
        }
    }
    loadRecentFiles();
    programEnded = false;
    plotStyle.drawTail = headAndTail_->isChecked();
    designationStep = DesignationStep::Idle;
    plotBitmap.fill(Qt::white);
    {
        QPainter p(&plotBitmap);
        drawFrame(p, plotStyle);
    }
    showCanvas();
    if (windows_.dataWindow) {
        windows_.dataWindow->initializeHistogram();
        // The data window is visible from the start, beside the main window.
        windows_.dataWindow->show();
        raise();
    }
    headAndTail_->setChecked(true);
    if (!arialInstalled())
        port_.message(this, "The Arial font is not installed.\r\n"
                            "The graphic user interface of this\r\n"
                            "program is designed with the font.");
    stressRatioPanel_->setBackgroundRole(QPalette::Button);
    fitPlotToPanel();
}

// ---------------------------------------------------------------- layout

void MainWindow::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    fitPlotToPanel();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
    if (watched == imageHolder_ && e->type() == QEvent::Resize) fitPlotToPanel();
    return QMainWindow::eventFilter(watched, e);
}

void MainWindow::fitPlotToPanel() {
    if (!imageHolder_ || !plotImage_) return;
    const int W = imageHolder_->width(), H = imageHolder_->height();
    if (W > 2 * H)
        plotImage_->setGeometry(0, 0, 2 * H, H);
    else
        plotImage_->setGeometry(0, 0, W, W / 2);
}

void MainWindow::showCanvas() {
    // The shown image starts as a copy of the canvas; designation marks are
    // drawn on the copy only, so a Draw removes them.
    shownImage_ = plotBitmap;
    circleShown_ = arcShown_ = false;
    plotImage_->setPicture(shownImage_);
}

// ---------------------------------------------------------------- status bar

void MainWindow::setStatus(int panel, const QString& text) { statusPanels_[size_t(panel)]->setText(text); }

QString MainWindow::statusPanel(int i) const { return statusPanels_[size_t(i)]->text(); }

void MainWindow::updateEfDfStatus() {
    setStatus(3, QString("ef=%1, df=%2").arg(settings.ef).arg(settings.df));
}

QAction* MainWindow::action(const char* name) const { return findChild<QAction*>(name); }

// ---------------------------------------------------------------- end

void MainWindow::closeEvent(QCloseEvent* e) {
    e->accept();
    endProgram();
}

void MainWindow::exitProgram() { close(); }

void MainWindow::endProgram() {
    if (programEnded) return;
    programEnded = true;
    plotBitmap = QImage();
    // An end before the list was read (the default grid could not be loaded
    // at the first showing) leaves prevfiles.txt as it is.
    if (previousFilesRead_) {
        while (recentFiles.size() > 15) recentFiles.removeLast();
        QByteArray text;
        for (const QString& f : recentFiles) text += f.toUtf8() + "\r\n";
        QString error;
        // The list is written whole or not at all; a failure loses only the list.
        platform::writeFileAtomically(homeDir + "prevfiles.txt", text, &error);
    }
    if (windows_.dataWindow) windows_.dataWindow->releaseData();
    model.gridPoints.clear();
    model.gridCount = 0;
    QCoreApplication::quit();
}

// ---------------------------------------------------------------- windows and help

void MainWindow::showPaletteWindow() {
    if (windows_.palette) {
        windows_.palette->show();
        windows_.palette->raise();
    }
}

void MainWindow::bringMainWindowForward() {
    show();
    raise();
    if (windows_.dataWindow && windows_.dataWindow->isVisible()) windows_.dataWindow->raise();
}

void MainWindow::bringDataWindowForward() {
    if (!windows_.dataWindow) return;
    windows_.dataWindow->show();
    windows_.dataWindow->raise();
    raise();
}

void MainWindow::bringMohrWindowForward() {
    if (!windows_.mohr) return;
    windows_.mohr->show();
    windows_.mohr->raise();
    raise();
}

void MainWindow::openManual(bool japanese) {
    const QString path = homeDir + (japanese ? "man_j.pdf" : "man_e.pdf");
    if (!port_.openDocument(path))
        port_.message(this, "File \"" + path + "\"\r\n  not found.");
}

void MainWindow::showAboutBox() {
    if (windows_.about) {
        windows_.about->show();
        windows_.about->raise();
    }
}

void MainWindow::enterProMode() {
    model.showGridFileName = true;
    if (windows_.dataWindow) windows_.dataWindow->revealProjectionMenu();
    tinyHead_->setVisible(true);
    for (int tag = 0; tag <= 7; ++tag) enhanceItems_[size_t(tag)]->setVisible(true);
    port_.message(this, "QLV Professional Mode!");
}

}  // namespace quillon::viewer
