// MainWindow, the viewer's main window: the two stress-state stereonets with
// their controls, the menus, the status bar, opening results (dialog, dropped
// file, recent files), the picture and coordinate exports, and the end of the
// program.  State shared with the other windows lives in public fields.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QMainWindow>
#include <QStringList>
#include <array>

#include "viewer/model/plot_selection.h"
#include "viewer/model/result_model.h"
#include "viewer/platform/emf_writer.h"
#include "viewer/plot/stress_plot.h"

class QAction;
class QActionGroup;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSlider;

namespace quillon::platform {
class UserPort;
}

namespace quillon::viewer {

class ColorStrip;
class PlotImage;
class AboutBox;
class PaletteWindow;
class FaultDataWindow;
class MeasurementWindow;
class MohrWindow;
class SolutionsWindow;

// The windows the main window works with, created before it is first shown.
struct SecondaryWindows {
    AboutBox* about = nullptr;
    PaletteWindow* palette = nullptr;
    FaultDataWindow* dataWindow = nullptr;
    MeasurementWindow* measurement = nullptr;
    MohrWindow* mohr = nullptr;
};

// Where a stress designation stands: nothing running; the first axis, the
// second axis (on the arc perpendicular to the first) and the stress ratio of
// the state; the same three for the second state of a distance measurement;
// the first axis being typed on the keyboard panel.
enum class DesignationStep {
    Idle,
    FirstAxis,
    SecondAxis,
    StressRatio,
    SecondStateFirstAxis,
    SecondStateSecondAxis,
    SecondStateStressRatio,
    KeyboardAxis,
};
// What the designated state is for.
enum class DesignationPurpose { None, Misfits, Distance };

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // `programDir`: the program directory (grids, prevfiles.txt, manuals), with or
    // without a trailing separator.  `port` shows every message and dialog.
    MainWindow(const QString& programDir, platform::UserPort& port, QWidget* parent = nullptr);
    ~MainWindow() override;

    void setSecondaryWindows(const SecondaryWindows& w);

    // ---- shared state ----
    QString homeDir;                 // ends with '/'
    ResultModel model;               // grid, votes, Sd, gridFile, resultPath, showGridFileName
    PlotSettings settings;           // ef, df, stress-ratio bounds
    PlotStyle plotStyle;                 // Colors, DrawTail, HeadSize
    QImage plotBitmap;                    // the plot as last drawn (2000 x 1000)
    QByteArray plotMetafile;           // the plot as last drawn anew into a metafile (export, copy)
    QStringList recentFiles;       // recent result files, most recent first
    bool programEnded = false;
    DesignationStep designationStep = DesignationStep::Idle;
    DesignationPurpose designationPurpose = DesignationPurpose::None;
    // The second state of a distance measurement (the first is model.designatedStress).
    StressState designatedStress2 = undefinedStressState();

    // ---- operations ----
    bool loadResultFile(const QString& path);
    void afterResultLoaded(bool resetHistogram);
    void loadRecentFiles();
    void updateRecentFilesMenu();
    void updateRecentFilesMenu(const QString& path);
    void drawStressStates(QPainter& canvas);
    // With enhance factor 0 and more than one datum, asks before a drawing
    // that may take long; true to draw the states, false for the frame only.
    bool confirmLongDrawing();
    // The whole plot (`withStates`) or the nets and legends only.
    void drawStressStatesAs(QPainter& canvas, bool withStates);
    // Asks confirmLongDrawing once and returns the drawing to repeat on every
    // target of an export or copy.
    platform::PaintFn plotPainter();
    void showCursorDirection(int X, int Y);
    // Takes `colors` as the palette of the stress-ratio classes: the colour
    // strip repaints now, the stereonets at their next drawing.
    void applyPalette(const ColorTable& colors);

    // ---- stress designation (misfit measurement and angular stress distance) ----
    void startMisfitDesignationByMouse();
    void startMisfitDesignationByKeyboard();
    void startAngularDistance();
    // Mouse on the image of the nets, in the image's own pixels.
    void plotMouseMoved(int X, int Y);
    void plotMouseReleased(int X, int Y);
    void plotDoubleClicked(int X, int Y);
    void colorStripReleased(int cell);
    // "OK" of the stress-ratio panel.
    void acceptPhiField();
    // "Confirm Parameters" of the keyboard panel.
    void confirmKeyboardAxis();
    void previewKeyboardAxis();
    // Escape: ends a running designation and removes its preview marks.
    void cancelDesignation();
    // Designates a whole state for the misfit measurement, as a completed
    // mouse designation would; refuses (with a message) axes that are not
    // perpendicular within 1 degree and values out of range.
    bool designateStressState(const StressState& state);
    void showStressDialog();
    void showGlobalAverage();
    // Measurement > "Stress &Solutions ...": the clusters of the votes, each
    // refined off the grid; picking one designates it and marks it on the nets.
    void showStressSolutions();
    SolutionsWindow* solutionsWindow() const { return solutionsWindow_; }
    // The 181 canvas points of the arc of directions perpendicular to `pole`,
    // on the net other than `net`.
    static std::array<CanvasPoint, 181> arcPoints(const Direction& pole, int net,
                                                  std::array<Direction, 181>* directions = nullptr);
    QFrame* keyboardPanel() const { return keyboardPanel_; }
    QFrame* stressRatioPanel() const { return stressRatioPanel_; }
    QLineEdit* azimuthEdit() const { return azEdit_; }
    QLineEdit* plungeEdit() const { return plEdit_; }
    QLineEdit* phiEdit() const { return phiEdit_; }
    QRadioButton* sigma3Radio() const { return sigma3Radio_; }
    // The image of the nets as shown, preview marks included.
    const QImage& shownImage() const { return shownImage_; }
    void saveCoordinates(int kind);
    void endProgram();
    // Opens a result named on the command line, as File > Open does.
    void openFromCommandLine(const QString& path);

    // ---- handlers ----
    void draw();
    void openResult();
    void exitProgram();
    void exportImage();
    void copyPlot();
    void setEnhanceFactor(int tag);
    void showEnhanceFactorPanel();
    void acceptEnhanceFactorPanel();
    void cancelEnhanceFactorPanel();
    void setDispersionFactor(int tag);
    void resetStressRatioBounds();
    void openManual(bool japanese);
    void showAboutBox();
    void enterProMode();
    void showPaletteWindow();
    void bringMainWindowForward();
    void bringDataWindowForward();
    void bringMohrWindowForward();
    void openRecentFile(int item);

    // ---- access for tests and other windows ----
    QString statusPanel(int i) const;
    QAction* enhanceItem(int tag) const { return enhanceItems_[size_t(tag)]; }
    QAction* enhanceOtherItem() const { return enhanceOther_; }
    QAction* dispersionItem(int tag) const { return dispersionItems_[size_t(tag)]; }
    QAction* recentItem(int i) const { return recentFileActions[size_t(i)]; }
    QMenu* fileMenu() const { return fileMenu_; }
    QSlider* upperBoundSlider() const { return upperBoundSlider_; }
    QSlider* lowerBoundSlider() const { return lowerBoundSlider_; }
    QSlider* enhanceSlider() const { return enhanceSlider_; }
    QSlider* dispersionSlider() const { return dispersionSlider_; }
    QFrame* enhancePanel() const { return enhancePanel_; }
    QLineEdit* enhanceEdit() const { return enhanceEdit_; }
    QPushButton* enhanceOkButton() const { return enhanceOkButton_; }
    QPushButton* enhanceCancelButton() const { return enhanceCancelButton_; }
    ColorStrip* colorStrip() const { return colorStrip_; }
    PlotImage* plotImage() const { return plotImage_; }
    QProgressBar* progressBar() const { return progressBar_; }
    const SecondaryWindows& windows() const { return windows_; }
    QAction* action(const char* name) const;

signals:
    // Emitted after every change of the progress bar while drawing.
    void drawProgress(int position, int maximum);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void buildWindow();
    void initializeOnFirstShow();
    void fitPlotToPanel();
    void buildMenus();
    void buildTopPanel(QWidget* top);
    void buildStatusBar();
    void setStatus(int panel, const QString& text);
    void updateEfDfStatus();
    void enhanceSliderChanged(int value);
    void upperBoundChanged(int value);
    void lowerBoundChanged(int value);
    void colorStripPressed(int cell, Qt::MouseButton button);
    void showCanvas();
    void buildDesignationPanels(QWidget* top);
    void beginDesignation(DesignationPurpose purpose, DesignationStep step);
    void finishDesignation();
    void trackFirstAxis(CanvasPoint at);
    // The arc point nearest `at`: its index.
    int trackSecondAxis(CanvasPoint at);
    void giveStressRatio(float phi);
    // Inverting-pen marks on the shown image: drawing one twice restores it.
    void drawMarkerCircle(const QColor& color);
    void drawMarkerArc(const QColor& color);
    void setMarkerCircle(CanvasPoint centre);
    void moveCircleAndArc(CanvasPoint centre, const Direction& pole, int net, const QColor& color);
    StressState& stateBeingDesignated();
    void handleDroppedFiles(const QStringList& files);

    platform::UserPort& port_;
    SecondaryWindows windows_;
    bool shown_ = false;
    // prevfiles.txt has been read: only then may the end of the program
    // write the list back (an end before the reading would empty the file).
    bool previousFilesRead_ = false;

    QMenu* fileMenu_ = nullptr;
    std::array<QAction*, 17> recentFileActions{};   // 0: separator, 1..16: recent files
    std::array<QAction*, 16> enhanceItems_{};
    QAction* enhanceOther_ = nullptr;
    std::array<QAction*, 4> dispersionItems_{};
    QAction* headAndTail_ = nullptr;
    QAction* headOnly_ = nullptr;
    QAction* largeHead_ = nullptr;
    QAction* smallHead_ = nullptr;
    QAction* tinyHead_ = nullptr;
    QAction* proMode_ = nullptr;

    QWidget* plotPanel_ = nullptr;
    QWidget* imageHolder_ = nullptr;
    PlotImage* plotImage_ = nullptr;
    ColorStrip* colorStrip_ = nullptr;
    QSlider* upperBoundSlider_ = nullptr;
    QSlider* lowerBoundSlider_ = nullptr;
    QSlider* enhanceSlider_ = nullptr;
    QSlider* dispersionSlider_ = nullptr;
    QFrame* enhancePanel_ = nullptr;
    QFrame* keyboardPanel_ = nullptr;
    QFrame* stressRatioPanel_ = nullptr;
    QLineEdit* enhanceEdit_ = nullptr;
    QPushButton* enhanceOkButton_ = nullptr;
    QPushButton* enhanceCancelButton_ = nullptr;
    std::array<QLabel*, 6> statusPanels_{};
    QProgressBar* progressBar_ = nullptr;

    // Designation: the shown image with its marks, the marker circle's box and
    // the arc (with the directions its points stand for), whether each is on
    // the image now.
    SolutionsWindow* solutionsWindow_ = nullptr;
    QImage shownImage_;
    QRect markerCircle_;
    bool circleShown_ = false;
    std::array<CanvasPoint, 181> markerArc_{};
    std::array<Direction, 181> arcDirections_{};
    bool arcShown_ = false;
    QLineEdit* azEdit_ = nullptr;
    QLineEdit* plEdit_ = nullptr;
    QLineEdit* phiEdit_ = nullptr;
    QRadioButton* sigma1Radio_ = nullptr;
    QRadioButton* sigma3Radio_ = nullptr;
};

// True when the platform has Arial or a font metric-compatible with it that
// the system maps "Arial" to (Liberation Sans, Arimo).
bool arialInstalled();

}  // namespace quillon::viewer
