// TFormM5main, the viewer's main window: the two stress-state stereonets with
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
class QSlider;

namespace quillon::platform {
class UserPort;
}

namespace quillon::viewer {

class ColorStrip;
class PlotImage;
class TFormAbout;
class TFormColor;
class TFormFD;
class TForm_statwindow;
class TFormMohr;

// The windows the main window works with, created before it is first shown.
struct SecondaryWindows {
    TFormAbout* about = nullptr;
    TFormColor* color = nullptr;
    TFormFD* fd = nullptr;
    TForm_statwindow* stat = nullptr;
    TFormMohr* mohr = nullptr;
};

// Designation steps of the measurement tools; STEP0 is "no designation running".
enum TMeasurementStep { STEP0 = 0 };

class TFormM5main : public QMainWindow {
    Q_OBJECT
public:
    // `homeDir`: the program directory (grids, prevfiles.txt, manuals), with or
    // without a trailing separator.  `port` shows every message and dialog.
    TFormM5main(const QString& homeDir, platform::UserPort& port, QWidget* parent = nullptr);
    ~TFormM5main() override;

    void setSecondaryWindows(const SecondaryWindows& w);

    // ---- shared state ----
    QString HomeDir;                 // ends with '/'
    ResultModel Model;               // grid, votes, Sd, GPFile, DataFile, CGP_disp
    PlotSettings Settings;           // ef, df, stress-ratio bounds
    PlotStyle Style;                 // Colors, DrawTail, HeadSize
    QImage DSBmp;                    // the plot as last drawn (2000 x 1000)
    QByteArray DSMetafile;           // the plot as last drawn anew into a metafile (export, copy)
    QStringList PreviousFiles;       // recent result files, most recent first
    bool Termination = false;
    int MeasurementStep = STEP0;
    int StressDesignationRequestSender = 0;

    // ---- operations ----
    bool LoadResultFile(const QString& path);
    void AfterResultLoaded(bool resetHistogram);
    void LoadPreviousFiles();
    void UpdatePreviousFilesMenu();
    void UpdatePreviousFilesMenu(const QString& path);
    void DrawStressStates(QPainter& canvas);
    // With enhance factor 0 and more than one datum, asks before a drawing
    // that may take long; true to draw the states, false for the frame only.
    bool ConfirmLongDrawing();
    // The whole plot (`withStates`) or the nets and legends only.
    void DrawStressStatesAs(QPainter& canvas, bool withStates);
    // Asks ConfirmLongDrawing once and returns the drawing to repeat on every
    // target of an export or copy.
    platform::PaintFn PlotPainter();
    void ShowCursorDirection(int X, int Y);
    void SaveCoordinates(int kind);
    void Terminate();
    // Opens a result named on the command line, as File > Open does.
    void OpenFromCommandLine(const QString& path);

    // ---- handlers ----
    void ActionDrawExecute();
    void ActionOpenExecute();
    void ActionExitExecute();
    void ActionExpImageExecute();
    void MenuCopyClick();
    void ActionEnhanceExecute(int tag);
    void SubmenuEotherClick();
    void Button_EnhOKClick();
    void ButtonEnhCancelClick();
    void ActionDispersionExecute(int tag);
    void BitBtn_PhiClick();
    void ActionOpenHelpPDFExecute(bool japanese);
    void MenuVersionClick();
    void ProMode1Click();
    void MenuChangeColorsClick();
    void MenuDNClick();
    void MenuFDataClick();
    void MenuMohrWindowClick();
    void PreviousFileClick(int item);

    // ---- access for tests and other windows ----
    QString statusPanel(int i) const;
    QAction* enhanceItem(int tag) const { return enhanceItems_[size_t(tag)]; }
    QAction* enhanceOtherItem() const { return enhanceOther_; }
    QAction* dispersionItem(int tag) const { return dispersionItems_[size_t(tag)]; }
    QAction* recentItem(int i) const { return SubmenuFileName[size_t(i)]; }
    QMenu* fileMenu() const { return fileMenu_; }
    QSlider* trackBarSRup() const { return trackBarSRup_; }
    QSlider* trackBarSRlo() const { return trackBarSRlo_; }
    QSlider* trackBarE() const { return trackBarE_; }
    QSlider* trackBarD() const { return trackBarD_; }
    QFrame* enhancePanel() const { return panelEnh_; }
    QLineEdit* enhanceEdit() const { return editEnh_; }
    QPushButton* enhanceOkButton() const { return buttonEnhOK_; }
    QPushButton* enhanceCancelButton() const { return buttonEnhCancel_; }
    ColorStrip* colorStrip() const { return stringGridColors_; }
    PlotImage* imageDS() const { return imageDS_; }
    QProgressBar* progressBar() const { return progressBar_; }
    const SecondaryWindows& windows() const { return windows_; }
    QAction* action(const char* name) const;

signals:
    // Emitted after every change of the progress bar while drawing.
    void drawProgress(int position, int maximum);

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void FormCreate();
    void FormShow();
    void FormResize();
    void buildMenus();
    void buildTopPanel(QWidget* top);
    void buildStatusBar();
    void setStatus(int panel, const QString& text);
    void updateEfDfStatus();
    void TrackBarEChange(int value);
    void TrackBarSRupChange(int value);
    void TrackBarSRloChange(int value);
    void StringGridColorsMouseDown(int cell, Qt::MouseButton button);
    void showCanvas();
    void handleDroppedFiles(const QStringList& files);

    platform::UserPort& port_;
    SecondaryWindows windows_;
    bool shown_ = false;
    // prevfiles.txt has been read: only then may the end of the program
    // write the list back (an end before the reading would empty the file).
    bool previousFilesRead_ = false;

    QMenu* fileMenu_ = nullptr;
    std::array<QAction*, 17> SubmenuFileName{};   // 0: separator, 1..16: recent files
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
    PlotImage* imageDS_ = nullptr;
    ColorStrip* stringGridColors_ = nullptr;
    QSlider* trackBarSRup_ = nullptr;
    QSlider* trackBarSRlo_ = nullptr;
    QSlider* trackBarE_ = nullptr;
    QSlider* trackBarD_ = nullptr;
    QFrame* panelEnh_ = nullptr;
    QFrame* panelKeyboard_ = nullptr;
    QFrame* panelSR_ = nullptr;
    QLineEdit* editEnh_ = nullptr;
    QPushButton* buttonEnhOK_ = nullptr;
    QPushButton* buttonEnhCancel_ = nullptr;
    std::array<QLabel*, 6> panels_{};
    QProgressBar* progressBar_ = nullptr;
};

// True when the platform has Arial or a font metric-compatible with it that
// the system maps "Arial" to (Liberation Sans, Arimo).
bool ArialInstalled();

}  // namespace quillon::viewer
