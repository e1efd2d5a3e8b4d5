// The result file: column-exact layout, CR LF line ends, values that do not fit
// their columns, and replacement of an existing file without ever leaving a half
// one behind.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <sstream>

#include "engine/error_stop.h"
#include "engine/io/fixed_format.h"
#include "engine/io/result_file.h"
#include "fault_datum.h"
#include "qlmain_harness.h"

namespace quillon::engine {
namespace {

using ::testing::ElementsAre;
using quillon::test::QlmainHome;

EngineTables tables_with(std::vector<FaultDatum> data, std::vector<std::int32_t> votes, std::int32_t threshold = 30) {
    EngineTables t;
    t.n_data = static_cast<std::int16_t>(data.size());
    t.fault_data = std::move(data);
    t.n_grid = static_cast<std::int32_t>(votes.size());
    for (std::int32_t v : votes) {
        GridState g;
        g.votes = v;
        t.stress_grid.push_back(g);
    }
    t.misft_threshold = threshold;
    return t;
}

// Three data: enough for one subset of k = 3, so that the writer writes.
std::vector<FaultDatum> three_data() { return {datum(1, 2, 3, 4, 'N'), datum(5, 6, 7, 8, 'R'), datum(9, 10, 11, 12, 'S')}; }

std::string save(const QlmainHome& home, EngineTables t, const std::string& data_path = "/data/set.fdt",
                 int k = 3, const std::string& cgp = "/grids/Unif60000.cgp", const std::string& label = "linear") {
    t.result_path = home.path("out.ql4").string();
    QLN_save_results(t, cgp, data_path, k, label, "20261210", "134507.123", "20261210", "134509.004");
    return home.read("out.ql4");
}

TEST(ResultFile, WholeFileByteForByte) {
    QlmainHome home;
    const std::string file =
        save(home,
             tables_with({datum(360, 90, 0, 0, 'n'), datum(120.25f, 45, 200.75f, 30.04f, 'r'), datum(1, 2, 3, 4, 'D')},
                         {0, 12, 0, 0, 7}),
             "/home/u/my data/set 1.fdt   ", 3, "/deep/dir/of/grids/Unif60000.cgp", "linear  ");
    const std::string expected =
        "       3\r\n"
        "360.0 90.0   0.0  0.0 n\r\n"
        "120.3 45.0 200.8 30.0 r\r\n"
        "  1.0  2.0   3.0  4.0 D\r\n"
        "            5\r\n"
        "            2\r\n"
        "Unif60000.cgp\r\n"
        "        2       12\r\n"
        "        5        7\r\n"
        "Data = /home/u/my data/set 1.fdt\r\n"
        " k =  3\r\n"
        "Function = linear\r\n"
        "QL main ver. 5.31\r\n"
        "misft_threshold     =           30\r\n"
        "Job Start = 2026/12/10 13:45:07.123\r\n"
        "Job Eend = 2026/12/10 13:45:09.004\r\n";
    EXPECT_EQ(file, expected);
}

TEST(ResultFile, DataColumns) {
    struct Case {
        FaultDatum d;
        const char* line;
    };
    for (const Case& c : {
             // 360.0 fills columns 1-5, 90.0 columns 7-10, 0.0 columns 14-16 and 19-21, n column 23.
             Case{datum(360, 90, 0, 0, 'n'), "360.0 90.0   0.0  0.0 n"},
             Case{datum(5, 5, 5, 5, 'N'), "  5.0  5.0   5.0  5.0 N"},
             Case{datum(-99.94f, -9.96f, -999.9f, -99.9f, 'S'), "-99.9-10.0-999.9-99.9 S"},
             Case{datum(0.04f, -0.04f, 359.96f, 89.95f, 'D'), "  0.0 -0.0 360.0 89.9 D"},   // 89.95f is just below the half
             Case{datum(12.25f, 12.75f, -12.25f, 0.05f, 'd'), " 12.3 12.8 -12.3  0.1 d"},   // halves away from zero
         }) {
        QlmainHome home;
        const std::string file = save(home, tables_with({c.d, c.d, c.d}, {}));
        const std::string second = file.substr(file.find("\r\n") + 2);
        EXPECT_EQ(second.substr(0, second.find("\r\n")), c.line);
    }
}

TEST(ResultFile, ValuesThatDoNotFitStaySeparated) {
    // Too wide for their columns: written whole with a blank in front, so the line
    // still reads back value by value; the fitting values keep their columns.
    QlmainHome home;
    const std::string file =
        save(home, tables_with({datum(1000, -100, 10000, 45, 'N'), datum(1, 2, -1000, 4, 'R'), datum(1, 2, 3, 4, 'S')},
                               {1234567890, 0, 5}));
    EXPECT_THAT(quillon::test::split_lines(file),
                ::testing::IsSupersetOf({std::string(" 1000.0 -100.0 10000.0 45.0 N\r"),
                                         std::string("  1.0  2.0 -1000.0  4.0 R\r"),
                                         std::string("        1 1234567890\r"), std::string("        3        5\r")}));
}

TEST(ResultFile, NoVotesGoesStraightToDataLine) {
    QlmainHome home;
    const std::string file = save(home, tables_with(three_data(), {0, 0, 0}, -1));
    EXPECT_EQ(file,
              "       3\r\n"
              "  1.0  2.0   3.0  4.0 N\r\n"
              "  5.0  6.0   7.0  8.0 R\r\n"
              "  9.0 10.0  11.0 12.0 S\r\n"
              "            3\r\n"
              "            0\r\n"
              "Unif60000.cgp\r\n"
              "Data = /data/set.fdt\r\n"
              " k =  3\r\n"
              "Function = linear\r\n"
              "QL main ver. 5.31\r\n"
              "misft_threshold     =           -1\r\n"
              "Job Start = 2026/12/10 13:45:07.123\r\n"
              "Job Eend = 2026/12/10 13:45:09.004\r\n");
}

TEST(ResultFile, KLine) {
    for (int k : {3, 8}) {
        QlmainHome home;
        const auto lines = quillon::test::split_lines(save(home, tables_with(std::vector<FaultDatum>(8, datum(1, 2, 3, 4, 'N')), {}), "/d.fmd", k));
        EXPECT_EQ(lines.at(lines.size() - 6), " k =  " + std::to_string(k) + "\r");
        EXPECT_EQ(lines.at(lines.size() - 6).size(), 8u);   // seven characters and the CR
    }
}

TEST(ResultFile, ReplacesLongerFileCompletely) {
    QlmainHome home;
    home.write("out.ql4", std::string(100000, 'x'));
    const std::string file = save(home, tables_with(three_data(), {0}));
    EXPECT_EQ(file.find('x'), std::string::npos);
    EXPECT_TRUE(file.ends_with("\r\nJob Eend = 2026/12/10 13:45:09.004\r\n"));
    EXPECT_THAT(home.listing(), ElementsAre("out.ql4"));   // no temporary file left
}

TEST(ResultFile, LongValidNameIsWritten) {
    // A name close to the 255-byte limit of one file name is valid; the
    // temporary file written beside it must not push its own name past that limit.
    for (const std::size_t length : {200u, 240u, 255u}) {
        QlmainHome home;
        const std::string name = std::string(length - 4, 'r') + ".ql4";
        EngineTables t = tables_with(three_data(), {0, 2});
        t.result_path = home.path(name).string();
        QLN_save_results(t, "g.cgp", "/d.fdt", 3, "l", "20260101", "000000.000", "20260101", "000000.000");
        EXPECT_TRUE(home.read(name).starts_with("       3\r\n")) << length;
        EXPECT_THAT(home.listing(), ElementsAre(name)) << length;
    }
}

TEST(ResultFile, LinkedNameReplacesTheLinkedFile) {
    // The result name is a link to a file in another folder: that file gets the
    // new content and the link is kept, as when the file is opened through it.
    QlmainHome home;
    home.write("kept/real.ql4", "old result\r\n");
    std::filesystem::create_symlink(home.path("kept/real.ql4"), home.path("link.ql4"));
    EngineTables t = tables_with(three_data(), {0, 2});
    t.result_path = home.path("link.ql4").string();
    QLN_save_results(t, "g.cgp", "/d.fdt", 3, "l", "20260101", "000000.000", "20260101", "000000.000");
    EXPECT_TRUE(std::filesystem::is_symlink(home.path("link.ql4")));
    EXPECT_TRUE(home.read("kept/real.ql4").starts_with("       3\r\n"));
    EXPECT_THAT(home.listing(), ElementsAre("kept", "link.ql4"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(home.path("kept")),
                            std::filesystem::directory_iterator()),
              1);   // no temporary file left beside the linked file
}

TEST(ResultFile, ReplacedFileKeepsItsAccessRights) {
    namespace fs = std::filesystem;
    for (const fs::perms mode : {fs::perms::owner_read | fs::perms::owner_write,
                                 fs::perms::owner_all | fs::perms::group_read | fs::perms::group_write |
                                     fs::perms::others_read}) {
        QlmainHome home;
        home.write("out.ql4", "old\r\n");
        fs::permissions(home.path("out.ql4"), mode);
        save(home, tables_with(three_data(), {1}));
        EXPECT_EQ(fs::status(home.path("out.ql4")).permissions(), mode);
    }
}

TEST(ResultFile, CannotBeCreated) {
    QlmainHome home;
    home.write("folder/keep", "");
    for (const std::string& target : {home.path("missing/out.ql4").string(), home.path("folder").string()}) {
        EngineTables t = tables_with(three_data(), {1});
        t.result_path = target;
        try {
            QLN_save_results(t, "g.cgp", "/d.fdt", 3, "l", "20260101", "000000.000", "20260101", "000000.000");
            ADD_FAILURE() << "no error_stop for " << target;
        } catch (const ErrorStop& e) {
            EXPECT_EQ(e.routine(), "QLN_save_results");
            EXPECT_EQ(e.message(), "File I/O error");
            EXPECT_FALSE(e.line().has_value());
        }
    }
    EXPECT_THAT(home.listing(), ElementsAre("folder"));
    EXPECT_TRUE(std::filesystem::is_directory(home.path("folder")));
}

TEST(ResultFileDeathTest, WriteErrorLeavesTheOldFileAlone) {
    // A file-size limit makes the write fail part way, like a full disk.
    QlmainHome home;
    home.write("out.ql4", "previous result\r\n");
    EngineTables t = tables_with(three_data(), std::vector<std::int32_t>(20000, 1));
    t.result_path = home.path("out.ql4").string();
    const auto save_with_small_file_limit = [&t] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        try {
            QLN_save_results(t, "g.cgp", "/d.fdt", 3, "l", "20260101", "000000.000", "20260101", "000000.000");
        } catch (const ErrorStop& e) {
            std::fprintf(stderr, "%s|%s|%d", e.routine().c_str(), e.message().c_str(), e.line().has_value());
            std::exit(3);
        }
        std::exit(0);
    };
    EXPECT_EXIT(save_with_small_file_limit(), ::testing::ExitedWithCode(3),
                "QLN_save_results\\|Write error --- the result file was not written\\|0");
    EXPECT_EQ(home.read("out.ql4"), "previous result\r\n");
    EXPECT_THAT(home.listing(), ElementsAre("out.ql4"));
}

TEST(ResultFile, VoteListAlone) {
    std::ostringstream out;
    write_vote_list(out, tables_with(three_data(), {0, 3, 0, -2, 0, 999999999}));
    EXPECT_EQ(out.str(),
              "        2        3\r\n"
              "        4       -2\r\n"
              "        6999999999\r\n");
}

TEST(SplitFileName, Parts) {
    struct Case {
        const char* path;
        const char* name;
        const char* extension;
    };
    for (const Case& c : {Case{"/a/b/Unif60000.cgp", "Unif60000", ".cgp"}, Case{"data.fdt", "data", ".fdt"},
                          Case{"/a.b/c", "c", ""}, Case{"/a/b/archive.tar.gz", "archive.tar", ".gz"},
                          Case{"/a/b/", "", ""}, Case{"/x/my data.v2.ql4", "my data.v2", ".ql4"},
                          Case{"", "", ""}}) {
        const FileNameParts p = split_file_name(c.path);
        EXPECT_EQ(p.name, c.name) << c.path;
        EXPECT_EQ(p.extension, c.extension) << c.path;
    }
    const FileNameParts longer = split_file_name("/d/" + std::string(300, 'n') + "." + std::string(300, 'e'));
    EXPECT_EQ(longer.name.size(), 256u);
    EXPECT_EQ(longer.extension.size(), 256u);
}

TEST(FixedFormat, Fields) {
    EXPECT_EQ(fixed_int(0, 7), "      0");
    EXPECT_EQ(fixed_int(-2147483647 - 1, 10), " -2147483648");
    EXPECT_EQ(fixed_int(1234567, 7), "1234567");
    EXPECT_EQ(fixed_real(99.95, 5, 1), "100.0");   // 99.95 in double is just above the half
    EXPECT_EQ(fixed_real(-0.25, 5, 1), " -0.3");
    EXPECT_EQ(right_align("12345678", 7), "12345678");
}

}  // namespace
}  // namespace quillon::engine
