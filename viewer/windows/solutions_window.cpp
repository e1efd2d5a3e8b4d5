#include "viewer/windows/solutions_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>
#include <cstdio>

namespace quillon::viewer {
namespace {

const char* const kColumns[] = {"cluster", "votes %", "sigma1 az/pl ±", "sigma3 az/pl ±",
                                "Phi (95 %)", "SHmax ±", "data", "mean misfit"};

std::string oneDecimal(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", v);
    return buf;
}

}  // namespace

SolutionsWindow::SolutionsWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle("Stress Solutions");
    table_ = new QTableWidget(0, int(std::size(kColumns)), this);
    QStringList headers;
    for (const char* c : kColumns) headers << QString::fromUtf8(c);
    table_->setHorizontalHeaderLabels(headers);
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    computeButton_ = new QPushButton("&Compute", this);
    cancelButton_ = new QPushButton("C&ancel", this);
    cancelButton_->setEnabled(false);
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 1);
    progress_->setValue(0);
    status_ = new QLabel(this);
    status_->setWordWrap(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(progress_, 1);
    buttons->addWidget(computeButton_);
    buttons->addWidget(cancelButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_, 1);
    layout->addWidget(status_);
    layout->addLayout(buttons);
    resize(820, 300);

    connect(computeButton_, &QPushButton::clicked, this, &SolutionsWindow::compute);
    connect(cancelButton_, &QPushButton::clicked, this, &SolutionsWindow::cancel);
    connect(table_, &QTableWidget::itemSelectionChanged, this, &SolutionsWindow::rowSelected);
}

SolutionsWindow::~SolutionsWindow() { stopWorker(); }

void SolutionsWindow::stopWorker() {
    if (!worker_) return;
    cancelRequested_->store(true);
    worker_->wait();
    delete worker_;
    worker_ = nullptr;
}

void SolutionsWindow::setResult(const ResultModel& model, const FaultDataSet& data) {
    stopWorker();
    model_ = std::make_shared<const ResultModel>(model);
    data_ = std::make_shared<const FaultDataSet>(data);
    solutions_.clear();
    fillTable();
    progress_->setValue(0);
    computeButton_->setEnabled(true);
    cancelButton_->setEnabled(false);
    status_->setText("Press Compute to separate the votes into clusters and refine each.");
}

void SolutionsWindow::setOptions(const SolutionOptions& options) { options_ = options; }

QString SolutionsWindow::statusText() const { return status_->text(); }

void SolutionsWindow::compute() {
    if (worker_) return;
    if (!model_ || model_->resultPath.empty()) {
        status_->setText("No data loaded.");
        emit computationFinished(false);
        return;
    }
    std::string error;
    const auto threshold = readMisfitThreshold(model_->resultPath, error);
    if (!threshold) {
        status_->setText(QString::fromStdString(error));
        emit computationFinished(false);
        return;
    }
    solutions_.clear();
    fillTable();
    cancelRequested_ = std::make_shared<std::atomic<bool>>(false);
    computeButton_->setEnabled(false);
    cancelButton_->setEnabled(true);
    progress_->setRange(0, 0);  // busy until the first resample reports
    status_->setText("Computing...");

    // The worker holds its own references; it reports through queued calls that Qt drops
    // once the window is gone (the destructor waits for the worker anyway).
    auto model = model_;
    auto data = data_;
    auto cancelled = cancelRequested_;
    const SolutionOptions options = options_;
    const double thresholdDeg = *threshold;
    worker_ = QThread::create([this, model, data, cancelled, options, thresholdDeg]() {
        const SolutionsOutcome outcome = computeStressSolutions(
            *model, *data, thresholdDeg, options, [this, cancelled](int done, int total) {
                QMetaObject::invokeMethod(
                    this,
                    [this, done, total]() {
                        progress_->setRange(0, total);
                        progress_->setValue(done);
                    },
                    Qt::QueuedConnection);
                return !cancelled->load();
            });
        QMetaObject::invokeMethod(this, [this, outcome]() { finish(outcome); }, Qt::QueuedConnection);
    });
    worker_->start();
}

void SolutionsWindow::cancel() {
    if (cancelRequested_) cancelRequested_->store(true);
}

void SolutionsWindow::finish(const SolutionsOutcome& outcome) {
    if (worker_) {
        worker_->wait();
        delete worker_;
        worker_ = nullptr;
    }
    computeButton_->setEnabled(true);
    cancelButton_->setEnabled(false);
    progress_->setRange(0, 1);
    progress_->setValue(outcome.ok ? 1 : 0);
    if (!outcome.ok) {
        status_->setText(QString::fromStdString(outcome.message));
        emit computationFinished(false);
        return;
    }
    solutions_ = outcome.solutions;
    QString text;
    for (const std::string& line : solutionsPreamble(outcome, fileNamePart(model_->resultPath), options_))
        if (!line.empty()) text += (text.isEmpty() ? "" : "\n") + QString::fromStdString(line);
    status_->setText(text);
    fillTable();
    emit computationFinished(true);
}

void SolutionsWindow::fillTable() {
    table_->clearContents();
    table_->setRowCount(int(solutions_.size()));
    for (int row = 0; row < int(solutions_.size()); ++row) {
        const StressSolution& s = solutions_[row];
        const std::string cells[] = {std::to_string(s.rank),
                                     oneDecimal(s.votePercent),
                                     axisCell(s.refined.axis[Sigma1], s.uncertainty.sigma1HalfAngle),
                                     axisCell(s.refined.axis[Sigma3], s.uncertainty.sigma3HalfAngle),
                                     phiCell(s),
                                     shmaxCell(s),
                                     std::to_string(s.explainedLines.size()),
                                     oneDecimal(s.meanMisfit)};
        for (int col = 0; col < int(std::size(cells)); ++col) {
            auto* item = new QTableWidgetItem(QString::fromStdString(cells[col]));
            item->setTextAlignment(col >= 2 && col <= 5 ? Qt::AlignLeft | Qt::AlignVCenter
                                                        : Qt::AlignRight | Qt::AlignVCenter);
            table_->setItem(row, col, item);
        }
    }
}

void SolutionsWindow::rowSelected() {
    const auto rows = table_->selectionModel()->selectedRows();
    if (rows.isEmpty()) return;
    const int row = rows.first().row();
    if (row >= 0 && row < int(solutions_.size())) emit solutionChosen(solutions_[row].refined);
}

}  // namespace quillon::viewer
