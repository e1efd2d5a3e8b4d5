// The viewer's model of one inversion result: the grid of candidate stress states read
// from a CGP file, the vote count of each from a result file, and the spread of the
// votes.  Loading never shows anything: every operation returns what happened and the
// exact message text for the caller to show.
//
// Loading is all or nothing: a load that fails for any reason leaves the model and the
// data set exactly as they were, so a window never shows a half-replaced result.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "viewer/geometry/primitives.h"
#include "viewer/model/fault_data.h"

namespace quillon::viewer {

enum Axis : int { Sigma1 = 0, Sigma3 = 1 };

struct StressState {
    Direction axis[2];  // indexed by Axis
    float stressRatio = 0.0f;
};
// Both axes undefined and stressRatio NaN: the state before any designation.
StressState undefinedStressState();

struct GridPoint {
    std::int32_t votes = 0;        // votes from the loaded result
    std::uint16_t id = 0;          // 1-based line number of the state in the CGP file
    Direction axis[2];             // sigma1, sigma3; whole degrees
    float stressRatio = 0.0f;      // stress ratio Phi as read
    std::uint8_t ratioClass = 0;   // round(stressRatio * 10), limited to 0..10
    std::int32_t plotCount = 0;    // symbols of this state in the current plot selection
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

// Whether the two paths name the same existing file (device and inode).
bool isSameFile(const std::string& a, const std::string& b);

// The file name part of a path: the text after the last "\" or "/".
std::string fileNamePart(const std::string& path);

class ResultModel {
public:
    std::vector<GridPoint> gridPoints;  // grid point order while loading, then ascending votes
    std::uint32_t gridCount = 0;
    std::uint32_t votedCount = 0;
    float voteSd = 0.0f;
    std::string gridFile = "Unif60000.cgp";
    std::string resultPath;
    std::string homeDir;  // ends with a path separator
    bool showGridFileName = false;
    StressState designatedStress = undefinedStressState();

    // Reads homeDir + gridFile into gridPoints and gridCount (every votes 0).
    LoadOutcome loadGridFile();
    // Reads the result at `path` (full path) with its grid; fills `data` (count, records with
    // plane, slip and sense of each datum, dataType; stressDesignated false).  On
    // success gridPoints is sorted by ascending votes (equal votes in grid point order)
    // and resultPath is `path`; the caller adds the path to the recent files.
    LoadOutcome loadResultFile(const std::string& path, FaultDataSet& data);
    // The input (the loaded result, or the grid in use) that `output` is the same file
    // as, compared by file identity (device and inode), so that no output replaces an
    // input under another name; nothing when `output` names neither.
    std::optional<std::string> inputSameAs(const std::string& output) const;
    // Population standard deviation of the votes over all gridCount grid points (0 for an empty grid).
    void computeVoteSd();

    // "Sd : " + Sd with 2 decimals: the text of status panel 1.
    std::string sdStatusText() const;
    // NZG + " / " + NG: status panel 0 after a load.
    std::string countsStatusText() const;
    // " QL Viewer  [ name ]", or with " / [ gridFile ]" when showGridFileName is set.
    std::string caption() const;
};

}  // namespace quillon::viewer
