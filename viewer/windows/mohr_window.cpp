#include "viewer/windows/mohr_window.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QShowEvent>

#include "viewer/model/data_listing.h"
#include "viewer/platform/user_port.h"
#include "viewer/plot/mohr_plot.h"
#include "viewer/windows/picture_view.h"
#include "viewer/windows/plot_export.h"

namespace quillon::viewer {

MohrWindow::MohrWindow(platform::UserPort& port, QWidget* parent) : QMainWindow(parent), port_(port) {
    setObjectName("MohrWindow");
    setWindowTitle("Mohr Diagram");
    QFont arial("Arial");
    arial.setPointSize(9);
    setFont(arial);
    view_ = new PictureView(QSize(kMohrWidth, kMohrHeight), this);
    view_->setObjectName("mohrDiagram");
    view_->setToolTip("Click right mouse button to save this picture");
    setCentralWidget(view_);
    popup_ = new QMenu(this);
    QAction* diagram = popup_->addAction("Save this &diagram");
    diagram->setObjectName("saveDiagramAction");
    connect(diagram, &QAction::triggered, this, &MohrWindow::saveDiagram);
    QAction* stresses = popup_->addAction("Save &normal and shear stresses");
    stresses->setObjectName("saveStressesAction");
    connect(stresses, &QAction::triggered, this, &MohrWindow::saveStresses);
    connect(view_, &PictureView::contextMenuRequestedAt, this, [this](const QPoint& at) { popup_->popup(at); });
    resize(600, 300);
    initializeMohrDiagram();
}

void MohrWindow::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    // Showing the window by itself starts from the bare diagram; a designation
    // draws its own diagram right after showing it.
    if (!drawingFromDesignation_ && !e->spontaneous()) initializeMohrDiagram();
}

void MohrWindow::drawMohrDiagram(float phi) {
    if (!data_ || data_->count == 0) return;
    drawingFromDesignation_ = true;
    show();
    drawingFromDesignation_ = false;
    phi_ = phi;
    view_->setPicture(recordPicture([this](QPainter& p) { quillon::viewer::drawMohrDiagram(p, *data_, phi_); }));
}

void MohrWindow::initializeMohrDiagram() {
    view_->setPicture(recordPicture([](QPainter& p) { drawMohrCircles(p, nullptr); }));
}

void MohrWindow::highlightSelectedData(int row) {
    if (!data_) return;
    view_->setOverlay(recordPicture([this, row](QPainter& p) { drawMohrHighlight(p, *data_, row); }));
}

void MohrWindow::wipeSelectedDatum() { view_->setOverlay(QPicture()); }

void MohrWindow::saveDiagram() {
    platform::FileDialogRequest req;
    req.filter = "Enhanced metafile (*.emf)|*.emf|PNG image (*.png)|*.png|SVG drawing (*.svg)|*.svg|"
                 "PDF document (*.pdf)|*.pdf";
    req.filterIndex = 1;
    req.defaultExt = "emf";
    req.promptOverwrite = true;
    const auto path = port_.saveFile(this, req);
    if (!path) return;
    const FaultDataSet empty;
    const FaultDataSet& data = data_ ? *data_ : empty;
    const float phi = phi_;
    const PictureOutcome out = writePicture(*path, pictureFormatFor(*path), QSize(kMohrWidth, kMohrHeight),
                                            [&](QPainter& p) { quillon::viewer::drawMohrDiagram(p, data, phi); });
    if (!out.ok) port_.message(this, out.message);
}

void MohrWindow::saveStresses() {
    const FaultDataSet empty;
    saveTextFile(port_, this, QString(), stressFileLines(data_ ? *data_ : empty));
}

}  // namespace quillon::viewer
