// The Stress Solutions window on the offscreen platform: a computation on the worker
// thread fills the table with the cells of qlv4 --solutions, picking a row emits that
// cluster's refined stress, Cancel stops a long computation, and a result without a
// misfit threshold is refused with its reason.
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "qt_test_app.h"
#include "tools/synth.h"
#include "viewer/model/stress_statistics.h"
#include "viewer/windows/solutions_window.h"

namespace quillon::viewer {
namespace {

StressState state(float a1, float p1, float a3, float p3, float phi) {
    StressState s;
    s.axis[Sigma1] = {a1, p1};
    s.axis[Sigma3] = {a3, p3};
    s.stressRatio = phi;
    return s;
}

// A result in memory: votes piled around one stress on a few grid states, 20 faults
// made from that stress, and a result file on disk holding the run record.
class SolutionsWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        std::uint16_t id = 0;
        for (int k = -2; k <= 2; ++k) {
            GridPoint p;
            p.id = ++id;
            p.axis[Sigma1] = {70.0f + 4 * k, 60};
            p.axis[Sigma3] = {182.0f + 4 * k, 12};
            p.stressRatio = 0.3f;
            p.votes = 50 - 10 * std::abs(k);
            model.gridPoints.push_back(p);
        }
        model.gridCount = id;
        tools::SynthOptions synth;
        synth.states = {{{70, 60}, {182, 12}, 0.3}};
        synth.per_state = 20;
        synth.noise_deg = 3;
        synth.seed = 8;
        const auto faults = tools::synthesize(synth);
        data.reallocate(static_cast<std::int16_t>(faults.size()));
        data.count = static_cast<std::int16_t>(faults.size());
        data.dataType = "g";
        for (std::size_t i = 0; i < faults.size(); ++i) {
            FaultDatum& d = data.records[i + 1];
            d.plane = {float(faults[i].dip_direction), float(faults[i].dip)};
            d.slip = {float(faults[i].trend), float(faults[i].plunge)};
            d.sense = std::string(1, faults[i].sense);
        }
        model.resultPath = writeResult("run.ql4", "misft_threshold     =           20\r\n");
    }

    std::string writeResult(const std::string& name, const std::string& record) {
        const std::string path = dir.path().toStdString() + "/" + name;
        std::ofstream(path, std::ios::binary) << "       0\r\n           5\r\n           5\r\ng.cgp\r\n"
                                              << "Data = x.fdt\r\n k =  4\r\n" << record;
        return path;
    }

    QTemporaryDir dir;
    ResultModel model;
    FaultDataSet data;
};

TEST_F(SolutionsWindowTest, ComputesTheTableAndEmitsTheChosenStress) {
    SolutionsWindow window;
    window.show();
    SolutionOptions options;
    options.resamples = 30;  // enough to show limits; the bootstrap's own tests use more
    window.setOptions(options);
    window.setResult(model, data);
    QSignalSpy finished(&window, &SolutionsWindow::computationFinished);
    QSignalSpy chosen(&window, &SolutionsWindow::solutionChosen);
    window.compute();
    EXPECT_TRUE(window.isComputing());
    ASSERT_TRUE(finished.wait(20000));
    EXPECT_TRUE(finished.first().first().toBool());
    EXPECT_FALSE(window.isComputing());

    ASSERT_EQ(window.solutions().size(), 1u);
    const StressSolution& s = window.solutions()[0];
    EXPECT_LT(thetaBetweenStressStates(s.refined, state(70, 60, 182, 12, 0.3f)), 8.0);
    QTableWidget* table = window.table();
    ASSERT_EQ(table->rowCount(), 1);
    EXPECT_EQ(table->item(0, 0)->text(), "1");
    EXPECT_EQ(table->item(0, 1)->text(), "100.0");
    EXPECT_EQ(table->item(0, 2)->text().toStdString(), axisCell(s.refined.axis[Sigma1], s.uncertainty.sigma1HalfAngle));
    EXPECT_EQ(table->item(0, 4)->text().toStdString(), phiCell(s));
    EXPECT_EQ(table->item(0, 6)->text().toStdString(), std::to_string(s.explainedLines.size()));
    EXPECT_TRUE(window.statusText().contains("30 resamples")) << window.statusText().toStdString();

    table->selectRow(0);
    ASSERT_EQ(chosen.count(), 1);
    const StressState got = chosen.first().first().value<StressState>();
    EXPECT_EQ(got.axis[Sigma1].az, s.refined.axis[Sigma1].az);
    EXPECT_EQ(got.axis[Sigma3].pl, s.refined.axis[Sigma3].pl);
    EXPECT_EQ(got.stressRatio, s.refined.stressRatio);
}

TEST_F(SolutionsWindowTest, CancelStopsALongComputation) {
    SolutionsWindow window;
    SolutionOptions options;
    options.resamples = 100000;  // far longer than the test waits
    window.setOptions(options);
    window.setResult(model, data);
    QSignalSpy finished(&window, &SolutionsWindow::computationFinished);
    window.compute();
    QTest::qWait(50);
    window.cancel();
    ASSERT_TRUE(finished.wait(20000));
    EXPECT_FALSE(finished.first().first().toBool());
    EXPECT_EQ(window.statusText(), "Cancelled.");
    EXPECT_EQ(window.table()->rowCount(), 0);
    EXPECT_FALSE(window.isComputing());
}

TEST_F(SolutionsWindowTest, ResultWithoutThresholdIsRefused) {
    SolutionsWindow window;
    model.resultPath = writeResult("old.ql4", "");
    window.setResult(model, data);
    QSignalSpy finished(&window, &SolutionsWindow::computationFinished);
    window.compute();
    ASSERT_EQ(finished.count(), 1);
    EXPECT_FALSE(finished.first().first().toBool());
    EXPECT_EQ(window.statusText().toStdString(),
              model.resultPath + ": no \"misft_threshold\" line in the run record; the misfit threshold is unknown.");
    EXPECT_FALSE(window.isComputing());
}

// A window closed in the middle of a computation cancels it and waits for the worker;
// a report of the worker reaching the destroyed window shows under AddressSanitizer.
TEST_F(SolutionsWindowTest, DestroyedWhileComputing) {
    auto window = std::make_unique<SolutionsWindow>();
    SolutionOptions options;
    options.resamples = 100000;
    window->setOptions(options);
    window->setResult(model, data);
    window->compute();
    QTest::qWait(20);
    ASSERT_TRUE(window->isComputing());
    window.reset();
    QTest::qWait(20);  // no queued report may reach the destroyed window
}

}  // namespace
}  // namespace quillon::viewer
