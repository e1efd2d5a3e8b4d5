// Texts of the Fault-Slip Data window and its files: labels, number cells,
// misfit cells and histogram bars, the selected datum, the text exports.
#include "viewer/model/data_listing.h"

#include <gtest/gtest.h>

using namespace quillon::viewer;

namespace {

FaultDataSet Data(int n, const char* type) {
    FaultDataSet set;
    set.reallocate(std::int16_t(n));
    set.count = std::int16_t(n);
    set.dataType = type;
    return set;
}

TEST(DataListing, LabelsAndNumberCells) {
    const FaultDataSet faults = Data(3, "g"), focal = Data(6, "s");
    EXPECT_EQ(datumLabel(faults, 3), "3");
    const char* expected[] = {"1a", "1b", "2a", "2b", "3a", "3b"};
    for (int i = 1; i <= 6; ++i) EXPECT_EQ(datumLabel(focal, i), expected[i - 1]);
    const struct {
        float value;
        const char* text;
    } numbers[] = {{45.0f, "45"}, {12.5f, "12.5"}, {0.1f, "0.1"}, {359.9f, "359.9"}, {-3.25f, "-3.25"}};
    for (const auto& c : numbers) EXPECT_EQ(generalNumber(c.value), c.text) << c.value;
    EXPECT_EQ(misfitCellText(180.0f, false), "180.0");
    EXPECT_EQ(misfitCellText(12.34f, false), "12.3");
    EXPECT_EQ(misfitCellText(12.34f, true), "ZSS");
}

TEST(DataListing, HistogramBarsFromMisfitCells) {
    // Each cell's bar: floor(m / 10); "ZSS" and exactly 180 in the last bar (17).
    const struct {
        const char* cell;
        int bar;
    } cases[] = {{"0.0", 0}, {"9.9", 0}, {"10.0", 1}, {"29.9", 2}, {"95.5", 9},
                 {"179.9", 17}, {"180.0", 17}, {"ZSS", 17}};
    for (const auto& c : cases) {
        const auto counts = misfitHistogram({c.cell});
        for (int k = 0; k < kHistogramBars; ++k) EXPECT_EQ(counts[size_t(k)], k == c.bar ? 1 : 0) << c.cell;
    }
    // Empty cells (no designation yet) count nowhere.
    const auto none = misfitHistogram({"", ""});
    for (int v : none) EXPECT_EQ(v, 0);
}

TEST(DataListing, SelectedDatumAndTextFiles) {
    FaultDataSet set = Data(5, "g");
    set.records[5].normalStress = 0.52f;
    set.records[5].shearStress = 0.31f;
    EXPECT_EQ(selectedDatumText(set, 5), "5  [ 0.52, 0.31 ]");
    EXPECT_EQ(selectedDatumText(set, 6), "");
    FaultDataSet three = Data(3, "g");
    const float misfits[] = {0.04f, 12.35f, 180.0f};
    for (int i = 1; i <= 3; ++i) {
        three.records[size_t(i)].misfit = misfits[i - 1];
        three.records[size_t(i)].normalStress = 0.25f;
        three.records[size_t(i)].shearStress = 0.4330127f;
    }
    EXPECT_EQ(misfitFileLines(three), (std::vector<std::string>{"0.0", "12.4", "180.0"}));
    EXPECT_EQ(stressFileLines(three), (std::vector<std::string>(3, "0.250  0.433")));
}

}  // namespace
