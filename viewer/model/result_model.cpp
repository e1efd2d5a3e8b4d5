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

std::string Trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
    return s.substr(b, e - b);
}

std::string UpperCase(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool IsExistingFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(std::filesystem::path(path), ec);
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return content;
}

LoadOutcome Failure(std::string message, bool terminate = false) {
    return LoadOutcome{false, std::move(message), terminate};
}

std::string Where(const std::string& path, std::size_t line) {
    return path + ", line " + std::to_string(line) + ": ";
}

std::optional<double> RealToken(TextReader& r, const std::string& path, std::string& error) {
    std::size_t line = 0;
    const auto tok = r.NextToken(&line);
    if (!tok) {
        error = Where(path, line) + "unexpected end of file where a number was expected.";
        return std::nullopt;
    }
    const auto value = ParseRealToken(*tok);
    if (!value) error = Where(path, line) + "'" + *tok + "' is not a number.";
    return value;
}

std::optional<std::int32_t> IntegerToken(TextReader& r, const std::string& path, std::string& error) {
    std::size_t line = 0;
    const auto tok = r.NextToken(&line);
    if (!tok) {
        error = Where(path, line) + "unexpected end of file where an integer was expected.";
        return std::nullopt;
    }
    const auto value = ParseIntegerToken(*tok);
    if (!value) error = Where(path, line) + "'" + *tok + "' is not an integer.";
    return value;
}

std::optional<std::int32_t> WholeLineInteger(TextReader& r) {
    const auto line = r.ReadLine();
    if (!line) return std::nullopt;
    return ParseWholeLineInteger(*line);
}

struct GridRead {
    LoadOutcome outcome;
    std::vector<TGridPoint> points;
};

// Reads the CGP file at `path` (named `gpFile` in the messages) into a new grid.
GridRead ReadGrid(const std::string& path, const std::string& gpFile) {
    GridRead g;
    if (!IsExistingFile(path)) {
        g.outcome = Failure("CGP File  [" + Trim(gpFile) + "]  not found.");
        return g;
    }
    const auto content = ReadWholeFile(path);
    if (!content) {
        g.outcome = Failure("CGP File  [" + Trim(gpFile) + "]  cannot be read.");
        return g;
    }
    TextReader r(*content);
    const auto count = WholeLineInteger(r);
    if (!count) {
        g.outcome = Failure(gpFile + " cannot be loaded", true);
        return g;
    }
    if (*count < 0 || static_cast<std::uint32_t>(*count) > kMaxGridPoints) {
        g.outcome = Failure(gpFile + " cannot be loaded: it announces " + std::to_string(*count) +
                            " grid points; a grid holds 0 to " + std::to_string(kMaxGridPoints) + ".");
        return g;
    }
    g.points.reserve(static_cast<std::size_t>(*count));
    std::string error;
    for (std::int32_t id = 1; id <= *count; ++id) {
        double v[5];
        for (double& x : v) {
            const auto value = RealToken(r, path, error);
            if (!value) {
                g.outcome = Failure(error);
                g.points.clear();
                return g;
            }
            x = *value;
        }
        r.SkipLine();
        TGridPoint p;
        p.nv = 0;
        p.id = static_cast<std::uint16_t>(id);
        p.axis[sgm1] = Tazpl{static_cast<float>(RoundHalfEven(v[0])), static_cast<float>(RoundHalfEven(v[1]))};
        p.axis[sgm3] = Tazpl{static_cast<float>(RoundHalfEven(v[2])), static_cast<float>(RoundHalfEven(v[3]))};
        p.sr = static_cast<float>(v[4]);
        // The class indexes the 11 colours and the bound positions: a ratio outside
        // [0, 1] is drawn in the colour of the nearest end.
        p.sri = static_cast<std::uint8_t>(std::clamp(RoundHalfEven(double(p.sr) * 10.0), 0.0, 10.0));
        p.n_to_be_plotted = 0;
        g.points.push_back(p);
    }
    g.outcome.ok = true;
    return g;
}

}  // namespace

TStressState UndefinedStressState() {
    TStressState s;
    s.axis[sgm1] = UndefinedDirection();
    s.axis[sgm3] = UndefinedDirection();
    s.sr = std::numeric_limits<float>::quiet_NaN();
    return s;
}

std::string FileNamePart(const std::string& path) {
    const auto pos = path.find_last_of("\\/");
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

LoadOutcome ResultModel::LoadGridFile() {
    GridRead g = ReadGrid(HomeDir + GPFile, GPFile);
    if (!g.outcome.ok) return g.outcome;
    GridPoints = std::move(g.points);
    NG = static_cast<std::uint32_t>(GridPoints.size());
    return g.outcome;
}

LoadOutcome ResultModel::LoadResultFile(const std::string& path, FaultDataSet& data) {
    const std::string name = FileNamePart(path);
    if (!IsExistingFile(path)) return Failure("File " + name + " not found.");
    const auto content = ReadWholeFile(path);
    if (!content) return Failure("File " + name + " cannot be read.");
    TextReader r(*content);
    std::string error;

    // Number of data, then the data lines.
    std::size_t countLine = r.LineNumber();
    const auto n = IntegerToken(r, path, error);
    if (!n) return Failure(error);
    if (*n < 0 || *n > std::numeric_limits<std::int16_t>::max())
        return Failure(Where(path, countLine) + "the number of data " + std::to_string(*n) +
                       " is outside 0 to " + std::to_string(std::numeric_limits<std::int16_t>::max()) + ".");
    r.SkipLine();
    std::vector<TFaultData> fd(static_cast<std::size_t>(*n) + 1);
    for (std::int32_t i = 1; i <= *n; ++i) {
        float v[4];
        for (float& x : v) {
            const auto value = RealToken(r, path, error);
            if (!value) return Failure(error);
            x = static_cast<float>(*value);
        }
        fd[i].fp = Tazpl{v[0], v[1]};
        fd[i].ss = Tazpl{v[2], v[3]};
        fd[i].sense = Trim(UpperCase(r.RestOfLine()));
        r.SkipLine();
    }

    // Grid count (not kept: NG is the number of points held) and voted count.
    const auto gridCount = WholeLineInteger(r);
    if (!gridCount) return Failure(path + ": Invalid format.");
    const auto voted = WholeLineInteger(r);
    if (!voted || *voted < 0) return Failure(path + ": Invalid format.");

    // Only ".ql4" and ".ql5" files, extension written exactly so, name their grid.
    std::string gpFile = "cgp31.cgp";
    const auto dot = name.find_last_of('.');
    const std::string ext = dot == std::string::npos ? std::string() : name.substr(dot);
    if (ext == ".ql4" || ext == ".ql5") {
        const auto line = r.ReadLine();
        if (!line) return Failure(path + ": Invalid format.");
        gpFile = FileNamePart(*line);
    }

    GridRead g = ReadGrid(HomeDir + gpFile, gpFile);
    if (!g.outcome.ok) return g.outcome;

    for (std::int32_t j = 0; j < *voted; ++j) {
        const std::size_t line = r.LineNumber();
        const auto gp = IntegerToken(r, path, error);
        if (!gp) return Failure(error);
        const auto votes = IntegerToken(r, path, error);
        if (!votes) return Failure(error);
        r.SkipLine();
        if (*gp < 1 || static_cast<std::size_t>(*gp) > g.points.size())
            return Failure(Where(path, line) + "grid point number " + std::to_string(*gp) +
                           " is outside 1 to " + std::to_string(g.points.size()) + " of " + gpFile + ".");
        g.points[static_cast<std::size_t>(*gp) - 1].nv = *votes;
    }

    const std::string dataLine = r.ReadLine().value_or(std::string());
    std::string dataType;
    if (dataLine.find(".fdt") != std::string::npos) dataType = "g";
    else if (dataLine.find(".fmd") != std::string::npos) dataType = "s";
    else return Failure("Undefined data type.");

    // Ascending votes; states with equal votes stay in grid point order.
    std::stable_sort(g.points.begin(), g.points.end(),
                     [](const TGridPoint& a, const TGridPoint& b) { return a.nv < b.nv; });

    GridPoints = std::move(g.points);
    NG = static_cast<std::uint32_t>(GridPoints.size());
    NZG = static_cast<std::uint32_t>(*voted);
    GPFile = gpFile;
    DataFile = path;
    data.NF = static_cast<std::int16_t>(*n);
    data.FD = std::move(fd);
    data.DataType = dataType;
    data.StressHasBeenDesignated = false;
    return LoadOutcome{true, {}, false};
}

void ResultModel::ComputeVoteSd() {
    if (GridPoints.empty()) {
        Sd = 0.0f;
        return;
    }
    const double count = static_cast<double>(GridPoints.size());
    std::int64_t sum = 0;
    for (const TGridPoint& p : GridPoints) sum += p.nv;
    const double m = static_cast<double>(sum) / count;
    double squares = 0.0;
    for (const TGridPoint& p : GridPoints) squares += (p.nv - m) * (p.nv - m);
    Sd = static_cast<float>(std::sqrt(squares / count));
}

std::string ResultModel::SdStatusText() const { return "Sd : " + FormatFixed(Sd, 10, 2); }

std::string ResultModel::CountsStatusText() const {
    return std::to_string(NZG) + " / " + std::to_string(NG);
}

std::string ResultModel::Caption() const {
    if (DataFile.empty()) return " QL Viewer";
    std::string caption = " QL Viewer  [ " + FileNamePart(DataFile) + " ]";
    if (CGP_disp) caption += " / [ " + GPFile + " ]";
    return caption;
}

}  // namespace quillon::viewer
