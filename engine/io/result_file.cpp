// The result file: the data echoed, the grid's name, the vote of every voted grid
// state and the record of the run, column exact, CR LF line ends. The file is
// written beside the target under a temporary name and renamed over it only when
// complete, so a failure never leaves a half or truncated result file.
#include "engine/io/result_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <sstream>

#include "engine/error_stop.h"
#include "engine/io/fixed_format.h"
#include "engine/io/list_input.h"

namespace quillon::engine {

namespace {

constexpr std::size_t kNamePartLength = 256;
constexpr const char* kEol = "\r\n";
// Room left for the temporary suffix within a 255-byte file name.
constexpr std::size_t kTempBaseLength = 200;

// "yyyy/mm/dd hh:mm:ss.sss" from the run's date text yyyymmdd and time text hhmmss.sss.
std::string date_time(std::string date, std::string time) {
    date.resize(8, ' ');
    time.resize(10, ' ');
    return date.substr(0, 4) + "/" + date.substr(4, 2) + "/" + date.substr(6, 2) + " " + time.substr(0, 2) + ":" +
           time.substr(2, 2) + ":" + time.substr(4, 6);
}

std::string trimmed(std::string_view s) { return std::string(trim_trailing_blanks(s)); }

std::int32_t grid_count(const EngineTables& tables) {
    return static_cast<std::int32_t>(
        std::min<std::size_t>(tables.n_grid > 0 ? static_cast<std::size_t>(tables.n_grid) : 0,
                              tables.stress_grid.size()));
}

bool write_all(int fd, const std::string& content) {
    const char* p = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

// Writes content to a new file in the target's folder, then renames it over the
// target. error_stop when the file cannot be created or replaced, or on a write error.
void replace_file(const std::string& target_path, const std::string& content) {
    namespace fs = std::filesystem;
    fs::path target(target_path);
    std::error_code ec;
    // A result name that is a symbolic link names the file it points to: that
    // file receives the new content, and the link stays in place.
    if (fs::is_symlink(target, ec)) {
        std::error_code resolve_error;
        const fs::path resolved = fs::weakly_canonical(target, resolve_error);
        if (!resolve_error) target = resolved;
    }
    if (target.filename().empty() || fs::is_directory(target, ec))
        error_stop("QLN_save_results", "File I/O error");
    const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");

    // The temporary name adds about 30 characters to the target's; the target's
    // part is shortened so that a long but valid result name stays within the
    // file system's limit on the length of one name.
    std::string base = target.filename().string();
    if (base.size() > kTempBaseLength) base.resize(kTempBaseLength);
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        std::string name = ".";
        name += base;
        name += ".qlmain-";
        name += std::to_string(::getpid());
        name += '-';
        name += std::to_string(attempt);
        name += ".tmp";
        temp = (dir / name).string();
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) error_stop("QLN_save_results", "File I/O error");
    // A replaced result keeps the access rights it had, as when it is rewritten in place.
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0) (void)::fchmod(fd, existing.st_mode & 07777);

    bool ok = write_all(fd, content);
    if (ok && ::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) ok = false;
    if (::close(fd) != 0) ok = false;
    if (!ok) {
        ::unlink(temp.c_str());
        error_stop("QLN_save_results", "Write error --- the result file was not written");
    }
    if (std::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        error_stop("QLN_save_results", "File I/O error");
    }
}

}  // namespace

FileNameParts split_file_name(std::string_view path) {
    const std::size_t slash = path.find_last_of('/');
    const std::string_view file = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = file.find_last_of('.');
    FileNameParts parts;
    parts.name = std::string(file.substr(0, dot));
    if (dot != std::string_view::npos) parts.extension = std::string(file.substr(dot));
    if (parts.name.size() > kNamePartLength) parts.name.resize(kNamePartLength);
    if (parts.extension.size() > kNamePartLength) parts.extension.resize(kNamePartLength);
    return parts;
}

void write_vote_list(std::ostream& out, const EngineTables& tables) {
    const std::int32_t n = grid_count(tables);
    for (std::int32_t i = 1; i <= n; ++i) {
        const std::int32_t votes = tables.stress_grid[static_cast<std::size_t>(i - 1)].votes;
        if (votes != 0) out << fixed_int(i, 9) << fixed_int(votes, 9) << kEol;
    }
}

void QLN_save_results(const EngineTables& tables, const std::string& cgp_file_path, const std::string& data_path,
                      int k, const std::string& function_label, const std::string& start_date,
                      const std::string& start_time, const std::string& end_date, const std::string& end_time) {
    std::ostringstream out;
    out << ' ' << fixed_int(tables.n_data, 7) << kEol;
    const std::size_t n_data =
        std::min<std::size_t>(tables.n_data > 0 ? static_cast<std::size_t>(tables.n_data) : 0, tables.fault_data.size());
    for (std::size_t d = 0; d < n_data; ++d) {
        const FaultDatum& f = tables.fault_data[d];
        out << fixed_real(f.dip_direction, 5, 1) << fixed_real(f.dip, 5, 1) << fixed_real(f.slip_trend, 6, 1)
            << fixed_real(f.slip_plunge, 5, 1) << ' ' << f.sense << kEol;
    }
    out << ' ' << fixed_int(tables.n_grid, 12) << kEol;

    const std::int32_t n = grid_count(tables);
    std::int32_t voted = 0;
    for (std::int32_t i = 0; i < n; ++i)
        if (tables.stress_grid[static_cast<std::size_t>(i)].votes != 0) ++voted;
    out << ' ' << fixed_int(voted, 12) << kEol;

    const FileNameParts cgp = split_file_name(cgp_file_path);
    out << trimmed(cgp.name + cgp.extension) << kEol;
    write_vote_list(out, tables);

    out << "Data = " << trimmed(data_path) << kEol;
    out << " k = " << fixed_int(k, 2) << kEol;
    out << "Function = " << trimmed(function_label) << kEol;
    out << "QL main ver. 5.31" << kEol;
    out << "misft_threshold     = " << fixed_int(tables.misft_threshold, 12) << kEol;
    out << "Job Start = " << date_time(start_date, start_time) << kEol;
    out << "Job Eend = " << date_time(end_date, end_time) << kEol;

    replace_file(tables.result_path, out.str());
}

}  // namespace quillon::engine
