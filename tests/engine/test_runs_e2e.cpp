// The inversion runs end to end: qlmain is run in a temporary home directory
// with a three-state grid and small data sets whose votes are worked out by hand
// below; the console lines and the whole result file are compared.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "tests/engine/qlmain_harness.h"

namespace quillon::engine {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using test::QlmainHome;
using test::split_lines;

// Three grid states, numbered in file order:
//   1: sigma1 vertical, sigma3 east, Phi 0   (axial extension)
//   2: sigma1 east, sigma3 vertical, Phi 0.5 (east-west compression)
//   3: sigma1 north, sigma3 east, Phi 0.5    (strike-slip; sigma2 vertical)
constexpr const char* kTinyGrid =
    "3\r\n"
    "  0 90  90  0 0.0\r\n"
    " 90  0   0 90 0.5\r\n"
    "  0  0  90  0 0.5\r\n";

// Score table of three levels: misfits of 0 to 30 degrees score +100 (entry 200),
// 31 to 90 score 0 (entry 100), 91 to 180 score -100 (entry 0).
std::string three_level_scores() {
    std::string s;
    for (int i = 0; i <= 180; ++i) {
        s += i <= 30 ? "200" : i <= 90 ? "100" : "0";
        s += (i % 10 == 9) ? "\r\n" : " ";
    }
    return s + "\r\n'three levels'\r\n";
}

// The data come in four kinds; their misfits in degrees under states 1, 2, 3:
//   A  normal fault, down-dip slip on a plane striking N-S or dipping 45: 0, 180, 0
//   E  normal fault on a plane striking E-W:                              0, 180, 180
//   B  reverse fault on a plane striking N-S:                           180,   0, 180
//   C  vertical strike-slip fault at 45 degrees to north:                90, 180, 0
// (90 under state 1: with Phi = 0 a vertical plane carries no shear traction.)
// With the threshold of 30 degrees a datum is compatible only where its misfit is 0.
constexpr const char* kA1 = " 90 60  90 60 N\r\n";
constexpr const char* kA2 = "270 60 270 60 N\r\n";
constexpr const char* kA3 = " 90 45  90 45 N\r\n";
constexpr const char* kE1 = "  0 60   0 60 N\r\n";
constexpr const char* kE2 = "180 60 180 60 N\r\n";
constexpr const char* kB1 = " 90 30  90 30 R\r\n";
constexpr const char* kB2 = "270 30 270 30 R\r\n";
constexpr const char* kB3 = " 90 45  90 45 R\r\n";
constexpr const char* kC1 = " 45 90 135  0 D\r\n";
constexpr const char* kC2 = "135 90  45  0 S\r\n";

void write_home(const QlmainHome& home, const std::string& data, int threshold = 30,
                const std::string& grid_name = "tiny.cgp") {
    home.write("pref.txt", grid_name + "\r\n" + std::to_string(threshold) + "\r\n");
    home.write("qln_array.txt", three_level_scores());
    home.write("tiny.cgp", kTinyGrid);
    home.write("tiny.fdt", data);
}

// The result file split into lines, each of which must end with CR LF.
std::vector<std::string> result_lines(const std::string& text) {
    EXPECT_TRUE(text.size() >= 2 && text.substr(text.size() - 2) == "\r\n") << "last line without CR LF";
    std::vector<std::string> lines = split_lines(text);
    for (std::string& l : lines) {
        EXPECT_TRUE(!l.empty() && l.back() == '\r') << "line without CR LF: " << l;
        if (!l.empty() && l.back() == '\r') l.pop_back();
    }
    return lines;
}

// Checks the two time lines at the end of a result and returns the others.
std::vector<std::string> without_time_lines(std::vector<std::string> lines) {
    EXPECT_GE(lines.size(), 2u);
    if (lines.size() < 2) return lines;
    const std::regex start(R"(Job Start = (\d{4}/\d\d/\d\d \d\d:\d\d:\d\d\.\d{3}))");
    const std::regex end(R"(Job Eend = (\d{4}/\d\d/\d\d \d\d:\d\d:\d\d\.\d{3}))");
    std::smatch s, e;
    const std::string& start_line = lines[lines.size() - 2];
    const std::string& end_line = lines[lines.size() - 1];
    EXPECT_TRUE(std::regex_match(start_line, s, start)) << start_line;
    EXPECT_TRUE(std::regex_match(end_line, e, end)) << end_line;
    if (s.size() == 2 && e.size() == 2) {
        EXPECT_LE(s[1].str(), e[1].str()) << "the run ended before it started";
    }
    lines.resize(lines.size() - 2);
    return lines;
}

// The lines of a result file before the time lines, for the tiny grid.
std::vector<std::string> expected_result(const std::vector<std::string>& data_lines,
                                         const std::vector<std::string>& vote_lines,
                                         const std::string& data_path, int k, int threshold = 30) {
    std::vector<std::string> lines;
    char buf[64];
    std::snprintf(buf, sizeof buf, " %7d", static_cast<int>(data_lines.size()));
    lines.push_back(buf);
    lines.insert(lines.end(), data_lines.begin(), data_lines.end());
    lines.push_back("            3");
    std::snprintf(buf, sizeof buf, " %12d", static_cast<int>(vote_lines.size()));
    lines.push_back(buf);
    lines.push_back("tiny.cgp");
    lines.insert(lines.end(), vote_lines.begin(), vote_lines.end());
    lines.push_back("Data = " + data_path);
    std::snprintf(buf, sizeof buf, " k = %2d", k);
    lines.push_back(buf);
    lines.push_back("Function = three levels");
    lines.push_back("QL main ver. 5.31");
    std::snprintf(buf, sizeof buf, "misft_threshold     = %12d", threshold);
    lines.push_back(buf);
    return lines;
}

// Console lines from " Input  : " on. After the dialog's last prompt the
// answer's line end comes from the keyboard, not from qlmain, so the first run
// line may follow the prompt on the same captured line.
std::vector<std::string> run_lines(const std::string& out) {
    std::vector<std::string> lines = split_lines(out);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::size_t at = lines[i].find("  Input  : ");
        if (at == std::string::npos) continue;
        std::vector<std::string> run(lines.begin() + static_cast<long>(i), lines.end());
        run.front() = run.front().substr(at);
        return run;
    }
    return {};
}

TEST(FaultRun, TenDataThreeStatesThroughTheDialog) {
    QlmainHome home;
    // Kinds in order: A E B B C C E B A A.
    write_home(home, std::string(kA1) + kE1 + kB1 + kB2 + kC1 + kC2 + kE2 + kB3 + kA2 + kA3);
    const auto r = home.run("tiny.fdt\ntiny.ql4\n1\n3\n");
    ASSERT_EQ(r.exit_code, 0) << r.out << r.err;

    // k = 3, 120 subsets (no progress line). A subset votes when its best state
    // is compatible with all three data, that is when all three have misfit 0
    // there:
    //  - state 1 (kinds A and E only): the triples of {1, 2, 7, 9, 10} that hold
    //    at least one E (2 or 7) — 10 minus the single all-A triple (1, 9, 10)
    //    gives 9 — and (1, 9, 10) itself, where states 1 and 3 tie at 300 and the
    //    lower number wins: 10 votes;
    //  - state 2 (kind B only): (3, 4, 8): 1 vote;
    //  - state 3 (kinds A and C): the triples of {1, 5, 6, 9, 10} with at least
    //    one C (5 or 6), where state 3 leads state 1 by the C's 100: 10 - 1 = 9 votes.
    const std::vector<std::string> data{
        " 90.0 60.0  90.0 60.0 N", "  0.0 60.0   0.0 60.0 N", " 90.0 30.0  90.0 30.0 R",
        "270.0 30.0 270.0 30.0 R", " 45.0 90.0 135.0  0.0 D", "135.0 90.0  45.0  0.0 S",
        "180.0 60.0 180.0 60.0 N", " 90.0 45.0  90.0 45.0 R", "270.0 60.0 270.0 60.0 N",
        " 90.0 45.0  90.0 45.0 N"};
    const std::vector<std::string> votes{"        1       10", "        2        1", "        3        9"};
    const std::string data_path = home.path("tiny.fdt").string();
    EXPECT_EQ(without_time_lines(result_lines(home.read("tiny.ql4"))),
              expected_result(data, votes, data_path, 3));

    const std::vector<std::string> console{
        "  Input  : tiny.fdt",
        "  Output : tiny.ql4",
        "",
        "   * Initialization  1/3 *",
        "   * Initialization  2/3 *",
        "   * Initialization  3/3 *",
        "   *      Main Loop      *",
        "   * Writing Results                   *",
        "   Load fault-slip data from the file ",
        "     " + data_path,
        "   Save results to the file ",
        "     " + home.path("tiny.ql4").string(),
    };
    EXPECT_EQ(run_lines(r.out), console);
}

// Focal mechanisms: lines 2m - 1 and 2m are the two nodal planes of mechanism m.
// Kinds: (A B) (A C) (E C) (A E).
std::string focal_data() { return std::string(kA1) + kB1 + kA2 + kC1 + kE1 + kC2 + kA3 + kE2; }

TEST(FocalRun, OnePlanePerMechanism) {
    QlmainHome home;
    write_home(home, focal_data());
    const auto r = home.run("", {"--data", "tiny.fdt", "--result", "tiny.ql4", "--class", "2", "-k", "4"});
    ASSERT_EQ(r.exit_code, 0) << r.out << r.err;
    // 16 subsets, one line of each mechanism. Any subset with line 2 (kind B)
    // has no state compatible with all its data. Of the other 8:
    //   (1,3,5,7) A A E A: state 1 400, state 3 200       -> 1
    //   (1,3,5,8) A A E E: state 1 400                    -> 1
    //   (1,3,6,7) A A C A: state 3 400 over state 1 300   -> 3
    //   (1,3,6,8) A A C E: state 1 300, but C is 90 there -> none
    //   (1,4,5,7) A C E A: state 1 300, C                 -> none
    //   (1,4,5,8) A C E E: state 1 300, C                 -> none
    //   (1,4,6,7) A C C A: state 3 400                    -> 3
    //   (1,4,6,8) A C C E: state 1 and 3 tie at 200, state 1 has the C's -> none
    const std::vector<std::string> data{
        " 90.0 60.0  90.0 60.0 N", " 90.0 30.0  90.0 30.0 R", "270.0 60.0 270.0 60.0 N",
        " 45.0 90.0 135.0  0.0 D", "  0.0 60.0   0.0 60.0 N", "135.0 90.0  45.0  0.0 S",
        " 90.0 45.0  90.0 45.0 N", "180.0 60.0 180.0 60.0 N"};
    const std::vector<std::string> votes{"        1        2", "        3        2"};
    EXPECT_EQ(without_time_lines(result_lines(home.read("tiny.ql4"))),
              expected_result(data, votes, home.path("tiny.fdt").string(), 4));
    EXPECT_THAT(r.out, HasSubstr("   *      Main Loop      *\n   * Writing Results"));
}

TEST(FocalRun, SameFileAsFaultsVotesForEveryFourSubset) {
    QlmainHome home;
    write_home(home, focal_data());
    const auto r = home.run("", {"--data", "tiny.fdt", "--result", "tiny.ql4", "--class", "1", "-k", "4"});
    ASSERT_EQ(r.exit_code, 0) << r.out << r.err;
    // All 70 subsets of 4 lines, both planes of a mechanism allowed. Votes come
    // from lines of kinds A, E (state 1) or A, C (state 3) only, that is from
    // {1, 3, 5, 7, 8} and {1, 3, 4, 6, 7}:
    //   state 1: the five 4-subsets of {1, 3, 5, 7, 8}, each with an E, state 1 ahead;
    //   state 3: the five 4-subsets of {1, 3, 4, 6, 7}, each with a C, state 3 ahead.
    const std::vector<std::string> lines = without_time_lines(result_lines(home.read("tiny.ql4")));
    ASSERT_GE(lines.size(), 14u);
    EXPECT_EQ(lines[10], "            2");
    EXPECT_EQ(lines[11], "tiny.cgp");
    EXPECT_EQ(lines[12], "        1        5");
    EXPECT_EQ(lines[13], "        3        5");
}

TEST(FaultRun, NegativeThresholdCastsNoVote) {
    QlmainHome home;
    write_home(home, std::string(kA1) + kA2 + kA3 + kE1, -1);
    const auto r = home.run("", {"--data", "tiny.fdt", "--result", "tiny.ql4", "--class", "1", "-k", "3"});
    ASSERT_EQ(r.exit_code, 0) << r.out << r.err;
    const std::vector<std::string> lines = without_time_lines(result_lines(home.read("tiny.ql4")));
    ASSERT_GE(lines.size(), 9u);
    EXPECT_EQ(lines[6], "            0");
    EXPECT_EQ(lines[7], "tiny.cgp");
    EXPECT_EQ(lines[8], "Data = " + home.path("tiny.fdt").string());
    EXPECT_EQ(lines.back(), "misft_threshold     =           -1");
}

// Too many subsets: the run stops before the grid is read (pref.txt names a
// grid that does not exist, which would otherwise be reported) and before the
// second initialisation phase; no result file is written.
TEST(Runs, SubsetCountLimitStopsBeforeTheGrid) {
    struct Case { int data_class; int n; int k; const char* routine; };
    const Case cases[] = {
        {1, 100, 8, "QLN_execute"},        // C(100, 8) = 186 087 894 300
        {2, 200, 5, "QLN_focal_execute"},  // C(200, 5) = 2 535 650 040
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.routine);
        QlmainHome home;
        std::string data;
        for (int i = 0; i < c.n; ++i) data += kA1;
        write_home(home, data, 30, "absent.cgp");
        const auto r = home.run("", {"--data", "tiny.fdt", "--result", "out.ql4", "--class",
                                     std::to_string(c.data_class), "-k", std::to_string(c.k)});
        EXPECT_NE(r.exit_code, 0);
        const std::vector<std::string> tail{
            "   * Initialization  1/3 *",
            "",
            std::string("   Error in the subprogram ") + c.routine,
            "   Number of iteration exceeds the upper bound",
            "",
            "   Execution terminated.",
        };
        const std::vector<std::string> lines = run_lines(r.out);
        ASSERT_GE(lines.size(), tail.size());
        EXPECT_EQ(std::vector<std::string>(lines.end() - static_cast<long>(tail.size()), lines.end()), tail);
        EXPECT_THAT(r.out, Not(HasSubstr("Initialization  2/3")));
        EXPECT_THAT(r.out, Not(HasSubstr("CGP file not found")));
        EXPECT_FALSE(home.exists("out.ql4"));
    }
}

TEST(Runs, FailureAfterTheDialogLeavesAnOldResultUntouched) {
    QlmainHome home;
    write_home(home, std::string(kA1) + kA2 + kA3, 30, "absent.cgp");
    home.write("old.ql4", "an earlier result\r\n");
    const auto r = home.run("", {"--data", "tiny.fdt", "--result", "old.ql4", "--overwrite", "--class", "1",
                                 "-k", "3"});
    EXPECT_NE(r.exit_code, 0);
    EXPECT_THAT(r.out, HasSubstr("   Error in the subprogram read_cgp_file\n   CGP file not found\n"));
    EXPECT_EQ(home.read("old.ql4"), "an earlier result\r\n");
    EXPECT_EQ(home.listing(), (std::vector<std::string>{"old.ql4", "pref.txt", "qln_array.txt", "tiny.cgp",
                                                        "tiny.fdt"}));
}

// The small example shipped with the tests: 16 normal faults made from the grid
// state 2582 (sigma1 plunging 75 towards 060, sigma3 horizontal towards 150,
// Phi 0.3) with a few degrees of noise, on a grid of 2760 states.
class SmallExample : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string dir = std::string(QUILLON_FIXTURES_DIR) + "/engine/core/";
        for (const char* f : {"small.cgp", "small.fdt", "pref.txt", "qln_array.txt"}) home_.copy(dir + f);
    }
    std::vector<std::string> vote_lines(const std::string& result) {
        const std::vector<std::string> lines = result_lines(home_.read(result));
        const auto name = std::find(lines.begin(), lines.end(), "small.cgp");
        const auto data = std::find_if(lines.begin(), lines.end(),
                                       [](const std::string& l) { return l.rfind("Data = ", 0) == 0; });
        if (name == lines.end() || data < name) return {};
        return std::vector<std::string>(name + 1, data);
    }
    QlmainHome home_;
};

TEST_F(SmallExample, KnownStateWinsAndProgressLinesOverprint) {
    struct Case { int k; const char* progress; int total; };
    const Case cases[] = {
        // C(16, 4) = 1820: one line, narrow total; C(16, 6) = 8008: eight lines, wide.
        {4, "\r       1000 /     1820\n", 1820},
        {6, "\r      1000 /      8008\r      2000 /      8008", 8008},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.k);
        const std::string result = "small" + std::to_string(c.k) + ".ql4";
        // One thread: the progress lines follow the exact every-1000th-leaf rule.
        const auto r = home_.run("", {"--data", "small.fdt", "--result", result, "--class", "1", "-k",
                                      std::to_string(c.k), "--threads", "1"});
        ASSERT_EQ(r.exit_code, 0) << r.out << r.err;
        EXPECT_THAT(r.out, HasSubstr(std::string("   *      Main Loop      *\n") + c.progress));
        EXPECT_THAT(r.out, HasSubstr("\n   * Writing Results                   *\n"));
        // The state the data were made from has the most votes, and the votes
        // add up to no more than the subsets.
        int best_state = 0, best_votes = -1, sum = 0;
        for (const std::string& l : vote_lines(result)) {
            const int state = std::stoi(l.substr(0, 9));
            const int votes = std::stoi(l.substr(9));
            sum += votes;
            if (votes > best_votes) {
                best_state = state;
                best_votes = votes;
            }
        }
        EXPECT_EQ(best_state, 2582);
        EXPECT_GT(sum, c.total / 2);
        EXPECT_LE(sum, c.total);
    }
}

}  // namespace
}  // namespace quillon::engine
