// The result loader and grid reader: what they read, the rules of the formats, and that
// a failed load changes nothing.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <string>
#include <vector>

#include "temp_dir.h"
#include "viewer/model/result_model.h"

namespace quillon::viewer {
namespace {

using testing::Lines;
using testing::TempDir;

const std::string kGrid = Lines({"4", "123.6 44.5 33.4 45.5 0.45 anything after the fifth number",
                                 "10 20 30 40 0.5", "0 90 90 0 1.0", "45 45 225 45 0.0"});

// The pieces of a result file; a test changes one and joins them.
struct ResultText {
    std::vector<std::string> head = {"      2", "120.0 45.0 200.0 30.0 n", " 10.0 20.0  30.0 40.0  d  "};
    std::string gridCount = "           4";
    std::string votedCount = "           2";
    std::string gridName = "C:\\Quillon\\grids\\g.cgp";
    std::vector<std::string> votes = {"        3        5", "        2        3"};
    std::string dataLine = "Data = C:\\data\\example one.fdt";
    std::vector<std::string> tail = {" k =  3", "Function = linear", "QL main ver. 5.31"};

    std::string Join(const std::string& eol = "\r\n", bool withGridName = true) const {
        std::string s;
        for (const auto& l : head) s += l + eol;
        s += gridCount + eol + votedCount + eol;
        if (withGridName) s += gridName + eol;
        for (const auto& l : votes) s += l + eol;
        s += dataLine + eol;
        for (const auto& l : tail) s += l + eol;
        return s;
    }
};

class Loader : public ::testing::Test {
protected:
    void SetUp() override {
        home.Write("g.cgp", kGrid);
        model.homeDir = home.Dir();
    }
    LoadOutcome Load(const std::string& name, const std::string& content) {
        return model.loadResultFile(home.Write(name, content), data);
    }
    std::vector<int> IdsInOrder() const {
        std::vector<int> ids;
        for (const GridPoint& p : model.gridPoints) ids.push_back(p.id);
        return ids;
    }
    const GridPoint& Point(int id) const {
        for (const GridPoint& p : model.gridPoints)
            if (p.id == id) return p;
        throw std::runtime_error("no grid point " + std::to_string(id));
    }

    TempDir home;
    ResultModel model;
    FaultDataSet data;
};

TEST_F(Loader, ReadsDataGridAndVotes) {
    const LoadOutcome out = Load("run.ql4", ResultText().Join());
    ASSERT_TRUE(out.ok) << out.message;
    EXPECT_TRUE(out.message.empty());
    EXPECT_EQ(data.count, 2);
    ASSERT_EQ(data.records.size(), 3u);
    EXPECT_EQ(data.records[1].plane, makeDirection(120, 45));
    EXPECT_EQ(data.records[1].slip, makeDirection(200, 30));
    EXPECT_EQ(data.records[1].sense, "N");
    EXPECT_EQ(data.records[2].plane, makeDirection(10, 20));
    EXPECT_EQ(data.records[2].sense, "D");
    EXPECT_EQ(data.dataType, "g");

    EXPECT_EQ(model.gridCount, 4u);
    EXPECT_EQ(model.votedCount, 2u);
    EXPECT_EQ(model.gridFile, "g.cgp");  // the file name part of a Windows path
    EXPECT_EQ(model.resultPath, home.Path("run.ql4"));
    // Ascending votes; equal votes keep grid point order.
    EXPECT_EQ(IdsInOrder(), (std::vector<int>{1, 4, 2, 3}));
    EXPECT_EQ(Point(2).votes, 3);
    EXPECT_EQ(Point(3).votes, 5);
    EXPECT_EQ(Point(1).votes, 0);

    const GridPoint& p = Point(1);
    EXPECT_EQ(p.axis[Sigma1], makeDirection(124, 44));  // whole degrees, halves to even
    EXPECT_EQ(p.axis[Sigma3], makeDirection(33, 46));
    EXPECT_FLOAT_EQ(p.stressRatio, 0.45f);
    EXPECT_EQ(p.ratioClass, 4);
    EXPECT_EQ(Point(3).ratioClass, 10);
    EXPECT_EQ(Point(2).ratioClass, 5);  // 0.5 * 10 = 5
    EXPECT_EQ(model.caption(), " QL Viewer  [ run.ql4 ]");
    model.showGridFileName = true;
    EXPECT_EQ(model.caption(), " QL Viewer  [ run.ql4 ] / [ g.cgp ]");
}

TEST_F(Loader, WindowsAndLinuxFilesLoadTheSame) {
    ResultText linux;
    linux.gridName = "/home/user/grids/g.cgp";
    ASSERT_TRUE(Load("lf.ql4", linux.Join("\n")).ok);
    const std::vector<int> lfOrder = IdsInOrder();
    const FaultDataSet lfData = data;
    ASSERT_TRUE(Load("crlf.ql4", ResultText().Join("\r\n")).ok);
    EXPECT_EQ(IdsInOrder(), lfOrder);
    EXPECT_EQ(data.records[2].sense, lfData.records[2].sense);
    EXPECT_EQ(data.records[2].slip, lfData.records[2].slip);
    EXPECT_EQ(model.gridFile, "g.cgp");
}

TEST_F(Loader, ExtensionDecidesWhetherTheGridIsNamed) {
    // .ql5 is read like .ql4.
    EXPECT_TRUE(Load("run.ql5", ResultText().Join()).ok);
    // Other extensions (case included) name no grid: cgp31.cgp is used and the grid
    // name line is taken for the first vote line.
    home.Write("cgp31.cgp", kGrid);
    for (const char* name : {"run.ql3", "run.QL4", "run.ql"}) {
        const LoadOutcome out = Load(name, ResultText().Join());
        EXPECT_FALSE(out.ok) << name;
        EXPECT_NE(out.message.find("'C:\\Quillon\\grids\\g.cgp' is not an integer"), std::string::npos)
            << out.message;
        EXPECT_NE(out.message.find(home.Path(name) + ", line 6"), std::string::npos) << out.message;
    }
    // An older file without the grid name line loads with cgp31.cgp.
    const LoadOutcome old = Load("old.ql3", ResultText().Join("\r\n", false));
    ASSERT_TRUE(old.ok) << old.message;
    EXPECT_EQ(model.gridFile, "cgp31.cgp");
    EXPECT_EQ(model.votedCount, 2u);
}

TEST_F(Loader, FocalMechanismsAndLargeVoteCounts) {
    ResultText r;
    r.dataLine = "Data = /data/quakes.fmd";
    r.votes = {"        3    70000", "        2   123456789"};
    ASSERT_TRUE(Load("run.ql4", r.Join()).ok);
    EXPECT_EQ(data.dataType, "s");
    EXPECT_EQ(Point(3).votes, 70000);  // no 16-bit wrap
    EXPECT_EQ(Point(2).votes, 123456789);
    EXPECT_EQ(IdsInOrder(), (std::vector<int>{1, 4, 3, 2}));
}

TEST_F(Loader, NoVotesAndNoData) {
    ResultText r;
    r.head = {"      0"};
    r.votedCount = "           0";
    r.votes = {};
    ASSERT_TRUE(Load("run.ql4", r.Join()).ok);
    EXPECT_EQ(data.count, 0);
    EXPECT_EQ(model.votedCount, 0u);
    for (const GridPoint& p : model.gridPoints) EXPECT_EQ(p.votes, 0);
    model.computeVoteSd();
    EXPECT_EQ(model.voteSd, 0.0f);
    EXPECT_EQ(model.sdStatusText(), "Sd : 0.00");
}

TEST_F(Loader, VoteSpread) {
    ASSERT_TRUE(Load("run.ql4", ResultText().Join()).ok);
    model.computeVoteSd();
    // Votes 0, 3, 5, 0 over 4 points: mean 2, variance 18 / 4.
    EXPECT_FLOAT_EQ(model.voteSd, std::sqrt(4.5f));
    EXPECT_EQ(model.sdStatusText(), "Sd : 2.12");
    EXPECT_EQ(model.countsStatusText(), "2 / 4");
}

// Every way a load can fail, with its message; a failed load keeps the previous result.
TEST_F(Loader, FailuresLeaveThePreviousResult) {
    ASSERT_TRUE(Load("good.ql4", ResultText().Join()).ok);
    const std::vector<int> order = IdsInOrder();
    const std::string dataFile = model.resultPath;
    home.Write("badcount.cgp", Lines({"4 ", "0 90 90 0 0.5"}));
    home.Write("huge.cgp", Lines({"70000", "0 90 90 0 0.5"}));
    home.Write("short.cgp", Lines({"3", "0 90 90 0 0.5", "0 90 90 0 0.5"}));
    home.Write("comma.cgp", Lines({"1", "0,90 90 0 0.5"}));

    struct Case {
        const char* name;
        ResultText text;
        std::string message;  // expected text; a leading '~' means "contains"
        bool terminate = false;
    };
    std::vector<Case> cases;
    auto add = [&](const char* name, auto change, std::string message, bool terminate = false) {
        ResultText t;
        change(t);
        cases.push_back({name, t, std::move(message), terminate});
    };
    const std::string P = home.Dir();
    // The fixed messages come first; the detail follows on a line of its own.
    add("a.ql4", [](ResultText& t) { t.gridCount = "           4 "; },
        P + "a.ql4: Invalid format.\r\n" + P +
            "a.ql4, line 4: the line holds '           4 ', not the number of grid points alone.");
    add("b.ql4", [](ResultText& t) { t.votedCount = "two"; },
        P + "b.ql4: Invalid format.\r\n" + P +
            "b.ql4, line 5: the line holds 'two', not the number of voted grid points alone.");
    add("c.ql4", [](ResultText& t) { t.votedCount = "-1"; },
        P + "c.ql4: Invalid format.\r\n" + P + "c.ql4, line 5: the number of voted grid points -1 is negative.");
    add("d.ql4", [](ResultText& t) { t.gridName = "missing.cgp"; }, "CGP File  [missing.cgp]  not found.");
    add("e.ql4", [](ResultText& t) { t.gridName = "badcount.cgp"; },
        "badcount.cgp cannot be loaded\r\n" + P +
            "badcount.cgp, line 1: the line holds '4 ', not the number of grid points alone.",
        true);
    add("f.ql4", [](ResultText& t) { t.gridName = "huge.cgp"; },
        "huge.cgp cannot be loaded\r\n" + P + "huge.cgp, line 1: it announces 70000 grid points; a grid holds 0 to 65535.");
    add("g.ql4", [](ResultText& t) { t.gridName = "short.cgp"; },
        "~" + P + "short.cgp, line 4: unexpected end of file");
    add("h.ql4", [](ResultText& t) { t.gridName = "comma.cgp"; }, P + "comma.cgp, line 2: '0,90' is not a number.");
    add("i.ql4", [](ResultText& t) { t.dataLine = "Data = C:\\data\\EXAMPLE.FDT"; }, "Undefined data type.");
    add("j.ql4", [](ResultText& t) { t.votes[0] = "        9        5"; },
        P + "j.ql4, line 7: grid point number 9 is outside 1 to 4 of g.cgp.");
    add("k.ql4", [](ResultText& t) { t.votes[1] = "        0        5"; },
        P + "k.ql4, line 8: grid point number 0 is outside 1 to 4 of g.cgp.");
    add("l.ql4", [](ResultText& t) { t.head[1] = "120.0,45.0 200.0 30.0 n"; },
        P + "l.ql4, line 2: '120.0,45.0' is not a number.");
    add("m.ql4", [](ResultText& t) { t.head[0] = "2.5"; }, P + "m.ql4, line 1: '2.5' is not an integer.");
    add("n.ql4", [](ResultText& t) { t.votes[0] = "        3      5x"; }, P + "n.ql4, line 7: '5x' is not an integer.");
    add("o.ql4", [](ResultText& t) { t.head[0] = "  40000"; },
        P + "o.ql4, line 1: the number of data 40000 is outside 0 to 32767.");
    add("p.ql4", [](ResultText& t) { t.votedCount = "           3"; },
        P + "p.ql4, line 9: 'Data' is not an integer.");

    for (const Case& c : cases) {
        const LoadOutcome out = Load(c.name, c.text.Join());
        EXPECT_FALSE(out.ok) << c.name;
        if (c.message[0] == '~')
            EXPECT_NE(out.message.find(c.message.substr(1)), std::string::npos) << c.name << ": " << out.message;
        else
            EXPECT_EQ(out.message, c.message) << c.name;
        EXPECT_EQ(out.terminate, c.terminate) << c.name;
        EXPECT_EQ(IdsInOrder(), order) << c.name;
        EXPECT_EQ(model.resultPath, dataFile) << c.name;
        EXPECT_EQ(model.gridFile, "g.cgp") << c.name;
        EXPECT_EQ(model.votedCount, 2u) << c.name;
        EXPECT_EQ(data.count, 2) << c.name;
        EXPECT_EQ(data.records[1].sense, "N") << c.name;
        EXPECT_EQ(data.dataType, "g") << c.name;
    }

    // Missing and truncated files.
    LoadOutcome missing = model.loadResultFile(home.Path("nothere.ql4"), data);
    EXPECT_EQ(missing.message, "File nothere.ql4 not found.");
    LoadOutcome dir = model.loadResultFile(home.Dir(), data);
    EXPECT_FALSE(dir.ok);
    const std::string full = ResultText().Join();
    for (std::size_t cut : {std::size_t{0}, std::size_t{10}, full.find("Data =")}) {
        const LoadOutcome out = Load("cut.ql4", full.substr(0, cut));
        EXPECT_FALSE(out.ok) << cut;
        EXPECT_FALSE(out.message.empty()) << cut;
    }
    EXPECT_EQ(IdsInOrder(), order);
}

TEST(GridFile, ReadsTheProgramDirectoryGrid) {
    TempDir home;
    ResultModel model;
    model.homeDir = home.Dir();
    // Start-up: the default grid is missing.
    LoadOutcome out = model.loadGridFile();
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.message, "CGP File  [Unif60000.cgp]  not found.");
    EXPECT_TRUE(model.gridPoints.empty());

    home.Write("Unif60000.cgp", Lines({"  3", "1 2 3 4 0.1", "5 6 7", "8 0.25 x y z", "9 10 11 12 0.35"}, "\n"));
    out = model.loadGridFile();
    ASSERT_TRUE(out.ok) << out.message;
    ASSERT_EQ(model.gridCount, 3u);
    // A line with fewer than five numbers continues on the next line.
    EXPECT_EQ(model.gridPoints[1].axis[Sigma3], makeDirection(7, 8));
    EXPECT_FLOAT_EQ(model.gridPoints[1].stressRatio, 0.25f);
    EXPECT_EQ(model.gridPoints[1].ratioClass, 2);  // 2.5 halves to even
    EXPECT_EQ(model.gridPoints[2].id, 3);
    EXPECT_EQ(model.gridPoints[2].ratioClass, 3);  // 0.35f is just below 0.35

    // The ends of every range are accepted.
    home.Write("Unif60000.cgp", Lines({"2", "0 -90 360 90 0", "360 90 0 -90 1"}));
    ASSERT_TRUE(model.loadGridFile().ok);
    EXPECT_EQ(model.gridPoints[0].ratioClass, 0);
    EXPECT_EQ(model.gridPoints[1].ratioClass, 10);

    // An empty grid is valid.
    home.Write("Unif60000.cgp", "0\r\n");
    ASSERT_TRUE(model.loadGridFile().ok);
    EXPECT_EQ(model.gridCount, 0u);
    model.computeVoteSd();
    EXPECT_EQ(model.voteSd, 0.0f);
}

TEST(ResultModelState, StartState) {
    ResultModel model;
    EXPECT_EQ(model.gridFile, "Unif60000.cgp");
    EXPECT_EQ(model.caption(), " QL Viewer");
    EXPECT_TRUE(isUndefinedDirection(model.designatedStress.axis[Sigma1]));
    EXPECT_TRUE(isUndefinedDirection(model.designatedStress.axis[Sigma3]));
    EXPECT_TRUE(std::isnan(model.designatedStress.stressRatio));
    EXPECT_EQ(fileNamePart("C:\\a\\b.ql4"), "b.ql4");
    EXPECT_EQ(fileNamePart("/a/b/c.ql4"), "c.ql4");
    EXPECT_EQ(fileNamePart("/a\\mixed/d.ql4"), "d.ql4");
    EXPECT_EQ(fileNamePart("plain"), "plain");
}

TEST(GridFile, NumbersOutsideTheirRangesAreRefused) {
    // Each number of a grid point is held to its range, with the file and line;
    // a plunge of 1e20 would otherwise overflow the symbol's integer geometry.
    TempDir home;
    ResultModel model;
    model.homeDir = home.Dir();
    const struct {
        const char* line;
        const char* what;
    } cases[] = {
        {"-0.5 10 20 30 0.5", "the sigma1 azimuth '-0.5' is outside 0 to 360."},
        {"360.5 10 20 30 0.5", "the sigma1 azimuth '360.5' is outside 0 to 360."},
        {"10 1e20 20 30 0.5", "the sigma1 plunge '1e20' is outside -90 to 90."},
        {"10 -91 20 30 0.5", "the sigma1 plunge '-91' is outside -90 to 90."},
        {"10 20 400 30 0.5", "the sigma3 azimuth '400' is outside 0 to 360."},
        {"10 20 30 90.01 0.5", "the sigma3 plunge '90.01' is outside -90 to 90."},
        {"10 20 30 40 1.5", "the Phi '1.5' is outside 0 to 1."},
        {"10 20 30 40 -0.2", "the Phi '-0.2' is outside 0 to 1."},
        {"10 20 30 40 1e400", "'1e400' is not a number."},
    };
    for (const auto& c : cases) {
        const std::string path = home.Write("Unif60000.cgp", Lines({"2", "0 90 90 0 0.5", c.line}));
        const LoadOutcome out = model.loadGridFile();
        EXPECT_FALSE(out.ok) << c.line;
        EXPECT_FALSE(out.terminate) << c.line;
        EXPECT_EQ(out.message, path + ", line 3: " + c.what);
    }
}

TEST_F(Loader, LoneCrEndsALine) {
    // Files with CR line ends only (and a mix) load as with CR LF: no datum is
    // lost by reading several lines as one.
    home.Write("g.cgp", testing::Lines({"4", "123.6 44.5 33.4 45.5 0.45", "10 20 30 40 0.5", "0 90 90 0 1.0",
                                        "45 45 225 45 0.0"}, "\r"));
    ASSERT_TRUE(Load("crlf.ql4", ResultText().Join("\r\n")).ok);
    const std::vector<int> order = IdsInOrder();
    const FaultDataSet expected = data;
    // CR only, and CR, LF and CR LF in turn.
    std::string mixed = ResultText().Join("\r");
    const char* ends[] = {"\r", "\n", "\r\n"};
    int k = 0;
    for (std::size_t pos = 0; (pos = mixed.find('\r', pos)) != std::string::npos; ++pos) {
        const std::string end = ends[k++ % 3];
        mixed.replace(pos, 1, end);
        pos += end.size() - 1;
    }
    for (const std::string& text : {ResultText().Join("\r"), mixed}) {
        const LoadOutcome out = Load("cr.ql4", text);
        ASSERT_TRUE(out.ok) << out.message;
        EXPECT_EQ(IdsInOrder(), order);
        ASSERT_EQ(data.count, 2);
        EXPECT_EQ(data.records[2].sense, expected.records[2].sense);
        EXPECT_EQ(data.records[2].slip, expected.records[2].slip);
        EXPECT_EQ(Point(3).votes, 5);
        EXPECT_EQ(model.gridFile, "g.cgp");
    }
}

TEST_F(Loader, OverlongLineIsRefusedWithFileAndLine) {
    // One line may hold 65536 characters; a longer one ends the load with its
    // file and line, in the result or in the grid.
    ResultText fits;
    fits.head[2] = " 10.0 20.0  30.0 40.0  d" + std::string(65536 - 24, ' ');
    ASSERT_TRUE(Load("fits.ql4", fits.Join()).ok);
    ResultText r;
    r.head[2] += std::string(70000, ' ');
    LoadOutcome out = Load("long.ql4", r.Join());
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.message, home.Path("long.ql4") + ", line 3: the line is longer than 65536 characters.");

    home.Write("long.cgp", Lines({"2", "0 90 90 0 0.5", "0 90 90 0 0.5" + std::string(70000, '0')}));
    ResultText g;
    g.gridName = "long.cgp";
    out = Load("longgrid.ql4", g.Join());
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.message, home.Path("long.cgp") + ", line 3: the line is longer than 65536 characters.");
}

TEST_F(Loader, OnlyRegularFilesAreRead) {
    // A FIFO is neither waited on nor read, a device never read without end; the
    // fixed message comes with the reason on the next line.
    const std::string fifo = home.Path("pipe.ql4");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    LoadOutcome out = model.loadResultFile(fifo, data);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.message, "File pipe.ql4 not found.\r\n" + fifo + ": it is a pipe, not a regular file.");
    out = model.loadResultFile("/dev/zero", data);
    EXPECT_EQ(out.message, "File zero not found.\r\n/dev/zero: it is a device, not a regular file.");
    out = model.loadResultFile(home.Dir(), data);
    EXPECT_EQ(out.message, "File  not found.\r\n" + home.Dir() + ": it is a folder, not a regular file.");

    ASSERT_EQ(::mkfifo(home.Path("pipe.cgp").c_str(), 0600), 0);
    ResultText r;
    r.gridName = "pipe.cgp";
    out = Load("r.ql4", r.Join());
    EXPECT_EQ(out.message, "CGP File  [pipe.cgp]  not found.\r\n" + home.Path("pipe.cgp") +
                               ": it is a pipe, not a regular file.");
    EXPECT_TRUE(model.gridPoints.empty());
}

TEST_F(Loader, GridNameLineRecognisedWhateverTheName) {
    // A result saved without extension (the save dialog makes it "x.txt") keeps its
    // grid-name line; it is recognised by what it holds.
    home.Write("other.cgp", kGrid);
    ResultText r;
    r.gridName = "/home/user/grids/other.cgp";
    for (const char* name : {"x.txt", "x", "result.dat", "x.ql4.bak"}) {
        const LoadOutcome out = Load(name, r.Join());
        ASSERT_TRUE(out.ok) << name << ": " << out.message;
        EXPECT_EQ(model.gridFile, "other.cgp") << name;
        EXPECT_EQ(Point(3).votes, 5) << name;
    }
    // Without a grid-name line such a file is an older result: cgp31.cgp, and the
    // first vote line (or the "Data = " line) is read as it stands.
    home.Write("cgp31.cgp", kGrid);
    LoadOutcome out = Load("old.txt", r.Join("\r\n", false));
    ASSERT_TRUE(out.ok) << out.message;
    EXPECT_EQ(model.gridFile, "cgp31.cgp");
    EXPECT_EQ(Point(2).votes, 3);
    ResultText none;
    none.votedCount = "           0";
    none.votes = {};
    out = Load("none.txt", none.Join("\r\n", false));
    ASSERT_TRUE(out.ok) << out.message;
    EXPECT_EQ(model.gridFile, "cgp31.cgp");
}

}  // namespace
}  // namespace quillon::viewer
