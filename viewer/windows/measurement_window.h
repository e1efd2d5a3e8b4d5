// The Result of Measurement window: the texts of the angular stress distance
// and of the global average and spread.  Its text can be selected and copied;
// "&Close Window" empties and hides it.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QPlainTextEdit;
class QPushButton;

namespace quillon::viewer {

class MeasurementWindow : public QDialog {
    Q_OBJECT
public:
    explicit MeasurementWindow(QWidget* parent = nullptr);

    // Shows the distance text (window 281 high, text panel 190).
    void showThetaDistance(const std::vector<std::string>& lines);
    // Sets the statistics text (window 301 high, text panel 240); the caller shows the window.
    void showStatistics(const std::vector<std::string>& lines);
    void closeWindow();

    QString text() const;
    QPlainTextEdit* textView = nullptr;
    QPushButton* closeButton = nullptr;

private:
    void setLines(const std::vector<std::string>& lines, int windowHeight, int textHeight);
};

}  // namespace quillon::viewer
