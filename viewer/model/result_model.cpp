#include "viewer/model/result_model.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>

#include "viewer/geometry/rounding.h"
#include "viewer/model/number_format.h"
#include "viewer/model/text_reader.h"

namespace quillon::viewer {
namespace {

std::string trimmed(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
    return s.substr(b, e - b);
}

std::string upperCased(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool isExistingFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(std::filesystem::path(path), ec);
}

std::optional<std::string> readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return content;
}

LoadOutcome failure(std::string message, bool terminate = false) {
    return LoadOutcome{false, std::move(message), terminate};
}

std::string where(const std::string& path, std::size_t line) {
    return path + ", line " + std::to_string(line) + ": ";
}

std::optional<double> realToken(TextReader& r, const std::string& path, std::string& error) {
    std::size_t line = 0;
    const auto tok = r.nextToken(&line);
    if (!tok) {
        error = where(path, line) + "unexpected end of file where a number was expected.";
        return std::nullopt;
    }
    const auto value = parseRealToken(*tok);
    if (!value) error = where(path, line) + "'" + *tok + "' is not a number.";
    return value;
}

std::optional<std::int32_t> integerToken(TextReader& r, const std::string& path, std::string& error) {
    std::size_t line = 0;
    const auto tok = r.nextToken(&line);
    if (!tok) {
        error = where(path, line) + "unexpected end of file where an integer was expected.";
        return std::nullopt;
    }
    const auto value = parseIntegerToken(*tok);
    if (!value) error = where(path, line) + "'" + *tok + "' is not an integer.";
    return value;
}

std::optional<std::int32_t> wholeLineInteger(TextReader& r) {
    const auto line = r.readLine();
    if (!line) return std::nullopt;
    return parseWholeLineInteger(*line);
}

struct GridRead {
    LoadOutcome outcome;
    std::vector<GridPoint> points;
};

// Reads the CGP file at `path` (named `gpFile` in the messages) into a new grid.
GridRead readGrid(const std::string& path, const std::string& gpFile) {
    GridRead g;
    if (!isExistingFile(path)) {
        g.outcome = failure("CGP File  [" + trimmed(gpFile) + "]  not found.");
        return g;
    }
    const auto content = readWholeFile(path);
    if (!content) {
        g.outcome = failure("CGP File  [" + trimmed(gpFile) + "]  cannot be read.");
        return g;
    }
    TextReader r(*content);
    const auto count = wholeLineInteger(r);
    if (!count) {
        g.outcome = failure(gpFile + " cannot be loaded", true);
        return g;
    }
    if (*count < 0 || static_cast<std::uint32_t>(*count) > kMaxGridPoints) {
        g.outcome = failure(gpFile + " cannot be loaded: it announces " + std::to_string(*count) +
                            " grid points; a grid holds 0 to " + std::to_string(kMaxGridPoints) + ".");
        return g;
    }
    g.points.reserve(static_cast<std::size_t>(*count));
    std::string error;
    for (std::int32_t id = 1; id <= *count; ++id) {
        double v[5];
        for (double& x : v) {
            const auto value = realToken(r, path, error);
            if (!value) {
                g.outcome = failure(error);
                g.points.clear();
                return g;
            }
            x = *value;
        }
        r.skipLine();
        GridPoint p;
        p.votes = 0;
        p.id = static_cast<std::uint16_t>(id);
        p.axis[Sigma1] = Direction{static_cast<float>(roundHalfEven(v[0])), static_cast<float>(roundHalfEven(v[1]))};
        p.axis[Sigma3] = Direction{static_cast<float>(roundHalfEven(v[2])), static_cast<float>(roundHalfEven(v[3]))};
        p.stressRatio = static_cast<float>(v[4]);
        // The class indexes the 11 colours and the bound positions: a ratio outside
        // [0, 1] is drawn in the colour of the nearest end.
        p.ratioClass = static_cast<std::uint8_t>(std::clamp(roundHalfEven(double(p.stressRatio) * 10.0), 0.0, 10.0));
        p.plotCount = 0;
        g.points.push_back(p);
    }
    g.outcome.ok = true;
    return g;
}

}  // namespace

StressState undefinedStressState() {
    StressState s;
    s.axis[Sigma1] = undefinedDirection();
    s.axis[Sigma3] = undefinedDirection();
    s.stressRatio = std::numeric_limits<float>::quiet_NaN();
    return s;
}

std::string fileNamePart(const std::string& path) {
    const auto pos = path.find_last_of("\\/");
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

LoadOutcome ResultModel::loadGridFile() {
    GridRead g = readGrid(homeDir + gridFile, gridFile);
    if (!g.outcome.ok) return g.outcome;
    gridPoints = std::move(g.points);
    gridCount = static_cast<std::uint32_t>(gridPoints.size());
    return g.outcome;
}

LoadOutcome ResultModel::loadResultFile(const std::string& path, FaultDataSet& data) {
    const std::string name = fileNamePart(path);
    if (!isExistingFile(path)) return failure("File " + name + " not found.");
    const auto content = readWholeFile(path);
    if (!content) return failure("File " + name + " cannot be read.");
    TextReader r(*content);
    std::string error;

    // Number of data, then the data lines.
    std::size_t countLine = r.lineNumber();
    const auto n = integerToken(r, path, error);
    if (!n) return failure(error);
    if (*n < 0 || *n > std::numeric_limits<std::int16_t>::max())
        return failure(where(path, countLine) + "the number of data " + std::to_string(*n) +
                       " is outside 0 to " + std::to_string(std::numeric_limits<std::int16_t>::max()) + ".");
    r.skipLine();
    std::vector<FaultDatum> fd(static_cast<std::size_t>(*n) + 1);
    for (std::int32_t i = 1; i <= *n; ++i) {
        float v[4];
        for (float& x : v) {
            const auto value = realToken(r, path, error);
            if (!value) return failure(error);
            x = static_cast<float>(*value);
        }
        fd[i].plane = Direction{v[0], v[1]};
        fd[i].slip = Direction{v[2], v[3]};
        fd[i].sense = trimmed(upperCased(r.restOfLine()));
        r.skipLine();
    }

    // Grid count (not kept: gridCount is the number of points held) and voted count.
    const auto statedGridCount = wholeLineInteger(r);
    if (!statedGridCount) return failure(path + ": Invalid format.");
    const auto voted = wholeLineInteger(r);
    if (!voted || *voted < 0) return failure(path + ": Invalid format.");

    // Only ".ql4" and ".ql5" files, extension written exactly so, name their grid.
    std::string gpFile = "cgp31.cgp";
    const auto dot = name.find_last_of('.');
    const std::string ext = dot == std::string::npos ? std::string() : name.substr(dot);
    if (ext == ".ql4" || ext == ".ql5") {
        const auto line = r.readLine();
        if (!line) return failure(path + ": Invalid format.");
        gpFile = fileNamePart(*line);
    }

    GridRead g = readGrid(homeDir + gpFile, gpFile);
    if (!g.outcome.ok) return g.outcome;

    for (std::int32_t j = 0; j < *voted; ++j) {
        const std::size_t line = r.lineNumber();
        const auto gp = integerToken(r, path, error);
        if (!gp) return failure(error);
        const auto votes = integerToken(r, path, error);
        if (!votes) return failure(error);
        r.skipLine();
        if (*gp < 1 || static_cast<std::size_t>(*gp) > g.points.size())
            return failure(where(path, line) + "grid point number " + std::to_string(*gp) +
                           " is outside 1 to " + std::to_string(g.points.size()) + " of " + gpFile + ".");
        g.points[static_cast<std::size_t>(*gp) - 1].votes = *votes;
    }

    const std::string dataLine = r.readLine().value_or(std::string());
    std::string dataType;
    if (dataLine.find(".fdt") != std::string::npos) dataType = "g";
    else if (dataLine.find(".fmd") != std::string::npos) dataType = "s";
    else return failure("Undefined data type.");

    // Ascending votes; states with equal votes stay in grid point order.
    std::stable_sort(g.points.begin(), g.points.end(),
                     [](const GridPoint& a, const GridPoint& b) { return a.votes < b.votes; });

    gridPoints = std::move(g.points);
    gridCount = static_cast<std::uint32_t>(gridPoints.size());
    votedCount = static_cast<std::uint32_t>(*voted);
    gridFile = gpFile;
    resultPath = path;
    data.count = static_cast<std::int16_t>(*n);
    data.records = std::move(fd);
    data.dataType = dataType;
    data.stressDesignated = false;
    return LoadOutcome{true, {}, false};
}

void ResultModel::computeVoteSd() {
    if (gridPoints.empty()) {
        voteSd = 0.0f;
        return;
    }
    const double count = static_cast<double>(gridPoints.size());
    std::int64_t sum = 0;
    for (const GridPoint& p : gridPoints) sum += p.votes;
    const double m = static_cast<double>(sum) / count;
    double squares = 0.0;
    for (const GridPoint& p : gridPoints) squares += (p.votes - m) * (p.votes - m);
    voteSd = static_cast<float>(std::sqrt(squares / count));
}

std::string ResultModel::sdStatusText() const { return "Sd : " + formatFixed(voteSd, 10, 2); }

std::string ResultModel::countsStatusText() const {
    return std::to_string(votedCount) + " / " + std::to_string(gridCount);
}

std::string ResultModel::caption() const {
    if (resultPath.empty()) return " QL Viewer";
    std::string caption = " QL Viewer  [ " + fileNamePart(resultPath) + " ]";
    if (showGridFileName) caption += " / [ " + gridFile + " ]";
    return caption;
}

}  // namespace quillon::viewer
