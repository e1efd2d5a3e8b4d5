// The main window's commands: opening results (dialog, dropped file, recent
// files), the plot controls and Draw, and the picture and coordinate exports.
#include "viewer/windows/main_window.h"

#include <QAction>
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QProgressBar>
#include <QProgressDialog>
#include <QSlider>
#include <QUrl>
#include <cstdint>
#include <limits>

#include "viewer/model/coordinates.h"
#include "viewer/model/number_format.h"
#include "viewer/model/text_reader.h"
#include "viewer/platform/clipboard.h"
#include "viewer/platform/user_port.h"
#include "viewer/windows/plot_export.h"
#include "viewer/windows/plot_widgets.h"
#include "viewer/windows/about_box.h"
#include "viewer/windows/fault_data_window.h"
#include "viewer/windows/measurement_window.h"
#include "viewer/windows/mohr_window.h"
#include "viewer/windows/palette_window.h"

namespace quillon::viewer {

namespace {

// Recent-file captions show the file name only; '&' must not become an
// access key.
QString recentCaption(const QString& path) {
    return QFileInfo(path).fileName().replace("&", "&&");
}

// How many drawn symbols pass between two repaints of the progress bar.
constexpr int kProgressRepaintEvery = 1024;
// How long a drawing runs before it offers to be cancelled, in milliseconds.
constexpr int kCancelDialogDelayMs = 1500;

}  // namespace

// ---------------------------------------------------------------- opening results

bool MainWindow::loadResultFile(const QString& path) {
    FaultDataSet scratch;
    FaultDataSet& data = windows_.dataWindow ? windows_.dataWindow->dataSet : scratch;
    const LoadOutcome outcome = model.loadResultFile(path.toStdString(), data);
    if (!outcome.ok) {
        port_.message(this, QString::fromStdString(outcome.message));
        if (outcome.terminate) endProgram();
        return false;
    }
    setWindowTitle(QString::fromStdString(model.caption()));
    updateRecentFilesMenu(path);
    return true;
}

void MainWindow::afterResultLoaded(bool resetHistogram) {
    model.computeVoteSd();
    setStatus(1, QString::fromStdString(model.sdStatusText()));
    setStatus(0, QString::fromStdString(model.countsStatusText()));
    FaultDataWindow* fd = windows_.dataWindow;
    if (!fd) return;
    if (resetHistogram) fd->initializeHistogram();
    fd->dataSet.stressDesignated = false;
    fd->fillDataGrid();
    fd->dataSet.determineSenses();
    if (fd->plotMethod == PlotMethod::GreatCircle)
        fd->drawGreatCirclePlot(-1);
    else
        fd->drawTangentLineationPlot(-1);
    fd->clearSelectedDatum();
}

void MainWindow::openResult() {
    platform::FileDialogRequest req;
    req.title = "Load QLN file";
    req.filter = "QLN file (ver. 4)|*.ql4|QLN file( ver. 3)|*.ql3|QLN file (ver. 2)|*.ql|All|*.*";
    req.filterIndex = 1;
    const auto path = port_.openFile(this, req);
    if (!path) return;
    if (loadResultFile(*path)) afterResultLoaded(true);
}

void MainWindow::openFromCommandLine(const QString& path) {
    if (loadResultFile(QFileInfo(path).absoluteFilePath())) afterResultLoaded(true);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* e) {
    QStringList files;
    for (const QUrl& url : e->mimeData()->urls())
        if (url.isLocalFile()) files << url.toLocalFile();
    e->acceptProposedAction();
    handleDroppedFiles(files);
}

void MainWindow::handleDroppedFiles(const QStringList& files) {
    if (files.size() > 1) {
        port_.message(this, "Plural files were dropped.\r\nThis application accept only one file at a time.");
        return;
    }
    if (files.size() == 1 && loadResultFile(QFileInfo(files.first()).absoluteFilePath()))
        afterResultLoaded(false);
}

void MainWindow::loadRecentFiles() {
    recentFiles.clear();
    previousFilesRead_ = true;
    // Read only when it is a regular file: a FIFO of that name would hold the
    // start up, a device would never end.
    for (const std::string& entry : readRecentFileList((homeDir + "prevfiles.txt").toStdString())) {
        const QString path = QString::fromStdString(entry);
        if (QFileInfo::exists(path)) recentFiles << path;
    }
    updateRecentFilesMenu();
}

void MainWindow::updateRecentFilesMenu() {
    if (recentFiles.isEmpty()) return;
    fileMenu_->addAction(recentFileActions[0]);
    const int n = std::min<int>(int(recentFiles.size()), 15);
    for (int i = 0; i < n; ++i) {
        if (!QFileInfo::exists(recentFiles[i])) continue;
        QAction* item = recentFileActions[size_t(i + 1)];
        item->setText(recentCaption(recentFiles[i]));
        item->setEnabled(true);
        fileMenu_->addAction(item);
    }
}

void MainWindow::updateRecentFilesMenu(const QString& path) {
    const int n = std::min<int>(int(recentFiles.size()) - 1, 14);
    int m;
    if (recentFiles.contains(path)) {
        recentFiles.removeAll(path);
        m = n;
    } else {
        m = n + 1;
    }
    recentFiles.insert(0, path);
    for (int i = 0; i <= m && i < int(recentFiles.size()); ++i)
        recentFileActions[size_t(i + 1)]->setText(recentCaption(recentFiles[i]));
}

void MainWindow::openRecentFile(int item) {
    // Item k stands for entry k - 1.  Going by the item rather than by its
    // caption keeps two recent files of the same name in different folders
    // apart.
    if (item < 1 || item > int(recentFiles.size())) return;
    const QString path = recentFiles[item - 1];
    if (loadResultFile(path)) afterResultLoaded(false);
}

// ---------------------------------------------------------------- plot controls

void MainWindow::setEnhanceFactor(int tag) {
    QAction* item = enhanceItems_[size_t(tag)];
    item->setChecked(true);
    item->setVisible(true);
    enhanceSlider_->setValue(tag);
    settings.ef = tag;
    updateEfDfStatus();
}

void MainWindow::enhanceSliderChanged(int value) {
    settings.ef = value;
    const FaultDataSet* data = windows_.dataWindow ? &windows_.dataWindow->dataSet : nullptr;
    if (data && data->count != 0) setStatus(0, QString::fromStdString(model.countsStatusText()));
}

void MainWindow::showEnhanceFactorPanel() {
    enhancePanel_->show();
    enhancePanel_->raise();
    enhanceEdit_->setFocus();
}

void MainWindow::acceptEnhanceFactorPanel() {
    const QString text = enhanceEdit_->text().trimmed();
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < 0 || v > 99) {
        port_.message(this, "Invalid number '" + text + "'");
        enhanceEdit_->clear();
        enhanceEdit_->setFocus();
        return;
    }
    if (v <= 15) {
        setEnhanceFactor(v);
    } else {
        enhanceOther_->setChecked(true);
        enhanceSlider_->setValue(v);
        settings.ef = v;
    }
    enhancePanel_->hide();
    updateEfDfStatus();
}

void MainWindow::cancelEnhanceFactorPanel() { enhancePanel_->hide(); }

void MainWindow::setDispersionFactor(int tag) {
    dispersionItems_[size_t(tag)]->setChecked(true);
    dispersionSlider_->setValue(tag);
    settings.df = tag;
    updateEfDfStatus();
}

void MainWindow::upperBoundChanged(int value) {
    settings.srUp = value;
    if (value < lowerBoundSlider_->value()) lowerBoundSlider_->setValue(value);
}

void MainWindow::lowerBoundChanged(int value) {
    settings.srLo = value;
    if (value > upperBoundSlider_->value()) upperBoundSlider_->setValue(value);
}

void MainWindow::resetStressRatioBounds() {
    upperBoundSlider_->setValue(upperBoundSlider_->maximum());
    lowerBoundSlider_->setValue(0);
}

void MainWindow::colorStripPressed(int cell, Qt::MouseButton button) {
    if (designationStep == DesignationStep::Idle) {
        upperBoundSlider_->setValue(cell);
        lowerBoundSlider_->setValue(cell);
    }
    if (button == Qt::RightButton) draw();
}

void MainWindow::applyPalette(const ColorTable& colors) {
    plotStyle.colors = colors;
    colorStrip_->setColors(colors);
}

void MainWindow::showCursorDirection(int X, int Y) {
    const CanvasPoint canvas = screenToCanvas(X, Y, plotImage_->height());
    const AxisOnNet a = pointToAxis(canvas);
    setStatus(2, QString::fromStdString(formatFixed(a.direction.az, 5, 1) + " / " +
                                        formatFixed(a.direction.pl, 5, 1)));
    setStatus(4, X < plotImage_->width() / 2 ? "sigma1" : "sigma3");
}

// ---------------------------------------------------------------- drawing

bool MainWindow::confirmLongDrawing() {
    const int nf = windows_.dataWindow ? windows_.dataWindow->dataSet.count : 0;
    if (settings.ef != 0 || nf <= 1) return true;
    return port_.confirm(this, "It may take a long time.\r\nDo you realy want to do?");
}

void MainWindow::drawStressStates(QPainter& canvas) { drawStressStatesAs(canvas, confirmLongDrawing()); }

void MainWindow::drawStressStatesAs(QPainter& canvas, bool withStates) {
    if (!withStates) {
        drawFrame(canvas, plotStyle);
        return;
    }
    const Selection selection = selectStates(model, settings);
    setStatus(0, QString::fromStdString(selection.status));
    // The bar and the dialog count in int; a larger selection moves them in steps.
    const std::int64_t step = selection.symbolCount / std::numeric_limits<int>::max() + 1;
    // At enhance factor 0 a drawing has one symbol per vote and can last very
    // long: after a moment a dialog offers to cancel it (its button or Escape).
    // It is modal, so no other command runs while the drawing goes on.
    QProgressDialog cancelDialog("Drawing the stress states ...", "&Cancel", 0,
                                 int(selection.symbolCount / step), this);
    cancelDialog.setWindowTitle("QL Viewer");
    cancelDialog.setWindowModality(Qt::ApplicationModal);
    cancelDialog.setMinimumDuration(kCancelDialogDelayMs);
    cancelDialog.setAutoClose(false);
    cancelDialog.setAutoReset(false);
    bool cancelled = false;
    std::int64_t lastRepaint = 0;
    const bool complete = drawSelectedStates(
        canvas, model, selection, settings.df, plotStyle,
        [&](std::int64_t position, std::int64_t maximum) {
            const int shown = int(position / step), shownMaximum = int(maximum / step);
            progressBar_->setMaximum(std::max(shownMaximum, 1));
            progressBar_->setValue(shown);
            emit drawProgress(shown, shownMaximum);
            // Let the bar repaint now and then.  User input waits for the end
            // until the dialog is up; then it goes to the dialog alone.
            if (position - lastRepaint >= kProgressRepaintEvery) {
                lastRepaint = position;
                cancelDialog.setValue(shown);
                QCoreApplication::processEvents(cancelDialog.isVisible() ? QEventLoop::AllEvents
                                                                         : QEventLoop::ExcludeUserInputEvents);
            }
            cancelled = cancelDialog.wasCanceled();
        },
        &cancelled);
    if (!complete) {
        // A cancelled drawing lacks the best-supported states (drawn last), so
        // it is not shown: the nets stay empty, as when the question is answered No.
        canvas.fillRect(QRect(0, 0, kCanvasWidth, kCanvasHeight), Qt::white);
        drawFrame(canvas, plotStyle);
        progressBar_->setValue(0);
    }
}

platform::PaintFn MainWindow::plotPainter() {
    const bool withStates = confirmLongDrawing();
    return [this, withStates](QPainter& p) { drawStressStatesAs(p, withStates); };
}

void MainWindow::draw() {
    if (plotBitmap.isNull()) return;
    plotBitmap.fill(Qt::white);
    {
        QPainter p(&plotBitmap);
        drawStressStates(p);
    }
    showCanvas();
}

// ---------------------------------------------------------------- exports

void MainWindow::exportImage() {
    platform::FileDialogRequest req;
    req.title = "Save Graphics";
    req.filter = "Enhanced metafile (*.emf)|*.emf|Jpeg file (*.jpg)|*.jpg|"
                 "PNG image (*.png)|*.png|SVG drawing (*.svg)|*.svg|PDF document (*.pdf)|*.pdf";
    req.defaultExt = ".emf";
    req.promptOverwrite = true;
    const auto path = port_.saveFile(this, req);
    if (!path) return;
    // Never over an input of the result (compared by file identity).
    if (const auto input = model.inputSameAs(path->toStdString())) {
        port_.message(this, "Cannot write the file " + *path + "\r\nIt is the input file " +
                                QString::fromStdString(*input) + "; nothing was written.");
        return;
    }
    const PictureFormat format = pictureFormatFor(*path);
    // A vector picture holds every symbol; a bitmap is the canvas as drawn.
    if (!isBitmapFormat(format)) {
        const Selection selection = selectStates(model, settings);
        if (selection.symbolCount > kMaxVectorSymbols) {
            port_.message(this, "Cannot write the file " + *path + "\r\nThe selection holds " +
                                    QString::number(selection.symbolCount) + " symbols, more than the " +
                                    QString::number(kMaxVectorSymbols) +
                                    " a vector picture is given; raise the enhance factor or write a .png, "
                                    ".bmp or .jpg picture.");
            return;
        }
    }
    // Vector pictures are drawn anew (the question of enhance factor 0 is
    // asked again); bitmaps are the canvas as last drawn.
    const platform::PaintFn paint = isBitmapFormat(format) ? platform::PaintFn{} : plotPainter();
    const PictureOutcome outcome = writePlotPicture(*path, format, plotBitmap, paint,
                                                    format == PictureFormat::Emf ? &plotMetafile : nullptr);
    if (!outcome.ok) port_.message(this, outcome.message);
}

void MainWindow::copyPlot() {
    const platform::PaintFn paint = plotPainter();
    auto mime = platform::paintMimeData(paint, kCanvasSize);
    plotMetafile = mime->data(platform::kEmfMimeType);
    QGuiApplication::clipboard()->setMimeData(mime.release());
}

void MainWindow::saveCoordinates(int kind) {
    const Selection selection = selectStates(model, settings);
    setStatus(0, QString::fromStdString(selection.status));
    if (selection.empty()) {
        port_.message(this, "No data loaded.");
        return;
    }
    const auto path = port_.saveFile(this, textFileRequest());
    if (!path) return;
    const SaveOutcome outcome =
        writeCoordinateFile(path->toStdString(), model, selection, kind);
    if (!outcome.ok) port_.message(this, QString::fromStdString(outcome.message));
}

}  // namespace quillon::viewer
