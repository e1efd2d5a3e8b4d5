// The colour window of View > "Change &Colors": the palette in use ("Old")
// beside a working copy ("New"), each as a colour column and a red / green /
// blue table; a click on the New column picks a colour for that class, the
// working copy is saved to and loaded from palette files, and "&OK" hands it
// to the main window.
#pragma once

#include <QColor>
#include <QMainWindow>
#include <QString>
#include <functional>
#include <optional>

#include "viewer/plot/stress_plot.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace quillon::platform {
class UserPort;
}

namespace quillon::viewer {

// " Colors": the palette editor.  Modeless; shown and hidden, never created
// again.
class PaletteWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit PaletteWindow(platform::UserPort& port, QWidget* parent = nullptr);

    // Where the palette in use is read each time the window is shown.
    void setPaletteSource(std::function<ColorTable()> source);
    // The start folder of the save and load dialogs (the program directory).
    void setStartFolder(const QString& folder);

    // The palette in use when the window was last shown, and the working copy.
    const ColorTable& oldColors() const { return oldColors_; }
    const ColorTable& newColors() const { return newColors_; }

    // ---- handlers ----
    // "&OK": emits paletteAccepted with the working copy, then hides the window.
    void acceptColors();
    // "&Cancel": hides the window; the palette in use is unchanged.
    void cancelColors();
    // "&Save Palette": the working copy to a file chosen in the save dialog,
    // whole or not at all, under the chosen name with the extension ".pal".
    void savePalette();
    // "&Load Palette": the working copy from a file chosen in the open dialog;
    // a file that cannot be read leaves the working copy as it was.
    void loadPalette();
    // A mouse release at `pos` (coordinates of the New column's viewport): the
    // colour dialog for the class of the cell under it.
    void pickColorAt(const QPoint& pos);

    // ---- access for tests ----
    // Text of a cell of the Old or New red / green / blue table (row 0 is the
    // header "Red", "Green", "Blue"; row k + 1 belongs to class k).
    QString rgbText(bool newTable, int row, int column) const;
    QTableWidget* oldRgbTable() const { return oldRgbTable_; }
    QTableWidget* newRgbTable() const { return newRgbTable_; }
    QTableWidget* oldColumn() const { return oldColumn_; }
    QTableWidget* newColumn() const { return newColumn_; }
    QPushButton* loadButton() const { return loadButton_; }
    QPushButton* saveButton() const { return saveButton_; }
    QPushButton* okButton() const { return okButton_; }
    QPushButton* cancelButton() const { return cancelButton_; }
    // The colour the dialog opens with: the last one picked (black at first).
    QColor lastPickedColor() const { return lastPicked_; }

signals:
    // "&OK" was pressed: `colors` is the new palette of the stress-ratio classes.
    void paletteAccepted(const quillon::viewer::ColorTable& colors);

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void buildWindow();
    void refreshNew();
    void refreshOld();

    platform::UserPort& port_;
    std::function<ColorTable()> source_;
    QString startFolder_;
    ColorTable oldColors_ = defaultColors();
    ColorTable newColors_ = defaultColors();
    QColor lastPicked_ = Qt::black;
    bool centred_ = false;

    QTableWidget* oldRgbTable_ = nullptr;
    QTableWidget* newRgbTable_ = nullptr;
    QTableWidget* oldColumn_ = nullptr;
    QTableWidget* newColumn_ = nullptr;
    QPushButton* loadButton_ = nullptr;
    QPushButton* saveButton_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

// The remembered palette: the last palette taken with "&OK", kept in the
// program directory beside prevfiles.txt (kRememberedPaletteName).
//
// Reads it: nothing when there is none; nothing, after telling the user
// through `port` (the file, the line and that the default colours are used),
// when it cannot be read as a palette.
std::optional<ColorTable> readRememberedPalette(const QString& programDir, platform::UserPort& port,
                                                QWidget* parent);
// Writes it whole or not at all; false with `error` set when it cannot be written.
bool writeRememberedPalette(const QString& programDir, const ColorTable& colors, QString* error);

}  // namespace quillon::viewer
