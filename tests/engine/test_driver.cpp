// Driver pieces reached directly: the error_stop report and the path a file
// prompt answer becomes.
#include <gtest/gtest.h>

#include <sstream>

#include "engine/driver.h"

namespace quillon::engine {
namespace {

std::string report(const ErrorStop& e, bool pause, const std::string& input = "", std::string* rest = nullptr) {
    std::istringstream in(input);
    std::ostringstream out;
    Console console(in, out);
    report_error_stop(console, e, pause);
    if (rest) *rest = std::string(std::istreambuf_iterator<char>(in), {});
    return out.str();
}

TEST(ErrorStopReport, Lines) {
    struct Case {
        ErrorStop stop;
        const char* routine;        // as written, trailing blanks dropped
        const char* message_line;
    };
    for (const Case& c : {
             Case{ErrorStop("read_data_file", "Invalid data at the line number", 12), "read_data_file",
                  "   Invalid data at the line number        12"},
             Case{ErrorStop("read_cgp_file", "CGP file not found", std::nullopt), "read_cgp_file", "   CGP file not found"},
             Case{ErrorStop("read_cgp_file", "Invalid data at the line number", 1234567890), "read_cgp_file",
                  "   Invalid data at the line number1234567890"},
             Case{ErrorStop("QLN_save_results   ", "File I/O error   ", std::nullopt), "QLN_save_results",
                  "   File I/O error"},
         }) {
        const std::string out = report(c.stop, false);
        EXPECT_EQ(out, std::string("\n   Error in the subprogram ") + c.routine + "\n" + c.message_line + "\n\n   Execution terminated.\n");
    }
}

TEST(ErrorStopReport, DetailFollowsTheMessageLine) {
    const std::string out =
        report(ErrorStop("read_cgp_file", "Invalid data at the line number", 3, "/h/grid.cgp line 5: Phi 2 is outside 0 to 1"),
               false);
    EXPECT_EQ(out, "\n   Error in the subprogram read_cgp_file\n   Invalid data at the line number         3\n"
                   "   /h/grid.cgp line 5: Phi 2 is outside 0 to 1\n\n   Execution terminated.\n");
}

TEST(ErrorStopReport, MessageLineIsCutAt200Columns) {
    const std::string out = report(ErrorStop("r", std::string(250, 'm'), 7), false);
    EXPECT_NE(out.find("\n   " + std::string(198, 'm') + "\n"), std::string::npos);
}

TEST(ErrorStopReport, PauseWaitsForEnterAndOneMoreLine) {
    std::string rest;
    const std::string out = report(ErrorStop("r", "m", std::nullopt), true, "\nsecond\nthird\n", &rest);
    EXPECT_EQ(out.substr(out.size() - 35), "\n  Press Enter to end the program. ");
    EXPECT_EQ(rest, "third\n");
}

TEST(DialogPath, AnswersBecomeFullPaths) {
    struct Case {
        const char* answer;
        const char* path;
    };
    for (const Case& c : {Case{"data.fdt", "/home/u/data.fdt"}, Case{"  data.fdt  ", "/home/u/data.fdt"},
                          Case{"data", "/home/u/data.txt"}, Case{"sub/data", "/home/u/sub/data.txt"},
                          Case{"/abs/r.ql4", "/abs/r.ql4"}, Case{"dir.v2/data", "/home/u/dir.v2/data.txt"},
                          Case{"my data.fdt", "/home/u/my data.fdt"}}) {
        EXPECT_EQ(dialog_path(c.answer, "/home/u"), c.path) << c.answer;
    }
    // Not cut at 300 characters: a cut path names another file (the driver refuses it).
    const std::string whole = dialog_path(std::string(400, 'a') + ".fdt", "/home/u");
    EXPECT_EQ(whole, "/home/u/" + std::string(400, 'a') + ".fdt");
}

TEST(Banner, TenLinesOf75Columns) {
    const auto lines = banner_lines();
    ASSERT_EQ(lines.size(), 10u);
    for (const auto& l : lines) {
        EXPECT_EQ(l.size(), 75u) << l;
        EXPECT_EQ(l.substr(0, 3), "  *") << l;
        EXPECT_EQ(l.back(), '*') << l;
    }
}

}  // namespace
}  // namespace quillon::engine
