// The viewer's model of one inversion result: the grid of candidate stress states read
// from a CGP file, the vote count of each from a result file, and the spread of the
// votes.  Loading never shows anything: every operation returns what happened and the
// exact message text for the caller to show.
//
// Loading is all or nothing: a load that fails for any reason leaves the model and the
// data set exactly as they were, so a window never shows a half-replaced result.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "viewer/geometry/primitives.h"
#include "viewer/model/fault_data.h"

namespace quillon::viewer {

enum Taxis : int { sgm1 = 0, sgm3 = 1 };

struct TStressState {
    Tazpl axis[2];  // indexed by Taxis
    float sr = 0.0f;
};
// Both axes undefined and sr NaN: the state before any designation.
TStressState UndefinedStressState();

struct TGridPoint {
    std::int32_t nv = 0;           // votes from the loaded result
    std::uint16_t id = 0;          // 1-based line number of the state in the CGP file
    Tazpl axis[2];                 // sigma1, sigma3; whole degrees
    float sr = 0.0f;               // stress ratio Phi as read
    std::uint8_t sri = 0;          // round(sr * 10), limited to 0..10
    std::int32_t n_to_be_plotted = 0;
};

// The most grid points a grid may hold: grid point numbers are 16-bit.
inline constexpr std::uint32_t kMaxGridPoints = 65535;

struct LoadOutcome {
    bool ok = false;
    // The exact text to show on failure (lines joined by CR LF); empty on success.
    std::string message;
    // The grid file's count line was unreadable: the program ends after the message.
    bool terminate = false;
};

// The file name part of a path: the text after the last "\" or "/".
std::string FileNamePart(const std::string& path);

class ResultModel {
public:
    std::vector<TGridPoint> GridPoints;  // grid point order while loading, then ascending nv
    std::uint32_t NG = 0;
    std::uint32_t NZG = 0;
    float Sd = 0.0f;
    std::string GPFile = "Unif60000.cgp";
    std::string DataFile;
    std::string HomeDir;  // ends with a path separator
    bool CGP_disp = false;
    TStressState DesignatedStress = UndefinedStressState();

    // Reads HomeDir + GPFile into GridPoints and NG (every nv 0).
    LoadOutcome LoadGridFile();
    // Reads the result at `path` (full path) with its grid; fills `data` (NF, FD with
    // fp, ss and sense of each datum, DataType; StressHasBeenDesignated false).  On
    // success GridPoints is sorted by ascending votes (equal votes in grid point order)
    // and DataFile is `path`; the caller adds the path to the recent files.
    LoadOutcome LoadResultFile(const std::string& path, FaultDataSet& data);
    // Population standard deviation of nv over all NG grid points (0 for an empty grid).
    void ComputeVoteSd();

    // "Sd : " + Sd with 2 decimals: the text of status panel 1.
    std::string SdStatusText() const;
    // NZG + " / " + NG: status panel 0 after a load.
    std::string CountsStatusText() const;
    // " QL Viewer  [ name ]", or with " / [ GPFile ]" when CGP_disp is set.
    std::string Caption() const;
};

}  // namespace quillon::viewer
