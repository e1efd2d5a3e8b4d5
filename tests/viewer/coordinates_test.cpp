// Coordinate files of the plotted states.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "temp_dir.h"
#include "viewer/model/coordinates.h"

namespace quillon::viewer {
namespace {

using testing::TempDir;

ResultModel model() {
    ResultModel m;
    GridPoint a;
    a.id = 1;
    a.votes = 2;
    a.axis[Sigma1] = makeDirection(124, 44);
    a.axis[Sigma3] = makeDirection(33, 46);
    a.stressRatio = 0.45f;
    a.ratioClass = 4;
    GridPoint b;
    b.id = 2;
    b.votes = 1;
    b.axis[Sigma1] = makeDirection(0, 90);
    b.axis[Sigma3] = makeDirection(90, 0);
    b.stressRatio = 0.5f;
    b.ratioClass = 5;
    m.gridPoints = {b, a};  // ascending votes
    m.gridCount = 2;
    m.votedCount = 2;
    return m;
}

// The lines of the coordinate file written for `sel`.
std::vector<std::string> coordinateLines(const ResultModel& m, const Selection& sel, int kind) {
    TempDir dir;
    const std::string path = dir.Path("lines.txt");
    const SaveOutcome out = writeCoordinateFile(path, m, sel, kind);
    EXPECT_TRUE(out.ok) << out.message;
    const std::string text = TempDir::Read(path);
    std::vector<std::string> lines;
    std::size_t pos = 0;
    for (std::size_t end; (end = text.find("\r\n", pos)) != std::string::npos; pos = end + 2)
        lines.push_back(text.substr(pos, end - pos));
    EXPECT_EQ(pos, text.size()) << "text after the last CR LF";
    return lines;
}

TEST(Coordinates, AxesAndRatiosOnePerSymbol) {
    ResultModel m = model();
    const Selection sel = selectStates(m, PlotSettings{0, 2, 0, 10});
    EXPECT_EQ(coordinateLines(m, sel, kAxesAndRatios),
              (std::vector<std::string>{"0 90 90 0 0.5000", "124 44 33 46 0.4500", "124 44 33 46 0.4500"}));
}

TEST(Coordinates, ReducedTensors) {
    ResultModel m = model();
    const Selection sel = selectStates(m, PlotSettings{0, 2, 5, 5});
    // Vertical sigma1, East sigma3, Phi 0.5: diag(-1, 0, 1); no "-0.00000".
    EXPECT_EQ(coordinateLines(m, sel, kReducedTensors),
              (std::vector<std::string>{"-1.00000 0.00000 0.00000 0.00000 0.00000 1.00000"}));
    const Selection other = selectStates(m, PlotSettings{0, 2, 4, 4});
    const std::vector<std::string> lines = coordinateLines(m, other, kReducedTensors);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], lines[1]);
    // Six fixed-point numbers with five decimals.
    std::size_t fields = 0, pos = 0;
    for (std::size_t next; (next = lines[0].find(' ', pos)) != std::string::npos || pos < lines[0].size();) {
        const std::string f = lines[0].substr(pos, next == std::string::npos ? std::string::npos : next - pos);
        EXPECT_EQ(f.size() - f.find('.'), 6u) << f;
        ++fields;
        if (next == std::string::npos) break;
        pos = next + 1;
    }
    EXPECT_EQ(fields, 6u);
}

// The six components come in the order T11 T12 T13 T22 T23 T33.  With Phi 0.5
// the tensor is e1 e1' - e3 e3', so two axes at 45 degrees in a coordinate
// plane leave exactly one off-diagonal component, which shows where it lands.
TEST(Coordinates, ReducedTensorComponentOrder) {
    const struct {
        Direction s1, s3;
        const char* line;
    } cases[] = {
        {makeDirection(45, 0), makeDirection(135, 0), "0.00000 1.00000 0.00000 0.00000 0.00000 0.00000"},    // T12
        {makeDirection(90, 45), makeDirection(270, 45), "0.00000 0.00000 -1.00000 0.00000 0.00000 0.00000"},  // T13
        {makeDirection(0, 45), makeDirection(180, 45), "0.00000 0.00000 0.00000 0.00000 -1.00000 0.00000"},   // T23
    };
    for (const auto& c : cases) {
        ResultModel m;
        GridPoint p;
        p.id = 1;
        p.votes = 1;
        p.axis[Sigma1] = c.s1;
        p.axis[Sigma3] = c.s3;
        p.stressRatio = 0.5f;
        p.ratioClass = 5;
        m.gridPoints = {p};
        m.gridCount = m.votedCount = 1;
        const Selection sel = selectStates(m, PlotSettings{0, 2, 0, 10});
        EXPECT_EQ(coordinateLines(m, sel, kReducedTensors), std::vector<std::string>{c.line})
            << c.s1.az << "/" << c.s1.pl;
    }
}

TEST(Coordinates, FileIsWrittenWithCrLfAndReplaced) {
    TempDir dir;
    const std::string path = dir.Write("axes.txt", "old content that is longer than the new one\r\n\r\n\r\n\r\n\r\n");
    ResultModel m = model();
    const SaveOutcome out = saveCoordinates(m, PlotSettings{0, 2, 4, 4}, kAxesAndRatios, path);
    ASSERT_TRUE(out.ok) << out.message;
    EXPECT_EQ(TempDir::Read(path), "124 44 33 46 0.4500\r\n124 44 33 46 0.4500\r\n");
    // Nothing else is left in the directory.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Dir()), std::filesystem::directory_iterator()), 1);
}

TEST(Coordinates, NothingSelectedOrUnwritable) {
    TempDir dir;
    ResultModel m = model();
    SaveOutcome out = saveCoordinates(m, PlotSettings{8, 2, 0, 10}, kAxesAndRatios, dir.Path("a.txt"));
    // Sd 0 gives threshold 1 and selects; an empty model selects nothing.
    EXPECT_TRUE(out.ok);
    ResultModel empty;
    out = saveCoordinates(empty, PlotSettings{}, kAxesAndRatios, dir.Path("b.txt"));
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.message, "No data loaded.");
    EXPECT_FALSE(std::filesystem::exists(dir.Path("b.txt")));

    const std::string bad = dir.Path("no/such/dir/c.txt");
    out = saveCoordinates(m, PlotSettings{}, kReducedTensors, bad);
    EXPECT_FALSE(out.ok);
    // The message names the file, then the system's reason on the next line.
    EXPECT_EQ(out.message, "File " + bad + " cannot be written.\r\nNo such file or directory");
    // A directory in the way is not replaced.
    std::filesystem::create_directory(dir.Path("d.txt"));
    out = saveCoordinates(m, PlotSettings{}, kReducedTensors, dir.Path("d.txt"));
    EXPECT_FALSE(out.ok);
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path("d.txt")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Dir()), std::filesystem::directory_iterator()), 2);
}

TEST(Coordinates, RefusedOverAnInputOrTooLarge) {
    // The loaded result and its grid are never replaced, whatever name reaches
    // them (a link is the same file); nothing is written.
    TempDir dir;
    ResultModel m = model();
    m.homeDir = dir.Dir();
    m.gridFile = "g.cgp";
    const std::string grid = dir.Write("g.cgp", "grid");
    m.resultPath = dir.Write("r.ql4", "result");
    std::filesystem::create_symlink(m.resultPath, dir.Path("link.txt"));
    std::filesystem::create_hard_link(grid, dir.Path("hard.txt"));
    const Selection sel = selectStates(m, PlotSettings{0, 2, 0, 10});
    const struct {
        std::string out, input;
    } cases[] = {{m.resultPath, m.resultPath}, {dir.Path("link.txt"), m.resultPath}, {grid, grid},
                 {dir.Path("hard.txt"), grid}, {dir.Dir() + "./r.ql4", m.resultPath}};
    for (const auto& c : cases) {
        const SaveOutcome out = writeCoordinateFile(c.out, m, sel, kAxesAndRatios);
        EXPECT_FALSE(out.ok) << c.out;
        EXPECT_EQ(out.message, "File " + c.out + " cannot be written.\r\nIt is the input file " + c.input +
                                   "; nothing was written.");
    }
    EXPECT_EQ(TempDir::Read(m.resultPath), "result");
    EXPECT_EQ(TempDir::Read(grid), "grid");

    // One symbol per vote at ef 0: more lines than a coordinate file is given is
    // refused before anything is written.
    m.gridPoints[1].votes = static_cast<std::int32_t>(kMaxCoordinateLines);
    const Selection big = selectStates(m, PlotSettings{0, 2, 0, 10});
    ASSERT_EQ(big.symbolCount, kMaxCoordinateLines + 1);
    const SaveOutcome out = writeCoordinateFile(dir.Path("big.txt"), m, big, kAxesAndRatios);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.message, "File " + dir.Path("big.txt") + " cannot be written.\r\nThe selection holds " +
                               std::to_string(kMaxCoordinateLines + 1) + " symbols, more than the " +
                               std::to_string(kMaxCoordinateLines) +
                               " lines a coordinate file is given; raise the enhance factor.");
    EXPECT_FALSE(std::filesystem::exists(dir.Path("big.txt")));
}

TEST(Coordinates, FileSizeLimitIsAReportedWriteError) {
    // Past the limit the write fails with a message and no temporary file is left;
    // the size-limit signal must not end the program.
    TempDir dir;
    ResultModel m = model();
    m.gridPoints[1].votes = 1000;  // 1000 lines of 20 bytes
    const Selection sel = selectStates(m, PlotSettings{0, 2, 0, 10});
    const std::string old = dir.Write("out.txt", "old");
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const SaveOutcome out = writeCoordinateFile(old, m, sel, kAxesAndRatios);
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.message, "File " + old + " cannot be written.\r\nFile too large");
    EXPECT_EQ(TempDir::Read(old), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Dir()), std::filesystem::directory_iterator()), 1);
}

}  // namespace
}  // namespace quillon::viewer
