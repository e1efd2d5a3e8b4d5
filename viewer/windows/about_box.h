// The About box of Help > "&Version".
#pragma once

#include <QDialog>

namespace quillon::viewer {

// Help > "&Version": caption "QL Visualizer", logo, banner, name, version and
// credits; "OK" hides it.
class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);
};

}  // namespace quillon::viewer
