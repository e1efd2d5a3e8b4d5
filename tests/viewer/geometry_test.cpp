// Directions, vectors, matrices, projections and the eigen solver of the viewer.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "viewer/geometry/eigen.h"
#include "viewer/geometry/primitives.h"
#include "viewer/geometry/projection.h"
#include "viewer/geometry/rounding.h"

namespace quillon::viewer {
namespace {

constexpr float kTol = 1e-6f;

void ExpectVector(const Vector3& v, float x, float y, float z, float tol = kTol) {
    EXPECT_NEAR(v.x, x, tol);
    EXPECT_NEAR(v.y, y, tol);
    EXPECT_NEAR(v.z, z, tol);
}

TEST(Rounding, HalvesGoToEven) {
    const struct {
        double in;
        double out;
    } cases[] = {{0.5, 0}, {1.5, 2}, {2.5, 2}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2}, {2.4999, 2}, {2.5001, 3}};
    for (const auto& c : cases) EXPECT_EQ(roundHalfEven(c.in), c.out) << c.in;
    EXPECT_EQ(roundToInt(1e12), 2147483647);
    EXPECT_EQ(roundToInt(std::nan("")), 0);
}

TEST(Directions, AzplToVectorOfTheCardinalDirections) {
    ExpectVector(directionToVector(0, 0), 0, 1, 0);
    ExpectVector(directionToVector(90, 0), 1, 0, 0);
    for (float az : {0.0f, 37.0f, 200.0f}) ExpectVector(directionToVector(az, 90), 0, 0, -1);
    // (cos pl sin az, cos pl cos az, -sin pl)
    const Vector3 v = directionToVector(makeDirection(30, 40));
    const double pl = 40 * kDegToRad, az = 30 * kDegToRad;
    ExpectVector(v, std::cos(pl) * std::sin(az), std::cos(pl) * std::cos(az), -std::sin(pl));
}

TEST(Directions, VectorToAzplIsNotFolded) {
    const struct {
        Vector3 v;
        float az, pl;
    } cases[] = {
        {{0, 0, -1}, 90, 90},  {{0, 0, 1}, 90, -90},  {{-1, 0, 0}, -90, 0},
        {{0, -1, 0}, 180, 0},  {{1, 0, 0}, 90, 0},    {{0, 2, 0}, 0, 0},
    };
    for (const auto& c : cases) {
        const Direction d = vectorToDirection(c.v);
        EXPECT_NEAR(d.az, c.az, 1e-4) << c.v.x << "," << c.v.y << "," << c.v.z;
        EXPECT_NEAR(d.pl, c.pl, 1e-4);
    }
    // Round trip of an arbitrary direction.
    const Direction d = vectorToDirection(directionToVector(123.0f, 37.0f));
    EXPECT_NEAR(d.az, 123.0f, 1e-4);
    EXPECT_NEAR(d.pl, 37.0f, 1e-4);
}

TEST(Directions, ZeroVectorReportsZeroDivide) {
    std::vector<std::string> messages;
    const MessageSink sink = [&](const std::string& m) { messages.push_back(m); };
    const Polar p = vectorToPolar(zeroVector(), sink);
    EXPECT_EQ(p.theta, 0.0f);
    EXPECT_EQ(p.phi, 0.0f);
    const Direction d = vectorToDirection(zeroVector(), sink);
    EXPECT_EQ(d.az, 90.0f);
    EXPECT_EQ(d.pl, -90.0f);
    EXPECT_EQ(messages, (std::vector<std::string>{"Zero divide", "Zero divide"}));
    // Without a sink nothing is shown and nothing breaks.
    EXPECT_EQ(vectorToDirection(zeroVector()).pl, -90.0f);
}

TEST(Directions, UndefinedDirectionIsNaN) {
    EXPECT_TRUE(isUndefinedDirection(undefinedDirection()));
    EXPECT_FALSE(isUndefinedDirection(makeDirection(0, 0)));
}

TEST(Angles, AngleModFoldsIntoRange) {
    const struct {
        float x, m, out;
    } cases[] = {{-90, 360, 270}, {360, 360, 0}, {725, 360, 5}, {0, 360, 0}, {-720, 360, 0}, {359.5f, 360, 359.5f}};
    for (const auto& c : cases) EXPECT_FLOAT_EQ(angleMod(c.x, c.m), c.out) << c.x;
}

TEST(Angles, AngleBetweenAzimuthsIsTheSignedAcuteAngle) {
    const struct {
        float a1, a2, out;
    } cases[] = {{0, 30, 30}, {30, 0, -30}, {0, 150, 30}, {0, 210, -30}, {0, 180, 0}, {350, 20, 30}, {0, 90, 90}};
    for (const auto& c : cases) EXPECT_NEAR(angleBetweenAzimuths(c.a1, c.a2), c.out, 1e-3) << c.a1 << " " << c.a2;
}

TEST(Vectors, NormalizeAndLength) {
    ExpectVector(normalizeVector(makeVector(3, 0, 4)), 0.6f, 0, 0.8f);
    EXPECT_EQ(normalizeVector(makeVector(5e-8f, 0, 0)), zeroVector());
    EXPECT_FLOAT_EQ(vectorLength(makeVector(3, 4, 12)), 13.0f);
    EXPECT_TRUE(isShorterThan(makeVector(1e-11f, 0, 0), 1e-10f));
    EXPECT_FALSE(isShorterThan(makeVector(1e-10f, 0, 0), 1e-10f));
    ExpectVector(crossProduct(makeVector(1, 0, 0), makeVector(0, 1, 0)), 0, 0, 1);
    EXPECT_FLOAT_EQ(dotProduct(makeVector(1, 2, 3), makeVector(4, -5, 6)), 12.0f);
    ExpectVector(addVectors(makeVector(1, 2, 3), scaleVector(negateVector(makeVector(1, 1, 1)), 2)), -1, 0, 1);
    ExpectVector(subtractVectors(makeVector(1, 2, 3), makeVector(1, 1, 1)), 0, 1, 2);
    // The part in the horizontal plane.
    ExpectVector(projectOntoPlane(makeVector(1, 2, 3), makeVector(0, 0, 1)), 1, 2, 0);
}

TEST(Matrices, ProductsAndTranspose) {
    Matrix3 A;
    float k = 1;
    for (auto& row : A.a)
        for (float& x : row) x = k++;
    const Matrix3 At = transposeMatrix(A);
    EXPECT_EQ(At.a[0][1], 4.0f);
    EXPECT_EQ(At.a[2][0], 3.0f);
    const Matrix3 P = matrixProduct(A, At);  // rows of A dotted with each other
    EXPECT_EQ(P.a[0][0], 14.0f);
    EXPECT_EQ(P.a[0][1], 32.0f);
    EXPECT_EQ(P.a[2][2], 194.0f);
    const Vector3 v = matrixVectorProduct(A, makeVector(1, 0, -1));
    ExpectVector(v, -2, -2, -2);
}

TEST(Matrices, EulerRotation) {
    const Matrix3 I = eulerRotationMatrix(0, 0, 0);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(I.a[i][j], i == j ? 1.0f : 0.0f, kTol);
    for (auto [theta, phi] : {std::pair{30.0f, 40.0f}, std::pair{75.0f, -120.0f}}) {
        const Vector3 v = matrixVectorProduct(eulerRotationMatrix(theta, phi, 0), makeVector(0, -1, 0));
        const double t = theta * kDegToRad, p = phi * kDegToRad;
        ExpectVector(v, std::sin(p) * std::cos(t), -std::cos(p) * std::cos(t), -std::sin(t));
    }
    // A rotation keeps lengths: R R^T = I.
    const Matrix3 R = eulerRotationMatrix(20, 50, 80);
    const Matrix3 RRt = matrixProduct(R, transposeMatrix(R));
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(RRt.a[i][j], i == j ? 1.0f : 0.0f, 1e-6);
}

TEST(Projections, PointsOnANetOfRadius460) {
    const struct {
        Direction d;
        CanvasPoint area, angle;
    } cases[] = {
        {{90, 0}, {960, 500}, {960, 500}},
        {{0, 90}, {500, 500}, {500, 500}},
        {{0, 30}, {500, 175}, {500, 234}},
        {{180, 0}, {500, 960}, {500, 960}},
        {{270, 0}, {40, 500}, {40, 500}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(projectEqualArea(c.d, 500, 500, 460), c.area) << c.d.az << "/" << c.d.pl;
        EXPECT_EQ(projectEqualAngle(c.d, 500, 500, 460), c.angle) << c.d.az << "/" << c.d.pl;
    }
    // An upward direction lands outside the primitive circle.
    const CanvasPoint up = projectEqualArea(makeDirection(0, -30), 500, 500, 460);
    EXPECT_LT(up.y, 40);
}

TEST(Projections, InverseProjections) {
    for (auto unproject : {unprojectEqualArea, unprojectEqualAngle}) {
        const Direction centre = unproject(0, 0, 460);
        EXPECT_EQ(centre.az, 0.0f);
        EXPECT_EQ(centre.pl, 90.0f);
        EXPECT_EQ(unproject(600, 0, 460).pl, 0.0f);  // beyond the primitive circle
        EXPECT_NEAR(unproject(0, 100, 460).az, 0.0f, 1e-5);
        EXPECT_NEAR(unproject(0, -100, 460).az, 180.0f, 1e-5);
        EXPECT_NEAR(unproject(-100, 0, 460).az, 270.0f, 1e-5);
        EXPECT_NEAR(unproject(460, 0, 460).pl, 0.0f, 1e-4);
    }
    // Round trips through the forward projections (screen y grows downward).
    const Direction d = makeDirection(40, 30);
    const CanvasPoint a = projectEqualArea(d, 0, 0, 460);
    const Direction ba = unprojectEqualArea(a.x, -a.y, 460);
    EXPECT_NEAR(ba.az, 40.0f, 0.2f);
    EXPECT_NEAR(ba.pl, 30.0f, 0.2f);
    const CanvasPoint g = projectEqualAngle(d, 0, 0, 460);
    const Direction bg = unprojectEqualAngle(g.x, -g.y, 460);
    EXPECT_NEAR(bg.az, 40.0f, 0.2f);
    EXPECT_NEAR(bg.pl, 30.0f, 0.2f);
}

// ---- eigen solver ----

Matrix3d Diag(double a, double b, double c) { return Matrix3d{{{a, 0, 0}, {0, b, 0}, {0, 0, c}}}; }

void ExpectColumnParallel(const Matrix3d& E, int k, double x, double y, double z, double tol = 1e-9) {
    const double dot = E.a[0][k] * x + E.a[1][k] * y + E.a[2][k] * z;
    EXPECT_NEAR(std::fabs(dot), 1.0, tol) << "column " << k;
}

void ExpectOrthonormal(const Matrix3d& E) {
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double dot = 0;
            for (int r = 0; r < 3; ++r) dot += E.a[r][i] * E.a[r][j];
            EXPECT_NEAR(dot, i == j ? 1.0 : 0.0, 1e-9) << i << "," << j;
        }
}

TEST(Eigen, DiagonalMatricesInEitherOrder) {
    for (const Matrix3d& A : {Diag(1, 0.5, 0), Diag(0, 0.5, 1), Diag(0.5, 0, 1)}) {
        const EigenSystem es = eigenVectors(A);
        EXPECT_NEAR(es.L[0], 1.0, 1e-12);
        EXPECT_NEAR(es.L[1], 0.5, 1e-12);
        EXPECT_NEAR(es.L[2], 0.0, 1e-12);
        ExpectOrthonormal(es.E);
    }
    const EigenSystem up = eigenVectors(Diag(0, 0.5, 1));
    ExpectColumnParallel(up.E, 0, 0, 0, 1);
    ExpectColumnParallel(up.E, 2, 1, 0, 0);
    const EigenSystem down = eigenVectors(Diag(1, 0.5, 0));
    ExpectColumnParallel(down.E, 0, 1, 0, 0);
    ExpectColumnParallel(down.E, 1, 0, 1, 0);
    ExpectColumnParallel(down.E, 2, 0, 0, 1);
}

TEST(Eigen, TiedAdjugateRowsTakeTheFirst) {
    const Matrix3d A{{{2, 1, 0}, {1, 2, 0}, {0, 0, 0.5}}};
    const Vector3d L = eigenValues(A);
    EXPECT_NEAR(L[0], 3.0, 1e-12);
    EXPECT_NEAR(L[1], 1.0, 1e-12);
    EXPECT_NEAR(L[2], 0.5, 1e-12);
    const Matrix3d C = cofactorMatrix(A, 3.0);
    EXPECT_DOUBLE_EQ(C.a[0][0], 2.5);
    EXPECT_DOUBLE_EQ(C.a[0][1], 2.5);
    EXPECT_DOUBLE_EQ(C.a[1][1], 2.5);
    EXPECT_DOUBLE_EQ(C.a[2][2], 0.0);
    EXPECT_DOUBLE_EQ(C.a[1][0], C.a[0][1]);
    const EigenSystem es = eigenVectors(A);
    // Row 1 of the adjugate, with its own sign: (1, 1, 0) / sqrt 2.
    EXPECT_NEAR(es.E.a[0][0], std::sqrt(0.5), 1e-6);
    EXPECT_NEAR(es.E.a[1][0], std::sqrt(0.5), 1e-6);
    EXPECT_NEAR(es.E.a[2][0], 0.0, 1e-6);
    ExpectColumnParallel(es.E, 2, 0, 0, 1);
}

TEST(Eigen, GeneralSymmetricMatrixSatisfiesAv) {
    const Matrix3d A{{{0.3, -0.7, 0.2}, {-0.7, 1.1, 0.45}, {0.2, 0.45, -0.9}}};
    const EigenSystem es = eigenVectors(A);
    EXPECT_GE(es.L[0], es.L[1]);
    EXPECT_GE(es.L[1], es.L[2]);
    EXPECT_NEAR(es.L[0] + es.L[1] + es.L[2], 0.5, 1e-12);
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < 3; ++i) {
            double av = 0;
            for (int j = 0; j < 3; ++j) av += A.a[i][j] * es.E.a[j][k];
            EXPECT_NEAR(av, es.L[k] * es.E.a[i][k], 1e-9);
        }
    ExpectOrthonormal(es.E);
}

TEST(Eigen, RepeatedEigenvaluesGiveAnOrthonormalAnswer) {
    struct Case {
        Matrix3d A;
        Vector3d L;
        int simple;  // column of the simple eigenvalue, -1 for none
        Vector3d simpleAxis;
    };
    const Case cases[] = {
        {Diag(2, 2, 2), {2, 2, 2}, -1, {0, 0, 0}},
        {Diag(1, 0.5, 0.5), {1, 0.5, 0.5}, 0, {1, 0, 0}},
        {Diag(0.5, 0.5, -1), {0.5, 0.5, -1}, 2, {0, 0, 1}},
        {Diag(0, 0, 0), {0, 0, 0}, -1, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> messages;
        const EigenSystem es = eigenVectors(c.A, [&](const std::string& m) { messages.push_back(m); });
        for (int k = 0; k < 3; ++k) {
            EXPECT_TRUE(std::isfinite(es.L[k]));
            EXPECT_NEAR(es.L[k], c.L[k], 1e-7);
        }
        ExpectOrthonormal(es.E);
        if (c.simple >= 0) ExpectColumnParallel(es.E, c.simple, c.simpleAxis[0], c.simpleAxis[1], c.simpleAxis[2]);
        for (const std::string& m : messages) EXPECT_EQ(m, "Null vector norm");
    }
}

TEST(Eigen, CosineArgumentOutsideRangeIsClamped) {
    // Nearly a double root: rounding can push R / sqrt(-Q^3) past 1.
    const double e = 1e-9;
    const Matrix3d A{{{1, e, 0}, {e, 1, 0}, {0, 0, 0.2}}};
    const Vector3d L = eigenValues(A);
    for (double x : L) EXPECT_TRUE(std::isfinite(x));
    EXPECT_NEAR(L[0], 1.0, 1e-6);
    EXPECT_NEAR(L[1], 1.0, 1e-6);
    EXPECT_NEAR(L[2], 0.2, 1e-9);
}

TEST(Eigen, NormalizeDVectorOfZeroReports) {
    std::vector<std::string> messages;
    const Vector3d v = normalizeVector3d({0, 0, 0}, [&](const std::string& m) { messages.push_back(m); });
    EXPECT_EQ(v, (Vector3d{0, 0, 0}));
    EXPECT_EQ(messages, std::vector<std::string>{"Null vector norm"});
    const Vector3d u = normalizeVector3d({0, 3, 4});
    EXPECT_DOUBLE_EQ(u[1], 0.6);
    EXPECT_DOUBLE_EQ(u[2], 0.8);
}

}  // namespace
}  // namespace quillon::viewer
