// Selection of the plotted states, the axis <-> canvas mapping and the generator.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "temp_dir.h"
#include "viewer/model/coordinates.h"
#include "viewer/model/plot_selection.h"
#include "viewer/model/stress_statistics.h"

// Every operator new of this test program goes through a counter, so that a test can
// hold a piece of work to a memory budget: while a budget is set, a request that would
// take the bytes in use above it fails with std::bad_alloc instead of being served.
namespace {
std::size_t gInUse = 0;
std::size_t gPeak = 0;
std::size_t gBudget = 0;  // 0: no budget

void* countedAlloc(std::size_t n) {
    if (gBudget != 0 && gInUse + n > gBudget) throw std::bad_alloc();
    auto* block = static_cast<std::max_align_t*>(std::malloc(n + sizeof(std::max_align_t)));
    if (!block) throw std::bad_alloc();
    *reinterpret_cast<std::size_t*>(block) = n;
    gInUse += n;
    if (gInUse > gPeak) gPeak = gInUse;
    return block + 1;
}

void countedFree(void* p) noexcept {
    if (!p) return;
    auto* block = static_cast<std::max_align_t*>(p) - 1;
    gInUse -= *reinterpret_cast<std::size_t*>(block);
    std::free(block);
}
}  // namespace

void* operator new(std::size_t n) { return countedAlloc(n); }
void* operator new[](std::size_t n) { return countedAlloc(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    try {
        return countedAlloc(n);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
    try {
        return countedAlloc(n);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* p) noexcept { countedFree(p); }
void operator delete[](void* p) noexcept { countedFree(p); }
void operator delete(void* p, std::size_t) noexcept { countedFree(p); }
void operator delete[](void* p, std::size_t) noexcept { countedFree(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { countedFree(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { countedFree(p); }

namespace quillon::viewer {
namespace {

GridPoint Point(int id, int nv, float sr) {
    GridPoint p;
    p.id = static_cast<std::uint16_t>(id);
    p.votes = nv;
    p.axis[Sigma1] = makeDirection(0, 90);
    p.axis[Sigma3] = makeDirection(90, 0);
    p.stressRatio = sr;
    p.ratioClass = static_cast<std::uint8_t>(sr * 10 + 0.5f);
    return p;
}

ResultModel ModelWith(std::vector<GridPoint> points, float sd, std::uint32_t nzg) {
    ResultModel m;
    m.gridPoints = std::move(points);
    m.gridCount = static_cast<std::uint32_t>(m.gridPoints.size());
    m.votedCount = nzg;
    m.voteSd = sd;
    return m;
}

// The selection as (grid point position, symbols) pairs.
std::vector<std::pair<std::size_t, int>> Pairs(const Selection& sel) {
    std::vector<std::pair<std::size_t, int>> out;
    for (const SelectedState& s : sel.states) out.emplace_back(s.index, s.count);
    return out;
}

TEST(SelectStates, ThresholdFromEnhanceFactorAndSpread) {
    const struct {
        float sd;
        int ef;
        int votes;
        int copies;
    } cases[] = {
        {0.1f, 8, 3, 3},    // 0.8 is not above 1: threshold 1
        {10.0f, 2, 59, 2},  // threshold 20
        {10.0f, 2, 19, 0},
        {10.0f, 2, 20, 1},
        {10.0f, 0, 7, 7},   // ef 0: one symbol per vote
        {0.125f, 8, 5, 5},  // exactly 1
        {0.25f, 8, 5, 2},   // threshold 2
        {1.0f, 3, 0, 0},
    };
    for (const auto& c : cases) {
        ResultModel m = ModelWith({Point(1, c.votes, 0.5f)}, c.sd, 1);
        const Selection sel = selectStates(m, PlotSettings{c.ef, 2, 0, 10});
        EXPECT_EQ(sel.symbolCount, c.copies) << c.sd << " " << c.ef << " " << c.votes;
        EXPECT_EQ(m.gridPoints[0].plotCount, c.copies);
    }
}

TEST(SelectStates, BoundsOrderAndStatus) {
    ResultModel m = ModelWith({Point(4, 1, 0.3f), Point(2, 2, 0.7f), Point(9, 3, 0.3f), Point(5, 0, 0.3f)}, 0.5f, 3);
    Selection all = selectStates(m, PlotSettings{0, 2, 0, 10});
    EXPECT_EQ(Pairs(all), (std::vector<std::pair<std::size_t, int>>{{0, 1}, {1, 2}, {2, 3}}));
    EXPECT_EQ(all.symbolCount, 6);
    EXPECT_EQ(all.status, "6 / 3 / 4");

    Selection three = selectStates(m, PlotSettings{0, 2, 3, 3});
    EXPECT_EQ(Pairs(three), (std::vector<std::pair<std::size_t, int>>{{0, 1}, {2, 3}}));
    EXPECT_EQ(m.gridPoints[1].plotCount, 0);  // reset, not left from the earlier run
    EXPECT_EQ(three.status, "4 / 3 / 4");

    Selection none = selectStates(m, PlotSettings{0, 2, 8, 10});
    EXPECT_TRUE(none.empty());
    EXPECT_TRUE(none.states.empty());
    EXPECT_EQ(none.status, "0 / 3 / 4");
}

TEST(ProjectAxis, NetPoints) {
    const struct {
        Direction d;
        int net;
        CanvasPoint p;
    } cases[] = {
        {{90, 0}, 0, {950, 515}},   {{0, 90}, 0, {500, 515}},  {{0, 0}, 0, {500, 65}},
        {{180, 0}, 1, {1500, 965}}, {{270, 0}, 1, {1050, 515}}, {{90, 0}, 1, {1950, 515}},
    };
    for (const auto& c : cases) EXPECT_EQ(projectAxis(c.d, c.net), c.p) << c.d.az << "/" << c.d.pl;
}

TEST(PointToAxis, CanvasPointsBackToDirections) {
    AxisOnNet a = pointToAxis({950, 515});
    EXPECT_EQ(a.net, 0);
    EXPECT_NEAR(a.direction.az, 90.0f, 1e-4);
    EXPECT_NEAR(a.direction.pl, 0.0f, 1e-3);

    a = pointToAxis({1000, 515});  // outside the right net's circle: on its primitive
    EXPECT_EQ(a.net, 1);
    EXPECT_NEAR(a.direction.az, 270.0f, 1e-4);
    EXPECT_NEAR(a.direction.pl, 0.0f, 1e-3);

    a = pointToAxis({1500, 515});
    EXPECT_EQ(a.net, 1);
    EXPECT_EQ(a.direction, makeDirection(0, 90));

    a = pointToAxis({500, 300});  // north of the centre
    EXPECT_NEAR(a.direction.az, 0.0f, 1e-4);
    a = pointToAxis({500, 700});
    EXPECT_NEAR(a.direction.az, 180.0f, 1e-4);

    // Round trip of a projected axis, within the rounding of the canvas grid.
    const Direction d = makeDirection(237, 38);
    a = pointToAxis(projectAxis(d, 1));
    EXPECT_EQ(a.net, 1);
    EXPECT_NEAR(a.direction.az, 237.0f, 0.3f);
    EXPECT_NEAR(a.direction.pl, 38.0f, 0.3f);
}

TEST(ScreenToCanvas, ScalesByImageHeight) {
    EXPECT_EQ(screenToCanvas(100, 250, 500), (CanvasPoint{200, 500}));
    EXPECT_EQ(screenToCanvas(3, 3, 300), (CanvasPoint{10, 10}));
    EXPECT_EQ(screenToCanvas(1, 1, 400), (CanvasPoint{2, 2}));  // 2.5 halves to even
}

TEST(RandomGenerator, LinearCongruentialSequenceFromZero) {
    JitterRandom g;
    std::uint64_t seed = 0;
    for (int i = 0; i < 1000; ++i) {
        seed = (seed * 134775813u + 1u) % 4294967296u;
        const double u = g.next();
        ASSERT_EQ(u, static_cast<double>(seed) / 4294967296.0) << i;
        ASSERT_GE(u, 0.0);
        ASSERT_LT(u, 1.0);
    }
    g.reset();
    EXPECT_EQ(g.next(), 1.0 / 4294967296.0);
    EXPECT_EQ(g.next(), 134775814.0 / 4294967296.0);
}

// A budget for the work between construction and end: the peak of memory in use above
// what was in use at the start.
class MemoryBudget {
public:
    explicit MemoryBudget(std::size_t bytes) : base_(gInUse) {
        gPeak = gInUse;
        gBudget = base_ + bytes;
    }
    ~MemoryBudget() { end(); }
    std::size_t end() {
        gBudget = 0;
        return gPeak - base_;
    }

private:
    std::size_t base_;
};

// A result whose votes total 2^31 - 1, the most the engine can cast, over four states
// of a five-state grid.
struct LargeResult {
    testing::TempDir home;
    std::string path;
    LargeResult(const std::vector<std::int32_t>& votes) {
        home.Write("big.cgp", testing::Lines({"5", "10 20 190 70 0.1", "120 5 30 40 0.6", "300 80 120 10 0.9",
                                              "90 0 0 0 0.4", "45 45 225 45 0.5"}));
        std::vector<std::string> lines = {"1", "120.0 45.0 200.0 30.0 n", "5", std::to_string(votes.size()),
                                          "big.cgp"};
        for (std::size_t i = 0; i < votes.size(); ++i)
            lines.push_back(std::to_string(i + 1) + " " + std::to_string(votes[i]));
        lines.push_back("Data = big.fdt");
        std::string text;
        for (const std::string& l : lines) text += l + "\r\n";
        path = home.Write("big.ql4", text);
    }
};

// The global average of a selection taken one symbol at a time, as a list holding
// every symbol would give it: the reference for the (state, count) selection.
std::vector<std::string> averageEntryByEntry(const ResultModel& m, const std::vector<std::size_t>& entries) {
    double S[3][3] = {};
    for (std::size_t e : entries) {
        const GridPoint& p = m.gridPoints[e];
        const Matrix3 T = tensorOfStressState(p.axis[Sigma1], p.axis[Sigma3], p.stressRatio);
        for (int j = 0; j < 3; ++j)
            for (int k = j; k < 3; ++k) S[j][k] += T.a[j][k];
    }
    const double W = double(entries.size());
    Matrix3d A;
    for (int j = 0; j < 3; ++j)
        for (int k = j; k < 3; ++k) A.a[j][k] = A.a[k][j] = S[j][k] / W;
    const MeanStress mean = meanAxesAndRatio(A);
    const Matrix3 F = tensorOfStressState(mean.sigma1, mean.sigma3, mean.phi);
    double sum1 = 0, sum2 = 0;
    for (std::size_t e : entries) {
        const GridPoint& p = m.gridPoints[e];
        const Matrix3 T = tensorOfStressState(p.axis[Sigma1], p.axis[Sigma3], p.stressRatio);
        Matrix3 D;
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) D.a[j][k] = static_cast<float>(double(F.a[j][k]) - T.a[j][k]);
        const double d = stressDifference(D);
        sum1 += d;
        sum2 += 2.0 * std::asin(std::min(d / 2.0, 1.0));
    }
    return statisticsText(m.resultPath, 0, std::int64_t(entries.size()), mean.sigma1, mean.sigma3, mean.phi, 0,
                          0, 0, float(sum1 / W), float(sum2 / W * 57.29579143313327));
}

std::vector<std::string> averageText(ResultModel& m, const PlotSettings& s) {
    const GlobalAverage ga = computeGlobalAverage(m, s);
    EXPECT_TRUE(ga.ok) << ga.message;
    return statisticsText(m.resultPath, s.ef, ga.symbolCount, ga.mean.sigma1, ga.mean.sigma3, ga.mean.phi, 0, 0,
                          0, ga.meanStressDifference, ga.meanTheta);
}

TEST(SelectionMemory, SmallCaseMatchesEntryByEntry) {
    // The same numbers as a list of one entry per symbol, for the average and
    // the coordinate files, at ef 0 and with a stress-ratio bound.
    LargeResult r({7, 3, 12, 5});
    ResultModel m;
    m.homeDir = r.home.Dir();
    FaultDataSet data;
    ASSERT_TRUE(m.loadResultFile(r.path, data).ok);
    m.computeVoteSd();
    for (const PlotSettings s : {PlotSettings{0, 2, 0, 10}, PlotSettings{0, 2, 2, 9}, PlotSettings{1, 2, 0, 10}}) {
        const Selection sel = selectStates(m, s);
        std::vector<std::size_t> entries;
        for (const SelectedState& st : sel.states) entries.insert(entries.end(), std::size_t(st.count), st.index);
        ASSERT_EQ(std::int64_t(entries.size()), sel.symbolCount);
        std::vector<std::string> ref = averageEntryByEntry(m, entries);
        ref[2] = "Enhance Factor = " + std::to_string(s.ef);
        EXPECT_EQ(averageText(m, s), ref) << s.ef << " " << s.srLo;

        std::string expected;
        for (std::size_t e : entries) expected += coordinateLine(m.gridPoints[e], kAxesAndRatios) + "\r\n";
        const std::string out = r.home.Path("axes.txt");
        ASSERT_TRUE(writeCoordinateFile(out, m, sel, kAxesAndRatios).ok);
        EXPECT_EQ(testing::TempDir::Read(out), expected);
    }
}

TEST(SelectionMemory, TwoBillionVotesInFixedMemory) {
    // 2^31 - 1 votes over four states: a list of one 8-byte entry per symbol would
    // need 16 GiB.  Loading, the selection at ef 0 and the global average stay
    // within 1 MiB beyond the loaded grid.
    LargeResult r({1, 1000000000, 147483646, 1000000000});
    ResultModel m;
    m.homeDir = r.home.Dir();
    FaultDataSet data;
    MemoryBudget budget(1 << 20);
    ASSERT_TRUE(m.loadResultFile(r.path, data).ok);
    m.computeVoteSd();
    const Selection sel = selectStates(m, PlotSettings{0, 2, 0, 10});
    EXPECT_EQ(sel.symbolCount, 2147483647);
    EXPECT_EQ(sel.status, "2147483647 / 4 / 5");
    const std::vector<std::string> text = averageText(m, PlotSettings{0, 2, 0, 10});
    ASSERT_EQ(text.size(), 11u);
    EXPECT_EQ(text[3], "Np = 2147483647");
    // A coordinate file of two billion lines is refused, nothing written.
    const SaveOutcome saved = saveCoordinates(m, PlotSettings{0, 2, 0, 10}, kAxesAndRatios, r.home.Path("c.txt"));
    EXPECT_FALSE(saved.ok);
    EXPECT_NE(saved.message.find("2147483647 symbols"), std::string::npos) << saved.message;
    EXPECT_FALSE(std::filesystem::exists(r.home.Path("c.txt")));
    const std::size_t used = budget.end();
    EXPECT_LT(used, std::size_t(1) << 20);
    std::printf("memory in use at most %zu bytes above the start\n", used);

    // The average equals that of the same states with the votes divided by 1000
    // up to the weights' rounding: the two middle states dominate both.
    LargeResult small({0, 1000000, 147484, 1000000});
    ResultModel ms;
    ms.homeDir = small.home.Dir();
    ASSERT_TRUE(ms.loadResultFile(small.path, data).ok);
    ms.computeVoteSd();
    const std::vector<std::string> smallText = averageText(ms, PlotSettings{0, 2, 0, 10});
    for (std::size_t i : {5u, 6u, 7u}) EXPECT_EQ(text[i], smallText[i]);
}

}  // namespace
}  // namespace quillon::viewer
