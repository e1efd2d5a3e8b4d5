// The engine's file readers: pref.txt, the fault-slip data file, the CGP grid and
// qln_array.txt, each on small files in a temporary home directory.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "engine/core/kernels.h"
#include "engine/error_stop.h"
#include "engine/io/data_file.h"
#include "engine/io/data_reading.h"
#include "engine/io/grid_file.h"
#include "engine/io/pref_file.h"
#include "qlmain_harness.h"

namespace quillon::engine {
namespace {

using ::testing::ElementsAre;
using quillon::test::QlmainHome;

struct Stop {
    std::string routine;
    std::string message;
    std::optional<std::int32_t> line;
};

// Runs f, which must end in error_stop; returns what it reported.
Stop expect_error_stop(const std::function<void()>& f) {
    try {
        f();
    } catch (const ErrorStop& e) {
        return {e.routine(), e.message(), e.line()};
    }
    ADD_FAILURE() << "no error_stop";
    return {};
}

// ---------------------------------------------------------------- pref.txt

struct PrefCase {
    const char* name;
    const char* content;
    const char* cgp_name;   // what follows "<home>/"
    std::int32_t threshold;
};

class PrefFileTest : public ::testing::TestWithParam<PrefCase> {};

TEST_P(PrefFileTest, ReadsGridNameAndThreshold) {
    const PrefCase& c = GetParam();
    QlmainHome home;
    home.write("pref.txt", c.content);
    EngineTables t;
    read_pref_file(home.home().string(), t);
    EXPECT_EQ(t.cgp_file_path, home.home().string() + "/" + c.cgp_name);
    EXPECT_EQ(t.misft_threshold, c.threshold);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, PrefFileTest,
    ::testing::Values(PrefCase{"CrLf", "Unif60000.cgp\r\n30\r\n", "Unif60000.cgp", 30},
                      PrefCase{"LfNoFinalLineEnd", "grid.cgp\n30", "grid.cgp", 30},
                      PrefCase{"TrailingBlanksDropped", "grid.cgp   \n25\n", "grid.cgp", 25},
                      PrefCase{"LeadingBlanksKept", "  grid.cgp\n25\n", "  grid.cgp", 25},
                      PrefCase{"EmptyLineTwoIsZero", "grid.cgp\n\n", "grid.cgp", 0},
                      PrefCase{"BlankLineTwoIsZero", "grid.cgp\n     \n", "grid.cgp", 0},
                      PrefCase{"BlanksInsideDigits", "grid.cgp\n 3 0\n", "grid.cgp", 30},
                      PrefCase{"TextPastColumnTwelve", "grid.cgp\n30          degrees\n", "grid.cgp", 30},
                      PrefCase{"Negative", "grid.cgp\n-5\nanything after line 2\n", "grid.cgp", -5},
                      PrefCase{"EmptyLineOne", "\n10\n", "", 10},
                      PrefCase{"SubFolder", "grids/g.cgp\n10\n", "grids/g.cgp", 10}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PrefFile, GridPathIsCutAt300Characters) {
    QlmainHome home;
    home.write("pref.txt", std::string(310, 'g') + "\n10\n");
    EngineTables t;
    read_pref_file(home.home().string(), t);
    EXPECT_EQ(t.cgp_file_path, (home.home().string() + "/" + std::string(310, 'g')).substr(0, 300));
}

TEST(PrefFile, Failures) {
    struct Case {
        const char* content;   // nullptr: no file
        const char* message;
    };
    for (const Case& c : {Case{nullptr, "File 'pref.txt' not found"}, Case{"<folder>", "File 'pref.txt' not found"},
                          Case{"", "Invalid pref file"},
                          Case{"grid.cgp\n", "Invalid pref file"}, Case{"grid.cgp", "Invalid pref file"},
                          Case{"grid.cgp\n30 word\n", "Invalid pref file"},
                          Case{"grid.cgp\n3.5\n", "Invalid pref file"}}) {
        QlmainHome home;
        if (c.content && std::string(c.content) == "<folder>") std::filesystem::create_directory(home.path("pref.txt"));
        else if (c.content) home.write("pref.txt", c.content);
        EngineTables t;
        const Stop s = expect_error_stop([&] { read_pref_file(home.home().string(), t); });
        EXPECT_EQ(s.routine, "read_pref_file");
        EXPECT_EQ(s.message, c.message) << (c.content ? c.content : "(no file)");
        EXPECT_FALSE(s.line.has_value());
    }
}

// ---------------------------------------------------------------- data file

EngineTables read_data_text(const QlmainHome& home, const std::string& text) {
    EngineTables t;
    t.data_path = home.write("data.fdt", text).string();
    read_data_file(t);
    return t;
}

TEST(DataFile, ReadsDegreesAndSenseAsWritten) {
    QlmainHome home;
    const EngineTables t = read_data_text(home,
                                          "120 45 200 30 N\r\n"
                                          "120,45,200,30,n\r\n"
                                          "10.5, 60 ,1.0e2, 2.5E1 'r'\r\n"
                                          "0 90 0 0 Dextral and a comment\r\n"
                                          "359 1\r\n"       // a datum over two lines and a blank one
                                          "   \r\n"
                                          "2 3 \"S\"");       // quoted sense, no final line end
    ASSERT_EQ(t.n_data, 5);
    ASSERT_EQ(t.fault_data.size(), 5u);
    const auto& d = t.fault_data;
    EXPECT_EQ(d[0].dip_direction, 120);
    EXPECT_EQ(d[0].dip, 45);
    EXPECT_EQ(d[0].slip_trend, 200);
    EXPECT_EQ(d[0].slip_plunge, 30);
    EXPECT_EQ(d[0].sense, 'N');
    EXPECT_EQ(d[1].sense, 'n');
    EXPECT_EQ(d[2].dip_direction, 10.5f);
    EXPECT_EQ(d[2].slip_trend, 100);
    EXPECT_EQ(d[2].slip_plunge, 25);
    EXPECT_EQ(d[2].sense, 'r');
    EXPECT_EQ(d[3].sense, 'D');
    EXPECT_EQ(d[4].dip_direction, 359);
    EXPECT_EQ(d[4].dip, 1);
    EXPECT_EQ(d[4].slip_trend, 2);
    EXPECT_EQ(d[4].slip_plunge, 3);
    EXPECT_EQ(d[4].sense, 'S');
}

TEST(DataFile, EmptyFileGivesNoData) {
    QlmainHome home;
    const EngineTables t = read_data_text(home, "");
    EXPECT_EQ(t.n_data, 0);
    EXPECT_TRUE(t.fault_data.empty());
}

TEST(DataFile, Failures) {
    struct Case {
        const char* name;
        const char* content;
        const char* message;
        std::int32_t line;
    };
    for (const Case& c : {
             Case{"non-numeric item", "1 2 3 4 N\n1 2 x 4 N\n", "Invalid data at line number", 2},
             Case{"trailing empty line", "1 2 3 4 N\n5 6 7 8 R\n\n", "Invalid data at line number", 3},
             Case{"trailing blank line", "1 2 3 4 N\n   \n", "Invalid data at line number", 2},
             Case{"too few items at the end", "1 2 3 4 N\n5 6 7\n", "Invalid data at line number", 2},
             Case{"bad sense letter", "1 2 3 4 N\n1 2 3 4 X\n", "Invalid sense in the line number", 2},
             Case{"number as sense from the next line", "1 2 3 4\n5 6 7 8 N\n", "Invalid sense in the line number", 1},
             Case{"empty quoted sense", "1 2 3 4 ''\n", "Invalid sense in the line number", 1},
             Case{"empty item", "1,,3 4 N\n", "Invalid data at line number", 1},
         }) {
        QlmainHome home;
        const Stop s = expect_error_stop([&] { read_data_text(home, c.content); });
        EXPECT_EQ(s.routine, "read_data_file") << c.name;
        EXPECT_EQ(s.message, c.message) << c.name;
        EXPECT_EQ(s.line, c.line) << c.name;
    }
}

TEST(DataFile, MissingFile) {
    QlmainHome home;
    for (const std::string& path : {home.path("none.fdt").string(), home.home().string()}) {
        EngineTables t;
        t.data_path = path;
        const Stop s = expect_error_stop([&] { read_data_file(t); });
        EXPECT_EQ(s.routine, "read_data_file");
        EXPECT_EQ(s.message, "Data file not found") << path;
        EXPECT_FALSE(s.line.has_value());
    }
}

TEST(DataFile, StoringPassReportsWithItsOwnWording) {
    // The storing pass meets a datum it cannot read (the file changed after the
    // counting pass): it names the datum with "at the line number".
    std::istringstream changed("1 2 3 4 N\n1 2 3\n");
    ListReader reader(changed);
    std::vector<FaultDatum> records(2);
    const Stop s = expect_error_stop([&] { store_data(reader, 2, records); });
    EXPECT_EQ(s.routine, "read_data_file");
    EXPECT_EQ(s.message, "Invalid data at the line number");
    EXPECT_EQ(s.line, 2);
}

TEST(DataFile, CountStopsAt32767) {
    // The count of data is a signed 16-bit number: 32767 data are read, a 32768th
    // is refused with a message naming the limit instead of wrapping the count.
    std::string text;
    for (int i = 0; i < 32767; ++i) text += "1 2 3 4 N\n";
    QlmainHome home;
    const EngineTables t = read_data_text(home, text);
    EXPECT_EQ(t.n_data, 32767);
    EXPECT_EQ(t.fault_data.size(), 32767u);
    EXPECT_EQ(t.fault_data.back().sense, 'N');

    text += "5 6 7 8 R\n";
    const Stop s = expect_error_stop([&] { read_data_text(home, text); });
    EXPECT_EQ(s.routine, "read_data_file");
    EXPECT_EQ(s.message, "Number of data exceeds the upper bound 32767");
    EXPECT_FALSE(s.line.has_value());
}

// ---------------------------------------------------------------- CGP file

EngineTables read_cgp_text(const QlmainHome& home, const std::string& text) {
    EngineTables t;
    t.cgp_file_path = home.write("grid.cgp", text).string();
    read_cgp_file(t);
    return t;
}

TEST(CgpFile, ReadsPointsIntoTensors) {
    QlmainHome home;
    const EngineTables t = read_cgp_text(home,
                                         "3\r\n"
                                         "0 90 0 0 0.5\r\n"
                                         "123.6, 44.5, 33.4, 45.5, 0.45 extra items\r\n"
                                         "10 20\r\n"          // a point over two lines
                                         "30 40 1\r\n"
                                         "this line is beyond the count\r\n");
    ASSERT_EQ(t.n_grid, 3);
    ASSERT_EQ(t.stress_grid.size(), 3u);
    const float f = 0.017453292f;   // degrees to radians in single precision, as stored
    const float pts[3][5] = {{0, 90, 0, 0, 0.5f}, {123.6f, 44.5f, 33.4f, 45.5f, 0.45f}, {10, 20, 30, 40, 1}};
    for (int g = 0; g < 3; ++g) {
        const Tensor3f expected =
            stress_state_tensor(pts[g][0] * f, pts[g][1] * f, pts[g][2] * f, pts[g][3] * f, pts[g][4]);
        EXPECT_EQ(t.stress_grid[g].tensor, expected) << "grid point " << g + 1;
    }
    // Sigma1 vertical (Up-Up entry 1) and sigma3 north (North-North entry 0) for point 1.
    EXPECT_NEAR(t.stress_grid[0].tensor[8], 1.0f, 1e-6);
    EXPECT_NEAR(t.stress_grid[0].tensor[4], 0.0f, 1e-6);
}

TEST(CgpFile, CountZeroOrNegativeGivesEmptyGrid) {
    for (const char* text : {"0\n", "-4\n1 2 3 4 5\n"}) {
        QlmainHome home;
        const EngineTables t = read_cgp_text(home, text);
        EXPECT_EQ(t.n_grid, 0) << text;
        EXPECT_TRUE(t.stress_grid.empty()) << text;
    }
}

TEST(CgpFile, Failures) {
    struct Case {
        const char* name;
        const char* content;
        std::int32_t line;
    };
    for (const Case& c : {
             Case{"count larger than its lines", "3\n0 90 0 0 0.5\n0 90 0 0 0.5\n", 3},
             Case{"empty file", "", 1},
             Case{"count not an integer", "3.0\n0 90 0 0 0.5\n", 1},
             Case{"count a word", "grid\n", 1},
             Case{"bad first point", "2\n0 90 x 0 0.5\n0 90 0 0 0.5\n", 1},
             Case{"bad second point", "2\n0 90 0 0 0.5\n0 90 0 0 half\n", 2},
             Case{"huge count, short file", "2000000000\n0 90 0 0 0.5\n", 2},
         }) {
        QlmainHome home;
        const Stop s = expect_error_stop([&] { read_cgp_text(home, c.content); });
        EXPECT_EQ(s.routine, "read_cgp_file") << c.name;
        EXPECT_EQ(s.message, "Invalid data at the line number") << c.name;
        EXPECT_EQ(s.line, c.line) << c.name;
    }
}

TEST(CgpFile, MissingFile) {
    QlmainHome home;
    // An empty pref.txt line 1 names the home directory itself: not a grid file.
    for (const std::string& path : {home.path("none.cgp").string(), home.home().string() + "/"}) {
        EngineTables t;
        t.cgp_file_path = path;
        const Stop s = expect_error_stop([&] { read_cgp_file(t); });
        EXPECT_EQ(s.routine, "read_cgp_file");
        EXPECT_EQ(s.message, "CGP file not found") << path;
        EXPECT_FALSE(s.line.has_value());
    }
}

// ---------------------------------------------------------------- qln_array.txt

std::string scores(int first, int last, const char* sep) {
    std::string s;
    for (int i = first; i <= last; ++i) s += std::to_string(200 - i) + sep;
    return s;
}

struct ArrayRun {
    bool stopped = false;
    bool wait_for_line = false;
    std::string label;
    std::string console;
    EngineTables tables;
};

ArrayRun read_array_text(const char* content) {
    QlmainHome home;
    if (content) home.write("qln_array.txt", content);
    ArrayRun r;
    std::istringstream in;
    std::ostringstream out;
    Console console(in, out);
    try {
        r.label = read_array_file(home.home().string(), r.tables, console);
    } catch (const ProgramStop& s) {
        r.stopped = true;
        r.wait_for_line = s.wait_for_line();
    }
    // The detail lines name the file by its full path; "<home>" stands for the
    // temporary home directory in the expected texts.
    r.console = out.str();
    const std::string dir = home.home().string();
    for (std::size_t p = r.console.find(dir); p != std::string::npos; p = r.console.find(dir, p))
        r.console.replace(p, dir.size(), "<home>");
    return r;
}

TEST(ArrayFile, LayoutsReadTheSame) {
    const std::string one_line = scores(0, 180, " ") + "\nlinear\n";
    const std::string per_line = scores(0, 180, "\r\n") + "linear";
    const std::string mixed = scores(0, 99, ", ") + "\n\n" + scores(100, 180, "  ") + "\n\n   \nlinear more words\n";
    for (const std::string& text : {one_line, per_line, mixed}) {
        const ArrayRun r = read_array_text(text.c_str());
        ASSERT_FALSE(r.stopped) << r.console;
        EXPECT_EQ(r.label, "linear");
        EXPECT_EQ(r.tables.function_label, "linear");
        EXPECT_EQ(r.tables.misfit_score_table[0], 200);
        EXPECT_EQ(r.tables.misfit_score_table[90], 110);
        EXPECT_EQ(r.tables.misfit_score_table[180], 20);
        EXPECT_EQ(r.console, "");
    }
}

TEST(ArrayFile, LabelRules) {
    struct Case {
        const char* after;
        const char* label;
    };
    for (const Case& c : {Case{"5 6 7\n'steep cosine fit'\n", "steep cosine fit"},   // rest of the 181st line dropped
                          Case{"\nplain word, more\n", "plain"},
                          Case{"\n\"a,b c\"\n", "a,b c"},
                          Case{"\n123\n", "123"},
                          Case{"\n0123456789012345678901234567890123456789-cut\n",
                               "0123456789012345678901234567890123456789"},
                          Case{"\n'0123456789 123456789 123456789 123456789 123'\n",
                               "0123456789 123456789 123456789 123456789"}}) {
        const std::string text = scores(0, 180, " ") + c.after;
        const ArrayRun r = read_array_text(text.c_str());
        ASSERT_FALSE(r.stopped) << r.console;
        EXPECT_EQ(r.label, c.label) << c.after;
    }
}

TEST(ArrayFile, OutOfRangeEntriesAreListedThenStop) {
    struct Case {
        int index;
        int value;
    };
    struct Table {
        std::vector<Case> bad;
        const char* console;
    };
    // One entry a line: entry i stands on line i + 1 of the file.
    for (const Table& t : {
             Table{{{180, 201}}, " Invalid number     201 at line     180\n"
                                 "   <home>/qln_array.txt line 181: score of entry 180 (misfit 180 degrees) is 201,"
                                 " outside 0 to 200\n"},
             Table{{{1, -1}}, " Invalid number      -1 at line       1\n"
                              "   <home>/qln_array.txt line 2: score of entry 1 (misfit 1 degrees) is -1,"
                              " outside 0 to 200\n"},
             Table{{{3, 1000}, {170, -12345678}},
                   " Invalid number    1000 at line       3\n"
                   "   <home>/qln_array.txt line 4: score of entry 3 (misfit 3 degrees) is 1000, outside 0 to 200\n"
                   " Invalid number -12345678 at line     170\n"
                   "   <home>/qln_array.txt line 171: score of entry 170 (misfit 170 degrees) is -12345678,"
                   " outside 0 to 200\n"},
             // Entry 0 is held to the same range: its score must fit the signed byte table.
             Table{{{0, 250}}, " Invalid number     250 at line       0\n"
                               "   <home>/qln_array.txt line 1: score of entry 0 (misfit 0 degrees) is 250,"
                               " outside 0 to 200\n"},
         }) {
        std::vector<int> entries;
        for (int i = 0; i <= 180; ++i) entries.push_back(200 - i);
        for (const Case& c : t.bad) entries[static_cast<std::size_t>(c.index)] = c.value;
        std::string text;
        for (int v : entries) text += std::to_string(v) + "\n";
        text += "label\n";
        const ArrayRun r = read_array_text(text.c_str());
        EXPECT_TRUE(r.stopped);
        EXPECT_FALSE(r.wait_for_line);
        EXPECT_EQ(r.console, t.console);
    }
}

TEST(ArrayFile, OutOfRangeEntryNamesTheFileLine) {
    // Ten scores a line: entry 141 stands on line 15. The fixed line keeps the
    // entry's index; the line after it gives the file and its real line.
    std::string text;
    for (int i = 0; i <= 180; ++i) text += std::to_string(i == 141 ? 256 : 100) + (i % 10 == 9 ? "\n" : " ");
    text += "\nlabel\n";
    const ArrayRun r = read_array_text(text.c_str());
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(r.console, " Invalid number     256 at line     141\n"
                         "   <home>/qln_array.txt line 15: score of entry 141 (misfit 141 degrees) is 256,"
                         " outside 0 to 200\n");
}

TEST(ArrayFile, BoundaryValuesAreAccepted) {
    std::string text = "0 200";
    for (int i = 2; i <= 180; ++i) text += " 100";
    text += "\nedges\n";
    const ArrayRun r = read_array_text(text.c_str());
    ASSERT_FALSE(r.stopped) << r.console;
    EXPECT_EQ(r.tables.misfit_score_table[0], 0);
    EXPECT_EQ(r.tables.misfit_score_table[1], 200);
}

TEST(ArrayFile, MissingFileWritesPaddedNameAndWaits) {
    const ArrayRun r = read_array_text(nullptr);
    EXPECT_TRUE(r.stopped);
    EXPECT_TRUE(r.wait_for_line);
    const std::string expected = "  *** Error : qln_array.txt" + std::string(300 - 13, ' ') + " not available.\n";
    EXPECT_EQ(r.console, expected + "   <home>/qln_array.txt: No such file or directory\n");
    EXPECT_EQ(r.console.find('\n'), 1 + 328u);
}

TEST(ArrayFile, MalformedFileIsNamed) {
    struct Case {
        std::string content;
        const char* console;
    };
    for (const Case& c : {
             Case{scores(0, 9, " ") + "\nten\n" + scores(11, 180, " ") + "\nlabel\n",
                  "  *** Error : qln_array.txt line 2: score 10 is not an integer --- Execution terminated.\n"
                  "   <home>/qln_array.txt line 2: \"ten\" is not an integer\n"},
             Case{scores(0, 100, " ") + "\n",
                  "  *** Error : qln_array.txt ends after 101 of its 181 scores --- Execution terminated.\n"
                  "   <home>/qln_array.txt\n"},
             Case{scores(0, 180, " ") + "\n\n  \n",
                  "  *** Error : qln_array.txt has no function label after its 181 scores --- Execution "
                  "terminated.\n   <home>/qln_array.txt\n"},
             Case{scores(0, 180, " ") + "\n'unclosed label\n",
                  "  *** Error : qln_array.txt line 2: invalid function label --- Execution terminated.\n"
                  "   <home>/qln_array.txt line 2: a quoted text without its closing quote\n"},
             Case{scores(0, 5, " ") + std::string(70000, ' ') + scores(6, 180, " ") + "\nlabel\n",
                  "  *** Error : qln_array.txt line 1: the line is longer than 65536 characters --- Execution "
                  "terminated.\n   <home>/qln_array.txt\n"},
         }) {
        const ArrayRun r = read_array_text(c.content.c_str());
        EXPECT_TRUE(r.stopped);
        EXPECT_FALSE(r.wait_for_line);
        EXPECT_EQ(r.console, c.console);
    }
}

}  // namespace
}  // namespace quillon::engine
