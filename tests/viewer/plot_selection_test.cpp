// Selection of the plotted states, the axis <-> canvas mapping and the generator.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "viewer/model/plot_selection.h"

namespace quillon::viewer {
namespace {

TGridPoint Point(int id, int nv, float sr) {
    TGridPoint p;
    p.id = static_cast<std::uint16_t>(id);
    p.nv = nv;
    p.axis[sgm1] = Azpl(0, 90);
    p.axis[sgm3] = Azpl(90, 0);
    p.sr = sr;
    p.sri = static_cast<std::uint8_t>(sr * 10 + 0.5f);
    return p;
}

ResultModel ModelWith(std::vector<TGridPoint> points, float sd, std::uint32_t nzg) {
    ResultModel m;
    m.GridPoints = std::move(points);
    m.NG = static_cast<std::uint32_t>(m.GridPoints.size());
    m.NZG = nzg;
    m.Sd = sd;
    return m;
}

TEST(SelectStates, ThresholdFromEnhanceFactorAndSpread) {
    const struct {
        float sd;
        int ef;
        int nv;
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
        ResultModel m = ModelWith({Point(1, c.nv, 0.5f)}, c.sd, 1);
        const Selection sel = SelectStates(m, PlotSettings{c.ef, 2, 0, 10});
        EXPECT_EQ(static_cast<int>(sel.entries.size()), c.copies) << c.sd << " " << c.ef << " " << c.nv;
        EXPECT_EQ(m.GridPoints[0].n_to_be_plotted, c.copies);
    }
}

TEST(SelectStates, BoundsOrderAndStatus) {
    ResultModel m = ModelWith({Point(4, 1, 0.3f), Point(2, 2, 0.7f), Point(9, 3, 0.3f), Point(5, 0, 0.3f)}, 0.5f, 3);
    Selection all = SelectStates(m, PlotSettings{0, 2, 0, 10});
    EXPECT_EQ(all.entries, (std::vector<std::size_t>{0, 1, 1, 2, 2, 2}));
    EXPECT_EQ(all.status, "6 / 3 / 4");

    Selection three = SelectStates(m, PlotSettings{0, 2, 3, 3});
    EXPECT_EQ(three.entries, (std::vector<std::size_t>{0, 2, 2, 2}));
    EXPECT_EQ(m.GridPoints[1].n_to_be_plotted, 0);  // reset, not left from the earlier run
    EXPECT_EQ(three.status, "4 / 3 / 4");

    Selection none = SelectStates(m, PlotSettings{0, 2, 8, 10});
    EXPECT_TRUE(none.entries.empty());
    EXPECT_EQ(none.status, "0 / 3 / 4");
}

TEST(ProjectAxis, NetPoints) {
    const struct {
        Tazpl d;
        int net;
        TPoint p;
    } cases[] = {
        {{90, 0}, 0, {950, 515}},   {{0, 90}, 0, {500, 515}},  {{0, 0}, 0, {500, 65}},
        {{180, 0}, 1, {1500, 965}}, {{270, 0}, 1, {1050, 515}}, {{90, 0}, 1, {1950, 515}},
    };
    for (const auto& c : cases) EXPECT_EQ(ProjectAxis(c.d, c.net), c.p) << c.d.az << "/" << c.d.pl;
}

TEST(PointToAxis, CanvasPointsBackToDirections) {
    AxisOnNet a = PointToAxis({950, 515});
    EXPECT_EQ(a.net, 0);
    EXPECT_NEAR(a.direction.az, 90.0f, 1e-4);
    EXPECT_NEAR(a.direction.pl, 0.0f, 1e-3);

    a = PointToAxis({1000, 515});  // outside the right net's circle: on its primitive
    EXPECT_EQ(a.net, 1);
    EXPECT_NEAR(a.direction.az, 270.0f, 1e-4);
    EXPECT_NEAR(a.direction.pl, 0.0f, 1e-3);

    a = PointToAxis({1500, 515});
    EXPECT_EQ(a.net, 1);
    EXPECT_EQ(a.direction, Azpl(0, 90));

    a = PointToAxis({500, 300});  // north of the centre
    EXPECT_NEAR(a.direction.az, 0.0f, 1e-4);
    a = PointToAxis({500, 700});
    EXPECT_NEAR(a.direction.az, 180.0f, 1e-4);

    // Round trip of a projected axis, within the rounding of the canvas grid.
    const Tazpl d = Azpl(237, 38);
    a = PointToAxis(ProjectAxis(d, 1));
    EXPECT_EQ(a.net, 1);
    EXPECT_NEAR(a.direction.az, 237.0f, 0.3f);
    EXPECT_NEAR(a.direction.pl, 38.0f, 0.3f);
}

TEST(ScreenToCanvas, ScalesByImageHeight) {
    EXPECT_EQ(ScreenToCanvas(100, 250, 500), (TPoint{200, 500}));
    EXPECT_EQ(ScreenToCanvas(3, 3, 300), (TPoint{10, 10}));
    EXPECT_EQ(ScreenToCanvas(1, 1, 400), (TPoint{2, 2}));  // 2.5 halves to even
}

TEST(RandomGenerator, LinearCongruentialSequenceFromZero) {
    TRandomGenerator g;
    std::uint64_t seed = 0;
    for (int i = 0; i < 1000; ++i) {
        seed = (seed * 134775813u + 1u) % 4294967296u;
        const double u = g.Next();
        ASSERT_EQ(u, static_cast<double>(seed) / 4294967296.0) << i;
        ASSERT_GE(u, 0.0);
        ASSERT_LT(u, 1.0);
    }
    g.Reset();
    EXPECT_EQ(g.Next(), 1.0 / 4294967296.0);
    EXPECT_EQ(g.Next(), 134775814.0 / 4294967296.0);
}

}  // namespace
}  // namespace quillon::viewer
