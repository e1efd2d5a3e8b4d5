// Coordinate text files of the states the plot would draw: kind 0 principal axes and
// stress ratios, kind 1 reduced stress tensors.  One line per symbol of the selection
// (a state drawn n times gives n equal lines), in selection order, lines ending with
// CR LF, no header.
#pragma once

#include <cstdint>
#include <string>

#include "viewer/model/plot_selection.h"
#include "viewer/model/result_model.h"

namespace quillon::viewer {

enum CoordinateKind : int { kAxesAndRatios = 0, kReducedTensors = 1 };

// The most lines a coordinate file is given.  At enhance factor 0 a selection has one
// symbol per vote, up to billions; a file of that many lines (tens of gigabytes) is
// refused instead of filling the disk.  Raising the enhance factor brings it down.
inline constexpr std::int64_t kMaxCoordinateLines = 10'000'000;

// The line (without line end) of one grid point.
std::string coordinateLine(const GridPoint& p, int kind);

struct SaveOutcome {
    bool ok = false;
    std::string message;  // exact text to show on failure
};

// Writes the lines of `selection` with CR LF ends, each state's line repeated once per
// symbol, in memory that does not grow with the number of symbols.  The file appears
// whole or not at all: it is written beside the target under a temporary name, renamed
// over it, and the temporary file is removed on every failure.  Refused, with nothing
// written: a selection of more than kMaxCoordinateLines symbols, and a target that is
// the same file as the loaded result or its grid.
SaveOutcome writeCoordinateFile(const std::string& path, const ResultModel& model,
                                const Selection& selection, int kind);

// selectStates, then "No data loaded." when nothing is selected, else the file.
SaveOutcome saveCoordinates(ResultModel& model, const PlotSettings& settings, int kind,
                            const std::string& path);

}  // namespace quillon::viewer
