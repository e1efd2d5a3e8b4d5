// The colour window: the palette editor of View > "Change &Colors".
#pragma once

#include <QMainWindow>

namespace quillon::viewer {

// " Colors": the palette editor.
class PaletteWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit PaletteWindow(QWidget* parent = nullptr);
};

}  // namespace quillon::viewer
