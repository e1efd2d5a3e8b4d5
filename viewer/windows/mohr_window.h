// The Mohr Diagram window ("Mohr Diagram"): every datum by the normal and
// shear stress on its plane under the designated stress, inside the three Mohr
// circles of that stress; the selected datum on a transparent overlay.  Hidden
// at start; the first designation shows it.
#pragma once

#include <QMainWindow>

#include "viewer/model/fault_data.h"

class QMenu;

namespace quillon::platform {
class UserPort;
}

namespace quillon::viewer {

class PictureView;

class MohrWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MohrWindow(platform::UserPort& port, QWidget* parent = nullptr);

    // The data set the diagram shows (the data window's).
    void setDataSet(const FaultDataSet* data) { data_ = data; }
    float phi() const { return phi_; }

    // With data: shows the window and draws the circles for `phi` and the data.
    void drawMohrDiagram(float phi);
    // The axis and the outer circle only.
    void initializeMohrDiagram();
    // Marks datum `row` on the overlay, replacing an earlier mark.
    void highlightSelectedData(int row);
    void wipeSelectedDatum();
    void saveDiagram();
    void saveStresses();

    PictureView* view() const { return view_; }
    QMenu* popupMenu() const { return popup_; }

protected:
    void showEvent(QShowEvent* e) override;

private:
    platform::UserPort& port_;
    const FaultDataSet* data_ = nullptr;
    float phi_ = 0.0f;
    PictureView* view_ = nullptr;
    QMenu* popup_ = nullptr;
    bool drawingFromDesignation_ = false;
};

}  // namespace quillon::viewer
