// The result file: the data echoed, the grid's name, the vote of every voted grid
// state and the record of the run, column exact, CR LF line ends. The file is
// written beside the target under a temporary name and renamed over it only when
// complete, so a failure never leaves a half or truncated result file.
#include "engine/io/result_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
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

// The file a result path names: a symbolic link names the file it points to,
// which receives the new content while the link stays in place.
std::filesystem::path resolve_target(const std::string& target_path) {
    namespace fs = std::filesystem;
    fs::path target(target_path);
    std::error_code ec;
    if (fs::is_symlink(target, ec)) {
        std::error_code resolve_error;
        const fs::path resolved = fs::weakly_canonical(target, resolve_error);
        if (!resolve_error) target = resolved;
    }
    return target;
}

// The start of the temporary names of a target: "." + its name (shortened, see
// replace_file) + ".qlmain-"; the process id, "-", an attempt number and ".tmp" follow.
std::string temp_prefix(const std::filesystem::path& target) {
    // The temporary name adds about 30 characters to the target's; the target's
    // part is shortened so that a long but valid result name stays within the
    // file system's limit on the length of one name.
    std::string base = target.filename().string();
    if (base.size() > kTempBaseLength) base.resize(kTempBaseLength);
    return "." + base + ".qlmain-";
}

[[noreturn]] void io_error(const std::string& path, const std::string& why) {
    error_stop("QLN_save_results", "File I/O error", std::nullopt, path + ": " + why);
}

// Writes content to a new file in the target's folder, then renames it over the
// target. error_stop when the file cannot be created or replaced, or on a write error.
void replace_file(const std::string& target_path, const std::string& content) {
    namespace fs = std::filesystem;
    const fs::path target = resolve_target(target_path);
    std::error_code ec;
    if (target.filename().empty() || fs::is_directory(target, ec)) io_error(target_path, "a folder, not a file");
    const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");

    const std::string prefix = temp_prefix(target);
    std::string temp;
    int fd = -1;
    int open_errno = 0;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        std::string name = prefix;
        name += std::to_string(::getpid());
        name += '-';
        name += std::to_string(attempt);
        name += ".tmp";
        temp = (dir / name).string();
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        open_errno = errno;
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0)
        io_error(target_path, "cannot create a file in the folder " + dir.string() + " (" +
                                  std::strerror(open_errno) + ")");
    // A replaced result keeps the access rights it had, as when it is rewritten in place.
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0) (void)::fchmod(fd, existing.st_mode & 07777);

    bool ok = write_all(fd, content);
    int write_errno = ok ? 0 : errno;
    if (ok && ::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) ok = false, write_errno = errno;
    if (::close(fd) != 0 && ok) ok = false, write_errno = errno;
    if (!ok) {
        ::unlink(temp.c_str());
        error_stop("QLN_save_results", "Write error --- the result file was not written", std::nullopt,
                   target_path + ": " + std::strerror(write_errno));
    }
    if (std::rename(temp.c_str(), target.c_str()) != 0) {
        const int rename_errno = errno;
        ::unlink(temp.c_str());
        io_error(target_path, std::string("the written file cannot take this name (") + std::strerror(rename_errno) + ")");
    }
}

}  // namespace

void remove_stale_temporaries(const std::string& result_path) {
    namespace fs = std::filesystem;
    const fs::path target = resolve_target(result_path);
    if (target.filename().empty()) return;
    const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const std::string prefix = temp_prefix(target);
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() <= prefix.size() + 4 || name.compare(0, prefix.size(), prefix) != 0 ||
            name.compare(name.size() - 4, 4, ".tmp") != 0)
            continue;
        // "<pid>-<attempt>" between the prefix and ".tmp".
        const std::string middle = name.substr(prefix.size(), name.size() - prefix.size() - 4);
        const std::size_t dash = middle.find('-');
        if (dash == 0 || dash == std::string::npos || dash > 9 ||
            middle.find_first_not_of("0123456789-") != std::string::npos || middle.find('-', dash + 1) != std::string::npos)
            continue;
        const pid_t pid = static_cast<pid_t>(std::stol(middle.substr(0, dash)));
        if (pid <= 0 || pid == ::getpid()) continue;
        // Only a file whose writer is gone: a running qlmain may be writing it.
        if (::kill(pid, 0) == 0 || errno != ESRCH) continue;
        std::error_code remove_error;
        fs::remove(it->path(), remove_error);
    }
}

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
                      const std::string& start_time, const std::string& end_date, const std::string& end_time,
                      int subset_items) {
    // With no data, or fewer than k, no subset exists and no state can have a
    // vote: such a result says nothing, and must not replace a good one.
    if (tables.n_data <= 0)
        error_stop("QLN_save_results", "no data", std::nullopt,
                   trimmed(data_path) + ": no datum; " + trimmed(tables.result_path) + " was not written");
    const bool mechanisms = subset_items >= 0;
    const int items = mechanisms ? subset_items : tables.n_data;
    if (items < k)
        error_stop("QLN_save_results",
                   std::string(mechanisms ? "fewer mechanisms (" : "fewer data (") + std::to_string(items) +
                       ") than k (" + std::to_string(k) + "): no subset can vote",
                   std::nullopt, trimmed(data_path) + "; " + trimmed(tables.result_path) + " was not written");
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
