#include "viewer/geometry/eigen.h"

#include <algorithm>
#include <cmath>

namespace quillon::viewer {
namespace {

Vector3d cross3d(const Vector3d& a, const Vector3d& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

// A unit vector perpendicular to the unit vector v: v crossed with the coordinate
// axis least aligned with it.
Vector3d anyPerpendicular(const Vector3d& v) {
    int k = 0;
    for (int i = 1; i < 3; ++i)
        if (std::fabs(v[i]) < std::fabs(v[k])) k = i;
    Vector3d axis{0.0, 0.0, 0.0};
    axis[k] = 1.0;
    Vector3d p = cross3d(v, axis);
    const double n = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
    return {p[0] / n, p[1] / n, p[2] / n};
}

Vector3d column(const Matrix3d& E, int k) { return {E.a[0][k], E.a[1][k], E.a[2][k]}; }
void setColumn(Matrix3d& E, int k, const Vector3d& v) {
    for (int i = 0; i < 3; ++i) E.a[i][k] = v[i];
}

}  // namespace

Vector3d eigenValues(const Matrix3d& A) {
    const auto& a = A.a;
    const double c2 = -(a[0][0] + a[1][1] + a[2][2]);
    const double c1 = a[0][0] * a[1][1] + a[1][1] * a[2][2] + a[0][0] * a[2][2] - a[1][2] * a[2][1] -
                      a[0][2] * a[2][0] - a[0][1] * a[1][0];
    const double det = a[0][0] * a[1][1] * a[2][2] + a[0][1] * a[1][2] * a[2][0] +
                       a[0][2] * a[1][0] * a[2][1] - a[0][2] * a[1][1] * a[2][0] -
                       a[0][1] * a[1][0] * a[2][2] - a[0][0] * a[1][2] * a[2][1];
    const double c0 = -det;
    const double Q = (3.0 * c1 - c2 * c2) / 9.0;
    const double R = (9.0 * c1 * c2 - 27.0 * c0 - 2.0 * c2 * c2 * c2) / 54.0;
    const double shift = -c2 / 3.0;
    // Q >= 0 only for three equal eigenvalues (Q is -(spread)^2 / 9 at most); a Q
    // that rounding made non-negative leaves no spread to resolve.
    if (!(Q < 0.0)) return {shift, shift, shift};
    double ratio = R / std::sqrt(-Q * Q * Q);
    if (ratio > 1.0) ratio = 1.0;
    if (ratio < -1.0) ratio = -1.0;
    const double theta = std::acos(ratio);
    const double m = 2.0 * std::sqrt(-Q);
    Vector3d mu{m * std::cos(theta / 3.0) + shift,
                m * std::cos(theta / 3.0 + 2.0943951023931957) + shift,
                m * std::cos(theta / 3.0 + 4.188790204786391) + shift};
    auto exchange = [&mu](int i, int j) {
        if (!(mu[i] >= mu[j])) std::swap(mu[i], mu[j]);
    };
    exchange(0, 1);
    exchange(1, 2);
    exchange(0, 1);
    return mu;
}

Matrix3d cofactorMatrix(const Matrix3d& A, double lambda) {
    const auto& a = A.a;
    const double d1 = a[0][0] - lambda, d2 = a[1][1] - lambda, d3 = a[2][2] - lambda;
    Matrix3d C;
    C.a[0][0] = d2 * d3 - a[1][2] * a[1][2];
    C.a[0][1] = a[0][2] * a[1][2] - a[0][1] * d3;
    C.a[0][2] = a[0][1] * a[1][2] - a[0][2] * d2;
    C.a[1][1] = d1 * d3 - a[0][2] * a[0][2];
    C.a[1][2] = a[0][1] * a[0][2] - a[1][2] * d1;
    C.a[2][2] = d1 * d2 - a[0][1] * a[0][1];
    C.a[1][0] = C.a[0][1];
    C.a[2][0] = C.a[0][2];
    C.a[2][1] = C.a[1][2];
    return C;
}

Vector3d normalizeVector3d(const Vector3d& v, const MessageSink& sink) {
    const double n = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (n == 0.0) {
        report(sink, "Null vector norm");
        return v;
    }
    return {v[0] / n, v[1] / n, v[2] / n};
}

EigenSystem eigenVectors(const Matrix3d& A, const MessageSink& sink) {
    EigenSystem out;
    out.L = eigenValues(A);
    bool defined[3];
    for (int k = 0; k < 3; ++k) {
        const Matrix3d C = cofactorMatrix(A, out.L[k]);
        int best = 0;
        double bestNorm = -1.0;
        for (int i = 0; i < 3; ++i) {
            const double n = std::sqrt(C.a[i][0] * C.a[i][0] + C.a[i][1] * C.a[i][1] + C.a[i][2] * C.a[i][2]);
            if (n > bestNorm) {  // strictly greater: the lowest row wins a tie
                bestNorm = n;
                best = i;
            }
        }
        const Vector3d row{C.a[best][0], C.a[best][1], C.a[best][2]};
        setColumn(out.E, k, normalizeVector3d(row, sink));
        defined[k] = bestNorm > 0.0 && std::isfinite(bestNorm);
    }

    // Repeated eigenvalues: the adjugate of a double root vanishes, or gives the same
    // direction of the degenerate plane for both columns.  Build an orthonormal
    // completion from the simple eigenvalue's vector instead.  The closed form finds a
    // double root only to about the square root of the rounding error, so eigenvalues
    // closer than 1e-6 of the largest magnitude count as repeated.
    const Vector3d& L = out.L;
    const double tol = 1e-6 * std::max(std::fabs(L[0]), std::fabs(L[2]));
    const bool top = L[0] - L[1] <= tol, bottom = L[1] - L[2] <= tol;
    if (top && bottom) {
        out.E = Matrix3d{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
        return out;
    }
    if (bottom && defined[0]) {
        const Vector3d e1 = column(out.E, 0);
        const Vector3d e2 = anyPerpendicular(e1);
        setColumn(out.E, 1, e2);
        setColumn(out.E, 2, cross3d(e1, e2));
        return out;
    }
    if (top && defined[2]) {
        const Vector3d e3 = column(out.E, 2);
        const Vector3d e1 = anyPerpendicular(e3);
        setColumn(out.E, 0, e1);
        setColumn(out.E, 1, cross3d(e3, e1));
        return out;
    }
    // A single vanished column between two defined ones: their cross product.
    for (int k = 0; k < 3; ++k) {
        const int i = (k + 1) % 3, j = (k + 2) % 3;
        if (!defined[k] && defined[i] && defined[j]) {
            const Vector3d c = cross3d(column(out.E, i), column(out.E, j));
            const double n = std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
            if (n > 0.0) setColumn(out.E, k, {c[0] / n, c[1] / n, c[2] / n});
        }
    }
    return out;
}

}  // namespace quillon::viewer
