#include "tools/grid.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "tools/kdtree5.h"
#include "tools/random.h"

namespace quillon::tools {

namespace {

// Area of the unit 4-sphere, 8 pi^2 / 3.
const double kSphereArea = 8.0 * kPi * kPi / 3.0;
// Density of the densest known packing of 4-balls (the D4 lattice), pi^2 / 16.
const double kPackingDensity = kPi * kPi / 16.0;

// Angular diameter (radians) of n equal caps packed at the D4 density on the
// 4-sphere, using the flat volume pi^2/2 r^4 of a 4-ball for a small cap.
double packing_distance(std::int32_t n) {
    const double r4 = kPackingDensity * kSphereArea / (n * kPi * kPi / 2.0);
    return 2.0 * std::pow(r4, 0.25);
}

double chord_to_deg(double chord) { return 2.0 * std::asin(std::min(1.0, chord / 2.0)) / kDeg; }

}  // namespace

std::vector<Vec5> random_sphere_points(std::int32_t n, std::uint64_t seed) {
    Random rng(seed);
    std::vector<Vec5> points(std::max<std::int32_t>(n, 0));
    for (auto& p : points) {
        double r2 = 0;
        do {
            for (auto& c : p) c = rng.gaussian();
            r2 = dot5(p, p);
        } while (r2 < 1e-12);
        p = normalized5(p);
    }
    return points;
}

std::vector<Vec5> build_uniform_grid(const GridOptions& options, const GridProgress& progress) {
    std::vector<Vec5> points = random_sphere_points(options.n, options.seed);
    if (options.n < 2) return points;
    const double target_angle = std::min(kPi / 2, options.spacing * packing_distance(options.n));
    const double target = 2.0 * std::sin(target_angle / 2.0);  // as a chord
    std::vector<Vec5> shift(points.size());
    std::vector<std::int32_t> near;
    for (std::int32_t sweep = 1; sweep <= options.iterations; ++sweep) {
        // Step from 0.5 of the overlap down to 0.1 over the sweeps.
        const double step = 0.5 - 0.4 * (sweep - 1) / std::max(1, options.iterations - 1);
        KdTree5 tree(points);
        for (std::size_t i = 0; i < points.size(); ++i) {
            Vec5 push{};
            tree.within(points[i], target, near);
            for (std::int32_t j : near) {
                if (static_cast<std::size_t>(j) == i) continue;
                Vec5 d;
                double c2 = 0;
                for (int k = 0; k < 5; ++k) {
                    d[k] = points[i][k] - points[j][k];
                    c2 += d[k] * d[k];
                }
                const double c = std::sqrt(c2);
                if (c < 1e-12) {
                    // Coincident points: separate them along a fixed axis by index order.
                    push[static_cast<std::size_t>(j) < i ? 0 : 1] += 0.5 * target;
                    continue;
                }
                const double f = 0.5 * (target - c) / c;
                for (int k = 0; k < 5; ++k) push[k] += f * d[k];
            }
            for (int k = 0; k < 5; ++k) shift[i][k] = step * push[k];
        }
        for (std::size_t i = 0; i < points.size(); ++i) {
            Vec5 p;
            for (int k = 0; k < 5; ++k) p[k] = points[i][k] + shift[i][k];
            points[i] = normalized5(p);
        }
        if (progress) progress(sweep, options.iterations);
    }
    return points;
}

GridQuality measure_grid(const std::vector<Vec5>& points, std::int32_t probes, std::uint64_t probe_seed) {
    GridQuality q;
    if (points.empty()) return q;
    KdTree5 tree(points);
    std::vector<double> nn;
    nn.reserve(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        const auto best = tree.nearest(points[i], static_cast<std::int64_t>(i));
        if (best.index >= 0) nn.push_back(chord_to_deg(std::sqrt(best.distance2)));
    }
    if (!nn.empty()) {
        std::sort(nn.begin(), nn.end());
        q.min_nn = nn.front();
        q.max_nn = nn.back();
        const std::size_t m = nn.size() / 2;
        q.median_nn = nn.size() % 2 ? nn[m] : 0.5 * (nn[m - 1] + nn[m]);
    }
    double worst = 0;
    for (const Vec5& p : random_sphere_points(probes, probe_seed))
        worst = std::max(worst, tree.nearest(p).distance2);
    q.covering = chord_to_deg(std::sqrt(worst));
    return q;
}

std::vector<StressState> states_of_points(const std::vector<Vec5>& points) {
    std::vector<StressState> states;
    states.reserve(points.size());
    for (const Vec5& p : points) states.push_back(stress_state_of_five_vector(p));
    return states;
}

namespace {
// Fixed-point text of v with `decimals` decimals; an azimuth that rounds to 360
// is written as 0 and a negative zero as zero.
std::string fixed(double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    std::string s(buf);
    if (s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
    return s;
}
std::string azimuth(double az) {
    std::string s = fixed(az, 3);
    if (s == "360.000") s = "0.000";
    return s;
}
}  // namespace

std::string format_cgp_line(const StressState& s) {
    return azimuth(s.sigma1.az) + " " + fixed(s.sigma1.pl, 3) + " " + azimuth(s.sigma3.az) + " " +
           fixed(s.sigma3.pl, 3) + " " + fixed(s.phi, 4);
}

std::string format_cgp(const std::vector<StressState>& states) {
    std::string text = std::to_string(states.size()) + "\r\n";
    text.reserve(states.size() * 40 + 16);
    for (const auto& s : states) text += format_cgp_line(s) + "\r\n";
    return text;
}

namespace {
// Splits a line into items separated by blanks, tabs and commas.
std::vector<std::string> items_of(const std::string& line) {
    std::vector<std::string> items;
    std::string cur;
    for (char c : line) {
        if (c == ' ' || c == '\t' || c == ',' || c == '\r') {
            if (!cur.empty()) items.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) items.push_back(cur);
    return items;
}
bool to_double(const std::string& s, double& v) {
    char* end = nullptr;
    v = std::strtod(s.c_str(), &end);
    return end != s.c_str() && *end == '\0' && std::isfinite(v);
}
}  // namespace

bool read_cgp(const std::string& path, std::vector<StressState>& states, std::string& error) {
    states.clear();
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot open the grid file";
        return false;
    }
    std::string line;
    long line_no = 1;
    if (!std::getline(in, line)) {
        error = path + ":1: missing count line";
        return false;
    }
    const auto head = items_of(line);
    double count = 0;
    if (head.empty() || !to_double(head[0], count) || count < 0 || count != std::floor(count) ||
        count > 2147483647.0) {
        error = path + ":1: the count line does not hold a non-negative integer";
        return false;
    }
    const auto n = static_cast<std::int64_t>(count);
    states.reserve(static_cast<std::size_t>(std::min<std::int64_t>(n, 1 << 20)));
    std::vector<double> values;
    while (static_cast<std::int64_t>(states.size()) < n) {
        values.clear();
        while (values.size() < 5) {
            if (!std::getline(in, line)) {
                error = path + ":" + std::to_string(line_no + 1) + ": file ends before grid point " +
                        std::to_string(states.size() + 1);
                return false;
            }
            ++line_no;
            for (const auto& item : items_of(line)) {
                if (values.size() == 5) break;
                double v;
                if (!to_double(item, v)) {
                    error = path + ":" + std::to_string(line_no) + ": '" + item + "' is not a number";
                    return false;
                }
                values.push_back(v);
            }
        }
        states.push_back({{values[0], values[1]}, {values[2], values[3]}, values[4]});
    }
    return true;
}

}  // namespace quillon::tools
