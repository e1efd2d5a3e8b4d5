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
#include <QSlider>
#include <QUrl>

#include "viewer/model/coordinates.h"
#include "viewer/model/number_format.h"
#include "viewer/platform/clipboard.h"
#include "viewer/platform/user_port.h"
#include "viewer/windows/plot_export.h"
#include "viewer/windows/plot_widgets.h"
#include "viewer/windows/secondary_windows.h"

namespace quillon::viewer {

namespace {

// Recent-file captions show the file name only; '&' must not become an
// access key.
QString RecentCaption(const QString& path) {
    return QFileInfo(path).fileName().replace("&", "&&");
}

// How many drawn entries pass between two repaints of the progress bar.
constexpr int kProgressRepaintEvery = 1024;

}  // namespace

// ---------------------------------------------------------------- opening results

bool TFormM5main::LoadResultFile(const QString& path) {
    FaultDataSet scratch;
    FaultDataSet& data = windows_.fd ? windows_.fd->Data : scratch;
    const LoadOutcome outcome = Model.LoadResultFile(path.toStdString(), data);
    if (!outcome.ok) {
        port_.message(this, QString::fromStdString(outcome.message));
        if (outcome.terminate) Terminate();
        return false;
    }
    setWindowTitle(QString::fromStdString(Model.Caption()));
    UpdatePreviousFilesMenu(path);
    return true;
}

void TFormM5main::AfterResultLoaded(bool resetHistogram) {
    Model.ComputeVoteSd();
    setStatus(1, QString::fromStdString(Model.SdStatusText()));
    setStatus(0, QString::fromStdString(Model.CountsStatusText()));
    TFormFD* fd = windows_.fd;
    if (!fd) return;
    if (resetHistogram) fd->InitializeHistogram();
    fd->Data.StressHasBeenDesignated = false;
    fd->FillStringGridwithFaultData();
    fd->Data.Determine_NRS();
    if (fd->PlotMethod == TPlotMethod::SGC)
        fd->Draw_SGC(-1);
    else
        fd->Draw_TLD(-1);
    fd->Wipe_ImageSelectedFault();
}

void TFormM5main::ActionOpenExecute() {
    platform::FileDialogRequest req;
    req.title = "Load QLN file";
    req.filter = "QLN file (ver. 4)|*.ql4|QLN file( ver. 3)|*.ql3|QLN file (ver. 2)|*.ql|All|*.*";
    req.filterIndex = 1;
    const auto path = port_.openFile(this, req);
    if (!path) return;
    if (LoadResultFile(*path)) AfterResultLoaded(true);
}

void TFormM5main::OpenFromCommandLine(const QString& path) {
    if (LoadResultFile(QFileInfo(path).absoluteFilePath())) AfterResultLoaded(true);
}

void TFormM5main::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void TFormM5main::dropEvent(QDropEvent* e) {
    QStringList files;
    for (const QUrl& url : e->mimeData()->urls())
        if (url.isLocalFile()) files << url.toLocalFile();
    e->acceptProposedAction();
    handleDroppedFiles(files);
}

void TFormM5main::handleDroppedFiles(const QStringList& files) {
    if (files.size() > 1) {
        port_.message(this, "Plural files were dropped.\r\nThis application accept only one file at a time.");
        return;
    }
    if (files.size() == 1 && LoadResultFile(QFileInfo(files.first()).absoluteFilePath()))
        AfterResultLoaded(false);
}

void TFormM5main::LoadPreviousFiles() {
    PreviousFiles.clear();
    previousFilesRead_ = true;
    QFile f(HomeDir + "prevfiles.txt");
    if (f.exists() && f.open(QIODevice::ReadOnly)) {
        const QString text = QString::fromUtf8(f.readAll());
        QStringList lines = text.split('\n');
        for (QString& l : lines)
            if (l.endsWith('\r')) l.chop(1);
        if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();   // after the last line end
        const int empty = int(lines.indexOf(QString()));
        if (empty >= 0) lines.removeAt(empty);
        for (const QString& l : lines)
            if (!l.isEmpty() && QFileInfo::exists(l)) PreviousFiles << l;
    }
    UpdatePreviousFilesMenu();
}

void TFormM5main::UpdatePreviousFilesMenu() {
    if (PreviousFiles.isEmpty()) return;
    fileMenu_->addAction(SubmenuFileName[0]);
    const int n = std::min<int>(int(PreviousFiles.size()), 15);
    for (int i = 0; i < n; ++i) {
        if (!QFileInfo::exists(PreviousFiles[i])) continue;
        QAction* item = SubmenuFileName[size_t(i + 1)];
        item->setText(RecentCaption(PreviousFiles[i]));
        item->setEnabled(true);
        fileMenu_->addAction(item);
    }
}

void TFormM5main::UpdatePreviousFilesMenu(const QString& path) {
    const int n = std::min<int>(int(PreviousFiles.size()) - 1, 14);
    int m;
    if (PreviousFiles.contains(path)) {
        PreviousFiles.removeAll(path);
        m = n;
    } else {
        m = n + 1;
    }
    PreviousFiles.insert(0, path);
    for (int i = 0; i <= m && i < int(PreviousFiles.size()); ++i)
        SubmenuFileName[size_t(i + 1)]->setText(RecentCaption(PreviousFiles[i]));
}

void TFormM5main::PreviousFileClick(int item) {
    // Item k stands for entry k - 1.  Going by the item rather than by its
    // caption keeps two recent files of the same name in different folders
    // apart.
    if (item < 1 || item > int(PreviousFiles.size())) return;
    const QString path = PreviousFiles[item - 1];
    if (LoadResultFile(path)) AfterResultLoaded(false);
}

// ---------------------------------------------------------------- plot controls

void TFormM5main::ActionEnhanceExecute(int tag) {
    QAction* item = enhanceItems_[size_t(tag)];
    item->setChecked(true);
    item->setVisible(true);
    trackBarE_->setValue(tag);
    Settings.ef = tag;
    updateEfDfStatus();
}

void TFormM5main::TrackBarEChange(int value) {
    Settings.ef = value;
    const FaultDataSet* data = windows_.fd ? &windows_.fd->Data : nullptr;
    if (data && data->NF != 0) setStatus(0, QString::fromStdString(Model.CountsStatusText()));
}

void TFormM5main::SubmenuEotherClick() {
    panelEnh_->show();
    panelEnh_->raise();
    editEnh_->setFocus();
}

void TFormM5main::Button_EnhOKClick() {
    const QString text = editEnh_->text().trimmed();
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < 0 || v > 99) {
        port_.message(this, "Invalid number '" + text + "'");
        editEnh_->clear();
        editEnh_->setFocus();
        return;
    }
    if (v <= 15) {
        ActionEnhanceExecute(v);
    } else {
        enhanceOther_->setChecked(true);
        trackBarE_->setValue(v);
        Settings.ef = v;
    }
    panelEnh_->hide();
    updateEfDfStatus();
}

void TFormM5main::ButtonEnhCancelClick() { panelEnh_->hide(); }

void TFormM5main::ActionDispersionExecute(int tag) {
    dispersionItems_[size_t(tag)]->setChecked(true);
    trackBarD_->setValue(tag);
    Settings.df = tag;
    updateEfDfStatus();
}

void TFormM5main::TrackBarSRupChange(int value) {
    Settings.srUp = value;
    if (value < trackBarSRlo_->value()) trackBarSRlo_->setValue(value);
}

void TFormM5main::TrackBarSRloChange(int value) {
    Settings.srLo = value;
    if (value > trackBarSRup_->value()) trackBarSRup_->setValue(value);
}

void TFormM5main::BitBtn_PhiClick() {
    trackBarSRup_->setValue(trackBarSRup_->maximum());
    trackBarSRlo_->setValue(0);
}

void TFormM5main::StringGridColorsMouseDown(int cell, Qt::MouseButton button) {
    if (MeasurementStep == STEP0) {
        trackBarSRup_->setValue(cell);
        trackBarSRlo_->setValue(cell);
    }
    if (button == Qt::RightButton) ActionDrawExecute();
}

void TFormM5main::ShowCursorDirection(int X, int Y) {
    const TPoint canvas = ScreenToCanvas(X, Y, imageDS_->height());
    const AxisOnNet a = PointToAxis(canvas);
    setStatus(2, QString::fromStdString(FormatFixed(a.direction.az, 5, 1) + " / " +
                                        FormatFixed(a.direction.pl, 5, 1)));
    setStatus(4, X < imageDS_->width() / 2 ? "sigma1" : "sigma3");
}

// ---------------------------------------------------------------- drawing

bool TFormM5main::ConfirmLongDrawing() {
    const int nf = windows_.fd ? windows_.fd->Data.NF : 0;
    if (Settings.ef != 0 || nf <= 1) return true;
    return port_.confirm(this, "It may take a long time.\r\nDo you realy want to do?");
}

void TFormM5main::DrawStressStates(QPainter& canvas) { DrawStressStatesAs(canvas, ConfirmLongDrawing()); }

void TFormM5main::DrawStressStatesAs(QPainter& canvas, bool withStates) {
    if (!withStates) {
        DrawFrame(canvas, Style);
        return;
    }
    const Selection selection = SelectStates(Model, Settings);
    setStatus(0, QString::fromStdString(selection.status));
    int lastRepaint = 0;
    DrawSelectedStates(canvas, Model, selection, Settings.df, Style, [&](int position, int maximum) {
        progressBar_->setMaximum(std::max(maximum, 1));
        progressBar_->setValue(position);
        emit drawProgress(position, maximum);
        // Let the bar repaint now and then; user input waits for the end.
        if (position - lastRepaint >= kProgressRepaintEvery) {
            lastRepaint = position;
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        }
    });
}

platform::PaintFn TFormM5main::PlotPainter() {
    const bool withStates = ConfirmLongDrawing();
    return [this, withStates](QPainter& p) { DrawStressStatesAs(p, withStates); };
}

void TFormM5main::ActionDrawExecute() {
    if (DSBmp.isNull()) return;
    DSBmp.fill(Qt::white);
    {
        QPainter p(&DSBmp);
        DrawStressStates(p);
    }
    showCanvas();
}

// ---------------------------------------------------------------- exports

void TFormM5main::ActionExpImageExecute() {
    platform::FileDialogRequest req;
    req.title = "Save Graphics";
    req.filter = "Enhanced metafile (*.emf)|*.emf|Jpeg file (*.jpg)|*.jpg|"
                 "PNG image (*.png)|*.png|SVG drawing (*.svg)|*.svg|PDF document (*.pdf)|*.pdf";
    req.defaultExt = ".emf";
    req.promptOverwrite = true;
    const auto path = port_.saveFile(this, req);
    if (!path) return;
    const PictureFormat format = PictureFormatFor(*path);
    // Vector pictures are drawn anew (the question of enhance factor 0 is
    // asked again); bitmaps are the canvas as last drawn.
    const platform::PaintFn paint = IsBitmapFormat(format) ? platform::PaintFn{} : PlotPainter();
    const PictureOutcome outcome = WritePlotPicture(*path, format, DSBmp, paint,
                                                    format == PictureFormat::Emf ? &DSMetafile : nullptr);
    if (!outcome.ok) port_.message(this, outcome.message);
}

void TFormM5main::MenuCopyClick() {
    const platform::PaintFn paint = PlotPainter();
    auto mime = platform::paintMimeData(paint, kCanvasSize);
    DSMetafile = mime->data(platform::kEmfMimeType);
    QGuiApplication::clipboard()->setMimeData(mime.release());
}

void TFormM5main::SaveCoordinates(int kind) {
    const Selection selection = SelectStates(Model, Settings);
    setStatus(0, QString::fromStdString(selection.status));
    if (selection.entries.empty()) {
        port_.message(this, "No data loaded.");
        return;
    }
    platform::FileDialogRequest req;
    req.filter = "Text files (*.txt)|*.txt";
    req.filterIndex = 1;
    req.defaultExt = "txt";
    req.promptOverwrite = true;
    const auto path = port_.saveFile(this, req);
    if (!path) return;
    const SaveOutcome outcome =
        WriteCoordinateFile(path->toStdString(), CoordinateLines(Model, selection, kind));
    if (!outcome.ok) port_.message(this, QString::fromStdString(outcome.message));
}

}  // namespace quillon::viewer
