// The built manuals: both PDFs open in a PDF reader (poppler's pdfinfo,
// pdftotext and pdfimages), hold every chapter and figure of their sources,
// and the English and Japanese sources are kept in step.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path kSources = fs::path(QUILLON_SOURCE_DIR) / "docs" / "manual";
const fs::path kBin = QUILLON_BIN_DIR;

struct CommandResult {
    int status = -1;
    std::string output;
};

CommandResult run(const std::string& command) {
    CommandResult r;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return r;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) r.output.append(buffer, n);
    r.status = ::pclose(pipe);
    return r;
}

std::string quoted(const fs::path& p) {
    std::string s = "'";
    s += p.string();
    s += '\'';
    return s;
}

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<fs::path> chapters(const std::string& language) {
    std::vector<fs::path> out;
    for (const auto& e : fs::directory_iterator(kSources / language))
        if (e.path().extension() == ".md") out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}

// What a chapter's source holds that the PDF must show and the other language
// must match: its title, its section structure and its figures in order.
struct ChapterOutline {
    std::string title;
    std::vector<int> headingLevels;     // of every "##" and "###" line
    std::vector<std::string> figures;   // figures/NAME.png in order
};

ChapterOutline outlineOf(const fs::path& chapter) {
    ChapterOutline o;
    std::istringstream in(readFile(chapter));
    std::string line;
    bool inCode = false;
    static const std::regex figure(R"(!\[[^\]]*\]\((figures/[^)\s]+)\))");
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("```", 0) == 0) inCode = !inCode;
        if (inCode) continue;
        if (line.rfind("# ", 0) == 0 && o.title.empty()) o.title = line.substr(2);
        else if (line.rfind("## ", 0) == 0) o.headingLevels.push_back(2);
        else if (line.rfind("### ", 0) == 0) o.headingLevels.push_back(3);
        for (std::sregex_iterator it(line.begin(), line.end(), figure), end; it != end; ++it)
            o.figures.push_back((*it)[1]);
    }
    return o;
}

// pdftotext breaks lines and may space out words; compare with all white
// space removed.
std::string withoutSpace(const std::string& s) {
    std::string out;
    for (char c : s)
        if (!std::isspace(static_cast<unsigned char>(c))) out += c;
    return out;
}

struct Manual {
    const char* language;
    const char* file;
    const char* title;
};

void PrintTo(const Manual& m, std::ostream* os) { *os << m.file; }

class BuiltManual : public ::testing::TestWithParam<Manual> {};

TEST_P(BuiltManual, OpensAndHoldsEveryChapterAndFigure) {
    const Manual m = GetParam();
    const fs::path pdf = kBin / m.file;
    ASSERT_TRUE(fs::exists(pdf)) << pdf << " was not built";

    const CommandResult info = run("pdfinfo " + quoted(pdf));
    ASSERT_EQ(info.status, 0) << "pdfinfo cannot read " << pdf << ":\n" << info.output;
    EXPECT_NE(info.output.find("Title:           " + std::string(m.title)), std::string::npos) << info.output;
    EXPECT_NE(info.output.find("A4"), std::string::npos) << info.output;
    std::smatch pages;
    ASSERT_TRUE(std::regex_search(info.output, pages, std::regex(R"(Pages:\s+(\d+))"))) << info.output;

    const std::vector<fs::path> sources = chapters(m.language);
    ASSERT_FALSE(sources.empty());
    // A title page and the contents, then every chapter on pages of its own.
    EXPECT_GE(std::stoi(pages[1]), int(sources.size()) + 2) << info.output;

    const CommandResult text = run("pdftotext -enc UTF-8 " + quoted(pdf) + " -");
    ASSERT_EQ(text.status, 0) << text.output;
    const std::string flat = withoutSpace(text.output);
    std::set<std::string> figures;
    for (const fs::path& chapter : sources) {
        const ChapterOutline o = outlineOf(chapter);
        ASSERT_FALSE(o.title.empty()) << chapter << " has no \"# \" title";
        // Once in the contents and once as the chapter's heading.
        const std::string title = withoutSpace(o.title);
        const size_t first = flat.find(title);
        EXPECT_NE(first, std::string::npos) << chapter << ": title \"" << o.title << "\" not in " << pdf;
        if (first != std::string::npos) {
            EXPECT_NE(flat.find(title, first + title.size()), std::string::npos)
                << "\"" << o.title << "\" appears only once in " << pdf;
        }
        figures.insert(o.figures.begin(), o.figures.end());
    }

    // Every figure is embedded: pdfimages lists one image per distinct picture
    // at the least (a picture used twice may be stored once).
    const CommandResult images = run("pdfimages -list " + quoted(pdf));
    ASSERT_EQ(images.status, 0) << images.output;
    int imageRows = 0;
    std::istringstream rows(images.output);
    for (std::string row; std::getline(rows, row);)
        if (std::regex_search(row, std::regex(R"(^\s*\d+\s+\d+\s+image\s)"))) ++imageRows;
    EXPECT_GE(imageRows, int(figures.size())) << images.output;
    EXPECT_FALSE(figures.empty()) << "the " << m.language << " chapters name no figure";
}

INSTANTIATE_TEST_SUITE_P(Languages, BuiltManual,
                         ::testing::Values(Manual{"en", "man_e.pdf", "Quillon User Manual"},
                                           Manual{"ja", "man_j.pdf", "Quillon ユーザーマニュアル"}),
                         [](const auto& info) { return std::string(info.param.language); });

// The Japanese manual is a translation: the same chapter files, each with the
// same sections and the same figures in the same order.
TEST(ManualSources, JapaneseKeepsStepWithEnglish) {
    std::vector<std::string> english, japanese;
    for (const fs::path& p : chapters("en")) english.push_back(p.filename().string());
    for (const fs::path& p : chapters("ja")) japanese.push_back(p.filename().string());
    ASSERT_EQ(japanese, english);
    for (const std::string& name : english) {
        const ChapterOutline en = outlineOf(kSources / "en" / name);
        const ChapterOutline ja = outlineOf(kSources / "ja" / name);
        EXPECT_EQ(ja.headingLevels, en.headingLevels) << name << ": sections differ";
        EXPECT_EQ(ja.figures, en.figures) << name << ": figures differ";
    }
}

}  // namespace
