#include "viewer/analysis/vote_clusters.h"

#include <algorithm>
#include <cmath>

#include "viewer/model/stress_statistics.h"

namespace quillon::viewer {

StressState gridPointState(const GridPoint& p) {
    StressState s;
    s.axis[Sigma1] = p.axis[Sigma1];
    s.axis[Sigma3] = p.axis[Sigma3];
    s.stressRatio = p.stressRatio;
    return s;
}

std::vector<const GridPoint*> gridPointsById(const ResultModel& model) {
    std::vector<const GridPoint*> points;
    points.reserve(model.gridPoints.size());
    for (const GridPoint& p : model.gridPoints) points.push_back(&p);
    std::sort(points.begin(), points.end(), [](const GridPoint* a, const GridPoint* b) { return a->id < b->id; });
    return points;
}

const GridPoint* findGridPoint(const std::vector<const GridPoint*>& byId, std::uint16_t id) {
    const auto it =
        std::lower_bound(byId.begin(), byId.end(), id, [](const GridPoint* p, std::uint16_t v) { return p->id < v; });
    return it == byId.end() || (*it)->id != id ? nullptr : *it;
}

double gridSpacingDeg(const ResultModel& model) {
    const std::vector<const GridPoint*> points = gridPointsById(model);
    const std::size_t n = points.size();
    if (n < 2) return 0.0;
    std::vector<Vector5> x(n);
    for (std::size_t i = 0; i < n; ++i) x[i] = unitFiveVector(gridPointState(*points[i]));
    const std::size_t samples = std::min<std::size_t>(n, 256);
    std::vector<double> nearest;
    for (std::size_t s = 0; s < samples; ++s) {
        const std::size_t i = s * n / samples;
        double best = -1.0;
        for (std::size_t j = 0; j < n; ++j)
            if (j != i) best = std::max(best, dot5(x[i], x[j]));
        nearest.push_back(std::acos(std::clamp(best, -1.0, 1.0)) * kRadToDeg);
    }
    std::sort(nearest.begin(), nearest.end());
    const std::size_t m = nearest.size();
    return m % 2 ? nearest[m / 2] : 0.5 * (nearest[m / 2 - 1] + nearest[m / 2]);
}

StressState voteWeightedMean(const ResultModel& model, const std::vector<std::uint16_t>& ids) {
    const std::vector<const GridPoint*> points = gridPointsById(model);
    double S[3][3] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
    double W = 0.0;
    for (std::uint16_t id : ids) {
        const GridPoint* found = findGridPoint(points, id);
        if (!found) continue;
        const GridPoint& p = *found;
        const Matrix3 T = tensorOfStressState(p.axis[Sigma1], p.axis[Sigma3], p.stressRatio);
        for (int j = 0; j < 3; ++j)
            for (int k = j; k < 3; ++k) S[j][k] += p.votes * double(T.a[j][k]);
        W += p.votes;
    }
    if (W <= 0.0) return undefinedStressState();
    Matrix3d A;
    for (int j = 0; j < 3; ++j)
        for (int k = j; k < 3; ++k) A.a[j][k] = A.a[k][j] = S[j][k] / W;
    const MeanStress m = meanAxesAndRatio(A);
    StressState s;
    s.axis[Sigma1] = m.sigma1;
    s.axis[Sigma3] = m.sigma3;
    s.stressRatio = m.phi;
    return s;
}

Clustering clusterVotes(const ResultModel& model, const ClusteringOptions& options) {
    Clustering out;
    out.bandwidthDeg = options.bandwidthDeg > 0.0 ? options.bandwidthDeg : gridSpacingDeg(model);
    std::vector<const GridPoint*> voted;
    for (const GridPoint* p : gridPointsById(model))
        if (p->votes > 0) voted.push_back(p);
    const std::size_t m = voted.size();
    out.votedStates = static_cast<int>(m);
    for (const GridPoint* p : voted) out.totalVotes += p->votes;
    if (m == 0 || out.bandwidthDeg <= 0.0) {
        if (m == 0) return out;
        out.bandwidthDeg = 1.0;  // a grid of one state: any width separates nothing
    }

    std::vector<Vector5> x(m);
    for (std::size_t i = 0; i < m; ++i) x[i] = unitFiveVector(gridPointState(*voted[i]));
    // Gaussian kernel of the angle, written with the cosine: exp((cos a - 1) / h^2) is
    // exp(-a^2 / 2h^2) to second order; cut beyond three bandwidths.
    const double h = out.bandwidthDeg * kDegToRad;
    const double inv = 1.0 / (h * h);
    const double cutKernel = std::cos(std::min(3.0 * h, M_PI));
    const double cutLink = std::cos(std::min(2.0 * h, M_PI));
    std::vector<double> density(m, 0.0);
    for (std::size_t i = 0; i < m; ++i) {
        double d = 0.0;
        for (std::size_t j = 0; j < m; ++j) {
            const double c = dot5(x[i], x[j]);
            if (c >= cutKernel) d += voted[j]->votes * std::exp((c - 1.0) * inv);
        }
        density[i] = d;
    }
    auto higher = [&](std::size_t j, std::size_t i) {
        return density[j] > density[i] || (density[j] == density[i] && voted[j]->id < voted[i]->id);
    };
    std::vector<std::size_t> parent(m);
    for (std::size_t i = 0; i < m; ++i) {
        parent[i] = i;
        double best = cutLink;
        for (std::size_t j = 0; j < m; ++j) {
            if (j == i || !higher(j, i)) continue;
            const double c = dot5(x[i], x[j]);
            if (c > best || (c == best && parent[i] != i && voted[j]->id < voted[parent[i]]->id)) {
                best = c;
                parent[i] = j;
            }
        }
    }
    // Follow the links to the modes (each link goes to a strictly higher state, so
    // every chain ends).
    std::vector<std::size_t> root(m);
    for (std::size_t i = 0; i < m; ++i) {
        std::size_t r = i;
        while (parent[r] != r) r = parent[r];
        root[i] = r;
    }
    std::vector<VoteCluster> clusters;
    std::vector<int> clusterOf(m, -1);
    for (std::size_t i = 0; i < m; ++i) {
        const std::size_t r = root[i];
        if (clusterOf[r] < 0) {
            clusterOf[r] = static_cast<int>(clusters.size());
            clusters.push_back({});
            clusters.back().modeId = voted[r]->id;
        }
        VoteCluster& c = clusters[clusterOf[r]];
        c.gridIds.push_back(voted[i]->id);
        c.votes += voted[i]->votes;
    }
    for (VoteCluster& c : clusters) {
        c.share = out.totalVotes > 0 ? double(c.votes) / double(out.totalVotes) : 0.0;
        if (c.share + 1e-12 < options.minVoteShare) continue;
        c.mean = voteWeightedMean(model, c.gridIds);
        out.clusters.push_back(std::move(c));
    }
    std::sort(out.clusters.begin(), out.clusters.end(), [](const VoteCluster& a, const VoteCluster& b) {
        return a.votes != b.votes ? a.votes > b.votes : a.modeId < b.modeId;
    });
    return out;
}

}  // namespace quillon::viewer
