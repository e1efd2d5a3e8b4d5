// Runs the built qlmain end to end: a temporary home directory holds the files a
// test writes, qlmain runs there with a scripted standard input (and optional
// command-line arguments), and the test gets back standard output, standard
// error and the exit status.
//
//   quillon::test::QlmainHome home;
//   home.write("pref.txt", "grid.cgp\r\n30\r\n");
//   auto r = home.run("data.fdt\n\n1\n3\n");
//   EXPECT_EQ(r.exit_code, 0);
//   EXPECT_THAT(r.out, HasSubstr("..."));
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#ifndef QLMAIN_PATH
#error "QLMAIN_PATH must name the built qlmain"
#endif

namespace quillon::test {

struct QlmainResult {
    int exit_code = -1;   // 128 + signal number when qlmain was killed
    std::string out;      // standard output
    std::string err;      // standard error
};

inline std::string read_whole_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void write_whole_file(const std::filesystem::path& path, std::string_view content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out) ADD_FAILURE() << "cannot write " << path;
}

// Quotes a word for /bin/sh.
inline std::string shell_quote(std::string_view s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'') q += "'\\''";
        else q += c;
    }
    return q + "'";
}

// A temporary folder with a home directory in it; removed with everything in it.
class QlmainHome {
public:
    QlmainHome() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "qlmain-test-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
        root_ = tmpl;
        std::filesystem::create_directory(home());
        std::filesystem::create_directory(root_ / "io");
    }
    ~QlmainHome() {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    QlmainHome(const QlmainHome&) = delete;
    QlmainHome& operator=(const QlmainHome&) = delete;

    // The home directory (qlmain's current directory), an absolute path.
    std::filesystem::path home() const { return root_ / "home"; }
    std::filesystem::path path(const std::string& name) const { return home() / name; }

    // Writes a file (relative to the home directory), creating folders on the way.
    std::filesystem::path write(const std::string& name, std::string_view content) const {
        const auto p = path(name);
        std::filesystem::create_directories(p.parent_path());
        write_whole_file(p, content);
        return p;
    }
    // Copies a file into the home directory under the given name (default: its own).
    std::filesystem::path copy(const std::filesystem::path& from, std::string name = {}) const {
        if (name.empty()) name = from.filename().string();
        const auto p = path(name);
        std::filesystem::copy_file(from, p, std::filesystem::copy_options::overwrite_existing);
        return p;
    }
    std::string read(const std::string& name) const { return read_whole_file(path(name)); }
    bool exists(const std::string& name) const { return std::filesystem::exists(path(name)); }
    // Names of the entries of the home directory, sorted.
    std::vector<std::string> listing() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(home()))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // Runs qlmain in the home directory with the given standard input and arguments.
    // A run that takes longer than timeout_s is killed (exit code 124), so that a
    // hanging dialog fails the test instead of blocking it.
    QlmainResult run(std::string_view input, const std::vector<std::string>& args = {},
                     int timeout_s = 60) const {
        return run_in(home(), input, args, timeout_s);
    }

    // The same, with another folder as qlmain's current directory.
    QlmainResult run_in(const std::filesystem::path& dir, std::string_view input,
                        const std::vector<std::string>& args = {}, int timeout_s = 60) const {
        write_whole_file(root_ / "io" / "stdin", input);
        // Built by appending: GCC 12 warns falsely about "literal" + std::string.
        std::string cmd = "cd ";
        cmd += shell_quote(dir.string());
        cmd += " && exec timeout ";
        cmd += std::to_string(timeout_s);
        cmd += ' ';
        cmd += shell_quote(QLMAIN_PATH);
        for (const auto& a : args) {
            cmd += ' ';
            cmd += shell_quote(a);
        }
        for (const auto& [op, name] : {std::pair{" <", "stdin"}, {" >", "stdout"}, {" 2>", "stderr"}}) {
            cmd += op;
            cmd += shell_quote((root_ / "io" / name).string());
        }
        const int status = std::system(cmd.c_str());
        QlmainResult r;
        if (status != -1 && WIFEXITED(status)) r.exit_code = WEXITSTATUS(status);
        else if (status != -1 && WIFSIGNALED(status)) r.exit_code = 128 + WTERMSIG(status);
        r.out = read_whole_file(root_ / "io" / "stdout");
        r.err = read_whole_file(root_ / "io" / "stderr");
        return r;
    }

private:
    std::filesystem::path root_;
};

// The console lines of an output (split at LF, a CR before it kept).
inline std::vector<std::string> split_lines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

}  // namespace quillon::test
