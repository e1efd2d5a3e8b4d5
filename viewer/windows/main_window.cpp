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
#include "viewer/windows/secondary_windows.h"

namespace quillon::viewer {

namespace {

constexpr int kStatusWidths[6] = {140, 70, 85, 80, 50, 50};
constexpr int kTopPanelHeight = 81;
constexpr int kSigmaStripWidth = 18;

QString WithTrailingSeparator(QString dir) {
    if (dir.isEmpty()) dir = QDir::currentPath();
    if (!dir.endsWith('/')) dir += '/';
    return dir;
}

}  // namespace

bool ArialInstalled() {
    if (QFontDatabase::families().contains("Arial", Qt::CaseInsensitive)) return true;
    const QString mapped = QFontInfo(QFont("Arial")).family();
    return mapped.compare("Arial", Qt::CaseInsensitive) == 0 ||
           mapped.compare("Liberation Sans", Qt::CaseInsensitive) == 0 ||
           mapped.compare("Arimo", Qt::CaseInsensitive) == 0;
}

TFormM5main::TFormM5main(const QString& homeDir, platform::UserPort& port, QWidget* parent)
    : QMainWindow(parent), HomeDir(WithTrailingSeparator(homeDir)), port_(port) {
    FormCreate();
}

TFormM5main::~TFormM5main() { Terminate(); }

void TFormM5main::setSecondaryWindows(const SecondaryWindows& w) {
    windows_ = w;
    if (windows_.fd) windows_.fd->OnTerminateRequest = [this] { Terminate(); };
}

// ---------------------------------------------------------------- creation

void TFormM5main::FormCreate() {
    setObjectName("FormM5main");
    setWindowTitle(" QL Viewer");
    QFont arial("Arial");
    arial.setPointSize(9);
    setFont(arial);
    setAcceptDrops(true);

    Model.HomeDir = HomeDir.toStdString();
    DSBmp = QImage(kCanvasWidth, kCanvasHeight, QImage::Format_RGB32);
    DSBmp.fill(Qt::white);

    buildMenus();

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* top = new QWidget(central);
    top->setObjectName("PanelTop");
    top->setFixedHeight(kTopPanelHeight);
    buildTopPanel(top);
    layout->addWidget(top);

    plotPanel_ = new QWidget(central);
    plotPanel_->setObjectName("PanelPlot");
    auto* plotLayout = new QHBoxLayout(plotPanel_);
    plotLayout->setContentsMargins(0, 0, 0, 0);
    plotLayout->setSpacing(0);
    auto* sigma1 = new QLabel(QString::fromUtf8("\u03c3\u2081"), plotPanel_);
    sigma1->setObjectName("LabelSigma1");
    auto* sigma3 = new QLabel(QString::fromUtf8("\u03c3\u2083"), plotPanel_);
    sigma3->setObjectName("LabelSigma3");
    for (QLabel* l : {sigma1, sigma3}) {
        l->setFixedWidth(kSigmaStripWidth);
        l->setAlignment(Qt::AlignCenter);
    }
    imageHolder_ = new QWidget(plotPanel_);
    imageHolder_->installEventFilter(this);
    imageDS_ = new PlotImage(imageHolder_);
    connect(imageDS_, &PlotImage::mouseMovedTo, this, [this](int x, int y) {
        if (MeasurementStep == STEP0) ShowCursorDirection(x, y);
    });
    plotLayout->addWidget(sigma1);
    plotLayout->addWidget(imageHolder_, 1);
    plotLayout->addWidget(sigma3);
    layout->addWidget(plotPanel_, 1);
    setCentralWidget(central);

    buildStatusBar();

    // The hidden pro-mode command is reached only through its shortcut; an
    // invisible menu item cannot take a shortcut itself.
    auto* proShortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::SHIFT | Qt::Key_Backspace), this);
    proShortcut->setObjectName("ProModeShortcut");
    connect(proShortcut, &QShortcut::activated, this, &TFormM5main::ProMode1Click);

    StressDesignationRequestSender = 0;
    Model.CGP_disp = false;
    updateEfDfStatus();

    // Client area 577 x 391, centred on the screen.
    resize(577, 391 + menuBar()->sizeHint().height());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect avail = screen->availableGeometry();
        move(avail.center() - rect().center());
    }
}

void TFormM5main::buildMenus() {
    auto add = [this](QMenu* menu, const char* name, const QString& caption) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        return a;
    };

    fileMenu_ = menuBar()->addMenu("&File");
    fileMenu_->setObjectName("MenuFile");
    connect(add(fileMenu_, "ActionOpen", "&Open"), &QAction::triggered, this, &TFormM5main::ActionOpenExecute);
    connect(add(fileMenu_, "ActionExpImage", "Export &Image"), &QAction::triggered, this,
            &TFormM5main::ActionExpImageExecute);
    QMenu* save = fileMenu_->addMenu("&Save Coordinates");
    save->menuAction()->setObjectName("MenuSaveCoordinates");
    connect(add(save, "SubmenuAzplR", "&Principal axes and stress ratios"), &QAction::triggered, this,
            [this] { SaveCoordinates(kAxesAndRatios); });
    connect(add(save, "SubmenuRST", "&Reduced Stress Tensors"), &QAction::triggered, this,
            [this] { SaveCoordinates(kReducedTensors); });
    fileMenu_->addSeparator();
    connect(add(fileMenu_, "ActionExit", "E&xit"), &QAction::triggered, this, &TFormM5main::ActionExitExecute);
    // The recent-file items: item 0 the separator, 1..16 the files.  They are
    // appended to the menu only at the first showing.
    SubmenuFileName[0] = new QAction("-", this);
    SubmenuFileName[0]->setSeparator(true);
    for (int i = 1; i <= 16; ++i) {
        QAction* a = new QAction(this);
        a->setObjectName(QString("SubmenuFileName%1").arg(i));
        connect(a, &QAction::triggered, this, [this, i] { PreviousFileClick(i); });
        SubmenuFileName[size_t(i)] = a;
    }

    QMenu* edit = menuBar()->addMenu("Edit");
    connect(add(edit, "MenuCopy", "&Copy"), &QAction::triggered, this, &TFormM5main::MenuCopyClick);

    QMenu* measurement = menuBar()->addMenu("&Measurement");
    QMenu* misfit = measurement->addMenu("&Misfit Angles");
    misfit->menuAction()->setObjectName("MenuMisfitAngles");
    add(misfit, "SubmenuDesignateByMouse", "Designate by &Mouse");
    add(misfit, "SubmenuDesignateByKeyboard", "Designate an Axis through &Keyboard");
    measurement->addSeparator();
    add(measurement, "MenuAngularDistance", "&Angular Stress Distance");
    measurement->addSeparator();
    add(measurement, "MenuGlobalAverage", "&Global Average and Spread");

    QMenu* view = menuBar()->addMenu("&View");
    QMenu* enh = view->addMenu("&Enhance Factor");
    enh->menuAction()->setObjectName("MenuEnhanceFactor");
    auto* enhGroup = new QActionGroup(this);
    for (int tag = 0; tag <= 15; ++tag) {
        QAction* a = add(enh, "", QString::number(tag));
        a->setObjectName(QString("SubmenuE%1").arg(tag));
        a->setCheckable(true);
        a->setData(tag);
        a->setVisible(tag > 4);
        a->setChecked(tag == 8);
        enhGroup->addAction(a);
        connect(a, &QAction::triggered, this, [this, tag] { ActionEnhanceExecute(tag); });
        enhanceItems_[size_t(tag)] = a;
    }
    enhanceOther_ = add(enh, "SubmenuEother", "Other ...");
    enhanceOther_->setCheckable(true);
    enhGroup->addAction(enhanceOther_);
    // Choosing "Other ..." opens the panel; its check mark changes only when
    // the panel's value is accepted.
    connect(enhanceOther_, &QAction::triggered, this, [this] {
        enhanceOther_->setChecked(Settings.ef > 15);
        if (Settings.ef <= 15) enhanceItems_[size_t(Settings.ef)]->setChecked(true);
        SubmenuEotherClick();
    });

    QMenu* disp = view->addMenu("&Dispersion Factor");
    disp->menuAction()->setObjectName("MenuDispersionFactor");
    auto* dispGroup = new QActionGroup(this);
    for (int tag = 0; tag <= 3; ++tag) {
        QAction* a = add(disp, "", QString::number(tag));
        a->setObjectName(QString("SubmenuD%1").arg(tag));
        a->setCheckable(true);
        a->setData(tag);
        a->setChecked(tag == 2);
        dispGroup->addAction(a);
        connect(a, &QAction::triggered, this, [this, tag] { ActionDispersionExecute(tag); });
        dispersionItems_[size_t(tag)] = a;
    }

    QMenu* tadpole = view->addMenu("&Tadpole Symbol");
    tadpole->menuAction()->setObjectName("MenuTadpoleSymbol");
    auto* tailGroup = new QActionGroup(this);
    headAndTail_ = add(tadpole, "SubmenuHeadTail", "Head and &Tail");
    headOnly_ = add(tadpole, "SubmenuHeadOnly", "&Head Only");
    tadpole->addSeparator();
    auto* sizeGroup = new QActionGroup(this);
    largeHead_ = add(tadpole, "SubmenuHeadLarge", "Large Head");
    smallHead_ = add(tadpole, "SubmenuHeadSmall", "Small Head");
    tinyHead_ = add(tadpole, "SubmenuHeadTiny", "Tiny Head");
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
    connect(headAndTail_, &QAction::triggered, this, [this] { Style.drawTail = true; });
    connect(headOnly_, &QAction::triggered, this, [this] { Style.drawTail = false; });
    connect(largeHead_, &QAction::triggered, this, [this] { Style.headSize = kHeadLarge; });
    connect(smallHead_, &QAction::triggered, this, [this] { Style.headSize = kHeadSmall; });
    connect(tinyHead_, &QAction::triggered, this, [this] { Style.headSize = kHeadTiny; });
    connect(add(view, "MenuChangeColors", "Change &Colors"), &QAction::triggered, this,
            &TFormM5main::MenuChangeColorsClick);

    QMenu* window = menuBar()->addMenu("Window");
    connect(add(window, "MenuDN", "&Main Window (This Window)"), &QAction::triggered, this,
            &TFormM5main::MenuDNClick);
    connect(add(window, "MenuFData", "&Data Window"), &QAction::triggered, this, &TFormM5main::MenuFDataClick);
    connect(add(window, "MenuMohrWindow", "&Mohr Diagram"), &QAction::triggered, this,
            &TFormM5main::MenuMohrWindowClick);

    QMenu* help = menuBar()->addMenu("&Help");
    connect(add(help, "MenuPDFEnglish", "PDF (&English)"), &QAction::triggered, this,
            [this] { ActionOpenHelpPDFExecute(false); });
    connect(add(help, "MenuPDFJapanese", "PDF (&Japanese)"), &QAction::triggered, this,
            [this] { ActionOpenHelpPDFExecute(true); });
    help->addSeparator();
    connect(add(help, "MenuVersion", "&Version"), &QAction::triggered, this, &TFormM5main::MenuVersionClick);
    proMode_ = add(help, "ProMode1", "ProMode");
    proMode_->setVisible(false);
    connect(proMode_, &QAction::triggered, this, &TFormM5main::ProMode1Click);
}

void TFormM5main::buildTopPanel(QWidget* top) {
    auto* draw = new QPushButton("&Draw", top);
    draw->setObjectName("ButtonDraw");
    draw->setGeometry(8, 8, 75, 30);
    connect(draw, &QPushButton::clicked, this, &TFormM5main::ActionDrawExecute);
    auto* reset = new QPushButton("&Reset", top);
    reset->setObjectName("BitBtn_Phi");
    reset->setGeometry(8, 44, 75, 28);
    connect(reset, &QPushButton::clicked, this, &TFormM5main::BitBtn_PhiClick);

    // Upper-bound track bar, colour strip, lower-bound track bar: each
    // position of the bars lines up with one cell of the strip.
    constexpr int stripX = 110, stripW = 11 * ColorStrip::kCellWidth;
    // A slider's groove is narrower than the widget by about one handle; widen
    // the widget by one cell so the positions 0..10 sit over the cell centres.
    trackBarSRup_ = new QSlider(Qt::Horizontal, top);
    trackBarSRup_->setObjectName("TrackBarSRup");
    trackBarSRup_->setToolTip("Upper bound of stress ratio");
    trackBarSRup_->setRange(0, 10);
    trackBarSRup_->setValue(10);
    trackBarSRup_->setGeometry(stripX - ColorStrip::kCellWidth / 2, 4, stripW + ColorStrip::kCellWidth, 24);
    stringGridColors_ = new ColorStrip(top);
    stringGridColors_->move(stripX, 30);
    trackBarSRlo_ = new QSlider(Qt::Horizontal, top);
    trackBarSRlo_->setObjectName("TrackBarSRlo");
    trackBarSRlo_->setToolTip("Lower bound of stress ratio");
    trackBarSRlo_->setRange(0, 10);
    trackBarSRlo_->setValue(0);
    trackBarSRlo_->setGeometry(stripX - ColorStrip::kCellWidth / 2, 52, stripW + ColorStrip::kCellWidth, 24);
    connect(trackBarSRup_, &QSlider::valueChanged, this, &TFormM5main::TrackBarSRupChange);
    connect(trackBarSRlo_, &QSlider::valueChanged, this, &TFormM5main::TrackBarSRloChange);
    connect(stringGridColors_, &ColorStrip::cellPressed, this, &TFormM5main::StringGridColorsMouseDown);

    // The invisible track bars holding the enhance and dispersion factors.
    trackBarE_ = new QSlider(Qt::Horizontal, top);
    trackBarE_->setObjectName("TrackBarE");
    trackBarE_->setRange(0, 99);
    trackBarE_->setValue(Settings.ef);
    trackBarE_->hide();
    connect(trackBarE_, &QSlider::valueChanged, this, &TFormM5main::TrackBarEChange);
    trackBarD_ = new QSlider(Qt::Horizontal, top);
    trackBarD_->setObjectName("TrackBarD");
    trackBarD_->setRange(0, 3);
    trackBarD_->setValue(Settings.df);
    trackBarD_->hide();
    connect(trackBarD_, &QSlider::valueChanged, this, [this](int v) {
        Settings.df = v;
        updateEfDfStatus();
    });

    // Panels of the measurement tools, hidden until a designation needs them.
    panelSR_ = new QFrame(top);
    panelSR_->setObjectName("PanelSR");
    panelSR_->setGeometry(280, 1, 200, 78);
    panelSR_->hide();
    panelKeyboard_ = new QFrame(top);
    panelKeyboard_->setObjectName("PanelKeyboard");
    panelKeyboard_->setGeometry(1, 1, 340, 78);
    panelKeyboard_->hide();

    // The enhance-factor panel of "Other ...".
    panelEnh_ = new QFrame(top);
    panelEnh_->setObjectName("PanelEnh");
    panelEnh_->setFrameShape(QFrame::StyledPanel);
    panelEnh_->setAutoFillBackground(true);
    panelEnh_->setGeometry(352, 1, 220, 78);
    auto* title = new QLabel("Enhance Factor", panelEnh_);
    title->setGeometry(8, 4, 120, 18);
    auto* hint = new QLabel("(Integer < 100)", panelEnh_);
    hint->setGeometry(8, 24, 120, 18);
    editEnh_ = new QLineEdit("16", panelEnh_);
    editEnh_->setObjectName("Edit_Enh");
    editEnh_->setMaxLength(2);
    editEnh_->setGeometry(130, 10, 40, 24);
    buttonEnhOK_ = new QPushButton("&OK", panelEnh_);
    buttonEnhOK_->setObjectName("Button_EnhOK");
    buttonEnhOK_->setGeometry(30, 48, 75, 24);
    buttonEnhCancel_ = new QPushButton("&Cancel", panelEnh_);
    buttonEnhCancel_->setObjectName("ButtonEnhCancel");
    buttonEnhCancel_->setGeometry(115, 48, 75, 24);
    connect(buttonEnhOK_, &QPushButton::clicked, this, &TFormM5main::Button_EnhOKClick);
    connect(buttonEnhCancel_, &QPushButton::clicked, this, &TFormM5main::ButtonEnhCancelClick);
    connect(editEnh_, &QLineEdit::returnPressed, this, &TFormM5main::Button_EnhOKClick);
    panelEnh_->hide();
}

void TFormM5main::buildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setSizeGripEnabled(false);
    for (int i = 0; i < 6; ++i) {
        auto* l = new QLabel(bar);
        l->setObjectName(QString("StatusPanel%1").arg(i));
        l->setFixedWidth(kStatusWidths[i]);
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
        bar->addWidget(l);
        panels_[size_t(i)] = l;
    }
    progressBar_ = new QProgressBar(bar);
    progressBar_->setObjectName("ProgressBar1");
    progressBar_->setRange(0, 10);
    progressBar_->setValue(0);
    progressBar_->setTextVisible(false);
    progressBar_->setGeometry(490, 6, 80, 12);
    progressBar_->raise();
}

// ---------------------------------------------------------------- start

void TFormM5main::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TFormM5main::FormShow() {
    setStatus(0, "  /  /  ");
    Model.GPFile = "Unif60000.cgp";
    const LoadOutcome grid = Model.LoadGridFile();
    if (!grid.ok) {
        port_.message(this, QString::fromStdString(grid.message));
        if (grid.terminate) {
            Terminate();
            return;
        }
    }
    LoadPreviousFiles();
    Termination = false;
    Style.drawTail = headAndTail_->isChecked();
    MeasurementStep = STEP0;
    DSBmp.fill(Qt::white);
    {
        QPainter p(&DSBmp);
        DrawFrame(p, Style);
    }
    showCanvas();
    if (windows_.fd) windows_.fd->InitializeHistogram();
    headAndTail_->setChecked(true);
    if (!ArialInstalled())
        port_.message(this, "The Arial font is not installed.\r\n"
                            "The graphic user interface of this\r\n"
                            "program is designed with the font.");
    panelSR_->setBackgroundRole(QPalette::Button);
    FormResize();
}

// ---------------------------------------------------------------- layout

void TFormM5main::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    FormResize();
}

bool TFormM5main::eventFilter(QObject* watched, QEvent* e) {
    if (watched == imageHolder_ && e->type() == QEvent::Resize) FormResize();
    return QMainWindow::eventFilter(watched, e);
}

void TFormM5main::FormResize() {
    if (!imageHolder_ || !imageDS_) return;
    const int W = imageHolder_->width(), H = imageHolder_->height();
    if (W > 2 * H)
        imageDS_->setGeometry(0, 0, 2 * H, H);
    else
        imageDS_->setGeometry(0, 0, W, W / 2);
}

void TFormM5main::showCanvas() { imageDS_->setPicture(DSBmp); }

// ---------------------------------------------------------------- status bar

void TFormM5main::setStatus(int panel, const QString& text) { panels_[size_t(panel)]->setText(text); }

QString TFormM5main::statusPanel(int i) const { return panels_[size_t(i)]->text(); }

void TFormM5main::updateEfDfStatus() {
    setStatus(3, QString("ef=%1, df=%2").arg(Settings.ef).arg(Settings.df));
}

QAction* TFormM5main::action(const char* name) const { return findChild<QAction*>(name); }

// ---------------------------------------------------------------- end

void TFormM5main::closeEvent(QCloseEvent* e) {
    e->accept();
    Terminate();
}

void TFormM5main::ActionExitExecute() { close(); }

void TFormM5main::Terminate() {
    if (Termination) return;
    Termination = true;
    DSBmp = QImage();
    // An end before the list was read (the default grid could not be loaded
    // at the first showing) leaves prevfiles.txt as it is.
    if (previousFilesRead_) {
        while (PreviousFiles.size() > 15) PreviousFiles.removeLast();
        QByteArray text;
        for (const QString& f : PreviousFiles) text += f.toUtf8() + "\r\n";
        QString error;
        // The list is written whole or not at all; a failure loses only the list.
        platform::writeFileAtomically(HomeDir + "prevfiles.txt", text, &error);
    }
    if (windows_.fd) windows_.fd->Terminate();
    Model.GridPoints.clear();
    Model.NG = 0;
    QCoreApplication::quit();
}

// ---------------------------------------------------------------- windows and help

void TFormM5main::MenuChangeColorsClick() {
    if (windows_.color) {
        windows_.color->show();
        windows_.color->raise();
    }
}

void TFormM5main::MenuDNClick() {
    show();
    raise();
    if (windows_.fd && windows_.fd->isVisible()) windows_.fd->raise();
}

void TFormM5main::MenuFDataClick() {
    if (!windows_.fd) return;
    windows_.fd->show();
    windows_.fd->raise();
    raise();
}

void TFormM5main::MenuMohrWindowClick() {
    if (!windows_.mohr) return;
    windows_.mohr->show();
    windows_.mohr->raise();
    raise();
}

void TFormM5main::ActionOpenHelpPDFExecute(bool japanese) {
    const QString path = HomeDir + (japanese ? "man_j.pdf" : "man_e.pdf");
    if (!port_.openDocument(path))
        port_.message(this, "File \"" + path + "\"\r\n  not found.");
}

void TFormM5main::MenuVersionClick() {
    if (windows_.about) {
        windows_.about->show();
        windows_.about->raise();
    }
}

void TFormM5main::ProMode1Click() {
    Model.CGP_disp = true;
    if (windows_.fd && windows_.fd->MenuProjection) windows_.fd->MenuProjection->menuAction()->setVisible(true);
    tinyHead_->setVisible(true);
    for (int tag = 0; tag <= 7; ++tag) enhanceItems_[size_t(tag)]->setVisible(true);
    port_.message(this, "QLV Professional Mode!");
}

}  // namespace quillon::viewer
