#include "tools/recovery.h"

#include <fstream>
#include <sstream>

namespace quillon::tools {

namespace {
bool read_int_line(std::istream& in, long& line_no, long long& value) {
    std::string line;
    if (!std::getline(in, line)) return false;
    ++line_no;
    std::istringstream is(line);
    return static_cast<bool>(is >> value);
}
}  // namespace

bool read_result_votes(const std::string& path, std::vector<GridVote>& votes, std::string& error) {
    votes.clear();
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot open the result file";
        return false;
    }
    long line_no = 0;
    long long n_data = 0, n_grid = 0, voted = 0;
    auto fail = [&](const std::string& what) {
        error = path + ":" + std::to_string(line_no) + ": " + what;
        return false;
    };
    if (!read_int_line(in, line_no, n_data) || n_data < 0) return fail("expected the number of data");
    std::string line;
    for (long long i = 0; i < n_data; ++i) {
        if (!std::getline(in, line)) return fail("file ends inside the data lines");
        ++line_no;
    }
    if (!read_int_line(in, line_no, n_grid) || n_grid < 0) return fail("expected the number of grid points");
    if (!read_int_line(in, line_no, voted) || voted < 0 || voted > n_grid)
        return fail("expected the number of voted grid points");
    if (!std::getline(in, line)) return fail("expected the grid file name");
    ++line_no;
    for (long long i = 0; i < voted; ++i) {
        if (!std::getline(in, line)) return fail("file ends inside the vote lines");
        ++line_no;
        std::istringstream is(line);
        long long g = 0, v = 0;
        if (!(is >> g >> v) || g < 1 || g > n_grid || v < 0 || v > 2147483647LL)
            return fail("expected a grid point number and its votes");
        votes.push_back({static_cast<std::int32_t>(g), static_cast<std::int32_t>(v)});
    }
    return true;
}

RecoveryFigures recovery_figures(const std::vector<StressState>& grid, const std::vector<GridVote>& votes,
                                 const std::vector<StressState>& known, double radius_deg) {
    RecoveryFigures f;
    f.share_near.assign(known.size(), 0.0);
    std::vector<Vec5> known5;
    for (const auto& k : known) known5.push_back(five_vector(k));
    std::vector<std::int64_t> near_votes(known.size(), 0);
    for (const GridVote& gv : votes) {
        if (gv.votes <= 0 || gv.state < 1 || gv.state > static_cast<std::int32_t>(grid.size())) continue;
        f.total_votes += gv.votes;
        if (gv.votes > f.top_votes || (gv.votes == f.top_votes && gv.state < f.top_state)) {
            f.top_votes = gv.votes;
            f.top_state = gv.state;
        }
        const Vec5 x = five_vector(grid[gv.state - 1]);
        for (std::size_t k = 0; k < known.size(); ++k)
            if (angle_between_deg(x, known5[k]) <= radius_deg) near_votes[k] += gv.votes;
    }
    if (f.top_state > 0) {
        const Vec5 x = five_vector(grid[f.top_state - 1]);
        for (std::size_t k = 0; k < known.size(); ++k) {
            const double d = angle_between_deg(x, known5[k]);
            if (d < f.top_distance_deg) {
                f.top_distance_deg = d;
                f.top_nearest = static_cast<std::int32_t>(k);
            }
        }
    }
    for (std::size_t k = 0; k < known.size(); ++k)
        f.share_near[k] = f.total_votes > 0 ? static_cast<double>(near_votes[k]) / f.total_votes : 0.0;
    return f;
}

}  // namespace quillon::tools
