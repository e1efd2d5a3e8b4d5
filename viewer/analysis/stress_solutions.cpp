#include "viewer/analysis/stress_solutions.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
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

    // With several stresses, a datum that one of them explains better is left to that
    // one: each stress is refined on the data no other stress explains better, and the
    // data are shared out again until the sharing is stable.  The sharing can settle in
    // more than one way, so it starts both from the refined stresses and from the
    // cluster means, and keeps the outcome with the higher total score (each datum
    // scoring under the stress it fits best).
    const std::size_t count = out.solutions.size();
    std::vector<std::vector<int>> pools(count, all);
    const double cosThreshold = std::cos(thresholdDeg * kDegToRad);
    auto sharedOut = [&](const std::vector<Vector5>& points) {
        std::vector<Matrix3d> T;
        for (const Vector5& x : points) T.push_back(tensorOfFiveVector(x));
        std::vector<std::vector<int>> next(count);
        for (int i : all) {
            std::vector<double> c(count);
            for (std::size_t k = 0; k < count; ++k) c[k] = bestFit(T[k], items[i]).second;
            for (std::size_t k = 0; k < count; ++k) {
                bool claimed = false;
                for (std::size_t j = 0; j < count && !claimed; ++j)
                    claimed = j != k && c[j] >= cosThreshold && (c[j] > c[k] || (c[j] == c[k] && j < k));
                if (!claimed) next[k].push_back(i);
            }
        }
        return next;
    };
    auto totalScore = [&](const std::vector<Vector5>& points) {
        std::vector<Matrix3d> T;
        for (const Vector5& x : points) T.push_back(tensorOfFiveVector(x));
        double sum = 0.0;
        for (int i : all) {
            double best = cosThreshold;
            for (const Matrix3d& t : T) best = std::max(best, bestFit(t, items[i]).second);
            sum += best;
        }
        return sum;
    };
    auto share = [&](std::vector<Vector5> points, std::vector<std::vector<int>>& shares) {
        shares.assign(count, all);
        for (int round = 0; round < 20; ++round) {
            std::vector<std::vector<int>> next = sharedOut(points);
            if (next == shares) break;
            shares = std::move(next);
            for (std::size_t k = 0; k < count; ++k) points[k] = refineStress(items, shares[k], points[k], thresholdDeg).x;
        }
        return points;
    };
    if (count > 1) {
        std::vector<Vector5> fromRefined, fromMeans;
        for (const StressSolution& s : out.solutions) {
            fromRefined.push_back(s.refinedPoint);
            fromMeans.push_back(unitFiveVector(s.mean));
        }
        std::vector<std::vector<int>> poolsFromMeans;
        fromRefined = share(fromRefined, pools);
        fromMeans = share(fromMeans, poolsFromMeans);
        const bool meansBetter = totalScore(fromMeans) > totalScore(fromRefined);
        if (meansBetter) pools = std::move(poolsFromMeans);
        std::vector<Vector5> points = meansBetter ? fromMeans : fromRefined;
        // Then a datum that two stresses both explain is handed from the one it fits
        // best to the other, the two refined on their new shares and the sharing
        // settled again; the change is kept when it raises the total score, until no
        // such change does (three passes at most).
        double total = totalScore(points);
        for (int pass = 0; pass < 3; ++pass) {
            bool improved = false;
            for (int i : all) {
                std::vector<double> c(count);
                for (std::size_t k = 0; k < count; ++k)
                    c[k] = bestFit(tensorOfFiveVector(points[k]), items[i]).second;
                std::size_t owner = 0;
                for (std::size_t k = 1; k < count; ++k)
                    if (c[k] > c[owner]) owner = k;
                if (c[owner] < cosThreshold) continue;
                for (std::size_t j = 0; j < count; ++j) {
                    if (j == owner || c[j] < cosThreshold) continue;
                    std::vector<int> ownerShare, otherShare = pools[j];
                    for (int m : pools[owner])
                        if (m != i) ownerShare.push_back(m);
                    if (!std::binary_search(otherShare.begin(), otherShare.end(), i))
                        otherShare.insert(std::upper_bound(otherShare.begin(), otherShare.end(), i), i);
                    std::vector<Vector5> trial = points;
                    trial[owner] = refineStress(items, ownerShare, trial[owner], thresholdDeg).x;
                    trial[j] = refineStress(items, otherShare, trial[j], thresholdDeg).x;
                    std::vector<std::vector<int>> trialPools;
                    trial = share(trial, trialPools);
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
        for (std::size_t k = 0; k < count; ++k) out.solutions[k].refinedPoint = points[k];
        // The criterion on each stress's final data, at its mean and refined; the
        // refinement is taken from the mean as well when that does better.
        for (std::size_t k = 0; k < count; ++k) {
            StressSolution& s = out.solutions[k];
            const Vector5 mean = unitFiveVector(s.mean);
            Refinement r = refineStress(items, pools[k], s.refinedPoint, thresholdDeg);
            const Refinement fromMean = refineStress(items, pools[k], mean, thresholdDeg);
            if (fromMean.score > r.score) r = fromMean;
            s.refinedPoint = r.x;
            s.startScore = fromMean.startScore;
            s.score = r.score;
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
    return {
        "Stress solutions of " + resultName,
        std::to_string(o.dataCount) + (o.focal ? " focal mechanisms" : " fault-slip data") +
            ", misfit threshold " + fixed(o.thresholdDeg, 0) + " degrees; " + std::to_string(o.totalVotes) +
            " votes on " + std::to_string(o.votedStates) + " grid states.",
        "Clusters: modes of the votes smoothed over " + fixed(o.bandwidthDeg, 1) +
            " degrees (the grid spacing), each holding at least " +
            fixed(100.0 * options.clustering.minVoteShare, 0) + " % of the votes; together " + fixed(share, 1) +
            " % of the votes.",
        "Each refined off the grid; limits are 95 % bootstrap limits from " + std::to_string(options.resamples) +
            " resamples (seed " + std::to_string(options.seed) + ").",
        ""};
}

}  // namespace quillon::viewer
