// The texts the Fault-Slip Data window and its exports show for the data set:
// row labels, number cells, misfit cells, the misfit histogram, the selected
// datum's label, the misfit and stress text files, and the command-line
// listing of misfits.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "viewer/model/fault_data.h"
#include "viewer/model/result_model.h"

namespace quillon::viewer {

// The misfit cell of a datum with no shear stress on its plane.
inline constexpr const char* kZeroShearText = "ZSS";
inline constexpr int kHistogramBars = 18;

// Row label: the row number, or for focal mechanisms the mechanism number with
// "a" / "b" for its two nodal planes ("1a", "1b", "2a", ...).
std::string datumLabel(const FaultDataSet& data, int row);
// Shortest text that reads back as the same single-precision value ("45", "12.5").
std::string generalNumber(float value);
// "ZSS" for a datum without shear stress, else the misfit with one decimal.
std::string misfitCellText(float misfit, bool zeroShear);
// Counts of misfits in [10k, 10k + 10) for k = 0..17, from the misfit cells:
// "ZSS" and a misfit of exactly 180 count in the last bar.
std::array<int, kHistogramBars> misfitHistogram(const std::vector<std::string>& misfitCells);
// "5  [ 0.52, 0.31 ]": the row and the datum's normal and shear stress.
std::string selectedDatumText(const FaultDataSet& data, int row);

// Lines of the misfit file (misfit, one decimal) and of the stress file
// (normal and shear stress, three decimals, two blanks between).  Numbers are
// written with a point whatever the locale, so files read the same everywhere.
std::vector<std::string> misfitFileLines(const FaultDataSet& data);
std::vector<std::string> stressFileLines(const FaultDataSet& data);

// Misfits of every datum under `stress`: marks the stress as designated and
// returns, per row (index 0 unused), whether the datum had no shear stress.
std::vector<bool> designateStress(FaultDataSet& data, const StressState& stress);

// One line per datum for the command line: label, plane (dip direction, dip),
// slip (trend, plunge), sense, misfit or "ZSS", normal and shear stress.
std::vector<std::string> misfitListing(const FaultDataSet& data, const std::vector<bool>& zeroShear);

}  // namespace quillon::viewer
