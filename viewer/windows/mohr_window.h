// The Mohr Diagram window.
#pragma once

#include <QMainWindow>

namespace quillon::viewer {

// "Mohr Diagram".
class MohrWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MohrWindow(QWidget* parent = nullptr);
};

}  // namespace quillon::viewer
