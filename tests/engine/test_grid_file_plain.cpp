// The CGP reader reads a plain grid file (one point per line, blanks or one
// comma between numbers) from memory and any other through the list reader.
// The same points spelled both ways must give the same tensors, bit for bit,
// and a file that stops being plain anywhere must still be read in full.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/io/grid_file.h"
#include "qlmain_harness.h"

namespace quillon::engine {
namespace {

using quillon::test::QlmainHome;

std::vector<GridState> read_grid(const QlmainHome& home, const std::string& name, const std::string& text) {
    EngineTables t;
    t.cgp_file_path = home.write(name, text).string();
    read_cgp_file(t);
    EXPECT_EQ(static_cast<std::size_t>(t.n_grid), t.stress_grid.size()) << name;
    return t.stress_grid;
}

bool same_tensors(const std::vector<GridState>& a, const std::vector<GridState>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::memcmp(a[i].tensor.data(), b[i].tensor.data(), sizeof a[i].tensor) != 0) return false;
    }
    return true;
}

TEST(CgpFilePlain, EverySpellingOfTheSamePointsGivesTheSameTensors) {
    // Numbers written with every digit count, signs, exponents and the
    // boundaries of the ranges.
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> az(0, 360), pl(-90, 90), phi(0, 1);
    std::vector<std::vector<std::string>> points;
    for (int i = 0; i < 400; ++i) {
        char a[5][32];
        std::snprintf(a[0], sizeof a[0], "%.*f", i % 5, az(rng));
        std::snprintf(a[1], sizeof a[1], "%.3e", pl(rng));
        std::snprintf(a[2], sizeof a[2], "%+.6g", az(rng));
        std::snprintf(a[3], sizeof a[3], "%.2f", pl(rng));
        std::snprintf(a[4], sizeof a[4], "%.4f", phi(rng));
        points.push_back({a[0], a[1], a[2], a[3], a[4]});
    }
    points.push_back({"0", "-90", "360", "90", "1"});
    points.push_back({"360.0", "90.0", "0.0", "-90.0", "0"});
    const std::string count = std::to_string(points.size());

    // Plain: LF, CR LF with commas and tabs and trailing items.
    std::string lf = count + "\n", crlf = count + " points\r\n";
    // Not plain: every point over two lines, and a blank line in front.
    std::string split = "\n" + count + "\n";
    for (const auto& p : points) {
        lf += p[0] + " " + p[1] + " " + p[2] + " " + p[3] + " " + p[4] + "\n";
        crlf += p[0] + ",\t" + p[1] + " ," + p[2] + "  " + p[3] + ", " + p[4] + " , extra\r\n";
        split += p[0] + " " + p[1] + "\n" + p[2] + " " + p[3] + " " + p[4] + "\n";
    }
    QlmainHome home;
    const auto from_lf = read_grid(home, "lf.cgp", lf);
    ASSERT_EQ(from_lf.size(), points.size());
    EXPECT_TRUE(same_tensors(from_lf, read_grid(home, "crlf.cgp", crlf)));
    EXPECT_TRUE(same_tensors(from_lf, read_grid(home, "split.cgp", split)));
    // Plain up to its last point, which is spread over two lines; and a last
    // line without a line end.
    std::string late = lf.substr(0, lf.rfind('\n', lf.size() - 2) + 1);
    const auto& last = points.back();
    late += last[0] + " " + last[1] + " " + last[2] + "\n" + last[3] + " " + last[4];
    EXPECT_TRUE(same_tensors(from_lf, read_grid(home, "late.cgp", late)));
    // Lines beyond the count are not read, whatever they hold.
    EXPECT_TRUE(same_tensors(from_lf, read_grid(home, "beyond.cgp", lf + "not a grid point\n'\n")));
}

}  // namespace
}  // namespace quillon::engine
