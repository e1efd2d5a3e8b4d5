// A fresh directory under the system's temporary directory, removed with its content
// at the end of the test.
#pragma once

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>

namespace quillon::viewer::testing {

class TempDir {
public:
    TempDir() {
        static std::atomic<int> counter{0};
        path_ = std::filesystem::temp_directory_path() /
                ("qlv4-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The directory with a trailing separator, as homeDir holds it.
    std::string Dir() const { return path_.string() + "/"; }
    std::string Path(const std::string& name) const { return (path_ / name).string(); }

    // Writes `content` as is (line ends included) and returns the full path.
    std::string Write(const std::string& name, const std::string& content) const {
        std::ofstream out(Path(name), std::ios::binary);
        out << content;
        return Path(name);
    }

    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

private:
    std::filesystem::path path_;
};

// Joins lines with the given line end, after the last line too.
inline std::string Lines(std::initializer_list<std::string> lines, const std::string& eol = "\r\n") {
    std::string out;
    for (const std::string& l : lines) out += l + eol;
    return out;
}

}  // namespace quillon::viewer::testing
