// Comparison of reduced stress tensors as whole objects: the angular stress distance
// between two states, and the vote-weighted global average and spread of the states
// selected for the plot, with the texts of the Result of Measurement window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "viewer/geometry/eigen.h"
#include "viewer/geometry/message_sink.h"
#include "viewer/model/plot_selection.h"
#include "viewer/model/result_model.h"

namespace quillon::viewer {

// Trace-free tensors of a state (sigma1 axis, sigma3 axis, Phi) with principal values
// (2 - Phi, 2 Phi - 1, -Phi - 1) / c.  tensorOfStressState: c = sqrt(2 Phi^2 - 2 Phi + 2),
// Frobenius norm sqrt(3).  tensorForDistance: c = sqrt(3 Phi^2 - 3 Phi + 3), norm sqrt(2).
Matrix3 tensorOfStressState(const Direction& sigma1, const Direction& sigma3, float phi);
Matrix3 tensorForDistance(const Direction& sigma1, const Direction& sigma3, float phi);

// Angle in degrees between the two states' tensors (0 same state, 180 opposite).
float thetaBetweenStressStates(const StressState& s1, const StressState& s2);

struct MeanStress {
    Direction sigma1;   // azimuth in [0, 360), downward
    Direction sigma3;
    float phi = 0.0f;
};
// Principal axes and stress ratio of a mean tensor (rounded to single precision first).
MeanStress meanAxesAndRatio(const Matrix3d& A, const MessageSink& sink = {});

// sqrt((D11-D22)^2 + (D22-D33)^2 + (D33-D11)^2 + 6 (D12^2 + D23^2 + D31^2)) / 3.
float stressDifference(const Matrix3& D);

struct GlobalAverage {
    bool ok = false;
    std::string message;  // on failure: "No data loaded." or the two-line CR LF text
    std::string status;   // status panel 0 text of the selection (always set)
    std::int64_t symbolCount = 0;  // Np: symbols of the selection
    MeanStress mean;
    float meanStressDifference = 0.0f;
    float meanTheta = 0.0f;  // degrees
};
// Global Average and Spread of the states selectStates picks with `settings`.
GlobalAverage computeGlobalAverage(ResultModel& model, const PlotSettings& settings,
                                   const MessageSink& sink = {});

// The lines of the Result of Measurement window.
std::vector<std::string> thetaDistanceText(const Direction& ax11, const Direction& ax13, float ph1,
                                           const Direction& ax21, const Direction& ax23, float ph2,
                                           float theta);
// spreadSigma1, spreadSigma3 and spreadPhi are not written into the window.
std::vector<std::string> statisticsText(const std::string& fn, int enhanceFactor, std::int64_t symbolCount,
                                  const Direction& meanSigma1, const Direction& meanSigma3, float meanPhi,
                                  float spreadSigma1, float spreadSigma3, float spreadPhi,
                                  float meanStressDifference, float meanTheta);

// Window heights of the two texts: (window, text panel).
inline constexpr int kThetaWindowHeight = 281, kThetaMemoHeight = 190;
inline constexpr int kStatWindowHeight = 301, kStatMemoHeight = 240;

}  // namespace quillon::viewer
