// Coordinate text files of the states the plot would draw: kind 0 principal axes and
// stress ratios, kind 1 reduced stress tensors.  One line per selection entry, in
// selection order, lines ending with CR LF, no header.
#pragma once

#include <string>
#include <vector>

#include "viewer/model/plot_selection.h"
#include "viewer/model/result_model.h"

namespace quillon::viewer {

enum CoordinateKind : int { kAxesAndRatios = 0, kReducedTensors = 1 };

// The lines (without line ends) for the entries of `selection`.
std::vector<std::string> coordinateLines(const ResultModel& model, const Selection& selection,
                                         int kind);

struct SaveOutcome {
    bool ok = false;
    std::string message;  // exact text to show on failure
};

// Writes the lines with CR LF ends.  The file appears whole or not at all: it is
// written beside the target under a temporary name and renamed over it.
SaveOutcome writeCoordinateFile(const std::string& path, const std::vector<std::string>& lines);

// selectStates, then "No data loaded." when nothing is selected, else the file.
SaveOutcome saveCoordinates(ResultModel& model, const PlotSettings& settings, int kind,
                            const std::string& path);

}  // namespace quillon::viewer
