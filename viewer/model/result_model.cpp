#include "viewer/model/result_model.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <cstring>
#include <limits>
#include <optional>
#include <sstream>

#include <sys/stat.h>

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

bool pathExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::path(path), ec);
}

LoadOutcome failure(std::string message, bool terminate = false) {
    return LoadOutcome{false, std::move(message), terminate};
}

std::string where(const std::string& path, std::size_t line) {
    return path + ", line " + std::to_string(line) + ": ";
}

// Why the input ended where something more was expected: an over-long line, a read
// error of the system, or the end of the file.
std::string endOfInput(const TextReader& r, const std::string& path, std::size_t line, const char* expected) {
    if (r.overlongLine())
        return where(path, r.overlongLine()) + "the line is longer than " + std::to_string(kMaxLineLength) +
               " characters.";
    if (r.readError()) return where(path, line) + "cannot be read on: " + std::strerror(r.readError()) + ".";
    return where(path, line) + "unexpected end of file where " + expected + " was expected.";
}

// A piece of input for a message: quoted, and cut after 60 characters.
std::string excerpt(const std::string& text) {
    return "'" + (text.size() > 60 ? text.substr(0, 60) + "..." : text) + "'";
}

std::optional<double> realToken(TextReader& r, const std::string& path, std::string& error,
                                std::string* text = nullptr) {
    std::size_t line = 0;
    const auto tok = r.nextToken(&line);
    if (!tok) {
        error = endOfInput(r, path, line, "a number");
        return std::nullopt;
    }
    const auto value = parseRealToken(*tok);
    if (!value) error = where(path, line) + excerpt(*tok) + " is not a number.";
    if (text) *text = *tok;
    return value;
}

std::optional<std::int32_t> integerToken(TextReader& r, const std::string& path, std::string& error) {
    std::size_t line = 0;
    const auto tok = r.nextToken(&line);
    if (!tok) {
        error = endOfInput(r, path, line, "an integer");
        return std::nullopt;
    }
    const auto value = parseIntegerToken(*tok);
    if (!value) error = where(path, line) + excerpt(*tok) + " is not an integer.";
    return value;
}

// A whole-line integer; on failure `detail` says what the line held instead.
std::optional<std::int32_t> wholeLineInteger(TextReader& r, const std::string& path, const char* what,
                                             std::string& detail) {
    const std::size_t lineNo = r.lineNumber();
    const auto line = r.readLine();
    if (!line) {
        detail = endOfInput(r, path, lineNo, what);
        return std::nullopt;
    }
    const auto value = parseWholeLineInteger(*line);
    if (!value) detail = where(path, lineNo) + "the line holds " + excerpt(*line) + ", not " + what + " alone.";
    return value;
}

// The ranges of the five numbers of a grid point.  A grid is read in single
// precision, so the values are held to their ranges as the grid keeps them.
constexpr struct {
    const char* name;
    float low, high;
} kGridRange[5] = {{"sigma1 azimuth", 0, 360}, {"sigma1 plunge", -90, 90}, {"sigma3 azimuth", 0, 360},
                   {"sigma3 plunge", -90, 90}, {"Phi", 0, 1}};

// A line that names the grid of a result: a file name ending in ".cgp" (any case)
// that is not a vote line.  A vote line holds two integers, and the "Data = " line
// names a data file, so neither is taken for it.
bool isGridNameLine(const std::string& line) {
    std::string t = line;
    while (!t.empty() && static_cast<unsigned char>(t.back()) <= ' ') t.pop_back();
    if (t.size() < 5) return false;
    std::string tail = t.substr(t.size() - 4);
    for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".cgp";
}

struct GridRead {
    LoadOutcome outcome;
    std::vector<GridPoint> points;
};

// Reads the CGP file at `path` (named `gpFile` in the messages) into a new grid.
GridRead readGrid(const std::string& path, const std::string& gpFile) {
    GridRead g;
    const std::string notFound = "CGP File  [" + trimmed(gpFile) + "]  not found.";
    if (!pathExists(path)) {
        g.outcome = failure(notFound);
        return g;
    }
    std::string reason;
    const FileHandle file = openRegularFile(path, reason);
    if (!file) {
        g.outcome = failure(notFound + "\r\n" + path + ": " + reason + ".");
        return g;
    }
    TextReader r(file.get());
    std::string detail;
    const auto count = wholeLineInteger(r, path, "the number of grid points", detail);
    if (!count) {
        g.outcome = failure(gpFile + " cannot be loaded\r\n" + detail, true);
        return g;
    }
    if (*count < 0 || static_cast<std::uint32_t>(*count) > kMaxGridPoints) {
        g.outcome = failure(gpFile + " cannot be loaded\r\n" + where(path, 1) + "it announces " +
                            std::to_string(*count) + " grid points; a grid holds 0 to " +
                            std::to_string(kMaxGridPoints) + ".");
        return g;
    }
    g.points.reserve(static_cast<std::size_t>(*count));
    std::string error;
    for (std::int32_t id = 1; id <= *count; ++id) {
        double v[5];
        for (int j = 0; j < 5; ++j) {
            std::string text;
            const auto value = realToken(r, path, error, &text);
            if (!value) {
                g.outcome = failure(error);
                g.points.clear();
                return g;
            }
            // Out of range, the angles would overflow the symbol's integer geometry
            // and Phi would name no colour.
            const float f = static_cast<float>(*value);
            if (!(f >= kGridRange[j].low && f <= kGridRange[j].high)) {
                std::ostringstream range;
                range << kGridRange[j].low << " to " << kGridRange[j].high;
                g.outcome = failure(where(path, r.lineNumber()) + "the " + kGridRange[j].name + " " + excerpt(text) +
                                    " is outside " + range.str() + ".");
                g.points.clear();
                return g;
            }
            v[j] = *value;
        }
        r.skipLine();
        GridPoint p;
        p.votes = 0;
        p.id = static_cast<std::uint16_t>(id);
        p.axis[Sigma1] = Direction{static_cast<float>(roundHalfEven(v[0])), static_cast<float>(roundHalfEven(v[1]))};
        p.axis[Sigma3] = Direction{static_cast<float>(roundHalfEven(v[2])), static_cast<float>(roundHalfEven(v[3]))};
        p.stressRatio = static_cast<float>(v[4]);
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
    if (!pathExists(path)) return failure("File " + name + " not found.");
    std::string reason;
    const FileHandle file = openRegularFile(path, reason);
    if (!file) return failure("File " + name + " not found.\r\n" + path + ": " + reason + ".");
    TextReader r(file.get());
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
    const std::string invalid = path + ": Invalid format.";
    std::string detail;
    const auto statedGridCount = wholeLineInteger(r, path, "the number of grid points", detail);
    if (!statedGridCount) return failure(invalid + "\r\n" + detail);
    const std::size_t votedLine = r.lineNumber();
    const auto voted = wholeLineInteger(r, path, "the number of voted grid points", detail);
    if (!voted) return failure(invalid + "\r\n" + detail);
    if (*voted < 0)
        return failure(invalid + "\r\n" + where(path, votedLine) + "the number of voted grid points " +
                       std::to_string(*voted) + " is negative.");

    // ".ql4" and ".ql5" files, extension written exactly so, name their grid on the
    // next line.  The older kinds (".ql3", ".ql", and these names in other cases)
    // name none and use "cgp31.cgp".  A result saved under any other name (a name
    // without extension becomes "x.txt") is recognised by the line itself.
    std::string gpFile = "cgp31.cgp";
    const auto dot = name.find_last_of('.');
    const std::string ext = dot == std::string::npos ? std::string() : name.substr(dot);
    std::string lowerExt = ext;
    for (char& c : lowerExt) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const bool older = lowerExt == ".ql3" || lowerExt == ".ql" || lowerExt == ".ql4" || lowerExt == ".ql5";
    if (ext == ".ql4" || ext == ".ql5") {
        const std::size_t lineNo = r.lineNumber();
        const auto line = r.readLine();
        if (!line) return failure(invalid + "\r\n" + endOfInput(r, path, lineNo, "the name of the grid"));
        gpFile = fileNamePart(*line);
    } else if (!older) {
        const auto line = r.peekLine();
        if (line && isGridNameLine(*line)) {
            gpFile = fileNamePart(*line);
            r.skipLine();
        }
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

    const std::size_t dataLineNo = r.lineNumber();
    const std::string dataLine = r.readLine().value_or(std::string());
    std::string dataType;
    if (dataLine.find(".fdt") != std::string::npos) dataType = "g";
    else if (dataLine.find(".fmd") != std::string::npos) dataType = "s";
    else if (r.overlongLine() || r.readError())
        return failure("Undefined data type.\r\n" + endOfInput(r, path, dataLineNo, "the \"Data = \" line"));
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

std::optional<std::string> ResultModel::inputSameAs(const std::string& output) const {
    std::vector<std::string> inputs;
    if (!resultPath.empty()) inputs.push_back(resultPath);
    inputs.push_back(homeDir + gridFile);
    for (const std::string& input : inputs)
        if (isSameFile(output, input)) return input;
    return std::nullopt;
}

bool isSameFile(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
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
