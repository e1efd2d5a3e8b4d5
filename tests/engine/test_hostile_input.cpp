// Hostile and broken input: line ends of every convention, devices and over-long
// lines in place of input files, grid numbers out of range, thread counts the
// system cannot give, result paths that are too long or name an input, runs
// without enough data, and the temporary file a killed run leaves behind. Each
// ends in a clear report naming the file (and line) and writes nothing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <sstream>

#include "engine/error_stop.h"
#include "engine/io/data_file.h"
#include "engine/io/grid_file.h"
#include "engine/io/list_input.h"
#include "engine/io/pref_file.h"
#include "engine/io/result_file.h"
#include "fault_datum.h"
#include "qlmain_harness.h"

namespace quillon::engine {
namespace {

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using quillon::test::QlmainHome;
using quillon::test::QlmainResult;

const std::string kFixtures = std::string(QUILLON_FIXTURES_DIR) + "/engine/";

// Runs f, which must end in error_stop, and returns the report.
ErrorStop expect_error_stop(const std::function<void()>& f) {
    try {
        f();
    } catch (const ErrorStop& e) {
        return e;
    }
    ADD_FAILURE() << "no error_stop";
    return ErrorStop("", "", std::nullopt);
}

EngineTables read_data_text(const QlmainHome& home, const std::string& text) {
    EngineTables t;
    t.data_path = home.write("data.fdt", text).string();
    read_data_file(t);
    return t;
}

EngineTables read_grid_text(const QlmainHome& home, const std::string& text) {
    EngineTables t;
    t.cgp_file_path = home.write("grid.cgp", text).string();
    read_cgp_file(t);
    return t;
}

// ------------------------------------------------------------------ line ends

TEST(LineEnds, LoneCrEndsALineInEveryReader) {
    // A file written with CR alone between its lines holds as many lines as with
    // LF or CR LF; read as one line, its data after the first would be lost.
    for (const char* eol : {"\n", "\r\n", "\r"}) {
        SCOPED_TRACE(std::string("line end ") + (eol[0] == '\n' ? "LF" : eol[1] ? "CR LF" : "CR"));
        const auto lines = [eol](std::initializer_list<const char*> ls) {
            std::string s;
            for (const char* l : ls) s += std::string(l) + eol;
            return s;
        };
        QlmainHome home;
        const EngineTables data = read_data_text(home, lines({"1 2 3 4 N", "5 6 7 8 R", "9 10 11 12 S"}));
        ASSERT_EQ(data.n_data, 3);
        EXPECT_EQ(data.fault_data[2].dip_direction, 9);
        EXPECT_EQ(data.fault_data[2].sense, 'S');

        const EngineTables grid = read_grid_text(home, lines({"2", "0 90 0 0 0.5", "10 20 30 40 1"}));
        EXPECT_EQ(grid.n_grid, 2);

        home.write("pref.txt", lines({"grid.cgp", "30"}));
        EngineTables pref;
        read_pref_file(home.home().string(), pref);
        EXPECT_EQ(pref.cgp_file_path, home.path("grid.cgp").string());
        EXPECT_EQ(pref.misft_threshold, 30);

        std::string scores;
        for (int i = 0; i <= 180; ++i) scores += std::to_string(100 + i % 7) + eol;
        home.write("qln_array.txt", scores + "linear" + eol + "ignored" + eol);
        std::istringstream in;
        std::ostringstream out;
        Console console(in, out);
        EngineTables array;
        EXPECT_EQ(read_array_file(home.home().string(), array, console), "linear");
        EXPECT_EQ(array.misfit_score_table[180], 100 + 180 % 7);
    }
}

TEST(LineEnds, ListReaderCountsCrLinesAndKeepsCrLfOneLineEnd) {
    std::istringstream in("1\r\r\n2\r\n\r3");
    ListReader reader(in);
    std::int32_t v = 0;
    ASSERT_EQ(reader.read_int(v), ReadStatus::Ok);
    EXPECT_EQ(reader.line_number(), 1);
    ASSERT_EQ(reader.read_int(v), ReadStatus::Ok);   // line 2 is empty
    EXPECT_EQ(v, 2);
    EXPECT_EQ(reader.line_number(), 3);
    ASSERT_EQ(reader.read_int(v), ReadStatus::Ok);
    EXPECT_EQ(v, 3);
    EXPECT_EQ(reader.line_number(), 5);
}

// ------------------------------------------------------------ over-long lines

TEST(LongLines, ALineOverTheCapIsRefusedWithFileAndLine) {
    const std::string long_line = "1 2 3 4 N" + std::string(kMaxLineLength, ' ') + "\n";
    QlmainHome home;
    {
        const ErrorStop e = expect_error_stop([&] { read_data_text(home, "1 2 3 4 N\n" + long_line); });
        EXPECT_EQ(e.message(), "Invalid data at line number");
        EXPECT_EQ(e.line(), 2);
        EXPECT_EQ(e.detail(), home.path("data.fdt").string() + " line 2: the line is longer than 65536 characters");
    }
    {
        const ErrorStop e = expect_error_stop([&] { read_grid_text(home, "2\n" + long_line); });
        EXPECT_EQ(e.routine(), "read_cgp_file");
        EXPECT_EQ(e.line(), 1);
        EXPECT_EQ(e.detail(), home.path("grid.cgp").string() + " line 2: the line is longer than 65536 characters");
    }
    {
        home.write("pref.txt", std::string(kMaxLineLength + 1, 'g') + "\n30\n");
        EngineTables t;
        const ErrorStop e = expect_error_stop([&] { read_pref_file(home.home().string(), t); });
        EXPECT_EQ(e.message(), "Invalid pref file");
        EXPECT_EQ(e.detail(), home.path("pref.txt").string() + " line 1: the line is longer than 65536 characters");
    }
    // A line of exactly the cap is read.
    const EngineTables t = read_data_text(home, "1 2 3 4 N" + std::string(kMaxLineLength - 9, ' ') + "\n");
    EXPECT_EQ(t.n_data, 1);
}

// ------------------------------------------------------------- grid ranges

TEST(GridRanges, EveryNumberIsCheckedAndNamedWithItsLine) {
    struct Case {
        const char* point;
        const char* detail;   // after "<grid> line 3: "
    };
    for (const Case& c : {
             Case{"0 1e20 0 0 0.5", "sigma1 plunge 1e+20 is outside -90 to 90"},
             Case{"-1 10 0 0 0.5", "sigma1 azimuth -1 is outside 0 to 360"},
             Case{"0 10 360.5 0 0.5", "sigma3 azimuth 360.5 is outside 0 to 360"},
             Case{"0 10 0 -90.5 0.5", "sigma3 plunge -90.5 is outside -90 to 90"},
             Case{"0 10 0 0 1.01", "Phi 1.01 is outside 0 to 1"},
             Case{"0 10 0 0 -1e-3", "Phi -0.001 is outside 0 to 1"},
         }) {
        QlmainHome home;
        // The bad point is grid point 2, on line 3 of the file.
        const ErrorStop e =
            expect_error_stop([&] { read_grid_text(home, std::string("2\n0 90 0 0 0.5\n") + c.point + "\n"); });
        EXPECT_EQ(e.routine(), "read_cgp_file") << c.point;
        EXPECT_EQ(e.message(), "Invalid data at the line number") << c.point;
        EXPECT_EQ(e.line(), 2) << c.point;
        EXPECT_EQ(e.detail(), home.path("grid.cgp").string() + " line 3: " + c.detail) << c.point;
    }
}

TEST(GridRanges, RangeLimitsThemselvesAreAccepted) {
    QlmainHome home;
    const EngineTables t = read_grid_text(home, "3\n0 -90 360 90 0\n360 90 0 -90 1\n0.0 0 359.99 0 0.5\n");
    EXPECT_EQ(t.n_grid, 3);
}

// --------------------------------------------------------- the real line

TEST(ReportDetail, DataErrorsNameTheFileAndItsRealLine) {
    // Datum 2 spans lines 2 and 4 (a blank line between): the fixed message keeps
    // the datum's ordinal, the detail names the line the bad item stands on.
    QlmainHome home;
    const ErrorStop bad = expect_error_stop([&] { read_data_text(home, "1 2 3 4 N\n5 6\n\n7 x N\n"); });
    EXPECT_EQ(bad.message(), "Invalid data at line number");
    EXPECT_EQ(bad.line(), 2);
    EXPECT_EQ(bad.detail(), home.path("data.fdt").string() + " line 4: \"x\" is not a number");

    const ErrorStop sense = expect_error_stop([&] { read_data_text(home, "\n\n1 2 3 4 Q\n"); });
    EXPECT_EQ(sense.message(), "Invalid sense in the line number");
    EXPECT_EQ(sense.line(), 1);
    EXPECT_EQ(sense.detail(), home.path("data.fdt").string() + " line 3: sense \"Q\" is not one of N, R, S, D");
}

// ------------------------------------------------------------ the writer

TEST(ResultWriter, NoDataOrFewerThanKWritesNothing) {
    struct Case {
        int n_data;
        int k;
        const char* message;
    };
    for (const Case& c : {Case{0, 3, "no data"}, Case{2, 3, "fewer data (2) than k (3): no subset can vote"},
                          Case{7, 8, "fewer data (7) than k (8): no subset can vote"}}) {
        QlmainHome home;
        home.write("out.ql4", "good result\r\n");
        EngineTables t;
        t.fault_data.assign(static_cast<std::size_t>(c.n_data), datum(1, 2, 3, 4, 'N'));
        t.n_data = static_cast<std::int16_t>(c.n_data);
        t.result_path = home.path("out.ql4").string();
        const ErrorStop e = expect_error_stop([&] {
            QLN_save_results(t, "g.cgp", "/d.fdt", c.k, "l", "20260101", "000000.000", "20260101", "000000.000");
        });
        EXPECT_EQ(e.routine(), "QLN_save_results");
        EXPECT_EQ(e.message(), c.message);
        EXPECT_EQ(home.read("out.ql4"), "good result\r\n");
        EXPECT_THAT(home.listing(), ElementsAre("out.ql4"));
    }
}

TEST(ResultWriter, FileIoErrorSaysWhichPathAndWhy) {
    QlmainHome home;
    EngineTables t;
    t.fault_data.assign(3, datum(1, 2, 3, 4, 'N'));
    t.n_data = 3;
    t.result_path = home.path("missing/out.ql4").string();
    const ErrorStop e = expect_error_stop([&] {
        QLN_save_results(t, "g.cgp", "/d.fdt", 3, "l", "20260101", "000000.000", "20260101", "000000.000");
    });
    EXPECT_EQ(e.message(), "File I/O error");
    EXPECT_EQ(e.detail(), t.result_path + ": cannot create a file in the folder " + home.path("missing").string() +
                              " (No such file or directory)");
}

// A process id that belonged to a process that has ended.
pid_t dead_pid() {
    const pid_t child = fork();
    if (child == 0) _exit(0);
    int status = 0;
    waitpid(child, &status, 0);
    return child;
}

TEST(ResultWriter, StaleTemporaryOfADeadRunIsRemoved) {
    QlmainHome home;
    const std::string dead = ".out.ql4.qlmain-" + std::to_string(dead_pid()) + "-0.tmp";
    const std::string alive = ".out.ql4.qlmain-" + std::to_string(getpid()) + "-0.tmp";   // a running writer
    const std::string other = ".other.ql4.qlmain-" + std::to_string(dead_pid()) + "-0.tmp";   // another result's
    for (const auto& name : {dead, alive, other}) home.write(name, "half a result");
    remove_stale_temporaries(home.path("out.ql4").string());
    EXPECT_FALSE(home.exists(dead));
    EXPECT_TRUE(home.exists(alive));
    EXPECT_TRUE(home.exists(other));
}

}  // namespace
}  // namespace quillon::engine

// ---------------------------------------------------------------- qlmain

namespace quillon::test {
namespace {

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;

const std::string kRunFixtures = std::string(QUILLON_FIXTURES_DIR) + "/engine/";

void add_run_files(const QlmainHome& home) {
    for (const char* f : {"pref.txt", "grid.cgp", "qln_array.txt", "faults.fdt"}) home.copy(kRunFixtures + f);
}

// Sets an environment variable for the lifetime of the object (qlmain inherits it).
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        setenv(name, value, 1);
    }
    ~ScopedEnv() {
        if (old_) setenv(name_, old_->c_str(), 1);
        else unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

std::vector<std::string> batch(const std::string& data, const std::string& result, const char* k = "3") {
    return {"--data", data, "--result", result, "--overwrite", "--class", "1", "-k", k};
}

TEST(QlmainThreads, AbsurdThreadCountIsRefusedClearly) {
    for (const char* n : {"100000", "2147483647", "99999999999"}) {
        QlmainHome home;
        add_run_files(home);
        auto args = batch("faults.fdt", "out.ql4");
        args.insert(args.end(), {"--threads", n});
        const QlmainResult r = home.run("", args);
        EXPECT_NE(r.exit_code, 0) << n;
        EXPECT_LT(r.exit_code, 128) << n << r.err;   // refused, not killed by a signal
        EXPECT_THAT(r.err, HasSubstr(std::string("--threads: ") + n + " is more than the")) << n;
        EXPECT_FALSE(home.exists("out.ql4")) << n;
    }
    QlmainHome home;
    const QlmainResult help = home.run("", {"--help"});
    EXPECT_EQ(help.exit_code, 0);
    EXPECT_THAT(help.out, HasSubstr("(4 per hardware thread)"));
}

TEST(QlmainThreads, AbsurdOmpNumThreadsIsCutToTheLimit) {
    const ScopedEnv env("OMP_NUM_THREADS", "100000");
    QlmainHome home;
    add_run_files(home);
    const QlmainResult r = home.run("", batch("faults.fdt", "out.ql4"));
    EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
    EXPECT_THAT(r.out, HasSubstr("OMP_NUM_THREADS=100000 is more than"));
    EXPECT_TRUE(home.exists("out.ql4"));
}

TEST(QlmainThreads, ThreadsTheSystemCannotGiveEndInTheEnginesReport) {
    // A stack larger than any address space: no thread can be made.
    const ScopedEnv env("OMP_STACKSIZE", "200000G");
    QlmainHome home;
    add_run_files(home);
    auto args = batch("faults.fdt", "out.ql4");
    args.insert(args.end(), {"--threads", "2"});
    const QlmainResult r = home.run("", args);
    EXPECT_EQ(r.exit_code, 1) << r.out << r.err;
    EXPECT_THAT(r.out, HasSubstr("*** Cannot start 2 threads for the main loop ("));
    EXPECT_THAT(r.err, Not(HasSubstr("libgomp")));
    EXPECT_FALSE(home.exists("out.ql4"));
}

TEST(QlmainInputs, DevicesAreNotReadAsFiles) {
    // /dev/zero never ends: read as a file, one line would grow without bound.
    struct Case {
        const char* name;
        const char* expected;
    };
    for (const Case& c : {Case{"faults.fdt", "Data file not found"}, Case{"grid.cgp", "CGP file not found"},
                          Case{"pref.txt", "File 'pref.txt' not found"}, Case{"qln_array.txt", "not available."}}) {
        QlmainHome home;
        add_run_files(home);
        std::filesystem::remove(home.path(c.name));
        std::filesystem::create_symlink("/dev/zero", home.path(c.name));
        const QlmainResult r = home.run("", batch("faults.fdt", "out.ql4"), 20);
        EXPECT_EQ(r.exit_code, 1) << c.name;
        EXPECT_THAT(r.out, HasSubstr(c.expected)) << c.name;
        EXPECT_THAT(r.out, HasSubstr(home.path(c.name).string() + ": not a regular file (a character device)"))
            << c.name;
        EXPECT_FALSE(home.exists("out.ql4")) << c.name;
    }
}

TEST(QlmainPaths, ResultPathOver300CharactersIsRefused) {
    QlmainHome home;
    add_run_files(home);
    const std::string name = std::string(300, 'r') + ".ql4";
    for (const bool dialog : {false, true}) {
        const QlmainResult r = dialog ? home.run("faults.fdt\n" + name + "\n1\n3\n")
                                      : home.run("", batch("faults.fdt", name));
        EXPECT_THAT(r.out, EndsWith(" The result file path is longer than 300 characters --- Execution aborted.\n   " +
                                    home.path(name).string() + "\n"))
            << dialog;
        EXPECT_EQ(r.exit_code, dialog ? 0 : 1);
    }
    // Nothing written, under the cut name or any other.
    EXPECT_THAT(home.listing(), ElementsAre("faults.fdt", "grid.cgp", "pref.txt", "qln_array.txt"));

    // A data path cut at 300 would name another file as well.
    const std::string data = std::string(300, 'd') + ".fdt";
    const QlmainResult r = home.run("", batch(data, "out.ql4"));
    EXPECT_THAT(r.out, EndsWith(" The data file path is longer than 300 characters --- Execution aborted.\n   " +
                                home.path(data).string() + "\n"));
    EXPECT_EQ(r.exit_code, 1);
}

TEST(QlmainPaths, ResultNameTooLongForTheFileSystemSaysWhy) {
    // Within 300 characters, but one name of more than 255 bytes: the file
    // system refuses it, and the report says which path and why.
    QlmainHome home;
    add_run_files(home);
    const std::string name = std::string(260, 'r') + ".ql4";
    ASSERT_LE(home.path(name).string().size(), 300u) << "the temporary folder's path is too long for this test";
    const QlmainResult r = home.run("", batch("faults.fdt", name));
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_THAT(r.out, HasSubstr("   Error in the subprogram QLN_save_results\n   File I/O error\n   " +
                                 home.path(name).string() +
                                 ": the written file cannot take this name (File name too long)\n"));
    EXPECT_THAT(home.listing(), ElementsAre("faults.fdt", "grid.cgp", "pref.txt", "qln_array.txt"));
}

TEST(QlmainDialogInput, LoneCrEndsAnAnswer) {
    // Answers typed into a console that sends CR alone still make one answer each.
    QlmainHome home;
    add_run_files(home);
    const QlmainResult r = home.run("faults.fdt\rout.ql4\r1\r3\r");
    EXPECT_EQ(r.exit_code, 0) << r.out;
    EXPECT_THAT(r.out, HasSubstr("  Save results to the file \n     " + home.path("out.ql4").string() + "\n"));
    EXPECT_TRUE(home.exists("out.ql4"));
}

TEST(QlmainPaths, ResultThatIsAnInputOfTheRunIsRefused) {
    struct Case {
        const char* result;   // in the home directory
        const char* what;
        const char* input;    // the file refused as the result
    };
    for (const Case& c : {Case{"pref.txt", "pref.txt", "pref.txt"},
                          Case{"qln_array.txt", "qln_array.txt", "qln_array.txt"},
                          Case{"grid.cgp", "grid file", "grid.cgp"},
                          Case{"sub/../grid.cgp", "grid file", "grid.cgp"},
                          Case{"grid-link.ql4", "grid file", "grid.cgp"},       // a hard link to the grid
                          Case{"pref-link.ql4", "pref.txt", "pref.txt"}}) {    // a symbolic link to pref.txt
        QlmainHome home;
        add_run_files(home);
        std::filesystem::create_directory(home.path("sub"));
        std::filesystem::create_hard_link(home.path("grid.cgp"), home.path("grid-link.ql4"));
        std::filesystem::create_symlink(home.path("pref.txt"), home.path("pref-link.ql4"));
        const std::string before = home.read(c.input);
        const QlmainResult r = home.run("", batch("faults.fdt", c.result));
        EXPECT_EQ(r.exit_code, 1) << c.result;
        EXPECT_THAT(r.out, HasSubstr(std::string(" The result file is the ") + c.what +
                                     " of the run --- Execution aborted.\n"))
            << c.result;
        EXPECT_EQ(home.read(c.input), before) << c.result;
    }
}

TEST(QlmainRuns, NoDataOrFewerThanKLeavesTheOldResult) {
    struct Case {
        const char* data;
        const char* k;
        const char* message;
    };
    for (const Case& c : {Case{"", "3", "   no data"},
                          Case{"1 2 3 4 N\n5 6 7 8 R\n", "3", "   fewer data (2) than k (3): no subset can vote"},
                          Case{"1 2 3 4 N\n5 6 7 8 R\n1 2 3 4 N\n5 6 7 8 R\n1 2 3 4 N\n", "8",
                               "   fewer data (5) than k (8): no subset can vote"}}) {
        QlmainHome home;
        add_run_files(home);
        home.write("faults.fdt", c.data);
        home.write("out.ql4", "good result\r\n");
        const QlmainResult r = home.run("", batch("faults.fdt", "out.ql4", c.k));
        EXPECT_EQ(r.exit_code, 1) << c.message;
        EXPECT_THAT(r.out, HasSubstr("   Error in the subprogram QLN_save_results\n" + std::string(c.message) + "\n"));
        EXPECT_EQ(home.read("out.ql4"), "good result\r\n");
        EXPECT_THAT(home.listing(), ElementsAre("faults.fdt", "grid.cgp", "out.ql4", "pref.txt", "qln_array.txt"));
    }
    // A focal run draws its subsets from the mechanisms: 3 mechanisms (6 data)
    // cannot make a subset of 4.
    QlmainHome home;
    add_run_files(home);
    std::string six;
    for (int i = 0; i < 3; ++i) six += "10 60 100 30 N\n100 60 10 30 N\n";
    home.write("events.fmd", six);
    home.write("out.ql4", "good result\r\n");
    std::vector<std::string> args = batch("events.fmd", "out.ql4", "4");
    args[6] = "2";
    const QlmainResult r = home.run("", args);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_THAT(r.out, HasSubstr("   fewer mechanisms (3) than k (4): no subset can vote\n"));
    EXPECT_EQ(home.read("out.ql4"), "good result\r\n");
}

TEST(QlmainRuns, StaleTemporaryOfAKilledRunIsRemovedAtTheNextRun) {
    QlmainHome home;
    add_run_files(home);
    const pid_t child = fork();
    if (child == 0) _exit(0);
    waitpid(child, nullptr, 0);
    const std::string stale = ".out.ql4.qlmain-" + std::to_string(child) + "-0.tmp";
    home.write(stale, "half a result");
    const QlmainResult r = home.run("", batch("faults.fdt", "out.ql4"));
    EXPECT_EQ(r.exit_code, 0) << r.out;
    EXPECT_THAT(home.listing(), ElementsAre("faults.fdt", "grid.cgp", "out.ql4", "pref.txt", "qln_array.txt"));
}

}  // namespace
}  // namespace quillon::test
