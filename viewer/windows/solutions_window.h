// The "Stress Solutions" window: the clusters of the loaded result's votes, each refined
// off the grid with its bootstrap limits, as a table.  The computation runs on a worker
// thread with a progress bar and a Cancel button, so the window stays responsive; picking
// a row emits the refined stress of that cluster.
#pragma once

#include <QWidget>
#include <atomic>
#include <memory>
#include <vector>

#include "viewer/analysis/stress_solutions.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QThread;

namespace quillon::viewer {

class SolutionsWindow : public QWidget {
    Q_OBJECT

public:
    explicit SolutionsWindow(QWidget* parent = nullptr);
    ~SolutionsWindow() override;

    // Takes copies of the result and its data for the next computation; the table is
    // emptied (a running computation is cancelled first).
    void setResult(const ResultModel& model, const FaultDataSet& data);
    void setOptions(const SolutionOptions& options);

    const std::vector<StressSolution>& solutions() const { return solutions_; }
    bool isComputing() const { return worker_ != nullptr; }
    // The text under the table: what was computed, or why nothing was.
    QString statusText() const;
    QTableWidget* table() const { return table_; }

public slots:
    // Starts the computation (nothing happens while one runs).
    void compute();
    void cancel();

signals:
    void solutionChosen(const StressState& stress);
    // After every computation: true with a table, false when cancelled or failed.
    void computationFinished(bool ok);

private:
    void finish(const SolutionsOutcome& outcome);
    void fillTable();
    void rowSelected();
    void stopWorker();

    QTableWidget* table_ = nullptr;
    QPushButton* computeButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* status_ = nullptr;

    std::shared_ptr<const ResultModel> model_;
    std::shared_ptr<const FaultDataSet> data_;
    SolutionOptions options_;
    std::vector<StressSolution> solutions_;
    QThread* worker_ = nullptr;
    std::shared_ptr<std::atomic<bool>> cancelRequested_;
};

}  // namespace quillon::viewer
