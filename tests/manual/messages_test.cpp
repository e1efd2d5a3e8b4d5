// Every message the programs can show must be documented in the troubleshooting
// chapter of the English manual. The test reads the program sources, finds the
// calls that show or compose messages, and checks each message text against the
// chapter; a message that the chapter lacks fails the test with the source file
// and line, so that a new message cannot ship undocumented.
//
// A message's text is taken from the string literals of the call (adjacent
// literals joined, as the compiler joins them), split into its lines at "\n",
// each piece trimmed and its runs of blanks collapsed; pieces with fewer than
// three letters (punctuation, a lone quote) are skipped. The chapter is compared
// with its runs of whitespace collapsed (Markdown wraps lines) and its backticks
// removed, so a message may stand in a code span or in a fenced block.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Piece {
    std::string text;
    int line = 0;   // 1-based line of the source where the literal starts
};

std::string read_text(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string collapse_blanks(const std::string& s) {
    std::string out;
    bool blank = false;
    for (char c : s) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            blank = true;
            continue;
        }
        if (blank && !out.empty()) out += ' ';
        blank = false;
        out += c;
    }
    return out;
}

// The chapter as compared: backticks removed, whitespace runs collapsed.
std::string normalized_chapter(const std::string& markdown) {
    std::string s;
    for (char c : markdown)
        if (c != '`') s += c;
    return collapse_blanks(s);
}

// The source with comments and character literals blanked out (newlines kept, so
// offsets still give line numbers); string literals stay as they are.
std::string strip_comments(const std::string& src) {
    std::string out = src;
    std::size_t i = 0;
    const auto blank = [&](std::size_t from, std::size_t to) {
        for (std::size_t k = from; k < to && k < out.size(); ++k)
            if (out[k] != '\n') out[k] = ' ';
    };
    while (i < src.size()) {
        if (src.compare(i, 2, "//") == 0) {
            const std::size_t end = src.find('\n', i);
            const std::size_t stop = end == std::string::npos ? src.size() : end;
            blank(i, stop);
            i = stop;
        } else if (src.compare(i, 2, "/*") == 0) {
            const std::size_t end = src.find("*/", i + 2);
            const std::size_t stop = end == std::string::npos ? src.size() : end + 2;
            blank(i, stop);
            i = stop;
        } else if (src[i] == '"') {
            ++i;
            while (i < src.size() && src[i] != '"') i += src[i] == '\\' ? 2 : 1;
            ++i;
        } else if (src[i] == '\'' && !(i > 0 && std::isxdigit(static_cast<unsigned char>(src[i - 1])) &&
                                       i + 1 < src.size() && std::isxdigit(static_cast<unsigned char>(src[i + 1])))) {
            // A character literal ('"', '\''); a digit separator (10'000) is not one.
            std::size_t k = i + 1;
            while (k < src.size() && src[k] != '\'' && src[k] != '\n') k += src[k] == '\\' ? 2 : 1;
            blank(i, k + 1);
            i = k + 1;
        } else {
            ++i;
        }
    }
    return out;
}

int line_at(const std::string& src, std::size_t offset) {
    return 1 + static_cast<int>(std::count(src.begin(), src.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
}

// Reads the literal starting at src[at] == '"'; returns its text (escapes
// resolved) and sets `end` past the closing quote.
std::string read_literal(const std::string& src, std::size_t at, std::size_t& end) {
    std::string text;
    std::size_t i = at + 1;
    while (i < src.size() && src[i] != '"') {
        if (src[i] == '\\' && i + 1 < src.size()) {
            const char e = src[i + 1];
            text += e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e;
            i += 2;
        } else {
            text += src[i++];
        }
    }
    end = i + 1;
    return text;
}

int letters(const std::string& s) {
    return static_cast<int>(std::count_if(s.begin(), s.end(), [](char c) { return std::isalpha(static_cast<unsigned char>(c)); }));
}

// The message pieces of the literals in src[from, to): adjacent literals are
// joined, the text is split into lines, each line trimmed and collapsed.
void collect_pieces(const std::string& src, std::size_t from, std::size_t to, std::vector<Piece>& pieces) {
    std::size_t i = from;
    while (i < to) {
        if (src[i] != '"') {
            ++i;
            continue;
        }
        const int line = line_at(src, i);
        std::string text = read_literal(src, i, i);
        for (;;) {
            std::size_t k = i;
            while (k < to && std::isspace(static_cast<unsigned char>(src[k]))) ++k;
            if (k >= to || src[k] != '"') break;
            text += read_literal(src, k, i);
        }
        std::istringstream lines(text);
        for (std::string piece; std::getline(lines, piece);) {
            piece = collapse_blanks(piece);
            if (letters(piece) >= 3) pieces.push_back({piece, line});
        }
    }
}

// Where the argument list or statement that begins at `start` ends: for a call
// (marker ending in '(' or '{') the matching bracket, else the ';' that ends
// the statement.
std::size_t extent_end(const std::string& src, std::size_t start, bool call) {
    int depth = call ? 1 : 0;
    for (std::size_t i = start; i < src.size(); ++i) {
        const char c = src[i];
        if (c == '"') {
            read_literal(src, i, i);
            --i;
            continue;
        }
        if (c == '(' || c == '{' || c == '[') ++depth;
        if (c == ')' || c == '}' || c == ']') {
            --depth;
            if (call && depth == 0) return i;
        }
        if (!call && c == ';' && depth <= 0) return i;
    }
    return src.size();
}

// The end of the first `count` top-level arguments of the call whose arguments
// span [from, to).
std::size_t first_arguments_end(const std::string& src, std::size_t from, std::size_t to, int count) {
    int depth = 0, commas = 0;
    for (std::size_t i = from; i < to; ++i) {
        const char c = src[i];
        if (c == '"') {
            read_literal(src, i, i);
            --i;
            continue;
        }
        if (c == '(' || c == '{' || c == '[') ++depth;
        if (c == ')' || c == '}' || c == ']') --depth;
        if (c == ',' && depth == 0 && ++commas == count) return i;
    }
    return to;
}

// One kind of message source: the files, the text that starts a message (a call
// "f(" or "T{", or a statement "x = "), what must stand before it, and, for a call, how
// many leading arguments hold the message (0: all).
struct Rule {
    const char* name;
    std::vector<const char*> files;   // relative to the source root; "dir/*.cpp" for a folder
    const char* marker;
    const char* before;               // characters one of which must precede the marker; "" any
    int arguments;
};

std::vector<fs::path> rule_files(const fs::path& root, const Rule& rule) {
    std::vector<fs::path> out;
    for (const std::string f : rule.files) {
        const std::size_t star = f.find("/*");
        if (star == std::string::npos) {
            out.push_back(root / f);
            continue;
        }
        const std::string suffix = f.substr(star + 2);
        const fs::path dir = root / f.substr(0, star);
        std::vector<fs::path> found;
        for (const auto& entry : fs::recursive_directory_iterator(dir)) {
            const std::string name = entry.path().filename().string();
            if (entry.is_regular_file() && name.size() >= suffix.size() &&
                name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
                found.push_back(entry.path());
        }
        std::sort(found.begin(), found.end());
        out.insert(out.end(), found.begin(), found.end());
    }
    return out;
}

// The message pieces of one source text under a rule.
std::vector<Piece> message_pieces(const std::string& source, const Rule& rule) {
    const std::string src = strip_comments(source);
    const std::string marker = rule.marker;
    const bool call = !marker.empty() && (marker.back() == '(' || marker.back() == '{');
    std::vector<Piece> pieces;
    for (std::size_t at = src.find(marker); at != std::string::npos; at = src.find(marker, at + 1)) {
        if (*rule.before != '\0' && (at == 0 || std::string(rule.before).find(src[at - 1]) == std::string::npos))
            continue;
        // "f(" must not be the end of a longer name (show_message( for message().
        if (*rule.before == '\0' && at > 0 && call &&
            (std::isalnum(static_cast<unsigned char>(src[at - 1])) || src[at - 1] == '_'))
            continue;
        const std::size_t from = at + marker.size();
        const std::size_t end = extent_end(src, from, call);
        const std::size_t to = call && rule.arguments > 0 ? first_arguments_end(src, from, end, rule.arguments) : end;
        collect_pieces(src, from, to, pieces);
    }
    return pieces;
}

void PrintTo(const Rule& rule, std::ostream* os) { *os << rule.name; }

const std::vector<Rule>& rules() {
    static const std::vector<Rule> table = {
        // The engine's stop reports: the routine's name and its fixed message.
        {"engine_error_stop", {"engine/*.cpp", "engine/*.h"}, "error_stop(", "", 2},
        // The overwrite question and the checks of the --threads option.
        {"engine_console_raw", {"engine/driver.cpp"}, "console.raw(", "", 0},
        {"engine_threads_option", {"engine/main.cpp"}, "return text + ", "", 0},
        // The engine's console lines about the run and its inputs.
        {"engine_console",
         {"engine/driver.cpp", "engine/main.cpp", "engine/io/grid_file.cpp"},
         "console.line(",
         "",
         0},
        // The viewer's message boxes and questions.
        {"viewer_windows_message", {"viewer/windows/*.cpp"}, "message(", ".", 0},
        {"viewer_windows_confirm", {"viewer/windows/*.cpp"}, "confirm(", ".", 0},
        // Texts the viewer's windows and command line show from its model.
        {"viewer_model_failure", {"viewer/model/result_model.cpp", "viewer/model/palette_file.cpp"}, "failure(", "", 0},
        {"viewer_model_outcome", {"viewer/model/coordinates.cpp"}, "SaveOutcome{", "", 0},
        {"viewer_statistics",
         {"viewer/model/stress_statistics.cpp", "viewer/analysis/stress_solutions.cpp"},
         "message = ",
         ".",
         0},
        {"viewer_geometry", {"viewer/geometry/*.cpp"}, "report(", "", 0},
        {"viewer_error_texts",
         {"viewer/cli/*.cpp", "viewer/analysis/stress_solutions.cpp", "viewer/windows/plot_export.cpp"},
         "error = ",
         " \t\n",
         0},
        {"viewer_plot_export", {"viewer/windows/plot_export.cpp"}, "return {false,", "", 0},
        {"viewer_cli_errors", {"viewer/cli/*.cpp"}, "err << ", " \t\n", 0},
        {"viewer_stderr", {"viewer/windows/run_gui.cpp", "viewer/windows/data_picture_command.cpp"}, "std::cerr << ", "", 0},
        // Messages composed in a variable first.
        {"viewer_grid_not_found", {"viewer/model/result_model.cpp"}, "notFound = ", " ", 0},
        {"viewer_invalid_format", {"viewer/model/result_model.cpp"}, "invalid = ", " ", 0},
        {"viewer_coordinates_failure", {"viewer/model/coordinates.cpp"}, "failure = ", " ", 0},
        {"viewer_export_usage", {"viewer/windows/run_gui.cpp"}, "usage(", "", 0},
        // The tools' error texts.
        {"tools_convert", {"tools/catalogue.cpp"}, "ConvertError(", "", 0},
        {"tools_convert_warnings", {"tools/catalogue.cpp"}, "warnings.push_back(", "", 0},
        {"tools_error_texts",
         {"tools/grid.cpp", "tools/synth.cpp", "tools/text_file.cpp", "tools/recovery.cpp"},
         "error = ",
         " \t\n",
         0},
        {"tools_recovery_fail", {"tools/recovery.cpp"}, "fail(", "", 0},
        {"tools_console", {"tools/*_main.cpp"}, "std::cerr << ", "", 0},
    };
    return table;
}

const fs::path& source_root() {
    static const fs::path root = QUILLON_SOURCE_DIR;
    return root;
}

const std::string& english_chapter() {
    static const std::string text =
        normalized_chapter(read_text(source_root() / "docs/manual/en/07-troubleshooting.md"));
    return text;
}

// ---------------------------------------------------------------- the extractor

struct ExtractCase {
    const char* name;
    const char* source;
    Rule rule;
    std::vector<std::string> pieces;
};

void PrintTo(const ExtractCase& c, std::ostream* os) { *os << c.name; }

class ExtractPieces : public ::testing::TestWithParam<ExtractCase> {};

TEST_P(ExtractPieces, FindsTheMessageTexts) {
    const ExtractCase& c = GetParam();
    std::vector<std::string> got;
    for (const Piece& p : message_pieces(c.source, c.rule)) got.push_back(p.text);
    EXPECT_EQ(got, c.pieces);
}

const Rule kMessage{"m", {}, "message(", ".", 0};
const Rule kStop{"s", {}, "error_stop(", "", 2};
const Rule kError{"e", {}, "error = ", " ", 0};

INSTANTIATE_TEST_SUITE_P(
    Sources, ExtractPieces,
    ::testing::Values(
        ExtractCase{"AdjacentLiteralsJoinAndLinesSplit",
                    "port_.message(this, \"The Arial font \"\n  \"is missing.\\r\\nUse  another\\r\\nOK\");",
                    kMessage,
                    {"The Arial font is missing.", "Use another"}},
        ExtractCase{"ComposedMessageKeepsFixedParts",
                    "port_.message(this, \"File \\\"\" + path + \"\\\"\\r\\n  not found.\");",
                    kMessage,
                    {"File \"", "not found."}},
        ExtractCase{"CommentsAndCharLiteralsIgnored",
                    "// port_.message(this, \"commented out\");\n"
                    "if (c == '\"') port_.message(this, /* \"no\" */ \"Shown text\");",
                    kMessage,
                    {"Shown text"}},
        ExtractCase{"OnlyMemberCallsCount", "showmessage(\"Hidden text\"); x.message(\"Seen text\");", kMessage,
                    {"Seen text"}},
        ExtractCase{"StopTakesRoutineAndMessageOnly",
                    "error_stop(\"read_pref_file\", \"Invalid pref file\", std::nullopt, path + \": detail text\");",
                    kStop,
                    {"read_pref_file", "Invalid pref file"}},
        ExtractCase{"StatementRunsToItsSemicolon",
                    "  error = path + \": cannot open (\" + f(\"the grid file\") + \")\";\n  other(\"not this\");",
                    kError,
                    {": cannot open (", "the grid file"}},
        ExtractCase{"DigitSeparatorIsNoCharLiteral",
                    "const int n = 10'000; x.message(\"Ten thousand lines\"); char q = '\\'';",
                    kMessage,
                    {"Ten thousand lines"}}),
    [](const ::testing::TestParamInfo<ExtractCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- the chapter

class DocumentedMessages : public ::testing::TestWithParam<Rule> {};

// Every message piece a rule finds in its sources stands in the English chapter.
// A rule that finds nothing at all means its files or marker went out of date.
TEST_P(DocumentedMessages, AreInTheTroubleshootingChapter) {
    const Rule& rule = GetParam();
    ASSERT_FALSE(english_chapter().empty()) << "the English troubleshooting chapter could not be read";
    bool found_any = false;
    for (const fs::path& file : rule_files(source_root(), rule)) {
        ASSERT_TRUE(fs::exists(file)) << file << " is named by the rule but does not exist";
        const std::vector<Piece> pieces = message_pieces(read_text(file), rule);
        found_any = found_any || !pieces.empty();
        const std::string shown = fs::relative(file, source_root()).string();
        for (const Piece& p : pieces)
            if (english_chapter().find(p.text) == std::string::npos)
                ADD_FAILURE_AT(shown.c_str(), p.line)
                    << "message text not in docs/manual/en/07-troubleshooting.md: \"" << p.text << "\"";
    }
    EXPECT_TRUE(found_any) << "no message texts found for " << rule.name << "; its files or marker are out of date";
}

INSTANTIATE_TEST_SUITE_P(Sources, DocumentedMessages, ::testing::ValuesIn(rules()),
                         [](const ::testing::TestParamInfo<Rule>& info) { return std::string(info.param.name); });

// The Japanese chapter keeps every message in English: the same check against it.
TEST(JapaneseChapter, KeepsEveryMessageInEnglish) {
    const fs::path path = source_root() / "docs/manual/ja/07-troubleshooting.md";
    if (!fs::exists(path)) GTEST_SKIP() << "no Japanese troubleshooting chapter yet";
    const std::string chapter = normalized_chapter(read_text(path));
    for (const Rule& rule : rules())
        for (const fs::path& file : rule_files(source_root(), rule))
            for (const Piece& p : message_pieces(read_text(file), rule))
                if (chapter.find(p.text) == std::string::npos)
                    ADD_FAILURE_AT(fs::relative(file, source_root()).string().c_str(), p.line)
                        << "message text not in docs/manual/ja/07-troubleshooting.md: \"" << p.text << "\"";
}

}  // namespace
