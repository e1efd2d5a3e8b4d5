// Closed-form eigen-analysis of a real symmetric 3 x 3 matrix in double precision:
// eigenvalues from the trigonometric solution of the characteristic cubic, eigenvectors
// from the adjugate of (A - lambda I).  No iteration.
//
// Answers for the cases the closed form leaves open:
// - a cosine argument pushed outside [-1, 1] by rounding is clamped;
// - three equal eigenvalues (Q >= 0 within rounding) give three copies of trace / 3
//   and the identity as eigenvectors;
// - an eigenvector whose adjugate vanishes reports "Null vector norm" and is completed
//   from the others (a cross product, or any unit vector perpendicular to a defined
//   one), so that E is orthonormal also when two eigenvalues coincide (within 1e-6
//   of the largest magnitude: the closed form resolves a double root no better).
#pragma once

#include <array>

#include "viewer/geometry/message_sink.h"

namespace quillon::viewer {

using Vector3d = std::array<double, 3>;

// Row by row: a[i][j] is row i + 1, column j + 1.
struct Matrix3d {
    double a[3][3] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
};

// Descending: L[0] >= L[1] >= L[2].  Always finite for a finite A.
Vector3d eigenValues(const Matrix3d& A);
// adj(A - lambda I), from the upper triangle of A; symmetric.
Matrix3d cofactorMatrix(const Matrix3d& A, double lambda);
// v / |v|; the zero vector reports "Null vector norm" and is returned unchanged.
Vector3d normalizeVector3d(const Vector3d& v, const MessageSink& sink = {});

struct EigenSystem {
    Vector3d L{};  // descending eigenvalues
    Matrix3d E{};  // column k = unit eigenvector of L[k]
};
EigenSystem eigenVectors(const Matrix3d& A, const MessageSink& sink = {});

}  // namespace quillon::viewer
