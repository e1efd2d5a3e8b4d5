#include "viewer/analysis/stress_solutions.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <cstdlib>


namespace quillon::viewer {
namespace {

std::string fixed(double v, int decimals) {
    if (std::fabs(v) < 0.5 * std::pow(10.0, -decimals)) v = 0.0;  // no "-0.0"
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

// Display width of UTF-8 text: continuation bytes take no column.
std::size_t columns(const std::string& s) {
    std::size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

std::string padLeft(const std::string& s, std::size_t width) {
    const std::size_t w = columns(s);
    return w >= width ? s : std::string(width - w, ' ') + s;
}
std::string padRight(const std::string& s, std::size_t width) {
    const std::size_t w = columns(s);
    return w >= width ? s : s + std::string(width - w, ' ');
}

std::string trimmed(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
    return s.substr(b, e - b);
}

std::uint64_t clusterSeed(std::uint64_t seed, int rank) {
    return seed ^ (0xD1B54A32D192ED03ull * static_cast<std::uint64_t>(rank));
}


struct SharingCancelled {};

// Data shared out among several stresses.  A datum that one stress explains (within the
// threshold, by the refinement's orthogonal distance) and fits better than another is
// left to that one: each stress is refined on the data no other stress explains better,
// and the data are shared out again until the sharing is stable.  The total score of
// several stresses scores each datum under the stress it fits best.
class StressSharing {
public:
    // `keepGoing` is asked between steps; when it returns false, the step throws
    // SharingCancelled.
    StressSharing(const std::vector<SlipDatum>& items, double thresholdDeg, std::function<bool()> keepGoing)
        : items_(items),
          thresholdDeg_(thresholdDeg),
          cosThreshold_(std::cos(thresholdDeg * kDegToRad)),
          keepGoing_(std::move(keepGoing)) {
        for (std::size_t i = 0; i < items.size(); ++i) all_.push_back(static_cast<int>(i));
    }

    void checkpoint() const {
        if (keepGoing_ && !keepGoing_()) throw SharingCancelled{};
    }

    // Each stress's share: the data no other stress explains better.
    std::vector<std::vector<int>> sharedOut(const std::vector<Vector5>& points) const {
        const std::size_t count = points.size();
        const std::vector<Matrix3d> T = tensors(points);
        std::vector<std::vector<int>> shares(count);
        std::vector<double> c(count);
        for (int i : all_) {
            for (std::size_t k = 0; k < count; ++k) c[k] = bestFit(T[k], items_[i]).second;
            for (std::size_t k = 0; k < count; ++k) {
                bool claimed = false;
                for (std::size_t j = 0; j < count && !claimed; ++j)
                    claimed = j != k && c[j] >= cosThreshold_ && (c[j] > c[k] || (c[j] == c[k] && j < k));
                if (!claimed) shares[k].push_back(i);
            }
        }
        return shares;
    }

    double totalScore(const std::vector<Vector5>& points) const {
        const std::vector<Matrix3d> T = tensors(points);
        double sum = 0.0;
        for (int i : all_) {
            double best = cosThreshold_;
            for (const Matrix3d& t : T) best = std::max(best, bestFit(t, items_[i]).second);
            sum += best;
        }
        return sum;
    }

    // Shares out and refines until the shares are stable (20 rounds at most).
    std::vector<Vector5> settle(std::vector<Vector5> points, std::vector<std::vector<int>>& shares) const {
        shares.assign(points.size(), all_);
        for (int round = 0; round < 20; ++round) {
            checkpoint();
            std::vector<std::vector<int>> next = sharedOut(points);
            if (next == shares) break;
            shares = std::move(next);
            for (std::size_t k = 0; k < points.size(); ++k)
                points[k] = refineStress(items_, shares[k], points[k], thresholdDeg_).x;
        }
        return points;
    }

    // For each datum, whether some stress explains it, and how many some stress
    // explains, by the misfit as the data window counts them.
    std::vector<char> explainedFlags(const std::vector<Vector5>& points) const {
        std::vector<char> explained(items_.size(), 0);
        for (const Vector5& x : points)
            for (int i : explainedData(items_, x, thresholdDeg_)) explained[i] = 1;
        return explained;
    }
    int explainedCount(const std::vector<Vector5>& points) const {
        const std::vector<char> e = explainedFlags(points);
        return static_cast<int>(std::count(e.begin(), e.end(), 1));
    }

    // A datum that two stresses both explain is handed from the one it fits best to
    // the other, the two refined on their new shares and the sharing settled again;
    // the change is kept when it raises the total score, until no such change does
    // (three passes at most).
    void handOver(std::vector<Vector5>& points, std::vector<std::vector<int>>& pools) const {
        const std::size_t count = points.size();
        if (count < 2) return;
        double total = totalScore(points);
        for (int pass = 0; pass < 3; ++pass) {
            bool improved = false;
            for (int i : all_) {
                checkpoint();
                std::vector<double> c(count);
                for (std::size_t k = 0; k < count; ++k) c[k] = bestFit(tensorOfFiveVector(points[k]), items_[i]).second;
                std::size_t owner = 0;
                for (std::size_t k = 1; k < count; ++k)
                    if (c[k] > c[owner]) owner = k;
                if (c[owner] < cosThreshold_) continue;
                for (std::size_t j = 0; j < count; ++j) {
                    if (j == owner || c[j] < cosThreshold_) continue;
                    std::vector<int> ownerShare, otherShare = pools[j];
                    for (int m : pools[owner])
                        if (m != i) ownerShare.push_back(m);
                    if (!std::binary_search(otherShare.begin(), otherShare.end(), i))
                        otherShare.insert(std::upper_bound(otherShare.begin(), otherShare.end(), i), i);
                    std::vector<Vector5> trial = points;
                    trial[owner] = refineStress(items_, ownerShare, trial[owner], thresholdDeg_).x;
                    trial[j] = refineStress(items_, otherShare, trial[j], thresholdDeg_).x;
                    std::vector<std::vector<int>> trialPools;
                    trial = settle(trial, trialPools);
                    const double t = totalScore(trial);
                    if (t > total + 1e-12) {
                        total = t;
                        points = std::move(trial);
                        pools = std::move(trialPools);
                        improved = true;
                        break;
                    }
                }
            }
            if (!improved) break;
        }
    }

    const std::vector<SlipDatum>& items() const { return items_; }
    double thresholdDeg() const { return thresholdDeg_; }

private:
    static std::vector<Matrix3d> tensors(const std::vector<Vector5>& points) {
        std::vector<Matrix3d> T;
        for (const Vector5& x : points) T.push_back(tensorOfFiveVector(x));
        return T;
    }

    const std::vector<SlipDatum>& items_;
    double thresholdDeg_;
    double cosThreshold_;
    std::function<bool()> keepGoing_;
    std::vector<int> all_;
};

// Solutions with their points and shares, in order of votes (stable).
void sortByVotes(std::vector<StressSolution>& solutions, std::vector<Vector5>& points,
                 std::vector<std::vector<int>>& pools) {
    std::vector<std::size_t> order(solutions.size());
    for (std::size_t k = 0; k < order.size(); ++k) order[k] = k;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return solutions[a].votes > solutions[b].votes; });
    std::vector<StressSolution> sorted;
    std::vector<Vector5> sortedPoints;
    std::vector<std::vector<int>> sortedPools;
    for (std::size_t k : order) {
        sorted.push_back(std::move(solutions[k]));
        sortedPoints.push_back(points[k]);
        sortedPools.push_back(std::move(pools[k]));
    }
    solutions = std::move(sorted);
    points = std::move(sortedPoints);
    pools = std::move(sortedPools);
}

// A stress must explain data of its own.  Subsets that mix data of two stresses vote
// for states between them, and such a pile of votes refines to a blend that takes a few
// data from each: when the other stresses, shared out again without it, leave fewer
// than `minOwnData` of the data explained now without a stress that explains them, it
// joins the stress nearest to it (fewest votes first).
void joinStressesWithoutDataOfTheirOwn(const ResultModel& model, const StressSharing& sharing, int minOwnData,
                                       std::vector<StressSolution>& solutions, std::vector<Vector5>& points,
                                       std::vector<std::vector<int>>& pools) {
    for (bool joined = true; joined && points.size() > 1;) {
        joined = false;
        const int explainedNow = sharing.explainedCount(points);
        for (std::size_t k = points.size(); k-- > 0 && !joined;) {
            std::vector<Vector5> rest = points;
            rest.erase(rest.begin() + static_cast<std::ptrdiff_t>(k));
            std::vector<std::vector<int>> restPools;
            rest = sharing.settle(rest, restPools);
            if (explainedNow - sharing.explainedCount(rest) >= minOwnData) continue;
            std::size_t nearest = k == 0 ? 1 : 0;
            for (std::size_t j = 0; j < points.size(); ++j)
                if (j != k && angleBetween5(points[j], points[k]) < angleBetween5(points[nearest], points[k]))
                    nearest = j;
            StressSolution& into = solutions[nearest];
            const StressSolution& from = solutions[k];
            into.gridIds.insert(into.gridIds.end(), from.gridIds.begin(), from.gridIds.end());
            std::sort(into.gridIds.begin(), into.gridIds.end());
            into.votes += from.votes;
            into.mean = voteWeightedMean(model, into.gridIds);
            solutions.erase(solutions.begin() + static_cast<std::ptrdiff_t>(k));
            points = std::move(rest);
            pools = std::move(restPools);
            sortByVotes(solutions, points, pools);  // the joined votes can change the order
            joined = true;
        }
    }
}

// A few tens of data with a few degrees of noise do not tell apart two stresses closer
// than this: the data of one noisy stress, split in two, fit several more data.
constexpr double kMinSeparationDeg = 40.0;

// Two stresses close enough in orientation give one pile of votes, and its cluster
// refines to one of them, or to a blend, leaving the other's data unexplained.  When at
// least a quarter of the data is unexplained (with fewer, a stress fitted to them would
// fit noise: any stress explains a few data by chance), the voted states of the
// clusters at least `minApartDeg` from every stress that explain `minOwnData` of the
// unexplained data are candidates.  The leading ones are each refined on the
// unexplained data and the data shared out again, with the stress of the cluster the
// candidate came from kept as it is or first refined on the data the candidate leaves
// (a blend of two stresses holds on to data of both).  A trial counts when it explains
// `minOwnData` more data than before, its new stress stays 40 degrees (and `minApartDeg`)
// from the others, and the clusters' states nearer to the new stress than to their own
// hold at least `minVoteShare` of the votes while every cluster keeps that share; of
// those, the one explaining the most data (then with the higher total score) is kept,
// and those states leave their clusters for the new stress.  False, with nothing
// changed, when no trial counts.
bool addStressForUnexplainedData(const ResultModel& model, const StressSharing& sharing, int minOwnData,
                                 double minApartDeg, double minVoteShare, std::int64_t totalVotes,
                                 std::vector<StressSolution>& solutions, std::vector<Vector5>& points,
                                 std::vector<std::vector<int>>& pools) {
    const std::vector<SlipDatum>& items = sharing.items();
    const std::vector<char> explained = sharing.explainedFlags(points);
    std::vector<int> unexplained;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (!explained[i]) unexplained.push_back(static_cast<int>(i));
    const int unexplainedCount = static_cast<int>(unexplained.size());
    if (4 * unexplainedCount < static_cast<int>(items.size()) || unexplainedCount < minOwnData) return false;

    const std::vector<const GridPoint*> byId = gridPointsById(model);
    auto gridPoint = [&](std::uint16_t id) { return findGridPoint(byId, id); };
    auto pointOf = [](const GridPoint& p) { return unitFiveVector(gridPointState(p)); };
    const double cosApart = std::cos(minApartDeg * kDegToRad);
    const double cosSeparate = std::cos(std::max(minApartDeg, kMinSeparationDeg) * kDegToRad);
    const double cosThreshold = std::cos(sharing.thresholdDeg() * kDegToRad);
    struct Candidate {
        const GridPoint* state;
        Vector5 x;
        int count;
        double score;  // total score with the present stresses, unrefined
        std::size_t cluster;
    };
    std::vector<Candidate> candidates;
    std::size_t looked = 0;
    for (std::size_t k = 0; k < solutions.size(); ++k)
        for (std::uint16_t id : solutions[k].gridIds) {
            if (++looked % 256 == 0) sharing.checkpoint();
            const GridPoint* p = gridPoint(id);
            if (!p) continue;
            const Vector5 x = pointOf(*p);
            bool apart = true;
            for (const Vector5& y : points) apart = apart && dot5(x, y) < cosApart;
            if (!apart) continue;
            const Matrix3d T = tensorOfFiveVector(x);
            int count = 0;
            for (int i : unexplained) count += bestPlane(T, items[i]).second >= cosThreshold - 1e-12;
            if (count < minOwnData) continue;
            std::vector<Vector5> with = points;
            with.push_back(x);
            candidates.push_back({p, x, count, sharing.totalScore(with), k});
        }
    // The leading candidates by the total score they give unrefined and by how many
    // unexplained data they explain (four each, each apart from those taken before
    // it) are tried.
    std::vector<const Candidate*> picks;
    auto pick = [&](auto better) {
        std::vector<const Candidate*> order;
        for (const Candidate& c : candidates) order.push_back(&c);
        std::sort(order.begin(), order.end(), [&](const Candidate* a, const Candidate* b) {
            if (better(*a, *b)) return true;
            if (better(*b, *a)) return false;
            if (a->state->votes != b->state->votes) return a->state->votes > b->state->votes;
            return a->state->id < b->state->id;
        });
        int taken = 0;
        for (const Candidate* c : order) {
            if (taken == 4) break;
            bool apart = true;
            for (const Candidate* y : picks) apart = apart && dot5(c->x, y->x) < cosApart;
            if (!apart) continue;
            picks.push_back(c);
            ++taken;
        }
    };
    pick([](const Candidate& a, const Candidate& b) { return a.score > b.score; });
    pick([](const Candidate& a, const Candidate& b) { return a.count > b.count; });
    struct Trial {
        std::vector<Vector5> points;
        std::vector<std::vector<int>> pools;
        std::vector<std::vector<std::uint16_t>> keep;
        std::vector<std::uint16_t> taken;
        std::int64_t takenVotes = 0;
        int explained = 0;  // data some stress explains
        double score = 0.0;
    };
    std::optional<Trial> best;
    const int explainedNow = sharing.explainedCount(points);
    for (const Candidate* picked : picks) {
        const Candidate& c = *picked;
        // The new stress refined on the unexplained data; the stress of the cluster it
        // came from either kept or first refined on the data the new one leaves (a
        // blend of two stresses holds on to data of both).
        const Vector5 start = refineStress(items, unexplained, c.x, sharing.thresholdDeg()).x;
        const std::vector<int> leftOver = [&] {
            const std::vector<int> taken = explainedData(items, start, sharing.thresholdDeg());
            std::vector<int> rest;
            for (std::size_t i = 0; i < items.size(); ++i)
                if (!std::binary_search(taken.begin(), taken.end(), static_cast<int>(i))) rest.push_back(static_cast<int>(i));
            return rest;
        }();
        for (int variant = 0; variant < 2; ++variant) {
            Trial t;
            t.points = points;
            if (variant == 1) t.points[c.cluster] = refineStress(items, leftOver, points[c.cluster], sharing.thresholdDeg()).x;
            t.points.push_back(start);
            t.points = sharing.settle(t.points, t.pools);
            t.explained = sharing.explainedCount(t.points);
            if (t.explained - explainedNow < minOwnData) continue;
            const Vector5& added = t.points.back();
            bool separate = true;
            for (std::size_t k = 0; k + 1 < t.points.size(); ++k)
                separate = separate && dot5(t.points[k], added) < cosSeparate;
            if (!separate) continue;
            // The clusters' states nearer to the new stress than to their own.
            t.keep.resize(solutions.size());
            for (std::size_t k = 0; k < solutions.size(); ++k)
                for (std::uint16_t id : solutions[k].gridIds) {
                    const GridPoint* p = gridPoint(id);
                    if (p && dot5(pointOf(*p), added) > dot5(pointOf(*p), t.points[k])) {
                        t.taken.push_back(id);
                        t.takenVotes += p->votes;
                    } else {
                        t.keep[k].push_back(id);
                    }
                }
            // Each cluster, the new one and those it takes states from, keeps at least
            // the floor share of the votes (and some votes).
            auto heldShare = [&](std::int64_t votes) {
                return votes > 0 && totalVotes > 0 && double(votes) / double(totalVotes) + 1e-12 >= minVoteShare;
            };
            bool held = heldShare(t.takenVotes);
            for (std::size_t k = 0; k < solutions.size() && held; ++k) {
                std::int64_t kept = 0;
                for (std::uint16_t id : t.keep[k])
                    if (const GridPoint* p = gridPoint(id)) kept += p->votes;
                held = heldShare(kept);
            }
            if (!held) continue;
            t.score = sharing.totalScore(t.points);
            if (!best || t.explained > best->explained || (t.explained == best->explained && t.score > best->score))
                best = std::move(t);
        }
    }
    if (!best) return false;

    for (std::size_t k = 0; k < solutions.size(); ++k) {
        if (best->keep[k].size() == solutions[k].gridIds.size()) continue;
        std::int64_t votes = 0;
        for (std::uint16_t id : best->keep[k])
            if (const GridPoint* p = gridPoint(id)) votes += p->votes;
        solutions[k].gridIds = std::move(best->keep[k]);
        solutions[k].votes = votes;
        solutions[k].mean = voteWeightedMean(model, solutions[k].gridIds);
    }
    StressSolution added;
    added.fromUnexplainedData = true;
    added.gridIds = std::move(best->taken);
    added.votes = best->takenVotes;
    std::sort(added.gridIds.begin(), added.gridIds.end());
    added.mean = voteWeightedMean(model, added.gridIds);
    added.refinedPoint = best->points.back();
    solutions.push_back(std::move(added));
    points = std::move(best->points);
    pools = std::move(best->pools);
    sortByVotes(solutions, points, pools);
    return true;
}

}  // namespace

SolutionsOutcome computeStressSolutions(const ResultModel& model, const FaultDataSet& data, double thresholdDeg,
                                        const SolutionOptions& options, const SolutionsProgress& progress) {
    SolutionsOutcome out;
    out.thresholdDeg = thresholdDeg;
    out.focal = data.dataType == "s";
    const std::vector<SlipDatum> items = analysisData(data);
    out.dataCount = static_cast<int>(items.size());
    const Clustering clustering = clusterVotes(model, options.clustering);
    out.bandwidthDeg = clustering.bandwidthDeg;
    out.totalVotes = clustering.totalVotes;
    out.votedStates = clustering.votedStates;
    if (clustering.totalVotes == 0) {
        out.message = "The result holds no votes.";
        return out;
    }
    if (items.empty()) {
        out.message = "The result holds no data.";
        return out;
    }
    std::vector<int> all(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) all[i] = static_cast<int>(i);

    // Refine each cluster from its mean.  A cluster found the same stress as one with
    // more votes, and joins it, when its refined stress falls within a bandwidth of that
    // one's, or when at least half the data it explains are explained by that one too
    // (a separate stress must explain data of its own).
    std::vector<std::vector<int>> explainedAll;
    for (const VoteCluster& c : clustering.clusters) {
        const Vector5 start = unitFiveVector(c.mean);
        const Refinement r = refineStress(items, all, start, thresholdDeg);
        const std::vector<int> explainedHere = explainedData(items, r.x, thresholdDeg);
        StressSolution* same = nullptr;
        std::size_t sameIndex = 0;
        for (std::size_t k = 0; k < out.solutions.size() && !same; ++k) {
            std::vector<int> shared;
            std::set_intersection(explainedHere.begin(), explainedHere.end(), explainedAll[k].begin(),
                                  explainedAll[k].end(), std::back_inserter(shared));
            if (angleBetween5(out.solutions[k].refinedPoint, r.x) < clustering.bandwidthDeg ||
                2 * shared.size() >= explainedHere.size())
            {
                same = &out.solutions[k];
                sameIndex = k;
            }
        }
        if (same) {
            same->gridIds.insert(same->gridIds.end(), c.gridIds.begin(), c.gridIds.end());
            std::sort(same->gridIds.begin(), same->gridIds.end());
            same->votes += c.votes;
            same->mean = voteWeightedMean(model, same->gridIds);
            // The joined cluster keeps the best of its two refined stresses and of one
            // refined from its new mean, so it is never worse than that mean.
            const Vector5 mean = unitFiveVector(same->mean);
            const Refinement fromMean = refineStress(items, all, mean, thresholdDeg);
            if (r.score > same->score) {
                same->refinedPoint = r.x;
                same->score = r.score;
            }
            if (fromMean.score > same->score) {
                same->refinedPoint = fromMean.x;
                same->score = fromMean.score;
            }
            same->startScore = fromMean.startScore;
            same->explainedByMean = static_cast<int>(explainedData(items, mean, thresholdDeg).size());
            explainedAll[sameIndex] = explainedData(items, same->refinedPoint, thresholdDeg);
            continue;
        }
        StressSolution s;
        s.gridIds = c.gridIds;
        s.votes = c.votes;
        s.mean = c.mean;
        s.explainedByMean = static_cast<int>(explainedData(items, start, thresholdDeg).size());
        s.refinedPoint = r.x;
        s.startScore = r.startScore;
        s.score = r.score;
        out.solutions.push_back(std::move(s));
        explainedAll.push_back(explainedHere);
    }
    std::stable_sort(out.solutions.begin(), out.solutions.end(),
                     [](const StressSolution& a, const StressSolution& b) { return a.votes > b.votes; });

    // With several stresses the data are shared out among them (see StressSharing);
    // a stress that explains too few data of its own joins the nearest other, and the
    // data no stress explains are searched for a further stress within the clusters.
    const StressSharing sharing(items, thresholdDeg, [&progress] { return !progress || progress(0, 0); });
    const int minOwnData =
        std::max(5, static_cast<int>(std::ceil(options.minOwnShare * static_cast<double>(items.size()) - 1e-9)));
    std::vector<std::vector<int>> pools(out.solutions.size(), all);
    std::vector<Vector5> points;
    for (const StressSolution& s : out.solutions) points.push_back(s.refinedPoint);
    const bool severalClusters = out.solutions.size() > 1;
    bool added = false;
    try {
        if (severalClusters) {
            // The sharing can settle in more than one way, so it starts both from the
            // refined stresses and from the cluster means, and keeps the outcome with
            // the higher total score.
            std::vector<Vector5> fromMeans;
            for (const StressSolution& s : out.solutions) fromMeans.push_back(unitFiveVector(s.mean));
            std::vector<std::vector<int>> poolsFromMeans;
            points = sharing.settle(points, pools);
            fromMeans = sharing.settle(fromMeans, poolsFromMeans);
            if (sharing.totalScore(fromMeans) > sharing.totalScore(points)) {
                points = std::move(fromMeans);
                pools = std::move(poolsFromMeans);
            }
            joinStressesWithoutDataOfTheirOwn(model, sharing, minOwnData, out.solutions, points, pools);
            sharing.handOver(points, pools);
        }
        // Further stresses while the data left unexplained hold one; each must explain
        // `minOwnData` data alone, which bounds their number.  A further stress must
        // leave every stress data of its own: when, once the data are handed over, one
        // of them would join another, the further stress split one stress in two and is
        // not taken.
        while (static_cast<int>(out.solutions.size()) < static_cast<int>(items.size()) / minOwnData) {
            const std::vector<StressSolution> before = out.solutions;
            const std::vector<Vector5> pointsBefore = points;
            const std::vector<std::vector<int>> poolsBefore = pools;
            if (!addStressForUnexplainedData(model, sharing, minOwnData, 2.0 * clustering.bandwidthDeg,
                                             options.clustering.minVoteShare, clustering.totalVotes, out.solutions,
                                             points, pools))
                break;
            sharing.handOver(points, pools);
            const std::size_t count = out.solutions.size();
            joinStressesWithoutDataOfTheirOwn(model, sharing, minOwnData, out.solutions, points, pools);
            if (out.solutions.size() < count) {
                out.solutions = before;
                points = pointsBefore;
                pools = poolsBefore;
                break;
            }
            added = true;
        }
    } catch (const SharingCancelled&) {
        out.solutions.clear();
        out.cancelled = true;
        out.message = "Cancelled.";
        return out;
    }
    if (severalClusters || added) {
        sortByVotes(out.solutions, points, pools);
        // The criterion on each stress's final data, at its mean and refined; the
        // refinement is taken from the mean as well when that does better.
        for (std::size_t k = 0; k < points.size(); ++k) {
            StressSolution& s = out.solutions[k];
            const Vector5 mean = unitFiveVector(s.mean);
            Refinement r = refineStress(items, pools[k], points[k], thresholdDeg);
            const Refinement fromMean = refineStress(items, pools[k], mean, thresholdDeg);
            if (fromMean.score > r.score) r = fromMean;
            s.refinedPoint = r.x;
            s.startScore = fromMean.startScore;
            s.score = r.score;
            s.explainedByMean = static_cast<int>(explainedData(items, mean, thresholdDeg).size());
        }
    }

    const int total = options.resamples * static_cast<int>(out.solutions.size());
    int done = 0;
    for (std::size_t k = 0; k < out.solutions.size(); ++k) {
        StressSolution& s = out.solutions[k];
        s.rank = static_cast<int>(k) + 1;
        s.votePercent = 100.0 * double(s.votes) / double(clustering.totalVotes);
        s.refined = stressStateOf(s.refinedPoint);
        s.shmax = shmaxAzimuth(s.refinedPoint);
        std::vector<int> explained;
        for (int i : explainedData(items, s.refinedPoint, thresholdDeg))
            if (std::binary_search(pools[k].begin(), pools[k].end(), i)) explained.push_back(i);
        for (int i : explained) s.explainedLines.push_back(items[i].firstLine);
        std::sort(s.explainedLines.begin(), s.explainedLines.end());
        s.meanMisfit = meanMisfitDeg(items, explained, s.refinedPoint);
        const int before = done;
        const bool finished = bootstrapUncertainty(
            items, pools[k], unitFiveVector(s.mean), s.refinedPoint, thresholdDeg, options.resamples, clusterSeed(options.seed, s.rank),
            s.uncertainty, [&](int n) {
                done = before + n;
                return !progress || progress(done, total);
            });
        if (!finished) {
            out.solutions.clear();
            out.cancelled = true;
            out.message = "Cancelled.";
            return out;
        }
        done = before + options.resamples;
    }
    out.ok = true;
    return out;
}

std::optional<double> readMisfitThreshold(const std::string& resultPath, std::string& error) {
    std::ifstream in(resultPath, std::ios::binary);
    if (!in) {
        error = resultPath + ": cannot be opened.";
        return std::nullopt;
    }
    std::string line;
    std::size_t number = 0;
    while (std::getline(in, line)) {
        ++number;
        const std::string t = trimmed(line);
        if (t.rfind("misft_threshold", 0) != 0) continue;
        const std::size_t eq = t.find('=');
        const std::string value = eq == std::string::npos ? std::string() : trimmed(t.substr(eq + 1));
        char* end = nullptr;
        const double v = std::strtod(value.c_str(), &end);
        if (value.empty() || end != value.c_str() + value.size() || !std::isfinite(v)) {
            error = resultPath + ", line " + std::to_string(number) + ": the misfit threshold \"" + value +
                    "\" is not a number.";
            return std::nullopt;
        }
        return v;
    }
    error = resultPath + ": no \"misft_threshold\" line in the run record; the misfit threshold is unknown.";
    return std::nullopt;
}

std::string axisCell(const Direction& d, double halfAngle) {
    return fixed(d.az, 1) + "/" + fixed(d.pl, 1) + " ± " + fixed(halfAngle, 1);
}

std::string phiCell(const StressSolution& s) {
    return fixed(s.refined.stressRatio, 2) + " (" + fixed(s.uncertainty.phiLow, 2) + "-" +
           fixed(s.uncertainty.phiHigh, 2) + ")";
}

std::string shmaxCell(const StressSolution& s) {
    return fixed(s.shmax, 1) + " ± " + fixed(s.uncertainty.shmaxHalfAngle, 1);
}

std::string solutionCsvRow(const StressSolution& s) {
    const Uncertainty& u = s.uncertainty;
    const std::string fields[] = {std::to_string(s.rank),
                                  fixed(s.votePercent, 2),
                                  fixed(s.refined.axis[Sigma1].az, 2),
                                  fixed(s.refined.axis[Sigma1].pl, 2),
                                  fixed(u.sigma1HalfAngle, 2),
                                  fixed(s.refined.axis[Sigma3].az, 2),
                                  fixed(s.refined.axis[Sigma3].pl, 2),
                                  fixed(u.sigma3HalfAngle, 2),
                                  fixed(s.refined.stressRatio, 4),
                                  fixed(u.phiLow, 4),
                                  fixed(u.phiHigh, 4),
                                  fixed(s.shmax, 2),
                                  fixed(u.shmaxHalfAngle, 2),
                                  std::to_string(s.explainedLines.size()),
                                  fixed(s.meanMisfit, 2)};
    std::string row;
    for (const std::string& f : fields) row += (row.empty() ? "" : ",") + f;
    return row;
}

std::vector<std::string> solutionsTable(const std::vector<StressSolution>& solutions) {
    static const std::size_t width[] = {7, 9, 22, 22, 20, 16, 6, 13};
    const std::string head[] = {"cluster", "votes %",  "sigma1 az/pl ±", "sigma3 az/pl ±",
                                "Phi (95 %)", "SHmax ±", "data", "mean misfit"};
    auto line = [&](const std::string* cells) {
        std::string l;
        for (int k = 0; k < 8; ++k) {
            // Numbers right-aligned, the texts with ± and intervals left-aligned after two blanks.
            const bool left = k >= 2 && k <= 5;
            l += left ? "  " + padRight(cells[k], width[k] - 2) : padLeft(cells[k], width[k]);
        }
        while (!l.empty() && l.back() == ' ') l.pop_back();
        return l;
    };
    std::vector<std::string> lines{line(head)};
    for (const StressSolution& s : solutions) {
        const std::string cells[] = {std::to_string(s.rank),
                                     fixed(s.votePercent, 1),
                                     axisCell(s.refined.axis[Sigma1], s.uncertainty.sigma1HalfAngle),
                                     axisCell(s.refined.axis[Sigma3], s.uncertainty.sigma3HalfAngle),
                                     phiCell(s),
                                     shmaxCell(s),
                                     std::to_string(s.explainedLines.size()),
                                     fixed(s.meanMisfit, 1)};
        lines.push_back(line(cells));
    }
    return lines;
}

std::vector<std::string> solutionsPreamble(const SolutionsOutcome& o, const std::string& resultName,
                                           const SolutionOptions& options) {
    std::int64_t clustered = 0;
    for (const StressSolution& s : o.solutions) clustered += s.votes;
    const double share = o.totalVotes > 0 ? 100.0 * double(clustered) / double(o.totalVotes) : 0.0;
    std::vector<std::string> lines = {
        "Stress solutions of " + resultName,
        std::to_string(o.dataCount) + (o.focal ? " focal mechanisms" : " fault-slip data") +
            ", misfit threshold " + fixed(o.thresholdDeg, 0) + " degrees; " + std::to_string(o.totalVotes) +
            " votes on " + std::to_string(o.votedStates) + " grid states.",
        "Clusters: modes of the votes smoothed over " + fixed(o.bandwidthDeg, 1) +
            " degrees (the grid spacing), each holding at least " +
            fixed(100.0 * options.clustering.minVoteShare, 0) + " % of the votes; together " + fixed(share, 1) +
            " % of the votes.",
        "Each refined off the grid; limits are 95 % bootstrap limits from " + std::to_string(options.resamples) +
            " resamples (seed " + std::to_string(options.seed) + ")."};
    std::string found;
    for (const StressSolution& s : o.solutions)
        if (s.fromUnexplainedData) found += (found.empty() ? "" : ", ") + std::to_string(s.rank);
    if (!found.empty())
        lines.push_back((found.find(',') == std::string::npos ? "Cluster " + found + " was" : "Clusters " + found + " were") +
                        " found among the data no other cluster explained, taking the voted states nearer to it.");
    lines.push_back("");
    return lines;
}

}  // namespace quillon::viewer
