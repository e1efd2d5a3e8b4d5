#include "viewer/model/coordinates.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "viewer/geometry/rounding.h"
#include "viewer/model/number_format.h"
#include "viewer/model/stress_statistics.h"

namespace quillon::viewer {

std::vector<std::string> coordinateLines(const ResultModel& model, const Selection& selection,
                                         int kind) {
    std::vector<std::string> lines;
    lines.reserve(selection.entries.size());
    for (std::size_t index : selection.entries) {
        const GridPoint& p = model.gridPoints.at(index);
        std::string line;
        if (kind == kReducedTensors) {
            const Matrix3 T = tensorForDistance(p.axis[Sigma1], p.axis[Sigma3], p.stressRatio);
            const float c[6] = {T.a[0][0], T.a[0][1], T.a[0][2], T.a[1][1], T.a[1][2], T.a[2][2]};
            for (int i = 0; i < 6; ++i) {
                if (i) line += ' ';
                line += formatFixed(c[i], 7, 5);
            }
        } else {
            line = std::to_string(roundToInt(p.axis[Sigma1].az)) + ' ' + std::to_string(roundToInt(p.axis[Sigma1].pl)) +
                   ' ' + std::to_string(roundToInt(p.axis[Sigma3].az)) + ' ' +
                   std::to_string(roundToInt(p.axis[Sigma3].pl)) + ' ' + formatDecimals(p.stressRatio, 4, 6);
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

SaveOutcome writeCoordinateFile(const std::string& path, const std::vector<std::string>& lines) {
    namespace fs = std::filesystem;
    const std::string failure = "File " + path + " cannot be written.";
    const std::string temp = path + ".tmp" + std::to_string(static_cast<long>(::getpid()));
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return SaveOutcome{false, failure};
        for (const std::string& line : lines) out << line << "\r\n";
        out.flush();
        if (!out) {
            out.close();
            std::error_code ec;
            fs::remove(temp, ec);
            return SaveOutcome{false, failure};
        }
    }
    std::error_code ec;
    fs::rename(temp, path, ec);
    if (ec) {
        fs::remove(temp, ec);
        return SaveOutcome{false, failure};
    }
    return SaveOutcome{true, {}};
}

SaveOutcome saveCoordinates(ResultModel& model, const PlotSettings& settings, int kind,
                            const std::string& path) {
    const Selection sel = selectStates(model, settings);
    if (sel.entries.empty()) return SaveOutcome{false, "No data loaded."};
    return writeCoordinateFile(path, coordinateLines(model, sel, kind));
}

}  // namespace quillon::viewer
