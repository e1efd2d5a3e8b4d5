// Stress solutions of a result: the voted states separated into clusters, each
// cluster's vote-weighted mean stress refined off the grid against the data it
// explains, with bootstrap limits.  A cluster whose refined stress lands within a
// bandwidth of a cluster with more votes, or that explains no more than as many data of
// its own as it shares with it, joins it.  With several stresses a datum within the
// threshold of more than one goes to the one it fits best (by the refinement's
// orthogonal distance), and the stresses are refined again on their shares until the
// shares are stable; the sharing is settled from the refined stresses and from the
// cluster means, a stress that is left too few data of its own joins the nearest other,
// and shared data are handed over, keeping whatever raises the total score.  While a
// quarter of the data or more is unexplained, a voted state that explains enough of
// those data becomes a further stress (two stresses close together give one pile of
// votes), taking the voted states nearer to it, when it lies 40 degrees or more from
// every stress and leaves each stress data of its own.  Plain
// computation: nothing is shown, progress and cancellation go through a callback so
// that a window can run it on a worker thread.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "viewer/analysis/bootstrap.h"
#include "viewer/analysis/vote_clusters.h"

namespace quillon::viewer {

struct SolutionOptions {
    ClusteringOptions clustering;
    int resamples = 500;
    std::uint64_t seed = 1;
    // Of several stresses, one that explains fewer data that no other explains than
    // this share of the data (and at least 5) joins the nearest of them.
    double minOwnShare = 0.15;
};

struct StressSolution {
    int rank = 0;                         // 1 = the cluster with the most votes
    std::vector<std::uint16_t> gridIds;   // the cluster's grid point numbers
    std::int64_t votes = 0;
    double votePercent = 0.0;             // of all votes of the result
    bool fromUnexplainedData = false;     // found among the data the vote clusters left unexplained
    StressState mean;                     // vote-weighted mean of the cluster
    int explainedByMean = 0;              // data within the threshold under the mean
    Vector5 refinedPoint{};
    StressState refined;                  // the refined stress
    double startScore = 0.0;              // criterion of the refinement at the mean
    double score = 0.0;                   // and at the refined stress
    std::vector<int> explainedLines;      // first data line of each explained datum, ascending
    double meanMisfit = 0.0;              // degrees, explained data under the refined stress
    double shmax = 0.0;                   // azimuth of SHmax, 0 to 180
    Uncertainty uncertainty;
};

struct SolutionsOutcome {
    bool ok = false;
    bool cancelled = false;
    std::string message;  // why it failed
    std::vector<StressSolution> solutions;
    double thresholdDeg = 0.0;
    double bandwidthDeg = 0.0;
    std::int64_t totalVotes = 0;
    int votedStates = 0;
    int dataCount = 0;    // data of the analysis (mechanisms for focal data)
    bool focal = false;
};

// Called with (0, 0) now and then while the stresses are separated and refined (work
// of unknown length), then with the resamples done and all resamples of all clusters;
// returning false cancels.
using SolutionsProgress = std::function<bool(int done, int total)>;

SolutionsOutcome computeStressSolutions(const ResultModel& model, const FaultDataSet& data, double thresholdDeg,
                                        const SolutionOptions& options = {},
                                        const SolutionsProgress& progress = {});

// The misfit threshold of the run, from the "misft_threshold     = " line of the
// result's run record.  Nothing (and a message naming the file) when the file
// cannot be read or holds no such line.
std::optional<double> readMisfitThreshold(const std::string& resultPath, std::string& error);

// The CSV header, fixed for scripts.
inline constexpr const char* kSolutionsCsvHeader =
    "cluster,votes_percent,s1_az,s1_pl,s1_err,s3_az,s3_pl,s3_err,phi,phi_lo,phi_hi,shmax,shmax_err,n_data,"
    "mean_misfit";
// One CSV row of a solution (no line end).
std::string solutionCsvRow(const StressSolution& s);
// The printed table: a header line, then one line per solution.
std::vector<std::string> solutionsTable(const std::vector<StressSolution>& solutions);
// The lines above the table: threshold, data, votes, the clustering criterion and the
// clusters found among unexplained data.
std::vector<std::string> solutionsPreamble(const SolutionsOutcome& outcome, const std::string& resultName,
                                           const SolutionOptions& options);

// Cell texts shared by the table and the window.
std::string axisCell(const Direction& d, double halfAngle);   // "az/pl ± e"
std::string phiCell(const StressSolution& s);                  // "phi (lo-hi)"
std::string shmaxCell(const StressSolution& s);                // "az ± e"

}  // namespace quillon::viewer
