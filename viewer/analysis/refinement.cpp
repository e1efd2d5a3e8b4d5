#include "viewer/analysis/refinement.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace quillon::viewer {
namespace {

Vector3d unitVector(double azDeg, double plDeg) {
    const double az = azDeg * kDegToRad, pl = plDeg * kDegToRad;
    return {std::cos(pl) * std::sin(az), std::cos(pl) * std::cos(az), -std::sin(pl)};
}

auto planeKey(const SlipPlane& p) {
    return std::make_tuple(p.normal[0], p.normal[1], p.normal[2], p.slip[0], p.slip[1], p.slip[2]);
}

double clampCos(double c) { return std::clamp(c, -1.0, 1.0); }

using V3 = Vector3d;
V3 mul(const Matrix3d& T, const V3& v) {
    return {T.a[0][0] * v[0] + T.a[0][1] * v[1] + T.a[0][2] * v[2],
            T.a[1][0] * v[0] + T.a[1][1] * v[1] + T.a[1][2] * v[2],
            T.a[2][0] * v[0] + T.a[2][1] * v[1] + T.a[2][2] * v[2]};
}
double dot3(const V3& a, const V3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
V3 cross3(const V3& a, const V3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double angleOf(const V3& a, const V3& b) {  // unit vectors, radians
    return std::atan2(std::sqrt(dot3(cross3(a, b), cross3(a, b))), dot3(a, b));
}


// One datum of a pool with its plane fixed: the sum the inner search maximises.
struct Assignment {
    std::vector<const SlipPlane*> planes;  // explained data, their chosen planes
    bool operator==(const Assignment& o) const { return planes == o.planes; }
};

Assignment assign(const std::vector<SlipDatum>& data, const std::vector<int>& pool, const Vector5& x,
                  double cosThreshold) {
    const Matrix3d T = tensorOfFiveVector(x);
    Assignment a;
    for (int i : pool) {
        const auto [p, c] = bestFit(T, data[i]);
        if (c >= cosThreshold) a.planes.push_back(&data[i].planes[p]);
    }
    return a;
}

double assignedSum(const Assignment& a, const Vector5& x) {
    const Matrix3d T = tensorOfFiveVector(x);
    double s = 0.0;
    for (const SlipPlane* p : a.planes) s += fitCosine(T, *p);
    return s;
}

Vector5 pointAt(const Vector5& centre, const std::array<Vector5, 4>& basis, const std::array<double, 4>& t) {
    Vector5 y = centre;
    for (int j = 0; j < 4; ++j)
        for (int k = 0; k < 5; ++k) y[k] += t[j] * basis[j][k];
    return normalized5(y);
}

// Nelder-Mead maximisation of the assigned sum over the tangent coordinates at `centre`;
// the start (t = 0) is a vertex of the simplex, so the best vertex is never below it.
Vector5 searchFrom(const Assignment& a, const Vector5& centre, double step, double& best) {
    const std::array<Vector5, 4> basis = tangentBasis(centre);
    using Point = std::array<double, 4>;
    std::array<Point, 5> v{};
    std::array<double, 5> f{};  // values to minimise: minus the sum
    for (int j = 0; j < 5; ++j) {
        v[j].fill(0.0);
        if (j > 0) v[j][j - 1] = step;
        f[j] = -assignedSum(a, pointAt(centre, basis, v[j]));
    }
    auto value = [&](const Point& p) { return -assignedSum(a, pointAt(centre, basis, p)); };
    for (int eval = 0; eval < 3000;) {
        std::array<int, 5> order{0, 1, 2, 3, 4};
        std::stable_sort(order.begin(), order.end(), [&f](int i, int j) { return f[i] < f[j]; });
        std::array<Point, 5> sv;
        std::array<double, 5> sf;
        for (int j = 0; j < 5; ++j) {
            sv[j] = v[order[j]];
            sf[j] = f[order[j]];
        }
        v = sv;
        f = sf;
        double size = 0.0;
        for (int j = 1; j < 5; ++j)
            for (int k = 0; k < 4; ++k) size = std::max(size, std::fabs(v[j][k] - v[0][k]));
        if (f[4] - f[0] <= 1e-12 * (1.0 + std::fabs(f[0])) && size < 1e-6) break;
        if (size < 1e-9) break;
        Point c{};
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k) c[k] += v[j][k] / 4.0;
        auto along = [&](double s) {
            Point p;
            for (int k = 0; k < 4; ++k) p[k] = c[k] + s * (v[4][k] - c[k]);
            return p;
        };
        const Point r = along(-1.0);
        const double fr = value(r);
        ++eval;
        if (fr < f[0]) {
            const Point e = along(-2.0);
            const double fe = value(e);
            ++eval;
            if (fe < fr) { v[4] = e; f[4] = fe; } else { v[4] = r; f[4] = fr; }
        } else if (fr < f[3]) {
            v[4] = r;
            f[4] = fr;
        } else {
            const bool outside = fr < f[4];
            const Point k = along(outside ? -0.5 : 0.5);
            const double fk = value(k);
            ++eval;
            if (fk < (outside ? fr : f[4])) {
                v[4] = k;
                f[4] = fk;
            } else {
                for (int j = 1; j < 5; ++j) {
                    for (int m = 0; m < 4; ++m) v[j][m] = v[0][m] + 0.5 * (v[j][m] - v[0][m]);
                    f[j] = value(v[j]);
                    ++eval;
                }
            }
        }
    }
    int bestVertex = 0;
    for (int j = 1; j < 5; ++j)
        if (f[j] < f[bestVertex]) bestVertex = j;
    best = -f[bestVertex];
    return pointAt(centre, basis, v[bestVertex]);
}

}  // namespace

std::vector<SlipDatum> analysisData(const FaultDataSet& data) {
    FaultDataSet copy = data;
    copy.determineSenses();
    const int n = std::min<int>(copy.count, static_cast<int>(copy.records.size()) - 1);
    auto plane = [&copy](int line) {
        const FaultDatum& d = copy.records[line];
        SlipPlane p;
        p.normal = unitVector(d.plane.az + 180.0, 90.0 - d.plane.pl);
        p.slip = unitVector(d.slip.az, d.slip.pl);
        if (d.reducedSense == SenseOfShear::Reverse) p.slip = {-p.slip[0], -p.slip[1], -p.slip[2]};
        return p;
    };
    std::vector<SlipDatum> out;
    const bool focal = copy.dataType == "s";
    for (int line = 1; line <= n; line += focal ? 2 : 1) {
        SlipDatum d;
        d.firstLine = line;
        d.planes[0] = plane(line);
        if (focal && line + 1 <= n) {
            d.planes[1] = plane(line + 1);
            d.planeCount = 2;
            if (planeKey(d.planes[1]) < planeKey(d.planes[0])) std::swap(d.planes[0], d.planes[1]);
        }
        out.push_back(d);
    }
    std::stable_sort(out.begin(), out.end(), [](const SlipDatum& a, const SlipDatum& b) {
        const auto ka = std::make_tuple(a.planeCount, planeKey(a.planes[0]), planeKey(a.planes[1]));
        const auto kb = std::make_tuple(b.planeCount, planeKey(b.planes[0]), planeKey(b.planes[1]));
        return ka < kb;
    });
    return out;
}

double misfitCosine(const Matrix3d& T, const SlipPlane& p) {
    const auto& n = p.normal;
    double t[3];
    for (int i = 0; i < 3; ++i) t[i] = T.a[i][0] * n[0] + T.a[i][1] * n[1] + T.a[i][2] * n[2];
    const double tn = t[0] * n[0] + t[1] * n[1] + t[2] * n[2];
    double tau[3], len2 = 0.0, along = 0.0;
    for (int i = 0; i < 3; ++i) {
        tau[i] = t[i] - tn * n[i];
        len2 += tau[i] * tau[i];
        along += tau[i] * p.slip[i];
    }
    if (len2 < 1e-20) return 0.0;
    return clampCos(along / std::sqrt(len2));
}

// The correction is searched by Gauss-Newton steps from the observed plane, over the
// normal moved by u in the tangent plane of the observed normal: the squared distance
// |u|^2 + |shear(n(u)) - slip|^2 (chords for the angles, exact to second order) falls
// at every accepted step.  The answer is the exact angles of the correction found, in
// quadrature, and never more than the misfit, which the uncorrected plane already gives.
double orthogonalDistance(const Matrix3d& T, const SlipPlane& p) {
    const V3& n0 = p.normal;
    const V3& s0 = p.slip;
    // Shear direction on the plane of normal n, with its length.
    auto shear = [&T](const V3& n, double& len) {
        const V3 t = mul(T, n);
        const double tn = dot3(t, n);
        V3 tau{t[0] - tn * n[0], t[1] - tn * n[1], t[2] - tn * n[2]};
        len = std::sqrt(dot3(tau, tau));
        if (len > 0.0)
            for (double& c : tau) c /= len;
        return tau;
    };
    double len = 0.0;
    const V3 start = shear(n0, len);
    const double misfit = len < 1e-10 ? std::acos(0.0) : angleOf(start, s0);
    double best = misfit;
    // Tangent basis at the observed normal.
    V3 e1 = std::fabs(n0[0]) < 0.9 ? V3{1, 0, 0} : V3{0, 1, 0};
    const double pr = dot3(e1, n0);
    for (int k = 0; k < 3; ++k) e1[k] -= pr * n0[k];
    const double l1 = std::sqrt(dot3(e1, e1));
    for (double& c : e1) c /= l1;
    const V3 e2 = cross3(n0, e1);
    double u[2] = {0.0, 0.0};
    auto normalAt = [&](const double* w) {
        V3 n{n0[0] + w[0] * e1[0] + w[1] * e2[0], n0[1] + w[0] * e1[1] + w[1] * e2[1],
             n0[2] + w[0] * e1[2] + w[1] * e2[2]};
        const double l = std::sqrt(dot3(n, n));
        for (double& c : n) c /= l;
        return n;
    };
    auto cost = [&](const double* w, V3& n, V3& s, double& l) {
        n = normalAt(w);
        s = shear(n, l);
        const V3 r{s[0] - s0[0], s[1] - s0[1], s[2] - s0[2]};
        return w[0] * w[0] + w[1] * w[1] + dot3(r, r);
    };
    V3 n, s;
    double c = cost(u, n, s, len);
    for (int it = 0; it < 8 && len > 1e-10; ++it) {
        // Jacobian of the shear direction with respect to u, through the normal: with
        // tau = T n - (n.T n) n, d tau = T v - 2 (n.T v) n - (n.T n) v for a move v of n,
        // and the unit shear direction changes by the part of d tau across it over |tau|.
        const double tn = dot3(mul(T, n), n);
        V3 J[2];
        for (int j = 0; j < 2; ++j) {
            const V3& e = j == 0 ? e1 : e2;
            const double en = dot3(e, n);
            const V3 v{e[0] - en * n[0], e[1] - en * n[1], e[2] - en * n[2]};  // move of n along u_j
            const V3 Tv = mul(T, v);
            const double nTv = dot3(n, Tv);
            V3 dtau{Tv[0] - 2 * nTv * n[0] - tn * v[0], Tv[1] - 2 * nTv * n[1] - tn * v[1],
                    Tv[2] - 2 * nTv * n[2] - tn * v[2]};
            const double ds = dot3(s, dtau);
            for (int k = 0; k < 3; ++k) J[j][k] = (dtau[k] - ds * s[k]) / len;
        }
        const V3 r{s[0] - s0[0], s[1] - s0[1], s[2] - s0[2]};
        const double a11 = 1.0 + dot3(J[0], J[0]), a12 = dot3(J[0], J[1]), a22 = 1.0 + dot3(J[1], J[1]);
        const double g1 = u[0] + dot3(J[0], r), g2 = u[1] + dot3(J[1], r);
        const double det = a11 * a22 - a12 * a12;
        double step[2] = {-(a22 * g1 - a12 * g2) / det, -(a11 * g2 - a12 * g1) / det};
        if (step[0] * step[0] + step[1] * step[1] < 1e-10) break;  // converged
        bool moved = false;  // halve the step until it lowers the distance
        for (int h = 0; h < 6 && !moved; ++h) {
            const double w[2] = {u[0] + step[0], u[1] + step[1]};
            V3 n2, s2;
            double l2;
            const double c2 = cost(w, n2, s2, l2);
            if (c2 < c && l2 > 1e-10) {
                u[0] = w[0];
                u[1] = w[1];
                n = n2;
                s = s2;
                len = l2;
                c = c2;
                moved = true;
            } else {
                step[0] *= 0.5;
                step[1] *= 0.5;
            }
        }
        if (!moved) break;
    }
    if (len > 1e-10) {
        const double a = angleOf(n, n0), b = angleOf(s, s0);
        best = std::min(best, std::sqrt(a * a + b * b));
    }
    return best;
}

double fitCosine(const Matrix3d& T, const SlipPlane& p) { return std::cos(orthogonalDistance(T, p)); }

namespace {

// The better of a datum's planes (a focal mechanism has two) by `cosine`, and its value.
template <typename Cosine>
std::pair<int, double> betterPlane(const Matrix3d& T, const SlipDatum& d, Cosine cosine) {
    int best = 0;
    double c = cosine(T, d.planes[0]);
    if (d.planeCount > 1) {
        const double c2 = cosine(T, d.planes[1]);
        if (c2 > c) {
            best = 1;
            c = c2;
        }
    }
    return {best, c};
}

}  // namespace

std::pair<int, double> bestFit(const Matrix3d& T, const SlipDatum& d) { return betterPlane(T, d, fitCosine); }

std::pair<int, double> bestPlane(const Matrix3d& T, const SlipDatum& d) { return betterPlane(T, d, misfitCosine); }

double solutionScore(const std::vector<SlipDatum>& data, const std::vector<int>& pool, const Vector5& x,
                     double thresholdDeg) {
    const double floor = std::cos(thresholdDeg * kDegToRad);
    const Matrix3d T = tensorOfFiveVector(x);
    double s = 0.0;
    for (int i : pool) s += std::max(bestFit(T, data[i]).second, floor);
    return s;
}

Refinement refineStress(const std::vector<SlipDatum>& data, const std::vector<int>& pool, const Vector5& start,
                        double thresholdDeg) {
    const double cosThreshold = std::cos(thresholdDeg * kDegToRad);
    Refinement r;
    r.x = normalized5(start);
    r.startScore = r.score = solutionScore(data, pool, r.x, thresholdDeg);
    Assignment current = assign(data, pool, r.x, cosThreshold);
    for (int round = 0; round < 50 && !current.planes.empty(); ++round) {
        r.rounds = round + 1;
        // A wide search, then narrower ones from its best point until they stop gaining.
        double sum = assignedSum(current, r.x);
        Vector5 x = r.x;
        double step = 0.1;
        for (int pass = 0; pass < 4; ++pass) {
            double found = 0.0;
            const Vector5 y = searchFrom(current, x, step, found);
            const bool gained = found > sum + 1e-12;
            if (gained) {
                x = y;
                sum = found;
            }
            if (!gained && pass > 0) break;
            step = 0.02;
        }
        const double score = solutionScore(data, pool, x, thresholdDeg);
        if (score < r.score) break;  // rounding only: the search cannot lose
        r.x = x;
        r.score = score;
        Assignment next = assign(data, pool, r.x, cosThreshold);
        if (next == current) break;
        current = std::move(next);
    }
    return r;
}

std::vector<int> explainedData(const std::vector<SlipDatum>& data, const Vector5& x, double thresholdDeg) {
    const Matrix3d T = tensorOfFiveVector(x);
    std::vector<int> ids;
    for (std::size_t i = 0; i < data.size(); ++i)
        if (std::acos(bestPlane(T, data[i]).second) * kRadToDeg <= thresholdDeg + 1e-9) ids.push_back(int(i));
    return ids;
}

double meanMisfitDeg(const std::vector<SlipDatum>& data, const std::vector<int>& ids, const Vector5& x) {
    if (ids.empty()) return 0.0;
    const Matrix3d T = tensorOfFiveVector(x);
    double s = 0.0;
    for (int i : ids) s += std::acos(bestPlane(T, data[i]).second) * kRadToDeg;
    return s / double(ids.size());
}

}  // namespace quillon::viewer
