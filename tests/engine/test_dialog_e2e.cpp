// qlmain end to end: the banner, the file prompts, the existence checks, the
// overwrite question, the class and k questions, batch mode, and the error_stop
// reports of the readers and the writer, driven through standard input in a
// temporary home directory.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "qlmain_harness.h"

namespace quillon::test {
namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

const std::string kFixtures = std::string(QUILLON_FIXTURES_DIR) + "/engine/";
const std::string kClassPrompt = "\n  Class of data [1:geological faults / 2:focal mechanisms] = ";
const std::string kClassError = "   Error value --- Please input the class of data once again. \n";
const std::string kKError = "   Error value --- Please input the value of k once again. \n";
const std::string kCancel = " No data file specified --- Execution terminated.\n";

// A home directory with the supplied small inputs: pref.txt, grid.cgp,
// qln_array.txt and faults.fdt.
void add_run_files(const QlmainHome& home) {
    for (const char* f : {"pref.txt", "grid.cgp", "qln_array.txt", "faults.fdt"}) home.copy(kFixtures + f);
}

// The output from the first occurrence of `from` on (empty when it does not occur).
std::string from_first(const std::string& out, const std::string& from) {
    const std::size_t p = out.find(from);
    return p == std::string::npos ? std::string() : out.substr(p);
}

TEST(QlmainDialog, Banner) {
    QlmainHome home;
    const QlmainResult r = home.run("");
    const auto lines = split_lines(r.out);
    ASSERT_GE(lines.size(), 11u);
    EXPECT_EQ(lines[0], "");
    const std::string stars = "   " + std::string(73, '*');
    const std::string empty = "   *" + std::string(71, ' ') + "*";
    EXPECT_EQ(lines[1], stars);
    EXPECT_EQ(lines[2], empty);
    EXPECT_EQ(lines[3], "   *   Quillon" + std::string(61, ' ') + "*");
    EXPECT_EQ(lines[4], empty);
    EXPECT_EQ(lines[5], "   *   Main Processor, Version 6.02" + std::string(40, ' ') + "*");
    EXPECT_EQ(lines[6], empty);
    EXPECT_EQ(lines[9], empty);
    EXPECT_EQ(lines[10], stars);
    for (int i = 1; i <= 10; ++i) {
        EXPECT_EQ(lines[i].size(), 76u) << "banner line " << i;   // the console blank and 75 columns
        EXPECT_EQ(lines[i].substr(0, 4), "   *") << "banner line " << i;
        EXPECT_EQ(lines[i].back(), '*') << "banner line " << i;
    }
}

TEST(QlmainDialog, HomeDirectoryOfAtMost255Characters) {
    // The current directory is the home directory when it fits 255 characters;
    // one character more ends the program before the first file prompt.
    QlmainHome home;
    for (const std::size_t length : {255u, 256u}) {
        SCOPED_TRACE(length);
        std::filesystem::path dir = home.home();
        while (dir.string().size() + 1 + 100 < length) dir /= std::string(100, 'h');
        dir /= std::string(length - dir.string().size() - 1, 'x');
        ASSERT_EQ(dir.string().size(), length);
        std::filesystem::create_directories(dir);
        const QlmainResult r = home.run_in(dir, "");
        EXPECT_EQ(r.exit_code, 0);
        if (length == 255) {
            EXPECT_THAT(r.out, HasSubstr("Open data file"));
            EXPECT_THAT(r.out, EndsWith(kCancel));
        } else {
            EXPECT_THAT(r.out, EndsWith(std::string(73, '*') + "\n"
                                        " *** Could'nt get home directory ***\n"
                                        " ***     Execution terminated    ***\n"));
            EXPECT_THAT(r.out, Not(HasSubstr("Open data file")));
        }
    }
}

TEST(QlmainDialog, CancelEndsTheProgram) {
    struct Case {
        const char* name;
        const char* input;
    };
    for (const Case& c : {Case{"empty data answer", "\n"}, Case{"blank data answer", "   \n"},
                          Case{"end of input at the data prompt", ""},
                          Case{"end of input at the save prompt", "faults.fdt\n"}}) {
        QlmainHome home;
        add_run_files(home);
        const QlmainResult r = home.run(c.input);
        EXPECT_EQ(r.exit_code, 0) << c.name;
        EXPECT_THAT(r.out, EndsWith(" : " + kCancel)) << c.name;
        EXPECT_THAT(r.out, Not(HasSubstr("Class of data"))) << c.name;
    }
}

TEST(QlmainDialog, SavePromptProposesTheDataPath) {
    QlmainHome home;
    add_run_files(home);
    const std::string data = home.path("faults.fdt").string();
    // The empty save answer takes the proposal: the data file itself, which the
    // run refuses to replace.
    const QlmainResult r = home.run("faults.fdt\n\n");
    EXPECT_THAT(r.out, HasSubstr("  Save results as [QLN File (*.ql4) / All Files (*.*)] (" + data + ") : "));
    EXPECT_THAT(r.out, HasSubstr("The result file is the data file"));
    EXPECT_EQ(home.read("faults.fdt"), read_whole_file(kFixtures + "faults.fdt"));
}

TEST(QlmainDialog, NameWithoutExtensionGetsTxt) {
    QlmainHome home;
    home.write("mydata.txt", "1 2 3 4 N\n");
    home.write("result.txt", "old\r\n");
    const QlmainResult r = home.run("mydata\nresult\nn\n");
    // Both names received ".txt": the data file was found and proposed as the
    // result name, and the typed result name met the existing result.txt.
    std::string proposal = "(";
    proposal += home.path("mydata.txt").string();
    proposal += ") : ";
    EXPECT_THAT(r.out, HasSubstr(proposal));
    EXPECT_THAT(r.out, Not(HasSubstr("Data file not exist")));
    EXPECT_THAT(r.out, HasSubstr("\n   File " + home.path("result.txt").string() + "\n     already exist.\n"));
}

TEST(QlmainDialog, MissingDataFile) {
    QlmainHome home;
    const QlmainResult r = home.run("none.fdt\nout.ql4\n1\n3\n");
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_THAT(r.out, EndsWith(" : \n   Data file not exist --- Execution aborted.\n"));
    EXPECT_FALSE(home.exists("out.ql4"));
}

TEST(QlmainDialog, OverwriteQuestion) {
    struct Case {
        const char* answer;
        bool goes_on;
    };
    for (const Case& c : {Case{"y", true}, Case{"yes", true}, Case{"\n   \n y", true}, Case{"'y'", true},
                          Case{"Y", false}, Case{"n", false}, Case{"no", false}, Case{"", false}}) {
        QlmainHome home;
        add_run_files(home);
        home.write("out.ql4", "old\r\n");
        const QlmainResult r = home.run(std::string("faults.fdt\nout.ql4\n") + c.answer + "\n");
        const std::string question = " : \n   File " + home.path("out.ql4").string() +
                                     "\n     already exist.\n   Do you really want to overwrite this file?  < y / n >  ";
        EXPECT_THAT(r.out, HasSubstr(question)) << c.answer;
        if (c.goes_on) {
            EXPECT_THAT(from_first(r.out, question), StartsWith(question + kClassPrompt)) << c.answer;
        } else {
            EXPECT_THAT(r.out, EndsWith(question + "  Execution aborted.\n")) << c.answer;
            EXPECT_EQ(home.read("out.ql4"), "old\r\n");
        }
        EXPECT_EQ(r.exit_code, 0);
    }
}

TEST(QlmainDialog, ResultFileThatIsTheDataFileIsRefused) {
    // An empty save answer takes the proposed name, the data file; "y" must not
    // then replace the data by the result, in the dialog or in batch mode.
    for (const char* args : {"", "batch"}) {
        QlmainHome home;
        add_run_files(home);
        const std::string data = home.read("faults.fdt");
        const QlmainResult r = *args ? home.run("", {"--data", "faults.fdt", "--result", "faults.fdt", "--overwrite",
                                                     "--class", "1", "-k", "3"})
                                     : home.run("faults.fdt\n\ny\n1\n3\n");
        EXPECT_THAT(r.out, EndsWith("   The result file is the data file --- Execution aborted.\n")) << args;
        EXPECT_THAT(r.out, Not(HasSubstr("already exist"))) << args;
        EXPECT_EQ(home.read("faults.fdt"), data) << args;
        EXPECT_EQ(r.exit_code, *args ? 1 : 0) << args;
    }
}

TEST(QlmainDialog, NoOverwriteQuestionForNewResult) {
    QlmainHome home;
    add_run_files(home);
    const QlmainResult r = home.run("faults.fdt\nout.ql4\n");
    EXPECT_THAT(r.out, Not(HasSubstr("already exist")));
    EXPECT_THAT(r.out, HasSubstr(" : \n" + kClassPrompt));
}

TEST(QlmainDialog, ClassAndKRePrompts) {
    struct Case {
        const char* answers;      // class answers, then k answers
        std::string dialog;       // the console text from the first class prompt on
    };
    const std::string faults = "\n  This program uses geological faults.\n  \n  k <3...8> = ";
    const std::string focal = "\n  This program uses focal mechanisms.\n  \n  k <4 or 5> = ";
    for (const Case& c : {
             Case{"7\n\n1\n\n9\n2\n8\n",
                  kClassPrompt + kClassError + kClassPrompt + kClassError + kClassPrompt + faults + kKError +
                      "\n  k <3...8> = " + kKError + "\n  k <3...8> = " + kKError + "\n  k <3...8> = "},
             Case{"1\n3\n", kClassPrompt + faults},
             Case{"2\n3\n9\n\n6\n5\n", kClassPrompt + focal + kKError + "\n  k <4 or 5> = " + kKError +
                                           "\n  k <4 or 5> = " + kKError + "\n  k <4 or 5> = " + kKError +
                                           "\n  k <4 or 5> = "},
             Case{" 2 \n4\n", kClassPrompt + focal},
             Case{"0\n-1\n3\n2\n4\n", kClassPrompt + kClassError + kClassPrompt + kClassError + kClassPrompt +
                                          kClassError + kClassPrompt + focal},
         }) {
        QlmainHome home;   // no pref.txt: the run stops at once after the dialog
        home.write("d.fdt", "1 2 3 4 N\n");
        const QlmainResult r = home.run(std::string("d.fdt\nout.ql4\n") + c.answers);
        const std::string dialog = from_first(r.out, kClassPrompt);
        EXPECT_THAT(dialog, StartsWith(c.dialog)) << c.answers;
        // Accepted: no further question after the last k prompt.
        const std::string rest = dialog.substr(std::min(c.dialog.size(), dialog.size()));
        EXPECT_THAT(rest, Not(HasSubstr("Error value"))) << c.answers;
        EXPECT_THAT(rest, Not(HasSubstr(" = "))) << c.answers;
        EXPECT_THAT(rest, HasSubstr("read_pref_file")) << c.answers;
    }
}

TEST(QlmainDialog, AnswersThatEndTheDialog) {
    struct Case {
        const char* answers;
        const char* last_line;
    };
    for (const Case& c : {Case{"x1\n", "  Invalid input \"x1\" --- an integer is expected. Execution terminated.\n"},
                          Case{"1\n3.5\n", "  Invalid input \"3.5\" --- an integer is expected. Execution terminated.\n"},
                          Case{"", "  No more input --- Execution terminated.\n"},
                          Case{"7\n", "  No more input --- Execution terminated.\n"},
                          Case{"1\n9\n", "  No more input --- Execution terminated.\n"}}) {
        QlmainHome home;
        home.write("d.fdt", "1 2 3 4 N\n");
        const QlmainResult r = home.run(std::string("d.fdt\nout.ql4\n") + c.answers);
        EXPECT_EQ(r.exit_code, 0) << c.answers;
        EXPECT_THAT(r.out, EndsWith(c.last_line)) << c.answers;
    }
}

// ------------------------------------------------------------------ error_stop

struct ErrorStopCase {
    const char* name;
    std::vector<std::pair<const char*, std::string>> files;   // written over the supplied run files
    const char* result;                                        // the save answer
    const char* routine;
    std::string message_line;                                  // after the console blank
    std::string detail = {};   // the line after the message: which file and why; <home> the home directory
};

std::string data_lines(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += "1 2 3 4 N\n";
    return s;
}

void PrintTo(const ErrorStopCase& c, std::ostream* os) { *os << c.name; }

class QlmainErrorStop : public ::testing::TestWithParam<ErrorStopCase> {};

TEST_P(QlmainErrorStop, ReportsRoutineAndMessageThenPauses) {
    const ErrorStopCase& c = GetParam();
    QlmainHome home;
    add_run_files(home);
    for (const auto& [name, content] : c.files) {
        if (content == "<remove>") std::filesystem::remove(home.path(name));
        else home.write(name, content);
    }
    const QlmainResult r = home.run(std::string("faults.fdt\n") + c.result + "\n1\n3\n\n\n");
    EXPECT_EQ(r.exit_code, 0);
    // The empty line in front of the report ends the console line of the k prompt
    // when the run fails before writing anything.
    std::string detail = c.detail;
    for (std::size_t p = detail.find("<home>"); p != std::string::npos; p = detail.find("<home>"))
        detail.replace(p, 6, home.home().string());
    const std::string report = std::string("\n   Error in the subprogram ") + c.routine + "\n " + c.message_line +
                               (detail.empty() ? "" : "\n   " + detail) +
                               "\n\n   Execution terminated.\n\n  Press Enter to end the program. ";
    EXPECT_THAT(r.out, EndsWith(report));
    EXPECT_FALSE(home.exists("out.ql4"));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, QlmainErrorStop,
    ::testing::Values(
        ErrorStopCase{"PrefMissing", {{"pref.txt", "<remove>"}}, "out.ql4", "read_pref_file",
                      "  File 'pref.txt' not found", "<home>/pref.txt: No such file or directory"},
        ErrorStopCase{"PrefEmpty", {{"pref.txt", ""}}, "out.ql4", "read_pref_file", "  Invalid pref file",
                      "<home>/pref.txt: line 1 is missing"},
        ErrorStopCase{"PrefThresholdNotInteger", {{"pref.txt", "grid.cgp\r\n30 degrees\r\n"}}, "out.ql4",
                      "read_pref_file", "  Invalid pref file",
                      "<home>/pref.txt line 2: \"30 degrees\" is not a whole number of degrees in columns 1 to 12"},
        ErrorStopCase{"DataNotANumber", {{"faults.fdt", "1 2 3 4 N\n1 2 x 4 N\n"}}, "out.ql4", "read_data_file",
                      "  Invalid data at line number         2",
                      "<home>/faults.fdt line 2: \"x\" is not a number"},
        ErrorStopCase{"DataTrailingEmptyLine", {{"faults.fdt", "1 2 3 4 N\n5 6 7 8 R\n\n"}}, "out.ql4",
                      "read_data_file", "  Invalid data at line number         3",
                      "<home>/faults.fdt: the file ends at line 3 before a number was found"},
        ErrorStopCase{"DataBadSense", {{"faults.fdt", "1 2 3 4 N\n1 2 3 4 N\n1 2 3 4 Up\n"}}, "out.ql4",
                      "read_data_file", "  Invalid sense in the line number         3",
                      "<home>/faults.fdt line 3: sense \"U\" is not one of N, R, S, D"},
        ErrorStopCase{"DataTooMany", {{"faults.fdt", data_lines(32768)}}, "out.ql4", "read_data_file",
                      "  Number of data exceeds the upper bound 32767"},
        ErrorStopCase{"GridMissing", {{"pref.txt", "nogrid.cgp\r\n30\r\n"}}, "out.ql4", "read_cgp_file",
                      "  CGP file not found", "<home>/nogrid.cgp: No such file or directory"},
        ErrorStopCase{"GridCountNotInteger", {{"grid.cgp", "six\r\n0 90 0 0 0.5\r\n"}}, "out.ql4", "read_cgp_file",
                      "  Invalid data at the line number         1", "<home>/grid.cgp line 1: \"six\" is not an integer"},
        ErrorStopCase{"GridShorterThanCount", {{"grid.cgp", "3\r\n0 90 0 0 0.5\r\n0 90 90 0 0.5\r\n"}}, "out.ql4",
                      "read_cgp_file", "  Invalid data at the line number         3",
                      "<home>/grid.cgp: the file ends at line 3 before a number was found"},
        ErrorStopCase{"ResultNotCreatable", {}, "no/such/folder/out.ql4", "QLN_save_results", "  File I/O error",
                      "<home>/no/such/folder/out.ql4: cannot create a file in the folder <home>/no/such/folder "
                      "(No such file or directory)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(QlmainErrorStopUnreadable, DataFileNotReadable) {
    // The driver sees the file; the reader cannot open it.
    if (geteuid() == 0) GTEST_SKIP() << "the superuser reads any file";
    QlmainHome home;
    add_run_files(home);
    std::filesystem::permissions(home.path("faults.fdt"), std::filesystem::perms::none);
    const QlmainResult r = home.run("faults.fdt\nout.ql4\n1\n3\n\n\n");
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_THAT(r.out, EndsWith("\n   Error in the subprogram read_data_file\n   Data file not found\n   " +
                                home.path("faults.fdt").string() + ": Permission denied\n\n"
                                "   Execution terminated.\n\n  Press Enter to end the program. "));
}

TEST(QlmainErrorStopUnreadable, NamedPipeIsNotReadAsAFile) {
    // A named pipe exists, so the driver goes on, but opening it would wait for
    // a writer that never comes: the readers report it as a file they cannot read.
    struct Case {
        const char* pipe;
        const char* routine;
        const char* message;
    };
    for (const Case& c : {Case{"faults.fdt", "read_data_file", "Data file not found"},
                          Case{"grid.cgp", "read_cgp_file", "CGP file not found"}}) {
        QlmainHome home;
        add_run_files(home);
        std::filesystem::remove(home.path(c.pipe));
        ASSERT_EQ(mkfifo(home.path(c.pipe).c_str(), 0600), 0);
        const QlmainResult r = home.run("faults.fdt\nout.ql4\n1\n3\n\n\n", {}, 20);
        EXPECT_EQ(r.exit_code, 0) << c.pipe;
        EXPECT_THAT(r.out, EndsWith(std::string("\n   Error in the subprogram ") + c.routine + "\n   " + c.message +
                                    "\n   " + home.path(c.pipe).string() +
                                    ": not a regular file (a named pipe)\n\n   Execution terminated.\n\n"
                                    "  Press Enter to end the program. "))
            << c.pipe;
        EXPECT_FALSE(home.exists("out.ql4")) << c.pipe;
    }
}

TEST(QlmainArrayFile, MissingArrayWaitsForOneLine) {
    QlmainHome home;
    add_run_files(home);
    std::filesystem::remove(home.path("qln_array.txt"));
    const QlmainResult r = home.run("faults.fdt\nout.ql4\n1\n3\n\n");
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_THAT(r.out, EndsWith("\n  *** Error : qln_array.txt" + std::string(287, ' ') + " not available.\n   " +
                                home.path("qln_array.txt").string() + ": No such file or directory\n"));
    EXPECT_THAT(r.out, Not(HasSubstr("Error in the subprogram")));
}

TEST(QlmainArrayFile, OutOfRangeEntriesStop) {
    QlmainHome home;
    add_run_files(home);
    std::string scores = "100";
    for (int i = 1; i <= 180; ++i) scores += i == 7 ? " 201" : (i == 180 ? " -1" : " 100");
    home.write("qln_array.txt", scores + "\nlabel\n");
    const QlmainResult r = home.run("faults.fdt\nout.ql4\n1\n3\n");
    EXPECT_EQ(r.exit_code, 0);
    const std::string file = home.path("qln_array.txt").string();
    EXPECT_THAT(r.out, EndsWith("\n Invalid number     201 at line       7\n   " + file +
                                " line 1: score of entry 7 (misfit 7 degrees) is 201, outside 0 to 200\n"
                                " Invalid number      -1 at line     180\n   " + file +
                                " line 1: score of entry 180 (misfit 180 degrees) is -1, outside 0 to 200\n"));
    EXPECT_FALSE(home.exists("out.ql4"));
}

// ------------------------------------------------------------------ batch mode

TEST(QlmainBatch, FailuresExitNonZeroWithoutPause) {
    struct Case {
        const char* name;
        std::vector<std::string> args;
        const char* input;
        const char* tail;   // the end of the output
    };
    for (const Case& c : {
             Case{"error_stop", {"--data", "faults.fdt", "--result", "out.ql4", "--class", "1", "-k", "3"}, "\n\n",
                  "\n   Execution terminated.\n"},
             Case{"cancel at the prompt of a missing option", {"--class", "1"}, "", kCancel.c_str()},
             Case{"missing data file", {"--data", "none.fdt", "--result", "out.ql4"}, "",
                  "   Data file not exist --- Execution aborted.\n"},
             Case{"k not allowed for the class", {"--data", "faults.fdt", "--result", "out.ql4", "--class", "2", "-k", "3"},
                  "", "  Error value --- k = 3 is not allowed for this class of data (4 or 5). Execution terminated.\n"},
         }) {
        QlmainHome home;
        add_run_files(home);
        std::filesystem::remove(home.path("pref.txt"));   // any run stops in read_pref_file
        const QlmainResult r = home.run(c.input, c.args);
        EXPECT_NE(r.exit_code, 0) << c.name;
        EXPECT_THAT(r.out, EndsWith(c.tail)) << c.name;
        EXPECT_THAT(r.out, Not(HasSubstr("Press Enter"))) << c.name;
    }
}

TEST(QlmainBatch, BadOptionsAreRefused) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--class", "3"}, {"-k", "9"}, {"-k", "x"}, {"--threads", "-1"},
          {"--main-loop", "slow"}, {"--unknown"}}) {
        QlmainHome home;
        const QlmainResult r = home.run("", args);
        EXPECT_NE(r.exit_code, 0) << args[0];
        EXPECT_FALSE(r.err.empty()) << args[0];
    }
}

TEST(QlmainBatch, OptionsAnswerThePrompts) {
    QlmainHome home;
    add_run_files(home);
    home.write("out.ql4", "old\r\n");
    std::filesystem::remove(home.path("pref.txt"));
    const QlmainResult r = home.run(
        "", {"--data", "faults.fdt", "--result", "out.ql4", "--overwrite", "--class", "2", "-k", "5", "--threads", "1"});
    EXPECT_THAT(r.out, Not(HasSubstr("Open data file")));
    EXPECT_THAT(r.out, Not(HasSubstr("Save results as")));
    EXPECT_THAT(r.out, Not(HasSubstr("already exist")));
    EXPECT_THAT(r.out, HasSubstr(kClassPrompt + "2\n\n  This program uses focal mechanisms.\n  \n  k <4 or 5> = 5\n"));
    EXPECT_THAT(r.out, HasSubstr("  Error in the subprogram read_pref_file"));
    EXPECT_EQ(r.exit_code, 1);
}

TEST(QlmainBatch, ExistingResultStillAsksWithoutOverwriteOption) {
    QlmainHome home;
    add_run_files(home);
    home.write("out.ql4", "old\r\n");
    const QlmainResult r = home.run("n\n", {"--data", "faults.fdt", "--result", "out.ql4", "--class", "1", "-k", "3"});
    EXPECT_THAT(r.out, EndsWith("< y / n >    Execution aborted.\n"));
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(home.read("out.ql4"), "old\r\n");
}

}  // namespace
}  // namespace quillon::test
