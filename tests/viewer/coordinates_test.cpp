// Coordinate files of the plotted states.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "temp_dir.h"
#include "viewer/model/coordinates.h"

namespace quillon::viewer {
namespace {

using testing::TempDir;

ResultModel Model() {
    ResultModel m;
    TGridPoint a;
    a.id = 1;
    a.nv = 2;
    a.axis[sgm1] = Azpl(124, 44);
    a.axis[sgm3] = Azpl(33, 46);
    a.sr = 0.45f;
    a.sri = 4;
    TGridPoint b;
    b.id = 2;
    b.nv = 1;
    b.axis[sgm1] = Azpl(0, 90);
    b.axis[sgm3] = Azpl(90, 0);
    b.sr = 0.5f;
    b.sri = 5;
    m.GridPoints = {b, a};  // ascending votes
    m.NG = 2;
    m.NZG = 2;
    return m;
}

TEST(Coordinates, AxesAndRatiosOnePerSymbol) {
    ResultModel m = Model();
    const Selection sel = SelectStates(m, PlotSettings{0, 2, 0, 10});
    EXPECT_EQ(CoordinateLines(m, sel, kAxesAndRatios),
              (std::vector<std::string>{"0 90 90 0 0.5000", "124 44 33 46 0.4500", "124 44 33 46 0.4500"}));
}

TEST(Coordinates, ReducedTensors) {
    ResultModel m = Model();
    const Selection sel = SelectStates(m, PlotSettings{0, 2, 5, 5});
    // Vertical sigma1, East sigma3, Phi 0.5: diag(-1, 0, 1); no "-0.00000".
    EXPECT_EQ(CoordinateLines(m, sel, kReducedTensors),
              (std::vector<std::string>{"-1.00000 0.00000 0.00000 0.00000 0.00000 1.00000"}));
    const Selection other = SelectStates(m, PlotSettings{0, 2, 4, 4});
    const std::vector<std::string> lines = CoordinateLines(m, other, kReducedTensors);
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
        Tazpl s1, s3;
        const char* line;
    } cases[] = {
        {Azpl(45, 0), Azpl(135, 0), "0.00000 1.00000 0.00000 0.00000 0.00000 0.00000"},    // T12
        {Azpl(90, 45), Azpl(270, 45), "0.00000 0.00000 -1.00000 0.00000 0.00000 0.00000"},  // T13
        {Azpl(0, 45), Azpl(180, 45), "0.00000 0.00000 0.00000 0.00000 -1.00000 0.00000"},   // T23
    };
    for (const auto& c : cases) {
        ResultModel m;
        TGridPoint p;
        p.id = 1;
        p.nv = 1;
        p.axis[sgm1] = c.s1;
        p.axis[sgm3] = c.s3;
        p.sr = 0.5f;
        p.sri = 5;
        m.GridPoints = {p};
        m.NG = m.NZG = 1;
        const Selection sel = SelectStates(m, PlotSettings{0, 2, 0, 10});
        EXPECT_EQ(CoordinateLines(m, sel, kReducedTensors), std::vector<std::string>{c.line})
            << c.s1.az << "/" << c.s1.pl;
    }
}

TEST(Coordinates, FileIsWrittenWithCrLfAndReplaced) {
    TempDir dir;
    const std::string path = dir.Write("axes.txt", "old content that is longer than the new one\r\n\r\n\r\n\r\n\r\n");
    ResultModel m = Model();
    const SaveOutcome out = SaveCoordinates(m, PlotSettings{0, 2, 4, 4}, kAxesAndRatios, path);
    ASSERT_TRUE(out.ok) << out.message;
    EXPECT_EQ(TempDir::Read(path), "124 44 33 46 0.4500\r\n124 44 33 46 0.4500\r\n");
    // Nothing else is left in the directory.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Dir()), std::filesystem::directory_iterator()), 1);
}

TEST(Coordinates, NothingSelectedOrUnwritable) {
    TempDir dir;
    ResultModel m = Model();
    SaveOutcome out = SaveCoordinates(m, PlotSettings{8, 2, 0, 10}, kAxesAndRatios, dir.Path("a.txt"));
    // Sd 0 gives threshold 1 and selects; an empty model selects nothing.
    EXPECT_TRUE(out.ok);
    ResultModel empty;
    out = SaveCoordinates(empty, PlotSettings{}, kAxesAndRatios, dir.Path("b.txt"));
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.message, "No data loaded.");
    EXPECT_FALSE(std::filesystem::exists(dir.Path("b.txt")));

    const std::string bad = dir.Path("no/such/dir/c.txt");
    out = SaveCoordinates(m, PlotSettings{}, kReducedTensors, bad);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.message, "File " + bad + " cannot be written.");
    // A directory in the way is not replaced.
    std::filesystem::create_directory(dir.Path("d.txt"));
    out = SaveCoordinates(m, PlotSettings{}, kReducedTensors, dir.Path("d.txt"));
    EXPECT_FALSE(out.ok);
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path("d.txt")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Dir()), std::filesystem::directory_iterator()), 2);
}

}  // namespace
}  // namespace quillon::viewer
