// Comparison of reduced stress tensors as whole objects: the angular stress distance
// between two states, and the vote-weighted global average and spread of the states
// selected for the plot, with the texts of the Result of Measurement window.
#pragma once

#include <string>
#include <vector>

#include "viewer/geometry/eigen.h"
#include "viewer/geometry/message_sink.h"
#include "viewer/model/plot_selection.h"
#include "viewer/model/result_model.h"

namespace quillon::viewer {

// Trace-free tensors of a state (sigma1 axis, sigma3 axis, Phi) with principal values
// (2 - Phi, 2 Phi - 1, -Phi - 1) / c.  TensorOfStressState: c = sqrt(2 Phi^2 - 2 Phi + 2),
// Frobenius norm sqrt(3).  TensorForDistance: c = sqrt(3 Phi^2 - 3 Phi + 3), norm sqrt(2).
Tmatrix TensorOfStressState(const Tazpl& sigma1, const Tazpl& sigma3, float phi);
Tmatrix TensorForDistance(const Tazpl& sigma1, const Tazpl& sigma3, float phi);

// Angle in degrees between the two states' tensors (0 same state, 180 opposite).
float ThetaBetweenStressStates(const TStressState& s1, const TStressState& s2);

struct MeanStress {
    Tazpl ax1;   // azimuth in [0, 360), downward
    Tazpl ax3;
    float phi = 0.0f;
};
// Principal axes and stress ratio of a mean tensor (rounded to single precision first).
MeanStress MeanAxesAndRatio(const Tdmatrix& A, const MessageSink& sink = {});

// sqrt((D11-D22)^2 + (D22-D33)^2 + (D33-D11)^2 + 6 (D12^2 + D23^2 + D31^2)) / 3.
float StressDifference(const Tmatrix& D);

struct GlobalAverage {
    bool ok = false;
    std::string message;  // on failure: "No data loaded." or the two-line CR LF text
    std::string status;   // status panel 0 text of the selection (always set)
    int Np = 0;
    MeanStress mean;
    float mean_stress_difference = 0.0f;
    float mean_Theta = 0.0f;  // degrees
};
// Global Average and Spread of the states SelectStates picks with `settings`.
GlobalAverage ComputeGlobalAverage(ResultModel& model, const PlotSettings& settings,
                                   const MessageSink& sink = {});

// The lines of the Result of Measurement window.
std::vector<std::string> ShowThetaDistance(const Tazpl& ax11, const Tazpl& ax13, float ph1,
                                           const Tazpl& ax21, const Tazpl& ax23, float ph2,
                                           float theta);
// spread_ax1, spread_ax3 and spread_Phi are not written into the window.
std::vector<std::string> ShowStat(const std::string& fn, int e_factor, int Np,
                                  const Tazpl& mean_ax1, const Tazpl& mean_ax3, float mean_Phi,
                                  float spread_ax1, float spread_ax3, float spread_Phi,
                                  float mean_stress_difference, float mean_Theta);

// Window heights of the two texts: (window, text panel).
inline constexpr int kThetaWindowHeight = 281, kThetaMemoHeight = 190;
inline constexpr int kStatWindowHeight = 301, kStatMemoHeight = 240;

}  // namespace quillon::viewer
