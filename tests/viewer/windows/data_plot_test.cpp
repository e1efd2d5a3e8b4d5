// The data stereonet and the Mohr diagram pinned by pixels at points computed
// here from the projections' own formulas, not by pictures of themselves.
#include "tests/viewer/windows/emf_check.h"
#include "tests/viewer/windows/qt_test_app.h"
#include "viewer/model/data_listing.h"
#include "viewer/platform/emf_writer.h"
#include "viewer/plot/fault_plot.h"
#include "viewer/plot/mohr_plot.h"

#include <QImage>
#include <QPainter>
#include <QPicture>
#include <cmath>
#include <gtest/gtest.h>

using namespace quillon::viewer;

namespace {

const QColor kWhite(Qt::white), kGray(128, 128, 128), kRed(255, 0, 0), kAxisBlue(166, 202, 240),
    kLime(0, 255, 0), kClass0(208, 53, 53), kSilver(192, 192, 192);
constexpr double kPi = 3.14159265358979323846;

// The normal fault of the fixture: dipping 60 towards 90, slip (90, 60) down dip.
FaultDataSet NormalFault(const char* sense = "N") {
    FaultDataSet set;
    set.reallocate(1);
    set.count = 1;
    set.dataType = "g";
    set.records[1].plane = makeDirection(90, 60);
    set.records[1].slip = makeDirection(90, 60);
    set.records[1].sense = sense;
    set.records[1].misfit = 180.0f;
    set.determineSenses();
    return set;
}

StressState VerticalSigma1(float phi) {
    StressState s;
    s.axis[Sigma1] = makeDirection(0, 90);
    s.axis[Sigma3] = makeDirection(90, 0);
    s.stressRatio = phi;
    return s;
}

// Radius on the net of radius 460 of a plunge, by the two projections.
double EqualAngleRadius(double plunge) { return 460.0 * std::tan((45.0 - plunge / 2.0) * kPi / 180.0); }
double EqualAreaRadius(double plunge) {
    return 460.0 * std::sqrt(2.0) * std::sin((45.0 - plunge / 2.0) * kPi / 180.0);
}

// True when `color` is within one pixel of (x, y): a one-pixel line's exact
// pixel depends on the rasteriser's rounding.
bool NearColor(const QImage& img, int x, int y, const QColor& color) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (img.pixelColor(x + dx, y + dy) == color) return true;
    return false;
}

QImage Render(const DataNetScene& scene, bool selected = false, int row = 0) {
    QImage img(kDataNetSize, kDataNetSize, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    if (selected) drawSelectedDatum(p, scene, row);
    else drawDataNet(p, scene);
    return img;
}

TEST(DataNetPlot, GreatCircleSlipSymbolAndMarkerInBothProjections) {
    FaultDataSet set = NormalFault();
    for (NetProjection projection : {NetProjection::EqualAngle, NetProjection::EqualArea}) {
        DataNetScene scene;
        scene.data = &set;
        scene.projection = projection;
        const QImage img = Render(scene);
        const double r = projection == NetProjection::EqualAngle ? EqualAngleRadius(60) : EqualAreaRadius(60);
        const int sx = 500 + int(std::lround(r));   // the slip (90, 60), East of the centre
        SCOPED_TRACE(projection == NetProjection::EqualAngle ? "equal angle" : "equal area");
        // Before a designation the datum is gray: the marker circle of radius 7
        // around the slip point (white inside), the arrow pointing East (the
        // slip azimuth) 40 units long.
        EXPECT_EQ(img.pixelColor(sx, 500 - 7), kGray);
        EXPECT_EQ(img.pixelColor(sx - 3, 500 - 3), kWhite);
        EXPECT_EQ(img.pixelColor(sx + 30, 500), kGray);
        EXPECT_EQ(img.pixelColor(sx + 30, 480), kWhite);
        // The great circle passes through the line of the plane at 30 degrees
        // from its strike: trend 16.1, plunge 25.66.
        const double rl = projection == NetProjection::EqualAngle ? EqualAngleRadius(25.66) : EqualAreaRadius(25.66);
        const double a = 16.1 * kPi / 180.0;
        EXPECT_TRUE(NearColor(img, 500 + int(std::lround(rl * std::sin(a))), 500 - int(std::lround(rl * std::cos(a))),
                              kGray));
        // The base circle: gray primitive, ticks 20 long, white inside.
        EXPECT_EQ(img.pixelColor(40, 500), kGray);
        EXPECT_EQ(img.pixelColor(25, 500), kGray);
        EXPECT_EQ(img.pixelColor(300, 300), kWhite);
    }
}

TEST(DataNetPlot, DesignatedStressColoursAxesTheoreticalSlipAndText) {
    FaultDataSet set = NormalFault();
    const StressState s = VerticalSigma1(0.0f);
    designateStress(set, s);
    ASSERT_NEAR(set.records[1].misfit, 0.0f, 1e-3);
    DataNetScene scene;
    scene.data = &set;
    scene.stress = s;
    const QImage img = Render(scene);
    const int sx = 500 + int(std::lround(EqualAngleRadius(60)));
    // Misfit 0: the first class colour, width 2 for the symbol.
    EXPECT_EQ(img.pixelColor(sx + 30, 500), kClass0);
    // sigma1 vertical: the three-armed star at the centre; sigma3 (90, 0) on the primitive.
    EXPECT_EQ(img.pixelColor(500, 500), kAxisBlue);
    EXPECT_EQ(img.pixelColor(960 - 5, 500), kAxisBlue);
    // The text block on cream at (10, 879).
    EXPECT_EQ(img.pixelColor(11, 880), QColor(255, 251, 240));
    // The theoretical slip equals the measured one: its lime marker lies under
    // the datum's own marker drawn again on top.
    EXPECT_EQ(img.pixelColor(sx, 500 - 7), kClass0);

    // The selected datum on the overlay: red, width 5, and the theoretical
    // slip in blue (radius 8).
    const QImage overlay = Render(scene, true, 1);
    EXPECT_EQ(overlay.pixelColor(sx + 30, 500), kRed);
    EXPECT_EQ(overlay.pixelColor(sx, 500 - 8), QColor(0, 0, 255));
    EXPECT_EQ(overlay.pixelColor(300, 300), kWhite);   // nothing else: no base circle
    EXPECT_EQ(overlay.pixelColor(40, 500), kWhite);
}

TEST(DataNetPlot, TangentLineationArrowsAtThePoleAndModelPlanes) {
    FaultDataSet set = NormalFault();
    const StressState s = VerticalSigma1(0.0f);
    designateStress(set, s);
    for (NetProjection projection : {NetProjection::EqualAngle, NetProjection::EqualArea}) {
        std::vector<FaultDatum> planes = modelPlaneGrid(projection, kDataNetSize);
        ASSERT_EQ(planes.size(), size_t(kModelPlaneCount));
        computeModelPlaneSlips(planes, reducedStressTensor(s.axis[Sigma1], s.axis[Sigma3], 0.0f));
        DataNetScene scene;
        scene.data = &set;
        scene.method = PlotMethod::TangentLineation;
        scene.projection = projection;
        scene.stress = s;
        scene.modelPlanes = &planes;
        const QImage img = Render(scene);
        // The pole (270, 30) of the plane, West of the centre; the arrow runs
        // through it along the East-West line (the slip turns the pole away
        // from sigma1, outward), 40 units long.
        const double r = projection == NetProjection::EqualAngle ? EqualAngleRadius(30) : EqualAreaRadius(30);
        const int px = 500 - int(std::lround(r));
        SCOPED_TRACE(projection == NetProjection::EqualAngle ? "equal angle" : "equal area");
        EXPECT_EQ(img.pixelColor(px, 500), kClass0);
        EXPECT_EQ(img.pixelColor(px - 15, 500), kClass0);
        EXPECT_EQ(img.pixelColor(px + 15, 500), kClass0);
        EXPECT_EQ(img.pixelColor(px, 480), kWhite);
        // Model planes draw silver arrows all over the net.
        int silver = 0;
        for (int y = 100; y < 900; y += 3)
            for (int x = 100; x < 900; x += 3) silver += img.pixelColor(x, y) == kSilver;
        EXPECT_GT(silver, 300);
    }
}

TEST(DataNetPlot, ImagePointsBackToDirections) {
    // The centre reads (0, 90); the primitive and beyond plunge 0; the image
    // may be of any size.
    const struct {
        int x, y, size;
        NetProjection projection;
        float az, pl;
    } cases[] = {
        {250, 250, 500, NetProjection::EqualAngle, 0, 90},
        {500 + 460, 500, 1000, NetProjection::EqualArea, 90, 0},
        {500, 500 + 460, 1000, NetProjection::EqualAngle, 180, 0},
        {5, 500, 1000, NetProjection::EqualArea, 270, 0},
        {500 + int(std::lround(EqualAngleRadius(60))), 500, 1000, NetProjection::EqualAngle, 90, 60},
        {500 + int(std::lround(EqualAreaRadius(60))), 500, 1000, NetProjection::EqualArea, 90, 60},
    };
    for (const auto& c : cases) {
        const Direction d = imagePointToDirection(c.x, c.y, c.size, c.size, c.projection);
        EXPECT_NEAR(d.az, c.az, 0.01) << c.x << "," << c.y;
        EXPECT_NEAR(d.pl, c.pl, 0.15) << c.x << "," << c.y;
    }
}

TEST(DataNetPlot, ModelPlanesDifferBetweenProjections) {
    const auto angle = modelPlaneGrid(NetProjection::EqualAngle, 1000);
    const auto area = modelPlaneGrid(NetProjection::EqualArea, 1000);
    ASSERT_EQ(angle.size(), 593u);
    ASSERT_EQ(area.size(), 593u);
    int differ = 0;
    for (size_t i = 0; i < angle.size(); ++i) differ += !(angle[i].plane == area[i].plane);
    EXPECT_GT(differ, 400);
    // Nodes beyond the primitive give vertical planes.
    int vertical = 0;
    for (const FaultDatum& m : angle) vertical += m.plane.pl == 90.0f;
    EXPECT_GT(vertical, 40);
}

TEST(MohrPlot, PointsCirclesAndHighlight) {
    FaultDataSet set = NormalFault();
    designateStress(set, VerticalSigma1(0.0f));
    // sigma_n 0.25, tau 0.433: the point (270, 85).
    EXPECT_EQ(mohrPoint(set.records[1].normalStress, set.records[1].shearStress), (CanvasPoint{270, 85}));
    QImage img(kMohrWidth, kMohrHeight, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        drawMohrDiagram(p, set, 0.5f);
    }
    // Misfit 0: the first class colour inside a black outline of radius 8.
    EXPECT_EQ(img.pixelColor(270, 85), kClass0);
    EXPECT_EQ(img.pixelColor(270, 85 - 8), QColor(Qt::black));
    // Phi 0.5: inner half circles centred at 0.25 and 0.75 with radius 0.25,
    // tops at (270, 253) and (730, 253); the outer one's top at (500, 23).
    for (const QPoint top : {QPoint(730, 253), QPoint(500, 23)}) {
        bool gray = false;
        for (int dy = -1; dy <= 1; ++dy) gray |= img.pixelColor(top.x(), top.y() + dy) == kGray;
        EXPECT_TRUE(gray) << top.x() << "," << top.y();
    }
    EXPECT_EQ(img.pixelColor(500, 483), kGray);   // the normal-stress axis
    EXPECT_EQ(img.pixelColor(500, 400), kWhite);  // below the inner tops, nothing
    // The highlight: a red ring of radius 10 (width 4) filled white.
    QImage ring(kMohrWidth, kMohrHeight, QImage::Format_RGB32);
    ring.fill(Qt::black);
    {
        QPainter p(&ring);
        drawMohrHighlight(p, set, 1);
    }
    EXPECT_EQ(ring.pixelColor(280, 85), kRed);
    EXPECT_EQ(ring.pixelColor(270, 85), kWhite);
    EXPECT_EQ(ring.pixelColor(300, 85), QColor(Qt::black));
}

TEST(DataPictures, EnhancedMetafilesReadBackWithEveryElement) {
    FaultDataSet set = NormalFault();
    const StressState s = VerticalSigma1(0.5f);
    designateStress(set, s);
    std::vector<FaultDatum> planes = modelPlaneGrid(NetProjection::EqualAngle, 1000);
    computeModelPlaneSlips(planes, reducedStressTensor(s.axis[Sigma1], s.axis[Sigma3], 0.5f));
    for (PlotMethod method : {PlotMethod::GreatCircle, PlotMethod::TangentLineation}) {
        DataNetScene scene;
        scene.data = &set;
        scene.method = method;
        scene.stress = s;
        scene.modelPlanes = &planes;
        const QImage direct = Render(scene);
        const QByteArray emf = quillon::platform::paintToEmf(
            [&](QPainter& p) {
                p.fillRect(QRect(0, 0, 1000, 1000), Qt::white);
                drawDataNet(p, scene);
            },
            QSize(1000, 1000));
        QString error;
        const QImage back = quillon::testing::renderEmfThroughSvg(emf, QSize(1000, 1000), &error);
        ASSERT_FALSE(back.isNull()) << error.toStdString();
        // Every element is there: symbols, circles, stars and text land in the
        // same blocks of the picture as when drawn directly; without the
        // datum the difference is plain.
        EXPECT_LT(quillon::testing::maxBlockDifference(direct, back, 10), 70);
        FaultDataSet none = set;
        none.count = 0;
        DataNetScene without = scene;
        without.data = &none;
        EXPECT_GT(quillon::testing::maxBlockDifference(Render(without), back, 10), 100);
    }
    const QByteArray mohr = quillon::platform::paintToEmf([&](QPainter& p) { drawMohrDiagram(p, set, 0.5f); },
                                                          QSize(kMohrWidth, kMohrHeight));
    QString error;
    const QImage back = quillon::testing::renderEmfThroughSvg(mohr, QSize(kMohrWidth, kMohrHeight), &error);
    ASSERT_FALSE(back.isNull()) << error.toStdString();
    EXPECT_EQ(back.pixelColor(270, 85).red() > 150 && back.pixelColor(270, 85).green() < 100, true);
}

}  // namespace
