#include "viewer/windows/fault_data_window.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTableWidget>

#include "viewer/model/number_format.h"
#include "viewer/platform/emf_writer.h"
#include "viewer/platform/user_port.h"
#include "viewer/plot/stress_plot.h"
#include "viewer/windows/mohr_window.h"
#include "viewer/windows/picture_view.h"
#include "viewer/windows/plot_export.h"

namespace quillon::viewer {

namespace {

const QColor kSilver(192, 192, 192);
constexpr int kGridPanelWidth = 366;
constexpr int kHistogramPanelHeight = 190;
constexpr const char* kPictureFilter = "Enhanced metafile (*.emf)|*.emf|PNG image (*.png)|*.png|"
                                       "SVG drawing (*.svg)|*.svg|PDF document (*.pdf)|*.pdf";

int dataCount(const FaultDataSet& data) {
    return std::max(0, std::min<int>(data.count, int(data.records.size()) - 1));
}

// A picture file name chosen in a save dialog: the default extension is added
// to a bare name; the format follows the extension.
std::optional<QString> askPictureName(platform::UserPort& port, QWidget* parent) {
    platform::FileDialogRequest req;
    req.filter = kPictureFilter;
    req.filterIndex = 1;
    req.defaultExt = "emf";
    req.promptOverwrite = true;
    return port.saveFile(parent, req);
}

}  // namespace

void drawHistogram(QPainter& p, const std::array<HistogramBar, kHistogramBars>& bars) {
    const int W = kHistogramPictureSize.width(), H = kHistogramPictureSize.height();
    p.fillRect(QRect(0, 0, W, H), Qt::white);
    QFont font("Arial");
    font.setPixelSize(26);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(QRect(0, 4, W, 34), Qt::AlignHCenter | Qt::AlignTop, "Misfit Angles");
    font.setBold(false);
    font.setPixelSize(20);
    p.setFont(font);
    // Plot area: 18 bars of equal width between x0 and x1, heights scaled to the largest.
    const int x0 = 40, x1 = W - 40, top = 74, base = H - 50;
    int highest = 1;
    for (const HistogramBar& b : bars) highest = std::max(highest, b.value);
    const double slot = double(x1 - x0) / kHistogramBars;
    for (int k = 0; k < kHistogramBars; ++k) {
        const HistogramBar& b = bars[size_t(k)];
        const int left = x0 + int(std::lround(k * slot + slot * 0.1));
        const int width = int(std::lround(slot * 0.8));
        const int height = int(std::lround(double(base - top) * b.value / highest));
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(b.color);
        if (height > 0) p.drawRect(QRect(left, base - height, width, height));
        if (!b.mark.isEmpty())
            p.drawText(QRect(left - 10, base - height - 26, width + 20, 24), Qt::AlignHCenter | Qt::AlignBottom,
                       b.mark);
    }
    p.setPen(QPen(Qt::black, 2));
    p.drawLine(x0, base, x1, base);
    p.setPen(Qt::black);
    for (int i = 0; i <= 6; ++i) {
        const int x = x0 + int(std::lround(i * 3 * slot));
        p.drawText(QRect(x - 30, base + 6, 60, 26), Qt::AlignHCenter | Qt::AlignTop, QString::number(30 * i));
    }
}

FaultDataWindow::FaultDataWindow(platform::UserPort& port, QWidget* parent) : QMainWindow(parent), port_(port) {
    setObjectName("FaultDataWindow");
    setWindowTitle(" Fault-Slip Data");
    QFont arial("Arial");
    arial.setPointSize(9);
    setFont(arial);
    auto* central = new QWidget(this);
    setCentralWidget(central);

    netPanel_ = new QWidget(central);
    stereonet_ = new PictureView(QSize(kDataNetSize, kDataNetSize), netPanel_);
    stereonet_->setObjectName("stereonet");
    stereonet_->setToolTip("Click right mouse button here to save this image");
    azLabel_ = new QLabel("Az :", netPanel_);
    azLabel_->setObjectName("azimuthReadout");
    plLabel_ = new QLabel("Pl :", netPanel_);
    plLabel_->setObjectName("plungeReadout");
    for (QLabel* l : {azLabel_, plLabel_}) l->setAttribute(Qt::WA_TransparentForMouseEvents);
    connect(stereonet_, &PictureView::mouseMovedTo, this, &FaultDataWindow::updateReadout);
    connect(stereonet_, &PictureView::contextMenuRequestedAt, this, &FaultDataWindow::showPopup);

    gridPanel_ = new QWidget(central);
    selectedLabel_ = new QLabel(gridPanel_);
    selectedLabel_->setObjectName("selectedDatumLabel");
    switchOffButton_ = new QPushButton("Switch off highlighting", gridPanel_);
    switchOffButton_->setObjectName("switchOffHighlightingButton");
    connect(switchOffButton_, &QPushButton::clicked, this, &FaultDataWindow::switchOffHighlighting);
    grid_ = new QTableWidget(0, 7, gridPanel_);
    grid_->setObjectName("dataGrid");
    grid_->setToolTip("Click right mouse button here to save misfits");
    grid_->setHorizontalHeaderLabels({"", "Faz", "Fpl", "Saz", "Spl", "Sense", "Misfit"});
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setDefaultSectionSize(19);
    // Columns wide enough for "359.9" in the window's font.
    grid_->horizontalHeader()->setDefaultSectionSize(44);
    grid_->horizontalHeader()->setMinimumSectionSize(20);
    grid_->setColumnWidth(0, 44);
    grid_->setColumnWidth(5, 46);
    grid_->setColumnWidth(6, 52);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    QPalette gridPalette = grid_->palette();
    gridPalette.setColor(QPalette::Highlight, kSilver);
    gridPalette.setColor(QPalette::HighlightedText, Qt::black);
    grid_->setPalette(gridPalette);
    grid_->viewport()->installEventFilter(this);
    grid_->setContextMenuPolicy(Qt::NoContextMenu);
    connect(grid_, &QTableWidget::currentCellChanged, this,
            [this](int row, int, int, int) { selectRow(row + 1); });

    histogramPanel_ = new QWidget(central);
    histogramView_ = new PictureView(kHistogramPictureSize, histogramPanel_);
    histogramView_->setObjectName("histogram");
    histogramView_->setToolTip("Click right mouse button here to save this image");
    connect(histogramView_, &PictureView::contextMenuRequestedAt, this, &FaultDataWindow::showPopup);

    // The pop-up menu of the grid, the stereonet and the histogram.
    popup_ = new QMenu(this);
    QMenu* method = popup_->addMenu("Plot &Method");
    auto* methods = new QActionGroup(this);
    QAction* sgc = method->addAction("Slip Vector on &Great Circle");
    sgc->setObjectName("greatCircleAction");
    QAction* tld = method->addAction("&Tangent-Lineation Diagram");
    tld->setObjectName("tangentLineationAction");
    for (QAction* a : {sgc, tld}) {
        a->setCheckable(true);
        methods->addAction(a);
    }
    sgc->setChecked(true);
    connect(sgc, &QAction::triggered, this, [this] { setPlotMethod(PlotMethod::GreatCircle); });
    connect(tld, &QAction::triggered, this, [this] { setPlotMethod(PlotMethod::TangentLineation); });
    projectionMenu_ = popup_->addMenu("&Projection");
    projectionMenu_->menuAction()->setObjectName("projectionMenu");
    projectionMenu_->menuAction()->setVisible(false);
    auto* projections = new QActionGroup(this);
    QAction* wulff = projectionMenu_->addAction("Equal Angle (&Wulff)");
    wulff->setObjectName("equalAngleAction");
    QAction* schmidt = projectionMenu_->addAction("Equal Area (&Schmidt)");
    schmidt->setObjectName("equalAreaAction");
    for (QAction* a : {wulff, schmidt}) {
        a->setCheckable(true);
        projections->addAction(a);
    }
    wulff->setChecked(true);
    connect(wulff, &QAction::triggered, this, [this] { setProjection(NetProjection::EqualAngle); });
    connect(schmidt, &QAction::triggered, this, [this] { setProjection(NetProjection::EqualArea); });
    auto add = [this](const char* name, const char* caption, void (FaultDataWindow::*slot)()) {
        QAction* a = popup_->addAction(caption);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, slot);
    };
    add("exportStereonetAction", "Export &Stereonet to EMF", &FaultDataWindow::exportStereonet);
    add("exportHistogramAction", "Export &Histogram to EMF", &FaultDataWindow::exportHistogram);
    add("exportMisfitsAction", "Export &Misfits to Text File", &FaultDataWindow::exportMisfits);
    QAction* showMain = popup_->addAction("Show Main &Window");
    showMain->setObjectName("showMainWindowAction");
    connect(showMain, &QAction::triggered, this, [this] {
        if (onShowMainWindow) onShowMainWindow();
    });

    setMinimumSize(560, 420);
    resize(760, 620);
    initializeHistogram();
    modelPlanes_ = modelPlaneGrid(projection, kDataNetSize);
    drawGreatCirclePlot(-1);
}

QAction* FaultDataWindow::action(const char* name) const { return findChild<QAction*>(name); }

void FaultDataWindow::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    layoutPanels();
    if (shown_) return;
    shown_ = true;
    // The model planes are taken back through the pixels of the image as shown.
    modelGridWidth_ = std::max(1, stereonet_->width());
    modelPlanes_ = modelPlaneGrid(projection, modelGridWidth_);
    clearSelectedDatum();
}

void FaultDataWindow::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    layoutPanels();
}

void FaultDataWindow::layoutPanels() {
    QWidget* c = centralWidget();
    const int W = c->width(), H = c->height();
    const int gridLeft = std::max(0, W - kGridPanelWidth);
    const int histogramTop = std::max(0, H - kHistogramPanelHeight);
    histogramPanel_->setGeometry(0, histogramTop, gridLeft, H - histogramTop);
    histogramView_->setGeometry(histogramPanel_->rect().adjusted(2, 2, -2, -2));
    gridPanel_->setGeometry(gridLeft, 0, W - gridLeft, H);
    selectedLabel_->setGeometry(4, 2, gridPanel_->width() - 8, 20);
    switchOffButton_->setGeometry(4, 24, 160, 26);
    grid_->setGeometry(2, 54, gridPanel_->width() - 4, H - 56);
    // The square stereonet: as large as the space left of the grid and above the histogram.
    const int side = std::max(1, std::min({histogramTop - 1, gridLeft - 1, W}));
    netPanel_->setGeometry(0, 0, side, side);
    stereonet_->setGeometry(0, 0, side, side);
    azLabel_->setGeometry(6, 4, 110, 16);
    plLabel_->setGeometry(6, 20, 110, 16);
    azLabel_->raise();
    plLabel_->raise();
}

void FaultDataWindow::closeEvent(QCloseEvent* e) {
    e->accept();
    if (onCloseRequested) onCloseRequested();
}

// ---------------------------------------------------------------- grid

void FaultDataWindow::fillDataGrid() {
    const int n = dataCount(dataSet);
    grid_->blockSignals(true);
    grid_->clearContents();
    grid_->setRowCount(n);
    for (int i = 1; i <= n; ++i) {
        FaultDatum& d = dataSet.records[size_t(i)];
        const QString cells[7] = {
            QString::fromStdString(datumLabel(dataSet, i)),
            QString::fromStdString(generalNumber(d.plane.az)),
            QString::fromStdString(generalNumber(d.plane.pl)),
            QString::fromStdString(generalNumber(d.slip.az)),
            QString::fromStdString(generalNumber(d.slip.pl)),
            QString::fromStdString(d.sense),
            QString(),
        };
        for (int c = 0; c < 7; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c == 0) item->setBackground(kSilver);
            grid_->setItem(i - 1, c, item);
        }
        d.misfit = 180.0f;
    }
    grid_->blockSignals(false);
    zeroShear_.assign(size_t(n) + 1, false);
    lastSelectedRow_ = 0;
}

QStringList FaultDataWindow::misfitCells() const {
    QStringList cells;
    for (int r = 0; r < grid_->rowCount(); ++r) {
        const QTableWidgetItem* item = grid_->item(r, 6);
        cells << (item ? item->text() : QString());
    }
    return cells;
}

void FaultDataWindow::paintMisfitCell(int row) {
    QTableWidgetItem* item = grid_->item(row - 1, 6);
    if (!item) return;
    const FaultDatum& d = dataSet.records[size_t(row)];
    item->setText(QString::fromStdString(misfitCellText(d.misfit, zeroShear_[size_t(row)])));
    const int k = misfitClass(d.misfit);
    if (k >= 0 && k <= 2) {
        item->setBackground(toQColor(dataSet.misfitColors[size_t(k)]));
        item->setForeground(Qt::white);
    } else {
        item->setBackground(Qt::white);
        item->setForeground(Qt::black);
    }
}

bool FaultDataWindow::eventFilter(QObject* watched, QEvent* e) {
    if (watched == grid_->viewport() && e->type() == QEvent::MouseButtonPress) {
        auto* me = static_cast<QMouseEvent*>(e);
        if (me->button() == Qt::RightButton) {
            // The right button offers the pop-up menu, whose "Export &Misfits to
            // Text File" is what the grid's hint promises.
            showPopup(me->globalPosition().toPoint());
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, e);
}

void FaultDataWindow::selectRow(int row) {
    if (row < 1 || row > dataCount(dataSet)) return;
    if (row != lastSelectedRow_) {
        lastSelectedRow_ = row;
        if (grid_->currentRow() != row - 1) {
            grid_->blockSignals(true);
            grid_->setCurrentCell(row - 1, std::max(1, grid_->currentColumn()));
            grid_->blockSignals(false);
        }
    }
    if (plotMethod == PlotMethod::GreatCircle) drawGreatCirclePlot(row);
    else drawTangentLineationPlot(row);
    selectedLabel_->setText(QString::fromStdString(selectedDatumText(dataSet, row)));
    if (mohr_) mohr_->highlightSelectedData(row);
}

QString FaultDataWindow::selectedDatumLabel() const { return selectedLabel_->text(); }

void FaultDataWindow::switchOffHighlighting() {
    clearSelectedDatum();
    if (mohr_) mohr_->wipeSelectedDatum();
    selectedLabel_->clear();
    lastSelectedRow_ = 0;
    grid_->blockSignals(true);
    grid_->setCurrentCell(-1, -1);
    grid_->blockSignals(false);
}

// ---------------------------------------------------------------- histogram

void FaultDataWindow::initializeHistogram() {
    for (int k = 0; k < kHistogramBars; ++k)
        bars_[size_t(k)] = HistogramBar{1, kSilver, (k + 1) % 3 == 0 ? QString::number(10 * (k + 1)) : QString()};
    refreshHistogramView();
}

void FaultDataWindow::refreshHistogramView() {
    histogramView_->setPicture(recordPicture([this](QPainter& p) { drawHistogram(p, bars_); }));
}

// ---------------------------------------------------------------- designation

void FaultDataWindow::theoreticalSlipDirections(const Direction& sigma1, const Direction& sigma3, float phi) {
    StressState s;
    s.axis[Sigma1] = sigma1;
    s.axis[Sigma3] = sigma3;
    s.stressRatio = phi;
    const Matrix3 S = reducedStressTensor(sigma1, sigma3, phi);
    computeModelPlaneSlips(modelPlanes_, S);
    zeroShear_ = designateStress(dataSet, s);
    const int n = dataCount(dataSet);
    for (int i = 1; i <= n; ++i) paintMisfitCell(i);
    const auto counts = misfitHistogram([this] {
        std::vector<std::string> cells;
        for (const QString& c : misfitCells()) cells.push_back(c.toStdString());
        return cells;
    }());
    for (int k = 0; k < kHistogramBars; ++k)
        bars_[size_t(k)] = HistogramBar{counts[size_t(k)],
                                        k <= 2 ? toQColor(dataSet.misfitColors[size_t(k)]) : kSilver,
                                        QString::number(counts[size_t(k)])};
    refreshHistogramView();
    if (mohr_) mohr_->drawMohrDiagram(phi);
    // The plot with the designated stress; data without shear stress are named.
    DataNetScene sc = scene();
    sc.stress = s;
    std::vector<int> rows;
    stereonet_->setPicture(recordPicture([&](QPainter& p) { rows = drawDataNet(p, sc); }));
    if (!rows.empty() && plotMethod == PlotMethod::GreatCircle) {
        QStringList names;
        for (int r : rows) names << QString::number(r);
        port_.message(this, "No shear stress on the plane of datum " + names.join(", ") +
                                ":\r\nits theoretical slip direction is undefined.");
    }
}

DataNetScene FaultDataWindow::scene() const {
    DataNetScene s;
    s.data = &dataSet;
    s.method = plotMethod;
    s.projection = projection;
    s.modelPlanes = &modelPlanes_;
    s.fontFamily = font().family();
    if (dataSet.stressDesignated && designatedStress) s.stress = designatedStress();
    return s;
}

QPicture FaultDataWindow::stereonetPicture() const {
    const DataNetScene sc = scene();
    return recordPicture([&](QPainter& p) { drawDataNet(p, sc); });
}

void FaultDataWindow::drawGreatCirclePlot(int selected) {
    DataNetScene sc = scene();
    sc.method = PlotMethod::GreatCircle;
    if (selected < 0) stereonet_->setPicture(recordPicture([&](QPainter& p) { drawDataNet(p, sc); }));
    else stereonet_->setOverlay(recordPicture([&](QPainter& p) { drawSelectedDatum(p, sc, selected); }));
}

void FaultDataWindow::drawTangentLineationPlot(int selected) {
    DataNetScene sc = scene();
    sc.method = PlotMethod::TangentLineation;
    if (selected < 0) stereonet_->setPicture(recordPicture([&](QPainter& p) { drawDataNet(p, sc); }));
    else stereonet_->setOverlay(recordPicture([&](QPainter& p) { drawSelectedDatum(p, sc, selected); }));
}

void FaultDataWindow::redrawPlot() {
    if (plotMethod == PlotMethod::GreatCircle) drawGreatCirclePlot(-1);
    else drawTangentLineationPlot(-1);
}

void FaultDataWindow::clearSelectedDatum() { stereonet_->setOverlay(QPicture()); }

void FaultDataWindow::setPlotMethod(PlotMethod method) {
    plotMethod = method;
    action(method == PlotMethod::GreatCircle ? "greatCircleAction" : "tangentLineationAction")->setChecked(true);
    clearSelectedDatum();
    redrawPlot();
}

void FaultDataWindow::setProjection(NetProjection p) {
    projection = p;
    action(p == NetProjection::EqualAngle ? "equalAngleAction" : "equalAreaAction")->setChecked(true);
    clearSelectedDatum();
    modelPlanes_ = modelPlaneGrid(projection, modelGridWidth_);
    if (dataSet.stressDesignated && designatedStress) {
        const StressState s = designatedStress();
        computeModelPlaneSlips(modelPlanes_, reducedStressTensor(s.axis[Sigma1], s.axis[Sigma3], s.stressRatio));
    }
    redrawPlot();
}

void FaultDataWindow::revealProjectionMenu() { projectionMenu_->menuAction()->setVisible(true); }

void FaultDataWindow::showPopup(const QPoint& globalPos) { popup_->popup(globalPos); }

void FaultDataWindow::updateReadout(int x, int y) {
    const Direction d = imagePointToDirection(x, y, stereonet_->width(), stereonet_->height(), projection);
    azLabel_->setText(QString::fromStdString("Az : " + formatDecimals(d.az, 1)));
    plLabel_->setText(QString::fromStdString("Pl : " + formatDecimals(d.pl, 1)));
}

QString FaultDataWindow::directionReadout() const { return azLabel_->text() + " " + plLabel_->text(); }

// ---------------------------------------------------------------- exports

void FaultDataWindow::exportStereonet() {
    const auto path = askPictureName(port_, this);
    if (!path) return;
    const QPicture picture = stereonetPicture();
    stereonet_->setPicture(picture);
    const PictureOutcome out = writePicture(*path, pictureFormatFor(*path), QSize(kDataNetSize, kDataNetSize),
                                            [&](QPainter& p) { p.drawPicture(0, 0, picture); });
    if (!out.ok) port_.message(this, out.message);
}

void FaultDataWindow::exportHistogram() {
    const auto path = askPictureName(port_, this);
    if (!path) return;
    const PictureOutcome out = writePicture(*path, pictureFormatFor(*path), kHistogramPictureSize,
                                            [this](QPainter& p) { drawHistogram(p, bars_); });
    if (!out.ok) port_.message(this, out.message);
}

void FaultDataWindow::exportMisfits() {
    if (dataCount(dataSet) < 1) return;
    for (const QString& c : misfitCells())
        if (c.isEmpty()) return;   // no stress designated yet
    saveTextFile(port_, this, "Save misfit angles", misfitFileLines(dataSet));
}

void FaultDataWindow::releaseData() {
    dataSet.records.clear();
    dataSet.count = 0;
    modelPlanes_.clear();
}

}  // namespace quillon::viewer
