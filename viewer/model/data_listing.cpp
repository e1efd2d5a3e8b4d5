#include "viewer/model/data_listing.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "viewer/model/number_format.h"

namespace quillon::viewer {

namespace {

int dataCount(const FaultDataSet& data) {
    return std::max(0, std::min<int>(data.count, int(data.records.size()) - 1));
}

std::string padLeft(const std::string& s, std::size_t width) {
    return s.size() >= width ? s : std::string(width - s.size(), ' ') + s;
}

}  // namespace

std::string datumLabel(const FaultDataSet& data, int row) {
    if (data.dataType == "s") return std::to_string((row + 1) / 2) + (row % 2 == 1 ? "a" : "b");
    return std::to_string(row);
}

std::string generalNumber(float value) {
    if (!std::isfinite(value)) return formatFixed(value, 1, 0);
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

std::string misfitCellText(float misfit, bool zeroShear) {
    return zeroShear ? kZeroShearText : formatFixed(misfit, 6, 1);
}

std::array<int, kHistogramBars> misfitHistogram(const std::vector<std::string>& misfitCells) {
    std::array<int, kHistogramBars> counts{};
    for (const std::string& cell : misfitCells) {
        if (cell.empty()) continue;
        int bar = kHistogramBars - 1;
        if (cell != kZeroShearText) {
            const double m = std::strtod(cell.c_str(), nullptr);
            bar = std::clamp(static_cast<int>(std::floor(m / 10.0)), 0, kHistogramBars - 1);
        }
        ++counts[size_t(bar)];
    }
    return counts;
}

std::string selectedDatumText(const FaultDataSet& data, int row) {
    if (row < 1 || row > dataCount(data)) return {};
    const FaultDatum& d = data.records[size_t(row)];
    return std::to_string(row) + "  [ " + formatDecimals(d.normalStress, 2) + ", " +
           formatDecimals(d.shearStress, 2) + " ]";
}

std::vector<std::string> misfitFileLines(const FaultDataSet& data) {
    std::vector<std::string> lines;
    for (int i = 1; i <= dataCount(data); ++i) lines.push_back(formatFixed(data.records[size_t(i)].misfit, 5, 1));
    return lines;
}

std::vector<std::string> stressFileLines(const FaultDataSet& data) {
    std::vector<std::string> lines;
    for (int i = 1; i <= dataCount(data); ++i) {
        const FaultDatum& d = data.records[size_t(i)];
        lines.push_back(formatFixed(d.normalStress, 5, 3) + "  " + formatFixed(d.shearStress, 5, 3));
    }
    return lines;
}

std::vector<bool> designateStress(FaultDataSet& data, const StressState& stress) {
    data.stressDesignated = true;
    return data.computeMisfits(
        reducedStressTensor(stress.axis[Sigma1], stress.axis[Sigma3], stress.stressRatio));
}

std::vector<std::string> misfitListing(const FaultDataSet& data, const std::vector<bool>& zeroShear) {
    std::vector<std::string> lines;
    for (int i = 1; i <= dataCount(data); ++i) {
        const FaultDatum& d = data.records[size_t(i)];
        const bool zss = size_t(i) < zeroShear.size() && zeroShear[size_t(i)];
        lines.push_back(padLeft(datumLabel(data, i), 4) + "  " + formatDecimals(d.plane.az, 1, 5) + " " +
                        formatDecimals(d.plane.pl, 1, 4) + "  " + formatDecimals(d.slip.az, 1, 5) + " " +
                        formatDecimals(d.slip.pl, 1, 5) + "  " + (d.sense.empty() ? "-" : d.sense) + "  " +
                        padLeft(misfitCellText(d.misfit, zss), 5) + "  " + formatDecimals(d.normalStress, 3, 6) +
                        " " + formatDecimals(d.shearStress, 3, 6));
    }
    return lines;
}

}  // namespace quillon::viewer
