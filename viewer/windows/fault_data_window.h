// The Fault-Slip Data window (" Fault-Slip Data"): the data set behind the
// loaded result and how well it fits the designated stress.  It holds the
// viewer's data set for the whole run, lists the data with their misfits,
// draws the data stereonet with the selected datum on a transparent overlay,
// shows the misfit histogram, and exports the stereonet, the histogram and the
// misfits.  Closing it ends the viewer.
#pragma once

#include <QColor>
#include <QMainWindow>
#include <QPicture>
#include <array>
#include <functional>
#include <optional>
#include <vector>

#include "viewer/model/data_listing.h"
#include "viewer/model/fault_data.h"
#include "viewer/model/result_model.h"
#include "viewer/plot/fault_plot.h"

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QTableWidget;

namespace quillon::platform {
class UserPort;
}

namespace quillon::viewer {

class MohrWindow;
class PictureView;

// One bar of the misfit histogram.
struct HistogramBar {
    int value = 0;
    QColor color;
    QString mark;   // the text above the bar
};
inline constexpr QSize kHistogramPictureSize(1000, 360);
// The histogram: title, bars with their marks, and the fixed angle labels.
void drawHistogram(QPainter& p, const std::array<HistogramBar, kHistogramBars>& bars);

class FaultDataWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit FaultDataWindow(platform::UserPort& port, QWidget* parent = nullptr);

    FaultDataSet dataSet;
    PlotMethod plotMethod = PlotMethod::GreatCircle;
    NetProjection projection = NetProjection::EqualAngle;
    // Run when the window is closed by the user: closing it ends the program.
    std::function<void()> onCloseRequested;
    // The main window's designated stress, read whenever the plot is redrawn
    // with a designated stress.
    std::function<StressState()> designatedStress;
    // Brings the main window forward (pop-up menu "Show Main &Window").
    std::function<void()> onShowMainWindow;

    void setMohrWindow(MohrWindow* mohr) { mohr_ = mohr; }

    void initializeHistogram();
    // Grid rows from the data set; every misfit set to 180 and its cell emptied.
    void fillDataGrid();
    // Misfits, model-plane slips, histogram, Mohr diagram and stereonet for
    // the designated stress (sigma1 axis, sigma3 axis, Phi).
    void theoreticalSlipDirections(const Direction& sigma1, const Direction& sigma3, float phi);
    // -1: the whole plot into the stereonet image; a row: that datum alone on the overlay.
    void drawGreatCirclePlot(int selected);
    void drawTangentLineationPlot(int selected);
    void redrawPlot();
    void clearSelectedDatum();
    void setPlotMethod(PlotMethod method);
    void setProjection(NetProjection projection);
    // Makes the hidden "&Projection" menu visible (pro mode).
    void revealProjectionMenu();
    // Selects a data row as a click on it would (draws it on the overlay and
    // marks it in the Mohr diagram).
    void selectRow(int row);
    void switchOffHighlighting();
    void exportStereonet();
    void exportHistogram();
    void exportMisfits();
    void releaseData();

    // ---- state for other windows and tests ----
    const std::vector<bool>& zeroShear() const { return zeroShear_; }
    QStringList misfitCells() const;
    const std::array<HistogramBar, kHistogramBars>& histogram() const { return bars_; }
    QString selectedDatumLabel() const;
    QTableWidget* grid() const { return grid_; }
    PictureView* stereonet() const { return stereonet_; }
    PictureView* histogramView() const { return histogramView_; }
    QMenu* popupMenu() const { return popup_; }
    QAction* action(const char* name) const;
    QString directionReadout() const;
    // The stereonet picture recorded afresh for an export (overlay excluded).
    QPicture stereonetPicture() const;

protected:
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    DataNetScene scene() const;
    void showPopup(const QPoint& globalPos);
    void paintMisfitCell(int row);
    void refreshHistogramView();
    void updateReadout(int x, int y);
    void layoutPanels();
    void gridPressed(int row, int column, Qt::MouseButton button);
    bool eventFilter(QObject* watched, QEvent* e) override;

    platform::UserPort& port_;
    MohrWindow* mohr_ = nullptr;
    std::vector<bool> zeroShear_;
    std::vector<FaultDatum> modelPlanes_;
    std::array<HistogramBar, kHistogramBars> bars_{};
    int lastSelectedRow_ = 0;
    bool shown_ = false;
    int modelGridWidth_ = kDataNetSize;

    QWidget* netPanel_ = nullptr;
    PictureView* stereonet_ = nullptr;
    QLabel* azLabel_ = nullptr;
    QLabel* plLabel_ = nullptr;
    QWidget* gridPanel_ = nullptr;
    QLabel* selectedLabel_ = nullptr;
    QPushButton* switchOffButton_ = nullptr;
    QTableWidget* grid_ = nullptr;
    QWidget* histogramPanel_ = nullptr;
    PictureView* histogramView_ = nullptr;
    QMenu* popup_ = nullptr;
    QMenu* projectionMenu_ = nullptr;
};

}  // namespace quillon::viewer
