#include "viewer/model/coordinates.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "viewer/geometry/rounding.h"
#include "viewer/model/number_format.h"
#include "viewer/model/stress_statistics.h"

namespace quillon::viewer {
namespace {

// A temporary file that is removed unless it was renamed into place.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
    ~TemporaryFile() {
        if (file_) std::fclose(file_);
        if (!kept_) std::remove(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // Empty on success, else the system's reason.
    std::string open() {
        file_ = std::fopen(path_.c_str(), "wb");
        return file_ ? std::string() : std::strerror(errno);
    }
    std::FILE* file() const { return file_; }
    std::string close() {
        std::FILE* f = file_;
        file_ = nullptr;
        return std::fclose(f) == 0 ? std::string() : std::strerror(errno);
    }
    std::string renameTo(const std::string& target) {
        if (std::rename(path_.c_str(), target.c_str()) != 0) return std::strerror(errno);
        kept_ = true;
        return {};
    }

private:
    std::string path_;
    std::FILE* file_ = nullptr;
    bool kept_ = false;
};

// Past a file-size limit a write raises SIGXFSZ, which ends the program and leaves
// the temporary file behind.  Ignored while the file is written, the write fails
// (EFBIG) and is reported like any other write error.
class FileSizeSignalIgnored {
public:
    FileSizeSignalIgnored() {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        restore_ = ::sigaction(SIGXFSZ, &ignore, &previous_) == 0;
    }
    ~FileSizeSignalIgnored() {
        if (restore_) ::sigaction(SIGXFSZ, &previous_, nullptr);
    }
    FileSizeSignalIgnored(const FileSizeSignalIgnored&) = delete;
    FileSizeSignalIgnored& operator=(const FileSizeSignalIgnored&) = delete;

private:
    struct sigaction previous_ {};
    bool restore_ = false;
};

}  // namespace

std::string coordinateLine(const GridPoint& p, int kind) {
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
    return line;
}

SaveOutcome writeCoordinateFile(const std::string& path, const ResultModel& model,
                                const Selection& selection, int kind) {
    const std::string failure = "File " + path + " cannot be written.";
    if (selection.symbolCount > kMaxCoordinateLines)
        return SaveOutcome{false, failure + "\r\nThe selection holds " + std::to_string(selection.symbolCount) +
                                      " symbols, more than the " + std::to_string(kMaxCoordinateLines) +
                                      " lines a coordinate file is given; raise the enhance factor."};
    if (const auto input = model.inputSameAs(path))
        return SaveOutcome{false, failure + "\r\nIt is the input file " + *input + "; nothing was written."};

    const FileSizeSignalIgnored noSignal;
    TemporaryFile temp(path + ".tmp" + std::to_string(static_cast<long>(::getpid())));
    if (std::string why = temp.open(); !why.empty()) return SaveOutcome{false, failure + "\r\n" + why};
    for (const SelectedState& s : selection.states) {
        const std::string line = coordinateLine(model.gridPoints.at(s.index), kind) + "\r\n";
        for (std::int32_t copy = 0; copy < s.count; ++copy)
            if (std::fwrite(line.data(), 1, line.size(), temp.file()) != line.size())
                return SaveOutcome{false, failure + "\r\n" + std::strerror(errno)};
    }
    if (std::fflush(temp.file()) != 0) return SaveOutcome{false, failure + "\r\n" + std::strerror(errno)};
    if (std::string why = temp.close(); !why.empty()) return SaveOutcome{false, failure + "\r\n" + why};
    if (std::string why = temp.renameTo(path); !why.empty()) return SaveOutcome{false, failure + "\r\n" + why};
    return SaveOutcome{true, {}};
}

SaveOutcome saveCoordinates(ResultModel& model, const PlotSettings& settings, int kind,
                            const std::string& path) {
    const Selection sel = selectStates(model, settings);
    if (sel.empty()) return SaveOutcome{false, "No data loaded."};
    return writeCoordinateFile(path, model, sel, kind);
}

}  // namespace quillon::viewer
