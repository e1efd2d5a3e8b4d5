// The Result of Measurement window: texts of the angular stress distance and
// of the global average and spread.
#pragma once

#include <QMainWindow>

class QPlainTextEdit;

namespace quillon::viewer {

// "Result of Measurement".
class MeasurementWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MeasurementWindow(QWidget* parent = nullptr);
    QPlainTextEdit* textView = nullptr;
};

}  // namespace quillon::viewer
