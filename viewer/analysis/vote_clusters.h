// Clusters of the voted grid states.  The votes of a result pile up around each stress
// that many subsets of the data favour, spread over neighbouring grid states; the
// clusters separate those piles.
//
// Criterion: the votes are smoothed over the unit sphere of reduced stress tensors with
// a Gaussian kernel of the angular stress distance whose width (the bandwidth) is the
// grid spacing (the median distance from a grid state to its nearest neighbour).  Every
// voted state links to the nearest state of higher smoothed vote density within two
// bandwidths; a state without such a neighbour is a mode, and a cluster is a mode with
// every state whose chain of links ends there.  Clusters holding less than a floor share
// of all votes (5 % by default) are dropped.  So the number of clusters is the number of
// separate vote piles that hold a fair share of the votes.  Ties are broken by grid point
// number, so the same result always gives the same clusters.
#pragma once

#include <cstdint>
#include <vector>

#include "viewer/analysis/tensor_space.h"
#include "viewer/model/result_model.h"

namespace quillon::viewer {

struct ClusteringOptions {
    double minVoteShare = 0.05;  // floor on a cluster's share of all votes
    double bandwidthDeg = 0.0;   // 0: the grid spacing
};

struct VoteCluster {
    std::vector<std::uint16_t> gridIds;  // member grid point numbers, ascending
    std::int64_t votes = 0;
    double share = 0.0;                  // of all votes of the result
    std::uint16_t modeId = 0;            // grid point number of the mode
    StressState mean;                    // vote-weighted mean (the global average's tensor mean)
};

struct Clustering {
    std::vector<VoteCluster> clusters;  // by descending votes, then ascending mode number
    std::int64_t totalVotes = 0;
    int votedStates = 0;
    double bandwidthDeg = 0.0;
};

// Median nearest-neighbour distance in degrees of up to 256 grid states taken evenly
// through the grid in grid point order (against the whole grid); 0 for fewer than 2 states.
double gridSpacingDeg(const ResultModel& model);

Clustering clusterVotes(const ResultModel& model, const ClusteringOptions& options = {});

// The stress state of a grid point, and the model's grid points in grid point order
// (the model keeps them sorted by votes), with a look-up by number (null when absent).
StressState gridPointState(const GridPoint& p);
std::vector<const GridPoint*> gridPointsById(const ResultModel& model);
const GridPoint* findGridPoint(const std::vector<const GridPoint*>& byId, std::uint16_t id);

// Vote-weighted mean of grid states: the mean of their tensors as the global average
// forms it, and its principal axes and ratio.  `ids` name grid points of `model`.
StressState voteWeightedMean(const ResultModel& model, const std::vector<std::uint16_t>& ids);

}  // namespace quillon::viewer
