// qlv4's command line, run as a program: statistics and coordinate files of result
// files without any window; and a result written by this repository's engine, read
// end to end.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "temp_dir.h"
#include "viewer/model/fault_data.h"
#include "viewer/model/result_model.h"

namespace quillon::viewer {
namespace {

using testing::Lines;
using testing::TempDir;

const std::string kFixtures = std::string(QUILLON_FIXTURES_DIR) + "/viewer/";

struct ProgramRun {
    int rc = -1;
    std::string out;
    std::string err;
};

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& cwd = "") {
    TempDir io;
    std::string cmd;
    if (!cwd.empty()) cmd = "cd " + Quote(cwd) + " && ";
    cmd += Quote(program);
    for (const std::string& a : args) cmd += " " + Quote(a);
    cmd += " </dev/null >" + Quote(io.Path("out")) + " 2>" + Quote(io.Path("err"));
    const int status = std::system(cmd.c_str());
    ProgramRun r;
    r.rc = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = TempDir::Read(io.Path("out"));
    r.err = TempDir::Read(io.Path("err"));
    return r;
}

ProgramRun Qlv4(const std::vector<std::string>& args) { return RunProgram(QLV4_PATH, args); }

std::string Text(std::initializer_list<std::string> lines) { return Lines(lines, "\n"); }

const std::string kResult = kFixtures + "small.ql4";

TEST(Qlv4Average, GlobalAverageOfOneStressRatioClass) {
    // Bounds 3..3 keep only grid point 1 (Phi 0.3, 12 votes): its own axes come back.
    const ProgramRun r = Qlv4({"--average", kResult, "--home", kFixtures, "--ef", "0", "--sr", "3", "3"});
    EXPECT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, Text({"File Name", "     small.ql4", "Enhance Factor = 0", "Np = 12", "Average",
                           "     sigma1 axis =  30.0  /  60.0", "     sigma3 axis =  210.0  /  30.0",
                           "     Phi         =  0.30", "Spread", "     mean stress difference =  0.000",
                           "     mean angular stress distance =  0.000"}));
}

TEST(Qlv4Average, SelectionFollowsEnhanceFactorAndBounds) {
    // Votes 12, 0, 4 over 3 states: Sd = 4.99, so ef 8 selects nothing and ef 1
    // (threshold 4.99) selects grid point 1 twice.
    ProgramRun r = Qlv4({"--average", kResult, "--home", kFixtures});
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(r.err, "No data loaded.\n");
    EXPECT_EQ(r.out, "");
    r = Qlv4({"--average", kResult, "--home", kFixtures, "--ef", "1"});
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(r.err, "Insufficient number of tensors.\nDecrease enhance factor.\n");
    r = Qlv4({"--average", kResult, "--home", kFixtures, "--ef", "0"});
    EXPECT_EQ(r.rc, 0) << r.err;
    EXPECT_NE(r.out.find("Np = 16\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Enhance Factor = 0\n"), std::string::npos);
    r = Qlv4({"--average", kResult, "--home", kFixtures, "--ef", "0", "--sr", "8", "10"});
    EXPECT_EQ(r.rc, 0) << r.err;
    EXPECT_NE(r.out.find("Np = 4\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("     Phi         =  0.80\n"), std::string::npos) << r.out;
}

TEST(Qlv4Average, LoadFailures) {
    TempDir dir;
    ProgramRun r = Qlv4({"--average", dir.Path("absent.ql4"), "--home", kFixtures});
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(r.err, "File absent.ql4 not found.\n");
    // The grid is looked up in the home directory.
    r = Qlv4({"--average", kResult, "--home", dir.Dir()});
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(r.err, "CGP File  [small.cgp]  not found.\n");
    const std::string bad = dir.Write("bad.ql4", "       1\r\n 90.0 60.0  90.0 60.0 N\r\n   x\r\n");
    r = Qlv4({"--average", bad, "--home", kFixtures});
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(r.err, bad + ": Invalid format.\n" + bad + ", line 3: the line holds '   x', not the number of grid points alone.\n");
}

TEST(Qlv4Average, GridsComeFromTheProgramDirectory) {
    TempDir dir;
    const std::string program = dir.Path("qlv4");
    std::filesystem::copy_file(QLV4_PATH, program);
    std::filesystem::copy_file(kFixtures + "small.cgp", dir.Path("small.cgp"));
    TempDir elsewhere;  // the current directory does not matter
    const ProgramRun r = RunProgram(program, {"--average", kResult, "--ef", "0", "--sr", "3", "3"}, elsewhere.Dir());
    EXPECT_EQ(r.rc, 0) << r.err;
    EXPECT_NE(r.out.find("Np = 12\n"), std::string::npos) << r.out;
}

TEST(Qlv4Theta, DistanceText) {
    ProgramRun r = Qlv4({"--theta", "30 60 210 30 0.3", "210 30 30 60 0.7"});
    EXPECT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(r.out, Text({"Stress State 1", "  sigma1 axis = 30.0 / 60.0", "  sigma3 axis = 210.0 / 30.0",
                           "  Phi =0.30", "", "Stress State 2", "  sigma1 axis = 210.0 / 30.0",
                           "  sigma3 axis = 30.0 / 60.0", "  Phi =0.70", "", "Theta = 180.00 deg"}));
    r = Qlv4({"--theta", "0 90 90 0 0", "0 90 90 0 0.5"});
    EXPECT_EQ(r.rc, 0);
    EXPECT_NE(r.out.find("Theta = 30.00 deg\n"), std::string::npos) << r.out;
}

TEST(Qlv4Theta, MalformedStates) {
    const struct {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {{"--theta", "0 90 90 0 1.5", "0 90 90 0 0.5"}, "Invalid Phi value\n"},
        {{"--theta", "0 90 90 0", "0 90 90 0 0.5"},
         "The stress state \"0 90 90 0\" must hold five numbers: AZ1 PL1 AZ3 PL3 PHI.\n"},
        {{"--theta", "0 90 90 0 0.5", "0,90 90 0 0.5"}, "'0,90' is not a number in the stress state \"0,90 90 0 0.5\".\n"},
    };
    for (const auto& c : cases) {
        const ProgramRun r = Qlv4(c.args);
        EXPECT_EQ(r.rc, 1) << c.args[1];
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.out, "");
    }
    // Only one state: CLI11 refuses the arguments.
    const ProgramRun r = Qlv4({"--theta", "0 90 90 0 0.5"});
    EXPECT_NE(r.rc, 0);
    EXPECT_EQ(r.out, "");
}

TEST(Qlv4Coordinates, BothKinds) {
    TempDir dir;
    ProgramRun r = Qlv4({"--coordinates", kResult, dir.Path("axes.txt"), "--kind", "0", "--home", kFixtures, "--ef", "0"});
    ASSERT_EQ(r.rc, 0) << r.err;
    std::string expected;
    for (int i = 0; i < 4; ++i) expected += "100 20 280 70 0.8000\r\n";  // 4 votes: drawn first
    for (int i = 0; i < 12; ++i) expected += "30 60 210 30 0.3000\r\n";
    EXPECT_EQ(TempDir::Read(dir.Path("axes.txt")), expected);

    r = Qlv4({"--coordinates", kResult, dir.Path("t.txt"), "--kind", "1", "--home", kFixtures, "--ef", "1"});
    ASSERT_EQ(r.rc, 0) << r.err;
    const std::string tensors = TempDir::Read(dir.Path("t.txt"));
    const auto eol = tensors.find("\r\n");
    ASSERT_NE(eol, std::string::npos);
    EXPECT_EQ(tensors, tensors.substr(0, eol + 2) + tensors.substr(0, eol + 2));  // two equal lines
    EXPECT_EQ(std::count(tensors.begin(), tensors.begin() + eol, ' '), 5);

    r = Qlv4({"--coordinates", kResult, dir.Path("none.txt"), "--kind", "0", "--home", kFixtures});
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(r.err, "No data loaded.\n");
    EXPECT_FALSE(std::filesystem::exists(dir.Path("none.txt")));
}

// qlv4 run by the shell after `limits` (ulimit commands), e.g. "ulimit -f 1".
ProgramRun Qlv4Limited(const std::string& limits, const std::vector<std::string>& args) {
    std::vector<std::string> shellArgs = {"-c", limits + " && exec \"$0\" \"$@\"", QLV4_PATH};
    shellArgs.insert(shellArgs.end(), args.begin(), args.end());
    return RunProgram("/bin/sh", shellArgs);
}

// A grid of five states and a result with the given votes on states 1, 2, ...
std::string WriteVotes(const TempDir& dir, const std::vector<long long>& votes) {
    dir.Write("five.cgp", Lines({"5", "10 20 190 70 0.1", "120 5 30 40 0.6", "300 80 120 10 0.9",
                                 "90 0 0 0 0.4", "45 45 225 45 0.5"}));
    std::vector<std::string> lines = {"1", "120.0 45.0 200.0 30.0 n", "5", std::to_string(votes.size()), "five.cgp"};
    for (std::size_t i = 0; i < votes.size(); ++i) lines.push_back(std::to_string(i + 1) + " " + std::to_string(votes[i]));
    lines.push_back("Data = x.fdt");
    std::string text;
    for (const std::string& l : lines) text += l + "\r\n";
    return dir.Write("votes.ql4", text);
}

TEST(Qlv4Coordinates, OutputThatIsAnInputIsRefused) {
    // By file identity: the result itself, another name of it, the grid.
    TempDir dir;
    const std::string result = WriteVotes(dir, {3, 4});
    const std::string before = TempDir::Read(result);
    const std::string grid = dir.Path("five.cgp");
    const std::string gridBefore = TempDir::Read(grid);
    std::filesystem::create_symlink(result, dir.Path("other-name.txt"));
    for (const std::string& out : {result, dir.Path("other-name.txt"), grid, dir.Dir() + "../" +
                                   std::filesystem::path(dir.Dir()).parent_path().filename().string() + "/votes.ql4"}) {
        const ProgramRun r = Qlv4({"--coordinates", result, out, "--kind", "0", "--ef", "0", "--home", dir.Dir()});
        EXPECT_EQ(r.rc, 1) << out;
        EXPECT_EQ(r.err.rfind("File " + out + " cannot be written.\nIt is the input file ", 0), 0u) << r.err;
    }
    EXPECT_EQ(TempDir::Read(result), before);
    EXPECT_EQ(TempDir::Read(grid), gridBefore);
}

TEST(Qlv4Coordinates, FileSizeLimitIsReportedAndLeavesNothing) {
    // 2000 lines of about 20 bytes against a limit of 4 KiB: the write error is
    // reported with the exit status 1, and no temporary file stays behind.
    TempDir dir;
    const std::string result = WriteVotes(dir, {2000});
    const std::string out = dir.Path("axes.txt");
    const ProgramRun r = Qlv4Limited("ulimit -f 8", {"--coordinates", result, out, "--kind", "0", "--ef", "0",
                                                     "--home", dir.Dir()});
    EXPECT_EQ(r.rc, 1) << r.err;
    EXPECT_EQ(r.err, "File " + out + " cannot be written.\nFile too large\n");
    EXPECT_FALSE(std::filesystem::exists(out));
    for (const auto& e : std::filesystem::directory_iterator(dir.Dir()))
        EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();
}

TEST(Qlv4Average, TwoBillionVotesInBoundedMemory) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer reserves more address space than the limit";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    GTEST_SKIP() << "the address sanitizer reserves more address space than the limit";
#endif
#endif
    // 2^31 - 1 votes, the most an engine run can cast: under a 1 GiB address-space
    // limit (a list of one entry per vote would need 16 GiB) the average is
    // computed and a coordinate file of two billion lines is refused.
    TempDir dir;
    const std::string result = WriteVotes(dir, {1, 1000000000, 147483646, 1000000000});
    ProgramRun r = Qlv4Limited("ulimit -v 1048576", {"--average", result, "--ef", "0", "--home", dir.Dir()});
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_NE(r.out.find("Np = 2147483647\n"), std::string::npos) << r.out;
    r = Qlv4Limited("ulimit -v 1048576", {"--coordinates", result, dir.Path("c.txt"), "--kind", "1", "--ef", "0",
                                          "--home", dir.Dir()});
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("The selection holds 2147483647 symbols, more than the 10000000 lines"), std::string::npos)
        << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.Path("c.txt")));
}

TEST(Qlv4Arguments, RefusedCombinations) {
    TempDir dir;
    const std::vector<std::vector<std::string>> refused = {
        {"--coordinates", kResult, dir.Path("a.txt")},                  // no --kind
        {"--coordinates", kResult, dir.Path("a.txt"), "--kind", "2"},
        {"--average", kResult, "--ef", "100"},
        {"--average", kResult, "--sr", "0", "11"},
        {"--average", kResult, "--theta", "0 90 90 0 0", "0 90 90 0 0"},
        {"--ef", "3"},
    };
    for (const auto& args : refused) {
        const ProgramRun r = Qlv4(args);
        EXPECT_NE(r.rc, 0) << args[0] << " " << args.back();
        EXPECT_FALSE(r.err.empty());
    }
    const ProgramRun r = Qlv4({"--average", kResult, "--home", kFixtures, "--sr", "5", "3"});
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(r.err, "The lower stress-ratio bound 5 is above the upper bound 3.\n");
    EXPECT_FALSE(std::filesystem::exists(dir.Path("a.txt")));
    const ProgramRun help = Qlv4({"--help"});
    EXPECT_EQ(help.rc, 0);
    for (const char* mode : {"--average", "--theta", "--coordinates", "--export"})
        EXPECT_NE(help.out.find(mode), std::string::npos) << mode;
    // A mode's help answers wherever --help stands, even where the mode's own
    // values are missing (the parser would otherwise stop at the missing value).
    const struct {
        std::vector<std::string> args;
        const char* helpStarts;
    } helpCases[] = {
        {{"--export", "--help"}, "usage: qlv4 --export RESULT OUT"},
        {{"--export-data", "--help"}, "qlv4 --export-data: the data stereonet of RESULT"},
        {{"--export-mohr", "-h"}, "qlv4 --export-mohr: the Mohr diagram"},
        {{"--misfits", "--help"}, "qlv4 --misfits: the misfit of every datum"},
        {{"--misfits", "r.ql4", "--stress", "--help"}, "qlv4 --misfits: the misfit of every datum"},
        {{"--solutions", "--help"}, "qlv4 --solutions: the stress solutions"},
        {{"--average", "--help"}, "qlv4: the Quillon result viewer."},
        {{"--theta", "--help"}, "qlv4: the Quillon result viewer."},
        {{"--coordinates", "--help"}, "qlv4: the Quillon result viewer."},
    };
    for (const auto& c : helpCases) {
        const ProgramRun modeHelp = Qlv4(c.args);
        EXPECT_EQ(modeHelp.rc, 0) << c.args[0] << ": " << modeHelp.err;
        EXPECT_EQ(modeHelp.out.rfind(c.helpStarts, 0), 0u) << c.args[0] << ":\n" << modeHelp.out << modeHelp.err;
        EXPECT_TRUE(modeHelp.err.empty()) << c.args[0] << ": " << modeHelp.err;
    }
    // An option the viewer does not know ends it before any window opens.
    // The toolkit's own options and their values are passed over.
    const struct {
        std::vector<std::string> args;
        const char* unknown;
    } unknownCases[] = {
        {{"--bogus", "x"}, "--bogus"},
        {{"-platform", "offscreen", "-nosuch"}, "-nosuch"},
        {{"--style=fusion", "r.ql4", "-x"}, "-x"},
    };
    for (const auto& c : unknownCases) {
        const ProgramRun unknown = Qlv4(c.args);
        EXPECT_EQ(unknown.rc, 2) << c.unknown;
        EXPECT_EQ(unknown.err, std::string("qlv4: unknown option ") + c.unknown +
                                   "\nqlv4 --help lists the command-line modes.\n");
    }
}

// ---- a result written by qlmain ----

// Five faults whose slip directions are the theoretical ones under grid state 1, so
// that every 3-subset votes for it.
std::string DataConsistentWith(const Direction& s1, const Direction& s3, float phi) {
    const Matrix3 S = reducedStressTensor(s1, s3, phi);
    const Direction planes[] = {{10, 50}, {80, 70}, {150, 40}, {220, 65}, {300, 55}};
    std::string out;
    for (const Direction& plane : planes) {
        FaultDataSet set;
        set.reallocate(1);
        set.count = 1;
        set.records[1].plane = plane;
        set.records[1].slip = makeDirection(0, 0);
        set.computeMisfits(S);
        Vector3 slip = directionToVector(set.records[1].theoreticalSlip);
        std::string sense = "N";
        if (slip.z > 0) {  // hanging wall moving up: the striation plunges the other way
            slip = negateVector(slip);
            sense = "R";
        }
        const Direction d = vectorToDirection(slip);
        char line[128];
        std::snprintf(line, sizeof line, "%.1f %.1f %.4f %.4f %s\n", plane.az, plane.pl,
                      angleMod(d.az, 360), d.pl, sense.c_str());
        out += line;
    }
    return out;
}

TEST(EngineResult, VotesSpreadAndAverageEndToEnd) {
    TempDir home;
    home.Write("pref.txt", Lines({"grid.cgp", "30"}));
    std::string scores;
    for (int i = 0; i <= 180; ++i) scores += std::to_string(200 - i) + (i % 10 == 9 ? "\r\n" : " ");
    home.Write("qln_array.txt", scores + "\r\nlinear\r\n");
    home.Write("grid.cgp", Lines({"3", "30 60 210 30 0.3", "0 0 90 0 0.5", "100 20 280 70 0.8"}));
    const std::string data = home.Write("faults.fdt", DataConsistentWith(makeDirection(30, 60), makeDirection(210, 30), 0.3f));
    const std::string result = home.Path("faults.ql4");
    const ProgramRun engine = RunProgram(QLMAIN_PATH, {"--data", data, "--result", result, "--class", "1", "-k", "3",
                                                "--overwrite"}, home.Dir());
    ASSERT_EQ(engine.rc, 0) << engine.out << engine.err;
    ASSERT_TRUE(std::filesystem::exists(result)) << engine.out;

    // The model reads the engine's file: 10 subsets of 5 data, all for state 1.
    ResultModel model;
    model.homeDir = home.Dir();
    FaultDataSet set;
    const LoadOutcome loaded = model.loadResultFile(result, set);
    ASSERT_TRUE(loaded.ok) << loaded.message;
    EXPECT_EQ(set.count, 5);
    EXPECT_EQ(set.dataType, "g");
    EXPECT_EQ(model.gridFile, "grid.cgp");
    EXPECT_EQ(model.gridCount, 3u);
    EXPECT_EQ(model.votedCount, 1u);
    ASSERT_EQ(model.gridPoints.size(), 3u);
    EXPECT_EQ(model.gridPoints[2].id, 1);
    EXPECT_EQ(model.gridPoints[2].votes, 10);
    EXPECT_EQ(model.gridPoints[0].votes + model.gridPoints[1].votes, 0);
    model.computeVoteSd();
    EXPECT_NEAR(model.voteSd, std::sqrt(200.0 / 9.0), 1e-5);
    EXPECT_EQ(model.sdStatusText(), "Sd : 4.71");

    const ProgramRun avg = Qlv4({"--average", result, "--home", home.Dir(), "--ef", "0"});
    EXPECT_EQ(avg.rc, 0) << avg.err;
    EXPECT_EQ(avg.out, Text({"File Name", "     faults.ql4", "Enhance Factor = 0", "Np = 10", "Average",
                             "     sigma1 axis =  30.0  /  60.0", "     sigma3 axis =  210.0  /  30.0",
                             "     Phi         =  0.30", "Spread", "     mean stress difference =  0.000",
                             "     mean angular stress distance =  0.000"}));
    const ProgramRun none = Qlv4({"--average", result, "--home", home.Dir()});
    EXPECT_EQ(none.rc, 1);
    EXPECT_EQ(none.err, "No data loaded.\n");
}

}  // namespace
}  // namespace quillon::viewer
