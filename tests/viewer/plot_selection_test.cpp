// Selection of the plotted states, the axis <-> canvas mapping and the generator.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "viewer/model/plot_selection.h"

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
        EXPECT_EQ(static_cast<int>(sel.entries.size()), c.copies) << c.sd << " " << c.ef << " " << c.votes;
        EXPECT_EQ(m.gridPoints[0].plotCount, c.copies);
    }
}

TEST(SelectStates, BoundsOrderAndStatus) {
    ResultModel m = ModelWith({Point(4, 1, 0.3f), Point(2, 2, 0.7f), Point(9, 3, 0.3f), Point(5, 0, 0.3f)}, 0.5f, 3);
    Selection all = selectStates(m, PlotSettings{0, 2, 0, 10});
    EXPECT_EQ(all.entries, (std::vector<std::size_t>{0, 1, 1, 2, 2, 2}));
    EXPECT_EQ(all.status, "6 / 3 / 4");

    Selection three = selectStates(m, PlotSettings{0, 2, 3, 3});
    EXPECT_EQ(three.entries, (std::vector<std::size_t>{0, 2, 2, 2}));
    EXPECT_EQ(m.gridPoints[1].plotCount, 0);  // reset, not left from the earlier run
    EXPECT_EQ(three.status, "4 / 3 / 4");

    Selection none = selectStates(m, PlotSettings{0, 2, 8, 10});
    EXPECT_TRUE(none.entries.empty());
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

}  // namespace
}  // namespace quillon::viewer
